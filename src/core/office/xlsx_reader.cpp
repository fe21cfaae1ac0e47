#include <zip.h>

#include <algorithm>
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
#include "core/base/import_number.h"
#include "core/office/xlsx_file.h"
#include "core/office/number_formats.h"
#include "core/office/relationships.h"
#include "core/office/sheet_sink.h"
#include "core/office/xml_reader.h"
#include "core/office/zip_part.h"

namespace ld {

namespace {

using office::AttrValue;
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
  bool Has(std::string_view name) const { return names_->Find(name).has_value(); }

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

// The namespaces a part of a book may be in: the transitional and the strict one, or none (as older
// programs of the district wrote them).
std::vector<std::string_view> BookNamespaces() {
  return {"", "http://schemas.openxmlformats.org/spreadsheetml/2006/main", "http://purl.oclc.org/ooxml/spreadsheetml/main"};
}

int ToInt(std::string_view text, int fallback = -1) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() ? value : fallback;
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

// The texts of the table: each item (<si>) a rich text, its text the item's <t> or its runs' (<r>) <t>;
// phonetic runs are none of it.
class SharedStrings : public office::TStructuredPart {
public:
  explicit SharedStrings(office::TStringTable& items)
      : TStructuredPart(kRules, std::size(kRules), BookNamespaces()), items_(items) {}

protected:
  void Open(int rule, const std::vector<XmlAttr>&) override {
    if (rule != kItem) return;
    current_.clear();
    inItem_ = true;
  }
  void Close(int rule) override {
    if (rule != kItem) return;
    items_.Add(office::DecodeXlsxEscapes(current_));
    inItem_ = false;
  }
  void Content(int rule, std::string_view text) override {
    if (rule == kItemText || rule == kRunText) current_.append(text);
  }
  void Misplaced(std::string_view local, int parent, std::string_view parentName) override {
    // a text inside another would shift every later text of the table onto the cells of the next
    if (local == "si" && inItem_)
      Fail("текст " + std::to_string(items_.Size() + 2) + " таблицы строк вложен в текст " +
           std::to_string(items_.Size() + 1));
    else
      TStructuredPart::Misplaced(local, parent, parentName);
  }

private:
  enum : int { kTable, kItem, kItemText, kRun, kRunText, kPhonetic, kPhoneticText };
  static constexpr office::TXmlRule kRules[] = {
      {"sst", -1, true, false},         {"si", kTable, false, false}, {"t", kItem, true, true},
      {"r", kItem, false, false},       {"t", kRun, true, true},      {"rPh", kItem, false, false},
      {"t", kPhonetic, true, true},
  };

  office::TStringTable& items_;
  std::string current_;
  bool inItem_ = false;
};

// What each cell format (by its index in cellXfs) makes of a number: the number format of each, custom
// ones told by their codes in <numFmts>. The formats of cell styles and of conditional formats are none
// of the cells'. Each number format is kept once, however many cell formats name it.
class Styles : public office::TStructuredPart {
public:
  Styles() : TStructuredPart(kRules, std::size(kRules), BookNamespaces()) {}

  // Once the part was read (empty when there is none): the number format of each cell format, which
  // stays while the part does.
  std::vector<const office::TNumberFormat*> CellFormats() {
    std::vector<const office::TNumberFormat*> formats;
    formats.reserve(cellFormats_.size());
    for (const int id : cellFormats_) {
      auto it = formats_.find(id);
      if (it == formats_.end()) it = formats_.emplace(id, office::BuiltinNumberFormat(id)).first;
      formats.push_back(&it->second);
    }
    return formats;
  }

protected:
  void Open(int rule, const std::vector<XmlAttr>& attrs) override {
    if (rule == kFormat) {
      const int id = ToInt(AttrValue(attrs, "numFmtId"));
      if (id < 0) return;
      const std::string_view code = AttrValue(attrs, "formatCode");
      // a code of megabytes would cost its length in every cell it is rendered for
      if (std::string fault = office::FormatCodeFault(id, code); !fault.empty()) return Fail(std::move(fault));
      // a second code of one number would make the cells' formats depend on which one is kept
      if (!formats_.emplace(id, office::NumberFormatOf(id, code)).second)
        Fail("два формата чисел с номером " + std::to_string(id));
    } else if (rule == kCellFormat) {
      cellFormats_.push_back(ToInt(AttrValue(attrs, "numFmtId"), 0));
    }
  }

private:
  enum : int { kSheet, kFormats, kFormat, kStyleFormats, kStyleFormat, kCellFormats, kCellFormat, kDiffs, kDiff, kDiffFormat };
  static constexpr office::TXmlRule kRules[] = {
      {"styleSheet", -1, true, false}, {"numFmts", kSheet, true, false},    {"numFmt", kFormats, false, false},
      {"cellStyleXfs", kSheet, true, false}, {"xf", kStyleFormats, false, false}, {"cellXfs", kSheet, true, false},
      {"xf", kCellFormats, false, false},    {"dxfs", kSheet, true, false},         {"dxf", kDiffs, false, false},
      {"numFmt", kDiff, true, false},
  };

