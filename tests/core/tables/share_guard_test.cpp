#include "guard_fixture.h"

namespace ld {
namespace {

using namespace guard_test;

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
  // Stopped at the nth time the run, or the end of a stopped run, reaches the step.
  const auto stopAt = [](TRunStep at, int nth) {
    SetTableRunStepHook([at, nth, seen = 0](TRunStep step) mutable {
      if (step == at && ++seen == nth) raise(SIGSTOP);
    });
  };
  const auto stopRun = [&](TRunStep at, int nth = 1) {
    return [&, at, nth] {
      stopAt(at, nth);
      test::WriteCountersTogether(files, 10);
    };
  };
  // A run of this workstation stopped between its renames, which the other one ends and is killed there.
  const auto stopEnd = [&](TRunStep at, int nth = 1) {
    return [&, at, nth] {
      stopAt(at, nth);
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
    bool leaves = true;             // it leaves a file that names it, which some use meets
    bool afterStoppedRun = false;   // it ends a run of this workstation stopped between its renames
  };
  const std::vector<TKill> kills = {
      {"run locked", stopRun(TRunStep::Locked)},
      {"run lock taken", stopRun(TRunStep::LockTaken)},
      {"run temporary written", stopRun(TRunStep::TempWritten)},
      {"run second temporary written", stopRun(TRunStep::TempWritten, 2)},
      {"run record laid", stopRun(TRunStep::RecordLaid)},
      {"run second record laid", stopRun(TRunStep::RecordLaid, 2)},
      {"run records laid", stopRun(TRunStep::RecordsLaid)},
      {"run renamed", stopRun(TRunStep::Renamed)},
      {"run second renamed", stopRun(TRunStep::Renamed, 2)},
      {"run committing", stopRun(TRunStep::Committing)},
      {"run committed", stopRun(TRunStep::Committed)},
      {"run record removed", stopRun(TRunStep::RecordRemoved)},
      {"run second record removed", stopRun(TRunStep::RecordRemoved, 2)},
      {"end records taken", stopEnd(TRunStep::RecordsTaken), false, true},
      {"end restored", stopEnd(TRunStep::Restored), true, true},
      {"end second restored", stopEnd(TRunStep::Restored, 2), true, true},
      {"end record removed", stopEnd(TRunStep::RecordRemoved), true, true},
      {"end second record removed", stopEnd(TRunStep::RecordRemoved, 2), true, true},
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
      // Its lock left as an earlier version leaves one, naming nobody: besides its record, a holder that
      // no other file of the use shares, and that nothing said of it before tells of.
      {"run record laid, its lock naming nobody", [&] {
         SetTableRunStepHook([&](TRunStep step) {
           if (step == TRunStep::RecordLaid && ::truncate((file_ + "~").c_str(), 7) == 0) raise(SIGSTOP);
         });
         test::WriteCountersTogether(files, 10);
       }},
      {"lock private file made", stopMaking(TGuardStep::PrivateMade), false},
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
        {"write of the second", [&] { WriteCounter(files[1], 6); }},
        {"run", [&] { test::WriteCountersTogether(files, 30); }},
        {"lock", [&] {
           LockTableFiles(base_, ".CNT");
           UnlockTableFiles(base_, ".CNT");
         }},
    };
    std::size_t met = 0;
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
        // One question at most, after its one wait; "Нет" refuses the use that asked, "Да" lets it go on.
        EXPECT_LE(asked, 1u) << use << " " << answer << ": " << error << told;
        EXPECT_EQ(waits, static_cast<int>(asked)) << use << " " << answer << ": " << error << told;
        EXPECT_EQ(error != "<no error>", answer == 0 && asked == 1) << use << " " << answer << ": " << error << told;
        met += asked;
      }
    }
    EXPECT_EQ(met != 0, kill.leaves);
    box.Clear();
    WriteCounter(file_, 1);
    WriteCounter(files[1], 2);
    EXPECT_TRUE(box.Calls().empty()) << box.Texts().front();
    EXPECT_EQ(Folder(), folder);
  }
}

}  // namespace
}  // namespace ld
