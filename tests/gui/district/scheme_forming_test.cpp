// "Формирование схемы" through the district window: the options dialog and the weights dialog, the
// report in Info, the scheme items, and the sample base formed and calculated in the regime window.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QFontMetrics>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolButton>
#include <cmath>

#include "core/base/strings.h"
#include "core/engine/electric.h"
#include "core/engine/regime.h"
#include "gui/district/set_export_form.h"
#include "gui/district/set_koef_form.h"
#include "gui/regime/zregim_form.h"
#include "district_fixture.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class SchemeFormingWindow : public DistrictWindow {
protected:
  // The sample base of the program folder and the catalogues its marks need, in the test's folder.
  void CopySample() {
    CopyDataFiles(dir.Path(), [](const std::string& name) {
      return name.rfind("Образец.", 0) == 0 || name == "sprav_ln.cat" || name == "sprav_t2.cat";
    });
  }
  Lines InfoLines() const {
    Lines lines;
    for (QTextBlock b = form->Info->document()->begin(); b.isValid(); b = b.next())
      lines.push_back(b.text().toStdString());
    return lines;
  }
  Lines Locks() const {
    Lines locks;
    for (const auto& f : fs::directory_iterator(dir.Path()))
      if (f.path().filename().string().back() == '~') locks.push_back(f.path().filename().string());
    return locks;
  }
  // "Формирование схемы" with the options dialog worked by the step.
  void FormScheme(const ModalScript::Step& options = [](QDialog& d) { Press(d, "OKBtn"); }) {
    script.Then(options);
    form->ExportBtn->click();
  }
};

TEST_F(SchemeFormingWindow, SampleBaseIsFormedWithoutMessagesAndCalculatedWithinTenPercent) {
  CopySample();
  Show();
  Open("Образец");
  EXPECT_EQ(Label(), "Формат РЭС (линии)");
  EXPECT_EQ(form->DataGrid().table().RowCount, 23);
  EXPECT_FALSE(form->NodesBtn->isEnabled());

  FormScheme();
  const Lines info = InfoLines();
  ASSERT_GE(info.size(), 7U);
  EXPECT_EQ(Lines(info.begin(), info.begin() + 3), (Lines{"[Формирование схемы]", "", "[Контроль конфигурации]"}))
      << "the converter says nothing of the sample";
  EXPECT_EQ(Lines(info.end() - 5, info.end() - 3), (Lines{"", "<<<<< Импорт данных завершен >>>>>"}));
  EXPECT_EQ(info[info.size() - 1], "Узлов БП = 2") << "the two substation nodes";
  EXPECT_TRUE(box.Calls().empty()) << box.Texts().front();
  EXPECT_TRUE(form->Info->isVisible());
  EXPECT_FALSE(form->ProcBar->isVisible());
  for (QToolButton* b : {form->NodesBtn, form->LinesBtn, form->FlowBtn}) EXPECT_TRUE(b->isEnabled());
  EXPECT_TRUE(form->NodesItem->isEnabled());
  EXPECT_TRUE(Locks().empty());
  EXPECT_EQ(Label(), "Формат РЭС (линии)") << "the line table is shown again as the converter left it";
  EXPECT_EQ(Cell("Idx", 23), "23");

  // the regime window opens the scheme and calculates it
  gui::TZregimForm regime;
  regime.Params.clear();
  regime.show();
  script.Then([&](QDialog& d) {
    auto& files = static_cast<QFileDialog&>(d);
    files.setDirectory(QString::fromStdString(dir.Path().string()));
    Child<QLineEdit>(files, "fileNameEdit").setText("Образец.UZL");
    d.setResult(QDialog::Accepted);
  });
  regime.OpenItem->trigger();
  // the stations' loads are the energies of the month of the meters: that month is the period
  script.Then([](QDialog& d) {
    Press(d, "WRBtn");
    Press(d, "OKBtn");
  });
  script.Then([](QDialog& d) {
    Child<QDateEdit>(d, "Date1").setDate(QDate(2026, 11, 1));
    Child<QDateEdit>(d, "Date2").setDate(QDate(2026, 11, 30));
    Press(d, "OKBtn");
  });
  regime.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&regime));
  QTest::keyClick(&regime, Qt::Key_R, Qt::ControlModifier);
  ASSERT_EQ(script.Shown(), 5) << "Ctrl+R ran the calculation";
  EXPECT_TRUE(box.Calls().empty()) << box.Texts().front();
  ASSERT_NE(regime.Regime(), nullptr);
  EXPECT_TRUE(regime.Regime()->Converged);
  const TDataFile nodes = Table(Base("Образец") + ".UZL");
  ASSERT_GT(nodes.RowCount, 20);
  for (int row = 1; row <= nodes.RowCount; ++row) {
    const double unom = NearestNominalVoltage(ld::StrToFloatZ(GetCellText(nodes, row, FindColumnIndex("Um", nodes), true)));
    const double u = ld::StrToFloatZ(GetCellText(nodes, row, FindColumnIndex("Urez", nodes), true));
    EXPECT_LE(std::abs(u - unom), 0.1 * unom) << GetCellText(nodes, row, FindColumnIndex("Name", nodes), true);
  }

  // the loads of its stations formed from its subscribers with the dialog's defaults, without a message
  script.Then([](QDialog& d) { Press(d, "OKBtn"); });
  form->ImportWItem->trigger();
  EXPECT_TRUE(box.Calls().empty()) << box.Texts().front();
  EXPECT_EQ(InfoLines(), (Lines{"[База промышленных абонентов]", "", "[База бытовых абонентов]", "",
                                "[Анализ нагрузки]"}));
  EXPECT_TRUE(Locks().empty());
}

}  // namespace
}  // namespace ld::test

