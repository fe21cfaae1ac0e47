#include <gtest/gtest.h>

#include <filesystem>

#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/tables/table_file.h"
#include "core/tables/unom.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"
#include "tables_fixture.h"

namespace ld {
namespace {

using test::LayoutScope;
using test::TempDir;

std::vector<double> List() {
  const DAdouble& list = *IniRec.UnomList;
  return std::vector<double>(list.Data() + 1, list.Data() + 1 + list.Count);
}

class NominalVoltages : public ::testing::Test {
protected:
  void TearDown() override {
    IniRec = TIniRec{};
    MultiUserFlag = false;
  }
  TempDir dir_;
  LayoutScope scope_{(test::DataDir() / "maket.zr").string()};
  test::ScriptedMsgBox box_;
};

TEST_F(NominalVoltages, MissingCatalogueIsCreatedWithTheStandardVoltages) {
  ReadProgramSettings(dir_ / "ldtoril");
  EXPECT_TRUE(box_.Calls().empty());
  const std::vector<double> standard = {0.22, 0.38, 3, 6, 10, 20, 27.5, 35, 110, 150, 220, 330, 400, 500, 750};
  EXPECT_EQ(List(), standard);

  TDataFile t;
  ReadTableFile(dir_ / "sprav_UN.cat", t);
  EXPECT_EQ(t.Name, "Номинальные напряжения");
  EXPECT_EQ(t.Title, "Список номинальных напряжений");
  ASSERT_EQ(t.RowCount, 15);
  const auto& unom = *GetColumnAs<DAdouble>("Unom", t);
  EXPECT_EQ(std::vector<double>(unom.Data() + 1, unom.Data() + 16), standard);
  EXPECT_EQ(GetColumnAs<DAdouble>("dUm", t)->Get(5), 0);
}

TEST_F(NominalVoltages, FailureIsAReadErrorAndTheListStillExists) {
  SetProgramPaths(dir_ / "ldtoril");
  ReadConfig();
  LayoutScope noLayouts(dir_ / "none.zr");
  ReadNominalVoltageList();
  ASSERT_EQ(box_.Calls().size(), 1u);
  EXPECT_EQ(box_.Calls()[0].text, "Ошибка чтения файла конфигурации ldtoril.ini: Не найден файл макетов \"" +
                                      (dir_ / "none.zr") + "\"");
  EXPECT_EQ(IniRec.UnomList->Count, 15);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "sprav_UN.cat"));
}

}  // namespace
}  // namespace ld
