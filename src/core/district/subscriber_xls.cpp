#include "core/district/subscriber_xls.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/import_number.h"
#include "core/base/import_text.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/district/base_import.h"
#include "core/district/sheet_import_names.h"
#include "core/district/subscriber_cells.h"
#include "core/office/sheet_reader.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"

namespace ld {

namespace {

constexpr const char* kPromName = kMeterPointsSheet;
// The columns of a households feeder's figures: its subscribers and its energy.
const std::vector<int> kHouseholdFigures = {3, 4};
constexpr const char* kBytName = kHouseholdsSheet;
const char kInputsName[] = "Вводы подстанций";
const char kFeedersName[] = "Фидеры подстанций";
// The columns of a metering point's figures: its power, its meter's factor, its energies.
constexpr int kPointFigures[] = {8, 11, 13, 14};
const std::vector<int> kPointFigureList(std::begin(kPointFigures), std::end(kPointFigures));
// The last column of a metering point.
constexpr int kPointLast = 14;

// The text of a cell of column 1 that may be a title, a note or a name no row stores: Text as a name is
// read, and Fault why the tables could not hold it when it has a character without a Windows-1251 code
// ("кВт·ч×1000", "10³ кВт·ч" of a title): such a text names nothing the base holds, and is refused only
// where a row would store it. A cell that cannot be read, or a control character inside, refuses the
// workbook by its cell as every name does.
struct TColumnOneText {
  std::string Text, Fault;
};
TColumnOneText ColumnOneText(const TSheetCells& cells, int row) {
  const TOutsideValue cell = cells(row, 1);
  TValueRead<std::string> name = cell.Name();
  if (name) return {std::move(*name.Value), {}};
  const TValueRead<std::string> shown = cell.Heading();
  if (shown && ImportControlFault(*shown.Value).empty() && ImportTextFault(*shown.Value) == name.Fault)
    return {*shown.Value, std::move(name.Fault)};
  throw TCellTextError(row, 1, std::move(name.Fault));
}

// A letter of the names people write: Latin or Cyrillic, Ukrainian letters included.
bool IsLetter(char32_t ch) {
  return (ch >= U'A' && ch <= U'Z') || (ch >= U'a' && ch <= U'z') || (ch >= U'А' && ch <= U'я') || ch == U'Ё' ||
         ch == U'ё' || (ch >= U'Ѐ' && ch <= U'ӿ');
}

// Station, transformer and feeder of a metering point's station text.
struct TStationParts {
  std::string NameTP, Ntr, Fider;
};

// A dot at the end of a station text ends it ("ТП-7.", "ТП-7.Т1."): no part follows.
std::string_view WithoutEndDot(std::string_view text) {
  if (text.ends_with('.')) text.remove_suffix(1);
  return text;
}

TStationParts SplitStation(std::string_view whole) {
  TStationParts p;
  const std::string text(WithoutEndDot(whole));
  const auto dot = text.find('.');
  if (dot == std::string::npos) {
    p.NameTP = text;
    return p;
  }
  p.NameTP = text.substr(0, dot);
  const std::string rest = text.substr(dot + 1);
  if (const auto second = rest.find('.'); second != std::string::npos) {
    p.Ntr = rest.substr(0, second);
    p.Fider = rest.substr(second + 1);
  } else {
    p.Ntr = rest;
  }
  // a numbered section of a station, not a transformer
  if (p.Ntr.size() == 1 && p.Ntr[0] >= '1' && p.Ntr[0] <= '9') {
    p.NameTP += "." + p.Ntr;
    p.Ntr.clear();
  }
  return p;
}

}  // namespace

bool IsRowNumberText(std::string_view text) {
  constexpr std::string_view kNumberSign = "№";
  if (text.starts_with(kNumberSign)) {
    text.remove_prefix(kNumberSign.size());
    if (text.starts_with(' ')) text.remove_prefix(1);
  }
  if (text.ends_with('.') || text.ends_with(')')) text.remove_suffix(1);
  // a letter after the number ("2а"): one, right after a digit
  if (!text.empty() && !(text.back() >= '0' && text.back() <= '9')) {
    std::size_t last = text.size() - 1;
    while (last > 0 && (static_cast<unsigned char>(text[last]) & 0xC0) == 0x80) --last;
    std::size_t at = last;
    if (!IsLetter(NextUtf8Char(text, at)) || at != text.size()) return false;
    text = text.substr(0, last);
  }
  // digits, and the numbers of its sections after dots ("1.1.2")
  bool digit = false;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c != '.' || !digit) {
      return false;
    } else {
      digit = false;
    }
  }
  return digit;
}

