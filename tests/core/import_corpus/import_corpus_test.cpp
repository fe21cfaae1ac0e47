// The import regression books (../shared/testdata/workbooks/imports, laid out as its README says):
// workbooks of other kinds and own-kind variants, each given to the command its case names, run as its
// window runs it (through the same core function) on a fresh copy of the program's sample base and
// schemes, every question answered "Да". A case is held to what it wants: `refuse` refused with every
// file of the folder as it was; `control:<c>` and `twin:<c>` taken, leaving the folder exactly as case
// <c> leaves it. Each outcome (refused with its first message, or taken, and every file of the folder
// that changed: its digest and the rows that differ from the sample) is compared with the snapshot in
// tests/data/import_corpus, so that a changed rule shows which books it reads otherwise; the cases that
// miss what they want today are listed there with the kind of miss, and one that is mended, or misses
// otherwise, fails the test until the list says so. LD_CORPUS_WRITE=1 writes the files anew from the run.
// A case whose want the program must not meet (a name it stores whole where the control has a short one)
// is listed with what it is held to instead (HeldFault), never among the misses.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/dynarray.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/catalogs/graph_tables.h"
#include "core/catalogs/import_rows.h"
#include "core/catalogs/import_sheets.h"
#include "core/district/base_import.h"
#include "core/district/measure_base.h"
#include "core/district/outside_readers.h"
#include "core/district/sheet_imports.h"
#include "core/district/subscriber_books.h"
#include "core/office/table_sheet.h"
#include "core/regime/measurements.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_import.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "core/tables/table_save.h"
#include "support/corpus_snapshot.h"
#include "support/json_reader.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

fs::path CorpusDir() { return SourceDir() / ".." / "shared" / "testdata" / "workbooks" / "imports"; }
fs::path SnapshotDir() { return SourceDir() / "tests" / "data" / "import_corpus"; }

struct TCase {
  std::string Name, Book, Command, Setting, Want, Note;
};

std::map<std::string, TCase> ReadCases() {
  std::map<std::string, TCase> cases;
  const TJson all = TJsonReader(ReadBytes(CorpusDir() / "cases.json")).Read();
  for (const auto& [name, c] : all.Members)
    cases[name] = {name, c.TextOf("book"), c.TextOf("command"), c.TextOf("setting"), c.TextOf("want"), c.TextOf("note")};
  return cases;
}

// ---- the folders: the program's (layouts, catalogues), the sample's, and each case's copy of it

// The sample base and schemes of the program folder, the scheme the regime's measurement books name,
// copied once; each case starts from a copy of them.
struct TFolders {
  TempDir Root{TempDir::Where::Memory};
  fs::path Program = Root.Path() / "program", Sample = Root.Path() / "sample", Case = Root.Path() / "case",
           Scratch = Root.Path() / "scratch";
  std::map<std::string, std::string> SampleFiles;  // name -> bytes

  TFolders() {
    for (const fs::path& d : {Program, Sample, Case, Scratch}) fs::create_directory(d);
    CopyDataFiles(Program, [](const std::string& name) { return name == "maket.zr" || name.rfind("sprav_", 0) == 0; });
    CopyDataFiles(Sample, [](const std::string& name) { return name.rfind("Образец.", 0) == 0 || name.rfind("Пример.", 0) == 0; });
    for (const auto& e : fs::directory_iterator(CorpusDir() / "scheme")) fs::copy_file(e.path(), Sample / e.path().filename());
    for (const auto& e : fs::directory_iterator(Sample)) SampleFiles[e.path().filename().string()] = ReadBytes(e.path());
    MaketFileName = (Program / "maket.zr").string();
    ProgramDir = Program.string() + "/";
  }

  void FreshCase() const {
    fs::remove_all(Case);
    fs::create_directory(Case);
    for (const auto& [name, bytes] : SampleFiles) WriteBytes(Case / name, bytes);
  }
};

// ---- a run of a command, as its window runs it

