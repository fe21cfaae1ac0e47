#pragma once
// The subscriber bases of a district from the billing department's dBase files: the industrial base
// (one row per meter of a metering point), the household base (one row per feeder of a station) and
// the district's list of contracts. Each reader walks one open dBase table into a table of its layout;
// ImportSubscriberBasesDbf is the whole command over the base's files.
#include <string>
#include <string_view>
#include <vector>

#include "core/base/callbacks.h"
#include "core/district/base_import.h"
#include "core/district/subscriber_cells.h"
#include "core/office/dbf_table.h"
#include "core/tables/layout.h"

namespace ld {

// Why a text of an import without cells does not go whole into the table's field it fills, the reason
// as the workbook imports give it ('текст "..." не поместится в поле "<title>": ...'); empty when it
// goes. Control characters of a damaged source are quoted as "?", so that a zero byte does not end the
// message.
std::string FieldFitFault(std::string_view text, const TTextField& target);

// What a dBase import makes of a field of the source (the text of field `field`, as the import trims it
// or puts a prefix before it) checked against the table's field it fills: a text longer than the field
// would lose its end, and two names alike in their first characters would become one. Throws
// TSourceTextError, 'Ошибка чтения файла "<file>": строка <row>, поле <FIELD>: <reason>', the reason
// naming the table's field as the workbook imports do. The row is the number the import's other messages
// give the record the text stands in, which for a name carried down to the records below it is not the
// current one.
void CheckDbfFieldFit(const TDbfTable& dbf, int row, int field, std::string_view text, const TTextField& target);
// The same for a text made of several fields, named together ("TOWN, STREET").
void CheckDbfFieldFit(const TDbfTable& dbf, int row, std::string_view fields, std::string_view text,
                      const TTextField& target);

// Each reader takes every value of the base through the rules of names and numbers (TOutsideValue),
// checks every text it takes (DbfText, CheckDbfFieldFit) and keeps the first kMaxImportMessages of its
// record messages, counting the rest in one line. A record is numbered by the table's row it makes, in
// every message: "<table>. Строка <row> - ошибка чтения поля <FIELD> (<why>)" for its first number that
// does not read (its later fields stay empty), "<table>. Строка <row> - не задана ТП (поле <FIELD>)" for
// a record without its key (a meter point's is its station and its contract, "не задан договор"; the
// contracts' their number, "не задан номер договора"), and 'строка <row>,
// поле <FIELD>' in a refusal of a text. Such a record still makes its row, so that a person sees it, but
// only a record with its key whose numbers all read is taken: a base of none gives nothing, the first
// record's fault its reason, and replaces no table by rows of nothing.

// Each reader first checks that the base is of its kind (MissingDbfField): a base without the fields it
// cannot do without gives nothing, with that reason. It returns the records it took.

// Appends the records of the district (all records for district 0) after the table's rows
// ("База промышленных абонентов", columns created) and sorts the table by NameTP, Ndog, NumPoint,
// TypCounter. Needs NAMETP and NDOG. A record without a field RES_ID belongs to district 0.
TImportTaken ReadMeterPointsDbf(TDbfTable& dbf, TDataFile& table, int districtNo, std::vector<std::string>& info,
                                const TImportProgress& progress = {});
// Fills the empty "База бытовых абонентов" table, the prefix in front of each feeder's name; sorted by
// NameTP. Needs NAME_TP.
TImportTaken ReadHouseholdsDbf(TDbfTable& dbf, TDataFile& table, const std::string& feederPrefix,
                               std::vector<std::string>& info, const TImportProgress& progress = {});
// Fills the empty "Формат РЭС (абоненты)" table in the file's order. Needs NDOGOV.
TImportTaken ReadConsumersDbf(TDbfTable& dbf, TDataFile& table, std::vector<std::string>& info,
                              const TImportProgress& progress = {});

struct TSubscriberDbfRequest {
  std::string BaseStem;
  bool Prom = false, Byt = false, Dog = false;
  std::string PathProm, PathByt, PathDog;
  bool AddMode = false;  // the industrial rows are added to the base's own
  int DistrictNo = 0;    // 0: every record
  std::string FeederPrefix;
};

// The whole command along the one import path: the wanted files are read whole in the order industrial,
// household, contracts, and only then are their tables written, all in one run (the household and
// contract tables are always replaced whole). Record faults go to info. A file that cannot be read
// ("Ошибка чтения базы ... (файл <path>): <the reader's reason>"), a text the tables cannot hold, or a
// file of which nothing is taken (NothingImportedText with the reader's reason: "поле NDOGOV не
// найдено") throws its refusal, saying that nothing was changed, before any table is written. Returns
// the layout of the table to show: the first of the three that was wanted; empty when nothing was
// wanted. A base wanted without a file named is refused as "Не выбран файл <base>". The stem's files of the wanted tables are locked meanwhile; a lock held by someone else, or
// an unreadable industrial base in add mode, throws the table store's error before anything is read.
std::string ImportSubscriberBasesDbf(const TSubscriberDbfRequest& request, std::vector<std::string>& info,
                                     const TImportProgress& progress = {}, const TStageProc& stage = {});

}  // namespace ld
