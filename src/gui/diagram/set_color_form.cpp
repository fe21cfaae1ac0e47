#include "gui/diagram/set_color_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/diagram/schem_state.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/diagram/float_field.h"
#include "gui/grid/tcolor.h"

namespace ld::gui {

using diagram::TSchemBoxState;

namespace {

const char* const kModes[] = {"По умолчанию:", "По классам напряжения:", "По принадлежности:", "По районам:",
                              "Индивидуальная раскраска узлов и линий"};
const char* const kOwners[] = {"Основные сети", "Абонентские сети", "Бесхозные сети", "Сети других ЭК"};

// The panels that only hold a colour of the control until confirmation.
struct TColorPanel {
  const char* name;
  std::int32_t TSchemBoxState::*color;
};
constexpr TColorPanel kPanels[] = {
    {"_Bk", &TSchemBoxState::cBk},       {"_Nod", &TSchemBoxState::cNod},     {"_Lin", &TSchemBoxState::cLin},
    {"_BP", &TSchemBoxState::cBP},       {"_FM", &TSchemBoxState::cFM},       {"_NoSup", &TSchemBoxState::cNoSup},
    {"_Load", &TSchemBoxState::cLoad},   {"_cFlowP", &TSchemBoxState::cFlowP}, {"_cFlowQ", &TSchemBoxState::cFlowQ},
};
struct TMarkBox {
  const char* name;
  bool TSchemBoxState::*flag;
};
constexpr TMarkBox kMarks[] = {
    {"_fBP", &TSchemBoxState::fBP},       {"_fFM", &TSchemBoxState::fFM},       {"_fNoSup", &TSchemBoxState::fNoSup},
    {"_fLoad", &TSchemBoxState::fLoad},   {"_fFlowP", &TSchemBoxState::fFlowP}, {"_fFlowQ", &TSchemBoxState::fFlowQ},
};

std::uint32_t ButtonFace() { return clBtnFace; }

// A whole number with an optional sign and nothing else.
bool StrictInt(const QString& text, int& value) {
  bool ok = false;
  value = text.toInt(&ok, 10);
  return ok && !text.contains(' ');
}

// A width read tolerantly; a text that is no number counts as 0.
int TolerantInt(const QString& text) {
  try {
    return StrToIntZ(text.toStdString());
  } catch (const ConvertError&) {
    return 0;
  }
}

QLineEdit* IntEdit(QWidget* parent, const char* name) {
  auto* edit = Named<QLineEdit>(name, parent);
  edit->setFixedWidth(48);
  // An empty text or one that is no whole number becomes "0".
  QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
    int v = 0;
    if (text.isEmpty() || !StrictInt(text, v)) edit->setText("0");
  });
  return edit;
}

}  // namespace

