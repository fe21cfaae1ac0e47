// District network files "*.RS" into a new base: voltages from supply names, transformer marks and the
// rows before, the station transformers of the Transform lists, loads, and the messages of doubtful rows.
#include "core/district/import_rs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/table_file.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

class DistrictFilesImport : public ::testing::Test {
protected:
  DistrictFilesImport() { MaketFileName = (DataDir() / "maket.zr").string(); }

  // Sign, Name1, Name2, Commut, ComBeg, ComEnd, KodLine, Transform, TypPQ, P, Q, Text
  std::string Source(const std::string& name, const Rows& rows) {
    const std::string file = dir / name;
    WriteRows(file, LayoutDistrict10, rows);
    return file;
  }

  TempDir dir;
};

TEST_F(DistrictFilesImport, VoltagesStationsAndLoadsOfTwoFilesInOneBase) {
  const std::string a = Source("a.RS", {
      {"П", "ПС.35.10", "Ф-5", "", "", "", "", "", "0", "0", "0", "Фидер 5"},
      {"", " ПС.35.10 ", "ТП-7", "о", "", "-", "АС-50", "2ТМ-400,ТМ-250", "1", "0.1", "0.05"},
      {"+", "ТП-7", "12", "", "", "", "АС-35"},
      {"+", "12", "ТП-7.2", "", "", "", "АС-35", " 2ТМ-400, ТМ-250 "},
      {"", "12", "ТП-9"},         // a pole number outside a tap-off group is not looked up
      {"", "ТП-7", "77"},
      {"", "ТП-7", "ТП-8", "", "", "", "А-35", "", "3", "2", "0"},
      {"+", "77", "ТП-52"},       // 77 stands in a row that neither is nor precedes a '+' row
      {"т", "ПС-1", "ПС-1 10", "", "", "", "ТДН-10000/35/10"},
      {"", "ПС-1 10", "РП-1"},    // behind a transformer: its first voltage
      {"Т", "X", "Y", "", "", "", "/10/0.4"},
      {"", "ПС.35.10", "ТП-30", "", "", "", "Фидер 5", "", "2", "5", "1"},
      {"", "", ""},
      {"Т", "A", "B", "", "", "", "ТМ-400"},
  });
  const std::string b = Source("b.RS", {
      {"П", "ПС.10", "Ф-1"},
      {"П", "ПС.В.35.10", "Ф-2"},
      {"", "РП-1", "РП-2"},  // inherits from the first file
      {"П", "ПС-3.110.35", "Ф-3"},
      {"", "ПС-3.110.35", "5"},
      {"+", "5", "ТП-40"},   // the pole of the row above the tap-off: 35 kV
  });
  std::vector<int> progress;
  TBaseImport base;
  ImportDistrictFiles({a, b}, dir / "Новая", base, [&](int p) { progress.push_back(p); });

  const TDataFile& l = base.Lines;
  EXPECT_EQ(l.Name, LayoutLines10);
  EXPECT_EQ(l.Title, "Новая");
  ASSERT_EQ(l.RowCount, 20);
  EXPECT_EQ(ColumnTexts(l, "Un"), (std::vector<std::string>{"10", "10", "10", "10", "10", "10", "10", "10", "35/10", "35",
                                                       "10/0", "10", "", "", "10", "35.10", "35", "35", "35", "35"}));
  EXPECT_EQ(ColumnTexts(l, "Sign"), (std::vector<std::string>{"П", "", "+", "+", "", "", "", "+", "Т", "", "Т", "", "",
                                                         "Т", "П", "П", "", "П", "", "+"}));
  EXPECT_EQ(CellText(l, "Name1", 2), "ПС.35.10") << "names are trimmed";
  EXPECT_EQ(CellText(l, "Name1", 1), "ПС.35.10") << "the supply keeps its name";
  EXPECT_EQ(CellText(l, "DSNum", 1), "Ф-5");
  EXPECT_EQ(CellText(l, "DSNum", 2), "");
  EXPECT_EQ(CellText(l, "Text", 1), "Фидер 5");
  EXPECT_EQ(CellText(l, "Commut", 2), "К") << "a switched-off section is off at its end";
  EXPECT_EQ(ColumnTexts(l, "MarkCom1").at(1), "");
  EXPECT_EQ(ColumnTexts(l, "MarkCom2").at(1), "-");
  EXPECT_EQ(CellText(l, "MarkCom2", 3), "-") << "a pole has no switching device";
  EXPECT_EQ(CellText(l, "MarkCom1", 13), "-");
  EXPECT_EQ(CellText(l, "MarkCom2", 13), "-");
  EXPECT_EQ(CellText(l, "KodLine", 2), "АС-50");
  EXPECT_EQ(CellText(l, "KodLine", 12), "") << "a feeder header has no line mark";

  EXPECT_EQ(base.Messages, (std::vector<std::string>{
                               "a.RS. Строка 5. Не найдено Uн, принято Uн = 10 кВ",
                               "a.RS. Строка 8. Не найдено Uн, принято Uн = 10 кВ",
                               "a.RS. Строка 14. Неверно задана марка тр-ра \"ТМ-400\": нет напряжений через \"/\"",
                               "b.RS. Строка 1. Не задано номинальное напряжение ИП, принято Uн = 10 кВ",
                           }));

  const TDataFile& s = base.Stations;
  EXPECT_EQ(s.Name, LayoutTransTP);
  EXPECT_EQ(s.Title, "Новая");
  EXPECT_EQ(ColumnTexts(s, "Name1"), (std::vector<std::string>{"ТП-7", "ТП-7", "ТП-7", "ТП-7.2", "ТП-7.2", "ТП-7.2",
                                                          "ТП-8"}));
  EXPECT_EQ(ColumnTexts(s, "Ntr"), (std::vector<std::string>{"Т1", "Т2", "Т3", "Т2", "Т4", "Т6", ""}));
  EXPECT_EQ(ColumnTexts(s, "Transform"), (std::vector<std::string>{"ТМ-400/10/0.4", "ТМ-400/10/0.4", "ТМ-250/10/0.4",
                                                              "ТМ-400/10/0.4", "ТМ-400/10/0.4", "ТМ-250/10/0.4",
                                                              ""}));
  // the load goes to the station's last row; the feeder header's load is not taken
  EXPECT_EQ(ColumnTexts(s, "T"), (std::vector<std::string>{"", "", "1", "", "", "", "3"}));
  EXPECT_EQ(ColumnTexts(s, "Pn"), (std::vector<std::string>{"", "", "0.1", "", "", "", "2"}));
  EXPECT_EQ(ColumnTexts(s, "Qn"), (std::vector<std::string>{"", "", "0.05", "", "", "", ""}));

  // each file starts the bar again; it never passes its end
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.front(), 0);
  EXPECT_EQ(std::count(progress.begin(), progress.end(), 0), 2);
  EXPECT_EQ(*std::max_element(progress.begin(), progress.end()), 100);
}

