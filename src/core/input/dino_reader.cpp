#include "input/dino_reader.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "error.h"
#include "input/dinoloket_reader.h"
#include "input/export_rows.h"
#include "input/tube_file.h"
#include "platform/files.h"
#include "text/number_text.h"
#include "text/parse.h"
#include "text/rounding.h"
#include "text/shown_text.h"

namespace phreatix {

namespace {

// Titles of the metadata block that the conversion uses.
constexpr std::string_view kTitleLocation = "LOCATIE";
constexpr std::string_view kTitleFilter = "FILTERNUMMER";
constexpr std::string_view kTitleStart = "START DATUM";
constexpr std::string_view kTitleEnd = "EIND DATUM";
constexpr std::string_view kTitleX = "X COORDINAAT";
constexpr std::string_view kTitleY = "Y COORDINAAT";
constexpr std::string_view kMetaBlockKey = "BOVENKANT FILTER";
constexpr std::string_view kMeasBlockKey = "BIJZONDERHEID";
// A period whose tube stands more than this many metres from the next
// period's position is older than a relocation.
constexpr long double kRelocationMetres = 50.0L;
// Title columns are looked up among the first 20 fields.
constexpr int kTitleFields = 20;

// Hides the gauge and the label and restores the cursor however the
// conversion ends.
class ProgressScope {
 public:
  ProgressScope(ProgressView& view, bool label) : view_(view), label_(label) {
    view_.showGauge(true);
    if (label_) view_.showProgressLabel(true);
  }
  ~ProgressScope() {
    view_.showGauge(false);
    if (label_) view_.showProgressLabel(false);
  }
  // Sets the gauge; repaints only when the shown percentage changes.
  void set(int percent) {
    if (percent == last_) return;
    last_ = percent;
    view_.setGauge(percent);
    view_.repaint();
  }

