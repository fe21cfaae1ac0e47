// The regression corpus: subscriber workbooks as real programs write them (openpyxl, XlsxWriter, xlwt,
// LibreOffice, gnumeric; ../shared/testdata/workbooks, laid out as its README says), the project's own
// books (its test data and the books the program writes as its commands' inputs), and a plain book of
// each kind under the headings, titles and extra rows people write over it. Each runs once through the
// command that reads its kind ("Импорт базы абонентов (*.XLS)", as the window calls it) into a base of
// its own, and each subscriber book also through every command that measures the base from a workbook,
// which must refuse it by name with every table as it was. Every outcome (refused with its message, or
// taken: every stored row field by field, and the messages) is compared with the snapshot in
// tests/data/workbook_corpus, so that a changed rule that refuses a book read before, or stores a field
// otherwise, fails here naming the book; and each case is held to what it wants: stored as LibreOffice
// shows the cell (or as its plain book is stored), or refused naming the cell. The books that miss what
// their case wants today are listed with their reason beside the snapshot; a book mended, or failing
// otherwise, fails the test until the list says so. LD_CORPUS_WRITE=1 writes the files anew from the run.
#include <gtest/gtest.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/dynarray.h"
#include "core/district/measure_base.h"
#include "core/district/set_writer_inputs.h"
#include "core/district/sheet_imports.h"
#include "core/district/subscriber_books.h"
#include "core/district/subscriber_xls.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "support/corpus_snapshot.h"
#include "support/json_reader.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

// ---- LibreOffice's CSV export of a first sheet: ";" between cells, quotes doubled

using TGrid = std::vector<std::vector<std::string>>;

TGrid ReadShownCsv(const fs::path& path) {
  const std::string text = ReadBytes(path);
  TGrid grid(1);
  std::string cell;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c != '"') cell += c;
      else if (i + 1 < text.size() && text[i + 1] == '"') cell += '"', ++i;
      else quoted = false;
    } else if (c == '"') {
      quoted = true;
    } else if (c == ';') {
      grid.back().push_back(std::move(cell)), cell.clear();
    } else if (c == '\n') {
      grid.back().push_back(std::move(cell)), cell.clear();
      grid.emplace_back();
    } else if (c != '\r') {
      cell += c;
    }
  }
  if (!cell.empty() || !grid.back().empty()) grid.back().push_back(std::move(cell));
  return grid;
}

std::string GridCell(const TGrid& grid, int row, int col) {
  if (row < 1 || row > static_cast<int>(grid.size())) return {};
  const auto& r = grid[static_cast<std::size_t>(row - 1)];
  return col >= 1 && col <= static_cast<int>(r.size()) ? r[static_cast<std::size_t>(col - 1)] : std::string();
}

// A number as a sheet shows it, the decimal comma and the thousands' blanks taken; none: false.
bool ShownNumber(std::string text, double& value) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ' ') continue;
    if (text.compare(i, 2, "\xC2\xA0") == 0) {
      ++i;
      continue;
    }
    plain += text[i] == ',' ? '.' : text[i];
  }
  if (plain.empty()) return false;
  const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  return ec == std::errc() && end == plain.data() + plain.size();
}

// A text with its decimal commas as points and every kind of blank as a blank: how a text column may
// dress a number the sheet shows in the Russian way, which a case that allows either accepts.
std::string PlainNumberText(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s.substr(i, 2) == "\xC2\xA0" || s.substr(i, 3) == "\xE2\x80\xAF") {
      out += ' ';
      i += s[i] == '\xC2' ? 1 : 2;
    } else {
      out += s[i] == ',' ? '.' : s[i];
    }
  }
  return out;
}

std::string Trimmed(std::string_view s) {
  const auto blank = [](std::string_view t) { return t.starts_with(' ') || t.starts_with("\xC2\xA0") || t.starts_with('\t'); };
  const auto blankEnd = [](std::string_view t) { return t.ends_with(' ') || t.ends_with("\xC2\xA0") || t.ends_with('\t'); };
  while (blank(s)) s.remove_prefix(s[0] == ' ' || s[0] == '\t' ? 1 : 2);
  while (blankEnd(s)) s.remove_suffix(s.back() == ' ' || s.back() == '\t' ? 1 : 2);
  return std::string(s);
}

// ---- the corpus and its cases

fs::path CorpusDir() { return SourceDir() / ".." / "shared" / "testdata" / "workbooks"; }
fs::path SnapshotDir() { return SourceDir() / "tests" / "data" / "workbook_corpus"; }

struct TShownCell {
  int Row = 0, Col = 0;
  bool IsNumber = false;
  double Number = 0;
  std::string Text;
};

struct TCase {
  // Mode: xprom, xbyt or xtech; Want: exact, either or refuse, or "like" for a headed book, which must be
  // stored as the plain book Like is
  std::string Mode, Note, Want, Like;
  std::vector<TShownCell> Shown;
};

// One run of the corpus: a book, the mode its case names, and what LibreOffice shows of it.
struct TBook {
  std::string Id;  // "a/r_mdA_prom.xlsx", or "own/sheets/…" for the project's books, with the mode
  fs::path Path;
  std::string Mode;
  const TCase* Case = nullptr;  // none for the project's own books: their snapshot alone holds them
  fs::path Shown;
  std::string Producer, CaseName;  // "r", "lo", "lo97", "gn" or "gn8"; "mdA_prom"
};

std::map<std::string, TCase> ReadCases(const fs::path& file) {
  std::map<std::string, TCase> cases;
  const TJson all = TJsonReader(ReadBytes(file)).Read();
  for (const auto& [name, c] : all.Members) {
    TCase& to = cases[name];
    to.Mode = c.TextOf("mode"), to.Note = c.TextOf("note"), to.Want = c.TextOf("want");
    if (const TJson* shown = c.Find("shown"))
      for (const TJson& cell : shown->Items) {
        TShownCell s;
        s.Row = static_cast<int>(cell.Items.at(0).Value), s.Col = static_cast<int>(cell.Items.at(1).Value);
        s.IsNumber = cell.Items.at(2).Kind == TJson::Number;
        s.Number = cell.Items.at(2).Value, s.Text = cell.Items.at(2).String;
        to.Shown.push_back(s);
      }
  }
  return cases;
}

