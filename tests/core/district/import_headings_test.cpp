// The heading rule run through every sheet reader of the program's list: each column takes the headings
// that name its own quantity in the unit and scale its command stores, and a sheet under a heading of
// anything else is refused, naming the cell and what the heading says, before its reader changes anything.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <tuple>
#include <string>
#include <utility>
#include <vector>

#include "core/base/column_headings.h"
#include "core/base/import_number.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/district/import_net_workbooks.h"
#include "core/district/measure_sheet.h"
#include "core/district/sheet_imports.h"
#include "core/office/sheet_reader.h"
#include "core/office/workbook.h"
#include "core/office/xlsx_file.h"
#include "core/regime/measurements.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "core/tables/table_ops.h"
#include "fake_sheet.h"
#include "measured_tables.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

// A sheet of the reader's kind with `heading` over `column` and the first word of each other column's list
// over it, in the row of the reader's headings (the first where it has none), and a row of values below.
FakeSheet HeadedSheet(const TSheetImport& reader, const TSheetColumn& column, const std::string& heading,
                      double setting) {
  const int headingRow = std::max(reader.HeadingRow, 1);
  FakeSheet s;
  for (const TSheetColumn& other : reader.Columns) {
    const std::vector<const char*> otherWords = other.HeadingsOf ? other.HeadingsOf(setting).Words : other.Headings;
    const std::string otherHeading = otherWords.empty() ? "Имя" : otherWords.front();
    s.Row(headingRow, {{other.Col, other.Col == column.Col ? heading : otherHeading}});
    s.Row(headingRow + 1,
          {{other.Col, std::string(other.Title) == "вид энергии" ? "АЕ спож."
                       : other.Kind == TSheetColumnKind::Name || other.Kind == TSheetColumnKind::StationPath ? "ТП-42"
                                                                                                           : "400"}});
  }
  return s;
}

struct THeadings {
  std::vector<std::string> taken, refused;
  // the column's own unit in another scale, and the power of ten its values are brought to it by
  std::vector<std::pair<std::string, int>> scaled = {};
};
struct THeadingLists {
  std::vector<std::string> noColumns;
  std::map<std::string, THeadings> headings;
  std::map<std::string, std::pair<std::vector<std::string>, std::vector<std::string>>> directions;
};

