// What the benchmarks over a running program share: the application object,
// running its event loop for a while or until something happened, the
// process's CPU time, and the quantiles of a series as counters.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <vector>

// Made on first use and never destroyed: Qt's own statics are gone by the time a static one would be.
inline void EnsureApplication()
{
    if (QCoreApplication::instance() != nullptr)
        return;
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
}

// Runs the event loop for ms milliseconds, sleeping while nothing happens.
inline void RunFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until done, without sleeping (a latency is being timed); false past the limit.
template <class Predicate>
bool RunUntil(Predicate done, int limitMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

// User and system seconds of this process so far.
inline double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The process's CPU over seconds of its event loop, in percent of one core.
inline double CpuPercentOver(int seconds)
{
    const double before = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    RunFor(seconds * 1000);
    return 100.0 * (CpuSeconds() - before) / (static_cast<double>(wall.elapsed()) / 1000.0);
}

// Median, p90 and max of a series of milliseconds, as the benchmark's counters.
inline void ReportQuantiles(benchmark::State& state, std::vector<double> ms)
{
    if (ms.empty())
        return;
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["p90_ms"] = ms[ms.size() * 9 / 10];
    state.counters["max_ms"] = ms.back();
}
