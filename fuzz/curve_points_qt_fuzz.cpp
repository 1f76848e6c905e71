// Loads arbitrary point data into a curve or a connector inside a panel,
// then paints it, hit-tests it, edits its points and saves it. What it saves
// must load back to the same text, and undoing the edits must restore the
// document as it was before them.
//
// Layout of an input: byte 0 flags (bit 0 connector, bit 1 the legacy
// "Points" form, bit 2 a solid brush, bit 3 "IsSolid" first, bit 4 line caps,
// bit 5 not orthogonal, bits 6-7 reroute mode), byte 1 the edit, byte 2 the
// paint scale, byte 3 the length n of the link texts at the end; then the
// point data, then n bytes of "LinkA" text, a line feed and "LinkB" text.
#include <QApplication>
#include <QImage>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "KestActions.h"
#include "KestBase.h"
#include "KestBaseLinks.h"
#include "KestCanvas.h"
#include "KestControlsCurve.h"
#include "KestError.h"
#include "KestGraphicProps.h"

namespace kest {
namespace {

void Require(bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf(stderr, "failed: %s\n", what);
    std::abort();
}

// A plain rectangle for the connector's ends to link to.
class TFuzzBlock : public TKestControl {
    KEST_CONTROL_CLASS(TFuzzBlock)
protected:
    void ControlCreate() override
    {
        TKestControl::ControlCreate();
        SetVisible(true);
    }
};

KEST_CONTROL_CLASS_IMPL(TFuzzBlock, TKestControl)

void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "curve_points_qt_fuzz";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        RegisterControlClasses({TKestCurve::StaticClass(), TKestConnector::StaticClass(), TFuzzBlock::StaticClass()});
        return new QApplication(argc, argv);
    }();
    (void)app;
}

std::string Save(TKestPanel& panel)
{
    TKestMemoryStream stream;
    {
        std::unique_ptr<TKestFiler> filer = panel.CreateFiler(stream, ppSave, false);
        panel.SaveToFiler(*filer);
    }
    return stream.Text();
}

void Load(TKestPanel& panel, const std::string& text)
{
    TKestMemoryStream stream(text.data(), text.size());
    std::unique_ptr<TKestFiler> filer = panel.CreateFiler(stream, ppLoad, false);
    panel.LoadFromFiler(*filer, lmDocument);
}

struct TInput {
    uint8_t Flags = 0;
    uint8_t Edit = 0;
    uint8_t Scale = 0;
    TBytes Points;
    std::string LinkA, LinkB;
};

bool Parse(const uint8_t* data, size_t size, TInput& input)
{
    if (size < 4)
        return false;
    input.Flags = data[0];
    input.Edit = data[1];
    input.Scale = data[2];
    const size_t linkSize = std::min<size_t>(data[3], size - 4);
    input.Points.assign(data + 4, data + size - linkSize);
    const std::string links(reinterpret_cast<const char*>(data) + size - linkSize, linkSize);
    const size_t feed = links.find('\n');
    input.LinkA = links.substr(0, feed);
    if (feed != std::string::npos)
        input.LinkB = links.substr(feed + 1);
    return true;
}

// A point of the curve chosen by the edit byte, or its origin without points.
TKestPoint PickPoint(TKestCurve& curve, uint8_t edit)
{
    if (curve.PointCount() == 0)
        return {0, 0};
    return curve.Point(edit % curve.PointCount());
}

void Paint(TKestPanel& panel, int32_t scale)
{
    QImage image(40, 40, QImage::Format_ARGB32);
    image.fill(Qt::white);
    TKestCanvas canvas;
    if (!canvas.Attach(&image))
        return;
    panel.PaintTo(canvas, {0, 0, 40, 40}, false, false, false, false, true, nullptr, scale, {0, 0});
    canvas.Detach();
}

