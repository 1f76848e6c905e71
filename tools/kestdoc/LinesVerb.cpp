#include <cstdio>

#include "KestDoc.h"

namespace kest {

int RunLines(const TVerbArgs& args)
{
    std::vector<std::string> options;
    const TVerbArgs files = ParseVerbArgs(args, 1, {}, options);
    ReadDocumentLines(files[0], [](const std::string& line) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
    });
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        throw EKestDocFault("Cannot write to the standard output");
    return kExitOk;
}

} // namespace kest
