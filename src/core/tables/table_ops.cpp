#include "core/tables/table_ops.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <numeric>
#include <utility>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/file_replace.h"
#include "core/base/msgbox.h"
#include "core/base/strings.h"

namespace ld {

namespace {

// What a row beyond an array's size holds: zeros, which also read as an empty fixed string.
alignas(8) constexpr unsigned char kZeroElement[256] = {};

template <typename T>
std::uint8_t Order3(T a, T b) {
  return a < b ? 1 : (b < a ? 3 : 2);
}

template <typename T>
T Load(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// The key by which texts order one character, taken in upper case: Cp1251SortKey(UpperChar(c)).
// Tables serve the characters of one and two UTF-8 bytes (almost every character of a district's
// names) and the bytes of fixed strings; the rest is computed.
struct TUpperKeys {
  std::array<std::uint16_t, 0x800> small{};  // code points below 0x800
  std::array<std::uint16_t, 256> fixed{};    // Windows-1251 bytes
  TUpperKeys() {
    for (char32_t cp = 0; cp < 0x800; ++cp) small[cp] = static_cast<std::uint16_t>(Cp1251SortKey(UpperChar(cp)));
    for (unsigned b = 0; b < 256; ++b)
      fixed[b] = static_cast<std::uint16_t>(Cp1251SortKey(UpperChar(Cp1251Char(static_cast<unsigned char>(b)))));
  }
};
const TUpperKeys& UpperKeys() {
  static const TUpperKeys keys;
  return keys;
}

// The key of the character at pos, moving pos past it; a malformed byte counts as NextUtf8Char reads it.
// Upper-casing a text and then reading its characters gives the same keys: a changed letter is
// written whole and never joins a stray byte before it.
inline unsigned NextUpperKey(const TUpperKeys& keys, std::string_view text, std::size_t& pos) {
  const auto b = static_cast<unsigned char>(text[pos]);
  if (b < 0x80) {
    ++pos;
    return keys.small[b];
  }
  if (b >= 0xC2 && b <= 0xDF && pos + 1 < text.size()) {
    const auto c = static_cast<unsigned char>(text[pos + 1]);
    if ((c & 0xC0) == 0x80) {
      pos += 2;
      return keys.small[(b & 0x1Fu) << 6 | (c & 0x3Fu)];
    }
  }
  return Cp1251SortKey(UpperChar(NextUtf8Char(text, pos)));
}

// The text of an inline fixed-string element (length byte and Windows-1251 bytes).
std::string FixedText(const void* element) {
  const auto* p = static_cast<const unsigned char*>(element);
  return Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(p + 1), p[0]));
}

// CompareCp1251 of the texts in upper case, read character by character without copies.
int CompareTexts(std::string_view a, std::string_view b) {
  if (a.empty() || b.empty()) return a.empty() ? (b.empty() ? 0 : -1) : 1;
  const TUpperKeys& keys = UpperKeys();
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const unsigned ka = NextUpperKey(keys, a, i);
    const unsigned kb = NextUpperKey(keys, b, j);
    if (ka != kb) return ka < kb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  return j < b.size() ? -1 : 0;
}

bool IsKnownType(char type) {
  return std::strchr("bcdfilnrstw", type) != nullptr && type != 0;
}

// The keys of one sort column, prepared so that a sort compares bytes and numbers only. A number
// becomes an unsigned number of the same order. A text becomes a string of order bytes: a character
// key below 0xFE as key + 1, a larger one as 0xFF and the rest of the key in three bytes, so that the
// strings compare byte by byte (memcmp) as the texts do, a text ending before another of its beginning
// comes first, and no text's byte is 0, which pads a text in the eight-byte chunks the sort takes.
class TSortKey {
public:
  TSortKey(const TDynamicArray& column, char type, int count) : text_(type == 's' || type == 't') {
    if (!text_) {
      numbers_.resize(static_cast<std::size_t>(count) + 1);
      for (int r = 1; r <= count; ++r) numbers_[static_cast<std::size_t>(r)] = Number(ValuePtr(column, type, r), type);
      return;
    }
    starts_.assign(static_cast<std::size_t>(count) + 2, 0);
    const auto* strings = type == 's' ? dynamic_cast<const DAString*>(&column) : nullptr;
    const TUpperKeys& keys = UpperKeys();
    bytes_.reserve(static_cast<std::size_t>(count) * 10);
    for (int r = 1; r <= count; ++r) {
      starts_[static_cast<std::size_t>(r)] = static_cast<std::uint32_t>(bytes_.size());
      if (type == 's') {
        if (!strings) continue;
        const std::string_view view = strings->GetView(r);
        for (std::size_t pos = 0; pos < view.size();) Put(NextUpperKey(keys, view, pos));
      } else {
        const auto* p = static_cast<const unsigned char*>(ValuePtr(column, type, r));
        for (unsigned k = 1; k <= p[0]; ++k) Put(keys.fixed[p[k]]);
      }
    }
    starts_[static_cast<std::size_t>(count) + 1] = static_cast<std::uint32_t>(bytes_.size());
  }

