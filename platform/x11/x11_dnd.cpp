// Dropped files through the XDND protocol (version 5). Windows that accept files carry
// XdndAware; a drag that offers text/uri-list is accepted with the copy action, and on the
// drop the list is read from XdndSelection, decoded into local paths and handed to the
// layer, which finds the accepting window under the drop point.
#include "uri_list.h"
#include "x11_internal.h"
#include "platform/window/input.h"

#include <X11/Xatom.h>
#include <string.h>

enum { XDND_VERSION = 5 };

void SetDropAware(int slot, bool aware) {
    X11Window& w = g_x11.windows[slot];
    w.drops = aware;
    if (aware) {
        long version = XDND_VERSION;
        XChangeProperty(g_x11.dpy, w.xid, g_atoms.xdnd_aware, XA_ATOM, 32, PropModeReplace, (unsigned char*)&version, 1);
    } else {
        XDeleteProperty(g_x11.dpy, w.xid, g_atoms.xdnd_aware);
    }
}

static void SendToSource(Window source, Atom type, long l1, long l2, long l3, long l4, Window our) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = source;
    ev.xclient.message_type = type;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = (long)our;
    ev.xclient.data.l[1] = l1;
    ev.xclient.data.l[2] = l2;
    ev.xclient.data.l[3] = l3;
    ev.xclient.data.l[4] = l4;
    XSendEvent(g_x11.dpy, source, False, NoEventMask, &ev);
}

static bool OffersUriList(const XClientMessageEvent& ev) {
    Window source = (Window)ev.data.l[0];
    if (ev.data.l[1] & 1) {
        // More than three types: the list is on the source window.
        Atom type;
        int format;
        unsigned long n = 0, after = 0;
        unsigned char* data = nullptr;
        bool found = false;
        if (XGetWindowProperty(g_x11.dpy, source, g_atoms.xdnd_type_list, 0, 256, False, XA_ATOM, &type, &format, &n,
                               &after, &data) == Success &&
            data) {
            Atom* atoms = (Atom*)data;
            for (unsigned long i = 0; i < n; i++)
                if (atoms[i] == g_atoms.text_uri_list) found = true;
            XFree(data);
        }
        return found;
    }
    for (int i = 2; i < 5; i++)
        if ((Atom)ev.data.l[i] == g_atoms.text_uri_list) return true;
    return false;
}

void HandleDndMessage(const XClientMessageEvent& ev, int slot) {
    X11Window& w = g_x11.windows[slot];
    DropState& drop = g_x11.drop;
    Window source = (Window)ev.data.l[0];
    if (ev.message_type == g_atoms.xdnd_enter) {
        drop = DropState{};
        drop.source = source;
        drop.target = w.xid;
        drop.window = w.id;
        drop.version = (int)((unsigned long)ev.data.l[1] >> 24);
        drop.has_uri_list = OffersUriList(ev);
    } else if (ev.message_type == g_atoms.xdnd_position) {
        if (drop.source != source) return;
        drop.x = (int)(((unsigned long)ev.data.l[2] >> 16) & 0xFFFF);
        drop.y = (int)((unsigned long)ev.data.l[2] & 0xFFFF);
        bool accept = drop.has_uri_list && w.drops;
        // No "silent" rectangle: the source keeps sending positions, bit 1.
        SendToSource(source, g_atoms.xdnd_status, accept ? 3 : 2, 0, 0, accept ? (long)g_atoms.xdnd_action_copy : 0,
                     w.xid);
    } else if (ev.message_type == g_atoms.xdnd_leave) {
        if (drop.source == source) drop = DropState{};
    } else if (ev.message_type == g_atoms.xdnd_drop) {
        if (drop.source != source) return;
        if (!drop.has_uri_list || !w.drops) {
            SendToSource(source, g_atoms.xdnd_finished, 0, 0, 0, 0, w.xid);
            drop = DropState{};
            return;
        }
        Time time = drop.version >= 1 ? (Time)ev.data.l[2] : CurrentTime;
        StartDropRead(time);
    }
}

void HandleDropData(const std::vector<uint8_t>& data, bool ok) {
    DropState drop = g_x11.drop;
    g_x11.drop = DropState{};
    if (!drop.source) return;
    std::vector<std::string> paths;
    if (ok) paths = ParseUriList((const char*)data.data(), data.size());
    if (!paths.empty()) {
        std::vector<const char*> list;
        for (const std::string& p : paths) list.push_back(p.c_str());
        InputDrop(drop.window, drop.x, drop.y, list.data(), (int)list.size());
    }
    bool done = !paths.empty();
    SendToSource(drop.source, g_atoms.xdnd_finished, done ? 1 : 0, done ? (long)g_atoms.xdnd_action_copy : 0, 0, 0,
                 drop.target);
}
