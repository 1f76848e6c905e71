#include "KestBinaryData.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstring>

#include "KestFiler.h"
#include "KestUtils.h"

namespace kest {

namespace {

template <size_t Size> struct TUnsigned;
template <> struct TUnsigned<1> {
    using type = uint8_t;
};
template <> struct TUnsigned<2> {
    using type = uint16_t;
};
template <> struct TUnsigned<4> {
    using type = uint32_t;
};
template <> struct TUnsigned<8> {
    using type = uint64_t;
};

// Integers and IEEE floats alike are stored little-endian.
template <typename T> T FromLE(const uint8_t* p)
{
    using Bits = typename TUnsigned<sizeof(T)>::type;
    Bits bits = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&bits, p, sizeof(T));
    } else {
        for (size_t i = sizeof(T); i-- > 0;)
            bits = static_cast<Bits>((static_cast<uint64_t>(bits) << 8) | p[i]);
    }
    return std::bit_cast<T>(bits);
}

template <typename T> void AppendNumber(std::string& line, T value)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof(digits), value);
    line.append(digits, result.ptr);
}

// Hex data comes back one byte per line, so the digits are looked up rather
// than built as a string for every byte.
const char* HexDigits(uint8_t value)
{
    static const std::array<char, 512> table = [] {
        std::array<char, 512> digits {};
        for (int i = 0; i < 256; ++i) {
            const std::string hex = ByteToHex(static_cast<uint8_t>(i));
            digits[2 * i] = hex[0];
            digits[2 * i + 1] = hex[1];
        }
        return digits;
    }();
    return table.data() + 2 * value;
}

} // namespace

bool TKestBinaryData::ReadRecordHead()
{
    if (payloadLeft_ != 0) {
        filer_.SkipExact(payloadLeft_);
        payloadLeft_ = 0;
    }
    uint8_t header[kRecordHeaderSize];
    if (filer_.Buffered() >= sizeof(header)) {
        filer_.ReadExact(header, sizeof(header));
    } else {
        const size_t got = filer_.ReadUpTo(header, sizeof(header));
        if (got == 0)
            return false;
        if (got != sizeof(header))
            filer_.ReadError();
    }
    command_ = FromLE<uint16_t>(header);
    const uint32_t keyCount = FromLE<uint16_t>(header + 2);
    const uint32_t size = FromLE<uint32_t>(header + 4);
    if (size < kRecordHeaderSize)
        filer_.ReadError("Stream read error: record size " + std::to_string(size) + " is below the header size");
    if (size > kMaxRecordSize)
        filer_.ReadError("Stream read error: record size " + std::to_string(size) + " exceeds the limit of "
            + std::to_string(kMaxRecordSize));
    uint32_t left = size - kRecordHeaderSize;
    if (keyCount * 2 > left)
        filer_.ReadError("Stream read error: " + std::to_string(keyCount) + " keys do not fit a record of "
            + std::to_string(size) + " bytes");
    ReadKeys(keyCount, left);
    payloadLeft_ = left;
    return true;
}

