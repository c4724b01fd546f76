#include "app/handlers.h"

#include "forms/runtime.h"

namespace tovalin::app {

void open_sponsor_window(forms::EventArgs& event) { event.runtime.load("SponsorWindow", true); }

void open_guide_window(forms::EventArgs& event) { event.runtime.load("GuideWindow", true); }

}  // namespace tovalin::app
