#pragma once
// Growable arrays of fixed-size elements: table columns, row marks and working lists.
// Arrays are used from index 1 (element 0 exists and stays zero). Writing or taking the address of an
// index beyond the allocated size grows the array; new elements are zero.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/base/large_memory.h"

namespace ld {

// Longest text a string element keeps, in characters.
inline constexpr int kShortStringMax = 255;

class TDynamicArray {
public:
  // Knows the byte count, since large arrays are mapped on their own (core/base/large_memory.h); an
  // array living in a block shared with others holds the block instead.
  struct TFree {
    std::size_t bytes;
    std::shared_ptr<unsigned char> shared;
    void operator()(unsigned char* p) const;
  };
  using TBytes = std::unique_ptr<unsigned char[], TFree>;

  // Size becomes the multiple of Delta just above count, so index count is always valid.
  // Throws ld::Error("Ошибка выполнения (DynamicArray)") for an element size of 0 or a size above MaxSize.
  TDynamicArray(int count, int elemSize);
  virtual ~TDynamicArray();
  TDynamicArray(const TDynamicArray&) = delete;
  TDynamicArray& operator=(const TDynamicArray&) = delete;

  int Size() const { return size_; }        // allocated elements; valid indices 0..Size-1
  int ElemSize() const { return elemSize_; }
  int MaxSize() const { return maxSize_; }  // the largest size a new array may have
  int Delta() const { return delta_; }      // growth step in elements (512 bytes' worth, at least 1)

  // Bytes an array made for count elements of elemSize takes.
  static std::size_t BytesFor(int count, int elemSize);
  // Moves a new, empty array into zeroed memory at `at`, BytesFor(count, ElemSize()) long, inside a
  // block that arrays made together share (the columns of one table take their memory from the system
  // in one request). The array then holds count elements, as if made for them; it holds the block until
  // it grows out of it or is destroyed.
  void UseShared(int count, std::shared_ptr<unsigned char> block, unsigned char* at);

  // Elements in use; the array never changes it, its users maintain it.
  int Count = 0;

  // The type letter of a layout column held in this kind of array; 0 for arrays that hold none.
  virtual char TypeLetter() const = 0;

  // Address of element index, growing the array when index > Size-1.
  void* ItemPtr(int index) {
    EnsureIndex(index);
    return data_.get() + static_cast<std::size_t>(index) * elemSize_;
  }
  void* Data() { return data_.get(); }
  const void* Data() const { return data_.get(); }

  // Grows so that index is valid.
  void EnsureIndex(int index) {
    if (index < 0 || index >= size_) Grow(index);
  }

  // Removes elements From..To, moving the rest down and zeroing the freed tail. Ignored unless
  // 0 <= From <= To <= Size-1.
  virtual void Delete(int from, int to);
  // Zeroes every element.
  virtual void Clear();
  // Opens one zeroed element at index; last is the last element in use (callers pass the row count).
  void Insert(int index, int last);
  // Opens n zeroed elements at index.
  void InsertN(int index, int n, int last);
  // Swaps two elements; ignored unless both indices are valid.
  void Exchange(int i, int j);
  // Writes every element out in full, for code that moves the bytes of elements as they are.
  virtual void SettleElements() {}

protected:
  unsigned char* Bytes() { return data_.get(); }
  const unsigned char* Bytes() const { return data_.get(); }
  unsigned char* At(int index) { return data_.get() + static_cast<std::size_t>(index) * elemSize_; }
  const unsigned char* At(int index) const {
    return data_.get() + static_cast<std::size_t>(index) * elemSize_;
  }
  // Frees what elements from..to own before their bytes are overwritten or zeroed.
  virtual void ReleaseRange(int /*from*/, int /*to*/) {}

private:
  void Grow(int index);
  void ZeroRange(int from, int count);

  int size_ = 0;
  int elemSize_ = 0;
  int maxSize_ = 0;
  int delta_ = 1;
  TBytes data_;
};

// Typed access to a numeric, byte or pointer array. The elements are contiguous from Data().
template <typename T, char Letter>
class TTypedArray : public TDynamicArray {
public:
  using value_type = T;
  explicit TTypedArray(int count = 0) : TDynamicArray(count, static_cast<int>(sizeof(T))) {}

  char TypeLetter() const override { return Letter; }

  T* ItemPtr(int index) { return static_cast<T*>(TDynamicArray::ItemPtr(index)); }
  // Reference to element i, growing the array as needed.
  T& operator[](int i) { return *ItemPtr(i); }
  // Element i, or zero beyond the allocated size (no growth).
  T Get(int i) const { return i >= 0 && i < Size() ? Data()[i] : T{}; }

