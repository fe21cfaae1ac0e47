#include "core/regime/result_views.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "core/engine/electric.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_ops.h"

namespace ld {

namespace {

// Progress every fifth of the rows (at least every row), as row × 100 / count.
class RowProgress {
public:
  RowProgress(const TProgressProc& progress, int count)
      : progress_(progress), count_(count), step_(std::max(1, count / 5)) {}
  void At(int row) const {
    if (progress_ && count_ > 0 && row % step_ == 0) progress_(row * 100 / count_);
  }

private:
  const TProgressProc& progress_;
  int count_, step_;
};

void PrepareResult(const TDataFile& source, const char* layout, int rowCount, TDataFile& result) {
  ReadMaket(layout, result);
  CreateColumns(result, rowCount);
  result.Title = source.Title;
}

// Rows are filled up to `used`; the table shrinks to them.
void TrimResult(TDataFile& result, int used) {
  if (used < result.RowCount) DeleteTableRows(result, used + 1, result.RowCount);
}

void SortByLayout(TDataFile& result) {
  if (result.NOrder <= 0) return;
  bool changed = false;
  SortTable(result, result.NOrder, std::span<const std::uint8_t>(&result.Order[1], result.NOrder), changed);
}

bool IsTransformer(const TBranchCols& b, int row) { return (*b.Kta)[row] + (*b.Ktr)[row] != 0; }

bool Selected(const TBranchCols& b, int row, bool lines, int district) {
  if (district != 0 && (*b.Nr)[row] != district) return false;
  return IsTransformer(b, row) != lines;
}

TBranchFlows FlowsOf(const TBranchCols& b, int row) {
  const double k = DistributionFactor((*b.Tz)[row]);
  return CalcBranchFlows((*b.U1)[row], (*b.F1)[row], (*b.U2)[row], (*b.F2)[row], (*b.Irez)[row], (*b.Faza)[row],
                         (*b.R)[row] * k, (*b.X)[row] * k, (*b.G)[row], (*b.B)[row], (*b.Kta)[row], (*b.Ktr)[row]);
}

double Scale(const TResultViewOptions& options) { return options.Dimension == 1 ? 1000.0 : 1.0; }

// The texts every branch view copies.
template <typename Cols>
void CopyNames(const TBranchCols& b, int row, Cols& r, int to) {
  (*r.N1)[to] = (*b.N1)[row];
  (*r.N2)[to] = (*b.N2)[row];
  r.DSName->SetItem(to, b.DSName->GetItem(row));
  r.Name1->SetItem(to, b.Name1->GetItem(row));
  r.Name2->SetItem(to, b.Name2->GetItem(row));
  r.Mark->SetItem(to, b.Mark->GetItem(row));
  r.Balans->SetItem(to, b.Balans->GetItem(row));
  (*r.A)[to] = (*b.A)[row];
}

void CopyMark(const TDataFile& source, int row, TDataFile& result, int to) {
  (*result.MarkRec)[to] = source.MarkRec ? source.MarkRec->Get(row) : 0;
}

int CountSelected(const TBranchCols& b, bool lines, int district) {
  int count = 0;
  for (int row = 1; row <= b.RowCount; ++row) count += Selected(b, row, lines, district) ? 1 : 0;
  return count;
}

}  // namespace

void BuildVoltageView(const TDataFile& nodes, const TResultViewOptions& options, TDataFile& result) {
  TNodeCols n;
  FillNodeCols(nodes, n);
  PrepareResult(nodes, LayoutNodeVoltages, n.RowCount, result);
  TSectionCols r;
  FillSectionCols(result, r);
  const RowProgress progress(options.Progress, n.RowCount);
  int used = 0;
  for (int row = 1; row <= n.RowCount; ++row) {
    progress.At(row);
    if (options.District != 0 && (*n.Nr)[row] != options.District) continue;
    ++used;
    (*r.NS)[used] = (*n.NS)[row];
    r.Name->SetItem(used, n.Name->GetItem(row));
    const double urez = (*n.Urez)[row];
    double um = (*n.Um)[row];
    const char sign = static_cast<char>(std::toupper(static_cast<unsigned char>((*n.Sign)[row])));
    if (sign == 'B' || sign == 'U') um = NearestNominalVoltage(um);
    (*r.Urez)[used] = static_cast<float>(urez);
    (*r.Um)[used] = static_cast<float>(um);
    (*r.dU)[used] = urez != 0 && um != 0 ? static_cast<float>((urez - um) * 100 / um) : 0.0f;
    CopyMark(nodes, row, result, used);
  }
  TrimResult(result, used);
  SortByLayout(result);
}

void BuildLoadView(const TDataFile& branches, bool lines, const TResultViewOptions& options, TDataFile& result) {
  TBranchCols b;
  FillBranchCols(branches, b);
  PrepareResult(branches, lines ? LayoutLineLoads : LayoutTransLoads, CountSelected(b, lines, options.District),
                result);
  const double scale = Scale(options);
  const RowProgress progress(options.Progress, b.RowCount);
  int used = 0;
  DAsingle* percent = nullptr;
  if (lines) {
    TLineLoadCols r;
    FillLineLoadCols(result, r);
    percent = r.Ip;
    for (int row = 1; row <= b.RowCount; ++row) {
      progress.At(row);
      if (!Selected(b, row, lines, options.District)) continue;
      ++used;
      const TBranchFlows f = FlowsOf(b, row);
      CopyNames(b, row, r, used);
      (*r.Ul)[used] = (*b.Ul)[row];
      const float idop = (*b.Idop)[row];
      (*r.Idop)[used] = idop;
      const double irez = std::fabs(f.I2) > std::fabs(f.I1) ? f.I2 : f.I1;
      (*r.Irez)[used] = static_cast<float>(irez);
      (*r.Pn)[used] = static_cast<float>(f.P1 * scale), (*r.Qn)[used] = static_cast<float>(f.Q1 * scale);
      (*r.Pk)[used] = static_cast<float>(f.P2 * scale), (*r.Qk)[used] = static_cast<float>(f.Q2 * scale);
      (*r.Ip)[used] = idop != 0 ? static_cast<float>(-std::fabs(irez) * 100 / idop) : 0.0f;
      CopyMark(branches, row, result, used);
    }
  } else {
    TTransLoadCols r;
    FillTransLoadCols(result, r);
    percent = r.Sp;
    for (int row = 1; row <= b.RowCount; ++row) {
      progress.At(row);
      if (!Selected(b, row, lines, options.District)) continue;
      ++used;
      const TBranchFlows f = FlowsOf(b, row);
      CopyNames(b, row, r, used);
      const double srez = std::max(std::hypot(f.P1, f.Q1), std::hypot(f.P2, f.Q2)) * scale;
      const double sdop = (*b.Sdop)[row] * scale;
      (*r.Srez)[used] = static_cast<float>(srez);
      (*r.Sdop)[used] = static_cast<float>(sdop);
      (*r.Pn)[used] = static_cast<float>(f.P1 * scale), (*r.Qn)[used] = static_cast<float>(f.Q1 * scale);
      (*r.Pk)[used] = static_cast<float>(f.P2 * scale), (*r.Qk)[used] = static_cast<float>(f.Q2 * scale);
      (*r.Jn)[used] = static_cast<float>(f.I1), (*r.Jk)[used] = static_cast<float>(f.I2);
      (*r.Sp)[used] = sdop != 0 ? static_cast<float>(-std::fabs(srez) * 100 / sdop) : 0.0f;
      CopyMark(branches, row, result, used);
    }
  }
  // Sorted on the negative loading, so the most loaded come first and the unrated (0) last; then shown
  // as the loading itself.
  const std::uint8_t key = static_cast<std::uint8_t>(FindColumnIndex(lines ? "Ip" : "Sp", result));
  bool changed = false;
  SortTable(result, 1, std::span<const std::uint8_t>(&key, 1), changed);
  for (int row = 1; row <= result.RowCount; ++row) (*percent)[row] = std::fabs((*percent)[row]);
}

void BuildLossView(const TDataFile& branches, bool lines, const TResultViewOptions& options, TDataFile& result) {
  TBranchCols b;
  FillBranchCols(branches, b);
  PrepareResult(branches, lines ? LayoutLineLosses : LayoutTransLosses, CountSelected(b, lines, options.District),
                result);
  const double scale = Scale(options);
  const RowProgress progress(options.Progress, b.RowCount);
  auto s = [scale](double v) { return static_cast<float>(v * scale); };
  int used = 0;
  if (lines) {
    TLineLossCols r;
    FillLineLossCols(result, r);
    for (int row = 1; row <= b.RowCount; ++row) {
      progress.At(row);
      if (!Selected(b, row, lines, options.District)) continue;
      ++used;
      const TBranchFlows f = FlowsOf(b, row);
      CopyNames(b, row, r, used);
      (*r.Ul)[used] = (*b.Ul)[row];
      (*r.Plin)[used] = s(f.dP), (*r.Qlin)[used] = s(f.dQ);
      (*r.Pkor)[used] = s(f.dPsh), (*r.Qzar)[used] = s(f.dQsh);
      (*r.dP)[used] = s(f.dP + f.dPsh), (*r.dQ)[used] = s(f.dQ + f.dQsh);
      CopyMark(branches, row, result, used);
    }
  } else {
    TTransLossCols r;
    FillTransLossCols(result, r);
    for (int row = 1; row <= b.RowCount; ++row) {
      progress.At(row);
      if (!Selected(b, row, lines, options.District)) continue;
      ++used;
      const TBranchFlows f = FlowsOf(b, row);
      CopyNames(b, row, r, used);
      (*r.dPy)[used] = s(f.dPsh), (*r.dQy)[used] = s(f.dQsh);
      (*r.dPz)[used] = s(f.dP), (*r.dQz)[used] = s(f.dQ);
      (*r.dPt)[used] = s(f.dP + f.dPsh), (*r.dQt)[used] = s(f.dQ + f.dQsh);
      CopyMark(branches, row, result, used);
    }
  }
  SortByLayout(result);
}

}  // namespace ld
