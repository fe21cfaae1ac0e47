#pragma once
// What the regime benchmarks stand on: a working folder of their own and one large calculated scheme.
#include <filesystem>
#include <string>

namespace ld::bench {

// "<temporary folder>/<prefix>-<process id>", created now and removed with everything in it at the end.
struct TWorkDir {
  explicit TWorkDir(const std::string& prefix);
  ~TWorkDir();
  TWorkDir(const TWorkDir&) = delete;
  TWorkDir& operator=(const TWorkDir&) = delete;

  std::filesystem::path path;
};

// The generated scheme of 100,000 nodes, calculated once per program with its results in the files;
// returns its path without extension.
const std::string& CalculatedScheme();

}  // namespace ld::bench
