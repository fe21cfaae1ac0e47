#include "core/regime/balance_report.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <unordered_map>

#include "core/base/codepage.h"
#include "core/regime/metering_tree.h"
#include "core/regime/period_meters.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_ops.h"

namespace ld {
namespace {

constexpr std::uint32_t kWorkBits = 0xF0000000;
// Area of a row outside every area: above every row number, so that such rows sort last and no meter
// row can open an area that merges with them.
constexpr std::int64_t kOutside = std::numeric_limits<std::int64_t>::max();

// The energies of a row, each active (0) and reactive (1).
enum Quantity {
  qWp, qWm, qWn, qWg, qWsn, qWpr, qWbt, qdWa,  // the sixteen energies
  qdWh, qdWn, qdWs,                            // the six losses
  qWs, qdWt, qWneb, qdWm, qD, qT, qP, qR, qM,  // derived
  qWnr, qWnl, qWkr, qWkl,                      // flows
  kQuantities
};
constexpr int kEnergies = qWpr + 3;  // qWp..qdWa
constexpr int kLosses = qdWs + 1;    // qWp..qdWs

struct TRow {
  std::int32_t N1 = 0, N2 = 0, IdxWLin = 0;
  char Commut = 0, A = 0, PM = 0;
  bool Opening = false;  // inflow row of a selected meter: the area's own meter
  std::int64_t Nz = 0;
  int NK = -1;
  std::uint8_t Nl = 0, Mark = 0;
  std::string Name1, Name2, Line, DSName, MarkText, Balans;
  std::array<std::array<double, 2>, kQuantities> W{};
  float Fdop = 0, Fmin = 0, Fmax = 0, Fp = 0;
};

char UpperLetter(char c) {
  if (c == 0) return 0;
  const int code = Cp1251Code(UpperChar(Cp1251Char(static_cast<unsigned char>(c))));
  return code < 0 ? c : static_cast<char>(code);
}

const char kPlus = '+', kMinus = '-';
const char kP = Utf8ToCp1251("П")[0];
const char kC = Utf8ToCp1251("С")[0];
const char kA = Utf8ToCp1251("А")[0];
const char kK = Utf8ToCp1251("К")[0];
const char kO = Utf8ToCp1251("О")[0];
const char kT = Utf8ToCp1251("Т")[0];

bool ForeignNetwork(char a) {
  const char u = UpperLetter(a);
  return u == kA || u == kC;
}

void Derive(TRow& r, const TBalanceOptions& o) {
  for (int k = 0; k < 2; ++k) {
    auto& w = r.W;
    w[qWs][k] = w[qWp][k] - w[qWm][k] + w[qWg][k] - w[qWsn][k];
    w[qdWt][k] = w[qWs][k] - w[qWn][k];
    w[qWneb][k] = w[qdWt][k] - w[qdWs][k];
    w[qdWm][k] = std::sqrt(std::pow(w[qWp][k] * o.MPp / 100, 2) + std::pow(w[qWm][k] * o.MPm / 100, 2) +
                           std::pow(w[qWn][k] * o.MPn / 100, 2) + std::pow(w[qWg][k] * o.MPg / 100, 2));
    double base = w[qWp][k] + w[qWg][k];
    if (!o.AllMeters) base -= w[qWm][k] + w[qWsn][k];
    if (base != 0) {
      w[qP][k] = w[qWneb][k] * 100 / base;
      w[qD][k] = w[qdWs][k] * 100 / base;
      w[qT][k] = w[qdWt][k] * 100 / base;
      w[qM][k] = w[qdWm][k] * 100 / base;
    }
    if (w[qdWs][k] != 0) w[qR][k] = w[qWneb][k] / w[qdWs][k];
  }
}

void AddInto(TRow& to, const TRow& from, int upTo) {
  for (int q = 0; q < upTo; ++q)
    for (int k = 0; k < 2; ++k) to.W[q][k] += from.W[q][k];
}

double Zeroed(double v) { return std::fabs(v) < 1e-7 ? 0 : v; }

class TReportBuilder {
public:
  TReportBuilder(TRegime& regime, const TBalanceInputs& in, const std::vector<std::int32_t>& marks,
                 const TBalanceOptions& o)
      : regime_(regime), marks_(marks), o_(o), pool_(regime.Elements()) {
    FillLineFlowCols(*in.LineFlows, f_);
    FillNodeCols(*in.Nodes, n_);
    FillBranchCols(*in.Branches, b_);
    FillBranchEnergyCols(*in.BranchEnergy, e_);
    meterRow_.assign(pool_.Count(), 0);
    energyRow_.assign(pool_.Count(), 0);
  }

