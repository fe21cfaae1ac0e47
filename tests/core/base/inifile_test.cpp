#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <iterator>

#include "core/base/codepage.h"
#include "core/base/dates.h"
#include "core/base/inifile.h"
#include "core/base/strings.h"
#include "support/test_env.h"

namespace ld {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

TEST(IniFile, ReadsWindowsSyntaxInWindows1251) {
  TempDir dir;
  const std::string name = dir / "a.ini";
  WriteBytes(name, Utf8ToCp1251("; comment\r\n[Export]\r\n PrefTP = ТП,КТП \r\n; Koef=5\r\n ;Koef=6\r\nKoef=20\r\n"
                                "[export]\r\nKoef=99\r\n[Flags]\nOn=2\nOff=0\nBad=x\nBig=99999999999\n"));
  const TMemIniFile ini(name);
  EXPECT_EQ(ini.ReadString("EXPORT", "preftp", "-"), "ТП,КТП");  // names ignore case, values trimmed
  EXPECT_EQ(ini.ReadInteger("Export", "Koef", 0), 20);             // the first of two equal sections
  EXPECT_TRUE(ini.ReadBool("Flags", "On", false) && !ini.ReadBool("Flags", "Off", true));
  EXPECT_EQ(ini.ReadInteger("Flags", "Big", 7), 7);
  EXPECT_EQ(ini.ReadSection("Export"), (std::vector<std::string>{"PrefTP", "Koef"}));  // keys put out of use
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Export", "export", "Flags"}));

  // Every line end is a line end.
  WriteBytes(name, "[A]\rX=1\rY=2\r\r[B]\r\nZ=3\nW=4\r\n\n[C]\rV=5");
  const TMemIniFile ends(name);
  EXPECT_EQ(ends.ReadSection("B"), (std::vector<std::string>{"Z", "W"}));
  EXPECT_EQ(ends.ReadSections(), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(TMemIniFile(dir / "none.ini").ReadInteger("Export", "Koef", 5), 5);
}

TEST(IniFile, RewriteKeepsUntouchedLinesAndKeyOrder) {
  TempDir dir;
  const std::string name = dir / "a.ini";
  const std::string original = "; keep me\r\n[A]\r\nX = 1\r\nY=2\r\n\r\n[B]\r\nZ=3\r\n[Unom]\r\n1=10\r\n";
  WriteBytes(name, original);
  {
    TMemIniFile ini(name);
    ini.WriteInteger("A", "X", 1);  // same value: nothing to write
    ini.UpdateFile();
  }
  EXPECT_EQ(ReadBytes(name), original);

  TMemIniFile ini(name);
  ini.WriteInteger("A", "Y", 5);
  ini.WriteString("A", "New", "н");
  ini.WriteBool("C", "Flag", true);
  ini.EraseSection("unom");
  ini.DeleteKey("B", "Z");
  ini.UpdateFile();
  EXPECT_EQ(ReadBytes(name), Utf8ToCp1251("; keep me\r\n[A]\r\nX = 1\r\nY=5\r\nNew=н\r\n\r\n[B]\r\n[C]\r\nFlag=1\r\n"));
}

TEST(IniFile, AFailedWriteLeavesTheOldFileAsItWas) {
  TempDir dir;
  const std::string name = dir / "a.ini";
  const std::string original = Utf8ToCp1251("[Export]\r\nPrefTP=ТП\r\nKoef=20\r\n");
  WriteBytes(name, original);
  TMemIniFile ini(name);
  ini.WriteInteger("Export", "Koef", 30);
  // The disk fills halfway through the new file.
  const TIniFileWriter previous = SetIniFileWriter([](int fd, const std::string& bytes) {
    (void)::write(fd, bytes.data(), bytes.size() / 2);
    errno = ENOSPC;
    return false;
  });
  try {
    ini.UpdateFile();
    ADD_FAILURE() << "the failed write was taken for a success";
  } catch (const TIniFileError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Ошибка записи файла \"" + name + "\": нет места на диске; прежний файл не изменен");
    EXPECT_EQ(e.Reason(), "нет места на диске; прежний файл не изменен");
  }
  SetIniFileWriter(previous);
  EXPECT_EQ(ReadBytes(name), original);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);  // no temporary file left

