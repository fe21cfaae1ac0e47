// The catalogues of the program folder (data/) against the handbook tables they are made from
// (scripts/catalogs): every row found by the mark a person types, with the table's numbers, and the
// branch parameters worked out by hand for a few common marks.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>

#include "catalog_fixture.h"
#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/catalogs/line_expr.h"
#include "core/catalogs/trans_formulas.h"
#include "core/tables/unom.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

using CsvRow = std::map<std::string, std::string>;

// The rows of a handbook table by column name; comment lines ("#") are left out.
std::vector<CsvRow> Handbook(const std::string& name) {
  std::ifstream in(DataDir() / ".." / "scripts" / "catalogs" / (name + ".csv"));
  std::vector<std::string> header;
  std::vector<CsvRow> rows;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> cells;
    std::stringstream s(line);
    for (std::string cell; std::getline(s, cell, ',');) cells.push_back(cell);
    if (header.empty()) {
      header = cells;
      continue;
    }
    CsvRow row;
    for (std::size_t i = 0; i < header.size(); ++i) row[header[i]] = i < cells.size() ? cells[i] : "";
    rows.push_back(row);
  }
  return rows;
}

// A number of a handbook row. An empty cell is the handbook's "none" (a disconnector breaks no current),
// which the catalogue holds as 0; any other text must be a number as a whole: read as 0 or as its leading
// digits, it would compare equal to a catalogue cell that happens to hold that value.
float Num(const CsvRow& row, const char* field) {
  const std::string& text = row.at(field);
  if (text.empty()) return 0.0f;
  float value = 0.0f;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) {
    ADD_FAILURE() << field << " = \"" << text << "\" is no number";
    return std::numeric_limits<float>::quiet_NaN();
  }
  return value;
}