namespace {

bool IsDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string QuotedShown(const std::string& text) { return "\"" + text + "\""; }

// The number a cell holds, as a message names it, with what the sheet shows where that differs.
std::string NumberHeld(double value, const TOutsideValue& cell) {
  const std::string held = FloatToStrGeneral(value, 15);
  const TValueRead<std::string> shown = cell.Name();
  return "число " + held + (shown && *shown.Value != held ? " (показано " + QuotedShown(*shown.Value) + ")" : "");
}

std::string PointNumberFault(const TOutsideValue& cell) {
  const TValueRead<std::string> shown = cell.Name();
  if (cell.Kind() == TOutsideValue::TKind::Date) return "дата " + QuotedShown(*shown.Value) + " - не номер строки";
  if (cell.Kind() == TOutsideValue::TKind::Number) {
    const TValueRead<double> number = cell.Number();
    if (number && *number >= 0 && std::trunc(*number) == *number) return {};
    return (number ? NumberHeld(*number, cell) : "число") + " - не номер строки";
  }
  return IsRowNumberText(*shown.Value) ? std::string() : "текст " + QuotedShown(*shown.Value) + " - не номер строки";
}

std::string PointStationFault(const TOutsideValue& cell) {
  const TValueRead<std::string> shown = cell.LinesJoined().Name();
  if (cell.Kind() == TOutsideValue::TKind::Date) return "дата " + QuotedShown(*shown.Value) + " - не имя ТП";
  const std::string text = UpperCase(*shown.Value);
  const auto lettered = [](std::string_view name) {
    for (std::size_t at = 0; at < name.size();)
      if (IsLetter(NextUtf8Char(name, at))) return true;
    return false;
  };
  // a number is the station its format shows ("ЗТП-"0), or a station's number (NamesUnit): never a
  // fraction
  if (cell.Kind() == TOutsideValue::TKind::Number && !lettered(text)) {
    const TValueRead<double> number = cell.Number();
    if (number && *number >= 0 && std::trunc(*number) == *number)
      return NamesUnit(text) ? std::string() : UnitNameFault(text);
    return (number ? NumberHeld(*number, cell) : "число") + " - не имя ТП";
  }
  // the station with the transformer and the feeder that its dots announce: a dot at the end ends a
  // whole path ("ТП-7.Т1.Л8."), but after a station or a transformer it leaves out the part that decides
  // where the point is metered (the transformer's ratio, the line that takes the losses)
  const std::string_view parts = WithoutEndDot(text);
  for (std::size_t from = 0;;) {
    const std::size_t dot = parts.find('.', from);
    if (parts.substr(from, dot == std::string_view::npos ? dot : dot - from).empty())
      return QuotedShown(*shown.Value) + " - не имя вида ТП.Тр.Фидер: пустая часть между точками";
    if (dot == std::string_view::npos) break;
    from = dot + 1;
  }
  const TStationParts split = SplitStation(text);
  if (parts.size() != text.size() && split.Fider.empty())
    return QuotedShown(*shown.Value) + " - не имя вида ТП.Тр.Фидер: после точки в конце нет " +
           (split.Ntr.empty() ? "трансформатора" : "фидера");
  const std::string& station = split.NameTP;
  if (lettered(station) || (IsDigits(station) && NamesUnit(station))) return {};
  if (IsDigits(station)) return UnitNameFault(station);
  return QuotedShown(*shown.Value) + " - не имя вида ТП.Тр.Фидер: в имени ТП " + QuotedShown(station) +
         " нет букв, и это не номер";
}

// A cell that cannot be read, or a figure a merged range shows, is named by the reader by its cell.
bool NamedByReader(const TOutsideValue& cell) {
  return cell.Blank() || cell.Kind() == TOutsideValue::TKind::Unreadable || !cell.CoveredFault().empty() ||
         !cell.Name();
}

}  // namespace

std::string MeterPointNumberFault(const TOutsideValue& cell) {
  return NamedByReader(cell) ? std::string() : PointNumberFault(cell);
}

std::string MeterPointStationFault(const TOutsideValue& cell) {
  return NamedByReader(cell) || !cell.LinesJoined().Name() ? std::string() : PointStationFault(cell);
}

namespace {

// A row number in column 1 and figures that are numbers or empty: a row as a point fills it.
bool NumberedRow(const TSheetCells& cells, int r) {
  const TOutsideValue number = cells(r, 1);
  if (number.Kind() != TOutsideValue::TKind::Number && number.Kind() != TOutsideValue::TKind::Text) return false;
  if (number.Blank() || !number.Name() || !number.CoveredFault().empty() || !MeterPointNumberFault(number).empty())
    return false;
  return std::all_of(std::begin(kPointFigures), std::end(kPointFigures), [&](int col) {
    const TOutsideValue figure = cells(r, col);
    return figure.Blank() || figure.Number();
  });
}

// A numbered row with its contract and a station the reader takes.
bool PointRow(const TSheetCells& cells, int r) {
  const TOutsideValue station = cells(r, 6);
  return NumberedRow(cells, r) && !cells(r, 2).Blank() && !station.Blank() && MeterPointStationFault(station).empty();
}

// The data of a sheet read down to an empty row (`end`) leave out every row below it, and the base written
// anew from them would lose what those rows hold: where the first row filled below is a row of the data
// (`dataRow`: a feeder, a metering point, each with its figures), or a station's name alone over one, the
// workbook is refused by the empty cell that ends them. Any other row there (a title of last month's table
// kept below, a note, a total, a row of headings) begins what the data do not hold.
void RefuseDataBelowEnd(const TSheetCells& cells, int end, int last, const char* what,
                        const std::function<bool(int)>& dataRow) {
  for (int r = end + 1; r <= end + kEndOfRows; ++r) {
    bool blank = true;
    for (int col = 1; col <= last && blank; ++col) blank = cells(r, col).Blank();
    if (blank) continue;
    int data = dataRow(r) ? r : 0;
    if (data == 0)
      if (const int values = NameAloneOverValues(cells, r, last); values > 0 && dataRow(values)) data = values;
    if (data > 0)
      throw TCellTextError(end, 1, "пустая ячейка в столбце 1 - конец данных листа, но ниже, в строке " +
                                       std::to_string(data) + ", " + what + ": ни она, ни строки под ней не были бы "
                                       "прочитаны - уберите пустые строки среди данных");
    return;
  }
}

}  // namespace

