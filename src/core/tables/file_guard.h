#pragma once
// How workstations that share a folder keep out of each other's table files:
//  - the lock file "<file>~" holds the name of the user who edits the table (a length byte and the
//    name), then the workstation's name and the process's id on it the same way. While a write is in
//    progress the same name holds the table signature followed by the writer's record, and the new
//    table is made whole beside it under "<file>.new~" until it takes the file's place. Creating a lock
//    is atomic and it appears with its whole record, so of two workstations only one can hold it. Its
//    holder keeps a lock of the system on it while it lives (a whole-file lock of its open file, which
//    network shares carry to every workstation), so a lock without that hold is known to be left over
//    by a program that ended without removing it: a write's lock is then cleared at once on any
//    workstation, a user's lock of this user and workstation after a question;
//  - the in-use mark guards a file while one read or write runs. It is a marker file beside the table
//    file, "<file>.inuse~", rather than a file attribute, so every workstation sees it on any file
//    system, network shares included. It records its holder like a lock, and its holder keeps the
//    lock on it too, so a mark whose holder is gone is known and taken at once. Its name ends
//    in "~" and carries a second extension, so the folder walks that copy and delete a table family
//    never take it for a table;
//  - the records of a run of several tables (table_run.h) are held the same way.
// Every account that may write the folder may open these files for writing (as a hold needs), whatever
// its umask: what a killed program of one account left is cleared by any other as its own.
// On a folder whose lock calls fail (a network share without its lock service) nothing can be held:
// the user is told so once, and whether a holder lives is told by its process where that process ran
// on this workstation; another workstation's lock, mark or record then counts as held by a living
// program, since taking it for a dead one would let two programs write at once, and it goes at the
// next use on its own workstation.
#include <functional>
#include <string>
#include <vector>

namespace ld {

// The clock of the in-use wait in seconds; the default is a steady clock. Returns the one before.
using TWaitClock = std::function<double()>;
TWaitClock SetFileWaitClock(TWaitClock clock);

// The in-use mark taken by WaitFileAccess; clears it when released or destroyed.
class TInUseMark {
public:
  TInUseMark() = default;
  ~TInUseMark() { Release(); }
  TInUseMark(const TInUseMark&) = delete;
  TInUseMark& operator=(const TInUseMark&) = delete;

