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

namespace ld {
namespace {

namespace fs = std::filesystem;
using test::ErrorOf;
using test::ReadCounter;
using test::Short;
using test::WriteCounter;

std::string Host() {
  char name[256] = {};
  ::gethostname(name, sizeof name - 1);
  return name;
}

// This start of the system, as records of this machine name it.
std::string BootId() {
  std::string id = test::ReadBytes("/proc/sys/kernel/random/boot_id");
  while (!id.empty() && id.back() == '\n') id.pop_back();
  return id;
}

// The pid namespace of this process, as records name it.
std::string PidSpace() {
  struct stat st {};
  return ::stat("/proc/self/ns/pid", &st) == 0 ? std::to_string(st.st_ino) : std::string();
}

// What a lock made by this program says of its maker after the user's name: the workstation, then this
// process, whose id leads its tag, then this start of the system and this pid namespace.
::testing::AssertionResult RecordsThisProcess(const std::string& bytes, const std::string& afterUser) {
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
std::string DeadProcess() {
  const pid_t pid = test::Forked([] { return 0; });
  test::ExitOf(pid);
  return std::to_string(pid) + ":1";
}

// This process ends (SIGSYS) at its first change of the umask: the umask is the whole process's, and a
// file that another thread made while it stood changed would get that mode.
bool ForbidUmask() {
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
std::string Holder(const std::string& where, const std::string& user) {
  return where + (user.empty() ? "" : " (пользователь \"" + user + "\")");
}

// What the user is asked about a file whose holder cannot be told from here, once nothing of it changed
// for as long as a live write lasts.
std::string Untestable(const std::string& path, const std::string& holder) {
  return "Файл \"" + path + "\" оставлен программой " + holder +
         ", работу которой отсюда проверить нельзя. За время ожидания ничего из ее файлов не изменилось, но эта "
         "программа, возможно, еще работает. Удалить его, если эта программа больше не работает?";
}

// What a program killed in the middle of a write leaves: the run goes no further.
struct TKilled {};

// The renamer of a run killed once `renames` of its tables have taken their places.
void StopAfter(int renames) {
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

TEST_F(Guard, LockRefusesEveryWriterUntilItsOwnerUnlocks) {
  CurrentUserName = "Иванов И.И., диспетчер";
  TDataFile t;
  ReadTableFile(file_, t);
  LockTableFiles(base_, ".CNT");
  EXPECT_TRUE(RecordsThisProcess(test::ReadBytes(file_ + "~"), Short("Иванов И.И., диспетчер") + Short(Host())));
  // The owner too; and a refused write leaves the lock as it was.
  EXPECT_EQ(ErrorOf([&] { WriteTableFile(file_, t); }), Edited(file_, "Иванов И.И., диспетчер"));
  EXPECT_EQ(ErrorOf([&] { LockTableFiles(base_, ".CNT"); }), Edited(file_, "Иванов И.И., диспетчер"));
  EXPECT_TRUE(fs::exists(file_ + "~"));
  UnlockTableFiles(base_, ".CNT");
  (*GetColumnAs<DALongint>("Cnt", t))[1] = 2;
  WriteTableFile(file_, t);
  EXPECT_FALSE(fs::exists(file_ + "~"));
  EXPECT_EQ(ReadCounter(file_), 2);

  CurrentUserName.clear();  // without a user name the lock names nobody, only its workstation
  LockTableFiles(base_, ".CNT");
  EXPECT_TRUE(RecordsThisProcess(test::ReadBytes(file_ + "~"), Short("") + Short(Host())));
  EXPECT_EQ(ErrorOf([&] { CheckFileFree(file_, 0); }), Edited(file_));
  UnlockTableFiles(base_, ".CNT");
}

TEST_F(Guard, AWriteOverAChangedFileIsRefusedEveryTime) {
  TDataFile mine;
  ReadTableFile(file_, mine);
  WriteCounter(file_, 5);  // another workstation saved meanwhile, within the same clock tick
  const std::string changed = "Файл \"" + file_ + "\" был изменен. Необходимо открыть файл заново";
  EXPECT_EQ(ErrorOf([&] { WriteTableFile(file_, mine); }), changed);
  EXPECT_EQ(ErrorOf([&] { WriteTableFile(file_, mine); }), changed);  // a second try is no way round
  EXPECT_EQ(ReadCounter(file_), 5);
  EXPECT_FALSE(fs::exists(file_ + "~"));
  mine.FileDate = 0;  // a record that never came from the file is not compared
  WriteTableFile(file_, mine);
  EXPECT_EQ(ReadCounter(file_), 1);
}

// A file removed since it was read has not been changed by anyone: the write makes it again.
TEST_F(Guard, AFileRemovedSinceTheReadIsWrittenAgain) {
  TDataFile mine;
  ReadTableFile(file_, mine);
  fs::remove(file_);
  EXPECT_NO_THROW(CheckFileFree(file_, mine.FileDate));
  (*GetColumnAs<DALongint>("Cnt", mine))[1] = 3;
  WriteTableFile(file_, mine);
  EXPECT_EQ(ReadCounter(file_), 3);
}

// A file left marked in use is waited for eleven seconds before the user is asked; "Нет" fails the read
// or the write, "Да" takes the file, and either way the mark stays its owner's.
TEST_F(Guard, InUseMarkWaitsElevenSecondsThenAsks) {
  double now = 0;
  SetFileWaitClock([&] { return now += 0.25; });
  std::vector<double> askedAt;
  std::vector<int> answers;
  const std::string question =
      "Файл " + file_ + " находится длительное время в режиме чтения/записи. Разрешить доступ к файлу ?";
  const auto previous = SetMsgBoxProvider([&](const std::string& text, int kind, int buttons) {
    EXPECT_EQ(text, question);
    EXPECT_EQ(kind * 10 + buttons, mkWarning * 10 + mbYesNo);
    askedAt.push_back(now);
    return answers.at(askedAt.size() - 1);
  });
  ReadCounter(file_);  // a free file is not waited for, and a finished read leaves no mark
  EXPECT_TRUE(askedAt.empty());
  EXPECT_FALSE(HasInUseMark(file_));

  // A mark without bytes that nobody holds was being made by a program killed before it gave it its
  // bytes: it guards nothing and is taken at once.
  test::WriteBytes(file_ + ".inuse~", "");
  EXPECT_EQ(ReadCounter(file_), 1);
  EXPECT_TRUE(askedAt.empty());
  EXPECT_FALSE(HasInUseMark(file_));

  test::HeldFile reading(file_ + ".inuse~", "");  // a program that goes on reading the file for long
  ASSERT_TRUE(reading.Held());
  answers = {0, 0, 1};
  TDataFile t;
  EXPECT_EQ(ErrorOf([&] { ReadTableFile(file_, t); }),
            "Ошибка чтения файла \"" + file_ + "\": файл занят другой программой");
  ASSERT_EQ(askedAt.size(), 1u);
  EXPECT_GE(askedAt[0], 10.5);
  EXPECT_LT(askedAt[0], 12);
  EXPECT_TRUE(HasInUseMark(file_));

  WriteCounter(dir_ / "other.CNT", 3);
  ReadTableFile(dir_ / "other.CNT", t);
  t.FileDate = 0;
  EXPECT_EQ(ErrorOf([&] { WriteTableFile(file_, t); }),
            "Ошибка записи файла \"" + file_ + "\": файл занят другой программой; прежний файл не изменен");
  EXPECT_FALSE(fs::exists(file_ + "~"));
  EXPECT_EQ(ReadCounter(file_), 1);
  EXPECT_EQ(askedAt.size(), 3u);
  EXPECT_TRUE(HasInUseMark(file_)) << "the mark of the program read past is its own";
  reading.Release();  // once its program is gone, the mark goes at the next read without a question
  EXPECT_EQ(ReadCounter(file_), 1);
  EXPECT_EQ(askedAt.size(), 3u);
  EXPECT_FALSE(HasInUseMark(file_));
  SetMsgBoxProvider(previous);
}

// Tables written together take their places all or none: a table that cannot take its place after
// others did puts those back, byte for byte, and a table that did not exist before goes again.
TEST_F(Guard, TablesWrittenTogetherTakeTheirPlacesAllOrNone) {
  WriteCounter(base_ + ".VET", 2);
  WriteCounter(base_ + ".UZL", 3);
  const std::vector<std::string> files = {file_, base_ + ".VET", base_ + ".UZL"};
  std::vector<TDataFile> tables = Changed(files);
  const auto together = [&] {
    WriteTablesTogether({{files[0], &tables[0]}, {files[1], &tables[1]}, {files[2], &tables[2]}});
  };
  const std::string refused =
      "Ошибка записи файла \"" + files[2] + "\": ошибка ввода-вывода; прежний файл не изменен";
  std::vector<std::string> placed;
  SetTableRenamer([&](const std::string& temp, const std::string& file) {
    placed.push_back(file);
    if (file == files[2]) {
      errno = EIO;
      return false;
    }
    return std::rename(temp.c_str(), file.c_str()) == 0;
  });

  const std::vector<std::string> old = Bytes(files);
  const std::set<std::string> folder = Folder();
  EXPECT_EQ(ErrorOf(together), refused);
  EXPECT_EQ(placed, files) << "the first two were in place when the third failed";
  EXPECT_EQ(Bytes(files), old);
  EXPECT_EQ(Folder(), folder) << "no temporary file, no second name, no mark left";

  fs::remove(files[1]);
  placed.clear();
  EXPECT_EQ(ErrorOf(together), refused);
  EXPECT_EQ(placed, files);
  EXPECT_FALSE(fs::exists(files[1]));
  EXPECT_EQ(test::ReadBytes(files[0]) + test::ReadBytes(files[2]), old[0] + old[2]);

  SetTableRenamer(nullptr);
  together();
  for (std::size_t k = 0; k < files.size(); ++k) EXPECT_EQ(ReadCounter(files[k]), static_cast<int>(10 + k));
  EXPECT_EQ(Folder(), folder) << "no second name is kept once all are in place";
}

// A table in use by another read or write is waited for before any table takes its place: let go
// meanwhile, the write goes through unasked; held past the wait and refused, every table stays as it
// was and the other program's mark is left to it.
TEST_F(Guard, TablesWrittenTogetherWaitForATableInUse) {
  WriteCounter(base_ + ".VET", 2);
  const std::vector<std::string> files = {file_, base_ + ".VET"};
  std::vector<TDataFile> tables = Changed(files);
  const auto together = [&] { WriteTablesTogether({{files[0], &tables[0]}, {files[1], &tables[1]}}); };
  const std::set<std::string> folder = Folder();
  std::vector<std::string> old = Bytes(files);
  test::ScriptedMsgBox box;
  const std::string held = InUseMarkName(files[1]);
  double now = 0;
  int checks = 0;
  bool letGo = false;
  SetFileWaitClock([&] {
    if (!letGo && fs::exists(held) && ++checks == 20) {
      EXPECT_EQ(Bytes(files), old) << "a table replaced while the other one is in use";
      fs::remove(held);
      letGo = true;
    }
    return now += 0.25;
  });

  auto reading = std::make_unique<test::HeldFile>(held, "");  // another program reads the second table
  together();
  EXPECT_TRUE(letGo) << "written without waiting for the table in use";
  EXPECT_TRUE(box.Calls().empty());
  EXPECT_EQ(ReadCounter(files[0]) * 100 + ReadCounter(files[1]), 1011);
  EXPECT_EQ(Folder(), folder);

  old = Bytes(files);
  tables = Changed(files);
  (*GetColumnAs<DALongint>("Cnt", tables[1]))[1] = 99;
  reading = std::make_unique<test::HeldFile>(held, "");  // now it is never let go, and the user answers "Нет"
  letGo = true;
  box.Answer(0);
  EXPECT_EQ(ErrorOf(together),
            "Ошибка записи файла \"" + files[1] + "\": файл занят другой программой; прежний файл не изменен");
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Файл " + files[1] +
                                                  " находится длительное время в режиме чтения/записи. "
                                                  "Разрешить доступ к файлу ?"});
  EXPECT_EQ(Bytes(files), old);
  std::set<std::string> withMark = folder;
  withMark.insert(fs::path(held).filename().string());
  EXPECT_EQ(Folder(), withMark) << "only the other program's mark beside the tables";
}

// A run killed between the renames of its tables leaves new tables beside old ones; the next read or
// write of any of them puts the whole old set back first (a table the run made goes again) and says so.
// What cannot be put back yet stays on the disk for the next try.
TEST_F(Guard, ARunStoppedBetweenItsRenamesIsPutBackWholeAtTheNextUse) {
  WriteCounter(base_ + ".VET", 2);
  WriteCounter(base_ + ".UZL", 3);
  const std::vector<std::string> files = {file_, base_ + ".VET", base_ + ".UZL"};
  std::vector<TDataFile> tables = Changed(files);
  const auto stopped = [&](int renames) {
    StopAfter(renames);
    EXPECT_THROW(WriteTablesTogether({{files[0], &tables[0]}, {files[1], &tables[1]}, {files[2], &tables[2]}}),
                 TKilled);
    SetTableRenamer(nullptr);
  };
  test::ScriptedMsgBox box;
  const std::vector<std::string> putBack = {PutBack(files)};
  std::vector<std::string> old = Bytes(files);
  std::set<std::string> folder = Folder();

  stopped(1);
  ASSERT_NE(test::ReadBytes(files[0]), old[0]) << "the first table was in place when the run stopped";
  EXPECT_EQ(ReadCounter(files[2]), 3);  // a table the run never reached brings the set back too
  EXPECT_EQ(Bytes(files), old);
  EXPECT_EQ(Folder(), folder) << "no record, second name or temporary file left";
  ReadCounter(files[0]);  // once put back, nothing more to do or say
  ASSERT_EQ(box.Texts(), putBack);
  EXPECT_EQ(box.Calls()[0].kind * 10 + box.Calls()[0].buttons, mkWarning * 10 + mbOk);

  // The run made the first table; a write of the two others starts from the old set, without it.
  fs::remove(files[0]);
  folder = Folder();
  stopped(1);
  box.Clear();
  WriteTablesTogether({{files[1], &tables[1]}, {files[2], &tables[2]}});
  EXPECT_EQ(box.Texts(), putBack);
  EXPECT_EQ(ReadCounter(files[1]) * 100 + ReadCounter(files[2]), 1112);
  EXPECT_EQ(Folder(), folder);

  // A single write of a replaced table finds the version it was read from back in place, not a change.
  WriteCounter(files[0], 1);
  TDataFile mine;
  ReadTableFile(files[0], mine);
  old = Bytes(files);
  folder = Folder();
  stopped(2);
  const std::vector<std::string> mixed = Bytes(files);
  auto reading = std::make_unique<test::HeldFile>(InUseMarkName(files[1]), "");  // held past the wait and refused:
                                                                                 // nothing is touched
  double now = 0;
  SetFileWaitClock([&] { return now += 0.25; });
  box.Clear();
  box.Answer(0);
  (*GetColumnAs<DALongint>("Cnt", mine))[1] = 77;
  EXPECT_EQ(ErrorOf([&] { WriteTableFile(files[0], mine); }),
            "Запись файлов \"" + files[0] + "\", \"" + files[1] + "\", \"" + files[2] +
                "\" была прервана, и прежнее состояние файлов не восстановлено: файл \"" + files[1] +
                "\" занят другой программой");
  EXPECT_EQ(Bytes(files), mixed);
  reading.reset();
  fs::remove(InUseMarkName(files[1]));
  box.Clear();
  WriteTableFile(files[0], mine);
  EXPECT_EQ(box.Texts(), putBack);
  EXPECT_EQ(ReadCounter(files[0]), 77);
  EXPECT_EQ(test::ReadBytes(files[1]) + test::ReadBytes(files[2]), old[1] + old[2]);
  EXPECT_EQ(Folder(), folder);

  stopped(1);
  DeleteTableFiles(base_);
  EXPECT_EQ(Folder(), std::set<std::string>{"maket.zr"}) << "no record or second name outlives its tables";
}

// An old version that a failed write could not put back keeps its second name whatever later runs do:
// each keeps its own old versions under a free name, and one that ends whole names the left one.
TEST_F(Guard, AnOldVersionLeftUnderASecondNameIsKeptAndNamed) {
  WriteCounter(base_ + ".VET", 2);
  const std::vector<std::string> files = {file_, base_ + ".VET"};
  const std::string leftOver = test::ReadBytes(file_);
  WriteCounter(file_, 5);
  test::WriteBytes(file_ + ".old~", leftOver);  // as a write whose message named it left it
  std::vector<TDataFile> tables = Changed(files);
  const auto together = [&] { WriteTablesTogether({{files[0], &tables[0]}, {files[1], &tables[1]}}); };
  const std::set<std::string> folder = Folder();
  test::ScriptedMsgBox box;

  together();
  EXPECT_EQ(ReadCounter(files[0]) * 100 + ReadCounter(files[1]), 1011);
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Прежняя версия файла \"" + file_ + "\" осталась в \"" + file_ +
                                                  ".old~\" и не удалена"});
  EXPECT_EQ(test::ReadBytes(file_ + ".old~"), leftOver);
  EXPECT_EQ(Folder(), folder) << "the run's own second name is gone, the one left before stays";

