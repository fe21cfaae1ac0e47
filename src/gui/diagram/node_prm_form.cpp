#include "gui/diagram/node_prm_form.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/base/msgbox.h"
#include "core/base/strings.h"
#include "core/diagram/elem_checks.h"
#include "core/diagram/elem_letters.h"
#include "core/engine/results.h"
#include "gui/catalogs/cat_gr_form.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/diagram/float_field.h"
#include "gui/diagram/pq_prm_form.h"

namespace ld::gui {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

const char* const kSectionItems[7] = {"Pнаг, Qнаг, Pген, Qген",
                                      "Gш, Bш, Qmin, Qmax, Nс.х., Uс.х.",
                                      "Тип узла, Uмод, Угол, Pбал, Qбал, ЭЭРМ",
                                      "WPнаг, WQнаг, WPген, WQген, Граф.нагр.",
                                      "Выбор района",
                                      "Примечание, привязка к узлам энергосистем",
                                      "Балансная принадлежность"};

// A section of the dialog: a framed grid of captions over their fields.
QGridLayout* Section(QWidget*& frame, QWidget* parent) {
  auto* f = new QFrame(parent);
  f->setFrameShape(QFrame::StyledPanel);
  frame = f;
  return new QGridLayout(f);
}

void AddField(QGridLayout* grid, int row, int col, const char* caption, QWidget* field) {
  auto* label = new QLabel(QString::fromUtf8(caption), field->parentWidget());
  label->setBuddy(field);
  grid->addWidget(label, row, col);
  grid->addWidget(field, row + 1, col);
}

}  // namespace

TNodPrmState& NodPrmState() {
  static TNodPrmState state;
  return state;
}

TNodPrmForm::TNodPrmForm(const std::string& schemeBase, TDataFile& nodes, TDataFile& branches, int row,
                         bool editable, const std::vector<std::string>& districtNumbers,
                         const std::vector<std::string>& districtNames, QWidget* parent)
    : QDialog(parent), schemeBase_(schemeBase), nodes_(nodes), branches_(branches), row_(row) {
  setObjectName("NodPrmForm");
  setWindowTitle("Параметры узла");
  FillNodeCols(nodes_, nc_);
  FillBranchCols(branches_, bc_);
  BuildForm(districtNumbers, districtNames);
  OkBtn->setEnabled(editable);
  // The load entry writes its results into the working values only; a read-only dialog has nothing to
  // write them to.
  Button5->setEnabled(editable);
  const TNodPrmState& state = NodPrmState();
  (state.KiloWatt ? kVt : MVt)->setChecked(true);
  k_ = state.KiloWatt ? 1000 : 1;
  LoadRow();
  sections_->SetStates(state.Sections);

  connect(kVt, &QRadioButton::toggled, this, [this](bool on) { MVtClick(on); });
  connect(Button6, &QPushButton::clicked, this, [this] { Button6Click(); });
  connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this] { ComboBox1Change(); });
  connect(ComboBox3, &QComboBox::currentIndexChanged, this, [this] { ComboBox3Change(); });
  connect(Button5, &QPushButton::clicked, this, [this] { Button5Click(); });
  connect(_Color, &QPushButton::clicked, this, [this] { _ColorClick(); });
  connect(Edit[20], &QLineEdit::textEdited, this, [this] { numEsEdited_ = true; });
  fields_->OnValueChanged = [this](QLineEdit* edit) {
    if (edit == ComboBox2->lineEdit()) DistrictNumberChanged();
  };
  // After the number fields' own key filter, so that this one sees the space first.
  for (int i : {8, 27, 9, 28}) Edit[i]->installEventFilter(this);
}

TNodPrmForm::~TNodPrmForm() = default;