  bool IsText() const { return text_; }

  // Order bytes of the row's text.
  std::size_t Length(int row) const {
    const auto r = static_cast<std::size_t>(row);
    return starts_[r + 1] - starts_[r];
  }

  // Eight order bytes from depth on as one number (zeros past the end); a number row's own number.
  std::uint64_t Chunk(int row, std::size_t depth) const {
    const auto r = static_cast<std::size_t>(row);
    if (!text_) return numbers_[r];
    const std::size_t length = Length(row);
    const unsigned char* p = bytes_.data() + starts_[r];
    if (length >= depth + 8) {
      std::uint64_t v;
      std::memcpy(&v, p + depth, 8);
      if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
      return v;
    }
    std::uint64_t v = 0;
    for (std::size_t k = depth; k < depth + 8; ++k) v = v << 8 | (k < length ? p[k] : 0u);
    return v;
  }

  // <0, 0, >0 for rows a and b, texts compared from order byte depth on.
  int Compare(int a, int b, std::size_t depth) const {
    const auto ia = static_cast<std::size_t>(a), ib = static_cast<std::size_t>(b);
    if (!text_) return numbers_[ia] < numbers_[ib] ? -1 : (numbers_[ib] < numbers_[ia] ? 1 : 0);
    const std::size_t la = Length(a), lb = Length(b);
    const std::size_t na = la > depth ? la - depth : 0, nb = lb > depth ? lb - depth : 0;
    const std::size_t common = std::min(na, nb);
    if (common > 0) {
      const int c = std::memcmp(bytes_.data() + starts_[ia] + depth, bytes_.data() + starts_[ib] + depth, common);
      if (c != 0) return c;
    }
    return na < nb ? -1 : (nb < na ? 1 : 0);
  }

private:
  static std::uint64_t Number(const void* p, char type) {
    constexpr std::uint64_t kSign = std::uint64_t{1} << 63;
    switch (type) {
      case 'b':
      case 'c': return Load<std::uint8_t>(p);
      case 'i': return static_cast<std::uint64_t>(std::int64_t{Load<std::int16_t>(p)}) ^ kSign;
      case 'w': return Load<std::uint16_t>(p);
      case 'l': return static_cast<std::uint64_t>(std::int64_t{Load<std::int32_t>(p)}) ^ kSign;
      case 'n': return static_cast<std::uint64_t>(Load<std::int64_t>(p)) ^ kSign;
      default: {
        double v = type == 'f' ? static_cast<double>(Load<float>(p)) : Load<double>(p);
        // NaN compares equal to every value; in a sort it goes first so that the order stays strict.
        // -0 equals 0.
        if (std::isnan(v)) v = -INFINITY;
        if (v == 0) v = 0;
        const auto bits = std::bit_cast<std::uint64_t>(v);
        return (bits & kSign) != 0 ? ~bits : bits | kSign;
      }
    }
  }

  void Put(unsigned key) {
    if (key < 0xFE) {
      bytes_.push_back(static_cast<unsigned char>(key + 1));
      return;
    }
    key -= 0xFE;
    const unsigned char wide[4] = {0xFF, static_cast<unsigned char>(key >> 16), static_cast<unsigned char>(key >> 8),
                                   static_cast<unsigned char>(key)};
    bytes_.insert(bytes_.end(), wide, wide + 4);
  }

