#include "settings/field_checks.h"

#include <gtest/gtest.h>

namespace phreatix {
namespace {

const std::string kOutside = "ingevoerd getal ligt buiten toegestaan domein";

TEST(FieldChecks, DomainTextShowsTwoDecimalsWithoutBlanks) {
  struct Case {
    double lo, hi;
    const char* text;
  };
  const Case cases[] = {
      {50, 2000, "[50.00;2000.00]"},
      {0.000001, 0.01, "[0.00;0.01]"},
      {1948, 2020, "[1948.00;2020.00]"},
      {-2.5, 123456.789, "[-2.50;123456.79]"},
  };
  for (const Case& c : cases) EXPECT_EQ(domainText(c.lo, c.hi), c.text);
}

TEST(FieldChecks, ExitChecksOfEveryField) {
  struct Case {
    const char* field;
    const char* typed;
    const char* text;     // the field afterwards
    std::string message;  // empty when accepted
  };
  const Case cases[] = {
      {"edtPHIMIN", "0.95", "0.95", ""},
      {"edtPHIMIN", "1.5", "0.50", kOutside + "[0.00;1.00]"},
      {"edtPHIMIN", "1", "1", ""},  // bounds are inclusive
      {"edtPHIMIN", "abc", "0.50", "geen getal ingevoerd"},
      {"edtPHIMIN", "0,5", "0.5", ""},  // a decimal comma means the point
      {"edtMAXITER", "veel", "500", "geen (geheel) getal ingevoerd"},
      {"edtMAXITER", "20", "500", kOutside + "[50.00;2000.00]"},
      {"edtMAXITER", "50.5", "500", "geen (geheel) getal ingevoerd"},
      {"edtMAXITER", "2001", "500", kOutside + "[50.00;2000.00]"},
      {"edtCLOSURE", "0.00000001", "0.0001", kOutside + "[0.00;0.01]"},
      {"edtCLOSURE", "0.01", "0.01", ""},
      {"edtCLOSURE", "1e-3", "1e-3", ""},
      {"edtCLOSURE", "0.0100001", "0.0001", kOutside + "[0.00;0.01]"},
      {"edtDELTAMIN", "-0.1", "0.90", kOutside + "[0.00;1.00]"},
      {"edtCMAX", "2", "0", kOutside + "[0.00;1.00]"},
      {"edtOMEGAMIN", "5.01", "1", kOutside + "[0.00;5.00]"},
      {"edtSTARTJAAR", "1947", "1970", kOutside + "[1948.00;2047.00]"},
      {"edtSTARTJAAR", "2047", "2047", ""},
      {"edtSTARTJAAR", "2048", "1970", kOutside + "[1948.00;2047.00]"},
      {"edtEINDJAAR", "1976", "1999", kOutside + "[1977.00;2047.00]"},
      {"edtEINDJAAR", "2024", "2024", ""},
      {"edtWARMUP", "730.5", "730.5", ""},
      {"edtWARMUP", "2000.4", "731", kOutside + "[0.00;2000.00]"},
      {"edtREALISATIES", "19", "100", kOutside + "[20.00;100.00]"},
      {"edtREALISATIES", "50.5", "100", "geen (geheel) getal ingevoerd"},
      {"edtT95MIN", "0.5", "10", kOutside + "[1.00;36500.00]"},
      {"edtT95MIN", "1", "1", ""},
      {"edtT95MIN", "12,5", "12.5", ""},
      {"edtT95MAX", "36500", "36500", ""},
      {"edtT95MAX", "36500.1", "3650", kOutside + "[1.00;36500.00]"},
      {"edtT95MAX", "lang", "3650", "geen getal ingevoerd"},
  };
  for (const Case& c : cases) {
    const DetailField* field = findDetailField(c.field);
    ASSERT_NE(field, nullptr) << c.field;
    FieldResult r = checkDetailField(*field, c.typed);
    EXPECT_EQ(r.text, c.text) << c.field << " " << c.typed;
    EXPECT_EQ(r.message, c.message) << c.field << " " << c.typed;
    EXPECT_EQ(r.accepted(), c.message.empty());
  }

  EXPECT_EQ(checkMaxIterField("veel").message, "geen (geheel) getal ingevoerd");
  EXPECT_EQ(checkMaxIterField("20").message, kOutside + "[50.00;2000.00]");
  EXPECT_EQ(checkMaxIterField("75").text, "75");
  FieldResult r = checkField("7", 0, 5, "1");
  EXPECT_EQ(r.text, "1");
  EXPECT_EQ(r.message, kOutside + "[0.00;5.00]");
}

TEST(FieldChecks, FormDefaultsPassTheirOwnChecks) {
  for (const DetailField& field : detailFields()) {
    EXPECT_EQ(findDetailField(field.name), &field);
    EXPECT_TRUE(checkDetailField(field, field.formDefault).accepted()) << field.name;
    EXPECT_TRUE(checkDetailField(field, field.putBack).accepted()) << field.name;
  }
  EXPECT_EQ(findDetailField("edtNIETS"), nullptr);
  EXPECT_STREQ(findDetailField("edtPHIMIN")->formDefault, "0.5");
  EXPECT_STREQ(findDetailField("edtPHIMIN")->putBack, "0.50");
}

TEST(FieldChecks, LeavingIterationsOrClosureSetsThemAtOnce) {
  const DetailField& iterations = *findDetailField("edtMAXITER");
  const DetailField& closure = *findDetailField("edtCLOSURE");
  SessionSettings s;
  s.MAXITER = 800;
  leaveField(iterations, "veel", s);
  EXPECT_EQ(s.MAXITER, 800);  // not an integer: the setting keeps its value
  leaveField(iterations, "20", s);
  EXPECT_EQ(s.MAXITER, 500);  // refused: the restored 500
  leaveField(iterations, "1200", s);
  EXPECT_EQ(s.MAXITER, 1200);

  leaveField(closure, "0.001", s);
  EXPECT_EQ(s.closure, " 0.001");
  leaveField(closure, "0.5", s);
  EXPECT_EQ(s.closure, " 0.0001");

  // The other fields wait for "Instellingen OK".
  SessionSettings before = s;
  leaveField(*findDetailField("edtDELTAMIN"), "0.95", s);
  leaveField(*findDetailField("edtSTARTJAAR"), "1980", s);
  EXPECT_EQ(s.DELTAMIN, before.DELTAMIN);
  EXPECT_EQ(s.startYear, before.startYear);
  EXPECT_EQ(s.MAXITER, 1200);
}

TEST(FieldChecks, PeriodLabelCountsYearsInclusive) {
  EXPECT_EQ(periodLabel(1970, 1999), "Simulatieperiode (30 jaar)");
  EXPECT_EQ(periodLabel(2000, 2000), "Simulatieperiode (1 jaar)");
  // An end year before the start year passes both field checks.
  ASSERT_TRUE(checkDetailField(*findDetailField("edtSTARTJAAR"), "2000").accepted());
  ASSERT_TRUE(checkDetailField(*findDetailField("edtEINDJAAR"), "1999").accepted());
  EXPECT_EQ(periodLabel(2000, 1999), "Simulatieperiode (0 jaar)");
  EXPECT_EQ(periodLabel(2000, 1990), "Simulatieperiode (-9 jaar)");
}

TEST(FieldChecks, InstellingenOkStoresEverySetting) {
  SessionSettings s;
  ASSERT_TRUE(applyDetailSettings(DetailFields{}, s));
  EXPECT_EQ(s.MAXITER, 500);
  EXPECT_EQ(s.closure, " 0.0001");
  EXPECT_DOUBLE_EQ(s.DELTAMIN, 0.9);
  EXPECT_DOUBLE_EQ(s.PHIMIN, 0.5);
  EXPECT_DOUBLE_EQ(s.CMAX, 0);
  EXPECT_DOUBLE_EQ(s.OMEGAMIN, 1);
  EXPECT_EQ(s.startYear, 1970);
  EXPECT_EQ(s.numberOfYears, 30);
  EXPECT_EQ(s.warmUpDays, 731);
  EXPECT_EQ(s.realisations, "100");
  EXPECT_TRUE(s.traceWithUpdating);
  EXPECT_EQ(s.t95Min, 10);
  EXPECT_EQ(s.t95Max, 3650);
  EXPECT_EQ(s.model, ModelFamily::kStandaard);
  EXPECT_EQ(s.situation, Situation::kEinde);

  DetailFields f;
  f.maxIter = "1200";
  f.closure = "0.005";
  f.omegaMin = "4.5";
  f.startYear = "2000";
  f.endYear = "1990";
  f.realisations = "50";
  f.trace = "zonder";
  f.situation = "geen";
  ASSERT_TRUE(applyDetailSettings(f, s));
  EXPECT_EQ(s.MAXITER, 1200);
  EXPECT_EQ(s.closure, " 0.005");
  EXPECT_DOUBLE_EQ(s.OMEGAMIN, 4.5);
  EXPECT_EQ(s.startYear, 2000);
  EXPECT_EQ(s.numberOfYears, -9);
  EXPECT_EQ(s.realisations, "50");
  EXPECT_FALSE(s.traceWithUpdating);
  EXPECT_EQ(s.situation, Situation::kGeen);

  // Warm-up rounded to the nearest day, halves to the even one.
  struct Case {
    const char* warmUp;
    int days;
  };
  const Case cases[] = {{"730.5", 730}, {"731.5", 732}, {"10.49", 10}, {"10.51", 11}, {"0", 0}};
  for (const Case& c : cases) {
    DetailFields w;
    w.warmUp = c.warmUp;
    ASSERT_TRUE(applyDetailSettings(w, s)) << c.warmUp;
    EXPECT_EQ(s.warmUpDays, c.days) << c.warmUp;
  }

  // A field that does not read as its number stores nothing.
  DetailFields bad[6];
  bad[0].maxIter = "veel";
  bad[1].closure = "klein";
  bad[2].startYear = "1970.5";
  bad[3].realisations = "50.5";
  bad[4].warmUp = "1e30";
  bad[5].t95Max = "lang";
  for (const DetailFields& b : bad) {
    SessionSettings kept;
    kept.MAXITER = 777;
    kept.startYear = 1985;
    kept.warmUpDays = 5;
    EXPECT_FALSE(applyDetailSettings(b, kept));
    EXPECT_EQ(kept.MAXITER, 777);
    EXPECT_EQ(kept.startYear, 1985);
    EXPECT_EQ(kept.warmUpDays, 5);
    EXPECT_EQ(kept.closure, " 0.0001");
    EXPECT_EQ(kept.numberOfYears, 0);
  }
}

}  // namespace
}  // namespace phreatix

