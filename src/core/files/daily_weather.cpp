#include "files/daily_weather.h"

#include <sstream>
#include <vector>

#include "coupling/meteo_day.h"
#include "error.h"
#include "files/meteo_days.h"
#include "text/parse.h"

namespace phreatix {

namespace {

std::vector<std::string> tokens(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> out;
  std::string t;
  while (in >> t) out.push_back(t);
  return out;
}

}  // namespace

DatedWeather readDatedWeather(const std::string& path) {
  const std::vector<std::string> lines = readMeteoLines(path);
  if (lines.size() < 2) refuseLine(path, 0, "geen dagregel", ErrorKind::kRead);
  const std::vector<std::string> head = tokens(lines[0]);
  double scale = 0;
  int columns = 0, p = 0, e = 0;
  if (head.size() < 5 || !parseInt(head[1], columns) || !parseReal(head[2], scale) ||
      !parseInt(head[3], p) || !parseInt(head[4], e) || p < 4 || e < 4 || p > columns ||
      e > columns) {
    refuseLine(path, 0,
               "de kopregel noemt geen kolommen van neerslag en verdamping na de datum "
               "(verwacht: dagen kolommen factor kolom_neerslag kolom_verdamping)",
               ErrorKind::kRead);
  }
  struct Day {
    long long number;
    double P, E;
  };
  std::vector<Day> days;
  days.reserve(lines.size());
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].find_first_not_of(" \t\r") == std::string::npos) continue;
    MeteoDay day;
    if (!parseMeteoDay(lines[i], day) || day.month < 1 || day.month > 12 || day.day < 1 ||
        day.day > daysInMonth(day.month, day.year)) {
      refuseLine(path, i, "verwacht een dagregel met een bestaande datum (dag maand jaar)",
                 ErrorKind::kRead);
    }
    const std::vector<std::string> values = tokens(day.rest);
    double P = 0, E = 0;
    if (static_cast<int>(values.size()) < std::max(p, e) - 3 ||
        !parseReal(values[static_cast<std::size_t>(p - 4)], P) ||
        !parseReal(values[static_cast<std::size_t>(e - 4)], E)) {
      refuseLine(path, i,
                 "neerslag (kolom " + std::to_string(p) + ") of verdamping (kolom " +
                     std::to_string(e) + ") ontbreekt of is geen getal",
                 ErrorKind::kRead);
    }
    const long long number = builtinDayNumber(day.year, day.month, day.day);
    if (!days.empty() && number <= days.back().number) {
      refuseLine(path, i, "de datum komt niet na die van de regel ervoor", ErrorKind::kRead);
    }
    days.push_back({number, scale * P, scale * E});
  }
  DatedWeather w;
  const long long first = days.front().number, last = days.back().number;
  double sumP = 0, sumE = 0;
  for (const Day& d : days) {
    sumP += d.P;
    sumE += d.E;
  }
  const double meanP = sumP / static_cast<double>(days.size());
  const double meanE = sumE / static_cast<double>(days.size());
  const std::size_t count = static_cast<std::size_t>(last - first + 1);
  w.weather.precipitation.assign(count, meanP);
  w.weather.evaporation.assign(count, meanE);
  for (const Day& d : days) {
    w.weather.precipitation[static_cast<std::size_t>(d.number - first)] = d.P;
    w.weather.evaporation[static_cast<std::size_t>(d.number - first)] = d.E;
  }
  w.filledDays = static_cast<int>(count - days.size());
  auto dateOf = [](long long n) {
    const std::int64_t ymd = builtinDateOfDay(n);
    return CalendarDate{static_cast<int>(ymd / 10000), static_cast<int>(ymd / 100 % 100),
                        static_cast<int>(ymd % 100)};
  };
  w.first = dateOf(first);
  w.last = dateOf(last);
  return w;
}

long long dayIndex(const DatedWeather& w, const CalendarDate& date) {
  return builtinDayNumber(date.year, date.month, date.day) -
         builtinDayNumber(w.first.year, w.first.month, w.first.day);
}

}  // namespace phreatix
