#pragma once
// What an import from an outside file takes as a text for a table: a text whose every character has a
// Windows-1251 code (the tables' code page) and that fits the field it goes to. Anything else would be
// written with "?" in its place or cut, and two different names would become one.
#include <cstddef>
#include <string>
#include <string_view>

namespace ld {

// Empty when the tables can hold the text as it stands: every character has a Windows-1251 code.
// Otherwise why not (Russian), naming the text (its first 40 characters) and its first character
// without a code.
std::string ImportTextFault(std::string_view text);
// Empty when the text has at most `longest` characters. Otherwise why it fits no field (Russian),
// naming the text by its beginning; a text of any length costs no more than its first characters.
std::string ImportLengthFault(std::string_view text, int longest);
// The same for a text read for one field: the reason names the field by its title.
std::string ImportLengthFault(std::string_view text, int longest, std::string_view field);
// As ImportLengthFault for a text that the import takes without what ImportName cuts from its ends: it
// takes no room in a field and is not counted. A text of more than kMostCellBytes bytes is measured whole
// all the same: no field holds it even trimmed, or it is padded with blanks by the kilobyte, which a
// reader would copy for every cell that names it.
inline constexpr std::size_t kMostCellBytes = 1024;
std::string ImportTrimmedLengthFault(std::string_view text, int longest);

// A name (or a number's text) as every import takes it from an outside file: a dBase field, a workbook
// cell, a field of a card, exchange or feeder file. Other programs leave blanks, no-break spaces (U+00A0,
// U+2007, U+202F: a report pasted from a web page, a billing program's thousands separator), tabs, line
// breaks (Alt+Enter after a name, U+0085, U+2028, U+2029) and padding control characters (U+0000..U+001F)
// at its ends; none of them is a part of the name, and "ТП-42" with one of them would match no station.
// The text without them at both ends; inside it, each no-break space (U+00A0, U+2007, U+202F) is the
// blank a person sees there, a space. Works on any bytes: only whole UTF-8 characters are cut.
std::string ImportName(std::string_view text);
// What ImportName cuts from the ends alone, as a part of the text: for a look at whether anything is
// left, or at where the name stands among the bytes it was decoded from.
std::string_view ImportTrimmed(std::string_view text);
// Empty when the name, as ImportName cuts it, holds no control character; otherwise why it is not taken
// (ImportControlFault). Inside a name a control character is no blank a person would see: every import
// names its text by the row and the field it was read from, and a name that would be stored refuses the
// file, so that no table holds a name that no other table matches.
std::string ImportNameFault(std::string_view text);
// The two in turn, the length first (a text of megabytes is refused by its first characters, never
// converted): empty when the text goes whole into a text field of `longest` characters.
std::string ImportFieldFault(std::string_view text, int longest);

// A cell's text typed over several lines (Alt+Enter) as one line: each line break (LF or CR LF, and a
// run of them) is the blank the person sees between the words ("ИП\nЩукин" is "ИП Щукин"), never a
// second blank beside one written, none at the text's ends; a hyphen right after a letter before a break
// goes with it, so a word hyphenated across the lines is joined ("Обще-\nжитие" is "Общежитие").
std::string JoinCellLines(std::string_view s);

// A text as a message quotes it: a long one by its first 40 characters and "...".
std::string QuotedText(std::string_view text);

// The text with each control character (U+0000..U+001F, U+007F..U+009F) as "?", still one character
// each: a message that quotes a damaged text is neither cut by a zero byte nor split by a line feed.
std::string ControlsShown(std::string_view text);
// Empty when the text holds no control character. Otherwise why it is not taken (Russian), naming the
// text (ControlsShown) and the first control character by its code: a control character is no part of a
// name, and a person would never see it in a table.
std::string ImportControlFault(std::string_view text);

}  // namespace ld
