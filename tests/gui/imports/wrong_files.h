#pragma once
// Every command of the program that writes tables (or a catalogue, or the rows of the open grid) from a
// file the user chose, as one table of commands; the grouped test feeds each of them every file of
// tests/data/wrong_files and wants each refused by name with every file of its folder as it was.
//
// The commands are the program's own list (gui::ImportCommandList): each is run here by a runner added
// where it is tested, by a TImportCommandEntry at namespace scope naming the command it runs:
//   const TImportCommandEntry kCards{{"Режим / Схема / Импорт ЦДУ", ".cdu", {"cards"}, Prepare, Run,
//                                     {}, {"Режим", "ImportCDU"}}};
// A command of the list without a runner fails the grouped test, as does a runner of no such command.
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace ld::test {

struct TImportCommand {
  // The command as a user finds it: window / menu / command.
  std::string Name;
  // The extension under which the chosen file is given, as the command's file dialog offers it (".xlsx").
  std::string Extension;
  // The kinds of wrong file that are this command's own sound kind and so not wrong for it (the stems of
  // their file names in tests/data/wrong_files up to the first '.': "cards" for "cards.txt").
  std::vector<std::string> OwnKinds;
  // Makes in the folder what the command works on: a base, a scheme, a catalogue, a table with data that
  // a wrong file must not change; opens the command's window when it needs one.
  std::function<void(const std::filesystem::path& folder)> Prepare;
  // Runs the command through its window on the chosen file, as a user does: the file chosen in its file
  // dialog, every question of the command answered "Да". The scripted message box records what is said.
  std::function<void(const std::filesystem::path& folder, const std::filesystem::path& chosen)> Run;
  // Closes what Prepare opened, before the folder is compared and removed; may be empty.
  std::function<void()> Finish;
  // The program's command this runs: its window and name in gui::ImportCommandList. A command that asks
  // which file to read (subscribers of several bases) has a runner for each.
  std::pair<std::string, std::string> Command;
};

std::vector<TImportCommand>& ImportCommands();

struct TImportCommandEntry {
  explicit TImportCommandEntry(TImportCommand command) { ImportCommands().push_back(std::move(command)); }
};

}  // namespace ld::test
