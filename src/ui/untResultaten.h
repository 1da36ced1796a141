// The results window TfrmResultaten ("Resultaten"): one row per tube of a
// finished working directory with the chosen model, its fit, GHG/GLG/GVG
// (simulated, measured and simulated over the measured years) and the
// warnings, the details of the selected tube's extended model (its
// components and the situation its GxG hold for) and its charts, a
// component's contribution on an axis of its own on the right. Levels in
// cm below surface level ("cm-mv"), drawn with the larger depths lower.
#pragma once

#include <functional>
#include <map>
#include <vector>

#include <QDialog>

#include "results/charts.h"
#include "results/tube_results.h"

class QChartView;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTabWidget;
class QTableWidget;

class TfrmResultaten : public QDialog {
  Q_OBJECT

 public:
  // The columns of tblBuizen, left to right: those of the overview the
  // window shows, in its order (phreatix::screenColumns()).
  enum Column {
    kColTube,
    kColFilter,
    kColModel,
    kColBic,
    kColDelta,
    kColOmega0,
    kColPhi,
    kColC,
    kColSigma2,
    kColN,
    kColMe,
    kColRmse,
    kColEvp,
    kColGhg,
    kColGlg,
    kColGvg,
    kColGhgMeasured,
    kColGlgMeasured,
    kColGvgMeasured,
    kColMeasuredYears,
    kColGhgSameYears,
    kColGlgSameYears,
    kColGvgSameYears,
    kColWarnings,
    kColFailure,
    kColumnCount
  };

  // Gives a modelled tube's charts; the program reads them from the working
  // directory (tubeCharts), a test makes them up. May raise a core error.
  using ChartSource = std::function<std::vector<phreatix::Chart>(const phreatix::TubeResult&)>;

  explicit TfrmResultaten(QWidget* parent = nullptr);

  // Fills the table with `results` (copied) and keeps `charts` to draw the
  // charts of the tube the user selects; the first row is selected.
  void showResults(const phreatix::DataSetResults& results, ChartSource charts);

  // The chart views of the tube shown, in the order of its chart list.
  std::vector<QChartView*> chartViews() const;

  QTableWidget* tblBuizen;  // one row per tube ("buizen": tubes)
  QLabel* lblStatus;        // "N buizen, M met model, K met waarschuwingen"
  // The selected tube's model of the extended family: its components with
  // their parameters and contributions, and the situation its GxG hold for;
  // hidden for a tube of the standard family.
  QLabel* lblDetails;
  QStackedWidget* stkGrafieken;  // the charts, or why the tube has none
  QTabWidget* tabGrafieken;      // one tab per chart, named after its title
  QLabel* lblReden;              // in place of the charts: the reason ("reden")
  QPushButton* btbttnZoom;       // "Zoom herstellen"
  QPushButton* btbttnPNG;        // "Grafiek opslaan als PNG..."
  QPushButton* btbttnCSV;        // "Tabel opslaan als CSV..."
  QPushButton* bttnSluiten;

 public slots:
  // The selected row changed: its tube's charts, or its reason.
  void tblBuizenSelectionChanged();
  // The chart on the current tab back to its full extent.
  void btbttnZoomClick();
  // The chart on the current tab as a PNG file, at its size on screen.
  void btbttnPNGClick();
  // The table as it shows it (its columns, decimals and order of rows) as
  // a CSV file, proposed as overzicht.csv.
  void btbttnCSVClick();

 private:
  void fillTable();
  void showTube(int tubeIndex);
  void showDetails(const phreatix::TubeResult& tube);
  void showReason(const QString& text);
  void clearCharts();
  // Index into results_.tubes of the selected row; -1 when none is.
  int selectedTube() const;
  QString startPath(const QString& fileName) const;

  phreatix::DataSetResults results_;
  ChartSource charts_;
  // Charts already read, by tube index: reading them means opening the
  // tube's files, maybe from its zip archive.
  std::map<int, std::vector<phreatix::Chart>> chartCache_;
  int shownTube_ = -1;
};
