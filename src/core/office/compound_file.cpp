#include "core/office/compound_file.h"

#include <algorithm>
#include <cstring>

namespace ld::office {

namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kMaxRegular = 0xFFFFFFFA;

std::uint16_t U16(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint32_t U32(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
         (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

[[noreturn]] void Damaged(const std::string& what) { throw TDamaged{"файл поврежден (" + what + ")"}; }

char16_t FoldLatin(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

}  // namespace

TCompoundFile::TCompoundFile(std::string bytes) : bytes_(std::move(bytes)) {
  static const char kSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
  if (bytes_.size() < 512 || std::memcmp(bytes_.data(), kSignature, 8) != 0)
    throw TDamaged{"файл не является книгой электронной таблицы"};
  const char* h = bytes_.data();
  const std::uint16_t sectorShift = U16(h + 0x1E);
  const std::uint16_t miniShift = U16(h + 0x20);
  if (sectorShift != 9 && sectorShift != 12) Damaged("неверный размер сектора");
  if (miniShift == 0 || miniShift >= sectorShift) Damaged("неверный размер малого сектора");
  sectorSize_ = 1u << sectorShift;
  miniSectorSize_ = 1u << miniShift;
  miniCutoff_ = U32(h + 0x38);

  // The sectors that hold the allocation table: 109 in the header, the rest in a chain of their own.
  const std::uint32_t fatSectors = U32(h + 0x2C);
  if (fatSectors > SectorCount()) Damaged("таблица размещения длиннее файла");
  std::vector<std::uint32_t> fatIndex;
  for (std::uint32_t i = 0; i < 109 && fatIndex.size() < fatSectors; ++i) fatIndex.push_back(U32(h + 0x4C + 4 * i));
  std::uint32_t difat = U32(h + 0x44);
  const std::uint32_t perDifat = sectorSize_ / 4 - 1;
  for (std::uint32_t hops = 0; fatIndex.size() < fatSectors; ++hops) {
    if (difat >= SectorCount() || hops > SectorCount()) Damaged("неверная цепочка таблицы размещения");
    const char* s = Sector(difat);
    for (std::uint32_t i = 0; i < perDifat && fatIndex.size() < fatSectors; ++i) fatIndex.push_back(U32(s + 4 * i));
    difat = U32(s + 4 * perDifat);
  }
  for (const std::uint32_t index : fatIndex) {
    if (index >= SectorCount()) Damaged("сектор таблицы размещения вне файла");
    const char* s = Sector(index);
    for (std::uint32_t i = 0; i < sectorSize_ / 4; ++i) fat_.push_back(U32(s + 4 * i));
  }

  const std::string directory = ReadChain(U32(h + 0x30), UINT64_MAX);
  for (std::size_t at = 0; at + 128 <= directory.size(); at += 128) {
    const char* e = directory.data() + at;
    Entry entry;
    const std::uint16_t nameBytes = U16(e + 0x40);
    for (std::uint16_t i = 0; i + 1 < nameBytes && i < 64; i += 2)
      entry.name.push_back(static_cast<char16_t>(U16(e + i)));
    while (!entry.name.empty() && entry.name.back() == 0) entry.name.pop_back();  // the name's terminator
    entry.type = static_cast<std::uint8_t>(e[0x42]);
    entry.start = U32(e + 0x74);
    entry.size = U32(e + 0x78);  // the high half is undefined in files of 512-byte sectors
    entries_.push_back(std::move(entry));
  }
  if (entries_.empty() || entries_.front().type != 5) Damaged("нет корневого каталога");

  const std::uint32_t miniFatStart = U32(h + 0x3C);
  if (miniFatStart != kEndOfChain) {
    const std::string table = ReadChain(miniFatStart, UINT64_MAX);
    for (std::size_t i = 0; i + 4 <= table.size(); i += 4) miniFat_.push_back(U32(table.data() + i));
    miniStream_ = ReadChain(entries_.front().start, entries_.front().size);
  }
}

std::uint32_t TCompoundFile::SectorCount() const {
  const std::uint64_t count = bytes_.size() / sectorSize_;
  return count == 0 ? 0 : static_cast<std::uint32_t>(std::min<std::uint64_t>(count - 1, kMaxRegular));
}

const char* TCompoundFile::Sector(std::uint32_t index) const {
  return bytes_.data() + static_cast<std::size_t>(index + 1) * sectorSize_;
}

// size UINT64_MAX: the whole chain, however long.
std::string TCompoundFile::ReadChain(std::uint32_t start, std::uint64_t size) const {
  std::string out;
  std::uint32_t sector = start;
  // A chain never holds more sectors than the file: a longer one loops.
  for (std::uint32_t hops = 0; sector != kEndOfChain && out.size() < size; ++hops) {
    if (sector >= SectorCount() || sector >= fat_.size() || hops > SectorCount())
      Damaged("цепочка секторов выходит за пределы файла");
    out.append(Sector(sector), sectorSize_);
    sector = fat_[sector];
  }
  if (size != UINT64_MAX) {
    if (out.size() < size) Damaged("поток короче своей длины");
    out.resize(static_cast<std::size_t>(size));
  }
  return out;
}

std::string TCompoundFile::ReadMiniChain(std::uint32_t start, std::uint64_t size) const {
  std::string out;
  std::uint32_t sector = start;
  const std::size_t sectors = miniStream_.size() / miniSectorSize_;
  for (std::size_t hops = 0; sector != kEndOfChain && out.size() < size; ++hops) {
    if (sector >= sectors || sector >= miniFat_.size() || hops > sectors)
      Damaged("цепочка малых секторов выходит за пределы файла");
    out.append(miniStream_, static_cast<std::size_t>(sector) * miniSectorSize_, miniSectorSize_);
    sector = miniFat_[sector];
  }
  if (out.size() < size) Damaged("поток короче своей длины");
  out.resize(static_cast<std::size_t>(size));
  return out;
}

std::optional<std::string> TCompoundFile::ReadStream(std::string_view name) const {
  for (std::size_t i = 1; i < entries_.size(); ++i) {
    const Entry& e = entries_[i];
    if (e.type != 2 || e.name.size() != name.size()) continue;
    bool same = true;
    for (std::size_t k = 0; k < name.size() && same; ++k)
      same = FoldLatin(e.name[k]) == FoldLatin(static_cast<char16_t>(static_cast<unsigned char>(name[k])));
    if (!same) continue;
    if (e.size > bytes_.size()) Damaged("поток длиннее файла");
    return e.size < miniCutoff_ ? ReadMiniChain(e.start, e.size) : ReadChain(e.start, e.size);
  }
  return std::nullopt;
}

}  // namespace ld::office
