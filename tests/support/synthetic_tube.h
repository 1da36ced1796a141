// A tube made by the model itself, for engine tests and benchmarks: a daily
// surplus from a fixed pattern with random showers, levels h = d + z from
// known parameters with noise from a fixed seed, and measurement error of
// variance 1, read twice a month (every 14th day).
#pragma once

#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "text/number_text.h"

namespace phreatix::test {

struct SyntheticTube {
  std::vector<double> surplus;                          // day 1, 2, ...
  std::vector<std::pair<double, double>> measurements;  // (time, level)
};

inline SyntheticTube syntheticTube(int days, double delta, double omega0, double phi, double c,
                                   double sigma2, unsigned seed) {
  SyntheticTube tube;
  std::mt19937 random(seed);
  std::normal_distribution<double> noise(0.0, std::sqrt(sigma2));
  std::normal_distribution<double> error(0.0, 1.0);
  std::uniform_real_distribution<double> rain(0.0, 1.0);
  double d = 0, z = c;
  for (int day = 1; day <= days; ++day) {
    double season = std::sin(2 * M_PI * day / 365.25);
    double q = (rain(random) < 0.45 ? 4.0 * rain(random) : 0.0) - (1.2 + 1.0 * season);
    tube.surplus.push_back(q);
    d = delta * d + omega0 * q;
    z = phi * (z - c) + c + noise(random);
    if (day % 14 == 0)
      tube.measurements.push_back({static_cast<double>(day), d + z + error(random)});
  }
  return tube;
}

// A meteo file whose column 1 holds the surplus and column 2 a zero
// evaporation, scale 1.
inline std::vector<std::string> meteoLines(const std::vector<double>& surplus) {
  std::vector<std::string> lines = {formatInt(static_cast<long long>(surplus.size())) +
                                    " 2 1.0 1 2"};
  for (double q : surplus) lines.push_back(formatReal(q, 0, 6) + " 0.0");
  return lines;
}

inline std::vector<std::string> measurementLines(
    const std::vector<std::pair<double, double>>& timeLevel) {
  std::vector<std::string> lines = {formatInt(static_cast<long long>(timeLevel.size())) + " 1.0"};
  for (auto [t, y] : timeLevel) lines.push_back(formatReal(t, 0, 6) + " " + formatReal(y, 0, 6));
  return lines;
}

}  // namespace phreatix::test
