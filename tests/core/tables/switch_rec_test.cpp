#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "core/base/codepage.h"
#include "core/tables/colmaps.h"
#include "core/tables/switch_rec.h"
#include "core/tables/table_file.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"
#include "tables_fixture.h"

namespace ld {
namespace {

using test::LayoutScope;
using test::ReadBytes;
using test::TempDir;

char Cp(const char* letter) { return Utf8ToCp1251(letter)[0]; }

struct Scheme {
  TempDir dir;
  LayoutScope scope{(test::DataDir() / "maket.zr").string()};
  std::string base = dir / "Схема";
  TDataFile branches;
  TBranchCols b;

  explicit Scheme(int rows) {
    ReadMaket(LayoutBranches, branches);
    CreateColumns(branches, rows);
    FillBranchCols(branches, b);
  }
  void Link(int row, const char* ext, int idx, const std::string& name1, const std::string& name2) {
    b.ExtFile->SetItem(row, ext);
    (*b.Idx)[row] = idx;
    b.Name1->SetItem(row, name1);
    b.Name2->SetItem(row, name2);
  }
  std::string Write(TDataFile& t, const std::string& ext) {
    WriteTableFile(base + ext, t);
    return ReadBytes(base + ext);
  }
};

TEST(SwitchRecord, MovesBetweenBranchAndJournalRows) {
  TempDir dir;
  LayoutScope scope((test::DataDir() / "maket.zr").string());
  TDataFile branches, journal;
  ReadMaket(LayoutBranches, branches);
  CreateColumns(branches, 2);
  ReadMaket(LayoutSwitchLog, journal);
  CreateColumns(journal, 3);
  TBranchCols b;
  FillBranchCols(branches, b);
  TSwitchLogCols j;
  FillSwitchLogCols(journal, j);

  const TRecSwt rec{.N1 = 12, .N2 = 34, .Nl = 2, .Name1 = "ПС Южная.10", .Name2 = "ТП-5", .DSName = "Л-5",
                    .TypEqu = "LN", .Mark = "АС-70", .Regulation = "РПН;ПБВ", .Notv = -3, .Ntpr = 7,
                    .Commut = Cp("О"), .Ul = 10, .R = 0.5f, .X = 0.4f, .G = 1, .B = 2, .Kta = 1.05f, .Ktr = 0.01f,
                    .Ktn = 3, .Idop = 265, .Sdop = 4.6f};
  (*j.Date)[2] = 20040305;
  j.User->SetItem(2, "Петров");
  ReadSwitchRec(journal, 2, rec);
  SwitchLogToBranch(branches, journal, 1, 2);
  BranchToSwitchLog(branches, journal, 1, 3);

  TRecSwt back;
  ReadBranchRec(branches, 1, back);
  EXPECT_EQ(back.N1, 12);
  EXPECT_EQ(back.N2, 34);
  EXPECT_EQ(back.Nl, 2);
  EXPECT_EQ(back.Name1 + "|" + back.Name2 + "|" + back.DSName + "|" + back.TypEqu + "|" + back.Mark + "|" +
                back.Regulation,
            "ПС Южная.10|ТП-5|Л-5|LN|АС-70|РПН;ПБВ");
  EXPECT_EQ(back.Notv, -3);
  EXPECT_EQ(back.Ntpr, 7);
  EXPECT_EQ(back.Commut, Cp("О"));
  EXPECT_EQ(std::vector<float>({back.Ul, back.R, back.X, back.G, back.B, back.Kta, back.Ktr, back.Ktn, back.Idop,
                                back.Sdop}),
            std::vector<float>({10, 0.5f, 0.4f, 1, 2, 1.05f, 0.01f, 3, 265, 4.6f}));
  // The journal's own columns stay with the journal.
  EXPECT_EQ(j.Date->Get(2), 20040305);
  EXPECT_EQ(j.User->GetItem(2), "Петров");
  EXPECT_EQ(j.Date->Get(3), 0);
  EXPECT_EQ(j.Mark->GetItem(3), "АС-70");
  EXPECT_EQ(j.Sdop->Get(3), 4.6f);
  EXPECT_EQ(b.Text->GetItem(1), "");
}

// One element of each district table and a branch formed from each.
struct District : Scheme {
  TDataFile lines, stations, lines04, inputs;
  TLine10Cols l;
  TTransTPCols t;
  TLine04Cols q;
  TSubstInputCols s;