 private:
  ProgressView& view_;
  bool label_;
  int last_ = -1;
};

std::string upperTitle(std::string_view text) {
  std::string s = upperAscii(text);
  for (char& c : s) {
    if (c == '-') c = ' ';
  }
  return s;
}

// The value of a header key: `count` characters right after the first colon
// of the first line holding the key, blanks removed.
std::string headerValue(const std::vector<std::string>& lines, std::string_view key,
                        std::size_t count, const std::string& sourcePath) {
  int index = findKeyLine(lines, key);
  if (index < 0) refuseFile(sourcePath, "sleutel " + quoted(key) + " ontbreekt");
  std::string_view line = lines[index];
  std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return {};
  return withoutBlanks(line.substr(colon + 1, count));
}

// Reads a date text; refuses the file when it is none.
CalendarDate readDate(std::string_view text, std::size_t line, std::string_view title,
                      const std::string& sourcePath) {
  CalendarDate date;
  if (!parseDateText(text, date)) {
    refuseLine(sourcePath, line, std::string(title) + " " + quoted(text) + " is geen datum");
  }
  return date;
}

long double readCoordinate(const std::string& text, std::size_t line, std::string_view title,
                           const std::string& sourcePath) {
  double v = 0;
  if (!parseReal(withoutBlanks(text), v)) {
    refuseLine(sourcePath, line, std::string(title) + " " + quoted(text) + " is geen getal");
  }
  return v;
}

// The metadata rows of the older layout that fit the internal tube file.
std::vector<MetaRow> readMetaRows(const std::vector<std::string>& lines, const ExportBlocks& blocks,
                                  const std::string& sourcePath, Messages& messages) {
  std::string_view titles = lines[blocks.metaTitle];
  int colLocation = titleColumn(titles, kTitleLocation);
  int colFilter = titleColumn(titles, kTitleFilter);
  int colStart = titleColumn(titles, kTitleStart);
  int colEnd = titleColumn(titles, kTitleEnd);
  int colX = titleColumn(titles, kTitleX);
  int colY = titleColumn(titles, kTitleY);

  std::vector<MetaRow> rows;
  TubeChecker checker(messages, sourcePath);
  for (int i = blocks.metaFirst; i <= blocks.metaLast; ++i) {
    std::string_view line = lines[i];
    std::string_view location = csvField(line, colLocation);
    std::string_view rawFilter = csvField(line, colFilter);
    std::string filter;
    if (!checker.accept(location, rawFilter, filter, static_cast<std::size_t>(i))) continue;
    MetaRow row;
    row.line = static_cast<std::size_t>(i);
    row.period.location = std::string(location);
    row.period.filter = std::move(filter);
    row.period.start = readDate(csvField(line, colStart), row.line, kTitleStart, sourcePath);
    std::string_view end = csvField(line, colEnd);
    row.period.end = end.empty() ? kOpenEndDate : readDate(end, row.line, kTitleEnd, sourcePath);
    row.x = std::string(csvField(line, colX));
    row.y = std::string(csvField(line, colY));
    rows.push_back(std::move(row));
  }
  return rows;
}

// The older layout (keys "GEBRUIKERSNAAM:", "DATUM:", "REFERENTIE", fixed
// measurement fields). A row of a tube without a metadata row matches
// nothing and is dropped without reading further.
ExportContent readOldLayout(const std::vector<std::string>& lines, const std::string& sourcePath,
                            Messages& messages) {
  ExportContent content;
  content.user = headerValue(lines, "GEBRUIKERSNAAM:", 8, sourcePath);
  content.date = headerValue(lines, "DATUM:", 11, sourcePath);
  content.reference = headerValue(lines, "REFERENTIE", 4, sourcePath);
  ExportBlocks blocks = locateBlocks(lines, sourcePath);
  content.meta = readMetaRows(lines, blocks, sourcePath, messages);
  for (const MetaRow& row : content.meta) content.meas[row.period.location + row.period.filter];
  for (int i = blocks.measFirst; i <= blocks.measLast; ++i) {
    std::string_view line = lines[i];
    std::string_view location = csvField(line, 1);
    if (location.size() != kLocationLength) continue;
    auto tube = content.meas.find(std::string(location) + normaliseFilter(csvField(line, 2)));
    if (tube == content.meas.end()) continue;
    MeasRow row;
    row.line = static_cast<std::size_t>(i);
    row.date = readDate(csvField(line, 3), row.line, "meetdatum", sourcePath);
    row.level = std::string(csvField(line, 4));
    row.remark = std::string(csvField(line, 5));
    tube->second.push_back(std::move(row));
  }
  return content;
}

// Drops each period measured before its tube was moved more than 50 m and
// returns the tube counter. Rows of one location and filter follow each other,
// oldest first; two rows are compared as periods of one tube only when both
// location and filter are equal. Dropping a period leaves its successor to be
// compared with the next one, so every comparison is between two neighbours
// of the block as read, and the dropped rows are taken out in one sweep.
int checkRelocations(std::vector<MetaRow>& rows, const std::string& sourcePath,
                     Messages& messages) {
  int tubeCounter = 1;
  std::vector<bool> moved(rows.size(), false);
  for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
    const TubePeriod& a = rows[i].period;
    const TubePeriod& b = rows[i + 1].period;
    if (a.location != b.location || a.filter != b.filter) {
      ++tubeCounter;
      continue;
    }
    long double dx = readCoordinate(rows[i].x, rows[i].line, kTitleX, sourcePath) -
                     readCoordinate(rows[i + 1].x, rows[i + 1].line, kTitleX, sourcePath);
    long double dy = readCoordinate(rows[i].y, rows[i].line, kTitleY, sourcePath) -
                     readCoordinate(rows[i + 1].y, rows[i + 1].line, kTitleY, sourcePath);
    long double distance = std::sqrt(dx * dx + dy * dy);
    if (distance > kRelocationMetres) {
      messages.appendLog("Buis " + a.location + " >50 m. verplaatst. " +
                         "Oudste deel meetreeks verwijderd uit bestand.");
      moved[i] = true;
    }
  }
  std::size_t kept = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (moved[i]) continue;
    if (kept != i) rows[kept] = std::move(rows[i]);
    ++kept;
  }
  rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(kept), rows.end());
  return tubeCounter;
}

