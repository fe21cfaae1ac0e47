#pragma once
// "Анализ распределения нагрузки": the energy metered at the subscribers compared with what the district
// tables (feeders and inputs, transformer stations, 0.4 kV lines) and the formed scheme hold, as a text
// balance in kWh. Nothing is written or locked; a missing table counts as an empty one.
#include <string>
#include <vector>

#include "core/base/callbacks.h"

namespace ld {

struct TLoadAnalysisSums {
  double IndCons = 0, IndLoss = 0, IndGen = 0, HouseCons = 0;
  double FedCons = 0, FedGen = 0, FedLoss = 0, TpCons = 0, TpGen = 0, TpLoss = 0, L04Cons = 0, L04Gen = 0,
         L04Loss = 0;
  double ManFedCons = 0, ManFedGen = 0, ManTpCons = 0, ManTpGen = 0, ManL04Cons = 0, ManL04Gen = 0;
  double ZNodCons = 0, ZNodGen = 0, ZNodLoss = 0, ZFlowCons = 0, ZFlowGen = 0;
};

struct TLoadAnalysisCallbacks {
  TStageProc Stage;        // the caption of the table walked
  TProgressProc Progress;  // the progress bar's position, 0..100
};

// The sums of the eight tables of a base.
TLoadAnalysisSums SumLoadDistribution(const std::string& baseStem, const TLoadAnalysisCallbacks& callbacks = {});

// The report lines of the sums, the numbers with the thousands separator of the format settings.
std::vector<std::string> LoadAnalysisReport(const TLoadAnalysisSums& sums);

}  // namespace ld
