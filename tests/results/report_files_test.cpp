#include "results/report_files.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gdal.h>
#include <gtest/gtest.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include "error.h"
#include "platform/files.h"
#include "results/svg_chart.h"
#include "support/temp_dir.h"

namespace phreatix {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool hasWarningOf(const TubeResult& tube, ResultWarningKind kind) {
  for (const ResultWarning& w : tube.warnings) {
    if (w.kind == kind) return true;
  }
  return false;
}

// Days since 1-1-1970 of 1 January of a year (no leap-year subtleties
// needed: the charts only need dates in order).
double yearDay(int year) { return (year - 1970) * 365.25; }

// Three tubes as a finished run leaves them: one modelled with two warnings
// (the second with a comma and quotes in its text), one without a plausible
// model and without coordinates, one filter 02 that the selection never took.
DataSetResults threeTubes() {
  DataSetResults results;
  results.workingDir = "/werk/west";
  results.notes = {"Geen coordinaten voor 28AL0006 & 28AL0009"};

  TubeResult a;
  a.stem = "28AL0005";
  a.location = "28AL0005";
  a.filter = "01";
  a.label = "1s";
  a.modelled = true;
  a.delta = 0.9712345;
  a.omega0 = 2.5;
  a.phi = 0.98;
  a.c = -152.123456;
  a.sigma2 = 12.25;
  a.x = 123456.5;
  a.y = 456789.25;
  a.fit = {true, 120, -0.42, 7.94, 87.3, {2001, 3, 14}, {2010, 11, 28}};
  a.ghg = 45.26;
  a.glg = 162.04;
  a.gvg = 80.0;
  // Measured over nine years, the spring days too sparse for a GVG.
  a.measured = {44.94, 158.0, std::nullopt};
  a.measuredYears = std::vector<int>{2001, 2002, 2003, 2004, 2005, 2006, 2007, 2008, 2009};
  a.sameYears.ghg = 47.04;
  a.warnings = {{ResultWarningKind::kShortSeries, "Korte reeks: 700 dagen, minder dan 730"},
                {ResultWarningKind::kNoiseDominates, "Ruis sd 14.2 > 1.2 x 10.1 \"let op\""}};

  TubeResult b;
  b.stem = "28AL0006";
  b.location = "28AL0006";
  b.filter = "01";
  b.label = "ft";
  b.delta = 0.85;  // the last calibration, not a model
  b.failure = "delta 0.85 niet groter dan 0.90";
  b.warnings = {{ResultWarningKind::kNoModel, b.failure}};

  TubeResult c;
  c.stem = "28AL0007";
  c.location = "28AL0007";
  c.filter = "02";
  c.x = 120000;
  c.y = 450000;
  c.failure = "alleen filter 01 wordt gemodelleerd";

  results.tubes = {a, b, c};
  return results;
}

// The same three tubes in a directory of the extended family: 28AL0005's
// model gftx has a trend and a stress, run under the situation einde.
DataSetResults extendedTubes() {
  DataSetResults results = threeTubes();
  results.extendedFamily = true;
  TubeResult& a = results.tubes[0];
  a.label = "gftx";
  a.delta = a.omega0 = kNaN;  // an extended model has none
  a.choice.extended = true;
  a.choice.chosen = "gftx";
  a.choice.bic = 1490.4;
  a.choice.filter = "01";
  a.choice.parameters = {{"A", 120.5, 4.25}, {"phi", 0.9512, 0.0031}};
  ChosenComponent trend;
  trend.kind = ComponentKind::kTrend;
  trend.from = CalendarDate{1990, 1, 14};
  trend.to = CalendarDate{2010, 12, 28};
  trend.value = 10.7;
  trend.standardError = 0.31;
  trend.change = 235.2;
  ChosenComponent stress;
  stress.kind = ComponentKind::kStress;
  stress.value = -0.0213;
  stress.standardError = 0.0011;
  stress.n = 1;
  stress.a = 118;
  stress.t95 = 353.4;
  a.choice.components = {trend, stress};
  a.componentLevels = {{ComponentKind::kTrend, 235.2, 118.4, 235.2},
                       {ComponentKind::kStress, -3.1, -25.0, -3.1}};
  a.situation = Situation::kEinde;
  results.tubes[1].choice.extended = true;
  return results;
}

// The fields of one RFC 4180 record (no line ends inside fields here).
std::vector<std::string> csvFields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char ch = line[i];
    if (quoted) {
      if (ch == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else if (ch == '"') {
        quoted = false;
      } else {
        fields.back() += ch;
      }
    } else if (ch == '"') {
      quoted = true;
    } else if (ch == ',') {
      fields.emplace_back();
    } else {
      fields.back() += ch;
    }
  }
  return fields;
}

std::vector<std::string> crlfRecords(const std::string& text) {
  std::vector<std::string> records;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      records.push_back(text.substr(start));
      break;
    }
    records.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return records;
}

TEST(OverviewCsv, ReadsBackWithUnitsQuotingAndEmptyFields) {
  test::TempDir dir;
  writeOverviewCsv(threeTubes(), dir.file("overzicht.csv"));
  const std::string text = dir.read("overzicht.csv");
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::count(text.begin(), text.end(), '\r'))
      << "every record ends in CR LF";

  const std::vector<std::string> records = crlfRecords(text);
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0],
            "buis,locatie,filter,x_rd (m),y_rd (m),model,bic,delta (-),omega0 (cm/cm),phi (-),"
            "c (cm+mv),sigma2 (cm2),n_fit,me_fit (cm),rmse_fit (cm),evp_fit (%),fit_van,fit_tot,"
            "ghg (cm-mv),glg (cm-mv),gvg (cm-mv),ghg_gemeten (cm-mv),glg_gemeten (cm-mv),"
            "gvg_gemeten (cm-mv),jaren_gemeten,ghg_zelfde_jaren (cm-mv),glg_zelfde_jaren (cm-mv),"
            "gvg_zelfde_jaren (cm-mv),waarschuwingen,reden_geen_model");
  const std::vector<std::string> header = csvFields(records[0]);
  auto column = [&](const std::string& title) {
    const auto it = std::find(header.begin(), header.end(), title);
    EXPECT_NE(it, header.end()) << title;
    return static_cast<std::size_t>(it - header.begin());
  };

  const std::vector<std::string> a = csvFields(records[1]);
  ASSERT_EQ(a.size(), header.size());
  EXPECT_EQ(a[column("buis")], "28AL0005");
  EXPECT_EQ(a[column("x_rd (m)")], "123456.50");
  EXPECT_EQ(a[column("y_rd (m)")], "456789.25");
  EXPECT_EQ(a[column("model")], "1s");
  EXPECT_EQ(a[column("delta (-)")], "0.9712345");
  EXPECT_EQ(a[column("omega0 (cm/cm)")], "2.5000000");
  EXPECT_EQ(a[column("c (cm+mv)")], "-152.12346");
  EXPECT_EQ(a[column("sigma2 (cm2)")], "12.25000");
  EXPECT_EQ(a[column("n_fit")], "120");
  EXPECT_EQ(a[column("me_fit (cm)")], "-0.4");
  EXPECT_EQ(a[column("evp_fit (%)")], "87.3");
  EXPECT_EQ(a[column("fit_van")], "2001-03-14");
  EXPECT_EQ(a[column("fit_tot")], "2010-11-28");
  EXPECT_EQ(a[column("ghg (cm-mv)")], "45.3");
  EXPECT_EQ(a[column("glg (cm-mv)")], "162.0");
  EXPECT_EQ(a[column("gvg (cm-mv)")], "80.0");
  EXPECT_EQ(a[column("ghg_gemeten (cm-mv)")], "44.9");
  EXPECT_EQ(a[column("glg_gemeten (cm-mv)")], "158.0");
  EXPECT_EQ(a[column("gvg_gemeten (cm-mv)")], "");
  EXPECT_EQ(a[column("jaren_gemeten")], "9");
  EXPECT_EQ(a[column("ghg_zelfde_jaren (cm-mv)")], "47.0");
  EXPECT_EQ(a[column("glg_zelfde_jaren (cm-mv)")], "");
  EXPECT_EQ(a[column("bic")], "");
  EXPECT_EQ(a[column("waarschuwingen")],
            "Korte reeks: 700 dagen, minder dan 730; Ruis sd 14.2 > 1.2 x 10.1 \"let op\"");
  EXPECT_NE(records[1].find(",\"Korte reeks: 700 dagen, minder dan 730; Ruis sd 14.2 > 1.2 x "
                            "10.1 \"\"let op\"\"\","),
            std::string::npos)
      << "a field with a comma and quotes is quoted, its quotes doubled";
  EXPECT_EQ(a[column("reden_geen_model")], "");

  // Without a model: no parameters (the last calibration is no model), no
  // fit; without coordinates: empty coordinates.
  const std::vector<std::string> b = csvFields(records[2]);
  ASSERT_EQ(b.size(), header.size());
  EXPECT_EQ(b[column("x_rd (m)")], "");
  EXPECT_EQ(b[column("y_rd (m)")], "");
  EXPECT_EQ(b[column("model")], "ft");
  EXPECT_EQ(b[column("delta (-)")], "");
  EXPECT_EQ(b[column("n_fit")], "");
  EXPECT_EQ(b[column("fit_van")], "");
  EXPECT_EQ(b[column("ghg (cm-mv)")], "");
  EXPECT_EQ(b[column("jaren_gemeten")], "");
  EXPECT_EQ(b[column("reden_geen_model")], "delta 0.85 niet groter dan 0.90");

  const std::vector<std::string> c = csvFields(records[3]);
  ASSERT_EQ(c.size(), header.size());
  EXPECT_EQ(c[column("filter")], "02");
  EXPECT_EQ(c[column("x_rd (m)")], "120000.00");
  EXPECT_EQ(c[column("model")], "");
}

