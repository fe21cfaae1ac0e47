#include "core/diagram/elem_load.h"

#include <cmath>

#include "core/base/codepage.h"

namespace ld {

const char* const kLoadModeFields[kLoadModeCount][4] = {
    {"P наг", "Q наг", "P ген", "Q ген"},   {"P наг", "cos", "P ген", "cos"},
    {"P наг", "tg", "P ген", "tg"},         {"I наг", "cos", "I ген", "cos"},
    {"I наг", "tg", "I ген", "tg"},         {"S наг", "cos", "S ген", "cos"},
    {"S наг", "tg", "S ген", "tg"},         {"WP наг", "WQ наг", "WP ген", "WQ ген"},
    {"WP наг", "cos", "WP ген", "cos"},     {"WP наг", "tg", "WP ген", "tg"}};

bool LoadModeWithCos(int mode) { return mode == lmPCos || mode == lmIUCos || mode == lmSCos || mode == lmWPCos; }
bool LoadModeWithTg(int mode) { return mode == lmPTg || mode == lmIUTg || mode == lmSTg || mode == lmWPTg; }
bool LoadModeOfEnergy(int mode) { return mode >= lmWPWQ && mode <= lmWPTg; }

bool LoadFieldInPowerUnit(int mode, int field) {
  switch (mode) {
    case lmPQ: return field >= 1 && field <= 4;
    case lmPCos:
    case lmPTg:
    case lmSCos:
    case lmSTg: return field == 1 || field == 3;
    default: return false;
  }
}

std::string CheckLoadEntry(const TLoadEntry& e) {
  if (!LoadModeWithCos(e.Mode)) return {};
  for (const double c : {e.X[1], e.X[3]}) {
    if (!(c >= 0 && c <= 1)) return "Неверно задан COS";
    if (c == 0 && !(e.DefaultCos > 0 && e.DefaultCos <= 1)) return "Неверно задан COS";
  }
  return {};
}

void ApplyLoadEntry(const TLoadEntry& e, TNodeLoadValues& v) {
  const int n = e.Divisor < 1 ? 1 : e.Divisor;
  const double f = (e.KiloWatt ? 0.001 : 1.0) / n;
  const double u = e.Unom * 1.05;
  double* active[2] = {&v.Pn, &v.Pg};
  double* reactive[2] = {&v.Qn, &v.Qg};
  if (LoadModeOfEnergy(e.Mode)) active[0] = &v.WPn, active[1] = &v.WPg, reactive[0] = &v.WQn, reactive[1] = &v.WQg;
  for (int side = 0; side < 2; ++side) {
    const double x = e.X[2 * side];
    double c = e.X[2 * side + 1];
    if (c == 0 && LoadModeWithCos(e.Mode)) c = e.DefaultCos;
    if (c == 0 && LoadModeWithTg(e.Mode)) c = e.DefaultTg;
    const double s = std::sqrt(3.0) * x * u * 0.001;  // МВА of a current in A at kV
    double p = 0, q = 0;
    switch (e.Mode) {
      case lmPQ: p = x * f, q = c * f; break;
      case lmPCos: p = x * f, q = x * f * std::sqrt(1 / (c * c) - 1); break;
      case lmPTg: p = x * f, q = x * f * c; break;
      case lmIUCos: p = s * c / n, q = s * std::sqrt(1 - c * c) / n; break;
      case lmIUTg: p = s * std::cos(std::atan(c)) / n, q = p * c; break;
      case lmSCos: p = x * f * c, q = x * f * std::sqrt(1 - c * c); break;
      case lmSTg: p = x * f * std::cos(std::atan(c)), q = p * c; break;
      case lmWPWQ: p = x / n, q = c / n; break;
      case lmWPCos: p = x / n, q = x * std::sqrt(1 / (c * c) - 1) / n; break;
      case lmWPTg: p = x / n, q = x * c / n; break;
      default: return;
    }
    *active[side] = p;
    *reactive[side] = q;
  }
}

std::string AppendNoteAddition(std::string_view note, std::string_view addition) {
  std::string result(note);
  if (!addition.empty() && note.find(addition) == std::string_view::npos &&
      Utf8Length(note) + Utf8Length(addition) < 256)
    result += addition;
  return result;
}

}  // namespace ld
