#include <zip.h>

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/office/xlsx_file.h"
#include "core/office/xml_reader.h"

namespace ld {

namespace {

using office::AttrValue;
using office::XmlAttr;
using office::XmlHandler;

struct ZipCloser {
  void operator()(zip_t* zip) const { zip_discard(zip); }
};
struct ZipFileCloser {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};

class ZipArchive {
public:
  explicit ZipArchive(const std::string& path) {
    int error = 0;
    zip_.reset(zip_open(path.c_str(), ZIP_RDONLY, &error));
  }
  bool IsOpen() const { return zip_ != nullptr; }

  // The uncompressed part by its name (letter case ignored); nothing when missing or unreadable.
  std::optional<std::string> Read(const std::string& name) const {
    const zip_int64_t index = zip_name_locate(zip_.get(), name.c_str(), ZIP_FL_NOCASE);
    if (index < 0) return std::nullopt;
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(zip_.get(), static_cast<zip_uint64_t>(index), 0, &stat) != 0) return std::nullopt;
    std::unique_ptr<zip_file_t, ZipFileCloser> file(zip_fopen_index(zip_.get(), static_cast<zip_uint64_t>(index), 0));
    if (!file) return std::nullopt;
    std::string data;
    char buf[65536];
    for (;;) {
      const zip_int64_t n = zip_fread(file.get(), buf, sizeof buf);
      if (n < 0) return std::nullopt;
      if (n == 0) break;
      data.append(buf, static_cast<std::size_t>(n));
    }
    return data;
  }

private:
  std::unique_ptr<zip_t, ZipCloser> zip_;
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

// A custom number format shows a date or a time when it has a date or time letter outside its quoted
// texts, escaped characters and bracketed parts ([Red], [$-419]).
bool IsDateFormatCode(std::string_view code) {
  bool quoted = false;
  int bracket = 0;
  for (std::size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    if (quoted) {
      quoted = c != '"';
      continue;
    }
    if (c == '"') quoted = true;
    else if (c == '\\' || c == '_' || c == '*') ++i;
    else if (c == '[') ++bracket;
    else if (c == ']') bracket = bracket > 0 ? bracket - 1 : 0;
    else if (bracket == 0 && std::string_view("dDmMyYhHsS").find(c) != std::string_view::npos) {
      // "General" carries none of these letters but "e"; still guard against a spelled-out name
      return code != "General" && code != "general";
    }
  }
  return false;
}

bool IsBuiltinDateFormat(int id) {
  return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58);
}

// Collects the text of the <t> elements of one string item, skipping phonetic runs.
class SharedStrings : public XmlHandler {
public:
  std::vector<std::string> items;

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
      items.push_back(DecodeEscapes(current_));
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

// "BC12" -> column 55, row 12; false when it is not a cell reference.
bool ParseCellRef(std::string_view ref, int& row, int& col) {
  std::size_t i = 0;
  int c = 0;
  while (i < ref.size() && std::isalpha(static_cast<unsigned char>(ref[i]))) {
    c = c * 26 + (std::toupper(static_cast<unsigned char>(ref[i])) - 'A' + 1);
    if (c > 16384) return false;
    ++i;
  }
  const int r = ToInt(ref.substr(i));
  if (i == 0 || r < 1) return false;
  row = r;
  col = c;
  return true;
}

class SheetPart : public XmlHandler {
public:
  SheetPart(Worksheet& sheet, const std::vector<std::string>& strings, const std::vector<bool>& dateStyle,
            double dateShift)
      : sheet_(sheet), strings_(strings), dateStyle_(dateStyle), dateShift_(dateShift) {}

