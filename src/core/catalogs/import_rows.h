#pragma once
// What every graph import shares: the graphs read from an outside file before anything is written,
// appending a catalogue row for a new graph and reading the unit text of an outside file.
#include <cstdint>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/tables/file_import.h"
#include "core/tables/layout.h"

namespace ld {

// Appends a row to the graph catalogue (layout "Каталог графиков") with the given columns, every
// other column zero; returns its row number.
int AppendGraphCatalogRow(TDataFile& catalog, int number, const std::string& title, std::uint8_t kind, int period,
                          char letter, const std::string& unit);

// Whether the catalogue holds a row of that graph number (any order).
bool GraphNumberInCatalog(const TDataFile& catalog, int number);

// The measured quantity and stored unit of a unit text of a metering system's workbook: "МВт" is
// active power, "МВАр" reactive power, "кВ" voltage, whatever the letter case or Latin look-alikes.
// False (letter 0, empty unit) for any other text.
bool GraphUnitOfText(const std::string& text, char& letter, std::string& unit);

// A graph read whole from an outside file, not yet in any table.
struct TImportedGraph {
  int Number = 0;
  std::string Title;
  std::uint8_t Kind = 0;
  char Letter = 0;  // Zam
  std::string Unit;
  std::vector<std::pair<double, double>> Points;  // (moment, value), hourly
};

// What a graph import read from its file: the graphs that are new to the catalogue, in the file's
// order; Taken.Items counts them, and a graph whose number the catalogue (or the file before it) holds
// is not taken, which Taken.FirstReason says and, when others were taken, the closing message names
// (Taken.Summary, after Close).
struct TGraphsRead {
  TImportTaken Taken;
  std::vector<TImportedGraph> Graphs;
  // Why each graph of the file was not taken ("строка 4: график № 7 уже есть в каталоге").
  std::vector<std::string> NotTaken;
  // Whether a graph of that number is new: neither in the catalogue nor read before it (otherwise the
  // reason why it is not taken is noted, with `where` before it: "строка 4", "запись 2").
  bool IsNew(const TDataFile& catalog, int number, const std::string& where = {});
  void Add(TImportedGraph graph) {
    read_.insert(graph.Number);
    Graphs.push_back(std::move(graph));
    ++Taken.Items;
  }
  // Once the file is read: when a graph was taken and another was not, the closing message counts the
  // ones taken and names the first of those not taken, so none is left out without a word.
  void Close();

private:
  // The numbers read and the catalogue's, each found in a step: a file of a hundred thousand graphs is
  // not compared graph by graph with every graph before it, nor with every row of the catalogue.
  std::unordered_set<int> read_;
  std::unordered_set<int> catalogued_;
  const TDataFile* catalog_ = nullptr;  // whose numbers catalogued_ holds
};

// The refusal of a graph that the file gives no value for: it would stand in the catalogue as a graph of
// nothing. `where` names its head ("строка 4").
std::string GraphWithoutValuesText(int number, const std::string& where, const std::string& why);

// Appends each graph's row to the catalogue and puts its points into the values table, both in memory,
// so that the caller writes the two in one run.
void AddImportedGraphs(const std::vector<TImportedGraph>& graphs, TDataFile& catalog, TDataFile& values);

}  // namespace ld
