#include "SiteRandom.h"

#include <cmath>

namespace doravo {

void TSiteRandom::Randomize(double now)
{
    const double msOfDay = std::fmod(now, 1.0) * 86400000.0;
    seed_ = static_cast<uint32_t>(static_cast<int64_t>(msOfDay));
}

double TSiteRandom::Random()
{
    seed_ = seed_ * 134775813u + 1u;
    return double(seed_) / 4294967296.0;
}

int64_t Round(double value)
{
    const double lower = std::floor(value);
    const double fraction = value - lower;
    int64_t result = static_cast<int64_t>(lower);
    if (fraction > 0.5 || (fraction == 0.5 && (result & 1) != 0))
        ++result;
    return result;
}

} // namespace doravo
