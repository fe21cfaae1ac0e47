#pragma once
// "Импорт баз коммерческого и технического учетов": which workbooks are read (industrial base,
// household base, technical base of the inputs' and feeders' energies).
#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace ld::gui {

class TImpXlsFrm : public QDialog {
  Q_OBJECT

public:
  explicit TImpXlsFrm(QWidget* parent = nullptr);

  void PromBoxClick(QCheckBox* box);
  void PromBtnClick(QPushButton* button);

  QCheckBox *PromBox, *BytBox, *TechBox;
  QLineEdit *PromEdit, *BytEdit, *TechEdit;
  QPushButton *PromBtn, *BytBtn, *TechBtn;
};

// True on "Применить", which stores the three flags and paths in the settings; "Отменить" stores nothing.
bool ExecuteImportXlsBasesDialog();

}  // namespace ld::gui
