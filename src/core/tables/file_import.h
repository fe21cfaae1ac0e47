#pragma once
// The one path of every command that makes or replaces tables (or a catalogue, or the rows of the open
// grid) from a file the user chose:
//  1. the whole file is read into memory first (Read), and nothing on disk changes meanwhile;
//  2. the read says how many items (rows, records, cards, graphs) it took whole, and why the first one
//     was not taken: a file of another kind gives none;
//  3. a file that gives none is refused before anything is written, naming the file and the first
//     reason, and saying that nothing was changed (NothingImportedText);
//  4. only then is the user asked, where the command asks, whether existing files are to be replaced;
//  5. the tables of the command are written in one run of the table store (WriteTablesTogether), or by
//     the command's own Write for what is no table;
//  6. a refusal throws before the command's open base, scheme or grid is touched, so the caller leaves
//     them open as they were.
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/import_messages.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"

namespace ld {

// What a read of a whole file took.
struct TImportTaken {
  TImportTaken() = default;
  TImportTaken(long long items, std::string firstReason, std::string summary = {})
      : Items(items), FirstReason(std::move(firstReason)), Summary(std::move(summary)) {}

  long long Items = 0;       // the items taken whole
  std::string FirstReason;   // why the first item that was not taken was not ("поле NDOGOV не найдено")
  // The workbook sheet that was read, which the refusal names: a workbook import reads the first sheet
  // alone, and the person who sees another sheet first is told which one gave nothing.
  std::string Sheet;
  // What was taken, counted, for a format in which a file cut exactly at a line's end reads as a whole
  // one ("узлов 33, ветвей 37"): the import's closing message says it, so that a person who knows the
  // file sees a part of it missing. Empty: no closing message.
  std::string Summary;
  // The row of the empty cell at which a sheet reader that ends its data there stopped (0: none): what
  // stands below it was not read, which the import says.
  int DataEnd = 0;
  // Keeps the first reason only: later ones are the same fault over again.
  void NotTaken(std::string reason) {
    if (FirstReason.empty()) FirstReason = std::move(reason);
  }
  // The same for an item of a row of the file: "строка <row>: <reason>".
  void NotTakenAt(long long row, std::string_view reason) {
    if (FirstReason.empty()) FirstReason = "строка " + std::to_string(row) + ": " + std::string(reason);
  }
};

// Why a sheet row that names something is not taken: what it names is none of the base's (or the
// scheme's), or an earlier row of the sheet named it already (the earlier row is taken).
enum class TRowNotTaken { NotInBase, Repeated };
// Names such a row, in every measurement import alike (the district's and the regime's): '<who> - не
// найден в базе РЭС' or '<who> - дублирование данных' in the messages, and the same as the row's reason
// not to be taken.
void NameRowNotTaken(int row, const std::string& who, TRowNotTaken why, TImportMessages& messages,
                     TImportTaken& taken);

// 'Ошибка чтения файла "<full path>": <reason>: нет данных для импорта, ничего не изменено': the refusal
// of a file from which an import takes nothing. Without a reason the file is said to be empty, or to
// hold no row or record that the import takes. A workbook's sheet is named before the reason, as a cell
// is named ('лист "Справка", строка 2: ...', 'лист "Справка": на листе нет ни одной строки ...').
std::string NothingImportedText(const std::string& source, const std::string& reason = {},
                                const std::string& sheet = {});

// The refusal of a read that failed before anything was written: the reader's text (which names the
// file) with ", ничего не изменено" after it, unless it says so already.
std::string NothingChangedText(const std::string& text);

// 'Импорт из файла "<full path>" закончен, взято: <summary>': the closing message of an import whose
// format cannot tell a file cut at a line's end from a whole one.
std::string ImportSummaryText(const std::string& source, const std::string& summary);

// A command that reads several files the user chose (several network files, the bases of one subscriber
// command) refuses the whole command by the name of one that gave nothing, as RunFileImport refuses its
// one file: throws ld::Error with NothingImportedText(source, taken.FirstReason, taken.Sheet) when
// taken.Items is 0.
void RefuseIfNothingTaken(const std::string& source, const TImportTaken& taken);

// Whether a command may write over those of the files that exist: true when none exists, else the
// question (a warning with "Да", "Нет" and "Отмена") answered "Да".
bool ConfirmReplaceFiles(const std::vector<std::string>& files, const std::string& question);

// Refuses, naming the file and why, a chosen file that exists and is no table of the program (a file of
// another program given where a table of the layout `layout` is read); the read of a table says no more
// than that it failed. A file that cannot be read (no read rights) is refused saying so.
void RequireTableFile(const std::string& file, const std::string& layout);

// Refuses, naming the file and the field, a table file that lacks a column the import reads. The table
// store reads a column the file lacks as empty (a file written under an older layout), and a file cut
// exactly at the end of a column's data looks the same: its later columns would be taken as empty. A
// file of the old format, whose columns follow in the layout's order, fails its read when cut.
void RequireTableFields(const std::string& file, const std::vector<std::string>& fields);

struct TFileImport {
  // The file the user chose (for a folder import, the folder's mask); every refusal names it.
  std::string Source;
  // Reads the whole file into the command's memory and says what it took. A damaged file throws
  // ld::Error with a text that names it. Required.
  std::function<TImportTaken()> Read;
  // Files the command would replace; when one of them exists, Question is asked after the read, and
  // any answer but "Да" ends the import with nothing written. Either may be empty: no question.
  std::function<std::vector<std::string>()> Replaces;
  std::string Question;
  // The tables written in one run once the read took something and the user agreed; filled by Read
  // or before it. The pointers stay the caller's; a file given without a table is removed in the run.
  std::vector<std::pair<std::string, TDataFile*>> Tables;
  // What is written besides the tables, after them (a catalogue's file, the grid's rows); may be empty.
  std::function<void()> Write;
  // For a command that replaces a family of files, instead of Replaces and Question: what it replaces
  // there, found once the read took something. When that is not empty, the question names each file
  // (CopyReplaceQuestion with Exists, of the family Of), and the files it removes go in the tables' run.
  std::function<TCopyReplaced()> Family = {};
  std::string Exists = {};
  TFileFamily Of = TFileFamily::Other;
};

enum class TImportEnd { Written, Declined };

// Runs the import along the path above. Throws ld::Error with NothingImportedText when the read took
// nothing, the read's own error with NothingChangedText, and lets the write's errors through; Declined
// when the user did not agree to replace files; Written otherwise, after the closing message
// (ImportSummaryText) of a read that counted what it took.
TImportEnd RunFileImport(const TFileImport& import);

}  // namespace ld
