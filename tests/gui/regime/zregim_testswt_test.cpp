// "Тест переключений" of the regime window: the dialog's period and norms, the protocol in the
// information panel and the reports beside the scheme.
#include <QCheckBox>
#include <QDateEdit>
#include <QProgressBar>
#include <QTextEdit>
#include <QToolButton>
#include <filesystem>

#include "core/base/codepage.h"
#include "core/base/dates.h"
#include "core/regime/switch_test.h"
#include "zregim_fixture.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

class RegimeSwitchTest : public RegimeWindow {
protected:
  RegimeSwitchTest() {
    // ТП3 stands open behind ТП2: one node without supply all the time
    SchemeBuilder s;
    s.Title = "Фидер";
    Station(s, 1, "ПС1.1", "B");
    Station(s, 2, "ТП2", "", 0.1);
    Station(s, 3, "ТП3", "", 0.1);
    s.Branch(2, 1, 1, 1);
    s.Branch(3, 2, 1, 1).Commut = "О";
    path = s.Write(dir.Path(), "Фидер");
    Open(path);
    WriteCurDateSwt(path, EncodeDate(2004, 3, 5));
    IniRec.Date1 = IniRec.Date2 = EncodeDate(2004, 3, 5);
    IniRec.NoSupNorm = 1;
  }
};

TEST_F(RegimeSwitchTest, DialogPeriodAndNormsRunTheTestIntoThePanelAndTheReports) {
  EXPECT_FALSE(form->TestSwtItem->isVisible());
  script.Then([](QDialog& d) {
    EXPECT_EQ(Child<QLineEdit>(d, "_NoSup").text().toStdString(), "1");
    EXPECT_EQ(Child<QDateEdit>(d, "_Date2").date(), QDate(2004, 3, 5));
    Child<QDateEdit>(d, "_Date1").setDate(QDate(2004, 3, 6));
    Press(d, "OKBtn");
  });
  form->TestSwtItem->trigger();
  EXPECT_EQ(box.Texts(), (std::vector<std::string>{"Дата начала больше конечной даты"}));
  EXPECT_DOUBLE_EQ(IniRec.Date1, EncodeDate(2004, 3, 5));
  EXPECT_FALSE(fs::exists(OutageReportFile(path)));

  // no journal: the whole period in one line; the deviation report not asked for
  script.Then([](QDialog& d) {
    Child<QLineEdit>(d, "_Cont").setText("2");
    Child<QCheckBox>(d, "_NoSnrRpt").setChecked(false);
    Press(d, "OKBtn");
  });
  form->TestSwtItem->trigger();
  EXPECT_EQ(box.Texts().size(), 1u);
  EXPECT_EQ(IniRec.ContNorm, 2);
  EXPECT_EQ(form->InfoLines(),
            (std::vector<std::string>{
                "Норма узлов без питания : 1",
                "Норма замкнутых контуров: 2",
                "",
                "Дата переключения     Узлов без питания     Замкнутых контуров     Продолжительность",
                "05.03.2004 00:00      1 узлов (0)           0 контуров (-2)          24 час   0 мин",
            }));
  EXPECT_TRUE(form->Info->isVisible());
  EXPECT_EQ(Cp1251ToUtf8(ReadBytes(OutageReportFile(path))), "ТП3\t05.03.2004 00:00\t06.03.2004 00:00\t1440\r\n");
  EXPECT_FALSE(fs::exists(SnrReportFile(path)));
  EXPECT_FALSE(form->ProcBar->isVisible() || form->StopBar->isVisible());
  EXPECT_TRUE(form->HelpText->text().isEmpty());
  EXPECT_TRUE(NoLocks());
}

}  // namespace
}  // namespace ld::test
