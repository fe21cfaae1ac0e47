#include "core/district/load_forming.h"

#include <algorithm>
#include <array>
#include <filesystem>

#include "core/base/codepage.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/district/load_forming_letters.h"
#include "core/district/run_locks.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"

namespace ld {

using namespace loadforming;

namespace {

constexpr std::array<const char*, 6> kLayouts = {LayoutSubstInputs, LayoutSubstFeeders, LayoutTransTP,
                                                 LayoutMeterPoints, LayoutHouseholds,   LayoutLines04};

void Zero(DAdouble* column, int rows) {
  for (int row = 1; row <= rows; ++row) (*column)[row] = 0;
}

// The name before the first ".".
std::string_view BeforePoint(std::string_view name) { return name.substr(0, name.find('.')); }

// The part of a coupler name that numbers the partner transformer: between its first and second ".".
std::string CouplerNumber(std::string_view name) {
  if (const std::size_t at = name.find('.'); at != std::string_view::npos) name.remove_prefix(at + 1);
  return std::string(BeforePoint(name));
}

std::string Trimmed(std::string_view text) { return TrimLeadSpaces(TrimTrailSpaces(text)); }

// Every cell empty; a cell that is already empty is left as it is.
void ClearColumn(DAString& column, int rows) {
  for (int row = 1; row <= rows; ++row)
    if (!column.GetView(row).empty()) column.SetItem(row, "");
}

}  // namespace

// ---- letters ------------------------------------------------------------------------------------------

namespace loadforming {

bool SameName(std::string_view a, std::string_view b) {
  if (a == b) return true;
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size())
    if (UpperChar(NextUtf8Char(a, i)) != UpperChar(NextUtf8Char(b, j))) return false;
  return i == a.size() && j == b.size();
}

bool IsOwnNeeds(char pm) {
  if (pm == 0) return false;
  std::string letter;
  AppendUtf8(letter, Cp1251Char(static_cast<unsigned char>(pm)));
  return NormalizeName(letter).rfind("С", 0) == 0;
}

bool IsLatinY(char device) { return UpperChar(Cp1251Char(static_cast<unsigned char>(device))) == U'Y'; }

}  // namespace loadforming

// ---- options and tables ---------------------------------------------------------------------------------

TLoadFormingOptions TLoadFormingOptions::FromSettings() {
  TLoadFormingOptions o;
  // The settings keep single floats; the tangents and the threshold are taken as the person typed them.
  o.PromTg = SingleToDouble(IniRec.PromTg);
  o.BytTg = SingleToDouble(IniRec.BytTg);
  o.LoadTr = SingleToDouble(IniRec.LoadTr);
  o.LoadLin04 = IniRec.LoadLin04;
  o.FlagWFid04 = IniRec.FlagWFid04;
  o.OutNullTr = IniRec.OutNullTr;
  o.UnevenWtr = IniRec.UnevenWtr;
  return o;
}

std::string LoadFormingExtensions() {
  return LayoutExtensions({kLayouts[0], kLayouts[1], kLayouts[2], kLayouts[3], kLayouts[4], kLayouts[5]});
}

void ReadLoadFormingTables(const std::string& baseStem, TLoadFormingTables& tables) {
  const std::array<TDataFile*, 6> targets = {&tables.Inputs,      &tables.Feeders,    &tables.Transformers,
                                             &tables.MeterPoints, &tables.Households, &tables.Lines04};
  for (std::size_t k = 0; k < targets.size(); ++k) {
    TDataFile& table = *targets[k];
    if (!ReadTableFileOrEmpty(baseStem + GetMaketExtention(kLayouts[k]), kLayouts[k], table))
      table.Title = std::filesystem::path(baseStem).filename().string();
  }
}

// ---- the run ------------------------------------------------------------------------------------------

TLoadForming::TLoadForming(TLoadFormingTables& tables, const TLoadFormingOptions& options,
                           TLoadFormingCallbacks callbacks)
    : t_(tables), options_(options), callbacks_(std::move(callbacks)) {}

