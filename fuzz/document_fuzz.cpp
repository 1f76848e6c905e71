// Loads arbitrary bytes as a document into a panel. What loads must paint,
// save, load again and save the same text; pasted into another document and
// undone, it must leave that document as it was.
#include <QApplication>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "KestActions.h"
#include "KestBase.h"
#include "KestCanvas.h"
#include "KestError.h"

namespace kest {
namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// The application all panels need, made once.
void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "document_fuzz";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        return new QApplication(argc, argv);
    }();
    (void)app;
}

std::string Save(TKestPanel& panel)
{
    TKestMemoryStream stream;
    {
        std::unique_ptr<TKestFiler> filer = panel.CreateFiler(stream, ppSave, panel.SaveAsBinary());
        panel.SaveToFiler(*filer);
    }
    return stream.Text();
}

void Load(TKestPanel& panel, const std::string& text, TKestLoadMode mode)
{
    TKestMemoryStream stream(text.data(), text.size());
    std::unique_ptr<TKestFiler> filer = panel.CreateFiler(stream, ppLoad, false);
    panel.LoadFromFiler(*filer, mode);
}

} // namespace
} // namespace kest

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace kest;
    EnsureApplication();
    const std::string input(reinterpret_cast<const char*>(data), size);
    TKestPanel loaded;
    try {
        Load(loaded, input, lmDocument);
    } catch (const EKestError&) {
        // A refused document leaves a new one.
        Require(loaded.Schemes()->Count() == 1 && loaded.Layers()->Count() == 1);
        return 0;
    }
    TKestCanvas canvas;
    canvas.SetSize(48, 48);
    loaded.PaintTo(canvas, {0, 0, 48, 48}, false, false, false, false, true, nullptr, 100, {0, 0});
    const std::string saved = Save(loaded);
    // A second load into the same panel reads the same.
    Load(loaded, input, lmDocument);
    Require(Save(loaded) == saved);

    TKestPanel again;
    Load(again, saved, lmDocument);
    Require(Save(again) == saved);
    // Pasting the input into the copy and undoing the paste.
    again.History().BeginPanelGroup(TPanelCreateControlsHistoryGroup::StaticClass());
    try {
        Load(again, input, lmPaste);
    } catch (const EKestError&) {
    }
    while (again.History().CurrentGroup())
        again.History().EndAction();
    while (again.History().Undo()) { }
    Require(Save(again) == saved);
    return 0;
}
