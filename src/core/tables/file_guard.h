#pragma once
// How workstations that share a folder keep out of each other's table files: the one entry that the
// rest of the program calls. Each use of a table here first ends a run of several tables stopped halfway
// that holds it (table_run.h), then asks the guard, whose parts stand below the run:
//  - share_calls.h: the calls a network share answers otherwise than a local disk;
//  - file_modes.h: the modes of the files made beside a table;
//  - lock_record.h: what a guard file records of its holder, and the names of the files beside a table;
//  - held_file.h: guard files made whole and held, and the one rule for a holder gone (HolderGone);
//  - in_use_mark.h: the mark of a read or write in progress;
//  - write_lock.h: the locks of a write and of a user's editing.
// Every account that may write the folder may open the guard's files for writing, whatever its umask:
// what a killed program of one account left is cleared by any other as its own. Where the folder gives
// another account's files no write (a folder shared by an access ACL, a file of an earlier version),
// they are judged through a shared lock and cleared as far as the folder lets; what the folder lets
// only its owner remove (the sticky bit) is named with its owner at once, and with what clears it (that
// owner's program, at its next write or editing of the table), never waited for as busy; a run refused
// so first clears what this account's own killed programs left. On a folder whose lock
// calls fail (a network share without its lock service) nothing can be held: the user is told so once,
// a holder is told by its process where that process ran on this machine since its last start, and a
// holder that cannot be told (another workstation, a file of an earlier version, another machine of the
// same name) is named, and the user is asked; never a block for good, never a silent guess. Each use of
// a table waits for such a holder once and asks once (TGuardUse): "Нет" refuses it without a second wait.
#include <string>

#include "core/tables/file_modes.h"
#include "core/tables/file_stamp.h"
#include "core/tables/held_file.h"
#include "core/tables/in_use_mark.h"
#include "core/tables/lock_record.h"
#include "core/tables/share_calls.h"
#include "core/tables/write_lock.h"

namespace ld {

// Refuses (throws) a file that is locked or being written (CheckLock), and a file that is not the one
// `read` stamps (its date, size or bytes; a known stamp only): another workstation changed it since it
// was read. A run of
// several tables stopped halfway that holds the file is ended first (one that goes on is not waited
// for), so that what it left is read beside its own locks. The lock of a write whose writer is gone goes
// at once with its unfinished table and in-use mark, without a word.
void CheckFileFree(const std::string& fileName, const TFileStamp& read);

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