  bool Selected(int row) const {
    return row >= 1 && static_cast<std::size_t>(row) < marks_.size() && marks_[static_cast<std::size_t>(row)] < 0;
  }

  void Run(const std::function<void(const std::string&)>& message) {
    // Energy-flow rows of the elements: the branch's own row, and for a supply element the row of the
    // supply node at the table's end, kept beside the model. The period run writes a supply row from its
    // node to the external source; tables of earlier runs hold it the other way round. Either is read,
    // and the row's own orientation turns its flows below.
    std::unordered_map<std::int32_t, int> supplyRows;
    for (int j = e_.RowCount; j >= 1; --j) {
      const std::int32_t n1 = e_.N1->Get(j), n2 = e_.N2->Get(j);
      if (n1 != kRootNumber && n2 != kRootNumber) break;
      supplyRows.try_emplace(n1 == kRootNumber ? n2 : n1, j);
    }
    for (TRegimeElement* e = regime_.Root->NextInTree; e != nullptr; e = e->NextInTree) {
      energyRow_[pool_.IndexOf(e)] = e->BranchIndex;
      if ((e->Flags & efSource) != 0 && e->Parent == regime_.Root) {
        const auto it = supplyRows.find(e->Number);
        energyRow_[pool_.IndexOf(e)] = it == supplyRows.end() ? 0 : it->second;
      }
    }
    elements_ = MapMeasurementsToModel(regime_, f_);

    // Boundaries and the meters that open areas.
    for (int m = 1; m <= f_.RowCount; ++m) {
      const char pm = UpperLetter(f_.PM->Get(m));
      const bool selected = Selected(m);
      if (!o_.AllMeters && pm != kPlus && pm != kMinus && pm != kP && !selected) continue;
      TRegimeElement* e = elements_[static_cast<std::size_t>(m)];
      if (e == nullptr || f_.N1->Get(m) == 0 || f_.N2->Get(m) == 0 || !IsMeteringRow(f_, m)) continue;
      e->Flags |= efMeteredBranch;
      meterRow_[pool_.IndexOf(e)] = m;
      if (selected) {
        e->Flags |= efPlusMeter;
        e->Work = m;
      }
    }
    ContourMeteringArea(regime_, message);

    for (TRegimeElement* e = regime_.Root->NextInTree; e != nullptr; e = e->NextInTree) {
      const std::int32_t parentWork = e->Parent != nullptr ? e->Parent->Work : 0;
      if (e->Work == 0 && parentWork == 0) continue;
      if (e->Work != 0) {
        ElementRow(*e, e->Work, true);
        if ((e->Flags & efMeteredBranch) != 0 && parentWork != 0) ElementRow(*e, parentWork, false);
      } else {
        ElementRow(*e, parentWork, false);
      }
    }
    MeterRows();
    Areas();
  }

