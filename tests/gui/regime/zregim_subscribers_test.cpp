// The diagram's lists of connected subscribers (of a substation, a node, a line), run from the regime
// window's diagram.
#include <QListWidget>
#include <QToolButton>

#include "core/base/codepage.h"
#include "core/diagram/scheme_files.h"
#include "core/tables/colmaps.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/table_ops.h"
#include "core/tables/table_file.h"
#include "gui/catalogs/catalog_form.h"
#include "gui/diagram/sch_box.h"
#include "zregim_fixture.h"

namespace ld::test {
namespace {

using Rows = std::vector<std::int32_t>;

class RegimeSubscribers : public RegimeWindow {
protected:
  RegimeSubscribers() {
    // ПС1 feeds ТП1.1, which feeds ТП2.3 and on to ТП4
    SchemeBuilder s;
    s.Title = "Фидер";
    const char* names[] = {"ПС1", "ТП1.1", "ТП2.3", "ТП4"};
    for (int n = 1; n <= 4; ++n) Station(s, n, names[n - 1], n == 1 ? "B" : "", 0.2, 0.1);
    s.Branch(2, 1, 1, 2);
    s.Branch(2, 3, 1, 2);
    s.Branch(4, 3, 1, 2);
    path = s.Write(dir.Path(), "Фидер");
    WriteSubscribers();
    Open(path);
    form->SchBtn->click();
    form->FullSchBtn->click();
  }

  // The consumer "+ТП1.1, ТП2.3" is fed from both stations; its sub-meter at ТП1.1 is taken off.
  void WriteSubscribers() {
    TDataFile consumers, points, households;
    ReadMaket(LayoutConsumers, consumers);
    CreateColumns(consumers, 2);
    TConsumerCols c;
    FillConsumerCols(consumers, c);
    c.NameTP->SetItem(1, "+ТП1.1, ТП2.3"), c.Ndog->SetItem(1, "101"), c.NameAb->SetItem(1, "Завод");
    c.NameTP->SetItem(2, "ТП4"), c.Ndog->SetItem(2, "104"), c.NameAb->SetItem(2, "Склад");
    ReadMaket(LayoutMeterPoints, points);
    CreateColumns(points, 4);
    TMeterPointCols m;
    FillMeterPointCols(points, m);
    const struct {
      const char *tp, *contract;
      char sub;
      int type;
      double w, wt;
    } rows[4] = {{"ТП1.1", "101", ' ', 1, 1000, 15}, {"ТП1.1", "101", '1', 1, 200, 0}, {"ТП2.3", "101", ' ', 3, 40, 0},
                 {"ТП4", "104", ' ', 1, 300, 6}};
    for (int r = 1; r <= 4; ++r) {
      m.NameTP->SetItem(r, rows[r - 1].tp), m.LinkTP->SetItem(r, rows[r - 1].tp), m.Ndog->SetItem(r, rows[r - 1].contract);
      (*m.Sub)[r] = rows[r - 1].sub, (*m.TypCounter)[r] = static_cast<std::uint8_t>(rows[r - 1].type);
      (*m.W)[r] = rows[r - 1].w, (*m.Wt)[r] = rows[r - 1].wt;
    }
    ReadMaket(LayoutHouseholds, households);
    CreateColumns(households, 2);
    THouseholdCols h;
    FillHouseholdCols(households, h);
    h.NameTP->SetItem(1, "ТП1.1"), h.LinkTP->SetItem(1, "ТП1.1"), (*h.CountAb)[1] = 12, (*h.W)[1] = 500;
    h.NameTP->SetItem(2, "ТП4"), h.LinkTP->SetItem(2, "ТП4"), (*h.CountAb)[2] = 5, (*h.W)[2] = 90;
    for (TDataFile* t : {&consumers, &points, &households}) WriteTableFile(path + GetMaketExtention(t->Name), *t);
  }

