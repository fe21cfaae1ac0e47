#pragma once
// What the grouped tests of the import rules share: the base's tables a reader starts from, a reader run
// on a sheet with what it wrote and said, and the files of a run.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/strings.h"
#include "core/base/numfmt.h"
#include "core/catalogs/graph_tables.h"
#include "core/catalogs/import_sheets.h"
#include "core/district/cdu_cards.h"
#include "core/district/feeder_measure.h"
#include "core/district/import_net_workbooks.h"
#include "core/district/import_psh.h"
#include "core/district/import_rs.h"
#include "core/district/line04_dbf.h"
#include "core/district/outside_readers.h"
#include "core/district/sheet_imports.h"
#include "core/district/subscriber_cells.h"
#include "core/district/subscriber_dbf.h"
#include "core/district/subscriber_xls.h"
#include "core/district/tp_measure.h"
#include "core/office/test_dbf_writer.h"
#include "core/base/import_number.h"
#include "core/office/sheet_reader.h"
#include "core/office/workbook.h"
#include "core/office/xlsx_file.h"
#include "core/regime/measurements.h"
#include "core/tables/colmaps.h"
#include "fake_sheet.h"
#include "measured_tables.h"
#include "support/table_rows.h"
#include "support/test_env.h"
#include "support/xls_builder.h"

namespace ld::test {

namespace fs = std::filesystem;

inline std::string Joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) all += (all.empty() ? "" : " | ") + line;
  return all;
}

class ImportRules : public ::testing::Test {
protected:
  ImportRules() { MaketFileName = (DataDir() / "maket.zr").string(); }

  TDataFile Empty(const char* layout) {
    TDataFile t;
    ReadMaket(layout, t);
    CreateColumns(t, 0);
    return t;
  }
  // A refusal's text, or what the reader returned.
  static std::string Refused(const std::function<std::string()>& run) {
    try {
      return run();
    } catch (const Error& e) {
      return e.what();
    }
  }
  // A base's first row of a field, or the import's messages when it took none.
  static std::string FirstOr(const TDataFile& table, const char* field, const std::vector<std::string>& messages) {
    return table.RowCount > 0 && messages.empty() ? CellText(table, field, 1) : Joined(messages);
  }
  // The station "ТП-42" (a transformer of 400 kVA) of the district's tables.
  TDataFile Stations() {
    TDataFile t;
    FillRows(t, LayoutTransTP, {{"", "ТП-42", "Т1", "", "", "ТМ-400/10"}});
    return t;
  }
  TDataFile Inputs() {
    TDataFile t;
    FillRows(t, LayoutSubstInputs, {{"ПС-1", "ТП-42"}});
    return t;
  }
  // The regime's scheme of the node "ПС1.ТП-42" and its import of a sheet row naming it.
  std::string Regime(const std::function<void(Worksheet&)>& fill, TDataFile& nodes) {
    ReadMaket(LayoutNodes, nodes);
    CreateColumns(nodes, 1);
    GetColumnAs<DAString>("Name", nodes)->SetItem(1, "ПС1.ТП-42");
    TDataFile branches = Empty(LayoutBranches), flows = Empty(LayoutLineFlows);
    Worksheet sheet("Замеры");
    sheet.SetNumber(1, 9, 4), sheet.SetText(1, 14, "ПС1"), sheet.SetText(1, 16, "ТП-42"), sheet.SetText(1, 17, "1");
    fill(sheet);
    Workbook book;
    book.sheets.push_back(sheet);
    WriteXlsx(dir / "z.xlsx", book);
    TSheetReader reader;
    reader.Open(dir / "z.xlsx");
    return Joined(ImportMeasurements(reader, nodes, branches, flows, {"", 0}, dir / "z.xlsx").Info);
  }
  std::string Dbf(const std::vector<DbfField>& fields, const DbfRow& row) {
    const std::string file = dir / "base.dbf";
    WriteDbf(file, fields, {row});
    return file;
  }
  // A card file of node 5 at the voltage `um` and a name card of the node `number`.
  std::string Cards(const std::string& number, const std::string& name, const std::string& um = "10.00") {
    const std::string file = dir / "s.cdu";
    WriteBytes(file, Utf8ToCp1251("0201" + FitLeft("5", 12) + FitLeft(um, 8) + "\r\n0290" + FitLeft(number, 12) + name + "\r\n"));
    return file;
  }
  std::string ReadCards(const std::string& file, TDataFile& nodes) {
    TDataFile branches = Empty(LayoutBranches);
    nodes = Empty(LayoutNodes);
    int n = 0, b = 0, balancing = 0, fixed = 0, shunts = 0;
    return Refused([&] {
      ImportCardScheme(file, false, nodes, branches, {}, n, b, balancing, fixed, shunts);
      return GetColumnAs<DAString>("Name", nodes)->GetItem(1);
    });
  }

  TempDir dir;
  const std::string stem = dir / "Район";
  std::vector<std::string> info;

  // The tables a sheet reader starts from: the district's station ТП-42 and its input, or an empty table.
  std::vector<TDataFile> StartTables(const TSheetImport& reader) {
    std::vector<TDataFile> tables;
    for (const char* layout : reader.Layouts)
      tables.push_back(std::string(layout) == LayoutTransTP     ? Stations()
                       : std::string(layout) == LayoutSubstInputs ? Inputs()
                                                                  : Empty(layout));
    return tables;
  }
  // What the reader wrote into its tables and said, or its refusal.
  std::string ReadShown(const TSheetImport& reader, const TSheetCells& cells) {
    std::vector<TDataFile> tables = StartTables(reader);
    std::vector<std::string> said;
    std::string out;
    try {
      const TImportTaken taken = reader.Read(tables, cells, {&said, 0.5, {}, {}, nullptr});
      out = std::to_string(taken.Items) + " " + taken.FirstReason + "\n";
    } catch (const TSheetKindError& e) {
      // a sheet of another kind: nothing taken, saying why
      out = "0 " + e.Reason + "\n";
    } catch (const std::exception& e) {
      return std::string("refused: ") + e.what();
    }
    return out + TablesShown(tables) + Joined(said);
  }
  // Every row of the tables, field by field, as ReadShown shows them.
  static std::string TablesShown(const std::vector<TDataFile>& tables) {
    std::string out;
    for (const TDataFile& t : tables)
      for (int r = 1; r <= t.RowCount; ++r) {
        for (int k = 1; k <= t.NCols; ++k) out += GetCellText(t, r, k, true) + "|";
        out += "\n";
      }
    return out;
  }
};

}  // namespace ld::test
