// The view fit: the zoom and client size an image window gets for a requested zoom, within
// the limits the screen and the smallest window set. Creation, zoom changes and resizing all
// size their windows through it, so an image window always fits the rules below.
#pragma once

struct ViewLimits {
    int min_width;     // smallest client width
    int min_height;    // smallest client height
    int max_width;     // largest client width
    int max_height;    // largest client height
};

struct ViewFit {
    int zoom;          // percent
    int view_width;    // zoom * width / 100
    int view_height;   // zoom * height / 100
};

// Limits from the system metrics. fit_screen 1: the window (caption and frame included) must
// fit on the usable screen and be no smaller than the smallest window; fit_screen 0: the
// client may grow to twice the screen and shrink to one pixel.
ViewLimits ImageViewLimits(int fit_screen);

// Fits a width x height image requested at zoom into the limits. A picture too large is shown
// at the largest zoom not above the request that fits; one too small for the smallest view is
// raised to the smallest zoom that reaches it. Returns false (out untouched) when no zoom
// meets both limits.
bool FitViewInLimits(int width, int height, int zoom, const ViewLimits& limits, ViewFit* out);
bool FitImageView(int width, int height, int zoom, int fit_screen, ViewFit* out);
