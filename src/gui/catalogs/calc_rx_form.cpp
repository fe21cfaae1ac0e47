#include "gui/catalogs/calc_rx_form.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/catalogs/catalog_ln.h"
#include "core/catalogs/catalog_units.h"
#include "core/catalogs/catwin_branch.h"
#include "core/engine/electric.h"
#include "core/tables/colmaps_bind.h"
#include "core/tables/layout.h"
#include "gui/catalogs/catalog_form.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/common/screen_fit.h"

namespace ld::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Pages of the notebook in this order; kind buttons 0..4 show pages 1..5.
const std::array<std::string, 6> kPages = {"RX", "LN", "T2", "TR", "T3", "RT"};

int PageOf(const std::string& kind) {
  for (std::size_t i = 0; i < kPages.size(); ++i)
    if (kPages[i] == kind) return static_cast<int>(i);
  return 0;
}

// An empty text, "-" and "+" are 0; anything else converts by the tolerant conversion or throws.
double EditNumber(const QLineEdit* edit) {
  const std::string text = TrimTrailSpaces(TrimLeadSpaces(edit->text().toStdString()));
  if (text.empty() || text == "-" || text == "+") return 0;
  return StrToFloatZ(text);
}

// What each kind's catalogue and passport list are called, and how their rows are read.
struct KindCatalog {
  const std::string* file;
  const char* catalogCaption;
  const std::string* listLayout;
  const char* listCaption;
  void (*load)(const std::string&, bool);
  void (*free)();
  void (*loadList)(const std::string&, bool);
  void (*freeList)();
  int (*indexOfMark)(const std::string&);
  int (*indexOfName)(const std::string&);
  std::string (*caption)(int, bool);
  std::string (*name)(int);
};

const KindCatalog* CatalogOf(const std::string& kind) {
  static const KindCatalog t2{&CatalogFileT2, "Каталог двухобмоточных трансформаторов", &ListLayoutT2,
                              "Паспортные данные двухобмоточных тр-ров", LoadCatalogT2, FreeCatalogT2, LoadListT2,
                              FreeListT2, IndexOfT2Mark, IndexOfT2Name, CatalogT2Caption, ListT2Name};
  static const KindCatalog tr{&CatalogFileTR, "Каталог тр-ров с ращепленной обмоткой НН", &ListLayoutTR,
                              "Паспортные данные тр-ров с ращепленной обм.НН", LoadCatalogTR, FreeCatalogTR, LoadListTR,
                              FreeListTR, IndexOfTRMark, IndexOfTRName, CatalogTRCaption, ListTRName};
  static const KindCatalog t3{&CatalogFileT3, "Каталог трехобмоточных трансформаторов", &ListLayoutT3,
                              "Паспортные данные трехобмоточных тр-ров", LoadCatalogT3, FreeCatalogT3, LoadListT3,
                              FreeListT3, IndexOfT3Mark, IndexOfT3Name, CatalogT3Caption, ListT3Name};
  static const KindCatalog rt{&CatalogFileRT, "Каталог токоограничивающих реакторов", &ListLayoutRT,
                              "Паспортные данные токоограничивающих реакторов", LoadCatalogRT, FreeCatalogRT, LoadListRT,
                              FreeListRT, IndexOfRTMark, IndexOfRTName, CatalogRTCaption, ListRTName};
  if (kind == "T2") return &t2;
  if (kind == "TR") return &tr;
  if (kind == "T3") return &t3;
  if (kind == "RT") return &rt;
  return nullptr;
}

}  // namespace

