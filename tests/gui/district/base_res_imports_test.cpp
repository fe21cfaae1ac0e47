// The district window's imports into a new base through its menu: the dialogs, the overwrite question
// asked only after the sources were read, the new base opened with its messages, the old base kept whole
// and shown when an import fails, is refused or is declined, and no lock left behind.
#include <QAction>
#include <QLineEdit>
#include <QProgressBar>
#include <QTextEdit>
#include <QToolButton>
#include <filesystem>
#include <map>

#include "core/base/codepage.h"
#include "core/base/strings.h"
#include "core/office/xlsx_file.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_import.h"
#include "district_fixture.h"
#include "support/xls_builder.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

class BaseImports : public DistrictWindow {
protected:
  // A dialog step: checks the title and the filter and types the names (several in quotes).
  static ModalScript::Step Pick(const std::string& title, const std::string& filter, const fs::path& folder,
                                const std::string& names) {
    return [=](QDialog& d) {
      EXPECT_EQ(d.windowTitle().toStdString(), title);
      auto& files = static_cast<QFileDialog&>(d);
      EXPECT_EQ(files.nameFilters(), QStringList{QString::fromStdString(filter)});
      files.setDirectory(QString::fromStdString(folder.string()));
      Child<QLineEdit>(files, "fileNameEdit").setText(QString::fromStdString(names));
      d.setResult(QDialog::Accepted);
    };
  }
  void ImportRs(const std::string& names) {
    script.Then(Pick("Импорт в базу РЭС", "Формат РЭС 10(6) кВ (*.RS)", dir.Path(), names));
    form->ImportItem->trigger();
  }
  void ImportPsh(const std::string& name) {
    script.Then(Pick("Импорт файлов МОРВЕ", "Формат МОРВЕ (*.psh)", dir.Path(), name));
    form->ImpPshItem->trigger();
  }
  void ImportWorkbooks(const std::string& names) {
    script.Then(Pick("Импорт файлов ЗУРАН", "Формат ЗУРАН (*.xls *.xlsx)", dir.Path(), names));
    form->ImpXlsNetItem->trigger();
  }
  // Every file of the folder with its bytes.
  std::map<std::string, std::string> Files() const {
    std::map<std::string, std::string> files;
    for (const auto& f : fs::directory_iterator(dir.Path())) files[f.path().filename().string()] = ReadBytes(f.path());
    return files;
  }
  bool NoLocks() const {
    for (const auto& f : fs::directory_iterator(dir.Path()))
      if (f.path().filename().string().back() == '~') return false;
    return true;
  }
  std::string InfoText() const { return form->Info->toPlainText().toStdString(); }
  // An old base "Сеть" of one section and one transformer, open in the window.
  void OldBaseOpen() {
    WriteRows(Base("Сеть") + ".RSL", LayoutLines10, {{"1", "", "СТАРАЯ", "ТП-1"}});
    WriteRows(Base("Сеть") + ".RTP", LayoutTransTP, {{"1", "ТП-1", "Т1", "", "", "ТМ-100/10/0.4"}});
    Open("Сеть");
    ASSERT_EQ(form->BaseFileName, Base("Сеть"));
  }
};