TEST_F(DistrictFilesImport, TransformerMarksAndSupplyNames) {
  std::string name = "ПС.35.10";
  EXPECT_TRUE(ExtractFeedVoltage(name));
  EXPECT_EQ(name, "10");
  name = "ПС.В.35.10";
  EXPECT_TRUE(ExtractFeedVoltage(name));
  EXPECT_EQ(name, "35.10");
  name = "ПС.10";
  EXPECT_FALSE(ExtractFeedVoltage(name));
  EXPECT_EQ(name, "?");
  name = "ПС.Лесная.";
  EXPECT_FALSE(ExtractFeedVoltage(name)) << "nothing after the second point is no voltage";

  const std::string file = Source("t.RS", {
      {"Т", "ПС", "ТП", "", "", "", "ТМ-630/6.3/0.4", "ТМ-630"},
      {"Т", "ПС", "ТП", "", "", "", "ТМ-630/10/x"},
      {"Т", "ПС", "ТП", "", "", "", ""},
  });
  TBaseImport base;
  ImportDistrictFiles({file}, dir / "Т", base);
  EXPECT_EQ(ColumnTexts(base.Lines, "Un"), (std::vector<std::string>{"6/0", "10/", ""}));
  // the message quotes the mark and says which voltage is no number, and why
  EXPECT_EQ(base.Messages,
            (std::vector<std::string>{"t.RS. Строка 2. Неверно задана марка тр-ра \"ТМ-630/10/x\": U2: текст \"x\" не "
                                      "является числом",
                                      "t.RS. Строка 3. Неверно задана марка тр-ра: марка не задана"}));
  // a transformer row's own station gets its secondary voltage
  EXPECT_EQ(ColumnTexts(base.Stations, "Transform"), (std::vector<std::string>{"ТМ-630/0/0.4"}));
}

