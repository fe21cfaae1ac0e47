#include "core/district/import_psh.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/import_messages.h"
#include "core/base/import_number.h"
#include "core/base/import_text.h"
#include "core/base/numfmt.h"
#include "core/base/numtext.h"
#include "core/base/outside_value.h"
#include "core/base/strings.h"
#include "core/base/text_lines.h"

namespace ld {

namespace fs = std::filesystem;

namespace {

// Both spellings of the bus mark: the "Н" is often typed as a Latin "H".
bool IsBus(const std::string& mark) { return mark == "ШИНЫ" || mark == "ШИHЫ"; }

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// Characters from..to (from 1, inclusive) of a line of single-byte characters, decoded, upper-cased
// and cut as every import cuts a name (ImportName); what lies beyond the line is empty.
std::string Field(const std::string& line, std::size_t from, std::size_t to) {
  if (from > line.size()) return {};
  const std::string bytes = line.substr(from - 1, to - from + 1);
  return std::string(ImportName(UpperCase(Cp866ToUtf8(bytes))));
}

// A line without the blanks at its ends, as its characters tell them (ImportName of the decoded line): a
// DOS no-break space is one of them, and a byte is never taken for a part of a character it is not.
std::string StripLine(const std::string& line) {
  const std::string text = Cp866ToUtf8(line);
  const std::string_view kept = ImportTrimmed(text);
  // one byte of the line is one character of the text
  return line.substr(Utf8Length(std::string_view(text).substr(0, static_cast<std::size_t>(kept.data() - text.data()))),
                     Utf8Length(kept));
}

std::u32string Chars(const std::string& s) {
  std::u32string out;
  for (std::size_t pos = 0; pos < s.size();) out.push_back(NextUtf8Char(s, pos));
  return out;
}

std::string Utf8(char32_t c) {
  std::string out;
  AppendUtf8(out, c);
  return out;
}

bool IsDigitChar(char32_t c) { return c >= U'0' && c <= U'9'; }

char32_t SwitchLetter(const std::u32string& state, std::size_t index) {
  if (index >= state.size()) return U' ';
  const char32_t c = state[index];
  return c == U'В' || c == U'Н' || c == U'Р' ? c : U' ';
}

std::string NodeName(const std::string& field) { return ExpandFeedName(NormalizeName(field)); }

// The sections of the files, stored into the rows of the new base.
class TPshStore {
public:
  // Appends one section; the first of each file is the feeder's supply end.
  void StorePshSection(TPshSection section, bool firstOfFile) {
    for (std::string* name : {&section.Name1, &section.Name2}) {
      const std::u32string chars = Chars(*name);
      if (!chars.empty() && IsDigitChar(chars.front())) name->insert(0, "ТП");
      if (!chars.empty() && chars.back() == U'Ф') name->insert(0, "_");
    }
    TImportLine& row = lines.emplace_back();
    row.Un = "10";
    if (firstOfFile) row.Sign = U'П';
    row.Name1 = section.Name1;
    row.Name2 = section.Name2;
    const std::u32string state = Chars(section.State);
    if (!state.empty() && (state.front() == U'К' || state.front() == U'Н')) row.Commut = state.front();
    if (!IsBus(section.LineMark)) row.KodLine = section.LineMark;
    // no device is an empty text, not a blank one
    if (section.SwitchBeg != U' ') row.MarkCom1 = Utf8(section.SwitchBeg);
    if (section.SwitchEnd != U' ') row.MarkCom2 = Utf8(section.SwitchEnd);
    if (!section.TransMark.empty() && !stations.LastOf(section.Name2))
      stations.Insert(section.Name2, section.TransName).Transform = section.TransMark;
  }

