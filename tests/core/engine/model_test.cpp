// Reading a scheme into the element model: counters, orientation of branches, unsupplied parts, row
// marks written back, messages, stages, the upgrade of an old branch table; then the model as a tree
// with closing contours, shunts at the nodes, open loops and the contour listings.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/strings.h"
#include "core/engine/regime.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "scheme_builder.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

using C = std::complex<double>;

// Nodes 1 and 5 balancing ("b" in lower case), 3 fixed-voltage, 7 and 8 an island joined only by a
// switched-off branch; row 8 (node 4) still carries the mark of an earlier unsupplied state.
SchemeBuilder MarkedScheme() {
  SchemeBuilder s;
  s.Title = "Тест";
  s.Node(10, "", 0.1, 0.05).Name = "ТП-10";
  NodeSpec& b1 = s.Node(1, "B");
  b1.Um = 10.5f;
  b1.Name = "ПС-1";
  s.Node(2, "", 0.2, 0.1).Um = 10;
  NodeSpec& pv = s.Node(3, "U", 0.1, 0.0);
  pv.Um = 10.3f;
  s.Node(7, "", 0.1, 0.1).Name = "Остров-7";
  s.Node(8, "", 0.1, 0.1);
  s.Node(5, "b").Um = 10.4f;
  s.Node(4, "", 0.1, 0.1).Mark = 'p';
  s.Branch(10, 1, 0.5, 0.5);
  s.Branch(2, 1, 0.5, 0.5);
  s.Branch(3, 2, 0.5, 0.5);
  s.Branch(4, 3, 0.5, 0.5);
  s.Branch(4, 5, 0.5, 0.5);
  s.Branch(7, 8, 0.5, 0.5);
  s.Branch(7, 4, 0.5, 0.5).Commut = "О";
  s.Branch(10, 2, 0.5, 0.5).Commut = "Н";
  s.Branches.back().RowMark = 'p';
  return s;
}

std::vector<std::uint8_t> FileMarks(const std::string& file) {
  TDataFile t;
  ReadTableFile(file, t);
  std::vector<std::uint8_t> marks;
  for (int row = 1; row <= t.RowCount; ++row) marks.push_back(t.MarkRec->Get(row));
  return marks;
}

TEST(SchemeModel, CountersMarksAndUnsuppliedNodes) {
  TempDir dir;
  const SchemeBuilder s = MarkedScheme();
  std::vector<std::string> names[3];
  for (int mode = 0; mode < 3; ++mode) {
    TRegime r;
    r.NameMode = static_cast<std::uint8_t>(mode);
    r.Unsupplied = &names[mode];
    std::vector<std::uint8_t> nodeMarks = {9, 9}, branchMarks;
    r.NodeMarks = &nodeMarks;
    r.BranchMarks = &branchMarks;
    const std::string path = s.Read(r, dir.Path());
    ASSERT_TRUE(r.SchemeRead);
    EXPECT_EQ(r.SchemeName, "Тест");
    EXPECT_EQ(r.SchemePath, path);
    EXPECT_EQ(r.NodeCount, 8);
    EXPECT_EQ(r.BranchCount, 8);
    EXPECT_EQ(r.BalancingCount, 2);
    EXPECT_EQ(r.FixedCount, 1);
    EXPECT_EQ(r.UnsuppliedCount, 2);
    // The ring through both balancing nodes and the fixed-voltage node's own contour.
    EXPECT_EQ(r.NetworkContourCount, 1);
    EXPECT_EQ(r.TotalContourCount, 2);
    EXPECT_EQ(nodeMarks, (std::vector<std::uint8_t>{0, 0, 0, 0, 1, 1, 0, 0}));
    EXPECT_EQ(branchMarks, (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 1, 1, 0}));
    // Marks are written back into both files.
    EXPECT_EQ(FileMarks(path + ".UZL"), (std::vector<std::uint8_t>{0, 16, 0, 'P', 'p', 'p', 16, 0}));
    EXPECT_EQ(FileMarks(path + ".VET"), (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 'p', 'p', 0}));

    // The branch open at its far end closes no loop; the island's branch hangs behind the supplied ones.
    const TRegimeElement* open = FindBranch(r, 8);
    EXPECT_EQ(open->Flags & efReportMask, efLoopClosing | efOpenNumber);
    const TRegimeElement* off = FindBranch(r, 7);
    EXPECT_EQ(off->Flags & efReportMask, efLoopClosing | efOpenNumber | efOpenNumber2);
    const TRegimeElement* island = FindBranch(r, 6);
    EXPECT_EQ(island->Flags & efReportMask, efLoopClosing | efReversed | efUnsupplied);
    EXPECT_EQ(FindNode(r, 7)->Flags & efReportMask, efSource | efUnsupplied);
    EXPECT_EQ(FindNode(r, 3)->Flags & efFixedVoltage, efFixedVoltage);
    EXPECT_EQ(FindNode(r, 5)->Parent, r.Root);
  }
  EXPECT_EQ(names[0], (std::vector<std::string>{"7", "8"}));
  EXPECT_EQ(names[1], (std::vector<std::string>{"Остров-7", ""}));
  EXPECT_EQ(names[2], (std::vector<std::string>{"7 Остров-7", "8"}));
}

