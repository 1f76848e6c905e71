// Memory and file streams: positions, gaps, sizes and the errors of files
// that cannot be opened, read or written.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "KestError.h"
#include "KestStream.h"

namespace kest {
namespace {

TEST(MemoryStream, ReadsWritesAndSeeks)
{
    TKestMemoryStream stream("abcdef", 6);
    char buffer[8] = {};
    EXPECT_EQ(stream.Read(buffer, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    EXPECT_EQ(stream.Read(buffer, 8), 2);
    EXPECT_EQ(stream.Read(buffer, 8), 0);
    EXPECT_EQ(stream.Read(buffer, -1), 0);

    // Overwrites in the middle, extends at the end, zero-fills a gap.
    stream.Seek(4);
    EXPECT_EQ(stream.Write("XYZ", 3), 3);
    EXPECT_EQ(stream.Text(), "abcdXYZ");
    EXPECT_EQ(stream.Seek(9), 9);
    stream.Write("!", 1);
    EXPECT_EQ(stream.Text(), std::string("abcdXYZ\0\0!", 10));
    EXPECT_EQ(stream.Seek(-5), 0);
    EXPECT_EQ(stream.Position(), 0);

    stream.Clear();
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(stream.Position(), 0);
}

class FileStream : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = std::filesystem::temp_directory_path()
            / ("kest_stream_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::string Path(const char* name) const { return (folder_ / name).string(); }

    std::filesystem::path folder_;
};

TEST_F(FileStream, WritesAndReadsBack)
{
    const std::string name = Path("data.bin");
    {
        TKestFileStream out(name, TKestFileStream::fmCreate);
        EXPECT_EQ(out.Write("hello world", 11), 11);
        EXPECT_EQ(out.Size(), 11); // before any flush
        out.Seek(6);
        EXPECT_EQ(out.Write("there", 5), 5);
        out.Flush();
        EXPECT_EQ(out.FileName(), name);
    }
    TKestFileStream in(name, TKestFileStream::fmOpenRead);
    EXPECT_EQ(in.Size(), 11);
    char buffer[16] = {};
    EXPECT_EQ(in.Read(buffer, 16), 11);
    EXPECT_EQ(std::string(buffer, 11), "hello there");
    EXPECT_EQ(in.Position(), 11);
    EXPECT_EQ(in.Seek(6), 6);
    EXPECT_EQ(in.Read(buffer, 2), 2);
    EXPECT_EQ(std::string(buffer, 2), "th");
    // A stream opened for reading takes no bytes.
    EXPECT_EQ(in.Write("x", 1), 0);
}

TEST_F(FileStream, OpenFailuresNameTheFileAndTheReason)
{
    const std::string missing = Path("missing.ksd");
    try {
        TKestFileStream stream(missing, TKestFileStream::fmOpenRead);
        FAIL() << "opened a missing file";
    } catch (const EKestError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find(missing), std::string::npos) << message;
        EXPECT_NE(message.find("No such file or directory"), std::string::npos) << message;
    }
    try {
        TKestFileStream stream(folder_.string(), TKestFileStream::fmOpenRead);
        FAIL() << "opened a folder";
    } catch (const EKestError& e) {
        EXPECT_NE(std::string(e.what()).find("Is a directory"), std::string::npos) << e.what();
    }
    EXPECT_THROW(TKestFileStream(Path("no/such/folder.ksd"), TKestFileStream::fmCreate), EKestError);
}

TEST_F(FileStream, FlushReportsAFullDevice)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    TKestFileStream stream("/dev/full", TKestFileStream::fmCreate);
    const std::string block(100000, 'x');
    // The fault shows either as a short write or when flushing.
    const int64_t written = stream.Write(block.data(), static_cast<int64_t>(block.size()));
    bool flushFailed = false;
    try {
        stream.Flush();
    } catch (const EKestError&) {
        flushFailed = true;
    }
    EXPECT_TRUE(written < static_cast<int64_t>(block.size()) || flushFailed);
}

} // namespace
} // namespace kest
