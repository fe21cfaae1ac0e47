// The regime window's tables in the grid: the keys and pickers of the cells, F9 on a branch, the
// exchange files' hot keys, the recalculation of branches and the month's data.
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

#include "core/base/dates.h"
#include "core/catalogs/catalog_units.h"
#include "core/office/xlsx_file.h"
#include "core/tables/colmaps.h"
#include "support/table_rows.h"
#include "zregim_fixture.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

class RegimeTables : public RegimeWindow {
protected:
  // Nodes 3 "ПС1.А" (balancing) and 7 "ТП5", one branch 3 - 7, at its moment 05.03.2004 07:05.
  RegimeTables() {
    SchemeBuilder s;
    Station(s, 3, "ПС1.А", "B");
    Station(s, 7, "ТП5", "", 1, 0.5);
    s.Branch(3, 7, 1, 2).MarkCom1 = "ВМП-10-10-630";
    WriteCurDateSwt(s.Write(dir.Path(), "Схема"), EncodeDate(2004, 3, 5) + EncodeTime(7, 5, 0));
    OpenScheme(s);
  }
  gui::TDataGrid5& Grid() { return form->DataGrid(); }
  void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(&Grid(), Qt::Key(key), mods); }
  // The cursor on a field of a row, in edit mode when asked.
  void Cell(const std::string& field, int row, bool edit = false) {
    Grid().MoveTo(Grid().FieldColumn(field), row);
    if (edit && Grid().Mode() != gui::gmEdit) Key(Qt::Key_F4);
  }
  std::string InfoText() const { return form->Info->toPlainText().toStdString(); }
};

TEST_F(RegimeTables, KeysSetMarksAndPickersFillCells) {
  WriteRows(path + ".GRC", "Каталог графиков", {{"5", "Зима"}, {"9", "Лето"}});
  WriteRows(dir / "sprav_KA.cat", CatalogLayoutKA,
            {{"ВМП-10", "выключатель", "10", "630"}, {"ВВ/TEL", "выключатель", "10", "1000"}});

  Cell("Sign", 2, true);
  QTest::keyClicks(Grid().Editor(), "b");
  EXPECT_EQ(Grid().table().MarkRec->Get(2), 16);
  QTest::keyClicks(Grid().Editor(), "U");
  EXPECT_EQ(Grid().table().MarkRec->Get(2), 80);

  // Space in a graph column: the catalogue opens on the cell's graph and the chosen number is stored
  Cell("Ng_n", 2, true);
  script.Then([](QDialog& d) {
    Child<gui::TDataGrid5>(d, "CatGrid").MoveTo(1, 2);
    Press(d, "OkBtn");
  });
  QTest::keyClick(Grid().Editor(), Qt::Key_Space);
  EXPECT_EQ(GetColumnAs<DALongint>("Ng_n", Grid().table())->Get(2), 9);
  EXPECT_TRUE(Grid().Modified());
  Key(Qt::Key_F2);

  // Space in a switching-device column: the catalogue on the device the cell names, its text stored
  form->LinesItem->trigger();
  Cell("MarkCom1", 1, true);
  script.Then([](QDialog& d) {
    auto& grid = Child<gui::TDataGrid5>(d, "DTable");
    EXPECT_EQ(grid.CurrentTableRow(), 1);  // the device the cell names
    grid.MoveTo(1, 2);
    Press(d, "Button1");
  });
  QTest::keyClick(Grid().Editor(), Qt::Key_Space);
  EXPECT_EQ(GetColumnAs<DAString>("MarkCom1", Grid().table())->GetItem(1), "ВВ/TEL-10-1000");
  EXPECT_TRUE(box.Texts().empty()) << box.Texts()[0];

  // a damaged device catalogue: said, and the cell keeps its text
  WriteBytes(dir.Path() / "sprav_KA.cat", "ZREGIM испорчен");
  QTest::keyClick(Grid().Editor(), Qt::Key_Space);
  ASSERT_EQ(box.Texts().size(), 1u);
  EXPECT_NE(box.Texts()[0].find("sprav_KA.cat"), std::string::npos) << box.Texts()[0];
  EXPECT_EQ(GetColumnAs<DAString>("MarkCom1", Grid().table())->GetItem(1), "ВВ/TEL-10-1000");
}

