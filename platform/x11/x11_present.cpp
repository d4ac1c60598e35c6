// Putting window pixels on screen. Window surfaces live in MIT-SHM segments when the server
// offers them, so a present sends only the damaged rectangle's coordinates (XShmPutImage)
// and no pixels; otherwise XPutImage copies the rectangle. Damage from the layer and from
// Expose events collects per window and the display thread presents it from the window's
// own pixels, holding the window's pixel lock while the server reads them.
#include "x11_internal.h"
#include "platform/window/window_core.h"

#include <stdlib.h>
#include <string.h>
#include <sys/ipc.h>
#include <sys/shm.h>

static bool g_damage_listed[X11_MAX_WINDOWS];

void AddDamage(WindowId window, const PlatRect& rect) {
    int slot = WindowIndex(window);
    if (slot <= 0 || slot >= X11_MAX_WINDOWS || RectIsEmpty(rect)) return;
    bool wake;
    {
        std::lock_guard<std::mutex> guard(g_x11.lock);
        if (!g_x11.running) return;
        if (g_x11.damage_id[slot] == window)
            g_x11.damage[slot] = RectUnion(g_x11.damage[slot], rect);
        else
            g_x11.damage[slot] = rect;
        g_x11.damage_id[slot] = window;
        if (!g_damage_listed[slot]) {
            g_damage_listed[slot] = true;
            g_x11.damaged.push_back(slot);
        }
        g_x11.presents_queued++;
        wake = g_x11.damaged.size() == 1;
    }
    if (wake) WakeDisplayThread();
}

// ---- Shared memory -----------------------------------------------------------------------

static int g_probe_failed = 0;
static int ProbeErrorHandler(Display*, XErrorEvent*) {
    g_probe_failed = 1;
    return 0;
}

// Allocates a segment the way alloc_pixels does (marked for removal at once, so that it
// never outlives the process) and checks that the server can attach it: a server on
// another machine, or in another IPC namespace, offers the extension but cannot.
bool ProbeShm(void) {
    const char* off = getenv("PIXKIT_X11_NOSHM");
    if (off && *off && strcmp(off, "0") != 0) return false;
    if (!g_x11.direct_format || !XShmQueryExtension(g_x11.dpy)) return false;
    int id = shmget(IPC_PRIVATE, 4096, IPC_CREAT | 0600);
    if (id < 0) return false;
    void* addr = shmat(id, nullptr, 0);
    shmctl(id, IPC_RMID, nullptr);
    if (addr == (void*)-1) return false;
    XShmSegmentInfo info{};
    info.shmid = id;
    info.shmaddr = (char*)addr;
    info.readOnly = False;
    XSync(g_x11.dpy, False);
    g_probe_failed = 0;
    int (*old)(Display*, XErrorEvent*) = XSetErrorHandler(ProbeErrorHandler);
    XShmAttach(g_x11.dpy, &info);
    XSync(g_x11.dpy, False);
    bool ok = !g_probe_failed;
    if (ok) {
        XShmDetach(g_x11.dpy, &info);
        XSync(g_x11.dpy, False);
    }
    XSetErrorHandler(old);
    shmdt(addr);
    return ok;
}

void* X11AllocPixels(size_t bytes, void** token) {
    if (!g_x11.shm || bytes == 0) return nullptr;
    int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0) return nullptr;
    void* addr = shmat(id, nullptr, 0);
    // Marked for removal now: the segment goes when both we and the server have detached,
    // even if the process ends abruptly.
    shmctl(id, IPC_RMID, nullptr);
    if (addr == (void*)-1) return nullptr;
    ShmBlock* block = new ShmBlock{};
    block->info.shmid = id;
    block->info.shmaddr = (char*)addr;
    block->info.readOnly = True;
    block->bytes = bytes;
    *token = block;
    return addr;
}

void X11FreePixels(void* pixels, void* token) {
    // Our mapping goes at once; the server keeps its own until the display thread detaches
    // it, so a put still in flight reads valid memory.
    if (pixels) shmdt(pixels);
    ShmBlock* block = (ShmBlock*)token;
    if (!block) return;
    Command cmd;
    cmd.type = CMD_SHM_DETACH;
    cmd.block = block;
    QueueCommand(std::move(cmd));
}

void DetachBlock(ShmBlock* block) {
    if (!block) return;
    if (block->attached && !g_x11.io_error) XShmDetach(g_x11.dpy, &block->info);
    delete block;
}

// ---- Presenting --------------------------------------------------------------------------

static void InitImage(XImage* img, const Surface* s) {
    memset(img, 0, sizeof *img);
    img->width = s->width;
    img->height = s->height;
    img->format = ZPixmap;
    img->data = (char*)s->pixels;
    const uint16_t probe = 1;
    img->byte_order = *(const uint8_t*)&probe ? LSBFirst : MSBFirst;
    img->bitmap_unit = 32;
    img->bitmap_bit_order = img->byte_order;
    img->bitmap_pad = 32;
    img->depth = g_x11.depth;
    img->bytes_per_line = s->stride;
    img->bits_per_pixel = 32;
    img->red_mask = 0xFF0000;
    img->green_mask = 0x00FF00;
    img->blue_mask = 0x0000FF;
    XInitImage(img);
}

