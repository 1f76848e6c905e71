// Generates the station's data: the plan document doravo.ksd, drawn through
// the library and saved by the panel's own writer in text form, and the
// settings file doravo.ini with the persons, zones and passes that match
// it. Optionally renders every page of the plan, doors included, to PNG.
//
// usage: gen_site OUTPUT_FOLDER [--render FOLDER] [--scale PERCENT]
// Run through the build: cmake --build build --target regen_site
#include <QApplication>
#include <QImage>
#include <QSaveFile>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "DoorCtrls.h"
#include "KestCanvas.h"
#include "KestControls.h"
#include "KestFiler.h"
#include "KestStream.h"
#include "PlanSite.h"

namespace {

using namespace kest;
using namespace doravo::gensite;

void Usage()
{
    std::puts("usage: gen_site OUTPUT_FOLDER [--render FOLDER] [--scale PERCENT]\n"
              "  Writes OUTPUT_FOLDER/doravo.ksd (the plan) and OUTPUT_FOLDER/doravo.ini (the site).\n"
              "  --render FOLDER   also paints every scheme to FOLDER/<scheme>.png\n"
              "  --scale PERCENT   scale of those pictures (default 100)\n"
              "  Regenerate the checked-in files with: cmake --build build --target regen_site");
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size())
        || !file.commit())
        throw std::runtime_error("cannot write " + path);
}

std::string PlanText(TKestPanel& panel)
{
    TKestMemoryStream stream;
    {
        std::unique_ptr<TKestFiler> filer = panel.CreateFiler(stream, ppSave, false);
        panel.SaveToFiler(*filer);
    }
    return stream.Text();
}

void Render(TKestPanel& panel, const std::string& folder, int32_t scale)
{
    const int w = ScaleValue(panel.DocWidth(), scale), h = ScaleValue(panel.DocHeight(), scale);
    for (int i = 0; i < panel.Schemes()->Count(); ++i) {
        TKestCustomScheme* scheme = panel.Schemes()->ByIndex(i);
        QImage image(w, h, QImage::Format_ARGB32);
        TKestCanvas canvas;
        canvas.Attach(&image);
        canvas.SetBrush(TKestBrush(clWhite, bsSolid));
        canvas.FillRect({0, 0, w, h});
        panel.PaintTo(canvas, {0, 0, w, h}, true, true, false, false, true, scheme, scale, {0, 0});
        canvas.Detach();
        const std::string path = folder + "/" + scheme->Name() + ".png";
        if (!image.save(QString::fromStdString(path), "PNG"))
            throw std::runtime_error("cannot write " + path);
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::string output, render;
    int32_t scale = 100;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            Usage();
            return 0;
        }
        if (arg == "--render" && i + 1 < argc)
            render = argv[++i];
        else if (arg == "--scale" && i + 1 < argc)
            scale = std::atoi(argv[++i]);
        else if (output.empty() && arg[0] != '-')
            output = arg;
        else {
            Usage();
            return 2;
        }
    }
    if (output.empty() || scale < 1 || scale > 1000) {
        Usage();
        return 2;
    }
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    RegisterShapeClasses();
    doravo::RegisterDoorClasses();
    try {
        TSiteDesign site;
        TKestPanel panel;
        BuildPlan(panel, site);
        WriteFile(output + "/doravo.ksd", PlanText(panel));
        WriteFile(output + "/doravo.ini", site.SettingsText());
        if (!render.empty())
            Render(panel, render, scale);
        std::printf("gen_site: %zu zones, %zu passes, %zu persons written to %s\n", site.Zones().size(),
            site.Passes().size(), site.Persons().size(), output.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gen_site: %s\n", e.what());
        return 1;
    }
    return 0;
}