// The measurement record field of one row: missing by remark or empty level,
// otherwise the level as an integer that fits five digits.
std::string valueField(const MeasRow& row, const std::string& sourcePath) {
  if (isMissingReading(row.level, row.remark)) return levelField(std::nullopt);
  int level = 0;
  if (!parseInt(row.level, level)) {
    refuseLine(sourcePath, row.line, "stand " + quoted(row.level) + " is geen geheel getal");
  }
  if (level > kMaxLevelMagnitude || level < -kMaxLevelMagnitude) {
    refuseLine(sourcePath, row.line,
               "stand " + quoted(row.level) + " past niet in het interne formaat (hoogstens " +
                   formatInt(kMaxLevelMagnitude) + " cm)");
  }
  return levelField(level);
}

// Readings that fell in no metadata period (the older part of a moved tube,
// a reading after a closed period, a tube without a metadata row): one line
// per tube with how many and when, in the order the tubes appear.
void reportUnmatchedReadings(const ExportContent& content, Messages& messages) {
  struct Unmatched {
    std::size_t firstLine = 0;
    std::string tube;
    int count = 0;
    CalendarDate first, last;
  };
  std::vector<Unmatched> found;
  for (const auto& [key, rows] : content.meas) {
    // Tubes the internal file cannot hold (no 8-character location, no
    // 2-digit filter) were reported when they were kept out.
    if (key.size() != 10 || !std::isdigit(static_cast<unsigned char>(key[8])) ||
        !std::isdigit(static_cast<unsigned char>(key[9]))) {
      continue;
    }
    Unmatched u;
    for (const MeasRow& row : rows) {
      if (row.used || isMissingReading(row.level, row.remark)) continue;
      if (u.count == 0) u.firstLine = row.line;
      if (u.count == 0 || row.date < u.first) u.first = row.date;
      if (u.count == 0 || row.date > u.last) u.last = row.date;
      ++u.count;
    }
    if (u.count == 0) continue;
    u.tube = shownText(key.substr(0, 8)) + " +" + key.substr(8);
    found.push_back(u);
  }
  std::sort(found.begin(), found.end(),
            [](const Unmatched& a, const Unmatched& b) { return a.firstLine < b.firstLine; });
  for (const Unmatched& u : found) {
    messages.appendLog("Buis " + u.tube + ": " + formatInt(u.count) +
                       " meting(en) buiten de perioden van de metadata weggelaten (" +
                       formatCalendarDate(u.first) + " t/m " + formatCalendarDate(u.last) + ").");
  }
}

void diskSpaceEstimate(int tubeCounter, ReaderContext& context) {
  long long needed = static_cast<long long>(tubeCounter) * kMegabytesPerTube;
  long long available = static_cast<long long>(freeBytes(context.workingDir) / 1024 / 1000);
  std::string text;
  if (needed > available) {
    text = "Onvoldoende diskruimte (nodig:" + formatInt(needed) +
           "; beschikbaar:" + formatInt(available) + " MBytes)." +
           "Maak meer ruimte of verminder het aantal buizen " + "in deze sessie.";
  } else {
    text = "Waarschijnlijk voldoende diskruimte (nodig:" + formatInt(needed) +
           "; beschikbaar:" + formatInt(available) + " MBytes)." +
           "Let op: netwerkschijven mogen maar voor een deel worden gebruikt!";
  }
  context.messageBox.show(text);
}

ConvertedDataSet convertOlga(const std::vector<std::string>& lines, ReaderContext& context) {
  context.messages.appendBuis("Oud formaat OLGA-bestand corrigeren voor millennium bug");
  ConvertedDataSet result;
  result.lines = lines;
  {
    ProgressScope progress(context.progress, false);
    const long double n = static_cast<long double>(lines.size());
    for (std::size_t i = 1; i < result.lines.size(); ++i) {
      progress.set(roundToInt(static_cast<long double>(i) * 100 / n - 1));
      std::string& line = result.lines[i];
      if (isMeasurementRecord(line)) line.insert(1, "19");
    }
  }
  context.messages.appendBuis("OLGA-bestand van voor 31-12-1999. Millennium bug gerepareerd.");
  return result;
}

