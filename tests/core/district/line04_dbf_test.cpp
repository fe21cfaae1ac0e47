// The 0.4 kV line base from a dBase file: station and transformer carried down, line codes from length
// and mark, the kinds of lines, and files whose faults leave the base's table as it was.
#include "core/district/base_import.h"
#include "core/district/line04_dbf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/office/test_dbf_writer.h"
#include "core/tables/table_file.h"
#include "support/scripted_msgbox.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;
using Grid = std::vector<std::vector<std::string>>;

const std::vector<DbfField> kFields = {{"NAMETP", 'C', 12}, {"ABON", 'C', 2},      {"NTR", 'C', 5},  {"FIDER", 'C', 6},
                                       {"MARK", 'C', 10},   {"LENGTH", 'N', 9, 4}, {"PRIM", 'C', 20}};

const std::vector<DbfRow> kRecords = {
    {"тп-1", "", "т-1", "ф2", " ас-50", "0.35", "новая"},
    {"", "A", "", "ф1", "А-35", "0", ""},          // Latin A: a subscriber line all the same
    {"ТП-2", "а", "2", "ф1", "ас", "0.0625", ""},  // 62.5 m: halves to the even neighbour
    {"", "", "", "ф3", "ас", "0.1875", ""},
    {"", "", "Т-2", "ф4", "ас", "abc", ""},
    {"тп-9", "", "", "ф1", "ас", "1", "удалена"},
};

std::string Letters(const char* letter, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += letter;
  return s;
}

Grid Cells(const TDataFile& t) {
  Grid rows;
  for (int r = 1; r <= t.RowCount; ++r) {
    rows.emplace_back();
    for (const char* f : {"NameTP", "Ntr", "Fider", "A", "KodLine", "Prim"})
      rows.back().push_back(GetCellText(t, r, FindColumnIndex(f, t), true));
  }
  return rows;
}

class Line04Dbf : public ::testing::Test {
protected:
  Line04Dbf() {
    MaketFileName = (DataDir() / "maket.zr").string();
    WriteDbf(file, kFields, kRecords, {6});
    WriteRows(stem + ".R04", LayoutLines04, {{"СТАРАЯ", "Т1", "Л1"}});
  }
  TDataFile Table() const {
    TDataFile t;
    ReadTableFile(stem + ".R04", t);
    return t;
  }
  // The refusal of the import; empty when the table was written.
  std::string Import(int kind, const std::string& prefix = "") {
    TLine04Request r;
    r.BaseStem = stem;
    r.Path = file;
    r.Kind = kind;
    r.Prefix = prefix;
    try {
      ImportLines04Dbf(r, info);
    } catch (const Error& e) {
      return e.what();
    }
    return {};
  }
  void ExpectNoLocks() const {
    for (const auto& e : fs::directory_iterator(dir.Path())) EXPECT_NE(e.path().string().back(), '~') << e.path();
  }

  TempDir dir;
  const std::string stem = dir / "Район";
  const std::string file = dir / "lines.dbf";
  std::vector<std::string> info;
  ScriptedMsgBox box;
};

TEST_F(Line04Dbf, AllLinesWithStationsAndTransformersCarriedDown) {
  EXPECT_EQ(Import(0, "К"), "");
  EXPECT_TRUE(info.empty());
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Неверно задана длина линии в строке 5"});
  ASSERT_EQ(box.Calls().size(), 1u);
  EXPECT_EQ(box.Calls()[0].kind, mkWarning);
  const Grid expected = {
      {"КТП-1", "Т1", "Ф1", "А", "", ""},      {"КТП-1", "Т1", "Ф2", "", "350*АС-50", "новая"},
      {"КТП-2", "2", "Ф1", "А", "62*АС", ""},  {"КТП-2", "2", "Ф3", "", "188*АС", ""},
      {"КТП-2", "Т2", "Ф4", "", "abc*АС", ""},
  };
  const TDataFile t = Table();
  EXPECT_EQ(Cells(t), expected);
  EXPECT_EQ(t.Title, "Район");
  ExpectNoLocks();
}

TEST_F(Line04Dbf, KindsOfLines) {
  EXPECT_EQ(Import(2), "");
  // the skipped records still name the station of the records below them, not their transformer
  EXPECT_EQ(Cells(Table()), (Grid{{"ТП-1", "Т1", "Ф2", "", "350*АС-50", "новая"},
                                  {"ТП-2", "Т1", "Ф3", "", "188*АС", ""},
                                  {"ТП-2", "Т2", "Ф4", "", "abc*АС", ""}}));
  EXPECT_EQ(Import(1), "");
  EXPECT_EQ(Cells(Table()), (Grid{{"ТП-1", "", "Ф1", "А", "", ""}, {"ТП-2", "2", "Ф1", "А", "62*АС", ""}}));
  // a kind that no line is of takes nothing, and the table stays
  EXPECT_EQ(Import(7), NothingImportedText(file, "нет линий выбранного вида"));
  EXPECT_EQ(Table().RowCount, 2);
}

