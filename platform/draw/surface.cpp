// Surfaces: creation and destruction of the pixel buffers every drawing context draws into,
// and whether a large one is still as it was made. A size that cannot be held in memory is
// refused with a code instead of being attempted, because a failed allocation under some
// allocators (and sanitizers) ends the process.
#include "platform/draw/surface.h"

#include <fcntl.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

// From this size on a buffer is a mapping of its own, fresh from the system (the allocator
// serves every request above 32 MiB by a new mapping), and gets huge pages.
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

// A large surface's zero pages are only mapped when first written; with huge pages that is
// one fault per 2 MiB instead of one per 4 KiB, which is most of the time a first fill of a
// sheet of a gigabyte takes. A hint only: where the system declines, nothing changes.
static void AskForHugePages(uint8_t* pixels, size_t bytes) {
#if defined(MADV_HUGEPAGE)
    if (bytes < kLargeSurfaceBytes) return;
    const uintptr_t page = 4096;
    uintptr_t start = ((uintptr_t)pixels + page - 1) & ~(page - 1);
    uintptr_t end = ((uintptr_t)pixels + bytes) & ~(page - 1);
    if (end > start) madvise((void*)start, end - start, MADV_HUGEPAGE);
#else
    (void)pixels;
    (void)bytes;
#endif
}

int PlatCreateSurface(Surface** out, int width, int height, int bits) {
    if (!out) return 1;
    *out = nullptr;
    if (width < 1 || height < 1 || (bits != 8 && bits != 32)) return 1;
    int stride = SurfaceStride(width, bits);
    if (stride == 0) return 3;
    unsigned long long bytes = (unsigned long long)stride * (unsigned long long)height;
    if (bytes > (unsigned long long)SurfaceByteLimit()) return 3;

    Surface* s = (Surface*)calloc(1, sizeof(Surface));
    if (!s) return 3;
    s->width = width;
    s->height = height;
    s->bits = bits;
    s->stride = stride;
    // A fresh colour table is the grey ramp, so that an 8-bit surface shows its indices as
    // grey levels until someone writes a table.
    for (int i = 0; i < 256; i++) s->palette[i] = (uint32_t)i * 0x010101u;

    s->pixels = (uint8_t*)calloc(1, (size_t)bytes);
    if (!s->pixels) {
        free(s);
        return 3;
    }
    AskForHugePages(s->pixels, (size_t)bytes);
    *out = s;
    return 0;
}

// Whether the bytes [from, to) of one mapped page are all zero.
static bool BytesZero(const uint8_t* from, const uint8_t* to) {
    for (; from < to; from++)
        if (*from) return false;
    return true;
}

// Every page of the buffer either not in memory and not swapped out (bits 63 and 62 of its
// /proc/self/pagemap entry both clear: it still reads as zero), or one of the two pages the
// buffer only partly covers, which the allocator's own header may have mapped, with the
// buffer's bytes in it all zero.
bool SurfaceUntouched(const Surface* surface) {
    if (!surface || !surface->pixels) return false;
    const size_t bytes = (size_t)surface->stride * (size_t)surface->height;
    if (bytes < kLargeSurfaceBytes) return false;
    const long page_size = sysconf(_SC_PAGESIZE);
    if (page_size <= 0) return false;
    const uintptr_t begin = (uintptr_t)surface->pixels, end = begin + bytes;
    const uintptr_t first = begin / (uintptr_t)page_size, last = (end - 1) / (uintptr_t)page_size;
    const int fd = open("/proc/self/pagemap", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const uint64_t in_use = (uint64_t)3 << 62;
    uint64_t entries[1024];
    bool untouched = true;
    for (uintptr_t page = first; page <= last && untouched;) {
        const size_t n = (size_t)std::min<uintptr_t>(1024, last - page + 1);
        const ssize_t got = pread(fd, entries, n * sizeof(uint64_t), (off_t)(page * sizeof(uint64_t)));
        if (got != (ssize_t)(n * sizeof(uint64_t))) {
            untouched = false;
            break;
        }
        for (size_t i = 0; i < n && untouched; i++) {
            if (!(entries[i] & in_use)) continue;
            const uintptr_t at = page + i;
            if (at != first && at != last) untouched = false;
            else {
                const uintptr_t lo = std::max(begin, at * (uintptr_t)page_size);
                const uintptr_t hi = std::min(end, (at + 1) * (uintptr_t)page_size);
                untouched = BytesZero((const uint8_t*)lo, (const uint8_t*)hi);
            }
        }
        page += n;
    }
    close(fd);
    return untouched;
}

void PlatDestroySurface(Surface* surface) {
    if (!surface) return;
    free(surface->pixels);
    free(surface);
}
