// A demonstration data set made by the transfer-noise model itself, so that
// every calibration of it has a known answer to find: a DINO export of six
// tubes measured on the 14th and 28th of every month from 1985 to 1995, two
// meteo files of synthetic daily weather from 1960 to 2005, the coupling
// file and kron.txt. The weather and the noise come from fixed seeds, so the
// files are the same on every call.
//
// Entry point: writeDemoData.
#pragma once

#include <string>
#include <vector>

namespace phreatix {

// One generated tube and the model it was generated with. Levels are in cm,
// positive upward: c is negative for a base level below surface level.
struct DemoTube {
  std::string location;   // 8 characters, e.g. "28AL0005"
  std::string filter;     // as written in the export, e.g. "001"
  std::string meteoFile;  // the meteo file it is generated from and coupled to
  double delta = 0;
  double omega0 = 0;  // cm level per cm/day of surplus
  double phi = 0;
  double c = 0;       // cm
  double sigma2 = 0;  // cm^2
  bool designedToFail = false;
  std::string note;  // what the tube shows, and why it fails when it is meant to
};

struct DemoDataSet {
  std::string exportFile;  // names of files in the directory
  std::string couplingFile;
  std::vector<std::string> meteoFiles;
  std::vector<DemoTube> tubes;  // in the order of the export
};

// Writes the demo data set into dir (which exists): the export, the meteo
// files, the coupling file and kron.txt, replacing files of those names.
// Raises an I/O error naming the file that could not be written completely.
DemoDataSet writeDemoData(const std::string& dir);

}  // namespace phreatix
