// What the benchmarks that run inside the real program share: starting it headless with the
// benchmark's own entries, ending it from the worker once the runs are done, and the median
// time of a few calls for summaries printed after the table.
#pragma once

#include "framework/startup.h"
#include "platform/backend.h"
#include "platform/system.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "runtime/main_window.h"
#include "runtime/startup_state.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

// From UserMain: asks the main window for Exit and serves the worker until it is under way.
inline void ExitBenchProgram() {
    PlatPostMessage(main_window.load(), MSG_COMMAND, (uintptr_t)MakeParam(CMD_EXIT, 0), 0);
    while (ExitState.load() == PXK_EXIT_NONE) {
        PXK_WaitForMessages(100);
        PXK_PumpMessages();
    }
}

// From main: the benchmark's flags, then the program on a headless screen of the given size.
inline int RunBenchProgram(int argc, char** argv, int screen_w, int screen_h) {
    benchmark::Initialize(&argc, argv);
    PlatStartHeadless(screen_w, screen_h, 32);
    char* args[] = {argv[0], nullptr};
    return PixkitMain(1, args);
}

// The median of runs calls of fn, in milliseconds.
template <typename Fn>
double MedianMs(Fn fn, int runs = 9) {
    std::vector<double> ms;
    const double freq = (double)PlatGetCounterFrequency();
    for (int i = 0; i < runs; i++) {
        const uint64_t t0 = PlatGetCounter();
        fn();
        ms.push_back((double)(PlatGetCounter() - t0) * 1000.0 / freq);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}
