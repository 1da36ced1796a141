#include "demo/demo_data.h"

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>

#include "input/calendar.h"
#include "input/dino_reader.h"
#include "platform/files.h"
#include "text/number_text.h"

namespace phreatix {

namespace {

// The meteo files cover 1960..2005 without a gap: warm-up and simulation
// periods of any session between those years. The tubes are measured
// 1985..1995; the model runs from 1960 on, so that its state has long
// forgotten its start when the first level is written.
constexpr int kMeteoFirstYear = 1960;
constexpr int kMeteoLastYear = 2005;
constexpr int kSeriesFirstYear = 1985;
constexpr int kSeriesLastYear = 1995;

// Precipitation and evaporation are written in 0.1 mm; times 0.01 they are
// cm, the unit of the levels, so the engine's surplus f*P - f*E is in cm/day.
constexpr double kMeteoScale = 0.01;

constexpr const char* kExportName = "demo_dino.csv";
constexpr const char* kCouplingName = "koppeling.txt";

// Uniform and normal numbers of our own from the integers of mt19937, whose
// sequence the standard fixes; the library's distributions differ between
// implementations, and the data set must not.
class DemoRandom {
 public:
  explicit DemoRandom(std::uint32_t seed) : bits_(seed) {}

  // In (0, 1): never 0, so that its logarithm exists.
  double uniform() { return (static_cast<double>(bits_()) + 0.5) / 4294967296.0; }

  // Standard normal by Box-Muller; the second number of a pair is kept for
  // the next call.
  double normal() {
    if (hasSpare_) {
      hasSpare_ = false;
      return spare_;
    }
    const double radius = std::sqrt(-2.0 * std::log(uniform()));
    const double angle = 2.0 * std::numbers::pi * uniform();
    spare_ = radius * std::sin(angle);
    hasSpare_ = true;
    return radius * std::cos(angle);
  }

