// What happens on MainWindow's events. Each handler addresses the window's
// controls by name through the event's arguments.
#pragma once

#include "forms/layout.h"

namespace tovalin::app {

// 按钮1 and 按钮2, "打印": the card group and the household group printed
// through 打印机1, at their true size on one page.
void print_card_group(forms::EventArgs& event);
void print_household_group(forms::EventArgs& event);

// 按钮4, "赞助作者": the sponsorship notice, modal. A window that cannot be
// loaded shows nothing.
void open_sponsor_window(forms::EventArgs& event);
// 按钮5, "使用说明": the usage instructions, modal.
void open_guide_window(forms::EventArgs& event);

}  // namespace tovalin::app
