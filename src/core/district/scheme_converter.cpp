// The program's converter behind the forming command: the district tables through FormCalcScheme with
// the forming settings of the settings record.
#include "core/base/settings.h"
#include "core/district/form_scheme.h"
#include "core/district/scheme_forming.h"

namespace ld {

TSchemeConverter DefaultSchemeConverter() {
  return [](const std::string& baseStem, bool feederMode, const std::vector<std::string>& feeders, TDataFile& nodes,
            TDataFile& branches, TDataFile& flows, const TProgressProc& progress, std::vector<std::string>& messages,
            TDistrictStamps& base) {
    TFormSchemeOptions options = TFormSchemeOptions::FromSettings(IniRec);
    options.FeederSelection = feederMode;
    int nodeCount = 0, branchCount = 0, supplyCount = 0;  // the tables' row counts tell the same
    FormCalcScheme(baseStem, IniRec.Path, options, nodes, branches, flows, nodeCount, branchCount, supplyCount,
                   progress, feeders, messages, &base);
  };
}

}  // namespace ld
