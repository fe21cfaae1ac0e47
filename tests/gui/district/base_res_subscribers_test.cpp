// The district window's subscriber commands through their dialogs, worked with the mouse and the
// keyboard: the dBase bases, the workbook bases, the 0.4 kV line base and the contracts' stations; the
// result in the grid, the messages in Info, the settings kept, and no lock left behind.
#include <xlsxwriter.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextEdit>
#include <filesystem>
#include <map>
#include <tuple>

#include "core/office/test_dbf_writer.h"
#include "core/office/workbook.h"
#include "core/office/xlsx_file.h"
#include "district_fixture.h"
#include "gui/district/import_frm.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

void Type(QWidget& edit, const QString& text) {
  for (const QChar ch : text) {
    if (ch.unicode() < 128)
      QTest::keyClick(&edit, static_cast<char>(ch.unicode()));
    else
      QTest::sendKeyEvent(QTest::Click, &edit, Qt::Key_unknown, QString(ch), Qt::NoModifier);
  }
}

void Retype(QLineEdit& edit, const std::string& text) {
  edit.selectAll();
  QTest::keyClick(&edit, Qt::Key_Delete);
  Type(edit, QString::fromStdString(text));
}

// A click where a person clicks: a box or a radio button on its mark (the widget may stretch far beyond
// its caption), a push button in its middle.
void Click(QDialog& d, const char* name) {
  auto& button = Child<QAbstractButton>(d, name);
  const bool mark = qobject_cast<QCheckBox*>(&button) || qobject_cast<QRadioButton*>(&button);
  QTest::mouseClick(&button, Qt::LeftButton, {}, mark ? QPoint(6, button.height() / 2) : button.rect().center());
}

class SubscriberCommands : public DistrictWindow {
protected:
  SubscriberCommands() {
    WriteRows(Base() + ".RSL", LayoutLines10, {{"1", "", "ПС.10", "ТП-1"}});
    Show();
    Open();
  }
  bool NoLocks() const {
    for (const auto& f : fs::directory_iterator(dir.Path()))
      if (f.path().filename().string().back() == '~') return false;
    return true;
  }
  std::string InfoText() const { return form->Info->toPlainText().toStdString(); }
};

