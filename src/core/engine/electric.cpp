#include "core/engine/electric.h"

#include <cmath>
#include <numbers>

#include "core/base/settings.h"
#include "core/base/strings.h"

namespace ld {

namespace {

using Complex = std::complex<double>;

// Signed magnitude and angle of an end current, as the branch table shows currents: the sign of the real
// part travels with the magnitude, and the angle is the principal arctangent.
void EndCurrent(const Complex& i, double scale, double& magnitude, double& angle) {
  magnitude = std::abs(i) * scale;
  if (i.real() == 0.0) {
    angle = i.imag() > 0 ? 90.0 : (i.imag() < 0 ? -90.0 : 0.0);
    return;
  }
  angle = std::atan(i.imag() / i.real()) * 180.0 / std::numbers::pi;
  if (i.real() < 0) magnitude = -magnitude;
}

std::string Trimmed(std::string_view s) { return TrimTrailSpaces(TrimLeadSpaces(s)); }

// Cuts the text before the first "-" off s; the whole of s when it has none.
std::string CutPart(std::string& s) {
  const auto dash = s.find('-');
  std::string part;
  if (dash == std::string::npos) {
    part.swap(s);
  } else {
    part = s.substr(0, dash);
    s.erase(0, dash + 1);
  }
  return part;
}

bool TapInRange(int position, int positions, float step) {
  if (position < 1 && step != 0) return false;
  if (positions != 0 && position > positions) return false;
  return true;
}

}  // namespace

std::complex<double> PolarToRect(double angle, double magnitude) {
  const double a = std::numbers::pi * angle / 180.0;
  return {magnitude * std::cos(a), magnitude * std::sin(a)};
}

double NearestNominalVoltage(double u, const double* values, int count) {
  if (u == 0 || values == nullptr) return 0;
  double best = 10000000.0;
  double result = 0;
  bool any = false;
  for (int i = 1; i <= count; ++i) {
    // A class written negative is only left out of the voltage checks; it is still a class. Taken as
    // it stands it would be nearer than every real class (a negative deviation) and capture every
    // voltage.
    const double un = std::fabs(values[i]);
    if (!(un > 0)) continue;
    if (!any) {
      result = un;
      any = true;
    }
    const double deviation = std::fabs(u - un) / un;
    if (deviation < best) {
      best = deviation;
      result = un;
    }
  }
  return result;
}

double NearestNominalVoltage(double u) {
  const DAdouble& list = *IniRec.UnomList;
  int count = list.Count;
  if (count > list.Size() - 1) count = list.Size() - 1;
  return NearestNominalVoltage(u, list.Data(), count);
}

TBranchFlows CalcBranchFlows(double U1, double F1, double U2, double F2, double I, double Faza, double R,
                             double X, double G, double B, double Kta, double Ktr, bool phaseCurrents) {
  TBranchFlows f;
  const double lineFactor = phaseCurrents ? 1.0 : std::sqrt(3.0);
  const Complex ua = PolarToRect(F1, U1);
  const Complex ub = PolarToRect(F2, U2);
  const Complex ic = PolarToRect(Faza, 0.001 * I * lineFactor);

  const bool line = Kta == 0 && Ktr == 0;
  const double ga = line ? G / 2 : G, ba = line ? B / 2 : B;
  const double gb = line ? G / 2 : 0, bb = line ? B / 2 : 0;

  const double i2 = std::norm(ic);
  f.dP = i2 * R;
  f.dQ = i2 * X;
  f.dPsh = (std::norm(ua) * ga + std::norm(ub) * gb) * 1e-6;
  f.dQsh = (std::norm(ua) * ba + std::norm(ub) * bb) * 1e-6;

  const Complex ia = ic + ua * Complex(ga, -ba) * 1e-6;
  const Complex series = line ? ic : ic * Complex(Kta, -Ktr);
  const Complex ib = series - ub * Complex(gb, -bb) * 1e-6;

  const double scale = 1000.0 / lineFactor;
  EndCurrent(ia, scale, f.I1, f.F1);
  EndCurrent(ib, scale, f.I2, f.F2);

  const Complex s1 = ua * std::conj(ia);
  const Complex s2 = ub * std::conj(ib);
  f.P1 = s1.real();
  f.Q1 = s1.imag();
  f.P2 = s2.real();
  f.Q2 = s2.imag();
  return f;
}

TBranchFlows CalcBranchFlows(double U1, double F1, double U2, double F2, double I, double Faza, double R,
                             double X, double G, double B, double Kta, double Ktr) {
  return CalcBranchFlows(U1, F1, U2, F2, I, Faza, R, X, G, B, Kta, Ktr, IniRec.FlagIF);
}

std::string WindingSideName(int side, std::string_view typEqu, std::string_view regulation) {
  const bool tr = typEqu.substr(0, 2) == "TR";
  const bool t3 = typEqu.substr(0, 2) == "T3";
  if (!tr && !t3) return std::string(regulation);
  std::string_view name;
  if (side == 0) {
    name = "ВН";
  } else if (side == 1) {
    name = tr ? "НН" : "СН";
  } else if (side == 2) {
    name = "НН";
  }
  std::string result;
  if (name.empty()) return result;
  std::size_t start = 0;
  while (start <= regulation.size()) {
    auto end = regulation.find(';', start);
    if (end == std::string_view::npos) end = regulation.size();
    const std::string_view item = regulation.substr(start, end - start);
    const auto at = item.find(name);
    if (at != std::string_view::npos) {
      if (!result.empty()) result += ';';
      result += item.substr(at);
    }
    start = end + 1;
  }
  return result;
}

void SplitRegulation(const std::string& regulation, std::string& inPhase, std::string& quadrature) {
  inPhase.clear();
  quadrature.clear();
  const std::size_t semicolon = regulation.find(';');
  const std::string first = semicolon == std::string::npos ? std::string() : regulation.substr(0, semicolon);
  const std::string second = semicolon == std::string::npos ? regulation : regulation.substr(semicolon + 1);
  for (const std::string* part : {&first, &second}) {
    if (part->empty()) continue;
    (part->find("ТПР") != std::string::npos ? quadrature : inPhase) = *part;
  }
}

int NeutralTapOf(const std::string& regulation) {
  std::string inPhase, quadrature;
  SplitRegulation(regulation, inPhase, quadrature);
  TMarkParts parts;
  return ParseMarkParts(inPhase, parts) ? parts.Neutral : 0;
}

bool ParseMarkParts(std::string_view text, TMarkParts& parts) {
  parts = TMarkParts{};
  std::string rest = Trimmed(text);
  if (rest.empty()) return false;
  parts.Side = Trimmed(NormalizeName(CutPart(rest)));
  parts.Type = Trimmed(NormalizeName(CutPart(rest)));
  parts.Kind = Trimmed(NormalizeName(CutPart(rest)));
  try {
    parts.Positions = StrToIntZ(Trimmed(CutPart(rest)));
    parts.Neutral = StrToIntZ(Trimmed(CutPart(rest)));
    parts.Step = static_cast<float>(StrToFloatZ(Trimmed(rest)));
  } catch (const ConvertError&) {
    // A regulator description typed by hand: an unreadable number makes the whole item unusable.
    return false;
  }
  return true;
}

bool CalcTapRatio(std::string_view side, std::string_view kind, int a1, int b1, int m1, float s1, int a2, int b2,
                  int m2, float s2, double kn, double& Kta, double& Ktr) {
  if (!TapInRange(a1, m1, s1) || !TapInRange(a2, m2, s2)) return false;
  float d1, d2;
  if (kind == "П") {
    d1 = static_cast<float>((a1 - b1) * 0.01 * s1);
    d2 = static_cast<float>((a2 - b2) * 0.01 * s2);
  } else {
    d1 = static_cast<float>((b1 - a1) * 0.01 * s1);
    d2 = static_cast<float>((b2 - a2) * 0.01 * s2);
  }
  if (side == "ВН") {
    Kta = (1 + d1) * kn;
    Ktr = kn * d2;
  } else if (side == "СН" || side == "НН") {
    // A longitudinal step of -100 % without a quadrature part leaves no ratio to invert.
    const double d = (1.0 + d1) * (1.0 + d1) + static_cast<double>(d2) * d2;
    if (d == 0) return false;
    Kta = (1 + d1) * kn / d;
    Ktr = -kn * d2 / d;
  }
  return true;
}

double DistributionFactor(int tz) {
  switch (tz) {
    case 1:
      return 1.0 / 3.0;
    case 2:
      return 0.2;
    case 3:
      return 8.0 / 15.0;
    default:
      return 1.0;
  }
}

}  // namespace ld