namespace ld::test {
namespace {

class FormingDialogs : public SchemeFormingWindow {
protected:
  // A click on the box's indicator, as a person ticks it.
  template <typename W>
  static void Tick(W* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
  }
};

TEST_F(FormingDialogs, OptionsDialogLoadsEditsAndWritesTheSettings) {
  IniRec.Koef = 25.5f;
  IniRec.tgf = 0.4f;
  IniRec.T04 = false;
  IniRec.L04 = true;
  IniRec.PrefTP = "ТП,РП";
  WriteRows(Base() + ".RSF", LayoutSubstFeeders, {{"ПС-1.1", "Ф-3"}, {"ПС-1.2", "ф-1 "}, {"ПС-1.1", "Ф-2"}});
  bool feederMode = false;
  std::vector<std::string> feeders = {"старый"};
  script.Then([&](QDialog& d) {
    EXPECT_EQ(d.windowTitle().toStdString(), "Формирование расчетной схемы");
    EXPECT_EQ(Child<QLineEdit>(d, "SchEdit").text().toStdString(), Base());
    EXPECT_TRUE(Child<QLineEdit>(d, "SchEdit").isReadOnly());
    auto& koef = Child<QLineEdit>(d, "KoefEdit");
    auto& tg = Child<QLineEdit>(d, "TgEdit");
    EXPECT_EQ(koef.text(), "25.5");
    EXPECT_EQ(tg.text(), "0.4");
    EXPECT_EQ(Child<QLineEdit>(d, "PrefTPEdit").text(), "ТП,РП");
    auto& tr = Child<QCheckBox>(d, "TrBox");
    auto& ln = Child<QCheckBox>(d, "LnBox");
    EXPECT_TRUE(ln.isChecked());
    EXPECT_FALSE(ln.isEnabled()) << "0.4 kV lines only with the transformers";
    Tick(&tr);
    EXPECT_TRUE(ln.isEnabled());
    Tick(&tr);
    EXPECT_FALSE(ln.isEnabled());
    Tick(&tr);

    // a letter is refused at once; a number typed goes in
    koef.setFocus();
    koef.end(false);
    QTest::keyClicks(&koef, "x");
    EXPECT_EQ(koef.text(), "25.5");
    EXPECT_EQ(box.Calls().size(), 1U);
    QTest::keyClick(&koef, Qt::Key_Backspace);
    QTest::keyClick(&koef, Qt::Key_Backspace);
    QTest::keyClicks(&koef, ",7");
    EXPECT_EQ(koef.text(), "25,7");
    koef.clear();  // empty reads as 0
    EXPECT_EQ(box.Calls().size(), 1U);
    Tick(&Child<QCheckBox>(d, "EERMBox"));
    EXPECT_EQ(koef.text(), "20");
    EXPECT_EQ(tg.text(), "0.5");
    Tick(&Child<QCheckBox>(d, "EERMBox"));
    EXPECT_EQ(koef.text(), "20") << "unchecking leaves the values";

    auto& list = Child<QListWidget>(d, "FiderList");
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.item(0)->text().toStdString(), "ПС-1.1 - Ф-2");
    EXPECT_EQ(list.item(1)->text().toStdString(), "ПС-1.1 - Ф-3");
    EXPECT_EQ(list.item(2)->text().toStdString(), "ПС-1.2 - ф-1 ");
    EXPECT_FALSE(list.isEnabled());
    Tick(&Child<QCheckBox>(d, "FiderBox"));
    EXPECT_TRUE(list.isEnabled());
    list.item(1)->setCheckState(Qt::Checked);
    list.item(2)->setCheckState(Qt::Checked);
    Tick(&Child<QCheckBox>(d, "NrBox"));
    Press(d, "OKBtn");
  });
  ASSERT_TRUE(gui::ExecuteSchemeFormingDialog(Base(), feederMode, feeders));
  EXPECT_TRUE(feederMode);
  EXPECT_EQ(feeders, (Lines{"Ф-3", "Ф-1"}));
  EXPECT_FLOAT_EQ(IniRec.Koef, 20);
  EXPECT_FLOAT_EQ(IniRec.tgf, 0.5f);
  EXPECT_TRUE(IniRec.T04);
  EXPECT_TRUE(IniRec.L04);
  EXPECT_FALSE(IniRec.EERM_D2);
  EXPECT_TRUE(IniRec.NrToAll);
  EXPECT_FALSE(IniRec.SNR);

