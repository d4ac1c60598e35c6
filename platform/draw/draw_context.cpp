// Drawing contexts: their state, the window contexts (one per window, kept in a table), and
// the drawing operations, which resolve a context into a surface, an origin and a clip
// rectangle and hand the pixel work to stretch.cpp and text_out.cpp. A window context draws
// into its window's client area under the window's pixel lock, and what it drew is presented
// at once.
#include "platform/draw/draw.h"
#include "platform/layer_mutex.h"

#include "platform/draw/draw_target.h"
#include "platform/draw/stretch.h"
#include "platform/window/window.h"
#include "platform/window/window_pixels.h"

#include <stdlib.h>
#include <string.h>

#include <mutex>
#include <unordered_map>

// ---- Contexts --------------------------------------------------------------------------

static void InitContext(DrawContext* dc) {
    *dc = DrawContext{};
    dc->stretch_mode = STRETCH_COLORONCOLOR;
    dc->text_color = 0x000000;
    dc->back_color = 0xFFFFFF;
    dc->back_mode = BACK_OPAQUE;
    dc->brush = 0xFFFFFF;
}

DrawContext* PlatCreateMemoryContext(Surface* surface) {
    DrawContext* dc = new DrawContext;
    InitContext(dc);
    dc->surface = surface;
    return dc;
}

void PlatSelectSurface(DrawContext* dc, Surface* surface) {
    if (dc && !dc->window) dc->surface = surface;
}

static LayerMutex window_contexts_mutex;
// Never destroyed: windows may still be closed while the process ends, after static
// destructors would have run.
static std::unordered_map<WindowId, DrawContext*>& window_contexts = *new std::unordered_map<WindowId, DrawContext*>;

DrawContext* PlatGetWindowContext(WindowId window) {
    if (!window || !PlatIsWindow(window)) return nullptr;
    std::lock_guard<LayerMutex> lock(window_contexts_mutex);
    auto it = window_contexts.find(window);
    if (it != window_contexts.end()) return it->second;
    DrawContext* dc = new DrawContext;
    InitContext(dc);
    dc->window = window;
    window_contexts[window] = dc;
    return dc;
}

void PlatDeleteContext(DrawContext* dc) {
    // A window's own context lives as long as its window.
    if (!dc || dc->window) return;
    delete dc;
}

void PlatReleaseWindowContexts(WindowId window) {
    DrawContext* dc = nullptr;
    {
        std::lock_guard<LayerMutex> lock(window_contexts_mutex);
        auto it = window_contexts.find(window);
        if (it == window_contexts.end()) return;
        dc = it->second;
        window_contexts.erase(it);
    }
    delete dc;
}

void PlatSetStretchMode(DrawContext* dc, int mode) {
    if (dc && (mode == STRETCH_COLORONCOLOR || mode == STRETCH_HALFTONE)) dc->stretch_mode = mode;
}
int PlatGetStretchMode(const DrawContext* dc) { return dc ? dc->stretch_mode : 0; }
void PlatSetBrushOrigin(DrawContext* dc, int x, int y) {
    if (dc) dc->brush_origin = PlatPoint{x, y};
}
void PlatSetTextColor(DrawContext* dc, uint32_t rgb) {
    if (dc) dc->text_color = rgb & 0xFFFFFFu;
}
void PlatSetBackColor(DrawContext* dc, uint32_t rgb) {
    if (dc) dc->back_color = rgb & 0xFFFFFFu;
}
void PlatSetBackMode(DrawContext* dc, int mode) {
    if (dc && (mode == BACK_TRANSPARENT || mode == BACK_OPAQUE)) dc->back_mode = mode;
}
void PlatSelectFont(DrawContext* dc, Font* font) {
    if (dc) dc->font = font;
}
void PlatSelectBrush(DrawContext* dc, uint32_t rgb) {
    if (dc) dc->brush = rgb & 0xFFFFFFu;
}

// ---- Paint clip --------------------------------------------------------------------------

