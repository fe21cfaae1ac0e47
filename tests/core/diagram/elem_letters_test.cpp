// The letters of node and branch rows behind the element dialogs' lists, and the regulation and mark texts.
#include <gtest/gtest.h>

#include <string>

#include "core/diagram/elem_letters.h"

namespace ld {
namespace {

char Cp(unsigned code) { return static_cast<char>(code); }

TEST(ElemLetters, NodeTypesAndOwnershipReadEitherCaseAndWriteTheirOwnLetters) {
  const struct {
    char sign;
    int index;
  } signs[] = {{'b', 1}, {'W', 3}, {0, 0}, {Cp(0xC2), 0}};
  for (const auto& s : signs) EXPECT_EQ(NodeSignIndex(s.sign), s.index) << int(s.sign);
  EXPECT_EQ(NodeSignLetter(0, '+'), '+') << "a load node keeps its meter letter";
  EXPECT_EQ(NodeSignLetter(2, '+'), 'u');

  // Cyrillic "А", "Б", "С" and their small letters (0xE0, 0xE1, 0xF1); Latin "A" is no ownership letter.
  const struct {
    char letter;
    int upper, asIs;
  } owners[] = {{Cp(0xC0), 1, 1}, {Cp(0xF1), 3, 0}, {'A', 0, 0}};
  for (const auto& o : owners) {
    EXPECT_EQ(OwnershipIndex(o.letter), o.upper) << int(o.letter);
    EXPECT_EQ(OwnershipIndex(o.letter, false), o.asIs) << int(o.letter);
  }
}

TEST(ElemLetters, CommutationAndSwitchingDevices) {
  const std::string letters = "\xCD\xCA\xCE\xD4\xCF";  // Н К О Ф П
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(CommutIndex(letters[i]), i + 1);
    EXPECT_EQ(CommutIndex(static_cast<char>(letters[i] + 0x20)), i + 1) << "small letter " << i;
    EXPECT_EQ(CommutLetter(i + 1), letters[i]);
  }
  EXPECT_EQ(CommutIndex(0), 0);
  EXPECT_EQ(CommutIndex('H'), 0) << "Latin H is no commutation letter";
  EXPECT_EQ(CommutLetter(0), 0);

  EXPECT_EQ(SwitchDeviceIndex("В"), 0);
  EXPECT_EQ(SwitchDeviceIndex("р"), 1);
  EXPECT_EQ(SwitchDeviceIndex("-"), 3);
  EXPECT_EQ(SwitchDeviceIndex("B"), -1) << "Latin";
  EXPECT_EQ(SwitchDeviceIndex("ВВ/TEL-10-630"), -1);
  EXPECT_EQ(SwitchDeviceText(-1, "ВВ/TEL-10-630"), "ВВ/TEL-10-630");
  EXPECT_EQ(SwitchDeviceText(-1, std::string(300, 'z')).size(), 255u);
}

TEST(ElemLetters, RegulationSplitsByKindAndJoinsInPhaseFirst) {
  const struct {
    const char *column, *inPhase, *quadrature;
  } cases[] = {
      {"ВН-ТПР-П-9-5-2;ВН-РПН-П-19-10-1.78", "ВН-РПН-П-19-10-1.78", "ВН-ТПР-П-9-5-2"},
      {"ВН-ПБВ-О-5-3-2.5;ВН-ТПР-П-9-5-2", "ВН-ПБВ-О-5-3-2.5", "ВН-ТПР-П-9-5-2"},
      {"что-то", "", ""},
  };
  for (const auto& c : cases) {
    const TRegulationParts p = SplitRegulation(c.column);
    EXPECT_EQ(p.InPhase, c.inPhase) << c.column;
    EXPECT_EQ(p.Quadrature, c.quadrature) << c.column;
  }
  EXPECT_EQ(JoinRegulation("ВН-РПН", "ВН-ТПР"), "ВН-РПН;ВН-ТПР");
  EXPECT_EQ(JoinRegulation("", "ВН-ТПР"), "ВН-ТПР");
}

}  // namespace
}  // namespace ld