TEST_F(SubscriberCommands, DbfBasesThroughTheDialog) {
  const std::string prom = dir / "prom.dbf", byt = dir / "byt.dbf";
  WriteDbf(prom, {{"RES_ID", 'N', 3}, {"NAMETP", 'C', 10}, {"NDOG", 'C', 6}},
           {{"7", "тп-5", "1"}, {"7", "тп-6", "2"}, {"3", "тп-4", "3"}}, {2});
  WriteDbf(byt, {{"NAME_TP", 'C', 10}, {"FIDER", 'C', 4}}, {{"ТП-5", "л1"}});
  script.Then([&](QDialog& d) {
    EXPECT_EQ(d.windowTitle().toStdString(), "Импорт баз промышленных и бытовых абонентов");
    EXPECT_TRUE(Child<QCheckBox>(d, "PromBox").isChecked());
    EXPECT_FALSE(Child<QLineEdit>(d, "DogEdit").isEnabled()) << "the contract list is not wanted by default";
    EXPECT_FALSE(Child<QLineEdit>(d, "ResEdit").isEnabled());
    Retype(Child<QLineEdit>(d, "PromEdit"), prom);
    Click(d, "AddBox");
    auto& res = Child<QLineEdit>(d, "ResEdit");
    EXPECT_TRUE(res.isEnabled());
    Type(res, "x");
    EXPECT_EQ(res.text(), "") << "no integer";
    Type(res, "7");
    Retype(Child<QLineEdit>(d, "BytEdit"), byt);
    Type(Child<QLineEdit>(d, "Edit1"), "Ф-");
    Click(d, "DogBox");
    EXPECT_TRUE(Child<QLineEdit>(d, "DogEdit").isEnabled());
    Click(d, "DogBox");
    Click(d, "OKBtn");
  });
  form->ImpDbfBaseItem->trigger();
  EXPECT_EQ(IniRec.PathProm, prom);
  EXPECT_EQ(IniRec.PathByt, byt);
  EXPECT_FALSE(IniRec.FlagDog);
  EXPECT_EQ(gui::HouseholdFeederPrefix, "Ф-");
  EXPECT_EQ(Label(), LayoutMeterPoints);
  EXPECT_EQ(form->DataGrid().table().RowCount, 1) << "district 7, the deleted record left out";
  EXPECT_EQ(Cell("NameTP", 1), "ТП-5");
  EXPECT_TRUE(form->Info->isHidden());
  EXPECT_TRUE(form->ProcBar->isHidden());
  EXPECT_EQ(Table(Base() + ".BBA").RowCount, 1);
  EXPECT_TRUE(NoLocks());

  // the prefix is offered again; a household file that cannot be read refuses the whole command by its
  // name, the industrial base read before it not written
  fs::remove(byt);
  script.Then([&](QDialog& d) {
    EXPECT_EQ(Child<QLineEdit>(d, "Edit1").text(), "Ф-");
    EXPECT_EQ(Child<QLineEdit>(d, "BytEdit").text().toStdString(), byt);
    Click(d, "OKBtn");
  });
  const std::string promBytes = ReadBytes(Base() + ".BPA");
  form->ImpDbfBaseItem->trigger();
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Ошибка чтения базы бытовых абонентов (файл " + byt +
                                                  "): файл не найден или недоступен, ничего не изменено"});
  EXPECT_EQ(ReadBytes(Base() + ".BPA"), promBytes);
  EXPECT_EQ(form->DataGrid().table().RowCount, 1) << "the grid keeps what it showed";
  EXPECT_TRUE(form->ProcBar->isHidden());
  EXPECT_TRUE(NoLocks());

  // "Отменить" stores nothing
  script.Then([&](QDialog& d) {
    Click(d, "PromBox");
    Click(d, "CancelBtn");
  });
  form->ImpDbfBaseItem->trigger();
  EXPECT_TRUE(IniRec.FlagProm);

  // a base ticked without its file is said so, and the dialog stays open on that file's edit
  box.Clear();
  script.Then([&](QDialog& d) {
    Retype(Child<QLineEdit>(d, "PromEdit"), "");
    Click(d, "OKBtn");
    EXPECT_EQ(box.Texts(), std::vector<std::string>{"Не выбран файл базы промышленных абонентов"});
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(Child<QLineEdit>(d, "PromEdit").hasFocus());
    Click(d, "CancelBtn");
  });
  form->ImpDbfBaseItem->trigger();
  EXPECT_EQ(IniRec.PathProm, prom) << "nothing stored";
  EXPECT_EQ(ReadBytes(Base() + ".BPA"), promBytes);
}

TEST_F(SubscriberCommands, LineBaseThroughTheDialog) {
  const std::string file = dir / "lines.dbf";
  WriteDbf(file,
           {{"NAMETP", 'C', 8},
            {"ABON", 'C', 2},
            {"NTR", 'C', 4},
            {"FIDER", 'C', 4},
            {"MARK", 'C', 6},
            {"LENGTH", 'N', 8, 3},
            {"PRIM", 'C', 4}},
           {{"тп-1", "", "1", "1", "ас", "0.35", ""},
            {"", "A", "1", "2", "ас", "1", ""},
            {"", "", "1", "3", "ас", "?", ""},
            {"", "", "1", "4", "ас", "0.1", ""},
            {"", "", "1", "5", "ас", "x", ""}});
  IniRec.TypLin04 = 0;
  script.Then([&](QDialog& d) {
    EXPECT_EQ(d.windowTitle().toStdString(), "Импорт базы линий 0.4 кВ");
    EXPECT_TRUE(Child<QRadioButton>(d, "AllBtn").isChecked());
    Retype(Child<QLineEdit>(d, "Base04Edit"), file);
    Click(d, "ResBtn");
    Type(Child<QLineEdit>(d, "PrefEdit"), "З");
    Click(d, "OKBtn");
  });
  box.Answer(0).Answer(0);
  form->ImpLine04Item->trigger();
  EXPECT_EQ(box.Texts(), (std::vector<std::string>{"Неверно задана длина линии в строке 3",
                                                   "Неверно задана длина линии в строке 5"}));
  EXPECT_EQ(IniRec.PathBase04, file);
  EXPECT_EQ(IniRec.TypLin04, 2);
  EXPECT_EQ(Label(), LayoutLines04);
  ASSERT_EQ(form->DataGrid().table().RowCount, 4) << "the subscriber line left out";
  EXPECT_EQ(Cell("NameTP", 1), "ЗТП-1");
  EXPECT_EQ(Cell("KodLine", 1), "350*АС");
  EXPECT_EQ(Cell("KodLine", 2), "?*АС");
  EXPECT_EQ(Cell("KodLine", 3), "100*АС");
  EXPECT_TRUE(NoLocks());

  // the prefix is not kept; a file without the notes leaves the table as it was
  WriteDbf(file, {{"NAMETP", 'C', 8}, {"ABON", 'C', 2}, {"NTR", 'C', 4}, {"FIDER", 'C', 4}}, {{"ТП-2", "", "", ""}});
  script.Then([&](QDialog& d) {
    EXPECT_EQ(Child<QLineEdit>(d, "PrefEdit").text(), "");
    EXPECT_TRUE(Child<QRadioButton>(d, "ResBtn").isChecked());
    Click(d, "OKBtn");
  });
  box.Clear();
  form->ImpLine04Item->trigger();
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Ошибка чтения файла \"" + file +
                                                  "\": поле PRIM не найдено: нет данных для импорта, ничего не изменено"});
  EXPECT_EQ(Table(Base() + ".R04").RowCount, 4);
  EXPECT_TRUE(NoLocks());
}

