#pragma once
// Wall-clock timing shared by the benchmarks that drive the real window: seconds since a start,
// the best of several runs and the median of a series.
#include <algorithm>
#include <chrono>
#include <limits>
#include <vector>

inline double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Other work on the machine only ever slows a run down: the fastest run is the figure.
template <typename F>
double Best(int runs, F&& f) {
  double best = std::numeric_limits<double>::infinity();
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    f();
    best = std::min(best, Seconds(start));
  }
  return best;
}

inline double Min(const std::vector<double>& values) {
  return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}
