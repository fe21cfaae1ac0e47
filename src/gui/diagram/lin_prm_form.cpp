#include "gui/diagram/lin_prm_form.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/base/codepage.h"
#include "core/base/msgbox.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/catalogs/catalog_units.h"
#include "core/diagram/elem_letters.h"
#include "core/engine/results.h"
#include "gui/catalogs/calc_rx_form.h"
#include "gui/catalogs/catalog_form.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/diagram/float_field.h"

namespace ld::gui {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

const char* const kSectionItems[5] = {"Параметры ветви", "Результаты расчета", "Коммутация",
                                      "Балансная принадлежность", "Выбор района"};

QGridLayout* Section(QWidget*& frame, QWidget* parent, int number) {
  auto* f = new QFrame(parent);
  f->setFrameShape(QFrame::StyledPanel);
  f->setObjectName(QString("Section%1").arg(number));
  frame = f;
  return new QGridLayout(f);
}

void AddField(QGridLayout* grid, int row, int col, const char* caption, QWidget* field) {
  grid->addWidget(new QLabel(QString::fromUtf8(caption), field->parentWidget()), row, col);
  grid->addWidget(field, row + 1, col);
}

void SetRed(QLineEdit* edit, bool red) {
  QPalette p = edit->palette();
  p.setColor(QPalette::Base, red ? QColor(255, 0, 0) : edit->style()->standardPalette().color(QPalette::Base));
  edit->setPalette(p);
}

// The list entry that is really chosen: an edited text that names no entry counts as none.
int ChosenIndex(const QComboBox* list) {
  const int i = list->currentIndex();
  return i >= 0 && list->itemText(i) == list->currentText() ? i : -1;
}

}  // namespace

TLinPrmState& LinPrmState() {
  static TLinPrmState state;
  return state;
}

TLinPrmForm::TLinPrmForm(const std::string& schemeBase, TDataFile& nodes, TDataFile& branches, int row,
                         bool editable, const std::vector<std::string>& districtNumbers,
                         const std::vector<std::string>& districtNames, QWidget* parent)
    : QDialog(parent), schemeBase_(schemeBase), nodes_(nodes), branches_(branches), row_(row) {
  setObjectName("LinPrmForm");
  setWindowTitle("Параметры ветви");
  FillNodeCols(nodes_, nc_);
  FillBranchCols(branches_, bc_);
  BuildForm(districtNumbers, districtNames);
  OkBtn->setEnabled(editable);
  const TLinPrmState& state = LinPrmState();
  (state.KiloWatt ? kVt : MVt)->setChecked(true);
  k_ = state.KiloWatt ? 1000 : 1;
  LoadRow();
  sections_->SetStates(state.Sections);
  loaded_ = true;

  connect(kVt, &QRadioButton::toggled, this, [this](bool on) { MVtClick(on); });
  connect(_Name1, &QComboBox::currentIndexChanged, this, [this] { _Name1Change(1); });
  connect(_Name2, &QComboBox::currentIndexChanged, this, [this] { _Name1Change(2); });
  connect(findChild<QPushButton*>("_N1Btn"), &QPushButton::clicked, this, [this] { _N1BtnClick(false); });
  connect(findChild<QPushButton*>("_Name1Btn"), &QPushButton::clicked, this, [this] { _N1BtnClick(true); });
  connect(ParamBtn, &QPushButton::clicked, this, [this] { ParamBtnClick(); });
  connect(findChild<QPushButton*>("_ComNBtn"), &QPushButton::clicked, this, [this] { _ComNBtnClick(_ComN); });
  connect(findChild<QPushButton*>("_ComKBtn"), &QPushButton::clicked, this, [this] { _ComNBtnClick(_ComK); });
  for (QComboBox* list : {_Commut, _ComN, _ComK})
    connect(list, &QComboBox::currentTextChanged, this, [this] { switchMark_ = true; });
  connect(_NameRayon, &QComboBox::currentIndexChanged, this, [this] { _NameRayonChange(); });
  connect(_Color, &QPushButton::clicked, this, [this] {
    if (ChooseColor(this, color_)) ShowPanelColor(*_Color, color_);
  });
  fields_->OnValueChanged = [this](QLineEdit* edit) { ValueChanged(edit); };
}

