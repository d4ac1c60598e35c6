// Text window output on the headless backend: PXK_Printf of 100,000 lines of 80 characters
// into a scrolling 640 x 480 text window (drawing, scrolling, invalidation, pumping and
// painting included), beside two plain loops over the same glyphs: the way a text window
// was first described (one text-output call per line and a copy of the whole store up by a
// line for every new line), and a bare copy of ready-made 8 x 16 cells into a surface.
// The same output with the window's log running shows what logging costs (goal: at most
// 1.2 times the unlogged time), and copying a 100 MB log to the clipboard is timed with the
// process's peak memory after it. After the runs the program prints lines and bytes per
// second and the ratios. Log files go to a fresh folder under /tmp.
#include "platform/backend.h"
#include "platform/draw/draw.h"
#include "platform/font/font.h"
#include "platform/draw/surface.h"
#include "platform/text.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "framework/startup.h"
#include "runtime/window_classes.h"
#include "textwin/text_window.h"

#include <benchmark/benchmark.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

void UserSetup(void) {}
void UserMain(void) {}

namespace {

enum { LINES = 100000, COLUMNS = 80, WIDTH = 640, HEIGHT = 480, CELL_W = 8, CELL_H = 16, REF_LINES = 5000 };

// 80 printable characters per line, shifting from line to line.
std::vector<std::string> MakeLines(int count) {
    std::vector<std::string> lines((size_t)count);
    for (int i = 0; i < count; i++) {
        std::string s;
        for (int c = 0; c < COLUMNS; c++) s += (char)(33 + (i + c * 7) % 94);
        lines[(size_t)i] = s;
    }
    return lines;
}

const std::vector<std::string>& Lines() {
    static std::vector<std::string> lines = MakeLines(LINES);
    return lines;
}

char log_folder[] = "/tmp/pixkit-bench-XXXXXX";

void StartLayer() {
    static bool started = false;
    if (started) return;
    started = true;
    RegisterFrameworkKinds();
    // The log folder is the current folder when the table is reset.
    if (!mkdtemp(log_folder) || chdir(log_folder) != 0) {
        fprintf(stderr, "cannot make a folder for the logs\n");
        abort();
    }
    if (PlatStartHeadless(1920, 1080, 32) != 0 || RegisterWindowClasses() != 0) {
        fprintf(stderr, "cannot start the headless layer\n");
        abort();
    }
    ResetTextWindowTable();
}

void PrintfLines(benchmark::State& state, bool logged) {
    StartLayer();
    const std::vector<std::string>& lines = Lines();
    for (auto _ : state) {
        PXK_OpenTextWindow(0, 0, 0, WIDTH, HEIGHT);
        if (logged) PXK_StartLog(0);
        for (int i = 0; i < LINES; i++) PXK_Printf("%s\n", lines[(size_t)i].c_str());
        PXK_PumpMessages();
        state.PauseTiming();
        PXK_CloseTextWindow(0);
        PXK_PumpMessages();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * LINES);
    state.SetBytesProcessed(state.iterations() * LINES * (COLUMNS + 1));
}

void BM_PrintfLines(benchmark::State& state) { PrintfLines(state, false); }
BENCHMARK(BM_PrintfLines)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PrintfLinesLogged(benchmark::State& state) { PrintfLines(state, true); }
BENCHMARK(BM_PrintfLinesLogged)->Unit(benchmark::kMillisecond)->Iterations(3);

// A 100 MB log of 80-character lines copied to the clipboard (headless: the clipboard
// keeps its own copy). The peak memory of the process is reported with it.
void BM_CopyLog100MB(benchmark::State& state) {
    StartLayer();
    enum { COPY_LINES = 100 * 1000 * 1000 / (COLUMNS + 1) };
    // Copy takes only the file the window's own log made, so the log makes it and the lines
    // are appended to that file directly (printing them would time the printing).
    PXK_OpenTextWindow(1, 0, 0, WIDTH, HEIGHT);
    if (PXK_StartLog(1) != 0) abort();
    char name[32];
    snprintf(name, sizeof name, "PIXKIT%d1.LOG", instance_slot);
    FILE* f = fopen(name, "a");
    if (!f) abort();
    const std::vector<std::string>& lines = Lines();
    for (int i = 0; i < COPY_LINES; i++) fprintf(f, "%s\n", lines[(size_t)(i % LINES)].c_str());
    fclose(f);
    for (auto _ : state)
        if (PXK_CopyLog(1) != 0) state.SkipWithError("the copy failed");
    PXK_CloseTextWindow(1);
    remove(name);
    rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    state.counters["peak_MB"] = (double)ru.ru_maxrss / 1024.0;
    state.SetBytesProcessed(state.iterations() * (int64_t)COPY_LINES * (COLUMNS + 1));
}
BENCHMARK(BM_CopyLog100MB)->Unit(benchmark::kMillisecond)->Iterations(3);

// One text-output call per line into a 640 x 480 surface, and for each new line a copy of
// the whole store up by a line and a black band below, as a plain reference.
void BM_ReferenceTextOutAndCopyScroll(benchmark::State& state) {
    StartLayer();
    const std::vector<std::string>& lines = Lines();
    Surface* s = nullptr;
    if (PlatCreateSurface(&s, WIDTH, HEIGHT, 32) != 0) abort();
    DrawContext* dc = PlatCreateMemoryContext(s);
    PlatSelectFont(dc, PlatGetStockFont(STOCK_CONSOLE_FONT));
    PlatSetTextColor(dc, 0xFFFFFF);
    PlatSetBackColor(dc, 0x000000);
    char16_t units[COLUMNS + 1];
    for (auto _ : state) {
        int y = 0;
        for (int i = 0; i < REF_LINES; i++) {
            Utf8ToUtf16(lines[(size_t)i].c_str(), COLUMNS, units, COLUMNS + 1);
            PlatTextOut(dc, 0, y, units, COLUMNS);
            y += CELL_H;
            if (y + CELL_H >= HEIGHT) {
                PlatCopyRect(dc, 0, 0, WIDTH, y - CELL_H, dc, 0, CELL_H);
                y -= CELL_H;
                PlatRect band{0, y, WIDTH, HEIGHT};
                PlatFillRect(dc, &band, 0x000000);
            }
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * REF_LINES);
    state.SetBytesProcessed(state.iterations() * REF_LINES * (COLUMNS + 1));
    PlatDeleteContext(dc);
    PlatDestroySurface(s);
}
BENCHMARK(BM_ReferenceTextOutAndCopyScroll)->Unit(benchmark::kMillisecond);

// The floor: ready-made 8 x 16 cells of the same characters copied into a 640 x 480
// surface line after line, wrapping to the top, with nothing else done.
void BM_PlainCellCopyLoop(benchmark::State& state) {
    StartLayer();
    const std::vector<std::string>& lines = Lines();
    std::vector<uint32_t> cells(128 * CELL_W * CELL_H);
    {
        Surface* g = nullptr;
        if (PlatCreateSurface(&g, CELL_W * 128, CELL_H, 32) != 0) abort();
        DrawContext* dc = PlatCreateMemoryContext(g);
        PlatSelectFont(dc, PlatGetStockFont(STOCK_CONSOLE_FONT));
        PlatSetTextColor(dc, 0xFFFFFF);
        PlatSetBackColor(dc, 0x000000);
        for (int c = 32; c < 127; c++) {
            char16_t u = (char16_t)c;
            PlatTextOut(dc, c * CELL_W, 0, &u, 1);
        }
        for (int c = 0; c < 128; c++)
            for (int y = 0; y < CELL_H; y++)
                memcpy(&cells[(size_t)(c * CELL_H + y) * CELL_W], (uint32_t*)SurfaceRow(g, y) + c * CELL_W,
                       CELL_W * sizeof(uint32_t));
        PlatDeleteContext(dc);
        PlatDestroySurface(g);
    }
    Surface* s = nullptr;
    if (PlatCreateSurface(&s, WIDTH, HEIGHT, 32) != 0) abort();
    const int rows = HEIGHT / CELL_H;
    for (auto _ : state) {
        for (int i = 0; i < LINES; i++) {
            const std::string& line = lines[(size_t)i];
            int top = (i % rows) * CELL_H;
            for (int y = 0; y < CELL_H; y++) {
                uint32_t* row = (uint32_t*)SurfaceRow(s, top + y);
                for (int c = 0; c < COLUMNS; c++)
                    memcpy(row + c * CELL_W, &cells[(size_t)((unsigned char)line[(size_t)c] * CELL_H + y) * CELL_W],
                           CELL_W * sizeof(uint32_t));
            }
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * LINES);
    state.SetBytesProcessed(state.iterations() * LINES * (COLUMNS + 1));
    PlatDestroySurface(s);
}
BENCHMARK(BM_PlainCellCopyLoop)->Unit(benchmark::kMillisecond);

// Collects lines per second of every run for the summary; with repetitions, of the medians.
class RateReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> lines_per_s;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median") continue;
            auto it = r.counters.find("items_per_second");
            if (it != r.counters.end()) lines_per_s[r.run_name.str()] = it->second;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printf("\nLines of %d characters per second (bytes per second = lines x %d):\n", COLUMNS, COLUMNS + 1);
    double printf_rate = 0, logged_rate = 0;
    for (const auto& kv : reporter.lines_per_s) {
        printf("  %-48s %12.0f lines/s %8.1f MB/s\n", kv.first.c_str(), kv.second, kv.second * (COLUMNS + 1) / 1e6);
        if (kv.first.rfind("BM_PrintfLines/", 0) == 0) printf_rate = kv.second;
        if (kv.first.rfind("BM_PrintfLinesLogged", 0) == 0) logged_rate = kv.second;
    }
    for (const auto& kv : reporter.lines_per_s)
        if (kv.first.rfind("BM_PrintfLines", 0) != 0 && kv.second > 0)
            printf("  PXK_Printf / %-35s %8.2fx the rate\n", kv.first.c_str(), printf_rate / kv.second);
    printf("  goal: 100000 lines/s; PXK_Printf %s\n", printf_rate >= 100000 ? "reaches it" : "does not reach it");
    if (logged_rate > 0)
        printf("  logging costs %.2fx the unlogged time (goal: at most 1.20x)\n", printf_rate / logged_rate);
    benchmark::Shutdown();
    // The logs go with their folder.
    PXK_CloseAllLogs();
    char name[32];
    snprintf(name, sizeof name, "PIXKIT%d0.LOG", instance_slot);
    if (log_folder[strlen(log_folder) - 1] != 'X') {
        remove(name);
        rmdir(log_folder);
    }
    return 0;
}
