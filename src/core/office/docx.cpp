#include "core/office/docx.h"

#include <zip.h>

#include <algorithm>
#include <fstream>
#include <span>
#include <unordered_set>
#include <utility>

#include "core/base/error.h"
#include "core/base/file_replace.h"
#include "core/office/relationships.h"
#include "core/office/xml_reader.h"
#include "core/office/zip_part.h"

namespace ld {

namespace {

using office::ZipPtr;

ZipPtr OpenFromMemory(const std::string& bytes) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
  zip_error_fini(&error);
  if (source == nullptr) return nullptr;
  zip_error_init(&error);
  zip_t* zip = zip_open_from_source(source, ZIP_RDONLY, &error);
  zip_error_fini(&error);
  if (zip == nullptr) zip_source_free(source);
  return ZipPtr(zip);
}

// The reason for a part that did not parse.
std::string DamagedPart(const std::string& part, const office::XmlHandler& handler) {
  if (std::string refusal = office::StructureRefusal(part, handler); !refusal.empty()) return refusal;
  if (!handler.Failure().empty()) return handler.Failure();
  return "файл поврежден (часть \"" + part + "\")";
}

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// A namespace declaration as it stands on a start tag: the prefix it binds ("" for the default
// namespace) and the attribute as written, quotes and references included, to be written again as it is.
struct Declaration {
  std::string_view prefix;
  std::string_view text;
};

// A start tag as written: its qualified name and its namespace declarations. The parser has handed the
// tag over as well-formed; the bounds are checked all the same, so that no tag can lead past its end.
struct StartTag {
  std::string_view name;
  std::vector<Declaration> declarations;
};

StartTag ReadStartTag(std::string_view tag) {
  StartTag read;
  std::size_t i = tag.empty() ? 0 : 1;  // past '<'
  const std::size_t nameAt = i;
  while (i < tag.size() && !IsXmlSpace(tag[i]) && tag[i] != '/' && tag[i] != '>') ++i;
  read.name = tag.substr(nameAt, i - nameAt);
  for (;;) {
    while (i < tag.size() && IsXmlSpace(tag[i])) ++i;
    if (i >= tag.size() || tag[i] == '/' || tag[i] == '>') break;
    const std::size_t attrAt = i;
    while (i < tag.size() && !IsXmlSpace(tag[i]) && tag[i] != '=') ++i;
    const std::string_view name = tag.substr(attrAt, i - attrAt);
    while (i < tag.size() && tag[i] != '"' && tag[i] != '\'') ++i;
    if (i >= tag.size()) break;
    const std::size_t close = tag.find(tag[i], i + 1);
    if (close == std::string_view::npos) break;
    i = close + 1;
    if (name == "xmlns") read.declarations.push_back({{}, tag.substr(attrAt, i - attrAt)});
    else if (name.starts_with("xmlns:")) read.declarations.push_back({name.substr(6), tag.substr(attrAt, i - attrAt)});
  }
  return read;
}

// The prefix of a qualified name with its colon ("w:"), "" for a name of the default namespace.
std::string_view PrefixOf(std::string_view qualified) {
  const auto colon = qualified.find(':');
  return colon == std::string_view::npos ? std::string_view() : qualified.substr(0, colon + 1);
}

// A start tag as an opening one: "<w:p/>" opens the element that a new text fills.
std::string OpenTag(std::string_view tag) {
  std::string open(tag);
  if (open.size() >= 2 && open[open.size() - 2] == '/') open.erase(open.size() - 2, 1);
  return open;
}

// Finds the tables, rows and cells of the main part with the byte positions of what a new text keeps.
// The part is read with its namespaces: a table, row or cell is one of the namespace of the document's
// root, whatever prefix it is written with, and what a new text keeps is kept with every namespace
// declaration it needs, so that a cell written anew is bound as the one it replaces.
class CellScanner : public office::XmlHandler {
public:
  // What the scan keeps (the tables, their cells and the open elements) is counted against `held`: a
  // part of a hundred megabytes of empty cells would otherwise take gigabytes.
  CellScanner(const std::string& part, std::vector<std::vector<std::vector<DocxDocument::Cell>>>& tables,
              std::vector<std::vector<std::pair<std::size_t, std::size_t>>>& rowSpans, office::TFileScaledBudget& held)
      : part_(part), tables_(tables), rowSpans_(rowSpans), held_(held) {}

