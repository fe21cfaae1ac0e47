#include "core/base/dynarray.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/large_memory.h"

namespace ld {

namespace {

[[noreturn]] void Fail() { throw Error("Ошибка выполнения (DynamicArray)"); }

// Zero-filled memory. Memory fresh from the system is zero already, so a large column does not have every
// page touched once for the zeros and again for its values.
TDynamicArray::TBytes Allocate(std::size_t bytes) {
  auto* memory = static_cast<unsigned char*>(AllocateZeroed(bytes));
  if (memory == nullptr) Fail();
  return TDynamicArray::TBytes(memory, TDynamicArray::TFree{bytes, {}});
}

}  // namespace

void TDynamicArray::TFree::operator()(unsigned char* p) const {
  if (!shared) FreeZeroed(p, bytes);
}

namespace {

// The size of an array made for count elements, in elements: the multiple of delta just above count.
long long SizeFor(int count, int delta) { return (static_cast<long long>(std::max(count, 0)) / delta + 1) * delta; }
int DeltaOf(int elemSize) { return std::max(512 / elemSize, 1); }

}  // namespace

TDynamicArray::TDynamicArray(int count, int elemSize) {
  if (elemSize <= 0) Fail();
  elemSize_ = elemSize;
  maxSize_ = 0x7FFFFFF / elemSize;
  delta_ = DeltaOf(elemSize);
  const long long size = SizeFor(count, delta_);
  if (size > maxSize_) Fail();
  size_ = static_cast<int>(size);
  data_ = Allocate(static_cast<std::size_t>(size_) * elemSize_);
}

std::size_t TDynamicArray::BytesFor(int count, int elemSize) {
  if (elemSize <= 0) Fail();
  return static_cast<std::size_t>(SizeFor(count, DeltaOf(elemSize))) * static_cast<std::size_t>(elemSize);
}

void TDynamicArray::UseShared(int count, std::shared_ptr<unsigned char> block, unsigned char* at) {
  const long long size = SizeFor(count, delta_);
  if (size > maxSize_) Fail();
  SettleElements();
  ReleaseRange(0, size_ - 1);
  data_ = TBytes(at, TFree{0, std::move(block)});
  size_ = static_cast<int>(size);
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
  SettleElements();
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
  SettleElements();
  // Elements last+1..last+n are overwritten by the move: whatever they own must go first.
  ReleaseRange(last + 1, static_cast<int>(top));
  std::memmove(At(index + n), At(index), static_cast<std::size_t>(last - index + 1) * elemSize_);
  ZeroRange(index, n);
}

void TDynamicArray::Exchange(int i, int j) {
  if (i < 0 || j < 0 || i > size_ - 1 || j > size_ - 1 || i == j) return;
  SettleElements();
  std::swap_ranges(At(i), At(i) + elemSize_, At(j));
}

// --- DAString ---

namespace {

// The first n characters of a text, as Utf8Left counts them.
std::string_view Utf8Prefix(std::string_view text, std::size_t n) {
  if (text.size() <= n) return text;  // every character takes at least one byte
  std::size_t pos = 0;
  for (std::size_t i = 0; i < n && pos < text.size(); ++i) NextUtf8Char(text, pos);
  return text.substr(0, pos);
}

// Below this much garbage the store is never rewritten: small arrays keep their few stale bytes.
constexpr std::size_t kCompactFloor = 4096;

}  // namespace

DAString::DAString(int count) : TDynamicArray(count, static_cast<int>(sizeof(std::uint64_t))) {}

DAString::~DAString() = default;

std::uint64_t DAString::SlotAt(int index) const {
  std::uint64_t slot;
  std::memcpy(&slot, At(index), sizeof slot);
  return slot;
}

void DAString::PutSlot(int index, std::uint64_t slot) { std::memcpy(At(index), &slot, sizeof slot); }

void DAString::Forget(std::uint64_t slot) {
  const std::size_t length = slot & 0xFFFF;
  if (length == 0) return;
  garbage_ += length;
  if (!made_.empty()) made_.erase(slot >> kOffsetShift);
}

void DAString::ReleaseRange(int from, int to) {
  for (int i = std::max(from, 0); i <= to && i < Size(); ++i) {
    Forget(SlotAt(i));
    PutSlot(i, 0);
  }
}

void DAString::Clear() {
  TDynamicArray::Clear();
  text_.clear();
  garbage_ = 0;
  made_.clear();
  emptyUpTo_ = 0;
}

void DAString::SettleElements() {
  for (int i = 1; i <= emptyUpTo_ && i < Size(); ++i) {
    if (SlotAt(i) == 0) PutSlot(i, kSetBit);
  }
  emptyUpTo_ = 0;
}

void DAString::ReserveText(std::size_t bytes) {
  if (text_.size() + bytes <= text_.capacity()) return;
  try {
    text_.reserve(text_.size() + bytes);
  } catch (const std::bad_alloc&) {
    Fail();
  }
}

void DAString::Compact() {
  std::vector<char, TLargeAllocator<char>> fresh;
  decltype(made_) made;  // the strings handed out, by their new offsets: nodes move, nothing is made
  try {
    fresh.reserve(text_.size() - garbage_);
    made.reserve(made_.size());
  } catch (const std::bad_alloc&) {
    Fail();
  }
  for (int i = 0; i < Size(); ++i) {
    const std::uint64_t slot = SlotAt(i);
    const std::size_t length = slot & 0xFFFF;
    if (length == 0) continue;
    const std::size_t offset = slot >> kOffsetShift;
    const std::size_t at = fresh.size();
    fresh.insert(fresh.end(), text_.begin() + static_cast<std::ptrdiff_t>(offset),
                 text_.begin() + static_cast<std::ptrdiff_t>(offset + length));
    PutSlot(i, (static_cast<std::uint64_t>(at) << kOffsetShift) | kSetBit | length);
    if (made_.empty()) continue;
    if (auto node = made_.extract(offset)) {
      node.key() = at;
      made.insert(std::move(node));
    }
  }
  text_ = std::move(fresh);
  garbage_ = 0;
  made_ = std::move(made);
}

std::string_view DAString::GetView(int index) const {
  if (index < 0 || index >= Size()) return {};
  const std::uint64_t slot = SlotAt(index);
  const std::size_t length = slot & 0xFFFF;
  if (length == 0) return {};
  return std::string_view(text_.data() + (slot >> kOffsetShift), length);
}

std::string DAString::GetItem(int index) const { return std::string(GetView(index)); }

const std::string* DAString::GetPtr(int index) const {
  if (index < 0 || index >= Size()) return nullptr;
  const std::uint64_t slot = SlotAt(index);
  static const std::string empty;
  if (slot == 0) return SetEmpty(index) ? &empty : nullptr;
  if ((slot & 0xFFFF) == 0) return &empty;
  std::unique_ptr<std::string>& made = made_[slot >> kOffsetShift];
  if (!made) made = std::make_unique<std::string>(GetView(index));
  return made.get();
}

void DAString::SetItem(int index, std::string_view text) {
  EnsureIndex(index);
  text = Utf8Prefix(text, kShortStringMax);
  const std::uint64_t old = SlotAt(index);
  const std::size_t oldLength = old & 0xFFFF;
  if (text.empty()) {
    Forget(old);
    PutSlot(index, kSetBit);
    return;
  }
  if (text.size() <= oldLength) {
    // In place: the element's own bytes belong to it alone (the text may be one of this array's own).
    const std::size_t offset = old >> kOffsetShift;
    if (!made_.empty()) made_.erase(offset);
    std::memmove(text_.data() + offset, text.data(), text.size());
    garbage_ += oldLength - text.size();
    PutSlot(index, (old & ~std::uint64_t{0xFFFF}) | text.size());
    return;
  }
  // A text of this very array would move under the copy when the store grows or is compacted.
  std::string own;
  if (!text_.empty() && text.data() >= text_.data() && text.data() < text_.data() + text_.size()) {
    own.assign(text);
    text = own;
  }
  if (old != 0) {
    Forget(old);
    PutSlot(index, 0);
  }
  if (garbage_ > kCompactFloor && garbage_ > text_.size() / 2) Compact();
  const std::size_t at = text_.size();
  try {
    text_.insert(text_.end(), text.begin(), text.end());
  } catch (const std::bad_alloc&) {
    Fail();
  }
  PutSlot(index, (static_cast<std::uint64_t>(at) << kOffsetShift) | kSetBit | text.size());
}

void DAString::SetNew(int index, std::string_view text) {
  // At most 255 bytes are at most 255 characters: nothing to cut.
  if (index < 0 || index >= Size() || SlotAt(index) != 0 || SetEmpty(index) || text.size() > kShortStringMax ||
      (!text_.empty() && text.data() >= text_.data() && text.data() < text_.data() + text_.size())) {
    SetItem(index, text);
    return;
  }
  const std::size_t at = text_.size();
  if (!text.empty()) {
    try {
      text_.insert(text_.end(), text.begin(), text.end());
    } catch (const std::bad_alloc&) {
      Fail();
    }
  }
  PutSlot(index, text.empty() ? kSetBit : (static_cast<std::uint64_t>(at) << kOffsetShift) | kSetBit | text.size());
  if (index == emptyUpTo_ + 1) emptyUpTo_ = index;  // a reader's rows stay one run of set elements
}

void DAString::SetNewEmpty(int from, int to) {
  if (to < from) return;
  EnsureIndex(to);
  from = std::max(from, 0);
  // Right behind the elements that are all set, and none of these set: they join them as they are.
  bool fresh = from == emptyUpTo_ + 1;
  for (int i = from; i <= to && fresh; ++i) fresh = SlotAt(i) == 0;
  if (fresh) {
    emptyUpTo_ = to;
    return;
  }
  for (int i = from; i <= to; ++i) {
    if (SlotAt(i) == 0 && !SetEmpty(i)) {
      PutSlot(i, kSetBit);
    } else {
      SetItem(i, {});
    }
  }
}

// --- DAFstring ---

DAFstring::DAFstring(int len, int count)
    // A layout may declare a capacity of 0: such a column holds the empty text, one length byte a row.
    : TDynamicArray(count, std::clamp(len, 0, kShortStringMax) + 1) {}

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
