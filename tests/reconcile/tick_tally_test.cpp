// The ticked count and amount of the totals line, and the date range a search accepts.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "reconcile/search_range.h"
#include "reconcile/tick_tally.h"

using namespace trunaccount;

TEST(TickTally, CountsOnlyRealChangesOfState) {
    struct Step {
        bool before, after;
        double amount;
        int count;
        const char* amountText;
    } steps[] = {
        {false, true, 100.1, 1, "100.10"},  // ticked
        {true, true, 100.1, 1, "100.10"},   // "1" stored over "1": nothing
        {false, true, 0.2, 2, "100.30"},
        {false, false, 55.0, 2, "100.30"},  // "0" over "0": nothing
        {true, false, 100.1, 1, "0.20"},    // unticked (or a ticked row deleted)
        {true, false, 0.2, 0, "0.00"},
        {false, true, -0.3, 1, "-0.30"},    // a refund counts with its sign
        {true, false, -0.3, 0, "0.00"},     // and back to an exact zero, never "-0.00"
    };
    TickTally t;
    for (const auto& s : steps) {
        t.change(s.before, s.after, s.amount);
        EXPECT_EQ(t.count(), s.count);
        EXPECT_EQ(t.amount().text(2), s.amountText);
    }
}

TEST(TickTally, AnyOrderOfTicksAndUnticksEndsWhereTheRowsSay) {
    std::mt19937 rng(5);
    std::vector<double> amounts;
    for (int i = 0; i < 200; ++i) amounts.push_back(static_cast<double>(rng() % 1000000) / 100.0 - 2000.0);
    std::vector<bool> ticked(amounts.size());
    TickTally t;
    for (int step = 0; step < 20000; ++step) {
        const std::size_t row = rng() % amounts.size();
        const bool now = rng() % 2 == 0;
        t.change(ticked[row], now, amounts[row]);
        ticked[row] = now;
    }
    TickTally recounted;
    for (std::size_t i = 0; i < amounts.size(); ++i) recounted.change(false, ticked[i], amounts[i]);
    EXPECT_EQ(t, recounted);
    t.clear();
    EXPECT_EQ(t, TickTally{});
}

TEST(SearchRange, TheFirstRuleBrokenRefusesTheRange) {
    // Start of use 202410, server date 20250110.
    struct Case {
        const char* start;
        const char* end;
        RangeCheck expected;
    } cases[] = {
        {"20250110", "20250110", RangeCheck::Valid},               // the first search: one day
        {"20241001", "20250110", RangeCheck::Valid},               // the month of the start of use counts
        {"20240930", "20250110", RangeCheck::StartBeforeStartOfUse},
        {"20241001", "20250111", RangeCheck::EndAfterToday},       // refused though the start is fine
        {"20240901", "20250111", RangeCheck::StartBeforeStartOfUse},  // both broken: the start is named
        {"20250105", "20250104", RangeCheck::StartAfterEnd},
        {"20250111", "20250110", RangeCheck::StartAfterEnd},
    };
    for (const auto& c : cases)
        EXPECT_EQ(checkSearchRange(c.start, c.end, "202410", "20250110"), c.expected) << c.start << "-" << c.end;
    EXPECT_EQ(rangeCheckMessage(RangeCheck::StartBeforeStartOfUse), "起始制单年月不能小于启用年月!");
    EXPECT_EQ(rangeCheckMessage(RangeCheck::EndAfterToday), "结束制单日期不能大于当前日期!");
    EXPECT_EQ(rangeCheckMessage(RangeCheck::StartAfterEnd), "起始制单日期不能大于结束制单日期!");
    EXPECT_EQ(rangeCheckMessage(RangeCheck::Valid), "");
}
