#include "regime/calculated_scheme.h"


#include "core/engine/regime.h"
#include "engine/scheme_gen.h"

namespace ld::bench {

const std::string& CalculatedScheme() {
  static const TWorkDir dir("bench-regime");
  static const std::string path = [] {
    const std::string p = (dir.path / "scheme").string();
    WriteScheme(GenerateScheme(100000, 20240611), p);
    TRegime r;
    r.Calculate(p, 0, 0, 0, 0, 0);
    r.WriteResults(std::string(LD_DATA_DIR) + "/sprav_UN.cat", 0, false, false, 0, 5, 10, 0, true, nullptr, nullptr);
    return p;
  }();
  return path;
}

}  // namespace ld::bench
