// Graph imports: "*.LB" files built byte by byte, another catalogue's graphs, and the cell layouts of
// the two metering systems.
#include <bit>
#include <cstring>
#include <limits>
#include <map>

#include "catalog_fixture.h"
#include "support/zip_builder.h"
#include "core/base/codepage.h"
#include "core/base/dates.h"
#include "core/base/numfmt.h"
#include "core/office/workbook.h"
#include "core/base/strings.h"
#include "core/catalogs/graph_tables.h"
#include "core/catalogs/import_grc.h"
#include "core/catalogs/import_lb.h"
#include "core/catalogs/import_rows.h"
#include "core/catalogs/import_sheets.h"
#include "core/tables/table_file.h"
#include "support/graph_file_builder.h"
#include "support/scripted_msgbox.h"
#include "support/table_rows.h"

namespace ld::test {
namespace {

class GraphImports : public CatalogTest {
protected:
  std::string Base() const { return Folder() + "схема"; }

  static std::unique_ptr<TDataFile> Catalog(const std::vector<int>& numbers) {
    auto t = std::make_unique<TDataFile>();
    ReadMaket(GraphCatalogMaket, *t);
    CreateColumns(*t, 0);
    for (const int n : numbers) AppendGraphCatalogRow(*t, n, "Свой " + std::to_string(n), 1, 3600, 'P', "кВт");
    return t;
  }
  // (number, date, value) of every row of the values table of a base.
  static std::vector<std::tuple<int, double, double>> Values(const std::string& base) {
    const auto t = OpenGraphValues(base);
    TGraphValueCols c;
    FillGraphValueCols(*t, c);
    std::vector<std::tuple<int, double, double>> rows;
    for (int r = 1; r <= c.RowCount; ++r) rows.emplace_back(c.Ngr->Get(r), c.Date->Get(r), c.Value->Get(r));
    return rows;
  }
  static void Store(const std::string& base, int number, const std::vector<std::pair<double, double>>& points) {
    DAdouble dates, data;
    for (std::size_t i = 0; i < points.size(); ++i) {
      dates[static_cast<int>(i) + 1] = points[i].first;
      data[static_cast<int>(i) + 1] = points[i].second;
    }
    dates.Count = data.Count = static_cast<int>(points.size());
    StoreGraphValues(base, number, dates, data);
  }
  long long Take(const TGraphsRead& read, TDataFile& catalog) const { return TakeGraphs(read, catalog, Base()); }
  // Another base's chosen graphs taken over, and the own values file written.
  int TakeOver(TDataFile& own, TDataFile& other, const std::string& otherBase) const {
    const auto ownValues = OpenGraphValues(Base()), otherValues = OpenGraphValues(otherBase);
    const int taken = ImportGraphCatalog(own, *ownValues, other, *otherValues);
    WriteTableFile(Base() + GetMaketExtention(GraphValuesMaket), *ownValues);
    return taken;
  }
  ScriptedMsgBox msg_;
};

// A record of the file, the rest of it filled with 'Z' as an old program left it.
std::string LBRecord(std::uint16_t number, const std::string& name, const std::vector<float>& values) {
  return test::LBRecord(number, name, values, '\x5A');
}

TEST_F(GraphImports, LBRecordsBecomeTypicalGraphs) {
  std::vector<float> day(24);
  for (int h = 0; h < 24; ++h) day[static_cast<std::size_t>(h)] = 0.1f * static_cast<float>(h + 1);
  const std::vector<float> other(24, 50.0f);
  const std::string file = Folder() + "типовые.LB";
  WriteBytes(file, std::string("LB\x01\x00", 4) + LBRecord(300, "ТП-15 Школа", day) + LBRecord(7, "Занят", other));
  auto catalog = Catalog({7});
  EXPECT_EQ(Take(ReadLBFile(file, *catalog), *catalog), 1);

  TGraphCatalogCols c;
  FillGraphCatalogCols(*catalog, c);
  ASSERT_EQ(c.RowCount, 2);
  EXPECT_EQ(c.Tit->GetItem(1), "Свой 7") << "a number already there is left alone";
  EXPECT_EQ(std::tuple(c.Ngr->Get(2), c.Tit->GetItem(2), c.Typ->Get(2), c.Per->Get(2), c.Zam->Get(2), c.Unt->GetItem(2)),
            std::tuple(300, "ТП-15 Школа", kGraphTypical, 3600, 'P', "%"));

  const auto rows = Values(Base());
  ASSERT_EQ(rows.size(), 24u);
  for (int h = 0; h < 24; ++h) {
    const auto& [n, date, value] = rows[static_cast<std::size_t>(h)];
    EXPECT_EQ(n, 300);
    EXPECT_NEAR(date, 0.036 * (h + 1), 1e-9);
    EXPECT_NEAR(value, 0.1 * (h + 1), 1.01e-7) << h;
  }
  // Seven decimals: 0.1f is 0.100000001490116 as a double and comes back as 0.1.
  EXPECT_DOUBLE_EQ(std::get<2>(rows[0]), 0.1);
  EXPECT_NE(static_cast<double>(0.1f), 0.1);

  // Titles that another program wrote in DOS 866 or in UTF-8 are told by their bytes; where the bytes
  // tell nothing (DOS "тёс" is Windows-1251 "всб") the user is asked.
  const auto titled = [&](const std::string& bytes) {
    std::string record = LBRecord(400, "x", day);
    record[2] = static_cast<char>(bytes.size());
    return record.replace(3, bytes.size(), bytes);
  };
  const std::tuple<std::string, int, std::string> titles[] = {
      {Utf8ToCp866("ТП-15 Школа"), -1, "ТП-15 Школа"},
      {"ТП-15 Школа «Лесная»", -1, "ТП-15 Школа «Лесная»"},
      {Utf8ToCp866("тёс"), 1, "тёс"},
      {Utf8ToCp866("тёс"), 0, "всб"}};
  for (const auto& [bytes, answer, title] : titles) {
    WriteBytes(file, std::string("LB\x01\x00", 4) + titled(bytes));
    ScriptedMsgBox box;
    if (answer >= 0) box.Answer(answer);
    const TGraphsRead read = ReadLBFile(file, *catalog);
    ASSERT_EQ(read.Graphs.size(), 1u);
    EXPECT_EQ(read.Graphs[0].Title, title);
    EXPECT_EQ(box.Calls().size(), answer >= 0 ? 1u : 0u) << title;
  }

  EXPECT_THROW(ReadLBFile(Folder() + "нет.LB", *catalog), Error);
  // a folder chosen under the name is named in Russian, not met by the library's English error
  std::filesystem::create_directory(Folder() + "папка.LB");
  try {
    ReadLBFile(Folder() + "папка.LB", *catalog);
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Ошибка чтения файла \"" + Folder() + "папка.LB\": это папка, а не файл");
  }
}

// Files that are no graph files under an ".LB" name: none gives a graph of a binary name. A file shorter
// than its header and one record, or whose every number the catalogue holds, takes nothing and says why;
// a record whose name this format never writes refuses the file naming the record.
TEST_F(GraphImports, LBFilesOfAnotherKindGiveNoGraph) {
  const std::vector<float> day(24, 50.0f);
  std::string longName = LBRecord(9, "ТП", day), control = LBRecord(9, "ТП\n9", day), unnamed = LBRecord(9, "", day);
  longName[2] = 42;
  const std::string header("LB\x01\x00", 4);
  struct Case {
    std::string bytes, reason;
  };
  const std::vector<Case> cases = {
      {"", "файл пуст"},
      {"Замеры за октябрь", "файл короче заголовка и одной записи графика (в нем 32 из 432 байт)"},
      {header + LBRecord(7, "Занят", day), "график № 7 уже есть в каталоге"},
      {header + LBRecord(8, "Новый", day) + longName, "запись 2: длина названия 42 больше 41: это не каталог графиков *.LB"},
      {header + control, "запись 1: в названии графика управляющий символ U+000A (байт 3 названия): это не каталог "
       "графиков *.LB"},
      // a copy that stopped inside the second record: the graphs from it on are not lost without a word
      {header + LBRecord(8, "Новый", day) + LBRecord(9, "Второй", day).substr(0, 100),
       "запись 2 обрезана: в ней 100 из 428 байт; файл обрезан (недокопирован) или это не каталог графиков *.LB"},
      {header + unnamed, "запись 1: у графика нет названия: это не каталог графиков *.LB"},
      // a document: named by what it is not, none of its bytes quoted as a name
      {ReadBytes(TestDataDir() / "wrong_files" / "document.docx"),
       "запись 1: в названии графика управляющий символ U+0008 (байт 1 названия): это не каталог графиков *.LB"}};
  const std::string file = Folder() + "чужой.LB";
  for (const Case& c : cases) {
    WriteBytes(file, c.bytes);
    auto catalog = Catalog({7});
    try {
      const TGraphsRead read = ReadLBFile(file, *catalog);
      EXPECT_EQ(std::tuple(read.Taken.Items, read.Graphs.size(), read.Taken.FirstReason), std::tuple(0LL, 0u, c.reason));
    } catch (const Error& e) {
      EXPECT_EQ(e.what(), "Ошибка чтения файла \"" + file + "\": " + c.reason);
    }
  }
}

TEST_F(GraphImports, AnotherCatalogueIsTakenOverWithItsValues) {
  const std::string otherBase = Folder() + "чужая";
  auto own = Catalog({1, 3});
  Store(Base(), 1, {{20240305.036, 11}});
  Store(Base(), 3, {{20240305.036, 31}, {20240305.072, 32}});
  auto other = Catalog({2, 3, 4});
  TGraphCatalogCols theirs;
  FillGraphCatalogCols(*other, theirs);
  theirs.Tit->SetItem(1, "~Второй");
  theirs.Tit->SetItem(2, "~Третий чужой");
  (*theirs.Per)[2] = 1800;
  theirs.Tit->SetItem(3, "Не выбран");
  Store(otherBase, 2, {{20240305.018, 21}, {20240305.036, 22}});
  Store(otherBase, 3, {{20240305.018, 91}});
  Store(otherBase, 4, {{20240305.018, 41}});

  msg_.Answer(0);  // keep the own graph 3
  EXPECT_EQ(TakeOver(*own, *other, otherBase), 1);
  EXPECT_EQ(msg_.Texts(), std::vector<std::string>{"График № 3 существует в каталоге. Перезаписать его данные ?"});
  TGraphCatalogCols mine;
  FillGraphCatalogCols(*own, mine);
  ASSERT_EQ(mine.RowCount, 3);
  EXPECT_EQ(std::tuple(mine.Ngr->Get(2), mine.Tit->GetItem(2), mine.Tit->GetItem(3)), std::tuple(2, "Второй", "Свой 3"))
      << "inserted where its number belongs";
  using V = std::vector<std::tuple<int, double, double>>;
  EXPECT_EQ(Values(Base()),
            (V{{1, 20240305.036, 11}, {2, 20240305.018, 21}, {2, 20240305.036, 22}, {3, 20240305.036, 31},
               {3, 20240305.072, 32}}));

  // Chosen again and overwritten this time: row and values are the other's.
  theirs.Tit->SetItem(2, "~Третий чужой");
  theirs.Tit->SetItem(1, "Второй");
  msg_.Clear();
  msg_.Answer(1);
  EXPECT_EQ(TakeOver(*own, *other, otherBase), 1);
  FillGraphCatalogCols(*own, mine);
  EXPECT_EQ(std::tuple(mine.RowCount, mine.Tit->GetItem(3), mine.Per->Get(3)), std::tuple(3, "Третий чужой", 1800));
  EXPECT_EQ(Values(Base()),
            (V{{1, 20240305.036, 11}, {2, 20240305.018, 21}, {2, 20240305.036, 22}, {3, 20240305.018, 91}}));
}

// A file chosen as another catalogue that is none is refused naming it and what it is: a text, a
// folder, a table of another layout (which would otherwise fail at its first missing column), a catalogue
// of graphs whose values file is not beside it (its graphs would come without values).
TEST_F(GraphImports, AnotherCatalogueThatIsNoneIsRefusedByName) {
  const std::string text = Folder() + "заметки.GRC", folder = Folder() + "папка.GRC", lines = Folder() + "линии.GRC";
  WriteBytes(text, "Замеры за октябрь\r\n");
  std::filesystem::create_directory(folder);
  WriteRows(lines, "Формат РЭС (линии)", {{"1", "", "А", "Б"}});
  const std::string alone = Folder() + "один" + GetMaketExtention(GraphCatalogMaket);
  WriteTableFile(alone, *Catalog({1, 2, 3}));
  const std::pair<std::string, std::string> cases[] = {
      {text, "файл не является таблицей \"" + std::string(GraphCatalogMaket) + "\""},
      {lines, "таблица макета \"Формат РЭС (линии)\", а не \"" + std::string(GraphCatalogMaket) + "\""},
      {alone, "рядом с ним нет файла значений графиков \"" + Folder() + "один" + GetMaketExtention(GraphValuesMaket) +
                  "\"; скопируйте его вместе с каталогом"}};
  for (const auto& [file, why] : cases) {
    std::unique_ptr<TDataFile> catalog, values;
    try {
      ReadGraphCatalogFile(file, catalog, values);
      ADD_FAILURE() << file;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "Ошибка чтения файла \"" + file + "\": " + why);
    }
  }
  std::unique_ptr<TDataFile> catalog, values;
  EXPECT_THROW(ReadGraphCatalogFile(folder, catalog, values), Error);
  // with its values beside it the catalogue is read whole; a graph of no value row is not taken, and
  // the first such is named
  Store(Folder() + "один", 2, {{20240305.036, 21}});
  const TImportTaken taken = ReadGraphCatalogFile(alone, catalog, values);
  EXPECT_EQ(std::tuple(taken.Items, catalog->RowCount, values->RowCount), std::tuple(1LL, 3, 1));
  EXPECT_EQ(taken.FirstReason, "у графика № 1 нет ни одной строки значений в файле \"" + Folder() + "один" +
                                   GetMaketExtention(GraphValuesMaket) + "\"; график без значений не берется");
  // a values file of no row gives no graph; a pair whose names are written in lower case ("пара.grc",
  // "пара.grv", as the open dialog offers them) is one catalogue with its values
  WriteRows(Folder() + "один" + GetMaketExtention(GraphValuesMaket), GraphValuesMaket, {});
  EXPECT_EQ(ReadGraphCatalogFile(alone, catalog, values).Items, 0);
  const std::string lower = Folder() + "пара.grc";
  WriteTableFile(lower, *Catalog({4}));
  WriteRows(Folder() + "пара.grv", GraphValuesMaket, {{"4", "20240305.036", "2.5"}});
  EXPECT_EQ(ReadGraphCatalogFile(lower, catalog, values).Items, 1);
  EXPECT_EQ(std::tuple(catalog->RowCount, values->RowCount), std::tuple(1, 1));
}

