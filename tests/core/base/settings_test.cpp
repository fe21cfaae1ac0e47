#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "core/base/codepage.h"
#include "core/base/file_replace.h"
#include "core/base/inifile.h"
#include "core/base/session.h"
#include "core/base/settings.h"
#include "support/fuzz_mutations.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

class Settings : public ::testing::Test {
protected:
  void SetUp() override {
    SetProgramPaths(dir_ / "ldtoril");
    MultiUserFlag = false;
  }
  void TearDown() override {
    IniRec = TIniRec{};
    MultiUserFlag = false;
  }
  void WriteIni(const std::string& text) { WriteBytes(ConfigFileName, Utf8ToCp1251(text)); }

  TempDir dir_;
  test::ScriptedMsgBox box_;
};

TEST_F(Settings, MissingFileGivesTheDefaultsNamedAfterTheExecutable) {
  EXPECT_EQ(std::pair(ProgramDir, ConfigFileName), std::pair(dir_.Path().string() + "/", dir_ / "ldtoril.ini"));
  ReadConfig();
  EXPECT_TRUE(box_.Calls().empty());
  const TIniRec& r = IniRec;
  EXPECT_EQ(std::tuple(r.Path, r.FileMusic, r.PrefTP), std::tuple(ProgramDir, ProgramDir + "ringin.wav", "ТП,КТП,ЗТП,МТП,РП"));
  EXPECT_EQ((std::vector<bool>{r.FlagProm, r.FlagDog, r.ExceptTr, r.RepeatIter, MultiUserFlag}),
            (std::vector<bool>{1, 0, 1, 0, 0}));
  EXPECT_EQ((std::vector<float>{r.ZamerTg, r.BPrec, r.Prec, r.dP}), (std::vector<float>{0.426f, 0.001f, 0.001f, 10}));
  EXPECT_EQ((std::vector<long>{r.BIter, r.Iter1, r.RCount, r.TypLoad}), (std::vector<long>{20, 100, 243, 0}));
  ASSERT_NE(r.UnomList, nullptr);
  EXPECT_NEAR(r.CalcDate, Now(), 1.0 / 24);  // date-times default to the moment of reading
}

TEST_F(Settings, ValuesOfEveryTypeAreReadAsStoredAndWrittenBack) {
  WriteIni("[Catalogs]\nPath=/elsewhere/\n[Import]\nTypLin04=257\nFlagDog=2\nPromTg=0,5\n"
           "[Regim]\nPrec=1E-5\nCalcDate=05.03.2004 10:30:15\n"
           "[OptimBSK]\nFileMusic=C:\\sounds\\bell.wav\n[RealTime]\nRI=abc\n"
           "[RadiusTKZ]\n5=/s/one\na=/s/two\n[MultiUser]\nFlag=1\n[Unom]\n1=10\n[OptimT]\nOwn=kept\n");
  ReadConfig();
  EXPECT_TRUE(box_.Calls().empty());
  EXPECT_EQ(IniRec.Path, ProgramDir);  // the catalogue folder is always the program folder
  EXPECT_EQ(IniRec.TypLin04, 1);       // a byte keeps the low 8 bits
  EXPECT_TRUE(IniRec.FlagDog && MultiUserFlag);
  EXPECT_EQ(std::pair(IniRec.PromTg, IniRec.Prec), std::pair(0.5f, 1e-5f));
  EXPECT_EQ(IniRec.CalcDate, EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 15));
  EXPECT_EQ(IniRec.FileMusic, ProgramDir + "bell.wav");
  EXPECT_EQ(IniRec.RI, 100.0f);  // the INI file's own float reader: a non-number is the default
  EXPECT_EQ(IniRec.RadiusTKZ, (std::vector<std::string>{"/s/one", "/s/two"}));

  IniRec.MPp = 0.123456789012;
  IniRec.ZamerTg = 0.3f;
  IniRec.TypLoad = 2;  // kept only while the program runs
  WriteConfig();
  const TMemIniFile ini(ConfigFileName);
  // A true Boolean as 1, a byte by its low 8 bits; other units' sections stay, the voltage list goes.
  EXPECT_EQ(ini.ReadString("Import", "FlagDog", "") + "/" + ini.ReadString("Import", "TypLin04", ""), "1/1");
  EXPECT_EQ(std::pair(ini.ReadString("OptimT", "Own", ""), ini.SectionExists("Unom")), std::pair(std::string("kept"), false));
  EXPECT_EQ(ini.ReadString("Regim", "CalcDate", ""), "05.03.2004 10:30:15");
  EXPECT_EQ(ini.ReadString("Import", "ZamerTg", ""), "0.3");
  EXPECT_EQ(ini.ReadString("OptimBSK", "FileMusic", ""), "bell.wav");
  EXPECT_EQ(ini.ReadSectionValues("RadiusTKZ"), (std::vector<std::string>{"1=/s/one", "2=/s/two"}));
  EXPECT_FALSE(ini.ValueExists("Regim", "TypLoad"));
  IniRec = TIniRec{};
  ReadConfig();
  EXPECT_EQ(IniRec.MPp, 0.123456789012);
}