 private:
  std::mt19937 bits_;
  bool hasSpare_ = false;
  double spare_ = 0;
};

// The weather of one meteo station: wet and dry days as a two-state Markov
// chain, exponential rain amounts on wet days with a little more in late
// summer, and a reference evaporation that follows the sun, less on wet days.
struct Climate {
  const char* file;
  std::uint32_t seed;
  double wetAfterDry;    // chance of a wet day after a dry one
  double wetAfterWet;    // after a wet one
  double rainMm;         // mean amount of a wet day
  double evaporationMm;  // yearly mean of the evaporation of a dry day, mm/day
  double swingMm;        // half the difference between midsummer and midwinter
};

// About 850 mm of rain and 590 mm of evaporation a year in the west, 770 and
// 610 in the east: a yearly surplus of 270 and 160 mm.
constexpr Climate kClimates[] = {
    {"meteo_west.prn", 19601u, 0.40, 0.66, 4.3, 1.80, 1.70},
    {"meteo_oost.prn", 19602u, 0.36, 0.64, 4.2, 1.85, 1.75},
};
constexpr int kWest = 0;
constexpr int kEast = 1;

struct MeteoSeries {
  std::vector<CalendarDate> dates;  // every day, from 1 January 1960
  std::vector<int> rain;            // 0.1 mm
  std::vector<int> evaporation;     // 0.1 mm
  std::vector<double> surplus;      // cm/day, as the engine forms it
};

MeteoSeries generateWeather(const Climate& climate) {
  MeteoSeries series;
  DemoRandom random(climate.seed);
  bool wet = false;
  for (int year = kMeteoFirstYear; year <= kMeteoLastYear; ++year) {
    int dayOfYear = 0;
    for (int month = 1; month <= 12; ++month) {
      for (int day = 1; day <= daysInMonth(month, year); ++day) {
        ++dayOfYear;
        const double season = 2.0 * std::numbers::pi / 365.25;
        wet = random.uniform() < (wet ? climate.wetAfterWet : climate.wetAfterDry);
        double rainMm = 0;
        if (wet) {
          // Heavier showers in the middle of August (day 230).
          const double mean = climate.rainMm * (1.0 + 0.15 * std::cos(season * (dayOfYear - 230)));
          rainMm = -mean * std::log(random.uniform());
        }
        // Highest on midsummer's day (day 172), never below zero.
        double evaporationMm =
            climate.evaporationMm + climate.swingMm * std::cos(season * (dayOfYear - 172));
        evaporationMm *= (wet ? 0.8 : 1.0) * (1.0 + 0.2 * random.normal());
        if (evaporationMm < 0) evaporationMm = 0;

        const int rain = static_cast<int>(std::lround(10.0 * rainMm));
        const int evaporation = static_cast<int>(std::lround(10.0 * evaporationMm));
        series.dates.push_back({year, month, day});
        series.rain.push_back(rain);
        series.evaporation.push_back(evaporation);
        series.surplus.push_back(kMeteoScale * rain - kMeteoScale * evaporation);
      }
    }
  }
  return series;
}

// Head "M K f p e": M day lines of five columns day, month, year, P, E.
std::vector<std::string> meteoLines(const MeteoSeries& series) {
  std::vector<std::string> lines;
  lines.reserve(series.dates.size() + 1);
  lines.push_back(formatInt(static_cast<long long>(series.dates.size())) + " 5 " +
                  formatReal(kMeteoScale, 0, 2) + " 4 5");
  for (std::size_t i = 0; i < series.dates.size(); ++i) {
    const CalendarDate& d = series.dates[i];
    lines.push_back(formatInt(d.day, 2) + " " + formatInt(d.month, 2) + " " + formatInt(d.year, 4) +
                    " " + formatInt(series.rain[i], 4) + " " + formatInt(series.evaporation[i], 4));
  }
  return lines;
}

// One tube of the export: the model it is generated with, its noise seed,
// and what its metadata rows say about it. A tube moved in movedInYear stood
// at (oldX, oldY) before, where its levels lay oldOffsetCm deeper; 0: never
// moved.
struct TubeDesign {
  const char* location;
  const char* filter;
  int climate;
  double delta, omega0, phi, c, sigma2;
  std::uint32_t seed;
  const char* externalName;
  long x, y;        // m, national grid
  int surfaceCm;    // surface level, cm above NAP
  int filterTopCm;  // top of the filter, cm below surface level
  int movedInYear;
  long oldX, oldY;
  int oldOffsetCm;
  bool designedToFail;
  const char* note;
};

// The mean response to the surplus is omega0*mean(q)/(1 - delta): 5 to 9 cm
// on the west file (0.073 cm/day), 1 to 3 cm on the east one (0.045 cm/day);
// c is chosen so that each tube's levels stay between 20 and 250 cm below
// surface level, except 40HN0007, which lies above it on purpose.
// clang-format off
constexpr TubeDesign kTubes[] = {
    // location, filter, meteo, delta, omega0, phi, c, sigma2, seed,
    //   external name, x, y, surface, filter top, moved in, old x, old y, old offset,
    //   designed to fail, note
    {"28AL0005", "001", kWest, 0.96, 3.0, 0.97, -105.0, 4.0, 5001u,
     "PB05", 211350, 452870, 245, 180, 0, 0, 0, 0,
     false, "an ordinary tube, with every kind of missing value"},
    {"28AL0012", "001", kWest, 0.97, 3.5, 0.98, -80.0, 3.0, 5012u,
     "PB12", 213940, 451210, 262, 120, 0, 0, 0, 0,
     false, "shallow filter of a location with two filters"},
    {"28AL0012", "002", kWest, 0.97, 2.0, 0.98, -135.0, 2.0, 5013u,
     "PB12", 213940, 451210, 262, 850, 0, 0, 0, 0,
     false, "deep filter of 28AL0012: the coupling gives a location one entry, under its first "
            "filter, so this one is read but not calibrated"},
    {"32CN0031", "001", kEast, 0.95, 2.5, 0.96, -120.0, 6.0, 5031u,
     "B32C0031", 187420, 431980, 1120, 210, 1989, 187340, 431940, 25,
     false, "moved 89 m at the start of 1989: the older part of the series is dropped"},
    {"34EF0047", "001", kEast, 0.94, 1.8, 0.95, -65.0, 8.0, 5047u,
     "B34E0047", 203610, 447450, 1480, 100, 0, 0, 0, 0,
     false, "a shallow tube with a quick response"},
    {"40HN0007", "001", kEast, 0.95, 2.0, 0.96, 25.0, 3.0, 5007u,
     "B40H0007", 231760, 412330, 870, 300, 0, 0, 0, 0,
     true, "levels above surface level in a seepage area: its base level c comes out positive, "
           "which no plausible model has"},
};
// clang-format on

DemoTube demoTube(const TubeDesign& t) {
  return {t.location, t.filter, kClimates[t.climate].file, t.delta, t.omega0, t.phi,
          t.c,        t.sigma2, t.designedToFail,          t.note};
}

// Missing values of every kind a DINO export has: a frozen tube in the cold
// January of 1987, and scattered over each series a reading marked N, one
// marked O and one without a level.
enum class Gap { kNone, kNotMeasured, kFrozen, kUnreliable, kNoLevel };

// `index` counts the readings of the tube at `position` in the export.
Gap gapOf(int index, int position, const CalendarDate& date) {
  if (date.year == 1987 && date.month == 1) return Gap::kFrozen;
  const int k = index + 7 * position;
  if (k % 43 == 11) return Gap::kNotMeasured;
  if (k % 61 == 29) return Gap::kUnreliable;
  if (k % 47 == 3) return Gap::kNoLevel;
  return Gap::kNone;
}

std::string dateText(const CalendarDate& d) {
  return formatInt(d.year) + "/" + formatInt(100 + d.month).substr(1) + "/" +
         formatInt(100 + d.day).substr(1);
}

// The measurement rows of one tube: its model run day by day from 1960 on,
// read on the 14th and 28th of every month of 1985..1995 as a whole number of
// cm below surface level.
std::vector<std::string> measurementRows(const TubeDesign& m, int position,
                                         const MeteoSeries& meteo) {
  DemoRandom random(m.seed);
  const double noiseSd = std::sqrt(m.sigma2);
  double d = 0;
  double z = m.c;
  std::vector<std::string> rows;
  int index = 0;
  for (std::size_t t = 0; t < meteo.dates.size(); ++t) {
    const CalendarDate& date = meteo.dates[t];
    if (date.year > kSeriesLastYear) break;
    d = m.delta * d + m.omega0 * meteo.surplus[t];
    z = m.c + m.phi * (z - m.c) + noiseSd * random.normal();
    if (date.year < kSeriesFirstYear || (date.day != 14 && date.day != 28)) continue;

    long below = std::lround(-(d + z));
    if (date.year < m.movedInYear) below += m.oldOffsetCm;
    const Gap gap = gapOf(index++, position, date);
    const std::string level = gap == Gap::kNoLevel ? "" : formatInt(below);
    const char* remark = gap == Gap::kNotMeasured  ? "N"
                         : gap == Gap::kFrozen     ? "BEVROREN"
                         : gap == Gap::kUnreliable ? "O"
                                                   : "";
    rows.push_back(std::string(m.location) + "," + m.filter + "," + dateText(date) + " 00:00:00," +
                   level + "," + remark);
  }
  return rows;
}

// One metadata row: a tube's position, levels (cm above NAP) and period; an
// empty end date keeps the period open.
std::string metadataRow(const TubeDesign& design, long x, long y, const CalendarDate& start,
                        const std::string& end) {
  const int filterTop = design.surfaceCm - design.filterTopCm;
  return std::string(design.location) + "," + design.filter + "," + design.externalName + "," +
         formatInt(x) + "," + formatInt(y) + "," + formatInt(design.surfaceCm) + ",N," +
         formatInt(design.surfaceCm + 40) + "," + formatInt(filterTop) + "," +
         formatInt(filterTop - 100) + "," + dateText(start) + "," + end;
}

std::vector<std::string> exportLines(const std::vector<MeteoSeries>& meteo) {
  std::vector<std::string> lines = {
      "Titel: Grondwaterstanden demonstratieset",
      "Gebruikersnaam: demo",
      "Periode aangevraagd: 01/01/1985 - 31/12/1995",
      "Datum: 15/03/2001",
      "Referentie: Maaiveld (MV)",
      "",
      "LOCATIE,FILTERNUMMER,EXTERNE AANDUIDING,X-COORDINAAT,Y-COORDINAAT,MAAIVELD NAP,GESCHAT,"
      "MEETPUNT NAP,BOVENKANT FILTER,ONDERKANT FILTER,START DATUM,EIND DATUM",
  };
  // The rows of one location one after another, oldest period first, as the
  // relocation check expects.
  const CalendarDate seriesStart{kSeriesFirstYear, 1, 1};
  for (const TubeDesign& design : kTubes) {
    if (design.movedInYear != 0) {
      lines.push_back(metadataRow(design, design.oldX, design.oldY, seriesStart,
                                  dateText({design.movedInYear - 1, 12, 31})));
      lines.push_back(metadataRow(design, design.x, design.y, {design.movedInYear, 1, 1}, ""));
    } else {
      lines.push_back(metadataRow(design, design.x, design.y, seriesStart, ""));
    }
  }
  lines.push_back("");
  lines.push_back("LOCATIE,FILTERNUMMER,PEIL DATUM TIJD,STAND (MV),BIJZONDERHEID");
  for (std::size_t i = 0; i < std::size(kTubes); ++i) {
    std::vector<std::string> rows =
        measurementRows(kTubes[i], static_cast<int>(i), meteo[kTubes[i].climate]);
    lines.insert(lines.end(), rows.begin(), rows.end());
  }
  return lines;
}

// One line per location, code and meteo file in either order, with each of
// the separators the coupling accepts.
std::vector<std::string> couplingLines() {
  static constexpr const char* kSeparators[] = {" ", ",", ";", " , ", "; "};
  std::vector<std::string> lines;
  std::string previous;
  for (const TubeDesign& tube : kTubes) {
    if (tube.location == previous) continue;
    previous = tube.location;
    const std::string separator = kSeparators[lines.size() % std::size(kSeparators)];
    const std::string location = tube.location, meteo = kClimates[tube.climate].file;
    lines.push_back(lines.size() == 2 ? meteo + separator + location
                                      : location + separator + meteo);
  }
  return lines;
}

}  // namespace

DemoDataSet writeDemoData(const std::string& dir) {
  DemoDataSet set;
  set.exportFile = kExportName;
  set.couplingFile = kCouplingName;

  std::vector<MeteoSeries> meteo;
  for (const Climate& climate : kClimates) {
    meteo.push_back(generateWeather(climate));
    writeLines(joinPath(dir, climate.file), meteoLines(meteo.back()));
    set.meteoFiles.push_back(climate.file);
  }
  writeLines(joinPath(dir, kExportName), exportLines(meteo));
  writeLines(joinPath(dir, kCouplingName), couplingLines());
  writeLines(joinPath(dir, kKronFileName), builtinDayNumberLines());

  for (const TubeDesign& tube : kTubes) set.tubes.push_back(demoTube(tube));
  return set;
}

}  // namespace phreatix
