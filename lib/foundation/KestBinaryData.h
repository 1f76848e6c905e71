// TKestBinaryData: the compact binary form of document lines. Inside a text
// stream, a "kestbinary" line opens a block of little-endian records (one per
// line, keys shared through a string dictionary) closed by an end record.
// Owned and driven by TKestFiler; callers only ever see text lines.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "KestFiler.h"
#include "KestValue.h"

namespace kest {

class TKestBinaryData {
public:
    enum TMode : uint8_t { bmIdle = 0, bmReading = 1, bmWriting = 2 };

    enum TCommand : uint16_t {
        bcDocument = 1,
        bcClipboard = 2,
        bcLibrary = 3,
        bcObject = 4,
        bcValue = 5,
        bcProperty = 6,
        bcEnd = 7,
        bcTrim = 8,
        bcFinish = 9,
        bcFirstSkipped = 4096
    };

    // Type codes of value records.
    enum TValueType : uint32_t {
        btSmallint = 2,
        btInteger = 3,
        btSingle = 4,
        btDouble = 5,
        btCurrency = 6,
        btDate = 7,
        btBoolean = 11,
        btShortint = 16,
        btByte = 17,
        btWord = 18,
        btLongWord = 19,
        btInt64 = 20,
        btString = 256,
        btStrings = 512,
        btBytes = 513
    };

    // Outcome of a decoding step.
    enum TReadResult : uint8_t {
        brLine, // a line (or, when skipping, the block's depth reached 0)
        brNone, // no more lines: end of data or end of reading
        brText // the end record: the stream is text again
    };

    static constexpr uint32_t kDictionaryLimit = 65536;
    static constexpr uint32_t kTrimCount = 8192;
    static constexpr uint32_t kRecordHeaderSize = 8;
    // Every size in a record comes from the file; none may exceed this.
    static constexpr uint32_t kMaxRecordSize = 1u << 30;
    // The writer never keeps more than kDictionaryLimit entries; a reader
    // bounds its own list so hostile blocks cannot inflate it without end.
    static constexpr uint32_t kMaxReadDictionary = 1u << 20;

    explicit TKestBinaryData(TKestFiler& filer);
    TKestBinaryData(const TKestBinaryData&) = delete;
    TKestBinaryData& operator=(const TKestBinaryData&) = delete;

    TMode Mode() const { return mode_; }
    bool Finished() const { return finished_; }
    size_t DictionaryCount() const { return mode_ == bmWriting ? writeIds_.size() : readDict_.size(); }
    // Back to idle with an empty dictionary; nothing is written.
    void Reset();

    // Writing. Ignored while reading.
    void EncodeLine(std::string_view line);
    void EncodeValue(std::string_view name, const TPropValue& value);
    // Writes a pending multi-line value and the end record when writing.
    void Finish();

    // Reading. Nothing is read while writing.
    TReadResult DecodeLine(std::string& line);
    // Passes over records until depth reaches 0 (object and property records
    // open a level, end records close one), keeping the dictionary in step.
    TReadResult SkipRecords(int& depth);

private:
    // Key word: inline text, else bits 0..29 are a dictionary id; the last
    // bit keeps an inline text out of the dictionary.
    static constexpr uint32_t kKeyInline = 1u << 30;
    static constexpr uint32_t kKeyNoAdd = 1u << 31;
    static constexpr uint32_t kKeyIdMask = kKeyInline - 1;
    // Flag byte in front of a key in the file: the width of its number
    // (1, 2 or 3 for 1, 2 or 4 bytes), the number is a dictionary id, the
    // inline text stays out of the dictionary.
    static constexpr uint8_t kFlagWidthMask = 3;
    static constexpr uint8_t kFlagId = 4;
    static constexpr uint8_t kFlagNoAdd = 8;
    // Follows every key text the reader keeps, so that a value line starts
    // with one copy.
    static constexpr std::string_view kValueSeparator = " = ";

