#include "core/office/sheet_reader.h"

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/base/error.h"
#include "core/base/import_number.h"
#include "core/base/import_text.h"
#include "core/office/sheet_sink.h"
#include "core/office/zip_part.h"

namespace ld {

// The first worksheet of a workbook, gathered into the reader's cells; the later ones are left unread.
class TSheetReader::TFirstSheet : public office::TBookSink, public office::TSheetSink {
public:
  TFirstSheet(const std::string& path, std::vector<TCell>& cells, std::vector<office::TNumberFormat>& formats,
              office::TMergedRanges& merged)
      : path_(path), cells_(cells), formats_(formats), merged_(merged),
        // a range takes a few bytes of its file (8 in a legacy book, a dozen packed), and a sheet holds
        // far fewer than its cells: a bound by the file's size keeps a packed file of nothing but ranges
        // from taking the memory its cells may
        maxMerged_(65536 + office::FileSize(path) / 4) {}

  bool WantsCells() const override { return true; }
  office::TSheetSink* Sheet(const std::string& name, bool hidden) override {
    ++sheets;
    if (found) return nullptr;
    // the first sheet is the one read, and a hidden one (last month's, behind this month's) is no sheet
    // the person sees: named, never read silently, and no later sheet read in its place
    if (hidden) throw Error(HiddenFirstSheetMessage(path_, name));
    found = true;
    sheetName = name;
    return this;
  }

  void Number(int row, int col, double value) override { Add(row, col, CellKind::Number).number = value; }
  void Formatted(int row, int col, CellKind kind, double value, const office::TNumberFormat& format) override {
    TCell& cell = Add(row, col, kind);
    cell.number = value;
    // the formats are few (a book holds a few dozen): each kept once, told by its number in the book
    auto it = formatIds_.find(format.id);
    if (it == formatIds_.end()) {
      if (formats_.size() >= kMaxFormats) throw Error("Ошибка чтения файла \"" + path_ + "\": слишком много форматов чисел");
      formats_.push_back(format);
      it = formatIds_.emplace(format.id, static_cast<std::uint32_t>(formats_.size())).first;
    }
    cell.format = it->second;
  }
  void Date(int row, int col, double serial) override { Add(row, col, CellKind::Date).number = serial; }
  void Text(int row, int col, std::string_view text) override {
    Add(row, col, CellKind::Text).text = strings.Add(text);
  }
  void Shared(int row, int col, std::uint32_t index) override { Add(row, col, CellKind::Text).text = index; }
  // A text as its format shows it, each text shown under one format kept once, however many cells show
  // it: a million cells of one text under "Д-"@ cost one copy, not a million of it and the format's texts
  void FormattedText(int row, int col, std::string_view text, const office::TNumberFormat& format) override {
    const auto [it, added] = textShown_.try_emplace({std::string(text), format.id}, 0);
    if (added) it->second = AddShown(text, format);
    Shown(row, col, it->second, format);
  }
  void FormattedShared(int row, int col, std::uint32_t index, const office::TNumberFormat& format) override {
    const auto [it, added] = sharedShown_.try_emplace({index, format.id}, 0);
    if (added) it->second = AddShown(strings.At(index), format);
    Shown(row, col, it->second, format);
  }
  void UnsureEmpty(int row, int col) override { Add(row, col, CellKind::Empty).kind = kUnsureEmptyKind; }
  void Unreadable(int row, int col, UnreadableCell why, std::string_view value) override {
    TCell& cell = Add(row, col, CellKind::Empty);
    cell.kind = kUnreadableKind + static_cast<std::uint32_t>(why);
    // a formula's cell has nothing to keep, and a value is kept once however many cells hold it: a
    // million of them cost no million texts
    if (value.empty()) {
      cell.text = kNoText;
      return;
    }
    const auto [it, added] = values_.try_emplace(std::string(value), 0);
    if (added) it->second = strings.Add(value);
    cell.text = it->second;
  }

  void Merged(int firstRow, int firstCol, int lastRow, int lastCol) override {
    if (merged_.Size() >= maxMerged_)
      throw Error("Ошибка чтения файла \"" + path_ + "\": объединенных ячеек больше " + std::to_string(maxMerged_) +
                  ", чем может быть в книге такого размера");
    merged_.Add({firstRow, firstCol, lastRow, lastCol});
  }

