// The curve: its points in documents (and hostile point data), the
// rectangle that follows the points, resizing and mirroring, hit testing of
// open and closed figures, line caps on the screen and point editing.
#include <gtest/gtest.h>

#include <QImage>

#include "KestActions.h"
#include "KestCanvas.h"
#include "KestControlsCurve.h"
#include "KestGraphicProps.h"
#include "document/support/DocTestSupport.h"

namespace kest::doctest {
namespace {

struct TCurveFixture : TPanelFixture {
    TCurveFixture() { RegisterControlClasses({TKestCurve::StaticClass(), TKestConnector::StaticClass()}); }
    TKestCurve* AddCurve(const TPointArray& points, const TPointTypeArray& types, TKestPoint at = {0, 0})
    {
        auto* curve = TKestControl::Create<TKestCurve>(&panel, Scheme(), Layer());
        curve->SetLeft(at.X);
        curve->SetTop(at.Y);
        curve->SetPathPoints(points, types);
        return curve;
    }
    void SetData(TKestCurve* curve, const char* name, const TPropValue& value)
    {
        curve->Props().PropByName(name)->SetPropValue("", value);
    }
};

TBytes PathPointsBytes(int32_t n, const TPointArray& points, const TPointTypeArray& types)
{
    TBytes bytes;
    auto put = [&bytes](int32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<uint8_t>(uint32_t(v) >> (8 * i)));
    };
    put(n);
    for (TKestPoint p : points) {
        put(p.X);
        put(p.Y);
    }
    for (TPointType t : types)
        bytes.push_back(t);
    return bytes;
}

const TPointArray kTwoFigures {
    {0, 0}, {9000, 0}, {9000, 6000}, {2000, 8000}, {3000, 9000}, {5000, 12000}, {7000, 9000}, {8000, 9000}};
const TPointTypeArray kTwoFiguresTypes {ptNode, ptNode, ptClosedEnd, ptNode, ptControl, ptControl, ptNode, ptOpenEnd};

TEST(CurveTest, PathPointsSurviveSaveAndLoad)
{
    TCurveFixture f;
    TKestCurve* curve = f.AddCurve(kTwoFigures, kTwoFiguresTypes, {5000, 7000});
    curve->SetName("Curve1");
    const std::string saved = SaveText(f.panel);
    EXPECT_NE(saved.find("PathPoints"), std::string::npos);
    // The legacy form is never written.
    EXPECT_EQ(saved.find("  Points"), std::string::npos);

    TCurveFixture g;
    LoadText(g.panel, saved);
    auto* loaded = dynamic_cast<TKestCurve*>(g.panel.FindControlByName("Curve1"));
    ASSERT_NE(loaded, nullptr);
    TPointArray points;
    TPointTypeArray types;
    loaded->GetPathPoints(points, types);
    TPointArray expected;
    curve->GetPathPoints(expected, types);
    EXPECT_EQ(points, expected);
    EXPECT_EQ(loaded->DocRect(), curve->DocRect());
    EXPECT_EQ(SaveText(g.panel), saved);
    EXPECT_EQ(SaveText(g.panel, true), SaveText(f.panel, true));
}

TEST(CurveTest, ByteFormsHaveTheirLayout)
{
    TCurveFixture f;
    TKestCurve* curve = f.AddCurve({{1, 2}, {300, -4}}, {ptNode, ptOpenEnd});
    // Fitting moves the points so that their minimum is (0, 0).
    const TPropValue path = curve->Props().PropByName("PathPoints")->GetPropValue("");
    const TPointArray fitted {{0, 6}, {299, 0}};
    EXPECT_EQ(std::get<TBytes>(path), PathPointsBytes(2, fitted, {ptNode, ptOpenEnd}));
    const TPropValue legacy = curve->Props().PropByName("Points")->GetPropValue("");
    TBytes expected = PathPointsBytes(2, fitted, {});
    expected.erase(expected.begin(), expected.begin() + 4);
    EXPECT_EQ(std::get<TBytes>(legacy), expected);
}

TEST(CurveTest, HostilePointDataIsRefused)
{
    TCurveFixture f;
    TKestCurve* curve = f.AddCurve({{0, 0}, {1000, 1000}, {2000, 0}}, {ptNode, ptNode, ptOpenEnd});
    TPointArray before;
    TPointTypeArray beforeTypes;
    curve->GetPathPoints(before, beforeTypes);
    auto unchanged = [&] {
        TPointArray points;
        TPointTypeArray types;
        curve->GetPathPoints(points, types);
        return points == before && types == beforeTypes;
    };
    const TPointArray two {{5, 5}, {6, 6}};
    const TPointTypeArray twoTypes {ptNode, ptOpenEnd};

    f.SetData(curve, "PathPoints", TBytes {1, 0, 0});
    EXPECT_TRUE(unchanged()) << "shorter than its count";
    TBytes odd = PathPointsBytes(2, two, twoTypes);
    odd.pop_back();
    f.SetData(curve, "PathPoints", odd);
    EXPECT_TRUE(unchanged()) << "length not 9 N + 4";
    f.SetData(curve, "PathPoints", PathPointsBytes(-1, {}, {}));
    EXPECT_TRUE(unchanged()) << "negative count";
    // 9 N + 4 wraps to 18 in 32 bits.
    TBytes wrapped = PathPointsBytes(477218590, {}, {});
    wrapped.resize(18, 0);
    f.SetData(curve, "PathPoints", wrapped);
    EXPECT_TRUE(unchanged()) << "huge count";
    f.SetData(curve, "PathPoints", PathPointsBytes(2, two, {ptNode, static_cast<TPointType>(7)}));
    EXPECT_TRUE(unchanged()) << "unknown point type";
    f.SetData(curve, "PathPoints", TPropValue(std::string("text")));
    EXPECT_TRUE(unchanged()) << "not bytes";
    f.SetData(curve, "Points", TBytes(12, 1));
    EXPECT_TRUE(unchanged()) << "12 bytes of points";

    // Accepted data that makes no sense as a path still paints and hit-tests.
    f.SetData(
        curve, "PathPoints", PathPointsBytes(3, {{0, 0}, {40000, 0}, {0, 30000}}, {ptControl, ptControl, ptNode}));
    EXPECT_EQ(curve->PointCount(), 3);
    QImage image(100, 100, QImage::Format_ARGB32);
    TKestCanvas canvas;
    ASSERT_TRUE(canvas.Attach(&image));
    f.panel.PaintTo(canvas, {0, 0, 100, 100}, false, false, false, false, true, nullptr, 100, {0, 0});
    canvas.Detach();
    EXPECT_FALSE(curve->IsPointInside(20, 0));

    f.SetData(curve, "PathPoints", PathPointsBytes(0, {}, {}));
    EXPECT_EQ(curve->PointCount(), 0);
}

TEST(CurveTest, LegacyPointsTakeTheEndTypeFromIsSolid)
{
    TCurveFixture f;
    TKestCurve* curve = f.AddCurve({{0, 0}, {1000, 1000}}, {ptNode, ptOpenEnd});
    TBytes bytes = PathPointsBytes(0, {{0, 0}, {4000, 0}, {4000, 3000}}, {});
    bytes.erase(bytes.begin(), bytes.begin() + 4);
    f.SetData(curve, "Points", bytes);
    ASSERT_EQ(curve->PointCount(), 3);
    EXPECT_EQ(curve->PointType(0), ptNode);
    EXPECT_EQ(curve->PointType(2), ptOpenEnd);
    EXPECT_EQ(curve->Width(), 4000);
    EXPECT_EQ(curve->Height(), 3000);
}

TEST(CurveTest, RectangleFollowsThePoints)
{
    TCurveFixture f;
    TKestCurve* curve = f.AddCurve({{500, 700}, {2500, 900}}, {ptNode, ptOpenEnd}, {10000, 20000});
    EXPECT_EQ(curve->Left(), 10500);
    EXPECT_EQ(curve->Top(), 20700);
    EXPECT_EQ(curve->Width(), 2000);
    EXPECT_EQ(curve->Height(), 200);
    EXPECT_EQ(curve->Point(0), (TKestPoint {0, 0}));
    EXPECT_EQ(curve->Point(1), (TKestPoint {2000, 200}));

    // Moving a point left of the origin moves the rectangle, not the others' place.
    curve->SetPoint(0, {-1000, 0});
    EXPECT_EQ(curve->Left(), 9500);
    EXPECT_EQ(curve->DocRect().Right, 12500);
    EXPECT_EQ(curve->Point(1), (TKestPoint {3000, 200}));

    curve->SetPathPoints({{3000, 3000}}, {ptOpenEnd});
    EXPECT_EQ(curve->Width(), 1);
    EXPECT_EQ(curve->Height(), 1);
    EXPECT_EQ(curve->Left(), 12500);
}

TEST(CurveTest, UndoRestoresPointsAndRectangle)
{
    TCurveFixture f;
    TKestCurve* curve = f.AddCurve({{0, 0}, {4000, 2000}}, {ptNode, ptOpenEnd}, {1000, 1000});
    const TKestRect rect = curve->DocRect();
    f.panel.History().Clear();
    f.panel.History().BeginPanelGroup(TPanelPointsHistoryGroup::StaticClass());
    curve->SetPoint(1, {8000, -2000});
    f.panel.History().EndPanelGroup(TPanelPointsHistoryGroup::StaticClass());
    EXPECT_NE(curve->DocRect(), rect);
    ASSERT_TRUE(f.panel.History().Undo());
    EXPECT_EQ(curve->DocRect(), rect);
    EXPECT_EQ(curve->Point(1), (TKestPoint {4000, 2000}));
    ASSERT_TRUE(f.panel.History().Redo());
    EXPECT_EQ(curve->Point(1), (TKestPoint {8000, 0}));
    EXPECT_EQ(curve->Height(), 2000);
}

TEST(CurveTest, ResizingScalesThePoints)
{
    TCurveFixture f;
    TKestCurve* curve = f.AddCurve({{0, 0}, {3000, 1000}, {10000, 4000}}, {ptNode, ptNode, ptOpenEnd});
    f.panel.History().BeginPanelGroup(TPanelSizeMoveHistoryGroup::StaticClass());
    curve->SetDocRect({0, 0, 20000, 2000});
    f.panel.History().EndPanelGroup(TPanelSizeMoveHistoryGroup::StaticClass());
    EXPECT_EQ(curve->Point(1), (TKestPoint {6000, 500}));
    EXPECT_EQ(curve->Point(2), (TKestPoint {20000, 2000}));
    ASSERT_TRUE(f.panel.History().Undo());
    EXPECT_EQ(curve->Point(1), (TKestPoint {3000, 1000}));
    EXPECT_EQ(curve->DocRect(), (TKestRect {0, 0, 10000, 4000}));

    // Interactive steps scale from the copy taken at the start, so odd
    // intermediate sizes leave no rounding behind.
    curve->StartResizing({0, 0});
    for (int32_t width : {7, 13, 3001, 10000}) {
        curve->SetDocRect({0, 0, width, 4000});
        if (width == 3001) {
            EXPECT_EQ(curve->Point(1).X, 900);
        }
    }
    EXPECT_EQ(curve->Point(1), (TKestPoint {3000, 1000}));
    // A mirrored resize flips the copy.
    curve->MirrorResizePoints(true, false);
    curve->SetDocRect({0, 0, 5000, 4000});
    EXPECT_EQ(curve->Point(0), (TKestPoint {5000, 0}));
    EXPECT_EQ(curve->Point(1), (TKestPoint {3500, 1000}));
    curve->FinishResizing();
    curve->SetDocRect({0, 0, 10000, 4000});
    EXPECT_EQ(curve->Point(1), (TKestPoint {7000, 1000}));
}

TEST(CurveTest, TurningMapsThePoints)
{
    TCurveFixture f;
    TKestCurve* curve = f.AddCurve({{0, 0}, {4000, 0}, {4000, 2000}}, {ptNode, ptNode, ptOpenEnd}, {10000, 10000});
    curve->Translate({{10000, 10000}, 90, false});
    // A quarter turn about the first point: x' = x cos a - y sin a with a = -90.
    const TKestRect r = curve->DocRect();
    EXPECT_EQ(r.Right - r.Left, 2000);
    EXPECT_EQ(r.Bottom - r.Top, 4000);
    EXPECT_EQ(curve->ClientToOwner(curve->Point(0)), (TKestPoint {10, 10}));
    EXPECT_EQ(curve->ClientToOwner(curve->Point(1)), (TKestPoint {10, 6}));
    EXPECT_EQ(curve->ClientToOwner(curve->Point(2)), (TKestPoint {12, 6}));
}

TEST(CurveTest, HitTestDependsOnClosedFigures)
{
    TCurveFixture f;
    const TPointArray square {{0, 0}, {40000, 0}, {40000, 40000}, {0, 40000}};
    TKestCurve* open = f.AddCurve(square, {ptNode, ptNode, ptNode, ptOpenEnd}, {10000, 10000});
    open->Brush()->SetColor(clRed);
    TKestCurve* closed = f.AddCurve(square, {ptNode, ptNode, ptNode, ptClosedEnd}, {60000, 10000});
    closed->Brush()->SetColor(clRed);
    EXPECT_TRUE(closed->IsSolid());
    EXPECT_FALSE(open->IsSolid());
    // On the outline both are hit; inside only the closed one.
    EXPECT_TRUE(open->IsPointInside(30, 10));
    EXPECT_TRUE(closed->IsPointInside(80, 10));
    EXPECT_FALSE(open->IsPointInside(30, 30));
    EXPECT_TRUE(closed->IsPointInside(80, 30));
    // The open side of the open square is not there.
    EXPECT_FALSE(open->IsPointInside(10, 30));
    EXPECT_TRUE(closed->IsPointInside(60, 30));
    // Within the tolerance of 4 pixels, not beyond.
    EXPECT_TRUE(closed->IsPointInside(80, 7));
    EXPECT_FALSE(closed->IsPointInside(80, 4));
    // A clear brush leaves the inside empty.
    closed->Brush()->SetColor(clNone);
    EXPECT_FALSE(closed->IsPointInside(80, 30));
}

TEST(CurveTest, IsSolidClosesTheLastFigure)
{
    TCurveFixture f;
    TKestCurve* curve = f.AddCurve({{0, 0}, {4000, 0}, {4000, 4000}}, {ptNode, ptNode, ptOpenEnd});
    curve->SetIsSolid(true);
    EXPECT_EQ(curve->PointType(2), ptClosedEnd);
    curve->SetIsSolid(false);
    EXPECT_EQ(curve->PointType(2), ptOpenEnd);
}

// Counts the pixels of a colour inside a rectangle.
int CountColor(const QImage& image, const QRect& rect, QRgb color)
{
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            n += (image.pixel(x, y) & 0xFFFFFF) == (color & 0xFFFFFF);
    return n;
}

TEST(CurveTest, CapsArePaintedAtTheEnds)
{
    TCurveFixture f;
    TKestCurve* curve = f.AddCurve({{0, 0}, {100000, 0}}, {ptNode, ptOpenEnd}, {50000, 60000});
    curve->EndCap()->SetCapStyle(-10);
    curve->EndCap()->SetFixedSize(true);
    curve->EndCap()->SetSize(20000);
    curve->BeginCap()->SetCapStyle(-15);
    curve->BeginCap()->SetFixedSize(true);
    curve->BeginCap()->SetSize(20000);
    curve->BeginCap()->SetFixedFillColor(true);
    curve->BeginCap()->SetFillColor(clBlue);

    QImage image(200, 120, QImage::Format_ARGB32);
    image.fill(Qt::white);
    TKestCanvas canvas;
    ASSERT_TRUE(canvas.Attach(&image));
    f.panel.PaintTo(canvas, {0, 0, 200, 120}, false, false, false, false, true, nullptr, 100, {0, 0});
    canvas.Detach();
    image.save("curve_caps.png");
    // The closed arrow head at (150, 60) is filled with the pen colour back
    // along the line; nothing is drawn beyond the end.
    EXPECT_GT(CountColor(image, QRect(135, 54, 12, 13), qRgb(0, 0, 0)), 60);
    EXPECT_EQ(CountColor(image, QRect(153, 40, 30, 40), qRgb(0, 0, 0)), 0);
    // The circle at the start, radius 10, filled blue.
    EXPECT_GT(CountColor(image, QRect(42, 52, 17, 17), qRgb(0, 0, 255)), 150);
    // The line itself in between, one pixel.
    EXPECT_EQ(CountColor(image, QRect(80, 55, 30, 11), qRgb(0, 0, 0)), 30);
    // The repaint covers the caps.
    const TKestRect refresh = curve->GetRefreshRect(curve->Left(), curve->Top());
    EXPECT_LE(refresh.Left, 50000 - 10000);
    EXPECT_GE(refresh.Bottom, 60000 + 10000);
}

TEST(CurveTest, InsertingAndDeletingNodes)
{
    TCurveFixture f;
    TKestCurve* curve = f.AddCurve({{0, 0}, {4000, 0}, {8000, 0}}, {ptNode, ptNode, ptOpenEnd});
    EXPECT_EQ(curve->InsertNode(1, {2000, 3000}), 1);
    EXPECT_EQ(curve->PointCount(), 4);
    EXPECT_EQ(curve->Height(), 3000);
    EXPECT_EQ(curve->InsertCurveNode(3, {6000, 1000}, {6500, 2000}, {7000, 2000}), 3);
    ASSERT_EQ(curve->PointCount(), 7);
    EXPECT_EQ(curve->PointType(4), ptControl);
    EXPECT_EQ(curve->InsertNode(4, {0, 0}), -1) << "a control point is no node";
    EXPECT_FALSE(curve->DeletePoint(5));

    // The last node goes: the one before it ends the figure, and the curve
    // that led to the deleted end goes with it.
    ASSERT_TRUE(curve->DeletePoint(6));
    ASSERT_EQ(curve->PointCount(), 4);
    EXPECT_EQ(curve->PointType(3), ptOpenEnd);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(curve->PointType(i), ptNode);
    ASSERT_TRUE(curve->DeletePoint(0));
    EXPECT_EQ(curve->PointCount(), 3);
    EXPECT_EQ(curve->Width(), 4000);
}

TEST(CurveTest, DeletingBetweenTwoCurvesMergesThem)
{
    TCurveFixture f;
    TKestCurve* curve
        = f.AddCurve({{0, 0}, {1000, 3000}, {2000, 3000}, {3000, 0}, {4000, -3000}, {5000, -3000}, {6000, 0}},
            {ptNode, ptControl, ptControl, ptNode, ptControl, ptControl, ptOpenEnd});
    // In document units: fitting to the merged outline moves the points.
    auto docPoint = [curve](int i) {
        return TKestPoint {curve->Left() + curve->Point(i).X, curve->Top() + curve->Point(i).Y};
    };
    const TKestPoint lastControl = docPoint(5);
    ASSERT_TRUE(curve->DeletePoint(3));
    ASSERT_EQ(curve->PointCount(), 4);
    EXPECT_EQ(docPoint(2), lastControl);
    EXPECT_EQ(curve->PointType(3), ptOpenEnd);
}

TEST(CurveTest, BreakAndCloseThroughTheEditRoutines)
{
    TCurveFixture f;
    TKestCurve* curve = f.AddCurve({{0, 0}, {4000, 0}, {4000, 4000}, {0, 4000}}, {ptNode, ptNode, ptNode, ptClosedEnd});
    ASSERT_TRUE(curve->IsSolid());
    TSelectedArray selected {false, true, false, false};
    ASSERT_TRUE(curve->EditPoints(selected, pfBreak));
    // One open figure that starts and ends at the broken node.
    EXPECT_EQ(curve->PointCount(), 5);
    EXPECT_FALSE(curve->IsSolid());
    EXPECT_EQ(curve->Point(0), curve->Point(4));
    EXPECT_EQ(curve->PointType(4), ptOpenEnd);

    TSelectedArray ends {true, false, false, false, true};
    EXPECT_TRUE(curve->EditCaps(ends) & PathEditFuncBit(pfClose));
    ASSERT_TRUE(curve->EditPoints(ends, pfClose));
    EXPECT_TRUE(curve->IsSolid());
}

TEST(CurveTest, ReadOnlyLayerKeepsThePoints)
{
    TCurveFixture f;
    TKestCurve* curve = f.AddCurve({{0, 0}, {4000, 0}}, {ptNode, ptOpenEnd});
    f.Layer()->SetReadOnly(true);
    curve->SetPoint(1, {9000, 9000});
    EXPECT_EQ(curve->Point(1), (TKestPoint {4000, 0}));
    EXPECT_EQ(curve->InsertNode(0, {1, 1}), -1);
    EXPECT_FALSE(curve->DeletePoint(0));
}

} // namespace
} // namespace kest::doctest
