// A formed scheme saved back into the base it came from: every branch must match its element.
#include <gtest/gtest.h>

#include "core/tables/switch_rec.h"
#include "core/tables/table_run.h"
#include "form_fixture.h"
#include "support/scripted_msgbox.h"

namespace ld::test {
namespace {

// The element tables with the scheme's state, written in a run of their own.
bool WriteBack(const std::string& base, TDataFile& branches) {
  TElementTables tables;
  if (!PrepareElementTables(base, branches, tables)) return false;
  WriteTablesTogether(tables.Files());
  return true;
}

using FormRoundTrip = FormTest;

TEST_F(FormRoundTrip, FormedSchemeSavesBackIntoItsBase) {
  // Line columns: Nr, Sign, Name1, Name2, Nl, KodLine, Un, Idop, Kflow, Commut, Normal, MarkCom1, MarkCom2, TypEqu.
  Base(LayoutLines10, {{"1", "П", "ПС-1.10", "ТП-1", "1", "1000*АС-50", "10"},
                       {"1", "", "ТП-1", "1", "2", "500*АС-50"},
                       {"1", "+", "1", "2", "1", "300*АС-70"},
                       {"1", "+", "2", "ТП-2.1"},
                       {"1", "", "ТП-1", "ТП-3"},
                       {"1", "т", "ТП-3", "ТП-3.Т9", "4", "ТМ-400/10/0.4", "10/0.4"},
                       {"1", "", "ТП-3", "  ", "", "", "10"},
                       {"1", "", "Б", "Б"}});
  // Station columns: Nr, Name1, Ntr, Name2, NameC, Transform, TypEqu, Notv, Commut, CommutC.
  Base(LayoutTransTP, {{"1", "ТП-1", "Т1", "", "РП.5", "ТМ-400/10/0.4"},
                       {"1", "ТП-1", "Т2", "", "", "ТМ-630/10/0.4"},
                       {"1", "ТП-2.1", "Т1", "", "", "ТМ-400/10/0.4"},
                       {"1", "ТП-3", "Т1", " ТП-3 НН ", "", "ТМ-400/10/0.4"}});
  // 0.4 kV columns: NameTP, Ntr, Fider, KodLine.
  Base(LayoutLines04, {{"ТП-1", "Т1", "Ф1", "100*АВВГ-95"}, {"ТП-2.1", "Т1", "РК-4"}, {"ТП-2.1", "Т1", "Ф2"}});
  // Feed columns: Subst, NamePS, LinkPS, Uzam, T, B, ComPS.
  Base(LayoutSubstInputs, {{"ПС-1", "ПС-1.10", "ТП-3", "10.5", "", "К"}});
  options.T04 = options.L04 = true;
  Form();
  ASSERT_EQ(errors, (std::vector<std::string>{"Линии 10-6 кВ, строка 7: Не задан конец линии",
                                              "Линии 10-6 кВ, строка 8: Совпадение начала и конца ветви"}));
  for (const char* name : {"отп1_1", "отп1_2", "ТП-1.Т1", "ТП-1.Т2", "ТП-1.5", "ТП-2.Т1", "ТП-3 НН", "РК-4", "ТП-2.Ф2"})
    EXPECT_NE(rowOf.count(name), 0u) << name;
  int linked[4] = {};
  for (int r = 1; r <= branches.RowCount; ++r)
    for (int k = 0; k < 4; ++k)
      if (b.ExtFile->GetItem(r) == std::vector<std::string>{".RSL", ".RTP", ".R04", ".RSV"}[k]) ++linked[k];
  EXPECT_EQ((std::vector<int>{linked[0], linked[1], linked[2], linked[3]}), (std::vector<int>{7, 5, 3, 2}));

  test::ScriptedMsgBox box;
  // Commutations set on the diagram go back to their elements.
  const auto set = [&](const char* from, const char* to, const char* letter) {
    const int k = Branch(from, to);
    ASSERT_NE(k, 0) << from << " - " << to;
    (*b.Commut)[k] = Utf8ToCp1251(letter)[0];
  };
  set("отп1_1", "отп1_2", "О");
  set("ТП-1", "ТП-1.Т2", "Н");
  set("ТП-1.Т1", "ТП-1.5", "К");
  set("ТП-2.Т1", "РК-4", "П");
  set("ПС-1.10", "ТП-3", "Ф");
  ASSERT_TRUE(WriteBack(Stem(), branches));
  EXPECT_TRUE(box.Calls().empty());
  const TDataFile lines = Read(LayoutLines10), stations = Read(LayoutTransTP), lines04 = Read(LayoutLines04),
                  feeds = Read(LayoutSubstInputs);
  TLine10Cols l;
  TTransTPCols t;
  TLine04Cols q;
  TSubstInputCols s;
  FillLine10Cols(lines, l);
  FillTransTPCols(stations, t);
  FillLine04Cols(lines04, q);
  FillSubstInputCols(feeds, s);
  EXPECT_EQ(Letter(l.Commut->Get(3)), "О");
  EXPECT_EQ(l.KodLine->GetItem(3), "300*АС-70");
  EXPECT_EQ(Letter(t.Commut->Get(2)), "Н");
  EXPECT_EQ(Letter(t.CommutC->Get(1)), "К");
  EXPECT_EQ(Letter(q.Commut->Get(2)), "П");
  EXPECT_EQ(Letter(s.B->Get(1)), "К") << "the ratio branch carries the feed's kind";
  EXPECT_EQ(Letter(s.ComPS->Get(1)), "Ф");

  // A point renamed in the scheme no longer fits its element.
  const int renamed = Branch("ТП-2.Т1", "ТП-2.Ф2");
  ASSERT_NE(renamed, 0);
  b.Name2->SetItem(renamed, "ТП-2.Ф7");
  EXPECT_FALSE(WriteBack(Stem(), branches));
  ASSERT_EQ(box.Calls().size(), 1u);
  EXPECT_EQ(box.Calls()[0].text, "Таблица \"Ветви схемы\" (строка " + std::to_string(renamed) +
                                     ") не соответствует таблице \"Линии 0.4 кВ\". Необходимо заново загрузить схему");
}

}  // namespace
}  // namespace ld::test
