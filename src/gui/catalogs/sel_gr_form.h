#pragma once
// "Выбор графиков нагрузок": the graphs of another catalogue to take over, chosen by check marks.
#include <QDialog>

#include "core/catalogs/graph_tables.h"

class QListWidget;

namespace ld::gui {

class TSelGrFrm : public QDialog {
  Q_OBJECT

public:
  explicit TSelGrFrm(const TGraphCatalogCols& cols, QWidget* parent = nullptr);
  QListWidget* LnkList = nullptr;
};

// One line per catalogue row (number, a blank, title); on "Применить" every checked row gets "~" in
// front of its title (in memory) and the result is true.
bool SelectGraphs(TGraphCatalogCols& cols);

}  // namespace ld::gui
