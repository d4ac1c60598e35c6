// Character cells drawn once and copied afterwards. A cell is made by filling its box with
// the background and drawing the glyph at its left edge with the layer's text output, in a
// small surface with a margin all round; doing it twice over two different margin colours
// shows whether the glyph leaves its cell (a run with such a glyph is then drawn by the
// caller on the rows around the line, so that the overhang lands where it belongs).
#include "textwin/glyph_cells.h"

#include "textwin/char_cells.h"

#include "platform/draw/draw.h"
#include "platform/draw/surface.h"

#include <memory>
#include <unordered_map>

enum { COLOR_SETS = 4, OTHER_CELLS_MAX = 4096 };

struct GlyphColorSet {
    Font* font = nullptr;
    int cell_w = 0;
    int cell_h = 0;
    uint32_t text_color = 0;
    uint32_t back_color = 0;
    uint64_t last_use = 0;
    bool used = false;
    GlyphCell ascii[128];
    bool ascii_ready[128] = {};
    std::unordered_map<uint32_t, GlyphCell> other;
};

struct GlyphCache {
    GlyphColorSet sets[COLOR_SETS];
    uint64_t clock = 0;
};

static thread_local std::unique_ptr<GlyphCache> tl_cache;

GlyphColorSet* UseGlyphColorSet(Font* font, int cell_w, int cell_h, uint32_t text_color, uint32_t back_color) {
    if (!tl_cache) tl_cache.reset(new GlyphCache);
    GlyphCache* c = tl_cache.get();
    c->clock++;
    GlyphColorSet* victim = &c->sets[0];
    for (GlyphColorSet& s : c->sets) {
        if (s.used && s.font == font && s.cell_w == cell_w && s.cell_h == cell_h && s.text_color == text_color &&
            s.back_color == back_color) {
            s.last_use = c->clock;
            // Characters of runs long past are dropped now, while no pointer into the set lives.
            if (s.other.size() > OTHER_CELLS_MAX) s.other.clear();
            return &s;
        }
        if (!s.used || (victim->used && s.last_use < victim->last_use)) victim = &s;
    }
    victim->font = font;
    victim->cell_w = cell_w;
    victim->cell_h = cell_h;
    victim->text_color = text_color;
    victim->back_color = back_color;
    victim->last_use = c->clock;
    victim->used = true;
    for (int i = 0; i < 128; i++) {
        victim->ascii_ready[i] = false;
        victim->ascii[i].pixels.clear();
    }
    victim->other.clear();
    return victim;
}

// True when every pixel outside the cell rectangle still has the margin colour.
static bool MarginUntouched(const Surface* s, const PlatRect& cell, uint32_t margin) {
    for (int y = 0; y < s->height; y++) {
        const uint32_t* row = (const uint32_t*)SurfaceRow(s, y);
        for (int x = 0; x < s->width; x++) {
            if (RectContains(cell, x, y)) continue;
            if ((row[x] & 0xFFFFFFu) != margin) return false;
        }
    }
    return true;
}

static void RenderCell(GlyphColorSet* set, uint32_t code_point, const char16_t* units, int count, GlyphCell* cell) {
    cell->advance = 0;
    cell->inside = false;
    cell->pixels.clear();
    int advance = ConsoleCharCells(code_point) * set->cell_w;
    int h = set->cell_h;
    if (advance <= 0 || h <= 0) return;
    ContextPtr owned_dc(PlatCreateMemoryContext(nullptr));
    DrawContext* dc = owned_dc.get();
    PlatSelectFont(dc, set->font);
    PlatSetTextColor(dc, set->text_color);
    PlatSetBackMode(dc, BACK_TRANSPARENT);
    int margin = h;
    Surface* s = nullptr;
    if (PlatCreateSurface(&s, advance + 2 * margin, h + 2 * margin, 32) != 0) return;
    SurfacePtr owned_surface(s);
    PlatSelectSurface(dc, s);
    PlatRect all{0, 0, s->width, s->height};
    PlatRect box{margin, margin, margin + advance, margin + h};
    bool inside = true;
    static const uint32_t margins[2] = {0x123456, 0xEDCBA9};
    for (uint32_t m : margins) {
        PlatFillRect(dc, &all, m);
        PlatFillRect(dc, &box, set->back_color);
        PlatTextOut(dc, margin, margin, units, count);
        if (!MarginUntouched(s, box, m)) inside = false;
    }
    cell->advance = advance;
    cell->inside = inside;
    if (inside) {
        cell->pixels.resize((size_t)advance * (size_t)h);
        for (int y = 0; y < h; y++) {
            const uint32_t* row = (const uint32_t*)SurfaceRow(s, margin + y) + margin;
            for (int x = 0; x < advance; x++) cell->pixels[(size_t)y * advance + x] = row[x];
        }
    }
}

const GlyphCell* LookupGlyphCell(GlyphColorSet* set, uint32_t code_point, const char16_t* units, int count) {
    if (code_point < 128 && count == 1) {
        if (!set->ascii_ready[code_point]) {
            RenderCell(set, code_point, units, count, &set->ascii[code_point]);
            set->ascii_ready[code_point] = true;
        }
        return &set->ascii[code_point];
    }
    auto it = set->other.find(code_point);
    if (it != set->other.end()) return &it->second;
    GlyphCell& cell = set->other[code_point];
    RenderCell(set, code_point, units, count, &cell);
    return &cell;
}