  // A stopped run is put back from the second name it really took.
  const std::vector<std::string> old = Bytes(files);
  StopAfter(1);
  EXPECT_THROW(together(), TKilled);
  SetTableRenamer(nullptr);
  box.Clear();
  ReadCounter(files[1]);
  EXPECT_EQ(box.Texts(), std::vector<std::string>{PutBack(files)});
  EXPECT_EQ(Bytes(files), old);
  EXPECT_EQ(test::ReadBytes(file_ + ".old~"), leftOver);
  EXPECT_EQ(Folder(), folder);

  // A second name that another name leads to holds no old version: one planted to another file, or one of
  // the table itself. Runs pass them over without a word and never write through them.
  test::WriteBytes(dir_ / "private.txt", "личный файл");
  fs::create_hard_link(dir_ / "private.txt", files[1] + ".old~");
  fs::create_hard_link(files[1], files[1] + ".old2~");
  const std::string vet = test::ReadBytes(files[1]);
  for (int run = 0; run < 2; ++run) {
    box.Clear();
    tables = Changed(files);
    together();
    EXPECT_EQ(box.Texts(), std::vector<std::string>{"Прежняя версия файла \"" + file_ + "\" осталась в \"" + file_ +
                                                    ".old~\" и не удалена"});
    EXPECT_EQ(test::ReadBytes(dir_ / "private.txt"), "личный файл");
    if (run == 0) {
      EXPECT_EQ(test::ReadBytes(files[1] + ".old2~"), vet);
    }
    fs::remove(files[1] + ".old2~");
  }
  fs::remove(files[1] + ".old~");
  fs::remove(dir_ / "private.txt");
  EXPECT_EQ(Folder(), folder);
}

// A damaged record of a stopped run is refused, naming it, or followed within its own folder: no name
// in it reaches a file elsewhere, and a refused one leaves every file as it was.
TEST_F(Guard, DamagedRecordsOfAStoppedRunAreRefusedOrStayInTheirFolder) {
  WriteCounter(base_ + ".VET", 2);
  std::vector<TDataFile> tables = Changed({file_, base_ + ".VET"});
  StopAfter(1);
  EXPECT_THROW(WriteTablesTogether({{file_, &tables[0]}, {base_ + ".VET", &tables[1]}}), TKilled);
  std::map<std::string, std::string> stopped;
  for (const std::string& name : Folder()) stopped[name] = test::ReadBytes(dir_ / name);
  const std::string record = stopped.at("sch.VET.set~");
  EXPECT_EQ(record, "+.old~\tsch.CNT\n+.old~\tsch.VET\n");
  fs::create_directories(dir_ / "out");
  test::WriteBytes(dir_ / "out/sch.CNT.old~", "чужой файл");
  const auto readWith = [&](const std::string& bytes) {
    for (const auto& [name, content] : stopped) test::WriteBytes(dir_ / name, name == "sch.VET.set~" ? bytes : content);
    TDataFile t;
    return ErrorOf([&] { ReadTableFile(base_ + ".VET", t); });
  };
  const std::string damaged =
      "Ошибка чтения файла \"" + base_ + ".VET.set~\": перечень таблиц прерванной записи поврежден";
  test::ScriptedMsgBox box;
  for (const std::string bad : {"+.old~\t../out/sch.CNT\n+.old~\tsch.VET\n", "+.old~\tsch.CNT\n", "+.new~\tsch.VET\n",
                                "+.old~\tsch.VET"}) {
    EXPECT_EQ(readWith(bad), damaged);
    EXPECT_EQ(test::ReadBytes(file_), stopped.at("sch.CNT")) << "a refused record changes nothing";
  }
  // One without bytes that nobody holds was being made by a program killed before it gave it its bytes,
  // before any table was touched: it goes as every half-made file of the guard goes.
  EXPECT_EQ(readWith(""), "<no error>");
  EXPECT_FALSE(fs::exists(base_ + ".VET.set~"));
  EXPECT_EQ(test::ReadBytes(file_), stopped.at("sch.CNT"));
  std::mt19937 random(20250713);
  for (int round = 0; round < 400; ++round) {
    const std::string error = readWith(test::Mutate(record, random));
    ASSERT_TRUE(error == "<no error>" || error.find("\"" + dir_.Path().string() + "/") != std::string::npos) << error;
    ASSERT_EQ(test::ReadBytes(dir_ / "out/sch.CNT.old~"), "чужой файл");
  }

  // A second name that is no file (a folder or a link now) never takes the table's place: the read fails
  // naming it, the record stays.
  stopped.erase("sch.CNT.old~");
  fs::remove(dir_ / "sch.CNT.old~");
  const std::string notBack = "Запись файлов \"" + file_ + "\", \"" + base_ +
                              ".VET\" была прервана, и прежнее состояние файлов не восстановлено: прежняя версия "
                              "файла \"" + file_ + "\" не найдена: \"" + file_ + ".old~\" - ";
  for (const bool folder : {true, false}) {
    if (folder) {
      fs::create_directories(dir_ / "sch.CNT.old~/x");
    } else {
      fs::remove_all(dir_ / "sch.CNT.old~");
      fs::create_symlink(base_ + ".VET", dir_ / "sch.CNT.old~");
    }
    const std::string table = test::ReadBytes(file_);
    EXPECT_EQ(readWith(record), notBack + (folder ? "папка, а не файл" : "не файл"));
    EXPECT_EQ(test::ReadBytes(base_ + ".VET.set~"), record);
    EXPECT_EQ(test::ReadBytes(file_), table);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(file_)));
  }
}

