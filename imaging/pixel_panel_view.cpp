// The inspector's drawing: text in the built-in bitmap font, the loupe's cells with their
// values in a small digit font, the histogram curves, all written straight into the view's
// words. Gathering reads the image once per snapshot: 121 pixels and the title.
#include "imaging/pixel_panel_view.h"

#include "imagewin/image_table.h"
#include "raster/bitmap_font.h"
#include "raster/color_models.h"
#include "platform/draw/draw.h"
#include "platform/draw/surface.h"
#include "pxk.h"

#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

const uint32_t pxk::plot_curve_colors[4] = {0xFF4040, 0x40FF40, 0x4080FF, 0xFFFFFF};
const int pxk::plot_curve_channels[4] = {1, 2, 3, 0};

const uint8_t pxk::loupe_digits[10][DIGIT_HEIGHT] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
};

namespace {

inline uint32_t* Row(Surface* v, int y) { return (uint32_t*)SurfaceRow(v, y); }

void Fill(Surface* v, int x0, int y0, int x1, int y1, uint32_t color) {
    for (int y = y0; y < y1; y++) std::fill(Row(v, y) + x0, Row(v, y) + x1, color);
}

void DrawText(Surface* v, int x, int y, const char* text, uint32_t color) {
    for (; *text && x + GLYPH_WIDTH <= v->width; text++, x += GLYPH_WIDTH) {
        const unsigned char c = (unsigned char)*text;
        const uint8_t* g = bitmap_font[(c >= GLYPH_FIRST && c < GLYPH_FIRST + GLYPH_COUNT ? c : '?') - GLYPH_FIRST];
        for (int r = 0; r < GLYPH_HEIGHT; r++)
            for (int b = 0; b < GLYPH_WIDTH; b++)
                if (g[r] & (0x80 >> b)) Row(v, y + r)[x + b] = color;
    }
}

void DrawDigits(Surface* v, int x, int y, const char* digits, uint32_t color) {
    for (; *digits; digits++, x += DIGIT_ADVANCE)
        for (int r = 0; r < DIGIT_HEIGHT; r++)
            for (int b = 0; b < DIGIT_WIDTH; b++)
                if (loupe_digits[*digits - '0'][r] & (0x10 >> b)) Row(v, y + r)[x + b] = color;
}

// A cell's values, one per line, centred in the cell in black or white, whichever contrasts.
void DrawCellValues(Surface* v, int x0, int y0, const int* values, int n, uint32_t color) {
    const uint32_t ink = ColorLuminance(ColorRed(color), ColorGreen(color), ColorBlue(color)) >= 128 ? 0x000000 : 0xFFFFFF;
    const int top = y0 + (LOUPE_CELL - (n * DIGIT_LINE - 1)) / 2;
    for (int k = 0; k < n; k++) {
        char text[8];
        const int len = snprintf(text, sizeof text, "%d", values[k]);
        DrawDigits(v, x0 + (LOUPE_CELL - (len * DIGIT_ADVANCE - 1)) / 2, top + k * DIGIT_LINE, text, ink);
    }
}

void DrawCell(Surface* v, const InspectorSnapshot& s, int i, int j) {
    const int x0 = LOUPE_LEFT + i * LOUPE_CELL, y0 = LOUPE_TOP + j * LOUPE_CELL;
    if (!s.inside[j][i]) {
        for (int y = 0; y < LOUPE_CELL; y++)
            for (int x = 0; x < LOUPE_CELL; x++) Row(v, y0 + y)[x0 + x] = (x + y) % 4 == 0 ? OUTSIDE_HATCH : OUTSIDE_BACK;
        return;
    }
    const uint32_t c = s.color[j][i];
    Fill(v, x0, y0, x0 + LOUPE_CELL, y0 + LOUPE_CELL, c);
    if (s.bits == 8) {
        const int value = s.index[j][i];
        DrawCellValues(v, x0, y0, &value, 1, c);
    } else {
        const int rgb[3] = {ColorRed(c), ColorGreen(c), ColorBlue(c)};
        DrawCellValues(v, x0, y0, rgb, 3, c);
    }
}

void FrameRect(Surface* v, int x0, int y0, int x1, int y1, uint32_t color) {
    Fill(v, x0, y0, x1, y0 + 1, color);
    Fill(v, x0, y1 - 1, x1, y1, color);
    Fill(v, x0, y0, x0 + 1, y1, color);
    Fill(v, x1 - 1, y0, x1, y1, color);
}

void DrawLoupe(Surface* v, const InspectorSnapshot& s) {
    for (int j = 0; j < LOUPE_CELLS; j++)
        for (int i = 0; i < LOUPE_CELLS; i++) DrawCell(v, s, i, j);
    const int c0x = LOUPE_LEFT + LOUPE_RADIUS * LOUPE_CELL, c0y = LOUPE_TOP + LOUPE_RADIUS * LOUPE_CELL;
    FrameRect(v, c0x, c0y, c0x + LOUPE_CELL, c0y + LOUPE_CELL, 0xFFFFFF);
    FrameRect(v, c0x + 1, c0y + 1, c0x + LOUPE_CELL - 1, c0y + LOUPE_CELL - 1, 0x000000);
}

void DrawPlot(Surface* v, const InspectorSnapshot& s) {
    FrameRect(v, PLOT_LEFT - 1, PLOT_TOP - 1, PLOT_LEFT + PLOT_WIDTH + 1, PLOT_TOP + PLOT_HEIGHT + 1, PLOT_FRAME);
    Fill(v, PLOT_LEFT, PLOT_TOP, PLOT_LEFT + PLOT_WIDTH, PLOT_TOP + PLOT_HEIGHT, PLOT_BACK);
    if (s.image < 0 || !s.has_counts) return;
    const int channels = s.bits == 8 ? 1 : 4;
    uint32_t max = 0;
    for (int c = 0; c < channels; c++) max = std::max(max, *std::max_element(s.counts[c], s.counts[c] + 256));
    const int bottom = PLOT_TOP + PLOT_HEIGHT - 1;
    if (s.bits == 8) {
        for (int value = 0; value < 256; value++)
            if (s.counts[0][value])
                for (int y = bottom - PlotHeight(s.counts[0][value], max, s.log_scale); y <= bottom; y++)
                    Row(v, y)[PLOT_LEFT + value] = PLOT_INDEX;
        return;
    }
    for (int k = 0; k < 4; k++) {
        const uint32_t* counts = s.counts[plot_curve_channels[k]];
        int previous = PlotHeight(counts[0], max, s.log_scale);
        for (int value = 0; value < 256; value++) {
            const int h = PlotHeight(counts[value], max, s.log_scale);
            for (int y = bottom - std::max(h, previous); y <= bottom - std::min(h, previous); y++)
                Row(v, y)[PLOT_LEFT + value] = plot_curve_colors[k];
            previous = h;
        }
    }
}

// A text line, cut to the characters that fit.
void SetLine(char* line, const char* format, ...) {
    va_list args;
    va_start(args, format);
    vsnprintf(line, INSPECTOR_TEXT_CHARS + 1, format, args);
    va_end(args);
}

void FormatStats(char* line, const char* name, const uint32_t counts[256]) {
    const ChannelStats st = HistogramStats(counts);
    if (!st.any) SetLine(line, "%-5s -", name);
    else SetLine(line, "%-5s %3d..%3d %7.2f %7.2f", name, st.min, st.max, st.mean, st.sd);
}

}  // namespace

