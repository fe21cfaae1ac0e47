#include <zip.h>

#include <cctype>
#include <cmath>
#include <charconv>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/office/xlsx_file.h"
#include "core/office/number_formats.h"
#include "core/office/sheet_sink.h"
#include "core/office/xml_reader.h"
#include "core/office/zip_part.h"

namespace ld {

namespace {

using office::AttrValue;
using office::IsBuiltinDateFormat;
using office::IsDateFormatCode;
using office::XmlAttr;
using office::XmlHandler;


class ZipArchive {
public:
  explicit ZipArchive(const std::string& path) : budget_(path, office::FileSize(path)) {
    int error = 0;
    zip_.reset(zip_open(path.c_str(), ZIP_RDONLY, &error));
  }
  bool IsOpen() const { return zip_ != nullptr; }

  // The uncompressed part by its name (letter case ignored); nothing when missing or unreadable. Every
  // read counts against the package's limits, also a part read again for another sheet.
  std::optional<std::string> Read(const std::string& name) { return office::ReadZipPart(zip_.get(), name, budget_); }
  // The part parsed as it is unpacked, never held whole: sheets and string tables may be of any size
  // the package's budget allows.
  office::TPartRead Parse(const std::string& name, office::XmlHandler& handler) {
    office::XmlStream xml(handler);
    const office::TPartRead read =
        office::StreamZipPart(zip_.get(), name, budget_, [&xml](std::string_view piece) { return xml.Feed(piece); });
    if (read == office::TPartRead::Read && !xml.Finish()) return office::TPartRead::Stopped;
    return read;
  }

private:
  office::ZipPtr zip_;
  office::TUnpackBudget budget_;
};

int ToInt(std::string_view text, int fallback = -1) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() ? value : fallback;
}

// Texts of the format escape characters outside the XML range as _xHHHH_.
std::string DecodeEscapes(const std::string& text) {
  if (text.find("_x") == std::string::npos) return text;
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    if (i + 7 <= text.size() && text[i] == '_' && text[i + 1] == 'x' && text[i + 6] == '_' &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2])) && std::isxdigit(static_cast<unsigned char>(text[i + 3])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 4])) && std::isxdigit(static_cast<unsigned char>(text[i + 5]))) {
      AppendUtf8(out, static_cast<char32_t>(std::strtoul(text.substr(i + 2, 4).c_str(), nullptr, 16)));
      i += 7;
    } else {
      out += text[i++];
    }
  }
  return out;
}

// Joins a relationship target to the folder of the part that names it ("xl/" for the workbook).
std::string ResolveTarget(const std::string& folder, std::string_view target) {
  if (!target.empty() && target.front() == '/') return std::string(target.substr(1));
  std::string base = folder;
  while (target.substr(0, 3) == "../") {
    target.remove_prefix(3);
    if (!base.empty()) base.pop_back();
    const auto slash = base.rfind('/');
    base = slash == std::string::npos ? std::string() : base.substr(0, slash + 1);
  }
  return base + std::string(target);
}

// Collects the text of the <t> elements of one string item, skipping phonetic runs.
class SharedStrings : public XmlHandler {
public:
  explicit SharedStrings(office::TStringTable& items) : items_(items) {}

  void Start(std::string_view name, const std::vector<XmlAttr>&) override {
    if (name == "si") {
      current_.clear();
      inItem_ = true;
    } else if (name == "rPh") {
      ++phonetic_;
    } else if (name == "t" && inItem_ && phonetic_ == 0) {
      inText_ = true;
    }
  }
  void End(std::string_view name) override {
    if (name == "si") {
      items_.Add(DecodeEscapes(current_));
      inItem_ = false;
    } else if (name == "rPh") {
      --phonetic_;
    } else if (name == "t") {
      inText_ = false;
    }
  }
  void Text(std::string_view text) override {
    if (inText_) current_.append(text);
  }

private:
  office::TStringTable& items_;
  std::string current_;
  bool inItem_ = false;
  bool inText_ = false;
  int phonetic_ = 0;
};

// Which cell formats (by their index in cellXfs) show dates.
class Styles : public XmlHandler {
public:
  std::vector<bool> dateStyle;

