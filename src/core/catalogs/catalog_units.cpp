#include "core/catalogs/catalog_units.h"

#include <memory>
#include <string_view>
#include <vector>

#include "core/base/codepage.h"
#include "core/catalogs/catalog_table.h"

namespace ld {

namespace {

using catalog::NumCol;
using catalog::TextCol;

// Error texts of one kind; nullptr where the kind reports nothing.
struct KindTexts {
  const char* emptyMark;
  const char* notFoundTail;
  const char* emptyName;
  const char* listPrefix;
};

const KindTexts kTransformerTexts{"Не задана марка трансформатора", " в каталоге трансформаторов не найдена",
                                  "Трансформатор не задан", "Трансформатор "};
const KindTexts kReactorTexts{"Не задана марка реактора", " в каталоге токоогр. реакторов не найдена",
                              "Реактор не задан", "Токоогр. реактор "};
const KindTexts kDeviceTexts{nullptr, nullptr, nullptr, nullptr};

template <class Rec>
struct Unit {
  const std::string& file;
  const std::string& layout;
  const char* title;
  const std::string* listLayout;
  const char* listTitle;
  std::vector<const char*> keys;  // the numbers of a caption after the mark
  char sep;                       // between those numbers
  std::string& error;
  const KindTexts& texts;
  void (*fill)(const TDataFile&, int row, Rec&);  // every field of the record that a row holds

