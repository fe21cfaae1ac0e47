#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "core/base/codepage.h"
#include "core/tables/colmaps.h"
#include "core/tables/switch_rec.h"
#include "core/tables/table_run.h"
#include "core/tables/table_file.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"
#include "tables_fixture.h"

namespace ld {
namespace {

// The element tables with the scheme's state, written in a run of their own.
bool WriteBack(const std::string& base, TDataFile& branches) {
  TElementTables tables;
  if (!PrepareElementTables(base, branches, tables)) return false;
  WriteTablesTogether(tables.Files());
  return true;
}

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
    q.NameTP->SetItem(1, " ТП-5.1 ");  // a digit after the point names a bus section, not the station
    q.Ntr->SetItem(1, "Т2");
    q.Fider->SetItem(1, "Ф3");
    (*q.Idx)[2] = 2;
    q.NameTP->SetItem(2, "ТП-7.А");  // a letter after the point belongs to the name
    q.Fider->SetItem(2, " РК-12");
    Link(6, ".R04", 1, "ТП-5.Т2", "ТП-5.Ф3");
    b.Mark->SetItem(6, "АВВГ");
    Link(7, ".R04", 2, "ТП-7.А", "РК-12");
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
};

// The scheme's state reaches every element table: a line's switching, mark and device name, a station's
// switching, transformer and tap and, through its second side, the switching of its low end.
TEST(SchemeWriteBack, CopiesStateIntoEveryElementTable) {
  District d;
  d.WriteAll();
  test::ScriptedMsgBox box;
  ASSERT_TRUE(WriteBack(d.base, d.branches));
  EXPECT_TRUE(box.Calls().empty());
  for (const char* ext : {".RSL", ".RTP", ".R04", ".RSV"}) EXPECT_FALSE(std::filesystem::exists(d.base + ext + "~"));
  auto readBack = [&](const char* ext, TDataFile& t) {
    FreeTable(t);
    ReadTableFile(d.base + ext, t);
  };
  readBack(".RSL", d.lines);
  FillLine10Cols(d.lines, d.l);
  EXPECT_EQ(std::tuple(d.l.Commut->Get(1), d.l.KodLine->GetItem(1), d.l.DSNum->GetItem(1)),
            std::tuple(Cp("Н"), std::string("АС-95"), std::string("Л-7")));
  readBack(".RTP", d.stations);
  FillTransTPCols(d.stations, d.t);
  EXPECT_EQ(std::tuple(d.t.Commut->Get(1), d.t.Transform->GetItem(1), d.t.Notv->Get(1), d.t.CommutC->Get(1)),
            std::tuple(Cp("О"), std::string("ТМ-400"), -2, Cp("К")));
  readBack(".R04", d.lines04);
  FillLine04Cols(d.lines04, d.q);
  EXPECT_EQ(std::pair(d.q.KodLine->GetItem(1), d.q.Commut->Get(2)), std::pair(std::string("АВВГ"), Cp("П")));
  readBack(".RSV", d.inputs);
  FillSubstInputCols(d.inputs, d.s);
  EXPECT_EQ(std::pair(d.s.B->Get(1), d.s.ComPS->Get(1)), std::pair(Cp("Ф"), Cp("О")));
}

TEST(SchemeWriteBack, MismatchIsReportedAndNothingIsWritten) {
  {
    Scheme plain(1);  // a scheme not formed from a district base
    test::ScriptedMsgBox box;
    EXPECT_TRUE(WriteBack(plain.base, plain.branches));
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
    EXPECT_FALSE(WriteBack(d.base, d.branches));
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
