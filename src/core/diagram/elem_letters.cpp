#include "core/diagram/elem_letters.h"

#include "core/base/codepage.h"

namespace ld {
namespace {

// Windows-1251 codes of the Cyrillic capitals that the rows keep.
constexpr char kA = static_cast<char>(0xC0), kB = static_cast<char>(0xC1), kS = static_cast<char>(0xD1);
constexpr char kN = static_cast<char>(0xCD), kK = static_cast<char>(0xCA), kO = static_cast<char>(0xCE);
constexpr char kF = static_cast<char>(0xD4), kP = static_cast<char>(0xCF);

char UpperByte(char c) {
  const int code = Cp1251Code(UpperChar(Cp1251Char(static_cast<unsigned char>(c))));
  return code >= 0 ? static_cast<char>(code) : c;
}

int IndexOf(char c, const char* letters, int n) {
  for (int i = 0; i < n; ++i)
    if (letters[i] == c) return i;
  return -1;
}

constexpr char kOwnershipLetters[3] = {kA, kB, kS};
constexpr char kCommutLetters[5] = {kN, kK, kO, kF, kP};
constexpr const char* kSwitchLetters[4] = {"В", "Р", "Н", "-"};

}  // namespace

int NodeSignIndex(char sign) {
  switch (UpperByte(sign)) {
    case 'B': return 1;
    case 'U': return 2;
    case 'W': return 3;
    default: return 0;
  }
}

char NodeSignLetter(int index, char previous) {
  switch (index) {
    case 1: return 'b';
    case 2: return 'u';
    case 3: return 'w';
    default: return previous == '+' || previous == '-' ? previous : 0;
  }
}

int OwnershipIndex(char letter, bool upperCase) {
  return IndexOf(upperCase ? UpperByte(letter) : letter, kOwnershipLetters, 3) + 1;
}

char OwnershipLetter(int index) { return index >= 1 && index <= 3 ? kOwnershipLetters[index - 1] : 0; }

int CommutIndex(char letter) { return IndexOf(UpperByte(letter), kCommutLetters, 5) + 1; }

char CommutLetter(int index) { return index >= 1 && index <= 5 ? kCommutLetters[index - 1] : 0; }

int SwitchDeviceIndex(std::string_view text) {
  if (Utf8Length(text) != 1) return -1;
  const std::string up = UpperCase(text);
  for (int i = 0; i < 4; ++i)
    if (up == kSwitchLetters[i]) return i;
  return -1;
}

std::string SwitchDeviceText(int index, std::string_view listText) {
  if (index >= 0 && index < 4) return kSwitchLetters[index];
  return Utf8Left(listText, 255);
}

TRegulationParts SplitRegulation(std::string_view column) {
  const std::string up = UpperCase(column);
  const auto cut = up.find(';');
  TRegulationParts parts;
  const std::string halves[2] = {up.substr(0, cut), cut == std::string::npos ? std::string() : up.substr(cut + 1)};
  for (const std::string& part : halves) {
    if (part.find("РПН") != std::string::npos || part.find("ПБВ") != std::string::npos)
      parts.InPhase = part;
    else if (part.find("ТПР") != std::string::npos)
      parts.Quadrature = part;
  }
  return parts;
}

std::string JoinRegulation(std::string_view inPhase, std::string_view quadrature) {
  if (quadrature.empty()) return std::string(inPhase);
  if (inPhase.empty()) return std::string(quadrature);
  return std::string(inPhase) + ";" + std::string(quadrature);
}

std::string BranchMarkCaption(std::string_view typEqu, std::string_view mark) {
  const auto bar1 = typEqu.find('|');
  const std::string_view kind = typEqu.substr(0, bar1);
  std::string_view name, rest;
  if (bar1 != std::string_view::npos) {
    const auto bar2 = typEqu.find('|', bar1 + 1);
    name = typEqu.substr(bar1 + 1, bar2 == std::string_view::npos ? std::string_view::npos : bar2 - bar1 - 1);
    if (bar2 != std::string_view::npos) rest = typEqu.substr(bar2 + 1);
  }
  std::string caption(mark);
  const int winding = !rest.empty() && rest[0] >= '0' && rest[0] <= '2' ? rest[0] - '0' : -1;
  static constexpr const char* kSplitWindings[3] = {"ВН", "НН1", "НН2"};
  static constexpr const char* kThreeWindings[3] = {"ВН", "СН", "НН"};
  if (winding >= 0 && kind == "TR") caption += std::string(" <") + kSplitWindings[winding] + ">";
  if (winding >= 0 && kind == "T3") caption += std::string(" <") + kThreeWindings[winding] + ">";
  if (kind != "LN" && !name.empty()) caption += " <" + std::string(name) + ">";
  return caption;
}

}  // namespace ld