TEST_F(Line04Dbf, LineCodesGivenWhole) {
  WriteDbf(file,
           {{"NAMETP", 'C', 8},
            {"ABON", 'C', 2},
            {"NTR", 'C', 4},
            {"FIDER", 'C', 4},
            {"LEN_MARK", 'C', 12},
            {"PRIM", 'C', 4}},
           {{"ТП-1", "", "1", "1", " 120*ас", ""}});
  EXPECT_EQ(Import(0), "");
  // as it stands but for the blank at its start, which no text from outside keeps
  EXPECT_EQ(Cells(Table()), (Grid{{"ТП-1", "1", "1", "", "120*ас", ""}}));
  // a FoxPro base whose notes stand in its memo file (tests/data/dbase): each note its text, the tab
  // inside the last a blank, with a message naming its row and field
  WriteBytes(file, ReadBytes(TestDataDir() / "dbase" / "lines04_foxpro.dbf"));
  WriteBytes(dir / "lines.fpt", ReadBytes(TestDataDir() / "dbase" / "lines04_foxpro.fpt"));
  EXPECT_EQ(Import(0), "");
  EXPECT_EQ(Cells(Table()), (Grid{{"ТП-42", "Т1", "Ф-1", "", "350*А-50", "опоры заменены в 2019 г."},
                                  {"ТП-42", "Т1", "Ф-2", "А", "120*СИП-2А", ""},
                                  {"ТП-43", "Т2", "Ф-1", "", "80*А-35", "вдоль дороги"}}));
  EXPECT_EQ(info, std::vector<std::string>{"Файл \"" + file +
                                           "\": строка 3, поле PRIM: знак табуляции в тексте \"вдоль дороги\" "
                                           "заменен пробелом"});
  // LibreOffice's base of the same lines, its notes typed over several lines (CR LF in the memo file):
  // each line break a blank, with a message
  WriteBytes(file, ReadBytes(TestDataDir() / "dbase" / "lines04_libreoffice_notes.dbf"));
  WriteBytes(dir / "lines.dbt", ReadBytes(TestDataDir() / "dbase" / "lines04_libreoffice_notes.dbt"));
  info.clear();
  EXPECT_EQ(Import(0), "");
  EXPECT_EQ(Cells(Table()), (Grid{{"ТП-42", "Т1", "Ф-1", "", "350*А-50", "опоры заменены в 2019 г."},
                                  {"ТП-42", "Т1", "Ф-2", "А", "120*СИП-2А", ""},
                                  {"ТП-43", "Т2", "Ф-1", "", "80*А-35", "вдоль дороги до моста"}}));
  const std::string note = "Файл \"" + file + "\": строка ";
  EXPECT_EQ(info, (std::vector<std::string>{
                      note + "1, поле PRIM: перевод строки в тексте \"опоры заменены в 2019 г.\" заменен пробелом",
                      note + "3, поле PRIM: перевод строки в тексте \"вдоль дороги до моста\" заменен пробелом"}));
  EXPECT_TRUE(box.Calls().empty()) << "the code page told by the bytes";
}

