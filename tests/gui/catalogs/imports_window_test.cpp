// The import menu of the graph catalogue window: "*.LB" files, another catalogue, and the workbooks of
// the two metering systems as .xlsx and as legacy .xls files.
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QToolButton>
#include <climits>
#include <filesystem>

#include "catwin_fixture.h"
#include "core/catalogs/graph_tables.h"
#include "core/office/workbook.h"
#include "core/office/xlsx_file.h"
#include "gui/catalogs/cat_gr_form.h"
#include "support/graph_file_builder.h"
#include "support/xls_builder.h"

namespace ld::test {
namespace {

class ImportWindowTest : public CatwinTest {
protected:
  std::string Base() const { return Path("схема"); }
  // The open dialog's answer: the file's name typed into its name field, as a person does.
  static ModalScript::Step Choose(const std::string& file) {
    return [file](QDialog& d) {
      const std::filesystem::path path(file);
      auto& open = static_cast<QFileDialog&>(d);
      open.setDirectory(QString::fromStdString(path.parent_path().string()));
      Child<QLineEdit>(open, "fileNameEdit").setText(QString::fromStdString(path.filename().string()));
      open.setResult(QDialog::Accepted);
    };
  }
  struct Graph {  // a catalogue row: number, title, unit, kind, quantity letter
    int number;
    std::string title, unit;
    int kind;
    char letter;
    bool operator==(const Graph&) const = default;
  };
  std::vector<Graph> CatalogOnDisk() const {
    const auto t = OpenGraphCatalog(Base());
    TGraphCatalogCols c;
    FillGraphCatalogCols(*t, c);
    std::vector<Graph> graphs;
    for (int r = 1; r <= c.RowCount; ++r)
      graphs.push_back({c.Ngr->Get(r), c.Tit->GetItem(r), c.Unt->GetItem(r), c.Typ->Get(r), c.Zam->Get(r)});
    return graphs;
  }
  std::vector<std::pair<double, double>> ValuesOf(int number) const {
    const auto t = OpenGraphValues(Base());
    TGraphValueCols c;
    FillGraphValueCols(*t, c);
    std::vector<std::pair<double, double>> points;
    for (int r = 1; r <= c.RowCount; ++r)
      if (c.Ngr->Get(r) == number) points.emplace_back(c.Date->Get(r), c.Value->Get(r));
    return points;
  }
};

// The same cells for both file kinds: a first-system workbook with two blocks.
std::vector<XlsCell> SlicesCells() {
  std::vector<XlsCell> cells = {
      {XlsCell::Text, 1, 1, 0, "Ввод 1"}, {XlsCell::Text, 1, 2, 0, "МВт"}, {XlsCell::Number, 1, 3, 41, ""},
      {XlsCell::Text, 2, 1, 0, "Дата"},   {XlsCell::Date, 3, 1, DateSerial(2024, 3, 5), ""},
      {XlsCell::Text, 5, 1, 0, "Ввод 2"}, {XlsCell::Text, 5, 2, 0, "МВАр"}, {XlsCell::Number, 5, 3, 42, ""},
      {XlsCell::Date, 7, 1, DateSerial(2024, 3, 6), ""}, {XlsCell::Number, 7, 3, 8, ""}};
  for (int c = 2; c <= 25; c += 2) cells.push_back({XlsCell::Number, 3, c, double(c), ""});
  cells.push_back({XlsCell::Date, 4, 1, DateSerial(2024, 3, 6), ""});
  cells.push_back({XlsCell::Number, 4, 2, 1.25, ""});
  return cells;
}

std::vector<XlsCell> TypicalCells() {
  std::vector<XlsCell> cells = {{XlsCell::Text, 1, 1, 0, "ТП-4"}, {XlsCell::Text, 1, 2, 0, " мвт "},
                                {XlsCell::Number, 1, 3, 51, ""}};
  for (int c = 4; c <= 27; ++c) cells.push_back({XlsCell::Number, 1, c, 0.5 * (c - 3), ""});
  return cells;
}

void WriteXlsxCells(const std::string& path, const std::vector<XlsCell>& cells) {
  Workbook book;
  book.sheets.emplace_back("Лист1");
  for (const XlsCell& c : cells) {
    if (c.kind == XlsCell::Text) book.sheets[0].SetText(c.row, c.col, c.text);
    else if (c.kind == XlsCell::Date) book.sheets[0].SetDate(c.row, c.col, c.number);
    else book.sheets[0].SetNumber(c.row, c.col, c.number);
  }
  WriteXlsx(path, book);
}

TEST_F(ImportWindowTest, WorkbooksOfBothMeteringSystemsInBothFileKinds) {
  for (const bool legacy : {false, true}) {
    SCOPED_TRACE(legacy ? ".xls" : ".xlsx");
    std::filesystem::remove(Base() + GetMaketExtention(GraphValuesMaket));
    const std::string slices = Path(legacy ? "срезы.xls" : "срезы.xlsx");
    const std::string typical = Path(legacy ? "типовые.xls" : "типовые.xlsx");
    for (const auto& [file, cells] : {std::pair{slices, SlicesCells()}, {typical, TypicalCells()}})
      legacy ? WriteBytes(file, BuildXls(cells)) : WriteXlsxCells(file, cells);
    WriteRows(Base() + GetMaketExtention(GraphCatalogMaket), GraphCatalogMaket,
              {{"42", "Был раньше", "1", "Q", "3600", "МВАр"}});

    gui::TCatGrForm w(Base(), INT_MAX);
    w.show();
    script_.Then(Choose(slices)).Then(Choose(typical));
    w.ImpSVEItem->trigger();
    w.ImpKOEItem->trigger();
    // the block of a number already there is named in the closing message
    EXPECT_EQ(msg_.Texts(), std::vector<std::string>{"Импорт из файла \"" + slices +
                                                     "\" закончен, взято: графиков 1; не взяты:\nстрока 5: график № 42 "
                                                     "уже есть в каталоге"});
    msg_.Clear();
    EXPECT_EQ(CatalogOnDisk(), (std::vector<Graph>{{42, "Был раньше", "МВАр", 1, 'Q'},
                                                   {41, "Ввод 1", "МВт", 1, 'P'},
                                                   {51, "ТП-4", "МВт", 0, 'P'}}));
    // Hours 0, 2, .., 22 of 5 March and hour 0 of 6 March; the empty hours are left out.
    const auto first = ValuesOf(41);
    ASSERT_EQ(first.size(), 13u);
    EXPECT_EQ(std::tuple(first[11].second, first[12].second), std::tuple(24.0, 1.25));
    EXPECT_NEAR(first[12].first, 20240306.0, 1e-9);
    EXPECT_TRUE(ValuesOf(42).empty()) << "a number already there is skipped with its block";
    const auto day = ValuesOf(51);
    ASSERT_EQ(day.size(), 24u);
    EXPECT_NEAR(day[23].first, 0.864, 1e-9);
    EXPECT_EQ(day[23].second, 12);
    w.reject();
  }
}

// Texts of the metering workbooks that the catalogue cannot take whole: a title longer than the title
// field (80 characters, trimmed; one of exactly 80 goes in), a title with a character without a
// Windows-1251 code, a unit far longer than any field. Each is refused naming its cell and saying that
// nothing changed: the workbook is read whole first, so the graphs before the bad row are not stored
// either.
TEST_F(ImportWindowTest, WorkbookTextsTheCatalogueCannotTakeAreRefusedWithTheirCell) {
  const std::string eighty(80, 'T');
  std::string pairs;
  for (int i = 0; i < 16000; ++i) pairs += "a,";
  std::vector<XlsCell> typical = TypicalCells();  // row 1: a title of exactly 80 characters, spaces around
  typical[0].text = " " + eighty + " ";
  for (XlsCell c : TypicalCells()) {  // row 2: one character more
    c.row = 2;
    if (c.col == 1) c.text = eighty + "X";
    if (c.col == 3) c.number = 52;
    typical.push_back(c);
  }
  std::vector<XlsCell> slices = SlicesCells(), unit = SlicesCells();
  slices[0].text = "Ввод\u2460";
  unit[1].text = pairs;
  struct Case {
    std::string file;
    std::vector<XlsCell> cells;
    bool typical;
    std::string where;
  };
  const std::vector<Case> cases = {
      {Path("типовые.xlsx"), typical, true,
       "A2: текст \"TTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTT...\" не поместится ни в одно поле таблиц: в поле не "
       "больше 80 символов"},
      {Path("срезы.xlsx"), slices, false,
       "A1: текст \"Ввод\u2460\" нельзя записать в таблицу: у символа \"\u2460\" (U+2460) нет кода в кодировке "
       "Windows-1251"},
      {Path("единицы.xlsx"), unit, false,
       "B1: текст \"a,a,a,a,a,a,a,a,a,a,a,a,a,a,a,a,a,a,a,a,...\" не поместится ни в одно поле таблиц: в поле не "
       "больше 80 символов"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    WriteXlsxCells(c.file, c.cells);
    WriteRows(Base() + GetMaketExtention(GraphCatalogMaket), GraphCatalogMaket, {});
    msg_.Clear();
    gui::TCatGrForm w(Base(), INT_MAX);
    w.show();
    script_.Then(Choose(c.file));
    (c.typical ? w.ImpKOEItem : w.ImpSVEItem)->trigger();
    EXPECT_EQ(msg_.Texts(), std::vector<std::string>{"Ошибка чтения файла \"" + c.file + "\": лист \"Лист1\", ячейка " +
                                                     c.where + ", ничего не изменено"});
    EXPECT_EQ(CatalogOnDisk(), std::vector<Graph>{});
    w.reject();
  }
}

// An "*.LB" file through the window adds its new graph with its values and skips a number the catalogue
// holds. A file or catalogue that gives no new graph (an "*.LB" file or a workbook of known numbers,
// another catalogue of no graph or none of its graphs chosen) is refused by name, saying that nothing
// changed, and the catalogue and its values stay byte for byte.
TEST_F(ImportWindowTest, GraphImportsAddNewGraphsOrRefuseByName) {
  const std::string catalog = Base() + GetMaketExtention(GraphCatalogMaket);
  const std::string values = Base() + GetMaketExtention(GraphValuesMaket);
  WriteRows(catalog, GraphCatalogMaket, {{"42", "Был раньше", "0", "P", "3600", "%"}});
  std::vector<float> day(24);
  for (int h = 0; h < 24; ++h) day[static_cast<std::size_t>(h)] = 40.0f + static_cast<float>(h);
  const std::string lb = Path("типовые.LB");
  WriteBytes(lb, LBHeader() + LBRecord(42, "Занят", day) + LBRecord(300, "ТП-15", day));
  gui::TCatGrForm w(Base(), INT_MAX);
  w.show();
  script_.Then(Choose(lb));
  w.ImpLBItem->trigger();
  // records of a fixed size cut exactly at one's end read as a whole file: the closing message counts
  EXPECT_EQ(msg_.Texts(), std::vector<std::string>{"Импорт из файла \"" + lb +
                                                   "\" закончен, взято: записей в файле 2, новых графиков из них 1"});
  msg_.Clear();
  EXPECT_EQ(CatalogOnDisk(), (std::vector<Graph>{{42, "Был раньше", "%", 0, 'P'}, {300, "ТП-15", "%", 0, 'P'}}));
  const auto points = ValuesOf(300);
  ASSERT_EQ(points.size(), 24u);
  EXPECT_EQ(points[23].second, 63);

  std::vector<XlsCell> known = TypicalCells();
  known[2].number = 300;
  WriteXlsxCells(Path("типовые.xlsx"), known);
  const std::string none = Path("пустая.GRC"), other = Path("чужая.GRC");
  WriteRows(none, GraphCatalogMaket, {});
  WriteRows(other, GraphCatalogMaket, {{"7", "Чужой 7", "0", "P", "3600", "%"}});
  WriteRows(Path("чужая") + GetMaketExtention(GraphValuesMaket), GraphValuesMaket,
            {{"7", "20240305.036", "1.5"}});  // its values, beside it
  struct Case {
    QAction* item;
    std::string file, reason;
  };
  const std::vector<Case> cases = {{w.ImpLBItem, lb, "график № 42 уже есть в каталоге"},
                                   {w.ImpKOEItem, Path("типовые.xlsx"), "график № 300 уже есть в каталоге"},
                                   {w.ImpGRItem, none, "в каталоге нет ни одного графика"},
                                   {w.ImpGRItem, other, "не взят ни один график"}};
  const std::string before = ReadBytes(catalog) + ReadBytes(values);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    msg_.Clear();
    if (c.file == lb) WriteBytes(lb, LBHeader() + LBRecord(42, "Занят", day));
    script_.Then(Choose(c.file));
    if (c.file == other) script_.Then([](QDialog& d) { Click(d, "OKBtn"); });  // nothing chosen
    c.item->trigger();
    EXPECT_EQ(msg_.Texts(), std::vector<std::string>{"Ошибка чтения файла \"" + c.file + "\": " + c.reason +
                                                     ": нет данных для импорта, ничего не изменено"});
    EXPECT_EQ(ReadBytes(catalog) + ReadBytes(values), before);
  }
  w.reject();
}

TEST_F(ImportWindowTest, AnotherCatalogueOnlyWithBothViewsReleased) {
  WriteRows(Base() + GetMaketExtention(GraphCatalogMaket), GraphCatalogMaket, {{"8", "ТП-8", "0", "P", "3600", "%"}});
  gui::TCatGrForm w(Base(), INT_MAX);
  w.show();
  // Another base's catalogue: graph 3 is chosen in the selection list and taken over.
  const std::string other = Path("чужая");
  WriteRows(other + GetMaketExtention(GraphCatalogMaket), GraphCatalogMaket,
            {{"3", "Чужой 3", "0", "P", "3600", "%"}, {"4", "Чужой 4", "0", "P", "3600", "%"}});
  WriteRows(other + GetMaketExtention(GraphValuesMaket), GraphValuesMaket,
            {{"3", "20240305.036", "3.5"}, {"4", "20240305.036", "4.5"}});
  QTest::mouseClick(w.ValBtn, Qt::LeftButton);
  w.ImpGRItem->trigger();
  EXPECT_EQ(msg_.Texts(), std::vector<std::string>{
                              "Необходимо отжать кнопку \"Показать таблицу\" значений графика и кнопку \"Показать график\""});
  QTest::mouseClick(w.ValBtn, Qt::LeftButton);
  script_.Then(Choose(other + GetMaketExtention(GraphCatalogMaket))).Then([](QDialog& d) {
    auto& list = Child<QListWidget>(d, "LnkList");
    list.item(0)->setCheckState(Qt::Checked);
    Click(d, "OKBtn");
  });
  w.ImpGRItem->trigger();
  EXPECT_EQ(CatalogOnDisk(), (std::vector<Graph>{{3, "Чужой 3", "%", 0, 'P'}, {8, "ТП-8", "%", 0, 'P'}}));
  w.reject();
}

}  // namespace
}  // namespace ld::test