struct TOutcome {
  bool Taken = false;
  std::string First;                  // the refusal, or the first message of a taken book
  std::vector<std::string> Messages;  // the import's messages and what the message box was told
  std::map<std::string, std::optional<std::string>> Changed;  // file -> its bytes now (none: removed)
};

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// The command's run on the book, in the case's folder; throws the command's refusal.
void RunCommand(const TCase& c, const fs::path& book, const fs::path& folder, std::vector<std::string>& messages) {
  const std::string file = book.string();
  const std::string& command = c.Command;
  if (command == "xtech" || command == "xbyt" || command == "xprom") {
    // "Импорт базы абонентов (*.XLS)" with the one book of the case ticked
    TSubscriberXlsRequest request;
    request.BaseStem = (folder / "Образец").string();
    request.Prom = command == "xprom", request.Byt = command == "xbyt", request.Tech = command == "xtech";
    (request.Prom ? request.PathProm : request.Byt ? request.PathByt : request.PathTech) = file;
    ImportSubscriberBasesXls(request, messages);
  } else if (command == "tpst" || command == "tp" || command == "feeder") {
    // the base window's measurement imports: the station loads of a measurement type, the transformers'
    // loads with a tangent, the inputs and feeders
    const char* sheet = command == "tpst" ? kStationMeasureSheet : command == "tp" ? kTransformerMeasureSheet : kFeederMeasureSheet;
    float setting = 0;  // as the window's field gives it, whatever the locale
    if (!c.Setting.empty() &&
        std::from_chars(c.Setting.data(), c.Setting.data() + c.Setting.size(), setting).ec != std::errc())
      throw std::runtime_error("setting \"" + c.Setting + "\" is no number");
    const TSheetImport& reader = FindSheetImport(sheet);
    MeasureBaseTables((folder / "Образец").string(), file, reader.Layouts,
                      [&](std::vector<TDataFile>& tables, const TSheetCells& cells) {
                        return reader.Read(tables, cells, {&messages, SingleToDouble(setting), {}, {}, nullptr});
                      });
  } else if (command == "net") {
    // "Импорт (ЗУРАН)": the new base beside the book, under its name
    const std::string stem = RemoveExtension(file);
    TBaseImport base;
    try {
      ImportBase(file, stem, true, base, [&] {
        TOutsideRun run;
        run.Files = {file};
        run.BaseStem = stem;
        run.Base = &base;
        return FindOutsideReader(kNetWorkbooksReader).ReadInto(file, run);
      });
    } catch (...) {
      messages.insert(messages.end(), base.Messages.begin(), base.Messages.end());
      throw;
    }
    messages.insert(messages.end(), base.Messages.begin(), base.Messages.end());
  } else if (command == "zam") {
    // the regime's "Импорт замеров" into the scheme the books name, with the window's default tangent
    const std::vector<std::string> lines =
        ImportMeasurementFile((folder / "Зам").string(), file, {"", TIniRec().ZamerTg});
    messages.insert(messages.end(), lines.begin(), lines.end());
  } else if (command == "sve" || command == "koe") {
    // the graph catalogue window's metering imports into an empty catalogue
    const std::string stem = (folder / "Графики").string();
    const auto catalog = OpenGraphCatalog(stem);
    TGraphsRead graphs;
    RunFileImport({file,
                   [&] {
                     graphs = ReadMeteringWorkbook(file, *catalog, command == "koe");
                     return graphs.Taken;
                   },
                   {},
                   {},
                   {},
                   [&] {
                     const auto values = OpenGraphValues(stem);
                     AddImportedGraphs(graphs.Graphs, *catalog, *values);
                     SaveTableWith(stem + GetMaketExtention(GraphCatalogMaket), *catalog,
                                   {{stem + GetMaketExtention(GraphValuesMaket), values.get()}});
                   }});
  } else if (command == "grid" || command == "gridtp") {
    // the table window's "Ввод из Microsoft Excel" into the sample's table, saved as the grid saves it
    const std::string tableFile = (folder / (command == "grid" ? "Образец.RSV" : "Образец.RTP")).string();
    TDataFile table;
    ReadTableFile(tableFile, table);
    ImportWorkbookIntoTable(file, table, [&] { WriteTableFile(tableFile, table); });
  } else {
    throw std::runtime_error("no command \"" + command + "\"");
  }
}

