// The new month's clearing and the import of measured loads and flows from a workbook.
#include "core/regime/measurements.h"

#include <cerrno>
#include <cstdio>
#include <functional>

#include "core/base/error.h"
#include "core/office/xlsx_file.h"
#include "core/tables/table_file.h"
#include "regime_test.h"
#include "support/fuzz_mutations.h"
#include "support/xls_builder.h"
#include "support/zip_builder.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

// Four nodes whose measured columns hold 7 or 5 and Ina 3; branches Б - В and А - В.
class Measurements : public RegimeTest {
protected:
  Measurements() { WriteScheme(base); }
  static void WriteScheme(const std::string& base);
  const std::string base = dir / "s";
};

void Measurements::WriteScheme(const std::string& base) {
  TDataFile nodes;
  ReadMaket(LayoutNodes, nodes);
  CreateColumns(nodes, 4);
  TNodeCols n;
  FillNodeCols(nodes, n);
  const char* names[] = {"ПС1.А", "ПС1.Б", "ПС1.В", "ТП5.Т1"};
  for (int r = 1; r <= 4; ++r) {
    n.Name->SetItem(r, names[r - 1]);
    (*n.NS)[r] = r * 10, (*n.Pn)[r] = (*n.Qn)[r] = (*n.Pg)[r] = (*n.Qg)[r] = 7, (*n.WPn)[r] = (*n.WQg)[r] = 5;
    (*n.Ina)[r] = 3;
  }
  (*n.Sign)[1] = 'b', (*n.Sign)[4] = 'Z';
  WriteTableFile(base + ".UZL", nodes);
  TDataFile branches;
  ReadMaket(LayoutBranches, branches);
  CreateColumns(branches, 2);
  TBranchCols b;
  FillBranchCols(branches, b);
  (*b.N1)[1] = 20, (*b.N2)[1] = 30;  // Б - В
  (*b.N1)[2] = 10, (*b.N2)[2] = 30;  // А - В
  WriteTableFile(base + ".VET", branches);
}

TEST_F(Measurements, NewMonthZeroesAndDeletesAndUnlocks) {
  const std::string nodeEnergy = base + GetMaketExtention(LayoutNodeEnergy);
  const std::string branchEnergy = base + GetMaketExtention(LayoutBranchEnergy);
  WriteBytes(nodeEnergy, "x");
  WriteBytes(branchEnergy, "x");
  // a month that cannot be begun whole is not begun: the scheme's node table refusing its new version
  // leaves last month's energies and loads as they were
  const std::string nodesBefore = ReadBytes(base + ".UZL");
  const TTableRenamer system = SetTableRenamer([&](const std::string& temp, const std::string& file) {
    if (file == base + ".UZL") {
      errno = EACCES;
      return false;
    }
    return ::rename(temp.c_str(), file.c_str()) == 0;
  });
  EXPECT_THROW(ClearMonthData(base), Error);
  SetTableRenamer(system);
  EXPECT_EQ(ReadBytes(base + ".UZL"), nodesBefore);
  EXPECT_EQ(ReadBytes(nodeEnergy), "x");
  EXPECT_EQ(ReadBytes(branchEnergy), "x");
  EXPECT_TRUE(NoLocks());
  ClearMonthData(base);
  TDataFile nodes = ReadTable(base + ".UZL");
  TNodeCols n;
  FillNodeCols(nodes, n);
  ASSERT_EQ(n.RowCount, 4);
  for (int r = 1; r <= 4; ++r) {
    EXPECT_EQ(n.Pn->Get(r) + n.Qn->Get(r) + n.Pg->Get(r) + n.Qg->Get(r) + n.WPn->Get(r) + n.WQg->Get(r), 0) << r;
    EXPECT_FLOAT_EQ(n.Ina->Get(r), 3);  // not a measured column
  }
  EXPECT_EQ(ReadTable(base + GetMaketExtention(LayoutLineFlows)).RowCount, 0);
  EXPECT_FALSE(fs::exists(nodeEnergy) || fs::exists(branchEnergy));
  EXPECT_TRUE(NoLocks());
}

