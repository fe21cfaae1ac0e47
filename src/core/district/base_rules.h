#pragma once
// The rules of the district database window that need no window: the grid positions it remembers per
// table, the texts it shows for a base, and the values its typing helpers propose for a cell.
#include <array>
#include <string>

#include "core/tables/layout.h"

namespace ld {

// Where the grid stood in a table: the table row in the first data line, the cursor's grid column and
// the cursor's grid line.
struct TBaseGridPos {
  int TopRow = 1, Col = 1, Row = 1;
  bool operator==(const TBaseGridPos&) const = default;
};

// The tables whose positions the window remembers while a base stays open, in slot order. The
// nominal-voltage list has no slot: it always opens at its first row.
inline constexpr int kBaseMaketCount = 19;
extern const std::array<const char*, kBaseMaketCount> BaseMaketNames;

class TBaseGridPositions {
public:
  // Every slot back to 1, 1, 1.
  void Reset() { positions_.fill(TBaseGridPos{}); }
  // A layout without a slot is passed over.
  void Save(const std::string& maketName, int topRow, int col, int row);
  // 1, 1, 1 for a layout without a slot.
  void Get(const std::string& maketName, int& topRow, int& col, int& row) const;
  TBaseGridPos Get(const std::string& maketName) const;

private:
  std::array<TBaseGridPos, kBaseMaketCount> positions_{};
};

// A remembered position fitted to the table it is opened on: a first row beyond the rows gives 1, the
// cursor goes no lower than the last row, a column beyond the shown columns gives column 1.
TBaseGridPos BoundGridPos(TBaseGridPos pos, int rowCount, int colCount);

// "База РЭС - <file name>" and the base's switching moment " (dd.mm.yyyy hh:nn)" when its INI file
// holds one; a value that is no moment shows none.
std::string BaseCaption(const std::string& baseFileName);
// The filter of the base file dialogs, "<line layout> (*<ext>)|*<ext>" with the line table's
// extension from the layout file.
std::string BaseDialogFilter();
// The heading line of a printed table: "Схема: <file name> - <label>".
std::string BasePrintHeading(const std::string& baseFileName, const std::string& label);

// An equipment catalogue of the catalogue folder as the window opens it.
struct TBaseCatalog {
  const char* File;
  const char* Title;
  const char* Layout;
};
// In the order of the menu "Каталоги".
extern const std::array<TBaseCatalog, 7> BaseCatalogs;

// ---- typing helpers of the line and station tables

// The tap-off name that follows every "_<n>" in Name1 and Name2 of the line table: "_" and the
// largest n plus one, "_1" when there is none. A name "_" followed by no integer raises ConvertError.
std::string NextTapOffName(const TDataFile& lines);
// The station row whose Name1 equals name, both upper-cased; 0 when there is none.
int FindStationRow(const TDataFile& stations, const std::string& name);
// "Т" and the integer after the first "." of a station name ("Т1" without "."); digits that do not
// form an integer raise ConvertError.
std::string StationTransformerName(const std::string& name);
// The equipment text the parameter dialog opens a line row with: its own, or by the row's sign a
// two-winding transformer ("Т"), a reactor ("Р"), else a line of the row's nominal voltage.
std::string LineEquipmentType(const std::string& typEqu, const std::string& sign, const std::string& un);
// The nominal-voltage text of a line row after the dialog returned a transformer: the voltages of the
// mark ("ТМ-400/10/0.4": power 400, windings 10 and 0.4) as nominal voltages, high/low for two
// windings, and for three or split windings by the winding digit of the type (0 high/high, 1 high/
// second, 2 high/third). Anything else, or a mark without the voltages, keeps un.
std::string TransformerLineVoltages(const std::string& type, const std::string& mark, const std::string& un);

}  // namespace ld
