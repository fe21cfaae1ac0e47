#pragma once
// The modes of the files the program makes beside a table: a new version of a table keeps the mode of
// the table it replaces; a lock, mark, record or new table may be read and written by every account that
// may write the folder, whatever the umask, so that what a killed program of one account left is cleared
// by any other as its own.
#include <sys/types.h>

#include <string>

namespace ld {

// The mode for a file made beside path: that of `replaced` where it names a file that exists, otherwise
// the umask's mode widened to the accounts that may write the folder of path (FromUmask).
mode_t FolderFileMode(const std::string& path, const std::string& replaced = {});
// Gives the open file (made beside path with the umask's mode, or one FolderFileMode gave) the folder's
// group where the folder does not give it to new files by itself, then the mode FolderFileMode says.
void GiveFolderMode(int fd, const std::string& path, const std::string& replaced = {});

}  // namespace ld