TEST_F(Measurements, ImportSpreadsLoadsAddsFlowsAndRepeats) {
  Workbook book;
  book.sheets.emplace_back("Замеры");
  Worksheet& s = book.sheets.front();
  s.SetNumber(1, 9, 4), s.SetText(1, 14, " пс1 "), s.SetText(1, 16, "а, б"), s.SetText(1, 17, "1");
  s.SetNumber(2, 9, 1), s.SetNumber(2, 13, 0.5), s.SetText(2, 16, "В"), s.SetText(2, 17, "2");
  s.SetNumber(3, 9, 1), s.SetText(3, 16, "Т1"), s.SetText(3, 17, "1");
  s.SetNumber(4, 9, 0.2), s.SetText(4, 15, "А"), s.SetText(4, 16, "Б");
  s.SetNumber(5, 9, 0.3), s.SetText(5, 13, "н/д"), s.SetText(5, 15, "В"), s.SetText(5, 16, "Б");
  // a second measurement of kind "2" at the same node adds to the first: no repeat
  s.SetNumber(6, 9, 2), s.SetNumber(6, 13, 0.25), s.SetText(6, 16, "в"), s.SetText(6, 17, "2");
  // far below the last substation name: a node that row 1 gave its load already, named and not taken
  s.SetNumber(60, 9, 3), s.SetText(60, 16, "Б"), s.SetText(60, 17, "1");
  WriteXlsx(dir / "z.xlsx", book);

  const TMeasurementImport options{"январь", 0.4};
  for (int run = 1; run <= 2; ++run) {
    const std::vector<std::string> info = ImportMeasurementFile(base, dir / "z.xlsx", options);
    EXPECT_EQ(info, (std::vector<std::string>{"Строка 3: узел ПС1.Т1 не найден",
                                              "Строка 4: ветвь ПС1.А - ПС1.Б не найдена",
                                              "Ошибка чтения. Строка 5, столбец 13 (текст \"н/д\" не является числом)",
                                              "Строка 60: узел ПС1.Б - дублирование данных"}))
        << run;
    TDataFile nodes = ReadTable(base + ".UZL");
    TNodeCols n;
    FillNodeCols(nodes, n);
    // Pg never measured, never reset; node 3's two loads added to what it had, an earlier import's load at
    // node 4 reset
    EXPECT_EQ((std::vector<double>{n.Pn->Get(1), n.Qn->Get(1), n.Pg->Get(1), n.Pn->Get(2), n.Pn->Get(3), n.Qn->Get(3),
                                   n.Pn->Get(4)}),
              (std::vector<double>{2, 0.8, 7, 2, 7.0 * (run == 1) + 1 + 2, 7 * (run == 1) + 0.5 + 0.5, 0}))
        << run;
    EXPECT_EQ((std::vector<int>{n.Sign->Get(1), n.Sign->Get(2), n.Sign->Get(4)}), (std::vector<int>{'b', 'z', 0}));

    TDataFile flows = ReadTable(base + GetMaketExtention(LayoutLineFlows));
    TLineFlowCols f;
    FillLineFlowCols(flows, f);
    ASSERT_EQ(f.RowCount, 1);
    EXPECT_EQ((std::vector<double>{double(f.N1->Get(1)), double(f.N2->Get(1)), double(f.Typ.Get(1)), f.Pr->Get(1),
                                   f.Qr->Get(1)}),
              (std::vector<double>{30, 20, 1, 300, 120}));
    EXPECT_EQ(f.Name1->GetItem(1), "ПС1.В");
    EXPECT_TRUE(NoLocks());
  }

  // The substation, the node list and the kind merged down past the one row of data (a total further
  // below): the rows that only show the ranges are no rows of data, neither read as loads of 0 nor named
  // as repeats of row 1.
  std::string sheet = R"(<worksheet><sheetData><row r="1"><c r="I1"><v>4</v></c>)"
                      R"(<c r="N1" t="inlineStr"><is><t>ПС1</t></is></c><c r="P1" t="inlineStr"><is><t>А</t></is></c>)"
                      R"(<c r="Q1" t="inlineStr"><is><t>1</t></is></c></row>)"
                      R"(<row r="9"><c r="A9" t="inlineStr"><is><t>итого</t></is></c></row></sheetData>)"
                      R"(<mergeCells count="3"><mergeCell ref="N1:N8"/><mergeCell ref="P1:P8"/>)"
                      R"(<mergeCell ref="Q1:Q8"/></mergeCells></worksheet>)";
  WriteBytes(dir / "merged.xlsx", BuildZip(OneSheetWorkbookParts({"Замеры", sheet, "", ""})));
  EXPECT_TRUE(ImportMeasurementFile(base, dir / "merged.xlsx", options).empty());
  EXPECT_EQ(TNumberColumn("Pn", ReadTable(base + ".UZL")).Get(1), 4);
}

