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

// The message every writer gives when the disk fills under an existing file.
inline std::string FullDiskMessage(const std::string& shownName) {
  return "Ошибка записи файла \"" + shownName + "\": нет места на диске; прежний файл не изменен";
}

}  // namespace ld::test
