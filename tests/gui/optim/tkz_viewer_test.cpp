// The short-circuit window's "На графике" in the program's scheme viewer.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QToolButton>
#include <filesystem>
#include <memory>

#include "core/base/codepage.h"
#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/engine/scheme_builder.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"
#include "gui/diagram/sch_box.h"
#include "gui/diagram/sch_view_form.h"
#include "gui/optim/form_tkz.h"
#include "gui/optim/tkz_scheme.h"
#include "support/modal_script.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

TEST(TkzViewer, RadiusShownInTheSchemeViewer) {
  TempDir dir;
  ScriptedMsgBox msg;
  const std::string savedConfig = ConfigFileName;
  ConfigFileName = dir / "program.ini";
  MaketFileName = (DataDir() / "maket.zr").string();
  ProgramDir = dir.Path().string() + "/";
  IniRec.Path = ProgramDir;
  UserAccess = 1;
  IniRec.RadiusIter = 1;
  IniRec.RadiusTKZ = {TkzRadiusScheme().Write(dir.Path(), "сеть")};
  const std::string data = (dir.Path() / "данные").string();
  for (const char* layout : {LayoutTkzSources, LayoutTkzRadius})
    CreateEmptyTableFile(data + GetMaketExtention(layout), layout, "данные");

  gui::TSchViewForm view;
  gui::SchViewForm = &view;
  const auto before = gui::SetTkzSchemeViewer(gui::ShowTkzScheme);
  {
    gui::TFormTKZ form;
    form.show();
    {
      ModalScript script;
      script.Then([&](QDialog& d) {
        auto& dialog = static_cast<QFileDialog&>(d);
        dialog.setDirectory(QString::fromStdString(dir.Path().string()));
        Child<QLineEdit>(dialog, "fileNameEdit").setText("данные.TKD");
        dialog.setResult(QDialog::Accepted);
      });
      form.OpenClick();
    }
    form.ListSch().setCurrentIndex(0);
    TDataFile& t = *form.DataGrid().GetTable();
    InsertTableRows(t, 1, 2);
    TTkzSourceCols c;
    FillTkzSourceCols(t, c);
    c.Name->SetItem(1, "S");
    (*c.Sign)[1] = Utf8ToCp1251("С")[0];
    (*c.X)[1] = 0.5f;
    (*c.U)[1] = 10.5f;
    c.Name->SetItem(2, "f");
    (*c.Sign)[2] = Utf8ToCp1251("К")[0];
    form.DataGrid().SetModified(true);
    form.DataGrid().Refresh();
    form.RadiusBtnClick();
    form.CalcBtnClick();
    Child<QToolButton>(form, "GraphBtn").click();
  }
  gui::SetTkzSchemeViewer(before);
  // The viewer read the radius before its files went, and shows it without waiting.
  gui::TSchemBox& box = view.SchBox();
  EXPECT_TRUE(view.isVisible());
  EXPECT_EQ(view.windowTitle(), "Расчетный радиус К.З. - данные");
  EXPECT_EQ(box.NodeSet.size(), 4u);
  EXPECT_GT(box.Model->Width, 0);
  EXPECT_EQ(box.tColors, 4);
  EXPECT_FALSE(box.WrapCaptions);
  view.close();
  const std::string ini = ReadBytes(ConfigFileName);
  EXPECT_NE(ini.find("[GraphicTKZ]"), std::string::npos);
  EXPECT_NE(ini.find("[ColorTKZ]"), std::string::npos);
  EXPECT_NE(ini.find("tColors=4"), std::string::npos);
  EXPECT_TRUE(msg.Texts().empty()) << msg.Texts().front();
  gui::SchViewForm = nullptr;
  IniRec.RadiusTKZ.clear();
  gui::TkzFileName.clear();
  ConfigFileName = savedConfig;
}

}  // namespace
}  // namespace ld::test
