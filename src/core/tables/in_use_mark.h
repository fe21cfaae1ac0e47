#pragma once
// The in-use mark guards a file while one read or write runs. It is a marker file beside the table
// file, "<file>.inuse~", rather than a file attribute, so every workstation sees it on any file system,
// network shares included. It records its holder like a lock and is held by it (held_file.h), so a mark
// whose holder is gone is known and taken at once. Its name ends in "~" and carries a second
// extension, so the folder walks that copy and delete a table family never take it for a table.
#include <string>

#include "core/tables/held_file.h"

namespace ld {

// The in-use mark taken by WaitFileAccess; clears it when released or destroyed.
class TInUseMark {
public:
  TInUseMark() = default;
  ~TInUseMark() { Release(); }
  TInUseMark(const TInUseMark&) = delete;
  TInUseMark& operator=(const TInUseMark&) = delete;

  bool Held() const { return !marker_.empty(); }
  void Release();

private:
  friend bool WaitFileAccess(const std::string& fileName, TInUseMark& mark, bool allowed);
  std::string marker_;
  int fd_ = -1;  // the holder's lock on the marker
};

// The wait for a file that another program holds: a short pause while it lasts (up to 11 seconds by
// the wait clock), then the user is asked whether to allow access to the file anyway. It is one use of
// the table while it lives (TGuardUse): once the user said that a program it met may still work, the
// wait is over and refused, without a question.
class TAccessWait {
public:
  enum TStep { kAgain, kAllowed, kRefused };
  TAccessWait();
  // kAgain after the pause: look again. Once the wait is over: the answer, "Да" kAllowed. The question
  // says that the file has long been read or written, or what `question` says.
  TStep Next(const std::string& fileName, const std::string& question = {});
  // True after the pause while the wait lasts; false once it is over (nothing is asked).
  bool Pause();

private:
  TGuardUse use_;
  double start_;
};

bool HasInUseMark(const std::string& fileName);

// Waits (up to 11 seconds by the wait clock) until the file is not in use by another read or write,
// then marks it as in use by the caller. After the wait it asks whether to allow access anyway:
// "Да" returns true and leaves the other program its mark, "Нет" returns false. A missing file needs no
// mark (true).
// A mark whose holder is gone (HolderGone) guards nothing: it is taken at once, without the wait or the
// question; one this account may not remove (NotRemovable) is left, the user is told once whose it is,
// and the use goes on. One whose holder cannot be told from here is waited for and asked about once
// (HolderGone): "Нет" returns false at once, with no second wait or question.
// With allowed, the user has already allowed access to the file in this read (past the wait for a run
// that goes on): a held mark is taken over at once, and nothing is asked twice.
bool WaitFileAccess(const std::string& fileName, TInUseMark& mark, bool allowed = false);

// An in-use mark whose holder is gone: the read or write that took it was killed, or its maker was
// killed before it gave it its bytes. It goes; true when the caller should try to take the mark again
// at once (the stale mark is gone, or it is not the one looked at any more).
// kept: where one this account may not remove stays, why (NotRemovable), and false.
bool RemoveIfStale(const std::string& marker, std::string* kept = nullptr);

}  // namespace ld