TLinPrmForm::~TLinPrmForm() = default;

void TLinPrmForm::BuildForm(const std::vector<std::string>& districtNumbers,
                            const std::vector<std::string>& districtNames) {
  auto edit = [this](const char* name, bool readOnly = false) {
    auto* e = Named<QLineEdit>(name, this);
    e->setMaximumWidth(100);
    e->setReadOnly(readOnly);
    return e;
  };
  auto list = [this](const char* name, bool editable) {
    auto* c = Named<QComboBox>(name, this);
    c->setEditable(editable);
    return c;
  };
  _N1 = list("_N1", true), _N2 = list("_N2", true), _Name1 = list("_Name1", true), _Name2 = list("_Name2", true);
  for (QComboBox* c : {_Name1, _Name2}) c->setMinimumWidth(170);
  _Ul = edit("_Ul"), _Nl = edit("_Nl"), _NumDS = edit("_NumDS"), _Mark = edit("_Mark", true);
  _NumDS->setMaxLength(255);
  _Mark->setMaximumWidth(QWIDGETSIZE_MAX), _Mark->setMinimumWidth(200);
  _Color = Named<QPushButton>("_Color", this);
  _Color->setFixedSize(40, 22);
  MenuBtn = Named<QPushButton>("MenuBtn", ">>", this);
  MenuBtn->setFixedWidth(32);
  _R = edit("_R"), _X = edit("_X"), _G = edit("_G"), _B = edit("_B");
  _Kta = edit("_Kta"), _Ktr = edit("_Ktr"), _Ktn = edit("_Ktn"), _Sdop = edit("_Sdop"), _Idop = edit("_Idop");
  _RPN = edit("_RPN"), _TPR = edit("_TPR"), _NotvRPN = edit("_NotvRPN"), _NotvTPR = edit("_NotvTPR");
  for (QLineEdit* e : {_RPN, _TPR}) e->setMaximumWidth(QWIDGETSIZE_MAX), e->setMinimumWidth(170);
  ParamBtn = Named<QPushButton>("ParamBtn", "Параметры", this);
  _Un = edit("_Un", true), _Uk = edit("_Uk", true), _In = edit("_In", true), _Ik = edit("_Ik", true);
  _Pn = edit("_Pn", true), _Qn = edit("_Qn", true), _Pk = edit("_Pk", true), _Qk = edit("_Qk", true);
  _dPh = edit("_dPh", true), _dQh = edit("_dQh", true), _dPk = edit("_dPk", true), _dQk = edit("_dQk", true);
  _dPs = edit("_dPs", true), _dQs = edit("_dQs", true);
  MVt = Named<QRadioButton>("MVt", "МВт", this);
  kVt = Named<QRadioButton>("kVt", "кВт", this);
  auto* unitGroup = new QButtonGroup(this);
  unitGroup->addButton(MVt), unitGroup->addButton(kVt);
  _Commut = list("_Commut", false);
  for (const char* name : kCommutNames) _Commut->addItem(QString::fromUtf8(name));
  _ComN = list("_ComN", true), _ComK = list("_ComK", true);
  for (QComboBox* c : {_ComN, _ComK}) {
    for (const char* name : kSwitchDeviceNames) c->addItem(QString::fromUtf8(name));
    c->setMinimumWidth(190);
  }
  _Abon = list("_Abon", false);
  for (const char* name : kOwnershipNames) _Abon->addItem(QString::fromUtf8(name));
  _NameAbon = edit("_NameAbon");
  _NameAbon->setMaxLength(255), _NameAbon->setMaximumWidth(QWIDGETSIZE_MAX), _NameAbon->setMinimumWidth(200);
  _Nr = list("_Nr", true), _NameRayon = list("_NameRayon", false);
  for (const std::string& n : districtNumbers) _Nr->addItem(Q(n));
  for (const std::string& n : districtNames) _NameRayon->addItem(Q(n));
  _NameRayon->setMinimumWidth(200);

  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  auto* main = new QGridLayout;
  auto* n1Btn = Named<QPushButton>("_N1Btn", "N начала", this);
  auto* name1Btn = Named<QPushButton>("_Name1Btn", "Наименование начала", this);
  for (QPushButton* b : {n1Btn, name1Btn}) b->setFlat(true);
  main->addWidget(n1Btn, 0, 0), main->addWidget(_N1, 1, 0);
  main->addWidget(name1Btn, 0, 1), main->addWidget(_Name1, 1, 1);
  AddField(main, 0, 2, "N конца", _N2);
  AddField(main, 0, 3, "Наименование конца", _Name2);
  AddField(main, 2, 0, "Uлин", _Ul);
  AddField(main, 2, 1, "Nлин", _Nl);
  AddField(main, 2, 2, "Дис.номер", _NumDS);
  AddField(main, 4, 0, "Марка", _Mark);
  main->removeWidget(_Mark);
  main->addWidget(_Mark, 5, 0, 1, 3);
  AddField(main, 2, 3, "Цвет", _Color);
  main->addWidget(MenuBtn, 5, 3, Qt::AlignRight);
  layout->addLayout(main);

  QWidget* frames[5];
  QGridLayout* g = Section(frames[0], this, 1);
  AddField(g, 0, 0, "R, Ом", _R);
  AddField(g, 0, 1, "X, Ом", _X);
  AddField(g, 0, 2, "G, мкСм", _G);
  AddField(g, 0, 3, "B, мкСм", _B);
  AddField(g, 2, 0, "K тр'", _Kta);
  AddField(g, 2, 1, "K тр\"", _Ktr);
  AddField(g, 2, 2, "K тр ном", _Ktn);
  AddField(g, 2, 3, "S доп, МВА", _Sdop);
  AddField(g, 2, 4, "I доп, А", _Idop);
  AddField(g, 4, 0, "Продольное регулир.", _RPN);
  g->removeWidget(_RPN), g->addWidget(_RPN, 5, 0, 1, 2);
  AddField(g, 4, 2, "Nотв'", _NotvRPN);
  AddField(g, 6, 0, "Поперечное регулир.", _TPR);
  g->removeWidget(_TPR), g->addWidget(_TPR, 7, 0, 1, 2);
  AddField(g, 6, 2, "Nотв\"", _NotvTPR);
  g->addWidget(ParamBtn, 7, 4);
  g = Section(frames[1], this, 2);
  AddField(g, 0, 0, "U нач", _Un);
  AddField(g, 0, 1, "I нач", _In);
  AddField(g, 0, 2, "P нач", _Pn);
  AddField(g, 0, 3, "Q нач  ------>", _Qn);
  AddField(g, 2, 0, "U кон", _Uk);
  AddField(g, 2, 1, "I кон", _Ik);
  AddField(g, 2, 2, "P кон", _Pk);
  AddField(g, 2, 3, "Q кон", _Qk);
  AddField(g, 4, 0, "dP х.х.", _dPh);
  AddField(g, 4, 1, "dQ х.х.", _dQh);
  AddField(g, 4, 2, "dP нагр", _dPk);
  AddField(g, 4, 3, "dQ нагр", _dQk);
  AddField(g, 6, 0, "dP сум", _dPs);
  AddField(g, 6, 1, "dQ сум", _dQs);
  g->addWidget(MVt, 7, 2), g->addWidget(kVt, 7, 3);
  g = Section(frames[2], this, 3);
  AddField(g, 0, 0, "Коммутация ветви", _Commut);
  AddField(g, 2, 0, "Коммутационный аппарат (начало)", _ComN);
  AddField(g, 2, 2, "Коммутационный аппарат (конец)", _ComK);
  g->addWidget(Named<QPushButton>("_ComNBtn", "...", this), 3, 1);
  g->addWidget(Named<QPushButton>("_ComKBtn", "...", this), 3, 3);
  g = Section(frames[3], this, 4);
  AddField(g, 0, 0, "Балансная принадлеж.", _Abon);
  AddField(g, 0, 1, "Наимен.", _NameAbon);
  g = Section(frames[4], this, 5);
  AddField(g, 0, 0, "N района", _Nr);
  AddField(g, 0, 1, "Наименование района", _NameRayon);
  for (QWidget* f : frames) layout->addWidget(f);
  layout->addLayout(ApplyCancelRow(*this, [this] { accept(); }, "OkBtn", "CancelBtn"));
  OkBtn = findChild<QPushButton*>("OkBtn");
  for (QPushButton* b : {findChild<QPushButton*>("_ComNBtn"), findChild<QPushButton*>("_ComKBtn")})
    b->setFixedWidth(30);

  sections_ = new TSectionMenu(*this, *MenuBtn, "N_");
  for (int i = 0; i < 5; ++i) sections_->Add(kSectionItems[i], frames[i]);
  fields_ = new TNumberFields(this);
}