TEST_F(BaseImports, NetworkFilesMakeANewBaseThatOpensWithItsMessages) {
  Show();
  WriteRows(dir / "Сеть.RS", LayoutDistrict10,
            {{"П", "ПС.10", "Ф-1"}, {"", "ПС.10", "ТП-7", "", "", "", "АС-50", "2ТМ-400,ТМ-250"}});
  WriteRows(dir / "b.RS", LayoutDistrict10, {{"+", "ТП-7", "ТП-8", "", "", "", "АС-35", "ТМ-160"}});
  ImportRs("\"Сеть.RS\" \"b.RS\"");

  EXPECT_TRUE(box.Texts().empty()) << "no base of that name yet: no question";
  EXPECT_EQ(form->BaseFileName, Base("Сеть"));
  EXPECT_EQ(Caption(), "База РЭС - Сеть");
  EXPECT_EQ(Label(), "Формат РЭС (линии)");
  ASSERT_EQ(form->DataGrid().table().RowCount, 3);
  EXPECT_EQ(Cell("Name2", 3), "ТП-8");
  EXPECT_TRUE(form->SaveItem->isEnabled() && form->TPBtn->isEnabled());
  EXPECT_FALSE(form->NodesItem->isEnabled());
  EXPECT_TRUE(form->Info->isVisible());
  EXPECT_EQ(InfoText(), "Сеть.RS. Строка 1. Не задано номинальное напряжение ИП, принято Uн = 10 кВ");
  EXPECT_TRUE(form->ProcBar->isHidden());
  const TDataFile stations = Table(Base("Сеть") + ".RTP");
  EXPECT_EQ(stations.RowCount, 4);
  EXPECT_TRUE(NoLocks());

  // again onto the same name: asked once the file was read; "Нет" leaves the files and the base shown
  const auto before = Files();
  box.Answer(0);
  ImportRs("\"Сеть.RS\"");
  ASSERT_EQ(box.Texts(), std::vector<std::string>{"База с таким именем уже существует.\nБудут заменены файлы: "
                                                  "Сеть.RSL (таблица линий), Сеть.RTP (таблица ТП, РП).\nПерезаписать ?"});
  EXPECT_EQ(box.Calls()[0].kind, mkWarning);
  EXPECT_EQ(box.Calls()[0].buttons, mbYesNoCancel);
  EXPECT_EQ(Files(), before);
  EXPECT_EQ(Caption(), "База РЭС - Сеть");
  EXPECT_EQ(form->BaseFileName, Base("Сеть"));

  // "Да": one file this time, so the base has two sections
  box.Clear();
  box.Answer(1);
  ImportRs("\"Сеть.RS\"");
  EXPECT_EQ(Caption(), "База РЭС - Сеть");
  EXPECT_EQ(Table(Base("Сеть") + ".RSL").RowCount, 2);
  EXPECT_TRUE(NoLocks());
}

TEST_F(BaseImports, AFailedImportKeepsTheOldBaseAndLeavesNoLock) {
  Show();
  WriteRows(Base("Сеть") + ".RSL", LayoutLines10, {{"1", "", "СТАРАЯ", "ТП-1"}});
  WriteRows(Base("Сеть") + ".RTP", LayoutTransTP, {{"1", "ТП-1", "Т1"}});
  WriteRows(dir / "Сеть.RS", LayoutDistrict10, {{"П", "ПС.35.10", "Ф-1"}});
  WriteBytes(dir.Path() / "плохой.RS", "ZREGIM не таблица");
  const auto before = Files();

  // the file that cannot be read is refused before anything is asked
  ImportRs("\"Сеть.RS\" \"плохой.RS\"");
  ASSERT_EQ(box.Texts().size(), 1u);
  EXPECT_EQ(box.Calls()[0].kind, mkError);
  EXPECT_NE(box.Texts()[0].find(dir / "плохой.RS"), std::string::npos) << box.Texts()[0];
  EXPECT_NE(box.Texts()[0].find("ничего не изменено"), std::string::npos) << box.Texts()[0];
  EXPECT_EQ(Files(), before) << "the old base stays whole";
  EXPECT_EQ(Caption(), "База РЭС");
  EXPECT_TRUE(form->ProcBar->isHidden());

  // another user edits the station table: refused before the file is read, and that user's lock stays
  CurrentUserName = "Петров";
  LockTableFiles(Base("Сеть"), ".RTP");
  CurrentUserName = "Иванов";
  box.Clear();
  ImportRs("\"Сеть.RS\"");
  ASSERT_EQ(box.Texts().size(), 1u);
  EXPECT_EQ(box.Calls()[0].kind, mkError);
  EXPECT_TRUE(fs::exists(Base("Сеть") + ".RTP~"));
  EXPECT_FALSE(fs::exists(Base("Сеть") + ".RSL~")) << "nothing of this command stays locked";
  EXPECT_EQ(Table(Base("Сеть") + ".RSL").RowCount, 1);
}