// ---- a run of the command, and its outcome as text

// The base the books name: the technical book measures two inputs and two feeders, which hold values
// of their own before (a value the book does not measure stays, and shows so).
const Rows kInputs = {{"ПС Заречная", "ПС Заречная Ввод 1", "", "", "5", "", "", "11", "12", "13", "14"},
                      {"ПС Южная", "ПС Южная Ввод 2", "", "", "5", "", "", "21", "22", "23", "24"}};
const Rows kFeeders = {{"ПС Заречная", "ЯЧ-3", "Ф-10", "", "", "5", "", "31", "32", "33", "34"},
                       {"ПС Южная", "ЯЧ-8", "Л-8 Первомайская", "", "", "5", "", "41", "42", "43", "44"}};

const std::vector<const char*>& ModeLayouts(const std::string& mode) {
  static const std::vector<const char*> prom = {LayoutMeterPoints}, byt = {LayoutHouseholds},
                                        tech = {LayoutSubstInputs, LayoutSubstFeeders};
  return mode == "xprom" ? prom : mode == "xbyt" ? byt : tech;
}

struct TOutcome {
  bool Taken = false;
  std::string Refusal;
  std::vector<std::string> Messages;
  std::vector<TDataFile> Tables;  // as the base holds them after the run, in the order of ModeLayouts
  bool BaseKept = true;           // refused: every table of the base as it was
};

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// A message with the book's and the base's places, which are this machine's, named by the book alone.
std::string LocalText(std::string text, const fs::path& book, const fs::path& base) {
  const std::string name = book.filename().string();
  text = Replaced(std::move(text), fs::absolute(book).lexically_normal().string(), name);
  text = Replaced(std::move(text), book.string(), name);
  return Replaced(std::move(text), base.string(), "<база>");
}

TOutcome RunBook(const TBook& book, const fs::path& dir) {
  const std::string stem = (dir / "Район").string();
  const auto& layouts = ModeLayouts(book.Mode);
  std::vector<std::string> files;
  for (const char* layout : layouts) {
    files.push_back(stem + GetMaketExtention(layout));
    fs::remove(files.back());
  }
  if (book.Mode == "xtech") {
    WriteRows(files[0], LayoutSubstInputs, kInputs);
    WriteRows(files[1], LayoutSubstFeeders, kFeeders);
  }
  std::vector<std::string> before;
  for (const std::string& f : files) before.push_back(ReadBytes(f));

  TSubscriberXlsRequest request;
  request.BaseStem = stem;
  const std::string path = book.Path.string();
  request.Prom = book.Mode == "xprom", request.Byt = book.Mode == "xbyt", request.Tech = book.Mode == "xtech";
  (request.Prom ? request.PathProm : request.Byt ? request.PathByt : request.PathTech) = path;
  TOutcome out;
  std::vector<std::string> info;
  try {
    ImportSubscriberBasesXls(request, info);
    out.Taken = true;
  } catch (const std::exception& e) {
    out.Refusal = e.what();
  }
  const auto local = [&](std::string text) { return LocalText(std::move(text), book.Path, dir); };
  out.Refusal = local(out.Refusal);
  for (std::string& line : info) out.Messages.push_back(local(std::move(line)));
  for (std::size_t i = 0; i < files.size(); ++i) {
    out.Tables.emplace_back();
    if (fs::exists(files[i])) ReadTableFile(files[i], out.Tables.back());
    if (!out.Taken && ReadBytes(files[i]) != before[i]) out.BaseKept = false;
  }
  return out;
}

// A stored cell as text that no locale changes: a number with every digit it holds (the shortest text
// that reads back to it), zero and an empty text as nothing.
std::string StoredText(const TDataFile& t, int row, int col) {
  char buf[64];
  const TDynamicArray* a = t.Columns[col].get();
  if (const auto* d = dynamic_cast<const DAdouble*>(a)) {
    const double v = d->Get(row);
    if (v == 0) return {};
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
  }
  if (const auto* f = dynamic_cast<const DAsingle*>(a)) {
    const float v = f->Get(row);
    if (v == 0) return {};
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
  }
  return GetCellText(t, row, col, true);
}

std::string StoredField(const TDataFile& t, int row, const char* field) {
  return StoredText(t, row, FindColumnIndex(field, t));
}

double StoredNumber(const TDataFile& t, int row, const char* field) {
  double v = 0;
  const std::string text = StoredField(t, row, field);
  if (!text.empty()) std::from_chars(text.data(), text.data() + text.size(), v);
  return v;
}

// Every row of a table, a line each: "BPA 1: NameTP=ТП-42; Ntr=Т1; …".
std::string RowsText(const TDataFile& t) {
  std::string text;
  for (int r = 1; r <= t.RowCount; ++r) {
    text += t.Extention.substr(1) + " " + std::to_string(r) + ":";
    for (int c = 1; c <= t.NCols; ++c)
      if (const std::string v = StoredText(t, r, c); !v.empty()) text += " " + t.FieldName[c] + "=" + v + ";";
    text += "\n";
  }
  return text;
}

std::string OutcomeText(const TBook& book, const TOutcome& out) {
  std::string text = "### " + book.Id + "\n";
  text += out.Taken ? "taken\n" : "refused: " + out.Refusal + "\n";
  for (const std::string& m : out.Messages) text += "message: " + m + "\n";
  if (!out.BaseKept) text += "THE BASE WAS CHANGED\n";
  if (out.Taken)
    for (const TDataFile& t : out.Tables) text += RowsText(t);
  return text;
}

// ---- the commands that measure the base from a workbook

// The readers of the program's list whose command is another than the subscriber books': each measures
// the tables of a base and must refuse a subscriber book by name, every table left as it was.
std::vector<const TSheetImport*> MeasuringReaders() {
  std::vector<const TSheetImport*> readers;
  for (const TSheetImport& reader : SheetImports())
    if (std::string_view(reader.Command) != kSubscriberBooksCommand) readers.push_back(&reader);
  return readers;
}

