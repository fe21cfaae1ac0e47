#pragma once
// The scheme viewer: shows the diagram of any scheme read-only. One instance lives from program start
// to program end, hidden until used.
#include <QWidget>

namespace ld::gui {

class TSchViewForm : public QWidget {
  Q_OBJECT

public:
  explicit TSchViewForm(QWidget* parent = nullptr);
};

// The one scheme viewer of the program, created at start.
extern TSchViewForm* SchViewForm;

}  // namespace ld::gui
