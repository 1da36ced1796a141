// The description window TfrmBeschrijving: the program's manual, the steps
// of a session from the data file to the packed results.
#pragma once

#include <QDialog>

class QPushButton;
class QTextBrowser;

class TfrmBeschrijving : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmBeschrijving(QWidget* parent = nullptr);

  QTextBrowser* reBESCHRIJVING;  // the manual ("beschrijving"), read-only
  QPushButton* bttnOK;
};
