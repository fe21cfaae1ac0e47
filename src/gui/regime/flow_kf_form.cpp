#include "gui/regime/flow_kf_form.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/base/inifile.h"
#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/regime/set_regim_form.h"
#include "gui/regime/setting_fields.h"

namespace ld::gui {

namespace {

constexpr char kSection[] = "FlowsKoef";

}  // namespace

void ReadFlowsKoef(DAsingle& list) {
  list.Count = 0;
  try {
    const TIniFile ini(ConfigFileName);
    for (const std::string& line : ini.ReadSectionValues(kSection)) {
      const std::size_t eq = line.find('=');
      const float v = static_cast<float>(StrToFloatZ(eq == std::string::npos ? "" : line.substr(eq + 1)));
      list[++list.Count] = v;
    }
  } catch (const std::exception&) {
    ShowMsgForm("Ошибка чтения файла конфигурации " + ConfigFileName, mkError, mbOk);
  }
  if (list.Count == 0) {
    list[1] = 1;
    list.Count = 1;
  }
}

void WriteFlowsKoef(const DAsingle& list) {
  try {
    TIniFile ini(ConfigFileName);
    ini.EraseSection(kSection);
    for (int i = 1; i <= list.Count; ++i) ini.WriteSingle(kSection, IntToStr(i), list.Get(i));
  } catch (const std::exception&) {
    ShowMsgForm("Ошибка записи файла конфигурации " + ConfigFileName, mkError, mbOk);
  }
}

TFlowKfFrm::TFlowKfFrm(QWidget* parent) : QDialog(parent) {
  setObjectName("FlowKfFrm");
  setWindowTitle("Режим по коэф. совмещения");
  edit1_ = NumberEdit("Edit1", this);
  grid_ = Named<QTableWidget>("KoefGrid", 1, 2, this);
  grid_->setHorizontalHeaderLabels({"№", "Коэффициент"});
  grid_->verticalHeader()->hide();
  grid_->horizontalHeader()->setStretchLastSection(true);
  auto* regBtn = Named<QPushButton>("RegBtn", "Режимные установки", this);

  auto* count = new QHBoxLayout;
  count->addWidget(new QLabel("Количество строк", this));
  count->addWidget(edit1_);
  count->addStretch();
  auto* buttons = ApplyCancelButtons(*this, [this] {
    const std::string error = Validate();
    if (!error.empty()) {
      ShowMsgForm(error, mkError, mbOk);
      return;
    }
    accept();
  });
  buttons->insertWidget(0, regBtn);
  auto* root = new QVBoxLayout(this);
  root->addLayout(count);
  root->addWidget(grid_);
  root->addLayout(buttons);

  connect(edit1_, &QLineEdit::textChanged, this, [this] { Edit1Change(); });
  connect(grid_, &QTableWidget::itemChanged, this, [](QTableWidgetItem* item) {
    if (item->column() != 1) return;
    try {
      StrToFloatZ(item->text().toStdString());
    } catch (const ConvertError& e) {
      ShowMsgForm(e.what(), mkError, mbOk);
    }
  });
  connect(regBtn, &QPushButton::clicked, this, [] { ExecuteRegimSettingsDialog(true); });
}

void TFlowKfFrm::Load(const DAsingle& list) {
  list_ = &list;
  grid_->setRowCount(0);
  edit1_->setText(QString::number(list.Count));
  Edit1Change();
}

void TFlowKfFrm::Edit1Change() {
  int rows = 0;
  try {
    rows = StrToIntZ(edit1_->text().toStdString());
  } catch (const ConvertError&) {
    return;  // a count being typed; the rows stay until it reads as a number
  }
  rows = std::max(rows, 1);
  const int before = grid_->rowCount();
  const QSignalBlocker quiet(grid_);
  grid_->setRowCount(rows);
  for (int row = 0; row < rows; ++row) {
    auto* number = new QTableWidgetItem(QString::number(row + 1));
    number->setFlags(number->flags() & ~Qt::ItemIsEditable);
    grid_->setItem(row, 0, number);
    // rows kept keep what was typed in them
    if (row < before && grid_->item(row, 1) != nullptr) continue;
    const int i = row + 1;
    const QString text = list_ != nullptr && i <= list_->Count
                             ? QString::fromStdString(FloatToStrGeneral(list_->Get(i), 7))
                             : QString();
    grid_->setItem(row, 1, new QTableWidgetItem(text));
  }
}

std::string TFlowKfFrm::Validate() const {
  try {
    for (int row = 0; row < grid_->rowCount(); ++row) {
      const QTableWidgetItem* item = grid_->item(row, 1);
      StrToFloatZ(item != nullptr ? item->text().toStdString() : "");
    }
  } catch (const ConvertError& e) {
    return e.what();
  }
  return {};
}

void TFlowKfFrm::Store(DAsingle& list) const {
  list.Count = grid_->rowCount();
  for (int row = 0; row < list.Count; ++row) {
    const QTableWidgetItem* item = grid_->item(row, 1);
    list[row + 1] = static_cast<float>(StrToFloatZ(item != nullptr ? item->text().toStdString() : ""));
  }
}

bool ExecuteFlowsKoefDialog(DAsingle& list) {
  ReadFlowsKoef(list);
  TFlowKfFrm form;
  form.Load(list);
  if (ExecModal(form) != QDialog::Accepted || !form.Validate().empty()) return false;
  form.Store(list);
  WriteFlowsKoef(list);
  return true;
}

}  // namespace ld::gui