enum class DinoLayout { kOld, kDinoloket };

// A DINO export of either layout into the internal tube file (not yet
// written to olga.tmp).
ConvertedDataSet convertDino(const std::vector<std::string>& lines, const std::string& sourcePath,
                             DinoLayout layout, ReaderContext& context) {
  checkExportLength(lines.size(), sourcePath);
  context.messages.appendBuis("Modern formaat OLGA-bestand converteren naar intern formaat");
  ConvertedDataSet result;
  result.modernFormat = true;
  {
    ProgressScope progress(context.progress, true);
    ExportContent content = layout == DinoLayout::kOld
                                ? readOldLayout(lines, sourcePath, context.messages)
                                : readDinoloketLayout(lines, sourcePath, context.messages);
    result.tubeCounter = checkRelocations(content.meta, sourcePath, context.messages);
    // The position of a tube is that of its last period (older ones may lie
    // before a relocation).
    std::unordered_map<std::string, std::pair<std::string, std::string>> lastPosition;
    for (const MetaRow& row : content.meta) {
      lastPosition[row.period.location + row.period.filter] = {row.x, row.y};
    }

    result.lines.push_back(std::string(kTubeFileTag) + content.reference + content.user +
                           "          " + content.date);
    const long double periods = static_cast<long double>(content.meta.size());
    for (std::size_t j = 0; j < content.meta.size(); ++j) {
      const TubePeriod& period = content.meta[j].period;
      progress.set(roundToInt(static_cast<long double>(j + 1) * 100 / periods));
      context.progress.setProgressLabel("Ingelezen buis: " + period.location);
      result.lines.push_back(tubeRecord(period.location, period.filter));
      const auto& position = lastPosition[period.location + period.filter];
      result.locations.push_back({period.location, period.filter, position.first, position.second});
      auto tube = content.meas.find(period.location + period.filter);
      if (tube == content.meas.end()) continue;
      for (MeasRow& row : tube->second) {
        if (row.used || !dateInPeriod(period, period.location, period.filter, row.date)) continue;
        row.used = true;
        result.lines.push_back(measurementRecord(row.date.year, row.date.month, row.date.day,
                                                 valueField(row, sourcePath)));
      }
    }
    reportUnmatchedReadings(content, context.messages);
  }
  context.messages.appendBuis("OLGA-bestand van na 31-12-1999. Naar intern formaat geconverteerd.");
  return result;
}

// DINOloket's whole export of a well without readings, after its header
// lines.
constexpr std::string_view kNoReadingsText =
    "Van deze put zijn geen standen opgenomen in de DINO-database";

bool isBlank(std::string_view line) {
  return line.find_first_not_of(" \t") == std::string_view::npos;
}

// An OLGA export is the internal tube file with two-digit years: a header
// line, then tube and measurement records only (blank lines aside), the
// first of them a tube record. The absence of "TITEL" alone would take any
// text (a KNMI file, a letter) for one with no tubes in it. The refusal
// names the first line that is no record.
void checkOlgaExport(const std::vector<std::string>& lines, const std::string& sourcePath) {
  const std::string tube = "een buisrecord \"R\" + locatie (8 tekens) + filter (2 cijfers)";
  bool tubeSeen = false;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (isBlank(line)) continue;
    if (isWellFormedTubeRecord(line)) {
      tubeSeen = true;
      const std::string_view code = recordLocation(line);
      if (!isSafeLocationCode(code)) {
        refuseLine(sourcePath, i,
                   "locatiecode " + quoted(code) +
                       " past niet in de bestandsnamen van een buis (toegestaan: " +
                       std::string(kLocationCodeCharacters) + ")");
      }
    } else if (!tubeSeen) {
      refuseLine(sourcePath, i, "geen DINO-export en geen OLGA-bestand: verwacht " + tube);
    } else if (!isWellFormedMeasurementRecord(line, 2)) {
      refuseLine(sourcePath, i,
                 "geen geldig OLGA-bestand: verwacht " + tube +
                     " of een meetrecord \"S\" + jjmmdd + \"9999\" + teken + 5 cijfers");
    }
  }
  if (!tubeSeen) {
    refuseFile(sourcePath,
               "geen DINO-export en geen OLGA-bestand: geen buisrecord na de eerste regel");
  }
}

