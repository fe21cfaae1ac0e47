// The diagram print dialog worked through its widgets: sheets of a PDF file,
// the bitmap file, the refusals and the settings file.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "core/base/settings.h"
#include "gui/diagram/prn_sch_form.h"
#include "gui/diagram/sch_box.h"
#include "support/diagram_fixture.h"
#include "support/full_disk.h"
#include "support/modal_script.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::gui {
namespace {

namespace fs = std::filesystem;
using test::Child;
using test::ModalScript;
using test::Press;
using test::ReadBytes;

std::string RunCommand(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return out;
  std::array<char, 4096> buffer{};
  while (const std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe.get())) out.append(buffer.data(), n);
  return out;
}

int PdfPages(const std::string& pdf) {
  const std::string info = RunCommand("pdfinfo '" + pdf + "' 2>&1");
  const auto at = info.find("Pages:");
  return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
}

// Printing at 150 dpi onto A4: 1240 × 1754 pixels.
constexpr int kDpi = 150;

class PrnSchTest : public ::testing::Test {
protected:
  PrnSchTest()
      : savedProgramDir_(ProgramDir), savedMaket_(MaketFileName), config_((dir_ / "absent.ini")) {
    ProgramDir = dir_.Path().string() + "/";
    MaketFileName = (test::DataDir() / "maket.zr").string();
    QPrinter& printer = SchemePrinter();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf_));
    printer.setResolution(kDpi);
    printer.setPageOrientation(QPageLayout::Portrait);
    window_.resize(316, 316);
    box_ = new TSchemBox(&window_);
    box_->setGeometry(0, 0, 300, 300);
    test::LoadDefaultViewConfig(*box_);
  }
  ~PrnSchTest() override {
    SchemePrinter().setOutputFileName(QString());
    ProgramDir = savedProgramDir_;
    MaketFileName = savedMaket_;
  }

  void Build(const test::DiagramScheme& scheme) {
    scheme.Load(*box_);
    ASSERT_TRUE(box_->BuildScheme(box_->NodeSet, box_->LineSet, 0, 0));
  }
  // The settings file with the given lines under the section.
  void WriteSetup(const std::string& lines) {
    std::ofstream(dir_ / "prnsetup.cfg") << "[PrnSchSetup]\n" << lines;
  }
  void Run(const ModalScript::Step& step, const std::string& title = "Схема района") {
    ModalScript script;
    script.Then(step);
    ExecutePrintSchemeDialog(*box_, title);
  }

  test::TempDir dir_;
  test::ScriptedMsgBox msg_;
  std::string pdf_ = (dir_ / "out.pdf");
  QWidget window_;
  TSchemBox* box_;

private:
  std::string savedProgramDir_, savedMaket_;
  test::ConfigFileAt config_;
};

TEST_F(PrnSchTest, SettingsFileAndRefusals) {
  Build(test::DistrictScheme());
  box_->OriginX = 7;
  box_->OriginY = 3;
  box_->tLin = 1;
  const int screenWidth = box_->Model->Width;
  // No file: the defaults shown, and written when the dialog goes, cancelled or not.
  Run([&](QDialog& d) {
    QStringList fields;
    for (const char* f : {"SchEdit", "TopEdit", "LeftEdit", "pLin"}) fields << Child<QLineEdit>(d, f).text().replace(',', '.');
    EXPECT_EQ(fields.join('|'), "Схема района|1.0|2.0|2");
    Child<QLineEdit>(d, "RightEdit").setText("25");
    // A bad page list stops the click; margins leaving no room refuse the print; both leave it idle.
    Child<QCheckBox>(d, "ChkPrn").click();
    Child<QLineEdit>(d, "Hor").setText("1,,2");
    Press(d, "PrintBtn");
    Child<QLineEdit>(d, "Hor").setText("1, 3");
    Child<QLineEdit>(d, "Vert").setText("1");
    Press(d, "PrintBtn");
    EXPECT_EQ(Child<QPushButton>(d, "PrintBtn").text(), "Печать");
    Child<QLineEdit>(d, "pLin").setText("5");
    Child<QLineEdit>(d, "RightEdit").setText("1");
    d.reject();
  });
  EXPECT_EQ(msg_.Texts(), (std::vector<std::string>{"Неверно заданы номера страниц по горизонтали",
                                                     "Отступы превышают размеры листа"}));
  EXPECT_FALSE(fs::exists(pdf_));
  // The diagram is back on its own canvas at its origin, with its own line width.
  EXPECT_EQ((std::vector<int>{box_->OriginX, box_->OriginY, box_->Model->Width, box_->tLin}),
            (std::vector<int>{7, 3, screenWidth, 1}));
  // The dialog's values as the settings file writes them (its bytes are the core's).
  const std::string written = ReadBytes(dir_ / "prnsetup.cfg");
  EXPECT_NE(written.find("Name=Courier New\r\nSize=10\r\nStyle=0\r\nCharset=0\r\nTop=1\r\nLeft=2\r\nBottom=1\r\n"),
            std::string::npos)
      << written;
  EXPECT_NE(written.find("LinWidth=5"), std::string::npos) << written;
}