TEST_F(RegimeTables, MissingFlowDistrictAndJournalTablesAreShownWithoutMakingTheirFiles) {
  const std::vector<std::string> files{path + GetMaketExtention(LayoutLineFlows),
                                       path + GetMaketExtention(LayoutSchemeAreas),
                                       path + GetMaketExtention(LayoutSwitchLog)};
  for (QAction* item : {form->FiderItem, form->RayonItem, form->SwitchItem}) item->trigger();
  for (const std::string& file : files) EXPECT_FALSE(fs::exists(file)) << file;
}

TEST_F(RegimeTables, F9OnABranchAndTheRecalculationOfTheBranchTable) {
  form->LinesItem->trigger();
  ASSERT_TRUE(Grid().ParamEnabled());
  GetColumnAs<DAString>("Name1", *Grid().GetTable())->SetItem(1, "старое");
  Cell("R", 1);
  script.Then([](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "3 - 7 старое -  Параметры ветви");
    Child<QLineEdit>(d, "XEdit").setText("4,75");
    Press(d, "OkBtn");
  });
  Key(Qt::Key_F9);
  TBranchCols b;
  FillBranchCols(Grid().table(), b);
  EXPECT_EQ(b.TypEqu->GetItem(1), "RX||");
  EXPECT_FLOAT_EQ(b.X->Get(1), 4.75f);
  Key(Qt::Key_F2);
  TDataFile saved = Table(".VET");
  FillBranchCols(saved, b);
  EXPECT_EQ(b.Name1->GetItem(1) + " " + b.Name2->GetItem(1) + " " + b.Text->GetItem(1), "ПС1.А ТП5 RX||");

  // the recalculation from the passport list fills the grid and writes nothing
  WriteRows(path + ".LT2", "Список ТР(2)",
            {{"Т1", "ТДН-10000/110", "10000", "115", "11", "60", "10.5", "0", "0", ""}});
  form->NodesItem->trigger();
  form->RecalcItem->setEnabled(true);
  form->RecalcItem->trigger();
  EXPECT_EQ(box.Texts(),
            std::vector<std::string>{"Необходимо показать таблицу ветвей схемы: меню \"Данные\" - \"Ветви схемы\""});
  form->LinesItem->trigger();
  GetColumnAs<DAString>("TypEqu", *Grid().GetTable())->SetItem(1, "T2|Т1|0");
  const std::string before = ReadBytes(path + ".VET");
  form->RecalcItem->trigger();
  FillBranchCols(Grid().table(), b);
  EXPECT_NEAR(b.R->Get(1), 7.935, 1e-3);
  EXPECT_TRUE(Grid().Modified());
  EXPECT_EQ(ReadBytes(path + ".VET"), before);
  EXPECT_TRUE(form->ProcBar->isHidden());
}

