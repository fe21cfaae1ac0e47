// The diagram settings dialog on a control's settings: every box and field, the flow kinds, the
// presets, the rebuild mark, the font and cancelling.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QWheelEvent>

#include "core/base/inifile.h"
#include "core/diagram/schem_state.h"
#include "elem_fixture.h"
#include "gui/common/choice_wheel.h"
#include "gui/common/screen_fit.h"
#include "gui/diagram/set_graph_form.h"

namespace ld::test {
namespace {

using diagram::TSchemBoxState;

struct BoxField {
  const char* name;
  bool TSchemBoxState::*flag;
};
// The boxes and the settings they show: the first, one in the middle and the last of the dialog.
const BoxField kBoxes[] = {{"CheckBox1", &TSchemBoxState::FOrdLayer},
                           {"CheckBox21", &TSchemBoxState::FlagDR},
                           {"CheckBox36", &TSchemBoxState::fMoveFlows}};

class SetGraphFormTest : public ElemDialogTest {
protected:
  SetGraphFormTest() : savedConfig_(ConfigFileName) {
    ConfigFileName = dir_ / "missing.ini";
    box_.LoadViewConfig("Graphic", "Colors");
    box_.Font.Name = "Times New Roman";
    box_.Font.SetSize(12);
  }
  ~SetGraphFormTest() override { ConfigFileName = savedConfig_; }

  bool Run() { return gui::ExecuteGraphSettingsDialog(box_, rebuild_); }
  // Every setting of the control as its settings file holds it.
  std::string Saved(TSchemBoxState& box) {
    const std::string file = dir_ / "saved.ini";
    std::filesystem::remove(file);
    ConfigFileName = file;
    box.SaveViewConfig("Graphic", "Colors");
    ConfigFileName = dir_ / "missing.ini";
    return ReadBytes(file);
  }
  static QCheckBox& Check(QDialog& d, const char* name) { return Child<QCheckBox>(d, name); }