void GatherInspectorPixels(int index, bool has_point, int x, int y, InspectorSnapshot* s) {
    s->image = -1;
    s->has_point = false;
    memset(s->inside, 0, sizeof s->inside);
    if ((unsigned)index >= IMAGE_SLOTS) return;
    const ImageRecord* r = &image_table[index];
    if (!r->in_use.load(std::memory_order_acquire)) return;
    s->image = index;
    snprintf(s->title, sizeof s->title, "%s", r->title ? r->title : "");
    s->width = r->width;
    s->height = r->height;
    s->bits = r->bits;
    s->zoom = r->zoom;
    s->has_point = has_point;
    s->x = x;
    s->y = y;
    if (!has_point) return;
    uint32_t table[256];
    if (r->bits == 8) PlatGetColorTable(r->memory_dc, 0, 256, table);
    const uint8_t* pixels = image_pixels[index];
    const int stride = ImageStride(r);
    for (int j = 0; j < LOUPE_CELLS; j++)
        for (int i = 0; i < LOUPE_CELLS; i++) {
            const long long px = (long long)x + i - LOUPE_RADIUS, py = (long long)y + j - LOUPE_RADIUS;
            if (px < 0 || py < 0 || px >= r->width || py >= r->height) continue;
            const uint8_t* row = pixels + (size_t)py * (size_t)stride;
            s->inside[j][i] = true;
            if (r->bits == 8) {
                s->index[j][i] = row[px];
                s->color[j][i] = table[row[px]] & 0xFFFFFFu;
            } else {
                s->color[j][i] = ((const uint32_t*)row)[px] & 0xFFFFFFu;
            }
        }
}