  std::unique_ptr<TDataFile> catalog;
  std::unique_ptr<TDataFile> list;
};

float Num(const TDataFile& t, const char* field, int row) { return NumCol(t, field).Get(row); }

// Copies the number column of the record field's own name.
#define NUM(field) r.field = Num(t, #field, row)

void FillT2(const TDataFile& t, int row, TRecT2& r) {
  r.Mark = TextCol(t, "Mark").GetItem(row);
  NUM(Sv); NUM(Uv); NUM(Un); NUM(Pk); NUM(Uk); NUM(Ph); NUM(Ih);
  r.RPN = TextCol(t, "RPN").GetItem(row);
}

void FillT3(const TDataFile& t, int row, TRecT3& r) {
  r.Mark = TextCol(t, "Mark").GetItem(row);
  NUM(Sv); NUM(Ss); NUM(Sn); NUM(Uv); NUM(Us); NUM(Un); NUM(Pv_s); NUM(Pv_n); NUM(Ps_n); NUM(Uv_s);
  NUM(Uv_n); NUM(Us_n); NUM(Ph); NUM(Ih);
  r.RPN = TextCol(t, "RPN").GetItem(row);
}

void FillTR(const TDataFile& t, int row, TRecTR& r) {
  r.Mark = TextCol(t, "Mark").GetItem(row);
  NUM(Sv); NUM(Uv); NUM(Un1); NUM(Un2); NUM(Pk); NUM(Uk); NUM(Ph); NUM(Ih);
  r.RPN = TextCol(t, "RPN").GetItem(row);
}

void FillRT(const TDataFile& t, int row, TRecRT& r) {
  r.Mark = TextCol(t, "Mark").GetItem(row);
  NUM(Unom); NUM(Inom); NUM(Xr); NUM(Snom); NUM(dP);
}

void FillKA(const TDataFile& t, int row, TRecKA& r) {
  r.Mark = TextCol(t, "Mark").GetItem(row);
  r.Name = TextCol(t, "Name").GetItem(row);
  NUM(Unom); NUM(Inom); NUM(Sotk); NUM(Iotk); NUM(Totk); NUM(Ids); NUM(Its); NUM(Tts);
  r.Typ = catalog::UpperCell(catalog::CharCol(t, "Typ"), row);
}

#undef NUM

Unit<TRecT2> unitT2{CatalogFileT2, CatalogLayoutT2, "Каталог двухобмоточных трансформаторов",
                    &ListLayoutT2, "Паспортные данные двухобмоточных тр-ров", {"Sv", "Uv", "Un"}, '/',
                    CatalogErrorT2, kTransformerTexts, FillT2, nullptr, nullptr};
Unit<TRecT3> unitT3{CatalogFileT3, CatalogLayoutT3, "Каталог трехобмоточных трансформаторов",
                    &ListLayoutT3, "Паспортные данные трехобмоточных тр-ров", {"Sv", "Uv", "Us", "Un"}, '/',
                    CatalogErrorT3, kTransformerTexts, FillT3, nullptr, nullptr};
Unit<TRecTR> unitTR{CatalogFileTR, CatalogLayoutTR, "Каталог тр-ров с ращепленной обмоткой НН",
                    &ListLayoutTR, "Паспортные данные тр-ров с ращепленной обм.НН", {"Sv", "Uv", "Un1", "Un2"},
                    '/', CatalogErrorTR, kTransformerTexts, FillTR, nullptr, nullptr};
Unit<TRecRT> unitRT{CatalogFileRT, CatalogLayoutRT, "Каталог токоограничивающих реакторов",
                    &ListLayoutRT, "Паспортные данные токоограничивающих реакторов", {"Unom", "Inom", "Xr"}, '-',
                    CatalogErrorRT, kReactorTexts, FillRT, nullptr, nullptr};
Unit<TRecKA> unitKA{CatalogFileKA, CatalogLayoutKA, "Каталог коммутационных аппаратов",
                    nullptr, nullptr, {"Unom", "Inom"}, '-',
                    CatalogErrorKA, kDeviceTexts, FillKA, nullptr, nullptr};

// Reads every column that look-ups use, so that a layout lacking one fails here and not in a look-up.
template <class Rec>
void CheckColumns(const Unit<Rec>& u, const TDataFile& t, bool isList) {
  Rec probe;
  u.fill(t, 0, probe);
  if (isList) TextCol(t, "Name");
}

template <class Rec>
void LoadCatalog(Unit<Rec>& u, const std::string& folder, bool sort) {
  u.catalog.reset();
  auto table = catalog::LoadTable(folder + u.file, u.layout, u.title, sort);
  CheckColumns(u, *table, false);
  u.catalog = std::move(table);
}

template <class Rec>
void LoadList(Unit<Rec>& u, const std::string& fileName, bool sort) {
  u.list.reset();
  auto table = catalog::LoadTable(fileName, *u.listLayout, u.listTitle, sort);
  CheckColumns(u, *table, true);
  u.list = std::move(table);
}

template <class Rec>
std::string Caption(const Unit<Rec>& u, int index, bool fromCatalog) {
  const TDataFile* t = fromCatalog ? u.catalog.get() : u.list.get();
  if (!t || index < 1 || index > t->RowCount) return {};
  std::string s = TextCol(*t, "Mark").GetItem(index) + "-";
  for (std::size_t i = 0; i < u.keys.size(); ++i) {
    if (i > 0) s += u.sep;
    s += catalog::CaptionNumber(Num(*t, u.keys[i], index));
  }
  return s;
}

template <class Rec>
std::string ListName(const Unit<Rec>& u, int index) {
  if (!u.list || index < 1 || index > u.list->RowCount) return {};
  return TextCol(*u.list, "Name").GetItem(index);
}

constexpr int kBadNumber = -1;

// The first catalogue row whose caption is text; 0 when none, kBadNumber when a number of the text
// does not convert. mark receives the mark part of text as written.
template <class Rec>
int RowOfMark(const Unit<Rec>& u, std::string_view text, std::string& mark) {
  std::vector<float> numbers;
  if (!catalog::SplitMarkText(text, u.sep, u.keys.size(), mark, numbers)) return kBadNumber;
  if (!u.catalog) return 0;
  const TDataFile& t = *u.catalog;
  const std::string upper = UpperCase(mark);
  const DAString& marks = TextCol(t, "Mark");
  std::vector<const DAsingle*> cols;
  for (const char* k : u.keys) cols.push_back(&NumCol(t, k));
  for (int row = 1; row <= t.RowCount; ++row) {
    bool same = UpperCase(marks.GetItem(row)) == upper;
    for (std::size_t i = 0; same && i < cols.size(); ++i) same = cols[i]->Get(row) == numbers[i];
    if (same) return row;
  }
  return 0;
}

template <class Rec>
int IndexOfMark(const Unit<Rec>& u, const std::string& text) {
  if (!u.catalog) return 0;
  std::string mark;
  const int row = RowOfMark(u, text, mark);
  return row > 0 ? row : 0;
}

template <class Rec>
bool FindByMark(Unit<Rec>& u, const std::string& text, Rec& rec) {
  rec = Rec{};
  const KindTexts& tx = u.texts;
  auto fail = [&](std::string message) {
    if (tx.notFoundTail) u.error = std::move(message);
    return false;
  };
  const std::string notFound = tx.notFoundTail ? "Марка " + text + tx.notFoundTail : std::string();
  if (!u.catalog) return fail(notFound);
  if (text.empty()) return fail(tx.emptyMark ? tx.emptyMark : "");
  std::string mark;
  const int row = RowOfMark(u, text, mark);
  if (row == kBadNumber) return fail("Неверно задана марка " + text);
  if (row == 0) return fail(notFound);
  u.fill(*u.catalog, row, rec);
  rec.Mark = mark;
  return true;
}

template <class Rec>
int IndexOfName(const Unit<Rec>& u, const std::string& name) {
  if (!u.list || name.empty()) return 0;
  const std::string upper = UpperCase(name);
  const DAString& names = TextCol(*u.list, "Name");
  for (int row = 1; row <= u.list->RowCount; ++row) {
    if (UpperCase(names.GetItem(row)) == upper) return row;
  }
  return 0;
}

template <class Rec>
bool FindInList(Unit<Rec>& u, const std::string& name, Rec& rec) {
  rec = Rec{};
  if (name.empty()) {
    u.error = u.texts.emptyName;
    return false;
  }
  const int row = IndexOfName(u, name);
  if (row == 0) {
    u.error = u.texts.listPrefix + name + " в списке не найден";
    return false;
  }
  u.fill(*u.list, row, rec);
  return true;
}

}  // namespace

void LoadCatalogT2(const std::string& folder, bool sort) { LoadCatalog(unitT2, folder, sort); }
void LoadCatalogT3(const std::string& folder, bool sort) { LoadCatalog(unitT3, folder, sort); }
void LoadCatalogTR(const std::string& folder, bool sort) { LoadCatalog(unitTR, folder, sort); }
void LoadCatalogRT(const std::string& folder, bool sort) { LoadCatalog(unitRT, folder, sort); }
void LoadCatalogKA(const std::string& folder, bool sort) { LoadCatalog(unitKA, folder, sort); }
void FreeCatalogT2() { unitT2.catalog.reset(); }
void FreeCatalogT3() { unitT3.catalog.reset(); }
void FreeCatalogTR() { unitTR.catalog.reset(); }
void FreeCatalogRT() { unitRT.catalog.reset(); }
void FreeCatalogKA() { unitKA.catalog.reset(); }

void LoadListT2(const std::string& fileName, bool sort) { LoadList(unitT2, fileName, sort); }
void LoadListT3(const std::string& fileName, bool sort) { LoadList(unitT3, fileName, sort); }
void LoadListTR(const std::string& fileName, bool sort) { LoadList(unitTR, fileName, sort); }
void LoadListRT(const std::string& fileName, bool sort) { LoadList(unitRT, fileName, sort); }
void FreeListT2() { unitT2.list.reset(); }
void FreeListT3() { unitT3.list.reset(); }
void FreeListTR() { unitTR.list.reset(); }
void FreeListRT() { unitRT.list.reset(); }

std::string CatalogT2Caption(int index, bool fromCatalog) { return Caption(unitT2, index, fromCatalog); }
std::string CatalogT3Caption(int index, bool fromCatalog) { return Caption(unitT3, index, fromCatalog); }
std::string CatalogTRCaption(int index, bool fromCatalog) { return Caption(unitTR, index, fromCatalog); }
std::string CatalogRTCaption(int index, bool fromCatalog) { return Caption(unitRT, index, fromCatalog); }
std::string CatalogKACaption(int index) { return Caption(unitKA, index, true); }

std::string ListT2Name(int index) { return ListName(unitT2, index); }
std::string ListT3Name(int index) { return ListName(unitT3, index); }
std::string ListTRName(int index) { return ListName(unitTR, index); }
std::string ListRTName(int index) { return ListName(unitRT, index); }

bool FindT2ByMark(const std::string& text, TRecT2& rec) { return FindByMark(unitT2, text, rec); }
bool FindT3ByMark(const std::string& text, TRecT3& rec) { return FindByMark(unitT3, text, rec); }
bool FindTRByMark(const std::string& text, TRecTR& rec) { return FindByMark(unitTR, text, rec); }
bool FindRTByMark(const std::string& text, TRecRT& rec) { return FindByMark(unitRT, text, rec); }
bool FindKAByMark(const std::string& text, TRecKA& rec) { return FindByMark(unitKA, text, rec); }

int IndexOfT2Mark(const std::string& text) { return IndexOfMark(unitT2, text); }
int IndexOfT3Mark(const std::string& text) { return IndexOfMark(unitT3, text); }
int IndexOfTRMark(const std::string& text) { return IndexOfMark(unitTR, text); }
int IndexOfRTMark(const std::string& text) { return IndexOfMark(unitRT, text); }
int IndexOfKAMark(const std::string& text) { return IndexOfMark(unitKA, text); }

bool FindT2InList(const std::string& name, TRecT2& rec) { return FindInList(unitT2, name, rec); }
bool FindT3InList(const std::string& name, TRecT3& rec) { return FindInList(unitT3, name, rec); }
bool FindTRInList(const std::string& name, TRecTR& rec) { return FindInList(unitTR, name, rec); }
bool FindRTInList(const std::string& name, TRecRT& rec) { return FindInList(unitRT, name, rec); }

int IndexOfT2Name(const std::string& name) { return IndexOfName(unitT2, name); }
int IndexOfT3Name(const std::string& name) { return IndexOfName(unitT3, name); }
int IndexOfTRName(const std::string& name) { return IndexOfName(unitTR, name); }
int IndexOfRTName(const std::string& name) { return IndexOfName(unitRT, name); }

}  // namespace ld