TEST_F(BaseImports, FeederFilesOfTheFolderMakeTheNamedBase) {
  Show();
  std::string feeder = Utf8ToCp866("Фидер\r\n\r\n");
  feeder += Utf8ToCp866(FitRight("ЛЕСНАЯ", 8) + " " + FitRight("ТП-1", 8) + "      " + FitRight("АС-50", 9) +
                        FitLeft("0.25", 8) + " ТМ-250\r\n");
  feeder += Utf8ToCp866(FitRight("ТП-1", 8) + " " + FitRight("ТП-2", 8) + "      " + FitRight("АС-50", 9) +
                        FitLeft("x", 8) + " -\r\n");
  WriteBytes(dir.Path() / "f.psh", feeder);

  box.Answer(1);
  ImportPsh("");
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Не задано имя результирующего файла"});
  EXPECT_EQ(box.Calls()[0].kind, mkError);
  EXPECT_TRUE(form->BaseFileName.empty());

  box.Clear();
  ImportPsh("Лесная");
  // a feeder file cut at a line's end reads as a whole one: the closing message counts what was taken
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Импорт из файла \"" + (dir.Path() / "*.psh").string() +
                                                  "\" закончен, взято: файлов 1, строк участков 1"});
  box.Clear();
  EXPECT_EQ(Caption(), "База РЭС - Лесная");
  ASSERT_EQ(form->DataGrid().table().RowCount, 2);
  EXPECT_EQ(Cell("Name1", 1), "ЛЕСНАЯ.1.10");
  EXPECT_EQ(Cell("KodLine", 1), "250*АС-50");
  EXPECT_EQ(InfoText(), "Файл f.psh. Строка 4. Неверно задана длина линии: текст \"x\" не является числом");
  EXPECT_EQ(Table(Base("Лесная") + ".RTP").RowCount, 1);
  EXPECT_TRUE(NoLocks());

  // the same name again: "Отмена" to the question changes no file, and the base stays shown
  const auto before = Files();
  box.Answer(2);
  ImportPsh("Лесная");
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"База с таким именем уже существует.\nБудут заменены файлы: "
                                                  "Лесная.RSL (таблица линий), Лесная.RTP (таблица ТП, РП).\nПерезаписать ?"});
  EXPECT_EQ(Files(), before);
  EXPECT_EQ(Caption(), "База РЭС - Лесная");
}

TEST_F(BaseImports, NetworkWorkbooksReplaceTheBaseOnlyAfterYes) {
  Show();
  OldBaseOpen();
  Workbook book;
  Worksheet& sheet = book.sheets.emplace_back("Лист1");
  sheet.SetNumber(1, 1, 10);
  sheet.SetText(4, 1, "ПС-1.Ф5");
  sheet.SetNumber(4, 3, 0.25);
  sheet.SetText(4, 4, "АС-50");
  sheet.SetText(5, 1, "ТП-1");
  sheet.SetText(5, 2, "ТП-2");
  sheet.SetNumber(5, 3, 1);
  for (int col = 6; col <= 9; ++col) sheet.SetNumber(5, col, 0);  // no transformers
  sheet.SetText(9, 1, "ТП-2");
  sheet.SetText(9, 2, "ТП-3");
  sheet.SetText(9, 3, "много");
  WriteXlsx(dir / "Сеть.xlsx", book);
  WriteBytes(dir.Path() / "плохая.xls", "Фидер;10;ТП-1");
  WriteBytes(dir.Path() / "пустая.xls", XlsWithoutSheet());
  const auto before = Files();

  // a workbook without a sheet would make an empty base: refused before the question, the old base
  // kept and still shown
  ImportWorkbooks("\"Сеть.xlsx\" \"пустая.xls\"");
  ASSERT_EQ(box.Texts(), std::vector<std::string>{"Ошибка чтения файла \"" + dir / "пустая.xls" +
                                                  "\": в книге нет листов, ничего не изменено"});
  EXPECT_EQ(box.Calls()[0].kind, mkError);
  EXPECT_EQ(Files(), before);
  EXPECT_EQ(form->BaseFileName, Base("Сеть"));
  EXPECT_TRUE(NoLocks());
  box.Clear();

  // "Нет": the window keeps showing the old base, and its later commands keep to it
  box.Answer(0);
  ImportWorkbooks("\"Сеть.xlsx\"");
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"База с таким именем уже существует.\nБудут заменены файлы: "
                                                  "Сеть.RSL (таблица линий), Сеть.RTP (таблица ТП, РП).\nПерезаписать ?"});
  EXPECT_EQ(form->BaseFileName, Base("Сеть"));
  EXPECT_EQ(Caption(), "База РЭС - Сеть");
  EXPECT_EQ(Files(), before);

  // a workbook that cannot be read: refused before the question, the old base stays as it was, open
  box.Clear();
  ImportWorkbooks("\"Сеть.xlsx\" \"плохая.xls\"");
  ASSERT_EQ(box.Texts().size(), 1u);
  EXPECT_EQ(box.Texts()[0].rfind("Ошибка чтения файла \"" + dir / "плохая.xls" + "\"", 0), 0u) << box.Texts()[0];
  EXPECT_EQ(Files(), before);
  EXPECT_EQ(form->BaseFileName, Base("Сеть"));
  EXPECT_TRUE(NoLocks());

  box.Clear();
  box.Answer(1);
  ImportWorkbooks("\"Сеть.xlsx\"");
  EXPECT_EQ(Caption(), "База РЭС - Сеть");
  ASSERT_EQ(form->DataGrid().table().RowCount, 3);
  EXPECT_EQ(Cell("KodLine", 1), "250*АС-50");
  EXPECT_EQ(Cell("Name2", 1), "ТП-1");
  EXPECT_EQ(InfoText(), "файл " + dir / "Сеть.xlsx" + ", строка 9: текст \"много\" не является числом");
  EXPECT_TRUE(fs::exists(Base("Сеть") + ".RTP")) << "written also without transformers";
  EXPECT_EQ(Table(Base("Сеть") + ".RTP").RowCount, 0);
  EXPECT_TRUE(NoLocks());
}

