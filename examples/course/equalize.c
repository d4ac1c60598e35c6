/* Exercise 3, histogram equalisation: the grey levels are remapped so that each level is used
 * about equally often, which spreads a dull picture over the whole range. Image 1 shows the
 * grey picture before, image 2 after, and image 3 both histograms (before on top). The new
 * level of v is 255 * (pixels darker than or as dark as v, less those of the darkest level) /
 * (all pixels, less those of the darkest level), rounded: integer arithmetic, exact. */
#include <pxk.h>

#ifndef COURSE_DATA
#define COURSE_DATA "examples/data"   /* the build sets it; this suits a run from the source tree */
#endif

enum { W = 160, H = 120 };            /* the size of examples/data/course.png */
enum { GRAPH_H = 100 };               /* the height of one histogram in image 3 */

static uint32_t picture[W * H];       /* the picture's pixels, 0x00RRGGBB */
static uint8_t grey[W * H];           /* image 1's pixels: one byte per pixel */

/* Draws a histogram as 256 bars, scaled so the tallest reaches the top, with its top row at y. */
static void DrawHistogram(const unsigned int counts[256], int y, PXK_Color color) {
    unsigned int most = 1;
    for (int v = 0; v < 256; v++)
        if (counts[v] > most) most = counts[v];
    PXK_SelectImage(3);
    for (int v = 0; v < 256; v++) {
        int bar = (int)((counts[v] * (GRAPH_H - 1) + most / 2) / most);
        if (bar > 0) PXK_DrawLine(color, v, y + GRAPH_H - 1, v, y + GRAPH_H - bar);
    }
}

void UserSetup(void) { StartRequested = 1; }   /* run UserMain without waiting for Start */

void UserMain(void) {
    PXK_CreateImage(0, "picture", 20, 20, W, H, 100);
    PXK_SelectImage(0);
    if (PXK_LoadImageFile(COURSE_DATA "/course.png", 0, 0) != 0) {
        PXK_Pause("examples/data/course.png cannot be read");
        return;
    }
    PXK_RedrawImage(0);
    PXK_ReadImageRect(picture, 0, 0, W, H);

    /* Before: the luminance squeezed into 64..191, so that the picture looks dull. */
    PXK_CreateImage8(1, "before", 20, 200, W, H, 200);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            uint32_t c = picture[y * W + x];
            int r = (c >> 16) & 255, g = (c >> 8) & 255, b = c & 255;
            int lum = (19595 * r + 38470 * g + 7471 * b + 32768) / 65536;
            PXK_PutPixel(x, y, 64 + lum / 2);
        }
    PXK_RedrawImage(1);

    /* The mapping from the cumulative histogram. */
    unsigned int before[256], after[256];
    PXK_GetHistogram(1, 0, before);   /* channel 0 of an 8-bit image: its levels */
    unsigned int below = 0, first = 0, map[256];
    for (int v = 0; v < 256 && first == 0; v++) first = before[v];   /* the darkest level's count */
    for (int v = 0; v < 256; v++) {
        below += before[v];
        unsigned int n = W * H - first;
        map[v] = below <= first || n == 0 ? 0 : ((below - first) * 255 + n / 2) / n;
    }

    /* After: every pixel through the mapping. */
    PXK_SelectImage(1);
    PXK_ReadImageRect(grey, 0, 0, W, H);
    PXK_CreateImage8(2, "after", 360, 200, W, H, 200);
    PXK_SelectImage(2);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) PXK_PutPixel(x, y, (PXK_Color)map[grey[y * W + x]]);
    PXK_RedrawImage(2);

    /* Both histograms, before (grey) above after (white); the after one has gaps and spikes
     * since levels can only move together. */
    PXK_GetHistogram(2, 0, after);
    PXK_CreateImage(3, "histograms", 700, 200, 256, 2 * GRAPH_H + 4, 200);
    DrawHistogram(before, 0, 0xA0A0A0);
    DrawHistogram(after, GRAPH_H + 4, 0xFFFFFF);
    PXK_RedrawImage(3);

    while (!StopRequested) {          /* keep the windows working until Stop */
        PXK_WaitForMessages(1000);
        PXK_PumpMessages();
    }
}
