#pragma once
// Windows-1251 <-> UTF-8 into a buffer that the caller reuses: the same results as Cp1251ToUtf8 and
// Utf8ToCp1251, without an allocation for each of the many short texts of a table file.
#include <string>
#include <string_view>

namespace ld {

void DecodeCp1251Into(std::string_view bytes, std::string& out);
// Decodes into memory of at least 3 * bytes.size() + 1 bytes (nothing is cleared first, unlike a string
// grown for it); returns the bytes written.
std::size_t DecodeCp1251To(std::string_view bytes, char* out);
void EncodeCp1251Into(std::string_view text, std::string& out);
// Encodes into memory of at least text.size() bytes; returns the bytes written.
std::size_t EncodeCp1251To(std::string_view text, char* out);

}  // namespace ld
