// How an image window shows its image: painting, zoom changes, the stretch mode, and
// resizing an image by making its slot again.
#include <string.h>

#include <algorithm>

#include "imagewin/image_memory.h"
#include "imagewin/image_store.h"
#include "imagewin/image_table.h"
#include "imagewin/image_view.h"
#include "imagewin/image_watch.h"
#include "imagewin/view_fit.h"
#include "platform/draw/draw.h"
#include "platform/draw/surface.h"
#include "platform/text.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "runtime/window_rects.h"

static ImageRecord* UsedSlot(int index) {
    if ((unsigned)index >= IMAGE_SLOTS) return nullptr;
    ImageRecord* r = &image_table[index];
    return r->in_use.load(std::memory_order_acquire) ? r : nullptr;
}

// A large image that nothing has written yet shows the colour of pixel value 0 everywhere, so
// its part of the window is filled with that colour: the stretch of a fresh sheet of many
// megabytes (the paint a new image window gets before its program draws) would read every
// page of it to find the same.
static bool ShowUntouched(ImageRecord* r, int dx, int dy, int dw, int dh) {
    if (!SurfaceUntouched(r->dib)) return false;
    const PlatRect rect{dx, dy, dx + dw, dy + dh};
    PlatFillRect(r->window_dc, &rect, r->bits == 8 ? r->dib->palette[0] & 0xFFFFFFu : 0);
    return true;
}

// The whole image is drawn every time, straight onto the window's own context. Inside a paint
// that context is clipped to the damaged rectangle, and the stretch then computes only the
// window pixels inside it.
extern "C" int PXK_RedrawImage(int index) {
    ImageRecord* r = UsedSlot(index);
    if (!r) return 1;
    InspectionShown(index);
    if (r->zoom == 100 ? ShowUntouched(r, 0, 0, r->width, r->height)
                       : ShowUntouched(r, 0, 0, r->view_width, r->view_height))
        return 0;
    if (r->zoom == 100)
        PlatCopyRect(r->window_dc, 0, 0, r->width, r->height, r->memory_dc, 0, 0);
    else
        PlatStretchCopy(r->window_dc, 0, 0, r->view_width, r->view_height, r->memory_dc, 0, 0, r->width,
                        r->height);
    return 0;
}

static int64_t Gcd(int64_t a, int64_t b) {
    while (b) {
        const int64_t t = a % b;
        a = b;
        b = t;
    }
    return a;
}

// One axis of an area redraw: source pixels lo..hi (inclusive) of a size-pixel span shown in
// view pixels, widened to whole blocks of the ratio (size / g source pixels shown in view / g
// window pixels). Sets the source start and extent and the window start and extent; false
// when nothing is left after clipping.
static bool AreaAxis(int64_t lo, int64_t hi, int size, int view, int* src, int* src_n, int* dst, int* dst_n) {
    lo = std::max<int64_t>(lo, 0);
    hi = std::min<int64_t>(hi, (int64_t)size - 1);
    if (lo > hi || view <= 0) return false;
    const int64_t g = Gcd(size, view), q = size / g, p = view / g;
    const int64_t first = lo / q, last = hi / q;
    *src = (int)(first * q);
    *src_n = (int)((last - first + 1) * q);
    *dst = (int)(first * p);
    *dst_n = (int)((last - first + 1) * p);
    return true;
}

int RedrawImageArea(int index, int left, int top, int right, int bottom) {
    ImageRecord* r = UsedSlot(index);
    if (!r) return 1;
    int sx, sw, dx, dw, sy, sh, dy, dh;
    if (!AreaAxis(left, right, r->width, r->view_width, &sx, &sw, &dx, &dw)) return 0;
    if (!AreaAxis(top, bottom, r->height, r->view_height, &sy, &sh, &dy, &dh)) return 0;
    if (r->zoom == 100 ? ShowUntouched(r, sx, sy, sw, sh) : ShowUntouched(r, dx, dy, dw, dh)) return 0;
    if (r->zoom == 100)
        PlatCopyRect(r->window_dc, sx, sy, sw, sh, r->memory_dc, sx, sy);
    else
        PlatStretchCopy(r->window_dc, dx, dy, dw, dh, r->memory_dc, sx, sy, sw, sh);
    return 0;
}

