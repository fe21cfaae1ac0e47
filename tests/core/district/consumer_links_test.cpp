// The stations of each contract: sections of one station counted once, lists longer than the column
// continued in "+" rows, repeated runs giving the same file, and a station whose name holds a "+".
#include "core/district/consumer_links.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/session.h"
#include "core/tables/file_guard.h"
#include "core/tables/table_file.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;
using Grid = std::vector<std::vector<std::string>>;

class ConsumerLinks : public ::testing::Test {
protected:
  ConsumerLinks() { MaketFileName = (DataDir() / "maket.zr").string(); }

  Grid Consumers() const {
    TDataFile t;
    ReadTableFile(stem + ".RAB", t);
    Grid rows;
    for (int r = 1; r <= t.RowCount; ++r)
      rows.push_back({GetCellText(t, r, FindColumnIndex("Ndog", t), true),
                      GetCellText(t, r, FindColumnIndex("NameAb", t), true),
                      GetCellText(t, r, FindColumnIndex("NameTP", t), true)});
    return rows;
  }

  TempDir dir;
  const std::string stem = dir / "Район";
};

// Stations "ТП-100" to "ТП-129" on contract 2.
Rows ManyStations() {
  Rows rows;
  for (int i = 129; i >= 100; --i) rows.push_back({"ТП-" + std::to_string(i), "", "", "2"});
  return rows;
}

std::string Join(int from, int to) {
  std::string s;
  for (int i = from; i >= to; --i) s += (s.empty() ? "" : ",") + ("ТП-" + std::to_string(i));
  return s;
}

TEST_F(ConsumerLinks, StationListsOfContracts) {
  Rows points = ManyStations();
  // NameTP, Ntr, Fider, Ndog
  points.insert(points.end(), {{"ТП-3.1", "", "", "1"},
                               {"ТП-9", "", "", "1"},
                               {"ТП-3.2", "", "", "1"},
                               {"ТП-3.2", "Т2", "", "1"},
                               {"РП+2", "", "", "4"},
                               {"ТП-8", "", "", ""}});
  WriteRows(stem + ".BPA", LayoutMeterPoints, points);
  WriteRows(stem + ".RAB", LayoutConsumers,
            {{"1", "Завод"}, {"2", "Сеть"}, {"3", "Без точек", "", "ТП-СТАРАЯ"}, {"4", "Плюс"}, {"", "Без номера"}});

  LinkConsumersOfBase(stem);
  // 80 characters: eleven names of six and their commas; the continuation rows start with "+"
  const Grid expected = {
      {"1", "Завод", "ТП-9,ТП-3"},         {"2", "Сеть", Join(129, 119)}, {"2", "Сеть", "+" + Join(118, 108)},
      {"2", "Сеть", "+" + Join(107, 100)}, {"3", "Без точек", ""},        {"4", "Плюс", "РП+2"},
      {"", "Без номера", "ТП-8"},
  };
  EXPECT_EQ(Consumers(), expected);
  for (const auto& row : expected) EXPECT_LE(Utf8Length(row[2]), 80u) << "the column holds 80 characters";

  // a second run removes the continuation rows first and makes them again: the same file
  const std::string first = ReadBytes(stem + ".RAB");
  LinkConsumersOfBase(stem);
  EXPECT_EQ(ReadBytes(stem + ".RAB"), first);
  for (const auto& e : fs::directory_iterator(dir.Path())) EXPECT_NE(e.path().string().back(), '~') << e.path();
}

TEST_F(ConsumerLinks, MissingTablesAndALockedSubscriberTable) {
  WriteRows(stem + ".RAB", LayoutConsumers, {{"1", "Завод", "", "ТП-1"}});
  LinkConsumersOfBase(stem);
  EXPECT_EQ(Consumers(), (Grid{{"1", "Завод", ""}})) << "without an industrial base every list is empty";

  fs::remove(stem + ".RAB");
  LinkConsumersOfBase(stem);
  EXPECT_TRUE(Consumers().empty());

  WriteRows(stem + ".BPA", LayoutMeterPoints, {{"ТП-1", "", "", "1"}});
  WriteRows(stem + ".RAB", LayoutConsumers, {{"1", "Завод"}});
  const std::string old = ReadBytes(stem + ".RAB");
  const std::string user = CurrentUserName;
  CurrentUserName = "Петров";
  LockTableFiles(stem, ".RAB");
  CurrentUserName = user;
  EXPECT_THROW(LinkConsumersOfBase(stem), Error);
  EXPECT_EQ(ReadBytes(stem + ".RAB"), old);
  EXPECT_TRUE(fs::exists(stem + ".RAB~")) << "the other user's lock stays";
}

}  // namespace
}  // namespace ld::test
