// The two passes of the short-circuit calculation on the engine.
#include "core/optim/tkz_calc.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "core/optim/tkz_radius.h"
#include "core/tables/colmaps.h"

namespace ld {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr float kFaultVoltage = 1e-7f;

struct NodeData {
  std::int32_t NS = 0;
  bool Balancing = false;
  float Um = 0;
};

}  // namespace

TTkzCalcTables::TTkzCalcTables() {
  ReadMaket(LayoutNodes, Nodes);
  ReadMaket(LayoutBranches, Branches);
  CreateColumns(Nodes, 0);
  CreateColumns(Branches, 0);
}

void TTkzCalcTables::Prepare(int nodeRows, int branchRows) {
  TNodeCols n;
  FillNodeCols(Nodes, n);
  for (int r = 1; r <= n.RowCount; ++r) {
    (*n.NS)[r] = 0;
    (*n.Sign)[r] = 0;
    (*n.Um)[r] = 0;
  }
  TBranchCols b;
  FillBranchCols(Branches, b);
  for (int r = 1; r <= b.RowCount; ++r) {
    (*b.N1)[r] = 0;
    (*b.N2)[r] = 0;
    (*b.R)[r] = 0;
    (*b.X)[r] = 0;
    (*b.Kta)[r] = 0;
  }
  Nodes.MarkRec->Clear();
  Branches.MarkRec->Clear();
  Nodes.RowCount = nodeRows;
  Branches.RowCount = branchRows;
}

double TkzVoltageAngle(double a, double b) {
  if (a != 0) return std::atan(b / a) * 180 / kPi + (a < 0 ? 180 : 0);
  return b != 0 ? 90 : 0;
}

bool CalcShortCircuit(TRegime& regime, TDataFile& radius, const std::string& title, bool WithEmf,
                      TTkzCalcTables* tables) {
  TTkzBranchCols rc;
  FillTkzBranchCols(radius, rc);
  const int rows = rc.RowCount;
  DAsingle& ikz = WithEmf ? *rc.Ikz0 : *rc.Ikz;
  DAsingle& fkz = WithEmf ? *rc.Fkz0 : *rc.Fkz;
  for (int r = 1; r <= rows; ++r) {
    ikz[r] = 0;
    fkz[r] = 0;
  }

  // The nodes as the rows bring them in; the first row that brings a node decides what it is.
  std::vector<NodeData> nodes;
  nodes.reserve(2 * static_cast<std::size_t>(rows));
  for (int r = 1; r <= rows; ++r) {
    const char32_t sign = TkzSignOf(rc.Sign->Get(r));
    const bool source = sign == TkzSignSource || (sign == TkzSignEmf && WithEmf);
    nodes.push_back({rc.N1->Get(r), source, source ? rc.U1->Get(r) : 0});
    nodes.push_back({rc.N2->Get(r), sign == TkzSignFault, sign == TkzSignFault ? kFaultVoltage : 0});
  }
  std::stable_sort(nodes.begin(), nodes.end(), [](const NodeData& a, const NodeData& b) { return a.NS < b.NS; });
  nodes.erase(std::unique(nodes.begin(), nodes.end(), [](const NodeData& a, const NodeData& b) { return a.NS == b.NS; }),
              nodes.end());

  std::unique_ptr<TTkzCalcTables> own;
  if (tables == nullptr) {
    own = std::make_unique<TTkzCalcTables>();
    tables = own.get();
  }
  tables->Prepare(static_cast<int>(nodes.size()), rows);
  TDataFile& nodeTable = tables->Nodes;
  TDataFile& branchTable = tables->Branches;
  nodeTable.Title = title;
  TNodeCols n;
  FillNodeCols(nodeTable, n);
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    const int row = static_cast<int>(i) + 1;
    (*n.NS)[row] = nodes[i].NS;
    if (nodes[i].Balancing) {
      (*n.Sign)[row] = 'b';
      (*n.Um)[row] = nodes[i].Um;
    }
  }
  TBranchCols b;
  FillBranchCols(branchTable, b);
  for (int r = 1; r <= rows; ++r) {
    (*b.N1)[r] = rc.N1->Get(r);
    (*b.N2)[r] = rc.N2->Get(r);
    (*b.R)[r] = rc.R->Get(r);
    (*b.X)[r] = rc.X->Get(r);
    (*b.Kta)[r] = rc.Kta->Get(r);
  }

  regime.SchemeRead = false;
  regime.ModelError = false;
  regime.ZeroContours = false;
  regime.VoltagesSet = false;
  regime.MaxIter = 100;
  regime.SchemePath = title;
  bool changed = false;
  regime.BuildModel(nodeTable, branchTable, changed);
  regime.AnalyzeConfiguration();
  if (!regime.ModelError) {
    regime.FormMatrices();
    regime.RunIterations();
  }
  const bool written = !regime.ModelError && !regime.ZeroContours;
  if (written) {
    for (TRegimeElement* e = regime.Root->NextInTree; e != nullptr; e = e->NextInTree) {
      const int r = e->BranchIndex;
      if (r <= 0 || r > rows || e->Parent == nullptr) continue;
      const Complex own = e->U;
      const Complex parent = e->Parent->U;
      // The parent is the row's N1 when the element runs from its table start node.
      const bool fromN1 = (e->Flags & efReversed) != 0;
      const Complex c = fromN1 ? e->I * std::conj(e->K) : -e->I;
      const Complex& u1 = fromN1 ? parent : own;
      const Complex& u2 = fromN1 ? own : parent;
      const double p = c.real(), q = c.imag();
      const double s = p < 0 ? -1 : 1;
      const double angle = p != 0 ? std::atan(q / p) * 180 / kPi : (q > 0 ? 90 : q < 0 ? -90 : 0);
      ikz[r] = static_cast<float>(s * std::sqrt((p * p + q * q) / 3));
      fkz[r] = static_cast<float>(angle);
      const char32_t sign = TkzSignOf(rc.Sign->Get(r));
      if (sign != TkzSignSource && sign != TkzSignEmf) (*rc.U1)[r] = static_cast<float>(std::abs(u1));
      (*rc.F1)[r] = static_cast<float>(TkzVoltageAngle(u1.real(), u1.imag()));
      (*rc.U2)[r] = static_cast<float>(std::abs(u2));
      (*rc.F2)[r] = static_cast<float>(TkzVoltageAngle(u2.real(), u2.imag()));
    }
  }
  regime.ClearModel();
  return written;
}

bool CalcTkzRadius(TRegime& regime, TDataFile& radius, const std::string& title, std::vector<std::string>& errors,
                   TTkzCalcTables* tables) {
  std::vector<std::string>* const saved = regime.Errors;
  regime.Errors = &errors;
  struct Restore {
    TRegime& regime;
    std::vector<std::string>* saved;
    ~Restore() { regime.Errors = saved; }
  } restore{regime, saved};
  const bool first = CalcShortCircuit(regime, radius, title, false, tables);
  TTkzBranchCols c;
  FillTkzBranchCols(radius, c);
  bool emf = false;
  for (int r = 1; r <= c.RowCount && !emf; ++r) emf = TkzSignOf(c.Sign->Get(r)) == TkzSignEmf;
  if (emf || !first) return CalcShortCircuit(regime, radius, title, true, tables) && first;
  // Without EMF sources the second pass solves the very network of the first.
  for (int r = 1; r <= c.RowCount; ++r) {
    (*c.Ikz0)[r] = c.Ikz->Get(r);
    (*c.Fkz0)[r] = c.Fkz->Get(r);
  }
  return true;
}

}  // namespace ld
