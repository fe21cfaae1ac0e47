#include "core/district/subscriber_cells.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <utility>

#include "core/base/codepage.h"
#include "core/base/import_number.h"
#include "core/base/import_text.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"

namespace ld {

void PutText(TDynamicArray* column, int row, std::string_view text) {
  if (auto* s = dynamic_cast<DAString*>(column))
    s->SetItem(row, text);
  else if (auto* t = dynamic_cast<DAFstring*>(column))
    t->SetItem(row, text);
}

void PutNumber(TDynamicArray* column, int row, double value) {
  if (auto* d = dynamic_cast<DAdouble*>(column))
    (*d)[row] = value;
  else if (auto* r = dynamic_cast<DAreal*>(column))
    (*r)[row] = value;
  else if (auto* f = dynamic_cast<DAsingle*>(column))
    (*f)[row] = static_cast<float>(value);
}

char CharCode(char32_t c) {
  if (c == 0) return 0;
  const int code = Cp1251Code(c);
  return static_cast<char>(code >= 0 ? code : '?');
}

char32_t FirstChar(std::string_view text) {
  if (text.empty()) return 0;
  std::size_t pos = 0;
  return NextUtf8Char(text, pos);
}


TTextField TextField(const TDataFile& layout, const char* field) {
  const int k = FindColumnIndex(field, layout);
  return {layout.CtrlSize[k], layout.ColTitle[k]};
}

std::string FieldLengthFault(std::string_view text, const TTextField& field) {
  std::string fault = ImportLengthFault(text, field.Width, field.Title);
  if (!fault.empty()) fault += ", а в тексте " + std::to_string(Utf8Length(text));
  return fault;
}

void CheckFieldFit(std::string_view text, const TTextField& field, int row, int col) {
  if (std::string fault = FieldLengthFault(text, field); !fault.empty()) throw TCellTextError(row, col, std::move(fault));
}

void CheckCellName(std::string_view name, int row, int col) {
  if (std::string fault = ImportNameFault(name); !fault.empty()) throw TCellTextError(row, col, std::move(fault));
}

Error CellRefusal(const TSheetReader& sheet, const TCellTextError& e) {
  if (e.Row == 0)
    return Error("Ошибка чтения файла \"" + sheet.FileName() + "\": лист \"" + sheet.SheetName() + "\": " + e.Reason);
  return Error(ImportCellMessage(sheet.FileName(), sheet.SheetName(), e.Row, e.Col, e.Reason));
}

office::TFileScaledBudget ImportBudget(const std::string& path) {
  return office::TFileScaledBudget(path, "строки таблиц из этого файла занимают в памяти",
                                   office::TFileScaledLimit(office::FileSize(path), office::kHeldAnyFile,
                                                            office::kHeldPerFileByte, office::PhysicalMemory()));
}

std::size_t TableRowBytes(const TDataFile& layout) {
  std::size_t bytes = 1;  // the row's mark
  for (int k = 1; k <= layout.NCols; ++k)
    bytes += layout.ColType[k] == 's' ? sizeof(std::uint64_t)
                                      : static_cast<std::size_t>(ElementSizeOf(layout.ColType[k], layout.CtrlSize[k]));
  return bytes;
}

std::size_t HeapBytes(const std::string& text) { return text.capacity() > std::string().capacity() ? text.capacity() + 1 : 0; }

std::string StationKey(std::string_view text) { return NormalizeName(ImportName(text)); }

void ReserveRows(TDataFile& table, int rows) {
  for (int k = 1; k <= table.NCols; ++k)
    if (table.Columns[k]) table.Columns[k]->EnsureIndex(rows);
  if (table.MarkRec) table.MarkRec->EnsureIndex(rows);
}

TWalkProgress::TWalkProgress(int total, TImportProgress report) : report_(std::move(report)) { Restart(total); }

void TWalkProgress::Restart(int total) {
  total_ = std::max(total, 0);
  step_ = total_ / 10 == 0 ? total_ : total_ / 10;
  last_ = 0;
  position_ = 0;
  if (report_) report_(0);
}

void TWalkProgress::Advance(int counter) {
  if (step_ <= 0 || counter - last_ < step_) return;
  last_ = counter;
  position_ = static_cast<int>(std::min<std::int64_t>(100, position_ + Round(step_ * 100.0 / total_)));
  if (report_) report_(position_);
}

std::string BaseTitle(const std::string& baseStem) { return std::filesystem::path(baseStem).filename().string(); }

std::string DbfText(const TDbfTable& dbf, int field, int row) {
  TValueRead<std::string> name = dbf.Value(field).Name();
  if (!name) {
    // a character without a code in a base that reads as names otherwise: most likely its code page is
    // another than its header says
    const bool codePage = name.Fault.find("нельзя записать в таблицу") != std::string::npos;
    throw TSourceTextError(ImportRowMessage(dbf.FileName(), row, "поле " + dbf.FieldName(field),
                                            name.Fault + (codePage ? " (база не в кодировке своего заголовка?)" : "")));
  }
  return std::move(*name.Value);
}

std::string MissingDbfField(const TDbfTable& dbf, std::initializer_list<const char*> needed) {
  for (const char* field : needed)
    if (!dbf.HasField(field)) return std::string("поле ") + field + " не найдено";
  return {};
}

TSheetTextCheck ImportTextCheck(int longest) {
  return [longest](std::string_view text) {
    // measured as the field gets it at the least: the imports cut the blanks at a name's ends, and the
    // meter points' import joins a cell's lines
    std::string joined;
    if (text.size() <= kMostCellBytes && text.find('\n') != std::string_view::npos) joined = JoinCellLines(text);
    // the code page is the name rule's (TOutsideValue::Name), after it has cut the ends: a figure space
    // or a narrow no-break space after a name, or between the thousands of a number, has no Windows-1251
    // code and is no reason to refuse the workbook
    return ImportTrimmedLengthFault(joined.empty() ? text : joined, longest);
  };
}

}  // namespace ld
