#include "KestError.h"

namespace kest {

std::string FormatMessage(const std::string& pattern, const std::string& arg)
{
    std::string result;
    result.reserve(pattern.size() + arg.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size()) {
            if (pattern[i + 1] == 's') {
                result += arg;
                ++i;
                continue;
            }
            if (pattern[i + 1] == '%') {
                result += '%';
                ++i;
                continue;
            }
        }
        result += pattern[i];
    }
    return result;
}

} // namespace kest
