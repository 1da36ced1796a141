// Meteo coupling: which meteo file drives each tube.
//
// The coupling overview (strgrdResultaat) is a two-column table, rows 1..N:
// a tube entry ("99UU2201 +01", perhaps with " (ingreep!)" suffixes) and the
// meteo file (a path chosen by hand, or a name from a coupling file). Readers
// take characters 1-8 of the entry as the stem, the two characters after its
// first "+" as the filter, and the meteo cell with everything up to its last
// "\" or "/" removed, so that every meteo file is opened from the working
// directory. Under Model: uitgebreid a row may also carry a stress file
// (coupling/stress_file.h), kept as a bare name: an extra series that drives
// the tube besides the weather.
#pragma once

#include <string>
#include <vector>

#include "report/messages.h"
#include "report/ports.h"

namespace phreatix {

struct CouplingRow {
  std::string tube;   // column 0
  std::string meteo;  // column 1
  // The stress file (directory removed), "" for none; and the line of the
  // coupling file that named it (from 1), 0 when it was chosen by hand.
  // Initialised here so that the rows of two cells stay plain to write.
  std::string stress = {};
  int stressLine = 0;
};

// Rows 1..N of the overview as rows[0..N-1]; the title row ("DINO-buis",
// "Meteobestand") is not stored. `couplingFile` is the coupling file the
// rows were read from, "" after a coupling by hand; messages about a row's
// stress file name it with the row's line.
struct CouplingOverview {
  std::vector<CouplingRow> rows;
  std::string couplingFile = {};
};

inline constexpr const char* kOverviewTitleTube = "DINO-buis";
inline constexpr const char* kOverviewTitleMeteo = "Meteobestand";
inline constexpr const char* kOverviewTitleStress = "Stressbestand";

// Characters 1-8 of an entry; the two characters after its first "+" ("" when
// there is none).
std::string entryStem(const std::string& entry);
std::string entryFilter(const std::string& entry);
// A meteo cell without everything up to and including its last "\" or "/".
std::string meteoFileName(const std::string& cell);
// The meteo file (directory removed) of the last row whose stem is `stem`;
// "" when no row matches.
std::string meteoFileOfStem(const CouplingOverview& overview, const std::string& stem);
// The stress file (directory removed) of the last row whose stem is `stem`;
// "" when no row matches or that row has none.
std::string stressFileOfStem(const CouplingOverview& overview, const std::string& stem);
// True for a name that a coupling line gives as a stress file: extension
// ".csv" in any case.
bool isStressFileName(const std::string& name);

// The tube list from the data-set line list: one entry code + " +" + filter
// per location, in data-set order; a further tube record of the same
// location (another metadata period, or another filter) adds " (ingreep!)"
// to the last entry. An entry of several records gets one warning in mmLOG,
// "Koppel_Buis_Meteo: Waarschuwing voor mogelijke ingreep in buis " + code +
// ": N perioden in de metadata (+01 d-m-yyyy t/m d-m-yyyy; ...)" with the
// filter and the first and last reading of each record ("filters en
// perioden" when the filters differ).
std::vector<std::string> buildTubeList(const std::vector<std::string>& dataSet, Messages& messages);

// Automatic coupling from a coupling file (one tube code and one meteo file
// name per line, separated by blanks, commas or semicolons, in either
// order). Gives the overview as many rows as the tube list; row i+1 gets
// entry i and the file named on the last line that mentions its code. A
// named meteo file that does not exist in `workingDir`: the message box
// "Er ontbreken 1 of meer meteofiles genoemd in <path>.\n\nVerbeter dit en
// begin opnieuw.", the first line of it in mmLOG and in the exit list, and
// the fatal stop.
// A line of three fields, the tube code first, gives a meteo file and a
// stress file in either order, the stress file by its extension .csv (any
// case). A named stress file that does not exist in `workingDir` is told
// in the same way, its first line "Er ontbreken 1 of meer stressbestanden
// genoemd in <path>." (after the meteo one when both are missing); so is a
// line of three fields without exactly one .csv, or with the code elsewhere.
// Whether the model allows a stress file is checked before the calibration
// (stressCouplingRefusals).
void coupleFromFile(const std::string& couplingPath, const std::vector<std::string>& tubeList,
                    const std::string& workingDir, CouplingOverview& overview, Messages& messages,
                    MessageBox& messageBox);

// The manual mode of the selection window: the tube list and the selection
// list, the current meteo file and the next free overview row.
class ManualCoupling {
 public:
  // Activation of the selection window: no current meteo file, next free
  // row 1, the overview sized to the tube list with empty rows.
  ManualCoupling(std::vector<std::string> tubeList, CouplingOverview& overview);

  const std::vector<std::string>& tubeList() const { return tubeList_; }
  const std::vector<std::string>& selection() const { return selection_; }
  const std::string& currentMeteo() const { return currentMeteo_; }

  // ">>" and "<<": moves the entries at the given positions of the source
  // list to the target list, which is kept in alphabetical order after each
  // move; the tube list keeps its order until an entry is moved back.
  void select(const std::vector<int>& tubeListPositions);
  void unselect(const std::vector<int>& selectionPositions);

  // First part of "Kies Meteobestand of stop": writes the selection to the
  // overview from the next free row with the current meteo file (when one is
  // set) and empties it. True when the tube list is then empty (the window
  // closes); otherwise the window asks for the next meteo file.
  bool commit();
  // A meteo file chosen in the dialog becomes the current one.
  void chooseMeteo(const std::string& path) { currentMeteo_ = path; }

 private:
  std::vector<std::string> tubeList_;
  std::vector<std::string> selection_;
  CouplingOverview& overview_;
  std::string currentMeteo_;
  int nextFreeRow_ = 1;
  bool tubeListSorted_ = false;
};

}  // namespace phreatix