TCalcRXForm::TCalcRXForm(std::string catalogPath, std::string listBasePath, bool normalise, QWidget* parent)
    : QDialog(parent), catalogPath_(std::move(catalogPath)), listBasePath_(std::move(listBasePath)),
      normalise_(normalise) {
  setObjectName("CalcRXForm");
  setWindowTitle("Параметры ветви");
  auto* layout = new QVBoxLayout(this);

  auto* kinds = new QHBoxLayout;
  const char* names[] = {"LineBtn", "T2Btn", "TRBtn", "T3Btn", "RTBtn"};
  const char* texts[] = {"Линии", "2-обм. тр-ры", "Расщ. тр-ры", "3-обм. тр-ры", "Реакторы"};
  for (int i = 0; i < 5; ++i) {
    kindButtons_[static_cast<std::size_t>(i)] = Named<QPushButton>(names[i], texts[i], this);
    kindButtons_[static_cast<std::size_t>(i)]->setCheckable(true);
    kinds->addWidget(kindButtons_[static_cast<std::size_t>(i)]);
    connect(kindButtons_[static_cast<std::size_t>(i)], &QPushButton::clicked, this, [this, i] { KindButtonClick(i); });
  }
  layout->addLayout(kinds);

  notebook_ = new QStackedWidget(this);
  notebook_->setObjectName("TypNotebook");
  auto* rx = new QLabel("Расчетные данные по ветвям схемы (R, X, G, B, K', K\")", notebook_);
  rx->setObjectName("RX");
  notebook_->addWidget(rx);
  {
    auto* page = new QWidget(notebook_);
    page->setObjectName("LN");
    auto* form = new QFormLayout(page);
    unomEdit_ = Named<QLineEdit>("UnomEdit", page);
    lineEdit_ = Named<QLineEdit>("LineEdit", page);
    form->addRow("Uном", unomEdit_);
    form->addRow("Линия", lineEdit_);
    notebook_->addWidget(page);
  }
  const char* markNames[] = {"MarkEditT2", "MarkEditTR", "MarkEditT3", "MarkEditRT"};
  const char* nameNames[] = {"NameEditT2", "NameEditTR", "NameEditT3", "NameEditRT"};
  const char* listNames[] = {"ListT2Btn", "ListTRBtn", "ListT3Btn", "ListRTBtn"};
  const char* listTexts[] = {"Выбор тр-ра", "Выбор тр-ра", "Выбор тр-ра", "Выбор реакт."};
  for (int i = 0; i < 4; ++i) {
    const auto k = static_cast<std::size_t>(i);
    auto* page = new QWidget(notebook_);
    page->setObjectName(Q(kPages[k + 2]));
    auto* form = new QFormLayout(page);
    markEdits_[k] = Named<QLineEdit>(markNames[i], page);
    nameEdits_[k] = Named<QLineEdit>(nameNames[i], page);
    listButtons_[k] = Named<QPushButton>(listNames[i], listTexts[i], page);
    form->addRow("Марка", markEdits_[k]);
    if (i == 1 || i == 2) {
      auto* box = new QComboBox(page);
      box->setObjectName(i == 1 ? "UnomTRBox" : "UnomT3Box");
      box->addItems(i == 1 ? QStringList{"ВН", "НН1", "НН2"} : QStringList{"ВН", "СН", "НН"});
      form->addRow("Обмотка", box);
      (i == 1 ? unomTRBox_ : unomT3Box_) = box;
      connect(box, &QComboBox::activated, this, [this] { WindingChanged(); });
    }
    auto* row = new QHBoxLayout;
    row->addWidget(nameEdits_[k]);
    row->addWidget(listButtons_[k]);
    form->addRow(row);
    notebook_->addWidget(page);
    connect(listButtons_[k], &QPushButton::clicked, this, [this] { ListBtnClick(); });
  }
  layout->addWidget(notebook_);

  auto* actions = new QHBoxLayout;
  paramBtn_ = Named<QPushButton>("ParamBtn", "Параметры", this);
  catalogBtn_ = Named<QPushButton>("CatalogBtn", "Справочник", this);
  actions->addWidget(paramBtn_);
  actions->addWidget(catalogBtn_);
  layout->addLayout(actions);
  connect(paramBtn_, &QPushButton::clicked, this, [this] { ParamBtnClick(); });
  connect(catalogBtn_, &QPushButton::clicked, this, [this] { CatalogBtnClick(); });

  auto* values = new QGridLayout;
  const char* valueNames[] = {"REdit", "XEdit", "GEdit", "BEdit", "KaEdit", "KrEdit"};
  const char* valueLabels[] = {"R", "X", "G", "B", "Kтр'", "Kтр\""};
  for (int i = 0; i < 6; ++i) {
    valueEdits_[static_cast<std::size_t>(i)] = Named<QLineEdit>(valueNames[i], this);
    values->addWidget(new QLabel(valueLabels[i], this), i / 2, (i % 2) * 2);
    values->addWidget(valueEdits_[static_cast<std::size_t>(i)], i / 2, (i % 2) * 2 + 1);
    QLineEdit* edit = valueEdits_[static_cast<std::size_t>(i)];
    connect(edit, &QLineEdit::textEdited, this, [this, edit] { CheckNumber(edit); });
  }
  connect(unomEdit_, &QLineEdit::textEdited, this, [this] { CheckNumber(unomEdit_); });
  layout->addLayout(values);

  const char* sliderNames[] = {"RpnSlider", "TprSlider"};
  const char* typeNames[] = {"LTypRPN", "LTypTPR"};
  const char* numberNames[] = {"LNumRPN", "LNumTPR"};
  for (int i = 0; i < 2; ++i) {
    const auto k = static_cast<std::size_t>(i);
    auto* row = new QHBoxLayout;
    typeLabels_[k] = new QLabel(this);
    typeLabels_[k]->setObjectName(typeNames[i]);
    sliders_[k] = new QSlider(Qt::Horizontal, this);
    sliders_[k]->setObjectName(sliderNames[i]);
    numberLabels_[k] = new QLabel(this);
    numberLabels_[k]->setObjectName(numberNames[i]);
    row->addWidget(typeLabels_[k]);
    row->addWidget(sliders_[k]);
    row->addWidget(numberLabels_[k]);
    layout->addLayout(row);
    connect(sliders_[k], &QSlider::valueChanged, this, [this, i] { RpnSliderChange(i); });
  }

  auto* buttons = new QHBoxLayout;
  auto* ok = Named<QPushButton>("OkBtn", "Записать", this);
  ok->setDefault(true);
  auto* cancel = Named<QPushButton>("CancelBtn", "Отменить", this);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, [this] { Apply(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  ClearValues();
  notebook_->setCurrentIndex(0);
}

std::string TCalcRXForm::Kind() const { return kPages[static_cast<std::size_t>(notebook_->currentIndex())]; }

int TCalcRXForm::Winding() const {
  const std::string kind = Kind();
  if (kind == "TR") return unomTRBox_->currentIndex();
  if (kind == "T3") return unomT3Box_->currentIndex();
  return 0;
}

QLineEdit* TCalcRXForm::NameEdit() const {
  const int page = notebook_->currentIndex();
  return page >= 2 ? nameEdits_[static_cast<std::size_t>(page - 2)] : nullptr;
}

QLineEdit* TCalcRXForm::MarkEdit() const {
  const int page = notebook_->currentIndex();
  return page >= 2 ? markEdits_[static_cast<std::size_t>(page - 2)] : nullptr;
}

void TCalcRXForm::Load(const std::string& head, const std::string& mark, const std::string& regulation,
                       std::int16_t tap1, std::int16_t tap2, const float (&values)[6], float ktn, float idop,
                       float sdop) {
  TapPos[0] = tap1;
  TapPos[1] = tap2;
  const TBranchKey key = SplitBranchKey(head, mark);
  const int page = PageOf(key.Kind);
  if (page == 1) {
    unomEdit_->setText(Q(key.Name));
    lineEdit_->setText(Q(key.Rest));
  } else if (page >= 2) {
    nameEdits_[static_cast<std::size_t>(page - 2)]->setText(Q(key.Name));
    markEdits_[static_cast<std::size_t>(page - 2)]->setText(Q(key.Rest));
    if (key.Kind == "TR") unomTRBox_->setCurrentIndex(std::clamp(key.Winding, 0, 2));
    if (key.Kind == "T3") unomT3Box_->setCurrentIndex(std::clamp(key.Winding, 0, 2));
  }
  loadedKind_ = kPages[static_cast<std::size_t>(page)];
  notebook_->setCurrentIndex(page);
  for (int i = 0; i < 6; ++i) SetValue(i, values[i]);
  Idop = idop;
  Sdop = sdop;
  Ktn = ktn;
  Regulation = regulation;
  SetupTapChangers(regulation, key.Winding);
}

void TCalcRXForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  showing_ = true;
  const int page = PageOf(loadedKind_);
  if (page > 0) {
    kindButtons_[static_cast<std::size_t>(page - 1)]->setChecked(true);
    EnterPage(loadedKind_, false);
  } else {
    KindButtonClick(-1);
  }
  showing_ = false;
  if (placeAt_) {
    // Placed once the page is chosen: the page decides the size that has to fit on the screen.
    adjustSize();
    QPoint at = *placeAt_;
    const QScreen* screen = QGuiApplication::screenAt(at);
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen != nullptr) at = FitRect(QRect(at, frameGeometry().size()), screen->availableGeometry()).topLeft();
    move(at);
  }
}