namespace phreatix {
namespace {

// A Dutch user types a decimal comma; the field takes the point it means,
// and only then judges the domain. Integer fields and texts with a point or
// several commas are left as they are.
TEST(FieldChecks, DecimalCommaAndThePeriodOrder) {
  struct Case {
    const char* field;
    const char* typed;
    const char* text;
    bool accepted;
  };
  for (const Case& c : std::vector<Case>{{"edtDELTAMIN", "0,95", "0.95", true},
                                         {"edtCLOSURE", "0,001", "0.001", true},
                                         {"edtWARMUP", "730,5", "730.5", true},
                                         {"edtOMEGAMIN", "5,5", "1", false},
                                         {"edtPHIMIN", "0,5,1", "0.50", false},
                                         {"edtPHIMIN", "0.5,1", "0.50", false},
                                         {"edtMAXITER", "5,0", "500", false}}) {
    const FieldResult r = checkDetailField(*findDetailField(c.field), c.typed);
    EXPECT_EQ(r.text, c.text) << c.field << " " << c.typed;
    EXPECT_EQ(r.accepted(), c.accepted) << c.field << " " << c.typed;
  }
  DetailFields fields;
  fields.deltaMin = "0,95";
  fields.closure = "0,001";
  SessionSettings settings;
  ASSERT_TRUE(applyDetailSettings(fields, settings));
  EXPECT_EQ(settings.DELTAMIN, 0.95);
  EXPECT_EQ(settings.closure, " 0.001");

  EXPECT_EQ(checkPeriodOrder("1990", "1989"), "Eindjaar ligt voor het startjaar");
  EXPECT_EQ(checkPeriodOrder("1990", "1990"), "");
  EXPECT_EQ(checkPeriodOrder("1990", "19x"), "");

  // The greatest response time must lie above the least; equal bounds admit
  // nothing either.
  EXPECT_EQ(checkResponseTimeOrder("10", "3650"), "");
  EXPECT_EQ(checkResponseTimeOrder("10", "9,5"), "Responstijd t95 max ligt niet boven t95 min");
  EXPECT_EQ(checkResponseTimeOrder("20", "20"), "Responstijd t95 max ligt niet boven t95 min");
  EXPECT_EQ(checkResponseTimeOrder("20,5", "20.6"), "");
  EXPECT_EQ(checkResponseTimeOrder("veel", "5"), "");
}

}  // namespace
}  // namespace phreatix
