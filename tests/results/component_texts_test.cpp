// How the results name the extended model's components and the situation
// its GxG hold for: the texts of the overview, the report and the window,
// written out here by hand.
#include "results/component_texts.h"

#include <string>

#include <gtest/gtest.h>

namespace phreatix {
namespace {

ChosenComponent trend() {
  ChosenComponent c;
  c.kind = ComponentKind::kTrend;
  c.from = CalendarDate{1990, 1, 14};
  c.to = CalendarDate{2010, 12, 28};
  c.value = 10.7;
  c.standardError = 0.31;
  c.change = 235.2;
  return c;
}

ChosenComponent step() {
  ChosenComponent c;
  c.kind = ComponentKind::kStep;
  c.from = CalendarDate{2005, 7, 14};
  c.value = 45.2;
  c.standardError = 1.1;
  return c;
}

ChosenComponent stress() {
  ChosenComponent c;
  c.kind = ComponentKind::kStress;
  c.value = -0.0213456;
  c.standardError = 0.0011;
  c.n = 1;
  c.a = 118.4;
  c.t95 = 353.4;
  return c;
}

TubeResult tubeWith(std::vector<ChosenComponent> components, std::vector<ComponentLevel> levels,
                    std::optional<Situation> situation) {
  TubeResult tube;
  tube.stem = "B33F0133";
  tube.label = "gftx";
  tube.modelled = true;
  tube.choice.extended = true;
  tube.choice.chosen = "gftx";
  tube.choice.bic = 4321.0;
  tube.choice.components = std::move(components);
  tube.componentLevels = std::move(levels);
  tube.situation = situation;
  return tube;
}

TEST(ComponentTexts, NamesAndParametersForTheOverview) {
  const TubeResult tube = tubeWith({trend(), step(), stress()}, {}, std::nullopt);
  EXPECT_EQ(componentNames(tube), "trend; stap; stress");
  EXPECT_EQ(componentParameterText(tube),
            "trend 10.70 cm/jaar 1990-01-14..2010-12-28; stap 45.20 cm 2005-07-14; "
            "stress -0.0213 cm/eenheid a 118 d");
  EXPECT_EQ(componentNames(tubeWith({}, {}, std::nullopt)), "");
  EXPECT_EQ(componentParameterText(tubeWith({}, {}, std::nullopt)), "");
  // A selection that knew no dates wrote "-".
  ChosenComponent undated = trend();
  undated.from.reset();
  undated.to.reset();
  EXPECT_EQ(componentParameterText(tubeWith({undated}, {}, std::nullopt)),
            "trend 10.70 cm/jaar ?..?");
}

TEST(ComponentTexts, EachComponentWithItsStandardErrors) {
  EXPECT_EQ(componentDetail(trend()),
            "helling 10.70 \xC2\xB1 0.31 cm/jaar van 1990-01-14 tot 2010-12-28 (verandering "
            "235.2 cm)");
  EXPECT_EQ(componentDetail(step()), "sprong 45.20 \xC2\xB1 1.10 cm op 2005-07-14");
  EXPECT_EQ(componentDetail(stress()),
            "versterking -0.0213 \xC2\xB1 0.0011 cm per eenheid van de stressreeks, respons n "
            "1.00, a 118 dagen, t95 353 dagen");
  ChosenComponent quick = stress();
  quick.a = 1.2;
  quick.t95 = 3.4;
  EXPECT_NE(componentDetail(quick).find(", a 1 dag, t95 3 dagen"), std::string::npos)
      << componentDetail(quick);
  ChosenComponent withoutError = step();
  withoutError.standardError.reset();
  EXPECT_EQ(componentDetail(withoutError), "sprong 45.20 cm op 2005-07-14");
}

TEST(ComponentTexts, TheSituationInOnePlainSentence) {
  const std::vector<ComponentLevel> two = {{ComponentKind::kTrend, 235.2, 118.4, 235.2},
                                           {ComponentKind::kStress, -3.1, -25.0, -3.1}};
  struct Case {
    std::vector<ChosenComponent> components;
    std::vector<ComponentLevel> levels;
    std::optional<Situation> situation;
    const char* sentence;
  };
  const std::vector<ComponentLevel> meanTwo = {{ComponentKind::kTrend, 235.2, 118.4, 118.4},
                                               {ComponentKind::kStress, -3.1, -125.0, -125.0}};
  for (const Case& c : {
           Case{{trend(), stress()},
                two,
                Situation::kEinde,
                "De gesimuleerde GHG, GLG en GVG gelden voor de situatie aan het eind van de "
                "metingen, met de trend en de stressreeks zoals die toen stonden (samen 232.1 cm "
                "hoger dan zonder)."},
           Case{{trend(), stress()},
                meanTwo,
                Situation::kGemiddeld,
                "De gesimuleerde GHG, GLG en GVG gelden voor de gemiddelde situatie over de "
                "calibratieperiode, met de trend en de stressreeks op hun gemiddelde over die "
                "periode (samen 6.6 cm lager dan zonder)."},
           Case{{step()},
                {{ComponentKind::kStep, 45.2, 20.1, 45.2}},
                Situation::kEinde,
                "De gesimuleerde GHG, GLG en GVG gelden voor de situatie aan het eind van de "
                "metingen, met de stap zoals die toen stond (45.2 cm hoger dan zonder)."},
           Case{{trend(), step(), stress()},
                {{ComponentKind::kTrend, 1, 1, 0},
                 {ComponentKind::kStep, 1, 1, 0},
                 {ComponentKind::kStress, 1, 1, 0}},
                Situation::kGeen,
                "De gesimuleerde GHG, GLG en GVG gelden voor de situatie zonder de trend, de stap "
                "en de stressreeks, alsof die er niet waren."},
           Case{{stress()},
                {},
                std::nullopt,
                "De gesimuleerde GHG, GLG en GVG gelden voor een onbekende situatie: de bijdragen "
                "van de stressreeks (B33F0133.kmp) zijn niet gelezen."},
           Case{{}, {}, std::nullopt, ""},
       }) {
    EXPECT_EQ(situationSentence(tubeWith(c.components, c.levels, c.situation)), c.sentence);
  }
  EXPECT_EQ(endContribution(tubeWith({trend(), stress()}, two, Situation::kGeen)), 235.2 - 3.1);
  EXPECT_FALSE(endContribution(tubeWith({trend()}, {}, std::nullopt)));
}

TEST(ComponentTexts, TheWindowsDetailsOfATube) {
  const TubeResult tube = tubeWith(
      {trend(), stress()},
      {{ComponentKind::kTrend, 235.2, 118.4, 235.2}, {ComponentKind::kStress, -3.1, -25.0, -3.1}},
      Situation::kEinde);
  const std::vector<std::string> lines = modelDetailLines(tube);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Model gftx, BIC 4321.00");
  EXPECT_EQ(lines[1],
            "trend: helling 10.70 \xC2\xB1 0.31 cm/jaar van 1990-01-14 tot 2010-12-28 "
            "(verandering 235.2 cm); bijdrage einde 235.2 cm, gemiddeld 118.4 cm, gebruikt "
            "235.2 cm");
  EXPECT_EQ(lines[2].rfind("stress: versterking -0.0213", 0), 0u) << lines[2];
  EXPECT_EQ(lines[3], situationSentence(tube));
  // Without components one line; the standard family none.
  TubeResult plain = tubeWith({}, {}, std::nullopt);
  plain.label = "gf";
  EXPECT_EQ(modelDetailLines(plain), std::vector<std::string>{"Model gf, BIC 4321.00, zonder "
                                                              "componenten"});
  plain.choice = ModelChoice{};
  EXPECT_TRUE(modelDetailLines(plain).empty());
}

}  // namespace
}  // namespace phreatix
