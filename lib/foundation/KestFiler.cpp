#include "KestFiler.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "KestBinaryData.h"
#include "KestError.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kest {

namespace {

constexpr std::string_view kBinarySignature = "kestbinary";

// First CR or LF in [p, end), or end. Lines are short and documents large,
// so the scan looks at 16 bytes at a time where the CPU allows.
const uint8_t* FindLineBreak(const uint8_t* p, const uint8_t* end)
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
        if (mask != 0)
            return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    while (p < end && *p != '\r' && *p != '\n')
        ++p;
    return p;
}

// First byte in [p, end) that is not a blank, or end. Indentation varies from
// line to line, which a byte loop pays for in mispredicted branches.
const uint8_t* SkipBlanks(const uint8_t* p, const uint8_t* end)
{
#if defined(__SSE2__)
    const __m128i blank = _mm_set1_epi8(' ');
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(v, blank)) ^ 0xFFFF;
        if (mask != 0)
            return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    while (p < end && *p == ' ')
        ++p;
    return p;
}

// numerator / denominator as a percentage, rounded to nearest with halves
// to even, exactly (no floating point), clamped to int.
int RoundedPercent(int64_t numerator, int64_t denominator)
{
    using Wide = __int128;
    const Wide n = static_cast<Wide>(numerator) * 100;
    const Wide d = denominator;
    Wide q = n / d;
    const Wide r = n % d;
    const Wide sign = (n < 0) != (d < 0) ? -1 : 1;
    const Wide twiceR = r < 0 ? -2 * r : 2 * r;
    const Wide absD = d < 0 ? -d : d;
    if (twiceR > absD || (twiceR == absD && (q & 1) != 0))
        q += sign;
    return static_cast<int>(std::clamp<Wide>(q, INT_MIN, INT_MAX));
}

} // namespace

TKestFiler::TKestFiler(TKestStream& stream)
    : stream_(stream)
    , buffer_(new uint8_t[kBufferSize + kBufferSlack]())
{
    total_ = stream_.Size();
    loaded_ = stream_.Position();
}

TKestFiler::~TKestFiler() = default;

TKestBinaryData& TKestFiler::BinaryData()
{
    if (!binaryData_)
        binaryData_ = std::make_unique<TKestBinaryData>(*this);
    return *binaryData_;
}

void TKestFiler::ReadError(const std::string& message)
{
    throw EKestReadError(message.empty() ? "Stream read error" : message);
}

void TKestFiler::WriteError(const std::string& message)
{
    throw EKestWriteError(message.empty() ? "Stream write error" : message);
}

int64_t TKestFiler::LoadPosition() const
{
    return loaded_ - bufferCount_ + bufferPos_;
}

void TKestFiler::ReportProgress(TKestFilerProcess process)
{
    const int64_t done = process == ppLoad ? LoadPosition() : saved_;
    const int value = RoundedPercent(done, total_);
    if (value == progress_)
        return;
    progress_ = value;
    OnProgress(this, value, process);
}

void TKestFiler::SetSaved(int64_t value)
{
    saved_ = value;
    DoProgress(ppSave);
}

void TKestFiler::SetBinary(bool value)
{
    if (value == binary_)
        return;
    if (value) {
        BinaryData().Reset();
    } else if (binaryData_) {
        binaryData_->Finish();
        binaryData_->Reset();
    }
    binary_ = value;
}

void TKestFiler::Rewind()
{
    SetBinary(false);
    stream_.Seek(0);
    bufferPos_ = 0;
    bufferCount_ = 0;
    loaded_ = 0;
    saved_ = 0;
    lastProcess_ = ppUnknown;
}

// ---------------------------------------------------------------- writing

void TKestFiler::WriteBytes(const void* buffer, size_t count)
{
    if (bufferCount_ != 0) {
        // Read-ahead moved the stream past the logical position; write there.
        loaded_ = stream_.Seek(LoadPosition());
        bufferPos_ = 0;
        bufferCount_ = 0;
    }
    const auto n = static_cast<int64_t>(count);
    if (stream_.Write(buffer, n) != n)
        WriteError();
}

void TKestFiler::SaveStr(std::string_view line)
{
    lastProcess_ = ppSave;
    if (binary_) {
        BinaryData().EncodeLine(line);
        return;
    }
    writeLine_.assign(line);
    writeLine_.append("\r\n");
    WriteBytes(writeLine_.data(), writeLine_.size());
}

void TKestFiler::SaveBuf(const void* buffer, size_t count)
{
    lastProcess_ = ppSave;
    if (!binary_) {
        if (count != 0)
            WriteBytes(buffer, count);
        return;
    }
    const auto* p = static_cast<const uint8_t*>(buffer);
    const uint8_t* end = p + count;
    while (p < end) {
        const uint8_t* lineEnd = FindLineBreak(p, end);
        if (lineEnd != p)
            BinaryData().EncodeLine(std::string_view(reinterpret_cast<const char*>(p), lineEnd - p));
        p = lineEnd;
        if (p < end) {
            const uint8_t other = *p == '\r' ? '\n' : '\r';
            ++p;
            if (p < end && *p == other)
                ++p;
        }
    }
}

void TKestFiler::SaveValue(std::string_view name, const TPropValue& value)
{
    lastProcess_ = ppSave;
    if (!binary_)
        WriteError("Stream write error: a typed value needs the binary form");
    BinaryData().EncodeValue(name, value);
}

