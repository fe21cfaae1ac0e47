// The balance panel of the regime window: the measurement tree and its groups, selecting meters with
// the mouse and the keyboard, the column groups, the report, its print heading and the subscriber
// lists of its rows; and the views of the period losses with the loss statement.
#include <QComboBox>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <fstream>

#include "core/base/codepage.h"
#include "core/engine/regime.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_ops.h"
#include "gui/catalogs/catalog_form.h"
#include "gui/diagram/sch_box.h"
#include "gui/grid/grid_exchange.h"
#include "zregim_fixture.h"

namespace ld::test {
namespace {

char Cp(const char* utf8) { return *utf8 == 0 ? char(0) : Utf8ToCp1251(utf8)[0]; }

class BalansPanel : public RegimeWindow {
protected:
  BalansPanel() {
    // ПС-1 feeds ТП-5, which feeds ТП-6.
    SchemeBuilder s;
    s.Title = "Фидер";
    Station(s, 1, "ПС-1", "B");
    Station(s, 2, "ТП-5", "", 0.5, 0.1).WPn = 500;
    Station(s, 3, "ТП-6", "", 0.4, 0.1).WPn = 400;
    s.Branch(2, 1, 1, 2);
    s.Branch(3, 2, 1, 2);
    path = s.Write(dir.Path(), "Фидер");
    TDataFile flows, districts;
    ReadMaket(LayoutLineFlows, flows);
    CreateColumns(flows, 3);
    TLineFlowCols f;
    FillLineFlowCols(flows, f);
    const struct {
      std::int32_t n1, n2, ngp;
      const char *name1, *name2, *pm;
      double pr;
    } rows[3] = {{1, 2, 12, "ПС-1", "ТП-5", "+", 1000}, {2, 3, 14, "ТП-5", "ТП-6", "", 0}, {3, 0, 12, "ТП-6", "", "", 0}};
    for (int i = 1; i <= 3; ++i) {
      const auto& r = rows[i - 1];
      f.Typ[i] = 4, (*f.N1)[i] = r.n1, (*f.N2)[i] = r.n2, (*f.Ngp)[i] = r.ngp, (*f.Pr)[i] = r.pr;
      f.Name1->SetItem(i, r.name1), f.Name2->SetItem(i, r.name2), (*f.PM)[i] = Cp(r.pm);
    }
    WriteTableFile(path + GetMaketExtention(LayoutLineFlows), flows);
    ReadMaket(LayoutSchemeAreas, districts);
    CreateColumns(districts, 2);
    TSchemeAreaCols a;
    FillSchemeAreaCols(districts, a);
    (*a.Nr)[1] = 12, a.Name->SetItem(1, "Район 12");
    (*a.Nr)[2] = 7, a.Name->SetItem(2, "Район 7");
    WriteTableFile(path + GetMaketExtention(LayoutSchemeAreas), districts);
    Open(path);
    form->WBalansBtn->click();
  }
  QTreeWidget& Tree() { return *form->TreeView; }
  int Mark(int row) { return (*form->MeasurementMarks)[row]; }
  std::vector<std::string> Texts() {
    std::vector<std::string> out;
    for (QTreeWidgetItemIterator it(&Tree()); *it != nullptr; ++it) out.push_back((*it)->text(0).toStdString());
    return out;
  }
  QPoint IconPoint(QTreeWidgetItem* item, int level) {
    const QRect r = Tree().visualItemRect(item);
    return QPoint((level + 1) * Tree().indentation() + 8, r.center().y());
  }
};

// The panel's commands wait behind the extension of its tool row rather than widen the window: the
// table's caption beside the window's own tool row stays whole within the 1000 pixels it had.
TEST_F(BalansPanel, OpensWithinTheWindowsWidth) {
  ASSERT_TRUE(form->BalansPanel->isVisible());
  EXPECT_EQ(form->width(), 1000);
  Calculate();
  form->ResultItem->trigger();
  QApplication::processEvents();
  const QLabel& label = *form->DataLabel;
  ASSERT_EQ(label.text(), "Общие характеристики режима");
  EXPECT_GE(label.width(), QFontMetrics(label.font()).horizontalAdvance(label.text()));
  EXPECT_LE(label.mapTo(form.get(), QPoint(label.width(), 0)).x(), 1000);
  EXPECT_EQ(form->width(), 1000);
}

TEST_F(BalansPanel, GroupsTreeAndSelection) {
  ASSERT_TRUE(form->BalansPanel->isVisible());
  QComboBox& box = *form->ZamerBox;
  ASSERT_EQ(box.count(), 5);
  EXPECT_EQ(box.itemText(0).toStdString(), "Дерево измерений");
  EXPECT_EQ(box.itemText(1).toStdString(), "Список измерений");
  EXPECT_EQ(box.itemText(2).toStdString(), "Выборка из схемы");
  EXPECT_EQ(box.itemText(3).toStdString(), "12 Район 12");
  EXPECT_EQ(box.itemText(4).toStdString(), "14 ");
  EXPECT_EQ(Tree().indentation(), 19);
  // the tree: ТП-5 - ТП-6 below the head meter, the node meter of ТП-6 below that
  EXPECT_EQ(Texts(), (std::vector<std::string>{"ПС-1 - ТП-5", "ТП-5 - ТП-6", "ТП-6"}));
  ASSERT_EQ(Tree().topLevelItemCount(), 1);

  // Down through the box to the group of 14, then back up to 12
  box.setFocus();
  for (int i = 0; i < 4; ++i) QTest::keyClick(&box, Qt::Key_Down);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"ТП-5 - ТП-6"}));
  QTest::keyClick(&box, Qt::Key_Up);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"ПС-1 - ТП-5", "ТП-6"}));
  ASSERT_EQ(Tree().topLevelItemCount(), 2);

  // a click on the text only focuses; a click in the icon zone toggles
  QTreeWidgetItem* first = Tree().topLevelItem(0);
  const QRect text = Tree().visualItemRect(first);
  QTest::mouseClick(Tree().viewport(), Qt::LeftButton, {}, QPoint(Tree().indentation() + 16 + 20, text.center().y()));
  EXPECT_EQ(Tree().currentItem(), first);
  EXPECT_EQ(Mark(1), 1);
  QTest::mouseClick(Tree().viewport(), Qt::LeftButton, {}, IconPoint(first, 0));
  EXPECT_EQ(Mark(1), -1);
  QTest::mouseClick(Tree().viewport(), Qt::LeftButton, {}, IconPoint(first, 0));
  EXPECT_EQ(Mark(1), 1);

  // Space toggles the focused meter and moves on
  Tree().setFocus();
  Tree().setCurrentItem(first);
  QTest::keyClick(&Tree(), Qt::Key_Space);
  EXPECT_EQ(Mark(1), -1);
  EXPECT_EQ(Tree().currentItem(), Tree().topLevelItem(1));
  QTest::keyClick(&Tree(), Qt::Key_Space);
  EXPECT_EQ(Mark(3), -3);

  form->DeselBtn->click();
  EXPECT_EQ(Mark(1), 1);
  EXPECT_EQ(Mark(3), 3);
  // the level of the focused node: both top-level nodes
  form->SelBtn->click();
  EXPECT_EQ(Mark(1), -1);
  EXPECT_EQ(Mark(3), -3);
}