void TLoadForming::Say(const std::string& line) {
  messages_.push_back(line);
  if (callbacks_.Info) callbacks_.Info(line);
}

void TLoadForming::Stage(const std::string& text) {
  if (callbacks_.Stage) callbacks_.Stage(text);
}

void TLoadForming::Progress(int position) {
  bar_ = std::clamp(position, 0, 100);
  if (callbacks_.Progress) callbacks_.Progress(static_cast<float>(bar_));
}

void TLoadForming::StartPass(TPassProgress& p, int count) {
  p.Count = count;
  p.Step = count / 10 == 0 ? count : count / 10;
  p.Last = 0;
}

void TLoadForming::PassRow(TPassProgress& p, int row) {
  if (p.Step <= 0 || row - p.Last < p.Step) return;
  p.Last += p.Step;
  Progress(bar_ + static_cast<int>(Round(p.Step * 100.0 / p.Count)));
}

void TLoadForming::Form() {
  Prepare();
  Stage("  База промышленных абонентов ... ");
  Say("[База промышленных абонентов]");
  IndustrialPass();
  Stage("  База бытовых абонентов ... ");
  Say("");
  Say("[База бытовых абонентов]");
  Progress(0);
  HouseholdPass();
  if (options_.OutNullTr && !options_.LoadLin04) SwitchOffUnloaded();
  if (options_.UnevenWtr && !options_.LoadLin04) SwitchOffUneven();
  Stage("  Анализ нагрузки ... ");
  Say("");
  Say("[Анализ нагрузки]");
  CheckNegativeLoads();
  SortForWriting();
}

void TLoadForming::Prepare() {
  lastTransformer_ = {};
  lastLine04_ = {};
  PrepareFeeds();
  PrepareTransformers();
  PrepareMeterPoints();
  PrepareHouseholds();
  PrepareLines04();
}

namespace {

// Rows that an earlier run formed (type < 0) lose their loads whatever their kind of metering, so a
// run adds to nothing that an earlier run added; every row loses its energies.
template <typename Cols>
void ResetFeedRows(Cols& c) {
  for (int row = 1; row <= c.RowCount; ++row)
    if (c.T.Get(row) < 0) {
      (*c.P)[row] = 0;
      (*c.Q)[row] = 0;
      (*c.Pm)[row] = 0;
      (*c.Qm)[row] = 0;
    }
  for (DAdouble* column : {c.WPop, c.WQop, c.WPom, c.WQom, c.dWPa, c.dWQa}) Zero(column, c.RowCount);
}

}  // namespace

void TLoadForming::PrepareFeeds() {
  SortTableByFields(t_.Inputs, {"NamePS"});
  FillSubstInputCols(t_.Inputs, in_);
  ResetFeedRows(in_);
  SortTableByFields(t_.Feeders, {"Name2"});
  FillSubstFeederCols(t_.Feeders, fd_);
  ResetFeedRows(fd_);
}

void TLoadForming::PrepareTransformers() {
  TTransTPCols c;
  FillTransTPCols(t_.Transformers, c);
  for (int row = 1; row <= c.RowCount; ++row) {
    const std::string_view name = c.NameC->GetView(row);
    if (name.find('.') != std::string_view::npos) c.NameC->SetItem(row, CouplerNumber(name));
  }
  SortTableByFields(t_.Transformers, {"Name1", "Ntr"});
  FillTransTPCols(t_.Transformers, tr_);
  trIndex_.Build(*tr_.Name1, tr_.RowCount);
  for (int row = 1; row <= tr_.RowCount; ++row) {
    RestoreSwitchedOff(row);
    if (tr_.T.Get(row) > 0) continue;
    tr_.T[row] = 0;
    (*tr_.U)[row] = 0;
    for (DAdouble* column : {tr_.Pn, tr_.Qn, tr_.Pg, tr_.Qg, tr_.WPpr, tr_.WQpr, tr_.WPbt, tr_.WQbt, tr_.dWPa,
                             tr_.dWQa})
      (*column)[row] = 0;
  }
}

