// Documents in canonical text survive the trip through the binary form, also
// when the writer's dictionary overflows and is trimmed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "FilerTestSupport.h"
#include "KestUtils.h"

namespace kest::test {
namespace {

using Lines = std::vector<std::string>;

// Writes documents the way the property framework does: indented blocks,
// values quoted where they need it, lists and hex data over several lines.
class TDocumentMaker {
public:
    explicit TDocumentMaker(uint32_t seed)
        : random_(seed)
    {
    }

    std::string Make(int objects)
    {
        TKestMemoryStream stream;
        TKestFiler filer(stream);
        filer.SaveStr("document Main");
        for (int i = 0; i < objects; ++i)
            Object(filer, "  ", i, 0);
        filer.SaveStr("end");
        return Bytes(stream);
    }

private:
    int Pick(int n) { return static_cast<int>(random_() % static_cast<uint32_t>(n)); }

    std::string Text()
    {
        static const char* const samples[]
            = {"plain", "two words", "it's", "(round", "{curly", "0123", "-0", "12abc", "2147483648", "1.25", "-3.5e-7",
                "True", "true", "", "tab\there", "x=y", "end", "object", "kestbinary", "'quoted'"};
        return samples[Pick(std::size(samples))];
    }

    static std::string Quoted(const std::string& text) { return NeedsQuoting(text) ? "'" + text + "'" : text; }

    void Object(TKestFiler& filer, const std::string& indent, int index, int depth)
    {
        const std::string name = "Obj" + std::to_string(depth) + "_" + std::to_string(index);
        filer.SaveStr(indent + "object " + name + ": TKest" + (depth ? "Box" : "Group"));
        const std::string in = indent + "  ";
        filer.SaveStr(in + "ID = " + std::to_string(Pick(100000) + 1));
        filer.SaveStr(in + "Left = " + std::to_string(static_cast<int32_t>(random_())));
        filer.SaveStr(in + "Name = " + Quoted(name));
        filer.SaveStr(in + "Hint = " + Quoted(Text()));
        filer.SaveStr(in + "Visible = " + (Pick(2) ? "True" : "False"));
        filer.SaveStr(in + "property Pen");
        filer.SaveStr(in + "  Color = " + std::to_string(Pick(0x1000000)));
        filer.SaveStr(in + "  Style = psSolid");
        filer.SaveStr(in + "end");
        const int elements = Pick(4);
        if (elements == 0) {
            filer.SaveStr(in + "Lines = ( )");
        } else {
            filer.SaveStr(in + "Lines = (");
            for (int e = 0; e < elements; ++e)
                filer.SaveStr(in + "  '" + Text() + "'" + (e + 1 == elements ? " )" : ""));
        }
        const int bytes = Pick(3) == 0 ? 0 : Pick(100) + 1;
        if (bytes == 0) {
            filer.SaveStr(in + "Data = { }");
        } else {
            // One text block, as the framework hands hex data over.
            std::string block = in + "Data = {";
            for (int b = 0; b < bytes; ++b) {
                if (b % 32 == 0)
                    block += "\r\n" + in + "  ";
                block += ByteToHex(static_cast<uint8_t>(random_()));
            }
            block += " }\r\n";
            filer.SaveBuf(block.data(), block.size());
        }
        if (depth < 2)
            for (int c = Pick(3); c > 0; --c)
                Object(filer, in, c, depth + 1);
        filer.SaveStr(indent + "end");
    }

    std::mt19937 random_;
};

// What the binary form gives back for canonical text: no indentation, and
// hex data one byte per line.
Lines ExpectedAfterBinary(const Lines& text)
{
    Lines out;
    bool inHex = false;
    for (const std::string& line : text) {
        const bool opensHex = line.size() >= 3 && line.compare(line.size() - 3, 3, "= {") == 0;
        if (!inHex) {
            out.push_back(line);
            inHex = opensHex;
            continue;
        }
        const bool last = line.back() == '}';
        const std::string digits = line.substr(0, last ? line.size() - 2 : line.size());
        for (size_t i = 0; i + 1 < digits.size(); i += 2)
            out.push_back(digits.substr(i, 2));
        if (last) {
            out.back() += " }";
            inHex = false;
        }
    }
    return out;
}

Lines ThroughBinary(const Lines& lines)
{
    Lines got = ReadAll(EncodeBinary(lines));
    EXPECT_FALSE(got.empty());
    if (!got.empty() && got.front() == "kestbinary")
        got.erase(got.begin());
    return got;
}

TEST(FilerRoundTrip, CanonicalDocumentsSurviveTheBinaryForm)
{
    for (uint32_t seed : {1u, 2u, 3u, 4u}) {
        const std::string text = TDocumentMaker(seed).Make(20);
        const Lines read = ReadAll(text);
        for (const std::string& line : read)
            ASSERT_NE(line.front(), ' '); // the reader drops indentation
        const Lines expected = ExpectedAfterBinary(read);
        const Lines once = ThroughBinary(read);
        ASSERT_EQ(once, expected) << "seed " << seed;
        EXPECT_EQ(ThroughBinary(once), once) << "seed " << seed;

        // Back to text through the filer gives the same lines again.
        TKestMemoryStream stream;
        TKestFiler filer(stream);
        for (const std::string& line : once)
            filer.SaveStr(line);
        EXPECT_EQ(ReadAll(Bytes(stream)), once);
    }
}

TEST(FilerRoundTrip, OverflowingDictionaryIsTrimmedAndReadBack)
{
    // 70000 lines with two new texts each, then texts from the start (still
    // in the dictionary) and from the middle (long since trimmed).
    Lines lines {"document Big"};
    for (int i = 0; i < 70000; ++i)
        lines.push_back("N" + std::to_string(i) + " = v" + std::to_string(i));
    for (int i : {0, 1, 2, 40000, 69999, 65000, 3})
        lines.push_back("N" + std::to_string(i) + " = v" + std::to_string(i));
    lines.push_back("end");

    const std::string bytes = EncodeBinary(lines);
    // 140002 texts; the first trim comes at entry 65537, then one per 8192.
    const std::vector<uint16_t> commands = RecordCommands(bytes);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), 8), 10);
    EXPECT_EQ(commands.back(), 9);
    EXPECT_EQ(ThroughBinary(lines), lines);
}

TEST(FilerRoundTrip, TrimInsideARecordKeepsBothSidesInStep)
{
    // 32768 lines fill the dictionary to exactly 65536 texts; the last one,
    // "t32767", has the highest id. A line that names it (a reference) and
    // a new text forces a trim while its record is built: the reference
    // must become text the reader does not add, or every later id shifts.
    Lines lines;
    for (int i = 0; i < 32768; ++i)
        lines.push_back("N" + std::to_string(i) + " = t" + std::to_string(i));
    lines.push_back("t32767 = brandnew");
    lines.push_back("X = brandnew");
    lines.push_back("Y = t32767");
    lines.push_back("Z = X");
    lines.push_back("N0 = Y");
    EXPECT_EQ(ThroughBinary(lines), lines);
}

TEST(FilerRoundTrip, SampleDocumentConvertsBothWays)
{
    const char* data = std::getenv("KEST_TEST_DATA");
    ASSERT_NE(data, nullptr);
    TKestFileStream file(std::string(data) + "/../../resources/sample.ksd", TKestFileStream::fmOpenRead);
    TKestFiler reader(file);
    const Lines text = ReadAll(reader);
    ASSERT_GT(text.size(), 30u);
    EXPECT_EQ(ThroughBinary(text), ExpectedAfterBinary(text));
}

} // namespace
} // namespace kest::test
