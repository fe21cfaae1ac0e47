// Household energy of a station charged to its 0.4 kV lines: to the line of a known feeder whole, else
// spread by the percentages the lines give, or by their total lengths or main sections, or in equal parts.
// A computed share is kept as a negative percentage, which the next run resets.
#include <charconv>
#include <cmath>
#include <vector>

#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/district/load_forming.h"

namespace ld {

bool ParseLineCodeNumber(const std::string& text, double& value) {
  // Mantissa digits, at most one decimal separator among them, then an optional exponent; the separator
  // is the user's, and no other character is allowed.
  const std::string& separator = FormatSettings.DecimalSeparator;
  std::string plain;
  std::size_t at = 0;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) plain += text[at++];
  bool digits = false, point = false;
  while (at < text.size()) {
    const char c = text[at];
    if (c >= '0' && c <= '9') {
      plain += c;
      digits = true;
      ++at;
    } else if (!point && !separator.empty() && text.compare(at, separator.size(), separator) == 0) {
      plain += '.';
      point = true;
      at += separator.size();
    } else {
      break;
    }
  }
  if (!digits) return false;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    plain += 'e';
    ++at;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) plain += text[at++];
    bool exponent = false;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
      plain += text[at++];
      exponent = true;
    }
    if (!exponent) return false;
  }
  if (at != text.size()) return false;
  const char* begin = plain.data();
  if (*begin == '+') ++begin;
  double v = 0;
  const auto [end, error] = std::from_chars(begin, plain.data() + plain.size(), v);
  if (error != std::errc() || end != plain.data() + plain.size() || !std::isfinite(v)) return false;
  value = v;
  return true;
}

namespace {

// The segments of a line code joined by "+", blanks removed.
std::vector<std::string> CodeSegments(const std::string& code) {
  std::vector<std::string> segments;
  const std::string text = RemoveBlanks(code);
  std::size_t from = 0;
  for (;;) {
    const std::size_t plus = text.find('+', from);
    segments.push_back(text.substr(from, plus == std::string::npos ? std::string::npos : plus - from));
    if (plus == std::string::npos) break;
    from = plus + 1;
  }
  return segments;
}

// The length of a segment is the text before its first "*" ("0" without one), the section the text after
// its first "-" ("0" without one).
std::string SegmentLength(const std::string& segment) {
  const std::size_t star = segment.find('*');
  return star == std::string::npos ? "0" : segment.substr(0, star);
}

std::string SegmentSection(const std::string& segment) {
  const std::size_t dash = segment.find('-');
  return dash == std::string::npos ? "0" : segment.substr(dash + 1);
}

}  // namespace

void TLoadForming::MarkLineTransformer(int j) {
  int t = -1;
  if (FindTransformerRow(ln_.NameTP->GetItem(j), ln_.Ntr->GetItem(j), t)) {
    if (tr_.T.Get(t) <= 0) tr_.T[t] = -4;
    return;
  }
  Say("Линии 0.4 кВ: " + ln_.NameTP->GetItem(j) + " " + ln_.Ntr->GetItem(j) +
      " в таблице трансформаторов ТП, РП не найден");
}

void TLoadForming::ChargeLine(int j, double share, double w) {
  ln_.T[j] = -4;
  (*ln_.Pn)[j] += share * w;
  (*ln_.Qn)[j] += share * w * options_.BytTg;
  (*ln_.WPbt)[j] += share * w;
  (*ln_.WQbt)[j] += share * w * options_.BytTg;
}

std::string TLoadForming::DistributeOverLines04(int row, std::span<const int> rows, double w) {
  if (row != 0) {
    if (ln_.T.Get(row) <= 0) ChargeLine(row, 1, w);
    MarkLineTransformer(row);
    return MakeFeederLinkName(ln_.NameTP->GetItem(row), ln_.Fider->GetItem(row));
  }
  const std::string station = ln_.NameTP->GetItem(rows.front());
  const std::string link = station.substr(0, station.find('.'));
  const auto formed = [&](int j) { return ln_.T.Get(j) <= 0; };

  // Shares computed for another household row of the station stand as negative percentages and are
  // taken again as they are.
  double percent = 0;
  for (const int j : rows) {
    MarkLineTransformer(j);
    if (formed(j)) percent += std::abs(ln_.P->Get(j));
  }
  if (percent != 0) {
    if (Round(percent) != 100)
      Say("Линии 0.4 кВ, " + ln_.NameTP->GetItem(rows.back()) + " : суммарная процентная загрузка не равна 100 %");
    for (const int j : rows)
      if (formed(j)) ChargeLine(j, std::abs(ln_.P->Get(j)) / 100.0, w);
    return link;
  }
  if (options_.FlagWFid04 > 1) return link;

  std::vector<double> sizes(rows.size(), 0.0);
  double total = 0;
  int counted = 0;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const int j = rows[k];
    double size = 0;
    for (const std::string& segment : CodeSegments(ln_.KodLine->GetItem(j))) {
      double x = 0;
      if (!ParseLineCodeNumber(options_.FlagWFid04 == 0 ? SegmentLength(segment) : SegmentSection(segment), x)) {
        Say("Линии 0.4 кВ, строка " + std::to_string(j) + " : неверно заданы параметры линии");
        continue;
      }
      if (options_.FlagWFid04 == 0)
        size += x;
      else if (size == 0 || size > x)
        size = x;  // the smallest section of the line
    }
    sizes[k] = size;
    if (formed(j)) {
      total += size;
      if (size != 0) ++counted;
    }
  }
  if (total != 0) {
    // a line without sizes counts as an average one
    const double average = total / counted;
    for (double& size : sizes)
      if (size == 0) {
        size = average;
        total += average;
      }
    for (std::size_t k = 0; k < rows.size(); ++k) {
      const int j = rows[k];
      if (!formed(j)) continue;
      const double size = sizes[k];
      ChargeLine(j, size / total, w);
      (*ln_.P)[j] = static_cast<float>(-size * 100 / total);
    }
    return link;
  }
  const int n = static_cast<int>(rows.size());
  for (const int j : rows)
    if (formed(j)) {
      ChargeLine(j, 1.0 / n, w);
      (*ln_.P)[j] = static_cast<float>(-100.0 / n);
    }
  return link;
}

}  // namespace ld