TEST_F(SubscriberCommands, WorkbookBasesThroughTheDialog) {
  const std::string byt = dir / "byt.xlsx";
  lxw_workbook* book = workbook_new(byt.c_str());
  lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
  worksheet_write_string(sheet, 0, 0, "ТП-3", nullptr);
  worksheet_write_string(sheet, 1, 0, "1", nullptr);
  worksheet_write_string(sheet, 1, 1, "2", nullptr);
  worksheet_write_number(sheet, 1, 2, 4, nullptr);
  worksheet_write_number(sheet, 1, 3, 100, nullptr);
  ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
  const std::string tech = dir / "tech.xlsx";
  book = workbook_new(tech.c_str());
  sheet = workbook_add_worksheet(book, nullptr);
  worksheet_write_string(sheet, 0, 0, "Имя", nullptr);
  worksheet_write_string(sheet, 1, 0, "Ф-10", nullptr);
  // figures that go up by one beside a feeder's name are its energies, no hours of a curve
  for (lxw_col_t col = 1; col <= 4; ++col) worksheet_write_number(sheet, 1, col, col, nullptr);
  ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
  WriteRows(Base() + ".RSF", LayoutSubstFeeders, {{"ПС-1", "ЯЧ-1", ""}, {"ПС-1", "ЯЧ-2", "Ф-10"}});
  script.Then([&](QDialog& d) {
    EXPECT_EQ(d.windowTitle().toStdString(), "Импорт баз коммерческого и технического учетов");
    Click(d, "PromBox");
    EXPECT_FALSE(Child<QPushButton>(d, "PromBtn").isEnabled());
    Retype(Child<QLineEdit>(d, "BytEdit"), byt);
    Retype(Child<QLineEdit>(d, "TechEdit"), tech);
    Click(d, "OKBtn");
  });
  form->ImpXlsBaseItem->trigger();
  EXPECT_TRUE(box.Texts().empty()) << box.Texts().front();
  EXPECT_FALSE(IniRec.FlagProm);
  EXPECT_EQ(IniRec.PathTech, tech);
  EXPECT_EQ(Label(), LayoutHouseholds);
  EXPECT_EQ(Cell("Fider", 1), "Л2");
  EXPECT_EQ(Cell("Ws", 1), "25");
  EXPECT_EQ(InfoText(), "Технический учет: файл " + tech + "\nФидеры подстанций : ПС-1 - ЯЧ-1 не найден");
  EXPECT_EQ(CellText(Table(Base() + ".RSF"), "P", 2), "1");
  EXPECT_EQ(CellText(Table(Base() + ".RSF"), "Qm", 2), "4");
  EXPECT_TRUE(NoLocks());

  // a workbook that cannot be read: the error box names it, and the household base stays as it was
  fs::remove(byt);
  script.Then([&](QDialog& d) { Click(d, "OKBtn"); });
  box.Clear();
  form->ImpXlsBaseItem->trigger();
  ASSERT_EQ(box.Texts().size(), 1u);
  EXPECT_NE(box.Texts()[0].find(byt), std::string::npos);
  EXPECT_EQ(Table(Base() + ".BBA").RowCount, 1);
  EXPECT_TRUE(form->ProcBar->isHidden());
  EXPECT_TRUE(NoLocks());

  // a base ticked without its file is said so, as in the dBase dialog, and the dialog stays open on it
  for (const char* edit : {"PromEdit", "TechEdit"}) {
    box.Clear();
    script.Then([&](QDialog& d) {
      if (!Child<QCheckBox>(d, "PromBox").isChecked()) Click(d, "PromBox");
      Retype(Child<QLineEdit>(d, "PromEdit"), std::string(edit) == "PromEdit" ? "" : tech);
      Retype(Child<QLineEdit>(d, "TechEdit"), std::string(edit) == "TechEdit" ? "" : tech);
      Click(d, "OKBtn");
      EXPECT_EQ(box.Texts(), std::vector<std::string>{std::string("Не выбран файл ") +
                                                      (std::string(edit) == "PromEdit" ? "базы промышленных абонентов"
                                                                                       : "базы технических учетов")});
      EXPECT_TRUE(d.isVisible());
      EXPECT_TRUE(Child<QLineEdit>(d, edit).hasFocus()) << edit;
      Click(d, "CancelBtn");
    });
    form->ImpXlsBaseItem->trigger();
    EXPECT_EQ(IniRec.PathTech, tech) << "nothing stored";
    EXPECT_EQ(Table(Base() + ".BBA").RowCount, 1);
  }
}