bool MeterPointsGap(const TSheetCells& cells, int row) {
  if (row < 2 || !cells(row, 1).EndFault().empty()) return false;
  for (int col = 1; col <= kPointLast; ++col)
    if (!cells(row, col).Blank() || cells(row, col).RangeOnly()) return false;
  return PointRow(cells, row - 1) && PointRow(cells, row + 1);
}

// Where the metering points begin: below a title row and a row of headings (row 3), unless a row above
// already holds a point, as in a sheet without its title or without its headings: a row number in
// column 1 (a whole number, or digits with a dot after them or none) in a row that is not the columns'
// own numbers ("1" ... "6" ... under the headings, a number where a point names its station), whose
// figures (power, factor, energies) are numbers or empty: a heading over them ("W, кВт*ч") is none. Row 1
// holds a point only when row 2 holds one too or ends the data: a title of a number ("2026") stands
// above its headings.
int FirstPointRow(const TSheetCells& cells) {
  constexpr int kBelowHeadings = 3;
  for (int r = 1; r < kBelowHeadings; ++r) {
    const TOutsideValue station = cells(r, 6);
    if (NumberedRow(cells, r) && (station.Blank() || !station.Number()) &&
        (r + 1 == kBelowHeadings || cells(r + 1, 1).Blank() || NumberedRow(cells, r + 1)))
      return r;
  }
  // below labels with their values that stand under the title, the headings follow them; the headings'
  // units, their second row or the columns' numbers below them are headings too
  const int below = HeadingRowBelowLabels(cells, kBelowHeadings - 1, kPointFigureList, kPointLast) + 1;
  int first = below;
  while (first < below + 3 && UnderHeadings(cells, first, 1, kPointFigureList, kPointLast)) ++first;
  return first;
}

namespace {

// The first row from 2 of each name of the sheet's column 1 that measures it: the base's rows look their
// names up here, the sheet read once however many rows the base has. The names go down to the last before
// a hundred empty cells, as the check of the sheet's kind looks at them: a feeder below an empty row is
// the sheet's. A row of a name alone is no measured row and replaces nothing (Unmeasured); a title or a
// row of headings ("Наименование", "W1") above the first row of values is passed over (RowOfHeadings). A
// name that cannot be read (an error value, a control character inside) is no end of the names and no
// heading: it refuses the workbook by its cell.
class TFirstRows {
public:
  TFirstRows(const TSheetCells& cells, office::TFileScaledBudget* held) {
    const std::vector<int> energies(kEnergyCols.begin(), kEnergyCols.end());
    // the titles above the heading, the heading and the rows that go on with it (units, column numbers);
    // a first row of values is refused before the reader runs (HeadingsInFirstRow), and a row of them
    // under a title begins the data
    const int from = SheetHeadRows(cells, 1, 1, energies, kEnergyCols.back()).First;
    bool measured = false, gap = false;
    for (int r = 1, empty = 0; empty < kEndOfRows; ++r) {
      if (EndsData(cells, r, 1)) {
        ++empty;
        gap = measured;
        continue;
      }
      empty = 0;
      if (cells(r, 1).RangeOnly()) continue;
      const bool bare =
          std::all_of(kEnergyCols.begin(), kEnergyCols.end(), [&](int col) { return cells(r, col).Blank(); });
      // a title, a note or a name alone is stored nowhere: a text the tables cannot hold names no input
      // or feeder of the base, and is passed by
      const TColumnOneText text =
          r < from || bare ? ColumnOneText(cells, r) : TColumnOneText{TakeUnitName(cells, r, 1), {}};
      if (r >= from && text.Fault.empty() && !NamesUnit(text.Text))
        throw TCellTextError(r, 1, UnitNameFault(text.Text));
      std::string name = UpperCase(text.Fault.empty() ? text.Text : std::string());
      // (a name above the headings measures nothing, but where it names an input or a feeder, as a
      // station's row of a households book does, it is said to stand there without values)
      if (r < from && !name.empty()) bare_.try_emplace(std::move(name), r);
      if (r < from || UnderHeadings(cells, r, 1, energies, kEnergyCols.back())) continue;
      // a block of its own below an empty row (last month's table under its title and headings) is none
      // of this sheet's data
      if (gap && BlockBelow(cells, r, energies)) {
        blockBelow_ = r;
        break;
      }
      gap = false;
      // a node of the map: its links and hash, the name and the row
      if (held) held->Take(4 * sizeof(void*) + sizeof(std::pair<const std::string, int>) + HeapBytes(name));
      if (bare) {
        if (!name.empty()) bare_.try_emplace(std::move(name), r);
        continue;
      }
      // titles and headings stand above the first row of values
      if (!measured && RowOfHeadings(cells, r, {kEnergyCols.begin(), kEnergyCols.end()})) continue;
      measured = true;
      rows_.try_emplace(name, r);
      named_.push_back(r);
    }
    used_.resize(named_.empty() ? 0 : static_cast<std::size_t>(named_.back()) + 1);
  }
  // Whether every measured row is named by a number, as a households book numbers the feeders under the
  // name of their station, and some row holds a name alone.
  bool NumberedUnderNames(const TSheetCells& cells) const {
    return !named_.empty() && !bare_.empty() && std::all_of(named_.begin(), named_.end(), [&](int r) {
      return IsFeederNumber(TakeName(cells, r, 1));
    });
  }
  // Where a block below the data begins (BlockBelow), 0 for none.
  int BlockRow() const { return blockBelow_; }
  // The measured rows below the heading.
  int Count() const { return static_cast<int>(rows_.size()); }
  // 0 when no measured row holds the key; a row found is taken.
  int Find(const std::string& key) {
    const auto it = rows_.find(key);
    if (it == rows_.end()) return 0;
    used_[static_cast<std::size_t>(it->second)] = 1;
    return it->second;
  }
  // The row where the key stands with no value beside it; 0 when none does.
  int Unmeasured(const std::string& key) const {
    const auto it = bare_.find(key);
    return it == bare_.end() ? 0 : it->second;
  }
  // Names each row of the sheet that no input or feeder took: a name the base does not hold, or one that
  // a row above gave already.
  void NameRowsNotTaken(const TSheetCells& cells, TImportMessages& messages, TImportTaken& taken) const {
    for (const int r : named_) {
      if (used_[static_cast<std::size_t>(r)]) continue;
      const std::string name = UpperCase(TakeName(cells, r, 1));
      const int first = rows_.at(name);
      NameRowNotTaken(r, name, first != r && used_[static_cast<std::size_t>(first)] ? TRowNotTaken::Repeated
                                                                                  : TRowNotTaken::NotInBase,
                      messages, taken);
    }
  }

private:
  static constexpr std::array<int, 4> kEnergyCols = {2, 3, 4, 5};
  std::unordered_map<std::string, int> rows_, bare_;
  std::vector<int> named_;
  std::vector<char> used_;
  int blockBelow_ = 0;
};

// P, Q, Pm, Qm of one row from the sheet row, and the load kind they give; false when one is no number.
bool TakeEnergies(const std::string& name, const TSheetCells& cells, int r, int row, DAdouble* p, DAdouble* q,
                  DAdouble* pm, DAdouble* qm, const TInt16Column& t, TImportMessages& info) {
  bool read = true;
  int col = 2;
  for (DAdouble* column : {p, q, pm, qm}) read = ReadCellFloat(name, cells, col++, r, (*column)[row], info) && read;
  // energies with tgφ when no reactive energy is measured
  t[row] = (*q)[row] == 0 && (*qm)[row] == 0 ? 5 : 4;
  return read;
}

// The numbers of one row of a subscriber sheet, read cell by cell: each cell that gives none is named in
// the messages, and the first of them is the row's reason not to be taken, with the cell's own reason
// and remedy (a formula without its value, a boolean, a text that is no number).
class TRowNumbers {
public:
  TRowNumbers(const char* sheet, const TSheetCells& cells, int row, TImportMessages& info)
      : sheet_(sheet), cells_(cells), row_(row), info_(info) {}
  bool Read(int col, double& value) {
    if (ReadCellFloat(sheet_, cells_, col, row_, value, info_)) return true;
    if (first_ == 0) first_ = col;
    return false;
  }
  bool Whole() const { return first_ == 0; }
  // "столбец <col>: значение не является числом (<why>)" for the first cell that gave none.
  std::string FirstFault() const {
    return "столбец " + std::to_string(first_) + ": значение не является числом" + SheetCellFault(cells_, row_, first_);
  }

private:
  const char* sheet_;
  const TSheetCells& cells_;
  int row_;
  TImportMessages& info_;
  int first_ = 0;
};

// A row whose key cell is empty (a station merged down over two rows, a feeder above every station)
// belongs to nothing the other tables hold: it is named, and the sheet none of whose rows has its key
// gives nothing.
void NoKey(const char* sheet, int row, const char* what, TImportMessages& info, TImportTaken& taken) {
  std::string reason = std::string(what);
  info.Add([&] { return std::string(sheet) + ", строка " + std::to_string(row) + ": " + reason; });
  taken.NotTakenAt(row, reason);
}

}  // namespace

