#include "guard_fixture.h"

#include "core/tables/table_save.h"

namespace ld {
namespace {

using namespace guard_test;

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

// Whatever its date says: another save within the same tick of a folder that keeps whole seconds (or
// FAT's two), dated as the version read was; a table put back from a backup with its older date; one
// that only its size tells; a table of megabytes that differs in one byte near its start. A file
// rewritten with the very bytes read loses nothing when written over, and a table written is judged at
// its next write by what that write put in the file.
TEST_F(Guard, AWriteOverAChangedFileIsRefusedEveryTime) {
  constexpr int kLarge = 300000;  // a file of 1.5 MB
  struct TCase {
    const char* what;
    int value;             // what the other program saves
    int rows;
    double dateShift;      // its date against the one read, in seconds
    bool refused;
    int readRows = 1;      // of the table read
    int flipped = -1;      // a byte of the file the other program saves that differs there
  };
  const TCase cases[] = {
      {"another save, one date", 5, 1, 0, true},
      {"a backup put back", 7, 1, -3600, true},
      {"longer, one date", 1, 2, 0, true},
      {"the same bytes, one date", 1, 1, 0, false},
      {"the same bytes, a later date", 1, 1, 2, true},
      {"a large table, one byte near its start, one date", 1, kLarge, 0, true, kLarge, 40},
      {"a large table, the same bytes, one date", 1, kLarge, 0, false, kLarge},
  };
  const std::string changed = "Файл \"" + file_ + "\" был изменен. Необходимо открыть файл заново";
  for (const int grain : {0, 1, 2})
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.what) + " " + std::to_string(grain));
    const test::TimeGrainScope coarse(grain);
    WriteCounter(file_, 1, c.readRows);
    TDataFile mine;
    ReadTableFile(file_, mine);
    struct stat read {};
    ASSERT_EQ(::stat(file_.c_str(), &read), 0);
    WriteCounter(file_, c.value, c.rows);
    if (c.flipped >= 0) {
      std::string bytes = test::ReadBytes(file_);
      bytes.at(static_cast<std::size_t>(c.flipped)) ^= 1;
      test::WriteBytes(file_, bytes);
    }
    timespec times[2] = {{0, UTIME_OMIT}, read.st_mtim};
    times[1].tv_sec += static_cast<time_t>(c.dateShift);
    ASSERT_EQ(::utimensat(AT_FDCWD, file_.c_str(), times, 0), 0);
    (*GetColumnAs<DALongint>("Cnt", mine))[1] = 9;
    for (const bool check : {false, true}) {  // a second try is no way round
      EXPECT_EQ(ErrorOf([&] { check ? CheckFileFree(file_, mine.FileDate) : WriteTableFile(file_, mine); }),
                c.refused ? changed : "<no error>");
    }
    EXPECT_EQ(ReadCounter(file_), c.refused ? c.value : 9);
    EXPECT_FALSE(fs::exists(file_ + "~"));
    mine.FileDate = 0;  // a record that never came from the file is not compared
    WriteTableFile(file_, mine);
    EXPECT_EQ(ReadCounter(file_), 9);
    (*GetColumnAs<DALongint>("Cnt", mine))[1] = 8;
    EXPECT_EQ(ErrorOf([&] { WriteTableFile(file_, mine); }), "<no error>");
    EXPECT_EQ(ReadCounter(file_), 8);
  }
}

