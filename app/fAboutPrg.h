// The About box: the program's name, version and credits, links to write
// or browse to its authors, and a line about the operating system and its
// memory. Also the readers of that information.
#pragma once

#include <QDialog>
#include <QUrl>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class QLabel;
class QPushButton;

namespace doravo {

struct TVersionInfo {
    std::string FileDescription;
    std::string LegalCopyright;
    std::string Mail;
    std::string URL;
    int Major = 0, Minor = 0, Build = 0;
};

// The version information of a program whose build version is the text
// "major.minor.build"; none when the text is not of that form.
std::optional<TVersionInfo> VersionInfoOf(std::string_view buildVersion);
// This program's, from its build.
std::optional<TVersionInfo> ProgramVersionInfo();

struct TOSVersion {
    std::string Name;
    int Major = 0, Minor = 0, Build = 0;
    std::string ServicePack; // the rest of the kernel release, e.g. "18-amd64"
};

// The system's name from an os-release file: PRETTY_NAME, else NAME;
// empty when the file cannot be read or names nothing.
std::string ReadOSReleaseName(const std::string& path);
// Splits a kernel release such as "6.1.0-18-amd64" into version numbers
// and the rest; false (nothing changed) when it does not start with a number.
bool ParseKernelRelease(std::string_view release, TOSVersion& version);
// The running system: the name from osReleasePath (or the standard places
// when empty), falling back to the kernel's name, and the kernel's version.
TOSVersion ReadOSVersion(const std::string& osReleasePath = {});
QString FormatOSInformation(const TOSVersion& version);

// Kilobytes holding bytes, rounded up.
uint64_t MemoryKB(uint64_t bytes);
// The machine's total physical memory; 0 when unknown.
uint64_t PhysicalMemoryBytes();

// Where the About box takes what it shows; tests stand in their own.
struct TAboutSources {
    std::optional<TVersionInfo> Version = ProgramVersionInfo();
    std::string OSReleasePath; // empty: the standard places
    uint64_t MemoryBytes = PhysicalMemoryBytes();
};

class TformAbout : public QDialog {
public:
    static constexpr int ClientWidth = 337;
    static constexpr int ClientHeight = 205;

    explicit TformAbout(QWidget* parent = nullptr, const TAboutSources& sources = {});

    QLabel* lblApplicationName;
    QLabel* lblVersion;
    QLabel* lblCopyright;
    QLabel* lbEMail;
    QLabel* lblHyperlink;
    QLabel* lblOSInformation;
    QLabel* lblMemoryCaption;
    QLabel* lblOSMemoryAvailable;
    QPushButton* btnOk;

    // Asks the desktop to open a link; replaceable so that tests see the
    // request instead of a browser.
    std::function<bool(const QUrl& url)> OnOpenUrl;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* CreateLogo();
    void ShowInformation(const TAboutSources& sources);
};

// Shows the About box modally.
void ShowAbout(QWidget* parent = nullptr);

} // namespace doravo
