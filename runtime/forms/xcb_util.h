// Small helpers for asking the X server directly, for the few things Qt
// does not say or tell for us.
#pragma once

#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace tovalin::forms::xcb {

struct FreeReply {
    void operator()(void* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeReply>;

inline xcb_atom_t intern(xcb_connection_t* c, const char* name) {
    Reply<xcb_intern_atom_reply_t> r(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

inline Reply<xcb_get_property_reply_t> property(xcb_connection_t* c, xcb_window_t w, xcb_atom_t name, xcb_atom_t type,
                                                std::uint32_t longs) {
    return Reply<xcb_get_property_reply_t>(
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, name, type, 0, longs), nullptr));
}

}  // namespace tovalin::forms::xcb