// On a folder that answers as a network share does (no unnamed files, no second names, locks that need a
// descriptor open for writing), a run killed after its first table took its place is put back whole at
// the next read, without a wait or a question, and the marks the dead program held go. A lock call that
// fails proves nothing about a holder: the user hears once that the folder's locks do not work, and a
// lock or mark whose holder nothing else tells of (another workstation's, one that names no process)
// counts as a living program's, while a stopped run that no living program's lock keeps is ended.
TEST_F(Guard, OnAShareAHoldIsTestedThroughADescriptorOpenForWritingAndAFolderWithoutLocksIsNamed) {
  WriteCounter(base_ + ".VET", 2);
  const std::vector<std::string> files = {file_, base_ + ".VET"};
  const std::vector<std::string> old = Bytes(files);
  const std::set<std::string> folder = Folder();
  test::ScriptedMsgBox box;
  double now = 0;
  SetFileWaitClock([&now] { return now += 100; });  // any wait is over at once, and asks
  {
    const test::ShareScope share;
    const pid_t pid = test::Forked([&] {
      SetTableRunStepHook([](TRunStep step) {
        if (step == TRunStep::Renamed) raise(SIGSTOP);
      });
      std::vector<TDataFile> tables = Changed(files);
      WriteTablesTogether({{files[0], &tables[0]}, {files[1], &tables[1]}});
      return 0;
    });
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, WUNTRACED), pid);
    ASSERT_NE(test::ReadBytes(files[0]), old[0]) << "the first table was in place when the run was killed";
    kill(pid, SIGKILL);
    EXPECT_EQ(test::ExitOf(pid), 1000 + SIGKILL);
    EXPECT_EQ(ReadCounter(files[1]), 2);
    EXPECT_EQ(box.Texts(), std::vector<std::string>{PutBack(files)});
    EXPECT_EQ(Bytes(files), old);
    EXPECT_EQ(Folder(), folder) << "no record, mark, lock, copy or temporary table left";
  }

  const auto failing = [](int error) {
    return [error](int fd, short type) { return type == F_WRLCK ? (errno = error, -1) : test::ShareLock(fd, type); };
  };
  // A write lock of another workstation (which names a process that no process of this machine is) and
  // an in-use mark of an older program of this one, both of programs that held them and are gone: only a
  // lock call that answers tells so. Where it fails, the user is asked about each, naming its holder;
  // "Нет" keeps it as a living program's, and the use is refused without another wait or question.
  const std::string deadLock =
      "\x06ZREGIM" + Short(CurrentUserName) + Short("станция-2") + Short(DeadProcess()) + Short(BootId());
  test::WriteBytes(file_ + "~", deadLock);
  test::WriteBytes(InUseMarkName(base_ + ".VET"), Short(CurrentUserName) + Short(Host()));
  const std::string question = "Файл " + base_ + ".VET находится длительное время в режиме чтения/записи. "
                               "Разрешить доступ к файлу ?";
  const std::string noLocks = "В папке \"" + dir_.Path().string() + "\" не работают блокировки файлов: ";
  const std::string otherStations =
      ". Блокировки и отметки, оставленные программами других рабочих станций, удаляются только с вашего "
      "согласия";
  const std::string askLock = Untestable(file_ + "~", Holder("рабочей станции \"станция-2\"", CurrentUserName));
  const std::string askMark =
      Untestable(InUseMarkName(base_ + ".VET"), Holder("рабочей станции \"" + Host() + "\"", CurrentUserName));
  box.Clear();
  {
    const test::ShareScope share(true, failing(ENOLCK));
    TDataFile t;
    ReadTableFile(file_, t);
    box.Answer(0);
    EXPECT_EQ(ErrorOf([&] { WriteTableFile(file_, t); }),
              "Ошибка записи файла \"" + file_ + "\": файл занят другой программой; прежний файл не изменен");
    box.Answer(0);
    EXPECT_EQ(ErrorOf([&] { ReadTableFile(base_ + ".VET", t); }),
              "Ошибка чтения файла \"" + base_ + ".VET\": файл занят другой программой");
  }
  {
    const test::ShareScope share(true, failing(EBADF));
    TDataFile t;
    box.Answer(0);
    EXPECT_EQ(ErrorOf([&] { ReadTableFile(base_ + ".VET", t); }),
              "Ошибка чтения файла \"" + base_ + ".VET\": файл занят другой программой");
  }
  EXPECT_EQ(box.Texts(), (std::vector<std::string>{noLocks + "блокировки файлов недоступны" + otherStations, askLock,
                                                   askMark, askMark}))
      << "the folder is named once";
  EXPECT_EQ(box.Calls()[0].kind * 10 + box.Calls()[0].buttons, mkWarning * 10 + mbOk);
  EXPECT_EQ(box.Calls()[1].kind * 10 + box.Calls()[1].buttons, mkWarning * 10 + mbYesNo);
  EXPECT_EQ(test::ReadBytes(file_ + "~"), deadLock);
  EXPECT_TRUE(HasInUseMark(base_ + ".VET"));
  box.Clear();
  EXPECT_EQ(ReadCounter(base_ + ".VET"), 2);  // once the locks answer, both go without a word
  WriteCounter(file_, 1);
  EXPECT_TRUE(box.Calls().empty());
  EXPECT_EQ(Folder(), folder);
  // A lock of a machine of the same name started otherwise (a workstation cloned from one image), or of
  // an earlier version that records no start of its process, names a process this machine cannot tell.
  for (const std::string& process : {Short(DeadProcess()) + Short("другой-запуск"), Short(DeadProcess().substr(0,
                                     DeadProcess().find(':')))}) {
    const std::string clone = "\x06ZREGIM" + Short(CurrentUserName) + Short(Host()) + process;
    test::WriteBytes(base_ + ".VET~", clone);
    const test::ShareScope share(true, failing(ENOLCK));
    box.Clear();
    box.Answer(0);
    TDataFile t;
    ReadTableFile(base_ + ".VET", t);
    t.FileDate = 0;
    EXPECT_EQ(ErrorOf([&] { WriteTableFile(base_ + ".VET", t); }),
              "Ошибка записи файла \"" + base_ + ".VET\": файл занят другой программой; прежний файл не изменен");
    EXPECT_EQ(box.Texts(), std::vector<std::string>{Untestable(base_ + ".VET~", Holder("рабочей станции \"" + Host() +
                                                                                       "\"", CurrentUserName))});
    EXPECT_EQ(test::ReadBytes(base_ + ".VET~"), clone);
  }
  fs::remove(base_ + ".VET~");

  // A write of another workstation that goes on (its temporary table grows) is waited for, and refused
  // as busy past the wait without a question; once nothing of it changes for as long as a live write
  // lasts, it is asked about: "Нет" keeps it, "Да" removes its lock and its temporary table.
  {
    const test::ShareScope share(true, failing(ENOLCK));
    test::WriteBytes(file_ + "~", deadLock);
    const std::string temp = file_ + ".new~.Ab12Cd~";
    test::WriteBytes(temp, "\x06ZREGIM");
    int grows = 1000;
    double clock = 0;
    SetFileWaitClock([&] {
      if (grows > 0 && grows-- > 0) std::ofstream(temp, std::ios::binary | std::ios::app) << 'x';
      return clock += 1;
    });
    const std::string busy =
        "Ошибка записи файла \"" + file_ + "\": файл занят другой программой; прежний файл не изменен";
    TDataFile t;
    ReadTableFile(file_, t);
    box.Clear();
    EXPECT_EQ(ErrorOf([&] { WriteTableFile(file_, t); }), busy);
    EXPECT_TRUE(box.Calls().empty()) << box.Texts().front();
    grows = 0;
    box.Answer(0);
    EXPECT_EQ(ErrorOf([&] { WriteTableFile(file_, t); }), busy);
    EXPECT_EQ(box.Texts(), std::vector<std::string>{askLock});
    EXPECT_EQ(test::ReadBytes(file_ + "~"), deadLock);
    SetFileWaitClock([&now] { return now += 100; });
    box.Clear();
    box.Answer(1);
    WriteCounter(file_, 1);
    EXPECT_EQ(box.Texts(), std::vector<std::string>{askLock});
    EXPECT_EQ(Folder(), folder);
  }

  // On a share whose locks keep a held file's bytes from every other program, a write's lock that cannot
  // be read is a live write's: waited for, and the write goes on once its writer is gone.
  {
    const test::ShareScope share(true, test::ShareLock, test::MandatoryRead);
    auto writing = std::make_unique<test::HeldFile>(file_ + "~", "\x06ZREGIM" + Short(CurrentUserName) + Short(Host()));
    double clock = 0;
    int looks = 0;
    SetFileWaitClock([&] {
      if (writing && ++looks == 3) writing.reset();
      return clock += 0.25;
    });
    box.Clear();
    WriteCounter(file_, 6);
    EXPECT_FALSE(writing) << "written without waiting for the live write";
    EXPECT_TRUE(box.Calls().empty()) << box.Texts().front();
    EXPECT_EQ(ReadCounter(file_), 6);
    EXPECT_EQ(Folder(), folder);
    SetFileWaitClock([&now] { return now += 100; });
    WriteCounter(file_, 1);
  }

  std::vector<TDataFile> tables = Changed(files);
  const std::vector<std::string> before = Bytes(files);
  StopAfter(1);
  EXPECT_THROW(WriteTablesTogether({{files[0], &tables[0]}, {files[1], &tables[1]}}), TKilled);
  SetTableRenamer(nullptr);
  ASSERT_NE(test::ReadBytes(files[0]), before[0]) << "the run stopped with its first table in place";
  box.Clear();
  {
    // No lock of a living program lies beside the stopped run's tables: its program is gone.
    const test::ShareScope share(true, failing(EINVAL));
    EXPECT_EQ(ReadCounter(base_ + ".VET"), 2);
  }
  EXPECT_EQ(box.Texts(), std::vector<std::string>{PutBack(files)});
  EXPECT_EQ(ReadCounter(files[0]), 1);
  EXPECT_EQ(Folder(), folder);

  // A look at a lock this program holds, through another descriptor closed again, leaves the hold as it
  // was: any other open file of it still finds it held.
  LockTableFiles(base_, ".CNT");
  EXPECT_EQ(ErrorOf([&] { CheckFileFree(file_, 0); }), Edited(file_, CurrentUserName));
  TDataFile t;
  ReadTableFile(file_, t);
  const int other = ::open((file_ + "~").c_str(), O_RDWR | O_CLOEXEC);
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  EXPECT_EQ(::fcntl(other, F_OFD_SETLK, &probe), -1);
  EXPECT_EQ(errno, EAGAIN);
  ::close(other);
  UnlockTableFiles(base_, ".CNT");
}