// The outcome of a book given to a measuring command over the program's sample base (the rows of each
// table it changed), whose tables are put back after the run; `fault` is set where a book of another kind
// (`ownKind` false) is taken, or where a refused book changed the base.
std::string MeasureOutcome(const TSheetImport& reader, const std::string& id, const fs::path& book, const fs::path& dir,
                           bool ownKind, std::string& fault) {
  const std::string stem = (dir / "Образец").string();
  std::vector<std::pair<std::string, std::string>> before;  // (file, bytes)
  for (const char* layout : reader.Layouts) {
    const std::string file = stem + GetMaketExtention(layout);
    before.emplace_back(file, ReadBytes(file));
  }
  std::vector<std::string> messages;
  std::string refusal;
  try {
    // the station measurements take loads in kW (type 2); the transformers' command, a tangent
    const double setting = std::string_view(reader.Name) == kStationMeasureSheet ? 2 : 0.4;
    MeasureBaseTables(stem, book.string(), reader.Layouts, [&](std::vector<TDataFile>& tables, const TSheetCells& cells) {
      return reader.Read(tables, cells, {&messages, setting, {}, {}, nullptr});
    });
  } catch (const std::exception& e) {
    // the book and the command are the run's name: the refusal is told by what follows them
    refusal = LocalText(e.what(), book, dir);
    refusal = Replaced(std::move(refusal), "Ошибка чтения файла \"" + book.filename().string() + "\": ", "");
    refusal = Replaced(std::move(refusal), "не подходит для команды \"" + std::string(reader.Command) + "\": ", "");
  }
  std::string text = "### " + id + " @ " + reader.Command + "\n" + (refusal.empty() ? "taken\n" : "refused: " + refusal + "\n");
  fault = refusal.empty() && !ownKind ? "taken by \"" + std::string(reader.Command) + "\"" : std::string();
  for (const std::string& m : messages) text += "message: " + LocalText(m, book, dir) + "\n";
  for (const auto& [file, bytes] : before)
    if (ReadBytes(file) != bytes) {
      if (!refusal.empty()) fault = "refused by \"" + std::string(reader.Command) + "\", but the base was changed";
      TDataFile changed;
      ReadTableFile(file, changed);
      text += RowsText(changed);
      WriteBytes(file, bytes);
    }
  return text;
}

// ---- what a case wants

