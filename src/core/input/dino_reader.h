// The reader of groundwater-level exports: DINO exports (comma-separated,
// since 2000, .csv) and OLGA exports (fixed-width records, before 2000,
// .dat). It recognises the format by itself and converts either into the
// internal tube file (input/tube_file.h).
//
// DINO: header lines "GEBRUIKERSNAAM:", "DATUM:", "REFERENTIE"; a metadata
// block (one row per tube period, columns found by title) under the first
// line holding "BOVENKANT FILTER"; a measurement block (location, filter,
// date, level, remark at fixed field positions) under the first line holding
// "BIJZONDERHEID". Keys and titles are matched without regard to case, and a
// hyphen counts as a blank in titles ("X-COORDINAAT"), as real exports write
// them. The conversion drops periods measured before a tube was moved more
// than 50 m, writes olga.tmp and estimates the disk space of the session.
//
// OLGA: already the internal layout with two-digit years; every measurement
// record gets "19" put in front of its year. A file is taken for one only
// when it is built like one: a header line, then tube records ("R", 8
// characters of location, 2 digits of filter) and measurement records ("S",
// yymmdd, "9999", sign, 5 digits) alone, blank lines aside, the first of them
// a tube record.
//
// Refused before any conversion: an empty file, a file with a NUL character
// (no text), DINOloket's export of a well without readings ("Van deze put
// zijn geen standen opgenomen in de DINO-database"), an export of the older
// layout saved again by a spreadsheet with ";" between its fields, and a
// file that is neither a DINO export of a known layout nor an OLGA export.
// A DINOloket export saved again that way is read as the export it was
// (input/dinoloket_reader.h). Refused after reading: a location code the
// tube's file names cannot carry (input/tube_file.h, naming the line), and
// an export that gave not a single level (a file mangled on the way reads
// into nothing).
//
// Entry points: convertExport, convertExports. The newer DINOloket layouts
// are read by input/dinoloket_reader.h into the same conversion. The field
// and block helpers are shared with the pre-processor, which splits DINO
// exports with the same rules.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "input/calendar.h"
#include "report/messages.h"
#include "report/ports.h"

namespace phreatix {

// A DINO export has at most this many lines: a province's export over
// decades holds a few million. Nothing is sized by it; it stops a file that
// is no export from filling the memory.
inline constexpr int kMaxExportLines = 20000000;
inline constexpr const char* kOlgaTmpName = "olga.tmp";
// Disk space a tube's results take, in MB.
inline constexpr int kMegabytesPerTube = 60;

struct ReaderContext {
  Messages& messages;
  ProgressView& progress;
  MessageBox& messageBox;
  std::string workingDir;
};

// Where a tube stands: the coordinates (RD New, metres, as the export writes
// them) of its last metadata period; empty for an OLGA export or an export
// without a metadata block.
struct TubeLocation {
  std::string location;
  std::string filter;
  std::string x;
  std::string y;
};

struct ConvertedDataSet {
  std::vector<std::string> lines;       // the internal tube file; index 0 is the header
  std::vector<TubeLocation> locations;  // one per tube, in the order of the tube file
  bool modernFormat = false;            // DINO (true) or OLGA (false)
  int tubeCounter = 1;                  // tubes met in the relocation check (DINO only)
  // The files whose levels are relative to NAP (header characters 9-11).
  std::vector<std::string> napFiles;
};

struct ExportFile {
  std::string path;
  std::vector<std::string> lines;
};

// The tubes' coordinates as a CSV text (header "locatie,filter,x,y"), written
// at open next to the session's files so that results can be placed on a map
// without the export.
std::vector<std::string> locationLines(const std::vector<TubeLocation>& locations);

// Converts the lines of the export file `sourcePath`. Reports in mmBUIS and
// mmLOG, shows progress, writes olga.tmp and shows the disk-space estimate
// (DINO only). A file that cannot be converted, or is no export of a kind
// the reader knows, raises an input error whose text names the file, the
// line where it helps, and what is wrong; olga.tmp is then left as it was.
ConvertedDataSet convertExport(const std::vector<std::string>& lines, const std::string& sourcePath,
                               ReaderContext& context);
// Several exports merged into one data set in the order given: each file is
// recognised and checked on its own, the data set keeps the first file's
// header line; olga.tmp and the disk-space estimate cover them all.
ConvertedDataSet convertExports(const std::vector<ExportFile>& files, ReaderContext& context);

// --- helpers shared with the pre-processor ---

// Refuses a DINO export of more than kMaxExportLines lines with an input
// error naming the file.
void checkExportLength(std::size_t lineCount, const std::string& sourcePath);

// True when the first line holds "TITEL" (any case): a DINO export.
bool isDinoExport(const std::vector<std::string>& lines);

// Field n (1-based) of a comma-separated line: the text between the (n-1)-th
// and n-th comma; the last field runs to the line end; fields beyond the last
// comma and a field that is exactly one blank are empty.
std::string_view csvField(std::string_view line, int n);

// True when `line` holds `key`, compared without regard to case.
bool containsKey(std::string_view line, std::string_view key);
// Index of the first line holding `key`, or -1.
int findKeyLine(const std::vector<std::string>& lines, std::string_view key, int from = 0);

// The column of `title` in a title line: the first of fields 1..20 equal to
// it (case and hyphen-for-blank aside); 20 when none is.
int titleColumn(std::string_view titleLine, std::string_view title);
// The same column, or 0 when none of fields 1..20 is the title.
int findTitleColumn(std::string_view titleLine, std::string_view title);

// True when a reading is a missing value: its remark begins with N, B, Y, D
// or O, or its level field is empty.
bool isMissingReading(std::string_view level, std::string_view remark);

// A date text: year in characters 1-4, month in 6-7, day in 9-10; the rest is
// not read. False when a part is not an integer or not a possible date part
// (month 1..12, day 1..31, a four-digit year).
bool parseDateText(std::string_view text, CalendarDate& date);

// An empty end date keeps a period open until this day.
inline constexpr CalendarDate kOpenEndDate{kLastYear, 12, 31};

// Location, normalised filter and period of one metadata row.
struct TubePeriod {
  std::string location;
  std::string filter;
  CalendarDate start;
  CalendarDate end;
};

// True when the measurement is of the same location and filter and its date
// lies in the period, both ends included.
bool dateInPeriod(const TubePeriod& period, std::string_view location, std::string_view filter,
                  const CalendarDate& date);

// The line indexes of a DINO export's blocks (0-based; last < first for an
// empty block).
struct ExportBlocks {
  int metaTitle = -1;
  int metaFirst = 0;
  int metaLast = -1;
  int measTitle = -1;
  int measFirst = 0;
  int measLast = -1;
};

// Finds the blocks; raises an input error naming the missing title.
ExportBlocks locateBlocks(const std::vector<std::string>& lines, const std::string& sourcePath);

}  // namespace phreatix
