#include "core/tables/layout.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <iterator>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/large_memory.h"
#include "core/base/strings.h"

namespace ld {

namespace {

// Below this the columns of a table take their memory one by one: the block could not hold a large page.
constexpr std::size_t kSharedColumnsFloor = std::size_t{2} << 20;

std::string DefaultMaketFileName() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "maket.zr";
  return (exe.parent_path() / "maket.zr").string();
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

std::string MaketFileText() { return "\"" + MaketFileName + "\""; }

// Lines of the layout file as Windows-1251 bytes, CR LF or LF ended.
std::vector<std::string> ReadMaketLines() {
  std::error_code ec;
  const auto status = std::filesystem::status(MaketFileName, ec);
  if (status.type() == std::filesystem::file_type::not_found) throw Error("Не найден файл макетов " + MaketFileText());
  if (status.type() == std::filesystem::file_type::directory)
    throw Error("Ошибка чтения файла макетов " + MaketFileText() + ": это папка, а не файл");
  std::ifstream in(MaketFileName, std::ios::binary);
  if (!in) {
    if (errno == EACCES || errno == EPERM)
      throw Error("Ошибка чтения файла макетов " + MaketFileText() + ": нет доступа");
    throw Error("Не найден файл макетов " + MaketFileText());
  }
  // In one copy: every table read and written reads the layout file again, and a character-wise read
  // made that the larger part of their cost.
  std::ostringstream whole;
  whole << in.rdbuf();
  const std::string bytes = std::move(whole).str();
  if (in.bad()) throw Error("Ошибка чтения файла макетов " + MaketFileText());
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// Index of the line just after the "Name=" line of the layout; throws when there is none.
std::size_t FindLayoutBlock(const std::vector<std::string>& lines, const std::string& layoutName) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.find("Name=") == std::string::npos || line.size() < 5) continue;
    if (Cp1251ToUtf8(std::string_view(line).substr(5)) == layoutName) return i + 1;
  }
  throw Error("Макет \"" + layoutName + "\" не найден в файле " + MaketFileText());
}

// A decimal integer as the platform converts it; anything else is a broken layout.
int StrictInt(std::string_view text, const std::string& failure) {
  try {
    if (!text.empty()) return StrToIntZ(text);
  } catch (const ConvertError&) {
  }
  throw Error(failure);
}

bool ParseInt(std::string_view text, long& value) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

// One column line of a layout: "[+]type,PixWidth,CtrlSize,FltDigit,Access,Visible,Colors,TitleColor,
// FieldName,ColTitle[~Comment]". Returns false for a line that does not hold all of it.
bool ParseColumnLine(std::string_view line, TDataFile& t, int k) {
  if (!line.empty() && line.front() == '+') {
    t.ColFlag[k] = '+';
    line.remove_prefix(1);
  }
  std::string_view tokens[9];
  for (auto& token : tokens) {
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos) return false;
    token = Trim(line.substr(0, comma));
    line.remove_prefix(comma + 1);
  }
  if (tokens[0].empty()) return false;
  long n[7];
  for (int i = 0; i < 7; ++i) {
    if (!ParseInt(tokens[i + 1], n[i])) return false;
  }
  auto fits16 = [](long v) { return v >= -32768 && v <= 65535; };
  auto fits8 = [](long v) { return v >= 0 && v <= 255; };
  if (!fits16(n[0]) || !fits8(n[1]) || !fits16(n[2])) return false;
  for (int i = 3; i < 7; ++i) {
    if (!fits8(n[i])) return false;
  }
  t.ColType[k] = tokens[0].front();
  t.PixWidth[k] = static_cast<std::int16_t>(n[0]);
  t.CtrlSize[k] = static_cast<std::uint8_t>(n[1]);
  t.FltDigit[k] = static_cast<std::int16_t>(n[2]);  // 65535 is the old spelling of -1
  t.Access[k] = static_cast<std::uint8_t>(n[3]);
  t.Visible[k] = static_cast<std::uint8_t>(n[4]);
  t.Colors[k] = static_cast<std::uint8_t>(n[5]);
  t.TitleColor[k] = static_cast<std::uint8_t>(n[6]);
  t.FieldName[k] = Cp1251ToUtf8(tokens[8]);
  const std::size_t tilde = line.find('~');
  t.ColTitle[k] = Cp1251ToUtf8(Trim(line.substr(0, tilde)));
  if (tilde != std::string_view::npos) t.Comment[k] = Cp1251ToUtf8(line.substr(tilde + 1));
  return true;
}

