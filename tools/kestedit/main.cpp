// kestedit: views and edits Kest documents in a window.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "KestEditWindow.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFault = 1;
constexpr int kExitUsage = 2;

const char* const kUsage = "usage: kestedit [FILE] [--screenshot OUT.png] [--scale PERCENT]\n"
                           "       kestedit --help\n\n"
                           "Opens FILE (a .ksd document, text or binary) for viewing and editing.\n"
                           "  --screenshot OUT.png  grab the window once it is shown into OUT.png and exit\n"
                           "  --scale PERCENT       show the document at PERCENT (1 to 50000)\n\n"
                           "Exit status with --screenshot: 0 written, 1 the document or the picture failed,\n"
                           "2 usage error.\n";

struct TEditArgs {
    std::string File;
    std::string Screenshot;
    std::optional<int32_t> Scale;
    bool Help = false;
};

// The parsed arguments, or none with the reason in error.
std::optional<TEditArgs> ParseArgs(int argc, char** argv, std::string& error)
{
    TEditArgs args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            args.Help = true;
        } else if (arg == "--screenshot" || arg == "--scale") {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return std::nullopt;
            }
            const std::string value = argv[++i];
            if (arg == "--screenshot") {
                args.Screenshot = value;
                continue;
            }
            char* end = nullptr;
            const long percent = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || percent < kest::TKestPanel::kMinScale
                || percent > kest::TKestPanel::kMaxScale) {
                error = "--scale takes a whole percent from 1 to 50000, not \"" + value + "\"";
                return std::nullopt;
            }
            args.Scale = static_cast<int32_t>(percent);
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return std::nullopt;
        } else if (args.File.empty()) {
            args.File = arg;
        } else {
            error = "give at most one FILE";
            return std::nullopt;
        }
    }
    return args;
}

} // namespace

int main(int argc, char** argv)
{
    std::string error;
    const std::optional<TEditArgs> args = ParseArgs(argc, argv, error);
    if (!args) {
        std::fprintf(stderr, "kestedit: %s\n%s", error.c_str(), kUsage);
        return kExitUsage;
    }
    if (args->Help) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("kestedit");
    kest::TKestEditWindow window;
    const bool screenshot = !args->Screenshot.empty();
    bool failed = false;
    if (screenshot) {
        // Nobody is there to answer a message box.
        window.OnError = [&failed](const QString& message) {
            std::fprintf(stderr, "kestedit: %s\n", message.toLocal8Bit().constData());
            failed = true;
        };
    }
    if (!args->File.empty())
        window.OpenFile(QString::fromLocal8Bit(args->File.c_str()));
    if (failed)
        return kExitFault;
    window.show();
    if (args->Scale)
        QTimer::singleShot(0, &window, [&window, &args] { window.ZoomTo(*args->Scale); });
    if (!screenshot)
        return app.exec();

    int status = kExitOk;
    // Grabbed once the window has laid itself out and painted.
    QTimer::singleShot(200, &window, [&] {
        const QString out = QString::fromLocal8Bit(args->Screenshot.c_str());
        if (!window.grab().save(out, "PNG")) {
            std::fprintf(stderr, "kestedit: %s: cannot write the picture\n", args->Screenshot.c_str());
            status = kExitFault;
        }
        app.quit();
    });
    app.exec();
    return status;
}
