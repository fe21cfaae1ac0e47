#include "core/tables/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iterator>
#include <system_error>
#include <thread>

#include "core/base/file_replace.h"

namespace ld::fileio {

namespace {
constexpr std::size_t kBufferSize = TFileWriter::kCapacity;
}

bool TFd::Close() {
  if (fd_ < 0) return true;
  const int rc = ::close(fd_);
  fd_ = -1;
  return rc == 0;
}

// ---- reading ----

TFileReader::TFileReader(int fd, std::int64_t size) : fd_(fd), size_(size), buf_(kBufferSize) {}

bool TFileReader::Skip(std::int64_t n) {
  if (n < 0 || n > Remaining()) return false;
  pos_ += n;
  return true;
}

// Makes bytes pos_..pos_+n-1 present in the buffer.
bool TFileReader::Fill(std::size_t n) {
  if (pos_ >= bufStart_ && pos_ + static_cast<std::int64_t>(n) <= bufStart_ + static_cast<std::int64_t>(bufLen_)) {
    return true;
  }
  if (n > buf_.size() || static_cast<std::int64_t>(n) > Remaining()) return false;
  const std::size_t window = readAhead_ != 0 ? std::max(readAhead_, n) : buf_.size();
  const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(std::min(window, buf_.size()), Remaining()));
  const std::size_t got = ReadAt(buf_.data(), want, pos_);
  bufStart_ = pos_;
  bufLen_ = got;
  return got >= n;
}

std::size_t TFileReader::ReadAt(void* dst, std::size_t n, std::int64_t pos) {
  auto* out = static_cast<unsigned char*>(dst);
  std::size_t got = 0;
  while (got < n) {
    const ssize_t r = ::pread(fd_, out + got, n - got, pos + static_cast<std::int64_t>(got));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    got += static_cast<std::size_t>(r);
  }
  Hash(pos, out, got);
  return got;
}

// Adds the bytes at pos that no read brought before: windows overlap, and a column may be read again.
void TFileReader::Hash(std::int64_t pos, const unsigned char* bytes, std::size_t n) {
  const std::int64_t end = pos + static_cast<std::int64_t>(n);
  if (n == 0) return;
  auto part = hashed_.upper_bound(pos);
  if (part != hashed_.begin() && std::prev(part)->second >= pos) --part;
  std::int64_t from = pos, first = pos, last = end;
  for (; part != hashed_.end() && part->first <= end; part = hashed_.erase(part)) {
    if (from < part->first) hash_.Add(from, bytes + (from - pos), static_cast<std::size_t>(part->first - from));
    from = std::max(from, part->second);
    first = std::min(first, part->first);
    last = std::max(last, part->second);
  }
  if (from < end) hash_.Add(from, bytes + (from - pos), static_cast<std::size_t>(end - from));
  hashed_[first] = last;
}

bool TFileReader::HashWhole(std::uint64_t& hash) {
  for (std::int64_t at = 0; at < size_;) {
    auto next = hashed_.upper_bound(at);
    if (next != hashed_.begin() && std::prev(next)->second > at) {
      at = std::prev(next)->second;
      continue;
    }
    const std::int64_t gap = (next == hashed_.end() ? size_ : std::min(next->first, size_)) - at;
    bufLen_ = 0;  // the window's bytes give way to the gap's
    const std::size_t got = ReadAt(buf_.data(), static_cast<std::size_t>(std::min<std::int64_t>(gap, buf_.size())), at);
    if (got == 0) return false;
    at += static_cast<std::int64_t>(got);
  }
  hash = hash_.Of(size_);
  return true;
}

const unsigned char* TFileReader::Peek(std::size_t n) {
  if (!Fill(n)) return nullptr;
  return buf_.data() + (pos_ - bufStart_);
}

bool TFileReader::Read(void* dst, std::size_t n) {
  if (static_cast<std::int64_t>(n) > Remaining()) return false;
  if (n <= buf_.size()) {
    const unsigned char* p = Peek(n);
    if (!p) return false;
    std::memcpy(dst, p, n);
    pos_ += static_cast<std::int64_t>(n);
    return true;
  }
  // Large blocks go straight into the caller's memory.
  if (ReadAt(dst, n, pos_) < n) return false;
  pos_ += static_cast<std::int64_t>(n);
  return true;
}

bool TFileReader::ReadInt32(std::int32_t& v) {
  unsigned char b[4];
  if (!Read(b, 4)) return false;
  v = static_cast<std::int32_t>(static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
                                static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24);
  return true;
}

bool TFileReader::ReadShortString(std::string& bytes) {
  std::uint8_t length = 0;
  if (!ReadByte(length)) return false;
  bytes.resize(length);
  return Read(bytes.data(), length);
}

// ---- writing ----

// Through the program's one file writer, so that a test's full disk reaches table files too.
bool WriteAll(int fd, const void* data, std::size_t n) { return WriteFileBytes(fd, data, n); }

