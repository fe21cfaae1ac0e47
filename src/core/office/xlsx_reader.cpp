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
#include "core/office/relationships.h"
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


// Each sheet of the book opens and parses a part of its own, which costs about as long as a hundred
// elements take: so much more work for each sheet entry.
constexpr std::uint64_t kSheetWork = 128;

class ZipArchive {
public:
  explicit ZipArchive(const std::string& path)
      : budget_(path, office::FileSize(path)),
        work_(path, "элементов в частях книги",
              office::TFileScaledLimit(office::FileSize(path), office::kWorkAnyFile, office::kWorkPerFileByte, 0,
                                       office::TFileScaledLimit::TUnit::Count)) {
    int error = 0;
    zip_.reset(zip_open(path.c_str(), ZIP_RDONLY, &error));
    if (zip_) names_ = std::make_unique<office::TPackageNames>(zip_.get());
  }
  bool IsOpen() const { return zip_ != nullptr; }
  // Empty for a package whose entries are sound; else why it is damaged.
  const std::string& Damage() const { return names_->Damage(); }

  // The part parsed as it is unpacked, never held whole, its work counted as it goes: sheets and string
  // tables may be of any size the package's budget allows. Every read counts against the package's
  // limits, also a part read again for another sheet.
  office::TPartRead Parse(const std::string& name, office::XmlHandler& handler) {
    office::XmlStream xml(handler, &work_);
    const office::TPartRead read = office::StreamZipPart(zip_.get(), *names_, name, budget_,
                                                         [&](std::string_view piece) { return xml.Feed(piece); });
    if (read == office::TPartRead::Read && !xml.Finish()) return office::TPartRead::Stopped;
    return read;
  }

private:
  office::ZipPtr zip_;
  std::unique_ptr<office::TPackageNames> names_;
  office::TUnpackBudget budget_;
  office::TFileScaledBudget work_;
};

// Every part of a book: what an extension list holds is no part of the book's own data, however its
// elements are named (an extension may well hold rows and cells of the sheet's own namespace).
class TBookPart : public XmlHandler {
protected:
  bool Skips(const office::XmlName& name) const override { return name.local == "extLst"; }
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

// Where a rich text stands (an item of the table of texts, a cell's inline text): its text is the <t> of
// the item or of the item's runs (<r>); phonetic runs and whatever an extension holds are none of it.
// Elements are told by their depth in the part, their namespace checked by the caller.
class TRichText {
public:
  // The item's element opens at `depth`.
  void Open(int depth) {
    item_ = depth;
    run_ = text_ = 0;
  }
  bool IsOpen() const { return item_ != 0; }
  // An element of the item's namespace opens inside it.
  void Start(std::string_view local, int depth) {
    if (local == "r" && depth == item_ + 1)
      run_ = depth;
    else if (local == "t" && (depth == item_ + 1 || (run_ != 0 && depth == run_ + 1)))
      text_ = depth;
  }
  // An element closes at `depth`; true when it was the item itself.
  bool End(int depth) {
    if (depth == item_) {
      item_ = run_ = text_ = 0;
      return true;
    }
    if (depth == run_)
      run_ = 0;
    else if (depth == text_)
      text_ = 0;
    return false;
  }
  // Text met at `depth` is the item's.
  bool InText(int depth) const { return text_ != 0 && depth == text_; }

private:
  int item_ = 0, run_ = 0, text_ = 0;  // where the open item, run and text are; 0: none
};

// The texts of the table, each a rich text in the table's own namespace (its root's).
class SharedStrings : public TBookPart {
public:
  explicit SharedStrings(office::TStringTable& items) : items_(items) {}

  void Start(const office::XmlName& name, const std::vector<XmlAttr>&) override {
    if (Depth() == 1 || name.ns != RootNamespace()) return;
    if (name.local == "si") {
      // a text inside another would shift every later text of the table onto the cells of the next
      if (item_.IsOpen())
        Fail("текст " + std::to_string(items_.Size() + 2) + " таблицы строк вложен в текст " +
             std::to_string(items_.Size() + 1));
      current_.clear();
      item_.Open(Depth());
    } else if (item_.IsOpen()) {
      item_.Start(name.local, Depth());
    }
  }
  void End(const office::XmlName&) override {
    if (item_.End(Depth())) items_.Add(DecodeEscapes(current_));
  }
  void Text(std::string_view text) override {
    if (item_.InText(Depth())) current_.append(text);
  }

private:
  office::TStringTable& items_;
  std::string current_;
  TRichText item_;
};

// Which cell formats (by their index in cellXfs) show dates.
class Styles : public TBookPart {
public:
  std::vector<bool> dateStyle;

