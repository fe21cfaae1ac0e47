#include "core/office/dbf_table.h"

#include <shapefil.h>

#include <array>
#include <bit>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/codepage_question.h"
#include "core/base/import_messages.h"
#include "core/base/import_text.h"
#include "core/base/msgbox.h"
#include "core/office/dbf_memo.h"

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
// the value in plain notation with a point, as a numeric field would hold it; a double's with the 15
// significant digits that a program showing it gives (a sum stored as 2.0000000000000004 shows "2"), its
// value kept whole in value. False for a field that keeps its value as text (a binary memo 'B' holds the
// digits of a block number).
bool BinaryNumberText(char type, int width, const unsigned char* p, std::string& text, double& value) {
  const auto little = [&](int n) {
    std::uint64_t u = 0;
    for (int i = n - 1; i >= 0; --i) u = (u << 8u) | p[i];
    return u;
  };
  std::array<char, 40> buf{};
  const auto put = [&](auto number) {
    const auto written = std::to_chars(buf.data(), buf.data() + buf.size(), number);
    text.assign(buf.data(), written.ptr);
    value = static_cast<double>(number);
  };
  const auto putDouble = [&](double number) {
    constexpr int kShownDigits = 15;
    const auto written = std::to_chars(buf.data(), buf.data() + buf.size(), number, std::chars_format::general, kShownDigits);
    text.assign(buf.data(), written.ptr);
    value = number;
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
      putDouble(std::bit_cast<double>(little(8)));
      return true;
    case 'O': {
      if (width != 8) return false;
      std::uint64_t u = 0;
      for (int i = 0; i < 8; ++i) u = (u << 8u) | p[i];
      constexpr std::uint64_t kSign = std::uint64_t{1} << 63u;
      if (u == 0) {
        text.clear();
      } else {
        putDouble(std::bit_cast<double>((u & kSign) != 0 ? u ^ kSign : ~u));
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
      std::from_chars(text.data(), text.data() + text.size(), value);
      return true;
    }
    default: return false;
  }
}

// The header's own claims against its descriptors and the file's size, before the library trusts them:
// the library takes a header length and a record length as they stand and reads every field at the
// offset they give, so a length one byte off shifts every field of every record, and a record count that
// the file does not hold reads blank rows. The header is 32 bytes, a descriptor of 32 bytes for each
// field and the terminator 0x0D; the records start at the header's length. What stands between the
// terminator and there is padding: zero bytes (Clipper and its successors write one), and in a Visual
// FoxPro table first the 263 bytes of its database's name, a text filled up with zero bytes. A record
// is its deletion mark and the fields' widths; the records fill the file from the header's end to the
// file's end, save one optional end-of-file byte 0x1A.
//
// A field's width is its length byte, but for a character field longer than 255 in a table of Clipper and
// its successors, whatever header version they give it (dBase III's 0x03 and 0x83, FoxPro's 0xF5 with a
// memo file of its kind): they keep the length's high byte in the decimal-count byte, which a character
// field has no use for. The record length tells which reading holds: the high bytes are taken when the
// widths with them give it and the length bytes alone do not (a decimal count that some programs leave in
// a character field is then no part of its width).
//
// A Visual FoxPro varchar or varbinary field ('V', 'Q') keeps a shorter value's length in its last byte
// and says so by its "varlength" bit in the hidden field _NullFlags: each such field is given one bit,
// and each field that may hold a null one bit after it, in the fields' order from the lowest bit.
constexpr std::size_t kFoxProBacklink = 263;

bool IsFoxProHeader(unsigned char version) { return version == 0x30 || version == 0x31 || version == 0x32; }

struct THeaderField {
  int Width = 0;
  int VarBit = -1;  // the "varlength" bit in _NullFlags, -1 for a field of fixed width
};

struct THeader {
  std::vector<THeaderField> Fields;
  int NullFlags = -1;  // the field _NullFlags, -1 when the table has none
  unsigned char Version = 0;
  unsigned char Language = 0;  // the language-driver byte
};

std::string CheckHeader(const std::string& path, THeader& layout) {
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
  const std::size_t fields = (terminator - 32) / 32;
  if (fields == 0) return notTable;
  const std::string described = "описаниям " + std::to_string(fields) + " полей";

  std::size_t padding = terminator + 1;
  const bool foxPro = IsFoxProHeader(head[0]);
  if (foxPro && headerLength - padding >= kFoxProBacklink) {
    const std::size_t end = padding + kFoxProBacklink;
    std::size_t name = padding;
    while (name < end && head[name] >= 0x20) ++name;
    // the name ends at its first zero byte; whatever follows is padding
    padding = name;
  }
  for (std::size_t i = padding; i < headerLength; ++i)
    if (head[i] != 0) {
      char byte[8];
      std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned>(head[i]));
      return "файл поврежден: длина заголовка " + std::to_string(headerLength) + " байт не соответствует " + described +
             " (" + std::to_string(terminator + 1) + " байт): после них не нулевое заполнение (" + std::to_string(i + 1) +
             "-й байт файла: " + byte + ")";
    }

  const auto descriptor = [&](std::size_t k) { return &head[32 + 32 * k]; };
  std::uint64_t widths = 1, clipperWidths = 1;  // the deletion mark
  for (std::size_t k = 0; k < fields; ++k) {
    const unsigned char* d = descriptor(k);
    widths += d[16];
    clipperWidths += d[16] + (d[11] == 'C' ? 256u * d[17] : 0u);
  }
  const bool clipper = recordLength != widths && recordLength == clipperWidths;
  if (recordLength != widths && !clipper)
    return "файл поврежден: длина записи " + std::to_string(recordLength) + " байт не соответствует " + described +
           " (" + std::to_string(widths) + " байт)";

  if (records > 0x7FFFFFFFu || headerLength + records * recordLength > size)
    return "файл поврежден: записей меньше, чем указано в заголовке";
  const std::uint64_t end = headerLength + records * recordLength;
  if (size != end && !(size == end + 1 && last == 0x1A))
    return "файл поврежден: после " + std::to_string(records) + " записей, указанных в заголовке, в файле еще " +
           std::to_string(size - end) + " байт";

  layout = {};
  layout.Version = head[0];
  layout.Language = head[29];
  int bits = 0;
  for (std::size_t k = 0; k < fields; ++k) {
    const unsigned char* d = descriptor(k);
    THeaderField field;
    field.Width = d[16] + (clipper && d[11] == 'C' ? 256 * d[17] : 0);
    if (foxPro && (d[11] == 'V' || d[11] == 'Q')) field.VarBit = bits++;
    if (foxPro && (d[18] & 0x02) != 0) ++bits;  // the field may hold a null
    if (foxPro && d[11] == '0') layout.NullFlags = static_cast<int>(k);
    layout.Fields.push_back(field);
  }
  return {};
}