TEST_F(BalansPanel, ReportColumnsPrintAndSubscriberLists) {
  // the head meter opens an area; a detailed report
  QTest::mouseClick(Tree().viewport(), Qt::LeftButton, {}, IconPoint(Tree().topLevelItem(0), 0));
  ASSERT_EQ(Mark(1), -1);
  QTest::mouseClick(form->LevelBtn, Qt::LeftButton);
  QTest::mouseClick(form->ReportBtn, Qt::LeftButton);
  const TDataFile& report = form->BalansGrid->table();
  TLineBalanceCols c;
  FillLineBalanceCols(report, c);
  ASSERT_EQ(c.RowCount, 5);  // header, ТП-5, ТП-6, the node meter of ТП-6, total
  EXPECT_EQ(c.Name1->GetItem(4), "ТП-6");
  EXPECT_EQ(c.Name2->GetItem(5), "<<< Всего >>>");
  EXPECT_DOUBLE_EQ(c.WPp->Get(1), 1000);
  EXPECT_DOUBLE_EQ(c.WPn->Get(1), 900);

  // the no-load losses' toggle hides dWPh and is kept in the settings
  const int dWPh = FindColumnIndex("dWPh", report);
  EXPECT_EQ(report.Visible[static_cast<std::size_t>(dWPh)], 1);
  QTest::mouseClick(form->findChild<QToolButton*>("B5"), Qt::LeftButton);
  EXPECT_EQ(form->BalansGrid->table().Visible[static_cast<std::size_t>(dWPh)], 0);
  EXPECT_FALSE(IniRec.B5);
  EXPECT_TRUE(IniRec.B6);

  std::string heading;
  script.Then([&heading](QDialog& d) {
    for (QPlainTextEdit* memo : d.findChildren<QPlainTextEdit*>())
      if (memo->toPlainText().startsWith("Баланс")) heading = memo->toPlainText().toStdString();
    d.reject();
  });
  QTest::mouseClick(form->PrnBalansBtn, Qt::LeftButton);
  EXPECT_EQ(heading, "Баланс электроэнергии: Фидер");

  int nodeRow = 0, lineRow = 0;
  for (int i = 1; i <= c.RowCount; ++i) {
    if (c.Name2->GetItem(i) == "ТП-5" && c.Nz.Get(i) == 1 && nodeRow == 0) nodeRow = i;
    if (c.Name1->GetItem(i) == "ТП-5" && c.Name2->GetItem(i) == "ТП-6") lineRow = i;
  }
  ASSERT_GT(nodeRow, 0);
  ASSERT_GT(lineRow, 0);
  std::vector<std::string> titles;
  auto expectList = [&] {
    script.Then([&titles](QDialog& d) {
      titles.push_back(d.windowTitle().toStdString());
      d.reject();
    });
  };
  expectList();
  form->BalansGridExtMenuClick(form->BalansGrid->MenuItem(-2), form->BalansGrid->GetTable(), nodeRow);
  expectList();
  form->BalansGridExtMenuClick(form->BalansGrid->MenuItem(-3), form->BalansGrid->GetTable(), lineRow);
  EXPECT_EQ(titles, (std::vector<std::string>{"Список присоединений ТП-5", "Список присоединений по линии ТП-5 - ТП-6"}));

  // the button goes up: the panel goes
  form->WBalansBtn->click();
  EXPECT_FALSE(form->BalansPanel->isVisible());
}