TEST_F(SubscriberCommands, StationsOfContracts) {
  WriteRows(Base() + ".BPA", LayoutMeterPoints,
            {{"ТП-3.1", "", "", "1"}, {"ТП-3.2", "", "", "1"}, {"ТП-9", "", "", "1"}});
  WriteRows(Base() + ".RAB", LayoutConsumers, {{"1", "Завод", "", "СТАРАЯ"}, {"2", "Школа", "", "ТП-1"}});
  form->LinkDogItem->trigger();
  EXPECT_EQ(Label(), LayoutConsumers);
  EXPECT_EQ(Cell("NameTP", 1), "ТП-9,ТП-3");
  EXPECT_EQ(Cell("NameTP", 2), "");
  EXPECT_TRUE(form->ProcBar->isHidden());
  EXPECT_TRUE(form->ProcLabel->isHidden());
  EXPECT_TRUE(NoLocks());
}

// A source from which an import would take nothing would replace a table of the base with an empty one:
// it is refused by name, with the reason, before anything is written, also when another table of the
// same command could be read.
TEST_F(SubscriberCommands, FilesThatGiveNoRowAreRefusedAndTheBaseStaysAsItWas) {
  WriteRows(Base() + ".BPA", LayoutMeterPoints, {{"ТП-3", "", "", "1"}});
  WriteRows(Base() + ".BBA", LayoutHouseholds, {{"ТП-3", "Л1"}});
  WriteRows(Base() + ".RAB", LayoutConsumers, {{"1", "Завод"}});
  WriteRows(Base() + ".R04", LayoutLines04, {{"ТП-3"}});
  WriteRows(Base() + ".RSF", LayoutSubstFeeders, {{"ПС-1", "ЯЧ-1", ""}});
  const std::string none = dir / "none.dbf", other = dir / "other.dbf", deleted = dir / "deleted.dbf",
                    sound = dir / "sound.dbf", lines = dir / "lines.dbf";
  const std::vector<DbfField> promFields = {{"RES_ID", 'N', 3}, {"NAMETP", 'C', 10}, {"NDOG", 'C', 4}};
  WriteDbf(none, promFields, {});
  WriteDbf(other, promFields, {{"3", "ТП-4", "1"}, {"7", "ТП-5", "2"}, {"x", "ТП-6", "3"}}, {2});
  WriteDbf(deleted, {{"NAME_TP", 'C', 10}, {"FIDER", 'C', 4}}, {{"ТП-5", "1"}}, {1});
  WriteDbf(sound, promFields, {{"7", "ТП-5", "4"}});
  const std::vector<DbfField> lineFields = {{"NAMETP", 'C', 8}, {"ABON", 'C', 2}, {"NTR", 'C', 4}, {"FIDER", 'C', 4},
                                            {"PRIM", 'C', 4}};
  WriteDbf(lines, lineFields, {{"ТП-1", "А", "1", "1", ""}, {"", "a", "1", "2", ""}});
  const auto sheet = [&](const std::string& name, const std::vector<std::pair<int, std::string>>& column1) {
    Workbook book;
    Worksheet& s = book.sheets.emplace_back("Лист1");
    for (const auto& [row, text] : column1) s.SetText(row, 1, text);
    WriteXlsx(dir / name, book);
    return dir / name;
  };
  // industrial points start at row 3; household feeders are the rows that begin with a digit; the
  // technical names stand below a heading
  const std::string headings = sheet("prom.xlsx", {{1, "Договор"}, {2, "№"}}),
                    stations = sheet("byt.xlsx", {{1, "ТП-1"}, {2, "ТП-2"}}),
                    heading = sheet("tech.xlsx", {{1, "Наименование"}});
  const auto files = [&] {
    std::map<std::string, std::string> all;
    for (const auto& f : fs::directory_iterator(dir.Path()))
      if (f.path().filename() != "zr.ini") all[f.path().filename().string()] = ReadBytes(f.path());
    return all;
  };
  const auto before = files();
  const auto refused = [&](const std::string& source, const std::string& reason) {
    EXPECT_EQ(box.Texts(), std::vector<std::string>{"Ошибка чтения файла \"" + source + "\": " + reason +
                                                    "нет данных для импорта, ничего не изменено"});
    EXPECT_EQ(files(), before) << source;
    EXPECT_TRUE(NoLocks());
    box.Clear();
  };

  struct DbfCase {
    bool prom, byt, dog;
    std::string promPath, bytPath, dogPath, district, refused, reason;
  };
  const std::string noRow = "в файле нет ни одной строки или записи, которую берет импорт: ";
  const DbfCase dbfCases[] = {{true, false, false, none, "", "", "", none, noRow},
                              {true, false, false, other, "", "", "7", other, "нет записей района 7 (поле RES_ID): "},
                              {true, true, false, sound, deleted, "", "7", deleted, noRow},
                              // the industrial base has no contract field: it is no contract list
                              {false, false, true, "", "", none, "", none, "поле NDOGOV не найдено: "}};
  for (const DbfCase& c : dbfCases) {
    IniRec.FlagProm = c.prom, IniRec.PathProm = c.promPath;
    IniRec.FlagByt = c.byt, IniRec.PathByt = c.bytPath;
    IniRec.FlagDog = c.dog, IniRec.PathDog = c.dogPath;
    script.Then([&](QDialog& d) {
      if (!c.district.empty()) {
        Click(d, "AddBox");
        Type(Child<QLineEdit>(d, "ResEdit"), QString::fromStdString(c.district));
      }
      Click(d, "OKBtn");
    });
    form->ImpDbfBaseItem->trigger();
    refused(c.refused, c.reason);
  }

  // the network lines wanted from a base of subscriber lines alone
  IniRec.PathBase04 = lines;
  script.Then([&](QDialog& d) {
    Click(d, "ResBtn");
    Click(d, "OKBtn");
  });
  form->ImpLine04Item->trigger();
  refused(lines, "нет линий выбранного вида: ");

  for (const auto& [prom, byt, tech] : {std::tuple(true, false, false), std::tuple(false, true, false),
                                        std::tuple(false, false, true)}) {
    IniRec.FlagProm = prom, IniRec.PathProm = headings;
    IniRec.FlagByt = byt, IniRec.PathByt = stations;
    IniRec.FlagTech = tech, IniRec.PathTech = heading;
    script.Then([&](QDialog& d) { Click(d, "OKBtn"); });
    form->ImpXlsBaseItem->trigger();
    // a workbook's refusal names the sheet read, and the columns a sheet of the import has
    // (a sheet of another kind is refused saying so, not as a sheet of no data)
    const std::string source = prom ? headings : byt ? stations : heading;
    EXPECT_EQ(box.Texts(),
              std::vector<std::string>{
                  "Ошибка чтения файла \"" + source + "\": лист \"Лист1\": не подходит для команды \"Импорт базы абонентов (*.XLS)\" " +
                  (prom ? "(база промышленных абонентов): нет ни одной строки, в которой заполнены столбец 1 (номер строки), "
                          "столбец 6 (ТП.Тр.Фидер), "
                   : byt ? "(база бытовых абонентов): нет ни одной строки, в которой заполнены столбец 1 (номер фидера), "
                           "столбец 3 (число абонентов), "
                         : "(база технических учетов): нет ни одной строки, в которой заполнены столбец 1 (ввод или фидер), "
                           "столбец 2 (активная энергия), ") +
                  "ничего не изменено"});
    EXPECT_EQ(files(), before) << source;
    EXPECT_TRUE(NoLocks());
    box.Clear();
  }
}

}  // namespace
}  // namespace ld::test