ChannelStats HistogramStats(const uint32_t counts[256]) {
    ChannelStats st{false, 0, 0, 0.0, 0.0};
    uint64_t n = 0, sum = 0;
    for (int value = 0; value < 256; value++) {
        if (!counts[value]) continue;
        if (!st.any) st.min = value;
        st.any = true;
        st.max = value;
        n += counts[value];
        sum += (uint64_t)value * counts[value];
    }
    if (!n) return st;
    st.mean = (double)sum / (double)n;
    double squares = 0;
    for (int value = st.min; value <= st.max; value++) squares += (value - st.mean) * (value - st.mean) * counts[value];
    st.sd = sqrt(squares / (double)n);
    return st;
}

int PlotHeight(uint32_t count, uint32_t max, bool log_scale) {
    if (max == 0 || count == 0) return 0;
    if (log_scale) return (int)((PLOT_HEIGHT - 1) * log1p((double)count) / log1p((double)max));
    return (int)((uint64_t)count * (PLOT_HEIGHT - 1) / max);
}

void InspectorTextLines(const InspectorSnapshot& s, char lines[INSPECTOR_TEXT_LINES][INSPECTOR_TEXT_CHARS + 1]) {
    for (int k = 0; k < INSPECTOR_TEXT_LINES; k++) lines[k][0] = 0;
    if (s.image < 0) {
        SetLine(lines[0], "No image: point at one");
        return;
    }
    SetLine(lines[0], "Image %d: %s", s.image, s.title);
    SetLine(lines[1], "%d x %d, %d bits, zoom %d%%", s.width, s.height, s.bits, s.zoom);
    const bool centre = s.has_point && s.inside[LOUPE_RADIUS][LOUPE_RADIUS];
    if (!s.has_point) SetLine(lines[2], "x -, y -");
    else SetLine(lines[2], centre ? "x %d, y %d" : "x %d, y %d (outside)", s.x, s.y);
    if (centre) {
        const uint32_t c = s.color[LOUPE_RADIUS][LOUPE_RADIUS];
        const int r = ColorRed(c), g = ColorGreen(c), b = ColorBlue(c);
        if (s.bits == 8) {
            SetLine(lines[3], "Index %d  0x%06X", s.index[LOUPE_RADIUS][LOUPE_RADIUS], c);
            SetLine(lines[4], "RGB %d %d %d  Y %d", r, g, b, ColorLuminance(r, g, b));
        } else {
            int h, sat, val;
            PXK_RGBtoHSV((PXK_Color)c, &h, &sat, &val);
            SetLine(lines[3], "RGB %d %d %d  0x%06X", r, g, b, c);
            SetLine(lines[4], "Y %d  H %d  S %d  V %d", ColorLuminance(r, g, b), h, sat, val);
        }
    }
    if (!s.has_counts) return;
    SetLine(lines[5], "      min..max    mean      sd %s", s.log_scale ? "(log)" : "");
    if (s.bits == 8) {
        FormatStats(lines[6], "Index", s.counts[0]);
        return;
    }
    const char* names[4] = {"Y", "R", "G", "B"};
    for (int c = 0; c < 4; c++) FormatStats(lines[6 + c], names[c], s.counts[c]);
}

void RenderInspector(Surface* view, const InspectorSnapshot& s) {
    Fill(view, 0, 0, INSPECTOR_WIDTH, INSPECTOR_HEIGHT, INSPECTOR_BACK);
    char lines[INSPECTOR_TEXT_LINES][INSPECTOR_TEXT_CHARS + 1];
    InspectorTextLines(s, lines);
    for (int k = 0; k < INSPECTOR_INFO_LINES; k++)
        DrawText(view, INSPECTOR_MARGIN, INSPECTOR_MARGIN + k * INSPECTOR_LINE, lines[k], INSPECTOR_TEXT);
    for (int k = INSPECTOR_INFO_LINES; k < INSPECTOR_TEXT_LINES; k++)
        DrawText(view, INSPECTOR_MARGIN, STATS_TOP + (k - INSPECTOR_INFO_LINES) * INSPECTOR_LINE, lines[k], INSPECTOR_TEXT);
    DrawLoupe(view, s);
    DrawPlot(view, s);
}
