#pragma once
// A new district base built from outside network data: its line table "Формат РЭС (линии)", its
// station table "Формат РЭС (ТП,РП)" and the list of the doubtful rows met on the way. The imports
// gather their rows in memory and make the two tables at the end; the base's files on disk are
// replaced only once the sources were read whole and both tables are written (ImportBase), so a source
// that cannot be read or a write that fails leaves the old base as it was.
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/import_text.h"
#include "core/tables/file_import.h"
#include "core/tables/layout.h"

namespace ld {

struct TBaseImport {
  TDataFile Lines;
  TDataFile Stations;
  std::vector<std::string> Messages;
};

// The position of an import's progress bar, 0..100.
using TImportProgress = std::function<void(int position)>;

// One row of the line table as an import makes it. Characters are held as characters and stored in
// the table's code page.
struct TImportLine {
  char32_t Sign = 0, Commut = 0;
  std::string Text, Name1, Name2, Un, DSNum, MarkCom1, MarkCom2, KodLine;
};

// One row of the station table as an import makes it.
struct TImportStation {
  std::string Name1, Ntr, Transform;
  int T = 0;
  double Pn = 0, Qn = 0;
  char32_t A = 0;
};

// Station rows kept in the order of the station table's keys (Name1, then Ntr, compared as the
// table store compares texts: upper-cased, by their Windows-1251 codes), as if each had been inserted
// at its sorted place. Names that differ only in letter case are one station.
class TSortedStations {
public:
  // The row of that station and transformer; nullptr when there is none.
  TImportStation* Find(const std::string& name, const std::string& ntr);
  // The last row of the station in key order (as a binary search of the sorted Name1 column finds
  // it); nullptr when the station has no row.
  TImportStation* LastOf(const std::string& name);
  // A new row of the station and transformer; an existing one is returned as it is.
  TImportStation& Insert(const std::string& name, const std::string& ntr);
  // The rows in key order.
  std::vector<TImportStation> Rows() const;

private:
  // The sort key of a text: per upper-cased character its Windows-1251 order in three bytes, so that
  // keys compare as the table store compares the texts.
  static std::string Key(const std::string& text);
  // station key -> transformer key -> row
  std::map<std::string, std::map<std::string, TImportStation>> rows_;
};

// The line and station tables of the rows, titled with the base's file name (no folder). Texts go in as
// they are: an import refuses, with ImportTextFault, what the tables cannot hold before it gets here.
void MakeBaseTables(const std::vector<TImportLine>& lines, const std::vector<TImportStation>& stations,
                    const std::string& baseStem, TBaseImport& base);

// What the question before the files of a base are replaced by others says first (CopyReplaceQuestion).
inline constexpr char kBaseExists[] = "База с таким именем уже существует.";

// A new base of the stem from the files the user chose, along the one import path (RunFileImport): the
// stem's line and station tables are locked for the run; build reads every source whole into base and
// says what it took, refusing by name a source that gives nothing (source names the one the command
// was given); only then, when a file of the base or of the scheme formed from it exists, the question
// names each file that goes (kBaseExists); then the new tables take the place of that base and scheme in
// one run. Without station rows and with writeEmptyStations unset, the station table is not written and
// an old one is removed in the same run, so the new base has none. A refusal throws with nothing of the
// old base changed; Declined when the answer was not "Да".
TImportEnd ImportBase(const std::string& source, const std::string& baseStem, bool writeEmptyStations,
                      TBaseImport& base, const std::function<TImportTaken()>& build);

// ---- helpers shared by the imports

// 'Ошибка чтения файла "<file>": строка <row>, <field>: <reason>', the refusal of a source file for a
// value that an import cannot take.
std::string ImportRowMessage(const std::string& file, long long row, const std::string& field,
                             const std::string& reason);

// True for a text of only digits with an optional sign that fits an Integer; value takes it.
bool IsIntegerText(const std::string& text, int& value);

}  // namespace ld