void TLinPrmForm::LoadRow() {
  const int r = row_;
  w_.N1 = oldN1_ = bc_.N1->Get(r);
  w_.N2 = oldN2_ = bc_.N2->Get(r);
  std::string name1, name2;
  for (int i = 1; i <= nc_.RowCount; ++i) {
    const std::int32_t ns = nc_.NS->Get(i);
    const std::string name = nc_.Name->GetItem(i);
    if (ns == w_.N1) name1 = name;
    if (ns == w_.N2) name2 = name;
    for (QComboBox* c : {_N1, _N2}) c->addItem(QString::number(ns));
    for (QComboBox* c : {_Name1, _Name2}) c->addItem(Q(name));
  }
  color_ = static_cast<std::uint32_t>(NumericCell(bc_.Color, r));
  ShowPanelColor(*_Color, color_);
  w_.Nr = bc_.Nr->Get(r), w_.Nl = bc_.Nl->Get(r), w_.Ul = bc_.Ul->Get(r);
  w_.R = bc_.R->Get(r), w_.X = bc_.X->Get(r), w_.G = bc_.G->Get(r), w_.B = bc_.B->Get(r);
  w_.Idop = bc_.Idop->Get(r), w_.Sdop = bc_.Sdop->Get(r);
  w_.Kta = oldKta_ = bc_.Kta->Get(r);
  w_.Ktr = oldKtr_ = bc_.Ktr->Get(r);
  w_.Ktn = bc_.Ktn->Get(r), w_.Notv = bc_.Notv->Get(r), w_.Ntpr = bc_.Ntpr->Get(r);
  w_.Mark = oldMark_ = bc_.Mark->GetItem(r);
  w_.TypEqu = bc_.TypEqu->GetItem(r);
  w_.Flows = CalcBranchFlows(bc_.U1->Get(r), bc_.F1->Get(r), bc_.U2->Get(r), bc_.F2->Get(r), bc_.Irez->Get(r),
                             bc_.Faza->Get(r), w_.R, w_.X, w_.G, w_.B, w_.Kta, w_.Ktr);

  _N1->setEditText(QString::number(w_.N1));
  _N2->setEditText(QString::number(w_.N2));
  _Name1->setCurrentIndex(-1), _Name1->setEditText(Q(name1));
  _Name2->setCurrentIndex(-1), _Name2->setEditText(Q(name2));
  oldDSName_ = bc_.DSName->GetItem(r);
  _NumDS->setText(Q(oldDSName_));
  _Mark->setText(Q(BranchMarkCaption(w_.TypEqu, w_.Mark)));
  ShowRegulation(bc_.Regulation->GetItem(r));
  _Commut->setCurrentIndex(CommutIndex(bc_.Commut->Get(r)));
  QComboBox* devices[2] = {_ComN, _ComK};
  const std::string marks[2] = {bc_.MarkCom1->GetItem(r), bc_.MarkCom2->GetItem(r)};
  for (int i = 0; i < 2; ++i) {
    const int index = SwitchDeviceIndex(marks[i]);
    devices[i]->setCurrentIndex(index);
    if (index < 0) devices[i]->setEditText(Q(marks[i]));
  }
  _Abon->setCurrentIndex(OwnershipIndex(bc_.A->Get(r)));
  _NameAbon->setText(Q(bc_.Balans->GetItem(r)));
  _Nr->setEditText(QString::number(w_.Nr));
  _NameRayon->setCurrentIndex(_Nr->findText(_Nr->currentText(), Qt::MatchExactly));

  TNumberFields& f = *fields_;
  const TFieldFormat fixed3{3, 7, false, 7}, fixed1{1, 7, false, 7};
  f.AddInt(_N1->lineEdit(), w_.N1, false);
  f.AddInt(_N2->lineEdit(), w_.N2, false);
  f.AddFloat(_Ul, w_.Ul, TFieldFormat{1, 7, true, 7});
  f.AddInt(_Nl, w_.Nl);
  for (auto [e, v] : {std::pair{_R, &w_.R}, {_X, &w_.X}, {_Kta, &w_.Kta}, {_Ktr, &w_.Ktr}, {_Ktn, &w_.Ktn},
                      {_Sdop, &w_.Sdop}})
    f.AddFloat(e, *v, fixed3);
  f.AddFloat(_G, w_.G, fixed1);
  f.AddFloat(_B, w_.B, fixed1);
  f.AddFloat(_Idop, w_.Idop, TFieldFormat{0, 7, false, 7});
  f.AddInt(_NotvRPN, w_.Notv);
  f.AddInt(_NotvTPR, w_.Ntpr);
  f.AddInt(_Nr->lineEdit(), w_.Nr, false);
  f.ShowAll();
  ShowResults();
}

