// Every reader of a text or fixed-record file from outside, fed each of its sound files cut short as a
// copy that stopped leaves it: inside the first, a middle and the last record, just before the last line
// end, and at a record's end. Each cut file is refused naming it, or taken with a closing count that is
// not the whole file's, so a person sees that records are missing; never taken as the whole without a
// word. A text file that COPY /A ended with Ctrl+Z is the whole file. The readers come from the program's own list: one added later fails here until it has samples.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/strings.h"
#include "core/catalogs/graph_tables.h"
#include "core/district/cdu_cards.h"
#include "core/district/outside_readers.h"
#include "core/office/workbook.h"
#include "core/office/xlsx_file.h"
#include "core/regime/pnt_lin.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "support/graph_file_builder.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

// How a sound file divides into records: lines from `FirstRecordLine` (counted from 1), records of
// `RecordSize` bytes after `HeaderSize`, or a table file or a workbook, which is cut at every byte (a
// workbook's package every few bytes but at its end).
struct TSoundFile {
  fs::path Path;
  int FirstRecordLine = 0;
  std::size_t HeaderSize = 0, RecordSize = 0;
};

fs::path CopySample(const fs::path& folder) {
  for (const std::string ext : {".UZL", ".VET"}) fs::copy_file(DataDir() / ("Пример" + ext), folder / ("Пример" + ext));
  return folder / "Пример";
}

// The sound files of each reader, the chosen one first, made in the folder.
const std::map<std::string, std::function<std::vector<TSoundFile>(const fs::path&)>>& Samples() {
  static const std::map<std::string, std::function<std::vector<TSoundFile>(const fs::path&)>> samples = {
      {"Режим / Схема / Импорт ЦДУ",
       [](const fs::path& folder) {
         const fs::path stem = CopySample(folder);
         ExportCardScheme(stem.string(), (folder / "Пример.CDU").string());
         return std::vector<TSoundFile>{{folder / "Пример.CDU", 1}};
       }},
      {"Режим / Узлы схемы / Чтение файлов PNT,LIN",
       [](const fs::path& folder) {
         const fs::path stem = CopySample(folder);
         TDataFile nodes, branches;
         ReadTableFile(stem.string() + ".UZL", nodes);
         ReadTableFile(stem.string() + ".VET", branches);
         WritePntLin((folder / "обмен.PNT").string(), nodes, branches, {});
         return std::vector<TSoundFile>{{folder / "обмен.PNT", 2}, {folder / "обмен.LIN", 2}};
       }},
      {"База РЭС / Сеть / Импорт (*.PSH)",
       [](const fs::path& folder) {
         // names 1-8 and 10-17, state 19-22, mark 24-32, length 33-40, transformer 42-49
         const auto piece = [](const char* n1, const char* n2, const char* mark, const char* km, const char* trans) {
           return FitRight(n1, 8) + " " + FitRight(n2, 8) + " " + FitRight("", 4) + " " + FitRight(mark, 9) +
                  FitLeft(km, 8) + " " + trans;
         };
         std::string bytes;
         for (const std::string& line : {std::string("Фидер Лесная"), std::string("--------"),
                                         piece("Лесная", "ТП-1", "АС-50", "0.25", "-"),
                                         piece("ТП-1", "ТП-2", "АС-35", "12.5", "ТМ-250"),
                                         piece("ТП-2", "ТП-3", "АС-35", "1.5", "ТМ-400"),
                                         piece("ТП-3", "ТП-4", "АС-35", "2.75", "ТМ-160")})
           bytes += Utf8ToCp866(line) + "\r\n";
         WriteBytes(folder / "лесная.psh", bytes);
         return std::vector<TSoundFile>{{folder / "лесная.psh", 3}};
       }},
      {"База РЭС / Сеть / Импорт (*.RS)",
       [](const fs::path& folder) {
         WriteRows((folder / "сеть.RS").string(), LayoutDistrict10,
                   {{"П", "ПС.35.10", "Ф-5", "", "", "", "", "", "0", "0", "0", "Фидер 5"},
                    {"", "ПС.35.10", "ТП-7", "", "", "", "АС-50", "2ТМ-400", "1", "0.1", "0.05"},
                    {"", "ТП-7", "ТП-8", "", "", "", "АС-35", "ТМ-250"}});
         return std::vector<TSoundFile>{{folder / "сеть.RS"}};
       }},
      {"База РЭС / Сеть / Импорт (ЗУРАН)",
       [](const fs::path& folder) {
         Workbook book;
         Worksheet& sheet = book.sheets.emplace_back("Лист1");
         sheet.SetNumber(1, 1, 10);
         sheet.SetText(4, 1, "ПС-1.Ф5"), sheet.SetNumber(4, 3, 0.25), sheet.SetText(4, 4, "АС-50");
         sheet.SetText(5, 1, "ТП-1"), sheet.SetText(5, 2, "ТП-2"), sheet.SetNumber(5, 3, 0.1);
         sheet.SetText(5, 4, "АС-35"), sheet.SetText(5, 5, "0"), sheet.SetText(5, 6, "400");
         for (int col = 7; col <= 9; ++col) sheet.SetText(5, col, "0");
         WriteXlsx((folder / "лесная.xlsx").string(), book);
         return std::vector<TSoundFile>{{folder / "лесная.xlsx"}};
       }},
      {"Каталог графиков / Импорт из файлов *.LB",
       [](const fs::path& folder) {
         const std::vector<float> day(24, 12.5f), night(24, 3.25f);
         WriteBytes(folder / "типовые.LB",
                    LBHeader() + LBRecord(1, "Школа", day) + LBRecord(2, "Котельная", night) + LBRecord(3, "Быт", day));
         return std::vector<TSoundFile>{{folder / "типовые.LB", 0, 4, 428}};
       }},
      {"Каталог графиков / Импорт из файлов *.GRC, *.GRV",
       [](const fs::path& folder) {
         const std::string base = (folder / "чужая").string();
         WriteRows(base + GetMaketExtention(GraphCatalogMaket), GraphCatalogMaket,
                   {{"42", "~Ввод Т1", "1", "P", "3600", "МВт"}, {"43", "Ввод Т2", "1", "P", "3600", "МВт"}});
         DAdouble dates, values;
         dates[1] = 20240305.036, dates[2] = 20240305.072, values[1] = 1.5, values[2] = 2.5;
         dates.Count = values.Count = 2;
         StoreGraphValues(base, 42, dates, values);
         return std::vector<TSoundFile>{{base + GetMaketExtention(GraphCatalogMaket)},
                                        {base + GetMaketExtention(GraphValuesMaket)}};
       }},
  };
  return samples;
}