bool ReadCellFloat(const std::string& name, const TSheetCells& cells, int col, int row, double& value,
                   std::vector<std::string>& info) {
  TImportMessages messages(info);
  return ReadCellFloat(name, cells, col, row, value, messages);
}

bool ReadCellFloat(const std::string& name, const TSheetCells& cells, int col, int row, double& value,
                   TImportMessages& info) {
  if (const std::optional<double> v = SheetImportNumber(cells, row, col)) {
    value = *v;
    return true;
  }
  info.Add([&] {
    return name + ", строка " + std::to_string(row) + ", столбец " + std::to_string(col) + ": Ошибка чтения" +
           SheetCellFault(cells, row, col);
  });
  return false;
}

bool IsFeederNumber(std::string_view name) { return !name.empty() && name[0] >= '0' && name[0] <= '9'; }

namespace {

// Whether the row is a households book's feeder with its figures: its number in column 1, a count or an
// energy beside it.
bool HouseholdFeederRow(const TSheetCells& cells, int r) {
  const TValueRead<std::string> name = cells(r, 1).Name();
  return name && IsFeederNumber(*name.Value) && RowHoldsValue(cells, r, kHouseholdFigures);
}

}  // namespace

bool HouseholdsGap(const TSheetCells& cells, int row) {
  if (row < 2 || !cells(row, 1).Blank() || !cells(row, 1).EndFault().empty()) return false;
  const TValueRead<std::string> above = cells(row - 1, 1).Name(), below = cells(row + 1, 1).Name();
  if (!above || above.Value->empty() || !below || below.Value->empty()) return false;
  // under a station's name, over its first feeder
  if (!IsFeederNumber(*above.Value)) return IsFeederNumber(*below.Value);
  // between a station's last feeder and the next station's name with its first feeder below it, right
  // under it or under an empty row of its own: an empty row alone, each feeder with its figures (a note
  // below the data numbers its lines too); a feeder alone below an empty row is none of the table's
  const auto feeder = [&](int r) { return HouseholdFeederRow(cells, r); };
  const auto empty = [&](int r) {
    return cells(r, 1).Blank() && cells(r, 1).EndFault().empty() && cells(r, 2).Blank() && cells(r, 3).Blank() &&
           cells(r, 4).Blank();
  };
  return empty(row) && feeder(row - 1) && !IsFeederNumber(*below.Value) &&
         (feeder(row + 2) || (empty(row + 2) && feeder(row + 3)));
}