TEST_F(BalansPanel, ALineChosenOnTheDiagramTwiceStaysOneSelectedNode) {
  form->SchBtn->click();
  form->FullSchBtn->click();
  form->ZamerBox->setCurrentIndex(2);
  form->ZamerBoxChange();
  EXPECT_EQ(Tree().topLevelItemCount(), 0);
  for (const diagram::PSElem line : form->SchBox->LineHitElem)
    if (line->BranchRow == 2) form->SchBox->MarkedLine = line;
  ASSERT_NE(form->SchBox->MarkedLine, nullptr);
  form->SelBtn->click();
  form->SelBtn->click();
  ASSERT_EQ(Tree().topLevelItemCount(), 1);
  EXPECT_EQ(Tree().topLevelItem(0)->text(0).toStdString(), "ТП-5 - ТП-6");
  EXPECT_EQ(Mark(2), -2);
  Tree().setCurrentItem(Tree().topLevelItem(0));
  form->DeselBtn->click();
  EXPECT_EQ(Tree().topLevelItemCount(), 0);
  EXPECT_EQ(Mark(2), 2);
}

// The views of the period losses over the energy-flow and node energy tables of a scheme.
class LossViews : public RegimeWindow {
protected:
  LossViews() {
    OpenScheme();
    TDataFile energy, nodes;
    ReadMaket(LayoutBranchEnergy, energy);
    CreateColumns(energy, 3);
    TBranchEnergyCols e;
    FillBranchEnergyCols(energy, e);
    const float ul[3] = {10, 0.4f, 0}, idop[3] = {100, 100, 0}, imax[3] = {80, 95, 10};
    for (int i = 1; i <= 3; ++i) (*e.N1)[i] = i, (*e.N2)[i] = i + 10, (*e.Ul)[i] = ul[i - 1], (*e.Idop)[i] = idop[i - 1], (*e.Imax)[i] = imax[i - 1];
    WriteTableFile(path + GetMaketExtention(LayoutBranchEnergy), energy);
  }
};

