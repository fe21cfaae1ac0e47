#pragma once
// A file held as a living program holds its lock, in-use mark or record: open for writing, with the
// system's whole-file lock of its open file, until the object goes (or Release). Another open file of
// the same name, in this process too, finds it held.
#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "support/test_env.h"

namespace ld::test {

class HeldFile {
public:
  HeldFile(const std::string& path, const std::string& bytes) {
    WriteBytes(path, bytes);
    fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (fd_ < 0 || ::fcntl(fd_, F_OFD_SETLK, &lock) != 0) Release();
  }
  ~HeldFile() { Release(); }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  bool Held() const { return fd_ >= 0; }
  void Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

private:
  int fd_ = -1;
};

// Writes a lock or mark as another workstation's living program keeps it: held until the test program
// ends, so that it stands for a program that goes on (a file that nobody holds is a dead program's, or
// one whose holder cannot be told, and its finder is asked about it).
inline void HoldAsLiving(const std::string& path, const std::string& bytes) {
  static std::vector<std::unique_ptr<HeldFile>> held;
  held.push_back(std::make_unique<HeldFile>(path, bytes));
}

}  // namespace ld::test
