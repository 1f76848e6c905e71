#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <set>
#include <vector>

#include "KestIdPool.h"

namespace kest {
namespace {

using Ranges = std::vector<int32_t>;

TIdPool PoolOf(std::initializer_list<int32_t> ids)
{
    TIdPool pool;
    for (int32_t id : ids)
        EXPECT_TRUE(pool.Use(id)) << id;
    return pool;
}

// Sorted (low, high) pairs with low <= high and at least one free id between ranges.
void ExpectWellFormed(const TIdPool& pool)
{
    const Ranges& r = pool.Ranges();
    ASSERT_EQ(r.size() % 2, 0u);
    for (size_t i = 0; i < r.size(); i += 2) {
        EXPECT_GE(r[i], 1);
        EXPECT_LE(r[i], r[i + 1]);
        if (i > 0) {
            EXPECT_GT(static_cast<int64_t>(r[i]), static_cast<int64_t>(r[i - 1]) + 1) << "touching ranges at " << i;
        }
    }
}

TEST(IdPool, NextIdFillsTheGapAndMergesNeighbours)
{
    TIdPool pool = PoolOf({1, 2, 3, 5, 6, 7});
    ASSERT_EQ(pool.Ranges(), (Ranges {1, 3, 5, 7}));
    EXPECT_EQ(pool.NextId(), 4);
    EXPECT_EQ(pool.Ranges(), (Ranges {1, 7}));
    EXPECT_EQ(pool.NextId(), 8);
    EXPECT_EQ(pool.Ranges(), (Ranges {1, 8}));
}

TEST(IdPool, NextIdPrefersOneBelowEverything)
{
    TIdPool empty;
    EXPECT_EQ(empty.NextId(), 1);
    EXPECT_EQ(empty.Ranges(), (Ranges {1, 1}));

    TIdPool fromTwo = PoolOf({2, 3});
    EXPECT_EQ(fromTwo.NextId(), 1);
    EXPECT_EQ(fromTwo.Ranges(), (Ranges {1, 3}));

    TIdPool fromTen = PoolOf({10});
    EXPECT_EQ(fromTen.NextId(), 1);
    EXPECT_EQ(fromTen.Ranges(), (Ranges {1, 1, 10, 10}));
    EXPECT_EQ(fromTen.NextId(), 2);
}

TEST(IdPool, UseInsertsExtendsAndMerges)
{
    TIdPool pool = PoolOf({1, 2, 3, 7, 8, 9});
    ASSERT_EQ(pool.Ranges(), (Ranges {1, 3, 7, 9}));
    EXPECT_TRUE(pool.Use(5));
    EXPECT_EQ(pool.Ranges(), (Ranges {1, 3, 5, 5, 7, 9}));
    EXPECT_TRUE(pool.Use(4));
    EXPECT_EQ(pool.Ranges(), (Ranges {1, 5, 7, 9}));
    EXPECT_TRUE(pool.Use(11));
    EXPECT_EQ(pool.Ranges(), (Ranges {1, 5, 7, 9, 11, 11}));
    EXPECT_TRUE(pool.Use(10));
    EXPECT_EQ(pool.Ranges(), (Ranges {1, 5, 7, 11}));
    EXPECT_TRUE(pool.Use(6));
    EXPECT_EQ(pool.Ranges(), (Ranges {1, 11}));
}

TEST(IdPool, UseRefusesTakenAndNonPositiveIds)
{
    TIdPool pool = PoolOf({3, 4, 5});
    for (int32_t id : {0, -1, 3, 4, 5})
        EXPECT_FALSE(pool.Use(id)) << id;
    EXPECT_EQ(pool.Ranges(), (Ranges {3, 5}));
}

TEST(IdPool, ReleaseShrinksSplitsAndEmpties)
{
    TIdPool pool = PoolOf({1, 2, 3, 4, 5, 6, 7, 8, 9});
    EXPECT_TRUE(pool.Release(5));
    EXPECT_EQ(pool.Ranges(), (Ranges {1, 4, 6, 9}));
    EXPECT_TRUE(pool.Release(1));
    EXPECT_TRUE(pool.Release(9));
    EXPECT_EQ(pool.Ranges(), (Ranges {2, 4, 6, 8}));
    for (int32_t id : {0, 1, 5, 9, 100})
        EXPECT_FALSE(pool.Release(id)) << id;
    EXPECT_EQ(pool.Ranges(), (Ranges {2, 4, 6, 8}));

    TIdPool single = PoolOf({1});
    EXPECT_TRUE(single.Release(1));
    EXPECT_TRUE(single.Ranges().empty());
    EXPECT_FALSE(single.Used(1));
}

TEST(IdPool, LargestIdentifierDoesNotOverflow)
{
    constexpr int32_t max = std::numeric_limits<int32_t>::max();
    TIdPool pool = PoolOf({max, max - 2});
    EXPECT_EQ(pool.Ranges(), (Ranges {max - 2, max - 2, max, max}));
    EXPECT_TRUE(pool.Use(max - 1));
    EXPECT_EQ(pool.Ranges(), (Ranges {max - 2, max}));
    EXPECT_FALSE(pool.Use(max));
    EXPECT_TRUE(pool.Release(max - 1));
    EXPECT_TRUE(pool.Release(max));
    EXPECT_EQ(pool.Ranges(), (Ranges {max - 2, max - 2}));
    EXPECT_FALSE(pool.Used(max));
    EXPECT_EQ(pool.NextId(), 1);
}

TEST(IdPool, RandomOperationsMatchASetModel)
{
    std::mt19937 random(20240611);
    for (int round = 0; round < 20; ++round) {
        TIdPool pool;
        std::set<int32_t> model;
        std::uniform_int_distribution<int32_t> idDist(-2, 60);
        std::uniform_int_distribution<int> opDist(0, 3);
        for (int step = 0; step < 400; ++step) {
            int32_t id = idDist(random);
            switch (opDist(random)) {
            case 0: {
                int32_t expected = 1;
                while (model.count(expected))
                    ++expected;
                ASSERT_EQ(pool.NextId(), expected);
                model.insert(expected);
                break;
            }
            case 1:
                ASSERT_EQ(pool.Use(id), id >= 1 && model.insert(id).second) << "Use " << id;
                break;
            case 2:
                ASSERT_EQ(pool.Release(id), model.erase(id) == 1) << "Release " << id;
                break;
            default:
                ASSERT_EQ(pool.Used(id), model.count(id) == 1) << "Used " << id;
            }
            ExpectWellFormed(pool);
        }
        Ranges expanded;
        for (size_t i = 0; i < pool.Ranges().size(); i += 2)
            for (int32_t v = pool.Ranges()[i]; v <= pool.Ranges()[i + 1]; ++v)
                expanded.push_back(v);
        EXPECT_EQ(expanded, Ranges(model.begin(), model.end()));
    }
}

} // namespace
} // namespace kest
