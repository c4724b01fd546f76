#include "forms/owned.h"

#include <QGuiApplication>
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

}  // namespace tovalin::forms
