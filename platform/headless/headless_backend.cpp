// The headless backend: no display. Windows exist only in the layer's memory, the screen is
// a fixed size (1920 x 1080, 32 bits per pixel unless configured), input comes from the test
// driver, and the clipboard is held in memory.
#include "../backend.h"
#include "platform/layer_mutex.h"
#include "../clipboard.h"
#include "headless_state.h"

#include <stdio.h>
#include <mutex>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

static ScreenInfo g_screen{1920, 1080, 32, {0, 0, 1920, 1080}};
namespace {
// The clipboard's representations in the order they were offered.
struct HeadlessOffer {
    std::string type;
    std::vector<uint8_t> bytes;
};
}  // namespace
static LayerMutex g_clip_lock;
static std::vector<HeadlessOffer> g_clipboard;
std::atomic<uint64_t> pxk::g_headless_presents{0};

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

static int HeadlessOfferClipboard(const ClipOffer* offers, int count) {
    std::vector<HeadlessOffer> held;
    for (int i = 0; i < count; i++) {
        if (!offers[i].type || strlen(offers[i].type) >= CLIP_TYPE_MAX) return 1;
        const uint8_t* data = offers[i].data;
        held.push_back(HeadlessOffer{offers[i].type, std::vector<uint8_t>(data, data + offers[i].size)});
    }
    std::lock_guard<LayerMutex> guard(g_clip_lock);
    g_clipboard.swap(held);
    return 0;
}

static uint8_t* HeadlessReadClipboard(const char* const* types, int count, char* type_out, size_t* size) {
    std::lock_guard<LayerMutex> guard(g_clip_lock);
    for (int t = 0; t < count; t++)
        for (const HeadlessOffer& offer : g_clipboard) {
            if (offer.type != types[t]) continue;
            uint8_t* copy = (uint8_t*)malloc(offer.bytes.size() + 2);
            if (!copy) return nullptr;
            if (!offer.bytes.empty()) memcpy(copy, offer.bytes.data(), offer.bytes.size());
            copy[offer.bytes.size()] = 0;
            copy[offer.bytes.size() + 1] = 0;
            snprintf(type_out, CLIP_TYPE_MAX, "%s", offer.type.c_str());
            if (size) *size = offer.bytes.size();
            return copy;
        }
    return nullptr;
}

std::vector<std::string> HeadlessClipboardTypes(void) {
    std::lock_guard<LayerMutex> guard(g_clip_lock);
    std::vector<std::string> types;
    for (const HeadlessOffer& offer : g_clipboard) types.push_back(offer.type);
    return types;
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
    HeadlessOfferClipboard,
    HeadlessReadClipboard,
    HeadlessAcceptDrops,
    HeadlessFlush,
};

const Backend* HeadlessBackend(void) { return &g_headless; }
