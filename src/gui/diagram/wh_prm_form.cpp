#include "gui/diagram/wh_prm_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/base/msgbox.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/tables/layout.h"
#include "gui/catalogs/cat_gr_form.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/diagram/float_field.h"

namespace ld::gui {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

double FloatOf(const QLineEdit* edit) {
  try {
    return StrToFloatZ(S(edit->text()));
  } catch (const ConvertError&) {
    return 0;
  }
}

// Integers are read tolerantly: a number with a fraction counts by its whole part.
std::int32_t IntOf(const QString& text) {
  try {
    return StrToIntZ(S(text));
  } catch (const ConvertError&) {
    try {
      const double v = StrToFloatZ(S(text));
      return v > -2147483648.0 && v < 2147483648.0 ? static_cast<std::int32_t>(v) : 0;
    } catch (const ConvertError&) {
      return 0;
    }
  }
}

QString IntText(std::int64_t v) { return QString::number(v); }

}  // namespace

TWhPrmForm::TWhPrmForm(const std::string& schemeBase, const TMeterEntry& entry, bool lineMode, bool accountingFixed,
                       const std::vector<std::string>& districtNumbers, const std::vector<std::string>& districtNames,
                       QWidget* parent)
    : QDialog(parent), schemeBase_(schemeBase), read_(entry) {
  setObjectName("WhPrmForm");
  setWindowTitle("Замер перетоков электроэнергии, кВт*час/кВАр*час");
  auto edit = [this](const char* name) { return Named<QLineEdit>(name, this); };
  _N1 = edit("_N1"), _Name1 = edit("_Name1"), _N2 = edit("_N2"), _Name2 = edit("_Name2"), _Nl = edit("_Nl");
  for (QLineEdit* e : {_N1, _Name1, _N2, _Name2}) e->setReadOnly(true);
  _Prim = edit("_Prim");
  _Prim->setMaxLength(255);
  _Pr = edit("_Pr"), _Qr = edit("_Qr"), _Pl = edit("_Pl"), _Ql = edit("_Ql");
  _Ngr = edit("_Ngr"), _Nqr = edit("_Nqr"), _Ngl = edit("_Ngl"), _Nql = edit("_Nql");
  _cos = edit("_cos"), _tg = edit("_tg");
  _TypZamer = Named<QComboBox>("_TypZamer", this);
  for (const char* n : kMeterTypeNames) _TypZamer->addItem(QString::fromUtf8(n));
  _TypPnt = Named<QComboBox>("_TypPnt", this);
  for (const char* n : kAccountingNames) _TypPnt->addItem(QString::fromUtf8(n));
  _PlacePnt = Named<QComboBox>("_PlacePnt", this);
  for (const char* n : kMeterPlaceNames) _PlacePnt->addItem(QString::fromUtf8(n));
  _Nr = Named<QComboBox>("_Nr", this);
  _Nr->setEditable(true);
  for (const std::string& n : districtNumbers) _Nr->addItem(Q(n));
  _NameRayon = Named<QComboBox>("_NameRayon", this);
  for (const std::string& n : districtNames) _NameRayon->addItem(Q(n));
  _NameRayon->setMinimumWidth(180);
  _Bal = Named<QCheckBox>("_Bal", "Балансировка по замеру", this);
  auto* replaceBtn = Named<QPushButton>("ReplaceBtn", "<->", this);
  auto* leftBtn = Named<QPushButton>("LeftBtn", "<<", this);
  auto* rightBtn = Named<QPushButton>("RightBtn", ">>", this);
  replaceBtn->setToolTip("Перемена мест начала и конца линии");
  leftBtn->setToolTip("Сдвиг на линию в сторону начала");
  rightBtn->setToolTip("Сдвиг на линию в сторону конца");
  for (QPushButton* b : {replaceBtn, leftBtn, rightBtn}) b->setMaximumWidth(40);
  for (QLineEdit* e : {_N1, _N2, _Nl}) e->setMaximumWidth(80);
  _Name1->setMinimumWidth(200);

  auto* layout = new QVBoxLayout(this);
  auto* ends = new QGridLayout;
  ends->addWidget(new QLabel("N начала", this), 0, 0);
  ends->addWidget(new QLabel("Наименование начала", this), 0, 1);
  ends->addWidget(new QLabel("Nл", this), 0, 2);
  ends->addWidget(_N1, 1, 0);
  ends->addWidget(_Name1, 1, 1);
  ends->addWidget(_Nl, 1, 2);
  ends->addWidget(leftBtn, 1, 3);
  ends->addWidget(replaceBtn, 2, 3);
  ends->addWidget(new QLabel("N конца", this), 2, 0);
  ends->addWidget(new QLabel("Наименование конца", this), 2, 1);
  ends->addWidget(_N2, 3, 0);
  ends->addWidget(_Name2, 3, 1);
  ends->addWidget(rightBtn, 3, 3);
  ends->addWidget(new QLabel("Обозначение замера", this), 4, 0, 1, 2);
  ends->addWidget(_Prim, 5, 0, 1, 3);
  layout->addLayout(ends);
  auto* kinds = new QGridLayout;
  kinds->addWidget(new QLabel("Тип замера", this), 0, 0);
  kinds->addWidget(new QLabel("Тип учета", this), 0, 1);
  kinds->addWidget(new QLabel("Место установки", this), 0, 2);
  kinds->addWidget(_TypZamer, 1, 0);
  kinds->addWidget(_TypPnt, 1, 1);
  kinds->addWidget(_PlacePnt, 1, 2);
  layout->addLayout(kinds);
  auto* values = new QGridLayout;
  QLineEdit* energies[4] = {_Pr, _Qr, _Pl, _Ql};
  for (int i = 0; i < 4; ++i) {
    Heading[i] = Named<QLabel>(("Label" + std::to_string(i + 1)).c_str(), this);
    values->addWidget(Heading[i], 0, i);
    values->addWidget(energies[i], 1, i);
  }
  values->addWidget(new QLabel("Nгр.наг (P,Q)", this), 2, 0, 1, 2);
  values->addWidget(new QLabel("Nгр.ген (P,Q)", this), 2, 2, 1, 2);
  values->addWidget(_Ngr, 3, 0);
  values->addWidget(_Nqr, 3, 1);
  values->addWidget(_Ngl, 3, 2);
  values->addWidget(_Nql, 3, 3);
  layout->addLayout(values);
  auto* hint = new QLabel("поля Nгр.наг/ген выбираются из каталога графиков нажатием клавиши 'пробел'", this);
  hint->setWordWrap(true);
  layout->addWidget(hint);
  auto* group = new QGridLayout;
  group->addWidget(new QLabel("Группа: №", this), 0, 0);
  group->addWidget(_Nr, 0, 1);
  group->addWidget(_NameRayon, 0, 2);
  group->addWidget(_Bal, 1, 0, 1, 3);
  layout->addLayout(group);
  auto* defaults = new QHBoxLayout;
  auto* bold = new QLabel("cos, tg по умолчанию:", this);
  QFont font = bold->font();
  font.setBold(true);
  bold->setFont(font);
  defaults->addWidget(bold);
  defaults->addWidget(new QLabel("cos", this));
  defaults->addWidget(_cos);
  defaults->addWidget(new QLabel("tg", this));
  defaults->addWidget(_tg);
  layout->addLayout(defaults);
  auto* buttons = new QHBoxLayout;
  auto* ok = Named<QPushButton>("OkBtn", "Применить", this);
  ok->setDefault(true);
  auto* cancel = Named<QPushButton>("CancelBtn", "Отменить", this);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);

  const TMeterDefaults& d = MeterDefaults();
  _cos->setText(GeneralText(d.Cos));
  _tg->setText(GeneralText(d.Tg));
  _Prim->setText(Q(entry.Line));
  _Pr->setText(GeneralText(entry.Pr, 15));
  _Qr->setText(GeneralText(entry.Qr, 15));
  _Pl->setText(GeneralText(entry.Pl, 15));
  _Ql->setText(GeneralText(entry.Ql, 15));
  _Ngr->setText(IntText(entry.Ngr));
  _Nqr->setText(IntText(entry.Nqr));
  _Ngl->setText(IntText(entry.Ngl));
  _Nql->setText(IntText(entry.Nql));
  _TypZamer->setCurrentIndex(entry.Type);
  _TypPnt->setCurrentIndex(entry.Accounting);
  ShowEnds(entry);
  if (lineMode) {
    _Nl->setText(IntText(entry.Nl));
    _PlacePnt->setCurrentIndex(entry.Place);
    _Bal->setChecked(entry.Balance);
    _Nr->setEditText(IntText(entry.Ngp));
    _NameRayon->setCurrentIndex(_Nr->findText(_Nr->currentText(), Qt::MatchExactly));
  } else {
    for (QPushButton* b : {replaceBtn, leftBtn, rightBtn}) b->setEnabled(false);
    _N2->clear();
    _Name2->clear();
    _Nl->clear();
    _Nr->setCurrentIndex(-1);
    _Nr->setEditText("");
    _PlacePnt->setCurrentIndex(-1);
    _NameRayon->setCurrentIndex(-1);
    for (QWidget* w : std::initializer_list<QWidget*>{_N2, _Name2, _Nl, _Nr, _PlacePnt, _NameRayon}) {
      w->setEnabled(false);
      QPalette p = w->palette();
      p.setColor(QPalette::Base, p.color(QPalette::Button));
      w->setPalette(p);
    }
    _Bal->setChecked(false);
    _Bal->setEnabled(false);
  }
  // A balancing or fixed-voltage node keeps its type letter, so it can be no input or output point.
  if (accountingFixed) {
    _TypPnt->setCurrentIndex(0);
    _TypPnt->setEnabled(false);
  }
  _TypZamerChange();

  for (QLineEdit* e : {_Pr, _Qr, _Pl, _Ql, _cos, _tg})
    connect(e, &QLineEdit::textChanged, this, [this, e] { FloatChange(e); });
  for (QLineEdit* e : {_Ngr, _Nqr, _Ngl, _Nql}) {
    connect(e, &QLineEdit::textChanged, this, [this, e] { IntChange(e); });
    e->installEventFilter(this);
  }
  connect(_Nr, &QComboBox::editTextChanged, this, [this] { NrChange(); });
  connect(_NameRayon, &QComboBox::currentIndexChanged, this, [this] { _NameRayonChange(); });
  connect(_TypZamer, &QComboBox::currentIndexChanged, this, [this] { _TypZamerChange(); });
  connect(replaceBtn, &QPushButton::clicked, this, [this] { ReplaceBtnClick(); });
  connect(leftBtn, &QPushButton::clicked, this, [this] { LeftBtnClick(true); });
  connect(rightBtn, &QPushButton::clicked, this, [this] { LeftBtnClick(false); });
  connect(ok, &QPushButton::clicked, this, [this] { OkBtnClick(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TWhPrmForm::ShowEnds(const TMeterEntry& e) {
  _N1->setText(IntText(e.N1));
  _Name1->setText(Q(e.Name1));
  _N2->setText(IntText(e.N2));
  _Name2->setText(Q(e.Name2));
}

TMeterEntry TWhPrmForm::Entry() const {
  TMeterEntry e;
  e.N1 = IntOf(_N1->text()), e.N2 = IntOf(_N2->text());
  e.Nl = static_cast<std::uint8_t>(std::clamp(IntOf(_Nl->text()), 0, 255));
  e.Name1 = S(_Name1->text()), e.Name2 = S(_Name2->text()), e.Line = S(_Prim->text());
  e.Pr = FloatOf(_Pr), e.Qr = FloatOf(_Qr), e.Pl = FloatOf(_Pl), e.Ql = FloatOf(_Ql);
  e.Ngr = IntOf(_Ngr->text()), e.Nqr = IntOf(_Nqr->text());
  e.Ngl = IntOf(_Ngl->text()), e.Nql = IntOf(_Nql->text());
  e.Ngp = IntOf(_Nr->currentText());
  e.Type = std::max(0, _TypZamer->currentIndex());
  e.Accounting = std::max(0, _TypPnt->currentIndex());
  e.Place = std::max(0, _PlacePnt->currentIndex());
  e.Balance = _Bal->isChecked();
  e.Letter = read_.Letter;
  return e;
}

double TWhPrmForm::DefaultCos() const { return FloatOf(_cos); }
double TWhPrmForm::DefaultTg() const { return FloatOf(_tg); }

void TWhPrmForm::FloatChange(QLineEdit* edit) {
  try {
    StrToFloatZ(S(edit->text()));
  } catch (const ConvertError&) {
    edit->clear();
  }
}

void TWhPrmForm::IntChange(QLineEdit* edit) {
  try {
    StrToIntZ(S(edit->text()));
  } catch (const ConvertError&) {
    edit->clear();
  }
}

void TWhPrmForm::NrChange() {
  if (updating_) return;
  updating_ = true;
  const QString text = _Nr->currentText();
  bool integer = text != "-";  // a lone minus is no group number yet
  try {
    StrToIntZ(S(text));
  } catch (const ConvertError&) {
    integer = false;
  }
  if (integer)
    _NameRayon->setCurrentIndex(_Nr->findText(text, Qt::MatchExactly));
  else
    _Nr->setEditText("");
  updating_ = false;
}

void TWhPrmForm::_NameRayonChange() {
  if (updating_) return;
  const int i = _NameRayon->currentIndex();
  if (i < 0 || i >= _Nr->count()) return;
  updating_ = true;
  _Nr->setCurrentIndex(i);
  _Nr->setEditText(_Nr->itemText(i));
  updating_ = false;
}

bool TWhPrmForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
    for (QLineEdit* e : {_Ngr, _Nqr, _Ngl, _Nql})
      if (watched == e) {
        _NgrKeyPress(e);
        return true;
      }
  }
  return QDialog::eventFilter(watched, event);
}

void TWhPrmForm::_NgrKeyPress(QLineEdit* edit) {
  int graph = 0;
  try {
    graph = StrToIntZ(S(edit->text()));
  } catch (const ConvertError& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
    return;
  }
  if (ShowGraphCatalog(schemeBase_, graph)) edit->setText(IntText(graph));
}

void TWhPrmForm::_TypZamerChange() {
  const int type = _TypZamer->currentIndex();
  if (type < 0 || type >= kMeterTypeCount) return;
  for (int i = 0; i < 4; ++i) Heading[i]->setText(QString::fromUtf8(kMeterTypeLabels[type][i]));
}

void TWhPrmForm::ReplaceBtnClick() {
  const QString n1 = _N1->text(), name1 = _Name1->text();
  _N1->setText(_N2->text());
  _Name1->setText(_Name2->text());
  _N2->setText(n1);
  _Name2->setText(name1);
}

void TWhPrmForm::LeftBtnClick(bool towardsBegin) {
  if (Branches == nullptr || Nodes == nullptr) return;
  TMeterEntry e = Entry();
  if (ShiftMeter(*Branches, *Nodes, FlowRowMap, BranchRow, towardsBegin, e)) ShowEnds(e);
}

void TWhPrmForm::OkBtnClick() {
  const std::string error = CheckMeterEntry(Entry(), DefaultCos());
  if (!error.empty()) {
    ShowMsgForm(error, mkError, mbOk);
    return;
  }
  accept();
}

bool EditEnergyMeter(const std::string& SchemeBase, TDataFile& NodeTable, TDataFile& BranchTable,
                     TDataFile& LineFlowTable, int NodeRow, int EndNodeRow, int BranchRow,
                     std::vector<std::int32_t>& FlowRowMap, const std::vector<std::string>& DistrictNumbers,
                     const std::vector<std::string>& DistrictNames) {
  TNodeCols nc;
  TBranchCols bc;
  TLineFlowCols fc;
  FillNodeCols(NodeTable, nc);
  const bool line = EndNodeRow != 0;
  TMeterDefaults& defaults = MeterDefaults();
  TMeterEntry entry;
  std::vector<std::int32_t> map;
  if (line) {
    FillBranchCols(BranchTable, bc);
    if (BranchRow < 1 || BranchRow > bc.RowCount) return false;
    FillLineFlowCols(LineFlowTable, fc);
    map = FlowRowMap;
    map.resize(std::max<std::size_t>(map.size(), static_cast<std::size_t>(bc.RowCount) + 1), 0);
    // A map entry beyond the flow table would write a row the table does not count.
    if (map[BranchRow] < 0 || map[BranchRow] > fc.RowCount) map[BranchRow] = 0;
    ReadLineMeter(fc, bc, BranchRow, map[BranchRow], defaults.Type, entry);
  } else {
    ReadNodeMeter(nc, NodeRow, defaults.Type, entry);
  }
  TWhPrmForm form(SchemeBase, entry, line, !line && IsNodeTypeLetter(entry.Letter), DistrictNumbers, DistrictNames);
  if (line) form.Branches = &bc, form.Nodes = &nc, form.FlowRowMap = map, form.BranchRow = BranchRow;
  if (ExecModal(form) != QDialog::Accepted) return false;

  TMeterEntry out = form.Entry();
  defaults.Cos = form.DefaultCos();
  defaults.Tg = form.DefaultTg();
  defaults.Type = out.Type;
  ConvertMeterEnergies(out, defaults.Cos, defaults.Tg);
  if (!line) {
    WriteNodeMeter(nc, NodeRow, out);
    return true;
  }
  map = form.FlowRowMap;
  const int branch = form.BranchRow;
  map[branch] = WriteLineMeter(LineFlowTable, map[branch], out);
  FlowRowMap = map;
  try {
    WriteFeederMeter(FamilyFile(SchemeBase, GetMaketExtention(LayoutSubstFeeders)), out);
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
  }
  return true;
}

}  // namespace ld::gui
