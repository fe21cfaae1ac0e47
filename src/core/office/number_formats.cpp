#include "core/office/number_formats.h"

namespace ld::office {

bool IsDateFormatCode(std::string_view code) {
  bool quoted = false;
  int bracket = 0;
  for (std::size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    if (quoted) {
      quoted = c != '"';
      continue;
    }
    if (c == '"') quoted = true;
    else if (c == '\\' || c == '_' || c == '*') ++i;
    else if (c == '[') ++bracket;
    else if (c == ']') bracket = bracket > 0 ? bracket - 1 : 0;
    else if (bracket == 0 && std::string_view("dDmMyYhHsS").find(c) != std::string_view::npos) {
      // "General" carries none of these letters but "e"; still guard against a spelled-out name
      return code != "General" && code != "general";
    }
  }
  return false;
}

bool IsBuiltinDateFormat(int id) {
  return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58);
}

bool IsDateSerialInRange(double serial) { return serial >= 0 && serial < 2958466; }

}  // namespace ld::office