void TLoadForming::PrepareMeterPoints() {
  TMeterPointCols c;
  FillMeterPointCols(t_.MeterPoints, c);
  // The energy of a meter is its total less the losses when the source gave only the total.
  for (int row = 1; row <= c.RowCount; ++row) {
    const double ws = c.Ws->Get(row);
    double& w = (*c.W)[row];
    double& wt = (*c.Wt)[row];
    double& wl = (*c.Wl)[row];
    const double d = ws - w - wt - wl;
    if (ws == 0 || d == 0) continue;
    if (w == 0)
      w = d;
    else if (wl == 0)
      wl = d;
    else if (wt == 0)
      wt = d;
    else
      wl += d;
  }
  ClearColumn(*c.LinkTP, c.RowCount);
  SortTableByFields(t_.MeterPoints, {"NameTP", "Ndog", "NumPoint", "TypCounter"});
  FillMeterPointCols(t_.MeterPoints, mp_);
}

void TLoadForming::PrepareHouseholds() {
  THouseholdCols c;
  FillHouseholdCols(t_.Households, c);
  ClearColumn(*c.LinkTP, c.RowCount);
  SortTableByFields(t_.Households, {"NameTP"});
  FillHouseholdCols(t_.Households, hh_);
}

void TLoadForming::PrepareLines04() {
  SortTableByFields(t_.Lines04, {"NameTP", "Ntr", "Fider"});
  FillLine04Cols(t_.Lines04, ln_);
  for (int row = 1; row <= ln_.RowCount; ++row) {
    if (ln_.T.Get(row) <= 0) {
      ln_.T[row] = 0;
      for (DAdouble* column : {ln_.Pn, ln_.Qn, ln_.Pg, ln_.Qg, ln_.WPpr, ln_.WQpr, ln_.WPbt, ln_.WQbt, ln_.dWPa,
                               ln_.dWQa})
        (*column)[row] = 0;
    }
    if (ln_.P->Get(row) < 0) (*ln_.P)[row] = 0;
  }
  lnIndex_.Build(*ln_.NameTP, ln_.RowCount);
}

// ---- look-ups -------------------------------------------------------------------------------------------

void TLoadForming::TStationLookup::Build(const DAString& names, int count) {
  std::vector<std::string> whole, stations;
  whole.reserve(static_cast<std::size_t>(count));
  stations.reserve(static_cast<std::size_t>(count));
  Sections = false;
  for (int row = 1; row <= count; ++row) {
    whole.push_back(UpperCase(names.GetView(row)));
    // upper case keeps every "." where it was
    const std::size_t point = whole.back().find('.');
    stations.push_back(whole.back().substr(0, point));
    Sections = Sections || point != std::string::npos;
  }
  ByName = TStationIndex(whole);
  // without a section name the stations are the whole names
  ByStation = Sections ? TStationIndex(stations) : TStationIndex();
}

std::span<const int> TLoadForming::TStationLookup::Find(const std::string& station) const {
  const std::string key = UpperCase(station);
  const std::span<const int> rows = ByName.Find(key);
  return rows.empty() && Sections ? ByStation.Find(key) : rows;
}

namespace {

// The rows of a station, remembered for the next call with the same name.
std::span<const int> RememberedRows(const std::string& station, auto& last, const auto& lookup) {
  if (!last.Valid || last.Station != station) {
    last.Valid = true;
    last.Station = station;
    last.Rows = lookup.Find(station);
  }
  return last.Rows;
}

}  // namespace