std::string NumberText(double v) {
  char buf[64];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

// Whether a message names the cell: "B5" as a word, or its row and column ("строка 5, столбец 2").
bool NamesCell(const std::string& message, int row, int col) {
  std::string letters;
  for (int c = col; c > 0; c = (c - 1) / 26) letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
  const std::string ref = letters + std::to_string(row);
  for (std::size_t at = message.find(ref); at != std::string::npos; at = message.find(ref, at + 1)) {
    const bool startsWord = at == 0 || !std::isalnum(static_cast<unsigned char>(message[at - 1]));
    const std::size_t end = at + ref.size();
    if (startsWord && (end == message.size() || !std::isdigit(static_cast<unsigned char>(message[end])))) return true;
  }
  // "строка 3: не задан фидер (столбец 2)" names its cell too: the column told before another row is
  const std::string rowText = "строка " + std::to_string(row), colText = "столбец " + std::to_string(col);
  const auto wordEnds = [&](std::size_t end) {
    return end == message.size() || !std::isdigit(static_cast<unsigned char>(message[end]));
  };
  for (std::size_t at = message.find(rowText); at != std::string::npos; at = message.find(rowText, at + 1)) {
    if (!wordEnds(at + rowText.size())) continue;
    const std::size_t next = message.find("строка ", at + rowText.size());
    for (std::size_t c = message.find(colText, at); c < next; c = message.find(colText, c + 1))
      if (wordEnds(c + colText.size())) return true;
  }
  return false;
}

// The cells a note names ("True in B5", "H3:H4 merged down"), as (row, column).
std::vector<std::pair<int, int>> NoteCells(const std::string& note) {
  std::vector<std::pair<int, int>> cells;
  for (std::size_t i = 0; i < note.size(); ++i) {
    if (note[i] < 'A' || note[i] > 'Z' || (i > 0 && std::isalnum(static_cast<unsigned char>(note[i - 1])))) continue;
    std::size_t j = i;
    int col = 0;
    while (j < note.size() && note[j] >= 'A' && note[j] <= 'Z' && j - i < 2) col = col * 26 + (note[j++] - 'A' + 1);
    int row = 0;
    const std::size_t digits = j;
    while (j < note.size() && std::isdigit(static_cast<unsigned char>(note[j]))) row = row * 10 + (note[j++] - '0');
    if (j > digits && (j == note.size() || !std::isalnum(static_cast<unsigned char>(note[j])))) cells.emplace_back(row, col);
  }
  return cells;
}

// What a note says the cell holds before its format dresses it ("B7 = 77 under …"): the import's own
// rule may take that value instead of the text shown.
std::string NoteValue(const std::string& note) {
  const std::size_t eq = note.find(" = ");
  if (eq == std::string::npos) return {};
  std::string v = note.substr(eq + 3);
  for (const char* stop : {" under ", ": shown", " (", ":"})
    if (const std::size_t at = v.find(stop); at != std::string::npos) v.resize(at);
  if (v.size() >= 2 && v.front() == '\'' && v.back() == '\'') v = v.substr(1, v.size() - 2);
  return v;
}

bool SameNumber(const TDataFile& t, int row, const char* field, double want) {
  const int col = FindColumnIndex(field, t);
  if (t.ColType[col] == 'f') return static_cast<float>(StoredNumber(t, row, field)) == static_cast<float>(want);
  return StoredNumber(t, row, field) == want;
}

// The stored rows that show a sheet's row: those that agree best with the other cells LibreOffice shows
// of it (an industrial point by its subscriber, point, meter and energy; a households feeder by its
// station, count and energy; a technical row by its name); empty when none agrees on most of them.
std::vector<int> RowsShowing(const TBook& book, const TOutcome& out, const TGrid& shown, int row, int col) {
  const TDataFile& t = out.Tables.front();
  std::vector<std::pair<int, std::function<bool(int)>>> keys;  // (sheet column, whether stored row r agrees)
  const auto text = [&](int c, const char* field) {
    keys.emplace_back(c, [&, c, field](int r) { return StoredField(t, r, field) == Trimmed(GridCell(shown, row, c)); });
  };
  const auto number = [&](int c, const char* field) {
    keys.emplace_back(c, [&, c, field](int r) {
      double v = 0;
      return ShownNumber(GridCell(shown, row, c), v) && std::fabs(StoredNumber(t, r, field) - v) <= 0.5 + 1e-9 * std::fabs(v);
    });
  };
  if (book.Mode == "xprom") {
    text(3, "Abonent"), text(4, "NamePoint"), text(9, "NumCounter"), number(13, "W");
  } else if (book.Mode == "xbyt") {
    std::string station;
    for (int r = row - 1; r >= 1 && station.empty(); --r)
      if (const std::string s = Trimmed(GridCell(shown, r, 1)); !s.empty() && !IsFeederNumber(s)) station = UpperCase(s);
    keys.emplace_back(1, [&, station](int r) { return StoredField(t, r, "NameTP") == station; });
    number(3, "CountAb"), number(4, "W");
  } else {
    return {};
  }
  std::erase_if(keys, [&](const auto& k) { return k.first == col; });
  std::vector<int> best;
  std::size_t bestScore = 0;
  for (int r = 1; r <= t.RowCount; ++r) {
    std::size_t score = 0;
    for (const auto& k : keys) score += k.second(r);
    if (score > bestScore) best.clear(), bestScore = score;
    if (score == bestScore) best.push_back(r);
  }
  return bestScore + 1 >= keys.size() && bestScore > 0 ? best : std::vector<int>{};
}

// The technical row of a name: the input or feeder of the base the book's row measures.
std::pair<const TDataFile*, int> MeasuredRow(const TOutcome& out, const TGrid& shown, const TShownCell& cell) {
  // a name merged down shows in its first row alone
  const std::string name = UpperCase(Trimmed(cell.Col == 1 ? cell.Text : GridCell(shown, cell.Row, 1)));
  for (std::size_t i = 0; i < out.Tables.size(); ++i)
    for (int r = 1; r <= out.Tables[i].RowCount; ++r)
      if (UpperCase(StoredField(out.Tables[i], r, i == 0 ? "NamePS" : "Line")) == name) return {&out.Tables[i], r};
  return {nullptr, 0};
}

// Whether stored row r of the table shows the case's cell as `want` says: its fields for that sheet
// column equal the shown text (a number compared as a number), or, where the case allows it, the value
// the note says the cell holds. Empty when so, otherwise what is stored instead.
std::string CellMismatch(const TBook& book, const TDataFile& t, int r, const TShownCell& cell, bool either) {
  const std::string noteValue = either ? NoteValue(book.Case->Note) : std::string();
  // a text compared as the import stores it (`dress`: a households feeder's number gets its letter)
  const auto textField = [&](const std::string& stored, const std::string& want,
                             std::string (*dress)(std::string_view) = nullptr) -> std::string {
    const auto dressed = [&](const std::string& s) { return dress ? dress(Trimmed(s)) : s; };
    if (stored == dressed(want) ||
        (either && (Trimmed(stored) == Trimmed(want) || PlainNumberText(stored) == PlainNumberText(want) ||
                    (!noteValue.empty() && stored == dressed(noteValue)))))
      return {};
    return "\"" + stored + "\"";
  };
  const std::string want = cell.IsNumber ? NumberText(cell.Number) : cell.Text;
  const auto numberField = [&](const char* field) -> std::string {
    double noted = 0;
    if (cell.IsNumber && SameNumber(t, r, field, cell.Number)) return {};
    if (!cell.IsNumber && ShownNumber(cell.Text, noted) && SameNumber(t, r, field, noted)) return {};
    if (either && ShownNumber(noteValue, noted) && SameNumber(t, r, field, noted)) return {};
    return StoredField(t, r, field).empty() ? "0" : StoredField(t, r, field);
  };
  if (book.Mode == "xtech") {
    static const char* const kEnergies[] = {"P", "Q", "Pm", "Qm"};
    return cell.Col >= 2 && cell.Col <= 5 ? numberField(kEnergies[cell.Col - 2]) : std::string();
  }
  if (book.Mode == "xbyt") {
    switch (cell.Col) {
      case 1: return {};
      case 2: return textField(StoredField(t, r, "Fider"), want, HouseholdsFeeder);
      case 3: return numberField("CountAb");
      default: return numberField("W");
    }
  }
  switch (cell.Col) {
    case 1: return {};
    case 2: return textField(StoredField(t, r, "Ndog"), want);
    case 3: return textField(StoredField(t, r, "Abonent"), want);
    case 4: return textField(StoredField(t, r, "NamePoint"), want);
    case 5: return textField(StoredField(t, r, "Address"), want);
    case 6: {
      std::string path = StoredField(t, r, "NameTP");
      for (const char* part : {"Ntr", "Fider"})
        if (const std::string p = StoredField(t, r, part); !p.empty()) path += "." + p;
      return textField(path, UpperCase(want));
    }
    case 7: return textField(StoredField(t, r, "WorkTime"), want);
    case 8: return numberField("Praz");
    case 9: return textField(StoredField(t, r, "NumCounter"), want);
    case 10: return textField(StoredField(t, r, "MarkCounter"), want);
    case 11: return numberField("Koef");
    case 12: {
      static const std::map<std::string, std::string> kKinds = {{"АЕ ген.", ""}, {"АЕ спож.", "1"}, {"РЕ спож.", "2"}, {"РЕ ген.", "3"}};
      const auto kind = kKinds.find(want);
      return kind != kKinds.end() && StoredField(t, r, "TypCounter") == kind->second ? std::string()
                                                                                     : "вид " + StoredField(t, r, "TypCounter");
    }
    case 13: return numberField("W");
    case 14: {
      const double part = StoredNumber(t, r, "Wt") + StoredNumber(t, r, "Wl");
      return part == (cell.IsNumber ? cell.Number : 0) ? std::string() : NumberText(part);
    }
    default: return {};
  }
}

// Cases whose fault is the stale value its producer wrote for a formula: the book saved again by
// LibreOffice or gnumeric holds the value recalculated, as the refusal's advice asks, and may be taken.
const std::set<std::string> kStaleValueCases = {"xwfv_byt", "xwdyn_byt", "xwarr_prom"};

// Empty when the outcome is what the case wants; otherwise why not, in a line.
std::string WantFault(const TBook& book, const TOutcome& out) {
  TCase c = *book.Case;
  if (c.Want == "refuse" && book.Producer != "r" && kStaleValueCases.count(book.CaseName)) c.Want = "either";
  std::vector<std::pair<int, int>> named = NoteCells(c.Note);
  for (const TShownCell& s : c.Shown) named.emplace_back(s.Row, s.Col);
  const auto namesCell = [&](const std::string& message) {
    if (named.empty()) return message.find("ячейка ") != std::string::npos || message.find("строка ") != std::string::npos;
    return std::any_of(named.begin(), named.end(), [&](const auto& rc) { return NamesCell(message, rc.first, rc.second); });
  };
  // a book whose data stand on another sheet may be refused by the sheet it names, where its note says so
  const bool bySheet = named.empty() && c.Note.find("sheet") != std::string::npos;
  const auto refusedByCell = [&] { return namesCell(out.Refusal) || (bySheet && out.Refusal.find("лист ") != std::string::npos); };
  if (!out.Taken && !out.BaseKept) return "refused, but the base was changed";
  if (c.Want == "refuse") {
    if (!out.Taken) return refusedByCell() ? std::string() : "refused without naming the cell: " + out.Refusal;
    for (const std::string& m : out.Messages)
      if (namesCell(m)) return "taken, the cell named among the messages alone: " + m;
    return "taken, where the case wants it refused naming the cell";
  }
  if (!out.Taken) {
    if (c.Want == "either" && refusedByCell()) return {};
    return "refused: " + out.Refusal;
  }
  const TGrid shown = ReadShownCsv(book.Shown);
  std::string faults;
  // a case that names no cell wants the whole sheet: every row of data LibreOffice shows is stored
  if (c.Shown.empty())
    for (int r = 1; r <= static_cast<int>(shown.size()); ++r) {
      const std::string key = Trimmed(GridCell(shown, r, 1));
      bool found = true;
      if (book.Mode == "xtech") {
        double shownP = 0;
        TShownCell energy;
        energy.Row = r, energy.Col = 2;
        const auto [t, i] = MeasuredRow(out, shown, energy);
        if (t && ShownNumber(GridCell(shown, r, 2), shownP))
          found = std::fabs(StoredNumber(*t, i, "P") - shownP) <= 0.5 + 1e-9 * std::fabs(shownP);
      } else if (book.Mode == "xprom" ? IsRowNumberText(key) && !key.empty() : IsFeederNumber(key)) {
        found = !RowsShowing(book, out, shown, r, 0).empty();
      }
      if (!found) faults += (faults.empty() ? "R" : "; R") + std::to_string(r) + ": the sheet's row is not among the stored rows";
    }
  for (const TShownCell& cell : c.Shown) {
    if (!cell.IsNumber && cell.Text == "DROP") continue;  // the row may go or stay, as the note says
    const std::string at = "R" + std::to_string(cell.Row) + "C" + std::to_string(cell.Col);
    std::vector<std::pair<const TDataFile*, int>> rows;
    if (book.Mode == "xtech") {
      if (const auto m = MeasuredRow(out, shown, cell); m.first) rows.push_back(m);
    } else if (book.Mode == "xbyt" && cell.Col == 1 && !cell.IsNumber && !IsFeederNumber(Trimmed(cell.Text))) {
      const TDataFile& t = out.Tables.front();
      bool found = false;
      for (int r = 1; r <= t.RowCount && !found; ++r) found = StoredField(t, r, "NameTP") == UpperCase(Trimmed(cell.Text));
      if (!found) faults += (faults.empty() ? "" : "; ") + at + ": no station \"" + cell.Text + "\" stored";
      continue;
    } else {
      for (const int r : RowsShowing(book, out, shown, cell.Row, cell.Col)) rows.emplace_back(&out.Tables.front(), r);
    }
    if (rows.empty()) {
      faults += (faults.empty() ? "" : "; ") + at + ": the sheet's row is not among the stored rows";
      continue;
    }
    std::string stored;
    for (const auto& [t, r] : rows) {
      const std::string mismatch = CellMismatch(book, *t, r, cell, c.Want == "either");
      if (mismatch.empty()) {
        stored.clear();
        break;
      }
      stored = mismatch;
    }
    if (stored.empty()) continue;
    const auto told = std::find_if(out.Messages.begin(), out.Messages.end(),
                                   [&](const std::string& m) { return NamesCell(m, cell.Row, cell.Col); });
    faults += (faults.empty() ? "" : "; ") + at +
              (told != out.Messages.end() ? ": not read, named among the messages alone: " + *told
                                          : ": stored " + stored + " where the sheet shows \"" +
                                                (cell.IsNumber ? NumberText(cell.Number) : cell.Text) + "\"");
  }
  return faults;
}

// ---- the books, the snapshot and the list of today's faults

std::vector<TBook> CorpusBooks(std::map<std::string, std::map<std::string, TCase>>& cases) {
  std::vector<TBook> books;
  for (const char* set : {"a", "b", "c"}) {
    const fs::path dir = CorpusDir() / set;
    cases[set] = ReadCases(dir / "cases.json");
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(dir / "books")) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
      const std::string stem = file.stem().string();
      const std::size_t bar = stem.find('_');
      const auto c = cases[set].find(stem.substr(bar + 1));
      if (c == cases[set].end()) continue;
      fs::path shown = dir / "shown" / (stem + ".csv");
      if (!fs::exists(shown)) shown = dir / "shown" / ("r_" + stem.substr(bar + 1) + ".csv");
      books.push_back({std::string(set) + "/" + file.filename().string(), file, c->second.Mode, &c->second, shown,
                       stem.substr(0, bar), c->first});
    }
  }
  return books;
}

