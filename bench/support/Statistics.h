#pragma once

#include <vector>

namespace tallyvane::bench {

// The figures every benchmark prints.
double median(std::vector<double> values);
// Nearest rank: the smallest value with at least `fraction` of the values at or below it.
double percentile(std::vector<double> values, double fraction);
// User plus system CPU of this process, every thread, children excluded.
double ownCpuSeconds();

} // namespace tallyvane::bench