TOutcome RunCase(const TCase& c, const TFolders& folders) {
  folders.FreshCase();
  fs::path book = CorpusDir() / "books" / c.Book;
  if (c.Command == "net") {
    // the new base takes the book's name: every case's base has the same, so that folders compare
    const fs::path copy = folders.Case / ("Сеть" + book.extension().string());
    fs::copy_file(book, copy);
    book = copy;
  }
  ScriptedMsgBox box;
  TOutcome out;
  std::vector<std::string> messages;
  try {
    RunCommand(c, book, folders.Case, messages);
    out.Taken = true;
  } catch (const std::exception& e) {
    out.First = e.what();
  }
  for (const std::string& text : box.Texts()) messages.push_back(text);
  // the places are this machine's: named by the book and the folder's role alone
  const auto local = [&](std::string text) {
    for (const fs::path& named : {book, fs::absolute(book).lexically_normal(), fs::weakly_canonical(book)})
      text = Replaced(std::move(text), named.string(), c.Book);
    for (const fs::path& named : {folders.Case, fs::weakly_canonical(folders.Case)})
      text = Replaced(std::move(text), named.string(), "<папка>");
    return Replaced(std::move(text), folders.Program.string(), "<программа>");
  };
  out.First = local(out.First);
  for (std::string& m : messages) out.Messages.push_back(local(std::move(m)));
  if (out.Taken && !out.Messages.empty()) out.First = out.Messages.front();
  std::set<std::string> now;
  for (const auto& e : fs::directory_iterator(folders.Case)) {
    const std::string name = e.path().filename().string();
    if (e.path() == book) continue;
    now.insert(name);
    const auto sample = folders.SampleFiles.find(name);
    std::string bytes = ReadBytes(e.path());
    if (sample == folders.SampleFiles.end() || sample->second != bytes) out.Changed[name] = std::move(bytes);
  }
  for (const auto& [name, bytes] : folders.SampleFiles)
    if (!now.count(name)) out.Changed[name] = std::nullopt;
  return out;
}

// ---- what changed, as text that no locale and no machine changes

std::string Digest(const std::string& bytes) {
  std::uint64_t h = 14695981039346656037ull;
  for (const unsigned char b : bytes) h = (h ^ b) * 1099511628211ull;
  char buf[17];
  const auto end = std::to_chars(buf, buf + 16, h, 16).ptr;
  return std::string(16 - static_cast<std::size_t>(end - buf), '0') + std::string(buf, end);
}

// A stored cell: a number with every digit it holds, zero and an empty text as nothing.
std::string StoredText(const TDataFile& t, int row, int col) {
  char buf[64];
  const TDynamicArray* a = t.Columns[col].get();
  if (const auto* d = dynamic_cast<const DAdouble*>(a)) {
    const double v = d->Get(row);
    return v == 0 ? std::string() : std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
  }
  if (const auto* f = dynamic_cast<const DAsingle*>(a)) {
    const float v = f->Get(row);
    return v == 0 ? std::string() : std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
  }
  return GetCellText(t, row, col, true);
}

// A file's bytes read as the table it is, where it is one.
std::optional<TDataFile> AsTable(const std::optional<std::string>& bytes, const std::string& name, const fs::path& scratch) {
  if (!bytes) return std::nullopt;
  const fs::path file = scratch / name;
  WriteBytes(file, *bytes);
  TDataFile t;
  try {
    ReadTableFile(file.string(), t);
  } catch (const std::exception&) {
    fs::remove(file);
    return std::nullopt;
  }
  fs::remove(file);
  return t;
}

// Each row of a table's version as its fields' stored texts; none when it is no table.
std::optional<std::vector<std::map<std::string, std::string>>> TableRows(const std::string& name,
                                                                         const std::optional<std::string>& bytes,
                                                                         const fs::path& scratch) {
  std::vector<std::map<std::string, std::string>> rows;
  if (!bytes) return rows;
  const std::optional<TDataFile> t = AsTable(bytes, name, scratch);
  if (!t) return std::nullopt;
  for (int r = 1; r <= t->RowCount; ++r) {
    rows.emplace_back();
    for (int col = 1; col <= t->NCols; ++col) rows.back()[t->FieldName[col]] = StoredText(*t, r, col);
  }
  return rows;
}

