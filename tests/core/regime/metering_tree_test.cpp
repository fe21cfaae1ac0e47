// Metering rows linked to the model: captions, the measurement tree of each mode, its messages, and
// the division of the model into metering areas across closed loops.
#include "core/regime/metering_tree.h"

#include <stdexcept>

#include "core/engine/regime.h"
#include "core/regime/period_meters.h"
#include "regime_test.h"

namespace ld::test {
namespace {

struct MeterRow {
  int typ;
  std::int32_t n1, n2;
  const char* name1 = "";
  const char* name2 = "";
  const char* line = "";
  std::int32_t ngp = 0;
};

void FillFlows(TDataFile& flows, const std::vector<MeterRow>& rows) {
  ReadMaket(LayoutLineFlows, flows);
  CreateColumns(flows, static_cast<int>(rows.size()));
  TLineFlowCols f;
  FillLineFlowCols(flows, f);
  for (int i = 1; i <= f.RowCount; ++i) {
    const MeterRow& m = rows[static_cast<std::size_t>(i - 1)];
    f.Typ[i] = m.typ;
    (*f.N1)[i] = m.n1, (*f.N2)[i] = m.n2, (*f.Ngp)[i] = m.ngp;
    f.Name1->SetItem(i, m.name1), f.Name2->SetItem(i, m.name2), f.Line->SetItem(i, m.line);
  }
}

class MeteringTree : public RegimeTest {
protected:
  TRegime r;
  TDataFile flows;
  TLineFlowCols f;

