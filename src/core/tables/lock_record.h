#pragma once
// What a lock, an in-use mark or the private file of one records of its holder, and the names of the
// files the guard and a run of several tables lay beside a table.
//
// A record holds the user's name (a length byte and the name, in Windows-1251), then the workstation's
// name and the process the same way: the process's id and the moment it started ("<id>:<start>"), then
// the id of the system's start on that machine (its boot id), then its pid namespace. Workstations cloned
// from one image share their names, and a process id means something only on the machine, the start of
// the system and the pid namespace where it ran: only a record of this machine's boot id and namespace is
// judged by its process. The earlier version recorded no namespace: its records of this machine's boot id
// and name are judged by their process too, as the program of this machine they are. A write in progress puts the
// table signature before the user's name. A holder that held the file writes the workstation right
// after the name, where readers that know only the workstation look; one that could not hold it writes
// an empty name there and the workstation after it, so that no program that goes only by the hold takes
// the file for a left-over one.
#include <string>

namespace ld {

struct TLockRecord {
  std::string user;     // UTF-8
  std::string host;     // empty in locks of the oldest programs
  std::string process;  // "<id>:<start>"; the id alone in files of earlier versions
  std::string boot;     // empty in files of earlier versions
  std::string pidSpace; // the pid namespace's number; empty in files of earlier versions
  bool held = false;    // its maker held it
  bool unheld = false;  // its maker says it could not hold it
  bool write = false;   // the lock of a write in progress
  bool readable = true; // false: its holder's lock keeps its bytes from every other program
};

// The record of the open file. A file whose read is refused because a holder keeps it (IsHeldRefusal)
// is not readable.
TLockRecord ReadLockRecord(int fd);
// The record of a lock or mark this program makes; `held`: whether it holds the file.
std::string HolderRecord(bool held);
// Whether the process a record names is told by this machine: the record names this workstation, a
// process with its start, this start of the system and this pid namespace (or none: the earlier version's).
bool IsOfThisMachine(const TLockRecord& record);
// Whether the process that a record of this machine names (IsOfThisMachine) still runs: its id belongs
// to a process that started when the record says.
bool ProcessRuns(const std::string& process);
// The holder, as the user is told of it: 'рабочей станции "<host>" (пользователь "<user>")'.
std::string HolderText(const TLockRecord& record);
std::string HostName();

// The names of the files beside a table.
std::string LockName(const std::string& fileName);        // "<file>~"
std::string InUseMarkName(const std::string& fileName);   // "<file>.inuse~"
std::string WriteTempName(const std::string& fileName);   // "<file>.new~", whose private names its writers take
std::string RunRecordName(const std::string& fileName);   // "<file>.set~"
std::string CommitMarkName(const std::string& fileName);  // "<file>.done~"

}  // namespace ld