  void Start(const office::XmlName& qualified, const std::vector<office::XmlAttr>&) override {
    const auto at = static_cast<std::size_t>(EventAt());
    const std::size_t length = EventLength();
    const bool own = qualified.ns == RootNamespace();
    const std::string_view name = qualified.local;
    if (!Keep(sizeof(Open) + name.size())) return;
    stack_.push_back({std::string(name), own, at, length, declarations_.size()});
    if (!own) {
      // Inside a cell an extension's element may still declare what the cell's own elements use.
      if (cell_ != nullptr) ReadDeclarations();
      return;
    }
    if (name == "tbl") {
      if (++tblDepth_ == 1 && Keep(sizeof(tables_.front()) + sizeof(rowSpans_.front()))) {
        tables_.emplace_back();
        rowSpans_.emplace_back();
      }
      return;
    }
    if (tblDepth_ != 1) return;
    // Rows directly in their table and cells directly in their row are all the positions a new text
    // can be put at. A row or cell anywhere else (in a cell, in a content control) is refused: its
    // cell would swallow the cells around it, and a save would write what nobody can open.
    if ((name == "tr" && !ParentIs("tbl")) || (name == "tc" && !ParentIs("tr"))) {
      Fail("таблица " + std::to_string(tables_.size()) + " устроена так, что ее не заполнить: " +
           (name == "tr" ? "строка" : "ячейка") + " находится в элементе \"" + ParentName() + "\", а не в " +
           (name == "tr" ? "таблице" : "строке"));
      return;
    }
    // A row's cells are one vector, which holds its cells twice over while it grows.
    if (!Keep(name == "tr" ? sizeof(tables_.front().front()) + sizeof(rowSpans_.front().front())
                           : name == "tc" ? 2 * sizeof(DocxDocument::Cell) : 0))
      return;
    if (name == "tr") {
      tables_.back().emplace_back();
      rowSpans_.back().emplace_back(at, at);
    } else if (name == "tc") {
      tables_.back().back().emplace_back();
      cell_ = &tables_.back().back().back();
      cell_->begin = at;
      cellAt_ = stack_.size() - 1;
      // The cell's start tag is written again as it stands: its declarations bind what it holds.
      cell_->openLength = length;
      ReadDeclarations();
      paragraphs_ = 0;
      inFirstPara_ = runSeen_ = false;
    } else if (cell_ != nullptr) {
      ReadDeclarations();
      if (name == "p") {
        if (paragraphs_++ == 0) {
          inFirstPara_ = true;
          paraAt_ = stack_.size() - 1;
          // Written straight into the cell, without what stood between them.
          cell_->paraOpen = OpenTag(Slice(at, at + length));
          Bind(cell_->paraOpen, cellAt_, stack_.size() - 1);
        } else {
          cell_->text += '\n';
        }
      } else if (name == "t" && ParentIs("r")) {
        inText_ = true;
      } else if (name == "tab" && ParentIs("r")) {
        cell_->text += '\t';
      } else if ((name == "br" || name == "cr") && ParentIs("r")) {
        cell_->text += '\n';
      }
    }
  }

  void End(const office::XmlName&) override {
    if (stack_.empty()) return;
    if (stack_.back().own) Closed(stack_.size() - 1);
    declarations_.resize(std::min(declarations_.size(), stack_.back().declared));
    stack_.pop_back();
  }

  void Text(std::string_view text) override {
    if (inText_ && cell_ != nullptr && tblDepth_ == 1 && Keep(text.size())) cell_->text.append(text);
  }

  // New texts go in as UTF-8 bytes, which a part in another encoding would misread.
  void Declared(std::string_view encoding) override {
    if (!office::IsUtf8Name(encoding)) Fail("документ записан не в кодировке UTF-8");
  }

private:
  struct Open {
    std::string name;  // local name
    bool own = false;  // of the namespace of the part's root
    std::size_t at = 0, length = 0;
    std::size_t declared = 0;  // where the declarations of its start tag begin in declarations_
  };

