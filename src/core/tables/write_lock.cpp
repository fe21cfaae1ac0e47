#include "core/tables/write_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <memory>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/msgbox.h"
#include "core/base/session.h"
#include "core/tables/file_io.h"
#include "core/tables/in_use_mark.h"

namespace ld {

namespace {

using fileio::FullFileName;

// The user's locks this program created, by full name. Each stays open while it is held: a lock file
// that someone replaced in between is then never taken for ours, since an open file keeps its identity
// from being given to a new one.
std::map<std::string, std::unique_ptr<fileio::TFd>>& OwnLocks() {
  static std::map<std::string, std::unique_ptr<fileio::TFd>> locks;
  return locks;
}

bool IsOwnLock(const std::string& lock) {
  const auto it = OwnLocks().find(FullFileName(lock));
  return it != OwnLocks().end() && IsStillNamed(lock, it->second->Get());
}

void RemovePrivates(const std::string& path) {
  for (const std::string& name : PrivateNamesOf(path)) ::unlink(name.c_str());
}

// Removes the lock looked at (open as fd) if it still is the one there: one that replaced it meanwhile
// is somebody's new lock. What only the lock's holder makes goes first, while the lock still keeps every
// other writer out of it: the write's unfinished table, whole or under a private name, the records and
// commit mark it was making under private names, and its in-use mark where its holder is gone too.
bool RemoveLookedAtLock(const std::string& fileName, const std::string& lock, int fd) {
  if (!IsStillNamed(lock, fd)) return false;
  const std::string temp = WriteTempName(fileName);
  RemovePrivates(temp);
  ::unlink(temp.c_str());
  RemovePrivates(RunRecordName(fileName));
  RemovePrivates(CommitMarkName(fileName));
  RemoveIfStale(InUseMarkName(fileName));
  return ::unlink(lock.c_str()) == 0;
}

// A lock that a program now gone left, which only its owner's account may remove (a folder with the sticky
// bit): named with that account, and with what clears it, since no wait and no answer here would.
void RefuseOthersLeftOver(const std::string& fileName, const std::string& lock) {
  std::string owner;
  if (MayRemove(lock, &owner)) return;
  const std::string why = NotRemovable(lock) + "; его удалит программа пользователя \"" + owner +
                          "\", когда снова будет записывать файл \"" + FullFileName(fileName) +
                          "\" или откроет его для изменения";
  throw TNotRemovable("Ф" + why.substr(std::string("ф").size()), why);
}

// Whether the holder of the file (open as fd) is gone, told without a wait or a question: one that cannot
// be told from here counts as living.
bool GoneAtOnce(const std::string& path, int fd) { return JudgeHolder(path, fd, {}, nullptr) == THolder::Gone; }

bool GoneAtOnce(const std::string& path) {
  const fileio::TFd fd(OpenToJudge(path));
  return fd.IsOpen() && GoneAtOnce(path, fd.Get());
}

// A user's lock looked at, whose holder is gone or cannot be told from here: whoever meets it is asked
// whether to remove it, as its own user would be. True when it went.
bool AskToRemoveLeftOver(const std::string& fileName) {
  const std::string lock = LockName(fileName);
  if (IsOwnLock(lock)) return false;
  const fileio::TFd fd(OpenToJudge(lock));
  if (!fd.IsOpen()) return false;
  TLockRecord holder;
  const THolder verdict = JudgeHolder(lock, fd.Get(), {}, &holder);
  if (verdict == THolder::Lives) return false;
  // The user said that this program is gone about another of its files: its second lock goes with it.
  if (SaidGone(holder)) return RemoveLookedAtLock(fileName, lock, fd.Get());
  const std::string file = "Файл \"" + FullFileName(fileName) + "\" заблокирован программой";
  if (verdict == THolder::Gone) {
    RefuseOthersLeftOver(fileName, lock);  // asking would remove nothing
    const bool own = holder.user == CurrentUserName || holder.user.empty();
    if (ShowMsgForm(file + (own ? "" : " пользователя \"" + holder.user + "\"") +
                        ", которая больше не работает. Удалить блокировку?",
                    mkWarning, mbYesNo) != 1)
      return false;
    SayGone(holder);
    return RemoveLookedAtLock(fileName, lock, fd.Get());
  }
  // A holder that cannot be told from here (another workstation where the locks fail, an earlier
  // version) may be editing the table: waited for as any such holder is, then asked about.
  const auto ask = [&file](const std::string& named) {
    return file + " " + named + ", работу которой отсюда проверить нельзя. " + kMayStillWork +
           " Удалить блокировку, если эта программа больше не работает?";
  };
  return HolderGone(lock, fd.Get(), {}, ask) && RemoveLookedAtLock(fileName, lock, fd.Get());
}

}  // namespace

void ThrowEdited(const std::string& fileName, const std::string& user) {
  std::string text = "Файл \"" + FullFileName(fileName) + "\" редактируется";
  if (!user.empty()) text += ". " + user;
  throw Error(text);
}

TLockKind LookAtLock(const std::string& fileName, TLockRecord* userRecord) {
  const std::string lock = LockName(fileName);
  if (IsOwnLock(lock)) return TLockKind::Own;
  const fileio::TFd fd(OpenToJudge(lock));
  if (!fd.IsOpen()) return errno == ENOENT ? TLockKind::None : TLockKind::Writer;
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) return TLockKind::Writer;
  const TLockRecord record = ReadLockRecord(fd.Get());
  // A lock whose bytes its holder keeps from everyone is held: a live write, waited for.
  if (!record.readable) return TLockKind::Writer;
  // A write's lock (or one without its bytes yet) whose holder is gone: its writer was killed.
  if (st.st_size == 0 || record.write) {
    if (!HolderGone(lock, fd.Get())) return TLockKind::Writer;
    // Beside a run's record the lock says that the run's program was killed: it goes with the end of
    // the run, which tells a run killed while it laid its records by it.
    if (fileio::FileExists(RunRecordName(fileName))) return TLockKind::Stopped;
    // One this account may not remove is named with its owner at once: nothing will remove it by waiting.
    // One that cannot be removed otherwise (a folder this user may not change) stands in the way as a live one.
    RefuseOthersLeftOver(fileName, lock);
    return RemoveLookedAtLock(fileName, lock, fd.Get()) ? TLockKind::None : TLockKind::Writer;
  }
  if (userRecord != nullptr) *userRecord = record;
  return TLockKind::User;
}

