#pragma once
// The catalogue window: shows one catalogue or passport list and lets the person pick a row. One
// instance lives from program start to program end and is reused by every call.
#include <QDialog>

namespace ld::gui {

class TCatalogForm : public QDialog {
  Q_OBJECT

public:
  explicit TCatalogForm(QWidget* parent = nullptr);
};

// The one catalogue window of the program, created at start.
extern TCatalogForm* CatalogForm;

}  // namespace ld::gui
