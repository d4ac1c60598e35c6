// Surfaces: pixel buffers the layer draws into and presents. 32-bit surfaces hold words
// 0x00RRGGBB; 8-bit surfaces hold indices into a 256-entry colour table, each row padded
// to a multiple of 4 bytes. Rows are stored top first; pixels are zero at creation.
#pragma once

#include "platform/plat_types.h"

#include <memory>

struct Surface {
    int width;
    int height;
    int bits;                 // 8 or 32
    int stride;               // bytes per row
    uint8_t* pixels;
    uint32_t palette[256];    // 0x00RRGGBB; used by 8-bit surfaces
    // Pixels lent by someone else (a window's pixels that the display reads in place) go back
    // through release with their handle; null for the layer's own memory.
    void (*release)(uint8_t* pixels, void* handle);
    void* lent;
};

// 0 done; 1 bad size or bits; 3 no memory. Width and height must be at least 1.
int PlatCreateSurface(Surface** out, int width, int height, int bits);
void PlatDestroySurface(Surface* surface);
// A surface owned by its holder: destroyed when the holder goes, on every path out.
struct SurfaceDeleter {
    void operator()(Surface* surface) const { PlatDestroySurface(surface); }
};
using SurfacePtr = std::unique_ptr<Surface, SurfaceDeleter>;
// As PlatCreateSurface, but its pixels hold anything: the caller writes every pixel before
// anything reads them (bytes that pad 8-bit rows are zero). A large one may be memory a
// surface freed a moment ago, which spares the system clearing fresh pages.
int PlatCreateSurfaceToOverwrite(Surface** out, int width, int height, int bits);
// Gives the memory of freed surfaces that is kept for reuse back to the system at once.
void PlatDropKeptPixels(void);
// A 32-bit surface over zeroed memory of stride width * 4 that someone else lent; destroying
// the surface hands it back through release. 0 done; 1 bad size; 3 no memory (nothing is
// released then: the caller still owns the pixels).
int PlatCreateSurfaceOn(Surface** out, int width, int height, uint8_t* pixels, void (*release)(uint8_t*, void*),
                        void* lent);
static inline uint8_t* SurfaceRow(const Surface* s, int y) { return s->pixels + (size_t)y * (size_t)s->stride; }
// Bytes per row for a width and bit count (8-bit rows padded to 4 bytes).
int SurfaceStride(int width, int bits);
// True when the pixels of a large surface are still all zero because nothing has written
// them since creation: the system maps a fresh buffer's pages only at their first use, so a
// page it has neither mapped nor swapped out still reads as zero. Answers from the page
// tables, without touching the pixels. False when it cannot tell: small surfaces (their
// memory may be reused), a page read or written, no /proc.
bool SurfaceUntouched(const Surface* surface);
