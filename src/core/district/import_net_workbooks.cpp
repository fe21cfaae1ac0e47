#include "core/district/import_net_workbooks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/base/column_headings.h"
#include "core/base/error.h"
#include "core/base/import_messages.h"
#include "core/base/import_number.h"
#include "core/base/import_text.h"
#include "core/base/numfmt.h"
#include "core/base/sheet_scale.h"
#include "core/base/strings.h"
#include "core/district/measure_sheet.h"
#include "core/district/subscriber_cells.h"
#include "core/office/sheet_reader.h"

namespace ld {

namespace {

// The fields of the two tables that the texts of a row go to, read from their layouts once.
struct TNetFields {
  TTextField Name, KodLine, Un, Transform;
  std::size_t LineBytes = 0, StationBytes = 0;  // a row of each table in memory, its texts aside

  TNetFields() {
    TDataFile lines, stations;
    ReadMaket(LayoutLines10, lines);
    ReadMaket(LayoutTransTP, stations);
    // a node's name is the begin or end of a section and, at a section's end, the station's name
    Name = TextField(lines, "Name1");
    for (const TTextField& other : {TextField(lines, "Name2"), TextField(stations, "Name1")})
      if (other.Width < Name.Width) Name = other;
    KodLine = TextField(lines, "KodLine");
    Un = TextField(lines, "Un");
    Transform = TextField(stations, "Transform");
    LineBytes = TableRowBytes(lines);
    StationBytes = TableRowBytes(stations);
  }
};

// What is wrong with the length of a section that LineLength does not take; said only for a message kept.
std::string LengthFault(const TOutsideValue& cell) {
  const TValueRead<double> km = cell.Number();
  if (!km) return km.Fault;
  return "длина " + FloatToStrGeneral(*km, 15) + " км не является длиной линии";
}

// The length of a section in metres; nothing for a value that is none. A sheet may hold a million of
// them: no exception is made here.
std::optional<std::int64_t> LineLength(const TOutsideValue& cell) {
  const TValueRead<double> km = cell.Number();
  if (!km || std::fabs(*km) > 1e12) return std::nullopt;
  return Round(*km * 1000);
}

// A main-line row ends where the next row begins; a row with its own end node is a branch section.
// A text that would not go whole into its field throws TCellTextError; a length that is none gives
// false, the row kept as far as it was read.
bool ReadRow(const TSheetCells& sheet, int r, const std::string& voltage, const TNetFields& fields,
             TImportLine& row, std::vector<TImportStation>& stations) {
  row.Un = voltage;
  // a node is a station's or a section's end: a name of a station
  row.Name1 = TakeUnitName(sheet, r, 1);
  CheckFieldFit(row.Name1, fields.Name, r, 1);
  if (const std::string end = TakeUnitName(sheet, r, 2); !end.empty()) {
    CheckFieldFit(end, fields.Name, r, 2);
    row.Name2 = end;
    row.Sign = U'+';
  } else {
    row.Name2 = TakeUnitName(sheet, r + 1, 1);
    CheckFieldFit(row.Name2, fields.Name, r + 1, 1);
    row.Sign = U'П';
  }
  const std::optional<std::int64_t> length = LineLength(sheet(r, 3));
  if (!length) return false;
  const std::int64_t metres = *length;
  if (const std::string mark = TakeName(sheet, r, 4); !mark.empty()) {
    std::string kodLine = std::to_string(metres) + "*" + mark;
    CheckFieldFit(kodLine, fields.KodLine, r, 4);
    row.KodLine = std::move(kodLine);
  }
  if (row.Sign != U'+') return true;
  // a power merged down over the stations of two rows is the first one's: given to both, it would count
  // a transformer twice, so the row is named by the range and makes no station
  for (int col = 6; col <= 9; ++col)
    if (const std::string fault = sheet(r, col).CoveredFault(); !fault.empty())
      throw Error("ячейка " + SheetCellName(r, col) + ": " + fault);
  const bool subscriber = TakeName(sheet, r, 5) == "1";
  for (int i = 1; i <= 4; ++i) {
    const std::string power = TakeName(sheet, r, 5 + i);
    if (power == "0") continue;
    std::string transform = "ТМ-" + power + "/" + voltage + "/0.4";
    CheckFieldFit(transform, fields.Transform, r, 5 + i);
    TImportStation& station = stations.emplace_back();
    station.Name1 = row.Name2;
    station.Ntr = "Т" + std::to_string(i);
    station.Transform = std::move(transform);
    if (subscriber) station.A = U'А';
  }
  return true;
}

// The texts of a row, read before any of them is taken: one the tables cannot hold (too long, or with
// a character without a Windows-1251 code) refuses the workbook by its cell, instead of one row's
// message, since names written with "?" in place of characters could make two different names one.
void CheckRowTexts(const TSheetCells& sheet, int r) {
  for (int col = 1; col <= 9; ++col) {
    // the length is a number: its text meets the reader's check only, the number rule says the rest
    if (col == 3)
      sheet(r, col);
    else
      TakeName(sheet, r, col);
  }
}

// What a row and the station rows it added hold, kept and in the tables they become. The arrays of
// rows grow by doubling, so at their growth the old and the new array are held both: each row counts
// twice its own size.
std::size_t HeldBytes(const TImportLine& row, const TImportStation* stations, std::size_t count,
                      const TNetFields& fields) {
  std::size_t bytes = 2 * sizeof(TImportLine) + fields.LineBytes;
  for (const std::string* text : {&row.Text, &row.Name1, &row.Name2, &row.Un, &row.DSNum, &row.MarkCom1,
                                  &row.MarkCom2, &row.KodLine})
    bytes += HeapBytes(*text) + 2 * text->size();
  for (std::size_t i = 0; i < count; ++i) {
    const TImportStation& s = stations[i];
    bytes += 2 * sizeof(TImportStation) + fields.StationBytes;
    for (const std::string* text : {&s.Name1, &s.Ntr, &s.Transform}) bytes += HeapBytes(*text) + 2 * text->size();
  }
  return bytes;
}

// The voltages of the networks a district's base holds, in kV: 0.4 kV lines up to 35 kV feeders.
constexpr double kLowestNetworkKv = 0.2, kHighestNetworkKv = 35;

// A column of figures of a network workbook and the words of the headings people write over it in row 2.
struct TNetHeading {
  int Col;
  const char* What;   // as a refusal names it: "не заголовок <What>"
  const char* Title;  // as a refusal of its unit names it: "столбец 3 (<Title>)"
  std::vector<const char*> Words;
};

// The figures a network workbook's rows give: the section's length, and the rated powers of the four
// transformers at its end node in kVA, which the transformer marks are made of.
const std::vector<TNetHeading>& NetHeadings() {
  static const std::vector<TNetHeading> headings = {
      // in km: a length in metres ("Длина, м") is brought to km
      {3, "длины участка", "длина участка", {"L", "длина", "км"}},
      {6, "мощности трансформатора 1", "мощность трансформатора 1", {"S", "Sном", "кВА", "мощность", "трансформатор", "Т1"}},
      {7, "мощности трансформатора 2", "мощность трансформатора 2", {"S", "Sном", "кВА", "мощность", "трансформатор", "Т2"}},
      {8, "мощности трансформатора 3", "мощность трансформатора 3", {"S", "Sном", "кВА", "мощность", "трансформатор", "Т3"}},
      {9, "мощности трансформатора 4", "мощность трансформатора 4", {"S", "Sном", "кВА", "мощность", "трансформатор", "Т4"}}};
  return headings;
}

// The figure columns of a network workbook, which its head is read over.
std::vector<int> NetFigureColumns() {
  std::vector<int> cols;
  for (const TNetHeading& column : NetHeadings()) cols.push_back(column.Col);
  return cols;
}

// The heading over a column of figures as the one head reader reads the rows above the data: row 2's,
// with the units or the wrapped words of row 3 under it (HeadingRowBelow, never the columns' numbers);
// none where row 2 is a title whose cells over the figures stand beside it (a date, an approval block, a
// label: TitleOverFigures), or where the cell holds no heading.
std::string NetHeading(const TSheetCells& sheet, int col) {
  const std::vector<int> figures = NetFigureColumns();
  const int last = figures.back();
  if (TitleOverFigures(sheet, 2, figures, last)) return {};
  const TValueRead<std::string> heading = sheet(2, col).Heading();
  if (!heading) return {};
  std::string text = *heading.Value;
  if (!ColumnNumbersRow(sheet, 3, last) && HeadingRowBelow(sheet, 3, 1, last))
    if (const TOutsideValue below = sheet(3, col);
        below.Kind() == TOutsideValue::TKind::Text && below.CoveredFault().empty() && !below.Number())
      if (const TValueRead<std::string> unit = below.Heading(); unit && !unit.Value->empty())
        text += (text.empty() ? "" : ", ") + *unit.Value;
  return text;
}

// Why a sheet whose cell (1, 1) reads as a number is no network workbook, before any of its rows is taken;
// empty when it is one. Its voltage is a network's; the heading over each column of figures, where the
// sheet has one, says what the column gives; no section begins at a date (a day's row of a metering book,
// whose graph number stands where the voltage does).
std::string NetKindFault(const TSheetCells& sheet, double kv, int last) {
  if (!(kv >= kLowestNetworkKv && kv <= kHighestNetworkKv))
    return "в ячейке A1 " + FloatToStrGeneral(kv, 15) + " кВ - не напряжение сети (от " +
           FloatToStrGeneral(kLowestNetworkKv, 15) + " до " + FloatToStrGeneral(kHighestNetworkKv, 15) + " кВ)";
  for (const TNetHeading& column : NetHeadings()) {
    const std::string heading = NetHeading(sheet, column.Col);
    if (heading.empty()) continue;
    if (const std::string fault = HeadingFault(heading, column.Words); !fault.empty())
      return "заголовок \"" + heading + "\" в ячейке " + SheetCellName(2, column.Col) + " - не заголовок " +
             column.What + ": " + fault;
  }
  for (int r = 4; r <= last; ++r)
    if (const TOutsideValue first = sheet(r, 1); first.Kind() == TOutsideValue::TKind::Date)
      return "в ячейке " + SheetCellName(r, 1) + " дата " + first.Quoted() + ", а не имя узла";
  return {};
}

// The sheet as its rows are read: each column of figures in its own unit, as the head of the sheet
// states it (SheetScaledCells: what row 1 says beside the voltage, the headings of row 2 with their units
// row, a title, a note below the sections).
TSheetCells NetScaledCells(const TSheetCells& sheet) {
  std::vector<TScaledColumn> columns;
  for (const TNetHeading& column : NetHeadings()) columns.push_back({column.Col, column.Title, column.Words});
  const std::vector<int> figures = NetFigureColumns();
  return SheetScaledCells(sheet, 1, figures.back(), figures, columns, 1);
}

}  // namespace

int LastUsedRow(const std::function<bool(int row)>& used) {
  int last = 0;
  for (int row = 1, empty = 0; empty < 10; ++row) {
    if (!used(row)) {
      ++empty;
    } else {
      empty = 0;
      last = row;
    }
  }
  return last;
}

TImportTaken ImportNetWorkbooks(const std::vector<std::string>& files, const std::string& baseStem,
                                TBaseImport& base, const TImportProgress& progress) {
  TImportTaken all;
  base.Messages.clear();
  TImportMessages messages(base.Messages);
  std::vector<TImportLine> lines;
  std::vector<TImportStation> stations;
  const TNetFields fields;
  TSheetReader reader;
  const TSheetCells sheet = ReaderCells(reader);
  // the first guard: a text longer than any field is refused at its first cell, looked at once however
  // many cells name it; each text then meets the width of its own field
  reader.SetTextCheck(ImportTextCheck(LongestTextField({LayoutLines10, LayoutTransTP})));
  for (const std::string& file : files) {
    reader.Open(file);
    office::TFileScaledBudget held = ImportBudget(file);
    TImportTaken taken;
    const int last = LastUsedRow([&sheet](int row) { return !sheet(row, 1).Blank(); });
    const int step = last / 10 == 0 ? std::max(last, 1) : last / 10;
    int position = 0, reported = 0;
    if (progress) progress(0);
    try {
      // The network's voltage is every section's and every transformer's: a sheet whose first cell is
      // no voltage (a heading, a staff list) is no network workbook, whatever its rows hold, and is told
      // so before any of its texts is measured against a field.
      const TOutsideValue first = sheet(1, 1);
      const TValueRead<double> kv = first.Number();
      bool voltageRead = !first.Blank() && kv;
      std::string voltage;
      if (!voltageRead) {
        taken.NotTaken("не является книгой сети: в ячейке A1 нет напряжения сети (" +
                       (first.Blank() ? std::string("ячейка пуста") : kv.Fault) + ")");
      } else if (const std::string fault = NetKindFault(sheet, *kv, last); !fault.empty()) {
        taken.NotTaken("не является книгой сети: " + fault);
        voltageRead = false;
      } else {
        voltage = TakeName(sheet, 1, 1);
        CheckFieldFit(voltage, fields.Un, 1, 1);
      }
      const TSheetCells rows = voltageRead ? NetScaledCells(sheet) : sheet;
      // a note below the sections that states a unit or a scale ("* длина участков в м") is the head's, which
      // the scaling has read; a node's name states none
      const auto note = [&](int r) {
        for (int col = 2; col <= 9; ++col)
          if (!sheet(r, col).Blank()) return false;
        const TValueRead<std::string> text = sheet(r, 1).Heading();
        return text && !StatedUnits(*text.Value).empty();
      };
      for (int r = 4; r <= last && voltageRead; ++r) {
        if (!sheet(r, 1).Blank() && !note(r)) {
          CheckRowTexts(sheet, r);
          // the row stays as far as it was read; the message tells which one to look at
          TImportLine& row = lines.emplace_back();
          const std::size_t before = stations.size();
          const auto at = [r] { return "строка " + std::to_string(r) + ": "; };
          try {
            if (ReadRow(rows, r, voltage, fields, row, stations)) {
              ++taken.Items;
            } else {
              const std::string fault = LengthFault(rows(r, 3));
              taken.NotTakenAt(r, fault);
              messages.Add([&] { return "файл " + file + ", " + at() + fault; });
            }
          } catch (const TCellTextError&) {
            throw;
          } catch (const std::exception& e) {
            taken.NotTakenAt(r, e.what());
            messages.Add([&] { return "файл " + file + ", " + at() + e.what(); });
          }
          held.Take(HeldBytes(row, stations.data() + before, stations.size() - before, fields));
        }
        if (r - reported >= step) {
          reported = r;
          position += 10;
          if (progress) progress(std::min(position, 100));
        }
      }
    } catch (const TCellTextError& e) {
      throw CellRefusal(reader, e);
    }
    taken.Sheet = reader.SheetName();
    reader.Close();
    // a workbook of no whole section chosen by mistake would give an empty base, or one short of a feeder
    RefuseIfNothingTaken(file, taken);
    all.Items += taken.Items;
  }
  messages.Finish();
  MakeBaseTables(lines, stations, baseStem, base);
  return all;
}

}  // namespace ld
