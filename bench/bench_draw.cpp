// Drawing hot paths on 4096 x 4096 surfaces: stretched copies (area average and nearest),
// the in-place flip, fill and inversion, each beside memcpy/memset of the same bytes and a
// plain per-pixel loop that computes every mapping and bounds check for every pixel; and the
// repaint of a small damaged rectangle of a very large image against its whole repaint.
// After the runs the program prints each operation's time as a ratio of its baselines.
#include "platform/draw/draw.h"
#include "platform/draw/stretch.h"
#include "platform/draw/surface.h"

#include <benchmark/benchmark.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#ifdef PIXKIT_HAVE_OPENCV
#include <opencv2/imgproc.hpp>
#endif

#include "bench_ratio.h"

namespace {

enum { BIG = 4096, SMALL_OUT = 1400, SMALL_IN = 512 };

Surface* NewSurface(int w, int h) {
    Surface* s = nullptr;
    if (PlatCreateSurface(&s, w, h, 32) != 0) abort();
    uint32_t seed = 12345;
    for (int y = 0; y < h; y++) {
        uint32_t* row = (uint32_t*)SurfaceRow(s, y);
        for (int x = 0; x < w; x++) {
            seed = seed * 1664525u + 1013904223u;
            row[x] = seed >> 8;
        }
    }
    return s;
}

struct Fixture {
    Surface* big = NewSurface(BIG, BIG);
    Surface* big2 = NewSurface(BIG, BIG);
    Surface* mid = NewSurface(SMALL_OUT, SMALL_OUT);
    Surface* small = NewSurface(SMALL_IN, SMALL_IN);
    DrawContext* big_dc = PlatCreateMemoryContext(big);
    DrawContext* big2_dc = PlatCreateMemoryContext(big2);
    DrawContext* mid_dc = PlatCreateMemoryContext(mid);
    DrawContext* small_dc = PlatCreateMemoryContext(small);
};

Fixture& F() {
    static Fixture f;
    return f;
}

size_t Bytes(const Surface* s) { return (size_t)s->stride * (size_t)s->height; }

// ---- Baselines -----------------------------------------------------------------------------

void BM_Memcpy_Big(benchmark::State& state) {
    for (auto _ : state) {
        memcpy(F().big2->pixels, F().big->pixels, Bytes(F().big));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Memcpy_Big)->Unit(benchmark::kMillisecond);

void BM_Memset_Big(benchmark::State& state) {
    for (auto _ : state) {
        memset(F().big2->pixels, 0x5A, Bytes(F().big2));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Memset_Big)->Unit(benchmark::kMillisecond);

void BM_Memcpy_Mid(benchmark::State& state) {
    for (auto _ : state) {
        memcpy(F().mid->pixels, F().big->pixels, Bytes(F().mid));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Memcpy_Mid)->Unit(benchmark::kMillisecond);

// ---- Per-pixel reference loops, one pixel at a time with bounds checks ------------------

inline uint32_t GetPx(const Surface* s, int x, int y) {
    if ((unsigned)x >= (unsigned)s->width || (unsigned)y >= (unsigned)s->height) return 0;
    return ((const uint32_t*)SurfaceRow(s, y))[x];
}
inline void PutPx(Surface* s, int x, int y, uint32_t v) {
    if ((unsigned)x >= (unsigned)s->width || (unsigned)y >= (unsigned)s->height) return;
    ((uint32_t*)SurfaceRow(s, y))[x] = v;
}

void RefNearest(Surface* dst, int dw, int dh, const Surface* src, int sw, int sh) {
    for (int y = 0; y < dh; y++)
        for (int x = 0; x < dw; x++)
            PutPx(dst, x, y, GetPx(src, (int)((long long)x * sw / dw), (int)((long long)y * sh / dh)));
}

void RefArea(Surface* dst, int dw, int dh, const Surface* src, int sw, int sh) {
    unsigned long long total = (unsigned long long)sw * sh;
    for (int y = 0; y < dh; y++) {
        for (int x = 0; x < dw; x++) {
            unsigned long long sum[3] = {0, 0, 0};
            long long x_lo = (long long)x * sw, x_hi = x_lo + sw, y_lo = (long long)y * sh, y_hi = y_lo + sh;
            for (long long j = y_lo / dh; j * dh < y_hi; j++) {
                long long wy = std::min((j + 1) * dh, y_hi) - std::max(j * dh, y_lo);
                for (long long i = x_lo / dw; i * dw < x_hi; i++) {
                    long long wx = std::min((i + 1) * dw, x_hi) - std::max(i * dw, x_lo);
                    uint32_t p = GetPx(src, (int)i, (int)j);
                    sum[0] += (unsigned long long)(wx * wy) * ((p >> 16) & 255);
                    sum[1] += (unsigned long long)(wx * wy) * ((p >> 8) & 255);
                    sum[2] += (unsigned long long)(wx * wy) * (p & 255);
                }
            }
            uint32_t v = 0;
            for (int c = 0; c < 3; c++) v = (v << 8) | (uint32_t)((2 * sum[c] + total) / (2 * total));
            PutPx(dst, x, y, v);
        }
    }
}

// ---- The operations ------------------------------------------------------------------------

void BM_Halftone_4096_to_1400(benchmark::State& state) {
    PlatSetStretchMode(F().mid_dc, STRETCH_HALFTONE);
    for (auto _ : state) PlatStretchCopy(F().mid_dc, 0, 0, SMALL_OUT, SMALL_OUT, F().big_dc, 0, 0, BIG, BIG);
}
// Wall time: a stretch this large shares its rows out among the layer's threads.
BENCHMARK(BM_Halftone_4096_to_1400)->Unit(benchmark::kMillisecond)->UseRealTime();

// The image window's repaints: a 4096 x 4096 image at 34 % and a 12000 x 9000 one at 11 %.
// Wall time, because large stretches share their rows out among the layer's threads.
void BM_Halftone_4096_at_34pct(benchmark::State& state) {
    static Surface* view = NewSurface(1393, 1393);
    static DrawContext* view_dc = PlatCreateMemoryContext(view);
    PlatSetStretchMode(view_dc, STRETCH_HALFTONE);
    for (auto _ : state) PlatStretchCopy(view_dc, 0, 0, 1393, 1393, F().big_dc, 0, 0, BIG, BIG);
}
BENCHMARK(BM_Halftone_4096_at_34pct)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Halftone_12000x9000_at_11pct(benchmark::State& state) {
    static Surface* sheet = NewSurface(12000, 9000);
    static DrawContext* sheet_dc = PlatCreateMemoryContext(sheet);
    static Surface* view = NewSurface(1320, 990);
    static DrawContext* view_dc = PlatCreateMemoryContext(view);
    PlatSetStretchMode(view_dc, STRETCH_HALFTONE);
    for (auto _ : state) PlatStretchCopy(view_dc, 0, 0, 1320, 990, sheet_dc, 0, 0, 12000, 9000);
}
BENCHMARK(BM_Halftone_12000x9000_at_11pct)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_HalftoneRef_4096_to_1400(benchmark::State& state) {
    for (auto _ : state) RefArea(F().mid, SMALL_OUT, SMALL_OUT, F().big, BIG, BIG);
}
BENCHMARK(BM_HalftoneRef_4096_to_1400)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_Nearest_4096_to_1400(benchmark::State& state) {
    PlatSetStretchMode(F().mid_dc, STRETCH_COLORONCOLOR);
    for (auto _ : state) PlatStretchCopy(F().mid_dc, 0, 0, SMALL_OUT, SMALL_OUT, F().big_dc, 0, 0, BIG, BIG);
}
BENCHMARK(BM_Nearest_4096_to_1400)->Unit(benchmark::kMillisecond);

void BM_NearestRef_4096_to_1400(benchmark::State& state) {
    for (auto _ : state) RefNearest(F().mid, SMALL_OUT, SMALL_OUT, F().big, BIG, BIG);
}
BENCHMARK(BM_NearestRef_4096_to_1400)->Unit(benchmark::kMillisecond);

// Wall time: a destination this large shares its rows out among the layer's threads.
void BM_Nearest_512_to_4096(benchmark::State& state) {
    PlatSetStretchMode(F().big2_dc, STRETCH_COLORONCOLOR);
    for (auto _ : state) PlatStretchCopy(F().big2_dc, 0, 0, BIG, BIG, F().small_dc, 0, 0, SMALL_IN, SMALL_IN);
}
BENCHMARK(BM_Nearest_512_to_4096)->Unit(benchmark::kMillisecond)->UseRealTime();

// The enlarging area average of a 141.4 % size step: 2896 x 2896 onto 4096 x 4096.
enum { UP_IN = 2896 };
Surface* UpSource() {
    static Surface* s = NewSurface(UP_IN, UP_IN);
    return s;
}

void BM_HalftoneUp_2896_to_4096(benchmark::State& state) {
    static DrawContext* up_dc = PlatCreateMemoryContext(UpSource());
    PlatSetStretchMode(F().big2_dc, STRETCH_HALFTONE);
    for (auto _ : state) PlatStretchCopy(F().big2_dc, 0, 0, BIG, BIG, up_dc, 0, 0, UP_IN, UP_IN);
}
BENCHMARK(BM_HalftoneUp_2896_to_4096)->Unit(benchmark::kMillisecond)->UseRealTime();

// A 15000 x 15000 image shown at 1000 x 1000: the paint of a 100 x 100 damaged rectangle
// (arg 1) against the whole view (arg 0), as the window's paint clips its stretch, in the
// nearest (first arg 3) and halftone (4) modes.
void BM_Repaint_15000_at_1000(benchmark::State& state) {
    static Surface* sheet = NewSurface(15000, 15000);
    static Surface* view = NewSurface(1000, 1000);
    const int mode = (int)state.range(0);
    const PlatRect clip = state.range(1) ? PlatRect{450, 450, 550, 550} : PlatRect{0, 0, 1000, 1000};
    for (auto _ : state) StretchPixels(view, clip, 0, 0, 1000, 1000, sheet, 0, 0, 15000, 15000, mode, nullptr);
}
BENCHMARK(BM_Repaint_15000_at_1000)->Args({3, 0})->Args({3, 1})->Args({4, 0})->Args({4, 1})
    ->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_NearestRef_512_to_4096(benchmark::State& state) {
    for (auto _ : state) RefNearest(F().big2, BIG, BIG, F().small, SMALL_IN, SMALL_IN);
}
BENCHMARK(BM_NearestRef_512_to_4096)->Unit(benchmark::kMillisecond);

void BM_FlipInPlace_4096(benchmark::State& state) {
    for (auto _ : state) PlatStretchCopy(F().big_dc, BIG - 1, 0, -BIG, BIG, F().big_dc, 0, 0, BIG, BIG);
}
BENCHMARK(BM_FlipInPlace_4096)->Unit(benchmark::kMillisecond);

void BM_FlipRef_4096(benchmark::State& state) {
    // The reference reads the source completely first, as a stretched copy onto itself must.
    for (auto _ : state) {
        memcpy(F().big2->pixels, F().big->pixels, Bytes(F().big));
        for (int y = 0; y < BIG; y++)
            for (int x = 0; x < BIG; x++) PutPx(F().big, BIG - 1 - x, y, GetPx(F().big2, x, y));
    }
}
BENCHMARK(BM_FlipRef_4096)->Unit(benchmark::kMillisecond);

void BM_Fill_4096(benchmark::State& state) {
    PlatRect all{0, 0, BIG, BIG};
    for (auto _ : state) {
        PlatFillRect(F().big2_dc, &all, 0x5A5A5A);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Fill_4096)->Unit(benchmark::kMillisecond);

void BM_FillRef_4096(benchmark::State& state) {
    for (auto _ : state) {
        for (int y = 0; y < BIG; y++)
            for (int x = 0; x < BIG; x++) PutPx(F().big2, x, y, 0x5A5A5A);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FillRef_4096)->Unit(benchmark::kMillisecond);

void BM_Invert_4096(benchmark::State& state) {
    PlatRect all{0, 0, BIG, BIG};
    for (auto _ : state) {
        PlatInvertRect(F().big2_dc, &all);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Invert_4096)->Unit(benchmark::kMillisecond);

void BM_InvertRef_4096(benchmark::State& state) {
    for (auto _ : state) {
        for (int y = 0; y < BIG; y++)
            for (int x = 0; x < BIG; x++) PutPx(F().big2, x, y, ~GetPx(F().big2, x, y));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_InvertRef_4096)->Unit(benchmark::kMillisecond);

#ifdef PIXKIT_HAVE_OPENCV
void BM_OpenCvArea_4096_to_1400(benchmark::State& state) {
    // One thread, like the halftone case it is set beside (its CPU time is one thread's).
    cv::Mat src(BIG, BIG, CV_8UC4, F().big->pixels), dst(SMALL_OUT, SMALL_OUT, CV_8UC4, F().mid->pixels);
    int threads = cv::getNumThreads();
    cv::setNumThreads(1);
    for (auto _ : state) cv::resize(src, dst, dst.size(), 0, 0, cv::INTER_AREA);
    cv::setNumThreads(threads);
}
BENCHMARK(BM_OpenCvArea_4096_to_1400)->Unit(benchmark::kMillisecond);

// cv::resize on one thread (arg 1) or on OpenCV's default threads (arg 0), by wall time like
// our stretches that share their rows out.
void OpenCvResize(benchmark::State& state, const cv::Mat& src, cv::Mat dst, int how) {
    int threads = cv::getNumThreads();
    if (state.range(0) == 1) cv::setNumThreads(1);
    for (auto _ : state) cv::resize(src, dst, dst.size(), 0, 0, how);
    cv::setNumThreads(threads);
}

// OpenCV to the same size as the 34 % repaint.
void BM_OpenCvArea_4096_at_34pct(benchmark::State& state) {
    static std::vector<uint32_t> out(1393 * 1393);
    OpenCvResize(state, cv::Mat(BIG, BIG, CV_8UC4, F().big->pixels), cv::Mat(1393, 1393, CV_8UC4, out.data()),
                 cv::INTER_AREA);
}
BENCHMARK(BM_OpenCvArea_4096_at_34pct)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// OpenCV's nearest onto 4096 x 4096.
void BM_OpenCvNearest_512_to_4096(benchmark::State& state) {
    OpenCvResize(state, cv::Mat(SMALL_IN, SMALL_IN, CV_8UC4, F().small->pixels),
                 cv::Mat(BIG, BIG, CV_8UC4, F().big2->pixels), cv::INTER_NEAREST);
}
BENCHMARK(BM_OpenCvNearest_512_to_4096)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// OpenCV's area resize of the same enlargement.
void BM_OpenCvAreaUp_2896_to_4096(benchmark::State& state) {
    OpenCvResize(state, cv::Mat(UP_IN, UP_IN, CV_8UC4, UpSource()->pixels),
                 cv::Mat(BIG, BIG, CV_8UC4, F().big2->pixels), cv::INTER_AREA);
}
BENCHMARK(BM_OpenCvAreaUp_2896_to_4096)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    F();   // make and touch the surfaces before anything is timed
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printf("\nRatios of CPU time (operation / baseline; below 1 is faster):\n");
    PrintRatio(reporter, "halftone 4096->1400", "BM_Halftone_4096_to_1400/real_time", "BM_Memcpy_Big");
    PrintRatio(reporter, "halftone 4096->1400", "BM_Halftone_4096_to_1400/real_time", "BM_HalftoneRef_4096_to_1400/iterations:1");
    PrintRatio(reporter, "nearest 4096->1400", "BM_Nearest_4096_to_1400", "BM_Memcpy_Mid");
    PrintRatio(reporter, "nearest 4096->1400", "BM_Nearest_4096_to_1400", "BM_NearestRef_4096_to_1400");
    PrintRatio(reporter, "nearest 512->4096", "BM_Nearest_512_to_4096/real_time", "BM_Memcpy_Big");
    PrintRatio(reporter, "nearest 512->4096", "BM_Nearest_512_to_4096/real_time", "BM_NearestRef_512_to_4096");
    PrintRatio(reporter, "in-place flip 4096", "BM_FlipInPlace_4096", "BM_Memcpy_Big");
    PrintRatio(reporter, "in-place flip 4096", "BM_FlipInPlace_4096", "BM_FlipRef_4096");
    PrintRatio(reporter, "fill 4096", "BM_Fill_4096", "BM_Memset_Big");
    PrintRatio(reporter, "fill 4096", "BM_Fill_4096", "BM_FillRef_4096");
    PrintRatio(reporter, "invert 4096", "BM_Invert_4096", "BM_Memcpy_Big");
    PrintRatio(reporter, "invert 4096", "BM_Invert_4096", "BM_InvertRef_4096");
#ifdef PIXKIT_HAVE_OPENCV
    PrintRatio(reporter, "halftone 4096->1400", "BM_Halftone_4096_to_1400/real_time", "BM_OpenCvArea_4096_to_1400");
    PrintRatio(reporter, "halftone 4096 at 34% (goal 0.25x)", "BM_Halftone_4096_at_34pct/real_time",
               "BM_OpenCvArea_4096_at_34pct/1/real_time");
    PrintRatio(reporter, "halftone 4096 at 34%", "BM_Halftone_4096_at_34pct/real_time",
               "BM_OpenCvArea_4096_at_34pct/0/real_time");
    PrintRatio(reporter, "nearest 512->4096", "BM_Nearest_512_to_4096/real_time",
               "BM_OpenCvNearest_512_to_4096/1/real_time");
    PrintRatio(reporter, "nearest 512->4096", "BM_Nearest_512_to_4096/real_time",
               "BM_OpenCvNearest_512_to_4096/0/real_time");
    PrintRatio(reporter, "halftone up 2896->4096 (goal 1.0x)", "BM_HalftoneUp_2896_to_4096/real_time",
               "BM_OpenCvAreaUp_2896_to_4096/1/real_time");
    PrintRatio(reporter, "halftone up 2896->4096", "BM_HalftoneUp_2896_to_4096/real_time",
               "BM_OpenCvAreaUp_2896_to_4096/0/real_time");
#endif
    // The damaged rectangle's paint is hundreds of times cheaper than the whole: printed as
    // both times and their quotient.
    for (int mode : {3, 4}) {
        std::string name = "BM_Repaint_15000_at_1000/" + std::to_string(mode);
        auto part = reporter.times.find(name + "/1/real_time"), whole = reporter.times.find(name + "/0/real_time");
        if (part == reporter.times.end() || whole == reporter.times.end() || part->second <= 0) continue;
        printf("  repaint 100x100 of 15000^2 at 1000^2, %-8s %.3f ms against the whole %.1f ms (%.0fx less)\n",
               mode == 3 ? "nearest" : "halftone", part->second, whole->second, whole->second / part->second);
    }
    auto sheet = reporter.times.find("BM_Halftone_12000x9000_at_11pct/real_time");
    if (sheet != reporter.times.end()) printf("  %-34s %-28s %8.1f ms\n", "halftone 12000x9000 at 11%", "(goal 60 ms)", sheet->second);
    benchmark::Shutdown();
    return 0;
}
