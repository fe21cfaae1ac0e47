#include "core/office/dbf_table.h"

#include <shapefil.h>

#include <array>
#include <bit>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "core/base/codepage.h"

namespace ld {

namespace {

// The library opens "<stem>.dbf" (or ".DBF") and may look for a code-page file beside it. The hooks
// below give it exactly the file the caller named, whatever its extension, and nothing else: the
// language-driver byte alone tells the code page. Its error texts are kept, not printed.
thread_local const std::string* tOpenPath = nullptr;
thread_local std::string tLibraryError;

bool EndsWithDbf(const char* name) {
  const std::string_view s(name);
  if (s.size() < 4) return false;
  const std::string_view ext = s.substr(s.size() - 4);
  return ext == ".dbf" || ext == ".DBF";
}

SAFile OpenHook(const char* name, const char* access) {
  if (tOpenPath == nullptr || !EndsWithDbf(name)) return nullptr;
  const std::string_view a(access);
  if (a.find('w') != std::string_view::npos || a.find('+') != std::string_view::npos) return nullptr;
  return reinterpret_cast<SAFile>(std::fopen(tOpenPath->c_str(), "rb"));
}

void ErrorHook(const char* message) { tLibraryError = message ? message : ""; }

SAHooks ReadHooks() {
  SAHooks hooks;
  SASetupDefaultHooks(&hooks);
  hooks.FOpen = OpenHook;
  hooks.Error = ErrorHook;
  return hooks;
}

std::string ReadError(const std::string& path, const std::string& reason) {
  return "Ошибка чтения файла \"" + path + "\": " + reason;
}

unsigned U16(const unsigned char* p) { return p[0] | (p[1] << 8u); }
std::uint32_t U32(const unsigned char* p) {
  return p[0] | (p[1] << 8u) | (p[2] << 16u) | (static_cast<std::uint32_t>(p[3]) << 24u);
}

// Fields that hold their number in binary instead of as digits: an integer ('I', little-endian, as
// the FoxPro family writes it), a double ('B' of eight bytes, little-endian; 'O', the dBase level 7
// form, big-endian with the sign bit set for a positive value and every bit inverted for a negative
// one, all zeros for none) and a currency ('Y', an eight-byte integer of ten-thousandths). Their text is
// the value in plain notation with a point, as a numeric field would hold it. False for a field that
// keeps its value as text (a binary memo 'B' holds the digits of a block number).
bool BinaryNumberText(char type, int width, const unsigned char* p, std::string& text) {
  const auto little = [&](int n) {
    std::uint64_t u = 0;
    for (int i = n - 1; i >= 0; --i) u = (u << 8u) | p[i];
    return u;
  };
  std::array<char, 40> buf{};
  const auto put = [&](auto value) {
    const auto written = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    text.assign(buf.data(), written.ptr);
  };
  switch (type) {
    case 'I': {
      if (width < 1 || width > 8) return false;
      const unsigned bits = 8u * static_cast<unsigned>(width);
      std::uint64_t u = little(width);
      if (bits < 64 && (u >> (bits - 1)) != 0) u |= ~std::uint64_t{0} << bits;  // the sign reaches the top
      put(static_cast<std::int64_t>(u));
      return true;
    }
    case 'B':
      if (width != 8) return false;
      put(std::bit_cast<double>(little(8)));
      return true;
    case 'O': {
      if (width != 8) return false;
      std::uint64_t u = 0;
      for (int i = 0; i < 8; ++i) u = (u << 8u) | p[i];
      constexpr std::uint64_t kSign = std::uint64_t{1} << 63u;
      if (u == 0) {
        text.clear();
      } else {
        put(std::bit_cast<double>((u & kSign) != 0 ? u ^ kSign : ~u));
      }
      return true;
    }
    case 'Y': {
      if (width != 8) return false;
      const std::uint64_t u = little(8);
      const bool negative = (u >> 63u) != 0;
      const std::uint64_t magnitude = negative ? ~u + 1 : u;  // the most negative value too
      put(magnitude / 10000);
      std::string fraction = std::to_string(magnitude % 10000 + 10000).substr(1);
      while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
      text = (negative && magnitude != 0 ? "-" : "") + text + (fraction.empty() ? "" : "." + fraction);
      return true;
    }
    default: return false;
  }
}

// The header's own claims against its descriptors and the file's size, before the library trusts them:
// the library takes a header length as it stands and reads every field at the offset it gives, so a
// length one byte off shifts every field of every record, and a record count that the file does not
// hold reads blank rows. The header is 32 bytes, a descriptor of 32 bytes for each field, the terminator
// 0x0D (Visual FoxPro tables keep 263 bytes of their database's name after it); the records fill the
// file from there to its end, save one optional end-of-file byte 0x1A.
std::string CheckHeader(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) return "файл не найден или недоступен";
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return "файл не найден или недоступен";
  std::vector<unsigned char> head(32);
  bool whole = std::fread(head.data(), 1, head.size(), f) == head.size();
  const std::uint64_t records = whole ? U32(&head[4]) : 0;
  const unsigned headerLength = whole ? U16(&head[8]) : 0;
  const unsigned recordLength = whole ? U16(&head[10]) : 0;
  // at least one field descriptor and the header's terminator
  const std::string notTable = "файл не является таблицей dBase";
  if (!whole || headerLength < 65 || recordLength < 2 || headerLength > size) {
    std::fclose(f);
    return notTable;
  }
  head.resize(headerLength);
  whole = std::fread(head.data() + 32, 1, headerLength - 32, f) == headerLength - 32;
  int last = EOF;
  if (whole && size > headerLength && std::fseek(f, -1, SEEK_END) == 0) last = std::fgetc(f);
  std::fclose(f);
  if (!whole) return "файл не найден или недоступен";

