// A click on a line in the branch-parameter mode of the diagram opens the calculator beside the cursor.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTest>

#include "core/base/settings.h"
#include "gui/diagram/sch_box.h"
#include "support/diagram_fixture.h"
#include "support/modal_script.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::gui {
namespace {

TEST(SchemBoxRXMode, CalculatorOpensSixteenPixelsRightAndBelowTheCursor) {
  test::TempDir dir;
  const std::string savedProgramDir = ProgramDir, savedMaket = MaketFileName;
  ProgramDir = dir.Path().string() + "/";  // the catalogues the calculator opens
  MaketFileName = (test::DataDir() / "maket.zr").string();
  {
    test::ScriptedMsgBox msg;
    test::ModalScript script;
    QWidget window;
    window.resize(216, 216);
    auto* box = new TSchemBox(&window);
    box->setGeometry(0, 0, 200, 200);
    test::LoadDefaultViewConfig(*box);
    test::ForkScheme().Load(*box);
    window.show();
    ASSERT_TRUE(box->BuildScheme(box->NodeSet, box->LineSet, 0, 0));
    QApplication::processEvents();
    box->RXMode = true;

    QPoint at;
    script.Then([&](QDialog& d) {
      at = d.pos();
      d.reject();
    });
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(23, 100));  // the line to "C"
    EXPECT_EQ(script.Shown(), 1);
    EXPECT_EQ(at, box->mapToGlobal(QPoint(23 + 16, 100 + 16)));
  }
  ProgramDir = savedProgramDir;
  MaketFileName = savedMaket;
}

}  // namespace
}  // namespace ld::gui