// A sheet of cells for the metering-system layouts.
class Sheet {
public:
  Sheet& Text(int r, int c, std::string t) {
    cells_[{r, c}] = TOutsideValue::Text(std::move(t));
    return *this;
  }
  Sheet& Number(int r, int c, double v) {
    cells_[{r, c}] = TOutsideValue::Number(v, FloatToStrGeneral(v, 15));
    return *this;
  }
  Sheet& Day(int r, int y, int m, int d) { return Date(r, 1, EncodeDate(y, m, d)); }
  Sheet& Date(int r, int c, double serial) {
    cells_[{r, c}] = TOutsideValue::Date(serial, DateSerialText(serial));
    return *this;
  }
  TCellReader Reader() const {
    return [this](int r, int c) {
      const auto at = cells_.find({r, c});
      return at == cells_.end() ? TOutsideValue() : at->second;
    };
  }

private:
  std::map<std::pair<int, int>, TOutsideValue> cells_;
};

// Where the cells go is checked with real workbooks in the window's tests; here the units and the
// conversion errors.
TEST_F(GraphImports, MeteringSheetsReadUnitsAndStopAtBadNumbers) {
  Sheet s;
  s.Text(1, 1, "  Ввод Т1 ").Text(1, 2, "MBт").Number(1, 3, 12).Day(3, 2024, 3, 5).Number(3, 2, 1.5).Number(3, 25, 2.5);
  s.Text(4, 1, "Ввод Т2").Text(4, 2, " мвар ").Number(4, 3, 13).Day(6, 2024, 3, 5).Number(6, 5, 9);
  s.Text(7, 1, "Ток").Text(7, 2, "А").Number(7, 3, 14).Day(9, 2024, 3, 5).Number(9, 2, 1);
  auto catalog = Catalog({});
  EXPECT_EQ(Take(ReadMeteringSlices(s.Reader(), *catalog), *catalog), 3);
  TGraphCatalogCols c;
  FillGraphCatalogCols(*catalog, c);
  ASSERT_EQ(c.RowCount, 3);
  EXPECT_EQ(c.Tit->GetItem(1), "Ввод Т1");
  // The third has a unit of no quantity.
  EXPECT_EQ(std::tuple(c.Zam->Get(1), c.Unt->GetItem(1), c.Zam->Get(2), c.Unt->GetItem(2), c.Zam->Get(3), c.Unt->GetItem(3)),
            std::tuple('P', "МВт", 'Q', "МВАр", '\0', ""));
  EXPECT_EQ(Values(Base()).size(), 4u) << "only the filled hours";

  // A block whose number is no integer, or none, refuses the whole sheet: the blocks before it are not
  // taken either.
  for (const auto& [number, reason] : {std::pair{TOutsideValue::Number(21.5, "21.5"), "текст \"21.5\" не является целым числом"},
                                       {TOutsideValue::Text(" "), "нет номера графика"}}) {
    const TCellReader broken = [&, reader = s.Reader()](int r, int col) {
      if (r == 10) return col == 1 ? TOutsideValue::Text("Сломанный") : col == 3 ? number : TOutsideValue();
      return reader(r, col);
    };
    try {
      ReadMeteringSlices(broken, *Catalog({}));
      ADD_FAILURE() << "no conversion error";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(std::string("ячейка C10: ") + reason), std::string::npos) << e.what();
    }
  }

  // A day is a day of the calendar, shown so: a serial under a duration's format may be any number (1e8
  // days, NaN, infinity), a day merged over a second row is no day of that row, and a cell that holds no
  // value is no end of the graph. Each refuses the sheet at its cell.
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  for (const auto& [day, reason] : std::vector<std::pair<TOutsideValue, std::string>>{
           {TOutsideValue::Date(1e8, "2400000000:00"), "значение \"2400000000:00\" не является днем календаря"},
           {TOutsideValue::Date(nan, ""), "значение \"\" не является днем календаря"},
           {TOutsideValue::Date(inf, ""), "значение \"\" не является днем календаря"},
           {TOutsideValue::Date(-1, "-24:00"), "значение \"-24:00\" не является днем календаря"},
           {TOutsideValue::Date(45356, "05.03.2024").Covered("A9:A10"), "ячейка входит в объединенную ячейку A9:A10"},
           {TOutsideValue::Text("05.03.2024").Covered("A9:A10"), "ячейка входит в объединенную ячейку A9:A10"},
           {TOutsideValue::Unreadable("значение ошибки \"#REF!\""), "значение ошибки \"#REF!\""}}) {
    const TCellReader broken = [&, reader = s.Reader()](int r, int col) {
      return r == 10 && col == 1 ? day : reader(r, col);
    };
    try {
      ReadMeteringSlices(broken, *Catalog({}));
      ADD_FAILURE() << "a day of no calendar was taken: " << reason;
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("ячейка A10: " + reason), std::string::npos) << e.what();
    }
  }

  // A number in the day column is no day: it ends the graph, and its row heads the next one.
  Sheet numbered;
  numbered.Text(1, 1, "Ввод").Text(1, 2, "МВт").Number(1, 3, 12).Day(3, 2024, 3, 5).Number(3, 2, 1.5);
  numbered.Number(4, 1, 45356).Text(4, 2, "МВт").Number(4, 3, 15).Day(6, 2024, 3, 6).Number(6, 3, 2);
  catalog = Catalog({});
  EXPECT_EQ(Take(ReadMeteringSlices(numbered.Reader(), *catalog), *catalog), 2);
  FillGraphCatalogCols(*catalog, c);
  ASSERT_EQ(c.RowCount, 2);
  EXPECT_EQ(std::tuple(c.Tit->GetItem(1), c.Tit->GetItem(2)), std::tuple("Ввод", "45356"));
}

