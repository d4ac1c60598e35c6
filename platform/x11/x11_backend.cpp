// The X11 backend: start-up, the display thread and its command queue, and the Backend
// table. The display thread is the only one that calls Xlib. Framework threads queue
// commands (and damaged rectangles) under g_x11.lock and wake it through an eventfd that it
// polls together with the X connection; the only waits on it are bounded.
#include "x11_backend.h"
#include "x11_internal.h"
#include "platform/window/input.h"
#include "../text.h"

#include <atomic>
#include <locale.h>
#include <stdlib.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

X11State pxk::g_x11;
X11Atoms pxk::g_atoms;
static std::atomic<unsigned long> g_native_ids[X11_MAX_WINDOWS];

uint32_t X11NowMs(void) {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint32_t)((uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u);
}

void WakeDisplayThread(void) {
    if (g_x11.wake_fd < 0) return;
    uint64_t one = 1;
    ssize_t n = write(g_x11.wake_fd, &one, sizeof one);
    (void)n;
}

void QueueCommand(Command&& cmd) {
    {
        std::lock_guard<std::mutex> guard(g_x11.lock);
        if (!g_x11.running) {
            if (cmd.completion) {
                std::lock_guard<std::mutex> c(cmd.completion->lock);
                cmd.completion->done = true;
                cmd.completion->result = 1;
                cmd.completion->done_cv.notify_all();
            }
            if (cmd.type == CMD_SHM_DETACH) DiscardBlock(cmd.block);
            return;
        }
        g_x11.commands.push_back(std::move(cmd));
    }
    WakeDisplayThread();
}

int WaitCompletion(const std::shared_ptr<Completion>& c, int timeout_ms, bool* timed_out) {
    std::unique_lock<std::mutex> lk(c->lock);
    bool ok = c->done_cv.wait_for(lk, std::chrono::milliseconds(timeout_ms), [&] { return c->done; });
    if (timed_out) *timed_out = !ok;
    return ok ? c->result : -1;
}

int X11WindowSlot(Window xid) {
    auto it = g_x11.by_xid.find(xid);
    return it == g_x11.by_xid.end() ? -1 : it->second;
}

unsigned long X11NativeWindow(WindowId window) {
    int slot = BackendWindowSlot(window);
    if (slot <= 0 || slot >= X11_MAX_WINDOWS) return 0;
    unsigned long packed = g_native_ids[slot].load(std::memory_order_acquire);
    return packed;
}

void X11PublishNative(int slot, unsigned long xid) {
    if (slot > 0 && slot < X11_MAX_WINDOWS) g_native_ids[slot].store(xid, std::memory_order_release);
}

// ---- Errors ------------------------------------------------------------------------------

static std::atomic<int> g_error_count{0};

// Errors are expected now and then (a window another client destroyed, a selection
// requestor that went away): log the first few and carry on.
static int OnXError(Display* dpy, XErrorEvent* ev) {
    if (g_error_count.fetch_add(1) < 5) {
        char text[128];
        XGetErrorText(dpy, ev->error_code, text, sizeof text);
        fprintf(stderr, "pixkit: X error %d (%s), request %d.%d\n", ev->error_code, text, ev->request_code,
                ev->minor_code);
    }
    return 0;
}

// The display is gone (the server ended or the connection broke): nothing of the program
// can be seen or used any more, so the program ends here, on whichever thread noticed.
static int OnXIOError(Display*) {
    PlatDisplayLost("the connection to the X display was lost");
}

// ---- The display thread ------------------------------------------------------------------

static void Complete(const Command& cmd, int result) {
    if (!cmd.completion) return;
    std::lock_guard<std::mutex> c(cmd.completion->lock);
    cmd.completion->done = true;
    cmd.completion->result = result;
    cmd.completion->done_cv.notify_all();
}

