// Damaged sources of the subscriber imports: seeded mutations of small valid dBase bases and workbooks
// are imported or refused with the file's name, never crash, never read outside their bytes (the
// sanitizer build watches), and a refused file leaves the base's table as it was.
#include <gtest/gtest.h>
#include <xlsxwriter.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/import_number.h"
#include "core/base/import_text.h"
#include "core/base/strings.h"
#include "core/district/base_import.h"
#include "core/district/line04_dbf.h"
#include "core/district/subscriber_dbf.h"
#include "core/district/subscriber_books.h"
#include "core/district/subscriber_xls.h"
#include "core/office/dbf_table.h"
#include "core/office/test_dbf_writer.h"
#include "core/tables/file_import.h"
#include "core/tables/table_file.h"
#include "support/fuzz_mutations.h"
#include "support/scripted_msgbox.h"
#include "support/table_rows.h"
#include "support/test_env.h"
#include "support/xls_builder.h"

namespace ld::test {
namespace {

constexpr int kRounds = 200;

// The refusal that the import of one dBase file as all three subscriber bases owes: the first record, in
// file order, with a text that holds a control character, that the tables cannot hold, or that is longer
// than its table's field, in a field that a base takes as text, named with that field and the row the
// record makes in its table (the meter points' fields in their columns' order, of the given district's
// records only, their rows after the `rowsBefore` rows of the base added to; then the households', then
// the contracts'); a file or a record that cannot be read refuses the file as a whole with the reader's
// reason; so does a base that lacks a field its import cannot do without, or of which nothing is taken.
// Each refusal says that nothing was changed. Empty when nothing stands in the way.
std::string ExpectedRefusal(const std::string& file, int districtNo, int rowsBefore = 0) {
  const std::string unreadable = "Ошибка чтения базы промышленных абонентов (файл " + file + "): ";
  struct Field {
    std::string name;
    int most;  // characters of the table's field
    bool key;  // trimmed, Latin look-alikes made Cyrillic
    std::string title = {};  // of the table's field
  };
  // a number field: an integer within lo..hi, or any number
  struct Number {
    std::string name;
    bool integer = false;
    int lo = INT32_MIN, hi = INT32_MAX;
  };
  struct Base {
    bool byDistrict;
    std::vector<std::string> needed;
    std::vector<Field> fields;
    std::string noKey;  // what a record without its key (the first needed field) lacks
    std::vector<Number> numbers;
  };
  const Base bases[] = {
      {true,
       {"NAMETP", "NDOG"},
       {{"NAMETP", 40, true, "ТП"},
        {"NTR", 10, true, "Тр-р"},
        {"FEEDER", 40, true, "Фидер 0.4 кВ"},
        {"NDOG", 20, false, "№ договора"},
        {"ABONENT", 80, false, "Абонент"},
        {"NUMCOUNTER", 30, false, "№ счетчика"},
        {"TRANSFORM", 40, false, "Трансформатор"},
        {"LINE", 40, false, "Линия"},
        // a meter's mark and the sign of its energy: a letter each, taken from a text
        {"DEVICE", -1, false},
        {"SUB", -1, false}},
       "не задана ТП",
       {{"NUMPOINT", true, -32768, 32767}, {"NEXT"}, {"PREV"}, {"KTOK"}, {"KVOLT"}, {"KOEF"}, {"W"}, {"WT"}, {"WL"},
        {"WS"}}},
      {false,
       {"NAME_TP"},
       {{"NAME_TP", 40, false, "ТП"}, {"FIDER", 40, false, "Фидер 0.4 кВ"}},
       "не задана ТП",
       {{"W"}, {"WS"}, {"COUNTAB", true}, {"PAYAB", true}}},
      {false,
       {"NDOGOV"},
       {{"NDOGOV", 20, false, "№ договора"},
        {"NAME_POTR", 80, false, "Абонент"},
        {"TOWN", 0, false},
        {"STREET", 0, false}},
       "не задан номер договора",
       {}},
  };
  for (const Base& base : bases) {
    TDbfTable dbf;
    std::string error;
    if (!dbf.Open(file, error)) return NothingChangedText(unreadable + dbf.OpenFault());
    for (const std::string& name : base.needed)
      if (!dbf.HasField(name)) return NothingImportedText(file, "поле " + name + " не найдено");
    std::string skipped;  // why the first record of another district was not taken
    std::string notWhole;  // why the first record without its key, or with a number that does not read, was not
    int whole = 0;         // records with their key and every number read
    std::vector<Field> fields;
    for (const Field& field : base.fields)
      if (dbf.HasField(field.name)) fields.push_back(field);
    // the town goes into the address only beside the street
    const bool address = dbf.HasField("TOWN") && dbf.HasField("STREET");
    if (!address) std::erase_if(fields, [](const Field& field) { return field.most == 0; });
    int row = base.byDistrict ? rowsBefore : 0;
    const auto refusal = [&](const std::string& name, const std::string& reason) {
      return NothingChangedText("Ошибка чтения файла \"" + file + "\": строка " + std::to_string(row) + ", поле " +
                                name + ": " + reason);
    };
    const auto tooLong = [&](const std::string& name, std::string text, int most, const std::string& title) {
      if (static_cast<int>(Utf8Length(text)) <= most) return std::string();
      return refusal(name, "текст " + QuotedText(text) + " не поместится в поле \"" + title +
                               "\": в поле не больше " + std::to_string(most) + " символов, а в тексте " +
                               std::to_string(Utf8Length(text)));
    };
    try {
      for (bool more = dbf.First(); more; more = dbf.Next()) {
        if (base.byDistrict && districtNo != 0) {
          int district = 0;
          try {
            district = StrToIntZ(ImportName(DbfFieldText(dbf, "RES_ID")));
          } catch (const ConvertError&) {
          }
          if (district != districtNo) {
            if (skipped.empty()) skipped = "нет записей района " + std::to_string(districtNo) + " (поле RES_ID)";
            continue;
          }
        }
        ++row;
        for (const Field& field : fields) {
          // taken as every name from outside: the blanks and control characters at its ends cut
          const std::string text(ImportName(DbfFieldText(dbf, field.name)));
          // a control character (a zero byte among the letters of a damaged record), each shown as "?"
          std::string shown;
          char32_t control = 0;
          bool controlMet = false;
          for (std::size_t at = 0; at < text.size();) {
            const char32_t c = NextUtf8Char(text, at);
            const bool isControl = c < 0x20 || (c >= 0x7F && c <= 0x9F);
            if (isControl && !controlMet) control = c;
            controlMet = controlMet || isControl;
            if (isControl)
              shown += '?';
            else
              AppendUtf8(shown, c);
          }
          if (controlMet) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(control));
            return refusal(field.name, "текст " + QuotedText(shown) +
                                           " не принят: в нем управляющий символ " + code);
          }
          std::string bytes;
          char32_t missing = 0;
          if (!TryUtf8ToCp1251(text, bytes, missing))
            return refusal(field.name, ImportTextFault(text) + " (база не в кодировке своего заголовка?)");
          if (field.most <= 0) continue;
          const std::string taken = field.key ? StationKey(text) : text;
          if (const std::string fault = tooLong(field.name, taken, field.most, field.title); !fault.empty())
            return NothingChangedText(fault);
        }
        if (address) {
          const std::string town(ImportName(DbfFieldText(dbf, "TOWN"))), street(ImportName(DbfFieldText(dbf, "STREET")));
          if (const std::string fault =
                  tooLong("TOWN, STREET", town.empty() ? street : town + ", " + street, 80, "Адрес");
              !fault.empty())
            return NothingChangedText(fault);
        }
        std::string why;
        // a meter point's key is its station and its contract, the others' their first needed field
        if (ImportName(DbfFieldText(dbf, base.needed[0])).empty()) {
          why = base.noKey + " (поле " + base.needed[0] + ")";
        } else if (base.byDistrict && ImportName(DbfFieldText(dbf, "NDOG")).empty()) {
          why = "не задан договор (поле NDOG)";
        } else {
          for (const Number& number : base.numbers) {
            if (!dbf.HasField(number.name)) continue;
            const std::string text = DbfFieldText(dbf, number.name);
            if (number.integer ? ImportInteger(text, number.lo, number.hi).has_value() : ImportNumber(text).has_value())
              continue;
            why = "поле " + number.name + ": " +
                  (number.integer ? ImportIntegerTextFault(text, number.lo, number.hi) : ImportNumberTextFault(text));
            break;
          }
        }
        if (why.empty()) {
          ++whole;
        } else if (notWhole.empty()) {
          notWhole = "строка " + std::to_string(row) + ": " + why;
        }
      }
    } catch (const TDbfReadError& e) {
      return NothingChangedText(unreadable + e.Reason());
    }
    // a base of which nothing is taken would empty its table, or fill it with rows of nothing
    if (whole == 0) return NothingImportedText(file, row == (base.byDistrict ? rowsBefore : 0) ? skipped : notWhole);
  }
  return {};
}

