// The subscriber bases from dBase files: which records are taken, what each field becomes, the order of
// the rows, and what a file that cannot be read leaves behind.
#include "core/district/base_import.h"
#include "core/district/subscriber_dbf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/session.h"
#include "core/office/test_dbf_writer.h"
#include "core/tables/file_guard.h"
#include "core/tables/table_file.h"
#include "support/scripted_msgbox.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

const std::vector<DbfField> kPromFields = {
    {"RES_ID", 'N', 4},   {"NAMETP", 'C', 20},  {"NTR", 'C', 6},        {"FEEDER", 'C', 10}, {"NDOG", 'C', 10},
    {"ABONENT", 'C', 30}, {"NUMPOINT", 'N', 4}, {"TYPCOUNTER", 'C', 3}, {"DEVICE", 'C', 3},  {"SUB", 'C', 2},
    {"L", 'N', 2},        {"KTOK", 'N', 8},     {"W", 'N', 12, 2},      {"WT", 'N', 12, 2},  {"WS", 'N', 12, 2}};

// A record of kPromFields.
DbfRow Prom(const std::string& res, const std::string& tp, const std::string& ndog, const std::string& point,
            const std::string& typ = "1", const std::string& device = "", const std::string& w = "10",
            const std::string& wt = "0", const std::string& ws = "0", const std::string& ktok = "1") {
  return {res, tp, "т-1", "л2", ndog, "Абонент " + ndog, point, typ, device, "", "1", ktok, w, wt, ws};
}

std::string Letters(const char* letter, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += letter;
  return s;
}

std::vector<std::vector<std::string>> Cells(const TDataFile& t, const std::vector<std::string>& fields) {
  std::vector<std::vector<std::string>> rows;
  for (int r = 1; r <= t.RowCount; ++r) {
    rows.emplace_back();
    for (const std::string& f : fields) rows.back().push_back(GetCellText(t, r, FindColumnIndex(f, t), true));
  }
  return rows;
}

class SubscriberDbf : public ::testing::Test {
protected:
  SubscriberDbf() { MaketFileName = (DataDir() / "maket.zr").string(); }

  TDataFile Table(const std::string& ext) const {
    TDataFile t;
    ReadTableFile(stem + ext, t);
    return t;
  }
  // Lock files left in the base's folder.
  int Locks() const {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir.Path())) n += e.path().string().back() == '~';
    return n;
  }
  TSubscriberDbfRequest Request() const {
    TSubscriberDbfRequest r;
    r.BaseStem = stem;
    return r;
  }
  // The refusal of the command; empty when it wrote its tables.
  std::string Refusal(const TSubscriberDbfRequest& r) {
    try {
      ImportSubscriberBasesDbf(r, info);
    } catch (const Error& e) {
      return e.what();
    }
    return {};
  }

  TempDir dir;
  const std::string stem = dir / "Район";
  std::vector<std::string> info;
};

TEST_F(SubscriberDbf, AddModeTakesOnlyTheDistrictsRecordsAfterTheBasesRows) {
  WriteRows(stem + ".BPA", LayoutMeterPoints, {{"ЯБЛОНЯ", "", "", "1"}, {"АРКА", "", "", "2"}});
  const std::string file = dir / "prom.dbf";
  WriteDbf(file, kPromFields,
           {Prom("7", "ТП-9", "20", "1"), Prom("3", "ТП-1", "30", "1"), Prom("7", "ТП-2", "40", "2"),
            Prom("7", "ТП-3", "50", "1")},
           {4});
  TSubscriberDbfRequest r = Request();
  r.Prom = true;
  r.PathProm = file;
  r.AddMode = true;
  r.DistrictNo = 7;
  EXPECT_EQ(ImportSubscriberBasesDbf(r, info), LayoutMeterPoints);
  EXPECT_TRUE(info.empty());
  const TDataFile t = Table(".BPA");
  EXPECT_EQ(t.Title, "Район");
  // the old rows stay, the district's two live records come in, all sorted by station
  const std::vector<std::vector<std::string>> expected = {
      {"АРКА", "2"}, {"ТП-2", "40"}, {"ТП-9", "20"}, {"ЯБЛОНЯ", "1"}};
  EXPECT_EQ(Cells(t, {"NameTP", "Ndog"}), expected);

  // a file without RES_ID has no record of district 7: nothing to add, refused
  const std::string plain = dir / "plain.dbf";
  WriteDbf(plain, {{"NAMETP", 'C', 10}, {"NDOG", 'C', 5}}, {{"ТП-5", "1"}, {"ТП-6", "2"}});
  r.PathProm = plain;
  EXPECT_EQ(Refusal(r), NothingImportedText(plain, "нет записей района 7 (поле RES_ID)"));
  EXPECT_TRUE(info.empty());
  EXPECT_EQ(Cells(Table(".BPA"), {"NameTP", "Ndog"}), expected);

  // add mode without a number adds every record
  r.DistrictNo = 0;
  ImportSubscriberBasesDbf(r, info);
  EXPECT_EQ(Table(".BPA").RowCount, 6);

  // without add mode the base is replaced; a number still chooses the records
  r.AddMode = false;
  r.DistrictNo = 3;
  r.PathProm = file;
  ImportSubscriberBasesDbf(r, info);
  EXPECT_EQ(Cells(Table(".BPA"), {"NameTP", "Ndog"}), (std::vector<std::vector<std::string>>{{"ТП-1", "30"}}));
  EXPECT_EQ(Locks(), 0);
}

