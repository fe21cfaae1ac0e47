#pragma once
// Where tests find the source tree and its data, and a temporary folder per test.
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>

namespace ld::test {

std::filesystem::path SourceDir();     // the repository root
std::filesystem::path DataDir();       // data/: the program folder's default files ("maket.zr", ...)
std::filesystem::path TestDataDir();   // tests/data/: published test networks

// Copies the program folder's default files (DataDir) whose names `take` accepts (every one without it)
// into the folder `to`, file by file. A test program that reads a shipped table in place leaves its mark
// beside it for a moment (a name ending in "~"): that is none of them, is passed over, and its going
// while the folder is listed fails no copy.
void CopyDataFiles(const std::filesystem::path& to, const std::function<bool(const std::string& name)>& take = {});

// The message of what f throws; "<no error>" when it returns.
std::string ErrorOf(const std::function<void()>& f);

// A fresh empty folder, removed with everything in it when the object goes.
class TempDir {
public:
  // Where the folder is made. Memory: a folder of the machine's memory file system when it has one with
  // room, so that the flushes of a test that writes tables (each writer flushes what it writes) cost
  // nothing and a test's time never grows with the load that other programs put on the disk; the
  // temporary folder otherwise, and always for Temp. What the writers do is the same in either.
  enum class Where { Temp, Memory };
  explicit TempDir(Where where = Where::Memory);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
  std::filesystem::path path_;
};

// Where a test leaves a picture or a document for people to look at: the folder "test-output" beside
// the test program (in the build tree), never the current folder.
std::filesystem::path OutputPath(const std::string& name);

// A layout file of only the named layouts of the program's "maket.zr", written as path. Tests that
// read thousands of tables read their layouts as often, and the whole file costs more than the tables.
void WriteLayoutSubset(const std::filesystem::path& path, const std::initializer_list<std::string>& layouts);

// Whole file as bytes; empty when missing.
std::string ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);
// Every file under the folder, its subfolders' too, by its name within the folder: its bytes.
std::map<std::string, std::string> FilesUnder(const std::filesystem::path& folder);

}  // namespace ld::test
