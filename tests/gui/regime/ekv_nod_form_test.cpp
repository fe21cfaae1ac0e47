// The node-equivalent window driven through its widgets.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <filesystem>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/engine/scheme_builder.h"
#include "core/tables/table_file.h"
#include "dialog_script.h"
#include "gui/grid/data_grid.h"
#include "gui/regime/ekv_nod_form.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

// Node 2 (1 MW + j1 Mvar) fed from node 1 at 10 kV through 1 + j2 Ω; node 2's row first.
std::string WriteScheme(const TempDir& dir, const std::string& stem, const char* supplySign) {
  SchemeBuilder s;
  s.Node(2, "", 1, 1).Um = 10;
  s.Node(1, supplySign).Um = 10;
  s.Branch(1, 2, 1, 2);
  return s.Write(dir.Path(), stem);
}

class EkvNodWindow : public RegimeDialogTest {
protected:
  void SetUp() override {
    RegimeDialogTest::SetUp();
    MaketFileName = (DataDir() / "maket.zr").string();
    IniRec.Prec = 1e-7f;
    IniRec.FlagRQ = false;
    IniRec.TypLoad = 0;
    IniRec.TypCalcPQ = 0;
  }
  bool Locked(const std::string& path) const {
    return std::filesystem::exists(path + ".UZL~") || std::filesystem::exists(path + ".VET~");
  }
  TempDir dir;
};

TEST_F(EkvNodWindow, EquivalentOfANodeAndItsVariants) {
  const std::string path = WriteScheme(dir, "feeder", "B");
  script.Then([&](QDialog& d) {
    auto& nodBox = Child<QComboBox>(d, "NodBox");
    ASSERT_EQ(nodBox.count(), 2);
    EXPECT_EQ(nodBox.itemText(1), "2");
    auto& memo = Child<QPlainTextEdit>(d, "ResMemo");
    EXPECT_EQ(Edit(d, "dQ").text(), "0.1");

    // No node chosen: nothing happens.
    Press(d, "EkvBtn");
    Press(d, "PQBtn");
    EXPECT_TRUE(memo.toPlainText().isEmpty());

    nodBox.setCurrentIndex(1);
    Press(d, "EkvBtn");
    const QString text = memo.toPlainText();
    EXPECT_TRUE(text.startsWith("Эквивалентные параметры узла 2:")) << text.toStdString();
    EXPECT_TRUE(text.contains("\nЭЭРМ : 0.0222\n"));
    EXPECT_FALSE(text.contains("Оптимум dQ"));
    EXPECT_TRUE(std::filesystem::exists(dir / "2.VET"));
    EXPECT_FALSE(Locked(path));

    // With the variants ticked the increment and the optimum follow.
    Child<QCheckBox>(d, "ExpBox").setChecked(true);
    Edit(d, "dQ").setText("0.2x");
    EXPECT_EQ(Edit(d, "dQ").text(), "");
    Edit(d, "dQ").setText("0.2");
    Press(d, "EkvBtn");
    EXPECT_TRUE(memo.toPlainText().contains("Оптимум dQ"));
    Press(d, "CancelBtn");
  });
  gui::ShowNodeEquivalentForm(path);
  EXPECT_TRUE(box.Calls().empty());
}

TEST_F(EkvNodWindow, CalculationErrorEndsTheCommandWithoutLocks) {
  const std::string path = WriteScheme(dir, "nosupply", "");
  script.Then([&](QDialog& d) {
    Child<QComboBox>(d, "NodBox").setCurrentIndex(1);
    Press(d, "EkvBtn");
    EXPECT_FALSE(Locked(path));
    EXPECT_TRUE(Child<QPlainTextEdit>(d, "ResMemo").toPlainText().isEmpty());
    Press(d, "CancelBtn");
  });
  gui::ShowNodeEquivalentForm(path);
  ASSERT_EQ(box.Texts(), (std::vector<std::string>{"Ошибка расчета режима"}));

  // A scheme whose node table cannot be read never shows the window.
  gui::ShowNodeEquivalentForm(dir / "missing");
  EXPECT_EQ(box.Calls().size(), 2u);
}

}  // namespace
}  // namespace ld::test
