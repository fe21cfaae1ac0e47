#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <string_view>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/office/compound_file.h"
#include "core/office/number_formats.h"
#include "core/office/sheet_sink.h"
#include "core/office/xls_file.h"

namespace ld {

namespace {

using office::TDamaged;

// Record types of the workbook stream that the reader looks at.
enum : std::uint16_t {
  kBof = 0x0809, kEof = 0x000A, kCodePage = 0x0042, kDateMode = 0x0022, kFilePass = 0x002F,
  kFormat = 0x041E, kFormat5 = 0x001E, kXf = 0x00E0, kSst = 0x00FC, kContinue = 0x003C, kSheet = 0x0085,
  kNumber = 0x0203, kRk = 0x027E, kMulRk = 0x00BD, kLabelSst = 0x00FD, kLabel = 0x0204, kRString = 0x00D6,
  kBoolErr = 0x0205, kFormula = 0x0006, kString = 0x0207, kRecalcId = 0x01C1,
  kMergedCells = 0x00E5,
};

[[noreturn]] void Damaged(const std::string& what) { throw TDamaged{"файл поврежден (" + what + ")"}; }

struct Record {
  std::uint16_t type = 0;
  std::string_view body;
};

// Reads fields of one record body (or of a record and its continuations) with every length checked.
class Cursor {
public:
  // parts: the record body and the bodies of its CONTINUE records; a text whose characters run over the
  // end of one part goes on in the next after a fresh option byte.
  explicit Cursor(std::vector<std::string_view> parts) : parts_(std::move(parts)) {}
  explicit Cursor(std::string_view body) : parts_{body} {}

  bool AtEnd() const {
    return part_ >= parts_.size() || (part_ + 1 == parts_.size() && pos_ >= parts_[part_].size());
  }

  std::uint64_t Read(int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint64_t>(Byte()) << (8 * i);
    return v;
  }
  std::uint8_t U8() { return static_cast<std::uint8_t>(Read(1)); }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Read(2)); }
  std::uint32_t U32() { return static_cast<std::uint32_t>(Read(4)); }
  double F64() {
    const std::uint64_t bits = Read(8);
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  void Skip(std::uint64_t n) {
    for (; n > 0; --n) Byte();
  }

  // A text of BIFF8: count characters, an option byte (bit 0: two bytes a character; bit 2: phonetic
  // block; bit 3: rich-text runs), then the characters and the blocks that the options announce.
  std::string Text8(std::uint32_t count) {
    const std::uint8_t options = U8();
    const std::uint16_t runs = (options & 0x08) ? U16() : 0;
    const std::uint32_t phonetic = (options & 0x04) ? U32() : 0;
    bool wide = options & 0x01;
    std::u16string chars;
    for (std::uint32_t i = 0; i < count; ++i) {
      if (part_ < parts_.size() && pos_ >= parts_[part_].size() && part_ + 1 < parts_.size()) {
        ++part_;
        pos_ = 0;
        wide = U8() & 0x01;
      }
      chars.push_back(static_cast<char16_t>(wide ? U16() : U8()));
    }
    Skip(4ull * runs + phonetic);
    return FromUtf16(chars);
  }

private:
  std::uint8_t Byte() {
    while (part_ < parts_.size() && pos_ >= parts_[part_].size()) {
      ++part_;
      pos_ = 0;
    }
    if (part_ >= parts_.size()) Damaged("запись короче своих полей");
    return static_cast<std::uint8_t>(parts_[part_][pos_++]);
  }

  static std::string FromUtf16(const std::u16string& chars) {
    std::string out;
    for (std::size_t i = 0; i < chars.size(); ++i) {
      char32_t c = chars[i];
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < chars.size() && chars[i + 1] >= 0xDC00 && chars[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (chars[++i] - 0xDC00);
      } else if (c >= 0xD800 && c <= 0xDFFF) {
        c = 0xFFFD;  // half of a pair
      }
      AppendUtf8(out, c);
    }
    return out;
  }

  std::vector<std::string_view> parts_;
  std::size_t part_ = 0;
  std::size_t pos_ = 0;
};

// The records of the workbook stream from an offset, each with its length checked.
class RecordReader {
public:
  RecordReader(std::string_view stream, std::size_t offset) : stream_(stream), pos_(offset) {
    if (offset > stream.size()) Damaged("лист вне книги");
  }
  bool Next(Record& record) {
    if (pos_ + 4 > stream_.size()) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(stream_.data() + pos_);
    record.type = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    const std::size_t length = static_cast<std::size_t>(p[2] | (p[3] << 8));
    if (pos_ + 4 + length > stream_.size()) Damaged("запись выходит за конец книги");
    record.body = stream_.substr(pos_ + 4, length);
    pos_ += 4 + length;
    return true;
  }
  // The body of the next record when it is a continuation; the position stays otherwise.
  std::size_t Pos() const { return pos_; }
  bool NextContinue(std::string_view& body) {
    const std::size_t keep = pos_;
    Record record;
    if (Next(record) && record.type == kContinue) {
      body = record.body;
      return true;
    }
    pos_ = keep;
    return false;
  }

private:
  std::string_view stream_;
  std::size_t pos_;
};

struct SheetInfo {
  std::string name;
  std::uint32_t offset = 0;
  bool hidden = false;  // hidden or very hidden
};

class XlsBook {
public:
  XlsBook(std::string_view stream, office::TBookSink& book) : stream_(stream), book_(book), strings_(book.strings) {}

