#include <gtest/gtest.h>

#include "print/page_layout.h"

using namespace tovalin::print;
using tovalin::slots::SlotGroup;

namespace {

TEST(PageLayout, TheTableAndItsInvariants) {
    EXPECT_EQ(page_layout(SlotGroup::CardGroup), kCardLayout);  // also at run time, not only when compiled
    EXPECT_EQ(page_layout(SlotGroup::HouseholdGroup), kHouseholdLayout);
    for (const PageLayout& layout : {kCardLayout, kHouseholdLayout}) {
        for (const PageRect& r : layout) {
            EXPECT_GE(r.x, 0);
            EXPECT_GE(r.y, 0);
            EXPECT_LE(r.x + r.w, 2100);
            EXPECT_LE(r.y + r.h, 2970);
            EXPECT_EQ(2 * r.x + r.w, 2100);  // centred on x = 1050
        }
        EXPECT_EQ(2 * layout[1].y + layout[1].h, 2970);  // the middle one on y = 1485
    }
    // Cards: 26 mm between neighbours. Household pages: each covers the lowest
    // 35 mm of the one above it; top and bottom are 35 mm apart.
    EXPECT_EQ(kCardLayout[1].y - (kCardLayout[0].y + kCardLayout[0].h), 260);
    EXPECT_EQ(kCardLayout[2].y - (kCardLayout[1].y + kCardLayout[1].h), 260);
    EXPECT_EQ(kHouseholdLayout[0].y + kHouseholdLayout[0].h - kHouseholdLayout[1].y, 350);
    EXPECT_EQ(kHouseholdLayout[1].y + kHouseholdLayout[1].h - kHouseholdLayout[2].y, 350);
    EXPECT_EQ(kHouseholdLayout[2].y - (kHouseholdLayout[0].y + kHouseholdLayout[0].h), 350);
}

TEST(PageLayout, WiderArithmeticWouldMoveTheCards) {
    // Why every step is a double: in long double, 8.56 x 100 exceeds 856.
    const long double wide = static_cast<long double>(8.56) * 100;  // the double 8.56, carried wider
    EXPECT_GT(wide, 856.0L);
    EXPECT_EQ(static_cast<int>(1050 - wide / 2), 621);
    EXPECT_EQ(kCardLayout[0].x, 622);
}

}  // namespace