void TNodPrmForm::BuildForm(const std::vector<std::string>& districtNumbers,
                            const std::vector<std::string>& districtNames) {
  for (int i = 1; i <= 28; ++i) Edit[i] = Named<QLineEdit>(("Edit" + std::to_string(i)).c_str(), this);
  for (QLineEdit* e : Edit)
    if (e != nullptr) e->setMaximumWidth(110);
  Edit[2]->setMaxLength(255), Edit[26]->setMaxLength(255);
  Edit[2]->setMaximumWidth(QWIDGETSIZE_MAX), Edit[26]->setMaximumWidth(QWIDGETSIZE_MAX);
  Edit[2]->setMinimumWidth(180), Edit[26]->setMinimumWidth(220);
  for (int i : {21, 23, 24, 25}) Edit[i]->setEnabled(false);
  Button6 = Named<QPushButton>("Button6", "Авт.", this);
  _Color = Named<QPushButton>("_Color", this);
  _Color->setFixedSize(40, 22);
  BitBtn1 = Named<QPushButton>("BitBtn1", ">>", this);
  BitBtn1->setFixedWidth(32);
  Button5 = Named<QPushButton>("Button5", "Расчет по I,cos,tg ...", this);
  MVt = Named<QRadioButton>("MVt", "МВт", this);
  kVt = Named<QRadioButton>("kVt", "кВт", this);
  auto* unitGroup = new QButtonGroup(this);
  unitGroup->addButton(MVt), unitGroup->addButton(kVt);
  ComboBox1 = Named<QComboBox>("ComboBox1", this);
  for (const char* name : kNodeSignNames) ComboBox1->addItem(QString::fromUtf8(name));
  ComboBox2 = Named<QComboBox>("ComboBox2", this);
  ComboBox2->setEditable(true);
  for (const std::string& n : districtNumbers) ComboBox2->addItem(Q(n));
  ComboBox3 = Named<QComboBox>("ComboBox3", this);
  for (const std::string& n : districtNames) ComboBox3->addItem(Q(n));
  _Abon = Named<QComboBox>("_Abon", this);
  for (const char* name : kOwnershipNames) _Abon->addItem(QString::fromUtf8(name));
  _NameAbon = Named<QLineEdit>("_NameAbon", this);
  _NameAbon->setMaxLength(255);

  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  auto* main = new QGridLayout;
  AddField(main, 0, 0, "N узла", Edit[1]);
  main->addWidget(Button6, 1, 1);
  AddField(main, 0, 2, "Имя", Edit[2]);
  AddField(main, 0, 3, "Uм", Edit[3]);
  AddField(main, 0, 4, "Цвет", _Color);
  main->addWidget(BitBtn1, 1, 5);
  layout->addLayout(main);

  QWidget* frames[7];
  QGridLayout* g = Section(frames[0], this);
  AddField(g, 0, 0, "P наг", Edit[10]);
  AddField(g, 0, 1, "Q наг", Edit[11]);
  AddField(g, 0, 2, "P ген", Edit[12]);
  AddField(g, 0, 3, "Q ген", Edit[13]);
  g->addWidget(MVt, 0, 4), g->addWidget(kVt, 1, 4);
  g->addWidget(Button5, 2, 0, 1, 4);
  g = Section(frames[1], this);
  AddField(g, 0, 0, "G шунт", Edit[14]);
  AddField(g, 0, 1, "B шунт", Edit[15]);
  AddField(g, 0, 2, "Q min", Edit[16]);
  AddField(g, 0, 3, "Q max", Edit[17]);
  AddField(g, 2, 0, "N стат.хар.", Edit[18]);
  AddField(g, 2, 1, "U стат.хар.", Edit[19]);
  g = Section(frames[2], this);
  AddField(g, 0, 0, "Тип узла", ComboBox1);
  AddField(g, 0, 1, "U рез", Edit[21]);
  AddField(g, 0, 2, "Угол", Edit[22]);
  AddField(g, 2, 0, "P бал", Edit[23]);
  AddField(g, 2, 1, "Q бал", Edit[24]);
  AddField(g, 2, 2, "ЭЭРМ", Edit[25]);
  g = Section(frames[3], this);
  AddField(g, 0, 0, "WP наг", Edit[4]);
  AddField(g, 0, 1, "WQ наг", Edit[5]);
  AddField(g, 0, 2, "WP ген", Edit[6]);
  AddField(g, 0, 3, "WQ ген", Edit[7]);
  g->addWidget(new QLabel("Nгр.наг (P,Q)", frames[3]), 2, 0, 1, 2);
  g->addWidget(new QLabel("Nгр.ген (P,Q)", frames[3]), 2, 2, 1, 2);
  g->addWidget(Edit[8], 3, 0), g->addWidget(Edit[27], 3, 1), g->addWidget(Edit[9], 3, 2), g->addWidget(Edit[28], 3, 3);
  auto* hint = new QLabel(
      "поля Nгр.наг/ген выбираются из каталога графиков нажатием клавиши \"пробел\"", frames[3]);
  g->addWidget(hint, 4, 0, 1, 4);
  g = Section(frames[4], this);
  AddField(g, 0, 0, "N района", ComboBox2);
  AddField(g, 0, 1, "Район", ComboBox3);
  ComboBox3->setMinimumWidth(200);
  g = Section(frames[5], this);
  AddField(g, 0, 0, "Примечание", Edit[26]);
  AddField(g, 0, 1, "N узла энергосистемы", Edit[20]);
  g = Section(frames[6], this);
  AddField(g, 0, 0, "Бал. принадлеж.", _Abon);
  AddField(g, 0, 1, "Наимен.", _NameAbon);
  _NameAbon->setMinimumWidth(200);
  for (QWidget* f : frames) layout->addWidget(f);
  for (int i = 0; i < 7; ++i) frames[i]->setObjectName(("Section" + std::to_string(i + 1)).c_str());
  layout->addLayout(ApplyCancelRow(*this, [this] { OkBtnClick(); }, "OkBtn", "CancelBtn"));
  OkBtn = findChild<QPushButton*>("OkBtn");

  sections_ = new TSectionMenu(*this, *BitBtn1, "N");
  for (int i = 0; i < 7; ++i) sections_->Add(kSectionItems[i], frames[i]);
  fields_ = new TNumberFields(this);
}

