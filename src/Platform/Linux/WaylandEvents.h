#pragma once

#include <poll.h>
#include <wayland-client.h>

// Reads and handles whatever the compositor has sent, without waiting for more, and sends what the
// handlers asked for. False once the connection is broken: nothing more will be heard from it.
inline bool pumpWaylandEvents(wl_display* display)
{
    while (wl_display_prepare_read(display) != 0) {
        wl_display_dispatch_pending(display);
    }
    wl_display_flush(display);
    pollfd ready { .fd = wl_display_get_fd(display), .events = POLLIN, .revents = 0 };
    if (::poll(&ready, 1, 0) > 0) {
        wl_display_read_events(display);
    } else {
        wl_display_cancel_read(display);
    }
    if (wl_display_dispatch_pending(display) < 0 || wl_display_get_error(display) != 0) {
        return false;
    }
    // What the handlers asked for (a new frame, its commit) goes out now, not with the next event.
    wl_display_flush(display);
    return true;
}
