#include "core/district/sheet_imports.h"

#include <algorithm>
#include <cmath>

#include "core/base/error.h"
#include "core/base/import_number.h"
#include "core/base/codepage.h"
#include "core/district/feeder_measure.h"
#include "core/district/subscriber_xls.h"
#include "core/district/tp_measure.h"
#include "core/tables/table_ops.h"

namespace ld {

const std::vector<TSheetImport>& SheetImports() {
  using enum TSheetColumnKind;
  using enum TSheetColumnNeed;
  static const std::vector<TSheetImport> imports = {
      // under its headings: a readings statement's meter type is no station, its reading no energy
      {kMeterPointsSheet, {LayoutMeterPoints}, true, 2,
       {{1, RowNumber, "номер строки", {"№", "N", "п/п", "номер"}, true, Shape},
        {2, Name, "договор", {"договор", "номер договора", "дог"}, false},
        {6, StationPath, "ТП.Тр.Фидер", {"ТП", "РП", "номер ТП", "ТП.Тр.Фидер", "подстанция", "питание"}, true, Shape},
        {12, EnergyKind, "вид энергии", {}, false, Shape},
        {13, Number, "энергия", {"W", "энергия", "расход", "кВт*ч", "квар*ч"}, false}},
       0,
       [](std::vector<TDataFile>& t, const TSheetCells& cells, const TSheetImportRun& run) {
         return ReadMeterPointsSheet(cells, t[0], *run.Messages, run.Progress, run.Held);
       },
       // a sheet kept without its title or its headings begins at its first point
       kSubscriberBooksCommand, "база промышленных абонентов", true, {}, false, false, FirstPointRow},
      // a station's row above its feeders is the reader's own: the rows taken are the feeders'
      {kHouseholdsSheet, {LayoutHouseholds}, true, 0,
       {{1, Digits, "номер фидера", {}, true, Shape},
        {2, Name, "фидер", {}, false},
        {3, Number, "число абонентов"},
        {4, Number, "энергия", {}, false}},
       0,
       [](std::vector<TDataFile>& t, const TSheetCells& cells, const TSheetImportRun& run) {
         return ReadHouseholdsSheet(cells, t[0], *run.Messages, run.Progress, run.Held);
       },
       kSubscriberBooksCommand, "база бытовых абонентов", true,
       [](const TSheetCells& cells, int row) {
         const TValueRead<std::string> name = cells(row, 1).Name();
         return !name || IsFeederNumber(*name.Value);
       }},
      // every row names an input or a feeder whose energies it replaces: an empty one would be taken as 0
      // an energy left empty is read as empty, as the reader takes it; a title and the headings above the
      // first measured row are passed over
      {kTechnicalSheet, {LayoutSubstInputs, LayoutSubstFeeders}, false, 1,
       {{1, Name, "ввод или фидер"},
        {2, Number, "активная энергия", {}, true, Shape},
        {3, Number, "реактивная энергия", {}, false, Shape},
        {4, Number, "активная энергия", {}, false, Shape},
        {5, Number, "реактивная энергия", {}, false, Shape}},
       0,
       [](std::vector<TDataFile>& t, const TSheetCells& cells, const TSheetImportRun& run) {
         return ReadTechnicalSheet(cells, t[0], t[1], *run.Messages, run.Progress, run.Stage, run.Held);
       },
       kSubscriberBooksCommand, "база технических учетов", true, {}, false, true},
      // two active and two reactive values a row, under a row of headings wherever the sheet puts one
      {kFeederMeasureSheet, {LayoutSubstInputs, LayoutSubstFeeders}, false, 0,
       {{3, Name, "ввод или фидер"},
        {8, Number, "активное значение", {"P", "W", "кВт", "активная"}},
        {12, Number, "активное значение", {"P", "W", "кВт", "активная"}, false},
        {18, Number, "реактивное значение", {"Q", "Wq", "кВАр", "реактивная"}, false},
        {22, Number, "реактивное значение", {"Q", "Wq", "кВАр", "реактивная"}, false}},
       0,
       [](std::vector<TDataFile>& t, const TSheetCells& cells, const TSheetImportRun& run) {
         return ImportFeederMeasurements(t[0], t[1], cells, *run.Messages, run.Stage, run.Progress);
       },
       "Импорт замеров 10(6) кВ (Тальмиры)", "", false, {}, true},
      {kTransformerMeasureSheet, {LayoutTransTP}, false, 0,
       {{3, Name, "ТП"}, {5, Digits, "номинальная мощность"}},
       0,
       [](std::vector<TDataFile>& t, const TSheetCells& cells, const TSheetImportRun& run) {
         return ImportTPMeasurements(t[0], cells, run.Setting, *run.Messages, run.Progress);
       },
       "Импорт замеров ТП (Ворсел)", ""},
      // one row per station: its total rated power and load, or (under a heading in column 4) those of
      // Т1 to Т3 side by side
      {kStationMeasureSheet, {LayoutTransTP}, false, 1,
       {{1, Name, "ТП"},
        {2, Number, "номинальная мощность",
         {"S", "Sном", "Sн", "кВА", "кВ*А", "Уст. мощ.", "мощность", "номинальная", "Т1", "Тр"}, false},
        // a load in kW, A or kW·h, as the measurement type says, under any heading of no other column's
        {3, Number, "нагрузка", {"нагрузка", "мощность", "ток", "замер", "P", "W", "I", "кВт", "А", "кВт*ч", "Т1"}, true,
         Whole, false}},
       4,
       [](std::vector<TDataFile>& t, const TSheetCells& cells, const TSheetImportRun& run) {
         return ImportTPStationMeasurements(t[0], cells, MeasurementType(static_cast<float>(run.Setting)),
                                            *run.Messages, run.Progress);
       },
       "Импорт замеров ТП", ""},
  };
  return imports;
}

namespace {

// Where a sheet's data end: this many empty key cells one after another.
constexpr int kEndOfRows = 100;

bool IsDigit(char32_t ch) { return ch >= U'0' && ch <= U'9'; }
bool IsLetter(char32_t ch) {
  return (ch >= U'A' && ch <= U'Z') || (ch >= U'a' && ch <= U'z') || (ch >= U'А' && ch <= U'я') || ch == U'Ё' ||
         ch == U'ё' || (ch >= U'Ѐ' && ch <= U'ӿ');
}
template <typename Test>
bool AnyChar(std::string_view text, Test test) {
  for (std::size_t pos = 0; pos < text.size();)
    if (test(NextUtf8Char(text, pos))) return true;
  return false;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Why the name is not a station's name as the base writes it with its transformer and feeder ("ТП-42",
// "ТП-42.Т1", "ТП-42.Т1.Л8"); empty when it is one.
std::string StationPathFault(const std::string& name) {
  std::size_t from = 0;
  for (int part = 0;; ++part) {
    const std::size_t dot = name.find('.', from);
    const std::string_view piece = std::string_view(name).substr(from, dot == std::string::npos ? dot : dot - from);
    if (piece.empty()) return Quoted(name) + " - не имя вида ТП.Тр.Фидер: пустая часть между точками";
    if (part == 0 && !AnyChar(piece, IsLetter))
      return Quoted(name) + " - не имя вида ТП.Тр.Фидер: в имени ТП " + Quoted(std::string(piece)) + " нет букв";
    if (dot == std::string::npos) return {};
    from = dot + 1;
  }
}

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
    case TSheetColumnKind::RowNumber:
      if (date) return "дата " + shown + " - не номер строки";
      if (cell.Kind() == TOutsideValue::TKind::Number) {
        const TValueRead<double> number = cell.Number();
        return number && *number >= 0 && std::trunc(*number) == *number ? std::string()
                                                                         : "число " + cell.QuotedHeld() + " - не номер строки";
      }
      return !name || IsRowNumberText(*name.Value) ? std::string() : "текст " + shown + " - не номер строки";
    case TSheetColumnKind::StationPath:
      if (date) return "дата " + shown + " - не имя ТП";
      // a number is the station its format shows ("ЗТП-"0), as the reader takes it
      if (cell.Kind() == TOutsideValue::TKind::Number && (!name || !AnyChar(*name.Value, IsLetter)))
        return "число " + shown + " - не имя ТП";
      return name ? StationPathFault(*name.Value) : std::string();
    case TSheetColumnKind::EnergyKind:
      return !name || MeterEnergyKind(*name.Value) >= 0
                 ? std::string()
                 : shown + " - не вид энергии: должно быть \"АЕ спож.\", \"АЕ ген.\", \"РЕ спож.\" или \"РЕ ген.\"";
  }
  return {};
}

std::string Cell(int row, int col) { return "ячейка " + SheetCellName(row, col) + ": "; }

std::string Column(const TSheetColumn& column) {
  return "столбец " + std::to_string(column.Col) + " (" + column.Title + ")";
}

}  // namespace

