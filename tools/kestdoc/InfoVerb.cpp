#include <cstdio>
#include <map>

#include "KestDoc.h"
#include "KestDocPanel.h"

namespace kest {

namespace {

// Document units as pixels at 100 %, with the thousandths when there are any.
std::string Pixels(int32_t units)
{
    char text[32];
    if (units % PixelScale == 0)
        std::snprintf(text, sizeof text, "%d", units / PixelScale);
    else
        std::snprintf(text, sizeof text, "%.3f", units / double(PixelScale));
    return text;
}

} // namespace

int RunInfo(const TVerbArgs& args)
{
    std::vector<std::string> options;
    const TVerbArgs files = ParseVerbArgs(args, 1, {}, options);
    TKestDocApplication app;
    std::unique_ptr<TKestPanel> panel = LoadDocumentPanel(files[0]);
    std::printf("document: %s\n", panel->Schemes()->Name().c_str());
    std::printf("size: %s x %s pixels\n", Pixels(panel->DocWidth()).c_str(), Pixels(panel->DocHeight()).c_str());
    std::printf("form: %s\n", panel->SaveAsBinary() ? "binary" : "text");
    const TKestSchemes* schemes = panel->Schemes();
    std::printf("schemes: %d\n", schemes->Count());
    for (int i = 0; i < schemes->Count(); ++i) {
        TKestCustomScheme* scheme = schemes->ByIndex(i);
        const int objects = CountObjects(scheme);
        std::printf("  %s: %d object%s%s\n", scheme->Name().c_str(), objects, objects == 1 ? "" : "s",
            scheme->IsDefault() ? " (default)" : "");
    }
    const TKestLayers* layers = panel->Layers();
    std::printf("layers: %d\n", layers->Count());
    for (int i = 0; i < layers->Count(); ++i) {
        const TKestLayer* layer = layers->Layers(i);
        std::string flags;
        if (!layer->Visible())
            flags += ", hidden";
        if (layer->IsReadOnly())
            flags += ", read-only";
        if (layer->Transparency() > 0)
            flags += ", transparency " + std::to_string(layer->Transparency());
        std::printf("  %s%s%s%s\n", layer->Name().c_str(), flags.empty() ? "" : " (",
            flags.empty() ? "" : flags.c_str() + 2, flags.empty() ? "" : ")");
    }
    // Objects of the schemes by class, classes in name order.
    std::map<std::string, int> classes;
    for (int i = 0; i < schemes->Count(); ++i) {
        TKestControl* scheme = schemes->ByIndex(i);
        scheme->ForEach([&](TKestControl* control) {
            if (control != scheme)
                ++classes[control->ClassName()];
            return true;
        });
    }
    std::printf("classes: %zu\n", classes.size());
    for (const auto& [name, count] : classes)
        std::printf("  %s: %d\n", name.c_str(), count);
    return kExitOk;
}

} // namespace kest
