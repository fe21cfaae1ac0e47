// Qt's own dialogs speak Russian once the program has loaded Qt's catalogues.
#include <gtest/gtest.h>

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

#include "gui/common/qt_translations.h"

namespace {

QStringList ButtonTexts(QWidget& dialog) {
  QStringList texts;
  for (const auto* box : dialog.findChildren<QDialogButtonBox*>())
    for (const auto* button : box->buttons()) texts << button->text();
  return texts;
}

TEST(QtTranslations, FilePrintAndColourDialogsSpeakRussian) {
  // as main() does it, with the application already there: loaded at once
  ld::gui::LoadQtTranslationsAtStart();
  EXPECT_TRUE(ld::gui::LoadQtTranslations());  // a second call adds nothing

  QFileDialog open(nullptr, "Ввод данных Excel");
  open.setOption(QFileDialog::DontUseNativeDialog);
  open.setAcceptMode(QFileDialog::AcceptOpen);
  EXPECT_EQ(ButtonTexts(open), (QStringList{"&Открыть", "Отмена"}));
  EXPECT_EQ(open.findChild<QLabel*>("fileNameLabel")->text(), "&Имя файла:");
  QFileDialog save(nullptr, "Вывод");
  save.setOption(QFileDialog::DontUseNativeDialog);
  save.setAcceptMode(QFileDialog::AcceptSave);
  EXPECT_EQ(ButtonTexts(save), (QStringList{"&Сохранить", "Отмена"}));

  QColorDialog colour;
  colour.setOption(QColorDialog::DontUseNativeDialog);
  EXPECT_EQ(ButtonTexts(colour), (QStringList{"OK", "Отмена"}));

  QPrinter printer;
  QPrintDialog print(&printer);
  EXPECT_EQ(ButtonTexts(print), (QStringList{"&Печать", "Отмена", "&Параметры >>"}));
}

}  // namespace
