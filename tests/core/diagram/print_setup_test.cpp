// The print settings of the diagram: defaults, a byte-identical round trip, refusals and fuzzed files.
#include <gtest/gtest.h>

#include <random>

#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/diagram/print_setup.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::diagram {
namespace {

TEST(PrnSchSetup, DefaultsWrittenAndReadBackByteIdentical) {
  test::TempDir dir;
  test::ScriptedMsgBox msg;
  const std::string file = dir / "prnsetup.cfg";
  // Another print dialog's section shares the file and must survive.
  test::WriteBytes(file, "[PrnSetup]\r\nName=Arial\r\n");
  TPrnSchSetup s;
  TPrnSchChecks c;
  // Every default shows in the bytes written from what was read; read again, the same bytes come back.
  ASSERT_TRUE(ReadPrnSchSetup(file, s, c));
  EXPECT_EQ(ShownBmpFile(s), ProgramDir + "schem.bmp");
  auto roundTrip = [&](const std::string& expected) {
    ASSERT_TRUE(WritePrnSchSetup(file, s, c));
    const std::string written = test::ReadBytes(file);
    EXPECT_NE(written.find("[PrnSetup]\r\nName=Arial\r\n"), std::string::npos) << written;
    EXPECT_NE(written.find("[PrnSchSetup]\r\n" + expected), std::string::npos) << written;
    TPrnSchSetup again;
    TPrnSchChecks againChecks;
    ASSERT_TRUE(ReadPrnSchSetup(file, again, againChecks));
    ASSERT_TRUE(WritePrnSchSetup(file, again, againChecks));
    EXPECT_EQ(test::ReadBytes(file), written);
  };
  roundTrip("Name=Courier New\r\nSize=10\r\nStyle=0\r\nCharset=0\r\nTop=1\r\nLeft=2\r\nBottom=1\r\nRight=1\r\n"
            "Orient=0\r\nFitToPage=0\r\nFlagPageNum=1\r\nFlagOutBmp=0\r\nBmpFile=\r\nIsColor=0\r\nLinWidth=2\r\n");

  // Changed values and a comma as the decimal separator come back as they went.
  const TFormatSettings saved = FormatSettings;
  FormatSettings.DecimalSeparator = ",";
  s = {"Times New Roman", 12, 204, 3, 1, 1.5f, 0.3f, 2.25f, 0, "c:/out/schem.bmp"};
  c = {true, false, true, true, "3"};
  roundTrip("Name=Times New Roman\r\nSize=12\r\nStyle=3\r\nCharset=204\r\nTop=1,5\r\nLeft=0,3\r\nBottom=2,25\r\n"
            "Right=0\r\nOrient=1\r\nFitToPage=1\r\nFlagPageNum=0\r\nFlagOutBmp=1\r\nBmpFile=c:/out/schem.bmp\r\n"
            "IsColor=1\r\nLinWidth=3\r\n");
  FormatSettings = saved;
  EXPECT_TRUE(msg.Texts().empty());
}

TEST(PrnSchSetup, UnreadableKeyStopsTheReadingWithItsMessage) {
  test::TempDir dir;
  test::ScriptedMsgBox msg;
  const std::string file = dir / "prnsetup.cfg";
  test::WriteBytes(file, "[PrnSchSetup]\nName=Arial\nSize=14\nTop=0.5\nLeft=x\nBottom=3\nFlagPageNum=1\nLinWidth=4\n");
  TPrnSchSetup s;
  s.Bottom = 7;
  TPrnSchChecks c;
  EXPECT_FALSE(ReadPrnSchSetup(file, s, c));
  EXPECT_EQ(msg.Texts(), std::vector<std::string>{"Ошибка чтения файла конфигурации prnsetup.cfg"});
  // What was read before the bad key stays; what follows it is cleared, never reached.
  EXPECT_EQ(s.Name + " " + c.LinWidth, "Arial ");

  // A font size that its 16-bit field cannot hold is refused rather than wrapped round.
  msg.Clear();
  test::WriteBytes(file, "[PrnSchSetup]\nSize=70000\n");
  EXPECT_FALSE(ReadPrnSchSetup(file, s, c));
  EXPECT_EQ(s.Size, 0);

  // A file that cannot be written.
  msg.Clear();
  EXPECT_FALSE(WritePrnSchSetup(dir / "no/such/folder/prnsetup.cfg", s, c));
  EXPECT_EQ(msg.Texts(), std::vector<std::string>{"Ошибка записи файла конфигурации prnsetup.cfg"});
}

TEST(PrnSchSetup, FuzzedFilesGiveOnlyTheReadingMessage) {
  const char* keys[] = {"Name", "Size", "Style", "Charset", "Top", "Left", "Bottom", "Right", "Orient",
                        "FitToPage", "FlagPageNum", "FlagOutBmp", "BmpFile", "IsColor", "LinWidth"};
  const char* values[] = {"", "0", "1", "-1", "1,5", "2.5", "x", "1e300", "-1e39", "nan", "inf", "99999999999",
                          "70000", "255", "256", " 3 ", "1.2.3", "Arial"};
  std::mt19937 rng(2024);
  test::TempDir dir;
  test::ScriptedMsgBox msg;
  const std::string file = dir / "prnsetup.cfg";
  for (int round = 0; round < 60; ++round) {
    std::string text = rng() % 4 == 0 ? "" : "[PrnSchSetup]\n";
    for (unsigned n = rng() % 20; n > 0; --n) {
      if (rng() % 6 == 0) {
        for (unsigned b = rng() % 16; b > 0; --b) text.push_back(static_cast<char>(rng() % 256));
        text += "\n";
      } else {
        text += std::string(keys[rng() % std::size(keys)]) + "=" + values[rng() % std::size(values)] + "\n";
      }
    }
    test::WriteBytes(file, text);
    TPrnSchSetup s;
    TPrnSchChecks c;
    if (ReadPrnSchSetup(file, s, c)) {
      EXPECT_TRUE(WritePrnSchSetup(file, s, c));
      TPrnSchSetup back;
      TPrnSchChecks backChecks;
      EXPECT_TRUE(ReadPrnSchSetup(file, back, backChecks));
      EXPECT_EQ(back.Top, s.Top);
      EXPECT_EQ(back.Size, s.Size);
    }
  }
  for (const std::string& t : msg.Texts()) ASSERT_EQ(t, "Ошибка чтения файла конфигурации prnsetup.cfg");
}

}  // namespace
}  // namespace ld::diagram
