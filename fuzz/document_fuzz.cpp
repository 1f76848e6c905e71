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

struct TFuzzWorld {
    int argc = 1;
    char name[14] = "document_fuzz";
    char* argv[2] = {name, nullptr};
    QApplication* app;
    TKestPanel* loaded;
    TKestPanel* again;

    TFuzzWorld()
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        app = new QApplication(argc, argv);
        loaded = new TKestPanel;
        again = new TKestPanel;
    }
};

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
    static TFuzzWorld world;
    const std::string input(reinterpret_cast<const char*>(data), size);
    try {
        Load(*world.loaded, input, lmDocument);
    } catch (const EKestError&) {
        // A refused document leaves a new one.
        Require(world.loaded->Schemes()->Count() == 1 && world.loaded->Layers()->Count() == 1);
        return 0;
    }
    TKestCanvas canvas;
    canvas.SetSize(48, 48);
    world.loaded->PaintTo(canvas, {0, 0, 48, 48}, false, false, false, false, true, nullptr, 100, {0, 0});

    const std::string saved = Save(*world.loaded);
    Load(*world.again, saved, lmDocument);
    Require(Save(*world.again) == saved);

    // Pasting the input into that copy and undoing the paste.
    try {
        world.again->History().BeginPanelGroup(TPanelCreateControlsHistoryGroup::StaticClass());
        Load(*world.again, input, lmPaste);
    } catch (const EKestError&) {
    }
    while (world.again->History().CurrentGroup())
        world.again->History().EndAction();
    while (world.again->History().Undo()) { }
    Require(Save(*world.again) == saved);
    return 0;
}
