// The loss panel of the regime window: the losses of the calculated scheme (or the energy losses of the
// last period) broken down by district, equipment, nominal voltage and ownership, one row per press.
#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTextEdit>
#include <QToolButton>

#include "core/tables/table_file.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/regime/loss_panel.h"
#include "core/tables/layout.h"
#include "gui/common/report_font.h"
#include "gui/regime/loss_view_form.h"
#include "gui/regime/zregim_form.h"

namespace ld::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QToolButton* PanelButton(QWidget* parent, const char* name, const char* text, const char* hint) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setText(text);
  b->setToolTip(hint);
  return b;
}

}  // namespace

void TZregimForm::BuildLossPanel() {
  CalcLossBtn->setText("Расчет потерь по критериям:");
  CalcLossBtn->setToolButtonStyle(Qt::ToolButtonTextOnly);
  EquipBox->clear();
  for (const std::string& item : LossEquipItems) EquipBox->addItem(Q(item));
  BalansBox->clear();
  for (const std::string& item : LossOwnershipItems) BalansBox->addItem(Q(item));
  RayonBox->setToolTip("Районы");
  EquipBox->setToolTip("Оборудование");
  UnomBox->setToolTip("Uном");
  BalansBox->setToolTip("Принадлежность");
  ClearBtn = PanelButton(LossPanel, "ClearBtn", "Очистить", "Очистка выборки потерь");
  LossViewBtn = PanelButton(LossPanel, "LossViewBtn", "Составляющие", "Выбор составляющих потерь");

  // The button first, then the criteria with their captions, as a sentence read from the left.
  auto* layout = static_cast<QHBoxLayout*>(LossPanel->layout());
  int at = 0;
  layout->removeWidget(CalcLossBtn);
  layout->insertWidget(at++, CalcLossBtn);
  for (auto [caption, box] : {std::pair{"Районы", RayonBox}, std::pair{"Оборудование", EquipBox},
                              std::pair{"Uном", UnomBox}, std::pair{"Принадлежность", BalansBox}}) {
    layout->removeWidget(box);
    layout->insertWidget(at++, new QLabel(caption, LossPanel));
    layout->insertWidget(at++, box);
  }
  layout->insertWidget(at++, ClearBtn);
  layout->insertWidget(at++, LossViewBtn);
  // the loss table is laid out in columns of blanks
  Info->setFont(ReportFont());
}

void TZregimForm::LossesItemClick(QAction* sender) {
  if (sender != LossesItem) return;
  LossesBtn->setChecked(!LossesBtn->isChecked());
  LossesBtnClick();
}

void TZregimForm::LossesBtnClick() {
  if (!LossesBtn->isChecked()) {
    LossPanel->hide();
    LossesItem->setChecked(false);
    ShowInfo(false);
    return;
  }
  WLossBtn->setChecked(false);
  WLossItem->setChecked(false);
  LossesItem->setChecked(true);
  if (ShownMaket() == LayoutBranches && DataGrid_->Modified()) SaveItemClick();

  TDataFile branches;
  ReadTableFileOrEmpty(SchemePath + GetMaketExtention(LayoutBranches), LayoutBranches, branches);
  OpenLossPanel(LossPanelChoices(branches));
}

void TZregimForm::OpenLossPanel(const TLossChoices& choices) {
  UnomBox->clear();
  UnomBox->addItem("Все");
  RayonBox->clear();
  RayonBox->addItem("Все");
  for (const std::string& u : choices.Voltages) UnomBox->addItem(Q(u));
  for (const std::int32_t nr : choices.Districts) RayonBox->addItem(QString::number(nr));
  for (QComboBox* box : {EquipBox, UnomBox, BalansBox, RayonBox}) box->setCurrentIndex(0);
  Info->clear();
  CalcLossBtnClick();
  LossPanel->show();
  ArrangeTopPanels();
}

void TZregimForm::CalcLossBtnClick() {
  TLossPanelFormat format;
  if (LossesBtn->isChecked()) {
    format.Energy = false;
  } else if (WLossBtn->isChecked()) {
    format.Energy = true;
  } else {
    return;
  }
  if (SchemePath.empty()) return;
  format.Kilo = IniRec.Dimension != 0;
  format.Hidden = IniRec.LossAttr;
  if (!format.Energy) {
    // the sums read the files: edits still in the grid count
    const std::string shown = ShownMaket();
    if ((shown == LayoutNodes || shown == LayoutBranches) && DataGrid_->Modified()) SaveItemClick();
  }

  TLossCriteria criteria;
  if (RayonBox->currentIndex() > 0) criteria.District = StrToIntZ(RayonBox->currentText().trimmed().toStdString());
  criteria.Equipment = std::max(EquipBox->currentIndex(), 0);
  if (UnomBox->currentIndex() > 0) criteria.Unom = StrToFloatZ(UnomBox->currentText().toStdString());
  criteria.Ownership = std::max(BalansBox->currentIndex(), 0);

  // Another command's text in the area (a protocol, a balancing report, the table of the other mode)
  // gives way: rows under no head or under the other unit's head could not be read.
  const bool withHead = !Info->toPlainText().startsWith(format.Energy ? "Суммарные потери в схеме: dWP схемы"
                                                                      : "Суммарные потери в схеме: dP схемы");
  if (withHead) Info->clear();
  for (const std::string& line : LossPanelPress(SchemePath, criteria, format, withHead)) Info->append(Q(line));
  if (Info->isHidden()) ShowInfo(true);
}

void TZregimForm::ClearBtnClick() { Info->clear(); }

void TZregimForm::LossViewBtnClick() { ExecuteLossViewDialog(IniRec.LossAttr); }

}  // namespace ld::gui
