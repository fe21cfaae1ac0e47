#include "core/district/set_writer_inputs.h"

#include <bit>
#include <cstdint>
#include <fstream>
#include <utility>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/dates.h"
#include "core/base/error.h"
#include "core/catalogs/catwin_graph.h"
#include "core/catalogs/graph_tables.h"
#include "core/office/workbook.h"
#include "core/office/xlsx_file.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/colmaps_scheme.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"

namespace ld::set_inputs {

namespace {

std::string In(const std::string& folder, const std::string& name) { return folder + "/" + name; }

// A catalogue of graphs of the stem: two graphs from the number first on, of 24 hourly values of a day each.
void WriteGraphCatalog(const std::string& stem, int first) {
  const auto catalog = OpenGraphCatalog(stem);
  const auto values = OpenGraphValues(stem);
  InsertTableRows(*catalog, 1, 2);
  TGraphCatalogCols c;
  FillGraphCatalogCols(*catalog, c);
  for (int row = 1; row <= 2; ++row) {
    (*c.Ngr)[row] = first + row - 1;
    (*c.Per)[row] = 3600;
    c.Tit->SetItem(row, "ТП-" + std::to_string(first + row - 1));
    (*c.Zam)[row] = 'P';
    DAdouble dates(24), points(24);
    dates.Count = points.Count = 24;
    for (int hour = 1; hour <= 24; ++hour) {
      dates[hour] = 20261102 + hour * 3600 / 100000.0;  // the moment packed as the values table holds it
      points[hour] = 10.0 * row + hour;
    }
    PutGraphValues(*values, first + row - 1, dates, points);
  }
  WriteTableFile(stem + GetMaketExtention(GraphCatalogMaket), *catalog);
  WriteTableFile(stem + GetMaketExtention(GraphValuesMaket), *values);
}

// A dBase III file of one character field, its texts in Windows-1251 (as its header's language byte says).
void WriteDbfTexts(const std::string& file, const std::string& field, const std::vector<std::string>& texts) {
  constexpr unsigned char kWidth = 20;
  const auto put16 = [](std::string& bytes, std::size_t at, unsigned value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
  };
  std::string bytes(32, '\0');
  bytes[0] = 0x03;
  bytes[1] = static_cast<char>(126);  // 2026-12-09
  bytes[2] = 12;
  bytes[3] = 9;
  put16(bytes, 4, static_cast<unsigned>(texts.size()));
  put16(bytes, 8, 32 + 32 + 1);
  put16(bytes, 10, 1 + kWidth);
  bytes[29] = static_cast<char>(0xC9);
  std::string descriptor(32, '\0');
  descriptor.replace(0, field.size(), field);
  descriptor[11] = 'C';
  descriptor[16] = static_cast<char>(kWidth);
  bytes += descriptor + '\r';
  for (const std::string& text : texts) {
    const std::string cp = Utf8ToCp1251(text);
    bytes += ' ' + cp + std::string(kWidth - cp.size(), ' ');
  }
  bytes += '\x1A';
  std::ofstream(file, std::ios::binary) << bytes;
}

}  // namespace

void WriteMeasurementBook(const std::string& folder) {
  TDataFile nodes;
  ReadTableFile(In(folder, "Образец") + GetMaketExtention(LayoutNodes), nodes);
  TNodeCols n;
  FillNodeCols(nodes, n);
  Worksheet sheet;
  for (int row = 1, written = 0; row <= n.RowCount && written < 2; ++row) {
    const std::string name = n.Name->GetItem(row);
    const std::size_t dot = name.find('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) continue;
    ++written;
    sheet.SetText(written, 14, name.substr(0, dot));
    sheet.SetText(written, 16, name.substr(dot + 1));
    sheet.SetNumber(written, 9, 0.25 * written);
    sheet.SetText(written, 17, "1");
  }
  Workbook book;
  book.sheets.push_back(std::move(sheet));
  WriteXlsx(In(folder, "Замеры.xlsx"), book);
}

// A network file "*.RS" of a feeder: a supply row and two stations with their loads.
void PrepareDistrictFile(const std::string& folder) {
  TDataFile table;
  ReadMaket(LayoutDistrict10, table);
  CreateColumns(table, 3);
  TDistrict10Cols c;
  FillDistrict10Cols(table, c);
  const char* rows[][3] = {{"П", "ПС.35.10", "Ф-5"}, {"", "ПС.35.10", "ТП-7"}, {"", "ТП-7", "ТП-8"}};
  for (int row = 1; row <= 3; ++row) {
    (*c.Sign)[row] = Utf8ToCp1251(rows[row - 1][0])[0];
    c.Name1->SetItem(row, rows[row - 1][1]);
    c.Name2->SetItem(row, rows[row - 1][2]);
    c.KodLine->SetItem(row, row == 1 ? "" : "АС-50");
    (*c.TypPQ)[row] = static_cast<std::uint8_t>(row == 1 ? 0 : 1);
    (*c.P)[row] = 0.1f * static_cast<float>(row);
    (*c.Q)[row] = 0.05f * static_cast<float>(row);
  }
  WriteTableFile(In(folder, "Сеть.RS"), table);
}

// A feeder file of the folder: two heading lines, then a supply section, a station and a tap-off, each in
// its columns (names 1-8 and 10-17, state 19-22, mark 24-32, length 33-40 to the right, transformer 42-49).
void PrepareFeederFile(const std::string& folder) {
  const auto cell = [](const std::string& text, std::size_t width, bool right) {
    const std::string bytes = Utf8ToCp866(text);
    const std::string blanks(width > bytes.size() ? width - bytes.size() : 0, ' ');
    return right ? blanks + bytes : bytes + blanks;
  };
  const char* pieces[][5] = {
      {"Лесная", "ТП-1", "АС-50", "0.25", "-"}, {"ТП-1", "ТП-2", "АС-35", "0.1", "ТМ-250"}, {"ТП-2", "ТП-3", "А-35", "0.3", "ТМ-400"}};
  std::string bytes = Utf8ToCp866("Фидер Лесная\r\n--------\r\n");
  for (const auto& p : pieces)
    bytes += cell(p[0], 8, false) + " " + cell(p[1], 8, false) + " " + cell("", 4, false) + " " + cell(p[2], 9, false) +
             cell(p[3], 8, true) + " " + cell(p[4], 8, false) + "\r\n";
  std::ofstream(In(folder, "Лесная.psh"), std::ios::binary) << bytes;
}

void PrepareGraphCatalog(const std::string& folder) { WriteGraphCatalog(In(folder, "Графики"), 1); }

// The catalogue "Графики" and a catalogue of another base, "Другие", of two graphs that it lacks.
void PrepareGraphCatalogs(const std::string& folder) {
  PrepareGraphCatalog(folder);
  WriteGraphCatalog(In(folder, "Другие"), 3);
}

void WriteGraphFileLB(const std::string& folder, int first) {
  std::string bytes("LB\x01\x00", 4);
  for (const auto number : {static_cast<std::uint16_t>(first), static_cast<std::uint16_t>(first + 1)}) {
    std::string record(428, '\0');  // number, the name after its length, the 24 hours' values as floats
    record[0] = static_cast<char>(number & 0xFF);
    record[1] = static_cast<char>(number >> 8);
    const std::string name = Utf8ToCp1251("Типовой " + std::to_string(number));
    record[2] = static_cast<char>(name.size());
    record.replace(3, name.size(), name);
    for (int hour = 0; hour < 24; ++hour) {
      const auto bits = std::bit_cast<std::uint32_t>(static_cast<float>(50 + number + hour));
      for (int b = 0; b < 4; ++b) record[static_cast<std::size_t>(44 + 4 * hour + b)] = static_cast<char>((bits >> (8 * b)) & 0xFF);
    }
    bytes += record;
  }
  std::ofstream(In(folder, "Типовые.LB"), std::ios::binary) << bytes;
}

void WriteMeteringBooks(const std::string& folder, int first) {
  Worksheet slices;  // the head row, a row not read, a day of hours 0..23
  slices.SetText(1, 1, "Ввод Т1");
  slices.SetText(1, 2, "МВт");
  slices.SetNumber(1, 3, first);
  slices.SetDate(3, 1, EncodeDate(2026, 11, 2));
  for (int hour = 0; hour < 24; ++hour) slices.SetNumber(3, 2 + hour, 1.5 + hour);
  Worksheet typical;  // title, unit, number, hours 1..24
  typical.SetText(1, 1, "Ввод Т2");
  typical.SetText(1, 2, "МВт");
  typical.SetNumber(1, 3, first);
  for (int hour = 1; hour <= 24; ++hour) typical.SetNumber(1, 3 + hour, 2.5 + hour);
  for (auto& [name, sheet] : {std::pair{"АСКУЭ.xlsx", &slices}, std::pair{"АСКУЭ типовые.xlsx", &typical}}) {
    Workbook book;
    book.sheets.push_back(std::move(*sheet));
    WriteXlsx(In(folder, name), book);
  }
}

// The subscriber workbooks of the base: an industrial sheet (two heading rows, then the metering points)
// and a households sheet (a station, then its feeder's count and energy).
void PrepareSubscriberBooks(const std::string& folder) {
  const std::vector<std::vector<std::string>> industrial = {
      {"Ведомость"},
      {"№"},
      {"1", "Д1", "Завод", "Цех 1", "ул. Мира", "ТП-5.1", "8-17", "10", "123", "СА4", "30", "АЕ спож.", "1000", "5"},
      {"2", "Д2", "Общежитие", "Цех 2", "", "ТП-7", "", "", "124", "", "1", "АЕ спож.", "200", "6"}};
  const std::vector<std::vector<std::string>> households = {{"ТП-1"}, {"1", "1", "2", "10"}};
  for (const auto& [name, rows] : {std::pair{"Промышленные.xlsx", &industrial}, std::pair{"Бытовые.xlsx", &households}}) {
    Worksheet sheet;
    for (std::size_t r = 0; r < rows->size(); ++r)
      for (std::size_t c = 0; c < (*rows)[r].size(); ++c)
        if (!(*rows)[r][c].empty()) sheet.SetText(static_cast<int>(r) + 1, static_cast<int>(c) + 1, (*rows)[r][c]);
    Workbook book;
    book.sheets.push_back(std::move(sheet));
    WriteXlsx(In(folder, name), book);
  }
}

// A book of measurements of the base's first substation input and first feeder, each named in column 3
// with its active value in column 8.
void PrepareFeederMeasurements(const std::string& folder) {
  TDataFile inputs, feeders;
  ReadTableFile(In(folder, "Образец") + GetMaketExtention(LayoutSubstInputs), inputs);
  ReadTableFile(In(folder, "Образец") + GetMaketExtention(LayoutSubstFeeders), feeders);
  const auto* input = GetColumnAs<DAString>("NamePS", inputs);
  const auto* feeder = GetColumnAs<DAString>("Name2", feeders);
  if (input == nullptr || feeder == nullptr || inputs.RowCount < 1 || feeders.RowCount < 1)
    throw Error("в базе нет вводов или фидеров");
  Worksheet sheet;
  sheet.SetText(2, 3, input->GetItem(1));
  sheet.SetNumber(2, 8, 1.25);
  sheet.SetText(3, 3, feeder->GetItem(1));
  sheet.SetNumber(3, 8, 3);
  Workbook book;
  book.sheets.push_back(std::move(sheet));
  WriteXlsx(In(folder, "Фидеры.xlsx"), book);
}

// A network workbook of one feeder: its voltage, a main-line section from the supply and a branch section
// to a station of one transformer.
void PrepareNetWorkbook(const std::string& folder) {
  Worksheet sheet;
  sheet.SetNumber(1, 1, 10);
  sheet.SetText(4, 1, "ПС-1.Ф5");
  sheet.SetNumber(4, 3, 0.25);
  sheet.SetText(4, 4, "АС-50");
  sheet.SetText(5, 1, "ТП-1");
  sheet.SetText(5, 2, "ТП-2");
  sheet.SetNumber(5, 3, 0.1);
  sheet.SetText(5, 4, "АС-35");
  sheet.SetNumber(5, 5, 1);
  sheet.SetNumber(5, 6, 400);
  Workbook book;
  book.sheets.push_back(std::move(sheet));
  WriteXlsx(In(folder, "Сеть.xlsx"), book);
}

// The billing department's household base and list of contracts.
void PrepareSubscriberBases(const std::string& folder) {
  WriteDbfTexts(In(folder, "быт.dbf"), "NAME_TP", {"ТП-1", "ТП-2"});
  WriteDbfTexts(In(folder, "дог.dbf"), "NDOGOV", {"101", "102"});
}

}  // namespace ld::set_inputs
