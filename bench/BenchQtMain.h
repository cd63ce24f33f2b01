#pragma once
// The main of a benchmark that draws with Qt: fonts, widgets and charts need
// an application object; nothing is put on a screen (offscreen platform
// unless the caller chose one).

#include <benchmark/benchmark.h>

#include <QApplication>

namespace vmf::bench {

inline int RunQtBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace vmf::bench
