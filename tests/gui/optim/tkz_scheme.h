#pragma once
// The radius scheme of the short-circuit window tests.
#include "core/engine/scheme_builder.h"

namespace ld::test {

// Balancing node "B" (1, 10.5 kV); load node "S" (2), which the tests make a source behind j0.5 Ω;
// the fault node "F" (3) at the end of a line from S.
inline SchemeBuilder TkzRadiusScheme() {
  SchemeBuilder s;
  s.Node(1, "B").Name = "B";
  s.Nodes.back().Um = 10.5f;
  s.Node(2).Name = "S";
  s.Node(3).Name = "F";
  s.Branch(2, 1, 0.3, 0.3);
  s.Branch(3, 2, 0.5, 0.4);
  return s;
}

}  // namespace ld::test
