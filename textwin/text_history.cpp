// Text window history: lines kept as packed pixels, a bounded queue of them, the composed
// view of history and store while scrolled back, and the wheel and key handlers.
#include "textwin/text_history.h"

#include "textwin/text_window.h"

#include "platform/draw/draw.h"
#include "platform/window/window.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <deque>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

enum { LINE_COLORS = 16 };

// One line as the window showed it: rows x width pixels, each an index into its colours at
// `bits` per pixel (0: every pixel is colors[0]; 32: the pixels themselves).
struct KeptLine {
    int width = 0;
    int rows = 0;
    int bits = 0;
    int row_bytes = 0;
    uint32_t colors[LINE_COLORS] = {};
    uint8_t* data = nullptr;
};

}  // namespace

struct TextHistory {
    std::deque<KeptLine> lines;   // oldest first
    size_t bytes = 0;
    int back = 0;                 // lines the view is scrolled back
    Surface* view = nullptr;      // the composed view while scrolled back
    DrawContext* view_dc = nullptr;
};

namespace {

size_t LineBytes(const KeptLine& l) { return (size_t)l.row_bytes * (size_t)l.rows + sizeof(KeptLine); }

const uint32_t* StoreRow(const TextWindowRecord* rec, int y) {
    const int h = rec->bitmap->height;
    return (const uint32_t*)SurfaceRow(rec->bitmap, (int)(((long long)y + rec->store_top) % h));
}

// The colours of the rows, at most LINE_COLORS; -1 when there are more.
int CollectColors(const TextWindowRecord* rec, int rows, uint32_t* colors) {
    int n = 0;
    for (int y = 0; y < rows; y++) {
        const uint32_t* p = StoreRow(rec, y);
        uint32_t last = n ? colors[n - 1] : ~0u;
        for (int x = 0; x < rec->width; x++) {
            const uint32_t c = p[x] & 0xFFFFFFu;
            if (c == last) continue;
            int i = 0;
            while (i < n && colors[i] != c) i++;
            if (i == n) {
                if (n == LINE_COLORS) return -1;
                colors[n++] = c;
            }
            last = c;
        }
    }
    return n;
}

int IndexOf(const uint32_t* colors, int n, uint32_t c) {
    int i = 0;
    while (i < n - 1 && colors[i] != c) i++;
    return i;
}

// Eight pixels of the common line at a time: which are colour c1 (bits, pixel k in bit k)
// and whether every one is c0 or c1.
inline bool EightOfTwo(const uint32_t* p, uint32_t c0, uint32_t c1, uint8_t* bits) {
#if defined(__SSE2__)
    const __m128i mask = _mm_set1_epi32(0xFFFFFF), v0 = _mm_set1_epi32((int)c0), v1 = _mm_set1_epi32((int)c1);
    const __m128i a = _mm_and_si128(_mm_loadu_si128((const __m128i*)p), mask);
    const __m128i b = _mm_and_si128(_mm_loadu_si128((const __m128i*)(p + 4)), mask);
    const __m128i a1 = _mm_cmpeq_epi32(a, v1), b1 = _mm_cmpeq_epi32(b, v1);
    const int ones = _mm_movemask_ps(_mm_castsi128_ps(a1)) | _mm_movemask_ps(_mm_castsi128_ps(b1)) << 4;
    const int known = ones | _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(a, v0))) |
                      _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(b, v0))) << 4;
    *bits = (uint8_t)ones;
    return known == 0xFF;
#else
    unsigned ones = 0, known = 0;
    for (int k = 0; k < 8; k++) {
        const uint32_t c = p[k] & 0xFFFFFFu;
        ones |= (unsigned)(c == c1) << k;
        known |= (unsigned)(c == c0 || c == c1) << k;
    }
    *bits = (uint8_t)ones;
    return known == 0xFF;
#endif
}

// The common line, text of one colour on one background (or all one colour), in one pass
// at one bit a pixel. False as soon as a third colour shows; the caller packs it the
// general way then.
bool PackTwoColors(const TextWindowRecord* rec, int rows, KeptLine* l) {
    const int w = rec->width;
    // Until a second colour shows, c1 is a value no pixel has (pixels are masked to 24 bits).
    uint32_t c0 = StoreRow(rec, 0)[0] & 0xFFFFFFu, c1 = ~0u;
    bool two = false;
    l->row_bytes = (w + 7) / 8;
    l->data = (uint8_t*)calloc((size_t)rows, (size_t)l->row_bytes);
    if (!l->data) return false;
    for (int y = 0; y < rows; y++) {
        const uint32_t* p = StoreRow(rec, y);
        uint8_t* out = l->data + (size_t)y * (size_t)l->row_bytes;
        int x = 0;
        for (; x + 8 <= w; x += 8) {
            if (EightOfTwo(p + x, c0, c1, &out[x >> 3])) continue;
            // A new colour: the first one the line shows besides c0 becomes c1, once.
            if (two) return false;
            int k = 0;
            while ((p[x + k] & 0xFFFFFFu) == c0) k++;
            c1 = p[x + k] & 0xFFFFFFu;
            two = true;
            if (!EightOfTwo(p + x, c0, c1, &out[x >> 3])) return false;
        }
        for (; x < w; x++) {
            const uint32_t c = p[x] & 0xFFFFFFu;
            if (c != c0 && c != c1) {
                if (two) return false;
                c1 = c;
                two = true;
            }
            if (c == c1) out[x >> 3] |= (uint8_t)(1u << (x & 7));
        }
    }
    l->colors[0] = c0;
    l->colors[1] = c1;
    l->bits = two ? 1 : 0;
    if (!two) {
        free(l->data);
        l->data = nullptr;
        l->row_bytes = 0;
    }
    return true;
}

