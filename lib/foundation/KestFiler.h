// TKestFiler: the one reader and writer of document text. Callers hand it
// whole lines and get whole lines back, whether the stream holds plain text
// lines or the compact binary form (see KestBinaryData.h).
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "KestStream.h"
#include "KestValue.h"

namespace kest {

class TKestBinaryData;
class TKestFiler;

enum TKestFilerProcess : uint8_t { ppUnknown = 0, ppLoad = 1, ppSave = 2, ppCopy = 3 };

using TKestProgressEvent = std::function<void(TKestFiler* sender, int progress, TKestFilerProcess process)>;

class TKestFiler {
public:
    // The filer never closes or frees the stream.
    explicit TKestFiler(TKestStream& stream);
    virtual ~TKestFiler();
    TKestFiler(const TKestFiler&) = delete;
    TKestFiler& operator=(const TKestFiler&) = delete;

    TKestStream& Stream() const { return stream_; }

    // Writing. SaveStr writes one line in the current form (text: bytes + CR LF).
    void SaveStr(std::string_view line);
    // Text form: the bytes as they are; binary form: each line of them encoded.
    void SaveBuf(const void* buffer, size_t count);
    // Binary form only: one property value record with the value's own type
    // (int32 -> 3, bool -> 11, double -> 5, text -> 256, texts -> 512,
    // bytes -> 513; int64 is a write error; empty and null write nothing).
    void SaveValue(std::string_view name, const TPropValue& value);

    // Reading. False when no line was read; a last line without terminator is
    // still delivered in line, with the result false.
    bool LoadStrCheck(std::string& line)
    {
        // The inner lines of a hex value, one byte each, are most of the
        // lines of a binary document with pictures: they take the short way.
        // Everything is read before the line is written: a write through
        // the line's bytes could alias the filer's fields and force reloads.
        const uint32_t run = hexRun_;
        const int32_t position = bufferPos_;
        if (run > 1 && position < bufferCount_) {
            const uint8_t byte = buffer_[position];
            const bool report = OnProgress && total_ != 0;
            hexRun_ = run - 1;
            bufferPos_ = position + 1;
            lastProcess_ = ppLoad;
            PutHexLine(line, byte);
            if (report)
                ReportProgress(ppLoad);
            return true;
        }
        return binary_ ? LoadBinaryLine(line) : LoadTextLine(line);
    }
    // The line alone: empty when none, the last line even without terminator.
    std::string LoadStr();
    void LoadSkipToEnd();
    bool CheckLoadSkip(std::string_view line);
    void LoadBuf(void* buffer, size_t count);
    void SkipBuf(size_t count);

    bool Binary() const { return binary_; }
    void SetBinary(bool value);
    void Rewind();

    int64_t Total() const { return total_; }
    void SetTotal(int64_t value) { total_ = value; }
    int64_t Saved() const { return saved_; }
    void SetSaved(int64_t value);
    int Progress() const { return progress_; }
    TKestFilerProcess LastProcess() const { return lastProcess_; }
    // Bytes of the stream consumed by reading so far (for error positions).
    int64_t LoadPosition() const;

    [[noreturn]] virtual void ReadError(const std::string& message = {});
    [[noreturn]] virtual void WriteError(const std::string& message = {});

    TKestProgressEvent OnProgress;

private:
    friend class TKestBinaryData;

    // The common cases stay inline: the binary decoder reads a few bytes at
    // a time and every line reports progress.
    void DoProgress(TKestFilerProcess process)
    {
        lastProcess_ = process;
        if (OnProgress && total_ != 0)
            ReportProgress(process);
    }
    void ReportProgress(TKestFilerProcess process);
    bool LoadTextLine(std::string& line);
    // Defined with the binary decoder, so that the common records take no
    // further call.
    bool LoadBinaryLine(std::string& line);
    static void PutHexLine(std::string& line, uint8_t byte)
    {
        // A hex line mostly follows one of the same length.
        if (line.size() != 2)
            line.resize(2);
        std::memcpy(line.data(), kHexPairs.data() + 2 * byte, 2);
    }
    // The two upper-case hexadecimal digits of every byte value.
    static constexpr std::array<char, 512> kHexPairs = [] {
        constexpr char kDigits[] = "0123456789ABCDEF";
        std::array<char, 512> pairs {};
        for (size_t byte = 0; byte < 256; ++byte) {
            pairs[2 * byte] = kDigits[byte >> 4];
            pairs[2 * byte + 1] = kDigits[byte & 15];
        }
        return pairs;
    }();
    bool FillBuffer();
    void WriteBytes(const void* buffer, size_t count);
    bool ReadTextLine(std::string& line);
    size_t Buffered() const { return static_cast<size_t>(bufferCount_ - bufferPos_); }
    // Exact reads through the buffer without progress; a short read is a read error.
    void ReadExact(void* buffer, size_t count)
    {
        if (count > Buffered()) {
            ReadExactSlow(buffer, count);
            return;
        }
        std::memcpy(buffer, buffer_.get() + bufferPos_, count);
        bufferPos_ += static_cast<int32_t>(count);
    }
    void ReadExactSlow(void* buffer, size_t count);
    size_t ReadUpTo(void* buffer, size_t count);
    // Appends as the bytes arrive, so a count claimed by a hostile file
    // never allocates more than the data really there.
    void ReadAppend(std::string& text, size_t count)
    {
        if (count > Buffered()) {
            ReadAppendSlow(text, count);
            return;
        }
        text.append(reinterpret_cast<const char*>(buffer_.get() + bufferPos_), count);
        bufferPos_ += static_cast<int32_t>(count);
    }
    void ReadAppendSlow(std::string& text, size_t count);
    void SkipExact(uint64_t count);
    TKestBinaryData& BinaryData();

    static constexpr int32_t kBufferSize = 65536;
    // Zeroed bytes after the buffer, so that a decoder may read a few bytes
    // past the data before testing where they end.
    static constexpr int32_t kBufferSlack = 8;

    TKestStream& stream_;
    std::unique_ptr<uint8_t[]> buffer_;
    int32_t bufferPos_ = 0;
    int32_t bufferCount_ = 0;
    int64_t total_ = 0;
    int64_t saved_ = 0;
    int64_t loaded_ = 0;
    int progress_ = 0;
    TKestFilerProcess lastProcess_ = ppUnknown;
    bool binary_ = false;
    // Bytes of a binary hex value still to be delivered, one line each.
    uint32_t hexRun_ = 0;
    std::unique_ptr<TKestBinaryData> binaryData_;
    std::string writeLine_;
};

} // namespace kest
