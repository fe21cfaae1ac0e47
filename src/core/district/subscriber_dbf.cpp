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
#include "core/base/settings.h"
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

// A number of a record that does not read, named with its field and why: the record's later fields stay
// empty (see the readers).
void AddUnreadMessage(TImportMessages& messages, const char* table, int row, const TDbfTable& dbf, int field,
                      const std::string& why) {
  messages.Add([&] {
    return std::string(table) + ". Строка " + std::to_string(row) + " - ошибка чтения поля " + dbf.FieldName(field) +
           (why.empty() ? "" : " (" + why + ")");
  });
}

// The first number of a record that does not read: its field (-1 when all read) and why.
struct TUnread {
  int Field = -1;
  std::string Why;
};

// The numbers of a record's fields (a field -1: none) into row n of their columns, in the fields'
// order: the first that does not read ends the record, its later fields left empty.
TUnread ReadNumbers(const TDbfTable& dbf, int n, std::span<const std::pair<int, DAdouble*>> fields) {
  for (const auto& [f, column] : fields) {
    if (f < 0) continue;
    TValueRead<double> value = dbf.Value(f).Number();
    if (!value) return {f, std::move(value.Fault)};
    (*column)[n] = *value;
  }
  return {};
}

// What a reader says of a record that gives no row whole: a record without its key (the station, the
// contract) is named, as is its first number that does not read; only whole records count as taken, so
// that a base of none is refused instead of replacing a table by rows of nothing.
class TRecordCheck {
public:
  TRecordCheck(TImportMessages& messages, const char* table, TImportTaken& taken)
      : messages_(messages), table_(table), taken_(taken) {}
  // The record of row `row` has no key: keyField is the field that names it, what says what is missing.
  void NoKey(int row, const TDbfTable& dbf, int keyField, const char* what) {
    const std::string why = std::string(what) + " (поле " + dbf.FieldName(keyField) + ")";
    AddRowMessage(messages_, table_, row, why);
    taken_.NotTakenAt(row, why);
  }
  void Unread(int row, const TDbfTable& dbf, const TUnread& unread) {
    AddUnreadMessage(messages_, table_, row, dbf, unread.Field, unread.Why);
    taken_.NotTakenAt(row, "поле " + dbf.FieldName(unread.Field) + ": " + unread.Why);
  }

private:
  TImportMessages& messages_;
  const char* table_;
  TImportTaken& taken_;
};

