// The detail-settings window TfrmDefaults ("Detailinstellingen calibraties,
// simulaties en tracing"): simplex limits, the four plausibility bounds,
// simulation period, warm-up, realisations and the kind of deterministic
// trace. Every field is checked when the user leaves it; "Instellingen OK"
// stores them all in the session settings and closes the window once every
// meteo file covers the new simulation period.
#pragma once

#include <functional>
#include <map>
#include <vector>

#include <QDialog>

#include "settings/session_settings.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TfrmDefaults : public QDialog {
  Q_OBJECT

 public:
  // `settings` are the session's (not owned, outlive the window).
  // `checkCompleteness` runs the meteo completeness check with the settings
  // as they now stand and returns true when every meteo file covers the
  // period; it tells the user itself when one does not. It is the main
  // window's and runs its core call through phreatix::ui::guarded, so that a
  // fatal stop never reaches this window. Without one the window always
  // closes.
  TfrmDefaults(phreatix::SessionSettings& settings, std::function<bool()> checkCompleteness,
               QWidget* parent = nullptr);

  // The fields of start year, realisations, warm-up, iterations and closure:
  // disabled while a pipeline runs and after a reset, enabled once the meteo
  // coupling has been made.
  void setSessionFieldsEnabled(bool enabled);

  // The activation routine: lblPERIODE from the two year fields.
  void activate();

  QGroupBox* grpbxCALIBRATIE;
  QLineEdit* edtMAXITER;
  QLineEdit* edtCLOSURE;
  QLineEdit* edtDELTAMIN;
  QLineEdit* edtPHIMIN;
  QLineEdit* edtCMAX;
  QLineEdit* edtOMEGAMIN;
  QGroupBox* grpbxSIMULATIE;
  QLabel* lblPERIODE;  // "Simulatieperiode (30 jaar)"
  QLineEdit* edtSTARTJAAR;
  QLineEdit* edtEINDJAAR;
  QLineEdit* edtWARMUP;  // days
  QLineEdit* edtREALISATIES;
  QLineEdit* edtREKENPROCESSEN;  // tubes at once; default the number of cores
  QGroupBox* rdgrpDETTRACE;
  QRadioButton* rdbttnMETUPDATING;
  QRadioButton* rdbttnZONDERUPDATING;
  QPushButton* btbttnOKDEFAULTS;
  QPushButton* bttnAnnuleren;

 public slots:
  // Leaving a field: its check; a refused text is told in a message box and
  // replaced. Iterations and closure take effect at once, the year fields
  // refresh lblPERIODE, the others wait for "Instellingen OK".
  void edtMAXITERExit();
  void edtCLOSUREExit();
  void edtDELTAMINExit();
  void edtPHIMINExit();
  void edtCMAXExit();
  void edtOMEGAMINExit();
  void edtSTARTJAARExit();
  void edtEINDJAARExit();
  void edtWARMUPExit();
  void edtREALISATIESExit();
  // A click in the trace choice sets the trace kind at once.
  void rdgrpDETTRACEClick();
  // "Instellingen OK".
  void btbttnOKDEFAULTSClick();
  // "Annuleren", the close button and Escape: every setting and field back
  // to what it was when the window opened, and the window closes.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void fieldExit(QLineEdit* field);
  void showPeriod();

  std::vector<QLineEdit*> fields() const;

  phreatix::SessionSettings& settings_;
  // What the window opened with, for "Annuleren".
  phreatix::SessionSettings openedSettings_;
  std::map<QLineEdit*, QString> openedTexts_;
  bool openedWithUpdating_ = true;
  // The last text of each field that passed its checks, put back when the
  // period is refused.
  std::map<QLineEdit*, QString> accepted_;
  std::function<bool()> checkCompleteness_;
  QButtonGroup* traceChoice_;
  // A message box shown while leaving a field takes the focus away from it;
  // that second exit is not checked again.
  bool leaving_ = false;
};