// The block number a memo field holds: its digits, blank for none, or in a Visual FoxPro table four
// bytes little-endian. False for bytes that are no number.
bool MemoBlock(std::string_view bytes, bool binary, std::uint64_t& block) {
  block = 0;
  if (binary) {
    for (std::size_t i = bytes.size(); i-- > 0;) block = block << 8u | static_cast<unsigned char>(bytes[i]);
    return true;
  }
  const auto blank = [](char c) { return c == ' ' || c == '\0'; };
  while (!bytes.empty() && blank(bytes.front())) bytes.remove_prefix(1);
  while (!bytes.empty() && blank(bytes.back())) bytes.remove_suffix(1);
  if (bytes.size() > 19) return false;  // more than any block of a file can be
  for (const char c : bytes) {
    if (c < '0' || c > '9') return false;
    block = block * 10 + static_cast<unsigned>(c - '0');
  }
  return true;
}

// A text type: character, varchar and memo fields hold names, addresses and notes.
bool TextField(char type) { return type == 'C' || type == 'V' || type == 'M'; }

}  // namespace

TDbfReadError::TDbfReadError(const std::string& path, std::string reason)
    : Error(ReadError(path, reason)), reason_(std::move(reason)) {}

TDbfTable::TDbfTable() = default;

TDbfTable::~TDbfTable() { Close(); }

void TDbfTable::Close() {
  if (handle_ != nullptr) DBFClose(static_cast<DBFHandle>(handle_));
  handle_ = nullptr;
  path_.clear();
  recordCount_ = recordLength_ = 0;
  codePage_ = 866;
  current_ = -1;
  row_ = 0;
  record_ = nullptr;
  nullFlags_ = nullptr;
  binaryMemo_ = false;
  memo_.reset();
  fields_.clear();
  memoTexts_.clear();
  noted_.clear();
}

