// Reading the binary form: each record back into the text line it stands
// for. The commonest records lying whole in the buffer take the shortest
// way, other sound records in the buffer a short one, and everything else
// the careful one.
#include "KestBinaryData.h"

#include <bit>
#include <cstring>

#include "KestFiler.h"
#include "KestUtils.h"

namespace kest {

using namespace std::string_view_literals;

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

// Pieces of 16 bytes and more: 16-byte steps, the last one overlapping.
void CopyLongPiece(char* out, const char* in, size_t n)
{
    if (n > 256) {
        std::memcpy(out, in, n);
        return;
    }
    char chunk[16];
    for (size_t i = 0; i + 16 < n; i += 16) {
        std::memcpy(chunk, in + i, 16);
        std::memcpy(out + i, chunk, 16);
    }
    std::memcpy(chunk, in + n - 16, 16);
    std::memcpy(out + n - 16, chunk, 16);
}

// Lines are assembled from a few short pieces. A library copy costs more
// than the copy itself for a few bytes, so short pieces are moved inline
// with two overlapping moves of 8 or 4 bytes.
[[gnu::always_inline]] inline void CopyPiece(char* out, const char* in, size_t n)
{
    if (n >= 16) {
        CopyLongPiece(out, in, n);
    } else if (n >= 8) {
        uint64_t head = 0;
        uint64_t tail = 0;
        std::memcpy(&head, in, 8);
        std::memcpy(&tail, in + n - 8, 8);
        std::memcpy(out, &head, 8);
        std::memcpy(out + n - 8, &tail, 8);
    } else if (n >= 4) {
        uint32_t head = 0;
        uint32_t tail = 0;
        std::memcpy(&head, in, 4);
        std::memcpy(&tail, in + n - 4, 4);
        std::memcpy(out, &head, 4);
        std::memcpy(out + n - 4, &tail, 4);
    } else if (n > 0) {
        out[0] = in[0];
        out[n / 2] = in[n / 2];
        out[n - 1] = in[n - 1];
    }
}

// An integer of up to 32 bits, signed or not, as a piece of a line. Its
// digits are computed side by side in one register and stored with two
// overlapping moves, so that neither their number nor the copy of a text
// built elsewhere costs a branch to mispredict.
class TDecimal {
public:
    explicit TDecimal(int64_t value)
        : magnitude_(static_cast<uint32_t>(value < 0 ? -value : value))
        , negative_(value < 0)
    {
        static constexpr uint32_t kPowers[] = {
            1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
        // log10 from the bit width, less one below the power it points at
        // (0 has a digit, like 1).
        const uint32_t atLeastOne = magnitude_ | 1;
        const uint32_t guess = static_cast<uint32_t>(std::bit_width(atLeastOne) * 1233) >> 12;
        digits_ = guess + (atLeastOne >= kPowers[guess] ? 1 : 0);
    }
    size_t size() const { return digits_ + (negative_ ? 1 : 0); }
    void Put(char* out) const
    {
        out[0] = '-';
        out += negative_ ? 1 : 0;
        uint32_t low = magnitude_;
        uint32_t digits = digits_;
        if (digits > 8) {
            const uint32_t high = magnitude_ / 100000000;
            low = magnitude_ % 100000000;
            if (digits == 10)
                *out++ = static_cast<char>('0' + high / 10);
            *out++ = static_cast<char>('0' + high % 10);
            digits = 8;
        }
        // The leading zeros shifted out; the first digit in the lowest byte.
        const uint64_t text = EightDigits(low) >> (8 * (8 - digits));
        if (digits >= 4) {
            const auto head = static_cast<uint32_t>(text);
            const auto tail = static_cast<uint32_t>(text >> (8 * (digits - 4)));
            std::memcpy(out, &head, 4);
            std::memcpy(out + digits - 4, &tail, 4);
        } else {
            out[0] = static_cast<char>(text);
            out[digits / 2] = static_cast<char>(text >> (8 * (digits / 2)));
            out[digits - 1] = static_cast<char>(text >> (8 * (digits - 1)));
        }
    }

private:
    // The eight digits of value (below 10^8) as text, the most significant
    // in the lowest byte: halves, quarters and single digits split side by
    // side, each division a multiplication by a reciprocal.
    static uint64_t EightDigits(uint32_t value)
    {
        const uint64_t high = value / 10000;
        uint64_t v = high | (static_cast<uint64_t>(value - high * 10000) << 32);
        uint64_t q = ((v * 10486) >> 20) & 0x0000007F0000007Full; // each half / 100
        v = q | ((v - q * 100) << 16);
        q = ((v * 103) >> 10) & 0x000F000F000F000Full; // each quarter / 10
        v = q | ((v - q * 10) << 8);
        return v + 0x3030303030303030ull;
    }

    uint32_t magnitude_;
    bool negative_;
    uint32_t digits_;
};

[[gnu::always_inline]] inline size_t PieceSize(std::string_view piece)
{
    return piece.size();
}

[[gnu::always_inline]] inline size_t PieceSize(const TDecimal& piece)
{
    return piece.size();
}

[[gnu::always_inline]] inline char* PutPiece(char* out, std::string_view piece)
{
    CopyPiece(out, piece.data(), piece.size());
    return out + piece.size();
}

[[gnu::always_inline]] inline char* PutPiece(char* out, const TDecimal& piece)
{
    piece.Put(out);
    return out + piece.size();
}

// Sets line to the pieces one after another, with one size change. A line
// no longer than the one before is cut inline; only a longer one calls out.
template <typename... Pieces> [[gnu::always_inline]] inline void SetLine(std::string& line, const Pieces&... pieces)
{
    const size_t length = (PieceSize(pieces) + ...);
    if (length <= line.size())
        line.erase(length);
    else
        line.resize(length);
    char* out = line.data();
    ((out = PutPiece(out, pieces)), ...);
}

// Bytes of the value that follows each type code with a fixed width (a text
// value's is the index of its key); 0 for the others.
[[gnu::always_inline]] constexpr uint32_t ScalarWidth(uint32_t type)
{
    using B = TKestBinaryData;
    switch (type) {
    case B::btShortint:
    case B::btByte:
        return 1;
    case B::btSmallint:
    case B::btWord:
        return 2;
    case B::btInteger:
    case B::btSingle:
    case B::btBoolean:
    case B::btLongWord:
    case B::btString:
        return 4;
    case B::btDouble:
    case B::btCurrency:
    case B::btDate:
        return 8;
    default:
        return 0;
    }
}

} // namespace

[[gnu::always_inline]] inline bool TKestBinaryData::NextRecord()
{
    if (payloadLeft_ != 0) {
        filer_.SkipExact(payloadLeft_);
        payloadLeft_ = 0;
    }
    return ReadBufferedHead() || ReadRecordHead();
}

bool TKestBinaryData::ReadRecordHead()
{
    uint8_t header[kRecordHeaderSize];
    const size_t got = filer_.ReadUpTo(header, sizeof(header));
    if (got == 0)
        return false;
    if (got != sizeof(header))
        filer_.ReadError();
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

// Any sound record lying whole in the filer's buffer, its keys read with
// plain pointer steps. Anything else (a record reaching past the
// buffered bytes, a malformed key, a full dictionary) is left untouched to
// the careful path, which refills as it goes and reports the faults.
[[gnu::always_inline]] inline bool TKestBinaryData::ReadBufferedHead()
{
    const size_t buffered = filer_.Buffered();
    const uint8_t* const record = filer_.buffer_.get() + filer_.bufferPos_;
    if (buffered < kRecordHeaderSize)
        return false;
    const uint32_t keyCount = FromLE<uint16_t>(record + 2);
    const uint32_t size = FromLE<uint32_t>(record + 4);
    // Every key takes at least 2 bytes.
    if (size > buffered || size < kRecordHeaderSize + 2 * keyCount)
        return false;
    if (inKeys_.size() < keyCount)
        inKeys_.resize(keyCount);
    const uint8_t* p = record + kRecordHeaderSize;
    const uint8_t* const end = record + size;
    TInKey* const keys = inKeys_.data();
    size_t entries = readDict_.size();
    const size_t entriesBefore = entries;
    inKeyBytes_.clear();
    for (uint32_t i = 0; i < keyCount; ++i) {
        // Most keys are names already in the dictionary under a one-byte id.
        // p is never past the record's end here, so both bytes lie in the
        // buffer or its slack.
        if (p[0] == (kFlagId | 1)) {
            if (end - p < 2 || p[1] >= entries)
                return RollBackHead(entriesBefore);
            keys[i].word = p[1];
            p += 2;
            continue;
        }
        // Widths 1, 2 and 3 stand for 1, 2 and 4 bytes. The flag and the
        // number are read before the bounds test, and the number as 4 bytes
        // masked: that may look past the record, never past the buffer's
        // slack.
        static constexpr uint32_t kWidthMask[4] = {0, 0xFF, 0xFFFF, 0xFFFFFFFF};
        const uint8_t flag = p[0];
        const uint32_t width = flag & kFlagWidthMask;
        const uint32_t bytes = (1u << width) >> 1;
        const uint32_t number = FromLE<uint32_t>(p + 1) & kWidthMask[width];
        p += 1 + bytes;
        if (width == 0 || p > end)
            return RollBackHead(entriesBefore);
        if ((flag & kFlagId) != 0) {
            if (number >= entries)
                return RollBackHead(entriesBefore);
            keys[i].word = number;
            continue;
        }
        if (number > static_cast<size_t>(end - p))
            return RollBackHead(entriesBefore);
        const std::string_view text(reinterpret_cast<const char*>(p), number);
        p += number;
        if ((flag & kFlagNoAdd) != 0 || number == 0) {
            keys[i] = {kKeyInline, static_cast<uint32_t>(inKeyBytes_.size()), number};
            inKeyBytes_.append(text).append(kValueSeparator);
            continue;
        }
        if (entries >= kMaxReadDictionary)
            return RollBackHead(entriesBefore);
        keys[i].word = static_cast<uint32_t>(entries++);
        AddEntry(text);
    }
    command_ = FromLE<uint16_t>(record);
    inKeyCount_ = keyCount;
    payloadLeft_ = static_cast<uint32_t>(end - p);
    filer_.bufferPos_ = static_cast<int32_t>(p - filer_.buffer_.get());
    return true;
}

bool TKestBinaryData::RollBackHead(size_t entries)
{
    if (entries < readDict_.size()) {
        readTexts_.resize(readDict_[entries].offset);
        readDict_.resize(entries);
    }
    return false;
}

void TKestBinaryData::AddEntry(std::string_view text)
{
    TEntry& entry = readDict_.emplace_back();
    entry.offset = readTexts_.size();
    entry.length = static_cast<uint32_t>(text.size());
    entry.quoted = NeedsQuoting(text);
    if (text.size() <= kEntryText) {
        std::memcpy(entry.text, text.data(), text.size());
        std::memcpy(entry.text + text.size(), kValueSeparator.data(), kValueSeparator.size());
    } else {
        readTexts_.append(text).append(kValueSeparator);
    }
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
        filer_.ReadExact(raw, bytes);
        const uint32_t number = bytes == 1 ? raw[0] : bytes == 2 ? FromLE<uint16_t>(raw) : FromLE<uint32_t>(raw);
        left -= bytes;
        if ((flag & kFlagId) != 0) {
            if (number >= readDict_.size())
                filer_.ReadError("Stream read error: dictionary id " + std::to_string(number) + " is not defined");
            inKeys_[inKeyCount_++].word = number;
            continue;
        }
        if (number > left)
            filer_.ReadError(
                "Stream read error: a key of " + std::to_string(number) + " bytes runs past the end of its record");
        left -= number;
        if ((flag & kFlagNoAdd) != 0 || number == 0) {
            inKeys_[inKeyCount_++] = {kKeyInline, static_cast<uint32_t>(inKeyBytes_.size()), number};
            filer_.ReadAppend(inKeyBytes_, number);
            inKeyBytes_.append(kValueSeparator);
            continue;
        }
        if (readDict_.size() >= kMaxReadDictionary)
            filer_.ReadError(
                "Stream read error: the dictionary exceeds " + std::to_string(kMaxReadDictionary) + " entries");
        inKeys_[inKeyCount_++].word = static_cast<uint32_t>(readDict_.size());
        // Read as it arrives: a hostile length never allocates more than
        // the data really there.
        std::string text;
        filer_.ReadAppend(text, number);
        AddEntry(text);
    }
}

[[gnu::always_inline]] inline std::string_view TKestBinaryData::KeyText(uint32_t index) const
{
    const TInKey& key = inKeys_[index];
    if ((key.word & kKeyInline) != 0)
        return std::string_view(inKeyBytes_.data() + key.offset, key.length);
    return EntryText(readDict_[key.word]);
}

[[gnu::always_inline]] inline std::string_view TKestBinaryData::EntryText(const TEntry& entry) const
{
    return std::string_view(entry.length <= kEntryText ? entry.text : readTexts_.data() + entry.offset, entry.length);
}

// The start of a value line named by an entry: its text and the separator
// that follows it in memory.
[[gnu::always_inline]] inline std::string_view TKestBinaryData::ValueHead(const TEntry& entry) const
{
    const std::string_view name = EntryText(entry);
    return std::string_view(name.data(), name.size() + kValueSeparator.size());
}

bool TKestBinaryData::KeyNeedsQuoting(uint32_t index) const
{
    const TInKey& key = inKeys_[index];
    return (key.word & kKeyInline) != 0 ? NeedsQuoting(KeyText(index)) : readDict_[key.word].quoted;
}

// The start of a value line: the property name (key 0) and the separator
// that follows every key text in memory.
[[gnu::always_inline]] inline std::string_view TKestBinaryData::ValueLineHead() const
{
    const std::string_view name = KeyText(0);
    return std::string_view(name.data(), name.size() + kValueSeparator.size());
}

[[gnu::always_inline]] inline void TKestBinaryData::RequireKeys(uint32_t count) const
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

// The next line. The short ways: an element a string list still owes, or,
// when nothing is owed, a common record lying whole in the buffer.
[[gnu::always_inline]] inline TKestBinaryData::TReadResult TKestBinaryData::DecodeLine(std::string& line)
{
    if (mode_ == bmReading && !finished_ && filer_.hexRun_ == 0) {
        if (pendingCount_ != 0) {
            NextPendingLine(line);
            return brLine;
        }
        if (payloadLeft_ == 0 && DecodeCommonRecord(line))
            return brLine;
    }
    return DecodeOtherLine(line);
}

// Kept apart from the common records, so that their way stays short.
TKestBinaryData::TReadResult TKestBinaryData::DecodeOtherLine(std::string& line)
{
    for (;;) {
        if (mode_ != bmReading || finished_ || filer_.hexRun_ != 0 || pendingCount_ != 0 || payloadLeft_ != 0
            || !ReadBufferedHead()) {
            TReadResult result;
            if (!ReadHeadCarefully(line, result))
                return result;
        }
        if (command_ != bcTrim)
            return DecodeRecord(line);
        ReadTrim();
    }
}

// The records most lines come from, recognised whole by their first bytes
// when they lie in the buffer: "end"; "property" and a name; a 32-bit
// integer or a Boolean value; a text value. Every name and text is one
// known to the dictionary under an id of one byte (a text's id may take two).
// Any other record is left untouched.
[[gnu::always_inline]] inline bool TKestBinaryData::DecodeCommonRecord(std::string& line)
{
    // The record head: command, key count and size, read as one word (the
    // buffer's slack allows it even when fewer bytes are buffered).
    static constexpr auto kHead = [](uint64_t command, uint64_t keys, uint64_t size) {
        return command | keys << 16 | size << 32;
    };
    static constexpr uint8_t kShortId = kFlagId | 1;
    const uint8_t* const record = filer_.buffer_.get() + filer_.bufferPos_;
    const uint64_t head = FromLE<uint64_t>(record);
    if ((head >> 32) > filer_.Buffered())
        return false;
    const size_t entries = readDict_.size();
    const uint8_t* const value = record + 10; // after a one-byte id key
    // Asked only of records of 10 bytes and more.
    const auto shortName = [record, entries] { return record[8] == kShortId && record[9] < entries; };
    switch (head) {
    case kHead(bcEnd, 0, 8):
        SetLine(line, "end");
        filer_.bufferPos_ += 8;
        return true;
    case kHead(bcProperty, 1, 10):
        if (!shortName())
            return false;
        SetLine(line, "property ", EntryText(readDict_[record[9]]));
        filer_.bufferPos_ += 10;
        return true;
    case kHead(bcValue, 1, 18): {
        const uint32_t type = FromLE<uint32_t>(value);
        if (!shortName() || (type != btInteger && type != btBoolean))
            return false;
        const std::string_view lineHead = ValueHead(readDict_[record[9]]);
        const int32_t number = FromLE<int32_t>(value + 4);
        if (type == btInteger)
            SetLine(line, lineHead, TDecimal(number));
        else
            SetLine(line, lineHead, number != 0 ? "True"sv : "False"sv);
        filer_.bufferPos_ += 18;
        return true;
    }
    case kHead(bcValue, 2, 20):
    case kHead(bcValue, 2, 21): {
        // The text's key: an id of one byte or, in a record one byte longer, of two.
        const bool wide = head == kHead(bcValue, 2, 21);
        const uint32_t textId = wide ? FromLE<uint16_t>(value + 1) : value[1];
        const uint8_t* const payload = value + (wide ? 3 : 2);
        if (!shortName() || value[0] != (wide ? kFlagId | 2 : kShortId) || textId >= entries
            || FromLE<uint32_t>(payload) != btString || FromLE<uint32_t>(payload + 4) != 1)
            return false;
        const std::string_view lineHead = ValueHead(readDict_[record[9]]);
        const TEntry& text = readDict_[textId];
        if (text.quoted)
            SetLine(line, lineHead, "'", EntryText(text), "'");
        else
            SetLine(line, lineHead, EntryText(text));
        filer_.bufferPos_ += static_cast<int32_t>(head >> 32);
        return true;
    }
    default:
        break;
    }
    // A string list's first line; its elements follow as lines of their own.
    static constexpr uint32_t kListStart = 18;
    const uint32_t size = static_cast<uint32_t>(head >> 32);
    if (static_cast<uint32_t>(head) != kHead(bcValue, 1, 0) || size < kListStart || !shortName()
        || FromLE<uint32_t>(value) != btStrings)
        return false;
    const uint32_t count = FromLE<uint32_t>(value + 4);
    if (count > (size - kListStart) / 4)
        return false;
    SetLine(line, ValueHead(readDict_[record[9]]), count == 0 ? "( )"sv : "("sv);
    pendingCount_ = count;
    payloadLeft_ = size - kListStart;
    filer_.bufferPos_ += static_cast<int32_t>(kListStart);
    return true;
}

// True when the head of the next record has been read; else result tells
// what was found instead (a line still owed by a value, or the end).
bool TKestBinaryData::ReadHeadCarefully(std::string& line, TReadResult& result)
{
    result = brNone;
    if (mode_ == bmWriting || finished_)
        return false;
    mode_ = bmReading;
    if (filer_.hexRun_ != 0) {
        NextHexLine(line);
        result = brLine;
        return false;
    }
    if (pendingCount_ != 0) {
        NextPendingLine(line);
        result = brLine;
        return false;
    }
    return NextRecord();
}

// The line of the record whose head was just read.
[[gnu::always_inline]] inline TKestBinaryData::TReadResult TKestBinaryData::DecodeRecord(std::string& line)
{
    switch (command_) {
    case bcDocument:
        RequireKeys(1);
        SetLine(line, "document ", KeyText(0));
        return brLine;
    case bcClipboard:
        SetLine(line, "clipboard");
        return brLine;
    case bcLibrary:
        RequireKeys(1);
        SetLine(line, "library ", KeyText(0));
        return brLine;
    case bcObject:
        RequireKeys(2);
        SetLine(line, "object ", KeyText(0), ": ", KeyText(1));
        return brLine;
    case bcValue:
        DecodeValue(line);
        return brLine;
    case bcProperty:
        RequireKeys(1);
        SetLine(line, "property ", KeyText(0));
        return brLine;
    case bcEnd:
        SetLine(line, "end");
        return brLine;
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

TKestBinaryData::TReadResult TKestBinaryData::SkipRecords(int& depth)
{
    if (mode_ == bmWriting || finished_)
        return brNone;
    mode_ = bmReading;
    // Lines still owed by a value belong to no block; their bytes are
    // passed over with the rest of the payload.
    pendingCount_ = 0;
    payloadLeft_ += filer_.hexRun_;
    filer_.hexRun_ = 0;
    while (depth > 0) {
        if (!NextRecord())
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

[[gnu::always_inline]] inline void TKestBinaryData::DecodeValue(std::string& line)
{
    RequireKeys(1);
    // The type and a scalar value straight from the buffer when the rest of
    // the record lies there. They are read before the payload's size is
    // tested: that may look past the record, never past the buffer's slack.
    uint8_t raw[8];
    const uint8_t* value = filer_.buffer_.get() + filer_.bufferPos_ + 4;
    uint32_t type = FromLE<uint32_t>(value - 4);
    uint32_t width = ScalarWidth(type);
    if (payloadLeft_ <= filer_.Buffered() && width != 0 && payloadLeft_ >= 4 + width) {
        filer_.bufferPos_ += static_cast<int32_t>(4 + width);
        payloadLeft_ -= 4 + width;
    } else {
        ReadPayload(raw, 4);
        type = FromLE<uint32_t>(raw);
        width = ScalarWidth(type);
        ReadPayload(raw, width);
        value = raw;
    }
    int32_t number = 0;
    switch (type) {
    case btSmallint:
        number = FromLE<int16_t>(value);
        break;
    case btInteger:
        number = FromLE<int32_t>(value);
        break;
    case btShortint:
        number = FromLE<int8_t>(value);
        break;
    case btByte:
        number = value[0];
        break;
    case btWord:
        number = FromLE<uint16_t>(value);
        break;
    case btBoolean:
        SetLine(line, ValueLineHead(), FromLE<int32_t>(value) != 0 ? "True"sv : "False"sv);
        return;
    case btString: {
        const uint32_t index = FromLE<uint32_t>(value);
        if (index >= inKeyCount_)
            filer_.ReadError("Stream read error: text value names key " + std::to_string(index) + " of "
                + std::to_string(inKeyCount_));
        const std::string_view text = KeyText(index);
        if (KeyNeedsQuoting(index))
            SetLine(line, ValueLineHead(), "'", text, "'");
        else
            SetLine(line, ValueLineHead(), text);
        return;
    }
    default:
        DecodeRareValue(line, type, value);
        return;
    }
    SetLine(line, ValueLineHead(), TDecimal(number));
}

// Values of the types that documents hold few of; value points at the
// value's bytes when its type has a fixed width.
void TKestBinaryData::DecodeRareValue(std::string& line, uint32_t type, const uint8_t* value)
{
    const std::string_view head = ValueLineHead();
    uint8_t raw[4];
    switch (type) {
    case btSingle:
        SetLine(line, head, FloatToStrDot(FromLE<float>(value)));
        break;
    case btDouble:
    case btDate:
        SetLine(line, head, FloatToStrDot(FromLE<double>(value)));
        break;
    case btCurrency:
        SetLine(line, head, FloatToStrDot(static_cast<double>(FromLE<int64_t>(value)) / 10000.0));
        break;
    case btLongWord:
        SetLine(line, head, TDecimal(FromLE<uint32_t>(value)));
        break;
    case btStrings: {
        ReadPayload(raw, 4);
        const uint32_t count = FromLE<uint32_t>(raw);
        if (count > payloadLeft_ / 4)
            filer_.ReadError(
                "Stream read error: " + std::to_string(count) + " list elements do not fit the rest of the record");
        SetLine(line, head, count == 0 ? "( )"sv : "("sv);
        pendingCount_ = count;
        break;
    }
    case btBytes:
        SetLine(line, head, payloadLeft_ == 0 ? "{ }"sv : "{"sv);
        filer_.hexRun_ = payloadLeft_;
        payloadLeft_ = 0;
        break;
    default:
        filer_.ReadError();
    }
}

[[gnu::always_inline]] inline void TKestBinaryData::NextPendingLine(std::string& line)
{
    --pendingCount_;
    uint8_t raw[4];
    ReadPayload(raw, 4);
    const uint32_t length = FromLE<uint32_t>(raw);
    if (length > payloadLeft_)
        filer_.ReadError("Stream read error: a list element of " + std::to_string(length)
            + " bytes runs past the end of its record");
    payloadLeft_ -= length;
    const std::string_view closing = pendingCount_ == 0 ? "' )"sv : "'"sv;
    if (length <= filer_.Buffered()) {
        const auto* element = reinterpret_cast<const char*>(filer_.buffer_.get() + filer_.bufferPos_);
        SetLine(line, "'", std::string_view(element, length), closing);
        filer_.bufferPos_ += static_cast<int32_t>(length);
        return;
    }
    line.assign("'");
    filer_.ReadAppend(line, length);
    line.append(closing);
}

// A hex line the filer's short way did not take: the value's last, or one
// whose byte is not buffered yet.
void TKestBinaryData::NextHexLine(std::string& line)
{
    uint8_t byte = 0;
    filer_.ReadExact(&byte, 1);
    --filer_.hexRun_;
    TKestFiler::PutHexLine(line, byte);
    if (filer_.hexRun_ == 0)
        line.append(" }");
}

bool TKestFiler::LoadBinaryLine(std::string& line)
{
    const TKestBinaryData::TReadResult result = binaryData_->DecodeLine(line);
    if (result == TKestBinaryData::brText) {
        SetBinary(false);
        return LoadTextLine(line);
    }
    DoProgress(ppLoad);
    if (result == TKestBinaryData::brNone)
        line.clear();
    return result == TKestBinaryData::brLine;
}

} // namespace kest
