#include "core/tables/table_ops.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
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

// The sort keys of a text's characters in upper case: texts order as CompareCp1251 orders them.
std::u32string TextKey(std::string_view text) {
  const std::string upper = UpperCase(text);
  std::u32string key;
  key.reserve(upper.size());
  std::size_t pos = 0;
  while (pos < upper.size()) key.push_back(static_cast<char32_t>(Cp1251SortKey(NextUtf8Char(upper, pos))));
  return key;
}

// The text of an inline fixed-string element (length byte and Windows-1251 bytes).
std::string FixedText(const void* element) {
  const auto* p = static_cast<const unsigned char*>(element);
  return Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(p + 1), p[0]));
}

int CompareTexts(std::string_view a, std::string_view b) {
  if (a.empty() || b.empty()) return a.empty() ? (b.empty() ? 0 : -1) : 1;
  return CompareCp1251(UpperCase(a), UpperCase(b));
}

bool IsKnownType(char type) {
  return std::strchr("bcdfilnrstw", type) != nullptr && type != 0;
}

// The cached keys of one column, so that a sort compares numbers and prepared texts only.
struct KeyColumn {
  enum Kind { Int, Real, Text } kind = Int;
  std::vector<std::int64_t> ints;
  std::vector<double> reals;
  std::vector<std::u32string> texts;
  // The first eight character keys of each text, one byte each, packed so that where two numbers differ
  // the texts order as they do: most comparisons end here, on numbers that lie together, instead of on
  // texts spread over the heap. A key of 255 or more ends the packing (as 255, then zeros), so that keys
  // that do not fit a byte never decide; equal numbers leave the order to the texts.
  std::vector<std::uint64_t> prefixes;

  static std::uint64_t Prefix(const std::u32string& key) {
    std::uint64_t prefix = 0;
    bool ended = false;
    for (std::size_t k = 0; k < 8; ++k) {
      std::uint64_t byte = 0;
      if (!ended && k < key.size()) {
        byte = std::min<std::uint64_t>(key[k], 0xFF);
        ended = byte == 0xFF;
      }
      prefix = prefix << 8 | byte;
    }
    return prefix;
  }

  KeyColumn(const TDynamicArray& column, char type, int count) {
    if (type == 'd' || type == 'r' || type == 'f') {
      kind = Real;
      reals.resize(static_cast<std::size_t>(count) + 1);
      for (int r = 1; r <= count; ++r) {
        const void* p = ValuePtr(column, type, r);
        const double v = type == 'f' ? static_cast<double>(Load<float>(p)) : Load<double>(p);
        // NaN compares equal to every value; in a sort it goes first so that the order stays strict.
        reals[static_cast<std::size_t>(r)] = std::isnan(v) ? -INFINITY : v;
      }
    } else if (type == 's' || type == 't') {
      kind = Text;
      texts.resize(static_cast<std::size_t>(count) + 1);
      const auto* strings = type == 's' ? dynamic_cast<const DAString*>(&column) : nullptr;
      prefixes.resize(static_cast<std::size_t>(count) + 1);
      for (int r = 1; r <= count; ++r) {
        const auto at = static_cast<std::size_t>(r);
        if (type == 's') {
          if (strings) texts[at] = TextKey(strings->GetView(r));
        } else {
          texts[at] = TextKey(FixedText(ValuePtr(column, type, r)));
        }
        prefixes[at] = Prefix(texts[at]);
      }
    } else {
      kind = Int;
      ints.resize(static_cast<std::size_t>(count) + 1);
      for (int r = 1; r <= count; ++r) {
        const void* p = ValuePtr(column, type, r);
        std::int64_t v = 0;
        switch (type) {
          case 'b':
          case 'c': v = Load<std::uint8_t>(p); break;
          case 'i': v = Load<std::int16_t>(p); break;
          case 'w': v = Load<std::uint16_t>(p); break;
          case 'l': v = Load<std::int32_t>(p); break;
          default: v = Load<std::int64_t>(p); break;
        }
        ints[static_cast<std::size_t>(r)] = v;
      }
    }
  }

