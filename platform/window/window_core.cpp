// The window table: ids and slots, classes, the non-client geometry of a record, and the
// fields a program reads and changes (parent, owner, style, class, data, text, menu, drops).
// Windows are made and destroyed in window_lifetime.cpp. Records are guarded by one table
// lock; procedures are always called without it, on the thread that owns the window.
#include "platform/window/window_core.h"
#include "platform/layer_mutex.h"
#include "platform/window/window_pixels.h"
#include "platform/backend.h"
#include "platform/draw/draw.h"
#include "platform/window/menu.h"
#include "platform/system.h"

#include <atomic>
#include <stdlib.h>
#include <string.h>

LayerMutex pxk::g_table_lock;
WindowRecord pxk::g_windows[MAX_WINDOWS];
WindowClass pxk::g_classes[MAX_CLASSES];

static LayerMutex g_pixel_locks[MAX_WINDOWS];
static std::atomic<uint64_t> g_z_counter{1};

LayerMutex& PixelLock(int index) { return g_pixel_locks[index]; }

// A window id is its slot's index in the low bits and the slot's generation above them, so
// an id kept after its window died never names the slot's next window.
enum : uint32_t {
    INDEX_BITS = 12,                               // MAX_WINDOWS slots
    INDEX_MASK = (1u << INDEX_BITS) - 1,
    GENERATION_MASK = (1u << (32 - INDEX_BITS)) - 1
};
static_assert(MAX_WINDOWS == 1 << INDEX_BITS, "the index bits of an id hold every slot");
static_assert((int)INDEX_BITS == (int)BACKEND_WINDOW_SLOT_BITS && (int)MAX_WINDOWS == (int)BACKEND_MAX_WINDOWS,
              "backends find a window's slot in the same low bits of its id");

WindowId MakeWindowId(int index) {
    return (WindowId)((g_windows[index].generation << INDEX_BITS) | (uint32_t)index);
}

int WindowIndex(WindowId window) { return (int)(window & INDEX_MASK); }

WindowRecord* LookupWindow(WindowId window) {
    if (window == 0) return nullptr;
    int index = WindowIndex(window);
    if (index <= 0 || index >= MAX_WINDOWS) return nullptr;
    WindowRecord* rec = &g_windows[index];
    if (!rec->in_use || MakeWindowId(index) != window) return nullptr;
    return rec;
}

// ---- Classes ----------------------------------------------------------------------------

int FindClass(const char* name) {
    for (int i = 0; i < MAX_CLASSES; i++)
        if (g_classes[i].in_use && strcmp(g_classes[i].name, name) == 0) return i;
    return -1;
}

int PlatRegisterClass(const WindowClassDesc* desc) {
    if (!desc || !desc->name || !desc->name[0] || !desc->proc || strlen(desc->name) > 63) return 2;
    std::lock_guard<LayerMutex> guard(g_table_lock);
    if (FindClass(desc->name) >= 0) return 1;
    for (int i = 0; i < MAX_CLASSES; i++) {
        if (!g_classes[i].in_use) {
            WindowClass& c = g_classes[i];
            c.in_use = true;
            strcpy(c.name, desc->name);
            c.proc = desc->proc;
            c.style = desc->style;
            c.background = desc->background;
            return 0;
        }
    }
    return 3;
}

int PlatUnregisterClass(const char* name) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    int i = FindClass(name);
    if (i < 0) return 1;
    g_classes[i].in_use = false;
    return 0;
}

// ---- Slots ----------------------------------------------------------------------------

// A free slot of the window table, or -1. Call with the table lock held.
static int FreeSlot(void) {
    for (int i = 1; i < MAX_WINDOWS; i++)
        if (!g_windows[i].in_use) return i;
    return -1;
}

// Clears a slot for a new window; the generation moves on (skipping 0) so that ids of the
// slot's earlier windows no longer find it.
static WindowRecord* ClaimSlot(int index) {
    WindowRecord* rec = &g_windows[index];
    uint32_t generation = (rec->generation + 1) & GENERATION_MASK;
    if (generation == 0) generation = 1;
    memset((void*)rec, 0, sizeof *rec);
    rec->generation = generation;
    rec->in_use = true;
    return rec;
}

int ClaimWindowSlot(void) {
    int index = FreeSlot();
    if (index >= 0) ClaimSlot(index);
    return index;
}

// ---- Geometry helpers ------------------------------------------------------------------

int FrameWidth(uint32_t style) {
    if (style & (STYLE_CAPTION | STYLE_SIZEFRAME)) return PlatGetSystemMetric(METRIC_CXFRAME);
    if (style & STYLE_BORDER) return 1;
    return 0;
}

