// The inspector's hot paths on a 100-megapixel image (10000 x 10000): the histogram of one
// channel through PXK_GetHistogram (the row pool's threads and the caller), all four channels
// in one pass (what the inspector counts when its image is shown again), a plain per-pixel
// loop on one thread beside them, and the redraw after a mouse move (the loupe's pixels
// gathered, the whole view drawn and copied as to the window). Before timing, the histograms
// are checked against the plain loop. Goals: a histogram under 60 ms, a redraw under 2 ms.
#include "imagewin/image_histogram.h"
#include "imagewin/image_table.h"
#include "imaging/pixel_panel_view.h"
#include "platform/draw/draw.h"
#include "platform/draw/surface.h"
#include "pxk.h"

#include <benchmark/benchmark.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <random>
#include <vector>

#include "bench_ratio.h"

extern "C" void UserSetup(void) {}
extern "C" void UserMain(void) {}

namespace {

enum { SIZE = 10000, SLOT = 0, SMALL_SLOT = 1, SMALL_W = 512, SMALL_H = 500 };

Surface* g_window_like = nullptr;   // stands for the window the view is copied to
DrawContext* g_window_dc = nullptr;

void MakeImage(int slot, int width, int height) {
    Surface* s = nullptr;
    if (PlatCreateSurface(&s, width, height, 32) != 0) abort();
    // A photograph-like spread: smooth ramps with noise, so every counter is busy.
    std::mt19937 rng(5);
    for (int y = 0; y < height; y++) {
        uint32_t* row = (uint32_t*)SurfaceRow(s, y);
        for (int x = 0; x < width; x++)
            row[x] = ((uint32_t)(x / 40 + rng() % 16) & 255) << 16 | ((uint32_t)(y / 40 + rng() % 16) & 255) << 8 |
                     ((uint32_t)((x + y) / 80) & 255);
    }
    ImageRecord& r = image_table[slot];
    r.bits = 32;
    r.width = width;
    r.height = height;
    r.zoom = 100;
    r.dib = s;
    r.memory_dc = PlatCreateMemoryContext(s);
    r.title = strdup("hundred megapixels");
    image_pixels[slot] = s->pixels;
    r.in_use.store(1);
}

__attribute__((noinline)) void PlainLuminance(uint32_t* counts) {
    memset(counts, 0, 256 * sizeof(uint32_t));
    const uint32_t* p = (const uint32_t*)image_pixels[SLOT];
    for (size_t i = 0; i < (size_t)SIZE * SIZE; i++) {
        const uint32_t c = p[i], R = (c >> 16) & 255, G = (c >> 8) & 255, B = c & 255;
        counts[(19595 * R + 38470 * G + 7471 * B + 32768) >> 16]++;
    }
}

void BM_HistogramY(benchmark::State& state) {
    unsigned counts[256];
    for (auto _ : state) benchmark::DoNotOptimize(PXK_GetHistogram(SLOT, 0, counts));
}
BENCHMARK(BM_HistogramY)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_HistogramR(benchmark::State& state) {
    unsigned counts[256];
    for (auto _ : state) benchmark::DoNotOptimize(PXK_GetHistogram(SLOT, 1, counts));
}
BENCHMARK(BM_HistogramR)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same work on one thread: an image below the pool's threshold counted until 100 MP
// have passed, in CPU time; half of it is what two idle cores would take.
void BM_HistogramYOneThread(benchmark::State& state) {
    unsigned counts[256];
    const int rounds = (int)((long long)SIZE * SIZE / (SMALL_W * SMALL_H));
    for (auto _ : state)
        for (int i = 0; i < rounds; i++) benchmark::DoNotOptimize(PXK_GetHistogram(SMALL_SLOT, 0, counts));
}
BENCHMARK(BM_HistogramYOneThread)->Unit(benchmark::kMillisecond);

void BM_HistogramAllFour(benchmark::State& state) {
    static uint32_t counts[4][256];
    for (auto _ : state) benchmark::DoNotOptimize(CountImageChannels(SLOT, 0xFu, counts));
}
BENCHMARK(BM_HistogramAllFour)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_HistogramPlainY(benchmark::State& state) {
    uint32_t counts[256];
    for (auto _ : state) {
        PlainLuminance(counts);
        benchmark::DoNotOptimize(counts[0]);
    }
}
BENCHMARK(BM_HistogramPlainY)->Unit(benchmark::kMillisecond)->UseRealTime();

// A mouse move: the new pixel's loupe gathered, the view drawn (histogram kept), copied out.
void BM_InspectorRedraw(benchmark::State& state) {
    static InspectorSnapshot s{};
    Surface* view = nullptr;
    if (PlatCreateSurface(&view, INSPECTOR_WIDTH, INSPECTOR_HEIGHT, 32) != 0) abort();
    DrawContext* view_dc = PlatCreateMemoryContext(view);
    CountImageChannels(SLOT, 0xFu, s.counts);
    s.has_counts = true;
    int x = 0;
    for (auto _ : state) {
        x = (x + 997) % SIZE;
        GatherInspectorPixels(SLOT, true, x, SIZE - 1 - x, &s);
        s.has_counts = true;
        RenderInspector(view, s);
        PlatCopyRect(g_window_dc, 0, 0, INSPECTOR_WIDTH, INSPECTOR_HEIGHT, view_dc, 0, 0);
    }
    PlatDeleteContext(view_dc);
    PlatDestroySurface(view);
}
BENCHMARK(BM_InspectorRedraw)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    ResetImageTable();
    MakeImage(SLOT, SIZE, SIZE);
    MakeImage(SMALL_SLOT, SMALL_W, SMALL_H);
    if (PlatCreateSurface(&g_window_like, INSPECTOR_WIDTH, INSPECTOR_HEIGHT, 32) != 0) abort();
    g_window_dc = PlatCreateMemoryContext(g_window_like);
    uint32_t plain[256];
    unsigned got[256];
    PlainLuminance(plain);
    PXK_GetHistogram(SLOT, 0, got);
    printf("Results against the plain loop:\n  histogram Y of 100 MP: %s\n",
           memcmp(plain, got, sizeof got) == 0 ? "identical" : "DIFFERENT");
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printf("\nRatios of wall time (operation / baseline; below 1 is faster):\n");
    PrintRatio(reporter, "histogram Y", "BM_HistogramY/real_time", "BM_HistogramPlainY/real_time");
    PrintRatio(reporter, "histogram, four channels", "BM_HistogramAllFour/real_time", "BM_HistogramPlainY/real_time");
    auto goal = [&](const char* what, const char* name, double limit, const char* unit) {
        auto t = reporter.times.find(name);
        if (t != reporter.times.end()) printf("  %-34s %8.2f %s (goal < %.0f %s)\n", what, t->second, unit, limit, unit);
    };
    printf("\nGoals:\n");
    goal("histogram Y, 100 MP", "BM_HistogramY/real_time", 60, "ms");
    goal("histogram R, 100 MP", "BM_HistogramR/real_time", 60, "ms");
    goal("histogram Y, 100 MP, one thread's CPU", "BM_HistogramYOneThread", 120, "ms");
    goal("inspector redraw on a move", "BM_InspectorRedraw", 2000, "us");
    return 0;
}
