// Ctrl+R in the regime window: the calculation with its locks, messages, protocol and limit flags; a
// result view; printing what is shown.
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

  // a view of the calculated tables in the grid's place
  form->VoltItem->trigger();
  EXPECT_FALSE(form->Memo1->isVisibleTo(form.get()));
  EXPECT_EQ(Label(), "Напряжения узлов");
  EXPECT_EQ(Rows(), 2);
  // with its scroll bar, which closing the grid for the protocol had put away
  EXPECT_TRUE(form->findChild<QScrollBar*>("DataGridScroll")->isVisibleTo(form.get()));

  // the configuration check's messages take a quarter of the height: the table above stays readable
  form->ARKItem->trigger();
  ASSERT_TRUE(form->Info->isVisibleTo(form.get()));
  QApplication::processEvents();
  EXPECT_LT(form->Info->height(), form->Split->height() / 3);
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

}  // namespace
}  // namespace ld::test
