// The filer's text form: line breaks, blanks, buffer refills, progress,
// skipping blocks, and read and write errors.
#include <gtest/gtest.h>

#include "FilerTestSupport.h"
#include "KestError.h"

namespace kest::test {
namespace {

using Lines = std::vector<std::string>;

TEST(FilerText, LineBreaksPairOnlyAsCrLfOrLfCr)
{
    EXPECT_EQ(ReadAll("a\n\nb"), (Lines {"a", "", "b"}));
    EXPECT_EQ(ReadAll("a\r\nb"), (Lines {"a", "b"}));
    EXPECT_EQ(ReadAll("a\n\rb"), (Lines {"a", "b"}));
    EXPECT_EQ(ReadAll("a\r\rb"), (Lines {"a", "", "b"}));
    EXPECT_EQ(ReadAll("a\r\n\r\nb\r\n"), (Lines {"a", "", "b"}));
    EXPECT_EQ(ReadAll("a\rb\nc"), (Lines {"a", "b", "c"}));
}

TEST(FilerText, LeadingBlanksSkippedTabsAndTrailingBlanksKept)
{
    EXPECT_EQ(ReadAll("    x = 1  \r\n\tTabbed\r\n  \r\n"), (Lines {"x = 1  ", "\tTabbed", ""}));
}

TEST(FilerText, LastLineWithoutTerminatorComesWithFalse)
{
    TKestMemoryStream stream(std::string("one\r\ntwo").data(), 8);
    TKestFiler filer(stream);
    std::string line;
    EXPECT_TRUE(filer.LoadStrCheck(line));
    EXPECT_EQ(line, "one");
    EXPECT_FALSE(filer.LoadStrCheck(line));
    EXPECT_EQ(line, "two");
    EXPECT_FALSE(filer.LoadStrCheck(line));
    EXPECT_EQ(line, "");
    EXPECT_EQ(filer.LoadStr(), "");
}

TEST(FilerText, EmptyStreamAndBlanksOnlyYieldNothing)
{
    EXPECT_EQ(ReadAll(""), Lines {});
    EXPECT_EQ(ReadAll("   "), Lines {});
}

TEST(FilerText, LinesStraddleBufferRefills)
{
    // A line longer than the 64 KiB buffer, blanks and a CR LF pair split
    // across refills, and a stream that hands out a few bytes per read.
    const std::string longLine(200000, 'x');
    std::string text = longLine + "\r\n";
    text += std::string(65536 - text.size() % 65536 - 2, ' ') + "y\r";
    text += "\nz";
    const Lines expected {longLine, "y", "z"};
    EXPECT_EQ(ReadAll(text), expected);
    for (int64_t chunk : {1, 3, 7, 4096}) {
        TTrickleStream stream(text, chunk);
        TKestFiler filer(stream);
        EXPECT_EQ(ReadAll(filer), expected) << "chunk " << chunk;
    }
}

TEST(FilerText, WritesLinesWithCrLfAndBlocksAsTheyAre)
{
    TKestMemoryStream stream;
    TKestFiler filer(stream);
    filer.SaveStr("document Main");
    filer.SaveStr("  Name = x ");
    filer.SaveStr("");
    const std::string block = "  Data = {\r\n    0A0B }\r\n";
    filer.SaveBuf(block.data(), block.size());
    EXPECT_EQ(Bytes(stream), "document Main\r\n  Name = x \r\n\r\n" + block);
    EXPECT_EQ(filer.LastProcess(), ppSave);

    filer.Rewind();
    EXPECT_EQ(filer.LastProcess(), ppUnknown);
    EXPECT_EQ(ReadAll(filer), (Lines {"document Main", "Name = x ", "", "Data = {", "0A0B }"}));
    EXPECT_EQ(filer.LastProcess(), ppLoad);
}

TEST(FilerText, ShortWriteIsAWriteError)
{
    TShortWriteStream stream(5);
    TKestFiler filer(stream);
    try {
        filer.SaveStr("document Main");
        FAIL() << "no error";
    } catch (const EKestWriteError& e) {
        EXPECT_STREQ(e.what(), "Stream write error");
    }
}

TEST(FilerText, LoadBufAndSkipBufReadExactCounts)
{
    const std::string text = "0123456789line\r\n";
    TTrickleStream stream(text, 3);
    TKestFiler filer(stream);
    char four[4];
    filer.LoadBuf(four, 4);
    EXPECT_EQ(std::string(four, 4), "0123");
    filer.SkipBuf(6);
    EXPECT_EQ(filer.LoadPosition(), 10);
    EXPECT_EQ(filer.LoadStr(), "line");
    try {
        filer.LoadBuf(four, 1);
        FAIL() << "no error";
    } catch (const EKestReadError& e) {
        EXPECT_STREQ(e.what(), "Stream read error");
    }
    EXPECT_THROW(filer.SkipBuf(1), EKestReadError);

    // Blocks larger than the buffer bypass it and still come out whole.
    std::string big(300000, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7);
    TKestMemoryStream bigStream(big.data(), big.size());
    TKestFiler bigFiler(bigStream);
    std::string got(big.size() - 5, '\0');
    bigFiler.SkipBuf(5);
    bigFiler.LoadBuf(got.data(), got.size());
    EXPECT_EQ(got, big.substr(5));
}

TEST(FilerText, ReadingResumesAtTheStreamPositionGivenAtCreation)
{
    const std::string text = "skip\r\nkept\r\n";
    TKestMemoryStream stream(text.data(), text.size());
    stream.Seek(6);
    TKestFiler filer(stream);
    EXPECT_EQ(filer.Total(), 12);
    EXPECT_EQ(filer.LoadPosition(), 6);
    EXPECT_EQ(ReadAll(filer), Lines {"kept"});
}

struct TProgressLog {
    std::vector<std::pair<int, TKestFilerProcess>> events;
    void Attach(TKestFiler& filer)
    {
        filer.OnProgress
            = [this](TKestFiler*, int value, TKestFilerProcess process) { events.emplace_back(value, process); };
    }
};

TEST(FilerText, LoadProgressFollowsBytesConsumedAndFiresOnChange)
{
    // Eight lines of 25 bytes: 200 bytes, 12.5 % each.
    std::string text;
    for (int i = 0; i < 8; ++i)
        text += std::string(23, 'a' + i) + "\r\n";
    TKestMemoryStream stream(text.data(), text.size());
    TKestFiler filer(stream);
    TProgressLog log;
    log.Attach(filer);
    ReadAll(filer);
    // 12.5 -> 12, 25, 37.5 -> 38, 50, 62.5 -> 62, 75, 87.5 -> 88, 100.
    const std::vector<int> expected {12, 25, 38, 50, 62, 75, 88, 100};
    ASSERT_EQ(log.events.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(log.events[i].first, expected[i]);
        EXPECT_EQ(log.events[i].second, ppLoad);
    }
    EXPECT_EQ(filer.Progress(), 100);
}

TEST(FilerText, SaveProgressRoundsHalvesToEven)
{
    TKestMemoryStream stream;
    TKestFiler filer(stream);
    TProgressLog log;
    log.Attach(filer);
    filer.SetSaved(5); // no Total yet: nothing reported
    filer.SetTotal(200);
    for (int saved : {1, 3, 5, 5, 7, 201, 203, -3})
        filer.SetSaved(saved);
    // 0.5 -> 0 (unchanged), 1.5 -> 2, 2.5 -> 2 (unchanged), 3.5 -> 4,
    // 100.5 -> 100, 101.5 -> 102, -1.5 -> -2.
    std::vector<int> values;
    for (const auto& [value, process] : log.events) {
        values.push_back(value);
        EXPECT_EQ(process, ppSave);
    }
    EXPECT_EQ(values, (std::vector<int> {2, 4, 100, 102, -2}));
    EXPECT_EQ(filer.LastProcess(), ppSave);
}

TEST(FilerText, LoadSkipToEndSkipsNestedBlocks)
{
    const std::string text = "object A: T\r\n"
                             "  Name = A\r\n"
                             "  property Brush\r\n"
                             "    Color = 1\r\n"
                             "  end\r\n"
                             "\r\n"
                             "  object B: T\r\n"
                             "  end\r\n"
                             "end\r\n"
                             "after\r\n";
    TKestMemoryStream stream(text.data(), text.size());
    TKestFiler filer(stream);
    const std::string first = filer.LoadStr();
    // An empty line inside the block is no "end".
    EXPECT_TRUE(filer.CheckLoadSkip(first));
    EXPECT_EQ(filer.LoadStr(), "after");

    for (const char* keyword : {"document X", "clipboard", "library L", "object O: T", "property P"}) {
        const std::string block = std::string(keyword) + "\r\n end\r\nnext\r\n";
        TKestMemoryStream s(block.data(), block.size());
        TKestFiler f(s);
        EXPECT_TRUE(f.CheckLoadSkip(f.LoadStr())) << keyword;
        EXPECT_EQ(f.LoadStr(), "next") << keyword;
    }
    for (const char* other : {"Name = x", "", "doc", "end"}) {
        TKestMemoryStream s;
        TKestFiler f(s);
        EXPECT_FALSE(f.CheckLoadSkip(other)) << other;
    }
}

TEST(FilerText, LoadSkipToEndStopsAtEndOfData)
{
    const std::string text = "object A: T\r\n  object B: T\r\n  end\r\n";
    TKestMemoryStream stream(text.data(), text.size());
    TKestFiler filer(stream);
    filer.LoadStr();
    filer.LoadSkipToEnd();
    EXPECT_EQ(filer.LoadPosition(), static_cast<int64_t>(text.size()));
    EXPECT_EQ(ReadAll(filer), Lines {});
}

TEST(FilerText, WritingAfterReadAheadGoesToTheLogicalPosition)
{
    const std::string text = "keep\r\nold tail\r\n";
    TKestMemoryStream stream(text.data(), text.size());
    TKestFiler filer(stream);
    EXPECT_EQ(filer.LoadStr(), "keep");
    filer.SaveStr("new");
    EXPECT_EQ(Bytes(stream).substr(0, 11), "keep\r\nnew\r\n");
}

} // namespace
} // namespace kest::test
