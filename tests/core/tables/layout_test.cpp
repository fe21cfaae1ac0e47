#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "core/base/numfmt.h"
#include "core/tables/layout.h"
#include "support/test_env.h"
#include "tables_fixture.h"

namespace ld {
namespace {

using test::LayoutScope;
using test::ErrorOf;
using test::TempDir;

std::string ColumnLines(int count) {
  std::string lines;
  for (int k = 1; k <= count; ++k) lines += "l,50,5,0,1,1,0,0,F" + std::to_string(k) + ",Поле\n";
  return lines;
}

TEST(Layout, ReadsBlockFields) {
  TempDir dir;
  LayoutScope scope(dir,
                    "что угодно до блоков\n"
                    "Name=Другой\nExtention=.X\nCount=1\nOrder=\nl,50,5,0,1,1,0,0,A,A\n\n"
                    "Name=Проба\nExtention= .PRB \nCount=3\nOrder=3, 1\n"
                    "+l,50,5,0,1,1,0,0,Nr,Номер\n"
                    "s, 120 ,10,-1,0,1,20,4, Name ,Имя, узла, полное ~Коммент с пробелами   \n"
                    "f,-60,12,65535,1,0,255,15,P,P, МВт\n");
  TDataFile t;
  ASSERT_TRUE(ReadMaket("Проба", t));
  EXPECT_EQ(t.Name, "Проба");
  EXPECT_EQ(t.Extention, ".PRB");
  ASSERT_EQ(t.NCols, 3);
  ASSERT_EQ(t.NOrder, 2);
  EXPECT_EQ(t.Order[1], 3);
  EXPECT_EQ(t.Order[2], 1);
  EXPECT_EQ(t.ColFlag[1], '+');
  EXPECT_EQ(t.ColFlag[2], 0);
  EXPECT_EQ(std::string(t.ColType.begin() + 1, t.ColType.begin() + 4), "lsf");
  EXPECT_EQ(t.PixWidth[2], 120);
  EXPECT_EQ(t.PixWidth[3], -60);
  EXPECT_EQ(t.CtrlSize[2], 10);
  EXPECT_EQ(t.FltDigit[2], -1);
  EXPECT_EQ(t.FltDigit[3], -1);  // 65535 is the old spelling of general format
  EXPECT_EQ(t.Access[2], 0);
  EXPECT_EQ(t.Visible[3], 0);
  EXPECT_EQ(t.Colors[2], 20);
  EXPECT_EQ(t.Colors[3], 255);
  EXPECT_EQ(t.TitleColor[3], 15);
  EXPECT_EQ(t.FieldName[2], "Name");
  EXPECT_EQ(t.ColTitle[2], "Имя, узла, полное");
  EXPECT_EQ(t.Comment[2], "Коммент с пробелами   ");
  EXPECT_EQ(t.ColTitle[3], "P, МВт");
  EXPECT_EQ(t.Comment[3], "");
  EXPECT_EQ(t.RowCount, 0);
  EXPECT_FALSE(t.Columns[1]);
  EXPECT_FALSE(t.MarkRec);

  // A second read replaces everything of the first.
  ASSERT_TRUE(ReadMaket("Другой", t));
  EXPECT_EQ(t.NCols, 1);
  EXPECT_EQ(t.NOrder, 0);
  EXPECT_EQ(t.FieldName[2], "");
  EXPECT_EQ(GetMaketExtention("Другой"), ".X");
}

TEST(Layout, RefusesBadLayoutsWithItsMessages) {
  TempDir dir;
  TDataFile t;
  {
    LayoutScope missing((dir / "нет.zr"));
    EXPECT_EQ(ErrorOf([&] { ReadMaket("Узлы схемы", t); }), "Не найден файл макетов");
    EXPECT_EQ(ErrorOf([&] { GetMaketExtention("Узлы схемы"); }), "Не найден файл макетов");
  }
  LayoutScope scope(dir, "Name=Max\nExtention=.M\nCount=70\nOrder=70\n" + ColumnLines(70) +
                             "Name=Big\nExtention=.B\nCount=71\nOrder=\n" + ColumnLines(71) +
                             "Name=Token\nExtention=.T\nCount=1\nOrder=\nl,50,5,0,1,1,0,Nr,Номер\n"
                             "Name=Number\nExtention=.N\nCount=1\nOrder=\nl,5x,5,0,1,1,0,0,Nr,Номер\n"
                             "Name=Byte\nExtention=.Y\nCount=1\nOrder=\nl,50,256,0,1,1,0,0,Nr,Номер\n"
                             "Name=Keys\nExtention=.K\nCount=1\nOrder=2\nl,50,5,0,1,1,0,0,Nr,Номер\n"
                             "Name=Count\nExtention=.C\nCount=abc\nOrder=\n"
                             "Name=NoExt\nCount=1\nOrder=\nl,50,5,0,1,1,0,0,Nr,Номер\n"
                             "Name=Short\nExtention=.S\nCount=2\nOrder=\nl,50,5,0,1,1,0,0,Nr,Номер\n");
  ASSERT_TRUE(ReadMaket("Max", t));
  EXPECT_EQ(t.NCols, 70);
  EXPECT_EQ(t.FieldName[70], "F70");
  EXPECT_EQ(ErrorOf([&] { ReadMaket("Big", t); }), "Макет \"Big\". Превышение по числу колонок (max = 70)");
  EXPECT_EQ(ErrorOf([&] { ReadMaket("Нет такого", t); }), "Макет \"Нет такого\" не найден");
  EXPECT_EQ(ErrorOf([&] { GetMaketExtention("Нет такого"); }), "Макет \"Нет такого\" не найден");
  for (const char* name : {"Token", "Number", "Byte", "Keys", "Short"}) {
    EXPECT_EQ(ErrorOf([&] { ReadMaket(name, t); }), std::string("Ошибка чтения макета \"") + name + "\"");
  }
  EXPECT_EQ(ErrorOf([&] { ReadMaket("Count", t); }), "\"abc\" не является целым числом");
  EXPECT_EQ(ErrorOf([&] { GetMaketExtention("NoExt"); }), "Макет \"NoExt\" не найден");
  // Names are compared exactly: case and spaces matter.
  EXPECT_EQ(ErrorOf([&] { ReadMaket("max", t); }), "Макет \"max\" не найден");
}

TEST(Layout, CreatesTypedColumnsAndFindsFields) {
  TempDir dir;
  LayoutScope scope(dir,
                    "Name=Все\nExtention=.A\nCount=12\nOrder=\n"
                    "b,1,3,0,1,1,0,0,B,b\nc,1,1,0,1,1,0,0,C,c\nd,1,9,2,1,1,0,0,D,d\nf,1,9,2,1,1,0,0,F,f\n"
                    "i,1,6,0,1,1,0,0,I,i\nl,1,9,0,1,1,0,0,L,l\nn,1,19,0,1,1,0,0,N,n\nr,1,9,2,1,1,0,0,R,r\n"
                    "s,1,40,0,1,1,0,0,S,s\nt,1,12,0,1,1,0,0,T,t\nw,1,5,0,1,1,0,0,W,w\nl,1,9,0,1,1,0,0,L,второй L\n"
                    "Name=Плохой\nExtention=.P\nCount=3\nOrder=\n"
                    "l,1,9,0,1,1,0,0,A,a\nx,1,9,0,1,1,0,0,X,x\nl,1,9,0,1,1,0,0,Z,z\n");
  TDataFile t;
  ReadMaket("Все", t);
  CreateColumns(t, 300);
  EXPECT_EQ(t.RowCount, 300);
  ASSERT_TRUE(t.MarkRec);
  EXPECT_GE(t.MarkRec->Size(), 301);
  const std::string letters = "bcdfilnrstwl";
  for (int k = 1; k <= 12; ++k) {
    ASSERT_TRUE(t.Columns[k]) << k;
    EXPECT_EQ(t.Columns[k]->TypeLetter(), letters[k - 1]) << k;
    EXPECT_GE(t.Columns[k]->Size(), 301) << k;
  }
  EXPECT_EQ(t.Columns[10]->ElemSize(), 13);  // a "t" column keeps CtrlSize characters
  EXPECT_EQ(FindColumnIndex("L", t), 6);     // the first of two equal field names
  EXPECT_EQ(GetColumnArray("S", t), t.Columns[9].get());
  EXPECT_EQ(GetColumnDataPtr("D", t), t.Columns[3]->ItemPtr(1));
  EXPECT_EQ(GetColumnAs<DALongint>("L", t), t.Columns[6].get());
  EXPECT_EQ(ErrorOf([&] { FindColumnIndex("l", t); }), "Поле \"l\" макета \"Все\" не найдено");
  EXPECT_EQ(ErrorOf([&] { GetColumnArray("Nope", t); }), "Поле \"Nope\" макета \"Все\" не найдено");
  EXPECT_EQ(ErrorOf([&] { GetColumnAs<DAString>("L", t); }), "Поле \"L\" макета \"Все\" не найдено");

  FreeTable(t);
  EXPECT_EQ(t.RowCount, 0);
  EXPECT_FALSE(t.Columns[1]);
  EXPECT_FALSE(t.MarkRec);
  EXPECT_EQ(t.NCols, 12);  // the layout stays

  TDataFile bad;
  ReadMaket("Плохой", bad);
  EXPECT_EQ(ErrorOf([&] { CreateColumns(bad, 1); }), "Макет \"Плохой\". Неизвестный тип поля : x");
  EXPECT_TRUE(bad.Columns[1]);
  EXPECT_FALSE(bad.Columns[3]);

  EXPECT_EQ(NewColumnArray('q', 1, 1), nullptr);
  auto strings = NewColumnArray('s', 2, 0);
  static_cast<DAString&>(*strings).SetItem(1, "");
  static_cast<DAString&>(*strings).SetItem(2, "текст");
  EXPECT_EQ(ItemPtrByType(*strings, 's', 1), nullptr);  // an empty text has no address
  ASSERT_NE(ItemPtrByType(*strings, 's', 2), nullptr);
  EXPECT_EQ(*static_cast<std::string*>(ItemPtrByType(*strings, 's', 2)), "текст");
}

class CellText : public ::testing::Test {
protected:
  void SetUp() override {
    scope_ = std::make_unique<LayoutScope>(
        dir_, "Name=Ячейки\nExtention=.Y\nCount=11\nOrder=\n"
              "b,1,3,0,1,1,0,0,B,b\nc,1,1,0,1,1,0,0,C,c\nd,1,9,2,1,1,0,0,D,d\nf,1,9,-1,1,1,0,0,F,f\n"
              "i,1,6,0,1,1,0,0,I,i\nl,1,3,0,1,1,0,0,L,l\nn,1,19,0,1,1,0,0,N,n\ns,1,10,0,1,1,0,0,S,s\n"
              "t,1,4,0,1,1,0,0,T,t\ns,1,10,0,0,1,0,0,RO,только чтение\nr,1,9,-1,1,1,0,0,R,r\n");
    ReadMaket("Ячейки", t_);
    CreateColumns(t_, 3);
    saved_ = FormatSettings;
  }
  void TearDown() override { FormatSettings = saved_; }