  District() : Scheme(9) {
    ReadMaket(LayoutLines10, lines);
    CreateColumns(lines, 2);
    FillLine10Cols(lines, l);
    (*l.Idx)[1] = 7;
    l.Name1->SetItem(1, "ПС Южная.10");
    l.Name2->SetItem(1, "ТП-5");
    (*l.Nl)[1] = 1;
    (*l.Idx)[2] = 3;
    (*l.Sign)[2] = Cp("т");  // a cable line takes any number of circuits
    l.Name1->SetItem(2, "ТП-5");
    l.Name2->SetItem(2, "ТП-6");
    (*l.Nl)[2] = 1;
    Link(1, ".RSL", 7, "пс южная.10", "тп-5");
    (*b.Nl)[1] = 1;
    (*b.Commut)[1] = Cp("Н");
    b.Mark->SetItem(1, "АС-95");
    b.DSName->SetItem(1, "Л-7");
    Link(2, ".RSL", 3, "ТП-5", "ТП-6");
    (*b.Nl)[2] = 2;
    Link(3, ".RSL", 99, "нет", "такой");  // no line has this key

    ReadMaket(LayoutTransTP, stations);
    CreateColumns(stations, 1);
    FillTransTPCols(stations, t);
    (*t.Idx)[1] = 4;
    t.Name1->SetItem(1, "ТП-6.10");
    t.Ntr->SetItem(1, "Т1");
    t.NameC->SetItem(1, "6");
    Link(4, ".RTP", 4, "ТП-6.10", "ТП-6.Т1");
    (*b.Commut)[4] = Cp("О");
    b.Mark->SetItem(4, "ТМ-400");
    (*b.Notv)[4] = -2;
    Link(5, ".RTP", -4, "ТП-6.Т1", "ТП-6.6");
    (*b.Commut)[5] = Cp("К");

    ReadMaket(LayoutLines04, lines04);
    CreateColumns(lines04, 2);
    FillLine04Cols(lines04, q);
    (*q.Idx)[1] = 1;
    q.NameTP->SetItem(1, " ТП-5.1 ");  // a digit after the point belongs to the name
    q.Ntr->SetItem(1, "Т2");
    q.Fider->SetItem(1, "Ф3");
    (*q.Idx)[2] = 2;
    q.NameTP->SetItem(2, "ТП-7.А");  // a letter after the point does not
    q.Fider->SetItem(2, " РК-12");
    Link(6, ".R04", 1, "ТП-5.1.Т2", "ТП-5.1.Ф3");
    b.Mark->SetItem(6, "АВВГ");
    Link(7, ".R04", 2, "ТП-7", "РК-12");
    (*b.Commut)[7] = Cp("П");

    ReadMaket(LayoutSubstInputs, inputs);
    CreateColumns(inputs, 1);
    FillSubstInputCols(inputs, s);
    (*s.Idx)[1] = 5;
    s.Subst->SetItem(1, "ПС Южная");
    s.NamePS->SetItem(1, "ПС Южная.10");
    s.LinkPS->SetItem(1, "ПС Южная.Т1");
    Link(8, ".RSV", 5, "ПС Южная", "ПС Южная.10");
    (*b.Commut)[8] = Cp("Ф");
    Link(9, ".RSV", -5, "ПС Южная.10", "ПС Южная.Т1");  // the link side of the same feed
    (*b.Commut)[9] = Cp("О");
  }
  void WriteAll() {
    Write(lines, ".RSL");
    Write(stations, ".RTP");
    Write(lines04, ".R04");
    Write(inputs, ".RSV");
  }
  static void ReadBack(const std::string& name, TDataFile& t) {
    FreeTable(t);
    ReadTableFile(name, t);
  }
};

TEST(SchemeWriteBack, CopiesStateIntoEveryElementTable) {
  District d;
  d.WriteAll();
  test::ScriptedMsgBox box;
  ASSERT_TRUE(SyncSchemeWithElementTables(d.base, d.branches));
  EXPECT_TRUE(box.Calls().empty());
  for (const char* ext : {".RSL", ".RTP", ".R04", ".RSV"}) EXPECT_FALSE(std::filesystem::exists(d.base + ext + "~"));

  District::ReadBack(d.base + ".RSL", d.lines);
  FillLine10Cols(d.lines, d.l);
  EXPECT_EQ(d.l.Commut->Get(1), Cp("Н"));
  EXPECT_EQ(d.l.KodLine->GetItem(1), "АС-95");
  EXPECT_EQ(d.l.DSNum->GetItem(1), "Л-7");

  District::ReadBack(d.base + ".RTP", d.stations);
  FillTransTPCols(d.stations, d.t);
  EXPECT_EQ(d.t.Commut->Get(1), Cp("О"));
  EXPECT_EQ(d.t.Transform->GetItem(1), "ТМ-400");
  EXPECT_EQ(d.t.Notv->Get(1), -2);
  EXPECT_EQ(d.t.CommutC->Get(1), Cp("К"));

  District::ReadBack(d.base + ".R04", d.lines04);
  FillLine04Cols(d.lines04, d.q);
  EXPECT_EQ(d.q.KodLine->GetItem(1), "АВВГ");
  EXPECT_EQ(d.q.Commut->Get(2), Cp("П"));

  District::ReadBack(d.base + ".RSV", d.inputs);
  FillSubstInputCols(d.inputs, d.s);
  EXPECT_EQ(d.s.B->Get(1), Cp("Ф"));
  EXPECT_EQ(d.s.ComPS->Get(1), Cp("О"));
}

TEST(SchemeWriteBack, MismatchIsReportedAndNothingIsWritten) {
  {
    Scheme plain(1);  // a scheme not formed from a district base
    test::ScriptedMsgBox box;
    EXPECT_TRUE(SyncSchemeWithElementTables(plain.base, plain.branches));
    EXPECT_TRUE(box.Calls().empty());
    EXPECT_TRUE(std::filesystem::is_empty(plain.dir.Path()));
  }
  struct Case {
    int row;
    std::function<void(District&)> spoil;
    const char* table;
  };
  const Case cases[] = {
      {1, [](District& d) { (*d.b.Nl)[1] = 2; }, "Линии 10(6) кВ"},
      {5, [](District& d) { d.b.Name2->SetItem(5, "ТП-6.10"); }, "Трансформаторы ТП,РП"},
      {6, [](District& d) { d.q.NameTP->SetItem(1, "ТП-5.Б"); }, "Линии 0.4 кВ"},
      {8, [](District& d) { d.b.Name2->SetItem(8, "ПС Южная.6"); }, "Вводы подстанций"},
  };
  for (const Case& c : cases) {
    District d;
    c.spoil(d);
    d.WriteAll();
    const std::string before[] = {ReadBytes(d.base + ".RSL"), ReadBytes(d.base + ".RTP"), ReadBytes(d.base + ".R04"),
                                  ReadBytes(d.base + ".RSV")};
    test::ScriptedMsgBox box;
    EXPECT_FALSE(SyncSchemeWithElementTables(d.base, d.branches));
    ASSERT_EQ(box.Calls().size(), 1u);
    EXPECT_EQ(box.Calls()[0].text, "Таблица \"Ветви схемы\" (строка " + std::to_string(c.row) +
                                       ") не соответствует таблице \"" + c.table +
                                       "\". Необходимо заново загрузить схему");
    EXPECT_EQ(box.Calls()[0].kind, mkError);
    EXPECT_EQ(ReadBytes(d.base + ".RSL"), before[0]);
    EXPECT_EQ(ReadBytes(d.base + ".RTP"), before[1]);
    EXPECT_EQ(ReadBytes(d.base + ".R04"), before[2]);
    EXPECT_EQ(ReadBytes(d.base + ".RSV"), before[3]);
  }
}

}  // namespace
}  // namespace ld
