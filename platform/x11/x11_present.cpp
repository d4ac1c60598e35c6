// Putting window pixels on screen. When the server offers MIT-SHM, a top-level window's
// pixels live in a shared segment that the backend lends to the layer: the layer draws there,
// and a present only names the damaged rectangle to the server (XShmPutImage), which copies
// it from the segment. Otherwise (a remote display, PIXKIT_X11_NOSHM=1) each window's last
// presented pixels live in a backing copy the backend owns: a present copies the damaged
// rectangle from the layer's pixels into it while the layer holds them locked, and the
// display thread puts it with XPutImage. Damage from presents and from Expose events collects
// per window, and the display thread puts it on screen.
#include "x11_internal.h"

#include <stdlib.h>
#include <string.h>
#include <sys/ipc.h>
#include <sys/shm.h>

static bool g_damage_listed[X11_MAX_WINDOWS];

void AddDamage(WindowId window, const PlatRect& rect) {
    int slot = BackendWindowSlot(window);
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

// Allocates a segment the way backings are made (marked for removal at once, so that it
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

// A segment marked for removal at once: it goes when both we and the server have detached,
// even if the process ends abruptly. Null when the server cannot share.
static ShmBlock* AllocBlock(size_t bytes, bool lent) {
    if (!g_x11.shm || bytes == 0) return nullptr;
    int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0) return nullptr;
    void* addr = shmat(id, nullptr, 0);
    shmctl(id, IPC_RMID, nullptr);
    if (addr == (void*)-1) return nullptr;
    ShmBlock* block = new ShmBlock{};
    block->info.shmid = id;
    block->info.shmaddr = (char*)addr;
    block->info.readOnly = True;
    block->bytes = bytes;
    block->lent = lent;
    block->mapped = true;
    return block;
}

void DiscardBlock(ShmBlock* block) {
    if (!block) return;
    if (block->mapped) shmdt(block->info.shmaddr);
    delete block;
}

void DetachBlock(ShmBlock* block) {
    if (!block) return;
    if (block->attached_on && block->attached_on == g_x11.connection) XShmDetach(g_x11.dpy, &block->info);
    DiscardBlock(block);
}

// Hands a block to the display thread, which detaches it from the server after every put
// that may still name it.
static void QueueDetach(ShmBlock* block) {
    Command cmd;
    cmd.type = CMD_SHM_DETACH;
    cmd.block = block;
    QueueCommand(std::move(cmd));
}

// Forgets the backing's pixels. A copy goes (our mapping at once: the display thread reads
// it only under the backing's lock, and the server keeps its own attachment until the
// display thread detaches it); lent pixels stay with the layer's surface.
static void FreeBackingMemory(Backing& b, bool display_thread) {
    if (b.block && !b.block->lent) {
        shmdt(b.pixels);
        b.block->mapped = false;
        if (display_thread) DetachBlock(b.block);
        else QueueDetach(b.block);
    } else if (!b.block) {
        free(b.pixels);
    }
    b.pixels = nullptr;
    b.block = nullptr;
    b.width = b.height = b.stride = 0;
}

void ReleaseBacking(int slot, WindowId window, bool display_thread) {
    Backing& b = g_x11.backing[slot];
    std::lock_guard<std::mutex> guard(b.lock);
    if (window && b.id != window) return;
    FreeBackingMemory(b, display_thread);
    b.id = 0;
}

uint8_t* X11AllocWindowPixels(size_t bytes, void** handle) {
    ShmBlock* block = AllocBlock(bytes, true);
    *handle = block;
    return block ? (uint8_t*)block->info.shmaddr : nullptr;
}

// The layer no longer draws into these pixels. The backing stops naming them at once; our
// mapping stays until the display thread has detached the segment, because a put it
// started before may still name it, and the server must be able to attach it until then.
void X11FreeWindowPixels(uint8_t* pixels, void* handle) {
    ShmBlock* block = (ShmBlock*)handle;
    if (!block || (uint8_t*)block->info.shmaddr != pixels) return;
    if (block->slot > 0) {
        Backing& b = g_x11.backing[block->slot];
        std::lock_guard<std::mutex> guard(b.lock);
        if (b.block == block) {
            b.pixels = nullptr;
            b.block = nullptr;
            b.width = b.height = b.stride = 0;
        }
    }
    QueueDetach(block);
}

// Gives the backing a copy of the view's size (called with its lock held). false without memory.
static bool SizeBacking(Backing& b, WindowId window, int width, int height) {
    FreeBackingMemory(b, false);
    b.id = 0;
    size_t stride = (size_t)width * 4, bytes = stride * (size_t)height;
    ShmBlock* block = AllocBlock(bytes, false);
    uint8_t* pixels = block ? (uint8_t*)block->info.shmaddr : (uint8_t*)malloc(bytes);
    if (!pixels) return false;
    b.id = window;
    b.pixels = pixels;
    b.block = block;
    b.width = width;
    b.height = height;
    b.stride = (int)stride;
    return true;
}

// Lent pixels: the backing names the layer's surface, and nothing is copied. A surface the
// backing does not name yet (a new window, a new size) is put whole.
static bool LendBacking(Backing& b, WindowId window, int slot, const PixelView* view) {
    ShmBlock* block = (ShmBlock*)view->lent;
    if (b.id == window && b.block == block) return false;
    FreeBackingMemory(b, false);
    block->slot = slot;
    b.id = window;
    b.pixels = (uint8_t*)view->pixels;
    b.block = block;
    b.width = view->width;
    b.height = view->height;
    b.stride = view->stride;
    return true;
}

