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
        EXPECT_FALSE(budget.Reserve(101));
        EXPECT_FALSE(budget.Reserve(-1));
        auto first = std::make_optional(budget.Reserve(60));
        ASSERT_TRUE(*first);
        auto alongside = budget.Reserve(40); // exactly fills it
        ASSERT_TRUE(alongside);
        std::atomic<bool> secondHeld = false;
        std::thread second([&] {
            const auto reservation = budget.Reserve(50);
            secondHeld = bool(reservation);
            EXPECT_EQ(budget.InUse(), 90);
        });
        ASSERT_TRUE(QTest::qWaitFor([&] { return budget.Waiting() == 1; }));
        EXPECT_FALSE(secondHeld);
        first.reset();
        second.join();
        EXPECT_TRUE(secondHeld);
        EXPECT_EQ(budget.InUse(), 40);
        {
            const DecodeBudget::Reservation moved(std::move(alongside));
        }
        EXPECT_EQ(budget.InUse(), 0);
    }

} // namespace
} // namespace gb::formats
