#include <gtest/gtest.h>

#include <filesystem>

#include "core/base/msgbox.h"
#include "core/base/session.h"
#include "core/tables/table_file.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"
#include "tables_fixture.h"

namespace ld {
namespace {

namespace fs = std::filesystem;
using test::LayoutScope;
using test::Short;
using test::ErrorOf;
using test::TempDir;

class Guard : public ::testing::Test {
protected:
  void SetUp() override {
    savedUser_ = CurrentUserName;
    scope_ = std::make_unique<LayoutScope>(dir_, "Name=Счет\nExtention=.CNT\nCount=1\nOrder=\nl,50,9,0,1,1,0,0,Cnt,Счет\n");
    base_ = dir_ / "sch";
    file_ = base_ + ".CNT";
    WriteCount(file_, 1);
  }
  void TearDown() override {
    CurrentUserName = savedUser_;
    SetFileWaitClock(nullptr);
  }

  static void WriteCount(const std::string& file, int value) {
    TDataFile t;
    ReadMaket("Счет", t);
    CreateColumns(t, 1);
    (*GetColumnAs<DALongint>("Cnt", t))[1] = value;
    WriteTableFile(file, t);
  }
  static int ReadCount(const std::string& file) {
    TDataFile t;
    ReadTableFile(file, t);
    return GetColumnAs<DALongint>("Cnt", t)->Get(1);
  }
  std::string Edited(const std::string& file, const std::string& user = "") const {
    return "Файл \"" + file + "\" редактируется" + (user.empty() ? "" : ". " + user);
  }

  TempDir dir_;
  std::unique_ptr<LayoutScope> scope_;
  std::string savedUser_;
  std::string base_;
  std::string file_;
};

TEST_F(Guard, LockRefusesEveryWriterUntilItsOwnerUnlocks) {
  CurrentUserName = "Иванов И.И., диспетчер";
  TDataFile t;
  ReadTableFile(file_, t);
  LockTableFiles(base_, ".CNT");
  EXPECT_EQ(test::ReadBytes(file_ + "~"), Short("Иванов И.И., диспетчер"));
  // The owner too: a refused write leaves the lock and the table as they were.
  EXPECT_EQ(ErrorOf([&] { WriteTableFile(file_, t); }), Edited(file_, "Иванов И.И., диспетчер"));
  EXPECT_TRUE(fs::exists(file_ + "~"));
  EXPECT_EQ(ErrorOf([&] { LockTableFiles(base_, ".CNT"); }), Edited(file_, "Иванов И.И., диспетчер"));
  UnlockTableFiles(base_, ".CNT");
  EXPECT_FALSE(fs::exists(file_ + "~"));
  (*GetColumnAs<DALongint>("Cnt", t))[1] = 2;
  WriteTableFile(file_, t);
  EXPECT_FALSE(fs::exists(file_ + "~"));
  EXPECT_EQ(ReadCount(file_), 2);

  // Without a user name the lock file is empty and the message names nobody.
  CurrentUserName.clear();
  LockTableFiles(base_, ".CNT");
  EXPECT_EQ(test::ReadBytes(file_ + "~"), "");
  EXPECT_EQ(ErrorOf([&] { CheckFileFree(file_, 0); }), Edited(file_));
  UnlockTableFiles(base_, ".CNT");
}

TEST_F(Guard, OtherWorkstationsLocksAndWritesAreLeftAlone) {
  // A write in progress elsewhere: the "~" file holds the new table.
  test::WriteBytes(file_ + "~", std::string("\x06ZREGIM") + Short("Счет"));
  TDataFile t;
  ReadTableFile(file_, t);
  EXPECT_EQ(ErrorOf([&] { WriteTableFile(file_, t); }), Edited(file_));
  UnlockTableFiles(base_, ".CNT");  // not ours: stays
  EXPECT_TRUE(fs::exists(file_ + "~"));

  // Another user's lock on one file of a list: nothing of the list gets locked.
  test::WriteBytes(file_ + "~", Short("Петров"));
  EXPECT_EQ(ErrorOf([&] { LockTableFiles(base_, ".UZL, .CNT"); }), Edited(file_, "Петров"));
  EXPECT_FALSE(fs::exists(base_ + ".UZL~"));
  UnlockTableFiles(base_, ".UZL,.CNT");
  EXPECT_EQ(test::ReadBytes(file_ + "~"), Short("Петров"));
  EXPECT_EQ(ReadCount(file_), 1);

  // A lock of ours that someone replaced by his own is his now.
  fs::remove(file_ + "~");
  LockTableFiles(base_, ".CNT");
  fs::remove(file_ + "~");
  test::WriteBytes(file_ + "~", Short("Сидоров"));
  UnlockTableFiles(base_, ".CNT");
  EXPECT_EQ(test::ReadBytes(file_ + "~"), Short("Сидоров"));
}

TEST_F(Guard, AWriteOverAChangedFileIsRefusedEveryTime) {
  TDataFile mine;
  ReadTableFile(file_, mine);
  WriteCount(file_, 5);  // another workstation saved meanwhile, at once
  (*GetColumnAs<DALongint>("Cnt", mine))[1] = 7;
  const std::string changed = "Файл \"" + file_ + "\" был изменен. Необходимо открыть файл заново";
  EXPECT_EQ(ErrorOf([&] { WriteTableFile(file_, mine); }), changed);
  EXPECT_EQ(ErrorOf([&] { WriteTableFile(file_, mine); }), changed);  // a second try is no way round
  EXPECT_EQ(ReadCount(file_), 5);
  EXPECT_FALSE(fs::exists(file_ + "~"));
  mine.FileDate = 0;  // a record that never came from the file is not compared
  WriteTableFile(file_, mine);
  EXPECT_EQ(ReadCount(file_), 7);
}

TEST_F(Guard, InUseMarkWaitsElevenSecondsThenAsks) {
  double now = 0;
  SetFileWaitClock([&] { return now += 0.25; });
  std::vector<double> askedAt;
  std::vector<std::string> texts;
  std::vector<int> answers;
  const auto previous = SetMsgBoxProvider([&](const std::string& text, int kind, int buttons) {
    EXPECT_EQ(kind, mkWarning);
    EXPECT_EQ(buttons, mbYesNo);
    askedAt.push_back(now);
    texts.push_back(text);
    const int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  });
  const std::string question =
      "Файл " + file_ + " находится длительное время в режиме чтения/записи. Разрешить доступ к файлу ?";

  // A read that ended normally leaves no mark, and a free file is not waited for.
  ReadCount(file_);
  EXPECT_FALSE(HasInUseMark(file_));
  EXPECT_TRUE(texts.empty());

  test::WriteBytes(file_ + ".inuse~", "");  // a program that stopped in the middle of a read
  EXPECT_TRUE(IsTableFile(file_));
  answers = {0};
  TDataFile t;
  EXPECT_EQ(ErrorOf([&] { ReadTableFile(file_, t); }), "Ошибка чтения файла \"" + file_ + "\"");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0], question);
  EXPECT_GE(askedAt[0], 10.5);
  EXPECT_LT(askedAt[0], 12);
  EXPECT_TRUE(HasInUseMark(file_));  // "Нет" leaves the mark to its owner

