// The loss panel and the load balancing of the regime window, through its buttons.
#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QTextEdit>
#include <QToolButton>

#include "core/engine/results.h"
#include "core/tables/table_file.h"
#include "zregim_fixture.h"

namespace ld::test {
namespace {

class LossPanelWindow : public RegimeWindow {
protected:
  LossPanelWindow() {
    OpenScheme();
    Calculate();
  }
  std::vector<std::string> Lines() const { return form->InfoLines(); }
};

TEST_F(LossPanelWindow, RowsAppendUnderOneHeadAndTheColumnDialogStoresTheUnticked) {
  IniRec.Dimension = 1;
  form->LossesBtn->click();
  ASSERT_TRUE(form->LossPanel->isVisibleTo(form.get()));
  EXPECT_TRUE(form->LossesItem->isChecked());
  EXPECT_TRUE(form->Info->isVisibleTo(form.get()));
  std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "Суммарные потери в схеме: dP схемы = 21.3 кВт");
  ASSERT_EQ(form->UnomBox->count(), 2);
  EXPECT_EQ(form->UnomBox->itemText(1), "10");

  // transformers only: a row of zeros under the same head
  form->EquipBox->setCurrentIndex(4);
  form->UnomBox->setCurrentIndex(1);
  form->CalcLossBtn->click();
  lines = Lines();
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[6].rfind("|Трансформаторы |10  |                 |     0.0|  0|", 0), 0u);

  // the button released hides the panel and the text; the energy view's button down reads the period's
  // energy tables, none written yet
  form->LossesBtn->click();
  EXPECT_FALSE(form->LossPanel->isVisibleTo(form.get()) || form->Info->isVisibleTo(form.get()) ||
               form->LossesItem->isChecked());
  form->WLossBtn->setChecked(true);
  form->CalcLossBtnClick();
  ASSERT_EQ(Lines().size(), 6u);
  EXPECT_EQ(Lines()[0], "Суммарные потери в схеме: dWP схемы = 0 кВт*час");
  form->WLossBtn->setChecked(false);
  form->LossesItem->trigger();
  EXPECT_TRUE(form->LossesBtn->isChecked());

  IniRec.LossAttr = 2 | 4096;
  script.Then([](QDialog& d) {
    EXPECT_TRUE(Child<QCheckBox>(d, "_dPsum").isChecked());
    EXPECT_FALSE(Child<QCheckBox>(d, "_ps").isChecked());
    Child<QCheckBox>(d, "_pq").setChecked(true);
    Child<QCheckBox>(d, "_dQhh").setChecked(false);
    Press(d, "OKBtn");
  });
  form->LossViewBtn->click();
  EXPECT_EQ(IniRec.LossAttr, 2 | 256);
}

TEST_F(LossPanelWindow, BalancingMeetsTheMeasuredHeadFlowAndAFaultyRowWritesNothing) {
  const auto balance = [&](int typ, int n2) {
    TDataFile t;
    ReadMaket(LayoutLineFlows, t);
    CreateColumns(t, 1);
    const std::pair<const char*, double> cells[] = {{"N1", 1},    {"N2", n2}, {"Typ", typ}, {"Pr", 1500},
                                                    {"Qr", 1200}, {"NK", 1},  {"Kv", 1}};
    for (const auto& [field, v] : cells) TNumberColumn(field, t).Set(1, v);
    WriteTableFile(path + ".PL", t);
    script.Then([](QDialog& d) { Press(d, "OKBtn"); });
    form->BalansBtn->click();
  };
  IniRec.SavePQ = true;
  balance(1, 2);
  EXPECT_TRUE(box.Texts().empty()) << box.Texts()[0];
  EXPECT_TRUE(NoLocks());
  EXPECT_TRUE(form->ProcBar->isHidden() && form->StopBar->isHidden());
  EXPECT_NEAR(FileNumber(".PL", "Prb", 1), 1.5, IniRec.BPrec);
  EXPECT_NEAR(FileNumber(".UZL", "Pn", 2), 1.45, 0.05);

  const std::string before = ReadBytes(path + ".UZL");
  balance(1, 7);
  EXPECT_EQ(Lines().back(), "Перетоки в линиях: Ветвь не найдена: 1 - 7");
  EXPECT_TRUE(form->Info->isVisibleTo(form.get()));
  EXPECT_EQ(ReadBytes(path + ".UZL"), before);
  EXPECT_TRUE(NoLocks());

  // The loss panel left open under a balancing report: a press gives the head again, not a row under
  // the report.
  form->LossesBtn->click();
  balance(1, 7);
  ASSERT_EQ(Lines().back(), "Перетоки в линиях: Ветвь не найдена: 1 - 7");
  form->CalcLossBtn->click();
  ASSERT_EQ(Lines().size(), 6u);
  EXPECT_EQ(Lines()[0].rfind("Суммарные потери в схеме: dP схемы = ", 0), 0u) << Lines()[0];
}

}  // namespace
}  // namespace ld::test