bool TLoadForming::FindTransformerRow(const std::string& station, const std::string& number, int& row) const {
  row = -1;
  const std::span<const int> rows = RememberedRows(station, lastTransformer_, trIndex_);
  if (rows.empty()) return false;
  if (rows.size() == 1) {
    row = rows.front();
    return true;
  }
  for (const int j : rows)
    if (tr_.Ntr->GetView(j) == number) {
      row = j;
      return true;
    }
  for (const int j : rows)
    if (tr_.Commut->Get(j) == 0 && !IsOwnNeeds(tr_.PM->Get(j))) {
      row = j;
      return false;
    }
  for (const int j : rows)
    if (!IsOwnNeeds(tr_.PM->Get(j))) {
      row = j;
      return false;
    }
  return false;
}

bool TLoadForming::FindLine04Row(const std::string& station, const std::string& feeder, int& row,
                                 std::span<const int>& rows) const {
  row = -1;
  rows = RememberedRows(station, lastLine04_, lnIndex_);
  for (const int j : rows)
    if (ln_.Fider->GetView(j) == feeder) {
      row = j;
      return true;
    }
  return false;
}

std::string_view TLoadForming::TransformerStation(int row) const { return BeforePoint(tr_.Name1->GetView(row)); }

std::string TLoadForming::MakeFeederLinkName(const std::string& station, const std::string& feeder) {
  const std::string name = NormalizeName(Trimmed(station));
  return std::string(BeforePoint(name)) + "." + UpperCase(Trimmed(feeder));
}

// ---- industrial base ------------------------------------------------------------------------------------

void TLoadForming::AddMeteringPointGroup(int& first, int& side, int& targetT, const std::string& station,
                                         const TTarget& target) {
  const int count = mp_.RowCount;
  for (int i = first;; ++i) {
    first = i;
    const double sign = mp_.Sub->Get(i) == '1' ? -1.0 : 1.0;
    // a voltage transformer ratio that rounds above 1 (1.5 and more) meters on the high-voltage side
    int rowSide = mp_.Kvolt->Get(i) >= 1.5 ? 1 : 0;
    if (rowSide != side && targetT < 0 && side != 255) {
      Say("Пром.абон., строка " + std::to_string(i) + " : " + station +
          " учет установлен на ВН и НН трансформатора");
      rowSide = 0;
    }
    side = rowSide;
    targetT = -4;
    mp_.LinkTP->SetItem(i, rowSide == 1 ? target.LinkHigh : target.LinkLow);
    const double w = mp_.W->Get(i);
    const bool valid = IsLatinY(mp_.Device->Get(i));
    switch (mp_.TypCounter->Get(i)) {
      case 0: *target.Pg += sign * w; break;
      case 1: {
        bool reactive = false;
        const std::string_view contract = mp_.Ndog->GetView(i);
        const int point = mp_.NumPoint.Get(i);
        for (int k = i + 1; k <= count && SameName(mp_.NameTP->GetView(k), station) &&
                            mp_.Ndog->GetView(k) == contract && mp_.NumPoint.Get(k) == point;
             ++k)
          if (mp_.TypCounter->Get(k) == 2 && IsLatinY(mp_.Device->Get(k))) {
            reactive = true;
            break;
          }
        *target.Pn += sign * w;
        *target.WPpr += sign * w;
        *target.TrP += mp_.Wt->Get(i);
        *target.LnP += mp_.Wl->Get(i);
        if (!reactive) {
          *target.Qn += sign * w * options_.PromTg;
          *target.WQpr += sign * w * options_.PromTg;
        }
        break;
      }
      case 2:
        if (valid) {
          *target.Qn += sign * w;
          *target.WQpr += sign * w;
        }
        *target.TrQ += mp_.Wt->Get(i);
        *target.LnQ += mp_.Wl->Get(i);
        break;
      case 3:
        if (valid) *target.Qg += sign * w;
        break;
      default: break;
    }
    if (i >= count || mp_.NameTP->GetView(i + 1) != mp_.NameTP->GetView(i) ||
        mp_.Ntr->GetView(i + 1) != mp_.Ntr->GetView(i) || mp_.Fider->GetView(i + 1) != mp_.Fider->GetView(i) ||
        !(w > 0))
      return;
  }
}

