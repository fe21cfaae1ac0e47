// Ctrl+R in the regime window: the calculation with its locks, messages, protocol and limit flags; the
// result views; printing what is shown; the configuration control.
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QSplitter>
#include <QTextEdit>

#include <array>
#include <cstdio>
#include <memory>

#include "core/engine/regime.h"
#include "core/tables/colmaps.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"
#include "gui/grid/report_print_device.h"
#include "zregim_fixture.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

std::string PdfText(const std::string& pdf) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(("pdftotext -layout '" + pdf + "' - 2>/dev/null").c_str(), "r"),
                                             pclose);
  if (!pipe) return out;
  std::array<char, 4096> buffer{};
  while (const std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe.get())) out.append(buffer.data(), n);
  return out;
}

class RegimeCalculation : public RegimeWindow {
protected:
  RegimeCalculation() { OpenScheme(); }
  double Urez(int row) const { return FileNumber(".UZL", "Urez", row); }
  int Rows() { return form->DataGrid().table().RowCount; }
};

TEST_F(RegimeCalculation, CalculatesWritesShowsTheProtocolAndColoursTheFlags) {
  IniRec.Un = 5;
  Calculate();
  EXPECT_TRUE(box.Texts().empty()) << box.Texts()[0];
  EXPECT_NEAR(Urez(2), 9.690, 0.0005);
  EXPECT_TRUE(fs::exists(path + ".RGM"));
  EXPECT_TRUE(form->Memo1->isVisibleTo(form.get()));
  // the protocol takes the whole place of the grid
  QApplication::processEvents();
  EXPECT_EQ(form->Memo1->height(), form->MainPanel->height());
  EXPECT_FALSE(form->DataGrid().GridVisible());
  EXPECT_NE(ColorOf(form->VM), QColor(Qt::red));  // 3.1 % below 10 kV is within 5 %
  EXPECT_TRUE(NoLocks());
  EXPECT_TRUE(form->ProcBar->isHidden());
  IniRec.Un = 3;
  Calculate();
  EXPECT_EQ(ColorOf(form->VM), QColor(Qt::red));

  // printing what is shown: the protocol under the scheme's header, into a PDF file
  const std::string pdf = dir / "protocol.pdf";
  gui::ReportPrinter().setOutputFileName(QString::fromStdString(pdf));
  script.Then([](QDialog& d) {
    EXPECT_EQ(Child<QPlainTextEdit>(d, "BeginText").toPlainText().toStdString(),
              "Схема: Схема - Общие характеристики режима");
    Press(d, "PrintBtn");  // prints
    Press(d, "PrintBtn");  // "Выход"
  });
  form->PrintItem->trigger();
  gui::ReportPrinter().setOutputFileName(QString());
  const std::string text = PdfText(pdf);
  EXPECT_NE(text.find("Схема: Схема - Общие характеристики режима"), std::string::npos) << text;
  EXPECT_NE(text.find("Потери в схеме"), std::string::npos);

  // the views of the calculated tables in the grid's place, of a district when one is chosen
  form->VoltItem->trigger();
  QApplication::processEvents();
  EXPECT_EQ(form->DataGrid().height(), form->MainPanel->height());
  EXPECT_TRUE(form->findChild<QScrollBar*>("DataGridScroll")->isVisibleTo(form.get()));
  EXPECT_FALSE(form->Memo1->isVisibleTo(form.get()));
  EXPECT_NEAR(TNumberColumn("dU", form->DataGrid().table()).Get(2), (9.690 - 10) * 10, 0.01);
  std::vector<int> rows{Rows()};
  for (QAction* view : {form->TokLnItem, form->TokTrItem, form->LossLnItem}) {
    view->trigger();
    rows.push_back(Rows());
  }
  form->LossPanel->show();
  form->RayonBox->setEditText("7");
  form->VoltItem->trigger();
  rows.push_back(Rows());
  EXPECT_EQ(rows, (std::vector<int>{2, 1, 0, 1, 0}));
  EXPECT_EQ(Label(), "Напряжения узлов");
}

