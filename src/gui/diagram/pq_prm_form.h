#pragma once
// The load entry dialog "Задание нагрузки (генерации)": a node's load and generation, or its energies,
// from measured powers, currents, apparent powers or energies with their cos or tg.
#include <QDialog>
#include <string>

#include "core/diagram/elem_load.h"
#include "core/tables/layout.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace ld::gui {

// What the dialog reads of a node and sets in it.
struct TNodeLoadRow {
  TNodeLoadValues Values;
  double Um = 0;  // kV: the nominal voltage the currents are taken at
  std::string Prim;
};

// Kept for the program's run: the last mode and unit, the default cos and tg, the note addition and
// whether the dialog opens with the node's present loads.
struct TPQPrmState {
  int Mode = lmPQ;
  int Unit = 0;  // 0 МВт, 1 кВт
  double Cos = 0.8, Tg = 0.5;
  std::string Addition;
  bool SourceLoads = true;
};
TPQPrmState& PQPrmState();

class TPQPrmForm : public QDialog {
  Q_OBJECT

public:
  TPQPrmForm(const std::string& caption, TNodeLoadRow& row, QWidget* parent = nullptr);

private:
  void ComboBox1Change();
  void ComboBox2Change();
  void Edit1Change(QLineEdit* edit);
  void Button1Click();

  TNodeLoadRow& row_;
  QComboBox *ComboBox1, *ComboBox2;
  QLineEdit* Edit[11] = {};  // Edit1 .. Edit10 at their numbers
  QLabel* Heading[4] = {};
  QCheckBox* CheckBox1;
  int unit_ = 0;
};

// Runs the dialog on the values; true when confirmed and the values set.
bool EditNodeLoadValues(const std::string& Caption, TNodeLoadRow& Row);

// Runs the dialog on a row of the node table and writes the row when confirmed.
bool EditNodeLoad(const std::string& Caption, TDataFile& Nodes, int Row);

}  // namespace ld::gui
