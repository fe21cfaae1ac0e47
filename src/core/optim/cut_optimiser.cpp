// The open-point search over one model: the cut table, the functional, the hand moves, the passes of
// the search and the write-back of the open points.
#include "core/optim/cut_optimiser.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "core/base/error.h"
#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/base/codepage.h"
#include "core/optim/ktr_model.h"
#include "core/optim/q_optim.h"
#include "core/optim/trial_engine.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"

namespace ld {

namespace {

// Commutation and mark letters as the char columns hold them (Windows-1251).
constexpr char kO = static_cast<char>(0xCE);  // "О"
constexpr char kP = static_cast<char>(0xCF);  // "П"
constexpr char kF = static_cast<char>(0xD4);  // "Ф"
constexpr char kT = static_cast<char>(0xD2);  // "Т"
constexpr char kN = static_cast<char>(0xCD);  // "Н"
constexpr char kK = static_cast<char>(0xCA);  // "К"
constexpr std::uint8_t kMarkFixed = 'p';
constexpr std::uint8_t kMarkOverload = 96;  // the grave accent

constexpr std::uint32_t kOpenMask = efOpenNumber | efOpenNumber2 | efCommutF;  // 35

bool OffBothOrFixed(const TRegimeElement* c) {
  const std::uint32_t f = c->Flags & kOpenMask;
  return f == 3 || f == 33;
}

std::string Kw(double mw, int decimals) { return FloatToStrFixed(mw * 1000, decimals); }

}  // namespace

void FillCutCols(const TDataFile& t, TCutCols& c) {
  c.RowCount = t.RowCount;
  c.N1 = GetColumnAs<DALongint>("N1", t);
  c.N2 = GetColumnAs<DALongint>("N2", t);
  c.Ref = GetColumnAs<DALongint>("Ref", t);
  c.Un = GetColumnAs<DAsingle>("Un", t);
  c.dPr = GetColumnAs<DAsingle>("dPr", t);
  c.Tr = GetColumnAs<DAChar>("Tr", t);
  c.Sign = GetColumnAs<DAChar>("Sign", t);
  c.Cut1 = GetColumnAs<DAString>("Cut1", t);
  c.Line1 = GetColumnAs<DAString>("Line1", t);
  c.Cut2 = GetColumnAs<DAString>("Cut2", t);
  c.Line2 = GetColumnAs<DAString>("Line2", t);
  c.LRCut = GetColumnAs<DAbyte>("LRCut", t);
}

std::vector<float> ParseVoltageGroup(const std::string& text) {
  std::vector<float> v;
  std::string rest = text;
  for (std::size_t p = rest.find(';'); p != std::string::npos; p = rest.find(';')) {
    v.push_back(static_cast<float>(StrToFloatZ(rest.substr(0, p))));
    rest.erase(0, p + 1);
  }
  v.push_back(static_cast<float>(StrToFloatZ(rest)));
  return v;
}

std::string ElementCaption(const TRegimeElement* e) {
  if (e == nullptr) return std::string();
  return e->Name.empty() ? "Узел " + std::to_string(e->Number) : e->Name;
}

// ---- opening ------------------------------------------------------------------------------------

void TCutOptimiser::ApplyRegimeSettings() {
  Engine.MaxIter = IniRec.Iter1;
  Engine.Accuracy = IniRec.Prec;
  LossFactor = LossRoundFactor(Engine.Accuracy);
  LossDigits = static_cast<int>(std::lround(std::log10(LossFactor)));
}

void TCutOptimiser::Open(const std::string& stem) {
  Stem = stem;
  Voltages.clear();
  if (IniRec.FlagUn) {
    try {
      Voltages = ParseVoltageGroup(IniRec.GroupUn);
    } catch (const ConvertError&) {
      Voltages.clear();  // the settings dialog refuses such a group; an INI file edited by hand lists none
    }
  }
  ReadMaket(LayoutCutOptimisation, Cuts);
  CreateColumns(Cuts, 0);
  FillCutCols(Cuts, c_);

  PrepareTrialEngine(Engine);
  ApplyRegimeSettings();

  std::vector<std::string> errors;
  Engine.Errors = &errors;
  struct Detach {
    TRegime& r;
    ~Detach() { r.Errors = nullptr; }
  } detach{Engine};
  // The regime window holds the scheme's locks while the search runs; the engine gives them up for a
  // write of what reading the tables corrects, and takes them again.
  Engine.LockFiles = SchemeLocksHeld(stem);
  Engine.ReadScheme(stem);
  if (Engine.ModelError || Engine.ZeroContours) {
    throw Error(errors.empty() ? std::string("Ошибка расчета режима") : errors.front());
  }
  // A transformer at ratio 1 stays a transformer when a cut move turns it round.
  for (TRegimeElement* e = Engine.Root; e != nullptr; e = e->NextInTree) {
    if ((e->Flags & efHasRatio) != 0 && e->K == Complex(1, 0)) {
      e->K = Complex((e->Flags & efReversed) != 0 ? 0.9999999 : 1.000001, 0);
    }
  }
  Engine.ApplyTimeData(IniRec.TypCalcPQ, IniRec.Tgr, IniRec.Date1, IniRec.Date2, IniRec.CalcDate, false);
  Engine.FormMatrices();
  Iterate();
  InitialLoss = CurrentLoss = RoundedLosses();
  // A start from previous results takes the branch currents that the model holds. After a cut move
  // they no longer add up along the new tree, and the iterations would settle on a regime whose load
  // currents never reach the supply (losses near zero). Every trial from here on starts from no-load
  // voltages, which the moves set up themselves.
  Engine.InitVoltageMode = 0;

  Engine.BuildTieList();
  preferred_.assign(static_cast<std::size_t>(Engine.TieCount) + 1, 0);
  Engine.ClearWorkFlags();
  Engine.MarkContourPaths();
  IniRec.SelectCuts = 0;
  FillCutTable();
}

// ---- the table ---------------------------------------------------------------------------------------

TRegimeElement* TCutOptimiser::CutOf(int tie) const {
  return tie >= 1 && tie <= Engine.TieCount ? Engine.TieBranches[static_cast<std::size_t>(tie - 1)] : nullptr;
}

TRegimeElement* TCutOptimiser::PartnerOf(int tie) const {
  return tie >= 1 && tie <= Engine.TieCount ? Engine.TiePartners[static_cast<std::size_t>(tie - 1)] : nullptr;
}

int TCutOptimiser::TieOfRow(int row) const {
  if (row < 1 || row > Cuts.RowCount) return 0;
  const int tie = c_.Ref->Get(row);
  return tie >= 1 && tie <= Engine.TieCount ? tie : 0;
}

bool TCutOptimiser::FixedTie(int tie) const {
  const TRegimeElement* c = CutOf(tie);
  const TRegimeElement* p = PartnerOf(tie);
  if (c == nullptr || p == nullptr) return true;
  return OffBothOrFixed(c) || (c->Flags & efDamaged) != 0 || ((c->Flags | p->Flags) & efUnsupplied) != 0;
}

void TCutOptimiser::FillCutRow(int tie) {
  const TRegimeElement* c = CutOf(tie);
  const TRegimeElement* p = PartnerOf(tie);
  if (IniRec.FlagUn && std::none_of(Voltages.begin(), Voltages.end(), [&](float u) {
        return std::fabs(u - p->Unom) <= 1e-4f * std::max(1.0f, std::fabs(u));
      })) {
    return;
  }
  if (IniRec.ExceptTr && (c->Flags & efHasRatio) != 0) return;
  const int row = ++Cuts.RowCount;
  c_.RowCount = row;
  (*Cuts.MarkRec)[row] = 0;
  (*c_.Sign)[row] = 0;
  if (FixedTie(tie)) {
    (*Cuts.MarkRec)[row] = kMarkFixed;
    (*c_.Sign)[row] = (c->Flags & efDamaged) != 0                                   ? kP
                      : (c->Flags & (efOpenNumber | efOpenNumber2)) == 3          ? kO
                      : (c->Flags & efCommutF) != 0                              ? kF
                                                                                  : '-';
  }
  (*c_.N1)[row] = p->Number;
  (*c_.N2)[row] = c->Number2;
  (*c_.Un)[row] = c->Unom;
  (*c_.Tr)[row] = (c->Flags & efHasRatio) != 0 ? kT : 0;
  c_.Cut1->SetItem(row, ElementCaption(p));
  c_.Line1->SetItem(row, ElementCaption(c->Parent));
  c_.Cut2->SetItem(row, "");
  c_.Line2->SetItem(row, "");
  (*c_.dPr)[row] = 0;
  (*c_.Ref)[row] = tie;
  (*c_.LRCut)[row] = 0;
}

void TCutOptimiser::FillCutTable(const TDataFile* marked) {
  std::vector<int> ties;
  if (IniRec.SelectCuts == 0) {
    for (int tie = 1; tie <= Engine.TieCount; ++tie) ties.push_back(tie);
  } else {
    const TDataFile& source = marked != nullptr ? *marked : Cuts;
    const auto* sign = GetColumnAs<DAChar>("Sign", source);
    const auto* ref = GetColumnAs<DALongint>("Ref", source);
    for (int row = 1; row <= source.RowCount; ++row) {
      if (sign->Get(row) == '1' && ref->Get(row) >= 1 && ref->Get(row) <= Engine.TieCount) ties.push_back(ref->Get(row));
    }
  }
  CreateColumns(Cuts, 0);
  FillCutCols(Cuts, c_);
  for (const int tie : ties) FillCutRow(tie);
  FillCutCols(Cuts, c_);
  bool changed = false;
  SortTable(Cuts, Cuts.NOrder, std::span<const std::uint8_t>(Cuts.Order).subspan(1, Cuts.NOrder), changed);
}

void TCutOptimiser::UpdateCutRow(int row, double gainKW) {
  const int tie = TieOfRow(row);
  const TRegimeElement* c = CutOf(tie);
  (*c_.Un)[row] = c->Unom;
  (*c_.dPr)[row] = static_cast<float>(c_.dPr->Get(row) + gainKW);
  (*c_.Tr)[row] = (c->Flags & efHasRatio) != 0 ? kT : 0;
  c_.Cut2->SetItem(row, ElementCaption(PartnerOf(tie)));
  c_.Line2->SetItem(row, ElementCaption(c->Parent));
}

// ---- the regime and the functional --------------------------------------------------------------

void TCutOptimiser::FreshStart() {
  const int mode = Engine.InitVoltageMode;
  Engine.InitVoltageMode = 0;
  Engine.InitVoltages();
  Engine.InitVoltageMode = mode;
  Engine.VoltagesSet = true;
}

void TCutOptimiser::Iterate() {
  if (freshStart_) FreshStart();
  Engine.RunIterations();
  freshStart_ = !Engine.Converged;
}

double TCutOptimiser::RoundedLosses() const { return RoundLosses(Engine.TotalLosses(), LossFactor); }

double TCutOptimiser::CutFunctional(int tie, double loss, std::string* worst) const {
  double overload = 0, largest = 0;
  const TRegimeElement* worstElement = nullptr;
  for (const TRegimeElement* start : {static_cast<const TRegimeElement*>(PartnerOf(tie)), static_cast<const TRegimeElement*>(CutOf(tie))}) {
    for (const TRegimeElement* e = start; e != nullptr && e != Engine.Root; e = e->Parent) {
      // Idop is kept as sqrt(3)·Idop·0.001, the current in the model's units.
      if (e->SIdop == 0) continue;
      const double excess = std::abs(e->I) - e->SIdop;
      if (excess <= 0) continue;
      overload += excess;
      if (excess > largest) {
        largest = excess;
        worstElement = e;
      }
    }
  }
  double f = 1000 * overload + loss;
  if (!Engine.Converged) f *= 1000;
  if (worst != nullptr) {
    *worst = worstElement == nullptr ? std::string()
                                     : ElementCaption(worstElement) + " - " + ElementCaption(worstElement->Parent);
  }
  return f;
}

void TCutOptimiser::OverloadOf(int tie, TCutDisplay& d) const {
  d.Overload = false;
  d.LineLabel.clear();
  if (tie < 1 || tie > Engine.TieCount) return;
  std::string worst;
  CutFunctional(tie, 0, &worst);
  d.Overload = !worst.empty();
  d.LineLabel = worst;
}

void TCutOptimiser::MarkRows() {
  for (int row = 1; row <= Cuts.RowCount; ++row) {
    const int tie = TieOfRow(row);
    std::uint8_t mark = 0;
    if (tie != 0 && CutFunctional(tie, 0) != 0) {
      mark = kMarkOverload;
    } else if (tie != 0 && FixedTie(tie)) {
      mark = kMarkFixed;
    }
    (*Cuts.MarkRec)[row] = mark;
  }
}

TCutDisplay TCutOptimiser::ShowCurrentRegime(int tie) {
  Iterate();
  TCutDisplay d;
  const double now = RoundedLosses();
  d.Converged = Engine.Converged;
  d.LossGreen = now <= CurrentLoss;
  CurrentLoss = now;
  d.PLabel = "dP = " + Kw(now, 3) + " кВт";
  d.OptLabel = "Оптимизация = " + Kw(InitialLoss - now, 1) + " кВт";
  if (!d.Converged) {
    d.PLabel = "Режим не сходится";
    d.LossGreen = false;
  }
  OverloadOf(tie, d);
  MarkRows();
  return d;
}

TCutChains TCutOptimiser::Chains(int tie, int side) const {
  TCutChains ch;
  const TRegimeElement* c = CutOf(tie);
  const TRegimeElement* p = PartnerOf(tie);
  if (c == nullptr || p == nullptr) return ch;
  const TRegimeElement* l = side != 0 ? c->Parent : p;
  const TRegimeElement* r = side != 0 ? p : c->Parent;
  // The open end lies at the partner; the parent end is open too for a tie off at both ends.
  const bool parentOpen = (c->Flags & (efOpenNumber | efOpenNumber2)) == 3;
  const bool parentShown = (c->Flags & efDeviceNumber2) == 0;
  if (side != 0) {
    ch.ROpen = ch.RShown = true;
    ch.LOpen = parentOpen;
    ch.LShown = parentShown;
  } else {
    ch.LOpen = ch.LShown = true;
    ch.ROpen = parentOpen;
    ch.RShown = parentShown;
  }
  ch.LLabel = ElementCaption(l);
  ch.RLabel = ElementCaption(r);
  const auto up = [this](const TRegimeElement* from, std::vector<std::string>& list) {
    for (const TRegimeElement* e = from != nullptr ? from->Parent : nullptr; e != nullptr && e != Engine.Root;
         e = e->Parent) {
      list.push_back(ElementCaption(e));
    }
  };
  up(l, ch.Left);
  up(r, ch.Right);
  return ch;
}

// ---- moves --------------------------------------------------------------------------------------------

bool TCutOptimiser::TryShiftCut(int tie, int dir, std::uint8_t& side) {
  TRegimeElement* c = CutOf(tie);
  TRegimeElement* p = PartnerOf(tie);
  if (c == nullptr || p == nullptr || FixedTie(tie) || static_cast<std::size_t>(tie) >= preferred_.size()) return false;
  if (IniRec.StopTr && (c->Flags & efHasRatio) != 0) return false;
  const bool toParent = ((side ^ dir) & 1) != 0;
  TRegimeElement* e = toParent ? c->Parent : p;
  int n = 1;
  while (e != nullptr && (e->Flags & (efDeviceNumber | efDeviceNumber2)) == (efDeviceNumber | efDeviceNumber2)) {
    ++n;
    e = e->Parent;
  }
  if (e == nullptr || e == Engine.Root || (e->Flags & efCutMark1) == 0 || (e->Flags & (efSource | efCutMark2)) != 0) {
    return false;
  }
  if (IniRec.StopTr && (e->Flags & efHasRatio) != 0) return false;
  if (!toParent) {
    Engine.ReattachCutElement(tie);
    side ^= 1;
  }
  for (int i = 0; i < n; ++i) Engine.TryMoveCut(tie, IniRec.StopTr);
  // The cut is open at E's own end now. It goes to the end that its tie keeps to when that end has a
  // switching device, else to the other. A cut that once had to take the other end thus comes back to
  // its own end on the next branch, and a walk there and back ends where it began.
  const bool own = side == preferred_[static_cast<std::size_t>(tie)];
  if (own ? (e->Flags & efDeviceNumber) != 0 : (e->Flags & efDeviceNumber2) == 0) {
    Engine.ReattachCutElement(tie);
    side ^= 1;
  }
  return true;
}

bool TCutOptimiser::ShiftRow(int row, int dir, TCutDisplay& d) {
  const int tie = TieOfRow(row);
  if (tie == 0) return false;
  std::uint8_t side = c_.LRCut->Get(row);
  Engine.MoveContourCut(tie);
  if (!TryShiftCut(tie, dir, side)) return false;
  (*c_.LRCut)[row] = side;
  const double old = CurrentLoss;
  UpdateCutRow(row, 0);
  d = ShowCurrentRegime(tie);
  (*c_.dPr)[row] = static_cast<float>(c_.dPr->Get(row) + (old - CurrentLoss) * 1000);
  return true;
}

bool TCutOptimiser::ReplaceRow(int row, TCutDisplay& d) {
  const int tie = TieOfRow(row);
  const TRegimeElement* c = CutOf(tie);
  if (tie == 0 || (c->Flags & efDeviceNumber2) != 0 || FixedTie(tie)) return false;
  if (IniRec.StopTr && (c->Flags & efHasRatio) != 0) return false;
  Engine.ReattachCutElement(tie);
  (*c_.LRCut)[row] = c_.LRCut->Get(row) ^ 1;
  preferred_[static_cast<std::size_t>(tie)] = c_.LRCut->Get(row);
  const double old = CurrentLoss;
  UpdateCutRow(row, 0);
  d = ShowCurrentRegime(tie);
  (*c_.dPr)[row] = static_cast<float>(c_.dPr->Get(row) + (old - CurrentLoss) * 1000);
  return true;
}

// ---- the search ---------------------------------------------------------------------------------------

TCutOptimiser::TTrial TCutOptimiser::Evaluate(int tie) {
  Iterate();
  TTrial t;
  t.L = RoundedLosses();
  t.F = CutFunctional(tie, t.L);
  return t;
}

bool TCutOptimiser::AtStart(int tie, const TRegimeElement* p0, const TRegimeElement* c0) const {
  return PartnerOf(tie) == p0 && CutOf(tie) == c0;
}

void TCutOptimiser::RestoreStart(int row, int tie, std::uint8_t s0, const TRegimeElement* p0,
                                 const TRegimeElement* c0) {
  if (c_.LRCut->Get(row) != s0) {
    Engine.ReattachCutElement(tie);
    (*c_.LRCut)[row] = s0;
    (*c_.Un)[row] = CutOf(tie)->Unom;
  }
  if (!AtStart(tie, p0, c0)) {
    ShowMsgForm("Некорректное задание разрыва: строка " + std::to_string(row), mkWarning, mbOk);
  }
}

bool TCutOptimiser::OptimiseRowWholeChain(int row, int tie) {
  std::uint8_t side = c_.LRCut->Get(row);
  const std::uint8_t s0 = side;
  const TRegimeElement* p0 = PartnerOf(tie);
  const TRegimeElement* c0 = CutOf(tie);
  const TRegimeElement* a0 = c0->Parent;
  const TTrial start = Evaluate(tie);
  while (TryShiftCut(tie, 0, side)) {
  }
  TTrial best = Evaluate(tie);
  int steps = 0, bestStep = 0, origStep = 0;
  while (TryShiftCut(tie, 1, side)) {
    const TTrial t = Evaluate(tie);
    ++steps;
    if (t.F < best.F) {
      best = t;
      bestStep = steps;
    }
    const TRegimeElement* c = CutOf(tie);
    const TRegimeElement* p = PartnerOf(tie);
    if ((c->Parent == a0 && p == p0) || (p == a0 && c->Parent == p0)) origStep = steps;
  }
  (*c_.LRCut)[row] = side;
  const bool keep = PassNumber == 0 || start.F == best.F ||
                    (IniRec.FlagDP && (start.L - best.L) * 1000 < IniRec.dP);
  if (keep) {
    if (PassNumber == 0) (*c_.dPr)[row] = static_cast<float>((start.L - best.L) * 1000);
    for (int i = 0; i < steps - origStep; ++i) TryShiftCut(tie, 0, side);
    (*c_.LRCut)[row] = side;
    RestoreStart(row, tie, s0, p0, c0);
  } else {
    for (int i = 0; i < steps - bestStep; ++i) TryShiftCut(tie, 0, side);
    (*c_.LRCut)[row] = side;
  }
  if (AtStart(tie, p0, c0)) return false;
  UpdateCutRow(row, (start.L - best.L) * 1000);
  return true;
}

bool TCutOptimiser::OptimiseRowLocal(int row, int tie) {
  std::uint8_t side = c_.LRCut->Get(row);
  const std::uint8_t s0 = side;
  const TRegimeElement* p0 = PartnerOf(tie);
  const TRegimeElement* c0 = CutOf(tie);
  const TTrial start = Evaluate(tie);
  double best = start.F, bestL = start.L;
  int steps = 0;
  bool improved = false;
  // Steps one way while they do not make it worse; a worse step is taken back.
  const auto walk = [&](int dir, int delta) {
    while (TryShiftCut(tie, dir, side)) {
      const TTrial t = Evaluate(tie);
      if (t.F > best) {
        TryShiftCut(tie, 1 - dir, side);
        break;
      }
      improved = true;
      bestL = t.L;
      best = t.F;
      steps += delta;
    }
  };
  walk(0, 1);
  if (best == start.F) walk(1, -1);
  (*c_.LRCut)[row] = side;
  if (!improved) return false;
  const bool keep = PassNumber == 0 || start.F == best ||
                    (IniRec.FlagDP && (start.L - bestL) * 1000 < IniRec.dP && c_.dPr->Get(row) < IniRec.dP);
  if (keep) {
    if (PassNumber == 0) (*c_.dPr)[row] = static_cast<float>((start.L - bestL) * 1000);
    const int dir = steps > 0 ? 1 : 0;
    for (int i = 0; i < std::abs(steps); ++i) TryShiftCut(tie, dir, side);
    (*c_.LRCut)[row] = side;
    RestoreStart(row, tie, s0, p0, c0);
    return false;
  }
  UpdateCutRow(row, (start.L - bestL) * 1000);
  return true;
}

void TCutOptimiser::Run(const TLogProc& log, const std::function<void(int)>& progress, const TStopQuery& stop) {
  const auto line = [&](const std::string& s) {
    if (log) log(s);
  };
  StopRequested = false;
  line("Итерационный процесс:");
  PassNumber = -1;
  const double runStart = CurrentLoss;
  for (;;) {
    bool changed = false;
    const double passStart = CurrentLoss;
    ++PassNumber;
    for (int row = 1; row <= Cuts.RowCount; ++row) {
      const char sign = c_.Sign->Get(row);
      const int tie = TieOfRow(row);
      if (tie != 0 && sign != '-' && sign != kO && sign != kP && sign != kF) {
        Engine.MoveContourCut(tie);
        const bool moved = IniRec.Algoritm == 1 ? OptimiseRowWholeChain(row, tie) : OptimiseRowLocal(row, tie);
        changed = changed || moved;
      }
      if (progress) progress(row);
      if (stop && stop()) StopRequested = true;
      if (StopRequested) break;
    }
    ShowCurrentRegime(1);
    line(std::to_string(PassNumber) + ". dP = " + Kw(CurrentLoss, 1) + " кВт");
    if (PassNumber == 0) {
      // The measuring pass orders the cuts by the reduction each could reach, the largest first.
      for (int row = 1; row <= Cuts.RowCount; ++row) (*c_.dPr)[row] = -c_.dPr->Get(row);
      bool sorted = false;
      SortTable(Cuts, Cuts.NOrder, std::span<const std::uint8_t>(Cuts.Order).subspan(1, Cuts.NOrder), sorted);
      FillCutCols(Cuts, c_);
      for (int row = 1; row <= Cuts.RowCount; ++row) (*c_.dPr)[row] = 0;
      changed = true;
    }
    if (StopRequested || !changed || IniRec.RIter <= PassNumber || (PassNumber > 0 && CurrentLoss == passStart)) {
      break;
    }
  }
  line("Оптимизация = " + Kw(runStart - CurrentLoss, 1) + " кВт");
  line("");
  for (const std::string& s : ResultList()) line(s);
  if (StopRequested) line("<<<< Процесс прерван >>>>");
}

std::vector<std::string> TCutOptimiser::ResultList() const {
  std::vector<std::string> lines{"Список оптимизированных разрывов:"};
  std::vector<std::pair<std::string, std::string>> texts;
  std::vector<float> gains;
  std::size_t oldWidth = 0, newWidth = 0;
  for (int row = 1; row <= Cuts.RowCount; ++row) {
    if (c_.dPr->Get(row) == 0) continue;
    std::string o = c_.Cut1->GetItem(row) + " x - " + c_.Line1->GetItem(row);
    std::string n = c_.Cut2->GetItem(row) + " x - " + c_.Line2->GetItem(row);
    oldWidth = std::max(oldWidth, Utf8Length(o));
    newWidth = std::max(newWidth, Utf8Length(n));
    texts.emplace_back(std::move(o), std::move(n));
    gains.push_back(c_.dPr->Get(row));
  }
  const auto pad = [](const std::string& s, std::size_t width) {
    return s + std::string(width + 1 - Utf8Length(s), ' ');
  };
  for (std::size_t i = 0; i < texts.size(); ++i) {
    lines.push_back(std::to_string(i + 1) + ". " + pad(texts[i].first, oldWidth) + "  ==>  " +
                    pad(texts[i].second, newWidth) + FloatToStrFixed(gains[i], 1) + " кВт");
  }
  return lines;
}

void TCutOptimiser::Write() {
  TDataFile branches;
  ReadTableFile(Stem + GetMaketExtention(LayoutBranches), branches);
  TBranchCols b;
  FillBranchCols(branches, b);
  for (int row = 1; row <= b.RowCount; ++row) (*b.Commut)[row] = 0;
  for (int row = 1; row <= Cuts.RowCount; ++row) {
    if (c_.Cut2->GetItem(row).empty()) continue;
    c_.Cut1->SetItem(row, c_.Cut2->GetItem(row));
    c_.Line1->SetItem(row, c_.Line2->GetItem(row));
    const int tie = TieOfRow(row);
    if (tie != 0) {
      (*c_.N1)[row] = PartnerOf(tie)->Number;
      (*c_.N2)[row] = CutOf(tie)->Number2;
    }
    c_.Cut2->SetItem(row, "");
    c_.Line2->SetItem(row, "");
  }
  for (int tie = 1; tie <= Engine.TieCount; ++tie) {
    const TRegimeElement* c = CutOf(tie);
    const int row = c->BranchIndex;
    if (row < 1 || row > b.RowCount) continue;
    char letter = b.N1->Get(row) == c->Number ? kN : kK;
    if ((c->Flags & efDamaged) != 0) {
      letter = kP;
    } else if ((c->Flags & (efOpenNumber | efOpenNumber2)) == 3) {
      letter = kO;
    } else if ((c->Flags & efCommutF) != 0) {
      letter = kF;
    }
    (*b.Commut)[row] = letter;
  }
  WriteTableUnderLock(Stem, branches);
}

}  // namespace ld