void TCalcRXForm::PlaceAt(QPoint at) {
  placeAt_ = at;
  move(at);
}

void TCalcRXForm::KindButtonClick(int index) {
  const bool down = index >= 0 && kindButtons_[static_cast<std::size_t>(index)]->isChecked();
  for (int i = 0; i < 5; ++i)
    if (i != index) kindButtons_[static_cast<std::size_t>(i)]->setChecked(false);
  if (down) {
    EnterPage(kPages[static_cast<std::size_t>(index) + 1], true);
    return;
  }
  // All up: direct entry of every value.
  notebook_->setCurrentIndex(0);
  paramBtn_->setEnabled(false);
  catalogBtn_->setEnabled(false);
  for (QLineEdit* edit : valueEdits_) edit->setEnabled(true);
  for (int i = 0; i < 2; ++i) {
    sliders_[static_cast<std::size_t>(i)]->hide();
    typeLabels_[static_cast<std::size_t>(i)]->hide();
    numberLabels_[static_cast<std::size_t>(i)]->hide();
  }
  valueEdits_[0]->setFocus();
}

void TCalcRXForm::EnterPage(const std::string& kind, bool clear) {
  notebook_->setCurrentIndex(PageOf(kind));
  if (clear && !showing_) ClearValues();
  SetEditStates();
  paramBtn_->setEnabled(true);
  catalogBtn_->setEnabled(true);
  if (kind == "LN") unomEdit_->setFocus();
  else if (NameEdit()) listButtons_[static_cast<std::size_t>(notebook_->currentIndex() - 2)]->setFocus();
}

