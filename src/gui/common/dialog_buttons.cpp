#include "gui/common/dialog_buttons.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

#include "gui/common/date_field.h"

namespace ld::gui {

namespace {

struct TButtonPair {
  QPushButton* ok;
  QPushButton* cancel;
};

TButtonPair MakeButtons(QDialog& dialog, const char* okCaption, const char* cancelCaption) {
  auto* ok = new QPushButton(QString::fromUtf8(okCaption), &dialog);
  ok->setObjectName("OKBtn");
  auto* cancel = new QPushButton(QString::fromUtf8(cancelCaption), &dialog);
  cancel->setObjectName("CancelBtn");
  QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
  return {ok, cancel};
}

}  // namespace

QHBoxLayout* OkCancelButtons(QDialog& dialog, const char* okCaption, const char* cancelCaption) {
  const TButtonPair buttons = MakeButtons(dialog, okCaption, cancelCaption);
  QObject::connect(buttons.ok, &QPushButton::clicked, &dialog, [&dialog] {
    if (DatesTaken(dialog)) dialog.accept();
  });
  auto* row = new QHBoxLayout;  // owned by the layout it is added to
  row->addWidget(buttons.ok);
  row->addWidget(buttons.cancel);
  return row;
}

QHBoxLayout* ApplyCancelButtons(QDialog& dialog, const std::function<void()>& onApply) {
  const TButtonPair buttons = MakeButtons(dialog, "Применить", "Отменить");
  buttons.ok->setDefault(true);
  QObject::connect(buttons.ok, &QPushButton::clicked, &dialog, [&dialog, onApply] {
    if (DatesTaken(dialog)) onApply();
  });
  auto* row = new QHBoxLayout;  // owned by the layout it is added to
  row->addStretch();
  row->addWidget(buttons.ok);
  row->addWidget(buttons.cancel);
  return row;
}

}  // namespace ld::gui
