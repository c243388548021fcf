#pragma once

#include <QApplication>
#include <benchmark/benchmark.h>

// main() for benchmarks that build widgets: an offscreen application around the runner.
#define CORVINA_GUI_BENCHMARK_MAIN()                                                               \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        qputenv("QT_QPA_PLATFORM", "offscreen");                                                   \
        QApplication app(argc, argv);                                                              \
        benchmark::Initialize(&argc, argv);                                                        \
        benchmark::RunSpecifiedBenchmarks();                                                       \
        benchmark::Shutdown();                                                                     \
        return 0;                                                                                  \
    }