  void Start(std::string_view name, const std::vector<XmlAttr>& attrs) override {
    if (name == "numFmt") {
      const int id = ToInt(AttrValue(attrs, "numFmtId"));
      if (id >= 0) custom_[id] = IsDateFormatCode(AttrValue(attrs, "formatCode"));
    } else if (name == "cellXfs") {
      inCellXfs_ = true;
    } else if (name == "xf" && inCellXfs_) {
      const int id = ToInt(AttrValue(attrs, "numFmtId"), 0);
      const auto it = custom_.find(id);
      dateStyle.push_back(it != custom_.end() ? it->second : IsBuiltinDateFormat(id));
    }
  }
  void End(std::string_view name) override {
    if (name == "cellXfs") inCellXfs_ = false;
  }
  void Text(std::string_view) override {}

private:
  std::map<int, bool> custom_;
  bool inCellXfs_ = false;
};

struct SheetRef {
  std::string name;
  std::string relId;
};

class WorkbookPart : public XmlHandler {
public:
  std::vector<SheetRef> sheets;
  bool date1904 = false;

  void Start(std::string_view name, const std::vector<XmlAttr>& attrs) override {
    if (name == "sheet") {
      sheets.push_back({std::string(AttrValue(attrs, "name")), std::string(AttrValue(attrs, "id"))});
    } else if (name == "workbookPr") {
      const std::string_view flag = AttrValue(attrs, "date1904");
      date1904 = flag == "1" || flag == "true";
    }
  }
  void End(std::string_view) override {}
  void Text(std::string_view) override {}
};

struct Relationship {
  std::string type;
  std::string target;
};

class Relationships : public XmlHandler {
public:
  std::map<std::string, Relationship> byId;

  void Start(std::string_view name, const std::vector<XmlAttr>& attrs) override {
    if (name == "Relationship")
      byId[std::string(AttrValue(attrs, "Id"))] = {std::string(AttrValue(attrs, "Type")),
                                                   std::string(AttrValue(attrs, "Target"))};
  }
  void End(std::string_view) override {}
  void Text(std::string_view) override {}
};

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// "BC12" -> column 55, row 12; false when it is not a reference to a cell of a sheet (columns up to
// XFD, rows up to 1048576).
bool ParseCellRef(std::string_view ref, int& row, int& col) {
  std::size_t i = 0;
  int c = 0;
  while (i < ref.size() && std::isalpha(static_cast<unsigned char>(ref[i]))) {
    c = c * 26 + (std::toupper(static_cast<unsigned char>(ref[i])) - 'A' + 1);
    if (c > 16384) return false;
    ++i;
  }
  const std::string_view digits = ref.substr(i);
  if (i == 0 || digits.empty() || !std::isdigit(static_cast<unsigned char>(digits.front()))) return false;
  const int r = ToInt(digits);
  if (r < 1 || r > 1048576) return false;
  row = r;
  col = c;
  return true;
}

// A number as the format writes it (a point, an optional exponent), whatever the C locale; false for
// a text that is not one or that no double holds ("1e999999").
enum class NumberText { Number, NotNumber, OutOfRange };
NumberText ParseNumber(std::string_view text, double& value) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec == std::errc::result_out_of_range) return NumberText::OutOfRange;
  if (ec != std::errc() || end != text.data() + text.size()) return NumberText::NotNumber;
  // "inf" and "nan" are words, not numbers: kept as the texts they are.
  return std::isfinite(value) ? NumberText::Number : NumberText::NotNumber;
}

class SheetPart : public XmlHandler {
public:
  SheetPart(office::TSheetSink& sheet, std::size_t strings, const std::vector<bool>& dateStyle, double dateShift)
      : sheet_(sheet), strings_(strings), dateStyle_(dateStyle), dateShift_(dateShift) {}