TSetColorFrm::TSetColorFrm(diagram::TDistrictColors& districts, QWidget* parent)
    : QDialog(parent), districts_(districts) {
  setObjectName("SetColorFrm");
  setWindowTitle("Выбор раскраски элементов схемы");
  auto* layout = new QVBoxLayout(this);
  auto panel = [this](const char* name) {
    auto* p = Named<QPushButton>(name, this);
    p->setFixedSize(40, 22);
    p->setFlat(true);
    connect(p, &QPushButton::clicked, this, [this, p] { BkClick(p); });
    return p;
  };
  auto label = [this](const char* text) { return new QLabel(QString::fromUtf8(text), this); };

  auto* top = new QGridLayout;
  for (int i = 0; i < 5; ++i) {
    const std::string name = "tColor" + std::to_string(i);
    top->addWidget(Named<QRadioButton>(name.c_str(), QString::fromUtf8(kModes[i]), this), i, 0, 1, 2);
  }
  findChild<QRadioButton*>("tColor0")->setChecked(true);
  top->addWidget(label("Цвет фона"), 0, 2);
  top->addWidget(panel("_Bk"), 0, 3);
  top->addWidget(label("Цвет узлов"), 1, 2);
  top->addWidget(panel("_Nod"), 1, 3);
  top->addWidget(label("Цвет линий"), 2, 2);
  top->addWidget(panel("_Lin"), 2, 3);
  top->addWidget(label("Толщина линий по умолчанию"), 3, 2);
  top->addWidget(IntEdit(this, "_tLin"), 3, 3);
  layout->addLayout(top);

  auto* classes = new QGridLayout;
  classes->addWidget(label("Uном"), 0, 0);
  auto* ubox = Named<QComboBox>("UBox", this);
  ubox->setEditable(true);
  ubox->setInsertPolicy(QComboBox::NoInsert);
  ubox->setCompleter(nullptr);  // a new class takes the voltage as typed, not a completed one
  classes->addWidget(ubox, 1, 0);
  classes->addWidget(panel("_Un"), 1, 1);
  classes->addWidget(label("Толщина линий"), 0, 2);
  auto* lw = Named<QLineEdit>("_Lw", this);
  lw->setFixedWidth(48);
  classes->addWidget(lw, 1, 2);
  classes->addWidget(Named<QPushButton>("AddUn", "Добавить", this), 1, 3);
  classes->addWidget(Named<QPushButton>("DelUn", "Удалить", this), 1, 4);
  auto* balans = Named<QComboBox>("BalansBox", this);
  for (const char* o : kOwners) balans->addItem(QString::fromUtf8(o));
  classes->addWidget(balans, 2, 0, 1, 3);
  classes->addWidget(panel("_Bl"), 2, 3);
  auto* nr = Named<QComboBox>("_Nr", this);
  auto* rayon = Named<QComboBox>("_Rayon", this);
  classes->addWidget(nr, 3, 0);
  classes->addWidget(rayon, 3, 1, 1, 2);
  classes->addWidget(panel("_Rn"), 3, 3);
  layout->addLayout(classes);

  auto* marks = new QGridLayout;
  auto mark = [&](int row, const char* box, const char* caption, const char* colour) {
    marks->addWidget(Named<QCheckBox>(box, QString::fromUtf8(caption), this), row, 0);
    marks->addWidget(panel(colour), row, 1);
  };
  mark(0, "_fNoSup", "Без питания", "_NoSup");
  mark(1, "_fBP", "БП", "_BP");
  mark(2, "_fFM", "ФМ", "_FM");
  mark(3, "_fLoad", "Контроль U > Umin, < Umax; Iл, Sт < 100 %", "_Load");
  mark(4, "_fFlowP", "Переток P", "_cFlowP");
  marks->addWidget(IntEdit(this, "_wFlowP"), 4, 2);
  mark(5, "_fFlowQ", "Переток Q", "_cFlowQ");
  marks->addWidget(IntEdit(this, "_wFlowQ"), 5, 2);
  layout->addLayout(marks);
  layout->addLayout(ApplyCancelButtons(*this, [this] { accept(); }));

  connect(ubox->lineEdit(), &QLineEdit::textEdited, this, [this] {
    selected_ = -1;
    UboxChange();
  });
  auto choose = [this](int index) {
    if (updating_) return;
    selected_ = index;
    UboxChange();
  };
  connect(ubox, &QComboBox::currentIndexChanged, this, choose);
  connect(ubox, &QComboBox::activated, this, choose);
  connect(lw, &QLineEdit::textChanged, this, [this] { LwChange(); });
  connect(balans, &QComboBox::currentIndexChanged, this, [this] { BalansBoxChange(); });
  connect(nr, &QComboBox::currentIndexChanged, this, [this](int i) { NrChange(i); });
  connect(rayon, &QComboBox::currentIndexChanged, this, [this](int i) { NrChange(i); });
  connect(findChild<QPushButton*>("AddUn"), &QPushButton::clicked, this, [this] { AddUnClick(); });
  connect(findChild<QPushButton*>("DelUn"), &QPushButton::clicked, this, [this] { DelUnClick(); });
}

void TSetColorFrm::SetPanel(const char* name, std::uint32_t color) {
  auto* p = findChild<QPushButton*>(name);
  p->setProperty("color", color);
  ShowPanelColor(*p, color);
}

std::uint32_t TSetColorFrm::Panel(const char* name) const {
  return findChild<QPushButton*>(name)->property("color").toUInt();
}

