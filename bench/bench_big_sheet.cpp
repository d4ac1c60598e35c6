// The test pattern's "go" on a 15000 x 15000 sheet (50 x 50 inches at 300 dots per inch),
// phase by phase, to show where the time from click to picture goes: the sheet's creation
// and first touch, the three filled boxes, the two line sweeps, the colour chart (one HSV
// conversion and one line per row and column, row by row as the program draws them) and the
// first halftone repaint into a view of 1000 x 1000. Each phase runs once per repetition, in
// the program's order, on fresh pixels; the phases are the application's own drawing code
// (app/pattern_sheet.cpp).
#include "app/pattern_sheet.h"
#include "imagewin/image_table.h"
#include "imaging/draw_state.h"
#include "platform/draw/draw.h"
#include "platform/draw/surface.h"
#include "pxk.h"

#include <benchmark/benchmark.h>

#include <stdio.h>
#include <stdlib.h>

#include <chrono>

namespace {

enum { SHEET = 15000, DPI = 300, VIEW = 1000 };

double Ms(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// Milliseconds of each phase summed over the runs, for the summary after the table.
const char* const kPhaseNames[5] = {"create+first box ms", "two boxes ms", "sweeps ms", "chart ms", "repaint ms"};
double phase[5];
int runs;

void BM_GoBigSheet(benchmark::State& state) {
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        Surface* sheet = nullptr;
        if (PlatCreateSurface(&sheet, SHEET, SHEET, 32) != 0) abort();
        ImageRecord& r = image_table[0];
        r.bits = 32;
        r.width = SHEET;
        r.height = SHEET;
        image_pixels[0] = sheet->pixels;
        r.in_use.store(1);
        PXK_SelectImage(0);
        const PatternSheet pattern{SHEET, SHEET, DPI, DPI};
        DrawSheetBackground(pattern);
        auto t1 = std::chrono::steady_clock::now();
        DrawInchSquare(pattern);
        auto t2 = std::chrono::steady_clock::now();
        DrawSweeps(pattern);
        auto t3 = std::chrono::steady_clock::now();
        DrawHueChart(pattern);
        auto t4 = std::chrono::steady_clock::now();
        Surface* view = nullptr;
        if (PlatCreateSurface(&view, VIEW, VIEW, 32) != 0) abort();
        DrawContext* vdc = PlatCreateMemoryContext(view);
        DrawContext* sdc = PlatCreateMemoryContext(sheet);
        PlatSetStretchMode(vdc, STRETCH_HALFTONE);
        PlatStretchCopy(vdc, 0, 0, VIEW, VIEW, sdc, 0, 0, SHEET, SHEET);
        auto t5 = std::chrono::steady_clock::now();
        phase[0] += Ms(t0, t1);
        phase[1] += Ms(t1, t2);
        phase[2] += Ms(t2, t3);
        phase[3] += Ms(t3, t4);
        phase[4] += Ms(t4, t5);
        runs++;
        PlatDeleteContext(vdc);
        PlatDeleteContext(sdc);
        PlatDestroySurface(view);
        r.in_use.store(0);
        image_pixels[0] = nullptr;
        PlatDestroySurface(sheet);
    }
    for (int i = 0; i < 5; i++) state.counters[kPhaseNames[i]] = phase[i] / runs;
}
BENCHMARK(BM_GoBigSheet)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    ResetImageTable();
    ResetDrawState();
    benchmark::RunSpecifiedBenchmarks();
    double total = 0;
    for (int i = 0; runs > 0 && i < 5; i++) {
        printf("  %-22s %8.1f\n", kPhaseNames[i], phase[i] / runs);
        total += phase[i] / runs;
    }
    printf("  %-22s %8.1f\nGoal: the whole \"go\" within 1500 ms (bench_app_go times the real program).\n",
           "all phases ms", total);
    benchmark::Shutdown();
    return 0;
}