  // The element at `index`, last of the stack, of the part's namespace, ends.
  void Closed(std::size_t index) {
    const Open& open = stack_[index];
    // An empty-element tag reports its end with no bytes of its own.
    const std::size_t length = EventLength();
    const std::size_t elementEnd = length == 0 ? open.at + open.length : static_cast<std::size_t>(EventAt()) + length;
    if (open.name == "tbl") {
      --tblDepth_;
      return;
    }
    if (tblDepth_ == 1 && open.name == "tr" && ParentIs("tbl") && !rowSpans_.back().empty()) {
      rowSpans_.back().back().second = elementEnd;
      return;
    }
    if (tblDepth_ != 1 || cell_ == nullptr) return;
    if (open.name == "tc" && ParentIs("tr")) {
      cell_->end = elementEnd;
      cell_ = nullptr;
    } else if (open.name == "tcPr" && ParentIs("tc")) {
      cell_->cellProps = Slice(open.at, elementEnd);
    } else if (open.name == "pPr" && ParentIs("p") && inFirstPara_) {
      cell_->paraProps = Slice(open.at, elementEnd);
    } else if (open.name == "rPr" && ParentIs("r") && inFirstPara_ && !runSeen_) {
      // Written in a run of its own, without the run's start tag and what stood between it and the
      // paragraph.
      cell_->runProps = Slice(open.at, elementEnd);
      Bind(cell_->runProps, paraAt_, index);
    } else if (open.name == "rPr" && ParentIs("pPr") && inFirstPara_) {
      // Written in a new run when the paragraph has none, outside its paragraph's properties.
      cell_->markProps = Slice(open.at, elementEnd);
      Bind(cell_->markProps, paraAt_, index);
    } else if (open.name == "r" && inFirstPara_) {
      runSeen_ = true;
      cell_->hasRun = true;
    } else if (open.name == "t") {
      inText_ = false;
    } else if (open.name == "p" && inFirstPara_) {
      inFirstPara_ = false;
    }
  }

  bool ParentIs(std::string_view name) const {
    return stack_.size() >= 2 && stack_[stack_.size() - 2].own && stack_[stack_.size() - 2].name == name;
  }
  std::string ParentName() const { return stack_.size() >= 2 ? stack_[stack_.size() - 2].name : std::string(); }

  // The declarations of the element just opened, which what it holds may use.
  void ReadDeclarations() {
    const Open& open = stack_.back();
    const std::string_view written = std::string_view(part_).substr(std::min(open.at, part_.size()), open.length);
    if (written.find("xmlns") == std::string_view::npos) return;  // most tags: a row of a million cells
    const StartTag tag = ReadStartTag(written);
    if (Keep(tag.declarations.size() * sizeof(Declaration)))
      declarations_.insert(declarations_.end(), tag.declarations.begin(), tag.declarations.end());
  }

  // The declarations made on the start tag of the element at `index` of the stack.
  std::span<const Declaration> DeclaredAt(std::size_t index) const {
    const std::size_t to = index + 1 < stack_.size() ? stack_[index + 1].declared : declarations_.size();
    const std::size_t from = std::min(stack_[index].declared, to);
    return std::span<const Declaration>(declarations_).subspan(from, to - from);
  }

  // `xml`, of the element at `index` of the stack, is written where the elements between it and the one
  // at `context` are not: its start tag takes their declarations that it does not make itself, the
  // innermost for each prefix, so that every prefix in it is bound as it was. The prefixes already bound
  // are hashed: a file may put tens of thousands of declarations between a cell and its paragraph.
  void Bind(std::string& xml, std::size_t context, std::size_t index) {
    if (index >= stack_.size()) return;
    std::unordered_set<std::string_view> bound;
    for (const Declaration& own : DeclaredAt(index)) bound.insert(own.prefix);
    std::string taken;
    for (std::size_t i = index; i-- > context + 1;)
      for (const Declaration& declaration : DeclaredAt(i)) {
        if (!bound.insert(declaration.prefix).second) continue;
        taken += ' ';
        taken += declaration.text;
      }
    if (taken.empty() || xml.empty() || !Keep(taken.size())) return;
    xml.insert(1 + ReadStartTag(xml).name.size(), taken);
  }

  // False, the scan stopped, once what it keeps passes its bound.
  bool Keep(std::size_t bytes) {
    if (held_.TryTake(bytes)) return true;
    Fail(held_.Reason());
    return false;
  }

  std::string Slice(std::size_t from, std::size_t to) {
    return from <= to && to <= part_.size() && Keep(to - from) ? part_.substr(from, to - from) : std::string();
  }

