#pragma once
// The question of a code page that the bytes of a file's texts do not decide (TCodePageTally), kept apart from
// codepage.h: it quotes the text as every message does (import_text.h), which is built on codepage.h.
#include <string>
#include <string_view>

namespace ld {

// Asks the user the code page of texts whose bytes do not decide, shown the first text as it reads in DOS
// and in Windows-1251: '<question>: первое имя читается как "…" в кодировке DOS (866) или как "…" в
// кодировке Windows-1251.\nЧитать <what> в кодировке DOS (866)? …'. A long text (a record of figures before
// its name) is shown from the word of its first byte past ASCII on, after "...", so that the two readings
// show where they differ. kCodePageDos for "Да", kCodePageWindows for "Нет", 0 for "Отмена".
int AskCodePage(const std::string& question, std::string_view first, const std::string& what);

}  // namespace ld
