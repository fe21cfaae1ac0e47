#pragma once
// Every file the program writes for the user reaches the disk the same way: the new version goes into
// a temporary file beside the old one, is flushed to the disk, and takes the old one's place with one
// rename. A write that fails anywhere (a full disk, a read-only folder, a killed program) leaves the
// previous file byte for byte as it was, and the message names the file and says why.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/base/error.h"

namespace ld {

// A file that cannot be read or written: what() names the file, Reason() says only why, for callers
// that name the file their own way.
class TFileError : public Error {
public:
  TFileError(const std::string& text, std::string reason) : Error(text), reason_(std::move(reason)) {}
  const std::string& Reason() const { return reason_; }

private:
  std::string reason_;
};

// A mode for the makers below that is the one the umask gives a new file (0666 less the umask) with
// `added` bits: the system makes the file so, and nothing reads or changes the umask.
constexpr mode_t kModeFromUmask = 010000000;
mode_t FromUmask(mode_t added);
// Makes a new file of a private name "<path>.XXXXXX~" (six letters or digits), only where that name is
// free and never through a link, with exactly `mode` (or FromUmask) once it returns. The umask is left
// alone: a program killed while the file is made leaves one with the bits of the mode the umask let
// through, as the account's own files have them. Returns the descriptor open for reading and writing
// and sets `name`; -1 with errno set.
int CreatePrivateFile(const std::string& path, mode_t mode, std::string& name);
// The same for a file of exactly that name: made only if the name is free. -1 with errno set (EEXIST).
int CreateFileWithMode(const std::string& path, mode_t mode);

// What an errno value means to the user ("нет места на диске").
std::string SystemErrorText(int error);

// 'Ошибка записи файла "<file>": <reason>', and "; прежний файл не изменен" when the file exists.
TFileError FileWriteError(const std::string& fileName, const std::string& reason);

// Closes a descriptor without waiting for it: when the last descriptor of a replaced file goes, the
// system frees the file's blocks, which on a disk told of every freed block waits for the disk.
void CloseInBackground(int fd);

// The pages of a file about to be replaced that the system keeps in memory are of no more use once a new
// version is on its way: letting go of them first lets the new bytes take free memory at once instead of
// memory the system would first have to take back from other files. The file itself is untouched.
void ReleaseCachedPages(const std::string& fileName);
// Renames `from` over `to` in one step (no moment without a whole file `to`). The old file is held open
// over the rename and let go on a thread (CloseInBackground). False with errno set when the rename fails.
bool RenameOver(const std::string& from, const std::string& to);

// Sets the disk writing a large file's bytes while the later ones are still being produced: the flush
// before the rename then finds little left to wait for, instead of the whole file.
class TWriteBehind {
public:
  // How many new bytes are handed to the disk at once.
  static constexpr std::int64_t kStep = std::int64_t{8} << 20;

  // The file now holds its first `end` bytes, written in order. False (errno set) when the system
  // reports that bytes already written could not reach the disk.
  bool Written(int fd, std::int64_t end);

private:
  std::int64_t started_ = 0;  // the disk has been told of the bytes before this
  bool unsupported_ = false;  // a file the system cannot write early: left to the final flush
};

// One new version of a file on its way to the disk. The temporary file is removed when the object goes
// without Replace having succeeded.
class TFileReplacement {
public:
  // A temporary file of its own name beside fileName; a link to a file writes the file it names.
  explicit TFileReplacement(const std::string& fileName);
  ~TFileReplacement();
  TFileReplacement(const TFileReplacement&) = delete;
  TFileReplacement& operator=(const TFileReplacement&) = delete;

  const std::string& FileName() const { return fileName_; }
  const std::string& TempName() const { return tempName_; }
  // The open temporary file; -1 after Finish or a failure to create it.
  int Fd() const { return fd_; }

  // False (with the reason kept) when the bytes did not all reach the file.
  bool Write(const void* data, std::size_t n);
  bool Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
  // For writers that open the file by its name themselves (spreadsheet and image libraries): the
  // temporary file has been rewritten under its name.
  bool Rewritten();
  // Flushes the file to the disk and closes it.
  bool Finish();
  // The temporary file takes the file's name.
  bool Replace();
  // Finish and Replace; throws the write error on failure.
  void Commit();

  // The failure kept by the last step, as the user reads it.
  [[noreturn]] void Fail() const;
  [[noreturn]] void Fail(const std::string& reason) const;

private:
  bool Failed(int error);

  std::string shownName_;  // as the caller named it
  std::string fileName_;   // the file really replaced (the target of a link)
  std::string tempName_;
  int fd_ = -1;
  int error_ = 0;
  std::int64_t written_ = 0;
  TWriteBehind writeBehind_;
  bool existed_ = false;
  bool replaced_ = false;
};

// Writes the bytes as the new version of the file; throws TFileError
// 'Ошибка записи файла "<file>": <reason>; прежний файл не изменен'.
void WriteFileReplacing(const std::string& fileName, std::string_view bytes);
// The same for a writer that writes a file by name: produce writes the named temporary file and
// returns false (or throws) when it could not.
void WriteFileReplacing(const std::string& fileName, const std::function<bool(const std::string& temp)>& produce);

// How the bytes of a new file version reach its temporary file: true when all were written (a failing
// one sets errno). Tests install one that fails, as a full disk would; an empty writer is the system's
// write. Returns the one installed before.
using TFileBytesWriter = std::function<bool(int fd, const std::string& bytes)>;
TFileBytesWriter SetFileBytesWriter(TFileBytesWriter writer);
// Writes through the installed writer; the system's write when none is installed.
bool WriteFileBytes(int fd, const void* data, std::size_t n);

}  // namespace ld
