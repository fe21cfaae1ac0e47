#pragma once
// A benchmark's scratch folder: "<temporary folder>/<prefix>-<process id>", created now and removed with
// everything in it at the end, so runs side by side never share files.
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace ld::bench {

struct TWorkDir {
  explicit TWorkDir(const std::string& prefix)
      : path(std::filesystem::temp_directory_path() / (prefix + "-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(path);
  }
  ~TWorkDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  TWorkDir(const TWorkDir&) = delete;
  TWorkDir& operator=(const TWorkDir&) = delete;

  std::filesystem::path path;
};

}  // namespace ld::bench
