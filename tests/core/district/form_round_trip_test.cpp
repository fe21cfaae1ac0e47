// A formed scheme saved back into the base it came from: every branch must match its element.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "core/engine/electric.h"
#include "core/tables/switch_rec.h"
#include "core/tables/table_run.h"
#include "form_fixture.h"
#include "support/raw_table.h"
#include "support/scripted_msgbox.h"

namespace ld::test {
namespace {

// The element tables with the scheme's state, written in a run of their own.
bool WriteBack(const std::string& base, TDataFile& branches) {
  TElementTables tables;
  if (!PrepareElementTables(base, branches, tables, NeutralTapOf)) return false;
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

// A switching written back over a base whose texts the scheme holds otherwise: in capitals, without the
// blanks at their ends, not at all (a sectional breaker's "ШСВ" carries no line mark), a state in a
// lower-case or Latin letter, a station switched off by load forming ("Р"), a tap the scheme took from the
// transformer's regulation. Only the switched state goes in, every other byte of the base stays; of what
// is edited on the diagram, a text that the base holds in other letters and a text cleared stay too.
TEST_F(FormRoundTrip, TheWriteBackChangesOnlyWhatTheDiagramChanged) {
  Base(LayoutLines10, {{"1", "П", "ПС-1.10", "ТП-1", "1", "1000*АС-50", "10"},
                       {"1", "", "ТП-1", "ТП-2", "1", " 150*ААБл-120 ", "", "", "", "о"},
                       {"1", "", "ТП-2", "ТП-3", "", "ШСВ"},
                       {"1", "", "ТП-3", "ТП-4", "1", "300*ас-70", "", "", "", "O"}});
  {
    TDataFile lines = Read(LayoutLines10);
    TLine10Cols l;
    FillLine10Cols(lines, l);
    l.DSNum->SetItem(2, "ф-3 ");
    l.DSNum->SetItem(3, "шсв-10");
    WriteTableFile(File(LayoutLines10), lines);
  }
  Base(LayoutTransTP, {{"1", "ТП-1", "Т1", "", "", "тм-400/10/0.4", "", "", "Р"}});
  Base(LayoutLines04, {{"ТП-1", "Т1", "Ф1", "100*аввг-95"}});
  options.T04 = options.L04 = true;
  Form();
  // a mark the catalogue lacks still goes into the scheme, for the write-back to compare
  ASSERT_EQ(errors, std::vector<std::string>{
                        "Линии 10-6 кВ, строка 2: Марка ААБЛ-120(10кВ) не найдена в каталоге марок КЛ,ВЛ"});
  const auto row = [&](const char* from, const char* to) {
    const int k = Branch(from, to);
    EXPECT_NE(k, 0) << from << " - " << to;
    return k;
  };
  EXPECT_EQ(Letter(b.Commut->Get(row("ТП-1", "ТП-1.Т1"))), "О");
  EXPECT_EQ(b.Mark->GetItem(row("ТП-1", "ТП-2")), "150*ААБЛ-120");
  EXPECT_NE(b.Notv->Get(row("ТП-1", "ТП-1.Т1")), 0) << "the tap of the regulation's neutral";
  WriteTableFile(File(LayoutBranches), branches);  // the formed scheme, as the base last agreed with it
  std::map<std::string, std::string> was;
  for (const char* layout : {LayoutLines10, LayoutTransTP, LayoutLines04}) was[layout] = ReadBytes(File(layout));

  // The bytes of a base table with the cells given put back as they were.
  const auto bytesWith = [&](const char* layout, const std::function<void(TDataFile&)>& back) {
    TDataFile t = Read(layout);
    back(t);
    t.FileDate = TFileStamp();  // a new file of these rows
    const std::string copy = dir / "копия";
    WriteTableFile(copy, t);
    return ReadBytes(copy);
  };
  (*b.Commut)[row("ТП-2", "ТП-3")] = Utf8ToCp1251("О")[0];
  test::ScriptedMsgBox box;
  ASSERT_TRUE(WriteBack(Stem(), branches));
  EXPECT_TRUE(box.Calls().empty());
  EXPECT_EQ(bytesWith(LayoutLines10,
                      [](TDataFile& t) {
                        TLine10Cols l;
                        FillLine10Cols(t, l);
                        EXPECT_EQ(Letter(l.Commut->Get(3)), "О");
                        (*l.Commut)[3] = 0;
                      }),
            was[LayoutLines10]);
  EXPECT_EQ(ReadBytes(File(LayoutTransTP)), was[LayoutTransTP]);
  EXPECT_EQ(ReadBytes(File(LayoutLines04)), was[LayoutLines04]);

  // A switching saved into the scheme alone (the base not written to) reaches the base with the next
  // write-back, beside that one's own: the base is compared with the scheme, not with its last save.
  (*b.Commut)[row("ПС-1.10", "ТП-1")] = 0;
  WriteTableFile(File(LayoutBranches), branches);
  (*b.Commut)[row("ТП-1", "ТП-1.Т1")] = 0;
  ASSERT_TRUE(WriteBack(Stem(), branches));
  {
    TLine10Cols l;
    TTransTPCols t;
    const TDataFile lines = Read(LayoutLines10), stations = Read(LayoutTransTP);
    FillLine10Cols(lines, l);
    FillTransTPCols(stations, t);
    EXPECT_EQ((std::vector<std::string>{Letter(l.Commut->Get(1)), Letter(t.Commut->Get(1))}),
              (std::vector<std::string>{"", ""}));
  }
  (*b.Commut)[row("ПС-1.10", "ТП-1")] = Utf8ToCp1251("П")[0];
  (*b.Commut)[row("ТП-1", "ТП-1.Т1")] = Utf8ToCp1251("О")[0];
  ASSERT_TRUE(WriteBack(Stem(), branches));
  {
    TDataFile t = Read(LayoutTransTP);
    TTransTPCols tc;
    FillTransTPCols(t, tc);
    (*tc.Commut)[1] = Utf8ToCp1251("Р")[0];  // the base's own letter for it, which reads as "О"
    t.FileDate = TFileStamp();
    WriteTableFile(File(LayoutTransTP), t);
    was[LayoutTransTP] = ReadBytes(File(LayoutTransTP));
  }

  // Edited on the diagram: a mark in other letters and a name cleared stay as the base has them; a new
  // mark, a new name and a tap go in.
  b.Mark->SetItem(row("ТП-1", "ТП-2"), "150*ааБл-120");
  b.DSName->SetItem(row("ТП-1", "ТП-2"), "");
  b.Mark->SetItem(row("ТП-3", "ТП-4"), "400*АС-50");
  b.DSName->SetItem(row("ТП-3", "ТП-4"), "Ф-7");
  (*b.Notv)[row("ТП-1", "ТП-1.Т1")] = 5;
  ASSERT_TRUE(WriteBack(Stem(), branches));
  const TDataFile lines = Read(LayoutLines10), stations = Read(LayoutTransTP);
  TLine10Cols l;
  TTransTPCols t;
  FillLine10Cols(lines, l);
  FillTransTPCols(stations, t);
  EXPECT_EQ((std::vector<std::string>{l.KodLine->GetItem(2), l.DSNum->GetItem(2), l.KodLine->GetItem(4),
                                      l.DSNum->GetItem(4), Letter(l.Commut->Get(2)), Letter(l.Commut->Get(4))}),
            (std::vector<std::string>{" 150*ААБл-120 ", "ф-3 ", "400*АС-50", "Ф-7", "о", "O"}));
  EXPECT_EQ(std::pair(t.Notv->Get(1), Letter(t.Commut->Get(1))), std::pair(5, std::string("Р")));
  EXPECT_EQ(t.Transform->GetItem(1), "тм-400/10/0.4");
  // The same as the files' bytes hold it: the switched state and the new texts in, the base's own letters
  // (lower case, Latin, the load forming's "Р") and texts as they were.
  std::vector<std::string> states;
  for (const std::string& cell : RawColumn(File(LayoutLines10), "Commut")) states.push_back(RawLetter(cell));
  EXPECT_EQ(states, (std::vector<std::string>{"П", "о", "О", "O"}));
  EXPECT_EQ(RawColumn(File(LayoutLines10), "KodLine"),
            (std::vector<std::string>{"1000*АС-50", " 150*ААБл-120 ", "ШСВ", "400*АС-50"}));
  const std::vector<std::string> station = RawColumn(File(LayoutTransTP), "Commut");
  ASSERT_EQ(station.size(), 1u);
  EXPECT_EQ(RawLetter(station[0]), "Р");
}

}  // namespace
}  // namespace ld::test
