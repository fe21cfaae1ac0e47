#include "core/base/dynarray.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "core/base/codepage.h"
#include "core/base/error.h"

namespace ld {

namespace {

[[noreturn]] void Fail() { throw Error("Ошибка выполнения (DynamicArray)"); }

std::unique_ptr<unsigned char[]> Allocate(std::size_t bytes) {
  try {
    return std::make_unique<unsigned char[]>(bytes);  // value-initialised: zero-filled
  } catch (const std::bad_alloc&) {
    Fail();
  }
}

}  // namespace

TDynamicArray::TDynamicArray(int count, int elemSize) {
  if (elemSize <= 0) Fail();
  elemSize_ = elemSize;
  maxSize_ = 0x7FFFFFF / elemSize;
  delta_ = std::max(512 / elemSize, 1);
  const long long size = (static_cast<long long>(std::max(count, 0)) / delta_ + 1) * delta_;
  if (size > maxSize_) Fail();
  size_ = static_cast<int>(size);
  data_ = Allocate(static_cast<std::size_t>(size_) * elemSize_);
}

TDynamicArray::~TDynamicArray() = default;

void TDynamicArray::Grow(int index) {
  if (index < 0) Fail();
  if (index < size_) return;
  const long long newSize = (static_cast<long long>(index) + 1) / delta_ * delta_ + delta_;
  if (newSize > std::numeric_limits<int>::max()) Fail();
  auto fresh = Allocate(static_cast<std::size_t>(newSize) * elemSize_);
  std::memcpy(fresh.get(), data_.get(), static_cast<std::size_t>(size_) * elemSize_);
  data_ = std::move(fresh);
  size_ = static_cast<int>(newSize);
}

void TDynamicArray::ZeroRange(int from, int count) {
  if (count > 0) std::memset(At(from), 0, static_cast<std::size_t>(count) * elemSize_);
}

void TDynamicArray::Delete(int from, int to) {
  if (from < 0 || to < from || to > size_ - 1) return;
  ReleaseRange(from, to);
  const int removed = to - from + 1;
  const int moved = size_ - 1 - to;
  if (moved > 0) std::memmove(At(from), At(to + 1), static_cast<std::size_t>(moved) * elemSize_);
  ZeroRange(size_ - removed, removed);
}

void TDynamicArray::Clear() {
  ReleaseRange(0, size_ - 1);
  ZeroRange(0, size_);
}

void TDynamicArray::Insert(int index, int last) { InsertN(index, 1, last); }

void TDynamicArray::InsertN(int index, int n, int last) {
  if (n <= 0) return;
  if (index < 0 || last < -1) Fail();
  const long long top = static_cast<long long>(last) + n;
  if (top > std::numeric_limits<int>::max()) Fail();
  EnsureIndex(static_cast<int>(top));
  if (last < index) return;
  // Elements last+1..last+n are overwritten by the move: whatever they own must go first.
  ReleaseRange(last + 1, static_cast<int>(top));
  std::memmove(At(index + n), At(index), static_cast<std::size_t>(last - index + 1) * elemSize_);
  ZeroRange(index, n);
}

void TDynamicArray::Exchange(int i, int j) {
  if (i < 0 || j < 0 || i > size_ - 1 || j > size_ - 1 || i == j) return;
  std::swap_ranges(At(i), At(i) + elemSize_, At(j));
}

// --- DAString ---

DAString::DAString(int count) : TDynamicArray(count, static_cast<int>(sizeof(std::string*))) {}

DAString::~DAString() { ReleaseRange(0, Size() - 1); }

void DAString::ReleaseRange(int from, int to) {
  for (int i = std::max(from, 0); i <= to && i < Size(); ++i) {
    std::unique_ptr<std::string> owned(Slot(i));  // takes the element's text back and frees it
    Slot(i) = nullptr;
  }
}

const std::string* DAString::GetPtr(int index) const {
  return index >= 0 && index < Size() ? SlotValue(index) : nullptr;
}

std::string DAString::GetItem(int index) const {
  const std::string* text = GetPtr(index);
  return text ? *text : std::string();
}

void DAString::SetItem(int index, std::string_view text) {
  EnsureIndex(index);
  auto copy = std::make_unique<std::string>(Utf8Left(text, kShortStringMax));
  ReleaseRange(index, index);
  Slot(index) = copy.release();  // owned by the array from here; freed by ReleaseRange
}

// --- DAFstring ---

DAFstring::DAFstring(int len, int count)
    : TDynamicArray(count, len <= 0 ? 0 : std::min(len, kShortStringMax) + 1) {}

std::string DAFstring::GetItem(int index) const {
  if (index < 0 || index >= Size()) return {};
  const unsigned char* element = At(index);
  const int length = std::min<int>(element[0], Len());
  return Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(element + 1), length));
}

void DAFstring::SetItem(int index, std::string_view text) {
  const std::string bytes = Utf8ToCp1251(Utf8Left(text, static_cast<std::size_t>(Len())));
  unsigned char* element = ItemPtr(index);
  element[0] = static_cast<unsigned char>(bytes.size());
  std::memcpy(element + 1, bytes.data(), bytes.size());
  std::memset(element + 1 + bytes.size(), 0, static_cast<std::size_t>(Len()) - bytes.size());
}

}  // namespace ld