TEST_F(RegimeTables, ExchangeFilesByHotKeysAndTheTapHotKey) {
  const std::string pnt = (dir.Path() / "обмен.PNT").string();
  script.Then(Choose("Запись файлов PNT,LIN", pnt));
  Key(Qt::Key_W, Qt::ControlModifier);
  const std::string pntBytes = ReadBytes(pnt);
  EXPECT_NE(pntBytes.find(" REG\r\n"), std::string::npos);
  EXPECT_TRUE(fs::exists(dir.Path() / "обмен.LIN"));
  // the name offered, the scheme's own, taken as it stands gets the file's extension
  script.Then([](QDialog& d) { d.setResult(QDialog::Accepted); });
  Key(Qt::Key_W, Qt::ControlModifier);
  EXPECT_TRUE(fs::exists(path + ".PNT"));

  // A damaged line, or a pair that holds no scheme (its header lines alone, as a pair written from an
  // empty scheme is; two empty files; nodes without a branch): the message names the file and says that
  // nothing changed, neither table changes and the grid keeps its rows.
  const std::string nodes = ReadBytes(path + ".UZL"), branches = ReadBytes(path + ".VET");
  const std::string lin = dir / "обмен.LIN", linBytes = ReadBytes(lin);
  const std::string pntHeader = pntBytes.substr(0, pntBytes.find('\n') + 1);
  const std::string linHeader = linBytes.substr(0, linBytes.find('\n') + 1);
  const std::string none = ": нет данных для импорта, ничего не изменено";
  struct Case {
    std::string pntBytes, linBytes, named, reason;
  };
  const std::vector<Case> cases = {
      {pntBytes + "       9 0 x 0 0 0 0 0 0 0\r\n", linBytes, pnt,
       "PNT, строка 4: поле Pn: текст \"x\" не является числом, ничего не изменено"},
      {pntHeader, linHeader, pnt, "за строкой заголовка нет ни одной записи узла" + none},
      {"", "", pnt, "файл пуст" + none},
      {pntBytes, linHeader, lin, "за строкой заголовка нет ни одной записи ветви" + none}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    WriteBytes(pnt, c.pntBytes);
    WriteBytes(lin, c.linBytes);
    box.Clear();
    script.Then(Choose("Чтение файлов PNT,LIN", pnt));
    Key(Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(box.Texts(), std::vector<std::string>{"Ошибка чтения файла \"" + c.named + "\": " + c.reason});
    EXPECT_EQ(ReadBytes(path + ".UZL"), nodes);
    EXPECT_EQ(ReadBytes(path + ".VET"), branches);
    EXPECT_EQ(Grid().table().RowCount, 2);
    EXPECT_TRUE(NoLocks());
  }

  // a good pair: three nodes now, shown in the grid and saved
  box.Clear();
  WriteBytes(lin, linBytes);
  WriteBytes(pnt, pntBytes + "       9 2 0.5 0 0 0 10 0 0 0\r\n");
  script.Then(Choose("Чтение файлов PNT,LIN", pnt));
  Key(Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Импорт из файла \"" + pnt +
                                                  "\" закончен, взято: узлов 3, ветвей 1 (файл \"обмен.LIN\")"});
  EXPECT_EQ(Grid().table().RowCount, 3);
  EXPECT_EQ(FileNumber(".UZL", "NS", 3), 9);
  EXPECT_EQ(TTextColumn("Name", Table(".UZL")).Get(1), "ПС1.А");
  EXPECT_TRUE(NoLocks());
}

TEST_F(RegimeTables, NewMonthAndMeasurementImport) {
  box.Answer(0);
  form->NewMonthItem->trigger();
  EXPECT_EQ(box.Texts().back(), "Данные электропотребления в таблицах узлов и перетоков будут обнулены. Продолжить ?");
  EXPECT_DOUBLE_EQ(FileNumber(".UZL", "Pn", 2), 1);
  box.Answer(1);
  form->NewMonthItem->trigger();
  EXPECT_DOUBLE_EQ(FileNumber(".UZL", "Pn", 2), 0);

  Workbook book;
  book.sheets.emplace_back("Лист1");
  Worksheet& s = book.sheets[0];
  s.SetNumber(1, 9, 2), s.SetText(1, 14, "ТП5"), s.SetText(1, 16, "Т1"), s.SetText(1, 17, "1");
  s.SetNumber(2, 9, 3), s.SetText(2, 14, "ПС1"), s.SetText(2, 16, "А"), s.SetText(2, 17, "1");
  WriteXlsx(dir / "замеры.xlsx", book);
  script.Then([&](QDialog& d) {
    EXPECT_EQ(Child<QLineEdit>(d, "TgEdit").text(), "0.426");
    Child<QLineEdit>(d, "FEdit").setText(QString::fromStdString(dir / "замеры.xlsx"));
    Child<QLineEdit>(d, "TgEdit").setText("0,5");
    Child<QLineEdit>(d, "PrimEdit").setText("март");
    Press(d, "OKBtn");
  });
  form->ImpZamer->trigger();
  EXPECT_EQ(InfoText(), "Строка 1: узел ТП5.Т1 не найден");
  EXPECT_DOUBLE_EQ(FileNumber(".UZL", "Qn", 1), 1.5);
  EXPECT_EQ(TTextColumn("Prim", Table(".UZL")).Get(1), "март");
  EXPECT_FLOAT_EQ(IniRec.ZamerTg, 0.5f);
  EXPECT_EQ(IniRec.PathXls110, dir / "замеры.xlsx");
  EXPECT_EQ(Label(), "Узлы схемы");
  EXPECT_TRUE(NoLocks());
}

}  // namespace
}  // namespace ld::test
