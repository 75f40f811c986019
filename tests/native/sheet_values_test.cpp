#include "sheet/sheet_values.h"

#include <gtest/gtest.h>

namespace {

// The web address opens only for a point strictly inside the static's screen rectangle. Its
// left and top edges are the static's own first pixel column and row, yet they count as
// outside; right and bottom lie just past it.
TEST(WebAddressArea, OnlyPointsStrictlyInsideCount) {
    const ScreenRect rect{100, 200, 300, 216};
    struct Case {
        const char* name;
        long x;
        long y;
        bool inside;
    };
    const Case cases[] = {
        {"middle", 200, 208, true},
        {"just inside the top left corner", 101, 201, true},
        {"just inside the bottom right corner", 299, 215, true},
        {"left edge", 100, 208, false},
        {"top edge", 200, 200, false},
        {"right edge", 300, 208, false},
        {"bottom edge", 200, 216, false},
        {"top left corner", 100, 200, false},
        {"left of it", 99, 208, false},
        {"above it", 200, 199, false},
        {"right of it", 301, 208, false},
        {"below it", 200, 217, false},
        {"inside horizontally, far below", 200, 5000, false},
        {"negative coordinates", -200, -208, false},
    };
    for (const Case& testCase : cases) {
        EXPECT_EQ(isStrictlyInside(rect, testCase.x, testCase.y), testCase.inside) << testCase.name;
    }
}

TEST(WebAddressArea, AnEmptyOrOnePixelRectangleHoldsNoPoint) {
    for (const ScreenRect& rect :
         {ScreenRect{10, 10, 10, 10}, ScreenRect{10, 10, 11, 11}, ScreenRect{10, 10, 12, 11}}) {
        for (long x = 8; x <= 13; ++x) {
            for (long y = 8; y <= 13; ++y) {
                EXPECT_FALSE(isStrictlyInside(rect, x, y)) << x << "," << y;
            }
        }
    }
    EXPECT_TRUE(isStrictlyInside({10, 10, 12, 12}, 11, 11));
}

// A rectangle partly or wholly left of or above the screen origin, as on a second monitor.
TEST(WebAddressArea, WorksLeftOfAndAboveTheScreenOrigin) {
    const ScreenRect rect{-300, -50, -100, -34};
    EXPECT_TRUE(isStrictlyInside(rect, -200, -40));
    EXPECT_FALSE(isStrictlyInside(rect, -300, -40));
    EXPECT_FALSE(isStrictlyInside(rect, -200, -50));
    EXPECT_FALSE(isStrictlyInside(rect, 200, 40));
}

} // namespace
