/* Exercise 4, Sobel edges: the horizontal and vertical Sobel kernels estimate how fast the
 * brightness changes across x and across y; the gradient's strength is large on edges. Image 1
 * shows the strength, image 2 the pixels whose strength reaches the threshold typed into the
 * input box (redrawn as soon as it arrives). The strength is |gx| + |gy|, or with "L2" set to 1
 * the Euclidean sqrt(gx * gx + gy * gy), rounded; both are exact on every machine. */
#include <math.h>
#include <stdlib.h>
#include <pxk.h>

#ifndef COURSE_DATA
#define COURSE_DATA "examples/data"   /* the build sets it; this suits a run from the source tree */
#endif

enum { W = 160, H = 120 };            /* the size of examples/data/course.png */

static uint32_t picture[W * H];       /* the picture's pixels, 0x00RRGGBB */
static int lum[W * H];                /* its luminance 0..255 */
static int strength[W * H];           /* the gradient's strength, not yet clamped */

static int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

/* The luminance at (x, y), with the nearest pixel inside standing in beyond the border. */
static int At(int x, int y) { return lum[Clamp(y, 0, H - 1) * W + Clamp(x, 0, W - 1)]; }

/* Computes the strength of every pixel and shows it, divided by 4 to fit 0..255, in image 1. */
static void Gradient(int l2) {
    PXK_SelectImage(1);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            /* -1 0 1 / -2 0 2 / -1 0 1 across x, and the same turned a quarter across y */
            int gx = At(x + 1, y - 1) + 2 * At(x + 1, y) + At(x + 1, y + 1)
                   - At(x - 1, y - 1) - 2 * At(x - 1, y) - At(x - 1, y + 1);
            int gy = At(x - 1, y + 1) + 2 * At(x, y + 1) + At(x + 1, y + 1)
                   - At(x - 1, y - 1) - 2 * At(x, y - 1) - At(x + 1, y - 1);
            int s = l2 ? (int)lround(sqrt((double)(gx * gx + gy * gy))) : abs(gx) + abs(gy);
            strength[y * W + x] = s;
            PXK_PutPixel(x, y, Clamp(s / 4, 0, 255));
        }
    PXK_RedrawImage(1);
}

/* Shows the edges, white where the strength reaches t, in image 2. */
static void Edges(int t) {
    PXK_SelectImage(2);
    for (int i = 0; i < W * H; i++) PXK_PutPixel(i % W, i / W, strength[i] >= t ? 255 : 0);
    PXK_RedrawImage(2);
}

void UserSetup(void) {
    PXK_OpenInputBox(700, 20, 2);
    PXK_SetInputBoxTitle(0, "threshold");
    PXK_SetInputBoxInt(0, 200);
    PXK_SetInputBoxTitle(1, "L2");
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
    for (int i = 0; i < W * H; i++) {
        int r = (picture[i] >> 16) & 255, g = (picture[i] >> 8) & 255, b = picture[i] & 255;
        lum[i] = (19595 * r + 38470 * g + 7471 * b + 32768) / 65536;
    }

    PXK_CreateImage8(1, "strength", 20, 300, W, H, 200);
    PXK_CreateImage8(2, "edges", 360, 300, W, H, 200);
    int shown_t = -1, shown_l2 = -1;
    while (!StopRequested) {
        int t = PXK_GetInputBoxInt(0), l2 = PXK_GetInputBoxInt(1) != 0;
        if (l2 != shown_l2) Gradient(l2);
        if (l2 != shown_l2 || t != shown_t) Edges(t);
        shown_t = t;
        shown_l2 = l2;
        PXK_WaitForMessages(100);
        PXK_PumpMessages();
    }
}