enum class ExportKind { kDinoloket, kDinoloketResaved, kDinoOld, kOlga };

// A DINO export of the older layout saved again by a spreadsheet with ";"
// between its fields: its fields stand at fixed places and its days
// ("1990/06/14 00:00:00") come back from a spreadsheet in another form, so it
// is refused, naming its measurement title, rather than read into nothing.
void refuseResavedOldLayout(const std::vector<std::string>& lines, const std::string& sourcePath) {
  const int title = findKeyLine(lines, kMeasBlockKey);
  if (title < 0) return;
  const std::string& line = lines[static_cast<std::size_t>(title)];
  if (line.find(';') == std::string::npos || line.find(',') != std::string::npos) return;
  refuseLine(sourcePath, static_cast<std::size_t>(title),
             "de velden zijn gescheiden door \";\" (door een spreadsheet opnieuw opgeslagen?); "
             "deze DINO-export van de oudere opmaak wordt alleen gelezen zoals DINO hem "
             "schreef, met komma's: exporteer hem opnieuw");
}

// Recognises the kind of one export or refuses it: an empty file, a file that
// is no text, DINOloket's export of a well without readings, a re-save of
// the older layout with ";", and anything that is neither a DINO export of a
// known layout nor an OLGA export.
ExportKind recogniseExport(const ExportFile& file) {
  const std::vector<std::string>& lines = file.lines;
  bool empty = true;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    // No export holds a NUL character; a spreadsheet, an archive or a text
    // in UTF-16 does.
    if (lines[i].find('\0') != std::string::npos) {
      refuseLine(
          file.path, i,
          "geen tekstbestand (NUL-teken); verwacht een DINO-export (.csv) of een OLGA-bestand "
          "(.dat)");
    }
    if (lines[i].find_first_not_of(" \t,") != std::string::npos) empty = false;
  }
  if (empty) refuseLine(file.path, 0, "het bestand is leeg");
  if (isDinoloketExport(lines)) return ExportKind::kDinoloket;
  const int noReadings = findKeyLine(lines, kNoReadingsText);
  if (noReadings >= 0) {
    refuseLine(file.path, static_cast<std::size_t>(noReadings),
               "deze export bevat geen standen: \"" + std::string(kNoReadingsText) + "\"");
  }
  if (isResavedDinoloketExport(lines)) return ExportKind::kDinoloketResaved;
  if (isDinoExport(lines)) {
    refuseResavedOldLayout(lines, file.path);
    return ExportKind::kDinoOld;
  }
  checkOlgaExport(lines, file.path);
  return ExportKind::kOlga;
}

bool relativeToNap(const ConvertedDataSet& data) {
  return !data.lines.empty() && data.lines[0].size() >= 11 &&
         data.lines[0].compare(8, 3, "NAP") == 0;
}

// Refuses an export that gave not a single level, whatever else it held: a
// file mangled on the way (line ends, separators) reads that way, and a data
// set without readings would only end in tubes without a model. DINOloket's
// export of a well without readings is refused before, by its own text; an
// export relative to NAP, whose levels are not read, by the session.
void checkReadings(const ConvertedDataSet& part, const std::string& sourcePath) {
  std::size_t tubes = 0, records = 0;
  for (std::size_t i = 1; i < part.lines.size(); ++i) {
    const std::string& line = part.lines[i];
    if (isTubeRecord(line)) {
      ++tubes;
    } else if (isMeasurementRecord(line)) {
      if (!isMissingLevelRecord(line)) return;
      ++records;
    }
  }
  const std::string why = tubes == 0     ? "er is geen buis ingelezen"
                          : records == 0 ? "er is geen meting van de ingelezen buizen"
                                         : "alle metingen zijn ontbrekende waarden";
  refuseFile(sourcePath,
             "geen enkele stand in het bestand: " + why +
                 (records == 0 ? " (weggelaten buizen en metingen staan in het logboek)" : ""));
}

}  // namespace

