#pragma once
// Numbers as the diagram and the reports print them: a fixed number of decimals within a number of
// significant digits, or the general format. The decimal separator is FormatSettings'.
#include <string>

namespace ld {

// `decimals` digits after the separator (0..18), the value first rounded to at most `precision`
// significant digits (1..18), halves away from zero; the digits beyond are zeros: 1234.5678 with
// 2 decimals and precision 5 is "1234.60". A value with more integer digits than `precision` comes in
// the general format: 123456789 with precision 7 is "1.234568E8". No thousands separators.
std::string FixedText(double v, int decimals, int precision = 15);
// The shortest of fixed and scientific notation with up to `precision` significant digits.
std::string GeneralText(double v, int precision = 7);

}  // namespace ld