  void Read() {
    ReadGlobals();
    // A sink may keep a sheet's own texts in the same table after the book's (the district's first-sheet
    // reader does): a cell is checked against the book's texts alone, or a damaged index past them
    // would read an earlier cell's text.
    sharedCount_ = strings_.Size();
    // The sheets wanted, asked in the workbook's order and read in the order of their records.
    std::vector<std::pair<std::size_t, office::TSheetSink*>> wanted;
    for (std::size_t i = 0; i < sheets_.size(); ++i)
      if (office::TSheetSink* sink = book_.Sheet(sheets_[i].name, sheets_[i].hidden)) wanted.emplace_back(i, sink);
    // Sheets follow one another without overlapping: two sheet entries naming the same records would
    // make a small damaged file cost as much work and memory as a huge one.
    std::sort(wanted.begin(), wanted.end(),
              [this](const auto& a, const auto& b) { return sheets_[a.first].offset < sheets_[b.first].offset; });
    std::size_t end = globalsEnd_;
    for (const auto& [i, sink] : wanted) {
      if (sheets_[i].offset < end) Damaged("листы книги перекрываются");
      end = ReadSheet(sheets_[i], *sink);
    }
  }

private:
  // Texts of BIFF5 are bytes of the workbook's code page; the files of the district are Windows-1251.
  std::string Bytes(Cursor& in, std::uint32_t count) {
    std::string bytes;
    for (std::uint32_t i = 0; i < count; ++i) bytes.push_back(static_cast<char>(in.U8()));
    if (codePage_ == 1200 || codePage_ == 1252 || codePage_ == 367) {
      std::string out;
      for (const char c : bytes) AppendUtf8(out, static_cast<unsigned char>(c));
      return out;
    }
    return Cp1251ToUtf8(bytes);
  }
  std::string Text16(Cursor& in) {
    const std::uint16_t count = in.U16();
    return biff8_ ? in.Text8(count) : Bytes(in, count);
  }

