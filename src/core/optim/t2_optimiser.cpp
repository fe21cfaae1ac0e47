// The station search: the model of the scheme, the criterion of a station, the automatic passes and the
// write of the chosen states.
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/optim/q_optim.h"
#include "core/optim/t2_stations.h"
#include "core/optim/trial_engine.h"
#include "core/tables/table_file.h"

namespace ld {

namespace {

constexpr unsigned char kLetterO = 206;  // "О"

std::string Kw3(double mw) { return FloatToStrFixed(mw * 1000, 3); }

std::string BeforeFirstPoint(const std::string& s) {
  const std::size_t p = s.find('.');
  return p == std::string::npos ? s : s.substr(0, p);
}

}  // namespace

const TT2Trial& BetterT2Trial(const TT2Trial& first, const TT2Trial& second) {
  return first.Ev.Criterion > second.Ev.Criterion ? second : first;
}

void TT2Optimiser::Open(const std::string& stem) {
  Stem = stem;
  ReadTableFile(stem + GetMaketExtention(LayoutNodes), Nodes);
  ReadTableFile(stem + GetMaketExtention(LayoutBranches), Branches);
  FillBranchCols(Branches, BranchCols);
  TDataFile modelBranches;
  ReadTableFile(stem + GetMaketExtention(LayoutBranches), modelBranches);
  const std::vector<TT2Station> found = FindT2Stations(Branches, modelBranches);

  PrepareTrialEngine(Engine);
  Engine.MaxIter = IniRec.Iter1;
  Engine.Accuracy = IniRec.Prec;
  LossRounding(Engine.Accuracy, LossDigits, LossFactor);

  bool changed = false;
  Engine.ClearModel();
  Engine.BuildModel(Nodes, modelBranches, changed);
  Engine.SchemePath = stem;
  Engine.AnalyzeConfiguration();

  std::vector<TRegimeElement*> byRow(static_cast<std::size_t>(BranchCols.RowCount) + 1, nullptr);
  for (TRegimeElement* e = Engine.FirstElement; e != nullptr; e = e->Next) {
    if (e->BranchIndex >= 1 && e->BranchIndex <= BranchCols.RowCount && byRow[e->BranchIndex] == nullptr) {
      byRow[e->BranchIndex] = e;
    }
  }
  std::vector<TT2Station> kept;
  E1.assign(1, nullptr), E2.assign(1, nullptr), Ev.assign(1, nullptr);
  for (const TT2Station& s : found) {
    TRegimeElement* e[3] = {byRow[s.I1], byRow[s.I2], byRow[s.Iv]};
    if (!e[0] || !e[1] || !e[2]) {
      throw Error(std::to_string(s.I1) + "," + std::to_string(s.I2) + "," + std::to_string(s.Iv));
    }
    if ((e[0]->Flags | e[1]->Flags | e[2]->Flags) & efUnsupplied) continue;
    kept.push_back(s);
    E1.push_back(e[0]), E2.push_back(e[1]), Ev.push_back(e[2]);
  }

  ReadMaket(LayoutStationSwitching, Stations);
  CreateColumns(Stations, static_cast<int>(kept.size()));
  FillT2Cols(Stations, c_);
  const TBranchCols& b = BranchCols;
  TNodeCols n;
  FillNodeCols(Nodes, n);
  const auto nodeName = [&](std::int32_t ns) {
    for (int r = 1; r <= n.RowCount; ++r) {
      if (n.NS->Get(r) == ns) return n.Name->GetItem(r);
    }
    return std::string();
  };
  const auto dispatcherName = [&](int row) {
    std::string s = b.DSName->GetItem(row);
    if (s.empty()) s = std::to_string(b.N1->Get(row)) + "-" + std::to_string(b.N2->Get(row));
    return s;
  };
  for (int r = 1; r <= static_cast<int>(kept.size()); ++r) {
    const TT2Station& s = kept[r - 1];
    (*c_.I1)[r] = s.I1, (*c_.I2)[r] = s.I2, (*c_.Iv)[r] = s.Iv, (*c_.ST)[r] = s.ST;
    c_.NT1->SetItem(r, dispatcherName(s.I1));
    c_.NT2->SetItem(r, dispatcherName(s.I2));
    c_.Mark1->SetItem(r, b.Mark->GetItem(s.I1));
    c_.Mark2->SetItem(r, b.Mark->GetItem(s.I2));
    std::string begin = b.Name1->GetItem(s.I1);
    if (begin.empty()) begin = nodeName(b.N1->Get(s.I1));
    c_.Subst->SetItem(r, BeforeFirstPoint(begin));
    float un = b.Ul->Get(s.I1);
    if (un == 0) un = b.Ul->Get(s.I2);
    if (un == 0) un = b.Ul->Get(s.Iv);
    (*c_.Un)[r] = un;
    ApplyState(r, s.ST);
  }

  Engine.ApplyTimeData(IniRec.TypCalcPQ, IniRec.Tgr, IniRec.Date1, IniRec.Date2, IniRec.CalcDate, false);
  Engine.FormMatrices();
  Engine.RunIterations();
  BaseLoss = StationLoss = Round(Engine.TotalLosses() * LossFactor) / LossFactor;
}

void TT2Optimiser::ApplyState(int row, int state) {
  TRegimeElement* e[3] = {E1[row], E2[row], Ev[row]};
  for (int i = 0; i < 3; ++i) {
    if (state == i + 1) {
      SwitchElementOff(*e[i], BranchCols);
    } else {
      SwitchElementOn(*e[i], BranchCols);
    }
  }
}

TT2Evaluation TT2Optimiser::Evaluate(int row) {
  Engine.FreeMatrices();
  Engine.ModelError = Engine.Converged = Engine.VoltagesSet = false;
  Engine.FormMatrices();
  Engine.RunIterations();
  TT2Evaluation r;
  if (Engine.Converged) {
    r.Losses = Engine.TotalLosses();
    if (row > 0) r.Criterion = Criterion(row, r.Losses);
  }
  return r;
}

double TT2Optimiser::Criterion(int row, double losses) {
  const TBranchCols& b = BranchCols;
  double overload = 0;
  for (int which = 0; which < 2; ++which) {
    TRegimeElement* e = which == 0 ? E1[row] : E2[row];
    DAsingle* sp = which == 0 ? c_.Sp1 : c_.Sp2;
    DAsingle* hh = which == 0 ? c_.HH1 : c_.HH2;
    DAsingle* kz = which == 0 ? c_.KZ1 : c_.KZ2;
    (*sp)[row] = (*hh)[row] = (*kz)[row] = 0;
    if (e == nullptr || (e->Flags & efStationOff)) continue;
    const int br = e->BranchIndex;
    const Complex uOwn = e->U;
    const Complex uParent = e->Parent != nullptr ? e->Parent->U : uOwn;
    const bool shuntAtParent = (e->Flags & efReversed) != 0;
    const Complex uShunt = shuntAtParent ? uParent : uOwn;
    const double g = b.G->Get(br), bb = b.B->Get(br);
    (*kz)[row] = static_cast<float>(std::norm(e->I) * e->R * 1000);
    (*hh)[row] = static_cast<float>(std::norm(uShunt) * g * 0.001);
    const Complex shunt = uShunt * Complex(g, -bb) * 1e-6;
    Complex iOwn = e->I, iParent = e->I * std::conj(e->K == Complex(0, 0) ? Complex(1, 0) : e->K);
    (shuntAtParent ? iParent : iOwn) += shunt;
    const double s = std::max(std::abs(uOwn) * std::abs(iOwn), std::abs(uParent) * std::abs(iParent));
    const double sdop = b.Sdop->Get(br);
    if (sdop != 0) {
      if (s > sdop) overload += s - sdop;
      (*sp)[row] = static_cast<float>(s * 100 / sdop);
    }
  }
  double result = losses + 1000 * overload;
  if (!Engine.Converged) result *= 1000;
  return result;
}

TT2LossDisplay TT2Optimiser::ShowLosses(int row) {
  const TT2Evaluation ev = Evaluate(row);
  TT2LossDisplay d;
  d.Converged = Engine.Converged;
  const double losses = Round(ev.Losses * LossFactor) / LossFactor;
  d.Green = losses <= StationLoss;
  d.ChangeKW = (StationLoss - losses) * 1000;
  StationLoss = losses;
  d.Label = "dP = " + Kw3(StationLoss) + " (" + Kw3(BaseLoss - StationLoss) + ") кВт";
  if (!d.Converged) {
    d.Label = "Режим не сходится";
    d.Green = false;
  }
  if (row > 0) {
    (*c_.dPr)[row] = static_cast<float>(c_.dPr->Get(row) + d.ChangeKW);
    MarkRow(row);
  }
  return d;
}

void TT2Optimiser::MarkRow(int row) {
  const double c = Criterion(row, 0);
  (*Stations.MarkRec)[row] = c == 0 ? 0 : 0x60;
}

TT2LossDisplay TT2Optimiser::Propose(int row, int state) {
  (*c_.STo)[row] = state;
  ApplyState(row, state);
  return ShowLosses(row);
}

void TT2Optimiser::SearchPass(double d, const std::function<void(int)>& progress, const TStopQuery& stop) {
  for (int r = 1; r <= RowCount(); ++r) {
    const TT2Evaluation present = Evaluate(r);
    int s = c_.STo->Get(r) != 0 ? c_.STo->Get(r) : c_.ST->Get(r);
    TT2Trial trials[2];
    int tried = 0;
    for (int st = 1; st <= 3; ++st) {
      if (st == s || tried == 2) continue;
      ApplyState(r, st);
      trials[tried++] = TT2Trial{st, Evaluate(r)};
    }
    const TT2Trial best = tried == 2 ? BetterT2Trial(trials[0], trials[1]) : trials[0];
    if (present.Criterion - best.Ev.Criterion > d) {
      (*c_.STo)[r] = best.State;
      (*c_.dPr)[r] = static_cast<float>(c_.dPr->Get(r) + (present.Losses - best.Ev.Losses) * 1000);
      s = best.State;
    }
    ApplyState(r, s);
    if (progress) progress(r);
    if (stop && stop()) StopRequested = true;
    if (StopRequested) break;
  }
}

void TT2Optimiser::Run(double dPminKW, const TLogProc& log, const std::function<void(int)>& progress,
                       const TStopQuery& stop) {
  StopRequested = false;
  const auto line = [&](const std::string& s) {
    if (log) log(s);
  };
  line("Итерационный процесс:");
  line("0. dP = " + Kw3(StationLoss) + " кВт");
  for (int r = 1; r <= RowCount(); ++r) {
    if (c_.STo->Get(r) != 0) {
      (*c_.ST)[r] = c_.STo->Get(r);
      (*c_.dPr)[r] = 0;
    }
  }
  const double runStart = StationLoss;
  PassCount = 0;
  const double d = dPminKW * 0.001;
  for (;;) {
    const double passStart = StationLoss;
    ++PassCount;
    SearchPass(d, progress, stop);
    ShowLosses(0);
    line(std::to_string(PassCount) + ". dP = " + Kw3(StationLoss) + " кВт");
    if (StopRequested || PassCount >= 10 || StationLoss == passStart) break;
  }
  line("Оптимизация = " + Kw3(runStart - StationLoss) + " кВт");
  for (int r = 1; r <= RowCount(); ++r) MarkRow(r);
  line("");
  for (const std::string& s : SwitchingList()) line(s);
  if (StopRequested) line("<<<< Процесс прерван >>>>");
}

std::string TT2Optimiser::StationText(int row) const {
  return c_.Subst->GetItem(row) + " " + c_.NT1->GetItem(row) + " (" + c_.Mark1->GetItem(row) + "), " +
         c_.NT2->GetItem(row) + " (" + c_.Mark2->GetItem(row) + ")";
}

std::vector<std::string> TT2Optimiser::SwitchingList() const {
  std::vector<std::string> lines{"Список переключений трансформаторов:"};
  std::vector<int> rows;
  int width = 0;
  for (int r = 1; r <= RowCount(); ++r) {
    if (c_.dPr->Get(r) == 0) continue;
    rows.push_back(r);
    width = std::max(width, static_cast<int>(Utf8Length(StationText(r))));
  }
  std::stable_sort(rows.begin(), rows.end(), [&](int x, int y) { return c_.dPr->Get(x) > c_.dPr->Get(y); });
  int number = 0;
  for (int r : rows) {
    std::string text = StationText(r);
    text += std::string(static_cast<std::size_t>(width - static_cast<int>(Utf8Length(text))), ' ');
    lines.push_back(std::to_string(++number) + ". " + text + ": " + std::to_string(c_.ST->Get(r)) + " ==> " +
                    std::to_string(c_.STo->Get(r)) + " ==> " + FloatToStrFixed(c_.dPr->Get(r), 3) + " кВт");
  }
  return lines;
}

void TT2Optimiser::Write() {
  for (int r = 1; r <= RowCount(); ++r) {
    const int proposed = c_.STo->Get(r);
    if (proposed != 0 && proposed != c_.ST->Get(r)) {
      (*c_.ST)[r] = proposed;
      (*c_.STo)[r] = 0;
      (*c_.dPr)[r] = 0;
    }
    const int rows[3] = {c_.I1->Get(r), c_.I2->Get(r), c_.Iv->Get(r)};
    for (int i = 0; i < 3; ++i) {
      (*BranchCols.Commut)[rows[i]] = c_.ST->Get(r) == i + 1 ? static_cast<char>(kLetterO) : 0;
    }
  }
  WriteTableUnderLock(Stem, Branches);
}

}  // namespace ld