bool TDbfTable::Open(const std::string& path, std::string& error) {
  Close();
  error.clear();
  openFault_.clear();
  const auto refuse = [&](std::string reason) {
    Close();
    error = ReadError(path, reason);
    openFault_ = std::move(reason);
    return false;
  };
  if (path.empty()) {
    openFault_ = error = "Не задано имя файла";
    return false;
  }
  THeader layout;
  if (std::string reason = CheckHeader(path, layout); !reason.empty()) return refuse(std::move(reason));
  SAHooks hooks = ReadHooks();
  tOpenPath = &path;
  tLibraryError.clear();
  // the library's own name for the file: any name ending in ".dbf" reaches the open hook
  DBFHandle h = DBFOpenLL("table.dbf", "rb", &hooks);
  tOpenPath = nullptr;
  if (h == nullptr) return refuse(tLibraryError.empty() ? "файл не является таблицей dBase" : tLibraryError);
  handle_ = h;
  path_ = path;
  recordCount_ = DBFGetRecordCount(h);
  recordLength_ = h->nRecordLength;
  const int lang = layout.Language;
  codePage_ = lang == 201 || lang == 3 || lang == 87 ? 1251 : 866;
  const int n = DBFGetFieldCount(h);
  if (n != static_cast<int>(layout.Fields.size())) return refuse("описания полей не соответствуют длине записи");
  // The offsets follow the widths the header check gave: the library knows no character field wider
  // than its length byte.
  int offset = 1;
  for (int i = 0; i < n; ++i) {
    std::array<char, XBASE_FLDNAME_LEN_READ + 1> name{};
    int width = 0, decimals = 0;
    DBFGetFieldInfo(h, i, name.data(), &width, &decimals);
    TField field;
    for (const char* c = name.data(); *c != '\0' && *c != ' '; ++c)
      field.Name += (*c >= 'a' && *c <= 'z') ? static_cast<char>(*c - 'a' + 'A') : *c;
    field.Type = static_cast<char>(DBFGetNativeFieldType(h, i));
    field.Offset = offset;
    field.Width = layout.Fields[static_cast<std::size_t>(i)].Width;
    field.VarBit = layout.Fields[static_cast<std::size_t>(i)].VarBit;
    offset += field.Width;
    if (field.Offset + field.Width > recordLength_) return refuse("описания полей не соответствуют длине записи");
    fields_.push_back(std::move(field));
  }
  if (fields_.empty()) return refuse("файл не является таблицей dBase");
  // A varchar field's length is told by its bit of _NullFlags and its own last byte: without either the
  // field's bytes say nothing of where its value ends.
  if (layout.NullFlags >= 0) nullFlags_ = &fields_[static_cast<std::size_t>(layout.NullFlags)];
  for (const TField& field : fields_) {
    if (field.VarBit < 0) continue;
    if (nullFlags_ == nullptr)
      return refuse("файл поврежден: у поля " + field.Name + " переменной длины нет поля _NullFlags с флагами длины");
    if (field.VarBit >= 8 * nullFlags_->Width)
      return refuse("файл поврежден: флаг длины поля " + field.Name + " не помещается в поле _NullFlags (" +
                    std::to_string(nullFlags_->Width) + " байт)");
    if (field.Width < 1) return refuse("файл поврежден: поле " + field.Name + " переменной длины шириной 0 байт");
  }
  // A memo field holds a block number of the memo file beside the table: FoxPro's (.fpt) for the FoxPro
  // family and the Harbour-style tables that share its header, dBase III's (.dbt) for the others. Visual
  // FoxPro keeps the number in four bytes, the others as digits.
  for (const TField& field : fields_)
    if (field.Type == 'M' && !memo_) {
      const bool foxPro = IsFoxProHeader(layout.Version) || layout.Version == 0xF5 || layout.Version == 0xFB;
      memo_ = std::make_unique<office::TDbfMemoFile>(path, foxPro);
    }
  binaryMemo_ = IsFoxProHeader(layout.Version);
  memoTexts_.resize(fields_.size());
  noted_.resize(fields_.size());
  if (std::string reason = TellCodePage(lang == 0); !reason.empty()) return refuse(std::move(reason));
  return true;
}

