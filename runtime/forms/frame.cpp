#include "forms/frame.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <thread>

#include "forms/xcb_util.h"

namespace tovalin::forms {

namespace {

using xcb::intern;
using xcb::property;
using xcb::Reply;

// The window manager's answer to _NET_REQUEST_FRAME_EXTENTS, which a window
// manager gives for a window it has not mapped yet, judging by the hints
// already on it (a fixed-size window gets no resize handle).
std::optional<QMargins> x11_frame_extents(xcb_connection_t* c, xcb_window_t window) {
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    if (!tree) return std::nullopt;
    const xcb_window_t root = tree->root;

    // No window manager: no frame.
    const auto check = property(c, root, intern(c, "_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW, 1);
    if (!check || xcb_get_property_value_length(check.get()) < 4) return QMargins();

    const xcb_atom_t request = intern(c, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = intern(c, "_NET_FRAME_EXTENTS");
    const auto supported = property(c, root, intern(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 4096);
    if (!supported) return std::nullopt;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(supported.get()));
    const int count = xcb_get_property_value_length(supported.get()) / 4;
    if (std::find(atoms, atoms + count, request) == atoms + count) return std::nullopt;

    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = request;
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(c);

    // The answer is a property the window manager sets on the window, which
    // it does within a millisecond or two; one that does not answer in a
    // quarter of a second is taken to draw no frame.
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(250);
    do {
        const auto reply = property(c, window, extents, XCB_ATOM_CARDINAL, 4);
        if (reply && xcb_get_property_value_length(reply.get()) == 16) {
            const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
            // left, right, top, bottom
            return QMargins(static_cast<int>(v[0]), static_cast<int>(v[2]), static_cast<int>(v[1]),
                            static_cast<int>(v[3]));
        }
        std::this_thread::sleep_for(microseconds(250));
    } while (steady_clock::now() < deadline);
    return std::nullopt;
}

QMargins to_logical(QMargins m, qreal dpr) {
    auto l = [dpr](int v) { return static_cast<int>(std::lround(v / dpr)); };
    return {l(m.left()), l(m.top()), l(m.right()), l(m.bottom())};
}

}  // namespace

QMargins expected_frame_margins(QWidget& window) {
    const auto id = window.winId();
    // Other platforms may answer for X11 too (offscreen does, without a
    // connection): only a real connection is asked.
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() == QLatin1String("xcb") && x11 && x11->connection()) {
        const auto m = x11_frame_extents(x11->connection(), static_cast<xcb_window_t>(id));
        return m ? to_logical(*m, window.devicePixelRatioF()) : QMargins();
    }
    // Elsewhere the platform knows its frame once the window exists (a
    // Wayland client draws its own decorations), or there is none.
    return window.windowHandle() ? window.windowHandle()->frameMargins() : QMargins();
}

}  // namespace tovalin::forms
