#pragma once
// The confirm and cancel buttons at the foot of the grid's small dialogs.
#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

namespace ld::gui {

// A row of two buttons, "OKBtn" accepting and "CancelBtn" rejecting the dialog.
inline QHBoxLayout* OkCancelButtons(QDialog& dialog, const char* okCaption, const char* cancelCaption) {
  auto* row = new QHBoxLayout;  // owned by the layout it is added to
  auto* ok = new QPushButton(QString::fromUtf8(okCaption), &dialog);
  ok->setObjectName("OKBtn");
  auto* cancel = new QPushButton(QString::fromUtf8(cancelCaption), &dialog);
  cancel->setObjectName("CancelBtn");
  row->addWidget(ok);
  row->addWidget(cancel);
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
  return row;
}

}  // namespace ld::gui