// A source that gives no row would make an empty base, or empty the base of its name: each import
// refuses it by name and leaves every file as it was. A base of which only the station table stands is
// asked about too, since the import replaces or removes that table.
TEST_F(BaseImports, SourcesThatGiveNothingAreRefusedAndNoBaseFileIsReplacedUnasked) {
  Show();
  OldBaseOpen();
  const auto refusal = [](const std::string& source) { return NothingImportedText(source); };
  const std::string question = "База с таким именем уже существует.\nБудут удалены файлы, которых в новой базе не будет: "
                               "Станции.RTP (таблица ТП, РП).\nПерезаписать ?";
  WriteRows(dir / "Сеть.RS", LayoutDistrict10, {});
  WriteRows(dir / "Пусто.RS", LayoutDistrict10, {});
  Workbook book;
  Worksheet& sheet = book.sheets.emplace_back("Лист1");
  sheet.SetNumber(1, 1, 10);
  sheet.SetText(3, 1, "Начало");
  WriteXlsx(dir / "Сеть.xlsx", book);
  const auto before = Files();

  // onto the open base: refused with nothing asked, and the base stays shown
  ImportRs("\"Сеть.RS\"");
  EXPECT_EQ(box.Texts(), std::vector<std::string>{refusal(dir / "Сеть.RS")});
  EXPECT_EQ(box.Calls()[0].kind, mkError);
  EXPECT_EQ(Files(), before);
  EXPECT_EQ(Caption(), "База РЭС - Сеть");

  box.Clear();
  ImportRs("\"Пусто.RS\"");
  EXPECT_EQ(box.Texts(), std::vector<std::string>{refusal(dir / "Пусто.RS")});
  EXPECT_EQ(Files(), before) << "no empty base is made";

  box.Clear();
  ImportPsh("Лесная");
  EXPECT_EQ(box.Texts(), std::vector<std::string>{refusal(dir / "*.psh")});
  EXPECT_EQ(Files(), before);

  // the workbooks keep the base shown
  box.Clear();
  ImportWorkbooks("\"Сеть.xlsx\"");
  EXPECT_EQ(box.Texts(), std::vector<std::string>{NothingImportedText(dir / "Сеть.xlsx", {}, "Лист1")});
  EXPECT_EQ(Files(), before);
  EXPECT_EQ(form->BaseFileName, Base("Сеть"));
  EXPECT_EQ(Caption(), "База РЭС - Сеть");
  EXPECT_TRUE(NoLocks());

  // a station table without its line table: asked about, and "Нет" keeps it
  WriteRows(Base("Станции") + ".RTP", LayoutTransTP, {{"1", "ТП-1", "Т1", "", "", "ТМ-100/10/0.4"}});
  WriteRows(dir / "Станции.RS", LayoutDistrict10, {{"П", "ПС.10", "Ф-1"}});
  const std::string stations = ReadBytes(Base("Станции") + ".RTP");
  box.Clear();
  box.Answer(0);
  ImportRs("\"Станции.RS\"");
  EXPECT_EQ(box.Texts(), std::vector<std::string>{question});
  EXPECT_EQ(ReadBytes(Base("Станции") + ".RTP"), stations);
  EXPECT_FALSE(fs::exists(Base("Станции") + ".RSL"));
  EXPECT_TRUE(NoLocks());
}

}  // namespace
}  // namespace ld::test
