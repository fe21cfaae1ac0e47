#pragma once
// A benchmark's scratch folder: "<temporary folder>/<prefix>-<process id>", created now and removed with
// everything in it at the end, so runs side by side never share files. The folders of a program that
// ends by a thrown exception go too (RemoveAll, called by the benchmarks' main on termination).
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace ld::bench {

struct TWorkDir {
  explicit TWorkDir(const std::string& prefix)
      : path(std::filesystem::temp_directory_path() / (prefix + "-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(path);
    Live().push_back(this);
  }
  ~TWorkDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    Live().erase(std::remove(Live().begin(), Live().end(), this), Live().end());
  }
  TWorkDir(const TWorkDir&) = delete;
  TWorkDir& operator=(const TWorkDir&) = delete;

  // Removes every scratch folder that still stands.
  static void RemoveAll() {
    for (const TWorkDir* dir : Live()) {
      std::error_code ec;
      std::filesystem::remove_all(dir->path, ec);
    }
  }

  std::filesystem::path path;

private:
  static std::vector<TWorkDir*>& Live() {
    static std::vector<TWorkDir*> live;
    return live;
  }
};

}  // namespace ld::bench
