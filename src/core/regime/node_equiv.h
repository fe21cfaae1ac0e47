#pragma once
// The equivalent of the network as seen from one node: a supply voltage Uэ behind an impedance Zэ, the
// influence of the other loads (dU1, dU2, Iэ, Sэ), the losses they cause, and the node's EERM (the change
// of the total losses per Mvar of the node's reactive load). Everything runs on an engine owned by the
// caller, over the engine's own sweeps and its factorised contour matrix.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/engine/regime.h"

namespace ld {

// The regime settings of the settings record copied into a calculating window's own engine.
void CopyRegimeSettings(TRegime& engine);

// Active and reactive series losses of the model: Σ|I|²·R and Σ|I|²·X over every element.
void SumBranchLossesPQ(const TRegime& engine, double& dP, double& dQ);

// The element that carries node ns (never the root nor a loop-closing element); nullptr when none.
TRegimeElement* FindNodeElement(const TRegime& engine, std::int32_t ns);

// Puts the reactive part q (the table's Qn with the opposite sign) of the node's load.
void SetNodeQ(TRegimeElement& node, double q);
// Puts a load variant (Pn, Qn of a table) on the node.
void SetNodeLoad(TRegimeElement& node, double pn, double qn);

// Central difference of the total losses over the node's reactive load: -dL/dq, that is dL/dQn. The
// node's load and a calculated regime are restored afterwards.
double CalcNodeEERM(TRegime& engine, TRegimeElement* element, double dQ);

// Quantities of one node and its equivalent (kV, MW, Mvar; currents as power per voltage).
struct TNodeEquivalent {
  Complex Uo, So, Io, Sy, Iy, dS;     // full scheme
  Complex Ue, dU1, dU2, Se, Ie, Ze, dSe;  // equivalent
  Complex Ucontrol, dSo, dS1, dS2, dSstar;  // control values
};

// Turns the calculated regime of the engine into the equivalent of the node. The regime is gone
// afterwards: the loads are held as currents and the sweeps leave the unit-current state behind.
TNodeEquivalent CalcNodeEquivalent(TRegime& engine, TRegimeElement* node);

// Report lines of one equivalent; eerm is added in a "ЭЭРМ : " line when withEERM.
std::vector<std::string> NodeEquivalentReport(const std::string& heading, const TNodeEquivalent& q, bool withEERM,
                                              double eerm);

// The base path of a node's equivalent scheme: the scheme's folder followed by the node number.
std::string EquivalentSchemePath(const std::string& schemePath, std::int32_t node);
// The number of the equivalent's source node: the node's own, times 10 for 1, 2 and 3.
std::int32_t EquivalentSourceNumber(std::int32_t node);
// Writes the node and branch tables of the equivalent scheme (".UZL", ".VET").
void WriteEquivalentScheme(const std::string& path, std::int32_t node, const TNodeEquivalent& q);

// A number as fixed-point text with `decimals` decimals after rounding to `precision` significant digits.
std::string FixedPrecText(double v, int precision, int decimals);

// One load variant of the node.
struct TLoadVariant {
  double Pn = 0, Qn = 0;
};

// The work of the node-equivalent window on its own engine.
class TNodeEquivCalc {
public:
  explicit TNodeEquivCalc(TRegime& engine) : engine_(engine) {}

  // Asked between the steps of the search for the loss minimum; true stops it.
  std::function<bool()> StopQuery;

  // The equivalent of the node (blocks 1 to 3) and the equivalent scheme files. Throws ld::Error with
  // "Ошибка расчета режима" or "Режим не сходится"; the scheme's lock files taken here are removed in
  // every case. Returns the report lines.
  std::vector<std::string> Calculate(const std::string& schemePath, std::int32_t node, double dQ, bool variants);

  // The load variants on the full scheme and on the equivalent written by the last Calculate. Throws
  // ld::Error as Calculate does ("Ошибка расчета режима схемы " + the file name).
  std::vector<std::string> CalculateVariants(const std::string& schemePath, std::int32_t node, double dQ,
                                             const std::vector<TLoadVariant>& rows);

  const std::string& EquivalentPath() const { return equivalentPath_; }
  // Results of the last block of the last Calculate.
  const TNodeEquivalent& Last() const { return last_; }
  double LastEERM() const { return eerm_; }
  // The node's own load Pn + jQn when Calculate wrote the equivalent (the row of the variants); the
  // report's So is the net load, generation included, so that the control values hold at any node.
  const Complex& NodeLoad() const { return so_; }
  // Steps of the search for the loss minimum made by the last Calculate.
  int OptimumSteps() const { return optimumSteps_; }

private:
  void FreshCalculation(const std::string& schemePath, const char* modelMessage);
  TRegimeElement* NodeOf(std::int32_t node);

  TRegime& engine_;
  std::string equivalentPath_;
  TNodeEquivalent last_;
  double eerm_ = 0;
  Complex so_;
  int optimumSteps_ = 0;
};

// Holds the lock files of a scheme's node and branch tables with the user's name, and the engine's
// LockFiles, for the life of the object.
class TSchemeLock {
public:
  TSchemeLock(const std::string& schemePath, TRegime* engine);
  ~TSchemeLock();
  TSchemeLock(const TSchemeLock&) = delete;
  TSchemeLock& operator=(const TSchemeLock&) = delete;
  const std::string& Extensions() const { return extensions_; }

private:
  std::string path_, extensions_;
  TRegime* engine_;
};

}  // namespace ld