  std::size_t terminator = 32;
  while (terminator < headerLength && head[terminator] != 0x0D) terminator += 32;
  if (terminator >= headerLength) return "файл поврежден: в заголовке нет конца описаний полей";
  const bool foxPro = head[0] == 0x30 || head[0] == 0x31 || head[0] == 0x32;
  const std::size_t expected = terminator + 1 + (foxPro ? 263 : 0);
  if (headerLength != expected)
    return "файл поврежден: длина заголовка " + std::to_string(headerLength) + " байт не соответствует описаниям " +
           std::to_string((terminator - 32) / 32) + " полей (" + std::to_string(expected) + " байт)";
  if (records > 0x7FFFFFFFu || headerLength + records * recordLength > size)
    return "файл поврежден: записей меньше, чем указано в заголовке";
  const std::uint64_t end = headerLength + records * recordLength;
  if (size != end && !(size == end + 1 && last == 0x1A))
    return "файл поврежден: после " + std::to_string(records) + " записей, указанных в заголовке, в файле еще " +
           std::to_string(size - end) + " байт";
  return {};
}

}  // namespace

TDbfTable::TDbfTable() = default;

TDbfTable::~TDbfTable() { Close(); }

void TDbfTable::Close() {
  if (handle_ != nullptr) DBFClose(static_cast<DBFHandle>(handle_));
  handle_ = nullptr;
  path_.clear();
  recordCount_ = recordLength_ = 0;
  codePage_ = 866;
  current_ = -1;
  record_ = nullptr;
  fields_.clear();
}

