#pragma once
// The program's layout file, a scripted message box and a user with the write right for the tests of
// the catalogue and graph windows, and helpers that script dialogs and write tables.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "gui/common/modal.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {

class CatwinTest : public ::testing::Test {
protected:
  CatwinTest()
      : savedMaket_(MaketFileName), savedProgramDir_(ProgramDir), savedConfig_(ConfigFileName) {
    MaketFileName = (DataDir() / "maket.zr").string();
    ProgramDir = dir_.Path().string() + "/";
    ConfigFileName = dir_ / "ldtoril.ini";
    UserAccess = 1;
    CurrentUserName = "Петров";
    savedModal_ = gui::SetModalHandler(nullptr);
    gui::SetModalHandler(savedModal_);
  }
  ~CatwinTest() override {
    MaketFileName = savedMaket_;
    ProgramDir = savedProgramDir_;
    ConfigFileName = savedConfig_;
    gui::SetModalHandler(savedModal_);
    UserAccess = 1;
  }

  // Every modal run goes to the handler until the next call.
  void OnModal(std::function<int(QDialog&)> handler) { gui::SetModalHandler(std::move(handler)); }

  // A table of a layout whose rows give the cell texts in the layout's column order.
  static void FillRows(TDataFile& table, const std::string& layout, const std::vector<std::vector<std::string>>& rows) {
    ReadMaket(layout, table);
    CreateColumns(table, static_cast<int>(rows.size()));
    for (std::size_t r = 0; r < rows.size(); ++r)
      for (std::size_t c = 0; c < rows[r].size(); ++c) {
        std::string text = rows[r][c];
        const auto col = static_cast<std::size_t>(c) + 1;
        const std::uint8_t access = table.Access[col];
        table.Access[col] = 1;
        SetCellText(table, static_cast<int>(r) + 1, static_cast<int>(col), text);
        table.Access[col] = access;
      }
  }
  void WriteRows(const std::string& fileName, const std::string& layout,
                 const std::vector<std::vector<std::string>>& rows) const {
    TDataFile t;
    FillRows(t, layout, rows);
    WriteTableFile(fileName, t);
  }

  std::string Path(const std::string& name) const { return dir_ / name; }

  TempDir dir_;
  ScriptedMsgBox msg_;

private:
  std::string savedMaket_, savedProgramDir_, savedConfig_;
  gui::ModalHandler savedModal_;
};

}  // namespace ld::test
