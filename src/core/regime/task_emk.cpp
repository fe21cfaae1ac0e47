#include "core/regime/task_emk.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "core/base/codepage.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/engine/electric.h"
#include "core/regime/task_regime.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"

namespace ld {

namespace {

// A current in A from a voltage in kV and a susceptance in µS.
const double kCapFactor = std::sqrt(3.0) * 0.001;

bool CapacitiveClass(float unom) {
  const std::int64_t u = Round(unom);  // halves to the even integer: 10.5 kV is of the 10 kV class
  return u == 6 || u == 10 || u == 35;
}

// A network ends where the voltage class changes: a transformer to another class. A ratio between two
// nodes of one class (a substation's bus held behind its supply node at another voltage of the class)
// leaves them one network, whose capacitance the supply sees.
double VoltageClass(float unom) {
  const double nominal = NearestNominalVoltage(unom);
  return nominal != 0 ? nominal : unom;  // no list of classes: the voltages themselves
}

bool EndsNetwork(const TRegimeElement* e) {
  return e->Parent != nullptr && VoltageClass(e->Unom) != VoltageClass(e->Parent->Unom);
}

template <typename Column>
void Clear(Column* column, int rows) {
  if (column == nullptr) return;
  for (int i = 1; i <= rows; ++i) (*column)[i] = 0;
}

float Cell(const DAsingle* column, int row) { return column != nullptr && row > 0 ? column->Get(row) : 0.0f; }

}  // namespace

void CalcCapacitiveCurrents(TRegime& r, TNodeCols& nodes, TBranchCols& branches, bool byRegime,
                            const std::function<void(int)>& progress) {
  Clear(nodes.Iemk, nodes.RowCount);
  Clear(branches.Iemk1, branches.RowCount);
  Clear(branches.Iemk2, branches.RowCount);
  if (r.Root == nullptr) return;
  TElementValues<double> sum(r);
  for (TRegimeElement* e = r.Root->NextInTree; e != nullptr; e = e->NextInTree) {
    if (e->Unom == 0) e->Unom = static_cast<float>(NearestNominalVoltage(std::abs(e->U)));
    sum[e] = 0;
  }
  const int step = r.BranchCount / 10 != 0 ? r.BranchCount / 10 : r.BranchCount;
  int count = 0, mark = 0, position = 0;
  // Children come before their parents in the list, so a parent's sum holds its whole network.
  for (TRegimeElement* e = r.FirstElement; e != nullptr; e = e->Next) {
    ++count;
    if (step > 0 && step <= count - mark) {
      mark += step;
      if (progress) progress(position += 10);
    }
    if (e == r.Root || (e->Flags & efUnsupplied) != 0) continue;
    if ((e->Flags & (efOpenNumber | efOpenNumber2)) == (efOpenNumber | efOpenNumber2)) continue;
    if (!CapacitiveClass(e->Unom)) continue;
    const double u1 = byRegime ? std::abs(e->U) : e->Unom;
    const double u2 = byRegime && e->Parent != nullptr ? std::abs(e->Parent->U) : u1;
    double a = 0, b = 0;
    if (!EndsNetwork(e)) {
      sum[e] -= e->B;
      if (e->Parent != nullptr) sum[e->Parent] += sum[e];
      a = kCapFactor * u1 * -e->B;
      b = kCapFactor * u2 * sum[e];
      if ((e->Flags & efReversed) == 0) {
        const double t = a;
        a = -b;
        b = -t;
      }
    }
    if ((e->Flags & efLoopClosing) == 0 && e->NodeIndex > 0 && e->NodeIndex <= nodes.RowCount && nodes.Iemk)
      (*nodes.Iemk)[e->NodeIndex] = static_cast<float>(kCapFactor * u1 * sum[e]);
    if (e->BranchIndex > 0 && e->BranchIndex <= branches.RowCount) {
      if (branches.Iemk1) (*branches.Iemk1)[e->BranchIndex] = static_cast<float>(b);
      if (branches.Iemk2) (*branches.Iemk2)[e->BranchIndex] = static_cast<float>(a);
    }
  }
}

void BuildCapCurrentView(const TRegime& r, const TDataFile& nodeTable, const TDataFile& branchTable,
                         TCapCurrentPoints points, TDataFile& view, const std::function<void(int)>& progress) {
  ReadMaket(LayoutCapCurrents, view);
  TNodeCols nodes;
  TBranchCols branches;
  FillNodeCols(nodeTable, nodes);
  FillBranchCols(branchTable, branches);
  struct Row {
    std::int32_t n1, n2, idx;
    std::string name1, name2;
    float i1, i2;
    bool point;
  };
  std::vector<Row> rows;
  if (r.Root != nullptr) {
    TElementValues<int> marks(r);
    const int total = std::max<int>(1, static_cast<int>(r.Elements().Count()));
    const int step = std::max(1, branches.RowCount / 5);
    int k = 0, passed = 0;
    for (const TRegimeElement* e = r.Root->NextInTree; e != nullptr; e = e->NextInTree) {
      ++passed;
      if (progress && passed % step == 0) progress(passed * 100 / total);
      const TRegimeElement* parent = e->Parent;
      const bool reversed = (e->Flags & efReversed) != 0;
      const std::string parentName = parent != nullptr ? parent->Name : std::string();
      bool listed = (e->Flags & (efLoopClosing | efUnsupplied)) == 0;
      if (listed && points == TCapCurrentPoints::Supply) listed = (e->Flags & efSource) != 0;
      if (listed && points == TCapCurrentPoints::Distribution)
        listed = Utf8Length(e->Name) >= 2 && UpperCase(Utf8Left(e->Name, 2)) == "РП";
      if (listed) {
        marks[e] = ++k;
        rows.push_back({e->Number2, e->Number, k, parentName, e->Name,
                        reversed ? Cell(branches.Iemk2, e->BranchIndex) : -Cell(branches.Iemk1, e->BranchIndex),
                        Cell(nodes.Iemk, e->NodeIndex), true});
      }
      if (parent != nullptr && marks[parent] != 0 && !EndsNetwork(e)) {
        rows.push_back({e->Number2, e->Number, marks[parent], parentName, e->Name,
                        reversed ? Cell(branches.Iemk1, e->BranchIndex) : -Cell(branches.Iemk2, e->BranchIndex),
                        0.0f, false});
      }
      // The supply points hang from the root: the walk is over past their own branches.
      if (points == TCapCurrentPoints::Supply && (parent == nullptr || (parent->Flags & efSource) == 0)) break;
    }
  }
  CreateColumns(view, static_cast<int>(rows.size()));
  TCapCurrentCols c;
  FillCapCurrentCols(view, c);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int row = static_cast<int>(i) + 1;
    const Row& x = rows[i];
    (*c.N1)[row] = x.n1;
    (*c.N2)[row] = x.n2;
    (*c.Idx)[row] = x.idx;
    if (!x.name1.empty()) c.Name1->SetItem(row, x.name1);
    if (!x.name2.empty()) c.Name2->SetItem(row, x.name2);
    (*c.Iemk1)[row] = x.i1;
    (*c.Iemk2)[row] = x.i2;
    if (x.point) (*view.MarkRec)[row] = 16;
  }
  view.Title = branchTable.Title;
  bool changed = false;
  SortTable(view, view.NOrder, std::span<const std::uint8_t>(view.Order.data() + 1, view.NOrder), changed);
}

