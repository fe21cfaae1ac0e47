#pragma once
// What the windows of the import commands need in the table of every import command: the program's
// settings, and a file chosen in an open dialog as a person chooses it.
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <filesystem>
#include <memory>
#include <string>

#include "core/base/session.h"
#include "core/base/settings.h"
#include "support/modal_script.h"
#include "support/test_env.h"

namespace ld::test {

// The program's layout file, a user with the write right, and the program's folder and settings file in
// a folder of their own, away from the folder whose files the test compares (a window keeps its views
// there when it closes). The settings come back as they were when it goes, the settings record as a
// fresh program has it.
class TProgramFolder {
public:
  explicit TProgramFolder(const std::string& user)
      : maket_(MaketFileName), programDir_(ProgramDir), config_(ConfigFileName), user_(CurrentUserName),
        access_(UserAccess) {
    MaketFileName = (DataDir() / "maket.zr").string();
    IniRec = TIniRec();
    ProgramDir = dir_.Path().string() + "/";
    IniRec.Path = ProgramDir;
    ConfigFileName = dir_.Path() / "ldtoril.ini";
    UserAccess = 1;
    CurrentUserName = user;
  }
  ~TProgramFolder() {
    MaketFileName = maket_, ProgramDir = programDir_, ConfigFileName = config_, CurrentUserName = user_;
    UserAccess = access_;
    IniRec = TIniRec();
  }
  TProgramFolder(const TProgramFolder&) = delete;
  TProgramFolder& operator=(const TProgramFolder&) = delete;

private:
  TempDir dir_;
  std::string maket_, programDir_, config_, user_;
  std::uint8_t access_;
};

// The window of a case of the table, open from its Prepare to its Finish, with the program folder it was
// opened under: one of each kind at a time.
template <typename W>
struct TOpenWindow {
  std::unique_ptr<TProgramFolder> program;
  std::unique_ptr<W> window;
  static TOpenWindow& Current() {
    static TOpenWindow open;
    return open;
  }
  void Close() {
    window.reset();
    program.reset();
  }
};

// An open dialog answered with the file's name typed into its name field; its title checked when given.
inline ModalScript::Step ChooseInOpenDialog(const std::filesystem::path& file, const std::string& title = {}) {
  return [file, title](QDialog& d) {
    if (!title.empty()) {
      EXPECT_EQ(d.windowTitle().toStdString(), title);
    }
    auto& open = static_cast<QFileDialog&>(d);
    open.setDirectory(QString::fromStdString(file.parent_path().string()));
    Child<QLineEdit>(open, "fileNameEdit").setText(QString::fromStdString(file.filename().string()));
    open.setResult(QDialog::Accepted);
  };
}

}  // namespace ld::test
