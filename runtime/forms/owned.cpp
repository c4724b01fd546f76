#include "forms/owned.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>
#include <vector>

#include "forms/xcb_util.h"

namespace tovalin::forms {

void keep_off_taskbar(QWidget& window) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !x11 || !x11->connection()) return;
    xcb_connection_t* c = x11->connection();
    const auto id = static_cast<xcb_window_t>(window.winId());

    // A window that is not mapped yet keeps the states written on it, and
    // Qt adds its own (modal, maximised...) to them when it maps it.
    const xcb_atom_t state = xcb::intern(c, "_NET_WM_STATE");
    const xcb_atom_t skip = xcb::intern(c, "_NET_WM_STATE_SKIP_TASKBAR");
    if (state == XCB_ATOM_NONE || skip == XCB_ATOM_NONE) return;
    std::vector<xcb_atom_t> states;
    if (const auto reply = xcb::property(c, id, state, XCB_ATOM_ATOM, 1024)) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
        states.assign(atoms, atoms + xcb_get_property_value_length(reply.get()) / 4);
    }
    for (const xcb_atom_t a : states)
        if (a == skip) return;
    states.push_back(skip);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, state, XCB_ATOM_ATOM, 32, static_cast<std::uint32_t>(states.size()),
                        states.data());
    xcb_flush(c);
}

namespace {

// The X Input extension's opcode, which Qt's pointer events come under.
std::uint8_t xinput_opcode(xcb_connection_t* c) {
    constexpr char name[] = "XInputExtension";
    xcb::Reply<xcb_query_extension_reply_t> r(
        xcb_query_extension_reply(c, xcb_query_extension(c, sizeof name - 1, name), nullptr));
    return r && r->present ? r->major_opcode : 0;
}

// A press of a pointer button, as the core protocol or X Input 2 reports it.
bool is_button_press(const xcb_generic_event_t* e, std::uint8_t xinput) {
    const auto kind = e->response_type & 0x7F;
    if (kind == XCB_BUTTON_PRESS) return true;
    constexpr std::uint16_t xi_button_press = 4;
    if (kind != XCB_GE_GENERIC || xinput == 0) return false;
    const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(e);
    return ge->extension == xinput && ge->event_type == xi_button_press;
}

}  // namespace

BringBackWhenMinimised::BringBackWhenMinimised(QWidget& modal) : modal_(&modal) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !x11 || !x11->connection()) return;
    xinput_ = xinput_opcode(x11->connection());
    QCoreApplication::instance()->installNativeEventFilter(this);
}

BringBackWhenMinimised::~BringBackWhenMinimised() {
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool BringBackWhenMinimised::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
    if (type != "xcb_generic_event_t" || !modal_ || !modal_->isMinimized()) return false;
    // The minimised window takes no clicks, so this one is on a window it
    // blocks, which Qt then ignores. (Focus coming to such a window is no
    // sign: the window manager hands it there when the modal one goes.)
    if (!is_button_press(static_cast<const xcb_generic_event_t*>(message), xinput_)) return false;
    // Not in the middle of Qt's own handling of the event.
    QTimer::singleShot(0, modal_, [w = modal_] {
        if (!w || !w->isMinimized()) return;
        w->showNormal();
        w->raise();
        w->activateWindow();
    });
    return false;
}

}  // namespace tovalin::forms
