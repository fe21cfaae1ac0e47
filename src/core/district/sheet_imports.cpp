#include "core/district/sheet_imports.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/base/column_headings.h"
#include "core/base/error.h"
#include "core/base/import_number.h"
#include "core/base/sheet_scale.h"
#include "core/base/codepage.h"
#include "core/district/feeder_measure.h"
#include "core/district/subscriber_xls.h"
#include "core/district/tp_measure.h"
#include "core/tables/table_ops.h"

namespace ld {

namespace {

// What people write over a transformer's rated power, in kVA (over the first of a station's, or of the
// transformer `designation`).
std::vector<const char*> RatedPowerHeadings(const char* designation = "Т1") {
  return {"S", "Sном", "Sн", "кВА", "кВ*А", "Уст. мощ.", "мощность", "номинальная", designation, "Тр"};
}
const std::vector<const char*> kRatedPowerHeadings = RatedPowerHeadings();

// A station's load (or that of its transformer `designation`) in the unit of the measurement type the
// command is given.
std::function<TSheetHeadings(double)> StationLoadHeadings(const char* designation = "Т1") {
  return [designation](double setting) -> TSheetHeadings {
    switch (MeasurementType(static_cast<float>(setting))) {
      case 3:
        return {{"нагрузка", "ток", "замер", "I", "А", designation}, "тип замера 3 - А"};
      case 5:
        return {{"нагрузка", "энергия", "расход", "потребление", "замер", "W", "кВт*ч", designation},
                "тип замера 5 - кВт*ч"};
      default:
        return {{"нагрузка", "мощность", "замер", "P", "кВт", designation}, "тип замера 2 - кВт"};
    }
  };
}

}  // namespace

const std::vector<TSheetImport>& SheetImports() {
  using enum TSheetColumnKind;
  using enum TSheetColumnNeed;
  static const std::vector<TSheetImport> imports = {
      // under its headings: a readings statement's meter type is no station, its reading no energy
      {kMeterPointsSheet, {LayoutMeterPoints}, true, 2,
       {{1, RowNumber, "номер строки", {"№", "N", "п/п", "номер"}, true, Shape},
        {2, Name, "договор", {"договор", "номер договора", "дог"}, false},
        {6, StationPath, "ТП.Тр.Фидер", {"ТП", "РП", "номер ТП", "ТП.Тр.Фидер", "подстанция", "питание"}, true, Shape},
        // the point's figures: its power in kW, its meter's factor, its energy and the part of it that the
        // transformer's or the line's losses take, in kW·h or kvar·h as the meter counts
        {8, Number, "мощность", {"P", "кВт", "мощность", "разрешенная"}, false},
        {11, Number, "коэффициент счетчика", {"Ксч", "Ктт", "Ктн", "Красч", "коэффициент"}, false},
        {12, Name, "вид энергии", {}, false},
        {13, Number, "энергия", {"W", "энергия", "расход", "кВт*ч", "квар*ч"}, false},
        {14, Number, "потери трансформатора или линии",
         {"доля", "потери", "Wт", "Wл", "dW", "Wпот", "кВт*ч", "квар*ч"}, false}},
       0,
       [](std::vector<TDataFile>& t, const TSheetCells& cells, const TSheetImportRun& run) {
         return ReadMeterPointsSheet(cells, t[0], *run.Messages, run.Progress, run.Held);
       },
       // a sheet kept without its title or its headings begins at its first point
       kSubscriberBooksCommand, "база промышленных абонентов", true, {}, false, false, FirstPointRow, MeterPointsGap},
      // a station's row above its feeders is the reader's own: the rows taken are the feeders'; the format
      // has no headings, but a row of them wherever a book puts one (a row of texts where a station's
      // name stands) says what the counts and energies below it are
      {kHouseholdsSheet, {LayoutHouseholds}, true, 0,
       {{1, Digits, "номер фидера", {}, true, Shape},
        {2, Name, "фидер", {}, false},
        {3, Number, "число абонентов",
         {"абоненты", "кол-во абонентов", "количество абонентов", "число абонентов", "лицевых счетов", "л/с",
          "потребителей"}},
        {4, Number, "потребление", {"W", "энергия", "потребление", "расход", "кВт*ч", "потребление абонентов"}, false}},
       0,
       [](std::vector<TDataFile>& t, const TSheetCells& cells, const TSheetImportRun& run) {
         return ReadHouseholdsSheet(cells, t[0], *run.Messages, run.Progress, run.Held);
       },
       kSubscriberBooksCommand, "база бытовых абонентов", true,
       [](const TSheetCells& cells, int row) {
         const TValueRead<std::string> name = cells(row, 1).Name();
         return !name || IsFeederNumber(*name.Value);
       },
       true, false, {}, HouseholdsGap},
      // every row names an input or a feeder whose energies it replaces: an empty one would be taken as 0
      // an energy left empty is read as empty, as the reader takes it; a title and the headings above the
      // first measured row are passed over, each heading saying the energy it stands over (in kW·h and
      // kvar·h, numbered W1 to W4 in the columns' order), the first two the energy the input or feeder takes
      // (A+, R+), the last two the energy it gives back (A-, R-: the reverse flow "P обр.", "Q обр.")
      {kTechnicalSheet, {LayoutSubstInputs, LayoutSubstFeeders}, false, 1,
       {{1, Name, "ввод или фидер"},
        {2, Number, "активная энергия", {"W1", "P", "W", "кВт*ч", "активная"}, true, Shape, {}, +1},
        {3, Number, "реактивная энергия", {"W2", "Q", "Wq", "квар*ч", "реактивная"}, false, Shape, {}, +1},
        {4, Number, "активная энергия", {"W3", "P", "W", "кВт*ч", "активная"}, false, Shape, {}, -1},
        {5, Number, "реактивная энергия", {"W4", "Q", "Wq", "квар*ч", "реактивная"}, false, Shape, {}, -1}},
       0,
       [](std::vector<TDataFile>& t, const TSheetCells& cells, const TSheetImportRun& run) {
         return ReadTechnicalSheet(cells, t[0], t[1], *run.Messages, run.Progress, run.Stage, run.Held);
       },
       kSubscriberBooksCommand, "база технических учетов", false, {}, false, true, {}, {}, true},
      // two active and two reactive values a row, under a row of headings wherever the sheet puts one
      {kFeederMeasureSheet, {LayoutSubstInputs, LayoutSubstFeeders}, false, 0,
       {{3, Name, "ввод или фидер"},
        {8, Number, "активное значение", {"P", "W", "кВт", "кВт*ч", "активная"}},
        {12, Number, "активное значение", {"P", "W", "кВт", "кВт*ч", "активная"}, false},
        {18, Number, "реактивное значение", {"Q", "Wq", "кВАр", "квар*ч", "реактивная"}, false},
        {22, Number, "реактивное значение", {"Q", "Wq", "кВАр", "квар*ч", "реактивная"}, false}},
       0,
       [](std::vector<TDataFile>& t, const TSheetCells& cells, const TSheetImportRun& run) {
         return ImportFeederMeasurements(t[0], t[1], cells, *run.Messages, run.Stage, run.Progress);
       },
       "Импорт замеров 10(6) кВ (Тальмиры)", "", false, {}, true},
      // a transformer's row below headings and captions wherever the sheet puts them (a row whose rated
      // power shows no digits), its load in kW
      {kTransformerMeasureSheet, {LayoutTransTP}, false, 0,
       {{3, Name, "ТП"},
        {5, Digits, "номинальная мощность", kRatedPowerHeadings},
        {8, Number, "нагрузка", {"нагрузка", "мощность", "замер", "P", "кВт"}, false}},
       0,
       [](std::vector<TDataFile>& t, const TSheetCells& cells, const TSheetImportRun& run) {
         return ImportTPMeasurements(t[0], cells, run.Setting, *run.Messages, run.Progress);
       },
       "Импорт замеров ТП (Ворсел)", "", false, {}, true},
      // one row per station: its total rated power and load, or (under a heading in column 4) those of
      // Т1 to Т3 side by side
      {kStationMeasureSheet, {LayoutTransTP}, false, 1,
       {{1, Name, "ТП"},
        {2, Number, "номинальная мощность", kRatedPowerHeadings, false},
        // a load in kW, A or kW·h, as the measurement type says
        {3, Number, "нагрузка", {}, true, Whole, StationLoadHeadings()},
        {4, Number, "номинальная мощность Т2", RatedPowerHeadings("Т2"), false},
        {5, Number, "нагрузка Т2", {}, false, Whole, StationLoadHeadings("Т2")},
        {6, Number, "номинальная мощность Т3", RatedPowerHeadings("Т3"), false},
        {7, Number, "нагрузка Т3", {}, false, Whole, StationLoadHeadings("Т3")}},
       4,
       [](std::vector<TDataFile>& t, const TSheetCells& cells, const TSheetImportRun& run) {
         // a remarks column after a station's own columns, as the check tells it
         const TSheetImport& stations = FindSheetImport(kStationMeasureSheet);
         return ImportTPStationMeasurements(
             t[0], cells, MeasurementType(static_cast<float>(run.Setting)), *run.Messages, run.Progress,
             [&cells, &stations](int row) { return SheetColumnsBeyond(stations, cells, row); });
       },
       "Импорт замеров ТП", ""},
  };
  return imports;
}

namespace {

bool IsDigit(char32_t ch) { return ch >= U'0' && ch <= U'9'; }
template <typename Test>
bool AnyChar(std::string_view text, Test test) {
  for (std::size_t pos = 0; pos < text.size();)
    if (test(NextUtf8Char(text, pos))) return true;
  return false;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Empty when the cell holds what its column does; otherwise why not. A cell that cannot be read, or
// that shows a merged range's value, holds a value all the same: the reader names it by its cell.
std::string Lacks(const TSheetColumn& column, const TOutsideValue& cell) {
  if (cell.Kind() == TOutsideValue::TKind::Unreadable || !cell.CoveredFault().empty()) return {};
  if (cell.Blank()) return "ячейка пуста";
  const TValueRead<std::string> name = cell.Name();
  const std::string shown = name ? Quoted(*name.Value) : std::string();
  const bool date = cell.Kind() == TOutsideValue::TKind::Date;
  switch (column.Kind) {
    case TSheetColumnKind::Name:
      return {};
    case TSheetColumnKind::Number: {
      const TValueRead<double> number = cell.Number();
      return number ? std::string() : number.Fault;
    }
    case TSheetColumnKind::Digits:
      if (date) return "дата " + shown + " - не число";
      return !name || AnyChar(*name.Value, IsDigit) ? std::string() : "в ячейке нет цифр";
    // the industrial reader's own rule for a row's number and its station
    case TSheetColumnKind::RowNumber:
      return MeterPointNumberFault(cell);
    case TSheetColumnKind::StationPath:
      return MeterPointStationFault(cell);
  }
  return {};
}

std::string Cell(int row, int col) { return "ячейка " + SheetCellName(row, col) + ": "; }

// The columns whose values tell a row of data from a row of titles or headings, and the last column.
std::vector<int> NumberColumns(const TSheetImport& import) {
  std::vector<int> numbers;
  for (const TSheetColumn& column : import.Columns)
    if (column.Kind == TSheetColumnKind::Number) numbers.push_back(column.Col);
  return numbers;
}
int LastColumn(const TSheetImport& import) {
  int last = 0;
  for (const TSheetColumn& column : import.Columns) last = std::max(last, column.Col);
  return last;
}

}  // namespace

bool SheetColumnsBeyond(const TSheetImport& import, const TSheetCells& cells, int row) {
  if (import.Beyond <= 0) return false;
  const TOutsideValue cell = cells(row, import.Beyond);
  if (cell.Blank()) return true;
  const TValueRead<std::string> heading = cell.Heading();
  if (!heading || cell.Kind() != TOutsideValue::TKind::Text) return false;
  // the words of the columns from Beyond on and of the others (a setting's own words aside: any of them
  // names a quantity the reader reads)
  std::vector<const char*> own, others;
  for (const TSheetColumn& column : import.Columns) {
    const std::vector<const char*> words = column.HeadingsOf ? column.HeadingsOf(0).Words : column.Headings;
    std::vector<const char*>& to = column.Col >= import.Beyond ? own : others;
    to.insert(to.end(), words.begin(), words.end());
  }
  if (HeadingSays(*heading.Value, own, others) || !HeadingNamesOther(*heading.Value, own, others).empty()) return false;
  // remarks hold no figure: a figure there is one of the reader's columns, whatever its heading says
  const int key = import.Columns.front().Col, last = LastColumn(import);
  for (int r = row + 1, empty = 0; empty < kEndOfRows; ++r) {
    empty = cells(r, key).Blank() ? empty + 1 : 0;
    for (int col = import.Beyond; col <= last; ++col) {
      const TOutsideValue below = cells(r, col);
      if (!below.Blank() && (below.Kind() != TOutsideValue::TKind::Text || below.Number())) return false;
    }
  }
  return true;
}

namespace {

std::string Column(const TSheetColumn& column) {
  return "столбец " + std::to_string(column.Col) + " (" + column.Title + ")";
}

// Why the row where a sheet's headings are looked for is one of its data, saying what it holds; empty when
// it is none. The command takes the first row as the headings: a first row of values (a book kept without
// its headings: the name in its key cell and the values over the figure columns, each as the sheet shows
// it), or a name alone over names of its kind where the headings stand (a households book's station over
// its inputs, NameAlone), would be read as a book of other columns, or its first row lost.
std::string HeadingsRowOfData(const TSheetCells& cells, const TSheetHead& head, int key, const std::vector<int>& numbers,
                              int last) {
  const auto shown = [&](int row, int col) {
    const TOutsideValue cell = cells(row, col);
    const TValueRead<std::string> text = cell.Name();
    return text ? Quoted(*text.Value) : "ячейка " + SheetCellName(row, col);
  };
  const std::string notHeadings = ", а не заголовков; первая строка листа - заголовки столбцов, лист без них не читается";
  if (head.Heading == 0 && head.First == 1 && RowHoldsValue(cells, 1, numbers)) {
    std::string figures;
    for (const int col : numbers)
      if (RowHoldsValue(cells, 1, {col})) figures += (figures.empty() ? "" : ", ") + shown(1, col);
    const std::string name = cells(1, key).Blank() ? std::string() : "имя " + shown(1, key) + " и ";
    return "строка 1: " + name + "числа " + figures + " - строка значений" + notHeadings;
  }
  if (head.Heading > 0)
    if (const TNameAlone name = NameAlone(cells, head.Heading, last); name.Below > 0)
      return "строка " + std::to_string(head.Heading) + ": одно имя " + shown(head.Heading, name.Col) + ", как имя " +
             shown(name.Below, name.Col) + " в строке " + std::to_string(name.Below) + ", - строка данных" + notHeadings;
  return {};
}

}  // namespace

namespace {

// SheetKindFault with the headings looked for in headingRow (0: none) and the rows of data from
// firstRow; mayBeginAbove: the reader's rows may begin above firstRow (FirstDataRow).
std::string KindFaultFrom(const TSheetImport& import, const TSheetCells& cells, double setting, int headingRow,
                          int firstRow, bool mayBeginAbove) {
  const std::string other = std::string("не подходит для команды \"") + import.Command + "\"" +
                            (*import.Part != 0 ? std::string(" (") + import.Part + ")" : std::string()) + ": ";
  // by each column, its heading words under the command's setting, and those of the columns that hold
  // something else
  std::vector<TSheetHeadings> headings;
  for (const TSheetColumn& column : import.Columns)
    headings.push_back(column.HeadingsOf ? column.HeadingsOf(setting) : TSheetHeadings{column.Headings, {}});
  std::vector<std::vector<const char*>> others(import.Columns.size());
  for (std::size_t i = 0; i < import.Columns.size(); ++i)
    for (std::size_t j = 0; j < import.Columns.size(); ++j)
      if (std::string_view(import.Columns[j].Title) != import.Columns[i].Title)
        others[i].insert(others[i].end(), headings[j].Words.begin(), headings[j].Words.end());
  const std::vector<int> numbers = NumberColumns(import);
  const int last = LastColumn(import), key = import.Columns.front().Col;
  // a title of texts alone, with no word over the number columns, where every row of the data holds a
  // value there: a sheet whose headings stand in its first rows
  const bool bareTitles = import.TitleRows || (import.HeadingRow == 1 && !import.FirstDataRow);
  // the headings over its own columns say what the columns hold, each with the row below it that goes on
  // with it (its unit, its wrapped words); a title above them says nothing of them. Every heading that
  // says another thing is named, so that one edit of the book mends them all.
  const auto headingFault = [&](int row) -> std::string {
    if (!import.FirstDataRow && SheetTitleRow(cells, row, numbers, last, bareTitles)) return {};
    const int below = UnderHeadings(cells, row + 1, key, numbers, last) ? row + 1 : 0;
    std::string faults;
    std::vector<std::string> figures;  // the headings over the figure columns, which name one period
    const bool unread = import.Beyond > 0 && SheetColumnsBeyond(import, cells, row);
    for (std::size_t i = 0; i < import.Columns.size(); ++i) {
      const TSheetColumn& column = import.Columns[i];
      const std::vector<const char*>& words = headings[i].Words;
      if (words.empty()) continue;
      // the columns from an empty heading after the sheet's own on are none the reader reads
      if (unread && column.Col >= import.Beyond) continue;
      const TOutsideValue cell = cells(row, column.Col);
      TValueRead<std::string> heading = cell.Heading();
      // a heading that cannot be read is named by its cell, after the headings named before it
      if (!heading) return faults.empty() ? Cell(row, column.Col) + heading.Fault : faults;
      // a unit or the rest of the words in the row below (neither a number nor the cell merged down)
      if (below > 0)
        if (const TOutsideValue more = cells(below, column.Col);
            more.Kind() == TOutsideValue::TKind::Text && more.CoveredFault().empty() && !more.Number())
          if (const TValueRead<std::string> rest = more.Heading(); rest && !rest.Value->empty())
            *heading.Value += (heading.Value->empty() ? "" : ", ") + *rest.Value;
      if (heading.Value->empty()) continue;
      // a date names no quantity, whatever its digits; an hour of the day (a load curve's "00:00") is read as the
      // heading rule reads it, a period
      std::string fault = cell.Kind() == TOutsideValue::TKind::Date && !HeadingIsTimeOfDay(*heading.Value)
                              ? "это дата, а заголовок столбца - " + HeadingWordsText(words)
                              : HeadingFault(*heading.Value, words, others[i], column.Direction);
      if (fault.empty()) {
        if (column.Kind == TSheetColumnKind::Number) figures.push_back(*heading.Value);
        continue;
      }
      if (!headings[i].Setting.empty()) fault += " (" + headings[i].Setting + ")";
      faults += (faults.empty() ? other : "; ") + Cell(row, column.Col) + "заголовок " + Quoted(*heading.Value) +
                " - не заголовок столбца " + std::to_string(column.Col) + " (" + column.Title + "): " + fault;
    }
    if (faults.empty())
      if (const std::string periods = HeadingsPeriodFault(figures); !periods.empty())
        return other + "строка " + std::to_string(row) + ": " + periods;
    return faults;
  };
  // a sheet whose headings stand in its first row may have titles above them, and rows below them that go
  // on with them; a sheet without them begins with its data, as the reader takes it (SheetHeadRows)
  int beyondRow = headingRow;  // where the heading after the sheet's own columns stands
  if (headingRow == 1 && !import.FirstDataRow) {
    const TSheetHead head = SheetHeadRows(cells, 1, key, numbers, last);
    // numbers that go up by one from column to column over every figure column (hours, days, months,
    // years; "1-2", "2-3": the hours of a load curve) head a table of periods: a row of their headings,
    // never a row of figures (PeriodNumbersFault).
    // A row of values stands where the headings do only when its key cell names no row of the data: it
    // is empty, a word without a figure ("Фидер", "Наименование"), or the period right before the first
    // figure column's ("1" of "1 … 12"); the names of inputs and feeders carry their numbers ("ПС-1.1",
    // "Ф-10"), and a row of them is a row of figures, whatever the figures are.
    const auto keyHeads = [&](int row) {
      const TOutsideValue cell = cells(row, key);
      if (cell.Blank()) return true;
      if (const std::optional<int> n = CellPeriodNumber(cell))
        return *n == *CellPeriodNumber(cells(row, numbers[0])) - (numbers[0] - key);
      const TValueRead<std::string> text = cell.Name();
      return cell.Kind() == TOutsideValue::TKind::Text && text && !AnyChar(*text.Value, IsDigit);
    };
    // (in the row of headings, a row the titles took, or the first of the data where it stands as one)
    for (int row = 1; row <= (head.Heading > 0 ? head.Heading : head.First); ++row)
      if (const std::string periods = PeriodNumbersFault(cells, row, numbers);
          !periods.empty() && (row != head.First || keyHeads(row)))
        return other + "строка " + std::to_string(row) + ": " + periods;
    // the command takes the first row as the headings
    if (import.HeadingsInFirstRow)
      if (const std::string fault = HeadingsRowOfData(cells, head, key, numbers, last); !fault.empty()) return other + fault;
    if (head.Heading > 0)
      if (std::string fault = headingFault(head.Heading); !fault.empty()) return fault;
    beyondRow = head.Heading;
    headingRow = 0;
    firstRow = head.First;
  }
  if (headingRow > 0)
    if (std::string fault = headingFault(headingRow); !fault.empty()) {
      // a name alone over a row of values where the headings stand is a row of the data, no heading
      if (const int values = NameAloneOverValues(cells, headingRow, last); values > 0)
        for (int col = 1; col <= last + kTitleReach; ++col)
          if (const TValueRead<std::string> name = cells(headingRow, col).Name(); name && !name.Value->empty()) {
            fault = other + Cell(headingRow, col) + Quoted(*name.Value) + " - одно имя над строкой " +
                    std::to_string(values) + " со значениями: строка данных, а не заголовков столбцов, которые стоят в "
                    "строке " + std::to_string(headingRow);
            break;
          }
      // No heading there, but the reader's rows may begin above it (a sheet kept without its title or
      // without its headings): the sheet is of the kind when the row above them holds its headings or a
      // title of one cell, and the rows from there are what the reader takes; otherwise the fault stands.
      const int first = mayBeginAbove && import.FirstDataRow ? import.FirstDataRow(cells) : firstRow;
      if (first >= firstRow) return fault;
      int filled = 0;
      for (const TSheetColumn& column : import.Columns) filled += first > 1 && !cells(first - 1, column.Col).Blank();
      const bool headed = first > 1 && headingFault(first - 1).empty();
      if (first > 1 && !headed && filled > 1) return fault;
      // the row taken first where the headings were looked for is a whole row of the sheet's
      for (const TSheetColumn& column : import.Columns)
        if (column.InEveryRow && !Lacks(column, cells(first, column.Col)).empty()) return fault;
      return KindFaultFrom(import, cells, setting, headed ? first - 1 : 0, first, false).empty() ? std::string() : fault;
    }
  // a row of data holds a value, or shows digits where a rated power stands ("400 кВА"), as the reader
  // tells its rows from headings; a row of headings none
  const auto holdsValue = [&](int row) {
    return RowHoldsValue(cells, row, numbers) ||
           std::any_of(import.Columns.begin(), import.Columns.end(), [&](const TSheetColumn& column) {
             if (column.Kind != TSheetColumnKind::Digits) return false;
             const TOutsideValue cell = cells(row, column.Col);
             if (cell.Kind() == TOutsideValue::TKind::Unreadable || !cell.CoveredFault().empty()) return true;
             const TValueRead<std::string> shown = cell.Heading();
             return shown && AnyChar(*shown.Value, IsDigit);
           });
  };
  const bool beyond = import.Beyond > 0 && cells(beyondRow, import.Beyond).Blank();
  bool whole = false, data = false;
  std::string first;  // why the first row of the data is none of the sheet's
  // whether every row is to be looked at, or the first whole one tells
  const bool everyRow = beyond || import.HeadingsAmongRows ||
                        std::any_of(import.Columns.begin(), import.Columns.end(),
                                    [](const TSheetColumn& c) { return c.Need != TSheetColumnNeed::Whole; });
  bool gap = false;  // an empty row below the data
  for (int row = firstRow, empty = 0; empty < kEndOfRows; ++row) {
    const TOutsideValue keyCell = cells(row, key);
    // a row of a merged range alone is passed over, as the readers pass it
    if (keyCell.RangeOnly()) continue;
    // the units, the column numbers or the second row of the headings above, as the readers pass them
    if (UnderHeadings(cells, row, key, numbers, last)) continue;
    if (keyCell.Blank() && import.BlankWithin && import.BlankWithin(cells, row)) continue;
    if (keyCell.Blank()) {
      gap = data;
      if (import.FirstBlankEnds) {
        // an empty cell that may be a formula never calculated is no end: its advice, as the reader's
        if (std::string fault = keyCell.EndFault(); !fault.empty()) return Cell(row, key) + fault;
        break;
      }
      ++empty;
      continue;
    }
    empty = 0;
    // a block below the data after an empty row (last month's, under its title and headings) ends them,
    // as the reader ends its rows there
    if (import.TitleRows && gap && BlockBelow(cells, row, numbers)) break;
    gap = false;
    // a value under an empty heading after the sheet's own columns would be passed over without a word
    if (beyond && !cells(row, import.Beyond).Blank())
      return other + Cell(row, import.Beyond) + "значение в столбце " + std::to_string(import.Beyond) +
             ", над которым нет заголовка";
    // a row of headings among the rows, a row the reader takes as none of its own too (a households
    // book's row of texts where a station stands): what it writes over the columns says what they hold
    if (import.HeadingsAmongRows && !holdsValue(row))
      if (std::string fault = headingFault(row); !fault.empty()) return fault;
    if (import.RowTaken && !import.RowTaken(cells, row)) continue;
    // a title or a heading above the data, as the reader passes it by
    if (import.TitleRows && !data && !numbers.empty()) {
      if (!holdsValue(row)) {
        // what a row of headings there writes over the columns says what they hold
        if (RowOfHeadings(cells, row, numbers))
          if (std::string fault = headingFault(row); !fault.empty()) return fault;
        continue;
      }
      data = true;
    }
    // what every row taken must hold: a row of another kind of sheet is told by its cell
    for (const TSheetColumn& column : import.Columns) {
      if (column.Need == TSheetColumnNeed::Whole) continue;
      const TOutsideValue cell = cells(row, column.Col);
      if (cell.Blank() && column.Need == TSheetColumnNeed::Shape) continue;
      if (const std::string lacks = Lacks(column, cell); !lacks.empty())
        return other + "строка " + std::to_string(row) + ", " + Column(column) + ": " + lacks;
    }
    if (!whole)
      whole = std::all_of(import.Columns.begin(), import.Columns.end(), [&](const TSheetColumn& column) {
        if (!column.InEveryRow) return true;
        const std::string lacks = Lacks(column, cells(row, column.Col));
        if (!lacks.empty() && first.empty())
          first = "строка " + std::to_string(row) + ", столбец " + std::to_string(column.Col) + ": " + lacks;
        return lacks.empty();
      });
    if (whole && !everyRow) break;
  }
  if (whole) return {};
  std::string columns;
  for (const TSheetColumn& column : import.Columns)
    if (column.InEveryRow) columns += (columns.empty() ? "" : ", ") + Column(column);
  return other + "нет ни одной строки, в которой заполнены " + columns + (first.empty() ? "" : " (" + first + ")");
}

// The sheet as a reader takes it: each figure column in its own unit, as the head of the sheet states it
// (SheetScaledCells), under the words the command's setting gives the column.
TSheetCells ScaledCells(const TSheetImport& import, const TSheetCells& cells, double setting) {
  std::vector<TScaledColumn> columns;
  for (const TSheetColumn& column : import.Columns)
    if (column.Kind == TSheetColumnKind::Number || column.Kind == TSheetColumnKind::Digits)
      columns.push_back({column.Col, column.Title, column.HeadingsOf ? column.HeadingsOf(setting).Words : column.Headings});
  return SheetScaledCells(cells, import.Columns.front().Col, LastColumn(import), NumberColumns(import), columns);
}

}  // namespace

std::string SheetKindFault(const TSheetImport& import, const TSheetCells& cells, double setting) {
  // a sheet whose data end at their first empty key begin below the titles that leave the key empty,
  // as its reader takes them
  // a format whose headings stand below its title has them below the labels there too
  const int heading = import.HeadingRow > 1
                          ? HeadingRowBelowLabels(cells, import.HeadingRow, NumberColumns(import), LastColumn(import))
                          : import.HeadingRow;
  const int first = import.HeadingRow == 0 && import.FirstBlankEnds
                        ? RowBelowTitles(cells, import.Columns.front().Col, NumberColumns(import), LastColumn(import))
                        : heading + 1;
  return KindFaultFrom(import, cells, setting, heading, first, true);
}

TImportTaken TSheetImport::Read(std::vector<TDataFile>& tables, const TSheetCells& cells,
                                const TSheetImportRun& run) const {
  if (std::string fault = SheetKindFault(*this, cells, run.Setting); !fault.empty()) throw TSheetKindError(std::move(fault));
  std::vector<TDataFile> before(tables.size());
  for (std::size_t i = 0; i < tables.size(); ++i) CopyTable(tables[i], before[i]);
  // a refusal by a cell met after the reset leaves the tables as they were, as nothing taken does
  try {
    TImportTaken taken = Take(tables, ScaledCells(*this, cells, run.Setting), run);
    if (taken.Items <= 0) tables.swap(before);
    return taken;
  } catch (...) {
    tables.swap(before);
    throw;
  }
}

const TSheetImport& FindSheetImport(std::string_view name) {
  for (const TSheetImport& import : SheetImports())
    if (name == import.Name) return import;
  throw Error("нет чтения листа \"" + std::string(name) + "\"");
}

}  // namespace ld
