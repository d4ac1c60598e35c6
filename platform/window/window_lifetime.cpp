// Windows made and destroyed: a creation fills a table record (a top-level window gets its
// pixels and a native window at once) and sends the messages of its birth; a destruction takes
// its owned and child windows with it, sends MSG_DESTROY on the owning thread and frees the
// record. Another thread's window is destroyed by its own thread.
#include "platform/window/window_core.h"
#include "platform/layer_mutex.h"
#include "platform/window/window_pixels.h"
#include "platform/backend.h"
#include "platform/draw/draw.h"
#include "platform/window/menu.h"
#include "platform/system.h"

#include <string.h>

// ---- Creation --------------------------------------------------------------------------

enum {
    DEFAULT_WIDTH = 640,           // the size of a window created with POSITION_DEFAULT extents
    DEFAULT_HEIGHT = 480,
    CASCADE_MARGIN = 40,           // the first default position, from the work area's corner
    CASCADE_STEPS = 10             // default positions step down this many times, then start over
};

static int g_default_pos = 0;

// Cascades default positions the way desktops do, so default windows do not pile up.
static void DefaultPosition(int* x, int* y) {
    int step = PlatGetSystemMetric(METRIC_CYCAPTION) + PlatGetSystemMetric(METRIC_CXFRAME);
    int n = g_default_pos++ % CASCADE_STEPS;
    *x = PlatGetSystemMetric(METRIC_XWORKAREA) + CASCADE_MARGIN + n * step;
    *y = PlatGetSystemMetric(METRIC_YWORKAREA) + CASCADE_MARGIN + n * step;
}

// The outer rectangle a creation asks for, with defaults filled in and negative sizes
// made empty. Call with the table lock held (the cascade counter is shared).
static PlatRect InitialRect(const WindowCreate* create) {
    int x = create->x, y = create->y, w = create->width, h = create->height;
    if (x == POSITION_DEFAULT || y == POSITION_DEFAULT) {
        int dx, dy;
        DefaultPosition(&dx, &dy);
        if (x == POSITION_DEFAULT) x = dx;
        if (y == POSITION_DEFAULT) y = dy;
    }
    if (w == POSITION_DEFAULT) w = DEFAULT_WIDTH;
    if (h == POSITION_DEFAULT) h = DEFAULT_HEIGHT;
    if (w < 0) w = 0;
    if (h < 0) h = 0;
    return PlatRect{x, y, x + w, y + h};
}

static void CopyCreateText(WindowRecord* rec, const char16_t* text) {
    if (!text) return;
    int n = 0;
    while (text[n] && n < MAX_WINDOW_TEXT) n++;
    memcpy(rec->text, text, (size_t)n * sizeof(char16_t));
    rec->text[n] = 0;
}

// Fills a claimed record from the creation request. A top-level window gets its pixels
// (the whole outer area) at once.
static void FillRecord(WindowRecord* rec, const WindowCreate* create, int class_index, ThreadQueue* queue) {
    bool child = (create->style & STYLE_CHILD) != 0;
    rec->class_index = class_index;
    rec->style = create->style & ~STYLE_VISIBLE;
    rec->ex_style = create->ex_style;
    rec->parent = child ? create->parent : 0;
    rec->owner = child ? 0 : (LookupWindow(create->owner) ? create->owner : 0);
    rec->control_id = create->id;
    rec->queue = queue;
    rec->menu = child ? nullptr : create->menu;
    rec->menu_hot = -1;
    CopyCreateText(rec, create->text);
    rec->rect = InitialRect(create);
    rec->z = NextStackingStamp();
    if (!child) {
        int w = RectWidth(rec->rect), h = RectHeight(rec->rect);
        Surface* s = nullptr;
        CreateWindowSurface(&s, w > 0 ? w : 1, h > 0 ? h : 1);
        // Until the window paints, it shows its class background, never stale pixels.
        uint32_t background = g_classes[class_index].background;
        if (s && background != BACKGROUND_NONE)
            for (int row = 0; row < s->height; row++)
                for (int col = 0; col < s->width; col++) ((uint32_t*)SurfaceRow(s, row))[col] = background;
        rec->surface = s;
    }
}

// Enters a new window in the table; 0 when the class is unknown, the parent is gone or the
// table is full.
static WindowId AddWindowRecord(const WindowCreate* create, ThreadQueue* queue) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    int class_index = FindClass(create->class_name);
    if (class_index < 0) return 0;
    if ((create->style & STYLE_CHILD) && !LookupWindow(create->parent)) return 0;
    int index = ClaimWindowSlot();
    if (index < 0) return 0;
    FillRecord(&g_windows[index], create, class_index, queue);
    return MakeWindowId(index);
}

// Asks the backend for the native window of a new top-level window. Without one (headless
// failures, no backend) the window still lives in the table and draws into its pixels.
static void CreateNativeWindow(WindowId id) {
    const Backend* be = PlatBackend();
    if (!be) return;
    WindowRecord snapshot;
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        WindowRecord* rec = LookupWindow(id);
        if (!rec) return;
        snapshot = *rec;
    }
    uint32_t flags = 0;
    if (snapshot.style & STYLE_POPUP) flags |= NATIVE_POPUP;
    else if (!(snapshot.style & STYLE_SIZEFRAME)) flags |= NATIVE_FIXED_SIZE;
    if (snapshot.ex_style & EXSTYLE_TOPMOST) flags |= NATIVE_TOPMOST;
    const WindowClass& wc = g_classes[snapshot.class_index];
    uint32_t background = wc.background == BACKGROUND_NONE ? 0 : wc.background;
    if (be->create_window(id, &snapshot.rect, snapshot.text, flags, snapshot.owner, wc.name, background) != 0)
        return;
    std::lock_guard<LayerMutex> guard(g_table_lock);
    if (WindowRecord* rec = LookupWindow(id)) rec->native = true;
}