// A quantity that is no number, or that no column holds, in either kind of workbook and in either kind of
// row (a node load, a line flow): the import is refused naming the cell, and the scheme's files stay
// byte for byte as they were.
TEST_F(Measurements, NumbersThatAreNoNumbersAreRefusedWithTheirCell) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  const std::string nodesBefore = ReadBytes(base + ".UZL"), branchesBefore = ReadBytes(base + ".VET");
  const std::string flowFile = base + GetMaketExtention(LayoutLineFlows);
  struct Case {
    double value;
    int column;       // 9 the quantity, 13 the tangent
    bool flow;        // a line flow row instead of a node load row
    std::string reason;
  };
  const std::vector<Case> cases = {
      {nan, 9, false, "значение не является числом"},
      {inf, 9, false, "значение равно плюс бесконечности"},
      {-inf, 13, false, "значение равно минус бесконечности"},
      {1e308, 9, false, "число 1E308 больше по модулю"},
      {nan, 13, true, "значение не является числом"},
      {1e36, 9, true, "число 1E39 больше по модулю"},  // fits a column, but not once it is kilowatts
  };
  for (const Case& c : cases) {
    for (const bool legacy : {true, false}) {
      // A legacy workbook can hold a NaN or an infinity as a number; the newer one only a huge number.
      if (!legacy && !std::isfinite(c.value)) continue;
      const int row = 3;
      std::vector<XlsCell> cells = {{XlsCell::Text, 1, 14, 0, "ПС1"}, {XlsCell::Number, 2, 9, 2, ""},
                                    {XlsCell::Text, 2, 16, 0, "Б"},   {XlsCell::Text, 2, 17, 0, "1"}};
      cells.push_back({XlsCell::Number, row, 9, c.column == 9 ? c.value : 1.0, ""});
      if (c.column == 13) cells.push_back({XlsCell::Number, row, 13, c.value, ""});
      cells.push_back({XlsCell::Text, row, 16, 0, "В"});
      if (c.flow) cells.push_back({XlsCell::Text, row, 15, 0, "Б"});
      else cells.push_back({XlsCell::Text, row, 17, 0, "1"});
      const std::string file = dir / (legacy ? "z.xls" : "z.xlsx");
      if (legacy) {
        WriteBytes(file, BuildXls(cells));
      } else {
        Workbook book;
        book.sheets.emplace_back("Лист1");
        for (const XlsCell& cell : cells) {
          if (cell.kind == XlsCell::Number) book.sheets[0].SetNumber(cell.row, cell.col, cell.number);
          else book.sheets[0].SetText(cell.row, cell.col, cell.text);
        }
        WriteXlsx(file, book);
      }
      const std::string where = "Ошибка чтения файла \"" + file + "\": лист \"Лист1\", ячейка " +
                                (c.column == 9 ? "I" : "M") + std::to_string(row) + ": " + c.reason;
      try {
        ImportMeasurementFile(base, file, {"январь", 0.4});
        ADD_FAILURE() << where;
      } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).substr(0, where.size()), where);
      }
      EXPECT_EQ(ReadBytes(base + ".UZL"), nodesBefore) << where;
      EXPECT_EQ(ReadBytes(base + ".VET"), branchesBefore) << where;
      EXPECT_FALSE(fs::exists(flowFile)) << where;
      EXPECT_TRUE(NoLocks());
    }
  }
}

