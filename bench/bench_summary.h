// Console reporter that keeps the best of the repetitions, in CPU
// nanoseconds per iteration and per unit of a counter: the machine may be
// busy with other work.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class BenchSummary : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> perIteration, perCount;
    explicit BenchSummary(const char* counter) : ConsoleReporter(OO_Tabular), counter_(counter) {}
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.iterations == 0) continue;
            std::string name = r.run_name.function_name;
            if (!r.run_name.args.empty()) name += "/" + r.run_name.args;
            double ns = r.cpu_accumulated_time * 1e9;
            Keep(perIteration, name, ns / (double)r.iterations);
            auto count = r.counters.find(counter_);
            if (count != r.counters.end()) Keep(perCount, name, ns / count->second.value);
        }
    }

private:
    std::string counter_;
    static void Keep(std::map<std::string, double>& best, const std::string& name, double v)
    {
        auto it = best.find(name);
        if (it == best.end() || v < it->second) best[name] = v;
    }
};
