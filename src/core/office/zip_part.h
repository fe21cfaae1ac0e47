#pragma once
// The parts of the zip packages of office files (workbooks, documents).
#include <zip.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace ld::office {

struct ZipDiscard {
  void operator()(zip_t* zip) const { zip_discard(zip); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipDiscard>;

// What the parts of one package may take once unpacked. Deflate packs a run of one byte a
// thousandfold, and many entries of a package may name one compressed stream, so a file of a few
// hundred kilobytes can stand for gigabytes; these limits refuse it before the bytes are made.
// A part held whole in memory (a document's) may not pass kLargestPart; a part read as a stream (a
// sheet, a string table) is bounded only by what all parts together may unpack to: so many bytes per
// byte of the file, and never more than the machine's memory.
inline constexpr std::uint64_t kLargestPart = std::uint64_t{128} << 20;      // one part held whole
inline constexpr std::uint64_t kUnpackedAnyFile = std::uint64_t{16} << 20;  // all parts, whatever the file
inline constexpr std::uint64_t kUnpackedPerFileByte = 100;                  // and so many bytes per byte of the file
// What a reader may hold of a file's contents in its own form (a workbook's cells, a document's tables):
// twice the room of the unpacked parts, so a sound file stays well inside it.
inline constexpr std::uint64_t kHeldAnyFile = std::uint64_t{32} << 20;
inline constexpr std::uint64_t kHeldPerFileByte = 200;
// What parsing the parts of one package may cost: one for each element (a cell, a row, a paragraph,
// empty ones too), and whatever a reader adds for the parts an element makes it open. A file of two
// megabytes may unpack to two hundred megabytes of "<c/>", fifty million elements that take seconds
// though nothing is kept of them; so the work is bounded by the file's size as what is kept of it is. A
// sound sheet spends less than one element on each byte of its file, one whose cells have no reference
// (they pack better) less than four. Each element costs a reader a few tenths of a microsecond, and the
// rows an import makes of them as much again, so the bound is a million and five a byte: whatever a file
// of two megabytes holds, its parse and import end within seconds.
inline constexpr std::uint64_t kWorkAnyFile = std::uint64_t{1} << 20;
inline constexpr std::uint64_t kWorkPerFileByte = 5;

// The machine's physical memory in bytes (0 when it cannot be told).
std::uint64_t PhysicalMemory();
// The file's size in bytes (0 when it cannot be told).
std::uint64_t FileSize(const std::string& path);

// A bound on what reading a file may make of it: so many bytes whatever the file and so many for each
// byte of it, never more than the machine's memory (0: not known), nor less than the first. A bound of
// a count (elements parsed) is scaled alike; the machine's memory does not bound it.
struct TFileScaledLimit {
  enum class TUnit { Bytes, Count };
  TFileScaledLimit(std::uint64_t fileSize, std::uint64_t anyFile, std::uint64_t perFileByte, std::uint64_t memory,
                   TUnit unit = TUnit::Bytes);
  // The bound in whole megabytes, rounded up.
  std::string Megabytes() const;
  // The bound for a message: "<megabytes> МБ", or the count itself.
  std::string Amount() const;
  // What sets the bound, for a message: "память компьютера" or "<anyFile> МБ и <perFileByte> байт на
  // каждый байт файла размером <fileSize> байт" (a count: "<anyFile> и <perFileByte> на каждый ...").
  std::string Why() const;

  std::uint64_t Bound = 0;
  bool ByMemory = false;  // the machine's memory, not the file's size, sets it

private:
  std::uint64_t fileSize_, anyFile_, perFileByte_;
  TUnit unit_;
};

// What reading one file spends (bytes held, elements parsed), counted against its TFileScaledLimit.
class TFileScaledBudget {
public:
  // `what` names what is counted, for the message: "ячейки книги занимают в памяти".
  TFileScaledBudget(std::string path, std::string what, const TFileScaledLimit& limit);
  // Throws ld::Error 'Ошибка чтения файла "<path>": <what> больше <Amount()> (предел: <Why()>)' once
  // what was spent and `more` pass the limit.
  void Take(std::uint64_t more) {
    if (!TryTake(more)) Refuse();
  }
  // As Take, for a caller that may not throw (an XML parser's callback): false once past the limit,
  // Reason() then says why.
  bool TryTake(std::uint64_t more) {
    if (more > limit_.Bound - spent_) return false;
    spent_ += more;
    return true;
  }
  // "<what> больше <Amount()> (предел: <Why()>)"
  std::string Reason() const;
  std::uint64_t Spent() const { return spent_; }
  const TFileScaledLimit& Limit() const { return limit_; }

private:
  [[noreturn]] void Refuse() const;

  std::string path_, what_;
  TFileScaledLimit limit_;
  std::uint64_t spent_ = 0;
};

// Counts the bytes unpacked from one package and refuses those beyond the limits.
class TUnpackBudget {
public:
  // memory: the bound of all parts together whatever the file's size (the machine's memory).
  TUnpackBudget(std::string path, std::uint64_t fileSize, std::uint64_t memory = PhysicalMemory());

  // Whether a part of that size still fits, as one part held whole (unless `whole` is false) and
  // with what was unpacked before. Throws ld::Error 'Ошибка чтения файла "<path>": <which limit>'.
  void Check(const std::string& part, std::uint64_t partSize, bool whole = true) const;
  // Admits `more` bytes of the part, which has `sofar` already; throws as Check. A part that unpacks to
  // more than the package's headers declare for it (`declared`) is damaged: its headers lied to Check,
  // and it throws 'Ошибка чтения файла "<path>": часть "<part>" в распакованном виде больше указанного
  // в файле размера (<declared> байт)'.
  static constexpr std::uint64_t kUndeclared = ~std::uint64_t{0};
  void Take(const std::string& part, std::uint64_t sofar, std::uint64_t more, bool whole = true,
            std::uint64_t declared = kUndeclared);

  std::uint64_t Unpacked() const { return unpacked_; }
  std::uint64_t Limit() const { return limit_.Bound; }

private:
  [[noreturn]] void Refuse(const std::string& part, bool onePart) const;
  [[noreturn]] void RefuseLie(const std::string& part, std::uint64_t declared) const;

  std::string path_;
  TFileScaledLimit limit_;
  std::uint64_t unpacked_ = 0;
};

// Letter case of ASCII letters alone, as the zip library ignores it in the names of parts; other bytes
// (those of UTF-8 sequences) stay as they are.
std::string LowerAscii(std::string_view text);
bool EqualNoCaseAscii(std::string_view a, std::string_view b);

// The entries of one package by name, letter case ignored, found without walking the package: a
// workbook may name tens of thousands of sheets. Names that differ only in letter case name one part
// (the zip library finds either by both), so a package holding two such entries is damaged: which of
// them a relationship means cannot be told, and a document saved again would write one's bytes under
// the other's name.
class TPackageNames {
public:
  explicit TPackageNames(zip_t* zip);
  // The entry's index; nothing when the package has none of that name.
  std::optional<zip_uint64_t> Find(std::string_view name) const;
  // Empty for a sound package; else the reason: 'файл поврежден (две части названы одним именем: "<first>"
  // и "<second>")'.
  const std::string& Damage() const { return damage_; }

private:
  std::unordered_map<std::string, zip_uint64_t> index_;  // by the name in lower case
  std::string damage_;
};

// The uncompressed part by its name (letter case ignored); nothing when it is missing or unreadable.
// A part beyond the budget's limits (by its declared size or by what it unpacks to) throws, and so does
// one that unpacks to more than its declared size, as soon as it passes it.
std::optional<std::string> ReadZipPart(zip_t* zip, const TPackageNames& names, const std::string& name,
                                       TUnpackBudget& budget);

// Hands the uncompressed part by its name to `piece` in pieces of up to 64 KB, until `piece` returns
// false. Missing: the part is not in the package; Unreadable: its bytes cannot be unpacked. Only the
// budget's limit of all parts together applies, and the part's declared size; passing either throws as
// ReadZipPart does.
enum class TPartRead { Read, Missing, Unreadable, Stopped };
TPartRead StreamZipPart(zip_t* zip, const TPackageNames& names, const std::string& name, TUnpackBudget& budget,
                        const std::function<bool(std::string_view piece)>& piece);

}  // namespace ld::office
