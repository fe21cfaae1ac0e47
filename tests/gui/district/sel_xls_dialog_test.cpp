// The measurement file dialog: what the hidden edits give back, the type and tangent texts, letters
// typed into either edit, and the workbook chooser.
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "gui/district/sel_xls_form.h"
#include "support/modal_script.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

TEST(SelXlsDialog, HiddenEditsGiveTheirDesignTexts) {
  ModalScript script;
  std::string file = "/замеры/фидеры.xls", note;
  float value = -1;
  script.Then([](QDialog& d) {
    EXPECT_TRUE(Child<QLineEdit>(d, "PrimEdit").isHidden());
    Press(d, "OKBtn");
  });
  ASSERT_TRUE(gui::ShowSelXlsForm(file, note, value));
  EXPECT_FLOAT_EQ(value, 0.42699f);
  EXPECT_EQ(note, "042699");
  EXPECT_EQ(file, "/замеры/фидеры.xls");

  // a type: the note stays hidden with its design text; halves round to even, so 2.5 is the type 2
  value = 2.5f;
  script.Then([](QDialog& d) {
    EXPECT_EQ(Child<QLineEdit>(d, "TgEdit").text(), "2");
    Press(d, "OKBtn");
  });
  ASSERT_TRUE(gui::ShowSelXlsForm(file, note, value));
  EXPECT_FLOAT_EQ(value, 2);
  EXPECT_EQ(note, "042699");

  value = 3;
  script.Then([](QDialog& d) {
    EXPECT_EQ(Child<QLineEdit>(d, "TgEdit").text(), "3");
    EXPECT_FALSE(Child<QLineEdit>(d, "TgEdit").isHidden());
    Press(d, "CancelBtn");
  });
  EXPECT_FALSE(gui::ShowSelXlsForm(file, note, value));
  EXPECT_FLOAT_EQ(value, 3);
}

TEST(SelXlsDialog, LettersTypedIntoEitherEditClearIt) {
  ModalScript script;
  std::string file, note = "старое";
  float value = 1e-8f;
  script.Then([](QDialog& d) {
    auto& tg = Child<QLineEdit>(d, "TgEdit");
    auto& prim = Child<QLineEdit>(d, "PrimEdit");
    EXPECT_EQ(tg.text(), "1E-0008") << "seven digits, the exponent with four";
    EXPECT_EQ(prim.text(), "") << "the tangent comes with an empty note";
    QTest::keyClicks(&prim, "0126");
    QTest::keyClicks(&prim, "z");
    EXPECT_EQ(prim.text(), "");
    QTest::keyClicks(&prim, "0226");
    tg.selectAll();
    QTest::keyClicks(&tg, "0.3");
    QTest::keyClicks(&tg, "q");
    EXPECT_EQ(tg.text(), "");
    QTest::keyClicks(&tg, "1,25");
    Press(d, "OKBtn");
  });
  ASSERT_TRUE(gui::ShowSelXlsForm(file, note, value));
  EXPECT_FLOAT_EQ(value, 1.25f);
  EXPECT_EQ(note, "0226");

  // a value too large for the dialog's number is no number either
  script.Then([](QDialog& d) {
    auto& tg = Child<QLineEdit>(d, "TgEdit");
    tg.clear();
    QTest::keyClicks(&tg, std::string(38, '9').c_str());
    EXPECT_EQ(tg.text().size(), 38);
    QTest::keyClicks(&tg, "0");
    EXPECT_EQ(tg.text(), "");
    Press(d, "OKBtn");
  });
  ASSERT_TRUE(gui::ShowSelXlsForm(file, note, value));
  EXPECT_FLOAT_EQ(value, 0);
}

TEST(SelXlsDialog, TheChooserOffersWorkbooksOfBothKindsFromTheFileFolder) {
  TempDir dir;
  const std::string old = dir / "замеры.xls", chosen = dir / "новый.xlsx";
  WriteBytes(chosen, "");
  ModalScript script;
  std::string file = old, note;
  float value = -1;
  script
      .Then([&](QDialog& d) {
        Press(d, "SelectBtn");
        EXPECT_EQ(Child<QLineEdit>(d, "FEdit").text().toStdString(), old) << "a cancelled choice changes nothing";
        Press(d, "SelectBtn");
        EXPECT_EQ(Child<QLineEdit>(d, "FEdit").text().toStdString(), chosen);
        Press(d, "OKBtn");
      })
      .Then([&](QDialog& d) {
        auto& files = static_cast<QFileDialog&>(d);
        EXPECT_EQ(files.windowTitle(), "Выбор файла");
        EXPECT_EQ(files.nameFilters(), QStringList{"Файлы (*.xls *.xlsx)"});
        EXPECT_EQ(files.directory().absolutePath().toStdString(), dir.Path().string());
        EXPECT_EQ(files.fileMode(), QFileDialog::ExistingFile);
        d.setResult(QDialog::Rejected);
      })
      .Then([&](QDialog& d) {
        Child<QLineEdit>(d, "fileNameEdit").setText("новый.xlsx");
        d.setResult(QDialog::Accepted);
      });
  ASSERT_TRUE(gui::ShowSelXlsForm(file, note, value));
  EXPECT_EQ(file, chosen);
}

}  // namespace
}  // namespace ld::test
