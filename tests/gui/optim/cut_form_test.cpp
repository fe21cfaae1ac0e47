// The open-point window on the published 33-bus feeder (hand moves, the run, "Запись") and its settings
// dialog with the two change flags.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <fstream>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/engine/scheme_builder.h"
#include "core/optim/cut_cases.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "gui/grid/data_grid.h"
#include "gui/optim/optim_cut_form.h"
#include "gui/optim/r_form.h"
#include "support/modal_script.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

std::string WriteFeeder33(const fs::path& dir) {
  SchemeBuilder s = Feeder33();
  s.Branches[34].Commut = "О";  // 12-22 fixed
  return s.Write(dir, "f33");
}

std::string Text(QWidget& d, const char* name) { return Child<QLabel>(d, name).text().toStdString(); }

TEST(CutForm, HandMovesRunAndWrite) {
  CutSettings settings;
  ScriptedMsgBox box;
  TempDir dir;
  const std::string stem = WriteFeeder33(dir.Path());
  ModalScript script;
  script.Then([&](QDialog& d) {
    auto& form = static_cast<gui::TR_Form&>(d);
    EXPECT_EQ(d.windowTitle(), "Оптимизация разрывов");
    TDataFile& t = *form.Grid().GetTable();
    ASSERT_EQ(t.RowCount, 5);
    EXPECT_EQ(Text(d, "PLabel"), "dP = 202.700 кВт");
    EXPECT_EQ(Text(d, "ILabel"), "Перегрузка линии:");
    // The fixed tie carries its letter and mark; its arrows move nothing.
    int fixedRow = 0;
    for (int r = 1; r <= 5; ++r) {
      if (GetColumnAs<DAChar>("Sign", t)->Get(r) != 0) fixedRow = r;
    }
    ASSERT_NE(fixedRow, 0);
    EXPECT_EQ(Cp1251ToUtf8(std::string(1, GetColumnAs<DAChar>("Sign", t)->Get(fixedRow))), "О");
    EXPECT_EQ(t.MarkRec->Get(fixedRow), 'p');
    form.Grid().GotoRow(fixedRow);
    form.RGridMoveProc(fixedRow);
    Child<QPushButton>(d, "LBtn").click();
    EXPECT_TRUE(GetColumnAs<DAString>("Cut2", *form.Grid().GetTable())->GetItem(fixedRow).empty());

    // A free tie one branch along: the new position, the losses and the saving booked on the row.
    const int row = fixedRow == 1 ? 2 : 1;
    form.Grid().GotoRow(row);
    form.RGridMoveProc(row);
    EXPECT_FALSE(Text(d, "LLabel").empty());
    EXPECT_GT(Child<QListWidget>(d, "LeftList").count(), 0);
    Child<QPushButton>(d, "RBtn").click();
    TDataFile& moved = *form.Grid().GetTable();
    EXPECT_FALSE(GetColumnAs<DAString>("Cut2", moved)->GetItem(row).empty());
    const double kw = (form.Optimiser().InitialLoss - form.Optimiser().CurrentLoss) * 1000;
    EXPECT_NEAR(GetColumnAs<DAsingle>("dPr", moved)->Get(row), kw, 1e-3);
    EXPECT_EQ(Text(d, "PLabel").rfind("dP = ", 0), 0u);
    Child<QPushButton>(d, "LBtn").click();
    EXPECT_NEAR(form.Optimiser().CurrentLoss, form.Optimiser().InitialLoss, 1e-12);

    Child<QPushButton>(d, "OptimBtn").click();
    const QStringList lines = Child<QPlainTextEdit>(d, "ResMemo").toPlainText().split('\n');
    EXPECT_EQ(lines.value(0), "Итерационный процесс:");
    EXPECT_EQ(lines.value(1), "0. dP = 202.7 кВт");
    EXPECT_TRUE(lines.contains("Список оптимизированных разрывов:"));
    EXPECT_EQ(Child<QPushButton>(d, "OptimBtn").text(), "Старт");
    EXPECT_TRUE(Child<QPushButton>(d, "WriteBtn").isEnabled());
    Press(d, "WriteBtn");
    Press(d, "QuitBtn");
  });
  EXPECT_TRUE(gui::RunCutOptimisation(stem));
  TDataFile b;
  ReadTableFile(stem + ".VET", b);
  int open = 0;
  for (int r = 1; r <= b.RowCount; ++r) open += GetColumnAs<DAChar>("Commut", b)->Get(r) != 0 ? 1 : 0;
  EXPECT_EQ(open, 5);
  EXPECT_EQ(Cp1251ToUtf8(std::string(1, GetColumnAs<DAChar>("Commut", b)->Get(35))), "О");
  EXPECT_TRUE(box.Calls().empty());
}

