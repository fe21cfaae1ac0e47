#pragma once
// "Добавление новой связи": a line or transformer from a node of the scheme to new nodes, with the
// equipment from the catalogue calculator and node names proposed from the substation.
#include <QDialog>
#include <cstdint>
#include <string>

#include "core/diagram/add_link.h"
#include "core/tables/colmaps_scheme.h"

class QLineEdit;

namespace ld::gui {

class TAddLnkForm : public QDialog {
  Q_OBJECT

public:
  TAddLnkForm(const std::string& schemeBase, const std::string& nodeName, std::int32_t nodeNr, float voltage,
              TDataFile& branches, TDataFile& nodes, QWidget* parent = nullptr);

  int Count() const { return link_.Count; }

private:
  void ParamBtnClick();
  void AvtBtnClick();
  void _Num2Change(QLineEdit* edit);
  void OkBtnClick();
  void EnableWindings(bool on);

  std::string schemeBase_, prefix_, startName_;
  std::int32_t startNr_;
  TDataFile& branches_;
  TDataFile& nodes_;
  TNewLink link_;
  QLineEdit *_NumDS, *_Mark, *_Num1, *_Name1, *_Num2, *_Name2, *_NumSN, *_NameSN, *_NumNN, *_NameNN;
};

// Appends the new node and branch rows to the tables when confirmed; Count: the nodes added (1 or 3).
bool AddLinkDialog(const std::string& SchemeBase, const std::string& NodeName, std::int32_t NodeNr,
                   std::uint8_t& Count, TDataFile& BranchTable, TDataFile& NodeTable, float Voltage);

}  // namespace ld::gui
