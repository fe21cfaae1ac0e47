#include "core/district/import_rs.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <filesystem>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/import_messages.h"
#include "core/base/import_number.h"
#include "core/base/import_text.h"
#include "core/base/outside_value.h"
#include "core/base/strings.h"
#include "core/district/subscriber_cells.h"
#include "core/district/subscriber_dbf.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"

namespace ld {

namespace {

constexpr char32_t kSupply = U'П', kTransformer = U'Т', kContinued = U'+';

const char kNoFeedVoltage[] = ". Не задано номинальное напряжение ИП, принято Uн = 10 кВ";
const char kBadTransformerMark[] = ". Неверно задана марка тр-ра";
const char kNoVoltage[] = ". Не найдено Uн, принято Uн = 10 кВ";

std::string FileNameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

// A name of the source as every import takes one (ImportName).
std::string Trim(const std::string& s) { return std::string(ImportName(s)); }

char32_t CharAt(const DAChar* column, int row) {
  return column ? Cp1251Char(static_cast<unsigned char>(column->Get(row))) : 0;
}

// A number read whole, as every import reads one from an outside file; why not, naming the text, when it
// is none. An empty text or "-" is no number here.
std::string NumberFault(const std::string& text, double& value) {
  const std::string shown = ImportName(text);
  if (shown.empty() || shown == "-") return "не задано число";
  const TValueRead<double> read = TOutsideValue::Text(text).Number();
  if (!read) return read.Fault;
  if (std::fabs(*read) >= 1e15) return "число " + QuotedText(shown) + " вне допустимого диапазона";
  value = *read;
  return {};
}

bool ReadNumber(const std::string& text, double& value) { return NumberFault(text, value).empty(); }

// Whether a name is a whole number (a pole of a tap-off), read as every import reads an integer.
bool IsNumberName(const std::string& name, int& value) {
  const TValueRead<int> read = TOutsideValue::Text(name).Integer(INT_MIN, INT_MAX);
  if (read) value = *read;
  return read.Value.has_value();
}

std::string WholeText(double v) { return std::to_string(static_cast<long long>(std::trunc(v))); }

std::string Before(const std::string& s, char c) {
  const auto at = s.find(c);
  return at == std::string::npos ? std::string() : s.substr(0, at);
}

std::string After(const std::string& s, char c) {
  const auto at = s.find(c);
  return at == std::string::npos ? std::string() : s.substr(at + 1);
}

// The text fields of the new base's tables that the import fills, by their layouts' widths.
struct TBaseFields {
  TTextField Text, Name1, Name2, Un, KodLine, StationName, Ntr, Transform;
  TBaseFields() {
    TDataFile lines, stations;
    ReadMaket(LayoutLines10, lines);
    ReadMaket(LayoutTransTP, stations);
    Text = TextField(lines, "Text");
    Name1 = TextField(lines, "Name1");
    Name2 = TextField(lines, "Name2");
    Un = TextField(lines, "Un");
    KodLine = TextField(lines, "KodLine");
    StationName = TextField(stations, "Name1");
    Ntr = TextField(stations, "Ntr");
    Transform = TextField(stations, "Transform");
  }
};

// A text of the new base checked whole against its field, as the workbook imports check theirs: one cut
// to fit would lose its end (a transformer's low voltage, a voltage's digits) and two names alike in
// their first characters would become one. Refuses the file by the row and the source's field the text
// comes from.
void CheckFit(std::string_view text, const TTextField& field, const std::string& file, int j, const char* source) {
  if (std::string fault = FieldFitFault(text, field); !fault.empty())
    throw Error(ImportRowMessage(file, j, std::string("поле \"") + source + "\"", fault));
}

// A name with a control character inside (ImportNameFault) refuses the file by its row and field: stored,
// it would make a node that no other table matches.
void CheckName(std::string_view name, const std::string& file, int j, const char* source) {
  if (std::string fault = ImportNameFault(name); !fault.empty())
    throw Error(ImportRowMessage(file, j, std::string("поле \"") + source + "\"", fault));
}

// The rows of the line table so far, with the index by which a section finds the row it inherits its
// voltage from: the last earlier row that holds the name with a voltage (a backward walk would meet
// it first). Pole numbers are looked up only among rows of a tap-off group: rows marked '+' or followed
// by one.
class TVoltageSearch {
public:
  explicit TVoltageSearch(std::vector<TImportLine>& rows) : rows_(rows) {}