// Texts that can name nothing: a name part longer than the name field or with a character the tables have
// no code for, a list longer than every node of the scheme named once, an over-long item or number. Each
// refuses the workbook naming its cell, the scheme's files as they were (a number or a kind may be as long
// as the widest text field, 80); a name of exactly the field's width is still looked up. Lists of unknown names give the first 1000 messages and a count of the rest.
TEST_F(Measurements, TextsThatCanNameNothingAreRefusedWithTheirCell) {
  const std::string nodesBefore = ReadBytes(base + ".UZL");
  const std::string file = dir / "z.xlsx";
  const auto import = [&](const std::function<void(Worksheet&)>& fill) {
    Workbook book;
    book.sheets.emplace_back("Замеры");
    Worksheet& s = book.sheets.front();
    s.SetText(1, 14, "ПС1"), s.SetNumber(1, 9, 1), s.SetText(1, 16, "А"), s.SetText(1, 17, "1");
    fill(s);
    WriteXlsx(file, book);
    return ImportMeasurementFile(base, file, {"май", 0.3});
  };
  const std::string forty(40, 'x');
  std::string pairs;  // 32,000 characters of "a,", near the most a cell holds
  for (int i = 0; i < 16000; ++i) pairs += "a,";
  struct Case {
    std::function<void(Worksheet&)> fill;
    std::string where;
  };
  const std::vector<Case> cases = {
      {[&](Worksheet& s) { s.SetText(2, 14, " " + forty + "y "); },
       "N2: текст \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx...\" не поместится в поле \"Наименование узла\": в поле не "
       "больше 40 символов"},
      {[&](Worksheet& s) { s.SetText(3, 15, "Б\u2460"), s.SetText(3, 16, "В"); },
       "O3: текст \"Б\u2460\" нельзя записать в таблицу: у символа \"\u2460\" (U+2460) нет кода в кодировке "
       "Windows-1251"},
      {[&](Worksheet& s) { s.SetText(1, 16, pairs); },
       "P1: в тексте \"a,a,a,a,a,a,a,a,a,a,a,a,a,a,a,a,a,a,a,a,...\" больше 168 символов: столько не наберут "
       "и имена всех узлов схемы"},
      {[&](Worksheet& s) { s.SetText(2, 16, "А, " + forty + "y, Б"); },
       "P2: текст \"" + ld::UpperCase(forty) + "...\" не поместится в поле \"Наименование узла\": в поле не больше 40 символов"},
      // a carriage return pasted into a node's name would match no node and be stored unseen
      {[&](Worksheet& s) { s.SetText(2, 14, "ТП-4\r2\u00a0"); },
       "N2: текст \"ТП-4?2\" не принят: в нем управляющий символ U+000D"},
      {[&](Worksheet& s) { s.SetText(1, 9, std::string(81, '1')); },
       "I1: текст \"1111111111111111111111111111111111111111...\" не поместится ни в одно поле таблиц: в поле не "
       "больше 80 символов"},
  };
  for (const Case& c : cases) {
    try {
      import(c.fill);
      ADD_FAILURE() << c.where;
    } catch (const Error& e) {
      EXPECT_EQ(e.what(), "Ошибка чтения файла \"" + file + "\": лист \"Замеры\", ячейка " + c.where +
                              ", ничего не изменено");
    }
    EXPECT_EQ(ReadBytes(base + ".UZL"), nodesBefore) << c.where;
    EXPECT_TRUE(NoLocks()) << c.where;
  }

  // 1,200 unknown names in lists within the bound, and a name of exactly the field's width
  std::vector<std::string> info = import([&](Worksheet& s) {
    s.SetText(2, 16, forty);
    for (int r = 3; r < 43; ++r) {
      std::string list = "я1";
      for (int i = 2; i <= 30; ++i) list += ",я" + std::to_string(i);
      s.SetText(r, 16, list), s.SetText(r, 17, "1");
    }
  });
  ASSERT_EQ(info.size(), 1001u);
  EXPECT_EQ(std::tuple(info[0], info[1], info[999], info[1000]),
            std::tuple("Строка 2: узел ПС1." + ld::UpperCase(forty) + " не найден", "Строка 3: узел ПС1.Я1 не найден",
                       "Строка 36: узел ПС1.Я9 не найден", std::string("Еще сообщений не показано: 201")));
}