// Where the disk makes no file without a name and gives no second names, a lock, an in-use mark and a
// record get their bytes under a private name before they take theirs: what a maker killed on the way
// leaves (a name without bytes, a private file, a copy of an old version) is known as its own and goes
// at the next use, without a question or a wait.
TEST_F(Guard, OnAShareEveryFileGetsItsBytesBeforeItsNameAndWhatAKilledMakerLeftGoes) {
  WriteCounter(base_ + ".VET", 2);
  const std::vector<std::string> files = {file_, base_ + ".VET"};
  const std::set<std::string> folder = Folder();
  const test::ShareScope share;
  test::ScriptedMsgBox box;
  double now = 0;
  SetFileWaitClock([&now] { return now += 100; });

  test::WriteBytes(file_ + "~", "");  // a write lock, an in-use mark and their private files, made halfway
  test::WriteBytes(file_ + "~.Ab12Cd~", "\x06ZREGIM");
  test::WriteBytes(InUseMarkName(file_), "");
  test::WriteBytes(InUseMarkName(file_) + ".x9Y8z7~", Short(CurrentUserName));
  EXPECT_EQ(ReadCounter(file_), 1);
  WriteCounter(file_, 3);
  EXPECT_TRUE(box.Calls().empty());
  EXPECT_EQ(Folder(), folder);
  // A name without bytes that a living maker holds is waited for as a file in use.
  {
    const test::HeldFile making(InUseMarkName(file_), "");
    TDataFile t;
    box.Answer(0);
    EXPECT_EQ(ErrorOf([&] { ReadTableFile(file_, t); }),
            "Ошибка чтения файла \"" + file_ + "\": файл занят другой программой");
    EXPECT_EQ(box.Calls().size(), 1u);
  }
  fs::remove(InUseMarkName(file_));

  // A run keeps its old versions as copies; one killed while it copied leaves a copy beside the second name.
  std::vector<TDataFile> tables = Changed(files);
  const std::vector<std::string> old = Bytes(files);
  StopAfter(1);
  EXPECT_THROW(WriteTablesTogether({{files[0], &tables[0]}, {files[1], &tables[1]}}), TKilled);
  SetTableRenamer(nullptr);
  EXPECT_EQ(test::ReadBytes(file_ + ".old~"), old[0]);
  test::WriteBytes(base_ + ".VET.old~.Qw12Er~", old[1].substr(0, 9));
  box.Clear();
  EXPECT_EQ(ReadCounter(file_), 3);
  EXPECT_EQ(box.Texts(), std::vector<std::string>{PutBack(files)});
  EXPECT_EQ(Bytes(files), old);
  EXPECT_EQ(Folder(), folder);
  tables = Changed(files);
  WriteTablesTogether({{files[0], &tables[0]}, {files[1], &tables[1]}});
  EXPECT_EQ(ReadCounter(files[0]) * 100 + ReadCounter(files[1]), 1011);
  EXPECT_EQ(Folder(), folder);

  // A run killed after its first record, between claiming the second one's name and giving it its
  // bytes; the next use locks the table of the claimed record first, as every window does.
  const std::vector<std::string> before = Bytes(files);
  const pid_t pid = test::Forked([&] {
    test::ScriptedMsgBox quiet;
    SetTableRunStepHook([](TRunStep step) {
      if (step == TRunStep::RecordLaid) raise(SIGSTOP);
    });
    test::WriteCountersTogether(files, 20);
    return 0;
  });
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(test::KillWhenStopped(pid));
  test::WriteBytes(files[1] + ".set~", "");
  box.Clear();
  EXPECT_EQ(ErrorOf([&] { LockTableFiles(base_, ".VET"); }), "<no error>");
  UnlockTableFiles(base_, ".VET");
  EXPECT_EQ(ReadCounter(files[1]) * 100 + ReadCounter(files[0]), 1110);
  EXPECT_TRUE(box.Calls().empty()) << box.Texts().front();
  EXPECT_EQ(Bytes(files), before);
  EXPECT_EQ(Folder(), folder);
}

