#pragma once
// Buffered binary input and output over POSIX file descriptors for the table store. Nothing here
// throws: every operation reports failure, and the table-file code turns it into its own message.
#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/base/dates.h"
#include "core/base/file_replace.h"
#include "core/tables/bytes_hash.h"

namespace ld::fileio {

// Owns one open descriptor.
class TFd {
public:
  TFd() = default;
  explicit TFd(int fd) : fd_(fd) {}
  ~TFd() { Close(); }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int Get() const { return fd_; }
  bool IsOpen() const { return fd_ >= 0; }
  // Hands the descriptor over to the caller, who closes it.
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // False when the system reports an error on closing (a write that did not reach the file).
  bool Close();

private:
  int fd_ = -1;
};

// Sequential reads with a window buffer; the position may be moved freely inside the file. Every byte
// that comes from the file is hashed as it comes, once, so that the stamp of what was read costs no
// second read of the file (HashWhole).
class TFileReader {
public:
  TFileReader(int fd, std::int64_t size);
  std::int64_t Size() const { return size_; }
  std::int64_t Pos() const { return pos_; }
  std::int64_t Remaining() const { return size_ - pos_; }
  void Seek(std::int64_t pos) { pos_ = pos; }
  bool Skip(std::int64_t n);
  // Bytes read at once when the window moves (0: the whole buffer); a scan of headers alone reads few.
  void SetReadAhead(std::size_t bytes) { readAhead_ = bytes; }

  // False when fewer than n bytes remain or the system fails.
  bool Read(void* dst, std::size_t n);
  bool ReadByte(std::uint8_t& b) { return Read(&b, 1); }
  bool ReadInt32(std::int32_t& v);
  // A length byte and that many bytes (still in the file's code page).
  bool ReadShortString(std::string& bytes);
  // The next n (at most the buffer size) bytes in place; nullptr when fewer remain. Does not advance.
  const unsigned char* Peek(std::size_t n);
  std::size_t BufferSize() const { return buf_.size(); }
  // The hash of every byte of the file (TBytesHash): those read so far as they came, and those never
  // read (a column no layout names, what a failed read did not reach) read now. False where they cannot
  // be read whole.
  bool HashWhole(std::uint64_t& hash);

private:
  bool Fill(std::size_t n);
  // Up to n bytes at pos into dst, hashing those not hashed before; how many came (fewer only at an
  // error or the end of the file).
  std::size_t ReadAt(void* dst, std::size_t n, std::int64_t pos);
  void Hash(std::int64_t pos, const unsigned char* bytes, std::size_t n);

  int fd_;
  std::int64_t size_;
  std::int64_t pos_ = 0;
  std::vector<unsigned char> buf_;
  std::int64_t bufStart_ = 0;
  std::size_t bufLen_ = 0;
  std::size_t readAhead_ = 0;
  TBytesHash hash_;
  std::map<std::int64_t, std::int64_t> hashed_;  // the parts of the file hashed: start -> end, none touching
};

// Sequential writes with a buffer; a failure sticks, so callers check Ok() once at the end. The bytes are
// hashed as they go out (Hash).
class TFileWriter {
public:
  explicit TFileWriter(int fd);
  bool Ok() const { return ok_; }
  // The system's error of the failed write; 0 when none failed.
  int ErrorCode() const { return error_; }
  std::int64_t Pos() const { return flushed_ + static_cast<std::int64_t>(used_); }
  void Write(const void* data, std::size_t n);
  void WriteByte(std::uint8_t b) { Write(&b, 1); }
  void WriteInt32(std::int32_t v);
  // A length byte and the bytes, cut to 255.
  void WriteShortString(const std::string& bytes);
  // Room for n (at most 256 KiB) bytes at the end of the buffer, to be filled and then taken with
  // Commit; nullptr after a failure.
  char* Room(std::size_t n) {
    return ok_ && used_ + n <= kCapacity ? reinterpret_cast<char*>(buf_.get() + used_) : RoomAfterFlush(n);
  }
  void Commit(std::size_t n) { used_ += n; }
  // Overwrites the 4 bytes that WriteInt32 wrote at pos: a count known once what it counts is written.
  void PatchInt32(std::int64_t pos, std::int32_t v);
  bool Flush();
  // The hash (TBytesHash) of the file as written and flushed so far, from the bytes as they went out: a
  // write's stamp never reads the file back.
  std::uint64_t Hash() const;

  static constexpr std::size_t kCapacity = 256 * 1024;

private:
  char* RoomAfterFlush(std::size_t n);
  // Records a failed write and hands what was written to the disk early.
  void Wrote(bool ok);

  int fd_;
  bool ok_ = true;
  int error_ = 0;
  std::int64_t flushed_ = 0;
  TWriteBehind writeBehind_;
  std::unique_ptr<unsigned char[]> buf_;
  std::size_t used_ = 0;
  TBytesHash hash_;
  // What WriteInt32 wrote, by position: hashed as the file ends, since PatchInt32 may change it after it
  // went out.
  std::map<std::int64_t, std::int32_t> ints_;
  // Hashes the n bytes at pos bar those of ints_.
  void HashOut(std::int64_t pos, const unsigned char* bytes, std::size_t n);
};

bool WriteAll(int fd, const void* data, std::size_t n);
// The whole file's bytes, as they are; false with errno set where it cannot be opened or read.
bool ReadAllBytes(const std::string& path, std::string& bytes);

// The file's modification moment as local date-time; 0 when it does not exist.
TDateTime FileDateOf(const std::string& path);
TDateTime StatDate(const struct stat& st);
// The file times a share keeps, in whole seconds (0: as the system gives them); StatDate rounds every
// time down to them. Set by SetShareCalls (TShareCalls::timeGrain).
void SetTimeGrain(int seconds);
bool FileExists(const std::string& path);

// The absolute, normalised form of a file name, as messages name files.
std::string FullFileName(const std::string& path);

}  // namespace ld::fileio
