// Wall-clock timing with QueryPerformanceCounter: batches of calls long enough
// to rise above the counter's resolution, and the median of several batches,
// so that a stray pause of another process does not move the figure.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

namespace qz::bench {

inline double Seconds() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / frequency;
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Seconds per call over one batch of `calls` calls.
template <class F>
double BatchTime(F&& run, int calls) {
    const double start = Seconds();
    for (int i = 0; i < calls; ++i) run();
    return (Seconds() - start) / calls;
}

// How many calls make one batch last about `seconds`.
template <class F>
int CallsPerBatch(F&& run, double seconds) {
    for (int calls = 1;; calls *= 4) {
        const double took = BatchTime(run, calls) * calls;
        if (took >= seconds / 4 || calls >= (1 << 22)) {
            return std::max(1, static_cast<int>(calls * seconds / std::max(took, 1e-9)));
        }
    }
}

// Median seconds per call of `run`, one call at a time, with `prepare` run
// untimed before each (for work that must start afresh every time).
template <class F, class P>
double MedianOfRuns(int repeats, F&& run, P&& prepare) {
    std::vector<double> times;
    for (int r = 0; r < repeats; ++r) {
        prepare();
        const double start = Seconds();
        run();
        times.push_back(Seconds() - start);
    }
    return Median(times);
}

}  // namespace qz::bench
