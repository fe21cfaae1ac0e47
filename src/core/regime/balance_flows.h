#pragma once
// Load balancing of a scheme to the flows measured on its lines: the rows of "Перетоки в линиях" turned
// into the balancer's given flows, the balancing run over the scheme's files, and the flows before and
// after balancing written back into the flow table.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/base/dates.h"
#include "core/base/dynarray.h"
#include "core/tables/colmaps_scheme.h"

namespace ld {

class TRegime;

// The period of the given values and the graphs they may come from.
struct TFlowPeriod {
  std::uint8_t Mode = 0;  // the settings' TypCalcPQ: mean, minimum, maximum, the moment
  TDateTime Date1 = 0, Date2 = 0, Moment = 0;
  int Step = 3600;  // seconds between the graph points of the moment mode
  DAdouble Dates;   // the grid of the moment mode
  double Hours = 24;  // of the whole period: an energy without a graph is spread over them
  float DefaultTg = 0.5f;  // the balancing setting Btgf, for a tangent given as 0
  const TDataFile* Catalog = nullptr;  // the scheme's graph catalogue and values
  const TDataFile* Values = nullptr;
};

// The hours of the days Date1..Date2, both whole.
double PeriodHours(TDateTime date1, TDateTime date2);

// The given values of one row by its kind Typ (1..6): powers in MW and Mvar, kind 3 a current and its
// tangent. False with error ("Перетоки в линиях: Не задан тип нагрузки ветви: N1 - N2") for any other
// kind. The graph builders' messages are added to info with the prefix "Перетоки в линиях: ".
bool ConvertFlowRow(const TLineFlowCols& cols, int row, const TFlowPeriod& period, double& P, double& Q,
                    std::vector<std::string>& info, std::string& error);

// Zeroes the eight result columns Prn..Qlb of every row.
void ClearFlowResults(TLineFlowCols& cols);

// What a balancing run came to.
struct TBalanceRun {
  bool Written = false;   // the results and the flow table were written
  bool Balanced = false;  // every given flow met its target
  std::vector<std::string> Info;  // lines for the window's message area
};

// The balancing of the scheme schemePath on the given engine, configured by the caller. Locks the node,
// branch and flow files for the run and unlocks them in every case; a refused lock or a table error
// throws ld::Error. Writes nothing when a row has no valid kind or no branch in the model, when the
// model has an error, the regime does not converge or a stop was asked for; loads that merely did not
// meet their targets give the warning "Небаланс нагрузок" and are written. The flow table gets the flows
// before (Prn, Qrn) and after balancing (Prb, Qrb) in MW and Mvar, for current rows the current (A) and
// tg(f). unomFile: the nominal voltage catalogue for WriteResults.
// stage: the texts of the two balancing stages, for the window's status line.
TBalanceRun RunLoadBalancing(TRegime& regime, const std::string& schemePath, const std::string& unomFile,
                             const std::function<void(const std::string&)>& stage = {});

}  // namespace ld
