// The program's own start-up, given a window set that has no MainWindow:
// the one way to reach its "cannot load the start-up window" path, since
// the program itself takes no options.
#include <array>

#include "app/main_window.h"
#include "app/startup.h"

namespace {

// MainWindow's table under another name.
constexpr tovalin::forms::WindowTable renamed = [] {
    tovalin::forms::WindowTable table = tovalin::app::main_window;
    table.settings.name = "StartWindow";
    return table;
}();
constexpr std::array<const tovalin::forms::WindowTable*, 1> windows{&renamed};

}  // namespace

int main(int argc, char** argv) { return tovalin::app::start(argc, argv, windows); }
