// The trace of a filter pass as the engine writes it (S.upd, S.z01, ...):
// " Results of SSDKAL", a blank line and two lines of column titles, the row
// of time 0, then one row per step: time (days), prediction, update, M, P,
// measurement and innovation (levels in the unit of the scaled levels,
// positive upward; M and P the square roots of M11 and P11, standard
// deviations in the same unit). The engine writes it
// (engine/kalman_filter); the results read it here.
#pragma once

#include <string>
#include <vector>

namespace phreatix {

inline constexpr int kTraceHeadLines = 4;  // before the row of time 0

struct TraceRow {
  double time = 0;
  double predicted = 0;
  double updated = 0;
};

// The rows of the steps (the row of time 0 left out) from the file's text,
// `name` for the error messages; blank lines passed over. A row without
// time, prediction and update is a read error naming the file and the line.
std::vector<TraceRow> readTraceRows(const std::string& name, const std::string& text);

}  // namespace phreatix