TEST_F(SubscriberDbf, FieldsOfTheIndustrialBase) {
  const std::string file = dir / "prom.dbf";
  WriteDbf(file, kPromFields,
           {Prom("", "  тп-5 ", "  12", "2", "0", "k", "1", "40.5", "100.25"),
            // Latin T and P in the station's name; a meter mark in lower case that is no K
            Prom("", "TП-5", "12", "1", "2", "yes", "7"), Prom("", "ТП-5", "12", "1", "x"),
            // a current ratio that is no number: what came before it stays, what follows stays empty
            Prom("", "ТП-1", "9", "1", "1", "", "55", "0", "0", "десять")});
  TSubscriberDbfRequest r = Request();
  r.Prom = true;
  r.PathProm = file;
  ImportSubscriberBasesDbf(r, info);
  const std::vector<std::string> expectedInfo = {"База промышленных абонентов. Строка 3 - неверно задан тип счетчика",
                                                 "База промышленных абонентов. Строка 4 - ошибка чтения поля KTOK (текст "
                                                 "\"десять\" не является числом)"};
  EXPECT_EQ(info, expectedInfo);
  const TDataFile t = Table(".BPA");
  const std::vector<std::vector<std::string>> expected = {
      // NameTP, Ntr, Fider, Ndog, NumPoint, TypCounter, Device, FVL, Ktok, W, Wt, Ws
      {"ТП-1", "Т-1", "Л2", "9", "1", "1", "", "1", "", "", "", ""},
      // a contract's number loses the blanks at its ends, as every name read from outside does
      {"ТП-5", "Т-1", "Л2", "12", "1", "1", "", "1", "1", "10", "", ""},
      {"ТП-5", "Т-1", "Л2", "12", "1", "2", "Y", "1", "1", "7", "", ""},
      {"ТП-5", "Т-1", "Л2", "12", "2", "", "K", "1", "1", "59.75", "40.5", "100.25"},
  };
  const std::vector<std::string> fields = {"NameTP", "Ntr", "Fider", "Ndog", "NumPoint", "TypCounter",
                                           "Device", "FVL", "Ktok",  "W",    "Wt",       "Ws"};
  EXPECT_EQ(Cells(t, fields), expected);
  EXPECT_EQ(static_cast<const DAChar*>(t.Columns[FindColumnIndex("Device", t)].get())->Get(4), 'K')
      << "the Latin letter";
}

// A point number beyond the signed 16-bit column is a record error, not another number; the binary
// numbers of later dBase variants are read as the values they hold.
TEST_F(SubscriberDbf, BinaryNumbersAndPointNumbersBeyondTheColumn) {
  const std::string file = dir / "prom.dbf";
  WriteDbf(file,
           {{"NAMETP", 'C', 10}, {"NDOG", 'C', 4}, {"NUMPOINT", 'I', 4}, {"KTOK", 'Y', 8}, {"W", 'B', 8},
            {"WS", 'O', 8}},
           {{"ТП-1", "1", DbfInteger(40000), DbfCurrency(400000), DbfDouble(1), DbfLevel7Double(1)},
            {"ТП-2", "2", DbfInteger(32767), DbfCurrency(125000), DbfDouble(1500.25), DbfLevel7Double(-2.75)},
            {"ТП-3", "3", DbfInteger(-32768), DbfCurrency(-5), DbfDouble(1e-3), std::string(8, '\0')},
            {"ТП-4", "4", DbfInteger(-32769), DbfCurrency(0), DbfDouble(0), DbfLevel7Double(0)}});
  TSubscriberDbfRequest r = Request();
  r.Prom = true;
  r.PathProm = file;
  ImportSubscriberBasesDbf(r, info);
  EXPECT_EQ(info, (std::vector<std::string>{"База промышленных абонентов. Строка 1 - ошибка чтения поля NUMPOINT "
                                            "(число 40000 вне пределов -32768..32767)",
                                            "База промышленных абонентов. Строка 4 - ошибка чтения поля NUMPOINT "
                                            "(число -32769 вне пределов -32768..32767)"}));
  const std::vector<std::vector<std::string>> expected = {
      {"ТП-1", "", "", "", ""},
      {"ТП-2", "32767", "12.5", "1500.25", "-2.75"},
      {"ТП-3", "-32768", "-0.0005", "0.001", ""},
      {"ТП-4", "", "", "", ""}};
  EXPECT_EQ(Cells(Table(".BPA"), {"NameTP", "NumPoint", "Ktok", "W", "Ws"}), expected);

  // A contract list whose names the tables cannot hold as they read (a Windows-1251 base under a DOS
  // header): the list is refused by the record and the field, and the old list stays.
  WriteRows(stem + ".RAB", LayoutConsumers, {{"1", "Старый"}});
  const std::string oldDog = ReadBytes(stem + ".RAB");
  const std::string dog = dir / "dog.dbf";
  WriteDbf(dog, {{"NDOGOV", 'C', 6}, {"NAME_POTR", 'C', 20}}, {{"1", "ООО Лес"}, {"2", "╬╬╬ ╦┼╤"}});
  info.clear();
  TSubscriberDbfRequest d = Request();
  d.Dog = true;
  d.PathDog = dog;
  const std::string refusal = Refusal(d);
  EXPECT_EQ(refusal.rfind("Ошибка чтения файла \"" + dog + "\": строка 2, поле NAME_POTR: текст \"╬╬╬ ╦┼╤\"", 0), 0u)
      << refusal;
  EXPECT_TRUE(info.empty());
  EXPECT_EQ(ReadBytes(stem + ".RAB"), oldDog);
  EXPECT_EQ(Locks(), 0);
}