void TCalcRXForm::SetEditStates() {
  const std::string kind = Kind();
  std::array<bool, 6> on{};
  if (kind == "LN") on = {true, true, true, true, false, false};
  else if (kind == "T2") on = {true, true, true, true, true, true};
  else if (kind == "TR" || kind == "T3") {
    const bool high = Winding() == 0;
    on = {true, true, high, high, true, true};
  } else if (kind == "RT") on = {true, true, false, false, false, false};
  else on = {true, true, true, true, true, true};
  for (std::size_t i = 0; i < 6; ++i) valueEdits_[i]->setEnabled(on[i]);
}

void TCalcRXForm::WindingChanged() {
  ClearValues();
  SetEditStates();
}

void TCalcRXForm::ClearValues() {
  for (QLineEdit* edit : valueEdits_) edit->clear();
  Idop = Sdop = Ktn = 0;
  TapPos[0] = TapPos[1] = 0;
  Regulation.clear();
  for (int i = 0; i < 2; ++i) {
    changers_[static_cast<std::size_t>(i)] = Changer{};
    sliders_[static_cast<std::size_t>(i)]->hide();
    typeLabels_[static_cast<std::size_t>(i)]->hide();
    numberLabels_[static_cast<std::size_t>(i)]->hide();
  }
}

void TCalcRXForm::SetValue(int index, double value) {
  valueEdits_[static_cast<std::size_t>(index)]->setText(Q(FloatToStrGeneral(value, 7)));
}

