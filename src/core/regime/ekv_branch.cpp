#include "core/regime/ekv_branch.h"

#include <algorithm>
#include <utility>

#include "core/base/msgbox.h"
#include "core/engine/electric.h"
#include "core/tables/colmaps.h"
#include "core/tables/file_guard.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"

namespace ld {

namespace {

// The first row of node ns, 0 when none.
int NodeRow(const TNodeCols& n, int rowCount, std::int32_t ns) {
  for (int row = 1; row <= rowCount; ++row) {
    if (n.NS->Get(row) == ns) return row;
  }
  return 0;
}

void Book(TNodeCols& n, int row, double p, double q) {
  (*n.Pg)[row] += p;
  (*n.Qg)[row] += q;
}

void WriteNodes(const std::string& schemePath, TDataFile& nodes, bool locked) {
  if (locked) UnlockTableFiles(schemePath, nodes.Extention);
  try {
    WriteTableFile(schemePath + nodes.Extention, nodes);
  } catch (...) {
    if (locked) LockTableFiles(schemePath, nodes.Extention);
    throw;
  }
  if (locked) LockTableFiles(schemePath, nodes.Extention);
}

}  // namespace

void BranchEndPowers(const TDataFile& branches, int row, double& P1, double& Q1, double& P2, double& Q2) {
  TBranchCols b;
  FillBranchCols(branches, b);
  const double k = DistributionFactor(b.Tz->Get(row));
  const TBranchFlows f =
      CalcBranchFlows(b.U1->Get(row), b.F1->Get(row), b.U2->Get(row), b.F2->Get(row), b.Irez->Get(row),
                      b.Faza->Get(row), b.R->Get(row) * k, b.X->Get(row) * k, b.G->Get(row), b.B->Get(row),
                      b.Kta->Get(row), b.Ktr->Get(row));
  P1 = f.P1, Q1 = f.Q1, P2 = f.P2, Q2 = f.Q2;
}

bool EkvCutBranch(int tag, TDataFile& nodes, TDataFile& branches, int row) {
  if (tag != 1 && tag != 2) return false;
  TBranchCols b;
  FillBranchCols(branches, b);
  if (row < 1 || row > branches.RowCount) return false;
  TNodeCols n;
  FillNodeCols(nodes, n);
  DALongint& end = tag == 1 ? *b.N1 : *b.N2;
  const std::int32_t cut = end.Get(row);
  const int cutRow = NodeRow(n, nodes.RowCount, cut);
  if (cutRow == 0) return false;

  double p1 = 0, q1 = 0, p2 = 0, q2 = 0;
  BranchEndPowers(branches, row, p1, q1, p2, q2);
  const double p = tag == 1 ? -p1 : p2;
  const double q = tag == 1 ? -q1 : q2;
  Book(n, cutRow, p, q);

  const std::int32_t supply = kCutNodeBase + cut;
  int supplyRow = NodeRow(n, nodes.RowCount, supply);
  if (supplyRow == 0) {
    supplyRow = nodes.RowCount + 1;
    InsertTableRows(nodes, supplyRow, 1);
    (*n.NS)[supplyRow] = supply;
    (*n.Sign)[supplyRow] = 'b';
    (*n.Um)[supplyRow] = static_cast<float>(n.Urez->Get(cutRow));
    (*n.Angle)[supplyRow] = n.Angle->Get(cutRow);
    (*nodes.MarkRec)[supplyRow] = 16;
  }
  Book(n, supplyRow, -p, -q);
  end[row] = supply;
  return true;
}

void EkvDeleteBranch(TDataFile& nodes, const TDataFile& branches, int row) {
  TBranchCols b;
  FillBranchCols(branches, b);
  if (row < 1 || row > branches.RowCount) return;
  TNodeCols n;
  FillNodeCols(nodes, n);
  double p1 = 0, q1 = 0, p2 = 0, q2 = 0;
  BranchEndPowers(branches, row, p1, q1, p2, q2);
  if (const int r1 = NodeRow(n, nodes.RowCount, b.N1->Get(row)); r1 != 0) Book(n, r1, -p1, -q1);
  if (const int r2 = NodeRow(n, nodes.RowCount, b.N2->Get(row)); r2 != 0) Book(n, r2, p2, q2);
}

std::vector<int> MarkedRowsLastFirst(const TDataFile& table, std::uint8_t mark) {
  std::vector<int> rows;
  if (table.MarkRec == nullptr) return rows;
  for (int row = table.RowCount; row >= 1; --row) {
    if (table.MarkRec->Get(row) == mark) rows.push_back(row);
  }
  return rows;
}

int EkvBranchEnds(const std::string& schemePath, TDataFile& branches, int tag, const std::vector<int>& rows,
                  bool locked, const std::function<void(int row)>& deleteRow) {
  TDataFile nodes;
  ReadTableFile(schemePath + GetMaketExtention(LayoutNodes), nodes);
  int handled = 0;
  for (const int row : rows) {
    if (row < 1 || row > branches.RowCount) continue;
    if (tag == 0) {
      EkvDeleteBranch(nodes, branches, row);
      if (deleteRow) {
        deleteRow(row);
      } else {
        DeleteTableRows(branches, row, row);
      }
    } else if (!EkvCutBranch(tag, nodes, branches, row)) {
      continue;
    }
    WriteNodes(schemePath, nodes, locked);
    ++handled;
  }
  return handled;
}

std::string BranchTableNeededText() {
  return std::string("Необходимо выбрать таблицу \"") + LayoutBranches +
         "\" и клавишами Ctrl+пробел отметить требуемые ветви";
}

namespace {

// The scheme's node and branch files locked with the user's name while the object lives.
class SchemeFilesLock {
public:
  explicit SchemeFilesLock(std::string path)
      : path_(std::move(path)), extensions_(LayoutExtensions({LayoutNodes, LayoutBranches})) {
    LockTableFiles(path_, extensions_);
  }
  ~SchemeFilesLock() {
    try {
      UnlockTableFiles(path_, extensions_);
    } catch (...) {
      // A lock that cannot be removed stays for the user to clear.
    }
  }
  SchemeFilesLock(const SchemeFilesLock&) = delete;
  SchemeFilesLock& operator=(const SchemeFilesLock&) = delete;

private:
  std::string path_, extensions_;
};

}  // namespace

int EkvBranchCommand(const std::string& schemePath, TDataFile& branches, int tag, std::uint8_t mark) {
  const std::vector<int> rows = MarkedRowsLastFirst(branches, mark);
  if (rows.empty()) return 0;
  // Asked before anything is booked: a removal declined afterwards would leave the branch in the scheme
  // with its power booked at its ends as well.
  if (tag == 0 && ShowMsgForm("Удалить запись ?", mkWarning, mbYesNo) != 1) return 0;
  SchemeFilesLock lock(schemePath);
  return EkvBranchEnds(schemePath, branches, tag, rows, true);
}

int SetRayonCommand(const std::string& schemePath, TDataFile& branches) {
  SchemeFilesLock lock(schemePath);
  TDataFile nodes;
  ReadTableFile(schemePath + GetMaketExtention(LayoutNodes), nodes);
  return SetBranchDistricts(nodes, branches);
}

int SetBranchDistricts(const TDataFile& nodes, TDataFile& branches) {
  TNodeCols n;
  FillNodeCols(nodes, n);
  TBranchCols b;
  FillBranchCols(branches, b);
  std::vector<std::pair<std::int32_t, int>> sorted;
  sorted.reserve(static_cast<std::size_t>(nodes.RowCount));
  for (int row = 1; row <= nodes.RowCount; ++row) sorted.emplace_back(n.NS->Get(row), row);
  std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  auto find = [&](std::int32_t ns) {
    const auto it = std::lower_bound(sorted.begin(), sorted.end(), ns,
                                     [](const auto& item, std::int32_t v) { return item.first < v; });
    return it != sorted.end() && it->first == ns ? it->second : 0;
  };
  int changed = 0;
  for (int row = 1; row <= branches.RowCount; ++row) {
    const int r1 = find(b.N1->Get(row));
    const int r2 = find(b.N2->Get(row));
    if (r1 == 0 || r2 == 0) continue;
    const std::int32_t nr = n.Nr->Get(r1);
    if (nr != n.Nr->Get(r2) || b.Nr->Get(row) == nr) continue;
    (*b.Nr)[row] = nr;
    ++changed;
  }
  return changed;
}

}  // namespace ld