  std::map<int, office::TNumberFormat> formats_;  // custom number formats, and the built-in ones named
  std::vector<int> cellFormats_;  // the number format of each cell format
};

// The book's extended properties: the name of the program that wrote it.
class AppProperties : public office::TStructuredPart {
public:
  AppProperties() : TStructuredPart(kRules, std::size(kRules), {"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties"}) {}
  std::string application;

protected:
  void Open(int /*rule*/, const std::vector<XmlAttr>& /*attrs*/) override {}
  void Content(int rule, std::string_view text) override {
    if (rule == kApplication) application.append(text);
  }

private:
  enum : int { kProperties, kApplication };
  static constexpr office::TXmlRule kRules[] = {{"Properties", -1, true, false}, {"Application", kProperties, true, true}};
};

struct SheetRef {
  std::string name;
  std::string relId;
  bool hidden = false;  // state "hidden" or "veryHidden"
};

// The namespaces of relationship references ("r:id"): the transitional and the strict one.
bool IsRelationshipNamespace(std::string_view ns) {
  return ns == "http://schemas.openxmlformats.org/officeDocument/2006/relationships" ||
         ns == "http://purl.oclc.org/ooxml/officeDocument/relationships";
}

// The sheets of the book: the <sheet> entries of its one <sheets>. A sheet names its part by a
// relationship reference, an "id" of a namespace ("r:id"); an unprefixed "id" is another attribute. A
// sheet without its reference is damage.
class WorkbookPart : public office::TStructuredPart {
public:
  WorkbookPart() : TStructuredPart(kRules, std::size(kRules), BookNamespaces()) {}
  // The namespace of the part's root, whatever the root was.
  const std::string& Namespace() const { return RootNamespace(); }