// The results window's table as a file: its own columns, titles and
// decimals, the rows in the order given, and what the window shows where
// it differs from overzicht.csv (a chosen model whose post-processing did
// not finish has no parameters there; the missing model is the reason, not
// a warning as well).
TEST(OverviewCsv, TheWindowsTableAsItShowsIt) {
  DataSetResults results = threeTubes();
  TubeResult unfinished = results.tubes[0];
  unfinished.stem = "28AL0008";
  unfinished.location.clear();  // named by its stem
  unfinished.modelled = false;
  unfinished.warnings.clear();
  results.tubes.push_back(unfinished);
  test::TempDir dir;
  writeScreenCsv(results, {3, 1, 0}, dir.file("tabel.csv"));
  const std::vector<std::string> records = crlfRecords(dir.read("tabel.csv"));
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0],
            "Buis,Filter,Model,BIC,delta (-),omega0 (cm/cm),phi (-),c (cm+mv),"
            "sigma2 (cm\xC2\xB2),n,ME (cm),RMSE (cm),EVP (%),GHG (cm-mv),GLG (cm-mv),GVG (cm-mv),"
            "GHG gemeten (cm-mv),GLG gemeten (cm-mv),GVG gemeten (cm-mv),Jaren gemeten,"
            "GHG zelfde jaren (cm-mv),GLG zelfde jaren (cm-mv),GVG zelfde jaren (cm-mv),"
            "Waarschuwingen,Reden geen model");
  EXPECT_EQ(records[1],
            "28AL0008,01,1s,,,,,,,120,-0.4,7.9,87.3,45.3,162.0,80.0,44.9,158.0,,9,47.0,,,,");
  EXPECT_EQ(records[2], "28AL0006,01,ft,,,,,,,,,,,,,,,,,,,,,,delta 0.85 niet groter dan 0.90");
  EXPECT_EQ(records[3],
            "28AL0005,01,1s,,0.9712,2.5000,0.9800,-152.1,12.25,120,-0.4,7.9,87.3,45.3,162.0,80.0,"
            "44.9,158.0,,9,47.0,,,\"Korte reeks: 700 dagen, minder dan 730; Ruis sd 14.2 > 1.2 x "
            "10.1 \"\"let op\"\"\",");
  // overzicht.csv keeps the parameters of the unfinished tube.
  writeOverviewCsv(results, dir.file("overzicht.csv"));
  EXPECT_NE(dir.read("overzicht.csv").find("28AL0008,,01,123456.50,456789.25,1s,,0.9712345,"),
            std::string::npos);
}

// Under Model: uitgebreid four columns follow the BIC: the components, their
// parameters, the sum of their contributions at the end of the readings and
// the situation. The standard family's header (above) has none of them.
TEST(OverviewCsv, TheExtendedFamilysComponentsAfterTheBic) {
  test::TempDir dir;
  writeOverviewCsv(extendedTubes(), dir.file("overzicht.csv"));
  const std::vector<std::string> records = crlfRecords(dir.read("overzicht.csv"));
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0],
            "buis,locatie,filter,x_rd (m),y_rd (m),model,bic,componenten,component_parameters,"
            "bijdrage_einde (cm),situatie,delta (-),omega0 (cm/cm),phi (-),c (cm+mv),sigma2 (cm2),"
            "n_fit,me_fit (cm),rmse_fit (cm),evp_fit (%),fit_van,fit_tot,ghg (cm-mv),glg (cm-mv),"
            "gvg (cm-mv),ghg_gemeten (cm-mv),glg_gemeten (cm-mv),gvg_gemeten (cm-mv),"
            "jaren_gemeten,ghg_zelfde_jaren (cm-mv),glg_zelfde_jaren (cm-mv),"
            "gvg_zelfde_jaren (cm-mv),waarschuwingen,reden_geen_model");
  EXPECT_EQ(records[1].rfind("28AL0005,28AL0005,01,123456.50,456789.25,gftx,1490.40,"
                             "trend; stress,"
                             "trend 10.70 cm/jaar 1990-01-14..2010-12-28; "
                             "stress -0.0213 cm/eenheid a 118 d,232.1,einde,,,",
                             0),
            0u)
      << records[1];
  // Without a model, and outside the selection: empty.
  EXPECT_EQ(records[2].rfind("28AL0006,28AL0006,01,,,ft,,,,,,", 0), 0u) << records[2];
  EXPECT_EQ(records[3].rfind("28AL0007,28AL0007,02,120000.00,450000.00,,,,,,,", 0), 0u)
      << records[3];

  // The same tubes read as a standard directory keep the standard header.
  DataSetResults standard = extendedTubes();
  standard.extendedFamily = false;
  writeOverviewCsv(standard, dir.file("standaard.csv"));
  const std::string header = crlfRecords(dir.read("standaard.csv"))[0];
  for (const char* name : {"componenten", "component_parameters", "bijdrage_einde", "situatie"}) {
    EXPECT_EQ(header.find(name), std::string::npos) << name;
  }
}

TEST(OverviewCsv, UnwritableFileIsAnError) {
  test::TempDir dir;
  EXPECT_THROW(writeOverviewCsv(threeTubes(), dir.file("geen/map/overzicht.csv")), Error);
}

