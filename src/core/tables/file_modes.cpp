#include "core/tables/file_modes.h"

#include <sys/stat.h>
#include <unistd.h>

#include "core/base/file_replace.h"
#include "core/tables/share_calls.h"

namespace ld {

namespace {

// The bits of the accounts that may write the folder, besides its owner.
mode_t FolderWriters(const struct stat& folder) {
  mode_t mode = 0;
  if ((folder.st_mode & S_IWGRP) != 0) mode |= S_IRGRP | S_IWGRP;
  if ((folder.st_mode & S_IWOTH) != 0) mode |= S_IROTH | S_IWOTH;
  return mode;
}

}  // namespace

mode_t FolderFileMode(const std::string& path, const std::string& replaced) {
  struct stat old {};
  if (!replaced.empty() && ::stat(replaced.c_str(), &old) == 0 && S_ISREG(old.st_mode)) return old.st_mode & 07777;
  struct stat folder {};
  return FromUmask(::stat(FolderOf(path).c_str(), &folder) == 0 ? FolderWriters(folder) : 0);
}

void GiveFolderMode(int fd, const std::string& path, const std::string& replaced) {
  struct stat old {};
  if (!replaced.empty() && ::stat(replaced.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    ::fchmod(fd, old.st_mode & 07777);
    return;
  }
  struct stat folder {}, own {};
  if (::stat(FolderOf(path).c_str(), &folder) != 0 || ::fstat(fd, &own) != 0) return;
  // The folder's group, where the folder does not give it to new files by itself (a program of an
  // account outside that group keeps its own).
  if ((folder.st_mode & S_IWGRP) != 0 && own.st_gid != folder.st_gid) {
    const int changed = ::fchown(fd, static_cast<uid_t>(-1), folder.st_gid);
    static_cast<void>(changed);
  }
  // The file was made with the umask's mode: the folder's writers are added to it.
  const mode_t wanted = (own.st_mode & 07777) | FolderWriters(folder);
  if ((own.st_mode & 07777) != wanted) ::fchmod(fd, wanted);
}

}  // namespace ld
