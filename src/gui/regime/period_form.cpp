#include "gui/regime/period_form.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <cmath>
#include <string>

#include "core/base/dates.h"
#include "core/base/msgbox.h"
#include "core/base/settings.h"
#include "gui/common/date_field.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/modal.h"

namespace ld::gui {

namespace {

// The slice intervals offered, as shown and in seconds.
struct Interval {
  const char* caption;
  int seconds;
};
constexpr Interval kIntervals[] = {{"1 сек", 1},    {"2 сек", 2},     {"3 сек", 3},     {"4 сек", 4},
                                   {"5 сек", 5},    {"10 сек", 10},   {"15 сек", 15},   {"20 сек", 20},
                                   {"30 сек", 30},  {"1 мин", 60},    {"2 мин", 120},   {"3 мин", 180},
                                   {"4 мин", 240},  {"5 мин", 300},   {"10 мин", 600},  {"15 мин", 900},
                                   {"20 мин", 1200}, {"30 мин", 1800}, {"1 час", 3600}, {"сутки", 86400}};

constexpr int kSecondsPerDay = 86400;

QTime ToTime(TDateTime v) {
  const int seconds = static_cast<int>(std::lround((v - std::floor(v)) * kSecondsPerDay)) % kSecondsPerDay;
  return QTime(0, 0).addSecs(seconds);
}

TDateField* DateEdit(const char* name, QWidget* parent) {
  auto* edit = new TDateField(name, parent);
  edit->setMinimumDate(DateOfMoment(0));
  return edit;
}

}  // namespace

TWPeriodFrm::TWPeriodFrm(QWidget* parent) : QDialog(parent) {
  setObjectName("WPeriodFrm");
  setWindowTitle("Установка расчетного периода");

  date1_ = DateEdit("Date1", this);
  date2_ = DateEdit("Date2", this);
  auto* dates = new QHBoxLayout;
  dates->addWidget(date1_);
  dates->addWidget(new QLabel("-", this));
  dates->addWidget(date2_);

  auto* kinds = new QGroupBox(this);
  auto* kindLayout = new QVBoxLayout(kinds);
  const std::pair<const char*, const char*> buttons[] = {{"SredBtn", "Средняя загрузка"},
                                                         {"PminBtn", "Минимальная загрузка"},
                                                         {"PmaxBtn", "Максимальная загрузка"},
                                                         {"GrafBtn", "Граф. нагрузок"}};
  for (int i = 0; i < 4; ++i) {
    kinds_[i] = new QRadioButton(buttons[i].second, kinds);
    kinds_[i]->setObjectName(buttons[i].first);
    kindLayout->addWidget(kinds_[i]);
    connect(kinds_[i], &QRadioButton::toggled, this, &TWPeriodFrm::GrafBtnClick);
  }

  calcDate_ = DateEdit("CalcDate", this);
  calcTime_ = new QTimeEdit(this);
  calcTime_->setObjectName("CalcTime");
  calcTime_->setDisplayFormat("HH:mm:ss");
  period_ = new QComboBox(this);
  period_->setObjectName("Period");
  for (const Interval& i : kIntervals) period_->addItem(i.caption);
  auto* periodLabel = new QLabel("Интервал временных срезов", this);
  periodLabel->setObjectName("PeriodLabel");
  periodLabel->setBuddy(period_);
  auto* slice = new QGridLayout;
  slice->addWidget(periodLabel, 0, 2);
  slice->addWidget(calcDate_, 1, 0);
  slice->addWidget(calcTime_, 1, 1);
  slice->addWidget(period_, 1, 2);

  auto* actions = ApplyCancelButtons(*this, [this] { OKBtnClick(); });

  auto* root = new QVBoxLayout(this);
  root->addLayout(dates);
  root->addWidget(kinds);
  root->addLayout(slice);
  root->addLayout(actions);

}

void TWPeriodFrm::Load() {
  const TIniRec& ini = IniRec;
  date1_->setDate(DateOfMoment(ini.Date1));
  date2_->setDate(DateOfMoment(ini.Date2));
  calcDate_->setDate(DateOfMoment(ini.CalcDate));
  calcTime_->setTime(ToTime(ini.CalcDate));
  kinds_[ini.TypCalcPQ <= 3 ? ini.TypCalcPQ : 0]->setChecked(true);
  period_->setCurrentIndex(-1);
  for (int i = 0; i < static_cast<int>(std::size(kIntervals)); ++i) {
    if (kIntervals[i].seconds == ini.Tgr) period_->setCurrentIndex(i);
  }
  GrafBtnClick();
}

int TWPeriodFrm::CheckedIndex() const {
  for (int i = 0; i < 4; ++i) {
    if (kinds_[i]->isChecked()) return i;
  }
  return 0;
}

double TWPeriodFrm::Moment() const {
  return MomentOfDate(calcDate_->date()) + calcTime_->time().msecsSinceStartOfDay() / 1000 / double(kSecondsPerDay);
}

void TWPeriodFrm::GrafBtnClick() {
  const bool graphs = kinds_[3]->isChecked();
  calcDate_->setEnabled(graphs);
  calcTime_->setEnabled(graphs);
  period_->setEnabled(graphs);
}

std::string TWPeriodFrm::Check() const {
  const TDateTime d1 = MomentOfDate(date1_->date()), d2 = MomentOfDate(date2_->date());
  if (std::string reversed = ReversedPeriodFault(date1_->date(), date2_->date()); !reversed.empty()) return reversed;
  if (!kinds_[3]->isChecked()) return {};
  const int index = period_->currentIndex();
  if (index < 0) return "Не задан интервал временных срезов графиков";
  const int interval = kIntervals[index].seconds;
  // Whole seconds, so that a moment exactly at a bound compares as equal.
  const long long t = static_cast<long long>(MomentOfDate(calcDate_->date())) * kSecondsPerDay +
                      calcTime_->time().msecsSinceStartOfDay() / 1000;
  const long long first = static_cast<long long>(d1) * kSecondsPerDay + interval;
  const long long last = (static_cast<long long>(d2) + 1) * kSecondsPerDay;
  if (t < first || t > last) return "Дата среза по графикам нагрузок не входит в заданный период";
  const int s = calcTime_->time().msecsSinceStartOfDay() / 1000;
  if (s != 0 && std::max(s, interval) % std::min(s, interval) != 0) {
    return "Заданное время расчета не кратно заданному интервалу";
  }
  return {};
}

void TWPeriodFrm::OKBtnClick() {
  const std::string error = Check();
  if (!error.empty()) {
    ShowMsgForm(error, mkError, mbOk);
    return;
  }
  accept();
}

void TWPeriodFrm::Store() const {
  TIniRec& ini = IniRec;
  ini.Date1 = MomentOfDate(date1_->date());
  ini.Date2 = MomentOfDate(date2_->date());
  ini.TypCalcPQ = static_cast<std::uint8_t>(CheckedIndex());
  ini.CalcDate = Moment();
  if (period_->currentIndex() >= 0) ini.Tgr = kIntervals[period_->currentIndex()].seconds;
}

bool ExecuteCalcPeriodDialog() {
  TWPeriodFrm form;
  form.Load();
  if (ExecModal(form) != QDialog::Accepted || !form.Check().empty()) return false;
  form.Store();
  WriteConfig();
  return true;
}

}  // namespace ld::gui
