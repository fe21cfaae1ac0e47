// The regime window itself: its two states, menus, counters, grid positions, the guard of its commands
// and its placement when maximised.
#include <QLayout>
#include <QProgressBar>
#include <QSplitter>
#include <QTextEdit>
#include <QToolButton>
#include <algorithm>

#include "core/engine/regime.h"
#include "zregim_fixture.h"

namespace ld::test {
namespace {

std::vector<std::string> Texts(std::initializer_list<QLabel*> labels) {
  std::vector<std::string> texts;
  for (QLabel* l : labels) texts.push_back(l->text().toStdString());
  return texts;
}

TEST_F(RegimeWindow, WithoutSchemeOnlyCreatingIsOffered) {
  EXPECT_EQ(Caption(), "Z-режим");
  for (QAction* a : {form->NewItem, form->ImportCDU, form->OpenItem}) EXPECT_TRUE(a->isEnabled());
  for (QAction* a : {form->SaveItem, form->SaveAsItem, form->ExportCDU, form->PrintItem, form->GraphPQItem})
    EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
  for (QMenu* m : {form->DataItem, form->ControlItem, form->RegimItem, form->OptimItem, form->TaskItem})
    EXPECT_FALSE(m->menuAction()->isEnabled()) << m->objectName().toStdString();
  for (QToolButton* b : {form->SaveBtn, form->CalcBtn, form->VoltBtn, form->SchBtn}) EXPECT_FALSE(b->isEnabled());
  for (QAction* a : {form->WItem->menuAction(), form->SwitchItem, form->NewMonthItem, form->NodeItem})
    EXPECT_FALSE(a->isVisible()) << a->objectName().toStdString();

  // A reader may look but not create.
  UserAccess = 0;
  form->ResetForm();
  EXPECT_FALSE(form->NewItem->isEnabled() || form->ImportCDU->isEnabled());
  EXPECT_TRUE(form->OpenItem->isEnabled());

  // "/debug" in any letter case among the parameters shows the two diagnostic items.
  gui::TZregimForm debug;
  debug.Params = {"-x", "/Debug"};
  debug.show();
  EXPECT_TRUE(debug.NodeItem->isVisible() && debug.LineItem->isVisible());
  EXPECT_FALSE(debug.WItem->menuAction()->isVisible());
}

TEST_F(RegimeWindow, GridPositionsThroughTheProgramsRoutines) {
  gui::TZregimForm* saved = gui::ZregimForm;
  gui::ZregimForm = form.get();
  gui::SaveGridPos("Загрузка линий", 4, 3, 20);
  gui::SaveGridPos("Нет такого", 9, 9, 9);
  gui::SaveGridPos("Переключения", 2, 2, 2);
  int row = 0, col = 0, top = 0;
  gui::GetGridPos("Загрузка линий", row, col, top);
  EXPECT_EQ(row * 100 + col * 10 + top, 4 * 100 + 3 * 10 + 20);
  gui::GetGridPos("Нет такого", row, col, top);
  EXPECT_EQ(row * 100 + col * 10 + top, 111);
  EXPECT_EQ(form->GridPositions[25].Row, 2);  // the journal's layout is the last of the list
  form->SchemePath = "/tmp/x";
  std::string scheme;
  gui::GetSchemePath(scheme);
  EXPECT_EQ(scheme, "/tmp/x");
  gui::ZregimForm = saved;
  form->ResetForm();
  EXPECT_EQ(form->GetGridPos("Загрузка линий").TopRow, 1);
}

TEST_F(RegimeWindow, StatusLineCountersFlagsAndOrder) {
  OpenScheme();
  EXPECT_EQ(Texts({form->NodesText, form->BPText}), (std::vector<std::string>{" Узлов: 2 ", " БП: 1 "}));
  const auto colours = [&] {
    std::vector<QColor> c;
    for (QLabel* l : {form->NoSupText, form->ConturText, form->VM, form->VP, form->IL}) c.push_back(ColorOf(l));
    return c;
  };
  const std::vector<QColor> plain = colours();
  const QColor y(Qt::yellow), r(Qt::red);
  EXPECT_TRUE(std::find(plain.begin(), plain.end(), y) == plain.end() && std::find(plain.begin(), plain.end(), r) == plain.end());
  form->Regime()->UnsuppliedCount = 3;
  form->Regime()->ContourCount = 1;
  form->ShowSchemeCounters();
  EXPECT_EQ(form->NoSupText->text().toStdString(), " Нет питания: 3 ");
  form->ShowLimitFlags(true, false, true, false);
  EXPECT_EQ(colours(), (std::vector<QColor>{y, y, r, plain[3], r}));
  form->ResetForm();
  EXPECT_EQ(colours(), plain);

  form->ProcBar->show();
  form->StopBar->show();
  form->ShowInfo(true);
  auto* help = form->HelpPanel->layout();
  EXPECT_EQ(help->indexOf(form->StopBar), help->indexOf(form->ST) + 1);
  EXPECT_EQ(help->indexOf(form->ProcBar), help->count() - 1);
  EXPECT_EQ(form->Split->indexOf(form->Info), 1);
  form->LossPanel->show();
  form->BalansPanel->show();
  form->ArrangeTopPanels();
  auto* top = form->centralWidget()->layout();
  const std::vector<int> order{top->indexOf(form->ToolPanel), top->indexOf(form->LossPanel),
                               top->indexOf(form->SchPanel), top->indexOf(form->BalansPanel),
                               top->indexOf(form->Split3)};
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));