void CheckLock(const std::string& fileName) {
  if (!fileio::FileExists(LockName(fileName))) return;
  TLockRecord record;
  switch (LookAtLock(fileName, &record)) {
    case TLockKind::None: return;
    case TLockKind::Own: {
      const fileio::TFd fd(::open(LockName(fileName).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
      ThrowEdited(fileName, fd.IsOpen() ? ReadLockRecord(fd.Get()).user : std::string());
    }
    case TLockKind::Stopped:  // a run that could not be ended yet
    case TLockKind::Writer: ThrowEdited(fileName, "");  // a write in progress, not a user's lock
    case TLockKind::User:
      if (!AskToRemoveLeftOver(fileName)) ThrowEdited(fileName, record.user);
      return;
  }
}

bool TakeUserLock(const std::string& fileName) {
  const std::string lock = LockName(fileName);
  // Held while the lock lives, and dropped by the system when this program ends however it ends: that is
  // how the next program knows a lock whose holder is gone.
  auto fd = std::make_unique<fileio::TFd>(CreateHeldLock(lock, ""));
  if (!fd->IsOpen()) return false;
  OwnLocks()[FullFileName(lock)] = std::move(fd);
  return true;
}

void DropUserLock(const std::string& fileName) {
  const std::string lock = FullFileName(LockName(fileName));
  auto it = OwnLocks().find(lock);
  // A table removed since it was locked (a run that replaced its family) no longer tells the letter case
  // its name had ("X.frb" is found as "X.FRB" once gone); the lock taken under that name still does.
  if (it == OwnLocks().end()) {
    const std::string upper = UpperCase(lock);
    it = std::find_if(OwnLocks().begin(), OwnLocks().end(),
                      [&upper](const auto& own) { return UpperCase(own.first) == upper; });
  }
  if (it == OwnLocks().end()) return;
  UnlinkIfSame(it->first, it->second->Get());
  OwnLocks().erase(it);
}

bool RemoveDeadWrite(const std::string& fileName) {
  const std::string temp = WriteTempName(fileName);
  if (!fileio::FileExists(LockName(fileName))) {
    // An unfinished table without a lock is nobody's, but only a holder of the lock may remove it: a
    // writer that takes the lock meanwhile owns the name.
    TWriteLock lock;
    if ((!fileio::FileExists(temp) && PrivateNamesOf(temp).empty()) || !lock.Take(fileName)) return false;
    RemovePrivates(temp);
    ::unlink(temp.c_str());
    return true;
  }
  return LookAtLock(fileName) == TLockKind::None;
}

void ClearOwnLeftOvers(const std::string& fileName) {
  const std::string lock = LockName(fileName);
  const std::string marker = InUseMarkName(fileName);
  // Private files of the lock's and the mark's names that a killed maker of this account left.
  std::vector<std::string> privates = PrivateNamesOf(lock);
  for (const std::string& name : PrivateNamesOf(marker)) privates.push_back(name);
  for (const std::string& name : privates) {
    const fileio::TFd fd(OpenToJudge(name));
    if (fd.IsOpen() && MayRemove(name) && GoneAtOnce(name, fd.Get())) UnlinkIfSame(name, fd.Get());
  }
  if (fileio::FileExists(marker) && MayRemove(marker) && GoneAtOnce(marker)) RemoveIfStale(marker);
  if (!fileio::FileExists(lock)) {
    RemoveDeadWrite(fileName);
    return;
  }
  if (IsOwnLock(lock) || !MayRemove(lock) || !GoneAtOnce(lock)) return;
  // A user's lock is asked about as at every next use; a write's goes without a word.
  if (LookAtLock(fileName) == TLockKind::User) AskToRemoveLeftOver(fileName);
}

bool HasDeadLock(const std::string& fileName) {
  const std::string lock = LockName(fileName);
  if (IsOwnLock(lock)) return false;
  const fileio::TFd fd(OpenToJudge(lock));
  return fd.IsOpen() && HolderGone(lock, fd.Get());
}

bool TWriteLock::Take(const std::string& fileName) {
  Release();
  const std::string lock = LockName(fileName);
  // The table signature first: older programs read it as a write in progress and name nobody.
  fd_ = CreateHeldLock(lock, "\x06ZREGIM");
  if (fd_ < 0) return false;
  lock_ = lock;
  return true;
}

bool TWriteLock::StillHeld() const { return fd_ >= 0 && IsStillNamed(lock_, fd_); }

void TWriteLock::Release() {
  if (fd_ < 0) return;
  UnlinkIfSame(lock_, fd_);
  ::close(fd_);
  fd_ = -1;
  lock_.clear();
}

}  // namespace ld
