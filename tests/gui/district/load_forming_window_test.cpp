// "Формирование загрузки ТП, РП" and "Анализ распределения нагрузки" through the district window: the
// options dialog worked with real clicks and keys, the tables rewritten, the report in Info.
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

#include "core/base/numfmt.h"
#include "gui/district/load_w_form.h"
#include "district_fixture.h"

namespace ld::test {
namespace {

using Lines = std::vector<std::string>;

class LoadFormingWindow : public DistrictWindow {
protected:
  template <typename W>
  static void Tick(W* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
  }
  Lines InfoLines() const {
    Lines lines;
    for (QTextBlock b = form->Info->document()->begin(); b.isValid(); b = b.next())
      lines.push_back(b.text().toStdString());
    return lines;
  }
  // A base with a line table and the tables given by their layouts.
  void MakeBase(const std::vector<std::pair<const char*, Rows>>& tables) {
    WriteRows(Base() + ".RSL", LayoutLines10, {{"1", "", "А", "Б"}});
    for (const auto& [layout, rows] : tables) WriteRows(Base() + GetMaketExtention(layout), layout, rows);
  }
};

TEST_F(LoadFormingWindow, DialogShowsTheSettingsAndKeepsItsChoicesConsistent) {
  IniRec.PromTg = 0.45f;
  IniRec.BytTg = 0.2f;
  IniRec.LoadTr = 12.5f;
  IniRec.LoadLin04 = true;
  IniRec.FlagWFid04 = 1;
  IniRec.OutNullTr = false;
  IniRec.UnevenWtr = true;
  script.Then([&](QDialog& d) {
    EXPECT_EQ(d.windowTitle().toStdString(), "Формирование загрузки ТП,РП");
    auto& prom = Child<QLineEdit>(d, "PromTgEdit");
    auto& load = Child<QLineEdit>(d, "LoadTrEdit");
    auto& lines = Child<QCheckBox>(d, "Lin04Box");
    auto& uneven = Child<QCheckBox>(d, "UnevenInfoBox");
    auto& nullTr = Child<QCheckBox>(d, "NullTrBox");
    EXPECT_EQ(prom.text(), "0.45");
    EXPECT_EQ(Child<QLineEdit>(d, "BytTgEdit").text(), "0.2");
    EXPECT_EQ(load.text(), "12.5");
    EXPECT_TRUE(Child<QRadioButton>(d, "Section04").isChecked());
    EXPECT_FALSE(Child<QRadioButton>(d, "Length04").isChecked());
    EXPECT_TRUE(uneven.isChecked());
    // the spreading over the lines excludes the switch-offs
    EXPECT_TRUE(Child<QRadioButton>(d, "Length04").isEnabled());
    EXPECT_FALSE(nullTr.isEnabled());
    EXPECT_FALSE(uneven.isEnabled());
    EXPECT_FALSE(Child<QLabel>(d, "Label1").isEnabled());
    EXPECT_FALSE(load.isEnabled());
    Tick(&lines);
    EXPECT_FALSE(Child<QRadioButton>(d, "Section04").isEnabled());
    EXPECT_TRUE(nullTr.isEnabled());
    EXPECT_TRUE(uneven.isEnabled());
    EXPECT_TRUE(load.isEnabled()) << "with the uneven switch-off";
    Tick(&uneven);
    EXPECT_FALSE(load.isEnabled());
    Tick(&uneven);
    EXPECT_TRUE(load.isEnabled());
    EXPECT_EQ(d.focusWidget(), &load) << "the threshold is typed next";
    Tick(&nullTr);

    // a text that is no number goes as it is typed
    QTest::keyClicks(&load, "x");
    EXPECT_EQ(load.text(), "");
    QTest::keyClicks(&load, "7,5");
    prom.setFocus();
    prom.selectAll();
    QTest::keyClicks(&prom, "0.6");
    Press(d, "OKBtn");
  });
  ASSERT_TRUE(gui::ExecuteLoadFormingDialog());
  EXPECT_FLOAT_EQ(IniRec.PromTg, 0.6f);
  EXPECT_FLOAT_EQ(IniRec.LoadTr, 7.5f);
  EXPECT_FALSE(IniRec.LoadLin04);
  EXPECT_EQ(IniRec.FlagWFid04, 1);
  EXPECT_TRUE(IniRec.OutNullTr);
  EXPECT_TRUE(IniRec.UnevenWtr);

  script.Then([&](QDialog& d) {
    Tick(&Child<QCheckBox>(d, "Lin04Box"));
    Tick(&Child<QRadioButton>(d, "Length04"));
    Child<QLineEdit>(d, "BytTgEdit").clear();
    Press(d, "CancelBtn");
  });
  EXPECT_FALSE(gui::ExecuteLoadFormingDialog());
  EXPECT_FALSE(IniRec.LoadLin04) << "nothing stored";
  EXPECT_FLOAT_EQ(IniRec.BytTg, 0.2f);

  script.Then([&](QDialog& d) {
    Tick(&Child<QCheckBox>(d, "Lin04Box"));
    Tick(&Child<QRadioButton>(d, "Length04"));
    Child<QLineEdit>(d, "BytTgEdit").clear();
    Press(d, "OKBtn");
  });
  EXPECT_TRUE(gui::ExecuteLoadFormingDialog());
  EXPECT_TRUE(IniRec.LoadLin04);
  EXPECT_EQ(IniRec.FlagWFid04, 0);
  EXPECT_EQ(IniRec.BytTg, 0) << "an empty edit is 0";
}

TEST_F(LoadFormingWindow, FormingRewritesTheTablesAndShowsTheStations) {
  MakeBase({{LayoutTransTP, {{"", "ТП-5", "Т1"}, {"", "ТП-5", "Т2"}}},
            {LayoutHouseholds, {{"ТП-5", "", "", "", "-10"}, {"ТП-5", "", "", "", "1000"}}}});
  Show();
  Open();
  ASSERT_EQ(Label(), LayoutLines10);
  script.Then([](QDialog& d) {
    auto& lines = Child<QCheckBox>(d, "Lin04Box");
    if (lines.isChecked()) lines.click();
    Child<QCheckBox>(d, "NullTrBox").click();
    Press(d, "OKBtn");
  });
  form->ImportWItem->trigger();
  EXPECT_EQ(script.Shown(), 2);
  EXPECT_TRUE(box.Calls().empty()) << box.Texts().front();
  EXPECT_EQ(InfoLines(), (Lines{"[База промышленных абонентов]", "", "[База бытовых абонентов]",
                                "Быт.абон., строка 1 : на ТП-5 значение W < 0", "", "[Отключение незагруженных тр-ров]",
                                "ТП-5 Т2", "", "[Анализ нагрузки]"}));
  EXPECT_TRUE(form->Info->isVisible());
  EXPECT_FALSE(form->ProcBar->isVisible());
  EXPECT_FALSE(form->ProcLabel->isVisible());
  EXPECT_EQ(Label(), LayoutTransTP) << "the stations shown as formed";
  EXPECT_EQ(Cell("Pn", 1), "1000");
  EXPECT_EQ(Cell("Qn", 1), "200");
  EXPECT_EQ(Cell("T", 1), "-4");
  EXPECT_EQ(Cell("Commut", 2), "Р");
  EXPECT_EQ(Cell("NameC", 2), "Т1");
  const TDataFile households = Table(Base() + ".BBA");
  EXPECT_EQ(GetCellText(households, 2, FindColumnIndex("LinkTP", households), true), "ТП-5.Т1");
  for (const auto& f : std::filesystem::directory_iterator(dir.Path()))
    EXPECT_NE(f.path().filename().string().back(), '~') << f.path();
  EXPECT_TRUE(std::filesystem::exists(Base() + ".R04")) << "every table of the run is written";

  // "Отменить" leaves the base alone
  const std::string before = ReadBytes(Base() + ".RTP");
  script.Then([](QDialog& d) { Press(d, "CancelBtn"); });
  form->ImportWItem->trigger();
  EXPECT_EQ(ReadBytes(Base() + ".RTP"), before);
}

TEST_F(LoadFormingWindow, AnalysisPrintsTheBalanceIntoInfo) {
  MakeBase({{LayoutHouseholds, {{"ТП-5", "", "", "", "2500", "", "ТП-5.Т1"}}}});
  Show();
  Open();
  form->AnalizItem->trigger();
  const Lines info = InfoLines();
  ASSERT_EQ(info.size(), 42U);
  EXPECT_EQ(info[0], "База пром. и быт.");
  EXPECT_EQ(info[5].rfind("    быт.  абон.   :", 0), 0U) << info[5];
  EXPECT_EQ(info[40].rfind("Небаланс          :", 0), 0U) << info[40];
  EXPECT_NE(info[5].find("2" + FormatSettings.ThousandSeparator + "500 кВтч"), std::string::npos) << info[5];
  EXPECT_TRUE(form->Info->isVisible());
  EXPECT_FALSE(form->ProcBar->isVisible());
  EXPECT_EQ(Label(), LayoutLines10) << "the grid is left as it was";
}

}  // namespace
}  // namespace ld::test
