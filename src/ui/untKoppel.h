// The coupling overview window TfrmKoppeling ("Koppeling OLGA-buizen aan
// meteobestanden"): the table of tube entries and their meteo files, and
// "OK, ik heb het gezien".
#pragma once

#include <QDialog>

#include "coupling/coupling.h"

class QPushButton;
class QTableWidget;

class TfrmKoppeling : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmKoppeling(QWidget* parent = nullptr);

  // Row 0 of the table holds the titles, rows 1..N the overview's rows.
  void showOverview(const phreatix::CouplingOverview& overview);

  QTableWidget* strgrdResultaat;
  QPushButton* bttnOK;

 protected:
  // Escape and a close button do what "OK, ik heb het gezien" does.
  void reject() override;
};
