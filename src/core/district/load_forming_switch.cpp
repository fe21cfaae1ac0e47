// Transformers of multi-transformer stations switched off after the loads are formed, and switched back
// on at the start of the next run so that every run decides afresh. A transformer switched off here has
// "Р" in `Commut`; its bus section is fed through a closed coupler or its load is handed to another
// transformer of the station.
#include <algorithm>
#include <vector>

#include "core/district/load_forming.h"
#include "core/district/load_forming_letters.h"
#include "core/tables/element_names.h"

namespace ld {

using namespace loadforming;

namespace {

double Load(const TTransTPCols& c, int row) { return c.Pn->Get(row) + c.Qn->Get(row) + c.Pg->Get(row) + c.Qg->Get(row); }

}  // namespace

std::span<const int> TLoadForming::StationRows(int row) const {
  return trIndex_.Stations().Find(SubstationOf(tr_.Name1->GetView(row)));
}

namespace {

// The other rows of row's station: first those above it, nearest first, then those below it.
template <typename Take>
bool WalkStation(std::span<const int> rows, int& row, const Take& take) {
  const auto at = std::lower_bound(rows.begin(), rows.end(), row);
  for (auto j = at; j != rows.begin();)
    if (take(*--j)) {
      row = *j;
      return true;
    }
  for (auto j = at == rows.end() ? at : at + 1; j != rows.end(); ++j)
    if (take(*j)) {
      row = *j;
      return true;
    }
  return false;
}

}  // namespace

bool TLoadForming::FindCouplerPartner(int& row, bool closing) const {
  const std::string_view number = tr_.Ntr->GetView(row);
  const auto partner = [&](int j) {
    if (tr_.NameC->GetView(j) != number || tr_.Commut->Get(j) != 0) return false;
    return closing ? tr_.CommutC->Get(j) != 0 : tr_.CommutC->Get(j) == 0;
  };
  return WalkStation(StationRows(row), row, partner);
}

bool TLoadForming::FindLoadedTransformer(int& row) const {
  const auto loaded = [&](int j) { return Load(tr_, j) != 0 && tr_.Commut->Get(j) == 0; };
  return WalkStation(StationRows(row), row, loaded);
}

void TLoadForming::RestoreSwitchedOff(int row) {
  if (options_.LoadLin04 || !options_.OutNullTr || !options_.UnevenWtr) return;
  if (tr_.Commut->Get(row) != kSwitchedOff) return;
  if (!tr_.NameC->GetView(row).empty() && tr_.CommutC->Get(row) == 0) {
    (*tr_.Commut)[row] = 0;
    (*tr_.CommutC)[row] = kSwitchedOff;
    return;
  }
  if (int j = row; FindCouplerPartner(j, false)) {
    (*tr_.Commut)[row] = 0;
    (*tr_.CommutC)[j] = kSwitchedOff;
  }
}

bool TLoadForming::SwitchOff(int row) {
  if (!tr_.NameC->GetView(row).empty() && tr_.CommutC->Get(row) != 0) {
    (*tr_.Commut)[row] = kSwitchedOff;
    (*tr_.CommutC)[row] = 0;
    return true;
  }
  if (int j = row; FindCouplerPartner(j, true)) {
    (*tr_.Commut)[row] = kSwitchedOff;
    (*tr_.CommutC)[j] = 0;
    return true;
  }
  if (int j = row; FindLoadedTransformer(j)) {
    (*tr_.Commut)[row] = kSwitchedOff;
    tr_.NameC->SetItem(row, tr_.Ntr->GetView(j));
    return true;
  }
  return false;
}

void TLoadForming::SwitchOffUnloaded() {
  Stage("  Отключение незагруженных тр-ров ... ");
  Say("");
  Say("[Отключение незагруженных тр-ров]");
  for (int row = 1; row <= tr_.RowCount; ++row) {
    if (Load(tr_, row) != 0 || tr_.Commut->Get(row) != 0 || tr_.dWPa->Get(row) != 0 || tr_.dWQa->Get(row) != 0 ||
        IsOwnNeeds(tr_.PM->Get(row)))
      continue;
    if (!SwitchOff(row)) continue;
    if (tr_.T.Get(row) <= 0) tr_.T[row] = -4;
    Say(tr_.Name1->GetItem(row) + " " + tr_.Ntr->GetItem(row));
  }
}

void TLoadForming::SwitchOffUneven() {
  Stage("  Отключение неравномерно загруженных тр-ров ... ");
  Say("");
  Say("[Отключение неравномерно загруженных тр-ров]");
  // Station by station, in the order of their first rows.
  std::vector<bool> done(static_cast<std::size_t>(tr_.RowCount) + 1, false);
  for (int first = 1; first <= tr_.RowCount; ++first) {
    if (done[static_cast<std::size_t>(first)]) continue;
    const std::span<const int> rows = StationRows(first);
    double total = 0;
    for (const int j : rows) {
      done[static_cast<std::size_t>(j)] = true;
      total += tr_.Pn->Get(j);
    }
    if (total != 0)
      for (const int j : rows) {
        const double share = tr_.Pn->Get(j) * 100 / total;
        if (tr_.Commut->Get(j) != 0 || !(share < options_.LoadTr) || IsOwnNeeds(tr_.PM->Get(j))) continue;
        if (SwitchOff(j)) Say(tr_.Name1->GetItem(j) + " " + tr_.Ntr->GetItem(j));
      }
  }
}

}  // namespace ld
