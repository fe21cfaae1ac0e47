#include "core/regime/period_balance.h"

#include <cmath>

#include "core/base/settings.h"
#include "core/engine/fixflow.h"
#include "core/tables/colmaps.h"

namespace ld {

bool PrepareLoadBalancing(TRegime& regime, TDataFile& lineFlows, const TDataFile& nodes, double hours,
                          bool showErrors, const std::function<void(const std::string&)>& message) {
  const auto say = [&](const std::string& text) {
    if (showErrors && message) message(text);
  };
  FixFlowDone();
  FixFlowInit();
  TLineFlowCols f;
  FillLineFlowCols(lineFlows, f);
  const float tg = IniRec.Btgf;
  for (int r = 1; r <= f.RowCount; ++r) {
    if (f.B.Get(r) != 0) continue;
    const int kind = f.Typ.Get(r);
    const std::string ends = std::to_string(f.N1->Get(r)) + " - " + std::to_string(f.N2->Get(r));
    if (kind < 1 || kind > 6) {
      // The remaining rows would go unbalanced: the run ends, as for a failed balancing.
      if (message) message("Перетоки в линиях: Не задан тип нагрузки ветви: " + ends);
      return false;
    }
    if (f.Ngr->Get(r) != 0 || f.Ngl->Get(r) != 0 || f.Nqr->Get(r) != 0 || f.Nql->Get(r) != 0) {
      if (message) message("Перетоки в линиях: графики перетока ветви " + ends + " в расчете потерь не учитываются");
      return false;
    }
    double pr = f.Pr->Get(r), qr = f.Qr->Get(r), pl = f.Pl->Get(r), ql = f.Ql->Get(r);
    if (kind == 1 || kind == 2) pr *= 0.001, pl *= 0.001;
    if (kind == 1) qr *= 0.001, ql *= 0.001;
    if (kind == 2 || kind == 3 || kind == 5) {
      if (qr == 0) qr = tg;
      if (ql == 0) ql = tg;
    }
    if (kind == 2 || kind == 5) qr *= pr, ql *= pl;
    if (kind == 4 || kind == 5) {
      // Energies of the period as its average power.
      const double k = hours > 0 ? 0.001 / hours : 0;
      pr *= k, pl *= k, qr *= k, ql *= k;
    }
    const double p = pr - pl;
    const double q = kind == 3 ? qr : qr - ql;
    const float weight = f.Kv->Get(r) != 0 ? f.Kv->Get(r) : 1.0f;
    if (FixFlowAddGivenFlow(regime.FirstElement, r, f.N1->Get(r), f.N2->Get(r), weight, p, q,
                            static_cast<std::uint16_t>(kind), static_cast<std::uint16_t>(f.NK.Get(r))) == 0)
      say("Перетоки в линиях: Ветвь " + ends + " не найдена в таблице ветвей схемы");
  }
  TNodeCols n;
  FillNodeCols(nodes, n);
  for (TRegimeElement* e = regime.FirstElement; e != nullptr; e = e->Next) {
    if (e->NodeIndex <= 0 || e->NodeIndex > n.RowCount || (e->Flags & efLoopClosing) != 0) continue;
    e->Kvi = n.Kvi->Get(e->NodeIndex);
    e->Kvu = n.Kvu->Get(e->NodeIndex);
  }
  FixFlowPrepare(regime);
  FixFlowSetWeights();
  return true;
}

void ClearMeterEnergies(TDataFile& lineFlows) {
  TLineFlowCols f;
  FillLineFlowCols(lineFlows, f);
  for (int r = 1; r <= f.RowCount; ++r)
    for (DAdouble* c : {f.Prn, f.Qrn, f.Pln, f.Qln, f.Prb, f.Qrb, f.Plb, f.Qlb}) (*c)[r] = 0;
}

void AddMeterEnergies(TDataFile& lineFlows, double h) {
  TLineFlowCols f;
  FillLineFlowCols(lineFlows, f);
  const double k = h * 1000;
  auto add = [&](double value, DAdouble* r, DAdouble* l, int row) {
    if (value > 0) (*r)[row] = r->Get(row) + value * k;
    else (*l)[row] = l->Get(row) - value * k;
  };
  for (const TFixFlowGiven& g : FixFlowGivenFlows()) {
    if (g.Row < 1 || g.Row > f.RowCount) continue;
    add(g.Initial.real(), f.Prn, f.Pln, g.Row);
    add(g.Initial.imag(), f.Qrn, f.Qln, g.Row);
    add(g.Result.real(), f.Prb, f.Plb, g.Row);
    add(g.Result.imag(), f.Qrb, f.Qlb, g.Row);
  }
}

}  // namespace ld