TEST(SchemeModel, MessagesNameTheScheme) {
  TempDir dir;
  auto errorsOf = [&](const SchemeBuilder& s, auto&& setup) {
    TRegime r;
    std::vector<std::string> errors;
    r.Errors = &errors;
    setup(r);
    s.Read(r, dir.Path());
    EXPECT_TRUE(r.ModelError);
    EXPECT_FALSE(r.SchemeRead);
    return errors;
  };
  auto none = [](TRegime&) {};

  SchemeBuilder noSource;
  noSource.Title = "Тест";
  noSource.Node(1).Um = 10;
  noSource.Node(2).Um = 10;
  noSource.Branch(2, 1, 1, 1);
  EXPECT_EQ(errorsOf(noSource, none), (std::vector<std::string>{"В схеме \"Тест\" нет балансирующих пунктов"}));

  SchemeBuilder base;
  base.Title = "Тест";
  base.Node(1, "B").Um = 10.5f;
  base.Node(2).Um = 10;
  base.Branch(2, 1, 1, 1);

  SchemeBuilder strayEnds = base;
  strayEnds.Branch(98, 97, 1, 1);
  EXPECT_EQ(errorsOf(strayEnds, none), (std::vector<std::string>{"Схема \"Тест\". Отсутствует узел : 98",
                                                                 "Схема \"Тест\". Отсутствует узел : 97"}));
  SchemeBuilder strayLoop = base;
  strayLoop.Branch(2, 99, 1, 1);
  EXPECT_EQ(errorsOf(strayLoop, none), (std::vector<std::string>{"Схема \"Тест\". Отсутствует узел : 99"}));

  // A balancing node without a voltage is an error whatever form the loads take.
  SchemeBuilder noSourceVoltage = base;
  noSourceVoltage.Nodes[0].Um = 0;
  EXPECT_EQ(errorsOf(noSourceVoltage, [](TRegime& r) { r.LoadType = 1; }),
            (std::vector<std::string>{"Схема \"Тест\". В узле 1 не задано напряжение (Um)"}));

  SchemeBuilder noBase = base;
  noBase.Nodes[1].Nsh = 2;
  EXPECT_EQ(errorsOf(noBase, [](TRegime& r) { r.StaticChars = true; }),
            (std::vector<std::string>{"Схема \"Тест\". В узле 2 не задано напряжение (Uс.х.)"}));

  // A number that is no number in any input: refused with its table, row and column, as written in
  // the file (a float column keeps its infinity, a double its NaN).
  SchemeBuilder nanLoad = base;
  nanLoad.Nodes[1].Pn = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(errorsOf(nanLoad, none), (std::vector<std::string>{
                                         "Схема \"Тест\". Таблица узлов, строка 2, столбец \"Pn\": значение не является числом"}));
  SchemeBuilder infiniteReactance = base;
  infiniteReactance.Branches[0].X = -std::numeric_limits<float>::infinity();
  EXPECT_EQ(errorsOf(infiniteReactance, none),
            (std::vector<std::string>{
                "Схема \"Тест\". Таблица ветвей, строка 1, столбец \"X\": значение равно минус бесконечности"}));

  // An earlier result that is no number is only a bad start, which the calculation replaces.
  {
    SchemeBuilder nanStart = base;
    nanStart.Nodes[1].Urez = std::numeric_limits<double>::quiet_NaN();
    TRegime r;
    std::vector<std::string> errors;
    r.Errors = &errors;
    nanStart.Read(r, dir.Path());
    EXPECT_FALSE(r.ModelError);
    EXPECT_TRUE(errors.empty());
  }

  // The message box gets the same text as an error.
  {
    ScriptedMsgBox box;
    TRegime r;
    r.ShowMessages = true;
    noSource.Read(r, dir.Path());
    ASSERT_EQ(box.Calls().size(), 1u);
    EXPECT_EQ(box.Calls()[0].text, "В схеме \"Тест\" нет балансирующих пунктов");
    EXPECT_EQ(box.Calls()[0].kind, 0);
  }
}