TEST_F(SubscriberDbf, HouseholdsAndContracts) {
  const std::string byt = dir / "byt.dbf";
  WriteDbf(byt,
           {{"NAME_TP", 'C', 12},
            {"FIDER", 'C', 6},
            {"COUNTAB", 'N', 6},
            {"PAYAB", 'N', 6},
            {"W", 'N', 10, 1},
            {"WS", 'N', 10, 1}},
           {{"тп-9", "л1", "12", "10", "1200.5", "100"},
            {"тп-2", "2", "5", "5", "50", "10"},
            {"тп-4", "л3", "много", "1", "7", "1"}});
  const std::string dog = dir / "dog.dbf";
  WriteDbf(dog, {{"NDOGOV", 'C', 8}, {"NAME_POTR", 'C', 20}, {"TOWN", 'C', 12}, {"STREET", 'C', 20}},
           {{" 101", "Завод", "Город", "Ленина, 5"}, {"102", "Школа", "", "Мира, 1"}});
  TSubscriberDbfRequest r = Request();
  r.Byt = r.Dog = true;
  r.PathByt = byt;
  r.PathDog = dog;
  r.FeederPrefix = "Ф-";
  EXPECT_EQ(ImportSubscriberBasesDbf(r, info), LayoutHouseholds);
  EXPECT_EQ(info, std::vector<std::string>{
                      "База бытовых абонентов. Строка 3 - ошибка чтения поля COUNTAB (текст \"много\" не является целым "
                      "числом)"});
  const std::vector<std::vector<std::string>> households = {
      {"ТП-2", "Ф-2", "5", "5", "50", "10"},
      {"ТП-4", "Ф-Л3", "", "", "7", "1"},
      {"ТП-9", "Ф-Л1", "12", "10", "1200.5", "100"},
  };
  EXPECT_EQ(Cells(Table(".BBA"), {"NameTP", "Fider", "CountAb", "PayAb", "W", "Ws"}), households);
  const std::vector<std::vector<std::string>> contracts = {{"101", "Завод", "Город, Ленина, 5", ""},
                                                           {"102", "Школа", "Мира, 1", ""}};
  EXPECT_EQ(Cells(Table(".RAB"), {"Ndog", "NameAb", "Address", "NameTP"}), contracts);

  // without a STREET field the address stays empty; only the contract list wanted: it is shown
  WriteDbf(dog, {{"NDOGOV", 'C', 8}, {"TOWN", 'C', 12}}, {{"7", "Город"}});
  r.Byt = false;
  info.clear();
  EXPECT_EQ(ImportSubscriberBasesDbf(r, info), LayoutConsumers);
  EXPECT_EQ(Cells(Table(".RAB"), {"Ndog", "Address"}), (std::vector<std::vector<std::string>>{{"7", ""}}));
}

