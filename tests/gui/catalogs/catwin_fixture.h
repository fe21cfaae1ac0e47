#pragma once
// The program's layout file, a scripted message box, scripted dialogs and a user with the write right
// for the tests of the catalogue and graph windows.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QTest>
#include <string>

#include "core/base/session.h"
#include "core/base/settings.h"
#include "support/modal_script.h"
#include "support/scripted_msgbox.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {

class CatwinTest : public ::testing::Test {
protected:
  CatwinTest() : savedMaket_(MaketFileName), savedProgramDir_(ProgramDir), savedConfig_(ConfigFileName) {
    MaketFileName = (DataDir() / "maket.zr").string(), ProgramDir = dir_.Path().string() + "/";
    ConfigFileName = dir_ / "ldtoril.ini", UserAccess = 1, CurrentUserName = "Петров";
  }
  ~CatwinTest() override { MaketFileName = savedMaket_, ProgramDir = savedProgramDir_, ConfigFileName = savedConfig_, UserAccess = 1; }

  std::string Path(const std::string& name) const { return dir_ / name; }
  // A mouse click on the button of that name, as a person gives it.
  static void Click(QWidget& window, const char* name) {
    QTest::mouseClick(&Child<QAbstractButton>(window, name), Qt::LeftButton);
  }

  TempDir dir_;
  ScriptedMsgBox msg_;
  ModalScript script_;

private:
  std::string savedMaket_, savedProgramDir_, savedConfig_;
};

}  // namespace ld::test
