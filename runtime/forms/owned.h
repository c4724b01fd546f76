// What the desktop is told about a window that hangs from the runtime's
// invisible owner window, so that it gets no taskbar button of its own.
#pragma once

class QWidget;

namespace tovalin::forms {

// Before the window is first shown. On X11 the window asks to be left off
// taskbars (_NET_WM_STATE_SKIP_TASKBAR), as the owner it hangs from is
// never mapped and so cannot carry it there; Wayland has no such request,
// and the compositor lists the window as it sees fit.
void keep_off_taskbar(QWidget& window);

}  // namespace tovalin::forms
