#pragma once
// "Импорт базы линий 0.4 кВ": the dBase file of 0.4 kV line sections, the kind of lines taken and a
// prefix put in front of the station names.
#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ld::gui {

class TImp04Frm : public QDialog {
  Q_OBJECT

public:
  explicit TImp04Frm(QWidget* parent = nullptr);

  void SelectBtnClick();

  QLineEdit *Base04Edit, *PrefEdit;
  QPushButton* SelectBtn;
  QRadioButton *AllBtn, *AbonBtn, *ResBtn;
};

// True on "Применить": the file and the kind of lines (unchanged when no kind is checked) go into the
// settings and Prefix takes the prefix; "Отменить" stores nothing. Prefix starts empty on every call.
bool ExecuteImport04Dialog(std::string& Prefix);

}  // namespace ld::gui