  // "Нет" to the write's question: the write fails, the old table and no temporary file remain.
  answers = {0};
  WriteCount(dir_ / "other.CNT", 3);
  TDataFile other;
  ReadTableFile(dir_ / "other.CNT", other);
  other.FileDate = 0;
  EXPECT_EQ(ErrorOf([&] { WriteTableFile(file_, other); }), "Ошибка записи файла \"" + file_ + "\"");
  EXPECT_FALSE(fs::exists(file_ + "~"));

  answers = {1};  // "Да" reads, and the stale mark goes with the read
  EXPECT_EQ(ReadCount(file_), 1);
  EXPECT_FALSE(HasInUseMark(file_));
  SetMsgBoxProvider(previous);
}

TEST_F(Guard, CopiesAndDeletesOneBaseFamily) {
  CurrentUserName = "Петров";
  WriteCount(base_ + ".VET", 4);
  test::WriteBytes(base_ + ".txt", "не таблица");
  WriteCount(dir_ / "sch.a.CNT", 9);  // a table of the base "sch.a"
  fs::create_directories(dir_ / "copy");
  const std::string target = dir_ / "copy/new";
  CopyTableFiles(base_, target);
  EXPECT_EQ(ReadCount(target + ".CNT"), 1);
  EXPECT_EQ(ReadCount(target + ".VET"), 4);
  TDataFile copied;
  ReadTableFile(target + ".CNT", copied);
  EXPECT_EQ(copied.Title, target);
  EXPECT_EQ(test::ReadBytes(target + ".txt"), "не таблица");
  EXPECT_FALSE(fs::exists(target + ".a.CNT"));
  EXPECT_FALSE(fs::exists(dir_ / "copy/new.a.CNT"));
  EXPECT_FALSE(fs::exists(file_ + "~"));  // the source's lock was taken and given back

  // One locked table keeps the whole family.
  test::WriteBytes(base_ + ".VET~", Short("Сидоров"));
  EXPECT_EQ(ErrorOf([&] { DeleteTableFiles(base_); }), Edited(base_ + ".VET", "Сидоров"));
  EXPECT_TRUE(fs::exists(file_));
  fs::remove(base_ + ".VET~");
  DeleteTableFiles(base_);
  EXPECT_FALSE(fs::exists(file_));
  EXPECT_FALSE(fs::exists(base_ + ".VET"));
  EXPECT_FALSE(fs::exists(base_ + ".txt"));
  EXPECT_TRUE(fs::exists(dir_ / "sch.a.CNT"));

  CreateEmptyTableFile(file_, "Счет", "Пустая");
  TDataFile empty;
  ReadTableFile(file_, empty);
  EXPECT_EQ(empty.RowCount, 0);
  EXPECT_EQ(empty.Title, "Пустая");

  EXPECT_EQ(RemoveExtension("/d/a.b/file"), "/d/a.b/file");
  EXPECT_EQ(RemoveExtension("/d/a.b/file.UZL"), "/d/a.b/file");
  EXPECT_EQ(ExtractExtension("/d/a.b/file"), "");
  EXPECT_EQ(ExtractExtension("file.a.UZL"), ".UZL");
}

}  // namespace
}  // namespace ld
