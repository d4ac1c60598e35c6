// Text output and measurement on drawing contexts: a UTF-16 run is laid out with the advances
// of the selected font's glyphs, its cells are filled with the back colour when the context
// is opaque, and the glyphs are blended in the text colour (one colour per pixel on 8-bit
// surfaces and for one-colour fonts, so such text has exactly two colours).
#include "platform/draw/draw.h"

#include "platform/draw/draw_target.h"
#include "platform/font/font_internal.h"
#include "platform/draw/stretch.h"
#include "platform/text.h"

#include <algorithm>
#include <vector>

static Font* ContextFont(const DrawContext* dc) {
    return dc && dc->font ? dc->font : PlatGetStockFont(STOCK_GUI_FONT);
}

// The glyphs of a run, looked up under the font lock (glyphs stay valid while the font lives).
static void RunGlyphs(Font* font, const char16_t* text, int count, std::vector<const Glyph*>* out) {
    out->clear();
    std::lock_guard<LayerMutex> lock(FontMutex());
    int i = 0;
    while (i < count) {
        uint32_t cp = 0;
        int used = Utf16Decode(text + i, count - i, &cp);
        if (used < 1) used = 1;
        out->push_back(FontGlyph(font, cp));
        i += used;
    }
}

static int RunWidth(const std::vector<const Glyph*>& glyphs) {
    long long width = 0;
    for (const Glyph* g : glyphs) width += g->advance;
    return (int)std::min<long long>(width, 1 << 30);
}

static void BlendGlyph(Surface* s, const PlatRect& clip, int x0, int y0, const Glyph* g, uint32_t color,
                       uint32_t index) {
    int gx0 = std::max(0, clip.left - x0), gy0 = std::max(0, clip.top - y0);
    int gx1 = std::min(g->width, clip.right - x0), gy1 = std::min(g->height, clip.bottom - y0);
    uint32_t tr = (color >> 16) & 255, tg = (color >> 8) & 255, tb = color & 255;
    for (int gy = gy0; gy < gy1; gy++) {
        const uint8_t* cov = g->coverage + (size_t)gy * g->width;
        uint8_t* row = SurfaceRow(s, y0 + gy);
        for (int gx = gx0; gx < gx1; gx++) {
            uint32_t c = cov[gx];
            if (c == 0) continue;
            int x = x0 + gx;
            if (s->bits == 8) {
                if (c >= 128) row[x] = (uint8_t)index;
                continue;
            }
            uint32_t* p = (uint32_t*)row + x;
            if (c == 255) {
                *p = color;
                continue;
            }
            uint32_t bg = *p, ic = 255 - c;
            uint32_t r = (tr * c + ((bg >> 16) & 255) * ic + 127) / 255;
            uint32_t gr = (tg * c + ((bg >> 8) & 255) * ic + 127) / 255;
            uint32_t b = (tb * c + (bg & 255) * ic + 127) / 255;
            *p = (r << 16) | (gr << 8) | b;
        }
    }
}

int PlatTextOut(DrawContext* dc, int x, int y, const char16_t* text, int count) {
    if (!dc || !text) return 1;
    if (count < 0) count = Utf16Length(text);
    if (count == 0) return 0;
    Font* font = ContextFont(dc);
    if (!font) return 1;
    std::vector<const Glyph*> glyphs;
    RunGlyphs(font, text, count, &glyphs);
    const TextMetrics* m = FontMetrics(font);
    int width = RunWidth(glyphs);

    DrawTarget t;
    if (!BeginDraw(dc, &t)) return 1;
    long long ox = (long long)x + t.origin_x, oy = (long long)y + t.origin_y;
    // Coordinates far outside any surface draw nothing; this keeps the sums below in range.
    if (ox > -(1LL << 30) && ox < (1LL << 30) && oy > -(1LL << 30) && oy < (1LL << 30)) {
        int px = (int)ox, py = (int)oy;
        Surface* s = t.surface;
        if (dc->back_mode == BACK_OPAQUE) {
            FillPixels(s, t.clip, PlatRect{px, py, px + width, py + m->height}, ColorToPixel(s, dc->back_color),
                       &t.damaged);
        }
        uint32_t index = ColorToPixel(s, dc->text_color);
        int baseline = py + m->ascent;
        int pen = px;
        for (const Glyph* g : glyphs) {
            if (g->width > 0) {
                int gx = pen + g->left, gy = baseline - g->top;
                PlatRect box = RectIntersect(PlatRect{gx, gy, gx + g->width, gy + g->height}, t.clip);
                if (!RectIsEmpty(box)) {
                    BlendGlyph(s, t.clip, gx, gy, g, dc->text_color, index);
                    t.damaged = RectUnion(t.damaged, box);
                }
            }
            pen += g->advance;
        }
        int ul_y, ul_h, st_y, st_h;
        if (FontDecorations(font, &ul_y, &ul_h, &st_y, &st_h)) {
            FontDesc desc;
            PlatGetFontDesc(font, &desc);
            uint32_t value = s->bits == 8 ? index : dc->text_color;
            if (desc.underline) {
                FillPixels(s, t.clip, PlatRect{px, baseline + ul_y, px + width, baseline + ul_y + ul_h}, value,
                           &t.damaged);
            }
            if (desc.strike_out) {
                FillPixels(s, t.clip, PlatRect{px, baseline + st_y, px + width, baseline + st_y + st_h}, value,
                           &t.damaged);
            }
        }
    }
    EndDraw(&t);
    return 0;
}

PlatSize PlatGetTextExtent(DrawContext* dc, const char16_t* text, int count) {
    Font* font = ContextFont(dc);
    if (!font) return PlatSize{0, 0};
    const TextMetrics* m = FontMetrics(font);
    if (!text) return PlatSize{0, m->height};
    if (count < 0) count = Utf16Length(text);
    std::vector<const Glyph*> glyphs;
    RunGlyphs(font, text, count, &glyphs);
    return PlatSize{RunWidth(glyphs), m->height};
}

void PlatGetTextMetrics(DrawContext* dc, TextMetrics* metrics) {
    if (!metrics) return;
    Font* font = ContextFont(dc);
    if (!font) {
        *metrics = TextMetrics{};
        return;
    }
    *metrics = *FontMetrics(font);
}

int PlatGetCharWidths(DrawContext* dc, uint32_t code_point, CharWidths* widths) {
    if (!widths) return 1;
    Font* font = ContextFont(dc);
    if (!font) return 1;
    std::lock_guard<LayerMutex> lock(FontMutex());
    const Glyph* g = FontGlyph(font, code_point);
    if (g->width > 0) {
        widths->a = g->left;
        widths->b = g->width;
        widths->c = g->advance - g->left - g->width;
    } else {
        widths->a = 0;
        widths->b = 0;
        widths->c = g->advance;
    }
    return 0;
}