std::string TDbfTable::RecordFault(const TField& f, const std::string& reason) const {
  return "строка " + std::to_string(row_) + ", поле " + f.Name + ": " + reason;
}

bool TDbfTable::Load(int record) {
  tLibraryError.clear();
  record_ = DBFReadTuple(static_cast<DBFHandle>(handle_), record);
  if (record_ == nullptr) {
    current_ = -1;
    throw TDbfReadError(path_, "строка " + std::to_string(row_) + " не читается" +
                                   (tLibraryError.empty() ? "" : " (" + tLibraryError + ")"));
  }
  if (record_[0] == '*') return false;
  for (auto& text : memoTexts_) text.reset();
  noted_.assign(fields_.size(), 0);
  // a varchar value longer than the bytes before its length byte would be read from its neighbour's
  for (const TField& f : fields_)
    if (int length = 0; VarLength(record_, f, length) && length > f.Width - 1) {
      record_ = nullptr;
      current_ = -1;
      throw TDbfReadError(path_, RecordFault(f, "длина значения " + std::to_string(length) +
                                                    " байт, а перед байтом длины в поле " +
                                                    std::to_string(f.Width - 1) + " байт"));
    }
  return true;
}

bool TDbfTable::VarLength(const char* record, const TField& f, int& length) const {
  if (f.VarBit < 0) return false;
  const auto flags = static_cast<unsigned char>(record[nullFlags_->Offset + f.VarBit / 8]);
  if ((flags >> (f.VarBit % 8) & 1u) == 0) return false;
  length = static_cast<unsigned char>(record[f.Offset + f.Width - 1]);
  return true;
}

bool TDbfTable::RawText(const char* record, const TField& f, std::string& bytes, std::string& fault) const {
  const std::string_view field(record + f.Offset, static_cast<std::size_t>(f.Width));
  if (f.Type != 'M' || !memo_) {
    int length = f.Width;
    VarLength(record, f, length);
    bytes.assign(field.substr(0, static_cast<std::size_t>(std::min(length, f.Width))));
    return true;
  }
  std::uint64_t block = 0;
  if (!MemoBlock(field, binaryMemo_ && f.Width == 4, block)) {
    fault = "в поле не номер блока заметки, а " + QuotedText(ControlsShown(DecodeText(field, codePage_)));
    return false;
  }
  return memo_->Read(block, bytes, fault);
}

std::string TDbfTable::TellCodePage(bool unnamed) {
  TCodePageTally tally;
  std::string bytes, fault;
  for (int r = 0; r < recordCount_; ++r) {
    const char* record = DBFReadTuple(static_cast<DBFHandle>(handle_), r);
    // a record that does not read, or a memo text, is named by the walk where it meets it
    if (record == nullptr || record[0] == '*') continue;
    for (const TField& f : fields_)
      if (TextField(f.Type) && RawText(record, f, bytes, fault)) tally.Add(bytes);
  }
  if (memo_) memo_->Restart();
  // an office suite writes UTF-8 under whatever code page byte it keeps, and a base put through a converter
  // keeps its old one: no other texts are well-formed UTF-8 of names
  const int page = DecideCodePage(tally, {false, unnamed ? 0 : codePage_, true}, [&] {
    return AskCodePage("Кодировка базы \"" + path_ + "\" не указана в ее заголовке, и по ее текстам не определяется",
                       tally.First(), "базу");
  });
  if (page == 0) return "кодировка базы не выбрана, импорт прерван";
  codePage_ = page;
  return {};
}

bool TDbfTable::Seek(int from, int row) {
  current_ = -1;
  record_ = nullptr;
  if (handle_ == nullptr) return false;
  row_ = row;
  for (int r = from; r < recordCount_; ++r)
    if (Load(r)) {
      current_ = r;
      return true;
    }
  record_ = nullptr;
  return false;
}

bool TDbfTable::First(int row) {
  if (memo_) memo_->Restart();
  return Seek(0, row);
}

bool TDbfTable::Next() { return Next(row_ + 1); }

bool TDbfTable::Next(int row) { return current_ >= 0 && Seek(current_ + 1, row); }

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