  std::vector<TImportLine> lines;
  TSortedStations stations;
};

// A section that held parallel circuits closes its last one.
void CloseSection(TPshSection& section, bool& parallel) {
  if (parallel) section.LineMark = "(" + section.LineMark + ")";
  parallel = false;
}

void TakeTransformer(TPshSection& into, const TPshSection& from) {
  if (Utf8Length(from.TransMark) > Utf8Length(into.TransMark)) {
    into.TransMark = from.TransMark;
    into.TransName = from.TransName;
  }
}

// A line whose texts the tables cannot hold as read (a file in another code page gives characters
// that Windows-1251 lacks) refuses the file: stored, its names would run together.
void CheckSectionTexts(const TPshSection& section, const fs::path& file, int lineNumber) {
  const std::pair<const std::string*, const char*> fields[] = {{&section.Name1, "колонки 1-8 (начало участка)"},
                                                               {&section.Name2, "колонки 10-17 (конец участка)"},
                                                               {&section.LineMark, "колонки 24-33 (марка линии)"},
                                                               {&section.TransMark, "колонки 42-49 (марка тр-ра)"}};
  for (const auto& [text, field] : fields) {
    if (const std::string fault = ImportNameFault(*text); !fault.empty())
      throw Error(ImportRowMessage(file.string(), lineNumber, field, fault));
    if (const std::string fault = ImportTextFault(*text); !fault.empty())
      throw Error(ImportRowMessage(file.string(), lineNumber, field, fault + " (файл не в кодировке DOS?)"));
  }
}

// The lines in the DOS code page of the format, whose columns are its bytes. A file saved by another program
// in Windows-1251 or UTF-8 is told by its bytes (or the user's answer) and its lines put into DOS; a
// character DOS lacks refuses the file by its line, never read as "?".
std::vector<std::string> DosLines(const TTextLines& text, const fs::path& file) {
  TCodePageTally tally;
  for (const std::string& line : text.Lines) tally.Add(line);
  const int page = TextCodePage(file.string(), tally, text.Utf8Mark);
  if (page == kCodePageDos) return text.Lines;
  std::vector<std::string> lines;
  lines.reserve(text.Lines.size());
  for (const std::string& line : text.Lines) {
    const std::string read = DecodeText(line, page);
    lines.push_back(Utf8ToCp866(read));
    if (Cp866ToUtf8(lines.back()) != read)
      throw Error("Ошибка чтения файла \"" + file.string() + "\": строка " + std::to_string(lines.size()) +
                  ": в тексте " + QuotedText(ControlsShown(read)) + " есть символ, которого нет в кодировке DOS (866)");
  }
  return lines;
}

// Why a line (code page 866 bytes) is no line of a feeder file's section; empty when it may be one. Its
// fields stand in fixed columns with a blank between them (after the begin, the end, the state and the
// length), and the state is letters and signs: a line of cards or of a scheme's table, whose numbers
// run through those columns, is told by them before any of its fields is taken for a name.
std::string PshLineFault(const std::string& line) {
  for (const std::size_t col : {9, 18, 23, 41})
    if (col <= line.size() && line[col - 1] != ' ')
      return "колонка " + std::to_string(col) + ": знак " + QuotedText(Cp866ToUtf8(line.substr(col - 1, 1))) +
             " вместо пробела между полями - строка не является строкой участка фидера (*.PSH)";
  const std::string state = Field(line, 19, 22);
  if (std::any_of(state.begin(), state.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return "колонки 19-22 (состояние): " + QuotedText(state) +
           " - цифры вместо букв состояния - строка не является строкой участка фидера (*.PSH)";
  return {};
}

// A line of a section is whole when it names the section's begin and its length reads; a file none of
// whose lines from the third is whole is no feeder file. What the file took, its lines counted.
TImportTaken ImportPshFile(const fs::path& file, TPshStore& store, TImportMessages& messages) {
  const TTextLines text = ReadTextLines(file.string());
  const std::vector<std::string> lines = DosLines(text, file);
  const std::string fileName = file.filename().string();
  TImportTaken taken;
  if (lines.size() < 3) {
    taken.NotTaken("в файле нет строк участков (с третьей строки)");
    return taken;
  }
  const auto count = [&](const TPshSection& section, int lineNumber) {
    const std::string at = "строка " + std::to_string(lineNumber) + ": ";
    if (section.Name1.empty())
      taken.NotTaken(at + "не задано начало участка (колонки 1-8)");
    else if (!section.LengthRead)
      taken.NotTaken(at + "неверно задана длина линии (колонки 33-40)");
    else
      ++taken.Items;
  };
  bool first = true;
  bool parallel = false;
  TPshSection a;
  // the first data line is cut as it stands; the later ones without their outer blanks
  const auto shaped = [&](const std::string& line, int lineNumber) {
    if (const std::string fault = PshLineFault(line); !fault.empty())
      throw Error("Ошибка чтения файла \"" + file.string() + "\": строка " + std::to_string(lineNumber) + ", " + fault);
  };
  shaped(lines[2], 3);
  ParsePshLine(lines[2], a, fileName, 3, messages);
  CheckSectionTexts(a, file, 3);
  count(a, 3);
  for (std::size_t i = 3; i < lines.size(); ++i) {
    const std::string line = StripLine(lines[i]);
    if (line.empty()) continue;
    shaped(line, static_cast<int>(i) + 1);
    TPshSection b;
    ParsePshLine(line, b, fileName, static_cast<int>(i) + 1, messages);
    CheckSectionTexts(b, file, static_cast<int>(i) + 1);
    count(b, static_cast<int>(i) + 1);
    if (b.State == "+") {
      if (IsBus(a.LineMark)) a.LineMark.clear();
      a.LineMark += "+" + b.LineMark;
      TakeTransformer(a, b);
      a.Name2 = b.Name2;
    } else if (b.State == "=") {
      parallel = true;
      a.LineMark += ")/(" + b.LineMark;
      TakeTransformer(a, b);
    } else {
      CloseSection(a, parallel);
      store.StorePshSection(std::move(a), first);
      first = false;
      a = std::move(b);
    }
  }
  CloseSection(a, parallel);
  store.StorePshSection(std::move(a), first);
  // a copy cut inside its last line would give the first digits of a length or of a mark as whole
  RequireLastLineEnded(text, file.string());
  // lines that are all of another kind: the file is no feeder file, and its rows would be names of nothing
  RefuseIfNothingTaken(file.string(), taken);
  return taken;
}

bool IsPshFile(const fs::directory_entry& entry) {
  std::error_code ec;
  return entry.is_regular_file(ec) && UpperCase(entry.path().extension().string()) == ".PSH";
}

// The entries of a folder by name; a folder that cannot be listed has none.
std::vector<fs::directory_entry> Entries(const fs::path& folder) {
  std::vector<fs::directory_entry> entries;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(*it);
  std::sort(entries.begin(), entries.end(),
            [](const fs::directory_entry& a, const fs::directory_entry& b) { return a.path().filename() < b.path().filename(); });
  return entries;
}

}  // namespace

std::string ExpandFeedName(const std::string& name) {
  const std::u32string c = Chars(name);
  if (c.size() <= 2) return name;
  if (StartsWith(name, "РП") || StartsWith(name, "ТП") || StartsWith(name, "СД") || StartsWith(name, "Т.") ||
      StartsWith(name, "КТП"))
    return name;
  if (IsDigitChar(c[0]) || IsDigitChar(c[1])) return name;
  std::string out;
  if (IsDigitChar(c.back())) {
    for (std::size_t i = 0; i + 1 < c.size(); ++i) AppendUtf8(out, c[i]);
    out += ".";
    AppendUtf8(out, c.back());
  } else {
    out = name + ".1";
  }
  return out + ".10";
}

void ParsePshLine(const std::string& line, TPshSection& section, const std::string& fileName, int lineNumber,
                  std::vector<std::string>& messages) {
  TImportMessages bounded(messages);
  ParsePshLine(line, section, fileName, lineNumber, bounded);
}

void ParsePshLine(const std::string& line, TPshSection& section, const std::string& fileName, int lineNumber,
                  TImportMessages& messages) {
  section = TPshSection();
  section.Name1 = NodeName(Field(line, 1, 8));
  section.Name2 = NodeName(Field(line, 10, 17));
  section.State = Field(line, 19, 22);
  section.LineMark = Field(line, 24, 33);

  const std::u32string state = Chars(section.State);
  section.SwitchBeg = SwitchLetter(state, 1);
  section.SwitchEnd = SwitchLetter(state, 2);
  if (state.find(U'О') != std::u32string::npos || state.find(U'Ф') != std::u32string::npos) section.State = "К";
  if (section.SwitchEnd == U' ' && section.State == "К") section.State = "Н";

  double length = 0;
  // the length as the file shows it, not upper-cased as the names are
  const std::string lengthText = line.size() < 33 ? std::string() : Cp866ToUtf8(line.substr(32, 8));
  const TValueRead<double> km = TOutsideValue::Text(lengthText).Number();
  std::string fault = km.Fault;
  if (km && (!ImportNumberFault(*km * 1000).empty() || std::fabs(*km * 1000) >= 1e15))
    fault = "длина " + QuotedText(ImportName(lengthText)) + " км вне допустимого диапазона";
  if (fault.empty()) {
    length = *km * 1000;
    // a bus connection has no length of its own; every other section gives one, and one without it is
    // named rather than taken as a section of no length
    section.LengthRead = !ImportName(lengthText).empty() || IsBus(section.LineMark);
    if (!section.LengthRead && !section.Name1.empty())
      messages.Add("Файл " + fileName + ". Строка " + std::to_string(lineNumber) +
                   ". Не задана длина линии (колонки 33-40), принята 0");
  } else {
    messages.Add("Файл " + fileName + ". Строка " + std::to_string(lineNumber) + ". Неверно задана длина линии: " +
                 fault);
  }
  if (!IsBus(section.LineMark)) section.LineMark = FixedText(length, 0, 6) + "*" + section.LineMark;

  // "-" says no transformer; so does a field left out
  const std::string trans = Field(line, 42, 49);
  if (!trans.empty() && trans != "-") section.TransMark = trans + "/10/0.4";

  const std::u32string name2 = Chars(section.Name2);
  int n = !name2.empty() && IsDigitChar(name2.back()) ? static_cast<int>(name2.back() - U'0') : 1;
  if (section.Name2.find('.') == std::string::npos && name2.size() >= 2 && name2[name2.size() - 2] != U'Т') n = 1;
  section.TransName = "Т" + std::to_string(n);
}

TImportTaken ImportPshFolder(const std::string& baseStem, TBaseImport& base, const TImportProgress& progress) {
  base.Messages.clear();
  fs::path folder = fs::path(baseStem).parent_path();
  if (folder.empty()) folder = ".";
  std::vector<fs::path> folders{folder};
  for (const fs::directory_entry& entry : Entries(folder)) {
    std::error_code ec;
    // plain folders only: no links, nothing hidden
    if (entry.is_directory(ec) && !entry.is_symlink(ec) && entry.path().filename().string().rfind('.', 0) != 0)
      folders.push_back(entry.path());
  }
  std::vector<fs::path> files;
  for (const fs::path& f : folders)
    for (const fs::directory_entry& entry : Entries(f))
      if (IsPshFile(entry)) files.push_back(entry.path());

  TPshStore store;
  TImportMessages messages(base.Messages);
  TImportTaken all;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const TImportTaken taken = ImportPshFile(files[i], store, messages);
    all.Items += taken.Items;
    if (!taken.FirstReason.empty()) all.NotTaken(files[i].filename().string() + ": " + taken.FirstReason);
    if (progress) progress(static_cast<int>(Round((i + 1) * 100.0 / static_cast<double>(files.size()))));
  }
  // no feeder file, or none with a section, would give an empty base
  RefuseIfNothingTaken(PshFolderSource(baseStem), all);
  all.Summary = "файлов " + std::to_string(files.size()) + ", строк участков " + std::to_string(all.Items);
  messages.Finish();
  MakeBaseTables(store.lines, store.stations.Rows(), baseStem, base);
  return all;
}

std::string PshFolderSource(const std::string& baseStem) {
  fs::path folder = fs::path(baseStem).parent_path();
  if (folder.empty()) folder = ".";
  return (folder / "*.psh").string();
}

}  // namespace ld
