#include "core/engine/iteration_settings.h"
#include "core/regime/node_equiv.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "core/base/error.h"
#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/regime/scheme_files.h"
#include "core/tables/colmaps.h"
#include "core/tables/file_guard.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"

namespace ld {

namespace {

constexpr char kCalcError[] = "Ошибка расчета режима";
constexpr char kNotConverged[] = "Режим не сходится";
const std::string kDashes(70, '-');

bool IsNode(const TRegimeElement* e) {
  return e->Parent != nullptr && (e->Flags & (efLoopClosing | efUnsupplied)) == 0;
}

bool IsFixedVoltageBranch(const TRegimeElement* e) {
  return (e->Flags & (efFixedVoltage | efLoopClosing)) == (efFixedVoltage | efLoopClosing) && e->BranchIndex == 0;
}

// The load current that the engine's node step gives the node at voltage u.
Complex LoadCurrent(const TRegime& engine, const TRegimeElement& e, const Complex& u) {
  if (engine.LoadType == 0) return std::norm(u) > 0 ? e.Load / std::conj(u) : Complex();
  if (engine.LoadType == 1) return e.Load;
  return Complex();
}

Complex ShuntCurrent(const TRegimeElement& e, const Complex& u) { return 1e-6 * Complex(e.Gs, -e.Bs) * u; }

// One correction of the network contours alone: the fixed-voltage contours of the model are left out,
// their fictitious branches being replaced by fixed currents. Network contours take the first positions
// of the factorised matrix, so their block is solved on its own by ignoring the columns beyond it.
double CorrectNetworkContours(TRegime& r) {
  const int t = r.NetworkContourCount;
  if (t <= 0 || !r.MatricesFormed || r.MatrixDiagonal.size() <= static_cast<std::size_t>(t)) return 0;
  std::vector<Complex> x(static_cast<std::size_t>(t) + 1);
  for (int i = 1; i <= t; ++i) {
    x[r.PositionOfContour[i]] = r.ContourEntry2[i - 1]->U - r.ContourEntry1[i - 1]->U;
  }
  for (int k = 1; k <= t; ++k) {
    const Complex xk = x[k];
    for (std::int32_t e = r.FirstRowEntry[k]; e != 0; e = r.NextRowEntry[e]) {
      if (r.EntryColumn[e] <= t) x[r.EntryColumn[e]] += r.EntryValue[e] * xk;
    }
    x[k] = xk * r.MatrixDiagonal[k];
  }
  for (int k = t - 1; k >= 1; --k) {
    Complex sum = x[k];
    for (std::int32_t e = r.FirstRowEntry[k]; e != 0; e = r.NextRowEntry[e]) {
      if (r.EntryColumn[e] <= t) sum += r.EntryValue[e] * x[r.EntryColumn[e]];
    }
    x[k] = sum;
  }
  double residual = 0;
  for (int i = 1; i <= t; ++i) {
    const Complex d = x[r.PositionOfContour[i]];
    r.ContourEntry2[i - 1]->IDelta += d;
    r.ContourEntry1[i - 1]->IDelta -= d;
    residual = std::max(residual, std::fabs(d.real()) + std::fabs(d.imag()));
  }
  r.SweepCurrents();
  r.SweepVoltages();
  return residual;
}

void SettleNetworkContours(TRegime& r) {
  const int limit = std::max(r.MaxIter, 1);
  for (int k = 0; k < limit; ++k) {
    if (CorrectNetworkContours(r) < r.Accuracy) break;
  }
}

// Sweeps of the network with the fixed node currents `drawn` (by element creation number).
void SolveWithCurrents(TRegime& r, const std::vector<Complex>& drawn) {
  r.ClearSweepSums();
  for (TRegimeElement* e = r.FirstElement; e != nullptr; e = e->Next) {
    const std::size_t k = r.Elements().IndexOf(e);
    if (k < drawn.size()) e->IDelta = drawn[k];
  }
  r.SweepCurrents();
  r.SweepVoltages();
  SettleNetworkContours(r);
}

double AngleDeg(const Complex& z) {
  return z.real() != 0 ? std::atan(z.imag() / z.real()) * 180.0 / std::numbers::pi : 0.0;
}

std::string F6(double v) { return FixedPrecText(v, 9, 6); }
std::string Cx(const Complex& z) { return F6(z.real()) + " + j" + F6(z.imag()); }
std::string Volt(const Complex& z) { return Cx(z) + ", " + F6(std::abs(z)) + " <" + F6(AngleDeg(z)) + ">"; }

std::string Field(const std::string& text, int width) { return FitRight(text, width); }

std::string FileNameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

}  // namespace

void CopyRegimeSettings(TRegime& engine) {
  const TIniRec& ini = IniRec;
  TakeIterationSettings(engine, ini);
  engine.QLimits = ini.FlagRQ;
  engine.LoadType = ini.TypLoad;
  engine.ShowMessages = false;
}

void SumBranchLossesPQ(const TRegime& engine, double& dP, double& dQ) {
  dP = dQ = 0;
  for (const TRegimeElement* e = engine.FirstElement; e != nullptr; e = e->Next) {
    const double i2 = std::norm(e->I);
    dP += i2 * e->R;
    dQ += i2 * e->X;
  }
}

TRegimeElement* FindNodeElement(const TRegime& engine, std::int32_t ns) {
  for (TRegimeElement* e = engine.FirstElement; e != nullptr; e = e->Next) {
    if (e->Number == ns && e->Parent != nullptr && (e->Flags & efLoopClosing) == 0) return e;
  }
  return nullptr;
}

void SetNodeQ(TRegimeElement& node, double q) {
  node.Load1.imag(q);
  node.Load = node.Load1 + node.Load2;
}

void SetNodeLoad(TRegimeElement& node, double pn, double qn) {
  node.Load1 = Complex(pn, -qn);
  node.Load = node.Load1 + node.Load2;
}

double CalcNodeEERM(TRegime& engine, TRegimeElement* element, double dQ) {
  if (element == nullptr || dQ == 0) return 0;
  const double q = element->Load1.imag();
  SetNodeQ(*element, q + dQ / 2);
  engine.RunIterations();
  const double l1 = engine.TotalLosses();
  SetNodeQ(*element, q + dQ / 2 - dQ);
  engine.RunIterations();
  const double l2 = engine.TotalLosses();
  SetNodeQ(*element, q);
  engine.RunIterations();
  return (l2 - l1) / dQ;
}

TNodeEquivalent CalcNodeEquivalent(TRegime& r, TRegimeElement* node) {
  TNodeEquivalent q;
  if (node == nullptr || r.Root == nullptr) return q;
  q.Uo = node->U;
  q.So = std::conj(node->Load);
  q.Io = LoadCurrent(r, *node, q.Uo);
  q.Sy = 1e-6 * std::norm(q.Uo) * Complex(node->Gs, node->Bs);
  q.Iy = ShuntCurrent(*node, q.Uo);
  double dP = 0, dQ = 0;
  SumBranchLossesPQ(r, dP, dQ);
  q.dS = Complex(dP, dQ);

  // Loads as fixed currents from the present voltages; a fixed-voltage node keeps what its fictitious
  // branch delivered as a fixed injection, so the network around it stays where the regime left it.
  std::vector<Complex> drawn(r.Elements().Count());
  for (TRegimeElement* e = r.FirstElement; e != nullptr; e = e->Next) {
    const std::size_t k = r.Elements().IndexOf(e);
    if (IsNode(e)) drawn[k] += LoadCurrent(r, *e, e->U) + ShuntCurrent(*e, e->U);
    if (IsFixedVoltageBranch(e) && e->Partner != nullptr) drawn[r.Elements().IndexOf(e->Partner)] -= e->I;
  }
  const std::size_t nodeIndex = r.Elements().IndexOf(node);
  drawn[nodeIndex] = Complex();

  // State B: the losses that the other loads cause by themselves.
  SolveWithCurrents(r, drawn);
  SumBranchLossesPQ(r, dP, dQ);
  q.dSe = Complex(dP, dQ);

  // No load anywhere: the node's voltage is the equivalent supply voltage.
  SolveWithCurrents(r, {});
  q.Ue = node->U;

  // A unit current drawn at the node with every source short-circuited: the voltage of each node is
  // minus its transfer impedance to the chosen one.
  const Complex rootVoltage = r.Root->U;
  r.Root->U = Complex();
  std::vector<Complex> unit(r.Elements().Count());
  unit[nodeIndex] = Complex(1, 0);
  SolveWithCurrents(r, unit);
  q.Ze = -node->U;
  for (TRegimeElement* e = r.FirstElement; e != nullptr; e = e->Next) {
    const std::size_t k = r.Elements().IndexOf(e);
    if (k == nodeIndex || drawn[k] == Complex()) continue;
    q.dU1 -= drawn[k] * e->U;
    q.dU2 -= std::conj(drawn[k]) * e->U;
  }
  r.Root->U = rootVoltage;

  q.Ie = q.Ze != Complex() ? q.dU1 / q.Ze : Complex();
  q.Se = q.Uo * std::conj(q.Ie);
  const Complex j0 = q.Io + q.Iy;
  q.Ucontrol = q.Ue - (j0 + q.Ie) * q.Ze;
  q.dSo = std::norm(j0) * q.Ze;
  q.dS1 = std::conj(j0) * q.dU1;
  q.dS2 = j0 * q.dU2;
  q.dSstar = q.dSe + q.dSo + q.dS1 + q.dS2;
  return q;
}

std::string FixedPrecText(double v, int precision, int decimals) {
  if (!std::isfinite(v)) return FloatToStrGeneral(v, precision);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*e", precision - 1, v);
  const double rounded = std::strtod(buffer, nullptr);
  // Beyond the precision in whole digits the fixed form would invent digits.
  if (std::fabs(rounded) >= std::pow(10.0, precision)) return FloatToStrGeneral(rounded, precision);
  return FloatToStrFixed(rounded, decimals);
}

std::vector<std::string> NodeEquivalentReport(const std::string& heading, const TNodeEquivalent& q, bool withEERM,
                                              double eerm) {
  std::vector<std::string> lines = {
      heading,
      "Результаты полной схемы",
      kDashes,
      "Расчетное напряжение    Uo: " + Volt(q.Uo),
      "Нагрузочная мощность    So: " + Cx(q.So) + "  Нагрузочный ток   Io: " + Cx(q.Io),
      "Мощность проводимости   Sy: " + Cx(q.Sy) + "  Ток проводимости  Iy: " + Cx(q.Iy),
      "Суммарные потери        dS: " + Cx(q.dS),
      "Эквивалентные величины",
      kDashes,
      "Экв.напряжение питания  Uэ: " + Volt(q.Ue),
      "Экв.напряжение влияния dU1: " + Volt(q.dU1),
      "Экв.напряжение влияния dU2: " + Volt(q.dU2),
      "Эквивалентная мощность  Sэ: " + Cx(q.Se) + "  Эквивалентный ток Iэ: " + Cx(q.Ie),
      "Эквив. сопротивление    Zэ: " + Cx(q.Ze),
      "Эквивалентные потери   dSэ: " + Cx(q.dSe),
      "Контрольные соотношения",
      kDashes,
      "Контроль расч. напряжения Uo = Uэ - (Io+Iy+Iэ)*Zэ : " + Volt(q.Ucontrol),
      "Контроль суммарных потерь",
      "Составляющие dSo = Zэ*(Io+Iy)^2   : " + Cx(q.dSo),
      "             dS1 = (Io+Iy)c*dU1   : " + Cx(q.dS1),
      "             dS2 = (Io+Iy) *dU2   : " + Cx(q.dS2),
      "Расч. потери dS* = dSэ+dSo+dS1+dS2: " + Cx(q.dSstar),
      "Небаланс dS - dS*                 : " + Cx(q.dS - q.dSstar),
  };
  if (withEERM) lines.push_back("ЭЭРМ : " + FixedPrecText(eerm, 7, 4));
  lines.emplace_back();
  return lines;
}

std::string EquivalentSchemePath(const std::string& schemePath, std::int32_t node) {
  return (std::filesystem::path(schemePath).parent_path() / std::to_string(node)).string();
}

std::int32_t EquivalentSourceNumber(std::int32_t node) { return node >= 1 && node <= 3 ? node * 10 : node; }

void WriteEquivalentScheme(const std::string& path, std::int32_t node, const TNodeEquivalent& q) {
  const std::string title = FileNameOf(path);
  TDataFile nodes;
  ReadMaket(LayoutNodes, nodes);
  CreateColumns(nodes, 4);
  nodes.Title = title;
  TNodeCols n;
  FillNodeCols(nodes, n);
  const std::int32_t source = EquivalentSourceNumber(node);
  (*n.NS)[1] = source;
  (*n.Sign)[1] = 'b';
  (*n.Um)[1] = static_cast<float>(std::abs(q.Ue));
  (*n.Angle)[1] = std::arg(q.Ue) * 180.0 / std::numbers::pi;
  const char* names[] = {"So", "Sy", "Se"};
  const Complex loads[] = {q.So, q.Sy, q.Se};
  for (int i = 0; i < 3; ++i) {
    (*n.NS)[i + 2] = i + 1;
    n.Name->SetItem(i + 2, names[i]);
    (*n.Pn)[i + 2] = loads[i].real();
    (*n.Qn)[i + 2] = loads[i].imag();
  }
  nodes.MarkRec->operator[](1) = 16;  // the balancing node's row, as typing "B" marks it

  TDataFile branches;
  ReadMaket(LayoutBranches, branches);
  CreateColumns(branches, 3);
  branches.Title = title;
  TBranchCols b;
  FillBranchCols(branches, b);
  const std::int32_t ends[3][2] = {{source, 1}, {1, 2}, {2, 3}};
  for (int i = 0; i < 3; ++i) {
    (*b.N1)[i + 1] = ends[i][0];
    (*b.N2)[i + 1] = ends[i][1];
  }
  (*b.R)[1] = static_cast<float>(q.Ze.real());
  (*b.X)[1] = static_cast<float>(q.Ze.imag());
  // The equivalent is a scheme of its own under the node's number: an earlier equivalent (its nodes and
  // branches) is written over, but another scheme of that name, with a journal, flows or results of its
  // own, goes whole in the same run once asked about naming each file; "Нет" writes nothing.
  if (const TCopyReplaced replaced = EmptySchemeReplaced(path);
      !replaced.Removed.empty() &&
      ShowMsgForm(CopyReplaceQuestion("Схема с таким именем уже существует.", replaced, TReplacedBy::Create,
                                          TFileFamily::Scheme), mkWarning,
                  mbYesNoCancel) != 1)
    throw Error("Эквивалентная схема \"" + title + "\" не записана");
  WriteNewScheme(path, nodes, branches);
}

// ---- TSchemeLock ------------------------------------------------------------------------------------

TSchemeLock::TSchemeLock(const std::string& schemePath, TRegime* engine)
    : path_(schemePath),
      extensions_(LayoutExtensions({LayoutNodes, LayoutBranches})),
      engine_(engine) {
  LockTableFiles(path_, extensions_);
  if (engine_ != nullptr) engine_->LockFiles = true;
}

TSchemeLock::~TSchemeLock() {
  if (engine_ != nullptr) engine_->LockFiles = false;
  try {
    UnlockTableFiles(path_, extensions_);
  } catch (...) {
    // A lock that cannot be removed stays for the user to clear; nothing more can be done here.
  }
}

// ---- TNodeEquivCalc ---------------------------------------------------------------------------------

void TNodeEquivCalc::FreshCalculation(const std::string& schemePath, const char* modelMessage) {
  engine_.SchemeRead = false;
  engine_.ModelError = false;
  engine_.ZeroContours = false;
  const TIniRec& ini = IniRec;
  engine_.Calculate(schemePath, ini.TypCalcPQ, ini.Date1, ini.Date2, ini.CalcDate, ini.Tgr);
  if (engine_.ModelError || engine_.ZeroContours) throw Error(modelMessage);
  if (!engine_.Converged) throw Error(kNotConverged);
}

TRegimeElement* TNodeEquivCalc::NodeOf(std::int32_t node) {
  TRegimeElement* e = FindNodeElement(engine_, node);
  if (e == nullptr) throw Error("Узел " + std::to_string(node) + " не найден в схеме");
  return e;
}

std::vector<std::string> TNodeEquivCalc::Calculate(const std::string& schemePath, std::int32_t node, double dQ,
                                                   bool variants) {
  TSchemeLock lock(schemePath, &engine_);
  std::vector<std::string> report;
  optimumSteps_ = 0;
  const int blocks = variants ? 3 : 1;
  for (int block = 1; block <= blocks; ++block) {
    FreshCalculation(schemePath, kCalcError);
    TRegimeElement* e = NodeOf(node);
    std::string heading;
    double eerm = 0;
    if (block == 1) {
      heading = "Эквивалентные параметры узла " + std::to_string(node) + ":";
      eerm = CalcNodeEERM(engine_, e, dQ);
    } else if (block == 2) {
      heading = "************************************** Приращение dQ *****************************************";
      SetNodeQ(*e, e->Load1.imag() - dQ);
      engine_.RunIterations();
    } else {
      heading = "**************************************** Оптимум dQ ******************************************";
      // Steps towards the least losses. Where the losses bend sharply the steps overshoot and grow, so
      // the search is bounded by the iteration limit and ends on a regime that no longer converges.
      const int limit = std::max(engine_.MaxIter, 1);
      for (int k = 0; k < limit; ++k) {
        const double d = CalcNodeEERM(engine_, e, dQ);
        if (!engine_.Converged) throw Error(kNotConverged);
        SetNodeQ(*e, e->Load1.imag() + d);
        engine_.RunIterations();
        ++optimumSteps_;
        if (!engine_.Converged) throw Error(kNotConverged);
        if (std::fabs(d) < 1e-7 || (StopQuery && StopQuery())) break;
      }
    }
    if (!engine_.Converged) throw Error(kNotConverged);
    last_ = CalcNodeEquivalent(engine_, e);
    const std::vector<std::string> lines = NodeEquivalentReport(heading, last_, block == 1, eerm);
    report.insert(report.end(), lines.begin(), lines.end());
    if (block == 1) {
      eerm_ = eerm;
      so_ = std::conj(e->Load1);  // the node's own load Pn + jQn, without its generation
      equivalentPath_ = EquivalentSchemePath(schemePath, node);
      WriteEquivalentScheme(equivalentPath_, node, last_);
    }
  }
  return report;
}

std::vector<std::string> TNodeEquivCalc::CalculateVariants(const std::string& schemePath, std::int32_t node,
                                                           double dQ, const std::vector<TLoadVariant>& rows) {
  struct Result {
    Complex U, Ue, dSfull, dSeq;
    double eerm = 0, eermEq = 0;
  };
  std::vector<Result> results(rows.size());
  const std::string fileError = "Ошибка расчета режима схемы " + FileNameOf(schemePath);
  {
    TSchemeLock lock(schemePath, &engine_);
    FreshCalculation(schemePath, fileError.c_str());
    TRegimeElement* e = NodeOf(node);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      SetNodeLoad(*e, rows[i].Pn, rows[i].Qn);
      engine_.RunIterations();
      if (!engine_.Converged) continue;
      results[i].U = e->U;
      double dP = 0, dQl = 0;
      SumBranchLossesPQ(engine_, dP, dQl);
      results[i].dSfull = Complex(dP, dQl);
      results[i].eerm = CalcNodeEERM(engine_, e, dQ);
    }
    engine_.ClearModel();
  }