class SubscriberFuzz : public ::testing::Test {
protected:
  SubscriberFuzz() {
    const std::filesystem::path layouts = dir.Path() / "maket.zr";
    WriteLayoutSubset(layouts, {LayoutMeterPoints, LayoutHouseholds, LayoutConsumers, LayoutLines04, LayoutSubstInputs,
                                LayoutSubstFeeders});
    MaketFileName = layouts.string();
  }
  bool NoLocks() const {
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
      if (e.path().string().back() == '~') return false;
    return true;
  }
  TempDir dir;
  const std::string stem = dir / "Район";
  ScriptedMsgBox box;
};

TEST_F(SubscriberFuzz, DamagedDbfBasesAreImportedOrRefusedByName) {
  const std::string file = dir / "prom.dbf";
  WriteDbf(file,
           {{"RES_ID", 'N', 3},
            {"NAMETP", 'C', 10},
            {"NDOG", 'C', 6},
            {"TYPCOUNTER", 'N', 2},
            {"DEVICE", 'C', 2},
            {"W", 'N', 10, 2},
            {"WT", 'N', 10, 2},
            {"WS", 'N', 10, 2},
            {"LENGTH", 'N', 8, 3},
            {"ABON", 'C', 2},
            {"NTR", 'C', 4},
            {"FIDER", 'C', 4},
            {"PRIM", 'C', 4},
            {"MARK", 'C', 4},
            {"NAME_TP", 'C', 6},
            {"NDOGOV", 'C', 4}},
           {{"7", "тп-1", "12", "1", "K", "5", "1", "7", "0.35", "А", "1", "1", "", "ас", "тп-1", "12"},
            {"7", "ТП-2", "13", "x", "", "1e300", "", "", "abc", "", "Т-2", "2", "п", "ас", "ТП-2", "13"},
            {"3", "ТП-3", "14", "2", "Y", "-1", "", "", "1", "", "", "3", "", "", "ТП-3", "14"}},
           {3});
  const std::string valid = ReadBytes(file);
  // the binary numbers of later dBase variants: integer, double, level 7 double, currency
  WriteDbf(file,
           {{"RES_ID", 'I', 4}, {"NAMETP", 'C', 10}, {"NUMPOINT", 'I', 4}, {"W", 'B', 8}, {"WS", 'O', 8},
            {"KTOK", 'Y', 8}, {"COUNTAB", 'I', 4}, {"LENGTH", 'B', 8}, {"NDOGOV", 'I', 2}, {"NDOG", 'C', 4},
            {"NAME_TP", 'C', 6}},
           {{DbfInteger(7), "тп-1", DbfInteger(40000), DbfDouble(12.5), DbfLevel7Double(-3), DbfCurrency(15000),
             DbfInteger(-1), DbfDouble(0.35), DbfInteger(12, 2), "12", "тп-1"},
            {DbfInteger(7), "ТП-2", DbfInteger(2), DbfDouble(1e300), DbfLevel7Double(1e-9), DbfCurrency(-1),
             DbfInteger(5), DbfDouble(-0.0), DbfInteger(-1, 2), "13", "ТП-2"}});
  const std::string binary = ReadBytes(file);
  // names at their fields' ends and past them: a station of 41 characters once trimmed in the second
  // record, a feeder, a consumer and a contract number that fit
  auto letters = [](const char* letter, int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += letter;
    return text;
  };
  WriteDbf(file,
           {{"RES_ID", 'N', 3}, {"NAMETP", 'C', 44}, {"FIDER", 'C', 42}, {"NAME_POTR", 'C', 84}, {"NDOGOV", 'C', 22},
            {"NDOG", 'C', 4}, {"NAME_TP", 'C', 6}},
           {{"7", "тп-" + letters("ш", 37), letters("ф", 40), letters("а", 80), letters("1", 20), "1", "тп-1"},
            {"7", "  ТП-" + letters("Ш", 38) + " ", "1", "", "2", "2", "ТП-2"}});
  // the headers of Clipper (a zero byte after the descriptors) and of Visual FoxPro (its database's name),
  // and household bases as a Clipper program (a field wider than 255) and Visual FoxPro 9 (varchar
  // fields) write them
  const std::vector<std::string> seeds = {valid,
                                          binary,
                                          DbfClipper(valid),
                                          DbfFoxPro(binary),
                                          ReadBytes(file),
                                          ReadBytes(TestDataDir() / "dbase" / "clipper_households.dbf"),
                                          ReadBytes(TestDataDir() / "dbase" / "vfp_households.dbf")};

  // Box-drawing bytes of the DOS code page written into texts of the first base, as a base kept in
  // another code page than its header tells reads: the import is refused by the record and the field of
  // the first such text that a base takes, the meter points' before the households'. Each record holds
  // 90 bytes: its deletion mark, then the fields (NAMETP from byte 4, NTR from 64, FIDER from 68, PRIM
  // from 72).
  constexpr int kRecord = 90;
  const std::size_t header = static_cast<unsigned char>(valid[8]) | static_cast<unsigned char>(valid[9]) << 8;
  ASSERT_EQ(static_cast<unsigned char>(valid[10]) | static_cast<unsigned char>(valid[11]) << 8, kRecord);
  const auto refused = [&](int record, const std::string& field, const std::string& text, const std::string& symbol,
                           const std::string& code) {
    return NothingChangedText("Ошибка чтения файла \"" + file + "\": строка " + std::to_string(record) + ", поле " +
                              field + ": текст \"" + text + "\" нельзя записать в таблицу: у символа \"" + symbol +
                              "\" (" + code + ") нет кода в кодировке Windows-1251 (база не в кодировке своего заголовка?)");
  };
  const struct {
    std::vector<std::tuple<int, int, unsigned char>> bytes;  // record, byte of the record, its new value
    int district;
    std::string message;  // empty: imported
  } damaged[] = {
      {{{2, 65, 0xB0}}, 7, refused(2, "NTR", "Т░2", "░", "U+2591")},
      {{{1, 68, 0xDB}}, 7, refused(1, "FIDER", "█", "█", "U+2588")},
      {{{1, 4, 0xB0}}, 0, refused(1, "NAMETP", "░п-1", "░", "U+2591")},
      // no record of district 5: no meter point is read, and the base's table stays
      {{{1, 4, 0xB0}}, 5, NothingImportedText(file, "нет записей района 5 (поле RES_ID)")},
      {{{1, 68, 0xDB}, {2, 6, 0xB0}}, 7, refused(2, "NAMETP", "ТП░2", "░", "U+2591")},
      // the deleted record, and a field that no base takes
      {{{3, 4, 0xB0}, {2, 72, 0xB0}}, 0, ""},
  };
  for (const auto& d : damaged) {
    std::string bytes = valid;
    for (const auto& [record, at, byte] : d.bytes)
      bytes[header + static_cast<std::size_t>((record - 1) * kRecord + at)] = static_cast<char>(byte);
    WriteBytes(file, bytes);
    std::vector<std::string> info;
    TSubscriberDbfRequest r;
    r.BaseStem = stem;
    r.Prom = r.Byt = r.Dog = true;
    r.PathProm = r.PathByt = r.PathDog = file;
    r.DistrictNo = d.district;
    std::string refusal;
    try {
      ImportSubscriberBasesDbf(r, info);
    } catch (const Error& e) {
      refusal = e.what();
    }
    EXPECT_EQ(refusal, d.message);
    EXPECT_EQ(ExpectedRefusal(file, d.district), d.message);
  }
  WriteRows(stem + ".R04", LayoutLines04, {{"СТАРАЯ"}});
  const std::string oldLines = ReadBytes(stem + ".R04");
  std::mt19937 random(46046);
  int imported = 0, textRefusals = 0;
  // the two first seeds in full, the others a quarter as often each
  const int rounds = 2 * kRounds + static_cast<int>(seeds.size() - 2) * (kRounds / 4);
  for (int round = 0; round < rounds; ++round) {
    const int seed = round < 2 * kRounds ? round / kRounds : 2 + (round - 2 * kRounds) / (kRounds / 4);
    WriteBytes(file, Mutate(seeds[static_cast<std::size_t>(seed)], random));
    std::vector<std::string> info;
    TSubscriberDbfRequest r;
    r.BaseStem = stem;
    r.Prom = r.Byt = r.Dog = true;
    r.PathProm = r.PathByt = r.PathDog = file;
    r.AddMode = round % 2 == 1;
    r.DistrictNo = round % 3 == 0 ? 7 : 0;
    // the rows the base has, after which the records added are numbered
    int rowsBefore = 0;
    if (r.AddMode && std::filesystem::exists(stem + ".BPA")) {
      TDataFile before;
      ReadTableFile(stem + ".BPA", before);
      rowsBefore = before.RowCount;
    }
    std::string refused;
    try {
      ImportSubscriberBasesDbf(r, info);
    } catch (const Error& e) {
      refused = e.what();
    }
    const std::string refusal = ExpectedRefusal(file, r.DistrictNo, rowsBefore);
    if (refusal.find("нельзя записать в таблицу") != std::string::npos ||
        refusal.find("не поместится в поле") != std::string::npos)
      ++textRefusals;
    if (!refused.empty()) {
      // an unreadable record, or a name the tables cannot hold named by its record and field, or a base of
      // another kind
      EXPECT_EQ(refused, refusal) << round;
    } else {
      EXPECT_EQ(refusal, "") << round;
      ++imported;
      TDataFile consumers;
      ReadTableFile(stem + ".RAB", consumers);
      TDbfTable dbf;
      std::string error;
      ASSERT_TRUE(dbf.Open(file, error));
      int live = 0;
      for (bool more = dbf.First(); more; more = dbf.Next()) ++live;
      EXPECT_EQ(consumers.RowCount, live) << "one row per live record";
    }

    info.clear();
    TLine04Request lines;
    lines.BaseStem = stem;
    lines.Path = file;
    try {
      ImportLines04Dbf(lines, info);
      WriteRows(stem + ".R04", LayoutLines04, {{"СТАРАЯ"}});
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
      EXPECT_EQ(ReadBytes(stem + ".R04"), oldLines) << e.what();
    }
    ASSERT_TRUE(NoLocks());
  }
  EXPECT_GT(imported, 0);
  EXPECT_GT(textRefusals, 0) << "no damage met a name the tables cannot hold";
}

