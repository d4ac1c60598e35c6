// The image window's whole-image commands on 4096 x 4096 images in the store: the quarter
// turns (32- and 8-bit), the flips, Invert and the 70.7% / 141.4% size steps in both stretch
// modes, each called as its command calls it, beside OpenCV's operation on the same pixels
// limited to one thread. Wall time throughout, since the stretch shares its rows among the
// drawing layer's threads. Runs the framework on the headless backend; the cases run on its
// worker thread, which owns the image windows. Prints each ratio beside its goal at the end,
// from the medians when run with --benchmark_repetitions (the machine is shared: repeat, and
// interleave with --benchmark_enable_random_interleaving so both sides of a ratio see the
// same load).
#include "imagewin/image_table.h"
#include "imagewin/image_transforms.h"
#include "platform/draw/surface.h"
#include "pxk.h"

#include <benchmark/benchmark.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#ifdef PIXKIT_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

#include "bench_program.h"
#include "bench_ratio.h"

enum { SIDE = 4096, ZOOM = 25, IMAGE32 = 0, IMAGE8 = 1, SCALED = 2 };

// Pixels shared by every case: a copy of what the images start with, and OpenCV's output.
static std::vector<uint32_t> start32((size_t)SIDE * SIDE);
static std::vector<uint32_t> out32((size_t)SIDE * SIDE * 2);

static int Index(const benchmark::State& state) { return state.range(0) == 32 ? IMAGE32 : IMAGE8; }

static void BM_Rotate(benchmark::State& state) {
    for (auto _ : state) RotateImage(Index(state), true);
}
BENCHMARK(BM_Rotate)->Arg(32)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_FlipHorizontal(benchmark::State& state) {
    for (auto _ : state) FlipImage(Index(state), true);
}
BENCHMARK(BM_FlipHorizontal)->Arg(32)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_FlipVertical(benchmark::State& state) {
    for (auto _ : state) FlipImage(Index(state), false);
}
BENCHMARK(BM_FlipVertical)->Arg(32)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_Invert(benchmark::State& state) {
    for (auto _ : state) InvertImage(Index(state));
}
BENCHMARK(BM_Invert)->Arg(32)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

// A size step from the full 4096 x 4096 image: between runs, untimed, the image is made
// again at that size and refilled, as a user's image would be before the command. With a
// third argument of 1 the memory freed images left is given back first, so that the new
// image takes fresh pages (what the step cost before freed memory was reused).
static void BM_Scale(benchmark::State& state) {
    const int per_mille = (int)state.range(0);
    const int mode = state.range(1) ? PXK_STRETCH_HALFTONE : PXK_STRETCH_NEAREST;
    const bool fresh = state.range(2) != 0;
    PXK_SetStretchMode(mode, SCALED);
    for (auto _ : state) {
        state.PauseTiming();
        PXK_ResizeImage(SCALED, SIDE, SIDE);
        memcpy(image_pixels[SCALED], start32.data(), start32.size() * 4);
        if (fresh) PlatDropKeptPixels();
        state.ResumeTiming();
        if (ScaleImage(SCALED, per_mille) != TRANSFORM_DONE) state.SkipWithError("the size step failed");
    }
    if (PXK_GetStretchMode(SCALED) != mode) state.SkipWithError("the stretch mode was lost");
}
BENCHMARK(BM_Scale)->Args({707, 0, 0})->Args({707, 1, 0})->Args({1414, 0, 0})->Args({1414, 1, 0})
    ->Args({707, 0, 1})->Args({1414, 1, 1})->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef PIXKIT_HAVE_OPENCV
static cv::Mat Source(const benchmark::State& state) {
    if (state.range(0) == 32) return cv::Mat(SIDE, SIDE, CV_8UC4, image_pixels[IMAGE32]);
    return cv::Mat(SIDE, SIDE, CV_8UC1, image_pixels[IMAGE8]);
}
static cv::Mat Output(const benchmark::State& state, int w, int h) {
    return cv::Mat(h, w, state.range(0) == 32 ? CV_8UC4 : CV_8UC1, out32.data());
}

static void BM_CvRotate(benchmark::State& state) {
    cv::Mat src = Source(state), dst = Output(state, SIDE, SIDE);
    for (auto _ : state) cv::rotate(src, dst, cv::ROTATE_90_CLOCKWISE);
}
BENCHMARK(BM_CvRotate)->Arg(32)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

// cv::flip codes: 1 mirrors left-right, 0 top-bottom. In place, as the command works.
static void BM_CvFlip(benchmark::State& state) {
    cv::Mat src = Source(state);
    for (auto _ : state) cv::flip(src, src, (int)state.range(1));
}
BENCHMARK(BM_CvFlip)->Args({32, 1})->Args({8, 1})->Args({32, 0})->Args({8, 0})
    ->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_CvNot(benchmark::State& state) {
    cv::Mat src = Source(state);
    for (auto _ : state) cv::bitwise_not(src, src);
}
BENCHMARK(BM_CvNot)->Arg(32)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_CvResize(benchmark::State& state) {
    const int side = (SIDE * (int)state.range(0) + 500) / 1000;
    cv::Mat src(SIDE, SIDE, CV_8UC4, start32.data());
    cv::Mat dst(side, side, CV_8UC4, out32.data());
    const int how = state.range(1) ? cv::INTER_AREA : cv::INTER_NEAREST;
    for (auto _ : state) cv::resize(src, dst, dst.size(), 0, 0, how);
}
BENCHMARK(BM_CvResize)->Args({707, 0})->Args({707, 1})->Args({1414, 0})->Args({1414, 1})
    ->Unit(benchmark::kMillisecond)->UseRealTime();

