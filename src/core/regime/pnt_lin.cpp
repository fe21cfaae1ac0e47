// The PNT/LIN exchange files.
#include "core/regime/pnt_lin.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <unordered_set>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/file_replace.h"
#include "core/base/numfmt.h"
#include "core/base/outside_value.h"
#include "core/base/strings.h"
#include "core/base/text_lines.h"
#include "core/tables/colmaps.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_import.h"
#include "core/tables/file_io.h"
#include "core/tables/table_ops.h"
#include "core/tables/table_run.h"

namespace ld {

namespace {

// Commutation letters and node signs as the tables hold them (Windows-1251 bytes).
constexpr unsigned char kN = 0xCD, kK = 0xCA, kO = 0xCE, kP = 0xCF;

unsigned char Upper1251(char c) {
  const int code = Cp1251Code(UpperChar(Cp1251Char(static_cast<unsigned char>(c))));
  return code < 0 ? static_cast<unsigned char>(c) : static_cast<unsigned char>(code);
}

int CommutCode(char commut, std::uint8_t mark) {
  if (mark == 112) return 3;
  switch (Upper1251(commut)) {
    case kN: return 1;
    case kK: return 2;
    case kO:
    case kP: return 3;
    default: return 0;
  }
}

// One written column: its width and decimals from the layout.
struct TFieldFormat {
  int Width = 0, Digits = 0;
};

TFieldFormat FormatOf(const TDataFile& table, const char* field) {
  const int col = FindColumnIndex(field, table);
  return {table.CtrlSize[col], table.FltDigit[col]};
}

bool IsAscii(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// Composes one line: fields right-aligned to their column widths, joined by one blank. The formats are
// looked up once per file, not once per value.
class TLineWriter {
public:
  explicit TLineWriter(const TDataFile& table) : table_(table) {}
  TFieldFormat Format(const char* field) const { return FormatOf(table_, field); }
  void Header(const char* name, const char* field) { Add(PadLeft(name, FormatOf(table_, field).Width)); }
  void Number(const TFieldFormat& f, double value) { Add(FormatFixedWidth(f.Digits, f.Width, value)); }
  void Single(const TFieldFormat& f, float value) { Number(f, SingleToDouble(value)); }
  void Integer(const TFieldFormat& f, long long value) { Add(PadLeft(std::to_string(value), f.Width)); }
  void Raw(const std::string& text) { line_ += text; }
  // The decimal separator of every number is "." whatever produced it.
  void TakeInto(std::string& out) {
    for (char& c : line_)
      if (c == ',') c = '.';
    out += IsAscii(line_) ? line_ : Utf8ToCp1251(line_);
    out += "\r\n";
    line_.clear();
  }

private:
  void Add(const std::string& text) {
    if (!line_.empty()) line_ += ' ';
    line_ += text;
  }
  const TDataFile& table_;
  std::string line_;
};

// A control character (a tab aside) is in no line of these text files, but in every binary file read
// under their names; the fields around it would be quoted cut at the first zero byte.
void RefuseControls(const std::string& line) {
  for (const char c : line)
    if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == '\x7F')
      throw Error("в строке управляющий символ с кодом " + std::to_string(static_cast<unsigned char>(c)) +
                  ": это не текстовый файл");
}

std::vector<std::string> SplitBlanks(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  for (char c : line) {
    if (c == ' ' || c == '\t') {
      if (!field.empty()) fields.push_back(std::move(field));
      field.clear();
    } else {
      field += c;
    }
  }
  if (!field.empty()) fields.push_back(std::move(field));
  return fields;
}

// A copy of the table's layout and title with `rows` rows, the first ones taken from the table. Whole
// columns are copied at once: the table store's copy goes cell by cell, which a scheme of 100,000 nodes
// feels.
void ResizedCopy(const TDataFile& source, int rows, TDataFile& out) {
  out = TDataFile{};
  ReadMaket(source.Name, out);
  out.Title = source.Title;
  out.FileDate = source.FileDate;
  CreateColumns(out, rows);
  const auto copyBlock = [rows](const TDynamicArray& from, TDynamicArray& to) {
    const int count = std::min({from.Size(), to.Size(), rows + 1});
    if (count > 0 && from.ElemSize() == to.ElemSize())
      std::memcpy(to.Data(), from.Data(), static_cast<std::size_t>(count) * static_cast<std::size_t>(to.ElemSize()));
  };
  for (int c = 1; c <= out.NCols; ++c) {
    // columns by field name: the table may have been read under an older layout
    const TDynamicArray* from = nullptr;
    for (int k = 1; k <= source.NCols && !from; ++k)
      if (source.FieldName[static_cast<std::size_t>(k)] == out.FieldName[static_cast<std::size_t>(c)])
        from = source.Columns[static_cast<std::size_t>(k)].get();
    TDynamicArray* to = out.Columns[static_cast<std::size_t>(c)].get();
    if (!from || !to || from->TypeLetter() != to->TypeLetter()) continue;
    if (to->TypeLetter() == 's') {
      const auto& texts = static_cast<const DAString&>(*from);
      auto& target = static_cast<DAString&>(*to);
      const int count = std::min(rows, source.RowCount);
      for (int row = 1; row <= count; ++row)
        if (const std::string* text = texts.GetPtr(row); text && !text->empty()) target.SetItem(row, *text);
    } else {
      copyBlock(*from, *to);
    }
  }
  if (source.MarkRec && out.MarkRec) copyBlock(*source.MarkRec, *out.MarkRec);
}

// The fields of a record, each read through the rules of every outside value: a number whole, or the
// record refused naming the field, its text and why.
class TRecordFields {
public:
  TRecordFields(std::vector<std::string> fields, const std::vector<std::string>& names)
      : fields_(std::move(fields)), names_(names) {}
  std::size_t Size() const { return fields_.size(); }
  int Int(std::size_t i) const { return Take(i, TOutsideValue::Text(fields_.at(i)).Integer(INT_MIN, INT_MAX)); }
  double Float(std::size_t i) const { return Take(i, TOutsideValue::Text(fields_.at(i)).Number()); }
  // A value of a single-precision column; a value beyond its range would turn into infinity.
  float Single(std::size_t i) const {
    const double v = Float(i);
    if (!(std::fabs(v) <= 3.4e38)) throw Error(Name(i) + "\"" + fields_[i] + "\" вне допустимого диапазона");
    return static_cast<float>(v);
  }
  std::string Text(std::size_t i) const { return Take(i, TOutsideValue::Text(fields_.at(i)).Name()); }

private:
  std::string Name(std::size_t i) const { return i < names_.size() ? "поле " + names_[i] + ": " : std::string(); }
  template <typename T>
  T Take(std::size_t i, const TValueRead<T>& read) const {
    if (!read) throw Error(Name(i) + read.Fault);
    return *read;
  }
  std::vector<std::string> fields_;
  const std::vector<std::string>& names_;
};

// The lines of a file after its header, decoded, blank lines at the end (an editor's last line feed) left
// out. A file without one is refused by name: a pair written from an empty scheme, or two empty files,
// would otherwise empty the scheme they are read into. So is a file whose last record lost its line end
// (a copy cut inside it); a binary file read under this name is told by its control characters instead.
std::vector<std::string> RecordLines(const std::string& fileName, const char* records) {
  RecoverTableSetForRead(fileName);  // the pair as one run of its writer left it
  const TTextLines text = ReadTextLines(fileName);
  std::vector<std::string> lines = text.Lines;
  while (!lines.empty() && TrimLeadSpaces(lines.back()).empty()) lines.pop_back();
  if (lines.size() < 2)
    throw Error(NothingImportedText(fileName, lines.empty() ? std::string("файл пуст")
                                                            : "за строкой заголовка нет ни одной записи " + std::string(records)));
  if (lines.size() == text.Lines.size() &&
      std::none_of(lines.back().begin(), lines.back().end(), [](char c) { return c != '\t' && static_cast<unsigned char>(c) < 0x20; }))
    RequireLastLineEnded(text, fileName);
  // Windows-1251 as the program writes them, or as the bytes show them after an editor saved the file
  TCodePageTally tally;
  for (const std::string& line : lines) tally.Add(line);
  const int codePage = TextCodePage(fileName, tally, text.Utf8Mark);
  for (std::string& line : lines)
    if (!IsAscii(line)) line = DecodeText(line, codePage);
  return lines;
}

// A record that cannot be read refuses the file, naming it, its kind and the line (the header is line 1).
[[noreturn]] void ThrowRecordError(const std::string& fileName, const char* kind, int line, const char* what) {
  throw Error("Ошибка чтения файла \"" + fileio::FullFileName(fileName) + "\": " + kind + ", строка " +
              std::to_string(line) + ": " + what);
}

// A record of fewer fields than its format carries is refused: what it lacks would be zeros, or the
// values of the row that stood there before.
TRecordFields RecordFields(const std::string& line, const std::vector<std::string>& names, std::size_t required) {
  RefuseControls(line);
  TRecordFields f(SplitBlanks(line), names);
  if (f.Size() < required)
    throw Error("в записи " + std::to_string(f.Size()) + " полей вместо " + std::to_string(required));
  return f;
}

void ReadPnt(const std::string& fileName, const TDataFile& nodes, TDataFile& out) {
  static const std::vector<std::string> kNames = {"Nuz", "Prb", "Pn", "Qn", "Pg", "Qg", "Un", "Teta", "Gh", "Bh"};
  const std::vector<std::string> lines = RecordLines(fileName, "узла");
  const int records = static_cast<int>(lines.size()) - 1;
  ResizedCopy(nodes, records, out);
  TNodeCols n;
  FillNodeCols(out, n);
  for (int i = 1; i <= records; ++i) {
    try {
      const TRecordFields f = RecordFields(lines[static_cast<std::size_t>(i)], kNames, kNames.size());
      (*n.NS)[i] = f.Int(0);
      const int code = f.Int(1);
      if (code == 1) (*n.Sign)[i] = 'b';
      if (code == 2) (*n.Sign)[i] = 'u';
      (*n.Pn)[i] = f.Float(2);
      (*n.Qn)[i] = f.Float(3);
      (*n.Pg)[i] = f.Float(4);
      (*n.Qg)[i] = f.Float(5);
      (*n.Um)[i] = f.Single(6);
      (*n.Angle)[i] = f.Float(7);
      (*n.Gs)[i] = f.Single(8);
      (*n.Bs)[i] = f.Single(9);
    } catch (const std::exception& e) {
      ThrowRecordError(fileName, "PNT", i + 1, e.what());
    }
  }
}

void ReadLin(const std::string& fileName, const TDataFile& branches, TDataFile& out) {
  const std::vector<std::string> lines = RecordLines(fileName, "ветви");
  const int records = static_cast<int>(lines.size()) - 1;
  // the short layout carries the circuit count and no regulation; the full one the regulation fields,
  // of which the regulation's text alone may be empty
  const std::vector<std::string> header = SplitBlanks(lines[0]);
  const bool withCount = lines[0].find("prl") != std::string::npos;
  const bool withRegulation = !withCount && std::find(header.begin(), header.end(), "Sdop") != header.end();
  std::vector<std::string> names = {"Nn", "Nk", "Pr"};
  if (withCount) names.push_back("prl");
  for (const char* name : {"R", "X", "G", "B", "K", "Kr"}) names.push_back(name);
  if (withRegulation)
    for (const char* name : {"REG", "Ksr", "Ntek", "Sdop", "Kod_REG"}) names.push_back(name);
  const std::size_t required = withRegulation ? names.size() - 1 : names.size();
  ResizedCopy(branches, records, out);
  TBranchCols b;
  FillBranchCols(out, b);
  for (int i = 1; i <= records; ++i) {
    try {
      const TRecordFields f = RecordFields(lines[static_cast<std::size_t>(i)], names, required);
      std::size_t k = 0;
      (*b.N1)[i] = f.Int(k++);
      (*b.N2)[i] = f.Int(k++);
      switch (f.Int(k++)) {
        case 1: (*b.Commut)[i] = static_cast<char>(kN); break;
        case 2: (*b.Commut)[i] = static_cast<char>(kK); break;
        case 3: (*b.Commut)[i] = static_cast<char>(kO); break;
        default: break;  // a letter is never cleared by reading
      }
      if (withCount) {
        const int count = f.Int(k++);
        if (count < 0 || count > 255) throw Error("поле prl: число цепей " + std::to_string(count) + " вне 0..255");
        (*b.Nl)[i] = static_cast<std::uint8_t>(count);
      }
      for (DAsingle* column : {b.R, b.X, b.G, b.B, b.Kta, b.Ktr}) (*column)[i] = f.Single(k++);
      if (!withRegulation) continue;
      b.RT[i] = f.Int(k++);
      (*b.Ktn)[i] = f.Single(k++);
      b.Notv[i] = f.Int(k++);
      (*b.Sdop)[i] = f.Single(k++);
      if (k < f.Size()) b.Regulation->SetItem(i, RemoveBlanks(f.Text(k++)));
    } catch (const std::exception& e) {
      ThrowRecordError(fileName, "LIN", i + 1, e.what());
    }
  }
}

// A branch whose end is no node of the PNT file (a PNT cut at a line's end keeps the branches of the
// nodes it lost) refuses the pair, naming the LIN record and the node.
void RequireBranchNodes(const std::string& linFile, const std::string& pntFile, const TDataFile& nodes,
                        const TDataFile& branches) {
  TNodeCols n;
  FillNodeCols(nodes, n);
  TBranchCols b;
  FillBranchCols(branches, b);
  std::unordered_set<std::int32_t> held;
  held.reserve(static_cast<std::size_t>(nodes.RowCount));
  for (int row = 1; row <= nodes.RowCount; ++row) held.insert(n.NS->Get(row));
  for (int row = 1; row <= branches.RowCount; ++row)
    for (const std::int32_t node : {b.N1->Get(row), b.N2->Get(row)})
      if (!held.contains(node))
        ThrowRecordError(linFile, "LIN", row + 1,
                         ("ветвь " + std::to_string(b.N1->Get(row)) + "-" + std::to_string(b.N2->Get(row)) +
                          " соединена с узлом " + std::to_string(node) + ", которого нет в файле \"" +
                          fileio::FullFileName(pntFile) + "\"").c_str());
}

}  // namespace

std::string FormatFixedWidth(int digits, int width, double value) {
  std::string text = digits < 0 ? FloatToStrGeneral(value, 15) : FloatToStrFixed(value, digits);
  // Other programs read these files with a decimal point, whatever separator the user's screen shows.
  if (const std::string& separator = FormatSettings.DecimalSeparator; separator != ".")
    if (const auto at = text.find(separator); at != std::string::npos) text.replace(at, separator.size(), 1, '.');
  return PadLeft(text, width);
}

std::string LinNameForWrite(const std::string& pntFile) { return RemoveExtension(pntFile) + ".LIN"; }

std::string LinNameForRead(const std::string& pntFile) {
  return pntFile.size() < 3 ? "LIN" : pntFile.substr(0, pntFile.size() - 3) + "LIN";
}

void WritePntLin(const std::string& pntFile, const TDataFile& nodes, const TDataFile& branches,
                 const TPntLinWriteOptions& options) {
  TNodeCols n;
  FillNodeCols(nodes, n);
  std::string pnt;
  TLineWriter w(nodes);
  static const std::array<std::pair<const char*, const char*>, 12> kPntHeader = {{{"Nuz", "NS"}, {"Prb", "Sign"},
      {"Pn", "Pn"}, {"Qn", "Qn"}, {"Pg", "Pg"}, {"Qg", "Qg"}, {"Un", "Um"}, {"Teta", "Angle"}, {"Gh", "Gs"},
      {"Bh", "Bs"}, {"Qmin", "Qmin"}, {"Qmax", "Qmax"}}};
  for (const auto& [name, field] : kPntHeader) w.Header(name, field);
  if (!options.ShortLayout) w.Raw(" REG");
  w.TakeInto(pnt);
  const TFieldFormat fNS = w.Format("NS"), fSign = w.Format("Sign"), fPn = w.Format("Pn"), fQn = w.Format("Qn"),
                     fPg = w.Format("Pg"), fQg = w.Format("Qg"), fUm = w.Format("Um"), fAngle = w.Format("Angle"),
                     fGs = w.Format("Gs"), fBs = w.Format("Bs"), fQmin = w.Format("Qmin"), fQmax = w.Format("Qmax");
  pnt.reserve(static_cast<std::size_t>(nodes.RowCount) * 160);
  for (int row = 1; row <= nodes.RowCount; ++row) {
    const unsigned char sign = Upper1251(n.Sign->Get(row));
    const bool balancing = sign == 'B';
    const int code = balancing ? 1 : sign == 'U' ? 2 : nodes.MarkRec && nodes.MarkRec->Get(row) == 112 ? 3 : 0;
    const bool keepGeneration = !balancing || options.SumSbal;
    w.Integer(fNS, n.NS->Get(row));
    w.Integer(fSign, code);
    w.Number(fPn, n.Pn->Get(row));
    w.Number(fQn, n.Qn->Get(row));
    w.Number(fPg, keepGeneration ? n.Pg->Get(row) : 0.0);
    w.Number(fQg, keepGeneration ? n.Qg->Get(row) : 0.0);
    w.Single(fUm, n.Um->Get(row));
    w.Number(fAngle, balancing ? n.Angle->Get(row) : 0.0);
    w.Single(fGs, n.Gs->Get(row));
    w.Single(fBs, n.Bs->Get(row));
    w.Single(fQmin, n.Qmin->Get(row));
    w.Single(fQmax, n.Qmax->Get(row));
    w.TakeInto(pnt);
  }

  // A name ending in "!" asks for the branches sorted by their ends; the scheme's table stays as it is.
  TDataFile sorted;
  const std::string stem = RemoveExtension(pntFile);
  const bool sort = !stem.empty() && stem.back() == '!';
  if (sort) {
    ResizedCopy(branches, branches.RowCount, sorted);
    SortTableByFields(sorted, {"N1", "N2"});
  }
  const TDataFile& table = sort ? sorted : branches;
  TBranchCols b;
  FillBranchCols(table, b);
  TLineWriter l(table);
  l.Header("Nn", "N1");
  l.Header("Nk", "N2");
  l.Header("Pr", "Commut");
  if (options.ShortLayout) l.Header("prl", "Nl");
  for (const auto& [name, field] : std::array<std::pair<const char*, const char*>, 6>{
           {{"R", "R"}, {"X", "X"}, {"G", "G"}, {"B", "B"}, {"K", "Kta"}, {"Kr", "Ktr"}}})
    l.Header(name, field);
  if (!options.ShortLayout) {
    l.Header("REG", "RT");
    l.Header("Ksr", "Ktn");
    l.Header("Ntek", "Notv");
    l.Header("Sdop", "Sdop");
    l.Raw(" Kod_REG");
  }
  std::string lin;
  l.TakeInto(lin);
  const TFieldFormat fN1 = l.Format("N1"), fN2 = l.Format("N2"), fPr = l.Format("Commut"), fNl = l.Format("Nl"),
                     fR = l.Format("R"), fX = l.Format("X"), fG = l.Format("G"), fB = l.Format("B"),
                     fKta = l.Format("Kta"), fKtr = l.Format("Ktr"), fRT = l.Format("RT"), fKtn = l.Format("Ktn"),
                     fNotv = l.Format("Notv"), fSdop = l.Format("Sdop");
  lin.reserve(static_cast<std::size_t>(table.RowCount) * 160);
  for (int row = 1; row <= table.RowCount; ++row) {
    l.Integer(fN1, b.N1->Get(row));
    l.Integer(fN2, b.N2->Get(row));
    l.Integer(fPr, CommutCode(b.Commut->Get(row), table.MarkRec ? table.MarkRec->Get(row) : 0));
    if (options.ShortLayout) l.Integer(fNl, b.Nl->Get(row));
    l.Single(fR, b.R->Get(row));
    l.Single(fX, b.X->Get(row));
    l.Single(fG, b.G->Get(row));
    l.Single(fB, b.B->Get(row));
    l.Single(fKta, b.Kta->Get(row));
    l.Single(fKtr, b.Ktr->Get(row));
    if (!options.ShortLayout) {
      l.Integer(fRT, b.RT.Get(row));
      l.Single(fKtn, b.Ktn->Get(row));
      l.Number(fNotv, b.Notv.Get(row));
      l.Single(fSdop, b.Sdop->Get(row));
      l.Raw(" ");
      l.Raw(b.Regulation->GetItem(row));
    }
    l.TakeInto(lin);
  }
  // Both texts are whole before either file is touched, and they go in one run: a reader never takes the
  // nodes of one pair with the branches of another, whenever the program ends.
  WriteTablesTogether({}, {{pntFile, std::move(pnt)}, {LinNameForWrite(pntFile), std::move(lin)}});
}

TImportTaken ReadPntLin(const std::string& pntFile, const TDataFile& nodes, const TDataFile& branches,
                        TDataFile& nodesOut, TDataFile& branchesOut) {
  TDataFile newNodes, newBranches;
  ReadPnt(pntFile, nodes, newNodes);
  ReadLin(LinNameForRead(pntFile), branches, newBranches);
  RequireBranchNodes(LinNameForRead(pntFile), pntFile, newNodes, newBranches);
  TImportTaken taken;
  taken.Items = static_cast<long long>(newNodes.RowCount) + newBranches.RowCount;
  taken.Summary = "узлов " + std::to_string(newNodes.RowCount) + ", ветвей " + std::to_string(newBranches.RowCount) +
                  " (файл \"" + std::filesystem::path(LinNameForRead(pntFile)).filename().string() + "\")";
  nodesOut = std::move(newNodes);
  branchesOut = std::move(newBranches);
  return taken;
}

}  // namespace ld