  bool text_;
  std::vector<std::uint64_t> numbers_;  // by row
  std::vector<unsigned char> bytes_;    // the order bytes of every row, one after another
  std::vector<std::uint32_t> starts_;   // row r: bytes_[starts_[r] .. starts_[r + 1])
};

// Rows 1..count in stable ascending order of the keys; perm[i] is the row that goes to place i.
// Eight order bytes of a key at a time are sorted by a stable radix sort; rows alike in them go on to
// the next eight bytes or the next key. Short runs are sorted by comparison, the row deciding last.
class TSortedOrder {
public:
  TSortedOrder(const std::vector<TSortKey>& keys, int count) : keys_(keys), items_(static_cast<std::size_t>(count)) {
    for (std::size_t i = 0; i < items_.size(); ++i) items_[i].row = static_cast<std::uint32_t>(i + 1);
    if (!keys_.empty()) Sort(0, items_.size(), 0, 0);
  }

  std::vector<std::int32_t> Rows() const {
    std::vector<std::int32_t> perm(items_.size());
    for (std::size_t i = 0; i < items_.size(); ++i) perm[i] = static_cast<std::int32_t>(items_[i].row);
    return perm;
  }

private:
  struct TItem {
    std::uint64_t chunk;
    std::uint32_t row;
  };
  static constexpr std::size_t kShortRun = 128;

  bool Less(std::uint32_t a, std::uint32_t b, std::size_t key, std::size_t depth) const {
    for (; key < keys_.size(); ++key, depth = 0) {
      const int c = keys_[key].Compare(static_cast<int>(a), static_cast<int>(b), depth);
      if (c != 0) return c < 0;
    }
    return a < b;
  }

  // Orders items lo..hi-1, alike in every key before key and in its order bytes before depth.
  void Sort(std::size_t lo, std::size_t hi, std::size_t key, std::size_t depth) {
    if (hi - lo < 2) return;
    const auto first = items_.begin() + static_cast<std::ptrdiff_t>(lo);
    const auto last = items_.begin() + static_cast<std::ptrdiff_t>(hi);
    if (hi - lo <= kShortRun) {
      std::sort(first, last, [&](const TItem& a, const TItem& b) { return Less(a.row, b.row, key, depth); });
      return;
    }
    const TSortKey& k = keys_[key];
    for (auto it = first; it != last; ++it) it->chunk = k.Chunk(static_cast<int>(it->row), depth);
    Radix(lo, hi);
    for (std::size_t i = lo; i < hi;) {
      std::size_t j = i + 1;
      while (j < hi && items_[j].chunk == items_[i].chunk) ++j;
      if (j - i > 1) {
        bool longer = false;
        for (std::size_t m = i; k.IsText() && m < j && !longer; ++m)
          longer = k.Length(static_cast<int>(items_[m].row)) > depth + 8;
        if (longer)
          Sort(i, j, key, depth + 8);
        else if (key + 1 < keys_.size())
          Sort(i, j, key + 1, 0);
      }
      i = j;
    }
  }

  // Stable least-significant-byte-first sort of items lo..hi-1 by chunk; a byte all items share costs
  // no pass.
  void Radix(std::size_t lo, std::size_t hi) {
    const std::size_t n = hi - lo;
    std::vector<std::array<std::uint32_t, 256>> counts(8);
    for (std::size_t i = lo; i < hi; ++i)
      for (unsigned b = 0; b < 8; ++b) ++counts[b][(items_[i].chunk >> (8 * b)) & 0xFF];
    if (spare_.size() < items_.size()) spare_.resize(items_.size());
    TItem* from = items_.data() + lo;
    TItem* to = spare_.data() + lo;
    for (unsigned b = 0; b < 8; ++b) {
      std::array<std::uint32_t, 256>& count = counts[b];
      if (count[(from->chunk >> (8 * b)) & 0xFF] == n) continue;
      std::uint32_t sum = 0;
      for (std::uint32_t& c : count) sum += std::exchange(c, sum);
      for (std::size_t i = 0; i < n; ++i) to[count[(from[i].chunk >> (8 * b)) & 0xFF]++] = from[i];
      std::swap(from, to);
    }
    if (from != items_.data() + lo) std::copy(from, from + n, items_.data() + lo);
  }

