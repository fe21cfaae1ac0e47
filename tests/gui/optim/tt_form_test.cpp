#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QKeyEvent>
#include <cmath>

#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/tables/file_guard.h"
#include "core/optim/ktr_test_scheme.h"
#include "gui/optim/sel_nod_tr_form.h"
#include "gui/optim/sel_tr_form.h"
#include "gui/optim/tt_form.h"
#include "support/modal_script.h"
#include "support/scripted_msgbox.h"

namespace ld::test {
namespace {

// The test transformers and a third one, parallel to the first and switched off.
struct Host {
  TempDir dir;
  std::string stem, savedConfig = ConfigFileName;
  NominalVoltages classes{{10, 110}};

  explicit Host(const std::vector<TRecTr>& rows, bool withTable = true) {
    UserAccess = 1;
    ConfigFileName = dir / "prog.ini";
    KtrScheme s = TwoTransformers();
    s.Branches[0].Nl = 1;
    KtrBranch off = s.Branches[0];
    off.Nl = 2, off.Commut = "О";
    s.Branches.push_back(off);
    stem = s.Write(dir.Path().string());
    if (withTable) {
      TDataFile t;
      MakeKtrTable(t, rows);
      WriteTableFile(stem + ".KTR", t);
    }
  }
  ~Host() { ConfigFileName = savedConfig; }
  TDataFile Read(const char* ext) const {
    TDataFile t;
    ReadTableFile(stem + ext, t);
    return t;
  }
};

std::vector<TRecTr> ThreeRows() {
  TRecTr a = TapRow(1, 2, 4, 10.1f, 10.3f, 3), b = TapRow(1, 3, 5, 10.1f, 10.3f, 17), c = TapRow(1, 2, 4, 10.1f, 10.3f, 6);
  a.Nl = 1, c.Nl = 2;
  a.NameTr = "Т1", c.NameTr = "Т1 резерв";
  return {a, b, c};
}

TEST(TapWindow, RegimeSearchesSliderWriteAndSave) {
  Host host(ThreeRows());
  gui::TT_Form form(host.stem, host.dir.Path().string() + "/");
  form.show();
  // it opens with the transformer's columns through the tap step whole, at the grid's own font
  {
    const QRect step = form.TGrid->CellRect(form.TGrid->FieldColumn("Delta"), 0);
    ASSERT_FALSE(step.isEmpty());
    EXPECT_GE(step.width(), QFontMetrics(form.TGrid->font()).horizontalAdvance("Ступень, %") + 4);
    EXPECT_LE(step.x() + step.width(), form.TGrid->width());
  }
  EXPECT_FALSE(form.AutoBtn->isEnabled());
  form.CalcBtnClick();
  ASSERT_FALSE(form.CalcBtn->isEnabled());
  EXPECT_TRUE(form.AutoBtn->isEnabled());
  EXPECT_TRUE(form.PLabel->text().startsWith("dP = ") && form.PLabel->text().endsWith(" кВт"));
  EXPECT_EQ(form.OptLabel->text(), "ddP = 0 кВт");
  const TDataFile& t = form.TGrid->table();
  EXPECT_EQ(t.Access[static_cast<std::size_t>(FindColumnIndex("Ntek", t))], 0);
  EXPECT_EQ(t.MarkRec->Get(3), 'p');  // the switched-off twin
  form.resize(1000, 420);
  form.grab().save(QString::fromStdString(OutputPath("tt_form_regime.png").string()));

  form.AutoBtnClick();
  EXPECT_EQ(form.AutoBtn->text(), "Автомат");
  const std::vector<std::string>& memo = form.MemoLines();
  ASSERT_GE(memo.size(), 9u);
  EXPECT_EQ(memo[0].rfind("1 - 2 Т1        рпн    3,", 0), 0u) << memo[0];
  EXPECT_EQ(memo[2], "1 - 2 Т1 резерв ---    6") << memo[2];
  for (const auto& [line, start] : {std::pair{4, "Количество итераций : "}, {6, "dPисх = "}, {7, "dPопт = "}, {8, "ddP   = "}})
    EXPECT_EQ(memo[static_cast<std::size_t>(line)].rfind(start, 0), 0u) << memo[static_cast<std::size_t>(line)];
  EXPECT_TRUE(form.ResMemo->isVisible());
  TKtrCols c;
  FillKtrCols(t, c);
  EXPECT_NE(c.Ntek->Get(1), 3);
  EXPECT_EQ(c.Ntek->Get(3), 6);

  form.GradientBtnClick();
  EXPECT_EQ(form.GradientBtn->text(), "Градиент");
  for (int row = 1; row <= 3; ++row) EXPECT_EQ(c.Ntek->Get(row), std::floor(c.Ntek->Get(row)));
  EXPECT_EQ(c.Ntek->Get(3), 6);

  form.TGrid->GotoRow(1);
  ASSERT_TRUE(form.RegLine->isVisibleTo(&form));
  form.RegLine->setValue(5);
  EXPECT_EQ(c.Ntek->Get(1), 5);
  EXPECT_EQ(form.NLabel->text(), "5");
  EXPECT_TRUE(form.U1Label->text().startsWith("U1 = "));

  form.WriteBtnClick();
  EXPECT_TRUE(form.Result());
  TDataFile b = host.Read(".VET");
  TBranchCols bc;
  FillBranchCols(b, bc);
  EXPECT_EQ(bc.Notv.Get(1), 5);
  EXPECT_NEAR(bc.Kta->Get(1), kKnom * (1 - 0.05 * 1.78), 1e-3);
  EXPECT_EQ(bc.Notv.Get(6), 0);  // the excluded twin is left alone
  // The table the taps came from is on the disk with them before the window closes.
  const std::string written = ReadBytes(host.stem + ".KTR");
  {
    const TDataFile k = host.Read(".KTR");
    TKtrCols kc;
    FillKtrCols(k, kc);
    EXPECT_EQ(std::tuple(kc.Ntek->Get(1), kc.Ntek->Get(2), k.Title), std::tuple(5.0f, c.Ntek->Get(2), host.dir.Path().string() + "/"));
  }

  form.resize(1000, 520);
  form.grab().save(QString::fromStdString(OutputPath("tt_form.png").string()));
  form.CancelBtnClick(true);
  TDataFile saved = host.Read(".KTR");
  TKtrCols sc;
  FillKtrCols(saved, sc);
  EXPECT_EQ(saved.Title, host.dir.Path().string() + "/");
  EXPECT_EQ(sc.Ntek->Get(1), 5);
  EXPECT_EQ(sc.RegOf(3), 0);  // excluded for that run only
  EXPECT_NE(ReadBytes(ConfigFileName).find("[OptimT]"), std::string::npos);
  EXPECT_EQ(ReadBytes(host.stem + ".KTR"), written);  // the save on closing wrote nothing else
}

TEST(TapWindow, StopEndsTheSearchAndASecondStopStartsNothing) {
  Host host(ThreeRows());
  gui::TT_Form form(host.stem, host.dir.Path().string() + "/");
  form.show();
  form.CalcBtnClick();
  int clicks = 0;
  QTimer::singleShot(0, &form, [&] {
    EXPECT_EQ(form.GradientBtn->text(), "Стоп");
    EXPECT_FALSE(form.AutoBtn->isEnabled());
    // The search works on the window's engine and table: neither Escape nor closing ends the window.
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    form.GradientBtn->click();
    form.GradientBtn->click();
    clicks = 2;
  });
  form.GradientBtnClick();
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(form.GradientBtn->text(), "Градиент");
  EXPECT_EQ(std::count(form.MemoLines().begin(), form.MemoLines().end(), "<<<< Процесс прерван >>>>"), 1);
  EXPECT_NE(std::find(form.MemoLines().begin(), form.MemoLines().end(), "Количество итераций : 1"),
            form.MemoLines().end());
  EXPECT_TRUE(form.AutoBtn->isEnabled());

  // The same for the descent, whose stop is seen after a group.
  QTimer::singleShot(0, &form, [&] { form.AutoBtn->click(); });
  form.AutoBtnClick();
  EXPECT_EQ(form.AutoBtn->text(), "Автомат");
  EXPECT_EQ(form.MemoLines().back(), "<<<< Процесс прерван >>>>");
  form.CancelBtnClick(false);
}

TEST(TapWindow, SpaceInAControlNodeColumnPicksTheNode) {
  Host host({TapRow(1, 2, 0, 0, 0), TapRow(1, 3, 0, 0, 0)});
  gui::TT_Form form(host.stem, host.dir.Path().string() + "/");
  form.show();
  form.CalcBtnClick();
  ASSERT_TRUE(form.AutoBtn->isEnabled());
  ModalScript script;
  script.Then([](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Выбор узлов для контроля напряжения");
    static_cast<gui::TSelNodTrForm&>(d).NodGrid->GotoRow(2);
    Press(d, "OkBtn");
  });
  form.TGrid->MoveTo(form.TGrid->FieldColumn("Node2"), 2);
  QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
  QApplication::sendEvent(form.TGrid, &space);
  TKtrCols c;
  FillKtrCols(form.TGrid->table(), c);
  EXPECT_EQ(std::tuple(c.N2->Get(2), c.Node2->GetItem(2), c.U2min->Get(2), c.U2max->Get(2), c.N1->Get(2)),
            std::tuple(2, "ПС.Шины 10 А", 9.5f, 11.0f, 0));
  // The table changed: the results are gone and the regime is to be calculated again.
  EXPECT_TRUE(form.CalcBtn->isEnabled());
  EXPECT_FALSE(form.AutoBtn->isEnabled());
  form.CancelBtnClick(false);
}

TEST(TapWindow, InputErrorsStopTheRegime) {
  ScriptedMsgBox box;
  TRecTr good = TapRow(1, 2, 4, 9.5f, 10.5f), bad = good;
  bad.Delta = 0;
  Host host({good, good, bad});
  gui::TT_Form form(host.stem, host.dir.Path().string() + "/");
  form.CalcBtnClick();
  TRecTr noLine = TapRow(3, 7, 4, 9.5f, 10.5f), noNode = TapRow(1, 2, 12, 9.5f, 10.5f);
  for (const TRecTr& row : {noLine, noNode}) {
    TDataFile& t = *form.TGrid->GetTable();
    TKtrCols c;
    FillKtrCols(t, c);
    PutRecTr(c, 3, row);
    form.CalcBtnClick();
  }
  EXPECT_EQ(box.Texts(), (std::vector<std::string>{"Ошибка ввода параметров в строке 3", "Линия 3 - 7 не найдена",
                                                   "Узел 12 не найден"}));
  EXPECT_TRUE(form.CalcBtn->isEnabled());
  EXPECT_FALSE(form.AutoBtn->isEnabled());
  form.CancelBtnClick(false);
}

TEST(TapWindow, PickersNameWindingsAndDeriveLimits) {
  MaketFileName = (DataDir() / "maket.zr").string();
  TempDir dir;
  KtrScheme s;
  s.Nodes = {{1, 'B', "A", 0, 0, 110}, {2, 0, "Б", 0, 0, 10}};
  auto add = [&](const char* name1, const char* typ, float kta, const char* reg = "") {
    KtrBranch& b = s.Branches.emplace_back();
    b.N1 = 1, b.N2 = 2, b.Name1 = name1, b.TypEqu = typ, b.Kta = kta, b.Ktn = kta, b.Ul = 110, b.Regulation = reg;
    return &b;
  };
  add("ПС-1.Т1", "TR|ТРДН|0", 10, "ВН-РПН-П-19-10-1.78");
  add("ПС-1.Т1", "TR|ТРДН|1", 1);
  add("Линия", "LN|5", 0);
  add("ПС-2.Т2", "T3|ТДТН|1", 3)->Name2 = "Б";
  add("ТП-7", "T2|ТМ|0", 25);
  const std::string stem = s.Write(dir.Path().string());
  {
    TDataFile b;
    ReadTableFile(stem + ".VET", b);
    TBranchCols bc;
    FillBranchCols(b, bc);
    bc.DSName->SetItem(4, "Т2");
    WriteTableFile(stem + ".VET", b);
  }

  ModalScript script;
  std::vector<std::string> names;
  script.Then([&](QDialog& d) {
    auto& form = static_cast<gui::TSelTrForm&>(d);
    EXPECT_EQ(form.windowTitle(), "Выбор трансформатора");
    TBranchCols bc;
    FillBranchCols(form.TrGrid->table(), bc);
    for (int r = 1; r <= bc.RowCount; ++r) names.push_back(bc.Name1->GetItem(r));
    form.TrGrid->GotoRow(1);
    form.grab().save(QString::fromStdString(OutputPath("sel_tr_form.png").string()));
    Press(d, "OkBtn");
  });
  TRecTr lon, tra;
  int row = 1;
  EXPECT_TRUE(gui::ExecuteSelectTransformer(stem, lon, tra, row));
  EXPECT_EQ(names, (std::vector<std::string>{"ПС-1 (BH)", "ПС-1 (HH1)", "ПС-2 Т2 (CH)", "ТП-7"}));
  EXPECT_EQ(std::tuple(row, lon.NameTr, lon.Kotv), std::tuple(1, "ПС-1 (BH)", 19));
  script.Then([](QDialog& d) { Press(d, "CancelBtn"); });
  lon.Kotv = 77;
  EXPECT_FALSE(gui::ExecuteSelectTransformer(stem, lon, tra, row));
  EXPECT_EQ(lon.Kotv, 77);

  script.Then([](QDialog& d) {
    auto& form = static_cast<gui::TSelNodTrForm&>(d);
    EXPECT_EQ(form.Edit1->text(), "5");
    EXPECT_EQ(form.Edit2->text(), "10");
    form.NodGrid->GotoRow(2);
    form.grab().save(QString::fromStdString(OutputPath("sel_nod_tr_form.png").string()));
    Press(d, "OkBtn");
  });
  std::int32_t n = 0;
  float umax = 0, umin = 0;
  std::string name;
  EXPECT_TRUE(gui::ExecuteSelectVoltageNodes(stem, false, n, umax, umin, name));
  EXPECT_EQ(std::tuple(n, name, umin, umax), std::tuple(2, "Б", 9.5f, 11.0f));
  script.Then([](QDialog& d) {
    auto& form = static_cast<gui::TSelNodTrForm&>(d);
    form.Edit2->setText("abc");
    EXPECT_EQ(form.Edit2->text(), "");
    Press(d, "CancelBtn");
  });
  EXPECT_FALSE(gui::ExecuteSelectVoltageNodes(stem, true, n, umax, umin, name));
  EXPECT_EQ(gui::SelNodPlusPercent, 0);
  gui::SelNodPlusPercent = 10;
}

TEST(TapWindow, LoadingRatiosMatchesTheBranchDirectionOnlyAndLimitsComeFromTheNominalVoltage) {
  Host host({TapRow(1, 2, 4, 9.5f, 10.5f, 4), TapRow(1, 3, 5, 9.5f, 10.5f, 4)});
  {
    TDataFile b = host.Read(".VET");
    TBranchCols bc;
    FillBranchCols(b, bc);
    bc.Notv[1] = 13;
    bc.Regulation->SetItem(2, "НН-РПН-П-19-10-1.78");
    bc.Notv[2] = 15;
    WriteTableFile(host.stem + ".VET", b);
  }
  gui::TT_Form form(host.stem, host.dir.Path().string() + "/");
  form.LoadBtnClick();
  TKtrCols c;
  FillKtrCols(form.TGrid->table(), c);
  EXPECT_EQ(c.Ntek->Get(1), 13);
  EXPECT_EQ(c.Ntek->Get(2), 4);  // stored as 3-1: not this row's branch
  EXPECT_TRUE(form.CalcBtn->isEnabled());

  // Control limits from the nominal voltage of the control node.
  form.UmBox->setChecked(true);
  form.CalcBtnClick();
  FillKtrCols(form.TGrid->table(), c);
  EXPECT_EQ(std::pair(c.U1min->Get(1), c.U1max->Get(1)), std::pair(10.0f, 10.0f));
  form.CancelBtnClick(false);
  EXPECT_NE(ReadBytes(ConfigFileName).find("Um=1"), std::string::npos);
}

TEST(TapWindow, EntryReturnsTrueAfterWritingRatios) {
  TRecTr row = TapRow(1, 2, 4, 9.5f, 10.5f, 8);
  row.Nl = 1;  // the twin is switched off
  Host host({row}, true);
  LockTableFiles(host.stem, ".UZL,.VET");  // as the regime window's command holds them
  ModalScript script;
  script.Then([](QDialog& d) {
    Press(d, "CalcBtn");
    Press(d, "WriteBtn");
    Press(d, "CancelBtn");
  });
  EXPECT_TRUE(gui::RunKtrOptimisation(host.stem, host.dir.Path().string() + "/"));
  TDataFile b = host.Read(".VET");
  EXPECT_EQ(b.RowCount, 6);
  TBranchCols bc;
  FillBranchCols(b, bc);
  EXPECT_EQ(bc.Notv.Get(1), 8);
  EXPECT_TRUE(std::filesystem::exists(host.stem + ".VET~"));
  EXPECT_TRUE(std::filesystem::exists(host.stem + ".UZL~"));
  UnlockTableFiles(host.stem, ".UZL,.VET");
  script.Then([](QDialog& d) { Press(d, "CancelBtn"); });
  EXPECT_FALSE(gui::RunKtrOptimisation(host.stem, host.dir.Path().string() + "/"));
}

TEST(TapWindow, NewSchemeStartsWithAnEmptyTable) {
  Host host({}, false);
  ModalScript script;
  script.Then([](QDialog& d) {
    auto& form = static_cast<gui::TT_Form&>(d);
    EXPECT_EQ(form.TGrid->table().Name, LayoutKtrTable);
    EXPECT_EQ(form.TGrid->table().RowCount, 0);
    form.CalcBtnClick();
    EXPECT_TRUE(form.AutoBtn->isEnabled());
    form.AutoBtnClick();
    EXPECT_NE(std::find(form.MemoLines().begin(), form.MemoLines().end(), "Количество итераций : 1"),
              form.MemoLines().end());
    Press(d, "OkBtn");
  });
  EXPECT_FALSE(gui::RunKtrOptimisation(host.stem, host.dir.Path().string() + "/"));
  EXPECT_EQ(ReadFileRowCount(host.stem + ".KTR"), 0);
  EXPECT_TRUE(std::filesystem::exists(host.stem + ".KTR"));
}

}  // namespace
}  // namespace ld::test
