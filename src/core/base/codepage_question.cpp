#include "core/base/codepage_question.h"

#include <algorithm>

#include "core/base/codepage.h"
#include "core/base/import_text.h"
#include "core/base/msgbox.h"

namespace ld {

namespace {

// Up to this many characters of ASCII before the first byte past it, the text is shown from its start: the
// question quotes 40 characters, and the two readings differ within them.
constexpr std::size_t kShownAsciiLead = 24;

// The part of a text that the question shows, and whether it was cut at its start.
std::string_view ShownPart(std::string_view text, bool& cut) {
  const std::size_t past =
      std::find_if(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }) -
      text.begin();
  cut = false;
  if (past <= kShownAsciiLead || past >= text.size()) return text;
  // every byte before it is ASCII: the cut falls between the same characters in each reading
  const std::size_t blank = text.find_last_of(" \t;,", past);
  const std::size_t from = blank == std::string_view::npos ? 0 : blank + 1;
  cut = from > 0;
  return text.substr(from);
}

}  // namespace

int AskCodePage(const std::string& question, std::string_view first, const std::string& what) {
  // The person who made the file knows its names: shown the first one as it reads in each, they tell which.
  bool cut = false;
  const std::string_view part = ShownPart(first, cut);
  const auto shown = [&](const std::string& utf8) {
    return QuotedText((cut ? "..." : "") + ControlsShown(ImportName(utf8)));
  };
  const int answer = ShowMsgForm(question + ": первое имя читается как " + shown(Cp866ToUtf8(part)) +
                                     " в кодировке DOS (866) или как " + shown(Cp1251ToUtf8(part)) +
                                     " в кодировке Windows-1251.\nЧитать " + what +
                                     " в кодировке DOS (866)? (\"Да\" - DOS (866), \"Нет\" - Windows-1251, "
                                     "\"Отмена\" - прервать импорт)",
                                 mkWarning, mbYesNoCancel);
  if (answer == 1) return kCodePageDos;
  if (answer == 0) return kCodePageWindows;
  return 0;
}

int DecideCodePage(const TCodePageTally& tally, const TCodePageClaim& claim, const std::function<int()>& ask) {
  if (claim.Utf8Mark || tally.Utf8()) return kCodePageUtf8;
  if (claim.NamedHolds && claim.Named != 0) return claim.Named;
  if (const int page = tally.Decided(false); page != 0) return page;
  if (claim.Named != 0) return claim.Named;
  return ask();
}

}  // namespace ld