  // Before row r (0-based, already signed) is worked out.
  void Begin(std::size_t r) {
    // the row before a '+' row opens its group
    if (r > 0 && rows_[r].Sign == kContinued && rows_[r - 1].Sign != kContinued) Enter(r - 1, grouped_);
  }
  // After row r got its names and voltage.
  void End(std::size_t r) {
    Enter(r, all_);
    if (rows_[r].Sign == kContinued) Enter(r, grouped_);
  }

  // The row (0-based) whose voltage row r inherits; -1 when none.
  long long Find(std::size_t r, const std::string& n1, const std::string& n2) const {
    return std::max(Last(r, n1), Last(r, n2));
  }

private:
  using TIndex = std::unordered_map<std::string, std::vector<std::size_t>>;

  long long Last(std::size_t r, const std::string& name) const {
    // an empty name names no node: it would tie the row to any row that lacks one
    if (name.empty()) return -1;
    int number = 0;
    const bool numeric = IsNumberName(name, number) && number != 0;
    if (numeric && rows_[r].Sign != kContinued) return -1;
    const TIndex& index = numeric ? grouped_ : all_;
    const auto found = index.find(UpperCase(name));
    return found == index.end() ? -1 : static_cast<long long>(found->second.back());
  }

  void Enter(std::size_t r, TIndex& index) {
    const TImportLine& row = rows_[r];
    if (row.Un.empty()) return;
    const std::string n1 = UpperCase(row.Name1), n2 = UpperCase(row.Name2);
    if (!n1.empty()) index[n1].push_back(r);
    if (!n2.empty() && n2 != n1) index[n2].push_back(r);
  }

  std::vector<TImportLine>& rows_;
  TIndex all_, grouped_;
};

// The most transformers one row's list may give its station. One count of the list has three digits,
// so the largest station the format writes in one item has 999; a list that adds up to more (counts of
// 999 one after another) is damaged, and taking it would put thousands of rows into the station table
// and as many nodes and branches into every scheme formed from it.
constexpr long long kMaxRowTransformers = 999;
// The most transformers all the lists of one file may give. A district has a few thousand; without this
// bound a file of 200 KB, every row listing 999, would make millions of station rows and gigabytes.
constexpr long long kMaxFileTransformers = 100000;

// The transformers of a row's Transform list at its end node N2: items separated by ",", each with
// an optional count of up to three digits before its mark. A list of more transformers than the bound
// refuses the file, and so does the row whose list brings the file's count (fileTotal, the lists of
// the rows before it) past its bound, or a transformer's name or mark that its field cannot hold.
void AddStationTransformers(const std::string& list, const TImportLine& row, TSortedStations& stations,
                            const TBaseFields& fields, const std::string& file, int j, long long& fileTotal) {
  std::vector<std::pair<int, std::string>> items;
  long long total = 0;  // a long list of counts must not wrap around below the bound
  const std::string trimmed = Trim(list);
  std::size_t pos = 0;
  while (pos <= trimmed.size() && !trimmed.empty()) {
    const std::size_t comma = trimmed.find(',', pos);
    std::string item = Trim(trimmed.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos));
    pos = comma == std::string::npos ? trimmed.size() + 1 : comma + 1;
    if (item.empty()) continue;
    int n = 1;
    std::size_t digits = 0;
    while (digits < item.size() && digits < 3 && item[digits] >= '0' && item[digits] <= '9') ++digits;
    if (digits > 0) {
      n = std::stoi(item.substr(0, digits));
      item.erase(0, digits);
    }
    total += n;
    items.emplace_back(n, std::move(item));
  }
  if (total > kMaxRowTransformers)
    throw Error(ImportRowMessage(file, j, "поле \"Transform\"",
                                 "в списке " + std::to_string(total) + " трансформаторов узла \"" + row.Name2 +
                                     "\", а принимается не больше " + std::to_string(kMaxRowTransformers)));
  fileTotal += total;
  if (fileTotal > kMaxFileTransformers)
    throw Error(ImportRowMessage(file, j, "поле \"Transform\"",
                                 "со списком этой строки в файле " + std::to_string(fileTotal) +
                                     " трансформаторов, а принимается не больше " +
                                     std::to_string(kMaxFileTransformers)));

