#include "core/optim/trial_engine.h"

#include "core/base/settings.h"
#include "core/engine/regime.h"

namespace ld {

void PrepareTrialEngine(TRegime& engine) {
  engine.MaxIter2 = 1;
  engine.DampU = engine.DampI = 1.0f;
  engine.FixModule = IniRec.FlagFM;
  engine.InitVoltageMode = IniRec.FlagU0;
  engine.PVAlgorithm = IniRec.AlgmFM;
  engine.StaticChars = IniRec.FlagPQ;
  engine.QLimits = IniRec.FlagRQ;
  engine.Converged = engine.ModelError = engine.ZeroContours = false;
  engine.ShowMessages = false;
}

}  // namespace ld
