// The nested model of an expanded substation: its own nodes and branches drawn without grouping,
// its highest-voltage nodes (or its marked ones) as the vertices.
#include <algorithm>
#include <cmath>

#include "core/base/codepage.h"
#include "core/base/numfmt.h"
#include "core/diagram/schem_state.h"

namespace ld::diagram {

namespace {

// The order in which the table store sorts texts: upper case, by Windows-1251 codes.
std::u32string NameKey(std::string_view text) {
  const std::string upper = UpperCase(text);
  std::u32string key;
  for (std::size_t i = 0; i < upper.size();) key.push_back(static_cast<char32_t>(Cp1251SortKey(NextUtf8Char(upper, i))));
  return key;
}

}  // namespace

void TSchemBoxState::CollectSubstationLists(std::vector<std::string>& substNames, std::vector<std::int32_t>& nodeOrder,
                                            std::vector<std::int32_t>& ends1, std::vector<std::int32_t>& ends2) const {
  substNames.clear();
  nodeOrder.clear();
  ends1.clear();
  ends2.clear();
  const int nodeRows = NodeTable && NodeCols.NS ? NodeTable->RowCount : 0;
  std::vector<std::u32string> keys;
  for (int r = 1; r <= nodeRows; ++r) {
    substNames.push_back(SubstationOf(NodeCols.Name ? NodeCols.Name->GetItem(r) : std::string()));
    keys.push_back(NameKey(substNames.back()));
    nodeOrder.push_back(r);
  }
  std::stable_sort(nodeOrder.begin(), nodeOrder.end(), [&](int a, int b) { return keys[a - 1] < keys[b - 1]; });
  std::vector<std::string> sorted;
  sorted.reserve(substNames.size());
  for (int r : nodeOrder) sorted.push_back(substNames[r - 1]);
  substNames = std::move(sorted);
  const int branchRows = BranchTable && BranchCols.N1 ? BranchTable->RowCount : 0;
  for (int r = 1; r <= branchRows; ++r) {
    ends1.push_back(BranchCols.N1->Get(r));
    ends2.push_back(BranchCols.N2 ? BranchCols.N2->Get(r) : 0);
  }
}

bool TSchemBoxState::CollectSubstation(const std::string& name, const std::vector<std::string>& substNames,
                                       std::vector<std::int32_t>& branches, std::vector<std::int32_t>& nodes,
                                       const std::vector<std::int32_t>& ends1, const std::vector<std::int32_t>& ends2,
                                       const std::vector<std::int32_t>& nodeOrder) {
  branches.clear();
  nodes.clear();
  const std::u32string key = NameKey(SubstationOf(name));
  const auto after = std::upper_bound(substNames.begin(), substNames.end(), key,
                                      [](const std::u32string& k, const std::string& s) { return k < NameKey(s); });
  if (after == substNames.begin() || NameKey(*(after - 1)) != key) return false;
  const auto nodeNr = [&](std::size_t entry) {
    return entry < nodeOrder.size() && NodeCols.NS ? NodeCols.NS->Get(nodeOrder[entry]) : 0;
  };
  const std::size_t last = static_cast<std::size_t>(after - substNames.begin()) - 1;
  const std::int32_t rep = nodeNr(last);
  std::vector<std::int32_t> e1 = ends1, e2 = ends2;
  for (std::size_t i = last + 1; i-- > 0 && NameKey(substNames[i]) == key;) {
    if (i < nodeOrder.size()) nodes.push_back(nodeOrder[i]);
    if (i == last) continue;
    const std::int32_t member = nodeNr(i);
    for (std::size_t k = 0; k < e1.size(); ++k) {
      if (e1[k] == member) e1[k] = rep;
      if (k < e2.size() && e2[k] == member) e2[k] = rep;
    }
  }
  for (std::size_t k = 0; k < e1.size() && k < e2.size(); ++k)
    if (e1[k] == rep && e2[k] == rep) branches.push_back(static_cast<std::int32_t>(k) + 1);
  if (nodes.size() >= 2) return true;
  return nodes.size() == 1 && NodeCols.Name && NodeCols.Name->GetItem(nodes[0]).find('.') != std::string::npos;
}

bool TSchemBoxState::BuildSubstationModel(const std::string& substName, std::vector<std::int32_t> nodes, PSElem owner,
                                          TCanvas& canvas, TSchemeModel& subModel, std::vector<std::int32_t> branches) {
  const int rows = NodeTable ? NodeTable->RowCount : 0;
  std::erase_if(nodes, [&](std::int32_t row) { return row < 1 || row > rows; });

  // The cut names and the vertex letters live in the table only while the nested model is built: they
  // go back, with the grouping setting and the metrics, however the build ends.
  struct Restore {
    TSchemBoxState& box;
    TCanvas& canvas;
    bool integral;
    std::vector<std::int32_t> rows;
    std::vector<char> signs;
    std::vector<std::string> names;
    ~Restore() {
      for (std::size_t i = rows.size(); i-- > 0;) {
        if (box.NodeCols.Sign) (*box.NodeCols.Sign)[rows[i]] = signs[i];
        if (box.NodeCols.Name) box.NodeCols.Name->SetItem(rows[i], names[i]);
      }
      box.FIntegral = integral;
      box.ComputeMetrics(canvas.Font);
    }
  } restore{*this, canvas, FIntegral, {}, {}, {}};
  FIntegral = false;

  auto voltageKey = [&](std::int32_t row) -> std::int64_t {
    const double u = NodeCols.Um ? static_cast<double>(NodeCols.Um->Get(row)) * 100 : 0;
    return std::isfinite(u) ? Round(std::clamp(u, -1e15, 1e15)) : 0;
  };
  std::vector<std::int64_t> keys;
  std::stable_sort(nodes.begin(), nodes.end(), [&](std::int32_t a, std::int32_t b) { return voltageKey(a) > voltageKey(b); });
  const std::size_t substLength = Utf8Length(substName);
  for (std::int32_t row : nodes) {
    const std::string name = NodeCols.Name ? NodeCols.Name->GetItem(row) : std::string();
    restore.rows.push_back(row);
    restore.signs.push_back(NodeCols.Sign ? NodeCols.Sign->Get(row) : 0);
    restore.names.push_back(name);
    if (NodeCols.Sign) (*NodeCols.Sign)[row] = 0;
    std::string shortName = " ";
    if (Utf8Length(name) > substLength) {
      std::size_t pos = 0;
      for (std::size_t k = 0; k <= substLength; ++k) NextUtf8Char(name, pos);
      shortName = name.substr(std::min(pos, name.size()));
    }
    if (NodeCols.Name) NodeCols.Name->SetItem(row, shortName);
    keys.push_back(!shortName.empty() && shortName[0] == '*' ? 0 : voltageKey(row));
  }

  // Vertices: the nodes of the highest class, unless a marked node of that class exists; every
  // marked node. A node without a voltage (key 0) belongs to no class.
  auto classOf = [&](std::int64_t key) {
    return key == 0 ? 0 : NearestNominalVoltage(static_cast<int>(std::min<std::int64_t>(std::llabs(key), INT32_MAX)));
  };
  int chosen = 0;
  for (std::int64_t key : keys)
    if (key != 0) {
      chosen = classOf(key);
      break;
    }
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    const std::uint8_t peak = NodeCols.Peak ? NodeCols.Peak->Get(nodes[i]) : 0;
    if (peak != 1 && peak != 2) continue;
    if (NodeCols.Sign) (*NodeCols.Sign)[nodes[i]] = 'b';
    if (chosen != 0 && classOf(keys[i]) == chosen) chosen = 0;
  }
  if (chosen != 0)
    for (std::size_t i = 0; i < nodes.size(); ++i)
      if (classOf(keys[i]) == chosen && NodeCols.Sign) (*NodeCols.Sign)[nodes[i]] = 'b';

  std::vector<std::int32_t> savedNodes = NodeSet, savedLines = LineSet;
  const std::vector<std::int32_t> ownNodes = nodes, ownLines = branches;
  const bool built = BuildSchemeModel(nodes, branches, subModel);
  for (PSElem e = subModel.First; e != nullptr; e = e->Next) {
    e->Flags |= efInSubModel;
    e->Owner = owner;
  }
  auto unite = [](std::vector<std::int32_t>& set, const std::vector<std::int32_t>& more) {
    set.insert(set.end(), more.begin(), more.end());
    std::sort(set.begin(), set.end());
    set.erase(std::unique(set.begin(), set.end()), set.end());
  };
  unite(savedNodes, ownNodes);
  unite(savedLines, ownLines);
  NodeSet = std::move(savedNodes);
  LineSet = std::move(savedLines);
  if (built) LayoutScheme(canvas, subModel);
  return built;
}

}  // namespace ld::diagram
