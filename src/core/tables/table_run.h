#pragma once
// A run that writes several tables of one folder together, all or none, from its start to its end, and
// the end that a stopped run gets at the next use of one of its tables.
//
// A run holds the write lock of each of its tables ("<file>~", as a single write does), taken in the
// order of the tables' names, from before it touches anything of that table until its records are gone:
// no other writer shares its temporary tables or writes a table of its set meanwhile.
//
// While its new tables take their places, a run lays the same record beside each of them
// ("<file>.set~": a line a table, "+" and the ending of the second name that keeps its old version, or
// "-" for a table the run makes, a tab and the table's name) and holds every record until it
// ends; the system drops the holds of a program that ends however it ends. Once every table is in place
// the run writes its commit mark beside its first table ("<first>.done~", the record's bytes), and only
// then removes the second names, the records and the mark, the mark before the last record: no kill
// leaves the mark without a record that leads to it. So a record found later means:
//  - held: a run that still goes on; it is waited for as a table in use is;
//  - not held, the commit mark there: a run that finished its tables; what it left is removed;
//  - not held, no mark, and every table it names carries the same record: a run stopped before its
//    end; the old set is put back whole;
//  - not held, and the table's write lock beside it left by a program that is gone: a run killed while
//    it laid its records, before it touched any table, or while it (or a program that ended it) removed
//    them; the records go, silently. Such a lock is left beside the record until then (write_lock.h);
//  - otherwise (the other tables do not carry it): no run's record; it removes nothing, and the user
//    is told.
// What a killed run left besides (its write locks, their temporary tables, copies of old versions it was
// making) goes with the end it gets. Where the folder's locks fail, a record is held by whoever holds
// the write lock beside its table (HolderGone), and a run that the user took for a dead one may only have
// been stalled: the program that puts its set back first takes the commit mark's name with bytes of its
// own, so that the run can no longer say it is done, and the run looks after its mark whether its records
// and locks, or else its tables, still stand as it put them; it reports its write lost where they do not.
// A run makes nothing it could not remove itself: before anything it makes sure this account may replace
// every table of its set. Where a stopped run's files are another account's that this one may not remove
// (a folder with the sticky bit), what this account may put back goes back, and the user is told that
// the owner's program ends the run.
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/base/callbacks.h"
#include "core/tables/file_io.h"
#include "core/tables/file_stamp.h"
#include "core/tables/layout.h"
#include "core/tables/write_lock.h"

namespace ld {

// Writes several tables of one folder together, all or none (TTableRun below). The run takes the
// write lock of each table ("<file>~") in the order of their names, as a single write does (a lock that
// this program took with LockTableFiles serves as it stands), and keeps it until its records are gone:
// another writer is waited for, and past the wait the run is refused ("файл занят другой программой").
// Each "<file>" of the list goes to a temporary file of the run's own beside it ("<file>.new~.XXXXXX~"),
// and only once every one was written do they take the old files' places, each while its file is not in use by another read or write
// (WaitFileAccess). Every old file keeps a second name ("<file>.old~") until the run is over, and when
// one cannot take its place, those replaced before it get their old files back. A write that fails
// leaves every file as it was and no temporary file or second name behind; errors name the table's own
// file. While the tables take their places a record of the run lies beside each ("<file>.set~"), held
// by the run while it lives, and a commit mark ends the run in one step once every table is in place;
// a program killed at any moment leaves the set to be ended whole at the next use of any of its
// tables (RecoverTableSet). A table that cannot be put back after a failure keeps the records, so the
// next use tries again and names it. A second name already taken (an old version that a failed write
// could not put back, named in its message) is never overwritten or removed: the run keeps the old file
// under the next free name ("<file>.old2~", ...) and names the earlier ones to the user (ShowMsgForm)
// once the tables are in place. The caller's own locks of the files stay as they are. A file given
// without a table (nullptr) is removed by the run, as one step of it, kept and put back as a replaced one.
// Before anything of a table is replaced, and while the run holds every lock of its set, each table read
// from its file is judged as a single write judges it (RefuseChangedSinceRead): a table changed there
// since refuses the run ('Файл "<file>" был изменен. Необходимо открыть файл заново'), and nothing of
// the set is written.
void WriteTablesTogether(const std::vector<std::pair<std::string, TDataFile*>>& files);
// A file of a run that is not a table (the protocol of a calculation, a text): its bytes as they are.
// It goes the way of the run's tables, after them in the run: its lock, its temporary file of the run's
// own, its record, its old version kept and put back, so that a program killed at any moment leaves the
// old file with the old tables or the new one with the new. It is judged changed since read only by the
// stamp it carries. Its
// readers end a stopped run that holds it first (RecoverTableSetForRead), as readers of a table do.
struct TRunBytes {
  std::string file;
  std::string bytes;
  // The file as the bytes were made from it (a settings file of which they change one key): a file
  // changed since refuses the run as a table changed since its read does. Unknown: made from nothing.
  TFileStamp read = {};
  // Bytes that say what this very run writes of its tables (the record, beside a scheme, of the base it was
  // formed from): made once every table of the run is written to its temporary, from the stamp of what was
  // written of each (by its file as given). Given, they stand for `bytes`.
  using TWritten = std::vector<std::pair<std::string, TFileStamp>>;
  std::function<std::string(const TWritten& written)> made = {};
};
void WriteTablesTogether(const std::vector<std::pair<std::string, TDataFile*>>& tables,
                         const std::vector<TRunBytes>& files);
// Ends a run of WriteTablesTogether that holds the file, if its record lies beside it: a run that still
// goes on (in this or another program) is waited for as a table in use is; a run that was stopped before
// its commit mark gets every replaced table's old version back and loses the tables it made, and the
// user is told which files where a table was not as before; a run stopped after it has what it left removed, silently. A record that the
// other tables it names do not carry was not left by a stopped run: it changes no table, goes, and the
// user is told of it. Called by every read and write of a table file; without a record beside the file
// it costs one look at the folder. A record that cannot be followed (damaged, a table in use past the
// wait and refused, a rename refused) throws, naming the files, and everything stays on the disk for
// the next try.
void RecoverTableSet(const std::string& fileName);
// How WriteTablesTogether puts a new table in its file's place: true when it did (a failing one sets
// errno). Tests install one that fails, as a file system that refuses the rename would; an empty one is
// the system's rename. Returns the one installed before.
using TTableRenamer = std::function<bool(const std::string& temp, const std::string& file)>;
TTableRenamer SetTableRenamer(TTableRenamer renamer);

// The moments at which a run can be stopped, for tests that stop it there as a killed program stops:
// each write lock taken, its write locks held, each temporary table written, each record laid, its
// records and second names laid, each table in place, the commit mark about to be made (Committing) and
// written, and each record gone;
// and the moments of a program that ends a stopped run: it holds the run's records (before it marks the
// tables in use), each table is as before the run, and each record is gone.
enum class TRunStep {
  Locked,
  TempWritten,
  RecordLaid,
  RecordsLaid,
  Renamed,
  Committed,
  RecordRemoved,
  RecordsTaken,
  LockTaken,
  Restored,
  Committing
};
using TRunStepHook = std::function<void(TRunStep)>;
// Installs the hook called at each step (an empty one: none); returns the one installed before.
TRunStepHook SetTableRunStepHook(TRunStepHook hook);

class TTableRun {
public:
  TTableRun(const TTableRun&) = delete;
  TTableRun& operator=(const TTableRun&) = delete;
  ~TTableRun();

