// The options in the section "Options": defaults of a fresh installation,
// round trips through the file, and what odd values read as.
#include <gtest/gtest.h>

#include "AppOptions.h"
#include "IniFile.h"
#include "SiteTestSupport.h"

namespace doravo::testing {
namespace {

TEST(AppOptionsTest, FreshInstallationDefaultsAndFileLayout)
{
    TScratch scratch;
    const std::string path = scratch.Path("doravo.ini");
    TIniFile ini(path);
    TAppOptions options;
    options.ShowHints = true; // overwritten by the read
    ReadOptions(ini, options);
    EXPECT_FALSE(options.ShowHints);
    EXPECT_EQ(options.ShowZoneCaptions, 2);
    EXPECT_EQ(options.SelFrameWidth, 1);
    EXPECT_EQ(options.LampsEffect, 1);
    EXPECT_TRUE(options.Emulation);
    EXPECT_FALSE(options.ShowPersonsCards);
    EXPECT_TRUE(options.ShowCardsInKest);

    std::string error;
    ASSERT_TRUE(SaveOptions(ini, options, error)) << error;
    EXPECT_EQ(ReadText(path),
        "[Options]\nShowHints=0\nShowZoneCaptions=2\nSelFrameWidth=1\nLampsEffect=1\nShowPersonsCards=0\n"
        "Emulation=1\nShowCardsInKest=1\n");
}

TEST(AppOptionsTest, SavedOptionsReadBackAndTheSiteStays)
{
    TScratch scratch;
    const std::string path = scratch.Path("doravo.ini");
    const std::string site = "[Personnel]\nCount=1\nItem0=7;Lee;Ann\n; keep me\n";
    WriteText(path, site + "[OPTIONS]\nemulation=1\nUnknownOption=x\n");
    TAppOptions options {true, 0, 9, 2, false, true, false};
    {
        TIniFile ini(path);
        std::string error;
        ASSERT_TRUE(SaveOptions(ini, options, error)) << error;
    }
    TIniFile again(path);
    TAppOptions read;
    ReadOptions(again, read);
    EXPECT_EQ(read, options);
    const std::string text = ReadText(path);
    EXPECT_TRUE(text.starts_with(site + "[OPTIONS]\nemulation=0\nUnknownOption=x\nShowHints=1\n")) << text;
}

TEST(AppOptionsTest, OddValues)
{
    TIniFile ini("");
    ini.SetText("[Options]\nShowHints=-3\nShowZoneCaptions=258\nSelFrameWidth=40\nLampsEffect=abc\n"
                "Emulation=0\nShowPersonsCards=yes\nShowCardsInKest=\n");
    TAppOptions options;
    ReadOptions(ini, options);
    EXPECT_TRUE(options.ShowHints); // any integer but 0
    EXPECT_EQ(options.ShowZoneCaptions, 2); // low 8 bits of 258
    EXPECT_EQ(options.SelFrameWidth, 40); // used as it stands
    EXPECT_EQ(options.LampsEffect, 1); // not a number: default
    EXPECT_FALSE(options.Emulation);
    EXPECT_FALSE(options.ShowPersonsCards); // not a number: default
    EXPECT_TRUE(options.ShowCardsInKest); // empty: default
}

TEST(AppOptionsTest, FailedSaveKeepsTheFile)
{
    TScratch scratch;
    const std::string path = scratch.Path("doravo.ini");
    const std::string original = "[Zones]\nCount=0\n[Options]\nEmulation=1\n";
    WriteText(path, original);
    TIniFile ini(path);
    ini.SetWriter([](const std::string&, std::string_view, std::string& error) {
        error = "Disk quota exceeded";
        return false;
    });
    TAppOptions options;
    options.Emulation = false;
    std::string error;
    EXPECT_FALSE(SaveOptions(ini, options, error));
    EXPECT_NE(error.find(path), std::string::npos);
    EXPECT_EQ(ReadText(path), original);
}

} // namespace
} // namespace doravo::testing