// A location code, a reason and a warning that a spreadsheet would run as
// formulas are written as text, with the usual quote in front; numbers, a
// negative one included, and a code that is a number stay as they are.
TEST(OverviewCsv, CellsASpreadsheetWouldRunAreWrittenAsText) {
  test::TempDir dir;
  DataSetResults results = threeTubes();
  results.tubes[0].location = "=1+2+3+4";
  results.tubes[0].warnings = {{ResultWarningKind::kShortSeries, "@SUM(A1:A9)"}};
  results.tubes[1].location = "-12";
  results.tubes[1].failure = "-1+cmd|' /C calc'!A0";
  results.tubes[2].location = "+31AB0001";
  writeOverviewCsv(results, dir.file("overzicht.csv"));
  const std::vector<std::string> records = crlfRecords(dir.read("overzicht.csv"));
  ASSERT_EQ(records.size(), 4u);
  const std::vector<std::string> titles = csvFields(records[0]);
  auto field = [&](std::size_t row, const std::string& title) {
    const auto at = std::find(titles.begin(), titles.end(), title);
    EXPECT_NE(at, titles.end()) << title;
    return csvFields(records[row]).at(static_cast<std::size_t>(at - titles.begin()));
  };
  EXPECT_EQ(field(1, "locatie"), "'=1+2+3+4");
  EXPECT_EQ(field(1, "waarschuwingen"), "'@SUM(A1:A9)");
  EXPECT_EQ(field(1, "c (cm+mv)"), "-152.12346");
  EXPECT_EQ(field(1, "me_fit (cm)"), "-0.4");
  EXPECT_EQ(field(2, "locatie"), "-12");
  EXPECT_EQ(field(2, "reden_geen_model"), "'-1+cmd|' /C calc'!A0");
  EXPECT_EQ(field(3, "locatie"), "'+31AB0001");
  EXPECT_EQ(field(3, "buis"), "28AL0007");

  // The window's table saved as CSV alike.
  writeScreenCsv(results, {0}, dir.file("scherm.csv"));
  EXPECT_NE(dir.read("scherm.csv").find("'@SUM(A1:A9)"), std::string::npos);
}

// --- The map layer --------------------------------------------------------

struct DatasetCloser {
  void operator()(void* ds) const { GDALClose(ds); }
};
using Dataset = std::unique_ptr<void, DatasetCloser>;
struct FeatureDestroyer {
  void operator()(void* f) const { OGR_F_Destroy(f); }
};
using Feature = std::unique_ptr<void, FeatureDestroyer>;

Dataset openLayerFile(const std::string& path) {
  GDALAllRegister();
  return Dataset(
      GDALOpenEx(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
}

Feature featureOf(OGRLayerH layer, const std::string& stem) {
  OGR_L_ResetReading(layer);
  while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
    if (OGR_F_GetFieldAsString(f, OGR_F_GetFieldIndex(f, "buis")) == stem) return Feature(f);
    OGR_F_Destroy(f);
  }
  return Feature();
}

TEST(OverviewLayer, ReadsBackThroughGdal) {
  test::TempDir dir;
  const std::string path = dir.file("overzicht.gpkg");
  writeOverviewLayer(threeTubes(), path);

  Dataset ds = openLayerFile(path);
  ASSERT_TRUE(ds) << "GDAL cannot open " << path;
  EXPECT_STREQ(GDALGetDriverShortName(GDALGetDatasetDriver(ds.get())), "GPKG");
  OGRLayerH layer = GDALDatasetGetLayerByName(ds.get(), "overzicht");
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(OGR_L_GetFeatureCount(layer, TRUE), 3);
  EXPECT_EQ(wkbFlatten(OGR_L_GetGeomType(layer)), wkbPoint);

  OGRSpatialReferenceH srs = OGR_L_GetSpatialRef(layer);
  ASSERT_NE(srs, nullptr);
  ASSERT_NE(OSRGetAuthorityName(srs, nullptr), nullptr);
  EXPECT_STREQ(OSRGetAuthorityName(srs, nullptr), "EPSG");
  EXPECT_STREQ(OSRGetAuthorityCode(srs, nullptr), "28992");

  // Typed attributes.
  OGRFeatureDefnH defn = OGR_L_GetLayerDefn(layer);
  auto fieldType = [&](const char* name) {
    const int i = OGR_FD_GetFieldIndex(defn, name);
    EXPECT_GE(i, 0) << name;
    return i < 0 ? OFTMaxType : OGR_Fld_GetType(OGR_FD_GetFieldDefn(defn, i));
  };
  EXPECT_EQ(fieldType("buis"), OFTString);
  EXPECT_EQ(fieldType("n_fit"), OFTInteger);
  EXPECT_EQ(fieldType("ghg"), OFTReal);
  EXPECT_EQ(fieldType("sigma2"), OFTReal);
  EXPECT_EQ(fieldType("fit_van"), OFTString);

  Feature a = featureOf(layer, "28AL0005");
  ASSERT_TRUE(a);
  OGRGeometryH point = OGR_F_GetGeometryRef(a.get());
  ASSERT_NE(point, nullptr);
  EXPECT_DOUBLE_EQ(OGR_G_GetX(point, 0), 123456.5);
  EXPECT_DOUBLE_EQ(OGR_G_GetY(point, 0), 456789.25);
  auto field = [](const Feature& f, const char* name) {
    return OGR_F_GetFieldIndex(f.get(), name);
  };
  EXPECT_STREQ(OGR_F_GetFieldAsString(a.get(), field(a, "model")), "1s");
  EXPECT_EQ(OGR_F_GetFieldAsInteger(a.get(), field(a, "n_fit")), 120);
  EXPECT_DOUBLE_EQ(OGR_F_GetFieldAsDouble(a.get(), field(a, "ghg")), 45.26);
  EXPECT_DOUBLE_EQ(OGR_F_GetFieldAsDouble(a.get(), field(a, "c")), -152.123456);
  EXPECT_STREQ(OGR_F_GetFieldAsString(a.get(), field(a, "fit_tot")), "2010-11-28");
  EXPECT_STREQ(OGR_F_GetFieldAsString(a.get(), field(a, "waarschuwingen")),
               "Korte reeks: 700 dagen, minder dan 730; Ruis sd 14.2 > 1.2 x 10.1 \"let op\"");

  // No coordinates: a null geometry, null attributes where nothing is known.
  Feature b = featureOf(layer, "28AL0006");
  ASSERT_TRUE(b);
  EXPECT_EQ(OGR_F_GetGeometryRef(b.get()), nullptr);
  EXPECT_TRUE(OGR_F_IsFieldNull(b.get(), field(b, "x_rd")));
  EXPECT_TRUE(OGR_F_IsFieldNull(b.get(), field(b, "delta")));
  EXPECT_TRUE(OGR_F_IsFieldNull(b.get(), field(b, "ghg")));
  EXPECT_STREQ(OGR_F_GetFieldAsString(b.get(), field(b, "reden_geen_model")),
               "delta 0.85 niet groter dan 0.90");

  Feature c = featureOf(layer, "28AL0007");
  ASSERT_TRUE(c);
  EXPECT_NE(OGR_F_GetGeometryRef(c.get()), nullptr);
}

TEST(OverviewLayer, TheComponentsAsAttributesOnlyUnderTheExtendedFamily) {
  test::TempDir dir;
  DataSetResults results = extendedTubes();
  for (const bool extended : {true, false}) {
    SCOPED_TRACE(extended ? "uitgebreid" : "standaard");
    results.extendedFamily = extended;
    const std::string path = dir.file(extended ? "uitgebreid.gpkg" : "standaard.gpkg");
    writeOverviewLayer(results, path);
    Dataset ds = openLayerFile(path);
    ASSERT_TRUE(ds);
    OGRLayerH layer = GDALDatasetGetLayerByName(ds.get(), "overzicht");
    ASSERT_NE(layer, nullptr);
    OGRFeatureDefnH defn = OGR_L_GetLayerDefn(layer);
    const int components = OGR_FD_GetFieldIndex(defn, "componenten");
    const int contribution = OGR_FD_GetFieldIndex(defn, "bijdrage_einde");
    const int situation = OGR_FD_GetFieldIndex(defn, "situatie");
    if (!extended) {
      EXPECT_LT(components, 0);
      EXPECT_LT(contribution, 0);
      EXPECT_LT(situation, 0);
      EXPECT_LT(OGR_FD_GetFieldIndex(defn, "component_parameters"), 0);
      continue;
    }
    ASSERT_GE(components, 0);
    ASSERT_GE(contribution, 0);
    EXPECT_EQ(OGR_Fld_GetType(OGR_FD_GetFieldDefn(defn, contribution)), OFTReal);
    EXPECT_EQ(components, OGR_FD_GetFieldIndex(defn, "bic") + 1);
    Feature a = featureOf(layer, "28AL0005");
    ASSERT_TRUE(a);
    EXPECT_STREQ(OGR_F_GetFieldAsString(a.get(), components), "trend; stress");
    EXPECT_DOUBLE_EQ(OGR_F_GetFieldAsDouble(a.get(), contribution), 235.2 - 3.1);
    EXPECT_STREQ(OGR_F_GetFieldAsString(a.get(), situation), "einde");
    Feature b = featureOf(layer, "28AL0006");
    ASSERT_TRUE(b);
    EXPECT_TRUE(OGR_F_IsFieldNull(b.get(), contribution));
    EXPECT_TRUE(OGR_F_IsFieldNull(b.get(), situation));
  }
}

TEST(OverviewLayer, SameResultsSameBytesAndAnOldFileIsReplaced) {
  test::TempDir dir;
  const DataSetResults results = threeTubes();
  // First a different file at the place, which the write must replace.
  DataSetResults one = results;
  one.tubes.resize(1);
  writeOverviewLayer(one, dir.file("overzicht.gpkg"));
  writeOverviewLayer(results, dir.file("overzicht.gpkg"));
  writeOverviewLayer(results, dir.file("tweede.gpkg"));
  const std::string first = dir.read("overzicht.gpkg");
  EXPECT_GT(first.size(), 0u);
  EXPECT_TRUE(first == dir.read("tweede.gpkg")) << "two writes of the same results differ";

  Dataset ds = openLayerFile(dir.file("overzicht.gpkg"));
  ASSERT_TRUE(ds);
  EXPECT_EQ(OGR_L_GetFeatureCount(GDALDatasetGetLayerByName(ds.get(), "overzicht"), TRUE), 3);
}

// Output of a command line, and its exit status.
std::string commandOutput(const std::string& command, int& status) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    status = -1;
    return out;
  }
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  status = pclose(pipe);
  return out;
}

