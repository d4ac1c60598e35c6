// The inspector window: its state on the worker thread, opening and closing, following the
// pointer over image windows, the histogram kept until its image is shown again, and the
// window procedure. Every move of the pointer only notes the pixel and invalidates the
// window; the paint gathers and draws once for all the moves before it.
#include "imaging/pixel_panel_window.h"

#include "imagewin/image_histogram.h"
#include "imagewin/image_watch.h"
#include "imaging/pixel_panel_view.h"
#include "platform/draw/draw.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "runtime/main_window.h"
#include "runtime/startup_state.h"
#include "runtime/window_classes.h"
#include "runtime/window_rects.h"
#include "runtime/worker_calls.h"

#include <atomic>

namespace {

const uint32_t INSPECTOR_STYLE = STYLE_VISIBLE | STYLE_CAPTION | STYLE_SYSMENU;

struct Inspector {
    std::atomic<WindowId> window{0};
    DrawContext* win_dc = nullptr;
    Surface* view = nullptr;
    DrawContext* view_dc = nullptr;
    InspectorFocus focus{-1, false, 0, 0, false};
    bool counts_valid = false;      // counts hold the followed image's histogram
    InspectorSnapshot snapshot{};
    bool placed = false;            // the window was open before: it opens where it was
    PlatPoint place{0, 0};
    int toggle_call = -1;
};

Inspector g;

void Invalidate(void) {
    const WindowId w = g.window.load(std::memory_order_acquire);
    if (w) PlatInvalidateRect(w, nullptr, false);
}

void OnPointer(int index, int x, int y) {
    if (g.focus.image == index && g.focus.has_point && g.focus.x == x && g.focus.y == y) return;
    if (g.focus.image != index) g.counts_valid = false;
    g.focus.image = index;
    g.focus.has_point = true;
    g.focus.x = x;
    g.focus.y = y;
    Invalidate();
}

void OnImageShown(int index) {
    if (index != g.focus.image) return;
    g.counts_valid = false;
    Invalidate();
}

void OnCreate(WindowId window) {
    g.win_dc = PlatGetWindowContext(window);
    g.window.store(window, std::memory_order_release);
    image_inspection_open = true;
}

// The window is gone or going: what it held goes with it, its place is kept.
void Forget(void) {
    image_inspection_open = false;
    g.window.store(0, std::memory_order_release);
    if (g.view_dc) PlatDeleteContext(g.view_dc);
    if (g.view) PlatDestroySurface(g.view);
    g.view_dc = nullptr;
    g.view = nullptr;
    g.win_dc = nullptr;
}

void Open(void) {
    if (g.window.load()) return;
    PlatRect outer{0, 0, INSPECTOR_WIDTH, INSPECTOR_HEIGHT};
    PlatAdjustWindowRect(&outer, INSPECTOR_STYLE, 0, false);
    WindowCreate wc{};
    wc.class_name = "pxk_inspector";
    wc.text = u"Inspector";
    wc.style = INSPECTOR_STYLE;
    wc.x = g.placed ? g.place.x : POSITION_DEFAULT;
    wc.y = g.placed ? g.place.y : POSITION_DEFAULT;
    wc.width = RectWidth(outer);
    wc.height = RectHeight(outer);
    wc.owner = main_window.load(std::memory_order_acquire);
    if (PlatCreateSurface(&g.view, INSPECTOR_WIDTH, INSPECTOR_HEIGHT, 32) != 0) return;
    g.view_dc = PlatCreateMemoryContext(g.view);
    g.counts_valid = false;
    // The window is known from its creation message on, before it is shown.
    if (!PlatCreateWindow(&wc)) {
        Forget();
        return;
    }
    CollectWindowRects();
}

void Close(void) {
    const WindowId window = g.window.load();
    if (!window) return;
    PlatRect r;
    if (PlatGetWindowRect(window, &r) == 0) {
        g.place = PlatPoint{r.left, r.top};
        g.placed = true;
    }
    Forget();
    PlatDestroyWindow(window);
    CollectWindowRects();
}

void OnPaint(WindowId window) {
    PlatRect invalid{};
    PlatBeginPaint(window, &invalid);
    if (g.view && g.win_dc) {
        InspectorSnapshot& s = g.snapshot;
        GatherInspectorPixels(g.focus.image, g.focus.has_point, g.focus.x, g.focus.y, &s);
        if (s.image >= 0 && !g.counts_valid)
            g.counts_valid = CountImageChannels(s.image, s.bits == 8 ? 1u : 0xFu, s.counts) == 0;
        s.has_counts = s.image >= 0 && g.counts_valid;
        s.log_scale = g.focus.log_scale;
        RenderInspector(g.view, s);
        PlatCopyRect(g.win_dc, 0, 0, INSPECTOR_WIDTH, INSPECTOR_HEIGHT, g.view_dc, 0, 0);
    }
    PlatEndPaint(window);
}

// A click on the plot switches between the linear and the log scale.
void OnLeftButtonDown(intptr_t pos) {
    const int x = ParamLow(pos), y = ParamHigh(pos);
    if (x < PLOT_LEFT || x >= PLOT_LEFT + PLOT_WIDTH || y < PLOT_TOP || y >= PLOT_TOP + PLOT_HEIGHT) return;
    g.focus.log_scale = !g.focus.log_scale;
    Invalidate();
}

// Where the window is now, for its next opening.
void OnMoved(WindowId window) {
    PlatRect r;
    if (PlatGetWindowRect(window, &r) == 0) {
        g.place = PlatPoint{r.left, r.top};
        g.placed = true;
    }
}

void OnClose(WindowId) { Close(); }

void OnDestroyed(WindowId window) {
    if (g.window.load() == window) Forget();
}

const KindWindowHandlers INSPECTOR_HANDLERS{OnMoved, OnClose, OnDestroyed};

void OnKeyDown(uintptr_t key) {
    if (key == 'I') ToggleInspector();
}

}  // namespace