static void RunCommand(const Command& cmd) {
    switch (cmd.type) {
    case CMD_SHM_DETACH:
        DetachBlock(cmd.block);
        break;
    case CMD_OWN_CLIPBOARD:
        OwnClipboard();
        break;
    case CMD_READ_CLIPBOARD:
        StartClipboardRead(cmd);
        return;   // completes when the owner answers
    case CMD_SAVE_CLIPBOARD:
        StartClipboardSave(cmd);
        return;   // completes when the manager answers
    default:
        RunWindowCommand(cmd);
        break;
    }
    Complete(cmd, 0);
}

static void HandleEvent(XEvent* ev) {
    if (ev->type == SelectionRequest) {
        HandleSelectionRequest(ev->xselectionrequest);
        return;
    }
    if (ev->type == SelectionClear) {
        HandleSelectionClear(ev->xselectionclear);
        return;
    }
    if (ev->type == SelectionNotify) {
        HandleSelectionNotify(ev->xselection);
        return;
    }
    if (ev->type == PropertyNotify) {
        if (ev->xproperty.window == g_x11.root) {
            if (ev->xproperty.atom == g_atoms.net_workarea || ev->xproperty.atom == g_atoms.net_current_desktop)
                ReadScreenInfo();
            return;
        }
        HandleSelectionProperty(ev->xproperty);
        return;
    }
    if (ev->type == MappingNotify) {
        if (ev->xmapping.request == MappingKeyboard || ev->xmapping.request == MappingModifier)
            XRefreshKeyboardMapping(&ev->xmapping);
        return;
    }
    int slot = X11WindowSlot(ev->xany.window);
    if (slot < 0) return;   // a window of ours that is gone, or not ours at all
    switch (ev->type) {
    case Expose: {
        PlatRect r{ev->xexpose.x, ev->xexpose.y, ev->xexpose.x + ev->xexpose.width,
                   ev->xexpose.y + ev->xexpose.height};
        AddDamage(g_x11.windows[slot].id, r);
        break;
    }
    case ConfigureNotify:
        HandleConfigure(slot, ev->xconfigure);
        break;
    case ReparentNotify:
        g_x11.windows[slot].parent = ev->xreparent.parent;
        break;
    case MapNotify:
        HandleMapped(slot);
        break;
    case UnmapNotify:
        g_x11.windows[slot].mapped = false;
        break;
    case ClientMessage:
        if (ev->xclient.message_type == g_atoms.wm_protocols &&
            (Atom)ev->xclient.data.l[0] == g_atoms.wm_delete_window) {
            InputClose(g_x11.windows[slot].id);
        } else {
            HandleDndMessage(ev->xclient, slot);
        }
        break;
    default:
        HandleInputEvent(ev, slot);
        break;
    }
}

static bool QueueIdle(void) {
    std::lock_guard<std::mutex> guard(g_x11.lock);
    return g_x11.commands.empty() && g_x11.damaged.empty();
}

static void DisplayThread(void) {
    Display* dpy = g_x11.dpy;
    int xfd = ConnectionNumber(dpy);
    for (;;) {
        std::deque<Command> batch;
        {
            std::lock_guard<std::mutex> guard(g_x11.lock);
            batch.swap(g_x11.commands);
        }
        bool quit = false;
        for (Command& cmd : batch) {
            if (cmd.type == CMD_QUIT) quit = true;
            else RunCommand(cmd);
        }
        if (quit) break;
        FlushDamage();
        while (XPending(dpy)) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            if (XFilterEvent(&ev, None)) continue;
            HandleEvent(&ev);
        }
        FlushDamage();
        CheckReadTimeout();
        XFlush(dpy);
        if (XPending(dpy)) continue;
        if (!QueueIdle()) continue;
        pollfd fds[2] = {{xfd, POLLIN, 0}, {g_x11.wake_fd, POLLIN, 0}};
        int timeout = SelectionWaitActive() ? 20 : -1;
        if (poll(fds, 2, timeout) > 0 && (fds[1].revents & POLLIN)) {
            uint64_t count;
            ssize_t n = read(g_x11.wake_fd, &count, sizeof count);
            (void)n;
        }
    }
    std::lock_guard<std::mutex> guard(g_x11.lock);
    g_x11.thread_done = true;
    g_x11.done_cv.notify_all();
}

