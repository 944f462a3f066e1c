// What the benchmark's rows share: the times of one side, and both sides of
// an operation run by turns.
#pragma once

#include <algorithm>
#include <functional>
#include <iomanip>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

constexpr int kRuns = 9;

struct SSeries {
    std::vector<double> times;

    double Min() const { return *std::min_element(times.begin(), times.end()); }
    double Median() const
    {
        std::vector<double> sorted = times;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
};

using COperation = std::function<double(int run)>;

// Runs both sides by turns, so that neither gains from the other's caches.
inline std::pair<SSeries, SSeries> Alternate(const COperation& project, const COperation& raw, int runs = kRuns)
{
    std::pair<SSeries, SSeries> series;
    for (int run = 0; run < runs; ++run) {
        series.first.times.push_back(project(run));
        series.second.times.push_back(raw(run));
    }
    return series;
}

inline std::string Fixed(double value, int digits)
{
    std::ostringstream text;
    text << std::fixed << std::setprecision(digits) << value;
    return text.str();
}
