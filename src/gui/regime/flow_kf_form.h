#pragma once
// "Режим по коэф. совмещения": the coincidence coefficients of the feeders' flows, kept in the program
// INI file's section [FlowsKoef] as the keys "1", "2", ...
#include <QDialog>
#include <string>

#include "core/base/dynarray.h"

class QLineEdit;
class QTableWidget;

namespace ld::gui {

// The coefficients of the program INI file, 1..Count; one coefficient 1 when there are none. A file or a
// value that cannot be read shows "Ошибка чтения файла конфигурации <file>" and ends the reading.
void ReadFlowsKoef(DAsingle& list);
// Replaces the section by keys "1".."Count"; a failure shows "Ошибка записи файла конфигурации <file>".
void WriteFlowsKoef(const DAsingle& list);

class TFlowKfFrm : public QDialog {
  Q_OBJECT

public:
  explicit TFlowKfFrm(QWidget* parent = nullptr);

  void Load(const DAsingle& list);
  // An error text for the first cell that does not read as a number; empty when all do.
  std::string Validate() const;
  void Store(DAsingle& list) const;

private:
  void Edit1Change();

  const DAsingle* list_ = nullptr;
  QLineEdit* edit1_;
  QTableWidget* grid_;
};

// True when "Применить" stored the coefficients in list and in the INI file.
bool ExecuteFlowsKoefDialog(DAsingle& list);

}  // namespace ld::gui
