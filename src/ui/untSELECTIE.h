// The meteo selection window TfrmSELECTIE ("Koppeling meteobestanden aan
// OLGA-buizen"): couples every tube to a meteo file, by hand one meteo file
// at a time, or automatically from a coupling file. The coupling itself is
// ManualCoupling and coupleFromFile of coupling/coupling.h.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QDialog>

#include "coupling/coupling.h"

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace phreatix {
class Session;
}

// The main window creates one selection window for the program run and opens
// it for every coupling, so the choice of `rdgrpHOW` persists between
// openings. The window closes only through its own buttons.
class TfrmSELECTIE : public QDialog {
  Q_OBJECT

 public:
  // Both the session and the overview (strgrdResultaat's content) outlive the
  // window; the overview is what the window fills.
  TfrmSELECTIE(phreatix::Session& session, phreatix::CouplingOverview& overview,
               QWidget* parent = nullptr);
  ~TfrmSELECTIE() override;

  // The activation of an opening, before exec(): the tube list as built from
  // the data set, an empty selection, no current meteo file, the next free
  // overview row 1, the overview sized to the tube list; both lists, ">>"
  // and "<<" disabled.
  void begin(std::vector<std::string> tubeList);

  QGroupBox* rdgrpHOW;  // how the tubes are coupled ("manier van koppelen")
  QRadioButton* rdbttnHANDMATIG;
  QRadioButton* rdbttnAUTOMATISCH;
  QPushButton* bttnBUISMETEO;  // "kies bestand": the coupling file
  QLabel* lblSELECT2;          // the current meteo file, in red
  QLabel* lblALLEBUIZEN;       // title of lstbxAlleBuizen
  QLabel* lblSELECTIE;         // title of lstbxSELECTIE
  QListWidget* lstbxAlleBuizen;
  QListWidget* lstbxSELECTIE;
  QPushButton* bttnSelect;
  QPushButton* bttnUNSELECT;
  QPushButton* bttnKIESMETEO;

 public slots:
  void rdgrpHOWClick();
  void bttnKIESMETEOClick();
  void bttnSelectClick();
  void bttnUNSELECTClick();
  void bttnBUISMETEOClick();

 protected:
  // Escape does not close the window.
  void reject() override;
  // Where the window manager still offers a close button, it ends the
  // coupling as it stands (the completeness check then names every tube
  // left without a meteo file) instead of doing nothing.
  void closeEvent(QCloseEvent* event) override;

 private:
  // The two lists as the coupling holds them.
  void showLists();
  void setListsEnabled(bool enabled);

  phreatix::Session& session_;
  phreatix::CouplingOverview& overview_;
  // The tube list of this opening, as given to begin(): the automatic mode
  // couples all of it.
  std::vector<std::string> tubeList_;
  std::unique_ptr<phreatix::ManualCoupling> coupling_;
};