  void ReadGlobals() {
    RecordReader records(stream_, 0);
    Record record;
    if (!records.Next(record) || record.type != kBof || record.body.size() < 4)
      throw TDamaged{"файл не является книгой электронной таблицы"};
    Cursor bof(record.body);
    const std::uint16_t version = bof.U16();
    if (version != 0x0600 && version != 0x0500) throw TDamaged{"неподдерживаемая версия формата книги"};
    biff8_ = version == 0x0600;
    if (record.body.size() >= 8) {
      bof.U16();
      const std::uint16_t build = bof.U16(), year = bof.U16();
      gnumeric_ = build == kGnumericBuild && year == kGnumericYear;
    }
    bool ended = false;
    while (!ended && records.Next(record)) {
      Cursor in(record.body);
      switch (record.type) {
        case kEof: ended = true; break;
        case kFilePass: throw TDamaged{"книга защищена паролем"};
        case kCodePage: codePage_ = in.U16(); break;
        case kDateMode: dateShift_ = in.U16() == 1 ? 1462 : 0; break;
        case kRecalcId: calculated_ = true; break;
        case kFormat:
        case kFormat5: {
          const std::uint16_t id = in.U16();
          const std::string code = biff8_ ? Text16(in) : Bytes(in, in.U8());
          if (std::string fault = office::FormatCodeFault(id, code); !fault.empty()) throw TDamaged{std::move(fault)};
          formats_[id] = office::NumberFormatOf(id, code);
          break;
        }
        case kXf: {
          in.U16();
          xfFormats_.push_back(in.U16());
          break;
        }
        case kSst: {
          std::vector<std::string_view> parts{record.body};
          std::string_view more;
          while (records.NextContinue(more)) parts.push_back(more);
          if (book_.WantsCells()) ReadStrings(Cursor(std::move(parts)));
          break;
        }
        case kSheet: {
          SheetInfo info;
          info.offset = in.U32();
          info.hidden = (in.U8() & 0x03) != 0;
          const std::uint8_t kind = in.U8();
          const std::uint8_t length = in.U8();
          info.name = biff8_ ? in.Text8(length) : Bytes(in, length);
          if (kind == 0) sheets_.push_back(std::move(info));  // charts and macro sheets hold no cells
          break;
        }
        default: break;
      }
    }
    if (!ended) Damaged("нет конца общей части книги");
    globalsEnd_ = records.Pos();
  }

  void ReadStrings(Cursor in) {
    in.U32();
    const std::uint32_t count = in.U32();
    // Every string takes at least three bytes, so a count beyond the record is a damaged one.
    for (std::uint32_t i = 0; i < count && !in.AtEnd(); ++i) strings_.Add(in.Text8(in.U16()));
  }

  // What the cell format makes of a number; nullptr for a format the book does not hold.
  const office::TNumberFormat* FormatOf(std::uint16_t xf) {
    if (xf >= xfFormats_.size()) return nullptr;
    const std::uint16_t format = xfFormats_[xf];
    auto it = formats_.find(format);
    if (it == formats_.end()) it = formats_.emplace(format, office::BuiltinNumberFormat(format)).first;
    // the map's entries stay where they are: the cells' format is compared by its number
    return &it->second;
  }

  void StoreNumber(office::TSheetSink& sheet, int row, int col, std::uint16_t xf, double value) {
    office::StoreFormattedNumber(sheet, row, col, value, FormatOf(xf), dateShift_);
  }

  static std::string CellRef(int row, int col) {
    std::string letters;
    for (int c = col; c > 0; c = (c - 1) / 26) letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
    return letters + std::to_string(row);
  }

  // The text of an error value's code, as a spreadsheet shows it.
  static std::string ErrorText(std::uint8_t code) {
    switch (code) {
      case 0x00: return "#NULL!";
      case 0x07: return "#DIV/0!";
      case 0x0F: return "#VALUE!";
      case 0x17: return "#REF!";
      case 0x1D: return "#NAME?";
      case 0x24: return "#NUM!";
      case 0x2A: return "#N/A";
      default: {
        // built up in two steps: GCC 12 takes the one-line sum for an overlapping copy (-Wrestrict)
        std::string text = "#";
        text += std::to_string(code);
        return text;
      }
    }
  }

  // The build and year that gnumeric's books give in their first record, a spreadsheet program's release
  // (xlwt gives 0x0DBB of 1996, as LibreOffice does beside its RECALCID).
  static constexpr std::uint16_t kGnumericBuild = 0x2775, kGnumericYear = 1997;

  // A formula's result: a number, or below 0xFFFF in its top two bytes, its kind in its first byte.
  enum : std::uint8_t { kTextResult = 0, kBoolResult = 1, kErrorResult = 2, kEmptyResult = 3 };
  static bool IsNumberResult(std::uint64_t result) { return (result >> 48) != 0xFFFF; }

