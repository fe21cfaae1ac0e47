#pragma once
// The lock file "<file>~" holds the name of the user who edits the table (LockTableFiles), or, while a
// write is in progress, the table signature followed by the writer's record; the new table is made
// whole beside it under a private name of "<file>.new~", its writer's own, which takes the file's place. Creating a
// lock is atomic and it appears with its whole record, so of two workstations only one can hold it. Its
// holder keeps it held while it lives (held_file.h), so a lock whose holder is gone is known: a write's
// lock is then cleared at once on any workstation, a user's lock after a question to whoever meets it.
#include <string>

#include "core/tables/held_file.h"

namespace ld {

// Why a write whose lock another program removed (a user told that its program may still work took it
// for a dead one) puts nothing in place.
inline constexpr char kWriteTakenOver[] = "блокировка записи удалена другой программой";

// The lock of one write of a table file, taken before the new table is written and given up once it
// has replaced the old one (or the write failed).
class TWriteLock {
public:
  TWriteLock() = default;
  ~TWriteLock() { Release(); }
  TWriteLock(const TWriteLock&) = delete;
  TWriteLock& operator=(const TWriteLock&) = delete;

  // False with errno set when the lock could not be made (EEXIST: somebody holds it).
  bool Take(const std::string& fileName);
  bool Held() const { return fd_ >= 0; }
  // Whether the lock is still the one this object made: where the folder's locks fail, a user who was
  // asked about it may have removed it as a dead program's, and then ended what this write left.
  bool StillHeld() const;
  // Removes the lock if it is still the one this object made.
  void Release();

private:
  std::string lock_;
  int fd_ = -1;
};

// What stands in the way of a write of the file, the lock looked at and cleared (with the write's
// unfinished table, its in-use mark and the records it was making) if its writer is gone. Own: a user's
// lock of this program; User: another program's user lock (its record given); Stopped: the lock of a
// writer that is gone beside a run's record, left for the end of that run; Writer: a live write, or one
// that cannot be removed.
enum class TLockKind { None, Own, Writer, User, Stopped };
TLockKind LookAtLock(const std::string& fileName, TLockRecord* userRecord = nullptr);

// Refuses (throws 'Файл "<file>" редактируется[. <user>]') a file that is locked or being written. A
// user's lock whose holder is gone, or cannot be told from here, is shown to whoever meets it, naming
// its holder, with the question whether to remove it; "Да" removes it and the file counts as free.
void CheckLock(const std::string& fileName);
[[noreturn]] void ThrowEdited(const std::string& fileName, const std::string& user);

// Takes a user's lock of the file for this program (held until DropUserLock or the program's end).
// False with errno set (EEXIST: somebody got there first).
bool TakeUserLock(const std::string& fileName);
// Removes the user's lock of the file that this program took; another's stays.
void DropUserLock(const std::string& fileName);

// Removes the lock of a write of the file whose writer is gone, with the write's unfinished table and
// in-use mark, silently: what a killed writer left is its own. True when such a lock went (or there is
// no lock and the unfinished table, nobody's now, went). A user's lock and a live write's stay, and so
// does the lock beside a run's record: it tells the end of that run that its program was killed.
bool RemoveDeadWrite(const std::string& fileName);
// Clears what a program of this account that is gone left beside the file, as far as this account may
// and without a wait: a write's lock with its unfinished table and in-use mark, a read's in-use mark, and,
// once the user agrees as at every use, an editing lock. A use that is refused for something else clears
// this first, so that what only this account may remove (a folder with the sticky bit) never waits for
// another use of it. A holder that cannot be told from here, or another account's file, stays.
void ClearOwnLeftOvers(const std::string& fileName);
// Whether the lock beside the file was left by a program that is gone (HolderGone).
bool HasDeadLock(const std::string& fileName);

}  // namespace ld
