// The district window's measurement and name commands through its menu: the measurement dialog in
// its modes, the tables written and shown again, the messages in Info, the settings remembered, and
// no lock left behind when a workbook or a table cannot be read or another user holds a file.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
#include <QTextEdit>
#include <filesystem>

#include "core/base/strings.h"
#include "core/office/workbook.h"
#include "core/office/xlsx_file.h"
#include "core/tables/file_guard.h"
#include "district_fixture.h"
#include "support/xls_builder.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

class MeasureCommands : public DistrictWindow {
protected:
  // A base "Пример" of three line sections, open in the window.
  void BaseOpen() {
    Show();
    WriteRows(Base() + ".RSL", LayoutLines10,
              {{"", "", "ПС-1.1", "10"}, {"", "", "10", "1"}, {"", "+", "1", "2"}, {"", "", "_7", "ТП-2"}});
    Open();
    ASSERT_EQ(form->BaseFileName, Base());
  }
  // A dialog step: checks the mode the dialog shows and confirms the workbook.
  static ModalScript::Step Confirm(const std::string& file, const std::string& value, bool valueShown) {
    return [=](QDialog& d) {
      EXPECT_EQ(d.windowTitle().toStdString(), "Выбор файла замеров в формате Excel (*.xls)");
      auto& tg = Child<QLineEdit>(d, "TgEdit");
      EXPECT_EQ(!tg.isHidden(), valueShown);
      if (valueShown) {
        EXPECT_EQ(tg.text().toStdString(), value);
      }
      Child<QLineEdit>(d, "FEdit").setText(QString::fromStdString(file));
      Press(d, "OKBtn");
    };
  }
  bool NoLocks() const {
    for (const auto& f : fs::directory_iterator(dir.Path()))
      if (f.path().filename().string().back() == '~') return false;
    return true;
  }
  std::string InfoText() const { return form->Info->toPlainText().toStdString(); }
  std::string FileCell(const std::string& ext, const std::string& field, int row) const {
    return CellText(Table(Base() + ext), field, row);
  }
};

TEST_F(MeasureCommands, FeederMeasurementsFillTheInputsAndCreateTheFeederTable) {
  BaseOpen();
  WriteRows(Base() + ".RSV", LayoutSubstInputs, {{"ПС-1", "Ввод 1"}, {"ПС-1", "Ввод 2"}});
  Workbook book;
  Worksheet& s = book.sheets.emplace_back("Замеры");
  s.SetText(2, 3, "ввод 1");
  s.SetNumber(2, 8, 1.5);
  s.SetNumber(2, 12, 0.5);
  s.SetNumber(2, 18, 0.75);
  s.SetText(3, 3, "Ф-1");
  s.SetNumber(3, 8, 4);
  s.SetText(3, 12, "abc");
  WriteXlsx(dir / "фидеры.xlsx", book);

  IniRec.PathXlsVF = dir / "прошлый.xls";
  script.Then([&](QDialog& d) {
    EXPECT_EQ(Child<QLineEdit>(d, "FEdit").text().toStdString(), dir / "прошлый.xls");
    Confirm(dir / "фидеры.xlsx", "", false)(d);
  });
  form->ImpFeederMeasItem->trigger();
  EXPECT_TRUE(box.Texts().empty()) << box.Texts().front();
  EXPECT_EQ(IniRec.PathXlsVF, dir / "фидеры.xlsx");
  EXPECT_EQ(FileCell(".RSV", "P", 1), "2");
  EXPECT_EQ(FileCell(".RSV", "T", 1), "4");
  EXPECT_TRUE(fs::exists(Base() + ".RSF")) << "the feeder table is created";
  EXPECT_EQ(Table(Base() + ".RSF").RowCount, 0);
  EXPECT_EQ(Label(), "Формат РЭС (вводы п/ст)");
  EXPECT_EQ(Cell("T", 1), "4");
  // the sheet's row that no input or feeder of the base took is named too
  EXPECT_EQ(InfoText(), "Ввод ВВОД 2 не найден\nФ-1 - не найден в базе РЭС");
  EXPECT_TRUE(form->Info->isVisible());
  EXPECT_TRUE(form->ProcBar->isHidden());
  EXPECT_TRUE(form->ProcLabel->isHidden());
  EXPECT_TRUE(NoLocks());

  // with the feeder table shown, it is shown again
  WriteRows(Base() + ".RSF", LayoutSubstFeeders, {{"ПС-1.1", "Ф-1", "", "", "", "", "", "9"}});
  form->ZamerItem->trigger();
  script.Then(Confirm(dir / "фидеры.xlsx", "", false));
  form->ImpFeederMeasItem->trigger();
  EXPECT_EQ(Label(), "Формат РЭС (фидеры п/ст)");
  EXPECT_EQ(Cell("P", 1), "4") << "the cell that is no number adds nothing";
  EXPECT_EQ(InfoText(), "Ввод ВВОД 2 не найден\nОшибка чтения. Строка 3, столбец 12 (текст \"abc\" не является числом)");
  EXPECT_TRUE(NoLocks());
}

