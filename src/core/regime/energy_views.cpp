#include "core/regime/energy_views.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <span>

#include "core/base/codepage.h"
#include "core/base/numfmt.h"
#include "core/engine/results.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_ops.h"

namespace ld {
namespace {

// Progress after every fifth of the source rows (at least every row), as row × 100 / count rounded.
void Progress(const TProgressProc& progress, int row, int count) {
  if (!progress || count <= 0) return;
  const int step = std::max(1, count / 5);
  if (row % step == 0) progress(static_cast<int>(std::lround(row * 100.0 / count)));
}

const char kTransformer = Utf8ToCp1251("Т")[0];

bool Taken(const TBranchEnergyCols& e, int row, bool lines) {
  const char t = e.T->Get(row);
  return lines ? (t == 0 || t == ' ') : t == kTransformer;
}

std::vector<int> TakenRows(const TBranchEnergyCols& e, bool lines, const TProgressProc& progress) {
  std::vector<int> rows;
  for (int row = 1; row <= e.RowCount; ++row) {
    Progress(progress, row, e.RowCount);
    if (Taken(e, row, lines)) rows.push_back(row);
  }
  return rows;
}

void Prepare(const TDataFile& source, const char* layout, int rowCount, TDataFile& result) {
  ReadMaket(layout, result);
  CreateColumns(result, rowCount);
  result.Title = source.Title;
}

void CopyMark(const TDataFile& source, int row, TDataFile& result, int to) {
  (*result.MarkRec)[to] = source.MarkRec ? source.MarkRec->Get(row) : 0;
}

template <typename Cols>
void CopyNames(const TBranchEnergyCols& e, int row, Cols& r, int to) {
  (*r.N1)[to] = e.N1->Get(row);
  (*r.N2)[to] = e.N2->Get(row);
  r.Name1->SetItem(to, e.Name1->GetItem(row));
  r.Name2->SetItem(to, e.Name2->GetItem(row));
  r.DSName->SetItem(to, e.DSName->GetItem(row));
  r.Mark->SetItem(to, e.Mark->GetItem(row));
}

template <typename Cols>
void CopyFlows(const TBranchEnergyCols& e, int row, Cols& r, int to) {
  (*r.WPnr)[to] = e.WPnr->Get(row), (*r.WQnr)[to] = e.WQnr->Get(row);
  (*r.WPnl)[to] = e.WPnl->Get(row), (*r.WQnl)[to] = e.WQnl->Get(row);
  (*r.WPkr)[to] = e.WPkr->Get(row), (*r.WQkr)[to] = e.WQkr->Get(row);
  (*r.WPkl)[to] = e.WPkl->Get(row), (*r.WQkl)[to] = e.WQkl->Get(row);
}

}  // namespace

void BuildEnergyLossView(const TDataFile& branchEnergy, bool lines, TDataFile& result, const TProgressProc& progress) {
  TBranchEnergyCols e;
  FillBranchEnergyCols(branchEnergy, e);
  const std::vector<int> rows = TakenRows(e, lines, progress);
  Prepare(branchEnergy, lines ? LayoutLineEnergyLosses : LayoutTransEnergyLosses, static_cast<int>(rows.size()),
          result);
  auto fill = [&](auto& r, DAdouble* sumP, DAdouble* sumQ) {
    int to = 0;
    for (const int row : rows) {
      ++to;
      CopyNames(e, row, r, to);
      const double pz = e.dWPz->Get(row), qz = e.dWQz->Get(row), py = e.dWPy->Get(row), qy = e.dWQy->Get(row);
      (*r.dWPz)[to] = pz, (*r.dWQz)[to] = qz, (*r.dWPy)[to] = py, (*r.dWQy)[to] = qy;
      (*sumP)[to] = pz + py, (*sumQ)[to] = qz + qy;
      (*r.A)[to] = e.A->Get(row);
      r.Balans->SetItem(to, e.Balans->GetItem(row));
      CopyMark(branchEnergy, row, result, to);
    }
  };
  if (lines) {
    TLineELossCols r;
    FillLineELossCols(result, r);
    fill(r, r.dWPl, r.dWQl);
    int to = 0;
    for (const int row : rows) (*r.Ul)[++to] = e.Ul->Get(row);
  } else {
    TTransELossCols r;
    FillTransELossCols(result, r);
    fill(r, r.dWPt, r.dWQt);
  }
}

void BuildEnergyLoadView(const TDataFile& branchEnergy, bool lines, TDataFile& result, const TProgressProc& progress) {
  TBranchEnergyCols e;
  FillBranchEnergyCols(branchEnergy, e);
  std::vector<int> rows = TakenRows(e, lines, progress);
  // The loading is negative for the sort, so that the most loaded come first and the rows without a
  // permitted value (0) last; it is shown as its magnitude.
  std::vector<float> percent(static_cast<std::size_t>(e.RowCount) + 1, 0.0f);
  for (const int row : rows) {
    const double permitted = lines ? e.Idop->Get(row) : e.Sdop->Get(row);
    const double maximum = lines ? e.Imax->Get(row) : e.Smax->Get(row);
    if (permitted != 0) percent[static_cast<std::size_t>(row)] = static_cast<float>(-std::fabs(maximum) * 100 / permitted);
  }
  std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
    return percent[static_cast<std::size_t>(a)] < percent[static_cast<std::size_t>(b)];
  });
  Prepare(branchEnergy, lines ? LayoutLineEnergy : LayoutTransEnergy, static_cast<int>(rows.size()), result);
  int to = 0;
  if (lines) {
    TLineEnergyCols r;
    FillLineEnergyCols(result, r);
    for (const int row : rows) {
      ++to;
      CopyNames(e, row, r, to);
      CopyFlows(e, row, r, to);
      (*r.Ul)[to] = e.Ul->Get(row);
      (*r.Imin)[to] = e.Imin->Get(row), (*r.Imax)[to] = e.Imax->Get(row), (*r.Idop)[to] = e.Idop->Get(row);
      (*r.Ip)[to] = std::fabs(percent[static_cast<std::size_t>(row)]);
      CopyMark(branchEnergy, row, result, to);
    }
  } else {
    TTransEnergyCols r;
    FillTransEnergyCols(result, r);
    for (const int row : rows) {
      ++to;
      CopyNames(e, row, r, to);
      CopyFlows(e, row, r, to);
      (*r.Smin)[to] = e.Smin->Get(row) * 1000, (*r.Smax)[to] = e.Smax->Get(row) * 1000;
      (*r.Sdop)[to] = e.Sdop->Get(row) * 1000;
      (*r.Sp)[to] = std::fabs(percent[static_cast<std::size_t>(row)]);
      CopyMark(branchEnergy, row, result, to);
    }
  }
}

