// The district window's grid handlers through real keystrokes: generated tap-off names, the jump between a
// line and its station, the catalogue and graph pickers, node row colours, the parameter dialog, the
// journal's date text and the column comment; and a picture of the window over a small base.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

#include "core/base/strings.h"
#include "core/catalogs/graph_tables.h"
#include "gui/catalogs/calc_rx_form.h"
#include "gui/catalogs/cat_gr_form.h"
#include "gui/catalogs/catalog_form.h"
#include "district_fixture.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

class GridHandlers : public DistrictWindow {
protected:
  GridHandlers() {
    // columns: Nr, Sign, Name1, Name2, Nl, KodLine, Un, Idop, Kflow, Commut, Normal, MarkCom1
    WriteRows(Base() + ".RSL", LayoutLines10,
              {{"1", "", "_3", "ТП-7.2", "1", "АС-50 2", "10"},
               {"1", "", "А.1", "_10", "1", "АС-35 1", "10"},
               {"1", "Р", "ТП-7.2", "ТП-8", "2", "", "10"}});
  }
  void ShowBase() {
    Show();
    Open();
  }
  gui::TDataGrid5& Grid() { return form->DataGrid(); }
  // The cursor on a cell of the table shown, by table row and field.
  void GoTo(int row, const std::string& field) {
    Grid().GotoRow(row);
    Grid().MoveTo(Grid().FieldColumn(field), Grid().Row());
    ASSERT_EQ(Grid().CurrentFieldName(), field);
    ASSERT_EQ(Grid().CurrentTableRow(), row);
  }
  // Edit mode as F4 switches it on, and a key typed into the cell editor.
  void EditMode() {
    if (Grid().Mode() != gui::gmEdit) QTest::keyClick(&Grid(), Qt::Key_F4);
    ASSERT_EQ(Grid().Mode(), gui::gmEdit);
  }
  void Type(char key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(Grid().Editor(), key, modifiers);
  }
};

TEST_F(GridHandlers, PlusInANameGivesTheNextTapOffName) {
  ShowBase();
  GoTo(2, "Name1");
  EditMode();
  Type('+');
  EXPECT_EQ(Cell("Name1", 2), "_11");
  EXPECT_EQ(Grid().Editor()->text().toStdString(), "_11");
  EXPECT_TRUE(Grid().Modified());
  EXPECT_TRUE(box.Texts().empty());

  // a name "_" without a number stops the next one with the conversion error
  GoTo(3, "Name2");
  EditMode();
  QTest::keyClicks(Grid().Editor(), "_x");
  GoTo(1, "Name2");
  EditMode();
  Type('+');
  ASSERT_EQ(box.Calls().size(), 1u);
  EXPECT_EQ(box.Calls()[0].kind, mkError);
  std::string expected;
  try {
    StrToIntZ("x");
  } catch (const ConvertError& e) {
    expected = e.what();
  }
  EXPECT_EQ(box.Texts()[0], expected);
  EXPECT_EQ(Cell("Name2", 1), "ТП-7.2");
  EXPECT_EQ(Cell("Name1", 1), "_3");
}