void TKestBinaryData::ReadKeys(uint32_t count, uint32_t& left)
{
    inKeyCount_ = 0;
    inKeyBytes_.clear();
    if (inKeys_.size() < count)
        inKeys_.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t flag = 0;
        if (left < 1)
            filer_.ReadError();
        filer_.ReadExact(&flag, 1);
        --left;
        const uint32_t width = flag & kFlagWidthMask;
        if (width == 0)
            filer_.ReadError();
        const uint32_t bytes = width == 3 ? 4 : width;
        if (bytes > left)
            filer_.ReadError("Stream read error: a key runs past the end of its record");
        uint8_t raw[4];
        uint32_t number = 0;
        if (bytes == 1) {
            filer_.ReadExact(raw, 1);
            number = raw[0];
        } else if (bytes == 2) {
            filer_.ReadExact(raw, 2);
            number = FromLE<uint16_t>(raw);
        } else {
            filer_.ReadExact(raw, 4);
            number = FromLE<uint32_t>(raw);
        }
        left -= bytes;
        if ((flag & kFlagId) != 0) {
            if (number >= readDict_.size())
                filer_.ReadError("Stream read error: dictionary id " + std::to_string(number) + " is not defined");
            inKeys_[inKeyCount_++] = {number, 0, 0};
            continue;
        }
        if (number > left)
            filer_.ReadError(
                "Stream read error: a key of " + std::to_string(number) + " bytes runs past the end of its record");
        left -= number;
        if ((flag & kFlagNoAdd) != 0 || number == 0) {
            inKeys_[inKeyCount_++] = {kKeyInline, inKeyBytes_.size(), number};
            filer_.ReadAppend(inKeyBytes_, number);
            continue;
        }
        if (readDict_.size() >= kMaxReadDictionary)
            filer_.ReadError(
                "Stream read error: the dictionary exceeds " + std::to_string(kMaxReadDictionary) + " entries");
        inKeys_[inKeyCount_++] = {static_cast<uint32_t>(readDict_.size()), 0, 0};
        readDict_.push_back({readTexts_.size(), number});
        filer_.ReadAppend(readTexts_, number);
    }
}

std::string_view TKestBinaryData::KeyText(uint32_t index) const
{
    const TInKey& key = inKeys_[index];
    if ((key.word & kKeyInline) != 0)
        return std::string_view(inKeyBytes_).substr(key.offset, key.length);
    const TSpan& text = readDict_[key.word];
    return std::string_view(readTexts_).substr(text.offset, text.length);
}

void TKestBinaryData::RequireKeys(uint32_t count) const
{
    if (inKeyCount_ < count)
        filer_.ReadError("Stream read error: record " + std::to_string(command_) + " has " + std::to_string(inKeyCount_)
            + " keys, needs " + std::to_string(count));
}

void TKestBinaryData::PayloadOverrun()
{
    filer_.ReadError("Stream read error: a value runs past the end of its record");
}

void TKestBinaryData::ReadTrim()
{
    uint8_t raw[4];
    ReadPayload(raw, 4);
    const uint32_t count = FromLE<uint32_t>(raw);
    const size_t keep = readDict_.size() > count ? readDict_.size() - count : 1;
    if (readDict_.size() > keep) {
        readTexts_.resize(readDict_[keep].offset);
        readDict_.resize(keep);
    }
}

TKestBinaryData::TReadResult TKestBinaryData::DecodeLine(std::string& line)
{
    if (mode_ == bmWriting || finished_)
        return brNone;
    mode_ = bmReading;
    if (pendingCount_ != 0) {
        NextPendingLine(line);
        return brLine;
    }
    for (;;) {
        if (!ReadRecordHead())
            return brNone;
        switch (command_) {
        case bcDocument:
            RequireKeys(1);
            line.assign("document ").append(KeyText(0));
            return brLine;
        case bcClipboard:
            line.assign("clipboard");
            return brLine;
        case bcLibrary:
            RequireKeys(1);
            line.assign("library ").append(KeyText(0));
            return brLine;
        case bcObject:
            RequireKeys(2);
            line.assign("object ").append(KeyText(0)).append(": ").append(KeyText(1));
            return brLine;
        case bcValue:
            DecodeValue(line);
            return brLine;
        case bcProperty:
            RequireKeys(1);
            line.assign("property ").append(KeyText(0));
            return brLine;
        case bcEnd:
            line.assign("end");
            return brLine;
        case bcTrim:
            ReadTrim();
            continue;
        case bcFinish:
            finished_ = true;
            return brText;
        default:
            if (command_ >= bcFirstSkipped) {
                line.clear();
                return brLine;
            }
            finished_ = true;
            return brNone;
        }
    }
}

TKestBinaryData::TReadResult TKestBinaryData::SkipRecords(int& depth)
{
    if (mode_ == bmWriting || finished_)
        return brNone;
    mode_ = bmReading;
    // Lines still owed by a value belong to no block; their bytes are
    // passed over with the rest of the payload.
    pendingCount_ = 0;
    while (depth > 0) {
        if (!ReadRecordHead())
            return brNone;
        switch (command_) {
        case bcObject:
        case bcProperty:
            ++depth;
            break;
        case bcEnd:
            --depth;
            break;
        case bcTrim:
            ReadTrim();
            break;
        case bcFinish:
            finished_ = true;
            return brText;
        default:
            if (command_ == 0 || (command_ > bcFinish && command_ < bcFirstSkipped)) {
                finished_ = true;
                return brNone;
            }
            break;
        }
    }
    return brLine;
}

