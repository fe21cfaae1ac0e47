// The files of one base path taken together: creating, copying and deleting table files.

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/settings.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"
#include "core/tables/table_run.h"
#include "core/tables/write_lock.h"

namespace ld {

namespace {

namespace fs = std::filesystem;

}  // namespace

std::vector<std::string> TableFamilyFiles(const std::string& basePath) {
  std::vector<std::string> files;
  const fs::path base(basePath);
  const std::string stem = base.filename().string();
  const fs::path folder = base.has_parent_path() ? base.parent_path() : fs::path(".");
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (FamilyExtension(stem, name).empty() || it->is_directory(ec)) continue;
    files.push_back(base.has_parent_path() ? (folder / name).string() : name);
  }
  return files;
}

namespace {

[[noreturn]] void RefuseCopySource(const std::string& source) {
  throw Error("Ошибка чтения файла \"" + fileio::FullFileName(source) + "\"");
}

// A copy's source file, refused by name where it is gone.
void RequireCopySource(const std::string& source) {
  if (!fileio::FileExists(source)) RefuseCopySource(source);
}

// The bytes of a copy's source that is no table, as they are; refused by name where it cannot be read.
std::string CopySourceBytes(const std::string& source) {
  std::string bytes;
  if (!fileio::ReadAllBytes(source, bytes)) RefuseCopySource(source);
  return bytes;
}

// The table of a copy: the source read (restructured to its current layout) and titled with the
// destination's path, to be written as a new file. Returns the stamp of the source as read.
TFileStamp ReadCopy(const std::string& source, const std::string& destination, TDataFile& table) {
  ReadTableFile(source, table);
  const TFileStamp read = table.FileDate;
  table.Title = RemoveExtension(fileio::FullFileName(destination));
  table.FileDate = 0;
  return read;
}

}  // namespace

void CreateEmptyTableFile(const std::string& fileName, const std::string& layoutName, const std::string& title) {
  TDataFile table;
  ReadMaket(layoutName, table);
  CreateColumns(table, 0);
  table.Title = title;
  WriteTableFile(fileName, table);
}

void CopyTableFile(const std::string& source, const std::string& destination) {
  const std::string fullDestination = fileio::FullFileName(destination);
  if (fileio::FullFileName(source) == fullDestination) return;
  const std::string base = RemoveExtension(source);
  const std::string ext = ExtractExtension(source);
  LockTableFiles(base, ext);
  try {
    RequireCopySource(source);
    if (IsTableFile(source)) {
      TDataFile table;
      ReadCopy(source, destination, table);
      WriteTableFile(destination, table);
    } else {
      CopyFileBytes(source, destination);
    }
  } catch (...) {
    UnlockTableFiles(base, ext);
    throw;
  }
  UnlockTableFiles(base, ext);
}

const TFileKind* FindFileKind(const TFileKinds& kinds, const std::string& file) {
  const std::string ext = ExtractExtension(fs::path(file).filename().string());
  const auto kind =
      std::find_if(kinds.begin(), kinds.end(), [&](const TFileKind& k) { return SameFileName(k.Ext, ext); });
  return kind == kinds.end() ? nullptr : &*kind;
}

namespace {

// The name a copy writes a source's file under: the target family's file of its kind, or, for a kind the
// target lacks, the stem with the extension as the program spells it.
std::string CopiedName(const std::string& destinationBase, const TFileKinds& kinds, const std::string& source) {
  const TFileKind* kind = FindFileKind(kinds, source);
  return FamilyFile(destinationBase, kind != nullptr ? kind->Ext : ExtractExtension(source));
}

}  // namespace

