// What the desktop is told about a window that hangs from the runtime's
// invisible owner window, so that it gets no taskbar button of its own, and
// how such a window, modal and minimised, is got back without one.
#pragma once

#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <QPointer>
#include <QWidget>

namespace tovalin::forms {

// Before the window is first shown. On X11 the window asks to be left off
// taskbars (_NET_WM_STATE_SKIP_TASKBAR), as the owner it hangs from is
// never mapped and so cannot carry it there; Wayland has no such request,
// and the compositor lists the window as it sees fit.
void keep_off_taskbar(QWidget& window);

// While it lives: a click on any window of the program shows `modal` again
// when it is minimised. A modal
// window without a taskbar button would otherwise leave the windows it
// blocks with no way back to it but the window manager's window list.
// X11 only; elsewhere the window keeps its place in the compositor's list.
class BringBackWhenMinimised : public QAbstractNativeEventFilter {
public:
    explicit BringBackWhenMinimised(QWidget& modal);
    ~BringBackWhenMinimised() override;
    BringBackWhenMinimised(const BringBackWhenMinimised&) = delete;
    BringBackWhenMinimised& operator=(const BringBackWhenMinimised&) = delete;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

private:
    QPointer<QWidget> modal_;
    std::uint8_t xinput_ = 0;  // the X Input extension's opcode, 0 without it
};

}  // namespace tovalin::forms
