// A drag source for the XDND tests: another X client that offers a text/uri-list to a
// window, drops it and waits for the Finished message.
#pragma once

#include "platform/system.h"

#define Font XlibFont
#include <X11/Xlib.h>
#undef Font

#include <stdint.h>

#include <string>

struct DragResult {
    bool status_accepted = false;
    bool finished_accepted = false;
    bool served = false;
};

// Plays a drag source: enter, position over (x, y), drop, serve the list, wait for Finished.
inline DragResult DragFiles(unsigned long target, int x, int y, const std::string& uri_list) {
    DragResult result;
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) return result;
    Atom enter = XInternAtom(dpy, "XdndEnter", False), position = XInternAtom(dpy, "XdndPosition", False),
         status = XInternAtom(dpy, "XdndStatus", False), drop = XInternAtom(dpy, "XdndDrop", False),
         finished = XInternAtom(dpy, "XdndFinished", False), selection = XInternAtom(dpy, "XdndSelection", False),
         copy = XInternAtom(dpy, "XdndActionCopy", False), uri = XInternAtom(dpy, "text/uri-list", False);
    Window source = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(dpy, selection, source, CurrentTime);
    auto send = [&](Atom type, long l1, long l2, long l3, long l4) {
        XEvent ev{};
        ev.xclient.type = ClientMessage;
        ev.xclient.window = target;
        ev.xclient.message_type = type;
        ev.xclient.format = 32;
        ev.xclient.data.l[0] = (long)source;
        ev.xclient.data.l[1] = l1;
        ev.xclient.data.l[2] = l2;
        ev.xclient.data.l[3] = l3;
        ev.xclient.data.l[4] = l4;
        XSendEvent(dpy, target, False, NoEventMask, &ev);
        XFlush(dpy);
    };
    send(enter, 5L << 24, (long)uri, 0, 0);
    send(position, 0, ((long)x << 16) | y, CurrentTime, (long)copy);
    uint32_t start = PlatGetTickMs();
    bool dropped = false, done = false;
    while (!done && PlatGetTickMs() - start < 5000) {
        if (!XPending(dpy)) {
            PlatSleepMs(5);
            continue;
        }
        XEvent ev;
        XNextEvent(dpy, &ev);
        if (ev.type == ClientMessage && ev.xclient.message_type == status && !dropped) {
            result.status_accepted = (ev.xclient.data.l[1] & 1) != 0 && (Atom)ev.xclient.data.l[4] == copy;
            send(drop, 0, CurrentTime, 0, 0);
            dropped = true;
        } else if (ev.type == SelectionRequest) {
            XSelectionRequestEvent& req = ev.xselectionrequest;
            XEvent reply{};
            reply.xselection.type = SelectionNotify;
            reply.xselection.requestor = req.requestor;
            reply.xselection.selection = req.selection;
            reply.xselection.target = req.target;
            reply.xselection.time = req.time;
            reply.xselection.property = None;
            if (req.target == uri) {
                XChangeProperty(dpy, req.requestor, req.property, uri, 8, PropModeReplace,
                                (const unsigned char*)uri_list.data(), (int)uri_list.size());
                reply.xselection.property = req.property;
                result.served = true;
            }
            XSendEvent(dpy, req.requestor, False, NoEventMask, &reply);
            XFlush(dpy);
        } else if (ev.type == ClientMessage && ev.xclient.message_type == finished) {
            result.finished_accepted = (ev.xclient.data.l[1] & 1) != 0;
            done = true;
        }
    }
    XDestroyWindow(dpy, source);
    XCloseDisplay(dpy);
    return result;
}