  // A boolean is no number and no name: TRUE read as 1 would be a household's count of one.
  static void StoreBoolean(office::TSheetSink& sheet, int row, int col, std::uint8_t value) {
    sheet.Unreadable(row, col, UnreadableCell::BooleanValue, value != 0 ? "ИСТИНА" : "ЛОЖЬ");
  }

  static double RkValue(std::uint32_t rk) {
    double value = 0;
    if (rk & 0x02) {
      value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
      const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFC) << 32;
      std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 0x01) ? value / 100 : value;
  }

  // Whether a formula's parsed expression gives a number (or an error) whatever it is calculated from:
  // numeric constants, arithmetic operators and parentheses alone (=1825000+200, =1/0), or an expression
  // whose last operation is arithmetic (=A2+1, =-B3, =C4%). A reference, a name, a text or a function
  // alone may give the empty text, and so may a comparison or a "&".
  static bool GivesNumberOnly(std::string_view tokens) { return OfNumbersAlone(tokens) || LastIsArithmetic(tokens); }

  // The expression is in reverse Polish order: its last token, parentheses and spaces aside, is its
  // outermost operation. A token whose size is not known here tells nothing.
  static bool LastIsArithmetic(std::string_view tokens) {
    std::uint8_t last = 0;
    for (std::size_t at = 0; at < tokens.size();) {
      const auto token = static_cast<std::uint8_t>(tokens[at]);
      const auto byte = [&](std::size_t k) { return at + k < tokens.size() ? static_cast<std::uint8_t>(tokens[at + k]) : 0; };
      std::size_t size = 0;
      bool counts = true;
      if (token == 0x01 || token == 0x02) size = 5;  // an array's or a table's reference
      else if (token >= 0x03 && token <= 0x16) size = 1, counts = token != 0x15;  // operators, parentheses, a missing argument
      else if (token == 0x17) size = 3 + static_cast<std::size_t>(byte(1)) * (byte(2) & 1 ? 2 : 1);  // a text
      else if (token == 0x19) {  // an attribute: spaces, a jump, a choice, a sum of one range
        size = byte(1) & 0x04 ? 4 + 2 * (static_cast<std::size_t>(byte(2) | byte(3) << 8) + 1) : 4;
        counts = (byte(1) & 0x10) != 0;
      } else if (token == 0x1C || token == 0x1D) size = 2;  // an error, a boolean
      else if (token == 0x1E) size = 3;
      else if (token == 0x1F) size = 9;
      else if (token >= 0x20 && token < 0x80) {
        // an operand or a function of any class: its size by its kind (an array constant and a memory
        // area keep data past the last token, which this walk does not follow)
        static constexpr std::uint8_t kSizes[32] = {0, 3, 4, 5, 5, 9, 0, 7, 7, 3, 5, 9, 5, 9, 0, 0,
                                                    0, 0, 0, 0, 0, 0, 0, 0, 0, 7, 7, 11, 7, 11, 0, 0};
        size = kSizes[token & 0x1F];
      }
      if (size == 0) return false;
      if (counts) last = token == 0x19 ? 0x03 : token;  // a sum gives a number as an addition does
      at += size;
      if (at > tokens.size()) return false;
    }
    return (last >= 0x03 && last <= 0x07) || last == 0x13 || last == 0x14;
  }

  static bool OfNumbersAlone(std::string_view tokens) {
    if (tokens.empty()) return false;
    for (std::size_t at = 0; at < tokens.size();) {
      const auto token = static_cast<std::uint8_t>(tokens[at]);
      if (token == 0x1E) at += 3;                                  // an integer
      else if (token == 0x1F) at += 9;                             // a number
      else if ((token >= 0x03 && token <= 0x07) || (token >= 0x12 && token <= 0x15)) ++at;  // + - * / ^, signs, %, ( )
      else return false;
    }
    return true;
  }

