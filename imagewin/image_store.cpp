// The image store's operations on whole slots: create (window, contexts and pixel buffer),
// destroy, the colour table of the current image, reading a rectangle of the current image,
// and finding a slot by its window.
//
// A slot is published by setting in_use last and withdrawn by clearing it first, so that
// window messages and the main thread's look-ups never see a half-made image.
#include "imagewin/image_store.h"

#include <atomic>
#include <stdlib.h>
#include <string.h>

#include "imagewin/image_caption.h"
#include "imagewin/image_watch.h"
#include "imagewin/image_memory.h"
#include "imagewin/image_table.h"
#include "imagewin/view_fit.h"
#include "platform/draw/draw.h"
#include "platform/draw/surface.h"
#include "platform/text.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "runtime/startup_state.h"
#include "runtime/window_rects.h"

static bool SlotInUse(unsigned index) {
    return index < IMAGE_SLOTS && image_table[index].in_use.load(std::memory_order_acquire) != 0;
}

PlatSize ImageWindowOuterSize(int view_width, int view_height) {
    PlatRect r{0, 0, view_width, view_height};
    PlatAdjustWindowRect(&r, IMAGE_WINDOW_STYLE, 0, false);
    return PlatSize{RectWidth(r), RectHeight(r)};
}

static char* CopyTitle(const char* title) {
    if (!title) title = "";
    const size_t n = strlen(title);
    char* copy = (char*)malloc(n + 1);
    if (copy) memcpy(copy, title, n + 1);
    return copy;
}

static WindowId CreateImageWindow(const ImageRecord& r, int x, int y) {
    char caption[IMAGE_CAPTION_MAX + 1];
    FormatImageCaption(r.title, r.zoom, r.bits, false, caption, sizeof caption);
    char16_t text[IMAGE_CAPTION_MAX + 1];
    Utf8ToUtf16(caption, -1, text, IMAGE_CAPTION_MAX + 1);

    const PlatSize outer = ImageWindowOuterSize(r.view_width, r.view_height);
    WindowCreate wc{};
    wc.class_name = "pxk_iw";
    wc.text = text;
    wc.style = IMAGE_WINDOW_STYLE;
    wc.ex_style = 0;
    wc.x = x == -1 ? POSITION_DEFAULT : x;
    wc.y = y == -1 ? POSITION_DEFAULT : y;
    wc.width = outer.cx;
    wc.height = outer.cy;
    wc.owner = main_window.load(std::memory_order_acquire);
    return PlatCreateWindow(&wc);
}

static void SetContextStretch(DrawContext* dc, int mode) {
    PlatSetStretchMode(dc, mode);
    PlatSetBrushOrigin(dc, 0, 0);
}

int CheckImageCreation(int width, int height, int zoom, int bits, int fit_screen, uint64_t freed_bytes,
                       ViewFit* fit) {
    if (!FitImageView(width < 1 ? 1 : width, height < 1 ? 1 : height, zoom, fit_screen, fit)) return 2;
    uint64_t live = LiveImageBytes();
    live = live > freed_bytes ? live - freed_bytes : 0;
    const uint64_t bytes = ImageBufferBytes(width, height, bits);
    if (FitsInMemory(live, bytes, ReadMemoryLimits())) return 0;
    // Memory that freed images left for reuse counts as used until the system takes it back.
    PlatDropKeptPixels();
    return FitsInMemory(live, bytes, ReadMemoryLimits()) ? 0 : 3;
}

