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

// A 16-bit integer field takes a column declared signed or unsigned, each stored in its own type; any
// other type is refused naming both.
TEST(ColumnMaps, SixteenBitFieldsTakeEitherDeclaredType) {
  TempDir dir;
  const std::string tail = "s,100,30,0,1,1,0,0,Name,Имя\nf,40,5,2,1,1,0,0,A0,A0\nf,40,5,2,1,1,0,0,A1,A1\n"
                           "f,40,5,2,1,1,0,0,A2,A2\nf,40,5,2,1,1,0,0,B0,B0\nf,40,5,2,1,1,0,0,B1,B1\n"
                           "f,40,5,2,1,1,0,0,B2,B2\n";
  for (const char type : {'i', 'w', 'l'}) {
    LayoutScope scope(dir, "Name=Стат.хар.нагрузки\nExtention=.SHN\nCount=8\nOrder=\n" + std::string(1, type) +
                               ",40,5,0,1,1,0,0,Nsh,N\n" + tail);
    TDataFile t;
    ReadMaket(LayoutLoadChars, t);
    CreateColumns(t, 2);
    TLoadCharCols c;
    if (type == 'l') {
      EXPECT_EQ(ErrorOf([&] { FillLoadCharCols(t, c); }),
                "Поле \"Nsh\" макета \"Стат.хар.нагрузки\" имеет тип \"l\", нужен тип \"i\" или \"w\"");
      continue;
    }
    FillLoadCharCols(t, c);
    (*c.Nsh)[2] = type == 'i' ? -3 : 40000;
    EXPECT_EQ(c.Nsh->Get(2), type == 'i' ? -3 : 40000);
    EXPECT_EQ(GetCellText(t, 2, 1, true), type == 'i' ? "-3" : "40000");  // stored in the column's own type
  }
}

}  // namespace
}  // namespace ld