TEST_F(GridHandlers, CtrlRightGoesToTheLineEndsStationAndCtrlLeftReturns) {
  ShowBase();
  GoTo(1, "Name2");
  QTest::keyClick(&Grid(), Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(Label(), "Формат РЭС (ТП,РП)");
  ASSERT_EQ(Grid().table().RowCount, 1);
  EXPECT_EQ(std::tuple(Cell("Name1", 1), Cell("Ntr", 1), Cell("Transform", 1)),
            std::tuple(std::string("ТП-7.2"), std::string("Т2"), std::string("ТМ-")));
  EXPECT_EQ(Grid().CurrentFieldName(), "Transform");
  EXPECT_EQ(Grid().CurrentTableRow(), 1);
  EXPECT_EQ(Grid().Mode(), gui::gmEdit);
  EXPECT_TRUE(Grid().Modified() && Grid().Editor()->isVisible());

  // back to the line table from the cell editor; the new station is saved on the way
  box.Answer(1);
  QTest::keyClick(Grid().Editor(), Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(Label(), "Формат РЭС (линии)");
  ASSERT_EQ(box.Texts().size(), 1u);
  const TDataFile stations = Table(Base() + ".RTP");
  EXPECT_EQ(std::tuple(stations.RowCount, stations.Title), std::tuple(1, std::string("Пример")));
  EXPECT_EQ(Grid().CurrentTableRow(), 1) << "the line table where it was";

  // a station that exists is found, in any letter case, and nothing is added
  WriteRows(Base() + ".RTP", LayoutTransTP, {{"1", "ТП-5", "Т1"}, {"1", "тп-8", "Т1"}});
  GoTo(3, "Name1");
  QTest::keyClick(&Grid(), Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(std::pair(Grid().table().RowCount, Grid().CurrentTableRow()), std::pair(2, 2));
  EXPECT_FALSE(Grid().Modified());
  QTest::keyClick(&Grid(), Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(Label(), "Формат РЭС (линии)");
  EXPECT_EQ(Grid().CurrentTableRow(), 3);
}

TEST_F(GridHandlers, SpacePicksSwitchingDevicesAndGraphs) {
  WriteRows(ProgramDir + "sprav_KA.cat", "Коммутационные аппараты",
            {{"ВВ/TEL", "Выключатель", "10", "630"}, {"РВ", "Разъединитель", "10", "400"}});
  WriteRows(Base() + GetMaketExtention(GraphCatalogMaket), GraphCatalogMaket,
            {{"2", "Типовой", "0", "P", "3600", "%"}, {"5", "Ввод", "1", "P", "3600", "кВт"}});
  WriteRows(Base() + ".RTP", LayoutTransTP, {{"1", "ТП-7.2", "Т1"}});
  ShowBase();
  script.Then([](QDialog& d) {
    EXPECT_EQ(d.windowTitle().toStdString(), "Каталог коммутационных аппаратов");
    static_cast<gui::TCatalogForm&>(d).DTable()->GotoRow(2);
    Press(d, "Button1");  // "Выбрать"
  });
  GoTo(1, "MarkCom1");
  EditMode();
  Type(' ');
  EXPECT_EQ(Cell("MarkCom1", 1), "РВ-10-400");

  // a choice left without a row changes nothing
  script.Then([](QDialog& d) { Press(d, "Button2"); });
  Type(' ');
  EXPECT_EQ(Cell("MarkCom1", 1), "РВ-10-400");
  box.Answer(1);  // the line table saved on the way
  form->TPBtn->click();
  script.Then([](QDialog& d) {
    auto& w = static_cast<gui::TCatGrForm&>(d);
    w.CatGrid->GotoRow(2);
    Press(d, "OkBtn");
  });
  GoTo(1, "Ng_n");
  EditMode();
  Type(' ');
  EXPECT_EQ(Cell("Ng_n", 1), "5");

  // the station's transformer from the two-winding catalogue
  WriteRows(ProgramDir + "sprav_t2.cat", "Справочник ТР(2)", {{"ТМ", "250", "10", "0.4"}, {"ТМ", "400", "10", "0.4"}});
  script.Then([](QDialog& d) {
    EXPECT_EQ(d.windowTitle().toStdString(), "Каталог двухобмоточных трансформаторов");
    static_cast<gui::TCatalogForm&>(d).DTable()->GotoRow(2);
    Press(d, "Button1");
  });
  GoTo(1, "Transform");
  EditMode();
  Type(' ');
  EXPECT_EQ(Cell("Transform", 1), "ТМ-400/10/0.4");
}

TEST_F(GridHandlers, NodeSignColoursTheRowAsTheLetterTyped) {
  WriteRows(Base() + ".UZL", LayoutNodes, {{"1", "ПС-1.1"}, {"2", "ТП-2"}, {"3", "ТП-3"}});
  ShowBase();
  form->DataItemClick(form->NodesItem);
  ASSERT_EQ(Label(), "Узлы схемы");
  const std::pair<char, int> cases[] = {{'b', 16}, {'U', 80}, {'x', 0}};
  for (int row = 1; const auto& [letter, mark] : cases) {
    GoTo(row, "Sign");
    EditMode();
    Type(letter);
    ASSERT_TRUE(Grid().table().MarkRec);
    EXPECT_EQ(Grid().table().MarkRec->Get(row), mark) << letter;
    EXPECT_EQ(Cell("Sign", row), std::string(1, letter)) << "the letter reaches the cell";
    ++row;
  }
  GoTo(1, "Sign");
  EditMode();
  Type('u');
  EXPECT_EQ(Grid().table().MarkRec->Get(1), 80);
}

TEST_F(GridHandlers, F9OpensTheParameterDialogOnTheRowsEquipment) {
  ShowBase();
  // a reactor by its Cyrillic sign; the dialog returns a two-winding transformer
  script.Then([](QDialog& d) {
    auto& rx = static_cast<gui::TCalcRXForm&>(d);
    EXPECT_EQ(rx.Kind(), "RT");
    EXPECT_NE(d.windowTitle().toStdString().find("ТП-7.2 - ТП-8"), std::string::npos);
    const float values[6] = {};
    rx.Load("T2||", "ТМ-400/10/0.4", "", 3, 0, values, 0, 0, 0);
    d.setResult(QDialog::Accepted);
  });
  GoTo(3, "Name1");
  QTest::keyClick(&Grid(), Qt::Key_F9);
  EXPECT_EQ(script.Shown(), 2) << "the base's file dialog and the parameters";
  EXPECT_EQ(std::tuple(Cell("TypEqu", 3), Cell("KodLine", 3), Cell("Un", 3), Cell("Nl", 3)),
            std::tuple(std::string("T2||"), std::string("ТМ-400/10/0.4"), std::string("10/0.4"), std::string("3")));
  EXPECT_TRUE(Grid().Modified());

  // a station row opens on its transformer and tap
  box.Answer(1);
  WriteRows(Base() + ".RTP", LayoutTransTP, {{"1", "ТП-7.2", "Т1", "", "", "ТМ-250/10/0.4", "", "2"}});
  form->TPBtn->click();
  script.Then([](QDialog& d) {
    auto& rx = static_cast<gui::TCalcRXForm&>(d);
    EXPECT_EQ(rx.Kind(), "T2");
    std::string head, mark;
    rx.Key(head, mark);
    EXPECT_EQ(std::pair(head, mark), std::pair(std::string("T2||"), std::string("ТМ-250/10/0.4")));
    EXPECT_EQ(rx.TapPos[0], 2);
    d.setResult(QDialog::Rejected);
  });
  QTest::keyClick(&Grid(), Qt::Key_F9);
  EXPECT_FALSE(Grid().Modified());
}

TEST_F(GridHandlers, WithoutTheWriteRightF9IsOffInAllFourTables) {
  WriteRows(Base() + ".RTP", LayoutTransTP, {{"1", "ТП-7.2", "Т1"}});
  WriteRows(Base() + ".VET", LayoutBranches, {{"1", "1", "2"}});
  WriteRows(Base() + ".SWT", LayoutSwitchLog, {{"20040305", "7", "5"}});
  UserAccess = 0;
  ShowBase();
  for (QObject* table : {static_cast<QObject*>(form->LineItem), static_cast<QObject*>(form->TPItem),
                         static_cast<QObject*>(form->LinesItem), static_cast<QObject*>(form->SwitchItem)}) {
    if (table == form->LineItem)
      form->LineItemClick();
    else
      form->DataItemClick(table);
    EXPECT_FALSE(Grid().ParamEnabled()) << Label();
    QTest::keyClick(&Grid(), Qt::Key_F9);  // a dialog would fail the script
  }
  // the jump finds stations but adds none to a table shown read-only
  form->LineItemClick();
  GoTo(3, "Name1");  // ends at "ТП-8", which has no station row
  QTest::keyClick(&Grid(), Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(Label(), "Формат РЭС (ТП,РП)");
  EXPECT_EQ(Grid().table().RowCount, 1);
  EXPECT_FALSE(Grid().Modified() || fs::exists(Base() + ".RTP~"));
  UserAccess = 1;
  form->DataItemClick(form->LinesItem);
  EXPECT_TRUE(Grid().ParamEnabled());
  form->DataItemClick(form->SubstItem);
  EXPECT_FALSE(Grid().ParamEnabled()) << "no parameters for the inputs";
}

TEST_F(GridHandlers, JournalDateTextsAreWrittenOnSaveAndTheCommentGoesToTheHelpLine) {
  WriteRows(Base() + ".SWT", LayoutSwitchLog, {{"20040305", "7", "5"}, {"20041231", "23", "59", "1", "старый"}});
  ShowBase();
  form->DataItemClick(form->SwitchItem);
  Grid().LockOnce();
  form->SaveItem->trigger();
  const TDataFile journal = Table(Base() + ".SWT");
  const int dateS = FindColumnIndex("DateS", journal);
  EXPECT_EQ(GetCellText(journal, 1, dateS, true), "05.03.2004 07:05");
  EXPECT_EQ(GetCellText(journal, 2, dateS, true), "31.12.2004 23:59");

  form->TPBtn->click();
  GoTo(1, "Ntr");
  EXPECT_EQ(form->HelpPanel->text().toStdString(), " Обозначение трансформатора в ТП: Т1, Т2 ...");
  EXPECT_EQ(form->HelpPanel->toolTip(), form->HelpPanel->text());
  GoTo(1, "Name1");
  EXPECT_EQ(form->HelpPanel->text().toStdString(), " ");
}

TEST_F(GridHandlers, PictureOfTheWindowOverASmallBase) {
  WriteRows(Base() + ".RTP", LayoutTransTP,
            {{"1", "ТП-7.2", "Т1", "", "", "ТМ-400/10/0.4"}, {"1", "ТП-8", "Т1", "", "", "ТМ-250/10/0.4"}});
  ShowBase();
  form->resize(1000, 600);
  form->Info->setPlainText("Строка 3: узел \"ТП-9\" не найден");
  form->ShowInfo(true);
  GoTo(1, "KodLine");
  QApplication::processEvents();
  const QImage shot = form->grab().toImage();
  EXPECT_FALSE(shot.isNull());
  EXPECT_TRUE(shot.save(QString::fromStdString(OutputPath("district_window.png").string())));
}

}  // namespace
}  // namespace ld::test
