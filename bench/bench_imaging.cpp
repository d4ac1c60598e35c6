// Drawing primitives on a 4096 x 4096 32-bit image: long and short lines, filled boxes, box
// outlines, circles, discs, flood fill of a uniform canvas and of a maze, clearing, and single
// pixel access. Each runs beside a plain reference written the straightforward way: every
// pixel goes through an out-of-line store or read that looks up the current image and tests
// the bounds, and the figures are walked over their full extent. Before timing, the program
// draws every figure set both ways and reports whether the pixels are identical; after the
// runs it prints each operation's time as a ratio of its baselines.
#include "imagewin/image_table.h"
#include "imaging/draw_state.h"
#include "platform/draw/surface.h"
#include "pxk.h"

#include <benchmark/benchmark.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#ifdef PIXKIT_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

#include "bench_ratio.h"

namespace {

enum { SIZE = 4096, FAST_SLOT = 0, REF_SLOT = 1 };

void MakeCanvas(int slot) {
    ImageRecord& r = image_table[slot];
    r.bits = 32;
    r.width = SIZE;
    r.height = SIZE;
    // The pixels come from the same allocation as an image window's, so that the canvas is
    // laid out in memory (pages included) as the program's images are.
    Surface* surface = nullptr;
    if (PlatCreateSurface(&surface, SIZE, SIZE, 32) != 0) abort();
    image_pixels[slot] = surface->pixels;
    r.in_use.store(1);
}

uint32_t* Pixels(int slot) { return reinterpret_cast<uint32_t*>(image_pixels[slot]); }
size_t CanvasBytes() { return (size_t)SIZE * SIZE * 4; }

// ---- The plain reference ----------------------------------------------------------------

__attribute__((noinline)) void RefStore(int64_t x, int64_t y, uint32_t color) {
    int index = CurrentImageIndex();
    const ImageRecord* r = &image_table[index];
    if (!r->in_use.load(std::memory_order_acquire)) return;
    if (x < 0 || y < 0 || x >= r->width || y >= r->height) return;
    if (r->bits == 32) reinterpret_cast<uint32_t*>(image_pixels[index])[y * r->width + x] = color;
    else image_pixels[index][y * ((r->width + 3) & ~3) + x] = (uint8_t)color;
}

__attribute__((noinline)) int64_t RefRead(int64_t x, int64_t y) {
    int index = CurrentImageIndex();
    const ImageRecord* r = &image_table[index];
    if (!r->in_use.load(std::memory_order_acquire)) return -1;
    if (x < 0 || y < 0 || x >= r->width || y >= r->height) return -1;
    if (r->bits == 32) return reinterpret_cast<uint32_t*>(image_pixels[index])[y * r->width + x];
    return image_pixels[index][y * ((r->width + 3) & ~3) + x];
}

void RefLine(uint32_t c, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
    if (x1 == x2) {
        for (int64_t y = std::min(y1, y2); y <= std::max(y1, y2); y++) RefStore(x1, y, c);
        return;
    }
    if (y1 == y2) {
        for (int64_t x = std::min(x1, x2); x <= std::max(x1, x2); x++) RefStore(x, y1, c);
        return;
    }
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    int64_t dx = x2 - x1, dy = y2 > y1 ? y2 - y1 : y1 - y2, sy = y2 > y1 ? 1 : -1, x = x1, y = y1;
    if (dx >= dy) {
        int64_t e = (dx + 1) / 2;
        RefStore(x, y, c);
        while (x != x2) {
            e -= dy;
            x++;
            if (e <= 0) e += dx, y += sy;
            RefStore(x, y, c);
        }
    } else {
        int64_t e = (dy + 1) / 2;
        RefStore(x, y, c);
        while (y != y2) {
            e -= dx;
            y += sy;
            if (e <= 0) e += dy, x++;
            RefStore(x, y, c);
        }
    }
}

void RefBox(uint32_t c, int x1, int y1, int x2, int y2) {
    RefLine(c, x1, y1, x2, y1);
    RefLine(c, x2, y1, x2, y2);
    RefLine(c, x2, y2, x1, y2);
    RefLine(c, x1, y2, x1, y1);
}

void RefFilledBox(int x1, int y1, int x2, int y2, uint32_t border, uint32_t fill) {
    int l = std::min(x1, x2), r = std::max(x1, x2), t = std::min(y1, y2), b = std::max(y1, y2);
    RefBox(border, l, t, r, b);
    if (r - l >= 2 && b - t >= 2)
        for (int y = t + 1; y <= b - 1; y++) RefLine(fill, l + 1, y, r - 1, y);
}

void RefCircle(uint32_t c, int64_t cx, int64_t cy, int64_t r) {
    int64_t lim = 5 * r / 7, u = r, d = r, j = 0;
    for (;;) {
        RefStore(cx - j, cy + u, c);
        RefStore(cx + j, cy - u, c);
        if (j != 0 && j != u) {
            RefStore(cx + j, cy + u, c);
            RefStore(cx - j, cy - u, c);
            RefStore(cx + u, cy - j, c);
            RefStore(cx - u, cy + j, c);
        }
        RefStore(cx + u, cy + j, c);
        RefStore(cx - u, cy - j, c);
        d -= 2 * j + 1;
        if (d <= 0) d += 2 * u - 2, u--;
        j++;
        if (j > lim || j > u) break;
    }
}

void RefDisc(uint32_t c, int64_t cx, int64_t cy, int64_t r) {
    int64_t lim = 5 * r / 7, u = r, d = r, j = 0;
    bool dec = false;
    for (;;) {
        if (u != j) {
            RefLine(c, cx - u, cy + j, cx + u, cy + j);
            if (j > 0) RefLine(c, cx - u, cy - j, cx + u, cy - j);
        }
        d -= 2 * j + 1;
        dec = false;
        if (d <= 0) {
            RefLine(c, cx - j, cy + u, cx + j, cy + u);
            RefLine(c, cx - j, cy - u, cx + j, cy - u);
            d += 2 * u - 2;
            u--;
            dec = true;
        }
        if (j + 1 > lim || u < j + 1) break;
        j++;
    }
    if (!dec) {
        RefLine(c, cx - j, cy + u, cx + j, cy + u);
        RefLine(c, cx - j, cy - u, cx + j, cy - u);
    }
    RefCircle(c, cx, cy, r);
}

void RefPaint(int64_t x, int64_t y, uint32_t color) {
    int64_t target = RefRead(x, y);
    if (target < 0 || target == (int64_t)color) return;
    int seed_x[4000], seed_y[4000], n = 0;
    for (;;) {
        while (RefRead(x - 1, y) == target) x--;
        bool up = true, down = true;
        int64_t left = x;
        while (RefRead(x, y) == target) {
            if (up && RefRead(x, y - 1) == target && n < 4000) seed_x[n] = (int)x, seed_y[n++] = (int)(y - 1), up = false;
            if (!up && RefRead(x, y - 1) != target) up = true;
            if (down && RefRead(x, y + 1) == target && n < 4000) seed_x[n] = (int)x, seed_y[n++] = (int)(y + 1), down = false;
            if (!down && RefRead(x, y + 1) != target) down = true;
            x++;
        }
        RefLine(color, left, y, x - 1, y);
        for (;;) {
            if (n == 0) return;
            n--;
            x = seed_x[n];
            y = seed_y[n];
            if (RefRead(x, y) == target) break;
        }
    }
}

// ---- Inputs ------------------------------------------------------------------------------

struct Figure {
    int x1, y1, x2, y2, r;
    uint32_t color;
};

std::vector<Figure> MakeFigures(int count, int max_extent, int max_radius, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<Figure> f(count);
    for (Figure& k : f) {
        k.x1 = (int)(rng() % SIZE);
        k.y1 = (int)(rng() % SIZE);
        if (max_extent >= SIZE) {
            k.x2 = (int)(rng() % SIZE);
            k.y2 = (int)(rng() % SIZE);
        } else {
            k.x2 = k.x1 + (int)(rng() % (2 * max_extent + 1)) - max_extent;
            k.y2 = k.y1 + (int)(rng() % (2 * max_extent + 1)) - max_extent;
        }
        k.r = 1 + (int)(rng() % max_radius);
        k.color = rng() & 0x00FFFFFF;
    }
    return f;
}

struct Inputs {
    std::vector<Figure> long_lines = MakeFigures(10000, SIZE, 1, 1);
    std::vector<Figure> short_lines = MakeFigures(100000, 8, 1, 2);
    std::vector<Figure> boxes = MakeFigures(10000, 400, 1, 3);
    std::vector<Figure> circles = MakeFigures(10000, 1, 200, 4);
    std::vector<uint32_t> maze;   // walls 0x00FFFFFF, corridors 0
};

// A perfect maze of one-pixel corridors on the odd grid, made by a depth-first walk.
std::vector<uint32_t> MakeMaze() {
    std::vector<uint32_t> m((size_t)SIZE * SIZE, 0x00FFFFFF);
    const int cells = (SIZE - 1) / 2;
    std::vector<uint8_t> seen((size_t)cells * cells, 0);
    std::vector<std::pair<int, int>> stack{{0, 0}};
    std::mt19937 rng(5);
    seen[0] = 1;
    m[(size_t)1 * SIZE + 1] = 0;
    while (!stack.empty()) {
        auto [cx, cy] = stack.back();
        int dirs[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}}, options[4], n = 0;
        for (int i = 0; i < 4; i++) {
            int nx = cx + dirs[i][0], ny = cy + dirs[i][1];
            if (nx >= 0 && ny >= 0 && nx < cells && ny < cells && !seen[(size_t)ny * cells + nx]) options[n++] = i;
        }
        if (n == 0) {
            stack.pop_back();
            continue;
        }
        int i = options[rng() % n];
        int nx = cx + dirs[i][0], ny = cy + dirs[i][1];
        seen[(size_t)ny * cells + nx] = 1;
        m[(size_t)(2 * cy + 1 + dirs[i][1]) * SIZE + 2 * cx + 1 + dirs[i][0]] = 0;
        m[(size_t)(2 * ny + 1) * SIZE + 2 * nx + 1] = 0;
        stack.push_back({nx, ny});
    }
    return m;
}