  form->OnCalcProgress(40);
  form->OnCalcStatus("Итерации");
  form->OnCalcMessage("строка");
  EXPECT_EQ(form->ProcBar->value(), 40);
  EXPECT_EQ(form->HelpText->text().toStdString(), "Итерации");
  EXPECT_EQ(form->InfoLines().back(), "строка");
  EXPECT_FALSE(form->IsStopRequested());
  form->StopBar->click();
  EXPECT_TRUE(form->IsStopRequested());
}

TEST_F(RegimeWindow, MaximisedBelowTheToolBarInsideTheWorkArea) {
  // task bar on the left: the area starts at x = 60
  EXPECT_EQ(gui::TZregimForm::MaximizedRect(QRect(60, 0, 1220, 1024), 25), QRect(60, 25, 1220, 999));
  // panel at the top: the area and the tool bar start lower
  EXPECT_EQ(gui::TZregimForm::MaximizedRect(QRect(0, 40, 1280, 984), 65), QRect(0, 65, 1280, 959));
}

TEST_F(RegimeWindow, ARunningCommandKeepsTheWindowAndUnsavedEditsAskFirst) {
  OpenScheme();
  script.Then([&](QDialog& d) {
    // the settings dialog of a running calculation: the engine must stay
    bool canClose = true;
    form->FormCloseQuery(canClose);
    EXPECT_FALSE(canClose);
    EXPECT_TRUE(form->Busy());
    form->OpenItem->trigger();  // refused: no file dialog comes
    Press(d, "CancelBtn");
  });
  form->CalcItem->trigger();
  EXPECT_FALSE(form->Busy());
  EXPECT_EQ(script.Shown(), 2);

  form->DataGrid().LockOnce();  // an edit begun in the node table
  ASSERT_TRUE(form->DataGrid().Modified());
  box.Answer(2);  // "Отмена": the calculation never starts (no settings dialog)
  form->CalcItem->trigger();
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Сохранить файл \"Схема.UZL\" (Узлы схемы) ?"});
  box.Answer(2);
  bool canClose = true;
  form->FormCloseQuery(canClose);
  EXPECT_FALSE(canClose);
  EXPECT_NE(form->Regime(), nullptr);
  EXPECT_EQ(form->SchemePath, path);

  box.Answer(0);  // "Нет": closes without saving
  form->close();
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(form->Regime(), nullptr);
  EXPECT_TRUE(NoLocks());

  // shown again: no scheme and a new engine
  form->show();
  EXPECT_NE(form->Regime(), nullptr);
  EXPECT_EQ(Caption(), "Z-режим");
  EXPECT_TRUE(form->SchemePath.empty());
}

}  // namespace
}  // namespace ld::test