// The headings people write over each column of the program's readers, by the column's title.
THeadingLists MakeHeadingLists() {
  // what no column of any reader takes: what is no measured value, and the quantities none of them
  // stores; a year's figure is no month's, whatever the word's ending ("Годовое"), and an hour of a load
  // curve ("00:00") is a period, a phase's letter no unit ("Напр. фазы A, В" a voltage)
  const std::vector<std::string> noColumns = {"Январь", "Июнь", "3 квартал", "Год", "Год ввода", "Кол-во абонентов",
                                              "Количество, шт", "Длина ВЛ, м", "Протяженность, км", "Загрузка, %",
                                              "cos φ", "Инв. №", "Код", "Дата замера", "U, кВ", "Годовое потребление, кВт*ч",
                                              "Код абонента", "00:00", "23:00", "Напр. фазы A, В", "Нагрузка за 1 кв.",
                                              // a reading at a moment, a price, a plan, generation or own needs
                                              "Показания A+ на 01.11.2026, кВт·ч", "A+ нач., кВт·ч", "Показание тек.",
                                              "Показания по счетчику, кВт·ч", "Расход по показаниям тек., кВт·ч",
                                              "Тариф день, руб./кВт·ч", "Ставка за мощность, руб./кВт",
                                              "План потребления, кВт·ч", "Плановая нагрузка, кВт", "Лимит, кВт·ч",
                                              "Прогноз, кВт*ч", "Выработка A-, кВт·ч", "Генерация, кВт·ч",
                                              "Собств. нужды A+, кВт·ч", "Отпуск с шин, кВт·ч",
                                              // a word the rule does not know, beside the column's unit
                                              "Небаланс, кВт*ч", "Сверх нормы, кВт", "Резерв мощности, кВА",
                                              "A+ кон., кВт·ч", "Показание тек./пред.", "План A+", "Тариф, руб./кВт·ч"};
  // by the column's title and the setting that chooses its unit; the grid's export of the inputs writes
  // "Ком.", "Q обр., по виду" and "Гр. P" over the feeder measurements' columns
  const THeadings loadInKw = {
      {"P, кВт", "Нагрузка", "Мощность, кВт", "Замер", "Т1", "Pmax", "кВт", "Нагрузка, кВт (зимний максимум)",
       "Нагрузка в час максимума, кВт", "Нагрузка в режимный день, кВт", "Нагрузка ТП, кВт", "Зимний замер, кВт",
       "Нагрузка, кВт (по данным АИИС КУЭ)"},
      {"Sном", "кВА", "Q, квар", "U, кВ", "Уст. мощ.", "Номинальная", "S", "Pном", "Замер, кВ", "Напряжение",
       // another unit than the command stores: a current, an energy, an apparent power; a month or a day
       "Ток, А", "I, А", "W, кВт*ч", "P, кВт⋅ч", "Нагрузка, кВА", "Потребление за ноябрь, кВт*ч", "Декабрь",
       "15.12.2026", "МВт*ч", "Мощность, МВА", "кА"},
      {{"Нагрузка, МВт", 3}, {"P, тыс. кВт", 3}, {"Нагрузка, Вт", -3}, {"P, MW", 3}, {"P, т. кВт", 3}}};
  const std::map<std::string, THeadings> headings = {
      {"номинальная мощность",
       {{"кВА", "кВ*А", "кВ·А", "kVA", "КВА", "Sном", "Sн", "S", "Sном, кВА", "Уст. мощ.", "Мощность", "Мощн.",
         "Номинальная мощность, кВА", "Установленная мощность", "Т1", "Тр-р", "Sном, кВ⋅А", "S, кВ×А", "Мощность, кВА",
         "Номинальная\nмощность", "Мощность ТП, кВА", "Sт.н., кВА"},
        // units and symbols of other quantities, and the words of the load beside it
        {"Адрес", "Нагрузка, кВт", "W", "Фамилия, имя, отчество", "P, кВт", "Мощность, кВт", "Активная мощность, кВт",
         "Нагрузка, кВА", "S нагр.", "Мощность нагрузки", "Трасса", "U, кВ", "Uном, кВ", "кВ", "Ток, А", "I", "Q, квар",
         // another quantity's unit or symbol beside a word of the column or beside its own quantity, and a word
         // longer than "Тр-р" that begins as it does
         "Т1, А", "Т1, I", "Мощность, квар", "Активная мощность", "Т1, кВт-час", "Трасс.", "Uном, кВ / Sном, кВА",
         "Нагрузка, МВт", "МВт*ч", "кА"},
        {{"Sном, ВА", -3}, {"Мощность, МВА", 3}, {"S, MVA", 3}}}},
      // the transformers' load in kW, beside the transformer's own column
      {"нагрузка",
       {{"P, кВт", "Нагрузка", "Мощность, кВт", "Замер", "Pmax", "кВт", "Нагрузка,\nкВт",
         "Нагрузка в час максимума 16.12.2026, кВт", "Мощность фазы A, кВт"},
        {"Sном", "кВА", "Q, квар", "Ток, А", "I, А", "W, кВт*ч", "Нагрузка, кВА", "Ic, А", "Год выпуска", "Декабрь",
         "Мощность, МВА", "МВт*ч", "кА", "Нагрузка фазы C, А", "Нагрузка фазы A, А", "Нагрузка фаз A, B, C, А"},
        {{"Нагрузка, МВт", 3}, {"P, тыс. кВт", 3}}}},
      {"нагрузка (тип замера 2 - кВт)", loadInKw},
      {"нагрузка (тип замера 3 - А)",
       {{"Ток, А", "I, А", "Нагрузка", "Замер", "Ток", "Imax", "А", "Т1", "Ток фазы A, А", "Ток фазы L, А",
         "Нагрузка фазы C, А", "Ток фаз A, B, C"},
        {"P, кВт", "Мощность, кВт", "W, кВт*ч", "Нагрузка, кВА", "Загрузка, %", "U, кВ", "A+", "Нагрузка, МВт", "МВт*ч",
         "Мощность, МВА"},
        {{"Ток, кА", 3}, {"кА", 3}}}},
      {"нагрузка (тип замера 5 - кВт*ч)",
       {{"W, кВт*ч", "P, кВт⋅ч", "Потребление за ноябрь, кВт*ч", "Расход", "Энергия, кВт-ч", "Нагрузка", "кВт.ч",
         "A+, кВт·ч", "Потребление за ноябрь 2026 года, кВт*ч", "Потребление за 4 кв., кВт*ч"},
        {"P, кВт", "Мощность, кВт", "Ток, А", "Wq, квар*ч", "Нагрузка, кВА", "Ноябрь", "Годовое потребление, кВт*ч",
         "Нагрузка, МВт", "Мощность, МВА", "кА"},
        {{"МВт*ч", 3}, {"W, тыс. кВт*ч", 3}, {"тыс.кВт.ч", 3}}}},
      {"активное значение",
       {{"P1", "P2", "Р1", "p", "P, кВт", "W", "Wp, кВт*ч", "кВт.ч", "Активная энергия", "Акт.", "P сум.", "Рср",
         "Pmax", "Рмакс", "P, кВт⋅ч", "Wакт", "кВт-ч", "P, по виду", "P обр., по виду", "A+", "A-", "Эа", "Мощность, кВт",
         "Pmin, кВт", "P1, кВт (вечерний максимум)"},
        {"Q1", "Ком.", "Q обр., по виду", "Гр. Q обр.", "квар", "Адрес", "Уст. мощ.", "Реактивная энергия", "Реакт.",
         "Расход", "Wq, кВАр*ч", "Pq", "Wреакт", "I, А", "S, кВА", "Активный ток", "R+", "Эр", "Мощность, МВА", "кА"},
        {{"P, МВт", 3}, {"МВт*ч", 3}, {"Нагрузка, МВт", 3}, {"тыс. кВт·ч", 3}}}},
      {"реактивное значение",
       {{"Q1", "Q2", "q", "Q, квар", "кВАр*ч", "Wq", "Реактивная энергия", "Реакт.", "Wреакт", "Wq, кВАр⋅ч", "R+", "R-",
         "Эр", "Wр, квар·ч", "Реакт. мощность, квар", "Qmin, квар"},
        {"P1", "Гр. P", "W", "кВт", "Активная", "Адрес", "Ком.", "Wакт", "P, кВт⋅ч", "кВА", "A+", "Эа", "Wр, кВт·ч",
         "Нагрузка, МВт", "МВт*ч", "Мощность, МВА", "кА"},
        {{"Q, Мвар", 3}}}},
      // the technical base's energies: numbered W1 to W4 in the columns' order, or named by their quantity
      {"активная энергия",
       {{"W", "P", "Wp", "кВт*ч", "Активная энергия", "Акт.", "P, кВт⋅ч", "Эа", "Энергия\nактивная",
         "за 2026 год, кВт*ч", "за ноябрь 2026 г., кВт*ч", "за 4 кв., кВт*ч",
         "Кол-во кВт*ч", "Акт. за IV кв. 2026, кВт*ч", "Wp, кВт*ч", "W, kWh", "Э акт., кВт·ч"},
        {"W2", "W4", "Q", "Wq, квар*ч", "Реактивная энергия", "P, кВт", "Ia, А", "Ic, А", "Код", "№ счетчика",
         "Кол-во ТП", "Кол-во опор", "R+", "Эр", "Wр, квар·ч", "Wр", "Нагрузка, МВт", "Мощность, МВА", "кА"},
        {{"тыс. кВт·ч", 3}, {"тыс.кВт.ч", 3}, {"МВт*ч", 3}, {"Эа, МВт·ч", 3}, {"тысяч кВт·ч", 3}, {"W, т. кВт*ч", 3},
         {"кВт·ч×1000", 3}, {"W, кВт*ч x 1000", 3}, {"кВт*ч x1000", 3}, {"10³ кВт·ч", 3}, {"W, MWh", 3}}}},
      {"реактивная энергия",
       {{"Q", "Wq", "квар*ч", "Q, кВАр*ч", "Реактивная энергия", "Реакт.", "Эр", "Wр, квар·ч", "Wр",
         "Wp, квар*ч", "Wr, квар*ч", "Q, kvarh", "Реакт. эн., кВАр·ч", "Wr", "Реакт. за III–IV кв. 2026, квар*ч",
         "Реакт. за I–II кв. 2026, квар*ч", "Реакт. за II-III кв. 2026, квар*ч"},
        {"W1", "W3", "P", "W", "кВт*ч", "Активная энергия", "Q, квар", "Ib, А", "Январь", "A+, кВт·ч", "A-", "Эа",
         "Нагрузка, МВт", "МВт*ч", "Мощность, МВА", "кА"},
        {{"тыс. квар·ч", 3}, {"Мвар*ч", 3}}}},
      {"номер строки",
       {{"№", "№ п/п", "N", "п/п", "Номер"}, {"Абонент", "1", "Договор", "Тип счетчика", "Номинальная мощность, кВА"}}},
      {"договор",
       {{"Договор", "№ договора", "Номер договора", "Дог."}, {"Абонент", "Точка учета", "ФИО", "Счетчик", "Показания до"}}},
      {"ТП.Тр.Фидер",
       {{"ТП", "ТП.Тр.Фидер", "Подстанция", "Номер ТП", "Питающая ТП", "РП"},
        // "РП" names a station: the column's words name no power
        {"Тип счетчика", "МЕРКУРИЙ 230", "Адрес", "№ счетчика", "Трасса", "Тр-р", "P, кВт", "Мощность, кВт"}}},
      {"энергия",
       {{"W", "W, кВт*ч", "Энергия", "Расход", "Wq, квар*ч", "Расход, кВт⋅ч", "A+", "A-", "R+", "Эа", "Эр",
         "Wр, квар·ч", "Расход эл. энергии за месяц, кВт·ч", "Расход по показаниям, кВт*ч"},
        {"Показание тек.", "Ктт", "Sном, кВА", "U, кВ", "Ток, А", "Питающая РП", "Расчет", "Потери, кВт*ч", "Доля", "dW",
         "ΔW", "Wпот", "Красч", "Нагрузка, МВт", "Мощность, МВА", "кА"},
        {{"W, МВт*ч", 3}, {"W, тыс. кВт·ч", 3}, {"W, MWh", 3}}}},
      // a metering point's power, its meter's factor and the losses' part of its energy
      {"мощность",
       {{"P", "P, кВт", "Мощность, кВт", "Разрешенная мощность", "Руст, кВт", "Pmax", "Мощн.", "Pразр", "Рразр",
         "Pразр.", "P max", "Pном, кВт", "Разрешенная\nмощность, кВт", "Заявленная мощность, кВт",
         "Присоединенная мощность, кВт"},
        {"W, кВт*ч", "Мощность, кВА", "Sном", "Ток, А", "Ксч", "Энергия", "Потери", "Часы", "Тип", "Кр", "dW",
         "МВт*ч", "Мощность, МВА", "кА"},
        {{"Pразр, МВт", 3}, {"Нагрузка, МВт", 3}, {"P, MW", 3}}}},
      // a households book's count of subscribers and their energy, under a row of headings where a station
      // would stand
      {"число абонентов",
       {{"Абонентов", "Кол-во абонентов", "Количество абонентов", "Число абонентов", "Абоненты, чел.",
         "Число лицевых счетов", "Кол-во л/с", "Кол-во потребителей", "Кол-во\nабонентов", "Число ЛС", "Кол-во л/сч"},
        {"Кол-во ТП", "Количество, шт", "W, кВт*ч", "Потребление", "Год", "Январь", "Длина ВЛ, м", "Фидер",
         "Нагрузка, МВт", "МВт*ч", "Мощность, МВА", "кА"}}},
      {"потребление",
       {{"W", "W, кВт*ч", "Потребление", "Потребление абонентов, кВт*ч", "Расход, кВт⋅ч", "Энергия",
         "Потребление за ноябрь, кВт*ч", "Потребление за ноябрь 2026 года, кВт*ч", "Потребление за 2026 год, кВт*ч",
         "Потребление за ноябрь 2026 г., кВт*ч", "Потребление за 4 кв., кВт*ч", "Кол-во кВт*ч", "Потребление,\nкВт*ч",
         "Электропотребление, кВт·ч", "Начислено, кВт·ч", "Потребление, кВт·ч (по показаниям)"},
        {"Кол-во абонентов", "Абоненты", "Wq, квар*ч", "P, кВт", "Ток, А", "Ноябрь", "Год ввода", "Фидер",
         "Число лицевых счетов", "Нагрузка, МВт", "Мощность, МВА", "кА"},
        {{"W, МВт*ч", 3}, {"Потребление, тыс. кВт·ч", 3}, {"тыс.кВт.ч", 3}, {"Потребление, MWh", 3},
         {"Потребление, тысяч кВт*ч", 3}}}},
      {"коэффициент счетчика",
       {{"Ксч", "Ктт", "Ктн", "Коэффициент", "Коэф.", "Расч. коэф.", "Коэффициент счетчика", "Красч", "К расч.",
         "Красч.", "Кр", "Кт", "Ктр", "Коэффициент трансформации", "Коэф. тр-ции"},
        {"Тип", "Счетчик", "cos φ", "tg φ", "P, кВт", "W", "Мощность", "Коэффициент мощности", "Ток, А", "Вид", "Часы",
         "Кол-во", "Код", "Нагрузка, МВт", "МВт*ч", "Мощность, МВА", "кА"}}},
      // the regime's measurement book: a node's load or a line's flow in MW, and its tangent
      {"замер",
       {{"P, МВт", "Нагрузка, МВт", "Замер", "Мощность", "Переток, МВт", "МВт", "Pmax"},
        {"Ток, А", "Ia, А", "W, кВт*ч", "Потребление за ноябрь, кВт*ч", "Q, Мвар", "S, МВА", "Год выпуска",
         "Кол-во абонентов", "Январь", "tg φ", "Тангенс", "МВт*ч", "Мощность, МВА", "кА"},
        {{"P, кВт", -3}, {"Нагрузка, кВт", -3}, {"P, kW", -3}}}},
      {"тангенс",
       {{"tg", "tg φ", "tgφ", "Тангенс", "tg ф"},
        {"cos φ", "P, МВт", "Замер", "Ток, А", "Год", "Январь", "Загрузка, %", "Q, Мвар", "Нагрузка, МВт", "МВт*ч",
         "Мощность, МВА", "кА"}}},
      {"потери трансформатора или линии",
       {{"Доля", "Потери", "Потери, кВт*ч", "Wт", "Wл", "Потери в линии", "Доля Тр", "квар*ч", "dW", "ΔW", "Wпот",
         "dW, кВт*ч", "Потери в тр-ре, кВт·ч", "Потери ВЛ, кВт·ч", "dW тр-ра, кВт*ч", "dW линии, кВт*ч"},
        {"Энергия", "Расход", "Потери, %", "Мощность, кВт", "Ктт", "Вид", "Sном, кВА", "Нагрузка, МВт", "Мощность, МВА",
         "кА"},
        {{"Потери, МВт*ч", 3}, {"dW, тыс. кВт*ч", 3}}}},
  };
  // an energy of one direction (the technical base's A+ and R+ the input takes, A- and R- it gives back):
  // taken by the column of that direction, refused by the other naming the word, each by the quantity
  // its column holds
  const std::map<std::string, std::pair<std::vector<std::string>, std::vector<std::string>>> directions = {
      {"активная энергия",
       {{"A+", "A+, кВт·ч", "Эа+", "Активная энергия (прием)", "Потребление за ноябрь 2026 года, кВт*ч", "A+, МВт·ч"},
        {"A-", "A-, кВт·ч", "Эа-", "Активная энергия (отдача)", "P обр.", "Выработка A-, кВт·ч"}}},
      {"реактивная энергия",
       {{"R+", "R+, квар·ч", "Эр+", "Реактивная энергия (прием)"}, {"R-", "Эр-", "Реактивная энергия (отдача)", "Q обр."}}}};
  return {noColumns, headings, directions};
}

