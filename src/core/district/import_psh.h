#pragma once
// A new district base from the feeder files of a network-drawing program: text files ".psh" in the DOS
// code page, one per 10 kV feeder, in a folder and its direct subfolders. Each line from the third on
// describes one piece of a feeder in fixed columns; pieces that continue a section ("+") or run beside
// it ("=") join it, and the transformers met at section ends become station rows.
#include <string>
#include <vector>

#include "core/base/import_messages.h"
#include "core/district/base_import.h"

namespace ld {

// One section of a feeder file as it is built from its lines.
struct TPshSection {
  std::string Name1, Name2, LineMark, TransMark, TransName, State;
  char32_t SwitchBeg = U' ', SwitchEnd = U' ';  // 'В', 'Н', 'Р' or a space
  bool LengthRead = false;  // the line gave its length as a number (a bus connection needs none)
};

// A substation feeder's name as the bases name it: a name of more than two characters that is no
// station ("РП", "ТП", "СД", "Т.", "КТП") and begins with two non-digits gets "." before its final
// digit, or ".1" without one, and then ".10" ("ЛЕСНАЯ2" gives "ЛЕСНАЯ.2.10"). Others stay.
std::string ExpandFeedName(const std::string& name);

// Cuts one line (code page 866 bytes, as read from the file) into a section. A length that is no
// number adds "Файл <file>. Строка <n>. Неверно задана длина линии" and counts as 0.
void ParsePshLine(const std::string& line, TPshSection& section, const std::string& fileName, int lineNumber,
                  std::vector<std::string>& messages);
void ParsePshLine(const std::string& line, TPshSection& section, const std::string& fileName, int lineNumber,
                  TImportMessages& messages);

// Reads every ".psh" file of the stem's folder and of its direct subfolders (the folder first, then
// the subfolders by name, the files of each by name) into a new base of the stem. Messages: the bad
// lengths, the first kMaxImportMessages of them and a line of how many more. Progress: after each file
// the share of files done. A file that cannot be read throws ld::Error naming it; so does a line with a
// name or mark that the tables cannot hold as read (a character without a Windows-1251 code), naming
// the line and its columns. A line is whole when it names the section's begin and its length reads: a
// file that has lines of sections, none of them whole, is refused by its name (RefuseIfNothingTaken);
// a file of fewer than three lines adds nothing. When no file gives a whole line, the folder is refused
// as PshFolderSource, the reason naming the first file and line that was not taken. Returns the whole
// lines of all the files.
TImportTaken ImportPshFolder(const std::string& baseStem, TBaseImport& base, const TImportProgress& progress = {});

// The source that a folder import names: "<folder of the stem>/*.psh".
std::string PshFolderSource(const std::string& baseStem);

}  // namespace ld
