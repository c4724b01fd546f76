// The program's window set: every window it can load, by name.
#pragma once

#include <array>

#include "app/main_window.h"
#include "app/picture_windows.h"

namespace tovalin::app {

inline constexpr std::array<const forms::WindowTable*, 3> window_set{&main_window, &guide_window, &sponsor_window};

}  // namespace tovalin::app
