#pragma once
// What the card reader and writer share: the slicing of a card line by columns, the columns of the
// node and branch tables they use, and the letters of a switched-off branch.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/base/dynarray.h"
#include "core/tables/colmaps_int16.h"
#include "core/tables/layout.h"

namespace ld {

// Columns first..last (counted from 1, inclusive) of a line in its file bytes; the part beyond the end
// of the line reads as empty.
inline std::string_view CardField(std::string_view line, std::size_t first, std::size_t last) {
  if (first > line.size()) return {};
  return line.substr(first - 1, last - first + 1);
}
// From column first to the end of the line.
inline std::string_view CardTail(std::string_view line, std::size_t first) {
  if (first > line.size()) return {};
  return line.substr(first - 1);
}

// The number of columns first..last of a card line read whole, as every import reads a number from an
// outside file (ImportNumber): an empty field reads 0. A field that is no number, or one no column holds,
// throws ConvertError naming the columns, the field's text and why: a voltage "1O.50" (a letter O typed
// for a zero) is never read as 1.50.
double CardReal(std::string_view line, std::size_t first, std::size_t last);
// An integer field the same way (a node number, Nl, Nsh): a number within lo..hi, or ConvertError.
std::int32_t CardInt(std::string_view line, std::size_t first, std::size_t last, std::int32_t lo = INT32_MIN,
                     std::int32_t hi = INT32_MAX);
// The card code of columns 1-4 ("0201" is 201); 0 for a line whose first columns are no integer (a
// title, a comment), which is no card.
int CardCode(std::string_view line);

// Why a card line is cut inside one of the fields its card code reads (it ends after the field's first
// column and before its last: a number right-aligned in it lost its last digits); empty when it is not.
// A line that ends before a field leaves that field empty, as writers that drop trailing blanks do.
std::string CardCutFault(std::string_view line, int code);

// A branch switched off at both ends: the commutation letter "О" (Cyrillic, Windows-1251) and the
// Latin "o" at each end.
inline constexpr char kCardCommutOff = '\xCE';
inline constexpr char kCardEndOff = 'o';

// The node columns of a card scheme, found by field name in this order.
struct TCardNodeColumns {
  DALongint* NS{};
  DAString* Name{};
  DAChar* Sign{};
  DAdouble *Pn{}, *Qn{}, *Pg{}, *Qg{};
  DAsingle *Qmin{}, *Qmax{}, *Gs{}, *Bs{}, *Um{};
  DAdouble* Angle{};
  TInt16Column Nsh{};
  DAsingle* Ush{};
};
struct TCardBranchColumns {
  DALongint *N1{}, *N2{};
  DAbyte* Nl{};
  DAChar *Com1{}, *Com2{}, *Commut{};
  DAsingle *R{}, *X{}, *G{}, *B{}, *Kta{}, *Ktr{};
};

// A field missing from the layout, or declared with another type, raises the table store's "not found"
// error. Columns not yet created are created empty first.
TCardNodeColumns FindCardNodeColumns(TDataFile& table);
TCardBranchColumns FindCardBranchColumns(TDataFile& table);

// Makes rows 1..rows of every column valid (zeroed), as writing them one by one would.
void ReserveCardRows(const TCardNodeColumns& c, int rows);
void ReserveCardRows(const TCardBranchColumns& c, int rows);

[[noreturn]] void ThrowCardReadError(const std::string& fileName);

}  // namespace ld