// On a folder whose lock calls all fail nothing can be held: the user hears so once, naming the folder,
// and a process of this workstation is told by its id. A living program's write lock and in-use mark keep
// their file, also from a program whose locks work (which finds them not held); what a killed program
// left in a run, a write or a read goes at the next use without a question, a warning or a wait. A lock
// or mark of a program that records no workstation tells nothing of its holder, whatever the locks say:
// it keeps its file.
TEST_F(Guard, OnAFolderWhoseLocksFailAProcessOfThisWorkstationIsToldByItsId) {
  WriteCounter(base_ + ".VET", 2);
  const std::vector<std::string> files = {file_, base_ + ".VET"};
  const std::set<std::string> folder = Folder();
  test::ScriptedMsgBox box;
  double now = 0;
  SetFileWaitClock([&now] { return now += 100; });
  const auto noLocks = [](int, short) {
    errno = ENOLCK;
    return -1;
  };
  const std::string busy =
      "Ошибка записи файла \"" + file_ + "\": файл занят другой программой; прежний файл не изменен";
  const std::string refused = "Ошибка чтения файла \"" + files[1] + "\": файл занят другой программой";
  const std::string question =
      "Файл " + files[1] + " находится длительное время в режиме чтения/записи. Разрешить доступ к файлу ?";
  // Refused a write of the first table and, answered "Нет", a read of the second.
  const auto keptOut = [&] {
    TDataFile t;
    ReadTableFile(file_, t);
    box.Answer(0);
    const std::string written = ErrorOf([&] { WriteTableFile(file_, t); });
    return written + "\n" + ErrorOf([&] { ReadTableFile(files[1], t); });
  };
  const test::Pipe ready;
  const auto living = [&](const std::function<bool()>& take) {
    const pid_t pid = test::Forked([&] {
      test::ScriptedMsgBox quiet;
      if (!take() || !ready.Signal()) return 1;
      for (;;) pause();
    });
    return pid > 0 && ready.Wait() ? pid : -1;
  };

  pid_t pid = living([&] {
    const test::ShareScope share(true, noLocks);
    static TWriteLock lock;
    static TInUseMark mark;
    return lock.Take(file_) && WaitFileAccess(files[1], mark) && mark.Held();
  });
  ASSERT_GT(pid, 0);
  for (const bool locksWork : {true, false}) {
    SCOPED_TRACE(locksWork);
    const test::ShareScope share(!locksWork, noLocks);
    box.Clear();
    EXPECT_EQ(keptOut(), busy + "\n" + refused);
    std::vector<std::string> told = {question};
    if (!locksWork)
      told.insert(told.begin(), "В папке \"" + dir_.Path().string() +
                                    "\" не работают блокировки файлов: блокировки файлов недоступны. Блокировки и "
                                    "отметки, оставленные программами других рабочих станций, удаляются только с "
                                    "вашего согласия");
    EXPECT_EQ(box.Texts(), told);
  }
  kill(pid, SIGKILL);
  EXPECT_EQ(test::ExitOf(pid), 1000 + SIGKILL);
  {
    const test::ShareScope share(true, noLocks);
    box.Clear();
    WriteCounter(file_, 3);
    EXPECT_EQ(ReadCounter(files[1]), 2);
    EXPECT_TRUE(box.Calls().empty()) << box.Texts().front();
    EXPECT_EQ(Folder(), folder);

    // Killed in a run between its renames, in a write, in a read.
    const auto killed = [](const std::function<void()>& work) {
      const pid_t child = test::Forked([&] {
        test::ScriptedMsgBox quiet;
        work();
        return 0;
      });
      return child > 0 && test::KillWhenStopped(child);
    };
    ASSERT_TRUE(killed([&] {
      SetTableRunStepHook([](TRunStep step) {
        if (step == TRunStep::Renamed) raise(SIGSTOP);
      });
      test::WriteCountersTogether(files, 10);
    }));
    EXPECT_EQ(ReadCounter(files[1]) * 100 + ReadCounter(files[0]), 203);
    EXPECT_EQ(box.Texts(), std::vector<std::string>{PutBack(files)});
    EXPECT_EQ(Folder(), folder);
    ASSERT_TRUE(killed([&] {
      TDataFile t;
      ReadTableFile(file_, t);
      WriteTableFile(file_, t, [](float) { raise(SIGSTOP); });
    }));
    ASSERT_TRUE(killed([&] {
      TDataFile t;
      ReadTableFile(files[1], t, [](float) { raise(SIGSTOP); });
    }));
    ASSERT_TRUE(HasInUseMark(files[1]) && fs::exists(file_ + "~"));
    box.Clear();
    WriteCounter(file_, 4);
    EXPECT_EQ(ReadCounter(files[1]) * 100 + ReadCounter(files[0]), 204);
    EXPECT_TRUE(box.Calls().empty()) << box.Texts().front();
    EXPECT_EQ(Folder(), folder);

    // A run of another workstation killed between its renames: whoever meets it is asked, naming the
    // workstation, whether a write of several tables was interrupted. "Нет" refuses the use at once (the
    // wait for the run was spent before the question); "Да" puts the set back, and the run's other files of
    // that program go without another question.
    ASSERT_TRUE(killed([&] {
      // The other workstation's name, where this process may give itself one; else written below.
      const std::string name = Utf8ToCp1251("станция-1");
      if (::unshare(CLONE_NEWUTS) == 0) ::sethostname(name.data(), name.size());
      SetTableRunStepHook([](TRunStep step) {
        if (step == TRunStep::Renamed) raise(SIGSTOP);
      });
      test::WriteCountersTogether(files, 10);
    }));
    for (const std::string& file : files) {
      std::string lock = test::ReadBytes(file + "~");
      const std::size_t at = lock.find(Short(Host()));
      if (at != std::string::npos) test::WriteBytes(file + "~", lock.replace(at, Short(Host()).size(), Short("станция-1")));
      ASSERT_NE(lock.find(Short("станция-1")), std::string::npos);
    }
    const std::string interrupted =
        "Запись нескольких таблиц, начатая программой " + Holder("рабочей станции \"станция-1\"", CurrentUserName) +
        ", могла быть прервана (перечень \"" + files[0] + ".set~\"); работу этой программы отсюда проверить "
        "нельзя. За время ожидания ничего из ее файлов не изменилось, но эта программа, возможно, еще работает. "
        "Завершить прерванную запись, если эта программа больше не работает?";
    box.Clear();
    box.Answer(0);
    TDataFile t;
    EXPECT_EQ(ErrorOf([&] { ReadTableFile(files[1], t); }), "Файл \"" + files[1] + "\" занят другой программой");
    EXPECT_EQ(box.Texts(), std::vector<std::string>{interrupted});
    box.Clear();
    box.Answer(1);
    EXPECT_EQ(ReadCounter(files[1]) * 100 + ReadCounter(files[0]), 204);
    EXPECT_EQ(box.Texts(), (std::vector<std::string>{interrupted, PutBack(files)}));
    EXPECT_EQ(Folder(), folder);
  }

  // A record of this machine whose process id now belongs to another process (this one, started at
  // another moment) names a program that is gone, where it names this pid namespace, or none (the earlier
  // version's, of this machine's name and start): what it left goes without a question. One of another pid
  // namespace (a sandboxed program beside this one, a container of the same host name) tells nothing of its
  // process: it is asked about, "Нет" keeps it, and "Да" to the lock removes the mark of the same program
  // with it.
  {
    const test::ShareScope share(true, noLocks);
    const std::string reused = Short(std::to_string(::getpid()) + ":1") + Short(BootId());
    const std::string here = Holder("рабочей станции \"" + Host() + "\"", CurrentUserName);
    const std::vector<std::string> unknown = {Untestable(file_ + "~", here), Untestable(InUseMarkName(files[1]), here)};
    for (const std::string& space : {Short(PidSpace()), Short("4026531999"), std::string()}) {
      SCOPED_TRACE(space);
      const bool ours = space == Short(PidSpace()) || space.empty();
      test::WriteBytes(file_ + "~", "\x06ZREGIM" + Short(CurrentUserName) + Short(Host()) + reused + space);
      test::WriteBytes(InUseMarkName(files[1]), Short(CurrentUserName) + Short(Host()) + reused + space);
      if (!ours) {
        box.Clear();
        box.Answer(0);
        EXPECT_EQ(keptOut(), busy + "\n" + refused);
        EXPECT_EQ(box.Texts(), unknown);
        EXPECT_TRUE(fs::exists(file_ + "~") && HasInUseMark(files[1]));
      }
      box.Clear();
      if (!ours) box.Answer(1);
      WriteCounter(file_, 4);
      EXPECT_EQ(ReadCounter(files[1]), 2);
      EXPECT_EQ(box.Texts(), ours ? std::vector<std::string>{} : std::vector<std::string>{unknown[0]});
      EXPECT_EQ(Folder(), folder);
    }
  }

  // An older program's write and read, which hold nothing and name no workstation, live or not: whoever
  // meets them is asked, naming their user; "Нет" keeps them, "Да" removes them.
  const std::string older = Holder("прежней версии", "Петров");
  const std::vector<std::string> asked = {Untestable(file_ + "~", older), Untestable(InUseMarkName(files[1]), older)};
  pid = living([&] {
    test::WriteBytes(file_ + "~", "\x06ZREGIM" + Short("Петров"));
    test::WriteBytes(InUseMarkName(files[1]), Short("Петров"));
    return true;
  });
  ASSERT_GT(pid, 0);
  box.Clear();
  box.Answer(0);
  EXPECT_EQ(keptOut(), busy + "\n" + refused);
  EXPECT_EQ(box.Texts(), asked);
  kill(pid, SIGKILL);
  EXPECT_EQ(test::ExitOf(pid), 1000 + SIGKILL);
  box.Clear();
  box.Answer(0);
  EXPECT_EQ(keptOut(), busy + "\n" + refused);
  EXPECT_EQ(box.Texts(), asked);
  box.Clear();
  box.Answer(1).Answer(1);
  WriteCounter(file_, 5);
  EXPECT_EQ(ReadCounter(files[1]) * 100 + ReadCounter(file_), 205);
  EXPECT_EQ(box.Texts(), (std::vector<std::string>{asked[0], asked[1]}));
  EXPECT_EQ(Folder(), folder);

  // A living program of this machine in a pid namespace of its own (a sandboxed copy beside this one),
  // where this process may start one: the id it records is another process's here, so its write lock and
  // in-use mark are asked about, never judged by that id. "Нет" keeps them; "Да" to the lock, once it is
  // killed, removes the mark of that program with it.
  int inner[2];
  ASSERT_EQ(::pipe(inner), 0);
  const test::Pipe taken;
  pid = test::Forked([&] {
    test::ScriptedMsgBox quiet;
    pid_t program = -1;
    if (::unshare(CLONE_NEWPID) == 0) {
      program = test::Forked([&] {
        const test::ShareScope share(true, noLocks);
        static TWriteLock lock;
        static TInUseMark mark;
        if (!lock.Take(file_) || !WaitFileAccess(files[1], mark) || !taken.Signal()) return 1;
        for (;;) pause();
      });
      if (program > 0 && !taken.Wait()) program = -1;
    }
    if (::write(inner[1], &program, sizeof program) != sizeof program || program <= 0) return 1;
    for (;;) pause();
  });
  ASSERT_GT(pid, 0);
  pid_t program = -1;
  if (::read(inner[0], &program, sizeof program) == sizeof program && program > 0) {
    const test::ShareScope share(true, noLocks);
    const std::string here = Holder("рабочей станции \"" + Host() + "\"", CurrentUserName);
    box.Clear();
    box.Answer(0);
    EXPECT_EQ(keptOut(), busy + "\n" + refused);
    EXPECT_EQ(box.Texts(), (std::vector<std::string>{Untestable(file_ + "~", here),
                                                     Untestable(InUseMarkName(files[1]), here)}));
    kill(program, SIGKILL);
    kill(pid, SIGKILL);
    EXPECT_EQ(test::ExitOf(pid), 1000 + SIGKILL);
    box.Clear();
    box.Answer(1);
    WriteCounter(file_, 6);
    EXPECT_EQ(ReadCounter(files[1]) * 100 + ReadCounter(file_), 206);
    EXPECT_EQ(box.Texts(), std::vector<std::string>{Untestable(file_ + "~", here)});
    EXPECT_EQ(Folder(), folder);
  } else {
    test::ExitOf(pid);  // no pid namespace of its own to be had here
  }
  ::close(inner[0]);
  ::close(inner[1]);
}