TEST_F(Line04Dbf, FaultsLeaveTheTableAsItWas) {
  const std::string old = ReadBytes(stem + ".R04");
  WriteDbf(file, {{"NAMETP", 'C', 8}, {"ABON", 'C', 2}, {"NTR", 'C', 4}, {"FIDER", 'C', 4}}, {{"ТП-1", "", "1", "1"}});
  // a base without a field that every record needs is of another kind: refused by its name
  EXPECT_EQ(Import(0), "Ошибка чтения файла \"" + file +
                           "\": поле PRIM не найдено: нет данных для импорта, ничего не изменено");
  EXPECT_TRUE(info.empty());
  EXPECT_EQ(ReadBytes(stem + ".R04"), old);
  ExpectNoLocks();

  // A base kept in Windows-1251 under a DOS header: its names come in as characters the tables cannot
  // hold, and would all be written as one name of question marks.
  info.clear();
  WriteDbf(file, {{"NAMETP", 'C', 8}, {"ABON", 'C', 2}, {"NTR", 'C', 4}, {"FIDER", 'C', 4}, {"PRIM", 'C', 4}},
           {{"ТП-1", "", "1", "1", ""}, {"╥╧-╦┼╤", "", "1", "1", ""}});
  std::string refusal = Import(0);
  EXPECT_EQ(refusal.rfind("Ошибка чтения файла \"" + file + "\": строка 2, поле NAMETP: текст \"╥╧-╦┼╤\"", 0), 0u)
      << refusal;
  EXPECT_EQ(ReadBytes(stem + ".R04"), old);
  ExpectNoLocks();

  // A length that is no number goes into the line code as it stands: a DOS frame sign in it is refused
  // like one in a name, not written as "?" behind a warning.
  info.clear();
  WriteDbf(file, kFields, {{"ТП-1", "", "1", "ф1", "ас", "0.35", ""}, {"", "", "", "ф2", "ас", "0,1═", ""}});
  refusal = Import(0);
  EXPECT_EQ(refusal.rfind("Ошибка чтения файла \"" + file + "\": строка 2, поле LENGTH: текст \"0,1═\"", 0), 0u)
      << refusal;
  EXPECT_TRUE(info.empty());
  EXPECT_TRUE(box.Texts().empty());
  EXPECT_EQ(ReadBytes(stem + ".R04"), old);
  ExpectNoLocks();

  // Lines before the first record that names a station belong to none: named, and a base of no line
  // with a station is refused.
  info.clear();
  const DbfRow noStation = {"", "", "1", "ф1", "ас", "0.35", ""};
  WriteDbf(file, kFields, {noStation, noStation});
  EXPECT_EQ(Import(0), NothingImportedText(file, "строка 1: не задана ТП (поле NAMETP)"));
  const std::string named = "Линии 0.4 кВ. Строка ";
  const std::string rest = " - не задана ТП (поле NAMETP, и выше нет записи с ТП)";
  EXPECT_EQ(info, (std::vector<std::string>{named + "1" + rest, named + "2" + rest}));
  EXPECT_EQ(ReadBytes(stem + ".R04"), old);
  info.clear();
  WriteDbf(file, kFields, {noStation, {"ТП-1", "", "1", "ф2", "ас", "0.35", ""}});
  EXPECT_EQ(Import(0), "");
  EXPECT_EQ(info, std::vector<std::string>{named + "1" + rest});
  EXPECT_EQ(Table().RowCount, 2) << "the line without its station is shown";
  WriteBytes(stem + ".R04", old);

  info.clear();
  fs::remove(file);
  EXPECT_EQ(Import(0), "Ошибка чтения базы линий 0.4 кВ (файл " + file +
                           "): файл не найден или недоступен, ничего не изменено");
  TLine04Request unnamed;
  unnamed.BaseStem = stem;
  refusal.clear();
  try {
    ImportLines04Dbf(unnamed, info);
  } catch (const Error& e) {
    refusal = e.what();
  }
  EXPECT_EQ(refusal, "Не выбран файл базы линий 0.4 кВ, ничего не изменено");
  EXPECT_EQ(ReadBytes(stem + ".R04"), old);
  ExpectNoLocks();
}

// A damaged base may have a wrong length in every record: the first ones have each its box, the rest one
// line. Every message numbers a record as the boxes do, by the records walked, a deleted one passed over.
TEST_F(Line04Dbf, WrongLengthsAreBoundedAndEveryMessageNumbersARecordAlike) {
  const std::vector<DbfField> fields = {{"NAMETP", 'C', 12}, {"ABON", 'C', 2},      {"NTR", 'C', 5},  {"FIDER", 'C', 6},
                                        {"MARK", 'C', 10},   {"LENGTH", 'N', 9, 4}, {"PRIM", 'C', 90}};
  std::vector<DbfRow> records = {{"ТП-1", "", "1", "ф1", "ас", "0.1", ""}, {"ТП-0", "", "1", "ф0", "ас", "0.1", ""}};
  for (int i = 0; i < 25; ++i) records.push_back({"", "", "", "ф" + std::to_string(i + 2), "ас", "x", ""});
  WriteDbf(file, fields, records, {2});
  EXPECT_EQ(Import(0), "");
  std::vector<std::string> boxes;
  for (int k = 2; k <= 11; ++k) boxes.push_back("Неверно задана длина линии в строке " + std::to_string(k));
  EXPECT_EQ(box.Texts(), boxes);
  EXPECT_EQ(info, std::vector<std::string>{"Еще строк с неверно заданной длиной линии: 15"});
  EXPECT_EQ(Table().RowCount, 26);

  // a note too long after them: the line of the lengths stays, the refusal names the 27th record walked
  const std::string old = ReadBytes(stem + ".R04");
  records.push_back({"", "", "", "ф3", "ас", "0.1", Letters("п", 81)});
  WriteDbf(file, fields, records, {2});
  info.clear();
  box.Clear();
  EXPECT_EQ(Import(0), NothingChangedText(TooLong(file, 27, "PRIM", Letters("п", 81), "Примечание", 80)));
  EXPECT_EQ(box.Texts(), boxes);
  EXPECT_EQ(info, std::vector<std::string>{"Еще строк с неверно заданной длиной линии: 15"});
  EXPECT_EQ(ReadBytes(stem + ".R04"), old);
  ExpectNoLocks();
}