  // Cells in row and column order, the one met last kept where a cell was met twice.
  void Finish() {
    if (!ordered_) {
      std::stable_sort(cells_.begin(), cells_.end(), [](const TCell& a, const TCell& b) {
        return a.row != b.row ? a.row < b.row : a.col < b.col;
      });
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < cells_.size(); ++i) {
      if (kept > 0 && cells_[kept - 1].row == cells_[i].row && cells_[kept - 1].col == cells_[i].col)
        cells_[kept - 1] = cells_[i];
      else
        cells_[kept++] = cells_[i];
    }
    cells_.resize(kept);
  }

  bool found = false;
  std::string sheetName;
  int sheets = 0;  // the book's worksheets, the first one's included

private:
  TCell& Add(int row, int col, CellKind kind) {
    TCell cell{};
    cell.row = static_cast<std::uint32_t>(row) & 0xFFFFFF;
    cell.col = static_cast<std::uint32_t>(col) & 0x1FFFF;
    cell.kind = static_cast<std::uint32_t>(kind);
    if (!cells_.empty()) {
      const TCell& last = cells_.back();
      if (cell.row < last.row || (cell.row == last.row && cell.col <= last.col)) ordered_ = false;
    }
    return cells_.emplace_back(cell);
  }

  // The text a format shows, added to the texts; kNoText for one longer than a cell shows. What the
  // formats add to a book's texts is bounded too: a format that repeats each text hundreds of times
  // would make a book of kilobytes take gigabytes.
  std::uint32_t AddShown(std::string_view text, const office::TNumberFormat& format) {
    if (office::ShownTextLength(format, text) > office::kLongestCellText) return kNoText;
    std::string shown = office::ShownTextOf(format, text);
    if (shown.size() > text.size()) {
      added_ += shown.size() - text.size();
      if (added_ > kMostAdded)
        throw Error("Ошибка чтения файла \"" + path_ + "\": формат чисел " + std::to_string(format.id) +
                    " повторяет тексты ячеек так, что они заняли бы больше " + std::to_string(kMostAdded >> 20) +
                    " МБ; выберите для ячеек с текстом формат \"@\" (в LibreOffice \"Формат → Ячейки…\", вкладка "
                    "\"Числа\", категория \"Текст\") и сохраните книгу");
    }
    return strings.Add(shown);
  }
  void Shown(int row, int col, std::uint32_t text, const office::TNumberFormat& format) {
    if (text == kNoText) Unreadable(row, col, UnreadableCell::TextBeyondFormat, std::to_string(format.id));
    else Add(row, col, CellKind::Text).text = text;
  }