TEST_F(Settings, MalformedValueTakesItsDefaultAndReadingGoesOn) {
  // A key put out of use with ";" is a comment: neither read nor refused.
  WriteIni("[Import]\nPromTg=abc\n[Regim]\n;Prec=0.5\n ; Iter1=7\nDamp1=0,7\nCalcDate=31.02.2004\n"
           "[MultiUser]\nFlag=1\n");
  ReadConfig();
  ASSERT_EQ(box_.Calls().size(), 1u);
  const test::MsgCall& call = box_.Calls()[0];
  EXPECT_EQ(call.kind, mkError);
  EXPECT_EQ(call.text.rfind("Ошибка чтения файла конфигурации ldtoril.ini: [Import] PromTg: ", 0), 0u) << call.text;
  EXPECT_NE(call.text.find("\n[Regim] CalcDate: "), std::string::npos) << call.text;
  EXPECT_EQ(std::tuple(IniRec.PromTg, IniRec.Damp1, IniRec.Prec), std::tuple(0.5f, 0.7f, 0.001f));
  EXPECT_TRUE(MultiUserFlag);  // keys after the bad one are still read
  // What is written at the end keeps the real values, not zeros, and the key put out of use.
  WriteConfig();
  const TMemIniFile ini(ConfigFileName);
  EXPECT_EQ(ini.ReadString("Regim", "Damp1", "") + "/" + ini.ReadString("Regim", "Prec", ""), "0.7/0.001");
  EXPECT_NE(Cp1251ToUtf8(ReadBytes(ConfigFileName)).find("\n;Prec=0.5"), std::string::npos);
}

// Two copies of the program on one program folder, each with its own record of one INI file: the copy
// that ends last writes back only what it changed, so what the other set and wrote is kept.
TEST_F(Settings, TheCopyEndingLastKeepsWhatAnotherCopyChanged) {
  WriteIni("[Losses]\nDate1=01.10.2026 00:00:00\nDate2=31.10.2026 00:00:00\nKfgn=1\n[Regim]\nIter1=7\n"
           "[Import]\nTypZamer=3\nFlagDog=2\n[RadiusTKZ]\n1=/s/a\n");
  ReadConfig();
  TIniRec first = std::move(IniRec);
  ReadConfig();
  // The second copy sets a period, a coefficient, a type and the list, and ends first.
  IniRec.Date1 = EncodeDate(2026, 11, 1);
  IniRec.Date2 = EncodeDate(2026, 11, 30);
  IniRec.Kfgn = 1.5f;
  IniRec.TypZamer = 5;
  IniRec.RadiusTKZ = {"/s/b", "/s/c"};
  MultiUserFlag = true;
  WriteConfig();
  // The first changed its iteration limit and the coefficient too; it ends last.
  IniRec = std::move(first);
  MultiUserFlag = false;
  IniRec.Iter1 = 50;
  IniRec.Kfgn = 2;
  WriteConfig();

  const TMemIniFile ini(ConfigFileName);
  const std::vector<std::pair<const char*, const char*>> keys{{"Losses", "Date1"}, {"Losses", "Date2"},
                                                              {"Losses", "Kfgn"},  {"Regim", "Iter1"},
                                                              {"Import", "TypZamer"}, {"Import", "FlagDog"},
                                                              {"MultiUser", "Flag"}, {"Regim", "Prec"}};
  std::vector<std::string> stored;
  for (const auto& [section, key] : keys) stored.push_back(ini.ReadString(section, key, "(нет)"));
  EXPECT_EQ(stored, (std::vector<std::string>{"01.11.2026 00:00:00", "30.11.2026 00:00:00", "2", "50", "5", "1",
                                              "1", "0.001"}));
  EXPECT_EQ(ini.ReadSectionValues("RadiusTKZ"), (std::vector<std::string>{"1=/s/b", "2=/s/c"}));

  // Settings applied while a copy runs reach the file at once: a copy started after reads them, and
  // what a copy applied and a later one applied otherwise is not put back when the first ends.
  ReadConfig();
  TIniRec untouched = std::move(IniRec);
  ReadConfig();
  IniRec.FSaveCom = true;
  WriteConfig();
  TIniRec applied = std::move(IniRec);
  ReadConfig();
  EXPECT_TRUE(IniRec.FSaveCom);
  IniRec.FSaveCom = false;
  WriteConfig();
  for (TIniRec* rec : {&applied, &untouched}) {
    IniRec = std::move(*rec);
    WriteConfig();
    EXPECT_EQ(TMemIniFile(ConfigFileName).ReadString("Graphic", "FSaveCom", "(нет)"), "0");
  }
}