  T* Data() { return reinterpret_cast<T*>(Bytes()); }
  const T* Data() const { return reinterpret_cast<const T*>(Bytes()); }
};

class DAbyte final : public TTypedArray<std::uint8_t, 'b'> {
public:
  using TTypedArray::TTypedArray;
};
// One character of a layout column: a Windows-1251 byte.
class DAChar final : public TTypedArray<char, 'c'> {
public:
  using TTypedArray::TTypedArray;
};
class DAsmallint final : public TTypedArray<std::int16_t, 'i'> {
public:
  using TTypedArray::TTypedArray;
};
class DAword final : public TTypedArray<std::uint16_t, 'w'> {
public:
  using TTypedArray::TTypedArray;
};
class DALongint final : public TTypedArray<std::int32_t, 'l'> {
public:
  using TTypedArray::TTypedArray;
};
class DAint64 final : public TTypedArray<std::int64_t, 'n'> {
public:
  using TTypedArray::TTypedArray;
};
class DAsingle final : public TTypedArray<float, 'f'> {
public:
  using TTypedArray::TTypedArray;
};
class DAreal final : public TTypedArray<double, 'r'> {
public:
  using TTypedArray::TTypedArray;
};
class DAdouble final : public TTypedArray<double, 'd'> {
public:
  using TTypedArray::TTypedArray;
};
class DAboolean final : public TTypedArray<bool, '\0'> {
public:
  using TTypedArray::TTypedArray;
};

// Untyped pointers that the array does not own.
class DAPointer final : public TTypedArray<void*, '\0'> {
public:
  using TTypedArray::TTypedArray;
  void* GetItem(int index) const { return Get(index); }  // nullptr beyond Size-1
  void SetItem(int index, void* p) { (*this)[index] = p; }
};

// Texts of up to 255 characters (UTF-8). The texts of the whole array live in one store, each element
// holding where its text lies, so a column of a million rows is two allocations, not a million, and an
// element never set or set to the empty text costs its 8 bytes alone.
class DAString final : public TDynamicArray {
public:
  explicit DAString(int count = 0);
  ~DAString() override;

  char TypeLetter() const override { return 's'; }

  // The text of element index; empty for an element never set or beyond Size-1 (no growth).
  std::string GetItem(int index) const;
  // The same text without a copy; valid until the next change of the array.
  std::string_view GetView(int index) const;
  // Whether element index holds a text, the empty text included (never set: false).
  bool IsSet(int index) const { return index >= 0 && index < Size() && (SlotAt(index) != 0 || SetEmpty(index)); }
  // The text as a std::string, nullptr for an element never set or beyond Size-1. An element set to the
  // empty text has a stored (empty) text. The string is made on first request and stays valid until
  // the element is set again, released or the array cleared; GetView serves without making one.
  const std::string* GetPtr(int index) const;
  // Replaces element index (growing as needed) by a copy of text cut to 255 characters.
  void SetItem(int index, std::string_view text);
  // SetItem for a reader filling a new array: an element never set takes its text without the checks
  // that a change needs.
  void SetNew(int index, std::string_view text);
  // SetNew of the empty text for elements from..to.
  void SetNewEmpty(int from, int to);
  // Room for that many more bytes of text, for a reader that knows what comes.
  void ReserveText(std::size_t bytes);
  // Bytes of the text store, for memory accounting.
  std::size_t TextCapacity() const { return text_.capacity(); }

  void Clear() override;
  void SettleElements() override;
  // Rewrites the store with the live texts alone, in element order: after the elements were moved
  // about (a sort), texts of neighbouring elements lie together again. Strings handed out by GetPtr
  // stay valid.
  void Compact();

protected:
  void ReleaseRange(int from, int to) override;

private:
  // An element: 0 never set (but see emptyUpTo_); else bit 16 set, bits 0..15 the length, bits 17.. the
  // offset in text_.
  static constexpr std::uint64_t kSetBit = std::uint64_t{1} << 16;
  static constexpr int kOffsetShift = 17;
  std::uint64_t SlotAt(int index) const;
  void PutSlot(int index, std::uint64_t slot);
  void Forget(std::uint64_t slot);  // the text of a slot becomes garbage

  std::vector<char, TLargeAllocator<char>> text_;
  std::size_t garbage_ = 0;  // bytes of text_ that no element refers to
  // Elements 1..emptyUpTo_ are all set: one whose slot is 0 holds the empty text. A reader marks its runs
  // of empty texts so, without writing a slot for each: a column of a million empty cells would take
  // 8 MB of fresh memory for nothing. Whatever moves elements writes these slots out first.
  int emptyUpTo_ = 0;
  bool SetEmpty(int index) const { return index >= 1 && index <= emptyUpTo_; }
  // Strings handed out by GetPtr, by the offset of their text.
  mutable std::unordered_map<std::uint64_t, std::unique_ptr<std::string>> made_;
};

// Texts stored inline with a fixed capacity Len (0..255 characters; a capacity of 0 holds the empty
// text): each element is a length byte and Len bytes of Windows-1251 text, exactly the element layout
// of a "t" column in a table file, so a column moves between file and memory without conversion.
// GetItem and SetItem speak UTF-8; a character without a Windows-1251 code is stored as '?'.
class DAFstring final : public TDynamicArray {
public:
  DAFstring(int len, int count = 0);

  char TypeLetter() const override { return 't'; }
  int Len() const { return ElemSize() - 1; }

  // Address of the inline element (length byte, then the Windows-1251 bytes), growing as needed.
  unsigned char* ItemPtr(int index) { return static_cast<unsigned char*>(TDynamicArray::ItemPtr(index)); }
  // The text of element index; empty beyond Size-1 (no growth).
  std::string GetItem(int index) const;
  // Stores text cut to Len characters, growing as needed.
  void SetItem(int index, std::string_view text);
};

}  // namespace ld