TEST(OverviewLayer, OgrinfoReadsTheLayer) {
  if (!fileExists("/usr/bin/ogrinfo")) GTEST_SKIP() << "ogrinfo is not installed";
  test::TempDir dir;
  writeOverviewLayer(threeTubes(), dir.file("overzicht.gpkg"));
  int status = 0;
  const std::string out =
      commandOutput("/usr/bin/ogrinfo -al -so '" + dir.file("overzicht.gpkg") + "' 2>&1", status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("Layer name: overzicht"), std::string::npos) << out;
  EXPECT_NE(out.find("Geometry: Point"), std::string::npos) << out;
  EXPECT_NE(out.find("Feature Count: 3"), std::string::npos) << out;
  EXPECT_NE(out.find("28992"), std::string::npos) << out;
  EXPECT_NE(out.find("ghg: Real"), std::string::npos) << out;
  EXPECT_NE(out.find("n_fit: Integer"), std::string::npos) << out;
}

// --- Charts as SVG --------------------------------------------------------

// Whether every opened tag is closed in order; `voids` are HTML elements
// without an end tag. Comments and the doctype are skipped. An empty string
// when all is well, else what went wrong.
std::string unbalancedTags(const std::string& text, const std::set<std::string>& voids = {}) {
  std::vector<std::string> open;
  std::size_t i = 0;
  while ((i = text.find('<', i)) != std::string::npos) {
    const std::size_t end = text.find('>', i);
    if (end == std::string::npos) return "a tag without '>'";
    std::string tag = text.substr(i + 1, end - i - 1);
    i = end + 1;
    if (tag.empty()) return "an empty tag";
    if (tag[0] == '!') continue;
    const bool closing = tag[0] == '/';
    const bool selfClosing = tag.back() == '/';
    const std::size_t nameStart = closing ? 1 : 0;
    const std::string name =
        tag.substr(nameStart, tag.find_first_of(" \t\n/", nameStart) - nameStart);
    if (closing) {
      if (open.empty() || open.back() != name) {
        return "</" + name + "> closes " + (open.empty() ? std::string("nothing") : open.back());
      }
      open.pop_back();
    } else if (!selfClosing && voids.count(name) == 0) {
      open.push_back(name);
    }
  }
  if (!open.empty()) return "<" + open.back() + "> is not closed";
  return {};
}

std::size_t occurrences(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t i = text.find(what); i != std::string::npos; i = text.find(what, i + 1)) ++n;
  return n;
}

bool containsNonNumber(const std::string& svg) {
  for (const char* bad : {"nan", "inf", "NaN", "Inf"}) {
    if (svg.find(bad) != std::string::npos) return true;
  }
  return false;
}

ChartSeries series(const std::string& name, ChartSeries::Kind kind, std::vector<double> x,
                   std::vector<double> y, Rgb colour = {0, 90, 160}) {
  ChartSeries s;
  s.name = name;
  s.kind = kind;
  s.colour = colour;
  s.x = std::move(x);
  s.y = std::move(y);
  return s;
}

// The fit chart of a tube as the charts describe it: measured levels, the
// model trace and residual bars, over dates, levels in cm-mv reversed.
Chart fitChart() {
  Chart chart;
  chart.id = "fit";
  chart.title = "Buis 28AL0005 \"west\": gemeten & berekend";
  chart.x = {"datum", true, false};
  chart.y = {"grondwaterstand (cm-mv)", false, true};
  std::vector<double> days, measured, model, residual;
  for (int k = 0; k < 40; ++k) {
    days.push_back(yearDay(2001) + 90.0 * k);
    model.push_back(100 + 40 * std::sin(k * 0.7));
    measured.push_back(model.back() + (k % 3 - 1) * 4.0);
    residual.push_back(measured.back() - model.back());
  }
  chart.series = {series("gemeten", ChartSeries::Kind::kPoints, days, measured, {200, 0, 0}),
                  series("model <deterministisch>", ChartSeries::Kind::kLine, days, model),
                  series("residu", ChartSeries::Kind::kBars, days, residual, {120, 120, 120})};
  return chart;
}