  // WriteTablesTogether.
  static void Write(const std::vector<std::pair<std::string, TDataFile*>>& tables,
                    const std::vector<TRunBytes>& files = {});
  // RecoverTableSet, once a record lies beside the file; true when the user allowed access to the file
  // past the wait for a run that goes on. Without wait, a run that goes on is left alone at once. For a
  // read, a set that this account may not put back (NotRemovable) is named, and the user is asked
  // whether to read the table as it stands ("Да": true); otherwise it is refused (TNotRemovable).
  static bool Recover(const std::string& fileName, bool wait = true, bool read = false);

private:
  struct TTable;
  enum class TFound { Gone, Busy, Again, Taken };

  TTableRun();
  std::string FileList() const;

  // A run of this program.
  void Run();
  void TakeLocks();
  void LayRecords();
  void KeepOldFiles();
  void Rename();
  void Commit();
  [[noreturn]] void Undo(const std::string& failed, const std::string& reason);
  bool RecordsStand() const;
  bool LocksStand() const;
  // Refuses (throws, naming the file) to go on once another program took this run for a dead one.
  void CheckStillOwn(const std::string& file);
  // Every table as before the run; what could not be put back, one text a table. changed: a table was
  // not as before the run.
  std::vector<std::string> PutBack(bool* changed = nullptr);
  void Finish();
  void RemoveCommitMark();
  void RemoveTemps();
  void RemoveRecords();

  // A run found by the record beside the file.
  TFound TakeStopped(const std::string& fileName);
  void EndStopped(const std::string& fileName, bool read);
  bool MayPutBackAny() const;
  void RefuseLeftOvers(bool whole, bool read) const;
  void ClearLeftOvers();
  std::vector<std::string> ToRemove(bool tables) const;
  std::string NotRecovered(const std::string& reason) const;
  [[noreturn]] void ThrowNotRecovered(const std::string& reason) const;

  std::vector<std::unique_ptr<TTable>> tables_;
  std::string record_;                  // the bytes of each record
  std::unique_ptr<fileio::TFd> done_;   // the commit mark, once this run wrote it
  std::vector<std::string> lacking_;    // tables that a found record names and that do not carry it
  std::vector<std::pair<std::string, std::string>> leftOvers_;  // old versions left by earlier writes
};

// Copies a file's bytes into a new version of the destination (through a temporary file and a rename).
void CopyFileBytes(const std::string& source, const std::string& destination);

// RecoverTableSet for a read: true when the user allowed access to the file past the wait for a run
// that goes on, or to a set that this account may not put back (TTableRun::Recover), so that the read
// takes the file without asking again.
bool RecoverTableSetForRead(const std::string& fileName);
// RecoverTableSet for a look at the file that does not wait: a run that goes on is left alone.
void EndStoppedTableSet(const std::string& fileName);
// Takes the lock for a write of the file: a lock left by a writer that is gone is cleared first,
// silently (a run's that lies beside its record by ending that run); a live write is waited for as a file
// in use is (up to 11 seconds by the wait clock) and then refused ('Ошибка записи файла "<file>": файл
// занят другой программой'); a user's lock is refused as CheckLock refuses it. With underOwn, a lock of
// this program (LockTableFiles) is the write's lock: nothing is taken, and it stays as it is.
void TakeWriteLockWaiting(TWriteLock& lock, const std::string& fileName, bool underOwn);

}  // namespace ld
