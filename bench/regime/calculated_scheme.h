#pragma once
// What the regime benchmarks stand on: a working folder of their own and one large calculated scheme.
#include <string>

#include "work_dir.h"

namespace ld::bench {

// The generated scheme of 100,000 nodes, calculated once per program with its results in the files;
// returns its path without extension.
const std::string& CalculatedScheme();

}  // namespace ld::bench