  const std::string afterPoint = row.Name2.find('.') == std::string::npos ? std::string() : After(row.Name2, '.');
  int s = 0;
  if (!IsNumberName(afterPoint, s)) s = 0;
  const std::string v = row.Sign == kTransformer ? After(row.Un, '/') : row.Un;
  int c = 0;
  for (const auto& [n, item] : items) {
    for (int i = 0; i < n; ++i) {
      ++c;
      const long long k = s == 0 ? c : static_cast<long long>(s) + 2LL * c - 2;
      const std::string ntr = "Т" + std::to_string(k);
      if (stations.Find(row.Name2, ntr)) continue;
      std::string mark = item + "/" + v + "/0.4";
      CheckFit(row.Name2, fields.StationName, file, j, "Name2");
      CheckFit(ntr, fields.Ntr, file, j, "Transform");
      CheckFit(mark, fields.Transform, file, j, "Transform");
      stations.Insert(row.Name2, ntr).Transform = std::move(mark);
    }
  }
}

// A load value of the source as the station row takes it; a value that is no number refuses the file.
double LoadValue(float value, const std::string& file, int j, const char* field) {
  const double v = SingleToDouble(value);
  if (const std::string fault = ImportNumberFault(v); !fault.empty())
    throw Error(ImportRowMessage(file, j, std::string("поле \"") + field + "\"", fault));
  return v;
}

}  // namespace

bool ExtractFeedVoltage(std::string& name) {
  if (const auto first = name.find('.'); first != std::string::npos) name.erase(0, first + 1);
  const auto second = name.find('.');
  if (second == std::string::npos) {
    name = '?';
    return false;
  }
  name.erase(0, second + 1);
  double value = 0;
  return ReadNumber(name, value);
}

