// The loss panel and the load balancing of the regime window, through its buttons.
#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QTextEdit>
#include <QToolButton>

#include <filesystem>

#include "core/engine/results.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_file.h"
#include "zregim_fixture.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

class LossPanelWindow : public RegimeWindow {
protected:
  LossPanelWindow() {
    path = TwoNodes().Write(dir.Path(), "Схема");
    Open(path);
    script.Then(Settings());
    form->CalcItem->trigger();
  }
  std::vector<std::string> Lines() const { return form->InfoLines(); }
  static std::vector<std::string> Items(const QComboBox* box) {
    std::vector<std::string> items;
    for (int i = 0; i < box->count(); ++i) items.push_back(box->itemText(i).toStdString());
    return items;
  }
  std::string path;
};

TEST_F(LossPanelWindow, RowsAppendUnderOneHeadAndStartAgainAfterClearing) {
  IniRec.Dimension = 1;
  form->LossesBtn->click();
  ASSERT_TRUE(form->LossPanel->isVisibleTo(form.get()));
  EXPECT_TRUE(form->LossesItem->isChecked());
  EXPECT_TRUE(form->Info->isVisibleTo(form.get()));
  std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "Суммарные потери в схеме: dP схемы = 21.3 кВт");
  EXPECT_EQ(lines[2].rfind("| Оборудование  |Uном| Принадлежность | dP сум | % |", 0), 0u);
  EXPECT_EQ(lines[4].rfind("|               |     |                 |    21.3|100|", 0), 0u);
  EXPECT_EQ(Items(form->UnomBox), (std::vector<std::string>{"Все", "10"}));
  EXPECT_EQ(Items(form->RayonBox), (std::vector<std::string>{"Все"}));
  EXPECT_EQ(Items(form->EquipBox).size(), 7u);

  // transformers only: a row of zeros under the same head
  form->EquipBox->setCurrentIndex(4);
  form->UnomBox->setCurrentIndex(1);
  form->CalcLossBtn->click();
  lines = Lines();
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[6].rfind("|Трансформаторы |10  |                 |     0.0|  0|", 0), 0u);

  form->ClearBtn->click();
  IniRec.Dimension = 0;
  form->CalcLossBtn->click();
  lines = Lines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "Суммарные потери в схеме: dP схемы = 0.0 МВт");

  // another command's report in the area gives way to a new head
  form->SetInfoLines({"<<<< Расчет закончен >>>>"});
  form->CalcLossBtn->click();
  ASSERT_EQ(Lines().size(), 6u);
  EXPECT_EQ(Lines()[0], "Суммарные потери в схеме: dP схемы = 0.0 МВт");

  // the button released hides the panel and the text
  form->LossesBtn->click();
  EXPECT_FALSE(form->LossPanel->isVisibleTo(form.get()));
  EXPECT_FALSE(form->Info->isVisibleTo(form.get()));
  EXPECT_FALSE(form->LossesItem->isChecked());
  // the energy view's button down: the period's energy tables, none written yet
  form->WLossBtn->setChecked(true);
  form->CalcLossBtnClick();
  ASSERT_EQ(Lines().size(), 6u);
  EXPECT_EQ(Lines()[0], "Суммарные потери в схеме: dWP схемы = 0 МВт*час");
  const std::string energyTail = "|  dWP сум | % |  dWQ сум |";
  EXPECT_NE(Lines()[2].find(energyTail), std::string::npos) << Lines()[2];
  form->WLossBtn->setChecked(false);
  form->LossesItem->trigger();
  EXPECT_TRUE(form->LossesBtn->isChecked());
  EXPECT_TRUE(form->LossPanel->isVisibleTo(form.get()));
}

TEST_F(LossPanelWindow, TheColumnDialogTicksTheShownColumnsAndStoresTheUnticked) {
  IniRec.LossAttr = 2 | 4096;
  form->LossesBtn->click();
  script.Then([](QDialog& d) {
    EXPECT_EQ(d.windowTitle().toStdString(), "Составляющие потерь");
    EXPECT_TRUE(Child<QCheckBox>(d, "_dPsum").isChecked());
    EXPECT_FALSE(Child<QCheckBox>(d, "_ps").isChecked());
    EXPECT_FALSE(Child<QCheckBox>(d, "_pq").isChecked());
    Child<QCheckBox>(d, "_pq").setChecked(true);
    Child<QCheckBox>(d, "_dQhh").setChecked(false);
    Press(d, "OKBtn");
  });
  form->LossViewBtn->click();
  EXPECT_EQ(IniRec.LossAttr, 2 | 256);
  script.Then([](QDialog& d) {
    Child<QCheckBox>(d, "_dPsum").setChecked(false);
    Press(d, "CancelBtn");
  });
  form->LossViewBtn->click();
  EXPECT_EQ(IniRec.LossAttr, 2 | 256);
}

class BalancingWindow : public LossPanelWindow {
protected:
  void WriteFlows(int typ, int n2) {
    TDataFile t;
    ReadMaket(LayoutLineFlows, t);
    CreateColumns(t, 1);
    const std::pair<const char*, double> cells[] = {{"N1", 1},    {"N2", n2},   {"Typ", typ}, {"Pr", 1500},
                                                    {"Qr", 1200}, {"NK", 1},    {"Kv", 1}};
    for (const auto& [field, v] : cells) TNumberColumn(field, t).Set(1, v);
    WriteTableFile(path + ".PL", t);
  }
  void Balance() {
    script.Then([](QDialog& d) {
      EXPECT_EQ(d.windowTitle().toStdString(), "Балансировка нагрузок");
      Press(d, "OKBtn");
    });
    form->BalansBtn->click();
  }
  bool Locked() const {
    for (const char* ext : {".UZL~", ".VET~", ".PL~"})
      if (fs::exists(path + ext)) return true;
    return false;
  }
};

TEST_F(BalancingWindow, TheMeasuredHeadFlowIsMetAndAFaultyRowWritesNothing) {
  IniRec.SavePQ = true;
  WriteFlows(1, 2);
  Balance();
  EXPECT_TRUE(box.Texts().empty()) << box.Texts()[0];
  EXPECT_FALSE(Locked());
  EXPECT_TRUE(form->ProcBar->isHidden());
  EXPECT_TRUE(form->StopBar->isHidden());
  TDataFile flows, nodes;
  ReadTableFile(path + ".PL", flows);
  EXPECT_NEAR(TNumberColumn("Prb", flows).Get(1), 1.5, IniRec.BPrec);
  EXPECT_NEAR(TNumberColumn("Prn", flows).Get(1), 1.0213, 0.001);  // the load and its losses before
  ReadTableFile(path + ".UZL", nodes);
  EXPECT_LT(TNumberColumn("Pn", nodes).Get(2), 1.5);
  EXPECT_GT(TNumberColumn("Pn", nodes).Get(2), 1.4);

  const std::string before = ReadBytes(path + ".UZL");
  WriteFlows(9, 2);
  Balance();
  EXPECT_EQ(Lines().back(), "Перетоки в линиях: Не задан тип нагрузки ветви: 1 - 2");
  EXPECT_TRUE(form->Info->isVisibleTo(form.get()));
  WriteFlows(1, 7);
  Balance();
  EXPECT_EQ(Lines().back(), "Перетоки в линиях: Ветвь не найдена: 1 - 7");
  EXPECT_EQ(ReadBytes(path + ".UZL"), before);
  EXPECT_FALSE(Locked());
}

}  // namespace
}  // namespace ld::test
