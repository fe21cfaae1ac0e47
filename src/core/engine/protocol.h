#pragma once
// The regime protocol ".RGM": a text report of one calculation (run summary, fixed-voltage protocol,
// limit violations and the power balance), written in Windows-1251 with Windows line ends.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ld {

class TRegime;
struct TDataFile;
struct TRegimeElement;

struct TPowerPair {
  double P = 0, Q = 0;
  void Add(double p, double q) {
    P += p;
    Q += q;
  }
};

// The power balance of a calculated regime in the load sign convention (what a scheme takes is
// positive, what sources give negative), MW and Mvar.
struct TRegimeBalance {
  TPowerPair Consumption, Generation, Balancing;
  TPowerPair SeriesLosses;  // in R and X of the branches
  double ActiveFlowShare = 0, ReactiveFlowShare = 0;  // parts of the series P losses by flow
  TPowerPair NoLoadLosses;  // in the shunts of the branches
  TPowerPair Reactors, Capacitors;  // node shunts drawing and giving reactive power
  std::map<int, TPowerPair> ConsumptionByDistrict, GenerationByDistrict, LossesByDistrict;

  TPowerPair TotalLosses() const;
  TPowerPair Imbalance() const;
};

// The node as the protocol names it: its number, then a blank and its name when it has one.
std::string ProtocolNodeText(const TRegimeElement* e);

// Header, counts, configuration messages and (unless the model failed) the convergence lines.
void AppendRunSummary(const TRegime& r, std::vector<std::string>& lines);
// The fixed-voltage protocol and the nodes held at their reactive limits; both lists are emptied.
void AppendFixedVoltageSections(TRegime& r, const TDataFile& nodes, std::vector<std::string>& lines);
// The sections of the violated limits, in the order currents, flows, high and low voltages.
void AppendLimitSections(bool overCurrent, bool overFlow, bool overVoltage, bool underVoltage,
                         std::vector<std::string>& lines);
// The balance: MW and Mvar when dimension is 0, else kW and kvar.
void AppendBalance(const TRegimeBalance& b, int digits, std::uint8_t dimension, std::vector<std::string>& lines);

// The bytes of a text file of the calculations (a protocol, a report): Windows-1251, every line closed
// by CR LF.
std::string ProtocolBytes(const std::vector<std::string>& lines);
// Creates the file anew; throws ld::Error when it cannot be written.
void WriteProtocolFile(const std::string& fileName, const std::vector<std::string>& lines);

}  // namespace ld