std::string_view ValueAfterEquals(std::string_view line) {
  const std::size_t eq = line.find('=');
  return Trim(eq == std::string_view::npos ? line : line.substr(eq + 1));
}

}  // namespace

std::string MaketFileName = DefaultMaketFileName();

bool ReadMaket(const std::string& layoutName, TDataFile& table) {
  table = TDataFile();
  const std::vector<std::string> lines = ReadMaketLines();
  std::size_t i = FindLayoutBlock(lines, layoutName);
  // Names the line (from 1) that broke the layout, so that whoever edits the file finds it.
  const auto readError = [&](std::size_t index) {
    return "Ошибка чтения макета \"" + layoutName + "\": строка " + std::to_string(index + 1) + " файла " +
           MaketFileText();
  };
  if (i + 3 > lines.size()) throw Error(readError(std::min(i + 1, lines.size())));

  table.Name = layoutName;
  table.Extention = Cp1251ToUtf8(ValueAfterEquals(lines[i]));
  const int count = StrictInt(ValueAfterEquals(lines[i + 1]), readError(i + 1));
  if (count > kMaxColumns) {
    throw Error("Макет \"" + layoutName + "\". Превышение по числу колонок (max = 70): строка " +
                std::to_string(i + 2) + " файла " + MaketFileText());
  }
  if (count < 0) throw Error(readError(i + 1));
  table.NCols = static_cast<std::int16_t>(count);

  std::string_view order = ValueAfterEquals(lines[i + 2]);
  if (!order.empty()) {
    int n = 0;
    while (true) {
      const std::size_t comma = order.find(',');
      const int key = StrictInt(Trim(order.substr(0, comma)), readError(i + 2));
      // Hosts index columns by these numbers; a key outside the layout is a broken layout.
      if (n == kMaxColumns || key < 1 || key > count) throw Error(readError(i + 2));
      table.Order[++n] = static_cast<std::uint8_t>(key);
      if (comma == std::string_view::npos) break;
      order.remove_prefix(comma + 1);
    }
    table.NOrder = static_cast<std::int16_t>(n);
  }

  i += 3;
  for (int k = 1; k <= count; ++k, ++i) {
    if (i >= lines.size() || !ParseColumnLine(lines[i], table, k)) throw Error(readError(std::min(i, lines.size())));
  }
  return true;
}

std::string GetMaketExtention(const std::string& layoutName) {
  const std::vector<std::string> lines = ReadMaketLines();
  const std::size_t i = FindLayoutBlock(lines, layoutName);
  if (i >= lines.size() || lines[i].find("Extention=") == std::string::npos || lines[i].size() < 10) {
    throw Error("Макет \"" + layoutName + "\" не найден в файле " + MaketFileText());
  }
  return Cp1251ToUtf8(std::string_view(lines[i]).substr(10));
}

std::string LayoutExtensions(const std::vector<const char*>& layouts) {
  std::string extensions;
  for (const char* layout : layouts) {
    if (!extensions.empty()) extensions += ',';
    extensions += GetMaketExtention(layout);
  }
  return extensions;
}

int ElementSizeOf(char typeLetter, int capacity) {
  switch (typeLetter) {
    case 'b': case 'c': return 1;
    case 'i': case 'w': return 2;
    case 'l': case 'f': return 4;
    case 'd': case 'n': case 'r': return 8;
    case 't': return std::min(std::max(capacity, 0), kShortStringMax) + 1;
    default: return 0;
  }
}

bool IsNumericType(char typeLetter) {
  switch (typeLetter) {
    case 'b': case 'd': case 'f': case 'i': case 'l': case 'n': case 'r': case 'w': return true;
    default: return false;
  }
}