void TLinPrmForm::ShowRegulation(const std::string& column) {
  _RPN->clear();
  _TPR->clear();
  const TRegulationParts parts = SplitRegulation(column);
  if (!parts.InPhase.empty()) _RPN->setText(Q(parts.InPhase));
  if (!parts.Quadrature.empty()) _TPR->setText(Q(parts.Quadrature));
}

void TLinPrmForm::ShowResults() {
  const TBranchFlows& fl = w_.Flows;
  _Un->setText(FixedText(bc_.U1->Get(row_), 2));
  _Uk->setText(FixedText(bc_.U2->Get(row_), 2));
  _In->setText(FixedText(fl.I1, 1));
  _Ik->setText(FixedText(fl.I2, 1));
  const std::pair<QLineEdit*, double> powers[] = {
      {_Pn, fl.P1},    {_Qn, fl.Q1},    {_Pk, fl.P2},     {_Qk, fl.Q2},          {_dPh, fl.dPsh},
      {_dQh, fl.dQsh}, {_dPk, fl.dP},   {_dQk, fl.dQ},    {_dPs, fl.dP + fl.dPsh}, {_dQs, fl.dQ + fl.dQsh}};
  for (const auto& [edit, value] : powers) edit->setText(FixedText(value * k_, 1));
  MarkCurrents();
  MarkFlows();
}