bool HouseholdsHeadingRow(const TSheetCells& cells, int row) {
  return !RowHoldsValue(cells, row, kHouseholdFigures) && std::all_of(kHouseholdFigures.begin(), kHouseholdFigures.end(), [&](int col) {
    const TOutsideValue cell = cells(row, col);
    const TValueRead<std::string> heading = cell.Heading();
    return cell.Kind() == TOutsideValue::TKind::Text && heading && HeadingHoldsWord(*heading.Value);
  });
}

std::string HouseholdsFeeder(std::string_view name) {
  if (name.empty()) return {};
  // a feeder written with its letter, in whatever way ("Л8", "л.1", "Л-8", "Ф-3"), is named as written;
  // the base's own letter in small is the base's ("л8" is "Л8")
  const char32_t first = FirstChar(name);
  if (first == U'л' && !IsLetter(FirstChar(name.substr(std::string_view("л").size()))))
    return "Л" + std::string(name.substr(std::string_view("л").size()));
  if (IsLetter(first)) return std::string(name);
  return "Л" + std::string(name);
}

int LastSheetRow(const TSheetCells& cells) {
  int r = 1;
  // the units or the columns' numbers under the headings (an empty first cell) are no end, nor is an
  // empty row between two points
  while (!EndsData(cells, r, 1) || UnderHeadings(cells, r, 1, kPointFigureList, kPointLast) || MeterPointsGap(cells, r))
    ++r;
  return r - 1;
}

namespace {

// A letter as the kind of energy compares it: in capitals, "Ё" as "Е", a Latin letter that looks like a
// Cyrillic one as that one ("AE" typed on the Latin keyboard is "АЕ").
char32_t KindLetter(char32_t ch) {
  if (ch >= U'a' && ch <= U'z') ch -= U'a' - U'A';
  if (ch >= U'а' && ch <= U'я') ch -= U'а' - U'А';
  if (ch == U'ё' || ch == U'Ё') return U'Е';
  static constexpr std::pair<char32_t, char32_t> kLookAlike[] = {
      {U'A', U'А'}, {U'B', U'В'}, {U'C', U'С'}, {U'E', U'Е'}, {U'H', U'Н'}, {U'K', U'К'},
      {U'M', U'М'}, {U'O', U'О'}, {U'P', U'Р'}, {U'T', U'Т'}, {U'X', U'Х'}, {U'Y', U'У'}};
  for (const auto& [latin, cyrillic] : kLookAlike)
    if (ch == latin) return cyrillic;
  return ch;
}

bool KindWordStarts(std::u32string_view word, std::initializer_list<std::u32string_view> stems) {
  return std::any_of(stems.begin(), stems.end(), [&](std::u32string_view stem) { return word.starts_with(stem); });
}

}  // namespace

int MeterEnergyKind(std::string_view text) {
  enum : int { kActive = 1, kReactive = 2, kConsumed = 4, kGenerated = 8 };
  // the words of the text in KindLetter's capitals, each with the sign written right after it ("A+")
  struct TWord {
    std::u32string letters;
    char32_t sign = 0;
  };
  std::vector<TWord> words;
  std::u32string all;  // every letter of the text, its blanks and dots dropped
  bool inWord = false;
  for (std::size_t at = 0; at < text.size();) {
    const char32_t ch = NextUtf8Char(text, at);
    if (IsLetter(ch)) {
      if (!inWord) words.emplace_back();
      words.back().letters += KindLetter(ch);
      all += KindLetter(ch);
      inWord = true;
      continue;
    }
    const bool sign = ch == U'+' || ch == U'-';
    if (sign && inWord && words.back().sign == 0) words.back().sign = ch;
    // blanks (a no-break one too), dots, commas, brackets and hyphens part the words; anything else
    // (a digit, a sign of its own) names no kind
    else if (!sign && std::u32string_view(U" \t\u00A0.,;:()/").find(ch) == std::u32string_view::npos)
      return -1;
    inWord = false;
  }
  // one of the four as the command writes them, whatever its case, dots, blanks and look-alike letters
  if (all == U"АЕСПОЖ") return 1;
  if (all == U"АЕГЕН") return 0;
  if (all == U"РЕСПОЖ") return 2;
  if (all == U"РЕГЕН") return 3;
  // or what the energy is and which way it flows, each said by a word or a meter's symbol, and nothing else
  int named = 0;
  for (const TWord& w : words) {
    const std::u32string_view word = w.letters;
    int says = 0;
    if (word == U"А" || word == U"АЕ" || word == U"ЭА" || word == U"АКТ" || word.starts_with(U"АКТИВН"))
      says = kActive;
    else if (word == U"R" || word == U"РЕ" || word == U"ЭР" || word == U"РЕАКТ" || word.starts_with(U"РЕАКТИВН"))
      says = kReactive;
    if (says != 0 && w.sign != 0) says |= w.sign == U'+' ? kConsumed : kGenerated;
    else if (KindWordStarts(word, {U"СПОЖ", U"ПОТР", U"ПРИЕМ", U"ПРИНЯТ"})) says = kConsumed;
    else if (KindWordStarts(word, {U"ГЕН", U"ВЫДАЧ", U"ВЫДАН", U"ОТДАЧ", U"ОТДАН"})) says = kGenerated;
    else if (says == 0 && !KindWordStarts(word, {U"ЭНЕРГ", U"ЭЛЕКТРОЭНЕРГ"})) return -1;
    named |= says;
  }
  switch (named) {
    case kActive | kConsumed: return 1;
    case kActive | kGenerated: return 0;
    case kReactive | kConsumed: return 2;
    case kReactive | kGenerated: return 3;
    default: return -1;
  }
}

