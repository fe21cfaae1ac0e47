#pragma once
// Where the workbook readers put what they read: the readers walk a file once and hand each cell of
// each worksheet to a sink, so that a caller keeps the cells in the form it needs (a whole Workbook, or
// the first sheet alone in compact form) and is never made to hold the file's XML or a second copy.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/office/number_formats.h"
#include "core/office/workbook.h"

namespace ld::office {

// Texts packed one after another in one buffer: millions of them cost their bytes and one offset each.
class TStringTable {
public:
  std::uint32_t Add(std::string_view text) {
    bytes_.append(text);
    ends_.push_back(bytes_.size());
    return static_cast<std::uint32_t>(ends_.size() - 1);
  }
  // An index past the table shows as an empty text instead of reading past the table's end: the
  // readers refuse such an index, but a slip of theirs must not read foreign memory.
  std::string_view At(std::uint32_t index) const {
    if (index >= ends_.size()) return {};
    const std::size_t begin = index == 0 ? 0 : ends_[index - 1];
    return std::string_view(bytes_).substr(begin, ends_[index] - begin);
  }
  std::size_t Size() const { return ends_.size(); }
  void Clear() {
    bytes_.clear();
    bytes_.shrink_to_fit();
    ends_.clear();
    ends_.shrink_to_fit();
  }

private:
  std::string bytes_;
  std::vector<std::size_t> ends_;
};

// The cells of one sheet as they are met; rows and columns from 1. The .xlsx reader hands each cell once
// (it refuses a sheet holding one twice); a cell of a legacy workbook met again replaces the one met
// before.
class TSheetSink {
public:
  virtual ~TSheetSink() = default;
  virtual void Number(int row, int col, double value) = 0;
  virtual void Date(int row, int col, double serial) = 0;
  virtual void Text(int row, int col, std::string_view text) = 0;
  // Entry `index` of the book's shared texts (the reader has checked that it exists).
  virtual void Shared(int row, int col, std::uint32_t index) = 0;
  // A cell that holds no value the program can take; value: an error value as the file writes it.
  virtual void Unreadable(int row, int col, UnreadableCell why, std::string_view value) = 0;
  // A formula whose kept result is the empty text, in a book whose program keeps what it was given
  // without calculating it: "" or never calculated, the file cannot tell. By default an empty cell, as a
  // whole workbook keeps it.
  virtual void UnsureEmpty(int /*row*/, int /*col*/) {}
  // A merged range of the sheet (rows firstRow..lastRow, columns firstCol..lastCol, each pair in order,
  // more than one cell): the sheet shows its first cell's value over the whole range. By default left
  // out, as a whole workbook keeps the cells alone.
  virtual void Merged(int /*firstRow*/, int /*firstCol*/, int /*lastRow*/, int /*lastCol*/) {}
  // A text whose format sets it among texts of its own (TNumberFormat::text, "Д-"@): by default kept as
  // the text stored, as a whole workbook keeps its cells. Shared: entry `index` of the book's texts.
  virtual void FormattedText(int row, int col, std::string_view text, const TNumberFormat& /*format*/) {
    Text(row, col, text);
  }
  virtual void FormattedShared(int row, int col, std::uint32_t index, const TNumberFormat& /*format*/) {
    Shared(row, col, index);
  }
  // A number whose format gives it its text (TNumberShow::Padded, or Duration and Clock as kind Date): by
  // default kept as the plain number or date, as a whole workbook keeps its cells.
  virtual void Formatted(int row, int col, CellKind kind, double value, const TNumberFormat& /*format*/) {
    if (kind == CellKind::Date)
      Date(row, col, value);
    else
      Number(row, col, value);
  }
};

// A workbook as it is read: the shared texts, filled before any cell refers to them, and the sheets.
class TBookSink {
public:
  virtual ~TBookSink() = default;

  // Whether any sheet will be wanted: when not, the reader skips the shared texts too.
  virtual bool WantsCells() const = 0;
  // A worksheet in the workbook's order (chart and macro sheets are none), hidden or not: the sink of its
  // cells, or nullptr to leave it unread.
  virtual TSheetSink* Sheet(const std::string& name, bool hidden) = 0;

  TStringTable strings;
};

// Hands a number cell to the sink by its format: a date (the serial day shifted by the book's date
// system) when a date format shows one a calendar can, with the format when it shows the day its own way
// ("01.11" under DD.MM), a number with its format when the format gives
// it its text (a duration counts no calendar day, so no date system shifts it; a time of day keeps its
// serial day as a date's), else the plain number. A number its format does not show (ShowsNumber) is an
// unreadable cell, never the empty text the format gives it.
void StoreFormattedNumber(TSheetSink& sheet, int row, int col, double value, const TNumberFormat* format,
                          double dateShift);

// Hands a text cell to the sink by its format: with it where the format sets a text among texts of its
// own, else as it is. Shared: entry `index` of the book's texts.
void StoreFormattedText(TSheetSink& sheet, int row, int col, std::string_view text, const TNumberFormat* format);
void StoreFormattedShared(TSheetSink& sheet, int row, int col, std::uint32_t index, const TNumberFormat* format);

// Read the workbook into the sink: .xlsx and legacy .xls as ReadXlsx and ReadXls read them, failing
// with the same errors.
void ReadXlsxInto(const std::string& path, TBookSink& book);
void ReadXlsInto(const std::string& path, TBookSink& book);
// Either, told by the file's contents as ReadWorkbook tells them.
void ReadWorkbookInto(const std::string& path, TBookSink& book);

}  // namespace ld::office
