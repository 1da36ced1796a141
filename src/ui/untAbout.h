// The about window TfrmAbout ("Over Phreatix"): program name, version and
// what the program is for.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

class TfrmAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmAbout(QWidget* parent = nullptr);

  QLabel* lblProgramma;  // program name
  QLabel* lblVersie;     // version
  QLabel* lblDoel;       // what the program is for ("doel")
  QPushButton* bttnOK;
};
