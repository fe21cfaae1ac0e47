#include "gui/diagram/subst_form.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/base/msgbox.h"
#include "core/base/strings.h"
#include "core/diagram/elem_checks.h"
#include "core/diagram/elem_letters.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/diagram/float_field.h"

namespace ld::gui {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

TSubstForm::TSubstForm(const std::string& name, const std::vector<std::string>& existingNames,
                       const std::vector<std::string>& districtNumbers,
                       const std::vector<std::string>& districtNames, QWidget* parent)
    : QDialog(parent), oldName_(name), existing_(existingNames) {
  setObjectName("SubstForm");
  setWindowTitle("Подстанция");
  auto* edit1 = Named<QLineEdit>("Edit1", this);
  edit1->setMinimumWidth(260);
  auto* numbers = Named<QComboBox>("ComboBox2", this);
  numbers->setEditable(true);
  for (const std::string& n : districtNumbers) numbers->addItem(Q(n));
  auto* names = Named<QComboBox>("ComboBox3", this);
  for (const std::string& n : districtNames) names->addItem(Q(n));
  auto* owner = Named<QComboBox>("_Abon", this);
  for (const char* n : kOwnershipNames) owner->addItem(QString::fromUtf8(n));
  auto* ownerName = Named<QLineEdit>("_NameAbon", this);
  ownerName->setMaxLength(255);
  auto* color = Named<QPushButton>("_Color", this);
  color->setFixedSize(40, 22);

  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel("Наименование подстанции", this), 0, 0, 1, 2);
  grid->addWidget(edit1, 1, 0, 1, 2);
  grid->addWidget(new QLabel("Цвет", this), 0, 2);
  grid->addWidget(color, 1, 2);
  grid->addWidget(new QLabel("N района", this), 2, 0);
  grid->addWidget(numbers, 3, 0);
  grid->addWidget(new QLabel("Район", this), 2, 1, 1, 2);
  grid->addWidget(names, 3, 1, 1, 2);
  grid->addWidget(new QLabel("Принадл.", this), 4, 0);
  grid->addWidget(owner, 5, 0);
  grid->addWidget(new QLabel("Наимен.", this), 4, 1, 1, 2);
  grid->addWidget(ownerName, 5, 1, 1, 2);
  layout->addLayout(grid);
  layout->addLayout(ApplyCancelRow(*this, [this] { OkBtnClick(); }, "OkBtn", "Button2"));

  connect(numbers, &QComboBox::editTextChanged, this, [this] { ComboBox2Change(); });
  connect(names, &QComboBox::currentIndexChanged, this, [this] { ComboBox3Change(); });
  connect(color, &QPushButton::clicked, this, [this, color] {
    if (ChooseColor(this, Color)) ShowPanelColor(*color, Color);
  });
}

void TSubstForm::ComboBox2Change() {
  if (updating_) return;
  auto* numbers = findChild<QComboBox*>("ComboBox2");
  updating_ = true;
  try {
    StrToIntZ(numbers->currentText().toStdString());
    findChild<QComboBox*>("ComboBox3")->setCurrentIndex(numbers->findText(numbers->currentText(), Qt::MatchExactly));
  } catch (const ConvertError&) {
    numbers->setEditText("");
  }
  updating_ = false;
}

void TSubstForm::ComboBox3Change() {
  if (updating_) return;
  auto* numbers = findChild<QComboBox*>("ComboBox2");
  const int i = findChild<QComboBox*>("ComboBox3")->currentIndex();
  if (i < 0 || i >= numbers->count()) return;
  updating_ = true;
  numbers->setCurrentIndex(i);
  numbers->setEditText(numbers->itemText(i));
  updating_ = false;
}

void TSubstForm::OkBtnClick() {
  if (SubstationNameTaken(existing_, oldName_, findChild<QLineEdit*>("Edit1")->text().toStdString())) {
    ShowMsgForm("Подстанция с таким наименованием уже существует", mkError, mbOk);
    return;
  }
  accept();
}

bool EditSubstation(std::string& Name, std::string& OwnerName, const std::vector<std::string>& ExistingNames,
                    const std::vector<std::string>& DistrictNumbers, const std::vector<std::string>& DistrictNames,
                    bool Editable, bool& NameChanged, char& Ownership, std::int32_t& District,
                    std::uint32_t& Color) {
  NameChanged = false;
  TSubstForm form(Name, ExistingNames, DistrictNumbers, DistrictNames);
  auto* edit1 = form.findChild<QLineEdit*>("Edit1");
  auto* numbers = form.findChild<QComboBox*>("ComboBox2");
  auto* owner = form.findChild<QComboBox*>("_Abon");
  auto* ownerName = form.findChild<QLineEdit*>("_NameAbon");
  edit1->setText(Q(Name));
  form.Color = Color;
  ShowPanelColor(*form.findChild<QPushButton*>("_Color"), Color);
  numbers->setEditText(QString::number(District));
  owner->setCurrentIndex(OwnershipIndex(Ownership, false));
  ownerName->setText(Q(OwnerName));
  form.findChild<QPushButton*>("OkBtn")->setEnabled(Editable);
  if (ExecModal(form) != QDialog::Accepted) return false;
  const std::string name = edit1->text().toStdString();
  NameChanged = name != Name;
  Name = name;
  Color = form.Color;
  District = StrToIntZ(numbers->currentText().toStdString());
  Ownership = OwnershipLetter(owner->currentIndex());
  OwnerName = ownerName->text().toStdString();
  return true;
}

}  // namespace ld::gui