// Every wanted base is read before any table is written: one that cannot be read, or that is of another
// kind, refuses the whole command by its name, and every table stays as it was.
TEST_F(SubscriberDbf, AFileThatCannotBeReadOrIsOfAnotherKindRefusesTheWholeCommand) {
  const std::string prom = dir / "prom.dbf";
  WriteDbf(prom, kPromFields, {Prom("", "ТП-1", "1", "1")});
  WriteRows(stem + ".BBA", LayoutHouseholds, {{"СТАРАЯ", "Л1"}});
  WriteRows(stem + ".RAB", LayoutConsumers, {{"1", "Старый"}});
  const std::string oldByt = ReadBytes(stem + ".BBA"), oldDog = ReadBytes(stem + ".RAB");
  const std::string missing = dir / "нет.dbf";
  TSubscriberDbfRequest r = Request();
  r.Prom = r.Byt = r.Dog = true;
  r.PathProm = prom;
  r.PathByt = missing;
  r.PathDog = prom;
  EXPECT_EQ(Refusal(r), "Ошибка чтения базы бытовых абонентов (файл " + missing +
                            "): файл не найден или недоступен, ничего не изменено");
  EXPECT_FALSE(fs::exists(stem + ".BPA")) << "the industrial base read before it is not written";
  EXPECT_EQ(ReadBytes(stem + ".BBA"), oldByt);
  EXPECT_EQ(ReadBytes(stem + ".RAB"), oldDog);
  EXPECT_EQ(Locks(), 0);

  // the industrial base as the contract list: it has no contract field, and would make a list of
  // empty rows
  r.Byt = false;
  EXPECT_EQ(Refusal(r), NothingImportedText(prom, "поле NDOGOV не найдено"));
  EXPECT_FALSE(fs::exists(stem + ".BPA"));
  EXPECT_EQ(ReadBytes(stem + ".RAB"), oldDog);
  r.Byt = true;

  // the first file unreadable
  r.PathProm = missing;
  EXPECT_EQ(Refusal(r), "Ошибка чтения базы промышленных абонентов (файл " + missing +
                            "): файл не найден или недоступен, ничего не изменено");
  EXPECT_TRUE(info.empty());
  EXPECT_EQ(Locks(), 0);

  // A household base whose header Clipper wrote (a zero byte after the descriptors' terminator) is read;
  // a byte there that is no padding refuses it with the reader's reason.
  const std::string byt = dir / "byt.dbf";
  WriteDbf(byt, {{"NAME_TP", 'C', 12}, {"FIDER", 'C', 6}, {"W", 'N', 10, 1}}, {{"тп-9", "1", "1200.5"}});
  const std::string clipper = DbfClipper(ReadBytes(byt));
  WriteBytes(byt, clipper);
  info.clear();
  r.Prom = r.Dog = false;
  r.PathByt = byt;
  EXPECT_EQ(ImportSubscriberBasesDbf(r, info), LayoutHouseholds);
  EXPECT_TRUE(info.empty());
  EXPECT_EQ(Cells(Table(".BBA"), {"NameTP", "Fider", "W"}),
            (std::vector<std::vector<std::string>>{{"ТП-9", "1", "1200.5"}}));
  std::string damaged = clipper;
  damaged[129] = 'x';
  WriteBytes(byt, damaged);
  EXPECT_EQ(Refusal(r), "Ошибка чтения базы бытовых абонентов (файл " + byt +
                            "): файл поврежден: длина заголовка 130 байт не соответствует описаниям 3 полей (129 "
                            "байт): после них не нулевое заполнение (130-й байт файла: 0x78), ничего не изменено");
  EXPECT_EQ(Table(".BBA").RowCount, 1);
  EXPECT_EQ(Locks(), 0);
}

