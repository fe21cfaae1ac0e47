// Every reader of the program's list fed names of Windows-1251 whose bytes happen to be well-formed UTF-8
// of Latin letters ("Её" is "Ÿ", "ИЁ" is "Ȩ", "Д№1" is "Ĺ1"): each takes the names as written, without a
// question, since no word of the file is of the language those letters would be. The readers come from the
// program's own list: one added later fails here until it has a file of such names.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/strings.h"
#include "core/catalogs/graph_tables.h"
#include "core/district/import_psh.h"
#include "core/district/outside_readers.h"
#include "core/regime/pnt_lin.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "support/graph_file_builder.h"
#include "support/scripted_msgbox.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kNames = {"Её", "ИЁ", "Д№1"};

// A reader's file of the names, made in the folder, and the names as the run of the reader gives them.
struct TNamesFile {
  std::function<std::string(const fs::path& folder)> Write;
  std::function<std::vector<std::string>(const TOutsideRun& run)> Names;
  std::vector<std::string> Expected = kNames;
  bool Text = false;  // a text file, whole UTF-8 with the names in it; the others hold binary records
  const char* NamesExtension = nullptr;  // of the file that holds the names, when not the chosen one
};

std::vector<std::string> Column(const TDataFile& table, int column) {
  std::vector<std::string> out;
  for (int row = 1; row <= table.RowCount; ++row) out.push_back(GetCellText(table, row, column, true));
  return out;
}

std::vector<std::string> PshNames() {
  std::vector<std::string> names;
  for (const std::string& name : kNames) names.push_back(ExpandFeedName(UpperCase(name)));
  return names;
}

const std::map<std::string, TNamesFile>& NamesFiles() {
  static const std::map<std::string, TNamesFile> files = {
      {kCardsReader,
       {[](const fs::path& folder) {
          std::string nodes, names;
          for (std::size_t i = 0; i < kNames.size(); ++i) {
            nodes += "0201" + FitLeft(std::to_string(i + 1), 12) + FitLeft("10.00", 8) + "\r\n";
            names += "0290" + FitLeft(std::to_string(i + 1), 12) + Utf8ToCp1251(kNames[i]) + "\r\n";
          }
          WriteBytes(folder / "имена.CDU", nodes + names);
          return (folder / "имена.CDU").string();
        },
        [](const TOutsideRun& run) { return ColumnTexts(run.Tables[0], "Name"); }, kNames, true}},
      {kPntLinReader,
       {[](const fs::path& folder) {
          // the texts of the pair are the regulation texts of its branches
          const int count = static_cast<int>(kNames.size());
          TDataFile nodes, branches;
          ReadMaket(LayoutNodes, nodes);
          CreateColumns(nodes, count + 1);
          ReadMaket(LayoutBranches, branches);
          CreateColumns(branches, count);
          TNodeCols n;
          FillNodeCols(nodes, n);
          for (int row = 1; row <= n.RowCount; ++row) (*n.NS)[row] = row, (*n.Um)[row] = 10;
          TBranchCols b;
          FillBranchCols(branches, b);
          for (int row = 1; row <= count; ++row) {
            (*b.N1)[row] = row, (*b.N2)[row] = row + 1, (*b.X)[row] = 1;
            b.Regulation->SetItem(row, kNames[static_cast<std::size_t>(row) - 1]);
          }
          WritePntLin((folder / "имена.PNT").string(), nodes, branches, {});
          return (folder / "имена.PNT").string();
        },
        [](const TOutsideRun& run) { return ColumnTexts(run.Tables[1], "Regulation"); }, kNames, true, ".LIN"}},
      {kPshReader,
       {[](const fs::path& folder) {
          // names 1-8 and 10-17, state 19-22, mark 24-32, length 33-40
          std::string bytes = "Feeder\r\n--\r\n";
          for (const std::string& name : kNames)
            bytes += Utf8ToCp1251(FitRight("12", 8) + " " + FitRight(name, 8) + " " + FitRight("", 4) + " " +
                                  FitRight("A-35", 9) + FitLeft("0.1", 8) + " -") + "\r\n";
          WriteBytes(folder / "имена.psh", bytes);
          return (folder / "имена.psh").string();
        },
        [](const TOutsideRun& run) { return ColumnTexts(run.Base->Lines, "Name2"); }, PshNames(), true}},
      {kRsReader,
       {[](const fs::path& folder) {
          std::vector<std::vector<std::string>> rows;
          for (const std::string& name : kNames) rows.push_back({"", "PS.35.10", name, "", "", "", "", "", "0", "0", "0"});
          WriteRows((folder / "имена.RS").string(), LayoutDistrict10, rows);
          return (folder / "имена.RS").string();
        },
        [](const TOutsideRun& run) { return ColumnTexts(run.Base->Lines, "Name2"); }}},
      {kLBReader,
       {[](const fs::path& folder) {
          std::string bytes = LBHeader();
          for (std::size_t i = 0; i < kNames.size(); ++i)
            bytes += LBRecord(static_cast<std::uint16_t>(i + 1), kNames[i], std::vector<float>(24, 1.5f));
          WriteBytes(folder / "имена.LB", bytes);
          return (folder / "имена.LB").string();
        },
        [](const TOutsideRun& run) {
          std::vector<std::string> titles;
          for (const TImportedGraph& graph : run.Graphs) titles.push_back(graph.Title);
          return titles;
        }}},
      {kGrcReader,
       {[](const fs::path& folder) {
          const std::string base = (folder / "имена").string();
          std::vector<std::vector<std::string>> rows;
          for (std::size_t i = 0; i < kNames.size(); ++i)
            rows.push_back({std::to_string(42 + i), kNames[i], "1", "P", "3600", "MW"});
          WriteRows(base + GetMaketExtention(GraphCatalogMaket), GraphCatalogMaket, rows);
          DAdouble dates, values;
          dates[1] = 20240305.036, values[1] = 1.5;
          dates.Count = values.Count = 1;
          for (int graph = 42; graph < 42 + static_cast<int>(kNames.size()); ++graph)
            StoreGraphValues(base, graph, dates, values);
          return base + GetMaketExtention(GraphCatalogMaket);
        },
        [](const TOutsideRun& run) { return Column(run.Tables[0], 2); }}},
  };
  return files;
}