TImportTaken ImportDistrictFiles(const std::vector<std::string>& files, const std::string& baseStem,
                                 TBaseImport& base, const TImportProgress& progress) {
  TImportTaken all;
  base.Messages.clear();
  TImportMessages messages(base.Messages);
  std::vector<TImportLine> lines;
  TSortedStations stations;
  TVoltageSearch search(lines);
  const TBaseFields fields;

  for (const std::string& file : files) {
    // a file of another program says why it is refused, not only that it could not be read
    RequireTableFile(file, LayoutDistrict10);
    TDataFile source;
    ReadTableFile(file, source);
    TDistrict10Cols src;
    try {
      if (source.Name != LayoutDistrict10)
        throw Error("таблица макета \"" + source.Name + "\", а не \"" + std::string(LayoutDistrict10) + "\"");
      FillDistrict10Cols(source, src);
    } catch (const Error& e) {
      throw Error("Ошибка чтения файла \"" + file + "\": " + e.what());
    }
    // a file cut at the end of a column's data would give the columns after it empty
    RequireTableFields(file, {"Sign", "Name1", "Name2", "Commut", "ComBeg", "ComEnd", "KodLine", "Transform", "TypPQ",
                              "P", "Q", "Text"});
    const int rows = source.RowCount;
    // A table of no rows, or of rows that name no node, chosen by mistake would give an empty base, or a
    // base short of a feeder: the file is refused by its name, whatever the other files give.
    TImportTaken taken;
    const std::string fileName = FileNameOf(file);
    const int transformCol = FindColumnIndex("Transform", source);
    const int step = rows / 10 == 0 ? std::max(rows, 1) : rows / 10;
    int position = 0, reported = 0;
    if (progress) progress(0);
    lines.reserve(lines.size() + static_cast<std::size_t>(rows));
    long long transformers = 0;

    for (int j = 1; j <= rows; ++j) {
      const auto at = [&] { return fileName + ". Строка " + std::to_string(j); };
      const std::size_t r = lines.size();
      lines.emplace_back();
      TImportLine& row = lines.back();
      row.Sign = UpperChar(CharAt(src.Sign, j));
      row.Text = src.Text->GetItem(j);
      const std::string n1 = Trim(src.Name1->GetItem(j));
      const std::string n2 = Trim(src.Name2->GetItem(j));
      CheckName(n1, file, j, "Name1");
      CheckName(n2, file, j, "Name2");
      if (!n1.empty() || !n2.empty())
        ++taken.Items;
      else
        taken.NotTakenAt(j, "не заданы имена узлов (Name1, Name2)");
      search.Begin(r);

      if (row.Sign == kSupply) {
        std::string voltage = n1;
        if (ExtractFeedVoltage(voltage)) {
          row.Un = voltage;
        } else {
          messages.Add(at() + kNoFeedVoltage);
          row.Un = "10";
        }
        row.DSNum = n2;
      } else if (row.Sign == kTransformer) {
        // type "-" power "/" U1 "/" U2; the voltages as whole numbers, so 0.4 gives 0
        std::string mark = src.KodLine->GetItem(j);
        mark.erase(0, mark.find('-') == std::string::npos ? 0 : mark.find('-') + 1);
        mark.erase(0, mark.find('/') == std::string::npos ? 0 : mark.find('/') + 1);
        // U1 stands before a "/": a mark without one gives no voltages
        const auto slash = mark.find('/');
        double u1 = 0, u2 = 0;
        const std::string given = src.KodLine->GetItem(j);
        const auto bad = [&](const std::string& why) {
          std::string line = at() + kBadTransformerMark;
          if (ImportName(given).empty()) {
            line += ": марка не задана";
          } else {
            line += ' ';
            line += QuotedText(ControlsShown(given));
            line += ": ";
            line += why;
          }
          messages.Add(line);
        };
        if (slash == std::string::npos) {
          bad("нет напряжений через \"/\"");
        } else if (const std::string fault = NumberFault(mark.substr(0, slash), u1); !fault.empty()) {
          bad("U1: " + fault);
        } else {
          row.Un = WholeText(u1) + "/";
          if (const std::string fault2 = NumberFault(mark.substr(slash + 1), u2); !fault2.empty())
            bad("U2: " + fault2);
          else
            row.Un += WholeText(u2);
        }
      } else if (!n1.empty() || !n2.empty()) {
        const long long k = search.Find(r, n1, n2);
        if (k < 0) {
          messages.Add(at() + kNoVoltage);
          row.Un = "10";
        } else {
          const TImportLine& from = lines[static_cast<std::size_t>(k)];
          row.Un = from.Sign == kTransformer ? Before(from.Un, '/') : from.Un;
        }
      }
      row.Name1 = n1;
      row.Name2 = n2;
      // a section's voltage is an earlier row's, or its part before "/", and was checked there
      if (row.Sign == kSupply || row.Sign == kTransformer)
        CheckFit(row.Un, fields.Un, file, j, row.Sign == kSupply ? "Name1" : "KodLine");
      CheckFit(row.Text, fields.Text, file, j, "Text");
      CheckFit(n1, fields.Name1, file, j, "Name1");
      CheckFit(n2, fields.Name2, file, j, "Name2");

      const char32_t commut = CharAt(src.Commut, j);
      row.Commut = UpperChar(commut) == U'О' ? U'К' : commut;
      int number = 0;
      if (CharAt(src.ComBeg, j) == U'-' || n1.empty() || IsNumberName(n1, number)) row.MarkCom1 = "-";
      if (CharAt(src.ComEnd, j) == U'-' || n2.empty() || IsNumberName(n2, number)) row.MarkCom2 = "-";

      AddStationTransformers(GetCellText(source, j, transformCol, true), row, stations, fields, file, j, transformers);

      const std::string kodLine = src.KodLine->GetItem(j);
      if (UpperCase(kodLine).find("ФИДЕР") == std::string::npos) {
        CheckFit(kodLine, fields.KodLine, file, j, "KodLine");
        row.KodLine = kodLine;
        if (const int type = src.TypPQ->Get(j); type != 0) {
          const double p = LoadValue(src.P->Get(j), file, j, "P");
          const double q = LoadValue(src.Q->Get(j), file, j, "Q");
          TImportStation* station = stations.LastOf(n2);
          if (!station) {
            CheckFit(n2, fields.StationName, file, j, "Name2");
            station = &stations.Insert(n2, "");
          }
          station->T = type;
          station->Pn = p;
          station->Qn = q;
        }
      }
      search.End(r);

      if (j - reported >= step) {
        reported = j;
        position += 10;
        if (progress) progress(std::min(position, 100));
      }
    }
    RefuseIfNothingTaken(file, taken);
    all.Items += taken.Items;
  }
  messages.Finish();
  MakeBaseTables(lines, stations.Rows(), baseStem, base);
  return all;
}

}  // namespace ld
