// The area chroma plot of a 4096 x 4096 rectangle on three kinds of content: a smooth
// gradient, the same gradient with a little noise in every channel as a camera gives it, and
// pure noise. Each runs beside one plain pass reading the same pixels (a sum), one pass that
// maps every pixel to its chroma point and counts it on a 256 x 256 plane (the least work a
// plot can do), and the plot drawn the straightforward way, one PXK_DrawLine per pixel.
// The read of the rectangle out of the image (PXK_ReadImageRect) is the pass the command
// makes before plotting. Before timing, the program reports whether the plot and the
// straightforward drawing give identical pixels; after the runs it prints the ratios.
#include "imagewin/image_table.h"
#include "imaging/color_profiles.h"
#include "imaging/draw_state.h"
#include "pxk.h"

#include <benchmark/benchmark.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "bench_ratio.h"

// The program runs no windows: the entries the library expects of a program do nothing.
extern "C" void UserSetup(void) {}
extern "C" void UserMain(void) {}

namespace {

enum { SIZE = 4096, PLANE = 256, FAST_SLOT = 0, REF_SLOT = 1, SOURCE_SLOT = 2 };

enum Content { GRADIENT, CAMERA, NOISE };

std::vector<uint32_t> MakeRect(Content content) {
    std::vector<uint32_t> v((size_t)SIZE * SIZE);
    std::mt19937 rng(11);
    for (int y = 0; y < SIZE; y++) {
        for (int x = 0; x < SIZE; x++) {
            int r = x >> 4, g = y >> 4, b = ((x + y) >> 5) & 255;
            if (content == CAMERA) {
                const uint32_t n = rng();
                r = std::clamp(r + (int)(n & 3) - 2, 0, 255);
                g = std::clamp(g + (int)(n >> 2 & 3) - 2, 0, 255);
                b = std::clamp(b + (int)(n >> 4 & 3) - 2, 0, 255);
            }
            v[(size_t)y * SIZE + x] = content == NOISE ? rng() & 0xFFFFFF : (uint32_t)(r << 16 | g << 8 | b);
        }
    }
    return v;
}

const std::vector<uint32_t>& Rect(Content content) {
    static std::vector<uint32_t> rects[3];
    if (rects[content].empty()) rects[content] = MakeRect(content);
    return rects[content];
}

void MakePlane(int slot) {
    ImageRecord& r = image_table[slot];
    r.bits = 32;
    r.width = PLANE;
    r.height = PLANE;
    image_pixels[slot] = static_cast<uint8_t*>(calloc((size_t)PLANE * PLANE, 4));
    r.in_use.store(1);
}

void Select(int slot) {
    current_image.store(slot);
    memset(image_pixels[slot], 0, (size_t)PLANE * PLANE * 4);
}

// The straightforward plot: every segment drawn with the public line.
void RefPlot(const uint32_t* rect) {
    PlotAreaChroma(0, nullptr, 0);   // the frame
    for (int j = 0; j < SIZE; j++) {
        const uint32_t* row = rect + (size_t)j * SIZE;
        ChromaPoint p = ChromaOf(row[0]);
        PXK_PutPixel(p.x, p.y, 0xFFFFFF);
        for (int i = 1; i < SIZE; i++) {
            const ChromaPoint q = ChromaOf(row[i]);
            PXK_DrawLine(0xFFFFFF, p.x, p.y, q.x, q.y);
            p = q;
        }
    }
}

void BM_AreaPlot(benchmark::State& state) {
    const uint32_t* rect = Rect((Content)state.range(0)).data();
    Select(FAST_SLOT);
    for (auto _ : state) PlotAreaChroma(SIZE, rect, SIZE);
}

void BM_AreaPlotRef(benchmark::State& state) {
    const uint32_t* rect = Rect((Content)state.range(0)).data();
    Select(REF_SLOT);
    for (auto _ : state) RefPlot(rect);
}

void BM_ReadPass(benchmark::State& state) {
    const std::vector<uint32_t>& rect = Rect((Content)state.range(0));
    for (auto _ : state) {
        uint64_t sum = 0;
        for (uint32_t c : rect) sum += c;
        benchmark::DoNotOptimize(sum);
    }
}

// The command's own read of the rectangle out of a 4096 x 4096 image.
void BM_ReadImageRect(benchmark::State& state) {
    const std::vector<uint32_t>& rect = Rect((Content)state.range(0));
    ImageRecord& r = image_table[SOURCE_SLOT];
    r.bits = 32;
    r.width = SIZE;
    r.height = SIZE;
    image_pixels[SOURCE_SLOT] = (uint8_t*)rect.data();
    r.in_use.store(1);
    current_image.store(SOURCE_SLOT);
    std::vector<uint32_t> copy(rect.size());
    for (auto _ : state) {
        PXK_ReadImageRect(copy.data(), 0, 0, SIZE, SIZE);
        benchmark::DoNotOptimize(copy.data());
    }
    r.in_use.store(0);
    image_pixels[SOURCE_SLOT] = nullptr;
}

void BM_ChromaCount(benchmark::State& state) {
    const std::vector<uint32_t>& rect = Rect((Content)state.range(0));
    static uint32_t plane[PLANE + 1][PLANE + 1];
    for (auto _ : state) {
        memset(plane, 0, sizeof plane);
        for (uint32_t c : rect) {
            const ChromaPoint p = ChromaOf(c);
            plane[p.y][p.x]++;
        }
        benchmark::DoNotOptimize(plane);
    }
}

BENCHMARK(BM_AreaPlot)->Arg(GRADIENT)->Arg(CAMERA)->Arg(NOISE)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPass)->Arg(GRADIENT)->Arg(CAMERA)->Arg(NOISE)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadImageRect)->Arg(GRADIENT)->Arg(CAMERA)->Arg(NOISE)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChromaCount)->Arg(GRADIENT)->Arg(CAMERA)->Arg(NOISE)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AreaPlotRef)->Arg(GRADIENT)->Arg(CAMERA)->Arg(NOISE)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    ResetImageTable();
    ResetDrawState();
    MakePlane(FAST_SLOT);
    MakePlane(REF_SLOT);
    printf("Results against the straightforward plot:\n");
    const char* names[] = {"gradient", "camera", "noise"};
    for (int content : {GRADIENT, CAMERA, NOISE}) {
        Select(FAST_SLOT);
        PlotAreaChroma(SIZE, Rect((Content)content).data(), SIZE);
        Select(REF_SLOT);
        RefPlot(Rect((Content)content).data());
        const bool same = memcmp(image_pixels[FAST_SLOT], image_pixels[REF_SLOT], (size_t)PLANE * PLANE * 4) == 0;
        printf("  %-24s %s\n", names[content], same ? "identical" : "DIFFERENT");
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printf("\nRatios of CPU time (operation / baseline; below 1 is faster):\n");
    for (int content : {GRADIENT, CAMERA, NOISE}) {
        const std::string arg = "/" + std::to_string(content);
        const std::string plot = "BM_AreaPlot" + arg;
        for (const char* base : {"BM_ReadPass", "BM_ReadImageRect", "BM_ChromaCount", "BM_AreaPlotRef"})
            PrintRatio(reporter, names[content], plot.c_str(), (base + arg).c_str());
    }
    benchmark::Shutdown();
    return 0;
}