  // without the feeder choice the list is not touched
  script.Then([](QDialog& d) { Press(d, "OKBtn"); });
  ASSERT_TRUE(gui::ExecuteSchemeFormingDialog(Base(), feederMode, feeders));
  EXPECT_FALSE(feederMode);
  EXPECT_EQ(feeders, (Lines{"Ф-3", "Ф-1"}));
}

TEST_F(FormingDialogs, CancelledOptionsWriteNothingAndLockNothing) {
  CopySample();
  Show();
  Open("Образец");
  const float koef = IniRec.Koef;
  FormScheme([this](QDialog& d) {
    Child<QLineEdit>(d, "KoefEdit").setText("33");
    Child<QCheckBox>(d, "SNRBox").setChecked(true);
    Child<QCheckBox>(d, "TrBox").setChecked(true);
    EXPECT_TRUE(Locks().empty()) << "nothing is locked while the options are chosen";
    Press(d, "CancelBtn");
  });
  EXPECT_FLOAT_EQ(IniRec.Koef, koef);
  EXPECT_FALSE(IniRec.SNR);
  EXPECT_FALSE(IniRec.T04);
  EXPECT_TRUE(Locks().empty());
  EXPECT_FALSE(fs::exists(Base("Образец") + ".UZL"));
  EXPECT_FALSE(form->NodesBtn->isEnabled());
  EXPECT_TRUE(form->Info->isHidden());
}

TEST_F(FormingDialogs, WeightsAreShownByLoadTypeAndALetterStoresZero) {
  IniRec.Kv_0 = 1;
  IniRec.Kv_3 = 2.5f;
  IniRec.Kv_5 = 7;
  auto grid = [](QDialog& d) -> QTableWidget& { return Child<QTableWidget>(d, "Grid"); };
  script.Then([&](QDialog& d) {
    EXPECT_EQ(d.windowTitle().toStdString(), "Весовые коэффициенты");
    QTableWidget& g = grid(d);
    ASSERT_EQ(g.rowCount(), 7);
    ASSERT_EQ(g.columnCount(), 2);
    EXPECT_EQ(g.item(0, 0)->text().toStdString(), " Тип нагр.");
    EXPECT_EQ(g.item(0, 1)->text().toStdString(), "  Коэф.");
    const Lines labels = {" 0: Кз.тр.", " 1: P,Q", " 2: P,tg", " 3: I,tg", " 4: WP,WQ", " 5: WP,tg"};
    for (int row = 1; row <= 6; ++row) {
      EXPECT_EQ(g.item(row, 0)->text().toStdString(), labels[static_cast<std::size_t>(row - 1)]);
      EXPECT_FALSE(g.item(row, 0)->flags() & Qt::ItemIsEditable);
    }
    EXPECT_EQ(g.item(4, 1)->text(), "2.5");
    EXPECT_EQ(g.item(1, 1)->text(), "1");
    // shown, every row and every caption whole at the grid's own font (2 pixels beside the text)
    d.show();
    QApplication::processEvents();
    const QFontMetrics metrics(g.font());
    const QWidget& view = *g.viewport();
    EXPECT_EQ(g.columnViewportPosition(0), 0);
    for (int row = 0; row <= 6; ++row)
      EXPECT_GE(g.columnWidth(0), metrics.horizontalAdvance(g.item(row, 0)->text()) + 4) << row;
    EXPECT_GE(view.width(), g.columnViewportPosition(1) + metrics.horizontalAdvance("  Коэф.") + 4);
    EXPECT_EQ(g.rowViewportPosition(0), 0);
    EXPECT_GE(view.height(), g.rowViewportPosition(6) + g.rowHeight(6));
    // typed into the cell of type 3 as a person does
    g.setCurrentCell(4, 1);
    g.editItem(g.item(4, 1));
    auto* editor = g.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "1a");
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();  // the view takes the edit from its queue
    EXPECT_EQ(g.item(4, 1)->text(), "") << "a text that is no number empties the cell";
    g.item(6, 1)->setText("4,5");
    Press(d, "OKBtn");
  });
  gui::ExecuteWeightKoefDialog();
  EXPECT_FLOAT_EQ(IniRec.Kv_3, 0);
  EXPECT_FLOAT_EQ(IniRec.Kv_5, 4.5f);
  EXPECT_FLOAT_EQ(IniRec.Kv_0, 1);

