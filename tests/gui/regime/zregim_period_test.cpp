// "Потери энергии" in the regime window: the loss settings asked first, the run's lines in the message
// text, the report shown, a stop that writes nothing, and the consumption by meters without a dialog.
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTextEdit>
#include <QToolButton>

#include "core/base/dates.h"
#include "core/engine/regime.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_file.h"
#include "zregim_fixture.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

class PeriodCommand : public RegimeWindow {
protected:
  PeriodCommand() {
    TIniRec& ini = IniRec;
    ini.Date1 = ini.Date2 = EncodeDate(2004, 3, 5);
    ini.Tgr = 3600, ini.Dimension = 0, ini.Kfgn = 1, ini.Prec = 1e-9f;
    ini.FlagBalans = ini.RegKtr = ini.RegQ = ini.LossUnom = ini.LossPlus = false;
    OpenScheme(scheme);
  }
  // "Расчет потерь" with the settings confirmed in the mode given by its button.
  void RunLosses(const char* modeButton) {
    script.Then([modeButton](QDialog& d) {
      EXPECT_EQ(d.windowTitle().toStdString(), "Расчет потерь");
      Press(d, modeButton);
      Press(d, "OKBtn");
    });
    form->WCalcItem->trigger();
  }
  // The files of the scheme that a run writes, byte for byte.
  std::vector<std::string> Written() const {
    std::vector<std::string> bytes;
    for (const char* ext : {".WRG", ".WMS", ".UZL", ".VET"}) bytes.push_back(ReadBytes(path + ext));
    for (const char* layout : {LayoutNodeEnergy, LayoutBranchEnergy})
      bytes.push_back(ReadBytes(path + GetMaketExtention(layout)));
    return bytes;
  }
  // The report shown, or the message text, holds the line.
  bool Shows(const std::string& line) const { return Has(form->Memo1->toPlainText(), line); }
  bool Told(const std::string& line) const { return Has(form->Info->toPlainText(), line); }
  static bool Has(const QString& text, const std::string& line) {
    return text.split('\n').contains(QString::fromStdString(line));
  }
  std::string LastInfo() const { return form->Info->toPlainText().split('\n').last().toStdString(); }
  void StatusLineIdle() const {
    EXPECT_TRUE(form->ProcBar->isHidden());
    EXPECT_TRUE(form->StopBar->isHidden());
    EXPECT_TRUE(form->HelpText->text().isEmpty());
  }

  SchemeBuilder scheme = TwoNodes();
};

TEST_F(PeriodCommand, CancelledSettingsLeaveEverythingAsItWas) {
  form->ConturBox->addItem("kept");
  const std::vector<std::string> before = Written();
  IniRec.TypCalcPQ = 3;
  script.Then([](QDialog& d) {
    Press(d, "SredBtn");
    Child<QLineEdit>(d, "KfgnEdit").setText("3");
    Press(d, "CancelBtn");
  });
  form->WCalcItem->trigger();
  EXPECT_EQ(IniRec.TypCalcPQ, 3);
  EXPECT_EQ(IniRec.Kfgn, 1);
  EXPECT_TRUE(Written() == before);
  EXPECT_EQ(form->ConturBox->count(), 1);
  EXPECT_TRUE(form->Info->isHidden() && box.Texts().empty() && NoLocks());
}

TEST_F(PeriodCommand, ADayRunShowsItsReportAndTheJournalFindings) {
  // an old entry of month 13 before the one the replay stops at: reported, and the run goes on
  TDataFile journal;
  ReadMaket(LayoutSwitchLog, journal);
  CreateColumns(journal, 4);
  TSwitchLogCols j;
  FillSwitchLogCols(journal, j);
  for (int r = 1; r <= 4; ++r) {
    (*j.Date)[r] = r <= 2 ? 20031305 : 20040301;
    (*j.BA)[r] = static_cast<std::uint8_t>((r + 1) % 2);
    (*j.N1)[r] = 2, (*j.N2)[r] = 1;
  }
  WriteTableFile(path + journal.Extention, journal);

  RunLosses("SredBtn");
  EXPECT_TRUE(box.Texts().empty()) << box.Texts()[0];
  const std::string consumption = "Потребление           :          24.000 МВт*час         24.000 МВАр*час";
  EXPECT_TRUE(Shows(consumption)) << form->Memo1->toPlainText().toStdString();
  EXPECT_TRUE(form->Memo1->isVisibleTo(form.get()) && !form->DataGrid().GridVisible());
  EXPECT_TRUE(Told("Таблица переключений, строка 1: неверно задан месяц 13"));
  EXPECT_TRUE(Told("Таблица переключений, строка 2: неверно задан месяц 13"));
  EXPECT_TRUE(form->Info->isVisibleTo(form.get()));
  EXPECT_TRUE(NoLocks());
  EXPECT_FALSE(form->Regime()->LockFiles);
  StatusLineIdle();
}
TEST_F(PeriodCommand, StopEndsTheRunWithoutWritingAndWithoutLocks) {
  RunLosses("GrafBtn");
  ASSERT_TRUE(box.Texts().empty()) << box.Texts()[0];
  ASSERT_TRUE(fs::exists(path + ".WRG"));
  const std::vector<std::string> before = Written();

  // the stop label pressed while the run goes: once its progress first moves
  bool pressed = false;
  QObject::connect(form->ProcBar, &QProgressBar::valueChanged, form->StopBar, [this, &pressed](int value) {
    if (value > 0 && !pressed) form->StopBar->click(), pressed = true;
  });
  RunLosses("GrafBtn");
  EXPECT_EQ(LastInfo(), "<<<< Расчет прерван >>>>");
  EXPECT_TRUE(form->Info->isVisibleTo(form.get()));
  EXPECT_TRUE(Written() == before);
  EXPECT_TRUE(NoLocks());
  StatusLineIdle();
}

TEST_F(PeriodCommand, ConsumptionByMetersAsksNothingAndWritesOnlyTheReport) {
  scheme.Nodes[1].WPn = 23000;
  scheme.Write(dir.Path(), "Схема");
  TDataFile flows;
  ReadMaket(LayoutLineFlows, flows);
  CreateColumns(flows, 1);
  TLineFlowCols f;
  FillLineFlowCols(flows, f);
  (*f.PM)[1] = '+', (*f.N1)[1] = 1, (*f.N2)[1] = 2, (*f.Pr)[1] = 24000;
  WriteTableFile(path + flows.Extention, flows);

  form->TreItem->trigger();  // the script holds no dialog: any would fail the test
  EXPECT_TRUE(box.Texts().empty()) << box.Texts()[0];
  EXPECT_TRUE(Shows("Суммарный прием в сеть :  24000 кBт*час")) << form->Memo1->toPlainText().toStdString();
  EXPECT_TRUE(Shows("Технологический расход :   1000 кBт*час  (4.2 %)"));
  EXPECT_TRUE(NoLocks());
  StatusLineIdle();
}

}  // namespace
}  // namespace ld::test
