// The memory shared by every decode in flight: a reservation waits while others hold too much.
#include "formats/decode_budget.h"

#include <QTest>
#include <gtest/gtest.h>
#include <thread>

namespace gb::formats {
namespace {

    TEST(DecodeBudget, ASecondDecodeWaitsUntilTheFirstLetsGoAndTheImpossibleIsRefused)
    {
        DecodeBudget budget(100);
        EXPECT_FALSE(budget.Reserve(101) || budget.Reserve(-1));
        auto first = std::make_optional(budget.Reserve(60));
        auto alongside = budget.Reserve(40); // exactly fills it
        ASSERT_TRUE(*first && alongside);
        std::jthread second([&] { EXPECT_TRUE(budget.Reserve(50) && budget.InUse() == 90); });
        ASSERT_TRUE(QTest::qWaitFor([&] { return budget.Waiting() == 1; }));
        EXPECT_EQ(budget.InUse(), 100);
        first.reset();
        second.join();
        {
            const DecodeBudget::Reservation moved(std::move(alongside));
        }
        EXPECT_EQ(budget.InUse(), 0);
    }

    TEST(DecodeBudget, APeakAboveTheTotalRunsAloneAndOneAboveTwiceIsRefused)
    {
        DecodeBudget budget(100);
        EXPECT_FALSE(budget.ReservePeak(201));
        {
            const auto alone = budget.ReservePeak(200);
            ASSERT_TRUE(alone);
            EXPECT_EQ(budget.InUse(), 100);
        }
        const auto measured = budget.ReservePeak(30);
        EXPECT_EQ(budget.InUse(), 30);
    }

} // namespace
} // namespace gb::formats
