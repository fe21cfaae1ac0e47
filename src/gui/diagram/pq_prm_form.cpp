#include "gui/diagram/pq_prm_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "core/base/msgbox.h"
#include "core/base/strings.h"
#include "core/tables/colmaps_scheme.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/diagram/float_field.h"

namespace ld::gui {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// A field's number; a text that reads as none counts 0 (the fields never keep one).
double Value(const QLineEdit* edit) {
  try {
    return StrToFloatZ(edit->text().toStdString());
  } catch (const ConvertError&) {
    return 0;
  }
}

}  // namespace

TPQPrmState& PQPrmState() {
  static TPQPrmState state;
  return state;
}

TPQPrmForm::TPQPrmForm(const std::string& caption, TNodeLoadRow& row, QWidget* parent)
    : QDialog(parent), row_(row) {
  setObjectName("PQPrmForm");
  setWindowTitle(Q(caption));
  TPQPrmState& state = PQPrmState();
  for (int i = 1; i <= 10; ++i) Edit[i] = Named<QLineEdit>(("Edit" + std::to_string(i)).c_str(), this);
  ComboBox1 = Named<QComboBox>("ComboBox1", this);
  for (const char* name : kLoadModeNames) ComboBox1->addItem(QString::fromUtf8(name));
  ComboBox2 = Named<QComboBox>("ComboBox2", this);
  ComboBox2->addItems({"МВт", "кВт"});
  CheckBox1 = Named<QCheckBox>("CheckBox1", "Исходные нагрузки", this);
  CheckBox1->setChecked(state.SourceLoads);

  auto* layout = new QVBoxLayout(this);
  auto* top = new QGridLayout;
  top->addWidget(new QLabel("Тип замера", this), 0, 0);
  top->addWidget(ComboBox1, 1, 0);
  top->addWidget(new QLabel("Разм.мощн.", this), 0, 1);
  top->addWidget(ComboBox2, 1, 1);
  top->addWidget(CheckBox1, 1, 2);
  layout->addLayout(top);
  auto* values = new QGridLayout;
  for (int i = 0; i < 4; ++i) {
    Heading[i] = Named<QLabel>(("Label" + std::to_string(i + 1)).c_str(), this);
    values->addWidget(Heading[i], 0, i);
    values->addWidget(Edit[i + 1], 1, i);
  }
  values->addWidget(new QLabel("U ном", this), 0, 4);
  values->addWidget(Edit[5], 1, 4);
  values->addWidget(new QLabel("/", this), 1, 5);
  values->addWidget(Edit[10], 1, 6);
  layout->addLayout(values);
  auto* defaults = new QGridLayout;
  auto* bold = new QLabel("cos, tg по умолчанию:", this);
  QFont font = bold->font();
  font.setBold(true);
  bold->setFont(font);
  defaults->addWidget(bold, 0, 0);
  defaults->addWidget(new QLabel("cos", this), 0, 1);
  defaults->addWidget(Edit[6], 0, 2);
  defaults->addWidget(new QLabel("tg", this), 0, 3);
  defaults->addWidget(Edit[7], 0, 4);
  layout->addLayout(defaults);
  auto* note = new QGridLayout;
  note->addWidget(new QLabel("Примечание", this), 0, 0);
  note->addWidget(Edit[8], 1, 0);
  note->addWidget(new QLabel("+", this), 1, 1);
  note->addWidget(Edit[9], 1, 2);
  Edit[8]->setMinimumWidth(260);
  Edit[8]->setMaxLength(255);
  Edit[9]->setToolTip("Добавка к примечанию");
  layout->addLayout(note);
  layout->addLayout(ApplyCancelRow(*this, [this] { Button1Click(); }, "Button1", "Button2"));

  const double k[2] = {1, 1000};
  if (state.SourceLoads) {
    unit_ = state.Unit;
    const double v[4] = {row.Values.Pn, row.Values.Qn, row.Values.Pg, row.Values.Qg};
    for (int i = 0; i < 4; ++i) Edit[i + 1]->setText(GeneralText(v[i] * k[unit_]));
    ComboBox1->setCurrentIndex(lmPQ);
  } else {
    unit_ = state.Unit;
    ComboBox1->setCurrentIndex(state.Mode);
  }
  ComboBox2->setCurrentIndex(unit_);
  Edit[5]->setText(GeneralText(row.Um));
  Edit[6]->setText(GeneralText(state.Cos));
  Edit[7]->setText(GeneralText(state.Tg));
  Edit[8]->setText(Q(row.Prim));
  Edit[9]->setText(Q(state.Addition));
  Edit[10]->setText("1");
  ComboBox1Change();

  connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this] { ComboBox1Change(); });
  connect(ComboBox2, &QComboBox::currentIndexChanged, this, [this] { ComboBox2Change(); });
  for (int i : {1, 2, 3, 4, 5, 6, 7, 10})
    connect(Edit[i], &QLineEdit::textChanged, this, [this, i] { Edit1Change(Edit[i]); });
}