void TNodPrmForm::LoadRow() {
  const int r = row_;
  w_.NS = nc_.NS->Get(r);
  w_.NumES = static_cast<std::int32_t>(NumericCell(nc_.NumES, r));
  w_.Nr = nc_.Nr->Get(r);
  w_.Ng_n = nc_.Ng_n->Get(r), w_.Nq_n = nc_.Nq_n->Get(r), w_.Ng_g = nc_.Ng_g->Get(r), w_.Nq_g = nc_.Nq_g->Get(r);
  w_.Nsh = nc_.Nsh->Get(r);
  w_.Gs = nc_.Gs->Get(r), w_.Bs = nc_.Bs->Get(r), w_.Um = nc_.Um->Get(r), w_.EERM = nc_.EERM->Get(r);
  w_.Qmin = static_cast<float>(nc_.Qmin->Get(r) * k_), w_.Qmax = static_cast<float>(nc_.Qmax->Get(r) * k_);
  w_.Ush = nc_.Ush->Get(r);
  w_.Pn = nc_.Pn->Get(r) * k_, w_.Qn = nc_.Qn->Get(r) * k_, w_.Pg = nc_.Pg->Get(r) * k_, w_.Qg = nc_.Qg->Get(r) * k_;
  w_.Pbal = nc_.Pbal->Get(r) * k_, w_.Qbal = nc_.Qbal->Get(r) * k_;
  w_.Urez = nc_.Urez->Get(r), w_.Angle = nc_.Angle->Get(r);
  w_.WPn = nc_.WPn->Get(r), w_.WQn = nc_.WQn->Get(r), w_.WPg = nc_.WPg->Get(r), w_.WQg = nc_.WQg->Get(r);
  oldNumber_ = w_.NS;
  oldName_ = nc_.Name->GetItem(r);
  color_ = static_cast<std::uint32_t>(nc_.Color->Get(r));
  ShowColor();
  _Abon->setCurrentIndex(OwnershipIndex(nc_.A->Get(r)));
  _NameAbon->setText(Q(nc_.Balans->GetItem(r)));
  Edit[2]->setText(Q(oldName_));
  ComboBox1->setCurrentIndex(NodeSignIndex(nc_.Sign->Get(r)));
  Edit[22]->setEnabled(ComboBox1->currentIndex() == 1);
  Edit[26]->setText(Q(nc_.Prim->GetItem(r)));
  ComboBox2->setEditText(QString::number(w_.Nr));
  ComboBox3->setCurrentIndex(ComboBox2->findText(ComboBox2->currentText(), Qt::MatchExactly));

  const TFieldFormat fixed1{1, 7, false, 7}, general{1, 7, true, 7}, energy{1, 15, false, 15};
  TNumberFields& f = *fields_;
  f.AddInt(Edit[1], w_.NS);
  f.AddFloat(Edit[3], w_.Um, general);
  for (auto [i, v] : {std::pair{10, &w_.Pn}, {11, &w_.Qn}, {12, &w_.Pg}, {13, &w_.Qg}, {22, &w_.Angle},
                      {21, &w_.Urez}, {23, &w_.Pbal}, {24, &w_.Qbal}})
    f.AddFloat(Edit[i], *v, fixed1);
  for (auto [i, v] : {std::pair{14, &w_.Gs}, {15, &w_.Bs}, {16, &w_.Qmin}, {17, &w_.Qmax}, {19, &w_.Ush}})
    f.AddFloat(Edit[i], *v, fixed1);
  f.AddFloat(Edit[25], w_.EERM, TFieldFormat{4, 7, false, 7});
  for (auto [i, v] : {std::pair{4, &w_.WPn}, {5, &w_.WQn}, {6, &w_.WPg}, {7, &w_.WQg}}) f.AddFloat(Edit[i], *v, energy);
  f.AddInt(Edit[18], w_.Nsh);
  for (auto [i, v] : {std::pair{8, &w_.Ng_n}, {27, &w_.Nq_n}, {9, &w_.Ng_g}, {28, &w_.Nq_g}, {20, &w_.NumES}})
    f.AddInt(Edit[i], *v);
  f.AddInt(ComboBox2->lineEdit(), w_.Nr, false);
  f.ShowAll();
}

