#include "gui/app/main_form.h"

#include <QCloseEvent>
#include <QShowEvent>
#include <QToolButton>

#include "gui/common/full_build.h"
#include "gui/common/screen_fit.h"
#include "gui/common/work_form.h"
#include "gui/district/base_res_form.h"
#include "gui/optim/form_tkz.h"
#include "gui/regime/zregim_form.h"

namespace ld::gui {

TMainForm* MainForm = nullptr;

namespace {
constexpr int kButtonWidth = 120;
constexpr int kButtonHeight = 25;
constexpr int kShownWidth = 366;

// Asks one visible window and, when it agrees, closes it without letting it ask a second time.
void CloseInChain(TWorkForm* window, bool& canClose) {
  if (!canClose || !window || !window->isVisible()) return;
  window->FormCloseQuery(canClose);
  if (!canClose) return;
  window->SetCloseQueryAttached(false);
  window->close();
  window->SetCloseQueryAttached(true);
}
}  // namespace

TMainForm::TMainForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("MainForm");
  setWindowTitle("ЛД ТОРИЛ");
  bresBtn_ = AddButton("BresBtn", "База РЭС");
  zregBtn_ = AddButton("ZregBtn", "Режим");
  tkzBtn_ = AddButton("TKZBtn", "Расчет Т.К.З.");
  fileBtn_ = AddButton("FileBtn", "База форматов");
  eermBtn_ = AddButton("EERMBtn", "МИРАНТ");
  rtimBtn_ = AddButton("RTimBtn", "RealTime");
  for (int i = 0; QToolButton* button : {bresBtn_, zregBtn_, tkzBtn_, fileBtn_, eermBtn_, rtimBtn_})
    button->move(kButtonWidth * i++, 0);
  setFixedSize(6 * kButtonWidth, kButtonHeight);
  move(0, 0);

  connect(bresBtn_, &QToolButton::clicked, this, [this] { ShowBelow(baseRes_); });
  connect(zregBtn_, &QToolButton::clicked, this, [this] { ShowBelow(zregim_); });
  connect(tkzBtn_, &QToolButton::clicked, this, [this] { ShowBelow(tkz_); });
  // "База форматов", "МИРАНТ" and "RealTime" have no command in this build.
}

QToolButton* TMainForm::AddButton(const char* name, const QString& caption) {
  auto* button = new QToolButton(this);
  button->setObjectName(name);
  button->setText(caption);
  button->setAutoRaise(true);
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  button->setFixedSize(kButtonWidth, kButtonHeight);
  return button;
}

void TMainForm::SetWorkWindows(TBaseResForm* baseRes, TZregimForm* zregim, TFormTKZ* tkz) {
  baseRes_ = baseRes;
  zregim_ = zregim;
  tkz_ = tkz;
}

void TMainForm::ShowBelow(TWorkForm* window) {
  if (!window) return;
  // the frame's lower edge: the height, and below a panel at the top of the screen as well
  window->SetTag(frameGeometry().y() + frameGeometry().height());
  window->show();
  window->raise();
  window->activateWindow();
}

void TMainForm::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) {
    bresBtn_->move(0, 0);
    zregBtn_->move(kButtonWidth, 0);
    tkzBtn_->move(2 * kButtonWidth, 0);
    // the full build ("/ALL") keeps the three buttons that this build offers no command for
    const bool all = ShowAllCommands();
    for (QToolButton* button : {fileBtn_, eermBtn_, rtimBtn_}) button->setVisible(all);
    setFixedSize(all ? 6 * kButtonWidth : kShownWidth, kButtonHeight);
    // The frame goes to the corner of the work area, so that the title bar stays on the screen.
    PlaceFrame(*this, AvailableArea(*this).topLeft());
  }
  QWidget::showEvent(event);
}

void TMainForm::FormCloseQuery(bool& canClose) {
  canClose = true;
  CloseInChain(baseRes_, canClose);
  CloseInChain(zregim_, canClose);
  CloseInChain(tkz_, canClose);
}

void TMainForm::closeEvent(QCloseEvent* event) {
  bool canClose = true;
  FormCloseQuery(canClose);
  if (!canClose) {
    event->ignore();
    return;
  }
  event->accept();
  emit Closed();
}

}  // namespace ld::gui
