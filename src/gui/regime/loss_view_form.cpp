#include "gui/regime/loss_view_form.h"

#include <QCheckBox>
#include <QVBoxLayout>

#include "gui/common/dialog_buttons.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"

namespace ld::gui {

namespace {

struct Box {
  const char* name;
  const char* caption;
};
// In the order of the bits, 1 to 4096.
constexpr std::array<Box, 13> kBoxes = {{
    {"_dPsum", "dP сум (суммарные активные потери по выбранным критериям)"},
    {"_ps", "% от dP схемы"},
    {"_dQsum", "dQ сум (суммарные реактивные потери по выбранным критериям)"},
    {"_dPnag", "dP наг (нагрузочная составляющая потерь dP сум)"},
    {"_pn", "% от dP схемы"},
    {"_dQnag", "dQ наг (нагрузочная составляющая потерь dQ сум)"},
    {"_dPhh", "dP х.х. (составляющая потерь холостого хода dP сум)"},
    {"_ph", "% от dP схемы"},
    {"_dQhh", "dQ х.х. (составляющая потерь холостого хода dQ сум)"},
    {"_dPa", "dP актив (составляющая потерь dP наг от активных перетоков)"},
    {"_pp", "% от dP схемы"},
    {"_dPr", "dP реакт (составляющая потерь dP наг от реактивных перетоков)"},
    {"_pq", "% от dP схемы"},
}};

}  // namespace

TLossViewForm::TLossViewForm(QWidget* parent) : QDialog(parent) {
  setObjectName("LossViewForm");
  setWindowTitle("Составляющие потерь");
  auto* root = new QVBoxLayout(this);
  for (std::size_t i = 0; i < kBoxes.size(); ++i) {
    boxes_[i] = Named<QCheckBox>(kBoxes[i].name, kBoxes[i].caption, this);
    boxes_[i]->setProperty("Tag", 1 << i);
    root->addWidget(boxes_[i]);
  }
  root->addLayout(ApplyCancelButtons(*this, [this] { accept(); }));
}

void TLossViewForm::Load(std::int32_t lossAttr) {
  for (QCheckBox* box : boxes_) box->setChecked((lossAttr & box->property("Tag").toInt()) == 0);
}

std::int32_t TLossViewForm::Hidden() const {
  std::int32_t hidden = 0;
  for (const QCheckBox* box : boxes_)
    if (!box->isChecked()) hidden |= box->property("Tag").toInt();
  return hidden;
}

bool ExecuteLossViewDialog(std::int32_t& lossAttr) {
  TLossViewForm form;
  form.Load(lossAttr);
  if (ExecModal(form) != QDialog::Accepted) return false;
  lossAttr = form.Hidden();
  return true;
}

}  // namespace ld::gui
