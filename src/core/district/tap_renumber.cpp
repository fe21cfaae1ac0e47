#include "core/district/tap_renumber.h"

#include <cstdint>
#include <string>

#include "core/district/base_import.h"
#include "core/tables/colmaps_district.h"

namespace ld {

namespace {

// The N of a name "_<N>"; false for any other name.
bool TapOffNumber(const std::string& name, std::int64_t& number) {
  int value = 0;
  if (name.size() < 2 || name[0] != '_' || !IsIntegerText(name.substr(1), value)) return false;
  number = value;
  return true;
}

bool IsNumberName(const std::string& name) {
  int value = 0;
  return IsIntegerText(name, value);
}

}  // namespace

void RenumberTapOffs(TDataFile& lines, const TMeasureProgress& progress) {
  TLine10Cols c;
  FillLine10Cols(lines, c);
  const int n = c.RowCount;
  std::int64_t last = 0;
  for (int r = 1; r <= n; ++r)
    for (const DAString* names : {c.Name1, c.Name2})
      if (std::int64_t number = 0; TapOffNumber(names->GetItem(r), number) && number > last) last = number;

  // A number is renamed from the row where the block first names it down to the block's last row, so
  // the same number in two blocks gets two names; one call renames at most one name of a row, Name1
  // first.
  const auto renumber = [&](const std::string& old, int from, int to) {
    std::string name = "_";
    name += std::to_string(++last);
    for (int m = from; m <= to; ++m) {
      if (c.Name1->GetView(m) == old)
        c.Name1->SetItem(m, name);
      else if (c.Name2->GetView(m) == old)
        c.Name2->SetItem(m, name);
    }
  };

  TProgressTenths tenths(n, progress);
  int i = 0;
  do {
    const int a = i + 1;
    int b = a;
    while (b <= n && (*c.Sign)[b] == '+') ++b;
    if (b > a) {
      // the row above the run heads the block; a run from row 1 has no such row
      for (int k = a - 1 == 0 ? a : a - 1; k < b; ++k) {
        if (const std::string name1 = c.Name1->GetItem(k); IsNumberName(name1)) renumber(name1, k, b - 1);
        if (const std::string name2 = c.Name2->GetItem(k); IsNumberName(name2)) renumber(name2, k, b - 1);
        if ((*c.Sign)[k] == '+') (*c.Sign)[k] = 0;
      }
      i = b;
    } else {
      i = a;
    }
    tenths.Advance(i);
  } while (i < n);
}

void RenameSectionSwitches(TDataFile& stations, const TMeasureProgress& progress) {
  TTransTPCols c;
  FillTransTPCols(stations, c);
  TProgressTenths tenths(c.RowCount, progress);
  for (int r = 1; r <= c.RowCount; ++r) {
    std::string s = c.NameC->GetItem(r);
    if (const auto dot = s.find('.'); dot != std::string::npos) {
      s.erase(0, dot + 1);
      if (const auto second = s.find('.'); second != std::string::npos) s.resize(second);
      c.NameC->SetItem(r, s);
    }
    tenths.Advance(r);
  }
}

}  // namespace ld