bool TDbfTable::Open(const std::string& path, std::string& error) {
  Close();
  error.clear();
  if (path.empty()) {
    error = "Не задано имя файла";
    return false;
  }
  if (std::string reason = CheckHeader(path); !reason.empty()) {
    error = ReadError(path, reason);
    return false;
  }
  SAHooks hooks = ReadHooks();
  tOpenPath = &path;
  tLibraryError.clear();
  // the library's own name for the file: any name ending in ".dbf" reaches the open hook
  DBFHandle h = DBFOpenLL("table.dbf", "rb", &hooks);
  tOpenPath = nullptr;
  if (h == nullptr) {
    error = ReadError(path, tLibraryError.empty() ? "файл не является таблицей dBase" : tLibraryError);
    return false;
  }
  handle_ = h;
  path_ = path;
  recordCount_ = DBFGetRecordCount(h);
  recordLength_ = h->nRecordLength;
  const int lang = h->iLanguageDriver;
  codePage_ = lang == 201 || lang == 3 || lang == 87 ? 1251 : 866;
  const int n = DBFGetFieldCount(h);
  for (int i = 0; i < n; ++i) {
    std::array<char, XBASE_FLDNAME_LEN_READ + 1> name{};
    int width = 0, decimals = 0;
    DBFGetFieldInfo(h, i, name.data(), &width, &decimals);
    TField field;
    for (const char* c = name.data(); *c != '\0' && *c != ' '; ++c)
      field.Name += (*c >= 'a' && *c <= 'z') ? static_cast<char>(*c - 'a' + 'A') : *c;
    field.Type = static_cast<char>(DBFGetNativeFieldType(h, i));
    field.Offset = h->panFieldOffset[i];
    field.Width = h->panFieldSize[i];
    if (field.Width < 0 || field.Offset < 1 || field.Offset + field.Width > recordLength_) {
      Close();
      error = ReadError(path, "описания полей не соответствуют длине записи");
      return false;
    }
    fields_.push_back(std::move(field));
  }
  if (fields_.empty()) {
    Close();
    error = ReadError(path, "файл не является таблицей dBase");
    return false;
  }
  return true;
}

bool TDbfTable::Load(int record) {
  tLibraryError.clear();
  record_ = DBFReadTuple(static_cast<DBFHandle>(handle_), record);
  if (record_ == nullptr) {
    current_ = -1;
    throw TDbfReadError(ReadError(path_, "запись " + std::to_string(record + 1) + " не читается" +
                                             (tLibraryError.empty() ? "" : " (" + tLibraryError + ")")));
  }
  return record_[0] != '*';
}

bool TDbfTable::Seek(int from) {
  current_ = -1;
  record_ = nullptr;
  if (handle_ == nullptr) return false;
  for (int r = from; r < recordCount_; ++r)
    if (Load(r)) {
      current_ = r;
      return true;
    }
  record_ = nullptr;
  return false;
}

bool TDbfTable::First() { return Seek(0); }

bool TDbfTable::Next() { return current_ >= 0 && Seek(current_ + 1); }

int TDbfTable::FieldIndex(std::string_view name) const {
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const std::string& own = fields_[i].Name;
    if (own.size() != name.size()) continue;
    bool same = true;
    for (std::size_t k = 0; k < own.size() && same; ++k) {
      char c = name[k];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      same = c == own[k];
    }
    if (same) return static_cast<int>(i);
  }
  return -1;
}

std::string TDbfTable::FieldName(int field) const {
  return field >= 0 && static_cast<std::size_t>(field) < fields_.size() ? fields_[static_cast<std::size_t>(field)].Name
                                                                          : std::string();
}

std::string TDbfTable::Value(int field) const {
  if (field < 0 || field >= static_cast<int>(fields_.size()) || record_ == nullptr || current_ < 0) return {};
  const TField& f = fields_[static_cast<std::size_t>(field)];
  if (std::string text; BinaryNumberText(f.Type, f.Width, reinterpret_cast<const unsigned char*>(record_ + f.Offset), text))
    return text;
  std::string_view raw(record_ + f.Offset, static_cast<std::size_t>(f.Width));
  const auto padding = [](char c) { return c == ' ' || c == '\0'; };
  while (!raw.empty() && padding(raw.back())) raw.remove_suffix(1);
  if (f.Type != 'C')
    while (!raw.empty() && padding(raw.front())) raw.remove_prefix(1);
  return codePage_ == 1251 ? Cp1251ToUtf8(raw) : Cp866ToUtf8(raw);
}

}  // namespace ld
