// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

// A console reporter that remembers each benchmark's CPU time per iteration,
// so that a program can print ratios between benchmarks at the end. With
// repetitions the median stands for a benchmark; otherwise its single run.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    using ConsoleReporter::ConsoleReporter;

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const std::string& name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                cpuTime_[name] = run.GetAdjustedCPUTime();
                haveMedian_[name] = true;
            } else if (run.run_type == Run::RT_Iteration && !haveMedian_[name]) {
                cpuTime_[name] = run.GetAdjustedCPUTime();
            }
        }
    }

protected:
    // CPU time per iteration in the benchmark's own unit, if it ran.
    std::optional<double> cpuTime(const std::string& name) const {
        const auto it = cpuTime_.find(name);
        return it == cpuTime_.end() ? std::nullopt : std::optional<double>(it->second);
    }

private:
    std::map<std::string, double> cpuTime_;
    std::map<std::string, bool> haveMedian_;
};
