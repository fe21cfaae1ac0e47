#pragma once
// The lines of a text file from outside (exchange files, card files, feeder files), read whole. A copy
// that stopped, a download cut off or a full disk leave the first part of such a file: every writer of
// these formats ends each line, so a last line without its end is a line cut inside, and its last field
// may be the first digits of a number. Such a file is refused by name; one cut exactly at a line's end
// cannot be told from a whole one, and its import says how many records it took.
#include <string>
#include <vector>

namespace ld {

class TCodePageTally;

struct TTextLines {
  std::vector<std::string> Lines;  // as the file holds them (its code page), without CR LF or LF
  bool LastEnded = true;           // the last line has its line end (or the file is empty)
  bool Utf8Mark = false;           // the file began with the byte-order mark of UTF-8
};

// The whole file split at LF (a CR before it dropped); a DOS end-of-file mark (Ctrl+Z) after the last line
// is no part of it, nor is the byte-order mark that an editor saving in UTF-8 puts before the first line
// (Utf8Mark). A folder, a missing or an unreadable file throws ld::Error naming the file and why.
TTextLines ReadTextLines(const std::string& fileName);

// Refuses, naming the file and the line (counted from 1), a file whose last line that holds a record
// lost its end: 'Ошибка чтения файла "<file>": строка <n> оборвана ...'.
void RequireLastLineEnded(const TTextLines& text, const std::string& fileName);

// The code page of the texts of a file from outside (the names of a card file, the titles of a graph file,
// the lines of an exchange file), which the tally has counted text by text, by the one decision of every
// reader (DecideCodePage): UTF-8 after its byte-order mark (utf8Mark), else as the bytes decide; where they
// do not, the code page the file names for itself (a card file's "DOSCODE" line; 0 for none), else the
// user's answer to AskCodePage. No
// question is asked of texts with a control character inside (a binary file read under the name): their
// reader refuses them by it. An answer that declines throws ld::Error naming the file.
int TextCodePage(const std::string& fileName, const TCodePageTally& tally, bool utf8Mark, int named = 0);

// The refusal of a file that cannot be read as it is, naming it and why ("это папка", "нет прав на
// чтение", "файл не найден"); empty when it can be opened for reading.
std::string UnreadableFileFault(const std::string& fileName);

}  // namespace ld
