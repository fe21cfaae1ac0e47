// The graph catalogue window: opening and picking, showing a graph, editing, rights, printing.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <climits>
#include <tuple>
#include <utility>
#include <vector>

#include "catwin_fixture.h"
#include "core/base/codepage.h"
#include "core/base/inifile.h"
#include "core/catalogs/graph_tables.h"
#include "core/tables/file_guard.h"
#include "core/tables/table_run.h"
#include "gui/catalogs/cat_gr_form.h"
#include "gui/catalogs/graph_box.h"
#include "gui/catalogs/prn_grf_form.h"
#include "gui/grid/data_grid.h"
#include "gui/grid/report_print_render.h"
#include "support/full_disk.h"
#include "support/raw_table.h"

namespace ld::test {
namespace {

class GraphWindowTest : public CatwinTest {
protected:
  GraphWindowTest() {
    TIniFile ini(ConfigFileName);
    ini.WriteString("Graphics", "Date1", "05.03.2024");
    ini.WriteString("Graphics", "Date2", "05.03.2024");
  }
  std::string Base() const { return Path("схема"); }
  std::string CatalogFile() const { return Base() + GetMaketExtention(GraphCatalogMaket); }
  std::string ValuesFile() const { return Base() + GetMaketExtention(GraphValuesMaket); }