  // The same object writes once the disk has room again, and the file keeps its permissions.
  std::filesystem::permissions(name, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_read);
  ini.UpdateFile();
  EXPECT_EQ(ReadBytes(name), Utf8ToCp1251("[Export]\r\nPrefTP=ТП\r\nKoef=30\r\n"));
  EXPECT_EQ(std::filesystem::status(name).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                std::filesystem::perms::group_read);

  // A linked settings file stays a link.
  const std::string link = dir / "link.ini";
  std::filesystem::create_symlink(name, link);
  TMemIniFile linked(link);
  linked.WriteInteger("Export", "Koef", 40);
  linked.UpdateFile();
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadBytes(name), Utf8ToCp1251("[Export]\r\nPrefTP=ТП\r\nKoef=40\r\n"));
}

TEST(IniFile, WriteThroughFileSeesEveryChangeAtOnce) {
  TempDir dir;
  const std::string name = dir / "a.ini";
  TIniFile first(name);
  first.WriteString("Own", "Key", "1");
  TIniFile second(name);  // another unit opening the same file later
  EXPECT_EQ(second.ReadString("Own", "Key", ""), "1");
  second.WriteFloat("Other", "V", 0.25);
  EXPECT_EQ(TMemIniFile(name).ReadFloat("Other", "V", 0), 0.25);
}

TEST(IniFile, FloatsRoundTripAndReadWithEitherSeparator) {
  TempDir dir;
  const std::string name = dir / "a.ini";
  {
    TMemIniFile ini(name);
    ini.WriteSingle("F", "Single", 0.1f);
    ini.WriteFloat("F", "Double", 1.0 / 3.0);
    ini.WriteString("F", "Comma", "0,5");
    ini.WriteString("F", "Bad", "abc");
    ini.WriteString("F", "Minus", "-");
    ini.UpdateFile();
  }
  const TMemIniFile ini(name);
  EXPECT_EQ(ini.ReadString("F", "Single", ""), "0.1");
  EXPECT_EQ(ini.ReadFloat("F", "Double", 0), 1.0 / 3.0);
  EXPECT_EQ(ini.ReadFloat("F", "Bad", 7), 7);  // the file's own reader falls back to the default

  EXPECT_EQ(IniReadFloat(ini, "F", "Comma", 9), 0.5);
  EXPECT_EQ(IniReadFloat(ini, "F", "Minus", 9), 0);
  EXPECT_EQ(IniReadFloat(ini, "F", "Missing", 9), 9);
  EXPECT_THROW(IniReadFloat(ini, "F", "Bad", 9), ConvertError);
}

TEST(IniFile, DateTimesReadAndWrite) {
  TempDir dir;
  const std::string name = dir / "a.ini";
  TMemIniFile ini(name);
  IniWriteDateTime(ini, "D", "Moment", EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 15));
  EXPECT_EQ(ini.ReadString("D", "Moment", ""), "05.03.2004 10:30:15");
  EXPECT_EQ(IniReadDateTime(ini, "D", "Moment", 0), EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 15));

  ini.WriteString("D", "DateOnly", "29.02.2004");
  EXPECT_EQ(IniReadDateTime(ini, "D", "DateOnly", 0), EncodeDate(2004, 2, 29));

  ini.WriteString("D", "NoSeparator", "20040305");  // read as the moment of reading
  EXPECT_NEAR(IniReadDateTime(ini, "D", "NoSeparator", 0), Now(), 2.0 / 86400);

  for (const char* bad : {"05.03.2004 10:30", "29.02.2003", "05.03.2004 24:00:00"}) {
    ini.WriteString("D", "Bad", bad);
    EXPECT_THROW(IniReadDateTime(ini, "D", "Bad", 0), ConvertError) << bad;
  }
}

}  // namespace
}  // namespace ld
