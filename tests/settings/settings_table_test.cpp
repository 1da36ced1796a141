#include "settings/settings_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "settings/field_checks.h"

namespace phreatix {
namespace {

TEST(SettingsTable, EveryRowIsComplete) {
  std::set<std::string> names, flags;
  for (const DetailField& row : detailFields()) {
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(names.insert(row.name).second) << "control name twice";
    EXPECT_TRUE(flags.insert(row.flag).second) << "option twice";
    EXPECT_EQ(std::string(row.flag).rfind("--", 0), 0u);
    EXPECT_NE(*row.help, '\0');
    EXPECT_NE(*row.label, '\0');
    EXPECT_NE(row.text, nullptr);
    EXPECT_NE(row.store, nullptr);
    EXPECT_EQ(findDetailField(row.name), &row);
    EXPECT_EQ(findDetailOption(row.flag), &row);
    EXPECT_EQ(isChoice(row), row.place == SettingPlace::kChoice);
    // What the window opens with and puts back passes the field's own check
    // and can be stored.
    EXPECT_TRUE(checkDetailField(row, row.formDefault).accepted());
    EXPECT_TRUE(checkDetailField(row, row.putBack).accepted());
    EXPECT_EQ(DetailFields().*row.text, row.formDefault);
  }
  EXPECT_EQ(findDetailField("edtNIETS"), nullptr);
  EXPECT_EQ(findDetailOption("--niets"), nullptr);
  // The command line lists every row once.
  const std::vector<const DetailField*> options = optionOrder();
  EXPECT_EQ(options.size(), detailFields().size());
  EXPECT_EQ(std::set<const DetailField*>(options.begin(), options.end()).size(), options.size());
  EXPECT_STREQ(options.front()->flag, "--start-year");
  EXPECT_STREQ(options.back()->flag, "--situatie");
  // The response times follow the four bounds, the choices come last.
  std::vector<std::string> order;
  for (const DetailField* row : options) order.push_back(row->flag);
  const auto at = [&](const char* flag) { return std::find(order.begin(), order.end(), flag); };
  EXPECT_EQ(at("--t95-min"), at("--omega-min") + 1);
  EXPECT_EQ(at("--t95-max"), at("--t95-min") + 1);
  EXPECT_EQ(at("--trace"), at("--t95-max") + 1);
  EXPECT_EQ(at("--situatie"), at("--model") + 1);
}

// Each row stores only its own member: a changed field changes its setting
// and leaves every other one as the defaults set it.
TEST(SettingsTable, EachRowStoresItsOwnSetting) {
  struct Case {
    const char* field;
    const char* typed;
    bool (*changed)(const SessionSettings&);
  };
  const Case cases[] = {
      {"edtMAXITER", "1200", [](const SessionSettings& s) { return s.MAXITER == 1200; }},
      {"edtCLOSURE", "0,005", [](const SessionSettings& s) { return s.closure == " 0.005"; }},
      {"edtDELTAMIN", "0.5", [](const SessionSettings& s) { return s.DELTAMIN == 0.5; }},
      {"edtPHIMIN", "0.25", [](const SessionSettings& s) { return s.PHIMIN == 0.25; }},
      {"edtCMAX", "0.75", [](const SessionSettings& s) { return s.CMAX == 0.75; }},
      {"edtOMEGAMIN", "2", [](const SessionSettings& s) { return s.OMEGAMIN == 2; }},
      // A later start with the same end year: fewer years.
      {"edtSTARTJAAR", "1980",
       [](const SessionSettings& s) { return s.startYear == 1980 && s.numberOfYears == 20; }},
      {"edtEINDJAAR", "2010", [](const SessionSettings& s) { return s.numberOfYears == 41; }},
      {"edtWARMUP", "100.5", [](const SessionSettings& s) { return s.warmUpDays == 100; }},
      {"edtREALISATIES", "050", [](const SessionSettings& s) { return s.realisations == "050"; }},
      {"rdgrpDETTRACE", "zonder", [](const SessionSettings& s) { return !s.traceWithUpdating; }},
      {"edtT95MIN", "7,5", [](const SessionSettings& s) { return s.t95Min == 7.5; }},
      {"edtT95MAX", "900", [](const SessionSettings& s) { return s.t95Max == 900; }},
      {"rdgrpMODEL", "uitgebreid",
       [](const SessionSettings& s) { return s.model == ModelFamily::kUitgebreid; }},
      {"rdgrpSITUATIE", "gemiddeld",
       [](const SessionSettings& s) { return s.situation == Situation::kGemiddeld; }},
  };
  SessionSettings defaults;
  ASSERT_TRUE(applyDetailSettings(DetailFields{}, defaults));
  std::set<std::string> covered;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    const DetailField* row = findDetailField(c.field);
    ASSERT_NE(row, nullptr);
    covered.insert(c.field);
    DetailFields fields;
    fields.*row->text = c.typed;
    SessionSettings s;
    ASSERT_TRUE(applyDetailSettings(fields, s));
    EXPECT_TRUE(c.changed(s));
    EXPECT_FALSE(c.changed(defaults));
    // Put back the one field: everything as the defaults have it.
    SessionSettings back = s;
    fields.*row->text = row->formDefault;
    ASSERT_TRUE(applyDetailSettings(fields, back));
    EXPECT_EQ(back.MAXITER, defaults.MAXITER);
    EXPECT_EQ(back.closure, defaults.closure);
    EXPECT_EQ(back.DELTAMIN, defaults.DELTAMIN);
    EXPECT_EQ(back.PHIMIN, defaults.PHIMIN);
    EXPECT_EQ(back.CMAX, defaults.CMAX);
    EXPECT_EQ(back.OMEGAMIN, defaults.OMEGAMIN);
    EXPECT_EQ(back.startYear, defaults.startYear);
    EXPECT_EQ(back.numberOfYears, defaults.numberOfYears);
    EXPECT_EQ(back.warmUpDays, defaults.warmUpDays);
    EXPECT_EQ(back.realisations, defaults.realisations);
    EXPECT_EQ(back.traceWithUpdating, defaults.traceWithUpdating);
    EXPECT_EQ(back.t95Min, defaults.t95Min);
    EXPECT_EQ(back.t95Max, defaults.t95Max);
    EXPECT_EQ(back.model, defaults.model);
    EXPECT_EQ(back.situation, defaults.situation);
  }
  EXPECT_EQ(covered.size(), detailFields().size()) << "a row without a case here";
}

TEST(SettingsTable, ChoiceTakesOnlyItsWords) {
  const DetailField& trace = *findDetailField("rdgrpDETTRACE");
  EXPECT_TRUE(checkDetailField(trace, "met").accepted());
  EXPECT_TRUE(checkDetailField(trace, "zonder").accepted());
  const FieldResult refused = checkDetailField(trace, "Met");
  EXPECT_EQ(refused.message, "takes met or zonder, got Met");
  EXPECT_EQ(refused.text, "met");

  const DetailField& model = *findDetailField("rdgrpMODEL");
  EXPECT_EQ(findDetailOption("--model"), &model);
  EXPECT_TRUE(checkDetailField(model, "uitgebreid").accepted());
  const FieldResult other = checkDetailField(model, "bic");
  EXPECT_EQ(other.message, "takes standaard or uitgebreid, got bic");
  EXPECT_EQ(other.text, "standaard");
  // The standard family unless the extended one is chosen: the default, and
  // a session that chose the extended one and then the standard one again.
  SessionSettings s;
  DetailFields fields;
  ASSERT_TRUE(applyDetailSettings(fields, s));
  EXPECT_EQ(s.model, ModelFamily::kStandaard);
  fields.model = "uitgebreid";
  ASSERT_TRUE(applyDetailSettings(fields, s));
  EXPECT_EQ(s.model, ModelFamily::kUitgebreid);
  fields.model = "standaard";
  ASSERT_TRUE(applyDetailSettings(fields, s));
  EXPECT_EQ(s.model, ModelFamily::kStandaard);
}

// The situation: each word stores the situation whose text it is, so that
// what the model side writes back (situationText) is the word the user
// chose; a word of no situation is refused by the field check and stores
// nothing.
TEST(SettingsTable, SituationWordsAreTheSituationsTexts) {
  const DetailField& situation = *findDetailField("rdgrpSITUATIE");
  EXPECT_EQ(findDetailOption("--situatie"), &situation);
  std::set<Situation> stored;
  for (const SettingChoice& choice : situation.choices) {
    SCOPED_TRACE(choice.word);
    EXPECT_TRUE(checkDetailField(situation, choice.word).accepted());
    DetailFields fields;
    fields.situation = choice.word;
    SessionSettings s;
    ASSERT_TRUE(applyDetailSettings(fields, s));
    EXPECT_STREQ(situationText(s.situation), choice.word);
    stored.insert(s.situation);
  }
  EXPECT_EQ(stored,
            (std::set<Situation>{Situation::kEinde, Situation::kGemiddeld, Situation::kGeen}));
  EXPECT_EQ(SessionSettings().situation, Situation::kEinde);

  const FieldResult other = checkDetailField(situation, "Einde");
  EXPECT_EQ(other.message, "takes einde, gemiddeld or geen, got Einde");
  EXPECT_EQ(other.text, "einde");
  // Past the field check (a caller that skipped it): nothing is stored.
  SessionSettings s;
  s.situation = Situation::kGeen;
  s.MAXITER = 700;
  DetailFields fields;
  fields.situation = "altijd";
  EXPECT_FALSE(applyDetailSettings(fields, s));
  EXPECT_EQ(s.situation, Situation::kGeen);
  EXPECT_EQ(s.MAXITER, 700);
}

// The README's table of the settings options, as the user reads it: one row
// per option with the window's field, the default and the domain. Numbers
// of the domain written plainly: 0.000001, 50.
std::string plainNumber(double x) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.6f", x);
  std::string text = buffer;
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  return text;
}