// The rectangle a paint in progress on this thread may draw in, for one window. Kept per
// thread, because another thread may draw into the same window through the same context
// while the paint runs, and its drawing must not be cut.
struct PaintClip {
    WindowId window = 0;
    PlatRect rect{};
};
static thread_local PaintClip tl_paint_clip;

void PlatSetPaintClip(WindowId window, const PlatRect* rect) {
    tl_paint_clip = rect ? PaintClip{window, *rect} : PaintClip{};
}

// ---- Targets ---------------------------------------------------------------------------

bool BeginDraw(DrawContext* dc, DrawTarget* t) {
    *t = DrawTarget{};
    if (!dc) return false;
    if (dc->window) {
        PlatRect client, clip;
        Surface* s = LockWindowPixels(dc->window, &client, &clip);
        if (!s) return false;
        t->surface = s;
        t->window = dc->window;
        t->origin_x = client.left;
        t->origin_y = client.top;
        t->width = RectWidth(client);
        t->height = RectHeight(client);
        t->clip = RectIntersect(RectIntersect(clip, client), PlatRect{0, 0, s->width, s->height});
        if (tl_paint_clip.window && tl_paint_clip.window == dc->window)
            t->clip = RectIntersect(t->clip, RectOffset(tl_paint_clip.rect, client.left, client.top));
        return true;
    }
    if (!dc->surface || !dc->surface->pixels) return false;
    t->surface = dc->surface;
    t->width = dc->surface->width;
    t->height = dc->surface->height;
    t->clip = PlatRect{0, 0, t->width, t->height};
    return true;
}

void EndDraw(DrawTarget* t) {
    if (t->window) UnlockWindowPixels(t->window, RectIsEmpty(t->damaged) ? nullptr : &t->damaged);
    *t = DrawTarget{};
}

PlatSize PlatGetContextSize(const DrawContext* dc) {
    DrawTarget t;
    if (!BeginDraw(const_cast<DrawContext*>(dc), &t)) return PlatSize{0, 0};
    PlatSize size{t.width, t.height};
    EndDraw(&t);
    return size;
}

// A window context as a source: its pixels are copied out under the lock, so that a copy
// between two windows of one top-level window never holds the lock twice. The snapshot
// covers the source rectangle cut to the client area; *sx, *sy are moved to match.
static bool SnapshotWindow(DrawContext* src, int* sx, int* sy, int sw, int sh, SurfacePtr* out) {
    out->reset();
    DrawTarget t;
    if (!BeginDraw(src, &t)) return false;
    long long x0 = sw < 0 ? (long long)*sx + sw + 1 : *sx, y0 = sh < 0 ? (long long)*sy + sh + 1 : *sy;
    long long x1 = x0 + (sw < 0 ? -(long long)sw : sw), y1 = y0 + (sh < 0 ? -(long long)sh : sh);
    if (x0 < 0) x0 = 0;
    if (y0 < 0) y0 = 0;
    if (x1 > t.width) x1 = t.width;
    if (y1 > t.height) y1 = t.height;
    bool ok = false;
    if (x1 > x0 && y1 > y0) {
        Surface* copy = nullptr;
        if (PlatCreateSurface(&copy, (int)(x1 - x0), (int)(y1 - y0), t.surface->bits) == 0) {
            memcpy(copy->palette, t.surface->palette, sizeof copy->palette);
            CopyPixels(copy, PlatRect{0, 0, copy->width, copy->height}, 0, 0, copy->width, copy->height,
                       t.surface, t.origin_x + (int)x0, t.origin_y + (int)y0, nullptr);
            *sx -= (int)x0;
            *sy -= (int)y0;
            out->reset(copy);
            ok = true;
        }
    }
    EndDraw(&t);
    return ok;
}

// ---- Operations ------------------------------------------------------------------------

