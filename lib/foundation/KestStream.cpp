#include "KestStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "KestError.h"

namespace kest {

TKestMemoryStream::TKestMemoryStream(const void* data, size_t size)
    : data_(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size)
{
}

int64_t TKestMemoryStream::Read(void* buffer, int64_t count)
{
    const int64_t size = Size();
    if (count <= 0 || position_ >= size)
        return 0;
    const int64_t n = std::min(count, size - position_);
    std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TKestMemoryStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    const auto pos = static_cast<size_t>(position_);
    const auto n = static_cast<size_t>(count);
    if (pos == data_.size()) {
        data_.insert(data_.end(), bytes, bytes + n);
    } else {
        // A position past the end (after Seek) leaves a zero-filled gap.
        if (pos + n > data_.size())
            data_.resize(pos + n);
        std::memcpy(data_.data() + pos, bytes, n);
    }
    position_ += count;
    return count;
}

int64_t TKestMemoryStream::Seek(int64_t position)
{
    position_ = std::max<int64_t>(position, 0);
    return position_;
}

void TKestMemoryStream::Clear()
{
    data_.clear();
    position_ = 0;
}

namespace {

[[noreturn]] void ThrowFileError(const char* action, const std::string& fileName, int error)
{
    throw EKestError(std::string("Cannot ") + action + " file \"" + fileName + "\": " + std::strerror(error));
}

} // namespace

TKestFileStream::TKestFileStream(const std::string& fileName, TMode mode)
    : fileName_(fileName)
{
    file_ = std::fopen(fileName.c_str(), mode == fmCreate ? "w+b" : "rb");
    if (!file_)
        ThrowFileError(mode == fmCreate ? "create" : "open", fileName, errno);
    // fopen accepts a folder for reading on POSIX; every read would then fail.
    struct stat st { };
    if (fstat(fileno(file_), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(file_);
        file_ = nullptr;
        ThrowFileError("open", fileName, EISDIR);
    }
}

TKestFileStream::~TKestFileStream()
{
    if (file_)
        std::fclose(file_);
}

int64_t TKestFileStream::Read(void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    const size_t n = std::fread(buffer, 1, static_cast<size_t>(count), file_);
    if (n == 0 && std::ferror(file_))
        ThrowFileError("read", fileName_, errno);
    return static_cast<int64_t>(n);
}

int64_t TKestFileStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    return static_cast<int64_t>(std::fwrite(buffer, 1, static_cast<size_t>(count), file_));
}

int64_t TKestFileStream::Seek(int64_t position)
{
    if (fseeko(file_, static_cast<off_t>(std::max<int64_t>(position, 0)), SEEK_SET) != 0)
        ThrowFileError("seek in", fileName_, errno);
    return Position();
}

int64_t TKestFileStream::Position() const
{
    return static_cast<int64_t>(ftello(file_));
}

int64_t TKestFileStream::Size() const
{
    // Bytes still in the write buffer lie before the current position, so the
    // larger of the two is the size without flushing or discarding read-ahead.
    struct stat st { };
    const int64_t onDisk = fstat(fileno(file_), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
    return std::max(onDisk, Position());
}

void TKestFileStream::Flush()
{
    if (std::fflush(file_) != 0 || std::ferror(file_))
        ThrowFileError("write", fileName_, errno ? errno : EIO);
    if (fsync(fileno(file_)) != 0 && errno != EINVAL)
        ThrowFileError("write", fileName_, errno);
}

} // namespace kest