bool TLoadForming::ChargeToLine04(int& i) {
  const std::string station = mp_.NameTP->GetItem(i);
  const std::string feeder = mp_.Fider->GetItem(i);
  int r = 0;
  std::span<const int> rows;
  if (!FindLine04Row(station, feeder, r, rows)) {
    Say("Пром.абон., строка " + std::to_string(i) + " : " + station + " фидер " + feeder +
        " в таблице линий 0.4 кВ не найден");
    return false;
  }
  // A line of the user's own loads takes nothing, like a transformer of the user's.
  if (ln_.T.Get(r) > 0) return true;
  const std::string link = MakeFeederLinkName(station, feeder);
  double trP = 0, trQ = 0, lnP = 0, lnQ = 0;
  int side = 0;
  int targetT = ln_.T.Get(r);
  const TTarget target{&(*ln_.Pn)[r], &(*ln_.Qn)[r], &(*ln_.Pg)[r], &(*ln_.Qg)[r], &(*ln_.WPpr)[r], &(*ln_.WQpr)[r],
                       &trP,          &trQ,          &lnP,          &lnQ,          link,             link};
  AddMeteringPointGroup(i, side, targetT, station, target);
  ln_.T[r] = targetT;
  int t = -1;
  const std::string number = ln_.Ntr->GetItem(r);
  // Losses go to the line's transformer only when it is formed here; a transformer of the user's keeps
  // its values.
  const bool formed = FindTransformerRow(station, number, t) && tr_.T.Get(t) <= 0;
  if (formed) tr_.T[t] = -4;
  if (lnQ != 0) {
    trP += lnP;
    trQ += lnQ;
    lnP = 0;
    lnQ = 0;
  }
  (*ln_.dWPa)[r] += lnP;
  (*ln_.dWQa)[r] += lnQ;
  if (trP != 0 || trQ != 0) {
    if (formed) {
      (*tr_.dWPa)[t] += trP;
      (*tr_.dWQa)[t] += trQ;
    } else {
      (*ln_.dWPa)[r] += trP;
      (*ln_.dWQa)[r] += trQ;
    }
  }
  return true;
}

bool TLoadForming::ChargeToTransformer(int& i) {
  const std::string station = mp_.NameTP->GetItem(i);
  int t = -1;
  const bool exact = FindTransformerRow(station, mp_.Ntr->GetItem(i), t);
  if (!exact && t <= 0) return false;
  if (tr_.T.Get(t) > 0) return true;
  double* const loss[2] = {&(*tr_.dWPa)[t], &(*tr_.dWQa)[t]};
  const TTarget target{&(*tr_.Pn)[t], &(*tr_.Qn)[t], &(*tr_.Pg)[t],  &(*tr_.Qg)[t],
                       &(*tr_.WPpr)[t], &(*tr_.WQpr)[t], loss[0], loss[1],
                       loss[0],       loss[1],       UpperCase(tr_.Name1->GetView(t)),
                       UpperCase(std::string(TransformerStation(t)) + "." + tr_.Ntr->GetItem(t))};
  int side = tr_.U->Get(t);
  int targetT = tr_.T.Get(t);
  AddMeteringPointGroup(i, side, targetT, station, target);
  (*tr_.U)[t] = static_cast<std::uint8_t>(side);
  tr_.T[t] = targetT;
  if (!exact)
    Say("Пром.абон., строка " + std::to_string(i) + " : на " + station +
        " неверно указан номер трансформатора, загружен " + tr_.Ntr->GetItem(t));
  return true;
}

