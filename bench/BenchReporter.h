#pragma once
// A console reporter that also keeps each benchmark's real time per
// iteration, so a benchmark's main can compare runs and print its targets.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace vmf::bench {

class RecordingReporter : public benchmark::ConsoleReporter {
public:
    // Keyed by the function's name, without suffixes such as "/iterations:2".
    std::map<std::string, double> nsPerIteration;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (!r.error_occurred && r.iterations > 0)
                nsPerIteration[r.benchmark_name().substr(0, r.benchmark_name().find('/'))] =
                    r.real_accumulated_time * 1e9 / static_cast<double>(r.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
};

// Runs the benchmarks chosen on the command line; their times by name.
inline std::map<std::string, double> RunBenchmarks(int& argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.nsPerIteration;
}

}  // namespace vmf::bench
