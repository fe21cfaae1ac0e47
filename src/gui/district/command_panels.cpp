#include "gui/district/command_panels.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTextEdit>

#include "gui/district/base_res_form.h"

namespace ld::gui {

QString JoinedLines(const std::vector<std::string>& lines) {
  QString text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i != 0) text += '\n';
    text += QString::fromStdString(lines[i]);
  }
  return text;
}

TCommandPanels::TCommandPanels(TBaseResForm& form, bool clearInfo) : form_(form) {
  if (clearInfo) {
    form_.ShowInfo(false);
    form_.Info->clear();
  }
  form_.ProcBar->setValue(0);
  form_.ProcBar->show();
  form_.ProcLabel->clear();
  form_.ProcLabel->show();
  form_.ArrangeBottomPanels();
}

TCommandPanels::~TCommandPanels() {
  if (!Lines.empty()) {
    form_.Info->setPlainText(JoinedLines(Lines));
    form_.ShowInfo(true);
  }
  form_.ProcLabel->hide();
  form_.ProcBar->hide();
}

void TCommandPanels::Stage(const std::string& text) {
  form_.ProcLabel->setText(QString::fromStdString(text));
  QCoreApplication::processEvents();
}

std::function<void(int)> TCommandPanels::Progress() {
  return [this](int position) { form_.ProgressCallback(position); };
}

}  // namespace ld::gui