  const std::string& part_;
  std::vector<std::vector<std::vector<DocxDocument::Cell>>>& tables_;
  std::vector<std::vector<std::pair<std::size_t, std::size_t>>>& rowSpans_;
  office::TFileScaledBudget& held_;
  std::vector<Open> stack_;
  std::vector<Declaration> declarations_;  // of the open elements inside a cell, in the order of stack_
  int tblDepth_ = 0;
  DocxDocument::Cell* cell_ = nullptr;
  std::size_t cellAt_ = 0, paraAt_ = 0;  // where the cell and its first paragraph stand in the stack
  int paragraphs_ = 0;
  bool inFirstPara_ = false, runSeen_ = false, inText_ = false;
};

void AppendEscaped(std::string& out, std::string_view text) {
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default:
        // Control characters have no place in XML text.
        if (static_cast<unsigned char>(c) >= 0x20) out += c;
    }
  }
}

// The cell element with the new text in its first paragraph. The cell's and the paragraph's start tags
// are the file's own, each closed by its own name; the elements written new take the prefix of the one
// they stand in, which names the main namespace there.
std::string CellXml(const std::string& part, const DocxDocument::Cell& cell) {
  const std::string cellOpen = OpenTag(std::string_view(part).substr(cell.begin, cell.openLength));
  const std::string cellName(ReadStartTag(cellOpen).name);
  // built up step by step: GCC 12 takes the one-line sum for an overlapping copy (-Wrestrict)
  std::string paraOpen = cell.paraOpen;
  if (paraOpen.empty()) {
    paraOpen = "<";
    paraOpen += PrefixOf(cellName);
    paraOpen += "p>";
  }
  const std::string paraName(ReadStartTag(paraOpen).name);
  const std::string w(PrefixOf(paraName));
  std::string xml = cellOpen + cell.cellProps + paraOpen + cell.paraProps;
  // A cell without a run takes the font of its paragraph mark, as text typed into it would.
  xml += "<" + w + "r>" + (cell.runProps.empty() && !cell.hasRun ? cell.markProps : cell.runProps);
  const std::string openText = "<" + w + "t xml:space=\"preserve\">";
  const std::string closeText = "</" + w + "t>";
  xml += openText;
  for (const char c : cell.text) {
    if (c == '\n') xml += closeText + "<" + w + "br/>" + openText;
    else if (c == '\t') xml += closeText + "<" + w + "tab/>" + openText;
    else AppendEscaped(xml, std::string_view(&c, 1));
  }
  xml += closeText + "</" + w + "r></" + paraName + "></" + cellName + ">";
  return xml;
}

std::string ReadFileBytes(const std::string& path, bool& ok) {
  std::ifstream in(path, std::ios::binary);
  ok = static_cast<bool>(in);
  if (!ok) return {};
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ok = !in.bad();
  return bytes;
}

}  // namespace

