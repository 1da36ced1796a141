#include "coupling/completeness.h"

#include "coupling/meteo_day.h"
#include "error.h"
#include "platform/files.h"
#include "text/checked.h"
#include "text/number_text.h"
#include "text/parse.h"
#include "text/shown_text.h"

namespace phreatix {

namespace {

bool isBlankLine(const std::string& line) {
  return line.find_first_not_of(" \t") == std::string::npos;
}

// Day, month and year at the start of a day line; what follows is ignored.
MeteoDay readDate(const std::string& path, const std::vector<std::string>& lines,
                  std::size_t index) {
  MeteoDay day;
  if (!parseMeteoDay(lines[index], day)) {
    refuseLine(path, index, "geen dag, maand en jaar: " + quoted(lines[index]), ErrorKind::kRead);
  }
  return day;
}

}  // namespace

std::string meteoCoverageGap(const std::string& path, int startYear, int endYear) {
  std::vector<std::string> lines = readLines(path);
  // Line 1 is the head line.
  std::size_t first = 1;
  while (first < lines.size() && isBlankLine(lines[first])) ++first;
  std::size_t last = lines.size();
  while (last > first + 1 && isBlankLine(lines[last - 1])) --last;
  // At least one day line after the first one is needed to judge the end.
  if (last <= first + 1) return "heeft minder dan twee dagregels";
  --last;

  auto text = [](const MeteoDay& d) {
    return formatInt(d.day) + "-" + formatInt(d.month) + "-" + formatInt(d.year);
  };
  MeteoDay start = readDate(path, lines, first);
  bool startCovered =
      start.year < startYear || (start.year == startYear && start.month == 1 && start.day == 1);
  if (!startCovered) return "begint pas op " + text(start) + ", na 1-1-" + formatInt(startYear);

  MeteoDay end = readDate(path, lines, last);
  if (end.year > endYear || (end.year == endYear && end.month == 12 && end.day == 31)) return {};
  return "eindigt op " + text(end) + ", voor 31-12-" + formatInt(endYear);
}

bool meteoFileCovers(const std::string& path, int startYear, int endYear) {
  return meteoCoverageGap(path, startYear, endYear).empty();
}

CompletenessResult checkMeteoCompleteness(const CouplingOverview& overview,
                                          const SessionSettings& settings,
                                          const std::string& workingDir, MessageBox& messageBox) {
  const int startYear = settings.startYear;
  const int endYear = checkedAdd(checkedAdd(settings.startYear, settings.numberOfYears), -1);
  const std::string suffix = " : Dit meteobestand is incompleet!";

  CompletenessResult result;
  for (const CouplingRow& row : overview.rows) {
    std::string name = meteoFileName(row.meteo);
    const std::string tube = "Buis " + row.tube + ": ";
    if (name.empty()) {
      result.incompleteLines.push_back("(geen meteobestand gekoppeld aan " + row.tube + ")" +
                                       suffix);
      result.reasons.push_back(tube + "geen meteobestand gekoppeld.");
      continue;
    }
    std::string gap;
    try {
      gap = meteoCoverageGap(joinPath(workingDir, name), startYear, endYear);
    } catch (const Error& e) {
      // A file that cannot be read cannot serve a simulation either.
      gap = std::string("is niet te lezen (") + e.what() + ")";
    }
    if (!gap.empty()) {
      result.incompleteLines.push_back(name + suffix);
      result.reasons.push_back(tube + "meteobestand " + shownText(name) + " " + gap + ".");
    }
  }
  result.complete = result.incompleteLines.empty();

  const std::string listPath = joinPath(workingDir, kIncompleteMeteoFile);
  if (!removeFile(listPath)) {
    throw Error(ErrorKind::kIo,
                listPath + ": de lijst van een eerdere controle is niet te verwijderen");
  }
  if (!result.complete) {
    writeLines(listPath, result.incompleteLines);
    // The fixed text, then which tubes fail and why (at most a screenful).
    std::string text =
        "1 of meer meteobestand(en) zijn incompleet (<simulatieperiode). Pas de meteobestanden "
        "in <IncompleteMeteo.txt> aan of verander het aanvangstijdstip van de "
        "simulatieperiode. Voer daarna opnieuw de koppeling meteobestand/buis uit.";
    constexpr std::size_t kShownReasons = 15;
    for (std::size_t i = 0; i < result.reasons.size() && i < kShownReasons; ++i) {
      text += "\n" + result.reasons[i];
    }
    if (result.reasons.size() > kShownReasons) {
      text += "\n... en " +
              formatInt(static_cast<long long>(result.reasons.size() - kShownReasons)) +
              " buis/buizen meer (zie " + kIncompleteMeteoFile + " en " + "het logboek).";
    }
    messageBox.show(text);
  }
  return result;
}

}  // namespace phreatix
