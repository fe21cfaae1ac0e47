#pragma once
// A map field of a 16-bit integer column that its layout may declare signed ("i") or unsigned ("w"):
// the code reads and writes numbers, and each is kept in the column's own type. It stands where the
// other fields hold an array pointer, so it is used the same way: field->Get(row), (*field)[row] = v.
#include <cstdint>

#include "core/base/dynarray.h"

namespace ld {

class TInt16Column {
public:
  TInt16Column() = default;
  // array: a DAsmallint or a DAword.
  explicit TInt16Column(TDynamicArray* array) : array_(array), signed_(array && array->TypeLetter() == 'i') {}

  explicit operator bool() const { return array_ != nullptr; }
  const TInt16Column* operator->() const { return this; }
  const TInt16Column& operator*() const { return *this; }
  TDynamicArray* Array() const { return array_; }

  // The value of a row; zero beyond the array.
  int Get(int row) const {
    if (row < 0 || row >= array_->Size()) return 0;
    return signed_ ? static_cast<const DAsmallint*>(array_)->Get(row) : static_cast<const DAword*>(array_)->Get(row);
  }

  // One element, growing the array as its typed element access does.
  class Ref {
  public:
    Ref(const TInt16Column& column, int row) : column_(column), row_(row) {}
    operator int() const { return column_.Get(row_); }
    Ref& operator=(int value) {
      if (column_.signed_)
        (*static_cast<DAsmallint*>(column_.array_))[row_] = static_cast<std::int16_t>(value);
      else
        (*static_cast<DAword*>(column_.array_))[row_] = static_cast<std::uint16_t>(value);
      return *this;
    }
    Ref& operator=(const Ref& other) { return *this = static_cast<int>(other); }

  private:
    const TInt16Column& column_;
    int row_;
  };
  Ref operator[](int row) const { return Ref(*this, row); }

private:
  TDynamicArray* array_ = nullptr;
  bool signed_ = true;
};

}  // namespace ld
