// Feeder text files of a folder and its subfolders into a new base: fixed columns in the DOS code page,
// joined and parallel pieces, commutation, buses, station transformers and bad lengths.
#include "core/district/import_psh.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/strings.h"
#include "core/tables/table_file.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"
#include "support/table_rows.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

// One line of a feeder file in its columns: names 1-8 and 10-17, state 19-22, mark 24-32, length
// 33-40 (right-aligned), transformer 42-49.
std::string Piece(const std::string& n1, const std::string& n2, const std::string& state, const std::string& mark,
                  const std::string& km, const std::string& trans) {
  return FitRight(n1, 8) + " " + FitRight(n2, 8) + " " + FitRight(state, 4) + " " + FitRight(mark, 9) +
         FitLeft(km, 8) + " " + trans;
}

void WriteFeeder(const fs::path& file, const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += Utf8ToCp866(line) + "\r\n";
  fs::create_directories(file.parent_path());
  WriteBytes(file, bytes);
}

class FeederFilesImport : public ::testing::Test {
protected:
  FeederFilesImport() { MaketFileName = (DataDir() / "maket.zr").string(); }
  TempDir dir;
};

TEST_F(FeederFilesImport, SectionsAndStationsOfAFolderAndItsSubfolders) {
  const fs::path root = dir.Path();
  WriteFeeder(root / "f.psh", {
      "Фидер Лесная", "--------",
      Piece("Лесная", "ТП-1", "", "АС-50", "0.25", "-"),
      Piece("ТП-1", "12", "+", "АС-35", "0.1", "ТМ-250"),
      Piece("ТП-1", "12", "=", "А-35", "0.1", "ТМ-400"),  // not longer: the first transformer stays
      Piece("12", "ТП-2", "О", "АС-50", "0.3", "-"),
      Piece("ТП-2", "ТП-2Ф", "ОВВ", "АС-50", "0,4x", "-"),
      "   ",
      Piece("ТП-2", "ТП-3", "", "ШИHЫ", "0", "ТМ-100"),
      Piece("ТП-3", "Лесная2", "", "АС-35", "1.5", "-"),
      Piece("ТП-4", "тп-3", "", "АС-35", "0.05", "ТМ-160"),
  });
  WriteFeeder(root / "short.psh", {"Фидер", "--------"});
  WriteFeeder(root / "notes.txt", {"", "", Piece("А", "Б", "", "АС-50", "1", "ТМ-1")});
  WriteFeeder(root / "sub" / "g.PSH", {"Фидер 2", "", Piece("ТП-5", "ТП-6.2", "", "АС-70", "2", "ТМ-63")});
  WriteFeeder(root / "sub" / "deeper" / "h.psh", {"", "", Piece("ТП-8", "ТП-9", "", "АС-70", "2", "ТМ-63")});

  std::vector<int> progress;
  TBaseImport base;
  ImportPshFolder((root / "Лесная").string(), base, [&](int p) { progress.push_back(p); });

  const TDataFile& l = base.Lines;
  EXPECT_EQ(l.Title, "Лесная");
  EXPECT_EQ(ColumnTexts(l, "Name1"), (std::vector<std::string>{"ЛЕСНАЯ.1.10", "ТП12", "ТП-2", "ТП-2", "ТП-3", "ТП-4",
                                                          "ТП-5"}));
  EXPECT_EQ(ColumnTexts(l, "Name2"), (std::vector<std::string>{"ТП12", "ТП-2", "_ТП-2Ф", "ТП-3", "ЛЕСНАЯ.2.10", "ТП-3",
                                                          "ТП-6.2"}));
  EXPECT_EQ(ColumnTexts(l, "KodLine"), (std::vector<std::string>{"(250*АС-50+100*АС-35)/(100*А-35)", "300*АС-50",
                                                            "0*АС-50", "", "1500*АС-35", "50*АС-35", "2000*АС-70"}));
  EXPECT_EQ(ColumnTexts(l, "Sign"), (std::vector<std::string>{"П", "", "", "", "", "", "П"}));
  EXPECT_EQ(ColumnTexts(l, "Commut"), (std::vector<std::string>{"", "Н", "К", "", "", "", ""}));
  EXPECT_EQ(ColumnTexts(l, "MarkCom1"), (std::vector<std::string>{"", "", "В", "", "", "", ""}));
  EXPECT_EQ(ColumnTexts(l, "MarkCom2"), (std::vector<std::string>{"", "", "В", "", "", "", ""}));
  EXPECT_EQ(ColumnTexts(l, "Un"), std::vector<std::string>(7, "10"));

  const TDataFile& s = base.Stations;
  EXPECT_EQ(ColumnTexts(s, "Name1"), (std::vector<std::string>{"ТП-3", "ТП-6.2", "ТП12"}));
  EXPECT_EQ(ColumnTexts(s, "Ntr"), (std::vector<std::string>{"Т1", "Т2", "Т1"}));
  EXPECT_EQ(ColumnTexts(s, "Transform"), (std::vector<std::string>{"ТМ-100/10/0.4", "ТМ-63/10/0.4", "ТМ-250/10/0.4"}));

  EXPECT_EQ(base.Messages, std::vector<std::string>{"Файл f.psh. Строка 7. Неверно задана длина линии: текст \"0,4x\" не "
                                                    "является числом: символ \"x\" на месте 4"});
  EXPECT_EQ(progress, (std::vector<int>{33, 67, 100}));

  // a folder whose feeder files hold their headings alone, and one without a feeder file, give no base
  const fs::path headings = root / "пусто";
  WriteFeeder(headings / "f.psh", {"Фидер", "--------"});
  WriteFeeder(headings / "sub" / "notes.txt", {"", "", Piece("А", "Б", "", "АС-50", "1", "ТМ-1")});
  for (const auto& [folder, reason] : {std::pair{headings, std::string("f.psh: в файле нет строк участков (с третьей строки): ")},
                                       std::pair{headings / "sub", std::string("нет ни одной строки или записи, которую берет импорт: ")}}) {
    try {
      ImportPshFolder((folder / "Лесная").string(), base);
      ADD_FAILURE() << folder;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "Ошибка чтения файла \"" + (folder / "*.psh").string() + "\": " + reason +
                                           "нет данных для импорта, ничего не изменено");
    }
  }
}

