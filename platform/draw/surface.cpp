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

// Buffers of a megabyte and more are mapped straight from the system, whose fresh pages read
// as zero until first written, so that nothing writes the whole buffer before its owner
// does: calloc clears with a full pass what it hands out again from its own heap, and its
// heap takes blocks of up to 32 MiB once large blocks have come and gone.
static const size_t kMappedPixelBytes = (size_t)1 << 20;

// A large surface's zero pages are only mapped when first written; with huge pages that is
// one fault per 2 MiB instead of one per 4 KiB, which is most of the time a first fill of a
// sheet of a gigabyte takes. Only buffers mapped on their own are advised, so that the advice
// never reaches the heap's other blocks. A hint only: where the system declines, nothing changes.
static void AskForHugePages(uint8_t* pixels, size_t bytes) {
#if defined(MADV_HUGEPAGE)
    if (bytes < kMappedPixelBytes) return;
    const uintptr_t page = 4096;
    uintptr_t start = ((uintptr_t)pixels + page - 1) & ~(page - 1);
    uintptr_t end = ((uintptr_t)pixels + bytes) & ~(page - 1);
    if (end > start) madvise((void*)start, end - start, MADV_HUGEPAGE);
#else
    (void)pixels;
    (void)bytes;
#endif
}

// A mapping's length is a whole number of 2 MiB, which the system places on a 2 MiB boundary,
// so that huge pages cover the buffer to its ends.
static size_t MappedLength(size_t bytes) {
    const size_t huge = (size_t)2 << 20;
    return (bytes + huge - 1) & ~(huge - 1);
}

static uint8_t* AllocatePixels(size_t bytes) {
    if (bytes < kMappedPixelBytes) return (uint8_t*)calloc(1, bytes);
    const size_t length = MappedLength(bytes);
    void* p = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return nullptr;
    AskForHugePages((uint8_t*)p, length);
    return (uint8_t*)p;
}

static void FreePixels(uint8_t* pixels, size_t bytes) {
    if (bytes < kMappedPixelBytes)
        free(pixels);
    else if (pixels)
        munmap(pixels, MappedLength(bytes));
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

    s->pixels = AllocatePixels((size_t)bytes);
    if (!s->pixels) {
        free(s);
        return 3;
    }
    *out = s;
    return 0;
}

// Every page of the buffer neither in memory nor swapped out (bits 63 and 62 of its
// /proc/self/pagemap entry both clear): nothing has written or even read it since it was
// mapped, so it still reads as zero. Large buffers are mappings of their own that start on a
// page, so no other object shares their pages.
bool SurfaceUntouched(const Surface* surface) {
    if (!surface || !surface->pixels) return false;
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

void PlatDestroySurface(Surface* surface) {
    if (!surface) return;
    FreePixels(surface->pixels, (size_t)surface->stride * (size_t)surface->height);
    free(surface);
}
