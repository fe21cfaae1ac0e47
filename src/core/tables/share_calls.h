#pragma once
// The calls of the file system that a network share answers otherwise than a local disk does, in one
// seam, so that tests can give a local folder a share's answers: whether it makes files without a name
// (O_TMPFILE), gives a file second names (link), has a rename that replaces nothing, how it answers a
// whole-file lock, and how it reads a file that another program holds (a share with mandatory locks
// refuses the read), and what file times it keeps.
#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>

namespace ld {

struct TShareCalls {
  bool unnamedFiles = true;
  bool hardLinks = true;
  // A rename that refuses to replace a file under the new name (RENAME_NOREPLACE).
  bool exclusiveRename = true;
  // A share that neither replaces nor removes a read-only file (a file without write bits), as a
  // Windows server's does; besides the folders the system names as such shares (KeepsReadOnly).
  bool keepsReadOnly = false;
  // The file times the share keeps, in whole seconds (0: as the system gives them): ext3 and HFS+ keep
  // one, FAT two; every file time the program looks at is then rounded down to that many seconds.
  int timeGrain = 0;
  // Instead of the system's whole-file lock of an open file: 0, or -1 with errno set. type is F_RDLCK,
  // F_WRLCK or F_UNLCK; a held lock answers EAGAIN.
  std::function<int(int fd, short type)> lock;
  // Instead of the system's read at an offset: the bytes read, or -1 with errno set.
  std::function<ssize_t(int fd, void* buffer, std::size_t size, off_t offset)> read;
};
// Returns the calls installed before.
TShareCalls SetShareCalls(TShareCalls calls);
const TShareCalls& ShareCalls();

// The whole-file lock of an open file description (it belongs to the open file, not to the process, so
// a look at a file this program holds, closed again, never drops the hold; network shares carry it to
// every workstation). Held only when the system says that somebody holds the file; any other refusal
// says nothing of a holder: the user hears once of each folder whose locks fail, and errno is kept.
enum class TLockAnswer { Taken, Held, Failed };
TLockAnswer LockOf(int fd, short type, const std::string& path);

// Reads at the offset, retried when interrupted. -1 with errno set: EACCES or EAGAIN where a holder's
// lock keeps the bytes from every other program (a share with mandatory locks).
ssize_t ReadAt(int fd, void* buffer, std::size_t size, off_t offset);
// Whether a failed read says that a holder keeps the file: such a file is held by a living program.
bool IsHeldRefusal(int error);

// Gives the file of the private name `own` the name `path` only while that name is free, in one step of
// the system where the folder allows (a second name, then the private one removed; or a rename that
// replaces nothing). 0, or -1 with errno set: EEXIST, the name is taken; EOPNOTSUPP, the folder has no
// such step.
int TakeFreeNameAtOnce(const std::string& own, const std::string& path);
// The same, and where the folder has no such step, a rename after a look: a rename replaces a link
// under the name, never writes through it.
int TakeFreeName(const std::string& own, const std::string& path);

// Whether the folder's file system neither replaces nor removes a read-only file: an SMB share (whose
// server keeps a file's read-only attribute as the file's missing write bits), or keepsReadOnly.
bool KeepsReadOnly(const std::string& folder);

// The folder of a path ("." for a bare name).
std::string FolderOf(const std::string& path);

}  // namespace ld