DocxDocument DocxDocument::Open(const std::string& path) {
  const std::string prefix = "Ошибка чтения файла \"" + path + "\": ";
  DocxDocument doc;
  doc.path_ = path;
  bool ok = false;
  const std::string bytes = ReadFileBytes(path, ok);
  if (!ok) throw Error(prefix + "файл не найден или недоступен");
  const ZipPtr zip = OpenFromMemory(bytes);
  if (!zip) throw Error(prefix + "файл не является документом или поврежден");
  office::TUnpackBudget budget(path, bytes.size());
  const office::TPackageNames names(zip.get());
  if (!names.Damage().empty()) throw Error(prefix + names.Damage());
  // Every part parsed counts its elements against one bound that the file's size sets.
  office::TFileScaledBudget work(path, "элементов в частях документа",
                                 office::TFileScaledLimit(bytes.size(), office::kWorkAnyFile, office::kWorkPerFileByte, 0,
                                                          office::TFileScaledLimit::TUnit::Count));
  const auto parse = [&](const std::string& part, std::string_view xml, office::XmlHandler& handler,
                         office::TXmlNames names) {
    office::XmlStream stream(handler, &work, names);
    if (!stream.Feed(xml) || !stream.Finish()) throw Error(prefix + DamagedPart(part, handler));
  };
  // The main part is named by the package relationships, "word/document.xml" by convention where the
  // package has none; damaged ones are damage, not a reason to take the convention.
  std::string partName = "word/document.xml";
  if (const auto rels = office::ReadZipPart(zip.get(), names, "_rels/.rels", budget)) {
    office::TRelationships root;
    parse("_rels/.rels", *rels, root, office::TXmlNames::Namespaces);
    // of two main documents either would be a guess, and one outside the package is no part of it
    std::string damage;
    const office::TRelationship* main = root.Single("/officeDocument", damage);
    if (!damage.empty()) throw Error(prefix + "файл поврежден (часть \"_rels/.rels\": " + damage + ")");
    if (main != nullptr && !main->target.empty())
      partName = main->target.front() == '/' ? main->target.substr(1) : main->target;
  }
  // Every part is read now: a damaged one is found before anything is written, and a save copies
  // the parts' contents as they are.
  const zip_int64_t count = zip_get_num_entries(zip.get(), 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* name = zip_get_name(zip.get(), static_cast<zip_uint64_t>(i), 0);
    if (name == nullptr) throw Error(prefix + "файл не является документом или поврежден");
    std::string data;
    if (*name != '\0' && name[std::char_traits<char>::length(name) - 1] != '/') {
      auto read = office::ReadZipPart(zip.get(), names, name, budget);
      if (!read) throw Error(prefix + "файл поврежден (часть \"" + std::string(name) + "\")");
      data = std::move(*read);
    }
    doc.entries_.emplace_back(name, std::move(data));
  }
  // the entries stand in the package's order, so the package's index of a name is its place among them
  if (const auto main = names.Find(partName)) doc.mainEntry_ = static_cast<std::size_t>(*main);
  if (doc.mainEntry_ == kNone) throw Error(prefix + "в файле нет текста документа (\"" + partName + "\")");
  const auto& [mainName, main] = doc.entries_[doc.mainEntry_];
  // UTF-16 and UTF-32 begin with their byte-order mark or with a zero byte of the first '<'.
  if (main.size() > 1 && (static_cast<unsigned char>(main[0]) == 0xFE || static_cast<unsigned char>(main[0]) == 0xFF ||
                          main[0] == '\0' || main[1] == '\0'))
    throw Error(prefix + "документ записан не в кодировке UTF-8");
  office::TFileScaledBudget held(path, "таблицы документа занимают в памяти",
                                 office::TFileScaledLimit(bytes.size(), office::kHeldAnyFile, office::kHeldPerFileByte,
                                                          office::PhysicalMemory()));
  CellScanner scanner(main, doc.tables_, doc.rowSpans_, held);
  parse(mainName, main, scanner, office::TXmlNames::Namespaces);
  return doc;
}

int DocxDocument::RowCount(int table) const {
  return table >= 1 && table <= TableCount() ? static_cast<int>(tables_[static_cast<std::size_t>(table - 1)].size()) : 0;
}

int DocxDocument::CellCount(int table, int row) const {
  if (row < 1 || row > RowCount(table)) return 0;
  return static_cast<int>(tables_[static_cast<std::size_t>(table - 1)][static_cast<std::size_t>(row - 1)].size());
}

void DocxDocument::ExpectTables(int count, const std::string& filler) {
  expectedTables_ = count;
  filler_ = filler;
  if (TableCount() < count)
    throw Error("В шаблоне \"" + path_ + "\" нет таблицы " + std::to_string(TableCount() + 1) + ", которую заполняет " +
                filler + ": таблиц в шаблоне " + std::to_string(TableCount()) + ", а нужно " + std::to_string(count) +
                ". Таблицы, между которыми нет абзаца, текстовый редактор при сохранении соединяет в одну");
}

std::string DocxDocument::MissingText(const std::string& what) const {
  std::string text = "В документе \"" + path_ + "\" " + what;
  if (expectedTables_ > 0 && TableCount() > expectedTables_)
    text += ". Таблиц в шаблоне " + std::to_string(TableCount()) + ", а " + filler_ + " заполняет " +
            std::to_string(expectedTables_) + " по их номерам: если в шаблон добавлена таблица (например, штамп "
            "«УТВЕРЖДАЮ» перед первой), заполняемые таблицы сдвинуты. Уберите ее или наберите ее текст абзацами";
  return text;
}

const DocxDocument::Cell& DocxDocument::At(int table, int row, int col) const {
  const auto missing = [&](const std::string& what) { return Error(MissingText(what)); };
  if (table < 1 || table > TableCount()) throw missing("нет таблицы " + std::to_string(table));
  if (row < 1 || row > RowCount(table))
    throw missing("в таблице " + std::to_string(table) + " нет строки " + std::to_string(row));
  if (col < 1 || col > CellCount(table, row))
    throw missing("в таблице " + std::to_string(table) + " нет ячейки (" + std::to_string(row) + ", " +
                  std::to_string(col) + ")");
  return tables_[static_cast<std::size_t>(table - 1)][static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(col - 1)];
}