// Files of other kinds named .psh (a scheme's cards, a scheme's node table): their lines are no feeder
// sections, and the file is refused by its line and column before any base is made.
TEST_F(FeederFilesImport, AFileOfAnotherKindIsRefusedByTheColumnsOfALine) {
  struct TFile {
    std::string bytes, reason;
    std::string after = " - строка не является строкой участка фидера (*.PSH)";  // what the refusal says after the reason
  };
  const std::vector<TFile> files = {
      {"\r\n\r\n0201   0       1   10.50   0.000   0.000   0.000   0.000   10.50   0.000   0.000\r\n",
       "строка 3, колонка 23: знак \"5\" вместо пробела между полями"},
      {"      Nuz Prb               Pn               Qn\r\n\r\n" + FitLeft("1", 9) + FitLeft("0", 4) +
           FitLeft("0.5000", 17) + FitLeft("0.2000", 17) + "\r\n",
       "строка 3, колонка 9: знак \"1\" вместо пробела между полями"},
      {"\r\n\r\n" + Piece("ТП-1", "ТП-2", "", "АС-50", "0.25", "-") + "\r\n" + Piece("ТП-2", "ТП-3", "12", "АС-50", "0.25", "-") +
           "\r\n",
       "строка 4, колонки 19-22 (состояние): \"12\" - цифры вместо букв состояния"},
      // a length of nine characters runs into column 41: read from 33-40, it would lose its last digit
      {"\r\n\r\n" + Utf8Left(Piece("ТП-1", "ТП-2", "", "АС-50", "", "-"), 32) + "1234.5678 -\r\n",
       "строка 3, колонка 41: знак \"8\" вместо пробела между полями"},
      // so does one that ends its line; a section's end of nine characters runs into column 18
      {"\r\n\r\n" + Utf8Left(Piece("ТП-1", "ТП-2", "", "АС-50", "", "-"), 32) + "1234.5678\r\n",
       "строка 3, колонка 41: знак \"8\" вместо пробела между полями"},
      {"\r\n\r\n" + FitRight("ТП-1", 8) + " ТП-1234.5" + Piece("", "", "", "АС-50", "0.25", "-").substr(18) + "\r\n",
       "строка 3, колонка 18: знак \"5\" вместо пробела между полями"},
      // a table's flag 0 where the state stands, a digit after the state's letters
      {"\r\n\r\n" + Piece("ТП-1", "ТП-2", "   0", "АС-50", "0.25", "-") + "\r\n",
       "строка 3, колонки 19-22 (состояние): \"0\" - цифры вместо букв состояния"},
      {"\r\n\r\n" + Piece("ТП-1", "ТП-2", "ОВ9", "АС-50", "0.25", "-") + "\r\n",
       "строка 3, колонки 19-22 (состояние): \"ОВ9\" - цифры вместо букв состояния"},
      // a list of stations, and a feeder's total length alone under the lengths: no line names a section
      {"Подстанции\r\n\r\nТП-1\r\nТП-2\r\n", "строка 3: неверно задана длина линии (колонки 33-40)",
       ": нет данных для импорта, ничего не изменено"},
      {"\r\n\r\n" + Piece("", "", "", "Итого", "12.5", "") + "\r\n", "строка 3: не задано начало участка (колонки 1-8)",
       ": нет данных для импорта, ничего не изменено"}};
  for (const auto& [bytes, reason, after] : files) {
    const fs::path folder = dir.Path() / std::to_string(reason.size());
    fs::create_directories(folder);
    WriteBytes(folder / "ф.psh", Utf8ToCp866(bytes));
    TBaseImport base;
    try {
      ImportPshFolder((folder / "Лесная").string(), base);
      ADD_FAILURE() << reason;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Ошибка чтения файла \"" + (folder / "ф.psh").string() + "\": " + reason + after, 0),
                0u)
          << e.what();
    }
    EXPECT_EQ(base.Lines.RowCount, 0);
  }
}