// The project's own workbooks of these imports, each given to the command as each of its three books:
// the test data's and those the program writes itself as the inputs of its commands (into `written`).
std::vector<TBook> OwnBooks(const fs::path& written) {
  set_inputs::PrepareSubscriberBooks(written.string());
  set_inputs::WriteMeteringBooks(written.string(), 1);
  std::vector<TBook> books;
  for (const fs::path& folder : {TestDataDir() / "sheets", TestDataDir() / "subscriber_sheets", written}) {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(folder))
      if (const std::string ext = e.path().extension().string(); ext == ".xls" || ext == ".xlsx" || ext == ".ods")
        files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files)
      for (const char* mode : {"xprom", "xbyt", "xtech"})
        books.push_back({"own/" + (folder == written ? std::string("written") : folder.filename().string()) + "/" +
                             file.filename().string() + " " + mode,
                         file, mode, nullptr, {}, {}, {}});
  }
  return books;
}

// ---- the headings, titles and rows people write over a book

// A plain book of each kind, and the same data under the headings, titles, units and column numbers that
// district offices write over it; each headed book must be stored as its plain book is. A cell that reads
// whole as a number (and has no leading zero) is written as a number.
struct THeaded {
  const char* Name;
  const char* Mode;
  std::function<void(TGrid&)> Change;
};

