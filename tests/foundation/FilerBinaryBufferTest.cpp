// The binary reader takes records lying whole in its buffer by a short way
// and every other record by the careful way: both must give the same lines,
// the same faults at the same positions, and the same progress.
#include <gtest/gtest.h>

#include <cmath>

#include "FilerTestSupport.h"
#include "KestError.h"

namespace kest::test {
namespace {

using Lines = std::vector<std::string>;

std::string HexRow(size_t bytes, unsigned seed)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string row;
    for (size_t i = 0; i < bytes; ++i) {
        const unsigned byte = (seed + i * 37) & 0xFF;
        row += kDigits[byte >> 4];
        row += kDigits[byte & 15];
    }
    return row;
}

// Canonical lines (as the reader gives them back) of a document well over
// the filer's 64 KB buffer, so that records, keys, string elements and hex
// values fall across refills at many places, with dictionary trims.
Lines SampleDocument()
{
    Lines lines {"document Sample"};
    const std::string longName(300, 'n');
    const std::string longText = "'" + std::string(70, 'x') + " y'";
    for (int i = 0; i < 900; ++i) {
        const std::string name = "Shape" + std::to_string(i);
        lines.push_back("object " + name + ": TKestBox");
        for (int number : {i, -i - 1, i * 1000 + 7, 9, 10, 99, 100, 2147483647, -2147483647 - 1})
            lines.push_back("N" + std::to_string(i % 7) + " = " + std::to_string(number));
        lines.push_back("Name = " + name);
        lines.push_back("Hint = 'Door " + std::to_string(i % 13) + "'");
        lines.push_back("Rotation = 0" + std::to_string(i % 31));
        lines.push_back("Visible = " + std::string(i % 3 ? "True" : "False"));
        lines.push_back("Empty = ( )");
        lines.push_back("Lines = (");
        lines.push_back("'first of " + name + "'");
        lines.push_back(longText + " )");
        lines.push_back("property Pen");
        lines.push_back(longName.substr(0, 16 + i % 250) + " = " + longText);
        lines.push_back("end");
        if (i % 5 == 0) {
            lines.push_back("Data = {");
            const size_t bytes = 1 + (i * 7) % 90;
            for (size_t b = 0; b < bytes; ++b)
                lines.push_back(HexRow(1, i + b) + (b + 1 == bytes ? " }" : ""));
        }
        lines.push_back("end");
    }
    // More names than the dictionary holds: trim records.
    for (int i = 0; i < 70000; ++i)
        lines.push_back("K" + std::to_string(i) + " = " + std::to_string(i + 1));
    // One hex value and one string element larger than the buffer.
    lines.push_back("Picture = {");
    for (size_t b = 0; b < 70000; ++b)
        lines.push_back(HexRow(1, b) + (b + 1 == 70000 ? " }" : ""));
    lines.push_back("Big = (");
    lines.push_back("'" + std::string(70000, 'b') + "' )");
    lines.push_back("end");
    return lines;
}

Lines ReadThrough(const std::string& bytes, int64_t chunk)
{
    TTrickleStream stream(bytes, chunk);
    TKestFiler filer(stream);
    return ReadAll(filer);
}

TEST(FilerBinaryBuffer, SameLinesWhateverEachReadHandsOver)
{
    const Lines lines = SampleDocument();
    const std::string bytes = EncodeBinary(lines) + "after\r\n";
    Lines expected {"kestbinary"};
    expected.insert(expected.end(), lines.begin(), lines.end());
    expected.push_back("after");
    EXPECT_EQ(ReadAll(bytes), expected);
    for (int64_t chunk : {1, 7, 4096})
        EXPECT_EQ(ReadThrough(bytes, chunk), expected) << chunk;
}

TEST(FilerBinaryBuffer, HandMadeKeysDecodeTheSameWhateverEachReadHandsOver)
{
    // Inline keys kept out of the dictionary (also as property names), an
    // empty key, ids written wider than needed, and a key that refers to a
    // text added earlier in the same record.
    const std::string wideId = std::string("\x07", 1) + std::string("\x00\x00\x00\x00", 4);
    const std::string bytes = kSignature + TRecord(4).Inline("A").Id(0).Build()
        + TRecord(5).Inline("Free name", 8).U32(256).U32(1).Inline("free value", 8).Build()
        + TRecord(5).Inline("Blank").U32(256).U32(1).Inline("").Build() + TRecord(6).RawKeys(wideId, 1).Build()
        + TRecord(5).RawKeys(std::string("\x06\x01\x00", 3), 1).U32(3).U32(42).Build()
        + TRecord(4097).Inline("skipped").Build() + TRecord(1).Id(2).Build() + kEndRecord;
    const Lines expected {"kestbinary", "object A: A", "Free name = 'free value'", "Blank = ", "property A",
        "Blank = 42", "", "document skipped"};
    EXPECT_EQ(ReadAll(bytes), expected);
    for (int64_t chunk : {1, 7, 4096})
        EXPECT_EQ(ReadThrough(bytes, chunk), expected) << chunk;
}

TEST(FilerBinaryBuffer, RecordsNearlyOfTheCommonShapesDecodeLikeTheCommonOnes)
{
    // The commonest records are recognised whole by their first bytes; these
    // differ from them in one detail each and must still read right, read
    // whole or a few bytes at a time. Names 0 and 1 are "N" and "T".
    std::string bytes = kSignature + TRecord(4).Inline("N").Inline("T").Build();
    Lines expected {"kestbinary", "object N: T"};
    // Ids of two bytes, past 255 entries.
    for (int i = 0; i < 300; ++i) {
        bytes += TRecord(6).Inline("P" + std::to_string(i)).Build();
        expected.push_back("property P" + std::to_string(i));
    }
    const auto add = [&](const std::string& record, const std::string& line) {
        bytes += record;
        expected.push_back(line);
    };
    // P299 has id 301.
    add(TRecord(6).Id(301), "property P299");
    add(TRecord(5).Id(301).U32(3).U32(5), "P299 = 5");
    add(TRecord(5).Id(0).Id(301).U32(256).U32(1), "N = P299");
    add(TRecord(5).Id(0).U32(3).U32(7).U32(0), "N = 7");
    add(TRecord(7).U8(0), "end");
    add(TRecord(5).Id(0).U32(11).U32(2), "N = True");
    add(TRecord(5).Id(0).U32(19).U32(4294967295u), "N = 4294967295");
    add(TRecord(5).Id(0).U32(2).U16(0x8000), "N = -32768");
    add(TRecord(5).Id(0).Id(1).U32(256).U32(0), "N = N");
    add(TRecord(5).Id(0).Inline("new text").U32(256).U32(1), "N = 'new text'");
    add(TRecord(5).Id(0).Inline("kept out", 8).U32(256).U32(1), "N = 'kept out'");
    add(TRecord(5).Id(0).U32(512).U32(0), "N = ( )");
    bytes += TRecord(5).Id(0).U32(512).U32(2).U32(1).Raw("a").U32(0).Build();
    expected.insert(expected.end(), {"N = (", "'a'", "'' )"});
    // Integers of every length the digits are produced for at once.
    for (int64_t number : {0LL, 9LL, -1LL, 1234LL, 12345678LL, -99999999LL, 100000000LL, 123456789LL,
             999999999LL, 1000000000LL, 2147483647LL, -2147483648LL})
        add(TRecord(5).Id(0).U32(3).U32(static_cast<uint32_t>(number)), "N = " + std::to_string(number));
    bytes += kEndRecord;

    EXPECT_EQ(ReadAll(bytes), expected);
    for (int64_t chunk : {1, 7, 4096})
        EXPECT_EQ(ReadThrough(bytes, chunk), expected) << chunk;
}

struct TFault {
    std::string message;
    int64_t position;
};

TFault FaultOf(const std::string& bytes, int64_t chunk)
{
    TTrickleStream stream(bytes, chunk);
    TKestFiler filer(stream);
    try {
        ReadAll(filer);
    } catch (const EKestReadError& e) {
        return {e.what(), filer.LoadPosition()};
    }
    return {"no error", filer.LoadPosition()};
}

TEST(FilerBinaryBuffer, FaultsAreTheSameWhateverEachReadHandsOver)
{
    // Each record first adds a text to the dictionary, then fails: the short
    // way must leave the record untouched for the careful way to report.
    const std::string cases[] = {
        TRecord(4).Inline("A").Id(3).Build(),
        TRecord(4).Inline("A").RawKeys(std::string("\x00\x01", 2), 1).Build(),
        TRecord(4).Inline("A").RawKeys("\x01\x09z", 1).Build(),
        TRecord(4).Inline("A").RawKeys("\x02\x01", 1).Size(13).Build(),
        TRecord(5).Inline("A").U32(20).U64(1).Build(),
        TRecord(5).Inline("A").U32(3).U16(1).Build(),
        // Shaped like the commonest records, with an undefined id or a list
        // longer than its record.
        TRecord(6).Id(200).Build(),
        TRecord(5).Id(200).U32(3).U32(1).Build(),
        TRecord(5).Id(0).Id(200).U32(256).U32(1).Build(),
        TRecord(5).Id(0).U32(512).U32(3).U32(0).Build(),
    };
    for (const std::string& record : cases) {
        // The same faulty record after one that defines the dictionary's
        // first entries, so that a text added twice would show.
        const std::string bytes = kSignature + TRecord(4).Inline("x").Inline("y").Build() + record;
        const TFault whole = FaultOf(bytes, 1 << 20);
        EXPECT_EQ(whole.message.rfind("Stream read error", 0), 0u) << whole.message;
        for (int64_t chunk : {1, 7}) {
            const TFault trickled = FaultOf(bytes, chunk);
            EXPECT_EQ(trickled.message, whole.message) << chunk;
            EXPECT_EQ(trickled.position, whole.position) << chunk;
        }
    }
}

TEST(FilerBinaryBuffer, KeysRunningPastARecordAtTheBufferEndAreAFault)
{
    // A long first key leaves too little room for the short keys declared
    // after it, in a record that ends exactly where the first buffer does:
    // the keys must not be looked for past the record.
    constexpr size_t kBuffer = 65536;
    constexpr uint16_t kKeys = 1000;
    std::string keys = std::string("\x01\x64", 2) + std::string(100, 'k');
    while (keys.size() < 2u * kKeys)
        keys += std::string("\x05\x00", 2);
    const std::string faulty = TRecord(6).RawKeys(keys, kKeys).Build();
    ASSERT_EQ(faulty.size(), 8u + 2 * kKeys);
    // Filler: "end" records and one 12-byte record to make the count even.
    std::string bytes = kSignature + TRecord(6).Inline("ab").Build();
    while (bytes.size() < kBuffer - faulty.size())
        bytes += TRecord(7).Build();
    ASSERT_EQ(bytes.size() + faulty.size(), kBuffer);
    bytes += faulty;

    const TFault whole = FaultOf(bytes, 1 << 20);
    EXPECT_EQ(whole.message, "Stream read error");
    EXPECT_EQ(whole.position, static_cast<int64_t>(kBuffer));
    for (int64_t chunk : {1, 7}) {
        const TFault trickled = FaultOf(bytes, chunk);
        EXPECT_EQ(trickled.message, whole.message) << chunk;
        EXPECT_EQ(trickled.position, whole.position) << chunk;
    }
}

TEST(FilerBinaryBuffer, HexLinesReportProgressAndCanBeSkipped)
{
    Lines lines {"object A: TKestPicture", "Data = {"};
    for (int b = 0; b < 300; ++b)
        lines.push_back(HexRow(1, b) + (b == 299 ? " }" : ""));
    lines.insert(lines.end(), {"end", "object B: TKestBox", "end"});
    const std::string bytes = EncodeBinary(lines);

    // Every hex line moves the position by one byte, and progress follows it.
    TKestMemoryStream stream(bytes.data(), bytes.size());
    TKestFiler filer(stream);
    std::vector<std::pair<int, int64_t>> events;
    filer.OnProgress = [&events](TKestFiler* sender, int value, TKestFilerProcess) {
        events.emplace_back(value, sender->LoadPosition());
    };
    const Lines got = ReadAll(filer);
    EXPECT_EQ(got.size(), lines.size() + 1);
    ASSERT_GT(events.size(), 50u);
    for (const auto& [value, position] : events) {
        const double exact = 100.0 * static_cast<double>(position) / static_cast<double>(bytes.size());
        EXPECT_LE(std::abs(value - exact), 0.5) << position;
    }
    EXPECT_EQ(events.back().first, 100);

    // Leaving a hex value half read: the skip passes over its other bytes.
    for (int64_t chunk : {1, 4096}) {
        TTrickleStream trickle(bytes, chunk);
        TKestFiler skipper(trickle);
        EXPECT_EQ(skipper.LoadStr(), "kestbinary");
        EXPECT_EQ(skipper.LoadStr(), "object A: TKestPicture");
        EXPECT_EQ(skipper.LoadStr(), "Data = {");
        EXPECT_EQ(skipper.LoadStr(), "00");
        skipper.LoadSkipToEnd();
        EXPECT_EQ(ReadAll(skipper), (Lines {"object B: TKestBox", "end"})) << chunk;
    }
}

} // namespace
} // namespace kest::test
