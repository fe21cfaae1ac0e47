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

// A map fills from the layout that "maket.zr" of the program folder gives its table kind: the first, one
// named apart from its table, the journal and the last.
TEST(ColumnMaps, MapsFillFromTheProgramLayoutFile) {
  LayoutScope scope((test::DataDir() / "maket.zr").string());
  const std::vector<std::pair<const char*, std::function<void(const TDataFile&)>>> maps = {
      {LayoutDistrict10, [](const TDataFile& t) { TDistrict10Cols c; FillDistrict10Cols(t, c); }},
      {LayoutNodeConsumption, [](const TDataFile& t) { TNodeVoltDevCols c; FillNodeVoltDevCols(t, c); }},
      {LayoutSwitchLog, [](const TDataFile& t) { TSwitchLogCols c; FillSwitchLogCols(t, c); }},
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