namespace {

// SheetKindFault with the headings looked for in headingRow (0: none) and the rows of data from
// firstRow; mayBeginAbove: the reader's rows may begin above firstRow (FirstDataRow).
std::string KindFaultFrom(const TSheetImport& import, const TSheetCells& cells, int headingRow, int firstRow,
                          bool mayBeginAbove) {
  const std::string other = std::string("не подходит для команды \"") + import.Command + "\"" +
                            (*import.Part != 0 ? std::string(" (") + import.Part + ")" : std::string()) + ": ";
  // by each column, the heading words of the columns that hold something else
  std::vector<std::vector<const char*>> others(import.Columns.size());
  for (std::size_t i = 0; i < import.Columns.size(); ++i)
    for (const TSheetColumn& otherColumn : import.Columns)
      if (std::string_view(otherColumn.Title) != import.Columns[i].Title)
        others[i].insert(others[i].end(), otherColumn.Headings.begin(), otherColumn.Headings.end());
  // the headings over its own columns say what the columns hold
  const auto headingFault = [&](int row) -> std::string {
    for (std::size_t i = 0; i < import.Columns.size(); ++i) {
      const TSheetColumn& column = import.Columns[i];
      if (column.Headings.empty()) continue;
      const TValueRead<std::string> heading = cells(row, column.Col).Heading();
      if (!heading) return Cell(row, column.Col) + heading.Fault;
      if (heading.Value->empty() ||
          (column.HeadingNeedsWord ? HeadingSays(*heading.Value, column.Headings, others[i])
                                   : !HeadingSaysAnother(*heading.Value, column.Headings, others[i])))
        continue;
      return other + Cell(row, column.Col) + "заголовок " + Quoted(*heading.Value) + " - не заголовок столбца " +
             std::to_string(column.Col) + " (" + column.Title + "): в нем должно быть " + HeadingWordsText(column.Headings);
    }
    return {};
  };
  if (headingRow > 0)
    if (std::string fault = headingFault(headingRow); !fault.empty()) {
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
      return KindFaultFrom(import, cells, headed ? first - 1 : 0, first, false).empty() ? std::string() : fault;
    }
  std::vector<int> numbers;  // the columns whose values tell a row of data from a row of headings
  for (const TSheetColumn& column : import.Columns)
    if (column.Kind == TSheetColumnKind::Number) numbers.push_back(column.Col);
  const bool beyond = import.Beyond > 0 && cells(headingRow, import.Beyond).Blank();
  const int key = import.Columns.front().Col;
  bool whole = false, data = false;
  std::string first;  // why the first row of the data is none of the sheet's
  // whether every row is to be looked at, or the first whole one tells
  const bool everyRow = beyond || import.HeadingsAmongRows ||
                        std::any_of(import.Columns.begin(), import.Columns.end(),
                                    [](const TSheetColumn& c) { return c.Need != TSheetColumnNeed::Whole; });
  for (int row = firstRow, empty = 0; empty < kEndOfRows; ++row) {
    const TOutsideValue keyCell = cells(row, key);
    // a row of a merged range alone is passed over, as the readers pass it
    if (keyCell.RangeOnly()) continue;
    if (keyCell.Blank()) {
      if (import.FirstBlankEnds) {
        // an empty cell that may be a formula never calculated is no end: its advice, as the reader's
        if (std::string fault = keyCell.EndFault(); !fault.empty()) return Cell(row, key) + fault;
        break;
      }
      ++empty;
      continue;
    }
    empty = 0;
    // a value under an empty heading after the sheet's own columns would be passed over without a word
    if (beyond && !cells(row, import.Beyond).Blank())
      return other + Cell(row, import.Beyond) + "значение в столбце " + std::to_string(import.Beyond) +
             ", над которым нет заголовка";
    if (import.RowTaken && !import.RowTaken(cells, row)) continue;
    // a title or a heading above the data, as the reader passes it by
    if (import.TitleRows && !data && !numbers.empty()) {
      if (!RowHoldsValue(cells, row, numbers)) continue;
      data = true;
    }
    // a row of headings among the rows: what it writes over the columns says what they hold
    if (import.HeadingsAmongRows && !RowHoldsValue(cells, row, numbers))
      if (std::string fault = headingFault(row); !fault.empty()) return fault;
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

}  // namespace

std::string SheetKindFault(const TSheetImport& import, const TSheetCells& cells) {
  return KindFaultFrom(import, cells, import.HeadingRow, import.HeadingRow + 1, true);
}

TImportTaken TSheetImport::Read(std::vector<TDataFile>& tables, const TSheetCells& cells,
                                const TSheetImportRun& run) const {
  if (std::string fault = SheetKindFault(*this, cells); !fault.empty()) throw TSheetKindError(std::move(fault));
  std::vector<TDataFile> before(tables.size());
  for (std::size_t i = 0; i < tables.size(); ++i) CopyTable(tables[i], before[i]);
  // a refusal by a cell met after the reset leaves the tables as they were, as nothing taken does
  try {
    TImportTaken taken = Take(tables, cells, run);
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
