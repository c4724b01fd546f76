#include "app/handlers.h"

#include "app/slot_handlers.h"
#include "forms/controls.h"
#include "forms/runtime.h"
#include "forms/window.h"
#include "print/print_job.h"

namespace tovalin::app {

namespace {

void print(forms::EventArgs& event, slots::SlotGroup group) {
    auto* printer = event.window.control<forms::Printer>("打印机1");
    if (!printer) return;
    const WindowSlots boxes(event.window);
    print::print_group(printer->device(), boxes, group, &event.window);
}

}  // namespace

void print_card_group(forms::EventArgs& event) { print(event, slots::SlotGroup::CardGroup); }

void print_household_group(forms::EventArgs& event) { print(event, slots::SlotGroup::HouseholdGroup); }

void open_sponsor_window(forms::EventArgs& event) { event.runtime.load("SponsorWindow", true); }

void open_guide_window(forms::EventArgs& event) { event.runtime.load("GuideWindow", true); }

}  // namespace tovalin::app
