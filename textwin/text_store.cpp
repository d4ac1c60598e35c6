// The backing store of a text window: a 32-bit surface of the client size whose rows form a
// ring, so that scrolling up by a line only moves the ring's start and clears the freed band.
// Everything here works in logical rows (as the window shows them) and maps them to
// physical rows; painting and reading compose the two halves of the ring.
//
// Runs of text are drawn from cached character cells when every character stays inside its
// cell; a run with a character that leaves its cell is drawn glyph by glyph with the layer's
// text output on the rows around the line. Either way each character starts at the left
// edge of its cells, one or two narrow cells as the console font draws it.
#include "textwin/text_window.h"

#include "platform/draw/draw.h"
#include "platform/font/font.h"
#include "platform/text.h"
#include "textwin/glyph_cells.h"
#include "textwin/text_history.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <vector>

static inline int RingHeight(const TextWindowRecord* rec) { return rec->bitmap->height; }

static inline int PhysicalRow(const TextWindowRecord* rec, int y) {
    return (int)(((long long)y + rec->store_top) % RingHeight(rec));
}

static inline uint32_t* LogicalRow(const TextWindowRecord* rec, int y) {
    return (uint32_t*)SurfaceRow(rec->bitmap, PhysicalRow(rec, y));
}

// Logical rows [y0, y1) may hold something other than black from now on.
static void MarkRowsDrawn(TextWindowRecord* rec, int y0, int y1) {
    y0 = std::max(y0, 0);
    y1 = std::min(y1, rec->height);
    for (int y = y0; y < y1; y++) rec->row_black[PhysicalRow(rec, y)] = 0;
}

int CreateTextStore(TextWindowRecord* rec) {
    DestroyTextStore(rec);
    Surface* s = nullptr;
    // A surface has at least one pixel each way; the record's size still bounds all drawing.
    if (PlatCreateSurface(&s, std::max(rec->width, 1), std::max(rec->height, 1), 32) != 0) return 3;
    rec->row_black = (uint8_t*)malloc((size_t)s->height);
    if (!rec->row_black) {
        PlatDestroySurface(s);
        return 3;
    }
    memset(rec->row_black, 1, (size_t)s->height);   // a new surface is black
    rec->bitmap = s;
    rec->store_top = 0;
    rec->store_generation++;
    rec->pending_paint = PlatRect{0, 0, 0, 0};
    rec->mem_dc = PlatCreateMemoryContext(s);
    PlatSelectBrush(rec->mem_dc, 0x000000);
    PlatSelectFont(rec->mem_dc, PlatGetStockFont(STOCK_CONSOLE_FONT));
    PlatSetBackMode(rec->mem_dc, BACK_OPAQUE);
    ApplyTextColors(rec);
    return 0;
}

void DestroyTextStore(TextWindowRecord* rec) {
    if (rec->mem_dc) PlatDeleteContext(rec->mem_dc);
    if (rec->bitmap) PlatDestroySurface(rec->bitmap);
    free(rec->row_black);
    rec->row_black = nullptr;
    rec->mem_dc = nullptr;
    rec->bitmap = nullptr;
    rec->store_top = 0;
}

bool NoteDamage(TextWindowRecord* rec, const PlatRect* r) {
    PlatRect full{0, 0, rec->width, rec->height};
    PlatRect d = r ? RectIntersect(*r, full) : full;
    if (RectIsEmpty(d)) return false;
    PlatRect& p = rec->pending_paint;
    if (!RectIsEmpty(p) && d.left >= p.left && d.top >= p.top && d.right <= p.right && d.bottom <= p.bottom)
        return false;
    p = RectUnion(p, d);
    return true;
}

void ApplyTextColors(TextWindowRecord* rec) {
    if (!rec->mem_dc) return;
    PlatSetTextColor(rec->mem_dc, (uint32_t)rec->text_color & 0xFFFFFFu);
    PlatSetBackColor(rec->mem_dc, (uint32_t)rec->back_color & 0xFFFFFFu);
}

void FillStoreRowsBlack(TextWindowRecord* rec, int y0, int y1) {
    if (!rec->bitmap) return;
    y0 = std::max(y0, 0);
    y1 = std::min(y1, rec->height);
    for (int y = y0; y < y1; y++) {
        int phys = PhysicalRow(rec, y);
        if (rec->row_black[phys]) continue;
        memset(SurfaceRow(rec->bitmap, phys), 0, (size_t)rec->bitmap->stride);
        rec->row_black[phys] = 1;
    }
}

static inline void CopyWords(uint32_t* dst, const uint32_t* src, int n) {
    // The common narrow cell is one fixed-size copy, which compiles to two vector moves.
    if (n == 8) memcpy(dst, src, 8 * sizeof(uint32_t));
    else memcpy(dst, src, (size_t)n * sizeof(uint32_t));
}

