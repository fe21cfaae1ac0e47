#include "core/base/error.h"
#include "core/district/scheme_forming.h"

namespace ld {

TSchemeConverter DefaultSchemeConverter() {
  return [](const std::string&, bool, const std::vector<std::string>&, TDataFile&, TDataFile&, TDataFile&,
            const TProgressProc&, std::vector<std::string>&) { throw Error("converter pending"); };
}

}  // namespace ld
