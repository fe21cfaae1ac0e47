#include "gui/district/imp_xls_frm.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <string>

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

TImpXlsFrm::TImpXlsFrm(QWidget* parent) : QDialog(parent) {
  setObjectName("ImpXlsFrm");
  setWindowTitle("Импорт баз коммерческого и технического учетов");
  auto* grid = new QGridLayout(this);
  int row = 0;
  const auto line = [&](const char* boxName, const char* caption, const char* editName, const char* buttonName,
                        QCheckBox*& box, QLineEdit*& edit, QPushButton*& button) {
    box = Named<QCheckBox>(boxName, QString::fromUtf8(caption), this);
    edit = Named<QLineEdit>(editName, this);
    edit->setMinimumWidth(360);
    button = Named<QPushButton>(buttonName, "...", this);
    button->setAutoDefault(false);
    grid->addWidget(box, row++, 0, 1, 2);
    grid->addWidget(edit, row, 0);
    grid->addWidget(button, row++, 1);
    QCheckBox* b = box;
    QPushButton* p = button;
    connect(b, &QCheckBox::toggled, this, [this, b] { PromBoxClick(b); });
    connect(p, &QPushButton::clicked, this, [this, p] { PromBtnClick(p); });
  };
  line("PromBox", "База промышленных абонентов", "PromEdit", "PromBtn", PromBox, PromEdit, PromBtn);
  line("BytBox", "База бытовых абонентов", "BytEdit", "BytBtn", BytBox, BytEdit, BytBtn);
  line("TechBox", "База технических учетов", "TechEdit", "TechBtn", TechBox, TechEdit, TechBtn);
  // A base ticked without its file would be read from no file at all.
  grid->addLayout(ApplyCancelButtons(*this,
                                     [this] {
                                       if (ChosenBasesNamed({{PromBox, PromEdit, "базы промышленных абонентов"},
                                                             {BytBox, BytEdit, "базы бытовых абонентов"},
                                                             {TechBox, TechEdit, "базы технических учетов"}}))
                                         accept();
                                     }),
                  row, 0, 1, 2);

  PromBox->setChecked(IniRec.FlagProm);
  PromEdit->setText(Q(IniRec.PathProm));
  BytBox->setChecked(IniRec.FlagByt);
  BytEdit->setText(Q(IniRec.PathByt));
  TechBox->setChecked(IniRec.FlagTech);
  TechEdit->setText(Q(IniRec.PathTech));
  for (QCheckBox* b : {PromBox, BytBox, TechBox}) PromBoxClick(b);
}

void TImpXlsFrm::PromBoxClick(QCheckBox* box) {
  QLineEdit* edit = box == PromBox ? PromEdit : box == BytBox ? BytEdit : TechEdit;
  QPushButton* button = box == PromBox ? PromBtn : box == BytBox ? BytBtn : TechBtn;
  edit->setEnabled(box->isChecked());
  button->setEnabled(box->isChecked());
}

void TImpXlsFrm::PromBtnClick(QPushButton* button) {
  QLineEdit* edit = button == PromBtn ? PromEdit : button == BytBtn ? BytEdit : TechEdit;
  const char* title = button == PromBtn  ? "Выбор базы промышленных абонентов"
                      : button == BytBtn ? "Выбор базы бытовых абонентов"
                                         : "Выбор базы технических учетов";
  // the workbook reader takes the current format as well as the legacy one
  const std::string chosen = ChooseBaseFile(this, title, "Файлы (*.xls *.xlsx)", "xls", S(edit->text()));
  if (!chosen.empty()) edit->setText(Q(chosen));
}

bool ExecuteImportXlsBasesDialog() {
  TImpXlsFrm form;
  if (ExecModal(form) != QDialog::Accepted) return false;
  IniRec.FlagProm = form.PromBox->isChecked();
  IniRec.PathProm = S(form.PromEdit->text());
  IniRec.FlagByt = form.BytBox->isChecked();
  IniRec.PathByt = S(form.BytEdit->text());
  IniRec.FlagTech = form.TechBox->isChecked();
  IniRec.PathTech = S(form.TechEdit->text());
  return true;
}

}  // namespace ld::gui
