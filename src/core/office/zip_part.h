#pragma once
// The parts of the zip packages of office files (workbooks, documents).
#include <zip.h>

#include <memory>
#include <optional>
#include <string>

namespace ld::office {

struct ZipDiscard {
  void operator()(zip_t* zip) const { zip_discard(zip); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipDiscard>;

// The uncompressed part by its name (letter case ignored); nothing when it is missing, unreadable or
// larger than a string of the package's parts may be.
std::optional<std::string> ReadZipPart(zip_t* zip, const std::string& name);

}  // namespace ld::office
