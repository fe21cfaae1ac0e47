#pragma once
// The district window shown over a folder of its own (the program folder and the catalogue folder in
// one), with the settings of a fresh program, a scripted message box and scripted dialogs.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <filesystem>
#include <memory>

#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "core/tables/unom.h"
#include "gui/district/base_res_form.h"
#include "support/modal_script.h"
#include "support/scripted_msgbox.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {

class DistrictWindow : public ::testing::Test {
protected:
  DistrictWindow() {
    MaketFileName = (DataDir() / "maket.zr").string();
    IniRec = TIniRec();
    ProgramDir = dir.Path().string() + "/";
    IniRec.Path = ProgramDir;
    // the district's own voltage classes: 0.4 kV where the standard list has 0.38
    WriteRows(ProgramDir + "sprav_UN.cat", "Номинальные напряжения", {{"0.4"}, {"6"}, {"10"}, {"35"}, {"110"}});
    ReadNominalVoltageList();
    UserAccess = 1;
    CurrentUserName = "Иванов";
    ConfigFileName = dir / "zr.ini";
  }
  ~DistrictWindow() override {
    form.reset();
    ConfigFileName = config_;
  }

  void Show() {
    form = std::make_unique<gui::TBaseResForm>();
    form->show();
  }

  // A dialog step that chooses the file in the base file dialog of that title: its name typed into the
  // name field, as a person does.
  static ModalScript::Step Choose(const std::string& title, const std::string& file) {
    return [title, file](QDialog& d) {
      EXPECT_EQ(d.windowTitle().toStdString(), title);
      auto& files = static_cast<QFileDialog&>(d);
      EXPECT_EQ(files.nameFilters(), QStringList{"Формат РЭС (линии) (*.RSL)"});
      const std::filesystem::path chosen(file);
      files.setDirectory(QString::fromStdString(chosen.parent_path().string()));
      Child<QLineEdit>(files, "fileNameEdit").setText(QString::fromStdString(chosen.filename().string()));
      d.setResult(QDialog::Accepted);
    };
  }

  std::string Base(const std::string& name = "Пример") const { return dir / name; }
  // "Загрузить" of the base of that name.
  void Open(const std::string& name = "Пример") {
    script.Then(Choose("Загрузка базы РЭС", Base(name) + ".RSL"));
    form->OpenItem->trigger();
  }

  TDataFile Table(const std::string& file) const {
    TDataFile t;
    ReadTableFile(file, t);
    return t;
  }
  std::string Cell(const std::string& field, int row) {
    return CellText(form->DataGrid().table(), field, row);
  }
  std::string Caption() const { return form->windowTitle().toStdString(); }
  std::string Label() const { return form->DataLabel->text().toStdString(); }

  const std::string config_ = ConfigFileName;
  TempDir dir;
  ScriptedMsgBox box;
  ModalScript script;
  std::unique_ptr<gui::TBaseResForm> form;
};

}  // namespace ld::test