  void Write(TDataFile& report) const {
    ReadMaket(LayoutEnergyBalances, report);
    CreateColumns(report, static_cast<int>(rows_.size()));
    TLineBalanceCols c;
    FillLineBalanceCols(report, c);
    const std::array<std::array<DAdouble*, 2>, kQuantities> cols = {{
        {c.WPp, c.WQp}, {c.WPm, c.WQm}, {c.WPn, c.WQn}, {c.WPg, c.WQg}, {c.WPsn, c.WQsn},
        {c.WPpr, c.WQpr}, {c.WPbt, c.WQbt}, {c.dWPa, c.dWQa}, {c.dWPh, c.dWQh}, {c.dWPn, c.dWQn},
        {c.dWPs, c.dWQs}, {c.WPs, c.WQs}, {c.dWPt, c.dWQt}, {c.WPneb, c.WQneb}, {c.dWPm, c.dWQm},
        {c.Dwp, c.Dwq}, {c.Twp, c.Twq}, {c.Pwp, c.Pwq}, {c.Rwp, c.Rwq}, {c.Mwp, c.Mwq},
        {c.WPnr, c.WQnr}, {c.WPnl, c.WQnl}, {c.WPkr, c.WQkr}, {c.WPkl, c.WQkl},
    }};
    for (int i = 1; i <= static_cast<int>(rows_.size()); ++i) {
      const TRow& r = rows_[static_cast<std::size_t>(i - 1)];
      (*c.N1)[i] = r.N1, (*c.N2)[i] = r.N2, (*c.IdxWLin)[i] = r.IdxWLin;
      (*c.Commut)[i] = r.Commut, (*c.A)[i] = r.A, (*c.PM)[i] = r.PM;
      c.Nz[i] = static_cast<int>(r.Nz), c.NK[i] = r.NK;
      (*c.Nl)[i] = r.Nl;
      c.Name1->SetItem(i, r.Name1), c.Name2->SetItem(i, r.Name2), c.Line->SetItem(i, r.Line);
      c.DSName->SetItem(i, r.DSName), c.Mark->SetItem(i, r.MarkText), c.Balans->SetItem(i, r.Balans);
      for (int q = 0; q < kQuantities; ++q)
        for (int k = 0; k < 2; ++k) (*cols[static_cast<std::size_t>(q)][static_cast<std::size_t>(k)])[i] = r.W[q][k];
      (*c.Fdop)[i] = r.Fdop, (*c.Fmin)[i] = r.Fmin, (*c.Fmax)[i] = r.Fmax, (*c.Fp)[i] = r.Fp;
      (*report.MarkRec)[i] = r.Mark;
    }
  }

private:
  const std::string NodeName(const TRegimeElement* e) const { return e == nullptr ? std::string() : e->Name; }

