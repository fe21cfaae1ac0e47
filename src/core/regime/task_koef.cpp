#include "core/regime/task_koef.h"

#include <algorithm>
#include <cmath>

#include "core/base/numtext.h"
#include "core/base/settings.h"
#include "core/engine/electric.h"
#include "core/regime/task_regime.h"

namespace ld {

namespace {

struct TCarried {
  int loads = 0;          // loads behind the branch
  double sp = 0, sq = 0;  // coincident load carried, in the engine's load convention (P, -Q)
  double lp = 0, lq = 0;  // losses carried (P, Q)
  Complex w;              // working voltage
};

}  // namespace

void CalcCoincidenceRegime(TRegime& r, const std::vector<float>& coefs) {
  if (r.Root == nullptr || r.FirstElement == nullptr) return;
  const std::vector<float> table = coefs.empty() ? std::vector<float>{1.0f} : coefs;
  const int m = static_cast<int>(table.size());
  r.ClearSweepSums();
  TElementValues<TCarried> c(r);

  // Loads behind every branch, counted and summed before the coefficient; children come before parents.
  for (TRegimeElement* e = r.FirstElement; e != nullptr && e->Parent != nullptr; e = e->Next) {
    TCarried& x = c[e];
    TCarried& p = c[e->Parent];
    if (e->Load.real() != 0) ++x.loads;
    // A node without a load of its own still passes on those behind it.
    p.loads += x.loads;
    x.sp += e->Load.real();
    x.sq += e->Load.imag();
    p.sp += x.sp;
    p.sq += x.sq;
    const int n = std::clamp(x.loads, 1, m);
    if (e->Kflow == 0) e->Kflow = table[static_cast<std::size_t>(n - 1)];
    x.sp *= e->Kflow;
    x.sq *= e->Kflow;
  }

  r.Root->U = Complex(110.0, r.Root->U.imag());
  r.SweepVoltages();
  for (TRegimeElement* e = r.FirstElement; e != nullptr; e = e->Next) {
    c[e].w = e->U;
    c[e].lp = c[e].lq = 0;
  }

  r.ResidualsU.clear();
  r.ResidualsLoop.clear();
  const double damp = r.DampU > 0 ? r.DampU : 1.0;
  double residual = 1000.0;
  int k = 0;
  while (k < r.MaxIter && residual > r.Accuracy && residual < 1e6 && !r.ModelError) {
    residual = 0;
    r.MaxResidualNode = nullptr;
    for (TRegimeElement* e = r.FirstElement; e != nullptr; e = e->Next) {
      if (e == r.Root || (e->Flags & (efUnsupplied | efOpenNumber2)) != 0) continue;
      TCarried& x = c[e];
      const Complex du = e->U - x.w;
      const double d = std::fabs(du.real()) + std::fabs(du.imag());
      x.w += damp * du;
      const double w2 = std::norm(x.w);
      x.lp += w2 * e->Gs * 1e-6;
      x.lq += w2 * e->Bs * 1e-6;
      const Complex load(x.sp + x.lp, x.sq - x.lq);
      e->I = w2 > 0 ? load * x.w / w2 : Complex();
      if (e->Parent != nullptr) {
        TCarried& p = c[e->Parent];
        p.lp += x.lp + std::norm(e->I) * e->R;
        p.lq += x.lq + std::norm(e->I) * e->X;
      }
      x.lp = x.lq = 0;
      if (d > residual) {
        residual = d;
        r.MaxResidualNode = e;
      }
    }
    r.SweepVoltages();
    // The first pass starts from the no-load voltages: its residual says nothing yet.
    if (k == 0) residual = 1000.0;
    ++k;
    if (r.OnIteration) r.OnIteration(k, r.MaxResidualNode ? r.MaxResidualNode->Number : 0, residual);
    r.ResidualsU.push_back(FixedText(residual, 6, 12));
    r.ResidualsLoop.push_back("0");
  }
  r.Converged = residual <= r.Accuracy;
}

bool CalculateCoincidenceRegime(TRegime& r, const std::string& path, const std::vector<float>& coefs,
                                std::vector<std::string>& errors, const std::function<void()>& notConverged) {
  const auto stage = [&r](const std::string& text) {
    if (r.OnStage) r.OnStage(text);
  };
  LoadNominalVoltages();
  TTaskLocks locks(&r);
  locks.Lock(path);
  PrepareTaskEngine(r, IniRec.FlagRQ);
  const TIniRec& ini = IniRec;
  try {
    r.ReadScheme(path);
    r.ApplyTimeData(ini.TypCalcPQ, ini.Tgr, ini.Date1, ini.Date2, ini.CalcDate, false);
  } catch (const std::exception& e) {
    errors.push_back(e.what());
    r.ModelError = true;
  }
  if (r.ModelError) return false;
  stage("Расчет коэф. совмещения ...  ");
  stage("Итерационный процесс ...  ");
  CalcCoincidenceRegime(r, coefs);
  if (!r.Converged && notConverged) notConverged();
  stage("Вывод результатов ...  ");
  WriteRegimeResults(r);
  r.SchemeRead = false;
  return true;
}

}  // namespace ld
