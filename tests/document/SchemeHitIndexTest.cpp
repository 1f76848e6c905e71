// The hit test of a scheme through its grid index against a full scan of
// the paint order, over random documents and random edits: both must name
// the same control at every point, whatever changed in between.
#include <gtest/gtest.h>

#include <random>

#include "support/DocTestSupport.h"

namespace kest::doctest {
namespace {

// A box whose hit test reaches a few pixels beyond its rectangle, as shapes
// with wide pens or hit tolerances do.
class TReachBox : public TBox {
    KEST_CONTROL_CLASS(TReachBox)
public:
    static constexpr int32_t Reach = 5; // pixels
    bool IsPointInside(int32_t x, int32_t y) override
    {
        const TKestRect r = Owner()->TransformRect(DocRect());
        return x >= r.Left - Reach && x < r.Right + Reach && y >= r.Top - Reach && y < r.Bottom + Reach;
    }
};

KEST_CONTROL_CLASS_IMPL(TReachBox, TBox)

// The hit order walked control by control: layers from the top, each
// layer's chain backwards.
TKestControl* ScanAt(TKestCustomScheme* scheme, int32_t x, int32_t y)
{
    TPaintOrder order;
    if (!BuildPaintOrder(scheme, order))
        return nullptr;
    for (int l = static_cast<int>(order.LayerRefs.size()) - 1; l >= 0; --l) {
        const TKestLayer* layer = scheme->Owner()->Layers()->Layers(l);
        if (!layer->Selectable() || !layer->Visible())
            continue;
        for (int32_t i = order.LayerRefs[size_t(l)].Last; i >= 0; i = order.Controls[size_t(i)].Prev) {
            TKestControl* c = order.Controls[size_t(i)].Control;
            if (c->Visible() && c->IsPointInside(x, y))
                return c;
        }
    }
    return nullptr;
}

class TRandomDocument {
public:
    TRandomDocument()
    {
        layers_.push_back(f.Layer());
        layers_.push_back(f.panel.Layers()->NewLayer());
        layers_.push_back(f.panel.Layers()->NewLayer());
        for (int i = 0; i < 150; ++i)
            AddShape();
    }

    TPanelFixture f;

    int32_t Pick(int32_t low, int32_t high) { return std::uniform_int_distribution<int32_t>(low, high)(random_); }

    TKestRect RandomRect()
    {
        const int32_t left = Pick(-20, 320), top = Pick(-20, 240);
        return {left * 1000, top * 1000, (left + Pick(1, 40)) * 1000, (top + Pick(1, 30)) * 1000};
    }

    TKestLayer* RandomLayer() { return layers_[size_t(Pick(0, 2))]; }

    // A box, a reaching box, or a group of two boxes.
    void AddShape()
    {
        TKestCustomScheme* scheme = f.Scheme();
        switch (Pick(0, 2)) {
        case 0:
            TKestControl::Create<TBox>(&f.panel, scheme, RandomLayer())->SetDocRect(RandomRect());
            break;
        case 1:
            TKestControl::Create<TReachBox>(&f.panel, scheme, RandomLayer())->SetDocRect(RandomRect());
            break;
        default: {
            TKestLayer* layer = RandomLayer();
            auto* group = TKestControl::Create<TKestGroup>(&f.panel, scheme, layer);
            for (int i = 0; i < 2; ++i)
                TKestControl::Create<TBox>(&f.panel, group, layer)->SetDocRect(RandomRect());
            break;
        }
        }
    }

    TKestControl* RandomControl() { return f.Scheme()->Controls(Pick(0, f.Scheme()->Count() - 1)); }

    void Edit()
    {
        TKestCustomScheme* scheme = f.Scheme();
        switch (Pick(0, 8)) {
        case 0:
            RandomControl()->SetDocRect(RandomRect());
            break;
        case 1:
            RandomControl()->SetLayer(RandomLayer());
            break;
        case 2: {
            TKestControl* c = RandomControl();
            c->SetVisible(!c->Visible());
            break;
        }
        case 3: {
            TKestLayer* layer = RandomLayer();
            layer->SetVisible(!layer->Visible());
            break;
        }
        case 4:
            if (scheme->Count() > 10)
                RandomControl()->Free();
            break;
        case 5:
            scheme->ChangeOrder(Pick(0, scheme->Count() - 1), Pick(0, scheme->Count() - 1));
            break;
        case 6:
            AddShape();
            break;
        case 7:
            f.panel.SetScale(Pick(0, 1) ? 100 : Pick(25, 400));
            break;
        default: {
            // A group's child moves: the group is hit where the child is.
            auto* group = dynamic_cast<TKestGroup*>(RandomControl());
            if (group && group->Count() > 0)
                group->Controls(0)->SetDocRect(RandomRect());
            break;
        }
        }
    }

    // Hit tests at random points (panel pixels) by the index and by the scan.
    void ExpectSameHits(int points, const std::string& context)
    {
        // The document's pixels wherever the window puts its origin.
        const TKestRect area = f.panel.TransformRect({0, 0, f.panel.DocWidth(), f.panel.DocHeight()});
        int hits = 0;
        for (int i = 0; i < points; ++i) {
            const int32_t x = Pick(area.Left - 30, area.Right + 30), y = Pick(area.Top - 30, area.Bottom + 30);
            TKestControl* expected = ScanAt(f.Scheme(), x, y);
            ASSERT_EQ(f.Scheme()->FindControlAtPoint(x, y), expected) << context << " at (" << x << ", " << y << ")";
            hits += expected != nullptr;
        }
        totalHits_ += hits;
    }

    int TotalHits() const { return totalHits_; }

private:
    std::mt19937 random_ {1234};
    std::vector<TKestLayer*> layers_;
    int totalHits_ = 0;
};

TEST(SchemeHitIndexTest, FindsWhatAFullScanFindsThroughRandomEdits)
{
    RegisterControlClass(TReachBox::StaticClass());
    TRandomDocument doc;
    doc.ExpectSameHits(2000, "fresh document");
    for (int edit = 0; edit < 300 && !testing::Test::HasFatalFailure(); ++edit) {
        doc.Edit();
        doc.ExpectSameHits(60, "after edit " + std::to_string(edit));
    }
    // The points must have hit often enough for the comparison to mean something.
    EXPECT_GT(doc.TotalHits(), 5000);
}

TEST(SchemeHitIndexTest, ReachesBeyondTheRectangleAndLetsGoOfFreedControls)
{
    RegisterControlClass(TReachBox::StaticClass());
    TPanelFixture f;
    auto* reach = TKestControl::Create<TReachBox>(&f.panel, f.Scheme(), f.Layer());
    reach->SetDocRect({100000, 100000, 110000, 110000});
    const TKestPoint outside = f.panel.TransformPoint({100000 - 4000, 105000});
    EXPECT_EQ(f.Scheme()->FindControlAtPoint(outside.X, outside.Y), reach);
    // A control on top, then freed: the index must not answer with it.
    TBox* top = f.AddBox({95000, 95000, 115000, 115000});
    EXPECT_EQ(f.Scheme()->FindControlAtPoint(outside.X, outside.Y), top);
    top->Free();
    EXPECT_EQ(f.Scheme()->FindControlAtPoint(outside.X, outside.Y), reach);
    reach->Free();
    EXPECT_EQ(f.Scheme()->FindControlAtPoint(outside.X, outside.Y), nullptr);
}

} // namespace
} // namespace kest::doctest
