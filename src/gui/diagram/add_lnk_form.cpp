#include "gui/diagram/add_lnk_form.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/base/msgbox.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "gui/catalogs/calc_rx_form.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/diagram/float_field.h"

namespace ld::gui {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

// The number fields never keep a text that is no integer; empty counts 0.
std::int32_t Number(const QLineEdit* edit) {
  try {
    return StrToIntZ(S(edit->text()));
  } catch (const ConvertError&) {
    return 0;
  }
}

}  // namespace

TAddLnkForm::TAddLnkForm(const std::string& schemeBase, const std::string& nodeName, std::int32_t nodeNr,
                         float voltage, TDataFile& branches, TDataFile& nodes, QWidget* parent)
    : QDialog(parent), schemeBase_(schemeBase), prefix_(LinkPrefix(nodeName)), startName_(nodeName),
      startNr_(nodeNr), branches_(branches), nodes_(nodes) {
  setObjectName("AddLnkForm");
  setWindowTitle("Добавление новой связи");
  link_.U[0] = voltage;

  _NumDS = Named<QLineEdit>("_NumDS", this);
  auto* paramBtn = Named<QPushButton>("ParamBtn", "Марка", this);
  _Mark = Named<QLineEdit>("_Mark", this);
  _Mark->setReadOnly(true);
  _Mark->setMinimumWidth(280);
  _Num1 = Named<QLineEdit>("_Num1", this);
  _Name1 = Named<QLineEdit>("_Name1", this);
  _Num1->setEnabled(false);
  _Name1->setEnabled(false);
  auto* avtBtn = Named<QPushButton>("AvtBtn", "Авт.", this);
  _Num2 = Named<QLineEdit>("_Num2", this);
  _Name2 = Named<QLineEdit>("_Name2", this);
  _NumSN = Named<QLineEdit>("_NumSN", this);
  _NameSN = Named<QLineEdit>("_NameSN", this);
  _NumNN = Named<QLineEdit>("_NumNN", this);
  _NameNN = Named<QLineEdit>("_NameNN", this);
  for (QLineEdit* e : {_Num1, _Num2, _NumSN, _NumNN}) e->setMaximumWidth(90);
  for (QLineEdit* e : {_Name1, _Name2, _NameSN, _NameNN}) e->setMaxLength(255);

  auto* layout = new QVBoxLayout(this);
  auto* top = new QGridLayout;
  top->addWidget(new QLabel("Дис.номер", this), 0, 0);
  top->addWidget(_NumDS, 1, 0);
  top->addWidget(paramBtn, 1, 1);
  top->addWidget(_Mark, 1, 2);
  layout->addLayout(top);
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel("N начала", this), 0, 1);
  grid->addWidget(new QLabel("Наименование начала", this), 0, 2);
  grid->addWidget(_Num1, 1, 1);
  grid->addWidget(_Name1, 1, 2);
  grid->addWidget(avtBtn, 1, 0);
  grid->addWidget(new QLabel("N конца", this), 2, 1);
  grid->addWidget(new QLabel("Наименование конца", this), 2, 2);
  grid->addWidget(_Num2, 3, 1);
  grid->addWidget(_Name2, 3, 2);
  grid->addWidget(new QLabel("Обмотка СН", this), 4, 0);
  grid->addWidget(_NumSN, 4, 1);
  grid->addWidget(_NameSN, 4, 2);
  grid->addWidget(new QLabel("Обмотка НН", this), 5, 0);
  grid->addWidget(_NumNN, 5, 1);
  grid->addWidget(_NameNN, 5, 2);
  layout->addLayout(grid);
  layout->addLayout(ApplyCancelRow(*this, [this] { OkBtnClick(); }, "OkBtn", "Button2"));

  _Num1->setText(QString::number(nodeNr));
  _Name1->setText(Q(nodeName));
  EnableWindings(false);

  connect(paramBtn, &QPushButton::clicked, this, [this] { ParamBtnClick(); });
  connect(avtBtn, &QPushButton::clicked, this, [this] { AvtBtnClick(); });
  for (QLineEdit* e : {_Num2, _NumSN, _NumNN})
    connect(e, &QLineEdit::textChanged, this, [this, e] { _Num2Change(e); });
}

void TAddLnkForm::EnableWindings(bool on) {
  for (QLineEdit* e : {_NumSN, _NameSN, _NumNN, _NameNN}) {
    if (!on) e->clear();
    e->setEnabled(on);
  }
}

void TAddLnkForm::ParamBtnClick() {
  EnableWindings(false);
  link_.Count = 1;
  if (!EditBranchParams(0, 0, IniRec.Path, schemeBase_, "", link_.TypEqu, link_.Mark, link_.Regulation, link_.Notv,
                        link_.Ntpr, link_.R, link_.X, link_.G, link_.B, link_.Kta, link_.Ktr, link_.Ktn, link_.Idop,
                        link_.Sdop, IniRec.CutMark))
    return;
  const std::string passport = SplitTypEqu(link_.TypEqu).second;
  _Mark->setText(Q(passport.empty() ? link_.Mark : link_.Mark + " <" + passport + ">"));
  std::string error;
  ProposeLink(link_, prefix_, S(_NumDS->text()), schemeBase_, IniRec.Path, error);
  if (!error.empty()) ShowMsgForm(error, mkError, mbOk);
  if (link_.Kind == "T2" || link_.Star()) _Name2->setText(Q(link_.Name[0]));
  if (link_.Star()) {
    EnableWindings(true);
    _NameSN->setText(Q(link_.Name[1]));
    _NameNN->setText(Q(link_.Name[2]));
  }
}

void TAddLnkForm::AvtBtnClick() {
  TNodeCols nc;
  FillNodeCols(nodes_, nc);
  const bool star = _NumSN->isEnabled();
  const std::vector<std::int32_t> free = FreeNodeNumbers(nc, star ? 3 : 1);
  _Num2->setText(QString::number(free[0]));
  if (star) {
    _NumSN->setText(QString::number(free[1]));
    _NumNN->setText(QString::number(free[2]));
  }
}

void TAddLnkForm::_Num2Change(QLineEdit* edit) {
  try {
    StrToIntZ(S(edit->text()));
  } catch (const ConvertError&) {
    edit->clear();
  }
}

void TAddLnkForm::OkBtnClick() {
  link_.Number[0] = Number(_Num2), link_.Name[0] = S(_Name2->text());
  link_.Number[1] = Number(_NumSN), link_.Name[1] = S(_NameSN->text());
  link_.Number[2] = Number(_NumNN), link_.Name[2] = S(_NameNN->text());
  if (!_NumSN->isEnabled()) link_.Count = 1;
  TNodeCols nc;
  FillNodeCols(nodes_, nc);
  const std::string error = CheckNewLink(nc, link_);
  if (!error.empty()) {
    ShowMsgForm(error, mkError, mbOk);
    return;
  }
  AppendNewLink(nodes_, branches_, link_, startNr_, startName_, S(_NumDS->text()));
  accept();
}

bool AddLinkDialog(const std::string& SchemeBase, const std::string& NodeName, std::int32_t NodeNr,
                   std::uint8_t& Count, TDataFile& BranchTable, TDataFile& NodeTable, float Voltage) {
  Count = 1;
  TAddLnkForm form(SchemeBase, NodeName, NodeNr, Voltage, BranchTable, NodeTable);
  if (ExecModal(form) != QDialog::Accepted) return false;
  Count = static_cast<std::uint8_t>(form.Count());
  return true;
}

}  // namespace ld::gui
