#include "KestIdPool.h"

#include <algorithm>
#include <limits>

namespace kest {

namespace {

constexpr int32_t kMaxId = std::numeric_limits<int32_t>::max();

size_t FirstNotBelow(const std::vector<int32_t>& ranges, int32_t id)
{
    return static_cast<size_t>(std::lower_bound(ranges.begin(), ranges.end(), id) - ranges.begin());
}

} // namespace

int32_t TIdPool::NextId()
{
    if (ranges_.empty()) {
        ranges_ = {1, 1};
        return 1;
    }
    if (ranges_[0] == 1) {
        if (ranges_[1] == kMaxId)
            return 0; // every identifier is taken; 0 is "no identifier"
        int32_t result = ranges_[1] + 1;
        if (ranges_.size() > 2 && ranges_[2] == result + 1) {
            ranges_[1] = ranges_[3];
            ranges_.erase(ranges_.begin() + 2, ranges_.begin() + 4);
        } else {
            ranges_[1] = result;
        }
        return result;
    }
    if (ranges_[0] == 2)
        ranges_[0] = 1;
    else
        ranges_.insert(ranges_.begin(), {1, 1});
    return 1;
}

bool TIdPool::Use(int32_t id)
{
    if (id <= 0)
        return false;
    size_t p = FirstNotBelow(ranges_, id);
    if (p == ranges_.size()) {
        if (!ranges_.empty() && ranges_.back() == id - 1)
            ranges_.back() = id;
        else
            ranges_.insert(ranges_.end(), {id, id});
        return true;
    }
    if (ranges_[p] == id || p % 2 == 1)
        return false;
    bool joinsPrevious = p > 0 && ranges_[p - 1] == id - 1;
    if (ranges_[p] == id + 1) {
        if (joinsPrevious)
            ranges_.erase(ranges_.begin() + p - 1, ranges_.begin() + p + 1);
        else
            ranges_[p] = id;
    } else if (joinsPrevious) {
        ranges_[p - 1] = id;
    } else {
        ranges_.insert(ranges_.begin() + p, {id, id});
    }
    return true;
}

bool TIdPool::Release(int32_t id)
{
    if (id <= 0)
        return false;
    size_t p = FirstNotBelow(ranges_, id);
    if (p == ranges_.size())
        return false;
    auto at = ranges_.begin() + p;
    if (p % 2 == 0) {
        if (ranges_[p] != id)
            return false;
        if (ranges_[p + 1] == id)
            ranges_.erase(at, at + 2);
        else
            ranges_[p] = id + 1;
    } else if (ranges_[p] == id) {
        // The low end is below id here (lower_bound would have stopped on it otherwise).
        ranges_[p] = id - 1;
    } else {
        ranges_.insert(at, {id - 1, id + 1});
    }
    return true;
}

bool TIdPool::Used(int32_t id) const
{
    size_t p = FirstNotBelow(ranges_, id);
    if (p == ranges_.size())
        return false;
    return p % 2 == 1 || ranges_[p] == id;
}

} // namespace kest