TEST(ChartSvg, DrawsEverySeriesWithYearTicksAsWellFormedSvg) {
  const std::string svg = chartSvg(fitChart(), 800, 360);
  EXPECT_EQ(unbalancedTags(svg), "");
  EXPECT_EQ(svg.rfind("<svg", 0), 0u);
  EXPECT_NE(svg.find("gemeten"), std::string::npos);
  EXPECT_NE(svg.find("model &lt;deterministisch&gt;"), std::string::npos);
  EXPECT_EQ(svg.find("<deterministisch>"), std::string::npos);
  EXPECT_NE(svg.find("residu"), std::string::npos);
  EXPECT_NE(svg.find("Buis 28AL0005 &quot;west&quot;: gemeten &amp; berekend"), std::string::npos);
  EXPECT_NE(svg.find("grondwaterstand (cm-mv)"), std::string::npos);
  // 40 measurements 90 days apart from 2001 on: years, not day numbers.
  EXPECT_NE(svg.find(">2004<"), std::string::npos);
  EXPECT_NE(svg.find(">2008<"), std::string::npos);
  EXPECT_EQ(svg.find(">11323<"), std::string::npos);
  EXPECT_GE(occurrences(svg, "<circle"), 40u);
  EXPECT_EQ(occurrences(svg, "<polyline"), 1u);
  EXPECT_GE(occurrences(svg, "<rect"), 40u);
  // Self-contained: nothing fetched, nothing run.
  EXPECT_EQ(svg.find("<script"), std::string::npos);
  EXPECT_EQ(svg.find("href"), std::string::npos);
  EXPECT_EQ(svg.find("url("), std::string::npos);
  EXPECT_FALSE(containsNonNumber(svg));
}

// The vertical pixel positions of the first polyline's points.
std::vector<double> polylineYs(const std::string& svg) {
  std::vector<double> ys;
  const std::size_t at = svg.find("<polyline");
  const std::size_t start = svg.find("points=\"", at) + 8;
  const std::string points = svg.substr(start, svg.find('"', start) - start);
  std::size_t i = 0;
  while ((i = points.find(',', i)) != std::string::npos) {
    ys.push_back(std::stod(points.substr(i + 1)));
    ++i;
  }
  return ys;
}

TEST(ChartSvg, ReversedAxisDrawsLargerValuesLower) {
  Chart chart;
  chart.title = "duurlijn";
  chart.series = {series("stand", ChartSeries::Kind::kLine, {0, 1}, {10, 100})};
  chart.y.reversed = true;
  std::vector<double> ys = polylineYs(chartSvg(chart, 600, 300));
  ASSERT_EQ(ys.size(), 2u);
  EXPECT_GT(ys[1], ys[0]) << "100 cm-mv lies below 10 cm-mv";
  chart.y.reversed = false;
  ys = polylineYs(chartSvg(chart, 600, 300));
  ASSERT_EQ(ys.size(), 2u);
  EXPECT_LT(ys[1], ys[0]);
}

