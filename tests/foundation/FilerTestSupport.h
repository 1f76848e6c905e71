// Helpers shared by the filer tests: streams with awkward behaviour, reading
// every line, and a record builder that writes the binary form by hand.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "KestFiler.h"
#include "KestStream.h"

namespace kest::test {

// Hands out at most chunk bytes per Read, so every refill path is taken.
class TTrickleStream : public TKestMemoryStream {
public:
    TTrickleStream(const std::string& bytes, int64_t chunk)
        : TKestMemoryStream(bytes.data(), bytes.size())
        , chunk_(chunk)
    {
    }
    int64_t Read(void* buffer, int64_t count) override
    {
        return TKestMemoryStream::Read(buffer, std::min(count, chunk_));
    }

private:
    int64_t chunk_;
};

// Accepts only the first capacity bytes ever written.
class TShortWriteStream : public TKestMemoryStream {
public:
    explicit TShortWriteStream(int64_t capacity)
        : capacity_(capacity)
    {
    }
    int64_t Write(const void* buffer, int64_t count) override
    {
        const int64_t n = std::clamp<int64_t>(capacity_ - Size(), 0, count);
        return TKestMemoryStream::Write(buffer, n);
    }

private:
    int64_t capacity_;
};

inline std::string Bytes(const TKestMemoryStream& stream)
{
    return stream.Text();
}

// Every line the filer delivers, the last one without terminator included.
inline std::vector<std::string> ReadAll(TKestFiler& filer)
{
    std::vector<std::string> lines;
    std::string line;
    for (;;) {
        const bool complete = filer.LoadStrCheck(line);
        if (complete || !line.empty())
            lines.push_back(line);
        if (!complete)
            return lines;
    }
}

inline std::vector<std::string> ReadAll(const std::string& bytes, bool startBinary = false)
{
    TKestMemoryStream stream(bytes.data(), bytes.size());
    TKestFiler filer(stream);
    filer.SetBinary(startBinary);
    return ReadAll(filer);
}

// Writes the lines in the binary form and closes the block.
inline std::string EncodeBinary(const std::vector<std::string>& lines)
{
    TKestMemoryStream stream;
    TKestFiler filer(stream);
    filer.SetBinary(true);
    for (const std::string& line : lines)
        filer.SaveStr(line);
    filer.SetBinary(false);
    return Bytes(stream);
}

inline std::string WithoutIndent(std::string_view line)
{
    const size_t first = line.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string() : std::string(line.substr(first));
}

// Little-endian record assembly, independent of the encoder under test.
class TRecord {
public:
    explicit TRecord(uint16_t command)
        : command_(command)
    {
    }

    TRecord& Inline(std::string_view text, uint8_t extraFlags = 0)
    {
        ++keys_;
        PutKey(extraFlags, static_cast<uint32_t>(text.size()));
        keyBytes_.append(text);
        return *this;
    }
    TRecord& Id(uint32_t id)
    {
        ++keys_;
        PutKey(4, id);
        return *this;
    }
    TRecord& RawKeys(std::string_view bytes, uint16_t count)
    {
        keys_ = static_cast<uint16_t>(keys_ + count);
        keyBytes_.append(bytes);
        return *this;
    }
    TRecord& U8(uint8_t v) { return Put(v, 1); }
    TRecord& U16(uint16_t v) { return Put(v, 2); }
    TRecord& U32(uint32_t v) { return Put(v, 4); }
    TRecord& U64(uint64_t v) { return Put(v, 8); }
    TRecord& Raw(std::string_view bytes)
    {
        payload_.append(bytes);
        return *this;
    }
    // Overrides the size field, for records that lie about their length.
    TRecord& Size(uint32_t size)
    {
        size_ = size;
        sizeSet_ = true;
        return *this;
    }

    std::string Build() const
    {
        std::string out;
        const auto size = sizeSet_ ? size_ : static_cast<uint32_t>(8 + keyBytes_.size() + payload_.size());
        Append(out, command_, 2);
        Append(out, keys_, 2);
        Append(out, size, 4);
        return out + keyBytes_ + payload_;
    }
    operator std::string() const { return Build(); }

private:
    static void Append(std::string& out, uint64_t v, int width)
    {
        for (int i = 0; i < width; ++i)
            out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
    void PutKey(uint8_t flags, uint32_t number)
    {
        const int width = number < 256 ? 1 : number <= 65535 ? 2 : 4;
        keyBytes_.push_back(static_cast<char>(flags | (width == 4 ? 3 : width)));
        Append(keyBytes_, number, width);
    }
    TRecord& Put(uint64_t v, int width)
    {
        Append(payload_, v, width);
        return *this;
    }

    uint16_t command_;
    uint16_t keys_ = 0;
    uint32_t size_ = 0;
    bool sizeSet_ = false;
    std::string keyBytes_;
    std::string payload_;
};

inline const std::string kSignature = "kestbinary\r\n";
inline const std::string kEndRecord = TRecord(9);

// Commands of the records in a binary block, walked by their size fields.
inline std::vector<uint16_t> RecordCommands(const std::string& bytes)
{
    std::vector<uint16_t> commands;
    size_t pos = bytes.find(kSignature);
    if (pos == std::string::npos)
        return commands;
    pos += kSignature.size();
    while (pos + 8 <= bytes.size()) {
        const auto* p = reinterpret_cast<const uint8_t*>(bytes.data() + pos);
        const uint16_t command = static_cast<uint16_t>(p[0] | (p[1] << 8));
        const uint32_t size = p[4] | (p[5] << 8) | (p[6] << 16) | (static_cast<uint32_t>(p[7]) << 24);
        commands.push_back(command);
        if (command == 9 || size < 8)
            break;
        pos += size;
    }
    return commands;
}

} // namespace kest::test
