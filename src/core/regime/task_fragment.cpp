#include "core/regime/task_fragment.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/engine/fixflow.h"
#include "core/regime/scheme_files.h"
#include "core/regime/task_regime.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"

namespace ld {

namespace {

// The flow of an element's branch at one of its ends, in the direction from the parent to the element.
// The end is told to FixFlowBranchFlows by its work bits, which are set only for the call.
void EndFlow(TRegimeElement& element, bool parentEnd, double& p, double& q) {
  const std::uint32_t saved = element.Flags;
  element.Flags = (saved & ~(efFlowOwnEnd | efFlowParentEnd)) | efFlowOwnEnd |
                  (parentEnd ? static_cast<std::uint32_t>(efFlowParentEnd) : 0u);
  Complex u, i;
  FixFlowBranchFlows(&element, u, p, q, i);
  element.Flags = saved;
}

}  // namespace

void BuildFragmentTables(TRegime& r, const TDataFile& boxNodes, const TDataFile& boxBranches,
                         const std::vector<std::int32_t>& nodeSet, const std::vector<std::int32_t>& branchSet,
                         const std::string& title, TDataFile& nodes, TDataFile& branches) {
  const int n = static_cast<int>(nodeSet.size()), m = static_cast<int>(branchSet.size());
  // Position (from 1) of each node row in the set, and whether a branch row is in it.
  std::vector<int> nodePos(static_cast<std::size_t>(std::max(boxNodes.RowCount, 0)) + 1, 0);
  for (int k = 0; k < n; ++k)
    if (nodeSet[k] >= 1 && nodeSet[k] <= boxNodes.RowCount) nodePos[nodeSet[k]] = k + 1;
  std::vector<char> inBranches(static_cast<std::size_t>(std::max(boxBranches.RowCount, 0)) + 1, 0);
  for (const std::int32_t row : branchSet)
    if (row >= 1 && row <= boxBranches.RowCount) inBranches[row] = 1;

  std::vector<double> borderP(static_cast<std::size_t>(n) + 1, 0), borderQ(static_cast<std::size_t>(n) + 1, 0);
  if (r.Root != nullptr) {
    TElementValues<int> position(r);  // the element's node position in the fragment; 0 outside it
    TElementValues<std::pair<double, double>> border(r);
    auto ownsRow = [](const TRegimeElement* e, int rows) { return e->NodeIndex > 0 && e->NodeIndex <= rows; };
    for (const TRegimeElement* e = r.Root->NextInTree; e != nullptr; e = e->NextInTree)
      if ((e->Flags & efLoopClosing) == 0 && ownsRow(e, boxNodes.RowCount)) position[e] = nodePos[e->NodeIndex];
    for (TRegimeElement* e = r.Root->NextInTree; e != nullptr; e = e->NextInTree) {
      // Only real branches cut the fragment; a source's link to the common root is no branch.
      if (e->BranchIndex <= 0 || e->BranchIndex > boxBranches.RowCount || inBranches[e->BranchIndex]) continue;
      double p = 0, q = 0;
      EndFlow(*e, true, p, q);
      if (e->Parent != nullptr) {
        border[e->Parent].first += p;
        border[e->Parent].second += q;
      }
      EndFlow(*e, false, p, q);
      const TRegimeElement* holder = (e->Flags & efLoopClosing) != 0 ? e->Partner : e;
      if (holder != nullptr && position[holder] != 0) {
        border[holder].first -= p;
        border[holder].second -= q;
      }
    }
    for (const TRegimeElement* e = r.Root->NextInTree; e != nullptr; e = e->NextInTree) {
      const int k = position[e];
      if (k == 0) continue;
      borderP[k] = border[e].first;
      borderQ[k] = border[e].second;
    }
  }

  ReadMaket(LayoutNodes, nodes);
  CreateColumns(nodes, n);
  nodes.Title = title;
  TNodeCols nc;
  FillNodeCols(nodes, nc);
  for (int k = 1; k <= n; ++k) {
    const int row = n - k + 1;
    CopyTableRow(boxNodes, nodes, nodeSet[k - 1], row);
    (*nc.Pg)[row] = nc.Pg->Get(row) - borderP[k];
    (*nc.Qg)[row] = nc.Qg->Get(row) - borderQ[k];
  }
  ReadMaket(LayoutBranches, branches);
  CreateColumns(branches, m);
  branches.Title = title;
  for (int k = 1; k <= m; ++k) CopyTableRow(boxBranches, branches, branchSet[k - 1], k);
}

std::vector<std::string> JoinSchemeTables(TRegime& r, const TDataFile& addedNodes, const TDataFile& addedBranches,
                                          TDataFile& openNodes, TDataFile& openBranches, bool keepSign) {
  std::vector<std::string> missing;
  TNodeCols a, c;
  TBranchCols d;
  FillNodeCols(addedNodes, a);
  FillNodeCols(openNodes, c);
  FillBranchCols(openBranches, d);
  std::int32_t maxNS = 0;
  for (int i = 1; i <= a.RowCount; ++i) maxNS = std::max(maxNS, a.NS->Get(i));
  for (int i = 1; i <= c.RowCount; ++i) maxNS = std::max(maxNS, c.NS->Get(i));
  // The open scheme's names and numbers as read, for the whole run.
  std::vector<std::pair<std::string, int>> names;
  std::vector<std::int32_t> numbers;
  for (int i = 1; i <= c.RowCount; ++i) {
    names.emplace_back(UpperCase(c.Name->GetItem(i)), i);
    numbers.push_back(c.NS->Get(i));
  }
  std::stable_sort(names.begin(), names.end(),
                   [](const auto& x, const auto& y) { return x.first < y.first; });
  std::sort(numbers.begin(), numbers.end());
  auto openUses = [&](std::int32_t number) { return std::binary_search(numbers.begin(), numbers.end(), number); };
  if (r.Root == nullptr) return missing;

  TElementValues<char> unmatched(r);
  // Junctions: the balancing nodes come first in the tree.
  for (TRegimeElement* j = r.Root->NextInTree; j != nullptr; j = j->NextInTree) {
    if ((j->Flags & efSource) == 0 || (j->Flags & (efFixedVoltage | efUnsupplied)) != 0) break;
    if (j->Name.empty()) continue;
    const std::string key = UpperCase(j->Name);
    const auto it = std::lower_bound(names.begin(), names.end(), key,
                                     [](const auto& x, const std::string& k) { return x.first < k; });
    if (it == names.end() || it->first != key) {
      missing.push_back(j->Name);
      unmatched[j] = 1;
      continue;
    }
    const int row = it->second;
    if (openUses(j->Number)) j->Number = ++maxNS;
    const std::int32_t old = c.NS->Get(row);
    (*c.NS)[row] = j->Number;
    for (int i = 1; i <= d.RowCount; ++i) {
      if (d.N1->Get(i) == old) (*d.N1)[i] = j->Number;
      if (d.N2->Get(i) == old) (*d.N2)[i] = j->Number;
    }
    // What the added network draws beyond the balancing node's own load leaves the junction's load.
    const Complex delivered = j->U * std::conj(j->I);
    const double ownP = j->Load.real(), ownQ = -j->Load.imag();
    auto reduce = [keepSign](DAdouble& load, DAdouble& gen, int i, double drawn) {
      const double t = load.Get(i) - gen.Get(i);
      gen[i] = 0;
      const double sign = t >= 0 ? 1.0 : -1.0;
      load[i] = t - drawn;
      if (keepSign && load[i] * sign < 0) load[i] = 0;
    };
    reduce(*c.Pn, *c.Pg, row, delivered.real() - ownP);
    reduce(*c.Qn, *c.Qg, row, delivered.imag() - ownQ);
  }

  for (TRegimeElement* e = r.Root->NextInTree; e != nullptr; e = e->NextInTree) {
    if ((e->Flags & efUnsupplied) != 0) continue;
    if ((e->Flags & efLoopClosing) == 0) {
      if (openUses(e->Number)) e->Number = ++maxNS;
    } else if (e->Partner != nullptr) {
      if (openUses(e->Partner->Number)) e->Partner->Number = ++maxNS;
      e->Number = e->Partner->Number;
    }
  }

  auto appendRow = [](const TDataFile& from, TDataFile& to, int row) {
    const int at = to.RowCount + 1;
    InsertTableRow(to, at);
    to.RowCount = at;
    CopyTableRow(from, to, row, at);
    return at;
  };
  for (TRegimeElement* e = r.Root->NextInTree; e != nullptr; e = e->NextInTree) {
    if ((e->Flags & efUnsupplied) != 0) continue;
    const bool junction = (e->Flags & efSource) != 0 && !unmatched[e] && (e->Flags & efFixedVoltage) == 0;
    if (junction) continue;
    if ((e->Flags & efLoopClosing) == 0 && e->NodeIndex > 0 && e->NodeIndex <= a.RowCount) {
      const int at = appendRow(addedNodes, openNodes, e->NodeIndex);
      FillNodeCols(openNodes, c);
      (*c.NS)[at] = e->Number;
    }
    if (e->Number2 != kRootNumber && e->Parent != nullptr && e->BranchIndex > 0 &&
        e->BranchIndex <= addedBranches.RowCount) {
      const int at = appendRow(addedBranches, openBranches, e->BranchIndex);
      FillBranchCols(openBranches, d);
      const bool parentBegins = (e->Flags & efReversed) != 0;
      (*d.N1)[at] = parentBegins ? e->Parent->Number : e->Number;
      (*d.N2)[at] = parentBegins ? e->Number : e->Parent->Number;
    }
  }
  return missing;
}

TTaskVerdict SaveSchemeFragment(TRegime& r, const std::string& path, const TDataFile& shownNodes,
                                const TDataFile& shownBranches, const std::vector<std::int32_t>& nodeSet,
                                const std::vector<std::int32_t>& branchSet, const std::string& target,
                                std::vector<std::string>& errors) {
  TTaskLocks locks(&r);
  locks.Lock(target);
  locks.Lock(path);
  PrepareTaskEngine(r, IniRec.FlagRQ);
  const TTaskVerdict verdict = RunTaskCalculation(r, path, errors);
  if (verdict != TTaskVerdict::Calculated) return verdict;
  TDataFile nodes, branches;
  BuildFragmentTables(r, shownNodes, shownBranches, nodeSet, branchSet,
                      std::filesystem::path(target).filename().string(), nodes, branches);
  // The fragment is a new scheme under its name: the scheme it replaces there goes whole, as the question
  // named its files.
  WriteNewScheme(target, nodes, branches);
  return verdict;
}

TTaskVerdict JoinScheme(TRegime& r, const std::string& path, const std::string& added,
                        std::vector<std::string>& missing, std::vector<std::string>& errors) {
  TTaskLocks locks(&r);
  locks.Lock(added);
  locks.Lock(path);
  PrepareTaskEngine(r, IniRec.FlagRQ);
  TDataFile addedNodes, addedBranches, nodes, branches;
  ReadTableFile(added + GetMaketExtention(LayoutNodes), addedNodes);
  ReadTableFile(added + GetMaketExtention(LayoutBranches), addedBranches);
  ReadTableFile(path + GetMaketExtention(LayoutNodes), nodes);
  ReadTableFile(path + GetMaketExtention(LayoutBranches), branches);
  const TTaskVerdict verdict = RunTaskCalculation(r, added, errors);
  if (verdict != TTaskVerdict::Calculated) return verdict;
  missing = JoinSchemeTables(r, addedNodes, addedBranches, nodes, branches, IniRec.JoinZnak);
  RewriteLockedScheme(path, nodes, branches);
  return verdict;
}

}  // namespace ld
