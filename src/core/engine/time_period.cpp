#include "core/engine/time_period.h"

#include <algorithm>
#include <cmath>

#include "core/base/dynarray.h"
#include "core/catalogs/graph_series.h"

namespace ld {
namespace {

constexpr std::uint8_t kGraphMode = 3;

bool IsFixedVoltageBranch(const TRegimeElement& e) {
  return (e.Flags & (efFixedVoltage | efLoopClosing)) == (efFixedVoltage | efLoopClosing);
}

template <class T>
void PutAt(std::vector<T>& v, std::int32_t row, const T& value) {
  if (row <= 0) return;
  if (v.size() <= static_cast<std::size_t>(row)) v.resize(static_cast<std::size_t>(row) + 1);
  v[static_cast<std::size_t>(row)] = value;
}

template <class T>
T TakeAt(const std::vector<T>& v, std::int32_t row) {
  return row > 0 && static_cast<std::size_t>(row) < v.size() ? v[static_cast<std::size_t>(row)] : T{};
}

// A node element that carries the loads of its node row (not a loop-closing branch).
bool CarriesNode(const TRegimeElement& e) { return e.NodeIndex > 0 && (e.Flags & efLoopClosing) == 0; }

}  // namespace

bool TPeriodData::Capture(const TRegime& regime, std::uint8_t TypCalcPQ, int Step, TDateTime Date1,
                          TDateTime Date2, std::string& Msg) {
  *this = TPeriodData();
  regime_ = &regime;
  mode_ = TypCalcPQ;
  step_ = Step;
  periodStart_ = DateTimeToPacked(std::trunc(Date1));
  Msg.clear();

  if (mode_ == kGraphMode) {
    DAdouble grid;
    if (!CountGraphPoints(true, Step, grid, Msg, Date2, Date1)) return false;
    for (int k = 1; k <= grid.Count; ++k) sliceEnds_.push_back(grid.Get(k));
  } else {
    // Item 0 of the switching moments is the period end; the moments of the period follow it.
    for (std::size_t k = 1; k < regime.SwitchMoments.size(); ++k) sliceEnds_.push_back(regime.SwitchMoments[k]);
    sliceEnds_.push_back(regime.SwitchMoments.empty() ? DateTimeToPacked(std::trunc(Date2) + 1)
                                                      : regime.SwitchMoments[0]);
  }
  workingHours_ = regime.SupplyHours;

  if (regime.Root == nullptr) return true;
  for (const TRegimeElement* e = regime.Root->NextInTree; e != nullptr; e = e->NextInTree) {
    if (CarriesNode(*e)) {
      PutAt(readLoad1_, e->NodeIndex, e->Load1);
      PutAt(readLoad2_, e->NodeIndex, e->Load2);
      PutAt(nodeNumber_, e->NodeIndex, e->Number);
    }
    auto add = [&](TPeriodQuantity q, std::int32_t slot, std::int32_t nodeRow, std::int32_t branchRow) {
      if (Series(slot) == nullptr) return;
      TPeriodGraph& g = graphs_.emplace_back();
      g.Quantity = q;
      g.Slot = slot;
      g.Number = regime.CachedGraphs[static_cast<std::size_t>(slot - 1)];
      g.NodeRow = nodeRow;
      g.BranchRow = branchRow;
    };
    const bool voltageKept = (e->Flags & efSource) != 0 || IsFixedVoltageBranch(*e);
    if (e->NodeIndex > 0 && voltageKept && e->Ng_u != 0 && mode_ == kGraphMode) {
      add(TPeriodQuantity::Voltage, e->Ng_u, e->NodeIndex, 0);
      if (Series(e->Ng_u) != nullptr) {
        PutAt(voltageSlot_, e->NodeIndex, e->Ng_u);
        PutAt(nodeNumber_, e->NodeIndex, e->Number);
      }
    }
    if (CarriesNode(*e) && mode_ == kGraphMode) {
      add(TPeriodQuantity::LoadP, e->Ng_n, e->NodeIndex, 0);
      add(TPeriodQuantity::GenerationP, e->Ng_g, e->NodeIndex, 0);
      add(TPeriodQuantity::LoadQ, e->Nq_n, e->NodeIndex, 0);
      add(TPeriodQuantity::GenerationQ, e->Nq_g, e->NodeIndex, 0);
    }
    if (e->BranchIndex > 0 && mode_ == kGraphMode) {
      add(TPeriodQuantity::RatioKta, e->Ng_kta, 0, e->BranchIndex);
      add(TPeriodQuantity::RatioKtr, e->Ng_ktr, 0, e->BranchIndex);
    }
  }
  for (TPeriodGraph& g : graphs_) g.Values.assign(sliceEnds_.size(), 0.0);
  return true;
}

const std::vector<double>* TPeriodData::Series(std::int32_t slot) const {
  if (regime_ == nullptr || slot <= 0 || static_cast<std::size_t>(slot) > regime_->GraphCache.size() ||
      static_cast<std::size_t>(slot) > regime_->CachedGraphs.size())
    return nullptr;
  return &regime_->GraphCache[static_cast<std::size_t>(slot - 1)];
}

double TPeriodData::SeriesValue(std::int32_t slot, int slice) const {
  const std::vector<double>* s = Series(slot);
  return s != nullptr && slice >= 1 && static_cast<std::size_t>(slice) <= s->size()
             ? (*s)[static_cast<std::size_t>(slice - 1)]
             : 0.0;
}

double TPeriodData::SliceEnd(int slice) const {
  return slice >= 1 && slice <= SliceCount() ? sliceEnds_[static_cast<std::size_t>(slice - 1)] : 0.0;
}

double TPeriodData::SliceHours(int slice) const {
  if (slice < 1 || slice > SliceCount()) return 0;
  if (mode_ == kGraphMode) return step_ / 3600.0;
  return HoursBetween(slice == 1 ? periodStart_ : SliceEnd(slice - 1), SliceEnd(slice));
}

double TPeriodData::NodeVoltage(int nodeRow, int slice) const {
  const std::int32_t slot = TakeAt(voltageSlot_, nodeRow);
  return slot != 0 ? SeriesValue(slot, slice) : 0.0;
}

std::vector<double> TPeriodData::VoltagesByNodeRow(int slice) const {
  std::vector<double> out;
  for (std::size_t row = 1; row < voltageSlot_.size(); ++row) {
    if (voltageSlot_[row] == 0) continue;
    out.resize(voltageSlot_.size());
    out[row] = SeriesValue(voltageSlot_[row], slice);
  }
  return out;
}

std::map<std::int32_t, double> TPeriodData::VoltagesByNodeNumber(int slice) const {
  std::map<std::int32_t, double> out;
  for (std::size_t row = 1; row < voltageSlot_.size(); ++row) {
    if (voltageSlot_[row] != 0)
      out[TakeAt(nodeNumber_, static_cast<std::int32_t>(row))] = SeriesValue(voltageSlot_[row], slice);
  }
  return out;
}

bool TPeriodData::HasResultGraphs() const {
  return std::any_of(graphs_.begin(), graphs_.end(), [](const TPeriodGraph& g) { return g.Number < 0; });
}

bool TPeriodData::ApplySlice(TRegime& regime, int slice, bool keepOther, const TRegimeElement** zeroSource) const {
  if (zeroSource != nullptr) *zeroSource = nullptr;
  if (regime.Root == nullptr) return true;
  for (TRegimeElement* e = regime.Root->NextInTree; e != nullptr; e = e->NextInTree) {
    if (CarriesNode(*e) && (e->Flags & efUnsupplied) == 0) {
      const Complex read1 = TakeAt(readLoad1_, e->NodeIndex), read2 = TakeAt(readLoad2_, e->NodeIndex);
      const bool graphs = Series(e->Ng_n) || Series(e->Nq_n) || Series(e->Ng_g) || Series(e->Nq_g);
      if (graphs && mode_ == kGraphMode) {
        const Complex base1 = keepOther ? e->Load1 : read1, base2 = keepOther ? e->Load2 : read2;
        const double pn = Series(e->Ng_n) ? SeriesValue(e->Ng_n, slice) : base1.real();
        const double qn = Series(e->Nq_n) ? SeriesValue(e->Nq_n, slice) : -base1.imag();
        const double pg = Series(e->Ng_g) ? SeriesValue(e->Ng_g, slice) : -base2.real();
        const double qg = Series(e->Nq_g) ? SeriesValue(e->Nq_g, slice) : base2.imag();
        e->Load1 = Complex(pn, -qn);
        e->Load2 = Complex(-pg, qg);
      } else if (!keepOther) {
        e->Load1 = read1;
        e->Load2 = read2;
      }
      e->Load = e->Load1 + e->Load2;
    }
    if (mode_ != kGraphMode || e->NodeIndex <= 0 || Series(e->Ng_u) == nullptr) continue;
    const double u = NodeVoltage(e->NodeIndex, slice);
    if ((e->Flags & efSource) != 0) {
      const double magnitude = std::abs(e->UNode);
      e->UNode = magnitude > 0 ? e->UNode * (u / magnitude) : Complex(u, 0);
      e->K = e->UNode / 110.0;
    } else if (IsFixedVoltageBranch(*e)) {
      e->Um = u;
      e->Angle = 0;
      e->K = Complex(u / 110.0, 0);
    } else {
      continue;
    }
    if (e->K == Complex(0, 0) && (e->Flags & efUnsupplied) == 0) {
      if (zeroSource != nullptr) *zeroSource = e;
      return false;
    }
  }
  return true;
}

void TPeriodData::SaveLoads(const TRegime& regime) {
  savedLoad1_.assign(readLoad1_.size(), Complex());
  savedLoad2_.assign(readLoad2_.size(), Complex());
  if (regime.Root == nullptr) return;
  for (const TRegimeElement* e = regime.Root->NextInTree; e != nullptr; e = e->NextInTree) {
    if (!CarriesNode(*e)) continue;
    PutAt(savedLoad1_, e->NodeIndex, e->Load1);
    PutAt(savedLoad2_, e->NodeIndex, e->Load2);
  }
}

void TPeriodData::RestoreLoads(TRegime& regime) const {
  if (regime.Root == nullptr) return;
  for (TRegimeElement* e = regime.Root->NextInTree; e != nullptr; e = e->NextInTree) {
    if (!CarriesNode(*e)) continue;
    if ((e->Flags & efUnsupplied) != 0) {
      e->Load1 = e->Load2 = Complex();
    } else {
      e->Load1 = TakeAt(savedLoad1_, e->NodeIndex);
      e->Load2 = TakeAt(savedLoad2_, e->NodeIndex);
    }
    e->Load = e->Load1 + e->Load2;
  }
}

}  // namespace ld
