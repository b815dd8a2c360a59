#include <gtest/gtest.h>

#include "app/Clock.h"

namespace zvk {
namespace {

TEST(Clock, AScopedManualClockRecordsPausesWithoutWaitingAndIsThenRemoved) {
    Clock* real = &CurrentClock();
    {
        ManualClock manual;
        ScopedClock scoped(manual);
        const auto t0 = CurrentClock().Now();
        CurrentClock().Sleep(std::chrono::milliseconds(100));
        CurrentClock().Sleep(std::chrono::milliseconds(25));
        EXPECT_EQ(CurrentClock().Now() - t0, std::chrono::milliseconds(125));
        EXPECT_EQ(manual.sleeps,
                  (std::vector<Clock::Duration>{Clock::Duration(100), Clock::Duration(25)}));
    }
    EXPECT_EQ(&CurrentClock(), real);
}

}  // namespace
}  // namespace zvk