namespace {

// What programs that are gone left beside files of the stem that are no longer there: a run that removed
// a file leaves its lock, in-use mark and record where it was killed after its commit, and no use of that
// file comes again. A stopped run is ended (a file it removed before its commit comes back with its
// set); what a dead writer left goes as at every next use. Live holders' files stay.
void ClearStemLeftOvers(const fs::path& folder, const std::string& upperStem) {
  std::vector<std::string> gone;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() <= upperStem.size() + 1 || name.back() != '~' || name[upperStem.size()] != '.' ||
        UpperCase(name.substr(0, upperStem.size())) != upperStem)
      continue;
    // "<stem>.<ext>" before the guard's own ending ("~", ".inuse~", ".set~", ".new~.XXXXXX~", ...)
    const std::size_t extEnd = name.find_first_of(".~", upperStem.size() + 1);
    if (extEnd == std::string::npos || extEnd == upperStem.size() + 1) continue;
    const std::string table = (folder / name.substr(0, extEnd)).string();
    if (!fileio::FileExists(table) && std::find(gone.begin(), gone.end(), table) == gone.end()) gone.push_back(table);
  }
  for (const std::string& table : gone) {
    RecoverTableSet(table);
    if (!fileio::FileExists(table)) ClearOwnLeftOvers(table);
  }
}

}  // namespace

TCopyReplaced ReplacedByCopy(const std::string& destinationBase, const std::vector<std::string>& written,
                             const TFileKinds& kinds, const std::vector<std::string>& sources) {
  TCopyReplaced replaced;
  const fs::path base(destinationBase);
  const std::string stemName = base.filename().string();
  const fs::path folder = base.has_parent_path() ? base.parent_path() : fs::path(".");
  ClearStemLeftOvers(folder, UpperCase(stemName));
  std::vector<std::string> writtenFull, sourceFull;
  // a file written over is the one of its kind the family has, whatever the letter case of its name
  for (const std::string& file : written) writtenFull.push_back(fileio::FullFileName(FamilyFile(file)));
  for (const std::string& file : sources) sourceFull.push_back(fileio::FullFileName(file));
  const auto among = [](const std::vector<std::string>& list, const std::string& name) {
    return std::find(list.begin(), list.end(), name) != list.end();
  };
  // A family the copy writes a file of goes whole: none of its earlier files stays beside the copy's.
  std::vector<TFileFamily> writtenFamilies;
  for (const std::string& file : written)
    if (const TFileKind* kind = FindFileKind(kinds, file); kind != nullptr && kind->Family != TFileFamily::Other)
      writtenFamilies.push_back(kind->Family);
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    // "копия.rgm" is the protocol of "Копия" as much as "Копия.RGM" is
    const std::string ext = UpperCase(FamilyExtension(stemName, name));
    if (ext.empty() || it->is_directory(ec)) continue;
    const std::string file = base.has_parent_path() ? (base.parent_path() / name).string() : name;
    const std::string full = fileio::FullFileName(file);
    if (among(writtenFull, full)) {
      replaced.Written.push_back(file);
      continue;
    }
    // A source's own file is never taken for the target's, whatever letter case the two stems differ in.
    if (among(sourceFull, full)) continue;
    const TFileKind* kind = FindFileKind(kinds, name);
    const bool sameKind = (kind != nullptr && (kind->Replaced || std::find(writtenFamilies.begin(), writtenFamilies.end(),
                                                                           kind->Family) != writtenFamilies.end())) ||
                          std::any_of(written.begin(), written.end(),
                                      [&](const std::string& w) { return UpperCase(ExtractExtension(w)) == ext; });
    if (sameKind) replaced.Removed.push_back(file);
  }
  std::sort(replaced.Written.begin(), replaced.Written.end());
  std::sort(replaced.Removed.begin(), replaced.Removed.end());
  for (const auto* list : {&replaced.Written, &replaced.Removed})
    for (const std::string& file : *list) {
      const TFileKind* kind = FindFileKind(kinds, file);
      replaced.Named.push_back({file, kind != nullptr && !kind->What.empty() ? kind->What : "прочий файл",
                                kind != nullptr ? kind->Family : TFileFamily::Other});
    }
  return replaced;
}