TEST(ChartSvg, DegenerateSeriesGiveAWellFormedChart) {
  using Kind = ChartSeries::Kind;
  struct Case {
    const char* what;
    std::vector<ChartSeries> series;
    std::size_t polylines;  // expected number of polylines
  };
  const Case cases[] = {
      {"no series", {}, 0},
      {"an empty series", {series("leeg", Kind::kLine, {}, {})}, 0},
      {"only NaN", {series("alleen ontbrekend", Kind::kPoints, {kNaN, 1}, {2, kNaN})}, 0},
      {"a single point", {series("een punt", Kind::kLine, {yearDay(2005)}, {120})}, 0},
      {"one bar", {series("een staaf", Kind::kBars, {3}, {7})}, 0},
      {"all values equal",
       {series("vlak", Kind::kLine, {yearDay(2001), yearDay(2002), yearDay(2003)}, {80, 80, 80})},
       1},
      {"a gap of NaN",
       {series("met gat", Kind::kLine, {1, 2, 3, 4, 5}, {10, 12, kNaN, 11, 13})},
       2},
      {"x and y of different lengths",
       {series("ongelijk", Kind::kLine, {1, 2, 3}, {5, 6}),
        series("oneindig", Kind::kPoints, {1, 2}, {std::numeric_limits<double>::infinity(), 4})},
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Chart chart;
    chart.title = "stand";
    chart.x = {"datum", true, false};
    chart.y = {"stand (cm-mv)", false, true};
    chart.series = c.series;
    const std::string svg = chartSvg(chart, 500, 260);
    EXPECT_EQ(unbalancedTags(svg), "");
    EXPECT_FALSE(containsNonNumber(svg)) << svg;
    EXPECT_EQ(occurrences(svg, "<polyline"), c.polylines);
    for (const ChartSeries& s : c.series) EXPECT_NE(svg.find(s.name), std::string::npos);
    // At least two tick labels on each axis, besides title and axis titles.
    EXPECT_GE(occurrences(svg, "<text"), 2u + 4u + 2u);
  }
}

// A component's contribution of a few cm against levels of 100-200 cm-mv:
// on an axis of its own on the right it spans the plot's height; the frame
// makes room for that axis only when a series asks for it.
TEST(ChartSvg, ASecondAxisOnTheRightForTheComponentsContributions) {
  Chart chart = fitChart();
  const std::string without = chartSvg(chart, 800, 360);
  EXPECT_NE(without.find("<rect x=\"70.0\" y=\"56.0\" width=\"710.0\""), std::string::npos)
      << "the frame from 70 to 800 - 20";
  std::vector<double> days, contribution;
  for (int k = 0; k < 40; ++k) {
    days.push_back(yearDay(2001) + 90.0 * k);
    contribution.push_back(k < 20 ? 0 : 4.5);
  }
  chart.series.push_back(
      series("bijdrage stap (rechter as)", ChartSeries::Kind::kLine, days, contribution));
  chart.series.back().secondAxis = true;
  chart.y2 = {"bijdrage component (cm, positief omhoog)", false, false};
  const std::string svg = chartSvg(chart, 800, 360);
  EXPECT_EQ(unbalancedTags(svg), "");
  EXPECT_FALSE(containsNonNumber(svg));
  EXPECT_NE(svg.find(">bijdrage component (cm, positief omhoog)</text>"), std::string::npos);
  // The frame ends 70 px from the right, where the axis's labels stand.
  const std::size_t frame = svg.find("<rect x=\"70.0\" y=\"56.0\" width=\"660.0\"");
  ASSERT_NE(frame, std::string::npos);
  EXPECT_NE(svg.find("x=\"738.0\""), std::string::npos) << "tick labels at 730 + 8";
  // The last polyline is the step: 0 low, 4.5 high (positive upward), the
  // two ends over most of the plot's 56 .. 312.
  const std::size_t last = svg.rfind("<polyline");
  ASSERT_NE(last, std::string::npos);
  const std::size_t points = svg.find("points=\"", last) + 8;
  const std::string list = svg.substr(points, svg.find('"', points) - points);
  double lowest = 1e9, highest = -1e9;
  for (std::size_t at = 0; at < list.size();) {
    const std::size_t comma = list.find(',', at);
    const std::size_t end = std::min(list.find(' ', comma), list.size());
    const double y = std::stod(list.substr(comma + 1, end - comma - 1));
    lowest = std::min(lowest, y);
    highest = std::max(highest, y);
    at = end + 1;
  }
  EXPECT_GT(highest - lowest, 0.7 * (312 - 56)) << list;
  EXPECT_GT(highest, lowest);
  // 0 before the step lies below 4.5 after it: pixel y grows downward.
  const double first = std::stod(list.substr(list.find(',') + 1));
  EXPECT_EQ(first, highest);
}

// --- The HTML report ------------------------------------------------------

// Made-up charts for the report: the fit chart, a histogram and a chart
// whose series has no values.
std::vector<Chart> madeUpCharts(const std::string& /*workingDir*/, const TubeResult& tube) {
  Chart histogram;
  histogram.id = "histogram";
  histogram.title = "Histogram " + tube.stem;
  histogram.x = {"grondwaterstand (cm-mv)", false, false};
  histogram.y = {"frequentie (%)", false, false};
  histogram.series = {series("frequentie", ChartSeries::Kind::kBars, {40, 60, 80, 100, 120},
                             {5, 20, 40, 25, 10}, {40, 120, 60})};
  Chart empty;
  empty.id = "correlogram";
  empty.title = "Correlogram " + tube.stem;
  empty.series = {series("autocorrelatie", ChartSeries::Kind::kLine, {}, {})};
  return {fitChart(), histogram, empty};
}

std::vector<Chart> failingCharts(const std::string& workingDir, const TubeResult&) {
  throw Error(ErrorKind::kRead, workingDir + "/28AL0005.reg:3: expected a number");
}

const std::set<std::string> kVoidElements = {"meta", "br"};

TEST(HtmlReport, IndexListsAllTubesAndLinksThePagesOfModelledOnes) {
  test::TempDir dir;
  std::filesystem::create_directory(dir.file("rapport"));
  dir.write("rapport/aantekeningen.txt", "van de gebruiker\n");
  writeHtmlReport(threeTubes(), dir.path(), &madeUpCharts);

  const std::string index = dir.read("rapport.html");
  EXPECT_EQ(unbalancedTags(index, kVoidElements), "");
  EXPECT_NE(index.find("<meta charset=\"utf-8\">"), std::string::npos);
  EXPECT_NE(index.find("cm-mv (cm onder maaiveld)"), std::string::npos);
  EXPECT_NE(index.find("deterministische model"), std::string::npos)
      << "what the fit is measured on";
  EXPECT_NE(index.find("<a href=\"rapport/28AL0005.html\">28AL0005</a>"), std::string::npos);
  EXPECT_EQ(index.find("rapport/28AL0006.html"), std::string::npos);
  EXPECT_EQ(index.find("rapport/28AL0007.html"), std::string::npos);
  // One table row per tube, header apart.
  const std::size_t all = index.find("<h2>Alle buizen</h2>");
  ASSERT_NE(all, std::string::npos);
  EXPECT_EQ(occurrences(index.substr(all, index.find("</table>", all) - all), "<tr"), 1u + 3u);
  EXPECT_NE(index.find("<b>28AL0006 filter 01</b>: delta 0.85 niet groter dan 0.90"),
            std::string::npos);
  EXPECT_NE(index.find("<b>28AL0007 filter 02</b>: alleen filter 01 wordt gemodelleerd"),
            std::string::npos);
  EXPECT_NE(index.find("Ruis sd 14.2 &gt; 1.2 x 10.1 &quot;let op&quot;"), std::string::npos);
  EXPECT_NE(index.find("28AL0006 &amp; 28AL0009"), std::string::npos);
  EXPECT_NE(index.find(">45.3<"), std::string::npos);
  EXPECT_EQ(index.find("<script"), std::string::npos);

  const std::string page = dir.read("rapport/28AL0005.html");
  EXPECT_EQ(unbalancedTags(page, kVoidElements), "");
  EXPECT_NE(page.find("href=\"../rapport.html\""), std::string::npos);
  EXPECT_EQ(occurrences(page, "<svg"), 3u);
  for (const char* name :
       {"gemeten", "model &lt;deterministisch&gt;", "residu", "frequentie", "autocorrelatie"}) {
    EXPECT_NE(page.find(name), std::string::npos) << name;
  }
  for (const char* value : {"0.9712345", "-152.12346", "12.25000", ">45.3<", ">162.0<", ">80.0<",
                            "2001-03-14 t/m 2010-11-28", "Korte reeks: 700 dagen"}) {
    EXPECT_NE(page.find(value), std::string::npos) << value;
  }
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_EQ(page.find("http://"), page.find("http://www.w3.org/2000/svg"))
      << "nothing fetched from the network";

  EXPECT_FALSE(fileExists(dir.file("rapport/28AL0006.html")));
  EXPECT_FALSE(fileExists(dir.file("rapport/28AL0007.html")));
  EXPECT_EQ(dir.read("rapport/aantekeningen.txt"), "van de gebruiker\n");
}

TEST(HtmlReport, ATubeWhoseChartsCannotBeReadStillGetsItsPage) {
  test::TempDir dir;
  writeHtmlReport(threeTubes(), dir.path(), &failingCharts);
  const std::string page = dir.read("rapport/28AL0005.html");
  EXPECT_EQ(unbalancedTags(page, kVoidElements), "");
  EXPECT_NE(page.find("Grafieken niet beschikbaar"), std::string::npos);
  EXPECT_NE(page.find("28AL0005.reg:3: expected a number"), std::string::npos);
  EXPECT_EQ(page.find("<svg"), std::string::npos);
}

// Chromium's log lines that tell of a fault of the page: messages on the
// console (an uncaught exception, a refused resource) come as
// "...:INFO:CONSOLE(...)" or "ERROR:CONSOLE" lines.
std::vector<std::string> consoleLines(const std::string& log) {
  std::vector<std::string> found;
  for (const std::string& line : splitLines(log)) {
    if (line.find(":CONSOLE") != std::string::npos || line.find("Uncaught") != std::string::npos) {
      found.push_back(line);
    }
  }
  return found;
}

TEST(HtmlReport, OpensInHeadlessChromiumWithoutConsoleMessages) {
  if (!fileExists("/usr/bin/chromium")) GTEST_SKIP() << "chromium is not installed";
  test::TempDir dir;
  writeHtmlReport(threeTubes(), dir.path(), &madeUpCharts);
  for (const std::string page : {"rapport.html", "rapport/28AL0005.html"}) {
    SCOPED_TRACE(page);
    const std::string png = dir.file(page.substr(page.find('/') + 1) + ".png");
    const std::string command =
        "timeout 30 /usr/bin/chromium --headless --no-sandbox --disable-gpu "
        "--enable-logging=stderr --v=0 --screenshot='" +
        png + "' --window-size=1200,1600 'file://" + dir.file(page) + "' 2>&1";
    int status = 0;
    const std::string log = commandOutput(command, status);
    EXPECT_EQ(status, 0) << log;
    EXPECT_EQ(consoleLines(log), std::vector<std::string>{});
    ASSERT_TRUE(fileExists(png)) << log;
    const std::string image = readFileText(png);
    EXPECT_EQ(image.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    // A blank 1200 x 1600 page compresses to a few kilobytes; tables and
    // charts take many times that.
    EXPECT_GT(image.size(), 40000u);
  }
}

// --- All three from a working directory -----------------------------------

TEST(WriteReports, WritesTheThreeFilesFromTheModelSelectionLists) {
  test::TempDir dir;
  // A tube with a chosen model whose post-processing has not run, and one
  // without a plausible model; no other files, no coordinates.
  dir.write("modsel.zft", "28AL0005 1s 0.9712345 2.5000000 0. 0.9800000 -152.12346   12.25000\n");
  dir.write("foutbuis.zft", "28AL0006 ft 0.8500000 3.0000000 0. 0.9700000 -100.00000  100.00000\n");
  const DataSetResults results = writeReports(dir.path());
  ASSERT_EQ(results.tubes.size(), 2u);

  const std::vector<std::string> records = crlfRecords(dir.read("overzicht.csv"));
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[1].rfind("28AL0005,", 0), 0u);
  EXPECT_NE(records[1].find(",1s,,0.9712345,2.5000000,0.9800000,-152.12346,12.25000,"),
            std::string::npos)
      << records[1];
  EXPECT_EQ(records[2].rfind("28AL0006,", 0), 0u);

  Dataset ds = openLayerFile(dir.file("overzicht.gpkg"));
  ASSERT_TRUE(ds);
  OGRLayerH layer = GDALDatasetGetLayerByName(ds.get(), "overzicht");
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(OGR_L_GetFeatureCount(layer, TRUE), 2);

  const std::string index = dir.read("rapport.html");
  EXPECT_NE(index.find("28AL0005"), std::string::npos);
  EXPECT_NE(index.find("<b>28AL0006 filter"), std::string::npos);
  // Not modelled yet: no page to link to.
  EXPECT_EQ(index.find("rapport/28AL0005.html"), std::string::npos);
  EXPECT_FALSE(fileExists(dir.file("rapport/28AL0005.html")));
}

// A tube the export describes in three metadata periods, and a filter 02
// in two: one row each in the three files, at the last period's place, the
// earlier periods named in its warnings.
TEST(WriteReports, OneRowPerTubeWhateverItsMetadataPeriods) {
  test::TempDir dir;
  dir.write("modsel.zft", "28AL0005 1s 0.9712345 2.5000000 0. 0.9800000 -152.12346   12.25000\n");
  dir.write("foutbuis.zft", "");
  dir.write(kLocationsFileName,
            "locatie,filter,x,y\n28AL0005,001,211000,452000\n28AL0005,001,,\n"
            "28AL0005,001,211350,452870\n28AL0012,002,213940,451210\n28AL0012,002,213940,451210\n");
  const DataSetResults results = writeReports(dir.path());
  ASSERT_EQ(results.tubes.size(), 2u);
  const TubeResult& moved = results.tubes[0];
  EXPECT_EQ(moved.x, 211350.0);
  EXPECT_EQ(moved.y, 452870.0);
  ASSERT_FALSE(moved.warnings.empty());
  EXPECT_EQ(moved.warnings.back().kind, ResultWarningKind::kMetadataPeriods);
  EXPECT_EQ(moved.warnings.back().text,
            "Meerdere perioden in de metadata (3): de coördinaten zijn die van periode 3 "
            "(x 211350, y 452870); eerder: periode 1 x 211000, y 452000; periode 2 zonder "
            "coördinaten");
  const TubeResult& second = results.tubes[1];
  EXPECT_EQ(second.filter, "002");
  EXPECT_EQ(second.failure, "niet gesimuleerd: alleen filter 01 gaat door naar de simulatie");
  EXPECT_TRUE(hasWarningOf(second, ResultWarningKind::kMetadataPeriods));

  EXPECT_EQ(crlfRecords(dir.read("overzicht.csv")).size(), 3u);
  const std::string index = dir.read("rapport.html");
  const std::size_t all = index.find("<h2>Alle buizen</h2>");
  ASSERT_NE(all, std::string::npos);
  EXPECT_EQ(occurrences(index.substr(all, index.find("</table>", all) - all), "<tr"), 1u + 2u);
  EXPECT_EQ(occurrences(index, "<b>28AL0012 filter 002</b>"), 1u);
  Dataset ds = openLayerFile(dir.file("overzicht.gpkg"));
  ASSERT_TRUE(ds);
  OGRLayerH layer = GDALDatasetGetLayerByName(ds.get(), "overzicht");
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(OGR_L_GetFeatureCount(layer, TRUE), 2);
  Feature a = featureOf(layer, "28AL0005");
  ASSERT_TRUE(a);
  OGRGeometryH point = OGR_F_GetGeometryRef(a.get());
  ASSERT_NE(point, nullptr);
  EXPECT_DOUBLE_EQ(OGR_G_GetX(point, 0), 211350);
}

// No tube reached the selection (a data set of filters 02 only): the lists
// are empty, and the report still names every tube with its reason.
TEST(WriteReports, ADataSetWithoutASimulatedTubeStillGetsItsReport) {
  test::TempDir dir;
  dir.write("modsel.zft", "");
  dir.write("foutbuis.zft", "");
  dir.write(kLocationsFileName, "locatie,filter,x,y\nB33F0080,02,213260,473900\n");
  const DataSetResults results = writeReports(dir.path());
  ASSERT_EQ(results.tubes.size(), 1u);
  EXPECT_EQ(reportWrittenLine(results),
            "Rapport geschreven: rapport.html, overzicht.csv en overzicht.gpkg (1 buizen, 0 met "
            "model).");
  const std::vector<std::string> records = crlfRecords(dir.read("overzicht.csv"));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].rfind("B33F0080,B33F0080,02,213260.00,473900.00,", 0), 0u) << records[1];
  EXPECT_NE(dir.read("rapport.html")
                .find("<b>B33F0080 filter 02</b>: niet gesimuleerd: alleen filter 01 gaat door"),
            std::string::npos);
  EXPECT_TRUE(fileExists(dir.file("overzicht.gpkg")));

  // Without the coordinates of any tube there is nothing to report.
  test::TempDir bare;
  bare.write("modsel.zft", "");
  bare.write("foutbuis.zft", "");
  EXPECT_THROW(writeReports(bare.path()), Error);
}

