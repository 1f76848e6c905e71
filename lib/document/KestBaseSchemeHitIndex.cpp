#include "KestBaseSchemeHitIndex.h"

#include <algorithm>
#include <cmath>

#include "KestBaseContainers.h"

namespace kest {

namespace {

// Where the control and its descendants paint, in document units.
TKestRect PaintBounds(TKestControl& control)
{
    TKestRect bounds {};
    bool first = true;
    control.ForEach([&](TKestControl* c) {
        const TKestRect doc = c->DocRect();
        const TKestRect r = c->GetRefreshRect(doc.Left, doc.Top);
        bounds = first ? r
                       : TKestRect {std::min(bounds.Left, r.Left), std::min(bounds.Top, r.Top),
                           std::max(bounds.Right, r.Right), std::max(bounds.Bottom, r.Bottom)};
        first = false;
        return true;
    });
    return bounds;
}

} // namespace

void TSchemeHitIndex::Build(TKestCustomScheme& scheme, uint64_t stamp, int32_t scale)
{
    cells_.clear();
    wide_.clear();
    columns_ = rows_ = 0;
    stamp_ = stamp;
    scale_ = scale;
    built_ = true;

    struct TItem {
        TKestRect Bounds;
        TEntry Entry;
    };
    std::vector<TItem> items;
    TPaintOrder order;
    if (!BuildPaintOrder(&scheme, order))
        return;
    const int64_t margin = int64_t(HitMargin) * PixelScale * 100 / std::max(scale, 1) + 1;
    int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
    for (int l = static_cast<int>(order.LayerRefs.size()) - 1; l >= 0; --l)
        for (int32_t i = order.LayerRefs[size_t(l)].Last; i >= 0; i = order.Controls[size_t(i)].Prev) {
            TKestControl* control = order.Controls[size_t(i)].Control;
            const TKestRect r = PaintBounds(*control);
            auto clamp = [](int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
            const TKestRect grown {
                clamp(r.Left - margin), clamp(r.Top - margin), clamp(r.Right + margin), clamp(r.Bottom + margin)};
            items.push_back({grown, {int32_t(items.size()), control}});
            left = std::min<int64_t>(left, grown.Left);
            top = std::min<int64_t>(top, grown.Top);
            right = std::max<int64_t>(right, grown.Right);
            bottom = std::max<int64_t>(bottom, grown.Bottom);
        }
    if (items.empty())
        return;
    area_ = {int32_t(left), int32_t(top), int32_t(right), int32_t(bottom)};
    // About one control a cell, but cells no smaller than a few margins: a
    // control then spans a handful of cells, not hundreds.
    const int64_t perSide = int64_t(std::ceil(std::sqrt(double(items.size()))));
    auto sideFor = [&](int64_t extent) {
        return int(std::clamp<int64_t>(std::min(perSide, extent / (4 * margin)), 1, MaxSide));
    };
    columns_ = sideFor(right - left);
    rows_ = sideFor(bottom - top);
    cellWidth_ = std::max<int64_t>(1, (right - left + columns_ - 1) / columns_);
    cellHeight_ = std::max<int64_t>(1, (bottom - top + rows_ - 1) / rows_);
    cells_.assign(size_t(columns_) * size_t(rows_), {});
    const int64_t wideCells = int64_t(columns_) * rows_ / 4;
    for (const TItem& item : items) {
        const int c0 = int((item.Bounds.Left - left) / cellWidth_);
        const int c1 = int(std::min<int64_t>(columns_ - 1, (item.Bounds.Right - left) / cellWidth_));
        const int r0 = int((item.Bounds.Top - top) / cellHeight_);
        const int r1 = int(std::min<int64_t>(rows_ - 1, (item.Bounds.Bottom - top) / cellHeight_));
        if (wideCells >= 4 && int64_t(c1 - c0 + 1) * (r1 - r0 + 1) > wideCells) {
            wide_.push_back(item.Entry);
            continue;
        }
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c)
                cells_[size_t(r) * size_t(columns_) + size_t(c)].push_back(item.Entry);
    }
}

const std::vector<TSchemeHitIndex::TEntry>* TSchemeHitIndex::Cell(TKestPoint point) const
{
    if (columns_ == 0 || point.X < area_.Left || point.X >= area_.Right || point.Y < area_.Top
        || point.Y >= area_.Bottom)
        return nullptr;
    const int64_t c = std::min<int64_t>(columns_ - 1, (int64_t(point.X) - area_.Left) / cellWidth_);
    const int64_t r = std::min<int64_t>(rows_ - 1, (int64_t(point.Y) - area_.Top) / cellHeight_);
    return &cells_[size_t(r) * size_t(columns_) + size_t(c)];
}

} // namespace kest
