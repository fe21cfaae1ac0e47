#include "gui/common/choice_wheel.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>

namespace ld::gui {

namespace {

class WheelFilter : public QObject {
public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Wheel) return false;
    if (qobject_cast<QComboBox*>(watched) == nullptr && qobject_cast<QAbstractSpinBox*>(watched) == nullptr &&
        qobject_cast<QCheckBox*>(watched) == nullptr)
      return false;
    // Taken from the control but left unaccepted: the application hands a wheel turned by the person on
    // to the control's parents, up to the scrolled window.
    event->ignore();
    return true;
  }
};

}  // namespace

ChoiceWheelScope::ChoiceWheelScope() {
  if (!qApp) return;
  filter_ = std::make_unique<WheelFilter>();
  qApp->installEventFilter(filter_.get());
}

ChoiceWheelScope::~ChoiceWheelScope() {
  if (filter_ && qApp) qApp->removeEventFilter(filter_.get());
}

}  // namespace ld::gui
