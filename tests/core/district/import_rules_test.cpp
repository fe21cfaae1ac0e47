// The one rule for a name and the one for a number read from outside, run through every reader that
// takes them: dBase bases, subscriber and network workbooks, measurement sheets of the district and of the
// regime, CDU cards, *.RS tables and feeder files. A reader that trims or parses on its own fails here.
#include "import_rules.h"

namespace ld::test {
namespace {

// What a reader made of one outside text: the name it stored or found, else what it said.
using TRun = std::function<std::string(const std::string& text)>;

struct TReader {
  const char* name;
  TRun run;
  const char* where;  // how its message names the cell of the text: the row and the field
};

// Every reader of names, each given "ТП-42" as other programs leave it, and once with a control
// character inside: the station is found, or the text named by its row and field.
TEST_F(ImportRules, EveryReaderTakesANameWithoutWhatOtherProgramsLeaveAtItsEnds) {
  const std::vector<TReader> readers = {
      {"regime measurements", [&](const std::string& text) {
         // a name with a control character inside refuses the sheet by its cell
         TDataFile nodes;
         std::string said;
         if (std::string refused = Refused([&] {
               said = Regime([&](Worksheet& s) { s.SetText(1, 16, text); }, nodes);
               return std::string();
             });
             !refused.empty())
           return refused;
         return GetColumnAs<DAdouble>("Pn", nodes)->Get(1) == 4 && said.empty() ? "ТП-42" : said;
       }, "ячейка P1"},
      {"households dBase", [&](const std::string& text) {
         TSubscriberDbfRequest r;
         r.BaseStem = stem, r.Byt = true, r.PathByt = Dbf({{"NAME_TP", 'C', 12}, {"W", 'N', 8}}, {text, "5"});
         info.clear();
         if (std::string refused = Refused([&] { return ImportSubscriberBasesDbf(r, info), std::string(); });
             !refused.empty())
           info.push_back(refused);
         TDataFile t;
         if (info.empty()) ReadTableFile(stem + ".BBA", t);
         return FirstOr(t, "NameTP", info);
       }, "строка 1, поле NAME_TP"},
      {"0.4 kV dBase", [&](const std::string& text) {
         const std::string file = Dbf({{"NAMETP", 'C', 12}, {"ABON", 'C', 2}, {"NTR", 'C', 4}, {"FIDER", 'C', 4},
                                       {"PRIM", 'C', 4}}, {text, "", "1", "1", ""});
         info.clear();
         TDataFile t;
         std::string refused = Refused([&] {
           ImportLines04Dbf({stem, file, 0, ""}, info);
           return std::string();
         });
         if (!refused.empty()) info.push_back(refused);
         if (info.empty()) ReadTableFile(stem + ".R04", t);
         return FirstOr(t, "NameTP", info);
       }, "строка 1, поле NAMETP"},
      {"households workbook", [&](const std::string& text) {
         FakeSheet s;
         s.Row(1, {{1, text}});
         s.Row(2, {{1, "1"}, {2, "1"}, {3, "5"}, {4, "10"}});
         TDataFile t = Empty(LayoutHouseholds);
         info.clear();
         return Refused([&] { ReadHouseholdsSheet(s.Cells(), t, info); return FirstOr(t, "NameTP", info); });
       }, "ячейка A1"},
      {"industrial workbook", [&](const std::string& text) {
         FakeSheet s;
         s.Row(1, {{1, "Ведомость"}});
         s.Row(2, {{1, "№"}});
         s.Row(3, {{1, "1"}, {2, "Д1"}, {6, text}, {12, "АЕ спож."}});
         TDataFile t = Empty(LayoutMeterPoints);
         info.clear();
         return Refused([&] { ReadMeterPointsSheet(s.Cells(), t, info); return FirstOr(t, "NameTP", info); });
       }, "ячейка F3"},
      {"network workbook", [&](const std::string& text) {
         const std::string file = dir / "Фидер.xls";
         WriteBytes(file, BuildXls({{XlsCell::Number, 1, 1, 10, ""}, {XlsCell::Text, 4, 1, 0, text},
                                    {XlsCell::Text, 4, 2, 0, "ТП-2"}, {XlsCell::Number, 4, 3, 0.1, ""}}));
         TBaseImport base;
         return Refused([&] { ImportNetWorkbooks({file}, stem, base); return FirstOr(base.Lines, "Name1", {}); });
       }, "ячейка A4"},
      {"TP measurements", [&](const std::string& text) {
         FakeSheet s;
         s.Row(1, {{3, text}, {4, "Т1"}, {5, "400"}, {8, "100"}});
         TDataFile t = Stations();
         info.clear();
         return ImportTPMeasurements(t, s.Cells(), 0.5, info).Items == 1 && info.empty() ? "ТП-42" : Joined(info);
       }, "Строка 1, столбец 3"},
      {"TP station measurements", [&](const std::string& text) {
         FakeSheet s;
         s.Row(2, {{1, text}, {2, "400"}, {3, "100"}});
         TDataFile t = Stations();
         info.clear();
         return ImportTPStationMeasurements(t, s.Cells(), 2, info).Items == 1 && info.empty() ? "ТП-42" : Joined(info);
       }, "Строка 2, столбец 1"},
      {"CDU cards", [&](const std::string& text) {
         // a line of a card file holds no line feed: its line break is the carriage return
         std::string name = text;
         std::erase(name, '\n');
         TDataFile nodes;
         return ReadCards(Cards("5", name), nodes);
       }, "строке 2 файла"},
      {"*.RS", [&](const std::string& text) {
         const std::string file = dir / "a.RS";
         WriteRows(file, LayoutDistrict10, {{"", "ПС-1", text, "", "", "", "", "", "0", "0", "0"}});
         TBaseImport base;
         return Refused([&] { ImportDistrictFiles({file}, stem, base); return FirstOr(base.Lines, "Name2", {}); });
       }, "строка 1, поле \"Name2\""},
      {"feeder files", [&](const std::string& text) {
         std::string name = text;
         std::erase(name, '\n');
         WriteBytes(dir / "f.psh", Utf8ToCp866("Фидер\r\n--\r\nЛЕСНАЯ   " + FitRight(name, 8) + "      АС-50        0.25 -\r\n"));
         TBaseImport base;
         return Refused([&] { ImportPshFolder(stem, base); return FirstOr(base.Lines, "Name2", {}); });
       }, "строка 3, колонки 10-17"},
      // the lookups by the table's names: a sheet name that cannot be read is named by its cell, never
      // passed over as a name that matches none
      {"feeder measurements", [&](const std::string& text) {
         FakeSheet s;
         s.Row(1, {{3, text}, {8, "5"}});
         TDataFile inputs = Inputs(), feeders = Empty(LayoutSubstFeeders);
         info.clear();
         ImportFeederMeasurements(inputs, feeders, s.Cells(), info);
         return info.empty() ? CellText(inputs, "NamePS", 1) : Joined(info);
       }, "Ошибка чтения. Строка 1, столбец 3"},
      {"technical workbook", [&](const std::string& text) {
         FakeSheet s;
         s.Row(1, {{1, "Наименование"}});
         s.Row(2, {{1, text}, {2, "5"}});
         TDataFile inputs = Inputs(), feeders = Empty(LayoutSubstFeeders);
         info.clear();
         return Refused([&] {
           ReadTechnicalSheet(s.Cells(), inputs, feeders, info);
           return info.empty() ? CellText(inputs, "NamePS", 1) : Joined(info);
         });
       }, "ячейка A2"},
  };
  const std::vector<std::string> ends = {"ТП-42\xC2\xA0", " ТП-42\t", "ТП-42\r\n", "\tТП-42 \xC2\xA0 \r\n"};
  for (const TReader& reader : readers) {
    for (const std::string& text : ends) EXPECT_EQ(reader.run(text), "ТП-42") << reader.name << ": " << ControlsShown(text);
    const std::string said = reader.run("ТП-4\r2");
    EXPECT_NE(said.find(reader.where), std::string::npos) << reader.name << ": " << said;
    EXPECT_NE(said.find("\"ТП-4?2\" не принят: в нем управляющий символ U+000D"), std::string::npos)
        << reader.name << ": " << said;
  }
}

// Every reader of numbers, each given a number as text with thousands separators, one with a letter O
// typed for a zero, and a date: the value is named with its text and why, never read by a part of it.
TEST_F(ImportRules, EveryReaderReadsANumberWholeOrNamesItsTextAndWhy) {
  const auto sheet = [](int row, int col, const std::string& text) {
    FakeSheet s;
    s.Row(row, {{col, text}});
    return s;
  };
  const std::vector<TReader> readers = {
      {"feeder measurements", [&](const std::string& text) {
         FakeSheet s = sheet(1, 8, text);
         s.Row(1, {{3, "ТП-42"}});
         TDataFile inputs = Inputs(), feeders = Empty(LayoutSubstFeeders);
         info.clear();
         ImportFeederMeasurements(inputs, feeders, s.Cells(), info);
         return CellText(inputs, "P", 1) + " " + Joined(info);
       }, " Ошибка чтения. Строка 1, столбец 8 ("},
      {"TP station measurements", [&](const std::string& text) {
         FakeSheet s = sheet(2, 3, text);
         s.Row(2, {{1, "ТП-42"}, {2, "400"}});
         TDataFile t = Stations();
         info.clear();
         ImportTPStationMeasurements(t, s.Cells(), 2, info);
         return CellText(t, "Pn", 1) + " " + Joined(info);
       }, " Ошибка чтения. Строка 2, столбец 3 ("},
      {"TP measurements", [&](const std::string& text) {
         FakeSheet s = sheet(1, 8, text);
         s.Row(1, {{3, "ТП-42"}, {4, "Т1"}, {5, "400"}});
         TDataFile t = Stations();
         info.clear();
         ImportTPMeasurements(t, s.Cells(), 0.5, info);
         return CellText(t, "Pn", 1) + " " + Joined(info);
       }, " Ошибка чтения. Строка 1, столбец 8 ("},
      {"households workbook", [&](const std::string& text) {
         FakeSheet s = sheet(2, 4, text);
         s.Row(1, {{1, "ТП-42"}});
         s.Row(2, {{1, "1"}, {2, "1"}, {3, "5"}});
         TDataFile t = Empty(LayoutHouseholds);
         info.clear();
         ReadHouseholdsSheet(s.Cells(), t, info);
         return CellText(t, "W", 1) + " " + Joined(info);
       }, " Бытовые абоненты, строка 2, столбец 4: Ошибка чтения ("},
      {"industrial workbook", [&](const std::string& text) {
         FakeSheet s = sheet(3, 13, text);
         s.Row(1, {{1, "Ведомость"}});
         s.Row(2, {{1, "№"}});
         s.Row(3, {{1, "1"}, {6, "ТП-42"}, {12, "АЕ спож."}});
         TDataFile t = Empty(LayoutMeterPoints);
         info.clear();
         ReadMeterPointsSheet(s.Cells(), t, info);
         return CellText(t, "W", 1) + " " + Joined(info);
       }, " Промышленные абоненты, строка 3, столбец 13: Ошибка чтения ("},
      {"technical workbook", [&](const std::string& text) {
         FakeSheet s = sheet(2, 2, text);
         s.Row(1, {{1, "Наименование"}});
         s.Row(2, {{1, "ТП-42"}});
         TDataFile inputs = Inputs(), feeders = Empty(LayoutSubstFeeders);
         info.clear();
         ReadTechnicalSheet(s.Cells(), inputs, feeders, info);
         return CellText(inputs, "P", 1) + " " + Joined(info);
       }, " Вводы подстанций, строка 2, столбец 2: Ошибка чтения ("},
      {"households dBase", [&](const std::string& text) {
         TSubscriberDbfRequest r;
         r.BaseStem = stem, r.Byt = true, r.PathByt = Dbf({{"NAME_TP", 'C', 12}, {"W", 'C', 12}}, {"ТП-42", text});
         info.clear();
         // a base whose only record does not read gives no row: refused after the record's own message
         if (std::string refused = Refused([&] { return ImportSubscriberBasesDbf(r, info), std::string(); });
             !refused.empty())
           info.push_back(refused);
         return " " + Joined(info);
       }, " База бытовых абонентов. Строка 1 - ошибка чтения поля W ("},
      {"regime measurements", [&](const std::string& text) {
         TDataFile nodes;
         const std::string said = Regime([&](Worksheet& s) { s.SetText(1, 9, text); }, nodes);
         return CellText(nodes, "Pn", 1) + " " + said;
       }, " Ошибка чтения. Строка 1, столбец 9 ("},
      {"network workbook", [&](const std::string& text) {
         const std::string file = dir / "Фидер.xls";
         WriteBytes(file, BuildXls({{XlsCell::Number, 1, 1, 10, ""}, {XlsCell::Text, 4, 1, 0, "ТП-1"},
                                    {XlsCell::Text, 4, 2, 0, "ТП-2"}, {XlsCell::Text, 4, 3, 0, text},
                                    {XlsCell::Text, 4, 4, 0, "АС-35"}}));
         TBaseImport base;
         // the only row does not read: the workbook is refused by the row's reason
         return " " + Refused([&] { return ImportNetWorkbooks({file}, stem, base), std::string(); });
       }, " Ошибка чтения файла "},
      {"CDU cards", [&](const std::string& text) {
         TDataFile nodes;
         return " " + ReadCards(Cards(text, "ТП-42"), nodes);
       }, " Ошибка в строке 2 файла"},
  };
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"1 825 200", "\"1 825 200\" не является "},  // "числом" or "целым числом"
      {"1O.50", "\"1O.50\" не является "},
      {"05.03.2026", "\"05.03.2026\" не является "}};
  const std::vector<std::string> reasons = {"цифры разделены пробелами (разделители разрядов)",
                                            "символ \"O\" на месте 2", "это дата"};
  for (const TReader& reader : readers)
    for (std::size_t i = 0; i < cases.size(); ++i) {
      const std::string said = reader.run(cases[i].first);
      // nothing was read: the value stays empty, the message names the cell, the text and why
      EXPECT_EQ(said.rfind(reader.where, 0), 0u) << reader.name << ": " << said;
      EXPECT_NE(said.find(cases[i].second), std::string::npos) << reader.name << ": " << said;
      EXPECT_NE(said.find(reasons[i]), std::string::npos) << reader.name << ": " << said;
    }
  // a card's voltage with a letter O typed for a zero is no 1.50 kV
  TDataFile nodes;
  const std::string file = Cards("5", "ТП-42", "   1O.50");
  EXPECT_EQ(ReadCards(file, nodes), "Ошибка в строке 1 файла \"" + fs::absolute(file).lexically_normal().string() +
                                        "\": колонки 17-24: текст \"1O.50\" не является числом: символ \"O\" на месте 2");
}

}  // namespace
}  // namespace ld::test
