#include "gui/diagram/set_graph_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <array>

#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/diagram/schem_state.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/diagram/float_field.h"
#include "gui/grid/report_print_device.h"

namespace ld::gui {

using diagram::TSchemBoxState;

namespace {

// The check boxes that copy a display flag of the control.
struct TFlagBox {
  const char* name;
  bool TSchemBoxState::*flag;
};
constexpr TFlagBox kFlagBoxes[] = {
    {"CheckBox1", &TSchemBoxState::FOrdLayer},   {"CheckBox2", &TSchemBoxState::FOptimLen},
    {"CheckBox3", &TSchemBoxState::FShiftLR},    {"CheckBox22", &TSchemBoxState::FOrdNames},
    {"CheckBox4", &TSchemBoxState::FIntegral},   {"CheckBox5", &TSchemBoxState::FSection},
    {"CheckBox7", &TSchemBoxState::FCommut},     {"CheckBox8", &TSchemBoxState::FRealCommut},
    {"CheckBox9", &TSchemBoxState::FTap},        {"CheckBox6", &TSchemBoxState::FLinks},
    {"CheckBox10", &TSchemBoxState::FMarkLn},    {"CheckBox23", &TSchemBoxState::FNumLn},
    {"CheckBox28", &TSchemBoxState::FIdopLn},    {"CheckBox27", &TSchemBoxState::FLoadLn},
    {"CheckBox11", &TSchemBoxState::FMarkTr},    {"CheckBox12", &TSchemBoxState::FNumTr},
    {"CheckBox13", &TSchemBoxState::FSnomTr},    {"CheckBox29", &TSchemBoxState::FLoadTr},
    {"CheckBox26", &TSchemBoxState::FSnomTr2},   {"CheckBox30", &TSchemBoxState::FMarkRt},
    {"CheckBox34", &TSchemBoxState::FZYKtr},     {"CheckBox35", &TSchemBoxState::FSNR},
    {"CheckBox14", &TSchemBoxState::FlagU},      {"CheckBox15", &TSchemBoxState::FlagI},
    {"CheckBox16", &TSchemBoxState::FlagP},      {"CheckBox17", &TSchemBoxState::FlagQ},
    {"CheckBox18", &TSchemBoxState::FresPQ},     {"CheckBox32", &TSchemBoxState::FlagEERM},
    {"CheckBox20", &TSchemBoxState::FCos},       {"CheckBox21", &TSchemBoxState::FlagDR},
    {"CheckBox24", &TSchemBoxState::FOneFlow},   {"CheckBox33", &TSchemBoxState::FlagNumES},
    {"CheckBox19", &TSchemBoxState::FAddPrim},   {"CheckBox36", &TSchemBoxState::fMoveFlows},
};

// The twelve metric coefficients, Edit1 .. Edit12.
struct TMetric {
  const char* caption;
  float TSchemBoxState::*coef;
};
constexpr TMetric kMetrics[] = {
    {"Ye", &TSchemBoxState::KYe},     {"Xe", &TSchemBoxState::KXe},      {"Xv", &TSchemBoxState::KXv},
    {"dY", &TSchemBoxState::KdY},     {"Ysc", &TSchemBoxState::KdYsc},   {"Xsc", &TSchemBoxState::KdXsc},
    {"Ycom", &TSchemBoxState::KYcom}, {"Xcom", &TSchemBoxState::KXcom},  {"Yzam", &TSchemBoxState::KYzam},
    {"Xzam", &TSchemBoxState::KXzam}, {"Ylnk", &TSchemBoxState::KYlnk},  {"Ymrk", &TSchemBoxState::KYmrk},
};

const char* const kPresetNames[] = {"Сети ЭС 750 - 110 кВ", "Сети ЭК 110 - 35 кВ", "Сети РЭС 10 - 0.4 кВ",
                                    "Радиус Т.К.З.", "Радиус ЭЭРМ (D2)"};

// What each preset does to a box, one letter per preset: '+' checks, '-' unchecks, ' ' leaves it.
struct TPresetBox {
  const char* name;
  const char* states;
};
constexpr TPresetBox kPresetBoxes[] = {
    {"CheckBox4", " ++ -"},  {"CheckBox5", " -+ -"},  {"CheckBox6", " ++ -"},  {"CheckBox26", " --  "},
    {"CheckBox7", "+++--"},  {"CheckBox8", "--- -"},  {"CheckBox9", "-+++-"},  {"CheckBox10", "-++++"},
    {"CheckBox28", "   --"}, {"CheckBox27", "   -+"}, {"CheckBox11", "---++"}, {"CheckBox12", "-++++"},
    {"CheckBox13", "-++++"}, {"CheckBox29", "   -+"}, {"CheckBox14", "+++++"}, {"CheckBox15", "--+++"},
    {"CheckBox16", "++--+"}, {"CheckBox17", "++--+"}, {"CheckBox18", "-----"}, {"CheckBox32", "+----"},
    {"CheckBox20", "   --"}, {"CheckBox24", "   ++"},
};
constexpr int kPresetCaption[] = {2, 1, 1, 2, 1};
constexpr std::array<int, 3> kPresetDecimals[] = {{1, 0, 1}, {1, 0, 2}, {1, 0, 0}, {2, 0, 2}, {2, 0, 2}};
constexpr std::array<double, 2> kPresetMultipliers[] = {{1, 1}, {1, 1}, {1, 1000}, {1, 1}, {1, 1}};

QString Metric(const char* caption) { return QString::fromUtf8(caption); }

QCheckBox* Box(QWidget* parent, const char* name, const char* caption, const char* hint = nullptr) {
  auto* box = Named<QCheckBox>(name, QString::fromUtf8(caption), parent);
  if (hint != nullptr) box->setToolTip(QString::fromUtf8(hint));
  return box;
}

QLineEdit* NumberEdit(QWidget* parent, const char* name, int width) {
  auto* edit = Named<QLineEdit>(name, parent);
  edit->setFixedWidth(width);
  return edit;
}

// A text that does not read as a number becomes "0" at once.
void ZeroUnlessNumber(QLineEdit* edit, bool integer) {
  QObject::connect(edit, &QLineEdit::textChanged, edit, [edit, integer](const QString& text) {
    const std::string t = text.toStdString();
    bool ok = !t.empty();
    try {
      if (ok && integer) StrToIntZ(t);
      if (ok && !integer) StrToFloatZ(t);
    } catch (const ConvertError&) {
      ok = false;
    }
    if (!ok) edit->setText("0");
  });
}

// The settings scroll on a screen lower than they are; on a taller one the area asks for all of them, as
// the dialog laid out without it would (a plain scroll area asks for a fixed share of the font's height).
class TSettingsArea : public QScrollArea {
public:
  using QScrollArea::QScrollArea;
  QSize sizeHint() const override {
    const int frame = 2 * frameWidth();
    return widget()->sizeHint() + QSize(frame + verticalScrollBar()->sizeHint().width(), frame);
  }
};

QString FontCaption(const QFont& font) {
  return font.family() + ", " + QString::number(font.pointSize()) + " pt";
}

}  // namespace

TSetGraphFrm::TSetGraphFrm(QWidget* parent) : QDialog(parent) {
  setObjectName("SetGraphFrm");
  setWindowTitle("Настройки схемной графики");
  auto* outer = new QVBoxLayout(this);
  auto* area = new TSettingsArea(this);
  area->setWidgetResizable(true);
  area->setFrameShape(QFrame::NoFrame);
  area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  auto* body = new QWidget(area);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(0, 0, 0, 0);
  area->setWidget(body);
  outer->addWidget(area, 1);

  auto* top = new QGridLayout;
  top->addWidget(new QLabel("Отображение узлов", this), 0, 0);
  auto* captions = Named<QComboBox>("ComboBox1", this);
  captions->addItems({"по номеру", "по наименованию", "по номеру+наим."});
  top->addWidget(captions, 0, 1);
  top->addWidget(Named<QLabel>("Label16", this), 1, 0);
  auto* fontBtn = Named<QPushButton>("Button1", "Шрифт", this);
  top->addWidget(fontBtn, 1, 1);
  layout->addLayout(top);

  auto* metrics = new QGroupBox(" Метрика ", this);
  auto* metricGrid = new QGridLayout(metrics);
  for (int i = 0; i < 12; ++i) {
    const std::string name = "Edit" + std::to_string(i + 1);
    metricGrid->addWidget(new QLabel(Metric(kMetrics[i].caption), metrics), i / 4, (i % 4) * 2);
    metricGrid->addWidget(NumberEdit(metrics, name.c_str(), 56), i / 4, (i % 4) * 2 + 1);
  }
  layout->addWidget(metrics);

  auto* order = new QGroupBox(" Упорядочение ", this);
  auto* orderGrid = new QGridLayout(order);
  orderGrid->addWidget(Box(order, "CheckBox1", "По горизонт. размещ. узлов"), 0, 0);
  orderGrid->addWidget(Box(order, "CheckBox2", "По длине контурных связей"), 0, 1);
  orderGrid->addWidget(Box(order, "CheckBox3", "Перенос к контур. связям"), 1, 0);
  orderGrid->addWidget(Box(order, "CheckBox22", "По наименованиям узлов"), 1, 1);
  layout->addWidget(order);

  auto* parts = new QGroupBox(" Отображение компонент схемы ", this);
  auto* partGrid = new QGridLayout(parts);
  partGrid->addWidget(Box(parts, "CheckBox4", "Интегральная схема"), 0, 0, 1, 2);
  partGrid->addWidget(Box(parts, "CheckBox5", "Секционирование"), 0, 2, 1, 2);
  partGrid->addWidget(Box(parts, "CheckBox7", "Коммутации ветвей"), 0, 4, 1, 2);
  partGrid->addWidget(Box(parts, "CheckBox8", "Типизация ком. аппаратов"), 1, 0, 1, 2);
  partGrid->addWidget(Box(parts, "CheckBox9", "Отпайки показывать шинами"), 1, 2, 1, 2);
  partGrid->addWidget(Box(parts, "CheckBox6", "Внешние выходы"), 1, 4, 1, 2);
  partGrid->addWidget(new QLabel("Кабельные, воздушные линии:", parts), 2, 0, 1, 2);
  partGrid->addWidget(Box(parts, "CheckBox10", "марка"), 2, 2);
  partGrid->addWidget(Box(parts, "CheckBox23", "№", "Диспетчерский номер линии"), 2, 3);
  partGrid->addWidget(Box(parts, "CheckBox28", "Iдоп", "Допустимый ток линии, А"), 2, 4);
  partGrid->addWidget(Box(parts, "CheckBox27", "%", "Загрузка линии, %"), 2, 5);
  partGrid->addWidget(new QLabel("Трансформаторы:", parts), 3, 0, 1, 2);
  partGrid->addWidget(Box(parts, "CheckBox11", "марка"), 3, 2);
  partGrid->addWidget(Box(parts, "CheckBox12", "№", "Диспетчерский номер трансформатора"), 3, 3);
  partGrid->addWidget(Box(parts, "CheckBox13", "Sном", "Номинальная мощность обмотки тр-ра, МВА"), 3, 4);
  partGrid->addWidget(Box(parts, "CheckBox29", "%", "Загрузка тр-ра, %"), 3, 5);
  partGrid->addWidget(Box(parts, "CheckBox26", "Мощности тр-ров"), 4, 0, 1, 2);
  partGrid->addWidget(Box(parts, "CheckBox30", "марка реактора"), 4, 2, 1, 2);
  partGrid->addWidget(Box(parts, "CheckBox34", "Z, Y, Kтр", "Сопротивление Z = R + jX"), 4, 4);
  partGrid->addWidget(
      Box(parts, "CheckBox35", "СНР", "Показывать признак коммутации по схеме нормального режима"), 4, 5);
  layout->addWidget(parts);

  auto* results = new QGroupBox(" Отображение результатов расчета ", this);
  auto* resGrid = new QGridLayout(results);
  resGrid->addWidget(Box(results, "CheckBox14", "Напряжения узлов, кВ"), 0, 0, 1, 2);
  resGrid->addWidget(NumberEdit(results, "Edit13", 32), 0, 2);
  resGrid->addWidget(Box(results, "CheckBox15", "Токи ветвей (узлов), А"), 1, 0, 1, 2);
  resGrid->addWidget(NumberEdit(results, "Edit14", 32), 1, 2);
  resGrid->addWidget(new QLabel("Умнож.:", results), 1, 3);
  resGrid->addWidget(NumberEdit(results, "Edit16", 64), 1, 4);
  resGrid->addWidget(Box(results, "CheckBox16", "Актив. перетоки, МВт(ч)"), 2, 0, 1, 2);
  resGrid->addWidget(Box(results, "CheckBox17", "Реактив. перетоки, МВАр(ч)"), 3, 0, 1, 2);
  resGrid->addWidget(NumberEdit(results, "Edit15", 32), 2, 2, 2, 1);
  resGrid->addWidget(new QLabel("Умнож.:", results), 2, 3, 2, 1);
  resGrid->addWidget(NumberEdit(results, "Edit17", 64), 2, 4, 2, 1);
  resGrid->addWidget(Box(results, "CheckBox18", "Расчет. перетоки (нагрузки)"), 4, 0, 1, 2);
  resGrid->addWidget(Box(results, "CheckBox32", "ЭЭРМ"), 4, 2, 1, 2);
  resGrid->addWidget(Box(results, "CheckBox20", "cos"), 4, 4);
  resGrid->addWidget(new QLabel("Перетоки", results), 5, 0);
  auto* flowKind = Named<QComboBox>("ComboBox2", results);
  flowKind->addItems({"мощность", "энергия", "емк. токи"});
  resGrid->addWidget(flowKind, 5, 1);
  resGrid->addWidget(Box(results, "CheckBox21", "-|>-", "Указатели направления перетоков"), 5, 2, 1, 2);
  resGrid->addWidget(Box(results, "CheckBox24", "-|>--x-", "Отображение перетока с одной стороны ветви"), 5, 4);
  layout->addWidget(results);

  layout->addWidget(Box(this, "CheckBox31", "Сохранение коммутаций, параметров линий и трансформаторов в базу РЭС"));
  layout->addWidget(
      Box(this, "CheckBox33", "Добавлять номера узлов ЭС к наименованиям узлов в скобках \"<\", \">\""));
  layout->addWidget(Box(this, "CheckBox19", "Добавлять примечания к наименованиям узлов"));
  layout->addWidget(Box(this, "CheckBox25", "Запись переключений в журнал"));
  layout->addWidget(Box(this, "CheckBox36", "Анимация перетоков P,Q"));

  auto* presetRow = new QHBoxLayout;
  presetRow->addWidget(new QLabel("Установки по умолчанию", this));
  auto* presets = Named<QComboBox>("ComboBox3", this);
  for (const char* p : kPresetNames) presets->addItem(QString::fromUtf8(p));
  presets->setCurrentIndex(-1);
  presetRow->addWidget(presets, 1);
  outer->addLayout(presetRow);
  outer->addLayout(ApplyCancelButtons(*this, [this] { accept(); }));

  for (int i = 1; i <= 12; ++i) ZeroUnlessNumber(findChild<QLineEdit*>(QString("Edit%1").arg(i)), false);
  for (const char* name : {"Edit13", "Edit14", "Edit15"}) ZeroUnlessNumber(findChild<QLineEdit*>(name), true);
  for (const char* name : {"Edit16", "Edit17"}) ZeroUnlessNumber(findChild<QLineEdit*>(name), false);

  connect(captions, &QComboBox::currentIndexChanged, this, [this] { ComboBox1Change(); });
  for (const char* name : {"CheckBox4", "CheckBox5", "CheckBox33", "CheckBox19", "CheckBox9"})
    connect(findChild<QCheckBox*>(name), &QCheckBox::toggled, this, [this] { ComboBox1Change(); });
  connect(findChild<QCheckBox*>("CheckBox13"), &QCheckBox::toggled, this, [this] { CheckBox13Click(); });
  connect(flowKind, &QComboBox::currentIndexChanged, this, [this] { ComboBox2Change(); });
  connect(presets, &QComboBox::currentIndexChanged, this, [this] { ComboBox3Change(); });
  connect(fontBtn, &QPushButton::clicked, this, [this] { Button1Click(); });
  // All of the settings where the screen has room: a window left to size itself would stop at two
  // thirds of the screen and scroll; one taller than the screen is fitted to it as it shows.
  resize(sizeHint());
}

void TSetGraphFrm::LoadSettings(const TSchemBoxState& box) {
  filling_ = true;
  font_ = QFont(QString::fromStdString(box.Font.Name));
  font_.setPointSize(std::max(1, box.Font.Size()));
  font_.setBold((box.Font.Style & diagram::fsBold) != 0);
  font_.setItalic((box.Font.Style & diagram::fsItalic) != 0);
  ShowFont();
  findChild<QComboBox*>("ComboBox1")->setCurrentIndex(box.FPaintNod);
  for (int i = 0; i < 12; ++i)
    findChild<QLineEdit*>(QString("Edit%1").arg(i + 1))->setText(GeneralText(SingleToDouble(box.*kMetrics[i].coef)));
  for (const TFlagBox& f : kFlagBoxes) findChild<QCheckBox*>(f.name)->setChecked(box.*f.flag);
  findChild<QCheckBox*>("CheckBox31")->setChecked(IniRec.FSave10);
  findChild<QCheckBox*>("CheckBox25")->setChecked(IniRec.FSaveCom);
  findChild<QLineEdit*>("Edit13")->setText(QString::number(box.UPrec));
  findChild<QLineEdit*>("Edit14")->setText(QString::number(box.IPrec));
  findChild<QLineEdit*>("Edit15")->setText(QString::number(box.SPrec));
  findChild<QLineEdit*>("Edit16")->setText(GeneralText(box.IMul));
  findChild<QLineEdit*>("Edit17")->setText(GeneralText(box.SMul));
  findChild<QComboBox*>("ComboBox2")->setCurrentIndex(box.FTypFlow);
  findChild<QComboBox*>("ComboBox3")->setCurrentIndex(-1);
  filling_ = false;
  rebuild_ = false;
}

void TSetGraphFrm::StoreSettings(TSchemBoxState& box) const {
  box.Font.Name = font_.family().toStdString();
  if (font_.pointSize() > 0) box.Font.SetSize(font_.pointSize());
  box.Font.Style = static_cast<std::uint8_t>((font_.bold() ? diagram::fsBold : 0) |
                                             (font_.italic() ? diagram::fsItalic : 0));
  // A list showing no entry (a stored value beyond it) keeps the value it could not show.
  const int captions = findChild<QComboBox*>("ComboBox1")->currentIndex();
  if (captions >= 0) box.FPaintNod = static_cast<std::uint8_t>(captions);
  for (int i = 0; i < 12; ++i) {
    // With a coefficient of 0 every layout would collapse to zero metrics: such a field keeps the
    // coefficient the control had.
    double v = 0;
    try {
      v = StrToFloatZ(findChild<QLineEdit*>(QString("Edit%1").arg(i + 1))->text().toStdString());
    } catch (const ConvertError&) {
    }
    if (v > 0 && v <= 1e6) box.*kMetrics[i].coef = static_cast<float>(v);
  }
  for (const TFlagBox& f : kFlagBoxes) box.*f.flag = findChild<QCheckBox*>(f.name)->isChecked();
  IniRec.FSave10 = findChild<QCheckBox*>("CheckBox31")->isChecked();
  IniRec.FSaveCom = findChild<QCheckBox*>("CheckBox25")->isChecked();
  auto number = [this](const char* name, auto read) {
    try {
      return read(findChild<QLineEdit*>(name)->text().toStdString());
    } catch (const ConvertError&) {
      return decltype(read(std::string()))(0);
    }
  };
  box.UPrec = number("Edit13", [](const std::string& t) { return StrToIntZ(t); });
  box.IPrec = number("Edit14", [](const std::string& t) { return StrToIntZ(t); });
  box.SPrec = number("Edit15", [](const std::string& t) { return StrToIntZ(t); });
  box.IMul = number("Edit16", [](const std::string& t) { return StrToFloatZ(t); });
  box.SMul = number("Edit17", [](const std::string& t) { return StrToFloatZ(t); });
  const int flowKind = findChild<QComboBox*>("ComboBox2")->currentIndex();
  if (flowKind >= 0) box.FTypFlow = static_cast<std::uint8_t>(flowKind);
  if (box.FTypFlow == 1) box.FlagI = box.FlagU = false;
}

void TSetGraphFrm::CheckBox13Click() { rebuild_ = findChild<QCheckBox*>("CheckBox5")->isChecked(); }

void TSetGraphFrm::ComboBox2Change() {
  if (filling_) return;
  const int kind = findChild<QComboBox*>("ComboBox2")->currentIndex();
  if (kind < 0) return;
  // U, I, P, Q shown for each kind of flow.
  static const bool shown[3][4] = {{true, false, true, true}, {false, false, true, true}, {true, true, false, false}};
  const char* boxes[] = {"CheckBox14", "CheckBox15", "CheckBox16", "CheckBox17"};
  for (int i = 0; i < 4; ++i) findChild<QCheckBox*>(boxes[i])->setChecked(shown[kind][i]);
}

void TSetGraphFrm::ComboBox3Change() {
  const int p = findChild<QComboBox*>("ComboBox3")->currentIndex();
  if (filling_ || p < 0) return;
  findChild<QComboBox*>("ComboBox1")->setCurrentIndex(kPresetCaption[p]);
  findChild<QLineEdit*>("Edit2")->setText("1");
  for (const TPresetBox& b : kPresetBoxes) {
    const char state = b.states[p];
    if (state != ' ') findChild<QCheckBox*>(b.name)->setChecked(state == '+');
  }
  findChild<QLineEdit*>("Edit13")->setText(QString::number(kPresetDecimals[p][0]));
  findChild<QLineEdit*>("Edit14")->setText(QString::number(kPresetDecimals[p][1]));
  findChild<QLineEdit*>("Edit15")->setText(QString::number(kPresetDecimals[p][2]));
  findChild<QLineEdit*>("Edit16")->setText(GeneralText(kPresetMultipliers[p][0]));
  findChild<QLineEdit*>("Edit17")->setText(GeneralText(kPresetMultipliers[p][1]));
  if (p == 1) findChild<QLineEdit*>("Edit11")->setText(GeneralText(0.65));
  rebuild_ = true;
}

void TSetGraphFrm::Button1Click() {
  if (ChooseFont(font_, this)) ShowFont();
}

void TSetGraphFrm::ShowFont() { findChild<QLabel*>("Label16")->setText(FontCaption(font_)); }

bool ExecuteGraphSettingsDialog(TSchemBoxState& Box, bool& RebuildNeeded) {
  TSetGraphFrm form;
  form.LoadSettings(Box);
  if (ExecModal(form) != QDialog::Accepted) return false;
  form.StoreSettings(Box);
  WriteConfig();
  RebuildNeeded = form.RebuildMark();
  return true;
}

}  // namespace ld::gui
