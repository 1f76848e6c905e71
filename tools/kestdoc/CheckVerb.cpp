#include <cstdio>

#include "KestDoc.h"
#include "KestDocPanel.h"

namespace kest {

int RunCheck(const TVerbArgs& args)
{
    std::vector<std::string> options;
    const TVerbArgs files = ParseVerbArgs(args, 1, {}, options);
    TKestDocApplication app;
    std::unique_ptr<TKestPanel> panel = LoadDocumentPanel(files[0]);
    const TKestSchemes* schemes = panel->Schemes();
    int objects = 0;
    for (int i = 0; i < schemes->Count(); ++i)
        objects += CountObjects(schemes->Controls(i));
    std::printf("%s: ok (%d objects, %d schemes, %d layers)\n", files[0].c_str(), objects, schemes->Count(),
        panel->Layers()->Count());
    return kExitOk;
}

} // namespace kest
