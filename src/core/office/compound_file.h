#pragma once
// The compound document container of legacy office files: a small file system of sectors inside one
// file. Only reading one stream by name is needed. Every sector number, chain and size is checked
// against the file, so a damaged container gives a reason, never a read outside the bytes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ld::office {

// Thrown with the reason (Russian) why a container or a stream inside it cannot be read.
struct TDamaged {
  std::string reason;
};

class TCompoundFile {
public:
  // Takes the whole file; throws TDamaged when it is no compound document or its tables are broken.
  explicit TCompoundFile(std::string bytes);

  // The stream of that name (letter case of Latin letters ignored); nothing when there is none.
  // Throws TDamaged when the stream's chain leaves the file.
  std::optional<std::string> ReadStream(std::string_view name) const;

private:
  struct Entry {
    std::u16string name;
    std::uint8_t type = 0;
    std::uint32_t start = 0;
    std::uint64_t size = 0;
  };

  std::string ReadChain(std::uint32_t start, std::uint64_t size) const;
  std::string ReadMiniChain(std::uint32_t start, std::uint64_t size) const;
  std::uint32_t SectorCount() const;
  const char* Sector(std::uint32_t index) const;

  std::string bytes_;
  std::uint32_t sectorSize_ = 512;
  std::uint32_t miniSectorSize_ = 64;
  std::uint32_t miniCutoff_ = 4096;
  std::vector<std::uint32_t> fat_;
  std::vector<std::uint32_t> miniFat_;
  std::string miniStream_;
  std::vector<Entry> entries_;
};

}  // namespace ld::office
