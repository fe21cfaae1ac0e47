#include "core/district/subscriber_dbf.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>

#include "core/base/codepage.h"
#include "core/base/import_number.h"
#include "core/base/import_messages.h"
#include "core/base/import_text.h"
#include "core/base/strings.h"
#include "core/district/base_import.h"
#include "core/district/run_locks.h"
#include "core/district/subscriber_cells.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"

namespace ld {

namespace {

// The Latin letter by which a meter's mark says that its energy is the sum less the transformer's part.
constexpr char32_t kSumLessTransformer = U'K';

// A record's message; its text is made only when the list keeps it, since a base of unreadable values
// gives one for every record.
void AddRowMessage(TImportMessages& messages, const char* table, int row, std::string_view what) {
  messages.Add([&] { return std::string(table) + ". Строка " + std::to_string(row) + " - " + std::string(what); });
}

// A number of a record that does not read, named with its text and why: the record's later fields stay
// empty (see the readers).
void AddUnreadMessage(TImportMessages& messages, const char* table, int row, const TDbfTable& dbf, int field,
                      int lo = INT32_MIN, int hi = INT32_MAX) {
  messages.Add([&] {
    const std::string text = dbf.Value(field);
    std::string why = ImportNumberTextFault(text);
    if (why.empty()) why = ImportIntegerTextFault(text, lo, hi);
    return std::string(table) + ". Строка " + std::to_string(row) + " - ошибка чтения поля " + dbf.FieldName(field) +
           (why.empty() ? "" : " (" + why + ")");
  });
}

// The numbers of a record's fields (a field -1: none) into row n of their columns, in the fields'
// order: the field of the first that does not read, its later fields left empty; -1 when all read.
int ReadNumbers(const TDbfTable& dbf, int n, std::span<const std::pair<int, DAdouble*>> fields) {
  for (const auto& [f, column] : fields) {
    if (f < 0) continue;
    const std::optional<double> value = ImportNumber(dbf.Value(f));
    if (!value) return f;
    (*column)[n] = *value;
  }
  return -1;
}

const char kMeterPoints[] = "База промышленных абонентов";
const char kHouseholds[] = "База бытовых абонентов";

}  // namespace

std::string FieldFitFault(std::string_view text, const TTextField& target) {
  // the workbook imports' own check
  if (FieldLengthFault(text, target).empty()) return {};
  // A damaged record can hold control characters among its letters; a zero byte would end the message
  // where it is quoted, a line feed split it. The reason quotes them as "?", each still one character.
  return FieldLengthFault(ControlsShown(text), target);
}

void CheckDbfFieldFit(const TDbfTable& dbf, int row, std::string_view fields, std::string_view text,
                      const TTextField& target) {
  if (std::string fault = FieldFitFault(text, target); !fault.empty())
    throw TSourceTextError(ImportRowMessage(dbf.FileName(), row, "поле " + std::string(fields), fault));
}

void CheckDbfFieldFit(const TDbfTable& dbf, int row, int field, std::string_view text, const TTextField& target) {
  // the field's name is made only for the refusal
  if (std::string fault = FieldFitFault(text, target); !fault.empty())
    throw TSourceTextError(ImportRowMessage(dbf.FileName(), row, "поле " + dbf.FieldName(field), fault));
}

TImportTaken ReadMeterPointsDbf(TDbfTable& dbf, TDataFile& table, int districtNo, std::vector<std::string>& info,
                                const TImportProgress& progress) {
  TImportTaken taken;
  if (std::string missing = MissingDbfField(dbf, {"NAMETP", "NDOG"}); !missing.empty()) {
    taken.NotTaken(std::move(missing));
    return taken;
  }
  TImportMessages messages(info);
  TMeterPointCols c;
  FillMeterPointCols(table, c);
  const TTextField nameTP = TextField(table, "NameTP"), ntr = TextField(table, "Ntr"), fider = TextField(table, "Fider"),
                   ndog = TextField(table, "Ndog"), abonent = TextField(table, "Abonent"),
                   numCounter = TextField(table, "NumCounter"), transform = TextField(table, "Transform"),
                   line = TextField(table, "Line");
  int n = table.RowCount;
  ReserveRows(table, n + dbf.RecordCount());
  const int fResId = dbf.FieldIndex("RES_ID"), fNameTP = dbf.FieldIndex("NAMETP"), fNtr = dbf.FieldIndex("NTR"),
            fFeeder = dbf.FieldIndex("FEEDER"), fNdog = dbf.FieldIndex("NDOG"), fAbonent = dbf.FieldIndex("ABONENT"),
            fNumCounter = dbf.FieldIndex("NUMCOUNTER"), fTransform = dbf.FieldIndex("TRANSFORM"),
            fLine = dbf.FieldIndex("LINE"), fNumPoint = dbf.FieldIndex("NUMPOINT"),
            fTypCounter = dbf.FieldIndex("TYPCOUNTER"), fDevice = dbf.FieldIndex("DEVICE"),
            fSub = dbf.FieldIndex("SUB"), fL = dbf.FieldIndex("L");
  const std::array<std::pair<int, DAdouble*>, 9> numbers = {{{dbf.FieldIndex("NEXT"), c.Next},
                                                             {dbf.FieldIndex("PREV"), c.Prev},
                                                             {dbf.FieldIndex("KTOK"), c.Ktok},
                                                             {dbf.FieldIndex("KVOLT"), c.Kvolt},
                                                             {dbf.FieldIndex("KOEF"), c.Koef},
                                                             {dbf.FieldIndex("W"), c.W},
                                                             {dbf.FieldIndex("WT"), c.Wt},
                                                             {dbf.FieldIndex("WL"), c.Wl},
                                                             {dbf.FieldIndex("WS"), c.Ws}}};
  // the point number column is 16 bits wide, signed or not as its layout says: a number beyond it is
  // refused rather than stored as another
  const bool signedPoint = c.NumPoint.Array()->TypeLetter() == 'i';
  const int pointLow = signedPoint ? INT16_MIN : 0, pointHigh = signedPoint ? INT16_MAX : UINT16_MAX;
  TWalkProgress walk(dbf.RecordCount(), progress);
  // a record is numbered by the row it makes, also where the reader refuses it
  for (bool more = dbf.First(n + 1); more; more = dbf.Next(n + 1)) {
    walk.Advance(dbf.RecNo());
    // a district number that does not read is no district's
    if (districtNo != 0 && ImportInteger(dbf.Value(fResId), INT32_MIN, INT32_MAX).value_or(0) != districtNo) {
      taken.NotTaken("нет записей района " + std::to_string(districtNo) + " (поле RES_ID)");
      continue;
    }
    ++n;
    ++taken.Items;
    const auto text = [&](int f, DAString* column, const TTextField& field, bool key) {
      if (f < 0) return;
      const std::string value = key ? StationKey(DbfText(dbf, f, n)) : DbfText(dbf, f, n);
      CheckDbfFieldFit(dbf, n, f, value, field);
      column->SetItem(n, value);
    };
    text(fNameTP, c.NameTP, nameTP, true);
    text(fNtr, c.Ntr, ntr, true);
    text(fFeeder, c.Fider, fider, true);
    text(fNdog, c.Ndog, ndog, false);
    text(fAbonent, c.Abonent, abonent, false);
    text(fNumCounter, c.NumCounter, numCounter, false);
    text(fTransform, c.Transform, transform, false);
    text(fLine, c.Line, line, false);
    // the meter's mark and the sign of its energy are texts of the record too, whatever its numbers
    const std::string device = fDevice >= 0 ? DbfText(dbf, fDevice, n) : std::string();
    const std::string sub = fSub >= 0 ? DbfText(dbf, fSub, n) : std::string();
    // The numbers in the fields' order: the first that does not read ends the record, its later fields
    // left empty. Read without an exception, as a base may hold a million of them.
    const int unread = [&] {
      if (fNumPoint >= 0) {
        const std::optional<int> point = ImportInteger(dbf.Value(fNumPoint), pointLow, pointHigh);
        if (!point) return fNumPoint;
        c.NumPoint[n] = *point;
      }
      if (fTypCounter >= 0) {
        const std::optional<int> typ = ImportInteger(dbf.Value(fTypCounter), 0, 255);
        if (!typ) AddRowMessage(messages, kMeterPoints, n, "неверно задан тип счетчика");
        (*c.TypCounter)[n] = static_cast<std::uint8_t>(typ.value_or(1));
      }
      if (fDevice >= 0) (*c.Device)[n] = CharCode(FirstChar(UpperCase(device)));
      if (!sub.empty()) (*c.Sub)[n] = CharCode(FirstChar(sub));
      if (fL >= 0) (*c.FVL)[n] = static_cast<std::uint8_t>(ImportInteger(dbf.Value(fL), 0, 255).value_or(0));
      if (const int f = ReadNumbers(dbf, n, numbers); f >= 0) return f;
      if ((*c.Device)[n] == static_cast<char>(kSumLessTransformer)) (*c.W)[n] = (*c.Ws)[n] - (*c.Wt)[n];
      return -1;
    }();
    if (unread >= 0)
      AddUnreadMessage(messages, kMeterPoints, n, dbf, unread, unread == fNumPoint ? pointLow : INT32_MIN,
                       unread == fNumPoint ? pointHigh : INT32_MAX);
  }
  table.RowCount = n;
  SortTableByFields(table, {"NameTP", "Ndog", "NumPoint", "TypCounter"});
  return taken;
}

TImportTaken ReadHouseholdsDbf(TDbfTable& dbf, TDataFile& table, const std::string& feederPrefix,
                               std::vector<std::string>& info, const TImportProgress& progress) {
  TImportTaken taken;
  if (std::string missing = MissingDbfField(dbf, {"NAME_TP"}); !missing.empty()) {
    taken.NotTaken(std::move(missing));
    return taken;
  }
  TImportMessages messages(info);
  THouseholdCols c;
  FillHouseholdCols(table, c);
  const TTextField nameTP = TextField(table, "NameTP"), fider = TextField(table, "Fider");
  ReserveRows(table, dbf.RecordCount());
  const int fName = dbf.FieldIndex("NAME_TP"), fFider = dbf.FieldIndex("FIDER"), fW = dbf.FieldIndex("W"),
            fWs = dbf.FieldIndex("WS"), fCount = dbf.FieldIndex("COUNTAB"), fPay = dbf.FieldIndex("PAYAB");
  TWalkProgress walk(dbf.RecordCount(), progress);
  int n = 0;
  for (bool more = dbf.First(); more; more = dbf.Next()) {
    walk.Advance(dbf.RecNo());
    ++n;
    if (fName >= 0) {
      const std::string name = UpperCase(DbfText(dbf, fName, n));
      CheckDbfFieldFit(dbf, n, fName, name, nameTP);
      c.NameTP->SetItem(n, name);
    }
    if (fFider >= 0) {
      const std::string feeder = feederPrefix + UpperCase(DbfText(dbf, fFider, n));
      CheckDbfFieldFit(dbf, n, fFider, feeder, fider);
      c.Fider->SetItem(n, feeder);
    }
    // the numbers in the fields' order, the first that does not read ending the record
    const int unread = [&] {
      if (const int f = ReadNumbers(dbf, n, std::array{std::pair{fW, c.W}, std::pair{fWs, c.Ws}}); f >= 0) return f;
      for (const auto& [f, column] : {std::pair{fCount, c.CountAb}, std::pair{fPay, c.PayAb}}) {
        if (f < 0) continue;
        const std::optional<int> value = ImportInteger(dbf.Value(f), INT32_MIN, INT32_MAX);
        if (!value) return f;
        (*column)[n] = *value;
      }
      return -1;
    }();
    if (unread >= 0) AddUnreadMessage(messages, kHouseholds, n, dbf, unread);
  }
  table.RowCount = n;
  SortTableByFields(table, {"NameTP"});
  taken.Items = n;
  return taken;
}

// A contract's fields are all texts: no record gives a message, a text that cannot be taken refuses the list.
TImportTaken ReadConsumersDbf(TDbfTable& dbf, TDataFile& table, std::vector<std::string>& /*info*/,
                              const TImportProgress& progress) {
  TImportTaken taken;
  if (std::string missing = MissingDbfField(dbf, {"NDOGOV"}); !missing.empty()) {
    taken.NotTaken(std::move(missing));
    return taken;
  }
  TConsumerCols c;
  FillConsumerCols(table, c);
  const TTextField ndog = TextField(table, "Ndog"), nameAb = TextField(table, "NameAb"),
                   address = TextField(table, "Address");
  ReserveRows(table, dbf.RecordCount());
  const int fNdog = dbf.FieldIndex("NDOGOV"), fName = dbf.FieldIndex("NAME_POTR"), fTown = dbf.FieldIndex("TOWN"),
            fStreet = dbf.FieldIndex("STREET");
  // the fields an address comes from
  const std::string townAndStreet = dbf.FieldName(fTown) + ", " + dbf.FieldName(fStreet);
  TWalkProgress walk(dbf.RecordCount(), progress);
  int n = 0;
  for (bool more = dbf.First(); more; more = dbf.Next()) {
    walk.Advance(dbf.RecNo());
    ++n;
    const auto text = [&](int f, DAString* column, const TTextField& field) {
      if (f < 0) return;
      const std::string value = DbfText(dbf, f, n);
      CheckDbfFieldFit(dbf, n, f, value, field);
      column->SetItem(n, value);
    };
    text(fNdog, c.Ndog, ndog);
    text(fName, c.NameAb, nameAb);
    if (fTown >= 0 && fStreet >= 0) {
      const std::string town = DbfText(dbf, fTown, n);
      const std::string whole = town.empty() ? DbfText(dbf, fStreet, n) : town + ", " + DbfText(dbf, fStreet, n);
      CheckDbfFieldFit(dbf, n, townAndStreet, whole, address);
      c.Address->SetItem(n, whole);
    }
  }
  table.RowCount = n;
  taken.Items = n;
  return taken;
}

std::string ImportSubscriberBasesDbf(const TSubscriberDbfRequest& request, std::vector<std::string>& info,
                                     const TImportProgress& progress, const TStageProc& stage) {
  struct TSource {
    bool wanted;
    const char* layout;
    const std::string& path;
    const char* stageText;
    const char* failText;
    std::function<TImportTaken(TDbfTable&, TDataFile&)> read;
  };
  const TSource sources[] = {
      {request.Prom, LayoutMeterPoints, request.PathProm, "  Импорт базы промышленных абонентов ... ",
       "Ошибка чтения базы промышленных абонентов (файл ",
       [&](TDbfTable& dbf, TDataFile& t) { return ReadMeterPointsDbf(dbf, t, request.DistrictNo, info, progress); }},
      {request.Byt, LayoutHouseholds, request.PathByt, "  Импорт базы бытовых абонентов ... ",
       "Ошибка чтения базы бытовых абонентов (файл ",
       [&](TDbfTable& dbf, TDataFile& t) { return ReadHouseholdsDbf(dbf, t, request.FeederPrefix, info, progress); }},
      {request.Dog, LayoutConsumers, request.PathDog, "  Импорт базы списка договоров РЭС ... ",
       "Ошибка чтения списка договоров РЭС (файл ",
       [&](TDbfTable& dbf, TDataFile& t) { return ReadConsumersDbf(dbf, t, info, progress); }},
  };

  std::string extensions, shown;
  TFileImport import;
  for (const TSource& s : sources)
    if (s.wanted) {
      if (!extensions.empty()) extensions += ',';
      extensions += GetMaketExtention(s.layout);
      if (shown.empty()) {
        shown = s.layout;
        import.Source = s.path;
      }
    }
  if (extensions.empty()) return {};
  TRunTableLocks locks(request.BaseStem, extensions);

  // every table is made before the first file is read: an unreadable base of the rows to add to ends
  // the command before anything is read
  TDataFile tables[std::size(sources)];
  for (std::size_t i = 0; i < std::size(sources); ++i) {
    if (!sources[i].wanted) continue;
    const std::string file = request.BaseStem + GetMaketExtention(sources[i].layout);
    std::error_code ec;
    if (i == 0 && request.AddMode && std::filesystem::exists(file, ec)) {
      ReadTableFile(file, tables[i]);
    } else {
      ReadMaket(sources[i].layout, tables[i]);
      CreateColumns(tables[i], 0);
    }
    tables[i].Title = BaseTitle(request.BaseStem);
    import.Tables.emplace_back(file, &tables[i]);
  }

  // Every wanted base is read whole before any table is written, and all are written in one run: a base
  // that cannot be read, or of which nothing is taken (a base of other fields, no record of the
  // district, only deleted ones), refuses the whole command by its name.
  import.Read = [&] {
    TImportTaken all;
    for (std::size_t i = 0; i < std::size(sources); ++i) {
      const TSource& s = sources[i];
      if (!s.wanted) continue;
      TDbfTable dbf;
      // the reader's reason stays with the refusal: a person sees why a base that other programs open is
      // refused
      if (std::string error; !dbf.Open(s.path, error)) throw Error(s.failText + s.path + "): " + dbf.OpenFault());
      if (stage) stage(s.stageText);
      TImportTaken taken;
      try {
        taken = s.read(dbf, tables[i]);
      } catch (const TDbfReadError& e) {
        throw Error(s.failText + s.path + "): " + e.Reason());
      }
      for (std::string& note : dbf.TakeNotes()) info.push_back(std::move(note));
      RefuseIfNothingTaken(s.path, taken);
      all.Items += taken.Items;
    }
    return all;
  };
  RunFileImport(import);
  return shown;
}

}  // namespace ld