template <typename Cols>
bool TLoadForming::ChargeToFeed(int& i, Cols& c, const DAString& names) {
  const std::string station = mp_.NameTP->GetItem(i);
  bool found = false;
  const int f = BinarySearchColumn(&station, names, 's', found, c.RowCount);
  if (!found) return false;
  double pn = 0, qn = 0, pg = 0, qg = 0, scratch = 0, trP = 0, trQ = 0, lnP = 0, lnQ = 0;
  int side = 255, targetT = 0;
  const TTarget target{&pn, &qn, &pg, &qg, &scratch, &scratch, &trP, &trQ, &lnP, &lnQ, station, station};
  AddMeteringPointGroup(i, side, targetT, station, target);
  if (c.T.Get(f) <= 0) {
    c.T[f] = -4;
    (*c.P)[f] += pn + trP + lnP;
    (*c.Q)[f] += qn + trQ + lnQ;
    (*c.Pm)[f] += pg;
    (*c.Qm)[f] += qg;
  }
  (*c.WPop)[f] += pn;
  (*c.WQop)[f] += qn;
  (*c.WPom)[f] += pg;
  (*c.WQom)[f] += qg;
  (*c.dWPa)[f] += trP + lnP;
  (*c.dWQa)[f] += trQ + lnQ;
  return true;
}

void TLoadForming::IndustrialPass() {
  TPassProgress progress;
  StartPass(progress, mp_.RowCount);
  for (int i = 1; i <= mp_.RowCount; ++i) {
    PassRow(progress, i);
    // made only for a message: most rows have none
    const auto prefix = [i] { return "Пром.абон., строка " + std::to_string(i) + " : "; };
    if (mp_.W->Get(i) < 0) Say(prefix() + "значение W < 0");
    if (mp_.NameTP->GetView(i).empty()) {
      Say(prefix() + "не задана привязка к ТП,РП");
      continue;
    }
    const std::string station = mp_.NameTP->GetItem(i);
    bool placed = options_.LoadLin04 && !mp_.Fider->GetView(i).empty() && ChargeToLine04(i);
    if (!placed) placed = ChargeToTransformer(i);
    if (!placed) placed = ChargeToFeed(i, fd_, *fd_.Name2);
    if (!placed) placed = ChargeToFeed(i, in_, *in_.NamePS);
    if (!placed) Say(prefix() + station + " не найден");
  }
}

// ---- household base -------------------------------------------------------------------------------------

void TLoadForming::ChargeHousehold(int i, int t) {
  const double w = hh_.W->Get(i);
  tr_.T[t] = -4;
  (*tr_.Pn)[t] += w;
  (*tr_.Qn)[t] += w * options_.BytTg;
  (*tr_.WPbt)[t] += w;
  (*tr_.WQbt)[t] += w * options_.BytTg;
  hh_.LinkTP->SetItem(i, tr_.U->Get(t) == 0
                             ? UpperCase(std::string(TransformerStation(t)) + "." + tr_.Ntr->GetItem(t))
                             : tr_.Name1->GetItem(t));
}

template <typename Cols>
bool TLoadForming::ChargeHouseholdToFeed(int i, Cols& c, const DAString& names) {
  const std::string station = hh_.NameTP->GetItem(i);
  bool found = false;
  const int f = BinarySearchColumn(&station, names, 's', found, c.RowCount);
  if (!found) return false;
  const double w = hh_.W->Get(i);
  if (c.T.Get(f) <= 0) {
    c.T[f] = -4;
    (*c.P)[f] += w;
    (*c.Q)[f] += w * options_.BytTg;
  }
  (*c.WPop)[f] += w;
  (*c.WQop)[f] += w * options_.BytTg;
  hh_.LinkTP->SetItem(i, station);
  return true;
}

