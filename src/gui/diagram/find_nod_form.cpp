#include "gui/diagram/find_nod_form.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/base/codepage.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/diagram/float_field.h"

namespace ld::gui {

bool IsTapOffCaption(const std::string& caption) {
  if (caption.starts_with("_")) return true;
  const std::string upper = UpperCase(caption);
  return upper.starts_with("ОТП") || upper.starts_with("ВІДП");
}

std::string& TypedPrefix() {
  static std::string prefix;
  return prefix;
}

TFindNodFrm::TFindNodFrm(std::vector<TFoundNode> items, QWidget* parent) : QDialog(parent), items_(std::move(items)) {
  setObjectName("FindNodFrm");
  setWindowTitle("Поиск узла на схеме");
  std::stable_sort(items_.begin(), items_.end(),
                   [](const TFoundNode& a, const TFoundNode& b) { return CompareCp1251(a.Caption, b.Caption) < 0; });
  NodList = Named<QListWidget>("NodList", this);
  for (const TFoundNode& i : items_) NodList->addItem(QString::fromStdString(i.Caption));
  NodList->installEventFilter(this);
  NodList->setMinimumSize(260, 320);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(NodList);
  layout->addLayout(ApplyCancelRow(*this, [this] { accept(); }, "OKBtn", "CancelBtn"));
  connect(NodList, &QListWidget::itemPressed, this, [] { TypedPrefix().clear(); });
  connect(NodList, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
}

void TFindNodFrm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (NodList->count() > 0) NodList->setCurrentRow(0);
  NodList->setFocus();
}

bool TFindNodFrm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == NodList && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
      case Qt::Key_Escape:
        return false;
      case Qt::Key_Up:
      case Qt::Key_Down:
        TypedPrefix().clear();
        return false;
      default:
        break;
    }
    if (!key->text().isEmpty() && key->text().at(0).isPrint()) {
      NodListKeyPress(key->text());
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TFindNodFrm::NodListKeyPress(const QString& text) {
  std::string& prefix = TypedPrefix();
  prefix += UpperCase(text.toStdString());
  for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
    const std::string begin = Utf8Left(items_[static_cast<std::size_t>(i)].Caption, Utf8Length(prefix));
    if (UpperCase(begin) == prefix) {
      NodList->setCurrentRow(i);
      return;
    }
  }
}

const void* TFindNodFrm::Chosen() const {
  const int row = NodList->currentRow();
  return row >= 0 && row < static_cast<int>(items_.size()) ? items_[static_cast<std::size_t>(row)].Element : nullptr;
}

const void* ChooseFoundNode(std::vector<TFoundNode> items) {
  TFindNodFrm form(std::move(items));
  if (ExecModal(form) != QDialog::Accepted) return nullptr;
  return form.Chosen();
}

}  // namespace ld::gui