TCopyReplaced CopyReplacedFiles(const std::string& sourceBase, const std::string& destinationBase,
                                const TFileKinds& kinds, const std::vector<std::string>& made) {
  if (SameStem(sourceBase, destinationBase)) return {};  // CopyTableFiles copies nothing onto itself
  const std::vector<std::string> sources = TableFamilyFiles(sourceBase);
  std::vector<std::string> written;
  for (const std::string& file : sources) written.push_back(CopiedName(destinationBase, kinds, file));
  for (const std::string& ext : made) written.push_back(FamilyFile(destinationBase, ext));
  return ReplacedByCopy(destinationBase, written, kinds, sources);
}

namespace {

// How a question names a family: what says that it exists, its files, and the new family that replaces it.
struct TFamilyWords {
  TFileFamily Family;
  const char *Exists, *Files, *New;
};
constexpr TFamilyWords kFamilyWords[] = {
    {TFileFamily::Base, "База с таким именем уже существует.", "файлы базы РЭС", "в новой базе"},
    {TFileFamily::Scheme, "Схема с таким именем уже существует.", "файлы схемы", "в новой схеме"},
    {TFileFamily::TkzData, "Данные с таким именем уже существует.", "файлы данных т.к.з.", "в новых данных т.к.з."},
};

const TFamilyWords& WordsOf(TFileFamily family) {
  for (const TFamilyWords& words : kFamilyWords)
    if (words.Family == family) return words;
  static constexpr TFamilyWords kOther = {TFileFamily::Other, "Файлы с таким именем уже существуют.", "файлы",
                                          "в новых файлах"};
  return kOther;
}

}  // namespace

std::string CopyReplaceQuestion(const std::string& exists, const TCopyReplaced& replaced, TReplacedBy by,
                                TFileFamily family) {
  const auto named = [&](const std::string& file) -> const TCopyReplaced::TNamed* {
    for (const TCopyReplaced::TNamed& n : replaced.Named)
      if (n.File == file) return &n;
    return nullptr;
  };
  // A file of no known kind goes with the command's own files: the copy brings it, or it is of the
  // family's extension.
  const auto familyOf = [&](const std::string& file) {
    const TCopyReplaced::TNamed* n = named(file);
    return n == nullptr || n->Family == TFileFamily::Other ? family : n->Family;
  };
  const auto names = [&](const std::vector<std::string>& files, TFileFamily of) {
    std::string list;
    for (const std::string& file : files) {
      if (familyOf(file) != of) continue;
      list += (list.empty() ? "" : ", ") + fs::path(file).filename().string();
      if (const TCopyReplaced::TNamed* n = named(file)) list += " (" + n->What + ")";
    }
    return list;
  };
  // the command's own family first, then the others in the order of the list
  std::vector<TFileFamily> families = {family};
  for (const std::vector<std::string>* files : {&replaced.Written, &replaced.Removed})
    for (const std::string& file : *files)
      if (std::find(families.begin(), families.end(), familyOf(file)) == families.end())
        families.push_back(familyOf(file));
  const std::string where = by == TReplacedBy::Copy ? "в копии" : WordsOf(family).New;
  std::string text;
  for (const TFileFamily of : families) {
    const std::string written = names(replaced.Written, of), removed = names(replaced.Removed, of);
    if (written.empty() && removed.empty()) continue;
    if (text.empty()) text = of == family ? exists : WordsOf(of).Exists;
    const std::string files = of == family ? "файлы" : WordsOf(of).Files;
    if (!written.empty()) text += "\nБудут заменены " + files + ": " + written + ".";
    if (!removed.empty()) text += "\nБудут удалены " + files + ", которых " + where + " не будет: " + removed + ".";
  }
  return text + "\nПерезаписать ?";
}

// The same stem in the same folder, whatever the letter case of either: one family.
bool SameStem(const std::string& stem, const std::string& other) {
  return SameFileName(fileio::FullFileName(stem), fileio::FullFileName(other));
}

