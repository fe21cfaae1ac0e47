#pragma once
// The parts of the zip packages of office files (workbooks, documents).
#include <zip.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace ld::office {

struct ZipDiscard {
  void operator()(zip_t* zip) const { zip_discard(zip); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipDiscard>;

// What the parts of one package may take once unpacked. Deflate packs a run of one byte a
// thousandfold, and many entries of a package may name one compressed stream, so a file of a few
// hundred kilobytes can stand for gigabytes; these limits refuse it before the bytes are made.
inline constexpr std::uint64_t kLargestPart = std::uint64_t{128} << 20;      // one part
inline constexpr std::uint64_t kUnpackedAnyFile = std::uint64_t{16} << 20;  // all parts, whatever the file
inline constexpr std::uint64_t kUnpackedPerFileByte = 100;                  // and so many bytes per byte of the file

// Counts the bytes unpacked from one package and refuses those beyond the limits.
class TUnpackBudget {
public:
  TUnpackBudget(std::string path, std::uint64_t fileSize);

  // Whether a part of that size still fits, as one part and with what was unpacked before. Throws
  // ld::Error 'Ошибка чтения файла "<path>": <which limit>'.
  void Check(const std::string& part, std::uint64_t partSize) const;
  // Admits `more` bytes of the part, which has `sofar` already; throws as Check.
  void Take(const std::string& part, std::uint64_t sofar, std::uint64_t more);

  std::uint64_t Unpacked() const { return unpacked_; }
  std::uint64_t Limit() const { return limit_; }

private:
  [[noreturn]] void Refuse(const std::string& part, bool onePart) const;

  std::string path_;
  std::uint64_t fileSize_ = 0;
  std::uint64_t limit_ = 0;
  std::uint64_t unpacked_ = 0;
};

// The uncompressed part by its name (letter case ignored); nothing when it is missing or unreadable.
// A part beyond the budget's limits (by its declared size or by what it unpacks to) throws.
std::optional<std::string> ReadZipPart(zip_t* zip, const std::string& name, TUnpackBudget& budget);

}  // namespace ld::office