void HitTest(TKestCurve& curve, uint8_t edit)
{
    const TKestPoint p = PickPoint(curve, edit);
    const TKestRect r = curve.DocRect();
    curve.IsPointInside(r.Left + p.X, r.Top + p.Y);
    curve.IsPointInside((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    int32_t first = -1, second = -1;
    bool within = false;
    curve.FindNearestSegment(p, true, first, second, within);
    Require(first < curve.PointCount() && second < curve.PointCount(), "nearest segment in range");
}

void EditCurve(TKestCurve& curve, uint8_t edit)
{
    const int count = curve.PointCount();
    const int index = count > 0 ? edit % count : 0;
    const TKestPoint p = PickPoint(curve, edit);
    const TKestPoint moved {p.X + 3000 - (edit & 7) * 1000, p.Y - 2000 + (edit & 3) * 1000};
    TSelectedArray selected(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        selected[static_cast<size_t>(i)] = ((edit >> (i % 8)) & 1) != 0;
    switch ((edit >> 4) % 8) {
    case 0:
        curve.InsertNode(index, moved);
        break;
    case 1:
        curve.InsertCurveNode(index, moved, p, {moved.X, p.Y});
        break;
    case 2:
        curve.DeletePoint(index);
        break;
    case 3:
        curve.InsertNearestPoint(moved);
        break;
    case 4: {
        const TPathEditParams params {{moved.X - p.X, moved.Y - p.Y}, (edit & 1) != 0};
        const auto func = static_cast<TPathEditFunc>(edit % 6);
        if (HasPathEditFunc(curve.EditCaps(selected), func))
            curve.EditPoints(selected, func, &params);
        break;
    }
    case 5:
        curve.Flatten(static_cast<float>(edit % 5) * 0.5f);
        break;
    case 6:
        if (count > 0)
            curve.SetPoint(index, moved);
        break;
    default:
        curve.SetIsSolid(!curve.IsSolid());
        break;
    }
}

void EditConnector(TKestConnector& connector, TKestControl& block, uint8_t edit)
{
    const int count = connector.PointCount();
    const int index = count > 0 ? edit % count : 0;
    const TKestPoint p = PickPoint(connector, edit);
    const TKestPoint offset {3000 - (edit & 7) * 1000, -2000 + (edit & 3) * 1000};
    switch ((edit >> 4) % 6) {
    case 0:
        connector.MovePoint(index, {p.X + offset.X, p.Y + offset.Y});
        break;
    case 1:
        if (connector.MoveSegment(index, std::min(index + 1, count - 1), offset))
            connector.EndPointsDrag();
        break;
    case 2:
        connector.InsertNearestPoint(p);
        break;
    case 3:
        connector.DeletePoint(index);
        break;
    case 4:
        block.SetDocRect({block.Left() + offset.X, block.Top() + offset.Y, block.Left() + offset.X + 9000,
            block.Top() + offset.Y + 6000});
        break;
    default:
        connector.SetOrtogonal(!connector.Ortogonal());
        break;
    }
}

} // namespace
} // namespace kest

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace kest;
    EnsureApplication();
    TInput input;
    if (!Parse(data, size, input))
        return 0;
    const bool isConnector = input.Flags & 1;

    TKestPanel panel;
    auto* blockA = TKestControl::Create<TFuzzBlock>(&panel, panel.ActiveScheme(), panel.ActiveLayer());
    blockA->SetName("BoxA");
    blockA->SetDocRect({2000, 3000, 11000, 9000});
    auto* blockB = TKestControl::Create<TFuzzBlock>(&panel, panel.ActiveScheme(), panel.ActiveLayer());
    blockB->SetName("BoxB");
    blockB->SetDocRect({25000, 20000, 34000, 26000});
    TKestCurve* curve = isConnector
        ? TKestControl::Create<TKestConnector>(&panel, panel.ActiveScheme(), panel.ActiveLayer())
        : TKestControl::Create<TKestCurve>(&panel, panel.ActiveScheme(), panel.ActiveLayer());
    curve->SetName("Shape");
    // A rectangle the history can restore: a new control's empty one cannot be set.
    curve->SetDocRect({1000, 1000, 2000, 2000});
    if (input.Flags & 4)
        curve->Brush()->SetColor(clRed);
    if (input.Flags & 8)
        curve->SetIsSolid(true);
    if (input.Flags & 16) {
        curve->BeginCap()->SetCapStyle(-1 - input.Edit % 18);
        curve->EndCap()->SetCapStyle(-1 - input.Scale % 18);
    }
    curve->Props().PropByName(input.Flags & 2 ? "Points" : "PathPoints")->SetPropValue("", input.Points);
    auto* connector = dynamic_cast<TKestConnector*>(curve);
    if (connector) {
        connector->SetOrtogonal(!(input.Flags & 32));
        connector->SetRerouteMode(static_cast<TRerouteMode>((input.Flags >> 6) % 3));
        connector->LinkA()->SetText(input.LinkA);
        connector->LinkB()->SetText(input.LinkB);
        connector->Reroute();
    }

    static constexpr int32_t kScales[] = {100, 25, 400, 1};
    Paint(panel, kScales[input.Scale % 4]);
    HitTest(*curve, input.Edit);

    panel.History().Clear();
    const std::string before = Save(panel);
    panel.History().BeginPanelGroup(TPanelPointsHistoryGroup::StaticClass());
    if (connector)
        EditConnector(*connector, *blockB, input.Edit);
    else
        EditCurve(*curve, input.Edit);
    panel.History().EndPanelGroup(TPanelPointsHistoryGroup::StaticClass());
    Paint(panel, kScales[input.Scale % 4]);
    HitTest(*curve, static_cast<uint8_t>(input.Edit >> 1));

    const std::string saved = Save(panel);
    TKestPanel again;
    Load(again, saved);
    Require(Save(again) == saved, "saved text loads back to itself");

    while (panel.History().Undo()) { }
    Require(Save(panel) == before, "undo restores the document");
    return 0;
}
