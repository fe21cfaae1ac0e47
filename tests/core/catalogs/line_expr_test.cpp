#include <gtest/gtest.h>

#include <string>

#include "catalog_fixture.h"
#include "core/catalogs/catalog_ln.h"
#include "core/catalogs/line_expr.h"

namespace ld {

namespace {

struct Line {
  bool ok = false;
  float R = -1, X = -1, G = -1, B = -1, Idop = -1, L = -1;
};

Line Eval(const std::string& text, float unom = 10, bool normalise = false, char32_t typ = 0) {
  Line l;
  l.ok = ParseLineExpression(text, l.R, l.X, unom, l.G, l.B, l.Idop, l.L, normalise, typ);
  return l;
}

void ExpectLine(const Line& l, double r, double x, double g, double b, double idop, double len) {
  EXPECT_TRUE(l.ok) << CatalogErrorLN;
  EXPECT_NEAR(l.R, r, 1e-6);
  EXPECT_NEAR(l.X, x, 1e-6);
  EXPECT_NEAR(l.G, g, 1e-6);
  EXPECT_NEAR(l.B, b, 1e-5);
  EXPECT_NEAR(l.Idop, idop, 1e-4);
  EXPECT_NEAR(l.L, len, 1e-4);
}

// A failure leaves every output at 0 and the text in CatalogErrorLN.
void ExpectFailure(const Line& l, const std::string& text) {
  EXPECT_FALSE(l.ok);
  EXPECT_EQ(CatalogErrorLN, text);
  EXPECT_EQ(l.R, 0);
  EXPECT_EQ(l.B, 0);
  EXPECT_EQ(l.Idop, 0);
  EXPECT_EQ(l.L, 0);
}

}  // namespace

class LineExpression : public test::CatalogTest {
protected:
  void SetUp() override {
    // Mark, Unom, F, Typ, R0, X0, G0, B0, Id, Sd
    WriteRows(CatalogFileLN, CatalogLayoutLN,
              {{"АС", "10", "70", "в", "0.42", "0.4", "0", "2.6", "265", "4.6"},
               {"А", "10", "50", "В", "0.6", "0.35", "0", "2.7", "215", "3.7"},
               {"ААБ", "10", "95", "К", "0.33", "0.08", "1", "80", "205", "3.5"},
               {"М", "10", "16", "В", "1.2", "0.4", "0", "0", "0", "0"},
               {"СИП", "0.4", "50", "В", "0.641", "0.08", "0", "0", "195", "0"}});
    LoadCatalogLN(Folder(), false);
  }
};

TEST_F(LineExpression, SectionsTakeTheirCatalogueRow) {
  ExpectLine(Eval("1000*АС-70"), 0.42, 0.4, 0, -2.6, 265, 1000);
  ExpectFailure(Eval("1000*АС-70", 6), "Марка АС-70(6кВ) не найдена в каталоге марок КЛ,ВЛ");

  // Two circuits: half the impedance, twice the shunt and the current.
  ExpectLine(Eval("1000*2АС-70"), 0.21, 0.2, 0, -5.2, 530, 1000);
  // Blanks and letter case do not matter; "!А" after the circuit count is dropped.
  ExpectLine(Eval(" 1000 * 2!А ас - 70 "), 0.21, 0.2, 0, -5.2, 530, 1000);
  // Voltages are compared to a tenth of a kilovolt.
  ExpectLine(Eval("1000*СИП-50", 0.38f), 0.641, 0.08, 0, 0, 195, 1000);
  EXPECT_FALSE(Eval("1000*СИП-50", 0.3f).ok);
}

TEST_F(LineExpression, SeriesParallelAndBrackets) {
  ExpectLine(Eval("1000*А-50/1000*А-50"), 0.3, 0.175, 0, -5.4, 430, 1000);
  // The weakest section limits a series; a section without a rating does not.
  ExpectLine(Eval("1000*АС-70+1000*А-50"), 1.02, 0.75, 0, -5.3, 215, 2000);
  ExpectLine(Eval("100*АС-70+100*М-16"), 0.162, 0.08, 0, -0.26, 265, 200);
  // "/" binds more tightly than "+"; brackets group.
  ExpectLine(Eval("1000*АС-70+1000*А-50/1000*А-50"), 0.72, 0.575, 0, -8.0, 265, 2000);
  ExpectLine(Eval("(1000*АС-70+1000*А-50)/1000*А-50"), 0.3791701, 0.2406869, 0, -8.0, 430, 1500);
  // A bracket left open is reduced as if it were not there.
  ExpectLine(Eval("(1000*А-50/1000*А-50"), 0.3, 0.175, 0, -5.4, 430, 1000);
}

TEST_F(LineExpression, TypeLetterAndNormalisation) {
  // Only cable sections: the overhead one keeps its length but adds nothing else.
  ExpectLine(Eval("1000*АС-70+500*ААБ-95", 10, false, U'к'), 0.165, 0.04, 0.5, -40, 205, 1500);
  // In a parallel group a section that adds nothing is left out instead of shorting the group.
  ExpectLine(Eval("1000*АС-70/1000*ААБ-95", 10, false, U'К'), 0.33, 0.08, 1, -80, 205, 1000);

  // A mark missing from the catalogue is found under its family only with normalisation.
  ExpectFailure(Eval("1000*ЦААБл2-95"), "Марка ЦААБЛ2-95(10кВ) не найдена в каталоге марок КЛ,ВЛ");
  ExpectLine(Eval("1000*ЦААБл2-95", 10, true), 0.33, 0.08, 1, -80, 205, 1000);
  ExpectFailure(Eval("1000*ЦАПвП2-95", 10, true), "Марка ЦАПВП2-95(10кВ) не найдена в каталоге марок КЛ,ВЛ");

  EXPECT_EQ(NormalizeLineMark("АС120") + " " + NormalizeLineMark("А2Б"), "АС А2Б");
}

TEST_F(LineExpression, MalformedExpressionsAreRefused) {
  ExpectFailure(Eval("1000*АС-70++500*А-50"), "Некорректное задание линии: дублирование \"+\",\"/\",\"*\"");
  ExpectFailure(Eval("1000АС-70"), "Некорректное задание линии: отсутствует \"*\"");
  ExpectFailure(Eval("1000*АС-70)"), "Некорректное задание линии: \"(\",\")\"");
  ExpectFailure(Eval("1e999*АС-70"), "Некорректное задание длины линии: 1E999");
  ExpectFailure(Eval("1000*0АС-70"), "Некорректное задание линии");

  // Ten brackets pending after one section are the most; deeper nesting is refused, not overrun.
  ExpectLine(Eval(std::string(10, '(') + "1000*А-50"), 0.6, 0.35, 0, -2.7, 215, 1000);
  ExpectFailure(Eval(std::string(11, '(') + "1000*А-50"),
                "Некорректное задание линии: выражение содержит большую вложенность ((((((((((");
  std::string chain;
  for (int i = 0; i < 49; ++i) chain += "(1*А-50+";
  ExpectLine(Eval(chain), 0.0294, 0.01715, 0, -0.1323, 215, 49);
  ExpectFailure(Eval(chain + "1*А-50"), "Некорректное задание линии: выражение содержит более 49 участков");
  ExpectFailure(Eval(std::string(100000, '(')),
                "Некорректное задание линии: выражение содержит большую вложенность ((((((((((");
}

TEST_F(LineExpression, CatalogueLookupAndCaptions) {
  TRecLN rec;
  ASSERT_TRUE(FindLNByMark("АС-70,0", false, rec, 10));
  // The type letter was stored in lower case.
  EXPECT_EQ(std::tuple(rec.Mark, rec.Typ, rec.F, rec.Id, rec.Sd), std::tuple("АС", U'В', 70.0f, 265.0f, 4.6f));

  EXPECT_FALSE(FindLNByMark("", false, rec, 10));
  EXPECT_EQ(CatalogErrorLN, "Не задана марка линии");
  EXPECT_EQ(rec.Id, 0);

  EXPECT_EQ(std::tuple(CatalogLNCaption(1), CatalogLNCaption(5), CatalogLNCaption(6)), std::tuple("АС-70", "СИП-50", ""));
  FreeCatalogLN();
  EXPECT_EQ(CatalogLNCaption(1), "");
  EXPECT_FALSE(FindLNByMark("", false, rec, 10));
  EXPECT_EQ(CatalogErrorLN, "Марка (10кВ) не найдена в каталоге марок КЛ,ВЛ");
}

}  // namespace ld
