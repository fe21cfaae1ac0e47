#pragma once
// The regime window shown over a folder of its own, with the settings and program INI file of a fresh
// program, a scripted message box and scripted dialogs.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <filesystem>

#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/engine/results.h"
#include "core/engine/scheme_builder.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "core/tables/unom.h"
#include "gui/regime/zregim_form.h"
#include "support/modal_script.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {

class RegimeWindow : public ::testing::Test {
protected:
  RegimeWindow() {
    MaketFileName = (DataDir() / "maket.zr").string();
    IniRec = TIniRec();
    ProgramDir = dir.Path().string() + "/";
    IniRec.Path = ProgramDir;
    ReadNominalVoltageList();  // the catalogue of a fresh program: classes without deviations
    UserAccess = 1;
    CurrentUserName = "Иванов";
    ConfigFileName = dir / "zr.ini";  // the windows keep their views there
    form = std::make_unique<gui::TZregimForm>();
    form->Params.clear();
    form->show();
  }
  ~RegimeWindow() override {
    form.reset();
    ConfigFileName = config_;
  }

  // A named 10 kV node of a scheme.
  static NodeSpec& Station(SchemeBuilder& s, std::int32_t ns, const char* name, const char* sign = "", double pn = 0,
                           double qn = 0) {
    NodeSpec& n = s.Node(ns, sign, pn, qn);
    n.Um = 10;
    n.Name = name;
    return n;
  }
  // The scheme of a 10 kV balancing node feeding 1 MW + j1 Mvar through 1 + j2 Ω.
  static SchemeBuilder TwoNodes() {
    SchemeBuilder s;
    s.Title = "Два узла";
    Station(s, 1, "ПС-1.1", "B");
    Station(s, 2, "ТП-2", "", 1, 1);
    s.Branch(2, 1, 1, 2).Idop = 100;
    return s;
  }

  // A dialog step that chooses the file in the scheme file dialog of that title: its name typed into
  // the name field, as a person does.
  static ModalScript::Step Choose(const std::string& title, const std::string& file) {
    return [title, file](QDialog& d) {
      EXPECT_EQ(d.windowTitle().toStdString(), title);
      auto& files = static_cast<QFileDialog&>(d);
      const std::filesystem::path chosen(file);
      files.setDirectory(QString::fromStdString(chosen.parent_path().string()));
      Child<QLineEdit>(files, "fileNameEdit").setText(QString::fromStdString(chosen.filename().string()));
      d.setResult(QDialog::Accepted);
    };
  }
  // The regime settings dialog confirmed as it stands.
  static ModalScript::Step Settings() {
    return [](QDialog& d) { Press(d, "OKBtn"); };
  }

  void Open(const std::string& scheme) {
    script.Then(Choose("Загрузка схемы", scheme + ".UZL"));
    form->OpenItem->trigger();
  }
  // The scheme written into the test's folder and opened in the window; path is its base path.
  const std::string& OpenScheme(const SchemeBuilder& s = TwoNodes(), const std::string& name = "Схема") {
    path = s.Write(dir.Path(), name);
    Open(path);
    return path;
  }
  // Ctrl+R with the regime settings confirmed.
  void Calculate() {
    script.Then(Settings());
    form->CalcItem->trigger();
  }
  // No lock file in the test's folder: a command leaves none behind, whatever its end.
  bool NoLocks() const {
    for (const auto& f : std::filesystem::directory_iterator(dir.Path()))
      if (f.path().string().back() == '~') return false;
    return true;
  }

  // A table of the open scheme as it is on disk, and a number in it.
  TDataFile Table(const std::string& ext) const {
    TDataFile t;
    ReadTableFile(path + ext, t);
    return t;
  }
  double FileNumber(const std::string& ext, const char* field, int row) const {
    return TNumberColumn(field, Table(ext)).Get(row);
  }

  std::string Caption() const { return form->windowTitle().toStdString(); }
  std::string Label() const { return form->DataLabel->text().toStdString(); }
  static QColor ColorOf(const QLabel* label) { return label->palette().color(QPalette::Window); }

  const std::string config_ = ConfigFileName;
  TempDir dir;
  ScriptedMsgBox box;
  ModalScript script;
  std::unique_ptr<gui::TZregimForm> form;
  std::string path;
};

}  // namespace ld::test