// Draws cells that all stay inside their boxes: row by row, each cell row a short copy.
static void DrawCells(TextWindowRecord* rec, int x, int y, const std::vector<const GlyphCell*>& cells) {
    int h = rec->cell_h, width = rec->width;
    int r0 = std::max(0, -y), r1 = std::min(h, rec->height - y);
    MarkRowsDrawn(rec, y + r0, y + r1);
    for (int r = r0; r < r1; r++) {
        uint32_t* row = LogicalRow(rec, y + r);
        int pen = x;
        for (const GlyphCell* c : cells) {
            int a = c->advance;
            if (pen >= width) break;
            int start = std::max(pen, 0), end = std::min(pen + a, width);
            if (end > start) CopyWords(row + start, c->pixels.data() + (size_t)r * a + (start - pen), end - start);
            pen += a;
        }
    }
}

// Draws a run on a composed band of rows around the line, so that glyphs reaching into the
// lines above and below blend with what is there: first the background of all the run's
// cells, then each glyph at the left edge of its cell.
static void DrawRunThroughLayer(TextWindowRecord* rec, int x, int y, const std::vector<const GlyphCell*>& cells,
                                const char16_t* units, int count) {
    int top = std::max(0, y - rec->cell_h), bottom = std::min(rec->height, y + 2 * rec->cell_h);
    if (bottom <= top || rec->width <= 0) return;
    Surface* band = nullptr;
    if (PlatCreateSurface(&band, rec->width, bottom - top, 32) != 0) return;
    SurfacePtr owned_band(band);
    size_t row_bytes = (size_t)rec->width * sizeof(uint32_t);
    for (int yy = top; yy < bottom; yy++) memcpy(SurfaceRow(band, yy - top), LogicalRow(rec, yy), row_bytes);
    ContextPtr owned_dc(PlatCreateMemoryContext(band));
    DrawContext* dc = owned_dc.get();
    PlatSelectFont(dc, rec->mem_dc ? rec->mem_dc->font : PlatGetStockFont(STOCK_CONSOLE_FONT));
    PlatSetTextColor(dc, (uint32_t)rec->text_color & 0xFFFFFFu);
    PlatSetBackMode(dc, BACK_TRANSPARENT);
    long long right = x;
    for (const GlyphCell* c : cells) right += c->advance;
    PlatRect back{x, y - top, (int)std::min<long long>(right, rec->width), y - top + rec->cell_h};
    PlatFillRect(dc, &back, (uint32_t)rec->back_color & 0xFFFFFFu);
    int pen = x, i = 0;
    for (const GlyphCell* c : cells) {
        uint32_t cp = 0;
        int used = Utf16Decode(units + i, count - i, &cp);
        if (used < 1) used = 1;
        if (pen < rec->width) PlatTextOut(dc, pen, y - top, units + i, used);
        pen += c->advance;
        i += used;
    }
    owned_dc.reset();
    for (int yy = top; yy < bottom; yy++) memcpy(LogicalRow(rec, yy), SurfaceRow(band, yy - top), row_bytes);
    MarkRowsDrawn(rec, top, bottom);
}

PlatRect DrawTextRun(TextWindowRecord* rec, int x, int y, const char16_t* units, int count) {
    PlatRect none{0, 0, 0, 0};
    if (!rec->bitmap || count <= 0) return none;
    Font* font = rec->mem_dc && rec->mem_dc->font ? rec->mem_dc->font : PlatGetStockFont(STOCK_CONSOLE_FONT);
    GlyphColorSet* set = UseGlyphColorSet(font, rec->cell_w, rec->cell_h, (uint32_t)rec->text_color & 0xFFFFFFu,
                                          (uint32_t)rec->back_color & 0xFFFFFFu);
    static thread_local std::vector<const GlyphCell*> cells;
    cells.clear();
    bool inside = true;
    long long advance = 0;
    int i = 0;
    while (i < count) {
        uint32_t cp = 0;
        int used = Utf16Decode(units + i, count - i, &cp);
        if (used < 1) used = 1;
        const GlyphCell* c = LookupGlyphCell(set, cp, units + i, used);
        if (!c->inside) inside = false;
        advance += c->advance;
        cells.push_back(c);
        i += used;
    }
    if (inside) {
        DrawCells(rec, x, y, cells);
        long long right = std::min<long long>((long long)x + advance, rec->width);
        return PlatRect{x, y, (int)right, y + rec->cell_h};
    }
    DrawRunThroughLayer(rec, x, y, cells, units, count);
    return PlatRect{0, std::max(0, y - rec->cell_h), rec->width, y + 2 * rec->cell_h};
}