// A graph that its book gives no value for is refused before anything is written, naming its row: an
// export of the first system whose head has no day row under it, or whose days are all empty, a row of
// the second whose hours are empty, each book chosen in the other's command (named as that book). A
// graph the catalogue holds is not taken, and when others are, the closing message names it.
TEST_F(GraphImports, MeteringGraphsWithoutValuesAreRefusedAndThoseNotTakenNamed) {
  const TImportSource source{"графики.xls", "Лист1"};
  const auto head = [](Sheet& s, int row, int number) -> Sheet& {
    return s.Text(row, 1, "Ввод " + std::to_string(number)).Text(row, 2, "МВт").Number(row, 3, number);
  };
  const auto hours = [](Sheet& s, int row) -> Sheet& {
    for (int c = 4; c <= 27; ++c) s.Number(row, c, 0.5 * c);
    return s;
  };
  struct Case {
    Sheet sheet;
    bool typical;
    std::string reason;
  };
  std::vector<Case> cases(7);
  head(cases[0].sheet, 1, 12).Text(2, 1, "Дата");
  cases[0].reason = "ячейка A1: строка 1: у графика № 12 нет ни одного значения (под строкой заголовка и строкой за "
                    "ней нет строки с датой дня в столбце A); график без значений не берется";
  head(cases[1].sheet, 1, 12).Day(3, 2024, 3, 5).Number(3, 2, 1.5);
  head(cases[1].sheet, 4, 13);
  cases[1].reason = "ячейка A4: строка 4: у графика № 13 нет ни одного значения";
  head(cases[2].sheet, 1, 12).Day(3, 2024, 3, 5).Day(4, 2024, 3, 6);
  cases[2].reason = "ячейка A1: строка 1: у графика № 12 нет ни одного значения (в его строках дней все часы пусты)";
  hours(head(cases[3].sheet, 1, 12), 1);
  head(cases[3].sheet, 2, 13);
  cases[3].typical = true;
  cases[3].reason = "ячейка D2: строка 2: у графика № 13 нет ни одного значения (столбцы D-AA часов суток пусты)";
  hours(head(cases[4].sheet, 1, 12), 1).Text(1, 8, " ");
  cases[4].typical = true;
  cases[4].reason = "ячейка H1: час 5 графика № 12 пуст: у типового графика должны быть значения всех 24 часов";
  // the second system's book in the first system's command, and the other way round
  hours(head(cases[5].sheet, 1, 12), 1);
  hours(head(cases[5].sheet, 2, 13), 2);
  cases[5].reason = "ячейка D1: в строке заголовка графика № 12 заполнены часы суток, а под ней нет строк дней: это "
                    "книга АСКУЭ Кирмаоблэнерго (график в строке), а не АСКУЭ СВЭ (графики блоками по дням)";
  head(cases[6].sheet, 1, 12).Text(2, 1, "Дата").Day(3, 2024, 3, 5).Number(3, 2, 1.5);
  cases[6].typical = true;
  cases[6].reason = "ячейка D1: у графика № 12 пусты все часы суток, а ниже дата дня \"05.03.2024\": это книга АСКУЭ "
                    "СВЭ (графики блоками по дням), а не АСКУЭ Кирмаоблэнерго (график в строке)";
  for (const Case& c : cases) {
    const std::string expected = "Ошибка чтения файла \"графики.xls\": лист \"Лист1\", " + c.reason;
    try {
      if (c.typical) ReadMeteringTypical(c.sheet.Reader(), *Catalog({}), source);
      else ReadMeteringSlices(c.sheet.Reader(), *Catalog({}), source);
      ADD_FAILURE() << expected;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()).substr(0, expected.size()), expected);
    }
  }

  // graph 7 is in the catalogue: the graph after it is taken, and the closing message names it
  Sheet known;
  head(known, 1, 7).Day(3, 2024, 3, 5).Number(3, 2, 1.5);
  head(known, 4, 8).Day(6, 2024, 3, 5).Number(6, 2, 2.5);
  TGraphsRead read = ReadMeteringSlices(known.Reader(), *Catalog({7}), source);
  EXPECT_EQ(std::tuple(read.Taken.Items, read.Taken.Summary),
            std::tuple(1LL, std::string("графиков 1; не взяты:\nстрока 1: график № 7 уже есть в каталоге")));
  Sheet rows;
  hours(head(rows, 1, 8), 1);
  hours(head(rows, 2, 7), 2);
  read = ReadMeteringTypical(rows.Reader(), *Catalog({7}), source);
  EXPECT_EQ(read.Taken.Summary, "графиков 1; не взяты:\nстрока 2: график № 7 уже есть в каталоге");
  // a number the file gave before is not taken again, in either layout, whatever the catalogue holds
  hours(head(rows, 3, 8), 3);
  hours(head(rows, 4, 9), 4);
  read = ReadMeteringTypical(rows.Reader(), *Catalog({7, 10}), source);
  EXPECT_EQ(read.Taken.Summary, "графиков 2; не взяты:\nстрока 2: график № 7 уже есть в каталоге\n"
                                "строка 3: график № 8 встречается в файле второй раз");
  head(known, 7, 8).Day(9, 2024, 3, 5).Number(9, 2, 3.5);
  read = ReadMeteringSlices(known.Reader(), *Catalog({}), source);
  EXPECT_EQ(std::tuple(read.Graphs.size(), read.Taken.Summary),
            std::tuple(2u, std::string("графиков 2; не взяты:\nстрока 7: график № 8 встречается в файле второй раз")));
}