Inputs& In() {
    static Inputs in;
    return in;
}

void Select(int slot) { PXK_SelectImage(slot); }

// ---- The figure sets, both ways ----------------------------------------------------------

void FastLines(const std::vector<Figure>& f) {
    for (const Figure& k : f) PXK_DrawLine((PXK_Color)k.color, k.x1, k.y1, k.x2, k.y2);
}
void RefLines(const std::vector<Figure>& f) {
    for (const Figure& k : f) RefLine(k.color, k.x1, k.y1, k.x2, k.y2);
}
void FastFilledBoxes() {
    for (const Figure& k : In().boxes) PXK_DrawFilledBox(k.x1, k.y1, k.x2, k.y2, (PXK_Color)k.color, (PXK_Color)k.color);
}
void RefFilledBoxes() {
    for (const Figure& k : In().boxes) RefFilledBox(k.x1, k.y1, k.x2, k.y2, k.color, k.color);
}
// A black border around the fill, as the test pattern draws its boxes.
void FastBorderedBoxes() {
    for (const Figure& k : In().boxes) PXK_DrawFilledBox(k.x1, k.y1, k.x2, k.y2, 0, (PXK_Color)k.color);
}
void RefBorderedBoxes() {
    for (const Figure& k : In().boxes) RefFilledBox(k.x1, k.y1, k.x2, k.y2, 0, k.color);
}
void FastBoxes() {
    for (const Figure& k : In().boxes) {
        PXK_SetDrawColor((PXK_Color)k.color);
        PXK_DrawBox(k.x1, k.y1, k.x2, k.y2);
    }
}
void RefBoxes() {
    for (const Figure& k : In().boxes) RefBox(k.color, k.x1, k.y1, k.x2, k.y2);
}
void FastCircles() {
    for (const Figure& k : In().circles) PXK_DrawCircle((PXK_Color)k.color, k.x1, k.y1, k.r);
}
void RefCircles() {
    for (const Figure& k : In().circles) RefCircle(k.color, k.x1, k.y1, k.r);
}
void FastDiscs() {
    for (const Figure& k : In().circles) {
        PXK_SetDrawColor((PXK_Color)k.color);
        PXK_FillCircle(k.x1, k.y1, k.r);
    }
}
void RefDiscs() {
    for (const Figure& k : In().circles) RefDisc(k.color, k.x1, k.y1, k.r);
}