TEST_F(LossViews, LoadingViewVoltageBoxAndStatement) {
  form->WFlowLnItem->trigger();
  EXPECT_EQ(Label(), "Перетоки эл.энергии в линиях");
  const TDataFile& view = form->DataGrid().table();
  TLineEnergyCols v;
  FillLineEnergyCols(view, v);
  ASSERT_EQ(v.RowCount, 3);
  EXPECT_EQ(v.N1->Get(1), 2);
  EXPECT_FLOAT_EQ(v.Ip->Get(1), 95);
  EXPECT_FLOAT_EQ(v.Ip->Get(2), 80);
  EXPECT_FLOAT_EQ(v.Ip->Get(3), 0);
  EXPECT_FALSE(form->DataGrid().EditTable());

  form->WLossItem->trigger();
  ASSERT_TRUE(form->WLossBtn->isChecked());
  EXPECT_TRUE(form->LossPanel->isVisible());
  std::vector<std::string> volts;
  for (int i = 0; i < form->UnomBox->count(); ++i) volts.push_back(form->UnomBox->itemText(i).toStdString());
  EXPECT_EQ(volts, (std::vector<std::string>{"Все", "0.4", "10"}));
  form->WLossItem->trigger();
  EXPECT_FALSE(form->LossPanel->isVisible());

  // the calculation's own table as it is, read-only, even for a user who may edit
  form->LineItem->trigger();
  EXPECT_EQ(Label(), "Перетоки электроэнергии");
  EXPECT_EQ(form->DataGrid().table().RowCount, 3);
  EXPECT_FALSE(form->DataGrid().EditTable());
  form->NodeItem->trigger();  // no node energy file: the grid stays
  EXPECT_EQ(Label(), "Перетоки электроэнергии");

  // the statement: missing, then opened with the desktop's application
  form->WLossPrnItem->trigger();
  const std::string statement = (dir.Path() / "Потери Схема.docx").string();
  ASSERT_EQ(box.Texts().size(), 1u);
  EXPECT_EQ(box.Texts().back(), "Документ не найден: " + statement);
  { std::ofstream(statement) << "x"; }
  std::vector<std::string> opened;
  gui::TDocumentOpener before = gui::SetDocumentOpener([&](const std::string& p) {
    opened.push_back(p);
    return true;
  });
  form->WLossPrnItem->trigger();
  EXPECT_EQ(opened, (std::vector<std::string>{statement}));
  EXPECT_EQ(box.Texts().size(), 1u);
  gui::SetDocumentOpener([](const std::string&) { return false; });  // no program for it
  form->WLossPrnItem->trigger();
  gui::SetDocumentOpener(before);
  ASSERT_EQ(box.Texts().size(), 2u);
  EXPECT_EQ(box.Texts().back(), "Отчет по потерям записан в файл \"" + statement +
                                    "\".\nОткрыть его не удалось: нет программы для просмотра документов такого вида.");
}

}  // namespace
}  // namespace ld::test

namespace ld::test {
namespace {

TEST_F(RegimeWindow, AFaultyModelLeavesTheMeasurementTreeEmpty) {
  // two nodes and no supply
  SchemeBuilder s;
  Station(s, 1, "ТП-1");
  Station(s, 2, "ТП-2");
  s.Branch(2, 1, 1, 2);
  OpenScheme(s);
  form->WBalansBtn->click();
  ASSERT_TRUE(form->Regime()->ModelError);
  EXPECT_EQ(form->TreeView->topLevelItemCount(), 0);
  ASSERT_FALSE(box.Texts().empty());
  EXPECT_EQ(box.Texts().back(),
            "Ошибка построения модели. Детальная информация: меню \"Контроль схемы\" - \"Анализ конфигурации\"");
}

}  // namespace
}  // namespace ld::test
