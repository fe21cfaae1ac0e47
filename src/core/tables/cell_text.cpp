// Text of a cell for display and machine use, and the store of a text into a cell.
#include <charconv>
#include <cstring>
#include <string_view>

#include "core/base/codepage.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/tables/cell_convert.h"

namespace ld {

namespace {

bool IsFloatType(char t) { return t == 'd' || t == 'f' || t == 'r'; }

template <typename A>
auto ValueAt(const TDynamicArray* array, int row) {
  return static_cast<const A*>(array)->Get(row);
}

template <typename T>
std::string IntText(T v) {
  return v == 0 ? std::string() : IntToStr(static_cast<std::int64_t>(v));
}

std::string FloatText(double v, int precision, int digits, bool raw) {
  if (v == 0) return {};
  if (raw || digits == -1) return FloatToStrGeneral(v, precision);
  return FloatToStrNumber(v, digits);
}

std::string CharText(char c) {
  return c == 0 ? std::string() : Cp1251ToUtf8(std::string_view(&c, 1));
}

bool ParseInt64(std::string_view s, std::int64_t& value) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return false;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  return ec == std::errc() && end == s.data() + s.size();
}

template <typename A, typename V>
bool Put(TDynamicArray* array, int row, V value) {
  auto* typed = dynamic_cast<A*>(array);
  if (!typed) return false;
  (*typed)[row] = static_cast<typename A::value_type>(value);
  return true;
}

// Stores a text into a string or fixed-string column; false when the array is not of that kind.
template <typename A>
bool PutText(TDynamicArray* array, int row, const std::string& text) {
  auto* typed = dynamic_cast<A*>(array);
  if (!typed) return false;
  typed->SetItem(row, text);
  return true;
}

// Stores a converted number; false when the text is no number of the kind.
bool StoreNumber(TDynamicArray* array, char type, int row, std::string_view text) {
  try {
    switch (type) {
      // Integers keep the low bits of the value in the column's width.
      case 'b': return Put<DAbyte>(array, row, static_cast<std::uint32_t>(StrToIntZ(text)) & 0xFFu);
      case 'i': return Put<DAsmallint>(array, row, static_cast<std::uint16_t>(StrToIntZ(text)));
      case 'w': return Put<DAword>(array, row, static_cast<std::uint16_t>(StrToIntZ(text)));
      case 'l': return Put<DALongint>(array, row, StrToIntZ(text));
      case 'n': {
        std::int64_t v = 0;
        return ParseInt64(text, v) && Put<DAint64>(array, row, v);
      }
      case 'd': return Put<DAdouble>(array, row, StrToFloatZ(text));
      case 'r': return Put<DAreal>(array, row, StrToFloatZ(text));
      case 'f': return Put<DAsingle>(array, row, StrToFloatZ(text));
      default: return false;
    }
  } catch (const ConvertError&) {
    return false;
  }
}

}  // namespace

std::string GetCellText(const TDataFile& table, int row, int col, bool raw) {
  if (col == 0) return IntToStr(row);
  if (row < 1 || row > table.RowCount || col < 0 || col > table.NCols) return {};
  const TDynamicArray* a = table.Columns[col].get();
  const char type = table.ColType[col];
  if (!a || a->TypeLetter() != type) return {};
  const int digits = table.FltDigit[col];
  std::string text;
  switch (type) {
    case 'b': text = IntText(ValueAt<DAbyte>(a, row)); break;
    case 'i': text = IntText(ValueAt<DAsmallint>(a, row)); break;
    case 'w': text = IntText(ValueAt<DAword>(a, row)); break;
    case 'l': text = IntText(ValueAt<DALongint>(a, row)); break;
    case 'n': text = IntText(ValueAt<DAint64>(a, row)); break;
    case 'c': text = CharText(ValueAt<DAChar>(a, row)); break;
    case 'd': return FloatText(ValueAt<DAdouble>(a, row), 15, digits, raw);
    case 'f': return FloatText(ValueAt<DAsingle>(a, row), 7, digits, raw);
    case 'r': return FloatText(ValueAt<DAreal>(a, row), 11, digits, raw);
    case 's': text = static_cast<const DAString*>(a)->GetItem(row); break;
    case 't': text = static_cast<const DAFstring*>(a)->GetItem(row); break;
    default: return {};
  }
  return Utf8Length(text) > table.CtrlSize[col] ? Utf8Left(text, table.CtrlSize[col]) : text;
}

bool StoreCellText(TDataFile& table, int row, int col, std::string& text) {
  if (row < 1 || col < 1 || col > table.NCols) return false;
  TDynamicArray* array = table.Columns[col].get();
  if (!array) return false;
  const char type = table.ColType[col];
  bool result = true;
  if (!IsFloatType(type) && Utf8Length(text) > table.CtrlSize[col]) {
    text = Utf8Left(text, table.CtrlSize[col]);
    result = false;
  }
  if (IsNumericType(type)) {
    const std::string_view value = text.empty() || text == "+" || text == "-" ? "0" : std::string_view(text);
    if (!StoreNumber(array, type, row, value)) {
      text.clear();
      return false;
    }
    return result;
  }
  switch (type) {
    case 'c': {
      const std::string bytes = Utf8ToCp1251(Utf8Left(text, 1));
      if (!Put<DAChar>(array, row, bytes.empty() ? '\0' : bytes.front())) return false;
      break;
    }
    case 's':
      if (!PutText<DAString>(array, row, text)) return false;
      break;
    case 't':
      if (!PutText<DAFstring>(array, row, text)) return false;
      break;
    default: return false;
  }
  return result;
}

bool SetCellText(TDataFile& table, int row, int col, std::string& text) {
  if (row < 1 || col < 1 || col > table.NCols) return false;
  if (table.Access[col] != 1) return true;
  return StoreCellText(table, row, col, text);
}

std::string StoredValueText(char typeLetter, const unsigned char* element, int elemSize) {
  auto load = [element](auto v) {
    std::memcpy(&v, element, sizeof v);
    return v;
  };
  switch (typeLetter) {
    case 'b': return IntToStr(element[0]);
    case 'c': return element[0] == 0 ? std::string() : Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(element), 1));
    case 'i': return IntToStr(load(std::int16_t{}));
    case 'w': return IntToStr(load(std::uint16_t{}));
    case 'l': return IntToStr(load(std::int32_t{}));
    case 'n': return IntToStr(load(std::int64_t{}));
    case 'f': return FloatToStrGeneral(load(float{}), 15);
    case 'd': case 'r': return FloatToStrGeneral(load(double{}), 15);
    case 't': {
      const int length = std::min<int>(element[0], elemSize - 1);
      return Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(element) + 1, length));
    }
    default: return {};
  }
}

}  // namespace ld
