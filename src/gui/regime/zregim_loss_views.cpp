// Menu "Потери энергии" of the regime window: the views of the period losses, the two tables of the
// period calculation as they are, the loss panel over the period's energies and the loss statement.
#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QToolButton>

#include "core/base/msgbox.h"
#include "core/regime/energy_views.h"
#include "core/regime/loss_panel.h"
#include "core/regime/period_statement.h"
#include "core/regime/result_views.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"
#include "gui/grid/grid_exchange.h"
#include "gui/regime/zregim_form.h"

namespace ld::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

void TZregimForm::BindEnergyCommands() {
  Bind(WLossLnItem, [this] { WLossLnItemClick(WLossLnItem); });
  Bind(WLossLnBtn, [this] { WLossLnItemClick(WLossLnBtn); });
  Bind(WLossTrItem, [this] { WLossLnItemClick(WLossTrItem); });
  Bind(WLossTrBtn, [this] { WLossLnItemClick(WLossTrBtn); });
  Bind(WFlowLnItem, [this] { WFlowLnItemClick(WFlowLnItem); });
  Bind(WFlowTrItem, [this] { WFlowLnItemClick(WFlowTrItem); });
  Bind(WNodItem, [this] { WNodItemClick(); });
  Bind(NodeItem, [this] { NodeItemClick(); });
  Bind(LineItem, [this] { LineItemClick(); });
  Bind(WLossBtn, [this] { WLossBtnClick(); });
  Bind(WLossItem, [this] {
    WLossBtn->setChecked(!WLossBtn->isChecked());
    WLossBtnClick();
  });
  Bind(WLossPrnItem, [this] { WLossPrnItemClick(); });
  BuildBalansPanel();
}

void TZregimForm::WLossLnItemClick(QObject* sender) {
  TResultViewOptions options;
  if (!BeginResultView(options)) return;
  const bool lines = sender != WLossTrItem && sender != WLossTrBtn;
  TDataFile energy, view;
  ReadTableFileOrEmpty(SchemePath + GetMaketExtention(LayoutBranchEnergy), LayoutBranchEnergy, energy);
  BuildEnergyLossView(energy, lines, view, [this](int p) { OnCalcProgress(p); });
  ShowResultTable(view, lines ? LayoutLineEnergyLosses : LayoutTransEnergyLosses);
}

void TZregimForm::WFlowLnItemClick(QObject* sender) {
  TResultViewOptions options;
  if (!BeginResultView(options)) return;
  const bool lines = sender == WFlowLnItem;
  TDataFile energy, view;
  ReadTableFileOrEmpty(SchemePath + GetMaketExtention(LayoutBranchEnergy), LayoutBranchEnergy, energy);
  BuildEnergyLoadView(energy, lines, view, [this](int p) { OnCalcProgress(p); });
  ShowResultTable(view, lines ? LayoutLineEnergy : LayoutTransEnergy);
}

void TZregimForm::WNodItemClick() {
  TResultViewOptions options;
  if (!BeginResultView(options)) return;
  TDataFile energy, view;
  ReadTableFileOrEmpty(SchemePath + GetMaketExtention(LayoutNodeEnergy), LayoutNodeEnergy, energy);
  BuildNodeConsumptionView(energy, view, [this](int p) { OnCalcProgress(p); });
  ShowResultTable(view, LayoutNodeConsumption);
}

// A table of the period calculation as the calculation wrote it, read-only, from its first row.
static void ShowPeriodTable(TZregimForm& form, const char* layout) {
  if (!form.CommonGuard()) return;
  const std::string file = form.SchemeFile(layout);
  if (!fileio::FileExists(file)) return;
  for (QWidget* w : std::initializer_list<QWidget*>{form.NoSupBox, form.ConturBox, form.SubstList, form.Memo1})
    w->hide();
  form.DataGrid().OpenFile(file, 1, 1, 1, false, true, true);
  form.DataLabel->setText(Q(layout));
}

void TZregimForm::NodeItemClick() { ShowPeriodTable(*this, LayoutNodeEnergy); }

void TZregimForm::LineItemClick() { ShowPeriodTable(*this, LayoutBranchEnergy); }

void TZregimForm::WLossBtnClick() {
  if (!WLossBtn->isChecked()) {
    LossPanel->hide();
    WLossItem->setChecked(false);
    ShowInfo(false);
    return;
  }
  LossesBtn->setChecked(false);
  LossesItem->setChecked(false);
  WLossItem->setChecked(true);
  TDataFile energy;
  ReadTableFileOrEmpty(SchemePath + GetMaketExtention(LayoutBranchEnergy), LayoutBranchEnergy, energy);
  OpenLossPanel(EnergyLossChoices(energy));
}

void TZregimForm::WLossPrnItemClick() {
  if (SchemePath.empty()) return;
  const std::string name = LossStatementPath(SchemePath);
  if (!fileio::FileExists(name)) {
    ShowMsgForm("Документ не найден: " + name, mkError, mbOk);
    return;
  }
  OpenWrittenFile(name, "Отчет по потерям записан", "документов");
}

}  // namespace ld::gui