// The messages of a window's birth: MSG_CREATE (a procedure answering -1 refuses the
// window), then its first size and position. False when the window did not survive them.
static bool SendCreationMessages(WindowId id, const WindowCreate* create) {
    if (CallWindowProcedure(id, MSG_CREATE, 0, (intptr_t)create->create_param) == -1) {
        PlatDestroyWindow(id);
        return false;
    }
    if (!PlatIsWindow(id)) return false;
    PlatRect client;
    PlatGetClientRect(id, &client);
    CallWindowProcedure(id, MSG_SIZE, SIZE_RESTORED, MakeParam(RectWidth(client), RectHeight(client)));
    PlatPoint p{0, 0};
    PlatClientToScreen(id, &p);
    CallWindowProcedure(id, MSG_MOVE, 0, MakeParam(p.x, p.y));
    return true;
}

WindowId PlatCreateWindow(const WindowCreate* create) {
    PlatParkIfFenced();
    if (!create || !create->class_name) return 0;
    WindowId id = AddWindowRecord(create, CurrentThreadQueue());
    if (!id) return 0;
    if (!(create->style & STYLE_CHILD)) CreateNativeWindow(id);
    if (!SendCreationMessages(id, create)) return 0;
    if (create->style & STYLE_VISIBLE) PlatShowWindow(id, SHOW_NORMAL);
    return PlatIsWindow(id) ? id : 0;
}

// ---- Destruction ----------------------------------------------------------------------

static void FreeRecord(WindowId window) {
    Surface* surface = nullptr;
    Menu* menu = nullptr;
    bool native = false;
    int index = WindowIndex(window);
    {
        std::lock_guard<LayerMutex> pixels(PixelLock(index));
        std::lock_guard<LayerMutex> guard(g_table_lock);
        WindowRecord* rec = LookupWindow(window);
        if (!rec) return;
        surface = rec->surface;
        menu = rec->menu;
        native = rec->native;
        if (rec->queue) {
            std::lock_guard<LayerMutex> q(rec->queue->lock);
            if (rec->has_invalid) rec->queue->paint_count--;
            for (int i = 0; i < MAX_TIMERS; i++)
                if (rec->queue->timers[i].window == window) rec->queue->timers[i] = TimerRecord{};
        }
        rec->in_use = false;
        rec->surface = nullptr;
        if (g_focus == window) g_focus = 0;
        if (g_active == window) g_active = 0;
        if (g_capture == window) g_capture = 0;
    }
    PlatReleaseWindowContexts(window);
    if (native && PlatBackend()) PlatBackend()->destroy_window(window);
    if (surface) PlatDestroySurface(surface);
    if (menu) PlatDestroyMenu(menu);
}

static void DestroyNow(WindowId window, bool send_messages) {
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        WindowRecord* rec = LookupWindow(window);
        if (!rec || rec->destroying) return;
        rec->destroying = true;
    }
    WindowId related[MAX_WINDOWS];
    int n = CollectRelated(window, true, related, MAX_WINDOWS);
    for (int i = 0; i < n; i++) {
        if (send_messages && WindowQueue(related[i]) != CurrentThreadQueue())
            PlatDestroyWindow(related[i]);
        else
            DestroyNow(related[i], send_messages);
    }
    bool was_visible = false;
    PlatRect outer{};
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        if (WindowRecord* rec = LookupWindow(window)) {
            was_visible = rec->visible && (rec->style & STYLE_CHILD);
            outer = rec->rect;
            if (rec->native) rec->visible = false;
        }
    }
    if (send_messages) CallWindowProcedure(window, MSG_DESTROY, 0, 0);
    n = CollectRelated(window, false, related, MAX_WINDOWS);
    for (int i = 0; i < n; i++) DestroyNow(related[i], send_messages);
    WindowId parent = PlatGetParent(window);
    FreeRecord(window);
    if (was_visible && parent) PlatInvalidateRect(parent, &outer, true);
}

void DestroyWindowOnOwnThread(WindowId window) { DestroyNow(window, true); }

int PlatDestroyWindow(WindowId window) {
    PlatParkIfFenced();
    ThreadQueue* q = WindowQueue(window);
    if (!q) return 1;
    if (q == CurrentThreadQueue()) {
        DestroyNow(window, true);
        return 0;
    }
    // Another thread's window: its own thread destroys it.
    PlatSendMessage(window, MSG_LAYER_DESTROY, 0, 0);
    return 0;
}

void DestroyThreadWindows(ThreadQueue* queue) {
    WindowId list[MAX_WINDOWS];
    int n = 0;
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        for (int i = 1; i < MAX_WINDOWS; i++)
            if (g_windows[i].in_use && g_windows[i].queue == queue) list[n++] = MakeWindowId(i);
    }
    for (int i = 0; i < n; i++) DestroyNow(list[i], false);
    AbandonThreadQueue(queue);
    std::lock_guard<LayerMutex> q(queue->lock);
    queue->posted.clear();
}