  TSchemBoxState box_;
  bool rebuild_ = false;

private:
  std::string savedConfig_;
};

TEST_F(SetGraphFormTest, EveryControlShowsAndWritesItsSetting) {
  box_.FPaintNod = 2;
  box_.KYe = 1.7f, box_.KXzam = 3.125f, box_.KYmrk = 0.8f;
  box_.UPrec = 3, box_.IPrec = 1, box_.SPrec = 4, box_.IMul = 0.001, box_.SMul = 1;
  box_.FTypFlow = 2;
  IniRec.FSave10 = true, IniRec.FSaveCom = false;
  script_.Then([&](QDialog& d) {
    EXPECT_EQ(Child<QLabel>(d, "Label16").text(), "Times New Roman, 12 pt");
    EXPECT_EQ(Combo(d, "ComboBox1").currentText(), "по номеру+наим.");
    QStringList fields;
    for (const char* f : {"Edit1", "Edit4", "Edit5", "Edit10", "Edit12", "Edit13", "Edit14", "Edit15", "Edit16", "Edit17"})
      fields << Text(d, f);
    EXPECT_EQ(fields.join(' '), "1.7 1 0.75 3.125 0.8 3 1 4 0.001 1");
    // The flow kind is shown without its handler, which would clear the voltages.
    EXPECT_FALSE(Check(d, "CheckBox14").isChecked() || !Check(d, "CheckBox31").isChecked() ||
                 Check(d, "CheckBox25").isChecked());
    for (const BoxField& b : kBoxes) EXPECT_EQ(Check(d, b.name).isChecked(), box_.*b.flag) << b.name;
    Press(d, "OKBtn");
  });
  const std::string before = Saved(box_);
  EXPECT_TRUE(Run());
  EXPECT_EQ(Saved(box_), before) << "confirming unchanged controls keeps every setting";
  EXPECT_FALSE(rebuild_);

  // Each box alone writes its own setting and no other.
  for (const BoxField& b : kBoxes) {
    TSchemBoxState& box = box_;
    const bool was = box.*b.flag;
    script_.Then([&](QDialog& d) {
      Check(d, b.name).click();
      Press(d, "OKBtn");
    });
    ASSERT_TRUE(Run());
    EXPECT_EQ(box.*b.flag, !was) << b.name;
    box.*b.flag = was;
    EXPECT_EQ(Saved(box), before) << b.name << " changed another setting";
  }

  script_.Then([&](QDialog& d) {
    Combo(d, "ComboBox1").setCurrentIndex(0);
    Type(Child<QLineEdit>(d, "Edit17"), "1000");
    Check(d, "CheckBox31").click();
    Check(d, "CheckBox25").click();
    Press(d, "OKBtn");
  });
  EXPECT_TRUE(Run());
  EXPECT_EQ(box_.SMul, 1000);
  EXPECT_TRUE(!IniRec.FSave10 && IniRec.FSaveCom);
  EXPECT_TRUE(rebuild_) << "a change of the node captions";
}

TEST_F(SetGraphFormTest, EmptyOrNonNumericMetricKeepsTheCoefficient) {
  script_.Then([&](QDialog& d) {
    Type(Child<QLineEdit>(d, "Edit1"), "");
    EXPECT_EQ(Text(d, "Edit1"), "0");
    Type(Child<QLineEdit>(d, "Edit2"), "abc");
    EXPECT_EQ(Text(d, "Edit2"), "0");
    Type(Child<QLineEdit>(d, "Edit9"), "-1");
    Type(Child<QLineEdit>(d, "Edit11"), "0,9");
    Press(d, "OKBtn");
  });
  EXPECT_TRUE(Run());
  EXPECT_EQ((std::vector<float>{box_.KYe, box_.KXe, box_.KYzam, box_.KYlnk}), (std::vector<float>{1.3f, 1, 0.75f, 0.9f}));
}

// The settings are taller than the test screen: they scroll, each field and box keeps the height it
// needs to be read, and the buttons stay in sight.
TEST_F(SetGraphFormTest, OnAScreenLowerThanTheSettingsEveryControlKeepsItsHeight) {
  const gui::ScreenFitScope fit;
  script_.Then([&](QDialog& d) {
    d.show();
    QApplication::processEvents();
    const QRect area = d.screen()->availableGeometry();
    EXPECT_TRUE(area.contains(d.frameGeometry()));
    EXPECT_EQ(d.frameGeometry().height(), area.height()) << "as much of the settings as the screen holds";
    int squeezed = 0;
    for (QWidget* w : d.findChildren<QWidget*>())
      if ((qobject_cast<QLineEdit*>(w) || qobject_cast<QCheckBox*>(w)) && w->height() < w->minimumSizeHint().height())
        ++squeezed;
    EXPECT_EQ(squeezed, 0);
    QPushButton& ok = Child<QPushButton>(d, "OKBtn");
    EXPECT_TRUE(d.rect().contains(QRect(ok.mapTo(&d, QPoint(0, 0)), ok.size())));
    Press(d, "CancelBtn");
  });
  EXPECT_FALSE(Run());
}

// The wheel turned to scroll the settings crosses lists and boxes: none of them changes. Without the
// program's rule the same wheel turns "Перетоки" to the next kind, which ticks its display boxes.
TEST_F(SetGraphFormTest, TheWheelOverTheSettingsChangesNoListAndNoBox) {
  box_.FTypFlow = 0;
  box_.FlagI = false;
  const auto state = [](QDialog& d) {
    QStringList shown;
    for (const QComboBox* c : d.findChildren<QComboBox*>()) shown << c->objectName() + "=" + c->currentText();
    for (const QCheckBox* c : d.findChildren<QCheckBox*>()) shown << c->objectName() + (c->isChecked() ? "+" : "-");
    return shown.join(' ');
  };
  const auto wheel = [](QWidget& w, int notches) {
    const QPointF at(w.width() / 2.0, w.height() / 2.0);
    QWheelEvent event(at, w.mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&w, &event);
  };
  script_.Then([&](QDialog& d) {
    wheel(Combo(d, "ComboBox2"), -1);
    EXPECT_EQ(Combo(d, "ComboBox2").currentText(), "энергия");
    d.reject();
  });
  EXPECT_FALSE(Run());

  const gui::ChoiceWheelScope chosenOnly;
  script_.Then([&](QDialog& d) {
    const QString before = state(d);
    for (const int notches : {-1, -2, 1, 3}) {
      for (QComboBox* c : d.findChildren<QComboBox*>()) wheel(*c, notches);
      for (QCheckBox* c : d.findChildren<QCheckBox*>()) wheel(*c, notches);
      Combo(d, "ComboBox2").setFocus();
      wheel(Combo(d, "ComboBox2"), notches);
    }
    EXPECT_EQ(state(d), before);
    EXPECT_EQ(Combo(d, "ComboBox2").currentText(), "мощность");
    EXPECT_FALSE(Check(d, "CheckBox15").isChecked());
    Press(d, "OKBtn");
  });
  EXPECT_TRUE(Run());
  EXPECT_EQ(box_.FTypFlow, 0);
  EXPECT_FALSE(box_.FlagI);
}

TEST_F(SetGraphFormTest, FontAndCancelAfterAPreset) {
  const std::string before = Saved(box_);
  script_.Then([&](QDialog& d) {
    Combo(d, "ComboBox3").setCurrentIndex(3);
    Press(d, "CancelBtn");
  });
  EXPECT_FALSE(Run());
  EXPECT_EQ(Saved(box_), before) << "cancel after a preset";
  // A family that this machine has (the preset's is not among them): the one the dialog picks is kept.
  const QString family = QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family();
  ASSERT_NE(family.toStdString(), box_.Font.Name);
  script_
      .Then([&](QDialog& d) {
        Press(d, "Button1");
        Press(d, "OKBtn");
      })
      .Then([&](QDialog& d) {
        QFont font(family);
        font.setPointSize(14);
        static_cast<QFontDialog&>(d).setCurrentFont(font);
        d.accept();
      });
  EXPECT_TRUE(Run());
  EXPECT_EQ(box_.Font.Name + " " + std::to_string(box_.Font.Size()), family.toStdString() + " 14");
}

}  // namespace
}  // namespace ld::test
