#include "core/base/inifile.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/file_replace.h"
#include "core/base/strings.h"

namespace ld {

// One line of the file. A key line keeps its original text until its value is written, so that a file
// read and written back without changes stays byte for byte the same.
struct TMemIniFile::Line {
  std::string text;   // the line as read or as last written (UTF-8, no line end)
  std::string key;    // empty for comments, empty lines and lines without "="
  std::string value;  // trimmed value of a key line
  bool isKey = false;
};

struct TMemIniFile::Section {
  std::string header;  // the "[...]" line as read; empty for the lines before the first section
  std::string name;
  std::vector<Line> lines;
};

namespace {

std::string Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return std::string(s.substr(b, e - b));
}

// Keys are nearly always Latin: those compare without building upper-case copies.
bool SameName(std::string_view a, std::string_view b) {
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    const auto ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
    if (ca >= 0x80 || cb >= 0x80) return UpperCase(a) == UpperCase(b);
    if (std::toupper(ca) != std::toupper(cb)) return false;
  }
  return a.size() == b.size();
}

bool ParseInt(const std::string& text, int& value) {
  if (text.empty()) return false;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (*first == '+') ++first;
  const auto [ptr, ec] = std::from_chars(first, last, value);
  return ec == std::errc() && ptr == last;
}

bool ParseFloat(const std::string& text, double& value) {
  if (text.empty()) return false;
  try {
    value = StrToFloatZ(text);
    return std::isfinite(value);
  } catch (const ConvertError&) {
    return false;
  }
}

// The shortest text that reads back as the same value, "1E-5" rather than "1e-05".
template <typename T>
std::string ShortestFloat(T value) {
  char buf[64];
  const auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value);
  std::string s = ec == std::errc() ? std::string(buf, ptr) : std::string("0");
  const std::size_t e = s.find('e');
  if (e == std::string::npos) return s;
  std::string exp = s.substr(e + 1);
  std::string sign;
  if (!exp.empty() && (exp[0] == '+' || exp[0] == '-')) {
    if (exp[0] == '-') sign = "-";
    exp.erase(0, 1);
  }
  while (exp.size() > 1 && exp[0] == '0') exp.erase(0, 1);
  return s.substr(0, e) + "E" + sign + exp;
}

void ConvertPart(const std::string& text, int& out) {
  try {
    out = StrToIntZ(Trim(text));
  } catch (const ConvertError&) {
    throw ConvertError('"' + text + "\" не является целым числом");
  }
}

}  // namespace

TIniFileWriter SetIniFileWriter(TIniFileWriter writer) { return SetFileBytesWriter(std::move(writer)); }

TMemIniFile::TMemIniFile(std::string fileName) : fileName_(std::move(fileName)) { Load(); }

TMemIniFile::TMemIniFile(std::string fileName, std::string_view bytes) : fileName_(std::move(fileName)) {
  sections_.push_back(std::make_unique<Section>());
  Parse(bytes);
}

TMemIniFile::~TMemIniFile() = default;

void TMemIniFile::Load() {
  sections_.clear();
  sections_.push_back(std::make_unique<Section>());
  std::error_code ec;
  if (fileName_.empty() || !std::filesystem::exists(fileName_, ec)) return;
  const auto fail = [this](const std::string& reason) {
    return TIniFileError("Ошибка чтения файла \"" + fileName_ + "\": " + reason, reason);
  };
  if (std::filesystem::is_directory(fileName_, ec)) throw fail("это папка, а не файл");
  std::ifstream in(fileName_, std::ios::binary);
  if (!in) throw fail(SystemErrorText(errno));
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw fail("файл не читается");
  Parse(bytes);
}

