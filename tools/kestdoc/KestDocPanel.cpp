#include "KestDocPanel.h"

#include <cstdio>
#include <cstdlib>

#include "KestDoc.h"
#include "KestControls.h"
#include "KestError.h"

namespace kest {

namespace {

// The tool's output is its own: Qt's notices (about the runtime folder of
// the offscreen platform, say) stay out of it; its errors do not.
void QtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "kestdoc: %s\n", message.toLocal8Bit().constData());
}

} // namespace

TKestDocApplication::TKestDocApplication()
{
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler(QtMessages);
    app_ = std::make_unique<QApplication>(argc_, argv_);
    RegisterShapeClasses();
}

std::unique_ptr<TKestPanel> LoadDocumentPanel(const std::string& fileName)
{
    auto panel = std::make_unique<TKestPanel>();
    try {
        panel->LoadFromFile(fileName);
    } catch (const EKestError& e) {
        const std::string message = e.what();
        // A file that does not open is named by the message already.
        throw EKestDocFault(message.find(fileName) == std::string::npos ? fileName + ": " + message : message);
    }
    return panel;
}

int CountObjects(TKestControl* scheme)
{
    int count = -1;
    scheme->ForEach([&](TKestControl*) {
        ++count;
        return true;
    });
    return count;
}

} // namespace kest
