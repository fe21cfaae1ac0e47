#pragma once
// The program's commands that write a set of tables, each set in one run of the tables
// (WriteTablesTogether): a program that ends at any instant leaves every set as it was or as written.
// Each is given here with what it needs to run over a folder that holds the program folder's sample
// files (the district base "Образец", the scheme "Пример" and the catalogues), so that one test can run
// every writer, stop it anywhere and read what it left.
#include <functional>
#include <string>
#include <vector>

namespace ld {

struct TSetWriter {
  // The command as the user finds it: the window, then the menu item or button.
  std::string Command;
  // Readies the inputs in the folder and the settings that the command needs (empty: none needed).
  std::function<void(const std::string& folder)> Prepare;
  // Runs the command over the folder.
  std::function<void(const std::string& folder)> Run;
  // The table files (names within the folder) of each set that the command writes, a list a set.
  std::function<std::vector<std::vector<std::string>>()> Sets;
};

// Every writer of a set of tables, with the program's settings (IniRec, the layout file) as the caller
// set them; IniRec.Path is the folder's, where the catalogues are.
const std::vector<TSetWriter>& SetWriters();

}  // namespace ld