void TPQPrmForm::ComboBox1Change() {
  const int mode = ComboBox1->currentIndex();
  if (mode < 0 || mode >= kLoadModeCount) return;
  for (int i = 0; i < 4; ++i) Heading[i]->setText(QString::fromUtf8(kLoadModeFields[mode][i]));
}

void TPQPrmForm::ComboBox2Change() {
  const int unit = ComboBox2->currentIndex();
  if (unit == unit_ || unit < 0) return;
  unit_ = unit;
  const double factor = unit == 1 ? 1000 : 0.001;
  const int mode = ComboBox1->currentIndex();
  for (int f = 1; f <= 4; ++f)
    if (LoadFieldInPowerUnit(mode, f)) Edit[f]->setText(GeneralText(Value(Edit[f]) * factor));
}

void TPQPrmForm::Edit1Change(QLineEdit* edit) {
  try {
    StrToFloatZ(edit->text().toStdString());
  } catch (const ConvertError&) {
    edit->clear();
  }
}

void TPQPrmForm::Button1Click() {
  TLoadEntry e;
  e.Mode = ComboBox1->currentIndex();
  for (int i = 0; i < 4; ++i) e.X[i] = Value(Edit[i + 1]);
  e.Unom = Value(Edit[5]);
  e.DefaultCos = Value(Edit[6]);
  e.DefaultTg = Value(Edit[7]);
  e.KiloWatt = ComboBox2->currentIndex() == 1;
  const std::string error = CheckLoadEntry(e);
  if (!error.empty()) {
    ShowMsgForm(error, mkError, mbOk);
    return;
  }
  try {
    e.Divisor = StrToIntZ(Edit[10]->text().toStdString());
  } catch (const ConvertError& x) {
    ShowMsgForm(x.what(), mkError, mbOk);
    return;
  }
  TPQPrmState& state = PQPrmState();
  state.Cos = e.DefaultCos;
  state.Tg = e.DefaultTg;
  state.Addition = Edit[9]->text().toStdString();
  state.Mode = e.Mode;
  state.Unit = ComboBox2->currentIndex();
  row_.Prim = AppendNoteAddition(Edit[8]->text().toStdString(), state.Addition);
  ApplyLoadEntry(e, row_.Values);
  accept();
}

bool EditNodeLoadValues(const std::string& Caption, TNodeLoadRow& Row) {
  TNodeLoadRow work = Row;
  TPQPrmForm form(Caption, work);
  const bool ok = ExecModal(form) == QDialog::Accepted;
  PQPrmState().SourceLoads = form.findChild<QCheckBox*>("CheckBox1")->isChecked();
  if (ok) Row = work;
  return ok;
}

bool EditNodeLoad(const std::string& Caption, TDataFile& Nodes, int Row) {
  TNodeCols c;
  FillNodeCols(Nodes, c);
  TNodeLoadRow row;
  TNodeLoadValues& v = row.Values;
  v.Pn = c.Pn->Get(Row), v.Qn = c.Qn->Get(Row), v.Pg = c.Pg->Get(Row), v.Qg = c.Qg->Get(Row);
  v.WPn = c.WPn->Get(Row), v.WQn = c.WQn->Get(Row), v.WPg = c.WPg->Get(Row), v.WQg = c.WQg->Get(Row);
  row.Um = SingleToDouble(c.Um->Get(Row));
  row.Prim = c.Prim->GetItem(Row);
  if (!EditNodeLoadValues(Caption, row)) return false;
  (*c.Pn)[Row] = v.Pn, (*c.Qn)[Row] = v.Qn, (*c.Pg)[Row] = v.Pg, (*c.Qg)[Row] = v.Qg;
  (*c.WPn)[Row] = v.WPn, (*c.WQn)[Row] = v.WQn, (*c.WPg)[Row] = v.WPg, (*c.WQg)[Row] = v.WQg;
  c.Prim->SetItem(Row, row.Prim);
  return true;
}

}  // namespace ld::gui