  // What the formulas of the sheet at `offset` hold: whether one holds a result other than the empty one,
  // and whether one holds the empty result though it gives a number whatever it is calculated from (a
  // formula never calculated, as the book's program kept it).
  struct TFormulaResults {
    bool results = false;
    bool uncalculated = false;
  };
  TFormulaResults ScanFormulas(std::uint32_t offset) const {
    TFormulaResults scan;
    RecordReader records(stream_, offset);
    Record record;
    while (records.Next(record) && record.type != kEof) {
      if (record.type != kFormula || record.body.size() < 14) continue;
      Cursor in(record.body);
      in.Read(6);
      const std::uint64_t result = in.Read(8);
      if (IsNumberResult(result) || (result & 0xFF) != kEmptyResult) {
        scan.results = true;
      } else if (record.body.size() >= 22) {
        const std::size_t length = static_cast<std::uint8_t>(record.body[20]) | static_cast<std::uint8_t>(record.body[21]) << 8;
        scan.uncalculated = scan.uncalculated || GivesNumberOnly(record.body.substr(22, length));
      }
    }
    return scan;
  }

  // Returns where the sheet's records end.
  std::size_t ReadSheet(const SheetInfo& info, office::TSheetSink& sheet) {
    RecordReader records(stream_, info.offset);
    Record record;
    if (!records.Next(record) || record.type != kBof) Damaged("лист \"" + info.name + "\" не найден");
    int formulaRow = 0, formulaCol = 0;  // a formula whose text result follows in a STRING record
    std::uint16_t formulaXf = 0;
    // Formulas stored with the empty result, in a book that names no engine that calculated it: the
    // libraries that write workbooks without calculating them store it for every formula, and a sheet
    // where some formula holds a result of its own was calculated. gnumeric shows the results it stores,
    // the empty one too, unless the sheet shows it kept a book's uncalculated formulas (one of numbers
    // alone holds the empty result).
    bool emptyIsText = calculated_;
    if (!emptyIsText) {
      const TFormulaResults scan = ScanFormulas(info.offset);
      emptyIsText = gnumeric_ ? !scan.uncalculated : scan.results;
    }
    while (records.Next(record)) {
      if (record.type == kEof) return records.Pos();
      Cursor in(record.body);
      switch (record.type) {
        case kNumber: {
          const int row = in.U16() + 1, col = in.U16() + 1;
          const std::uint16_t xf = in.U16();
          StoreNumber(sheet, row, col, xf, in.F64());
          break;
        }
        case kRk: {
          const int row = in.U16() + 1, col = in.U16() + 1;
          const std::uint16_t xf = in.U16();
          StoreNumber(sheet, row, col, xf, RkValue(in.U32()));
          break;
        }
        case kMulRk: {
          if (record.body.size() < 6) Damaged("запись короче своих полей");
          const int row = in.U16() + 1, first = in.U16() + 1;
          const std::size_t count = (record.body.size() - 6) / 6;
          for (std::size_t i = 0; i < count; ++i) {
            const std::uint16_t xf = in.U16();
            StoreNumber(sheet, row, first + static_cast<int>(i), xf, RkValue(in.U32()));
          }
          break;
        }
        case kLabelSst: {
          const int row = in.U16() + 1, col = in.U16() + 1;
          const std::uint16_t xf = in.U16();
          const std::uint32_t index = in.U32();
          if (index >= sharedCount_)
            Damaged("ссылка на строку вне таблицы строк, лист \"" + info.name + "\", ячейка " + CellRef(row, col));
          if (!strings_.At(index).empty()) office::StoreFormattedShared(sheet, row, col, index, FormatOf(xf));
          break;
        }
        case kLabel:
        case kRString: {
          const int row = in.U16() + 1, col = in.U16() + 1;
          const std::uint16_t xf = in.U16();
          const std::string text = Text16(in);
          if (!text.empty()) office::StoreFormattedText(sheet, row, col, text, FormatOf(xf));
          break;
        }
        case kBoolErr: {
          const int row = in.U16() + 1, col = in.U16() + 1;
          in.U16();
          const std::uint8_t value = in.U8();
          if (in.U8() == 0)
            StoreBoolean(sheet, row, col, value);
          else
            sheet.Unreadable(row, col, UnreadableCell::ErrorValue, ErrorText(value));
          break;
        }
        case kFormula: {
          const int row = in.U16() + 1, col = in.U16() + 1;
          const std::uint16_t xf = in.U16();
          const std::uint64_t result = in.Read(8);
          const std::uint8_t kind = result & 0xFF, value = (result >> 16) & 0xFF;
          if (IsNumberResult(result)) {
            double number = 0;
            std::memcpy(&number, &result, sizeof number);
            StoreNumber(sheet, row, col, xf, number);
          } else if (kind == kTextResult) {
            formulaRow = row;
            formulaCol = col;
            formulaXf = xf;
          } else if (kind == kBoolResult) {
            StoreBoolean(sheet, row, col, value);
          } else if (kind == kErrorResult) {
            sheet.Unreadable(row, col, UnreadableCell::ErrorValue, ErrorText(value));
          } else if (kind == kEmptyResult && !emptyIsText) {
            sheet.Unreadable(row, col, UnreadableCell::FormulaWithoutResult, {});
          } else if (kind == kEmptyResult && !calculated_) {
            // kept by a program that shows what it was given: "" or never calculated
            sheet.UnsureEmpty(row, col);
          }
          break;
        }
        case kString: {
          if (formulaRow == 0) break;
          std::vector<std::string_view> parts{record.body};
          std::string_view more;
          while (records.NextContinue(more)) parts.push_back(more);
          Cursor text(std::move(parts));
          const std::string value = Text16(text);
          if (!value.empty()) office::StoreFormattedText(sheet, formulaRow, formulaCol, value, FormatOf(formulaXf));
          formulaRow = formulaCol = 0;
          break;
        }
        case kMergedCells: {
          // ranges of rows and columns from 0, first and last of each; the count is the record's
          const std::uint16_t count = in.U16();
          if (record.body.size() < 2 + 8 * std::size_t{count}) Damaged("запись короче своих полей");
          for (std::uint16_t i = 0; i < count; ++i) {
            const int r1 = in.U16() + 1, r2 = in.U16() + 1, c1 = in.U16() + 1, c2 = in.U16() + 1;
            if (r1 > r2 || c1 > c2)
              Damaged("неверный диапазон объединенных ячеек " + CellRef(r1, c1) + ":" + CellRef(r2, c2) + ", лист \"" +
                      info.name + "\"");
            if (r1 != r2 || c1 != c2) sheet.Merged(r1, c1, r2, c2);
          }
          break;
        }
        default: break;
      }
    }
    Damaged("лист \"" + info.name + "\" не закончен");
  }

