// A panel for the shape tests with the shape kinds registered, painting into
// an image and document round trips.
#pragma once

#include <string>

#include "KestCanvas.h"
#include "KestControls.h"
#include "document/support/DocTestSupport.h"

namespace kest::shapetest {

struct TShapeFixture : doctest::TPanelFixture {
    TShapeFixture();
    // A shape created as the user would, at a document rectangle.
    template <class T> T* Add(const TKestRect& rect)
    {
        T* shape = TKestControl::Create<T>(&panel, Scheme(), Layer());
        shape->SetDocRect(rect);
        return shape;
    }
};

// The document painted into an image of its own, without window decorations.
struct TPainted {
    TKestCanvas canvas;
    explicit TPainted(TKestPanel& panel, int32_t width = 200, int32_t height = 150);
    TColor At(int32_t x, int32_t y) const;
    void Save(const std::string& fileName) const;
};

bool Near(TColor a, TColor b, int tolerance = 2);

// The document saved, loaded into a fresh panel and saved again; the
// second text, which a faithful load makes equal to the first.
std::string Resaved(const std::string& text);

} // namespace kest::shapetest