  std::vector<SheetRef> sheets;
  bool date1904 = false;
  // The book asks to be calculated whole when it is opened (<calcPr fullCalcOnLoad="1"/>): the results it
  // stores are placeholders, as libraries that write formulas without calculating them store 0.
  bool recalculate = false;

protected:
  void Open(int rule, const std::vector<XmlAttr>& attrs) override {
    if (rule == kSheet) {
      // each sheet opens and parses a part of its own
      Spend(kSheetWork);
      const std::string_view state = AttrValue(attrs, "state");
      SheetRef sheet{std::string(AttrValue(attrs, "name")), {}, state == "hidden" || state == "veryHidden"};
      if (const auto id = RelationshipId(attrs))
        sheet.relId = std::string(*id);
      else
        Fail("у листа \"" + sheet.name + "\" нет ссылки на его связь (r:id)");
      sheets.push_back(std::move(sheet));
    } else if (rule == kProperties) {
      const std::string_view flag = AttrValue(attrs, "date1904");
      date1904 = flag == "1" || flag == "true";
    } else if (rule == kCalculation) {
      const std::string_view flag = AttrValue(attrs, "fullCalcOnLoad");
      recalculate = flag == "1" || flag == "true";
    }
  }

private:
  enum : int { kBook, kProperties, kSheets, kSheet, kCalculation };
  static constexpr office::TXmlRule kRules[] = {
      {"workbook", -1, true, false}, {"workbookPr", kBook, true, false}, {"sheets", kBook, true, false},
      {"sheet", kSheets, false, false}, {"calcPr", kBook, true, false},
  };

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

// The cells of a sheet: rows (<row>) of its one <sheetData>, each row's cells (<c>) in it, of a cell its
// value (<v>) or its inline text (<is>, its <t> or its runs' <t>), and its formula (<f>), whose text is
// not read. Rows and cells may stand in any order, as some programs write them, but each once: a row or
// cell met again would replace the one before it unseen. A cell's reference names the row it stands in; a
// row without its number is the one after the row before, or the one its first cell's reference names.
//
// A formula's value is the result its program stored, each cell for itself: a text result may be the
// empty text (t="str" with an empty <v>, as a spreadsheet program writes a formula that gives ""), a
// number, a boolean or an error never is. A formula cell without its result (a shared formula's other
// cells or an array formula as a library writes them, t="str" without <v>) and every formula of a book
// that asks to be recalculated when it is opened is unreadable, as is an error value, never an empty cell
// or the placeholder 0. gnumeric writes a formula that gives "" without a value, as it writes one it
// never calculated (from a book of uncalculated formulas) and shows the results it keeps: in its sheet a
// formula without a value gives the empty text, unless one of numbers alone (1825000+200), which gives a
// number whatever it is calculated from, is among them: then the sheet kept a book's uncalculated
// formulas, as its .xls tells them.
class SheetPart : public office::TStructuredPart {
public:
  SheetPart(office::TSheetSink& sheet, std::size_t strings, const std::vector<const office::TNumberFormat*>& formats, double dateShift,
            bool recalculate, bool valuelessIsEmpty)
      : TStructuredPart(kRules, std::size(kRules), BookNamespaces()),
        sheet_(sheet), strings_(strings), formats_(formats), dateShift_(dateShift), recalculate_(recalculate),
        valuelessIsEmpty_(valuelessIsEmpty) {}

  // The parse failed on a cell or row of the sheet, rather than on the part's structure.
  bool CellFault() const { return cellFault_; }

  // Once the sheet was read: its formulas without a value are named, unless the sheet was calculated.
  void Finish() {
    for (const auto& [row, col] : valueless_)
      if (valuelessIsEmpty_ && !uncalculated_)
        sheet_.UnsureEmpty(row, col);
      else
        sheet_.Unreadable(row, col, UnreadableCell::FormulaWithoutResult, {});
  }

protected:
  void Open(int rule, const std::vector<XmlAttr>& attrs) override {
    switch (rule) {
      case kRow:
        StartRow(attrs);
        break;
      case kCell:
        StartCell(attrs);
        break;
      case kFormula:
        formula_ = true;
        break;
      case kMerge:
        StoreMerged(AttrValue(attrs, "ref"));
        break;
      case kValue:
      case kInline:
        // a second value would be glued to the first: "1500.5" and "7" are no "1500.57"
        if (++values_ > 1)
          FailCell("ячейка " + SheetCellName(row_, col_) + " содержит больше одного значения");
        else if (rule == kInline && type_ != "inlineStr")
          FailCell("ячейка " + SheetCellName(row_, col_) + " содержит текст (is), но ее тип не \"inlineStr\"");
        break;
      default:
        break;
    }
  }

  void Close(int rule) override {
    if (rule == kCell)
      Store();
    else if (rule == kRow)
      EndRow();
  }

  void Content(int rule, std::string_view text) override {
    if (rule == kValue || rule == kInlineText || rule == kRunText) value_.append(text);
    // a formula of numbers alone is short: a longer text is kept no further than it tells
    if (rule == kFormula && formulaText_.size() <= kLongestNumbersFormula)
      formulaText_.append(text.substr(0, kLongestNumbersFormula + 1 - formulaText_.size()));
  }

  // Whether a formula's text gives a number (or an error) whatever it is calculated from: constants,
  // arithmetic operators and parentheses alone (1825000+200, 1/0), or an arithmetic operation outside
  // every parenthesis, text and function's arguments (A2+1, -B3, C4*2). A reference, a name, a text or a
  // function alone may give "", and so may an operation under a comparison or a "&".
  static bool GivesNumberOnly(std::string_view formula) {
    return formula.size() <= kLongestNumbersFormula && (OfNumbersAlone(formula) || ArithmeticOutside(formula));
  }

