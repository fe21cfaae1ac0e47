#pragma once
// What the node and branch dialogs share: number fields over working values, and the ">>" menu that
// shows and hides the dialog's sections.
//
// A real-valued field takes its text into its working value only while the person types (the typing
// mark, set by the key filter and cleared by every change), so a text that the program puts into a field
// never changes a value. An integer field takes every text it reads. A text that does not read puts the
// working value back. A focused real-valued field shows the full value; leaving it shows the display
// format again.
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

class QAction;
class QDialog;
class QHBoxLayout;
class QLineEdit;
class QMenu;
class QPushButton;
class QWidget;

namespace ld::gui {

// Fixed notation with `decimals` decimals of the value rounded to `precision` significant digits; the
// general format of that precision for a value whose integer part needs more digits.
QString FixedText(double v, int decimals, int precision = 7);
// The shortest text with at most `precision` significant digits.
QString GeneralText(double v, int precision = 7);

// "Применить" (the default button, running onApply) and "Отменить" (rejecting) at the right end of a
// row, named as the dialog's own buttons are named.
QHBoxLayout* ApplyCancelRow(QDialog& dialog, const std::function<void()>& onApply, const char* okName,
                            const char* cancelName);

// A colour panel: a flat button showing a colour (0x00BBGGRR).
void ShowPanelColor(QPushButton& panel, std::uint32_t color);
// Opens the colour dialog preset with the colour; true and the chosen colour when confirmed.
bool ChooseColor(QWidget* parent, std::uint32_t& color);

struct TFieldFormat {
  int Decimals = 1;
  int Precision = 7;       // of the display format
  bool General = false;    // display in the general format (voltages) rather than fixed
  int FocusPrecision = 7;  // of the general format shown while the field has the focus
};

class TNumberFields : public QObject {
  Q_OBJECT

public:
  explicit TNumberFields(QObject* parent = nullptr);

  void AddFloat(QLineEdit* edit, double& value, TFieldFormat format);
  void AddFloat(QLineEdit* edit, float& value, TFieldFormat format);
  // Also the text field of an editable list. Numbers beyond T's range do not read.
  template <class T>
  void AddInt(QLineEdit* edit, T& value, bool keyFilter = true) {
    AddIntField(
        edit, [&value] { return static_cast<std::int64_t>(value); },
        [&value](std::int64_t v) {
          if (v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max()) return false;
          value = static_cast<T>(v);
          return true;
        },
        keyFilter);
  }

  // The field shows its working value in its display format (integers in decimal).
  void Show(QLineEdit* edit);
  void ShowAll();
  // The focused real-valued field, if any, shows its focus text with the whole text selected.
  void GiveFocusText();
  bool Typing() const { return typing_; }

  // Called after a field's text was taken into its working value.
  std::function<void(QLineEdit*)> OnValueChanged;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  struct Field {
    QLineEdit* Edit = nullptr;
    bool IsInt = false;
    std::function<double()> GetFloat;
    std::function<void(double)> SetFloat;
    std::function<std::int64_t()> GetInt;
    std::function<bool(std::int64_t)> SetInt;
    TFieldFormat Format;
  };
  void AddIntField(QLineEdit* edit, std::function<std::int64_t()> get, std::function<bool(std::int64_t)> set,
                   bool keyFilter);
  void AddFloatField(Field field);
  Field* Find(QObject* edit);
  void FloatChange(Field& f);
  void IntChange(Field& f);
  QString FocusText(const Field& f) const;

  std::vector<Field> fields_;
  bool typing_ = false;
};

// The ">>" button's menu of sections: each checked item shows its section. The sections stand in a
// layout in menu order, so hiding one closes the gap and the dialog takes its new size.
class TSectionMenu : public QObject {
  Q_OBJECT

public:
  // Items are named itemPrefix + 1, 2, ... (the node dialog "N1" .. "N7").
  TSectionMenu(QDialog& dialog, QPushButton& button, const char* itemPrefix);
  void Add(const char* caption, QWidget* section);
  std::vector<bool> States() const;
  void SetStates(const std::vector<bool>& states);
  void Arrange();
  QMenu* Menu() const { return menu_; }

private:
  QDialog& dialog_;
  QPushButton& button_;
  QMenu* menu_;
  const char* prefix_;
  std::vector<QAction*> items_;
  std::vector<QWidget*> sections_;
};

}  // namespace ld::gui