TEST_F(RegimeCalculation, AFailedOrRefusedCalculationWritesNothingAndReleasesTheLocks) {
  // the user's own lock stops the command before the engine; "Отменить" in the settings does nothing
  LockTableFiles(path, ".UZL");
  Calculate();
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Файл \"" + fileio::FullFileName(path + ".UZL") +
                                                  "\" редактируется. Иванов"});
  EXPECT_FALSE(fs::exists(path + ".VET~"));
  UnlockTableFiles(path, ".UZL");
  script.Then([](QDialog& d) { Press(d, "CancelBtn"); });
  form->CalcItem->trigger();
  EXPECT_EQ(Urez(2), 0);
  EXPECT_FALSE(fs::exists(path + ".RGM"));

  SchemeBuilder broken = TwoNodes();
  broken.Nodes[0].Sign = "";  // no balancing node
  broken.Write(dir.Path(), "Схема");
  Open(path);  // reading marks the unsupplied rows in the files; the calculation must change nothing more
  const std::string nodes = ReadBytes(path + ".UZL"), branches = ReadBytes(path + ".VET");
  box.Clear();
  Calculate();
  ASSERT_FALSE(box.Texts().empty());
  EXPECT_EQ(box.Texts().back(), "Ошибка расчета режима");
  EXPECT_EQ(box.Calls().back().kind, mkError);
  EXPECT_TRUE(form->Info->isVisibleTo(form.get()));
  EXPECT_EQ(ReadBytes(path + ".UZL"), nodes);
  EXPECT_EQ(ReadBytes(path + ".VET"), branches);
  EXPECT_FALSE(fs::exists(path + ".RGM"));
  EXPECT_TRUE(NoLocks());

  // the configuration analysis of the broken scheme: the engine's lines without the counts
  box.Clear();
  form->ARKItem->trigger();
  const std::vector<std::string> lines = form->InfoLines();
  ASSERT_GE(lines.size(), 2U);
  EXPECT_EQ(lines[0], "[Контроль конфигурации]");
  for (const std::string& line : lines) EXPECT_EQ(line.find("Узлов  = "), std::string::npos) << line;
  EXPECT_FALSE(box.Texts().empty());  // told in the message box too, as the analysis asks the engine
  EXPECT_FALSE(form->Regime()->ShowMessages);
}

TEST_F(RegimeCalculation, WithoutConvergenceTheResultsAreWrittenAllTheSame) {
  IniRec.Iter1 = 1;
  IniRec.Prec = 1e-9f;
  Calculate();
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Режим не сходится"});
  EXPECT_EQ(box.Calls()[0].kind, mkWarning);
  EXPECT_TRUE(fs::exists(path + ".RGM"));
  EXPECT_NE(Urez(2), 0);
  EXPECT_TRUE(NoLocks());
}

TEST_F(RegimeCalculation, ConfigurationControlAndSideLists) {
  form->Regime()->PVAlgorithm = 2;
  form->ARKItem->trigger();
  EXPECT_EQ(form->InfoLines(), (std::vector<std::string>{"[Контроль конфигурации]", "", "Узлов  = 2", "Ветвей = 1",
                                                         "Узлов без питания  = 0", "Замкнутых контуров = 0"}));
  QApplication::processEvents();
  EXPECT_LT(form->Info->height(), form->Split->height() / 3);  // the table stays readable above it
  EXPECT_EQ(form->Regime()->PVAlgorithm, 2);
  EXPECT_FALSE(form->Regime()->ShowMessages);
  EXPECT_TRUE(form->DataGrid().GridVisible());  // the node table shown again

  form->NoSupItem->trigger();
  EXPECT_EQ(Label(), "Узлы без питания (0)");
  EXPECT_FALSE(form->DataGrid().GridVisible());
  for (int i = 0; i < 7; ++i) form->ConturBox->addItem(QString::number(i));
  form->ConturItem->trigger();
  EXPECT_EQ(Label(), "Замкнутые контура (2)");
  EXPECT_EQ(form->ConturBox->currentRow(), 0);
  form->PSItem->trigger();
  EXPECT_FALSE(form->ConturBox->isVisibleTo(form.get()));
  ASSERT_EQ(form->SubstList->count(), 2);
  EXPECT_EQ(form->SubstList->item(0)->text() + " " + form->SubstList->item(1)->text(), "ПС-1 ТП-2");

  script.Then([](QDialog& d) {
    EXPECT_EQ(Child<QPlainTextEdit>(d, "BeginText").toPlainText().toStdString(), "Схема: Схема - Список подстанций");
    d.reject();
  });
  form->PrintItem->trigger();
}

}  // namespace
}  // namespace ld::test
