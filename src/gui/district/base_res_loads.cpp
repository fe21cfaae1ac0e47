// The district window's load commands of the menu "Абоненты": forming the loads of the transformer
// stations from the subscriber bases, and the analysis of how the metered energy is distributed. The
// work is done in core; the window gathers, calls and shows.
#include "core/district/load_analysis.h"
#include "core/district/load_forming.h"
#include "gui/district/base_res_form.h"
#include "gui/district/command_panels.h"
#include "gui/district/load_w_form.h"

namespace ld::gui {

void TBaseResForm::ImportWItemClick() {
  if (BaseFileName.empty() || !CommitGrid()) return;
  if (!ExecuteLoadFormingDialog(this)) return;

  TCommandPanels panels(*this);
  TLoadFormingCallbacks callbacks;
  callbacks.Info = [&panels](const std::string& line) { panels.Lines.push_back(line); };
  callbacks.Stage = panels.StageProc();
  callbacks.Progress = [this](float position) { ProgressCallback(static_cast<int>(position)); };
  FormStationLoads(BaseFileName, TLoadFormingOptions::FromSettings(), callbacks);
  DataItemClick(TPItem);
}

void TBaseResForm::AnalizItemClick() {
  if (BaseFileName.empty() || !CommitGrid()) return;
  TCommandPanels panels(*this);
  TLoadAnalysisCallbacks callbacks;
  callbacks.Stage = panels.StageProc();
  callbacks.Progress = [this](float position) { ProgressCallback(static_cast<int>(position)); };
  panels.Lines = LoadAnalysisReport(SumLoadDistribution(BaseFileName, callbacks));
}

}  // namespace ld::gui