// A workbook that gives no measurement (an empty sheet, a heading row, rows naming no node of the scheme,
// a quantity that does not read) is refused by name with its first reason, and neither the node table
// (loads of 7) nor the flow table changes; a sound one writes both tables in one run, so a flow table
// that cannot take its place leaves the node table as it was.
TEST_F(Measurements, AWorkbookOfNoMeasurementIsRefusedAndBothTablesGoInOneRun) {
  const std::string nodesBefore = ReadBytes(base + ".UZL");
  const std::string flowFile = base + GetMaketExtention(LayoutLineFlows);
  const std::string file = dir / "z.xlsx";
  const auto write = [&](const std::function<void(Worksheet&)>& fill) {
    Workbook book;
    book.sheets.emplace_back("Замеры");
    fill(book.sheets.front());
    WriteXlsx(file, book);
  };
  struct Case {
    std::function<void(Worksheet&)> fill;
    std::string reason;
  };
  const std::vector<Case> cases = {
      {[](Worksheet&) {}, "на листе \"Замеры\" нет ни одной строки замеров"},
      // a row of headings alone, over the names too, is no row of measurements
      {[](Worksheet& s) {
         s.SetText(1, 9, "Замер"), s.SetText(1, 13, "tg"), s.SetText(1, 14, "ПС"), s.SetText(1, 16, "Узлы");
         s.SetText(1, 17, "Вид");
       },
       "на листе \"Замеры\" нет ни одной строки замеров"},
      {[](Worksheet& s) { s.SetText(1, 14, "ПС9"), s.SetNumber(1, 9, 4), s.SetText(1, 16, "А"), s.SetText(1, 17, "1"); },
       "строка 1: узел ПС9.А не найден"},
      {[](Worksheet& s) { s.SetText(1, 14, "ПС1"), s.SetText(1, 9, "н/д"), s.SetText(1, 16, "Б"), s.SetText(1, 17, "1"); },
       "строка 1, столбец 9: \"н/д\" не является числом"},
      // a duration of hours is named as the sheet shows it, not as a day of 1899 (no fill: the book below)
      {nullptr, "строка 1, столбец 9: \"36:30\" не является числом"},
  };
  const std::string duration = BuildZip(OneSheetWorkbookParts(
      {"Замеры",
       R"(<worksheet><sheetData><row r="1"><c r="I1" s="1"><v>1.5208333333333333</v></c>)"
       R"(<c r="N1" t="inlineStr"><is><t>ПС1</t></is></c><c r="P1" t="inlineStr"><is><t>Б</t></is></c>)"
       R"(<c r="Q1"><v>1</v></c></row></sheetData></worksheet>)",
       "",
       R"(<styleSheet><numFmts><numFmt numFmtId="164" formatCode="[h]:mm"/></numFmts>)"
       R"(<cellXfs><xf numFmtId="0"/><xf numFmtId="164"/></cellXfs></styleSheet>)"}));
  for (const Case& c : cases) {
    if (c.fill)
      write(c.fill);
    else
      WriteBytes(file, duration);
    try {
      ImportMeasurementFile(base, file, {"май", 0.3});
      ADD_FAILURE() << c.reason;
    } catch (const Error& e) {
      EXPECT_EQ(e.what(), "Ошибка чтения файла \"" + file + "\": " + c.reason + ": нет данных для импорта, ничего не изменено");
    }
    EXPECT_EQ(ReadBytes(base + ".UZL"), nodesBefore) << c.reason;
    EXPECT_FALSE(fs::exists(flowFile)) << c.reason;
    EXPECT_TRUE(NoLocks()) << c.reason;
  }

  write([](Worksheet& s) { s.SetText(1, 14, "ПС1"), s.SetNumber(1, 9, 4), s.SetText(1, 16, "Б"), s.SetText(1, 17, "1"); });
  const TTableRenamer system = SetTableRenamer([&](const std::string& temp, const std::string& target) {
    if (target == flowFile) {
      errno = EACCES;
      return false;
    }
    return std::rename(temp.c_str(), target.c_str()) == 0;
  });
  EXPECT_THROW(ImportMeasurementFile(base, file, {"май", 0.3}), Error);
  SetTableRenamer(system);
  EXPECT_EQ(ReadBytes(base + ".UZL"), nodesBefore);
  EXPECT_FALSE(fs::exists(flowFile));
  EXPECT_TRUE(NoLocks());
  ImportMeasurementFile(base, file, {"май", 0.3});
  EXPECT_DOUBLE_EQ(TNumberColumn("Pn", ReadTable(base + ".UZL")).Get(2), 4);
}