  static bool ArithmeticOutside(std::string_view formula) {
    int depth = 0;
    bool arithmetic = false;
    bool operand = false;  // what stands before ends an operand: a "+" after it adds, a "+" before one is no sign
    for (std::size_t i = 0; i < formula.size(); ++i) {
      const char c = formula[i];
      if (c == '"' || c == '\'') {
        // a text or a quoted sheet name, its quote doubled inside
        for (++i; i < formula.size(); ++i)
          if (formula[i] == c && (i + 1 == formula.size() || formula[i + 1] != c)) break;
          else if (formula[i] == c) ++i;
        if (i >= formula.size()) return false;
        operand = true;
      } else if (c == '(' || c == '{' || c == '[') {
        ++depth;
        operand = false;
      } else if (c == ')' || c == '}' || c == ']') {
        if (--depth < 0) return false;
        operand = true;
      } else if (depth > 0 || c == ' ') {
        continue;
      } else if (c == '&' || c == '=' || c == '<' || c == '>') {
        return false;
      } else if (c == '-' || c == '*' || c == '/' || c == '^' || c == '%' || (c == '+' && operand)) {
        arithmetic = true;
        operand = c == '%';
      } else if (c != '+') {
        operand = true;
      }
    }
    return depth == 0 && arithmetic;
  }

  static bool OfNumbersAlone(std::string_view formula) {
    bool number = false;
    for (std::size_t i = 0; i < formula.size();) {
      const char c = formula[i];
      if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
        // a constant: digits, a point, an exponent
        while (i < formula.size() && (std::isdigit(static_cast<unsigned char>(formula[i])) || formula[i] == '.')) ++i;
        if (i < formula.size() && (formula[i] == 'E' || formula[i] == 'e')) {
          ++i;
          if (i < formula.size() && (formula[i] == '+' || formula[i] == '-')) ++i;
          if (i >= formula.size() || !std::isdigit(static_cast<unsigned char>(formula[i]))) return false;
          while (i < formula.size() && std::isdigit(static_cast<unsigned char>(formula[i]))) ++i;
        }
        number = true;
      } else if (std::string_view("+-*/^%() ").find(c) != std::string_view::npos) {
        ++i;
      } else {
        return false;
      }
    }
    return number;
  }

private:
  enum : int { kSheet, kData, kRow, kCell, kValue, kFormula, kInline, kInlineText, kRun, kRunText, kPhonetic, kPhoneticText,
               kMerges, kMerge };
  static constexpr office::TXmlRule kRules[] = {
      {"worksheet", -1, true, false}, {"sheetData", kSheet, true, false}, {"row", kData, false, false},
      {"c", kRow, false, false},
      // <v> and <is> are counted together by the reader: one value of either kind
      {"v", kCell, false, true},      {"f", kCell, true, true},           {"is", kCell, false, false},
      {"t", kInline, true, true},     {"r", kInline, false, false},       {"t", kRun, true, true},
      {"rPh", kInline, false, false}, {"t", kPhonetic, true, true},
      {"mergeCells", kSheet, true, false}, {"mergeCell", kMerges, false, false},
  };

  // A merged range "A2:B3" (its corners in either order); a range of one cell merges nothing.
  void StoreMerged(std::string_view ref) {
    const std::size_t colon = ref.find(':');
    int r1 = 0, c1 = 0, r2 = 0, c2 = 0;
    if (colon == std::string_view::npos || !ParseCellRef(ref.substr(0, colon), r1, c1) ||
        !ParseCellRef(ref.substr(colon + 1), r2, c2)) {
      FailCell("неверный диапазон объединенных ячеек \"" + std::string(ref) + "\"");
      return;
    }
    if (r1 != r2 || c1 != c2)
      sheet_.Merged(std::min(r1, r2), std::min(c1, c2), std::max(r1, r2), std::max(c1, c2));
  }

  void FailCell(std::string reason) {
    cellFault_ = true;
    Fail(std::move(reason));
  }