  const std::vector<TSortKey>& keys_;
  std::vector<TItem> items_;
  std::vector<TItem> spare_;
};

bool IsIdentity(const std::vector<std::int32_t>& perm) {
  for (std::size_t i = 0; i < perm.size(); ++i)
    if (perm[i] != static_cast<std::int32_t>(i + 1)) return false;
  return true;
}

// Moves the elements of rows 1..n so that place i gets the element of row perm[i-1], rows from..to
// at a time into a block, which Finish copies back. Raw bytes move, so the texts a string array owns
// change places without being copied: every text still has exactly one owner. The block is the
// permuter's own, or one that permuters used one after another share (at least n elements of this
// array's size); it is never read before it is written.
class Permuter {
public:
  Permuter(TDynamicArray& array, const std::vector<std::int32_t>& perm, unsigned char* shared = nullptr)
      : array_(array), perm_(perm), size_(static_cast<std::size_t>(array.ElemSize())) {
    array_.EnsureIndex(static_cast<int>(perm.size()));
    array_.SettleElements();  // the elements move as bytes
    bytes_ = perm.size() * size_;
    if (!shared && bytes_ > 0) own_ = std::make_unique_for_overwrite<unsigned char[]>(bytes_);
    block_ = shared ? shared : own_.get();
  }
  void Move(int from, int to) {
    switch (size_) {
      case 1: MoveAs<1>(from, to); break;
      case 2: MoveAs<2>(from, to); break;
      case 4: MoveAs<4>(from, to); break;
      case 8: MoveAs<8>(from, to); break;
      default: MoveAs<0>(from, to); break;
    }
  }
  void Finish() {
    if (bytes_ > 0) std::memcpy(static_cast<unsigned char*>(array_.Data()) + size_, block_, bytes_);
  }

private:
  // A fixed element size lets the compiler copy each element in one move.
  template <std::size_t N>
  void MoveAs(int from, int to) {
    const auto* src = static_cast<const unsigned char*>(array_.Data());
    const std::size_t size = N != 0 ? N : size_;
    for (int i = from; i <= to; ++i)
      std::memcpy(block_ + static_cast<std::size_t>(i - 1) * size,
                  src + static_cast<std::size_t>(perm_[static_cast<std::size_t>(i - 1)]) * size, size);
  }

  TDynamicArray& array_;
  const std::vector<std::int32_t>& perm_;
  std::size_t size_;
  std::size_t bytes_ = 0;
  std::unique_ptr<unsigned char[]> own_;
  unsigned char* block_ = nullptr;
};

// Once every column has moved, the texts of the string columns are laid out again in the new order:
// the rows a sorted table's user walks one after another have their texts together. Done last, so that
// a store that cannot be rewritten for want of memory leaves the table whole.
void CompactTexts(TDataFile& table) {
  for (int k = 1; k <= table.NCols; ++k)
    if (auto* strings = dynamic_cast<DAString*>(table.Columns[k].get())) strings->Compact();
}

void CopyElement(const TDynamicArray& from, TDynamicArray& to, int fromRow, int toRow) {
  if (const auto* strings = dynamic_cast<const DAString*>(&from)) {
    auto& target = dynamic_cast<DAString&>(to);
    target.SetItem(toRow, strings->GetView(fromRow));
    return;
  }
  const int size = from.ElemSize();
  const void* src = fromRow >= 0 && fromRow < from.Size()
                        ? static_cast<const unsigned char*>(from.Data()) + static_cast<std::size_t>(fromRow) * size
                        : kZeroElement;
  std::memcpy(to.ItemPtr(toRow), src, static_cast<std::size_t>(std::min(size, to.ElemSize())));
}

// The binary search of BinarySearchColumn within rows lo..hi. When it stops without a match, lo = hi
// = mid and the value belongs before or after row mid.
int SearchRange(const void* value, const TDynamicArray& column, char type, int lo, int hi, bool& found) {
  found = false;
  if (hi < lo) return lo;
  const int top = hi;
  int mid = lo;
  std::uint8_t c = 2;
  for (;;) {
    mid = (lo + hi) / 2;
    c = CompareValues(value, ValuePtr(column, type, mid), type);
    if (c == 2 || c == 255) break;
    if (hi == lo + 1) {
      if (c == 3) {
        lo = hi;
        continue;
      }
      hi = lo;
    } else if (c == 1) {
      hi = mid;
    } else {
      lo = mid;
    }
    if (lo == hi) break;
  }
  if (c != 2) return c == 1 ? mid : mid + 1;
  found = true;
  int last = mid;
  while (last < top && CompareValues(value, ValuePtr(column, type, last + 1), type) == 2) ++last;
  return last;
}

}  // namespace

// ---- rows -----------------------------------------------------------------------------------------

