#include "TextLayout.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace kest {

namespace {

constexpr size_t HexDigitsPerLine = 64;
constexpr std::string_view HexEnd = " }";
constexpr std::string_view ListEnd = " )";

bool EndsWith(std::string_view text, std::string_view tail)
{
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

bool StartsWith(std::string_view text, std::string_view head)
{
    return text.substr(0, head.size()) == head;
}

// Lines that open a block closed by "end".
bool OpensBlock(std::string_view line)
{
    for (std::string_view keyword : {"document ", "clipboard ", "library ", "object ", "property "})
        if (StartsWith(line, keyword))
            return true;
    return false;
}

} // namespace

TTextLayout::TTextLayout(TSink sink)
    : sink_(std::move(sink))
{
}

void TTextLayout::Emit(int depth, const std::string& text)
{
    sink_(text.empty() ? text : std::string(size_t(depth) * 2, ' ') + text);
}

void TTextLayout::FlushHex(bool last)
{
    while (hex_.size() > HexDigitsPerLine || (last && !hex_.empty())) {
        const size_t take = std::min(hex_.size(), HexDigitsPerLine);
        const bool final = last && take == hex_.size();
        Emit(depth_ + 1, hex_.substr(0, take) + (final ? std::string(HexEnd) : ""));
        hex_.erase(0, take);
    }
}

void TTextLayout::Add(const std::string& line)
{
    if (block_ == bkHex) {
        const bool last = EndsWith(line, HexEnd);
        hex_ += last ? line.substr(0, line.size() - HexEnd.size()) : line;
        FlushHex(last);
        if (last)
            block_ = bkNone;
        return;
    }
    if (block_ == bkList) {
        Emit(depth_ + 1, line);
        if (EndsWith(line, ListEnd))
            block_ = bkNone;
        return;
    }
    if (line == "end") {
        depth_ = depth_ > 0 ? depth_ - 1 : 0;
        Emit(depth_, line);
        return;
    }
    Emit(depth_, line);
    if (OpensBlock(line))
        ++depth_;
    else if (EndsWith(line, " = {"))
        block_ = bkHex;
    else if (EndsWith(line, " = ("))
        block_ = bkList;
}

void TTextLayout::Finish()
{
    if (block_ == bkHex && !hex_.empty())
        Emit(depth_ + 1, hex_);
    hex_.clear();
    block_ = bkNone;
}

} // namespace kest