void TCalcRXForm::SetupTapChangers(const std::string& regulation, int winding) {
  for (Changer& c : changers_) c = Changer{};
  const std::string own = WindingSideName(winding, Kind(), regulation);
  std::string items[2];
  const auto cut = own.find(';');
  const std::string first = own.substr(0, cut);
  const std::string second = cut == std::string::npos ? std::string() : own.substr(cut + 1);
  for (const std::string* item : {&first, &second}) {
    if (item->empty()) continue;
    const int slot = item->find("ТПР") != std::string::npos ? 1 : 0;
    if (items[slot].empty()) items[slot] = *item;
  }
  if (own != Regulation) TapPos[0] = TapPos[1] = 0;
  Regulation = own;
  for (int i = 0; i < 2; ++i) {
    const auto k = static_cast<std::size_t>(i);
    TMarkParts parts;
    QSlider* slider = sliders_[k];
    if (items[k].empty() || !ParseMarkParts(items[k], parts) || parts.Positions < 1) {
      slider->hide();
      typeLabels_[k]->hide();
      numberLabels_[k]->hide();
      continue;
    }
    Changer& c = changers_[k];
    c.On = true;
    c.Side = parts.Side;
    c.Type = parts.Type;
    c.Kind = parts.Kind;
    c.Positions = parts.Positions;
    c.Neutral = parts.Neutral;
    c.Step = parts.Step;
    if (TapPos[k] == 0) TapPos[k] = static_cast<std::int16_t>(c.Neutral);
    const QSignalBlocker block(slider);
    slider->setRange(1, c.Positions);
    slider->setValue(TapPos[k]);
    numberLabels_[k]->setText(QString::number(TapPos[k]));
    typeLabels_[k]->setText(Q(c.Type));
    slider->show();
    typeLabels_[k]->show();
    numberLabels_[k]->show();
    RpnSliderChange(i);
  }
}

void TCalcRXForm::RpnSliderChange(int changer) {
  const auto k = static_cast<std::size_t>(changer);
  if (!changers_[k].On) return;
  TapPos[k] = static_cast<std::int16_t>(sliders_[k]->value());
  numberLabels_[k]->setText(QString::number(TapPos[k]));
  double ka = 0, kr = 0;
  try {
    ka = EditNumber(valueEdits_[4]);
    kr = EditNumber(valueEdits_[5]);
  } catch (const ConvertError&) {
    // A value that is no number is reported while it is typed; the ratio starts from 0 then.
  }
  const Changer& a = changers_[0];
  const Changer& b = changers_[1];
  if (CalcTapRatio(changers_[k].Side, changers_[k].Kind, TapPos[0], a.Neutral, a.Positions, a.Step, TapPos[1],
                   b.Neutral, b.Positions, b.Step, Ktn, ka, kr)) {
    SetValue(4, ka);
    SetValue(5, kr);
  }
}

void TCalcRXForm::CheckNumber(QLineEdit* edit) {
  try {
    EditNumber(edit);
  } catch (const ConvertError& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
  }
}

void TCalcRXForm::ParamBtnClick() {
  const std::string kind = Kind();
  TBranchValues v;
  TBranchWritten written;
  std::string error, rpn;
  try {
    for (int i = 0; i < 6; ++i) (&v.R)[i] = EditNumber(valueEdits_[static_cast<std::size_t>(i)]);
    v.Ktn = Ktn, v.Idop = Idop, v.Sdop = Sdop;
    bool ok = false;
    if (kind == "LN") {
      ok = CalcLineBranch(catalogPath_, unomEdit_->text().toStdString(), lineEdit_->text().toStdString(), normalise_,
                          v, written, error);
    } else if (IsBranchKind(kind)) {
      ok = CalcUnitBranch(kind, Winding(), NameEdit()->text().toStdString(), MarkEdit()->text().toStdString(),
                          catalogPath_, listBasePath_, v, written, rpn, error);
    } else {
      return;
    }
    if (!ok) {
      ShowMsgForm(error, mkError, mbOk);
      return;
    }
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
    return;
  }
  if (written.RX) SetValue(0, v.R), SetValue(1, v.X);
  if (written.GB) SetValue(2, v.G), SetValue(3, v.B);
  if (written.K) SetValue(4, v.Ka), SetValue(5, v.Kr);
  if (written.Ktn) Ktn = v.Ktn;
  if (written.Idop) Idop = v.Idop;
  if (written.Sdop) Sdop = v.Sdop;
  if (kind != "LN" && kind != "RT") SetupTapChangers(rpn, Winding());
}

