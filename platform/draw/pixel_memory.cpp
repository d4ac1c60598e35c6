// Memory for surface pixels. Buffers of a megabyte and more are mapped straight from the
// system, whose fresh pages read as zero until first written, so that nothing writes the
// whole buffer before its owner does: calloc clears with a full pass what it hands out again
// from its own heap, and its heap takes blocks of up to 32 MiB once large blocks have come
// and gone.
//
// Every first write to a fresh page costs a fault in which the system clears the page; for a
// new image that a size step fills at once that clearing takes about as long as the stretch
// itself. So the last few large mappings freed are kept, handed to the system as lazily free
// (MADV_FREE: under memory pressure it takes their pages back, which then read as zero
// again), and given out again only to owners that overwrite them whole. Nobody else ever
// sees their old bytes.
#include "platform/draw/pixel_memory.h"
#include "platform/layer_mutex.h"

#include <stdlib.h>
#include <sys/mman.h>

#include <mutex>

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
// so that huge pages cover the buffer to its ends. Lengths so rounded also let an image and
// one a few pixels larger or smaller share a kept mapping.
static size_t MappedLength(size_t bytes) {
    const size_t huge = (size_t)2 << 20;
    return (bytes + huge - 1) & ~(huge - 1);
}

// The mappings kept, newest last. Two cover a size step and the step back (the image
// replaced and the one before it); larger mappings than the limit go back at once, so what
// is kept never weighs much against the memory images may take.
enum { KEPT_MAPPINGS = 2 };
static const size_t kKeptMaxBytes = (size_t)256 << 20;

struct KeptMapping {
    uint8_t* base;
    size_t length;
};

static LayerMutex g_kept_lock;
static KeptMapping g_kept[KEPT_MAPPINGS];
static int g_kept_count = 0;

static uint8_t* TakeKept(size_t length) {
    std::lock_guard<LayerMutex> guard(g_kept_lock);
    for (int i = g_kept_count - 1; i >= 0; i--) {
        if (g_kept[i].length != length) continue;
        uint8_t* base = g_kept[i].base;
        for (int j = i + 1; j < g_kept_count; j++) g_kept[j - 1] = g_kept[j];
        g_kept_count--;
        return base;
    }
    return nullptr;
}

// Keeps a freed mapping; the oldest kept one goes back to the system when all places are taken.
static void Keep(uint8_t* base, size_t length) {
#if defined(MADV_FREE)
    madvise(base, length, MADV_FREE);
#endif
    KeptMapping dropped{nullptr, 0};
    {
        std::lock_guard<LayerMutex> guard(g_kept_lock);
        if (g_kept_count == KEPT_MAPPINGS) {
            dropped = g_kept[0];
            for (int j = 1; j < g_kept_count; j++) g_kept[j - 1] = g_kept[j];
            g_kept_count--;
        }
        g_kept[g_kept_count++] = KeptMapping{base, length};
    }
    if (dropped.base) munmap(dropped.base, dropped.length);
}

void DropKeptPixels(void) {
    KeptMapping dropped[KEPT_MAPPINGS];
    int n;
    {
        std::lock_guard<LayerMutex> guard(g_kept_lock);
        n = g_kept_count;
        for (int i = 0; i < n; i++) dropped[i] = g_kept[i];
        g_kept_count = 0;
    }
    for (int i = 0; i < n; i++) munmap(dropped[i].base, dropped[i].length);
}

uint8_t* AllocatePixels(size_t bytes) {
    if (bytes < kMappedPixelBytes) return (uint8_t*)calloc(1, bytes);
    const size_t length = MappedLength(bytes);
    void* p = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return nullptr;
    AskForHugePages((uint8_t*)p, length);
    return (uint8_t*)p;
}

uint8_t* AllocatePixelsToOverwrite(size_t bytes) {
    if (bytes >= kMappedPixelBytes)
        if (uint8_t* kept = TakeKept(MappedLength(bytes))) return kept;
    return AllocatePixels(bytes);
}

void FreePixels(uint8_t* pixels, size_t bytes) {
    if (bytes < kMappedPixelBytes) {
        free(pixels);
    } else if (pixels) {
        const size_t length = MappedLength(bytes);
        if (length <= kKeptMaxBytes) Keep(pixels, length);
        else munmap(pixels, length);
    }
}
