// The source table's columns, the state of one optimisation and the functional.
#include <cmath>

#include "core/base/error.h"
#include "core/engine/regime.h"
#include "core/optim/q_optim.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"

namespace ld {

void FillQCols(const TDataFile& table, TQCols& c) {
  c.RowCount = table.RowCount;
  c.Nq = GetColumnAs<DALongint>("Nq", table);
  c.Title = GetColumnAs<DAString>("Title", table);
  c.Qish = GetColumnAs<DAdouble>("Qish", table);
  c.Qmin = GetColumnAs<DAdouble>("Qmin", table);
  c.Qmax = GetColumnAs<DAdouble>("Qmax", table);
  c.dQ = GetColumnAs<DAdouble>("dQ", table);
  c.Qopt = GetColumnAs<DAdouble>("Qopt", table);
  c.Grad = GetColumnAs<DAdouble>("Grad", table);
  c.Snap = GetColumnAs<DAdouble>("Snap", table);
  c.Nu = GetColumnAs<DALongint>("Nu", table);
  c.Umin = GetColumnAs<DAdouble>("Umin", table);
  c.Umax = GetColumnAs<DAdouble>("Umax", table);
  c.Umod = GetColumnAs<DAdouble>("Umod", table);
  c.N2u = GetColumnAs<DALongint>("N2u", table);
  c.U2min = GetColumnAs<DAdouble>("U2min", table);
  c.U2max = GetColumnAs<DAdouble>("U2max", table);
  c.U2mod = GetColumnAs<DAdouble>("U2mod", table);
}

std::string QTableReadError(const std::string& file, const std::exception& e) {
  const std::string text = e.what();
  if (text.find(file) != std::string::npos) return text;
  return "Ошибка чтения файла \"" + file + "\": " + text;
}

void CheckQTable(const TDataFile& table, const std::string& file) {
  try {
    TQCols c;
    FillQCols(table, c);
  } catch (const std::exception& e) {
    throw Error(QTableReadError(file, e));
  }
}

void ReadQTableFile(const std::string& file, TDataFile& table) {
  try {
    ReadTableFile(file, table);
  } catch (const std::exception& e) {
    throw Error(QTableReadError(file, e));
  }
  CheckQTable(table, file);
}

void TQOptimState::Resize(int rowCount) {
  const std::size_t n = static_cast<std::size_t>(rowCount < 0 ? 0 : rowCount) + 1;
  Source.assign(n, nullptr);
  Watch1.assign(n, nullptr);
  Watch2.assign(n, nullptr);
  PrevQopt.assign(n, 0);
  PrevdQ.assign(n, 0);
  PrevGrad.assign(n, 0);
  PrevSnap.assign(n, 0);
  EconomicLimit.assign(n, 0);
  StartValue.assign(n, 0);
  PrevZeroGrad.assign(n, 0);
  HessianSkip.assign(n, 0);
  Hessian.clear();
  HessianReady = false;
  Bound1 = Bound2 = false;
}

void RunQRegime(TRegime& regime) {
  if (!regime.Converged) regime.VoltagesSet = false;
  regime.RunIterations();
}

double SourceTotal(const TRegimeElement& e) { return e.Load.imag(); }

void SetSourceTotal(TRegimeElement& e, double x) {
  // The generated component carries the change too: with static load characteristics the node step
  // forms the total again from its two components.
  const double d = x - e.Load.imag();
  e.Load2.imag(e.Load2.imag() + d);
  e.Load.imag(x);
}

void SetSourceGenerated(TRegimeElement& e, double q) {
  e.Load2.imag(q);
  e.Load.imag(e.Load1.imag() + q);
}

namespace {

// A bound of 0 is no bound: a node watched only from below is not penalised for lying above 0 kV.
double Violation(double u, double umin, double umax) {
  if (umin > 0 && u < umin) return (umin - u) * (umin - u);
  if (umax > 0 && u > umax) return (u - umax) * (u - umax);
  return 0;
}

double Penalty(const TQCols& c, const TQOptimState& s, int row) {
  double p = 0;
  // A negative number watches a node for display only.
  if (c.Nu->Get(row) > 0 && s.Watch1[row] != nullptr) {
    p += Violation(std::abs(s.Watch1[row]->U), c.Umin->Get(row), c.Umax->Get(row));
  }
  if (c.N2u->Get(row) > 0 && s.Watch2[row] != nullptr) {
    p += Violation(std::abs(s.Watch2[row]->U), c.U2min->Get(row), c.U2max->Get(row));
  }
  return p;
}

bool RowCounts(const TQCols& c, int row) {
  return (c.Nu->Get(row) > 0 && (c.Umin->Get(row) > 0 || c.Umax->Get(row) > 0)) ||
         (c.N2u->Get(row) >= 1 && (c.U2min->Get(row) > 0 || c.U2max->Get(row) > 0));
}

}  // namespace

double ReactiveFunctional(const TDataFile& table, TRegime& regime, TQOptimState& state, int row, double Ku,
                          double Kdp) {
  RunQRegime(regime);
  if (!regime.Converged) return -1.0;
  TQCols c;
  FillQCols(table, c);
  double f = Kdp * regime.TotalLosses();
  const int first = row == -1 ? 1 : row;
  const int last = row == -1 ? c.RowCount : row;
  for (int r = first; r <= last; ++r) {
    if (r < 1 || r >= static_cast<int>(state.Source.size())) continue;
    if (RowCounts(c, r)) f += Ku * Penalty(c, state, r);
  }
  return f;
}

}  // namespace ld
