#include "gui/grid/print_markup.h"

#include <charconv>
#include <optional>

#include "core/base/codepage.h"

namespace ld {

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// A whole text as a decimal integer with an optional sign.
std::optional<int> ParseInt(std::string_view s) {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return std::nullopt;
  int value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return value;
}

std::vector<PrintCell> ParseCells(std::string_view rest) {
  std::vector<PrintCell> cells;
  while (!rest.empty()) {
    const auto amp = rest.find('&');
    const std::string_view cell = rest.substr(0, amp);
    rest = amp == std::string_view::npos ? std::string_view() : rest.substr(amp + 1);
    PrintCell parsed;
    parsed.text = std::string(cell);
    if (!cells.empty()) {
      // A cell without a readable mark keeps its whole text and prints black on white.
      const auto tilde = cell.find('~');
      if (tilde != std::string_view::npos) {
        if (const auto mark = ParseInt(cell.substr(0, tilde)); mark && *mark >= 0) {
          parsed.mark = *mark & 0xFF;
          parsed.text = std::string(cell.substr(tilde + 1));
        }
      }
    }
    cells.push_back(std::move(parsed));
  }
  return cells;
}

}  // namespace

PrintLine ParsePrintLine(std::string_view line) {
  PrintLine parsed;
  if (StartsWith(line, "Shift")) {
    if (const auto cm = ParseInt(TrimBlanks(line.substr(5)))) {
      parsed.kind = PrintLineKind::Shift;
      parsed.shiftCm = *cm;
      return parsed;
    }
  }
  if (StartsWith(line, "StartTable")) {
    parsed.kind = PrintLineKind::TableHeader;
    parsed.cells = ParseCells(line.substr(10));
    return parsed;
  }
  if (StartsWith(line, "Table")) {
    parsed.kind = PrintLineKind::TableRow;
    parsed.cells = ParseCells(line.substr(5));
    return parsed;
  }
  static constexpr std::pair<std::string_view, unsigned> kStyles[] = {
      {"Bold", psBold}, {"Ital", psItalic}, {"Line", psUnderline}};
  for (const auto& [tag, style] : kStyles) {
    if (StartsWith(line, tag)) {
      parsed.styles |= style;
      line.remove_prefix(tag.size());
    }
  }
  parsed.text = std::string(line);
  return parsed;
}

bool SelectPrintRows(std::string_view selection, std::vector<std::string>& document) {
  std::string items;
  for (const char c : selection)
    if (c != ' ' && c != '\t') items += c;
  // Line r of the selection is document line r; line 0 is the header.
  const auto lastLine = document.empty() ? 0 : static_cast<long long>(document.size()) - 1;
  std::vector<std::string> selected;
  if (!document.empty()) selected.push_back(document.front());
  std::string_view rest = items;
  while (true) {
    const auto comma = rest.find(',');
    const std::string_view item = rest.substr(0, comma);
    const auto dash = item.find('-');
    const auto first = ParseInt(item.substr(0, dash));
    const auto last = dash == std::string_view::npos ? first : ParseInt(item.substr(dash + 1));
    if (!first || !last || *first > lastLine || *last > lastLine) return false;
    if (*first != 0 && *last != 0 && *last >= *first)
      for (int r = *first; r <= *last; ++r) selected.push_back(document[static_cast<std::size_t>(r)]);
    if (comma == std::string_view::npos) break;
    rest = rest.substr(comma + 1);
  }
  document = std::move(selected);
  return true;
}

bool PrintLineToText(std::string_view line, std::string& text) {
  const PrintLine parsed = ParsePrintLine(line);
  text.clear();
  switch (parsed.kind) {
    case PrintLineKind::Shift:
      return false;
    case PrintLineKind::TableHeader:
    case PrintLineKind::TableRow:
      for (std::size_t k = 0; k < parsed.cells.size(); ++k) {
        if (k > 0) text += '\t';
        text += parsed.cells[k].text;
      }
      return true;
    case PrintLineKind::Text:
      text = parsed.text;
      return true;
  }
  return false;
}

std::string PrintTextFileBytes(const std::vector<std::string>& beginLines, const std::vector<std::string>& document,
                               const std::vector<std::string>& endLines) {
  std::string out;
  std::string text;
  const auto put = [&](const std::vector<std::string>& lines) {
    for (const auto& line : lines)
      if (PrintLineToText(line, text)) out += Utf8ToCp1251(text) + "\r\n";
  };
  put(beginLines);
  out += "\r\n";
  put(document);
  out += "\r\n";
  put(endLines);
  return out;
}

}  // namespace ld