const TGrid kPlainIndustrial = {
    {"Ведомость промышленных абонентов"},
    {"№", "Договор", "Абонент", "Точка учета", "Адрес", "ТП", "Режим", "P, кВт", "№ счетчика", "Тип", "Ксч", "Вид",
     "W, кВт*ч", "Потери, кВт*ч"},
    {"1", "1025", "ООО \"Агрофирма Заречье\"", "Цех №1", "ул. Мира, 1", "ТП-42.Т1.Л-8", "8-17", "150.5",
     "011070123456789", "ЦЭ6803В", "40", "АЕ спож.", "2750.25", "4.75"},
    {"2", "77", "ИП Щукин", "Магазин", "ул. Ленина, 3", "ЗТП-115.Т2", "", "12.25", "0805", "", "1.5", "РЕ спож.", "0.001", "2.5"}};
const TGrid kPlainHouseholds = {{"ТП-42"}, {"1", "8", "125", "2750.25"}, {"2", "8а", "40", "9800"}, {"КТП 7"}, {"1", "1", "3", "0.5"}};
const TGrid kPlainTechnical = {{"Наименование", "Wп прием", "Wq прием", "Wп отдача", "Wq отдача"},
                               {"ПС Заречная Ввод 1", "1825200", "512000.5", "0", "0"},
                               {"ПС Южная Ввод 2", "727200.25", "0", "1500", "0"},
                               {"Ф-10", "2750.25", "1200.75", "0", "0"},
                               {"Л-8 Первомайская", "99999999.99", "0", "0", "0"}};

const TGrid& PlainGrid(const std::string& mode) {
  return mode == "xprom" ? kPlainIndustrial : mode == "xbyt" ? kPlainHouseholds : kPlainTechnical;
}

// The caption the program gives a field in its layout, as its grid shows it over the column.
std::string LayoutCaption(const char* layout, const char* field) {
  TDataFile t;
  ReadMaket(layout, t);
  return t.ColTitle[FindColumnIndex(field, t)];
}