void TLinPrmForm::MarkCurrents() {
  const double limit = w_.Idop;
  SetRed(_In, limit != 0 && std::fabs(w_.Flows.I1) > limit);
  SetRed(_Ik, limit != 0 && std::fabs(w_.Flows.I2) > limit);
}

void TLinPrmForm::MarkFlows() {
  const double limit = w_.Sdop;
  const bool begin = limit != 0 && std::hypot(w_.Flows.P1, w_.Flows.Q1) > limit;
  const bool end = limit != 0 && std::hypot(w_.Flows.P2, w_.Flows.Q2) > limit;
  SetRed(_Pn, begin), SetRed(_Qn, begin), SetRed(_Pk, end), SetRed(_Qk, end);
}

void TLinPrmForm::showEvent(QShowEvent* event) {
  sections_->Arrange();
  switchMark_ = false;
  QDialog::showEvent(event);
}

void TLinPrmForm::Remember() const {
  TLinPrmState& state = LinPrmState();
  state.KiloWatt = kVt->isChecked();
  state.Sections = sections_->States();
}

void TLinPrmForm::ValueChanged(QLineEdit* edit) {
  if (!loaded_) return;
  if (edit == _N1->lineEdit()) EndNumberChanged(1);
  if (edit == _N2->lineEdit()) EndNumberChanged(2);
  if (edit == _NotvRPN) TapChanged(true);
  if (edit == _NotvTPR) TapChanged(false);
  if (edit == _Idop) MarkCurrents();
  if (edit == _Sdop) MarkFlows();
  if (edit == _Nr->lineEdit() && !updating_) {
    updating_ = true;
    _NameRayon->setCurrentIndex(_Nr->findText(_Nr->currentText(), Qt::MatchExactly));
    updating_ = false;
  }
}

void TLinPrmForm::EndNumberChanged(int end) {
  if (updating_) return;
  QComboBox* numbers = end == 1 ? _N1 : _N2;
  QComboBox* names = end == 1 ? _Name1 : _Name2;
  updating_ = true;
  names->setCurrentIndex(numbers->findText(numbers->currentText(), Qt::MatchExactly));
  updating_ = false;
}

