// What the start says when a file of the program folder is missing, damaged or a folder: every
// message names its file.
#include <gtest/gtest.h>

#include <QDialog>
#include <QStringList>
#include <filesystem>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/tables/layout.h"
#include "gui/app/program.h"
#include "support/modal_script.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

class Startup : public ::testing::Test {
protected:
  void TearDown() override {
    IniRec = TIniRec{};
    MaketFileName = savedMaket_;
  }

  // Starts the user-list editor, the shortest way through the start, and closes it when it shows.
  void Start(bool editorShows) {
    gui::SetStartPaths(dir / "ldtoril");
    if (editorShows) script.Then([](QDialog& form) { form.reject(); });
    gui::RunStartedProgram(QStringList{"ldtoril", "/UserPassword"});
  }

  TempDir dir;
  ScriptedMsgBox box;
  ModalScript script;
  std::string savedMaket_ = MaketFileName;
};

TEST_F(Startup, FoldersWhereFilesShouldBeAreNamedInTheMessages) {
  fs::copy_file(DataDir() / "maket.zr", dir / "maket.zr");
  fs::create_directory(dir / "ldtoril.ini");
  fs::create_directory(dir / "sprav_UN.cat");
  Start(true);
  const std::vector<std::string> texts = box.Texts();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0], "Ошибка чтения файла конфигурации ldtoril.ini: это папка, а не файл");
  EXPECT_EQ(texts[1], "Ошибка чтения файла конфигурации ldtoril.ini: Ошибка чтения файла \"" +
                          (dir / "sprav_UN.cat") + "\": это папка, а не файл");
  EXPECT_EQ(texts[2], "Ошибка записи файла конфигурации ldtoril.ini: это папка, а не файл");
}

TEST_F(Startup, ABrokenLayoutFileIsNamedWithItsLayoutAndLine) {
  WriteBytes(dir / "maket.zr", Utf8ToCp1251("Name=Пользователи\r\nExtention=.usr\r\nCount=x\r\nOrder=\r\n"));
  Start(false);
  EXPECT_EQ(box.Texts(),
            (std::vector<std::string>{
                "Ошибка чтения файла конфигурации ldtoril.ini: Макет \"Номинальные напряжения\" не найден в файле \"" +
                    (dir / "maket.zr") + "\"",
                "Ошибка чтения макета \"Пользователи\": строка 3 файла \"" + (dir / "maket.zr") + "\""}));
  fs::remove(dir / "maket.zr");
  box.Clear();
  Start(false);
  const std::string missing = "Не найден файл макетов \"" + (dir / "maket.zr") + "\"";
  EXPECT_EQ(box.Texts(), (std::vector<std::string>{"Ошибка чтения файла конфигурации ldtoril.ini: " + missing, missing}));
}

}  // namespace
}  // namespace ld::test