// A cell in which two versions of a table differ.
struct TCellDiff {
  int Row;
  std::string Field, Was, Now;
};

// Every cell in which two versions of a table differ, row by row; none when a version is no table (`table`
// says whether both that exist are).
std::vector<TCellDiff> DifferingCells(const std::string& name, const std::optional<std::string>& was,
                                      const std::optional<std::string>& now, const fs::path& scratch, bool& table) {
  const std::optional<TDataFile> a = AsTable(was, name, scratch), b = AsTable(now, name, scratch);
  table = !((was && !a) || (now && !b));
  std::vector<TCellDiff> cells;
  if (!table) return cells;
  const int rows = std::max(a ? a->RowCount : 0, b ? b->RowCount : 0);
  for (int r = 1; r <= rows; ++r) {
    const TDataFile& any = b ? *b : *a;
    for (int col = 1; col <= any.NCols; ++col) {
      const std::string field = any.FieldName[col];
      const auto cell = [&](const std::optional<TDataFile>& t) -> std::string {
        if (!t || r > t->RowCount) return {};
        const int i = FindColumnIndex(field.c_str(), *t);
        return i > 0 ? StoredText(*t, r, i) : std::string();
      };
      std::string x = cell(a), y = cell(b);
      if (x != y) cells.push_back({r, field, std::move(x), std::move(y)});
    }
  }
  return cells;
}

// The rows of two versions of a table that differ, field by field ("  R2: P 1231200 -> 300"), at most
// `most` of them; a version that is no table is told so.
std::string TableDiff(const std::string& name, const std::optional<std::string>& was, const std::optional<std::string>& now,
                      const fs::path& scratch, int most) {
  bool table = true;
  const std::vector<TCellDiff> cells = DifferingCells(name, was, now, scratch, table);
  if (!table) return "  (no table)\n";
  std::string text;
  int shown = 0, differing = 0;
  for (std::size_t i = 0; i < cells.size();) {
    std::string fields;
    const int r = cells[i].Row;
    for (; i < cells.size() && cells[i].Row == r; ++i)
      fields += " " + cells[i].Field + " " + (cells[i].Was.empty() ? "-" : cells[i].Was) + " -> " +
                (cells[i].Now.empty() ? "-" : cells[i].Now) + ";";
    if (++differing <= most) text += "  R" + std::to_string(r) + ":" + fields + "\n", ++shown;
  }
  if (differing > shown) text += "  … " + std::to_string(differing - shown) + " more rows differ\n";
  return text;
}

constexpr std::size_t kMessagesShown = 12;

// `like`: the case whose outcome this case's wants to equal, with that outcome; a folder left as that
// case leaves it is told by its name alone, the files being in that case's block.
std::string OutcomeText(const TCase& c, const TOutcome& out, const TCase* like, const TOutcome* likeOut,
                        const TFolders& folders) {
  std::string text = "### " + c.Name + "\n";
  text += out.Taken ? "taken\n" : "refused: " + out.First + "\n";
  for (std::size_t i = 0; i < out.Messages.size() && i < kMessagesShown; ++i) text += "message: " + out.Messages[i] + "\n";
  if (out.Messages.size() > kMessagesShown)
    text += "messages: " + std::to_string(out.Messages.size() - kMessagesShown) + " more\n";
  if (like && like->Name != c.Name && !out.Changed.empty() && likeOut->Changed == out.Changed)
    return text + "files as " + like->Name + "\n";
  for (const auto& [name, bytes] : out.Changed) {
    const auto sample = folders.SampleFiles.find(name);
    const std::optional<std::string> was =
        sample == folders.SampleFiles.end() ? std::nullopt : std::optional<std::string>(sample->second);
    text += "file " + name + ": " + (bytes ? Digest(*bytes) : std::string("removed")) + "\n";
    text += TableDiff(name, was, bytes, folders.Scratch, 8);
  }
  return text;
}

// ---- what a case wants

