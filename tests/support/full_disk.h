#pragma once
// A disk with little room left, played through the program's one file writer: every new file version
// takes at most `room` more bytes and then fails with ENOSPC, part of it written, as a full disk does.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <memory>
#include <string>

#include "core/base/file_replace.h"

namespace ld::test {

class FullDisk {
public:
  explicit FullDisk(std::size_t room = 0) : room_(std::make_shared<std::size_t>(room)) {
    previous_ = SetFileBytesWriter([room = room_](int fd, const std::string& bytes) {
      const std::size_t n = std::min(*room, bytes.size());
      if (n > 0 && ::write(fd, bytes.data(), n) != static_cast<ssize_t>(n)) return false;
      *room -= n;
      if (n == bytes.size()) return true;
      errno = ENOSPC;
      return false;
    });
  }
  ~FullDisk() { SetFileBytesWriter(std::move(previous_)); }
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;

private:
  std::shared_ptr<std::size_t> room_;
  TFileBytesWriter previous_;
};

// A disk that fills at the new version of one file only, whatever the files written with it take: the
// temporary a new version is written into is named after its file ("<name>.XXXXXX~", "<name>.new~.XXXXXX~"),
// and that name is read back from the descriptor the writer gets. The records of a run beside the file
// ("<name>.set~", "<name>.done~") still find room.
class FullDiskAt {
public:
  explicit FullDiskAt(std::string fileName) {
    previous_ = SetFileBytesWriter([name = std::move(fileName)](int fd, const std::string& bytes) {
      char target[4096];
      const std::string link = "/proc/self/fd/" + std::to_string(fd);
      const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
      const std::string path(target, n > 0 ? static_cast<std::size_t>(n) : 0);
      const std::string temp = path.substr(path.find_last_of('/') + 1);
      const auto after = [&](const char* part) { return temp.rfind(name + part, 0) == 0; };
      if (after(".") && !after(".set~") && !after(".done~") && temp.back() == '~') {
        errno = ENOSPC;
        return false;
      }
      return bytes.empty() || ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    });
  }
  ~FullDiskAt() { SetFileBytesWriter(std::move(previous_)); }
  FullDiskAt(const FullDiskAt&) = delete;
  FullDiskAt& operator=(const FullDiskAt&) = delete;

private:
  TFileBytesWriter previous_;
};

// The message every writer gives when the disk fills under an existing file.
inline std::string FullDiskMessage(const std::string& shownName) {
  return "Ошибка записи файла \"" + shownName + "\": нет места на диске; прежний файл не изменен";
}

}  // namespace ld::test
