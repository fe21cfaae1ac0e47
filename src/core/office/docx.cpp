#include "core/office/docx.h"

#include <zip.h>

#include <fstream>
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

std::string_view LocalName(std::string_view full) {
  const auto colon = full.rfind(':');
  return colon == std::string_view::npos ? full : full.substr(colon + 1);
}

// Finds the tables, rows and cells of the main part with the byte positions of what a new text keeps.
// Names are taken as written: a cell written anew keeps its prefix.
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
    const std::string_view name = LocalName(qualified.local);
    if (!Keep(sizeof(Open) + name.size())) return;
    stack_.push_back({std::string(name), at, length});
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
    if ((name == "tr" && Parent() != "tbl") || (name == "tc" && Parent() != "tr")) {
      Fail("таблица " + std::to_string(tables_.size()) + " устроена так, что ее не заполнить: " +
           (name == "tr" ? "строка" : "ячейка") + " находится в элементе \"" + std::string(Parent()) +
           "\", а не в " + (name == "tr" ? "таблице" : "строке"));
      return;
    }
    // A row's cells are one vector, which holds its cells twice over while it grows.
    if (!Keep(name == "tr" ? sizeof(tables_.front().front()) + sizeof(rowSpans_.front().front())
                           : name == "tc" ? 2 * sizeof(DocxDocument::Cell) + name.size() + 2 : 0))
      return;
    if (name == "tr") {
      tables_.back().emplace_back();
      rowSpans_.back().emplace_back(at, at);
    } else if (name == "tc") {
      tables_.back().back().emplace_back();
      cell_ = &tables_.back().back().back();
      cell_->begin = at;
      cell_->prefix = std::string(qualified.local.substr(0, qualified.local.size() - name.size()));
      paragraphs_ = 0;
      inFirstPara_ = runSeen_ = false;
    } else if (cell_ != nullptr) {
      if (name == "p") {
        if (paragraphs_++ == 0) {
          inFirstPara_ = true;
          cell_->paraOpen = Slice(at, at + length);
        } else {
          cell_->text += '\n';
        }
      } else if (name == "t" && Parent() == "r") {
        inText_ = true;
      } else if (name == "tab" && Parent() == "r") {
        cell_->text += '\t';
      } else if ((name == "br" || name == "cr") && Parent() == "r") {
        cell_->text += '\n';
      }
    }
  }

  void End(const office::XmlName&) override {
    if (stack_.empty()) return;
    const auto at = static_cast<std::size_t>(EventAt());
    const std::size_t length = EventLength();
    const Open open = stack_.back();
    stack_.pop_back();
    // An empty-element tag reports its end with no bytes of its own.
    const bool empty = length == 0;
    const std::size_t elementEnd = empty ? open.at + open.length : at + length;
    const std::string_view parent = stack_.empty() ? "" : std::string_view(stack_.back().name);
    if (open.name == "tbl") {
      --tblDepth_;
      return;
    }
    if (tblDepth_ == 1 && open.name == "tr" && parent == "tbl" && !rowSpans_.back().empty()) {
      rowSpans_.back().back().second = elementEnd;
      return;
    }
    if (tblDepth_ != 1 || cell_ == nullptr) return;
    if (open.name == "tc" && parent == "tr") {
      cell_->end = elementEnd;
      cell_ = nullptr;
    } else if (open.name == "tcPr" && parent == "tc") {
      cell_->cellProps = Slice(open.at, elementEnd);
    } else if (open.name == "pPr" && parent == "p" && inFirstPara_) {
      cell_->paraProps = Slice(open.at, elementEnd);
    } else if (open.name == "rPr" && parent == "r" && inFirstPara_ && !runSeen_) {
      cell_->runProps = Slice(open.at, elementEnd);
    } else if (open.name == "rPr" && parent == "pPr" && inFirstPara_) {
      cell_->markProps = Slice(open.at, elementEnd);
    } else if (open.name == "r" && inFirstPara_) {
      runSeen_ = true;
      cell_->hasRun = true;
    } else if (open.name == "t") {
      inText_ = false;
    } else if (open.name == "p" && inFirstPara_) {
      inFirstPara_ = false;
      if (empty) {
        // "<w:p/>" opens the paragraph that takes the text.
        std::string& tag = cell_->paraOpen;
        const auto slash = tag.rfind('/');
        if (slash != std::string::npos) tag = tag.substr(0, slash) + ">";
      }
    }
  }

  void Text(std::string_view text) override {
    if (inText_ && cell_ != nullptr && tblDepth_ == 1 && Keep(text.size())) cell_->text.append(text);
  }

  // New texts go in as UTF-8 bytes, which a part in another encoding would misread.
  void Declared(std::string_view encoding) override {
    if (!office::EqualNoCaseAscii(encoding, "UTF-8") && !office::EqualNoCaseAscii(encoding, "UTF8"))
      Fail("документ записан не в кодировке UTF-8");
  }