// Where a sound file is cut.
std::vector<std::size_t> CutPoints(const TSoundFile& file, const std::string& bytes) {
  std::vector<std::size_t> cuts;
  if (file.RecordSize > 0) {
    const std::size_t records = (bytes.size() - file.HeaderSize) / file.RecordSize;
    for (const std::size_t record : {std::size_t{0}, records / 2, records - 1})
      cuts.push_back(file.HeaderSize + record * file.RecordSize + file.RecordSize / 2);
    cuts.push_back(file.HeaderSize + file.RecordSize);
  } else if (file.FirstRecordLine > 0) {
    std::vector<std::size_t> starts{0};  // of each line
    for (std::size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', at + 1))
      if (at + 1 < bytes.size()) starts.push_back(at + 1);
    starts.push_back(bytes.size());
    const std::size_t first = static_cast<std::size_t>(file.FirstRecordLine) - 1, last = starts.size() - 2;
    for (const std::size_t line : {first, (first + last) / 2, last})
      cuts.push_back((starts[line] + starts[line + 1]) / 2);
    cuts.push_back(bytes.size() - 2);           // the last record whole, its CR LF lost
    cuts.push_back(starts[(first + last) / 2 + 1]);  // at a record's end
    cuts.push_back(starts[last]);                    // the last record lost whole
  } else {
    // a package's directory stands at its end: a cut anywhere loses it, so a cut every few bytes and at
    // each of the last ones tells as much as one at every byte
    const bool package = bytes.starts_with("PK\x03\x04");
    for (std::size_t at = 1; at < bytes.size(); at += package && at + 64 < bytes.size() ? 251 : 1) cuts.push_back(at);
  }
  return cuts;
}

TEST(CutFiles, EveryReaderRefusesACutFileOrCountsWhatItTook) {
  MaketFileName = (DataDir() / "maket.zr").string();
  ASSERT_FALSE(OutsideReaders().empty());
  for (const TOutsideReader& reader : OutsideReaders()) {
    SCOPED_TRACE(reader.Command);
    const auto sample = Samples().find(reader.Command);
    ASSERT_NE(sample, Samples().end()) << "the reader has no sound files to cut here";
    TempDir dir;
    const std::vector<TSoundFile> files = sample->second(dir.Path());
    const std::string chosen = files.front().Path.string();
    ASSERT_EQ(fs::path(chosen).extension(), reader.Extension);
    const TImportTaken whole = reader.Read(chosen);
    ASSERT_GT(whole.Items, 0);
    for (const TSoundFile& file : files) {
      const std::string bytes = ReadBytes(file.Path);
      if (file.FirstRecordLine > 0) {
        // COPY /A ends a text file with Ctrl+Z: the same file, whole
        WriteBytes(file.Path, bytes + "\x1A");
        EXPECT_EQ(reader.Read(chosen).Summary, whole.Summary) << file.Path.filename().string() << " ended by Ctrl+Z";
      }
      for (const std::size_t cut : CutPoints(file, bytes)) {
        SCOPED_TRACE(file.Path.filename().string() + " cut at " + std::to_string(cut) + " of " +
                     std::to_string(bytes.size()));
        WriteBytes(file.Path, bytes.substr(0, cut));
        try {
          const TImportTaken taken = reader.Read(chosen);
          if (taken.Items == 0) continue;  // refused by name on the one import path, saying why
          EXPECT_FALSE(taken.Summary.empty()) << "taken as a whole file, " << taken.Items << " items, without a word";
          EXPECT_NE(taken.Summary, whole.Summary) << "the closing count is the whole file's";
        } catch (const Error& e) {
          EXPECT_NE(std::string(e.what()).find(file.Path.filename().string()), std::string::npos) << e.what();
        }
      }
      WriteBytes(file.Path, bytes);
    }
  }
}

}  // namespace
}  // namespace ld::test
