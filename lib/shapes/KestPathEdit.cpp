// Editing the selected points of a path: moving them, joining and closing
// figures, breaking them, and turning segments into lines or curves.
#include <algorithm>

#include "KestPathInternal.h"

namespace kest {

using namespace pathimpl;

namespace {

TKestPoint Midpoint(TKestPoint a, TKestPoint b)
{
    return {ClampCoord(int64_t(a.X) + (int64_t(b.X) - a.X) / 2), ClampCoord(int64_t(a.Y) + (int64_t(b.Y) - a.Y) / 2)};
}

// One figure as nodes, each with its outgoing segment (the last node of an
// open figure has none, that of a closed one the closing segment).
struct TFigureNode {
    TKestPoint Point;
    bool Curve = false;
    TKestPoint C1, C2;
    int32_t Index = 0; // in the path the figure came from
};

struct TFigure {
    std::vector<TFigureNode> Nodes;
    bool Closed = false;
};

// False when controls stand where nodes belong or a curve runs past the figure.
bool ReadFigure(const TPointArray& points, const TPointTypeArray& types, const TPathFigureInfo& f, TFigure& out)
{
    const int32_t count = int32_t(points.size());
    if (f.FirstNode < 0 || f.LastNode < f.FirstNode || f.LastPoint < f.LastNode || f.LastPoint >= count)
        return false;
    out.Nodes.clear();
    out.Closed = f.IsClosed;
    for (int32_t i = f.FirstNode; i <= f.LastNode;) {
        if (types[i] == ptControl)
            return false;
        TFigureNode node {points[i], false, {}, {}, i};
        const bool hasNext = i < f.LastNode || f.IsClosed;
        if (hasNext && i + 2 <= f.LastPoint && types[i + 1] == ptControl) {
            if (types[i + 2] != ptControl || (i < f.LastNode && i + 3 > f.LastNode))
                return false;
            node.Curve = true;
            node.C1 = points[i + 1];
            node.C2 = points[i + 2];
            i += 3;
        } else {
            i += 1;
        }
        out.Nodes.push_back(node);
    }
    return true;
}

// Appends steps + 1 nodes from first on (cyclic over a closed figure) as a
// figure with the given end type. The last node keeps its outgoing segment
// unless the figure ends open there.
void WriteNodes(
    const TFigure& figure, size_t first, size_t steps, TPointType endType, TPointArray& points, TPointTypeArray& types)
{
    const size_t n = figure.Nodes.size();
    for (size_t j = 0; j <= steps; ++j) {
        const TFigureNode& node = figure.Nodes[(first + j) % n];
        const bool isLast = j == steps;
        points.push_back(node.Point);
        types.push_back(isLast ? endType : ptNode);
        if (node.Curve && (!isLast || endType != ptOpenEnd)) {
            points.insert(points.end(), {node.C1, node.C2});
            types.insert(types.end(), {ptControl, ptControl});
        }
    }
}

// The figure run backwards; an open one only (a closed one has no ends to
// join at).
TFigure Reversed(const TFigure& figure)
{
    TFigure out;
    out.Closed = figure.Closed;
    const size_t n = figure.Nodes.size();
    for (size_t k = n; k-- > 0;) {
        TFigureNode node = figure.Nodes[k];
        node.Curve = k > 0 && figure.Nodes[k - 1].Curve;
        if (node.Curve) {
            node.C1 = figure.Nodes[k - 1].C2;
            node.C2 = figure.Nodes[k - 1].C1;
        }
        out.Nodes.push_back(node);
    }
    return out;
}

bool OffsetPoints(
    TPointArray& points, const TPointTypeArray& types, const TSelectedArray& selected, const TPathEditParams& params)
{
    if (params.Offset.X == 0 && params.Offset.Y == 0)
        return false;
    const int32_t count = int32_t(points.size());
    std::vector<bool> moves(selected.begin(), selected.end());
    if (params.MoveControls) {
        int32_t figureStart = 0;
        for (int32_t i = 0; i < count; ++i) {
            if (types[i] == ptControl)
                continue;
            if (i + 2 < count && types[i + 1] == ptControl && types[i + 2] == ptControl) {
                const int32_t owner = types[i] == ptClosedEnd ? figureStart : i + 3;
                moves[i + 1] = moves[i + 1] || selected[i];
                if (owner < count)
                    moves[i + 2] = moves[i + 2] || selected[owner];
            }
            if (IsEndType(types[i]))
                figureStart = types[i] == ptClosedEnd && i + 2 < count && types[i + 1] == ptControl ? i + 3 : i + 1;
        }
    }
    bool changed = false;
    for (int32_t i = 0; i < count; ++i) {
        if (!moves[i])
            continue;
        points[i]
            = {ClampCoord(int64_t(points[i].X) + params.Offset.X), ClampCoord(int64_t(points[i].Y) + params.Offset.Y)};
        changed = true;
    }
    return changed;
}

bool JoinPoints(TPointArray& points, TPointTypeArray& types, const TSelectedArray& selected, bool join)
{
    const int32_t count = int32_t(points.size());
    int32_t s1 = -1, s2 = -1;
    for (int32_t i = 0; i < count && s2 < 0; ++i)
        if (selected[i])
            (s1 < 0 ? s1 : s2) = i;
    if (s2 < 0)
        return false;
    TPathInfo info;
    GetPathInfo(points, types, info);
    const int32_t fig1 = FindPathFigure(info, s1), fig2 = FindPathFigure(info, s2);
    if (fig1 < 0 || fig2 < 0)
        return false;
    if (fig1 == fig2) {
        const TPathFigureInfo& f = info.Figures[fig1];
        if (types[s2] != ptOpenEnd)
            return false;
        if (!join) {
            types[s2] = ptClosedEnd;
            return true;
        }
        const int32_t before = s2 - 1 >= 0 && types[s2 - 1] == ptControl ? s2 - 3 : s2 - 1;
        if (before < f.FirstNode || types[before] == ptControl)
            return false;
        points[s1] = Midpoint(points[s1], points[s2]);
        types[before] = ptClosedEnd;
        return InsertPathPoints(points, types, s2, -1);
    }
    TFigure a, b;
    if (!ReadFigure(points, types, info.Figures[fig1], a) || !ReadFigure(points, types, info.Figures[fig2], b)
        || a.Closed || b.Closed)
        return false;
    if (a.Nodes.back().Index != s1)
        a = Reversed(a);
    if (b.Nodes.front().Index != s2)
        b = Reversed(b);
    if (join) {
        b.Nodes.front().Point = Midpoint(a.Nodes.back().Point, b.Nodes.front().Point);
        a.Nodes.pop_back();
    }
    TPointArray outPoints(points.begin(), points.begin() + info.Figures[fig1].FirstNode);
    TPointTypeArray outTypes(types.begin(), types.begin() + info.Figures[fig1].FirstNode);
    if (!a.Nodes.empty())
        WriteNodes(a, 0, a.Nodes.size() - 1, ptNode, outPoints, outTypes);
    WriteNodes(b, 0, b.Nodes.size() - 1, ptOpenEnd, outPoints, outTypes);
    // The figures between the two keep their places after the joined one.
    const auto copyRange = [&](int32_t from, int32_t to) {
        outPoints.insert(outPoints.end(), points.begin() + from, points.begin() + to);
        outTypes.insert(outTypes.end(), types.begin() + from, types.begin() + to);
    };
    copyRange(info.Figures[fig1].LastPoint + 1, info.Figures[fig2].FirstNode);
    copyRange(info.Figures[fig2].LastPoint + 1, count);
    points = std::move(outPoints);
    types = std::move(outTypes);
    return true;
}

bool BreakPoints(TPointArray& points, TPointTypeArray& types, const TSelectedArray& selected)
{
    TPathInfo info;
    GetPathInfo(points, types, info);
    TPointArray outPoints;
    TPointTypeArray outTypes;
    bool changed = false;
    TFigure figure;
    for (const TPathFigureInfo& f : info.Figures) {
        if (!ReadFigure(points, types, f, figure))
            return false;
        const size_t n = figure.Nodes.size();
        std::vector<size_t> cuts;
        for (size_t k = 0; k < n; ++k) {
            // An open figure's ends have nothing to break off.
            if (selected[figure.Nodes[k].Index] && (figure.Closed || (k > 0 && k + 1 < n)))
                cuts.push_back(k);
        }
        if (cuts.empty()) {
            WriteNodes(figure, 0, n - 1, figure.Closed ? ptClosedEnd : ptOpenEnd, outPoints, outTypes);
            continue;
        }
        changed = true;
        // A broken closed figure starts at its last break and runs through
        // its old closing segment; a single break opens it at that node.
        size_t from = figure.Closed ? cuts.back() : 0;
        for (size_t cut : cuts) {
            const size_t steps = (cut + n - from) % n;
            WriteNodes(figure, from, steps == 0 ? n : steps, ptOpenEnd, outPoints, outTypes);
            from = cut;
        }
        if (!figure.Closed)
            WriteNodes(figure, from, n - 1 - from, ptOpenEnd, outPoints, outTypes);
    }
    if (!changed)
        return false;
    points = std::move(outPoints);
    types = std::move(outTypes);
    return true;
}

bool PointsToLines(TPointArray& points, TPointTypeArray& types, const TSelectedArray& selected)
{
    bool changed = false;
    for (int32_t i = int32_t(points.size()) - 3; i >= 0; --i) {
        if (selected[i] && types[i] != ptControl && types[i + 1] == ptControl && types[i + 2] == ptControl) {
            InsertPathPoints(points, types, i + 1, -2);
            changed = true;
        }
    }
    return changed;
}

bool PointsToCurves(TPointArray& points, TPointTypeArray& types, const TSelectedArray& selected)
{
    const int32_t count = int32_t(points.size());
    std::vector<int32_t> figureStarts(size_t(count), 0);
    for (int32_t i = 0, start = 0; i < count; ++i) {
        figureStarts[i] = start;
        if (IsEndType(types[i]))
            start = types[i] == ptClosedEnd && i + 2 < count && types[i + 1] == ptControl ? i + 3 : i + 1;
    }
    bool changed = false;
    for (int32_t i = count - 1; i >= 0; --i) {
        if (!selected[i] || types[i] == ptControl || types[i] == ptOpenEnd)
            continue;
        if (i + 1 < count && types[i + 1] == ptControl)
            continue;
        int32_t end = i + 1;
        if (types[i] == ptClosedEnd)
            end = figureStarts[i];
        else if (end >= count)
            continue;
        const TKestPoint n = points[i], e = points[end];
        const int64_t dx = (int64_t(e.X) - n.X) / 3, dy = (int64_t(e.Y) - n.Y) / 3;
        InsertPathPoints(points, types, i + 1, 2);
        points[i + 1] = {ClampCoord(n.X + dx), ClampCoord(n.Y + dy)};
        points[i + 2] = {ClampCoord(e.X - dx), ClampCoord(e.Y - dy)};
        types[i + 1] = types[i + 2] = ptControl;
        changed = true;
    }
    return changed;
}

} // namespace

TPathEditFuncs GetEditPathCaps(const TPointArray& points, const TPointTypeArray& types, const TSelectedArray& selected)
{
    if (types.size() != points.size() || selected.size() != points.size())
        return 0;
    const size_t count = points.size();
    TPathEditFuncs caps = 0;
    int selectedCount = 0;
    TPointType firstType = ptNode, secondType = ptNode;
    bool firstStart = false, secondStart = false;
    bool atStart = true;
    for (size_t i = 0; i < count; ++i) {
        const bool isStart = atStart;
        if (IsEndType(types[i]))
            atStart = true;
        else if (types[i] == ptNode)
            atStart = false;
        if (!selected[i])
            continue;
        if (types[i] == ptControl)
            return PathEditFuncBit(pfOffset);
        caps |= i + 1 == count || types[i + 1] != ptControl ? PathEditFuncBit(pfToCurve) : PathEditFuncBit(pfToLine);
        if (types[i] == ptNode)
            caps |= PathEditFuncBit(pfBreak);
        if (selectedCount == 0) {
            firstType = types[i];
            firstStart = isStart;
        } else if (selectedCount == 1) {
            secondType = types[i];
            secondStart = isStart;
        }
        ++selectedCount;
    }
    if (selectedCount == 2 && ((firstStart && secondType == ptOpenEnd) || firstType == ptOpenEnd || secondStart))
        caps |= PathEditFuncBit(pfJoin) | PathEditFuncBit(pfClose);
    if (selectedCount > 0)
        caps |= PathEditFuncBit(pfOffset);
    return caps;
}

bool EditPath(TPointArray& points, TPointTypeArray& types, const TSelectedArray& selected, TPathEditFunc func,
    const TPathEditParams* params)
{
    if (!HasPathEditFunc(GetEditPathCaps(points, types, selected), func))
        return false;
    switch (func) {
    case pfOffset:
        return params && OffsetPoints(points, types, selected, *params);
    case pfJoin:
    case pfClose:
        return JoinPoints(points, types, selected, func == pfJoin);
    case pfBreak:
        return BreakPoints(points, types, selected);
    case pfToLine:
        return PointsToLines(points, types, selected);
    case pfToCurve:
        return PointsToCurves(points, types, selected);
    }
    return false;
}

} // namespace kest