// Alternating colours, so that every call fills the same region again.
void FastPaint(int round) {
    PXK_SetDrawColor(round % 2 ? 0x000000 : 0x123456);
    PXK_Paint(1, 1);
}
void RefPaintRound(int round) { RefPaint(1, 1, round % 2 ? 0x000000 : 0x123456); }

void Check(const char* what, void (*fast)(), void (*ref)()) {
    memset(image_pixels[FAST_SLOT], 0, CanvasBytes());
    memset(image_pixels[REF_SLOT], 0, CanvasBytes());
    Select(FAST_SLOT);
    fast();
    Select(REF_SLOT);
    ref();
    bool same = memcmp(image_pixels[FAST_SLOT], image_pixels[REF_SLOT], CanvasBytes()) == 0;
    printf("  %-24s %s\n", what, same ? "identical" : "DIFFERENT");
}

void CheckPaint(const char* what, const std::vector<uint32_t>& start) {
    memcpy(image_pixels[FAST_SLOT], start.data(), CanvasBytes());
    memcpy(image_pixels[REF_SLOT], start.data(), CanvasBytes());
    Select(FAST_SLOT);
    FastPaint(0);
    Select(REF_SLOT);
    RefPaintRound(0);
    bool same = memcmp(image_pixels[FAST_SLOT], image_pixels[REF_SLOT], CanvasBytes()) == 0;
    printf("  %-24s %s\n", what, same ? "identical" : "DIFFERENT");
}

