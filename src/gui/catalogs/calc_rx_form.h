#pragma once
// "Параметры ветви": a branch's R, X, G, B and ratio derived from its equipment kind and catalogue
// mark (or typed directly), with the tap changers of a transformer.
#include <QDialog>
#include <QPoint>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QStackedWidget;

namespace ld {
class TDataFile;
}

namespace ld::gui {

class TCalcRXForm : public QDialog {
  Q_OBJECT

public:
  TCalcRXForm(std::string catalogPath, std::string listBasePath, bool normalise, QWidget* parent = nullptr);

  // Values the dialog holds besides its edits.
  float Idop = 0, Sdop = 0, Ktn = 0;
  std::int16_t TapPos[2] = {0, 0};  // first (`Notv`) and second (`Ntpr`) tap changer
  std::string Regulation;

  // Fills the controls from a branch key and values (before the form is shown).
  void Load(const std::string& head, const std::string& mark, const std::string& regulation, std::int16_t tap1,
            std::int16_t tap2, const float (&values)[6], float ktn, float idop, float sdop);
  // The branch key of what the controls hold.
  void Key(std::string& head, std::string& mark) const;
  // The six values of the edits (R, X, G, B, K', K''); false with the conversion message when one is no
  // number.
  bool Values(float (&values)[6], std::string& error) const;
  // The name of the page shown ("RX" when no kind button is down).
  std::string Kind() const;
  int Winding() const;

  // Shows the dialog with its top left corner at a screen point, moved back only as far as the whole
  // dialog needs to stay on that screen.
  void PlaceAt(QPoint at);

  // Handlers of the buttons, reachable for the kinds' callers.
  void ParamBtnClick();
  void CatalogBtnClick();
  void ListBtnClick();
  void RpnSliderChange(int changer);

protected:
  void showEvent(QShowEvent* event) override;

private:
  struct Changer {
    bool On = false;
    std::string Side, Type, Kind;
    int Positions = 0, Neutral = 0;
    float Step = 0;
  };
  void KindButtonClick(int index);
  void EnterPage(const std::string& kind, bool clear);
  void ClearValues();
  void SetEditStates();
  void WindingChanged();
  void SetupTapChangers(const std::string& regulation, int winding);
  void CheckNumber(QLineEdit* edit);
  void SetValue(int index, double value);
  QLineEdit* NameEdit() const;
  QLineEdit* MarkEdit() const;
  void Apply();

  std::string catalogPath_, listBasePath_;
  bool normalise_ = false;
  bool showing_ = false;
  std::optional<QPoint> placeAt_;
  std::string loadedKind_ = "RX";
  std::array<Changer, 2> changers_;

  std::array<QPushButton*, 5> kindButtons_{};
  QStackedWidget* notebook_ = nullptr;
  QLineEdit* unomEdit_ = nullptr;
  QLineEdit* lineEdit_ = nullptr;
  std::array<QLineEdit*, 4> markEdits_{};  // T2, TR, T3, RT
  std::array<QLineEdit*, 4> nameEdits_{};
  std::array<QPushButton*, 4> listButtons_{};
  QComboBox* unomTRBox_ = nullptr;
  QComboBox* unomT3Box_ = nullptr;
  QPushButton* paramBtn_ = nullptr;
  QPushButton* catalogBtn_ = nullptr;
  std::array<QLineEdit*, 6> valueEdits_{};  // R, X, G, B, K', K''
  std::array<QSlider*, 2> sliders_{};
  std::array<QLabel*, 2> typeLabels_{};
  std::array<QLabel*, 2> numberLabels_{};
};

// The dialog over one branch's key and values, its top left corner at the screen point (ScreenX,
// ScreenY); 0 and 0 leave it where the window system puts it.
// True on "Записать": the references then hold the dialog's values; false leaves them untouched.
bool EditBranchParams(double ScreenX, double ScreenY, const std::string& CatalogPath, const std::string& ListBasePath,
                      const std::string& CaptionPrefix, std::string& Head, std::string& Mark, std::string& Regulation,
                      std::int16_t& TapPos1, std::int16_t& TapPos2, float& R, float& X, float& G, float& B, float& Ka,
                      float& Kr, float& Ktn, float& Idop, float& Sdop, bool Normalise);

// The dialog over one row of a branch table or of the switching journal (both name these fields alike),
// titled by the row's ends. True when the user wrote the values and then `editable` let the row take
// them; false leaves the row as it was.
bool EditBranchRowParams(const TDataFile& table, int row, const std::string& ListBasePath,
                         const std::function<bool()>& editable);

}  // namespace ld::gui
