#pragma once
// The node parameter dialog: one row of the scheme's node table, edited on working values and written
// back on "Применить". A new number also renumbers the branch ends at the node.
#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

#include "core/tables/colmaps_scheme.h"
#include "core/tables/layout.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ld::gui {

class TNumberFields;
class TSectionMenu;

// Kept for the program's run: the power unit and the seven shown sections.
struct TNodPrmState {
  bool KiloWatt = false;
  std::vector<bool> Sections = std::vector<bool>(7, false);
};
TNodPrmState& NodPrmState();

class TNodPrmForm : public QDialog {
  Q_OBJECT

public:
  TNodPrmForm(const std::string& schemeBase, TDataFile& nodes, TDataFile& branches, int row, bool editable,
              const std::vector<std::string>& districtNumbers, const std::vector<std::string>& districtNames,
              QWidget* parent = nullptr);
  ~TNodPrmForm() override;

  // Writes the working values into the row; Changed as the callers rebuild by it.
  void Store(bool& changed);
  // Keeps the unit and the sections for the next call.
  void Remember() const;

protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  // The working values: the row's editable values, powers times k.
  struct TWork {
    std::int32_t NS = 0, NumES = 0, Nr = 0, Ng_n = 0, Nq_n = 0, Ng_g = 0, Nq_g = 0;
    std::int16_t Nsh = 0;
    float Gs = 0, Bs = 0, Um = 0, EERM = 0, Qmin = 0, Qmax = 0, Ush = 0;
    double Pn = 0, Qn = 0, Pg = 0, Qg = 0, Pbal = 0, Qbal = 0, Urez = 0, Angle = 0;
    double WPn = 0, WQn = 0, WPg = 0, WQg = 0;
  };

  void BuildForm(const std::vector<std::string>& districtNumbers, const std::vector<std::string>& districtNames);
  void LoadRow();
  void MVtClick(bool kiloWatt);
  void Button6Click();
  void ComboBox1Change();
  void ComboBox3Change();
  void DistrictNumberChanged();
  void Button5Click();
  void OkBtnClick();
  void _ColorClick();
  void Edit8KeyPress(QLineEdit* edit);
  void ShowColor();

  std::string schemeBase_;
  TDataFile& nodes_;
  TDataFile& branches_;
  int row_;
  TNodeCols nc_;
  TBranchCols bc_;
  TWork w_;
  double k_ = 1;
  std::int32_t oldNumber_ = 0;
  std::string oldName_;
  std::uint32_t color_ = 0;
  bool numEsEdited_ = false;
  bool updatingDistrict_ = false;

  TNumberFields* fields_ = nullptr;
  TSectionMenu* sections_ = nullptr;
  QLineEdit* Edit[29] = {};  // Edit1 .. Edit28 at their numbers
  QComboBox *ComboBox1 = nullptr, *ComboBox2 = nullptr, *ComboBox3 = nullptr, *_Abon = nullptr;
  QLineEdit* _NameAbon = nullptr;
  QPushButton *_Color = nullptr, *BitBtn1 = nullptr, *Button5 = nullptr, *Button6 = nullptr, *OkBtn = nullptr;
  QRadioButton *MVt = nullptr, *kVt = nullptr;
};

// Edits node row Row (the row after the last one for a new node); true when confirmed and written.
// The district lists are the items of "N района" and "Район", in the same order.
bool EditNodeParams(const std::string& SchemeBase, const std::string& Caption, TDataFile& Nodes, TDataFile& Branches,
                    int Row, bool Editable, const std::vector<std::string>& DistrictNumbers,
                    const std::vector<std::string>& DistrictNames, bool& Changed);

}  // namespace ld::gui