// A tube of the extended family: its page lists the candidates with their
// BIC, the chosen one marked, and the chosen parameters with their standard
// errors and t95; the index explains every warning that occurs.
TEST(HtmlReport, TheExtendedFamilysChoiceAndTheWarningsExplained) {
  DataSetResults results = threeTubes();
  TubeResult& a = results.tubes[0];
  a.label = "gf";
  a.choice.extended = true;
  a.choice.candidates = {{"1s", 1510.25, 5, 247, true, ""},
                         {"2s", 1508.0, 5, 247, false, "c 3.10 >= 0.00"},
                         {"ef", 1499.1, 6, 247, true, ""},
                         {"gf", 1490.4, 7, 247, true, ""}};
  a.choice.chosen = "gf";
  a.choice.bic = 1490.4;
  a.choice.filter = "01";
  a.choice.parameters = {{"A", 120.5, 4.25}, {"n", 1.8, std::nullopt}, {"phi", 0.9512, 0.0031}};
  a.choice.t95 = 74.94;
  a.fitInEquilibrium = true;  // the only tube with a fit
  test::TempDir dir;
  writeHtmlReport(results, dir.path(), &madeUpCharts);
  const std::string page = dir.read("rapport/28AL0005.html");
  EXPECT_EQ(unbalancedTags(page, kVoidElements), "");
  EXPECT_NE(page.find("<td>gf (gekozen)</td><td class=\"n\">1490.40</td>"), std::string::npos);
  EXPECT_NE(page.find("<td>c 3.10 &gt;= 0.00</td>"), std::string::npos);
  EXPECT_NE(page.find("<th>A</th><td class=\"n\">120.5</td><td class=\"n\">4.25</td>"),
            std::string::npos);
  EXPECT_NE(page.find("<th>n</th><td class=\"n\">1.8</td><td class=\"n\">-</td>"),
            std::string::npos);
  EXPECT_NE(page.find("<th>phi</th><td class=\"n\">0.9512</td><td class=\"n\">0.0031</td>"),
            std::string::npos);
  EXPECT_NE(page.find("<th>t95</th><td class=\"n\">74.9</td>"), std::string::npos);
  // Each warning with its meaning.
  EXPECT_NE(page.find(warningMeaning(ResultWarningKind::kShortSeries)), std::string::npos);
  EXPECT_NE(page.find("deterministische model in evenwicht"), std::string::npos);
  const std::string index = dir.read("rapport.html");
  EXPECT_NE(index.find("deterministische model in evenwicht"), std::string::npos);
  EXPECT_EQ(index.find("een filterdoorgang zonder bijwerken"), std::string::npos);
  EXPECT_NE(index.find("<h2>Waarschuwingen: wat ze betekenen</h2>"), std::string::npos);
  for (ResultWarningKind kind : {ResultWarningKind::kShortSeries,
                                 ResultWarningKind::kNoiseDominates, ResultWarningKind::kNoModel}) {
    EXPECT_NE(index.find(markupEscaped(warningMeaning(kind))), std::string::npos);
  }
  EXPECT_EQ(index.find(warningMeaning(ResultWarningKind::kResidualTrend)), std::string::npos);
}