  // <0, 0, >0 for rows a and b.
  int Compare(int a, int b) const {
    const auto ia = static_cast<std::size_t>(a), ib = static_cast<std::size_t>(b);
    switch (kind) {
      case Int: return ints[ia] < ints[ib] ? -1 : (ints[ib] < ints[ia] ? 1 : 0);
      case Real: return reals[ia] < reals[ib] ? -1 : (reals[ib] < reals[ia] ? 1 : 0);
      default:
        if (prefixes[ia] != prefixes[ib]) return prefixes[ia] < prefixes[ib] ? -1 : 1;
        return texts[ia].compare(texts[ib]);
    }
  }
};

// Rows 1..count in stable ascending order of the keys; perm[i] is the row that goes to place i.
std::vector<std::int32_t> SortedOrder(const std::vector<KeyColumn>& keys, int count) {
  std::vector<std::int32_t> perm(static_cast<std::size_t>(count));
  std::iota(perm.begin(), perm.end(), 1);
  std::stable_sort(perm.begin(), perm.end(), [&](std::int32_t a, std::int32_t b) {
    for (const KeyColumn& key : keys) {
      const int c = key.Compare(a, b);
      if (c != 0) return c < 0;
    }
    return false;
  });
  return perm;
}

bool IsIdentity(const std::vector<std::int32_t>& perm) {
  for (std::size_t i = 0; i < perm.size(); ++i)
    if (perm[i] != static_cast<std::int32_t>(i + 1)) return false;
  return true;
}

// Moves the elements of rows 1..n so that place i gets the element of row perm[i-1], rows from..to
// at a time into a new block. Raw bytes move, so the texts a string array owns change places without
// being copied: every text still has exactly one owner.
class Permuter {
public:
  Permuter(TDynamicArray& array, const std::vector<std::int32_t>& perm)
      : array_(array), perm_(perm), size_(static_cast<std::size_t>(array.ElemSize())) {
    array_.EnsureIndex(static_cast<int>(perm.size()));
    array_.SettleElements();  // the elements move as bytes
    block_.resize(perm.size() * size_);
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
    if (!block_.empty()) std::memcpy(static_cast<unsigned char*>(array_.Data()) + size_, block_.data(), block_.size());
  }

private:
  // A fixed element size lets the compiler copy each element in one move.
  template <std::size_t N>
  void MoveAs(int from, int to) {
    const auto* src = static_cast<const unsigned char*>(array_.Data());
    const std::size_t size = N != 0 ? N : size_;
    for (int i = from; i <= to; ++i)
      std::memcpy(&block_[static_cast<std::size_t>(i - 1) * size],
                  src + static_cast<std::size_t>(perm_[static_cast<std::size_t>(i - 1)]) * size, size);
  }

  TDynamicArray& array_;
  const std::vector<std::int32_t>& perm_;
  std::size_t size_;
  std::vector<unsigned char> block_;
};

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
  const std::vector<KeyColumn> keys{KeyColumn(column, type, count)};
  const std::vector<std::int32_t> order = SortedOrder(keys, count);
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

  std::vector<KeyColumn> cache;
  for (int k = 0; k < keyCount; ++k) {
    const int col = keys[static_cast<std::size_t>(k)];
    if (col >= 1 && col <= table.NCols && table.Columns[col] && IsKnownType(table.ColType[col]))
      cache.emplace_back(*table.Columns[col], table.ColType[col], n);
  }
  const std::vector<std::int32_t> order = SortedOrder(cache, n);
  changed = !IsIdentity(order);

  if (!progress) {
    // Without a progress to report, one column after another: a single block in use at a time instead
    // of a fresh one for every column at once.
    for (int k = 1; k <= table.NCols; ++k)
      if (table.Columns[k]) {
        Permuter p(*table.Columns[k], order);
        p.Move(1, n);
        p.Finish();
      }
    if (table.MarkRec) {
      Permuter p(*table.MarkRec, order);
      p.Move(1, n);
      p.Finish();
    }
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
