// The scheme viewer: a scheme's diagram read-only in its own window, its menus, its settings sections.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/base/settings.h"
#include "core/diagram/model.h"
#include "gui/diagram/sch_box.h"
#include "gui/diagram/sch_view_form.h"
#include "support/diagram_fixture.h"
#include "support/modal_script.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::gui {
namespace {

using test::Child;
using test::ModalScript;
using test::Press;

std::vector<std::string> Captions(const QMenu* menu) {
  std::vector<std::string> items;
  for (const QAction* a : menu->actions()) items.push_back(a->isSeparator() ? "-" : a->text().toStdString());
  return items;
}

int Elements(const diagram::TSchemeModel& model) {
  int n = 0;
  for (diagram::PSElem e = model.First; e != nullptr; e = e->Next) ++n;
  return n;
}

QAction* Item(QMenu* menu, const char* caption) {
  for (QAction* a : menu->actions())
    if (a->text() == caption) return a;
  ADD_FAILURE() << "no item " << caption;
  throw std::runtime_error(caption);
}

class SchViewTest : public ::testing::Test {
protected:
  SchViewTest() : savedProgramDir_(ProgramDir), savedMaket_(MaketFileName), config_(ini_) {
    ProgramDir = dir_.Path().string() + "/";
    MaketFileName = (test::DataDir() / "maket.zr").string();
    // The colour section asks for mode 2: the call's mode wins.
    std::ofstream(ini_) << "[ColorV]\ntColors=2\n";
    stem_ = test::DistrictScheme().Write(dir_.Path(), "district");
  }
  ~SchViewTest() override {
    ProgramDir = savedProgramDir_;
    MaketFileName = savedMaket_;
  }
  void Show(const std::string& stem) { view_.ShowScheme(stem, "Вид схемы", "GraphicV", "ColorV", 4, false); }

  test::TempDir dir_;
  test::ScriptedMsgBox msg_;
  std::string ini_ = dir_ / "program.ini";
  std::string stem_;

private:
  std::string savedProgramDir_, savedMaket_;
  test::ConfigFileAt config_;

protected:
  TSchViewForm view_;
};

TEST_F(SchViewTest, ShowsSchemeWithViewerMenus) {
  Show(stem_);
  TSchemBox& box = view_.SchBox();
  EXPECT_TRUE(view_.isVisible());
  const int elements = Elements(*box.Model);
  const std::vector<std::string> viewerItems{"Печать", "Настройки", "Расцветка"};
  for (int call = 0; call < 2; ++call) {
    EXPECT_EQ(Captions(box.NodeMenu), std::vector<std::string>{"Свойства"});
    EXPECT_EQ(Captions(box.EmptyMenu), viewerItems);
    Show(stem_);
  }
  EXPECT_EQ(Elements(*box.Model), elements);

  // "Настройки": the model is built again at the settings confirmed.
  {
    ModalScript script;
    script.Then([](QDialog& d) {
      Child<QCheckBox>(d, "CheckBox4").click();
      Press(d, "OKBtn");
    });
    Item(box.EmptyMenu, "Настройки")->trigger();
  }
  EXPECT_FALSE(box.FIntegral);
  EXPECT_NE(Elements(*box.Model), elements);

  // Closing writes both sections back.
  view_.close();
  std::ifstream in(ini_);
  const std::string ini{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_NE(ini.find("FIntegral=0"), std::string::npos) << ini;

  // A scheme without its files: an empty diagram in an open window.
  Show((dir_ / "absent"));
  EXPECT_TRUE(box.NodeSet.empty());
  EXPECT_LE(Elements(*box.Model), 1);
  EXPECT_TRUE(msg_.Texts().empty());
}

}  // namespace
}  // namespace ld::gui
