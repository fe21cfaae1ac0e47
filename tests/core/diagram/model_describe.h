#pragma once
// A diagram model as text lines, one per element, for comparing whole models in tests:
// "<NodeNr><<ParentNodeNr> <flags> '<caption>' r<NodeRow> b<BranchRow> s<Section>/<ParentSection>
//  [<sections>:<rows>] p<parent index> t<target index>" with the super-root as "root", and the
// reference list as "<element index>-><target index>" pairs.
#include <string>
#include <vector>

#include "core/diagram/model.h"

namespace ld::diagram::test {

std::vector<std::string> Describe(const TSchemeModel& model);
std::vector<std::string> DescribeRefs(const TSchemeModel& model);

}  // namespace ld::diagram::test
