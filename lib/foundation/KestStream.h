// The byte streams the filer reads and writes: a small interface with a
// memory and a file implementation.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace kest {

class TKestStream {
public:
    virtual ~TKestStream() = default;
    // Reads up to count bytes; returns how many were read (0 at the end).
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    // Writes count bytes; returns how many were written (fewer on failure).
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Moves to an absolute position; returns the new position.
    virtual int64_t Seek(int64_t position) = 0;
    virtual int64_t Position() const = 0;
    virtual int64_t Size() const = 0;
};

class TKestMemoryStream : public TKestStream {
public:
    TKestMemoryStream() = default;
    explicit TKestMemoryStream(std::vector<uint8_t> data) : data_(std::move(data)) {}
    TKestMemoryStream(const void* data, size_t size);

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t position) override;
    int64_t Position() const override { return position_; }
    int64_t Size() const override { return static_cast<int64_t>(data_.size()); }

    void Clear();
    const std::vector<uint8_t>& Data() const { return data_; }
    std::string Text() const { return std::string(data_.begin(), data_.end()); }

private:
    std::vector<uint8_t> data_;
    int64_t position_ = 0;
};

class TKestFileStream : public TKestStream {
public:
    enum TMode { fmOpenRead, fmCreate };
    // Throws EKestError naming the file and the system's reason when it cannot be opened.
    TKestFileStream(const std::string& fileName, TMode mode);
    ~TKestFileStream() override;
    TKestFileStream(const TKestFileStream&) = delete;
    TKestFileStream& operator=(const TKestFileStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t position) override;
    int64_t Position() const override;
    int64_t Size() const override;
    // Flushes buffered bytes; throws EKestError when the data cannot be written.
    void Flush();
    const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
    std::FILE* file_ = nullptr;
};

}  // namespace kest
