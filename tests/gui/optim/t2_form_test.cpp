// The station window: the list of stations, a manual state, the automatic run with its list, "Запись"
// and a scheme whose station cannot be set up.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "core/base/settings.h"
#include "core/optim/q_fixture.h"
#include "gui/grid/data_grid.h"
#include "gui/optim/t2_form.h"
#include "support/modal_script.h"
#include "support/scripted_msgbox.h"

namespace ld::test::optim {
namespace {

TEST(T2Form, ManualStateRunListAndWrite) {
  TempDir dir;
  const std::string path = (dir.Path() / "t2").string();
  WriteNodeTable(path, {{1, "B", "ПС1.Шины", 10, 0, 0, 0}, {2, "", "ПС1.С1", 10, 0.1, 0, 0},
                        {3, "", "ПС1.С2", 10, 0.1, 0, 0}});
  QBranch section(2, 3);
  section.Commut = "О";
  WriteBranchTable(path, {Transformer(1, 2, "Т1"), Transformer(1, 3, "Т2"), section});
  IniRec.Prec = 1e-6f;
  ScriptedMsgBox box;
  ModalScript script;
  script.Then([&](QDialog& d) {
    auto& form = static_cast<gui::TT2_Form&>(d);
    EXPECT_EQ(d.windowTitle(), "Оптимизация включенных трансформаторов");
    EXPECT_EQ(form.Grid().GetTable()->RowCount, 1);
    EXPECT_EQ(Child<QLineEdit>(d, "dPmin").text(), "0.1");
    EXPECT_TRUE(Child<QRadioButton>(d, "SVBtn").isChecked());
    const std::string label = Child<QLabel>(d, "PLabel").text().toStdString();
    EXPECT_EQ(label.rfind("dP = 3.0", 0), 0u) << label;
    EXPECT_NE(label.find(" (0.000) кВт"), std::string::npos) << label;

    // T2 off by hand: the row books the saving of about 0.93 kW.
    Child<QRadioButton>(d, "T2Btn").click();
    TT2Cols c;
    FillT2Cols(*form.Grid().GetTable(), c);
    EXPECT_EQ(c.STo->Get(1), 2);
    EXPECT_NEAR(c.dPr->Get(1), 0.93, 0.01);
    EXPECT_EQ(Child<QLabel>(d, "T2Label").text().toStdString().rfind("0.9", 0), 0u);

    // The run starts from the proposal, which becomes the found state; nothing better is left.
    Child<QPushButton>(d, "OptimBtn").click();
    const std::string memo = Child<QPlainTextEdit>(d, "ResMemo").toPlainText().toStdString();
    EXPECT_EQ(memo.rfind("Итерационный процесс:\n0. dP = 2.08", 0), 0u) << memo;
    EXPECT_NE(memo.find("1. dP = 2.08"), std::string::npos) << memo;
    EXPECT_NE(memo.find("Оптимизация = 0.000 кВт\n\nСписок переключений трансформаторов:"), std::string::npos) << memo;
    FillT2Cols(*form.Grid().GetTable(), c);
    EXPECT_EQ(c.ST->Get(1), 2);
    Child<QPushButton>(d, "ResBtn").click();
    EXPECT_EQ(Child<QPlainTextEdit>(d, "ResMemo").toPlainText().toStdString(), "Список переключений трансформаторов:");
    EXPECT_TRUE(Child<QPushButton>(d, "WriteBtn").isEnabled());
    EXPECT_EQ(Child<QPushButton>(d, "OptimBtn").text(), "Старт");
    EXPECT_TRUE(form.grab().save(QString::fromStdString(OutputPath("t2_form.png"))));
    Child<QPushButton>(d, "WriteBtn").click();
    Child<QPushButton>(d, "QuitBtn").click();
  });
  EXPECT_TRUE(gui::RunT2Optimisation(path));
  EXPECT_EQ(Letters(path), "-O-");
  EXPECT_TRUE(box.Calls().empty());

  // A section branch between nodes that the node table lacks: no window, the rows' numbers as the error.
  WriteNodeTable(path, {{1, "B", "ПС1.Шины", 10, 0, 0, 0}});
  EXPECT_FALSE(gui::RunT2Optimisation(path));
  EXPECT_EQ(box.Texts().back(), "1,2,3");
  IniRec.Prec = 0.001f;
}

}  // namespace
}  // namespace ld::test::optim