// A file removed since it was read went with whatever replaced its family (a new base, a copy): a
// table read from it is refused as a changed one, by a single write, an edit's check and a run alike,
// and nothing is made there; the other tables of a run stay as they were. A table seen where no file was
// makes it, unless another made it meanwhile; a table never read from a file is made wherever it goes.
TEST_F(Guard, AFileRemovedSinceTheReadIsAChangedFile) {
  const std::string other = dir_ / "other.CNT";
  const std::string changed = "Файл \"" + file_ + "\" был изменен. Необходимо открыть файл заново";
  const std::function<void(TDataFile&, TDataFile&)> writes[] = {
      [&](TDataFile& mine, TDataFile&) { WriteTableFile(file_, mine); },
      [&](TDataFile& mine, TDataFile&) { CheckFileFree(file_, mine.FileDate); },
      [&](TDataFile& mine, TDataFile&) { SaveTableWith(file_, mine, {}); },
      [&](TDataFile& mine, TDataFile& with) { WriteTablesTogether({{other, &with}, {file_, &mine}}); },
      [&](TDataFile& mine, TDataFile&) { WriteTablesTogether({}, {{file_, "bytes", mine.FileDate}}); },
  };
  for (std::size_t k = 0; k < std::size(writes); ++k) {
    SCOPED_TRACE(k);
    WriteCounter(file_, 1, 1);
    WriteCounter(other, 4, 1);
    TDataFile mine;
    TDataFile with;
    ReadTableFile(file_, mine);
    ReadTableFile(other, with);
    fs::remove(file_);
    (*GetColumnAs<DALongint>("Cnt", mine))[1] = 3;
    (*GetColumnAs<DALongint>("Cnt", with))[1] = 6;
    EXPECT_EQ(ErrorOf([&] { writes[k](mine, with); }), changed);
    EXPECT_FALSE(fs::exists(file_));
    EXPECT_EQ(ReadCounter(other), 4);

    mine.FileDate.Absent = true;  // an empty table shown for a file that is not there
    WriteCounter(file_, 5, 1);    // made meanwhile by another
    EXPECT_EQ(ErrorOf([&] { writes[k](mine, with); }), changed);
    EXPECT_EQ(ReadCounter(file_), 5);
    fs::remove(file_);
    EXPECT_EQ(ErrorOf([&] { writes[k](mine, with); }), "<no error>");
    if (k == 1) {
      EXPECT_FALSE(fs::exists(file_));
    } else if (k == 4) {
      EXPECT_EQ(test::ReadBytes(file_), "bytes");
    } else {
      EXPECT_EQ(ReadCounter(file_), 3);
    }
    fs::remove(file_);

    mine.FileDate = 0;  // a new table, never read from the file
    EXPECT_EQ(ErrorOf([&] { WriteTableFile(file_, mine); }), "<no error>");
    EXPECT_EQ(ReadCounter(file_), 3);
  }
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
  tables[1].FileDate = 0;  // a table new to its file
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
    for (TDataFile& table : tables) table.FileDate = 0;  // written over whatever the steps below left
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
  CopyTableFiles(base_, target, {});
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

// A copy onto a stem that holds a family of its own: the files it writes over (under the names they have,
// "new.rgm" for the source's ".RGM"), the family's files that the source lacks (a table, a text, a second
// file of a written kind in other letters) and the files of no part of it (another kind, a stem that only
// begins the same). Killed at each step, it leaves one family whole.
TEST_F(Guard, ACopyReplacesTheTargetsWholeFamilyInOneRun) {
  WriteCounter(base_ + ".VET", 4);
  test::WriteBytes(base_ + ".RGM", "новый протокол");
  fs::create_directories(dir_ / "copy");
  const std::string target = dir_ / "copy/new";
  const TFileKinds kinds = {{".SWT", "журнал переключений"}, {".wrg", "результаты расчета потерь"}};
  struct TFile {
    std::string name;  // within the target's folder
    int counter;  // a table's value, 0 for a text
    const char* after;  // "new", "gone" or "kept"
  };
  const TFile files[] = {
      {"new.CNT", 7, "new"},  {"new.SWT", 8, "gone"},  {"new.WRG", 0, "gone"},   {"new.rgm", 0, "new"},
      {"NEW.CNT", 3, "gone"}, {"new.UZL", 9, "kept"},  {"new2.SWT", 5, "kept"}, {"new.a.SWT", 6, "kept"},
      {"new.ABC", 0, "kept"},
  };
  std::map<std::string, std::string> old;
  const auto at = [&](const std::string& name) { return (fs::path(dir_ / "copy") / name).string(); };
  for (const TFile& f : files) {
    // made apart and named after: a write of a table finds "new.CNT" for "NEW.CNT", as every write does
    if (f.counter != 0) WriteCounter(at("scratch"), f.counter);
    if (f.counter != 0) fs::rename(at("scratch"), at(f.name));
    if (f.counter == 0) test::WriteBytes(at(f.name), "прежний " + f.name);
    old[f.name] = test::ReadBytes(at(f.name));
  }
  const TCopyReplaced replaced = CopyReplacedFiles(base_, target, kinds);
  EXPECT_EQ(replaced.Written, (std::vector<std::string>{target + ".CNT", at("new.rgm")}));
  EXPECT_EQ(replaced.Removed, (std::vector<std::string>{at("NEW.CNT"), target + ".SWT", target + ".WRG"}));
  EXPECT_EQ(CopyReplaceQuestion("База с таким именем уже существует.", replaced, TReplacedBy::Copy, TFileFamily::Base),
            "База с таким именем уже существует.\nБудут заменены файлы: new.CNT (прочий файл), new.rgm (прочий файл)."
            "\nБудут удалены файлы, которых в копии не будет: NEW.CNT (прочий файл), new.SWT (журнал переключений), "
            "new.WRG (результаты расчета потерь).\nПерезаписать ?");

  const auto state = [&] {
    std::string odd;
    bool isOld = true, isNew = true;
    for (const TFile& f : files) {
      const std::string file = at(f.name);
      const bool there = fs::exists(file);
      const std::string bytes = there ? test::ReadBytes(file) : "";
      const bool asBefore = there && bytes == old[f.name];
      const bool asCopied = std::string(f.after) == "kept"   ? asBefore
                            : std::string(f.after) == "gone" ? !there
                            : f.counter == 0                 ? there && bytes == "новый протокол"
                                                             : there && ReadCounter(file) == 1;
      if (!asBefore && !asCopied) odd += " " + f.name;
      isOld = isOld && asBefore;
      isNew = isNew && asCopied;
    }
    const bool copied = fs::exists(target + ".VET") && ReadCounter(target + ".VET") == 4 && !fs::exists(target + ".RGM");
    const bool none = !fs::exists(target + ".VET") && !fs::exists(target + ".RGM");
    if (!odd.empty()) return "neither:" + odd;
    return isOld && none ? std::string("old") : isNew && copied ? std::string("new") : std::string("mixed");
  };
  const std::string before = dir_ / "before";
  fs::copy(dir_ / "copy", before);
  int steps = 0;
  SetTableRunStepHook([&steps](TRunStep step) { steps += step == TRunStep::Renamed; });
  CopyTableFiles(base_, target, kinds);
  SetTableRunStepHook(nullptr);
  EXPECT_EQ(state(), "new");
  EXPECT_EQ(steps, 6) << "two tables and a text written, three files removed";
  for (int k = 1; k <= steps; ++k) {
    SCOPED_TRACE("killed at the step " + std::to_string(k));
    fs::remove_all(dir_ / "copy");
    fs::copy(before, dir_ / "copy");
    const pid_t pid = test::Forked([&] {
      SetTableRunStepHook([k, seen = 0](TRunStep step) mutable {
        if (step == TRunStep::Renamed && ++seen == k) raise(SIGSTOP);
      });
      CopyTableFiles(base_, target, kinds);
      return 0;
    });
    ASSERT_TRUE(test::KillWhenStopped(pid));
    for (const char* name : {"new.CNT", "new.VET", "new.RGM", "new.SWT", "new.WRG", "new.rgm", "NEW.CNT"})
      if (fs::exists(at(name))) RecoverTableSetForRead(at(name));
    EXPECT_EQ(state(), "old");
  }
  // Killed past its commit: at its mark, and once its last record is gone (its locks and in-use marks
  // still there). The files it removed have no use of their own any more: the next copy onto the family
  // clears what the killed one left of them, and nothing of it stays.
  for (const bool recordsGone : {false, true}) {
    SCOPED_TRACE(recordsGone ? "killed after its last record" : "killed at its commit mark");
    fs::remove_all(dir_ / "copy");
    fs::copy(before, dir_ / "copy");
    const pid_t pid = test::Forked([&] {
      SetTableRunStepHook([recordsGone, removed = 0](TRunStep step) mutable {
        if (!recordsGone && step == TRunStep::Committed) raise(SIGSTOP);
        if (recordsGone && step == TRunStep::RecordRemoved && ++removed == 6) raise(SIGSTOP);
      });
      CopyTableFiles(base_, target, kinds);
      return 0;
    });
    ASSERT_TRUE(test::KillWhenStopped(pid));
    for (const char* name : {"new.CNT", "new.VET", "new.rgm"}) RecoverTableSetForRead(at(name));
    EXPECT_EQ(state(), "new");
    CopyTableFiles(base_, target, kinds);
    EXPECT_EQ(state(), "new");
    for (const auto& entry : fs::directory_iterator(dir_ / "copy"))
      EXPECT_NE(entry.path().filename().string().back(), '~') << entry.path().filename() << ": left for good";
  }
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
