// "Формирование схемы" through the district window: the options dialog and the weights dialog, the
// report in Info, the scheme items, and the sample base formed and calculated in the regime window.
#include <QAction>
#include <QCheckBox>
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
    for (const auto& f : fs::directory_iterator(DataDir())) {
      const std::string name = f.path().filename().string();
      if (name.rfind("Образец.", 0) == 0 || name == "sprav_ln.cat" || name == "sprav_t2.cat")
        fs::copy_file(f.path(), dir.Path() / name);
    }
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
  script.Then([](QDialog& d) { Press(d, "OKBtn"); });
  regime.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&regime));
  QTest::keyClick(&regime, Qt::Key_R, Qt::ControlModifier);
  ASSERT_EQ(script.Shown(), 4) << "Ctrl+R ran the calculation";
  EXPECT_TRUE(box.Calls().empty()) << box.Texts().front();
  ASSERT_NE(regime.Regime(), nullptr);
  EXPECT_TRUE(regime.Regime()->Converged);
  const TDataFile nodes = Table(Base("Образец") + ".UZL");
  ASSERT_GT(nodes.RowCount, 20);
  for (int row = 1; row <= nodes.RowCount; ++row) {
    const double unom = NearestNominalVoltage(std::stod(GetCellText(nodes, row, FindColumnIndex("Um", nodes), true)));
    const double u = std::stod(GetCellText(nodes, row, FindColumnIndex("Urez", nodes), true));
    EXPECT_LE(std::abs(u - unom), 0.1 * unom) << GetCellText(nodes, row, FindColumnIndex("Name", nodes), true);
  }
}

}  // namespace
}  // namespace ld::test