extern "C" int PXK_SetZoom(int zoom, int index) {
    ImageRecord* r = UsedSlot(index);
    if (!r) return 1;
    // Messages that arrive while the window changes size find no image and leave it alone.
    r->in_use.store(0, std::memory_order_release);
    ViewFit fit;
    if (!FitImageView(r->width, r->height, zoom, r->fit_screen, &fit)) {
        r->in_use.store(1, std::memory_order_release);
        return 2;
    }
    r->zoom = fit.zoom;
    PlatRect outer;
    PlatGetWindowRect(r->window, &outer);
    PlatSetWindowPos(r->window, 0, 0, RectWidth(outer) + fit.view_width - r->view_width,
                     RectHeight(outer) + fit.view_height - r->view_height,
                     MOVE_NOMOVE | MOVE_NOZORDER | MOVE_SHOW);
    r->view_width = fit.view_width;
    r->view_height = fit.view_height;
    r->in_use.store(1, std::memory_order_release);
    PlatInvalidateRect(r->window, nullptr, false);
    PXK_UpdateImageCaption(index);
    CollectWindowRects();
    return 0;
}

extern "C" int PXK_GetStretchMode(int index) {
    ImageRecord* r = UsedSlot(index);
    if (!r) return 0;
    return PlatGetStretchMode(r->window_dc);
}

extern "C" int PXK_SetStretchMode(int mode, int index) {
    ImageRecord* r = UsedSlot(index);
    if (!r) return 1;
    if (mode == STRETCH_COLORONCOLOR || mode == STRETCH_HALFTONE) {
        PlatSetStretchMode(r->window_dc, mode);
        PlatSetBrushOrigin(r->window_dc, 0, 0);
        PlatSetStretchMode(r->memory_dc, mode);
        PlatSetBrushOrigin(r->memory_dc, 0, 0);
    }
    PlatInvalidateRect(r->window, nullptr, false);
    PXK_UpdateImageCaption(index);
    return 0;
}

int RemakeImage(int index, int width, int height, Surface** old_pixels, Surface* pixels) {
    if (old_pixels) *old_pixels = nullptr;
    ImageRecord* r = UsedSlot(index);
    if (!r) return 1;
    char title[256];
    const char* old_title = r->title ? r->title : "";
    const int title_len = Utf8CutLength(old_title, (int)strlen(old_title), 255);
    memcpy(title, old_title, (size_t)title_len);
    title[title_len] = 0;
    const int bits = r->bits;
    PlatRect outer{};
    PlatGetWindowRect(r->window, &outer);
    const int zoom = r->zoom;
    const int mode = PlatGetStretchMode(r->window_dc);
    uint32_t colors[256];
    if (bits == 8) PlatGetColorTable(r->memory_dc, 0, 256, colors);
    // The image is given up only once the new one is known to fit the screen and memory:
    // a size that cannot be made leaves the image and its window as they were. Old pixels
    // that are kept count as live until the caller frees them.
    ViewFit fit;
    const uint64_t freed = old_pixels ? 0 : ImageBufferBytes(r->width, r->height, bits);
    const int check = CheckImageCreation(width, height, zoom, bits, 1, freed, &fit);
    if (check) return check;

    if (old_pixels)
        *old_pixels = DestroyImageKeepingPixels(index);
    else
        PXK_DestroyImage(index);
    const int code = CreateImageAround(index, title, outer.left, outer.top, width, height, zoom, bits, 1, pixels);
    if (code) return code;
    if (bits == 8) PlatSetColorTable(r->memory_dc, 0, 256, colors);
    PXK_SetStretchMode(mode, index);
    return 0;
}

extern "C" int PXK_ResizeImage(int index, int width, int height) {
    return RemakeImage(index, width, height, nullptr);
}