const THeadingLists& HeadingLists() {
  static const THeadingLists lists = MakeHeadingLists();
  return lists;
}

// A column of a sheet reader under a setting that chooses its unit (a column whose unit no setting
// chooses, once): the words it takes there, its title with that setting, and the title of its list (the
// second and third transformers of a station side by side take the first one's headings under their own
// designations).
struct TJudgedColumn {
  const TSheetImport* reader;
  const TSheetColumn* column;
  double setting;
  TSheetHeadings words;
  std::string title, key, designation;
};

std::vector<TJudgedColumn> JudgedColumns() {
  std::vector<TJudgedColumn> judged;
  for (const TSheetImport& reader : SheetImports())
    for (const TSheetColumn& column : reader.Columns)
      for (const double setting : {2.0, 3.0, 5.0}) {
        TSheetHeadings words = column.HeadingsOf ? column.HeadingsOf(setting) : TSheetHeadings{column.Headings, {}};
        if (words.Words.empty() || (!column.HeadingsOf && setting != 2)) continue;
        const std::string title = column.Title + (words.Setting.empty() ? "" : " (" + words.Setting + ")");
        std::string designation = "Т1", key = title;
        for (const char* other : {"Т2", "Т3"})
          if (const std::size_t at = key.find(std::string(" ") + other); at != std::string::npos)
            designation = other, key.erase(at, 1 + designation.size());
        judged.push_back({&reader, &column, setting, std::move(words), title, key, designation});
      }
  return judged;
}

// The tables a reader makes of the heading over the column and a row it takes with the value under it:
// names the base holds, a title above an industrial book's headings, a households feeder below its station.
std::string ReadRowUnder(const TJudgedColumn& judged, const std::string& heading, const std::string& value) {
  const TSheetImport& reader = *judged.reader;
  const TSheetColumn& column = *judged.column;
  FakeSheet s = HeadedSheet(reader, column, heading, judged.setting);
  int row = std::max(reader.HeadingRow, 1) + 1;
  if (reader.RowTaken) {
    for (const TSheetColumn& other : reader.Columns)
      s.Row(row + 1, {{other.Col, s.cells[{row, other.Col}]}}), s.Row(row, {{other.Col, ""}});
    s.Row(row++, {{1, "ТП-42"}}), s.Row(row, {{1, "1"}, {2, "Л8"}});
  }
  if (reader.HeadingRow > 1) s.Row(1, {{1, "База промышленных абонентов"}});
  for (const TSheetColumn& other : reader.Columns)
    if (other.Kind == TSheetColumnKind::Name && other.Col == reader.Columns.front().Col)
      s.Row(row, {{other.Col, reader.Layouts.front() == std::string(LayoutSubstInputs) ? "Ввод 1" : "ТП-42"}});
  if (std::string(reader.Name) == kTransformerMeasureSheet) s.Row(row, {{4, "Т1"}});
  s.Row(row, {{column.Col, value}});
  std::vector<TDataFile> tables = MeasuredTables(reader);
  std::vector<std::string> messages;
  const TImportTaken taken = reader.Read(tables, s.Cells(), {&messages, judged.setting, {}, {}, nullptr});
  EXPECT_GT(taken.Items, 0) << reader.Name << ": " << heading << ": " << taken.FirstReason;
  return TablesText(tables);
}

// The figures of a scaled heading: as the column's own unit holds it, and as the sheet shows it.
const std::map<int, std::vector<std::pair<std::string, std::string>>>& ScaledFigures() {
  static const std::map<int, std::vector<std::pair<std::string, std::string>>> figures = {
      {3, {{"1100", "1.1"}, {"25201.5", "25.2015"}, {"1005", "1.005"}}}, {-3, {{"1100", "1100000"}}}};
  return figures;
}

// The columns of the readers and of the regime's measurement book in parts, each a test of its own, so that
// the test command's shards share them out; each column falls in one part.
constexpr int kHeadingParts = 8;
class ImportHeadingsOfColumns : public ::testing::TestWithParam<int> {};

