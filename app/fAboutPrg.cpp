#include "fAboutPrg.h"

#include <QDesktopServices>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <charconv>
#include <sys/sysinfo.h>
#include <sys/utsname.h>

static void InitAboutResources()
{
    Q_INIT_RESOURCE(doravo_app);
}

namespace doravo {

namespace {

constexpr const char* DefaultName = "doravo";
constexpr const char* DefaultCredits = "Access control monitoring station built on the Kest vector plans.";
constexpr const char* VersionFormat = "Version: %d.%d (Build %d)";
constexpr const char* OSFormat = "%s (Version %d.%d Build %d %s)";
constexpr qint64 MaxOSReleaseSize = 64 * 1024;
constexpr int LogoSide = 64;

// Reads a decimal number at the front of text and drops it; false when
// text does not start with a digit or the number does not fit.
bool TakeNumber(std::string_view& text, int& value)
{
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end == text.data() || text.front() == '-')
        return false;
    text.remove_prefix(size_t(end - text.data()));
    return true;
}

// A value of an os-release line: quoted in "…" or '…' or bare, with the
// shell's backslash escapes outside single quotes.
std::string UnquoteOSReleaseValue(std::string_view value)
{
    std::string result;
    char quote = 0;
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (quote == 0 && (c == '"' || c == '\'')) {
            quote = c;
        } else if (c == quote) {
            quote = 0;
        } else if (c == '\\' && quote != '\'' && i + 1 < value.size()) {
            result += value[++i];
        } else {
            result += c;
        }
    }
    return result;
}

QLabel* MakeLinkLabel(QObject* filterOwner)
{
    auto* label = new QLabel;
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(palette);
    label->setCursor(Qt::PointingHandCursor);
    label->installEventFilter(filterOwner);
    return label;
}

} // namespace

std::optional<TVersionInfo> VersionInfoOf(std::string_view buildVersion)
{
    TVersionInfo info;
    std::string_view rest = buildVersion;
    if (!TakeNumber(rest, info.Major) || !rest.starts_with('.'))
        return std::nullopt;
    rest.remove_prefix(1);
    if (!TakeNumber(rest, info.Minor) || !rest.starts_with('.'))
        return std::nullopt;
    rest.remove_prefix(1);
    if (!TakeNumber(rest, info.Build) || !rest.empty())
        return std::nullopt;
    info.FileDescription = "Access control system (demo)";
    info.LegalCopyright = "\u00a9 2026 the doravo developers. Plans drawn with the Kest vector library.";
    info.Mail = "doravo@example.org";
    info.URL = "https://example.org/doravo";
    return info;
}

std::optional<TVersionInfo> ProgramVersionInfo()
{
    return VersionInfoOf(DORAVO_VERSION);
}

std::string ReadOSReleaseName(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.read(MaxOSReleaseSize);
    std::string name, prettyName;
    for (const QByteArray& rawLine : data.split('\n')) {
        std::string_view line(rawLine.constData(), size_t(rawLine.size()));
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, eq);
        if (key == "PRETTY_NAME")
            prettyName = UnquoteOSReleaseValue(line.substr(eq + 1));
        else if (key == "NAME")
            name = UnquoteOSReleaseValue(line.substr(eq + 1));
    }
    return prettyName.empty() ? name : prettyName;
}

bool ParseKernelRelease(std::string_view release, TOSVersion& version)
{
    int numbers[3] = {0, 0, 0};
    if (!TakeNumber(release, numbers[0]))
        return false;
    for (int i = 1; i < 3 && release.starts_with('.'); ++i) {
        std::string_view next = release.substr(1);
        if (!TakeNumber(next, numbers[i]))
            break;
        release = next;
    }
    if (release.starts_with('-') || release.starts_with('.') || release.starts_with('+'))
        release.remove_prefix(1);
    version.Major = numbers[0];
    version.Minor = numbers[1];
    version.Build = numbers[2];
    version.ServicePack = std::string(release);
    return true;
}

TOSVersion ReadOSVersion(const std::string& osReleasePath)
{
    TOSVersion version;
    if (!osReleasePath.empty()) {
        version.Name = ReadOSReleaseName(osReleasePath);
    } else {
        version.Name = ReadOSReleaseName("/etc/os-release");
        if (version.Name.empty())
            version.Name = ReadOSReleaseName("/usr/lib/os-release");
    }
    utsname system {};
    if (uname(&system) == 0) {
        if (version.Name.empty())
            version.Name = system.sysname;
        ParseKernelRelease(system.release, version);
    }
    return version;
}

QString FormatOSInformation(const TOSVersion& version)
{
    return QString::asprintf(
        OSFormat, version.Name.c_str(), version.Major, version.Minor, version.Build, version.ServicePack.c_str());
}

uint64_t MemoryKB(uint64_t bytes)
{
    // Not (bytes + 1023) / 1024, which wraps for the largest counts.
    return bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
}

