// The binary form: record layout, value typing, decoding of every value
// type, the dictionary, skipped and ending commands, and hostile blocks.
#include <gtest/gtest.h>

#include "FilerTestSupport.h"
#include "KestError.h"

namespace kest::test {
namespace {

using Lines = std::vector<std::string>;

std::string Block(std::initializer_list<std::string> records)
{
    std::string out = kSignature;
    for (const std::string& r : records)
        out += r;
    return out;
}

// Lines written in the binary form and read back, without the signature line.
Lines RoundTrip(const Lines& lines)
{
    Lines got = ReadAll(EncodeBinary(lines));
    if (got.empty() || got.front() != "kestbinary")
        return {"(no signature)"};
    got.erase(got.begin());
    return got;
}

std::string ReadErrorOf(const std::string& bytes)
{
    try {
        ReadAll(bytes);
    } catch (const EKestReadError& e) {
        return e.what();
    }
    return "no error";
}

std::string WriteErrorOf(const std::string& line)
{
    try {
        EncodeBinary({line});
    } catch (const EKestWriteError& e) {
        return e.what();
    }
    return "no error";
}

TEST(FilerBinary, RecordLayoutAndDictionaryReferences)
{
    const std::string bytes = EncodeBinary({"document Main", "object Box: TKestBox", "Name = Box", "end"});
    const std::string expected = Block({
        TRecord(1).Inline("Main"),
        TRecord(4).Inline("Box").Inline("TKestBox"),
        // The name is new; the value "Box" is id 1 from the object line.
        TRecord(5).Inline("Name").Id(1).U32(256).U32(1),
        TRecord(7),
        kEndRecord,
    });
    EXPECT_EQ(bytes, expected);
}

TEST(FilerBinary, KeyNumbersTakeTheNarrowestWidth)
{
    const std::string text300(300, 't');
    const std::string text70000(70000, 'u');
    const std::string bytes = EncodeBinary({"A = " + text300, "B = " + text70000});
    const std::string expected = Block({TRecord(5).Inline("A").Inline(text300).U32(256).U32(1),
        TRecord(5).Inline("B").Inline(text70000).U32(256).U32(1), kEndRecord});
    ASSERT_EQ(bytes, expected);
    // Width codes 2 and 3 in the flag bytes.
    EXPECT_EQ(bytes[kSignature.size() + 8 + 3], '\x02');
    EXPECT_EQ(ReadAll(bytes), (Lines {"kestbinary", "A = " + text300, "B = " + text70000}));
}

// Type code of the first record of a block, found by walking its keys.
uint32_t ValueType(const std::string& bytes)
{
    auto byte = [&](size_t i) { return i < bytes.size() ? static_cast<uint8_t>(bytes[i]) : 0u; };
    auto number = [&](size_t at, int width) {
        uint32_t v = 0;
        for (int i = width - 1; i >= 0; --i)
            v = (v << 8) | byte(at + i);
        return v;
    };
    size_t pos = kSignature.size() + 8;
    for (uint32_t keys = number(kSignature.size() + 2, 2); keys > 0; --keys) {
        const uint8_t flag = byte(pos);
        const int width = (flag & 3) == 3 ? 4 : flag & 3;
        const uint32_t n = number(pos + 1, width);
        pos += 1 + width + ((flag & 4) ? 0 : n);
    }
    return number(pos, 4);
}

TEST(FilerBinary, ValueTextChoosesItsType)
{
    struct Case {
        const char* value;
        uint32_t type;
    };
    // Typed as 32-bit integers only when the text is the canonical decimal.
    const Case cases[] = {
        {"5", 3},
        {"-5", 3},
        {"2147483647", 3},
        {"-2147483648", 3},
        {"2147483648", 256},
        {"0", 256},
        {"007", 256},
        {"-0", 256},
        {"-", 256},
        {"12a", 256},
        {"1.5", 256},
        {"True", 11},
        {"False", 11},
        {"true", 256},
        {"'(x)'", 256},
        {"'a b'", 256},
        {"plain", 256},
        {"", 256},
        {"( )", 512},
        {"()", 512},
        {"{ }", 513},
        {"-12,5,7", 256},
    };
    for (const Case& c : cases) {
        const std::string bytes = EncodeBinary({std::string("P = ") + c.value});
        EXPECT_EQ(ValueType(bytes), c.type) << c.value;
    }
}

TEST(FilerBinary, DecodedValuesRoundTrip)
{
    const Lines lines {"P = 5", "P = -2147483648", "P = 007", "P = -0", "P = 1.5", "P = True", "P = False", "P = true",
        "P = plain", "P = 'a b'", "P = '(x)'", "P = '{y'", "P = 'it's'", "P = ( )", "P = { }", "Q = -12,5,7"};
    EXPECT_EQ(RoundTrip(lines), lines);

    // Quotes a text needs are restored; needless ones are not.
    EXPECT_EQ(RoundTrip({"P = 'abc'", "P = ''", "P =", "P = (", "'x'", "'y' )"}),
        (Lines {"P = abc", "P = ", "P = ", "P = (", "'x'", "'y' )"}));
}

TEST(FilerBinary, EncodingFaultsAreWriteErrors)
{
    EXPECT_EQ(WriteErrorOf("no equals sign"), "Stream write error");
    EXPECT_EQ(WriteErrorOf("object NoColon"), "Stream write error");
    EXPECT_EQ(WriteErrorOf("P = 'unclosed"), "Stream write error");
    EXPECT_EQ(WriteErrorOf("P = '"), "Stream write error");
    EXPECT_EQ(WriteErrorOf("P = 'a' b"), "Stream write error");

    TKestMemoryStream stream;
    TKestFiler filer(stream);
    filer.SetBinary(true);
    filer.SaveStr("Data = {");
    EXPECT_THROW(filer.SaveStr("0G }"), EKestWriteError);
    EXPECT_THROW(filer.SaveValue("Big", TPropValue(int64_t {1})), EKestWriteError);

    TKestFiler textFiler(stream);
    EXPECT_THROW(textFiler.SaveValue("V", TPropValue(int32_t {1})), EKestWriteError);
}

TEST(FilerBinary, KeywordLinesAndTheirArguments)
{
    EXPECT_EQ(RoundTrip({"document", "document  Two  ", "clipboard", "library Lib", "object  A:B : TKestBox ",
                  "property Brush", "end", "kestbinary", "", "   "}),
        (Lines {"document ", "document Two  ", "clipboard", "library Lib", "object A:B: TKestBox", "property Brush",
            "end"}));
}

TEST(FilerBinary, MultiLineValuesAreCollectedAndReplayed)
{
    const Lines written {
        "Lines = (", "  'a'", "  ''", "  not quoted", "  'x y' )", "Data = {", "  0A0B0C", "  FF7 }", "Tail = 1"};
    const std::string bytes = EncodeBinary(written);
    EXPECT_EQ(bytes,
        Block({TRecord(5).Inline("Lines").U32(512).U32(3).U32(1).Raw("a").U32(0).U32(3).Raw("x y"),
            TRecord(5).Inline("Data").U32(513).Raw("\x0A\x0B\x0C\xFF"), TRecord(5).Inline("Tail").U32(3).U32(1),
            kEndRecord}));
    EXPECT_EQ(ReadAll(bytes),
        (Lines {"kestbinary", "Lines = (", "'a'", "''", "'x y' )", "Data = {", "0A", "0B", "0C", "FF }", "Tail = 1"}));

    // A text block handed over whole is split at every kind of line break.
    TKestMemoryStream stream;
    TKestFiler filer(stream);
    filer.SetBinary(true);
    const std::string block = "Data = {\r\n  0A\n\r  0B\r\r  0C\n  FF }\r\n";
    filer.SaveBuf(block.data(), block.size());
    filer.SetBinary(false);
    EXPECT_EQ(Bytes(stream), Block({TRecord(5).Inline("Data").U32(513).Raw("\x0A\x0B\x0C\xFF"), kEndRecord}));
}

TEST(FilerBinary, UnclosedValueIsKeptWhenTheBlockCloses)
{
    EXPECT_EQ(RoundTrip({"Lines = (", "'a'"}), (Lines {"Lines = (", "'a' )"}));
}

TEST(FilerBinary, TypedValuesFromTheFramework)
{
    TKestMemoryStream stream;
    TKestFiler filer(stream);
    filer.SetBinary(true);
    filer.SaveValue("Empty", TPropValue {});
    filer.SaveValue("Null", TPropValue {TNullValue {}});
    EXPECT_EQ(stream.Size(), 0) << "no value, no block";
    filer.SaveValue("I", TPropValue(int32_t {-7}));
    filer.SaveValue("B", TPropValue(true));
    filer.SaveValue("D", TPropValue(0.1));
    filer.SaveValue("S", TPropValue(std::string("a b")));
    filer.SaveValue("N", TPropValue(std::string("123")));
    filer.SaveValue("L", TPropValue(TStrings {"x", "", "it's"}));
    filer.SaveValue("E", TPropValue(TStrings {}));
    filer.SaveValue("H", TPropValue(TBytes {0x00, 0xAB}));
    filer.SetBinary(false);
    EXPECT_EQ(ReadAll(Bytes(stream)),
        (Lines {"kestbinary", "I = -7", "B = True", "D = 0.1", "S = 'a b'", "N = 123", "L = (", "'x'", "''", "'it's' )",
            "E = ( )", "H = {", "00", "AB }"}));
}

TEST(FilerBinary, EveryValueTypeDecodes)
{
    auto value
        = [](uint32_t type, const std::string& bytes) { return TRecord(5).Inline("V").U32(type).Raw(bytes).Build(); };
    auto le = [](uint64_t v, int width) {
        std::string out;
        for (int i = 0; i < width; ++i)
            out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
        return out;
    };
    const std::string bytes = Block({
        value(2, le(0xFFFE, 2)),
        value(3, le(0x80000000u, 4)),
        value(4, le(0x3FC00000u, 4)), // 1.5f
        value(5, le(0x4004000000000000ull, 8)), // 2.5
        value(6, le(12345, 8)), // 1.2345 as currency
        value(7, le(0xC059000000000000ull, 8)), // -100.0 as a date
        value(11, le(2, 4)),
        value(11, le(0, 4)),
        value(16, le(0x80, 1)),
        value(17, le(0xFF, 1)),
        value(18, le(0xFFFF, 2)),
        value(19, le(0xFFFFFFFFu, 4)),
        kEndRecord,
    });
    EXPECT_EQ(ReadAll(bytes),
        (Lines {"kestbinary", "V = -2", "V = -2147483648", "V = 1.5", "V = 2.5", "V = 1.2345", "V = -100", "V = True",
            "V = False", "V = -128", "V = 255", "V = 65535", "V = 4294967295"}));
}

TEST(FilerBinary, SkippedAndEndingCommands)
{
    // 4096 and above: an empty line, payload passed over; reading goes on.
    EXPECT_EQ(ReadAll(Block({TRecord(4096).Inline("k").Raw("junk"), TRecord(65535), TRecord(7), kEndRecord})),
        (Lines {"kestbinary", "", "", "end"}));
    // 0 and 10..4095 end reading, also on later calls.
    for (uint16_t command : {0, 10, 4095}) {
        const std::string bytes = Block({TRecord(7), TRecord(command), TRecord(7)}) + "text\r\n";
        TKestMemoryStream stream(bytes.data(), bytes.size());
        TKestFiler filer(stream);
        EXPECT_EQ(ReadAll(filer), (Lines {"kestbinary", "end"})) << command;
        std::string line;
        EXPECT_FALSE(filer.LoadStrCheck(line));
    }
}

TEST(FilerBinary, TextResumesAfterTheEndRecord)
{
    TKestMemoryStream stream;
    TKestFiler filer(stream);
    filer.SaveStr("before");
    filer.SetBinary(true);
    filer.SaveStr("object A: T");
    filer.SaveStr("end");
    filer.SetBinary(false);
    filer.SaveStr("Name = x");
    filer.SaveStr("kestbinary?");
    filer.SetBinary(true);
    filer.SaveStr("Name = y");
    filer.Rewind(); // closes the second block
    EXPECT_FALSE(filer.Binary());
    EXPECT_EQ(ReadAll(filer),
        (Lines {"before", "kestbinary", "object A: T", "end", "Name = x", "kestbinary?", "kestbinary", "Name = y"}));
}

TEST(FilerBinary, ReadingAndWritingModesExcludeEachOther)
{
    TKestMemoryStream stream;
    TKestFiler filer(stream);
    filer.SetBinary(true);
    filer.SaveStr("A = 1");
    std::string line = "stale";
    EXPECT_FALSE(filer.LoadStrCheck(line));
    EXPECT_EQ(line, "");

    const std::string bytes = Block({TRecord(7), TRecord(7)});
    TKestMemoryStream in(bytes.data(), bytes.size());
    TKestFiler reader(in);
    EXPECT_EQ(reader.LoadStr(), "kestbinary");
    EXPECT_EQ(reader.LoadStr(), "end");
    reader.SaveStr("ignored = 1");
    EXPECT_EQ(in.Size(), static_cast<int64_t>(bytes.size()));
}

TEST(FilerBinary, EmptyInlineTextStaysOutOfTheDictionary)
{
    // Key 0 of the second record is the empty text; "B" must get id 1.
    const std::string bytes = Block({
        TRecord(5).Inline("A").Inline("").U32(256).U32(1),
        TRecord(5).Inline("B").Id(0).U32(256).U32(1),
        TRecord(5).Id(1).Id(0).U32(256).U32(1),
        kEndRecord,
    });
    EXPECT_EQ(ReadAll(bytes), (Lines {"kestbinary", "A = ", "B = A", "B = A"}));
    EXPECT_EQ(RoundTrip({"E = ", "F = ''", "G = x", "G = E"}), (Lines {"E = ", "F = ", "G = x", "G = E"}));
}

TEST(FilerBinary, NoAddFlagKeepsInlineTextOutOfTheDictionary)
{
    const std::string bytes = Block({
        TRecord(5).Inline("A").Inline("private", 8).U32(256).U32(1),
        TRecord(5).Inline("B").Id(1).U32(256).U32(1),
        kEndRecord,
    });
    EXPECT_EQ(ReadAll(bytes), (Lines {"kestbinary", "A = private", "B = B"}));
}

TEST(FilerBinary, TrimRecordDropsTheMostRecentEntries)
{
    const std::string bytes = Block({
        TRecord(4).Inline("a").Inline("b"),
        TRecord(4).Inline("c").Inline("d"),
        TRecord(8).U32(3),
        TRecord(4).Id(0).Inline("e"), // "e" becomes id 1
        TRecord(4).Id(1).Id(0),
        TRecord(8).U32(100), // keeps one entry
        TRecord(4).Id(0).Inline("f"),
        TRecord(4).Id(1).Id(0),
        kEndRecord,
    });
    EXPECT_EQ(ReadAll(bytes),
        (Lines {
            "kestbinary", "object a: b", "object c: d", "object a: e", "object e: a", "object a: f", "object f: a"}));
}

TEST(FilerBinary, SkippingABlockKeepsTheDictionaryInStep)
{
    const std::string bytes
        = EncodeBinary({"object A: TBox", "Name = first", "property Brush", "Color = 5", "end", "Lines = (", "'q'",
              "'r' )", "end", "object B: TBox", "Name = first", "Color = 5", "end"})
        + "text\r\n";
    TKestMemoryStream stream(bytes.data(), bytes.size());
    TKestFiler filer(stream);
    EXPECT_EQ(filer.LoadStr(), "kestbinary");
    const std::string first = filer.LoadStr();
    EXPECT_EQ(first, "object A: TBox");
    EXPECT_TRUE(filer.CheckLoadSkip(first));
    EXPECT_EQ(ReadAll(filer), (Lines {"object B: TBox", "Name = first", "Color = 5", "end", "text"}));

    // Skipping from inside a multi-line value, and across the block's end.
    TKestMemoryStream again(bytes.data(), bytes.size());
    TKestFiler skipper(again);
    skipper.LoadStr();
    skipper.LoadStr();
    skipper.LoadStr();
    EXPECT_EQ(skipper.LoadStr(), "property Brush");
    skipper.LoadStr();
    skipper.LoadStr();
    EXPECT_EQ(skipper.LoadStr(), "Lines = (");
    skipper.LoadSkipToEnd(); // closes object A
    EXPECT_EQ(skipper.LoadStr(), "object B: TBox");
    skipper.LoadSkipToEnd();
    EXPECT_EQ(ReadAll(skipper), Lines {"text"});
}

TEST(FilerBinary, MalformedBlocksAreReadErrors)
{
    struct Case {
        const char* what;
        std::string bytes;
        const char* message; // exact text, or null when only the kind matters
    };
    const Case cases[] = {
        {"key width 0", Block({TRecord(1).RawKeys(std::string("\x00\x01", 2), 1)}), "Stream read error"},
        {"type 20", Block({TRecord(5).Inline("V").U32(20).U64(1)}), "Stream read error"},
        {"unknown type", Block({TRecord(5).Inline("V").U32(99)}), "Stream read error"},
        {"truncated header", kSignature + std::string("\x07\x00\x00", 3), "Stream read error"},
        {"truncated key", kSignature + TRecord(1).Inline("Main").Build().substr(0, 12), "Stream read error"},
        {"value past the payload", Block({TRecord(5).Inline("V").U32(3).U16(1)}), nullptr},
        {"missing value type", Block({TRecord(5).Inline("V")}), nullptr},
        {"record of 4 GB", Block({TRecord(7).Size(0xFFFFFFFFu)}), nullptr},
        {"record below its header", Block({TRecord(7).Size(4)}), nullptr},
        {"keys beyond the record", Block({TRecord(4).Inline("abc").Inline("def").Size(12)}), nullptr},
        {"too many keys", Block({TRecord(4).RawKeys("", 65535)}), nullptr},
        {"key length beyond the record", Block({TRecord(1).RawKeys("\x03\xFF\xFF\xFF\x3F", 1).Size(1 << 29)}), nullptr},
        {"key length beyond the data", Block({TRecord(1).RawKeys("\x03\xF0\xFF\xFF\x3F", 1).Size(1 << 30)}),
            "Stream read error"},
        {"undefined dictionary id", Block({TRecord(1).Id(0)}), nullptr},
        {"too few keys", Block({TRecord(4).Inline("only")}), nullptr},
        {"text value names a missing key", Block({TRecord(5).Inline("V").U32(256).U32(1)}), nullptr},
        {"list count beyond the payload", Block({TRecord(5).Inline("V").U32(512).U32(0x40000000)}), nullptr},
        {"list element beyond the payload", Block({TRecord(5).Inline("V").U32(512).U32(1).U32(0xFFFFFF00)}), nullptr},
        {"trim without count", Block({TRecord(8)}), nullptr},
    };
    for (const Case& c : cases) {
        const std::string message = ReadErrorOf(c.bytes);
        if (c.message)
            EXPECT_EQ(message, c.message) << c.what;
        else
            EXPECT_EQ(message.rfind("Stream read error", 0), 0u) << c.what << ": " << message;
    }
}

TEST(FilerBinary, CleanEndOfDataEndsAnUnclosedBlock)
{
    EXPECT_EQ(ReadAll(Block({TRecord(7)})), (Lines {"kestbinary", "end"}));
    const std::string bytes = Block({TRecord(4).Inline("A").Inline("T"), TRecord(4).Id(0).Id(1), TRecord(7)});
    TKestMemoryStream stream(bytes.data(), bytes.size());
    TKestFiler filer(stream);
    filer.LoadStr();
    EXPECT_TRUE(filer.CheckLoadSkip(filer.LoadStr()));
    EXPECT_EQ(filer.LoadPosition(), static_cast<int64_t>(bytes.size()));
    EXPECT_EQ(filer.LoadStr(), "");
}

TEST(FilerBinary, ErrorPositionPointsIntoTheRecord)
{
    const std::string bytes = Block({TRecord(7), TRecord(5).Inline("V").U32(20).U64(1)});
    TKestMemoryStream stream(bytes.data(), bytes.size());
    TKestFiler filer(stream);
    EXPECT_THROW(ReadAll(filer), EKestReadError);
    // Signature 12, end record 8, header 8, key 3, type 4.
    EXPECT_EQ(filer.LoadPosition(), 35);
}

TEST(FilerBinary, DecodingAcrossTinyReads)
{
    const Lines lines {
        "document D", "object A: T", "Name = 'x y'", "L = (", "'a'", "'b' )", "H = {", "0A", "FF }", "end"};
    const std::string bytes = EncodeBinary(lines) + "after\r\n";
    for (int64_t chunk : {1, 2, 5}) {
        TTrickleStream stream(bytes, chunk);
        TKestFiler filer(stream);
        Lines expected {"kestbinary"};
        expected.insert(expected.end(), lines.begin(), lines.end());
        expected.push_back("after");
        EXPECT_EQ(ReadAll(filer), expected) << chunk;
    }
}

TEST(FilerBinary, ShortWriteOfARecordIsAWriteError)
{
    TShortWriteStream stream(14);
    TKestFiler filer(stream);
    filer.SetBinary(true);
    EXPECT_THROW(filer.SaveStr("document Main"), EKestWriteError);
}

} // namespace
} // namespace kest::test