WindowId InspectorWindow(void) { return g.window.load(std::memory_order_acquire); }

void ToggleInspector(void) {
    if (g.window.load()) Close();
    else Open();
}

InspectorFocus InspectorFocusNow(void) { return g.focus; }

int AppendInspectorRect(PlatRect* out, int max) {
    const WindowId window = InspectorWindow();
    return window && max > 0 && PlatGetWindowRect(window, out) == 0 ? 1 : 0;
}

void ResetInspector(void) {
    Forget();
    g.focus = InspectorFocus{-1, false, 0, 0, false};
    g.counts_valid = false;
    g.placed = false;
}

void RegisterInspector(void) {
    RegisterImageInspection(ImageInspection{ToggleInspector, OnPointer, OnImageShown});
    g.toggle_call = RegisterWorkerCall(ToggleInspector);
}

void PostInspectorToggle(void) { PostWorkerCall(g.toggle_call); }

intptr_t InspectorWindowProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam) {
    switch (msg) {
    case MSG_CREATE: OnCreate(window); return 0;
    case MSG_MOVE:
    case MSG_MOVING:
    case MSG_CLOSE:
    case MSG_DESTROY: return KindWindowDefault(window, msg, wparam, lparam, INSPECTOR_HANDLERS);
    case MSG_SIZING: PlatGetWindowRect(window, (PlatRect*)lparam); return 0;
    case MSG_PAINT: OnPaint(window); return 0;
    case MSG_LBUTTONDOWN: OnLeftButtonDown(lparam); return 0;
    case MSG_KEYDOWN: OnKeyDown(wparam); return 0;
    default: return PlatDefWindowProc(window, msg, wparam, lparam);
    }
}

extern "C" void PXK_OpenInspector(void) {
    if (!g.window.load()) Open();
}

extern "C" void PXK_CloseInspector(void) { Close(); }
