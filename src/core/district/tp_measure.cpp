#include "core/district/tp_measure.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/base/codepage.h"
#include "core/base/import_number.h"
#include "core/base/import_text.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/district/station_index.h"
#include "core/district/subscriber_cells.h"
#include "core/tables/colmaps_district.h"

namespace ld {

namespace {

// "О" of Commut: the transformer is switched off.
const char kSwitchedOff = static_cast<char>(Cp1251Code(U'О'));

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::string StripKindPrefix(std::string_view upper, TStationKeyKind kind) {
  if (StartsWith(upper, "ТП")) {
    upper.remove_prefix(std::string_view("ТП").size());
  } else {
    for (const std::string_view prefix : {"КТП", "ЗТП", "МТП"})
      if (StartsWith(upper, prefix)) {
        upper.remove_prefix(prefix.size());
        break;
      }
  }
  if (!upper.empty() && (upper[0] == '-' || (upper[0] == ' ' && kind == TStationKeyKind::Transformers)))
    upper.remove_prefix(1);
  return std::string(upper);
}

// The text's characters that pass the test, as UTF-8.
template <typename Keep>
std::string KeepChars(std::string_view text, Keep keep) {
  std::string out;
  for (std::size_t pos = 0; pos < text.size();) {
    const char32_t ch = NextUtf8Char(text, pos);
    if (keep(ch)) AppendUtf8(out, ch);
  }
  return out;
}

bool IsDigit(char32_t ch) { return ch >= U'0' && ch <= U'9'; }

// A number of a text; false when it reads as none, or as one no column holds.
bool ReadKept(const std::string& text, double& value) {
  const std::optional<double> v = ImportNumber(text);
  if (v) value = *v;
  return v.has_value();
}

// A rated power or a load of the sheet: the cell's number read whole, or with the unit of its column
// after it ("250 кВА", "120кВт"), which is no part of the number. Anything else ("2x400", "4OO", a
// power of "2,5" read as 25) is named by its cell with its text, never read by its digits alone.
bool ReadMeasured(const TSheetCells& cells, int row, int col, std::initializer_list<std::string_view> units,
                  double& value, TImportMessages& messages) {
  const TOutsideValue cell = cells(row, col);
  const TValueRead<double> whole = cell.Number();
  if (whole) {
    value = *whole;
    return true;
  }
  // a text merged down from a row above is a figure of that row, never this one's (CoveredFault)
  if (const TValueRead<std::string> name = cell.Name();
      name && cell.Kind() == TOutsideValue::TKind::Text && cell.CoveredFault().empty()) {
    std::string_view number = *name;
    const std::string upper = UpperCase(number);
    for (const std::string_view unit : units)
      if (const std::string u = UpperCase(unit); upper.size() == number.size() && upper.ends_with(u)) {
        number = ImportTrimmed(number.substr(0, number.size() - u.size()));
        break;
      }
    if (number.size() < name.Value->size() && ReadKept(std::string(number), value)) return true;
  }
  value = 0;
  messages.Add([&] { return SheetReadError(row, col) + " (" + whole.Fault + ")"; });
  return false;
}

// What a cell shows, for telling a row of data from a heading by its digits; a cell that holds no value
// the program can take refuses the workbook by its cell, never passes for a heading.
std::string Shown(const TSheetCells& cells, int row, int col) {
  const TOutsideValue cell = cells(row, col);
  if (cell.Kind() == TOutsideValue::TKind::Unreadable) throw TCellTextError(row, col, cell.Name().Fault);
  return cell.Quoted();
}

// Rated powers compare to a hundredth of a kVA.
bool SameHundredths(double a, double b) {
  constexpr double kRoundable = 9e16;
  if (std::fabs(a * 100) >= kRoundable || std::fabs(b * 100) >= kRoundable) return a == b;
  return Round(a * 100) == Round(b * 100);
}

std::string Number(double v) { return FloatToStrGeneral(v, 7); }

std::string Mismatch(const std::string& who, double sheet, double base) {
  return who + " - несовпадение Sном: " + Number(sheet) + " <> " + Number(base) + " кВА";
}

bool IsSwitchedOn(char commut) { return commut == 0 || commut == ' '; }

// The table's rows by station key; the rows of one key are the transformers of one station, in table
// order.
TStationIndex StationIndex(const TTransTPCols& c, TStationKeyKind kind) {
  std::vector<std::string> keys;
  keys.reserve(static_cast<std::size_t>(c.RowCount));
  for (int r = 1; r <= c.RowCount; ++r) keys.push_back(TableStationKey(c.Name1->GetView(r), kind));
  return TStationIndex(keys);
}

std::vector<float> RatedPowers(const TTransTPCols& c) {
  std::vector<float> rated(static_cast<std::size_t>(c.RowCount) + 1);
  for (int r = 1; r <= c.RowCount; ++r) rated[static_cast<std::size_t>(r)] = RatedPowerOfMark(c.Transform->GetView(r));
  return rated;
}

void ResetLoads(TTransTPCols& c, int r) {
  c.T[r] = 0;
  (*c.Pn)[r] = 0;
  (*c.Qn)[r] = 0;
  (*c.Pg)[r] = 0;
  (*c.Qg)[r] = 0;
}

}  // namespace

std::string StationKey(std::string_view name, TStationKeyKind kind) { return StripKindPrefix(UpperCase(name), kind); }

std::string TableStationKey(std::string_view name1, TStationKeyKind kind) {
  std::string upper = UpperCase(name1);
  if (const auto dot = upper.find('.'); dot != std::string::npos) upper.resize(dot);
  return StripKindPrefix(upper, kind);
}

float RatedPowerOfMark(std::string_view mark) {
  if (const auto dash = mark.find('-'); dash != std::string_view::npos) mark.remove_prefix(dash + 1);
  if (const auto slash = mark.find('/'); slash != std::string_view::npos) mark = mark.substr(0, slash);
  double value = 0;
  return ReadKept(std::string(mark), value) ? static_cast<float>(value) : 0.0f;
}

int MeasurementType(float setting) {
  if (!(std::fabs(setting) < 1e9f)) return 2;
  const std::int64_t type = Round(setting);
  return type == 2 || type == 3 || type == 5 ? static_cast<int>(type) : 2;
}

TImportTaken ImportTPMeasurements(TDataFile& stations, const TSheetCells& cells, double tangent,
                                  std::vector<std::string>& out, const TMeasureProgress& progress) {
  TImportMessages messages(out);
  TImportTaken taken;
  TTransTPCols c;
  FillTransTPCols(stations, c);
  const TStationIndex index = StationIndex(c, TStationKeyKind::Transformers);
  const std::vector<float> rated = RatedPowers(c);
  std::vector<std::string> designations(static_cast<std::size_t>(c.RowCount) + 1);
  for (int r = 1; r <= c.RowCount; ++r) {
    designations[static_cast<std::size_t>(r)] = UpperCase(c.Ntr->GetView(r));
    (*c.Commut)[r] = 0;
    (*c.U)[r] = 0;
    ResetLoads(c, r);
  }

  const std::vector<TSheetName> names = ScanNameColumn(cells, {3, UpperTrimmed, true});
  const int count = static_cast<int>(names.size()) - 1;
  TProgressTenths tenths(count, progress);
  bool measured = false;  // a transformer's row met
  for (int i = 1; i <= count; tenths.Advance(i), ++i) {
    const std::string& name = names[static_cast<std::size_t>(i)].Name;
    const std::string& fault = names[static_cast<std::size_t>(i)].Fault;
    // a title above the first transformer, without a rated power or with its date where a power stands,
    // is no station's name, whatever its text holds ("Замеры, кВт×1000")
    const std::string powerDigits = KeepChars(Shown(cells, i, 5), IsDigit);
    if (!measured && (powerDigits.empty() || TitleMark(cells(i, 5))) && SheetTitleRow(cells, i, {8}, 8, false)) continue;
    // a name that cannot be read matches no station, and is no heading either: its cell is named
    if (!fault.empty()) {
      NameCellFault(i, 3, fault, messages, taken);
      continue;
    }
    if (name.empty()) continue;
    // a row without a rated power is a heading or a caption; so are the units or the columns' numbers
    // under a heading
    if (powerDigits.empty() || UnderHeadings(cells, i, 3, {8}, 8)) continue;
    measured = true;
    // a rated power that does not read (a figure merged down from the transformer above) measures
    // nothing: the row is named by its cell, and no load is given without the power it goes with
    double power = 0;
    if (!ReadMeasured(cells, i, 5, {"кВА", "kVA"}, power, messages)) {
      taken.NotTakenAt(i, "столбец 5: значение не является числом (" + cells(i, 5).Number().Fault + ")");
      continue;
    }
    bool whole = true;
    std::string designation =
        KeepChars(UpperCase(Shown(cells, i, 4)), [](char32_t ch) { return IsDigit(ch) || ch == U'Т'; });
    if (designation == "Т") designation = "Т1";
    const std::string loadText =
        KeepChars(Shown(cells, i, 8), [](char32_t ch) { return IsDigit(ch) || ch == U',' || ch == U'.'; });
    const bool hasLoad = !loadText.empty();
    double load = 0;
    if (hasLoad && !ReadMeasured(cells, i, 8, {"кВт", "kW"}, load, messages)) {
      whole = false;
      taken.NotTakenAt(i, "столбец 8: значение не является числом (" + cells(i, 8).Number().Fault + ")");
    }

    const std::span<const int> station = index.Find(StationKey(name, TStationKeyKind::Transformers));
    if (station.empty()) {
      NameRowNotTaken(i, name, TRowNotTaken::NotInBase, messages, taken);
      continue;
    }
    int r = 0;
    for (auto it = station.rbegin(); it != station.rend() && r == 0; ++it)
      if (designations[static_cast<std::size_t>(*it)] == designation) r = *it;
    const std::string who = name + " " + designation;
    if (r == 0) {
      NameRowNotTaken(i, who, TRowNotTaken::NotInBase, messages, taken);
      continue;
    }
    if (c.T[r] != 0) {
      // an earlier row of the sheet filled it already
      NameRowNotTaken(i, who, TRowNotTaken::Repeated, messages, taken);
      continue;
    }
    if (whole) ++taken.Items;
    c.T[r] = 1;
    if (hasLoad) {
      (*c.Pn)[r] = load;
      (*c.Qn)[r] = load * tangent;
    } else {
      (*c.Commut)[r] = kSwitchedOff;
    }
    const double base = SingleToDouble(rated[static_cast<std::size_t>(r)]);
    if (!SameHundredths(base, power)) messages.Add([&] { return Mismatch(who, power, base); });
  }
  return taken;
}

TImportTaken ImportTPStationMeasurements(TDataFile& stations, const TSheetCells& cells, int type,
                                         std::vector<std::string>& out, const TMeasureProgress& progress,
                                         const std::function<bool(int row)>& unreadFrom4) {
  TImportMessages messages(out);
  TImportTaken taken;
  TTransTPCols c;
  FillTransTPCols(stations, c);
  const TStationIndex index = StationIndex(c, TStationKeyKind::Stations);
  const std::vector<float> rated = RatedPowers(c);
  for (int r = 1; r <= c.RowCount; ++r) ResetLoads(c, r);
  const auto ratedOf = [&](int r) { return SingleToDouble(rated[static_cast<std::size_t>(r)]); };

  const std::vector<TSheetName> names =
      ScanNameColumn(cells, {1, [](std::string_view t) { return RemoveBlanks(UpperCase(t)); }, false});
  // the titles above the headings are passed, and the rows that go on with the headings below them
  // (units, the columns' numbers); a sheet without headings begins with its first row of values
  const TSheetHead head = SheetHeadRows(cells, 1, 1, {2, 3, 4, 5, 6, 7}, 7);
  // the heading of column 4 tells the layout: one that cannot be read tells none (a sign that
  // Windows-1251 lacks, "Sном Т2, кВ⋅А", is no fault of a heading, which is never stored); an empty one,
  // or one that names nothing read (a remarks column), leaves the transformers' columns unread
  if (head.Heading > 0)
    if (TValueRead<std::string> heading4 = cells(head.Heading, 4).Heading(); !heading4)
      throw TCellTextError(head.Heading, 4, std::move(heading4.Fault));
  const bool stationLayout =
      head.Heading == 0 || (unreadFrom4 ? unreadFrom4(head.Heading) : cells(head.Heading, 4).Blank());
  const int count = static_cast<int>(names.size()) - 1;
  // the heading's name is read as the rest are: one that cannot be read is named, never passed over
  if (head.Heading > 0 && count >= head.Heading && !names[static_cast<std::size_t>(head.Heading)].Fault.empty())
    NameCellFault(head.Heading, 1, names[static_cast<std::size_t>(head.Heading)].Fault, messages, taken);
  std::vector<std::string> notFound;
  TProgressTenths tenths(count, progress);
  for (int i = head.First; i <= count; tenths.Advance(i), ++i) {
    const std::string& name = names[static_cast<std::size_t>(i)].Name;
    const std::string& fault = names[static_cast<std::size_t>(i)].Fault;
    // A cell that is no number counts as an empty one, never as the row above it; the row is whole when
    // the cells its layout takes read.
    float v[8] = {};
    int unread = 0;
    for (const int col : {2, 4, 5, 3, 6, 7})
      if ((!stationLayout || col <= 3) && !ReadSheetValue(cells, col, i, v[col], messages) && unread == 0) unread = col;
    const double loads = SingleToDouble(v[3]) + SingleToDouble(v[5]) + SingleToDouble(v[7]);
    if (!fault.empty()) {
      NameCellFault(i, 1, fault, messages, taken);
      continue;
    }
    // a row whose name is no station of the base is told by its name first: a sheet of other names (a
    // staff list) is said to name no station, not to hold numbers that are none
    const std::span<const int> station = index.Find(StationKey(name, TStationKeyKind::Stations));
    if (station.empty()) {
      if (!name.empty()) taken.NotTakenAt(i, name + " - не найден в базе РЭС");
      if (loads != 0) notFound.push_back(name);
      continue;
    }
    if (unread != 0)
      taken.NotTakenAt(i, "столбец " + std::to_string(unread) + ": значение не является числом (" +
                              cells(i, unread).Number().Fault + ")");
    if (c.T[station.back()] != 0) {
      NameRowNotTaken(i, name, TRowNotTaken::Repeated, messages, taken);
      continue;
    }
    // the row measured its station when it gave a transformer its kind
    const auto count = [&] {
      if (unread == 0 && std::any_of(station.begin(), station.end(), [&](int r) { return c.T[r] != 0; }))
        ++taken.Items;
    };
    double sumAll = 0, sumOn = 0;
    for (const int r : station) {
      sumAll += ratedOf(r);
      if (IsSwitchedOn((*c.Commut)[r])) sumOn += ratedOf(r);
    }

    if (stationLayout) {
      const double load = SingleToDouble(v[3]);
      if (sumOn != 0 && load != 0)
        for (const int r : station) {
          c.T[r] = type;
          if (IsSwitchedOn((*c.Commut)[r])) (*c.Pn)[r] = ratedOf(r) * load / sumOn;
        }
      if (const double power = SingleToDouble(v[2]); power != 0 && !SameHundredths(sumAll, power))
        messages.Add(Mismatch(name, power, sumAll));
      count();
      continue;
    }

    if (loads == 0) continue;
    for (const int r : station) c.T[r] = type;
    for (int k = 1; k <= 3; ++k) {
      const std::string designation = "Т" + std::to_string(k);
      const double power = SingleToDouble(v[2 * k]);
      const double load = SingleToDouble(v[2 * k + 1]);
      const std::string who = name + " " + designation;
      int r = 0;
      for (auto it = station.begin(); it != station.end() && r == 0; ++it)
        if (c.Ntr->GetView(*it) == designation) r = *it;
      if (r == 0) {
        if (load != 0) messages.Add(who + " - есть в замерах, нет в схеме");
        continue;
      }
      if (load == -1) {
        (*c.Commut)[r] = kSwitchedOff;
      } else {
        (*c.Pn)[r] = load;
        (*c.Commut)[r] = 0;
        if (load == 0) {
          messages.Add(who + " - есть в схеме, нет в замерах");
          c.T[r] = 0;
        }
      }
      if (power != 0 && !SameHundredths(ratedOf(r), power)) messages.Add(Mismatch(who, power, ratedOf(r)));
    }
    count();
  }

  if (!notFound.empty()) {
    messages.Add("");
    messages.Add("[Не найдены ТП в базе РЭС]");
    for (std::string& name : notFound) messages.Add(std::move(name));
  }
  return taken;
}

}  // namespace ld