PlatRect ClientAreaOf(const WindowRecord* rec) {
    int w = RectWidth(rec->rect), h = RectHeight(rec->rect);
    int f = FrameWidth(rec->style);
    PlatRect c{f, f, w - f, h - f};
    if ((rec->style & STYLE_CAPTION) == STYLE_CAPTION) c.top += PlatGetSystemMetric(METRIC_CYCAPTION);
    if (rec->menu && !(rec->style & STYLE_CHILD)) c.top += PlatGetSystemMetric(METRIC_CYMENU);
    if (rec->ex_style & EXSTYLE_CLIENTEDGE) {
        c.left += CLIENT_EDGE;
        c.top += CLIENT_EDGE;
        c.right -= CLIENT_EDGE;
        c.bottom -= CLIENT_EDGE;
    }
    if (c.right < c.left) c.right = c.left;
    if (c.bottom < c.top) c.bottom = c.top;
    return c;
}

void PlatAdjustWindowRect(PlatRect* rect, uint32_t style, uint32_t ex_style, bool has_menu) {
    int f = FrameWidth(style);
    rect->left -= f;
    rect->right += f;
    rect->top -= f;
    rect->bottom += f;
    if ((style & STYLE_CAPTION) == STYLE_CAPTION) rect->top -= PlatGetSystemMetric(METRIC_CYCAPTION);
    if (has_menu) rect->top -= PlatGetSystemMetric(METRIC_CYMENU);
    if (ex_style & EXSTYLE_CLIENTEDGE) {
        rect->left -= CLIENT_EDGE;
        rect->top -= CLIENT_EDGE;
        rect->right += CLIENT_EDGE;
        rect->bottom += CLIENT_EDGE;
    }
}

PlatRect OuterRectOnScreen(const WindowRecord* rec) {
    PlatRect r = rec->rect;
    WindowId parent = (rec->style & STYLE_CHILD) ? rec->parent : 0;
    while (parent) {
        WindowRecord* p = LookupWindow(parent);
        if (!p) break;
        PlatRect pc = ClientAreaOf(p);
        r = RectOffset(r, p->rect.left + pc.left, p->rect.top + pc.top);
        parent = (p->style & STYLE_CHILD) ? p->parent : 0;
    }
    return r;
}

PlatRect ClientRectOnScreen(const WindowRecord* rec) {
    PlatRect outer = OuterRectOnScreen(rec);
    PlatRect c = ClientAreaOf(rec);
    return RectOffset(c, outer.left, outer.top);
}

// ---- Simple accessors -------------------------------------------------------------------

bool PlatIsWindow(WindowId window) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    return LookupWindow(window) != nullptr;
}

WindowId PlatGetParent(WindowId window) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    return rec ? rec->parent : 0;
}

WindowId PlatGetOwner(WindowId window) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    return rec ? rec->owner : 0;
}

int PlatGetControlId(WindowId window) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    return rec ? rec->control_id : 0;
}

WindowId PlatGetControl(WindowId parent, int id) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    if (!LookupWindow(parent)) return 0;
    for (int i = 1; i < MAX_WINDOWS; i++) {
        WindowRecord* r = &g_windows[i];
        if (r->in_use && !r->destroying && r->parent == parent && (r->style & STYLE_CHILD) &&
            r->control_id == id)
            return MakeWindowId(i);
    }
    return 0;
}

// Collects windows related to `window` (owned top-levels or children) under the lock.
int CollectRelated(WindowId window, bool owned, WindowId* out, int max) {
    int n = 0;
    std::lock_guard<LayerMutex> guard(g_table_lock);
    for (int i = 1; i < MAX_WINDOWS && n < max; i++) {
        WindowRecord* r = &g_windows[i];
        if (!r->in_use || r->destroying) continue;
        if (owned ? (r->owner == window && !(r->style & STYLE_CHILD))
                  : (r->parent == window && (r->style & STYLE_CHILD)))
            out[n++] = MakeWindowId(i);
    }
    return n;
}

void PlatEnumChildren(WindowId parent, int (*fn)(WindowId child, void* data), void* data) {
    WindowId list[MAX_WINDOWS];
    int n = CollectRelated(parent, false, list, MAX_WINDOWS);
    // Creation order: slot order is not creation order after reuse, so sort by stacking stamp.
    uint64_t z[MAX_WINDOWS];
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        for (int i = 0; i < n; i++) {
            WindowRecord* r = LookupWindow(list[i]);
            z[i] = r ? r->z : 0;
        }
    }
    for (int i = 1; i < n; i++)
        for (int j = i; j > 0 && z[j - 1] > z[j]; j--) {
            uint64_t tz = z[j];
            z[j] = z[j - 1];
            z[j - 1] = tz;
            WindowId tw = list[j];
            list[j] = list[j - 1];
            list[j - 1] = tw;
        }
    for (int i = 0; i < n; i++)
        if (fn(list[i], data)) break;
}

