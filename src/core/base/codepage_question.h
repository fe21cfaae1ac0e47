#pragma once
// The question of a code page that the bytes of a file's texts do not decide (TCodePageTally), kept apart from
// codepage.h: it quotes the text as every message does (import_text.h), which is built on codepage.h.
#include <functional>
#include <string>
#include <string_view>

namespace ld {

class TCodePageTally;

// Asks the user the code page of texts whose bytes do not decide, shown the first text as it reads in DOS
// and in Windows-1251: '<question>: первое имя читается как "…" в кодировке DOS (866) или как "…" в
// кодировке Windows-1251.\nЧитать <what> в кодировке DOS (866)? …'. A long text (a record of figures before
// its name) is shown from the word of its first byte past ASCII on, after "...", so that the two readings
// show where they differ. kCodePageDos for "Да", kCodePageWindows for "Нет", 0 for "Отмена".
int AskCodePage(const std::string& question, std::string_view first, const std::string& what);

// What a file says of its texts' code page besides their bytes.
struct TCodePageClaim {
  bool Utf8Mark = false;    // the byte-order mark of UTF-8 stands before the texts
  int Named = 0;            // the code page the file names for itself, 0 for none
  bool NamedHolds = false;  // the name holds over the bytes (a dBase header's language driver); else it
                            // counts only where the bytes do not decide (a card file's "DOSCODE" line)
};

// The one decision of the code page of a file's texts, for every reader of texts from outside: UTF-8
// after its mark or where the texts are UTF-8 (TCodePageTally::Utf8), whatever the file names; then a
// name that holds; then DOS or Windows as the bytes decide (TCodePageTally::Decided); then the name; and
// only then ask, which gives kCodePageDos, kCodePageWindows or 0 for a declined question.
int DecideCodePage(const TCodePageTally& tally, const TCodePageClaim& claim, const std::function<int()>& ask);

}  // namespace ld
