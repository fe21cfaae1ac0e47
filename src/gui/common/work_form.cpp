#include "gui/common/work_form.h"

#include <QCloseEvent>
#include <QShowEvent>

namespace ld::gui {

void TWorkForm::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) move(x(), tag_);
  QMainWindow::showEvent(event);
}

void TWorkForm::closeEvent(QCloseEvent* event) {
  bool canClose = true;
  if (closeQueryAttached_) FormCloseQuery(canClose);
  if (canClose)
    event->accept();
  else
    event->ignore();
}

}  // namespace ld::gui