// Every text goes whole into the field of the table it fills, as the import makes it (trimmed, with the
// feeder's prefix, town and street together): a longer one is never cut, where two stations alike in
// their first 40 characters would become one; it refuses the file by its record and field, and the
// base's table stays as it was.
TEST_F(SubscriberDbf, TextsGoWholeIntoTheirFieldsOrRefuseTheFileByRecordAndField) {
  WriteRows(stem + ".BBA", LayoutHouseholds, {{"СТАРАЯ", "Л1"}});
  const std::string old = ReadBytes(stem + ".BBA");
  const std::string byt = dir / "byt.dbf";
  const std::vector<DbfField> householdFields = {{"NAME_TP", 'C', 60}, {"FIDER", 'C', 60}, {"W", 'N', 10, 1}};
  TSubscriberDbfRequest r = Request();
  r.Byt = true;
  r.PathByt = byt;
  r.FeederPrefix = "Л-";
  // the refusal of the households, with the record messages before it
  const auto households = [&](const std::vector<DbfRow>& rows) {
    WriteDbf(byt, householdFields, rows);
    info.clear();
    return Refusal(r);
  };
  const std::string station = "ТП-" + Letters("Ш", 37);
  EXPECT_EQ(households({{station + "-1", "1", "5"}, {station + "-2", "1", "7"}}),
            NothingChangedText(TooLong(byt, 1, "NAME_TP", station + "-1", "ТП", 40)));
  EXPECT_EQ(ReadBytes(stem + ".BBA"), old);
  EXPECT_EQ(households({{"ТП-1", "1", "5"}, {"ТП-" + Letters("Ш", 38), "1", "7"}}),
            NothingChangedText(TooLong(byt, 2, "NAME_TP", "ТП-" + Letters("Ш", 38), "ТП", 40)));
  // the prefix makes the feeder's name
  EXPECT_EQ(households({{"ТП-1", Letters("Ф", 39), "5"}}),
            NothingChangedText(TooLong(byt, 1, "FIDER", "Л-" + Letters("Ф", 39), "Фидер 0.4 кВ", 40)));
  EXPECT_EQ(ReadBytes(stem + ".BBA"), old);
  // One record, one number: after a deleted record a text is named by the row its record makes, as the
  // message of a number that does not read is
  WriteDbf(byt, householdFields, {{"ТП-1", "1", "5"}, {"ТП-2", "1", "x"}, {station + "-3", "1", "7"}}, {1});
  info.clear();
  EXPECT_EQ(Refusal(r), NothingChangedText(TooLong(byt, 2, "NAME_TP", station + "-3", "ТП", 40)));
  EXPECT_EQ(info, std::vector<std::string>{"База бытовых абонентов. Строка 1 - ошибка чтения поля W (текст \"x\" не "
                                           "является числом)"});
  // A control character is no part of a name: stored, it would make a station that no other table
  // matches and no person sees. A line feed within a station, a byte 0x01 within a feeder.
  const auto control = [&](const std::string& field, const std::string& shown, const char* code) {
    return "Ошибка чтения файла \"" + byt + "\": строка 1, поле " + field + ": текст \"" + shown +
           "\" не принят: в нем управляющий символ " + code;
  };
  EXPECT_EQ(households({{"ТП-5\nТ1", "1", "5"}}), NothingChangedText(control("NAME_TP", "ТП-5?Т1", "U+000A")));
  EXPECT_EQ(households({{"ТП-5", "1\x01" "2", "5"}}), NothingChangedText(control("FIDER", "1?2", "U+0001")));
  EXPECT_EQ(ReadBytes(stem + ".BBA"), old);
  // A damaged text quoted in a refusal shows its control characters as "?", each one character, so that
  // a line feed does not split the message nor a zero byte end it.
  EXPECT_EQ(FieldFitFault("ТП-1\n" + Letters("Ш", 30) + std::string(1, '\0') + Letters("Ж", 10), {40, "ТП"}),
            "текст \"ТП-1?" + Letters("Ш", 30) + "?" + Letters("Ж", 4) +
                "...\" не поместится в поле \"ТП\": в поле не больше 40 символов, а в тексте 46");
  // 40 Cyrillic letters are 80 bytes and go whole
  EXPECT_EQ(households({{Letters("ш", 40), Letters("ф", 38), "5"}}), "");
  EXPECT_TRUE(info.empty());
  EXPECT_EQ(Cells(Table(".BBA"), {"NameTP", "Fider"}),
            (std::vector<std::vector<std::string>>{{Letters("Ш", 40), "Л-" + Letters("Ф", 38)}}));

  // the industrial base: a station trimmed to 40 characters goes whole, 41 do not; a consumer of 81
  const std::string prom = dir / "prom.dbf";
  const std::vector<DbfField> promFields = {{"NAMETP", 'C', 50}, {"NDOG", 'C', 10}, {"ABONENT", 'C', 100}};
  WriteDbf(prom, promFields, {{"  " + Letters("Ш", 40) + "  ", "1", Letters("А", 80)}});
  r.Byt = false;
  r.Prom = true;
  r.PathProm = prom;
  info.clear();
  EXPECT_EQ(ImportSubscriberBasesDbf(r, info), LayoutMeterPoints);
  EXPECT_EQ(Cells(Table(".BPA"), {"NameTP", "Abonent"}),
            (std::vector<std::vector<std::string>>{{Letters("Ш", 40), Letters("А", 80)}}));
  const std::string oldProm = ReadBytes(stem + ".BPA");
  WriteDbf(prom, promFields, {{"ТП-1", "1", "А"}, {"ТП-2", "2", Letters("А", 81)}});
  info.clear();
  EXPECT_EQ(Refusal(r), NothingChangedText(TooLong(prom, 2, "ABONENT", Letters("А", 81), "Абонент", 80)));
  WriteDbf(prom, promFields, {{" " + Letters("Ш", 41), "1", "А"}});
  EXPECT_EQ(Refusal(r), NothingChangedText(TooLong(prom, 1, "NAMETP", Letters("Ш", 41), "ТП", 40)));
  EXPECT_TRUE(info.empty());
  EXPECT_EQ(ReadBytes(stem + ".BPA"), oldProm);

  // the contracts: town and street together make the address
  const std::string dog = dir / "dog.dbf";
  WriteDbf(dog, {{"NDOGOV", 'C', 8}, {"TOWN", 'C', 40}, {"STREET", 'C', 40}},
           {{"1", Letters("Г", 39), Letters("у", 39)}, {"2", Letters("Г", 39), Letters("у", 40)}});
  r.Prom = false;
  r.Dog = true;
  r.PathDog = dog;
  EXPECT_EQ(Refusal(r), NothingChangedText(TooLong(dog, 2, "TOWN, STREET", Letters("Г", 39) + ", " + Letters("у", 40),
                                                   "Адрес", 80)));
  EXPECT_FALSE(fs::exists(stem + ".RAB"));
  EXPECT_EQ(Locks(), 0);
}