// On a folder whose lock calls all fail, a program of another workstation killed at any step of a run, of
// the end of a stopped run, of a write, of a read or of an editing lock: each use of this program waits
// for it once and asks about it once, whatever it left. "Нет" refuses the use at once, with no second wait
// or question; "Да" clears all it left, and the set is whole.
TEST_F(Guard, OnAFolderWhoseLocksFailEachUseWaitsOnceAndAsksOnceAboutADeadProgram) {
  WriteCounter(base_ + ".VET", 2);
  const std::vector<std::string> files = {file_, base_ + ".VET"};
  const std::set<std::string> folder = Folder();
  test::ScriptedMsgBox box;
  const auto noLocks = [](int, short) {
    errno = ENOLCK;
    return -1;
  };
  const test::ShareScope share(true, noLocks);
  // Each look at the clock half a second on: a use's whole waits are the seconds it saw pass, in waits
  // as long as a live write.
  double now = 0;
  SetFileWaitClock([&now] { return now += 0.5; });
  const auto stopAt = [](TRunStep at) {
    SetTableRunStepHook([at](TRunStep step) {
      if (step == at) raise(SIGSTOP);
    });
  };
  const auto stopRun = [&](TRunStep at) {
    return [&, at] {
      stopAt(at);
      test::WriteCountersTogether(files, 10);
    };
  };
  // A run of this workstation stopped between its renames, which the other one ends and is killed there.
  const auto stopEnd = [&](TRunStep at) {
    return [&, at] {
      stopAt(at);
      TDataFile t;
      ReadTableFile(files[1], t);
    };
  };
  const auto stopMaking = [&](TGuardStep at) {
    return [&, at] {
      SetGuardStepHook([at](TGuardStep step) {
        if (step == at) raise(SIGSTOP);
      });
      WriteCounter(file_, 8);
    };
  };
  struct TKill {
    std::string name;
    std::function<void()> work;
    bool afterStoppedRun = false;
  };
  const std::vector<TKill> kills = {
      {"run locked", stopRun(TRunStep::Locked)},
      {"run lock taken", stopRun(TRunStep::LockTaken)},
      {"run temporary written", stopRun(TRunStep::TempWritten)},
      {"run record laid", stopRun(TRunStep::RecordLaid)},
      {"run records laid", stopRun(TRunStep::RecordsLaid)},
      {"run renamed", stopRun(TRunStep::Renamed)},
      {"run committing", stopRun(TRunStep::Committing)},
      {"run committed", stopRun(TRunStep::Committed)},
      {"run record removed", stopRun(TRunStep::RecordRemoved)},
      {"end records taken", stopEnd(TRunStep::RecordsTaken), true},
      {"end restored", stopEnd(TRunStep::Restored), true},
      {"write", [&] {
         TDataFile t;
         ReadTableFile(file_, t);
         WriteTableFile(file_, t, [](float) { raise(SIGSTOP); });
       }},
      {"read", [&] {
         TDataFile t;
         ReadTableFile(files[1], t, [](float) { raise(SIGSTOP); });
       }},
      {"editing lock", [&] {
         LockTableFiles(base_, ".CNT");
         raise(SIGSTOP);
       }},
      {"lock private file made", stopMaking(TGuardStep::PrivateMade)},
      {"lock name claimed", stopMaking(TGuardStep::Claimed)},
  };
  const std::string name = Utf8ToCp1251("станция-1");
  for (const TKill& kill : kills) {
    SCOPED_TRACE(kill.name);
    if (kill.afterStoppedRun) {
      StopAfter(1);
      EXPECT_THROW(test::WriteCountersTogether(files, 20), TKilled);
      SetTableRenamer(nullptr);
    }
    const pid_t pid = test::Forked([&] {
      test::ScriptedMsgBox quiet;
      double clock = 0;
      SetFileWaitClock([&clock] { return clock += 100; });
      if (::unshare(CLONE_NEWUTS) != 0 || ::sethostname(name.data(), name.size()) != 0) return 3;
      kill.work();
      return 0;
    });
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, WUNTRACED), pid);
    if (!WIFSTOPPED(status)) GTEST_SKIP() << "no workstation of another name to be had here";
    ::kill(pid, SIGKILL);
    ASSERT_EQ(test::ExitOf(pid), 1000 + SIGKILL);
    // Every use answered "Нет" to every question, then the same answered "Да".
    const std::vector<std::pair<std::string, std::function<void()>>> uses = {
        {"read", [&] { ReadCounter(files[1]); }},
        {"write", [&] { WriteCounter(file_, 5); }},
        {"run", [&] { test::WriteCountersTogether(files, 30); }},
        {"lock", [&] {
           LockTableFiles(base_, ".CNT");
           UnlockTableFiles(base_, ".CNT");
         }},
    };
    for (const int answer : {0, 1}) {
      for (const auto& [use, work] : uses) {
        test::ScriptedMsgBox answers;
        for (int k = 0; k < 8; ++k) answers.Answer(answer);
        const double start = now;
        const std::string error = ErrorOf(work);
        std::size_t asked = 0;
        std::string told;
        for (const test::MsgCall& call : answers.Calls()) {
          asked += call.buttons == mbYesNo ? 1 : 0;
          told += "\n" + call.text;
        }
        const int waits = static_cast<int>((now - start) / kLiveWriteSeconds);
        EXPECT_LE(asked, 1u) << use << " " << answer << ": " << error << told;
        EXPECT_LE(waits, 1) << use << " " << answer << ": " << error << told;
        if (answer == 1) {
          EXPECT_EQ(error, "<no error>") << use;
        }
      }
    }
    box.Clear();
    WriteCounter(file_, 1);
    WriteCounter(files[1], 2);
    EXPECT_TRUE(box.Calls().empty()) << box.Texts().front();
    EXPECT_EQ(Folder(), folder);
  }
}

