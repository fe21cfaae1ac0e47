// Graph properties (numbers, checks, the written row) and the display settings with their INI section.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <tuple>

#include "catwin_fixture.h"
#include "core/base/codepage.h"
#include "core/base/inifile.h"
#include "core/catalogs/catwin_params.h"
#include "core/catalogs/catwin_settings.h"
#include "core/catalogs/graph_tables.h"
#include "gui/catalogs/graph_param_form.h"
#include "gui/catalogs/graph_set_form.h"

namespace ld::test {
namespace {

class GraphPropertiesTest : public CatwinTest {
protected:
  // Ngr, Tit, Typ, Zam, Per, Unt, Us, Tgf, Nu, Ntg, Nt
  void MakeCatalog() {
    FillRows(catalog_, GraphCatalogMaket,
             {{"10", "Напряжение ПС", "1", "U", "3600", "кВ"},
              {"3", "Тангенс", "1", "t", "3600", ""},
              {"7", "Типовой P", "0", "P", "3600", "%"},
              {"12", "Ток фидера", "1", "I", "3600", "A", "0", "0.4", "10", "0", "0"}});
  }
  static void Pick(QComboBox& box, int index) {
    box.setCurrentIndex(index);
    emit box.activated(index);
  }
  TDataFile catalog_;
};

TEST_F(GraphPropertiesTest, ChecksComeInTheirOrder) {
  MakeCatalog();
  TGraphCatalogCols cols;
  FillGraphCatalogCols(catalog_, cols);
  TGraphParamContext ctx;
  ctx.Numbers = SortedGraphNumbers(cols), ctx.NtList = TypicalGraphNumbers(cols, 'P');
  ctx.NuList = GraphNumbersOfLetter(cols, 'U'), ctx.NtgList = GraphNumbersOfLetter(cols, 't');

  TGraphParamInput in;
  const auto check = [&] { return CheckGraphParams(in, ctx); };
  EXPECT_EQ(check(), "Не задан номер графика");
  in.Number = "7", in.Title = "Новый";
  EXPECT_EQ(check(), "Заданный номер графика уже существует в базе");
  ctx.IsNew = false;
  ctx.OldNumber = 7;
  EXPECT_EQ(check(), "Не задан тип графика") << "its own number is no duplicate";
  in.Number = "20", in.Kind = 1, in.Period = 18, in.Quantity = 3, in.Unit = "A";  // a current graph
  in.UseUs = false, in.Nu = "10", in.UseTgf = false, in.Ntg = "10";
  EXPECT_EQ(check(), "Номер графика тангенсов Nгр(tg) не найден в базе");
  in.Ntg = "3";
  EXPECT_EQ(check(), "");
  in.Unit = "%";
  in.Nu = in.Ntg = "";
  EXPECT_EQ(check(), "") << "a current graph in % needs neither voltage nor tangent";
}

TEST_F(GraphPropertiesTest, NewGraphIsProposedCheckedAndAppendedOneWithValuesKeepsTypeAndPeriod) {
  MakeCatalog();
  std::vector<std::string> shown;
  script_.Then([&](QDialog& d) {
    shown.push_back(Child<QComboBox>(d, "_Ngr").currentText().toStdString());
    Click(d, "OKBtn");  // no title
    EXPECT_FALSE(d.result() == QDialog::Accepted);
    Child<QLineEdit>(d, "_Tit").setText("Ток ТП-5");
    Pick(Child<QComboBox>(d, "_Typ"), 0);
    Pick(Child<QComboBox>(d, "_Zam"), 3);  // I
    Child<QRadioButton>(d, "_NuBox").setChecked(true);
    Child<QComboBox>(d, "_Nu").setEditText("10");
    Child<QLineEdit>(d, "_Tgf").setText("0,45");
    Click(d, "OKBtn");
  });
  int row = 0;
  ASSERT_TRUE(gui::EditGraphParams(catalog_, false, row));
  EXPECT_EQ(std::pair(shown, row), std::pair(std::vector<std::string>{"13"}, 5));
  EXPECT_EQ(msg_.Texts(), std::vector<std::string>{"Не задано наименование графика"});
  TGraphCatalogCols c;
  FillGraphCatalogCols(catalog_, c);
  ASSERT_EQ(c.RowCount, 5);
  EXPECT_EQ(std::tuple(c.Ngr->Get(5), c.Tit->GetItem(5), c.Typ->Get(5), c.Per->Get(5), c.Zam->Get(5), c.Unt->GetItem(5)),
            std::tuple(13, std::string("Ток ТП-5"), 0, 3600, 'I', std::string("A")));
  EXPECT_EQ(std::tuple(c.Us->Get(5), c.Nu->Get(5), c.Tgf->Get(5), c.Ntg->Get(5)), std::tuple(0.0f, 10, 0.45f, 0));

  // A graph with values keeps its type and period.
  script_.Then([&](QDialog& d) {
    EXPECT_FALSE(Child<QComboBox>(d, "_Typ").isEnabled() || Child<QComboBox>(d, "_Per").isEnabled());
    EXPECT_TRUE(Child<QRadioButton>(d, "_NuBox").isChecked()) << "Us 0 shows the voltage graph";
    Child<QLineEdit>(d, "_Tit").setText("Ток фидера 2");
    Click(d, "OKBtn");
  });
  row = 4;
  ASSERT_TRUE(gui::EditGraphParams(catalog_, true, row));
  EXPECT_EQ(std::tuple(c.RowCount, c.Tit->GetItem(4), c.Nu->Get(4), c.Tgf->Get(4)), std::tuple(5, "Ток фидера 2", 10, 0.4f));
}

TEST_F(GraphPropertiesTest, GraphicsSectionRoundTripsAndReportsBadValues) {
  const std::string ini = ConfigFileName;
  TGraphDisplaySettings s;
  s.Date1 = EncodeDate(2024, 3, 5) + EncodeTime(10, 30, 0);
  s.Date2 = EncodeDate(2024, 4, 1), s.CurPeriod = 1800, s.Plot.BackColor = 0x00FFFF, s.Plot.FixedY = true;
  s.Plot.Yf1 = -2.5, s.Plot.Yf2 = 7.25, s.Plot.dY = 0.25, s.Plot.Yx = 0.5;
  WriteGraphDisplaySettings(ini, s);
  const std::string text = Cp1251ToUtf8(ReadBytes(ini));
  EXPECT_NE(text.find("[Graphics]\r\nDate1=05.03.2024 10:30:00\r\nDate2=01.04.2024 00:00:00\r\nCurPeriod=1800\r\n"
                      "BackColor=65535\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("FixedY=1\r\nYf1=-2.5\r\nYf2=7.25\r\ndY=0.25\r\nYx=0.5"), std::string::npos) << text;

  TGraphDisplaySettings back;
  ReadGraphDisplaySettings(ini, back);
  EXPECT_EQ(std::tuple(back.Date1, back.CurPeriod, back.Plot.BackColor, back.Plot.FixedY, back.Plot.Yf2),
            std::tuple(s.Date1, 1800, 0x00FFFFu, true, 7.25));

  // A value that does not read stops there: what came before it stays.
  TIniFile(ini).WriteString("Graphics", "Yf2", "много");
  TGraphDisplaySettings bad;
  ReadGraphDisplaySettings(ini, bad);
  EXPECT_EQ(msg_.Texts(), std::vector<std::string>{"Ошибка чтения файла конфигурации ldtoril.ini"});
  EXPECT_EQ(std::pair(bad.Plot.Yf1, bad.Plot.Yf2), std::pair(-2.5, 0.0));
}

TEST_F(GraphPropertiesTest, DisplayDialogChecksDatesAndRaisesWidths) {
  TDateTime d1 = EncodeDate(2024, 3, 5), d2 = EncodeDate(2024, 3, 7);
  int period = 1800, wmin = 3, lin = 3, radius = 4;
  gui::TColor back = 0xFFFFFF, frame = 0xC0C0C0, graph = 0xFF0000;
  bool legend = true, fixedX = true, fixedY = false;
  double yf1 = 0, yf2 = 0, dy = 0, yx = 0;
  script_.Then([&](QDialog& d) {
    auto& f = static_cast<gui::TGraphSetForm&>(d);
    f.Date1Edit->setDate(QDate(2024, 3, 8));
    Click(d, "OKBtn");
    EXPECT_NE(d.result(), QDialog::Accepted);
    f.Date1Edit->setDate(QDate(2024, 3, 1)), f.PerBox->setCurrentIndex(-1), f.WminEdit->clear();
    QTest::keyClicks(f.LinWidthEdit, "-");
    EXPECT_EQ(f.LinWidthEdit->text(), "0") << "an entry below 1 becomes 0 as it is typed";
    f.RadiusEdit->setText("0"), f.FixYBox->setChecked(true), f.dYEdit->setText("2,5"), f.Yf2Edit->setText("10");
    // A date the field refused keeps the dialog open, with the reason under the fields.
    QTest::keyClicks(f.Date2Edit, "31.04.2024");
    QTest::keyClick(f.Date2Edit, Qt::Key_Return);
    Click(d, "OKBtn");
    EXPECT_TRUE(d.isVisible() && d.result() != QDialog::Accepted);
    ASSERT_NE(d.findChild<QLabel*>("DateMessage"), nullptr);
    EXPECT_EQ(d.findChild<QLabel*>("DateMessage")->text().section('\n', 0, 0).toStdString(),
              "Даты \"31.04.2024\" не существует");
    QTest::keyClick(f.Date2Edit, Qt::Key_Escape);
    Click(d, "OKBtn");
  });
  ASSERT_TRUE(gui::ExecuteGraphDisplayDialog(d1, d2, period, wmin, lin, radius, back, frame, graph, legend, fixedX,
                                             fixedY, yf1, yf2, dy, yx));
  EXPECT_EQ(msg_.Texts(), std::vector<std::string>{"Начальная дата больше конечной даты"});
  EXPECT_EQ(std::tuple(d1, period, wmin, lin, radius, fixedY, dy, yf2, graph),
            std::tuple(EncodeDate(2024, 3, 1), 0, 1, 1, 0, true, 2.5, 10.0, 0xFF0000u));
}

}  // namespace
}  // namespace ld::test
