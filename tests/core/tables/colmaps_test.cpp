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

TEST(ColumnMaps, MissingOrMistypedFieldIsRefusedByName) {
  TempDir dir;
  LayoutScope scope(dir,
                    "Name=Пользователи\nExtention=.USR\nCount=3\nOrder=\n"
                    "s,100,30,0,1,1,0,0,UserName,Имя\ns,100,30,0,1,1,0,0,Password,Пароль\n"
                    "b,40,3,0,1,1,0,0,Access,Права\n\n"
                    "Name=Переключения\nExtention=.SWT\nCount=1\nOrder=\nl,60,8,0,1,1,0,0,Date,Дата\n\n"
                    "Name=Районы схемы\nExtention=.RAI\nCount=3\nOrder=\n"
                    "l,40,5,0,1,1,0,0,Nr,N\ns,100,30,0,1,1,0,0,Name,Имя\ns,40,5,0,1,1,0,0,Color,Цвет\n");
  TDataFile users;
  ReadMaket(LayoutUsers, users);
  CreateColumns(users, 2);
  TUserCols uc;
  EXPECT_EQ(ErrorOf([&] { FillUserCols(users, uc); }), "Поле \"UserData\" макета \"Пользователи\" не найдено");

  TDataFile journal;
  ReadMaket(LayoutSwitchLog, journal);
  CreateColumns(journal, 0);
  TSwitchLogCols jc;
  EXPECT_EQ(ErrorOf([&] { FillSwitchLogCols(journal, jc); }), "Поле \"Hour\" макета \"Переключения\" не найдено");

  TDataFile areas;  // Color is declared as text where the map reads a number
  ReadMaket(LayoutSchemeAreas, areas);
  CreateColumns(areas, 1);
  TSchemeAreaCols ac;
  EXPECT_EQ(ErrorOf([&] { FillSchemeAreaCols(areas, ac); }),
            "Поле \"Color\" макета \"Районы схемы\" имеет тип \"s\", нужен тип \"l\"");
}

TEST(ColumnMaps, SixteenBitFieldsTakeEitherDeclaredType) {
  TempDir dir;
  const std::string tail = "s,100,30,0,1,1,0,0,Name,Имя\n" + std::string("f,40,5,2,1,1,0,0,A0,A0\nf,40,5,2,1,1,0,0,A1,A1\n") +
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
    (*c.Nsh)[1] = type == 'i' ? -3 : 40000;
    (*c.Nsh)[2] = (*c.Nsh)[1];
    EXPECT_EQ(c.Nsh->Get(2), type == 'i' ? -3 : 40000);
    EXPECT_EQ(GetCellText(t, 2, 1, true), type == 'i' ? "-3" : "40000");  // stored in the column's own type
    EXPECT_EQ(c.Nsh->Get(7), 0);
  }
}

TEST(ColumnMaps, MapFollowsFieldsWhereverTheLayoutPutsThem) {
  TempDir dir;
  // The user columns in another order, with unrelated columns between them.
  LayoutScope scope(dir,
                    "Name=Пользователи\nExtention=.USR\nCount=6\nOrder=\n"
                    "b,40,3,0,1,1,0,0,Access,Права\nl,40,3,0,1,1,0,0,Extra,Лишнее\n"
                    "s,100,30,0,1,1,0,0,UserData,Данные\ns,100,30,0,1,1,0,0,Password,Пароль\n"
                    "d,40,3,0,1,1,0,0,More,Ещё\ns,100,30,0,1,1,0,0,UserName,Имя\n");
  TDataFile t;
  ReadMaket(LayoutUsers, t);
  CreateColumns(t, 2);
  TUserCols c;
  FillUserCols(t, c);
  EXPECT_EQ(c.RowCount, 2);
  c.UserName->SetItem(2, "Иванов");
  c.Password->SetItem(2, "x1");
  c.UserData->SetItem(2, "инженер");
  (*c.Access)[2] = 1;
  EXPECT_EQ(GetCellText(t, 2, 6, true), "Иванов");
  EXPECT_EQ(GetCellText(t, 2, 4, true), "x1");
  EXPECT_EQ(GetCellText(t, 2, 3, true), "инженер");
  EXPECT_EQ(GetCellText(t, 2, 1, true), "1");
  EXPECT_EQ(GetCellText(t, 2, 2, true), "");

  // A table without rows gives a map of no rows over real, empty arrays.
  TDataFile empty;
  ReadMaket(LayoutUsers, empty);
  CreateColumns(empty, 0);
  FillUserCols(empty, c);
  EXPECT_EQ(c.RowCount, 0);
  ASSERT_NE(c.UserName, nullptr);
  EXPECT_EQ(c.UserName->GetItem(1), "");
  EXPECT_EQ(c.Access, empty.Columns[1].get());
}

}  // namespace
}  // namespace ld
