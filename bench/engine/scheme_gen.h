#pragma once
// Realistic distribution schemes of any size for the engine benchmarks: radial 10 kV feeders from
// several balancing nodes, a 10/0.4 kV transformer at most transformer stations, about one
// loop-closing branch per hundred nodes, and a few fixed-voltage nodes. The same seed gives the same
// scheme.
#include <cstdint>
#include <string>
#include <vector>

namespace ld::bench {

struct GenNode {
  std::int32_t NS = 0;
  char Sign = 0;  // 'B', 'U' or 0
  double Pn = 0, Qn = 0, Pg = 0;
  float Um = 0;
};

struct GenBranch {
  std::int32_t N1 = 0, N2 = 0;
  float R = 0, X = 0, G = 0, B = 0, Kta = 0;
  float Idop = 0;
};

struct GenScheme {
  std::vector<GenNode> Nodes;
  std::vector<GenBranch> Branches;
};

GenScheme GenerateScheme(int nodeCount, std::uint64_t seed);

// Writes the node and branch tables of the scheme at path (without extension).
void WriteScheme(const GenScheme& scheme, const std::string& path);

}  // namespace ld::bench