// Household bases as a Clipper program and Visual FoxPro 9 keep them (tests/data/dbase, see its README):
// an address wider than 255 characters between the station and the feeder, stations and feeders in
// varchar fields one byte shorter than their fields. Each record comes in as it was typed.
TEST_F(SubscriberDbf, HouseholdBasesAsClipperAndVisualFoxProWriteThem) {
  TSubscriberDbfRequest r = Request();
  r.Byt = true;
  r.PathByt = (TestDataDir() / "dbase" / "clipper_households.dbf").string();
  EXPECT_EQ(ImportSubscriberBasesDbf(r, info), LayoutHouseholds);
  EXPECT_TRUE(info.empty());
  EXPECT_EQ(Cells(Table(".BBA"), {"NameTP", "Fider", "CountAb", "W"}),
            (std::vector<std::vector<std::string>>{
                {"ТП-17", "1", "12", "2750.25"}, {"ТП-17", "2", "5", "120.5"}, {"ТП-3", "1", "7", "300"}}));

  r.PathByt = (TestDataDir() / "dbase" / "vfp_households.dbf").string();
  EXPECT_EQ(ImportSubscriberBasesDbf(r, info), LayoutHouseholds);
  EXPECT_TRUE(info.empty());
  EXPECT_EQ(Cells(Table(".BBA"), {"NameTP", "Fider", "CountAb", "W"}),
            (std::vector<std::vector<std::string>>{{"ТП-4", "", "7", "300"},
                                                   {"ТП-41", "Л-1", "12", "2750.25"},
                                                   {"ТП-410", "Л-2", "5", "120.5"},
                                                   {"ТП-5", "Ф-1234Ж", "3", "45"}}));
  // a Harbour table of a wide address and a memo field; LibreOffice's bases, whose header names no code
  // page, in 866 and in Windows-1251
  for (const auto& [file, rows] : std::vector<std::pair<std::string, std::vector<std::vector<std::string>>>>{
           {"households_harbour.dbf", {{"ТП-17", "1", "12", "2750.25"}, {"ТП-3", "2", "7", "300"}}},
           {"households_libreoffice_866.dbf", {{"ТП-42", "Л-1", "12", "2750.25"}, {"ТП-7", "Л-2", "5", "120.5"}}},
           {"households_libreoffice_lower.dbf", {{"ТП-42", "Л-1", "12", "2750.25"}, {"ТП-7", "Ф-2", "5", "120.5"}}}}) {
    r.PathByt = (TestDataDir() / "dbase" / file).string();
    // lower-case names read as names in both code pages: asked, "Нет" reads Windows-1251
    ScriptedMsgBox box;
    box.Answer(0);
    EXPECT_EQ(ImportSubscriberBasesDbf(r, info), LayoutHouseholds) << file;
    EXPECT_EQ(Cells(Table(".BBA"), {"NameTP", "Fider", "CountAb", "W"}), rows) << file;
  }
  EXPECT_TRUE(info.empty());
  // The contracts' names stand in a memo file: the second record's name is its text, far too long for
  // the table's field, never its block number "2".
  r.Byt = false;
  r.Dog = true;
  r.PathDog = (TestDataDir() / "dbase" / "contracts_dbase3.dbf").string();
  std::string name;
  for (int i = 0; i < 10; ++i) name += "Общество с ограниченной ответственностью \"Светлый путь\", цех № 2; ";
  EXPECT_EQ(Refusal(r), TooLong(r.PathDog, 2, "NAME_POTR", Utf8Left(name, 600), "Абонент", 80) + ", ничего не изменено");
  EXPECT_EQ(Locks(), 0);

  // the Clipper household base given as the industrial base or as the contract list is of another kind:
  // no industrial row and no contract list of empty rows is made of it
  WriteRows(stem + ".BPA", LayoutMeterPoints, {{"ТП-1", "", "", "1"}});
  const std::string points = ReadBytes(stem + ".BPA");
  const std::string clipper = (TestDataDir() / "dbase" / "clipper_households.dbf").string();
  TSubscriberDbfRequest other = Request();
  other.Prom = true;
  other.PathProm = clipper;
  EXPECT_EQ(Refusal(other), NothingImportedText(clipper, "поле NAMETP не найдено"));
  EXPECT_EQ(ReadBytes(stem + ".BPA"), points);
  other.Prom = false;
  other.Dog = true;
  other.PathDog = clipper;
  EXPECT_EQ(Refusal(other), NothingImportedText(clipper, "поле NDOGOV не найдено"));
  EXPECT_FALSE(fs::exists(stem + ".RAB"));
}

