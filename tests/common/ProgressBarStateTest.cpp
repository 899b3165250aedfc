#include "common/ProgressBarState.h"

#include <gtest/gtest.h>

using vornalix::common::ProgressBarState;

TEST(ProgressBarState, PositionsOutsideTheRangeAreHeldAtItsEnds) {
    ProgressBarState bar;
    bar.SetRange(0, 10);
    EXPECT_EQ(bar.SetPos(3), 0);
    EXPECT_EQ(bar.SetPos(12), 3);
    EXPECT_EQ(bar.pos(), 10);
    EXPECT_DOUBLE_EQ(bar.Fraction(), 1.0);
    bar.SetPos(-4);
    EXPECT_EQ(bar.pos(), 0);
    EXPECT_EQ(bar.SetRange(0, 7), 10 << 16);
    bar.SetPos(7);
    bar.SetRange(0, 5);
    EXPECT_EQ(bar.pos(), 5);
    EXPECT_EQ(bar.SetStep(1), 10);
}