bool PackLine(const TextWindowRecord* rec, int rows, KeptLine* l) {
    l->width = rec->width;
    l->rows = rows;
    if (PackTwoColors(rec, rows, l)) return true;
    free(l->data);
    l->data = nullptr;
    const int n = CollectColors(rec, rows, l->colors);
    l->bits = n < 0 ? 32 : n <= 1 ? 0 : n <= 2 ? 1 : n <= 4 ? 2 : 4;
    l->row_bytes = (int)(((long long)l->width * l->bits + 7) / 8);
    if (l->bits == 0) return true;
    l->data = (uint8_t*)calloc((size_t)rows, (size_t)l->row_bytes);
    if (!l->data) return false;
    for (int y = 0; y < rows; y++) {
        const uint32_t* p = StoreRow(rec, y);
        uint8_t* out = l->data + (size_t)y * (size_t)l->row_bytes;
        if (l->bits == 32) {
            for (int x = 0; x < l->width; x++) ((uint32_t*)out)[x] = p[x] & 0xFFFFFFu;
            continue;
        }
        uint32_t last = ~0u;
        int index = 0;
        for (int x = 0; x < l->width; x++) {
            const uint32_t c = p[x] & 0xFFFFFFu;
            if (c != last) index = IndexOf(l->colors, n, last = c);
            const long long bit = (long long)x * l->bits;
            out[bit >> 3] |= (uint8_t)(index << (bit & 7));
        }
    }
    return true;
}

// Row y of a kept line into out (width words): what does not reach is black.
void UnpackRow(const KeptLine& l, int y, uint32_t* out, int width) {
    const int w = std::min(width, l.width);
    const uint8_t* in = l.data + (size_t)y * (size_t)l.row_bytes;
    if (l.bits == 0) std::fill(out, out + w, l.colors[0]);
    else if (l.bits == 32) memcpy(out, in, (size_t)w * 4);
    else {
        const unsigned mask = (1u << l.bits) - 1;
        for (int x = 0; x < w; x++) {
            const long long bit = (long long)x * l.bits;
            out[x] = l.colors[(in[bit >> 3] >> (bit & 7)) & mask];
        }
    }
    if (w < width) std::fill(out + std::max(w, 0), out + width, 0u);
}

void DropOldest(TextHistory* h) {
    h->bytes -= LineBytes(h->lines.front());
    free(h->lines.front().data);
    h->lines.pop_front();
    h->back = std::min(h->back, (int)h->lines.size());
}

void FreeView(TextHistory* h) {
    if (h->view_dc) PlatDeleteContext(h->view_dc);
    if (h->view) PlatDestroySurface(h->view);
    h->view_dc = nullptr;
    h->view = nullptr;
}

// The view surface at the window's size, made when missing or outgrown.
bool UseView(TextHistory* h, int width, int height) {
    if (h->view && h->view->width == width && h->view->height == height) return true;
    FreeView(h);
    if (PlatCreateSurface(&h->view, std::max(width, 1), std::max(height, 1), 32) != 0) return false;
    h->view_dc = PlatCreateMemoryContext(h->view);
    return true;
}

// The bar at the right edge: the whole height is the track, the thumb shows the window's
// place in history plus store.
void DrawMarker(const TextWindowRecord* rec, const TextHistory* h, uint32_t* const* rows, int y0, int y1) {
    const int x0 = std::max(0, rec->width - HISTORY_MARKER_WIDTH);
    const long long kept = (long long)h->lines.size() * rec->cell_h;
    const long long total = kept + rec->height;
    const long long top = kept - (long long)h->back * rec->cell_h;
    const long long t0 = top * rec->height / total;
    const long long t1 = std::max(t0 + 4, (top + rec->height) * rec->height / total);
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < rec->width; x++)
            rows[y - y0][x] = (y >= t0 && y < t1) ? HISTORY_MARKER_THUMB : HISTORY_MARKER_TRACK;
}

// Scrolls window's view by lines plus pages (a page: the lines the window shows, less one),
// or back to the live window.
void ChangeView(WindowId window, int lines, int pages, bool to_live) {
    const int id = PXK_TextWindowIndex(window);
    if (id < 0) return;
    TextWindowRecord* rec = &text_windows[id];
    bool invalidate = false;
    {
        std::lock_guard<LayerMutex> guard(rec->lock);
        if (!rec->is_open.load()) return;
        if (pages) lines += pages * (rec->cell_h > 0 ? std::max(1, rec->height / rec->cell_h - 1) : 1);
        const bool changed = to_live ? LeaveHistoryView(rec) : ScrollHistoryView(rec, lines);
        invalidate = changed && NoteDamage(rec, nullptr);
    }
    if (invalidate) PlatInvalidateRect(window, nullptr, false);
}

}  // namespace