void TLinPrmForm::_Name1Change(int end) {
  if (updating_) return;
  QComboBox* numbers = end == 1 ? _N1 : _N2;
  QComboBox* names = end == 1 ? _Name1 : _Name2;
  const int i = names->findText(names->currentText(), Qt::MatchExactly);
  if (i < 0) return;
  updating_ = true;
  numbers->setCurrentIndex(i);
  numbers->setEditText(numbers->itemText(i));  // taken as the end's number by its field
  updating_ = false;
}

void TLinPrmForm::_N1BtnClick(bool byName) {
  struct TEnd {
    std::int32_t Number;
    QString Name;
  };
  std::vector<TEnd> ends;
  for (int i = 0; i < _N1->count() && i < _Name1->count(); ++i) {
    std::int32_t n = 0;
    try {
      n = StrToIntZ(S(_N1->itemText(i)));
    } catch (const ConvertError&) {
    }
    ends.push_back({n, _Name1->itemText(i)});
  }
  if (byName)
    std::stable_sort(ends.begin(), ends.end(),
                     [](const TEnd& a, const TEnd& b) { return CompareCp1251(S(a.Name), S(b.Name)) < 0; });
  else
    std::stable_sort(ends.begin(), ends.end(), [](const TEnd& a, const TEnd& b) { return a.Number < b.Number; });
  const QString names[2] = {_Name1->currentText(), _Name2->currentText()};
  const std::int32_t n1 = w_.N1, n2 = w_.N2;
  updating_ = true;
  for (QComboBox* c : {_N1, _N2, _Name1, _Name2}) c->clear();
  for (const TEnd& e : ends) {
    for (QComboBox* c : {_N1, _N2}) c->addItem(QString::number(e.Number));
    for (QComboBox* c : {_Name1, _Name2}) c->addItem(e.Name);
  }
  _Name1->setCurrentIndex(-1), _Name2->setCurrentIndex(-1);
  _Name1->setEditText(names[0]), _Name2->setEditText(names[1]);
  // Emptied lists emptied the numbers too: they come back as they were, and the names stay as restored.
  _N1->setCurrentIndex(-1), _N2->setCurrentIndex(-1);
  _N1->setEditText(QString::number(n1));
  _N2->setEditText(QString::number(n2));
  updating_ = false;
}

void TLinPrmForm::TapChanged(bool inPhase) {
  TMarkParts p1, p2;
  ParseMarkParts(S(_RPN->text()), p1);
  ParseMarkParts(S(_TPR->text()), p2);
  const TMarkParts& changed = inPhase ? p1 : p2;
  double kta = w_.Kta, ktr = w_.Ktr;
  if (!CalcTapRatio(changed.Side, changed.Kind, w_.Notv, p1.Neutral, p1.Positions, p1.Step, w_.Ntpr, p2.Neutral,
                    p2.Positions, p2.Step, w_.Ktn, kta, ktr))
    return;
  w_.Kta = static_cast<float>(kta), w_.Ktr = static_cast<float>(ktr);
  fields_->Show(_Kta);
  fields_->Show(_Ktr);
}

void TLinPrmForm::ParamBtnClick() {
  std::string regulation = JoinRegulation(S(_RPN->text()), S(_TPR->text()));
  if (!EditBranchParams(0, 0, IniRec.Path, schemeBase_, "", w_.TypEqu, w_.Mark, regulation, w_.Notv, w_.Ntpr, w_.R,
                        w_.X, w_.G, w_.B, w_.Kta, w_.Ktr, w_.Ktn, w_.Idop, w_.Sdop, IniRec.CutMark))
    return;
  _Mark->setText(Q(BranchMarkCaption(w_.TypEqu, w_.Mark)));
  ShowRegulation(regulation);
  loaded_ = false;  // the returned ratios belong to the returned taps
  for (QLineEdit* e : {_NotvRPN, _NotvTPR, _R, _X, _G, _B, _Kta, _Ktr, _Ktn, _Sdop, _Idop}) fields_->Show(e);
  loaded_ = true;
  fields_->GiveFocusText();
  MarkCurrents();
  MarkFlows();
}