  void Start(std::string_view name, const std::vector<XmlAttr>& attrs) override {
    if (name == "row") {
      const std::string_view r = AttrValue(attrs, "r");
      const int number = ToInt(r);
      if (!r.empty() && (number < 1 || number > 1048576)) Fail("неверный номер строки \"" + std::string(r) + "\"");
      row_ = r.empty() ? row_ + 1 : number;
      col_ = 0;
      if (row_ > 1048576) Fail("строка за последней строкой листа (1048576)");
    } else if (name == "c") {
      int r = 0, c = 0;
      const std::string_view ref = AttrValue(attrs, "r");
      if (ParseCellRef(ref, r, c)) {
        row_ = r;
        col_ = c;
      } else if (!ref.empty()) {
        Fail("неверная ссылка на ячейку \"" + std::string(ref) + "\"");
      } else {
        if (row_ < 1) row_ = 1;
        // cells without a reference follow one another, but not past the sheet's last column
        if (++col_ > 16384) Fail("ячейка строки " + std::to_string(row_) + " за последним столбцом листа (XFD)");
      }
      type_ = std::string(AttrValue(attrs, "t"));
      style_ = ToInt(AttrValue(attrs, "s"), 0);
      value_.clear();
      inCell_ = true;
    } else if (inCell_ && (name == "v" || (name == "t" && type_ == "inlineStr"))) {
      inValue_ = true;
    } else if (inCell_ && name == "rPh") {
      ++phonetic_;
    }
  }

  void End(std::string_view name) override {
    if (name == "c" && inCell_) {
      Store();
      inCell_ = false;
    } else if (name == "v" || name == "t") {
      inValue_ = false;
    } else if (name == "rPh") {
      --phonetic_;
    }
  }

  void Text(std::string_view text) override {
    if (inValue_ && phonetic_ == 0) value_.append(text);
  }

private:
  void Store() {
    if (type_ == "s") {
      if (value_.empty()) return;
      // a text the table does not hold is damage, not an empty cell: the row would lose it unseen
      const int index = ToInt(value_);
      if (index < 0 || static_cast<std::size_t>(index) >= strings_)
        Fail("ячейка " + RefText() + " ссылается на строку \"" + value_ + "\", которой нет в таблице строк");
      else
        sheet_.Shared(row_, col_, static_cast<std::uint32_t>(index));
    } else if (type_ == "inlineStr" || type_ == "str" || type_ == "e") {
      if (!value_.empty()) sheet_.Text(row_, col_, DecodeEscapes(value_));
    } else if (type_ == "b") {
      if (!value_.empty()) sheet_.Number(row_, col_, value_ == "1" || value_ == "true" ? 1 : 0);
    } else if (type_ == "d") {
      StoreIsoDate();
    } else if (!value_.empty()) {
      double number = 0;
      const NumberText parsed = ParseNumber(value_, number);
      if (parsed == NumberText::OutOfRange) {
        Fail("число \"" + value_ + "\" в ячейке " + RefText() + " вне допустимого диапазона");
      } else if (parsed == NumberText::NotNumber) {
        sheet_.Text(row_, col_, value_);
      } else if (style_ >= 0 && static_cast<std::size_t>(style_) < dateStyle_.size() && dateStyle_[style_] &&
                 office::IsDateSerialInRange(number + dateShift_)) {
        sheet_.Date(row_, col_, number + dateShift_);
      } else {
        sheet_.Number(row_, col_, number);
      }
    }
  }

  std::string RefText() const {
    std::string letters;
    for (int c = col_; c > 0; c = (c - 1) / 26) letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
    return letters + std::to_string(row_);
  }

  // A cell of the date type holds "YYYY-MM-DD" with an optional "THH:MM:SS"; anything else is kept as
  // its text.
  void StoreIsoDate() {
    const std::string_view v = value_;
    const auto field = [&v](std::size_t at, std::size_t length, int low, int high, int& out) {
      if (at + length > v.size()) return false;
      const auto [end, ec] = std::from_chars(v.data() + at, v.data() + at + length, out);
      return ec == std::errc() && end == v.data() + at + length && out >= low && out <= high;
    };
    int y = 0, m = 0, d = 0, hh = 0, mm = 0, ss = 0;
    const bool date = v.size() >= 10 && v[4] == '-' && v[7] == '-' && field(0, 4, 1900, 9999, y) &&
                      field(5, 2, 1, 12, m) && field(8, 2, 1, 31, d);
    const bool time = v.size() == 10 || (v.size() >= 19 && v[10] == 'T' && v[13] == ':' && v[16] == ':' &&
                                         field(11, 2, 0, 23, hh) && field(14, 2, 0, 59, mm) && field(17, 2, 0, 59, ss));
    if (date && time)
      sheet_.Date(row_, col_, DateSerial(y, m, d, hh, mm, ss));
    else if (!value_.empty())
      sheet_.Text(row_, col_, value_);
  }

