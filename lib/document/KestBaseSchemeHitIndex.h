// A grid over a scheme that lists, per cell, the scheme's controls that may
// be hit there, so that a hit test asks a few controls instead of all.
//
// A control counts as near a point when the point lies within HitMargin
// pixels of the refresh rectangle of the control or of any of its
// descendants; hit tests of all kinds reach no farther than that. Each list
// keeps the hit order (layers from the top, each layer's chain backwards),
// so the first control that answers is the one a full scan would find.
#pragma once

#include <cstdint>
#include <vector>

#include "KestUtils.h"

namespace kest {

class TKestControl;
class TKestCustomScheme;

class TSchemeHitIndex {
public:
    static constexpr int32_t HitMargin = 8; // pixels
    static constexpr int32_t MaxSide = 256; // cells a side

    // Whether the index describes the document as it is at this change
    // stamp of the panel and this scale.
    bool Current(uint64_t stamp, int32_t scale) const { return built_ && stamp == stamp_ && scale == scale_; }
    void Build(TKestCustomScheme& scheme, uint64_t stamp, int32_t scale);
    void Clear() { built_ = false; }
    // Calls test with the controls near a point in document units, in hit
    // order, until it returns true; returns that control or none.
    template <class F> TKestControl* FirstAt(TKestPoint point, F test) const;

private:
    struct TEntry {
        int32_t Rank; // position in the hit order
        TKestControl* Control;
    };
    const std::vector<TEntry>* Cell(TKestPoint point) const;

    bool built_ = false;
    uint64_t stamp_ = 0;
    int32_t scale_ = 0;
    TKestRect area_ {};
    int32_t columns_ = 0, rows_ = 0;
    int64_t cellWidth_ = 1, cellHeight_ = 1;
    std::vector<std::vector<TEntry>> cells_;
    std::vector<TEntry> wide_; // controls over most of the cells, asked everywhere
};

template <class F> TKestControl* TSchemeHitIndex::FirstAt(TKestPoint point, F test) const
{
    static const std::vector<TEntry> none;
    const std::vector<TEntry>* cell = Cell(point);
    const std::vector<TEntry>& local = cell ? *cell : none;
    // Both lists are in hit order; merge them.
    size_t i = 0, j = 0;
    while (i < local.size() || j < wide_.size()) {
        const bool fromLocal = j >= wide_.size() || (i < local.size() && local[i].Rank < wide_[j].Rank);
        TKestControl* control = fromLocal ? local[i++].Control : wide_[j++].Control;
        if (test(control))
            return control;
    }
    return nullptr;
}

} // namespace kest