    struct TOutKey {
        std::string_view text;
        uint32_t word;
    };
    // A key of the record being read: a dictionary id, or inline text kept
    // out of the dictionary at offset in inKeyBytes_ (followed by the value
    // separator, like the dictionary's texts).
    struct TInKey {
        uint32_t word;
        uint32_t offset;
        uint32_t length;
    };
    // A reader's dictionary entry. A short text (most names are) lives in
    // the entry itself, so that a reference costs one cache line; a longer
    // one lives in readTexts_. offset is where the entry's long text starts
    // or would start, so that a trim just cuts the block there.
    static constexpr uint32_t kEntryText = 16;
    struct alignas(32) TEntry {
        uint64_t offset;
        uint32_t length;
        bool quoted; // a text value of this text needs quotes
        char text[kEntryText + kValueSeparator.size()];
    };
    struct THash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view> {}(s); }
    };

    // Writing.
    void StartWriting();
    void EncodeKeyword(TCommand command, std::string_view argument);
    void EncodeObject(std::string_view argument);
    void EncodeProperty(std::string_view line);
    void CollectLine(std::string_view line);
    void WriteCollected();
    void AddKey(std::string_view text);
    void TrimWriteDictionary();
    void WriteRecord(TCommand command, std::span<const TOutKey> keys, std::string_view payloadHead,
        std::string_view payloadBody = {});
    void WriteTextValue(std::string_view name, std::string_view text);
    void WriteScalar(std::string_view name, TValueType type, const void* value, size_t size);

    // Reading.
    bool DecodeCommonRecord(std::string& line);
    TReadResult DecodeOtherLine(std::string& line);
    bool ReadHeadCarefully(std::string& line, TReadResult& result);
    TReadResult DecodeRecord(std::string& line);
    bool NextRecord();
    bool ReadBufferedHead();
    bool ReadRecordHead();
    bool RollBackHead(size_t entries);
    void ReadKeys(uint32_t count, uint32_t& left);
    void AddEntry(std::string_view text);
    std::string_view KeyText(uint32_t index) const;
    std::string_view EntryText(const TEntry& entry) const;
    std::string_view ValueHead(const TEntry& entry) const;
    bool KeyNeedsQuoting(uint32_t index) const;
    std::string_view ValueLineHead() const;
    void RequireKeys(uint32_t count) const;
    void ReadPayload(void* buffer, uint32_t count)
    {
        if (count > payloadLeft_)
            PayloadOverrun();
        filer_.ReadExact(buffer, count);
        payloadLeft_ -= count;
    }
    void PayloadOverrun();
    void ReadTrim();
    void DecodeValue(std::string& line);
    void DecodeRareValue(std::string& line, uint32_t type, const uint8_t* value);
    void NextPendingLine(std::string& line);
    void NextHexLine(std::string& line);

    TKestFiler& filer_;
    TMode mode_ = bmIdle;
    bool finished_ = false;

    // Writer's dictionary: text -> id, and the texts by id for trimming.
    std::unordered_map<std::string, uint32_t, THash, std::equal_to<>> writeDict_;
    std::vector<const std::string*> writeIds_;
    std::vector<TOutKey> outKeys_;
    std::string outRecord_;

    // Multi-line value being collected: kind (0, 512 or 513), name, payload.
    uint32_t collectKind_ = 0;
    std::string collectName_;
    std::string collect_;
    uint32_t collectCount_ = 0;

    // Reader's dictionary (index = id) and the record being read. Long
    // texts live in one block, so entries cost no allocation of their own.
    std::string readTexts_;
    std::vector<TEntry> readDict_;
    uint16_t command_ = 0;
    std::vector<TInKey> inKeys_; // grown, never shrunk: the first inKeyCount_ are this record's
    uint32_t inKeyCount_ = 0;
    std::string inKeyBytes_;
    uint32_t payloadLeft_ = 0;
    // Elements still owed by a string list; produced from the payload as
    // they are asked for, so a huge value is never held as lines. The bytes
    // of a hex value are owed by the filer (see its hex run).
    uint32_t pendingCount_ = 0;
};

} // namespace kest
