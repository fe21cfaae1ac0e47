#pragma once
// The state of the one load balancing, shared by its registration, preparation and solver.
#include <vector>

#include "core/engine/fixflow.h"

namespace ld::fixflow {

// A controlled flow. Targets and calculated values are held in the element's own direction (parent to
// child): the registration turns the given values round when N1 is the child side.
struct Flow {
  TFixFlowGiven given;
  double p = 0, q = 0;        // given values in the element's direction
  double prevP = 0, prevQ = 0;  // calculated flow of the previous iteration
  double weight = 1;            // weight of its squared deviations
  Complex calc, target;         // present calculated power and its target
  // Change of the calculated power per unit current drawn at each site (real and imaginary unit).
  std::vector<Complex> s1, sj;
};

// A node whose load (group 0: Pn, Qn) or generation (group 1: Pg, Qg) is adjusted.
struct Node {
  TRegimeElement* element = nullptr;
  int group = 0;
  int site = 0;
  double initP = 0, initQ = 0;  // reference of the changes, the sign limits and the weights
  double dP = 0, dQ = 0;        // accumulated change
  double loadWeight = 1;
};

// A node element carrying adjustable nodes: where the sensitivities were measured, and its voltage target.
struct Site {
  TRegimeElement* element = nullptr;
  Complex u0;             // voltage at which the sensitivities were measured
  double target = 0;      // voltage magnitude to keep (kV); 0: none
  double voltWeight = 1;
  // Change of |U| here per unit current drawn at each site (real and imaginary unit).
  std::vector<double> v1, vj;
};

struct State {
  std::vector<Flow> flows;
  std::vector<Node> nodes;
  std::vector<Site> sites;
  std::vector<TFixFlowGiven> given;  // what FixFlowGivenFlows shows
};

State& Unit();

// The power the flow's element carries at its measured end, in the element's direction.
Complex MeasuredPower(const TRegimeElement* e);
// The target of a flow at the present voltages (kinds 3 and 6 follow the voltage at the measured end).
Complex FlowTarget(const Flow& f);

}  // namespace ld::fixflow