void TNodPrmForm::ShowColor() { ShowPanelColor(*_Color, color_); }

void TNodPrmForm::showEvent(QShowEvent* event) {
  sections_->Arrange();
  QDialog::showEvent(event);
}

void TNodPrmForm::Remember() const {
  TNodPrmState& state = NodPrmState();
  state.KiloWatt = kVt->isChecked();
  state.Sections = sections_->States();
}

void TNodPrmForm::MVtClick(bool kiloWatt) {
  const double factor = kiloWatt ? 1000 : 0.001;
  k_ = kiloWatt ? 1000 : 1;
  for (double* v : {&w_.Pn, &w_.Qn, &w_.Pg, &w_.Qg, &w_.Pbal, &w_.Qbal}) *v *= factor;
  w_.Qmin = static_cast<float>(w_.Qmin * factor), w_.Qmax = static_cast<float>(w_.Qmax * factor);
  for (int i : {10, 11, 12, 13, 16, 17, 23, 24}) fields_->Show(Edit[i]);
  fields_->GiveFocusText();
}

void TNodPrmForm::Button6Click() { Edit[1]->setText(QString::number(AutoNodeNumber(nc_))); }

void TNodPrmForm::ComboBox1Change() {
  const bool balancing = ComboBox1->currentIndex() == 1;
  Edit[22]->setEnabled(balancing);
  if (balancing && w_.Urez != 0) {
    w_.Um = static_cast<float>(w_.Urez);
    fields_->Show(Edit[3]);
  }
}

void TNodPrmForm::ComboBox3Change() {
  if (updatingDistrict_) return;
  const int i = ComboBox3->currentIndex();
  if (i < 0 || i >= ComboBox2->count()) return;
  updatingDistrict_ = true;
  ComboBox2->setCurrentIndex(i);
  ComboBox2->setEditText(ComboBox2->itemText(i));
  updatingDistrict_ = false;
}

void TNodPrmForm::DistrictNumberChanged() {
  if (updatingDistrict_) return;
  updatingDistrict_ = true;
  ComboBox3->setCurrentIndex(ComboBox2->findText(ComboBox2->currentText(), Qt::MatchExactly));
  updatingDistrict_ = false;
}

void TNodPrmForm::Button5Click() {
  TNodeLoadRow row;
  TNodeLoadValues& v = row.Values;
  v.Pn = w_.Pn / k_, v.Qn = w_.Qn / k_, v.Pg = w_.Pg / k_, v.Qg = w_.Qg / k_;
  v.WPn = w_.WPn, v.WQn = w_.WQn, v.WPg = w_.WPg, v.WQg = w_.WQg;
  row.Um = SingleToDouble(w_.Um != 0 ? w_.Um : nc_.Um->Get(row_));
  row.Prim = Edit[26]->text().toStdString();
  if (!EditNodeLoadValues("Задание нагрузки (генерации)", row)) return;
  w_.Pn = v.Pn * k_, w_.Qn = v.Qn * k_, w_.Pg = v.Pg * k_, w_.Qg = v.Qg * k_;
  w_.WPn = v.WPn, w_.WQn = v.WQn, w_.WPg = v.WPg, w_.WQg = v.WQg;
  for (int i : {10, 11, 12, 13, 4, 5, 6, 7}) fields_->Show(Edit[i]);
  Edit[26]->setText(Q(row.Prim));
  fields_->GiveFocusText();
}

