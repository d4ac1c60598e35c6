// A point tool's preview following the pointer on a 4000 x 3000 image shown at 35% with the
// halftone stretch: one move inverts the old band and the new one in the image and redraws
// the window over their edges only (as the tools do), beside a whole repaint of the view.
// Runs the framework on the headless backend; the benchmarks run on its worker thread, which
// owns the image window. Prints the ratio at the end.
#include "imagewin/image_table.h"
#include "imagewin/image_view.h"
#include "pxk.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <vector>

#include "bench_program.h"

enum { IMAGE_W = 4000, IMAGE_H = 3000, ZOOM = 35 };

// The window over a box's edges, one pixel of slack around each, as the tools redraw it.
static void RedrawBoxEdges(int l, int t, int r, int b) {
    RedrawImageArea(0, l - 1, t - 1, r + 1, t + 1);
    RedrawImageArea(0, l - 1, b - 1, r + 1, b + 1);
    RedrawImageArea(0, l - 1, t - 1, l + 1, b + 1);
    RedrawImageArea(0, r - 1, t - 1, r + 1, b + 1);
}

static void BM_WholeRepaint(benchmark::State& state) {
    for (auto _ : state) PXK_RedrawImage(0);
}
BENCHMARK(BM_WholeRepaint)->Unit(benchmark::kMillisecond);

// One pointer move of a rectangle band anchored at (500, 400).
static void BM_BandMove(benchmark::State& state) {
    int x = 2000, y = 1500, step = 0;
    PXK_XorBox(500, 400, x, y);
    for (auto _ : state) {
        PXK_XorBox(500, 400, x, y);
        RedrawBoxEdges(500, 400, x, y);
        x = 2000 + (step % 200) * 7;
        y = 1500 + (step % 150) * 5;
        step++;
        PXK_XorBox(500, 400, x, y);
        RedrawBoxEdges(500, 400, x, y);
    }
    PXK_XorBox(500, 400, x, y);
}
BENCHMARK(BM_BandMove)->Unit(benchmark::kMillisecond);

extern "C" void UserSetup(void) { StartRequested.store(1); }

extern "C" void UserMain(void) {
    if (PXK_CreateImage(0, "bench", 0, 0, IMAGE_W, IMAGE_H, ZOOM) != 0 || image_table[0].zoom != ZOOM) {
        fprintf(stderr, "bench_point_tools: the image could not be shown at %d%%\n", ZOOM);
    } else {
        PXK_SetStretchMode(PXK_STRETCH_HALFTONE, 0);
        uint32_t* p = (uint32_t*)image_pixels[0];
        for (int i = 0; i < IMAGE_W * IMAGE_H; i++) p[i] = (uint32_t)(i * 2654435761u) & 0xFFFFFF;
        PXK_RedrawImage(0);
        benchmark::RunSpecifiedBenchmarks();
        const double whole = MedianMs([] { PXK_RedrawImage(0); });
        const double move = MedianMs([] {
            PXK_XorBox(500, 400, 2600, 2100);
            RedrawBoxEdges(500, 400, 2600, 2100);
            PXK_XorBox(500, 400, 2600, 2100);
            RedrawBoxEdges(500, 400, 2600, 2100);
        });
        printf("whole repaint %.2f ms, band move %.2f ms (%.1f%% of a whole repaint)\n", whole, move,
               100.0 * move / whole);
    }
    ExitBenchProgram();
}

int main(int argc, char** argv) { return RunBenchProgram(argc, argv, 2560, 1440); }