void TSetColorFrm::LoadSettings(const TSchemBoxState& box) {
  if (box.tColors >= 0 && box.tColors <= 4)
    findChild<QRadioButton*>(QString("tColor%1").arg(box.tColors))->setChecked(true);
  for (const TColorPanel& p : kPanels) SetPanel(p.name, static_cast<std::uint32_t>(box.*p.color));
  findChild<QLineEdit*>("_tLin")->setText(QString::number(box.tLin));
  findChild<QLineEdit*>("_wFlowP")->setText(QString::number(box.wFlowP));
  findChild<QLineEdit*>("_wFlowQ")->setText(QString::number(box.wFlowQ));
  for (const TMarkBox& m : kMarks) findChild<QCheckBox*>(m.name)->setChecked(box.*m.flag);
  vUn_ = box.vUn;
  cUn_ = box.cUn;
  wLn_ = box.wLn;
  // The three lists go together; a damaged settings file may leave them of different lengths.
  const std::size_t n = std::min({vUn_.size(), cUn_.size(), wLn_.size()});
  vUn_.resize(n), cUn_.resize(n), wLn_.resize(n);
  owners_[0] = box.cNet, owners_[1] = box.cAbn, owners_[2] = box.cNoHost, owners_[3] = box.cOther;

  auto* ubox = findChild<QComboBox*>("UBox");
  updating_ = true;
  for (const float v : vUn_) ubox->addItem(GeneralText(SingleToDouble(v)));
  ubox->setCurrentIndex(-1);
  ubox->setEditText("");
  updating_ = false;
  selected_ = -1;
  SetPanel("_Un", ButtonFace());
  for (int row = 1; row <= districts_.RowCount(); ++row) {
    findChild<QComboBox*>("_Nr")->addItem(QString::fromStdString(districts_.Number(row)));
    findChild<QComboBox*>("_Rayon")->addItem(QString::fromStdString(districts_.Name(row)));
  }
  if (!vUn_.empty()) ubox->setCurrentIndex(0);
  UboxChange();
  findChild<QComboBox*>("BalansBox")->setCurrentIndex(0);
  BalansBoxChange();
  if (districts_.RowCount() > 0) {
    findChild<QComboBox*>("_Nr")->setCurrentIndex(0);
    NrChange(0);
  } else {
    SetPanel("_Rn", ButtonFace());
  }
}

void TSetColorFrm::StoreSettings(TSchemBoxState& box) const {
  for (int i = 0; i < 5; ++i)
    if (findChild<QRadioButton*>(QString("tColor%1").arg(i))->isChecked()) box.tColors = i;
  if (box.tColors < 0 || box.tColors > 4) box.tColors = 0;
  for (const TColorPanel& p : kPanels) box.*p.color = static_cast<std::int32_t>(Panel(p.name));
  box.tLin = TolerantInt(findChild<QLineEdit*>("_tLin")->text());
  for (const TMarkBox& m : kMarks) box.*m.flag = findChild<QCheckBox*>(m.name)->isChecked();
  const int wP = TolerantInt(findChild<QLineEdit*>("_wFlowP")->text());
  const int wQ = TolerantInt(findChild<QLineEdit*>("_wFlowQ")->text());
  box.wFlowP = wP == 0 ? 1 : wP;
  box.wFlowQ = wQ == 0 ? 1 : wQ;
  box.vUn = vUn_;
  box.cUn = cUn_;
  box.wLn = wLn_;
  box.cNet = owners_[0], box.cAbn = owners_[1], box.cNoHost = owners_[2], box.cOther = owners_[3];
  districts_.CopyColors(box.AreaColors);
}

void TSetColorFrm::UboxChange() {
  auto* ubox = findChild<QComboBox*>("UBox");
  try {
    const QString text = ubox->currentText();
    StrToFloatZ(text.isEmpty() ? "0" : text.toStdString());
  } catch (const ConvertError&) {
    ubox->setEditText("");
  }
  auto* lw = findChild<QLineEdit*>("_Lw");
  if (selected_ >= 0 && selected_ < static_cast<int>(vUn_.size())) {
    SetPanel("_Un", static_cast<std::uint32_t>(cUn_[static_cast<std::size_t>(selected_)]));
    lw->setText(QString::number(wLn_[static_cast<std::size_t>(selected_)]));
  } else {
    SetPanel("_Un", ButtonFace());
    lw->setText("");
  }
}

void TSetColorFrm::LwChange() {
  auto* lw = findChild<QLineEdit*>("_Lw");
  const QString text = lw->text().isEmpty() ? QString("0") : lw->text();
  int width = 0;
  if (!StrictInt(text, width)) {
    lw->setText("");  // reads as 0 in its turn
    return;
  }
  if (selected_ >= 0 && selected_ < static_cast<int>(wLn_.size())) wLn_[static_cast<std::size_t>(selected_)] = width;
}

