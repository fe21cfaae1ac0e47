#include "support/test_env.h"

#include <linux/magic.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <vector>

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

// A folder of a memory file system that this account may write in, with room for the tables of the tests
// that run at once (each writes a few megabytes at most): the shared memory folder, which a container
// often keeps small (64 MB), else the session's runtime folder, else the temporary folder where the
// system keeps it in memory.
std::filesystem::path MemoryFolder() {
  std::vector<std::filesystem::path> folders = {"/dev/shm", "/run/shm"};
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != '\0')
    folders.emplace_back(runtime);
  folders.emplace_back("/run/user/" + std::to_string(::getuid()));
  std::error_code ec;
  if (const auto temp = std::filesystem::temp_directory_path(ec); !ec) folders.push_back(temp);
  constexpr unsigned long long kRoom = 32ULL << 20;
  for (const auto& folder : folders) {
    struct statfs kind {};
    struct statvfs room {};
    if (::access(folder.c_str(), W_OK | X_OK) != 0 || ::statfs(folder.c_str(), &kind) != 0 ||
        (kind.f_type != TMPFS_MAGIC && kind.f_type != RAMFS_MAGIC) || ::statvfs(folder.c_str(), &room) != 0)
      continue;
    if (static_cast<unsigned long long>(room.f_bavail) * room.f_frsize >= kRoom) return folder;
  }
  return {};
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

std::map<std::string, std::string> FilesUnder(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
    if (entry.is_regular_file()) files[std::filesystem::relative(entry.path(), folder).string()] = ReadBytes(entry.path());
  return files;
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