int PlatCopyRect(DrawContext* dst, int dx, int dy, int w, int h, DrawContext* src, int sx, int sy) {
    if (!dst || !src || w < 0 || h < 0) return 1;
    if (w == 0 || h == 0) return 0;
    SurfacePtr snapshot;
    const Surface* from = nullptr;
    if (src->window) {
        if (!SnapshotWindow(src, &sx, &sy, w, h, &snapshot)) return 0;
        from = snapshot.get();
    } else {
        from = src->surface;
        if (!from || !from->pixels) return 1;
    }
    DrawTarget t;
    if (BeginDraw(dst, &t)) {
        CopyPixels(t.surface, t.clip, dx + t.origin_x, dy + t.origin_y, w, h, from, sx, sy, &t.damaged);
        EndDraw(&t);
    }
    return 0;
}

int PlatStretchCopy(DrawContext* dst, int dx, int dy, int dw, int dh,
                    DrawContext* src, int sx, int sy, int sw, int sh) {
    if (!dst || !src) return 1;
    SurfacePtr snapshot;
    const Surface* from = nullptr;
    if (src->window) {
        if (sw == 0 || sh == 0) return 1;
        if (!SnapshotWindow(src, &sx, &sy, sw, sh, &snapshot)) return 0;
        from = snapshot.get();
    } else {
        from = src->surface;
        if (!from || !from->pixels) return 1;
    }
    int result = 0;
    DrawTarget t;
    if (BeginDraw(dst, &t)) {
        result = StretchPixels(t.surface, t.clip, dx + t.origin_x, dy + t.origin_y, dw, dh, from,
                               sx, sy, sw, sh, dst->stretch_mode, &t.damaged);
        EndDraw(&t);
    }
    return result;
}

void PlatFillRect(DrawContext* dc, const PlatRect* rect, uint32_t rgb) {
    if (!dc || !rect) return;
    uint32_t color = rgb == PLAT_SELECTED_BRUSH ? dc->brush : (rgb & 0xFFFFFFu);
    DrawTarget t;
    if (!BeginDraw(dc, &t)) return;
    FillPixels(t.surface, t.clip, RectOffset(*rect, t.origin_x, t.origin_y), ColorToPixel(t.surface, color),
               &t.damaged);
    EndDraw(&t);
}

void PlatInvertRect(DrawContext* dc, const PlatRect* rect) {
    if (!dc || !rect) return;
    DrawTarget t;
    if (!BeginDraw(dc, &t)) return;
    InvertPixels(t.surface, t.clip, RectOffset(*rect, t.origin_x, t.origin_y), &t.damaged);
    EndDraw(&t);
}

int PlatGetColorTable(DrawContext* dc, int first, int count, uint32_t* out) {
    if (!dc || dc->window || !dc->surface || dc->surface->bits != 8 || !out) return 1;
    if (first < 0 || count < 0 || first > 256 || count > 256 - first) return 1;
    for (int i = 0; i < count; i++) out[i] = dc->surface->palette[first + i] & 0xFFFFFFu;
    return 0;
}

int PlatSetColorTable(DrawContext* dc, int first, int count, const uint32_t* in) {
    if (!dc || dc->window || !dc->surface || dc->surface->bits != 8 || !in) return 1;
    if (first < 0 || count < 0 || first > 256 || count > 256 - first) return 1;
    for (int i = 0; i < count; i++) dc->surface->palette[first + i] = in[i] & 0xFFFFFFu;
    return 0;
}

int64_t PlatGetPixel(DrawContext* dc, int x, int y) {
    DrawTarget t;
    if (!BeginDraw(dc, &t)) return -1;
    int64_t result = -1;
    if (x >= 0 && y >= 0 && x < t.width && y < t.height) {
        int sx = x + t.origin_x, sy = y + t.origin_y;
        if (sx >= 0 && sy >= 0 && sx < t.surface->width && sy < t.surface->height) {
            result = SurfacePixelColor(t.surface, sx, sy);
        }
    }
    EndDraw(&t);
    return result;
}
