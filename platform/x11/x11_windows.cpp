// Native windows on the display thread: creation with the hints that make the window
// manager leave them undecorated and exactly where the layer put them, moves, showing,
// titles, raising, and the window manager's own moves reported back to the layer. The
// layer's rectangle is what counts: echoes of our own earlier requests are recognised and
// dropped, and a placement of the manager's after a request of ours is overruled once.
// Once the manager's placement is taken, a later report of the rectangle we wanted is the
// manager granting it late, and a report that a later one already waiting in the queue
// replaces is not acted on.
// Also the screen facts (size, work area, bits per pixel).
#include "x11_internal.h"
#include "platform/window/input.h"

#include <X11/Xatom.h>
#include <string.h>
#include <unistd.h>

static int SlotOf(WindowId window) {
    int slot = BackendWindowSlot(window);
    if (slot <= 0 || slot >= X11_MAX_WINDOWS) return -1;
    X11Window& w = g_x11.windows[slot];
    if (!w.in_use || w.id != window) return -1;
    return slot;
}

void ReadScreenInfo(void) {
    Display* dpy = g_x11.dpy;
    ScreenInfo info{};
    info.width = DisplayWidth(dpy, g_x11.screen);
    info.height = DisplayHeight(dpy, g_x11.screen);
    int count = 0;
    info.bits = g_x11.depth;
    XPixmapFormatValues* formats = XListPixmapFormats(dpy, &count);
    for (int i = 0; i < count; i++)
        if (formats[i].depth == g_x11.depth) info.bits = formats[i].bits_per_pixel;
    if (formats) XFree(formats);
    info.work_area = PlatRect{0, 0, info.width, info.height};

    // The window manager publishes one work area per desktop; take the current desktop's.
    long desktop = 0;
    Atom type;
    int format;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, g_x11.root, g_atoms.net_current_desktop, 0, 1, False, XA_CARDINAL, &type, &format,
                           &n, &after, &data) == Success &&
        data) {
        if (format == 32 && n == 1) desktop = ((long*)data)[0];
        XFree(data);
    }
    data = nullptr;
    if (XGetWindowProperty(dpy, g_x11.root, g_atoms.net_workarea, 0, 1024, False, XA_CARDINAL, &type, &format, &n,
                           &after, &data) == Success &&
        data) {
        if (format == 32 && n >= 4) {
            long* v = (long*)data;
            if (desktop < 0 || (unsigned long)(desktop * 4 + 4) > n) desktop = 0;
            long x = v[desktop * 4], y = v[desktop * 4 + 1], w = v[desktop * 4 + 2], h = v[desktop * 4 + 3];
            if (w > 0 && h > 0) info.work_area = PlatRect{(int)x, (int)y, (int)(x + w), (int)(y + h)};
        }
        XFree(data);
    }
    std::lock_guard<std::mutex> guard(g_x11.lock);
    g_x11.screen_info = info;
}

static void SetTitle(Window xid, const std::string& title) {
    Display* dpy = g_x11.dpy;
    const unsigned char* bytes = (const unsigned char*)title.data();
    XChangeProperty(dpy, xid, g_atoms.net_wm_name, g_atoms.utf8_string, 8, PropModeReplace, bytes,
                    (int)title.size());
    XChangeProperty(dpy, xid, g_atoms.wm_name, g_atoms.utf8_string, 8, PropModeReplace, bytes, (int)title.size());
}

// Size hints with a user-given position and size, so that the window manager places the
// window where the layer asked instead of finding a place of its own. A window the user may
// not resize gets its size as both minimum and maximum, which also keeps the manager from
// maximising it.
static void SetPlacementHints(const X11Window& w, const PlatRect& r) {
    XSizeHints hints{};
    hints.flags = USPosition | PPosition | USSize | PSize | PWinGravity;
    hints.x = r.left;
    hints.y = r.top;
    hints.width = RectWidth(r) > 0 ? RectWidth(r) : 1;
    hints.height = RectHeight(r) > 0 ? RectHeight(r) : 1;
    hints.win_gravity = NorthWestGravity;
    if (w.fixed_size) {
        hints.flags |= PMinSize | PMaxSize;
        hints.min_width = hints.max_width = hints.width;
        hints.min_height = hints.max_height = hints.height;
    }
    XSetWMNormalHints(g_x11.dpy, w.xid, &hints);
}

// Times the layer's rectangle is asked again after the window manager put the window
// elsewhere; a manager that insists beyond that has the last word on the position.
enum { INSIST_TIMES = 1 };
// Times a size the server gives the window on its own is undone before the next request of
// the layer: a manager that keeps forcing a size must not make us fight it for ever. The
// area beyond the layer's pixels then shows the window's background.
enum { SIZE_UNDO_TIMES = 3 };

