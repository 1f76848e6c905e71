// TIdPool: hands out the smallest free identifier >= 1 and tracks used ones
// as sorted, non-touching closed ranges.
#pragma once

#include <cstdint>
#include <vector>

namespace kest {

class TIdPool {
public:
    int32_t NextId();
    bool Use(int32_t id);
    bool Release(int32_t id);
    bool Used(int32_t id) const;
    void Clear() { ranges_.clear(); }
    // (low, high) pairs, ascending; for tests and diagnostics.
    const std::vector<int32_t>& Ranges() const { return ranges_; }

private:
    std::vector<int32_t> ranges_;
};

}  // namespace kest
