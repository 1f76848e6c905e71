#include "KestBinaryData.h"

#include <charconv>
#include <cstring>
#include <limits>

#include "KestFiler.h"
#include "KestUtils.h"

namespace kest {

namespace {

void PutU16(std::string& out, uint16_t v)
{
    const char bytes[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    out.append(bytes, 2);
}

void PutU32(std::string& out, uint32_t v)
{
    const char bytes[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
        static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
    out.append(bytes, 4);
}

std::string_view SkipBlanks(std::string_view text)
{
    const size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

std::string_view TrimTrailingBlanks(std::string_view text)
{
    const size_t last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

// The keyword's argument: after the keyword and one separator character,
// skipping one more blank if present.
std::string_view KeywordArgument(std::string_view line, size_t keywordLength)
{
    size_t pos = keywordLength + 1;
    if (pos < line.size() && line[pos] == ' ')
        ++pos;
    return pos < line.size() ? line.substr(pos) : std::string_view();
}

// A "-" or digit "1"-"9" followed by digits only, whose 32-bit value prints
// back as the same text; anything else ("-0", "007", "1e5") stays text.
bool ParseCanonicalInt32(std::string_view text, int32_t& value)
{
    int64_t v = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), v);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size())
        return false;
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        return false;
    char digits[16];
    const auto printed = std::to_chars(digits, digits + sizeof(digits), v);
    if (std::string_view(digits, printed.ptr - digits) != text)
        return false;
    value = static_cast<int32_t>(v);
    return true;
}

} // namespace

TKestBinaryData::TKestBinaryData(TKestFiler& filer)
    : filer_(filer)
{
}

void TKestBinaryData::Reset()
{
    mode_ = bmIdle;
    finished_ = false;
    writeDict_.clear();
    writeIds_.clear();
    outKeys_.clear();
    collectKind_ = 0;
    collectName_.clear();
    collect_.clear();
    collectCount_ = 0;
    readDict_.clear();
    readTexts_.clear();
    inKeyCount_ = 0;
    inKeyBytes_.clear();
    payloadLeft_ = 0;
    pendingCount_ = 0;
    filer_.hexRun_ = 0;
}

// ---------------------------------------------------------------- writing

void TKestBinaryData::StartWriting()
{
    if (mode_ != bmIdle)
        return;
    mode_ = bmWriting;
    filer_.WriteBytes("kestbinary\r\n", 12);
}

void TKestBinaryData::Finish()
{
    if (mode_ != bmWriting || finished_)
        return;
    // An unclosed multi-line value still holds data; keep it.
    if (collectKind_ != 0)
        WriteCollected();
    WriteRecord(bcFinish, {}, {});
    finished_ = true;
}

void TKestBinaryData::EncodeLine(std::string_view line)
{
    if (mode_ == bmReading || finished_)
        return;
    line = SkipBlanks(line);
    if (collectKind_ != 0) {
        CollectLine(line);
        return;
    }
    // An empty line carries nothing and has no record of its own.
    if (line.empty() || line.starts_with("kestbinary"))
        return;
    if (line.starts_with("document"))
        EncodeKeyword(bcDocument, KeywordArgument(line, 8));
    else if (line.starts_with("clipboard"))
        EncodeKeyword(bcClipboard, {});
    else if (line.starts_with("library"))
        EncodeKeyword(bcLibrary, KeywordArgument(line, 7));
    else if (line.starts_with("object"))
        EncodeObject(KeywordArgument(line, 6));
    else if (line.starts_with("property"))
        EncodeKeyword(bcProperty, KeywordArgument(line, 8));
    else if (line.starts_with("end"))
        EncodeKeyword(bcEnd, {});
    else
        EncodeProperty(line);
}

void TKestBinaryData::EncodeKeyword(TCommand command, std::string_view argument)
{
    StartWriting();
    outKeys_.clear();
    if (command == bcDocument || command == bcLibrary || command == bcProperty)
        AddKey(argument);
    WriteRecord(command, outKeys_, {});
}

void TKestBinaryData::EncodeObject(std::string_view argument)
{
    const size_t colon = argument.rfind(':');
    if (colon == std::string_view::npos)
        filer_.WriteError();
    const std::string name = TrimBlanks(argument.substr(0, colon));
    const std::string className = TrimBlanks(argument.substr(colon + 1));
    StartWriting();
    outKeys_.clear();
    AddKey(name);
    AddKey(className);
    WriteRecord(bcObject, outKeys_, {});
}

void TKestBinaryData::EncodeProperty(std::string_view line)
{
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        filer_.WriteError();
    const std::string name = TrimBlanks(line.substr(0, eq));
    const std::string_view value = SkipBlanks(line.substr(eq + 1));
    const char first = value.empty() ? '\0' : value.front();
    const char last = value.empty() ? '\0' : value.back();
    StartWriting();
    if (first == '-' || (first >= '1' && first <= '9')) {
        int32_t number = 0;
        if (ParseCanonicalInt32(value, number))
            WriteScalar(name, btInteger, &number, sizeof(number));
        else
            WriteTextValue(name, value);
    } else if (first == '\'') {
        if (value.size() < 2 || last != '\'')
            filer_.WriteError();
        WriteTextValue(name, value.substr(1, value.size() - 2));
    } else if (first == '(' || first == '{') {
        const bool isList = first == '(';
        collectKind_ = isList ? btStrings : btBytes;
        collectName_ = name;
        collect_.clear();
        collectCount_ = 0;
        // Opened and closed on one line: an empty value.
        if (value.size() > 1 && last == (isList ? ')' : '}'))
            WriteCollected();
    } else if (value == "True" || value == "False") {
        const int32_t flag = value == "True" ? 1 : 0;
        WriteScalar(name, btBoolean, &flag, sizeof(flag));
    } else {
        WriteTextValue(name, value);
    }
}

void TKestBinaryData::CollectLine(std::string_view line)
{
    const char closer = collectKind_ == btStrings ? ')' : '}';
    const bool last = !line.empty() && line.back() == closer;
    if (last)
        line.remove_suffix(1);
    line = TrimTrailingBlanks(line);
    if (collectKind_ == btStrings) {
        if (line.size() > 1 && line.front() == '\'' && line.back() == '\'') {
            const std::string_view element = line.substr(1, line.size() - 2);
            PutU32(collect_, static_cast<uint32_t>(element.size()));
            collect_.append(element);
            ++collectCount_;
        }
    } else {
        for (size_t i = 0; i + 1 < line.size(); i += 2) {
            uint8_t byte = 0;
            if (!HexToByte(line.data() + i, byte))
                filer_.WriteError(
                    "Stream write error: \"" + std::string(line) + "\" is not hexadecimal data of " + collectName_);
            collect_.push_back(static_cast<char>(byte));
        }
    }
    if (collect_.size() > kMaxRecordSize)
        filer_.WriteError("Stream write error: the value of " + collectName_ + " exceeds the record limit");
    if (last)
        WriteCollected();
}

void TKestBinaryData::WriteCollected()
{
    std::string head;
    PutU32(head, collectKind_);
    if (collectKind_ == btStrings)
        PutU32(head, collectCount_);
    const std::string name = std::move(collectName_);
    collectKind_ = 0;
    outKeys_.clear();
    AddKey(name);
    WriteRecord(bcValue, outKeys_, head, collect_);
    collect_.clear();
    collectName_.clear();
}

void TKestBinaryData::EncodeValue(std::string_view name, const TPropValue& value)
{
    if (mode_ == bmReading || finished_ || IsEmptyValue(value))
        return;
    StartWriting();
    if (const auto* v = std::get_if<int32_t>(&value)) {
        WriteScalar(name, btInteger, v, sizeof(*v));
    } else if (std::holds_alternative<int64_t>(value)) {
        filer_.WriteError();
    } else if (const auto* v = std::get_if<bool>(&value)) {
        const int32_t flag = *v ? 1 : 0;
        WriteScalar(name, btBoolean, &flag, sizeof(flag));
    } else if (const auto* v = std::get_if<double>(&value)) {
        WriteScalar(name, btDouble, v, sizeof(*v));
    } else if (const auto* v = std::get_if<std::string>(&value)) {
        WriteTextValue(name, *v);
    } else if (const auto* v = std::get_if<TStrings>(&value)) {
        std::string payload;
        PutU32(payload, btStrings);
        PutU32(payload, static_cast<uint32_t>(v->size()));
        for (const std::string& element : *v) {
            if (payload.size() + element.size() > kMaxRecordSize)
                filer_.WriteError(
                    "Stream write error: the value of " + std::string(name) + " exceeds the record limit");
            PutU32(payload, static_cast<uint32_t>(element.size()));
            payload.append(element);
        }
        outKeys_.clear();
        AddKey(name);
        WriteRecord(bcValue, outKeys_, payload);
    } else if (const auto* v = std::get_if<TBytes>(&value)) {
        std::string head;
        PutU32(head, btBytes);
        outKeys_.clear();
        AddKey(name);
        WriteRecord(bcValue, outKeys_, head, std::string_view(reinterpret_cast<const char*>(v->data()), v->size()));
    }
}

void TKestBinaryData::WriteTextValue(std::string_view name, std::string_view text)
{
    std::string payload;
    PutU32(payload, btString);
    PutU32(payload, 1); // the text is key 1
    outKeys_.clear();
    AddKey(name);
    AddKey(text);
    WriteRecord(bcValue, outKeys_, payload);
}

void TKestBinaryData::WriteScalar(std::string_view name, TValueType type, const void* value, size_t size)
{
    std::string payload;
    PutU32(payload, type);
    // Scalars are 32 or 64 bits wide; written byte by byte as little-endian.
    if (size == 4) {
        uint32_t bits = 0;
        std::memcpy(&bits, value, 4);
        PutU32(payload, bits);
    } else {
        uint64_t bits = 0;
        std::memcpy(&bits, value, 8);
        PutU32(payload, static_cast<uint32_t>(bits));
        PutU32(payload, static_cast<uint32_t>(bits >> 32));
    }
    outKeys_.clear();
    AddKey(name);
    WriteRecord(bcValue, outKeys_, payload);
}

void TKestBinaryData::AddKey(std::string_view text)
{
    if (text.empty()) {
        outKeys_.push_back({text, kKeyInline});
        return;
    }
    if (const auto found = writeDict_.find(text); found != writeDict_.end()) {
        outKeys_.push_back({text, found->second});
        return;
    }
    if (writeIds_.size() >= kDictionaryLimit)
        TrimWriteDictionary();
    const auto id = static_cast<uint32_t>(writeIds_.size());
    const auto inserted = writeDict_.emplace(std::string(text), id).first;
    writeIds_.push_back(&inserted->first);
    outKeys_.push_back({text, kKeyInline});
}

void TKestBinaryData::TrimWriteDictionary()
{
    std::string count;
    PutU32(count, kTrimCount);
    WriteRecord(bcTrim, {}, count);

    const size_t keep = writeIds_.size() > kTrimCount ? writeIds_.size() - kTrimCount : 1;
    while (writeIds_.size() > keep) {
        writeDict_.erase(writeDict_.find(*writeIds_.back()));
        writeIds_.pop_back();
    }
    // Keys of the record being built that pointed at dropped entries carry
    // their text again. They must stay out of the reader's dictionary, or
    // its ids would run ahead of ours for the rest of the block.
    for (TOutKey& key : outKeys_) {
        if ((key.word & kKeyInline) == 0 && key.word >= keep)
            key.word = kKeyInline | kKeyNoAdd;
    }
}

void TKestBinaryData::WriteRecord(
    TCommand command, std::span<const TOutKey> keys, std::string_view payloadHead, std::string_view payloadBody)
{
    auto number = [](const TOutKey& key) -> uint64_t {
        return (key.word & kKeyInline) != 0 ? key.text.size() : (key.word & kKeyIdMask);
    };
    auto width = [](uint64_t n) -> size_t { return n < 256 ? 1 : n <= 65535 ? 2 : 4; };
    uint64_t size = kRecordHeaderSize + payloadHead.size() + payloadBody.size();
    for (const TOutKey& key : keys)
        size += 1 + width(number(key)) + ((key.word & kKeyInline) != 0 ? key.text.size() : 0);
    if (size > kMaxRecordSize)
        filer_.WriteError("Stream write error: a record of " + std::to_string(size) + " bytes exceeds the limit of "
            + std::to_string(kMaxRecordSize));

    outRecord_.clear();
    PutU16(outRecord_, command);
    PutU16(outRecord_, static_cast<uint16_t>(keys.size()));
    PutU32(outRecord_, static_cast<uint32_t>(size));
    for (const TOutKey& key : keys) {
        const auto n = static_cast<uint32_t>(number(key));
        uint8_t flag = (key.word & kKeyInline) != 0 ? 0 : kFlagId;
        if ((key.word & kKeyNoAdd) != 0)
            flag |= kFlagNoAdd;
        switch (width(n)) {
        case 1:
            outRecord_.push_back(static_cast<char>(flag | 1));
            outRecord_.push_back(static_cast<char>(n));
            break;
        case 2:
            outRecord_.push_back(static_cast<char>(flag | 2));
            PutU16(outRecord_, static_cast<uint16_t>(n));
            break;
        default:
            outRecord_.push_back(static_cast<char>(flag | 3));
            PutU32(outRecord_, n);
        }
        if ((key.word & kKeyInline) != 0)
            outRecord_.append(key.text);
    }
    outRecord_.append(payloadHead);
    filer_.WriteBytes(outRecord_.data(), outRecord_.size());
    if (!payloadBody.empty())
        filer_.WriteBytes(payloadBody.data(), payloadBody.size());
}

} // namespace kest