void TMemIniFile::Parse(std::string_view bytes) {
  const std::string text = Cp1251ToUtf8(bytes);
  // Lines end in CR LF, LF or a lone CR (files saved by old editors of other systems).
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    std::string raw = text.substr(pos, end - pos);
    pos = end + 1;
    if (end < text.size() && text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
    const std::string trimmed = Trim(raw);
    if (!trimmed.empty() && trimmed.front() == '[') {
      auto section = std::make_unique<Section>();
      section->header = raw;
      const std::size_t close = trimmed.find(']');
      section->name = Trim(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      sections_.push_back(std::move(section));
      continue;
    }
    Line line;
    line.text = raw;
    const std::size_t eq = raw.find('=');
    if (!trimmed.empty() && trimmed.front() != ';' && eq != std::string::npos) {
      line.key = Trim(std::string_view(raw).substr(0, eq));
      line.value = Trim(std::string_view(raw).substr(eq + 1));
      line.isKey = !line.key.empty();
    }
    sections_.back()->lines.push_back(std::move(line));
  }
}

TMemIniFile::Section* TMemIniFile::FindSection(const std::string& name) {
  for (std::size_t i = 1; i < sections_.size(); ++i)
    if (SameName(sections_[i]->name, name)) return sections_[i].get();
  return nullptr;
}

const TMemIniFile::Section* TMemIniFile::FindSection(const std::string& name) const {
  return const_cast<TMemIniFile*>(this)->FindSection(name);
}

const TMemIniFile::Line* TMemIniFile::FindKey(const std::string& section, const std::string& key) const {
  const Section* s = FindSection(section);
  if (!s) return nullptr;
  for (const Line& line : s->lines)
    if (line.isKey && SameName(line.key, key)) return &line;
  return nullptr;
}

bool TMemIniFile::SectionExists(const std::string& section) const { return FindSection(section) != nullptr; }

bool TMemIniFile::ValueExists(const std::string& section, const std::string& key) const {
  return FindKey(section, key) != nullptr;
}

std::string TMemIniFile::ReadString(const std::string& section, const std::string& key,
                                    const std::string& def) const {
  const Line* line = FindKey(section, key);
  return line ? line->value : def;
}

int TMemIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  int value = 0;
  return ParseInt(ReadString(section, key, ""), value) ? value : def;
}

bool TMemIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

double TMemIniFile::ReadFloat(const std::string& section, const std::string& key, double def) const {
  double value = 0;
  return ParseFloat(ReadString(section, key, ""), value) ? value : def;
}

void TMemIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  Section* s = FindSection(section);
  if (!s) {
    // A blank line keeps sections apart when the last one ends without one.
    const Section& lastSection = *sections_.back();
    if (sections_.size() > 1 && !lastSection.lines.empty() && !Trim(lastSection.lines.back().text).empty())
      sections_.back()->lines.push_back(Line{});
    auto fresh = std::make_unique<Section>();
    fresh->name = section;
    fresh->header = "[" + section + "]";
    s = fresh.get();
    sections_.push_back(std::move(fresh));
  }
  const std::string v = Trim(value);
  for (Line& line : s->lines) {
    if (line.isKey && SameName(line.key, key)) {
      if (line.value == v) return;
      line.value = v;
      line.text = line.key + "=" + v;
      Changed();
      return;
    }
  }
  Line line;
  line.key = key;
  line.value = v;
  line.text = key + "=" + v;
  line.isKey = true;
  // New keys go after the last key of the section, before its trailing empty lines.
  std::size_t at = s->lines.size();
  while (at > 0 && Trim(s->lines[at - 1].text).empty()) --at;
  s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
  Changed();
}

void TMemIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void TMemIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TMemIniFile::WriteFloat(const std::string& section, const std::string& key, double value) {
  WriteString(section, key, ShortestFloat(value));
}

void TMemIniFile::WriteSingle(const std::string& section, const std::string& key, float value) {
  WriteString(section, key, ShortestFloat(value));
}

std::vector<std::string> TMemIniFile::ReadSection(const std::string& section) const {
  std::vector<std::string> keys;
  if (const Section* s = FindSection(section))
    for (const Line& line : s->lines)
      if (line.isKey) keys.push_back(line.key);
  return keys;
}

