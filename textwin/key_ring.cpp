// The key ring of line input: a single-writer, single-reader ring of 256 UTF-16 units, the
// paste request and the last line entered, and the clipboard line that Ctrl+V pastes.
//
// ring_write counts the units ever stored and ring_read the units ever taken; both only grow
// (modulo 2^32), so "empty" is ring_read == ring_write and "full" is a difference of 256,
// and each counter has exactly one thread that writes it.
#include "textwin/key_ring.h"

#include "platform/backend.h"
#include "platform/clipboard.h"

#include <stdlib.h>
#include <string.h>

static char16_t key_ring[KEY_RING_UNITS];
static std::atomic<uint32_t> ring_read{0};
static std::atomic<uint32_t> ring_write{0};

std::atomic<int> pxk::paste_request{0};
std::atomic<int> pxk::ignored_key_press{0};
std::atomic<int> pxk::lines_expected{0};
char16_t pxk::last_line[256];

bool PutKeyUnit(char16_t unit) {
    uint32_t w = ring_write.load(std::memory_order_relaxed);
    uint32_t r = ring_read.load(std::memory_order_acquire);
    if (w - r >= KEY_RING_UNITS) return false;   // full: the unit is dropped
    key_ring[w % KEY_RING_UNITS] = unit;
    ring_write.store(w + 1, std::memory_order_release);
    return true;
}

char16_t TakeKeyUnit(void) {
    uint32_t r = ring_read.load(std::memory_order_relaxed);
    uint32_t w = ring_write.load(std::memory_order_acquire);
    if (r == w) return 0;
    char16_t unit = key_ring[r % KEY_RING_UNITS];
    ring_read.store(r + 1, std::memory_order_release);
    return unit;
}

int KeyRingCount(void) {
    uint32_t w = ring_write.load(std::memory_order_acquire);
    uint32_t r = ring_read.load(std::memory_order_acquire);
    return (int)(w - r);
}

bool KeyRingFull(void) { return KeyRingCount() >= KEY_RING_UNITS; }

void ResetKeyRing(void) {
    ring_read.store(0);
    ring_write.store(0);
    paste_request.store(PASTE_NONE);
    ignored_key_press.store(0);
    lines_expected.store(0);
    memset(last_line, 0, sizeof last_line);
}

int ReadClipboardLine(char16_t* units, int max) {
    size_t size = 0;
    uint8_t* bytes = PlatGetClipboard(CLIP_UNICODETEXT, &size);
    if (!bytes) return 0;
    size_t available = size / sizeof(char16_t);
    int n = 0;
    for (size_t i = 0; i < available && n < max; i++) {
        char16_t u;
        memcpy(&u, bytes + i * sizeof(char16_t), sizeof u);
        if (u == 0 || u == u'\n' || u == u'\r') break;
        units[n++] = u;
    }
    free(bytes);
    return n;
}
