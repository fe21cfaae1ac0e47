#include "core/tables/file_import.h"

#include <algorithm>
#include <filesystem>

#include "core/base/error.h"
#include "core/base/msgbox.h"
#include "core/base/text_lines.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"
#include "core/tables/table_reader.h"
#include "core/tables/table_run.h"

namespace ld {

void NameRowNotTaken(int row, const std::string& who, TRowNotTaken why, TImportMessages& messages,
                     TImportTaken& taken) {
  std::string text = who + (why == TRowNotTaken::NotInBase ? " - не найден в базе РЭС" : " - дублирование данных");
  taken.NotTakenAt(row, text);
  messages.Add(std::move(text));
}

std::string NothingImportedText(const std::string& source, const std::string& reason, const std::string& sheet) {
  std::string text = "Ошибка чтения файла \"" + fileio::FullFileName(source) + "\": ";
  // "лист "Быт", строка 3: ..." of a row; "лист "Сотрудники": не является ..." of the sheet as a whole
  if (!sheet.empty()) text += "лист \"" + sheet + "\"" + (reason.rfind("строка ", 0) == 0 ? ", " : ": ");
  if (!sheet.empty() && reason.empty()) {
    text += "на листе нет ни одной строки, которую берет импорт: ";
  } else if (!reason.empty()) {
    text += reason + ": ";
  } else {
    // a read that met no item at all (an empty file, a heading row alone, a base of no records) still
    // says what the person is to look for
    std::error_code ec;
    const bool file = std::filesystem::is_regular_file(source, ec);
    text += file && std::filesystem::file_size(source, ec) == 0
                ? "файл пуст: "
                : std::string(file ? "в файле " : "") + "нет ни одной строки или записи, которую берет импорт: ";
  }
  return text + "нет данных для импорта, ничего не изменено";
}

std::string NothingChangedText(const std::string& text) {
  static const std::string kNothingChanged = "ничего не изменено";
  return text.find(kNothingChanged) == std::string::npos ? text + ", " + kNothingChanged : text;
}

std::string ImportSummaryText(const std::string& source, const std::string& summary) {
  return "Импорт из файла \"" + fileio::FullFileName(source) + "\" закончен, взято: " + summary;
}

void RefuseIfNothingTaken(const std::string& source, const TImportTaken& taken) {
  if (taken.Items <= 0) throw Error(NothingImportedText(source, taken.FirstReason, taken.Sheet));
}

bool ConfirmReplaceFiles(const std::vector<std::string>& files, const std::string& question) {
  if (std::none_of(files.begin(), files.end(), [](const std::string& f) { return fileio::FileExists(f); }))
    return true;
  return ShowMsgForm(question, mkWarning, mbYesNoCancel) == 1;
}

void RequireTableFile(const std::string& file, const std::string& layout) {
  if (!fileio::FileExists(file)) return;
  // a file that cannot be read may well be a table: it is named for what keeps it from being read
  if (const std::string fault = UnreadableFileFault(file); !fault.empty())
    throw Error("Ошибка чтения файла \"" + fileio::FullFileName(file) + "\": " + fault);
  if (!IsTableFile(file))
    throw Error("Ошибка чтения файла \"" + fileio::FullFileName(file) + "\": файл не является таблицей \"" + layout +
                "\"");
}

void RequireTableFields(const std::string& file, const std::vector<std::string>& fields) {
  TTableFileIn in(file, RecoverTableSetForRead(file));
  in.CheckSignature();
  in.ReadHeader();
  if (!in.Restructured()) return;
  in.SkipMarks();
  const std::vector<TFileSection> sections = in.ScanSections();
  for (const std::string& field : fields)
    if (std::none_of(sections.begin(), sections.end(), [&](const TFileSection& s) { return s.FieldName == field; }))
      throw Error("Ошибка чтения файла \"" + fileio::FullFileName(file) + "\": в файле нет столбца \"" + field +
                  "\", который берет импорт: файл обрезан (недокопирован) или записан другой программой");
}

TImportEnd RunFileImport(const TFileImport& import) {
  TImportTaken taken;
  try {
    taken = import.Read();
  } catch (const Error& e) {
    // whatever the reader refused, the command has written nothing yet: the person is told so
    throw Error(NothingChangedText(e.what()));
  }
  RefuseIfNothingTaken(import.Source, taken);
  if (import.Replaces && !import.Question.empty() && !ConfirmReplaceFiles(import.Replaces(), import.Question))
    return TImportEnd::Declined;
  std::vector<std::pair<std::string, TDataFile*>> tables = import.Tables;
  if (import.Family) {
    const TCopyReplaced replaced = import.Family();
    if (!replaced.Empty() &&
        ShowMsgForm(CopyReplaceQuestion(import.Exists, replaced, TReplacedBy::Import, import.Of), mkWarning, mbYesNoCancel) != 1)
      return TImportEnd::Declined;
    for (const std::string& file : replaced.Removed) tables.emplace_back(file, nullptr);
  }
  if (!tables.empty()) WriteTablesTogether(tables);
  if (import.Write) import.Write();
  if (!taken.Summary.empty()) ShowMsgForm(ImportSummaryText(import.Source, taken.Summary), mkInfo, mbOk);
  return TImportEnd::Written;
}

}  // namespace ld