// Nothing found under the name of a temporary table is written through: the new table is made whole
// under a private name first. A file made beside a table (a new table, a lock, a mark, a run's records)
// may be written by every account that may write the folder, whatever the umask; a replaced table keeps
// its mode.
TEST_F(Guard, FilesBesideATableAreMadeWholeAndOpenToEveryWriterOfTheFolder) {
  const mode_t savedMask = ::umask(022);
  WriteCounter(base_ + ".VET", 2);
  WriteCounter(dir_ / "other.CNT", 9);
  const std::string other = test::ReadBytes(dir_ / "other.CNT");
  const std::vector<std::string> files = {file_, base_ + ".VET"};
  const auto mode = [](const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
  };
  for (const bool share : {false, true}) {
    SCOPED_TRACE(share);
    const test::ShareScope scope(share);
    fs::permissions(dir_.Path(), static_cast<fs::perms>(0755));
    fs::create_symlink(dir_ / "other.CNT", file_ + ".new~");
    WriteCounter(file_, 5);
    fs::create_symlink(dir_ / "other.CNT", files[1] + ".new~");
    std::vector<TDataFile> tables = Changed(files);
    WriteTablesTogether({{files[0], &tables[0]}, {files[1], &tables[1]}});
    EXPECT_EQ(test::ReadBytes(dir_ / "other.CNT"), other);
    EXPECT_EQ(ReadCounter(files[0]) * 100 + ReadCounter(files[1]), 1011);
    EXPECT_EQ(Folder(), (std::set<std::string>{"maket.zr", "other.CNT", "sch.CNT", "sch.VET"}));

    // A link planted at a second name between the run's look for a free one and its keeping the old
    // version there: the user's file it leads to keeps its bytes and mode, and the run writes nothing.
    test::WriteBytes(dir_ / "private.txt", "личный файл");
    fs::permissions(dir_ / "private.txt", static_cast<fs::perms>(0600));
    const std::string table = test::ReadBytes(file_);
    SetTableRunStepHook([&](TRunStep step) {
      if (step == TRunStep::RecordLaid && !fs::is_symlink(fs::symlink_status(file_ + ".old~")))
        fs::create_symlink(dir_ / "private.txt", file_ + ".old~");
    });
    tables = Changed(files);
    EXPECT_EQ(ErrorOf([&] { WriteTablesTogether({{files[0], &tables[0]}, {files[1], &tables[1]}}); }),
              "Ошибка записи файла \"" + file_ + "\": имя занято другим файлом: \"" + file_ +
                  ".old~\"; прежний файл не изменен");
    SetTableRunStepHook(nullptr);
    EXPECT_EQ(test::ReadBytes(dir_ / "private.txt"), "личный файл");
    EXPECT_EQ(mode(dir_ / "private.txt"), 0600);
    EXPECT_EQ(test::ReadBytes(file_), table);
    EXPECT_EQ(Folder(), (std::set<std::string>{"maket.zr", "other.CNT", "private.txt", "sch.CNT", "sch.CNT.old~",
                                               "sch.VET"}));
    {
      // Later runs pass the link over: it holds no old version, and nobody is told of one.
      test::ScriptedMsgBox box;
      tables = Changed(files);
      WriteTablesTogether({{files[0], &tables[0]}, {files[1], &tables[1]}});
      EXPECT_TRUE(box.Calls().empty()) << box.Texts().front();
      EXPECT_EQ(ReadCounter(files[0]) * 100 + ReadCounter(files[1]), 1011);
      EXPECT_TRUE(fs::is_symlink(fs::symlink_status(file_ + ".old~")));
      EXPECT_EQ(test::ReadBytes(dir_ / "private.txt"), "личный файл");
    }
    fs::remove(file_ + ".old~");
    fs::remove(dir_ / "private.txt");

    fs::permissions(file_, static_cast<fs::perms>(0640));
    WriteCounter(file_, 6);
    fs::remove(dir_ / "new.CNT");
    WriteCounter(dir_ / "new.CNT", 1);
    LockTableFiles(base_, ".VET");
    EXPECT_EQ(mode(file_), 0640);
    EXPECT_EQ((std::vector<int>{mode(dir_ / "new.CNT"), mode(files[1] + "~")}), (std::vector<int>{0644, 0644}))
        << "a folder only its owner writes gets the umask's modes";
    UnlockTableFiles(base_, ".VET");

    for (const int folderMode : {0777, 0775}) {
      const int shared = folderMode == 0777 ? 0666 : 0664;
      fs::permissions(dir_.Path(), static_cast<fs::perms>(folderMode));
      fs::remove(dir_ / "new.CNT");
      WriteCounter(dir_ / "new.CNT", 1);
      EXPECT_EQ(mode(dir_ / "new.CNT"), shared);
      LockTableFiles(base_, ".VET");
      EXPECT_EQ(mode(files[1] + "~"), shared);
      UnlockTableFiles(base_, ".VET");
      tables = Changed(files);
      StopAfter(1);
      EXPECT_THROW(WriteTablesTogether({{files[0], &tables[0]}, {files[1], &tables[1]}}), TKilled);
      SetTableRenamer(nullptr);
      EXPECT_EQ((std::vector<int>{mode(file_ + ".set~"), mode(files[1] + ".set~")}), (std::vector<int>{shared, shared}));
      auto reading = std::make_unique<test::HeldFile>(InUseMarkName(files[1]), "");  // the end of the run waits
      double now = 0;
      SetFileWaitClock([&] {
        if (reading && HasInUseMark(file_)) {
          EXPECT_EQ(mode(InUseMarkName(file_)), shared);
          reading.reset();
          fs::remove(InUseMarkName(files[1]));
        }
        return now += 0.25;
      });
      test::ScriptedMsgBox box;
      EXPECT_EQ(ReadCounter(file_), 6);
      EXPECT_EQ(mode(file_), 0640) << "a table put back keeps its mode";
      EXPECT_FALSE(reading) << "the end of the run did not wait for the mark";
      SetFileWaitClock(nullptr);
    }
    fs::remove(dir_ / "new.CNT");

    // Every kind of file is made without a change of the umask, with the same modes: a new table, a
    // lock, a run's temporary tables, records, second names and commit mark, and a replaced table.
    const pid_t pid = test::Forked([&] {
      if (!ForbidUmask()) return 2;
      WriteCounter(dir_ / "new.CNT", 1);
      LockTableFiles(base_, ".VET");
      const bool made = mode(dir_ / "new.CNT") == 0664 && mode(files[1] + "~") == 0664;
      UnlockTableFiles(base_, ".VET");
      std::vector<TDataFile> changed = Changed(files);
      WriteTablesTogether({{files[0], &changed[0]}, {files[1], &changed[1]}});
      return made && mode(file_) == 0640 && ReadCounter(file_) == 10 ? 0 : 1;
    });
    EXPECT_EQ(test::ExitOf(pid), 0) << "1: wrong modes; " << 1000 + SIGSYS << ": the umask was changed";
    fs::remove(dir_ / "new.CNT");
  }
  ::umask(savedMask);
}