int CreateImageAround(int index, const char* title, int x, int y, int width, int height, int zoom, int bits,
                      int fit_screen, Surface* pixels) {
    if ((unsigned)index >= IMAGE_SLOTS) return 4;
    ImageRecord& r = image_table[index];
    if (r.in_use.load(std::memory_order_acquire)) return 1;
    if (bits != 8 && bits != 32) return 3;

    r.bits = bits;
    r.fit_screen = fit_screen;
    r.width = width < 1 ? 1 : width;
    r.height = height < 1 ? 1 : height;
    if (pixels && (pixels->width != r.width || pixels->height != r.height || pixels->bits != bits)) return 1;
    ViewFit fit;
    const int check = CheckImageCreation(r.width, r.height, zoom, bits, fit_screen, 0, &fit);
    if (check) return check;
    r.view_width = fit.view_width;
    r.view_height = fit.view_height;
    r.zoom = fit.zoom;

    r.title = CopyTitle(title);
    if (!r.title) return 3;
    const WindowId window = CreateImageWindow(r, x, y);
    // The main thread reads the handle when it rebuilds the window rectangle list.
    std::atomic_ref<WindowId>(r.window).store(window, std::memory_order_relaxed);
    if (!window) {
        free(r.title);
        r.title = nullptr;
        return 3;
    }
    PlatUpdateWindow(r.window);
    PlatSetForegroundWindow(r.window);
    PlatDragAcceptFiles(r.window, true);

    r.window_dc = PlatGetWindowContext(r.window);
    if (r.window_dc) SetContextStretch(r.window_dc, STRETCH_COLORONCOLOR);
    r.memory_dc = PlatCreateMemoryContext(nullptr);
    Surface* dib = pixels;
    if (!r.window_dc || !r.memory_dc || (!dib && PlatCreateSurface(&dib, r.width, r.height, bits) != 0)) {
        // Without its pixels the window would show nothing and could never be closed through
        // its slot, so it goes at once and the slot stays free.
        if (r.memory_dc) PlatDeleteContext(r.memory_dc);
        r.memory_dc = nullptr;
        r.window_dc = nullptr;
        PlatDestroyWindow(r.window);
        free(r.title);
        r.title = nullptr;
        return 3;
    }
    SetContextStretch(r.memory_dc, STRETCH_COLORONCOLOR);
    r.dib = dib;
    image_pixels[index] = dib->pixels;
    r.old_bitmap = r.memory_dc->surface;
    // A new surface is already all zero with the grey ramp as its colour table (or the pixels
    // made beforehand). It is not cleared again here: that would touch every page of a large
    // buffer at once.
    PlatSelectSurface(r.memory_dc, dib);

    r.in_use.store(1, std::memory_order_release);
    CollectWindowRects();
    PXK_SelectImage(index);
    return 0;
}

extern "C" int PXK_CreateImageEx(int index, const char* title, int x, int y, int width, int height,
                                 int zoom, int bits, int fit_screen) {
    return CreateImageAround(index, title, x, y, width, height, zoom, bits, fit_screen, nullptr);
}

extern "C" int PXK_CreateImage(int index, const char* title, int x, int y, int width, int height, int zoom) {
    return PXK_CreateImageEx(index, title, x, y, width, height, zoom, 32, 1);
}
extern "C" int PXK_CreateImage8(int index, const char* title, int x, int y, int width, int height, int zoom) {
    return PXK_CreateImageEx(index, title, x, y, width, height, zoom, 8, 1);
}
extern "C" int PXK_CreateImageFL(int index, const char* title, int x, int y, int width, int height, int zoom) {
    return PXK_CreateImageEx(index, title, x, y, width, height, zoom, 32, 0);
}
extern "C" int PXK_CreateImage8FL(int index, const char* title, int x, int y, int width, int height, int zoom) {
    return PXK_CreateImageEx(index, title, x, y, width, height, zoom, 8, 0);
}

// Withdraws the slot and frees all it holds but its pixel buffer, which is returned.
static Surface* TakeDownSlot(int index) {
    ImageRecord& r = image_table[index];
    r.in_use.store(0, std::memory_order_release);
    PlatSelectSurface(r.memory_dc, r.old_bitmap);
    Surface* pixels = r.dib;
    r.dib = nullptr;
    image_pixels[index] = nullptr;
    PlatDeleteContext(r.memory_dc);
    r.memory_dc = nullptr;
    // The window's own context is freed with the window.
    r.window_dc = nullptr;
    free(r.title);
    r.title = nullptr;
    // The handle stays (stale) in the record: the main thread may be reading it.
    PlatDestroyWindow(r.window);
    return pixels;
}

extern "C" int PXK_DestroyImage(int index) {
    if (!SlotInUse((unsigned)index)) return 1;
    PlatDestroySurface(TakeDownSlot(index));
    InspectionShown(index);
    return 0;
}

Surface* DestroyImageKeepingPixels(int index) {
    return SlotInUse((unsigned)index) ? TakeDownSlot(index) : nullptr;
}

