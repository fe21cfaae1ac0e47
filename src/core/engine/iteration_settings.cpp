#include "core/engine/iteration_settings.h"

#include "core/base/settings.h"
#include "core/engine/regime.h"

namespace ld {

void TakeIterationSettings(TRegime& engine, const TIniRec& ini) {
  engine.MaxIter = ini.Iter1;
  engine.MaxIter2 = ini.Iter2;
  engine.Accuracy = ini.Prec;
  engine.DampU = ini.Damp1;
  engine.DampI = ini.Damp2;
  engine.FixModule = ini.FlagFM;
  engine.InitVoltageMode = ini.FlagU0;
  engine.PVAlgorithm = ini.AlgmFM;
  engine.StaticChars = ini.FlagPQ;
}

}  // namespace ld