TEST_F(DistrictFilesImport, AFileThatIsNoNetworkTableIsRefusedByName) {
  TBaseImport base;
  const std::string missing = dir / "нет.RS";
  try {
    ImportDistrictFiles({missing}, dir / "Б", base);
    FAIL();
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
  }
  const std::string lines = dir / "линии.RS";
  WriteRows(lines, LayoutLines10, {{"1", "", "А", "Б"}});
  try {
    ImportDistrictFiles({lines}, dir / "Б", base);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Ошибка чтения файла \"" + lines + "\"", 0), 0u) << e.what();
  }
  // a sound table that cannot be read is named for that, not called a file of another kind (an account
  // that reads every file reads it)
  const std::string locked = Source("закрыт.RS", {{"П", "ПС.35.10", "Ф-5"}});
  std::filesystem::permissions(locked, std::filesystem::perms::none);
  try {
    ImportDistrictFiles({locked}, dir / "Б", base);
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Ошибка чтения файла \"" + locked + "\": нет прав на чтение файла");
  }
  std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
  // a network table of no rows, also behind a sound one: the base would be empty or short of a feeder
  const std::string sound = Source("a.RS", {{"П", "ПС.35.10", "Ф-5"}});
  const std::string empty = Source("пусто.RS", {});
  try {
    ImportDistrictFiles({sound, empty}, dir / "Б", base);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Ошибка чтения файла \"" + empty + "\": в файле нет ни одной строки или записи, которую берет импорт: нет данных для импорта, ничего не изменено");
  }
}

