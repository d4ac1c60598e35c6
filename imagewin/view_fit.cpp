// The view fit of image windows: limits from the system metrics and the fitting steps.
//
// Everything is decided in 64-bit integers: huge sizes or zooms give a sound answer (clamped
// or refused) instead of a wrapped one, and no zoom is lost to a rounded quotient.
#include "imagewin/view_fit.h"

#include <stdint.h>

#include "platform/window/window.h"

ViewLimits ImageViewLimits(int fit_screen) {
    ViewLimits l;
    if (fit_screen) {
        const int frame = PlatGetSystemMetric(METRIC_CXFRAME);   // serves for the height too
        const int caption = PlatGetSystemMetric(METRIC_CYCAPTION);
        l.min_width = PlatGetSystemMetric(METRIC_CXMINTRACK) - 2 * frame;
        l.min_height = PlatGetSystemMetric(METRIC_CYMINTRACK) - 2 * frame - caption;
        // The full-screen client size: the work area's width, and its height less a caption.
        l.max_width = PlatGetSystemMetric(METRIC_CXFULLSCREEN);
        l.max_height = PlatGetSystemMetric(METRIC_CYFULLSCREEN);
    } else {
        l.min_width = 1;
        l.min_height = 1;
        l.max_width = 2 * PlatGetSystemMetric(METRIC_CXSCREEN);
        l.max_height = 2 * PlatGetSystemMetric(METRIC_CYSCREEN);
    }
    return l;
}

// One axis of the first step: the requested zoom when its view extent fits the maximum,
// otherwise the largest zoom whose extent does, floor(max * 100 / size). Deciding this in
// integers keeps a request that fits exactly as asked (a quotient in floating point can fall
// just below the whole zoom and be cut to the one below it).
static int64_t ZoomWithinMaximum(int size, int64_t zoom, int max_extent) {
    if ((int64_t)size * zoom <= (int64_t)max_extent * 100) return zoom;
    return (int64_t)max_extent * 100 / size;
}

// One axis of the raise for small pictures: the smallest zoom whose extent reaches min_extent.
static int64_t ZoomReachingMinimum(int size, int min_extent) {
    return ((int64_t)min_extent * 100 + size - 1) / size;
}

static int64_t Scaled(int64_t zoom, int size) { return zoom * (int64_t)size / 100; }

bool FitViewInLimits(int width, int height, int zoom, const ViewLimits& limits, ViewFit* out) {
    if (width < 1 || height < 1) return false;
    int64_t z = ZoomWithinMaximum(width, zoom, limits.max_width);
    const int64_t zy = ZoomWithinMaximum(height, zoom, limits.max_height);
    if (zy < z) z = zy;
    int64_t vw = Scaled(z, width);
    int64_t vh = Scaled(z, height);
    if (vw < limits.min_width || vh < limits.min_height) {
        const int64_t rx = ZoomReachingMinimum(width, limits.min_width);
        const int64_t ry = ZoomReachingMinimum(height, limits.min_height);
        z = rx > ry ? rx : ry;
        vw = Scaled(z, width);
        vh = Scaled(z, height);
        if (vw > limits.max_width || vh > limits.max_height) return false;
    }
    if (z < 1 || z > INT32_MAX) return false;
    out->zoom = (int)z;
    out->view_width = (int)vw;
    out->view_height = (int)vh;
    return true;
}

bool FitImageView(int width, int height, int zoom, int fit_screen, ViewFit* out) {
    return FitViewInLimits(width, height, zoom, ImageViewLimits(fit_screen), out);
}