void TSetColorFrm::BalansBoxChange() {
  const int kind = findChild<QComboBox*>("BalansBox")->currentIndex();
  if (kind >= 0 && kind < 4) SetPanel("_Bl", static_cast<std::uint32_t>(owners_[kind]));
}

void TSetColorFrm::NrChange(int index) {
  if (updating_ || index < 0) return;
  updating_ = true;
  findChild<QComboBox*>("_Nr")->setCurrentIndex(index);
  findChild<QComboBox*>("_Rayon")->setCurrentIndex(index);
  updating_ = false;
  SetPanel("_Rn", static_cast<std::uint32_t>(districts_.Color(index + 1)));
}

void TSetColorFrm::BkClick(QPushButton* panel) {
  std::uint32_t color = panel->property("color").toUInt();
  if (!ChooseColor(this, color)) return;
  const std::string name = panel->objectName().toStdString();
  SetPanel(name.c_str(), color);
  if (name == "_Un" && selected_ >= 0 && selected_ < static_cast<int>(cUn_.size())) {
    cUn_[static_cast<std::size_t>(selected_)] = static_cast<std::int32_t>(color);
  } else if (name == "_Bl") {
    const int kind = findChild<QComboBox*>("BalansBox")->currentIndex();
    if (kind >= 0 && kind < 4) owners_[kind] = static_cast<std::int32_t>(color);
  } else if (name == "_Rn") {
    const int row = findChild<QComboBox*>("_Nr")->currentIndex();
    if (row >= 0) districts_.SetColor(row + 1, static_cast<std::int32_t>(color));
  }
}

void TSetColorFrm::AddUnClick() {
  auto* ubox = findChild<QComboBox*>("UBox");
  const QString text = ubox->currentText();
  const std::string t = RemoveBlanks(text.toStdString());
  double v = 0;
  try {
    if (t.empty() || t == "-") throw ConvertError("\"" + text.toStdString() + "\" не является числом");
    v = StrToFloatZ(t);
  } catch (const ConvertError& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
    return;
  }
  const float voltage = static_cast<float>(v);
  const auto pos = static_cast<std::size_t>(std::upper_bound(vUn_.begin(), vUn_.end(), voltage) - vUn_.begin());
  const int width = TolerantInt(findChild<QLineEdit*>("_Lw")->text());
  vUn_.insert(vUn_.begin() + static_cast<std::ptrdiff_t>(pos), voltage);
  cUn_.insert(cUn_.begin() + static_cast<std::ptrdiff_t>(pos), static_cast<std::int32_t>(Panel("_Un")));
  wLn_.insert(wLn_.begin() + static_cast<std::ptrdiff_t>(pos), width == 0 ? 1 : width);
  updating_ = true;
  ubox->insertItem(static_cast<int>(pos), text);
  ubox->setCurrentIndex(static_cast<int>(pos));
  updating_ = false;
  selected_ = static_cast<int>(pos);
  UboxChange();
}

void TSetColorFrm::DelUnClick() {
  auto* ubox = findChild<QComboBox*>("UBox");
  if (selected_ >= 0 && selected_ < static_cast<int>(vUn_.size())) {
    const auto at = static_cast<std::ptrdiff_t>(selected_);
    vUn_.erase(vUn_.begin() + at);
    cUn_.erase(cUn_.begin() + at);
    wLn_.erase(wLn_.begin() + at);
    updating_ = true;
    ubox->removeItem(selected_);
    ubox->setCurrentIndex(-1);
    ubox->setEditText("");
    updating_ = false;
    selected_ = -1;
  }
  UboxChange();
}

bool ExecuteColorSettingsDialog(TSchemBoxState& Box, const std::string& SchemeBase) {
  try {
    diagram::TDistrictColors districts(SchemeBase);
    TSetColorFrm form(districts);
    form.LoadSettings(Box);
    if (ExecModal(form) != QDialog::Accepted) return false;
    form.StoreSettings(Box);
    try {
      districts.Save();
    } catch (const Error& e) {
      // The control has its colours already; the host repaints with them.
      ShowMsgForm(e.what(), mkError, mbOk);
    }
    return true;
  } catch (const Error& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
    return false;
  }
}

}  // namespace ld::gui
