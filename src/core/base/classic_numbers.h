#pragma once
// The program runs under its users' locale, so the C library's printf and strtod write and read numbers
// with its decimal comma. Code that hands numbers of a file format to a library printing them that way
// (the workbook library) holds one of these: while it lives, the calling thread alone has the "C"
// locale; the other threads and the program's locale stay as they are.
#include <clocale>
#include <locale.h>

namespace ld {

class TClassicNumbers {
public:
  TClassicNumbers() : classic_(newlocale(LC_ALL_MASK, "C", locale_t{})) {
    if (classic_ != locale_t{}) previous_ = uselocale(classic_);
  }
  ~TClassicNumbers() {
    if (classic_ == locale_t{}) return;
    uselocale(previous_);
    freelocale(classic_);
  }
  TClassicNumbers(const TClassicNumbers&) = delete;
  TClassicNumbers& operator=(const TClassicNumbers&) = delete;

private:
  locale_t classic_;
  locale_t previous_ = locale_t{};
};

}  // namespace ld