// Empty when the outcome is what the case wants; otherwise the kind of the miss, a colon, and what it is.
std::string WantMiss(const TCase& c, const TOutcome& out, const TCase* like, const TOutcome* likeOut, const TFolders& folders) {
  if (c.Want == "refuse") {
    if (out.Taken) return "taken: " + (out.Changed.empty() ? std::string("nothing changed") : out.Changed.begin()->first + " written");
    if (!out.Changed.empty()) return "changed while refused: " + out.Changed.begin()->first;
    return {};
  }
  if (!out.Taken) return "refused: " + out.First;
  if (!out.Changed.empty() && likeOut && likeOut->Changed == out.Changed) return {};
  if (out.Changed.empty()) return "taken, nothing written";
  std::string kind = c.Want.substr(0, c.Want.find(':'));
  if (!likeOut->Taken) return "differs: its " + kind + " " + like->Name + " is refused";
  std::set<std::string> names;
  for (const auto& [name, bytes] : out.Changed) names.insert(name);
  for (const auto& [name, bytes] : likeOut->Changed) names.insert(name);
  for (const std::string& name : names) {
    const auto a = likeOut->Changed.find(name), b = out.Changed.find(name);
    const std::optional<std::string> x = a == likeOut->Changed.end() ? std::nullopt : a->second,
                                     y = b == out.Changed.end() ? std::nullopt : b->second;
    if (x == y) continue;
    std::string diff = TableDiff(name, x, y, folders.Scratch, 1);
    if (const std::size_t nl = diff.find('\n'); nl != std::string::npos) diff.resize(nl);
    diff.erase(0, diff.find_first_not_of(' '));
    return "differs from its " + kind + ": " + name + " " + (diff.empty() ? std::string("(file)") : diff);
  }
  return "differs from its " + kind;
}

// Every file in which the case's folder differs from what its control or twin leaves, with the rows.
std::string FolderDiff(const TOutcome& out, const TOutcome& likeOut, const TFolders& folders) {
  std::set<std::string> names;
  for (const auto& [name, bytes] : out.Changed) names.insert(name);
  for (const auto& [name, bytes] : likeOut.Changed) names.insert(name);
  std::string text;
  for (const std::string& name : names) {
    const auto a = likeOut.Changed.find(name), b = out.Changed.find(name);
    const std::optional<std::string> x = a == likeOut.Changed.end() ? std::nullopt : a->second,
                                     y = b == out.Changed.end() ? std::nullopt : b->second;
    if (x != y) text += " " + name + ", as it leaves it -> as this case leaves it:\n" + TableDiff(name, x, y, folders.Scratch, 8);
  }
  return text;
}

