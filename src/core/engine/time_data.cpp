// The state of the calculated moment: supply over the period from the switching table, and the
// loads, voltages and ratios of the moment from the graphs.
#include <cmath>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/base/error.h"
#include "core/engine/regime.h"
#include "core/engine/time_data_graphs.h"
#include "core/engine/time_data_supply.h"

namespace ld {

void TRegime::ApplyTimeData(std::uint8_t TypCalcPQ, int Step, double Date1, double Date2, double CalcDate,
                            bool KeepSeries) {
  FreeTimeData();
  SwitchMoments.push_back(DateTimeToPacked(std::trunc(Date2) + 1));
  if (Root == nullptr || ModelError) return;

  // A model that has had a moment applied starts from its tables' values again, so that the loads of
  // one moment never become the given loads of the next. The root carries no node, so its supply list
  // is free to mark the model that the kept values belong to.
  if (Root->SupplyTimes == nullptr || Root->SupplyTimes.get() != timeDataMark_) {
    timeDataBase_.clear();
    Root->SupplyTimes = std::make_unique<std::vector<double>>();
    timeDataMark_ = Root->SupplyTimes.get();
  }
  auto graphed = [](const TimeDataBase& b) { return b.Ng_u != 0 || b.Ng_kta != 0 || b.Ng_ktr != 0; };
  // Cut moves may have reordered the tree since, so the kept values are found by element, and only
  // while the element still carries the same node and branch the same way round.
  constexpr std::uint32_t shape = efReversed | efLoopClosing | efSource | efFixedVoltage | efEnergyLoads;
  std::unordered_map<const TRegimeElement*, std::size_t> kept;
  for (std::size_t k = 0; k < timeDataBase_.size(); ++k) kept.emplace(timeDataBase_[k].Element, k);
  std::vector<TimeDataBase> base;
  std::vector<Complex> ratios;  // the contour matrices were formed with these
  for (TRegimeElement* e = Root; e != nullptr; e = e->NextInTree) {
    ratios.push_back(e->K);
    const auto it = kept.find(e);
    const TimeDataBase* old = it != kept.end() ? &timeDataBase_[it->second] : nullptr;
    if (old == nullptr || !old->Applied || old->NodeIndex != e->NodeIndex || old->BranchIndex != e->BranchIndex ||
        old->Flags != (e->Flags & shape)) {
      // Whatever a caller has changed since in an element the last moment left alone stays.
      TimeDataBase& b = base.emplace_back();
      b.Element = e;
      b.NodeIndex = e->NodeIndex;
      b.BranchIndex = e->BranchIndex;
      b.Flags = e->Flags & shape;
      b.Load1 = e->Load1;
      b.Load2 = e->Load2;
      b.K = e->K;
      b.UNode = e->UNode;
      b.R = e->R;
      b.X = e->X;
      b.Um = e->Um;
      b.Angle = e->Angle;
      b.Ng_n = e->Ng_n;
      b.Ng_g = e->Ng_g;
      b.Nq_n = e->Nq_n;
      b.Nq_g = e->Nq_g;
      b.Ng_u = e->Ng_u;
      b.Ng_kta = e->Ng_kta;
      b.Ng_ktr = e->Ng_ktr;
      continue;
    }
    const TimeDataBase& b = base.emplace_back(*old);
    e->Load1 = b.Load1;
    e->Load2 = b.Load2;
    e->Load = b.Load1 + b.Load2;
    e->Ng_n = b.Ng_n;
    e->Ng_g = b.Ng_g;
    e->Nq_n = b.Nq_n;
    e->Nq_g = b.Nq_g;
    e->Ng_u = b.Ng_u;
    e->Ng_kta = b.Ng_kta;
    e->Ng_ktr = b.Ng_ktr;
    if (graphed(b)) {
      e->K = b.K;
      e->R = b.R;
      e->X = b.X;
      e->Um = b.Um;
      e->Angle = b.Angle;
      if ((e->Flags & efSource) != 0) e->UNode = b.UNode;
    }
  }
  timeDataBase_ = std::move(base);

  if (std::trunc(Date2) < std::trunc(Date1)) {
    ReportError(SchemeQuoted() + ". Начальная дата больше конечной даты");
  } else {
    try {
      if (BuildSwitchingTable(*this, Step, TypCalcPQ, Date1, Date2)) {
        TMomentGraphs graphs(*this, TypCalcPQ, Step, Date1, Date2, CalcDate, KeepSeries);
        for (TRegimeElement* e = Root->NextInTree; e != nullptr; e = e->NextInTree) {
          if (!graphs.ApplyLoads(*e) || !graphs.ApplyVoltage(*e) || !graphs.ApplyRatios(*e)) break;
        }
      }
    } catch (const Error& error) {
      // A damaged switching table or graph file, or a moment that is no calendar date.
      ReportError(SchemeQuoted() + ". " + error.what());
    }
  }

  bool ratioChanged = false;
  std::size_t i = 0;
  for (TRegimeElement* e = Root; e != nullptr; e = e->NextInTree, ++i) {
    if ((e->Flags & efUnsupplied) != 0) e->Load1 = e->Load2 = e->Load = Complex(0, 0);
    if (e != Root) e->SupplyTimes.reset();
    e->Flags &= ~(efSwitchedOff | efSupplied);
    TimeDataBase& b = timeDataBase_[i];
    b.Applied = e->Load1 != b.Load1 || e->Load2 != b.Load2 || e->Ng_n != b.Ng_n || e->Ng_g != b.Ng_g ||
                e->Nq_n != b.Nq_n || e->Nq_g != b.Nq_g || e->Ng_u != b.Ng_u || e->Ng_kta != b.Ng_kta ||
                e->Ng_ktr != b.Ng_ktr ||
                (graphed(b) && (e->K != b.K || e->R != b.R || e->X != b.X || e->Um != b.Um || e->Angle != b.Angle ||
                                ((e->Flags & efSource) != 0 && e->UNode != b.UNode)));
    if (e->K != ratios[i]) ratioChanged = true;
  }
  if (ratioChanged) FreeMatrices();
}

void TRegime::FreeTimeData() {
  SwitchMoments.clear();
  SupplyHours.clear();
  GraphCache.clear();
  CachedGraphs.clear();
  SavedNg_n.clear();
  SavedNq_n.clear();
  SavedNg_g.clear();
  SavedNq_g.clear();
  SavedNg_u.clear();
  SavedNg_kta.clear();
  SavedNg_ktr.clear();
  for (TRegimeElement* e = Root; e != nullptr; e = e->NextInTree) {
    if (e != Root) e->SupplyTimes.reset();
  }
}

}  // namespace ld