// A branch file of the old format: no commutation column, the equipment in one text.
TEST(SchemeModel, OldBranchTableIsUpgraded) {
  TempDir dir;
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  for (int n = 2; n <= 6; ++n) s.Node(n).Um = 10;
  const std::string path = s.Write(dir.Path());

  // The layout of the old files: the branch block without "Commut".
  std::string maket = Cp1251ToUtf8(ReadBytes(DataDir() / "maket.zr"));
  const std::size_t block = maket.find("Name=Ветви схемы");
  const std::size_t count = maket.find("Count=", block);
  const std::size_t countEnd = maket.find('\r', count);
  const int columns = std::stoi(maket.substr(count + 6, countEnd - count - 6));
  maket.replace(count, countEnd - count, "Count=" + std::to_string(columns - 1));
  const std::size_t column = maket.find(",Commut,", block);
  const std::size_t lineStart = maket.rfind('\n', column) + 1;
  maket.erase(lineStart, maket.find('\n', column) + 1 - lineStart);
  WriteBytes(dir.Path() / "old.zr", Utf8ToCp1251(maket));

  struct Old {
    int n1, n2;
    char com1, com2;
    const char* text;
  };
  const Old rows[] = {{2, 1, 'O', 'O', "LN|АС-70"},
                      {3, 2, 'F', 0, "T2|ТМ-400|Pos=5"},
                      {4, 3, 'O', 0, "TR1|ТРДН|2Pos=3"},
                      {5, 4, 0, 'O', "без разделителей"},
                      {6, 5, 0, 0, "TR1|x|yPos=3"}};
  MaketFileName = (dir.Path() / "old.zr").string();
  TDataFile old;
  ReadMaket(LayoutBranches, old);
  CreateColumns(old, 5);
  for (int row = 1; row <= 5; ++row) {
    const Old& o = rows[row - 1];
    *GetColumnAs<DALongint>("N1", old)->ItemPtr(row) = o.n1;
    *GetColumnAs<DALongint>("N2", old)->ItemPtr(row) = o.n2;
    *GetColumnAs<DAChar>("Com1", old)->ItemPtr(row) = o.com1;
    *GetColumnAs<DAChar>("Com2", old)->ItemPtr(row) = o.com2;
    GetColumnAs<DAString>("Text", old)->SetItem(row, o.text);
    *GetColumnAs<DAsingle>("R", old)->ItemPtr(row) = 1;
  }
  WriteTableFile(path + ".VET", old);
  MaketFileName = (DataDir() / "maket.zr").string();
  ASSERT_FALSE(FileHasField(path + ".VET", "Commut"));

  TRegime r;
  r.ReadScheme(path);
  ASSERT_TRUE(FileHasField(path + ".VET", "Commut"));
  TDataFile upgraded;
  ReadTableFile(path + ".VET", upgraded);
  TBranchCols b;
  FillBranchCols(upgraded, b);
  const std::vector<std::string> commut = {"О", "Ф", "Н", "К", ""};
  const std::vector<std::string> type = {"LN|", "T2|ТМ-400|", "TR1|ТРДН|2", "", "TR1|x|y"};
  const std::vector<std::string> mark = {"АС-70", "", "", "без разделителей", ""};
  const std::vector<int> tap = {0, 5, 3, 0, 3};
  for (int row = 1; row <= 5; ++row) {
    const char c = b.Commut->Get(row);
    EXPECT_EQ(c == 0 ? std::string() : Cp1251ToUtf8(std::string(1, c)), commut[row - 1]) << row;
    EXPECT_EQ(b.TypEqu->GetItem(row), type[row - 1]) << row;
    EXPECT_EQ(b.Mark->GetItem(row), mark[row - 1]) << row;
    EXPECT_EQ(b.Notv->Get(row), tap[row - 1]) << row;
  }
  // The model was built from the upgraded rows: the first branch is switched off.
  EXPECT_EQ(FindBranch(r, 1)->Flags & (efOpenNumber | efOpenNumber2), efOpenNumber | efOpenNumber2);
}

}  // namespace
}  // namespace ld::test