void CopyTableFiles(const std::string& sourceBase, const std::string& destinationBase, const TFileKinds& kinds,
                    const TTableChange& change, const TCopiedBytes& copied, const std::vector<TRunBytes>& made) {
  if (SameStem(sourceBase, destinationBase)) return;
  std::vector<std::string> files = TableFamilyFiles(sourceBase);
  if (files.empty()) return;
  // The files go in the order of their kinds, not of the folder: a district base's tables are written
  // before the scheme formed from them, as forming writes them, so the copy's scheme is not older than
  // its base.
  const auto rank = [&kinds](const std::string& file) {
    const TFileKind* kind = FindFileKind(kinds, file);
    return kind == nullptr ? kinds.size() : static_cast<std::size_t>(kind - kinds.data());
  };
  std::sort(files.begin(), files.end());
  std::stable_sort(files.begin(), files.end(),
                   [&](const std::string& a, const std::string& b) { return rank(a) < rank(b); });
  std::string extensions;
  for (const std::string& file : files) {
    if (!extensions.empty()) extensions += ',';
    extensions += ExtractExtension(file);
  }
  LockTableFiles(sourceBase, extensions);
  try {
    std::vector<std::unique_ptr<TDataFile>> tables;
    std::vector<std::pair<std::string, TDataFile*>> written;
    std::vector<std::string> others;
    TRunBytes::TWritten read;
    for (const std::string& file : files) {
      const std::string ext = ExtractExtension(file);
      RequireCopySource(file);
      if (!IsTableFile(file)) {
        others.push_back(file);
        continue;
      }
      auto& table = *tables.emplace_back(std::make_unique<TDataFile>());
      read.emplace_back(file, ReadCopy(file, destinationBase + ext, table));
      if (change) change(ext, table);
      written.emplace_back(CopiedName(destinationBase, kinds, file), &table);
    }
    // The files that are no tables go in the tables' run, and so does the removal of the target family's
    // files that the source lacks (an older journal or protocol would be taken for the copy's own): a
    // copy stopped anywhere leaves the old family or the whole new one.
    std::vector<TRunBytes> bytes;
    for (const std::string& file : others) {
      bytes.push_back({CopiedName(destinationBase, kinds, file), CopySourceBytes(file)});
      if (copied) copied(bytes.back(), read);
    }
    std::vector<std::string> madeExts;
    for (const TRunBytes& file : made) {
      bytes.push_back(file);
      madeExts.push_back(ExtractExtension(file.file));
    }
    for (const std::string& file : CopyReplacedFiles(sourceBase, destinationBase, kinds, madeExts).Removed)
      written.emplace_back(file, nullptr);
    WriteTablesTogether(written, bytes);
  } catch (...) {
    UnlockTableFiles(sourceBase, extensions);
    throw;
  }
  UnlockTableFiles(sourceBase, extensions);
}

void WriteTableSet(const std::vector<std::pair<std::string, TDataFile*>>& files) { WriteTablesTogether(files); }

void WriteTableSet(const std::vector<std::pair<std::string, TDataFile*>>& files, const std::vector<TRunBytes>& bytes) {
  WriteTablesTogether(files, bytes);
}

void DeleteTableFiles(const std::string& basePath) {
  // A run stopped halfway is put back first: its records and second names would otherwise outlive the
  // tables and bring the old set back over new tables of the same names.
  for (const std::string& file : TableFamilyFiles(basePath)) RecoverTableSet(file);
  const std::vector<std::string> files = TableFamilyFiles(basePath);
  // Every file is checked before the first goes, so a locked table keeps its whole family.
  for (const std::string& file : files) CheckFileFree(file, 0);
  for (const std::string& file : files) {
    TInUseMark mark;
    if (!WaitFileAccess(file, mark) || (::unlink(file.c_str()) != 0 && errno != ENOENT)) {
      throw Error("Ошибка удаления файла \"" + file + "\"");
    }
  }
}

}  // namespace ld