std::string MeterEnergyKindFault(const TOutsideValue& cell) {
  const TValueRead<std::string> shown = cell.LinesJoined().Name();
  if (!shown || shown.Value->empty() || MeterEnergyKind(*shown.Value) >= 0) return {};
  return QuotedShown(*shown.Value) +
         " - не вид энергии: должно быть \"АЕ спож.\", \"АЕ ген.\", \"РЕ спож.\" или \"РЕ ген.\" либо энергия "
         "(активная или реактивная) вместе с ее направлением (потребление или генерация), например \"A+\", \"R-\"";
}

TImportTaken ReadMeterPointsSheet(const TSheetCells& cells, TDataFile& table, std::vector<std::string>& info,
                                  const TImportProgress& progress, office::TFileScaledBudget* held) {
  TImportMessages messages(info);
  TImportTaken taken;
  TMeterPointCols c;
  FillMeterPointCols(table, c);
  const TTextField nameTP = TextField(table, "NameTP"), ntr = TextField(table, "Ntr"),
                   fider = TextField(table, "Fider"), ndogField = TextField(table, "Ndog"),
                   abonent = TextField(table, "Abonent"), namePoint = TextField(table, "NamePoint"),
                   address = TextField(table, "Address"), workTime = TextField(table, "WorkTime"),
                   markCounter = TextField(table, "MarkCounter"), numCounter = TextField(table, "NumCounter");
  const std::size_t rowBytes = TableRowBytes(table);
  const int last = LastSheetRow(cells), first = FirstPointRow(cells);
  RefuseDataBelowEnd(cells, last + 1, kPointLast, "точка учета со значениями",
                     [&](int r) { return PointRow(cells, r) && RowHoldsValue(cells, r, kPointFigureList); });
  const int rows = last >= first ? last - first + 1 : 0;
  if (held) held->Take(static_cast<std::size_t>(rows) * rowBytes);
  ReserveRows(table, rows);
  TWalkProgress walk(rows, progress);
  std::string contract, point;
  int numPoint = 0;
  // each text as the table takes it: whole into its field, or the workbook is refused by the cell
  std::size_t textBytes = 0;
  const auto put = [&](const std::string& text, const TTextField& field, int r, int col) -> const std::string& {
    CheckFieldFit(text, field, r, col);
    textBytes += text.size();
    return text;
  };
  int n = 0;
  for (int r = first; r <= last; ++r) {
    // a row of a merged range alone (a point's number merged down over an empty row) is no point, nor
    // an empty row between two
    if (cells(r, 1).RangeOnly() || MeterPointsGap(cells, r)) continue;
    ++n;
    textBytes = 0;
    // the row's number tells where the data end: one that cannot be read refuses the workbook by its cell
    TakeName(cells, r, 1);
    // a row of another kind of sheet (a day for its number, a reading for its station) is no point
    if (std::string fault = MeterPointNumberFault(cells(r, 1)); !fault.empty())
      throw TCellTextError(r, 1, std::move(fault));
    if (std::string fault = MeterPointStationFault(cells(r, 6)); !fault.empty())
      throw TCellTextError(r, 6, std::move(fault));
    const std::string stationText = UpperCase(TakeJoinedName(cells, r, 6));
    const TStationParts station = SplitStation(stationText);
    c.NameTP->SetNew(n, put(station.NameTP, nameTP, r, 6));
    c.Ntr->SetNew(n, put(station.Ntr, ntr, r, 6));
    c.Fider->SetNew(n, put(station.Fider, fider, r, 6));
    // set first: it tells where the energy of column 14 goes
    const bool onLine = !station.Fider.empty();
    (*c.FVL)[n] = onLine ? 1 : 0;

    // every text as every import takes a name: its lines joined, its ends cut, nothing hidden inside
    const auto text = [&](int col) { return TakeJoinedName(cells, r, col); };
    const std::string ndog = TakeNamingText(cells, r, 2, "номер договора"),
                      name = TakeNamingText(cells, r, 4, "имя точки учета");
    c.Ndog->SetNew(n, put(ndog, ndogField, r, 2));
    c.Abonent->SetNew(n, put(TakeNamingText(cells, r, 3, "имя абонента"), abonent, r, 3));
    PutText(c.NamePoint, n, put(name, namePoint, r, 4));
    PutText(c.Address, n, put(text(5), address, r, 5));
    PutText(c.WorkTime, n, put(text(7), workTime, r, 7));
    // a meter's type "0" is a text formula's lost text; a meter's number 0 is the format's "no meter"
    PutText(c.MarkCounter, n, put(TakeNamingText(cells, r, 10, "тип счетчика"), markCounter, r, 10));
    const std::string counter = text(9);
    c.NumCounter->SetNew(n, put(counter, numCounter, r, 9));
    // the texts' store grows by doubling
    if (held) held->Take(2 * textBytes);

    if (ndog != contract) {
      numPoint = 1;
      contract = ndog;
      point = name;
    } else if (name != point) {
      ++numPoint;
      point = name;
    }
    c.NumPoint[n] = numPoint;

    double praz = 0;
    TRowNumbers numbers(kPromName, cells, r, messages);
    numbers.Read(8, praz);
    PutNumber(c.Praz, n, praz);
    numbers.Read(11, (*c.Koef)[n]);
    numbers.Read(13, (*c.W)[n]);
    numbers.Read(14, onLine ? (*c.Wl)[n] : (*c.Wt)[n]);
    // a point is whole with its station, its contract and its numbers
    if (station.NameTP.empty())
      NoKey(kPromName, r, "не задана ТП (столбец 6)", messages, taken);
    else if (ndog.empty())
      NoKey(kPromName, r, "не задан договор (столбец 2)", messages, taken);
    else if (!numbers.Whole() && taken.FirstReason.empty())
      taken.NotTakenAt(r, numbers.FirstFault());
    else if (numbers.Whole())
      ++taken.Items;
    (*c.Kvolt)[n] = station.Ntr.empty() ? 100 : 1;

    // a kind the reader cannot tell would count generation as consumption, or reactive energy as active:
    // it refuses the workbook by its cell; one not given is consumption, and named
    if (std::string fault = MeterEnergyKindFault(cells(r, 12)); !fault.empty())
      throw TCellTextError(r, 12, std::move(fault));
    int typ = MeterEnergyKind(TakeJoinedName(cells, r, 12));
    if (typ < 0) {
      typ = 1;
      messages.Add([&] {
        return std::string(kPromName) + ", строка " + std::to_string(r) + ": не задан тип потребления счетчика";
      });
    }
    (*c.TypCounter)[n] = static_cast<std::uint8_t>(typ);
    (*c.Device)[n] = counter.empty() || counter == "0" ? 'N' : 'Y';
    walk.Advance(r - first + 1);
  }
  table.RowCount = n;
  SortTableByFields(table, {"NameTP", "Ndog", "NumPoint", "TypCounter"});
  taken.DataEnd = last + 1;
  return taken;
}

