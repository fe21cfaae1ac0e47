#pragma once
// Access to the result columns of the node and branch tables by field name, whatever numeric type the
// layout gives a column (a float column may be declared "d" or "r", a 16-bit one "i" or "w").
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "core/tables/layout.h"

namespace ld {

class TNumberColumn {
public:
  // Throws the field's "not found" error when the layout has no such field or it is not numeric.
  TNumberColumn(const std::string& fieldName, const TDataFile& table);
  // Inline: the write-back sets some twenty cells a row of a table of a million rows.
  double Get(int row) const { return CellOfType(array_, type_, row); }
  void Set(int row, double value) {
    // A result that is not a number, or that its column cannot hold, must never reach a table: it would
    // read back as garbage everywhere (a huge double turns into an infinite Single).
    if (!std::isfinite(value)) value = 0;
    auto fit = [&value]<class T>(T) {
      if (!(value >= static_cast<double>(std::numeric_limits<T>::lowest()) &&
            value <= static_cast<double>(std::numeric_limits<T>::max())))
        value = 0;
      return static_cast<T>(value);
    };
    switch (type_) {
      case 'b': (*static_cast<DAbyte*>(array_))[row] = fit(std::uint8_t{}); break;
      case 'd': (*static_cast<DAdouble*>(array_))[row] = value; break;
      case 'f': (*static_cast<DAsingle*>(array_))[row] = fit(float{}); break;
      case 'i': (*static_cast<DAsmallint*>(array_))[row] = fit(std::int16_t{}); break;
      case 'l': (*static_cast<DALongint*>(array_))[row] = fit(std::int32_t{}); break;
      case 'n': (*static_cast<DAint64*>(array_))[row] = fit(std::int64_t{}); break;
      case 'r': (*static_cast<DAreal*>(array_))[row] = value; break;
      case 'w': (*static_cast<DAword*>(array_))[row] = fit(std::uint16_t{}); break;
      default: break;
    }
  }

  static double CellOfType(const TDynamicArray* array, char type, int row) {
    switch (type) {
      case 'b': return static_cast<const DAbyte*>(array)->Get(row);
      case 'd': return static_cast<const DAdouble*>(array)->Get(row);
      case 'f': return static_cast<const DAsingle*>(array)->Get(row);
      case 'i': return static_cast<const DAsmallint*>(array)->Get(row);
      case 'l': return static_cast<const DALongint*>(array)->Get(row);
      case 'n': return static_cast<double>(static_cast<const DAint64*>(array)->Get(row));
      case 'r': return static_cast<const DAreal*>(array)->Get(row);
      case 'w': return static_cast<const DAword*>(array)->Get(row);
      default: return 0;
    }
  }

private:
  TDynamicArray* array_;
  char type_;
};

class TTextColumn {
public:
  TTextColumn(const std::string& fieldName, const TDataFile& table);
  std::string Get(int row) const;
  void Set(int row, std::string_view text);
  // Whether the cell's text begins with the Latin capital letter `latin` or its small letter.
  bool StartsWithLetter(int row, char latin) const;

private:
  TDynamicArray* array_;
  char type_;
};

// The value of a numeric cell of any column type; 0 for a missing array or a text column.
double NumericCell(const TDynamicArray* array, int row);

// The angle of a complex value in degrees as the tables hold it: 0 for 0, ±90 on the imaginary axis,
// else the arctangent, 180 more on the left half-plane.
double TableAngle(double re, double im);

}  // namespace ld
