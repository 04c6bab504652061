#pragma once

#include "support/unique_handle.h"

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace garbello::platform::x11 {

inline void freeReply(void* reply) {
    std::free(reply);
}

// A reply xcb allocated for us.
template <typename T> using Reply = UniqueHandle<T*, freeReply>;
// xcb_connect never gives a null connection, only one in an error state,
// which still has to be disconnected.
using Connection = UniqueHandle<xcb_connection_t*, xcb_disconnect>;

// The reply to a request sent earlier, or nothing when the request failed
// (the window went, or the connection did); the error itself is dropped.
template <typename T, typename Cookie>
Reply<T> take(xcb_connection_t* connection,
              T* (*read)(xcb_connection_t*, Cookie, xcb_generic_error_t**), Cookie cookie) {
    xcb_generic_error_t* error = nullptr;
    T* reply = read(connection, cookie, &error);
    std::free(error);
    return Reply<T>(reply);
}

// The atom named `name`, or XCB_ATOM_NONE when the server did not answer.
inline xcb_atom_t internAtom(xcb_connection_t* connection, std::string_view name) {
    auto reply = take(connection, xcb_intern_atom_reply,
                      xcb_intern_atom(connection, 0, std::uint16_t(name.size()), name.data()));
    return reply ? reply.get()->atom : xcb_atom_t(XCB_ATOM_NONE);
}

} // namespace garbello::platform::x11
