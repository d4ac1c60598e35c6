// What the inspector window shows, as a pure drawing of a snapshot: the image and the pixel
// under the mouse in text lines, an 11 x 11 loupe around that pixel, the histogram plot of
// the whole image and its statistics per channel. The snapshot is gathered from the image
// on the thread that owns the images; drawing it needs nothing else, so the window, the
// tests and the benchmark all draw the same way.
//
// Layout (client pixels; the bitmap font's 8 x 14 glyphs on lines 16 apart):
//   info lines 0..4     at (8, 8 + 16 k)
//   loupe               11 x 11 cells of 28 pixels at (8, 92); cell (i, j) shows image pixel
//                       (x + i - 5, y + j - 5); the centre cell has a two-pixel frame,
//                       white outside and black inside; a cell outside the image is hatched
//   histogram plot      256 x 100 at (34, 408) on black in a grey frame one pixel outside
//   statistics lines    at (8, 514 + 16 k): a heading, then one line per channel
#pragma once

#include <stdint.h>

struct Surface;

enum {
    INSPECTOR_WIDTH = 324,
    INSPECTOR_HEIGHT = 602,
    INSPECTOR_MARGIN = 8,
    INSPECTOR_LINE = 16,
    INSPECTOR_INFO_LINES = 5,
    INSPECTOR_TEXT_CHARS = 38,   // characters that fit a line
    LOUPE_CELLS = 11,
    LOUPE_RADIUS = 5,
    LOUPE_CELL = 28,
    LOUPE_LEFT = 8,
    LOUPE_TOP = 92,
    PLOT_LEFT = 34,
    PLOT_TOP = 408,
    PLOT_WIDTH = 256,
    PLOT_HEIGHT = 100,
    STATS_TOP = 514,
    // The loupe's digits: 5 x 7 glyphs, 6 pixels apart, lines 8 apart.
    DIGIT_WIDTH = 5,
    DIGIT_HEIGHT = 7,
    DIGIT_ADVANCE = 6,
    DIGIT_LINE = 8
};

enum : uint32_t {
    INSPECTOR_BACK = 0x202020,
    INSPECTOR_TEXT = 0xE0E0E0,
    OUTSIDE_BACK = 0x303030,     // a cell outside the image: this colour ...
    OUTSIDE_HATCH = 0x686868,    // ... with a diagonal line where (cx + cy) % 4 == 0 in the cell
    PLOT_BACK = 0x000000,
    PLOT_FRAME = 0x808080,
    PLOT_INDEX = 0xC0C0C0        // 8-bit images: one bar per index
};
namespace pxk {
// The curves of a 32-bit image in drawing order (R, G, B, then Y over them) and their channel.
extern const uint32_t plot_curve_colors[4];
extern const int plot_curve_channels[4];
// Glyphs of the digits 0..9, one byte per row from the top, bit 4 the leftmost column.
extern const uint8_t loupe_digits[10][DIGIT_HEIGHT];
}  // namespace pxk
using pxk::plot_curve_colors, pxk::plot_curve_channels, pxk::loupe_digits;

struct InspectorSnapshot {
    int image;                    // -1: no image followed (the rest is unused)
    char title[INSPECTOR_TEXT_CHARS + 1];
    int width, height, bits, zoom;
    bool has_point;               // a pointer position is known
    int x, y;                     // image pixel under the pointer
    // The loupe: cell [j][i] is pixel (x + i - 5, y + j - 5); colours 0x00RRGGBB.
    bool inside[LOUPE_CELLS][LOUPE_CELLS];
    uint32_t color[LOUPE_CELLS][LOUPE_CELLS];
    uint8_t index[LOUPE_CELLS][LOUPE_CELLS];   // 8-bit images
    bool log_scale;
    bool has_counts;
    uint32_t counts[4][256];      // 32 bits: Y, R, G, B; 8 bits: [0] the indices
};

// Reads what the snapshot needs of image `index` around pixel (x, y) (has_point false: no
// pixel); the counts are the caller's. On the thread that owns the images.
void GatherInspectorPixels(int index, bool has_point, int x, int y, InspectorSnapshot* s);

struct ChannelStats {
    bool any;                     // some pixel counted
    int min, max;
    double mean, sd;              // sd: the population standard deviation
};
ChannelStats HistogramStats(const uint32_t counts[256]);
// The plot's height of a count: 0..PLOT_HEIGHT - 1, linear or log scale against max.
int PlotHeight(uint32_t count, uint32_t max, bool log_scale);

// The text lines of the snapshot (info lines, then the statistics heading and lines, empty
// strings for lines not shown); returns how many of the INSPECTOR_INFO_LINES + 5 were set.
enum { INSPECTOR_TEXT_LINES = INSPECTOR_INFO_LINES + 5 };
void InspectorTextLines(const InspectorSnapshot& s, char lines[INSPECTOR_TEXT_LINES][INSPECTOR_TEXT_CHARS + 1]);

// Draws the whole client area into a 32-bit surface of INSPECTOR_WIDTH x INSPECTOR_HEIGHT.
void RenderInspector(Surface* view, const InspectorSnapshot& s);
