// The window report of a full layout, 256 images with long titles, 256 text windows and a
// button box of 256 buttons, on the headless backend from the worker thread: the window
// kinds describing the layout (report pieces and source) alone, and the whole command with its report printed
// into a text window and the source put on the clipboard (the whole command includes the
// paints its pumps serve). Goal: the report in under 50 ms of the worker's time without
// painting. Prints the medians and the source's size after the runs.
#include "pxk.h"
#include "framework/window_report.h"
#include "runtime/window_description.h"
#include "runtime/window_kinds.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <stdio.h>
#include <string>
#include <vector>

#include "bench_program.h"

static void BuildLayout(void) {
    const std::string title(120, 'T');
    for (int id = 0; id < 256; id++) PXK_OpenTextWindow(id, id * 3, id * 2, 160, 64);
    for (int i = 0; i < 256; i++)
        PXK_CreateImage(i, (title + " \"" + std::to_string(i) + "\"").c_str(), 600 + i, 300 + i, 160, 40, 100);
    PXK_OpenButtonBox(1000, 0, 16, 16);
    for (int b = 0; b < 256; b++) PXK_SetButtonBoxTitle(b, ("b\n" + std::to_string(b)).c_str());
    PXK_OpenTextWindow(0, 0, 0, 640, 480);
    PXK_SelectTextWindow(0);
}

static size_t GenerateOnce(void) {
    WindowDescription description{};
    DescribeWindowKinds(&description);
    size_t length = description.source.length;
    FreeWindowDescription(&description);
    return length;
}

static void BM_CollectAndGenerate(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(GenerateOnce());
}
BENCHMARK(BM_CollectAndGenerate)->Unit(benchmark::kMillisecond);

static void BM_ShowWindowInfo(benchmark::State& state) {
    for (auto _ : state) ShowWindowInfo();
}
BENCHMARK(BM_ShowWindowInfo)->Unit(benchmark::kMillisecond);

extern "C" void UserSetup(void) { StartRequested.store(1); }

extern "C" void UserMain(void) {
    BuildLayout();
    benchmark::RunSpecifiedBenchmarks();
    const double generate = MedianMs([] { GenerateOnce(); });
    const double whole = MedianMs([] { ShowWindowInfo(); });
    printf("source of %zu bytes: read and generated in %.2f ms; whole report %.2f ms (goal: under 50 ms) %s\n",
           GenerateOnce(), generate, whole, whole < 50.0 ? "reached" : "not reached");
    ExitBenchProgram();
}

int main(int argc, char** argv) { return RunBenchProgram(argc, argv, 1920, 1080); }