// Where the corpus wants what the program must not do (a name cut to its control's, a value changed
// without a word), the list of disagreements holds the case to what the program does instead, each entry
// "<held to>\t<why>": "refused: <words>" refused with the words, every file as it was; or "stores:
// <field>=<value>; ..." taken, every row that is none of what its control or twin leaves differing from
// the one in its place there only in fields listed, each holding the value listed. A field named with
// what the control leaves in the cell ("Pn 92=92.5") holds the cells that differ from that value alone,
// and one such cell must differ. Empty when so.
std::string HeldFault(const std::string& entry, const TOutcome& out, const TOutcome* likeOut, const TFolders& folders) {
  const std::string held = entry.substr(0, entry.find('\t'));
  if (held.rfind("refused: ", 0) == 0) {
    if (out.Taken) return "taken";
    if (!out.Changed.empty()) return "changed while refused: " + out.Changed.begin()->first;
    if (out.First.find(held.substr(9)) == std::string::npos) return "refused otherwise: " + out.First;
    return {};
  }
  if (held.rfind("stores: ", 0) != 0 || !likeOut) return "no outcome to hold it to: " + held;
  std::map<std::string, std::string> values;
  std::istringstream in(held.substr(8));
  for (std::string pair; std::getline(in, pair, ';');) {
    pair.erase(0, pair.find_first_not_of(' '));
    if (const std::size_t eq = pair.find('='); eq != std::string::npos) values[pair.substr(0, eq)] = pair.substr(eq + 1);
  }
  if (!out.Taken) return "refused: " + out.First;
  std::set<std::string> names;
  for (const auto& [name, bytes] : out.Changed) names.insert(name);
  for (const auto& [name, bytes] : likeOut->Changed) names.insert(name);
  int differing = 0;
  std::set<std::string> wasMet;  // the fields named with the control's value that a differing cell met
  for (const std::string& name : names) {
    const auto a = likeOut->Changed.find(name), b = out.Changed.find(name);
    const std::optional<std::string> x = a == likeOut->Changed.end() ? std::nullopt : a->second,
                                     y = b == out.Changed.end() ? std::nullopt : b->second;
    if (x == y) continue;
    // the rows both leave, wherever the table's order puts them, and the others paired in their order
    std::optional<std::vector<std::map<std::string, std::string>>> was = TableRows(name, x, folders.Scratch),
                                                                     now = TableRows(name, y, folders.Scratch);
    if (!was || !now) return name + " is no table";
    for (auto row = now->begin(); row != now->end();) {
      const auto same = std::find(was->begin(), was->end(), *row);
      if (same == was->end()) {
        ++row;
        continue;
      }
      was->erase(same);
      row = now->erase(row);
    }
    if (was->size() != now->size())
      return name + ": " + std::to_string(now->size()) + " rows differ from " + std::to_string(was->size());
    for (std::size_t r = 0; r < now->size(); ++r)
      for (const auto& [field, value] : (*now)[r]) {
        const std::string before = (*was)[r][field];
        if (before == value) continue;
        auto v = values.find(field + " " + before);
        if (v != values.end()) wasMet.insert(v->first);
        else v = values.find(field);
        if (v == values.end() || v->second != value) return name + ": " + field + " " + before + " -> " + value;
        ++differing;
      }
  }
  for (const auto& [key, value] : values)
    if (key.find(' ') != std::string::npos && !wasMet.count(key)) return key + " as its control or twin";
  return differing > 0 ? std::string() : "as its control or twin";
}

// The kind of a miss, by which the list holds it: the details are the snapshot's.
std::string MissKind(const std::string& miss) { return miss.substr(0, miss.find(':')); }

// ---- the test: one per command, so that the commands share the shards

class ImportCorpus : public ::testing::TestWithParam<const char*> {};

