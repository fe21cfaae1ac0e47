#pragma once
// The measurement file dialog: the workbook of measurements and, depending on the caller, a tangent
// with a note, a measurement type, or nothing more.
#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace ld::gui {

class TSelXlsFrm : public QDialog {
  Q_OBJECT

public:
  explicit TSelXlsFrm(QWidget* parent = nullptr);

  // The value's meaning by its rounded value: -1 file only, 2, 3 or 5 a measurement type, else a tangent.
  void Load(const std::string& fileName, float value);
  void SelectBtnClick();
  // "Применить": a measurement type that is not one of the listed codes is refused by name and the
  // dialog stays open.
  void OKBtnClick();
  // The change handler of TgEdit and PrimEdit: a text that is not a number is cleared at once, so both
  // take numbers only.
  void TgEditChange(QLineEdit* sender);

  QLineEdit *FEdit, *TgEdit, *PrimEdit;
  QPushButton *SelectBtn, *OKBtn, *CancelBtn;
  QLabel *Label1, *Label2;

private:
  bool typeMode_ = false;
};

// True on "Применить": the file, the note and the value (read with the tolerant parser) are then
// taken from the dialog; false on "Отменить" leaves all three as they were.
bool ShowSelXlsForm(std::string& FileName, std::string& Note, float& Value);

}  // namespace ld::gui
