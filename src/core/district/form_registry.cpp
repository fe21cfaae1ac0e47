#include <algorithm>
#include <cmath>

#include "core/base/codepage.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/district/form_context.h"

namespace ld::forming {

namespace {

// A node name as the table keeps it: at most 255 characters.
std::string Stored(const std::string& name) {
  return name.size() > kShortStringMax ? Utf8Left(name, kShortStringMax) : name;
}

std::u32string SortKey(const std::string& upper) {
  std::u32string key;
  key.reserve(upper.size());
  for (std::size_t pos = 0; pos < upper.size();) key.push_back(static_cast<char32_t>(Cp1251SortKey(NextUtf8Char(upper, pos))));
  return key;
}

}  // namespace

int TNodeRegistry::Find(const std::string& name) const {
  const auto it = byKey_.find(UpperCase(Stored(name)));
  return it == byKey_.end() ? 0 : it->second;
}

int TNodeRegistry::Get(const std::string& name, float um, bool& created) {
  std::string stored = Stored(name);
  const auto [it, inserted] = byKey_.try_emplace(UpperCase(stored), 0);
  created = inserted;
  if (inserted) {
    TFormNode node;
    node.Name = std::move(stored);
    node.Um = um;
    nodes_.push_back(std::move(node));
    it->second = static_cast<int>(nodes_.size());
  }
  return it->second;
}

void TNodeRegistry::Reserve(std::size_t count) {
  nodes_.reserve(count);
  byKey_.reserve(count);
}

std::vector<int> TNodeRegistry::NameOrder() const {
  std::vector<std::pair<std::u32string, int>> keys;
  keys.reserve(byKey_.size());
  for (const auto& [upper, ns] : byKey_) keys.emplace_back(SortKey(upper), ns);
  // Keys are unique: one node per name whatever its letter case.
  std::sort(keys.begin(), keys.end());
  std::vector<int> order;
  order.reserve(keys.size());
  for (const auto& key : keys) order.push_back(key.second);
  return order;
}

char LetterByte(char32_t letter) {
  if (letter == 0) return 0;
  const int code = Cp1251Code(letter);
  return code < 0 ? '?' : static_cast<char>(code);
}

std::string GeneralDot(double value) {
  std::string text = FloatToStrGeneral(value, 7);
  const std::string& separator = FormatSettings.DecimalSeparator;
  if (!separator.empty() && separator != ".")
    if (const std::size_t at = text.find(separator); at != std::string::npos)
      text = text.substr(0, at) + '.' + text.substr(at + separator.size());
  return text;
}

double TextNumber(const std::string& text) {
  try {
    const double v = StrToFloatZ(TrimName(text));
    return std::isfinite(v) ? v : 0;
  } catch (const ConvertError&) {
    return 0;
  }
}

}  // namespace ld::forming
