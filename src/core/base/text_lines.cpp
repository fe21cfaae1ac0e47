#include "core/base/text_lines.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "core/base/codepage.h"
#include "core/base/codepage_question.h"
#include "core/base/error.h"

namespace ld {

namespace {

std::string FullName(const std::string& fileName) {
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(fileName, ec);
  return ec ? fileName : full.string();
}

[[noreturn]] void Refuse(const std::string& fileName, const std::string& why) {
  throw Error("Ошибка чтения файла \"" + FullName(fileName) + "\": " + why);
}

}  // namespace

std::string UnreadableFileFault(const std::string& fileName) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(fileName, ec);
  if (!std::filesystem::exists(status)) return "файл не найден";
  if (std::filesystem::is_directory(status)) return "это папка, а не файл";
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return errno == EACCES ? "нет прав на чтение файла" : "файл не удается открыть для чтения";
  return {};
}

TTextLines ReadTextLines(const std::string& fileName) {
  if (const std::string fault = UnreadableFileFault(fileName); !fault.empty()) Refuse(fileName, fault);
  std::ifstream in(fileName, std::ios::binary);
  std::string bytes;
  try {
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } catch (const std::exception&) {
    Refuse(fileName, "файл не удается прочитать");
  }
  if (in.bad()) Refuse(fileName, "файл не удается прочитать");
  // COPY /A ends what it writes with Ctrl+Z: the file is whole however its last line ends
  const bool endMark = !bytes.empty() && bytes.back() == '\x1A';
  if (endMark) bytes.pop_back();
  TTextLines text;
  constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
  text.Utf8Mark = bytes.starts_with(kUtf8Mark);
  std::size_t start = text.Utf8Mark ? kUtf8Mark.size() : 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    text.LastEnded = end != std::string::npos || endMark;
    if (end == std::string::npos) end = bytes.size();
    std::string& line = text.Lines.emplace_back(bytes, start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    start = end + 1;
  }
  return text;
}

int TextCodePage(const std::string& fileName, const TCodePageTally& tally, bool utf8Mark, int named) {
  const int page = DecideCodePage(tally, {utf8Mark, named, false}, [&] {
    // no question helps a reader that refuses the texts by their control characters
    if (tally.Controls()) return kCodePageWindows;
    return AskCodePage("Кодировка файла \"" + FullName(fileName) + "\" по его текстам не определяется",
                       tally.First(), "файл");
  });
  if (page == 0) Refuse(fileName, "кодировка файла не выбрана, импорт прерван");
  return page;
}

void RequireLastLineEnded(const TTextLines& text, const std::string& fileName) {
  if (text.LastEnded) return;
  const std::string& last = text.Lines.back();
  if (last.find_first_not_of(" \t\r") == std::string::npos) return;  // blanks after the last record
  Refuse(fileName, "строка " + std::to_string(text.Lines.size()) +
                       " оборвана: в конце файла нет перевода строки, файл обрезан (недокопирован); если он цел, "
                       "добавьте в его конец перевод строки");
}

}  // namespace ld
