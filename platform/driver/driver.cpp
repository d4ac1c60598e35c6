// The test driver: input and inspection for tests, from a thread of their own while the
// program's threads run. Input goes through the same entry points a real backend uses.
#include "platform/driver/driver.h"
#include "platform/headless/headless_state.h"
#include "platform/backend.h"
#include "platform/clipboard.h"
#include "platform/window/input.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/window/window_core.h"
#include "platform/window/window_pixels.h"

#include <algorithm>
#include <map>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static std::atomic<int> g_mods{0};

void DriverSetScreen(int width, int height, int bits) { HeadlessConfigure(width, height, bits); }

void DriverSetModifiers(int mods) {
    g_mods.store(mods);
    InputSetModifiers(mods);
}

void DriverMovePointer(int x, int y) { InputPointerMove(0, x, y, g_mods.load()); }

void DriverButton(int x, int y, int button, bool down) { InputButton(0, x, y, button, down, g_mods.load()); }

void DriverClick(int x, int y, int button) {
    DriverMovePointer(x, y);
    DriverButton(x, y, button, true);
    DriverButton(x, y, button, false);
}

void DriverDoubleClick(int x, int y, int button) {
    DriverClick(x, y, button);
    DriverClick(x, y, button);
}

void DriverDrag(int x0, int y0, int x1, int y1, int button, int steps) {
    if (steps < 1) steps = 1;
    DriverMovePointer(x0, y0);
    DriverButton(x0, y0, button, true);
    for (int i = 1; i <= steps; i++)
        DriverMovePointer(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
    DriverButton(x1, y1, button, false);
}

void DriverWheel(int x, int y, int delta) {
    DriverMovePointer(x, y);
    InputWheel(0, x, y, delta, g_mods.load());
}

void DriverKeyDown(int key, int mods) {
    InputSetModifiers(mods);
    InputKey(0, key, true, mods);
}

void DriverKeyUp(int key, int mods) { InputKey(0, key, false, mods); }

void DriverKey(int key, int mods) {
    DriverKeyDown(key, mods);
    DriverKeyUp(key, mods);
    InputSetModifiers(g_mods.load());
}

void DriverType(const char* utf8) {
    int len = (int)strlen(utf8);
    int i = 0;
    while (i < len) {
        uint32_t cp;
        int used = Utf8Decode(utf8 + i, len - i, &cp);
        if (used == 0) break;
        i += used;
        if (cp == '\n' || cp == '\r') {
            DriverKey(KEY_RETURN);
        } else if (cp == '\t') {
            DriverKey(KEY_TAB);
        } else if (cp == '\b') {
            DriverKey(KEY_BACK);
        } else {
            // A keyboard sends the key as well as the character it types.
            int key = 0;
            if (cp >= 'a' && cp <= 'z') key = (int)cp - 32;
            else if ((cp >= 'A' && cp <= 'Z') || (cp >= '0' && cp <= '9') || cp == ' ') key = (int)cp;
            int mods = g_mods.load() | ((cp >= 'A' && cp <= 'Z') ? INPUT_MOD_SHIFT : 0);
            if (key) InputKey(0, key, true, mods);
            char16_t units[2];
            char16_t buf[3];
            int n = Utf8ToUtf16(utf8 + i - used, used, buf, 3);
            units[0] = buf[0];
            units[1] = buf[1];
            InputText(0, units, n);
            if (key) InputKey(0, key, false, mods);
        }
    }
    InputSetModifiers(g_mods.load());
}

void DriverDrop(int x, int y, const std::vector<std::string>& paths) {
    std::vector<const char*> list;
    for (const std::string& p : paths) list.push_back(p.c_str());
    InputDrop(0, x, y, list.data(), (int)list.size());
}

// ---- Inspection ------------------------------------------------------------------------

WindowId DriverFindWindow(const char* utf8_title) {
    char16_t want[256];
    Utf8ToUtf16(utf8_title, -1, want, 256);
    std::lock_guard<LayerMutex> guard(g_table_lock);
    for (int i = 1; i < MAX_WINDOWS; i++) {
        WindowRecord* r = &g_windows[i];
        if (!r->in_use || r->destroying || (r->style & STYLE_CHILD) || !r->visible) continue;
        int k = 0;
        while (want[k] && r->text[k] == want[k]) k++;
        if (!want[k] && !r->text[k]) return MakeWindowId(i);
    }
    return 0;
}

WindowId DriverFindWindowByClass(const char* class_name) { return PlatFindWindow(class_name); }

std::string DriverWindowText(WindowId window) {
    char16_t text[256];
    PlatGetWindowText(window, text, 256);
    char out[1024];
    Utf16ToUtf8(text, -1, out, sizeof out);
    return out;
}

PlatRect DriverWindowRect(WindowId window) {
    PlatRect r{};
    PlatGetWindowRect(window, &r);
    return r;
}

PlatRect DriverClientRectScreen(WindowId window) {
    PlatRect r{};
    PlatGetClientRect(window, &r);
    PlatPoint p{0, 0};
    PlatClientToScreen(window, &p);
    return RectOffset(r, p.x, p.y);
}

static std::vector<uint32_t> CopyPixels(WindowId window, bool client, int* width, int* height) {
    std::vector<uint32_t> out;
    PlatRect cs, clip;
    Surface* s = LockWindowPixels(window, &cs, &clip);
    if (!s) {
        if (width) *width = 0;
        if (height) *height = 0;
        return out;
    }
    PlatRect r = client ? cs : PlatRect{0, 0, s->width, s->height};
    int w = RectWidth(r), h = RectHeight(r);
    out.assign((size_t)w * (size_t)h, 0);
    for (int y = 0; y < h; y++) {
        int sy = r.top + y;
        if (sy < 0 || sy >= s->height) continue;
        const uint32_t* row = (const uint32_t*)SurfaceRow(s, sy);
        for (int x = 0; x < w; x++) {
            int sx = r.left + x;
            if (sx >= 0 && sx < s->width) out[(size_t)y * (size_t)w + (size_t)x] = row[sx] & 0x00FFFFFFu;
        }
    }
    UnlockWindowPixels(window, nullptr);
    if (width) *width = w;
    if (height) *height = h;
    return out;
}

std::vector<uint32_t> DriverWindowPixels(WindowId window, int* width, int* height) {
    return CopyPixels(PlatGetTopLevel(window), false, width, height);
}

std::vector<uint32_t> DriverClientPixels(WindowId window, int* width, int* height) {
    return CopyPixels(window, true, width, height);
}

uint32_t DriverClientPixel(WindowId window, int x, int y) {
    int w = 0, h = 0;
    std::vector<uint32_t> px = CopyPixels(window, true, &w, &h);
    if (x < 0 || y < 0 || x >= w || y >= h) return 0xFFFFFFFFu;
    return px[(size_t)y * (size_t)w + (size_t)x];
}

// ---- Clipboard ---------------------------------------------------------------------------

void DriverSetClipboardText(const char* utf8) {
    // A desktop offers text in both forms.
    size_t n = strlen(utf8);
    std::vector<char16_t> wide(n + 1);
    int units = Utf8ToUtf16(utf8, (int)n, wide.data(), (int)wide.size());
    int formats[2] = {CLIP_TEXT, CLIP_UNICODETEXT};
    const uint8_t* data[2] = {(const uint8_t*)utf8, (const uint8_t*)wide.data()};
    size_t sizes[2] = {n + 1, ((size_t)units + 1) * sizeof(char16_t)};
    PlatSetClipboardFormats(formats, data, sizes, 2);
}

std::string DriverClipboardText(void) {
    size_t size = 0;
    uint8_t* bytes = PlatGetClipboard(CLIP_TEXT, &size);
    if (!bytes) return std::string();
    std::string s((const char*)bytes, strnlen((const char*)bytes, size));
    free(bytes);
    return s;
}

std::vector<uint8_t> DriverClipboard(int format) {
    size_t size = 0;
    uint8_t* bytes = PlatGetClipboard(format, &size);
    std::vector<uint8_t> out;
    if (bytes) out.assign(bytes, bytes + size);
    free(bytes);
    return out;
}

void DriverSetClipboard(int format, const std::vector<uint8_t>& bytes) {
    PlatSetClipboard(format, bytes.data(), bytes.size());
}

// ---- Waiting ---------------------------------------------------------------------------

bool DriverWaitFor(const std::function<bool()>& cond, int timeout_ms) {
    uint32_t start = PlatGetTickMs();
    for (;;) {
        if (cond()) return true;
        if ((int)(PlatGetTickMs() - start) > timeout_ms) return false;
        PlatSleepMs(2);
    }
}

// The queues of the framework's threads: those that own live windows and those the layer
// started that still run (the worker, even before it has a window). Queues outlive their
// threads, so a queue counts only while a live window or a running thread stands behind it.
static std::vector<ThreadQueue*> FrameworkQueues(void) {
    std::vector<ThreadQueue*> queues;
    LiveThreadQueues(&queues);
    std::lock_guard<LayerMutex> guard(g_table_lock);
    for (int i = 1; i < MAX_WINDOWS; i++) {
        const WindowRecord* r = &g_windows[i];
        if (!r->in_use || r->destroying || !r->queue) continue;
        if (std::find(queues.begin(), queues.end(), r->queue) == queues.end()) queues.push_back(r->queue);
    }
    return queues;
}

// One look: true when every framework thread has nothing queued and nothing to paint, and
// either sleeps in its wait now or began a wait since the previous look (a thread whose idle
// loop waits in short slices). A thread busy with work of its own does neither. *why says
// what was seen last when the look fails.
static bool AllThreadsWaiting(std::map<ThreadQueue*, uint64_t>* seen, std::string* why) {
    bool waiting = true;
    for (ThreadQueue* q : FrameworkQueues()) {
        std::lock_guard<LayerMutex> guard(q->lock);
        auto last = seen->find(q);
        bool waited = q->asleep || (last != seen->end() && last->second != q->waits);
        (*seen)[q] = q->waits;
        if (!waited) *why = "a thread is busy, not waiting for input";
        else if (!q->posted.empty() || !q->sent.empty()) *why = "a thread has messages queued";
        else if (q->paint_count > 0) *why = "a thread has windows to paint";
        else continue;
        waiting = false;
    }
    if (waiting && PlatWorkPending()) {
        *why = "a framework thread has work pending";
        waiting = false;
    }
    return waiting;
}

static bool WaitSettled(int timeout_ms, std::string* why) {
    // Seen three times in a row, so that a thread woken between two looks is not missed.
    std::map<ThreadQueue*, uint64_t> seen;
    int quiet = 0;
    return DriverWaitFor([&] {
        quiet = AllThreadsWaiting(&seen, why) ? quiet + 1 : 0;
        return quiet >= 3;
    }, timeout_ms);
}

bool DriverWaitSettled(int timeout_ms) {
    std::string why;
    return WaitSettled(timeout_ms, &why);
}

bool DriverWaitIdle(int timeout_ms) {
    std::string why;
    if (WaitSettled(timeout_ms, &why)) return true;
    // Loud even where a caller does not check: a test must not go on as if it had settled.
    fprintf(stderr, "DriverWaitIdle: the program did not settle within %d ms (%s)\n", timeout_ms, why.c_str());
    fflush(stderr);
    return false;
}

uint64_t DriverPresentCount(void) { return g_headless_presents.load(); }
