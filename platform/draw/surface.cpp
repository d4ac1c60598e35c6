// Surfaces: creation and destruction of the pixel buffers every drawing context draws into,
// and whether a large one is still as it was made. A size that cannot be held in memory is
// refused with a code instead of being attempted, because a failed allocation under some
// allocators (and sanitizers) ends the process.
#include "platform/draw/surface.h"
#include "platform/draw/pixel_memory.h"

#include <fcntl.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>

// From this size on, a repaint first asks whether the buffer was ever touched (reading its
// page map costs about a millisecond per gigabyte; stretching it costs a hundred times more).
static const size_t kLargeSurfaceBytes = (size_t)32 << 20;

int SurfaceStride(int width, int bits) {
    if (width < 1) return 0;
    if (bits == 32) {
        if (width > INT32_MAX / 4) return 0;
        return width * 4;
    }
    if (bits == 8) {
        if (width > INT32_MAX - 3) return 0;
        return (width + 3) & ~3;
    }
    return 0;
}

// The most bytes a surface may take: the machine's physical memory. Anything larger could
// only be backed by overcommitted pages and would fail later, at the first touch.
static size_t SurfaceByteLimit(void) {
    long pages = sysconf(_SC_PHYS_PAGES);
    long page_size = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || page_size <= 0) return (size_t)1 << 32;
    unsigned long long total = (unsigned long long)pages * (unsigned long long)page_size;
    if (total > (unsigned long long)SIZE_MAX) return SIZE_MAX;
    return (size_t)total;
}

// A surface record of a checked size with its pixels still to come; codes as PlatCreateSurface.
static int NewSurface(Surface** out, int width, int height, int bits, size_t* bytes) {
    if (!out) return 1;
    *out = nullptr;
    if (width < 1 || height < 1 || (bits != 8 && bits != 32)) return 1;
    int stride = SurfaceStride(width, bits);
    if (stride == 0) return 3;
    unsigned long long total = (unsigned long long)stride * (unsigned long long)height;
    if (total > (unsigned long long)SurfaceByteLimit()) return 3;

    Surface* s = (Surface*)calloc(1, sizeof(Surface));
    if (!s) return 3;
    s->width = width;
    s->height = height;
    s->bits = bits;
    s->stride = stride;
    // A fresh colour table is the grey ramp, so that an 8-bit surface shows its indices as
    // grey levels until someone writes a table.
    for (int i = 0; i < 256; i++) s->palette[i] = (uint32_t)i * 0x010101u;
    *out = s;
    *bytes = (size_t)total;
    return 0;
}

int PlatCreateSurface(Surface** out, int width, int height, int bits) {
    size_t bytes = 0;
    const int code = NewSurface(out, width, height, bits, &bytes);
    if (code) return code;
    Surface* s = *out;
    s->pixels = AllocatePixels(bytes);
    if (!s->pixels) {
        free(s);
        *out = nullptr;
        return 3;
    }
    return 0;
}

int PlatCreateSurfaceToOverwrite(Surface** out, int width, int height, int bits) {
    size_t bytes = 0;
    const int code = NewSurface(out, width, height, bits, &bytes);
    if (code) return code;
    Surface* s = *out;
    s->pixels = AllocatePixelsToOverwrite(bytes);
    if (!s->pixels) {
        free(s);
        *out = nullptr;
        return 3;
    }
    // The caller writes the pixels; the bytes that pad 8-bit rows are nobody's, so they are
    // cleared here and never show what the memory held before.
    if (s->stride > width * (bits / 8))
        for (int y = 0; y < height; y++) memset(SurfaceRow(s, y) + width, 0, (size_t)(s->stride - width));
    return 0;
}

int PlatCreateSurfaceOn(Surface** out, int width, int height, uint8_t* pixels, void (*release)(uint8_t*, void*),
                        void* lent) {
    if (!out) return 1;
    *out = nullptr;
    if (width < 1 || height < 1 || !pixels || !release || SurfaceStride(width, 32) == 0) return 1;
    Surface* s = (Surface*)calloc(1, sizeof(Surface));
    if (!s) return 3;
    s->width = width;
    s->height = height;
    s->bits = 32;
    s->stride = width * 4;
    for (int i = 0; i < 256; i++) s->palette[i] = (uint32_t)i * 0x010101u;
    s->pixels = pixels;
    s->release = release;
    s->lent = lent;
    *out = s;
    return 0;
}

// Every page of the buffer neither in memory nor swapped out (bits 63 and 62 of its
// /proc/self/pagemap entry both clear): nothing has written or even read it since it was
// mapped, so it still reads as zero. Large buffers are mappings of their own that start on a
// page, so no other object shares their pages.
bool SurfaceUntouched(const Surface* surface) {
    if (!surface || !surface->pixels || surface->release) return false;   // not our own mapping
    const size_t bytes = (size_t)surface->stride * (size_t)surface->height;
    if (bytes < kLargeSurfaceBytes) return false;
    const long page_size = sysconf(_SC_PAGESIZE);
    if (page_size <= 0) return false;
    const uintptr_t first = (uintptr_t)surface->pixels / (uintptr_t)page_size;
    const uintptr_t last = ((uintptr_t)surface->pixels + bytes - 1) / (uintptr_t)page_size;
    const int fd = open("/proc/self/pagemap", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const uint64_t in_use = (uint64_t)3 << 62;
    uint64_t entries[1024];
    bool untouched = true;
    for (uintptr_t page = first; page <= last && untouched;) {
        const size_t n = (size_t)std::min<uintptr_t>(1024, last - page + 1);
        const ssize_t got = pread(fd, entries, n * sizeof(uint64_t), (off_t)(page * sizeof(uint64_t)));
        if (got != (ssize_t)(n * sizeof(uint64_t))) untouched = false;
        for (size_t i = 0; i < n && untouched; i++) untouched = !(entries[i] & in_use);
        page += n;
    }
    close(fd);
    return untouched;
}

void PlatDropKeptPixels(void) { DropKeptPixels(); }

void PlatDestroySurface(Surface* surface) {
    if (!surface) return;
    if (surface->release)
        surface->release(surface->pixels, surface->lent);
    else
        FreePixels(surface->pixels, (size_t)surface->stride * (size_t)surface->height);
    free(surface);
}
