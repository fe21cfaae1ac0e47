#pragma once
// Every reader of a text or fixed-record file from outside that makes tables of the program (a scheme, a
// district base, graphs of the catalogue), as its import command reads the chosen file. Each knows
// where its data must end; the list is the one place a reader is named: each import command finds its
// reader here by name (FindOutsideReader) and runs it, so that whatever checks the readers as a whole
// checks what the commands run.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/catalogs/import_rows.h"
#include "core/district/base_import.h"
#include "core/tables/file_import.h"
#include "core/tables/layout.h"

namespace ld {

// What a run of a reader is given besides the chosen file, and what it hands back for its command to
// write. A run given nothing reads the file as a check of it does, into tables of its own.
struct TOutsideRun {
  // Given.
  std::vector<std::string> Files;          // *.RS, network workbooks: every file chosen (the chosen file alone when empty)
  std::string BaseStem;                    // *.RS, *.PSH, network workbooks: the new base ("импорт" beside the file when empty)
  const TDataFile* Nodes = nullptr;        // PNT,LIN: the open scheme's tables that the records go over
  const TDataFile* Branches = nullptr;     //   (empty tables of their layouts when not given)
  const TDataFile* Catalog = nullptr;      // *.LB: the open catalogue (an empty one when not given)
  TImportProgress Progress;
  // Handed back. The district readers build their base where Base points (a base of the run's own when
  // null), so that its messages outlive a refusal.
  TBaseImport* Base = nullptr;
  // CDU and PNT,LIN: the nodes and branches read; *.GRC: the other catalogue and its values.
  std::vector<TDataFile> Tables;
  std::vector<TImportedGraph> Graphs;      // *.LB: the graphs new to the catalogue
};

struct TOutsideReader {
  std::string Command;    // the import command as a user finds it ("Импорт ЦДУ")
  std::string Extension;  // of the file the user chooses (".CDU")
  // Reads the chosen file, with the files that go with it (the LIN partner of a PNT file, the other
  // feeder files of its folder, the values of a catalogue), whole into memory as the command reads it,
  // writing nothing; throws ld::Error naming the file, or gives what it took.
  std::function<TImportTaken(const std::string& file, TOutsideRun& run)> ReadInto;
  // The same with nothing given, whatever it read left behind: a check of the file.
  TImportTaken Read(const std::string& file) const {
    TOutsideRun run;
    return ReadInto(file, run);
  }
};

const std::vector<TOutsideReader>& OutsideReaders();
// The reader of that command; throws ld::Error for one the list does not hold.
const TOutsideReader& FindOutsideReader(std::string_view command);

// The names of the list, as the commands find their readers.
inline constexpr char kCardsReader[] = "Режим / Схема / Импорт ЦДУ";
inline constexpr char kPntLinReader[] = "Режим / Узлы схемы / Чтение файлов PNT,LIN";
inline constexpr char kPshReader[] = "База РЭС / Сеть / Импорт (*.PSH)";
inline constexpr char kRsReader[] = "База РЭС / Сеть / Импорт (*.RS)";
inline constexpr char kNetWorkbooksReader[] = "База РЭС / Сеть / Импорт (ЗУРАН)";
inline constexpr char kLBReader[] = "Каталог графиков / Импорт из файлов *.LB";
inline constexpr char kGrcReader[] = "Каталог графиков / Импорт из файлов *.GRC, *.GRV";

}  // namespace ld