void TCalcRXForm::CatalogBtnClick() {
  const std::string kind = Kind();
  try {
    if (kind == "LN") {
      LoadCatalogLN(catalogPath_, true);
      int row = 1;
      bool changed = false;
      const std::string file = FindFileNoCase(catalogPath_ + CatalogFileLN);
      if (ShowCatalog(file, "Каталог кабельных и воздушных линий", nullptr, row, changed)) {
        if (changed) LoadCatalogLN(catalogPath_, false);
        lineEdit_->setText(lineEdit_->text() + Q(CatalogLNCaption(row)));
        ClearValues();
      }
      FreeCatalogLN();
      return;
    }
    const KindCatalog* cat = CatalogOf(kind);
    if (!cat) return;
    cat->load(catalogPath_, true);
    int row = std::max(1, cat->indexOfMark(MarkEdit()->text().toStdString()));
    bool changed = false;
    const std::string file = FindFileNoCase(catalogPath_ + *cat->file);
    if (ShowCatalog(file, cat->catalogCaption, nullptr, row, changed)) {
      if (changed) cat->load(catalogPath_, false);
      MarkEdit()->setText(Q(cat->caption(row, true)));
      NameEdit()->clear();
      ClearValues();
    }
    cat->free();
  } catch (const std::exception& e) {
    FreeCatalogLN();
    if (const KindCatalog* cat = CatalogOf(kind)) cat->free();
    ShowMsgForm(e.what(), mkError, mbOk);
  }
}

void TCalcRXForm::ListBtnClick() {
  const KindCatalog* cat = CatalogOf(Kind());
  if (!cat) return;
  try {
    const std::string file = FamilyFile(listBasePath_, GetMaketExtention(*cat->listLayout));
    cat->loadList(file, true);
    int row = std::max(1, cat->indexOfName(NameEdit()->text().toStdString()));
    bool changed = false;
    if (ShowCatalog(file, cat->listCaption, nullptr, row, changed)) {
      if (changed) cat->loadList(file, false);
      NameEdit()->setText(Q(cat->name(row)));
      MarkEdit()->setText(Q(cat->caption(row, false)));
    }
    cat->freeList();
  } catch (const std::exception& e) {
    cat->freeList();
    ShowMsgForm(e.what(), mkError, mbOk);
  }
}

void TCalcRXForm::Key(std::string& head, std::string& mark) const {
  const std::string kind = Kind();
  std::string name;
  mark.clear();
  if (kind == "LN") {
    name = unomEdit_->text().toStdString();
    mark = lineEdit_->text().toStdString();
  } else if (kind != "RX") {
    name = NameEdit()->text().toStdString();
    mark = MarkEdit()->text().toStdString();
  }
  head = ComposeBranchHead(kind, name, Winding());
}

bool TCalcRXForm::Values(float (&values)[6], std::string& error) const {
  try {
    for (int i = 0; i < 6; ++i) values[i] = static_cast<float>(EditNumber(valueEdits_[static_cast<std::size_t>(i)]));
  } catch (const ConvertError& e) {
    error = e.what();
    return false;
  }
  return true;
}

void TCalcRXForm::Apply() {
  float values[6];
  std::string error;
  if (!Values(values, error)) {
    ShowMsgForm(error, mkError, mbOk);
    return;
  }
  accept();
}

