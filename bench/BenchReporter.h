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
    // The same in CPU time of the benchmark thread: on a shared machine the
    // real time also counts the waits for a core.
    std::map<std::string, double> cpuNsPerIteration;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.error_occurred || r.iterations <= 0) continue;
            const std::string name = r.benchmark_name().substr(0, r.benchmark_name().find('/'));
            const double n = static_cast<double>(r.iterations);
            nsPerIteration[name] = r.real_accumulated_time * 1e9 / n;
            cpuNsPerIteration[name] = r.cpu_accumulated_time * 1e9 / n;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

// Runs the benchmarks chosen on the command line; their times by name.
inline std::map<std::string, double> RunBenchmarks(int& argc, char** argv, bool cpuTime = false) {
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return cpuTime ? reporter.cpuNsPerIteration : reporter.nsPerIteration;
}

}  // namespace vmf::bench