  // The list the window shows next: its caption and a copy of its table.
  void ExpectList(const std::string& title, TDataFile& shown) {
    script.Then([title, &shown](QDialog& d) {
      EXPECT_EQ(d.windowTitle().toStdString(), title);
      gui::TDataGrid5& grid = *static_cast<gui::TCatalogForm&>(d).DTable();
      EXPECT_FALSE(grid.EditTable());
      CopyTable(grid.table(), shown);
      d.reject();
    });
  }
  void NodeMenu(int tag, const std::string& node) {
    form->FindEdit->setText(QString::fromStdString(node));
    form->SchBox->NodeMenuClick(gui::TSchemBox::MenuItem(form->SchBox->NodeMenu, tag));
  }
};

TEST_F(RegimeSubscribers, ListsOfTheSubstationTheNodeAndTheLine) {
  TDataFile shown;
  ExpectList("Список присоединенных абонентов ТП1", shown);
  NodeMenu(15, "ТП1.1");
  TConsumerEnergyCols e;
  FillConsumerEnergyCols(shown, e);
  ASSERT_EQ(shown.RowCount, 2);
  EXPECT_EQ(e.Ndog->GetItem(1) + " " + e.NameAb->GetItem(2), "101 Бытовые абоненты");

  // by node: the bases link to whole stations, so the section ТП1.1 lists its station's points (the
  // sub-meter taken off) and households
  ExpectList("Список присоединений ТП1.1", shown);
  NodeMenu(16, "ТП1.1");
  TMeterPointCols m;
  FillMeterPointCols(shown, m);
  ASSERT_EQ(shown.RowCount, 4);
  EXPECT_EQ(m.LinkTP->GetItem(3) + " " + m.LinkTP->GetItem(4), "ТП1.1 Всего");
  EXPECT_DOUBLE_EQ((*m.WP)[4], 1000 - 200 + 500);

  // by the line marked on the diagram: what it feeds, ТП2's generation, ТП4 with its households, and
  // the total; the grid shows the node table, so the drawing is read anew before the list, which still
  // knows the line
  ASSERT_EQ(Label(), "Узлы схемы");
  for (const diagram::PSElem line : form->SchBox->LineHitElem)
    if (line->BranchRow == 2) form->SchBox->MarkedLine = line;
  ExpectList("Список присоединений по линии ТП1.1 - ТП2.3", shown);
  form->SchBox->LineMenuClick(gui::TSchemBox::MenuItem(form->SchBox->LineMenu, 17));
  FillMeterPointCols(shown, m);
  ASSERT_EQ(shown.RowCount, 4);
  EXPECT_EQ(m.Ndog->GetItem(2) + " " + m.Abonent->GetItem(3) + " " + m.LinkTP->GetItem(4),
            "104 Бытовые абоненты Всего");
  EXPECT_DOUBLE_EQ((*m.WP)[4], 390);
  // nothing of it is drawn
  EXPECT_EQ(form->SchBox->NodeSet, (Rows{1, 2, 3, 4}));
  EXPECT_TRUE(box.Texts().empty()) << box.Texts().front();
}

TEST_F(RegimeSubscribers, DrawingChangedBeforeASelectionIsSavedNotLost) {
  form->NodesItem->trigger();
  gui::TSchemBox& b = *form->SchBox;
  diagram::StartChange(b);
  (*b.BranchCols.Commut)[3] = Utf8ToCp1251("О")[0];
  box.Answer(1);  // "Сохранить схему ... ?" - "Да"
  form->FindEdit->setText("ТП4");
  form->TreeBtn->click();
  ASSERT_EQ(box.Texts(), (std::vector<std::string>{"Сохранить схему \"Фидер\" ?"}));
  EXPECT_EQ(GetColumnAs<DAChar>("Commut", Table(".VET"))->Get(3), Utf8ToCp1251("О")[0]);
  EXPECT_FALSE(b.Modified);
}

}  // namespace
}  // namespace ld::test