// A value that is no number, or more than a column holds, refuses either layout at its cell: no graph of
// the sheet is taken, those before it neither.
TEST_F(GraphImports, MeteringValuesThatAreNoNumbersAreRefusedWithTheirCell) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  const std::vector<std::pair<double, std::string>> bad = {{nan, "значение не является числом"},
                                                           {inf, "значение равно плюс бесконечности"},
                                                           {-inf, "значение равно минус бесконечности"},
                                                           {1e308, "число 1E308 больше по модулю"}};
  const TImportSource source{"графики.xls", "Лист1"};
  for (const auto& [value, reason] : bad) {
    for (const bool typical : {false, true}) {
      std::filesystem::remove_all(Folder());
      std::filesystem::create_directories(Folder());
      Sheet s;
      std::string where;
      if (typical) {
        s.Text(1, 1, "Первый").Text(1, 2, "МВт").Number(1, 3, 1);
        s.Text(2, 1, "Второй").Text(2, 2, "МВт").Number(2, 3, 2);
        for (int c = 4; c <= 27; ++c) s.Number(1, c, 5).Number(2, c, 1);
        s.Number(2, 10, value);
        where = "J2";
      } else {
        s.Text(1, 1, "Первый").Text(1, 2, "МВт").Number(1, 3, 1).Day(3, 2024, 3, 5).Number(3, 2, 5);
        s.Text(4, 1, "Второй").Text(4, 2, "МВт").Number(4, 3, 2).Day(6, 2024, 3, 5).Number(6, 2, 1).Number(6, 5, value);
        where = "E6";
      }
      auto catalog = Catalog({});
      const std::string expected =
          "Ошибка чтения файла \"графики.xls\": лист \"Лист1\", ячейка " + where + ": " + reason;
      try {
        if (typical) ReadMeteringTypical(s.Reader(), *catalog, source);
        else ReadMeteringSlices(s.Reader(), *catalog, source);
        ADD_FAILURE() << expected;
      } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).substr(0, expected.size()), expected);
      }
      TGraphCatalogCols c;
      FillGraphCatalogCols(*catalog, c);
      EXPECT_EQ(c.RowCount, 0) << expected;
      EXPECT_TRUE(Values(Base()).empty()) << expected;
    }
  }
}