int MaxTableRows(const TDataFile& table) {
  int rows = 0;
  bool any = false;
  for (int k = 1; k <= table.NCols; ++k) {
    const TDynamicArray* column = table.Columns[k].get();
    if (column == nullptr) continue;
    rows = any ? std::min(rows, column->MaxSize()) : column->MaxSize();
    any = true;
  }
  return rows;
}

void InsertTableRow(TDataFile& table, int row) {
  for (int k = 1; k <= table.NCols; ++k)
    if (table.Columns[k]) table.Columns[k]->Insert(row, table.RowCount);
  if (table.MarkRec) table.MarkRec->Insert(row, table.RowCount);
}

void DeleteTableRow(TDataFile& table, int row) {
  for (int k = 1; k <= table.NCols; ++k)
    if (table.Columns[k]) table.Columns[k]->Delete(row, row);
  if (table.MarkRec) table.MarkRec->Delete(row, row);
}

void InsertTableRows(TDataFile& table, int row, int count) {
  if (count <= 0) return;
  for (int k = 1; k <= table.NCols; ++k)
    if (table.Columns[k]) table.Columns[k]->InsertN(row, count, table.RowCount);
  if (table.MarkRec) table.MarkRec->InsertN(row, count, table.RowCount);
  table.RowCount += count;
}

void DeleteTableRows(TDataFile& table, int first, int last) {
  // Rows beyond the table are not there to remove: the row count must not drop below what is left.
  first = std::max(first, 1);
  last = std::min(last, table.RowCount);
  if (first > last) return;
  for (int k = 1; k <= table.NCols; ++k)
    if (table.Columns[k]) table.Columns[k]->Delete(first, last);
  if (table.MarkRec) table.MarkRec->Delete(first, last);
  table.RowCount -= last - first + 1;
}

// ---- copies ---------------------------------------------------------------------------------------

void CopyTable(const TDataFile& source, TDataFile& destination) {
  if (&source == &destination) return;
  destination.Name = source.Name;
  destination.Extention = source.Extention;
  destination.Title = source.Title;
  destination.FileDate = source.FileDate;
  destination.NCols = source.NCols;
  destination.ColFlag = source.ColFlag;
  destination.ColType = source.ColType;
  destination.PixWidth = source.PixWidth;
  destination.CtrlSize = source.CtrlSize;
  destination.FltDigit = source.FltDigit;
  destination.Access = source.Access;
  destination.Visible = source.Visible;
  destination.Colors = source.Colors;
  destination.TitleColor = source.TitleColor;
  destination.FieldName = source.FieldName;
  destination.ColTitle = source.ColTitle;
  destination.Comment = source.Comment;
  destination.NOrder = source.NOrder;
  destination.Order = source.Order;
  destination.RowCount = source.RowCount;
  const int rows = source.RowCount;
  for (int k = 0; k <= kMaxColumns; ++k) {
    destination.Columns[k].reset();
    const TDynamicArray* from = k >= 1 && k <= source.NCols ? source.Columns[k].get() : nullptr;
    if (!from) continue;
    destination.Columns[k] = NewColumnArray(source.ColType[k], rows, source.CtrlSize[k]);
    if (!destination.Columns[k]) continue;
    for (int r = 1; r <= rows; ++r) CopyElement(*from, *destination.Columns[k], r, r);
  }
  destination.MarkRec.reset();
  if (source.MarkRec) {
    destination.MarkRec = std::make_unique<DAbyte>(rows);
    for (int r = 1; r <= rows; ++r) (*destination.MarkRec)[r] = source.MarkRec->Get(r);
  }
}

void CopyTableRow(const TDataFile& source, TDataFile& destination, int sourceRow, int destinationRow) {
  const int cols = std::min(source.NCols, destination.NCols);
  for (int k = 1; k <= cols; ++k)
    if (source.Columns[k] && destination.Columns[k])
      CopyElement(*source.Columns[k], *destination.Columns[k], sourceRow, destinationRow);
  if (source.MarkRec && destination.MarkRec) (*destination.MarkRec)[destinationRow] = source.MarkRec->Get(sourceRow);
}

// ---- comparison and search ------------------------------------------------------------------------