// ---- Benchmarks --------------------------------------------------------------------------

#define FIGURE_BENCH(name, body)                         \
    void name(benchmark::State& state) {                 \
        Select(FAST_SLOT);                               \
        for (auto _ : state) {                           \
            body;                                        \
            benchmark::ClobberMemory();                  \
        }                                                \
    }                                                    \
    BENCHMARK(name)->Unit(benchmark::kMillisecond)

FIGURE_BENCH(BM_LongLines_10k, FastLines(In().long_lines));
FIGURE_BENCH(BM_LongLinesRef_10k, RefLines(In().long_lines));
FIGURE_BENCH(BM_ShortLines_100k, FastLines(In().short_lines));
FIGURE_BENCH(BM_ShortLinesRef_100k, RefLines(In().short_lines));
FIGURE_BENCH(BM_FilledBoxes_10k, FastFilledBoxes());
FIGURE_BENCH(BM_FilledBoxesRef_10k, RefFilledBoxes());
FIGURE_BENCH(BM_BorderedBoxes_10k, FastBorderedBoxes());
// The memory bound of the filled boxes: memset of the same rows of the same bytes, clipped.
void BoxRowsMemset() {
    for (const Figure& k : In().boxes) {
        int l = std::max(0, std::min(k.x1, k.x2)), r = std::min(SIZE - 1, std::max(k.x1, k.x2));
        int t = std::max(0, std::min(k.y1, k.y2)), b = std::min(SIZE - 1, std::max(k.y1, k.y2));
        for (int y = t; l <= r && y <= b; y++) memset(Pixels(FAST_SLOT) + (size_t)y * SIZE + l, k.color & 255, (size_t)(r - l + 1) * 4);
    }
}
FIGURE_BENCH(BM_FilledBoxesMemset_10k, BoxRowsMemset());

#ifdef PIXKIT_HAVE_OPENCV
// OpenCV on one thread over the same canvas: 8-connected lines and filled rectangles.
cv::Mat CanvasMat() { return cv::Mat(SIZE, SIZE, CV_8UC4, image_pixels[FAST_SLOT]); }
cv::Scalar Bgr(uint32_t c) { return cv::Scalar(c & 255, (c >> 8) & 255, (c >> 16) & 255, 0); }
void OpenCvLines(const std::vector<Figure>& f) {
    cv::setNumThreads(1);
    cv::Mat m = CanvasMat();
    for (const Figure& k : f) cv::line(m, cv::Point(k.x1, k.y1), cv::Point(k.x2, k.y2), Bgr(k.color), 1, cv::LINE_8);
}
void OpenCvFilledBoxes() {
    cv::setNumThreads(1);
    cv::Mat m = CanvasMat();
    for (const Figure& k : In().boxes)
        cv::rectangle(m, cv::Point(k.x1, k.y1), cv::Point(k.x2, k.y2), Bgr(k.color), cv::FILLED, cv::LINE_8);
}
FIGURE_BENCH(BM_OpenCvLongLines_10k, OpenCvLines(In().long_lines));
FIGURE_BENCH(BM_OpenCvFilledBoxes_10k, OpenCvFilledBoxes());
#endif

