#pragma once
// Free routines for the texts read from tables, INI files, exchange files and edit boxes: tolerant
// numbers, trimming, fixed-width padding for reports, DOS texts and element names.
// Conversions do not depend on the process locale. Widths count characters, not bytes.
#include <optional>
#include <string>
#include <string_view>

#include "core/base/error.h"

namespace ld {

// A text that is not a number.
class ConvertError : public Error {
public:
  using Error::Error;
};

// Float of a text with "." or "," as the decimal separator (only the first "," counts as one).
// "" and "-" give 0. Throws ConvertError for anything else that is not a number.
double StrToFloatZ(std::string_view s);
// 32-bit integer of a text; "" and "-" give 0. Throws ConvertError for other non-numbers.
int StrToIntZ(std::string_view s);
// The same two without an exception: nothing for a text that is not a number. For a reader of a file in
// which any number of texts may be none: an exception and its message for each would cost more than
// the reading.
std::optional<double> TryStrToFloatZ(std::string_view s);
std::optional<int> TryStrToIntZ(std::string_view s);
// The float of the characters "0".."9", ",", "-", "." of s (at most 20 of them); 0 when there are none.
double DigitsToFloat(std::string_view s);
// The integer of the characters "0".."9" and "-" of s before its first "." (at most 20); 0 when none.
int DigitsToInt(std::string_view s);

// s without tabs, spaces and non-breaking spaces (the thousands separator of numbers).
std::string RemoveBlanks(std::string_view s);
std::string FirstCommaToPoint(std::string_view s);
// Only the space character is trimmed.
std::string TrimLeadSpaces(std::string_view s);
std::string TrimTrailSpaces(std::string_view s);

// Exactly n characters: a shorter s right-aligned with spaces in front, a longer one cut to its first n.
std::string FitLeft(std::string_view s, int n);
// Exactly n characters: a shorter s with spaces behind, a longer one cut to its first n.
std::string FitRight(std::string_view s, int n);
// Spaces in front up to n characters; a longer s stays whole.
std::string PadLeft(std::string_view s, int n);

// A DOS text (code page 866 bytes) as UTF-8.
std::string OemToAnsiStr(std::string_view s);

// Upper case with the Latin letters that look Cyrillic (A B C E H K M O P T) replaced by their
// Cyrillic twins, so names typed either way compare equal.
std::string NormalizeName(std::string_view s);

// The double nearest to the 7-digit decimal value of f (0.1f gives 0.1, not 0.100000001490116).
double SingleToDouble(float f);

}  // namespace ld