void KeepTopLine(TextWindowRecord* rec) {
    const int rows = std::min(rec->cell_h, rec->height);
    if (!rec->bitmap || rows <= 0 || rec->width <= 0) return;
    if (!rec->history) rec->history = new TextHistory;
    TextHistory* h = rec->history;
    KeptLine l;
    if (!PackLine(rec, rows, &l)) return;
    h->lines.push_back(l);
    h->bytes += LineBytes(l);
    // A view scrolled back keeps showing the same lines.
    if (h->back > 0) h->back++;
    while (h->lines.size() > HISTORY_LINES || (h->bytes > (size_t)HISTORY_BYTES && h->lines.size() > 1)) DropOldest(h);
}

void ForgetNewestLines(TextWindowRecord* rec, int lines) {
    TextHistory* h = rec->history;
    for (; h && lines > 0 && !h->lines.empty(); lines--) {
        h->bytes -= LineBytes(h->lines.back());
        free(h->lines.back().data);
        h->lines.pop_back();
        h->back = std::min(h->back, (int)h->lines.size());
    }
}

void FreeTextHistory(TextWindowRecord* rec) {
    TextHistory* h = rec->history;
    if (!h) return;
    while (!h->lines.empty()) DropOldest(h);
    FreeView(h);
    delete h;
    rec->history = nullptr;
}

int HistoryLineCount(const TextWindowRecord* rec) { return rec->history ? (int)rec->history->lines.size() : 0; }

int HistoryViewBack(const TextWindowRecord* rec) { return rec->history ? rec->history->back : 0; }

bool ScrollHistoryView(TextWindowRecord* rec, int lines) {
    TextHistory* h = rec->history;
    if (!h) return false;
    const int back = (int)std::clamp((long long)h->back + lines, 0LL, (long long)h->lines.size());
    if (back == h->back) return false;
    h->back = back;
    if (back == 0) FreeView(h);
    return true;
}

bool LeaveHistoryView(TextWindowRecord* rec) {
    return rec->history && rec->history->back > 0 && ScrollHistoryView(rec, -rec->history->back);
}

bool CopyHistoryView(TextWindowRecord* rec, const PlatRect* r, DrawContext* dc) {
    TextHistory* h = rec->history;
    if (!h || h->back == 0 || !rec->bitmap || rec->cell_h <= 0) return false;
    const PlatRect c = RectIntersect(*r, PlatRect{0, 0, rec->width, rec->height});
    if (RectIsEmpty(c) || !UseView(h, rec->width, rec->height)) return true;
    // Virtual row v counts the kept lines' rows first, then the store's rows.
    const long long kept = (long long)h->lines.size() * rec->cell_h;
    const long long first = kept - (long long)h->back * rec->cell_h;
    uint32_t* rows[1];
    for (int y = c.top; y < c.bottom; y++) {
        uint32_t* out = (uint32_t*)SurfaceRow(h->view, y);
        const long long v = first + y;
        if (v < kept) {
            const KeptLine& l = h->lines[(size_t)(v / rec->cell_h)];
            const int row = (int)(v % rec->cell_h);
            if (row < l.rows) UnpackRow(l, row, out, rec->width);
            else std::fill(out, out + rec->width, 0u);
        } else {
            memcpy(out, StoreRow(rec, (int)(v - kept)), (size_t)rec->width * 4);
        }
        rows[0] = out;
        DrawMarker(rec, h, rows, y, y + 1);
    }
    PlatCopyRect(dc, c.left, c.top, RectWidth(c), RectHeight(c), h->view_dc, c.left, c.top);
    return true;
}

void OnTextHistoryWheel(WindowId window, uintptr_t wparam) {
    const int delta = (int16_t)ParamHigh((intptr_t)wparam);
    if (delta == 0) return;
    ChangeView(window, delta > 0 ? HISTORY_WHEEL_LINES : -HISTORY_WHEEL_LINES, 0, false);
}

bool OnTextHistoryKey(WindowId window, uintptr_t key) {
    if (key == KEY_SHIFT || key == KEY_CONTROL || key == KEY_MENU) return false;
    const bool shift = (PlatGetKeyState(KEY_SHIFT) & KEY_STATE_DOWN) != 0;
    if (shift && (key == KEY_PRIOR || key == KEY_NEXT)) {
        ChangeView(window, 0, key == KEY_PRIOR ? 1 : -1, false);
        return true;
    }
    ChangeView(window, 0, 0, true);
    const int reading = input_active.load(std::memory_order_acquire) - 1;
    if (reading >= 0 && reading < TEXT_WINDOW_COUNT) {
        const WindowId w = text_windows[reading].hwnd.load(std::memory_order_acquire);
        if (w && w != window) ChangeView(w, 0, 0, true);
    }
    return false;
}