// A base of unreadable values gives a message for every record: the first thousand are kept and the
// rest counted.
TEST_F(SubscriberDbf, RecordMessagesAreBounded) {
  const std::string byt = dir / "byt.dbf";
  std::vector<DbfRow> rows(1500, DbfRow{"ТП-1", "x"});
  rows.push_back({"ТП-2", "1"});  // one whole record: the base is taken
  WriteDbf(byt, {{"NAME_TP", 'C', 6}, {"W", 'N', 4}}, rows);
  TSubscriberDbfRequest r = Request();
  r.Byt = true;
  r.PathByt = byt;
  info = {"до импорта"};
  EXPECT_EQ(ImportSubscriberBasesDbf(r, info), LayoutHouseholds);
  ASSERT_EQ(info.size(), 1002u);
  EXPECT_EQ(info[1], "База бытовых абонентов. Строка 1 - ошибка чтения поля W (текст \"x\" не является числом)");
  EXPECT_EQ(info[1000], "База бытовых абонентов. Строка 1000 - ошибка чтения поля W (текст \"x\" не является числом)");
  EXPECT_EQ(info.back(), "Еще сообщений не показано: 500");
  EXPECT_EQ(Table(".BBA").RowCount, 1501) << "every record is a row all the same";
}

// A record without its key (a meter point's station or contract, a household's station, a contract's
// number) is named in the messages and still shown as a row; only records with their key and every
// number read are taken, so a base of none, or of numbers that are all texts, is refused and the table
// stays. The refusal gives the first record's fault.
TEST_F(SubscriberDbf, RecordsWithoutTheirKeyAreNamedAndABaseOfNoneIsRefused) {
  WriteRows(stem + ".BPA", LayoutMeterPoints, {{"СТАРАЯ", "", "", "1"}});
  WriteRows(stem + ".BBA", LayoutHouseholds, {{"СТАРАЯ", "Л1"}});
  WriteRows(stem + ".RAB", LayoutConsumers, {{"1", "Старый"}});
  const std::string file = dir / "base.dbf";
  const std::vector<DbfField> prom = {{"NAMETP", 'C', 10}, {"NDOG", 'C', 6}, {"W", 'N', 8}};
  const std::vector<DbfField> byt = {{"NAME_TP", 'C', 10}, {"FIDER", 'C', 4}, {"W", 'N', 8}};
  const std::vector<DbfField> dog = {{"NDOGOV", 'C', 6}, {"NAME_POTR", 'C', 10}};
  const std::string points = "База промышленных абонентов. Строка ", households = "База бытовых абонентов. Строка ",
                    contracts = "Список договоров РЭС. Строка ";
  struct TCase {
    char base;  // 'P' industrial, 'B' households, 'D' contracts
    std::vector<DbfField> fields;
    std::vector<DbfRow> rows;
    std::vector<std::string> info;
    std::string refusal;  // the first record's fault; empty: taken, rows rows made
    int rows_made;
  };
  const TCase cases[] = {
      {'P', prom, {{"", "1", "5"}, {"ТП-1", " ", "5"}, {"ТП-2", "3", "7"}},
       {points + "1 - не задана ТП (поле NAMETP)", points + "2 - не задан договор (поле NDOG)"}, "", 3},
      {'P', prom, {{" ", "1", "5"}, {"ТП-1", "", "5"}},
       {points + "1 - не задана ТП (поле NAMETP)", points + "2 - не задан договор (поле NDOG)"},
       "строка 1: не задана ТП (поле NAMETP)", 0},
      {'P', prom, {{"ТП-1", "1", "x"}, {"", "2", "7"}},
       {points + "1 - ошибка чтения поля W (текст \"x\" не является числом)", points + "2 - не задана ТП (поле NAMETP)"},
       "строка 1: поле W: текст \"x\" не является числом", 0},
      {'B', byt, {{"ТП-1", "1", "5"}, {"", "2", "7"}}, {households + "2 - не задана ТП (поле NAME_TP)"}, "", 2},
      {'B', byt, {{"", "1", "5"}, {"", "2", "7"}},
       {households + "1 - не задана ТП (поле NAME_TP)", households + "2 - не задана ТП (поле NAME_TP)"},
       "строка 1: не задана ТП (поле NAME_TP)", 0},
      {'B', byt, {{"ТП-1", "1", "пять"}, {"ТП-2", "2", "1 000"}},
       {households + "1 - ошибка чтения поля W (текст \"пять\" не является числом)",
        households + "2 - ошибка чтения поля W (текст \"1 000\" не является числом: цифры разделены пробелами "
                     "(разделители разрядов): число пишут без них)"},
       "строка 1: поле W: текст \"пять\" не является числом", 0},
      {'D', dog, {{"", "Завод"}, {"7", "Школа"}}, {contracts + "1 - не задан номер договора (поле NDOGOV)"}, "", 2},
      {'D', dog, {{"", "Завод"}}, {contracts + "1 - не задан номер договора (поле NDOGOV)"},
       "строка 1: не задан номер договора (поле NDOGOV)", 0},
  };
  for (const TCase& c : cases) {
    WriteDbf(file, c.fields, c.rows);
    TSubscriberDbfRequest r = Request();
    (c.base == 'P' ? r.Prom : c.base == 'B' ? r.Byt : r.Dog) = true;
    r.PathProm = r.PathByt = r.PathDog = file;
    const std::string ext = c.base == 'P' ? ".BPA" : c.base == 'B' ? ".BBA" : ".RAB";
    const std::string old = ReadBytes(stem + ext);
    info.clear();
    EXPECT_EQ(Refusal(r), c.refusal.empty() ? "" : NothingImportedText(file, c.refusal)) << c.rows[0][0];
    EXPECT_EQ(info, c.info) << c.rows[0][0];
    if (c.refusal.empty()) {
      EXPECT_EQ(Table(ext).RowCount, c.rows_made);
      WriteBytes(stem + ext, old);
    } else {
      EXPECT_EQ(ReadBytes(stem + ext), old);
    }
  }
  EXPECT_EQ(Locks(), 0);

  // a base ticked without its file
  TSubscriberDbfRequest r = Request();
  r.Prom = true;
  EXPECT_EQ(Refusal(r), "Не выбран файл базы промышленных абонентов, ничего не изменено");
}

