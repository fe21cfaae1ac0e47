#pragma once
// The node-equivalent window "Расчет эквивалентных схем узлов по напряжению и потерям мощности": for one
// node of the scheme, the rest of the network as an equivalent, the node's EERM, and load variants on
// the full scheme and on the equivalent. The window has its own engine.
#include <QDialog>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "core/engine/regime.h"
#include "core/regime/node_equiv.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace ld::gui {

class TDataGrid5;

class TEkvNodForm : public QDialog {
  Q_OBJECT

public:
  explicit TEkvNodForm(std::string schemePath, QWidget* parent = nullptr);
  ~TEkvNodForm() override;

  // Fills NodBox with the node numbers of the scheme's node table, ascending; throws the table store's
  // error when it cannot be read.
  void LoadNodes();

  void EkvBtnClick();
  void PQBtnClick();
  void PrintBtnClick();

  const std::string& EquivalentPath() const { return calc_.EquivalentPath(); }
  TDataGrid5* PQGrid() const { return pqGrid_; }

protected:
  void reject() override;

private:
  // The chosen node; false when none is chosen.
  bool ChosenNode(std::int32_t& node) const;
  double Increment() const;
  void ShowLines(const std::vector<std::string>& lines);
  // The variants' grid on its work file, holding the given rows.
  void SetVariants(const std::vector<TLoadVariant>& rows);
  void Busy(bool on);

  std::string schemePath_;
  TRegime engine_;
  TNodeEquivCalc calc_;
  QTemporaryDir workDir_;
  std::string pqFile_;
  bool busy_ = false;
  bool stop_ = false;

  QComboBox* nodBox_;
  QPushButton *ekvBtn_, *pqBtn_, *printBtn_, *cancelBtn_;
  QLineEdit* dQ_;
  QCheckBox* expBox_;
  TDataGrid5* pqGrid_;
  QPlainTextEdit* resMemo_;
};

// Shows the window modally for the scheme whose base path is given.
void ShowNodeEquivalentForm(const std::string& SchemePath);

}  // namespace ld::gui
