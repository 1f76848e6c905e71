#include <cstdio>
#include <string>

#include "KestDoc.h"
#include "KestDocPanel.h"

namespace kest {

namespace {

void DumpControl(TKestControl* control, int depth)
{
    const TKestRect r = control->DocRect();
    const std::string name = control->Name().empty() ? "<unnamed>" : control->Name();
    std::printf("%*s#%d %s: %s (%d, %d)-(%d, %d)\n", depth * 2, "", control->ID(), name.c_str(),
        control->ClassType()->Name(), r.Left, r.Top, r.Right, r.Bottom);
    for (int i = 0; i < control->Count(); ++i)
        DumpControl(control->Controls(i), depth + 1);
}

} // namespace

int RunDump(const TVerbArgs& args)
{
    std::vector<std::string> options;
    const TVerbArgs files = ParseVerbArgs(args, 1, {}, options);
    TKestDocApplication app;
    std::unique_ptr<TKestPanel> panel = LoadDocumentPanel(files[0]);
    const TKestLayers* layers = panel->Layers();
    for (int i = 0; i < layers->Count(); ++i)
        DumpControl(layers->Layers(i), 0);
    const TKestSchemes* schemes = panel->Schemes();
    for (int i = 0; i < schemes->Count(); ++i)
        DumpControl(schemes->ByIndex(i), 0);
    return kExitOk;
}

} // namespace kest