  office::TSheetSink& sheet_;
  std::size_t strings_;  // how many shared texts the book holds
  const std::vector<bool>& dateStyle_;
  double dateShift_;
  int row_ = 0;
  int col_ = 0;
  std::string type_;
  int style_ = 0;
  std::string value_;
  bool inCell_ = false;
  bool inValue_ = false;
  int phonetic_ = 0;
};

std::string FolderOf(const std::string& part) {
  const auto slash = part.rfind('/');
  return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

std::string RelsOf(const std::string& part) {
  const auto slash = part.rfind('/');
  return slash == std::string::npos ? "_rels/" + part + ".rels"
                                    : part.substr(0, slash + 1) + "_rels/" + part.substr(slash + 1) + ".rels";
}

}  // namespace

namespace office {

void ReadXlsxInto(const std::string& path, TBookSink& book) {
  const std::string prefix = "Ошибка чтения файла \"" + path + "\"";
  const auto fail = [&prefix](const std::string& reason) { return Error(prefix + ": " + reason); };
  const auto damagedPart = [&fail](const std::string& part, const office::XmlHandler& handler) {
    return fail(handler.Failure().empty() ? "файл поврежден (часть \"" + part + "\")" : handler.Failure());
  };
  ZipArchive zip(path);
  if (!zip.IsOpen()) throw fail("файл не является книгой электронной таблицы или поврежден");

  // The workbook part is named by the package relationships; "xl/workbook.xml" by convention.
  std::string workbookPart = "xl/workbook.xml";
  if (const auto rels = zip.Read("_rels/.rels")) {
    Relationships root;
    if (office::ParseXml(*rels, root))
      for (const auto& [id, rel] : root.byId)
        if (EndsWith(rel.type, "/officeDocument")) workbookPart = ResolveTarget("", rel.target);
  }
  const auto workbookXml = zip.Read(workbookPart);
  WorkbookPart workbook;
  if (!workbookXml) throw fail("в файле нет книги");
  if (!office::ParseXml(*workbookXml, workbook)) throw damagedPart(workbookPart, workbook);

  Relationships rels;
  const std::string relsPart = RelsOf(workbookPart);
  if (const auto relsXml = zip.Read(relsPart)) {
    if (!office::ParseXml(*relsXml, rels)) throw damagedPart(relsPart, rels);
  }
  const std::string folder = FolderOf(workbookPart);

  Styles styles;
  for (const auto& [id, rel] : rels.byId) {
    const std::string part = ResolveTarget(folder, rel.target);
    if (EndsWith(rel.type, "/sharedStrings")) {
      if (!book.WantsCells()) continue;
      SharedStrings strings(book.strings);
      const TPartRead read = zip.Parse(part, strings);
      if (read == TPartRead::Missing || read == TPartRead::Unreadable)
        throw fail("в файле нет таблицы строк \"" + part + "\"");
      if (read != TPartRead::Read) throw damagedPart(part, strings);
    } else if (EndsWith(rel.type, "/styles")) {
      // Without its formats part every cell is shown in the general format: numbers, no dates.
      const auto xml = zip.Read(part);
      if (xml && !office::ParseXml(*xml, styles)) throw damagedPart(part, styles);
    }
  }

  // The 1904 date system counts from 1.1.1904, which is serial day 1462 of the usual one.
  const double dateShift = workbook.date1904 ? 1462 : 0;
  // The book's texts alone: a sink may add a sheet's own texts to the same table as it reads them.
  const std::size_t shared = book.strings.Size();
  for (const SheetRef& ref : workbook.sheets) {
    const auto rel = rels.byId.find(ref.relId);
    if (rel == rels.byId.end() || !EndsWith(rel->second.type, "/worksheet")) continue;  // chart sheets
    TSheetSink* sheet = book.Sheet(ref.name);
    if (!sheet) continue;
    const std::string part = ResolveTarget(folder, rel->second.target);
    SheetPart reader(*sheet, shared, styles.dateStyle, dateShift);
    const TPartRead read = zip.Parse(part, reader);
    if (read == TPartRead::Missing || read == TPartRead::Unreadable) throw fail("в файле нет листа \"" + ref.name + "\"");
    if (read != TPartRead::Read) {
      if (reader.Failure().empty()) throw damagedPart(part, reader);
      throw fail("лист \"" + ref.name + "\": " + reader.Failure());
    }
  }
}

}  // namespace office

}  // namespace ld
