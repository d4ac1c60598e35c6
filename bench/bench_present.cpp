// Presenting a damaged 1920 x 1080 rectangle of a window's pixels on the X server, the way
// drawing does it: with MIT-SHM the window's pixels live in a shared segment and the server
// reads the rectangle from there (XShmPutImage, nothing copied); forced, the same pixels go
// with XPutImage. Beside them the reference: a plain Xlib client on its own connection
// putting a 1920 x 1080 segment on its own window and waiting for the server (XShmPutImage +
// XSync, the least a present can cost on this server), and a memcpy of the same bytes (what
// a copy into a segment added). Each iteration ends when the server has the pixels. Needs a
// display (run under Xvfb: scripts/xvfb.sh); prints the ratios at the end.
#include "platform/backend.h"
#include "platform/draw/draw.h"
#include "platform/system.h"
#include "platform/window/window.h"
#include "platform/window/window_pixels.h"
#include "platform/x11/x11_backend.h"

#include <benchmark/benchmark.h>

// Xlib names its font handle Font, as the layer names its font description.
#define Font XlibFont
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#undef Font
#include <sys/ipc.h>
#include <sys/shm.h>

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

// The reference client: its own connection, window and 1920 x 1080 segment.
struct PlainShmClient {
    Display* dpy = nullptr;
    Window window = 0;
    XImage* image = nullptr;
    XShmSegmentInfo info{};

    bool Open() {
        dpy = XOpenDisplay(nullptr);
        if (!dpy || !XShmQueryExtension(dpy)) return false;
        const int screen = DefaultScreen(dpy);
        XSetWindowAttributes a{};
        a.override_redirect = True;
        window = XCreateWindow(dpy, RootWindow(dpy, screen), 0, 0, 1920, 1080, 0, CopyFromParent, InputOutput,
                               CopyFromParent, CWOverrideRedirect, &a);
        image = XShmCreateImage(dpy, DefaultVisual(dpy, screen), (unsigned)DefaultDepth(dpy, screen), ZPixmap,
                                nullptr, &info, 1920, 1080);
        if (!image) return false;
        info.shmid = shmget(IPC_PRIVATE, (size_t)image->bytes_per_line * 1080, IPC_CREAT | 0600);
        if (info.shmid < 0) return false;
        info.shmaddr = image->data = (char*)shmat(info.shmid, nullptr, 0);
        shmctl(info.shmid, IPC_RMID, nullptr);
        info.readOnly = True;
        for (size_t i = 0; i < (size_t)image->bytes_per_line * 1080 / 4; i++) ((uint32_t*)info.shmaddr)[i] = (uint32_t)i;
        XShmAttach(dpy, &info);
        XSync(dpy, False);
        return true;
    }
    // Both windows cover the screen: the one measured is the one on top.
    void Show(bool shown) {
        if (shown) XMapRaised(dpy, window);
        else XUnmapWindow(dpy, window);
        XSync(dpy, False);
    }
    void Put() {
        XShmPutImage(dpy, window, DefaultGC(dpy, DefaultScreen(dpy)), image, 0, 0, 0, 0, 1920, 1080, False);
        XSync(dpy, False);
    }
    void Close() {
        if (!dpy) return;
        if (image) {
            XShmDetach(dpy, &info);
            shmdt(info.shmaddr);
            image->data = nullptr;
            XDestroyImage(image);
        }
        XCloseDisplay(dpy);
    }
};

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
    PlainShmClient plain;
    const bool have_plain = plain.Open();
    // Interleaved, so that both sides of the ratio see the same load on a shared machine.
    std::vector<double> shm_runs, plain_runs;
    for (int round = 0; round < 5; round++) {
        X11ForcePutImage(false);
        PresentOnce(kFull);   // after the other window went: its uncovering repaint is done
        shm_runs.push_back(MedianMs([] { PresentOnce(kFull); }));
        if (!have_plain) continue;
        plain.Show(true);
        plain_runs.push_back(MedianMs([&] { plain.Put(); }));
        plain.Show(false);
    }
    std::sort(shm_runs.begin(), shm_runs.end());
    std::sort(plain_runs.begin(), plain_runs.end());
    const double shm = shm_runs[shm_runs.size() / 2];
    X11ForcePutImage(true);
    double put = MedianMs([] { PresentOnce(kFull); });
    X11ForcePutImage(false);
    printf("1920x1080 present: MIT-SHM %.3f ms (goal under 0.6 ms), XPutImage %.3f ms, memcpy %.3f ms\n", shm, put,
           copy);
    if (have_plain) {
        const double floor_ms = plain_runs[plain_runs.size() / 2];
        printf("reference: plain Xlib XShmPutImage + XSync of 1920x1080 %.3f ms\n", floor_ms);
        printf("ratios: MIT-SHM present / plain Xlib put = %.2f (goal 1.0x), XPutImage / MIT-SHM = %.2f, "
               "MIT-SHM / memcpy = %.2f\n", shm / floor_ms, put / shm, shm / copy);
    } else {
        printf("ratios: XPutImage / MIT-SHM = %.2f, MIT-SHM / memcpy = %.2f (no plain MIT-SHM client here)\n",
               put / shm, shm / copy);
    }
    plain.Close();
    PlatDestroyWindow(g_window);
    PlatStopBackend();
    return 0;
}