std::uint8_t CompareValues(const void* a, const void* b, char type) {
  switch (type) {
    case 'b':
    case 'c': return Order3(Load<std::uint8_t>(a), Load<std::uint8_t>(b));
    case 'i': return Order3(Load<std::int16_t>(a), Load<std::int16_t>(b));
    case 'w': return Order3(Load<std::uint16_t>(a), Load<std::uint16_t>(b));
    case 'l': return Order3(Load<std::int32_t>(a), Load<std::int32_t>(b));
    case 'n': return Order3(Load<std::int64_t>(a), Load<std::int64_t>(b));
    case 'd':
    case 'r': return Order3(Load<double>(a), Load<double>(b));
    case 'f': return Order3(Load<float>(a), Load<float>(b));
    case 's': {
      const std::string empty;
      const std::string& sa = a ? *static_cast<const std::string*>(a) : empty;
      const std::string& sb = b ? *static_cast<const std::string*>(b) : empty;
      const int c = CompareTexts(sa, sb);
      return c < 0 ? 1 : (c > 0 ? 3 : 2);
    }
    case 't': {
      const int c = CompareTexts(FixedText(a), FixedText(b));
      return c < 0 ? 1 : (c > 0 ? 3 : 2);
    }
    default: return 255;
  }
}

const void* ValuePtr(const TDynamicArray& column, char type, int row) {
  if (type == 's') {
    const auto* strings = dynamic_cast<const DAString*>(&column);
    return strings ? strings->GetPtr(row) : nullptr;
  }
  if (row < 0 || row >= column.Size()) return kZeroElement;
  return static_cast<const unsigned char*>(column.Data()) + static_cast<std::size_t>(row) * column.ElemSize();
}

int BinarySearchColumn(const void* value, const TDynamicArray& column, char type, bool& found, int count) {
  found = false;
  if (count <= 0) return 1;
  return SearchRange(value, column, type, 1, count, found);
}

int MultiKeySearch(std::span<const void* const> values, std::span<const std::uint8_t> keys, int keyCount,
                   bool& found, int& hi, int& lo, const TDataFile& table) {
  found = false;
  keyCount = std::min({keyCount, static_cast<int>(values.size()), static_cast<int>(keys.size())});
  if (hi < lo || keyCount < 1) return 1;
  int result = 1;
  for (int k = 0; k < keyCount; ++k) {
    const int col = keys[static_cast<std::size_t>(k)];
    const TDynamicArray* column = col >= 1 && col <= table.NCols ? table.Columns[col].get() : nullptr;
    if (!column) {
      found = false;
      return lo;
    }
    const char type = table.ColType[col];
    const void* value = values[static_cast<std::size_t>(k)];
    result = SearchRange(value, *column, type, lo, hi, found);
    if (!found) break;
    int first = result;
    while (first > lo && CompareValues(value, ValuePtr(*column, type, first - 1), type) == 2) --first;
    lo = first;
    hi = result;
  }
  return result;
}

bool InsertSorted(TDynamicArray& column, char type, int count, DALongint* perm) {
  if (count < 2 || !IsKnownType(type)) return false;
  const std::vector<TSortKey> keys{TSortKey(column, type, count)};
  const std::vector<std::int32_t> order = TSortedOrder(keys, count).Rows();
  if (IsIdentity(order)) return false;
  Permuter values(column, order);
  values.Move(1, count);
  values.Finish();
  if (perm) {
    Permuter entries(*perm, order);
    entries.Move(1, count);
    entries.Finish();
  }
  return true;
}

bool IsTableSorted(const TDataFile& table, int keyCount, std::span<const std::uint8_t> keys) {
  keyCount = std::min(keyCount, static_cast<int>(keys.size()));
  for (int r = 2; r <= table.RowCount; ++r) {
    for (int k = 0; k < keyCount; ++k) {
      const int col = keys[static_cast<std::size_t>(k)];
      if (col < 1 || col > table.NCols || !table.Columns[col]) continue;
      const char type = table.ColType[col];
      std::uint8_t c;
      if (const auto* strings = type == 's' ? dynamic_cast<const DAString*>(table.Columns[col].get()) : nullptr) {
        const int order = CompareTexts(strings->GetView(r), strings->GetView(r - 1));
        c = order < 0 ? 1 : (order > 0 ? 3 : 2);
      } else {
        c = CompareValues(ValuePtr(*table.Columns[col], type, r), ValuePtr(*table.Columns[col], type, r - 1), type);
      }
      if (c == 1) return false;
      if (c == 3) break;
    }
  }
  return true;
}

bool SortTableByFields(TDataFile& table, std::initializer_list<const char*> fields) {
  std::vector<std::uint8_t> keys;
  for (const char* field : fields) keys.push_back(static_cast<std::uint8_t>(FindColumnIndex(field, table)));
  bool changed = false;
  SortTable(table, static_cast<int>(keys.size()), keys, changed);
  return changed;
}

