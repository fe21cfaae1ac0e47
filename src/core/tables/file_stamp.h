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

namespace ld {

struct TFileStamp {
  TDateTime Date = 0;  // the file's modification time as shown; 0: not read from a file, never compared
  std::int64_t Size = 0;
  std::uint64_t Hash = 0;  // of every byte of the file (TBytesHash)

  TFileStamp() = default;
  // `stamp = 0`: a table that never came from a file (or is to be written over whatever is there).
  TFileStamp(std::nullptr_t) {}  // NOLINT(google-explicit-constructor)
  bool Known() const { return Date != 0; }
  bool operator==(const TFileStamp&) const = default;
};

// The hash of a file's bytes, taken piece by piece as they pass between the disk and the program, in
// whatever order a reader or writer handles them: each eight-byte word of the file counts by its bytes
// and its place alone, and the words are summed. So a read hashes the bytes it reads anyway, and a write
// those it writes, and neither reads a file again for its stamp. Two files of one size that differ in
// one word (any one byte, say) never share it.
class TBytesHash {
public:
  // The n bytes at pos of the file; each place of the file is added once.
  void Add(std::int64_t pos, const void* data, std::size_t n);
  // The hash of a file of `size` bytes, every one of them added.
  std::uint64_t Of(std::int64_t size) const;

private:
  // A word of which only some bytes came so far (a piece began or ended inside it).
  struct TPart {
    std::uint64_t word = 0;
    unsigned mask = 0;  // the bytes that came, a bit each
  };
  void AddPart(std::uint64_t index, std::size_t offset, const unsigned char* bytes, std::size_t n);

  std::uint64_t sum_ = 0;
  std::map<std::uint64_t, TPart> parts_;
};

// The hash of a file holding exactly these bytes.
std::uint64_t HashOfBytes(const void* data, std::size_t n);

// The stamp of an open file as it stands: false when its bytes cannot be read whole.
bool StampOfOpenFile(int fd, TFileStamp& stamp);
// The stamp of the file at the path; an unknown one (Date 0) for a file that is not there or cannot be
// read.
TFileStamp FileStampOf(const std::string& path);
// Whether the file at the path is another than the one `seen` stamps: another date, size or content. A
// stamp that is not known, and a file that is not there any more, are no change; a file that cannot be
// read now is judged by its date and size.
bool FileChanged(const std::string& path, const TFileStamp& seen);
// Whether the file at the path is there and is the very one `seen` stamps (a known stamp only): what a
// cache of a file's table or a look at files taken earlier asks.
bool FileIsAsStamped(const std::string& path, const TFileStamp& seen);

}  // namespace ld
