#include <gtest/gtest.h>

#include <functional>

#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "support/test_env.h"
#include "tables_fixture.h"

namespace ld {
namespace {

using test::ErrorOf;
using test::LayoutScope;
using test::TempDir;

// Every map fills from the layout that "maket.zr" of the program folder gives its table kind.
TEST(ColumnMaps, EveryMapFillsFromTheProgramLayoutFile) {
  LayoutScope scope((test::DataDir() / "maket.zr").string());
  const std::vector<std::pair<const char*, std::function<void(const TDataFile&)>>> maps = {
      {LayoutDistrict10, [](const TDataFile& t) { TDistrict10Cols c; FillDistrict10Cols(t, c); }},
      {LayoutLines10, [](const TDataFile& t) { TLine10Cols c; FillLine10Cols(t, c); }},
      {LayoutLines04, [](const TDataFile& t) { TLine04Cols c; FillLine04Cols(t, c); }},
      {LayoutTransTP, [](const TDataFile& t) { TTransTPCols c; FillTransTPCols(t, c); }},
      {LayoutSubstInputs, [](const TDataFile& t) { TSubstInputCols c; FillSubstInputCols(t, c); }},
      {LayoutSubstFeeders, [](const TDataFile& t) { TSubstFeederCols c; FillSubstFeederCols(t, c); }},
      {LayoutConsumers, [](const TDataFile& t) { TConsumerCols c; FillConsumerCols(t, c); }},
      {LayoutConsumerList, [](const TDataFile& t) { TConsumerEnergyCols c; FillConsumerEnergyCols(t, c); }},
      {LayoutMeterPoints, [](const TDataFile& t) { TMeterPointCols c; FillMeterPointCols(t, c); }},
      {LayoutHouseholds, [](const TDataFile& t) { THouseholdCols c; FillHouseholdCols(t, c); }},
      {LayoutNodes, [](const TDataFile& t) { TNodeCols c; FillNodeCols(t, c); }},
      {LayoutBranches, [](const TDataFile& t) { TBranchCols c; FillBranchCols(t, c); }},
      {LayoutLoadChars, [](const TDataFile& t) { TLoadCharCols c; FillLoadCharCols(t, c); }},
      {LayoutLineFlows, [](const TDataFile& t) { TLineFlowCols c; FillLineFlowCols(t, c); }},
      {LayoutSchemeAreas, [](const TDataFile& t) { TSchemeAreaCols c; FillSchemeAreaCols(t, c); }},
      {LayoutNodeVoltages, [](const TDataFile& t) { TSectionCols c; FillSectionCols(t, c); }},
      {LayoutTransLoads, [](const TDataFile& t) { TTransLoadCols c; FillTransLoadCols(t, c); }},
      {LayoutLineLoads, [](const TDataFile& t) { TLineLoadCols c; FillLineLoadCols(t, c); }},
      {LayoutTransLosses, [](const TDataFile& t) { TTransLossCols c; FillTransLossCols(t, c); }},
      {LayoutLineLosses, [](const TDataFile& t) { TLineLossCols c; FillLineLossCols(t, c); }},
      {LayoutNodeEnergy, [](const TDataFile& t) { TNodeEnergyCols c; FillNodeEnergyCols(t, c); }},
      {LayoutBranchEnergy, [](const TDataFile& t) { TBranchEnergyCols c; FillBranchEnergyCols(t, c); }},
      {LayoutNodeConsumption, [](const TDataFile& t) { TNodeVoltDevCols c; FillNodeVoltDevCols(t, c); }},
      {LayoutTransEnergy, [](const TDataFile& t) { TTransEnergyCols c; FillTransEnergyCols(t, c); }},
      {LayoutLineEnergy, [](const TDataFile& t) { TLineEnergyCols c; FillLineEnergyCols(t, c); }},
      {LayoutTransEnergyLosses, [](const TDataFile& t) { TTransELossCols c; FillTransELossCols(t, c); }},
      {LayoutLineEnergyLosses, [](const TDataFile& t) { TLineELossCols c; FillLineELossCols(t, c); }},
      {LayoutTkzSources, [](const TDataFile& t) { TTkzSourceCols c; FillTkzSourceCols(t, c); }},
      {LayoutTkzRadius, [](const TDataFile& t) { TTkzBranchCols c; FillTkzBranchCols(t, c); }},
      {LayoutEnergyBalances, [](const TDataFile& t) { TLineBalanceCols c; FillLineBalanceCols(t, c); }},
      {LayoutSwitchLog, [](const TDataFile& t) { TSwitchLogCols c; FillSwitchLogCols(t, c); }},
      {LayoutCapCurrents, [](const TDataFile& t) { TCapCurrentCols c; FillCapCurrentCols(t, c); }},
      {LayoutUsers, [](const TDataFile& t) { TUserCols c; FillUserCols(t, c); }},
  };
  for (const auto& [layout, fill] : maps) {
    TDataFile t;
    ReadMaket(layout, t);
    CreateColumns(t, 0);
    EXPECT_EQ(ErrorOf([&] { fill(t); }), "<no error>") << layout;
    // Without its fields every map is refused, naming the field it missed and the layout.
    for (int k = 1; k <= t.NCols; ++k) t.FieldName[k] += "_";
    const std::string error = ErrorOf([&] { fill(t); });
    EXPECT_EQ(error.rfind("Поле \"", 0), 0u) << layout;
    EXPECT_TRUE(error.ends_with(std::string("\" макета \"") + layout + "\" не найдено")) << error;
  }
}

}  // namespace
}  // namespace ld
