#pragma once
// The table-store guard tests' fixture: a counter table in a private folder, and what a lock or mark
// made by this program records of it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/msgbox.h"
#include "core/base/session.h"
#include "core/tables/table_file.h"
#include "core/tables/table_run.h"
#include "support/child_process.h"
#include "support/full_disk.h"
#include "support/fuzz_mutations.h"
#include "support/held_file.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"
#include "tables_fixture.h"

namespace ld::guard_test {

namespace fs = std::filesystem;
using test::ErrorOf;
using test::ReadCounter;
using test::Short;
using test::WriteCounter;

inline std::string Host() {
  char name[256] = {};
  ::gethostname(name, sizeof name - 1);
  return name;
}

// This start of the system, as records of this machine name it.
inline std::string BootId() {
  std::string id = test::ReadBytes("/proc/sys/kernel/random/boot_id");
  while (!id.empty() && id.back() == '\n') id.pop_back();
  return id;
}

// The pid namespace of this process, as records name it.
inline std::string PidSpace() {
  struct stat st {};
  return ::stat("/proc/self/ns/pid", &st) == 0 ? std::to_string(st.st_ino) : std::string();
}

// What a lock made by this program says of its maker after the user's name: the workstation, then this
// process, whose id leads its tag, then this start of the system and this pid namespace.
inline ::testing::AssertionResult RecordsThisProcess(const std::string& bytes, const std::string& afterUser) {
  const std::string id = std::to_string(::getpid()) + ":";
  const std::string boot = Short(BootId()) + Short(PidSpace());
  const std::size_t tag = afterUser.size() + 1;
  if (bytes.compare(0, afterUser.size(), afterUser) != 0 || bytes.size() < tag + id.size() + boot.size() ||
      static_cast<unsigned char>(bytes[afterUser.size()]) != bytes.size() - tag - boot.size() ||
      bytes.compare(tag, id.size(), id) != 0 || bytes.compare(bytes.size() - boot.size(), boot.size(), boot) != 0 ||
      BootId().empty())
    return ::testing::AssertionFailure() << "the record does not name this workstation, process and start";
  return ::testing::AssertionSuccess();
}

// A process of this machine that no longer runs, as a record names it.
inline std::string DeadProcess() {
  const pid_t pid = test::Forked([] { return 0; });
  test::ExitOf(pid);
  return std::to_string(pid) + ":1";
}

// This process ends (SIGSYS) at its first change of the umask: the umask is the whole process's, and a
// file that another thread made while it stood changed would get that mode.
inline bool ForbidUmask() {
  sock_filter filter[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_umask, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  const sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
  return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

// A holder as the user is told of it.
inline std::string Holder(const std::string& where, const std::string& user) {
  return where + (user.empty() ? "" : " (пользователь \"" + user + "\")");
}

// What the user is asked about a file whose holder cannot be told from here, once nothing of it changed
// for as long as a live write lasts.
inline std::string Untestable(const std::string& path, const std::string& holder) {
  return "Файл \"" + path + "\" оставлен программой " + holder +
         ", работу которой отсюда проверить нельзя. За время ожидания ничего из ее файлов не изменилось, но эта "
         "программа, возможно, еще работает. Удалить его, если эта программа больше не работает?";
}

// What a program killed in the middle of a write leaves: the run goes no further.
struct TKilled {};

// The renamer of a run killed once `renames` of its tables have taken their places.
inline void StopAfter(int renames) {
  SetTableRenamer([left = renames](const std::string& temp, const std::string& file) mutable {
    if (left-- == 0) throw TKilled();
    return std::rename(temp.c_str(), file.c_str()) == 0;
  });
}

class Guard : public ::testing::Test {
protected:
  void SetUp() override { WriteCounter(file_, 1); }
  void TearDown() override {
    CurrentUserName = savedUser_;
    SetFileWaitClock(nullptr);
    SetTableRenamer(nullptr);
    SetTableRunStepHook(nullptr);
  }
  // The counter tables read back with new values 10, 11, … for a write together.
  std::vector<TDataFile> Changed(const std::vector<std::string>& files) const {
    std::vector<TDataFile> tables(files.size());
    for (std::size_t k = 0; k < files.size(); ++k) {
      ReadTableFile(files[k], tables[k]);
      (*GetColumnAs<DALongint>("Cnt", tables[k]))[1] = static_cast<int>(10 + k);
    }
    return tables;
  }
  std::vector<std::string> Bytes(const std::vector<std::string>& files) const {
    std::vector<std::string> bytes;
    for (const std::string& file : files) bytes.push_back(test::ReadBytes(file));
    return bytes;
  }
  std::set<std::string> Folder() const { return test::FileNames(dir_); }
  // What the user is told when the tables of a stopped run were put back.
  static std::string PutBack(const std::vector<std::string>& files) {
    std::string list;
    for (const std::string& file : files) list += (list.empty() ? "\"" : ", \"") + file + "\"";
    return "Запись файлов " + list + " была прервана; файлы возвращены в прежнее состояние";
  }
  std::string Edited(const std::string& file, const std::string& user = "") const {
    return "Файл \"" + file + "\" редактируется" + (user.empty() ? "" : ". " + user);
  }

  test::TempDir dir_;
  test::LayoutScope scope_{dir_, test::kCounterLayout};
  std::string savedUser_ = CurrentUserName;
  std::string base_ = dir_ / "sch";
  std::string file_ = base_ + ".CNT";
};

}  // namespace ld::guard_test
