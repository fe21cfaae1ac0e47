#include "core/district/consumer_links.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/district/subscriber_cells.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"

namespace ld {

namespace {

// A table of the base from its file, or empty from its layout when the file is missing.
void ReadOrMake(const std::string& file, const char* layout, const std::string& title, TDataFile& table) {
  if (!ReadTableFileOrEmpty(file, layout, table)) table.Title = title;
}

bool SameText(const std::string& a, const std::string& b) { return CompareValues(&a, &b, 's') == 2; }

}  // namespace

void LinkConsumersToStations(TDataFile& meterPoints, TDataFile& consumers, const TImportProgress& progress) {
  SortTableByFields(meterPoints, {"Ndog", "NameTP"});
  TMeterPointCols m;
  FillMeterPointCols(meterPoints, m);
  std::vector<std::string> station(static_cast<std::size_t>(meterPoints.RowCount) + 1);
  for (int j = 1; j <= meterPoints.RowCount; ++j) {
    const std::string_view name = m.NameTP->GetView(j);
    station[static_cast<std::size_t>(j)] = std::string(name.substr(0, name.find('.')));
  }

  TConsumerCols c;
  FillConsumerCols(consumers, c);
  // continuation rows of the last run; a station list of a contract never begins with "+"
  for (int i = consumers.RowCount; i >= 1; --i)
    if (!c.NameTP->GetView(i).empty() && c.NameTP->GetView(i).front() == '+') {
      DeleteTableRow(consumers, i);
      --consumers.RowCount;
    }
  for (int i = 1; i <= consumers.RowCount; ++i) c.NameTP->SetItem(i, "");

  const std::size_t most = consumers.CtrlSize[FindColumnIndex("NameTP", consumers)];
  TWalkProgress walk(consumers.RowCount, progress);
  for (int i = 1; i <= consumers.RowCount; ++i) {
    const std::string contract = c.Ndog->GetItem(i);
    bool found = false;
    int j = BinarySearchColumn(&contract, *m.Ndog, 's', found, meterPoints.RowCount);
    if (found) {
      std::string text = station[static_cast<std::size_t>(j)];
      std::string last = text;
      for (--j; j >= 1 && SameText(m.Ndog->GetItem(j), contract); --j) {
        const std::string& s = station[static_cast<std::size_t>(j)];
        if (s == last) continue;
        last = s;
        if (Utf8Length(text) + 1 + Utf8Length(s) > most) {
          c.NameTP->SetItem(i, text);
          InsertTableRow(consumers, i + 1);
          ++consumers.RowCount;
          CopyTableRow(consumers, consumers, i, i + 1);
          ++i;
          text = "+" + s;
        } else {
          text += "," + s;
        }
      }
      c.NameTP->SetItem(i, text);
    }
    walk.Advance(i);
  }
}

void LinkConsumersOfBase(const std::string& baseStem, const TImportProgress& progress, const TStageProc& stage) {
  if (stage) stage("  Чтение файлов ... ");
  const std::string title = BaseTitle(baseStem);
  TDataFile meterPoints, consumers;
  ReadOrMake(FamilyFile(baseStem, GetMaketExtention(LayoutMeterPoints)), LayoutMeterPoints, title, meterPoints);
  ReadOrMake(FamilyFile(baseStem, GetMaketExtention(LayoutConsumers)), LayoutConsumers, title, consumers);
  if (stage) stage("  Формирование привязки к ТП ... ");
  LinkConsumersToStations(meterPoints, consumers, progress);
  WriteTableFile(baseStem + consumers.Extention, consumers);
}

}  // namespace ld
