#pragma once
// The files of the guard (locks, in-use marks, the records of a run) are held by their makers: an open
// file's whole-file lock, which the system drops when the program ends however it ends, and which
// network shares carry to every workstation. Each gets its bytes before its name, so no kill at any
// instant leaves a half-made one under its name; and one rule, HolderGone, tells at every next use
// whether what a file's maker left may be cleared.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/base/file_replace.h"
#include "core/tables/lock_record.h"

namespace ld {

// The clock of every wait of the guard in seconds; the default is a steady clock. Returns the one before.
using TWaitClock = std::function<double()>;
TWaitClock SetFileWaitClock(TWaitClock clock);
double WaitClockNow();

// How long a live write of a table can last, by the wait clock: a holder that cannot be tested is
// watched this long before its user is asked about it, as a file in use is waited for.
inline constexpr double kLiveWriteSeconds = 11;
// What every question about a holder that cannot be tested says after that wait.
inline constexpr char kMayStillWork[] =
    "За время ожидания ничего из ее файлов не изменилось, но эта программа, возможно, еще работает.";

// The instants at which a guard file is being made where the folder makes no file without a name, for
// tests that kill its maker there: its private file made (before its hold and bytes), and its name
// claimed (before the private file takes it).
enum class TGuardStep { PrivateMade, Claimed };
using TGuardStepHook = std::function<void(TGuardStep)>;
TGuardStepHook SetGuardStepHook(TGuardStepHook hook);

// Makes the file only if it does not exist, with exactly these bytes flushed to the disk, held by this
// program from before it has its name until the descriptor is closed. Where the system cannot make a
// file without a name, the bytes go into a file of a private name ("<path>.XXXXXX~", made with its final
// mode) that then takes the name while it is free (TakeFreeNameAtOnce); where the folder has no
// step for that, the name is claimed first by an empty file of the final mode. Returns the open
// descriptor, or -1 with errno set (EEXIST: the file exists).
// makerLock: the lock the caller holds while the file lives, which speaks for it where the folder's
// locks fail (HolderGone); private files of the name found then are of earlier holders of that lock.
int CreateHeldFile(const std::string& path, const std::string& bytes, const std::string& makerLock);
// A lock or mark of this program: `prefix`, then this program's record (HolderRecord).
int CreateHeldLock(const std::string& path, const std::string& prefix);
// Opens a lock, mark or record through a descriptor that can hold it: open for writing, since an
// exclusive lock needs one (on a network share always). -1 with errno set.
int OpenToHold(const std::string& path);
// Opens it to judge its holder: for writing where this account may, else for reading (a file of
// another account or an earlier version whose mode lets it only be read, tested by a shared lock).
int OpenToJudge(const std::string& path);
// Whether `name` is "<own>.XXXXXX~": a private name under which a file of that name gets its bytes, or
// a copy of it is made, before it takes the name.
bool IsPrivateNameOf(const std::string& name, const std::string& own);
// The names "<path>.XXXXXX~" found beside the file, with their folder.
std::vector<std::string> PrivateNamesOf(const std::string& path);

// Whether the holder of a guard file (open as fd) lives, is gone, or cannot be told from here.
//  - Held: it lives. A file whose bytes its holder's lock keeps unreadable is held.
//  - makerLock given (a run's record or commit mark, whose bytes name nobody): taken, it is gone;
//    where the folder's locks fail, its maker's lock speaks for it: gone when that lock is not there,
//    else as that lock's holder.
//  - Taken, and its maker held it: gone.
//  - No bytes, where the folder's locks fail: a name claimed by a maker that gives it its bytes under a
//    private name first; as the private files beside it say, gone when none lives.
//  - Otherwise the record names its process: told where it names a process of this machine and this
//    start of the system (IsOfThisMachine), else unknown: another workstation where the locks fail, a
//    file of an earlier version, another machine of the same name.
enum class THolder { Lives, Gone, Unknown };
THolder JudgeHolder(const std::string& path, int fd, const std::string& makerLock, TLockRecord* holder);
// The one rule of every next use: whether the holder is gone, so that what it left may be cleared. A
// holder that cannot be told from here may be a program at work: it is watched first, as long as a live
// write lasts (kLiveWriteSeconds by the wait clock), and at the first change of its table or of the files
// beside it, it lives. Only one that stays as it was is named and the user is asked (once within a use
// of the table), the question saying that it may still work (kMayStillWork): "Да" says it is gone, and
// so is every other file of that program (and, within the use, the file and the lock that spoke for it,
// where its record names no process); "Нет" that it lives, and nothing is waited for or asked about
// again within the use (TGuardUse). `ask` words the question from the holder's
// text; empty: the file is named as a left-over one of that holder.
using TAskText = std::function<std::string(const std::string& holder)>;
bool HolderGone(const std::string& path, int fd, const std::string& makerLock = {}, const TAskText& ask = {});
// Whether the user said that the program the record names is gone, and saying it: every file of that
// program goes then without another question.
bool SaidGone(const TLockRecord& holder);
// One use of a table (a read, a write, a run, an editing lock, each from its first step to its last), for
// as long as the object lives: within it
// each holder that cannot be told from here is waited for and asked about once, and once the user said
// that one may still work, its wait is spent: the use is refused without another wait or question. Uses
// nest; the outermost one is the use.
class TGuardUse {
public:
  TGuardUse();
  ~TGuardUse();
  TGuardUse(const TGuardUse&) = delete;
  TGuardUse& operator=(const TGuardUse&) = delete;
};
// Whether the user said within the use that goes on that a holder may still work.
bool SaidMayWorkInThisUse();
// How many times the user answered that a holder may still work: a use that was given such an answer
// while it waited has spent its wait, and is refused without another question.
std::uint64_t SaidMayWork();
void SayGone(const TLockRecord& holder);
// Removes a guard file that has no bytes and whose holder is gone (one whose maker was killed before it
// gave it its bytes), and the private files of its name whose makers are gone; true when it went.
bool RemoveIfHalfMade(const std::string& path, const std::string& makerLock = {});
// Removes the private files of the name whose makers are gone (HolderGone).
void RemoveDeadPrivates(const std::string& path, const std::string& makerLock = {});
// Whether this account may remove or replace the file: a folder with the sticky bit lets only the
// file's owner, the folder's or an administrator do so. Where it may not, `owner` gets the file owner's
// account name.
bool MayRemove(const std::string& path, std::string* owner = nullptr);
// Why this account may not put a new version in the file's place or remove it (a folder it may not
// write, another account's file in a folder with the sticky bit, a read-only file on a share that keeps
// those); empty where it may. Said without the file's name.
std::string NotReplaceable(const std::string& file);
// A file that a program now gone left, which this account may not remove or replace: a folder with the
// sticky bit lets only the file's owner, the folder's or an administrator do so. Empty where it may;
// otherwise the file named with its owner's account and the reason, starting 'файл "<path>"'.
std::string NotRemovable(const std::string& path);
// The refusal of what this account may not remove: no wait and no answer would let it.
class TNotRemovable : public TFileError {
public:
  using TFileError::TFileError;
};
// Whether the name still leads to the open file itself (not to a link to it): a file put under the name
// since it was opened is somebody else's.
bool IsStillNamed(const std::string& path, int fd);
// Removes the file if its name still leads to the open file.
bool UnlinkIfSame(const std::string& path, int fd);

}  // namespace ld
