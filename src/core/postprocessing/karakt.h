// Post-processing of one tube's simulated series into its time-series
// characteristics, and the batch over all tubes.
//
// RunPostprocessing reads the control file input.txt, reads the series file
// once into both of its value lists (pass 1 without 29 February, pass 2 with
// it) and writes
//   .sta  univariate statistics, then GHG, GLG and GVG
//   .reg  regime curve (mean and 5/50/95% points per day of the year)
//   .foe  duration line (level exceeded t days per year, t = 0.1 .. 365)
//   .his  histogram of 100 classes
//   .cor  temporal autocorrelation for lags 1..730
// The Postprocessor owns the fixed-capacity arrays (some 150 MB of address
// space, of which a tube touches what it needs), allocated once and reused
// for every tube.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/big_array.h"
#include "postprocessing/post_view.h"
#include "report/messages.h"
#include "report/ports.h"
#include "text/checked.h"
#include "text/fixed_writer.h"

namespace phreatix {

inline constexpr int kMaxRealisations = 1000;
// Room for every period the settings accept: 100 realisations of up to 100
// years (1948..2047) give K = 10,000 realisation-years and 100 x 36,525 =
// 3,652,500 values in the pass with 29 February.
inline constexpr int kMaxRealisationYears = 10000;  // K = R x Y
inline constexpr long long kMaxSeriesValues = 3652500;
inline constexpr int kMaxLags = 1000;
inline constexpr int kCorrelogramLags = 730;
inline constexpr int kDaysPerYear = 365;  // days of the day table, 29 February left out
inline constexpr const char* kControlFileName = "input.txt";

// Removes every apostrophe from the line, in place.
void StripApostrophes(std::string& line);

// A number of the series file, token by token as the free reader takes it
// (valReal): the same double, or false where valReal refuses the token.
bool readSeriesNumber(std::string_view token, double& value);

// A year is a leap year here when trunc(year/4)*4 = year: no century rule.
bool isSeriesLeapYear(double year);

// The index i in 1..N-1 with b(i) < t <= a(i), a(i) = (N+1-i)*365/N and
// b(i) = (N-i)*365/N, each quotient formed in extended precision and stored
// as a double, as t is; 0 when t <= 365/N.
long long durationIndex(long long N, double t);

class Postprocessor {
 public:
  Postprocessor();

  // Processes the tube described by input.txt in `workingDir`. Never lets an
  // error escape: the outcome goes to mmLOG through ReportPostEnd. True when
  // it ended without error.
  bool RunPostprocessing(const std::string& workingDir, PostView& view, Messages& messages);
  // The same with input.txt read from `controlDir` (a worker's scratch
  // directory); the series and the five outputs are files of `workingDir`.
  bool RunPostprocessing(const std::string& workingDir, const std::string& controlDir,
                         PostView& view, Messages& messages);

  // Seconds per step of the last run (reading both passes, GHG, regime,
  // sort, univariate and histogram, duration line, correlogram), for the
  // benchmark.
  const std::vector<std::pair<std::string, double>>& stepTimes() const { return stepTimes_; }

 private:
  struct Files;
  void run(const std::string& workingDir, const std::string& controlDir, PostView& view);
  void readSeries(const std::string& path);
  bool readSeriesQuickly(const std::string& path, const std::string& text);
  void readSeriesSlowly(const std::string& path, std::string text);
  long long checkHead(const std::string& path);
  long long valuesWithLeapDays() const;
  void takePassWithLeapDays(const std::string& path);
  void fillDayTable();
  void computeGhg();
  void writeRegime(FixedWriter& out);
  void writeUnivariate(FixedWriter& out);
  void writeGhg(FixedWriter& out);
  void writeHistogram(FixedWriter& out);
  void writeDuration(FixedWriter& out, PostView& view);
  void writeCorrelogram(FixedWriter& out, PostView& view);
  void closeAll() noexcept;

  // Run state of one tube.
  int S_ = 0, R_ = 0, Y_ = 0;
  double factor_ = 1;
  long long N_ = 0, M_ = 0, L_ = 0;
  int K_ = 0;
  double mean1_ = 0;  // pass-1 mean, also the correlogram's
  double minimum_ = 0, width_ = 0;

  // The large arrays are left uncleared: every element is written before it
  // is read, and a page nobody writes costs no memory and no time.
  using Array = BigArray;
  // Pass 1 [1..N] and pass 2 [1..M], both filled by the one reading of the
  // series file; pass 2 only when it fits in its capacity (passTwoKept_).
  Array values_, series_;
  bool passTwoKept_ = false;
  // day d (1..365), column k (1..K): [(d-1)*kMaxRealisationYears + k-1]
  Array dayTable_;
  std::vector<double> work_;       // [1..kMaxRealisationYears]
  std::vector<double> measuring_;  // 24 x kMaxRealisationYears
  std::vector<double> sums_;       // 5 x 1000
  double ghg_[5][5] = {};
  // Correlogram work over one realisation: deviations from the mean and
  // their squares, [1..L]. Idle until then, they are the sorts' scratch.
  Array deviations_, squares_;
  FixedWriter sta_, his_, foe_, reg_, cor_;
  std::vector<std::pair<std::string, double>> stepTimes_;
};

// ReportPostEnd: "Postprocessing zonder fouten afgesloten." for an empty
// message, otherwise "Postprocessing met foutmelding afgesloten:" and the
// message.
void ReportPostEnd(Messages& messages, const std::string& message);

struct PostRow {
  std::string seriesFile;
  bool created = false;  // "aangemaakt", or "mislukt"
};

// The batch (btbttnPOSTClick) over every "*.u01" in `workingDir`, in
// alphabetical order: copies each stem's .inp to input.txt and runs the
// tube. `main` is the main window's gauge and label. With `workers` > 1 the
// tubes are processed that many at once, each worker with its own
// Postprocessor and its own input.txt in a scratch directory; the grid, the
// lines in mmLOG and the files are those of one tube after the other.
std::vector<PostRow> runPostBatch(const std::string& workingDir, Postprocessor& post,
                                  PostView& view, ProgressView& main, Messages& messages,
                                  int workers = 1);

}  // namespace phreatix