TEST_F(SubscriberFuzz, DamagedWorkbooksAreImportedOrRefusedByName) {
  const std::string file = dir / "byt.xlsx";
  lxw_workbook* book = workbook_new(file.c_str());
  lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
  const char* rows[][4] = {{"ТП-1", "", "", ""}, {"1", "2", "3", "100"}, {"2", "ТП-1.Т1.Ф2", "x", "АЕ спож."}};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c)
      worksheet_write_string(sheet, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c), rows[r][c], nullptr);
  worksheet_write_number(sheet, 3, 0, 5, nullptr);
  ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
  const std::string valid = ReadBytes(file);
  WriteRows(stem + ".RSF", LayoutSubstFeeders, {{"ПС-1", "ЯЧ-1", "ТП-1"}});
  std::mt19937 random(4646);
  // besides the workbook above, seeds that are refused as they stand: a legacy workbook whose cell
  // names a text past its table, one without a sheet, and one whose text longer than any field is named
  // by a thousand rows' stations
  std::vector<XlsCell> named{{XlsCell::Text, 1, 1, 0, "Реестр"}, {XlsCell::Text, 2, 1, 0, "№"}};
  for (int row = 3; row <= 1002; ++row) {
    named.push_back({XlsCell::Number, row, 1, static_cast<double>(row), ""});
    named.push_back({XlsCell::Text, row, 6, 0, "ТП-" + std::string(300, '5')});
  }
  const std::vector<std::string> seeds = {
      valid, WithTextIndex(BuildXls({{XlsCell::Text, 1, 1, 0, "ТП-1"}, {XlsCell::Text, 3, 6, 0, "ТП-1.Т1"}}), 3, 6, 5),
      XlsWithoutSheet(), BuildXls(named)};
  const int longRounds = kRounds / 10;
  for (int round = 0; round < kRounds + kRounds / 2 + longRounds; ++round) {
    // the first rounds go to the first workbook as they always did, the last to the long text
    const bool longText = round >= kRounds + kRounds / 2;
    const std::string& seed = round < kRounds ? valid : longText ? seeds[3] : seeds[1 + round % 2];
    const bool asItStands = round == kRounds || round == kRounds + 1 || round == kRounds + kRounds / 2;
    WriteBytes(file, asItStands ? seed : Mutate(seed, random));
    const std::string oldBpa = ReadBytes(stem + ".BPA");
    std::vector<std::string> info;
    TSubscriberXlsRequest r;
    r.BaseStem = stem;
    r.Prom = r.Byt = r.Tech = true;
    r.PathProm = r.PathByt = r.PathTech = file;
    try {
      EXPECT_EQ(ImportSubscriberBasesXls(r, info), LayoutMeterPoints);
      EXPECT_FALSE(asItStands) << "a seed that is refused as it stands was imported";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
      EXPECT_EQ(ReadBytes(stem + ".BPA"), oldBpa) << "the first workbook refused: nothing written";
    }
    ASSERT_TRUE(NoLocks());
  }
}

}  // namespace
}  // namespace ld::test
