// A console reporter that also keeps every benchmark's time per iteration,
// so a benchmark program can print its ratios to the peer or floor measured
// in the same run. Names are the function and its arguments
// ("BM_Load/1000/0"), without the timing and repetition suffixes.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace kest::bench {

struct TBenchTimes {
    double wall = 0; // seconds per iteration
    double cpu = 0;
};

class TTimesReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type != Run::RT_Iteration && !median)
                continue;
            const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
            const TBenchTimes times {run.GetAdjustedRealTime() / unit, run.GetAdjustedCPUTime() / unit};
            const std::string name
                = run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
            // The median of repetitions stands for the benchmark; without
            // one, the best of the runs, as the machines are shared.
            auto [it, added] = times_.emplace(name, times);
            if (median) {
                it->second = times;
                medians_.push_back(name);
            } else if (!added && std::find(medians_.begin(), medians_.end(), name) == medians_.end()) {
                it->second.wall = std::min(it->second.wall, times.wall);
                it->second.cpu = std::min(it->second.cpu, times.cpu);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // None when the benchmark did not run (filtered out or failed).
    const TBenchTimes* Find(const std::string& name) const
    {
        const auto it = times_.find(name);
        return it == times_.end() ? nullptr : &it->second;
    }
    const std::map<std::string, TBenchTimes>& All() const { return times_; }

private:
    std::map<std::string, TBenchTimes> times_;
    std::vector<std::string> medians_;
};

// Qt programs measure offscreen unless told otherwise.
inline void UseOffscreenPlatform()
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

// Runs what the command line selects through the reporter; false on an
// argument the library does not know.
inline bool RunBenchmarks(int& argc, char** argv, TTimesReporter& reporter)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return false;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    return true;
}

} // namespace kest::bench