// ---- Start and stop ----------------------------------------------------------------------

static void InternAtoms(Display* dpy) {
    struct {
        Atom* slot;
        const char* name;
    } table[] = {
        {&g_atoms.wm_protocols, "WM_PROTOCOLS"},
        {&g_atoms.wm_delete_window, "WM_DELETE_WINDOW"},
        {&g_atoms.wm_transient_for, "WM_TRANSIENT_FOR"},
        {&g_atoms.wm_name, "WM_NAME"},
        {&g_atoms.wm_class, "WM_CLASS"},
        {&g_atoms.net_wm_name, "_NET_WM_NAME"},
        {&g_atoms.net_wm_pid, "_NET_WM_PID"},
        {&g_atoms.net_active_window, "_NET_ACTIVE_WINDOW"},
        {&g_atoms.net_workarea, "_NET_WORKAREA"},
        {&g_atoms.net_current_desktop, "_NET_CURRENT_DESKTOP"},
        {&g_atoms.net_wm_state, "_NET_WM_STATE"},
        {&g_atoms.net_wm_state_above, "_NET_WM_STATE_ABOVE"},
        {&g_atoms.net_wm_window_type, "_NET_WM_WINDOW_TYPE"},
        {&g_atoms.net_wm_window_type_normal, "_NET_WM_WINDOW_TYPE_NORMAL"},
        {&g_atoms.motif_wm_hints, "_MOTIF_WM_HINTS"},
        {&g_atoms.utf8_string, "UTF8_STRING"},
        {&g_atoms.string, "STRING"},
        {&g_atoms.text, "TEXT"},
        {&g_atoms.clipboard, "CLIPBOARD"},
        {&g_atoms.targets, "TARGETS"},
        {&g_atoms.incr, "INCR"},
        {&g_atoms.text_plain_utf8, "text/plain;charset=utf-8"},
        {&g_atoms.text_plain, "text/plain"},
        {&g_atoms.timestamp, "TIMESTAMP"},
        {&g_atoms.multiple, "MULTIPLE"},
        {&g_atoms.atom_pair, "ATOM_PAIR"},
        {&g_atoms.integer, "INTEGER"},
        {&g_atoms.clipboard_manager, "CLIPBOARD_MANAGER"},
        {&g_atoms.save_targets, "SAVE_TARGETS"},
        {&g_atoms.pixkit_time, "PIXKIT_TIME"},
        {&g_atoms.pixkit_save, "PIXKIT_SAVE"},
        {&g_atoms.pixkit_sel, "PIXKIT_SELECTION"},
        {&g_atoms.atom, "ATOM"},
        {&g_atoms.cardinal, "CARDINAL"},
        {&g_atoms.xdnd_aware, "XdndAware"},
        {&g_atoms.xdnd_enter, "XdndEnter"},
        {&g_atoms.xdnd_position, "XdndPosition"},
        {&g_atoms.xdnd_status, "XdndStatus"},
        {&g_atoms.xdnd_leave, "XdndLeave"},
        {&g_atoms.xdnd_drop, "XdndDrop"},
        {&g_atoms.xdnd_finished, "XdndFinished"},
        {&g_atoms.xdnd_selection, "XdndSelection"},
        {&g_atoms.xdnd_type_list, "XdndTypeList"},
        {&g_atoms.xdnd_action_copy, "XdndActionCopy"},
        {&g_atoms.text_uri_list, "text/uri-list"},
    };
    enum { N = sizeof table / sizeof table[0] };
    char* names[N];
    Atom atoms[N];
    for (int i = 0; i < N; i++) names[i] = (char*)table[i].name;
    XInternAtoms(dpy, names, N, False, atoms);
    for (int i = 0; i < N; i++) *table[i].slot = atoms[i];
}