void TLinPrmForm::_ComNBtnClick(QComboBox* list) {
  const std::string folder = IniRec.Path;
  try {
    LoadCatalogKA(folder, false);
    int row = IndexOfKAMark(S(list->currentText()));
    bool changed = false;
    if (ShowCatalog(folder + CatalogFileKA, "Каталог коммутационных аппаратов", nullptr, row, changed)) {
      if (changed) LoadCatalogKA(folder, false);
      list->setCurrentIndex(-1);
      list->setEditText(Q(CatalogKACaption(row)));
      switchMark_ = true;
    }
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
  }
  FreeCatalogKA();
}

void TLinPrmForm::_NameRayonChange() {
  if (updating_) return;
  const int i = _NameRayon->currentIndex();
  if (i < 0 || i >= _Nr->count()) return;
  updating_ = true;
  _Nr->setCurrentIndex(i);
  _Nr->setEditText(_Nr->itemText(i));
  updating_ = false;
}

void TLinPrmForm::MVtClick(bool kiloWatt) {
  k_ = kiloWatt ? 1000 : 1;
  ShowResults();
}

void TLinPrmForm::Store(bool& endsChanged, bool& paramsChanged, bool& switchChanged) {
  const int r = row_;
  const std::string dsName = S(_NumDS->text());
  endsChanged = w_.N1 != oldN1_ || w_.N2 != oldN2_;
  paramsChanged = w_.Kta != oldKta_ || w_.Ktr != oldKtr_ || (oldMark_.empty() && !w_.Mark.empty()) ||
                  (oldDSName_.empty() && !dsName.empty());
  switchChanged = switchMark_;
  TNumberColumn("Color", branches_).Set(r, color_);
  (*bc_.Nr)[r] = w_.Nr, (*bc_.N1)[r] = w_.N1, (*bc_.N2)[r] = w_.N2;
  bc_.Name1->SetItem(r, S(_Name1->currentText()));
  bc_.Name2->SetItem(r, S(_Name2->currentText()));
  (*bc_.Nl)[r] = w_.Nl, (*bc_.Ul)[r] = w_.Ul;
  (*bc_.R)[r] = w_.R, (*bc_.X)[r] = w_.X, (*bc_.G)[r] = w_.G, (*bc_.B)[r] = w_.B;
  (*bc_.Idop)[r] = w_.Idop, (*bc_.Sdop)[r] = w_.Sdop;
  (*bc_.Kta)[r] = w_.Kta, (*bc_.Ktr)[r] = w_.Ktr, (*bc_.Ktn)[r] = w_.Ktn;
  (*bc_.Notv)[r] = w_.Notv, (*bc_.Ntpr)[r] = w_.Ntpr;
  bc_.DSName->SetItem(r, dsName);
  bc_.Mark->SetItem(r, w_.Mark);
  bc_.TypEqu->SetItem(r, w_.TypEqu);
  bc_.Regulation->SetItem(r, JoinRegulation(S(_RPN->text()), S(_TPR->text())));
  (*bc_.Commut)[r] = CommutLetter(_Commut->currentIndex());
  bc_.MarkCom1->SetItem(r, SwitchDeviceText(ChosenIndex(_ComN), S(_ComN->currentText())));
  bc_.MarkCom2->SetItem(r, SwitchDeviceText(ChosenIndex(_ComK), S(_ComK->currentText())));
  (*bc_.A)[r] = OwnershipLetter(_Abon->currentIndex());
  bc_.Balans->SetItem(r, S(_NameAbon->text()));
}

bool EditLineParams(const std::string& Caption, const std::string& SchemeBase, TDataFile& Nodes, TDataFile& Branches,
                    int Row, bool Editable, const std::vector<std::string>& DistrictNumbers,
                    const std::vector<std::string>& DistrictNames, bool& EndsChanged, bool& ParamsChanged,
                    bool& SwitchChanged) {
  EndsChanged = ParamsChanged = false;
  TLinPrmForm form(SchemeBase, Nodes, Branches, Row, Editable, DistrictNumbers, DistrictNames);
  form.setWindowTitle(Q(Caption));
  const bool ok = ExecModal(form) == QDialog::Accepted;
  form.Remember();
  if (ok) form.Store(EndsChanged, ParamsChanged, SwitchChanged);
  return ok;
}

}  // namespace ld::gui
