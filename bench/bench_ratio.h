// Ratios printed after a benchmark table: every run's CPU time is kept, so that each hot path
// can be set beside its baselines (memcpy or memset of the same bytes, a plain reference
// loop). With repetitions the median stands for the case. CPU time, because the machine is shared and wall times swing with its load; wall
// time for the cases marked UseRealTime (their work runs on more than one thread).
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <stdio.h>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> times;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median") continue;
            bool wall = r.benchmark_name().find("/real_time") != std::string::npos;
            times[r.run_name.str()] = wall ? r.GetAdjustedRealTime() : r.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

// Prints op's time over base's, when both ran.
inline void PrintRatio(const RatioReporter& rep, const char* what, const char* op, const char* base) {
    auto a = rep.times.find(op), b = rep.times.find(base);
    if (a == rep.times.end() || b == rep.times.end() || b->second <= 0) return;
    printf("  %-34s %-28s %8.2fx\n", what, base, a->second / b->second);
}
