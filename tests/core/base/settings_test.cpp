#include <gtest/gtest.h>

#include <cerrno>
#include <random>

#include "core/base/codepage.h"
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

TEST_F(Settings, NamesFollowTheExecutable) {
  EXPECT_EQ(ProgramDir, dir_.Path().string() + "/");
  EXPECT_EQ(ConfigFileName, dir_ / "ldtoril.ini");
  SetProgramPaths(dir_ / "prog.exe");
  EXPECT_EQ(ConfigFileName, dir_ / "prog.ini");
}

TEST_F(Settings, MissingFileGivesEveryDefault) {
  ReadConfig();
  EXPECT_TRUE(box_.Calls().empty());
  const TIniRec& r = IniRec;
  EXPECT_EQ(r.Path, ProgramDir);
  EXPECT_EQ(r.FileMusic, ProgramDir + "ringin.wav");
  EXPECT_EQ(r.PrefTP, "ТП,КТП,ЗТП,МТП,РП");
  const std::vector<bool> flags{r.FlagProm, r.FlagByt, r.FlagDog, r.FlagTech, r.LoadLin04, r.OutNullTr, r.CutMark,
                                r.FlagFM,   r.FlagRQ,  r.FlagPQ,  r.AbsEERM,  r.JoinZnak,  r.FlagBalans, r.LossPlus,
                                r.SumALoss, r.B1,      r.B15,     r.DynamicFlow, r.IndivRES, r.IndivEO, r.AddNlic,
                                r.ExceptTr, r.StopTr,  r.Uemk,    r.FullRadius, r.FullTree, r.FSave10, r.RepeatIter,
                                MultiUserFlag};
  EXPECT_EQ(flags, (std::vector<bool>{1, 1, 0, 1, 1, 0, 1, 1, 1, 0, 1, 1, 1, 0, 1, 1, 1, 0, 1, 0, 1, 1, 0, 1, 1, 1,
                                      0, 0, 0}));
  EXPECT_EQ((std::vector<float>{r.ZamerTg, r.TypZamer, r.Koef, r.BPrec, r.Kv_0, r.Kv_5, r.Prec, r.Uv, r.Un, r.dQ,
                                r.Kfgn, r.dUp, r.dUm, r.RI, r.RS, r.dP}),
            (std::vector<float>{0.426f, 2, 20, 0.001f, 1, 10, 0.001f, 10, 5, 0.1f, 1, 10, 5, 100, 100, 10}));
  EXPECT_EQ((std::vector<long>{r.BIter, r.Iter1, r.Iter2, r.Tgr, r.Digit, r.DelayRtm, r.RCount, r.RPQ, r.RIter,
                               r.Tbsk, r.Tkal, r.RadiusIter, r.TypLoad}),
            (std::vector<long>{20, 100, 1, 3600, 3, 5000, 243, 255, 10, 1800, 720, 1, 0}));
  EXPECT_EQ(r.MPg, 0.5);
  EXPECT_TRUE(r.RadiusTKZ.empty());
  ASSERT_NE(r.UnomList, nullptr);
  // Date-times default to the moment of reading.
  EXPECT_NEAR(r.CalcDate, Now(), 1.0 / 24);
  EXPECT_NEAR(r.Date1, Now(), 1.0 / 24);
  EXPECT_NEAR(r.EndDate, Now(), 1.0 / 24);
}

TEST_F(Settings, ValuesOfEveryTypeAreReadAsStored) {
  WriteIni("[Catalogs]\nPath=/elsewhere/\n[Import]\nTypLin04=257\nFlagDog=2\nPromTg=0,5\nBytTg=0.5\n"
           "[Regim]\nIter1=-50\nPrec=1E-5\nCalcDate=05.03.2004 10:30:15\n[Optim_R]\nGroupUn=6;10;35\n"
           "[OptimBSK]\nFileMusic=C:\\sounds\\bell.wav\n[RealTime]\nRI=abc\nRS=7,5\n"
           "[RadiusTKZ]\n5=/s/one\na=/s/two\n[MultiUser]\nFlag=1\n");
  ReadConfig();
  EXPECT_TRUE(box_.Calls().empty());
  EXPECT_EQ(IniRec.Path, ProgramDir);  // the catalogue folder is always the program folder
  EXPECT_EQ(IniRec.TypLin04, 1);       // a byte keeps the low 8 bits
  EXPECT_TRUE(IniRec.FlagDog);
  EXPECT_EQ(IniRec.PromTg, 0.5f);
  EXPECT_EQ(IniRec.BytTg, 0.5f);
  EXPECT_EQ(IniRec.Iter1, -50);
  EXPECT_EQ(IniRec.Prec, 1e-5f);
  EXPECT_EQ(IniRec.CalcDate, EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 15));
  EXPECT_EQ(IniRec.GroupUn, "6;10;35");
  EXPECT_EQ(IniRec.FileMusic, ProgramDir + "bell.wav");
  EXPECT_EQ(IniRec.RI, 100.0f);  // the INI file's own float reader: a non-number is the default
  EXPECT_EQ(IniRec.RS, 7.5f);
  EXPECT_EQ(IniRec.RadiusTKZ, (std::vector<std::string>{"/s/one", "/s/two"}));
  EXPECT_TRUE(MultiUserFlag);

  WriteConfig();  // written back as read: a true Boolean as 1, a byte by its low 8 bits
  const TMemIniFile ini(ConfigFileName);
  EXPECT_EQ(ini.ReadString("Import", "FlagDog", "") + "/" + ini.ReadString("Import", "TypLin04", ""), "1/1");
}

