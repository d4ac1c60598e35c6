// Inside of a font, shared by font.cpp (faces, metrics, glyph cache) and text_out.cpp
// (drawing and measuring text). Glyphs are rasterised once per font and kept until the font
// is deleted; every access to a font's faces and cache holds FontMutex().
#pragma once

#include "platform/draw/draw.h"
#include "platform/layer_mutex.h"
#include "platform/font/font.h"

#include <mutex>

// One rasterised glyph: coverage 0..255 per pixel (0 or 255 only for one-colour fonts), with
// its box relative to the pen position on the baseline.
struct Glyph {
    int advance;              // pixels the pen moves
    int left;                 // first column of the box, from the pen
    int top;                  // first row of the box, above the baseline (positive up)
    int width;
    int height;
    uint8_t* coverage;        // width * height bytes, rows top first
};

LayerMutex& FontMutex();
// The glyph for a code point, from the font's face or its fallback; never null (a code point
// no face has gives the missing-glyph box). Holds no lock itself: call with FontMutex() held.
const Glyph* FontGlyph(Font* font, uint32_t code_point);
// Metrics of the font (no lock needed: fixed at creation).
const TextMetrics* FontMetrics(const Font* font);
// Lines drawn for underline and strike-out: first row below the baseline (negative: above)
// and thickness in rows. Returns false when the font has neither.
bool FontDecorations(const Font* font, int* underline_y, int* underline_h, int* strike_y, int* strike_h);