  void Start(const office::XmlName& name, const std::vector<XmlAttr>& attrs) override {
    if (name.local == "numFmt") {
      const int id = ToInt(AttrValue(attrs, "numFmtId"));
      if (id >= 0) custom_[id] = IsDateFormatCode(AttrValue(attrs, "formatCode"));
    } else if (name.local == "cellXfs") {
      inCellXfs_ = true;
    } else if (name.local == "xf" && inCellXfs_) {
      const int id = ToInt(AttrValue(attrs, "numFmtId"), 0);
      const auto it = custom_.find(id);
      dateStyle.push_back(it != custom_.end() ? it->second : IsBuiltinDateFormat(id));
    }
  }
  void End(const office::XmlName& name) override {
    if (name.local == "cellXfs") inCellXfs_ = false;
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

// The namespaces of relationship references ("r:id"): the transitional and the strict one.
bool IsRelationshipNamespace(std::string_view ns) {
  return ns == "http://schemas.openxmlformats.org/officeDocument/2006/relationships" ||
         ns == "http://purl.oclc.org/ooxml/officeDocument/relationships";
}

// The sheets of the book: the <sheet> entries of its <sheets>, in the book's own namespace (its root's).
// A sheet names its part by a relationship reference, an "id" of a namespace ("r:id"); an unprefixed
// "id" is another attribute. A sheet without its reference is damage.
class WorkbookPart : public TBookPart {
public:
  std::vector<SheetRef> sheets;
  bool date1904 = false;

  void Start(const office::XmlName& name, const std::vector<XmlAttr>& attrs) override {
    if (name.ns != RootNamespace()) return;
    if (Depth() == 2 && name.local == "sheets") {
      inSheets_ = true;
    } else if (Depth() == 3 && inSheets_ && name.local == "sheet") {
      // each sheet opens and parses a part of its own
      Spend(kSheetWork);
      SheetRef sheet{std::string(AttrValue(attrs, "name")), {}};
      if (const auto id = RelationshipId(attrs))
        sheet.relId = std::string(*id);
      else
        Fail("у листа \"" + sheet.name + "\" нет ссылки на его связь (r:id)");
      sheets.push_back(std::move(sheet));
    } else if (Depth() == 2 && name.local == "workbookPr") {
      const std::string_view flag = AttrValue(attrs, "date1904");
      date1904 = flag == "1" || flag == "true";
    }
  }
  void End(const office::XmlName& name) override {
    if (Depth() == 2 && name.ns == RootNamespace() && name.local == "sheets") inSheets_ = false;
  }
  void Text(std::string_view) override {}

private:
  // The sheet's "id" of the relationships' namespace, or of the one namespace that binds an "id" there.
  static std::optional<std::string_view> RelationshipId(const std::vector<XmlAttr>& attrs) {
    std::optional<std::string_view> found;
    int others = 0;
    for (const XmlAttr& attr : attrs) {
      if (attr.name != "id" || attr.ns.empty()) continue;
      if (IsRelationshipNamespace(attr.ns)) return attr.value;
      if (others++ == 0) found = attr.value;
    }
    return others == 1 ? found : std::nullopt;
  }

  bool inSheets_ = false;
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

class SheetPart : public TBookPart {
public:
  SheetPart(office::TSheetSink& sheet, std::size_t strings, const std::vector<bool>& dateStyle, double dateShift)
      : sheet_(sheet), strings_(strings), dateStyle_(dateStyle), dateShift_(dateShift) {}

  // Rows and cells are the sheet's own elements, in its namespace (its root's); of a cell only its own
  // value (<v>) and its inline text (<is>, its <t> or its runs' <t>) are read. Anything else in a cell,
  // an extension's elements above all, however they are named, is no part of its value.
  void Start(const office::XmlName& name, const std::vector<XmlAttr>& attrs) override {
    if (Depth() == 1 || name.ns != RootNamespace()) return;
    const std::string_view local = name.local;
    if (cellDepth_ == 0) {
      if (local == "row")
        StartRow(attrs);
      else if (local == "c")
        StartCell(attrs);
      return;
    }
    if (Depth() == cellDepth_ + 1 && (local == "v" || local == "is")) {
      // a second value would be glued to the first: "1500.5" and "7" are no "1500.57"
      if (++values_ > 1) Fail("ячейка " + RefText() + " содержит больше одного значения");
      if (local == "v")
        valueDepth_ = Depth();
      else
        inline_.Open(Depth());
    } else if (inline_.IsOpen()) {
      inline_.Start(local, Depth());
    }
  }

  void End(const office::XmlName&) override {
    if (Depth() == cellDepth_) {
      Store();
      cellDepth_ = 0;
    } else if (Depth() == valueDepth_) {
      valueDepth_ = 0;
    } else {
      inline_.End(Depth());
    }
  }

  void Text(std::string_view text) override {
    if (Depth() == valueDepth_ || (inline_.InText(Depth()) && type_ == "inlineStr")) value_.append(text);
  }

private:
  void StartRow(const std::vector<XmlAttr>& attrs) {
    const std::string_view r = AttrValue(attrs, "r");
    const int number = ToInt(r);
    if (!r.empty() && (number < 1 || number > 1048576)) Fail("неверный номер строки \"" + std::string(r) + "\"");
    row_ = r.empty() ? row_ + 1 : number;
    col_ = 0;
    if (row_ > 1048576) Fail("строка за последней строкой листа (1048576)");
  }

  void StartCell(const std::vector<XmlAttr>& attrs) {
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
    values_ = 0;
    cellDepth_ = Depth();
  }

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
      if (value_.empty()) return;
      if (value_ == "1" || office::EqualNoCaseAscii(value_, "true"))
        sheet_.Number(row_, col_, 1);
      else if (value_ == "0" || office::EqualNoCaseAscii(value_, "false"))
        sheet_.Number(row_, col_, 0);
      else
        Fail("неверное логическое значение \"" + value_ + "\" в ячейке " + RefText());
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
  int values_ = 0;  // the cell's values met: <v> and <is>
  int cellDepth_ = 0, valueDepth_ = 0;  // where the open cell and its value are; 0: none
  TRichText inline_;                    // the cell's inline text
};

// Sheets of the book that hold no cells to read: charts, dialogs and macros.
bool IsOtherSheet(std::string_view type) {
  for (const std::string_view kind : {"/chartsheet", "/dialogsheet", "/macrosheet", "/xlMacrosheet", "/xlIntlMacrosheet"})
    if (EndsWith(type, kind)) return true;
  return false;
}

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
    if (const std::string refusal = office::StructureRefusal(part, handler); !refusal.empty()) return fail(refusal);
    return fail("файл поврежден (часть \"" + part + "\"" +
                (handler.Failure().empty() ? std::string() : ": " + handler.Failure()) + ")");
  };
  ZipArchive zip(path);
  if (!zip.IsOpen()) throw fail("файл не является книгой электронной таблицы или поврежден");
  if (!zip.Damage().empty()) throw fail(zip.Damage());

  // The workbook part is named by the package relationships; "xl/workbook.xml" by convention where the
  // package has none. Damaged ones are damage, not a reason to take the convention.
  std::string workbookPart = "xl/workbook.xml";
  {
    office::TRelationships root;
    const TPartRead read = zip.Parse("_rels/.rels", root);
    if (read == TPartRead::Stopped) throw damagedPart("_rels/.rels", root);
    if (const std::string target = root.TargetOf("/officeDocument"); read == TPartRead::Read && !target.empty())
      workbookPart = ResolveTarget("", target);
  }
  WorkbookPart workbook;
  TPartRead read = zip.Parse(workbookPart, workbook);
  if (read == TPartRead::Missing || read == TPartRead::Unreadable) throw fail("в файле нет книги");
  if (read != TPartRead::Read) throw damagedPart(workbookPart, workbook);

  office::TRelationships rels;
  const std::string relsPart = RelsOf(workbookPart);
  read = zip.Parse(relsPart, rels);
  if (read == TPartRead::Stopped) throw damagedPart(relsPart, rels);
  const std::string folder = FolderOf(workbookPart);

  Styles styles;
  for (const auto& [id, rel] : rels.byId) {
    const std::string part = ResolveTarget(folder, rel.target);
    if (EndsWith(rel.type, "/sharedStrings")) {
      if (!book.WantsCells()) continue;
      SharedStrings strings(book.strings);
      read = zip.Parse(part, strings);
      if (read == TPartRead::Missing || read == TPartRead::Unreadable)
        throw fail("в файле нет таблицы строк \"" + part + "\"");
      if (read != TPartRead::Read) throw damagedPart(part, strings);
    } else if (EndsWith(rel.type, "/styles")) {
      // Without its formats part every cell is shown in the general format: numbers, no dates.
      read = zip.Parse(part, styles);
      if (read == TPartRead::Stopped) throw damagedPart(part, styles);
    }
  }

  // The 1904 date system counts from 1.1.1904, which is serial day 1462 of the usual one.
  const double dateShift = workbook.date1904 ? 1462 : 0;
  // The book's texts alone: a sink may add a sheet's own texts to the same table as it reads them.
  const std::size_t shared = book.strings.Size();
  for (const SheetRef& ref : workbook.sheets) {
    // A sheet whose part cannot be found is damage, not a chart: skipped, it would make the next sheet
    // the book's first.
    const auto rel = rels.byId.find(ref.relId);
    if (rel == rels.byId.end())
      throw fail("файл поврежден (у листа \"" + ref.name + "\" нет связи \"" + ref.relId + "\" с его частью)");
    if (!EndsWith(rel->second.type, "/worksheet")) {
      if (IsOtherSheet(rel->second.type)) continue;
      throw fail("файл поврежден (связь \"" + ref.relId + "\" листа \"" + ref.name + "\" ведет не к листу)");
    }
    TSheetSink* sheet = book.Sheet(ref.name);
    if (!sheet) continue;
    const std::string part = ResolveTarget(folder, rel->second.target);
    SheetPart reader(*sheet, shared, styles.dateStyle, dateShift);
    read = zip.Parse(part, reader);
    if (read == TPartRead::Missing || read == TPartRead::Unreadable) throw fail("в файле нет листа \"" + ref.name + "\"");
    if (read != TPartRead::Read) {
      if (reader.Failure().empty()) throw damagedPart(part, reader);
      throw fail("лист \"" + ref.name + "\": " + reader.Failure());
    }
  }
}

}  // namespace office

}  // namespace ld