// The rectangle as the server holds it: at least one pixel wide and high.
static PlatRect ServerRect(const PlatRect& r) {
    return PlatRect{r.left, r.top, r.left + (RectWidth(r) > 0 ? RectWidth(r) : 1),
                    r.top + (RectHeight(r) > 0 ? RectHeight(r) : 1)};
}

static bool SameRect(const PlatRect& a, const PlatRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Makes r the rectangle the window should have, remembering the ones before it: their
// echoes may still come.
static void Remember(X11Window& w, const PlatRect& r) {
    if (w.requested_count == X11_REQUESTS_KEPT) {
        memmove(w.requested, w.requested + 1, (X11_REQUESTS_KEPT - 1) * sizeof(PlatRect));
        w.requested_count = X11_REQUESTS_KEPT - 1;
    }
    w.requested[w.requested_count++] = r;
    w.asked = r;
}

// The manager's placement becomes the window's rectangle. The rectangle the layer wanted is
// no longer taken for an echo: a report of it after the placement is the manager granting
// our request late (it may report its own placement again before it reads our request).
static void Adopt(X11Window& w, const PlatRect& r) {
    int kept = 0;
    for (int i = 0; i < w.requested_count; i++)
        if (!SameRect(w.requested[i], w.asked)) w.requested[kept++] = w.requested[i];
    w.requested_count = kept;
    Remember(w, r);
}

static void CreateNativeWindow(const Command& cmd) {
    Display* dpy = g_x11.dpy;
    int slot = BackendWindowSlot(cmd.window);
    if (slot <= 0 || slot >= X11_MAX_WINDOWS) return;
    X11Window& w = g_x11.windows[slot];
    if (w.in_use) {
        // A stale entry of a window whose destroy command has not come yet cannot exist
        // (commands run in order), but be safe.
        if (w.ic) XDestroyIC(w.ic);
        g_x11.by_xid.erase(w.xid);
        XDestroyWindow(dpy, w.xid);
    }
    w = X11Window{};
    const char* title = cmd.text.c_str();
    const char* class_name = title + strlen(title) + 1;
    bool popup = (cmd.flags & NATIVE_POPUP) != 0;
    int width = RectWidth(cmd.rect) > 0 ? RectWidth(cmd.rect) : 1;
    int height = RectHeight(cmd.rect) > 0 ? RectHeight(cmd.rect) : 1;

    XSetWindowAttributes attrs{};
    // The class background: what the server shows of the window before the first present and
    // in area it uncovers before the pixels are put there, so nothing stale is ever visible.
    attrs.background_pixel = X11PixelOf(cmd.color);
    attrs.border_pixel = 0;
    attrs.bit_gravity = NorthWestGravity;
    attrs.override_redirect = popup ? True : False;
    attrs.colormap = DefaultColormap(dpy, g_x11.screen);
    attrs.event_mask = X11_EVENT_MASK;
    Window xid = XCreateWindow(dpy, g_x11.root, cmd.rect.left, cmd.rect.top, (unsigned)width, (unsigned)height, 0,
                               g_x11.depth, InputOutput, g_x11.visual,
                               CWBackPixel | CWBorderPixel | CWBitGravity | CWOverrideRedirect | CWColormap |
                                   CWEventMask,
                               &attrs);
    if (!xid) return;
    w.in_use = true;
    w.id = cmd.window;
    w.xid = xid;
    w.parent = g_x11.root;
    w.popup = popup;
    w.fixed_size = !popup && (cmd.flags & NATIVE_FIXED_SIZE) != 0;
    Remember(w, ServerRect(cmd.rect));
    w.layer_rect = cmd.rect;
    w.insist = popup ? 0 : INSIST_TIMES;
    w.size_undos = popup ? 0 : SIZE_UNDO_TIMES;
    g_x11.by_xid[xid] = slot;

    SetTitle(xid, title);
    XClassHint class_hint;
    class_hint.res_name = (char*)class_name;
    class_hint.res_class = (char*)class_name;
    XSetClassHint(dpy, xid, &class_hint);
    SetPlacementHints(w, cmd.rect);

    XWMHints wm_hints{};
    wm_hints.flags = InputHint | StateHint;
    wm_hints.input = True;
    wm_hints.initial_state = NormalState;
    XSetWMHints(dpy, xid, &wm_hints);
    Atom protocols[1] = {g_atoms.wm_delete_window};
    XSetWMProtocols(dpy, xid, protocols, 1);
    long pid = (long)getpid();
    XChangeProperty(dpy, xid, g_atoms.net_wm_pid, XA_CARDINAL, 32, PropModeReplace, (unsigned char*)&pid, 1);

    // Undecorated: the layer draws caption, frame and menu bar itself.
    long motif[5] = {2 /* decorations given */, 0, 0, 0, 0};
    XChangeProperty(dpy, xid, g_atoms.motif_wm_hints, g_atoms.motif_wm_hints, 32, PropModeReplace,
                    (unsigned char*)motif, 5);
    if (cmd.flags & NATIVE_TOPMOST) {
        long above = (long)g_atoms.net_wm_state_above;
        XChangeProperty(dpy, xid, g_atoms.net_wm_state, XA_ATOM, 32, PropModeReplace, (unsigned char*)&above, 1);
    }
    int owner_slot = SlotOf(cmd.owner);
    if (owner_slot >= 0) XSetTransientForHint(dpy, xid, g_x11.windows[owner_slot].xid);
    // A normal window, though it has an owner: managers take an owned window without a type
    // for a dialog and force a dialog wholly onto the screen when they map it, ignoring the
    // position the program gave (openbox does).
    if (!popup) {
        long normal = (long)g_atoms.net_wm_window_type_normal;
        XChangeProperty(dpy, xid, g_atoms.net_wm_window_type, XA_ATOM, 32, PropModeReplace, (unsigned char*)&normal,
                        1);
    }

    CreateInputContext(&w);
    X11PublishNative(slot, xid);
}

static void DestroyNativeWindow(int slot) {
    X11Window& w = g_x11.windows[slot];
    if (w.ic) XDestroyIC(w.ic);
    g_x11.by_xid.erase(w.xid);
    XDestroyWindow(g_x11.dpy, w.xid);
    if (g_x11.drop.window == w.id) g_x11.drop = DropState{};
    ReleaseBacking(slot, w.id, true);
    w = X11Window{};
    X11PublishNative(slot, 0);
    // Pending damage of the slot belongs to the gone window.
    std::lock_guard<std::mutex> guard(g_x11.lock);
    g_x11.damage_id[slot] = 0;
}

// Asks the server for the rectangle.
static void RequestRect(int slot, const PlatRect& rect) {
    X11Window& w = g_x11.windows[slot];
    PlatRect r = ServerRect(rect);
    Remember(w, r);
    if (!w.popup) SetPlacementHints(w, r);
    w.asked_serial = NextRequest(g_x11.dpy);
    XMoveResizeWindow(g_x11.dpy, w.xid, r.left, r.top, (unsigned)RectWidth(r), (unsigned)RectHeight(r));
}

// The layer moved or resized the window: that rectangle is what counts from now on, even
// where the manager places the window otherwise once more.
static void MoveNativeWindow(int slot, const PlatRect& r) {
    RequestRect(slot, r);
    X11Window& w = g_x11.windows[slot];
    w.layer_rect = r;
    if (w.popup) return;
    w.insist = INSIST_TIMES;
    w.size_undos = SIZE_UNDO_TIMES;
}

// Raises and gives the focus: the window manager is asked politely (_NET_ACTIVE_WINDOW from
// an application, source 1), and the window is raised and focused directly as well for
// window managers that ignore the request.
static void RaiseNativeWindow(int slot) {
    Display* dpy = g_x11.dpy;
    X11Window& w = g_x11.windows[slot];
    XRaiseWindow(dpy, w.xid);
    if (w.popup) return;
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w.xid;
    ev.xclient.message_type = g_atoms.net_active_window;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = 1;
    ev.xclient.data.l[1] = (long)g_x11.last_time;
    ev.xclient.data.l[2] = 0;
    XSendEvent(dpy, g_x11.root, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    if (w.mapped) XSetInputFocus(dpy, w.xid, RevertToParent, CurrentTime);
}

void RunWindowCommand(const Command& cmd) {
    if (cmd.type == CMD_CREATE) {
        CreateNativeWindow(cmd);
        return;
    }
    int slot = SlotOf(cmd.window);
    if (slot < 0) return;
    X11Window& w = g_x11.windows[slot];
    switch (cmd.type) {
    case CMD_DESTROY:
        DestroyNativeWindow(slot);
        break;
    case CMD_MOVE:
        MoveNativeWindow(slot, cmd.rect);
        break;
    case CMD_SHOW:
        if (cmd.arg) {
            XMapRaised(g_x11.dpy, w.xid);
        } else {
            XUnmapWindow(g_x11.dpy, w.xid);
            // ICCCM: a client withdraws a managed window with a synthetic UnmapNotify too.
            if (!w.popup) {
                XEvent ev{};
                ev.xunmap.type = UnmapNotify;
                ev.xunmap.event = g_x11.root;
                ev.xunmap.window = w.xid;
                ev.xunmap.from_configure = False;
                XSendEvent(g_x11.dpy, g_x11.root, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
            }
        }
        break;
    case CMD_TITLE:
        SetTitle(w.xid, cmd.text);
        break;
    case CMD_RAISE:
        RaiseNativeWindow(slot);
        break;
    case CMD_ACCEPT_DROPS:
        SetDropAware(slot, cmd.arg != 0);
        break;
    default:
        break;
    }
}

// True when the layer has queued a move of the window that the display thread has not run
// yet: what the server says now is older than the layer's rectangle.
static bool MovePending(WindowId window) {
    std::lock_guard<std::mutex> guard(g_x11.lock);
    for (const Command& cmd : g_x11.commands)
        if (cmd.type == CMD_MOVE && cmd.window == window) return true;
    return false;
}

// A program places its windows exactly, partly off the screen if it asks so (a picture
// taller than the screen below its caption). Some window managers push a window that does
// not fit back onto the screen when they map or resize it, yet honour the same request
// asked again: so a placement of the manager's that differs from the layer's rectangle
// after a request of ours is overruled once. Beyond that, a new position is the manager's
// (or the user's through it) and goes to the layer; a new size is undone, because the
// layer's pixels and its frame follow the layer's size only.
static void PlacementNews(int slot, const PlatRect& now) {
    X11Window& w = g_x11.windows[slot];
    if (MovePending(w.id)) return;   // the layer has decided anew; its request is on its way
    if (SameRect(now, w.asked)) {
        w.insist = 0;
        return;
    }
    // The echo of a request of ours that a later one has replaced: old news.
    for (int i = 0; i < w.requested_count - 1; i++)
        if (SameRect(now, w.requested[i])) return;
    if (!w.mapped) return;
    if (w.insist > 0) {
        w.insist--;
        RequestRect(slot, w.asked);
        return;
    }
    bool moved = now.left != w.asked.left || now.top != w.asked.top;
    bool sized = RectWidth(now) != RectWidth(w.asked) || RectHeight(now) != RectHeight(w.asked);
    PlatRect keep = RectOffset(w.asked, now.left - w.asked.left, now.top - w.asked.top);
    if (sized && w.size_undos > 0) {
        w.size_undos--;
        RequestRect(slot, keep);
    } else {
        Adopt(w, keep);
    }
    if (!moved) return;
    const PlatRect before = w.layer_rect;
    w.layer_rect = RectOffset(before, now.left - before.left, now.top - before.top);
    InputMoved(w.id, before, PlatPoint{now.left, now.top});
}

// Whether the queue already holds a later ConfigureNotify of the window. The predicate never
// matches, so nothing is taken out of the queue.
struct ConfigureLook {
    Window xid;
    bool found;
};

static Bool NoteConfigure(Display*, XEvent* ev, XPointer arg) {
    ConfigureLook* look = (ConfigureLook*)arg;
    if (ev->type == ConfigureNotify && ev->xconfigure.window == look->xid) look->found = true;
    return False;
}

// A window manager answers one request of ours with several reports (its frame, then a
// synthetic one), and reports made before it read our request may come after it: of the
// reports already here only the last tells where the window is.
static bool LaterConfigureQueued(Window xid) {
    ConfigureLook look{xid, false};
    XEvent ev;
    XCheckIfEvent(g_x11.dpy, &ev, NoteConfigure, (XPointer)&look);
    return look.found;
}

void HandleMapped(int slot) {
    X11Window& w = g_x11.windows[slot];
    w.mapped = true;
    if (LaterConfigureQueued(w.xid)) return;
    int x, y;
    Window child;
    if (XTranslateCoordinates(g_x11.dpy, w.xid, g_x11.root, 0, 0, &x, &y, &child))
        PlacementNews(slot, RectOffset(w.asked, x - w.asked.left, y - w.asked.top));
}

// A window changed place or size. Events the server made before it ran our last configure
// request report what that request replaces; later ones are checked against the requests.
void HandleConfigure(int slot, const XConfigureEvent& ev) {
    X11Window& w = g_x11.windows[slot];
    if (ev.serial < w.asked_serial || LaterConfigureQueued(w.xid)) return;
    int x = ev.x, y = ev.y;
    if (!ev.send_event && w.parent != g_x11.root) {
        // A real event from inside the manager's frame: ask the server where we are.
        Window child;
        if (!XTranslateCoordinates(g_x11.dpy, w.xid, g_x11.root, 0, 0, &x, &y, &child)) return;
    }
    PlacementNews(slot, PlatRect{x, y, x + ev.width, y + ev.height});
}
