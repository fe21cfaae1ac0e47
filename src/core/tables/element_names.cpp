#include "core/tables/element_names.h"

#include <array>

#include "core/base/codepage.h"
#include "core/base/import_text.h"
#include "core/base/strings.h"

namespace ld {

std::string SubstationOf(std::string_view name) { return UpperCase(name.substr(0, name.find('.'))); }

std::string TrimName(std::string_view name) { return std::string(ImportName(name)); }

namespace {

std::array<char32_t, 256> MakeLetters() {
  std::array<char32_t, 256> letters{};
  for (int b = 1; b < 256; ++b) {
    if (b == ' ') continue;
    std::string one;
    AppendUtf8(one, Cp1251Char(static_cast<unsigned char>(b)));
    const std::string normal = NormalizeName(one);
    std::size_t pos = 0;
    letters[static_cast<std::size_t>(b)] = NextUtf8Char(normal, pos);
  }
  return letters;
}

bool SameNode(const std::string& a, const std::string& b) { return a == b || UpperCase(a) == UpperCase(b); }

bool StartsWithDigit(const std::string& name) { return !name.empty() && name[0] >= '0' && name[0] <= '9'; }

// A "." that ends the name or is followed by a digit: the name then ends in a section of a bus.
bool SectionPoint(const std::string& name, std::size_t point) {
  return point != std::string::npos && (point + 1 == name.size() || (name[point + 1] >= '0' && name[point + 1] <= '9'));
}

}  // namespace

char32_t DistrictLetter(char cell) {
  static const std::array<char32_t, 256> letters = MakeLetters();
  return letters[static_cast<unsigned char>(cell)];
}

char32_t StationLetter(char cell) {
  const char32_t letter = DistrictLetter(cell);
  return letter == U'Р' ? U'О' : letter;
}

std::vector<TLine10Ends> ComposeLine10Ends(const TLine10Cols& l) {
  const int n = l.RowCount;
  std::vector<TLine10Ends> ends(static_cast<std::size_t>(n) + 1);
  const auto plus = [&](int row) { return row >= 1 && row <= n && l.Sign->Get(row) == '+'; };
  int group = 0;
  bool inGroup = false;
  for (int i = 1; i <= n; ++i) {
    TLine10Ends& e = ends[static_cast<std::size_t>(i)];
    e.Name1 = TrimName(l.Name1->GetView(i));
    e.Name2 = TrimName(l.Name2->GetView(i));
    if (e.Name1.empty() && !e.Name2.empty()) {
      e.Name1.assign(1, ' ');
      e.NoBegin = true;
    } else if (e.Name2.empty() && !e.Name1.empty()) {
      e.Name2.assign(1, ' ');
      e.NoEnd = true;
    }
    // A row whose ends are one node takes no part in the numbering of tap-off groups.
    if (SameNode(e.Name1, e.Name2)) {
      e.Same = true;
      continue;
    }
    const bool member = plus(i) || plus(i + 1);
    if (member && !inGroup) {
      ++group;
      inGroup = true;
    }
    if (inGroup) {
      const std::string tag = "отп" + std::to_string(group) + "_";
      if (StartsWithDigit(e.Name1)) e.Name1 = tag + e.Name1;
      if (StartsWithDigit(e.Name2)) e.Name2 = tag + e.Name2;
    }
    if (plus(i) && !plus(i + 1)) inGroup = false;
  }
  return ends;
}

bool IsEquipmentLineRow(const TLine10Cols& l, int row) {
  const char32_t sign = DistrictLetter(l.Sign->Get(row));
  if (sign == U'Т' || sign == U'Р') return true;
  const std::string_view type = l.TypEqu->GetView(row);
  return !type.empty() && (type[0] == 'T' || type[0] == 'R');
}

bool StationName2Shown(const TDataFile& stations) {
  for (int k = 1; k <= stations.NCols; ++k)
    if (stations.FieldName[k] == "Name2") return stations.Visible[k] == 1;
  return false;
}

TStationNames ComposeStationNames(const TTransTPCols& t, int row, bool name2Shown) {
  TStationNames s;
  s.Station = TrimName(t.Name1->GetView(row));
  const std::size_t point = s.Station.find('.');
  s.Prefix = s.Station.substr(0, point);
  const std::string name2 = name2Shown ? TrimName(t.Name2->GetView(row)) : std::string();
  const std::string ntr = TrimName(t.Ntr->GetView(row));
  // A shown but empty Name2 names nothing: every such station would share one unnamed node.
  if (!name2.empty())
    s.Low = name2;
  else if (!ntr.empty())
    s.Low = (SectionPoint(s.Station, point) ? s.Prefix : s.Station) + "." + ntr;
  const std::string third = TrimName(t.NameC->GetView(row));
  if (!third.empty()) {
    std::string part = third;
    if (const std::size_t first = third.find('.'); first != std::string::npos) {
      part = third.substr(first + 1);
      part = part.substr(0, part.find('.'));
    }
    s.Third = s.Prefix + "." + part;
  }
  return s;
}

TLine04Ends ComposeLine04Ends(const TLine04Cols& l, int row) {
  TLine04Ends e;
  e.Station = TrimName(l.NameTP->GetView(row));
  if (const std::size_t point = e.Station.find('.'); SectionPoint(e.Station, point)) e.Station.erase(point);
  const std::string ntr = TrimName(l.Ntr->GetView(row));
  const std::string fider = TrimName(l.Fider->GetView(row));
  e.Name1 = ntr.empty() ? e.Station : e.Station + "." + ntr;
  const std::string head = UpperCase(Utf8Left(fider, 2));
  const bool link = head == "СР" || head == "ЛР" || head == "Р-" || head == "РК";
  e.Name2 = link ? fider : e.Station + "." + fider;
  return e;
}

TFeedEnds ComposeFeedEnds(const TSubstInputCols& s, int row) {
  return {TrimName(s.Subst->GetView(row)), TrimName(s.NamePS->GetView(row)), TrimName(s.LinkPS->GetView(row))};
}

}  // namespace ld
