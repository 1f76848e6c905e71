// The settings file: lines kept as they were, lookup ignoring case with the
// first match winning, writes that survive a failed save, and the limits.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "IniFile.h"
#include "KestError.h"
#include "SiteTestSupport.h"

namespace doravo::testing {
namespace {

const std::string Commented = "; station settings\r\n"
                              "\r\n"
                              "[Options]\r\n"
                              "  ShowHints = 1   \r\n"
                              "# a note of the installer\r\n"
                              "garbage line without equals\r\n"
                              "[Custom]\r\n"
                              "Anything=goes = here\r\n"
                              "[options]\r\n"
                              "ShowHints=0";

TEST(IniFileTest, UnchangedFileIsWrittenBackByteForByte)
{
    TScratch scratch;
    for (const std::string& text : {Commented, std::string("\xEF\xBB\xBF[A]\nk=v\n\n;end\n"),
             std::string("[A]\nk=1\r\nj=2\n\r\n"), std::string()}) {
        const std::string path = scratch.Path("round.ini");
        WriteText(path, text);
        TIniFile ini(path);
        EXPECT_EQ(ini.Text(), text);
        std::string error;
        ASSERT_TRUE(ini.UpdateFile(error)) << error;
        EXPECT_EQ(ReadText(path), text);
    }
}

TEST(IniFileTest, MixedLineEndsSettleOnTheFirstLineEnd)
{
    TIniFile ini("");
    ini.SetText("[A]\nk=1\r\n");
    EXPECT_EQ(ini.ReadValue("A", "k"), "1");
    ini.SetText("[A]\r\nk=1\nj=2\r\r\n");
    EXPECT_EQ(ini.ReadValue("A", "k"), "1");
    const std::string text = ini.Text();
    EXPECT_EQ(text, "[A]\r\nk=1\r\nj=2\r\r\n");
    ini.SetText(text);
    EXPECT_EQ(ini.Text(), text);
}

TEST(IniFileTest, LookupIgnoresCaseAndTakesTheFirstMatch)
{
    TIniFile ini("");
    ini.SetText(Commented);
    EXPECT_EQ(ini.ReadValue("OPTIONS", "showhints"), "1"); // blanks around key and value trimmed
    EXPECT_TRUE(ini.ReadBool("options", "ShowHints", false));
    EXPECT_EQ(ini.ReadString("custom", "ANYTHING", "-"), "goes = here");
    EXPECT_EQ(ini.ReadValue("Options", "garbage line without equals"), std::nullopt);
    EXPECT_EQ(ini.ReadString("Missing", "ShowHints", "dflt"), "dflt");
    // Only the first "[options]" section counts.
    ASSERT_EQ(ini.ReadSection("Options").size(), 1u);
    EXPECT_EQ(ini.ReadInteger("Custom", "Anything", 42), 42); // not an integer: the default
}

TEST(IniFileTest, WritesChangeOnlyTheirLine)
{
    TIniFile ini("");
    ini.SetText(Commented);
    ASSERT_TRUE(ini.WriteBool("options", "SHOWHINTS", false));
    ASSERT_TRUE(ini.WriteInteger("Options", "LampsEffect", 2));
    ASSERT_TRUE(ini.WriteString("Fresh", "Key", "  padded  "));
    EXPECT_EQ(ini.Text(),
        "; station settings\r\n"
        "\r\n"
        "[Options]\r\n"
        "ShowHints=0\r\n"
        "LampsEffect=2\r\n"
        "# a note of the installer\r\n"
        "garbage line without equals\r\n"
        "[Custom]\r\n"
        "Anything=goes = here\r\n"
        "[options]\r\n"
        "ShowHints=0\r\n"
        "\r\n"
        "[Fresh]\r\n"
        "Key=padded\r\n");
    EXPECT_EQ(ini.ReadValue("fresh", "key"), "padded");
}

TEST(IniFileTest, RefusesWhatOneLineCannotHold)
{
    TIniFile ini("");
    ini.SetText("[A]\nk=v\n");
    const std::string before = ini.Text();
    EXPECT_FALSE(ini.WriteString("A", "k", "two\nlines"));
    EXPECT_FALSE(ini.WriteString("A", "k=x", "v"));
    EXPECT_FALSE(ini.WriteString("A]", "k", "v"));
    EXPECT_FALSE(ini.WriteString(" ", "k", "v"));
    EXPECT_FALSE(ini.WriteString("A", "  ", "v"));
    EXPECT_FALSE(ini.WriteString("A", "[B", "v"));
    EXPECT_FALSE(ini.WriteString("A", ";k", "v"));
    EXPECT_EQ(ini.Text(), before);
}

// Random writes against a plain map: every read agrees with the model, and
// so does a fresh parse of the written text.
TEST(IniFileTest, RandomWritesAgreeWithAMapModel)
{
    std::mt19937 random(12345);
    const std::vector<std::string> sections = {"Options", "options", "Zones", "X"};
    const std::vector<std::string> keys = {"Count", "COUNT", "Item0", "item1", "ShowHints"};
    TIniFile ini("");
    ini.SetText("; head\n[zones]\nItem0=keep\n\n[Other]\nq=1\n");
    auto lower = [](std::string s) {
        for (char& c : s)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    std::map<std::pair<std::string, std::string>, std::string> model = {{{"zones", "item0"}, "keep"}};
    for (int step = 0; step < 400; ++step) {
        const std::string& section = sections[random() % sections.size()];
        const std::string& key = keys[random() % keys.size()];
        const std::string value = std::to_string(random() % 1000);
        ASSERT_TRUE(ini.WriteString(section, key, value));
        model[{lower(section), lower(key)}] = value;
    }
    TIniFile reparsed("");
    reparsed.SetText(ini.Text());
    for (const std::string& section : sections)
        for (const std::string& key : keys) {
            const auto it = model.find({lower(section), lower(key)});
            const std::optional<std::string> expected
                = it == model.end() ? std::nullopt : std::optional<std::string>(it->second);
            EXPECT_EQ(ini.ReadValue(section, key), expected) << section << "/" << key;
            EXPECT_EQ(reparsed.ReadValue(section, key), expected) << section << "/" << key;
        }
    EXPECT_EQ(reparsed.ReadValue("other", "Q"), "1");
    EXPECT_EQ(reparsed.Text(), ini.Text());
    EXPECT_TRUE(ini.Text().starts_with("; head\n"));
}

TEST(IniFileTest, MissingFileReadsEmptyAndSavingCreatesIt)
{
    TScratch scratch;
    const std::string path = scratch.Path("new.ini");
    TIniFile ini(path);
    EXPECT_EQ(ini.Text(), "");
    EXPECT_EQ(ini.ReadInteger("Personnel", "Count", 0), 0);
    ASSERT_TRUE(ini.WriteInteger("Options", "SelFrameWidth", 3));
    std::string error;
    ASSERT_TRUE(ini.UpdateFile(error)) << error;
    EXPECT_EQ(ReadText(path), "[Options]\nSelFrameWidth=3\n");
}

TEST(IniFileTest, FailedSaveLeavesTheFileWhole)
{
    TScratch scratch;
    const std::string path = scratch.Path("site.ini");
    const std::string original = "[Personnel]\nCount=1\nItem0=1;Lee;Ann\n[Options]\nEmulation=1\n";
    WriteText(path, original);
    TIniFile ini(path);
    ASSERT_TRUE(ini.WriteBool("Options", "Emulation", false));

    // A disk that fills up half-way through the new text.
    std::string written;
    ini.SetWriter([&written](const std::string& target, std::string_view data, std::string& error) {
        std::string partial(data.substr(0, data.size() / 2));
        written = partial;
        error = "No space left on device";
        // What the real writer would have left: only a temporary file.
        WriteText(target + ".partial", partial);
        return false;
    });
    std::string error;
    EXPECT_FALSE(ini.UpdateFile(error));
    EXPECT_EQ(error, "Settings file \"" + path + "\" could not be written: No space left on device");
    EXPECT_FALSE(written.empty());
    EXPECT_EQ(ReadText(path), original);

    // The real writer into a folder that does not exist, and over a folder.
    std::string detail;
    EXPECT_FALSE(WriteFileAtomically(scratch.Path("no/such/folder/site.ini"), "x", detail));
    EXPECT_FALSE(detail.empty());
    ASSERT_TRUE(QDir(scratch.dir.path()).mkdir("taken.ini"));
    detail.clear();
    EXPECT_FALSE(WriteFileAtomically(scratch.Path("taken.ini"), "x", detail));
    EXPECT_FALSE(detail.empty());
    EXPECT_TRUE(QFileInfo(QString::fromStdString(scratch.Path("taken.ini"))).isDir());

    // The next save that works writes the change, and only the settings file.
    ini.SetWriter(WriteFileAtomically);
    ASSERT_TRUE(ini.UpdateFile(error)) << error;
    EXPECT_EQ(ReadText(path), "[Personnel]\nCount=1\nItem0=1;Lee;Ann\n[Options]\nEmulation=0\n");
    EXPECT_EQ(QDir(scratch.dir.path()).entryList(QDir::Files).size(), 2); // site.ini, site.ini.partial
}

TEST(IniFileTest, LimitsRaiseErrorsNamingTheFile)
{
    TScratch scratch;
    const std::string path = scratch.Path("huge.ini");
    auto message = [&path](const std::string& text) -> std::string {
        WriteText(path, text);
        try {
            TIniFile ini(path);
        } catch (const kest::EKestError& e) {
            return e.what();
        }
        return "no error";
    };
    EXPECT_EQ(message("[A]\nk=" + std::string(TIniFile::MaxLineLength, 'x') + "\n"),
        "Settings file \"" + path + "\" has a line longer than 65536 bytes (line 2)");
    EXPECT_EQ(message(std::string(TIniFile::MaxLines + 1, '\n')),
        "Settings file \"" + path + "\" has more than 200000 lines");
    EXPECT_EQ(message(std::string(TIniFile::MaxFileSize + 1, ';')),
        "Settings file \"" + path + "\" is larger than 8388608 bytes");
    // Right at the limits it reads.
    EXPECT_EQ(message(std::string(TIniFile::MaxLines, '\n')), "no error");
    ASSERT_TRUE(QDir(scratch.dir.path()).mkdir("folder.ini"));
    EXPECT_THROW(TIniFile(scratch.Path("folder.ini")), kest::EKestError);
}

TEST(IniFileTest, IntegersAreStrictDecimal)
{
    struct TCase {
        const char* text;
        bool ok;
        int32_t value;
    };
    const TCase cases[] = {{"0", true, 0}, {"  -17", true, -17}, {"+5", true, 5}, {"2147483647", true, INT32_MAX},
        {"-2147483648", true, INT32_MIN}, {"2147483648", false, 0}, {"-2147483649", false, 0},
        {"99999999999999999999", false, 0}, {"12 ", false, 0}, {"1x", false, 0}, {"", false, 0}, {"-", false, 0},
        {"$10", false, 0}, {"1.0", false, 0}};
    for (const TCase& c : cases) {
        int32_t value = 0;
        EXPECT_EQ(TryStrToInt(c.text, value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

} // namespace
} // namespace doravo::testing
