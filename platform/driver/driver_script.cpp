// The driver's reach for scripted runs: a visible control is found by the text it shows; the
// screen is composed from the visible top-level windows, lowest first.
#include "platform/driver/driver.h"
#include "platform/text.h"
#include "platform/backend.h"
#include "platform/window/window_core.h"

#include <algorithm>
#include <vector>

WindowId DriverFindControl(const char* utf8_text) {
    char16_t want[MAX_WINDOW_TEXT + 1];
    Utf8ToUtf16(utf8_text, -1, want, MAX_WINDOW_TEXT + 1);
    std::lock_guard<LayerMutex> guard(g_table_lock);
    for (int i = 1; i < MAX_WINDOWS; i++) {
        const WindowRecord* r = &g_windows[i];
        if (!r->in_use || r->destroying || !(r->style & STYLE_CHILD) || !r->visible) continue;
        int k = 0;
        while (want[k] && r->text[k] == want[k]) k++;
        if (!want[k] && !r->text[k]) return MakeWindowId(i);
    }
    return 0;
}

std::vector<uint32_t> DriverScreenPixels(int* width, int* height) {
    ScreenInfo info{};
    PlatBackend()->get_screen(&info);
    std::vector<uint32_t> screen((size_t)info.width * (size_t)info.height, 0);
    std::vector<std::pair<uint64_t, WindowId>> tops;
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        for (int i = 1; i < MAX_WINDOWS; i++) {
            const WindowRecord* r = &g_windows[i];
            if (r->in_use && !r->destroying && r->visible && !(r->style & STYLE_CHILD))
                tops.push_back({r->z, MakeWindowId(i)});
        }
    }
    std::sort(tops.begin(), tops.end());
    for (const auto& top : tops) {
        int w = 0, h = 0;
        std::vector<uint32_t> px = DriverWindowPixels(top.second, &w, &h);
        PlatRect r = DriverWindowRect(top.second);
        for (int y = 0; y < h; y++) {
            int sy = r.top + y;
            if (sy < 0 || sy >= info.height) continue;
            for (int x = 0; x < w; x++) {
                int sx = r.left + x;
                if (sx >= 0 && sx < info.width)
                    screen[(size_t)sy * (size_t)info.width + (size_t)sx] = px[(size_t)y * (size_t)w + (size_t)x];
            }
        }
    }
    *width = info.width;
    *height = info.height;
    return screen;
}
