#include "gui/district/import_frm.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>
#include <tuple>

#include "core/base/msgbox.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/grid/grid_exchange.h"

namespace ld::gui {

std::string HouseholdFeederPrefix;

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

// dBase files of the billing programs are often named in capitals.
const char kDbfFilter[] = "Файлы (*.dbf *.DBF)";
}  // namespace

std::string ChooseBaseFile(QWidget* parent, const char* title, const char* filter, const char* suffix,
                           const std::string& current) {
  const std::string folder =
      current.empty() ? QDir::currentPath().toStdString() : std::filesystem::path(current).parent_path().string();
  QFileDialog dialog(parent, QString::fromUtf8(title), Q(folder));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(QString::fromUtf8(filter));
  dialog.setDefaultSuffix(QString::fromUtf8(suffix));
  return ExecFileDialog(dialog);
}

TImportFrm::TImportFrm(QWidget* parent) : QDialog(parent) {
  setObjectName("ImportFrm");
  setWindowTitle("Импорт баз промышленных и бытовых абонентов");
  auto* grid = new QGridLayout(this);
  const auto browse = [this](const char* name) {
    auto* b = Named<QPushButton>(name, "...", this);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this, b] { PromBtnClick(b); });
    return b;
  };
  const auto box = [this](const char* name, const char* caption) {
    auto* b = Named<QCheckBox>(name, QString::fromUtf8(caption), this);
    connect(b, &QCheckBox::toggled, this, [this, b] { PromBoxClick(b); });
    return b;
  };

  PromBox = box("PromBox", "База промышленных абонентов");
  PromEdit = Named<QLineEdit>("PromEdit", this);
  PromEdit->setMinimumWidth(360);
  PromBtn = browse("PromBtn");
  AddBox = Named<QCheckBox>("AddBox", "Добавление данных по номеру района: ", this);
  ResEdit = Named<QLineEdit>("ResEdit", this);
  ResEdit->setMaximumWidth(60);
  BytBox = box("BytBox", "База бытовых абонентов");
  BytEdit = Named<QLineEdit>("BytEdit", this);
  BytBtn = browse("BytBtn");
  auto* prefixLabel = Named<QLabel>("Label1", "Приставка для названия фидера (Л-, Ф-):", this);
  Edit1 = Named<QLineEdit>("Edit1", this);
  Edit1->setMaximumWidth(60);
  DogBox = box("DogBox", "Список договоров РЭС");
  DogEdit = Named<QLineEdit>("DogEdit", this);
  DogBtn = browse("DogBtn");

  grid->addWidget(PromBox, 0, 0, 1, 3);
  grid->addWidget(PromEdit, 1, 0, 1, 2);
  grid->addWidget(PromBtn, 1, 2);
  grid->addWidget(AddBox, 2, 0);
  grid->addWidget(ResEdit, 2, 1, Qt::AlignLeft);
  grid->addWidget(BytBox, 3, 0, 1, 3);
  grid->addWidget(BytEdit, 4, 0, 1, 2);
  grid->addWidget(BytBtn, 4, 2);
  grid->addWidget(prefixLabel, 5, 0);
  grid->addWidget(Edit1, 5, 1, Qt::AlignLeft);
  grid->addWidget(DogBox, 6, 0, 1, 3);
  grid->addWidget(DogEdit, 7, 0, 1, 2);
  grid->addWidget(DogBtn, 7, 2);
  grid->addLayout(ApplyCancelButtons(*this, [this] { ApplyClick(); }), 8, 0, 1, 3);

  connect(AddBox, &QCheckBox::toggled, this, [this] { AddBoxClick(); });
  connect(ResEdit, &QLineEdit::textEdited, this, [this] { ResEditChange(); });

  PromBox->setChecked(IniRec.FlagProm);
  PromEdit->setText(Q(IniRec.PathProm));
  BytBox->setChecked(IniRec.FlagByt);
  BytEdit->setText(Q(IniRec.PathByt));
  Edit1->setText(Q(HouseholdFeederPrefix));
  DogBox->setChecked(IniRec.FlagDog);
  DogEdit->setText(Q(IniRec.PathDog));
  for (QCheckBox* b : {PromBox, BytBox, DogBox}) PromBoxClick(b);
  AddBoxClick();
}

void TImportFrm::PromBoxClick(QCheckBox* box) {
  const bool on = box->isChecked();
  if (box == PromBox) {
    PromEdit->setEnabled(on);
    PromBtn->setEnabled(on);
  } else if (box == BytBox) {
    BytEdit->setEnabled(on);
    BytBtn->setEnabled(on);
    Edit1->setEnabled(on);
  } else if (box == DogBox) {
    DogEdit->setEnabled(on);
    DogBtn->setEnabled(on);
  }
}

void TImportFrm::PromBtnClick(QPushButton* button) {
  QLineEdit* edit = button == PromBtn ? PromEdit : button == BytBtn ? BytEdit : DogEdit;
  const char* title = button == PromBtn  ? "Выбор базы промышленных абонентов"
                      : button == BytBtn ? "Выбор базы бытовых абонентов"
                                         : "Выбор базы договоров РЭС";
  const std::string chosen = ChooseBaseFile(this, title, kDbfFilter, "dbf", S(edit->text()));
  if (!chosen.empty()) edit->setText(Q(chosen));
}

bool ChosenBasesNamed(std::initializer_list<TChosenBase> bases) {
  for (const TChosenBase& base : bases)
    if (base.Box->isChecked() && base.Edit->text().trimmed().isEmpty()) {
      ShowMsgForm(std::string("Не выбран файл ") + base.What, mkError, mbOk);
      base.Edit->setFocus();
      return false;
    }
  return true;
}

void TImportFrm::ApplyClick() {
  if (ChosenBasesNamed({{PromBox, PromEdit, "базы промышленных абонентов"},
                        {BytBox, BytEdit, "базы бытовых абонентов"},
                        {DogBox, DogEdit, "списка договоров РЭС"}}))
    accept();
}

void TImportFrm::ResEditChange() {
  const std::string text = S(ResEdit->text());
  try {
    StrToIntZ(text.empty() ? "0" : text);
  } catch (const ConvertError&) {
    ResEdit->clear();
  }
}

void TImportFrm::AddBoxClick() {
  ResEdit->setEnabled(AddBox->isChecked());
  if (AddBox->isChecked() && ResEdit->isVisible()) ResEdit->setFocus();
}

bool ExecuteImportBasesDialog(bool& AddMode, int& DistrictNo, std::string& FeederPrefix) {
  TImportFrm form;
  if (ExecModal(form) != QDialog::Accepted) return false;
  IniRec.FlagProm = form.PromBox->isChecked();
  IniRec.PathProm = S(form.PromEdit->text());
  IniRec.FlagByt = form.BytBox->isChecked();
  IniRec.PathByt = S(form.BytEdit->text());
  IniRec.FlagDog = form.DogBox->isChecked();
  IniRec.PathDog = S(form.DogEdit->text());
  AddMode = form.AddBox->isChecked();
  int district = 0;
  try {
    district = StrToIntZ(S(form.ResEdit->text()));
  } catch (const ConvertError&) {
    district = 0;
  }
  DistrictNo = district;
  HouseholdFeederPrefix = FeederPrefix = S(form.Edit1->text());
  return true;
}

}  // namespace ld::gui