void X11Present(WindowId window, const PixelView* view, const PlatRect* rect) {
    int slot = BackendWindowSlot(window);
    if (slot <= 0 || slot >= X11_MAX_WINDOWS || !view || !rect) return;
    const PlatRect all{0, 0, view->width, view->height};
    PlatRect r = RectIntersect(*rect, all);
    if (RectIsEmpty(r)) return;
    {
        Backing& b = g_x11.backing[slot];
        std::lock_guard<std::mutex> guard(b.lock);
        if (view->lent) {
            if (LendBacking(b, window, slot, view)) r = all;
        } else {
            if (b.id != window || (b.block && b.block->lent) || b.width != view->width ||
                b.height != view->height) {
                // A new or resized window: the backing starts as a copy of all its pixels.
                if (!SizeBacking(b, window, view->width, view->height)) return;
                r = all;
            }
            size_t row_bytes = (size_t)RectWidth(r) * 4;
            for (int y = r.top; y < r.bottom; y++)
                memcpy(b.pixels + (size_t)y * b.stride + (size_t)r.left * 4,
                       view->pixels + (size_t)y * view->stride + (size_t)r.left * 4, row_bytes);
        }
    }
    AddDamage(window, r);
}

// ---- Presenting --------------------------------------------------------------------------

static void InitImage(XImage* img, const Backing& s) {
    memset(img, 0, sizeof *img);
    img->width = s.width;
    img->height = s.height;
    img->format = ZPixmap;
    img->data = (char*)s.pixels;
    const uint16_t probe = 1;
    img->byte_order = *(const uint8_t*)&probe ? LSBFirst : MSBFirst;
    img->bitmap_unit = 32;
    img->bitmap_bit_order = img->byte_order;
    img->bitmap_pad = 32;
    img->depth = g_x11.depth;
    img->bytes_per_line = s.stride;
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

unsigned long X11PixelOf(uint32_t rgb) {
    if (g_x11.direct_format) return rgb & 0xFFFFFFu;
    Visual* v = g_x11.visual;
    return ScaleToMask((rgb >> 16) & 0xFF, v->red_mask) | ScaleToMask((rgb >> 8) & 0xFF, v->green_mask) |
           ScaleToMask(rgb & 0xFF, v->blue_mask);
}

// Screens whose pixels are not 0x00RRGGBB words (16-bit ones, say): convert the rectangle.
static void PutConverted(Window xid, const Backing& s, const PlatRect& r) {
    int w = RectWidth(r), h = RectHeight(r);
    XImage* img = XCreateImage(g_x11.dpy, g_x11.visual, (unsigned)g_x11.depth, ZPixmap, 0, nullptr, (unsigned)w,
                               (unsigned)h, 32, 0);
    if (!img) return;
    img->data = (char*)malloc((size_t)img->bytes_per_line * (size_t)h);
    if (!img->data) {
        XDestroyImage(img);
        return;
    }
    for (int y = 0; y < h; y++) {
        const uint32_t* row = (const uint32_t*)(s.pixels + (size_t)(r.top + y) * s.stride) + r.left;
        for (int x = 0; x < w; x++) XPutPixel(img, x, y, X11PixelOf(row[x]));
    }
    XPutImage(g_x11.dpy, xid, DefaultGC(g_x11.dpy, g_x11.screen), img, 0, 0, r.left, r.top, (unsigned)w, (unsigned)h);
    XDestroyImage(img);
}

static void AttachBlock(ShmBlock* block) {
    if (block->attached_on == g_x11.connection) return;
    XShmAttach(g_x11.dpy, &block->info);
    block->attached_on = g_x11.connection;
}

// Puts a rectangle of the backing on screen. Lent pixels are only named (the block lives
// until the display thread itself deletes it), so the backing's lock is not held while the
// server is spoken to; pixels this process reads for the put are read under it.
static void PresentSlot(int slot, WindowId id, PlatRect rect, bool force_put) {
    X11Window& w = g_x11.windows[slot];
    if (!w.in_use || w.id != id) return;
    Display* dpy = g_x11.dpy;
    Backing& s = g_x11.backing[slot];
    std::unique_lock<std::mutex> guard(s.lock);
    if (s.id != id || !s.pixels) return;   // nothing presented yet: the background shows
    rect = RectIntersect(rect, PlatRect{0, 0, s.width, s.height});
    if (RectIsEmpty(rect)) return;
    unsigned rw = (unsigned)RectWidth(rect), rh = (unsigned)RectHeight(rect);
    GC gc = DefaultGC(dpy, g_x11.screen);
    if (!g_x11.direct_format) {
        PutConverted(w.xid, s, rect);
        return;
    }
    XImage img;
    InitImage(&img, s);
    if (s.block && !force_put) {
        ShmBlock* block = s.block;
        if (block->lent) guard.unlock();
        AttachBlock(block);
        img.obdata = (char*)&block->info;
        XShmPutImage(dpy, w.xid, gc, &img, rect.left, rect.top, rect.left, rect.top, rw, rh, False);
        // A copy is read by the server when it runs the request: wait for that before a
        // present may copy into the backing again, so a frame is never shown half copied.
        if (!block->lent) XSync(dpy, False);
        return;
    }
    XPutImage(dpy, w.xid, gc, &img, rect.left, rect.top, rect.left, rect.top, rw, rh);
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
    for (const Item& it : items) PresentSlot(it.slot, it.id, it.rect, force);
    // Done means the server has drawn the pixels (X11WaitPresented reports this).
    XSync(g_x11.dpy, False);
    std::lock_guard<std::mutex> guard(g_x11.lock);
    if (g_x11.presents_done < queued) g_x11.presents_done = queued;
    g_x11.presented_cv.notify_all();
}
