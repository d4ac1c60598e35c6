// The test pattern's picture (see pattern_sheet.h). The margins are a hundredth of the sheet;
// the sweeps and the chart start an inch and two margins from the top-left corner and end two
// margins from the far edges.
#include "pattern_sheet.h"

#include <pxk.h>

// One sweep of lines with growing spacing: groups of evenly spaced lines 2, 3, 4, ...
// apart, each group about q pixels wide, ending at the first line beyond limit - 1.
static void Sweep(bool vertical, int start, int limit, int from, int to) {
    int q = (limit - start - 1) / 4;
    int cur = start;
    for (int s = 2;; s++) {
        if (cur > limit - 1) return;
        for (int m = 0; m == 0 || m * s <= q; m++) {
            int at = cur + m * s;
            if (at > limit - 1) return;
            if (vertical) PXK_DrawLine(0x000000, at, from, at, to);
            else PXK_DrawLine(0x000000, from, at, to, at);
        }
        cur = cur + q + s;
    }
}

void DrawSheetBackground(const PatternSheet& p) { PXK_DrawFilledBox(0, 0, p.width - 1, p.height - 1, 0x000000, 0xA0A0A0); }

void DrawInchSquare(const PatternSheet& p) {
    int mw = p.width / 100, mh = p.height / 100;
    PXK_DrawFilledBox(mw, mh, p.width - mw - 1, p.height - mh - 1, 0x000000, 0xE0E0E0);
    PXK_DrawFilledBox(2 * mw, 2 * mh, 2 * mw + p.dpi_w - 1, 2 * mh + p.dpi_h - 1, 0x000000, 0x808080);
}

void DrawSweeps(const PatternSheet& p) {
    int mw = p.width / 100, mh = p.height / 100;
    int x0 = 3 * mw + p.dpi_w, r = p.width - 2 * mw;
    Sweep(true, x0, r, 2 * mh, 2 * mh + p.dpi_h - 1);
    int y0 = 3 * mh + p.dpi_h, bt = p.height - 2 * mh;
    Sweep(false, y0, bt, 2 * mw, 2 * mw + p.dpi_w - 1);
}

void DrawHueChart(const PatternSheet& p) {
    int mw = p.width / 100, mh = p.height / 100;
    int x0 = 3 * mw + p.dpi_w, r = p.width - 2 * mw;
    int y0 = 3 * mh + p.dpi_h, bt = p.height - 2 * mh;
    int cw = (r - x0 - 1) / 11;
    int n = bt - 1 - y0;
    // Row by row, the eleven columns left to right: each row's pixels are written once,
    // in order, while a column at a time would cross the whole chart eleven times. Rows do
    // not share pixels and the columns keep their order, so the picture is the same.
    for (int row = 0; row < n; row++) {
        int h = (360 * row) / n;
        for (int c = 0; c <= 10; c++) {
            int s = (255 * c) / 10;
            PXK_DrawLine(PXK_HSVtoRGB(255, s, h), x0 + c * cw, y0 + row, x0 + c * cw + cw - 1, y0 + row);
        }
    }
}

void DrawPattern(const PatternSheet& sheet) {
    DrawSheetBackground(sheet);
    DrawInchSquare(sheet);
    DrawSweeps(sheet);
    DrawHueChart(sheet);
}