FIGURE_BENCH(BM_Boxes_10k, FastBoxes());
FIGURE_BENCH(BM_BoxesRef_10k, RefBoxes());
FIGURE_BENCH(BM_Circles_10k, FastCircles());
FIGURE_BENCH(BM_CirclesRef_10k, RefCircles());
FIGURE_BENCH(BM_Discs_10k, FastDiscs());
FIGURE_BENCH(BM_DiscsRef_10k, RefDiscs());

void BM_Memset(benchmark::State& state) {
    for (auto _ : state) {
        memset(image_pixels[FAST_SLOT], 0, CanvasBytes());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Memset)->Unit(benchmark::kMillisecond);

void BM_Clear(benchmark::State& state) {
    for (auto _ : state) {
        PXK_ClearImage(FAST_SLOT);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Clear)->Unit(benchmark::kMillisecond);

void BM_ClearRef(benchmark::State& state) {
    Select(FAST_SLOT);
    for (auto _ : state) {
        for (int y = 0; y < SIZE; y++)
            for (int x = 0; x < SIZE; x++) RefStore(x, y, 0);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ClearRef)->Unit(benchmark::kMillisecond);

void PaintBench(benchmark::State& state, bool maze, bool ref) {
    if (maze) memcpy(image_pixels[FAST_SLOT], In().maze.data(), CanvasBytes());
    else memset(image_pixels[FAST_SLOT], 0, CanvasBytes());
    Select(FAST_SLOT);
    int round = 0;
    for (auto _ : state) {
        if (ref) RefPaintRound(round++);
        else FastPaint(round++);
        benchmark::ClobberMemory();
    }
}
void BM_PaintUniform(benchmark::State& s) { PaintBench(s, false, false); }
void BM_PaintUniformRef(benchmark::State& s) { PaintBench(s, false, true); }
void BM_PaintMaze(benchmark::State& s) { PaintBench(s, true, false); }
void BM_PaintMazeRef(benchmark::State& s) { PaintBench(s, true, true); }
BENCHMARK(BM_PaintUniform)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintUniformRef)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintMaze)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintMazeRef)->Unit(benchmark::kMillisecond);

// Single pixels over a 1024 x 1024 block, so the time is the call, not the memory.
enum { PIXEL_BLOCK = 1024 };

void BM_PutPixel(benchmark::State& state) {
    Select(FAST_SLOT);
    for (auto _ : state) {
        for (int y = 0; y < PIXEL_BLOCK; y++)
            for (int x = 0; x < PIXEL_BLOCK; x++) PXK_PutPixel(x, y, x ^ y);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * PIXEL_BLOCK * PIXEL_BLOCK);
}
BENCHMARK(BM_PutPixel)->Unit(benchmark::kMillisecond);

void BM_GetPixel(benchmark::State& state) {
    Select(FAST_SLOT);
    for (auto _ : state) {
        uint32_t sum = 0;
        for (int y = 0; y < PIXEL_BLOCK; y++)
            for (int x = 0; x < PIXEL_BLOCK; x++) sum += (uint32_t)PXK_GetPixel(x, y);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * PIXEL_BLOCK * PIXEL_BLOCK);
}
BENCHMARK(BM_GetPixel)->Unit(benchmark::kMillisecond);

void BM_RawPut(benchmark::State& state) {
    uint32_t* p = Pixels(FAST_SLOT);
    for (auto _ : state) {
        for (int y = 0; y < PIXEL_BLOCK; y++)
            for (int x = 0; x < PIXEL_BLOCK; x++) {
                p[(size_t)y * SIZE + x] = (uint32_t)(x ^ y);
                benchmark::ClobberMemory();   // keep it a store per pixel, as the calls are
            }
    }
    state.SetItemsProcessed(state.iterations() * PIXEL_BLOCK * PIXEL_BLOCK);
}
BENCHMARK(BM_RawPut)->Unit(benchmark::kMillisecond);