// Every heading of the program's list over a column of its own, as people write it: taken by its meaning
// (the unit's signs, letter case, Latin look-alikes, abbreviations, what follows it), and a heading of
// another column, or of another quantity, unit, scale, period, count or year, refused saying what the
// heading says and what it must hold, before the reader changes anything of its tables. A reader whose
// headings may stand over any row is given them in its first row; a column whose unit the command's
// setting chooses (the load by the measurement type) is given each setting.
TEST_P(ImportHeadingsOfColumns, EveryHeadingOfTheListIsTakenByItsMeaning) {
  MaketFileName = (DataDir() / "maket.zr").string();
  const auto& [noColumns, headings, directions] = HeadingLists();
  int part = 0;
  for (const TJudgedColumn& judgedColumn : JudgedColumns()) {
    if (part++ % kHeadingParts != GetParam()) continue;
    const TSheetImport& reader = *judgedColumn.reader;
    const TSheetColumn& column = *judgedColumn.column;
    const double setting = judgedColumn.setting;
    const TSheetHeadings& words = judgedColumn.words;
    const std::string &title = judgedColumn.title, &key = judgedColumn.key, &designation = judgedColumn.designation;
    const auto lists = headings.find(key);
    ASSERT_NE(lists, headings.end()) << reader.Name << ": " << title;
    const auto designated = [&](std::vector<std::string> list) {
      for (std::string& heading : list)
        if (const std::size_t at = heading.find("Т1"); at != std::string::npos) heading.replace(at, 2, designation);
      return list;
    };
    const int headingRow = std::max(reader.HeadingRow, 1);
    const auto sheet = [&](const std::string& heading) { return HeadedSheet(reader, column, heading, setting); };
    // each word of the column's own list, and the headings people write
    std::vector<std::string> taken(words.Words.begin(), words.Words.end());
    const std::vector<std::string> listed = designated(lists->second.taken);
    taken.insert(taken.end(), listed.begin(), listed.end());
    for (const std::string& heading : taken)
      EXPECT_EQ(SheetKindFault(reader, sheet(heading).Cells(), setting), "") << reader.Name << ": " << heading;
    std::vector<std::string> refused = designated(lists->second.refused);
    if (column.Direction != 0) {
      const auto& [forward, backward] = directions.at(key);
      const std::vector<std::string>& own = column.Direction > 0 ? forward : backward;
      const std::vector<std::string>& other = column.Direction > 0 ? backward : forward;
      // (generation is no energy of the column either way)
      for (const std::string& heading : own) {
        if (heading.find("Выработка") != std::string::npos) continue;
        EXPECT_EQ(SheetKindFault(reader, sheet(heading).Cells(), setting), "") << reader.Name << ": " << heading;
      }
      for (const std::string& heading : other) {
        refused.push_back(heading);
        const std::string said = SheetKindFault(reader, sheet(heading).Cells(), setting);
        const bool generation = heading.find("Выработка") != std::string::npos;
        EXPECT_NE(said.find(generation ? "выработка или собственные нужды"
                            : column.Direction > 0 ? "- отдача (обратное направление), а столбец - прием"
                                                   : "- прием (прямое направление), а столбец - отдача"),
                  std::string::npos) << said;
      }
    }
    // (a count of subscribers is what a households book's column holds)
    for (const std::string& heading : noColumns)
      if (std::find(taken.begin(), taken.end(), heading) == taken.end()) refused.push_back(heading);
    for (const std::string& heading : refused) {
      // a row showing digits where the rated power stands is a transformer's to its reader, which names
      // the power that does not read
      if (column.Kind == TSheetColumnKind::Digits && heading.find_first_of("0123456789") != std::string::npos) continue;
      const FakeSheet s = sheet(heading);
      const std::string said = SheetKindFault(reader, s.Cells(), setting);
      EXPECT_NE(said.find("ячейка " + SheetCellName(headingRow, column.Col) + ": заголовок \"" + heading +
                          "\" - не заголовок столбца " + std::to_string(column.Col) + " (" + column.Title + "): "),
                std::string::npos) << title << ": " << heading << ": " << said;
      // what it must hold, under the setting that chose it
      EXPECT_NE(said.find(HeadingWordsText(words.Words) + (words.Setting.empty() ? "" : " (" + words.Setting + ")")),
                std::string::npos) << said;
      EXPECT_EQ(said.rfind("не подходит для команды \"" + std::string(reader.Command) + "\"", 0), 0u) << said;
      // the reader refuses the sheet before it resets or writes anything
      std::vector<TDataFile> tables = MeasuredTables(reader);
      const std::string before = TablesText(tables);
      std::vector<std::string> messages;
      EXPECT_THROW(reader.Read(tables, s.Cells(), {&messages, setting, {}, {}, nullptr}), TSheetKindError)
          << reader.Name << ": " << heading;
      EXPECT_EQ(TablesText(tables), before) << reader.Name << ": " << heading;
    }
    // the column's own unit in another scale: taken, each value brought to the column's unit as its
    // decimal digits shift, so that the tables are those of the same figure in the column's own unit
    const std::string plain = words.Words.front();
    for (const auto& [heading, exponent] : lists->second.scaled) {
      EXPECT_EQ(SheetKindFault(reader, sheet(heading).Cells(), setting), "") << reader.Name << ": " << heading;
      for (const auto& [own, shown] : ScaledFigures().at(exponent)) {
        EXPECT_EQ(ReadRowUnder(judgedColumn, heading, shown), ReadRowUnder(judgedColumn, plain, own))
            << reader.Name << ": " << heading << " " << shown;
      }
    }
  }
  // the regime's measurement book, whose format has no headings: a heading row above a node's load, taken
  // or refused before any load an earlier import gave is reset (node 2's, marked 'z')
  TempDir dir;
  for (const TMeasuredColumn& column : MeasuredColumns()) {
    if (part++ % kHeadingParts != GetParam()) continue;
    const auto lists = headings.find(column.Title);
    ASSERT_NE(lists, headings.end()) << column.Title;
    const auto import = [&](const std::string& heading, TDataFile& nodes, double value = 0.4) {
      Worksheet s("Замеры");
      for (const TMeasuredColumn& other : MeasuredColumns())
        s.SetText(1, other.Col, other.Col == column.Col ? heading : other.Words.front());
      s.SetText(1, 14, "ПС"), s.SetText(1, 16, "Узлы");
      s.SetNumber(2, 9, value), s.SetNumber(2, 13, 0.5), s.SetText(2, 14, "ПС1"), s.SetText(2, 16, "ТП-42");
      s.SetText(2, 17, "1");
      Workbook book;
      book.sheets.push_back(s);
      WriteXlsx(dir / "z.xlsx", book);
      ReadMaket(LayoutNodes, nodes);
      CreateColumns(nodes, 2);
      TNodeCols n;
      FillNodeCols(nodes, n);
      n.Name->SetItem(1, "ПС1.ТП-42"), n.Name->SetItem(2, "ПС1.ТП-7");
      (*n.Pn)[2] = 7, (*n.Sign)[2] = 'z';
      TDataFile branches, flows;
      ReadMaket(LayoutBranches, branches), ReadMaket(LayoutLineFlows, flows);
      CreateColumns(branches, 0), CreateColumns(flows, 0);
      TSheetReader sheet;
      sheet.Open(dir / "z.xlsx");
      return ImportMeasurements(sheet, nodes, branches, flows, {"", 0}, dir / "z.xlsx").Taken.Items;
    };
    const auto pn = [](TDataFile& nodes, int row) {
      TNodeCols n;
      FillNodeCols(nodes, n);
      return n.Pn->Get(row);
    };
    std::vector<std::string> taken(column.Words.begin(), column.Words.end());
    taken.insert(taken.end(), lists->second.taken.begin(), lists->second.taken.end());
    for (const std::string& heading : taken) {
      TDataFile nodes;
      EXPECT_EQ(import(heading, nodes), 1) << column.Title << ": " << heading;
      EXPECT_DOUBLE_EQ(pn(nodes, 1), 0.4) << heading;
    }
    // a load in kW is brought to MW exactly: 400 kW is the 0.4 MW of a book in MW
    for (const auto& [heading, exponent] : lists->second.scaled) {
      TDataFile nodes;
      EXPECT_EQ(import(heading, nodes, 0.4 * 1000), 1) << column.Title << ": " << heading;
      EXPECT_EQ(pn(nodes, 1), DecimalScaled(400, exponent)) << heading;
      EXPECT_EQ(exponent, -3) << heading;
    }
    std::vector<std::string> refused = lists->second.refused;
    for (const std::string& heading : noColumns)
      if (std::find(taken.begin(), taken.end(), heading) == taken.end()) refused.push_back(heading);
    for (const std::string& heading : refused) {
      TDataFile nodes;
      try {
        import(heading, nodes);
        ADD_FAILURE() << column.Title << ": " << heading;
      } catch (const Error& e) {
        const std::string said = e.what();
        EXPECT_NE(said.find("ячейка " + SheetCellName(1, column.Col) + ": заголовок \"" + heading +
                            "\" - не заголовок столбца " + std::to_string(column.Col) + " (" + column.Title + "): "),
                  std::string::npos) << said;
        EXPECT_NE(said.find(HeadingWordsText(column.Words)), std::string::npos) << said;
      }
      EXPECT_EQ(pn(nodes, 2), 7) << column.Title << ": " << heading;
      EXPECT_EQ(pn(nodes, 1), 0) << column.Title << ": " << heading;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryColumn, ImportHeadingsOfColumns, ::testing::Range(0, kHeadingParts));

// Every figure a reader writes into its tables is judged by its heading, each list of the headings is a
// column's, and every reader stores a scaled figure brought to its column's unit; a heading of another
// meaning is refused saying what it names.
TEST(ImportHeadings, EveryListJudgesAColumnAndEveryReaderBringsAScaledFigureToItsUnit) {
  MaketFileName = (DataDir() / "maket.zr").string();
  const std::map<std::string, THeadings>& headings = HeadingLists().headings;
  for (const TSheetImport& reader : SheetImports())
    for (const TSheetColumn& column : reader.Columns)
      if (column.Kind == TSheetColumnKind::Number) {
        const TSheetHeadings words = column.HeadingsOf ? column.HeadingsOf(2) : TSheetHeadings{column.Headings, {}};
        EXPECT_FALSE(words.Words.empty()) << reader.Name << ": столбец " << column.Col << " (" << column.Title << ")";
      }
  std::set<std::string> judged, scaledStored;
  for (const TMeasuredColumn& column : MeasuredColumns()) judged.insert(column.Title);
  for (const TJudgedColumn& column : JudgedColumns()) {
    judged.insert(column.title);
    const auto lists = headings.find(column.key);
    if (lists == headings.end() || scaledStored.count(column.reader->Name) != 0) continue;
    // (where the reader stores the figure, never unscaled)
    const auto stored = [&] {
      for (const auto& [heading, exponent] : lists->second.scaled)
        for (const auto& [own, shown] : ScaledFigures().at(exponent))
          if (ReadRowUnder(column, heading, shown) != ReadRowUnder(column, column.words.Words.front(), shown)) return true;
      return false;
    };
    if (stored()) scaledStored.insert(column.reader->Name);
  }

  // an hourly load curve keyed by input and feeder names, its hours typed as texts or kept as time values:
  // an hour is a period, and the technical base refuses the book naming the first hour's cell, before its
  // inputs' and feeders' energies are replaced by the loads of 0:00 to 3:00
  const TSheetImport& technical = FindSheetImport(kTechnicalSheet);
  for (const bool times : {false, true}) {
    const TSheetCells curve = [times](int row, int col) {
      if (col > 25) return TOutsideValue();
      const std::string hour = (col < 12 ? "0" : "") + std::to_string(col - 2) + ":00";
      if (row == 1)
        return col == 1 ? TOutsideValue::Text("Присоединение")
               : times  ? TOutsideValue::Date((col - 2) / 24.0, hour)
                        : TOutsideValue::Text(hour);
      if (row > 4) return TOutsideValue();
      if (col == 1) return TOutsideValue::Text(row == 2 ? "Ввод 1" : row == 3 ? "Ф-2" : "Л8");
      return TOutsideValue::Number(100 + row + col, std::to_string(100 + row + col));
    };
    const std::string said = SheetKindFault(technical, curve);
    // an hour is named as one whether the cell holds a time or a text
    EXPECT_NE(said.find("ячейка B1: заголовок \"00:00\" - не заголовок столбца 2 (активная энергия): "
                        "\"00:00\" - час суток (период)"),
              std::string::npos) << said;
    std::vector<TDataFile> tables = MeasuredTables(technical);
    const std::string before = TablesText(tables);
    std::vector<std::string> messages;
    EXPECT_THROW(technical.Read(tables, curve, {&messages, 0, {}, {}, nullptr}), TSheetKindError);
    EXPECT_EQ(TablesText(tables), before);
  }

  // every reader stores a scaled figure brought to its column's unit
  for (const TSheetImport& reader : SheetImports()) EXPECT_EQ(scaledStored.count(reader.Name), 1u) << reader.Name;
  // each list of the table is a column's: a column whose rule is gone leaves its list unjudged
  for (const auto& [title, lists] : headings) EXPECT_EQ(judged.count(title), 1u) << title;
  for (const char* title : {"номинальная мощность Т2", "нагрузка Т3 (тип замера 5 - кВт*ч)"}) EXPECT_EQ(judged.count(title), 1u) << title;

  // what a heading of another meaning is refused for: the unit, the scale or the meaning it names
  const TSheetImport& stations = FindSheetImport(kStationMeasureSheet);
  const auto loadFault = [&](const std::string& heading, double type) {
    FakeSheet s;
    s.Row(1, {{1, "ТП"}, {2, "Sном, кВА"}, {3, heading}});
    s.Row(2, {{1, "ТП-42"}, {2, "400"}, {3, "35"}});
    const std::string said = SheetKindFault(stations, s.Cells(), type);
    const std::string::size_type at = said.find("(нагрузка): ");
    return at == std::string::npos ? said : said.substr(at + std::string("(нагрузка): ").size());
  };
  const std::string kw = ", а заголовок столбца - \"нагрузка\", \"мощность\", \"замер\", \"P\", \"кВт\" или \"Т1\" (тип замера 2 - кВт)";
  EXPECT_EQ(loadFault("Нагрузка, кВА", 2), "\"кВА\" - полная мощность" + kw);
  EXPECT_EQ(loadFault("Потребление за ноябрь, кВт*ч", 2), "\"кВт*ч\" - не та единица: значения столбца - в \"кВт\"" + kw);
  EXPECT_EQ(loadFault("Потребление за ноябрь, кВт*ч", 5), "");
  EXPECT_EQ(loadFault("Загрузка, %", 2), "\"Загрузка\" - проценты" + kw);
  EXPECT_EQ(loadFault("Кол-во абонентов", 2), "\"Кол-во\" - количество" + kw);
  EXPECT_EQ(loadFault("Год", 2), "\"Год\" - год" + kw);
  EXPECT_EQ(loadFault("Длина ВЛ, м", 2), "\"Длина\" - длина" + kw);
  EXPECT_EQ(loadFault("Январь", 2), "\"Январь\" - период (месяц, квартал)" + kw);
  EXPECT_EQ(loadFault("Инв. №", 2), "\"Инв\" - инвентарный номер" + kw);
  EXPECT_EQ(loadFault("Ток, А", 3), "");
  // what a phase's letter, a meter's notation and a year's figure name
  const std::string amperes = ", а заголовок столбца - \"нагрузка\", \"ток\", \"замер\", \"I\", \"А\" или \"Т1\" (тип замера 3 - А)";
  EXPECT_EQ(loadFault("Напр. фазы A, В", 3), "\"Напр\" - напряжение" + amperes);
  EXPECT_EQ(loadFault("A+", 3), "\"A+\" - активная мощность или энергия" + amperes);
  EXPECT_EQ(loadFault("Wр", 3), "\"Wр\" - реактивная мощность или энергия" + amperes);
  EXPECT_EQ(loadFault("Wp", 3), "\"Wp\" - активная мощность или энергия" + amperes);
  // "W" with its number names the kind of energy its unit says (the technical book's "W2, квар*ч")
  EXPECT_EQ(loadFault("W2, квар*ч", 3), "\"W2\" - реактивная мощность или энергия" + amperes);
  EXPECT_EQ(loadFault("W1, кВт*ч", 3), "\"W1\" - активная мощность или энергия" + amperes);
  // a figure before "кВ" makes it a voltage's unit, no quarter ("за 4 кв.")
  EXPECT_EQ(loadFault("0,4 кВ", 2), "\"кВ\" - напряжение" + kw);
  EXPECT_EQ(loadFault("Годовое потребление, кВт*ч", 5),
            "\"Годовое\" - год, а заголовок столбца - \"нагрузка\", \"энергия\", \"расход\", \"потребление\", \"замер\", "
            "\"W\", \"кВт*ч\" или \"Т1\" (тип замера 5 - кВт*ч)");
  EXPECT_EQ(loadFault("Нагрузка, МВт", 2), "");
  EXPECT_EQ(loadFault("Нагрузка, МВт*ч", 2), "\"МВт*ч\" - не та единица: значения столбца - в \"кВт\"" + kw);
  // a scale moves the decimal digits, as the sheet shows them, not a binary product's
  EXPECT_EQ(DecimalScaled(1.1, 3), 1100);
  EXPECT_EQ(DecimalScaled(25.2015, 3), 25201.5);
  EXPECT_EQ(DecimalScaled(1100, -3), 1.1);
  EXPECT_EQ(DecimalScaled(0.0011, 6), 1100);
  // (where a binary product slips: 1.005 × 1000 is 1004.9999999999999, 25.2041 × 1000 25204.100000000002)
  EXPECT_EQ(DecimalScaled(1.005, 3), 1005);
  EXPECT_EQ(DecimalScaled(25.2041, 3), 25204.1);
  EXPECT_EQ(DecimalScaled(4100, -3), 4.1);
  EXPECT_EQ(DecimalScaled(-0.0049, 3), -4.9);
  EXPECT_EQ(DecimalScaled(1e306, 3), HUGE_VAL);
  EXPECT_EQ(loadFault("Ток, кА", 3), "");
}

// What a title, a units row or a note states for the columns under it, and a number standing alone as a
// heading: each read into the unit and scale it says and applied to a column exactly, or refused naming
// what disagrees; a figure with its unit ("110/10 кВ") states nothing.
TEST(ImportHeadings, WhatATitleAUnitsRowOrANoteStatesIsAppliedToTheColumnsUnderIt) {
  const std::vector<const char*> consumption = {"W", "энергия", "потребление", "расход", "кВт*ч", "потребление абонентов"};
  const std::vector<const char*> load = {"нагрузка", "мощность", "замер", "P", "кВт"};
  const std::vector<const char*> count = {"абоненты", "кол-во абонентов", "количество абонентов", "число абонентов"};
  const std::vector<const char*> technical = {"W1", "P", "W", "кВт*ч", "активная"};
  struct TCase {
    std::string text, heading;
    const std::vector<const char*>* words;
    std::string stated;  // each statement "<unit>|<scale>", joined by ";"
    int exponent;        // -99: refused
    int place = 0;       // where the text stands: 0 a title, 1 the units row's cell under the heading, 2 a note
    double setting = 2;  // the stations' measurement type
  };
  const std::vector<TCase> cases = {
      {"Технический учет за ноябрь 2026 г., тыс. кВт*ч", "Потребление", &consumption, "кВт*ч|3", 3},
      {"Единица измерения: тыс. кВт·ч", "W, кВт*ч", &consumption, "кВт·ч|3", -99},
      {"Ед. изм.: тыс. кВт·ч", "W, тыс. кВт*ч", &consumption, "кВт·ч|3", 3},
      {"* данные в тыс. кВт·ч", "Расход", &consumption, "кВт·ч|3", 3},
      {"Потребление, в тыс.", "Потребление, кВт*ч", &consumption, "|3", 3},
      {"Потребление, в тысячах", "Потребление, млн кВт*ч", &consumption, "|3", -99},
      {"кВт·ч×1000", "Потребление", &consumption, "кВт·ч|3", 3},
      {"кВт·ч x 1000", "Потребление", &consumption, "кВт·ч|3", 3},
      {"10³ кВт·ч", "Потребление", &consumption, "кВт·ч|3", 3},
      {"т.кВт·ч", "Потребление", &consumption, "кВт·ч|3", 3},
      {"млрд кВт*ч", "Потребление", &consumption, "кВт*ч|9", 9},
      {"тысяч кВт*ч", "Потребление", &consumption, "кВт*ч|3", 3},
      {"шт", "Потребление", &consumption, "шт|0", -99, 1},
      {"шт", "Кол-во абонентов", &count, "шт|0", 0, 1},
      {"тыс.", "Кол-во абонентов", &count, "|3", 3, 1},
      {"Бытовые абоненты, тыс.", "Кол-во абонентов", &count, "|3", -99},
      {"Замеры по ТП, МВт", "Нагрузка", &load, "МВт|0", 3},
      {"Замеры по фидерам, МВт, Мвар", "Нагрузка", &load, "МВт|0;Мвар|0", 3},
      {"Нагрузка, MW", "P", &load, "MW|0", 3},
      {"Замеры, kW", "Нагрузка", &load, "kW|0", 0},
      {"Технический учет за ноябрь 2026, тыс. кВт*ч", "Потребление", &consumption, "кВт*ч|3", 3},
      {"Замеры за 16.12.2026, МВт", "Нагрузка", &load, "МВт|0", 3},
      {"Подстанция ПС 110/10 кВ Заречная", "Нагрузка", &load, "", 0},
      {"2,75 тыс. кВт*ч", "Потребление", &consumption, "", 0},
      // a power over a load the measurement type makes an energy, an energy over a power: another quantity
      {"Замеры по трансформаторам, МВт", "P", &load, "МВт|0", 3},
      {"Замеры по трансформаторам, МВт", "P", &load, "МВт|0", -99, 0, 5},
      {"Замеры по трансформаторам, МВт", "P", &load, "МВт|0", -99, 2, 5},
      {"Замеры, МВт*ч", "P", &load, "МВт*ч|0", -99},
      {"Замеры, МВт*ч", "Нагрузка", &load, "МВт*ч|0", 3, 0, 5},
      // a scale alone that names no column of a book of active and reactive energies: which it covers
      // cannot be told
      {"Потребление, в тыс.", "W1", &technical, "|3", -99},
      {"Потребление, в тыс.", "W1", &technical, "|3", -99, 2},
      {"Потребление, в тыс.", "W1, кВт*ч", &technical, "|3", -99},
      {"Технический учет, тыс. кВт*ч", "W1", &technical, "кВт*ч|3", 3},
      {"Технический учет, тыс. кВт*ч", "W1", &technical, "кВт*ч|3", 3, 2},
      {"Потребление, в тыс.", "Потребление", &consumption, "|3", 3, 2},
  };
  // the statement as a title (or a cell of the units row) over the heading of the households' or the
  // stations' column, and a figure under it: what the reader stores, or its refusal
  MaketFileName = (DataDir() / "maket.zr").string();
  const auto read = [&](const TCase& c, const std::string& figure) {
    const bool households = c.words == &consumption || c.words == &count, inputs = c.words == &technical;
    const TSheetImport& reader =
        FindSheetImport(households ? kHouseholdsSheet : inputs ? kTechnicalSheet : kStationMeasureSheet);
    const int col = c.words == &count ? 3 : households ? 4 : inputs ? 2 : 3;
    FakeSheet s;
    int row = 1;
    // (a households title beside the stations' column)
    if (c.place == 0) s.Row(row++, {{households ? 2 : 1, c.text}});
    const int heading = row++;
    if (households) {
      s.Row(heading, {{1, "№"}, {2, "Фидер"}, {3, "Кол-во абонентов"}, {4, "Потребление"}});
      if (c.place == 1) s.Row(row++, {{col, c.text}});
      s.Row(row++, {{1, "ТП-42"}}), s.Row(row, {{1, "1"}, {2, "Л1"}, {3, "41"}, {4, "9.8"}});
    } else if (inputs) {
      s.Row(heading, {{1, "Наименование"}}), s.Row(row, {{1, "Ввод 1"}});
    } else {
      s.Row(heading, {{1, "ТП"}, {2, "Sном, кВА"}}), s.Row(row, {{1, "ТП-42"}, {2, "400"}});
    }
    s.Row(heading, {{col, c.heading}}), s.Row(row, {{col, figure}});
    // (a note after an empty row below the data)
    if (c.place == 2) s.Row(row + 2, {{1, c.text}});
    std::vector<TDataFile> tables = MeasuredTables(reader);
    std::vector<std::string> messages;
    try {
      reader.Read(tables, s.Cells(), {&messages, c.setting, {}, {}, nullptr});
    } catch (const std::exception& e) {
      return std::string("refused: ") + e.what();
    }
    return TablesText(tables);
  };
  for (const TCase& c : cases) {
    const std::vector<TStatedUnit> stated = StatedUnits(c.text);
    std::string said;
    for (const TStatedUnit& s : stated) said += (said.empty() ? "" : ";") + s.Unit + "|" + std::to_string(s.Scale);
    EXPECT_EQ(said, c.stated) << c.text;
    const std::string figure = c.words == &count ? "41" : "1.1";
    const std::string stored = read(c, figure);
    if (c.exponent == -99) {
      EXPECT_EQ(stored.rfind("refused: ", 0), 0u) << c.text << " над " << c.heading << "\n" << stored;
      EXPECT_NE(stored.find("ячейка "), std::string::npos) << stored;
    } else {
      const std::string value = FloatToStrGeneral(DecimalScaled(StrToFloatZ(figure), c.exponent), 15);
      EXPECT_NE(stored.find("|" + value + "|"), std::string::npos) << c.text << " над " << c.heading << ": " << value << "\n" << stored;
    }
  }
  // a title's thousands brought to kW·h exactly: 1,825.2 thousand is 1,825,200
  EXPECT_NE(read({"Бытовые абоненты, тыс. кВт*ч", "Потребление", &consumption, "", 3}, "1825.2").find("|1825200|"),
            std::string::npos);

  // the network workbook and the regime's measurements read their heads as the district's readers do: a
  // section's 1100 under metres is 1.1 km (its line code keeps metres), a transformer's 0.25 under MVA is
  // 250 kVA, a node's 4000 under kW is 4 MW; a statement that disagrees with a heading refuses the book by
  // its cells
  struct TBookCase {
    bool net;                                             // the network workbook, or the regime's measurements
    std::vector<std::tuple<int, int, std::string>> head;  // row, column, text around the data (row 4, row 6)
    std::string stored;  // the section's line code and transformer, or the node's load; or the refusal
  };
  const std::vector<TBookCase> books = {
      {true, {}, "1100000*АС-35|ТМ-0.25/10/0.4"},
      {true, {{2, 1, "Фидер 5, мощности в МВА"}}, "1100000*АС-35|ТМ-250/10/0.4"},
      {true, {{6, 2, "* мощности трансформаторов в МВА"}}, "1100000*АС-35|ТМ-250/10/0.4"},
      {true, {{6, 2, "* длина участков в м"}}, "1100*АС-35|ТМ-0.25/10/0.4"},
      {true, {{6, 1, "* длина участков в м"}}, "1100*АС-35|ТМ-0.25/10/0.4"},
      {true, {{2, 1, "Фидер 5, длина, м"}}, "1100*АС-35|ТМ-0.25/10/0.4"},
      {true, {{2, 1, "Начало"}, {2, 3, "Длина"}, {3, 3, "м"}, {6, 2, "* мощности в МВА"}}, "1100*АС-35|ТМ-250/10/0.4"},
      {true, {{2, 1, "Начало"}, {2, 2, "Конец"}, {2, 3, "L, км"}, {6, 2, "* длина в м"}},
       "ячейка C2: \"L, км\" - единица столбца 3 (длина участка) другого масштаба, чем в ячейке B6 \"* длина в м\""},
      {true, {{2, 1, "Начало"}, {2, 6, "Sном, кВА"}, {6, 2, "* мощности в МВА"}},
       "ячейка F2: \"Sном, кВА\" - единица столбца 6 (мощность трансформатора 1) другого масштаба, чем в ячейке B6"},
      // metres said beside the voltage of row 1, in its own cell or with the voltage's unit
      {true, {{1, 2, "кВ, длины участков в метрах"}}, "1100*АС-35|ТМ-0.25/10/0.4"},
      {true, {{1, 2, "кВ, длины участков в метрах"}, {2, 3, "Длина"}}, "1100*АС-35|ТМ-0.25/10/0.4"},
      {true, {{1, 2, "кВ"}, {1, 3, "Длина, м"}, {2, 3, "Длина"}}, "1100*АС-35|ТМ-0.25/10/0.4"},
      {true, {{1, 2, "Фидер 10 кВ, длины в м"}, {2, 3, "Длина"}}, "1100*АС-35|ТМ-0.25/10/0.4"},
      {true, {{1, 2, "кВ"}, {2, 3, "Длина"}}, "1100000*АС-35|ТМ-0.25/10/0.4"},
      {true, {{1, 2, "кВ, длины участков в метрах"}, {2, 3, "Длина, км"}},
       "ячейка C2: \"Длина, км\" - единица столбца 3 (длина участка) другого масштаба, чем в ячейке B1"},
      {false, {}, "4000"},
      {false, {{1, 1, "Замеры нагрузок, кВт"}}, "4"},
      {false, {{8, 1, "* данные в кВт"}}, "4"},
      {false, {{1, 1, "Единица измерения: тыс. кВт"}}, "4000"},
      {false, {{5, 9, "P, МВт"}, {5, 13, "tg"}, {8, 1, "* данные в кВт"}},
       "ячейка I5: \"P, МВт\" - единица столбца 9 (замер) другого масштаба, чем в ячейке A8 \"* данные в кВт\""},
      {false, {{1, 1, "Замеры, МВт"}, {8, 1, "Единица измерения: кВт"}},
       "ячейка A8: \"Единица измерения: кВт\" - единица столбца 9 (замер) другого масштаба, чем в ячейке A1"},
      {false, {{1, 1, "Замеры нагрузок ТП, кВт"}, {5, 9, "P"}, {5, 13, "tg"}}, "4"},
      {false, {{1, 1, "Замеры, кВт"}, {5, 9, "P"}}, "4"},
      {false, {{5, 9, "P"}, {8, 1, "* данные в кВт"}}, "4"},
      // a title of another quantity's unit over the load: energies, not loads in MW
      {false, {{1, 1, "Замеры нагрузок, кВт*ч"}}, "ячейка A1: \"Замеры нагрузок, кВт*ч\" - единица другой величины, чем в столбце 9 (замер)"},
  };
  TempDir dir;
  const std::string file = dir / "Книга.xlsx";
  for (const TBookCase& b : books) {
    Workbook book;
    Worksheet& s = book.sheets.emplace_back("Лист1");
    for (const auto& [row, col, text] : b.head) s.SetText(row, col, text);
    std::string stored;
    if (b.net) {
      s.SetNumber(1, 1, 10);
      s.SetText(4, 1, "ТП-1"), s.SetText(4, 2, "ТП-2"), s.SetNumber(4, 3, 1100), s.SetText(4, 4, "АС-35");
      s.SetNumber(4, 6, 0.25);
      WriteXlsx(file, book);
      TBaseImport base;
      try {
        ImportNetWorkbooks({file}, dir / "Сеть", base);
        stored = GetCellText(base.Lines, 1, FindColumnIndex("KodLine", base.Lines), true) + "|" +
                 GetCellText(base.Stations, 1, FindColumnIndex("Transform", base.Stations), true);
        // (the book's one section: a note is none)
        if (base.Lines.RowCount != 1) stored += "|участков: " + std::to_string(base.Lines.RowCount);
      } catch (const std::exception& e) {
        stored = e.what();
      }
    } else {
      s.SetNumber(6, 9, 4000), s.SetNumber(6, 13, 0.5), s.SetText(6, 14, "ПС1"), s.SetText(6, 16, "ТП-42");
      s.SetText(6, 17, "1");
      WriteXlsx(file, book);
      TDataFile nodes, branches, flows;
      ReadMaket(LayoutNodes, nodes), ReadMaket(LayoutBranches, branches), ReadMaket(LayoutLineFlows, flows);
      CreateColumns(nodes, 1), CreateColumns(branches, 0), CreateColumns(flows, 0);
      TNodeCols n;
      FillNodeCols(nodes, n);
      n.Name->SetItem(1, "ПС1.ТП-42");
      TSheetReader sheet;
      sheet.Open(file);
      try {
        ImportMeasurements(sheet, nodes, branches, flows, {"", 0}, file);
        stored = FloatToStrGeneral(n.Pn->Get(1), 15);
      } catch (const std::exception& e) {
        stored = e.what();
      }
    }
    if (b.stored.rfind("ячейка ", 0) == 0) {
      EXPECT_NE(stored.find("\"Лист1\", " + b.stored), std::string::npos) << stored;
    } else {
      EXPECT_EQ(stored, b.stored);
    }
  }
  // a number alone over a figure column names a period: an hour, a day, a month, a year, an hour's range
  for (const char* period : {"1", "24", "31", "12", "2022", "2026", "1-2", "23-24", " 7 ", "7 ч", "1-2 ч.", "23 час", "24ч"})
    EXPECT_TRUE(HeadingIsPeriodNumber(period)) << period;
  for (const char* heading : {"W1", "1-3", "1 825", "Итого", "1.5", "", "32", "12345", "40 ч", "ч", "7 кВт", "2026 г."})
    EXPECT_FALSE(HeadingIsPeriodNumber(heading)) << heading;
  // each by the period it names, an hour's range by its first hour
  for (const auto& [heading, period] :
       std::vector<std::pair<const char*, int>>{{"1-2", 1}, {"23–24", 23}, {"2022", 2022}, {" 7 ", 7}, {"0", 0}, {"7 Ч", 7}, {"1-2 ч", 1}})
    EXPECT_EQ(HeadingPeriodNumber(heading), period) << heading;
  // the energy columns of one book name one period
  EXPECT_EQ(HeadingsPeriodFault({"Потребление за 2026 год, кВт*ч", "Потребление за 2025 год, кВт*ч"}),
            "\"2026 год\" и \"2025 год\" - разные периоды в одной книге");
  EXPECT_NE(HeadingsPeriodFault({"W1 за ноябрь, кВт*ч", "W3 за 12 мес., кВт*ч"}), "");
  EXPECT_NE(HeadingsPeriodFault({"W1 за ноябрь 2026 г.", "W3 нарастающим итогом"}), "");
  EXPECT_EQ(HeadingsPeriodFault({"W1 за ноябрь 2026 г., кВт*ч", "W2 за ноябрь, квар*ч", "W3, кВт*ч"}), "");
  EXPECT_EQ(HeadingsPeriodFault({"Акт. за IV кв. 2026, кВт*ч", "Реакт. за 4 кв. 2026, квар*ч"}), "");
  EXPECT_EQ(HeadingPeriod("Акт. за IV кв. 2026, кВт*ч"), "IV кв 2026");

  // a month, a date, a period or an approval block beside a title is read by the one list of words the
  // heading rule reads a period by: what the head reader takes for a mark beside a title names the same
  // period to the heading rule, and a word of an approval block is understood beside a title alone
  struct TBeside {
    const char* text;
    bool mark;           // stands beside a title (TitleMark)
    std::string period;  // the period the heading rule reads in it
  };
  const std::vector<TBeside> beside = {
      {"ноябрь 2026 г.", true, "ноябрь 2026 г"},
      {"за дек. 2026", true, "дек 2026"},
      {"«30» сентября 2026 г.", true, "сентября 2026 г"},
      {"за IV кв. 2026 г.", true, "IV кв 2026 г"},
      {"май 2026", true, "май 2026"},
      {"по состоянию на 01.12.2026", true, "2026"},
      {"Дата: 30.11.2026", true, "2026"},
      {"18:00", true, ""},
      {"УТВЕРЖДАЮ", true, ""},
      {"Согласовано", true, ""},
      {"_______ И.И. Иванов", true, ""},
      {"Замеры по ТП, МВт", false, ""},
      {"маяк 2026", false, "2026"},
      {"ноябрь", false, "ноябрь"},
      {"Потребление за март, кВт*ч", false, "март"},
  };
  for (const TBeside& c : beside) {
    EXPECT_EQ(TitleMark(TOutsideValue::Text(c.text)), c.mark) << c.text;
    EXPECT_EQ(HeadingPeriod(c.text), c.period) << c.text;
  }
  EXPECT_EQ(HeadWordSense("НОЯБРЯ"), THeadSense::When);
  EXPECT_EQ(HeadWordSense("КВ"), THeadSense::When);
  EXPECT_EQ(HeadWordSense("УТВЕРЖДАЮ"), THeadSense::Approval);
  EXPECT_EQ(HeadWordSense("ЗАМ"), THeadSense::Measured);
  EXPECT_EQ(HeadWordSense("ТЫС"), THeadSense::Other);
  const THeadParts parts = HeadingTokenParts("W1 за 18:00");
  EXPECT_EQ(parts.Words, (std::vector<std::string>{"W", "ЗА"}));
  EXPECT_EQ(parts.Digits, (std::vector<std::string>{"1", "18", "00"}));
  // an approval block's word beside a title is no word of a heading over a figure column
  EXPECT_EQ(HeadingFault("Утверждаю, кВт*ч", consumption),
            "\"Утверждаю\" - слово, которое в заголовке этого столбца не понятно, а заголовок столбца - \"W\", "
            "\"энергия\", \"потребление\", \"расход\", \"кВт*ч\" или \"потребление абонентов\"");
  // a word written over any measured value says the column's own words beside it of a measured value, and
  // alone it is the measured load's, never the tangent's
  const std::vector<const char*> tangent = MeasuredColumns().back().Words, measured = MeasuredColumns().front().Words;
  for (const char* heading : {"tgφ зам", "tg зам.", "Тангенс замеренный", "tg φ замер"})
    EXPECT_EQ(HeadingFault(heading, tangent, measured), "") << heading;
  EXPECT_EQ(HeadingFault("P зам, МВт", measured, tangent), "");
  EXPECT_EQ(HeadingFault("Зам.", tangent, measured),
            "\"Зам\" - слово другого столбца, а заголовок столбца - \"tg\" или \"тангенс\"");
}

// Every caption the program itself writes over a column (its layout's, which the grid's export writes
// over the table, data/maket.zr), taken by the sheet column that fills that field, under each setting
// of its command: the captions are read from the layouts, not typed here. Each figure column of every
// reader of the program's list is given the fields it fills, so that a reader or a column added without
// them fails here; a column whose figure no table keeps (a rated power matched against the base) has none.
TEST(ImportHeadings, EveryCaptionTheProgramWritesOverAColumnIsTakenByIt) {
  MaketFileName = (DataDir() / "maket.zr").string();
  // by reader and column, the fields of its first table that the column fills
  const std::map<std::string, std::map<int, std::vector<std::string>>> fields = {
      {kMeterPointsSheet, {{2, {"Ndog"}}, {6, {"NameTP"}}, {8, {"Praz"}}, {11, {"Koef"}}, {13, {"W"}}, {14, {"Wt", "Wl"}}}},
      {kHouseholdsSheet, {{3, {"CountAb"}}, {4, {"W"}}}},
      {kTechnicalSheet, {{2, {"P"}}, {3, {"Q"}}, {4, {"Pm"}}, {5, {"Qm"}}}},
      {kFeederMeasureSheet, {{8, {"P"}}, {12, {"Pm"}}, {18, {"Q"}}, {22, {"Qm"}}}},
      {kTransformerMeasureSheet, {{5, {}}, {8, {"Pn"}}}},
      {kStationMeasureSheet, {{2, {}}, {3, {"Pn"}}, {4, {}}, {5, {"Pn"}}, {6, {}}, {7, {"Pn"}}}}};
  const auto captions = [](const char* layout, const std::vector<std::string>& names) {
    TDataFile table;
    EXPECT_TRUE(ReadMaket(layout, table)) << layout;
    std::vector<std::string> found;
    for (const std::string& name : names)
      for (int k = 1; k <= table.NCols; ++k)
        if (table.FieldName[static_cast<std::size_t>(k)] == name) found.push_back(table.ColTitle[static_cast<std::size_t>(k)]);
    EXPECT_EQ(found.size(), names.size()) << layout;
    return found;
  };
  int fed = 0;
  for (const TSheetImport& reader : SheetImports()) {
    const auto byColumn = fields.find(reader.Name);
    ASSERT_NE(byColumn, fields.end()) << reader.Name;
    for (const TSheetColumn& column : reader.Columns) {
      const auto names = byColumn->second.find(column.Col);
      if ((column.Kind == TSheetColumnKind::Number || column.Kind == TSheetColumnKind::Digits) &&
          (column.HeadingsOf || !column.Headings.empty())) {
        EXPECT_NE(names, byColumn->second.end()) << reader.Name << ": столбец " << column.Col;
      }
      if (names == byColumn->second.end()) continue;
      for (const std::string& caption : captions(reader.Layouts.front(), names->second))
        for (const double setting : {2.0, 3.0, 5.0}) {
          const std::string said = SheetKindFault(reader, HeadedSheet(reader, column, caption, setting).Cells(), setting);
          EXPECT_EQ(said, "") << reader.Name << ": " << caption << " (" << setting << ")";
          ++fed;
        }
    }
  }
  EXPECT_GE(fed, 3 * 19);
  // the regime's measurement book: the node's load under the node table's caption
  for (const std::string& caption : captions(LayoutNodes, {"Pn"}))
    EXPECT_EQ(HeadingFault(caption, MeasuredColumns().front().Words), "") << caption;
}

}  // namespace
}  // namespace ld::test
