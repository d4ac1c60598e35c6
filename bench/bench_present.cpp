// Presenting a damaged 1920 x 1080 rectangle of a window's pixels on the X server, the way
// drawing does it: the rectangle is copied from the layer's pixels into the backend's own
// (a shared segment) and put with MIT-SHM, or put with XPutImage; beside a memcpy of the same
// bytes. Each iteration ends when the server has the pixels. Needs a display (run under
// Xvfb: scripts/xvfb.sh); prints the ratios at the end.
#include "platform/backend.h"
#include "platform/draw/draw.h"
#include "platform/system.h"
#include "platform/window/window.h"
#include "platform/window/window_pixels.h"
#include "platform/x11/x11_backend.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vector>

static WindowId g_window = 0;
static const PlatRect kFull{0, 0, 1920, 1080};
static const PlatRect kPart{400, 300, 1040, 780};   // 640 x 480

static intptr_t BenchProc(WindowId w, int msg, uintptr_t wp, intptr_t lp) { return PlatDefWindowProc(w, msg, wp, lp); }

static void PresentOnce(const PlatRect& r) {
    PlatRect client, clip;
    if (LockWindowPixels(g_window, &client, &clip)) UnlockWindowPixels(g_window, &r);
    X11WaitPresented(5000);
}

static void BM_PresentShm(benchmark::State& state) {
    X11ForcePutImage(false);
    const PlatRect& r = state.range(0) ? kFull : kPart;
    for (auto _ : state) PresentOnce(r);
    state.SetBytesProcessed(state.iterations() * (int64_t)RectWidth(r) * RectHeight(r) * 4);
}
BENCHMARK(BM_PresentShm)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond)->UseRealTime();

static void BM_PresentPutImage(benchmark::State& state) {
    X11ForcePutImage(true);
    const PlatRect& r = state.range(0) ? kFull : kPart;
    for (auto _ : state) PresentOnce(r);
    X11ForcePutImage(false);
    state.SetBytesProcessed(state.iterations() * (int64_t)RectWidth(r) * RectHeight(r) * 4);
}
BENCHMARK(BM_PresentPutImage)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond)->UseRealTime();

static void BM_MemcpyFrame(benchmark::State& state) {
    std::vector<uint32_t> a(1920 * 1080, 0x00123456), b(1920 * 1080);
    for (auto _ : state) {
        memcpy(b.data(), a.data(), a.size() * 4);
        benchmark::DoNotOptimize(b.data());
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)a.size() * 4);
}
BENCHMARK(BM_MemcpyFrame)->Unit(benchmark::kMicrosecond);

// Median milliseconds of a few runs, for the ratio lines.
template <typename Fn>
static double MedianMs(Fn fn, int runs = 15) {
    std::vector<double> ms;
    double freq = (double)PlatGetCounterFrequency();
    for (int i = 0; i < runs; i++) {
        uint64_t t0 = PlatGetCounter();
        fn();
        ms.push_back((double)(PlatGetCounter() - t0) * 1000.0 / freq);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

int main(int argc, char** argv) {
    unsetenv("PIXKIT_BACKEND");
    if (PlatStartBackend() != 0) return 2;
    WindowClassDesc desc{"pxk_benchpresent", BenchProc, 0, BACKGROUND_NONE};
    PlatRegisterClass(&desc);
    WindowCreate c{};
    c.class_name = "pxk_benchpresent";
    c.style = STYLE_POPUP | STYLE_VISIBLE;
    c.width = 1920;
    c.height = 1080;
    g_window = PlatCreateWindow(&c);
    if (!g_window) {
        fprintf(stderr, "bench_present: no window\n");
        return 1;
    }
    DrawContext* dc = PlatGetWindowContext(g_window);
    for (int i = 0; i < 64; i++) {
        PlatRect r{i * 30, i * 16, i * 30 + 200, i * 16 + 120};
        PlatFillRect(dc, &r, (uint32_t)(i * 0x040812));
    }
    printf("MIT-SHM: %s\n", X11UsesShm() ? "yes" : "no (XPutImage only)");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();

    std::vector<uint32_t> a(1920 * 1080, 1), b(1920 * 1080);
    double copy = MedianMs([&] {
        memcpy(b.data(), a.data(), a.size() * 4);
        benchmark::DoNotOptimize(b.data());
    });
    X11ForcePutImage(false);
    double shm = MedianMs([] { PresentOnce(kFull); });
    X11ForcePutImage(true);
    double put = MedianMs([] { PresentOnce(kFull); });
    X11ForcePutImage(false);
    printf("1920x1080 present: MIT-SHM %.3f ms, XPutImage %.3f ms, memcpy %.3f ms\n", shm, put, copy);
    printf("ratios: XPutImage / MIT-SHM = %.2f, MIT-SHM / memcpy = %.2f\n", put / shm, shm / copy);
    PlatDestroyWindow(g_window);
    PlatStopBackend();
    return 0;
}
