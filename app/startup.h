// The whole life of the program, from initialising the toolkit to the
// status the process ends with.
#pragma once

#include "forms/layout.h"

namespace tovalin::app {

// Initialises the forms runtime, loads MainWindow from `windows` (not
// modal) and runs the event loop until no window is left: 0. Where
// MainWindow cannot be loaded, the runtime error ends the process with -1
// before any loop runs.
int start(int& argc, char** argv, forms::WindowSet windows);

}  // namespace tovalin::app