  void Start(std::string_view name, const std::vector<XmlAttr>& attrs) override {
    if (name == "row") {
      const int r = ToInt(AttrValue(attrs, "r"));
      row_ = r >= 1 ? r : row_ + 1;
      col_ = 0;
    } else if (name == "c") {
      int r = 0, c = 0;
      if (ParseCellRef(AttrValue(attrs, "r"), r, c)) {
        row_ = r;
        col_ = c;
      } else {
        if (row_ < 1) row_ = 1;
        ++col_;
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
      const int index = ToInt(value_);
      if (index >= 0 && static_cast<std::size_t>(index) < strings_.size()) sheet_.SetText(row_, col_, strings_[index]);
    } else if (type_ == "inlineStr" || type_ == "str" || type_ == "e") {
      if (!value_.empty()) sheet_.SetText(row_, col_, DecodeEscapes(value_));
    } else if (type_ == "b") {
      if (!value_.empty()) sheet_.SetNumber(row_, col_, value_ == "1" || value_ == "true" ? 1 : 0);
    } else if (type_ == "d") {
      StoreIsoDate();
    } else if (!value_.empty()) {
      char* end = nullptr;
      const double number = std::strtod(value_.c_str(), &end);
      if (end == value_.c_str()) {
        sheet_.SetText(row_, col_, value_);
      } else if (style_ >= 0 && static_cast<std::size_t>(style_) < dateStyle_.size() && dateStyle_[style_]) {
        sheet_.SetDate(row_, col_, number + dateShift_);
      } else {
        sheet_.SetNumber(row_, col_, number);
      }
    }
  }

  // A cell of the date type holds "YYYY-MM-DD" with an optional "THH:MM:SS".
  void StoreIsoDate() {
    int y = 0, m = 0, d = 0, hh = 0, mm = 0, ss = 0;
    if (std::sscanf(value_.c_str(), "%d-%d-%dT%d:%d:%d", &y, &m, &d, &hh, &mm, &ss) >= 3 && m >= 1 && m <= 12 &&
        d >= 1 && d <= 31)
      sheet_.SetDate(row_, col_, DateSerial(y, m, d, hh, mm, ss));
    else if (!value_.empty())
      sheet_.SetText(row_, col_, value_);
  }

  Worksheet& sheet_;
  const std::vector<std::string>& strings_;
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

Workbook ReadXlsx(const std::string& path) {
  const Error failure("Ошибка чтения файла \"" + path + "\"");
  const ZipArchive zip(path);
  if (!zip.IsOpen()) throw failure;

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
  if (!workbookXml || !office::ParseXml(*workbookXml, workbook)) throw failure;

  Relationships rels;
  if (const auto relsXml = zip.Read(RelsOf(workbookPart))) {
    if (!office::ParseXml(*relsXml, rels)) throw failure;
  }
  const std::string folder = FolderOf(workbookPart);

  SharedStrings strings;
  Styles styles;
  for (const auto& [id, rel] : rels.byId) {
    if (EndsWith(rel.type, "/sharedStrings")) {
      const auto xml = zip.Read(ResolveTarget(folder, rel.target));
      if (!xml || !office::ParseXml(*xml, strings)) throw failure;
    } else if (EndsWith(rel.type, "/styles")) {
      const auto xml = zip.Read(ResolveTarget(folder, rel.target));
      if (!xml || !office::ParseXml(*xml, styles)) throw failure;
    }
  }

  // The 1904 date system counts from 1.1.1904, which is serial day 1462 of the usual one.
  const double dateShift = workbook.date1904 ? 1462 : 0;
  Workbook book;
  for (const SheetRef& ref : workbook.sheets) {
    const auto rel = rels.byId.find(ref.relId);
    if (rel == rels.byId.end() || !EndsWith(rel->second.type, "/worksheet")) continue;  // chart sheets
    const auto xml = zip.Read(ResolveTarget(folder, rel->second.target));
    Worksheet sheet(ref.name);
    SheetPart part(sheet, strings.items, styles.dateStyle, dateShift);
    if (!xml || !office::ParseXml(*xml, part)) throw failure;
    book.sheets.push_back(std::move(sheet));
  }
  return book;
}

}  // namespace ld
