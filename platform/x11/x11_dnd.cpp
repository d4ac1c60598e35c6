// Dropped files through the XDND protocol (version 5). Windows that accept files carry
// XdndAware; a drag that offers text/uri-list is accepted with the copy action, and on the
// drop the list is read from XdndSelection, decoded into local paths and handed to the
// layer, which finds the accepting window under the drop point.
#include "x11_internal.h"
#include "../input.h"

#include <X11/Xatom.h>
#include <string.h>
#include <unistd.h>

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

static int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

static bool IsLocalHost(const std::string& host) {
    if (host.empty() || host == "localhost") return true;
    char name[256] = {};
    return gethostname(name, sizeof name - 1) == 0 && host == name;
}

std::vector<std::string> ParseUriList(const char* text, size_t size) {
    std::vector<std::string> paths;
    size_t i = 0;
    while (i < size) {
        size_t end = i;
        while (end < size && text[end] != '\n' && text[end] != '\r' && text[end] != '\0') end++;
        std::string line(text + i, end - i);
        i = end + 1;
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line.compare(0, 5, "file:") != 0) continue;
        std::string rest = line.substr(5);
        if (rest.compare(0, 2, "//") == 0) {
            size_t slash = rest.find('/', 2);
            if (slash == std::string::npos) continue;
            if (!IsLocalHost(rest.substr(2, slash - 2))) continue;
            rest = rest.substr(slash);
        }
        if (rest.empty() || rest[0] != '/') continue;
        std::string path;
        bool bad = false;
        for (size_t k = 0; k < rest.size(); k++) {
            if (rest[k] == '%' && k + 2 < rest.size() && HexValue(rest[k + 1]) >= 0 && HexValue(rest[k + 2]) >= 0) {
                char c = (char)(HexValue(rest[k + 1]) * 16 + HexValue(rest[k + 2]));
                if (c == '\0') {
                    bad = true;
                    break;
                }
                path.push_back(c);
                k += 2;
            } else {
                path.push_back(rest[k]);
            }
        }
        if (!bad) paths.push_back(path);
    }
    return paths;
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
