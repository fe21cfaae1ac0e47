// The one way every file of the program reaches the disk.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "core/base/file_replace.h"
#include "support/full_disk.h"
#include "support/test_env.h"

namespace ld {
namespace {

using test::ReadBytes;
using test::WriteBytes;

std::size_t FilesIn(const test::TempDir& dir) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir.Path()), {}));
}

std::string ErrorOf(const std::function<void()>& write) {
  try {
    write();
  } catch (const TFileError& e) {
    return e.what();
  }
  return "<no error>";
}

TEST(FileReplace, AFullDiskLeavesThePreviousFileAndSaysWhy) {
  test::TempDir dir;
  const std::string name = dir / "отчет.txt";
  WriteBytes(name, "old contents\r\n");
  ::chmod(name.c_str(), 0640);
  {
    test::FullDisk disk(5);  // five bytes of the new file reach the disk
    EXPECT_EQ(ErrorOf([&] { WriteFileReplacing(name, std::string(1000, 'x')); }), test::FullDiskMessage(name));
  }
  EXPECT_EQ(ReadBytes(name), "old contents\r\n");
  EXPECT_EQ(FilesIn(dir), 1u) << "the temporary file is gone";
  // An empty file goes through the writer as well, which may refuse it as any other.
  const TFileBytesWriter writer = SetFileBytesWriter([](int, const std::string&) { return errno = ENOSPC, false; });
  const std::string emptyWrite = ErrorOf([&] { WriteFileReplacing(name, ""); });
  SetFileBytesWriter(writer);
  EXPECT_EQ(emptyWrite, test::FullDiskMessage(name));
  EXPECT_EQ(ReadBytes(name), "old contents\r\n");

  // With room again the file is replaced whole and keeps its permissions.
  WriteFileReplacing(name, "new\r\n");
  EXPECT_EQ(ReadBytes(name), "new\r\n");
  struct stat st {};
  ASSERT_EQ(::stat(name.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(FilesIn(dir), 1u);

  // A first file that does not fit leaves nothing behind, and the message claims no previous file.
  const std::string fresh = dir / "new.txt";
  {
    test::FullDisk disk;
    EXPECT_EQ(ErrorOf([&] { WriteFileReplacing(fresh, "abc"); }),
              "Ошибка записи файла \"" + fresh + "\": нет места на диске");
  }
  EXPECT_FALSE(std::filesystem::exists(fresh));
  EXPECT_EQ(ErrorOf([&] { WriteFileReplacing(dir / "нет/a.txt", "abc"); }),
            "Ошибка записи файла \"" + (dir / "нет/a.txt") + "\": папка не найдена");
  EXPECT_EQ(ErrorOf([&] { WriteFileReplacing(dir.Path().string(), "abc"); }),
            "Ошибка записи файла \"" + dir.Path().string() + "\": это папка, а не файл");
  EXPECT_EQ(FilesIn(dir), 1u);
}

TEST(FileReplace, WritersThatOpenTheFileByNameAreHeldToTheSameDisk) {
  test::TempDir dir;
  const std::string name = dir / "book.xlsx";
  WriteBytes(name, "previous workbook");
  // A library that writes its own temporary file and renames it over the name it was given.
  const auto library = [](const std::string& bytes) {
    return [bytes](const std::string& temp) {
      const std::string own = temp + ".lib";
      std::ofstream(own, std::ios::binary) << bytes;
      return std::rename(own.c_str(), temp.c_str()) == 0;
    };
  };
  {
    test::FullDisk disk(3);
    EXPECT_EQ(ErrorOf([&] { WriteFileReplacing(name, library("a whole new workbook")); }),
              test::FullDiskMessage(name));
  }
  EXPECT_EQ(ReadBytes(name), "previous workbook");
  EXPECT_EQ(FilesIn(dir), 1u);

  // A writer that reports failure without a reason.
  EXPECT_EQ(ErrorOf([&] { WriteFileReplacing(name, [](const std::string&) { return errno = 0, false; }); }),
            "Ошибка записи файла \"" + name + "\": файл не записан; прежний файл не изменен");
  EXPECT_EQ(ReadBytes(name), "previous workbook");
  EXPECT_EQ(FilesIn(dir), 1u);

  WriteFileReplacing(name, library("a whole new workbook"));
  EXPECT_EQ(ReadBytes(name), "a whole new workbook");
  EXPECT_EQ(FilesIn(dir), 1u);
}

TEST(FileReplace, AFileOfManyMegabytesArrivesWholeAndAFullDiskInItsMiddleStillKeepsTheOldOne) {
  test::TempDir dir;
  const std::string name = dir / "large.bin";
  // Long enough that the disk is set writing its first parts while later ones are still coming.
  std::string bytes(static_cast<std::size_t>(2 * TWriteBehind::kStep + 12345), '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 131 + i / 4099);
  WriteFileReplacing(name, bytes);
  EXPECT_EQ(ReadBytes(name), bytes);

  // In uneven pieces through one replacement.
  std::string other = bytes;
  std::reverse(other.begin(), other.end());
  {
    TFileReplacement file(name);
    for (std::size_t at = 0, piece = 1; at < other.size(); at += piece, piece = piece * 3 + 1) {
      piece = std::min(piece, other.size() - at);
      ASSERT_TRUE(file.Write(other.data() + at, piece));
    }
    file.Commit();
  }
  EXPECT_EQ(ReadBytes(name), other);

  {
    test::FullDisk disk(static_cast<std::size_t>(TWriteBehind::kStep + 7));
    EXPECT_EQ(ErrorOf([&] { WriteFileReplacing(name, bytes); }), test::FullDiskMessage(name));
  }
  EXPECT_EQ(ReadBytes(name), other);
  EXPECT_EQ(FilesIn(dir), 1u);
}

TEST(FileReplace, ALinkStaysALinkToTheFileItNames) {
  test::TempDir dir;
  const std::string shared = dir / "shared.ini";
  const std::string link = dir / "own.ini";
  WriteBytes(shared, "old");
  std::filesystem::create_symlink(shared, link);
  WriteFileReplacing(link, "new");
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadBytes(shared), "new");
}

}  // namespace
}  // namespace ld
