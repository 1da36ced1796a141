#include "pipeline/repair_state.h"

#include <zip.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "engine/model_parameters.h"
#include "error.h"
#include "files/not_calibrated.h"
#include "files/vertex_file.h"
#include "input/tube_file.h"
#include "platform/files.h"
#include "text/number_text.h"

namespace phreatix {

namespace {

// Whether the loose file at `path` holds what member `index` of `zip` holds,
// compared piece by piece.
bool sameAsMember(zip_t* zip, zip_uint64_t index, const std::string& path) {
  zip_stat_t stat;
  zip_stat_init(&stat);
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec || zip_stat_index(zip, index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE) ||
      stat.size != size) {
    return false;
  }
  zip_file_t* member = zip_fopen_index(zip, index, 0);
  if (!member) return false;
  std::ifstream loose(path, std::ios::binary);
  char fromZip[65536], fromFile[65536];
  bool same = static_cast<bool>(loose);
  while (same) {
    const zip_int64_t got = zip_fread(member, fromZip, sizeof fromZip);
    if (got < 0) {
      same = false;
      break;
    }
    loose.read(fromFile, got);
    same = loose.gcount() == got && std::equal(fromZip, fromZip + got, fromFile);
    if (got == 0) break;
  }
  zip_fclose(member);
  return same && loose.peek() == std::char_traits<char>::eof();
}

// One calibration as the repair judges it: the parameter file its runs
// take, the results file they write, and the columns of its vertices.
struct Calibration {
  const char* name;
  const char* parameterExt;
  const char* resultsExt;
  CalibrationStage stage;
  // The next stage starts from this one's best vertex (s from d, d+s from
  // s): without one it has nothing to run on, in a run that finished too.
  bool startsNext;
};
constexpr Calibration kCalibrations[] = {
    {"ds", ".p", ".a", CalibrationStage::kOnce, false},
    {"d", ".q", ".b", CalibrationStage::kDeterministic, true},
    {"s", ".r", ".c", CalibrationStage::kStochastic, true},
    {"d+s", ".s", ".d", CalibrationStage::kRecalibration, false},
};

std::optional<std::filesystem::file_time_type> modified(const std::string& path) {
  std::error_code ec;
  const auto time = std::filesystem::last_write_time(path, ec);
  if (ec) return std::nullopt;
  return time;
}

// Judges the first `stages` calibrations of tube S, filter FF, in their
// order: why the first that did not finish did not, or "" when all did.
// Each stage's parameter file is written after the stage before has run
// for every tube, and its results file by its run, so in a run that
// finished none is older than the file before it.
std::string firstUnfinished(const std::string& dir, const std::string& S, const std::string& FF,
                            int stages) {
  std::string previous;  // the results file of the stage before
  for (int i = 0; i < stages; ++i) {
    const Calibration& c = kCalibrations[i];
    const std::string parameterName = S + c.parameterExt + FF;
    const std::string resultsName = S + c.resultsExt + FF;
    const std::string stage = std::string("calibratie ") + c.name + " niet afgerond: ";
    const std::string parameterPath = joinPath(dir, parameterName);
    const std::string resultsPath = joinPath(dir, resultsName);
    const auto parameterTime = modified(parameterPath);
    if (!parameterTime)
      return stage + parameterName + " ontbreekt (de calibratie is niet begonnen)";
    const auto previousTime = previous.empty() ? parameterTime : modified(joinPath(dir, previous));
    if (previousTime && *parameterTime < *previousTime) {
      return stage + parameterName + " is ouder dan " + previous + " (van een eerdere berekening)";
    }
    const auto resultsTime = modified(resultsPath);
    if (!resultsTime) return stage + resultsName + " ontbreekt";
    if (*resultsTime < *parameterTime) {
      return stage + resultsName + " is ouder dan " + parameterName +
             " (van een eerdere berekening)";
    }
    // The simplex of n calibrated parameters has n + 1 vertices, and the
    // engine writes the file whole at the end of the run.
    const int expected = calibrationOrder(stageFlags(kVertexTable, c.stage)).flagged + 1;
    const VertexColumns columns = vertexColumns(kVertexTable, c.stage);
    std::error_code ec;
    if (std::filesystem::file_size(resultsPath, ec) == 0 && !ec) {
      return stage + resultsName + " is leeg (de run is afgebroken)";
    }
    VertexFile file;
    try {
      file = readVertexFile(resultsPath, columns);
    } catch (const Error& e) {
      return stage + resultsName + " is onvolledig (" + e.what() + ")";
    }
    if (static_cast<int>(file.vertices.size()) != expected) {
      return stage + resultsName + " is onvolledig (" +
             formatInt(static_cast<long long>(file.vertices.size())) + " van de " +
             formatInt(expected) + " hoekpunten)";
    }
    if (c.startsNext && !bestVertex(file)) return {};
    previous = resultsName;
  }
  return {};
}

}  // namespace

std::set<std::string> packedTubes(const std::string& dir, const CouplingOverview& overview) {
  std::set<std::string> packed;
  for (const CouplingRow& row : overview.rows) {
    const std::string S = entryStem(row.tube);
    if (fileExists(joinPath(dir, S + ".zip")) && !fileExists(joinPath(dir, S + ".met"))) {
      packed.insert(S);
    }
  }
  return packed;
}

void removePackedLeftovers(const std::string& dir, const std::set<std::string>& packed,
                           Messages& messages) {
  for (const std::string& S : packed) {
    const std::vector<std::string> loose = listFiles(dir, S + ".*");
    if (loose.size() < 2) continue;  // the archive alone
    const std::string archive = joinPath(dir, S + ".zip");
    int code = 0;
    zip_t* zip = zip_open(archive.c_str(), ZIP_RDONLY, &code);
    if (!zip) continue;  // the selection names the archive it cannot read
    int removed = 0;
    for (const std::string& name : loose) {
      if (name == S + ".zip") continue;
      const zip_int64_t index = zip_name_locate(zip, name.c_str(), ZIP_FL_NODIR);
      const std::string path = joinPath(dir, name);
      if (index >= 0 && sameAsMember(zip, static_cast<zip_uint64_t>(index), path) &&
          removeFile(path)) {
        ++removed;
      }
    }
    zip_discard(zip);
    if (removed > 0) {
      TubeLines tubeLines(messages, S);
      messages.appendLog("Buis " + S + ": " + formatInt(removed) + " bestand(en) naast " + S +
                         ".zip verwijderd; het archief bevat ze al (inpakken was onderbroken).");
    }
  }
}

std::vector<std::string> unfinishedCalibrations(const std::string& dir,
                                                const CouplingOverview& overview, ModelFamily model,
                                                const std::set<std::string>& packed) {
  std::vector<std::string> lines;
  for (const CouplingRow& row : overview.rows) {
    const std::string S = entryStem(row.tube);
    const std::string FF = normaliseFilter(entryFilter(row.tube));
    if (packed.count(S)) continue;
    if (FF != "01" && model != ModelFamily::kUitgebreid) continue;
    if (!fileExists(joinPath(dir, S + "." + FF)) ||
        fileExists(joinPath(dir, notCalibratedName(S, FF)))) {
      continue;
    }
    // Only filter 01 goes on to s and d+s.
    const std::string reason = firstUnfinished(dir, S, FF, FF == "01" ? 4 : 1);
    if (!reason.empty()) {
      lines.push_back("Buis " + S + (FF == "01" ? "" : " filter " + FF) + ": " + reason + ".");
    }
  }
  return lines;
}

}  // namespace phreatix
