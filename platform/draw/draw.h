// Drawing contexts and the drawing operations the framework uses: plain and stretched copies,
// fills, inversion, text. A memory context draws into a surface; a window context draws
// into a window's client area, and what it draws is on screen at once (the damaged
// rectangle is presented by the backend).
//
// Stretch rules, the same on every backend:
//  - colour-on-colour (nearest): destination pixel i of a span of dw pixels taken from a
//    source span of sw pixels reads source pixel floor(i * sw / dw) (no pixel-centre offset);
//    a negative extent mirrors: destination pixel i then reads the pixel counted from the
//    other end.
//  - halftone (area average): each destination pixel averages the source area it covers,
//    every source pixel weighted by the exact fraction of it that lies under the
//    destination pixel, each channel rounded to nearest. Exactly: along an axis, destination
//    pixel i covers the source interval [i * sw / dw, (i + 1) * sw / dw); source pixel j has
//    the weight |[j, j + 1) intersected with that interval| * dw, an integer; a pixel's weight
//    is the product of its two axis weights; each channel is
//    floor((2 * sum(weight * channel) + T) / (2 * T)) with T = sw * sh (halves round up).
//    Mirroring counts i and j from the other end, as for nearest.
//  - Destination pixels outside the clip are not drawn; a destination pixel whose source
//    pixel, or any pixel of its source area, lies outside the source is left unchanged.
//  - 8-bit sources are read through their colour table. A destination of 8 bits takes the
//    nearest entry of its colour table (squared RGB distance, lowest index on ties); between
//    8-bit surfaces with equal colour tables indices are copied unchanged.
//  - 32-bit pixels are copied whole (top byte included) by the plain copy, the nearest
//    stretch and a 1:1 mirror of a rectangle onto itself; the area average otherwise writes
//    the top byte 0.
#pragma once

#include "platform/plat_types.h"
#include "platform/draw/surface.h"

struct Font;

enum { STRETCH_COLORONCOLOR = 3, STRETCH_HALFTONE = 4 };
enum { BACK_TRANSPARENT = 1, BACK_OPAQUE = 2 };

struct TextMetrics {
    int height;               // ascent + descent
    int ascent;
    int descent;
    int ave_char_width;
    int max_char_width;
};

// Advance of one character split as the ABC widths: a = left bearing, b = ink width,
// c = right bearing; a + b + c is the advance.
struct CharWidths {
    int a;
    int b;
    int c;
};

struct DrawContext {
    Surface* surface;         // memory context: the selected surface (may be null)
    WindowId window;          // window context: the window whose client area it draws
    int stretch_mode;
    PlatPoint brush_origin;
    uint32_t text_color;      // 0x00RRGGBB
    uint32_t back_color;
    int back_mode;
    Font* font;
    uint32_t brush;           // solid brush colour, 0x00RRGGBB
};

DrawContext* PlatCreateMemoryContext(Surface* surface);
void PlatSelectSurface(DrawContext* dc, Surface* surface);
// The window's own context (one per window, kept for its life and freed with the window).
DrawContext* PlatGetWindowContext(WindowId window);
void PlatDeleteContext(DrawContext* dc);
// A memory context owned by its holder: deleted when the holder goes, on every path out.
struct ContextDeleter {
    void operator()(DrawContext* dc) const { PlatDeleteContext(dc); }
};
using ContextPtr = std::unique_ptr<DrawContext, ContextDeleter>;
// Limits what this thread draws through the window's own context to rect (client
// coordinates), as a paint limits itself to the damaged rectangle; null lifts the limit.
// Other threads drawing into the same window meanwhile are not limited.
void PlatSetPaintClip(WindowId window, const PlatRect* rect);
// Called by the window table when a window goes, to free its own context.
void PlatReleaseWindowContexts(WindowId window);

void PlatSetStretchMode(DrawContext* dc, int mode);
int PlatGetStretchMode(const DrawContext* dc);
void PlatSetBrushOrigin(DrawContext* dc, int x, int y);
void PlatSetTextColor(DrawContext* dc, uint32_t rgb);
void PlatSetBackColor(DrawContext* dc, uint32_t rgb);
void PlatSetBackMode(DrawContext* dc, int mode);
void PlatSelectFont(DrawContext* dc, Font* font);
void PlatSelectBrush(DrawContext* dc, uint32_t rgb);

// Size of what the context draws on (surface size or client size).
PlatSize PlatGetContextSize(const DrawContext* dc);

// Plain copy of w x h pixels, clipped to both contexts. 0 done (also when nothing was inside);
// 1 null context, no surface selected or negative size.
int PlatCopyRect(DrawContext* dst, int dx, int dy, int w, int h, DrawContext* src, int sx, int sy);
// Stretched copy with the destination's stretch mode; negative dw or dh mirror.
// The source may be the destination (the source is read completely first).
// 0 done; 1 null context, no surface, a zero extent or an extent above 2^24.
int PlatStretchCopy(DrawContext* dst, int dx, int dy, int dw, int dh,
                    DrawContext* src, int sx, int sy, int sw, int sh);
// Fills with the given colour, or with the selected brush when rgb is PLAT_SELECTED_BRUSH.
// On an 8-bit surface the nearest colour-table entry is stored.
static const uint32_t PLAT_SELECTED_BRUSH = 0xFFFFFFFFu;
void PlatFillRect(DrawContext* dc, const PlatRect* rect, uint32_t rgb);
// Inverts every bit of every pixel (8-bit: index i becomes 255 - i; 32-bit: all 32 bits of
// the word, so the top byte becomes 0xFF and inverting twice restores the word).
void PlatInvertRect(DrawContext* dc, const PlatRect* rect);
// Text output of a UTF-16 run with the top-left of its first cell at (x, y).
int PlatTextOut(DrawContext* dc, int x, int y, const char16_t* text, int count);
PlatSize PlatGetTextExtent(DrawContext* dc, const char16_t* text, int count);
void PlatGetTextMetrics(DrawContext* dc, TextMetrics* metrics);
// The ABC widths of a character, by code point (characters above U+FFFF included).
int PlatGetCharWidths(DrawContext* dc, uint32_t code_point, CharWidths* widths);
// Colour table of the selected 8-bit surface.
int PlatGetColorTable(DrawContext* dc, int first, int count, uint32_t* out);
int PlatSetColorTable(DrawContext* dc, int first, int count, const uint32_t* in);
// Reads a pixel as 0x00RRGGBB (through the colour table for 8-bit surfaces); -1 outside.
int64_t PlatGetPixel(DrawContext* dc, int x, int y);
