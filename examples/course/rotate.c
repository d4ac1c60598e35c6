/* Exercise 7, rotation by any angle: every pixel of the result asks where it came from (the
 * inverse rotation about the picture's centre) and reads the picture there by bilinear
 * sampling, a blend of the four pixels around that point weighted by how near each one is.
 * Asking backwards leaves no holes, which pushing each source pixel forward would. The angle
 * (degrees, clockwise on the screen) and a scale in percent come from the input box; the
 * result is redrawn as soon as a value arrives. Parts that come from outside are black. */
#include <math.h>
#include <pxk.h>

#ifndef COURSE_DATA
#define COURSE_DATA "examples/data"   /* the build sets it; this suits a run from the source tree */
#endif

enum { W = 160, H = 120 };            /* the size of examples/data/course.png */

static uint32_t picture[W * H];       /* the picture's pixels, 0x00RRGGBB */

/* Channel `shift` (16 red, 8 green, 0 blue) of the pixel at (x, y), 0 outside the picture. */
static double Channel(int x, int y, int shift) {
    if (x < 0 || y < 0 || x >= W || y >= H) return 0;
    return (double)((picture[y * W + x] >> shift) & 255);
}

/* The picture at the point (sx, sy) between pixels, blended from its four neighbours. */
static PXK_Color Bilinear(double sx, double sy) {
    int x0 = (int)floor(sx), y0 = (int)floor(sy);
    double fx = sx - x0, fy = sy - y0;   /* how far past the top-left neighbour, 0..1 */
    PXK_Color c = 0;
    for (int shift = 16; shift >= 0; shift -= 8) {
        double top = Channel(x0, y0, shift) * (1 - fx) + Channel(x0 + 1, y0, shift) * fx;
        double bottom = Channel(x0, y0 + 1, shift) * (1 - fx) + Channel(x0 + 1, y0 + 1, shift) * fx;
        int v = (int)floor(top * (1 - fy) + bottom * fy + 0.5);
        c |= v << shift;
    }
    return c;
}

/* Draws the picture turned by `degrees` and scaled by `percent` into image 1. */
static void Rotate(double degrees, double percent) {
    double a = degrees * 3.14159265358979323846 / 180, s = percent > 0 ? percent / 100 : 1;
    double cosa = cos(a), sina = sin(a);
    double cx = (W - 1) / 2.0, cy = (H - 1) / 2.0;   /* the centre, between pixels */
    PXK_SelectImage(1);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            double dx = x - cx, dy = y - cy;
            /* Undo the scale, then turn back by the angle. */
            double sx = cx + (cosa * dx + sina * dy) / s;
            double sy = cy + (-sina * dx + cosa * dy) / s;
            PXK_PutPixel(x, y, Bilinear(sx, sy));
        }
    PXK_RedrawImage(1);
}

void UserSetup(void) {
    PXK_OpenInputBox(700, 20, 2);
    PXK_SetInputBoxTitle(0, "angle");
    PXK_SetInputBoxInt(0, 30);
    PXK_SetInputBoxTitle(1, "scale %");
    PXK_SetInputBoxInt(1, 100);
    StartRequested = 1;               /* run UserMain without waiting for Start */
}

void UserMain(void) {
    PXK_CreateImage(0, "picture", 20, 20, W, H, 200);
    PXK_SelectImage(0);
    if (PXK_LoadImageFile(COURSE_DATA "/course.png", 0, 0) != 0) {
        PXK_Pause("examples/data/course.png cannot be read");
        return;
    }
    PXK_RedrawImage(0);
    PXK_ReadImageRect(picture, 0, 0, W, H);

    PXK_CreateImage(1, "rotated", 360, 20, W, H, 200);
    double shown_angle = NAN, shown_scale = NAN;
    while (!StopRequested) {
        double angle = PXK_GetInputBoxValue(0), scale = PXK_GetInputBoxValue(1);
        if (angle != shown_angle || scale != shown_scale) {
            Rotate(angle, scale);
            shown_angle = angle;
            shown_scale = scale;
        }
        PXK_WaitForMessages(100);
        PXK_PumpMessages();
    }
}
