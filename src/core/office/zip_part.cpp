#include "core/office/zip_part.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/base/error.h"

namespace ld::office {

namespace {

struct ZipFileClose {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};

std::string Megabytes(std::uint64_t bytes) { return std::to_string((bytes + (1u << 20) - 1) >> 20); }

}  // namespace

std::uint64_t PhysicalMemory() {
  const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
  return pages > 0 && pageSize > 0 ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize) : 0;
}

std::uint64_t FileSize(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  return ec ? 0 : static_cast<std::uint64_t>(size);
}

TFileScaledLimit::TFileScaledLimit(std::uint64_t fileSize, std::uint64_t anyFile, std::uint64_t perFileByte,
                                   std::uint64_t memory, TUnit unit)
    : fileSize_(fileSize), anyFile_(anyFile), perFileByte_(perFileByte), unit_(unit) {
  // a file size no disk holds cannot overflow the product
  const std::uint64_t bySize = anyFile + std::min<std::uint64_t>(fileSize, std::uint64_t{1} << 50) * perFileByte;
  const std::uint64_t byMemory = std::max(memory, anyFile);
  ByMemory = unit == TUnit::Bytes && memory != 0 && byMemory < bySize;
  Bound = ByMemory ? byMemory : bySize;
}

std::string TFileScaledLimit::Megabytes() const { return office::Megabytes(Bound); }

std::string TFileScaledLimit::Amount() const {
  return unit_ == TUnit::Bytes ? Megabytes() + " МБ" : std::to_string(Bound);
}

std::string TFileScaledLimit::Why() const {
  if (ByMemory) return "память компьютера";
  const std::string sizeText = " на каждый байт файла размером " + std::to_string(fileSize_) + " байт";
  if (unit_ == TUnit::Count) return std::to_string(anyFile_) + " и " + std::to_string(perFileByte_) + sizeText;
  return office::Megabytes(anyFile_) + " МБ и " + std::to_string(perFileByte_) + " байт" + sizeText;
}

TFileScaledBudget::TFileScaledBudget(std::string path, std::string what, const TFileScaledLimit& limit)
    : path_(std::move(path)), what_(std::move(what)), limit_(limit) {}

std::string TFileScaledBudget::Reason() const {
  return what_ + " больше " + limit_.Amount() + " (предел: " + limit_.Why() + ")";
}

void TFileScaledBudget::Refuse() const { throw Error("Ошибка чтения файла \"" + path_ + "\": " + Reason()); }

TUnpackBudget::TUnpackBudget(std::string path, std::uint64_t fileSize, std::uint64_t memory)
    : path_(std::move(path)), limit_(fileSize, kUnpackedAnyFile, kUnpackedPerFileByte, memory) {}

void TUnpackBudget::Refuse(const std::string& part, bool onePart) const {
  const std::string prefix = "Ошибка чтения файла \"" + path_ + "\": ";
  if (onePart)
    throw Error(prefix + "часть \"" + part + "\" в распакованном виде больше " + Megabytes(kLargestPart) +
                " МБ (предел одной части)");
  throw Error(prefix + "распакованные части вместе больше " + limit_.Megabytes() + " МБ (предел распакованного " +
              "объёма: " + limit_.Why() + ")");
}

void TUnpackBudget::RefuseLie(const std::string& part, std::uint64_t declared) const {
  throw Error("Ошибка чтения файла \"" + path_ + "\": часть \"" + part +
              "\" в распакованном виде больше указанного в файле размера (" + std::to_string(declared) + " байт)");
}

void TUnpackBudget::Check(const std::string& part, std::uint64_t partSize, bool whole) const {
  if (whole && partSize > kLargestPart) Refuse(part, true);
  if (partSize > limit_.Bound - unpacked_) Refuse(part, false);
}