  // Supply 1 feeds 2; 2 feeds 3 and 5; 3 feeds 4.
  void Radial() {
    SchemeBuilder s;
    s.Node(1, "B").Um = 10;
    for (int n : {2, 3, 4, 5}) s.Node(n, "", 0.1, 0.05).Um = 10;
    s.Branch(2, 1, 0.1, 0.2);
    s.Branch(3, 2, 0.1, 0.2);
    s.Branch(4, 3, 0.1, 0.2);
    s.Branch(5, 2, 0.1, 0.2);
    s.Read(r, dir.Path());
    ASSERT_TRUE(r.SchemeRead);
    ASSERT_FALSE(r.ModelError);
  }
  void Rows(const std::vector<MeterRow>& rows) {
    FillFlows(flows, rows);
    FillLineFlowCols(flows, f);
  }
  std::vector<std::tuple<int, int, std::string>> Tree(int mode, int group = 0) {
    TMeasurementTree t = BuildMeasurementTree(r, f, mode, group);
    std::vector<std::tuple<int, int, std::string>> out;
    for (const auto& row : t.Rows) out.emplace_back(row.Row, row.ParentRow, row.Text);
    return out;
  }
};

TEST_F(MeteringTree, CaptionsFallFromLineToNamesToNumbers) {
  Rows({{4, 1, 2, "A", "B", "Ввод 1"}, {4, 1, 2, "A", "B"}, {4, 1, 2, "", "B"}, {4, 12, 15}, {4, 12, 0},
        {4, 12, 0, "ТП-6"}});
  EXPECT_EQ(MeasurementCaption(f, 1), "Ввод 1");
  EXPECT_EQ(MeasurementCaption(f, 2), "A - B");
  EXPECT_EQ(MeasurementCaption(f, 3), "B");
  EXPECT_EQ(MeasurementCaption(f, 4), "12 - 15");
  EXPECT_EQ(MeasurementCaption(f, 5), "12");
  EXPECT_EQ(MeasurementCaption(f, 6), "ТП-6");  // a node meter without a dangling " - "
}

TEST_F(MeteringTree, RowsFindTheirElementsInEitherDirection) {
  Radial();
  Rows({{4, 2, 3}, {1, 3, 2}, {4, 4, 0}, {4, 5, 9}, {0, 0, 0}});
  const std::vector<TRegimeElement*> e = MapMeasurementsToModel(r, f);
  ASSERT_EQ(e.size(), 6u);
  // The tree element of node 3 carries the branch 2-3 whichever way the row names it.
  ASSERT_NE(e[1], nullptr);
  EXPECT_EQ(e[1]->Number, 3);
  EXPECT_EQ(e[1]->Number2, 2);
  EXPECT_EQ(e[2], e[1]);  // no Typ filter
  ASSERT_NE(e[3], nullptr);
  EXPECT_EQ(e[3]->Number, 4);
  EXPECT_EQ(e[3]->Flags & efLoopClosing, 0u);
  EXPECT_EQ(e[4], nullptr);
  EXPECT_EQ(e[5], nullptr);
}

TEST_F(MeteringTree, ModesMessagesAndNesting) {
  Radial();
  Rows({{4, 1, 2, "", "", "Ввод"},   // 1: the feeder head
        {4, 3, 2},                   // 2: stored against the model's direction
        {5, 2, 1, "A", "B"},         // 3: the feeder head again
        {4, 4, 9, "", "X"},          // 4: no such branch
        {4, 3, 0},                   // 5: node meter under the metered branch into 3
        {4, 77, 0},                  // 6: no such node
        {1, 4, 3},                   // 7: not a metering point
        {4, 4, 3, "", "", "", 12}});  // 8: below 2-3, group 12
  const TMeasurementTree t = BuildMeasurementTree(r, f, 0, 0);
  EXPECT_EQ(t.Messages, (std::vector<std::string>{"Перетоки в линиях: дублирование линии A - B",
                                                  "Перетоки в линиях: линия X в схеме не найдена",
                                                  "Перетоки в линиях: узел 77 в схеме не найдена"}));
  EXPECT_EQ(t.Elements[3], nullptr);  // the duplicate keeps no element
  ASSERT_NE(t.Elements[1], nullptr);
  EXPECT_EQ(t.Elements[1]->Number, 2);

  using Node = std::tuple<int, int, std::string>;
  EXPECT_EQ(Tree(0), (std::vector<Node>{{1, 0, "Ввод"}, {3, 0, "A - B"}, {4, 0, "X"}, {6, 0, "77"},
                                         {2, 1, "3 - 2"}, {8, 2, "4 - 3"}, {5, 2, "3"}}));
  EXPECT_EQ(Tree(1), (std::vector<Node>{{1, 0, "Ввод"}, {2, 0, "3 - 2"}, {3, 0, "A - B"}, {4, 0, "X"},
                                         {5, 0, "3"}, {6, 0, "77"}, {8, 0, "4 - 3"}}));
  EXPECT_TRUE(Tree(2).empty());
  EXPECT_EQ(Tree(3, 12), (std::vector<Node>{{8, 0, "4 - 3"}}));
  EXPECT_TRUE(Tree(4, 99).empty());
  // The build leaves no marks behind.
  for (TRegimeElement* e = r.FirstElement; e != nullptr; e = e->Next) EXPECT_EQ(e->Work, 0);
}

TEST_F(MeteringTree, AModelErrorGivesNoTree) {
  Radial();
  Rows({{4, 1, 2}});
  r.ModelError = true;
  const TMeasurementTree t = BuildMeasurementTree(r, f, 0, 0);
  EXPECT_TRUE(t.ModelError);
  EXPECT_TRUE(t.Rows.empty());
  EXPECT_EQ(std::string(kModelErrorText),
            "Ошибка построения модели. Детальная информация: меню \"Контроль схемы\" - \"Анализ конфигурации\"");
}

// Areas across closed loops.
class MeteringAreas : public MeteringTree {
protected:
  std::vector<std::string> messages;
  TRegimeElement* Node(int n) { return TMeteringIndex(r).Node(n); }
  void Open(int n, int area) {
    TRegimeElement* e = Node(n);
    e->Flags |= efMeteredBranch | efPlusMeter;
    e->Work = area;
  }
  void Contour() {
    ContourMeteringArea(r, [this](const std::string& m) { messages.push_back(m); });
  }
  // Supply 7 "ПС-2" - 2 - 3 - 4 and the loop 4 - 2.
  void ReadSupplyWithALoop() {
    SchemeBuilder s;
    s.Node(7, "B").Name = "ПС-2";
    for (int n : {2, 3, 4}) s.Node(n, "", 0.1, 0.05);
    for (NodeSpec& n : s.Nodes) n.Um = 10;
    s.Branch(2, 7, 0.1, 0.2);
    s.Branch(3, 2, 0.1, 0.2);
    s.Branch(4, 3, 0.1, 0.2);
    s.Branch(4, 2, 0.1, 0.2);
    s.Read(r, dir.Path());
  }
};

TEST_F(MeteringAreas, ALoopBetweenTwoAreasMergesTheLargerUpToItsMeter) {
  // 1 - 2 - 3 - 4 - 5 and the loop 5 - 2; area 3 opens at 2, area 7 at 4.
  SchemeBuilder s;
  s.Node(1, "B", 0, 0).Name = "ПС-1";
  for (int n : {2, 3, 4, 5}) s.Node(n, "", 0.1, 0.05);
  for (NodeSpec& n : s.Nodes) n.Um = 10;
  s.Branch(2, 1, 0.1, 0.2);
  s.Branch(3, 2, 0.1, 0.2);
  s.Branch(4, 3, 0.1, 0.2);
  s.Branch(5, 4, 0.1, 0.2);
  s.Branch(5, 2, 0.1, 0.2);
  s.Read(r, dir.Path());
  ASSERT_TRUE(r.SchemeRead);
  ASSERT_FALSE(r.ContourEntry1.empty());
  Open(2, 3);
  Open(4, 7);
  Contour();
  EXPECT_TRUE(messages.empty());
  for (int n : {2, 3, 4, 5}) EXPECT_EQ(Node(n)->Work, 3) << n;
  EXPECT_EQ(Node(1)->Work, 0);
}

TEST_F(MeteringAreas, ALoopIntoAnUnmeteredRegionPullsItInAndNamesTheSupply) {
  // Supply 7 "ПС-2" - 2 - 3 - 4 and the loop 4 - 2; area 5 opens at 3.
  ReadSupplyWithALoop();
  ASSERT_TRUE(r.SchemeRead);
  ASSERT_FALSE(r.ContourEntry1.empty());
  Open(3, 5);
  Contour();
  for (int n : {2, 3, 4, 7}) EXPECT_EQ(Node(n)->Work, 5) << n;
  EXPECT_EQ(messages, (std::vector<std::string>{"Область не оконтурена учетами от узла ПС-2 7"}));
}

TEST_F(MeteringAreas, ADamagedModelWhoseSourceHangsBelowAnotherNodeEndsTheContouring) {
  // As above, but node 2 marked a source below the supply: each pass puts its mark back to its parent's.
  ReadSupplyWithALoop();
  ASSERT_TRUE(r.SchemeRead);
  Open(3, 5);
  Node(2)->Flags |= efSource;
  ASSERT_NE(Node(2)->Parent, r.Root);
  const auto endless = [this](const std::string& m) {
    messages.push_back(m);
    if (messages.size() > 10000) throw std::runtime_error("the contouring does not end");
  };
  EXPECT_NO_THROW(ContourMeteringArea(r, endless));
  EXPECT_FALSE(messages.empty());
}

}  // namespace
}  // namespace ld::test
