#pragma once
// Metering points of a scheme: the rows of "Перетоки в линиях" with Typ 4 or 5, linked to the elements of
// the engine's model and arranged as the measurement tree of the balance panel.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/engine/regime.h"
#include "core/tables/colmaps.h"

namespace ld {

// The text of a metering row: Line, else "Name1 - Name2" (either name alone without the other), else
// "N1 - N2" (N1 alone for a node meter).
std::string MeasurementCaption(const TLineFlowCols& flows, int row);

// Whether a row of the line-flow table is a metering point.
inline bool IsMeteringRow(const TLineFlowCols& flows, int row) {
  const int typ = flows.Typ.Get(row);
  return typ == 4 || typ == 5;
}

// The model indexed by node numbers: a branch by its two end numbers in either order, a node by its own
// number (its tree element, never a branch outside the tree). Each key gives the first element in tree
// order.
class TMeteringIndex {
public:
  explicit TMeteringIndex(const TRegime& regime);
  TRegimeElement* Branch(std::int32_t n1, std::int32_t n2) const;
  TRegimeElement* Node(std::int32_t n) const;

private:
  static std::uint64_t Key(std::int32_t a, std::int32_t b);
  std::unordered_map<std::uint64_t, TRegimeElement*> branches_;
  std::unordered_map<std::int32_t, TRegimeElement*> nodes_;
};

// The element of every row of the line-flow table (no Typ filter), index 1 to the row count; index 0 is
// unused. A row with both numbers finds its branch, a row with N1 alone its node.
std::vector<TRegimeElement*> MapMeasurementsToModel(const TRegime& regime, const TLineFlowCols& flows);

// One node of the measurement tree: the metering row, the row of its parent node (0 at the top level)
// and its text. Rows come in the order in which they are added, parents before children.
struct TMeasurementTreeRow {
  int Row = 0;
  int ParentRow = 0;
  std::string Text;
};

struct TMeasurementTree {
  std::vector<TMeasurementTreeRow> Rows;
  std::vector<std::string> Messages;
  // The element of each line-flow row (index 1 to the row count); duplicated branch meters keep none.
  std::vector<TRegimeElement*> Elements;
  bool ModelError = false;
};

inline constexpr char kModelErrorText[] =
    "Ошибка построения модели. Детальная информация: меню \"Контроль схемы\" - \"Анализ конфигурации\"";

// The measurement tree of a mode: 0 a tree by the model's supply direction, 1 a list, 2 empty (the
// selection is made on the diagram), 3 and above the rows of one group (Ngp = group). The model must
// be loaded; Work of every element is used and left 0. A model error gives an empty tree.
TMeasurementTree BuildMeasurementTree(TRegime& regime, const TLineFlowCols& flows, int mode, int group);

}  // namespace ld