void TUnpackBudget::Take(const std::string& part, std::uint64_t sofar, std::uint64_t more, bool whole,
                         std::uint64_t declared) {
  if (sofar > declared || more > declared - sofar) RefuseLie(part, declared);
  if (whole && (more > kLargestPart || sofar > kLargestPart - more)) Refuse(part, true);
  if (more > limit_.Bound - unpacked_) Refuse(part, false);
  unpacked_ += more;
}

namespace {

char LowerAsciiChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = LowerAsciiChar(c);
  return lower;
}

bool EqualNoCaseAscii(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAsciiChar(x) == LowerAsciiChar(y); });
}

TPackageNames::TPackageNames(zip_t* zip) {
  const zip_int64_t count = zip == nullptr ? 0 : zip_get_num_entries(zip, 0);
  index_.reserve(static_cast<std::size_t>(std::max<zip_int64_t>(count, 0)));
  for (zip_int64_t i = 0; i < count; ++i)
    if (const char* name = zip_get_name(zip, static_cast<zip_uint64_t>(i), 0)) {
      const auto [it, added] = index_.emplace(LowerAscii(name), static_cast<zip_uint64_t>(i));
      if (!added && damage_.empty())
        if (const char* first = zip_get_name(zip, it->second, 0))
          damage_ = "файл поврежден (две части названы одним именем: \"" + std::string(first) + "\" и \"" + name + "\")";
    }
}

std::optional<zip_uint64_t> TPackageNames::Find(std::string_view name) const {
  const auto it = index_.find(LowerAscii(name));
  if (it == index_.end()) return std::nullopt;
  return it->second;
}

namespace {

// Reads the part piece by piece: `whole` for a part that is then held whole, which one part's limit
// bounds as well.
TPartRead ReadPart(zip_t* zip, const TPackageNames& names, const std::string& name, TUnpackBudget& budget,
                   bool whole, const std::function<bool(std::string_view piece)>& piece) {
  const std::optional<zip_uint64_t> found = names.Find(name);
  if (!found) return TPartRead::Missing;
  const zip_uint64_t index = *found;
  // The declared size refuses a bomb before a byte of it is made; what is read is counted all the
  // same, since the declaration may lie: a part is stopped as soon as it unpacks past what it declared,
  // not only past the package's limits, which a small file's lie would let it fill with cells first.
  zip_stat_t stat;
  zip_stat_init(&stat);
  std::uint64_t declared = TUnpackBudget::kUndeclared;
  if (zip_stat_index(zip, index, 0, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE) != 0) {
    budget.Check(name, stat.size, whole);
    declared = stat.size;
  }
  std::unique_ptr<zip_file_t, ZipFileClose> file(zip_fopen_index(zip, index, 0));
  if (!file) return TPartRead::Unreadable;
  std::uint64_t sofar = 0;
  std::string buf(65536, '\0');
  for (;;) {
    const zip_int64_t n = zip_fread(file.get(), buf.data(), buf.size());
    if (n < 0) return TPartRead::Unreadable;
    if (n == 0) return TPartRead::Read;
    budget.Take(name, sofar, static_cast<std::uint64_t>(n), whole, declared);
    sofar += static_cast<std::uint64_t>(n);
    if (!piece(std::string_view(buf.data(), static_cast<std::size_t>(n)))) return TPartRead::Stopped;
  }
}

}  // namespace

std::optional<std::string> ReadZipPart(zip_t* zip, const TPackageNames& names, const std::string& name,
                                       TUnpackBudget& budget) {
  std::string data;
  const auto append = [&data](std::string_view piece) {
    data.append(piece);
    return true;
  };
  if (ReadPart(zip, names, name, budget, true, append) != TPartRead::Read) return std::nullopt;
  return data;
}

TPartRead StreamZipPart(zip_t* zip, const TPackageNames& names, const std::string& name, TUnpackBudget& budget,
                        const std::function<bool(std::string_view piece)>& piece) {
  return ReadPart(zip, names, name, budget, false, piece);
}

}  // namespace ld::office
