// The district window's load commands of the menu "Абоненты": forming the loads of the transformer
// stations from the subscriber bases, and the analysis of how the metered energy is distributed. The
// work is done in core; the window gathers, calls and shows.
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTextEdit>

#include "core/district/load_analysis.h"
#include "core/district/load_forming.h"
#include "gui/district/base_res_form.h"
#include "gui/district/load_w_form.h"

namespace ld::gui {

namespace {

QString Joined(const std::vector<std::string>& lines) {
  QString text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i != 0) text += '\n';
    text += QString::fromStdString(lines[i]);
  }
  return text;
}

}  // namespace

void TBaseResForm::ImportWItemClick() {
  if (BaseFileName.empty() || !CommitGrid()) return;
  if (!ExecuteLoadFormingDialog(this)) return;

  ShowInfo(false);
  Info->clear();
  ProcBar->setValue(0);
  ProcBar->show();
  ProcLabel->clear();
  ProcLabel->show();
  ArrangeBottomPanels();
  std::vector<std::string> messages;
  TLoadFormingCallbacks callbacks;
  callbacks.Info = [&messages](const std::string& line) { messages.push_back(line); };
  callbacks.Stage = [this](const std::string& text) {
    ProcLabel->setText(QString::fromStdString(text));
    QCoreApplication::processEvents();
  };
  callbacks.Progress = [this](float position) { ProgressCallback(static_cast<int>(position)); };
  // In every case: what was reported into Info, the progress away.
  auto finish = [&] {
    Info->setPlainText(Joined(messages));
    ShowInfo(true);
    ProcLabel->hide();
    ProcBar->hide();
  };
  try {
    FormStationLoads(BaseFileName, TLoadFormingOptions::FromSettings(), callbacks);
  } catch (...) {
    finish();
    throw;
  }
  DataItemClick(TPItem);
  finish();
}

void TBaseResForm::AnalizItemClick() {
  if (BaseFileName.empty() || !CommitGrid()) return;
  ShowInfo(false);
  Info->clear();
  ProcBar->setValue(0);
  ProcBar->show();
  ProcLabel->clear();
  ProcLabel->show();
  ArrangeBottomPanels();
  TLoadAnalysisCallbacks callbacks;
  callbacks.Stage = [this](const std::string& text) {
    ProcLabel->setText(QString::fromStdString(text));
    QCoreApplication::processEvents();
  };
  callbacks.Progress = [this](float position) { ProgressCallback(static_cast<int>(position)); };
  auto finish = [&] {
    ShowInfo(true);
    ProcLabel->hide();
    ProcBar->hide();
  };
  try {
    Info->setPlainText(Joined(LoadAnalysisReport(SumLoadDistribution(BaseFileName, callbacks))));
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

}  // namespace ld::gui
