#pragma once
// The branch parameter dialog: one row of the scheme's branch table (ends, line data, electrical
// parameters and regulators, commutation and switching devices, ownership, district) edited on a working
// record, with the branch's calculated flows and their limit marks shown beside.
#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

#include "core/engine/electric.h"
#include "core/tables/colmaps_scheme.h"
#include "core/tables/layout.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ld::gui {

class TNumberFields;
class TSectionMenu;

// Kept for the program's run: the display unit of the results and the five shown sections.
struct TLinPrmState {
  bool KiloWatt = false;
  std::vector<bool> Sections = std::vector<bool>(5, false);
};
TLinPrmState& LinPrmState();

class TLinPrmForm : public QDialog {
  Q_OBJECT

public:
  TLinPrmForm(const std::string& schemeBase, TDataFile& nodes, TDataFile& branches, int row, bool editable,
              const std::vector<std::string>& districtNumbers, const std::vector<std::string>& districtNames,
              QWidget* parent = nullptr);
  ~TLinPrmForm() override;

  void Store(bool& endsChanged, bool& paramsChanged, bool& switchChanged);
  void Remember() const;

protected:
  void showEvent(QShowEvent* event) override;

private:
  struct TRec {
    std::int32_t N1 = 0, N2 = 0, Nr = 0;
    std::uint8_t Nl = 0;
    std::int16_t Notv = 0, Ntpr = 0;
    float Ul = 0, R = 0, X = 0, G = 0, B = 0, Kta = 0, Ktr = 0, Ktn = 0, Idop = 0, Sdop = 0;
    std::string Mark, TypEqu;
    TBranchFlows Flows;
  };

  void BuildForm(const std::vector<std::string>& districtNumbers, const std::vector<std::string>& districtNames);
  void LoadRow();
  void ShowResults();
  void MarkCurrents();
  void MarkFlows();
  void ShowRegulation(const std::string& column);
  void ValueChanged(QLineEdit* edit);
  void EndNumberChanged(int end);
  void _Name1Change(int end);
  void _N1BtnClick(bool byName);
  void TapChanged(bool inPhase);
  void ParamBtnClick();
  void _ComNBtnClick(QComboBox* list);
  void _NameRayonChange();
  void MVtClick(bool kiloWatt);

  std::string schemeBase_;
  TDataFile& nodes_;
  TDataFile& branches_;
  int row_;
  TNodeCols nc_;
  TBranchCols bc_;
  TRec w_;
  double k_ = 1;
  std::int32_t oldN1_ = 0, oldN2_ = 0;
  float oldKta_ = 0, oldKtr_ = 0;
  std::string oldMark_, oldDSName_;
  std::uint32_t color_ = 0;
  bool switchMark_ = false;
  bool loaded_ = false;
  bool updating_ = false;

  TNumberFields* fields_ = nullptr;
  TSectionMenu* sections_ = nullptr;
  QComboBox *_N1 = nullptr, *_N2 = nullptr, *_Name1 = nullptr, *_Name2 = nullptr;
  QLineEdit *_Ul = nullptr, *_Nl = nullptr, *_NumDS = nullptr, *_Mark = nullptr;
  QLineEdit *_R = nullptr, *_X = nullptr, *_G = nullptr, *_B = nullptr, *_Kta = nullptr, *_Ktr = nullptr,
            *_Ktn = nullptr, *_Sdop = nullptr, *_Idop = nullptr, *_RPN = nullptr, *_NotvRPN = nullptr,
            *_TPR = nullptr, *_NotvTPR = nullptr;
  QLineEdit *_Un = nullptr, *_Uk = nullptr, *_In = nullptr, *_Ik = nullptr, *_Pn = nullptr, *_Qn = nullptr,
            *_Pk = nullptr, *_Qk = nullptr, *_dPh = nullptr, *_dQh = nullptr, *_dPk = nullptr, *_dQk = nullptr,
            *_dPs = nullptr, *_dQs = nullptr;
  QComboBox *_Commut = nullptr, *_ComN = nullptr, *_ComK = nullptr, *_Abon = nullptr, *_Nr = nullptr,
            *_NameRayon = nullptr;
  QLineEdit* _NameAbon = nullptr;
  QPushButton *_Color = nullptr, *MenuBtn = nullptr, *ParamBtn = nullptr, *OkBtn = nullptr;
  QRadioButton *MVt = nullptr, *kVt = nullptr;
};

// Edits branch row Row; true when confirmed and written. EndsChanged: an end number changed;
// ParamsChanged: a ratio changed, or a mark or a dispatcher name was given where there was none;
// SwitchChanged (set only on confirmation): the commutation or a switching device was changed.
bool EditLineParams(const std::string& Caption, const std::string& SchemeBase, TDataFile& Nodes, TDataFile& Branches,
                    int Row, bool Editable, const std::vector<std::string>& DistrictNumbers,
                    const std::vector<std::string>& DistrictNames, bool& EndsChanged, bool& ParamsChanged,
                    bool& SwitchChanged);

}  // namespace ld::gui
