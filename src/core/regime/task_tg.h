#pragma once
// tgφ of the flows by voltage class (10, 35 and 110 kV) from the results stored in a scheme's tables.
#include <string>
#include <vector>

namespace ld {

// The report: a header line, then one line per class with a non-zero active flow. A missing table file
// counts as an empty table.
std::vector<std::string> TgByVoltageClassReport(const std::string& schemePath);

}  // namespace ld