void TNodPrmForm::OkBtnClick() {
  const std::string message = CheckNodeIdentity(nc_, oldNumber_, w_.NS, oldName_, Edit[2]->text().toStdString());
  if (!message.empty()) {
    ShowMsgForm(message, mkError, mbOk);
    return;
  }
  RenumberBranchEnds(bc_, oldNumber_, w_.NS);
  accept();
}

void TNodPrmForm::_ColorClick() {
  if (ChooseColor(this, color_)) ShowColor();
}

bool TNodPrmForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_Space)
    return QDialog::eventFilter(watched, event);
  Edit8KeyPress(static_cast<QLineEdit*>(watched));
  return true;
}

void TNodPrmForm::Edit8KeyPress(QLineEdit* edit) {
  int number = 0;
  try {
    number = StrToIntZ(edit->text().toStdString());
  } catch (const ConvertError& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
    return;
  }
  if (ShowGraphCatalog(schemeBase_, number)) edit->setText(QString::number(number));
}

void TNodPrmForm::Store(bool& changed) {
  const int r = row_;
  const std::string name = Edit[2]->text().toStdString();
  const std::string note = Edit[26]->text().toStdString();
  changed = note != nc_.Prim->GetItem(r) || w_.NS != oldNumber_ || name != oldName_ || numEsEdited_;
  k_ = kVt->isChecked() ? 1000 : 1;
  (*nc_.Nr)[r] = w_.Nr;
  (*nc_.NS)[r] = w_.NS;
  TNumberColumn("NumES", nodes_).Set(r, w_.NumES);
  nc_.Name->SetItem(r, name);
  (*nc_.Sign)[r] = NodeSignLetter(ComboBox1->currentIndex(), nc_.Sign->Get(r));
  (*nc_.A)[r] = OwnershipLetter(_Abon->currentIndex());
  nc_.Balans->SetItem(r, _NameAbon->text().toStdString());
  (*nc_.Pn)[r] = w_.Pn / k_, (*nc_.Qn)[r] = w_.Qn / k_, (*nc_.Pg)[r] = w_.Pg / k_, (*nc_.Qg)[r] = w_.Qg / k_;
  (*nc_.Gs)[r] = w_.Gs, (*nc_.Bs)[r] = w_.Bs;
  (*nc_.Qmin)[r] = static_cast<float>(w_.Qmin / k_), (*nc_.Qmax)[r] = static_cast<float>(w_.Qmax / k_);
  (*nc_.Um)[r] = w_.Um;
  (*nc_.Angle)[r] = w_.Angle;
  (*nc_.Nsh)[r] = w_.Nsh;
  (*nc_.Ush)[r] = w_.Ush;
  (*nc_.WPn)[r] = w_.WPn, (*nc_.WQn)[r] = w_.WQn, (*nc_.WPg)[r] = w_.WPg, (*nc_.WQg)[r] = w_.WQg;
  (*nc_.Ng_n)[r] = w_.Ng_n, (*nc_.Ng_g)[r] = w_.Ng_g, (*nc_.Nq_n)[r] = w_.Nq_n, (*nc_.Nq_g)[r] = w_.Nq_g;
  nc_.Prim->SetItem(r, note);
  (*nc_.Color)[r] = static_cast<std::int32_t>(color_);
}

bool EditNodeParams(const std::string& SchemeBase, const std::string& Caption, TDataFile& Nodes, TDataFile& Branches,
                    int Row, bool Editable, const std::vector<std::string>& DistrictNumbers,
                    const std::vector<std::string>& DistrictNames, bool& Changed) {
  Changed = false;
  TNodPrmForm form(SchemeBase, Nodes, Branches, Row, Editable, DistrictNumbers, DistrictNames);
  form.setWindowTitle(Q(Caption));
  const bool ok = ExecModal(form) == QDialog::Accepted;
  form.Remember();
  if (ok) form.Store(Changed);
  return ok;
}

}  // namespace ld::gui
