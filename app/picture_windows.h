// GuideWindow and SponsorWindow: one built-in picture each, as the
// window's own background, centred and fitted; no controls, no handlers.
// Both hang from the runtime's invisible owner window and are loaded modal
// by MainWindow's 按钮5 and 按钮4.
#pragma once

#include "forms/check.h"
#include "forms/layout.h"

namespace tovalin::app {

// clang-format off
inline constexpr forms::WindowTable guide_window{
    .settings = {
        .name            = "GuideWindow",
        .caption         = "",
        .outer           = {964, 529},
        .minimise_box    = true,
        .maximise_box    = false,
        .owned           = true,
        .escape_closes   = true,
        .icon            = ":/icon",
        .background      = ":/pictures/guide.png",
        .background_mode = picture::BackgroundMode::Centre,
    },
    .controls = {}, .components = {}, .tab_order = {}, .picture_boxes = {}, .events = {},
};

inline constexpr forms::WindowTable sponsor_window{
    .settings = {
        .name            = "SponsorWindow",
        .caption         = "",
        .outer           = {600, 375},
        .minimise_box    = true,
        .maximise_box    = true,
        .owned           = true,
        .escape_closes   = true,
        .icon            = ":/icon",
        .background      = ":/pictures/sponsor.png",
        .background_mode = picture::BackgroundMode::Centre,
    },
    .controls = {}, .components = {}, .tab_order = {}, .picture_boxes = {}, .events = {},
};
// clang-format on

static_assert(!forms::check_layout(guide_window), "GuideWindow's table breaks a layout rule");
static_assert(!forms::check_layout(sponsor_window), "SponsorWindow's table breaks a layout rule");

}  // namespace tovalin::app
