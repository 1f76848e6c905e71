#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "KestDoc.h"
#include "KestError.h"
#include "KestFiler.h"

namespace kest {

TVerbArgs ParseVerbArgs(const TVerbArgs& args, size_t positional, const std::vector<std::string>& knownOptions,
    std::vector<std::string>& options)
{
    TVerbArgs result;
    for (const std::string& arg : args) {
        if (arg.size() > 1 && arg[0] == '-') {
            bool known = false;
            for (const std::string& option : knownOptions)
                known = known || arg == option;
            if (!known)
                throw EKestDocUsage("unknown option " + arg);
            options.push_back(arg);
        } else {
            result.push_back(arg);
        }
    }
    if (result.size() != positional)
        throw EKestDocUsage("expected " + std::to_string(positional) + " file name" + (positional == 1 ? "" : "s")
            + ", got " + std::to_string(result.size()));
    return result;
}

void ReadDocumentLines(const std::string& fileName, const std::function<void(const std::string& line)>& sink)
{
    std::unique_ptr<TKestFileStream> stream;
    try {
        stream = std::make_unique<TKestFileStream>(fileName, TKestFileStream::fmOpenRead);
    } catch (const EKestError& e) {
        throw EKestDocFault(e.what());
    }
    TKestFiler filer(*stream);
    std::string line;
    for (;;) {
        bool complete = false;
        try {
            complete = filer.LoadStrCheck(line);
        } catch (const EKestError& e) {
            throw EKestDocFault(fileName + ": " + e.what() + " (at byte " + std::to_string(filer.LoadPosition()) + ")");
        }
        if (complete || !line.empty())
            sink(line);
        if (!complete)
            return;
    }
}

TKestDocOutput::TKestDocOutput(const std::string& fileName)
    : fileName_(fileName)
{
    std::string pattern = fileName + ".XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0)
        throw EKestDocFault("Cannot create a temporary file beside \"" + fileName + "\": " + std::strerror(errno));
    tempName_ = pattern;
    // mkstemp makes the file private; give it the mode a new file would get.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    try {
        stream_ = std::make_unique<TKestFileStream>(tempName_, TKestFileStream::fmCreate);
    } catch (const EKestError& e) {
        std::remove(tempName_.c_str());
        throw EKestDocFault(e.what());
    }
}

TKestDocOutput::~TKestDocOutput()
{
    if (!stream_)
        return;
    stream_.reset();
    std::remove(tempName_.c_str());
}

void TKestDocOutput::Commit()
{
    try {
        stream_->Flush();
    } catch (const EKestError& e) {
        throw EKestDocFault(e.what());
    }
    stream_.reset();
    if (std::rename(tempName_.c_str(), fileName_.c_str()) != 0) {
        const int error = errno;
        std::remove(tempName_.c_str());
        throw EKestDocFault("Cannot replace \"" + fileName_ + "\": " + std::strerror(error));
    }
}

} // namespace kest