TTaskVerdict CalculateSchemeCapCurrents(TRegime& r, const std::string& path, std::vector<std::string>& errors,
                                        const std::function<void(int)>& progress) {
  TTaskLocks locks(&r);
  locks.Lock(path);
  PrepareTaskEngine(r, IniRec.FlagRQ);
  const bool byRegime = IniRec.Uemk;
  TTaskVerdict verdict = TTaskVerdict::Calculated;
  if (byRegime) {
    verdict = RunTaskCalculation(r, path, errors);
  } else {
    // No iteration: only the model read is judged, never a convergence of some earlier calculation.
    bool raised = false;
    try {
      r.ReadScheme(path);
    } catch (const std::exception& e) {
      errors.push_back(e.what());
      raised = true;
    }
    verdict = JudgeModelRead(r, raised);
  }
  if (verdict != TTaskVerdict::Calculated) return verdict;
  if (r.OnStage) r.OnStage("Расчет емкостных токов");
  TDataFile nodes, branches;
  ReadTableFile(path + GetMaketExtention(LayoutNodes), nodes);
  ReadTableFile(path + GetMaketExtention(LayoutBranches), branches);
  TNodeCols nc;
  TBranchCols bc;
  FillNodeCols(nodes, nc);
  FillBranchCols(branches, bc);
  CalcCapacitiveCurrents(r, nc, bc, byRegime, progress);
  RewriteLockedScheme(path, nodes, branches);
  return verdict;
}

}  // namespace ld
