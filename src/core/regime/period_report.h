#pragma once
// Text reports of a period calculation: the result report (".WRG"), the control messages (".WMS"),
// and the result graphs stored in the scheme's graph catalogue.
#include <cstdint>
#include <string>
#include <vector>

#include "core/base/dates.h"
#include "core/regime/period_energy.h"

namespace ld {

class TDataFile;

// Mark bits of a slice, in the order their texts follow the slice time.
enum : std::uint8_t {
  smUnbalance = 1,
  smLowVoltage = 2,
  smHighVoltage = 4,
  smLineCurrent = 8,
  smTransformerFlow = 16,
};

// The head of the report of the loss calculation: scheme and date of the calculation, the period,
// the engine's messages of model building (when any) and the mode lines.
std::vector<std::string> LossReportHead(const std::string& schemeName, TDateTime now, TDateTime date1,
                                        TDateTime date2, const std::vector<std::string>& modelMessages,
                                        std::uint8_t typCalcPQ, bool lossUnom);
// An empty line and the energy balance of the period; dimension 0 prints MW·h and Mvar·h.
void AppendEnergyBalance(std::vector<std::string>& lines, const TPeriodSums& sums, std::uint8_t dimension);

// The metered totals of the technological consumption (kW·h).
struct TMeterTotals {
  double Received = 0, Delivered = 0, Generation = 0, OwnNeeds = 0, Consumption = 0;
};
std::vector<std::string> TreReport(const TMeterTotals& totals);

// The control messages of a run, in time order.
class TControlMessages {
public:
  // The slice line when the slice got any mark.
  void AddSlice(const std::string& sliceText, std::uint8_t marks);
  // A switching that changed a branch's commutation; on: the branch is on after it.
  void AddSwitching(int journalRow, const std::string& name1, const std::string& name2, bool on);
  std::uint8_t Marks() const { return marks_; }
  // The lines, then the legend of the marks that occurred.
  std::vector<std::string> Lines() const;

private:
  std::vector<std::string> lines_;
  std::uint8_t marks_ = 0;
};

// Windows-1251, every line closed by CR LF; the file is replaced only once the new one is whole.
// Raises ld::Error naming the file when it cannot be written.
void SaveReportLines(const std::string& path, const std::vector<std::string>& lines);
// The text of a calculation's text file (its protocol, loss report or control messages) as UTF-8, once
// a stopped run that wrote it with its tables is ended; false where there is no such file.
bool ReadReportText(const std::string& path, std::string& text);

// Stores one result graph in the graph catalogue and values tables of a scheme (both kept in graph
// number order): the graph's old values go, its catalogue row is found or made and described, and one
// value per slice is inserted. sliceEnds and values are of the same length (packed moments).
void ResolveGraphNumber(TDataFile& catalog, TDataFile& values, std::int32_t graphNo, const std::string& title,
                        const std::string& unit, const std::vector<double>& sliceEnds,
                        const std::vector<double>& sliceValues, char kind, int tgr);

}  // namespace ld