bool EditBranchParams(double ScreenX, double ScreenY, const std::string& CatalogPath, const std::string& ListBasePath,
                      const std::string& CaptionPrefix, std::string& Head, std::string& Mark, std::string& Regulation,
                      std::int16_t& TapPos1, std::int16_t& TapPos2, float& R, float& X, float& G, float& B, float& Ka,
                      float& Kr, float& Ktn, float& Idop, float& Sdop, bool Normalise) {
  TCalcRXForm form(CatalogPath, ListBasePath, Normalise);
  form.setWindowTitle(Q(CaptionPrefix + " " + form.windowTitle().toStdString()));
  const float values[6] = {R, X, G, B, Ka, Kr};
  form.Load(Head, Mark, Regulation, TapPos1, TapPos2, values, Ktn, Idop, Sdop);
  if (ScreenX != 0 || ScreenY != 0)
    form.PlaceAt(QPoint(static_cast<int>(std::lround(ScreenX)), static_cast<int>(std::lround(ScreenY))));
  if (ExecModal(form) != QDialog::Accepted) return false;
  float out[6];
  std::string error;
  form.Values(out, error);
  form.Key(Head, Mark);
  TapPos1 = form.TapPos[0];
  TapPos2 = form.TapPos[1];
  R = out[0], X = out[1], G = out[2], B = out[3], Ka = out[4], Kr = out[5];
  Ktn = form.Ktn;
  Idop = form.Idop;
  Sdop = form.Sdop;
  Regulation = form.Regulation;
  return true;
}

bool EditBranchRowParams(const TDataFile& table, int row, const std::string& ListBasePath,
                         const std::function<bool()>& editable) {
  DALongint *n1 = nullptr, *n2 = nullptr;
  DAString *name1 = nullptr, *name2 = nullptr, *typEquCol = nullptr, *markCol = nullptr, *regulationCol = nullptr;
  DAsingle *rc = nullptr, *xc = nullptr, *gc = nullptr, *bc = nullptr, *ktaCol = nullptr, *ktrCol = nullptr,
           *ktnCol = nullptr, *idopCol = nullptr, *sdopCol = nullptr;
  TInt16Column notvCol, ntprCol;
  BindColumn(table, "N1", n1), BindColumn(table, "N2", n2);
  BindColumn(table, "Name1", name1), BindColumn(table, "Name2", name2), BindColumn(table, "TypEqu", typEquCol);
  BindColumn(table, "Mark", markCol), BindColumn(table, "Regulation", regulationCol);
  BindColumn(table, "R", rc), BindColumn(table, "X", xc), BindColumn(table, "G", gc), BindColumn(table, "B", bc);
  BindColumn(table, "Kta", ktaCol), BindColumn(table, "Ktr", ktrCol), BindColumn(table, "Ktn", ktnCol);
  BindColumn(table, "Idop", idopCol), BindColumn(table, "Sdop", sdopCol);
  BindColumn(table, "Notv", notvCol), BindColumn(table, "Ntpr", ntprCol);

  const std::string title = std::to_string(n1->Get(row)) + " - " + std::to_string(n2->Get(row)) + " " +
                            name1->GetItem(row) + " - " + name2->GetItem(row);
  std::string typEqu = typEquCol->GetItem(row), mark = markCol->GetItem(row), regulation = regulationCol->GetItem(row);
  auto notv = static_cast<std::int16_t>(notvCol.Get(row)), ntpr = static_cast<std::int16_t>(ntprCol.Get(row));
  float r = rc->Get(row), x = xc->Get(row), g = gc->Get(row), b = bc->Get(row), kta = ktaCol->Get(row),
        ktr = ktrCol->Get(row), ktn = ktnCol->Get(row), idop = idopCol->Get(row), sdop = sdopCol->Get(row);
  if (!EditBranchParams(0, 0, IniRec.Path, ListBasePath, title, typEqu, mark, regulation, notv, ntpr, r, x, g, b, kta,
                        ktr, ktn, idop, sdop, IniRec.CutMark) ||
      !editable())
    return false;
  typEquCol->SetItem(row, typEqu);
  markCol->SetItem(row, mark);
  regulationCol->SetItem(row, regulation);
  notvCol[row] = notv;
  ntprCol[row] = ntpr;
  (*rc)[row] = r, (*xc)[row] = x, (*gc)[row] = g, (*bc)[row] = b;
  (*ktaCol)[row] = kta, (*ktrCol)[row] = ktr, (*ktnCol)[row] = ktn, (*idopCol)[row] = idop, (*sdopCol)[row] = sdop;
  return true;
}

}  // namespace ld::gui