  static constexpr std::uint32_t kNoText = 0xFFFFFFFF;
  static constexpr std::uint64_t kMostAdded = std::uint64_t{128} << 20;
  std::uint64_t added_ = 0;  // bytes the formats added to the book's texts
  static constexpr std::size_t kMaxFormats = 0x7FFF;
  const std::string& path_;
  std::map<std::string, std::uint32_t, std::less<>> values_;  // the texts of unreadable cells kept
  std::map<std::pair<std::uint32_t, int>, std::uint32_t> sharedShown_;  // (shared text, format) -> shown text
  std::map<std::pair<std::string, int>, std::uint32_t> textShown_;       // (cell's text, format) -> shown text
  std::map<int, std::uint32_t> formatIds_;                     // by the book's number: TCell::format's
  std::vector<TCell>& cells_;
  std::vector<office::TNumberFormat>& formats_;
  office::TMergedRanges& merged_;
  std::uint64_t maxMerged_;
  bool ordered_ = true;
};

namespace {

// Whether a sheet holds a table: two rows, each with two cells that show something. A title, a column of
// notes and an empty sheet hold none.
class TTableRows : public office::TSheetSink {
public:
  explicit TTableRows(const office::TStringTable& strings) : strings_(strings) {}
  void Number(int row, int /*col*/, double /*value*/) override { Count(row); }
  void Date(int row, int /*col*/, double /*serial*/) override { Count(row); }
  void Text(int row, int /*col*/, std::string_view text) override {
    if (!ImportTrimmed(text).empty()) Count(row);
  }
  void Shared(int row, int col, std::uint32_t index) override { Text(row, col, strings_.At(index)); }
  void Unreadable(int row, int /*col*/, UnreadableCell /*why*/, std::string_view /*value*/) override { Count(row); }
  bool Table() const { return tableRows_ >= 2; }

private:
  void Count(int row) {
    // a sheet of a million rows of one cell each is no table, and costs no million counts
    if (Table() || (cells_.size() >= kMostRows && !cells_.count(row))) return;
    if (++cells_[row] == 2) ++tableRows_;
  }
  static constexpr std::size_t kMostRows = 65536;
  const office::TStringTable& strings_;
  std::map<int, int> cells_;  // by row: the cells that show something
  int tableRows_ = 0;
};

// The visible sheets after the first, each told whether it holds a table.
class TLaterSheets : public office::TBookSink {
public:
  bool WantsCells() const override { return true; }
  office::TSheetSink* Sheet(const std::string& name, bool hidden) override {
    if (std::exchange(first_, false) || hidden) return nullptr;
    sheets.emplace_back(name, std::make_unique<TTableRows>(strings));
    return sheets.back().second.get();
  }
  std::vector<std::pair<std::string, std::unique_ptr<TTableRows>>> sheets;

private:
  bool first_ = true;
};

}  // namespace

std::string TSheetReader::LaterTableSheet() const {
  TLaterSheets book;
  try {
    office::ReadWorkbookInto(path_, book);
  } catch (const Error&) {
    // a later sheet that cannot be read names no sheet of data: the first sheet stays the one refused
    return {};
  }
  for (const auto& [name, rows] : book.sheets)
    if (rows->Table()) return name;
  return {};
}

bool TSheetReader::HoldsTableRow() const {
  for (std::size_t row = 1; row + 1 < rowFirst_.size(); ++row) {
    int shown = 0;
    for (std::size_t at = rowFirst_[row]; at < rowFirst_[row + 1] && shown < 2; ++at) shown += ShowsOwn(cells_[at]);
    if (shown >= 2) return true;
  }
  return false;
}

TSheetReader::TSheetReader() = default;
TSheetReader::~TSheetReader() = default;

void TSheetReader::Open(const std::string& path) {
  Close();
  TFirstSheet book(path, cells_, formats_, merged_);
  try {
    office::ReadWorkbookInto(path, book);
    if (!book.found) throw Error("Ошибка чтения файла \"" + path + "\": в книге нет листов");
    if (const std::string overlap = merged_.Build(); !overlap.empty())
      throw Error("Ошибка чтения файла \"" + path + "\": лист \"" + book.sheetName + "\": " + overlap);
  } catch (...) {
    Close();
    throw;
  }
  book.Finish();
  const int lastRow = cells_.empty() ? 0 : static_cast<int>(cells_.back().row);
  rowFirst_.assign(static_cast<std::size_t>(lastRow) + 2, 0);
  // rowFirst_[r] is the first cell of row r or of a later row; rowFirst_[lastRow + 1] the end
  std::size_t at = 0;
  for (int r = 0; r <= lastRow + 1; ++r) {
    while (at < cells_.size() && static_cast<int>(cells_[at].row) < r) ++at;
    rowFirst_[static_cast<std::size_t>(r)] = static_cast<std::uint32_t>(at);
  }
  texts_ = std::make_unique<office::TStringTable>(std::move(book.strings));
  // each text's blankness is decided once, by the blanks at its ends: a text padded with thousands of
  // them, named by every cell of a column or shown by a range merged down one, costs its length once and
  // not once for each look at a cell
  blankTexts_.assign(texts_->Size(), false);
  for (std::size_t i = 0; i < texts_->Size(); ++i)
    blankTexts_[i] = ImportTrimmed(texts_->At(static_cast<std::uint32_t>(i))).empty();
  rowHolds_.assign(rowFirst_.size(), false);
  for (const TCell& cell : cells_)
    if (!rowHolds_[cell.row] && ShowsOwn(cell)) rowHolds_[cell.row] = true;
  sheetName_ = book.sheetName;
  path_ = path;
  open_ = true;
  // the first sheet is the one read: one without a row of a table in front of a sheet with a table (a
  // title page, last month's notes) is refused naming the sheet that holds the data, never read as a
  // book of nothing
  if (book.sheets > 1 && !HoldsTableRow()) {
    if (const std::string table = LaterTableSheet(); !table.empty()) {
      Close();
      throw Error(FirstSheetWithoutTableMessage(path, book.sheetName, table));
    }
  }
}

void TSheetReader::Close() {
  open_ = false;
  path_.clear();
  sheetName_.clear();
  cells_.clear();
  cells_.shrink_to_fit();
  formats_.clear();
  merged_.Clear();
  rowFirst_.clear();
  rowFirst_.shrink_to_fit();
  rowHolds_.clear();
  rowHolds_.shrink_to_fit();
  blankTexts_.clear();
  blankTexts_.shrink_to_fit();
  texts_.reset();
  verdicts_.clear();
  verdicts_.shrink_to_fit();
  refusals_.clear();
}

void TSheetReader::SetTextCheck(TSheetTextCheck check) {
  check_ = std::move(check);
  verdicts_.clear();
  refusals_.clear();
}

void TSheetReader::CheckText(const TCell& cell, int row, int col) const {
  // an index past the table (a reader's slip on a damaged file) reads as the empty text, as At() gives
  // it, which no check refuses: it must not index past the verdicts either
  if (!check_ || cell.text >= texts_->Size()) return;
  if (verdicts_.size() != texts_->Size()) verdicts_.assign(texts_->Size(), 0);
  std::uint8_t& verdict = verdicts_[cell.text];
  if (verdict == 0) {
    std::string reason = check_(texts_->At(cell.text));
    verdict = reason.empty() ? 1 : 2;
    if (!reason.empty()) refusals_[cell.text] = std::move(reason);
  }
  // the reason is the text's; the message names the cell read
  if (verdict == 2) throw Error(ImportCellMessage(path_, sheetName_, row, col, refusals_.at(cell.text)));
}

const TSheetReader::TCell* TSheetReader::Find(int row, int col) const {
  if (!open_ || row < 1 || col < 1 || static_cast<std::size_t>(row) + 1 >= rowFirst_.size()) return nullptr;
  const auto first = cells_.begin() + rowFirst_[static_cast<std::size_t>(row)];
  const auto last = cells_.begin() + rowFirst_[static_cast<std::size_t>(row) + 1];
  const auto wanted = static_cast<std::uint32_t>(col);
  const auto it = std::lower_bound(first, last, wanted, [](const TCell& c, std::uint32_t w) { return c.col < w; });
  return it == last || it->col != wanted ? nullptr : &*it;
}

bool TSheetReader::CellNumber(int row, int col, double& value) const {
  const TCell* cell = Find(row, col);
  if (!cell || static_cast<CellKind>(cell->kind) != CellKind::Number) return false;
  value = cell->number;
  return true;
}

std::string TSheetReader::UnreadableReason(int row, int col) const {
  const TCell* it = Find(row, col);
  if (!it || it->kind < kUnreadableKind) return {};
  return UnreadableCellReason(static_cast<UnreadableCell>(it->kind - kUnreadableKind), texts_->At(it->text));
}

std::string TSheetReader::Cell(int row, int col) const {
  const TCell* it = Find(row, col);
  if (!it) return {};
  if (it->kind >= kUnreadableKind) {
    const auto why = static_cast<UnreadableCell>(it->kind - kUnreadableKind);
    throw Error(UnreadableCellMessage(path_, sheetName_, row, col, why, texts_->At(it->text)));
  }
  const auto kind = static_cast<CellKind>(it->kind);
  if (kind == CellKind::Date && IsDay(*it)) return NumberCellText(kind, it->number);
  if (kind != CellKind::Text) return ShownText(*it);
  CheckText(*it, row, col);
  return std::string(texts_->At(it->text));
}

bool TSheetReader::IsDay(const TCell& cell) const {
  return cell.format == 0 || cell.format > formats_.size() || formats_[cell.format - 1].show == office::TNumberShow::Date;
}

TOutsideValue TSheetReader::Value(int row, int col) const {
  // a merged cell shows its first cell's value in the range's first column: the rows below the first
  // show it too (a name over two metering points is each one's), while the cells beside that column show
  // nothing in any row, whatever the file keeps hidden in them (a point's name merged over its address
  // is no address). A row the sheet holds nothing else in is no row of the range's value: it shows
  // nothing there, though within the sheet's data it ends no data (a station's name merged down over an
  // empty row above its feeders), and a range reaching past the data makes no row.
  if (const office::TMergedRange* range = merged_.Find(row, col);
      range && (row != range->firstRow || col != range->firstCol)) {
    if (col != range->firstCol) return {};
    if (!HoldsData(row))
      return row <= LastRow() && !Blank(range->firstRow, range->firstCol) ? TOutsideValue::RangeBlank(range->Name())
                                                                          : TOutsideValue();
    return StoredValue(range->firstRow, range->firstCol).Covered(range->Name());
  }
  return StoredValue(row, col);
}

bool TSheetReader::Blank(int row, int col) const {
  // a row that holds no data shows nothing in any cell, the first cell of a range included (a range's
  // value makes its first row one of data): a scan down a column merged to the sheet's end asks the
  // ranges only in the rows of data
  if (!HoldsData(row)) return true;
  if (const office::TMergedRange* range = merged_.Find(row, col)) {
    if (col != range->firstCol) return true;
    row = range->firstRow;
  }
  const TCell* it = Find(row, col);
  if (!it) return true;
  return BlankCell(*it);
}

bool TSheetReader::BlankCell(const TCell& cell) const {
  if (cell.kind != static_cast<std::uint32_t>(CellKind::Text))
    return cell.kind == static_cast<std::uint32_t>(CellKind::Empty) || cell.kind == kUnsureEmptyKind;
  // an index past the table reads as the empty text (TStringTable::At)
  return cell.text >= blankTexts_.size() || blankTexts_[cell.text];
}

bool TSheetReader::ShowsOwn(const TCell& cell) const {
  // a cell a range covers shows the range's value or nothing, never what the file keeps in it
  if (BlankCell(cell)) return false;
  const auto row = static_cast<int>(cell.row), col = static_cast<int>(cell.col);
  const office::TMergedRange* range = merged_.Find(row, col);
  return !range || (range->firstRow == row && range->firstCol == col);
}

bool TSheetReader::HoldsOwnData(int row, int lastCol) const {
  if (!HoldsData(row)) return false;
  const std::size_t end = rowFirst_[static_cast<std::size_t>(row) + 1];
  for (std::size_t at = rowFirst_[static_cast<std::size_t>(row)]; at < end && static_cast<int>(cells_[at].col) <= lastCol; ++at)
    if (ShowsOwn(cells_[at])) return true;
  return false;
}

bool TSheetReader::HoldsData(int row) const {
  return row >= 0 && static_cast<std::size_t>(row) < rowHolds_.size() && rowHolds_[static_cast<std::size_t>(row)];
}

TOutsideValue TSheetReader::StoredValue(int row, int col) const {
  const TCell* it = Find(row, col);
  if (!it) return {};
  if (it->kind == kUnsureEmptyKind) return TOutsideValue::UnsureEmpty(UnreadableCellReason(UnreadableCell::FormulaWithoutResult, {}));
  if (it->kind >= kUnreadableKind)
    return TOutsideValue::Unreadable(
        UnreadableCellReason(static_cast<UnreadableCell>(it->kind - kUnreadableKind), texts_->At(it->text)));
  const auto kind = static_cast<CellKind>(it->kind);
  if (kind == CellKind::Number) {
    bool cut = false;
    std::string shown = ShownText(*it, &cut);
    if (cut) return TOutsideValue::CutNumber(it->number, shown, CutNumberReason(it->number, shown));
    return TOutsideValue::Number(it->number, std::move(shown));
  }
  if (kind == CellKind::Date) {
    // a day of the calendar is no number however its format shows it; a duration or a time of day
    // counts hours and minutes
    return IsDay(*it) ? TOutsideValue::Day(it->number, ShownText(*it)) : TOutsideValue::Date(it->number, ShownText(*it));
  }
  CheckText(*it, row, col);
  return TOutsideValue::Text(std::string(texts_->At(it->text)));
}

std::string TSheetReader::ShownText(const TCell& cell, bool* dropsDigits) const {
  const auto kind = static_cast<CellKind>(cell.kind);
  if (cell.format == 0 || cell.format > formats_.size()) return NumberCellText(kind, cell.number, dropsDigits);
  return office::ShownNumberText(formats_[cell.format - 1], cell.number, dropsDigits);
}

const std::string& TSheetReader::SheetName() const { return sheetName_; }

}  // namespace ld