  void StartRow(const std::vector<XmlAttr>& attrs) {
    const std::string_view r = AttrValue(attrs, "r");
    numbered_ = !r.empty();
    col_ = 0;
    cells_ = 0;
    ++rowSerial_;
    if (!numbered_) {
      row_ = lastRow_ + 1;
      if (row_ > 1048576) FailCell("строка за последней строкой листа (1048576)");
      return;
    }
    const int number = ToInt(r);
    if (number < 1 || number > 1048576) {
      FailCell("неверный номер строки \"" + std::string(r) + "\"");
      return;
    }
    row_ = number;
    SettleRow();
  }

  // The open row's number is told: a second row of it would put its cells over the first's.
  void SettleRow() {
    const auto word = static_cast<std::size_t>(row_) >> 6;
    const std::uint64_t bit = std::uint64_t{1} << (row_ & 63);
    if (word >= rowsMet_.size()) rowsMet_.resize(word + 1);
    if (rowsMet_[word] & bit) FailCell("строка " + std::to_string(row_) + " встречается второй раз");
    rowsMet_[word] |= bit;
  }

  void EndRow() {
    if (!numbered_ && cells_ == 0) SettleRow();
    lastRow_ = row_;
  }

  void StartCell(const std::vector<XmlAttr>& attrs) {
    int r = 0, c = 0;
    const std::string_view ref = AttrValue(attrs, "r");
    if (ParseCellRef(ref, r, c)) {
      // the first cell of a row without its number tells the row
      if (!numbered_ && cells_ == 0) row_ = r;
      if (r != row_) {
        FailCell("ячейка " + std::string(ref) + " стоит в строке " + std::to_string(row_));
        return;
      }
      col_ = c;
    } else if (!ref.empty()) {
      FailCell("неверная ссылка на ячейку \"" + std::string(ref) + "\"");
      return;
    } else if (++col_ > 16384) {
      // cells without a reference follow one another, but not past the sheet's last column
      FailCell("ячейка строки " + std::to_string(row_) + " за последним столбцом листа (XFD)");
      return;
    }
    if (!numbered_ && cells_ == 0) SettleRow();
    ++cells_;
    // a second cell of one place would replace the first unseen
    if (static_cast<std::size_t>(col_) >= colRow_.size()) colRow_.resize(static_cast<std::size_t>(col_) + 1);
    if (colRow_[col_] == rowSerial_) FailCell("ячейка " + SheetCellName(row_, col_) + " встречается второй раз");
    colRow_[col_] = rowSerial_;
    type_ = std::string(AttrValue(attrs, "t"));
    style_ = ToInt(AttrValue(attrs, "s"), 0);
    value_.clear();
    values_ = 0;
    formula_ = false;
    formulaText_.clear();
  }

