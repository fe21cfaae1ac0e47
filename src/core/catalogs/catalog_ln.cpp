#include "core/catalogs/catalog_ln.h"

#include <cmath>
#include <memory>

#include "core/base/codepage.h"
#include "core/catalogs/catalog_table.h"

namespace ld {

namespace {

std::unique_ptr<TDataFile> lineCatalog;

// Voltages agree when they round to the same tenth of a kilovolt (halves to even).
bool SameVoltage(float a, float b) {
  return std::nearbyint(static_cast<double>(a) * 10) == std::nearbyint(static_cast<double>(b) * 10);
}

void NotFound(const std::string& text, float unom) {
  CatalogErrorLN = "Марка " + text + "(" + catalog::CaptionNumber(unom) + "кВ)" +
                   " не найдена в каталоге марок КЛ,ВЛ";
}

}  // namespace

void LoadCatalogLN(const std::string& folder, bool sort) {
  FreeCatalogLN();
  auto table = catalog::LoadTable(folder + CatalogFileLN, CatalogLayoutLN,
                                  "Каталог кабельных и воздушных линий", sort);
  // Every column a look-up reads must be there, so that look-ups themselves never throw.
  for (const char* f : {"Unom", "F", "R0", "X0", "G0", "B0", "Id", "Sd"}) catalog::NumCol(*table, f);
  catalog::TextCol(*table, "Mark");
  catalog::CharCol(*table, "Typ");
  lineCatalog = std::move(table);
}

void FreeCatalogLN() { lineCatalog.reset(); }

std::string CatalogLNCaption(int index) {
  if (!lineCatalog || index < 1 || index > lineCatalog->RowCount) return {};
  return catalog::TextCol(*lineCatalog, "Mark").GetItem(index) + "-" +
         catalog::CaptionNumber(catalog::NumCol(*lineCatalog, "F").Get(index));
}

std::string NormalizeLineMark(const std::string& mark) {
  std::u32string chars;
  for (std::size_t pos = 0; pos < mark.size();) chars.push_back(NextUtf8Char(mark, pos));
  if (!chars.empty() && chars.front() == U'Ц') chars.erase(0, 1);
  while (!chars.empty() && chars.back() >= U'0' && chars.back() <= U'9') chars.pop_back();
  if (chars.size() > 3) chars.resize(3);
  std::string out;
  for (const char32_t c : chars) AppendUtf8(out, c);
  return out;
}

bool FindLNByMark(const std::string& text, bool normalise, TRecLN& rec, float unom) {
  rec = TRecLN{};
  if (!lineCatalog) {
    NotFound(text, unom);
    return false;
  }
  if (text.empty()) {
    CatalogErrorLN = "Не задана марка линии";
    return false;
  }
  const std::size_t dash = text.find('-');
  std::string mark = text.substr(0, dash);
  float section = 0;
  if (!catalog::ParseMarkNumber(dash == std::string::npos ? std::string_view() : std::string_view(text).substr(dash + 1),
                                section)) {
    CatalogErrorLN = "Неверно задана марка " + text;
    return false;
  }
  if (normalise) mark = NormalizeLineMark(mark);

  const TDataFile& t = *lineCatalog;
  const DAString& marks = catalog::TextCol(t, "Mark");
  const DAsingle& voltages = catalog::NumCol(t, "Unom");
  const DAsingle& sections = catalog::NumCol(t, "F");
  for (int row = 1; row <= t.RowCount; ++row) {
    if (!SameVoltage(voltages.Get(row), unom)) continue;
    std::string rowMark = UpperCase(marks.GetItem(row));
    if (normalise) rowMark = NormalizeLineMark(rowMark);
    if (rowMark != mark || sections.Get(row) != section) continue;
    rec.Unom = unom;
    rec.Mark = mark;
    rec.F = section;
    rec.Typ = catalog::UpperCell(catalog::CharCol(t, "Typ"), row);
    rec.R0 = catalog::NumCol(t, "R0").Get(row);
    rec.X0 = catalog::NumCol(t, "X0").Get(row);
    rec.G0 = catalog::NumCol(t, "G0").Get(row);
    rec.B0 = catalog::NumCol(t, "B0").Get(row);
    rec.Id = catalog::NumCol(t, "Id").Get(row);
    rec.Sd = catalog::NumCol(t, "Sd").Get(row);
    return true;
  }
  NotFound(text, unom);
  return false;
}

}  // namespace ld
