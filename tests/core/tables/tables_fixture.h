#pragma once
// A private layout file for table-store tests and helpers to build file bytes by hand.
#include <fcntl.h>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/base/codepage.h"
#include "core/tables/file_guard.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "core/tables/table_run.h"
#include "support/test_env.h"

namespace ld::test {

// Writes `utf8Lines` (one layout file, lines separated by '\n') as Windows-1251 with CR LF into the
// folder and points MaketFileName at it while the object lives.
class LayoutScope {
public:
  LayoutScope(const TempDir& dir, const std::string& utf8Lines) : saved_(MaketFileName) {
    std::string text;
    for (char c : utf8Lines) text += c == '\n' ? std::string("\r\n") : std::string(1, c);
    MaketFileName = dir / "maket.zr";
    WriteBytes(MaketFileName, Utf8ToCp1251(text));
  }
  // Points MaketFileName at an existing layout file.
  explicit LayoutScope(const std::string& path) : saved_(MaketFileName) { MaketFileName = path; }
  ~LayoutScope() { MaketFileName = saved_; }
  LayoutScope(const LayoutScope&) = delete;
  LayoutScope& operator=(const LayoutScope&) = delete;

private:
  std::string saved_;
};

// Little-endian bytes and short strings, for expected file contents.
inline std::string I32(std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  return {static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16), static_cast<char>(u >> 24)};
}
inline std::string Short(const std::string& utf8) {
  const std::string bytes = Utf8ToCp1251(utf8);
  return std::string(1, static_cast<char>(bytes.size())) + bytes;
}
template <typename T>
std::string Raw(T v) {
  return std::string(reinterpret_cast<const char*>(&v), sizeof v);
}

// A one-column table "Счет" of `rows` rows holding `value`, the shared file of the lock tests.
inline constexpr char kCounterLayout[] = "Name=Счет\nExtention=.CNT\nCount=1\nOrder=\nl,50,9,0,1,1,0,0,Cnt,Счет\n";
inline void WriteCounter(const std::string& file, int value, int rows = 1) {
  TDataFile t;
  ReadMaket("Счет", t);
  CreateColumns(t, rows);
  for (int row = 1; row <= rows; ++row) (*GetColumnAs<DALongint>("Cnt", t))[row] = value;
  WriteTableFile(file, t);
}
// Writes the counter tables together (WriteTablesTogether) with the values first, first + 1, … in `rows`
// rows each, and the files of bytes given in the same run.
inline void WriteCountersTogether(const std::vector<std::string>& files, int first, int rows = 1,
                                  const std::vector<TRunBytes>& bytes = {}) {
  std::vector<TDataFile> tables(files.size());
  std::vector<std::pair<std::string, TDataFile*>> run;
  for (std::size_t k = 0; k < files.size(); ++k) {
    ReadMaket("Счет", tables[k]);
    CreateColumns(tables[k], rows);
    for (int row = 1; row <= rows; ++row) (*GetColumnAs<DALongint>("Cnt", tables[k]))[row] = first + static_cast<int>(k);
    run.emplace_back(files[k], &tables[k]);
  }
  WriteTablesTogether(run, bytes);
}
inline int ReadCounter(const std::string& file) {
  TDataFile t;
  ReadTableFile(file, t);
  return GetColumnAs<DALongint>("Cnt", t)->Get(1);
}

// The bytes of the temporary tables beside the file (each writer's own, under a private name of
// "<file>.new~"), in the order of their names; "" when there is none.
inline std::string TempTables(const std::string& file) {
  std::vector<std::string> names = PrivateNamesOf(WriteTempName(file));
  std::sort(names.begin(), names.end());
  std::string bytes;
  for (const std::string& name : names) bytes += ReadBytes(name);
  return bytes;
}

// The names of the files in the folder: what a write leaves beside its tables.
inline std::set<std::string> FileNames(const TempDir& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) names.insert(entry.path().filename().string());
  return names;
}

// A lock call as a network share answers it: an exclusive lock through a descriptor open for reading
// only is refused with EBADF, whoever holds the file.
inline int ShareLock(int fd, short type) {
  if (type == F_WRLCK && (::fcntl(fd, F_GETFL) & O_ACCMODE) == O_RDONLY) {
    errno = EBADF;
    return -1;
  }
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  return ::fcntl(fd, F_OFD_SETLK, &lock);
}

// A read as a share with mandatory locks answers it: refused while another open file holds a lock of
// the file.
inline ssize_t MandatoryRead(int fd, void* buffer, std::size_t size, off_t offset) {
  struct flock probe {};
  probe.l_type = F_RDLCK;
  probe.l_whence = SEEK_SET;
  if (::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK) {
    errno = EACCES;
    return -1;
  }
  return ::pread(fd, buffer, size, offset);
}

// A local folder that answers as a network share does while the object lives: no unnamed files, no
// second names of a file, no rename that refuses to replace, and locks that need a descriptor open for writing. A lock call given here
// replaces that one; a read given here replaces the system's.
class ShareScope {
public:
  explicit ShareScope(bool on = true, std::function<int(int, short)> lock = ShareLock,
                      std::function<ssize_t(int, void*, std::size_t, off_t)> read = {}) {
    TShareCalls calls;
    if (on) {
      calls.unnamedFiles = false;
      calls.hardLinks = false;
      calls.exclusiveRename = false;
      calls.lock = std::move(lock);
      calls.read = std::move(read);
    }
    previous_ = SetShareCalls(std::move(calls));
  }
  ~ShareScope() { SetShareCalls(std::move(previous_)); }
  ShareScope(const ShareScope&) = delete;
  ShareScope& operator=(const ShareScope&) = delete;

private:
  TShareCalls previous_;
};

// A folder that keeps file times in whole seconds (`grain` of them; 0: as the system gives them), on
// top of the share calls in place.
class TimeGrainScope {
public:
  explicit TimeGrainScope(int grain) {
    TShareCalls calls = ShareCalls();
    calls.timeGrain = grain;
    previous_ = SetShareCalls(std::move(calls));
  }
  ~TimeGrainScope() { SetShareCalls(std::move(previous_)); }
  TimeGrainScope(const TimeGrainScope&) = delete;
  TimeGrainScope& operator=(const TimeGrainScope&) = delete;

private:
  TShareCalls previous_;
};

}  // namespace ld::test