  // Graphs 9 (kW by slices: 0, 2, 4 in the first three hours of 5 March 2024), 2 (typical) and 5,
  // in that order: the file is not sorted.
  void MakeGraphs() {
    WriteRows(CatalogFile(), GraphCatalogMaket,
              {{"9", "Фидер 9", "1", "P", "3600", "кВт"},
               {"2", "Типовой", "0", "P", "3600", "%"},
               {"5", "Ввод", "1", "Q", "3600", "кВАр"}});
    DAdouble dates, values;
    for (int h = 1; h <= 3; ++h) {
      dates[h] = 20240305 + 0.036 * h;
      values[h] = 2.0 * (h - 1);
    }
    dates.Count = values.Count = 3;
    StoreGraphValues(Base(), 9, dates, values);
  }
  std::vector<int> FileNumbers(const std::string& file) const {
    TDataFile t;
    ReadTableFile(file, t);
    std::vector<int> numbers;
    for (int r = 1; r <= t.RowCount; ++r) numbers.push_back(std::stoi(GetCellText(t, r, 1, true)));
    return numbers;
  }
  static void Load(gui::TCatGrForm& w, int row) {
    w.CatGrid->GotoRow(row);
    QTest::mouseClick(w.LoadBtn, Qt::LeftButton);
  }
};

TEST_F(GraphWindowTest, BrowseAndPickModes) {
  script_
      .Then([](QDialog& d) {
        EXPECT_TRUE(Child<QWidget>(d, "OkPanel").isHidden());
        // the menu items are found by their component names
        auto& w = static_cast<gui::TCatGrForm&>(d);
        for (const auto& [name, item] : std::vector<std::pair<const char*, QAction*>>{
                 {"AddItem", w.AddItem}, {"EditItem", w.EditItem}, {"DelItem", w.DelItem}, {"SetItem", w.SetItem},
                 {"ImpLBItem", w.ImpLBItem}, {"ImpGRItem", w.ImpGRItem}, {"ImpSVEItem", w.ImpSVEItem},
                 {"ImpKOEItem", w.ImpKOEItem}, {"SaveItem", w.SaveItem}})
          EXPECT_EQ(d.findChild<QAction*>(name), item) << name;
        d.reject();
      })
      .Then([](QDialog& d) {
        auto& w = static_cast<gui::TCatGrForm&>(d);
        EXPECT_FALSE(w.OkPanel->isHidden());
        EXPECT_EQ(w.CatGrid->CurrentTableRow(), 2) << "number 5 in the sorted catalogue";
        Click(d, "OkBtn");
      })
      .Then([](QDialog& d) {  // a number that is not there selects nothing; "Выбрать" gives the row under the cursor
        EXPECT_EQ(static_cast<gui::TCatGrForm&>(d).CatGrid->CurrentTableRow(), 1);
        d.accept();
      })
      .Then([](QDialog& d) {  // the catalogue under a lower-case extension is the base's own
        EXPECT_EQ(static_cast<gui::TCatGrForm&>(d).CatGrid->CurrentTableRow(), 3);
        Click(d, "OkBtn");
      });
  // A base without a catalogue gets an empty one.
  int number = INT_MAX;
  EXPECT_FALSE(gui::ShowGraphCatalog(Base(), number));
  EXPECT_TRUE(number == INT_MAX && FileNumbers(CatalogFile()).empty());

  MakeGraphs();
  number = 5;
  EXPECT_TRUE(gui::ShowGraphCatalog(Base(), number) && number == 5);
  EXPECT_EQ(FileNumbers(CatalogFile()), (std::vector<int>{2, 5, 9})) << "a writer keeps the sorted catalogue";
  number = 77;
  EXPECT_TRUE(gui::ShowGraphCatalog(Base(), number) && number == 2);

  const std::string lower = RemoveExtension(CatalogFile()) + ".grc";
  std::filesystem::rename(CatalogFile(), lower);
  number = 9;
  EXPECT_TRUE(gui::ShowGraphCatalog(Base(), number) && number == 9);
  EXPECT_EQ(RawTable(lower).rows, 3);
  EXPECT_FALSE(std::filesystem::exists(CatalogFile()));
}

// Also where the base's files carry lower-case extensions (a folder copied from another system): they are
// the base's catalogue and values, shown whole, never replaced by empty ones.
TEST_F(GraphWindowTest, ReadOnlyUserSortsInMemoryAndChangesNothing) {
  for (const bool lower : {false, true}) {
    SCOPED_TRACE(lower ? "lower-case extensions" : "the layout's extensions");
    MakeGraphs();
    std::string catalog = CatalogFile(), values = ValuesFile();
    if (lower) {
      for (std::string* file : {&catalog, &values}) {
        const std::string ext = ExtractExtension(*file);
        const std::string named = RemoveExtension(*file) + QString::fromStdString(ext).toLower().toStdString();
        std::filesystem::rename(*file, named);
        *file = named;
      }
    }
    const std::string before = ReadBytes(catalog), valuesBefore = ReadBytes(values);
    UserAccess = 0;
    gui::TCatGrForm w(Base(), 9);
    w.show();
    EXPECT_EQ(w.CatGrid->CurrentTableRow(), 3) << "searched after sorting";
    EXPECT_FALSE(w.CatGrid->EditTable() || w.NewBtn->isEnabled() || w.ImpItem->isEnabled());
    QTest::mouseClick(w.ValBtn, Qt::LeftButton);
    Load(w, 3);
    EXPECT_FALSE(w.CorBtn->isEnabled() || w.ValGrid->EditTable());
    Load(w, 4);  // below the last graph: the whole values table
    EXPECT_EQ(w.ValGrid->table().RowCount, RawTable(values).rows);
    w.AddGraph(), w.DeleteGraph(), w.EditGraph(), w.ImportLB(), w.SaveImport();
    EXPECT_TRUE(msg_.Calls().empty());
    w.reject();
    EXPECT_EQ(std::pair(ReadBytes(catalog), ReadBytes(values)), std::pair(before, valuesBefore));
    std::filesystem::remove(catalog);
    std::filesystem::remove(values);
    UserAccess = 1;
  }
}

TEST_F(GraphWindowTest, ShowsGraphTableStatisticsAndJointPlot) {
  MakeGraphs();
  gui::TCatGrForm w(Base(), INT_MAX);
  w.resize(900, 640);
  w.show();
  QTest::mouseClick(w.GrafBtn, Qt::LeftButton);
  Load(w, 3);
  EXPECT_EQ((QStringList{w.LGrafik->text(), w.PerBox->text(), w.SredBox->text(), w.KvadBox->text()}),
            (QStringList{"9, P (кВт) Фидер 9", " Интервал: 1 час ", " Vср = 3.000", " Vкв = 3.162"}));
  QTest::mouseClick(w.ValBtn, Qt::LeftButton);
  ASSERT_EQ(w.ValGrid->table().RowCount, 24);
  QTest::mouseClick(w.MinBtn, Qt::LeftButton);
  EXPECT_EQ(w.ValGrid->CurrentTableRow(), 2) << "the minimum is never a zero";

  // Joint display: graph 5 joins graph 9 in its own colour; releasing it plots the current one alone.
  QTest::mouseClick(w.MulGrafBtn, Qt::LeftButton);
  Load(w, 2);
  ASSERT_EQ(w.GrafBox->Series().size(), 2u);
  EXPECT_EQ(std::pair(w.GrafBox->Series()[1].Number, w.GrafBox->Series()[1].Color), std::pair(5, 0x000080u));
  QTest::mouseClick(w.MulGrafBtn, Qt::LeftButton);
  ASSERT_EQ(w.GrafBox->Series().size(), 1u);
  EXPECT_EQ(w.GrafBox->Series()[0].Number, 5);
  w.reject();
  EXPECT_NE(Cp1251ToUtf8(ReadBytes(ConfigFileName)).find("CurPeriod=3600"), std::string::npos);
}

TEST_F(GraphWindowTest, SlicesTwoSecondsApartShowTheirWholeTime) {
  WriteRows(CatalogFile(), GraphCatalogMaket, {{"7", "Секундный", "1", "I", "2", "А"}});
  gui::TCatGrForm w(Base(), INT_MAX);
  w.resize(900, 640);
  w.show();
  QTest::mouseClick(w.ValBtn, Qt::LeftButton);
  Load(w, 1);
  const TDataFile& t = w.ValGrid->table();
  ASSERT_EQ(t.RowCount, 43200);
  const int dateCol = FindColumnIndex("DateStr", t);
  const std::string first = GetCellText(t, 1, dateCol, false), second = GetCellText(t, 2, dateCol, false);
  EXPECT_EQ(first + " / " + second, "05.03.2024 00:00:02 / 05.03.2024 00:00:04");
  // The whole slice time and every caption of the catalogue fit their columns in the screen's font.
  EXPECT_GE(w.ValGrid->CellRect(1, 1).width(), w.ValGrid->TextWidth(second) + 4);
  for (int g = 1; g < w.CatGrid->ColCount(); ++g) {
    const auto c = static_cast<std::size_t>(w.CatGrid->TableColumn(g));
    EXPECT_GE(w.CatGrid->table().PixWidth[c], w.CatGrid->TextWidth(w.CatGrid->table().ColTitle[c]) + 4) << c;
  }
  w.reject();
}

TEST_F(GraphWindowTest, ValuesAreCorrectedRenamedAndDeleted) {
  MakeGraphs();
  gui::TCatGrForm w(Base(), INT_MAX);
  w.show();
  QTest::mouseClick(w.ValBtn, Qt::LeftButton);
  Load(w, 3);
  QTest::mouseClick(w.CorBtn, Qt::LeftButton);
  w.ValGrid->MoveTo(w.ValGrid->FieldColumn("Value"), 1);
  ASSERT_TRUE(w.ValGrid->SetEditText("7,5"));
  QTest::mouseClick(w.SaveValBtn, Qt::LeftButton);
  TDataFile values;
  ReadTableFile(ValuesFile(), values);
  EXPECT_EQ(GetCellText(values, 1, 3, true) + "/" + GetCellText(values, 3, 3, true), "7.5/4");
  EXPECT_EQ(w.SredBox->text(), " Vср = 4.500");

  // Renaming graph 9 to 12 takes its values along, in the catalogue's run.
  std::vector<TRunStep> steps;
  SetTableRunStepHook([&](TRunStep step) {
    if (step == TRunStep::RecordsLaid || step == TRunStep::Renamed) steps.push_back(step);
  });
  const std::vector<TRunStep> oneRunOfTwo = {TRunStep::RecordsLaid, TRunStep::Renamed, TRunStep::Renamed};
  w.CatGrid->GotoRow(3);
  script_.Then([](QDialog& d) {
    Child<QComboBox>(d, "_Ngr").setEditText("12");
    Click(d, "OKBtn");
  });
  w.EditGraph();
  EXPECT_EQ(w.GraphNo(), 12);
  EXPECT_EQ(FileNumbers(CatalogFile()), (std::vector<int>{2, 5, 12}));
  EXPECT_EQ(FileNumbers(ValuesFile()), std::vector<int>(24, 12));
  EXPECT_EQ(steps, oneRunOfTwo);

  // Deleting it asks first and removes its values, in one run too.
  steps.clear();
  msg_.Answer(1);
  w.DeleteGraph();
  SetTableRunStepHook(nullptr);
  EXPECT_EQ(msg_.Texts(), (std::vector<std::string>{"Удалить график номер 12 ?"}));
  EXPECT_EQ(FileNumbers(CatalogFile()), (std::vector<int>{2, 5}));
  EXPECT_TRUE(FileNumbers(ValuesFile()).empty() && w.GraphNo() == 0);
  EXPECT_EQ(steps, oneRunOfTwo);

  // Below the last row the whole values table opens, and the correction edits it as a file.
  Load(w, 3);
  EXPECT_EQ(w.ValGrid->FileName(), ValuesFile());
  QTest::mouseClick(w.CorBtn, Qt::LeftButton);
  EXPECT_TRUE(w.ValGrid->EditTable());
  w.reject();
}

TEST_F(GraphWindowTest, PlotGoesToBitmapAndPdf) {
  MakeGraphs();
  gui::TCatGrForm w(Base(), INT_MAX);
  w.resize(900, 640);
  w.show();
  QTest::mouseClick(w.GrafBtn, Qt::LeftButton);
  Load(w, 3);

  const std::string bmp = Path("graph.bmp"), pdf = Path("plot.pdf");
  script_.Then([&](QDialog& d) {
    auto& f = static_cast<gui::TPrnGrfForm&>(d);
    EXPECT_EQ(f.BmpFileEdit->text().toStdString(), bmp) << "the program folder's graph.bmp";
    QTest::mouseClick(Child<QWidget>(d, "TopSpin").findChild<QToolButton*>("Up"), Qt::LeftButton);
    EXPECT_EQ(f.TopEdit->text(), "1.1");
    f.BmpFileBox->setChecked(true);
    Click(d, "PrintBtn");
  });
  QTest::mouseClick(w.PrnGrafBtn, Qt::LeftButton);
  EXPECT_EQ(ReadBytes(bmp).substr(0, 2), "BM");
  EXPECT_EQ(QImage(QString::fromStdString(bmp)).size(), w.GrafBox->size());
  EXPECT_NE(Cp1251ToUtf8(ReadBytes(Path("prnsetup.cfg"))).find("Top=1.1"), std::string::npos);

  // A disk that fills while the picture is written keeps the last one; the dialog stays for another try.
  const std::string lastBmp = ReadBytes(bmp);
  script_.Then([&](QDialog& d) {
    static_cast<gui::TPrnGrfForm&>(d).BmpFileBox->setChecked(true);
    {
      FullDisk disk(100);
      Click(d, "PrintBtn");
    }
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(msg_.Texts(), std::vector<std::string>{FullDiskMessage(bmp)});
    d.reject();
  });
  QTest::mouseClick(w.PrnGrafBtn, Qt::LeftButton);
  EXPECT_EQ(ReadBytes(bmp), lastBmp);
  msg_.Clear();

  // Without a printer the plot goes to a PDF file that the person names; a file that cannot be
  // written is reported and the dialog stays for another try.
  if (QPrinterInfo::availablePrinters().isEmpty()) {
    const auto answerPdf = [](const std::string& file) {
      return [file](QDialog& d) {
        Child<QLineEdit>(d, "fileNameEdit").setText(QString::fromStdString(file));
        d.accept();
      };
    };
    script_
        .Then([&](QDialog& d) {
          auto& f = static_cast<gui::TPrnGrfForm&>(d);
          EXPECT_TRUE(f.BmpFileBox->isChecked()) << "kept from the last printing";
          f.BmpFileBox->setChecked(false);
          Click(d, "PrintBtn");
          EXPECT_TRUE(msg_.Texts() == std::vector<std::string>{"Ошибка печати графика"} && d.isVisible());
          Click(d, "PrintBtn");
        })
        .Then(answerPdf(Path("нет/plot.pdf")))
        .Then(answerPdf(pdf));
    QTest::mouseClick(w.PrnGrafBtn, Qt::LeftButton);
    EXPECT_TRUE(gui::GraphPrinter().outputFileName().isEmpty()) << "the next printing asks again";
    EXPECT_EQ(ReadBytes(pdf).substr(0, 5), "%PDF-");
  }
  w.reject();
}

TEST(GraphPrintPlacement, MarginsTurnWithThePageAndThePictureKeepsItsShape) {
  const gui::PrintMargins m = gui::TurnedMargins({1, 2, 1.5, 0.5}, true);  // the left margin goes to the top
  EXPECT_EQ(std::tuple(m.top, m.left, m.bottom, m.right), std::tuple(2.0, 1.5, 0.5, 1.0));

  // A4 at 600 dpi: 4961 x 7016 pixels; margins 2 cm left, 1 cm elsewhere. A plot of 800 x 400 at
  // 96 dpi is 5000 x 2500 printer pixels, wider than the room, so the width decides.
  TPrnGrfSettings a4;
  TPrintPlacement p;
  ASSERT_TRUE(PlaceGraphOnPage(a4, 4961, 7016, 600, 600, 96, 96, 800, 400, p));
  EXPECT_EQ(std::tuple(p.Left, p.Top, p.Width, p.Height), std::tuple(472, 236, 4961 - 472 - 236, 2126))
      << "2500 · 4253 / 5000 = 2126.5, rounded half to even";
  a4.Left = 30;
  EXPECT_FALSE(PlaceGraphOnPage(a4, 4961, 7016, 600, 600, 96, 96, 800, 400, p));
  // A margin typed as 1E30 leaves no room either, instead of failing the printing.
  a4.Left = 1e30f;
  EXPECT_FALSE(PlaceGraphOnPage(a4, 4961, 7016, 600, 600, 96, 96, 800, 400, p));
}

TEST(GraphPrintSettings, AMarginNoSheetHasIsRefusedByItsFileAndKey) {
  TempDir dir;
  const std::string file = dir / "prnsetup.cfg";
  WriteBytes(file, "[PrnGrfSetup]\r\nTop=0.5\r\nLeft=3.4E38\r\nBottom=2\r\n");
  TPrnGrfSettings s;
  std::string why;
  EXPECT_FALSE(ReadPrnGrfSettings(file, s, &why));
  EXPECT_EQ(why, "недопустимое значение ключа Left в разделе [PrnGrfSetup]");
  EXPECT_EQ(std::tuple(s.Top, s.Left, s.Bottom), std::tuple(0.5f, 2.0f, 1.0f)) << "read up to the bad key";
  WriteBytes(file, "[PrnGrfSetup]\r\nTop=много\r\n");
  EXPECT_FALSE(ReadPrnGrfSettings(file, s, &why));
  EXPECT_EQ(why, "недопустимое значение ключа Top в разделе [PrnGrfSetup]");
  WriteBytes(file, "[PrnGrfSetup]\r\nTop=1.5\r\nRight=1000\r\n");
  EXPECT_TRUE(ReadPrnGrfSettings(file, s, &why));
  EXPECT_EQ(std::tuple(s.Top, s.Right), std::tuple(1.5f, 1000.0f));
}

}  // namespace
}  // namespace ld::test
