#include "support/test_env.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

#include "core/base/codepage.h"

namespace ld::test {

std::filesystem::path SourceDir() {
  if (const char* dir = std::getenv("LD_SOURCE_DIR")) return dir;
  return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
}

std::filesystem::path DataDir() { return SourceDir() / "data"; }
std::filesystem::path TestDataDir() { return SourceDir() / "tests" / "data"; }

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "<no error>";
}

void CopyDataFiles(const std::filesystem::path& to, const std::function<bool(const std::string& name)>& take) {
  std::filesystem::create_directories(to);
  for (const auto& entry : std::filesystem::directory_iterator(DataDir())) {
    const std::string name = entry.path().filename().string();
    if (name.ends_with('~') || (take && !take(name))) continue;
    std::filesystem::copy_file(entry.path(), to / name, std::filesystem::copy_options::overwrite_existing);
  }
}

namespace {

// The memory file system's folder, when it is there, writable and has room for a test's tables.
std::filesystem::path MemoryFolder() {
  const std::filesystem::path shm = "/dev/shm";
  struct statvfs room {};
  if (::access(shm.c_str(), W_OK | X_OK) != 0 || ::statvfs(shm.c_str(), &room) != 0) return {};
  constexpr unsigned long long kRoom = 512ULL << 20;
  if (static_cast<unsigned long long>(room.f_bavail) * room.f_frsize < kRoom) return {};
  return shm;
}

}  // namespace

TempDir::TempDir(Where where) {
  std::random_device rd;
  std::filesystem::path base;
  // a folder asked for by TMPDIR stays the one used: a test of accounts may need a shared one there
  if (where == Where::Memory && std::getenv("TMPDIR") == nullptr) base = MemoryFolder();
  if (base.empty()) base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = base / ("ldtest-" + std::to_string(rd()) + std::to_string(rd()));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path OutputPath(const std::string& name) {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  const auto folder = (ec ? std::filesystem::temp_directory_path() : exe.parent_path()) / "test-output";
  std::filesystem::create_directories(folder);
  return folder / name;
}

std::string ReadBytes(const std::filesystem::path& path) {
  // One read of the whole file: a character at a time is slow in the sanitizer build, where fuzz
  // tests read thousands of files.
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  if (in) bytes << in.rdbuf();
  return std::move(bytes).str();
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void WriteLayoutSubset(const std::filesystem::path& path, const std::initializer_list<std::string>& layouts) {
  const std::string all = ReadBytes(DataDir() / "maket.zr");
  std::string kept;
  bool keep = false;
  for (std::size_t at = 0; at < all.size();) {
    std::size_t end = all.find('\n', at);
    end = end == std::string::npos ? all.size() : end + 1;
    const std::string line = all.substr(at, end - at);
    if (line.rfind("Name=", 0) == 0) {
      std::string name = Cp1251ToUtf8(line.substr(5));
      while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
      keep = std::find(layouts.begin(), layouts.end(), name) != layouts.end();
    }
    if (keep) kept += line;
    at = end;
  }
  WriteBytes(path, kept);
}

}  // namespace ld::test
