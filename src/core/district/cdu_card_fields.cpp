#include "core/district/cdu_card_fields.h"

#include <initializer_list>
#include <span>

#include "core/base/codepage.h"
#include "core/base/import_number.h"
#include "core/base/outside_value.h"
#include "core/base/strings.h"
#include "core/tables/file_io.h"

namespace ld {

namespace {

void EnsureColumns(TDataFile& table) {
  if (!table.MarkRec) CreateColumns(table, 0);
}

TInt16Column FindInt16Column(const std::string& fieldName, const TDataFile& table) {
  TDynamicArray* array = GetColumnArray(fieldName, table);
  if (!array || (array->TypeLetter() != 'i' && array->TypeLetter() != 'w')) ThrowFieldNotFound(fieldName, table);
  return TInt16Column(array);
}

// The field's text: numbers are ASCII, and the message quotes what else stands there as the card file's
// code page writes it.
std::string FieldText(std::string_view line, std::size_t first, std::size_t last) {
  return Cp1251ToUtf8(CardField(line, first, last));
}

[[noreturn]] void ThrowFieldFault(std::size_t first, std::size_t last, const std::string& why) {
  throw ConvertError("колонки " + std::to_string(first) + "-" + std::to_string(last) + ": " + why);
}

}  // namespace

double CardReal(std::string_view line, std::size_t first, std::size_t last) {
  const TValueRead<double> read = TOutsideValue::Text(FieldText(line, first, last)).Number();
  if (!read) ThrowFieldFault(first, last, read.Fault);
  return *read;
}

std::int32_t CardInt(std::string_view line, std::size_t first, std::size_t last, std::int32_t lo, std::int32_t hi) {
  const TValueRead<int> read = TOutsideValue::Text(FieldText(line, first, last)).Integer(lo, hi);
  if (!read) ThrowFieldFault(first, last, read.Fault);
  return *read;
}

std::string CardCutFault(std::string_view line, int code) {
  struct TSpan {
    std::size_t First, Last;
  };
  static constexpr TSpan kNode[] = {{7, 8}, {9, 16}, {17, 24}, {25, 32}, {33, 40}, {41, 48},
                                    {49, 56}, {57, 64}, {65, 72}, {73, 80}, {82, 89}};
  static constexpr TSpan kBranch[] = {{5, 6}, {9, 16}, {17, 24}, {25, 32}, {33, 40}, {41, 48}, {49, 56}, {57, 64}, {65, 72}};
  static constexpr TSpan kLoad[] = {{9, 16}, {33, 40}, {41, 48}};
  static constexpr TSpan kBalancing[] = {{25, 32}};
  static constexpr TSpan kName[] = {{5, 16}};
  std::span<const TSpan> spans;
  switch (code) {
    case 201: case 299: case 5008: spans = kNode; break;
    case 301: case 399: case 309: spans = kBranch; break;
    case 202: spans = kLoad; break;
    case 102: spans = kBalancing; break;
    case 290: spans = kName; break;
    default: return {};
  }
  for (const TSpan& span : spans)
    if (line.size() >= span.First && line.size() < span.Last)
      return "карта обрывается внутри колонок " + std::to_string(span.First) + "-" + std::to_string(span.Last) +
             " (\"" + FieldText(line, span.First, span.Last) + "\"): файл обрезан или карта испорчена";
  return {};
}

int CardCode(std::string_view line) {
  return TOutsideValue::Text(FieldText(line, 1, 4)).Integer(0, 9999).Value.value_or(0);
}

TCardNodeColumns FindCardNodeColumns(TDataFile& table) {
  EnsureColumns(table);
  TCardNodeColumns c;
  c.NS = GetColumnAs<DALongint>("NS", table);
  c.Name = GetColumnAs<DAString>("Name", table);
  c.Sign = GetColumnAs<DAChar>("Sign", table);
  c.Pn = GetColumnAs<DAdouble>("Pn", table);
  c.Qn = GetColumnAs<DAdouble>("Qn", table);
  c.Pg = GetColumnAs<DAdouble>("Pg", table);
  c.Qg = GetColumnAs<DAdouble>("Qg", table);
  c.Qmin = GetColumnAs<DAsingle>("Qmin", table);
  c.Qmax = GetColumnAs<DAsingle>("Qmax", table);
  c.Gs = GetColumnAs<DAsingle>("Gs", table);
  c.Bs = GetColumnAs<DAsingle>("Bs", table);
  c.Um = GetColumnAs<DAsingle>("Um", table);
  c.Angle = GetColumnAs<DAdouble>("Angle", table);
  c.Nsh = FindInt16Column("Nsh", table);
  c.Ush = GetColumnAs<DAsingle>("Ush", table);
  return c;
}

TCardBranchColumns FindCardBranchColumns(TDataFile& table) {
  EnsureColumns(table);
  TCardBranchColumns c;
  c.N1 = GetColumnAs<DALongint>("N1", table);
  c.N2 = GetColumnAs<DALongint>("N2", table);
  c.Nl = GetColumnAs<DAbyte>("Nl", table);
  c.Com1 = GetColumnAs<DAChar>("Com1", table);
  c.Com2 = GetColumnAs<DAChar>("Com2", table);
  c.Commut = GetColumnAs<DAChar>("Commut", table);
  c.R = GetColumnAs<DAsingle>("R", table);
  c.X = GetColumnAs<DAsingle>("X", table);
  c.G = GetColumnAs<DAsingle>("G", table);
  c.B = GetColumnAs<DAsingle>("B", table);
  c.Kta = GetColumnAs<DAsingle>("Kta", table);
  c.Ktr = GetColumnAs<DAsingle>("Ktr", table);
  return c;
}

void ReserveCardRows(const TCardNodeColumns& c, int rows) {
  for (TDynamicArray* a : std::initializer_list<TDynamicArray*>{c.NS, c.Name, c.Sign, c.Pn, c.Qn, c.Pg, c.Qg, c.Qmin,
                                                                c.Qmax, c.Gs, c.Bs, c.Um, c.Angle, c.Nsh.Array(), c.Ush})
    a->EnsureIndex(rows);
}

void ReserveCardRows(const TCardBranchColumns& c, int rows) {
  for (TDynamicArray* a : std::initializer_list<TDynamicArray*>{c.N1, c.N2, c.Nl, c.Com1, c.Com2, c.Commut, c.R, c.X,
                                                                c.G, c.B, c.Kta, c.Ktr})
    a->EnsureIndex(rows);
}

void ThrowCardReadError(const std::string& fileName) {
  throw Error("Ошибка чтения файла \"" + fileio::FullFileName(fileName) + "\"");
}

}  // namespace ld