// The head of a measurement book read by the one head reader: a title with a date or an approval block
// beside it over the measured columns says nothing of them, a units row under the headings scales the load,
// the columns' numbers name no substation and no node, and a heading over the load that names a period
// refuses the book before any load is reset. Each book gives node Б 4 MW at a tangent of 0.5.
TEST_F(Measurements, TheRowsAboveTheMeasurementsAreReadAsTheHeadOfTheSheet) {
  const std::string file = dir / "z.xlsx";
  const std::string nodesBefore = ReadBytes(base + ".UZL");
  struct Case {
    std::function<void(Worksheet&)> head;  // the rows above row 6
    double load;                           // the figure row 6 gives
    std::string said;                      // the refusal, "" for a book taken
  };
  const std::string periodsWhy = " - номера часов, дней, месяцев или лет, а не заголовки столбцов, ничего не изменено";
  const std::vector<Case> cases = {
      {[](Worksheet& s) { s.SetText(1, 1, "Замеры нагрузок"), s.SetText(1, 9, "Дата: 16.12.2026"); }, 4, ""},
      {[](Worksheet& s) {
         s.SetText(1, 9, "УТВЕРЖДАЮ"), s.SetText(2, 9, "Главный инженер"), s.SetText(3, 9, "_______ И.И. Иванов");
         s.SetText(4, 9, "«16» декабря 2026 г."), s.SetText(5, 9, "P, МВт"), s.SetText(5, 13, "tg");
       },
       4, ""},
      {[](Worksheet& s) { s.SetText(4, 9, "P"), s.SetText(4, 13, "tg"), s.SetText(5, 9, "кВт"); }, 4000, ""},
      {[](Worksheet& s) {
         s.SetText(4, 9, "P, МВт"), s.SetText(4, 13, "tg");
         for (int col = 1; col <= 17; ++col) s.SetNumber(5, col, col);
       },
       4, ""},
      {[](Worksheet& s) { s.SetText(5, 9, "P, кВт"); }, 4000, ""},
      // a unit a title or a note below the rows states is the measured column's: kW brought to MW, a
      // heading that says another unit refused by the cells
      {[](Worksheet& s) { s.SetText(1, 1, "Замеры нагрузок за 16.12.2026, кВт"); }, 4000, ""},
      {[](Worksheet& s) { s.SetText(8, 1, "* данные в кВт"); }, 4000, ""},
      {[](Worksheet& s) { s.SetText(5, 9, "P"), s.SetText(5, 13, "tg"), s.SetText(8, 1, "Единица измерения: МВт"); }, 4, ""},
      {[](Worksheet& s) { s.SetText(5, 9, "P, кВт"), s.SetText(5, 13, "tg"), s.SetText(8, 1, "Единица измерения: МВт"); }, 4,
       "ячейка I5: \"P, кВт\" - единица столбца 9 (замер) другого масштаба, чем в ячейке A8 \"Единица измерения: МВт\", "
       "ничего не изменено"},
      {[](Worksheet& s) { s.SetText(1, 1, "Замеры, МВт"), s.SetText(8, 1, "* данные в кВт"); }, 4,
       "ячейка A8: \"* данные в кВт\" - единица столбца 9 (замер) другого масштаба, чем в ячейке A1 \"Замеры, МВт\", "
       "ничего не изменено"},
      {[](Worksheet& s) { s.SetText(1, 1, "Замеры"), s.SetText(5, 9, "Нагрузка за ноябрь"), s.SetText(5, 13, "tg"); }, 4,
       "ячейка I5: заголовок \"Нагрузка за ноябрь\" - не заголовок столбца 9 (замер): \"ноябрь\" - период (месяц, "
       "квартал), а заголовок столбца - \"замер\", \"нагрузка\", \"мощность\", \"переток\", \"P\" или \"МВт\", ничего не изменено"},
      // an hourly load curve: numbers over the figures name hours, never a node or a quantity
      {[](Worksheet& s) {
         s.SetText(1, 1, "Фидер");
         for (int hour = 1; hour <= 24; ++hour) s.SetNumber(1, hour + 1, hour);
       },
       4, "строка 1: над столбцами значений \"8\", \"12\"" + periodsWhy},
      {[](Worksheet& s) {
         s.SetText(5, 1, "Фидер");
         for (int hour = 1; hour <= 24; ++hour) s.SetText(5, hour + 1, std::to_string(hour) + "-" + std::to_string(hour + 1));
       },
       4, "строка 5: над столбцами значений \"8-9\", \"12-13\"" + periodsWhy},
      {[](Worksheet& s) {
         s.SetText(1, 1, "Фидер");
         for (int hour = 1; hour <= 24; ++hour) s.SetText(1, hour + 1, std::to_string(hour) + " ч");
       },
       4, "строка 1: над столбцами значений \"8 ч\", \"12 ч\"" + periodsWhy},
      {[](Worksheet& s) {
         s.SetText(1, 1, "Фидер");
         for (int hour = 0; hour < 24; ++hour) s.SetText(1, hour + 2, (hour < 10 ? "0" : "") + std::to_string(hour) + ":00");
       },
       4,
       "ячейка I1: заголовок \"07:00\" - не заголовок столбца 9 (замер): \"07:00\" - час суток (период), а заголовок "
       "столбца - \"замер\", \"нагрузка\", \"мощность\", \"переток\", \"P\" или \"МВт\", ничего не изменено"},
      // the headings over the names beside the figures name no station and no node, under a units row
      // too; a note below the rows in the measured column states its unit
      {[](Worksheet& s) {
         s.SetText(5, 9, "P, МВт"), s.SetText(5, 13, "tg"), s.SetText(5, 14, "ТП"), s.SetText(5, 16, "Тр-р");
         s.SetText(5, 17, "Вид");
       },
       4, ""},
      {[](Worksheet& s) {
         s.SetText(4, 9, "P"), s.SetText(4, 13, "tg"), s.SetText(4, 14, "ТП"), s.SetText(4, 16, "Узел"), s.SetText(5, 9, "кВт");
       },
       4000, ""},
      {[](Worksheet& s) { s.SetText(8, 9, "* нагрузки в кВт"); }, 4000, ""},
      // a row that names its node is a measurement, whatever its figures count
      {[](Worksheet& s) {
         s.SetNumber(5, 9, 8), s.SetNumber(5, 13, 12), s.SetText(5, 14, "ПС1"), s.SetText(5, 16, "В"), s.SetText(5, 17, "1");
       },
       4, ""},
  };
  for (const Case& c : cases) {
    WriteBytes(base + ".UZL", nodesBefore);
    Workbook book;
    Worksheet& s = book.sheets.emplace_back("Замеры");
    c.head(s);
    s.SetNumber(6, 9, c.load), s.SetNumber(6, 13, 0.5), s.SetText(6, 14, "ПС1"), s.SetText(6, 16, "Б"), s.SetText(6, 17, "1");
    WriteXlsx(file, book);
    std::string said;
    std::vector<std::string> info;
    try {
      info = ImportMeasurementFile(base, file, {"май", 0.3});
    } catch (const Error& e) {
      said = e.what();
    }
    TDataFile nodes = ReadTable(base + ".UZL");
    TNodeCols n;
    FillNodeCols(nodes, n);
    if (c.said.empty()) {
      EXPECT_EQ(said, "") << c.load;
      EXPECT_EQ(info, std::vector<std::string>{}) << c.load;
      EXPECT_EQ(n.Pn->Get(2), 4) << c.load;
      EXPECT_EQ(n.Qn->Get(2), 2) << c.load;
    } else {
      EXPECT_EQ(said, "Ошибка чтения файла \"" + file + "\": лист \"Замеры\", " + c.said) << said;
      EXPECT_EQ(ReadBytes(base + ".UZL"), nodesBefore);
    }
    EXPECT_TRUE(NoLocks());
  }
}

