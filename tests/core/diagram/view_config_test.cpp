#include <gtest/gtest.h>

#include "core/base/codepage.h"
#include "core/base/inifile.h"
#include "core/base/settings.h"
#include "core/diagram/schem_state.h"
#include "support/diagram_fixture.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::diagram {
namespace {

using test::ConfigFileAt;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

void WriteIni(const std::string& path, const std::string& utf8) { WriteBytes(path, Utf8ToCp1251(utf8)); }

TEST(ViewConfig, EmptyFileGivesDefaultsAndReadsTolerantValues) {
  TempDir dir;
  ConfigFileAt config(dir / "prog.ini");
  test::UnomClasses classes({0.4, 6, 10});
  test::ScriptedMsgBox box;
  TSchemBoxState s;
  s.LoadViewConfig("Graphic", "Colors");
  EXPECT_EQ(s.Font.Name + " " + std::to_string(s.Font.Size()), "Arial 10");
  EXPECT_EQ(s.ClassVoltages, (std::vector<std::int32_t>{40, 600, 1000}));

  for (const char* value : {"1,3", "1.3", ""}) {
    WriteIni(dir / "prog.ini", std::string("[Graphic]\nKYe=") + value + "\nFntStyle=3\n");
    TSchemBoxState t;
    t.LoadViewConfig("Graphic", "Colors");
    EXPECT_FLOAT_EQ(t.KYe, 1.3f) << value;
    EXPECT_EQ(t.Font.Style, fsBold | fsItalic);
  }
  // A size no font can have scales as on the platform: the overflow gives a font one pixel high.
  for (const char* size : {"1610612736", "-1610612736", "2147483647"}) {
    WriteIni(dir / "prog.ini", std::string("[Graphic]\nFntSize=") + size + "\n");
    TSchemBoxState t;
    t.LoadViewConfig("Graphic", "Colors");
    EXPECT_EQ(t.Font.Height, 1) << size;
  }
}

TEST(ViewConfig, ClassListsGoByFileOrderAndSurviveSaving) {
  TempDir dir;
  ConfigFileAt config(dir / "prog.ini");
  test::ScriptedMsgBox box;
  WriteIni(dir / "prog.ini",
           "[Graphic]\nFSave10=1\nFullTree=0\n[vUn]\n110=110\n35=35\n[cUn]\n7=255\n3=65280\n[wLn]\n1=3\n2=1\n");
  TSchemBoxState s;
  s.LoadViewConfig("Graphic", "Colors");
  EXPECT_EQ(s.vUn, (std::vector<float>{110, 35}));

  // A host that reads once and saves at every close keeps its classes.
  s.SaveViewConfig("Graphic", "Colors");
  s.SaveViewConfig("Graphic", "Colors");
  TMemIniFile ini(dir / "prog.ini");
  EXPECT_EQ(ini.ReadSectionValues("vUn"), (std::vector<std::string>{"1=110", "2=35"}));
  // Reading again replaces the classes, never appends to them.
  s.LoadViewConfig("Graphic", "Colors");
  EXPECT_EQ(s.vUn, (std::vector<float>{110, 35}));
  EXPECT_EQ(s.cUn.size() + s.wLn.size(), 4u);
  // Load, save, load, save: the second save changes no byte.
  const std::string once = ReadBytes(dir / "prog.ini");
  TSchemBoxState t;
  t.LoadViewConfig("Graphic", "Colors");
  t.SaveViewConfig("Graphic", "Colors");
  EXPECT_EQ(ReadBytes(dir / "prog.ini"), once);

  EXPECT_TRUE(box.Calls().empty());
}

TEST(ViewConfig, ReadAndWriteErrorsNameTheFile) {
  TempDir dir;
  ConfigFileAt config(dir / "prog.ini");
  test::ScriptedMsgBox box;
  WriteIni(dir / "prog.ini", "[Graphic]\nKXe=2\n[vUn]\n1=10\n2=0,4\n[cUn]\n1=255\n2=x\n[wLn]\n1=5\n");
  TSchemBoxState s;
  s.cUn = {7};
  s.wLn = {9};
  s.LoadViewConfig("Graphic", "Colors");
  ASSERT_EQ(box.Texts(), (std::vector<std::string>{"Ошибка чтения файла конфигурации prog.ini"}));
  EXPECT_EQ(s.vUn, (std::vector<float>{10, 0.4f}));
  EXPECT_EQ(s.cUn, (std::vector<std::int32_t>{7}));
  EXPECT_TRUE(s.ClassVoltages.empty());

  box.Clear();
  ConfigFileAt missingFolder(dir / "no-folder/prog.ini");
  s.SaveViewConfig("Graphic", "Colors");
  EXPECT_EQ(box.Texts(), (std::vector<std::string>{"Ошибка записи файла конфигурации prog.ini"}));
}

}  // namespace
}  // namespace ld::diagram