// ---------------------------------------------------------------- reading

bool TKestFiler::FillBuffer()
{
    bufferPos_ = 0;
    bufferCount_ = 0;
    const int64_t n = stream_.Read(buffer_.get(), kBufferSize);
    if (n <= 0)
        return false;
    bufferCount_ = static_cast<int32_t>(n);
    loaded_ += n;
    return true;
}

bool TKestFiler::ReadTextLine(std::string& line)
{
    line.clear();
    const uint8_t* buffer = buffer_.get();
    for (;;) {
        if (bufferPos_ == bufferCount_ && !FillBuffer())
            return false;
        const uint8_t* p = SkipBlanks(buffer + bufferPos_, buffer + bufferCount_);
        const uint8_t* end = buffer + bufferCount_;
        bufferPos_ = static_cast<int32_t>(p - buffer);
        if (p < end)
            break;
    }
    for (;;) {
        const uint8_t* start = buffer + bufferPos_;
        const uint8_t* end = buffer + bufferCount_;
        const uint8_t* brk = FindLineBreak(start, end);
        line.append(reinterpret_cast<const char*>(start), brk - start);
        if (brk == end) {
            bufferPos_ = bufferCount_;
            if (!FillBuffer())
                return false;
            continue;
        }
        const uint8_t other = *brk == '\r' ? '\n' : '\r';
        bufferPos_ = static_cast<int32_t>(brk - buffer) + 1;
        if (bufferPos_ == bufferCount_)
            FillBuffer();
        if (bufferPos_ < bufferCount_ && buffer[bufferPos_] == other)
            ++bufferPos_;
        return true;
    }
}

// A line of the text form; the binary form is read by LoadBinaryLine.
bool TKestFiler::LoadTextLine(std::string& line)
{
    const bool complete = ReadTextLine(line);
    DoProgress(ppLoad);
    if (line == kBinarySignature)
        SetBinary(true);
    return complete;
}

std::string TKestFiler::LoadStr()
{
    std::string line;
    LoadStrCheck(line);
    return line;
}

void TKestFiler::LoadSkipToEnd()
{
    int depth = 1;
    std::string line;
    while (depth > 0) {
        if (binary_) {
            const TKestBinaryData::TReadResult result = BinaryData().SkipRecords(depth);
            if (result == TKestBinaryData::brText) {
                SetBinary(false);
                continue;
            }
            DoProgress(ppLoad);
            return;
        }
        const bool complete = ReadTextLine(line);
        DoProgress(ppLoad);
        // True prefix tests: an empty line (or "e") closes nothing.
        if (line.starts_with("end"))
            --depth;
        else if (line.starts_with("object") || line.starts_with("property"))
            ++depth;
        else if (line == kBinarySignature)
            SetBinary(true);
        if (!complete)
            return;
    }
}

bool TKestFiler::CheckLoadSkip(std::string_view line)
{
    for (std::string_view keyword : {"document", "clipboard", "library", "object", "property"}) {
        if (line.starts_with(keyword)) {
            LoadSkipToEnd();
            return true;
        }
    }
    return false;
}

void TKestFiler::ReadExactSlow(void* buffer, size_t count)
{
    if (ReadUpTo(buffer, count) != count)
        ReadError();
}

size_t TKestFiler::ReadUpTo(void* buffer, size_t count)
{
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < count) {
        if (bufferPos_ == bufferCount_) {
            const size_t wanted = count - done;
            if (wanted >= static_cast<size_t>(kBufferSize)) {
                // Large blocks go straight to the caller's memory.
                const int64_t n = stream_.Read(out + done, static_cast<int64_t>(wanted));
                if (n <= 0)
                    break;
                loaded_ += n;
                done += static_cast<size_t>(n);
                continue;
            }
            if (!FillBuffer())
                break;
        }
        const size_t n = std::min<size_t>(count - done, bufferCount_ - bufferPos_);
        std::memcpy(out + done, buffer_.get() + bufferPos_, n);
        bufferPos_ += static_cast<int32_t>(n);
        done += n;
    }
    return done;
}

void TKestFiler::ReadAppendSlow(std::string& text, size_t count)
{
    while (count > 0) {
        if (bufferPos_ == bufferCount_ && !FillBuffer())
            ReadError();
        const size_t n = std::min<size_t>(count, bufferCount_ - bufferPos_);
        text.append(reinterpret_cast<const char*>(buffer_.get() + bufferPos_), n);
        bufferPos_ += static_cast<int32_t>(n);
        count -= n;
    }
}

void TKestFiler::SkipExact(uint64_t count)
{
    while (count > 0) {
        if (bufferPos_ == bufferCount_ && !FillBuffer())
            ReadError();
        const auto n = static_cast<int32_t>(std::min<uint64_t>(count, bufferCount_ - bufferPos_));
        bufferPos_ += n;
        count -= static_cast<uint64_t>(n);
    }
}

void TKestFiler::LoadBuf(void* buffer, size_t count)
{
    ReadExact(buffer, count);
    DoProgress(ppLoad);
}

void TKestFiler::SkipBuf(size_t count)
{
    SkipExact(count);
    DoProgress(ppLoad);
}

} // namespace kest