  void ElementRow(const TRegimeElement& e, std::int32_t area, bool inflow) {
    TRow r;
    const std::size_t idx = pool_.IndexOf(&e);
    const int j = energyRow_[idx];
    const int br = e.BranchIndex;
    const int node = e.NodeIndex;
    r.N1 = e.Number2, r.N2 = e.Number;
    r.Name1 = NodeName(e.Parent), r.Name2 = e.Name;
    r.IdxWLin = j;
    const bool metered = (e.Flags & efMeteredBranch) != 0;
    if (!metered) {
      r.Line = n_.Prim ? n_.Prim->GetItem(node) : std::string();
    } else {
      const int m = meterRow_[idx];
      r.NK = f_.NK.Get(m);
      r.PM = UpperLetter(f_.PM->Get(m));
      std::array<double, 2> p1{}, p2{};
      if (!inflow) {
        p1 = {f_.Pl->Get(m), f_.Ql->Get(m)}, p2 = {f_.Pr->Get(m), f_.Qr->Get(m)};
        if (r.PM == 0) r.PM = kMinus;
      } else {
        p1 = {f_.Pr->Get(m), f_.Qr->Get(m)}, p2 = {f_.Pl->Get(m), f_.Ql->Get(m)};
        if ((e.Flags & efPlusMeter) != 0) r.Opening = true;
        if (r.PM == 0) r.PM = kPlus;
      }
      if (j != 0 && f_.N1->Get(m) != e.Number2) {
        std::swap(p1, p2);
        r.NK = r.NK == 0 ? 1 : r.NK == 1 ? 0 : r.NK;
      }
      if ((e.Flags & efPlusMeter) == 0 && r.PM == kP) {
        r.W[qWg] = p1, r.W[qWn] = p2;
      } else {
        r.W[qWp] = p1, r.W[qWm] = p2;
      }
      r.Line = f_.Line->GetItem(m);
    }
    if (!r.Opening) {
      const bool openOwn = (e.Flags & efOpenNumber) != 0, openParent = (e.Flags & efOpenNumber2) != 0;
      if ((e.Flags & efDamaged) != 0)
        r.Commut = kP;
      else if (openOwn && openParent)
        r.Commut = kO;
      else if (openOwn)
        r.Commut = kK;
    }
    if (br > 0) r.A = b_.A->Get(br), r.Nl = b_.Nl->Get(br);
    r.Nz = area;

    if ((e.Flags & efLoopClosing) == 0 && !(metered && !inflow) && node > 0) {
      const char sign = UpperLetter(n_.Sign->Get(node));
      if (sign == kPlus || sign == kMinus) {
        if (r.PM == 0) r.PM = sign;
        r.W[qWm][0] += n_.WPn->Get(node), r.W[qWm][1] += n_.WQn->Get(node);
        r.W[qWp][0] += n_.WPg->Get(node), r.W[qWp][1] += n_.WQg->Get(node);
      } else {
        r.W[qWg] = {n_.WPg->Get(node), n_.WQg->Get(node)};
        if (sign == kC) {
          if (r.PM == 0) r.PM = sign;
          r.W[qWsn] = {n_.WPn->Get(node), n_.WQn->Get(node)};
        } else {
          r.W[qWn] = {n_.WPn->Get(node), n_.WQn->Get(node)};
        }
      }
      r.W[qWpr] = {n_.WPpr->Get(node), n_.WQpr->Get(node)};
      r.W[qWbt] = {n_.WPbt->Get(node), n_.WQbt->Get(node)};
      r.W[qdWa] = {n_.dWPa->Get(node), n_.dWQa->Get(node)};
      if (o_.SumALoss) r.W[qWn][0] += r.W[qdWa][0], r.W[qWn][1] += r.W[qdWa][1];
      if (r.W[qWn][0] == 0 && n_.Pn->Get(node) != 0) r.Mark = kBalanceNoEnergyMark;
    }
    if (!metered || (inflow && r.NK == 1) || (!inflow && r.NK == 0)) {
      r.W[qdWh] = {e_.dWPy->Get(j), e_.dWQy->Get(j)};
      r.W[qdWn] = {e_.dWPz->Get(j), e_.dWQz->Get(j)};
      r.W[qdWs] = {e_.dWPz->Get(j) + e_.dWPy->Get(j), e_.dWQz->Get(j) + e_.dWQy->Get(j)};
    }
    if (j > 0 && j <= e_.RowCount) {
      const std::array<double, 2> nr{e_.WPnr->Get(j), e_.WQnr->Get(j)}, nl{e_.WPnl->Get(j), e_.WQnl->Get(j)};
      const std::array<double, 2> kr{e_.WPkr->Get(j), e_.WQkr->Get(j)}, kl{e_.WPkl->Get(j), e_.WQkl->Get(j)};
      if (e_.N1->Get(j) == r.N1) {
        r.W[qWnr] = nr, r.W[qWnl] = nl, r.W[qWkr] = kr, r.W[qWkl] = kl;
      } else {
        r.W[qWnr] = kl, r.W[qWnl] = kr, r.W[qWkr] = nl, r.W[qWkl] = nr;
      }
    }
    if (br > 0) {
      r.DSName = b_.DSName->GetItem(br), r.MarkText = b_.Mark->GetItem(br), r.Balans = b_.Balans->GetItem(br);
    }
    if (j > 0 && j <= e_.RowCount && e_.T->Get(j) == kT) {
      r.Fdop = br > 0 ? b_.Sdop->Get(br) * 1000 : 0;
      r.Fmin = e_.Smin->Get(j) * 1000, r.Fmax = e_.Smax->Get(j) * 1000;
    } else if (j > 0 && j <= e_.RowCount) {
      r.Fdop = br > 0 ? b_.Idop->Get(br) : 0;
      r.Fmin = e_.Imin->Get(j), r.Fmax = e_.Imax->Get(j);
    }
    if (r.Fdop != 0) r.Fp = r.Fmax * 100 / r.Fdop;
    rows_.push_back(std::move(r));
  }

