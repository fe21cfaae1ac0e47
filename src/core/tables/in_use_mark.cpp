#include "core/tables/in_use_mark.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <set>
#include <thread>

#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/tables/file_io.h"

namespace ld {

bool HasInUseMark(const std::string& fileName) { return fileio::FileExists(InUseMarkName(fileName)); }

bool RemoveIfStale(const std::string& marker, std::string* kept) {
  const fileio::TFd fd(OpenToJudge(marker));
  if (!fd.IsOpen()) return errno == ENOENT;
  if (!HolderGone(marker, fd.Get())) return false;
  if (!IsStillNamed(marker, fd.Get())) return true;
  if (kept != nullptr && !(*kept = NotRemovable(marker)).empty()) return false;
  return ::unlink(marker.c_str()) == 0;
}

namespace {

// A mark of a program that is gone guards nothing, even where this account may not remove it: the use
// goes on beside it, and the user hears once of each such mark whose it is.
void TellKept(const std::string& marker, const std::string& kept) {
  static std::set<std::string> told;
  if (!told.insert(fileio::FullFileName(marker)).second) return;
  ShowMsgForm("Ф" + kept.substr(std::string("ф").size()), mkWarning, mbOk);
}

}  // namespace

// Only a mark this program made is its own: one it was allowed past is its holder's.
void TInUseMark::Release() {
  if (fd_ >= 0) {
    UnlinkIfSame(marker_, fd_);
    ::close(fd_);
  }
  marker_.clear();
  fd_ = -1;
}

bool WaitFileAccess(const std::string& fileName, TInUseMark& mark, bool allowed) {
  mark.Release();
  const std::string marker = InUseMarkName(fileName);
  for (TAccessWait wait;;) {
    if (!fileio::FileExists(fileName)) return true;
    // Taking the mark is one atomic creation, so two programs never both think they hold it.
    const int fd = CreateHeldLock(marker, "");
    if (fd >= 0) {
      mark.marker_ = marker;
      mark.fd_ = fd;
      return true;
    }
    // A folder where no marker can be made (read-only share) is read without one.
    if (errno != EEXIST) return true;
    std::string kept;
    if (RemoveIfStale(marker, &kept)) continue;
    if (allowed) {
      mark.marker_ = marker;
      return true;
    }
    if (!kept.empty()) {
      TellKept(marker, kept);
      mark.marker_ = marker;
      return true;
    }
    switch (wait.Next(fileName)) {
      case TAccessWait::kAgain: continue;
      case TAccessWait::kRefused: return false;
      case TAccessWait::kAllowed:
        mark.marker_ = marker;
        return true;
    }
  }
}

TAccessWait::TAccessWait() : start_(WaitClockNow()) {}

bool TAccessWait::Pause() {
  if (SaidMayWorkInThisUse()) return false;
  if (Round(WaitClockNow() - start_) >= kLiveWriteSeconds) return false;
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return true;
}

TAccessWait::TStep TAccessWait::Next(const std::string& fileName, const std::string& question) {
  if (Pause()) return kAgain;
  if (SaidMayWorkInThisUse()) return kRefused;
  const std::string text =
      question.empty()
          ? "Файл " + fileName + " находится длительное время в режиме чтения/записи. Разрешить доступ к файлу ?"
          : question;
  return ShowMsgForm(text, mkWarning, mbYesNo) == 1 ? kAllowed : kRefused;
}

}  // namespace ld