uint64_t PhysicalMemoryBytes()
{
    struct sysinfo info { };
    if (sysinfo(&info) != 0)
        return 0;
    const uint64_t unit = info.mem_unit == 0 ? 1 : info.mem_unit;
    const uint64_t total = info.totalram;
    return total > UINT64_MAX / unit ? UINT64_MAX : total * unit;
}

TformAbout::TformAbout(QWidget* parent, const TAboutSources& sources)
    : QDialog(parent)
    , OnOpenUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); })
{
    InitAboutResources();
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(ClientWidth, ClientHeight);

    lblApplicationName = new QLabel;
    QFont bold = lblApplicationName->font();
    bold.setPixelSize(13);
    bold.setBold(true);
    lblApplicationName->setFont(bold);
    lblVersion = new QLabel(QString::fromLatin1(VersionFormat));
    lblCopyright = new QLabel;
    lblCopyright->setWordWrap(true);
    lbEMail = MakeLinkLabel(this);
    lblHyperlink = MakeLinkLabel(this);
    lblOSInformation = new QLabel;
    lblOSInformation->setWordWrap(true);
    lblMemoryCaption = new QLabel;
    lblOSMemoryAvailable = new QLabel(QStringLiteral("%d KB"));
    lblOSMemoryAvailable->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    btnOk = new QPushButton(QStringLiteral("OK"));
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);

    auto* links = new QGridLayout;
    links->setHorizontalSpacing(6);
    links->setVerticalSpacing(1);
    links->addWidget(new QLabel(QStringLiteral("E-mail:")), 0, 0);
    links->addWidget(lbEMail, 0, 1);
    links->addWidget(new QLabel(QStringLiteral("URL:")), 1, 0);
    links->addWidget(lblHyperlink, 1, 1);
    links->setColumnStretch(1, 1);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(lblApplicationName);
    texts->addWidget(lblVersion);
    texts->addWidget(lblCopyright);
    texts->addStretch();
    texts->addLayout(links);

    auto* top = new QHBoxLayout;
    top->setSpacing(10);
    top->addWidget(CreateLogo(), 0, Qt::AlignTop);
    top->addLayout(texts, 1);

    auto* separator = new QFrame;
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);

    auto* memory = new QHBoxLayout;
    memory->addWidget(lblMemoryCaption);
    memory->addWidget(lblOSMemoryAvailable, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(4);
    layout->addLayout(top, 1);
    layout->addWidget(separator);
    layout->addWidget(lblOSInformation);
    layout->addLayout(memory);
    layout->addSpacing(2);
    layout->addLayout(buttons);

    ShowInformation(sources);
}

QWidget* TformAbout::CreateLogo()
{
    auto* panel = new QFrame;
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, Qt::white);
    panel->setPalette(palette);
    auto* logo = new QLabel;
    logo->setPixmap(QPixmap(QStringLiteral(":/app/LOGO")));
    logo->setFixedSize(LogoSide, LogoSide);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(logo);
    return panel;
}

void TformAbout::ShowInformation(const TAboutSources& sources)
{
    if (const auto& info = sources.Version) {
        lblApplicationName->setText(QString::fromStdString(info->FileDescription));
        lblCopyright->setText(QString::fromStdString(info->LegalCopyright));
        lbEMail->setText(QString::fromStdString(info->Mail));
        lblHyperlink->setText(QString::fromStdString(info->URL));
        lblVersion->setText(QString::asprintf(VersionFormat, info->Major, info->Minor, info->Build));
    } else {
        lblApplicationName->setText(QString::fromLatin1(DefaultName));
        lblCopyright->setText(QString::fromLatin1(DefaultCredits));
        lbEMail->clear();
        lblHyperlink->clear();
    }
    lblOSInformation->setText(FormatOSInformation(ReadOSVersion(sources.OSReleasePath)));
    // The memory is the kernel's to report, so the caption names the kernel
    // rather than a system the program may not run on.
    utsname system {};
    const QString kernel = uname(&system) == 0 ? QString::fromLocal8Bit(system.sysname) : QStringLiteral("the system");
    lblMemoryCaption->setText(QStringLiteral("Physical memory available to %1:").arg(kernel));
    lblOSMemoryAvailable->setText(QStringLiteral("%1 KB").arg(MemoryKB(sources.MemoryBytes)));
}

bool TformAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton
        && OnOpenUrl) {
        if (watched == lblHyperlink && !lblHyperlink->text().isEmpty()) {
            OnOpenUrl(QUrl(lblHyperlink->text()));
            return true;
        }
        if (watched == lbEMail && !lbEMail->text().isEmpty()) {
            OnOpenUrl(QUrl(QStringLiteral("mailto:") + lbEMail->text()));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ShowAbout(QWidget* parent)
{
    TformAbout about(parent);
    about.exec();
}

} // namespace doravo
