// The iteration process and the whole calculation of a scheme.
#include <chrono>
#include <string>

#include "core/base/numfmt.h"
#include "core/engine/regime.h"

namespace ld {

namespace {

constexpr double kStartResidual = 1000.0;
constexpr float kDivergence = 1e6f;

double SteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// As the protocol prints its other numbers, whatever the C library's locale.
std::string Fixed6(double value) { return FloatToStrFixed(value, 6); }

}  // namespace

void TRegime::RunIterations() {
  const double start = SteadySeconds();
  if (ModelError || ZeroContours) return;
  if (OnStage) OnStage("Итерационный процесс");
  int repetitions = 0;
  for (;;) {
    ResidualsU.clear();
    ResidualsLoop.clear();
    MaxResidualNode = MaxPResidualNode = MaxQResidualNode = nullptr;
    if (!VoltagesSet) {
      InitVoltages();
      VoltagesSet = true;
    }
    const OrderSnapshot orders(*this);
    int k = 0;
    double dU = kStartResidual;
    double dL = 0;
    while (k < MaxIter && !(dU <= Accuracy && dL <= Accuracy) && !(dU >= kDivergence)) {
      IterationStep(k, dU, dL);
      ++k;
      if (OnIteration) OnIteration(k, MaxResidualNode != nullptr ? MaxResidualNode->Number : 0, dU);
      ResidualsU.push_back(Fixed6(dU));
      if (TotalContourCount > 0) ResidualsLoop.push_back(Fixed6(dL));
      if (ModelError) break;
    }
    Converged = dU <= Accuracy;
    if (Converged && FixModule && FixedCount >= 1) {
      // A node held at a reactive limit is one solver's business whichever algorithm holds the others.
      if (PVAlgorithm == 3 || (PVAlgorithm == 2 && QLimits)) {
        SolvePVWithQLimits(k);
      } else if (PVAlgorithm == 1 || PVAlgorithm == 2) {
        SolvePVAngles(k);
      }
    }
    if (Converged && RepeatCalc && repetitions < MaxIter) {
      ++repetitions;
      VoltagesSet = false;
      continue;
    }
    break;
  }
  IterationTime = SteadySeconds() - start;
}

void TRegime::IterationStep(int k, double& dU, double& dL) {
  NodeStep(dU);
  // The first node step measures against the start voltages, not against a regime: it never counts as
  // converged.
  if (k == 0) dU = kStartResidual;
  SweepCurrents();
  SweepVoltages();
  if (TotalContourCount > 0) CorrectContours(dL);
}

void TRegime::InnerIterations(int& iterations) {
  const OrderSnapshot orders(*this);
  int k = 0;
  double dU = kStartResidual;
  double dL = 0;
  while (k < MaxIter && (dU > Accuracy || dL > Accuracy)) {
    IterationStep(k, dU, dL);
    ++k;
    if (ModelError) break;
  }
  iterations += k;
  Converged = dU <= Accuracy;
}

void TRegime::Calculate(const std::string& path, std::uint8_t TypCalcPQ, double Date1, double Date2,
                        double CalcDate, int Tgr) {
  const std::string schemePath = path;  // ReadScheme clears SchemePath, which may be the argument
  TotalTime = SteadySeconds();
  // A model built with nodes held at a limit by an earlier calculation no longer matches the tables.
  if (!ExcludedPV.empty() || modelHoldsPV_) SchemeRead = false;
  ExcludedPV.clear();
  PVProtocol.clear();
  savedQg_.clear();
  int passes = 0;
  try {
    for (;;) {
      Converged = false;
      ModelError = false;
      PrepareTime = SteadySeconds();
      if (!SchemeRead) ReadScheme(schemePath);
      ApplyTimeData(TypCalcPQ, Tgr, Date1, Date2, CalcDate, false);
      if (!MatricesFormed) FormMatrices();
      PrepareTime = SteadySeconds() - PrepareTime;
      RunIterations();
      if (!QLimits || !ReassignQLimitedPV()) break;
      if (++passes > MaxIter) {
        Converged = false;
        break;
      }
      SchemeRead = false;
    }
  } catch (...) {
    RestoreAllUserQg();
    TotalTime = SteadySeconds() - TotalTime;
    throw;
  }
  RestoreAllUserQg();
  TotalTime = SteadySeconds() - TotalTime;
}

}  // namespace ld