void BM_RawGet(benchmark::State& state) {
    const uint32_t* p = Pixels(FAST_SLOT);
    for (auto _ : state) {
        uint32_t sum = 0;
        for (int y = 0; y < PIXEL_BLOCK; y++)
            for (int x = 0; x < PIXEL_BLOCK; x++) sum += p[(size_t)y * SIZE + x];
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * PIXEL_BLOCK * PIXEL_BLOCK);
}
BENCHMARK(BM_RawGet)->Unit(benchmark::kMillisecond);


void PrintPerCall(const RatioReporter& rep, const char* what, const char* op) {
    auto a = rep.times.find(op);
    if (a == rep.times.end()) return;
    printf("  %-24s %8.2f ns per call\n", what, a->second * 1e6 / ((double)PIXEL_BLOCK * (double)PIXEL_BLOCK));
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    ResetImageTable();
    ResetDrawState();
    MakeCanvas(FAST_SLOT);
    MakeCanvas(REF_SLOT);
    In().maze = MakeMaze();
    printf("Results against the reference:\n");
    Check("long lines", [] { FastLines(In().long_lines); }, [] { RefLines(In().long_lines); });
    Check("short lines", [] { FastLines(In().short_lines); }, [] { RefLines(In().short_lines); });
    Check("filled boxes", FastFilledBoxes, RefFilledBoxes);
    Check("bordered boxes", FastBorderedBoxes, RefBorderedBoxes);
    Check("box outlines", FastBoxes, RefBoxes);
    Check("circles", FastCircles, RefCircles);
    Check("discs", FastDiscs, RefDiscs);
    CheckPaint("flood fill, uniform", std::vector<uint32_t>((size_t)SIZE * SIZE, 0));
    CheckPaint("flood fill, maze", In().maze);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printf("\nRatios of CPU time (operation / baseline; below 1 is faster):\n");
    PrintRatio(reporter, "long lines (goal 0.5x)", "BM_LongLines_10k", "BM_LongLinesRef_10k");
    PrintRatio(reporter, "short lines", "BM_ShortLines_100k", "BM_ShortLinesRef_100k");
    PrintRatio(reporter, "filled boxes", "BM_FilledBoxes_10k", "BM_FilledBoxesRef_10k");
    PrintRatio(reporter, "filled boxes (goal 1x)", "BM_FilledBoxes_10k", "BM_FilledBoxesMemset_10k");
    PrintRatio(reporter, "bordered boxes (goal 1x)", "BM_BorderedBoxes_10k", "BM_FilledBoxesMemset_10k");
#ifdef PIXKIT_HAVE_OPENCV
    PrintRatio(reporter, "long lines", "BM_LongLines_10k", "BM_OpenCvLongLines_10k");
    PrintRatio(reporter, "filled boxes", "BM_FilledBoxes_10k", "BM_OpenCvFilledBoxes_10k");
#endif
    PrintRatio(reporter, "box outlines", "BM_Boxes_10k", "BM_BoxesRef_10k");
    PrintRatio(reporter, "circles", "BM_Circles_10k", "BM_CirclesRef_10k");
    PrintRatio(reporter, "discs", "BM_Discs_10k", "BM_DiscsRef_10k");
    PrintRatio(reporter, "clear", "BM_Clear", "BM_Memset");
    PrintRatio(reporter, "clear", "BM_Clear", "BM_ClearRef");
    PrintRatio(reporter, "flood fill, uniform", "BM_PaintUniform", "BM_Memset");
    PrintRatio(reporter, "flood fill, uniform", "BM_PaintUniform", "BM_PaintUniformRef");
    PrintRatio(reporter, "flood fill, maze", "BM_PaintMaze", "BM_PaintMazeRef");
    PrintPerCall(reporter, "PXK_PutPixel", "BM_PutPixel");
    PrintPerCall(reporter, "raw store", "BM_RawPut");
    PrintPerCall(reporter, "PXK_GetPixel", "BM_GetPixel");
    PrintPerCall(reporter, "raw load", "BM_RawGet");
    benchmark::Shutdown();
    return 0;
}
