/* Exercise 2, 3 x 3 convolution: each output pixel is a weighted sum of the pixel and its eight
 * neighbours, channel by channel. The button box chooses the weights (the kernel): blur,
 * sharpen or emboss. At the picture's border the nearest pixel inside stands in for the
 * missing neighbours. Everything is integer arithmetic, so the result is exact. */
#include <pxk.h>

#ifndef COURSE_DATA
#define COURSE_DATA "examples/data"   /* the build sets it; this suits a run from the source tree */
#endif

enum { W = 160, H = 120 };            /* the size of examples/data/course.png */

static uint32_t picture[W * H];       /* the picture's pixels, 0x00RRGGBB */

/* A kernel: nine weights, row by row, and the number the sum is divided by. */
typedef struct {
    const char* name;
    int weight[9];
    int divisor;
} Kernel;

static const Kernel kernels[3] = {
    {"blur", {1, 2, 1, 2, 4, 2, 1, 2, 1}, 16},         /* a small Gaussian: weights add to 16 */
    {"sharpen", {0, -1, 0, -1, 5, -1, 0, -1, 0}, 1},   /* the pixel minus its neighbours' blur */
    {"emboss", {-2, -1, 0, -1, 1, 1, 0, 1, 2}, 1},     /* edges stand out as a relief */
};

static int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

/* Divides and rounds half away from zero (C's / alone truncates toward zero). */
static int DivideRounded(int sum, int divisor) {
    return sum >= 0 ? (sum + divisor / 2) / divisor : -((-sum + divisor / 2) / divisor);
}

/* Convolves the picture with kernel k into the 32-bit image 1 and shows it. */
static void Convolve(const Kernel* k) {
    PXK_SelectImage(1);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            int sum[3] = {0, 0, 0};   /* red, green, blue */
            for (int j = -1; j <= 1; j++)
                for (int i = -1; i <= 1; i++) {
                    uint32_t c = picture[Clamp(y + j, 0, H - 1) * W + Clamp(x + i, 0, W - 1)];
                    int w = k->weight[(j + 1) * 3 + (i + 1)];
                    sum[0] += w * (int)((c >> 16) & 255);
                    sum[1] += w * (int)((c >> 8) & 255);
                    sum[2] += w * (int)(c & 255);
                }
            int r = Clamp(DivideRounded(sum[0], k->divisor), 0, 255);
            int g = Clamp(DivideRounded(sum[1], k->divisor), 0, 255);
            int b = Clamp(DivideRounded(sum[2], k->divisor), 0, 255);
            PXK_PutPixel(x, y, (r << 16) | (g << 8) | b);
        }
    PXK_RedrawImage(1);
    PXK_SetStatusText(k->name);
}

void UserSetup(void) {
    /* One row of three buttons, labelled with the kernels' names. */
    PXK_OpenButtonBox(700, 20, 3, 1);
    PXK_ResizeButtonBox(300, 40);
    for (int i = 0; i < 3; i++) PXK_SetButtonBoxTitle(i, kernels[i].name);
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

    PXK_CreateImage(1, "convolved", 360, 20, W, H, 200);
    Convolve(&kernels[0]);            /* start with the blur */
    while (!StopRequested) {
        /* A button counts its presses until we read them; the last one pressed wins. */
        for (int i = 0; i < 3; i++)
            if (PXK_GetButtonPress(i) > 0) Convolve(&kernels[i]);
        PXK_WaitForMessages(100);
        PXK_PumpMessages();
    }
}