TEST_F(MeasureCommands, AWorkbookOrTableThatCannotBeReadLeavesNoLock) {
  BaseOpen();
  WriteRows(Base() + ".RTP", LayoutTransTP, {{"", "ТП-5", "Т1", "", "", "ТМ-400/10", "", "", "", "", "", "", "", "2", "7"}});
  const std::string stations = ReadBytes(Base() + ".RTP");

  script.Then(Confirm(dir / "нет.xls", "", false));
  form->ImpFeederMeasItem->trigger();
  ASSERT_EQ(box.Texts().size(), 1u);
  EXPECT_EQ(box.Calls()[0].kind, mkError);
  EXPECT_EQ(box.Texts()[0].rfind("Ошибка чтения файла \"" + dir / "нет.xls" + "\"", 0), 0u) << box.Texts()[0];
  EXPECT_FALSE(fs::exists(Base() + ".RSV")) << "nothing written";
  EXPECT_TRUE(form->ProcBar->isHidden());
  EXPECT_TRUE(NoLocks());

  box.Clear();
  WriteBytes(dir / "текст.xls", "ТП-5;Т1;400");
  script.Then(Confirm(dir / "текст.xls", "0.426", true));
  form->ImportTPItem->trigger();
  ASSERT_EQ(box.Texts().size(), 1u);
  EXPECT_EQ(ReadBytes(Base() + ".RTP"), stations);
  EXPECT_TRUE(NoLocks());

  // a station table that does not exist cannot be renamed
  fs::remove(Base() + ".RTP");
  box.Clear();
  form->RenameItem->trigger();
  ASSERT_EQ(box.Texts().size(), 1u);
  EXPECT_EQ(box.Texts()[0].rfind("Ошибка чтения файла \"" + Base() + ".RTP\"", 0), 0u) << box.Texts()[0];
  EXPECT_FALSE(fs::exists(Base() + ".RTP"));
  EXPECT_TRUE(NoLocks());

  // another user edits the line table: refused, and that user's lock stays
  const std::string lines = ReadBytes(Base() + ".RSL");
  CurrentUserName = "Петров";
  LockTableFiles(Base(), ".RSL");
  CurrentUserName = "Иванов";
  box.Clear();
  form->RenumItem->trigger();
  ASSERT_EQ(box.Texts().size(), 1u);
  EXPECT_EQ(box.Calls()[0].kind, mkError);
  EXPECT_TRUE(fs::exists(Base() + ".RSL~"));
  EXPECT_EQ(ReadBytes(Base() + ".RSL"), lines);
  CurrentUserName = "Петров";
  UnlockTableFiles(Base(), ".RSL");
  CurrentUserName = "Иванов";
}

TEST_F(MeasureCommands, RenumberingAndRenamingShowTheirTableAgain) {
  BaseOpen();
  WriteRows(Base() + ".RTP", LayoutTransTP, {{"", "ТП-5", "Т1", "", "РП-1.ШСВ-2.10"}});
  form->RenumItem->trigger();
  EXPECT_TRUE(box.Texts().empty());
  EXPECT_EQ(Label(), "Формат РЭС (линии)");
  EXPECT_EQ(Cell("Name1", 2), "_8");
  EXPECT_EQ(Cell("Name2", 3), "_10");
  EXPECT_EQ(Cell("Sign", 3), "");
  EXPECT_EQ(FileCell(".RSL", "Name2", 2), "_9");
  EXPECT_TRUE(form->ProcBar->isHidden());

  // the line table stays in the grid when the station table is renamed
  form->RenameItem->trigger();
  EXPECT_EQ(Label(), "Формат РЭС (линии)");
  EXPECT_EQ(FileCell(".RTP", "NameC", 1), "ШСВ-2");
  form->TPItem->trigger();
  form->RenameItem->trigger();
  EXPECT_EQ(Label(), "Формат РЭС (ТП,РП)");
  EXPECT_EQ(Cell("NameC", 1), "ШСВ-2");
  EXPECT_TRUE(NoLocks());
}