TOutsideValue TDbfTable::Value(int field) const {
  if (field < 0 || field >= static_cast<int>(fields_.size()) || record_ == nullptr || current_ < 0) return {};
  const TField& f = fields_[static_cast<std::size_t>(field)];
  double value = 0;
  if (std::string text; BinaryNumberText(f.Type, f.Width, reinterpret_cast<const unsigned char*>(record_ + f.Offset), text, value)) {
    if (text.empty()) return {};  // a level 7 double of zeros holds no value
    // the rules take the number by its shown text where the shown text is what counts (an integer)
    return TOutsideValue::Number(value, std::move(text));
  }
  std::string text = Text(field);
  if (text.empty()) return {};
  return TOutsideValue::Text(std::move(text));
}

std::string TDbfTable::Text(int field) const {
  if (field < 0 || field >= static_cast<int>(fields_.size()) || record_ == nullptr || current_ < 0) return {};
  const auto index = static_cast<std::size_t>(field);
  const TField& f = fields_[index];
  double value = 0;
  if (std::string text; BinaryNumberText(f.Type, f.Width, reinterpret_cast<const unsigned char*>(record_ + f.Offset), text, value))
    return text;
  std::string bytes;
  if (f.Type == 'M' && memoTexts_[index]) {
    bytes = *memoTexts_[index];
  } else if (std::string fault; !RawText(record_, f, bytes, fault)) {
    throw TDbfReadError(path_, RecordFault(f, fault));
  } else if (f.Type == 'M') {
    memoTexts_[index] = bytes;
  }
  std::string_view raw(bytes);
  // a memo's text is as long as its file gives it; the other fields are padded to their width
  if (f.Type != 'M') {
    const auto padding = [](char c) { return c == ' ' || c == '\0'; };
    while (!raw.empty() && padding(raw.back())) raw.remove_suffix(1);
    if (f.Type != 'C' && f.Type != 'V')
      while (!raw.empty() && padding(raw.front())) raw.remove_prefix(1);
  }
  std::string text = DecodeText(raw, codePage_);
  if (TextField(f.Type)) Blanked(text, f, noted_[index]);
  return text;
}

void TDbfTable::Blanked(std::string& text, const TField& f, unsigned char& kinds) const {
  // A tab is no part of a name, and a table would never show it; between words it stood for a blank. A
  // memo holds notes, which a person may type over several lines; a line break (CR LF, or either alone,
  // a run of them one break) is a blank between the words of the note. One at the text's ends goes with
  // the blanks there, which the imports cut: no note for it.
  const bool memo = f.Type == 'M';
  const auto lineBreak = [&](char c) { return memo && (c == '\r' || c == '\n'); };
  if (text.find('\t') == std::string::npos && (!memo || text.find_first_of("\r\n") == std::string::npos)) return;
  const auto blank = [&](char c) { return c == ' ' || c == '\t' || lineBreak(c); };
  std::size_t first = 0, last = text.size();
  while (first < text.size() && blank(text[first])) ++first;
  while (last > first && blank(text[last - 1])) --last;
  constexpr unsigned char kTab = 1, kLineBreak = 2;
  unsigned char inside = 0;
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\t') {
      out += ' ';
      if (i > first && i < last) inside |= kTab;
    } else if (lineBreak(c)) {
      if (i > first && i < last) inside |= kLineBreak;
      if (i == 0 || !lineBreak(text[i - 1])) out += ' ';
    } else {
      out += c;
    }
  }
  text = std::move(out);
  for (const auto& [kind, what] : {std::pair{kTab, "знак табуляции"}, std::pair{kLineBreak, "перевод строки"}}) {
    if ((inside & kind) == 0 || (kinds & kind) != 0) continue;
    kinds |= kind;
    if (notes_.size() < kMaxImportMessages)
      notes_.push_back("Файл \"" + path_ + "\": " +
                       RecordFault(f, std::string(what) + " в тексте " + QuotedText(ControlsShown(text)) +
                                          " заменен пробелом"));
    else
      ++notesLeftOut_;
  }
}

std::vector<std::string> TDbfTable::TakeNotes() {
  std::vector<std::string> notes = std::move(notes_);
  notes_.clear();
  if (notesLeftOut_ > 0) notes.push_back("Еще сообщений не показано: " + std::to_string(notesLeftOut_));
  notesLeftOut_ = 0;
  return notes;
}

}  // namespace ld