std::vector<std::string> TMemIniFile::ReadSectionValues(const std::string& section) const {
  std::vector<std::string> values;
  if (const Section* s = FindSection(section)) {
    for (const Line& line : s->lines) {
      const std::string t = Trim(line.text);
      if (t.empty() || t.front() == ';') continue;
      values.push_back(line.isKey ? line.key + "=" + line.value : t);
    }
  }
  return values;
}

std::vector<std::string> TMemIniFile::ReadSections() const {
  std::vector<std::string> names;
  for (std::size_t i = 1; i < sections_.size(); ++i) names.push_back(sections_[i]->name);
  return names;
}

void TMemIniFile::EraseSection(const std::string& section) {
  bool erased = false;
  for (std::size_t i = 1; i < sections_.size();) {
    if (SameName(sections_[i]->name, section)) {
      sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(i));
      erased = true;
    } else {
      ++i;
    }
  }
  if (erased) Changed();
}

void TMemIniFile::DeleteKey(const std::string& section, const std::string& key) {
  Section* s = FindSection(section);
  if (!s) return;
  for (auto it = s->lines.begin(); it != s->lines.end(); ++it) {
    if (it->isKey && SameName(it->key, key)) {
      s->lines.erase(it);
      Changed();
      return;
    }
  }
}

std::string TMemIniFile::FileBytes() const {
  std::string text;
  for (const auto& section : sections_) {
    if (!section->header.empty()) text += section->header + "\r\n";
    for (const Line& line : section->lines) text += line.text + "\r\n";
  }
  return Utf8ToCp1251(text);
}

void TMemIniFile::UpdateFile() {
  if (!dirty_) return;
  WriteFileReplacing(fileName_, FileBytes());
  dirty_ = false;
}

void TIniFile::Changed() {
  TMemIniFile::Changed();
  UpdateFile();
}

// ---- floats and moments ---------------------------------------------------------------------------

double IniReadFloat(const TMemIniFile& ini, const std::string& section, const std::string& key, double def) {
  const std::string value = ini.ReadString(section, key, "");
  if (value.empty()) return def;
  return StrToFloatZ(value);
}

TDateTime IniReadDateTime(const TMemIniFile& ini, const std::string& section, const std::string& key,
                          TDateTime def) {
  const std::string value = ini.ReadString(section, key, "");
  if (value.empty()) return def;
  const char sep = '.';
  const std::size_t p1 = value.find(sep);
  if (p1 == std::string::npos) return Now();
  const std::size_t p2 = value.find(sep, p1 + 1);
  if (p2 == std::string::npos) throw ConvertError('"' + value + "\" не является датой");
  int day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0;
  ConvertPart(value.substr(0, p1), day);
  ConvertPart(value.substr(p1 + 1, p2 - p1 - 1), month);
  const std::string rest = value.substr(p2 + 1);
  const std::size_t blank = rest.find(' ');
  if (blank != std::string::npos) {
    ConvertPart(rest.substr(0, blank), year);
    const std::string time = rest.substr(blank + 1);
    const std::size_t c1 = time.find(':');
    const std::size_t c2 = c1 == std::string::npos ? c1 : time.find(':', c1 + 1);
    if (c2 == std::string::npos) throw ConvertError('"' + value + "\" не является датой и временем");
    ConvertPart(time.substr(0, c1), hour);
    ConvertPart(time.substr(c1 + 1, c2 - c1 - 1), minute);
    ConvertPart(time.substr(c2 + 1), second);
  } else {
    ConvertPart(rest, year);
  }
  TDateTime date = 0, moment = 0;
  if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, minute, second, 0, moment))
    throw ConvertError('"' + value + "\" не является датой и временем");
  return date >= 0 ? date + moment : date - moment;
}

void IniWriteDateTime(TMemIniFile& ini, const std::string& section, const std::string& key, TDateTime value) {
  ini.WriteString(section, key, FormatDateTime("dd.mm.yyyy hh:nn:ss", value));
}

}  // namespace ld
