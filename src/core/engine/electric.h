#pragma once
// Electrical helper formulas shared by the engine, the diagram, the regime window, the district database
// and the branch parameter calculator: polar form, nominal voltages, flows at both ends of a branch and
// transformer tap regulation.
//
// Units: voltages in kV, angles in degrees, currents in A (kA inside the formulas), R and X in ohms,
// G and B in micro-siemens, powers in MW and Mvar.
#include <complex>
#include <string>
#include <string_view>

namespace ld {

// magnitude·(cos, sin) of an angle in degrees.
std::complex<double> PolarToRect(double angle, double magnitude);

// Replaces the settings' nominal-voltage list by column Unom of "sprav_UN.cat" in the catalogue folder,
// sorted ascending. A missing file changes nothing.
void LoadNominalVoltages();

// The voltage of the settings' nominal-voltage list with the least relative deviation |U - Un| / Un; of
// equal deviations the lower voltage. 0 for U = 0 and for an empty list. A negative entry (a class left
// out of the voltage checks) counts as its magnitude; entries of 0 are no classes.
double NearestNominalVoltage(double u);
// The same over values[1..count] (ascending).
double NearestNominalVoltage(double u, const double* values, int count);

// Flows of one branch from the results held in its row.
struct TBranchFlows {
  double I1 = 0, F1 = 0;  // start current (A, negative when its real part is) and its angle (degrees)
  double I2 = 0, F2 = 0;  // end current and angle
  double P1 = 0, Q1 = 0;  // power at the start
  double P2 = 0, Q2 = 0;  // power at the end
  double dP = 0, dQ = 0;  // losses in R and X
  double dPsh = 0, dQsh = 0;  // losses in the shunts G and B
};

// U1∠F1 and U2∠F2 the end voltages, I∠Faza the current through R + jX (A), Kta, Ktr the ratio (both 0:
// a line, whose shunt is split between its ends; else a transformer with its shunt at the start).
// Currents are line currents unless phaseCurrents.
TBranchFlows CalcBranchFlows(double U1, double F1, double U2, double F2, double I, double Faza, double R,
                             double X, double G, double B, double Kta, double Ktr, bool phaseCurrents);
// The same with the settings' phase-current choice (FlagIF).
TBranchFlows CalcBranchFlows(double U1, double F1, double U2, double F2, double I, double Faza, double R,
                             double X, double G, double B, double Kta, double Ktr);

// The part of a transformer's regulation text that belongs to winding side (0 ВН; 1 СН or НН; 2 НН) of a
// three-winding ("T3") or split-winding ("TR") type; other types get the text unchanged.
std::string WindingSideName(int side, std::string_view typEqu, std::string_view regulation);

// One tap-changer item "side-type-kind-positions-neutral-step".
struct TMarkParts {
  std::string Side, Type, Kind;  // upper-cased, Latin look-alikes as Cyrillic, trimmed
  int Positions = 0;
  int Neutral = 0;
  float Step = 0;  // %
};
// False for an empty text or a number part that is no number.
bool ParseMarkParts(std::string_view text, TMarkParts& parts);

// A transformer's regulation text "<first>;<second>" (or one description without ";") parted into its
// in-phase description and the quadrature one, which names "ТПР"; a part the text lacks is empty.
void SplitRegulation(const std::string& regulation, std::string& inPhase, std::string& quadrature);

// The tap a transformer's branch is formed at where its station row gives none: the neutral of the
// in-phase regulator of its regulation text; 0 where it has none.
int NeutralTapOf(const std::string& regulation);

// The ratio Kta, Ktr of a regulated transformer from its longitudinal (tap a1, neutral b1, positions m1,
// step s1 %) and quadrature (a2, b2, m2, s2) regulators and nominal ratio kn. False, ratio untouched,
// when a tap lies outside its regulator's range.
bool CalcTapRatio(std::string_view side, std::string_view kind, int a1, int b1, int m1, float s1, int a2, int b2,
                  int m2, float s2, double kn, double& Kta, double& Ktr);

// Line load-distribution factor of the branch column Tz: 1 -> 1/3, 2 -> 0.2, 3 -> 8/15, else 1.
double DistributionFactor(int tz);

}  // namespace ld
