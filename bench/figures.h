#pragma once

// What the desktop benchmarks share: order statistics of timings and one
// line per figure against its target.

#include <algorithm>
#include <cstdio>
#include <vector>

namespace garbello::bench {

// The value `fraction` of the way through the sorted values; 0 when none.
inline double percentile(std::vector<double> values, double fraction) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

inline double median(std::vector<double> values) {
    return percentile(std::move(values), 0.5);
}

// Prints the figure and whether it met its target; returns the latter.
inline bool report(const char* what, double value, const char* unit, double target) {
    const bool met = value <= target;
    std::printf("%-44s %8.3f %s   (target <= %g %s) %s\n", what, value, unit, target, unit,
                met ? "ok" : "MISSED");
    return met;
}

} // namespace garbello::bench
