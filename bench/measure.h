#pragma once
// Timing of small operations: medians over many repetitions, with spread.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace sonarel::bench {

struct Timing {
    double median = 0;  // microseconds per call
    double p10 = 0;
    double p90 = 0;
};

// Median and spread of single samples (microseconds).
inline Timing summarize(std::vector<double> samples) {
    if (samples.empty()) return {};
    std::sort(samples.begin(), samples.end());
    auto at = [&](double q) { return samples[static_cast<size_t>(q * (samples.size() - 1))]; };
    return {at(0.5), at(0.1), at(0.9)};
}

// Microseconds on the performance counter.
inline double nowMicroseconds() {
    static const double perMicrosecond = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return double(frequency.QuadPart) / 1e6;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) / perMicrosecond;
}

// Runs the operation in batches and reports per-call times.
inline Timing measure(const std::function<void()>& operation, int batches = 201, int perBatch = 20) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    for (int i = 0; i < perBatch * 5; ++i) operation();  // warm up
    std::vector<double> samples;
    samples.reserve(batches);
    for (int b = 0; b < batches; ++b) {
        QueryPerformanceCounter(&start);
        for (int i = 0; i < perBatch; ++i) operation();
        QueryPerformanceCounter(&end);
        samples.push_back(double(end.QuadPart - start.QuadPart) * 1e6 / double(frequency.QuadPart) / perBatch);
    }
    std::sort(samples.begin(), samples.end());
    auto at = [&](double q) { return samples[static_cast<size_t>(q * (samples.size() - 1))]; };
    return {at(0.5), at(0.1), at(0.9)};
}

// Measures the two side by side, interleaved, so that drift hits both.
inline std::pair<Timing, Timing> measurePair(const std::function<void()>& ours, const std::function<void()>& floor,
                                             int rounds = 5) {
    std::vector<Timing> a, b;
    for (int r = 0; r < rounds; ++r) {
        a.push_back(measure(ours, 101));
        b.push_back(measure(floor, 101));
    }
    auto mid = [](std::vector<Timing> t) {
        std::sort(t.begin(), t.end(), [](const Timing& x, const Timing& y) { return x.median < y.median; });
        return t[t.size() / 2];
    };
    return {mid(a), mid(b)};
}

inline void printRow(const char* what, const Timing& ours, const Timing& floor, double goal) {
    double ratio = ours.median / floor.median;
    std::printf("| %-34s | %8.2f (%6.2f-%6.2f) | %8.2f (%6.2f-%6.2f) | %5.2f | %s |\n", what, ours.median, ours.p10,
                ours.p90, floor.median, floor.p10, floor.p90, ratio, ratio <= goal ? "met" : "NOT MET");
}

}  // namespace sonarel::bench
