// Line caps: every built-in outline fits its box, lies symmetric about the
// line, turns with the segment, and collapses when the segment has no length.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "KestPath.h"

namespace kest {
namespace {

constexpr TKestPoint kEnd {10000, 20000};
constexpr int32_t kSize = 8000;

// The outline in the cap frame for a line arriving along +x.
TPointArray FramePoints(int style)
{
    TLineCapData data;
    EXPECT_TRUE(GetLineCapData(style, kSize, kEnd, {kEnd.X - 5000, kEnd.Y}, data));
    TPointArray frame;
    for (const TKestPoint& p : data.Points)
        frame.push_back({p.X - kEnd.X, p.Y - kEnd.Y});
    return frame;
}

TEST(LineCap, OutlinesFitAndFillTheirBoxes)
{
    for (int style = -18; style <= -1; ++style) {
        SCOPED_TRACE(style);
        TLineCapData metrics;
        ASSERT_TRUE(GetLineCapMetrics(style, kSize, metrics));
        const TPointArray frame = FramePoints(style);
        ASSERT_FALSE(frame.empty());
        int minX = frame[0].X, maxX = minX, minY = frame[0].Y, maxY = minY;
        for (const TKestPoint& p : frame) {
            minX = std::min(minX, p.X);
            maxX = std::max(maxX, p.X);
            minY = std::min(minY, p.Y);
            maxY = std::max(maxY, p.Y);
        }
        EXPECT_GE(minX, metrics.BoxLeft);
        EXPECT_LE(maxX, metrics.BoxRight);
        EXPECT_GE(minY, metrics.BoxTop);
        EXPECT_LE(maxY, metrics.BoxBottom);
        // The outline spans its box across the line, and along it but for the tail.
        EXPECT_EQ(maxY - minY, metrics.BoxBottom - metrics.BoxTop);
        if (style != -18) {
            EXPECT_EQ(maxX - minX, metrics.BoxRight - metrics.BoxLeft);
        }
        // The outline is a path the traversal accepts.
        TLineCapData data;
        GetLineCapData(style, kSize, kEnd, {0, kEnd.Y}, data);
        TKestRect bounds;
        EXPECT_TRUE(GetPathBounds(data.Points, data.Types, bounds));
    }
}

TEST(LineCap, SymmetricAboutTheLine)
{
    for (int style = -17; style <= -1; ++style) {
        SCOPED_TRACE(style);
        const TPointArray frame = FramePoints(style);
        for (const TKestPoint& p : frame) {
            const TKestPoint mirrored {p.X, -p.Y};
            EXPECT_TRUE(std::any_of(frame.begin(), frame.end(),
                [&](TKestPoint q) { return std::abs(q.X - mirrored.X) <= 1 && std::abs(q.Y - mirrored.Y) <= 1; }))
                << p.X << "," << p.Y;
        }
    }
}

TEST(LineCap, TurnsWithTheSegment)
{
    for (int style : {-1, -6, -9, -11, -18}) {
        SCOPED_TRACE(style);
        const TPointArray frame = FramePoints(style);
        // Arriving downwards (+y): frame x maps to +y, frame y to -x.
        TLineCapData down;
        ASSERT_TRUE(GetLineCapData(style, kSize, kEnd, {kEnd.X, kEnd.Y - 300}, down));
        ASSERT_EQ(down.Points.size(), frame.size());
        for (size_t i = 0; i < frame.size(); ++i)
            EXPECT_EQ(down.Points[i], (TKestPoint {kEnd.X - frame[i].Y, kEnd.Y + frame[i].X}));
        // Diagonally, every point keeps its distance from the end.
        TLineCapData diagonal;
        ASSERT_TRUE(GetLineCapData(style, kSize, kEnd, {kEnd.X - 3000, kEnd.Y - 4000}, diagonal));
        for (size_t i = 0; i < frame.size(); ++i) {
            const double r = std::hypot(frame[i].X, frame[i].Y);
            EXPECT_NEAR(std::hypot(diagonal.Points[i].X - kEnd.X, diagonal.Points[i].Y - kEnd.Y), r, 1.5);
        }
        // The line stops its inset before the end, towards the start.
        const double inset = std::hypot(diagonal.LinePoint.X - kEnd.X, diagonal.LinePoint.Y - kEnd.Y);
        EXPECT_NEAR(inset, diagonal.LineInset, 1);
        if (diagonal.LineInset > 0) {
            EXPECT_LT(diagonal.LinePoint.Y, kEnd.Y);
        }
        EXPECT_EQ(diagonal.EndPoint, kEnd);
    }
}

TEST(LineCap, UnknownStylesAndDegenerateSegments)
{
    TLineCapData data;
    data.Size = 5;
    for (int style : {0, -19, 3, -1000}) {
        EXPECT_FALSE(GetLineCapMetrics(style, kSize, data));
        EXPECT_EQ(data.Size, 0);
        EXPECT_EQ(data.BoxRight, 0);
        EXPECT_FALSE(GetLineCapData(style, kSize, kEnd, {}, data));
        EXPECT_TRUE(data.Points.empty());
    }
    // An end reached from itself: everything collapses onto it.
    ASSERT_TRUE(GetLineCapData(-10, kSize, kEnd, kEnd, data));
    for (const TKestPoint& p : data.Points)
        EXPECT_EQ(p, kEnd);
    EXPECT_EQ(data.LinePoint, kEnd);
    ASSERT_TRUE(GetLineCapMetrics(-16, 8001, data));
    EXPECT_EQ(data.LineInset, 2000);
    EXPECT_EQ(data.BoxLeft, -2000);
}

} // namespace
} // namespace kest