static unsigned long ScaleToMask(uint32_t value8, unsigned long mask) {
    if (!mask) return 0;
    int shift = 0, bits = 0;
    while (!((mask >> shift) & 1)) shift++;
    while ((mask >> (shift + bits)) & 1) bits++;
    unsigned long v = bits >= 8 ? (unsigned long)value8 << (bits - 8) : (unsigned long)value8 >> (8 - bits);
    return (v << shift) & mask;
}

// Screens whose pixels are not 0x00RRGGBB words (16-bit ones, say): convert the rectangle.
static void PutConverted(Window xid, const Surface* s, const PlatRect& r) {
    int w = RectWidth(r), h = RectHeight(r);
    XImage* img = XCreateImage(g_x11.dpy, g_x11.visual, (unsigned)g_x11.depth, ZPixmap, 0, nullptr, (unsigned)w,
                               (unsigned)h, 32, 0);
    if (!img) return;
    img->data = (char*)malloc((size_t)img->bytes_per_line * (size_t)h);
    if (!img->data) {
        XDestroyImage(img);
        return;
    }
    Visual* v = g_x11.visual;
    for (int y = 0; y < h; y++) {
        const uint32_t* row = (const uint32_t*)SurfaceRow(s, r.top + y) + r.left;
        for (int x = 0; x < w; x++) {
            uint32_t c = row[x];
            unsigned long p = ScaleToMask((c >> 16) & 0xFF, v->red_mask) | ScaleToMask((c >> 8) & 0xFF, v->green_mask) |
                              ScaleToMask(c & 0xFF, v->blue_mask);
            XPutPixel(img, x, y, p);
        }
    }
    XPutImage(g_x11.dpy, xid, DefaultGC(g_x11.dpy, g_x11.screen), img, 0, 0, r.left, r.top, (unsigned)w, (unsigned)h);
    XDestroyImage(img);
}

// Returns true when the put still has to be waited for (XPutImage: the server has the
// bytes but may not have drawn them yet).
static bool PresentSlot(int slot, WindowId id, PlatRect rect, bool force_put) {
    X11Window& w = g_x11.windows[slot];
    if (!w.in_use || w.id != id || g_x11.io_error) return false;
    Display* dpy = g_x11.dpy;
    // The layer replaces and frees a window's surface only under this lock.
    std::lock_guard<std::mutex> pixels(PixelLock(slot));
    Surface* s = nullptr;
    {
        std::lock_guard<std::mutex> guard(g_table_lock);
        WindowRecord* rec = LookupWindow(id);
        if (rec) s = rec->surface;
    }
    if (!s || s->bits != 32) return false;
    rect = RectIntersect(rect, PlatRect{0, 0, s->width, s->height});
    if (RectIsEmpty(rect)) return false;
    unsigned rw = (unsigned)RectWidth(rect), rh = (unsigned)RectHeight(rect);
    GC gc = DefaultGC(dpy, g_x11.screen);
    if (!g_x11.direct_format) {
        PutConverted(w.xid, s, rect);
        return true;
    }
    XImage img;
    InitImage(&img, s);
    ShmBlock* block = (ShmBlock*)s->backend_token;
    if (s->shared && block && g_x11.shm && !force_put) {
        if (!block->attached) {
            XShmAttach(dpy, &block->info);
            block->attached = true;
        }
        img.obdata = (char*)&block->info;
        XShmPutImage(dpy, w.xid, gc, &img, rect.left, rect.top, rect.left, rect.top, rw, rh, False);
        // The server reads the segment when it runs the request: wait for that before the
        // layer may draw into these pixels again, so a frame is never shown half drawn.
        XSync(dpy, False);
        return false;
    }
    XPutImage(dpy, w.xid, gc, &img, rect.left, rect.top, rect.left, rect.top, rw, rh);
    return true;
}

void FlushDamage(void) {
    struct Item {
        int slot;
        WindowId id;
        PlatRect rect;
    };
    std::vector<Item> items;
    bool force;
    uint64_t queued;
    {
        std::lock_guard<std::mutex> guard(g_x11.lock);
        if (g_x11.damaged.empty()) return;
        for (int slot : g_x11.damaged) {
            g_damage_listed[slot] = false;
            if (g_x11.damage_id[slot]) items.push_back(Item{slot, g_x11.damage_id[slot], g_x11.damage[slot]});
            g_x11.damage_id[slot] = 0;
        }
        g_x11.damaged.clear();
        force = g_x11.force_put_image;
        queued = g_x11.presents_queued;
    }
    bool unsynced = false;
    for (const Item& it : items) unsynced |= PresentSlot(it.slot, it.id, it.rect, force);
    // Done means the server has drawn the pixels (X11WaitPresented reports this).
    if (!g_x11.io_error) {
        if (unsynced) XSync(g_x11.dpy, False);
        else XFlush(g_x11.dpy);
    }
    std::lock_guard<std::mutex> guard(g_x11.lock);
    if (g_x11.presents_done < queued) g_x11.presents_done = queued;
    g_x11.presented_cv.notify_all();
}
