// The files the pipeline writes for the results: S.fit, S.gzj and the
// extended lines of S.sel, read back as their writer lays them out, and
// refused with the file and line named where a field is missing.
#include "files/tube_extras.h"

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "error.h"

namespace phreatix {
namespace {

std::string errorOf(void (*read)()) {
  try {
    read();
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

TEST(FitFile, DaysInOrderUnderItsHeadLine) {
  std::string text = "# fit in evenwicht: model gf, meteo vanaf 01-01-1960\n";
  for (int m = 1; m <= 3; ++m) {
    char line[40];
    std::snprintf(line, sizeof line, "%6d %10.3f\n", m, -100.0 - m / 8.0);
    text += line;
  }
  const EquilibriumFit fit = readFitText("S.fit", text);
  EXPECT_EQ(fit.label, "gf");
  ASSERT_EQ(fit.level.size(), 4u);
  EXPECT_EQ(fit.level[1], -100.125);
  EXPECT_EQ(fit.level[3], -100.375);

  EXPECT_EQ(errorOf([] {
              readFitText("S.fit", "# x\n     1   -1.0\n     3   -1.0\n");
            }).rfind("S.fit:3:", 0),
            0u);
  EXPECT_EQ(errorOf([] { readFitText("S.fit", "     1   -1.0 5\n"); }).rfind("S.fit:1:", 0), 0u);
  EXPECT_EQ(errorOf([] { readFitText("S.fit", "     1   x\n"); }).rfind("S.fit:1:", 0), 0u);
}

TEST(SameYearsFile, YearsAndTheThreeCharacteristics) {
  const SameYearsGxg g = readSameYearsText(
      "S.gzj",
      "# GxG over de meetjaren, gesimuleerd met model 2s, 100 realisaties (cm-mv)\n"
      "jaren 1986 1987 1988\nghg 170.12\nglg 280.93\ngvg 188.80\n");
  EXPECT_EQ(g.label, "2s");
  EXPECT_EQ(g.years, (std::vector<int>{1986, 1987, 1988}));
  EXPECT_EQ(g.ghg, 170.12);
  EXPECT_EQ(g.glg, 280.93);
  EXPECT_EQ(g.gvg, 188.80);

  EXPECT_NE(errorOf([] { readSameYearsText("S.gzj", "jaren 1986\nghg 1\nglg 2\n"); }).find("gvg"),
            std::string::npos);
  EXPECT_EQ(errorOf([] { readSameYearsText("S.gzj", "jaren 1986 x\n"); }).rfind("S.gzj:1:", 0), 0u);
}

TEST(ModelChoiceLines, CandidatesChoiceParametersAndT95) {
  const ModelChoice choice = readModelChoiceText(
      "S.sel",
      "28AL0005 gf 120.00000 1.8000000 25.0000000 0.8500000 0.9500000 -104.77683    5.09914\n"
      "kandidaat 1s bic 1510.25 k 5 n 247 plausibel ja\n"
      "kandidaat 2s bic 1508.00 k 5 n 247 plausibel nee reden c 3.10 >= 0.00 (moet < 0)\n"
      "kandidaat ef bic 1499.10 k 6 n 247 plausibel ja\n"
      "kandidaat gf bic - k 7 n 0 plausibel nee reden calibratie mislukt\n"
      "gekozen ef bic 1499.10 filter 01\n"
      "parameter A 120 4.5\n"
      "parameter a 25 -\n"
      "parameter f 0.85 0.02\n"
      "t95 74.9\n");
  EXPECT_TRUE(choice.extended);
  ASSERT_EQ(choice.candidates.size(), 4u);
  EXPECT_EQ(choice.candidates[0].label, "1s");
  EXPECT_EQ(choice.candidates[0].bic, 1510.25);
  EXPECT_EQ(choice.candidates[0].k, 5);
  EXPECT_EQ(choice.candidates[0].n, 247);
  EXPECT_TRUE(choice.candidates[0].plausible);
  EXPECT_EQ(choice.candidates[1].reason, "c 3.10 >= 0.00 (moet < 0)");
  EXPECT_FALSE(choice.candidates[3].bic);
  EXPECT_FALSE(choice.candidates[3].plausible);
  EXPECT_EQ(choice.chosen, "ef");
  EXPECT_EQ(choice.bic, 1499.10);
  EXPECT_EQ(choice.filter, "01");
  ASSERT_EQ(choice.parameters.size(), 3u);
  EXPECT_EQ(choice.parameter("A")->standardError, 4.5);
  EXPECT_FALSE(choice.parameter("a")->standardError);
  EXPECT_EQ(choice.parameter("phi"), nullptr);
  EXPECT_EQ(choice.t95, 74.9);

  // The standard family's S.sel, and the text of a tube without a model.
  EXPECT_FALSE(readModelChoiceText("S.sel", "28AL0005 2s 0.93 4.2 0. 0.96 -104.7 5.1\n").extended);
  EXPECT_FALSE(
      readModelChoiceText("S.sel", "Deze buis is niet succesvol gecalibreerd.\n").extended);

  EXPECT_EQ(
      errorOf([] { readModelChoiceText("S.sel", "x\ngekozen ef bic 1.0\n"); }).rfind("S.sel:2:", 0),
      0u);
  EXPECT_EQ(errorOf([] {
              readModelChoiceText("S.sel", "kandidaat 1s bic 1 k 5 n 2\n");
            }).rfind("S.sel:1:", 0),
            0u);
  EXPECT_EQ(errorOf([] { readModelChoiceText("S.sel", "parameter A x -\n"); }).rfind("S.sel:1:", 0),
            0u);
}

// The component lines of a chosen model with components, as the selection
// writes them after t95; a damaged one is refused naming the line.
TEST(ModelChoiceLines, ComponentsWithTheirParametersAndStandardErrors) {
  const ModelChoice choice = readModelChoiceText(
      "B33F0133.sel",
      "gekozen gftpx bic 4321.00 filter 01\n"
      "parameter A 120 4.5\n"
      "t95 74.9\n"
      "component trend van 1990-01-14 tot 2010-12-28 helling 10.7 0.31 cm/jaar verandering "
      "235.2 cm\n"
      "component stap op 2005-07-14 sprong 45.2 - cm\n"
      "component stress versterking -0.0213 0.0011 n 1 a 118 t95 353.4\n"
      "component trend van - tot - helling -2.5 - cm/jaar verandering -20.0 cm\n"
      "component stap op 2009-03-01 sprong -60 4.2 cm uitdoving 440.2 dagen gegeven\n"
      "component trend van 1995-01-01 tot 2001-01-01 helling 3 1 cm/jaar verandering 18.0 cm "
      "gegeven\n");
  ASSERT_EQ(choice.components.size(), 6u);
  EXPECT_EQ(choice.components[4].fade, 440.2);
  EXPECT_TRUE(choice.components[4].given);
  EXPECT_EQ(choice.components[4].value, -60);
  EXPECT_TRUE(choice.components[5].given);
  EXPECT_EQ(choice.components[5].change, 18.0);
  EXPECT_FALSE(choice.components[0].given);
  EXPECT_EQ(choice.components[1].fade, 0);
  const ChosenComponent& trend = choice.components[0];
  EXPECT_EQ(trend.kind, ComponentKind::kTrend);
  EXPECT_EQ(trend.from, (CalendarDate{1990, 1, 14}));
  EXPECT_EQ(trend.to, (CalendarDate{2010, 12, 28}));
  EXPECT_EQ(trend.value, 10.7);
  EXPECT_EQ(trend.standardError, 0.31);
  EXPECT_EQ(trend.change, 235.2);
  const ChosenComponent& step = choice.components[1];
  EXPECT_EQ(step.kind, ComponentKind::kStep);
  EXPECT_EQ(step.from, (CalendarDate{2005, 7, 14}));
  EXPECT_EQ(step.value, 45.2);
  EXPECT_FALSE(step.standardError);
  const ChosenComponent& stress = choice.components[2];
  EXPECT_EQ(stress.kind, ComponentKind::kStress);
  EXPECT_EQ(stress.value, -0.0213);
  EXPECT_EQ(stress.standardError, 0.0011);
  EXPECT_EQ(stress.n, 1);
  EXPECT_EQ(stress.a, 118);
  EXPECT_EQ(stress.t95, 353.4);
  // A selection without the weather's dates writes "-".
  EXPECT_FALSE(choice.components[3].from);
  EXPECT_FALSE(choice.components[3].to);
  EXPECT_EQ(choice.components[3].change, -20.0);

  struct Bad {
    const char* line;
    const char* says;
  };
  for (const Bad& bad : {
           Bad{"component stroom versterking 1 - n 1 a 5 t95 10", "niet \"stroom\""},
           Bad{"component", "niet \"\""},
           Bad{"component trend van 1990-01-14 tot 2010-12-28 helling 10.7 0.31 cm/jaar",
               "verwacht component trend van"},
           Bad{"component stap op 2005-13-01 sprong 45.2 1.1 cm", "niet \"2005-13-01\""},
           Bad{"component stap op 2005-02-29 sprong 45.2 1.1 cm", "niet \"2005-02-29\""},
           Bad{"component stap op 2005-07-14 sprong 45,2 1.1 cm", "niet \"45,2\""},
           Bad{"component stress versterking -0.02 0.001 n 1 a x t95 353.4", "niet \"x\""},
           Bad{"component stress versterking -0.02 0.001 n 1 t 118 t95 353.4",
               "verwacht component stress versterking"},
           Bad{"component stap op 2005-07-14 sprong 45.2 1.1 cm uitdoving 0 dagen",
               "uitdoving hoort > 0 dagen te zijn"},
           Bad{"component stap op 2005-07-14 sprong 45.2 1.1 cm uitdoving 30 jaar",
               "verwacht component stap op"},
           Bad{"component stress versterking -0.02 0.001 n 1 a 118 t95 353.4 gegeven",
               "verwacht component stress versterking"},
       }) {
    const std::string text = std::string("gekozen ef bic 1.0 filter 01\n") + bad.line + "\n";
    std::string error;
    try {
      readModelChoiceText("S.sel", text);
    } catch (const Error& e) {
      error = e.what();
    }
    EXPECT_EQ(error.rfind("S.sel:2: ", 0), 0u) << bad.line << ": " << error;
    EXPECT_NE(error.find(bad.says), std::string::npos) << bad.line << ": " << error;
  }
}

TEST(IsoDate, FourTwoAndTwoDigitsOfARealDay) {
  EXPECT_EQ(readIsoDate("2024-02-29"), (CalendarDate{2024, 2, 29}));
  EXPECT_EQ(readIsoDate("1990-01-14"), (CalendarDate{1990, 1, 14}));
  for (const char* bad : {"2023-02-29", "1990-1-14", "1990/01/14", "1990-01-14x", "199a-01-14",
                          "1990-00-10", "1990-04-31", "+990-01-14", "-"}) {
    EXPECT_FALSE(readIsoDate(bad)) << bad;
  }
}

}  // namespace
}  // namespace phreatix
