#pragma once
// "Замер перетоков электроэнергии, кВт*час/кВАр*час": the energy metered on a line in both directions,
// or the energies of a node, with the way they were measured and how the point is accounted.
#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

#include "core/diagram/energy_meter.h"
#include "core/tables/colmaps_scheme.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ld::gui {

class TWhPrmForm : public QDialog {
  Q_OBJECT

public:
  // flowRowMap empty: node mode.
  TWhPrmForm(const std::string& schemeBase, const TMeterEntry& entry, bool lineMode, bool accountingFixed,
             const std::vector<std::string>& districtNumbers, const std::vector<std::string>& districtNames,
             QWidget* parent = nullptr);

  // The entry as the fields hold it (energies as entered), the defaults and the shift state.
  TMeterEntry Entry() const;
  double DefaultCos() const;
  double DefaultTg() const;

  // Set by the entry function for the shift buttons.
  const TBranchCols* Branches = nullptr;
  const TNodeCols* Nodes = nullptr;
  std::vector<std::int32_t> FlowRowMap;
  int BranchRow = 0;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void FloatChange(QLineEdit* edit);
  void IntChange(QLineEdit* edit);
  void NrChange();
  void _NgrKeyPress(QLineEdit* edit);
  void _TypZamerChange();
  void _NameRayonChange();
  void ReplaceBtnClick();
  void LeftBtnClick(bool towardsBegin);
  void OkBtnClick();
  void ShowEnds(const TMeterEntry& e);

  std::string schemeBase_;
  TMeterEntry read_;
  bool updating_ = false;
  QLineEdit *_N1, *_Name1, *_N2, *_Name2, *_Nl, *_Prim, *_Pr, *_Qr, *_Pl, *_Ql, *_Ngr, *_Nqr, *_Ngl, *_Nql, *_cos,
      *_tg;
  QComboBox *_TypZamer, *_TypPnt, *_PlacePnt, *_Nr, *_NameRayon;
  QCheckBox* _Bal;
  QLabel* Heading[4] = {};
};

// Edits the metering point of branch BranchRow (line mode) or of node NodeRow (EndNodeRow 0: node mode);
// true when confirmed. A line's point goes to LineFlowTable (FlowRowMap follows) and to the feeder table
// beside the scheme when it exists; a node's to its own row.
bool EditEnergyMeter(const std::string& SchemeBase, TDataFile& NodeTable, TDataFile& BranchTable,
                     TDataFile& LineFlowTable, int NodeRow, int EndNodeRow, int BranchRow,
                     std::vector<std::int32_t>& FlowRowMap, const std::vector<std::string>& DistrictNumbers,
                     const std::vector<std::string>& DistrictNames);

}  // namespace ld::gui
