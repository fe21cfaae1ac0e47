#include "gui/grid/maket_block.h"

#include <fstream>
#include <iterator>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/file_replace.h"

namespace ld::gui {

namespace {

struct Line {
  std::string text;  // Windows-1251 bytes
  std::string end;   // "\r\n", "\n" or nothing for a last line without one
};

std::vector<Line> SplitLines(const std::string& bytes) {
  std::vector<Line> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    Line line;
    if (end == std::string::npos) {
      line.text = bytes.substr(start);
      start = bytes.size();
    } else {
      line.text = bytes.substr(start, end - start);
      line.end = '\n';
      start = end + 1;
    }
    if (!line.text.empty() && line.text.back() == '\r') {
      line.text.pop_back();
      line.end.insert(0, 1, '\r');
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace

std::vector<std::string> MaketBlockLines(const TDataFile& layout) {
  std::vector<std::string> lines;
  lines.push_back("Name=" + layout.Name);
  lines.push_back("Extention=" + layout.Extention);
  lines.push_back("Count=" + std::to_string(layout.NCols));
  std::string order = "Order=";
  for (int k = 1; k <= layout.NOrder; ++k) {
    if (k > 1) order += ',';
    order += std::to_string(layout.Order[static_cast<std::size_t>(k)]);
  }
  lines.push_back(order);
  for (int c = 1; c <= layout.NCols; ++c) {
    const auto k = static_cast<std::size_t>(c);
    std::string line = layout.ColFlag[k] == '+' ? "+" : "";
    line += layout.ColType[k];
    for (const int value : {static_cast<int>(layout.PixWidth[k]), static_cast<int>(layout.CtrlSize[k]),
                            static_cast<int>(layout.FltDigit[k]), static_cast<int>(layout.Access[k]),
                            static_cast<int>(layout.Visible[k]), static_cast<int>(layout.Colors[k]),
                            static_cast<int>(layout.TitleColor[k])}) {
      line += ',';
      line += std::to_string(value);
    }
    line += "," + layout.FieldName[k] + "," + layout.ColTitle[k];
    if (!layout.Comment[k].empty()) line += "~" + layout.Comment[k];
    lines.push_back(std::move(line));
  }
  return lines;
}

bool RewriteMaketBlock(const std::string& maketPath, const TDataFile& layout) {
  std::ifstream in(maketPath, std::ios::binary);
  if (!in) throw Error("Ошибка чтения файла \"" + maketPath + "\"");
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  std::vector<Line> lines = SplitLines(bytes);

  const std::string nameLine = Utf8ToCp1251("Name=" + layout.Name);
  std::size_t first = 0;
  while (first < lines.size() && lines[first].text != nameLine) ++first;
  if (first == lines.size()) return false;
  std::size_t last = first + 1;
  while (last < lines.size() && !lines[last].text.empty() && lines[last].text.find("Name=") == std::string::npos)
    ++last;

  // New lines end like the line they replace; the last one keeps the ending of the last line removed,
  // so a file without a final line break stays without one.
  const std::string end = lines[first].end.empty() ? std::string("\r\n") : lines[first].end;
  const std::string lastEnd = lines[last - 1].end;
  std::vector<Line> block;
  for (const std::string& text : MaketBlockLines(layout)) block.push_back({Utf8ToCp1251(text), end});
  block.back().end = lastEnd;
  lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(first), lines.begin() + static_cast<std::ptrdiff_t>(last));
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(first), block.begin(), block.end());

  std::string out;
  for (const Line& line : lines) out += line.text + line.end;
  WriteFileReplacing(maketPath, out);
  return true;
}

}  // namespace ld::gui