void TLoadForming::HouseholdPass() {
  TPassProgress progress;
  StartPass(progress, hh_.RowCount);
  for (int i = 1; i <= hh_.RowCount; ++i) {
    PassRow(progress, i);
    const auto prefix = [i] { return "Быт.абон., строка " + std::to_string(i) + " : "; };
    const std::string station = hh_.NameTP->GetItem(i);
    const std::string feeder = hh_.Fider->GetItem(i);
    const double w = hh_.W->Get(i);
    if (w < 0) {
      Say(prefix() + "на " + station + " значение W < 0");
      continue;
    }
    if (station.empty()) {
      Say(prefix() + "не задана привязка к ТП,РП");
      continue;
    }
    int r = -1;
    std::span<const int> rows;
    const bool found = FindLine04Row(station, feeder, r, rows);
    bool placed = false;
    std::string number;
    if (options_.LoadLin04) {
      if (found) {
        hh_.LinkTP->SetItem(i, DistributeOverLines04(r, rows, w));
        placed = true;
      } else if (!feeder.empty()) {
        Say(prefix() + station + " фидер " + feeder + " в таблице линий 0.4 кВ не найден");
      } else if (!rows.empty()) {
        hh_.LinkTP->SetItem(i, DistributeOverLines04(0, rows, w));
        placed = true;
      } else {
        Say(prefix() + station + " в таблице линий 0.4 кВ не найден");
      }
    } else if (found) {
      number = ln_.Ntr->GetItem(r);
    }
    if (!placed) {
      int t = -1;
      const bool exact = FindTransformerRow(station, number, t);
      if (exact || t > 0) {
        placed = true;
        if (tr_.T.Get(t) <= 0) {
          ChargeHousehold(i, t);
          if (!exact && !number.empty())
            Say("Линии 0.4 кВ, строка " + std::to_string(r) + " : на " + station +
                " неверно указан номер трансформатора, загружен " + tr_.Ntr->GetItem(t));
        }
      }
    }
    if (!placed) placed = ChargeHouseholdToFeed(i, fd_, *fd_.Name2);
    if (!placed) placed = ChargeHouseholdToFeed(i, in_, *in_.NamePS);
    if (!placed) Say(prefix() + station + " не найден");
  }
}

// ---- check and write ------------------------------------------------------------------------------------

void TLoadForming::CheckNegativeLoads() {
  static constexpr std::array<const char*, 4> kTransformerTexts = {
      " - значение Pнаг < 0. Принято равным 0.", " - значение Qнаг < 0. Принято равным 0.",
      " - значение Pген < 0. Принято равным 0.", " - значение Qген < 0. Принято равным 0."};
  for (int row = 1; row <= tr_.RowCount; ++row) {
    const std::array<DAdouble*, 4> values = {tr_.Pn, tr_.Qn, tr_.Pg, tr_.Qg};
    for (std::size_t k = 0; k < values.size(); ++k)
      if (values[k]->Get(row) < 0) {
        Say(tr_.Name1->GetItem(row) + kTransformerTexts[k]);
        (*values[k])[row] = 0;
      }
  }
  for (int row = 1; row <= ln_.RowCount; ++row) {
    const std::string name = ln_.NameTP->GetItem(row) + ", " + ln_.Fider->GetItem(row);
    if (ln_.Pn->Get(row) < 0) {
      Say(name + " - значение WP < 0. Принято равным 0.");
      (*ln_.Pn)[row] = 0;
    }
    if (ln_.Qn->Get(row) < 0) {
      Say(name + " - значение WQ < 0. Принято равным 0.");
      (*ln_.Qn)[row] = 0;
    }
  }
}

void TLoadForming::SortForWriting() {
  SortTableByFields(t_.Inputs, {"NamePS"});
  SortTableByFields(t_.Feeders, {"Name1", "Name2"});
}

void FormStationLoads(const std::string& baseStem, const TLoadFormingOptions& options,
                      const TLoadFormingCallbacks& callbacks) {
  TRunTableLocks locks(baseStem, LoadFormingExtensions());
  if (callbacks.Stage) callbacks.Stage("  Чтение файлов ... ");
  TLoadFormingTables tables;
  ReadLoadFormingTables(baseStem, tables);
  TLoadForming run(tables, options, callbacks);
  run.Form();
  // all six or none: a failed write leaves every table of the base as it was
  locks.WriteTogether({&tables.Inputs, &tables.Feeders, &tables.Transformers, &tables.MeterPoints,
                       &tables.Households, &tables.Lines04});
  locks.Release();
}

}  // namespace ld
