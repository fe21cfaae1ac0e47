#include "core/tables/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
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
  std::size_t got = 0;
  while (got < want) {
    const ssize_t r = ::pread(fd_, buf_.data() + got, want - got, pos_ + static_cast<std::int64_t>(got));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    got += static_cast<std::size_t>(r);
  }
  bufStart_ = pos_;
  bufLen_ = got;
  return got >= n;
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
  auto* out = static_cast<unsigned char*>(dst);
  std::size_t got = 0;
  while (got < n) {
    const ssize_t r = ::pread(fd_, out + got, n - got, pos_ + static_cast<std::int64_t>(got));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    got += static_cast<std::size_t>(r);
  }
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

TFileWriter::TFileWriter(int fd) : fd_(fd), buf_(std::make_unique_for_overwrite<unsigned char[]>(kBufferSize)) {}

void TFileWriter::Write(const void* data, std::size_t n) {
  if (!ok_) return;
  if (used_ + n > kBufferSize && !Flush()) return;
  if (n >= kBufferSize) {
    const bool ok = WriteAll(fd_, data, n);
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

void TFileWriter::WriteInt32(std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  const unsigned char b[4] = {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8),
                              static_cast<unsigned char>(u >> 16), static_cast<unsigned char>(u >> 24)};
  Write(b, 4);
}

void TFileWriter::WriteShortString(const std::string& bytes) {
  const std::size_t length = std::min<std::size_t>(bytes.size(), 255);
  WriteByte(static_cast<std::uint8_t>(length));
  Write(bytes.data(), length);
}

void TFileWriter::PatchInt32(std::int64_t pos, std::int32_t v) {
  if (!ok_) return;
  const auto u = static_cast<std::uint32_t>(v);
  const unsigned char b[4] = {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8),
                              static_cast<unsigned char>(u >> 16), static_cast<unsigned char>(u >> 24)};
  if (pos >= flushed_ && pos + 4 <= Pos()) {
    std::memcpy(buf_.get() + (pos - flushed_), b, 4);
    return;
  }
  ok_ = ::pwrite(fd_, b, 4, pos) == 4;
  if (!ok_) error_ = errno;
}

bool TFileWriter::Flush() {
  if (ok_ && used_ != 0) {
    const bool ok = WriteAll(fd_, buf_.get(), used_);
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