void TKestBinaryData::DecodeValue(std::string& line)
{
    RequireKeys(1);
    uint8_t raw[8];
    ReadPayload(raw, 4);
    const uint32_t type = FromLE<uint32_t>(raw);
    line.assign(KeyText(0)).append(" = ");
    switch (type) {
    case btSmallint:
        ReadPayload(raw, 2);
        AppendNumber(line, FromLE<int16_t>(raw));
        break;
    case btInteger:
        ReadPayload(raw, 4);
        AppendNumber(line, FromLE<int32_t>(raw));
        break;
    case btSingle:
        ReadPayload(raw, 4);
        line.append(FloatToStrDot(FromLE<float>(raw)));
        break;
    case btDouble:
    case btDate:
        ReadPayload(raw, 8);
        line.append(FloatToStrDot(FromLE<double>(raw)));
        break;
    case btCurrency:
        ReadPayload(raw, 8);
        line.append(FloatToStrDot(static_cast<double>(FromLE<int64_t>(raw)) / 10000.0));
        break;
    case btBoolean:
        ReadPayload(raw, 4);
        line.append(FromLE<int32_t>(raw) != 0 ? "True" : "False");
        break;
    case btShortint:
        ReadPayload(raw, 1);
        AppendNumber(line, FromLE<int8_t>(raw));
        break;
    case btByte:
        ReadPayload(raw, 1);
        AppendNumber(line, raw[0]);
        break;
    case btWord:
        ReadPayload(raw, 2);
        AppendNumber(line, FromLE<uint16_t>(raw));
        break;
    case btLongWord:
        ReadPayload(raw, 4);
        AppendNumber(line, FromLE<uint32_t>(raw));
        break;
    case btString: {
        ReadPayload(raw, 4);
        const uint32_t index = FromLE<uint32_t>(raw);
        if (index >= inKeyCount_)
            filer_.ReadError("Stream read error: text value names key " + std::to_string(index) + " of "
                + std::to_string(inKeyCount_));
        const std::string_view text = KeyText(index);
        if (NeedsQuoting(text))
            line.append("'").append(text).append("'");
        else
            line.append(text);
        break;
    }
    case btStrings: {
        ReadPayload(raw, 4);
        const uint32_t count = FromLE<uint32_t>(raw);
        if (count > payloadLeft_ / 4)
            filer_.ReadError(
                "Stream read error: " + std::to_string(count) + " list elements do not fit the rest of the record");
        line.append(count == 0 ? "( )" : "(");
        pendingKind_ = btStrings;
        pendingCount_ = count;
        break;
    }
    case btBytes:
        line.append(payloadLeft_ == 0 ? "{ }" : "{");
        pendingKind_ = btBytes;
        pendingCount_ = payloadLeft_;
        break;
    default:
        filer_.ReadError();
    }
}

void TKestBinaryData::NextPendingLine(std::string& line)
{
    --pendingCount_;
    uint8_t raw[4];
    if (pendingKind_ == btStrings) {
        ReadPayload(raw, 4);
        const uint32_t length = FromLE<uint32_t>(raw);
        if (length > payloadLeft_)
            filer_.ReadError("Stream read error: a list element of " + std::to_string(length)
                + " bytes runs past the end of its record");
        line.assign("'");
        filer_.ReadAppend(line, length);
        payloadLeft_ -= length;
        line.append(pendingCount_ == 0 ? "' )" : "'");
    } else {
        ReadPayload(raw, 1);
        const char* digits = HexDigits(raw[0]);
        line.resize(2);
        line[0] = digits[0];
        line[1] = digits[1];
        if (pendingCount_ == 0)
            line.append(" }");
    }
}

} // namespace kest
