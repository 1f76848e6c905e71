// A panel's document in and out of memory, and its shapes counted, for the
// benchmarks that load generated documents.
#pragma once

#include <memory>
#include <string>

#include "KestBase.h"
#include "KestControls.h"

namespace kest::bench {

inline void LoadDocument(TKestPanel& panel, const std::string& bytes)
{
    TKestMemoryStream stream(bytes.data(), bytes.size());
    std::unique_ptr<TKestFiler> filer = panel.CreateFiler(stream, ppLoad, false);
    panel.LoadFromFiler(*filer);
}

inline std::string SaveDocument(TKestPanel& panel, bool binary)
{
    TKestMemoryStream stream;
    std::unique_ptr<TKestFiler> filer = panel.CreateFiler(stream, ppSave, binary);
    panel.SaveToFiler(*filer);
    return stream.Text();
}

// The controls below the schemes that are neither groups nor schemes.
inline int CountShapes(TKestPanel& panel)
{
    int count = 0;
    for (int i = 0; i < panel.Schemes()->Count(); ++i)
        panel.Schemes()->ByIndex(i)->ForEach([&](TKestControl* c) {
            count += !dynamic_cast<TKestGroup*>(c) && !dynamic_cast<TKestCustomScheme*>(c);
            return true;
        });
    return count;
}

} // namespace kest::bench