// Decides whether the window pixels (0x00RRGGBB words) can go to the server as they are.
static void ChooseFormat(Display* dpy) {
    g_x11.visual = DefaultVisual(dpy, g_x11.screen);
    g_x11.depth = DefaultDepth(dpy, g_x11.screen);
    int bpp = 0, count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(dpy, &count);
    for (int i = 0; i < count; i++)
        if (formats[i].depth == g_x11.depth) bpp = formats[i].bits_per_pixel;
    if (formats) XFree(formats);
    Visual* v = g_x11.visual;
    g_x11.direct_format = bpp == 32 && (g_x11.depth == 24 || g_x11.depth == 32) && v->red_mask == 0xFF0000 &&
                          v->green_mask == 0x00FF00 && v->blue_mask == 0x0000FF;
}

static void X11Shutdown(void);

static int X11Init(void) {
    if (g_x11.dpy) return 0;
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) return 1;
    XSetErrorHandler(OnXError);
    XSetIOErrorHandler(OnXIOError);
    g_x11.dpy = dpy;
    g_x11.screen = DefaultScreen(dpy);
    g_x11.root = RootWindow(dpy, g_x11.screen);
    InternAtoms(dpy);
    ChooseFormat(dpy);
    XSetWindowAttributes attrs{};
    attrs.event_mask = PropertyChangeMask;
    g_x11.helper = XCreateWindow(dpy, g_x11.root, -10, -10, 1, 1, 0, 0, InputOnly, CopyFromParent, CWEventMask,
                                 &attrs);
    XSelectInput(dpy, g_x11.root, PropertyChangeMask);
    ReadScreenInfo();
    g_x11.shm = ProbeShm();
    g_x11.connection++;
    SetupInputMethod();
    g_x11.wake_fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (g_x11.wake_fd < 0) {
        XCloseDisplay(dpy);
        g_x11.dpy = nullptr;
        return 1;
    }
    XSync(dpy, False);
    {
        std::lock_guard<std::mutex> guard(g_x11.lock);
        g_x11.running = true;
    }
    // From here on only the display thread speaks to the server.
    g_x11.thread_done = false;
    g_x11.thread = std::thread(DisplayThread);
    static bool exit_hook = false;
    if (!exit_hook) {
        // A program that ends without stopping the backend must not leave a running
        // std::thread behind for the static destructors.
        exit_hook = true;
        atexit(X11Shutdown);
    }
    return 0;
}

static void X11Shutdown(void) {
    if (!g_x11.dpy || !g_x11.thread.joinable()) return;
    HandClipboardToManager();
    Command quit;
    quit.type = CMD_QUIT;
    QueueCommand(std::move(quit));
    bool ended;
    {
        // The display thread may be inside the layer (an Input call waiting for a lock that a
        // framework thread holds while the process ends); do not hang the exit on it.
        std::unique_lock<std::mutex> lk(g_x11.lock);
        ended = g_x11.done_cv.wait_for(lk, std::chrono::milliseconds(2000), [] { return g_x11.thread_done; });
    }
    if (!ended) {
        g_x11.thread.detach();
        return;
    }
    g_x11.thread.join();
    std::deque<Command> left;
    {
        std::lock_guard<std::mutex> guard(g_x11.lock);
        g_x11.running = false;
        // The selection went with the connection.
        g_x11.clip_owned = false;
        g_x11.clip_offers.clear();
        left.swap(g_x11.commands);
        g_x11.presents_done = g_x11.presents_queued;
        g_x11.presented_cv.notify_all();
    }
    for (Command& cmd : left) {
        if (cmd.type == CMD_SHM_DETACH) DiscardBlock(cmd.block);
        Complete(cmd, 1);
    }
    EndSelectionWaits();
    for (int i = 1; i < X11_MAX_WINDOWS; i++) ReleaseBacking(i, 0, true);
    for (int i = 0; i < X11_MAX_WINDOWS; i++) {
        X11Window& w = g_x11.windows[i];
        if (!w.in_use) continue;
        if (w.ic) XDestroyIC(w.ic);
        XDestroyWindow(g_x11.dpy, w.xid);
        w = X11Window{};
        X11PublishNative(i, 0);
    }
    if (g_x11.im) XCloseIM(g_x11.im);
    XCloseDisplay(g_x11.dpy);
    g_x11.by_xid.clear();
    g_x11.im = nullptr;
    g_x11.dpy = nullptr;
    close(g_x11.wake_fd);
    g_x11.wake_fd = -1;
}