// Whether every byte past ASCII of a file is a part of a well-formed UTF-8 character.
bool WellFormedUtf8(const std::string& bytes) {
  for (std::size_t pos = 0; pos < bytes.size();) {
    const std::size_t start = pos;
    if (NextUtf8Char(bytes, pos) >= 0x80 && pos - start == 1) return false;
  }
  return true;
}

TEST(OutsideCodePages, EveryReaderTakesWindows1251NamesThatAreWellFormedUtf8AsWritten) {
  MaketFileName = (DataDir() / "maket.zr").string();
  ASSERT_FALSE(OutsideReaders().empty());
  ScriptedMsgBox box;
  for (const TOutsideReader& reader : OutsideReaders()) {
    SCOPED_TRACE(reader.Command);
    // a workbook keeps its texts in Unicode by its own format: there is no code page to decide
    if (reader.Extension.starts_with(".xls")) continue;
    const auto sample = NamesFiles().find(reader.Command);
    ASSERT_NE(sample, NamesFiles().end()) << "the reader has no file of such names here";
    TempDir dir;
    const std::string file = sample->second.Write(dir.Path());
    fs::path holder = file;
    if (sample->second.NamesExtension != nullptr) holder.replace_extension(sample->second.NamesExtension);
    const std::string bytes = ReadBytes(holder);
    EXPECT_NE(bytes.find(Utf8ToCp1251("Д№1")), std::string::npos);
    if (sample->second.Text) {
      EXPECT_TRUE(WellFormedUtf8(bytes)) << "the file would not tell the readers anything";
    }
    TBaseImport base;
    TOutsideRun run;
    run.Base = &base;
    run.BaseStem = (dir.Path() / "импорт").string();
    try {
      reader.ReadInto(file, run);
      EXPECT_EQ(sample->second.Names(run), sample->second.Expected);
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what();
    }
    EXPECT_TRUE(box.Calls().empty()) << box.Calls().front().text;
    box.Clear();
  }
}

}  // namespace
}  // namespace ld::test
