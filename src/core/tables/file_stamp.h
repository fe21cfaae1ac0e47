#pragma once
// What a reader saw of a file: its date, its size and a hash of its bytes. Two writes within one tick of
// a share's clock (a folder that keeps whole seconds, or FAT's two) leave one date; they never leave the
// same bytes, unless they wrote the same table, and then nothing is lost by taking one for the other.
// Whether a file changed since it was read is judged by this stamp alone (FileChanged); the program shows
// its Date. Nothing of it is kept in the table files.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "core/base/dates.h"
#include "core/tables/bytes_hash.h"

namespace ld {

struct TFileStamp {
  TDateTime Date = 0;  // the file's modification time as shown; 0: not read from a file, never compared
  std::int64_t Size = 0;
  std::uint64_t Hash = 0;  // of every byte of the file (TBytesHash)
  // An empty table shown where no file was: the file is as it was seen while nobody has made it.
  bool Absent = false;

  TFileStamp() = default;
  // `stamp = 0`: a table that never came from a file (or is to be written over whatever is there).
  TFileStamp(std::nullptr_t) {}  // NOLINT(google-explicit-constructor)
  bool Known() const { return Date != 0; }
  bool operator==(const TFileStamp&) const = default;
};

// The stamp of an open file as it stands: false when its bytes cannot be read whole.
bool StampOfOpenFile(int fd, TFileStamp& stamp);
// The stamp of the file at the path; an unknown one (Date 0) for a file that is not there or cannot be
// read.
TFileStamp FileStampOf(const std::string& path);
// Whether the file at the path is another than the one `seen` stamps: another date, size or content, no
// file there any more, or a file made where an absent one was seen. A stamp that is not known (a table
// never read from a file) is no change; a file that cannot be read now is judged by its date and size.
bool FileChanged(const std::string& path, const TFileStamp& seen);
// Whether the file at the path is there and is the very one `seen` stamps (a known stamp of a file that
// was there only): what a cache of a file's table or a look at files taken earlier asks.
bool FileIsAsStamped(const std::string& path, const TFileStamp& seen);

}  // namespace ld
