#include "core/catalogs/catwin_params.h"

#include <algorithm>

#include "core/base/strings.h"
#include "core/catalogs/graph_series.h"
#include "core/catalogs/import_rows.h"
#include "core/tables/table_ops.h"

namespace ld {

namespace {

bool Listed(const std::vector<int>& list, int number) { return std::find(list.begin(), list.end(), number) != list.end(); }

std::string Trimmed(const std::string& s) { return TrimTrailSpaces(TrimLeadSpaces(s)); }

// Fields that the checks did not need (a current graph in "%") may hold anything; they store as 0.
int IntOr0(const std::string& s) {
  try {
    return StrToIntZ(Trimmed(s));
  } catch (const ConvertError&) {
    return 0;
  }
}
float FloatOr0(const std::string& s) {
  try {
    return static_cast<float>(StrToFloatZ(Trimmed(s)));
  } catch (const ConvertError&) {
    return 0;
  }
}

char QuantityLetter(int index) {
  return index >= 0 && index < 6 ? kGraphQuantityTexts[static_cast<std::size_t>(index)][0] : char{0};
}

}  // namespace

std::vector<std::string> GraphUnitChoices(char letter, int kind) {
  std::vector<std::string> units;
  switch (letter) {
    case 'P':
      units = {"кВт", "МВт"};
      break;
    case 'Q':
      units = {"кВАр", "МВАр"};
      break;
    case 'U':
      if (kind != 2) units = {"кВ"};
      break;
    case 'I':
      if (kind != 2) units = {"A"};
      break;
    default:
      return units;
  }
  if (kind == 0) units.push_back("%");
  return units;
}

std::vector<int> SortedGraphNumbers(const TGraphCatalogCols& cols) {
  std::vector<int> numbers;
  for (int row = 1; row <= cols.RowCount; ++row) numbers.push_back(cols.Ngr->Get(row));
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

std::vector<int> GraphNumbersOfLetter(const TGraphCatalogCols& cols, char letter) {
  std::vector<int> numbers;
  for (int row = 1; row <= cols.RowCount; ++row)
    if (cols.Zam->Get(row) == letter) numbers.push_back(cols.Ngr->Get(row));
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

std::vector<int> TypicalGraphNumbers(const TGraphCatalogCols& cols, char letter) {
  std::vector<int> numbers;
  for (int row = 1; row <= cols.RowCount; ++row)
    if (cols.Zam->Get(row) == letter && cols.Typ->Get(row) == kGraphTypical) numbers.push_back(cols.Ngr->Get(row));
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

int ProposedGraphNumber(const std::vector<int>& sortedNumbers) {
  return sortedNumbers.empty() ? 1 : sortedNumbers.back() + 1;
}

std::string CheckGraphParams(const TGraphParamInput& in, const TGraphParamContext& ctx) {
  try {
    if (Trimmed(in.Number).empty()) return "Не задан номер графика";
    if (Trimmed(in.Title).empty()) return "Не задано наименование графика";
    const int number = StrToIntZ(Trimmed(in.Number));
    if ((ctx.IsNew || number != ctx.OldNumber) &&
        std::binary_search(ctx.Numbers.begin(), ctx.Numbers.end(), number))
      return "Заданный номер графика уже существует в базе";
    if (in.Kind < 0) return "Не задан тип графика";
    if (in.Period < 0) return "Не задан период графика";
    if (in.Quantity < 0) return "Не задан тип замера графика";
    const char letter = QuantityLetter(in.Quantity);
    if (letter != 'k' && letter != 't' && in.Unit.empty()) return "Не заданы единицы измерения графика";
    if (letter == 'I' && in.Unit != "%") {
      if (in.UseUs) {
        if (StrToFloatZ(Trimmed(in.Us)) == 0) return "Не задано среднее напряжение Uср графика";
      } else {
        const int nu = StrToIntZ(Trimmed(in.Nu));
        if (nu == 0) return "Не задан номер графика напряжений Nгр(U)";
        if (!Listed(ctx.NuList, nu)) return "Номер графика напряжений Nгр(U) не найден в базе";
      }
      if (in.UseTgf) {
        if (StrToFloatZ(Trimmed(in.Tgf)) == 0) return "Не задано среднее значение тангенса tg(f)ср графика";
      } else {
        const int ntg = StrToIntZ(Trimmed(in.Ntg));
        if (ntg == 0) return "Не задан номер графика тангенсов Nгр(tg)";
        if (!Listed(ctx.NtgList, ntg)) return "Номер графика тангенсов Nгр(tg) не найден в базе";
      }
    }
    if (in.Kind == kGraphDaily) {
      const int nt = StrToIntZ(Trimmed(in.Nt));
      if (nt != 0 && !Listed(ctx.NtList, nt)) return "Номер типового графика Nгр(тип) не найден в базе";
    }
  } catch (const ConvertError& e) {
    return e.what();
  }
  return {};
}

void WriteGraphParams(TDataFile& catalog, int& row, const TGraphParamInput& in) {
  const int number = StrToIntZ(Trimmed(in.Number));
  const char letter = QuantityLetter(in.Quantity);
  const int period = in.Period >= 0 && in.Period < 20 ? GraphPeriods[static_cast<std::size_t>(in.Period)] : 0;
  if (row == 0) row = AppendGraphCatalogRow(catalog, number, in.Title, 0, 0, 0, "");
  TGraphCatalogCols cols;
  FillGraphCatalogCols(catalog, cols);
  (*cols.Ngr)[row] = number;
  cols.Tit->SetItem(row, in.Title);
  (*cols.Typ)[row] = static_cast<std::uint8_t>(std::max(0, in.Kind));
  (*cols.Per)[row] = period;
  (*cols.Zam)[row] = letter;
  cols.Unt->SetItem(row, in.Unit);
  float us = 0, tgf = 0;
  int nu = 0, ntg = 0;
  if (letter == 'I') {
    if (in.UseUs) us = FloatOr0(in.Us);
    else nu = IntOr0(in.Nu);
    if (in.UseTgf) tgf = FloatOr0(in.Tgf);
    else ntg = IntOr0(in.Ntg);
  }
  (*cols.Us)[row] = us;
  (*cols.Nu)[row] = nu;
  (*cols.Tgf)[row] = tgf;
  (*cols.Ntg)[row] = ntg;
  (*cols.Nt)[row] = in.Kind == kGraphDaily ? IntOr0(in.Nt) : 0;
}

}  // namespace ld