  void Store() {
    if (formula_) {
      const bool result = type_ == "str" || type_ == "inlineStr" ? values_ > 0 : !value_.empty();
      if (!result && values_ == 0 && !recalculate_) {
        valueless_.emplace_back(row_, col_);
        uncalculated_ = uncalculated_ || GivesNumberOnly(formulaText_);
        return;
      }
      if (!result) {
        sheet_.Unreadable(row_, col_, UnreadableCell::FormulaWithoutResult, {});
        return;
      }
      // the result is there, but the book disowns it: what the sheet shows is known once a spreadsheet
      // program has recalculated it
      if (recalculate_) {
        sheet_.Unreadable(row_, col_, UnreadableCell::RecalculatedOnOpening, {});
        return;
      }
    }
    if (type_ == "s") {
      if (value_.empty()) return;
      // a text the table does not hold is damage, not an empty cell: the row would lose it unseen
      const int index = ToInt(value_);
      if (index < 0 || static_cast<std::size_t>(index) >= strings_)
        FailCell("ячейка " + SheetCellName(row_, col_) + " ссылается на строку \"" + value_ + "\", которой нет в таблице строк");
      else
        office::StoreFormattedShared(sheet_, row_, col_, static_cast<std::uint32_t>(index), Format());
    } else if (type_ == "inlineStr" || type_ == "str") {
      if (!value_.empty()) office::StoreFormattedText(sheet_, row_, col_, office::DecodeXlsxEscapes(value_), Format());
    } else if (type_ == "e") {
      if (!value_.empty()) sheet_.Unreadable(row_, col_, UnreadableCell::ErrorValue, office::DecodeXlsxEscapes(value_));
    } else if (type_ == "b") {
      if (value_.empty()) return;
      // a boolean is no number and no name: TRUE read as 1 would be a household's count of one
      if (value_ == "1" || office::EqualNoCaseAscii(value_, "true"))
        sheet_.Unreadable(row_, col_, UnreadableCell::BooleanValue, "ИСТИНА");
      else if (value_ == "0" || office::EqualNoCaseAscii(value_, "false"))
        sheet_.Unreadable(row_, col_, UnreadableCell::BooleanValue, "ЛОЖЬ");
      else
        FailCell("неверное логическое значение \"" + value_ + "\" в ячейке " + SheetCellName(row_, col_));
    } else if (type_ == "d") {
      StoreIsoDate();
    } else if (!value_.empty()) {
      double number = 0;
      const NumberText parsed = ParseNumber(value_, number);
      if (parsed == NumberText::OutOfRange) {
        FailCell("число \"" + value_ + "\" в ячейке " + SheetCellName(row_, col_) + " вне допустимого диапазона");
      } else if (parsed == NumberText::NotNumber) {
        office::StoreFormattedText(sheet_, row_, col_, value_, Format());
      } else {
        office::StoreFormattedNumber(sheet_, row_, col_, number, Format(), dateShift_);
      }
    }
  }

  // The cell's number format; nullptr for none.
  const office::TNumberFormat* Format() const {
    return style_ >= 0 && static_cast<std::size_t>(style_) < formats_.size() ? formats_[style_] : nullptr;
  }

  // A cell of the date type names its day by ISO 8601: "YYYY-MM-DD", with "THH:MM", seconds and their
  // fraction and a "Z" where a time is given. It is that day, shown by the cell's format where that shows
  // days, times of day or hours however many, as the number of the day would be (08:30 under hh:mm, the
  // hours since the calendar's start under [h]:mm); under any other format by the day's own text (a year
  // read as a serial day would be 18.07.1905 for 2026). A text naming no day of the calendar is no value
  // at all.
  void StoreIsoDate() {
    if (value_.empty()) return;
    const std::optional<double> serial = IsoDateSerial(value_);
    if (!serial) {
      sheet_.Unreadable(row_, col_, UnreadableCell::NotADate, value_);
      return;
    }
    const office::TNumberFormat* format = Format();
    // the day is the day, whatever date system the book counts its numbers in
    if (format && (format->show == office::TNumberShow::Date || format->show == office::TNumberShow::Clock ||
                   format->show == office::TNumberShow::Duration))
      office::StoreFormattedNumber(sheet_, row_, col_, *serial, format, 0);
    else
      sheet_.Date(row_, col_, *serial);
  }

