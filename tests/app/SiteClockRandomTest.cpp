// The virtual clock and its timers, and the simulation's random generator.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "SiteClock.h"
#include "SiteRandom.h"

namespace doravo {
namespace {

TEST(SiteClockTest, VirtualTimersFireInDueOrderAtTheirDueTime)
{
    TVirtualClock clock(45000.0);
    std::vector<std::pair<char, int64_t>> fired;
    auto a = clock.CreateTimer(300, [&] { fired.push_back({'a', clock.ElapsedMs()}); });
    auto b = clock.CreateTimer(500, [&] { fired.push_back({'b', clock.ElapsedMs()}); });
    auto idle = clock.CreateTimer(100, [&] { fired.push_back({'x', clock.ElapsedMs()}); });
    a->SetEnabled(true);
    b->SetEnabled(true);
    clock.Advance(1500);
    const std::vector<std::pair<char, int64_t>> expected
        = {{'a', 300}, {'b', 500}, {'a', 600}, {'a', 900}, {'b', 1000}, {'a', 1200}, {'a', 1500}, {'b', 1500}};
    EXPECT_EQ(fired, expected);
    EXPECT_DOUBLE_EQ(clock.Now(), 45000.0 + 1500 / MSecsPerDay);

    // Disabling stops a timer; enabling starts a fresh interval from now.
    fired.clear();
    b->SetEnabled(false);
    clock.Advance(250);
    EXPECT_TRUE(fired.empty()); // a is next due at 1800
    a->SetEnabled(false);
    a->SetEnabled(true); // re-armed at 1750: due 2050, 2350
    clock.Advance(600);
    EXPECT_EQ(fired, (std::vector<std::pair<char, int64_t>> {{'a', 2050}, {'a', 2350}}));
}

TEST(SiteClockTest, HandlersMayChangeTimers)
{
    TVirtualClock clock(1.0);
    int count = 0;
    std::unique_ptr<TSiteTimer> other;
    auto self = clock.CreateTimer(1000, [&] {
        if (++count == 3) {
            other = clock.CreateTimer(10, [&] { ++count; });
            other->SetEnabled(true);
        }
    });
    self->SetEnabled(true);
    clock.Advance(3100); // self at 1000, 2000, 3000; other from 3010 every 10 ms: 3010..3100
    EXPECT_EQ(count, 3 + 10);
    other.reset();
    clock.Advance(1000);
    EXPECT_EQ(count, 14);
}

TEST(SiteRandomTest, RoundsHalvesToEven)
{
    const std::pair<double, int64_t> cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2},
        {2.4999, 2}, {2.5001, 3}, {-2.6, -3}, {19.999, 20}, {0.0, 0}};
    for (const auto& [value, rounded] : cases)
        EXPECT_EQ(Round(value), rounded) << value;
}

TEST(SiteRandomTest, GeneratorFollowsItsRecurrence)
{
    TSiteRandom random;
    random.SetSeed(777);
    uint64_t seed = 777;
    std::set<int64_t> seen;
    for (int i = 0; i < 10000; ++i) {
        seed = (seed * 134775813u + 1u) % 4294967296u;
        const double value = random.Random();
        ASSERT_EQ(value, double(seed) / 4294967296.0);
        ASSERT_GE(value, 0.0);
        ASSERT_LT(value, 1.0);
        seen.insert(Round(value * 20));
    }
    EXPECT_EQ(seen.size(), 21u); // every start delay 0..20 occurs
    // The largest seed still gives a value below 1.
    random.SetSeed(uint32_t(0xFFFFFFFEull * 0xD94FA8CDull)); // times the inverse multiplier: next seed 2^32-1
    EXPECT_EQ(random.Random(), 4294967295.0 / 4294967296.0);
    // Seeding from the clock depends on the time of day.
    TSiteRandom first, second;
    first.Randomize(45000.25);
    second.Randomize(45001.75);
    EXPECT_NE(first.Seed(), second.Seed());
}

} // namespace
} // namespace doravo
