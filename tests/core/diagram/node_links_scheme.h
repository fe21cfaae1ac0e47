#pragma once
// The scheme of the node branch list tests: ПС1 with its 110 kV bus (1), two sections (2, 3) and a
// bypass bus (6) feeds ТП3 (4) and ТП4 (5), joined to each other; ТП9 (7) has no branch. Branch rows:
// 1-2, 1-3, 2-3, 2-4, 3-5, 4-5, 1-6.
#include "core/engine/scheme_builder.h"

namespace ld::test {

inline SchemeBuilder SubstationWithSections() {
  SchemeBuilder s;
  const char* names[] = {"ПС1.ВН", "ПС1.1", "ПС1.2", "ТП3", "ТП4", "ПС1.ОВ", "ТП9"};
  for (int ns = 1; ns <= 7; ++ns) {
    NodeSpec& n = s.Node(ns, ns == 1 ? "B" : "", ns >= 4 ? 0.2 : 0, ns >= 4 ? 0.1 : 0);
    n.Name = names[ns - 1];
    n.Um = ns == 1 || ns == 6 ? 110 : 10;
  }
  const int ends[][2] = {{1, 2}, {1, 3}, {2, 3}, {2, 4}, {3, 5}, {4, 5}, {1, 6}};
  for (const auto& b : ends) s.Branch(b[0], b[1], 1, 2);
  s.Branches[0].Kta = s.Branches[1].Kta = 11;
  return s;
}

}  // namespace ld::test