TEST_F(MeasureCommands, TransformerMeasurementsOfBothLayouts) {
  BaseOpen();
  WriteRows(Base() + ".RTP", LayoutTransTP,
            {{"", "ТП-5", "Т1", "", "", "ТМ-400/10"}, {"", "ТП-5", "Т2", "", "", "ТМ-250/10"},
             {"", "ТП-6", "Т1", "", "", "ТМ-100/10", "", "", "", "", "", "", "", "1", "3"}});
  // one row per transformer, a legacy workbook
  WriteBytes(dir / "тр.xls", BuildXls({{XlsCell::Text, 1, 3, 0, "ТП 5"},
                                       {XlsCell::Text, 1, 4, 0, "т-1"},
                                       {XlsCell::Text, 1, 5, 0, "250 кВА"},
                                       {XlsCell::Number, 1, 8, 100, ""}}));
  IniRec.ZamerTg = 0.426f;
  script.Then([&](QDialog& d) {
    auto& tg = Child<QLineEdit>(d, "TgEdit");
    EXPECT_EQ(tg.text(), "0.426");
    tg.selectAll();
    QTest::keyClicks(&tg, "0,5");
    Confirm(dir / "тр.xls", "0,5", true)(d);
  });
  form->ImportTPItem->trigger();
  EXPECT_FLOAT_EQ(IniRec.ZamerTg, 0.5f);
  EXPECT_EQ(IniRec.PathXlsTP, dir / "тр.xls");
  EXPECT_EQ(Label(), "Формат РЭС (ТП,РП)");
  EXPECT_EQ(Cell("Qn", 1), "50");
  EXPECT_EQ(Cell("T", 3), "") << "not named: reset";
  EXPECT_EQ(InfoText(), "ТП 5 Т1 - несовпадение Sном: 250 <> 400 кВА");

  // one row per station; a stored type that is none offers the active power
  Workbook book;
  Worksheet& s = book.sheets.emplace_back("ТП");
  s.SetText(1, 1, "ТП");
  s.SetText(2, 1, "ТП-5");
  s.SetNumber(2, 2, 650);
  s.SetNumber(2, 3, 130);
  s.SetText(3, 1, "ТП 9");
  s.SetNumber(3, 3, 1);
  WriteXlsx(dir / "ст.xlsx", book);
  IniRec.TypZamer = 4;
  script.Then([&](QDialog& d) {
    EXPECT_EQ(Child<QLabel>(d, "Label1").text(), "Тип замера (2 - кВт, 3 - А, 5 - кВтч)");
    // A type the list does not hold is refused by name, and the dialog stays open for another.
    auto& tg = Child<QLineEdit>(d, "TgEdit");
    const std::string list = ": 2 - кВт, 3 - А, 5 - кВтч";
    for (const auto& [typed, refusal] : std::vector<std::pair<QString, std::string>>{
             {"4", "Тип замера \"4\" не из списка" + list},
             {"2,5", "Тип замера \"2,5\" не из списка" + list},
             {"0", "Тип замера \"0\" не из списка" + list},
             {"", "Не задан тип замера" + list}}) {
      box.Clear();
      QTest::keyClick(&tg, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClick(&tg, Qt::Key_Delete);
      QTest::keyClicks(&tg, typed);
      Press(d, "OKBtn");
      EXPECT_EQ(box.Texts(), std::vector<std::string>{refusal}) << typed.toStdString();
      EXPECT_NE(d.result(), QDialog::Accepted) << typed.toStdString();
    }
    box.Clear();
    for (int i = 0; i < 3; ++i) QTest::keyClick(&tg, Qt::Key_Backspace);
    QTest::keyClicks(&tg, "2");
    Confirm(dir / "ст.xlsx", "2", true)(d);
  });
  form->ImpTPMeasItem->trigger();
  EXPECT_FLOAT_EQ(IniRec.TypZamer, 2);
  EXPECT_EQ(Cell("T", 1), "2");
  EXPECT_EQ(Cell("Pn", 1), "80");
  EXPECT_EQ(Cell("Pn", 2), "50");
  EXPECT_EQ(Cell("Qn", 1), "") << "the first command's loads are reset";
  EXPECT_EQ(InfoText(), "\n[Не найдены ТП в базе РЭС]\nТП9");
  EXPECT_TRUE(NoLocks());
}

// A workbook that measures nothing of the base would rewrite its tables for nothing, and the station
// imports reset every load first: it is refused by name, and the tables stay byte for byte.
TEST_F(MeasureCommands, AWorkbookThatMeasuresNothingOfTheBaseIsRefused) {
  BaseOpen();
  WriteRows(Base() + ".RSV", LayoutSubstInputs, {{"ПС-1", "Ввод 1", "", "", "4", "", "", "7", "7"}});
  WriteRows(Base() + ".RTP", LayoutTransTP,
            {{"", "ТП-5", "Т1", "", "", "ТМ-400/10", "", "", "", "", "", "", "", "2", "7"}});
  const std::string inputs = ReadBytes(Base() + ".RSV"), stations = ReadBytes(Base() + ".RTP");
  Workbook book;
  Worksheet& s = book.sheets.emplace_back("Замеры");
  s.SetText(1, 1, "ТП");
  s.SetText(1, 3, "Наименование");
  s.SetText(2, 1, "ТП-9");
  s.SetNumber(2, 3, 100);
  s.SetText(3, 3, "Ввод 9");
  s.SetText(3, 5, "400");
  s.SetNumber(3, 8, 5);
  WriteXlsx(dir / "чужие.xlsx", book);
  // refused by name and sheet, with the first row that was not taken
  const auto refusal = [&](const std::string& reason) {
    return "Ошибка чтения файла \"" + dir / "чужие.xlsx" + "\": лист \"Замеры\"" + (reason.rfind("строка", 0) == 0 ? ", " : ": ") + reason +
           ": нет данных для импорта, ничего не изменено";
  };

  script.Then(Confirm(dir / "чужие.xlsx", "", false));
  form->ImpFeederMeasItem->trigger();
  EXPECT_EQ(box.Texts(), std::vector<std::string>{refusal("Ввод ВВОД 1 не найден")});
  EXPECT_EQ(InfoText(), "Ввод ВВОД 1 не найден\nВВОД 9 - не найден в базе РЭС") << "what was not found is still listed";
  EXPECT_EQ(ReadBytes(Base() + ".RSV"), inputs);
  EXPECT_FALSE(fs::exists(Base() + ".RSF"));
  EXPECT_TRUE(form->ProcBar->isHidden());
  EXPECT_TRUE(NoLocks());

  // the station measurements' load column headed by a name: no heading of a load in kW
  for (const auto& [command, reason] :
       {std::pair{form->ImportTPItem, refusal("строка 3: ВВОД 9 - не найден в базе РЭС")},
        std::pair{form->ImpTPMeasItem, "Ошибка чтения файла \"" + dir / "чужие.xlsx" + "\": лист \"Замеры\": не подходит "
                                       "для команды \"Импорт замеров ТП\": ячейка C1: заголовок \"Наименование\" - не "
                                       "заголовок столбца 3 (нагрузка): в нем должно быть \"нагрузка\", \"мощность\", "
                                       "\"замер\", \"P\", \"кВт\" или \"Т1\" (тип замера 2 - кВт), ничего не изменено"}}) {
    box.Clear();
    script.Then([&](QDialog& d) {
      Child<QLineEdit>(d, "FEdit").setText(QString::fromStdString(dir / "чужие.xlsx"));
      Press(d, "OKBtn");
    });
    command->trigger();
    EXPECT_EQ(box.Texts(), std::vector<std::string>{reason});
    EXPECT_EQ(ReadBytes(Base() + ".RTP"), stations) << "the loads are not reset";
    EXPECT_TRUE(NoLocks());
  }

  // a staff list as a spreadsheet program writes it: said to head a column with what no measurement sheet
  // holds there; never to be unreadable
  const std::string staff = dir / "staff.xlsx";
  fs::copy_file(TestDataDir() / "wrong_files" / "staff.xlsx", staff);
  for (const auto& [command, reason] :
       {std::pair{form->ImportTPItem, ": не подходит для команды \"Импорт замеров ТП (Ворсел)\": ячейка E1: заголовок "
                                      "\"Оклад, руб.\" - не заголовок столбца 5 (номинальная мощность): \"руб\" - цена или тариф, а "
                                      "заголовок столбца - \"S\", \"Sном\", \"Sн\", \"кВА\", \"кВ*А\", \"Уст. мощ.\", \"мощность\", "
                                      "\"номинальная\", \"Т1\" или \"Тр\""},
        std::pair{form->ImpTPMeasItem, ": не подходит для команды \"Импорт замеров ТП\": ячейка B1: заголовок \"Фамилия, имя, "
                                       "отчество\" - не заголовок столбца 2 (номинальная мощность): в нем должно быть \"S\", "
                                       "\"Sном\", \"Sн\", \"кВА\", \"кВ*А\", \"Уст. мощ.\", \"мощность\", \"номинальная\", \"Т1\" или \"Тр\"; "
                                       "ячейка C1: заголовок \"Должность\" - не заголовок столбца 3 (нагрузка): в нем должно быть "
                                       "\"нагрузка\", \"мощность\", \"замер\", \"P\", \"кВт\" или \"Т1\" (тип замера 2 - кВт); ячейка D1: "
                                       "заголовок \"Телефон\" - не заголовок столбца 4 (номинальная мощность Т2): в нем должно быть "
                                       "\"S\", \"Sном\", \"Sн\", \"кВА\", \"кВ*А\", \"Уст. мощ.\", \"мощность\", \"номинальная\", \"Т2\" или "
                                       "\"Тр\"; ячейка E1: заголовок \"Оклад, руб.\" - не заголовок столбца 5 (нагрузка Т2): \"руб\" - "
                                       "цена или тариф, а заголовок столбца - \"нагрузка\", \"мощность\", \"замер\", \"P\", \"кВт\" или \"Т2\" (тип замера 2 - кВт)"}}) {
    box.Clear();
    script.Then([&](QDialog& d) {
      Child<QLineEdit>(d, "FEdit").setText(QString::fromStdString(staff));
      Press(d, "OKBtn");
    });
    command->trigger();
    EXPECT_EQ(box.Texts(), std::vector<std::string>{"Ошибка чтения файла \"" + staff + "\": лист \"Сотрудники\"" + reason +
                                                    ", ничего не изменено"});
    EXPECT_EQ(ReadBytes(Base() + ".RTP"), stations);
  }

  // a households book (ТП | W | Количество) of a base that holds its ТП-7: its energy is no rated power
  // and its count no load, both named at once, and no station's measured load is reset
  WriteRows(Base() + ".RTP", LayoutTransTP,
            {{"", "ТП-5", "Т1", "", "", "ТМ-400/10", "", "", "", "", "", "", "", "2", "7"},
             {"", "ТП-7", "Т1", "", "", "ТМ-250/10", "", "", "", "", "", "", "", "2", "3"}});
  const std::string measured = ReadBytes(Base() + ".RTP");
  const std::string households = dir / "households.xlsx";
  fs::copy_file(TestDataDir() / "sheets" / "households_xlsxwriter.xlsx", households);
  box.Clear();
  script.Then([&](QDialog& d) {
    Child<QLineEdit>(d, "FEdit").setText(QString::fromStdString(households));
    Press(d, "OKBtn");
  });
  form->ImpTPMeasItem->trigger();
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Ошибка чтения файла \"" + households +
                                                  "\": лист \"Абоненты\": не подходит для команды \"Импорт замеров ТП\": "
                                                  "ячейка B1: заголовок \"W\" - не заголовок столбца 2 (номинальная "
                                                  "мощность): \"W\" - активная мощность или энергия, а заголовок столбца - \"S\", \"Sном\", \"Sн\", \"кВА\", \"кВ*А\", "
                                                  "\"Уст. мощ.\", \"мощность\", \"номинальная\", \"Т1\" или \"Тр\"; ячейка C1: "
                                                  "заголовок \"Количество\" - не заголовок столбца 3 (нагрузка): \"Количество\" - "
                                                  "количество, а заголовок столбца - \"нагрузка\", \"мощность\", \"замер\", \"P\", "
                                                  "\"кВт\" или \"Т1\" (тип замера 2 - кВт), ничего не изменено"});
  EXPECT_EQ(ReadBytes(Base() + ".RTP"), measured);
  EXPECT_TRUE(NoLocks());
}

}  // namespace
}  // namespace ld::test
