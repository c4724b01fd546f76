// The program's window set: every window it can load, by name.
#pragma once

#include <array>

#include "app/main_window.h"

namespace tovalin::app {

inline constexpr std::array<const forms::WindowTable*, 1> window_set{&main_window};

}  // namespace tovalin::app