std::vector<std::string> locationLines(const std::vector<TubeLocation>& locations) {
  std::vector<std::string> lines{"locatie,filter,x,y"};
  auto plain = [](std::string text) {
    // A coordinate is a number; anything else would break the columns.
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t last = text.find_last_not_of(' ');
    text = first == std::string::npos ? "" : text.substr(first, last - first + 1);
    return text.find_first_not_of("0123456789.-+eE") == std::string::npos ? text : "";
  };
  for (const TubeLocation& l : locations) {
    lines.push_back(l.location + "," + l.filter + "," + plain(l.x) + "," + plain(l.y));
  }
  return lines;
}

void checkExportLength(std::size_t lineCount, const std::string& sourcePath) {
  if (lineCount > static_cast<std::size_t>(kMaxExportLines)) {
    refuseFile(sourcePath, "meer dan " + formatInt(kMaxExportLines) +
                               " regels; splits het bestand eerst in sessies met \"Opsplitsen\"");
  }
}

bool isDinoExport(const std::vector<std::string>& lines) {
  return !lines.empty() && containsKey(lines[0], "TITEL");
}

std::string_view csvField(std::string_view line, int n) {
  std::size_t start = 0;
  for (int k = 1; k < n; ++k) {
    std::size_t comma = line.find(',', start);
    if (comma == std::string_view::npos) return {};
    start = comma + 1;
  }
  std::size_t end = line.find(',', start);
  std::string_view field = line.substr(start, end == std::string_view::npos ? end : end - start);
  if (field == " ") return {};
  return field;
}

bool containsKey(std::string_view line, std::string_view key) {
  if (key.size() > line.size()) return false;
  auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  for (std::size_t i = 0; i + key.size() <= line.size(); ++i) {
    std::size_t k = 0;
    while (k < key.size() && upper(line[i + k]) == upper(key[k])) ++k;
    if (k == key.size()) return true;
  }
  return false;
}

int findKeyLine(const std::vector<std::string>& lines, std::string_view key, int from) {
  for (std::size_t i = static_cast<std::size_t>(from); i < lines.size(); ++i) {
    if (containsKey(lines[i], key)) return static_cast<int>(i);
  }
  return -1;
}

int titleColumn(std::string_view titleLine, std::string_view title) {
  int column = findTitleColumn(titleLine, title);
  return column > 0 ? column : kTitleFields;
}

int findTitleColumn(std::string_view titleLine, std::string_view title) {
  std::string wanted = upperTitle(title);
  for (int n = 1; n <= kTitleFields; ++n) {
    if (upperTitle(csvField(titleLine, n)) == wanted) return n;
  }
  return 0;
}

bool isMissingReading(std::string_view level, std::string_view remark) {
  if (level.empty()) return true;
  if (remark.empty()) return false;
  switch (remark[0]) {
    case 'N':
    case 'B':
    case 'Y':
    case 'D':
    case 'O':
      return true;
    default:
      return false;
  }
}

bool parseDateText(std::string_view text, CalendarDate& date) {
  if (text.size() < 10) return false;
  CalendarDate d;
  if (!parseInt(text.substr(0, 4), d.year) || !parseInt(text.substr(5, 2), d.month) ||
      !parseInt(text.substr(8, 2), d.day)) {
    return false;
  }
  if (d.year < 1000 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31) {
    return false;
  }
  date = d;
  return true;
}

bool dateInPeriod(const TubePeriod& period, std::string_view location, std::string_view filter,
                  const CalendarDate& date) {
  return period.location == location && period.filter == filter && period.start <= date &&
         date <= period.end;
}

