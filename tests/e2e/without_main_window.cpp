// The program's own start-up, given a window set that has no MainWindow:
// the one way to reach its "cannot load the start-up window" path, since
// the program itself takes no options.
#include <array>

#include "app/main_window.h"
#include "app/startup.h"

namespace {

// MainWindow's table under another name.
constexpr tovalin::forms::WindowSpec renamed = [] {
    tovalin::forms::WindowSpec spec = tovalin::app::main_window;
    spec.settings.name = "StartWindow";
    return spec;
}();
constexpr std::array<const tovalin::forms::WindowSpec*, 1> windows{&renamed};

}  // namespace

int main(int argc, char** argv) { return tovalin::app::start(argc, argv, windows); }