TEST_F(PrnSchTest, PagedPdfSheetsAndStop) {
  Build(test::DistrictScheme());
  // A large font spreads the district over several sheets.
  WriteSetup("Name=DejaVu Sans\nSize=28\nLinWidth=3\n");
  int across = 0, down = 0;
  Run([&](QDialog& d) {
    auto& form = static_cast<TPrnSchForm&>(d);
    across = form.PagesAcross();
    down = form.PagesDown();
    Press(d, "PrintBtn");
  });
  ASSERT_GT(across * down, 1);
  EXPECT_EQ(PdfPages(pdf_), across * down);
  // Nothing of the drawing in the margin bands: the left 2 cm and the top 1 cm of the first sheet.
  RunCommand("pdftoppm -r " + std::to_string(kDpi) + " -f 1 -l 1 -png '" + pdf_ + "' '" + (dir_ / "page") + "'");
  QImage page(QString::fromStdString((dir_ / "page-1.png")));
  ASSERT_FALSE(page.isNull());
  int dark = 0;
  for (int y = 60; y < page.height(); ++y)
    for (int x = 0; x < 110; ++x) dark += qGray(page.pixel(x, y)) < 128;
  EXPECT_EQ(dark, 0);

  // "Сброс" after the first sheet ends the print, even with a page list gone bad meanwhile.
  fs::remove(pdf_);
  Run([&](QDialog& d) {
    QTimer::singleShot(0, &d, [&d] {
      EXPECT_EQ(Child<QPushButton>(d, "PrintBtn").text(), "Сброс");
      Child<QCheckBox>(d, "ChkPrn").click();
      Child<QLineEdit>(d, "Hor").setText(",");
      Press(d, "PrintBtn");
    });
    Press(d, "PrintBtn");
  });
  EXPECT_EQ(PdfPages(pdf_), 1);
  EXPECT_TRUE(msg_.Texts().empty());
}

TEST_F(PrnSchTest, BitmapFile) {
  Build(test::DistrictScheme());
  const std::string bmp = (dir_ / "scheme.bmp");
  WriteSetup("Name=DejaVu Sans\nSize=10\nFlagOutBmp=1\nBmpFile=" + bmp + "\n");
  Run([](QDialog& d) {
    Press(d, "PrintBtn");
  });
  const QImage image(QString::fromStdString(bmp));
  ASSERT_FALSE(image.isNull());
  // Black and white in a 16-colour palette.
  EXPECT_EQ(image.format(), QImage::Format_Indexed8);
  int black = 0, other = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      if (p == qRgb(0, 0, 0)) ++black;
      else if (p != qRgb(255, 255, 255)) ++other;
    }
  EXPECT_GT(black, 100);
  EXPECT_EQ(other, 0);

  // A disk that fills while the picture is written keeps the last one and says why.
  const std::string last = test::ReadBytes(bmp);
  Run([](QDialog& d) {
    test::FullDisk disk(1000);
    Press(d, "PrintBtn");
  });
  const std::vector<std::string> texts = msg_.Texts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), test::FullDiskMessage(bmp)), texts.end());
  EXPECT_EQ(test::ReadBytes(bmp), last);
}

TEST_F(PrnSchTest, NoPrinter) {
  if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "a printer is installed";
  Build(test::DistrictScheme());
  SchemePrinter().setOutputFileName(QString());
  Run([](QDialog& d) {
    Press(d, "PrinterBtn");
    d.reject();
  });
  EXPECT_EQ(msg_.Texts(), std::vector<std::string>{"Принтер отсутствует"});
}

}  // namespace
}  // namespace ld::gui
