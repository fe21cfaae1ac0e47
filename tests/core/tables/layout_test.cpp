#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>

#include "core/base/codepage.h"
#include "core/base/numfmt.h"
#include "core/tables/layout.h"
#include "support/fuzz_mutations.h"
#include "support/test_env.h"
#include "tables_fixture.h"

namespace ld {
namespace {

using test::ErrorOf;
using test::LayoutScope;
using test::TempDir;
namespace fs = std::filesystem;

std::string Block(const std::string& name, const std::string& count, const std::string& order,
                  const std::string& columns) {
  return "Name=" + name + "\nExtention=.X\nCount=" + count + "\nOrder=" + order + "\n" + columns;
}

std::string ColumnLines(int count) {
  std::string lines;
  for (int k = 1; k <= count; ++k) lines += "l,50,5,0,1,1,0,0,F" + std::to_string(k) + ",Поле\n";
  return lines;
}

TEST(Layout, RefusesBadLayoutsWithItsMessages) {
  TempDir dir;
  TDataFile t;
  {
    LayoutScope missing((dir / "нет.zr"));
    const std::string missingText = "Не найден файл макетов \"" + (dir / "нет.zr") + "\"";
    EXPECT_EQ(ErrorOf([&] { ReadMaket("Узлы схемы", t); }), missingText);
    EXPECT_EQ(ErrorOf([&] { GetMaketExtention("Узлы схемы"); }), missingText);
    fs::create_directory(dir / "нет.zr");  // a folder where the file should be
    EXPECT_EQ(ErrorOf([&] { ReadMaket("Узлы схемы", t); }),
              "Ошибка чтения файла макетов \"" + (dir / "нет.zr") + "\": это папка, а не файл");
  }
  const std::string nr = "l,50,5,0,1,1,0,0,Nr,Номер\n";
  LayoutScope scope(dir, Block("Max", "70", "70", ColumnLines(70)) + Block("Big", "71", "", ColumnLines(71)) +
                             Block("Token", "1", "", "l,50,5,0,1,1,0,Nr,Номер\n") +
                             Block("Number", "1", "", "l,5x,5,0,1,1,0,0,Nr,Номер\n") +
                             Block("Byte", "1", "", "l,50,256,0,1,1,0,0,Nr,Номер\n") + Block("Keys", "1", "2", nr) +
                             Block("Count", "abc", "", "") + "Name=NoExt\nCount=1\nOrder=\n" + nr +
                             Block("Short", "2", "", nr));
  ASSERT_TRUE(ReadMaket("Max", t));
  EXPECT_EQ(t.FieldName[70], "F70");
  const std::string file = " файла \"" + (dir / "maket.zr") + "\"";
  const std::string inFile = " в файле \"" + (dir / "maket.zr") + "\"";
  EXPECT_EQ(ErrorOf([&] { ReadMaket("Big", t); }),
            "Макет \"Big\". Превышение по числу колонок (max = 70): строка 77" + file);
  EXPECT_EQ(ErrorOf([&] { ReadMaket("max", t); }), "Макет \"max\" не найден" + inFile);  // names compare exactly
  EXPECT_EQ(ErrorOf([&] { GetMaketExtention("Нет"); }), "Макет \"Нет\" не найден" + inFile);
  EXPECT_EQ(ErrorOf([&] { GetMaketExtention("NoExt"); }), "Макет \"NoExt\" не найден" + inFile);
  // Each names its line of the file: the broken column line, the key order, the column count.
  for (const auto& [name, line] : std::vector<std::pair<std::string, int>>{
           {"Token", 154}, {"Number", 159}, {"Byte", 164}, {"Keys", 168}, {"Count", 172}, {"Short", 183}}) {
    EXPECT_EQ(ErrorOf([&] { ReadMaket(name, t); }),
              "Ошибка чтения макета \"" + name + "\": строка " + std::to_string(line) + file);
  }
}

TEST(Layout, DamagedLayoutFilesAreRefusedNamingTheLayoutAndTheFile) {
  TempDir dir;
  const std::vector<std::string> names = {"Узлы", "Ветви", "Пустой"};
  LayoutScope scope(dir, Block(names[0], "3", "2,1", "l,50,5,0,1,1,0,0,Nr,Номер\ns,120,10,-1,0,1,20,4,Name,Имя ~к\n"
                                                      "+f,60,8,3,1,1,0,0,P,P~\n") +
                             Block(names[1], "2", "", "t,40,12,0,1,1,0,0,T,Текст\nw,40,5,0,1,1,0,0,W,Слово\n") +
                             Block(names[2], "0", "", ""));
  const std::string valid = test::ReadBytes(MaketFileName);
  std::mt19937 random(1120);
  TDataFile t;
  for (int round = 0; round < 2000; ++round) {
    test::WriteBytes(MaketFileName, test::Mutate(valid, random));
    for (const std::string& name : names) {
      for (const std::string& error : {ErrorOf([&] { ReadMaket(name, t); }), ErrorOf([&] { GetMaketExtention(name); })}) {
        if (error == "<no error>") continue;
        ASSERT_NE(error.find("\"" + MaketFileName + "\""), std::string::npos) << error;
        ASSERT_NE(error.find("\"" + name + "\""), std::string::npos) << error;
      }
      // A layout that reads may still declare a type that no column has: refused when its columns are made.
      const std::string error = ErrorOf([&] { ReadMaket(name, t); CreateColumns(t, 3); });
      if (error != "<no error>") {
        ASSERT_NE(error.find("\"" + name + "\""), std::string::npos) << error;
      }
    }
  }
}

// Every layout of the program's layout file names the units of what is really stored: energies are kept
// in kW·h and kvar·h (the fields W…, dW… and the household base's Ws, Wt, Wl), and a measured value whose
// unit follows its row's load kind (an active and reactive pair in a layout with a "… нагр." kind
// column) names no single unit of its own but the unit of each kind. Kinds 4 and 5 are the period's
// energies wherever they are named: a station whose kW·h were typed as the MW of a caption would be a
// thousandth of its load spread over the period.
TEST(Layout, ProgramLayoutsCaptionTheUnitsAsStored) {
  const fs::path file = test::DataDir() / "maket.zr";
  LayoutScope scope(file.string());
  std::vector<std::string> names;
  std::istringstream text(Cp1251ToUtf8(test::ReadBytes(file)));
  for (std::string line; std::getline(text, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("Name=", 0) == 0) names.push_back(line.substr(5));
  }
  ASSERT_GT(names.size(), 40u);
  const std::regex energy("^d?W(P|Q|$)|^W[stl]$");
  const std::set<std::string> measured = {"P", "Q", "Pm", "Qm", "Pr", "Qr", "Pl", "Ql", "Pn", "Qn", "Pg", "Qg"};
  auto unit = [](const std::string& title) {
    const auto comma = title.rfind(", ");
    return comma == std::string::npos ? std::string() : title.substr(comma + 2);
  };
  auto has = [](const TDataFile& t, const std::string& field) {
    return std::find(t.FieldName.begin() + 1, t.FieldName.begin() + t.NCols + 1, field) != t.FieldName.begin() + t.NCols + 1;
  };
  // The units that a hint names for each kind: "(Вид нагр.): 1, 2 - кВт; 3 - А; 4, 5 - кВт*ч" → {1: кВт, …}.
  auto kindUnits = [](const std::string& comment) {
    std::map<int, std::string> units;
    const auto start = comment.find("нагр.): ");
    if (start == std::string::npos) return units;
    std::istringstream parts(comment.substr(start + std::string("нагр.): ").size()));
    for (std::string part; std::getline(parts, part, ';');) {
      const auto dash = part.find(" - ");
      std::istringstream kinds(part.substr(0, dash));
      for (std::string kind; std::getline(kinds, kind, ',');)
        units[std::stoi(kind)] = dash == std::string::npos ? "" : part.substr(dash + 3);
    }
    return units;
  };
  const std::map<int, std::string> activeUnits = {{0, "Кз, %"}, {1, "кВт"},    {2, "кВт"}, {3, "А"},
                                                  {4, "кВт*ч"}, {5, "кВт*ч"}, {6, "МВт"}};
  const std::map<int, std::string> reactiveUnits = {{0, "tg"},     {1, "кВАр"}, {2, "tg"}, {3, "tg"},
                                                    {4, "кВАр*ч"}, {5, "tg"},   {6, "МВАр"}};
  int energies = 0, byKind = 0, hints = 0;
  for (const std::string& name : names) {
    TDataFile t;
    ReadMaket(name, t);
    bool kinds = false;
    for (int k = 1; k <= t.NCols; ++k) {
      const std::string& f = t.FieldName[k];
      kinds |= (f == "T" || f == "Typ" || f == "TypPQ") && t.ColTitle[k].find("нагр.") != std::string::npos;
    }
    for (int k = 1; k <= t.NCols; ++k) {
      const std::string& f = t.FieldName[k];
      const std::string where = name + ": " + f + " \"" + t.ColTitle[k] + "\"";
      const std::map<int, std::string> units = kindUnits(t.Comment[k]);
      if (!units.empty()) ++hints;
      for (const auto& [kind, u] : units) {
        const std::map<int, std::string>& expected = f[0] == 'Q' ? reactiveUnits : activeUnits;
        const auto it = expected.find(kind);
        EXPECT_TRUE(it != expected.end() && it->second == u) << where << ": kind " << kind << " - " << u;
      }
      if (std::regex_search(f, energy)) {
        ++energies;
        const bool reactive = f.find("WQ") != std::string::npos;
        EXPECT_EQ(unit(t.ColTitle[k]), reactive ? "кВАр*ч" : "кВт*ч") << where;
      } else if (kinds && measured.count(f) != 0 && has(t, (f[0] == 'P' ? "Q" : "P") + f.substr(1))) {
        ++byKind;
        EXPECT_EQ(unit(t.ColTitle[k]), "по виду") << where;
        for (const char* u :
             f[0] == 'P' ? std::vector<const char*>{"кВт", "А"} : std::vector<const char*>{"кВАр", "tg"})
          EXPECT_NE(t.Comment[k].find(u), std::string::npos) << where << " names no " << u;
        for (int kind = 1; kind <= 5; ++kind) EXPECT_EQ(units.count(kind), 1u) << where << " names no kind " << kind;
      }
    }
  }
  EXPECT_GT(energies, 150);
  EXPECT_GE(byKind, 22);  // the .RS file's P, Q; the stations' and 0.4 kV lines' loads; feeds, feeders, flows
  EXPECT_EQ(hints, byKind) << "a hint by kind belongs to a measured pair";
}

TEST(CellText, ShowsAndStoresByColumnRules) {
  TempDir dir;
  LayoutScope scope(dir, Block("Ячейки", "11", "",
                               "b,1,3,0,1,1,0,0,B,b\nc,1,1,0,1,1,0,0,C,c\nd,1,9,2,1,1,0,0,D,d\nf,1,9,-1,1,1,0,0,F,f\n"
                               "i,1,6,0,1,1,0,0,I,i\nl,1,3,0,1,1,0,0,L,l\nn,1,19,0,1,1,0,0,N,n\ns,1,10,0,1,1,0,0,S,s\n"
                               "t,1,4,0,1,1,0,0,T,t\ns,1,10,0,0,1,0,0,RO,ro\nr,1,9,-1,1,1,0,0,R,r\n"));
  TDataFile t;
  ReadMaket("Ячейки", t);
  CreateColumns(t, 3);
  const TFormatSettings saved = FormatSettings;
  auto text = [&](int col, bool raw = false) { return GetCellText(t, 1, col, raw); };
  auto set = [&](int col, std::string s) { return SetCellText(t, 1, col, s); };

  for (int col = 1; col <= 11; ++col) EXPECT_EQ(text(col) + text(col, true), "") << col;  // zero shows empty
  EXPECT_EQ(GetCellText(t, 2, 0, false), "2");
  SetFormatSeparators(",", " ");
  EXPECT_TRUE(set(3, "1234.5678"));
  EXPECT_EQ(text(3), "1 234,57");
  EXPECT_EQ(text(3, true), "1234,5678");
  FormatSettings = saved;
  EXPECT_TRUE(set(4, "0,1"));
  EXPECT_EQ(text(4), "0.1");  // 7 digits of a float
  EXPECT_TRUE(set(11, "0.333333333333333"));
  EXPECT_EQ(text(11), "0.33333333333");
  (*GetColumnAs<DALongint>("L", t))[1] = 12345;  // integers and texts are cut to CtrlSize characters
  EXPECT_EQ(text(6), "123");
  GetColumnAs<DAString>("S", t)->SetItem(1, "Подстанция-110");
  EXPECT_EQ(text(8), "Подстанция");
  (*GetColumnAs<DAbyte>("B", t))[4] = 7;
  EXPECT_EQ(GetCellText(t, 4, 1, false), "");  // beyond RowCount

  std::string bad = "abc";
  EXPECT_FALSE(SetCellText(t, 1, 6, bad));
  EXPECT_EQ(bad + text(6), "123");  // text cleared, cell kept
  for (const char* zero : {"-", "", "+"}) {
    EXPECT_TRUE(set(6, zero));
    EXPECT_EQ(GetColumnAs<DALongint>("L", t)->Get(1), 0) << zero;
  }
  EXPECT_TRUE(set(1, "300"));  // the low bits in the column's width
  EXPECT_TRUE(set(5, "70000"));
  EXPECT_TRUE(set(7, "-9000000000"));
  EXPECT_TRUE(set(2, "Ж"));
  EXPECT_EQ(text(1) + "/" + text(5) + "/" + text(7) + "/" + text(2), "44/4464/-9000000000/Ж");
  EXPECT_EQ(static_cast<unsigned char>(GetColumnAs<DAChar>("C", t)->Get(1)), 0xC6);

  EXPECT_TRUE(set(8, "Подстанция"));  // ten characters, twenty bytes: fits CtrlSize 10
  std::string longer = "Подстанция-1";
  EXPECT_FALSE(SetCellText(t, 1, 8, longer));
  EXPECT_EQ(longer + text(8), "ПодстанцияПодстанция");
  EXPECT_FALSE(set(9, "Т-1234"));
  EXPECT_EQ(text(9), "Т-12");
  EXPECT_TRUE(set(10, "чужое"));  // a read-only column takes nothing and reports success
  EXPECT_EQ(text(10), "");
}

}  // namespace
}  // namespace ld