// ---- Backend functions called by framework threads ---------------------------------------

static std::string TitleUtf8(const char16_t* title) {
    if (!title) return std::string();
    char buf[1024];
    Utf16ToUtf8(title, -1, buf, (int)sizeof buf);
    return std::string(buf);
}

static int X11CreateWindow(WindowId window, const PlatRect* outer, const char16_t* title, uint32_t flags,
                           WindowId owner, const char* class_name, uint32_t background) {
    Command cmd;
    cmd.type = CMD_CREATE;
    cmd.window = window;
    cmd.rect = *outer;
    cmd.flags = flags;
    cmd.color = background;
    cmd.owner = owner;
    cmd.text = TitleUtf8(title);
    cmd.text.push_back('\0');
    cmd.text += class_name ? class_name : "pixkit";
    auto completion = std::make_shared<Completion>();
    cmd.completion = completion;
    QueueCommand(std::move(cmd));
    bool timed_out = false;
    int rc = WaitCompletion(completion, 3000, &timed_out);
    // A display thread that is merely slow will still create the window in order with the
    // commands that follow, so a timeout is not a failure.
    return timed_out ? 0 : rc;
}

static void QueueWindowCommand(int type, WindowId window, const PlatRect* rect, int arg) {
    Command cmd;
    cmd.type = type;
    cmd.window = window;
    if (rect) cmd.rect = *rect;
    cmd.arg = arg;
    QueueCommand(std::move(cmd));
}

static void X11DestroyWindow(WindowId window) { QueueWindowCommand(CMD_DESTROY, window, nullptr, 0); }
static void X11MoveWindow(WindowId window, const PlatRect* outer) { QueueWindowCommand(CMD_MOVE, window, outer, 0); }
static void X11ShowWindow(WindowId window, int show) { QueueWindowCommand(CMD_SHOW, window, nullptr, show); }
static void X11RaiseWindow(WindowId window) { QueueWindowCommand(CMD_RAISE, window, nullptr, 0); }

static void X11SetTitle(WindowId window, const char16_t* title) {
    Command cmd;
    cmd.type = CMD_TITLE;
    cmd.window = window;
    cmd.text = TitleUtf8(title);
    QueueCommand(std::move(cmd));
}

static void X11GetScreen(ScreenInfo* info) {
    std::lock_guard<std::mutex> guard(g_x11.lock);
    *info = g_x11.screen_info;
}

static void X11AcceptDrops(WindowId window, int accept) {
    QueueWindowCommand(CMD_ACCEPT_DROPS, window, nullptr, accept);
}

static void X11Flush(void) { WakeDisplayThread(); }

int X11OfferClipboard(const ClipOffer* offers, int count);
uint8_t* X11ReadClipboard(const char* const* types, int count, char* type_out, size_t* size);

static const Backend g_x11_backend = {
    "x11",
    X11Init,
    X11Shutdown,
    X11CreateWindow,
    X11DestroyWindow,
    X11MoveWindow,
    X11ShowWindow,
    X11SetTitle,
    X11RaiseWindow,
    X11Present,
    X11GetScreen,
    X11OfferClipboard,
    X11ReadClipboard,
    X11AcceptDrops,
    X11Flush,
    X11AllocWindowPixels,
    X11FreeWindowPixels,
};

const Backend* X11Backend(void) { return &g_x11_backend; }

bool X11UsesShm(void) { return g_x11.shm; }

void X11ForcePutImage(bool force) {
    std::lock_guard<std::mutex> guard(g_x11.lock);
    g_x11.force_put_image = force;
}

bool X11WaitPresented(int timeout_ms) {
    std::unique_lock<std::mutex> lk(g_x11.lock);
    uint64_t target = g_x11.presents_queued;
    return g_x11.presented_cv.wait_for(lk, std::chrono::milliseconds(timeout_ms),
                                       [&] { return g_x11.presents_done >= target || !g_x11.running; });
}