std::unique_ptr<TDynamicArray> NewColumnArray(char typeLetter, int rowCount, int capacity) {
  switch (typeLetter) {
    case 'b': return std::make_unique<DAbyte>(rowCount);
    case 'c': return std::make_unique<DAChar>(rowCount);
    case 'd': return std::make_unique<DAdouble>(rowCount);
    case 'f': return std::make_unique<DAsingle>(rowCount);
    case 'i': return std::make_unique<DAsmallint>(rowCount);
    case 'l': return std::make_unique<DALongint>(rowCount);
    case 'n': return std::make_unique<DAint64>(rowCount);
    case 'r': return std::make_unique<DAreal>(rowCount);
    case 's': return std::make_unique<DAString>(rowCount);
    case 't': return std::make_unique<DAFstring>(capacity, rowCount);
    case 'w': return std::make_unique<DAword>(rowCount);
    default: return nullptr;
  }
}

void CreateColumns(TDataFile& table, int rowCount) {
  if (rowCount < 0) throw Error("Ошибка выполнения (DynamicArray)");
  table.RowCount = rowCount;
  table.MarkRec = std::make_unique<DAbyte>(0);
  std::vector<TDynamicArray*> arrays{table.MarkRec.get()};
  for (int k = 1; k <= table.NCols; ++k) {
    table.Columns[k] = NewColumnArray(table.ColType[k], 0, table.CtrlSize[k]);
    if (!table.Columns[k]) {
      throw Error("Макет \"" + table.Name + "\". Неизвестный тип поля : " +
                  Cp1251ToUtf8(std::string(1, table.ColType[k])));
    }
    arrays.push_back(table.Columns[k].get());
  }
  // A large table takes the memory of all its columns in one request (a few large pages of the system
  // rather than thousands of small ones); each column starts on a cache line of its own. The text
  // columns come last: those that hold no text are never written, and together they leave whole pages
  // that the system never has to provide.
  constexpr std::size_t kLine = 64;
  std::vector<std::size_t> offsets(arrays.size());
  std::size_t total = 0;
  for (const bool texts : {false, true}) {
    for (std::size_t k = 0; k < arrays.size(); ++k) {
      if ((dynamic_cast<const DAString*>(arrays[k]) != nullptr) != texts) continue;
      offsets[k] = total;
      total += (TDynamicArray::BytesFor(rowCount, arrays[k]->ElemSize()) + kLine - 1) / kLine * kLine;
    }
  }
  if (total < kSharedColumnsFloor) {
    table.MarkRec = std::make_unique<DAbyte>(rowCount);
    for (int k = 1; k <= table.NCols; ++k) table.Columns[k] = NewColumnArray(table.ColType[k], rowCount, table.CtrlSize[k]);
    return;
  }
  auto* memory = static_cast<unsigned char*>(AllocateZeroed(total));
  if (memory == nullptr) throw Error("Ошибка выполнения (DynamicArray)");
  const std::shared_ptr<unsigned char> block(memory, [total](unsigned char* p) { FreeZeroed(p, total); });
  for (std::size_t k = 0; k < arrays.size(); ++k) arrays[k]->UseShared(rowCount, block, memory + offsets[k]);
}

void FreeTable(TDataFile& table) {
  for (auto& column : table.Columns) column.reset();
  table.MarkRec.reset();
  table.RowCount = 0;
  table.FileDate = 0;
}

void ThrowFieldNotFound(const std::string& fieldName, const TDataFile& table) {
  throw Error("Поле \"" + fieldName + "\" макета \"" + table.Name + "\" не найдено");
}

int FindColumnIndex(const std::string& fieldName, const TDataFile& table) {
  for (int k = 1; k <= table.NCols; ++k) {
    if (table.FieldName[k] == fieldName) return k;
  }
  ThrowFieldNotFound(fieldName, table);
}

TDynamicArray* GetColumnArray(const std::string& fieldName, const TDataFile& table) {
  return table.Columns[FindColumnIndex(fieldName, table)].get();
}

void* GetColumnDataPtr(const std::string& fieldName, const TDataFile& table) {
  TDynamicArray* array = GetColumnArray(fieldName, table);
  return array ? array->ItemPtr(1) : nullptr;
}

void* ItemPtrByType(TDynamicArray& array, char typeLetter, int row) {
  if (typeLetter == 's') {
    auto* strings = dynamic_cast<DAString*>(&array);
    if (!strings) return nullptr;
    const std::string* text = strings->GetPtr(row);
    return text && !text->empty() ? const_cast<std::string*>(text) : nullptr;
  }
  return array.ItemPtr(row);
}

}  // namespace ld