std::vector<THeaded> HeadedBooks() {
  const auto heading = [](std::size_t row, std::size_t col, std::string text) {
    return [=](TGrid& g) {
      auto& cells = g[row - 1];
      cells.resize(std::max(cells.size(), col));
      cells[col - 1] = text;
    };
  };
  const auto above = [](TGrid rows) { return [=](TGrid& g) { g.insert(g.begin(), rows.begin(), rows.end()); }; };
  const auto below = [](int row, std::vector<std::string> cells) {
    return [=](TGrid& g) { g.insert(g.begin() + row, cells); };
  };
  const TGrid approval = {{"", "", "", "УТВЕРЖДАЮ"}, {"", "", "", "Главный инженер РЭС"}, {"", "", "", "____________ И.И. Иванов"},
                          {"", "", "", "30.11.2026"}};
  std::vector<THeaded> books = {
      // the industrial book: the program's own captions, the symbols with their indices, periods in an
      // energy heading, title rows, units, column numbers, wrapped headings, a remarks column
      {"prom_own_captions", "xprom",
       [](TGrid& g) {
         const std::pair<int, const char*> fields[] = {{2, "Ndog"}, {3, "Abonent"}, {4, "NamePoint"}, {5, "Address"},
                                                       {7, "WorkTime"}, {8, "Praz"}, {9, "NumCounter"}, {10, "MarkCounter"},
                                                       {11, "Koef"}, {13, "W"}, {14, "Wt"}};
         for (const auto& [col, field] : fields) g[1][col - 1] = LayoutCaption(LayoutMeterPoints, field);
       }},
      {"prom_P_latin", "xprom", heading(2, 8, "Pразр")},
      {"prom_P_cyrillic", "xprom", heading(2, 8, "Рразр")},
      {"prom_P_dot", "xprom", heading(2, 8, "Pразр.")},
      {"prom_P_max", "xprom", heading(2, 8, "Pmax, кВт")},
      {"prom_K_rasch", "xprom", heading(2, 11, "Красч")},
      {"prom_K_space", "xprom", heading(2, 11, "К расч.")},
      {"prom_K_dot", "xprom", heading(2, 11, "Красч.")},
      {"prom_K_r", "xprom", heading(2, 11, "Кр")},
      {"prom_K_t", "xprom", heading(2, 11, "Кт")},
      {"prom_K_tr", "xprom", heading(2, 11, "Ктр")},
      {"prom_dW", "xprom", heading(2, 14, "dW")},
      {"prom_Wpot", "xprom", heading(2, 14, "Wпот")},
      {"prom_delta_W", "xprom", heading(2, 14, "ΔW")},
      {"prom_W_month_year", "xprom", heading(2, 13, "Потребление за ноябрь 2026 года, кВт*ч")},
      {"prom_W_year", "xprom", heading(2, 13, "Потребление за 2026 год, кВт*ч")},
      {"prom_W_quarter", "xprom", heading(2, 13, "Потребление за 4 кв., кВт*ч")},
      {"prom_W_count_of", "xprom", heading(2, 13, "Кол-во кВт*ч")},
      {"prom_wrapped", "xprom", heading(2, 13, "W,\nкВт*ч")},
      {"prom_title_date", "xprom", heading(1, 12, "Дата: 30.11.2026")},
      {"prom_title_period", "xprom", heading(1, 1, "Ведомость промышленных абонентов за декабрь 2026")},
      {"prom_approval", "xprom", above(approval)},
      {"prom_units", "xprom", below(2, {"", "", "", "", "", "", "", "кВт", "", "", "", "", "кВт*ч", "кВт*ч"})},
      {"prom_column_numbers", "xprom", below(2, {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14"})},
      {"prom_remarks", "xprom", [](TGrid& g) { g[1].push_back("Примечание"), g[2].resize(15), g[2][14] = "новый"; }},
      // the households book, which its format leaves without headings: headings people write over it
      {"byt_headings", "xbyt", above({{"№", "Фидер", "Кол-во абонентов", "Потребление, кВт*ч"}})},
      {"byt_accounts", "xbyt", above({{"№", "Фидер", "Число лицевых счетов", "Потребление, кВт*ч"}})},
      {"byt_accounts_short", "xbyt", above({{"№", "Фидер", "Кол-во л/с", "Потребление, кВт*ч"}})},
      {"byt_consumers", "xbyt", above({{"№", "Фидер", "Кол-во потребителей", "Потребление, кВт*ч"}})},
      {"byt_W_month_year", "xbyt", above({{"№", "Фидер", "Абоненты", "Потребление за ноябрь 2026 года, кВт*ч"}})},
      {"byt_W_year", "xbyt", above({{"№", "Фидер", "Абоненты", "Потребление за 2026 год, кВт*ч"}})},
      {"byt_wrapped", "xbyt", above({{"№", "Фидер", "Кол-во\nабонентов", "Потребление,\nкВт*ч"}})},
      {"byt_title_date", "xbyt", above({{"Бытовые абоненты", "", "", "Дата: 30.11.2026"}, {"№", "Фидер", "Абоненты", "W, кВт*ч"}})},
      {"byt_title_period", "xbyt", above({{"Бытовые абоненты за декабрь 2026"}, {"№", "Фидер", "Абоненты", "W, кВт*ч"}})},
      {"byt_approval", "xbyt", above(approval)},
      {"byt_column_numbers", "xbyt", above({{"№", "Фидер", "Абоненты", "W, кВт*ч"}, {"1", "2", "3", "4"}})},
      {"byt_units", "xbyt", above({{"№", "Фидер", "Абоненты", "W"}, {"", "", "абон.", "кВт*ч"}})},
      // the technical book: the meters' notation, the program's captions, titles, units, a second block
      {"tech_meter_signs", "xtech", [](TGrid& g) { g[0] = {"Наименование", "A+", "R+", "A-", "R-"}; }},
      {"tech_meter_units", "xtech", [](TGrid& g) { g[0] = {"Наименование", "A+, кВт·ч", "R+, квар·ч", "A-, кВт·ч", "R-, квар·ч"}; }},
      {"tech_E_letters", "xtech", [](TGrid& g) { g[0] = {"Наименование", "Эа прием", "Эр прием", "Эа отдача", "Эр отдача"}; }},
      {"tech_W_indices", "xtech", [](TGrid& g) { g[0] = {"Наименование", "Wа, кВт·ч", "Wр, квар·ч", "Wа отд., кВт·ч", "Wр отд., квар·ч"}; }},
      {"tech_own_captions", "xtech",
       [](TGrid& g) {
         const char* fields[] = {"P", "Q", "Pm", "Qm"};
         for (int c = 0; c < 4; ++c) g[0][static_cast<std::size_t>(c + 1)] = LayoutCaption(LayoutSubstInputs, fields[c]);
       }},
      {"tech_wrapped", "xtech", heading(1, 2, "Wп\nприем")},
      {"tech_title_date", "xtech", above({{"Технический учет", "Дата: 30.11.2026"}})},
      {"tech_title_month", "xtech", above({{"", "ноябрь 2026 г."}})},
      {"tech_label_value", "xtech", above({{"Подстанция:", "Северная"}})},
      {"tech_approval", "xtech", above(approval)},
      {"tech_units", "xtech", below(1, {"", "кВт*ч", "квар*ч", "кВт*ч", "квар*ч"})},
      {"tech_last_month_below", "xtech",
       [](TGrid& g) {
         const TGrid plain = g;
         g.push_back({}), g.push_back({"Прошлый месяц"});
         g.push_back(plain[0]);
         g.push_back({"ПС Заречная Ввод 1", "1000", "1", "1", "1"});
       }},
  };
  return books;
}

void WriteGridBook(const fs::path& path, const TGrid& grid) {
  lxw_workbook* book = workbook_new(path.string().c_str());
  ASSERT_NE(book, nullptr);
  lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
  for (std::size_t r = 0; r < grid.size(); ++r)
    for (std::size_t c = 0; c < grid[r].size(); ++c) {
      const std::string& text = grid[r][c];
      double number = 0;
      const bool leadingZero = text.size() > 1 && text[0] == '0' && text[1] != '.';
      const auto row = static_cast<lxw_row_t>(r);
      const auto col = static_cast<lxw_col_t>(c);
      if (text.empty()) continue;
      if (!leadingZero && text.find(',') == std::string::npos && ShownNumber(text, number))
        worksheet_write_number(sheet, row, col, number, nullptr);
      else
        worksheet_write_string(sheet, row, col, text.c_str(), nullptr);
    }
  ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
}

// The plain books and the headed ones, written into `folder`, each with its case (kept in `cases`).
std::vector<TBook> HeadedCorpus(const fs::path& folder, std::map<std::string, TCase>& cases) {
  std::vector<TBook> books;
  const auto add = [&](const std::string& name, const std::string& mode, const TGrid& grid, const std::string& like) {
    const fs::path path = folder / (name + ".xlsx");
    WriteGridBook(path, grid);
    TCase& c = cases[name];
    c.Mode = mode, c.Want = like.empty() ? "exact" : "like", c.Like = like, c.Note = name;
    books.push_back({"headed/" + name + ".xlsx", path, mode, &c, {}, "r", name});
  };
  for (const char* mode : {"xprom", "xbyt", "xtech"}) add(std::string("plain_") + mode, mode, PlainGrid(mode), "");
  for (const THeaded& h : HeadedBooks()) {
    TGrid grid = PlainGrid(h.Mode);
    h.Change(grid);
    add(h.Name, h.Mode, grid, "headed/plain_" + std::string(h.Mode) + ".xlsx");
  }
  return books;
}

// Empty when a headed book is stored as its plain book is; otherwise the first row that differs.
std::string LikeFault(const TOutcome& out, const std::string& plainRows) {
  if (!out.Taken) return "refused: " + out.Refusal;
  std::string rows;
  for (const TDataFile& t : out.Tables) rows += RowsText(t);
  if (rows == plainRows) return {};
  std::istringstream a(rows), b(plainRows);
  std::string x, y;
  while (std::getline(a, x) && std::getline(b, y) && x == y) {
  }
  return "stored \"" + x + "\" where the plain book stores \"" + y + "\"";
}

TEST(WorkbookCorpus, EveryBookReadAsBeforeAndAsItsCaseWants) {
  if (!fs::exists(CorpusDir() / "a" / "cases.json"))
    GTEST_SKIP() << "the workbook corpus is not beside the source tree: " << CorpusDir();
  TempDir dir;
  WriteLayoutSubset(dir.Path() / "maket.zr",
                    {LayoutMeterPoints, LayoutHouseholds, LayoutSubstInputs, LayoutSubstFeeders, LayoutTransTP});
  MaketFileName = (dir.Path() / "maket.zr").string();
  const fs::path base = dir.Path() / "base", sample = dir.Path() / "sample", written = dir.Path() / "written";
  for (const fs::path& d : {base, sample, written}) fs::create_directory(d);
  CopyDataFiles(sample, [](const std::string& name) { return name.rfind("Образец.", 0) == 0; });

  std::map<std::string, std::map<std::string, TCase>> cases;
  std::vector<TBook> books = CorpusBooks(cases);
  for (TBook& own : OwnBooks(written)) books.push_back(std::move(own));
  std::map<std::string, TCase> headedCases;
  fs::create_directory(dir.Path() / "headed");
  for (TBook& headed : HeadedCorpus(dir.Path() / "headed", headedCases)) books.push_back(std::move(headed));
  std::map<std::string, std::string> storedRows;  // of each book taken, for the headed books that are like it
  const std::vector<const TSheetImport*> measuring = MeasuringReaders();

  // the subscriber command's outcomes, and apart from them the measuring commands' refusals
  const std::string snapshotFile = (SnapshotDir() / "outcomes.txt").string(),
                    measuringFile = (SnapshotDir() / "other_commands.txt").string(),
                    faultsFile = (SnapshotDir() / "known_faults.txt").string();
  std::map<std::string, std::string> was = SnapshotBlocks(ReadBytes(snapshotFile));
  was.merge(SnapshotBlocks(ReadBytes(measuringFile)));
  const std::map<std::string, std::string> known = CaseList(ReadBytes(faultsFile));
  std::string snapshot, measuringSnapshot, faultList, changed, wantFaults, mended;
  int changedCount = 0;
  std::set<std::string> seen;
  // one run's outcome against the snapshot, and what it misses against the list of today's faults
  const auto record = [&](const std::string& id, const std::string& text, const std::string& fault, const std::string& wanted) {
    (id.find(" @ ") == std::string::npos ? snapshot : measuringSnapshot) += text;
    seen.insert(id);
    if (const auto w = was.find(id); (w == was.end() || w->second != text) && ++changedCount <= 40)
      changed += id + (w == was.end() ? " (not in the snapshot)\n" + text : "\n" + BlockDiff(w->second, text));
    if (!fault.empty()) faultList += id + "\t" + fault + "\n";
    if (const auto listed = known.find(id); listed == known.end()) {
      if (!fault.empty()) wantFaults += id + " (" + wanted + "): " + fault + "\n";
    } else if (fault.empty()) {
      mended += id + " no longer fails: remove it from the list\n";
    } else if (listed->second != fault) {
      mended += id + " fails otherwise now: " + fault + "\n  (listed: " + listed->second + ")\n";
    }
  };
  for (const TBook& book : books) {
    const TOutcome out = RunBook(book, base);
    if (out.Taken)
      for (const TDataFile& t : out.Tables) storedRows[book.Id] += RowsText(t);
    const std::string fault = !book.Case                 ? std::string()
                              : book.Case->Want == "like" ? LikeFault(out, storedRows[book.Case->Like])
                                                          : WantFault(book, out);
    record(book.Id, OutcomeText(book, out), fault.empty() ? fault : book.Mode + ": " + fault,
           book.Case ? book.Case->Want + ", " + book.Case->Note : std::string());
    // a corpus book is of another kind for every command that measures the base; the project's own books
    // (once each) are measurements among others, whose outcome the snapshot holds
    if (!book.Case && book.Mode != "xprom") continue;
    const std::string id = book.Case ? book.Id : book.Id.substr(0, book.Id.size() - book.Mode.size() - 1);
    for (const TSheetImport* reader : measuring) {
      std::string crossFault;
      const std::string text = MeasureOutcome(*reader, id, book.Path, sample, !book.Case, crossFault);
      record(id + " @ " + reader->Command, text, crossFault, "refused by name, nothing changed");
    }
  }
  for (const auto& [id, block] : was)
    if (!seen.count(id) && ++changedCount <= 40) changed += id + " (in the snapshot, no longer run)\n";

  if (const char* write = std::getenv("LD_CORPUS_WRITE"); write && std::string(write) == "1") {
    fs::create_directories(SnapshotDir());
    WriteBytes(snapshotFile, snapshot);
    WriteBytes(measuringFile, measuringSnapshot);
    WriteBytes(faultsFile,
               "# The corpus books that miss what their case wants today, each with why: written with the\n"
               "# snapshot (LD_CORPUS_WRITE=1); a book mended leaves it.\n" + faultList);
    std::cout << "written " << snapshotFile << ", " << measuringFile << " and " << faultsFile << "\n";
    return;
  }
  // told as plain text: a book's name and its Russian messages as they are, not as escaped bytes
  if (changedCount > 0)
    ADD_FAILURE() << changedCount << " books' outcomes differ from " << snapshotFile << " or " << measuringFile
                  << " (the first 40 below); where the change is meant, run the test with LD_CORPUS_WRITE=1 and show "
                     "the snapshot's diff:\n"
                  << changed;
  if (!wantFaults.empty()) ADD_FAILURE() << "books that miss what their case wants, not in " << faultsFile << ":\n" << wantFaults;
  if (!mended.empty()) ADD_FAILURE() << "books of " << faultsFile << " that fail no longer, or otherwise:\n" << mended;
}

}  // namespace
}  // namespace ld::test
