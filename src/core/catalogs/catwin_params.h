#pragma once
// The checks and the row writing of the graph properties dialog, apart from its controls.
#include <string>
#include <vector>

#include "core/catalogs/graph_tables.h"

namespace ld {

// Texts of the measured quantities; a row stores the first character of its item.
inline constexpr const char* kGraphQuantityTexts[] = {"P - актив", "Q - реактив", "U - напряж.",
                                                      "I - ток",   "t - тангенс", "k трансф."};
inline constexpr const char* kGraphKindTexts[] = {"Типовой (24ч)", "По срезам", "По суткам"};

// The units offered for a quantity letter and a kind (0..2); none for t and k.
std::vector<std::string> GraphUnitChoices(char letter, int kind);

// Graph numbers of the catalogue ascending; the numbers of its graphs of one letter; the typical
// graphs (kind 0) of one letter.
std::vector<int> SortedGraphNumbers(const TGraphCatalogCols& cols);
std::vector<int> GraphNumbersOfLetter(const TGraphCatalogCols& cols, char letter);
std::vector<int> TypicalGraphNumbers(const TGraphCatalogCols& cols, char letter);

// The number offered for a new graph: one above the largest (1 for an empty catalogue).
int ProposedGraphNumber(const std::vector<int>& sortedNumbers);

// What the dialog holds when "Применить" is pressed. Indices are -1 when nothing is chosen.
struct TGraphParamInput {
  std::string Number, Title;
  int Kind = -1;      // 0..2
  int Period = -1;    // index into GraphPeriods
  int Quantity = -1;  // index into kGraphQuantityTexts
  std::string Unit;
  bool UseUs = true;  // average voltage instead of a voltage graph
  std::string Us, Nu;
  bool UseTgf = true;  // average tangent instead of a tangent graph
  std::string Tgf, Ntg, Nt;
};

// What the checks compare with.
struct TGraphParamContext {
  bool IsNew = true;
  int OldNumber = 0;
  std::vector<int> Numbers;   // sorted
  std::vector<int> NuList;    // voltage graphs
  std::vector<int> NtgList;   // tangent graphs
  std::vector<int> NtList;    // typical graphs of the quantity
};

// The first failing check's message; empty when the input is valid. A number text that does not
// convert gives its conversion message.
std::string CheckGraphParams(const TGraphParamInput& input, const TGraphParamContext& context);

// Writes the input into row `row` of the catalogue (0: appends a row and returns its number in row).
void WriteGraphParams(TDataFile& catalog, int& row, const TGraphParamInput& input);

}  // namespace ld