// Node names holding the separator that joined a branch's end names once: a row naming such a line
// finds it, and one whose names only line up across the separator finds none.
TEST_F(Measurements, NamesWithTheBranchSeparatorFindTheirLine) {
  TDataFile nodes = ReadTable(base + ".UZL");
  TNodeCols n;
  FillNodeCols(nodes, n);
  n.Name->SetItem(1, "ПС1.А ~ ПС1.Б");
  n.Name->SetItem(2, "ПС1.Б ~ ПС1.В");
  WriteTableFile(base + ".UZL", nodes);
  TDataFile branches = ReadTable(base + ".VET");
  TBranchCols b;
  FillBranchCols(branches, b);
  (*b.N1)[1] = 10, (*b.N2)[1] = 30;  // "ПС1.А ~ ПС1.Б" - "ПС1.В": joined, it reads like ("ПС1.А", "ПС1.Б ~ ПС1.В")
  (*b.N1)[2] = 20, (*b.N2)[2] = 30;
  WriteTableFile(base + ".VET", branches);

  Workbook book;
  book.sheets.emplace_back("Замеры");
  Worksheet& s = book.sheets.front();
  s.SetText(1, 14, "ПС1");
  // "ПС1.А" - "ПС1.Б ~ ПС1.В" joins to the text of the first line, yet "ПС1.А" is no node
  s.SetNumber(1, 9, 0.2), s.SetText(1, 15, "А"), s.SetText(1, 16, "Б ~ ПС1.В");
  s.SetNumber(2, 9, 0.3), s.SetText(2, 15, "Б ~ ПС1.В"), s.SetText(2, 16, "В");   // the second line
  WriteXlsx(dir / "z.xlsx", book);
  const std::vector<std::string> info = ImportMeasurementFile(base, dir / "z.xlsx", {"", 0.5});
  EXPECT_EQ(info, (std::vector<std::string>{"Строка 1: ветвь ПС1.А - ПС1.Б ~ ПС1.В не найдена"}));
  TDataFile flows = ReadTable(base + GetMaketExtention(LayoutLineFlows));
  TLineFlowCols f;
  FillLineFlowCols(flows, f);
  ASSERT_EQ(f.RowCount, 1);
  EXPECT_EQ(std::tuple(f.N1->Get(1), f.N2->Get(1), f.Pr->Get(1), f.Qr->Get(1)), std::tuple(20, 30, 300.0, 150.0));
}

