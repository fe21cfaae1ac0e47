// The load distribution analysis of a base: its sums from the subscriber, district and scheme tables and
// the report's lines.
#include <gtest/gtest.h>

#include "core/base/codepage.h"
#include "core/base/numfmt.h"
#include "core/district/load_analysis.h"
#include "core/tables/cell_convert.h"
#include "core/tables/table_file.h"
#include "support/test_env.h"
#include "support/table_rows.h"

namespace ld::test {
namespace {

using Cells = NamedCells;
using Lines = std::vector<std::string>;

class LoadAnalysis : public ::testing::Test {
protected:
  LoadAnalysis() {
    MaketFileName = (DataDir() / "maket.zr").string();
    SetFormatSeparators(",", " ");
  }
  ~LoadAnalysis() override { SetFormatSeparators(".", "\u00A0"); }

  void Write(const char* layout, const std::vector<Cells>& rows) {
    TDataFile table;
    FillNamedRows(table, layout, rows);
    WriteTableFile(Stem() + table.Extention, table);
  }
  std::string Stem() const { return dir / "База"; }
  TempDir dir;
};

// A value line: the caption, the value in 12 characters and the unit, and the generation when it is not 0.
std::string V(const std::string& caption, const std::string& value, const std::string& generation = "") {
  std::string line = caption + std::string(12 - Utf8Length(value), ' ') + value + " кВтч";
  if (!generation.empty()) line += ", генерация :" + std::string(12 - Utf8Length(generation), ' ') + generation + " кВтч";
  return line;
}

const std::string kRule = "------------------------------------";

TEST_F(LoadAnalysis, ABaseWithoutTablesGivesTheWholeReportOfZeros) {
  std::vector<std::string> stages;
  std::vector<float> bar;
  const TLoadAnalysisSums sums =
      SumLoadDistribution(Stem(), {[&](const std::string& s) { stages.push_back(s); }, [&](float p) { bar.push_back(p); }});
  EXPECT_EQ(stages.size(), 13U) << "reading and twelve walks";
  EXPECT_EQ(stages[3], "  Фидеры 10(6) кВ ... ");
  EXPECT_EQ(stages[12], "  Z-режим ... ");
  EXPECT_EQ(bar, std::vector<float>(12, 0)) << "each walk starts the bar at 0; empty tables do not move it";
  const std::string zero = "Всего потребление :           0 кВтч";
  EXPECT_EQ(LoadAnalysisReport(sums),
            (Lines{"База пром. и быт.",
                   kRule,
                   zero,
                   "  по счетчикам    :           0 кВтч",
                   "    пром. абон.   :           0 кВтч",
                   "    быт.  абон.   :           0 кВтч",
                   "  потери в тр/лин :           0 кВтч",
                   kRule,
                   "",
                   "База РЭС",
                   kRule,
                   "  тр-ры ТП, РП    :           0 кВтч",
                   "  потери в тр-рах :           0 кВтч",
                   "  линии 0.4 кВ    :           0 кВтч",
                   "  потери в линиях :           0 кВтч",
                   "  фидеры 10(6) кВ :           0 кВтч",
                   "  потери (фидеры) :           0 кВтч",
                   "итого",
                   "  по счетчикам    :           0 кВтч",
                   "  потери в тр/лин :           0 кВтч",
                   zero,
                   "Небаланс          :           0 кВтч",
                   kRule,
                   "",
                   "База РЭС (добавлено вручную)",
                   kRule,
                   "  тр-ры ТП, РП    :           0 кВтч",
                   "  линии 0.4 кВ    :           0 кВтч",
                   "  фидеры 10(6) кВ :           0 кВтч",
                   "Всего по базе РЭС :           0 кВтч",
                   kRule,
                   "",
                   "База Z-режим",
                   kRule,
                   "  узлы схемы      :           0 кВтч",
                   "  перетоки в лин. :           0 кВтч",
                   "итого",
                   "  по счетчикам    :           0 кВтч",
                   "  потери в тр/лин :           0 кВтч",
                   zero,
                   "Небаланс          :           0 кВтч",
                   kRule}));
}

TEST_F(LoadAnalysis, SumsFollowTheLoadTypesAndMeteringKinds) {
  Write(LayoutMeterPoints, {{{"LinkTP", "ТП-5"}, {"TypCounter", "1"}, {"W", "1000"}, {"Wt", "10"}, {"Wl", "20"}},
                            {{"TypCounter", "1"}, {"W", "5000"}},
                            {{"LinkTP", "ТП-5"}, {"TypCounter", "0"}, {"W", "300"}},
                            {{"LinkTP", "ТП-5"}, {"TypCounter", "2"}, {"W", "999"}}});
  Write(LayoutHouseholds, {{{"LinkTP", "ТП-5"}, {"W", "2000"}}, {{"W", "7"}}});
  Write(LayoutTransTP, {{{"T", "-4"}, {"Pn", "1500"}, {"Pg", "100"}, {"dWPa", "10"}},
                        {{"T", "5"}, {"Pn", "400"}, {"dWPa", "1"}},
                        {{"T", "-5"}, {"PM", "С"}, {"Pn", "50"}, {"Pg", "20"}},
                        {{"T", "0"}, {"Pn", "999"}, {"dWPa", "2"}},
                        {{"T", "4"}, {"PM", "-"}, {"Pn", "7"}, {"Pg", "8"}}});
  Write(LayoutLines04, {{{"T", "-4"}, {"Pn", "200"}, {"dWPa", "5"}}, {{"T", "5"}, {"Pn", "60"}}});
  Write(LayoutSubstInputs, {{{"T", "-4"}, {"WPop", "100"}, {"dWPa", "1"}, {"P", "11"}},
                            {{"T", "4"}, {"B", "П"}, {"P", "70"}, {"Pm", "3"}, {"WPop", "55"}},
                            {{"T", "1"}, {"WPop", "9"}}});
  Write(LayoutSubstFeeders, {{{"T", "-5"}, {"B", "+"}, {"WPop", "999"}}, {{"T", "5"}, {"B", "п"}, {"P", "30"}}});
  Write(LayoutNodes, {{{"WPn", "1800"}, {"dWPa", "20"}},
                      {{"Sign", "b"}, {"WPn", "5"}},
                      {{"Sign", "+"}, {"WPn", "99"}, {"WPg", "7"}},
                      {{"Sign", "с"}, {"WPn", "98"}, {"WPg", "4"}}});
  Write(LayoutLineFlows, {{{"PM", "П"}, {"Pr", "300"}, {"Pl", "2"}}, {{"PM", "П"}, {"N2", "5"}, {"Pr", "1000"}}});

  const Lines report = LoadAnalysisReport(SumLoadDistribution(Stem()));
  ASSERT_EQ(report.size(), 42U);
  EXPECT_EQ(report[2], "Всего потребление :       3 030 кВтч, генерация :         300 кВтч");
  EXPECT_EQ(Lines(report.begin() + 3, report.begin() + 7),
            (Lines{V("  по счетчикам    :", "3 000", "300"), V("    пром. абон.   :", "1 000", "300"),
                   V("    быт.  абон.   :", "2 000"), V("  потери в тр/лин :", "30")}));
  EXPECT_EQ(Lines(report.begin() + 11, report.begin() + 22),
            (Lines{V("  тр-ры ТП, РП    :", "1 500", "120"), V("  потери в тр-рах :", "13"),
                   V("  линии 0.4 кВ    :", "200"), V("  потери в линиях :", "5"), V("  фидеры 10(6) кВ :", "100"),
                   V("  потери (фидеры) :", "1"), "итого", V("  по счетчикам    :", "1 800", "120"),
                   V("  потери в тр/лин :", "19"), V("Всего потребление :", "1 819", "120"),
                   V("Небаланс          :", "1 211", "180")}));
  EXPECT_EQ(Lines(report.begin() + 26, report.begin() + 30),
            (Lines{V("  тр-ры ТП, РП    :", "400"), V("  линии 0.4 кВ    :", "60"), V("  фидеры 10(6) кВ :", "100", "3"),
                   V("Всего по базе РЭС :", "2 379", "123")}));
  EXPECT_EQ(Lines(report.begin() + 34, report.begin() + 41),
            (Lines{V("  узлы схемы      :", "1 805", "4"), V("  перетоки в лин. :", "300", "2"), "итого",
                   V("  по счетчикам    :", "2 105", "6"), V("  потери в тр/лин :", "20"),
                   V("Всего потребление :", "2 125", "6"), V("Небаланс          :", "-254", "-117")}));
}

TEST_F(LoadAnalysis, LongValuesAreCutToTwelveCharacters) {
  TLoadAnalysisSums sums;
  sums.HouseCons = 123456789012.0;
  EXPECT_EQ(LoadAnalysisReport(sums)[5], "    быт.  абон.   :123 456 789  кВтч");
}

}  // namespace
}  // namespace ld::test