  std::string_view stream_;
  office::TBookSink& book_;
  office::TStringTable& strings_;
  std::size_t sharedCount_ = 0;  // how many texts the book's table holds
  std::size_t globalsEnd_ = 0;
  bool biff8_ = true;
  std::uint16_t codePage_ = 1251;
  double dateShift_ = 0;
  // The book names the calculation engine that last calculated it (RECALCID, which spreadsheet programs
  // write and the libraries that write workbooks without calculating them do not): each formula's stored
  // result, the empty text too, is what its formula gives.
  bool calculated_ = false;
  // gnumeric saved the book: it names no engine, and shows the results it stores without recalculating
  // them, the empty one of a formula that gives "" as that of a formula of a book it copied uncalculated.
  bool gnumeric_ = false;
  std::map<std::uint16_t, office::TNumberFormat> formats_;  // custom formats, and the built-in ones met
  std::vector<std::uint16_t> xfFormats_;   // the number format of each cell format, in file order
  std::vector<SheetInfo> sheets_;
};

}  // namespace

namespace office {

void ReadXlsInto(const std::string& path, TBookSink& book) {
  const std::string prefix = "Ошибка чтения файла \"" + path + "\"";
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) throw Error(prefix + ": файл не открывается");
  const std::streamoff size = in.tellg();
  std::string bytes(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
  in.seekg(0);
  if (size < 0 || !in.read(bytes.data(), size)) throw Error(prefix + ": файл не читается");
  try {
    const TCompoundFile container(std::move(bytes));
    auto stream = container.ReadStream("Workbook");
    if (!stream) stream = container.ReadStream("Book");
    if (!stream) throw TDamaged{"в файле нет книги"};
    XlsBook(*stream, book).Read();
  } catch (const TDamaged& damaged) {
    throw Error(prefix + ": " + damaged.reason);
  }
}

}  // namespace office

}  // namespace ld
