// Lays out document lines in the text form the panel writes: two spaces of
// indentation per nesting level, and hexadecimal data in lines of 32 bytes.
// Lines read back from the binary form come without indentation and with
// one byte per line; laid out again they give the original text.
#pragma once

#include <functional>
#include <string>

namespace kest {

class TTextLayout {
public:
    using TSink = std::function<void(const std::string& line)>;

    explicit TTextLayout(TSink sink);

    void Add(const std::string& line);
    // Writes what is still gathered when the input ends inside a block.
    void Finish();

private:
    enum TBlock { bkNone, bkHex, bkList };

    void Emit(int depth, const std::string& text);
    void FlushHex(bool last);

    TSink sink_;
    int depth_ = 0;
    TBlock block_ = bkNone;
    std::string hex_;
};

} // namespace kest