std::string readmeRow(const DetailField& row) {
  std::string help = row.help;
  for (std::size_t at = help.find('\n'); at != std::string::npos; at = help.find('\n', at)) {
    help.replace(at, 1, " ");
  }
  std::string value = row.valueName;
  std::string domain;
  if (isChoice(row)) {
    for (const SettingChoice& choice : row.choices) {
      domain += (domain.empty() ? "" : ", ") + std::string(choice.word);
    }
  } else {
    domain = plainNumber(row.lo) + " .. " + plainNumber(row.hi) + (row.integer ? ", whole" : "");
  }
  std::string label = row.label;
  label.erase(0, label.find_first_not_of(' '));
  label.erase(label.find_last_not_of(' ') + 1);
  std::string escapedValue;
  for (char c : value) escapedValue += c == '|' ? std::string("\\|") : std::string(1, c);
  return "| `" + std::string(row.flag) + " " + escapedValue + "` | " + label + ", `" + row.name +
         "` | " + row.formDefault + " | " + domain + " | " + help + " |";
}

TEST(SettingsTable, ReadmeTableAgreesWithTheTable) {
  std::ifstream readme(PHREATIX_TEST_DATA_DIR "/../../README.md");
  ASSERT_TRUE(readme) << "README.md not found";
  std::vector<std::string> rows;
  for (std::string line; std::getline(readme, line);) {
    if (line.rfind("| `--", 0) == 0) rows.push_back(line);
  }
  std::vector<std::string> expected;
  for (const DetailField* row : optionOrder()) expected.push_back(readmeRow(*row));
  EXPECT_EQ(rows, expected) << "README.md's table of the settings options differs from the "
                               "settings table (src/core/settings/settings_table.cpp)";
}

}  // namespace
}  // namespace phreatix
