#include "gui/district/imp04_frm.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "core/base/settings.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/district/import_frm.h"

namespace ld::gui {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }
}  // namespace

TImp04Frm::TImp04Frm(QWidget* parent) : QDialog(parent) {
  setObjectName("Imp04Frm");
  setWindowTitle("Импорт базы линий 0.4 кВ");
  auto* grid = new QGridLayout(this);
  Base04Edit = Named<QLineEdit>("Base04Edit", this);
  Base04Edit->setMinimumWidth(360);
  SelectBtn = Named<QPushButton>("SelectBtn", "...", this);
  SelectBtn->setAutoDefault(false);
  grid->addWidget(Base04Edit, 0, 0, 1, 2);
  grid->addWidget(SelectBtn, 0, 2);

  grid->addWidget(Named<QLabel>("Label1", "Импортировать линии:", this), 1, 0);
  auto* kinds = new QHBoxLayout;
  AllBtn = Named<QRadioButton>("AllBtn", "Все", this);
  AbonBtn = Named<QRadioButton>("AbonBtn", "Абонентские", this);
  ResBtn = Named<QRadioButton>("ResBtn", "Сетевые", this);
  for (QRadioButton* b : {AllBtn, AbonBtn, ResBtn}) kinds->addWidget(b);
  grid->addLayout(kinds, 1, 1, 1, 2);

  grid->addWidget(Named<QLabel>("Label2", "Приставка (ТП, КТП, ЗТП, ...)", this), 2, 0);
  PrefEdit = Named<QLineEdit>("PrefEdit", this);
  PrefEdit->setMaximumWidth(80);
  grid->addWidget(PrefEdit, 2, 1, Qt::AlignLeft);
  grid->addLayout(ApplyCancelButtons(*this, [this] { accept(); }), 3, 0, 1, 3);
  connect(SelectBtn, &QPushButton::clicked, this, [this] { SelectBtnClick(); });

  Base04Edit->setText(Q(IniRec.PathBase04));
  QRadioButton* kind[] = {AllBtn, AbonBtn, ResBtn};
  if (IniRec.TypLin04 <= 2) kind[IniRec.TypLin04]->setChecked(true);
}

void TImp04Frm::SelectBtnClick() {
  // the folder of the file last imported, not of what the edit holds now
  const std::string chosen =
      ChooseBaseFile(this, "Выбор базы линий 0.4 кВ", "Файлы (*.dbf *.DBF)", "dbf", IniRec.PathBase04);
  if (!chosen.empty()) Base04Edit->setText(Q(chosen));
}

bool ExecuteImport04Dialog(std::string& Prefix) {
  Prefix.clear();
  TImp04Frm form;
  if (ExecModal(form) != QDialog::Accepted) return false;
  IniRec.PathBase04 = S(form.Base04Edit->text());
  if (form.AllBtn->isChecked()) IniRec.TypLin04 = 0;
  if (form.AbonBtn->isChecked()) IniRec.TypLin04 = 1;
  if (form.ResBtn->isChecked()) IniRec.TypLin04 = 2;
  Prefix = S(form.PrefEdit->text());
  return true;
}

}  // namespace ld::gui
