// The About box: version information from the build, the system's name
// from an os-release file, the kernel's version, memory in kilobytes, and
// the two links.
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>

#include "DialogTestSupport.h"
#include "SiteTestSupport.h"
#include "fAboutPrg.h"

namespace doravo {
namespace {

TEST(AboutTest, VersionInformationComesFromTheBuildVersion)
{
    const auto info = VersionInfoOf("2.13.457");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->Major, 2);
    EXPECT_EQ(info->Minor, 13);
    EXPECT_EQ(info->Build, 457);
    EXPECT_FALSE(info->FileDescription.empty());
    EXPECT_FALSE(info->LegalCopyright.empty());
    EXPECT_NE(info->Mail.find('@'), std::string::npos);
    EXPECT_EQ(info->URL.rfind("https://", 0), 0u);
    for (const char* bad :
        {"", "1", "1.2", "1.2.3.4", "a.b.c", "1..2", "-1.2.3", "1.2.3x", "1.2.", " 1.2.3", "1.2.99999999999"})
        EXPECT_FALSE(VersionInfoOf(bad)) << bad;

    int major = -1, minor = -1, build = -1;
    ASSERT_EQ(std::sscanf(DORAVO_VERSION, "%d.%d.%d", &major, &minor, &build), 3);
    TformAbout about;
    EXPECT_EQ(about.lblVersion->text(), QStringLiteral("Version: %1.%2 (Build %3)").arg(major).arg(minor).arg(build));
    EXPECT_EQ(about.lblApplicationName->text().toStdString(), ProgramVersionInfo()->FileDescription);
    EXPECT_EQ(about.lbEMail->text().toStdString(), ProgramVersionInfo()->Mail);
    EXPECT_EQ(about.lblHyperlink->text().toStdString(), ProgramVersionInfo()->URL);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(about.size(), QSize(TformAbout::ClientWidth, TformAbout::ClientHeight));
}

TEST(AboutTest, WithoutVersionInformationDefaultsShowAndTheLinksAreEmpty)
{
    TAboutSources sources;
    sources.Version.reset();
    TformAbout about(nullptr, sources);
    EXPECT_FALSE(about.lblApplicationName->text().isEmpty());
    EXPECT_FALSE(about.lblCopyright->text().isEmpty());
    EXPECT_TRUE(about.lbEMail->text().isEmpty());
    EXPECT_TRUE(about.lblHyperlink->text().isEmpty());
    EXPECT_EQ(about.lblVersion->text(), QStringLiteral("Version: %d.%d (Build %d)"));
}

TEST(AboutTest, TheSystemNameIsReadFromOsRelease)
{
    testing::TScratch scratch;
    const struct {
        const char* text;
        const char* name;
    } cases[] = {
        {"NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n",
            "Debian GNU/Linux 12 (bookworm)"},
        {"PRETTY_NAME=\"Ubuntu 24.04 LTS\"\r\nNAME=\"Ubuntu\"\r\n", "Ubuntu 24.04 LTS"},
        {"# no pretty name\nNAME='Alpine Linux'\nVERSION_ID=3.19\n", "Alpine Linux"},
        {"NAME=Fedora\nPRETTY_NAME=\"\"\n", "Fedora"},
        {"PRETTY_NAME=\"Say \\\"hi\\\" \\\\ there\"\n", "Say \"hi\" \\ there"},
        {"PRETTY_NAME=Plain\\ Name\n", "Plain Name"},
        {"MY_PRETTY_NAME=\"not this\"\nID=x\n", ""},
        {"\x01\x02garbage=\xff\xfe\n=\n==\nPRETTY_NAME=\"unterminated\n", "unterminated"},
    };
    for (const auto& c : cases) {
        const std::string path = scratch.Path("os-release");
        testing::WriteText(path, c.text);
        EXPECT_EQ(ReadOSReleaseName(path), c.name) << c.text;
    }
    EXPECT_EQ(ReadOSReleaseName(scratch.Path("missing")), "");
}

TEST(AboutTest, KernelReleasesSplitIntoVersionAndRest)
{
    const struct {
        const char* release;
        int major, minor, build;
        const char* rest;
    } cases[] = {
        {"6.1.0-18-amd64", 6, 1, 0, "18-amd64"},
        {"5.15.90.1-microsoft-standard-WSL2", 5, 15, 90, "1-microsoft-standard-WSL2"},
        {"6.8", 6, 8, 0, ""},
        {"6.8-arch1", 6, 8, 0, "arch1"},
        {"4.19.0+", 4, 19, 0, ""},
        {"3", 3, 0, 0, ""},
        {"6.x.1", 6, 0, 0, "x.1"},
    };
    for (const auto& c : cases) {
        TOSVersion version;
        version.Name = "kept";
        ASSERT_TRUE(ParseKernelRelease(c.release, version)) << c.release;
        EXPECT_EQ(version.Major, c.major) << c.release;
        EXPECT_EQ(version.Minor, c.minor) << c.release;
        EXPECT_EQ(version.Build, c.build) << c.release;
        EXPECT_EQ(version.ServicePack, c.rest) << c.release;
        EXPECT_EQ(version.Name, "kept");
    }
    for (const char* bad : {"", "linux", "-6.1", "99999999999.1"}) {
        TOSVersion version;
        version.Major = 42;
        EXPECT_FALSE(ParseKernelRelease(bad, version)) << bad;
        EXPECT_EQ(version.Major, 42) << bad;
    }
    TOSVersion debian {"Debian GNU/Linux 12 (bookworm)", 6, 1, 0, "18-amd64"};
    EXPECT_EQ(
        FormatOSInformation(debian), QStringLiteral("Debian GNU/Linux 12 (bookworm) (Version 6.1 Build 0 18-amd64)"));
}

TEST(AboutTest, TheAboutBoxNamesTheSystemFromTheGivenFile)
{
    testing::TScratch scratch;
    TAboutSources sources;
    sources.OSReleasePath = scratch.Path("os-release");
    testing::WriteText(sources.OSReleasePath, "NAME=Sample\nPRETTY_NAME=\"Sample OS 1.0\"\n");
    TformAbout about(nullptr, sources);
    const QRegularExpression form(QStringLiteral(R"(^Sample OS 1\.0 \(Version \d+\.\d+ Build \d+ .*\)$)"));
    EXPECT_TRUE(form.match(about.lblOSInformation->text()).hasMatch()) << about.lblOSInformation->text().toStdString();

    // Without a readable file the kernel's own name stands in.
    sources.OSReleasePath = scratch.Path("missing");
    TformAbout bare(nullptr, sources);
    EXPECT_FALSE(bare.lblOSInformation->text().startsWith(QStringLiteral(" (")));
    EXPECT_TRUE(bare.lblOSInformation->text().contains(QStringLiteral(" (Version ")));
}

TEST(AboutTest, MemoryIsShownInKilobytesRoundedUp)
{
    const struct {
        uint64_t bytes, kb;
    } cases[] = {{0, 0}, {1, 1}, {1023, 1}, {1024, 1}, {1025, 2}, {8ull << 30, 8ull << 20},
        {(16ull << 30) + 1, (16ull << 20) + 1}, {UINT64_MAX, 1ull << 54}, {UINT64_MAX - 1023, (1ull << 54) - 1}};
    for (const auto& c : cases)
        EXPECT_EQ(MemoryKB(c.bytes), c.kb) << c.bytes;

    TAboutSources sources;
    sources.MemoryBytes = (16ull << 30) + 1;
    TformAbout about(nullptr, sources);
    EXPECT_EQ(about.lblOSMemoryAvailable->text(), QStringLiteral("16777217 KB"));
    EXPECT_TRUE(about.lblOSMemoryAvailable->alignment() & Qt::AlignRight);
    EXPECT_TRUE(about.lblMemoryCaption->text().startsWith(QStringLiteral("Physical memory available to ")));
}

// The kernel's count of physical memory, as /proc/meminfo reports it.
TEST(AboutTest, PhysicalMemoryMatchesTheKernelsCount)
{
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    uint64_t kb = 0;
    while (meminfo >> key && key != "MemTotal:")
        meminfo.ignore(1 << 10, '\n');
    if (!(meminfo >> kb))
        GTEST_SKIP() << "no /proc/meminfo";
    EXPECT_EQ(MemoryKB(PhysicalMemoryBytes()), kb);
}

TEST(AboutTest, ClickingALinkAsksTheDesktopToOpenIt)
{
    TformAbout about;
    std::vector<QUrl> opened;
    about.OnOpenUrl = [&opened](const QUrl& url) {
        opened.push_back(url);
        return true;
    };
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    QTest::mouseClick(about.lblHyperlink, Qt::RightButton);
    EXPECT_TRUE(opened.empty());
    QTest::mouseClick(about.lblHyperlink, Qt::LeftButton);
    QTest::mouseClick(about.lbEMail, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], QUrl(about.lblHyperlink->text()));
    EXPECT_EQ(opened[1].scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(opened[1].path(), about.lbEMail->text());
    EXPECT_EQ(about.lblHyperlink->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(about.lbEMail->font().underline());

    TAboutSources sources;
    sources.Version.reset();
    TformAbout empty(nullptr, sources);
    empty.OnOpenUrl = about.OnOpenUrl;
    empty.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&empty));
    QTest::mouseClick(empty.lblHyperlink, Qt::LeftButton);
    QTest::mouseClick(empty.lbEMail, Qt::LeftButton);
    EXPECT_EQ(opened.size(), 2u);
}

TEST(AboutTest, TheTextsFitTheFixedClientArea)
{
    TAboutSources sources;
    sources.MemoryBytes = 1ull << 40;
    TformAbout about(nullptr, sources);
    testing::ExpectTextsFit(&about);
    EXPECT_EQ(about.size(), QSize(TformAbout::ClientWidth, TformAbout::ClientHeight));
    EXPECT_TRUE(about.btnOk->isDefault());
}

} // namespace
} // namespace doravo