  script.Then([&](QDialog& d) {
    grid(d).item(1, 1)->setText("9");
    Press(d, "CancelBtn");
  });
  gui::ExecuteWeightKoefDialog();
  EXPECT_FLOAT_EQ(IniRec.Kv_0, 1) << "\"Отменить\" changes nothing";

  // from the options dialog's button
  script.Then([&](QDialog& d) {
    script.Then([](QDialog& k) {
      Child<QTableWidget>(k, "Grid").item(2, 1)->setText("3");
      Press(k, "OKBtn");
    });
    Press(d, "KweightBtn");
    Press(d, "CancelBtn");
  });
  bool feederMode = false;
  std::vector<std::string> feeders;
  EXPECT_FALSE(gui::ExecuteSchemeFormingDialog(Base(), feederMode, feeders));
  EXPECT_FLOAT_EQ(IniRec.Kv_1, 3);
}

}  // namespace
}  // namespace ld::test

namespace ld::test {
namespace {

TEST_F(SchemeFormingWindow, AnErrorInTheConverterShowsWhatWasSaidAndLeavesNoLock) {
  CopySample();
  Show();
  Open("Образец");
  WriteBytes(Base("Образец") + ".RTP", "не таблица");  // the converter cannot read the stations
  FormScheme();
  ASSERT_EQ(box.Calls().size(), 1U);
  EXPECT_EQ(box.Calls()[0].kind, mkError);
  EXPECT_NE(box.Calls()[0].text.find("Образец.RTP"), std::string::npos) << box.Calls()[0].text;
  EXPECT_EQ(InfoLines(), (Lines{"[Формирование схемы]"}));
  EXPECT_TRUE(form->Info->isVisible());
  EXPECT_FALSE(form->ProcBar->isVisible());
  EXPECT_TRUE(Locks().empty());
  EXPECT_FALSE(fs::exists(Base("Образец") + ".UZL"));
  EXPECT_FALSE(form->NodesBtn->isEnabled());

  // another window holds a scheme table: the holder keeps it
  fs::copy_file(DataDir() / "Образец.RTP", Base("Образец") + ".RTP", fs::copy_options::overwrite_existing);
  LockTableFiles(Base("Образец"), ".VET");
  box.Clear();
  FormScheme();
  ASSERT_EQ(box.Calls().size(), 1U);
  EXPECT_EQ(Locks(), (Lines{"Образец.VET~"}));
  EXPECT_FALSE(form->NodesBtn->isEnabled());
  UnlockTableFiles(Base("Образец"), ".VET");

  // a base table held by another: the command ends before it begins, and Info keeps what it showed
  const Lines shown = InfoLines();
  ASSERT_EQ(shown, (Lines{"[Формирование схемы]"}));
  LockTableFiles(Base("Образец"), ".RSL");
  box.Clear();
  FormScheme();
  ASSERT_EQ(box.Calls().size(), 1U);
  EXPECT_EQ(box.Calls()[0].kind, mkError);
  EXPECT_EQ(InfoLines(), shown);
  EXPECT_TRUE(form->Info->isVisible());
  EXPECT_FALSE(form->ProcBar->isVisible());
  EXPECT_EQ(Locks(), (Lines{"Образец.RSL~"}));
  UnlockTableFiles(Base("Образец"), ".RSL");
}

}  // namespace
}  // namespace ld::test
