// Where a group's three pictures are printed: one rectangle per slot on a
// portrait A4 sheet, at the document's true size, in tenths of a millimetre
// from the top-left corner of the printable area. Fixed: nothing about the
// pictures or the printer changes them.
#pragma once

#include <array>
#include <cstdint>

#include "slots/slot_model.h"

namespace tovalin::print {

struct PageRect {
    std::int32_t x = 0, y = 0, w = 0, h = 0;
    friend constexpr bool operator==(const PageRect&, const PageRect&) = default;
};

// Top, middle, bottom.
using PageLayout = std::array<PageRect, 3>;

struct LayoutParameters {
    slots::SlotGroup group;
    double width_cm;
    double height_cm;
    int pitch;  // between the top edges of neighbouring rectangles
};

inline constexpr std::array<LayoutParameters, 2> kLayoutParameters{{
    {slots::SlotGroup::CardGroup, 8.56, 5.4, 800},
    {slots::SlotGroup::HouseholdGroup, 14.3, 10.5, 700},
}};

inline constexpr double kSheetCentreX = 1050;  // A4 portrait: 2100 x 2970
inline constexpr double kSheetCentreY = 1485;

// Every step in double, each result a double before the next (a wider
// format would make 8.56 x 100 a hair over 856 and the left edge truncate to
// 621); truncation toward zero at the end.
constexpr PageLayout page_layout(slots::SlotGroup group) {
    const LayoutParameters& p = kLayoutParameters[group == slots::SlotGroup::CardGroup ? 0 : 1];
    const double a = p.width_cm * 100;
    const double b = a / 2;
    const double x = kSheetCentreX - b;
    const double c = p.height_cm * 100;
    const double d = c / 2;
    const double middle = kSheetCentreY - d;
    const double tops[3] = {middle - p.pitch, middle, middle + p.pitch};
    PageLayout layout{};
    for (int i = 0; i < 3; ++i)
        layout[static_cast<std::size_t>(i)] = {static_cast<std::int32_t>(x), static_cast<std::int32_t>(tops[i]),
                                               static_cast<std::int32_t>(a), static_cast<std::int32_t>(c)};
    return layout;
}

// The rectangles as they bind, checked against the computation when this
// header is compiled.
inline constexpr PageLayout kCardLayout{{{622, 415, 856, 540}, {622, 1215, 856, 540}, {622, 2015, 856, 540}}};
inline constexpr PageLayout kHouseholdLayout{{{335, 260, 1430, 1050}, {335, 960, 1430, 1050}, {335, 1660, 1430, 1050}}};
static_assert(page_layout(slots::SlotGroup::CardGroup) == kCardLayout);
static_assert(page_layout(slots::SlotGroup::HouseholdGroup) == kHouseholdLayout);

}  // namespace tovalin::print
