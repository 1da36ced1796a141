// The overview as a map layer: a GeoPackage written through GDAL/OGR, one
// point per tube in RD New (EPSG:28992), the attributes of the CSV typed, the
// CSV's titles (unit included) as their alternative names where the GDAL in
// use stores those.
//
// A GeoPackage records when its layer last changed. GDAL takes that moment
// from OGR_CURRENT_DATE when it is set, so the file is written with a fixed
// one: the same results then give the same bytes, and a rerun of the report
// does not show up as a changed file.
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include "error.h"
#include "platform/files.h"
#include "results/report_columns.h"
#include "results/report_files.h"

namespace phreatix {

namespace {

constexpr const char* kLayerName = "overzicht";
constexpr int kRdNewEpsg = 28992;
constexpr const char* kFixedLayerDate = "2000-01-01T00:00:00.000Z";

void registerGdalOnce() {
  static std::once_flag once;
  std::call_once(once, [] { GDALAllRegister(); });
}

// A thread-local GDAL setting for the lifetime of the object; the previous
// value comes back afterwards, so nothing else in the process sees it.
class ScopedConfigOption {
 public:
  ScopedConfigOption(const char* key, const char* value) : key_(key) {
    if (const char* old = CPLGetThreadLocalConfigOption(key, nullptr)) {
      old_ = old;
      hadOld_ = true;
    }
    CPLSetThreadLocalConfigOption(key, value);
  }
  ~ScopedConfigOption() { CPLSetThreadLocalConfigOption(key_, hadOld_ ? old_.c_str() : nullptr); }
  ScopedConfigOption(const ScopedConfigOption&) = delete;
  ScopedConfigOption& operator=(const ScopedConfigOption&) = delete;

 private:
  const char* key_;
  std::string old_;
  bool hadOld_ = false;
};

// GDAL reports its errors through a handler that prints them; while the
// layer is written they are kept quiet and turned into our I/O error instead.
class QuietGdalErrors {
 public:
  QuietGdalErrors() {
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErrorReset();
  }
  ~QuietGdalErrors() { CPLPopErrorHandler(); }
  QuietGdalErrors(const QuietGdalErrors&) = delete;
  QuietGdalErrors& operator=(const QuietGdalErrors&) = delete;
};

[[noreturn]] void refuseLayer(const std::string& path, const std::string& what) {
  std::string message = what;
  const std::string gdal = CPLGetLastErrorMsg();
  if (!gdal.empty()) message += " (" + gdal + ")";
  refuseFile(path, message, ErrorKind::kIo);
}

struct DatasetCloser {
  void operator()(void* ds) const { GDALClose(ds); }
};
struct SrsReleaser {
  void operator()(void* srs) const { OSRRelease(srs); }
};
struct FeatureDestroyer {
  void operator()(void* f) const { OGR_F_Destroy(f); }
};
using Dataset = std::unique_ptr<void, DatasetCloser>;
using Srs = std::unique_ptr<void, SrsReleaser>;
using Feature = std::unique_ptr<void, FeatureDestroyer>;

OGRFieldType fieldType(OverviewColumn::Type type) {
  switch (type) {
    case OverviewColumn::Type::kText:
      return OFTString;
    case OverviewColumn::Type::kReal:
      return OFTReal;
    case OverviewColumn::Type::kInteger:
      return OFTInteger;
  }
  return OFTString;
}

void addFields(OGRLayerH layer, bool extendedFamily, const std::string& path) {
  for (const OverviewColumn& column : overviewColumns(extendedFamily)) {
    OGRFieldDefnH field = OGR_Fld_Create(column.name, fieldType(column.type));
    OGR_Fld_SetAlternativeName(field, columnTitle(column).c_str());
    const OGRErr err = OGR_L_CreateField(layer, field, TRUE);
    OGR_Fld_Destroy(field);
    if (err != OGRERR_NONE)
      refuseLayer(path, std::string("veld ") + column.name + " niet toe te voegen");
  }
}

void addTube(OGRLayerH layer, const TubeResult& tube, bool extendedFamily,
             const std::string& path) {
  const std::vector<OverviewColumn>& columns = overviewColumns(extendedFamily);
  const std::vector<OverviewValue> values = overviewValues(tube, extendedFamily);
  Feature feature(OGR_F_Create(OGR_L_GetLayerDefn(layer)));
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const int index = static_cast<int>(i);
    const OverviewValue& value = values[i];
    if (!value.known) {
      OGR_F_SetFieldNull(feature.get(), index);
      continue;
    }
    switch (columns[i].type) {
      case OverviewColumn::Type::kText:
        OGR_F_SetFieldString(feature.get(), index, value.text.c_str());
        break;
      case OverviewColumn::Type::kReal:
        OGR_F_SetFieldDouble(feature.get(), index, value.number);
        break;
      case OverviewColumn::Type::kInteger:
        OGR_F_SetFieldInteger(feature.get(), index, static_cast<int>(value.number));
        break;
    }
  }
  if (tube.x && tube.y && std::isfinite(*tube.x) && std::isfinite(*tube.y)) {
    OGRGeometryH point = OGR_G_CreateGeometry(wkbPoint);
    OGR_G_SetPoint_2D(point, 0, *tube.x, *tube.y);
    OGR_F_SetGeometryDirectly(feature.get(), point);
  }
  if (OGR_L_CreateFeature(layer, feature.get()) != OGRERR_NONE) {
    refuseLayer(path, "buis " + tube.stem + " niet te schrijven");
  }
}

}  // namespace

void writeOverviewLayer(const DataSetResults& results, const std::string& path) {
  registerGdalOnce();
  ScopedConfigOption fixedDate("OGR_CURRENT_DATE", kFixedLayerDate);
  QuietGdalErrors quiet;

  GDALDriverH driver = GDALGetDriverByName("GPKG");
  if (driver == nullptr) refuseLayer(path, "GDAL heeft geen GeoPackage-driver");
  // A GeoPackage is a database that GDAL would open rather than replace:
  // it is made new beside the old one and renamed over it when complete.
  StagedFile staged(path);
  Dataset ds(GDALCreate(driver, staged.path().c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  if (!ds) refuseLayer(path, "GeoPackage niet te maken");

  Srs srs(OSRNewSpatialReference(nullptr));
  if (OSRImportFromEPSG(srs.get(), kRdNewEpsg) != OGRERR_NONE) {
    refuseLayer(path, "GDAL kent EPSG:28992 (RD New) niet");
  }
  // x east, y north, as the coordinates come, whatever order the EPSG
  // definition gives the axes.
  OSRSetAxisMappingStrategy(srs.get(), OAMS_TRADITIONAL_GIS_ORDER);
  OGRLayerH layer = GDALDatasetCreateLayer(ds.get(), kLayerName, srs.get(), wkbPoint, nullptr);
  if (layer == nullptr) refuseLayer(path, "laag overzicht niet te maken");
  addFields(layer, results.extendedFamily, path);

  // One transaction: thousands of tubes, one commit.
  if (GDALDatasetStartTransaction(ds.get(), FALSE) != OGRERR_NONE) {
    refuseLayer(path, "schrijven van de buizen niet te beginnen");
  }
  for (const TubeResult& tube : results.tubes) addTube(layer, tube, results.extendedFamily, path);
  if (GDALDatasetCommitTransaction(ds.get()) != OGRERR_NONE) {
    refuseLayer(path, "buizen niet te schrijven");
  }
  CPLErrorReset();
  ds.reset();
  if (CPLGetLastErrorType() >= CE_Failure) refuseLayer(path, "GeoPackage niet te sluiten");
  staged.commit();
}

}  // namespace phreatix