void SortTable(TDataFile& table, int keyCount, std::span<const std::uint8_t> keys, bool& changed,
               const TProgressProc& progress) {
  changed = false;
  keyCount = std::min(keyCount, static_cast<int>(keys.size()));
  if (keyCount <= 0 || IsTableSorted(table, keyCount, keys)) return;
  const int n = table.RowCount;

  std::vector<TSortKey> cache;
  for (int k = 0; k < keyCount; ++k) {
    const int col = keys[static_cast<std::size_t>(k)];
    if (col >= 1 && col <= table.NCols && table.Columns[col] && IsKnownType(table.ColType[col]))
      cache.emplace_back(*table.Columns[col], table.ColType[col], n);
  }
  const std::vector<std::int32_t> order = TSortedOrder(cache, n).Rows();
  changed = !IsIdentity(order);

  if (!progress) {
    // Without a progress to report, one column after another through one block for them all.
    std::size_t widest = table.MarkRec ? static_cast<std::size_t>(table.MarkRec->ElemSize()) : 0;
    for (int k = 1; k <= table.NCols; ++k)
      if (table.Columns[k]) widest = std::max(widest, static_cast<std::size_t>(table.Columns[k]->ElemSize()));
    const auto block = std::make_unique_for_overwrite<unsigned char[]>(widest * static_cast<std::size_t>(n));
    const auto moveWhole = [&](TDynamicArray& column) {
      Permuter p(column, order, block.get());
      p.Move(1, n);
      p.Finish();
    };
    for (int k = 1; k <= table.NCols; ++k)
      if (table.Columns[k]) moveWhole(*table.Columns[k]);
    if (table.MarkRec) moveWhole(*table.MarkRec);
    CompactTexts(table);
    return;
  }
  std::vector<Permuter> permuters;
  permuters.reserve(static_cast<std::size_t>(table.NCols) + 1);
  for (int k = 1; k <= table.NCols; ++k)
    if (table.Columns[k]) permuters.emplace_back(*table.Columns[k], order);
  if (table.MarkRec) permuters.emplace_back(*table.MarkRec, order);

  const int step = n < 10 ? 1 : n / 10;
  for (int from = 1; from <= n; from += step) {
    const int to = std::min(n, from + step - 1);
    for (Permuter& p : permuters) p.Move(from, to);
    if (progress && (to % step == 0)) progress(static_cast<float>(to * 100.0 / n));
  }
  for (Permuter& p : permuters) p.Finish();
  permuters.clear();  // their blocks go before the texts take new ones
  CompactTexts(table);
  if (progress) {
    progress(100);
    progress(0);
  }
}

// ---- the grid's find and the text export ----------------------------------------------------------

bool FindRowByText(const std::string& fieldName, const std::string& text, const TDataFile& table, bool exact,
                   int& row) {
  const int col = FindColumnIndex(fieldName, table);
  const std::string wanted = UpperCase(text);
  for (int r = std::max(row + 1, 1); r <= table.RowCount; ++r) {
    const std::string cell = UpperCase(GetCellText(table, r, col, false));
    if (exact ? cell == wanted : cell.find(wanted) != std::string::npos) {
      row = r;
      return true;
    }
  }
  ShowMsgForm("Поиск закончен", mkInfo, mbOk);
  row = 0;
  return false;
}

void ExportTableText(const std::string& fileName, const TDataFile& table) {
  std::string text = "№ п/п";
  for (int k = 1; k <= table.NCols; ++k)
    if (table.Visible[k] == 1) text += "\t" + table.ColTitle[k];
  text += "\r\n";
  for (int r = 1; r <= table.RowCount; ++r) {
    text += std::to_string(r);
    for (int k = 1; k <= table.NCols; ++k) {
      if (table.Visible[k] != 1) continue;
      const std::string cell = GetCellText(table, r, k, false);
      // The thousands separators of the shown number would keep a spreadsheet from reading it.
      text += "\t" + (table.ColType[k] == 'd' || table.ColType[k] == 'f' ? RemoveBlanks(cell) : cell);
    }
    text += "\r\n";
  }
  const std::string bytes = Utf8ToCp1251(text);
  WriteFileReplacing(fileName, bytes);
}

}  // namespace ld
