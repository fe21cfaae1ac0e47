#include "core/optim/tkz_data.h"

#include <filesystem>
#include <utility>
#include <vector>

#include "core/base/settings.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_io.h"
#include "core/tables/file_kinds.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "core/tables/table_run.h"

namespace ld {

namespace {

constexpr const char* kLayouts[] = {LayoutTkzSources, LayoutTkzRadius};

}  // namespace

void CreateTkzData(const std::string& stem) {
  const std::string title = std::filesystem::path(stem).filename().string();
  TDataFile tables[2];
  std::vector<std::pair<std::string, TDataFile*>> files;
  for (int k = 0; k < 2; ++k) {
    ReadMaket(kLayouts[k], tables[k]);
    CreateColumns(tables[k], 0);
    tables[k].Title = title;
    files.emplace_back(stem + tables[k].Extention, &tables[k]);
  }
  WriteTablesTogether(files);
}

TFileKinds TkzFileKinds() { return FamilyFileKinds({TFileFamily::TkzData}); }

TCopyReplaced TkzCopyReplaced(const std::string& stem, const std::string& newStem) {
  if (SameStem(stem, newStem)) return {};  // CopyTkzData copies nothing onto itself
  std::vector<std::string> written, sources;
  for (const TFileKind& kind : TkzFileKinds()) {
    written.push_back(newStem + kind.Ext);
    sources.push_back(stem + kind.Ext);
  }
  return ReplacedByCopy(newStem, written, TkzFileKinds(), sources);
}

TCopyReplaced TkzCreateReplaced(const std::string& stem) {
  std::vector<std::string> written;
  for (const TFileKind& kind : TkzFileKinds()) written.push_back(stem + kind.Ext);
  return ReplacedByCopy(stem, written, TkzFileKinds(), {});
}

void CopyTkzData(const std::string& stem, const std::string& newStem) {
  if (SameStem(stem, newStem)) return;
  const std::string extensions = LayoutExtensions({LayoutTkzSources, LayoutTkzRadius});
  LockTableFiles(stem, extensions);
  struct Unlock {
    const std::string &stem, &extensions;
    ~Unlock() {
      try {
        UnlockTableFiles(stem, extensions);
      } catch (...) {  // a lock that cannot be removed must not hide the copy's own outcome
      }
    }
  } unlock{stem, extensions};
  TDataFile tables[2];
  std::vector<std::pair<std::string, TDataFile*>> files;
  for (int k = 0; k < 2; ++k) {
    const std::string ext = GetMaketExtention(kLayouts[k]);
    ReadTableFile(stem + ext, tables[k]);
    tables[k].Title = RemoveExtension(fileio::FullFileName(newStem + ext));
    tables[k].FileDate = 0;
    files.emplace_back(newStem + ext, &tables[k]);
  }
  // A table of the data set under another letter case ("копия.tkd" of another workstation) would be
  // found beside the copy's own: it goes in the same run.
  for (const std::string& file : TkzCopyReplaced(stem, newStem).Removed) files.emplace_back(file, nullptr);
  WriteTablesTogether(files);
}

void WriteTkzData(const std::string& stem, TDataFile& sources, TDataFile& radius) {
  WriteTableSet({{stem + GetMaketExtention(kLayouts[0]), &sources}, {stem + GetMaketExtention(kLayouts[1]), &radius}});
}

}  // namespace ld