  bool Set(int row, int col, std::string text) { return SetCellText(t_, row, col, text); }

  TempDir dir_;
  std::unique_ptr<LayoutScope> scope_;
  TDataFile t_;
  TFormatSettings saved_;
};

TEST_F(CellText, ShowsZeroAsEmptyAndFormatsNumbers) {
  for (int col = 1; col <= 11; ++col) {
    EXPECT_EQ(GetCellText(t_, 1, col, false), "") << col;
    EXPECT_EQ(GetCellText(t_, 1, col, true), "") << col;
  }
  EXPECT_EQ(GetCellText(t_, 2, 0, false), "2");  // column 0: the row number
  SetFormatSeparators(",", " ");
  (*GetColumnAs<DAdouble>("D", t_))[1] = 1234.5678;
  EXPECT_EQ(GetCellText(t_, 1, 3, false), "1 234,57");
  EXPECT_EQ(GetCellText(t_, 1, 3, true), "1234,5678");
  SetFormatSeparators(".", " ");
  (*GetColumnAs<DAsingle>("F", t_))[1] = 0.1f;
  EXPECT_EQ(GetCellText(t_, 1, 4, false), "0.1");  // 7 digits of a float
  (*GetColumnAs<DAreal>("R", t_))[1] = 1.0 / 3.0;
  EXPECT_EQ(GetCellText(t_, 1, 11, false), "0.33333333333");
  // Integers and texts are cut to CtrlSize characters, Cyrillic letters counted as one each.
  (*GetColumnAs<DALongint>("L", t_))[1] = 12345;
  EXPECT_EQ(GetCellText(t_, 1, 6, false), "123");
  GetColumnAs<DAString>("S", t_)->SetItem(1, "Подстанция-110");
  EXPECT_EQ(GetCellText(t_, 1, 8, false), "Подстанция");
  // A row beyond RowCount shows nothing even when its array holds a value.
  (*GetColumnAs<DAbyte>("B", t_))[4] = 7;
  EXPECT_EQ(GetCellText(t_, 4, 1, false), "");
}

TEST_F(CellText, StoresTextsByColumnRules) {
  std::string text = "abc";
  (*GetColumnAs<DALongint>("L", t_))[1] = 42;
  EXPECT_FALSE(SetCellText(t_, 1, 6, text));
  EXPECT_EQ(text, "");
  EXPECT_EQ(GetColumnAs<DALongint>("L", t_)->Get(1), 42);
  for (const char* zero : {"-", "", "+"}) {
    EXPECT_TRUE(Set(1, 6, zero)) << zero;
    EXPECT_EQ(GetColumnAs<DALongint>("L", t_)->Get(1), 0) << zero;
  }
  EXPECT_TRUE(Set(1, 3, "1,5"));
  EXPECT_EQ(GetColumnAs<DAdouble>("D", t_)->Get(1), 1.5);
  EXPECT_TRUE(Set(2, 3, "-2.25"));
  EXPECT_EQ(GetColumnAs<DAdouble>("D", t_)->Get(2), -2.25);
  EXPECT_TRUE(Set(1, 4, "0,1"));
  EXPECT_EQ(GetColumnAs<DAsingle>("F", t_)->Get(1), 0.1f);
  EXPECT_TRUE(Set(1, 1, "300"));  // the low byte of the value
  EXPECT_EQ(GetColumnAs<DAbyte>("B", t_)->Get(1), 44);
  EXPECT_TRUE(Set(1, 5, "70000"));
  EXPECT_EQ(GetColumnAs<DAsmallint>("I", t_)->Get(1), 4464);
  EXPECT_TRUE(Set(1, 7, "-9000000000"));
  EXPECT_EQ(GetColumnAs<DAint64>("N", t_)->Get(1), -9000000000LL);
  EXPECT_TRUE(Set(1, 2, "Ж"));
  EXPECT_EQ(static_cast<unsigned char>(GetColumnAs<DAChar>("C", t_)->Get(1)), 0xC6);
  EXPECT_EQ(GetCellText(t_, 1, 2, false), "Ж");

  text = "Подстанция";  // ten characters, twenty bytes: fits CtrlSize 10
  EXPECT_TRUE(SetCellText(t_, 1, 8, text));
  text = "Подстанция-1";
  EXPECT_FALSE(SetCellText(t_, 2, 8, text));
  EXPECT_EQ(text, "Подстанция");
  EXPECT_EQ(GetColumnAs<DAString>("S", t_)->GetItem(2), "Подстанция");
  EXPECT_FALSE(Set(1, 9, "Т-1234"));
  EXPECT_EQ(GetColumnAs<DAFstring>("T", t_)->GetItem(1), "Т-12");

  text = "чужое";  // a read-only column takes nothing and reports success
  EXPECT_TRUE(SetCellText(t_, 1, 10, text));
  EXPECT_EQ(GetColumnAs<DAString>("RO", t_)->GetItem(1), "");
}

// The program's own layout file: every block reads and gives arrays, with the extensions code knows.
TEST(MaketFile, EveryLayoutReadsAndCreatesColumns) {
  const std::string path = (test::DataDir() / "maket.zr").string();
  LayoutScope scope(path);
  std::istringstream lines(Cp1251ToUtf8(test::ReadBytes(path)));
  std::set<std::string> names;
  std::set<std::string> extensions;
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    EXPECT_TRUE(line.empty() || line.find('\t') == std::string::npos);
    if (line.rfind("Name=", 0) != 0) continue;
    const std::string name = line.substr(5);
    EXPECT_TRUE(names.insert(name).second) << name;
    TDataFile t;
    ASSERT_NO_THROW(ReadMaket(name, t)) << name;
    ASSERT_NO_THROW(CreateColumns(t, 2)) << name;
    EXPECT_GT(t.NCols, 0) << name;
    std::set<std::string> fields;
    for (int k = 1; k <= t.NCols; ++k) {
      EXPECT_TRUE(fields.insert(t.FieldName[k]).second) << name << " " << t.FieldName[k];
      EXPECT_FALSE(t.ColTitle[k].empty()) << name << " " << t.FieldName[k];
    }
    const std::string ext = GetMaketExtention(name);
    EXPECT_EQ(ext, t.Extention);
    ASSERT_GE(ext.size(), 2u) << name;
    EXPECT_EQ(ext[0], '.') << name;
    if (ext != ".cat") {
      EXPECT_TRUE(extensions.insert(UpperCase(ext)).second) << name << " " << ext;
    }
  }
  const std::pair<const char*, const char*> known[] = {
      {LayoutNodes, ".UZL"}, {LayoutBranches, ".VET"}, {LayoutLines10, ".RSL"},
      {LayoutLines04, ".R04"}, {LayoutTransTP, ".RTP"}, {LayoutSubstInputs, ".RSV"},
      {LayoutDistrict10, ".RS"}, {LayoutLoadChars, ".cat"}, {"Номинальные напряжения", ".cat"},
      {"Справочник КЛ,ВЛ", ".cat"}, {"Коммутационные аппараты", ".cat"}};
  for (const auto& [name, ext] : known) EXPECT_EQ(GetMaketExtention(name), ext) << name;
  for (const char* name :
       {LayoutDistrict10, LayoutLines10, LayoutLines04, LayoutTransTP, LayoutSubstInputs, LayoutSubstFeeders,
        LayoutConsumers, LayoutMeterPoints, LayoutHouseholds, LayoutNodes, LayoutBranches, LayoutLineFlows,
        LayoutSchemeAreas, LayoutLoadChars, LayoutNodeVoltages, LayoutLineLoads, LayoutTransLoads,
        LayoutLineLosses, LayoutTransLosses, LayoutNodeEnergy, LayoutBranchEnergy, LayoutNodeConsumption,
        LayoutLineEnergy, LayoutTransEnergy, LayoutLineEnergyLosses, LayoutTransEnergyLosses, LayoutTkzSources,
        LayoutTkzRadius, LayoutConsumerList, LayoutEnergyBalances, LayoutSwitchLog, LayoutCapCurrents,
        LayoutUsers, "Справочник ТР(2)", "Справочник ТР(3)", "Справочник ТР(р)", "Справочник токоогр.реакторов",
        "Список ТР(2)", "Список ТР(3)", "Список ТР(р)", "Список токоогр.реакторов", "Каталог графиков",
        "Значения графиков", "Таблица значений графика"}) {
    EXPECT_TRUE(names.count(name)) << name;
  }
}

}  // namespace
}  // namespace ld
