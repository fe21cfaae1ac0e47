#pragma once
// The 0.4 kV lines of a district from a dBase file of line sections, one record per section: the
// base's table "Формат РЭС (0.4 кВ)" is replaced by its lines, all of them, only the subscribers' or
// only the network's.
#include <string>
#include <vector>

#include "core/base/callbacks.h"
#include "core/district/base_import.h"
#include "core/office/dbf_table.h"
#include "core/tables/layout.h"

namespace ld {

// Kinds of lines taken (TypLin04): 0 all, 1 subscriber lines (mark "А"), 2 network lines; any other
// value takes none.
struct TLine04Request {
  std::string BaseStem;
  std::string Path;
  int Kind = 0;
  std::string Prefix;  // put in front of every station name
};

// The lengths that are no number shown each in its box ("Неверно задана длина линии в строке <k>"); the
// rest are counted in one line of the import's messages.
inline constexpr int kMaxLengthBoxes = 10;

// Walks the open table into the empty table of the layout, sorted by NameTP, Ntr, Fider. A length that
// is no number is shown in a warning box (the first kMaxLengthBoxes of them; then the line "Еще строк с
// неверно заданной длиной линии: <n>" in info) and its text taken as it stands. Returns the lines taken;
// none, with the reason, when the file lacks a field that every record needs (MissingDbfField of
// NAMETP, ABON, NTR, FIDER, PRIM) or has no line of the kind asked for. A record that cannot be read, or
// a text the table takes (the length text included) with a character the tables cannot hold, a control
// character, or too long for its field (CheckDbfFieldFit; a station or transformer carried down is named
// by the record that gave it), throws its refusal naming the file and the record. Every message numbers
// a record as the boxes do: k counts the records walked, deleted ones passed over. A line before the
// first record that names a station has none: it is named in info ("Линии 0.4 кВ. Строка <k> - не
// задана ТП ...") and makes its row, but only lines with a station are taken, so that a base of none
// gives nothing.
TImportTaken ReadLines04Dbf(TDbfTable& dbf, const TLine04Request& request, TDataFile& table,
                            std::vector<std::string>& info, const TImportProgress& progress = {});

// The whole command along the one import path: the stem's 0.4 kV table locked, the file read whole and
// the table written in place of the old one. A file that gives no line, or that the reader refuses
// ("Ошибка чтения базы линий 0.4 кВ (файл <path>): <the reader's reason>"), throws its refusal naming the
// file and saying that nothing was changed, the table left as it was; a lock held by someone else throws
// the table store's error; without a file named, "Не выбран файл базы линий 0.4 кВ".
void ImportLines04Dbf(const TLine04Request& request, std::vector<std::string>& info,
                      const TImportProgress& progress = {}, const TStageProc& stage = {});

}  // namespace ld