private:
  struct Open {
    std::string name;  // local name
    std::size_t at = 0, length = 0;
  };

  std::string_view Parent() const { return stack_.size() >= 2 ? std::string_view(stack_[stack_.size() - 2].name) : ""; }

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
  int tblDepth_ = 0;
  DocxDocument::Cell* cell_ = nullptr;
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

// The cell element with the new text in its first paragraph.
std::string CellXml(const DocxDocument::Cell& cell) {
  const std::string& w = cell.prefix;
  std::string xml = "<" + w + "tc>" + cell.cellProps;
  xml += cell.paraOpen.empty() ? "<" + w + "p>" : cell.paraOpen;
  xml += cell.paraProps;
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
  xml += closeText + "</" + w + "r></" + w + "p></" + w + "tc>";
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
    if (std::string main = root.TargetOf("/officeDocument"); !main.empty())
      partName = main.front() == '/' ? main.substr(1) : std::move(main);
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
  if (main.size() > 1 && (static_cast<unsigned char>(main[0]) == 0xFE || static_cast<unsigned char>(main[0]) == 0xFF))
    throw Error(prefix + "документ записан не в кодировке UTF-8");
  office::TFileScaledBudget held(path, "таблицы документа занимают в памяти",
                                 office::TFileScaledLimit(bytes.size(), office::kHeldAnyFile, office::kHeldPerFileByte,
                                                          office::PhysicalMemory()));
  CellScanner scanner(main, doc.tables_, doc.rowSpans_, held);
  parse(mainName, main, scanner, office::TXmlNames::AsWritten);
  return doc;
}

int DocxDocument::RowCount(int table) const {
  return table >= 1 && table <= TableCount() ? static_cast<int>(tables_[static_cast<std::size_t>(table - 1)].size()) : 0;
}

int DocxDocument::CellCount(int table, int row) const {
  if (row < 1 || row > RowCount(table)) return 0;
  return static_cast<int>(tables_[static_cast<std::size_t>(table - 1)][static_cast<std::size_t>(row - 1)].size());
}

const DocxDocument::Cell& DocxDocument::At(int table, int row, int col) const {
  const std::string head = "В документе \"" + path_ + "\" ";
  if (table < 1 || table > TableCount()) throw Error(head + "нет таблицы " + std::to_string(table));
  if (row < 1 || row > RowCount(table))
    throw Error(head + "в таблице " + std::to_string(table) + " нет строки " + std::to_string(row));
  if (col < 1 || col > CellCount(table, row))
    throw Error(head + "в таблице " + std::to_string(table) + " нет ячейки (" + std::to_string(row) + ", " +
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
    throw Error("В документе \"" + path_ + "\" " +
                (table >= 1 && table <= TableCount() ? "в таблице " + std::to_string(table) + " нет строк"
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
        if (cell.begin < copied || cell.end <= cell.begin || cell.end > part.size()) throw Error(failure);
        out.append(part, copied, cell.begin - copied);
        out += CellXml(cell);
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
        if (model[c].begin < at || model[c].end > rowEnd) throw Error(failure);
        out.append(part, at, model[c].begin - at);
        out += CellXml(table[r][c]);
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