  if (!equivalentPath_.empty()) {
    const std::string eqError = "Ошибка расчета режима схемы " + FileNameOf(equivalentPath_);
    FreshCalculation(equivalentPath_, eqError.c_str());
    TRegimeElement* n1 = NodeOf(1);
    TRegimeElement* n2 = NodeOf(2);
    TRegimeElement* n3 = NodeOf(3);
    TRegimeElement* source = n1->Parent;
    // Node 3 stands for the other loads: a fixed current, the one of the first solution. Through the
    // zero impedances it reaches the source branch, so holding it is holding the source voltage lowered
    // by its drop across Zэ; what then flows through Zэ is the current of nodes 1 and 2 alone, whose
    // branch losses the losses of the equivalent take.
    const Complex jc = n3->ILoad;
    const Complex z(source != nullptr ? n1->R : 0.0, source != nullptr ? n1->X : 0.0);
    n3->Load1 = n3->Load2 = n3->Load = Complex();
    if (source != nullptr && (source->Flags & efSource) != 0) source->K -= z * jc / 110.0;
    const Complex dU1 = last_.dU1, dU2 = last_.dU2, dSe = last_.dSe;
    // Each variant starts from the no-load voltages: the equivalent's tables hold no results, so starting
    // from results would take their empty branch currents for those of the last variant.
    const int initMode = engine_.InitVoltageMode;
    engine_.InitVoltageMode = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const double qs[3] = {-rows[i].Qn + dQ / 2, -rows[i].Qn - dQ / 2, -rows[i].Qn};
      n1->Load1 = Complex(rows[i].Pn, 0);
      engine_.VoltagesSet = false;
      Complex loss[3];
      for (int k = 0; k < 3; ++k) {
        SetNodeQ(*n1, qs[k]);
        engine_.RunIterations();
        const Complex j = n1->ILoad + n2->ILoad;
        double dP = 0, dQl = 0;
        SumBranchLossesPQ(engine_, dP, dQl);
        loss[k] = Complex(dP, dQl) + std::conj(j) * dU1 + j * dU2 + dSe;
        results[i].Ue = n1->U;
      }
      results[i].dSeq = loss[2];
      results[i].eermEq = dQ != 0 ? (loss[1].real() - loss[0].real()) / dQ : 0;
    }
    engine_.InitVoltageMode = initMode;
    engine_.ClearModel();
  }

  std::vector<std::string> lines = {
      "Pнаг   + j Qнаг        Uрасч     <угол>      Uэкв      <угол>      dPсум  + j dQсум       dPэкв  + j dQэкв"
      "      ЭЭРМ   ЭЭРМэкв"};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Result& r = results[i];
    auto voltage = [](const Complex& u) {
      return Field(FixedPrecText(std::abs(u), 15, 6), 9) + " <" + Field(FixedPrecText(AngleDeg(u), 15, 6), 11) + ">";
    };
    auto f10 = [](double v, int decimals) { return Field(FixedPrecText(v, 15, decimals), 10); };
    lines.push_back(f10(rows[i].Pn, 5) + " " + f10(rows[i].Qn, 5) + "  " + voltage(r.U) + "  " + voltage(r.Ue) +
                    "  " + f10(r.dSfull.real(), 6) + " " + f10(r.dSfull.imag(), 6) + "  " + f10(r.dSeq.real(), 6) +
                    " " + f10(r.dSeq.imag(), 6) + "  " + Field(FixedPrecText(r.eerm, 6, 4), 6) + " " +
                    Field(FixedPrecText(r.eermEq, 6, 4), 6));
  }
  return lines;
}

}  // namespace ld