DocxDocument::Cell& DocxDocument::At(int table, int row, int col) {
  return const_cast<Cell&>(std::as_const(*this).At(table, row, col));
}

std::string DocxDocument::CellText(int table, int row, int col) const { return At(table, row, col).text; }

void DocxDocument::SetCellText(int table, int row, int col, const std::string& text) {
  Cell& cell = At(table, row, col);
  cell.text = text;
  cell.changed = true;
}

void DocxDocument::AddRow(int table) {
  if (RowCount(table) == 0) {
    throw Error(MissingText(table >= 1 && table <= TableCount() ? "в таблице " + std::to_string(table) + " нет строк"
                                                                : "нет таблицы " + std::to_string(table)));
  }
  auto& rows = tables_[static_cast<std::size_t>(table - 1)];
  const auto& model = rows[rowSpans_[static_cast<std::size_t>(table - 1)].size() - 1];
  std::vector<Cell> row = model;
  for (Cell& cell : row) {
    cell.text.clear();
    cell.changed = true;
  }
  rows.push_back(std::move(row));
}

std::string DocxDocument::MainPart(const std::string& path) const {
  const std::string& part = entries_[mainEntry_].second;
  const std::string failure =
      "Ошибка записи файла \"" + path + "\": таблицы документа \"" + path_ + "\" не распознаны";
  std::string out;
  out.reserve(part.size());
  std::size_t copied = 0;
  for (std::size_t t = 0; t < tables_.size(); ++t) {
    const auto& table = tables_[t];
    const auto& spans = rowSpans_[t];
    for (std::size_t r = 0; r < spans.size() && r < table.size(); ++r)
      for (const Cell& cell : table[r]) {
        if (!cell.changed) continue;
        // The scan gives cells in document order, each inside the part; anything else is a structure
        // the scan did not understand, and writing it would lose or repeat parts of the document.
        if (cell.begin < copied || cell.end < cell.begin + cell.openLength || cell.end <= cell.begin ||
            cell.end > part.size())
          throw Error(failure);
        out.append(part, copied, cell.begin - copied);
        out += CellXml(part, cell);
        copied = cell.end;
      }
    if (table.size() <= spans.size()) continue;
    // Added rows follow the file's last row, each laid out as that row with its own cells.
    const auto [rowBegin, rowEnd] = spans.back();
    const auto& model = table[spans.size() - 1];
    if (rowEnd < copied || rowEnd <= rowBegin || rowEnd > part.size()) throw Error(failure);
    out.append(part, copied, rowEnd - copied);
    copied = rowEnd;
    for (std::size_t r = spans.size(); r < table.size(); ++r) {
      std::size_t at = rowBegin;
      for (std::size_t c = 0; c < model.size() && c < table[r].size(); ++c) {
        if (model[c].begin < at || model[c].end > rowEnd || model[c].end < model[c].begin + model[c].openLength)
          throw Error(failure);
        out.append(part, at, model[c].begin - at);
        out += CellXml(part, table[r][c]);
        at = model[c].end;
      }
      out.append(part, at, rowEnd - at);
    }
  }
  out.append(part, copied, std::string::npos);
  return out;
}

void DocxDocument::SaveAs(const std::string& path) const {
  const std::string part = MainPart(path);
  WriteFileReplacing(path, [&](const std::string& temp) {
    int error = 0;
    zip_t* zip = zip_open(temp.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    bool written = zip != nullptr;
    for (std::size_t i = 0; written && i < entries_.size(); ++i) {
      const auto& [name, data] = entries_[i];
      const std::string& bytes = i == mainEntry_ ? part : data;
      if (!name.empty() && name.back() == '/') {
        written = zip_dir_add(zip, name.c_str(), ZIP_FL_ENC_GUESS) >= 0;
        continue;
      }
      zip_source_t* source = zip_source_buffer(zip, bytes.data(), bytes.size(), 0);
      written = source != nullptr && zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_GUESS | ZIP_FL_OVERWRITE) >= 0;
      if (source != nullptr && !written) zip_source_free(source);
    }
    if (zip != nullptr) {
      if (written) written = zip_close(zip) == 0;
      if (!written) zip_discard(zip);
    }
    return written;
  });
}

}  // namespace ld