TEST_F(DistrictFilesImport, LoadsThatAreNoNumbersAndEndlessTransformerListsRefuseTheFile) {
  // The command's road: the new base replaces the old one only when the import went through.
  const std::string stem = dir / "Сеть";
  WriteRows(stem + ".RSL", LayoutLines10, {{"1", "", "СТАРАЯ", "ТП-1"}});
  WriteRows(stem + ".RTP", LayoutTransTP, {{"1", "ТП-1", "Т1"}});
  const std::string oldLines = ReadBytes(stem + ".RSL"), oldStations = ReadBytes(stem + ".RTP");
  const auto refusal = [&](const std::string& file) {
    TBaseImport base;
    try {
      const TImportTaken taken = ImportDistrictFiles({file}, stem, base);
      ImportBase(file, stem, false, base, [&] { return taken; });
    } catch (const Error& e) {
      EXPECT_EQ(ReadBytes(stem + ".RSL"), oldLines);
      EXPECT_EQ(ReadBytes(stem + ".RTP"), oldStations);
      return std::string(e.what());
    }
    return std::string("imported");
  };

  // Loads are binary singles: a damaged one is no number at all.
  TDataFile table;
  FillRows(table, LayoutDistrict10, {{"П", "ПС.35.10", "Ф-5"},
                                     {"", "ПС.35.10", "ТП-7", "", "", "", "АС-50", "", "1", "0.1", "0.05"},
                                     {"", "ТП-7", "ТП-8", "", "", "", "АС-50", "", "2", "0.2", "0.5"}});
  TDistrict10Cols c;
  FillDistrict10Cols(table, c);
  const std::string damaged = dir / "п.RS";
  const auto write = [&](int row, DAsingle* column, float value) {
    (*column)[row] = value;
    WriteTableFile(damaged, table);
  };
  write(2, c.P, std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(refusal(damaged),
            "Ошибка чтения файла \"" + damaged + "\": строка 2, поле \"P\": значение не является числом");
  write(2, c.P, 0.1f);
  write(3, c.Q, -std::numeric_limits<float>::infinity());
  EXPECT_EQ(refusal(damaged),
            "Ошибка чтения файла \"" + damaged + "\": строка 3, поле \"Q\": значение равно минус бесконечности");
  // One count gives 999 transformers at most; counts of 999 one after another are a damaged list.
  const std::string many = Source("много.RS", {{"", "ПС", "ТП-1"}, {"", "ТП-1", "ТП-2", "", "", "", "", "999ТМ-1, 2ТМ-1"}});
  EXPECT_EQ(refusal(many), "Ошибка чтения файла \"" + many +
                               "\": строка 2, поле \"Transform\": в списке 1001 трансформаторов узла \"ТП-2\", а "
                               "принимается не больше 999");
  const std::string endless = Source("бесконечно.RS", {{"", "ПС", "ТП-1", "", "", "", "", "999А,999Б,999В,999Г,999Д"}});
  EXPECT_NE(refusal(endless).find("строка 1, поле \"Transform\": в списке 4995 трансформаторов"), std::string::npos);

  // A row without a load type gives no load, so what stands there is never read.
  (*c.TypPQ)[3] = 0;
  write(2, c.Q, std::numeric_limits<float>::infinity());
  (*c.TypPQ)[2] = 0;
  write(2, c.P, std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(refusal(damaged), "imported");
  EXPECT_EQ(ReadFileRowCount(stem + ".RSL"), 3);
  const std::string six = Source("шесть.RS", {{"", "ПС", "ТП-1.2", "", "", "", "", "4ТМ-400,ТМ-250,0ТМ-1,ТМ-100"}});
  EXPECT_EQ(refusal(six), "imported");
  TDataFile stations;
  ReadTableFile(stem + ".RTP", stations);
  EXPECT_EQ(ColumnTexts(stations, "Ntr"), (std::vector<std::string>{"Т10", "Т12", "Т2", "Т4", "Т6", "Т8"}));

  // A distribution point of seven transformers and one of the largest count: every row is taken.
  const std::string large = Source("большие.RS", {{"", "ПС", "РП-1", "", "", "", "", "4ТМ-400, 3ТМ-250"},
                                                  {"", "РП-1", "РП-2.1", "", "", "", "", "999ТМ-63"}});
  EXPECT_EQ(refusal(large), "imported");
  ReadTableFile(stem + ".RTP", stations);
  ASSERT_EQ(stations.RowCount, 7 + 999);
  EXPECT_EQ(ColumnTexts(stations, "Ntr"),
            ([] {
              std::vector<std::string> ntr = {"Т1", "Т2", "Т3", "Т4", "Т5", "Т6", "Т7"};
              std::vector<std::string> odd;  // the first section's numbers: 1, 3, ... 1997 in text order
              for (int k = 1; k <= 1997; k += 2) odd.push_back("Т" + std::to_string(k));
              std::sort(odd.begin(), odd.end());
              ntr.insert(ntr.end(), odd.begin(), odd.end());
              return ntr;
            })());
  EXPECT_EQ(CellText(stations, "Transform", 4), "ТМ-400/10/0.4");
  EXPECT_EQ(CellText(stations, "Transform", 7), "ТМ-250/10/0.4");
  EXPECT_EQ(CellText(stations, "Transform", 7 + 999), "ТМ-63/10/0.4");

  // The lists of one file give 100,000 transformers at most, however many rows share them out: the
  // row that brings the count past it is named. Every row lists the same station's, so that the rows
  // taken stay few.
  const auto read = [&](const std::vector<std::string>& files) {
    TBaseImport base;
    try {
      ImportDistrictFiles(files, stem, base);
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return std::string("imported");
  };
  Rows full(100, {"", "ТП-1", "ТП-2", "", "", "", "", "999ТМ-1"});
  full.push_back({"", "ТП-1", "ТП-2", "", "", "", "", "101ТМ-1"});
  const std::string crowded = Source("много строк.RS", full);
  EXPECT_EQ(read({crowded}), "Ошибка чтения файла \"" + crowded +
                                  "\": строка 101, поле \"Transform\": со списком этой строки в файле 100001 "
                                  "трансформаторов, а принимается не больше 100000");
  full.back()[7] = "100ТМ-1";
  const std::string bound = Source("полный.RS", full);
  EXPECT_EQ(read({bound}), "imported") << "exactly the bound";
  EXPECT_EQ(read({bound, bound}), "imported") << "the count is each file's own";
}

// Each text of the new base goes whole into its field, or the file is refused by the row and the source's
// field the text comes from: a transformer mark cut to its field would lose its low voltage, a voltage
// its digits. A supply row's dispatch designation is its end's name, kept whole beside it.
TEST_F(DistrictFilesImport, TextsLongerThanTheirFieldsRefuseTheFile) {
  const std::string file = dir / "длинные.RS";
  // the source's texts as its file holds them, longer than its own fields show when one is given
  const auto refusal = [&](const Rows& rows, const char* field = nullptr, const std::string& text = {}) {
    TDataFile table;
    FillRows(table, LayoutDistrict10, rows);
    if (field) static_cast<DAString&>(*table.Columns[FindColumnIndex(field, table)]).SetItem(2, text);
    WriteTableFile(file, table);
    TBaseImport base;
    try {
      ImportDistrictFiles({file}, dir / "Б", base);
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return std::string("imported");
  };
  const auto tooLong = [&](int row, const std::string& field, const std::string& text, const std::string& title,
                           int most) {
    const std::string shown = Utf8Length(text) > 40 ? Utf8Left(text, 40) + "..." : text;
    return "Ошибка чтения файла \"" + file + "\": строка " + std::to_string(row) + ", поле \"" + field +
           "\": текст \"" + shown + "\" не поместится в поле \"" + title + "\": в поле не больше " +
           std::to_string(most) + " символов, а в тексте " + std::to_string(Utf8Length(text));
  };
  const auto mark = [](std::size_t length) {
    std::string m = "ТМГ-400";
    while (Utf8Length(m) < length) m += "Х";
    return m;
  };
  const Rows feed = {{"П", "ПС.35.10", "Ф-5"}, {"", "Ф-5", "ТП-1"}};
  EXPECT_EQ(refusal({{"П", "ПС.35.10", "Ф-5"}, {"", "ПС.35.10", "ТП-7", "", "", "", "АС-50", mark(35)}}),
            tooLong(2, "Transform", mark(35) + "/10/0.4", "Марка тр-ра", 40));
  EXPECT_EQ(refusal({{"П", "ПС.35.1000000000", "Ф-5"}}), tooLong(1, "Name1", "1000000000", "Uном, кВ", 6));
  EXPECT_EQ(refusal({{"Т", "ПС", "ТП", "", "", "", "ТДН-100/1000000/0.4"}}),
            tooLong(1, "KodLine", "1000000/0", "Uном, кВ", 6));
  EXPECT_EQ(refusal({{"", "ПС", "ТП.1000000000", "", "", "", "", "ТМ-1"}}),
            tooLong(1, "Transform", "Т1000000000", "Тр-р", 10));
  const std::string name = "ТП-" + std::string(38, '7');
  EXPECT_EQ(refusal(feed, "Name2", " " + name + " "), tooLong(2, "Name2", name, "Конец участка", 40));
  EXPECT_EQ(refusal(feed, "Name1", name), tooLong(2, "Name1", name, "Начало участка", 40));
  EXPECT_EQ(refusal(feed, "KodLine", std::string(61, 'A')),
            tooLong(2, "KodLine", std::string(61, 'A'), "Марка провода (кабеля)", 60));
  EXPECT_EQ(refusal(feed, "Text", std::string(81, 'z')), tooLong(2, "Text", std::string(81, 'z'), "Примечание", 80));

  // each filled to its last character
  const std::string section = "ТП-" + std::string(37, '7');
  TBaseImport base;
  ImportDistrictFiles(
      {Source("полные.RS",
              {{"П", "ПС.Лесная-" + std::string(23, '1') + ".110000", section, "", "", "", "", "", "0", "0", "0",
                std::string(80, 'z')},
               {"", section, "ТП-8.999999999", "", "", "", std::string(60, 'A'), mark(29)},
               {"Т", "ТП-8", "ТП-9", "", "", "", "ТДН-100/110/10", "ТМ-1"}})},
      dir / "Б", base);
  EXPECT_TRUE(base.Messages.empty());
  EXPECT_EQ(ColumnTexts(base.Lines, "Un"), (std::vector<std::string>{"110000", "110000", "110/10"}));
  EXPECT_EQ(ColumnTexts(base.Stations, "Ntr"), (std::vector<std::string>{"Т999999999", "Т1"}));
  EXPECT_EQ(ColumnTexts(base.Stations, "Transform"),
            (std::vector<std::string>{mark(29) + "/110000/0.4", "ТМ-1/10/0.4"}));
  // the supply row's designation shows the name's first 20 characters; the name is whole beside it
  EXPECT_EQ(ColumnTexts(base.Lines, "Name2")[0], section);
  EXPECT_EQ(static_cast<const DAString&>(*base.Lines.Columns[FindColumnIndex("DSNum", base.Lines)]).GetItem(1),
            section);
}

}  // namespace
}  // namespace ld::test
