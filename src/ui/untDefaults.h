// The detail-settings window TfrmDefaults ("Detailinstellingen calibraties,
// simulaties en tracing"): simplex limits, the four plausibility bounds,
// the response-time bounds of the extended models, simulation period,
// warm-up, realisations, the kind of deterministic trace, the model family
// and the situation the extended model's GxG hold for. Every field is
// checked when the user leaves it; "Instellingen OK" stores them all in the
// session settings and closes the window once every meteo file covers the
// new simulation period.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <QDialog>

#include "settings/session_settings.h"
#include "settings/settings_table.h"

class QAbstractButton;
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

  // The fields of start year, realisations, warm-up, iterations and closure,
  // and the choices of model and situation: disabled while a pipeline runs and after a reset,
  // enabled once the meteo coupling has been made.
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
  QLineEdit* edtT95MIN;  // days
  QLineEdit* edtT95MAX;  // days
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
  QGroupBox* rdgrpMODEL;
  QRadioButton* rdbttnSTANDAARD;
  QRadioButton* rdbttnUITGEBREID;
  // Enabled only while rdbttnUITGEBREID is checked: the standard model has
  // no trend, step or stresses to put in a situation.
  QGroupBox* rdgrpSITUATIE;
  QRadioButton* rdbttnEINDE;
  QRadioButton* rdbttnGEMIDDELD;
  QRadioButton* rdbttnGEEN;
  QPushButton* btbttnOKDEFAULTS;
  QPushButton* bttnAnnuleren;

 public slots:
  // Leaving a field: its check; a refused text is told in a message box and
  // replaced. Iterations and closure take effect at once, the year fields
  // refresh lblPERIODE, the others wait for "Instellingen OK". A pair of
  // fields that must keep their order (the years, the response times)
  // refuses a text that breaks it and puts back the last good one.
  void edtMAXITERExit();
  void edtCLOSUREExit();
  void edtDELTAMINExit();
  void edtPHIMINExit();
  void edtCMAXExit();
  void edtOMEGAMINExit();
  void edtT95MINExit();
  void edtT95MAXExit();
  void edtSTARTJAARExit();
  void edtEINDJAARExit();
  void edtWARMUPExit();
  void edtREALISATIESExit();
  // A click in the trace choice sets the trace kind at once (as any choice
  // of the settings table that takes effect at once).
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
  void choiceClick(const phreatix::DetailField& row);
  void showPeriod();

  std::vector<QLineEdit*> fields() const;
  QLineEdit* edit(const char* name) const;
  // The word of the radio button checked in a choice's group.
  std::string chosenWord(const phreatix::DetailField& row) const;

  // The window's controls of the rows of the settings table, in its order.
  std::vector<std::pair<const phreatix::DetailField*, QLineEdit*>> edits_;
  std::vector<std::pair<const phreatix::DetailField*, QButtonGroup*>> choices_;

  phreatix::SessionSettings& settings_;
  // What the window opened with, for "Annuleren".
  phreatix::SessionSettings openedSettings_;
  std::map<QLineEdit*, QString> openedTexts_;
  std::vector<QAbstractButton*> openedChoices_;
  // The last text of each field that passed its checks, put back when the
  // period is refused.
  std::map<QLineEdit*, QString> accepted_;
  std::function<bool()> checkCompleteness_;
  // A message box shown while leaving a field takes the focus away from it;
  // that second exit is not checked again.
  bool leaving_ = false;
};
