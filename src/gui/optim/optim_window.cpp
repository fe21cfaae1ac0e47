#include "gui/optim/optim_window.h"

#include <QLabel>
#include <QPlainTextEdit>

#include "gui/grid/data_grid.h"

namespace ld::gui {

void SetLamp(QLabel* lamp, const char* color) {
  lamp->setStyleSheet(color == nullptr ? QString("border: 1px solid gray;")
                                       : QString("background-color: %1; border: 1px solid gray;").arg(color));
  lamp->setProperty("lampColor", color == nullptr ? "" : color);
}

std::vector<std::string> MemoOrGridLines(const QPlainTextEdit& memo, TDataGrid5& grid) {
  std::vector<std::string> lines;
  if (memo.isVisible()) {
    for (const QString& l : memo.toPlainText().split('\n')) lines.push_back(l.toStdString());
  } else {
    grid.GetPrintLines(lines);
  }
  return lines;
}

}  // namespace ld::gui