bool ReadAllBytes(const std::string& path, std::string& bytes) {
  const TFd in(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in.IsOpen()) return false;
  bytes.clear();
  std::vector<char> buffer(1 << 16);
  for (ssize_t got; (got = ::read(in.Get(), buffer.data(), buffer.size())) != 0;) {
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    bytes.append(buffer.data(), static_cast<std::size_t>(got));
  }
  return true;
}

TFileWriter::TFileWriter(int fd) : fd_(fd), buf_(std::make_unique_for_overwrite<unsigned char[]>(kBufferSize)) {}

void TFileWriter::Write(const void* data, std::size_t n) {
  if (!ok_) return;
  if (used_ + n > kBufferSize && !Flush()) return;
  if (n >= kBufferSize) {
    const bool ok = WriteAll(fd_, data, n);
    HashOut(flushed_, static_cast<const unsigned char*>(data), n);
    flushed_ += static_cast<std::int64_t>(n);
    Wrote(ok);
    return;
  }
  std::memcpy(buf_.get() + used_, data, n);
  used_ += n;
}

char* TFileWriter::RoomAfterFlush(std::size_t n) {
  if (!ok_ || n > kBufferSize || !Flush()) return nullptr;
  return reinterpret_cast<char*>(buf_.get() + used_);
}

namespace {

void Int32Bytes(std::int32_t v, unsigned char* b) {
  const auto u = static_cast<std::uint32_t>(v);
  for (int k = 0; k < 4; ++k) b[k] = static_cast<unsigned char>(u >> (8 * k));
}

}  // namespace

void TFileWriter::WriteInt32(std::int32_t v) {
  unsigned char b[4];
  Int32Bytes(v, b);
  // never cut by a flush: the buffer is flushed first where it has no room for all four bytes
  Write(b, 4);
  if (ok_) ints_[Pos() - 4] = v;
}

void TFileWriter::WriteShortString(const std::string& bytes) {
  const std::size_t length = std::min<std::size_t>(bytes.size(), 255);
  WriteByte(static_cast<std::uint8_t>(length));
  Write(bytes.data(), length);
}

void TFileWriter::PatchInt32(std::int64_t pos, std::int32_t v) {
  if (!ok_) return;
  const auto written = ints_.find(pos);
  if (written == ints_.end()) {  // no count of this writer's: the file would differ from its hash
    ok_ = false;
    error_ = EINVAL;
    return;
  }
  written->second = v;
  unsigned char b[4];
  Int32Bytes(v, b);
  if (pos >= flushed_ && pos + 4 <= Pos()) {
    std::memcpy(buf_.get() + (pos - flushed_), b, 4);
    return;
  }
  ok_ = ::pwrite(fd_, b, 4, pos) == 4;
  if (!ok_) error_ = errno;
}

void TFileWriter::HashOut(std::int64_t pos, const unsigned char* bytes, std::size_t n) {
  const std::int64_t end = pos + static_cast<std::int64_t>(n);
  std::int64_t from = pos;
  for (auto it = ints_.lower_bound(pos); it != ints_.end() && it->first < end; ++it) {
    hash_.Add(from, bytes + (from - pos), static_cast<std::size_t>(it->first - from));
    from = it->first + 4;
  }
  hash_.Add(from, bytes + (from - pos), static_cast<std::size_t>(end - from));
}

std::uint64_t TFileWriter::Hash() const {
  TBytesHash whole = hash_;
  for (const auto& [pos, v] : ints_) {
    if (pos + 4 > flushed_) continue;  // still in the buffer
    unsigned char b[4];
    Int32Bytes(v, b);
    whole.Add(pos, b, 4);
  }
  return whole.Of(flushed_);
}

bool TFileWriter::Flush() {
  if (ok_ && used_ != 0) {
    const bool ok = WriteAll(fd_, buf_.get(), used_);
    HashOut(flushed_, buf_.get(), used_);
    flushed_ += static_cast<std::int64_t>(used_);
    used_ = 0;
    Wrote(ok);
  }
  return ok_;
}

void TFileWriter::Wrote(bool ok) {
  ok_ = ok && writeBehind_.Written(fd_, flushed_);
  if (!ok_) error_ = errno;
}

// ---- names and dates ----

namespace {
int timeGrain = 0;
}  // namespace

void SetTimeGrain(int seconds) { timeGrain = seconds; }

TDateTime StatDate(const struct stat& st) {
  // The local offset of the moment itself (not of today), so one file time always gives one value.
  std::time_t seconds = st.st_mtim.tv_sec;
  long nanoseconds = st.st_mtim.tv_nsec;
  if (const int grain = timeGrain; grain > 0) {
    seconds -= ((seconds % grain) + grain) % grain;
    nanoseconds = 0;
  }
  struct tm local {};
  localtime_r(&seconds, &local);
  const double secs = static_cast<double>(seconds + local.tm_gmtoff) + static_cast<double>(nanoseconds) * 1e-9;
  return 25569.0 + secs / 86400.0;
}

TDateTime FileDateOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return 0;
  return StatDate(st);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

std::string FullFileName(const std::string& path) {
  std::error_code ec;
  const auto full = std::filesystem::absolute(path, ec);
  return ec ? path : full.lexically_normal().string();
}

}  // namespace ld::fileio
