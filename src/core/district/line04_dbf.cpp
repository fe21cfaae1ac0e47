#include "core/district/line04_dbf.h"

#include <cmath>
#include <cstdint>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/import_messages.h"
#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/district/base_import.h"
#include "core/district/run_locks.h"
#include "core/district/subscriber_cells.h"
#include "core/district/subscriber_dbf.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/table_ops.h"

namespace ld {

namespace {

const char kSubscriberLine[] = "А";  // Cyrillic
const char kLines04[] = "Линии 0.4 кВ";

// The length in metres of a length in kilometres as the base's line codes write it: the value read in
// single precision, times 1000, rounded (halves to the even neighbour). False for a value that is no
// such number. No exception: a damaged base may hold a million lengths that are no numbers.
bool LengthText(const TOutsideValue& length, std::string& metres) {
  const TValueRead<double> value = length.Number();
  if (!value) return false;
  const double m = static_cast<double>(static_cast<float>(*value)) * 1000.0;
  if (!std::isfinite(m) || std::fabs(m) > 9.0e15) return false;
  metres = IntToStr(Round(m));
  return true;
}

}  // namespace

TImportTaken ReadLines04Dbf(TDbfTable& dbf, const TLine04Request& request, TDataFile& table,
                            std::vector<std::string>& info, const TImportProgress& progress) {
  TImportTaken taken;
  if (std::string missing = MissingDbfField(dbf, {"NAMETP", "ABON", "NTR", "FIDER", "PRIM"}); !missing.empty()) {
    taken.NotTaken(std::move(missing));
    return taken;
  }
  const int fName = dbf.FieldIndex("NAMETP"), fAbon = dbf.FieldIndex("ABON"), fNtr = dbf.FieldIndex("NTR"),
            fFider = dbf.FieldIndex("FIDER"), fPrim = dbf.FieldIndex("PRIM");
  const int fMark = dbf.FieldIndex("MARK"), fLength = dbf.FieldIndex("LENGTH"), fLenMark = dbf.FieldIndex("LEN_MARK");
  // the fields a line code made of a length and a mark comes from
  const std::string lengthAndMark = dbf.FieldName(fLength) + ", " + dbf.FieldName(fMark);

  TLine04Cols c;
  FillLine04Cols(table, c);
  const TTextField nameTP = TextField(table, "NameTP"), ntr = TextField(table, "Ntr"), fider = TextField(table, "Fider"),
                   kodLine = TextField(table, "KodLine"), prim = TextField(table, "Prim");
  ReserveRows(table, dbf.RecordCount());
  TWalkProgress walk(dbf.RecordCount(), progress);
  std::string station, transformer;
  // the records that gave the station and the transformer carried down: a text too long is named there
  int stationRecord = 0, transformerRecord = 0;
  int n = 0, k = 0;
  // The first lengths that are no number each have their box; the rest are counted in one line, as a
  // damaged base may have thousands of them.
  int wrongLengths = 0;
  TImportMessages messages(info);
  const auto countWrongLengths = [&] {
    if (wrongLengths > kMaxLengthBoxes)
      info.push_back("Еще строк с неверно заданной длиной линии: " + std::to_string(wrongLengths - kMaxLengthBoxes));
  };
  try {
    for (bool more = dbf.First(); more; more = dbf.Next()) {
      ++k;
      walk.Advance(k);
      // a record without a station's name belongs to the station above it, also when it is not taken
      if (const std::string s = StationKey(DbfText(dbf, fName, k)); !s.empty()) {
        station = request.Prefix + s;
        stationRecord = k;
      }
      const std::string a = NormalizeName(DbfText(dbf, fAbon, k));
      const bool subscriber = a == kSubscriberLine;
      if (request.Kind == 1 ? !subscriber : request.Kind == 2 ? subscriber : request.Kind != 0) continue;

      ++n;
      if (!a.empty()) (*c.A)[n] = CharCode(FirstChar(a));
      // a name is checked where it is taken: a station of lines that are not taken is never stored
      CheckDbfFieldFit(dbf, stationRecord, fName, station, nameTP);
      c.NameTP->SetItem(n, station);
      // a line before the first record that names a station belongs to none
      if (stationRecord == 0) {
        messages.Add([&] {
          return std::string(kLines04) + ". Строка " + std::to_string(k) + " - не задана ТП (поле " +
                 dbf.FieldName(fName) + ", и выше нет записи с ТП)";
        });
        taken.NotTakenAt(k, "не задана ТП (поле " + dbf.FieldName(fName) + ")");
      } else {
        ++taken.Items;
      }
      std::string t = StationKey(DbfText(dbf, fNtr, k));
      if (const auto dash = t.find('-'); dash != std::string::npos) t.erase(dash, 1);
      if (!t.empty()) {
        transformer = t;
        transformerRecord = k;
      }
      CheckDbfFieldFit(dbf, transformerRecord, fNtr, transformer, ntr);
      c.Ntr->SetItem(n, transformer);
      const std::string feeder = StationKey(DbfText(dbf, fFider, k));
      CheckDbfFieldFit(dbf, k, fFider, feeder, fider);
      c.Fider->SetItem(n, feeder);
      if (fMark >= 0 && fLength >= 0) {
        // a length that is no number goes into the line code as it stands, so it is checked as a text
        const std::string length = DbfText(dbf, fLength, k);
        std::string metres;
        if (!LengthText(dbf.Value(fLength), metres)) {
          if (++wrongLengths <= kMaxLengthBoxes)
            ShowMsgForm("Неверно задана длина линии в строке " + std::to_string(k), mkWarning, mbOk);
          metres = length;
        }
        if (metres != "0") {
          const std::string code = metres + "*" + UpperCase(DbfText(dbf, fMark, k));
          CheckDbfFieldFit(dbf, k, lengthAndMark, code, kodLine);
          c.KodLine->SetItem(n, code);
        }
      } else if (fLenMark >= 0) {
        const std::string code = DbfText(dbf, fLenMark, k);
        CheckDbfFieldFit(dbf, k, fLenMark, code, kodLine);
        c.KodLine->SetItem(n, code);
      }
      const std::string note = DbfText(dbf, fPrim, k);
      CheckDbfFieldFit(dbf, k, fPrim, note, prim);
      c.Prim->SetItem(n, note);
    }
  } catch (const TDbfReadError& e) {
    // the reader names the record by the row the walk gives it, as the text faults below do
    countWrongLengths();
    throw Error(e.what());
  } catch (const TSourceTextError&) {
    countWrongLengths();
    throw;
  }
  countWrongLengths();
  messages.Finish();
  for (std::string& note : dbf.TakeNotes()) info.push_back(std::move(note));
  table.RowCount = n;
  SortTableByFields(table, {"NameTP", "Ntr", "Fider"});
  // records there were, of other kinds of lines only
  if (n == 0 && k > 0) taken.NotTaken("нет линий выбранного вида");
  return taken;
}

void ImportLines04Dbf(const TLine04Request& request, std::vector<std::string>& info, const TImportProgress& progress,
                      const TStageProc& stage) {
  TRunTableLocks locks(request.BaseStem, GetMaketExtention(LayoutLines04));
  TDataFile table;
  ReadMaket(LayoutLines04, table);
  CreateColumns(table, 0);
  TFileImport import;
  import.Source = request.Path;
  import.Read = [&] {
    if (request.Path.empty()) throw Error("Не выбран файл базы линий 0.4 кВ");
    TDbfTable dbf;
    if (std::string error; !dbf.Open(request.Path, error))
      throw Error("Ошибка чтения базы линий 0.4 кВ (файл " + request.Path + "): " + dbf.OpenFault());
    if (stage) stage("  Импорт базы линий 0.4 кВ ... ");
    return ReadLines04Dbf(dbf, request, table, info, progress);
  };
  table.Title = BaseTitle(request.BaseStem);
  import.Tables = {{request.BaseStem + table.Extention, &table}};
  RunFileImport(import);
}

}  // namespace ld
