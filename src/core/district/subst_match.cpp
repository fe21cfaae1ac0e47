#include "core/district/subst_match.h"

#include <algorithm>
#include <unordered_map>

#include "core/base/codepage.h"
#include "core/base/dynarray.h"
#include "core/base/settings.h"
#include "core/regime/configuration.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"

namespace ld {

namespace {

bool LessUpper(const std::string& a, const std::string& b) { return CompareCp1251(UpperCase(a), UpperCase(b)) < 0; }

// The tables of a base that name substations, each with its columns of names.
struct TNameColumns {
  TDataFile* Table;
  std::initializer_list<const char*> Fields;
};

void ReadOrEmpty(const std::string& file, const char* layout, TDataFile& table, bool& exists) {
  exists = ReadTableFileOrEmpty(file, layout, table);
}

}  // namespace

std::string SubstationPart(std::string_view name) { return std::string(name.substr(0, name.find('.'))); }

std::vector<std::string> BaseSubstationNames(const TDataFile& lines) {
  const auto* sign = GetColumnAs<DAChar>("Sign", lines);
  const auto* name1 = GetColumnAs<DAString>("Name1", lines);
  std::vector<std::string> names;
  for (int row = 1; row <= lines.RowCount; ++row) {
    const char c = sign->Get(row);
    if (c == 0 || UpperChar(Cp1251Char(static_cast<unsigned char>(c))) != U'П') continue;
    std::string name = SubstationPart(name1->GetView(row));
    if (!name.empty()) names.push_back(std::move(name));
  }
  std::stable_sort(names.begin(), names.end(), LessUpper);
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

std::vector<std::string> SchemeSubstationNames(const TDataFile& nodes) { return BuildSubstationList(nodes); }

std::string UnpairedItem(const std::string& item) {
  std::size_t at = item.find(kRenamePair);
  const std::size_t equal = item.find(kEqualPair);
  if (equal < at) at = equal;
  return at == std::string::npos ? item : item.substr(0, at);
}

std::vector<std::string> PairEqualNames(const std::vector<std::string>& baseItems,
                                        const std::vector<std::string>& schemeNames) {
  std::vector<std::string> items;
  std::vector<std::string> upper;
  for (const std::string& item : baseItems) {
    items.push_back(UnpairedItem(item));
    upper.push_back(UpperCase(items.back()));
  }
  for (const std::string& name : schemeNames) {
    const auto it = std::find(upper.begin(), upper.end(), UpperCase(name));
    if (it == upper.end()) continue;
    const auto i = static_cast<std::size_t>(it - upper.begin());
    items[i] += kEqualPair + name;
    upper[i].clear();  // a paired item no longer equals a bare name
  }
  return items;
}

TRenamings RequestedRenamings(const std::vector<std::string>& items) {
  TRenamings renamings;
  const std::size_t pairLength = std::char_traits<char>::length(kRenamePair);
  for (const std::string& item : items) {
    const std::size_t at = item.find(kRenamePair);
    if (at != std::string::npos) renamings.emplace_back(item.substr(0, at), item.substr(at + pairLength));
  }
  return renamings;
}

int LongestPrefixMatch(const std::vector<std::string>& schemeNames, const std::string& item) {
  const std::string name = UpperCase(UnpairedItem(item));
  const std::size_t letters = Utf8Length(name);
  int match = -1;
  std::size_t from = 0;
  for (std::size_t length = 1; length <= letters; ++length) {
    const std::string prefix = Utf8Left(name, length);
    std::size_t i = from;
    while (i < schemeNames.size() && Utf8Left(UpperCase(schemeNames[i]), length) != prefix) ++i;
    if (i == schemeNames.size()) break;
    match = static_cast<int>(i);
    from = i;
  }
  return match;
}

int RenameSubstationColumn(DAString& column, int rowCount, const TRenamings& renamings) {
  // The base list holds names that differ only in letter case as substations of their own, each with its
  // own pairing: a renaming that ignored the case would take the other one along. A cell is renamed once,
  // by the pair of the name it had: a new name that is another pair's old name is not renamed again.
  std::unordered_map<std::string, const std::string*> newNames;
  for (const auto& [oldName, newName] : renamings) newNames.try_emplace(oldName, &newName);
  int changed = 0;
  for (int row = 1; row <= rowCount; ++row) {
    const std::string cell = column.GetItem(row);
    const std::size_t dot = cell.find('.');
    const auto found = newNames.find(cell.substr(0, dot));
    if (found == newNames.end()) continue;
    const std::string& newName = *found->second;
    column.SetItem(row, dot == std::string::npos ? newName : newName + cell.substr(dot));
    ++changed;
  }
  return changed;
}

std::string SubstMatchExtensions() {
  return LayoutExtensions({LayoutLines10, LayoutSubstInputs, LayoutSubstFeeders, LayoutSwitchLog});
}

TSubstMatchRun::TSubstMatchRun(const std::string& baseStem) : stem_(baseStem), locks_(baseStem, SubstMatchExtensions()) {
  ReadTableFile(FamilyFile(stem_, GetMaketExtention(LayoutLines10)), lines_);
  ReadOrEmpty(FamilyFile(stem_, GetMaketExtention(LayoutSubstInputs)), LayoutSubstInputs, inputs_, inputsFile_);
  ReadOrEmpty(FamilyFile(stem_, GetMaketExtention(LayoutSubstFeeders)), LayoutSubstFeeders, feeders_, feedersFile_);
  ReadOrEmpty(FamilyFile(stem_, GetMaketExtention(LayoutSwitchLog)), LayoutSwitchLog, journal_, journalFile_);
}

void TSubstMatchRun::Rename(const TRenamings& renamings) {
  const TNameColumns columns[] = {{&lines_, {"Name1", "Name2"}},
                                  {&inputs_, {"NamePS", "LinkPS"}},
                                  {&feeders_, {"Name1"}},
                                  {&journal_, {"Name1", "Name2"}}};
  for (const TNameColumns& c : columns)
    for (const char* field : c.Fields)
      RenameSubstationColumn(*GetColumnAs<DAString>(field, *c.Table), c.Table->RowCount, renamings);
}

void TSubstMatchRun::Apply(const std::vector<std::string>& items) {
  Rename(RequestedRenamings(items));
  // the renamed stations in every table or in none: a half-renamed base would split a station in two
  std::vector<TDataFile*> written = {&lines_};
  if (inputsFile_) written.push_back(&inputs_);
  if (feedersFile_) written.push_back(&feeders_);
  if (journalFile_) written.push_back(&journal_);
  locks_.WriteTogether(written);
}

}  // namespace ld