  void MeterRows() {
    for (int m = 1; m <= f_.RowCount; ++m) {
      const TRegimeElement* e = elements_[static_cast<std::size_t>(m)];
      const bool selected = Selected(m);
      const bool nodeMeter = f_.N2->Get(m) == 0;
      const bool inArea = e != nullptr && e->Work != 0;
      if (!((selected && (e == nullptr || nodeMeter)) || (!selected && nodeMeter && inArea))) continue;
      TRow r;
      r.N1 = f_.N1->Get(m), r.N2 = f_.N2->Get(m);
      r.Name1 = f_.Name1->GetItem(m), r.Name2 = f_.Name2->GetItem(m), r.Line = f_.Line->GetItem(m);
      r.PM = f_.PM->Get(m);
      const std::array<double, 2> pr{f_.Pr->Get(m), f_.Qr->Get(m)}, pl{f_.Pl->Get(m), f_.Ql->Get(m)};
      const char pm = UpperLetter(r.PM);
      const bool outside = selected && !inArea;
      if (pm == kPlus) {
        r.W[qWp] = pr, r.W[qWm] = pl;
      } else if (pm == kMinus) {
        r.W[qWp] = pl, r.W[qWm] = pr;
      } else if (pm == kC) {
        r.W[qWsn] = pr;
        if (outside) r.W[qWp] = pr;
      } else if (pm == kP) {
        r.W[qWn] = pr, r.W[qWg] = pl;
        if (outside) {
          r.W[qWp] = pr, r.W[qWm] = pl;
          if (f_.WPop->Get(m) != 0) {
            r.W[qWn] = {f_.WPop->Get(m), f_.WQop->Get(m)};
            r.W[qWg] = {f_.WPom->Get(m), f_.WQom->Get(m)};
          }
        }
        r.W[qWpr] = r.W[qWn];
      }
      r.Nz = inArea ? e->Work : kOutside;
      rows_.push_back(std::move(r));
    }
  }

  static bool Member(const TRow& r) { return r.Nz >= 1 && r.Nz != kOutside; }

  void DynamicOpening(TRow& header, const TRow& r) const {
    const int j = r.IdxWLin;
    auto at = [&](DAdouble* col) { return col != nullptr ? col->Get(j) : 0.0; };
    for (int k = 0; k < 2; ++k) {
      const bool p = k == 0;
      header.W[qWp][k] += r.W[qWp][k] + at(p ? e_.WPp : e_.WQp);
      header.W[qWm][k] += r.W[qWm][k] + at(p ? e_.WPm : e_.WQm);
      header.W[qWn][k] += at(p ? e_.WPn : e_.WQn);
      header.W[qWg][k] += at(p ? e_.WPg : e_.WQg);
      header.W[qWsn][k] += at(p ? e_.WPsn : e_.WQsn);
      header.W[qWpr][k] += at(p ? e_.WPpr : e_.WQpr);
      header.W[qWbt][k] += at(p ? e_.WPbt : e_.WQbt);
      header.W[qdWa][k] += at(p ? e_.dWPa : e_.dWQa);
      const double l1 = at(p ? e_.dWP1 : e_.dWQ1), l2 = at(p ? e_.dWP2 : e_.dWQ2);
      header.W[qdWh][k] += l2, header.W[qdWn][k] += l1, header.W[qdWs][k] += l1 + l2;
      if (o_.SumALoss) header.W[qWn][k] += at(p ? e_.dWPa : e_.dWQa);
      if (o_.OurLoss) {
        const double a1 = at(p ? e_.dWP1a : e_.dWQ1a), a2 = at(p ? e_.dWP2a : e_.dWQ2a);
        header.W[qdWh][k] = Zeroed(header.W[qdWh][k] - a2);
        header.W[qdWn][k] = Zeroed(header.W[qdWn][k] - a1);
        header.W[qdWs][k] = Zeroed(header.W[qdWs][k] - a1 - a2);
      }
      if (r.NK == 0 && !ForeignNetwork(r.A)) {
        const double y = at(p ? e_.dWPy : e_.dWQy), z = at(p ? e_.dWPz : e_.dWQz);
        header.W[qdWh][k] = Zeroed(header.W[qdWh][k] - y);
        header.W[qdWn][k] = Zeroed(header.W[qdWn][k] - z);
        header.W[qdWs][k] = Zeroed(header.W[qdWs][k] - y - z);
      }
    }
  }

