#include "core/tables/file_modes.h"

#include <sys/stat.h>
#include <unistd.h>

#include "core/base/file_replace.h"
#include "core/tables/share_calls.h"

namespace ld {

mode_t FolderFileMode(const std::string& path, const std::string& replaced) {
  struct stat old {};
  if (!replaced.empty() && ::stat(replaced.c_str(), &old) == 0 && S_ISREG(old.st_mode)) return old.st_mode & 07777;
  mode_t mode = NewFileMode();
  struct stat folder {};
  if (::stat(FolderOf(path).c_str(), &folder) == 0) {
    if ((folder.st_mode & S_IWGRP) != 0) mode |= S_IRGRP | S_IWGRP;
    if ((folder.st_mode & S_IWOTH) != 0) mode |= S_IROTH | S_IWOTH;
  }
  return mode;
}

void GiveFolderMode(int fd, const std::string& path, const std::string& replaced) {
  struct stat old {};
  if (!replaced.empty() && ::stat(replaced.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    ::fchmod(fd, old.st_mode & 07777);
    return;
  }
  // The folder's group, where the folder does not give it to new files by itself (a program of an
  // account outside that group keeps its own).
  struct stat folder {}, own {};
  if (::stat(FolderOf(path).c_str(), &folder) == 0 && (folder.st_mode & S_IWGRP) != 0 && ::fstat(fd, &own) == 0 &&
      own.st_gid != folder.st_gid) {
    const int changed = ::fchown(fd, static_cast<uid_t>(-1), folder.st_gid);
    static_cast<void>(changed);
  }
  ::fchmod(fd, FolderFileMode(path));
}

}  // namespace ld
