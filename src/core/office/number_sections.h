#pragma once
// The office layer's own view of number format codes: the pieces every reader of a code shares, and the
// codes of number sections (digits among texts, conditions, fractions, decimals) parsed once, when the
// book that holds them opens, and shown for each cell from what was parsed.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ld::office {

namespace codes {

// The sections of a code (for positive numbers, negative ones, zero, texts): split at each ';' outside a
// quoted text or an escaped character.
std::vector<std::string_view> Sections(std::string_view code);
std::string_view FirstSection(std::string_view code);
// The end of the character escaped at section[i] (after a '\\'), a letter of several bytes whole.
std::size_t EscapedEnd(std::string_view section, std::size_t i);
// A literal piece of a format at i (a quoted text, an escaped sign, a bracketed condition, colour or
// locale): its shown text appended and i left on its last character; false for anything else.
bool TakeLiteral(std::string_view section, std::size_t& i, std::string& text);
char Lower(char c);
// Characters a code shows as they are without quotes.
bool IsPlainLiteral(char c);

}  // namespace codes

// A code that gives a number a text of its own (TNumberShow::Padded), as parsed once.
struct TNumberCode;

// The parsed code; nullptr for a code that gives a number no text of its own (General, a lone '#', a
// date or a time, what no section of digits shows).
std::shared_ptr<const TNumberCode> ParseNumberCode(std::string_view code);

// Whether the code shows the number at all: a number that no section of a conditional code takes, a
// number past 10^300 under a code of decimals (whose percent would be past every number), a fraction
// whose digits a double no longer holds (a numerator or a whole part of 10^15 and more: 1e300 under
// ?/100), and a code whose written denominator has more digits than that, show an error mark instead.
bool ShowsCodedNumber(const TNumberCode& code, double value);

// What the code shows for a number it shows (an empty text for a section left empty: 0 under 0.0;;), and
// whether that text drops digits of a whole number (123456789012 under 0.00E+00 is "1.23E+11", 1234567
// under #,##0, "1 235"): such a text is no name of the cell's value.
std::string ShownCodedNumber(const TNumberCode& code, double value, bool* dropsDigits = nullptr);

}  // namespace ld::office