TImportTaken ReadHouseholdsSheet(const TSheetCells& cells, TDataFile& table, std::vector<std::string>& info,
                                 const TImportProgress& progress, office::TFileScaledBudget* held) {
  TImportMessages messages(info);
  TImportTaken taken;
  THouseholdCols c;
  FillHouseholdCols(table, c);
  const TTextField nameTP = TextField(table, "NameTP"), fider = TextField(table, "Fider");
  const std::size_t rowBytes = TableRowBytes(table);
  // below the titles that leave column 1 empty, down to the first empty cell of column 1 that is none of
  // the rows under a row of headings (units, the columns' numbers)
  const int first = RowBelowTitles(cells, 1, kHouseholdFigures, 4);
  int last = first;
  while (!EndsData(cells, last, 1) || UnderHeadings(cells, last, 1, kHouseholdFigures, 4) || HouseholdsGap(cells, last)) ++last;
  --last;
  RefuseDataBelowEnd(cells, last + 1, 4, "фидер со значениями", [&](int r) { return HouseholdFeederRow(cells, r); });
  if (held) held->Take(static_cast<std::size_t>(last) * rowBytes);
  ReserveRows(table, last);
  TWalkProgress walk(last, progress);
  std::string station, stationFault;  // a station's name, and why the tables cannot hold it
  int stationRow = 0;  // where the station's name stands, for the message of a name too long
  int n = 0;
  for (int r = first; r <= last; ++r) {
    // the units or the columns' numbers under a row of headings are no feeder
    if (UnderHeadings(cells, r, 1, kHouseholdFigures, 4) || HouseholdsGap(cells, r)) continue;
    // a row of headings, whatever its first cell says ("ТП /" and "№ фидера" in two lines), is no station
    if (HouseholdsHeadingRow(cells, r)) continue;
    // the first cell tells a feeder (its number, 0 among them) from a station: one that cannot be read
    // tells neither, and refuses the workbook by its cell; a 0 alone in its row is a station's name that
    // a text formula left without its text; a title above the first station is read as one, so a text the
    // tables cannot hold ("…, кВт·ч×1000") is refused only where a feeder stores it
    const TColumnOneText keyText = ColumnOneText(cells, r);
    std::string s = UpperCase(keyText.Text);
    const bool alone = cells(r, 2).Blank() && cells(r, 3).Blank() && cells(r, 4).Blank();
    if (keyText.Fault.empty() && (!IsFeederNumber(s) || (alone && !NamesUnit(s))))
      s = UpperCase(TakeUnitName(cells, r, 1));
    if (IsFeederNumber(s)) {
      if (!keyText.Fault.empty()) throw TCellTextError(r, 1, keyText.Fault);
      ++n;
      // a heading above the first station is never stored, so a station's name is checked where it is
      if (!stationFault.empty()) throw TCellTextError(stationRow, 1, stationFault);
      CheckFieldFit(station, nameTP, stationRow, 1);
      // a feeder without its name is none of the station's lines: stored without one, and named
      const std::string feederName = TakeUnitName(cells, r, 2);
      const std::string feeder = HouseholdsFeeder(feederName);
      CheckFieldFit(feeder, fider, r, 2);
      if (held) held->Take(2 * (station.size() + feeder.size()));
      c.NameTP->SetNew(n, station);
      c.Fider->SetNew(n, feeder);
      double count = 0;
      TRowNumbers numbers(kBytName, cells, r, messages);
      // subscribers are counted whole: a count that is no whole number, or more than the column holds, is
      // named by its cell and counts none
      std::string countFault;
      if (numbers.Read(3, count)) {
        if (std::fabs(count) > std::numeric_limits<std::int32_t>::max())
          countFault = "число " + FloatToStrGeneral(count, 15) + " больше, чем абонентов вмещает столбец";
        else if (std::trunc(count) != count)
          countFault = "число " + FloatToStrGeneral(count, 15) + " не целое, а абонентов целое число";
      }
      if (!countFault.empty()) {
        messages.Add([&] {
          return std::string(kBytName) + ", строка " + std::to_string(r) + ", столбец 3: Ошибка чтения (" + countFault + ")";
        });
        count = 0;
      }
      const auto subscribers = static_cast<std::int32_t>(Round(count));
      (*c.CountAb)[n] = subscribers;
      numbers.Read(4, (*c.W)[n]);
      if (subscribers != 0) (*c.Ws)[n] = (*c.W)[n] / subscribers;
      // a feeder is whole with the station above it and its numbers
      if (station.empty())
        NoKey(kBytName, r, "фидер без ТП над ним (столбец 1)", messages, taken);
      else if (feederName.empty())
        NoKey(kBytName, r, "не задан фидер (столбец 2)", messages, taken);
      else if (!countFault.empty())
        taken.NotTakenAt(r, "столбец 3: " + countFault);
      else if (!numbers.Whole() && taken.FirstReason.empty())
        taken.NotTakenAt(r, numbers.FirstFault());
      else if (numbers.Whole())
        ++taken.Items;
    } else if (cells(r, 1).RangeOnly()) {
      // a row of a merged range alone names no station: the one above goes on (a station's name merged
      // down over an empty row above its feeders)
    } else {
      station = s;
      stationFault = keyText.Fault;
      stationRow = r;
      // a station's row holds its name alone: what stands beside it is no feeder's, and is not read
      for (int col = 2; col <= 4; ++col)
        if (!cells(r, col).Blank()) {
          messages.Add([&] {
            return std::string(kBytName) + ", строка " + std::to_string(r) + ", столбец 1: \"" + s +
                   "\" не номер фидера - строка взята как ТП, ее столбцы 2-4 не прочитаны";
          });
          break;
        }
    }
    walk.Advance(r);
  }
  table.RowCount = n;
  SortTableByFields(table, {"NameTP"});
  taken.DataEnd = last + 1;
  return taken;
}