  void Areas() {
    std::stable_sort(rows_.begin(), rows_.end(), [](const TRow& a, const TRow& b) { return a.Nz < b.Nz; });
    // A header before the first row of each area.
    std::vector<TRow> sorted;
    sorted.reserve(rows_.size() * 2 + 1);
    for (std::size_t i = 0; i < rows_.size();) {
      std::size_t end = i;
      while (end < rows_.size() && rows_[end].Nz == rows_[i].Nz) ++end;
      if (Member(rows_[i])) {
        const TRow* from = &rows_[i];
        for (std::size_t k = i; k < end; ++k)
          if (rows_[k].Opening) {
            from = &rows_[k];
            break;
          }
        TRow h;
        h.N1 = from->N1, h.N2 = from->N2, h.Name1 = from->Name1, h.Name2 = from->Name2, h.Line = from->Line;
        h.Nz = -rows_[i].Nz;
        sorted.push_back(std::move(h));
      }
      for (std::size_t k = i; k < end; ++k) sorted.push_back(std::move(rows_[k]));
      i = end;
    }
    rows_ = std::move(sorted);

    const bool dynamic = o_.DynamicFlow && !o_.AllMeters;
    std::unordered_map<std::int64_t, std::size_t> headers;
    for (std::size_t i = 0; i < rows_.size(); ++i)
      if (rows_[i].Nz < 0) headers[-rows_[i].Nz] = i;
    for (std::size_t i = rows_.size(); i-- > 0;) {
      TRow& r = rows_[i];
      if (Member(r)) {
        TRow& h = rows_[headers.at(r.Nz)];
        if (!dynamic) {
          AddInto(h, r, kEnergies);
          if (!(o_.OurLoss && ForeignNetwork(r.A)))
            for (int q = qdWh; q <= qdWs; ++q) h.W[q][0] += r.W[q][0], h.W[q][1] += r.W[q][1];
        } else if (r.Opening) {
          DynamicOpening(h, r);
        } else if (r.N2 == 0) {
          AddInto(h, r, kEnergies);
        }
      } else {
        Derive(r, o_);
        if (o_.Detailed) r.Mark = kBalanceHeaderMark;
      }
    }

    TRow total;
    total.Name2 = "<<< Всего >>>";
    total.Mark = kBalanceTotalMark;
    for (const TRow& r : rows_) {
      if (Member(r)) continue;
      AddInto(total, r, kEnergies);
      if (!(o_.OurLoss && ForeignNetwork(r.A)))
        for (int q = qdWh; q <= qdWs; ++q) total.W[q][0] += r.W[q][0], total.W[q][1] += r.W[q][1];
    }
    Derive(total, o_);

    if (!(o_.FullBalans && o_.Detailed)) {
      std::vector<TRow> kept;
      kept.reserve(rows_.size() + 1);
      for (TRow& r : rows_) {
        if (Member(r)) {
          if (!o_.Detailed) continue;
          if (!o_.FullBalans && r.PM == 0 && r.Mark != kBalanceNoEnergyMark) {
            double sum = 0;
            for (int q : {qWp, qWm, qWn, qWsn, qWg, qdWa, qdWt}) sum += r.W[q][0] + r.W[q][1];
            if (sum == 0) continue;
          }
        }
        kept.push_back(std::move(r));
      }
      rows_ = std::move(kept);
    }
    for (TRow& r : rows_) {
      if (r.Nz == kOutside) r.Nz = 0;
      if (r.Nz < 0) r.Nz = -r.Nz;
    }
    rows_.push_back(std::move(total));
  }

  TRegime& regime_;
  const std::vector<std::int32_t>& marks_;
  const TBalanceOptions& o_;
  const TElementPool& pool_;
  TLineFlowCols f_;
  TNodeCols n_;
  TBranchCols b_;
  TBranchEnergyCols e_;
  std::vector<TRegimeElement*> elements_;
  std::vector<int> meterRow_, energyRow_;
  std::vector<TRow> rows_;
};

void ClearMarks(TRegime& regime) {
  for (TRegimeElement* e = regime.FirstElement; e != nullptr; e = e->Next) {
    e->Flags &= ~kWorkBits;
    e->Work = 0;
  }
}

}  // namespace

bool BuildBalanceReport(TRegime& regime, const TBalanceInputs& inputs, const std::vector<std::int32_t>& marks,
                        const TBalanceOptions& options, TDataFile& report,
                        const std::function<void(const std::string&)>& message) {
  ClearMarks(regime);
  if (regime.ModelError || regime.Root == nullptr) return false;
  TReportBuilder builder(regime, inputs, marks, options);
  builder.Run(message);
  ClearMarks(regime);
  builder.Write(report);
  return true;
}

}  // namespace ld
