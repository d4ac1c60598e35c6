// The headless backend: no display. Windows exist only in the layer's memory, the screen is
// a fixed size (1920 x 1080, 32 bits per pixel unless configured), input comes from the test
// driver, and the clipboard is held in memory.
#include "../backend.h"
#include "headless_state.h"

#include <map>
#include <stdio.h>
#include <mutex>
#include <stdlib.h>
#include <string.h>
#include <vector>

static ScreenInfo g_screen{1920, 1080, 32, {0, 0, 1920, 1080}};
static std::mutex g_clip_lock;
static std::map<int, std::vector<uint8_t>> g_clipboard;
std::atomic<uint64_t> g_headless_presents{0};

void HeadlessConfigure(int width, int height, int bits) {
    if (width > 0 && height > 0) {
        g_screen.width = width;
        g_screen.height = height;
        g_screen.work_area = PlatRect{0, 0, width, height};
    }
    if (bits > 0) g_screen.bits = bits;
}

static int HeadlessInit(void) {
    const char* size = getenv("PIXKIT_HEADLESS_SCREEN");   // for example "1280x720x32"
    if (size) {
        int w = 0, h = 0, b = 0;
        if (sscanf(size, "%dx%dx%d", &w, &h, &b) >= 2) HeadlessConfigure(w, h, b);
    }
    return 0;
}

static void HeadlessShutdown(void) {}

static int HeadlessCreateWindow(WindowId, const PlatRect*, const char16_t*, uint32_t, WindowId, const char*,
                                uint32_t) {
    return 0;
}

static void HeadlessNoWindow(WindowId) {}
static void HeadlessMove(WindowId, const PlatRect*) {}
static void HeadlessShow(WindowId, int) {}
static void HeadlessTitle(WindowId, const char16_t*) {}

static void HeadlessPresent(WindowId, const PixelView*, const PlatRect*) {
    g_headless_presents.fetch_add(1, std::memory_order_relaxed);
}

static void HeadlessScreen(ScreenInfo* info) { *info = g_screen; }

static int HeadlessSetClipboard(const int* formats, const uint8_t* const* data, const size_t* sizes, int count) {
    std::lock_guard<std::mutex> guard(g_clip_lock);
    g_clipboard.clear();
    for (int i = 0; i < count; i++) g_clipboard[formats[i]].assign(data[i], data[i] + sizes[i]);
    return 0;
}

static uint8_t* HeadlessGetClipboard(int format, size_t* size) {
    std::lock_guard<std::mutex> guard(g_clip_lock);
    auto it = g_clipboard.find(format);
    if (it == g_clipboard.end()) return nullptr;
    uint8_t* copy = (uint8_t*)malloc(it->second.size() + 1);
    if (!copy) return nullptr;
    if (!it->second.empty()) memcpy(copy, it->second.data(), it->second.size());
    copy[it->second.size()] = 0;
    if (size) *size = it->second.size();
    return copy;
}

static void HeadlessAcceptDrops(WindowId, int) {}
static void HeadlessFlush(void) {}

static const Backend g_headless = {
    "headless",
    HeadlessInit,
    HeadlessShutdown,
    HeadlessCreateWindow,
    HeadlessNoWindow,
    HeadlessMove,
    HeadlessShow,
    HeadlessTitle,
    HeadlessNoWindow,
    HeadlessPresent,
    HeadlessScreen,
    HeadlessSetClipboard,
    HeadlessGetClipboard,
    HeadlessAcceptDrops,
    HeadlessFlush,
};

const Backend* HeadlessBackend(void) { return &g_headless; }