uint32_t PlatGetStyle(WindowId window) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    if (!rec) return 0;
    return rec->style | (rec->visible ? (uint32_t)STYLE_VISIBLE : 0u);
}

void PlatSetStyle(WindowId window, uint32_t style) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    if (!rec) return;
    uint32_t keep = STYLE_CHILD | STYLE_CAPTION | STYLE_SIZEFRAME | STYLE_BORDER | STYLE_POPUP;
    rec->style = (rec->style & keep) | (style & ~keep & ~STYLE_VISIBLE);
}

bool PlatIsWindowOfClass(WindowId window, const char* class_name) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    return rec && strcmp(g_classes[rec->class_index].name, class_name) == 0;
}

int PlatGetClassName(WindowId window, char* buf, int size) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    if (!rec || !buf || size <= 0) return 1;
    const char* name = g_classes[rec->class_index].name;
    int n = (int)strlen(name);
    if (n > size - 1) n = size - 1;
    memcpy(buf, name, (size_t)n);
    buf[n] = 0;
    return 0;
}

WindowId PlatFindWindow(const char* class_name) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    int ci = FindClass(class_name);
    if (ci < 0) return 0;
    for (int i = 1; i < MAX_WINDOWS; i++) {
        WindowRecord* r = &g_windows[i];
        if (r->in_use && !r->destroying && r->class_index == ci && !(r->style & STYLE_CHILD))
            return MakeWindowId(i);
    }
    return 0;
}

void PlatSetWindowData(WindowId window, intptr_t value) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    if (WindowRecord* rec = LookupWindow(window)) rec->user_data = value;
}

intptr_t PlatGetWindowData(WindowId window) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    return rec ? rec->user_data : 0;
}

int PlatSetWindowText(WindowId window, const char16_t* text) {
    bool top = false;
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        WindowRecord* rec = LookupWindow(window);
        if (!rec) return 1;
        int n = 0;
        if (text)
            while (text[n] && n < MAX_WINDOW_TEXT) n++;
        // Never leave half of a surrogate pair at the cut.
        if (n == MAX_WINDOW_TEXT && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) n--;
        if (n) memcpy(rec->text, text, (size_t)n * sizeof(char16_t));
        rec->text[n] = 0;
        top = !(rec->style & STYLE_CHILD);
    }
    if (top) {
        if (PlatBackend() && PlatBackend()->set_title) {
            char16_t copy[256];
            PlatGetWindowText(window, copy, 256);
            PlatBackend()->set_title(window, copy);
        }
        PaintNonClient(window);
    } else {
        PlatInvalidateRect(window, nullptr, true);
    }
    if (WindowQueue(window) == CurrentThreadQueue())
        CallWindowProcedure(window, MSG_SETTEXT, 0, (intptr_t)text);
    return 0;
}

int PlatGetWindowText(WindowId window, char16_t* buf, int size) {
    if (!buf || size <= 0) return 0;
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    if (!rec) {
        buf[0] = 0;
        return 0;
    }
    int n = 0;
    while (rec->text[n] && n < size - 1) n++;
    if (n > 0 && n == size - 1 && rec->text[n] && rec->text[n - 1] >= 0xD800 && rec->text[n - 1] <= 0xDBFF) n--;
    memcpy(buf, rec->text, (size_t)n * sizeof(char16_t));
    buf[n] = 0;
    return n;
}

Menu* PlatGetWindowMenu(WindowId window) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    return rec ? rec->menu : nullptr;
}

WindowId PlatGetTopLevel(WindowId window) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    while (rec && (rec->style & STYLE_CHILD)) {
        window = rec->parent;
        rec = LookupWindow(window);
    }
    return rec ? window : 0;
}

void PlatDragAcceptFiles(WindowId window, bool accept) {
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        WindowRecord* rec = LookupWindow(window);
        if (!rec) return;
        rec->accept_files = accept;
    }
    // Any window that accepts files makes its whole native window a drop target; the layer
    // finds the accepting window under the drop point.
    WindowId top = PlatGetTopLevel(window);
    if (!top || (!accept && top != window)) return;
    if (PlatBackend() && PlatBackend()->set_accept_drops) PlatBackend()->set_accept_drops(top, accept);
}

bool PlatAcceptsFiles(WindowId window) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    return rec && rec->accept_files;
}

void PlatDragFinish(DropList* list) {
    if (!list) return;
    for (int i = 0; i < list->count; i++) free(list->paths[i]);
    free(list->paths);
    free(list);
}

uint64_t NextStackingStamp(void) { return g_z_counter.fetch_add(1); }
