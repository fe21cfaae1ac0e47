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
  double Get(int row) const {
    // Inline for the float and double columns, all of the results: the write-back reads and sets some
    // twenty cells a row of a table of a million rows.
    if (row >= 0 && row < array_->Size()) {
      if (type_ == 'f') return static_cast<const DAsingle*>(array_)->Data()[row];
      if (type_ == 'd') return static_cast<const DAdouble*>(array_)->Data()[row];
    }
    return CellOfType(array_, type_, row);
  }
  void Set(int row, double value) {
    if (row >= 0 && row < array_->Size()) {
      if (type_ == 'f') {
        static_cast<DAsingle*>(array_)->Data()[row] = ToSingle(value);
        return;
      }
      if (type_ == 'd') {
        static_cast<DAdouble*>(array_)->Data()[row] = std::isfinite(value) ? value : 0;
        return;
      }
    }
    SetAny(row, value);
  }

  static double CellOfType(const TDynamicArray* array, char type, int row);

private:
  // A result that is not a number, or that its column cannot hold, must never reach a table: it would
  // read back as garbage everywhere (a huge double turns into an infinite Single).
  static float ToSingle(double value) {
    constexpr double largest = std::numeric_limits<float>::max();
    return std::isfinite(value) && value >= -largest && value <= largest ? static_cast<float>(value) : 0.0f;
  }
  void SetAny(int row, double value);

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