const char kMeterPoints[] = "База промышленных абонентов";
const char kHouseholds[] = "База бытовых абонентов";
const char kConsumers[] = "Список договоров РЭС";
const char kNoStation[] = "не задана ТП";

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
  // the reason of a base without a whole record: no record of the district, else the first one's fault
  TImportTaken rows;
  TRecordCheck check(messages, kMeterPoints, rows);
  // a record is numbered by the row it makes, also where the reader refuses it
  for (bool more = dbf.First(n + 1); more; more = dbf.Next(n + 1)) {
    walk.Advance(dbf.RecNo());
    // a district number that does not read is no district's
    if (districtNo != 0 && dbf.Value(fResId).Integer(INT32_MIN, INT32_MAX).Value.value_or(0) != districtNo) {
      taken.NotTaken("нет записей района " + std::to_string(districtNo) + " (поле RES_ID)");
      continue;
    }
    ++n;
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
    // a meter point is whole with its station and its contract
    const bool keyed = !c.NameTP->GetView(n).empty() && !c.Ndog->GetView(n).empty();
    if (c.NameTP->GetView(n).empty()) {
      check.NoKey(n, dbf, fNameTP, kNoStation);
    } else if (c.Ndog->GetView(n).empty()) {
      check.NoKey(n, dbf, fNdog, "не задан договор");
    }
    text(fAbonent, c.Abonent, abonent, false);
    text(fNumCounter, c.NumCounter, numCounter, false);
    text(fTransform, c.Transform, transform, false);
    text(fLine, c.Line, line, false);
    // the meter's mark and the sign of its energy are texts of the record too, whatever its numbers
    const std::string device = fDevice >= 0 ? DbfText(dbf, fDevice, n) : std::string();
    const std::string sub = fSub >= 0 ? DbfText(dbf, fSub, n) : std::string();
    // The numbers in the fields' order: the first that does not read ends the record, its later fields
    // left empty. Read without an exception, as a base may hold a million of them.
    const TUnread unread = [&]() -> TUnread {
      if (fNumPoint >= 0) {
        TValueRead<int> point = dbf.Value(fNumPoint).Integer(pointLow, pointHigh);
        if (!point) return {fNumPoint, std::move(point.Fault)};
        c.NumPoint[n] = *point;
      }
      if (fTypCounter >= 0) {
        const TValueRead<int> typ = dbf.Value(fTypCounter).Integer(0, 255);
        if (!typ) AddRowMessage(messages, kMeterPoints, n, "неверно задан тип счетчика");
        (*c.TypCounter)[n] = static_cast<std::uint8_t>(typ.Value.value_or(1));
      }
      if (fDevice >= 0) (*c.Device)[n] = CharCode(FirstChar(UpperCase(device)));
      if (!sub.empty()) (*c.Sub)[n] = CharCode(FirstChar(sub));
      if (fL >= 0) (*c.FVL)[n] = static_cast<std::uint8_t>(dbf.Value(fL).Integer(0, 255).Value.value_or(0));
      if (TUnread f = ReadNumbers(dbf, n, numbers); f.Field >= 0) return f;
      if ((*c.Device)[n] == static_cast<char>(kSumLessTransformer)) (*c.W)[n] = (*c.Ws)[n] - (*c.Wt)[n];
      return {};
    }();
    if (unread.Field >= 0) check.Unread(n, dbf, unread);
    if (keyed && unread.Field < 0) ++taken.Items;
  }
  // records of the district there were, none whole
  if (n > table.RowCount && taken.Items == 0) taken.FirstReason = rows.FirstReason;
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
  TRecordCheck check(messages, kHouseholds, taken);
  int n = 0;
  for (bool more = dbf.First(); more; more = dbf.Next()) {
    walk.Advance(dbf.RecNo());
    ++n;
    const std::string name = UpperCase(DbfText(dbf, fName, n));
    CheckDbfFieldFit(dbf, n, fName, name, nameTP);
    c.NameTP->SetItem(n, name);
    if (name.empty()) check.NoKey(n, dbf, fName, kNoStation);
    if (fFider >= 0) {
      const std::string feeder = feederPrefix + UpperCase(DbfText(dbf, fFider, n));
      CheckDbfFieldFit(dbf, n, fFider, feeder, fider);
      c.Fider->SetItem(n, feeder);
    }
    // the numbers in the fields' order, the first that does not read ending the record
    const TUnread unread = [&]() -> TUnread {
      if (TUnread f = ReadNumbers(dbf, n, std::array{std::pair{fW, c.W}, std::pair{fWs, c.Ws}}); f.Field >= 0) return f;
      for (const auto& [f, column] : {std::pair{fCount, c.CountAb}, std::pair{fPay, c.PayAb}}) {
        if (f < 0) continue;
        TValueRead<int> value = dbf.Value(f).Integer(INT32_MIN, INT32_MAX);
        if (!value) return {f, std::move(value.Fault)};
        (*column)[n] = *value;
      }
      return {};
    }();
    if (unread.Field >= 0) check.Unread(n, dbf, unread);
    if (!name.empty() && unread.Field < 0) ++taken.Items;
  }
  table.RowCount = n;
  SortTableByFields(table, {"NameTP"});
  return taken;
}

// A contract's fields are all texts: a record without its contract's number gives a message, a text that
// cannot be taken refuses the list.
TImportTaken ReadConsumersDbf(TDbfTable& dbf, TDataFile& table, std::vector<std::string>& info,
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
  TImportMessages messages(info);
  TRecordCheck check(messages, kConsumers, taken);
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
    if (c.Ndog->GetView(n).empty()) {
      check.NoKey(n, dbf, fNdog, "не задан номер договора");
    } else {
      ++taken.Items;
    }
    text(fName, c.NameAb, nameAb);
    if (fTown >= 0 && fStreet >= 0) {
      const std::string town = DbfText(dbf, fTown, n);
      const std::string whole = town.empty() ? DbfText(dbf, fStreet, n) : town + ", " + DbfText(dbf, fStreet, n);
      CheckDbfFieldFit(dbf, n, townAndStreet, whole, address);
      c.Address->SetItem(n, whole);
    }
  }
  table.RowCount = n;
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
    const char* what;  // the base, as "Не выбран файл ..." names it
    std::function<TImportTaken(TDbfTable&, TDataFile&)> read;
  };
  const TSource sources[] = {
      {request.Prom, LayoutMeterPoints, request.PathProm, "  Импорт базы промышленных абонентов ... ",
       "Ошибка чтения базы промышленных абонентов (файл ", "базы промышленных абонентов",
       [&](TDbfTable& dbf, TDataFile& t) { return ReadMeterPointsDbf(dbf, t, request.DistrictNo, info, progress); }},
      {request.Byt, LayoutHouseholds, request.PathByt, "  Импорт базы бытовых абонентов ... ",
       "Ошибка чтения базы бытовых абонентов (файл ", "базы бытовых абонентов",
       [&](TDbfTable& dbf, TDataFile& t) { return ReadHouseholdsDbf(dbf, t, request.FeederPrefix, info, progress); }},
      {request.Dog, LayoutConsumers, request.PathDog, "  Импорт базы списка договоров РЭС ... ",
       "Ошибка чтения списка договоров РЭС (файл ", "списка договоров РЭС",
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
    const std::string file = FamilyFile(request.BaseStem, GetMaketExtention(sources[i].layout));
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
      if (s.path.empty()) throw Error(std::string("Не выбран файл ") + s.what);
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