TImportTaken ReadTechnicalSheet(const TSheetCells& cells, TDataFile& inputs, TDataFile& feeders,
                                std::vector<std::string>& info, const TImportProgress& progress, const TStageProc& stage,
                                office::TFileScaledBudget* held) {
  TImportMessages messages(info);
  TImportTaken taken;
  TFirstRows names(cells, held);
  // an input or feeder is measured when its row's four energies read
  const auto take = [&](bool read, int r, const std::string& key) {
    if (read)
      ++taken.Items;
    else
      taken.NotTaken("строка " + std::to_string(r) + " (" + key + "): значение не является числом");
  };
  const auto missing = [&](std::string message) {
    taken.NotTaken(message);
    messages.Add(std::move(message));
  };
  // the key where no measured row holds it: a row of its name alone keeps its values, saying so
  const auto notFound = [&](const char* table, const std::string& key, const std::string& shown) {
    if (const int r = names.Unmeasured(key); r > 0)
      missing(std::string(table) + " : " + shown + " - в строке " + std::to_string(r) +
              " нет значений в столбцах 2-5, прежние значения оставлены");
    else
      missing(std::string(table) + " : " + shown + " не найден");
  };

  if (stage) stage("  Чтение замеров по вводам 10(6) кВ ... ");
  TSubstInputCols in;
  FillSubstInputCols(inputs, in);
  TWalkProgress walk(inputs.RowCount, progress);
  for (int i = 1; i <= inputs.RowCount; ++i) {
    const std::string key = UpperCase(in.NamePS->GetView(i));
    if (const int r = names.Find(key); r > 0) {
      take(TakeEnergies(kInputsName, cells, r, i, in.P, in.Q, in.Pm, in.Qm, in.T, messages), r, key);
    } else {
      notFound(kInputsName, key, key);
    }
    walk.Advance(i);
  }

  if (stage) stage("  Чтение замеров по фидерам 10(6) кВ ... ");
  TSubstFeederCols f;
  FillSubstFeederCols(feeders, f);
  walk.Restart(feeders.RowCount);
  for (int i = 1; i <= feeders.RowCount; ++i) {
    const std::string key = UpperCase(f.Line->GetView(i));
    if (const int r = names.Find(key); r > 0) {
      take(TakeEnergies(kFeedersName, cells, r, i, f.P, f.Q, f.Pm, f.Qm, f.T, messages), r, key);
    } else {
      notFound(kFeedersName, key, key.empty() ? f.Name1->GetItem(i) + " - " + f.Name2->GetItem(i) : key);
    }
    walk.Advance(i);
  }
  names.NameRowsNotTaken(cells, messages, taken);
  if (const int block = names.BlockRow(); block > 0)
    messages.Add(std::string(kTechnicalSheet) + ", строка " + std::to_string(block) +
                 ": ниже пустой строки - другая таблица со своими заголовками; она и строки под ней не прочитаны");
  // a sheet of no names below its heading is told as such, whatever the base holds; one of numbered rows
  // under names alone is a households book
  if (names.Count() == 0) taken.FirstReason = "в столбце 1 нет имен вводов и фидеров со значениями ниже заголовка";
  if (taken.Items == 0 && names.NumberedUnderNames(cells)) {
    taken.FirstReason = "в столбце 1 строки со значениями названы номерами под строками одного имени - так, фидерами под "
                        "именем ТП, строится база бытовых абонентов; в технических учетах каждая строка - имя ввода или "
                        "фидера и его энергии";
    messages.Add(taken.FirstReason);
  }
  return taken;
}

}  // namespace ld
