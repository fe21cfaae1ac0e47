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
  ASSERT_TRUE(ReadPrnSchSetup(file, s, c));
  EXPECT_EQ(s.Name, "Courier New");
  EXPECT_EQ(s.Size, 10);
  EXPECT_EQ(s.Style, 0);
  EXPECT_EQ(s.Charset, 0);
  EXPECT_EQ(s.Top, 1.0f);
  EXPECT_EQ(s.Left, 2.0f);
  EXPECT_EQ(s.Bottom, 1.0f);
  EXPECT_EQ(s.Right, 1.0f);
  EXPECT_EQ(s.Orient, 0);
  EXPECT_FALSE(c.FitToPage);
  EXPECT_TRUE(c.FlagPageNum);
  EXPECT_FALSE(c.FlagOutBmp);
  EXPECT_EQ(s.BmpFile, "");
  EXPECT_FALSE(c.IsColor);
  EXPECT_EQ(c.LinWidth, "2");
  EXPECT_EQ(ShownBmpFile(s), ProgramDir + "schem.bmp");

  ASSERT_TRUE(WritePrnSchSetup(file, s, c));
  const std::string first = test::ReadBytes(file);
  EXPECT_NE(first.find("[PrnSetup]"), std::string::npos);
  EXPECT_NE(first.find("Name=Courier New\r\nSize=10\r\nStyle=0\r\nCharset=0\r\nTop=1\r\nLeft=2\r\nBottom=1\r\n"
                       "Right=1\r\nOrient=0\r\nFitToPage=0\r\nFlagPageNum=1\r\nFlagOutBmp=0\r\nBmpFile=\r\n"
                       "IsColor=0\r\nLinWidth=2\r\n"),
            std::string::npos)
      << first;
  TPrnSchSetup again;
  TPrnSchChecks againChecks;
  ASSERT_TRUE(ReadPrnSchSetup(file, again, againChecks));
  ASSERT_TRUE(WritePrnSchSetup(file, again, againChecks));
  EXPECT_EQ(test::ReadBytes(file), first);

  // Changed values and a comma as the decimal separator come back as they went.
  const TFormatSettings saved = FormatSettings;
  FormatSettings.DecimalSeparator = ",";
  s = {"Times New Roman", 12, 204, 3, 1, 1.5f, 0.3f, 2.25f, 0, "c:/out/schem.bmp"};
  c = {true, false, true, true, "3"};
  ASSERT_TRUE(WritePrnSchSetup(file, s, c));
  const std::string changed = test::ReadBytes(file);
  EXPECT_NE(changed.find("Top=1,5\r\nLeft=0,3\r\nBottom=2,25\r\nRight=0\r\nOrient=1\r\n"), std::string::npos);
  ASSERT_TRUE(ReadPrnSchSetup(file, again, againChecks));
  EXPECT_EQ(again.Name, "Times New Roman");
  EXPECT_EQ(again.Size, 12);
  EXPECT_EQ(again.Charset, 204);
  EXPECT_EQ(again.Style, 3);
  EXPECT_EQ(again.Left, 0.3f);
  EXPECT_EQ(again.Bottom, 2.25f);
  EXPECT_EQ(again.BmpFile, "c:/out/schem.bmp");
  EXPECT_TRUE(againChecks.FitToPage && againChecks.FlagOutBmp && againChecks.IsColor && !againChecks.FlagPageNum);
  ASSERT_TRUE(WritePrnSchSetup(file, again, againChecks));
  EXPECT_EQ(test::ReadBytes(file), changed);
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
  EXPECT_EQ(s.Name, "Arial");
  EXPECT_EQ(s.Size, 14);
  EXPECT_EQ(s.Top, 0.5f);
  EXPECT_EQ(s.Left, 0.0f);
  EXPECT_EQ(s.Bottom, 0.0f);  // cleared before the reading, never reached
  EXPECT_FALSE(c.FlagPageNum);
  EXPECT_EQ(c.LinWidth, "");

  // A font size that its 16-bit field cannot hold is refused rather than wrapped round; an empty
  // margin reads as 0.
  msg.Clear();
  test::WriteBytes(file, "[PrnSchSetup]\nSize=70000\n");
  EXPECT_FALSE(ReadPrnSchSetup(file, s, c));
  EXPECT_EQ(s.Size, 0);
  test::WriteBytes(file, "[PrnSchSetup]\nTop=\n");
  EXPECT_TRUE(ReadPrnSchSetup(file, s, c));
  EXPECT_EQ(s.Top, 0.0f);
  EXPECT_EQ(msg.Texts().size(), 1u);

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
  for (int round = 0; round < 150; ++round) {
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
