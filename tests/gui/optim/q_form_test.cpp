// The reactive optimisation window on the two-node scheme: loading, the initial regime, a run, the
// manual steps, the write into the node table and the saved table and settings.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include "core/base/inifile.h"
#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/optim/q_fixture.h"
#include "gui/grid/data_grid.h"
#include "gui/optim/q_form.h"
#include "support/modal_script.h"
#include "support/scripted_msgbox.h"

namespace ld::test::optim {
namespace {

std::string Text(QWidget& d, const char* name) { return Child<QLabel>(d, name).text().toStdString(); }
void Click(QWidget& d, const char* name) { Child<QPushButton>(d, name).click(); }
double Cell(const TDataFile& t, const char* field, int row = 1) { return GetColumnAs<DAdouble>(field, t)->Get(row); }

class QFormTest : public ::testing::Test {
protected:
  TempDir dir;
  std::string path, savedConfig = ConfigFileName;
  ScriptedMsgBox box;
  ModalScript script;

  void SetUp() override {
    path = WriteTwoNodeScheme(dir.Path());
    ConfigFileName = dir / "prog.ini";
    UserAccess = 1;
    IniRec.Prec = 0.001f;
  }
  void TearDown() override { ConfigFileName = savedConfig; }
  void WriteSources(const std::vector<QRow>& rows) { WriteSourceTable(path, rows); }
  TDataFile Table(const std::string& layout) { return ReadSchemeTable(path, layout); }
};

TEST_F(QFormTest, RegimeRunStepsWriteAndSave) {
  WriteSources({{2}});
  script.Then([&](QDialog& d) {
    auto& form = static_cast<gui::TQ_Form&>(d);
    EXPECT_EQ(d.windowTitle(), "Оптимизация реактивных мощностей");
    EXPECT_EQ((QStringList{Child<QLineEdit>(d, "EpsRegEdit").text(), Child<QLineEdit>(d, "KuEdit").text(),
                           Child<QLineEdit>(d, "dQtEdit").text()}),
              (QStringList{"1e-10", "100", "1000"}));
    EXPECT_FALSE(Child<QPushButton>(d, "OptimBtn").isEnabled());
    Click(d, "LoadBtn");
    EXPECT_EQ(GetColumnAs<DAString>("Title", *form.Grid().GetTable())->GetItem(1), "Нагрузка");
    Click(d, "CalcBtn");
    EXPECT_EQ(Text(d, "PLabel") + " / " + Text(d, "OptLabel"), "dP = 21.3 кВт / Оптим= 0.0 кВт");
    EXPECT_TRUE(Child<QPushButton>(d, "OptimBtn").isEnabled());
    EXPECT_FALSE(Child<QPushButton>(d, "MinusBtn").isEnabled());

    Child<QComboBox>(d, "MethodBox").setCurrentIndex(4);
    Child<QLineEdit>(d, "EpsOptEdit").setText("1e-7");
    Click(d, "OptimBtn");
    EXPECT_EQ(Child<QPushButton>(d, "OptimBtn").text(), "Старт");
    EXPECT_EQ(Text(d, "PLabel") + " / " + Text(d, "OptLabel"), "dP = 10.2 кВт / Оптим= 11.1 кВт");
    EXPECT_EQ(Text(d, "ILabel").rfind("Итераций: ", 0), 0u);
    const std::string gradient = Text(d, "DLabel");
    ASSERT_EQ(gradient.rfind("Градиент: ", 0), 0u);
    EXPECT_EQ(gradient.size() - gradient.find('.') - 1, 9u) << gradient;
    EXPECT_NEAR(Cell(*form.Grid().GetTable(), "Qopt"), 1020.4, 3);
    EXPECT_FALSE(Child<QPushButton>(d, "MinusBtn").isEnabled());

    // ">>" then "<<" once: the step is undone and "<<" goes off.
    const double before = Cell(*form.Grid().GetTable(), "Qopt");
    Child<QComboBox>(d, "MethodBox").setCurrentIndex(0);
    Child<QLineEdit>(d, "dQtEdit").setText("50");
    Click(d, "PlusBtn");
    EXPECT_NEAR(std::abs(Cell(*form.Grid().GetTable(), "Qopt") - before), 50, 1e-9);
    EXPECT_TRUE(Child<QPushButton>(d, "MinusBtn").isEnabled());
    Click(d, "MinusBtn");
    EXPECT_DOUBLE_EQ(Cell(*form.Grid().GetTable(), "Qopt"), before);
    EXPECT_FALSE(Child<QPushButton>(d, "MinusBtn").isEnabled());

    Click(d, "WriteBtn");
    // the powers and the table that starts from them are on the disk together
    const TDataFile written = Table(LayoutReactiveSources);
    EXPECT_DOUBLE_EQ(Cell(written, "Qish"), Cell(*form.Grid().GetTable(), "Qopt"));
    EXPECT_NEAR(GetColumnAs<DAdouble>("Qg", Table(LayoutNodes))->Get(2), Cell(written, "Qish") * 0.001, 1e-12);
    EXPECT_TRUE(form.grab().save(QString::fromStdString(OutputPath("q_form.png"))));
    // Editing the table asks for "Режим" again.
    form.Grid().SetMode(gui::gmEdit);
    EXPECT_FALSE(Child<QPushButton>(d, "WriteBtn").isEnabled() || Child<QPushButton>(d, "OptimBtn").isEnabled());
    EXPECT_TRUE(Child<QLabel>(d, "PLabel").isHidden());
    Click(d, "OkBtn");
  });
  EXPECT_TRUE(gui::RunQOptimisation(path, dir.Path().string()));
  const TDataFile nodes = Table(LayoutNodes);
  const TDataFile saved = Table(LayoutReactiveSources);
  EXPECT_NEAR(GetColumnAs<DAdouble>("Qg", nodes)->Get(2), Cell(saved, "Qopt") * 0.001, 1e-12);
  EXPECT_DOUBLE_EQ(Cell(saved, "Qish"), Cell(saved, "Qopt"));
  EXPECT_EQ(Cell(saved, "dQ"), 0);
  EXPECT_EQ(saved.Title, dir.Path().string());
  const TMemIniFile ini(ConfigFileName);
  EXPECT_EQ(std::tuple(ini.ReadInteger("OptimQ", "Method", -1), ini.ReadString("OptimQ", "dQt", ""),
                       ini.ReadString("OptimQ", "EpsOpt", "")),
            std::tuple(0, "50", "1e-7"));
  EXPECT_TRUE(box.Calls().empty());
}

TEST_F(QFormTest, MissingNodeUmBoxAndCancel) {
  WriteSources({{2, 0, 0, 0, 2, 0, 0}, {17}});
  std::ofstream(ConfigFileName) << "[OptimQ]\nUm=1\n";
  script.Then([&](QDialog& d) {
    auto& form = static_cast<gui::TQ_Form&>(d);
    EXPECT_TRUE(Child<QCheckBox>(d, "UmBox").isChecked());
    Click(d, "CalcBtn");
    EXPECT_EQ(box.Texts(), std::vector<std::string>{"Узел 17 не найден"});
    EXPECT_FALSE(Child<QPushButton>(d, "OptimBtn").isEnabled() || Child<QPushButton>(d, "WriteBtn").isEnabled());
    // The watched node's Um, both bounds.
    EXPECT_EQ(std::pair(Cell(*form.Grid().GetTable(), "Umin"), Cell(*form.Grid().GetTable(), "Umax")), std::pair(10.0, 10.0));
    Click(d, "CancelBtn");
  });
  EXPECT_FALSE(gui::RunQOptimisation(path, dir.Path().string()));
  EXPECT_EQ(Cell(Table(LayoutReactiveSources), "Umin"), 0);  // not saved
}

}  // namespace
}  // namespace ld::test::optim
