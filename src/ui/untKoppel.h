// The coupling overview window TfrmKoppeling ("Koppeling OLGA-buizen aan
// meteobestanden"): the table of tube entries and their meteo files, and
// "OK, ik heb het gezien". Under Model: uitgebreid the table also shows each
// tube's stress file, and "Kies stressbestand" and "Geen stressbestand" set
// it for the rows selected (chooseStressFile of coupling/stress_file.h).
#pragma once

#include <string>

#include <QDialog>

#include "coupling/coupling.h"

class QPushButton;
class QTableWidget;

class TfrmKoppeling : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmKoppeling(QWidget* parent = nullptr);

  // Row 0 of the table holds the titles, rows 1..N the overview's rows; a
  // third column "Stressbestand" only when a row has a stress file. Nothing
  // can be changed.
  void showOverview(const phreatix::CouplingOverview& overview);
  // The same under Model: uitgebreid: the column "Stressbestand" always, and
  // the two stress buttons for the rows selected, which change `overview`
  // (it must outlive the opening); stress files are chosen from `workingDir`.
  void showOverviewWithStress(phreatix::CouplingOverview& overview, const std::string& workingDir);

  QTableWidget* strgrdResultaat;
  QPushButton* bttnKIESSTRESS;  // "Kies stressbestand"
  QPushButton* bttnGEENSTRESS;  // "Geen stressbestand"
  QPushButton* bttnOK;

 public slots:
  void bttnKIESSTRESSClick();
  void bttnGEENSTRESSClick();

 protected:
  // Escape and a close button do what "OK, ik heb het gezien" does.
  void reject() override;

 private:
  void fillGrid(const phreatix::CouplingOverview& overview, bool stressColumn);
  // The overview rows (0-based) of the selected table rows, the title row
  // left out.
  std::vector<int> selectedRows() const;
  void setStress(const QString& path);
  void enableStressButtons();

  phreatix::CouplingOverview* editable_ = nullptr;  // while stress files can be chosen
  std::string workingDir_;
};
