#pragma once
// Every reader of a text or fixed-record file from outside that makes tables of the program (a scheme, a
// district base, graphs of the catalogue), as its import command reads the chosen file. Each knows
// where its data must end; the list is the one place a new reader is added, so that whatever checks the
// readers as a whole meets it too.
#include <functional>
#include <string>
#include <vector>

#include "core/tables/file_import.h"

namespace ld {

struct TOutsideReader {
  std::string Command;    // the import command as a user finds it ("Импорт ЦДУ")
  std::string Extension;  // of the file the user chooses (".CDU")
  // Reads the chosen file, with the files that go with it (the LIN partner of a PNT file, the other
  // feeder files of its folder, the values of a catalogue), whole into memory as the command reads it,
  // writing nothing; throws ld::Error naming the file, or gives what it took.
  std::function<TImportTaken(const std::string& file)> Read;
};

const std::vector<TOutsideReader>& OutsideReaders();

}  // namespace ld
