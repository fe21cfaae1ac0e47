#include "core/regime/measurements.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/column_headings.h"
#include "core/base/error.h"
#include "core/base/import_messages.h"
#include "core/base/import_number.h"
#include "core/base/import_text.h"
#include "core/base/settings.h"
#include "core/base/sheet_head.h"
#include "core/base/sheet_scale.h"
#include "core/base/strings.h"
#include "core/tables/colmaps.h"
#include "core/tables/file_import.h"
#include "core/tables/file_guard.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"

namespace ld {

namespace {

bool FileExists(const std::string& fileName) {
  std::error_code ec;
  return std::filesystem::is_regular_file(FamilyFile(fileName), ec);
}

// The scheme's table of a layout, or an empty one of that layout when the file is missing.
void ReadOrEmpty(const std::string& fileName, const char* layout, TDataFile& table) {
  if (FileExists(fileName)) {
    ReadTableFile(fileName, table);
  } else {
    ReadMaket(layout, table);
    CreateColumns(table, 0);
    table.Title = std::filesystem::path(fileName).stem().string();
  }
}

// Removes at the end the locks a command took, whatever happened meanwhile.
struct TLockGuard {
  std::string base, extensions;
  TLockGuard(std::string b, std::string e) : base(std::move(b)), extensions(std::move(e)) {
    LockTableFiles(base, extensions);
  }
  ~TLockGuard() {
    try {
      UnlockTableFiles(base, extensions);
    } catch (...) {
    }
  }
  TLockGuard(const TLockGuard&) = delete;
  TLockGuard& operator=(const TLockGuard&) = delete;
};

// A name as every import takes it (ImportName: blanks, no-break spaces, tabs and line breaks at its ends
// cut), upper-cased.
std::string Key(std::string_view text) { return UpperCase(ImportName(text)); }

// Whether a cell shows more than spaces (a cell that holds no value does). Texts are looked at where they
// lie: the scan for data passes every row, and a copy of a long text for each look would cost its length
// each time.
bool HasContent(const TSheetReader& sheet, int row, int col) { return !sheet.Blank(row, col); }

// The columns whose content makes a row a measurement row: a value of the row's own. A cell that only
// shows a range merged down from a row above makes no row of data: a name merged down a column to the
// sheet's end would otherwise make every row below a row to read, and each look at it a copy of its text.
bool RowHasData(const TSheetReader& sheet, int row) {
  for (int col : {9, 13, 14, 15, 16, 17}) {
    const TOutsideValue cell = sheet.Value(row, col);
    if (cell.Kind() != TOutsideValue::TKind::Empty && cell.CoveredFault().empty() && !cell.Blank()) return true;
  }
  return false;
}

// How long a text of the sheet may sensibly be, in characters. No sheet text is stored: each is a part
// of a node's name, a list of such parts, a number or a kind letter, and one longer than any of those
// can be names nothing; splitting or parsing a text of megabytes would only cost memory and time.
struct TTextBounds {
  int name = 0;   // a name part: the node table's name field
  std::string nameTitle;
  int list = 0;   // a list of name parts: every node of the scheme named once, with ", " between
  int other = 0;  // a number or a kind: the widest text field of the node table
};

// Why a text longer than a list of every node of the scheme is taken in no column: it names nothing.
std::string OverListFault(std::string_view text, int longest) {
  if (ImportTrimmedLengthFault(text, longest).empty()) return {};
  return "в тексте " + QuotedText(ImportName(text)) + " больше " + std::to_string(longest) +
         " символов: столько не наберут и имена всех узлов схемы";
}

TTextBounds TextBounds(const TDataFile& nodes) {
  TTextBounds b;
  const auto nameColumn = static_cast<std::size_t>(FindColumnIndex("Name", nodes));
  b.name = nodes.CtrlSize[nameColumn];
  b.nameTitle = nodes.ColTitle[nameColumn];
  for (int k = 1; k <= nodes.NCols; ++k)
    if (nodes.ColType[k] == 's' || nodes.ColType[k] == 't') b.other = std::max<int>(b.other, nodes.CtrlSize[k]);
  b.list = std::max(1, nodes.RowCount) * (b.name + 2);
  return b;
}

// The last column a measurement row fills: the kind of the row.
constexpr int kLastMeasureColumn = 17;

// The sheet's cells as the one head reader looks at them.
TSheetCells SheetCellsOf(const TSheetReader& sheet) {
  return [&sheet](int row, int col) { return sheet.Value(row, col); };
}

// Whether the cell holds a value: a number, or a cell that cannot be read or that shows a merged range's
// value, which the reader names by its cell.
bool HoldsValue(const TOutsideValue& cell) {
  return !cell.Blank() &&
         (cell.Kind() == TOutsideValue::TKind::Unreadable || !cell.CoveredFault().empty() || cell.Number());
}

// The columns' words other than those of the measured column `col`, which a heading over it must not say.
std::vector<const char*> OtherColumnsWords(int col) {
  std::vector<const char*> others;
  for (const TMeasuredColumn& other : MeasuredColumns())
    if (other.Col != col) others.insert(others.end(), other.Words.begin(), other.Words.end());
  return others;
}

// Whether the row is one of headings over the measured columns: none of them holds a value, and one holds
// a heading that says its column ("P, МВт", "tg", a units row's "МВт"). What stands over the names beside
// them ("ТП", "Тр-р", "Вид") is their headings too, no station and no node. A text over the figures that
// names nothing ("н/д") is a value that does not read, in a row of the data.
bool MeasureHeadingsRow(const TSheetCells& cells, int row) {
  const auto& columns = MeasuredColumns();
  if (std::any_of(columns.begin(), columns.end(), [&](const TMeasuredColumn& c) { return HoldsValue(cells(row, c.Col)); }))
    return false;
  return std::any_of(columns.begin(), columns.end(), [&](const TMeasuredColumn& c) {
    const TValueRead<std::string> heading = cells(row, c.Col).Heading();
    return heading && !heading.Value->empty() && HeadingHoldsWord(*heading.Value) &&
           HeadingSays(*heading.Value, c.Words, OtherColumnsWords(c.Col));
  });
}

// The format has no headings, yet a book may carry a row of them over its rows (a row whose number
// columns hold no value): a heading there that names another quantity, unit or scale than the column
// holds (a transformer inventory's year, a current protocol's amperes, a month's consumption in kW·h, a
// count) refuses the book by its cell before any load is reset, and a row of numbers that name periods
// over the figures (a load curve's hours, PeriodNumbersFault) by its row. A text that names nothing is a value
// that does not read, which the reader names in its row. A heading of the column's own quantity in a unit
// of another scale ("P, кВт" over MW) is the sheet's scaling's (MeasuredCells).
void RefuseHeadingsOfOtherQuantities(const TSheetReader& sheet, int last, const std::string& fileName) {
  const auto& columns = MeasuredColumns();
  const TSheetCells cells = SheetCellsOf(sheet);
  std::vector<int> figures;
  for (const TMeasuredColumn& c : columns) figures.push_back(c.Col);
  bool data = false;  // a row of values above
  for (int row = 1; row <= last; ++row) {
    // numbers over the figures that go up by one with the columns, and over the names beside them where
    // they are filled (an hourly load curve's "1 … 24", "1-2", "2-3"), head a table of periods: no node
    // and no load is read from them. The columns' own numbers under their headings are theirs.
    std::vector<int> counted = figures;
    for (int col = 14; col <= kLastMeasureColumn; ++col)
      if (!sheet.Blank(row, col)) counted.push_back(col);
    if (!PeriodNumbersFault(cells, row, counted).empty() &&
        !(row > 1 && ColumnNumbersRow(cells, row, kLastMeasureColumn) && RowOfHeadings(cells, row - 1, figures)))
      throw Error("Ошибка чтения файла \"" + fileName + "\": лист \"" + sheet.SheetName() + "\", строка " +
                  std::to_string(row) + ": " + PeriodNumbersFault(cells, row, figures));
    if (std::any_of(columns.begin(), columns.end(),
                    [&](const TMeasuredColumn& c) { return HoldsValue(sheet.Value(row, c.Col)); })) {
      data = true;
      continue;
    }
    // a title with what stands beside it over the columns (a date, an approval block, a label) says
    // nothing of them; a note below the rows of values ("* нагрузки в кВт") states their unit, which the
    // sheet's scaling reads (MeasuredCells)
    if (std::all_of(figures.begin(), figures.end(), [&](int col) { return sheet.Blank(row, col); }) ||
        TitleOverFigures(cells, row, figures, kLastMeasureColumn) ||
        (data && SheetTitleRow(cells, row, figures, kLastMeasureColumn, false)))
      continue;
    for (const TMeasuredColumn& column : columns) {
      const TValueRead<std::string> heading = sheet.Value(row, column.Col).Heading();
      if (!heading || heading.Value->empty()) continue;
      const std::vector<const char*> others = OtherColumnsWords(column.Col);
      if (HeadingNamesOther(*heading.Value, column.Words, others).empty()) continue;
      throw Error(ImportCellMessage(fileName, sheet.SheetName(), row, column.Col,
                                    "заголовок " + QuotedText(*heading.Value) + " - не заголовок столбца " +
                                        std::to_string(column.Col) + " (" + column.Title + "): " +
                                        HeadingFault(*heading.Value, column.Words, others)));
    }
  }
}

// The sheet's cells with the measured values in MW and the tangent as the head of the sheet states their
// units (SheetScaledCells: a heading with its units row, a title, a note below the rows); a statement of
// another quantity's unit, or two that disagree, refuse the book by the cell before anything is reset.
TSheetCells MeasuredCells(const TSheetReader& sheet, const std::string& fileName) {
  std::vector<TScaledColumn> columns;
  std::vector<int> figures;
  for (const TMeasuredColumn& column : MeasuredColumns()) {
    columns.push_back({column.Col, column.Title, column.Words});
    figures.push_back(column.Col);
  }
  try {
    // a row of measurements names its nodes in column 16, which a units row leaves empty
    return SheetScaledCells(SheetCellsOf(sheet), 16, kLastMeasureColumn, figures, columns);
  } catch (const TCellTextError& e) {
    throw Error(ImportCellMessage(fileName, sheet.SheetName(), e.Row, e.Col, e.Reason));
  }
}

}  // namespace

const std::vector<TMeasuredColumn>& MeasuredColumns() {
  // the measured value in MW (a node's load, or a line's flow, which the flow table keeps in kW)
  static const std::vector<TMeasuredColumn> columns = {
      {9, "замер", {"замер", "нагрузка", "мощность", "переток", "P", "МВт"}},
      {13, "тангенс", {"tg", "тангенс"}}};
  return columns;
}

void ClearMonthData(const std::string& schemePath) {
  const std::string flowExt = GetMaketExtention(LayoutLineFlows), nodeExt = GetMaketExtention(LayoutNodes);
  const std::string nodeEnergy = GetMaketExtention(LayoutNodeEnergy);
  const std::string branchEnergy = GetMaketExtention(LayoutBranchEnergy);
  const TLockGuard locks(schemePath, flowExt + "," + nodeExt + "," + nodeEnergy + "," + branchEnergy);
  TDataFile flows;
  ReadOrEmpty(schemePath + flowExt, LayoutLineFlows, flows);
  TLineFlowCols f;
  FillLineFlowCols(flows, f);
  for (int row = 1; row <= f.RowCount; ++row)
    for (DAdouble* c : {f.Pr, f.Qr, f.Pl, f.Ql, f.Prn, f.Qrn, f.Pln, f.Qln, f.Prb, f.Qrb, f.Plb, f.Qlb}) (*c)[row] = 0;
  TDataFile nodes;
  ReadOrEmpty(schemePath + nodeExt, LayoutNodes, nodes);
  TNodeCols n;
  FillNodeCols(nodes, n);
  for (int row = 1; row <= n.RowCount; ++row)
    for (DAdouble* c : {n.Pn, n.Qn, n.Pg, n.Qg, n.WPn, n.WQn, n.WPg, n.WQg}) (*c)[row] = 0;
  // The month's tables go in one run, the energies of the month before removed as steps of it: no end of
  // the program leaves zeroed flows beside last month's energies.
  std::vector<std::pair<std::string, TDataFile*>> run{{schemePath + flowExt, &flows}, {schemePath + nodeExt, &nodes}};
  for (const std::string& energy : {schemePath + nodeEnergy, schemePath + branchEnergy})
    if (FileExists(energy)) run.emplace_back(energy, nullptr);
  WriteTablesTogether(run);
}

TMeasurementsRead ImportMeasurements(const TSheetReader& sheet, TDataFile& nodes, const TDataFile& branches,
                                     TDataFile& flows, const TMeasurementImport& options, const std::string& fileName,
                                     const std::function<void(int)>& progress) {
  TMeasurementsRead read;
  TImportMessages messages(read.Info);
  // A row not taken is told in the panel, and the first one is the reason when no row is taken at all.
  const auto notTaken = [&](int row, const std::string& why) {
    messages.Add("Строка " + std::to_string(row) + ": " + why);
    read.Taken.NotTakenAt(row, why);
  };
  // Rows to import: up to the last one with data of its own, the scan ending after 200 rows of none in a
  // row (a range merged down past the data makes none).
  int last = 0;
  for (int row = 1, empty = 0; empty < 200 && row <= sheet.LastRow(); ++row) {
    if (RowHasData(sheet, row)) {
      last = row;
      empty = 0;
    } else {
      ++empty;
    }
  }

  RefuseHeadingsOfOtherQuantities(sheet, last, fileName);
  // the values in their columns' units
  const TSheetCells measured = MeasuredCells(sheet, fileName);
  const TTextBounds bounds = TextBounds(nodes);
  TNodeCols n;
  FillNodeCols(nodes, n);
  for (int row = 1; row <= n.RowCount; ++row) {
    const char sign = n.Sign->Get(row);
    if (sign == 'z' || sign == 'Z') {
      (*n.Pn)[row] = (*n.Qn)[row] = (*n.Pg)[row] = (*n.Qg)[row] = 0;
      (*n.Sign)[row] = 0;
    }
  }
  std::map<std::string, int> nodeRows;  // upper-cased name -> first row of that name
  std::map<int, std::string> namesByNumber;
  for (int row = 1; row <= n.RowCount; ++row) {
    const std::string name = Key(n.Name->GetItem(row));
    if (name.empty()) continue;
    nodeRows.emplace(name, row);
    namesByNumber.emplace(n.NS->Get(row), name);
  }
  // Pairs of end names, not one joined text: a name may hold any separator ("А ~ Б" is a valid name).
  std::set<std::pair<std::string, std::string>> branchKeys;
  {
    TBranchCols b;
    FillBranchCols(branches, b);
    for (int row = 1; row <= b.RowCount; ++row) {
      const auto a = namesByNumber.find(b.N1->Get(row)), z = namesByNumber.find(b.N2->Get(row));
      if (a != namesByNumber.end() && z != namesByNumber.end()) branchKeys.emplace(a->second, z->second);
    }
  }

  TLineFlowCols f;
  FillLineFlowCols(flows, f);
  // A value that is no finite number, or that no table column holds, stops the whole import before
  // anything is written: a load of nan would pass every later calculation without a word.
  const auto refuse = [&](int row, int col, double value) {
    if (const std::string fault = ImportNumberFault(value); !fault.empty())
      throw Error(ImportCellMessage(fileName, sheet.SheetName(), row, col, fault));
  };
  const auto refuseText = [&](int row, int col, const std::string& fault) {
    if (!fault.empty()) throw Error(ImportCellMessage(fileName, sheet.SheetName(), row, col, fault));
  };
  // The cell's text trimmed and upper-cased, once it is no longer than its kind may be; names and lists
  // must also have a Windows-1251 code for every character, as the names of the node table have.
  enum class TText { Name, List, Other };
  const auto readText = [&](int row, int col, TText what) {
    // taken as every import takes a name: its ends cut, nothing hidden inside, a Windows-1251 code for
    // every character; a number or a date as the sheet shows it
    const TValueRead<std::string> name = sheet.Value(row, col).Name();
    if (!name) refuseText(row, col, name.Fault);
    const std::string& text = *name;
    const int longest = what == TText::Name ? bounds.name : what == TText::List ? bounds.list : bounds.other;
    std::string fault = what == TText::Name ? ImportLengthFault(text, longest, bounds.nameTitle)
                                            : ImportLengthFault(text, longest);
    if (!fault.empty()) {
      if (what == TText::List) fault = OverListFault(text, longest);
      refuseText(row, col, fault);
    }
    return UpperCase(text);
  };
  const auto readNumber = [&](int row, int col, double& value) {
    value = 0;
    // read whole by the number rule: "1 825 200", a date or a time is named with its text, never read
    // by a part of it or as its serial day; a value no column holds is refused below
    const TOutsideValue cell = sheet.Value(row, col);
    if (cell.Kind() == TOutsideValue::TKind::Text) readText(row, col, TText::Other);
    TValueRead<double> read = measured(row, col).Number();
    // a number no column holds, and a cell that holds no value, refuse the sheet by the cell
    if (!read && (cell.Kind() == TOutsideValue::TKind::Number || cell.Kind() == TOutsideValue::TKind::Unreadable))
      refuseText(row, col, read.Fault);
    if (!read) {
      messages.Add([&] {
        return "Ошибка чтения. Строка " + std::to_string(row) + ", столбец " + std::to_string(col) + " (" +
               read.Fault + ")";
      });
      return false;
    }
    value = *read;
    refuse(row, col, value);
    return true;
  };
  // A name with a control character inside (ImportNameFault) matches no node: its cell is named instead.
  const auto controlled = [&](int row, int col, const std::string& name) {
    std::string fault = ImportNameFault(name);
    if (fault.empty()) return false;
    messages.Add("Строка " + std::to_string(row) + ", столбец " + std::to_string(col) + ": " + std::move(fault));
    return true;
  };
  // The sheet row that gave each node its load: a later row that would set it again is named and not
  // taken (the upper one is), while a row of kind "2" adds to what the node was given.
  std::vector<int> givenBy(static_cast<std::size_t>(n.RowCount) + 1, 0);
  const int step = std::max(1, last / 10);
  int position = 0;
  std::string substation;
  int substationRow = 0;
  const TSheetCells cells = SheetCellsOf(sheet);
  for (int r = 1; r <= last; ++r) {
    if (r % step == 0 && progress) progress(position = std::min(100, position + 10));
    // the columns' own numbers under the headings, and the headings over the names, name no substation
    // and no node
    if (ColumnNumbersRow(cells, r, kLastMeasureColumn) || MeasureHeadingsRow(cells, r)) continue;
    if (const std::string s = readText(r, 14, TText::Name); !s.empty()) {
      substation = s;
      substationRow = r;
    }
    const std::string list = readText(r, 16, TText::List);
    // A row that names no node is no measurement.
    if (list.empty()) continue;
    const std::string other = readText(r, 15, TText::Name);
    const std::string kindText = readText(r, 17, TText::Other);
    const char kind = kindText.empty() ? 0 : kindText[0];
    std::vector<std::string> items;
    for (std::size_t start = 0;;) {
      const std::size_t comma = list.find(',', start);
      items.push_back(Key(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
      refuseText(r, 16, ImportLengthFault(items.back(), bounds.name, bounds.nameTitle));
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
    const double count = static_cast<double>(items.size());
    for (const std::string& item : items) {
      if (controlled(substationRow, 14, substation) || controlled(r, 16, item)) continue;
      const std::string key = substation + "." + item;
      const auto node = nodeRows.find(key);
      if (node == nodeRows.end()) {
        notTaken(r, "узел " + key + " не найден");
        continue;
      }
      double v = 0, tg = options.Tangent;
      // A quantity that does not read is no measurement: taking it as 0 would wipe the node's load.
      if (!readNumber(r, 9, v)) {
        read.Taken.NotTaken("строка " + std::to_string(r) + ", столбец 9: " + sheet.Value(r, 9).Quoted() +
                            " не является числом");
        continue;
      }
      if (HasContent(sheet, r, 13) && !readNumber(r, 13, tg))
        tg = options.Tangent;
      const int row = node->second;
      if (kind == '1' || kind == '2' || items.size() > 1) {
        int& given = givenBy[static_cast<std::size_t>(row)];
        if (kind != '2' && given != 0 && given != r) {
          NameRowNotTaken(r, "Строка " + std::to_string(r) + ": узел " + key, TRowNotTaken::Repeated, messages,
                          read.Taken);
          continue;
        }
        given = r;
        const double p = (kind == '2' ? n.Pn->Get(row) : 0.0) + v / count;
        const double q = (kind == '2' ? n.Qn->Get(row) : 0.0) + v * tg / count;
        refuse(r, 9, p);
        refuse(r, 9, q);
        (*n.Pn)[row] = p;
        (*n.Qn)[row] = q;
        const char sign = n.Sign->Get(row);
        if (sign != 'B' && sign != 'b' && sign != 'U' && sign != 'u') (*n.Sign)[row] = 'z';
        n.Prim->SetItem(row, options.Note);
        ++read.Taken.Items;
      } else {
        if (controlled(r, 15, other)) continue;
        const std::string from = substation + "." + other;
        const auto fromNode = nodeRows.find(from);
        if (fromNode == nodeRows.end() || (branchKeys.count({from, key}) == 0 && branchKeys.count({key, from}) == 0)) {
          notTaken(r, "ветвь " + from + " - " + key + " не найдена");
          continue;
        }
        refuse(r, 9, v * 1000);
        refuse(r, 9, v * tg * 1000);
        InsertTableRows(flows, flows.RowCount + 1, 1);
        const int added = flows.RowCount;
        f.Name1->SetItem(added, n.Name->GetItem(fromNode->second));
        (*f.N1)[added] = n.NS->Get(fromNode->second);
        f.Name2->SetItem(added, n.Name->GetItem(row));
        (*f.N2)[added] = n.NS->Get(row);
        f.Typ[added] = 1;
        (*f.Pr)[added] = v * 1000;
        (*f.Qr)[added] = v * tg * 1000;
        ++read.Taken.Items;
      }
    }
  }
  messages.Finish();
  if (read.Taken.Items == 0) read.Taken.NotTaken("на листе \"" + sheet.SheetName() + "\" нет ни одной строки замеров");
  return read;
}

std::vector<std::string> ImportMeasurementFile(const std::string& schemePath, const std::string& workbookFile,
                                               const TMeasurementImport& options,
                                               const std::function<void(int)>& progress) {
  const std::string nodeExt = GetMaketExtention(LayoutNodes), branchExt = GetMaketExtention(LayoutBranches);
  const TLockGuard locks(schemePath, nodeExt + "," + branchExt);
  TDataFile nodes, branches, flows;
  std::vector<std::string> info;
  // The flow table is always made anew: the import replaces every given flow, and the node table's
  // loads and the flows are one measurement, so the two are written together or not at all.
  RunFileImport({workbookFile,
                 [&] {
                   ReadOrEmpty(schemePath + nodeExt, LayoutNodes, nodes);
                   ReadOrEmpty(schemePath + branchExt, LayoutBranches, branches);
                   ReadMaket(LayoutLineFlows, flows);
                   CreateColumns(flows, 0);
                   flows.Title = nodes.Title;
                   TSheetReader sheet;
                   // no text of the sheet is longer than a list of every node of the scheme: a longer one
                   // is refused by its cell before it is copied for any look
                   const int longest = TextBounds(nodes).list;
                   sheet.SetTextCheck([longest](std::string_view text) { return OverListFault(text, longest); });
                   sheet.Open(workbookFile);
                   TMeasurementsRead read =
                       ImportMeasurements(sheet, nodes, branches, flows, options, workbookFile, progress);
                   info = std::move(read.Info);
                   return read.Taken;
                 },
                 {},
                 {},
                 {{schemePath + nodeExt, &nodes}, {schemePath + GetMaketExtention(LayoutLineFlows), &flows}},
                 {}});
  return info;
}

}  // namespace ld
