// The view fit of image windows: limits from the system metrics and the fitting steps.
//
// The products are taken in 64 bits and the divisions in double precision, so that huge
// sizes or zooms give a sound answer (clamped or refused) instead of a wrapped one.
#include "imagewin/view_fit.h"

#include <math.h>
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

// One axis of the first step: the requested view extent, cut to the maximum, at least 1.
static double RequestedExtent(int size, int zoom, int max_extent) {
    double x = (double)((int64_t)size * (int64_t)zoom) / 100.0;
    if (x > max_extent) x = max_extent;
    if (x < 1) x = 1;
    return x;
}

static int64_t Scaled(int64_t zoom, int size) { return zoom * (int64_t)size / 100; }

bool FitViewInLimits(int width, int height, int zoom, const ViewLimits& limits, ViewFit* out) {
    if (width < 1 || height < 1) return false;
    const double x = RequestedExtent(width, zoom, limits.max_width);
    const double y = RequestedExtent(height, zoom, limits.max_height);
    const double zx = x * 100.0 / width;
    const double zy = y * 100.0 / height;
    int64_t z = (int64_t)(zx < zy ? zx : zy);
    int64_t vw = Scaled(z, width);
    int64_t vh = Scaled(z, height);
    if (vw < limits.min_width || vh < limits.min_height) {
        const double rx = ceil((double)limits.min_width * 100.0 / width);
        const double ry = ceil((double)limits.min_height * 100.0 / height);
        const double r = rx > ry ? rx : ry;
        if (r > (double)INT32_MAX) return false;
        z = (int64_t)r;
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
