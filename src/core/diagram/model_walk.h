#pragma once
// The stages of building a diagram model, open to the tests that check the fast walk against the
// plain one: the working lists of nodes and branches, the breadth-first orientation of the branches,
// the elements made from the oriented lists, and the parent and target links.
#include <cstdint>
#include <string>
#include <vector>

#include "core/diagram/model.h"

namespace ld::diagram {

class TSchemBoxState;

// Marks of a working branch.
enum : std::uint8_t { wmOffBegin = 1, wmOffEnd = 2, wmReversed = 4, wmFixedOff = 8, wmRing = 16 };

struct TWalkNode {
  std::int32_t Nr = 0;
  std::int32_t Row = 0;
  std::string Caption;  // the name as built, or the group name
  bool TapOff = false;
  TSect Sections;       // section numbers, ascending
  TSect SectionRows;    // node-table row of each section
};

struct TWalkBranch {
  std::int32_t N1 = 0, N2 = 0;      // begin and end; after the walk the downstream and upstream node
  std::int32_t Sec1 = 0, Sec2 = 0;  // section numbers at the table's N1 and N2 (0: none)
  std::uint8_t Marks = 0;
  std::int32_t Down = 0;            // position (from 1) of the downstream node once placed
  std::int32_t Row = 0;
};

struct TWalkData {
  std::vector<TWalkNode> Nodes;  // position p is Nodes[p - 1]; the vertices first
  int V = 0;                     // number of vertices
  std::vector<TWalkBranch> Branches;
  bool Sections = false;         // bus sections are shown
};

// Positions after the walk: nodes 1..P are placed, P + 1..N unsupplied; branches before C1 lie in
// the supplied part, C1..C2 - 1 in the unsupplied part, C2 and later touch no listed node.
struct TWalkResult {
  int P = 0, C1 = 1, C2 = 1;
};

// Steps up to the walk: filtered sets, names, grouping, vertices first, commutation marks.
TWalkData PrepareWalk(TSchemBoxState& box, std::vector<std::int32_t>& nodeSet, std::vector<std::int32_t>& lineSet);
// The breadth-first orientation; nodes and branches end in their final positions.
TWalkResult OrientBranches(TWalkData& data);
// The super-root, the node elements and the branch elements of the oriented lists.
void MakeElements(TSchemBoxState& box, const TWalkData& data, const TWalkResult& walk, TSchemeModel& model);
void LinkParents(TSchemeModel& model);
// Targets of the reference and unsupplied elements with RefList and TargetList; the first element
// whose node no element draws, or nullptr.
PSElem LinkTargets(TSchemeModel& model);

}  // namespace ld::diagram
