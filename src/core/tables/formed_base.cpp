#include "core/tables/formed_base.h"

#include <cerrno>
#include <charconv>
#include <string_view>
#include <utility>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/file_replace.h"
#include "core/base/settings.h"
#include "core/tables/file_io.h"

namespace ld {

namespace {

// What a record says of one table: its size and hash, or nothing for a table the base did not have.
using TRecorded = std::optional<std::pair<std::int64_t, std::uint64_t>>;

std::string TableKey(const char* layout) { return UpperCase(GetMaketExtention(layout).substr(1)); }

// The record's lines, one a table: "RSL<tab>size<tab>hash" (the hash in hexadecimal), or "R04<tab>-".
std::optional<std::array<TRecorded, 4>> ParseRecord(std::string_view bytes) {
  std::array<TRecorded, 4> recorded;
  std::array<bool, 4> found{};
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return std::nullopt;
    const std::string key = UpperCase(line.substr(0, tab));
    const std::string_view rest = line.substr(tab + 1);
    std::size_t k = 0;
    while (k < found.size() && TableKey(DistrictTableLayouts[k]) != key) ++k;
    if (k == found.size() || found[k]) return std::nullopt;
    found[k] = true;
    if (rest == "-") continue;
    const std::size_t second = rest.find('\t');
    if (second == std::string_view::npos) return std::nullopt;
    std::int64_t size = 0;
    std::uint64_t hash = 0;
    const std::string_view sizeText = rest.substr(0, second), hashText = rest.substr(second + 1);
    const auto [sizeEnd, sizeError] = std::from_chars(sizeText.data(), sizeText.data() + sizeText.size(), size);
    const auto [hashEnd, hashError] = std::from_chars(hashText.data(), hashText.data() + hashText.size(), hash, 16);
    if (sizeError != std::errc() || sizeEnd != sizeText.data() + sizeText.size() || hashError != std::errc() ||
        hashEnd != hashText.data() + hashText.size() || size < 0)
      return std::nullopt;
    recorded[k] = std::pair{size, hash};
  }
  for (const bool one : found)
    if (!one) return std::nullopt;
  return recorded;
}

}  // namespace

std::optional<std::string> ReadFormedBase(const std::string& schemeStem) {
  const std::string file = FamilyFile(schemeStem, FormedBaseExt);
  RecoverTableSetForRead(file);
  std::string bytes;
  if (!fileio::ReadAllBytes(file, bytes)) {
    if (errno == ENOENT) return std::nullopt;
    throw Error("Ошибка чтения файла \"" + fileio::FullFileName(file) + "\": " + SystemErrorText(errno));
  }
  return bytes;
}

TDistrictStamps DistrictStampsOf(const std::string& schemeStem, const TRunBytes::TWritten& files) {
  TDistrictStamps base;
  for (std::size_t k = 0; k < base.size(); ++k) {
    const std::string table = fileio::FullFileName(schemeStem + GetMaketExtention(DistrictTableLayouts[k]));
    for (const auto& [file, stamp] : files)
      if (SameFileName(fileio::FullFileName(file), table)) base[k] = stamp;
  }
  return base;
}

std::string FormedBaseBytes(const TDistrictStamps& base) {
  std::string bytes;
  for (std::size_t k = 0; k < base.size(); ++k) {
    bytes += TableKey(DistrictTableLayouts[k]) + '\t';
    if (!base[k].Known()) {
      bytes += "-\r\n";
      continue;
    }
    // Written by to_chars: the locale of the workstation never shapes a number of a file.
    char text[32];
    bytes.append(text, std::to_chars(text, text + sizeof text, base[k].Size).ptr);
    bytes += '\t';
    bytes.append(text, std::to_chars(text, text + sizeof text, base[k].Hash, 16).ptr);
    bytes += "\r\n";
  }
  return bytes;
}

bool FormedFromBase(const std::optional<std::string>& record, const TDistrictStamps& base, TDateTime branchDate) {
  if (!record) {
    for (const TFileStamp& table : base)
      if (table.Known() && branchDate < table.Date) return false;
    return true;
  }
  const auto recorded = ParseRecord(*record);
  if (!recorded) return false;
  for (std::size_t k = 0; k < base.size(); ++k) {
    const TRecorded& one = (*recorded)[k];
    if (one.has_value() != base[k].Known()) return false;
    if (one && (one->first != base[k].Size || one->second != base[k].Hash)) return false;
  }
  return true;
}

TRunBytes FormedBaseRunBytes(const std::string& schemeStem, const TDistrictStamps& unwritten, std::string* made) {
  TRunBytes run{schemeStem + FormedBaseExt, {}};
  run.made = [schemeStem, unwritten, made](const TRunBytes::TWritten& written) {
    TDistrictStamps base = DistrictStampsOf(schemeStem, written);
    for (std::size_t k = 0; k < base.size(); ++k)
      if (!base[k].Known()) base[k] = unwritten[k];
    std::string bytes = FormedBaseBytes(base);
    if (made != nullptr) *made = bytes;
    return bytes;
  };
  return run;
}

}  // namespace ld
