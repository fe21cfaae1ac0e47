#include "gui/diagram/layer_form.h"

#include <QListWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/base/codepage.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/diagram/float_field.h"

namespace ld::gui {

TLayerFrm::TLayerFrm(const std::string& caption, std::vector<TNodeLinkItem>& items, QWidget* parent)
    : QDialog(parent), items_(items) {
  setObjectName("LayerFrm");
  setWindowTitle(QString::fromStdString(caption));
  std::stable_sort(items_.begin(), items_.end(),
                   [](const TNodeLinkItem& a, const TNodeLinkItem& b) { return CompareCp1251(a.Text, b.Text) < 0; });
  LnkList = Named<QListWidget>("LnkList", this);
  for (const TNodeLinkItem& i : items_) {
    auto* item = new QListWidgetItem(QString::fromStdString(i.Text), LnkList);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(i.Checked ? Qt::Checked : Qt::Unchecked);
  }
  LnkList->setMinimumSize(280, 240);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(LnkList);
  layout->addLayout(ApplyCancelRow(*this, [this] { accept(); }, "OKBtn", "CancelBtn"));
}

void TLayerFrm::Store() {
  for (int i = 0; i < LnkList->count() && i < static_cast<int>(items_.size()); ++i)
    items_[static_cast<std::size_t>(i)].Checked = LnkList->item(i)->checkState() == Qt::Checked;
}

bool ExecuteSelectNodeLinks(TRegime& Engine, const std::string& NodeText, const DAString& NodeNames, bool Sections,
                            bool GroupByName, const std::vector<std::int32_t>& ShownBranches) {
  std::string caption;
  std::vector<TNodeLinkItem> items =
      CollectNodeLinks(Engine, NodeText, NodeNames, Sections, GroupByName, ShownBranches, caption);
  if (items.empty()) return false;
  TLayerFrm form(caption, items);
  if (ExecModal(form) != QDialog::Accepted) return false;
  form.Store();
  ApplyNodeLinks(items);
  return true;
}

}  // namespace ld::gui
