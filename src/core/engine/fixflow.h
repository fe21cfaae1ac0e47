#pragma once
// Load balancing: fits the loads of a scheme's nodes to measured flows of chosen branches (and, when
// asked, to measured node voltages) by repeated regime calculations, each followed by a least-squares
// correction of the adjustable loads. One balancing at a time: the state is the unit's own, from
// FixFlowInit to FixFlowDone.
//
//   FixFlowInit; FixFlowAddGivenFlow ...; FixFlowPrepare; FixFlowSetWeights;
//   FixFlowSolve (again after FixFlowSaveLoads for the next time slice); FixFlowDone
//
// Settings: the [Balans] keys of IniRec. Powers in MW and Mvar, currents of kind 3 in A.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/engine/regime.h"

namespace ld {

// Work bits 28-31 of the element flags while a balancing runs.
enum : std::uint32_t {
  efFlowOwnEnd = 0x10000000,     // the measurement lies at the element's own end
  efFlowParentEnd = 0x20000000,  // ... at its parent's end
  efFlowCurrent = 0x40000000,    // kind 3: given current magnitude (A) and tg(f)
  efFlowComponents = 0x80000000,  // kind 6: given current components (kA)
};

// Hooks of the calling window; each may stay empty.
extern std::function<bool()> FixFlowStopQuery;                  // after every regime run: true stops
extern std::function<void(const std::string&)> FixFlowLog;     // every report line and message
extern std::function<void(int)> FixFlowProgress;               // 0..100

// Number of flows registered since FixFlowInit.
extern int FixFlowGivenCount;

// One controlled flow as the caller registered it and as the balancing left it. Initial and Result are
// the calculated powers at the measured end in the given direction (N1 to N2), MW and Mvar.
struct TFixFlowGiven {
  TRegimeElement* Element = nullptr;
  std::int32_t Row = 0;
  double P = 0, Q = 0;  // given values as registered
  int Direction = 1;    // +1: N1 is the parent side of the element
  double Weight = 1;
  std::uint16_t Kind = 0;
  Complex Initial, Result;
  bool Unbalanced = false;  // left off its target in the final report
};
const std::vector<TFixFlowGiven>& FixFlowGivenFlows();

void FixFlowInit();
// Registers the flow of the branch joining N1 and N2 (either orientation; a source's input is N1 =
// kRootNumber) searched from First along Next. P, Q: kind 3 the current (A) and tg(f), kind 6 the current
// components (kA), other kinds the power, from N1 towards N2. EndFlag set: measured at N1, else at N2.
// Returns 0 when the model has no such branch, else the kind's flag ORed with 1.
std::uint32_t FixFlowAddGivenFlow(TRegimeElement* First, std::int32_t Row, std::int32_t N1, std::int32_t N2,
                                  float Weight, double P, double Q, std::uint16_t Kind, std::uint16_t EndFlag);
// Collects the adjustable nodes and the sensitivities of the measured flows (and node voltages) to
// their loads. The model must be read with its matrices formed; its state is left as it was.
void FixFlowPrepare(TRegime& Regime);
void FixFlowSetWeights();
// Balances; the model's loads hold the balanced values afterwards. Balanced is false when a flow is left
// off its target, the regime does not converge, the model has an error or a stop was asked for.
void FixFlowSolve(TRegime& Regime, bool& Balanced);
// The same, telling a failure from a mere unbalance: false with Error ("Режим не сходится", "Ошибка в
// модели схемы", "Расчет прерван") when the loads must not be used; true when they may, Balanced then
// telling whether every flow met its target.
bool FixFlowSolve(TRegime& Regime, bool& Balanced, std::string& Error);
// The present loads and generations of the adjustable nodes become their initial values.
void FixFlowSaveLoads();
// A new target (P, Q in the direction it was given) for the given flow of index 0..FixFlowGivenCount-1,
// in the order they were added; the sensitivities stay.
void FixFlowSetGiven(std::size_t index, double P, double Q);
void FixFlowDone();

// Voltage, power and current at the measured end of a branch element (the own end when it carries
// efFlowOwnEnd without efFlowParentEnd, else the parent's), the branch shunt split as the engine places
// it. A branch switched off at both ends gives zeros.
void FixFlowBranchFlows(const TRegimeElement* Element, Complex& U, double& P, double& Q, Complex& I);
// Series losses |I|²·R, |I|²·X and the losses in the branch's shunts at both ends; zeros for a branch
// switched off at both ends or without supply.
void FixFlowBranchLosses(const TRegimeElement* Element, double& dP, double& dQ, double& dPsh, double& dQsh);

}  // namespace ld