  static std::optional<double> IsoDateSerial(std::string_view v) {
    const auto field = [&v](std::size_t at, std::size_t length, int low, int high, int& out) {
      if (at + length > v.size()) return false;
      for (std::size_t i = at; i < at + length; ++i)
        if (!std::isdigit(static_cast<unsigned char>(v[i]))) return false;
      static_cast<void>(std::from_chars(v.data() + at, v.data() + at + length, out));
      return out >= low && out <= high;
    };
    int y = 0, m = 0, d = 0, hh = 0, mm = 0, ss = 0;
    if (v.size() < 10 || v[4] != '-' || v[7] != '-' || !field(0, 4, 1900, 9999, y) || !field(5, 2, 1, 12, m))
      return std::nullopt;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    const int days[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (!field(8, 2, 1, days[m - 1], d)) return std::nullopt;
    double fraction = 0;
    std::size_t at = 10;
    if (at < v.size()) {
      if (v[at] != 'T' || !field(at + 1, 2, 0, 23, hh) || at + 3 >= v.size() || v[at + 3] != ':' ||
          !field(at + 4, 2, 0, 59, mm))
        return std::nullopt;
      at += 6;
      if (at < v.size() && v[at] == ':') {
        if (!field(at + 1, 2, 0, 59, ss)) return std::nullopt;
        at += 3;
        if (at < v.size() && v[at] == '.') {
          const std::size_t digits = at + 1;
          for (++at; at < v.size() && std::isdigit(static_cast<unsigned char>(v[at])); ++at) {}
          if (at == digits) return std::nullopt;
          double seconds = 0;
          static_cast<void>(std::from_chars(v.data() + digits - 1, v.data() + at, seconds));
          fraction = seconds / 86400.0;
        }
      }
      if (at < v.size() && v[at] == 'Z') ++at;
      if (at != v.size()) return std::nullopt;
    }
    const double serial = DateSerial(y, m, d, hh, mm, ss) + fraction;
    return office::IsDateSerialInRange(serial) ? std::optional<double>(serial) : std::nullopt;
  }

  office::TSheetSink& sheet_;
  std::size_t strings_;  // how many shared texts the book holds
  const std::vector<const office::TNumberFormat*>& formats_;
  double dateShift_;
  int lastRow_ = 0;        // the number of the row before
  int row_ = 0;            // the open row's number
  bool numbered_ = false;  // the open row has its number
  int col_ = 0;            // the column of the row's last cell; 0: none yet
  int cells_ = 0;          // the open row's cells met
  std::vector<std::uint64_t> rowsMet_;  // the rows met, a bit each
  // For each column, the row (counted as met, from 1) whose cell in it was met last.
  std::vector<std::uint32_t> colRow_;
  std::uint32_t rowSerial_ = 0;
  std::string type_;
  int style_ = 0;
  std::string value_;
  int values_ = 0;  // the cell's values met: <v> and <is>
  bool formula_ = false;  // the cell holds a formula
  bool recalculate_;       // the book's stored results are placeholders
  bool valuelessIsEmpty_;  // the book's program writes a formula that gives "" without a value
  bool uncalculated_ = false;  // a formula of numbers alone holds no value: the sheet was never calculated
  std::string formulaText_;     // the cell's formula, as far as GivesNumberOnly looks
  static constexpr std::size_t kLongestNumbersFormula = 1024;
  std::vector<std::pair<int, int>> valueless_;  // formulas without a value, kept till the sheet's end
  bool cellFault_ = false;
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

// The code of an escape "_xHHHH_" at `at` (four hex digits of either case), or none.
namespace {

std::optional<char32_t> EscapeAt(std::string_view text, std::size_t at) {
  if (at + 7 > text.size() || text[at] != '_' || text[at + 1] != 'x' || text[at + 6] != '_') return std::nullopt;
  unsigned code = 0;
  const auto [end, ec] = std::from_chars(text.data() + at + 2, text.data() + at + 6, code, 16);
  if (ec != std::errc() || end != text.data() + at + 6) return std::nullopt;
  return static_cast<char32_t>(code);
}

}  // namespace

std::string DecodeXlsxEscapes(const std::string& text) {
  if (text.find("_x") == std::string::npos) return text;
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const std::optional<char32_t> code = EscapeAt(text, i);
    if (!code) {
      out += text[i++];
    } else if (*code < 0xD800 || *code > 0xDFFF) {
      AppendUtf8(out, *code);
      i += 7;
    } else if (const std::optional<char32_t> low = EscapeAt(text, i + 7);
               *code < 0xDC00 && low && *low >= 0xDC00 && *low <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00));
      i += 14;
    } else {
      out.append(text, i, 7);
      i += 7;
    }
  }
  return out;
}

std::string ProtectXlsxEscapes(const std::string& text) {
  if (text.find("_x") == std::string::npos) return text;
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (EscapeAt(text, i)) out += "_x005F";
    out += text[i];
  }
  return out;
}

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

  const auto damagedBy = [&fail](const std::string& part, const std::string& reason) {
    return fail("файл поврежден (часть \"" + part + "\": " + reason + ")");
  };

  // The workbook part is named by the package relationships; "xl/workbook.xml" by convention where the
  // package has none. Damaged ones are damage, not a reason to take the convention.
  std::string workbookPart = "xl/workbook.xml";
  bool gnumeric = false;
  {
    office::TRelationships root;
    const TPartRead read = zip.Parse("_rels/.rels", root);
    if (read == TPartRead::Stopped) throw damagedPart("_rels/.rels", root);
    std::string damage;
    const office::TRelationship* main = root.Single("/officeDocument", damage);
    if (!damage.empty()) throw damagedBy("_rels/.rels", damage);
    if (read == TPartRead::Read && main != nullptr && !main->target.empty()) workbookPart = ResolveTarget("", main->target);
    // the program that wrote the book, told by its own properties (no damage of theirs stops the read)
    if (const office::TRelationship* app = root.Single("/extended-properties", damage); app && damage.empty()) {
      AppProperties properties;
      gnumeric = zip.Parse(ResolveTarget("", app->target), properties) == TPartRead::Read &&
                 properties.application == "gnumeric";
    }
  }
  WorkbookPart workbook;
  TPartRead read = zip.Parse(workbookPart, workbook);
  if (read == TPartRead::Missing || read == TPartRead::Unreadable) {
    // an OpenDocument spreadsheet is a package too, of other parts
    if (zip.Has("content.xml") && zip.Has("mimetype"))
      throw fail("книга в формате OpenDocument (.ods) не читается: сохраните ее в формате .xlsx или .xls");
    throw fail("в файле нет книги");
  }
  if (read != TPartRead::Read) {
    // a sound text document or presentation chosen where a workbook is read is no workbook at all, as an
    // empty file is none: not a workbook damaged in its main part
    const std::string& ns = workbook.Namespace();
    if (ns.find("wordprocessingml") != std::string::npos || ns.find("presentationml") != std::string::npos)
      throw fail("файл не является книгой электронной таблицы");
    throw damagedPart(workbookPart, workbook);
  }

  office::TRelationships rels;
  const std::string relsPart = RelsOf(workbookPart);
  read = zip.Parse(relsPart, rels);
  if (read == TPartRead::Stopped) throw damagedPart(relsPart, rels);
  const std::string folder = FolderOf(workbookPart);
  // The table of texts and the formats come once for the book: of two, either would be a guess.
  std::string damage;
  const office::TRelationship* stringsRel = rels.Single("/sharedStrings", damage);
  if (!damage.empty()) throw damagedBy(relsPart, damage);
  const office::TRelationship* stylesRel = rels.Single("/styles", damage);
  if (!damage.empty()) throw damagedBy(relsPart, damage);

  if (stringsRel != nullptr && book.WantsCells()) {
    const std::string part = ResolveTarget(folder, stringsRel->target);
    SharedStrings strings(book.strings);
    read = zip.Parse(part, strings);
    if (read == TPartRead::Missing || read == TPartRead::Unreadable) throw fail("в файле нет таблицы строк \"" + part + "\"");
    if (read != TPartRead::Read) throw damagedPart(part, strings);
  }
  std::vector<const office::TNumberFormat*> cellFormats;
  Styles styles;
  if (stylesRel != nullptr) {
    // Without its formats part every cell is shown in the general format: numbers, no dates.
    const std::string part = ResolveTarget(folder, stylesRel->target);
    read = zip.Parse(part, styles);
    if (read == TPartRead::Stopped) throw damagedPart(part, styles);
    if (read == TPartRead::Read) cellFormats = styles.CellFormats();
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
    if (const std::string outside = office::TRelationships::Outside(ref.relId, rel->second); !outside.empty())
      throw damagedBy(relsPart, outside);
    TSheetSink* sheet = book.Sheet(ref.name, ref.hidden);
    if (!sheet) continue;
    const std::string part = ResolveTarget(folder, rel->second.target);
    SheetPart reader(*sheet, shared, cellFormats, dateShift, workbook.recalculate, gnumeric);
    read = zip.Parse(part, reader);
    if (read == TPartRead::Read) reader.Finish();
    if (read == TPartRead::Missing || read == TPartRead::Unreadable) throw fail("в файле нет листа \"" + ref.name + "\"");
    if (read != TPartRead::Read) {
      if (!reader.CellFault()) throw damagedPart(part, reader);
      throw fail("лист \"" + ref.name + "\": " + reader.Failure());
    }
  }
}

}  // namespace office

}  // namespace ld