TEST_F(Guard, CopiesAndDeletesOneBaseFamily) {
  WriteCounter(base_ + ".VET", 4);
  WriteCounter(dir_ / "sch.a.CNT", 9);  // a table of the base "sch.a"
  fs::create_directories(dir_ / "copy");
  const std::string target = dir_ / "copy/new";
  CopyTableFiles(base_, target);
  EXPECT_EQ(ReadCounter(target + ".VET"), 4);
  EXPECT_FALSE(fs::exists(target + ".a.CNT") || fs::exists(file_ + "~"));

  // One locked table keeps the whole family: a lock of an older program, asked about, "Нет".
  test::WriteBytes(base_ + ".VET~", Short("Сидоров"));
  test::ScriptedMsgBox box;
  box.Answer(0);
  double now = 0;
  SetFileWaitClock([&now] { return now += 100; });  // the wait for a holder that cannot be told is over at once
  EXPECT_EQ(ErrorOf([&] { DeleteTableFiles(base_); }), Edited(base_ + ".VET", "Сидоров"));
  SetFileWaitClock(nullptr);
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Файл \"" + base_ + ".VET\" заблокирован программой прежней "
                                                  "версии (пользователь \"Сидоров\"), работу которой отсюда "
                                                  "проверить нельзя. " + std::string(kMayStillWork) +
                                                  " Удалить блокировку, если эта программа больше "
                                                  "не работает?"});
  EXPECT_TRUE(fs::exists(file_));
  fs::remove(base_ + ".VET~");
  DeleteTableFiles(base_);
  EXPECT_FALSE(fs::exists(file_) || fs::exists(base_ + ".VET"));
  EXPECT_TRUE(fs::exists(dir_ / "sch.a.CNT"));
}

TEST_F(Guard, AFullDiskKeepsEveryFileOfTheStoreWhole) {
  WriteCounter(file_, 7, 50000);
  const std::string table = test::ReadBytes(file_);
  {
    test::FullDisk disk(1000);
    EXPECT_EQ(ErrorOf([&] { WriteCounter(file_, 8, 50000); }), test::FullDiskMessage(file_));
  }
  EXPECT_EQ(test::ReadBytes(file_), table);
  EXPECT_FALSE(fs::exists(file_ + "~") || fs::exists(file_ + ".new~") || HasInUseMark(file_));
  WriteCounter(file_, 8, 50000);  // nothing keeps the next write out
  EXPECT_EQ(ReadCounter(file_), 8);

  // A file of the family that is no table is copied as it stands, through the same writer.
  test::WriteBytes(base_ + ".TXT", "новый текст");
  test::WriteBytes(dir_ / "copy.TXT", "прежний текст");
  {
    test::FullDisk disk(3);
    EXPECT_EQ(ErrorOf([&] { CopyTableFile(base_ + ".TXT", dir_ / "copy.TXT"); }),
              test::FullDiskMessage(dir_ / "copy.TXT"));
  }
  EXPECT_EQ(test::ReadBytes(dir_ / "copy.TXT"), "прежний текст");
  EXPECT_FALSE(fs::exists(base_ + ".TXT~"));
  CopyTableFile(base_ + ".TXT", dir_ / "copy.TXT");
  EXPECT_EQ(test::ReadBytes(dir_ / "copy.TXT"), "новый текст");
}

}  // namespace
}  // namespace ld