// The current image when it is 8-bit: 0; otherwise the palette operations' code.
static int CurrentPaletteImage(ImageRecord** out) {
    ImageRecord* r = CurrentImageRecord();
    if (!r->in_use.load(std::memory_order_acquire)) return 1;
    if (r->bits != 8) return 2;
    *out = r;
    return 0;
}

extern "C" int PXK_GetPalette(PXK_Color* palette) {
    ImageRecord* r = nullptr;
    const int code = CurrentPaletteImage(&r);
    if (code) return code;
    if (palette) PlatGetColorTable(r->memory_dc, 0, 256, (uint32_t*)palette);
    return 0;
}

// A count above 256 writes the whole table and no more.
extern "C" int PXK_SetPalette(const PXK_Color* palette, int count) {
    ImageRecord* r = nullptr;
    const int code = CurrentPaletteImage(&r);
    if (code) return code;
    if (count > 256) count = 256;
    if (palette && count > 0) PlatSetColorTable(r->memory_dc, 0, count, (const uint32_t*)palette);
    PlatInvalidateRect(r->window, nullptr, false);
    return 0;
}

extern "C" int PXK_ReadImageRect(void* buffer, int x, int y, int width, int height) {
    const int index = CurrentImageIndex() & (IMAGE_SLOTS - 1);
    const ImageRecord& r = image_table[index];
    if (!r.in_use.load(std::memory_order_acquire)) return 1;
    if (!buffer || width <= 0 || height <= 0) return 0;
    const uint8_t* pixels = image_pixels[index];
    const size_t stride = (size_t)ImageStride(&r);
    for (int j = 0; j < height; j++) {
        const int64_t sy = (int64_t)y + j;
        const bool row_inside = sy >= 0 && sy < r.height;
        const uint8_t* row = row_inside ? pixels + (size_t)sy * stride : nullptr;
        if (r.bits == 32) {
            uint32_t* out = (uint32_t*)buffer + (size_t)j * (size_t)width;
            for (int i = 0; i < width; i++) {
                const int64_t sx = (int64_t)x + i;
                out[i] = row && sx >= 0 && sx < r.width ? ((const uint32_t*)row)[sx] : 0;
            }
        } else {
            uint8_t* out = (uint8_t*)buffer + (size_t)j * (size_t)width;
            for (int i = 0; i < width; i++) {
                const int64_t sx = (int64_t)x + i;
                out[i] = row && sx >= 0 && sx < r.width ? row[sx] : 0;
            }
        }
    }
    return 0;
}

// Any slot, not only the current one, so a program can size a buffer before it selects it.
extern "C" int PXK_GetImageSize(int index, int* width, int* height, int* bits) {
    const bool used = index >= 0 && index < IMAGE_SLOTS && image_table[index].in_use.load(std::memory_order_acquire);
    const ImageRecord* r = used ? &image_table[index] : nullptr;
    if (width) *width = r ? r->width : 0;
    if (height) *height = r ? r->height : 0;
    if (bits) *bits = r ? r->bits : 0;
    return r ? 0 : 1;
}

extern "C" int PXK_FindImageByWindow(PXK_Window window) {
    if (!window) return -1;
    for (int i = 0; i < IMAGE_SLOTS; i++)
        if (image_table[i].in_use.load(std::memory_order_acquire) && image_table[i].window == window) return i;
    return -1;
}

extern "C" int PXK_SelectImageByWindow(PXK_Window window) {
    const int index = PXK_FindImageByWindow(window);
    PXK_SelectImage(index);
    return index;
}

// For the window rectangle list: the outer rectangles of the image windows, in slot order.
int AppendImageWindowRects(PlatRect* out, int max) {
    int n = 0;
    for (int i = 0; i < IMAGE_SLOTS && n < max; i++) {
        const ImageRecord& r = image_table[i];
        if (!r.in_use.load(std::memory_order_acquire)) continue;
        const WindowId window =
            std::atomic_ref<WindowId>(const_cast<WindowId&>(r.window)).load(std::memory_order_relaxed);
        if (PlatGetWindowRect(window, &out[n]) == 0) n++;
    }
    return n;
}
