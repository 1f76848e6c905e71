// Arbitrary bytes through the filer. The first byte chooses the start: bit 0
// in the binary form, bit 1 skipping every block the reader meets. Whatever
// the reader delivers is written again in the binary form, and that block
// must read back without a read error.
#include <cstdint>
#include <string>
#include <vector>

#include "KestError.h"
#include "KestFiler.h"
#include "KestStream.h"

namespace {

constexpr size_t kMaxLines = 100000;

std::vector<std::string> ReadLines(const uint8_t* data, size_t size, bool binary, bool skipBlocks)
{
    kest::TKestMemoryStream stream(data, size);
    kest::TKestFiler filer(stream);
    filer.SetBinary(binary);
    std::vector<std::string> lines;
    std::string line;
    try {
        while (lines.size() < kMaxLines) {
            const bool complete = filer.LoadStrCheck(line);
            if (complete || !line.empty())
                lines.push_back(line);
            if (!complete)
                break;
            if (skipBlocks)
                filer.CheckLoadSkip(line);
        }
    } catch (const kest::EKestError&) {
    }
    return lines;
}

void RewriteAndReadBack(const std::vector<std::string>& lines)
{
    kest::TKestMemoryStream stream;
    kest::TKestFiler filer(stream);
    filer.SetBinary(true);
    try {
        for (const std::string& line : lines)
            filer.SaveStr(line);
    } catch (const kest::EKestWriteError&) {
        // Lines the binary form cannot hold; what was written so far must still read back.
    }
    filer.Rewind();
    std::string line;
    try {
        while (filer.LoadStrCheck(line)) { }
    } catch (const kest::EKestReadError&) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    const std::vector<std::string> lines = ReadLines(data + 1, size - 1, (mode & 1) != 0, (mode & 2) != 0);
    RewriteAndReadBack(lines);
    return 0;
}