// A model with components: the page names each with its parameters and
// standard errors and its contributions, and says in one sentence for which
// situation the GxG hold; the index explains the columns. A standard
// directory's index has neither.
TEST(HtmlReport, TheComponentsAndTheSituationTheGxgHoldFor) {
  test::TempDir dir;
  writeHtmlReport(extendedTubes(), dir.path(), &madeUpCharts);
  const std::string page = dir.read("rapport/28AL0005.html");
  EXPECT_EQ(unbalancedTags(page, kVoidElements), "");
  EXPECT_NE(page.find("<h2>Model gftx</h2>"), std::string::npos);
  EXPECT_NE(page.find("<tr><th>trend</th><td>helling 10.70 \xC2\xB1 0.31 cm/jaar van 1990-01-14 "
                      "tot 2010-12-28 (verandering 235.2 cm)</td><td class=\"n\">235.2</td>"
                      "<td class=\"n\">118.4</td><td class=\"n\">235.2</td>"
                      "<td>cm, positief omhoog</td></tr>"),
            std::string::npos);
  EXPECT_NE(page.find("<tr><th>stress</th><td>versterking -0.0213 \xC2\xB1 0.0011 cm per eenheid "
                      "van de stressreeks, respons n 1.00, a 118 dagen, t95 353 dagen</td>"
                      "<td class=\"n\">-3.1</td><td class=\"n\">-25.0</td>"
                      "<td class=\"n\">-3.1</td>"),
            std::string::npos);
  EXPECT_NE(page.find("<p class=\"note\">De gesimuleerde GHG, GLG en GVG gelden voor de situatie "
                      "aan het eind van de metingen, met de trend en de stressreeks zoals die toen "
                      "stonden (samen 232.1 cm hoger dan zonder).</p>"),
            std::string::npos);
  const std::string index = dir.read("rapport.html");
  EXPECT_NE(index.find("<p>Componenten (Model: uitgebreid):"), std::string::npos);
  EXPECT_NE(index.find("<th>Componenten</th>"), std::string::npos);
  EXPECT_NE(index.find("<td>trend; stress</td>"), std::string::npos);
  // The other tubes' pages have no components and no sentence.
  DataSetResults standard = threeTubes();
  test::TempDir other;
  writeHtmlReport(standard, other.path(), &madeUpCharts);
  EXPECT_EQ(other.read("rapport.html").find("Componenten"), std::string::npos);
  EXPECT_EQ(other.read("rapport/28AL0005.html").find("gelden voor"), std::string::npos);
}

// --- The table `run` prints -------------------------------------------------

TEST(ResultsTable, OneAlignedLinePerTubeAfterTheHeader) {
  const std::vector<std::string> lines = resultsTable(threeTubes());
  ASSERT_EQ(lines.size(), 4u);
  const std::string& header = lines[0];
  EXPECT_EQ(header.rfind("buis", 0), 0u);
  EXPECT_NE(header.find("GHG cm-mv"), std::string::npos);

  EXPECT_EQ(lines[1].rfind("28AL0005 01", 0), 0u);
  EXPECT_EQ(lines[2].rfind("28AL0006 01", 0), 0u);
  EXPECT_EQ(lines[3].rfind("28AL0007 02", 0), 0u);
  // Each level right-aligned under the end of its heading.
  const std::size_t ghgEnd = header.find("GHG cm-mv") + 9;
  const std::size_t glgEnd = header.find("GLG cm-mv") + 9;
  EXPECT_EQ(lines[1].find("45.3") + 4, ghgEnd);
  EXPECT_EQ(lines[1].find("162.0") + 5, glgEnd);
  EXPECT_EQ(lines[2].substr(ghgEnd - 1, 1), "-");
  EXPECT_NE(lines[1].find("1s"), std::string::npos);
  EXPECT_NE(lines[1].find("korte reeks, ruis"), std::string::npos);
  EXPECT_NE(lines[2].find("ft"), std::string::npos);
  EXPECT_NE(lines[2].find("geen model"), std::string::npos);
  EXPECT_NE(lines[3].find("geen model"), std::string::npos);
}

// --- Writing where the files say -------------------------------------------

// Whatever stands at a path of the report that is no regular file (a link
// to a file or folder elsewhere) is refused, and what it points at stays as
// it was; a file that is there is replaced by a new one, so that a second
// name of the old one (a hard link) keeps the old text.
TEST(WriteReports, RefusesLinksAndReplacesFilesInsteadOfWritingIntoThem) {
  namespace fs = std::filesystem;
  test::TempDir outside;
  outside.write("doel.txt", "niet aanraken\n");
  fs::create_directory(outside.file("map"));
  test::TempDir dir;
  dir.write("modsel.zft", "28AL0005 1s 0.9712345 2.5000000 0. 0.9800000 -152.12346   12.25000\n");
  auto refused = [&] {
    try {
      writeReports(dir.path());
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return std::string("niet geweigerd");
  };
  for (const char* name : {"overzicht.csv", "overzicht.gpkg", "rapport.html"}) {
    fs::create_symlink(outside.file("doel.txt"), dir.file(name));
    const std::string why = refused();
    EXPECT_NE(why.find(dir.file(name) + ": staat er als een symbolische koppeling"),
              std::string::npos)
        << name << ": " << why;
    EXPECT_EQ(outside.read("doel.txt"), "niet aanraken\n") << name;
    EXPECT_TRUE(fs::is_symlink(dir.file(name))) << name;
    fs::remove(dir.file(name));
  }
  fs::remove_all(dir.file("rapport"));  // made by the run that refused rapport.html
  fs::create_symlink(outside.file("map"), dir.file("rapport"));
  EXPECT_NE(refused().find("rapport: staat er als een symbolische koppeling"), std::string::npos);
  fs::remove(dir.file("rapport"));
  EXPECT_TRUE(fs::is_empty(outside.file("map")));

  // A page of a modelled tube.
  fs::create_directory(dir.file("rapport"));
  fs::create_symlink(outside.file("doel.txt"), dir.file("rapport/28AL0005.html"));
  EXPECT_THROW(writeHtmlReport(threeTubes(), dir.path(), &madeUpCharts), Error);
  EXPECT_EQ(outside.read("doel.txt"), "niet aanraken\n");
  fs::remove(dir.file("rapport/28AL0005.html"));

  // Replaced, not written into.
  fs::remove(dir.file("overzicht.csv"));  // written by the runs that refused the others
  fs::create_hard_link(outside.file("doel.txt"), dir.file("overzicht.csv"));
  writeReports(dir.path());
  EXPECT_EQ(outside.read("doel.txt"), "niet aanraken\n");
  EXPECT_EQ(dir.read("overzicht.csv").rfind("buis,", 0), 0u);
  // Nothing of the writing left behind.
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
  }
  for (const auto& entry : fs::directory_iterator(dir.file("rapport"))) {
    EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
  }
}

}  // namespace
}  // namespace phreatix
