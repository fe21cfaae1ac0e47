// Every import command of the program's own list fed every kind of wrong file: an empty file, a text, a document, a workbook of an
// unrelated sheet, a heading-only workbook, a dBase base of other fields, a base of no records, another
// import's own file. Each is refused with a message that names the chosen file and says that nothing
// was changed, and every file of the folder stays byte for byte as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "support/scripted_msgbox.h"
#include "support/test_env.h"
#include "gui/common/import_commands.h"
#include "gui/imports/wrong_files.h"

namespace ld::test {

std::vector<TImportCommand>& ImportCommands() {
  static std::vector<TImportCommand> commands;
  return commands;
}

namespace {

namespace fs = std::filesystem;

// Every file under the folder by its path within it, with its bytes.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file()) files[fs::relative(entry.path(), folder).string()] = ReadBytes(entry.path());
  return files;
}

std::string KindOf(const fs::path& file) {
  const std::string name = file.filename().string();
  return name.substr(0, name.find('.'));
}

// The commands are the program's own list: each has its runner here, and each runner runs one of them.
TEST(WrongFileRunners, EveryImportCommandOfTheProgramIsRunByARunner) {
  std::set<std::pair<std::string, std::string>> program, run;
  for (const gui::TImportCommandInfo& c : gui::ImportCommandList()) program.insert({c.Window, c.Name});
  for (const TImportCommand& command : ImportCommands()) run.insert(command.Command);
  for (const auto& c : program)
    EXPECT_TRUE(run.count(c)) << "the program's import command " << c.first << " / " << c.second << " is run by no runner";
  for (const auto& c : run)
    EXPECT_TRUE(program.count(c)) << "a runner runs " << c.first << " / " << c.second << ", which the program lacks";
}

// The commands in parts, each a test of its own, so that the test command's shards share them out; each
// command falls in one part.
constexpr int kWrongFileParts = 6;
class WrongFiles : public ::testing::TestWithParam<int> {};

TEST_P(WrongFiles, EveryImportRefusesEveryWrongFileByNameAndChangesNothing) {
  const fs::path wrong = TestDataDir() / "wrong_files";
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(wrong))
    if (entry.is_regular_file() && entry.path().extension() != ".py" && entry.path().extension() != ".md")
      files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  int part = 0;
  for (const TImportCommand& command : ImportCommands()) {
    if (part++ % kWrongFileParts != GetParam()) continue;
    for (const fs::path& file : files) {
      if (std::find(command.OwnKinds.begin(), command.OwnKinds.end(), KindOf(file)) != command.OwnKinds.end())
        continue;
      SCOPED_TRACE(command.Name + " <- " + file.filename().string());
      TempDir dir;
      command.Prepare(dir.Path());
      const fs::path chosen = dir.Path() / ("выбранный" + command.Extension);
      fs::copy_file(file, chosen);
      const auto before = Snapshot(dir.Path());
      ScriptedMsgBox box;
      for (int i = 0; i < 8; ++i) box.Answer(1);
      command.Run(dir.Path(), chosen);
      if (command.Finish) command.Finish();
      EXPECT_EQ(Snapshot(dir.Path()), before) << "a file of the folder changed, came or went";
      const auto texts = box.Texts();
      // the refusal names the file, says why (more than that nothing was read) and that nothing changed
      const bool named = std::any_of(texts.begin(), texts.end(), [&](const std::string& t) {
        const std::size_t name = t.find(chosen.filename().string()), nothing = t.find("ничего не изменено");
        if (name == std::string::npos || nothing == std::string::npos || nothing < name + chosen.filename().string().size())
          return false;
        const std::size_t after = name + chosen.filename().string().size();
        std::string why = t.substr(after, nothing - after);
        for (const std::string cut : {"нет данных для импорта", "\"", ":", ",", " "})
          for (std::size_t at; (at = why.find(cut)) != std::string::npos;) why.erase(at, cut.size());
        return !why.empty();
      });
      EXPECT_TRUE(named) << "no message names the file, says why and that nothing was changed; said: "
                         << ::testing::PrintToString(texts);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, WrongFiles, ::testing::Range(0, kWrongFileParts));

}  // namespace
}  // namespace ld::test