TEST_F(Settings, MalformedValueTakesItsDefaultAndReadingGoesOn) {
  // A key put out of use with ";" is a comment: neither read nor refused.
  WriteIni("[Import]\nPromTg=abc\n[Regim]\n;Prec=0.5\n ; Iter1=7\nDamp1=0,7\nCalcDate=31.02.2004\n"
           "[MultiUser]\nFlag=1\n");
  ReadConfig();
  ASSERT_EQ(box_.Calls().size(), 1u);
  const test::MsgCall& call = box_.Calls()[0];
  EXPECT_EQ(call.kind, mkError);
  EXPECT_EQ(call.buttons, mbOk);
  EXPECT_EQ(call.text.rfind("Ошибка чтения файла конфигурации ldtoril.ini: [Import] PromTg: ", 0), 0u) << call.text;
  EXPECT_NE(call.text.find("\n[Regim] CalcDate: "), std::string::npos) << call.text;
  EXPECT_EQ(IniRec.PromTg, 0.5f);
  EXPECT_EQ(IniRec.Damp1, 0.7f);           // keys after the bad one are still read
  EXPECT_EQ(IniRec.Prec, 0.001f);
  EXPECT_EQ(IniRec.Iter1, 100);
  EXPECT_NEAR(IniRec.CalcDate, Now(), 1.0 / 24);
  EXPECT_TRUE(MultiUserFlag);              // and so is the login switch

  // What is written at the end keeps the real values, not zeros.
  WriteConfig();
  const TMemIniFile ini(ConfigFileName);
  EXPECT_EQ(ini.ReadString("Regim", "Damp1", ""), "0.7");
  EXPECT_EQ(ini.ReadString("Regim", "Iter1", ""), "100");
  EXPECT_EQ(ini.ReadString("Regim", "Prec", ""), "0.001");
  EXPECT_NE(Cp1251ToUtf8(ReadBytes(ConfigFileName)).find("\n;Prec=0.5"), std::string::npos);
  EXPECT_EQ(ini.ReadString("Import", "PromTg", ""), "0.5");
  EXPECT_EQ(ini.ReadString("MultiUser", "Flag", ""), "1");
}

TEST_F(Settings, WriteAndReadBackEveryKeyType) {
  WriteIni("[Unom]\n1=10\n[OptimT]\nOwn=kept\n[RadiusTKZ]\n5=/old\n");
  ReadConfig();
  IniRec.PathProm = "/data/пром.xls";
  IniRec.FlagProm = false;
  IniRec.TypLin04 = 2;
  IniRec.BIter = -7;
  IniRec.ZamerTg = 0.3f;
  IniRec.MPp = 0.123456789012;
  IniRec.Date1 = EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 15);
  IniRec.RadiusTKZ = {"/s/a", "/s/b"};
  IniRec.FileMusic = "/any/where/alarm.wav";
  IniRec.TypLoad = 2;
  MultiUserFlag = true;
  WriteConfig();
  EXPECT_TRUE(box_.Calls().empty());

  const TMemIniFile ini(ConfigFileName);
  EXPECT_FALSE(ini.SectionExists("Unom"));
  EXPECT_EQ(ini.ReadString("OptimT", "Own", ""), "kept");  // other units' sections stay
  EXPECT_EQ(ini.ReadString("Catalogs", "Path", ""), ProgramDir);
  EXPECT_EQ(ini.ReadString("Losses", "Date1", ""), "05.03.2004 10:30:15");
  EXPECT_EQ(ini.ReadString("Import", "FlagProm", ""), "0");
  EXPECT_EQ(ini.ReadString("Import", "ZamerTg", ""), "0.3");
  EXPECT_EQ(ini.ReadString("OptimBSK", "FileMusic", ""), "alarm.wav");
  EXPECT_EQ(ini.ReadSectionValues("RadiusTKZ"), (std::vector<std::string>{"1=/s/a", "2=/s/b"}));
  EXPECT_FALSE(ini.ValueExists("Regim", "TypLoad"));
  EXPECT_EQ(ini.ReadSections().front(), "OptimT");

  IniRec = TIniRec{};
  MultiUserFlag = false;
  ReadConfig();
  EXPECT_EQ(IniRec.PathProm, "/data/пром.xls");
  EXPECT_FALSE(IniRec.FlagProm);
  EXPECT_EQ(IniRec.TypLin04, 2);
  EXPECT_EQ(IniRec.BIter, -7);
  EXPECT_EQ(IniRec.ZamerTg, 0.3f);
  EXPECT_EQ(IniRec.MPp, 0.123456789012);
  EXPECT_EQ(IniRec.Date1, EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 15));
  EXPECT_EQ(IniRec.RadiusTKZ, (std::vector<std::string>{"/s/a", "/s/b"}));
  EXPECT_EQ(IniRec.FileMusic, ProgramDir + "alarm.wav");
  EXPECT_EQ(IniRec.TypLoad, 0);
  EXPECT_TRUE(MultiUserFlag);
}

TEST_F(Settings, ReadAndWriteFailuresNameTheFileAndKeepIt) {
  std::filesystem::create_directory(ConfigFileName);  // a folder where the file should be
  ReadConfig();
  WriteConfig();
  EXPECT_EQ(box_.Texts(), (std::vector<std::string>{
                              "Ошибка чтения файла конфигурации ldtoril.ini: это папка, а не файл",
                              "Ошибка записи файла конфигурации ldtoril.ini: это папка, а не файл"}));
  EXPECT_EQ(box_.Calls()[1].kind, mkError);
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