bool ScrollIfNeededLocked(TextWindowRecord* rec) {
    if (rec->cur_y + rec->cell_h < rec->height) return false;
    KeepTopLine(rec);
    int new_y = rec->cur_y - rec->cell_h;
    int band = new_y;                                  // rows [cell_h, cur_y) move to row 0
    long long fill_end = (long long)new_y + ((long long)new_y + rec->cell_h);
    if (rec->bitmap) {
        if (fill_end >= rec->height && rec->cur_y <= rec->height) {
            // Everything below the moved band is cleared anyway: turning the ring by one line
            // gives the same rows as moving them.
            int h = RingHeight(rec);
            rec->store_top = (int)(((long long)rec->store_top + rec->cell_h) % h);
            FillStoreRowsBlack(rec, new_y, rec->height);
        } else {
            size_t row_bytes = (size_t)rec->width * sizeof(uint32_t);
            for (int yy = 0; yy < band; yy++) {
                if (yy + rec->cell_h >= rec->height) break;
                memmove(LogicalRow(rec, yy), LogicalRow(rec, yy + rec->cell_h), row_bytes);
                rec->row_black[PhysicalRow(rec, yy)] = rec->row_black[PhysicalRow(rec, yy + rec->cell_h)];
            }
            FillStoreRowsBlack(rec, new_y, (int)std::min<long long>(fill_end, rec->height));
        }
    }
    rec->cur_y = new_y;
    return true;
}

void ScrollDownLocked(TextWindowRecord* rec, int rows) {
    if (!rec->bitmap || rows <= 0) return;
    if (rec->cell_h > 0) ForgetNewestLines(rec, rows / rec->cell_h);
    if (rows >= rec->height) {
        FillStoreRowsBlack(rec, 0, rec->height);
        return;
    }
    // Turning the ring back brings the bottom rows to the top, where they are cleared.
    int h = RingHeight(rec);
    rec->store_top = (int)((((long long)rec->store_top - rows) % h + h) % h);
    FillStoreRowsBlack(rec, 0, rows);
}

void CopyStoreRect(TextWindowRecord* rec, PlatRect r, uint32_t* words) {
    if (!rec->bitmap) return;
    size_t w = (size_t)RectWidth(r);
    for (int y = r.top; y < r.bottom; y++) memcpy(words + (size_t)(y - r.top) * w, LogicalRow(rec, y) + r.left, w * 4);
}

void PutStoreRect(TextWindowRecord* rec, PlatRect r, const uint32_t* words) {
    if (!rec->bitmap) return;
    size_t w = (size_t)RectWidth(r);
    for (int y = r.top; y < r.bottom; y++) memcpy(LogicalRow(rec, y) + r.left, words + (size_t)(y - r.top) * w, w * 4);
    MarkRowsDrawn(rec, r.top, r.bottom);
}

bool StartNewLine(TextWindowRecord* rec) {
    rec->cur_y += rec->cell_h;
    rec->cur_x = 0;
    return ScrollIfNeededLocked(rec);
}

void CopyStoreToContext(TextWindowRecord* rec, const PlatRect* r, DrawContext* dc) {
    if (!rec->bitmap || !rec->mem_dc || !dc || !r) return;
    if (CopyHistoryView(rec, r, dc)) return;
    PlatRect c = RectIntersect(*r, PlatRect{0, 0, rec->width, rec->height});
    if (RectIsEmpty(c)) return;
    int h = RingHeight(rec);
    int y = c.top;
    while (y < c.bottom) {
        int phys = (int)(((long long)y + rec->store_top) % h);
        int rows = std::min(c.bottom - y, h - phys);
        PlatCopyRect(dc, c.left, y, RectWidth(c), rows, rec->mem_dc, c.left, phys);
        y += rows;
    }
}

int64_t TextWindowStorePixel(int id, int x, int y) {
    if (id < 0 || id >= TEXT_WINDOW_COUNT) return -1;
    TextWindowRecord* rec = &text_windows[id];
    std::lock_guard<LayerMutex> guard(rec->lock);
    if (!rec->is_open.load(std::memory_order_acquire) || !rec->bitmap) return -1;
    if (x < 0 || y < 0 || x >= rec->width || y >= rec->height) return -1;
    return LogicalRow(rec, y)[x] & 0xFFFFFFu;
}

int CopyTextWindowStore(int id, uint32_t* out, size_t out_words) {
    if (id < 0 || id >= TEXT_WINDOW_COUNT || !out) return 1;
    TextWindowRecord* rec = &text_windows[id];
    std::lock_guard<LayerMutex> guard(rec->lock);
    if (!rec->is_open.load(std::memory_order_acquire) || !rec->bitmap) return 1;
    size_t w = (size_t)std::max(rec->width, 0), h = (size_t)std::max(rec->height, 0);
    if (out_words < w * h) return 1;
    for (size_t y = 0; y < h; y++) memcpy(out + y * w, LogicalRow(rec, (int)y), w * sizeof(uint32_t));
    return 0;
}
