// The test pattern's picture, drawn into the current image phase by phase: the program draws
// all of it at each press of "go", and the big-sheet benchmark times each phase of this very
// code. Sizes are in pixels, resolutions in dots per inch.
#pragma once

struct PatternSheet {
    int width, height;   // the sheet in pixels
    int dpi_w, dpi_h;    // the printer's resolution across and down
};

// The grey sheet, edge to edge, with a black border.
void DrawSheetBackground(const PatternSheet& sheet);
// The light inner area a hundredth of the sheet in, and the one-inch grey square in its corner.
void DrawInchSquare(const PatternSheet& sheet);
// The two sweeps of lines with growing spacing: vertical lines along the top beside the
// square, horizontal ones down the left below it.
void DrawSweeps(const PatternSheet& sheet);
// The hue-by-saturation chart: eleven columns of saturation, hue down the rows.
void DrawHueChart(const PatternSheet& sheet);
// The four in order: the whole pattern.
void DrawPattern(const PatternSheet& sheet);