class ShippedCatalogs : public CatalogTest {
protected:
  ShippedCatalogs() {
    CopyDataFiles(dir_.Path(), [](const std::string& name) { return name.ends_with(".cat"); });
  }
  std::string Bytes(const std::string& file) const {
    std::ifstream in(dir_ / file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
};

TEST_F(ShippedCatalogs, AreInKeyOrderAndHoldEveryHandbookRow) {
  const std::vector<std::pair<std::string, void (*)(const std::string&, bool)>> units = {
      {"sprav_ln", LoadCatalogLN}, {"sprav_t2", LoadCatalogT2}, {"sprav_t3", LoadCatalogT3},
      {"sprav_RT", LoadCatalogRT}, {"sprav_KA", LoadCatalogKA}};
  for (const auto& [name, load] : units) {
    const std::string before = Bytes(name + ".cat");
    load(Folder(), true);
    EXPECT_EQ(Bytes(name + ".cat"), before) << name << ": a sorted load would rewrite the shipped file";
    TDataFile t;
    ReadTableFile(dir_ / (name + ".cat"), t);
    EXPECT_EQ(t.RowCount, static_cast<int>(Handbook(name).size())) << name;
    EXPECT_GT(t.RowCount, 5) << name;
  }
}

TEST_F(ShippedCatalogs, LineMarksGiveTheHandbookResistances) {
  LoadCatalogLN(Folder(), true);
  for (const CsvRow& row : Handbook("sprav_ln")) {
    const std::string text = UpperCase(row.at("Mark")) + "-" + row.at("F");
    SCOPED_TRACE(text + " " + row.at("Unom"));
    TRecLN rec;
    ASSERT_TRUE(FindLNByMark(text, false, rec, Num(row, "Unom"))) << CatalogErrorLN;
    EXPECT_EQ(std::tuple(rec.R0, rec.X0, rec.B0, rec.Id), std::tuple(Num(row, "R0"), Num(row, "X0"), Num(row, "B0"), Num(row, "Id")));
    EXPECT_EQ(rec.Typ, row.at("Typ") == "К" ? U'К' : U'В');
  }

  // 2 km of АС-70 on a 10 kV line (1 m between phases) and 300 m of cable at 6 kV: the handbook's
  // 0.4218 and 0.340 Ω/km of the wire, 0.443 and 0.080 Ω/km of the cable.
  float r = 0, x = 0, g = 0, b = 0, idop = 0, l = 0;
  ASSERT_TRUE(ParseLineExpression("2000*АС-70", r, x, 10, g, b, idop, l, false, 0)) << CatalogErrorLN;
  EXPECT_NEAR(r, 0.8436, 1e-5);
  EXPECT_NEAR(x, 0.680, 1e-5);
  EXPECT_EQ(idop, 265);
  ASSERT_TRUE(ParseLineExpression("300*ААБл-70", r, x, 6, g, b, idop, l, false, 0)) << CatalogErrorLN;
  EXPECT_NEAR(r, 0.1329, 1e-5);
  EXPECT_NEAR(x, 0.024, 1e-5);
  EXPECT_NEAR(b, -0.3 * 6.0e3 / (6e3 * 6e3) * 1e6, 0.02);  // 300 m of 6.0 kvar/km at 6 kV: b0 = q0 / U²
  EXPECT_EQ(idop, 190);
  // Cables carry their charging susceptance, b0 = q0 / U² from the handbook's charging power of
  // three-core paper-insulated cables: 15.6 kvar/km for 95 mm² at 10 kV, 7.4 kvar/km for 120 mm² at 6 kV.
  TRecLN cable;
  ASSERT_TRUE(FindLNByMark("ААБЛ-95", false, cable, 10)) << CatalogErrorLN;
  EXPECT_NEAR(cable.B0, 15.6e3 / (10e3 * 10e3) * 1e6, 0.05);  // 156 µS/km
  ASSERT_TRUE(FindLNByMark("ААБЛ-120", false, cable, 6)) << CatalogErrorLN;
  EXPECT_NEAR(cable.B0, 7.4e3 / (6e3 * 6e3) * 1e6, 0.05);  // 205.6 µS/km
  // A 0.38 kV network finds the 0.4 kV marks; the family of a mark finds its neighbours' sections.
  ASSERT_TRUE(ParseLineExpression("500*СИП2-50", r, x, 0.38f, g, b, idop, l, false, 0)) << CatalogErrorLN;
  EXPECT_NEAR(r, 0.3205, 1e-5);
  TRecLN rec;
  EXPECT_TRUE(FindLNByMark("СИП-95", true, rec, 10) && rec.R0 == 0.363f);
}

TEST_F(ShippedCatalogs, TransformerMarksGiveTheHandbookParameters) {
  LoadCatalogT2(Folder(), true);
  for (const CsvRow& row : Handbook("sprav_t2")) {
    const std::string text = row.at("Mark") + "-" + row.at("Sv") + "/" + row.at("Uv") + "/" + row.at("Un");
    SCOPED_TRACE(text);
    TRecT2 rec;
    ASSERT_TRUE(FindT2ByMark(text, rec)) << CatalogErrorT2;
    EXPECT_EQ(std::tuple(rec.Pk, rec.Uk, rec.Ph, rec.Ih, rec.RPN),
              std::tuple(Num(row, "Pk"), Num(row, "Uk"), Num(row, "Ph"), Num(row, "Ih"), row.at("RPN")));
    EXPECT_TRUE(CheckT2Params(rec)) << CatalogErrorT2;
  }
  // ТМ-400/10/0.4: R = Pk·U²/S² = 3.4375 Ω, Z = uk·U²/S = 11.25 Ω, G = Ph/U² = 9.5 µS, B = Ih·S/U² = 84 µS.
  TRecT2 t2;
  ASSERT_TRUE(FindT2ByMark("тм-400/10/0,4", t2) && CheckT2Params(t2));
  EXPECT_NEAR(t2.R, 3.4375, 1e-5);
  EXPECT_NEAR(t2.X, 10.71196, 1e-4);  // sqrt(11.25² - 3.4375²)
  EXPECT_NEAR(t2.G, 9.5, 1e-5);
  EXPECT_NEAR(t2.B, 84, 1e-4);
  EXPECT_NEAR(t2.Kt, 25, 1e-5);

  LoadCatalogT3(Folder(), true);
  for (const CsvRow& row : Handbook("sprav_t3")) {
    const std::string text =
        row.at("Mark") + "-" + row.at("Sv") + "/" + row.at("Uv") + "/" + row.at("Us") + "/" + row.at("Un");
    SCOPED_TRACE(text);
    TRecT3 rec;
    ASSERT_TRUE(FindT3ByMark(text, rec)) << CatalogErrorT3;
    EXPECT_EQ(std::tuple(rec.Pv_s, rec.Uv_s, rec.Uv_n, rec.Us_n, rec.Ph, rec.Ih),
              std::tuple(Num(row, "Pv_s"), Num(row, "Uv_s"), Num(row, "Uv_n"), Num(row, "Us_n"), Num(row, "Ph"),
                         Num(row, "Ih")));
  }
  // ТДТН-16000/115/38.5/11, 100 kW per pair: each winding 50 kW, R = 50·115²/16000² = 2.583 Ω;
  // uk of the windings 10.75, -0.25 (no reactance) and 6.25 %.
  TRecT3 t3;
  ASSERT_TRUE(FindT3ByMark("ТДТН-16000/115/38.5/11", t3) && CheckT3Params(t3));
  EXPECT_NEAR(t3.Rv, 2.58301, 1e-4);
  EXPECT_NEAR(t3.Rn, 2.58301, 1e-4);
  EXPECT_NEAR(t3.Xv, std::sqrt(std::pow(10.75 * 115 * 115 / 1600.0, 2) - std::pow(2.58301, 2)), 1e-3);
  EXPECT_EQ(t3.Xs, 0);
  EXPECT_NEAR(t3.Xn, std::sqrt(std::pow(6.25 * 115 * 115 / 1600.0, 2) - std::pow(2.58301, 2)), 1e-3);
  EXPECT_NEAR(t3.Ks, 115 / 38.5, 1e-5);
}

TEST_F(ShippedCatalogs, ReactorsAndSwitchingDevicesAreFoundByTheirCaptions) {
  LoadCatalogRT(Folder(), true);
  for (const CsvRow& row : Handbook("sprav_RT")) {
    const std::string text = row.at("Mark") + "-" + row.at("Unom") + "-" + row.at("Inom") + "-" + row.at("Xr");
    TRecRT rec;
    ASSERT_TRUE(FindRTByMark(text, rec)) << text << " " << CatalogErrorRT;
    EXPECT_EQ(std::tuple(rec.Xr, rec.dP), std::tuple(Num(row, "Xr"), Num(row, "dP"))) << text;
  }
  TRecRT rt;  // 2.5 kW a phase at 630 A: R = 2500/630² Ω
  ASSERT_TRUE(FindRTByMark("РБ-10-630-0.25", rt) && CheckRTParams(rt));
  EXPECT_NEAR(rt.R, 2500.0 / (630 * 630), 1e-7);
  EXPECT_NEAR(rt.Xr, 0.25, 1e-7);

  LoadCatalogKA(Folder(), true);
  for (const CsvRow& row : Handbook("sprav_KA")) {
    const std::string text = row.at("Mark") + "-" + row.at("Unom") + "-" + row.at("Inom");
    TRecKA rec;
    ASSERT_TRUE(FindKAByMark(text, rec)) << text << " " << CatalogErrorKA;
    EXPECT_EQ(std::tuple(rec.Name, rec.Iotk, rec.Ids, rec.Its, rec.Tts),
              std::tuple(row.at("Name"), Num(row, "Iotk"), Num(row, "Ids"), Num(row, "Its"), Num(row, "Tts")))
        << text;
  }
  TRecKA ka;
  ASSERT_TRUE(FindKAByMark("РЛНД-10-400", ka));
  EXPECT_EQ(ka.Typ, U'Р');
}

TEST_F(ShippedCatalogs, VoltageClassesAreReadAsTheSettingsList) {
  const std::string savedPath = IniRec.Path;
  auto savedList = std::move(IniRec.UnomList);
  IniRec.UnomList = std::make_unique<DAdouble>();
  IniRec.Path = Folder();
  ReadNominalVoltageList();
  std::vector<double> list;
  for (int i = 1; i <= IniRec.UnomList->Count; ++i) list.push_back(IniRec.UnomList->Get(i));
  IniRec.Path = savedPath;
  IniRec.UnomList = std::move(savedList);
  std::vector<double> handbook;
  for (const CsvRow& row : Handbook("sprav_UN")) handbook.push_back(ld::StrToFloatZ(row.at("Unom")));
  EXPECT_EQ(list, handbook);  // shipped ascending, as the diagram pairs its limits with the list
  EXPECT_NE(std::find(list.begin(), list.end(), 12.66), list.end());
  // 0.4 kV networks are a class of their own, so forming writes their lines "LN|0.4|"; 0.38 kV stays.
  EXPECT_NE(std::find(list.begin(), list.end(), 0.4), list.end());
  EXPECT_NE(std::find(list.begin(), list.end(), 0.38), list.end());
  const auto up = ReadColumnFromFile(dir_ / "sprav_UN.cat", "dUp");
  ASSERT_TRUE(up);
  EXPECT_EQ(static_cast<DAdouble&>(*up).Get(15), 5);  // 400 kV: up to 420 kV
}

}  // namespace
}  // namespace ld::test