// Each text goes whole into its field as the import makes it (the prefix before a station, the length in
// metres before a mark), or the file is refused by the record and the field it comes from: a station or a
// transformer carried down by the record that named it, and only when a line of it is taken.
TEST_F(Line04Dbf, TextsLongerThanTheirFieldsRefuseTheFile) {
  const std::vector<DbfField> wide = {{"NAMETP", 'C', 50}, {"ABON", 'C', 2},      {"NTR", 'C', 12},
                                      {"FIDER", 'C', 50},  {"MARK", 'C', 60},     {"LENGTH", 'N', 9, 4},
                                      {"PRIM", 'C', 90}};
  const std::string old = ReadBytes(stem + ".R04");
  const auto refusal = [&](const std::vector<DbfRow>& rows, int kind, const std::string& prefix = "") {
    WriteDbf(file, wide, rows);
    info.clear();
    const std::string text = Import(kind, prefix);
    EXPECT_EQ(ReadBytes(stem + ".R04"), old);
    EXPECT_TRUE(info.empty());
    ExpectNoLocks();
    // the refusal as the reader gives it, and that nothing was changed
    const std::string nothingChanged = ", ничего не изменено";
    EXPECT_TRUE(text.ends_with(nothingChanged)) << text;
    return text.substr(0, text.size() - std::min(text.size(), nothingChanged.size()));
  };
  const std::string station = "ТП-" + Letters("Ш", 38);
  EXPECT_EQ(refusal({{station, "", "1", "ф1", "ас", "0.1", ""}}, 0), TooLong(file, 1, "NAMETP", station, "ТП", 40));
  // the subscriber line that names the station is not taken, the network line below it is
  EXPECT_EQ(refusal({{station, "А", "1", "ф1", "ас", "0.1", ""}, {"", "", "", "ф2", "ас", "0.1", ""}}, 2),
            TooLong(file, 1, "NAMETP", station, "ТП", 40));
  EXPECT_EQ(refusal({{"ТП-" + Letters("Ш", 37), "", "1", "ф1", "ас", "0.1", ""}}, 0, "Р-"),
            TooLong(file, 1, "NAMETP", "Р-ТП-" + Letters("Ш", 37), "ТП", 40));
  EXPECT_EQ(refusal({{"ТП-1", "", "т-1234567890", "ф1", "ас", "0.1", ""}, {"", "", "", "ф2", "ас", "0.1", ""}}, 0),
            TooLong(file, 1, "NTR", "Т1234567890", "Тр-р", 10));
  EXPECT_EQ(refusal({{"ТП-1", "", "1", Letters("ф", 41), "ас", "0.1", ""}}, 0),
            TooLong(file, 1, "FIDER", Letters("Ф", 41), "Фидер 0.4 кВ", 40));
  EXPECT_EQ(refusal({{"ТП-1", "", "1", "ф1", "ас", "0.1", ""}, {"", "", "", "ф1", Letters("а", 57), "0.35", ""}}, 0),
            TooLong(file, 2, "LENGTH, MARK", "350*" + Letters("А", 57), "Марка провода (кабеля)", 60));
  EXPECT_EQ(refusal({{"ТП-1", "", "1", "ф1", "ас", "0.1", Letters("п", 81)}}, 0),
            TooLong(file, 1, "PRIM", Letters("п", 81), "Примечание", 80));
  EXPECT_TRUE(box.Texts().empty());

  // every field filled to its last character; a station too long whose lines are not taken is no fault
  WriteDbf(file, wide,
           {{station, "", "1", "ф1", "ас", "0.1", ""},
            {"ТП-" + Letters("Ш", 35), "А", "т-123456789", Letters("ф", 40), Letters("а", 56), "0.35", Letters("п", 80)}});
  info.clear();
  EXPECT_EQ(Import(1, "Р-"), "");
  EXPECT_TRUE(info.empty());
  EXPECT_EQ(Cells(Table()), (Grid{{"Р-ТП-" + Letters("Ш", 35), "Т123456789", Letters("Ф", 40), "А",
                                   "350*" + Letters("А", 56), Letters("п", 80)}}));
}

}  // namespace
}  // namespace ld::test
