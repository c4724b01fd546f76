// What happens on MainWindow's events. Each handler addresses the window's
// controls by name through the event's arguments.
#pragma once

#include "forms/layout.h"

namespace tovalin::app {

// 按钮4, "赞助作者": the sponsorship notice, modal. A window that cannot be
// loaded shows nothing.
void open_sponsor_window(forms::EventArgs& event);
// 按钮5, "使用说明": the usage instructions, modal.
void open_guide_window(forms::EventArgs& event);

}  // namespace tovalin::app