  bool Held() const { return !marker_.empty(); }
  void Release();

private:
  friend bool WaitFileAccess(const std::string& fileName, TInUseMark& mark, bool allowed);
  std::string marker_;
  int fd_ = -1;  // the holder's lock on the marker
};

// The wait for a file that another program holds: a short pause while it lasts (up to 11 seconds by
// the wait clock), then the user is asked whether to allow access to the file anyway.
class TAccessWait {
public:
  enum TStep { kAgain, kAllowed, kRefused };
  TAccessWait();
  // kAgain after the pause: look again. Once the wait is over: the answer, "Да" kAllowed.
  TStep Next(const std::string& fileName);
  // True after the pause while the wait lasts; false once it is over (nothing is asked).
  bool Pause();

private:
  double start_;
};

// The calls of the file system that a network share answers otherwise than a local disk does, for
// tests that give a local folder a share's answers: no unnamed files (O_TMPFILE), no second names of a
// file (link), and a lock call of their own. Returns the calls installed before.
struct TShareCalls {
  bool unnamedFiles = true;
  bool hardLinks = true;
  // A rename that refuses to replace a file under the new name (RENAME_NOREPLACE).
  bool exclusiveRename = true;
  // Instead of the system's whole-file lock of an open file: 0, or -1 with errno set. type is F_RDLCK,
  // F_WRLCK or F_UNLCK; a held lock answers EAGAIN.
  std::function<int(int fd, short type)> lock;
};
TShareCalls SetShareCalls(TShareCalls calls);
const TShareCalls& ShareCalls();

// Gives the file of the private name `own` the name `path` only while that name is free, in one step of
// the system where the folder allows (a second name, then the private one removed; or a rename that
// replaces nothing), else by a rename after a look: a rename replaces a link under the name, never
// writes through it. 0, or -1 with errno set (EEXIST: the name is taken).
int TakeFreeName(const std::string& own, const std::string& path);

// Makes the file only if it does not exist, with exactly these bytes flushed to the disk, held by this
// program from before it has its name until the descriptor is closed; the system drops the hold when
// the program ends however it ends. Where the system cannot make a file without a name, the bytes go
// into a file of a private name ("<path>.XXXXXX~") that then takes the name, so that a program killed
// at any moment leaves the file whole or not at all. Returns the open descriptor (open for reading and
// writing), or -1 with errno set (EEXIST: the file exists).
// makerLock: the lock the caller holds while the file lives, which speaks for it where the folder's locks
// fail (HolderGone).
int CreateHeldFile(const std::string& path, const std::string& bytes, const std::string& makerLock);
// Opens a lock, mark or record through a descriptor that can hold it: open for writing, since an
// exclusive lock needs one (on a network share always). -1 with errno set.
int OpenToHold(const std::string& path);
// Whether `name` is "<own>.XXXXXX~": a private name under which a file of that name gets its bytes, or
// a copy of it is made, before it takes the name.
bool IsPrivateNameOf(const std::string& name, const std::string& own);
// The names "<path>.XXXXXX~" found beside the file, with their folder.
std::vector<std::string> PrivateNamesOf(const std::string& path);
// Gives a file the program makes beside a table (open as fd) the mode of the table it replaces, where
// `replaced` names one that exists; otherwise a lock's, mark's or record's: readable and writable by
// every account that may write the folder of path, whatever the umask.
void GiveFolderMode(int fd, const std::string& path, const std::string& replaced = {});

// Whether the holder of a lock, mark or record of the program's own (open for writing as fd) is gone,
// so that what it left may be cleared: the one rule of every next use. Where the system takes the hold,
// nobody held it, and the file was held by its maker (its record names the workstation that held it, or
// it has no bytes: its maker was killed before it gave them), the caller holds it now. A file that its
// maker could not hold, or whose hold cannot be tested here (the folder's locks fail), is gone when its
// record names a process of this workstation that no longer runs. A file whose bytes name nobody (a
// run's record or commit mark) speaks through makerLock, the lock that its maker holds while it lives:
// a lock that is not there any more or whose holder is gone.
bool HolderGone(const std::string& path, int fd, const std::string& makerLock = {});
// A file of the program's own (a lock, mark or record) that has no bytes and whose holder is gone
// (HolderGone): one whose maker was killed before it gave it its bytes. Removes it, and the files of
// its private names whose makers are gone; true when it went.
bool RemoveIfHalfMade(const std::string& path, const std::string& makerLock = {});
// Whether the name still leads to the open file itself (not to a link to it): a file put under the name
// since it was opened is somebody else's.
bool IsStillNamed(const std::string& path, int fd);
// Removes the file if its name still leads to the open file.
bool UnlinkIfSame(const std::string& path, int fd);

// The name of the in-use marker of a file.
std::string InUseMarkName(const std::string& fileName);
bool HasInUseMark(const std::string& fileName);

// Waits (up to 11 seconds by the wait clock) until the file is not in use by another read or write,
// then marks it as in use by the caller. After the wait it asks whether to allow access anyway:
// "Да" returns true and leaves the other program its mark, "Нет" returns false. A missing file needs no
// mark (true).
// A mark whose holder held it and is gone (killed, or its workstation lost power) guards nothing: it is
// taken at once, without the wait or the question.
// With allowed, the user has already allowed access to the file in this read (past the wait for a run
// that goes on): a held mark is taken over at once, and nothing is asked twice.
bool WaitFileAccess(const std::string& fileName, TInUseMark& mark, bool allowed = false);

// Refuses (throws) a file that is locked or being written, and a file whose modification time differs
// from fileDate (both non-zero): another workstation changed it since it was read. A run of several
// tables stopped halfway that holds the file is ended first (one that goes on is not waited for), so
// that what it left is read beside its own locks. The lock of a write
// whose writer is gone goes at once with its unfinished table and in-use mark, without a word (any
// workstation: nobody holds it). A user's lock left over by a program of this user and workstation that
// no longer runs is shown, and the user is asked whether to remove it; "Да" removes it and the file
// counts as free.
void CheckFileFree(const std::string& fileName, double fileDate);

// Removes the lock of a write of the file whose writer is gone (nobody holds it; any workstation), with
// the write's unfinished table and in-use mark, silently: what a killed writer left is its own, and the
// user has nothing to be asked about it. True when such a lock went (or there is no lock and the
// unfinished table, nobody's now, went). A user's lock and a live write's stay, and so does the lock
// beside a run's record: it tells the end of that run that its program was killed.
bool RemoveDeadWrite(const std::string& fileName);
// Whether the lock beside the file was left by a program that is gone (HolderGone).
bool HasDeadLock(const std::string& fileName);

// The lock of one write of a table file ("<file>~"), taken before the new table is written and given
// up once it has replaced the old one (or the write failed).
class TWriteLock {
public:
  TWriteLock() = default;
  ~TWriteLock() { Release(); }
  TWriteLock(const TWriteLock&) = delete;
  TWriteLock& operator=(const TWriteLock&) = delete;

  // False with errno set when the lock could not be made (EEXIST: somebody holds it).
  bool Take(const std::string& fileName);
  // Takes the lock for a write of the file: a lock left by a writer that is gone is cleared first,
  // silently (a run's that lies beside its record by ending that run); a live write is waited for as a file in use is (up to 11 seconds by the wait clock) and
  // then refused ('Ошибка записи файла "<file>": файл занят другой программой'); a user's lock is
  // refused as CheckFileFree refuses it. With underOwn, a lock of this program (LockTableFiles) is the
  // write's lock: nothing is taken, and it stays as it is.
  void TakeWaiting(const std::string& fileName, bool underOwn);
  bool Held() const { return fd_ >= 0; }
  // Removes the lock if it is still the one this object made.
  void Release();

private:
  std::string lock_;
  int fd_ = -1;
};

// Where a write puts the new table, made whole under a private name of this one, before it replaces the
// file.
std::string WriteTempName(const std::string& fileName);

// Locks basePath + each extension of the comma-separated list with the current user's name; nothing
// is locked when one of them is refused.
void LockTableFiles(const std::string& basePath, const std::string& extensions);
// Removes the locks of basePath + each extension that this program took; another user's lock and a
// write in progress stay.
void UnlockTableFiles(const std::string& basePath, const std::string& extensions);

// The name without its last extension (a point in a folder name is not one); unchanged without one.
std::string RemoveExtension(const std::string& fileName);
// The last extension with its point; empty when there is none.
std::string ExtractExtension(const std::string& fileName);

void DeleteFileIfExists(const std::string& fileName);

}  // namespace ld
