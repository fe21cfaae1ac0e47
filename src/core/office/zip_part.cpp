#include "core/office/zip_part.h"

#include <climits>

namespace ld::office {

namespace {

struct ZipFileClose {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};

}  // namespace

std::optional<std::string> ReadZipPart(zip_t* zip, const std::string& name) {
  const zip_int64_t index = zip_name_locate(zip, name.c_str(), ZIP_FL_NOCASE);
  if (index < 0) return std::nullopt;
  std::unique_ptr<zip_file_t, ZipFileClose> file(zip_fopen_index(zip, static_cast<zip_uint64_t>(index), 0));
  if (!file) return std::nullopt;
  std::string data;
  char buf[65536];
  for (;;) {
    const zip_int64_t n = zip_fread(file.get(), buf, sizeof buf);
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    data.append(buf, static_cast<std::size_t>(n));
    if (data.size() > static_cast<std::size_t>(INT_MAX)) return std::nullopt;
  }
  return data;
}

}  // namespace ld::office