// LibreOffice writes no code page into a base's header: where its names read as names in both code pages
// the person is asked, "Отмена" leaving the list as it was.
TEST_F(SubscriberDbf, ACodePageTheBytesDoNotTellIsAskedAndMayEndTheImport) {
  WriteRows(stem + ".RAB", LayoutConsumers, {{"1", "Старый"}});
  const std::string old = ReadBytes(stem + ".RAB");
  TSubscriberDbfRequest r = Request();
  r.Dog = true;
  r.PathDog = (TestDataDir() / "dbase" / "contracts_libreoffice_866_yo.dbf").string();
  ScriptedMsgBox box;
  box.Answer(2);
  EXPECT_EQ(Refusal(r), "Ошибка чтения списка договоров РЭС (файл " + r.PathDog +
                            "): кодировка базы не выбрана, импорт прерван, ничего не изменено");
  EXPECT_EQ(ReadBytes(stem + ".RAB"), old);
  ASSERT_EQ(box.Calls().size(), 1u);
  EXPECT_NE(box.Calls()[0].text.find("\"тёс\" в кодировке DOS (866) или как \"всб\" в кодировке Windows-1251"),
            std::string::npos);
  box.Answer(1);
  EXPECT_EQ(Refusal(r), "");
  EXPECT_EQ(Cells(Table(".RAB"), {"Ndog", "NameAb"}), (std::vector<std::vector<std::string>>{{"1", "тёс"}}));
  EXPECT_EQ(Locks(), 0);
}

TEST_F(SubscriberDbf, ATableThatAnotherUserHoldsStopsEverythingAndKeepsThatLock) {
  const std::string prom = dir / "prom.dbf";
  WriteDbf(prom, kPromFields, {Prom("", "ТП-1", "1", "1")});
  const std::string user = CurrentUserName;
  CurrentUserName = "Петров";
  LockTableFiles(stem, ".RAB");
  CurrentUserName = "Иванов";
  TSubscriberDbfRequest r = Request();
  r.Prom = r.Dog = true;
  r.PathProm = r.PathDog = prom;
  EXPECT_THROW(ImportSubscriberBasesDbf(r, info), Error);
  EXPECT_FALSE(fs::exists(stem + ".BPA"));
  EXPECT_TRUE(fs::exists(stem + ".RAB~"));
  EXPECT_EQ(Locks(), 1);

  // an industrial base to add to that cannot be read: nothing is written either
  CurrentUserName = "Петров";
  UnlockTableFiles(stem, ".RAB");
  CurrentUserName = user;
  WriteBytes(stem + ".BPA", "не таблица");
  r.AddMode = true;
  EXPECT_THROW(ImportSubscriberBasesDbf(r, info), Error);
  EXPECT_EQ(ReadBytes(stem + ".BPA"), "не таблица");
  EXPECT_FALSE(fs::exists(stem + ".RAB"));
  EXPECT_EQ(Locks(), 0);
}

}  // namespace
}  // namespace ld::test