// Cells of a workbook's file: a graph number or a value that is no number names the file, the sheet and
// the cell with the conversion's own words.
TEST_F(GraphImports, ConversionErrorsOfAWorkbookNameTheirCell) {
  Sheet s;
  s.Text(1, 1, "Ввод").Text(1, 2, "МВт").Number(1, 3, 12.5);
  auto catalog = Catalog({});
  try {
    ReadMeteringTypical(s.Reader(), *catalog, {"графики.xlsx", "Лист1"});
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Ошибка чтения файла \"графики.xlsx\": лист \"Лист1\", ячейка C1: текст \"12.5\" не является целым числом");
  }
  s.Number(1, 3, 12);
  for (int c = 4; c <= 27; ++c) s.Number(1, c, 1);
  s.Text(1, 9, "н/д");
  try {
    ReadMeteringTypical(s.Reader(), *catalog, {"графики.xlsx", "Лист1"});
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Ошибка чтения файла \"графики.xlsx\": лист \"Лист1\", ячейка I1: текст \"н/д\"", 0), 0u)
        << e.what();
  }
  // an hour typed "1.5" in a Russian spreadsheet is the first of May: no value of 46143
  s.Date(1, 9, 46143);
  try {
    ReadMeteringTypical(s.Reader(), *catalog, {"графики.xlsx", "Лист1"});
    ADD_FAILURE() << "a date was read as a value";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Ошибка чтения файла \"графики.xlsx\": лист \"Лист1\", ячейка I1: текст \"01.05.2026\" не является числом: "
              "это дата");
  }
  TGraphCatalogCols c;
  FillGraphCatalogCols(*catalog, c);
  EXPECT_EQ(c.RowCount, 0);
  // a workbook's duration of hours (1.52 days under [h]:mm) is named as the sheet shows it
  const std::string file = Folder() + "графики.xlsx";
  WriteBytes(file, BuildZip(OneSheetWorkbookParts(
                       {"Лист1",
                        R"(<worksheet><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>Ввод</t></is></c>)"
                        R"(<c r="B1" t="inlineStr"><is><t>МВт</t></is></c><c r="C1"><v>12</v></c><c r="D1"><v>1</v></c>)"
                        R"(<c r="E1" s="1"><v>1.5208333333333333</v></c></row></sheetData></worksheet>)",
                        "",
                        R"(<styleSheet><numFmts><numFmt numFmtId="164" formatCode="[h]:mm"/></numFmts>)"
                        R"(<cellXfs><xf numFmtId="0"/><xf numFmtId="164"/></cellXfs></styleSheet>)"})));
  try {
    ReadMeteringWorkbook(file, *catalog, true);
    ADD_FAILURE() << "a duration was read as a value";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Ошибка чтения файла \"" + file + "\": лист \"Лист1\", ячейка E1: текст \"36:30\"", 0), 0u)
        << e.what();
  }
}

}  // namespace
}  // namespace ld::test