// Damaged measurement workbooks: each is imported, or refused naming the workbook with the scheme's files
// byte for byte as they were and no lock left; never a crash (the sanitizer build watches).
TEST_F(Measurements, DamagedWorkbooksAreImportedOrRefusedWithTheSchemeIntact) {
  WriteLayoutSubset(dir / "maket.zr", {LayoutNodes, LayoutBranches, LayoutLineFlows});
  MaketFileName = dir / "maket.zr";
  const std::vector<XlsCell> cells = {
      {XlsCell::Text, 1, 14, 0, "ПС1"},  {XlsCell::Number, 1, 9, 4, ""},   {XlsCell::Text, 1, 16, 0, "А, Б"},
      {XlsCell::Text, 1, 17, 0, "1"},    {XlsCell::Number, 2, 9, 1, ""},   {XlsCell::Number, 2, 13, 0.5, ""},
      {XlsCell::Text, 2, 16, 0, "В"},    {XlsCell::Text, 2, 17, 0, "2"},   {XlsCell::Number, 3, 9, 0.3, ""},
      {XlsCell::Text, 3, 15, 0, "В"},    {XlsCell::Text, 3, 16, 0, "Б"},   {XlsCell::Number, 4, 9, 2.5, ""},
      {XlsCell::Text, 4, 16, 0, "Т1"},   {XlsCell::Text, 4, 17, 0, "1"}};
  const std::string valid = BuildXls(cells);
  const std::string file = dir / "замеры.xls";
  const std::string flowFile = base + GetMaketExtention(LayoutLineFlows);
  std::mt19937 random(20261209);
  constexpr int kRounds = 2000;
  int refused = 0;
  // Most rounds import into tables held in memory; every tenth goes through the scheme's files.
  TDataFile nodes = ReadTable(base + ".UZL"), branches = ReadTable(base + ".VET"), flows;
  ReadMaket(LayoutLineFlows, flows);
  for (int round = 0; round < kRounds; ++round) {
    WriteBytes(file, Mutate(valid, random));
    const auto refusal = [&](const Error& e) {
      ++refused;
      const std::string text = e.what();
      EXPECT_EQ(text.rfind("Ошибка чтения файла \"" + file + "\": ", 0), 0u) << text;
    };
    if (round % 10 != 0) {
      CreateColumns(flows, 0);
      try {
        TSheetReader sheet;
        sheet.Open(file);
        ImportMeasurements(sheet, nodes, branches, flows, {"май", 0.3}, file);
      } catch (const Error& e) {
        refusal(e);
      }
      continue;
    }
    const std::string nodeBytes = ReadBytes(base + ".UZL"), branchBytes = ReadBytes(base + ".VET"),
                      flowBytes = ReadBytes(flowFile);
    try {
      ImportMeasurementFile(base, file, {"май", 0.3});
    } catch (const Error& e) {
      refusal(e);
      ASSERT_EQ(ReadBytes(base + ".UZL"), nodeBytes) << round;
      ASSERT_EQ(ReadBytes(flowFile), flowBytes) << round;
    }
    ASSERT_EQ(ReadBytes(base + ".VET"), branchBytes) << round;
    ASSERT_TRUE(NoLocks()) << round;
  }
  EXPECT_GT(refused, kRounds / 20);
  EXPECT_LT(refused, kRounds);
}

}  // namespace
}  // namespace ld::test
