#include "coupling/coupling.h"

#include <algorithm>
#include <optional>

#include "error.h"
#include "input/tube_file.h"
#include "platform/files.h"
#include "text/number_text.h"
#include "text/parse.h"

namespace phreatix {

namespace {

// The list boxes sort like their Windows originals: without regard to case;
// entries that differ in case only keep a fixed order.
bool alphabeticalLess(const std::string& a, const std::string& b) {
  std::string ua = upperAscii(a);
  std::string ub = upperAscii(b);
  if (ua != ub) return ua < ub;
  return a < b;
}

void insertAlphabetically(std::vector<std::string>& list, std::string entry) {
  auto at = std::upper_bound(list.begin(), list.end(), entry, alphabeticalLess);
  list.insert(at, std::move(entry));
}

// The entries at `positions` of `source`, taken out in list order (top first).
// A position outside the list is an index error; a position given twice
// counts once.
std::vector<std::string> takeEntries(std::vector<std::string>& source, std::vector<int> positions) {
  std::sort(positions.begin(), positions.end());
  positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
  for (int p : positions) {
    if (p < 0 || static_cast<std::size_t>(p) >= source.size()) {
      throw Error(ErrorKind::kIndex, "lijstpositie " + formatInt(p) + " buiten een lijst van " +
                                         formatInt(static_cast<long long>(source.size())) +
                                         " regels");
    }
  }
  std::vector<std::string> taken;
  taken.reserve(positions.size());
  for (int p : positions) taken.push_back(source[p]);
  for (auto it = positions.rbegin(); it != positions.rend(); ++it)
    source.erase(source.begin() + *it);
  return taken;
}

// The tube code of an entry: its text before the first blank.
std::string entryCode(const std::string& entry) { return entry.substr(0, entry.find(' ')); }

// A coupling-file line without the first occurrence of `code` and without
// its separators. Tabs count as blanks: a file typed in a spreadsheet
// separates its columns with them.
std::string nameOnLine(const std::string& line, std::size_t codeAt, std::size_t codeLength) {
  std::string rest = line;
  rest.erase(codeAt, codeLength);
  std::string name;
  for (char c : rest) {
    if (c != ' ' && c != '\t' && c != ',' && c != ';') name += c;
  }
  return name;
}

bool isCouplingSeparator(char c) { return c == ' ' || c == '\t' || c == ',' || c == ';'; }

// The words of `text` between separators.
std::vector<std::string> couplingWords(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    if (!isCouplingSeparator(c)) {
      word += c;
    } else if (!word.empty()) {
      words.push_back(std::move(word));
      word.clear();
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

}  // namespace

std::string entryStem(const std::string& entry) { return entry.substr(0, kLocationLength); }

std::string entryFilter(const std::string& entry) {
  std::size_t plus = entry.find('+');
  if (plus == std::string::npos) return "";
  return entry.substr(plus + 1, kFilterLength);
}

std::string meteoFileName(const std::string& cell) {
  std::size_t slash = cell.find_last_of("\\/");
  if (slash == std::string::npos) return cell;
  return cell.substr(slash + 1);
}

std::string meteoFileOfStem(const CouplingOverview& overview, const std::string& stem) {
  std::string file;
  for (const CouplingRow& row : overview.rows) {
    if (entryStem(row.tube) == stem) file = meteoFileName(row.meteo);
  }
  return file;
}

std::string stressFileOfStem(const CouplingOverview& overview, const std::string& stem) {
  std::string file;
  for (const CouplingRow& row : overview.rows) {
    if (entryStem(row.tube) == stem) file = meteoFileName(row.stress);
  }
  return file;
}

bool isStressFileName(const std::string& name) {
  return name.size() > 4 && upperAscii(std::string_view(name).substr(name.size() - 4)) == ".CSV";
}

namespace {

// The tube records of one entry of the tube list: per record its filter and
// the dates of its first and last reading.
struct EntryRecords {
  std::string code;
  struct Record {
    std::string filter;
    int readings = 0;
    CalendarDate first, last;
  };
  std::vector<Record> records;
};

// "Koppel_Buis_Meteo: Waarschuwing voor mogelijke ingreep in buis B33F0080:
// 3 perioden in de metadata (+01 28-11-1972 t/m 27-11-1986; ...)", once for
// an entry of more than one record.
void warnOfIngreep(const EntryRecords& entry, Messages& messages) {
  if (entry.records.size() < 2) return;
  // A line about this tube, whichever tube is being read.
  TubeLines tube(messages, entry.code);
  bool oneFilter = true;
  std::string periods;
  for (const EntryRecords::Record& r : entry.records) {
    oneFilter = oneFilter && r.filter == entry.records.front().filter;
    if (!periods.empty()) periods += "; ";
    periods +=
        "+" + r.filter + " " +
        (r.readings == 0 ? std::string("zonder metingen")
                         : formatCalendarDate(r.first) + " t/m " + formatCalendarDate(r.last));
  }
  messages.appendLog("Koppel_Buis_Meteo: Waarschuwing voor mogelijke ingreep in buis " +
                     entry.code + ": " + formatInt(static_cast<long long>(entry.records.size())) +
                     (oneFilter ? " perioden" : " filters en perioden") + " in de metadata (" +
                     periods + ")");
}

}  // namespace

std::vector<std::string> buildTubeList(const std::vector<std::string>& dataSet,
                                       Messages& messages) {
  std::vector<std::string> tubes;
  // Empty until the first tube record: no location code matches it.
  std::optional<std::string> previousCode;
  EntryRecords entry;
  // The readings after a tube record belong to it; after a skipped one to none.
  EntryRecords::Record* current = nullptr;
  for (std::size_t i = 1; i < dataSet.size(); ++i) {
    const std::string& line = dataSet[i];
    if (isMeasurementRecord(line)) {
      CalendarDate date;
      if (!current || isMissingLevelRecord(line) || !recordDate(line, date)) continue;
      if (current->readings == 0 || date < current->first) current->first = date;
      if (current->readings == 0 || date > current->last) current->last = date;
      ++current->readings;
      continue;
    }
    if (!isTubeRecord(line)) continue;
    current = nullptr;
    std::string code(recordLocation(line));
    TubeLines tube(messages, code);
    if (!isSafeStem(code)) {
      // Its files would be named outside the working directory or by a
      // wildcard: the tube is not processed.
      messages.appendLog("Buis " + quoted(code) +
                         " overgeslagen: de locatiecode is geen veilige bestandsnaam.");
      continue;
    }
    if (code != previousCode) {
      warnOfIngreep(entry, messages);
      entry = EntryRecords{code, {}};
      tubes.push_back(code + " +" + std::string(recordFilter(line)));
      previousCode = code;
    } else {
      tubes.back() += " (ingreep!)";
    }
    entry.records.push_back({std::string(recordFilter(line)), 0, {}, {}});
    current = &entry.records.back();
  }
  warnOfIngreep(entry, messages);
  return tubes;
}

void coupleFromFile(const std::string& couplingPath, const std::vector<std::string>& tubeList,
                    const std::string& workingDir, CouplingOverview& overview, Messages& messages,
                    MessageBox& messageBox) {
  std::vector<std::string> lines = readLines(couplingPath);

  overview.rows.assign(tubeList.size(), CouplingRow{});
  for (std::size_t i = 0; i < tubeList.size(); ++i) overview.rows[i].tube = tubeList[i];
  overview.couplingFile = couplingPath;

  // Per tube whose meteo or stress file is missing: the tube, the file and
  // the line of the coupling file, told after the fixed text.
  std::vector<std::string> missingFiles;
  bool meteoMissing = false, stressMissing = false;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const std::string& line = lines[n];
    const std::string where = couplingPath + ":" + formatInt(static_cast<long long>(n) + 1) + ": ";
    for (std::size_t i = 0; i < tubeList.size(); ++i) {
      std::string code = entryCode(tubeList[i]);
      if (code.empty()) continue;
      std::size_t at = line.find(code);
      if (at == std::string::npos) continue;
      CouplingRow& row = overview.rows[i];
      std::string rest = line;
      rest.erase(at, code.size());
      const std::vector<std::string> names = couplingWords(rest);
      // Two names after the code: a meteo file and a stress file. Any
      // other line is read as it always was, all that is left of it one
      // meteo file name.
      const bool withStress = names.size() == 2;
      std::string name = withStress ? std::string() : nameOnLine(line, at, code.size());
      std::string stressName;
      if (withStress) {
        const bool codeFirst =
            line.find_first_not_of(" \t,;") == at &&
            (at + code.size() == line.size() || isCouplingSeparator(line[at + code.size()]));
        if (!codeFirst || isStressFileName(names[0]) == isStressFileName(names[1])) {
          missingFiles.push_back(
              where + "buis " + code + ": " +
              (!codeFirst ? "op een regel van drie velden hoort de buiscode het eerste veld te zijn"
                          : "van " + quoted(names[0]) + " en " + quoted(names[1]) +
                                " hoort precies een het stressbestand (.csv) te zijn"));
          stressMissing = true;
          continue;
        }
        const std::size_t stressAt = isStressFileName(names[0]) ? 0 : 1;
        name = names[1 - stressAt];
        stressName = names[stressAt];
      }
      std::string file = meteoFileName(name);
      if (isBareFileName(file) && fileExists(joinPath(workingDir, file))) {
        row.meteo = name;
      } else {
        const std::string why =
            name.empty() ? "geen meteobestand achter de buiscode"
            : isBareFileName(file)
                ? "meteobestand " + quoted(name) + " bestaat niet in de werkmap"
                : "meteobestand " + quoted(name) + " is geen bestandsnaam in de werkmap";
        missingFiles.push_back(where + "buis " + code + ": " + why);
        meteoMissing = true;
      }
      // The last line of a code decides: without a stress file it has none.
      const std::string stress = meteoFileName(stressName);
      if (!withStress || (isBareFileName(stress) && fileExists(joinPath(workingDir, stress)))) {
        row.stress = stress;
        row.stressLine = withStress ? static_cast<int>(n) + 1 : 0;
      } else {
        missingFiles.push_back(where + "buis " + code + ": stressbestand " + quoted(stressName) +
                               (isBareFileName(stress) ? " bestaat niet in de werkmap"
                                                       : " is geen bestandsnaam in de werkmap"));
        stressMissing = true;
      }
    }
  }

  if (!missingFiles.empty()) {
    std::vector<std::string> first;
    if (meteoMissing) {
      first.push_back("Er ontbreken 1 of meer meteofiles genoemd in <" + couplingPath + ">.");
    }
    if (stressMissing) {
      first.push_back("Er ontbreken 1 of meer stressbestanden genoemd in <" + couplingPath + ">.");
    }
    std::string shown;
    for (const std::string& line : first) shown += (shown.empty() ? "" : "\n") + line;
    for (const std::string& detail : missingFiles) shown += "\n" + detail;
    messageBox.show(shown + "\n\nVerbeter dit en begin opnieuw.");
    for (const std::string& line : first) {
      messages.appendLog(line);
      messages.appendStopExit(line);
    }
    for (const std::string& detail : missingFiles) {
      messages.appendLog(detail);
      messages.appendStopExit(detail);
    }
    fatalStop();
  }
}

ManualCoupling::ManualCoupling(std::vector<std::string> tubeList, CouplingOverview& overview)
    : tubeList_(std::move(tubeList)), overview_(overview) {
  overview_.rows.assign(tubeList_.size(), CouplingRow{});
  overview_.couplingFile.clear();
}

void ManualCoupling::select(const std::vector<int>& tubeListPositions) {
  for (std::string& entry : takeEntries(tubeList_, tubeListPositions)) {
    insertAlphabetically(selection_, std::move(entry));
  }
}

void ManualCoupling::unselect(const std::vector<int>& selectionPositions) {
  std::vector<std::string> taken = takeEntries(selection_, selectionPositions);
  if (taken.empty()) return;
  // The tube list leaves its data-set order with the first entry moved back.
  if (!tubeListSorted_) {
    std::stable_sort(tubeList_.begin(), tubeList_.end(), alphabeticalLess);
    tubeListSorted_ = true;
  }
  for (std::string& entry : taken) insertAlphabetically(tubeList_, std::move(entry));
}

bool ManualCoupling::commit() {
  if (!currentMeteo_.empty()) {
    for (std::string& entry : selection_) {
      if (nextFreeRow_ < 1 || static_cast<std::size_t>(nextFreeRow_) > overview_.rows.size()) {
        throw Error(ErrorKind::kIndex,
                    "overzichtsregel " + formatInt(nextFreeRow_) + " buiten een overzicht van " +
                        formatInt(static_cast<long long>(overview_.rows.size())) + " regels");
      }
      overview_.rows[nextFreeRow_ - 1] = CouplingRow{std::move(entry), currentMeteo_};
      ++nextFreeRow_;
    }
    selection_.clear();
  }
  return tubeList_.empty();
}

}  // namespace phreatix