void BuildNodeConsumptionView(const TDataFile& nodeEnergy, TDataFile& result, const TProgressProc& progress) {
  TNodeEnergyCols n;
  FillNodeEnergyCols(nodeEnergy, n);
  Prepare(nodeEnergy, LayoutNodeConsumption, n.RowCount, result);
  TNodeVoltDevCols r;
  FillNodeVoltDevCols(result, r);
  for (int row = 1; row <= n.RowCount; ++row) {
    Progress(progress, row, n.RowCount);
    (*r.NS)[row] = static_cast<std::int32_t>(NumericCell(n.NS, row));
    r.Name->SetItem(row, n.Name->GetItem(row));
    (*r.Sign)[row] = n.Sign->Get(row);
    (*r.WPn)[row] = NumericCell(n.WPn, row), (*r.WQn)[row] = NumericCell(n.WQn, row);
    (*r.WPg)[row] = NumericCell(n.WPg, row), (*r.WQg)[row] = NumericCell(n.WQg, row);
    (*r.WPs)[row] = NumericCell(n.WPs, row), (*r.WQs)[row] = NumericCell(n.WQs, row);
    const double unom = NumericCell(n.Unom, row), umin = NumericCell(n.Umin, row), umax = NumericCell(n.Umax, row);
    (*r.Unom)[row] = static_cast<float>(unom), (*r.Umin)[row] = static_cast<float>(umin);
    (*r.Umax)[row] = static_cast<float>(umax);
    if (unom != 0 && umin != 0) (*r.dUmin)[row] = static_cast<float>((umin - unom) * 100 / unom);
    if (unom != 0 && umax != 0) (*r.dUmax)[row] = static_cast<float>((umax - unom) * 100 / unom);
    CopyMark(nodeEnergy, row, result, row);
  }
  if (result.NOrder > 0) {
    bool changed = false;
    SortTable(result, result.NOrder, std::span<const std::uint8_t>(&result.Order[1], result.NOrder), changed);
  }
}

TLossChoices EnergyLossChoices(const TDataFile& branchEnergy) {
  TBranchEnergyCols e;
  FillBranchEnergyCols(branchEnergy, e);
  return LossChoicesOfRows(
      e.RowCount, [&](int row) { return static_cast<long long>(std::nearbyint(e.Ul->Get(row) * 100.0)); },
      [&](int row) { return e.Nr->Get(row); });
}

}  // namespace ld