// The same into a new matrix each time, as the command makes a new image: the output's pages
// are faulted in and the old ones given back inside the timing, as ours are.
static void BM_CvResizeNew(benchmark::State& state) {
    const int side = (SIDE * (int)state.range(0) + 500) / 1000;
    cv::Mat src(SIDE, SIDE, CV_8UC4, start32.data());
    const int how = state.range(1) ? cv::INTER_AREA : cv::INTER_NEAREST;
    for (auto _ : state) {
        cv::Mat dst;
        cv::resize(src, dst, cv::Size(side, side), 0, 0, how);
        benchmark::DoNotOptimize(dst.data);
    }
}
BENCHMARK(BM_CvResizeNew)->Args({707, 0})->Args({707, 1})->Args({1414, 0})->Args({1414, 1})
    ->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

static bool MakeImages() {
    if (PXK_CreateImage(IMAGE32, "32", 0, 0, SIDE, SIDE, ZOOM) != 0) return false;
    if (PXK_CreateImage8(IMAGE8, "8", 0, 0, SIDE, SIDE, ZOOM) != 0) return false;
    if (PXK_CreateImage(SCALED, "scaled", 0, 0, SIDE, SIDE, ZOOM) != 0) return false;
    uint32_t seed = 12345;
    for (uint32_t& p : start32) {
        seed = seed * 1664525u + 1013904223u;
        p = seed >> 8;
    }
    memcpy(image_pixels[IMAGE32], start32.data(), start32.size() * 4);
    for (size_t i = 0; i < start32.size(); i++) image_pixels[IMAGE8][i] = (uint8_t)start32[i];
    memset(out32.data(), 0, out32.size() * 4);
    return true;
}

static void PrintRatios(const RatioReporter& rep) {
    printf("\nRatios of wall time (ours / OpenCV on one thread; below 1 is faster):\n");
    PrintRatio(rep, "rotate 32-bit (goal 1.5x)", "BM_Rotate/32/real_time", "BM_CvRotate/32/real_time");
    PrintRatio(rep, "rotate 8-bit (goal 1.5x)", "BM_Rotate/8/real_time", "BM_CvRotate/8/real_time");
    PrintRatio(rep, "flip horz. 32-bit (goal 1.2x)", "BM_FlipHorizontal/32/real_time", "BM_CvFlip/32/1/real_time");
    PrintRatio(rep, "flip horz. 8-bit (goal 1.2x)", "BM_FlipHorizontal/8/real_time", "BM_CvFlip/8/1/real_time");
    PrintRatio(rep, "flip vert. 32-bit (goal 1.2x)", "BM_FlipVertical/32/real_time", "BM_CvFlip/32/0/real_time");
    PrintRatio(rep, "flip vert. 8-bit (goal 1.2x)", "BM_FlipVertical/8/real_time", "BM_CvFlip/8/0/real_time");
    PrintRatio(rep, "invert 32-bit (goal 1.2x)", "BM_Invert/32/real_time", "BM_CvNot/32/real_time");
    PrintRatio(rep, "invert 8-bit (goal 1.2x)", "BM_Invert/8/real_time", "BM_CvNot/8/real_time");
    PrintRatio(rep, "size 70.7% nearest (goal 1.0x)", "BM_Scale/707/0/0/real_time", "BM_CvResize/707/0/real_time");
    PrintRatio(rep, "size 141.4% nearest (goal 1.0x)", "BM_Scale/1414/0/0/real_time", "BM_CvResize/1414/0/real_time");
    PrintRatio(rep, "size 70.7% halftone (goal 0.5x)", "BM_Scale/707/1/0/real_time", "BM_CvResize/707/1/real_time");
    PrintRatio(rep, "size 141.4% halftone (goal 0.5x)", "BM_Scale/1414/1/0/real_time", "BM_CvResize/1414/1/real_time");
    printf("The same beside OpenCV writing a new matrix each time (a new image, as the command makes):\n");
    PrintRatio(rep, "size 70.7% nearest", "BM_Scale/707/0/0/real_time", "BM_CvResizeNew/707/0/real_time");
    PrintRatio(rep, "size 141.4% nearest", "BM_Scale/1414/0/0/real_time", "BM_CvResizeNew/1414/0/real_time");
    PrintRatio(rep, "size 70.7% halftone", "BM_Scale/707/1/0/real_time", "BM_CvResizeNew/707/1/real_time");
    PrintRatio(rep, "size 141.4% halftone", "BM_Scale/1414/1/0/real_time", "BM_CvResizeNew/1414/1/real_time");
    printf("The same steps into reused memory beside fresh pages (ours both):\n");
    PrintRatio(rep, "size 70.7% nearest", "BM_Scale/707/0/0/real_time", "BM_Scale/707/0/1/real_time");
    PrintRatio(rep, "size 141.4% halftone", "BM_Scale/1414/1/0/real_time", "BM_Scale/1414/1/1/real_time");
}

extern "C" void UserSetup(void) { StartRequested.store(1); }

extern "C" void UserMain(void) {
    if (!MakeImages()) {
        fprintf(stderr, "bench_transforms: the 4096 x 4096 images could not be made\n");
    } else {
#ifdef PIXKIT_HAVE_OPENCV
        cv::setNumThreads(1);
#endif
        RatioReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        PrintRatios(reporter);
    }
    ExitBenchProgram();
}

int main(int argc, char** argv) { return RunBenchProgram(argc, argv, 2560, 1440); }
