// The state of the calculated moment: supply over the period from the switching table, and the
// loads, voltages and ratios of the moment from the graphs.
#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "core/base/error.h"
#include "core/engine/number_map.h"
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
  constexpr std::uint32_t nodeShape = efSource | efFixedVoltage | efEnergyLoads;
  auto nodeKey = [](const TRegimeElement& e) -> std::int32_t {
    if (e.NodeIndex <= 0) return 0;
    if ((e.Flags & efLoopClosing) == 0) return e.NodeIndex;
    return (e.Flags & efFixedVoltage) != 0 && e.BranchIndex == 0 ? -e.NodeIndex : 0;
  };
  // What the element holds now.
  auto snapshot = [&](const TRegimeElement& e) {
    TimeDataBase b;
    b.NodeKey = nodeKey(e);
    b.BranchIndex = e.BranchIndex;
    b.NodeFlags = e.Flags & nodeShape;
    b.Reversed = (e.Flags & efReversed) != 0;
    b.Load1 = e.Load1;
    b.Load2 = e.Load2;
    b.UNode = e.UNode;
    b.Um = e.Um;
    b.Angle = e.Angle;
    b.Ng_n = e.Ng_n;
    b.Ng_g = e.Ng_g;
    b.Nq_n = e.Nq_n;
    b.Nq_g = e.Nq_g;
    b.Ng_u = e.Ng_u;
    b.K = e.K;
    b.R = e.R;
    b.X = e.X;
    b.Ng_kta = e.Ng_kta;
    b.Ng_ktr = e.Ng_ktr;
    return b;
  };
  using TBaseList = std::vector<TimeDataBase, TLargeAllocator<TimeDataBase>>;

  // Only a part that the last moment replaced has to be put back. Without one, what every element holds
  // is its tables' values, and only the elements that the moment may change (those with graphs, loads
  // given as energies or supply lost for a while) and the unsupplied ones, whose loads are dropped, are
  // noted as they were: the rest keep their values through the moment, and nothing is kept of them.
  const bool restore = std::any_of(timeDataBase_.begin(), timeDataBase_.end(),
                                   [](const TimeDataBase& b) { return b.NodeApplied || b.BranchApplied; });
  TBaseList noted;                              // with restore: every element; else those noted
  std::vector<const TRegimeElement*> notedOf;   // without restore: the element of each noted entry
  std::vector<Complex, TLargeAllocator<Complex>> ratios;  // with restore: the contour matrices were formed with these
  if (restore) {
    TNumberMap<std::size_t> byNode(timeDataBase_.size()), byBranch(timeDataBase_.size());  // item + 1
    for (std::size_t k = 0; k < timeDataBase_.size(); ++k) {
      if (timeDataBase_[k].NodeKey != 0) byNode[timeDataBase_[k].NodeKey] = k + 1;
      if (timeDataBase_[k].BranchIndex > 0) byBranch[timeDataBase_[k].BranchIndex] = k + 1;
    }
    auto kept = [&](TNumberMap<std::size_t>& map, std::int32_t key) -> const TimeDataBase* {
      const std::size_t* k = key != 0 ? map.Find(key) : nullptr;
      return k != nullptr ? &timeDataBase_[*k - 1] : nullptr;
    };
    noted.reserve(pool_.Count());
    ratios.reserve(pool_.Count());
    for (TRegimeElement* e = Root; e != nullptr; e = e->NextInTree) {
      ratios.push_back(e->K);
      // What the element holds now, unless the last moment replaced it: whatever a caller has changed
      // since in a part the moment left alone stays.
      TimeDataBase& b = noted.emplace_back(snapshot(*e));
      const TimeDataBase* node = kept(byNode, b.NodeKey);
      if (node != nullptr && node->NodeApplied && node->NodeFlags == b.NodeFlags) {
        b.Load1 = e->Load1 = node->Load1;
        b.Load2 = e->Load2 = node->Load2;
        e->Load = b.Load1 + b.Load2;
        b.Ng_n = e->Ng_n = node->Ng_n;
        b.Ng_g = e->Ng_g = node->Ng_g;
        b.Nq_n = e->Nq_n = node->Nq_n;
        b.Nq_g = e->Nq_g = node->Nq_g;
        b.Ng_u = e->Ng_u = node->Ng_u;
        if (e->BranchIndex == 0 && node->Ng_u != 0) {
          b.K = e->K = node->K;
          b.Um = e->Um = node->Um;
          b.Angle = e->Angle = node->Angle;
          if ((e->Flags & efSource) != 0) b.UNode = e->UNode = node->UNode;
        }
      }
      const TimeDataBase* branch = kept(byBranch, b.BranchIndex);
      if (branch != nullptr && branch->BranchApplied) {
        b.Ng_kta = e->Ng_kta = branch->Ng_kta;
        b.Ng_ktr = e->Ng_ktr = branch->Ng_ktr;
        if (branch->Ng_kta != 0 || branch->Ng_ktr != 0) {
          Complex k = branch->K;
          double r = branch->R, x = branch->X;
          const double k2 = std::norm(k);
          if (branch->Reversed != b.Reversed && k2 != 0) {
            // Kept before the branch was turned round: referred to its other end, as turning it does.
            r /= k2;
            x /= k2;
            k = std::conj(k) / k2;
          }
          b.K = e->K = k;
          b.R = e->R = r;
          b.X = e->X = x;
        }
      }
    }
  }
  // Whether the moment may change the element: the graphs act only on these.
  auto mayChange = [](const TRegimeElement& e) {
    return (e.Ng_n | e.Nq_n | e.Ng_g | e.Nq_g | e.Ng_u | e.Ng_kta | e.Ng_ktr) != 0 ||
           (e.Flags & efEnergyLoads) != 0 || e.SupplyTimes != nullptr;
  };

  if (std::trunc(Date2) < std::trunc(Date1)) {
    ReportError(SchemeQuoted() + ". Начальная дата больше конечной даты");
  } else {
    try {
      supplyListsHeld_ = true;
      if (BuildSwitchingTable(*this, Step, TypCalcPQ, Date1, Date2)) {
        TMomentGraphs graphs(*this, TypCalcPQ, Step, Date1, Date2, CalcDate, KeepSeries);
        for (TRegimeElement* e = Root->NextInTree; e != nullptr; e = e->NextInTree) {
          if (!restore && mayChange(*e)) {
            noted.push_back(snapshot(*e));
            notedOf.push_back(e);
          }
          if (!graphs.ApplyLoads(*e) || !graphs.ApplyVoltage(*e) || !graphs.ApplyRatios(*e)) break;
        }
      }
    } catch (const Error& error) {
      // A damaged switching table or graph file, or a moment that is no calendar date.
      ReportError(SchemeQuoted() + ". " + error.what());
    }
  }

  bool ratioChanged = false, applied = false;
  std::size_t i = 0, next = 0;
  // Unsupplied elements noted on the way, in tree order, that the moment changed.
  std::vector<std::pair<const TRegimeElement*, TimeDataBase>> dropped;
  TimeDataBase own;
  for (TRegimeElement* e = Root; e != nullptr; e = e->NextInTree, ++i) {
    TimeDataBase* b = nullptr;
    if (restore) {
      b = &noted[i];
    } else if (next < notedOf.size() && notedOf[next] == e) {
      b = &noted[next++];
    } else if ((e->Flags & efUnsupplied) != 0) {
      own = snapshot(*e);
      b = &own;
    }
    if ((e->Flags & efUnsupplied) != 0) e->Load1 = e->Load2 = e->Load = Complex(0, 0);
    if (e != Root) e->SupplyTimes.reset();
    e->Flags &= ~(efSwitchedOff | efSupplied);
    if (b == nullptr) continue;
    b->NodeApplied = e->Load1 != b->Load1 || e->Load2 != b->Load2 || e->Ng_n != b->Ng_n || e->Ng_g != b->Ng_g ||
                     e->Nq_n != b->Nq_n || e->Nq_g != b->Nq_g || e->Ng_u != b->Ng_u ||
                     (e->BranchIndex == 0 && b->Ng_u != 0 &&
                      (e->K != b->K || e->Um != b->Um || e->Angle != b->Angle ||
                       ((e->Flags & efSource) != 0 && e->UNode != b->UNode)));
    b->BranchApplied = e->BranchIndex > 0 &&
                       (e->Ng_kta != b->Ng_kta || e->Ng_ktr != b->Ng_ktr ||
                        ((b->Ng_kta != 0 || b->Ng_ktr != 0) && (e->K != b->K || e->R != b->R || e->X != b->X)));
    applied = applied || b->NodeApplied || b->BranchApplied;
    if (b == &own && (own.NodeApplied || own.BranchApplied)) dropped.emplace_back(e, own);
    if (e->K != (restore ? ratios[i] : b->K)) ratioChanged = true;
  }
  supplyListsHeld_ = false;

  // What the next moment puts back: an entry for every element in tree order, as the tables give them.
  if (!applied) {
    timeDataBase_.clear();
  } else if (restore) {
    timeDataBase_ = std::move(noted);
  } else {
    TBaseList all;
    all.reserve(pool_.Count());
    std::size_t fromGraphs = 0, fromDropped = 0;
    for (const TRegimeElement* e = Root; e != nullptr; e = e->NextInTree) {
      if (fromGraphs < notedOf.size() && notedOf[fromGraphs] == e) {
        all.push_back(noted[fromGraphs++]);
      } else if (fromDropped < dropped.size() && dropped[fromDropped].first == e) {
        all.push_back(dropped[fromDropped++].second);
      } else {
        all.push_back(snapshot(*e));
      }
    }
    timeDataBase_ = std::move(all);
  }

  if (ratioChanged) {
    // The contour matrices hold the old ratios, and so do the branch currents that the iterations carry
    // on from: each sweep adds only the change of a current, referred through the ratio of the moment.
    FreeMatrices();
    VoltagesSet = false;
  }
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
  if (!supplyListsHeld_) return;
  for (TRegimeElement* e = Root; e != nullptr; e = e->NextInTree) {
    if (e != Root) e->SupplyTimes.reset();
  }
  supplyListsHeld_ = false;
}

}  // namespace ld
