// kestdoc, the document command-line tool. Every verb lives in a file of its
// own and is listed once in the verb table of main.cpp.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "KestStream.h"

namespace kest {

constexpr int kExitOk = 0;
constexpr int kExitFault = 1;
constexpr int kExitUsage = 2;

using TVerbArgs = std::vector<std::string>;

struct TKestDocVerb {
    const char* name;
    const char* usage; // arguments after the verb
    const char* summary; // one line for the help text
    int (*run)(const TVerbArgs& args);
};

// A fault of the input or output, already worded as the one line to print.
class EKestDocFault : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A command line the verb cannot use; main prints it with the usage text.
class EKestDocUsage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Splits a verb's arguments into positional ones and the "--" options it
// knows; anything else, or the wrong number of positional ones, is a usage error.
TVerbArgs ParseVerbArgs(const TVerbArgs& args, size_t positional, const std::vector<std::string>& knownOptions,
    std::vector<std::string>& options);

// Hands every line of the document file to sink, as the filer reads it
// (binary blocks decoded, a last line without terminator included).
void ReadDocumentLines(const std::string& fileName, const std::function<void(const std::string& line)>& sink);

// An output file that appears under its name only when complete: written to
// a temporary file beside it and renamed over it by Commit.
class TKestDocOutput {
public:
    explicit TKestDocOutput(const std::string& fileName);
    ~TKestDocOutput();
    TKestDocOutput(const TKestDocOutput&) = delete;
    TKestDocOutput& operator=(const TKestDocOutput&) = delete;

    TKestStream& Stream() { return *stream_; }
    void Commit();

private:
    std::string fileName_;
    std::string tempName_;
    std::unique_ptr<TKestFileStream> stream_;
};

int RunLines(const TVerbArgs& args);
int RunConvert(const TVerbArgs& args);
int RunCheck(const TVerbArgs& args);
int RunInfo(const TVerbArgs& args);
int RunDump(const TVerbArgs& args);
int RunRender(const TVerbArgs& args);

} // namespace kest
