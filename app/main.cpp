#include "app/startup.h"
#include "app/windows.h"

int main(int argc, char** argv) { return tovalin::app::start(argc, argv, tovalin::app::window_set); }