TEST_P(ImportCorpus, EveryBookAsItsCaseWantsAndAsBefore) {
  const std::string command = GetParam();
  if (!fs::exists(CorpusDir() / "cases.json"))
    GTEST_SKIP() << "the import regression books are not beside the source tree: " << CorpusDir();
  const std::map<std::string, TCase> cases = ReadCases();
  const TFolders folders;
  std::map<std::string, TOutcome> outcomes;
  const auto outcome = [&](const TCase& c) -> const TOutcome& {
    auto at = outcomes.find(c.Name);
    if (at == outcomes.end()) at = outcomes.emplace(c.Name, RunCase(c, folders)).first;
    return at->second;
  };

  const fs::path snapshotFile = SnapshotDir() / (command + ".outcomes.txt"), missFile = SnapshotDir() / (command + ".misses.txt");
  const std::map<std::string, std::string> was = SnapshotBlocks(ReadBytes(snapshotFile));
  const std::map<std::string, std::string> known = CaseList(ReadBytes(missFile));
  const fs::path disagreeFile = SnapshotDir() / (command + ".disagrees.txt");
  const std::map<std::string, std::string> disagreed =
      fs::exists(disagreeFile) ? CaseList(ReadBytes(disagreeFile)) : std::map<std::string, std::string>();
  std::string snapshot, missList, changed, unlisted, mended;
  int changedCount = 0, runCount = 0;
  std::map<std::string, int> counts;  // "taken", "refused", "missed <want>"
  std::set<std::string> seen;
  for (const auto& [name, c] : cases) {
    if (c.Command != command) continue;
    ++runCount;
    const TOutcome& out = outcome(c);
    const TCase* like = nullptr;
    if (const std::size_t colon = c.Want.find(':'); colon != std::string::npos) {
      const auto l = cases.find(c.Want.substr(colon + 1));
      ASSERT_NE(l, cases.end()) << name << " wants " << c.Want << ", a case the corpus does not hold";
      like = &l->second;
    }
    const std::string miss = WantMiss(c, out, like, like ? &outcome(*like) : nullptr, folders);
    const std::string text = OutcomeText(c, out, like, like ? &outcome(*like) : nullptr, folders);
    snapshot += text;
    seen.insert(name);
    ++counts[out.Taken ? "taken" : "refused"];
    if (const auto w = was.find(name); (w == was.end() || w->second != text) && ++changedCount <= 40)
      changed += name + (w == was.end() ? " (not in the snapshot)\n" + text : "\n" + BlockDiff(w->second, text));
    if (const auto d = disagreed.find(name); d != disagreed.end()) {
      ++counts["disagreed"];
      if (known.count(name)) mended += name + " is listed in both " + missFile.filename().string() + " and " +
                                       disagreeFile.filename().string() + "\n";
      if (miss.empty())
        mended += name + " is as the corpus wants now: remove it from " + disagreeFile.string() + "\n";
      else if (std::string fault = HeldFault(d->second, out, like ? &outcome(*like) : nullptr, folders); !fault.empty())
        mended += name + " is not what " + disagreeFile.filename().string() + " holds it to (" +
                  d->second.substr(0, d->second.find('\t')) + "): " + fault + "\n";
      continue;
    }
    if (!miss.empty()) {
      missList += name + "\t" + miss + "\n";
      ++counts["missed " + c.Want.substr(0, c.Want.find(':'))];
    }
    if (const auto listed = known.find(name); listed == known.end()) {
      if (!miss.empty()) {
        unlisted += name + " (" + c.Want + ", " + c.Note + "): " + miss + "\n";
        if (like && out.Taken && outcome(*like).Taken) unlisted += FolderDiff(out, outcome(*like), folders);
      }
    } else if (miss.empty()) {
      mended += name + " no longer fails: remove it from the list\n";
    } else if (MissKind(listed->second) != MissKind(miss)) {
      mended += name + " fails otherwise now: " + miss + "\n  (listed: " + listed->second + ")\n";
    }
  }
  for (const auto& [name, block] : was)
    if (!seen.count(name) && ++changedCount <= 40) changed += name + " (in the snapshot, no longer run)\n";
  for (const auto& list : {known, disagreed})
    for (const auto& [name, why] : list)
      if (!seen.count(name)) mended += name + " is listed, but no case of \"" + command + "\" has that name\n";

  std::cout << command << ": " << runCount << " cases, taken " << counts["taken"] << ", refused " << counts["refused"]
            << "; missed: refuse " << counts["missed refuse"] << ", control " << counts["missed control"] << ", twin "
            << counts["missed twin"] << "; the corpus' want against the rules: " << counts["disagreed"] << "\n";
  if (const char* write = std::getenv("LD_CORPUS_WRITE"); write && std::string(write) == "1") {
    fs::create_directories(SnapshotDir());
    WriteBytes(snapshotFile, snapshot);
    WriteBytes(missFile, "# The cases of \"" + command +
                             "\" that miss what they want today, each with the kind of its miss and what it is: written\n"
                             "# with the snapshot (LD_CORPUS_WRITE=1); a case mended leaves it.\n" +
                             missList);
    std::cout << "written " << snapshotFile << " and " << missFile << "\n";
    return;
  }
  if (changedCount > 0)
    ADD_FAILURE() << changedCount << " cases' outcomes differ from " << snapshotFile
                  << " (the first 40 below); where the change is meant, run the test with LD_CORPUS_WRITE=1 and show "
                     "the snapshot's diff:\n"
                  << changed;
  if (!unlisted.empty()) ADD_FAILURE() << "cases that miss what they want, not in " << missFile << ":\n" << unlisted;
  if (!mended.empty())
    ADD_FAILURE() << "cases of " << missFile << " that miss no longer, or otherwise, and of " << disagreeFile
                  << " that are no longer what it holds them to:\n"
                  << mended;
}

INSTANTIATE_TEST_SUITE_P(Commands, ImportCorpus,
                         ::testing::Values("xtech", "xbyt", "xprom", "tpst", "tp", "feeder", "net", "zam", "sve", "koe",
                                           "grid", "gridtp"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
}  // namespace ld::test
