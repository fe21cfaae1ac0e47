// The regime window itself: its two states, its counters and flags, and the guard of its commands.
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

  // a long status text is cut at the window's edge: the least width of what the window holds stays
  QWidget& content = *form->centralWidget();
  const int least = content.minimumSizeHint().width();
  form->HelpText->setText(QString(400, QChar('x')));
  QApplication::processEvents();
  EXPECT_EQ(content.minimumSizeHint().width(), least);
  form->HelpText->clear();

  EXPECT_FALSE(form->IsStopRequested());
  form->StopBar->click();
  EXPECT_TRUE(form->IsStopRequested());
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
}

// Maximised, the window keeps the work area's left edge and width and starts below the tool bar, whatever
// side the desktop's own bars take.
TEST_F(RegimeWindow, MaximisedBelowTheToolBarInsideTheWorkArea) {
  EXPECT_EQ(gui::TZregimForm::MaximizedRect(QRect(60, 0, 1220, 1024), 25), QRect(60, 25, 1220, 999));
  EXPECT_EQ(gui::TZregimForm::MaximizedRect(QRect(0, 40, 1280, 984), 65), QRect(0, 65, 1280, 959));
}

}  // namespace
}  // namespace ld::test
