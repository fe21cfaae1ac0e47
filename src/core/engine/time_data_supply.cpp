#include "core/engine/time_data_supply.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "core/base/settings.h"
#include "core/catalogs/graph_series.h"
#include "core/engine/number_map.h"
#include "core/tables/colmaps.h"
#include "core/tables/journal.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"

namespace ld {

namespace {

// A commutation letter of any kind leaves the branch without supply through it.
bool Opens(char commut) { return commut != 0 && commut != ' '; }

using TBranchKey = std::tuple<std::int32_t, std::int32_t, std::uint8_t>;

// A switching row of the period, linked to its branch element.
struct TSwitchRow {
  double Moment = 0;  // PackedDateTime, rounded to the step
  TBranchKey Key;
  TRegimeElement* Element = nullptr;
  bool After = false;  // the row holds the state after the operation
  bool Off = false;
};

TBranchKey KeyOf(std::int32_t a, std::int32_t b, std::uint8_t nl) { return {std::min(a, b), std::max(a, b), nl}; }

bool Supplied(const TRegimeElement* e) { return (e->Flags & efSupplied) != 0; }

// Node elements: every element that carries a node row, apart from the loop-closing ones.
bool CarriesNode(const TRegimeElement* e) { return e->NodeIndex > 0 && (e->Flags & efLoopClosing) == 0; }

// Rounds the time of day of a row up to a multiple of the step; 24:00 is 0:00 of the next day.
void RoundUpToStep(int step, std::int32_t& date, std::int32_t& hour, std::int32_t& mins) {
  int s = hour * 3600 + mins * 60;
  if (s % step != 0) s = (s / step + 1) * step;
  if (s >= kSecondsPerDay) {
    s -= kSecondsPerDay;
    int day = 0, month = 0, year = 0;
    SplitPackedDate(date, day, month, year);
    IncDayParts(day, month, year);
    date = year * 10000 + month * 100 + day;
  }
  hour = s / 3600;
  mins = s % 3600 / 60;
}

double PackedMoment(std::int32_t date, std::int32_t hour, std::int32_t mins) {
  return date + (hour * 3600 + mins * 60) * 0.00001;
}

// The node elements (in tree order) and the loop-closing elements of a model, gathered on a walk that
// does other work too: each walk of the records is a cache miss an element.
class TNodeElements {
public:
  explicit TNodeElements(const TRegime& regime) {
    carriers_.reserve(static_cast<std::size_t>(std::max(regime.NodeCount, 0)));
  }
  void Add(TRegimeElement* e) {
    if ((e->Flags & efLoopClosing) != 0) closing_.push_back(e);
    if (!CarriesNode(e)) return;
    lowest_ = carriers_.empty() ? e->Number : std::min<std::int64_t>(lowest_, e->Number);
    highest_ = carriers_.empty() ? e->Number : std::max<std::int64_t>(highest_, e->Number);
    carriers_.push_back(e);
  }
  const std::vector<TRegimeElement*>& Carriers() const { return carriers_; }
  std::vector<TSupplyLink> Links() const {
    std::vector<TSupplyLink> links;
    if (closing_.empty()) return links;
    TNumberIndex<TRegimeElement> nodeElement(lowest_, highest_, carriers_.size());
    for (TRegimeElement* e : carriers_) {
      TRegimeElement*& first = nodeElement[e->Number];  // the first element of a number holds
      if (first == nullptr) first = e;
    }
    for (TRegimeElement* e : closing_) {
      if (TRegimeElement* node = nodeElement.Find(e->Number)) links.emplace_back(e, node);
    }
    return links;
  }

private:
  std::vector<TRegimeElement*> carriers_, closing_;
  std::int64_t lowest_ = 0, highest_ = -1;
};

}  // namespace

std::vector<TSupplyLink> SupplyLinks(const TRegime& regime) {
  TNodeElements elements(regime);
  for (TRegimeElement* e = regime.Root; e != nullptr; e = e->NextInTree) elements.Add(e);
  return elements.Links();
}

void PropagateSupply(TRegime& regime) {
  for (TRegimeElement* e = regime.Root; e != nullptr; e = e->NextInTree) {
    if ((e->Flags & (efSource | efUnsupplied)) == efSource) {
      e->Flags |= efSupplied;
    } else if ((e->Flags & efSwitchedOff) == 0 && e->Parent != nullptr && e->Parent != regime.Root &&
               Supplied(e->Parent)) {
      e->Flags |= efSupplied;
    }
  }
}

void MarkPathSupplied(TRegimeElement* element) {
  for (TRegimeElement* e = element; e != nullptr; e = e->Parent) {
    e->Flags |= efSupplied;
    if ((e->Flags & (efSwitchedOff | efSource)) != 0) break;
  }
}

void SpreadSupply(TRegime& regime, const std::vector<TSupplyLink>& links) {
  PropagateSupply(regime);
  // Every pass marks at least one more element, so the loop ends.
  for (bool changed = true; changed;) {
    changed = false;
    for (const auto& [loop, node] : links) {
      if (Supplied(loop) == Supplied(node)) continue;
      MarkPathSupplied(Supplied(loop) ? node : loop);
      changed = true;
    }
    if (changed) PropagateSupply(regime);
  }
}

bool BuildSwitchingTable(TRegime& regime, int Step, std::uint8_t TypCalcPQ, TDateTime Date1, TDateTime Date2) {
  const TDateTime start = std::trunc(Date1);
  const TDateTime end = std::trunc(Date2) + 1;
  const double startPacked = DateTimeToPacked(start);
  const double endPacked = DateTimeToPacked(end);

  // ---- The journal, and the branch table as it stood when the period began.
  TDataFile journal;
  TDataFile branches;
  bool haveJournal = false;
  if (!regime.SchemePath.empty()) {
    const std::string journalFile = FamilyFile(regime.SchemePath, GetMaketExtention(LayoutSwitchLog));
    if (std::filesystem::exists(journalFile)) {
      ReadTableFile(journalFile, journal);
      haveJournal = journal.RowCount > 0;
    }
  }
  if (haveJournal) {
    ReadTableFile(regime.SchemePath + GetMaketExtention(LayoutBranches), branches);
    TDateTime from = ReadSchemeSwitchDate(regime.SchemePath);
    if (from == 0) from = Now();
    if (!ApplySwitchJournal(branches, journal, false, from, start, regime.Errors)) {
      regime.ModelError = true;
      return false;
    }
  }

  // ---- Rows of the period, linked to their branches (a scheme without a journal has none to link).
  std::vector<TSwitchRow> rows;
  if (haveJournal) {
    std::map<TBranchKey, TRegimeElement*> branchElement;
    for (TRegimeElement* e = regime.Root; e != nullptr; e = e->NextInTree) {
      if (e->BranchIndex > 0) branchElement.emplace(KeyOf(e->Number, e->Number2, e->Nl), e);
    }
    TSwitchLogCols j;
    FillSwitchLogCols(journal, j);
    const bool round = TypCalcPQ >= 1 && TypCalcPQ <= 3 && Step > 0;
    for (int r = 1; r <= j.RowCount; ++r) {
      std::int32_t date = j.Date->Get(r), hour = j.Hour->Get(r), mins = j.Mins->Get(r);
      int day = 0, month = 0, year = 0;
      SplitPackedDate(date, day, month, year);
      if (hour < 0 || hour >= 24 || mins < 0 || mins >= 60 || !IsValidDate(year, month, day)) continue;
      const double t = PackedMoment(date, hour, mins);
      if (ComparePackedMoments(t, startPacked) <= 0 || ComparePackedMoments(t, endPacked) > 0) continue;
      if (round) {
        RoundUpToStep(Step, date, hour, mins);
        (*j.Date)[r] = date;
        (*j.Hour)[r] = hour;
        (*j.Mins)[r] = mins;
      }
      TSwitchRow row;
      row.Moment = PackedMoment(date, hour, mins);
      row.After = j.BA->Get(r) == 1;
      row.Off = Opens(j.Commut->Get(r));
      const std::int32_t n1 = j.N1->Get(r), n2 = j.N2->Get(r);
      row.Key = KeyOf(n1, n2, j.Nl->Get(r));
      const auto it = branchElement.find(row.Key);
      if (it != branchElement.end()) {
        row.Element = it->second;
      } else if (!(!rows.empty() && rows.back().Element == nullptr && rows.back().Moment == row.Moment &&
                   rows.back().Key == row.Key)) {
        // The two rows of one operation name one branch: one message.
        if (regime.Errors != nullptr) {
          regime.Errors->push_back("Таблица переключений: Ветвь " + std::to_string(n1) + " - " + std::to_string(n2) +
                                   " не найдена в таблице ветвей схемы");
        }
        regime.ModelError = true;
      }
      rows.push_back(row);
    }
  }
  // Rows of one minute make one moment; a journal out of order still gives moments in order.
  std::stable_sort(rows.begin(), rows.end(), [](const TSwitchRow& a, const TSwitchRow& b) {
    return ComparePackedMoments(a.Moment, b.Moment) < 0;
  });

  // ---- The state at the period start.
  const TBranchCols copy = [&] {
    TBranchCols b;
    if (haveJournal) FillBranchCols(branches, b);
    return b;
  }();
  TNodeElements elements(regime);
  for (TRegimeElement* e = regime.Root; e != nullptr; e = e->NextInTree) {
    e->Flags &= ~(efSwitchedOff | efSupplied);
    elements.Add(e);
    if (e->BranchIndex <= 0) continue;
    const bool off = e->BranchIndex <= copy.RowCount ? Opens(copy.Commut->Get(e->BranchIndex))
                                                     : (e->Flags & (efOpenNumber | efOpenNumber2)) != 0;
    if (off) e->Flags |= efSwitchedOff;
  }
  const std::vector<TSupplyLink> links = elements.Links();
  SpreadSupply(regime, links);

  const std::vector<TRegimeElement*>& nodes = elements.Carriers();
  std::vector<char> state;
  state.reserve(nodes.size());
  // A node gets its list when it first lacks supply: most nodes of a scheme are supplied throughout,
  // and a list for each would be a hundred thousand allocations for nothing.
  auto listOf = [startPacked](TRegimeElement* e, char supplied) -> std::vector<double>& {
    if (!e->SupplyTimes) {
      e->SupplyTimes = std::make_unique<std::vector<double>>();
      e->SupplyTimes->reserve(2);
      e->SupplyTimes->push_back(supplied != 0 ? startPacked : -startPacked);
    }
    return *e->SupplyTimes;
  };
  for (TRegimeElement* e : nodes) {
    state.push_back(Supplied(e) ? 1 : 0);
    e->SupplyTimes.reset();
    if (state.back() == 0) listOf(e, 0);
  }
  const double days = std::round(std::trunc(Date2) - std::trunc(Date1) + 1);
  regime.SupplyHours.assign(static_cast<std::size_t>(regime.NodeCount) + 1, 24 * days);
  regime.SupplyHours[0] = 0;

  // ---- The moments in order.
  for (std::size_t first = 0; first < rows.size();) {
    const double moment = rows[first].Moment;
    std::size_t last = first;
    bool matched = false;
    for (; last < rows.size() && ComparePackedMoments(rows[last].Moment, moment) == 0; ++last) {
      const TSwitchRow& row = rows[last];
      if (row.Element == nullptr || !row.After) continue;
      if (row.Off) {
        row.Element->Flags |= efSwitchedOff;
      } else {
        row.Element->Flags &= ~efSwitchedOff;
      }
      matched = true;
    }
    first = last;
    regime.SwitchMoments.push_back(moment);
    if (!matched) continue;
    for (TRegimeElement* e = regime.Root; e != nullptr; e = e->NextInTree) e->Flags &= ~efSupplied;
    SpreadSupply(regime, links);
    for (std::size_t i = 0; i < nodes.size(); ++i) {
      const char now = Supplied(nodes[i]) ? 1 : 0;
      if (now == state[i]) continue;
      listOf(nodes[i], state[i]).push_back(now != 0 ? moment : -moment);
      state[i] = now;
    }
  }

  // ---- Closing the lists; the hours without supply. The node elements come in tree order, so one walk
  // closes them and clears the flags of every element (a walk of the records is most of the cost here).
  std::size_t i = 0;
  for (TRegimeElement* e = regime.Root; e != nullptr; e = e->NextInTree) {
    e->Flags &= ~(efSwitchedOff | efSupplied);
    if (i == nodes.size() || nodes[i] != e) continue;
    if (!e->SupplyTimes) {
      ++i;
      continue;
    }
    std::vector<double>& times = *e->SupplyTimes;
    times.push_back(state[i++] != 0 ? endPacked : -endPacked);
    const auto row = static_cast<std::size_t>(e->NodeIndex);
    if (row >= regime.SupplyHours.size()) continue;
    double& hours = regime.SupplyHours[row];
    for (std::size_t k = 0; k + 1 < times.size(); ++k) {
      if (std::signbit(times[k])) hours -= HoursBetween(std::fabs(times[k]), std::fabs(times[k + 1]));
    }
  }
  return true;
}

}  // namespace ld