TEST_F(FeederFilesImport, FeederNamesAndLines) {
  EXPECT_EQ(ExpandFeedName("ЛЕСНАЯ"), "ЛЕСНАЯ.1.10");
  EXPECT_EQ(ExpandFeedName("ЛЕСНАЯ2"), "ЛЕСНАЯ.2.10");
  for (const char* station : {"ТП-1", "РП5", "КТП12", "СД3", "Т.5", "12АБ", "А1Б", "АБ"})
    EXPECT_EQ(ExpandFeedName(station), station);

  std::vector<std::string> messages;
  TPshSection s;
  ParsePshLine(Utf8ToCp866(Piece("лесная", "тп-7т2", "ОНВ", "ашв-3x50", "12345.6", "тм-400")), s, "a.psh", 9, messages);
  EXPECT_EQ(s.Name1, "ЛЕСНАЯ.1.10");
  EXPECT_EQ(s.Name2, "ТП-7Т2");
  EXPECT_EQ(s.State, "К") << "switched off, with a device at the end";
  EXPECT_EQ(s.SwitchBeg, U'Н');
  EXPECT_EQ(s.SwitchEnd, U'В');
  EXPECT_EQ(s.LineMark, "1.23456E7*АШВ-3X50") << "six significant digits at most";
  EXPECT_EQ(s.TransMark, "ТМ-400/10/0.4");
  EXPECT_EQ(s.TransName, "Т2") << "a station name ending in Т and a digit names its transformer";
  EXPECT_TRUE(messages.empty());

  // a line that stops early: the missing columns are empty, and a section without its length is named;
  // Latin look-alikes in names become Cyrillic
  ParsePshLine(Utf8ToCp866("TП-1     TП-2"), s, "a.psh", 4, messages);
  EXPECT_EQ(s.Name1, "ТП-1");
  EXPECT_EQ(s.Name2, "ТП-2");
  EXPECT_EQ(s.LineMark, "0*");
  EXPECT_EQ(s.TransMark, "");
  EXPECT_EQ(s.TransName, "Т1");
  EXPECT_EQ(messages, std::vector<std::string>{"Файл a.psh. Строка 4. Не задана длина линии (колонки 33-40), принята 0"});
}

