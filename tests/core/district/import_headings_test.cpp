// The heading rule run through every sheet reader of the program's list: each column takes the headings
// that name its own quantity in the unit and scale its command stores, and a sheet under a heading of
// anything else is refused, naming the cell and what the heading says, before its reader changes anything.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/base/import_number.h"
#include "core/district/measure_sheet.h"
#include "core/district/sheet_imports.h"
#include "core/office/sheet_reader.h"
#include "core/office/workbook.h"
#include "core/office/xlsx_file.h"
#include "core/regime/measurements.h"
#include "core/tables/colmaps.h"
#include "fake_sheet.h"
#include "measured_tables.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

// Every heading of the program's list over a column of its own, as people write it: taken by its meaning
// (the unit's signs, letter case, Latin look-alikes, abbreviations, what follows it), and a heading of
// another column, or of another quantity, unit, scale, period, count or year, refused saying what the
// heading says and what it must hold, before the reader changes anything of its tables. A reader whose
// headings may stand over any row is given them in its first row; a column whose unit the command's
// setting chooses (the load by the measurement type) is given each setting.
TEST(ImportHeadings, EveryHeadingOfTheListIsTakenByItsMeaning) {
  MaketFileName = (DataDir() / "maket.zr").string();
  struct THeadings {
    std::vector<std::string> taken, refused;
  };
  // what no column of any reader takes: what is no measured value, and the quantities, units and scales
  // none of them stores (a column's own quantity in another unit or scale is among its refused)
  const std::vector<std::string> noColumns = {"Январь", "Июнь", "3 квартал", "Год", "Год ввода", "Кол-во абонентов",
                                              "Количество, шт", "Длина ВЛ, м", "Протяженность, км", "Загрузка, %",
                                              "cos φ", "Инв. №", "Код", "Дата замера", "U, кВ", "Нагрузка, МВт",
                                              "МВт*ч", "кА", "Мощность, МВА"};
  // by the column's title and the setting that chooses its unit; the grid's export of the inputs writes
  // "Ком.", "Q обр., по виду" and "Гр. P" over the feeder measurements' columns
  const THeadings loadInKw = {
      {"P, кВт", "Нагрузка", "Мощность, кВт", "Замер", "Т1", "Pmax", "кВт"},
      {"Sном", "кВА", "Q, квар", "U, кВ", "Уст. мощ.", "Номинальная", "S", "Pном", "Замер, кВ", "Напряжение",
       // another unit than the command stores: a current, an energy, an apparent power; a month or a day
       "Ток, А", "I, А", "W, кВт*ч", "P, кВт⋅ч", "Нагрузка, кВА", "Потребление за ноябрь, кВт*ч", "Декабрь",
       "15.12.2026"}};
  const std::map<std::string, THeadings> headings = {
      {"номинальная мощность",
       {{"кВА", "кВ*А", "кВ·А", "kVA", "КВА", "Sном", "Sн", "S", "Sном, кВА", "Уст. мощ.", "Мощность", "Мощн.",
         "Номинальная мощность, кВА", "Установленная мощность", "Т1", "Тр-р", "Sном, кВ⋅А", "S, кВ×А", "Мощность, кВА"},
        // units and symbols of other quantities, and the words of the load beside it
        {"Адрес", "Нагрузка, кВт", "W", "Фамилия, имя, отчество", "P, кВт", "Мощность, кВт", "Активная мощность, кВт",
         "Нагрузка, кВА", "S нагр.", "Мощность нагрузки", "Трасса", "U, кВ", "Uном, кВ", "кВ", "Ток, А", "I", "Q, квар",
         // another quantity's unit or symbol beside a word of the column or beside its own quantity, and a word
         // longer than "Тр-р" that begins as it does
         "Т1, А", "Т1, I", "Мощность, квар", "Активная мощность", "Т1, кВт-час", "Трасс.", "Uном, кВ / Sном, кВА",
         "Sном, ВА"}}},
      // the transformers' load in kW, beside the transformer's own column
      {"нагрузка",
       {{"P, кВт", "Нагрузка", "Мощность, кВт", "Замер", "Pmax", "кВт"},
        {"Sном", "кВА", "Q, квар", "Ток, А", "I, А", "W, кВт*ч", "Нагрузка, кВА", "Ic, А", "Год выпуска", "Декабрь"}}},
      {"нагрузка (тип замера 2 - кВт)", loadInKw},
      {"нагрузка (тип замера 3 - А)",
       {{"Ток, А", "I, А", "Нагрузка", "Замер", "Ток", "Imax", "А", "Т1"},
        {"P, кВт", "Мощность, кВт", "W, кВт*ч", "Нагрузка, кВА", "Загрузка, %", "U, кВ"}}},
      {"нагрузка (тип замера 5 - кВт*ч)",
       {{"W, кВт*ч", "P, кВт⋅ч", "Потребление за ноябрь, кВт*ч", "Расход", "Энергия, кВт-ч", "Нагрузка", "кВт.ч"},
        {"P, кВт", "Мощность, кВт", "Ток, А", "Wq, квар*ч", "Нагрузка, кВА", "Ноябрь"}}},
      {"активное значение",
       {{"P1", "P2", "Р1", "p", "P, кВт", "W", "Wp, кВт*ч", "кВт.ч", "Активная энергия", "Акт.", "P сум.", "Рср",
         "Pmax", "Рмакс", "P, кВт⋅ч", "Wакт", "кВт-ч"},
        {"Q1", "Ком.", "Q обр., по виду", "Гр. Q обр.", "квар", "Адрес", "Уст. мощ.", "Реактивная энергия", "Реакт.",
         "Расход", "Wq, кВАр*ч", "Pq", "Wреакт", "I, А", "S, кВА", "Активный ток", "P, МВт"}}},
      {"реактивное значение",
       {{"Q1", "Q2", "q", "Q, квар", "кВАр*ч", "Wq", "Реактивная энергия", "Реакт.", "Wреакт", "Wq, кВАр⋅ч"},
        {"P1", "Гр. P", "W", "кВт", "Активная", "Адрес", "Ком.", "Wакт", "P, кВт⋅ч", "кВА", "Q, Мвар"}}},
      // the technical base's energies: numbered W1 to W4 in the columns' order, or named by their quantity
      {"активная энергия",
       {{"W", "P", "Wp", "кВт*ч", "Активная энергия", "Акт.", "P, кВт⋅ч"},
        {"W2", "W4", "Q", "Wq, квар*ч", "Реактивная энергия", "P, кВт", "Ia, А", "Ic, А", "Код", "№ счетчика",
         "Кол-во ТП", "Кол-во опор"}}},
      {"реактивная энергия",
       {{"Q", "Wq", "квар*ч", "Q, кВАр*ч", "Реактивная энергия", "Реакт."},
        {"W1", "W3", "P", "W", "кВт*ч", "Активная энергия", "Q, квар", "Ib, А", "Январь"}}},
      {"номер строки",
       {{"№", "№ п/п", "N", "п/п", "Номер"}, {"Абонент", "1", "Договор", "Тип счетчика", "Номинальная мощность, кВА"}}},
      {"договор",
       {{"Договор", "№ договора", "Номер договора", "Дог."}, {"Абонент", "Точка учета", "ФИО", "Счетчик", "Показания до"}}},
      {"ТП.Тр.Фидер",
       {{"ТП", "ТП.Тр.Фидер", "Подстанция", "Номер ТП", "Питающая ТП", "РП"},
        // "РП" names a station: the column's words name no power
        {"Тип счетчика", "МЕРКУРИЙ 230", "Адрес", "№ счетчика", "Трасса", "Тр-р", "P, кВт", "Мощность, кВт"}}},
      {"энергия",
       {{"W", "W, кВт*ч", "Энергия", "Расход", "Wq, квар*ч", "Расход, кВт⋅ч"},
        {"Показание тек.", "Ктт", "Sном, кВА", "U, кВ", "Ток, А", "Питающая РП", "Расчет", "W, МВт*ч", "Потери, кВт*ч",
         "Доля"}}},
      // a metering point's power, its meter's factor and the losses' part of its energy
      {"мощность",
       {{"P", "P, кВт", "Мощность, кВт", "Разрешенная мощность", "Руст, кВт", "Pmax", "Мощн."},
        {"W, кВт*ч", "Мощность, кВА", "Sном", "Ток, А", "Ксч", "Энергия", "Потери", "Часы", "Тип"}}},
      // a households book's count of subscribers and their energy, under a row of headings where a station
      // would stand
      {"число абонентов",
       {{"Абонентов", "Кол-во абонентов", "Количество абонентов", "Число абонентов", "Абоненты, чел."},
        {"Кол-во ТП", "Количество, шт", "W, кВт*ч", "Потребление", "Год", "Январь", "Длина ВЛ, м", "Фидер"}}},
      {"потребление",
       {{"W", "W, кВт*ч", "Потребление", "Потребление абонентов, кВт*ч", "Расход, кВт⋅ч", "Энергия",
         "Потребление за ноябрь, кВт*ч"},
        {"Кол-во абонентов", "Абоненты", "Wq, квар*ч", "P, кВт", "Ток, А", "Ноябрь", "Год ввода", "W, МВт*ч", "Фидер"}}},
      {"коэффициент счетчика",
       {{"Ксч", "Ктт", "Ктн", "Коэффициент", "Коэф.", "Расч. коэф.", "Коэффициент счетчика"},
        {"Тип", "Счетчик", "cos φ", "tg φ", "P, кВт", "W", "Мощность", "Коэффициент мощности", "Ток, А", "Вид", "Часы"}}},
      // the regime's measurement book: a node's load or a line's flow in MW, and its tangent
      {"замер",
       {{"P, МВт", "Нагрузка, МВт", "Замер", "Мощность", "Переток, МВт", "МВт", "Pmax"},
        {"P, кВт", "Нагрузка, кВт", "Ток, А", "Ia, А", "W, кВт*ч", "Потребление за ноябрь, кВт*ч", "Q, Мвар", "S, МВА",
         "Год выпуска", "Кол-во абонентов", "Январь", "tg φ", "Тангенс"}}},
      {"тангенс",
       {{"tg", "tg φ", "tgφ", "Тангенс", "tg ф"},
        {"cos φ", "P, МВт", "Замер", "Ток, А", "Год", "Январь", "Загрузка, %", "Q, Мвар"}}},
      {"потери трансформатора или линии",
       {{"Доля", "Потери", "Потери, кВт*ч", "Wт", "Wл", "Потери в линии", "Доля Тр", "квар*ч"},
        {"Энергия", "Расход", "Потери, %", "Мощность, кВт", "Ктт", "Потери, МВт*ч", "Вид", "Sном, кВА"}}},
  };
  std::set<std::string> judged;
  for (const TSheetImport& reader : SheetImports())
    for (const TSheetColumn& column : reader.Columns)
      for (const double setting : {2.0, 3.0, 5.0}) {
        const TSheetHeadings words = column.HeadingsOf ? column.HeadingsOf(setting) : TSheetHeadings{column.Headings, {}};
        // every figure a reader writes into its tables is judged by its heading
        if (column.Kind == TSheetColumnKind::Number && setting == 2) {
          EXPECT_FALSE(words.Words.empty()) << reader.Name << ": столбец " << column.Col << " (" << column.Title << ")";
        }
        // a column whose unit no setting chooses is judged once
        if (words.Words.empty() || (!column.HeadingsOf && setting != 2)) continue;
        const std::string title = column.Title + (words.Setting.empty() ? "" : " (" + words.Setting + ")");
        judged.insert(title);
        // the second and third transformers of a station side by side take the first one's headings under
        // their own designations
        std::string designation = "Т1", key = title;
        for (const char* other : {"Т2", "Т3"})
          if (const std::size_t at = key.find(std::string(" ") + other); at != std::string::npos)
            designation = other, key.erase(at, 1 + designation.size());
        const auto lists = headings.find(key);
        ASSERT_NE(lists, headings.end()) << reader.Name << ": " << title;
        const auto designated = [&](std::vector<std::string> list) {
          for (std::string& heading : list)
            if (const std::size_t at = heading.find("Т1"); at != std::string::npos) heading.replace(at, 2, designation);
          return list;
        };
        const int headingRow = std::max(reader.HeadingRow, 1);
        const auto sheet = [&](const std::string& heading) {
          FakeSheet s;
          for (const TSheetColumn& other : reader.Columns) {
            const std::vector<const char*> otherWords =
                other.HeadingsOf ? other.HeadingsOf(setting).Words : other.Headings;
            const std::string otherHeading = otherWords.empty() ? "Имя" : otherWords.front();
            s.Row(headingRow, {{other.Col, other.Col == column.Col ? heading : otherHeading}});
            s.Row(headingRow + 1, {{other.Col, other.Kind == TSheetColumnKind::Name || other.Kind == TSheetColumnKind::StationPath
                                                   ? "ТП-42"
                                               : "400"}});
          }
          return s;
        };
        // each word of the column's own list, and the headings people write
        std::vector<std::string> taken(words.Words.begin(), words.Words.end());
        const std::vector<std::string> listed = designated(lists->second.taken);
        taken.insert(taken.end(), listed.begin(), listed.end());
        for (const std::string& heading : taken)
          EXPECT_EQ(SheetKindFault(reader, sheet(heading).Cells(), setting), "") << reader.Name << ": " << heading;
        std::vector<std::string> refused = designated(lists->second.refused);
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
                    std::string::npos) << title << ": " << said;
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
      }
  // the regime's measurement book, whose format has no headings: a heading row above a node's load, taken
  // or refused before any load an earlier import gave is reset (node 2's, marked 'z')
  TempDir dir;
  for (const TMeasuredColumn& column : MeasuredColumns()) {
    judged.insert(column.Title);
    const auto lists = headings.find(column.Title);
    ASSERT_NE(lists, headings.end()) << column.Title;
    const auto import = [&](const std::string& heading, TDataFile& nodes) {
      Worksheet s("Замеры");
      for (const TMeasuredColumn& other : MeasuredColumns())
        s.SetText(1, other.Col, other.Col == column.Col ? heading : other.Words.front());
      s.SetText(1, 14, "ПС"), s.SetText(1, 16, "Узлы");
      s.SetNumber(2, 9, 0.4), s.SetNumber(2, 13, 0.5), s.SetText(2, 14, "ПС1"), s.SetText(2, 16, "ТП-42");
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
  EXPECT_EQ(loadFault("Нагрузка, МВт", 2), "\"МВт\" - не та единица: значения столбца - в \"кВт\"" + kw);
  EXPECT_EQ(loadFault("Потребление за ноябрь, кВт*ч", 2), "\"кВт*ч\" - не та единица: значения столбца - в \"кВт\"" + kw);
  EXPECT_EQ(loadFault("Потребление за ноябрь, кВт*ч", 5), "");
  EXPECT_EQ(loadFault("Загрузка, %", 2), "\"Загрузка\" - проценты" + kw);
  EXPECT_EQ(loadFault("Кол-во абонентов", 2), "\"Кол-во\" - количество" + kw);
  EXPECT_EQ(loadFault("Год", 2), "\"Год\" - год" + kw);
  EXPECT_EQ(loadFault("Длина ВЛ, м", 2), "\"Длина\" - длина" + kw);
  EXPECT_EQ(loadFault("Январь", 2), "\"Январь\" - период (месяц, квартал)" + kw);
  EXPECT_EQ(loadFault("Инв. №", 2), "\"Инв\" - инвентарный номер" + kw);
  EXPECT_EQ(loadFault("Ток, А", 3), "");
  EXPECT_EQ(loadFault("Ток, кА", 3), "\"кА\" - не та единица: значения столбца - в \"А\", а заголовок столбца - \"нагрузка\", "
                                     "\"ток\", \"замер\", \"I\", \"А\" или \"Т1\" (тип замера 3 - А)");
}

}  // namespace
}  // namespace ld::test
