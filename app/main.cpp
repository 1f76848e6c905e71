// The monitoring station: the main window over the plan, or, with --headless
// or without a display, the emulation on a virtual clock with the journal on
// standard output and a picture of the plan at the end.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "DoorCtrls.h"
#include "HeadlessStation.h"
#include "KestControls.h"
#include "KestError.h"
#include "fMain.h"
#include "fSplash.h"

namespace {

const char* const Usage
    = "usage: doravo [--headless] [--seconds N] [--speed K] [--plan FILE] [--settings FILE] [--snapshot OUT.png]\n"
      "  --headless         run without windows: the movement emulation on a virtual clock, every\n"
      "                     journal event printed as it happens (time, person id, pass id, text,\n"
      "                     separated by tabs)\n"
      "  --seconds N        emulated time to run, seconds (default 600)\n"
      "  --speed K          K times real time (default 1); 0 runs as fast as possible\n"
      "  --plan FILE        the plan document (default doravo.ksd next to the program, else\n"
      "                     " DORAVO_INSTALLED_RESOURCES "/doravo.ksd from the program's folder when\n"
      "                     installed, else the source tree's resources/)\n"
      "  --settings FILE    the settings file (default the program's name with .ini next to it,\n"
      "                     else " DORAVO_INSTALLED_RESOURCES "/doravo.ini, else resources/doravo.ini\n"
      "                     of the source tree)\n"
      "  --snapshot OUT.png at the end, writes the shown page of the plan as a PNG picture\n"
      "  --screenshot OUT.png --after-ms N\n"
      "                     with windows: N ms after start, writes the main window as a PNG\n"
      "                     picture and ends the program (--tab T shows tab T first;\n"
      "                     --pass P:A, repeatable, opens the door of pass P for person A\n"
      "                     and frames the first such door)\n"
      "  --help             this text\n"
      "The emulation runs whatever the settings file's option Emulation says.\n";

struct TArgs {
    bool headless = false;
    long seconds = 600;
    double speed = 1;
    std::string plan, settings, snapshot, screenshot;
    long afterMs = 3000;
    int tab = -1;
    std::vector<std::pair<int32_t, int32_t>> passes; // pass id, actor
};

bool ParseNumber(const char* text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == 0 && value >= 0 && value <= 1e9;
}

// Returns 0 to go on, else the exit code (after printing why).
int ParseArgs(int argc, char** argv, TArgs& args)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        double number = 0;
        int pass = 0, actor = 0;
        if (arg == "--help" || arg == "-h") {
            std::fputs(Usage, stdout);
            return -1;
        }
        if (arg == "--headless")
            args.headless = true;
        else if (arg == "--seconds" && hasValue && ParseNumber(argv[i + 1], number) && number <= 365 * 86400.0)
            args.seconds = long(number), ++i;
        else if (arg == "--speed" && hasValue && ParseNumber(argv[i + 1], number))
            args.speed = number, ++i;
        else if (arg == "--plan" && hasValue)
            args.plan = argv[++i];
        else if (arg == "--settings" && hasValue)
            args.settings = argv[++i];
        else if (arg == "--screenshot" && hasValue)
            args.screenshot = argv[++i];
        else if (arg == "--after-ms" && hasValue && ParseNumber(argv[i + 1], number) && number <= 3600000)
            args.afterMs = long(number), ++i;
        else if (arg == "--tab" && hasValue && ParseNumber(argv[i + 1], number) && number <= 4)
            args.tab = int(number), ++i;
        else if (arg == "--pass" && hasValue && std::sscanf(argv[i + 1], "%d:%d", &pass, &actor) == 2)
            args.passes.emplace_back(pass, actor), ++i;
        else if (arg == "--snapshot" && hasValue)
            args.snapshot = argv[++i];
        else {
            std::fprintf(stderr, "doravo: bad option %s (see --help)\n", arg.c_str());
            return 2;
        }
    }
    return 0;
}

// The file next to the program when it is there, else where an installation
// keeps it (relative to the program, so any install prefix works), else the
// source tree's copy, which is what a program in the build tree uses.
std::string DefaultFile(const QString& besideProgram, const char* inResources)
{
    if (QFileInfo::exists(besideProgram))
        return besideProgram.toStdString();
    const QString installed = QDir(QCoreApplication::applicationDirPath())
                                  .filePath(QStringLiteral(DORAVO_INSTALLED_RESOURCES "/") + inResources);
    if (QFileInfo::exists(installed))
        return QDir::cleanPath(installed).toStdString();
    return std::string(DORAVO_SOURCE_RESOURCES) + "/" + inResources;
}

void QtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "doravo: %s\n", message.toLocal8Bit().constData());
}

// The station with its windows, in the data module's order: splash, site,
// main window, splash gone.
int RunStation(QApplication& app, const TArgs& args)
{
    auto splash = std::make_unique<doravo::TfmSplash>();
    splash->ShowNow();
    doravo::TRealClock clock;
    std::unique_ptr<doravo::TdmMain> site;
    std::unique_ptr<doravo::TfmMain> window;
    try {
        site = std::make_unique<doravo::TdmMain>(args.settings, clock);
        window = std::make_unique<doravo::TfmMain>(*site, args.plan, splash.get());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "doravo: %s\n", e.what());
        return 1;
    }
    splash.reset();
    window->show();
    if (args.tab >= 0)
        window->tbMain->setCurrentIndex(args.tab);
    for (const auto& [pass, actor] : args.passes)
        if (window->PlanDoors().DoorPass(pass, actor, true) && !window->SelectedObject())
            window->Select(window->PlanDoors().FindDoorByPass(pass));
    if (!args.screenshot.empty())
        QTimer::singleShot(int(args.afterMs), window.get(), [&] {
            if (!window->grab().save(QString::fromStdString(args.screenshot), "PNG"))
                std::fprintf(stderr, "doravo: cannot write the screenshot %s\n", args.screenshot.c_str());
            window->close();
        });
    QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);
    const int code = app.exec();
    window.reset();
    return code;
}

} // namespace

int main(int argc, char** argv)
{
    TArgs args;
    if (const int code = ParseArgs(argc, argv, args))
        return code < 0 ? 0 : code;
    const bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const bool windows = !args.headless && display && !(platform && std::strcmp(platform, "offscreen") == 0);
    if (!windows && (!platform || !display))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler(QtMessages);
    QApplication app(argc, argv);
    kest::RegisterShapeClasses();
    doravo::RegisterDoorClasses();

    const QString program = QCoreApplication::applicationFilePath();
    const QString folder = QCoreApplication::applicationDirPath();
    if (args.plan.empty())
        args.plan = DefaultFile(QDir(folder).filePath("doravo.ksd"), "doravo.ksd");
    if (args.settings.empty()) {
        const QFileInfo info(program);
        args.settings = DefaultFile(QDir(folder).filePath(info.completeBaseName() + ".ini"), "doravo.ini");
    }
    if (windows)
        return RunStation(app, args);
    try {
        doravo::TVirtualClock clock(doravo::TRealClock().Now());
        doravo::THeadlessStation station(args.plan, args.settings, clock, std::cout);
        station.Run(int64_t(args.seconds) * 1000, args.speed);
        if (!args.snapshot.empty() && !station.Snapshot(args.snapshot)) {
            std::fprintf(stderr, "doravo: cannot write the snapshot %s\n", args.snapshot.c_str());
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "doravo: %s\n", e.what());
        return 1;
    }
    return 0;
}