TEST_F(Settings, ReadAndWriteFailuresNameTheFileAndKeepIt) {
  std::filesystem::create_directory(ConfigFileName);  // a folder where the file should be
  ReadConfig();
  WriteConfig();
  EXPECT_EQ(box_.Texts(), (std::vector<std::string>{
                              "Ошибка чтения файла конфигурации ldtoril.ini: это папка, а не файл",
                              "Ошибка записи файла конфигурации ldtoril.ini: это папка, а не файл"}));
  std::filesystem::remove(ConfigFileName);

  WriteIni("; the user's own comment\n[Regim]\nIter1=7\n");
  const std::string before = ReadBytes(ConfigFileName);
  ReadConfig();
  IniRec.Iter1 = 8;
  const TIniFileWriter previous =
      SetIniFileWriter([](int, const std::string&) { return errno = ENOSPC, false; });
  WriteConfig();
  SetIniFileWriter(previous);
  EXPECT_EQ(ReadBytes(ConfigFileName), before);
  ASSERT_EQ(box_.Calls().size(), 3u);
  EXPECT_EQ(box_.Calls()[2].text,
            "Ошибка записи файла конфигурации ldtoril.ini: нет места на диске; прежний файл не изменен");

  // A settings file that is there but cannot be opened (a socket: root opens any plain file) is
  // reported, not taken for a missing one.
  std::filesystem::remove(ConfigFileName);
  const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(socket, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(ConfigFileName.size(), sizeof(address.sun_path));
  ConfigFileName.copy(address.sun_path, ConfigFileName.size());
  ASSERT_EQ(::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
  ::close(socket);
  box_.Clear();
  ReadConfig();
  EXPECT_EQ(box_.Texts(), std::vector<std::string>{"Ошибка чтения файла конфигурации ldtoril.ini: " +
                                                   SystemErrorText(ENXIO)});
}

TEST_F(Settings, DamagedFilesNeverStopTheReading) {
  WriteIni("[Import]\nPromTg=0.25\nPathProm=/d/п.xls\n[Regim]\nIter1=50\nCalcDate=01.02.2024 10:00:00\n"
           "[RadiusTKZ]\n1=/s/a\n[Balans]\nBIter=3\n[MultiUser]\nFlag=1\n");
  const std::string valid = ReadBytes(ConfigFileName);
  std::mt19937 random(1102);
  for (int round = 0; round < 2000; ++round) {
    WriteBytes(ConfigFileName, test::Mutate(valid, random));
    box_.Clear();
    ReadConfig();
    for (const test::MsgCall& call : box_.Calls())
      ASSERT_EQ(call.text.rfind("Ошибка чтения файла конфигурации ldtoril.ini: ", 0), 0u) << call.text;
  }
}

}  // namespace
}  // namespace ld