TEST_F(FeederFilesImport, AFileInAnotherCodePageIsRefusedByLineAndColumns) {
  // A feeder file saved in Windows-1251 or in UTF-8 is told by its bytes and read as written: read as DOS
  // text, its capitals would be box-drawing signs. A character that DOS lacks refuses it by its line.
  const fs::path folder = dir.Path() / "1251";
  const std::string stem = (folder / "Сеть").string();
  fs::create_directories(folder);
  WriteRows(stem + ".RSL", LayoutLines10, {{"1", "", "СТАРАЯ", "ТП-1"}});
  const std::string oldLines = ReadBytes(stem + ".RSL");
  std::string lines = "\r\n\r\n";
  for (const char* station : {"ТП-ЛЕС", "ТП-САД", "ТП-ЛУГ"}) lines += Piece("12", station, "", "A-35", "0.1", "-") + "\r\n";
  TBaseImport base;
  for (const std::string& bytes : {Utf8ToCp1251(lines), "\xEF\xBB\xBF" + lines, lines}) {
    WriteBytes(folder / "ф.psh", bytes);
    ImportPshFolder(stem, base);
    EXPECT_EQ(ColumnTexts(base.Lines, "Name2"), (std::vector<std::string>{"ТП-ЛЕС", "ТП-САД", "ТП-ЛУГ"}));
  }
  WriteBytes(folder / "ф.psh", lines + Piece("12", "ТП «Лес»", "", "A-35", "0.1", "-") + "\r\n");
  try {
    const TImportTaken taken = ImportPshFolder(stem, base);
    ImportBase(stem, stem, false, base, [&] { return taken; });
    FAIL() << "imported";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Ошибка чтения файла \"" + (folder / "ф.psh").string() +
                                         "\": строка 6: в тексте \"" + Utf8Left(Piece("12", "ТП «Лес»", "", "A-35", "0.1", "-"), 40) +
                                         "...\" есть символ, которого нет в кодировке DOS (866)");
  }
  EXPECT_EQ(ReadBytes(stem + ".RSL"), oldLines);
  EXPECT_FALSE(fs::exists(stem + ".RTP"));

  // Every column that reaches the tables is looked at, a later line's as well.
  const std::pair<std::string, const char*> damaged[] = {
      {Utf8ToCp866(Piece("12", "ТП-1", "", "АС-50", "0.1", "ТМ-100")) + "\xB0", "колонки 42-49 (марка тр-ра): текст \"ТМ-100░"},
      {Utf8ToCp866(Piece("12", "ТП-1", "", "АС", "0.1", "-")).replace(25, 1, "\xDB"), "колонки 24-33 (марка линии): текст \"100*АС█"},
      {"\xC4" + Utf8ToCp866(Piece("2", "ТП-1", "", "АС", "0.1", "-")).substr(1), "колонки 1-8 (начало участка): текст \"─"}};
  for (const auto& [line, field] : damaged) {
    WriteBytes(folder / "ф.psh", Utf8ToCp866("\r\n\r\n" + Piece("ТП-0", "12", "", "АС-50", "1", "-") + "\r\n") + line);
    try {
      ImportPshFolder(stem, base);
      ADD_FAILURE() << field;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Ошибка чтения файла \"" + (folder / "ф.psh").string() + "\": строка 4, " +
                                                field, 0), 0u) << e.what();
    }
  }
  // Small letters of Windows-1251 that DOS reads as letters of no Russian word ("Єя-ыхё") decide unasked;
  // those that read as Russian letters in DOS too are asked, "Нет" reads Windows-1251 and "Да" DOS, whose
  // names are wrong but apart.
  ScriptedMsgBox box;
  WriteBytes(folder / "ф.psh", "\r\n\r\n" + Utf8ToCp1251(Piece("12", "тп-лес", "", "", "0.1", "-") + "\r\n" +
                                                     Piece("12", "тп-сад", "", "", "0.1", "-") + "\r\n"));
  ImportPshFolder(stem, base);
  EXPECT_EQ(ColumnTexts(base.Lines, "Name2"), (std::vector<std::string>{"ТП-ЛЕС", "ТП-САД"}));
  EXPECT_TRUE(box.Calls().empty());
  WriteBytes(folder / "ф.psh", "\r\n\r\n" + Utf8ToCp1251(Piece("12", "ао-дом", "", "", "0.1", "-") + "\r\n" +
                                                     Piece("12", "ао-пан", "", "", "0.1", "-") + "\r\n"));
  box.Answer(0).Answer(1);
  ImportPshFolder(stem, base);
  EXPECT_EQ(ColumnTexts(base.Lines, "Name2"), (std::vector<std::string>{"АО-ДОМ.1.10", "АО-ПАН.1.10"}));
  ImportPshFolder(stem, base);
  EXPECT_EQ(ColumnTexts(base.Lines, "Name2"), (std::vector<std::string>{"РЮ-ФЮЬ.1.10", "РЮ-ЯРЭ.1.10"}));
  EXPECT_EQ(box.Calls().size(), 2u);
}

}  // namespace
}  // namespace ld::test