ExportBlocks locateBlocks(const std::vector<std::string>& lines, const std::string& sourcePath) {
  ExportBlocks b;
  b.metaTitle = findKeyLine(lines, kMetaBlockKey);
  if (b.metaTitle < 0) refuseFile(sourcePath, "sleutel " + quoted(kMetaBlockKey) + " ontbreekt");
  b.measTitle = findKeyLine(lines, kMeasBlockKey);
  if (b.measTitle < 0) refuseFile(sourcePath, "sleutel " + quoted(kMeasBlockKey) + " ontbreekt");

  // Metadata rows: the first row without a length test, then up to the first
  // line shorter than 5 characters; the measurement title ends them too.
  const int n = static_cast<int>(lines.size());
  b.metaFirst = b.metaTitle + 1;
  int end = b.metaFirst + 1;
  while (end < n && lines[end].size() >= 5 && end != b.measTitle) ++end;
  if (b.metaFirst >= n || b.metaFirst == b.measTitle) end = b.metaFirst;
  b.metaLast = end - 1;

  // Measurement rows: up to the last line of at least 6 characters.
  b.measFirst = b.measTitle + 1;
  b.measLast = n - 1;
  while (b.measLast >= b.measFirst && lines[b.measLast].size() < 6) --b.measLast;
  return b;
}

ConvertedDataSet convertExport(const std::vector<std::string>& lines, const std::string& sourcePath,
                               ReaderContext& context) {
  return convertExports({ExportFile{sourcePath, lines}}, context);
}

ConvertedDataSet convertExports(const std::vector<ExportFile>& files, ReaderContext& context) {
  // Every file is recognised before any is converted: a file of no known
  // kind refuses the data set before a line is reported.
  // A spreadsheet's re-save is read in the lines DINOloket wrote.
  std::vector<ExportKind> kinds;
  std::vector<std::vector<std::string>> resaved(files.size());
  for (std::size_t k = 0; k < files.size(); ++k) {
    kinds.push_back(recogniseExport(files[k]));
    if (kinds[k] == ExportKind::kDinoloketResaved) {
      resaved[k] = dinoloketLinesOfResave(files[k].lines, files[k].path);
    }
  }

  ConvertedDataSet merged;
  int dinoTubes = 0;
  for (std::size_t k = 0; k < files.size(); ++k) {
    const ExportFile& file = files[k];
    if (kinds[k] == ExportKind::kDinoloketResaved) {
      context.messages.appendLog(file.path +
                                 ": door een spreadsheet opgeslagen met \";\" tussen de velden; "
                                 "gelezen als de DINOloket-export, decimale komma's als punten.");
    }
    ConvertedDataSet part =
        kinds[k] == ExportKind::kDinoloket
            ? convertDino(file.lines, file.path, DinoLayout::kDinoloket, context)
        : kinds[k] == ExportKind::kDinoloketResaved
            ? convertDino(resaved[k], file.path, DinoLayout::kDinoloket, context)
        : kinds[k] == ExportKind::kDinoOld
            ? convertDino(file.lines, file.path, DinoLayout::kOld, context)
            : convertOlga(file.lines, context);
    if (relativeToNap(part)) {
      merged.napFiles.push_back(file.path);
    } else {
      checkReadings(part, file.path);
    }
    if (part.modernFormat) {
      merged.modernFormat = true;
      dinoTubes += part.tubeCounter;
    }
    // One header line for the data set: the first file's.
    if (!part.modernFormat) {
      // An OLGA file knows no coordinates.
      for (std::size_t i = 1; i < part.lines.size(); ++i) {
        if (!isWellFormedTubeRecord(part.lines[i])) continue;
        part.locations.push_back({std::string(recordLocation(part.lines[i])),
                                  std::string(recordFilter(part.lines[i])), "", ""});
      }
    }
    merged.locations.insert(merged.locations.end(), part.locations.begin(), part.locations.end());
    if (merged.lines.empty()) {
      merged.lines = std::move(part.lines);
    } else if (!part.lines.empty()) {
      merged.lines.insert(merged.lines.end(), std::make_move_iterator(part.lines.begin() + 1),
                          std::make_move_iterator(part.lines.end()));
    }
  }
  merged.tubeCounter = dinoTubes;
  if (merged.modernFormat) {
    writeLines(joinPath(context.workingDir, kOlgaTmpName), merged.lines);
    diskSpaceEstimate(merged.tubeCounter, context);
  }
  return merged;
}

}  // namespace phreatix
