#include "core/regime/metering_tree.h"

#include <algorithm>

namespace ld {

std::string MeasurementCaption(const TLineFlowCols& flows, int row) {
  std::string text = flows.Line->GetItem(row);
  if (!text.empty()) return text;
  const std::string name1 = flows.Name1->GetItem(row), name2 = flows.Name2->GetItem(row);
  // A node meter names its node alone, as its numbers do.
  text = name1.empty() ? name2 : name2.empty() ? name1 : name1 + " - " + name2;
  if (!text.empty()) return text;
  text = std::to_string(flows.N1->Get(row));
  if (flows.N2->Get(row) != 0) text += " - " + std::to_string(flows.N2->Get(row));
  return text;
}

std::uint64_t TMeteringIndex::Key(std::int32_t a, std::int32_t b) {
  if (a > b) std::swap(a, b);
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 32) | static_cast<std::uint32_t>(b);
}

TMeteringIndex::TMeteringIndex(const TRegime& regime) {
  if (regime.Root == nullptr) return;
  const std::size_t count = regime.Elements().Count();
  branches_.reserve(count);
  nodes_.reserve(count);
  for (TRegimeElement* e = regime.Root; e != nullptr; e = e->NextInTree) {
    branches_.try_emplace(Key(e->Number, e->Number2), e);
    if ((e->Flags & efLoopClosing) == 0) nodes_.try_emplace(e->Number, e);
  }
}

TRegimeElement* TMeteringIndex::Branch(std::int32_t n1, std::int32_t n2) const {
  const auto it = branches_.find(Key(n1, n2));
  return it == branches_.end() ? nullptr : it->second;
}

TRegimeElement* TMeteringIndex::Node(std::int32_t n) const {
  const auto it = nodes_.find(n);
  return it == nodes_.end() ? nullptr : it->second;
}

std::vector<TRegimeElement*> MapMeasurementsToModel(const TRegime& regime, const TLineFlowCols& flows) {
  std::vector<TRegimeElement*> elements(static_cast<std::size_t>(flows.RowCount) + 1, nullptr);
  const TMeteringIndex index(regime);
  for (int row = 1; row <= flows.RowCount; ++row) {
    const std::int32_t n1 = flows.N1->Get(row), n2 = flows.N2->Get(row);
    if (n1 != 0 && n2 != 0)
      elements[static_cast<std::size_t>(row)] = index.Branch(n1, n2);
    else if (n1 != 0)
      elements[static_cast<std::size_t>(row)] = index.Node(n1);
  }
  return elements;
}

namespace {

void ClearWork(TRegime& regime) {
  for (TRegimeElement* e = regime.FirstElement; e != nullptr; e = e->Next) e->Work = 0;
}

}  // namespace

TMeasurementTree BuildMeasurementTree(TRegime& regime, const TLineFlowCols& flows, int mode, int group) {
  TMeasurementTree tree;
  const int rows = flows.RowCount;
  tree.Elements.assign(static_cast<std::size_t>(rows) + 1, nullptr);
  ClearWork(regime);
  if (regime.ModelError || regime.Root == nullptr) {
    tree.ModelError = true;
    return tree;
  }
  const TMeteringIndex index(regime);
  auto at = [](int row) { return static_cast<std::size_t>(row); };

  for (int row = 1; row <= rows; ++row) {
    const std::int32_t n1 = flows.N1->Get(row), n2 = flows.N2->Get(row);
    if (!IsMeteringRow(flows, row) || n1 == 0 || n2 == 0) continue;
    TRegimeElement* e = index.Branch(n1, n2);
    if (e == nullptr) {
      tree.Messages.push_back("Перетоки в линиях: линия " + MeasurementCaption(flows, row) + " в схеме не найдена");
    } else if (e->Work != 0) {
      tree.Messages.push_back("Перетоки в линиях: дублирование линии " + MeasurementCaption(flows, row));
    } else {
      tree.Elements[at(row)] = e;
      e->Work = row;
    }
  }
  for (int row = 1; row <= rows; ++row) {
    const std::int32_t n1 = flows.N1->Get(row), n2 = flows.N2->Get(row);
    if (!IsMeteringRow(flows, row) || n1 == 0 || n2 != 0) continue;
    TRegimeElement* e = index.Node(n1);
    if (e == nullptr) {
      const std::string name = flows.Name1->GetItem(row);
      tree.Messages.push_back("Перетоки в линиях: узел " + (name.empty() ? std::to_string(n1) : name) +
                              " в схеме не найдена");
    } else {
      tree.Elements[at(row)] = e;
    }
  }

  std::vector<int> order(at(rows));
  for (int row = 1; row <= rows; ++row) order[at(row - 1)] = row;
  if (mode == 0) {
    // The number of metered elements above each element, carried down the tree in one pass.
    const TElementPool& pool = regime.Elements();
    std::vector<int> above(pool.Count(), 0);
    std::vector<int> level(at(rows) + 1, 0);
    int maxLevel = -1;
    for (TRegimeElement* e = regime.Root->NextInTree; e != nullptr; e = e->NextInTree) {
      const TRegimeElement* p = e->Parent;
      const int up = p == nullptr ? 0 : above[pool.IndexOf(p)] + (p->Work != 0 ? 1 : 0);
      above[pool.IndexOf(e)] = up;
      if (e->Work != 0) {
        level[at(e->Work)] = up;
        maxLevel = std::max(maxLevel, up);
      }
    }
    for (int row = 1; row <= rows; ++row)
      if (flows.N2->Get(row) == 0 && tree.Elements[at(row)] != nullptr && level[at(row)] == 0)
        level[at(row)] = maxLevel + 1;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return level[at(a)] < level[at(b)]; });
  }

  if (mode != 2) {
    for (const int row : order) {
      if (!IsMeteringRow(flows, row)) continue;
      if (mode >= 3 && flows.Ngp->Get(row) != group) continue;
      int parent = 0;
      if (mode == 0 && tree.Elements[at(row)] != nullptr) {
        const TRegimeElement* e = tree.Elements[at(row)];
        if (flows.N2->Get(row) != 0) e = e->Parent;
        while (e != nullptr && e->Work == 0) e = e->Parent;
        if (e != nullptr) parent = e->Work;
      }
      tree.Rows.push_back({row, parent, MeasurementCaption(flows, row)});
    }
  }
  ClearWork(regime);
  return tree;
}

}  // namespace ld