// The engine reads the scheme without messages of its own: a scheme it cannot model, or a table it
// cannot read, is reported by the entry and no window comes up over it.
TEST(CutForm, ASchemeThatCannotBeModelledOrReadIsReportedWithoutAWindow) {
  CutSettings settings;
  ScriptedMsgBox box;
  ModalScript script;
  TempDir dir;
  SchemeBuilder s = Feeder33();
  s.Branch(3, 99, 1, 1);
  EXPECT_FALSE(gui::RunCutOptimisation(s.Write(dir.Path(), "f33")));
  const std::string stem = WriteFeeder33(dir.Path());
  std::ofstream(stem + ".UZL", std::ios::binary | std::ios::trunc) << "не таблица";
  EXPECT_FALSE(gui::RunCutOptimisation(stem));
  ASSERT_EQ(box.Texts().size(), 2u);
  EXPECT_EQ(box.Texts()[0], "Схема \"33\". Отсутствует узел : 99");
  EXPECT_EQ(box.Texts()[1].rfind("Ошибка чтения файла \"" + stem + ".UZL\"", 0), 0u) << box.Texts()[1];
  EXPECT_EQ(script.Shown(), 0);
}

TEST(CutForm, SettingsDialogFlagsAndVoltageGroup) {
  CutSettings settings;
  ScriptedMsgBox box;
  ModalScript script;
  std::vector<float> voltages;
  bool regime = false, selection = true;
  // The algorithm, the transformer stop and the regime settings: no change of the selection.
  int regimeDialogs = 0;
  gui::RegimSettingsDialog() = [&](bool withPeriod) {
    EXPECT_FALSE(withPeriod);
    ++regimeDialogs;
    return true;
  };
  script.Then([&](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Настройка оптимизации разрывов");
    Child<QRadioButton>(d, "GlobalMin").click();
    Child<QCheckBox>(d, "StopTr").click();
    Press(d, "RegimBtn");
    Press(d, "OKBtn");
  });
  EXPECT_TRUE(gui::ExecuteCutOptimSettings(voltages, regime, selection));
  gui::RegimSettingsDialog() = nullptr;
  EXPECT_EQ(std::tuple(regimeDialogs, regime, selection, IniRec.Algoritm, IniRec.StopTr),
            std::tuple(1, true, false, std::uint8_t{1}, true));

  // A bad voltage group keeps the dialog open with what was typed; a good one is parsed.
  script.Then([&](QDialog& d) {
    Child<QCheckBox>(d, "FlagUn").click();
    Child<QLineEdit>(d, "GroupUn").setText("6;x");
    Press(d, "OKBtn");
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(Child<QLineEdit>(d, "GroupUn").text(), "6;x");
    ASSERT_EQ(box.Texts().size(), 1u);
    EXPECT_EQ(box.Texts()[0],
              "Неверно заданы уровни напряжений (должно быть указано одно или группа напряжений через символ \";\")");
    Child<QLineEdit>(d, "GroupUn").setText("6;10;35");
    Child<QLineEdit>(d, "EditDP").setText("");
    Press(d, "OKBtn");
  });
  EXPECT_TRUE(gui::ExecuteCutOptimSettings(voltages, regime, selection));
  EXPECT_EQ(voltages, (std::vector<float>{6, 10, 35}));
  EXPECT_EQ(std::tuple(regime, selection, IniRec.dP, IniRec.FlagUn, IniRec.GroupUn),
            std::tuple(false, true, 0.0f, true, "6;10;35"));

  script.Then([&](QDialog& d) {
    Child<QCheckBox>(d, "ExceptTr").click();
    Press(d, "OKBtn");
  });
  EXPECT_TRUE(gui::ExecuteCutOptimSettings(voltages, regime, selection));
  EXPECT_TRUE(selection && !IniRec.ExceptTr);

  // Cancelled: nothing stored, both flags false; a non-number never stays in the pass limit.
  script.Then([&](QDialog& d) {
    Child<QCheckBox>(d, "ExceptTr").click();
    Child<QLineEdit>(d, "RIter").setText("abc");
    EXPECT_EQ(Child<QLineEdit>(d, "RIter").text(), "");
    Press(d, "CancelBtn");
  });
  regime = selection = true;
  EXPECT_FALSE(gui::ExecuteCutOptimSettings(voltages, regime, selection));
  EXPECT_FALSE(regime || selection || IniRec.ExceptTr);
}

}  // namespace
}  // namespace ld::test
