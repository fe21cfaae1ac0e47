// The report print dialog worked through its widgets: printing to a PDF file, refusals, margins,
// the text file and the settings file.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QCheckBox>
#include <QLabel>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "gui/common/modal.h"
#include "gui/grid/print_markup_table.h"
#include "gui/grid/report_print.h"
#include "gui/grid/report_print_device.h"
#include "gui/grid/report_print_form.h"
#include "gui/grid/report_print_render.h"
#include "support/full_disk.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::gui {
namespace {

namespace fs = std::filesystem;

std::string RunCommand(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return out;
  std::array<char, 4096> buffer{};
  while (const std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe.get())) out.append(buffer.data(), n);
  return out;
}

// The page count pdfinfo reads from a PDF file, or -1.
int PdfPages(const std::string& pdf) {
  const std::string info = RunCommand("pdfinfo '" + pdf + "' 2>&1");
  const auto pages = info.find("Pages:");
  return pages == std::string::npos ? -1 : std::stoi(info.substr(pages + 6));
}

// The left edge in points of the first word of a PDF page that equals `word`, or -1.
double WordLeft(const std::string& pdf, int page, const std::string& word) {
  const std::string html = RunCommand("pdftotext -bbox -f " + std::to_string(page) + " -l " + std::to_string(page) +
                                      " '" + pdf + "' - 2>/dev/null");
  const std::string tail = ">" + word + "</word>";
  const auto at = html.find(tail);
  if (at == std::string::npos) return -1;
  const auto start = html.rfind("<word", at);
  const auto x = html.find("xMin=\"", start);
  double left = -1;
  std::from_chars(html.data() + x + 6, html.data() + html.size(), left);
  return left;
}

class PrintDialog : public ::testing::Test {
protected:
  void SetUp() override {
    ProgramDir = dir.Path().string() + "/";
    pdf = dir / "report.pdf";
    QPrinter& printer = ReportPrinter();
    printer.setOutputFileName(QString::fromStdString(pdf));
    printer.setPageOrientation(QPageLayout::Portrait);
    previous = SetModalHandler([this](QDialog& dialog) {
      if (auto* form = dynamic_cast<TPrnSetForm*>(&dialog)) return script(*form);
      if (auto* setup = dynamic_cast<QPrintDialog*>(&dialog)) return printerSetup(*setup);
      if (auto* fonts = dynamic_cast<QFontDialog*>(&dialog)) return fontChoice(*fonts);
      if (auto* files = dynamic_cast<QFileDialog*>(&dialog)) return pdfChoice(*files);
      ADD_FAILURE() << "unexpected dialog " << dialog.windowTitle().toStdString();
      return 0;
    });
  }
  void TearDown() override {
    SetModalHandler(previous);
    ReportPrinter().setOutputFileName(QString());
    ProgramDir.clear();
  }

  // Runs the print dialog over a document with the given script.
  void Run(std::vector<std::string>& document, const std::function<void(TPrnSetForm&)>& steps,
           const std::vector<std::string>& begin = {}, const std::vector<std::string>& end = {}) {
    script = [&](TPrnSetForm& form) {
      steps(form);
      return static_cast<int>(QDialog::Accepted);
    };
    PrintTextDocument(begin, end, document);
  }

  template <class W>
  static W* Find(TPrnSetForm& form, const char* name) {
    W* widget = form.findChild<W*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  static QPushButton* PrintBtn(TPrnSetForm& form) { return Find<QPushButton>(form, "PrintBtn"); }
  static void Type(TPrnSetForm& form, const char* margin, const char* text) {
    auto* edit = Find<TMarginEdit>(form, margin);
    edit->findChild<QLineEdit*>()->setText(text);
    edit->Commit();
  }
  static QString Text(TPrnSetForm& form, const char* margin) {
    return Find<TMarginEdit>(form, margin)->findChild<QLineEdit*>()->text();
  }

  test::TempDir dir;
  std::string pdf;
  test::ScriptedMsgBox box;
  ModalHandler previous;
  std::function<int(TPrnSetForm&)> script;
  std::function<int(QPrintDialog&)> printerSetup = [](QPrintDialog&) { return int(QDialog::Rejected); };
  std::function<int(QFontDialog&)> fontChoice = [](QFontDialog&) { return int(QDialog::Rejected); };
  std::function<int(QFileDialog&)> pdfChoice = [](QFileDialog& files) {
    ADD_FAILURE() << "unexpected file dialog " << files.windowTitle().toStdString();
    return int(QDialog::Rejected);
  };
};

TEST_F(PrintDialog, LongTableGoesOnNumberedPagesAndShiftIndentsTwoCentimetres) {
  std::vector<std::string> doc{"StartTable№&0~Узел&96~Напряжение&"};
  for (int r = 1; r <= 90; ++r)
    doc.push_back("Table" + std::to_string(r) + "&0~Узел" + std::to_string(r) + "&" + (r % 3 ? "0" : "96") + "~10.5&");
  doc.insert(doc.end(), {"Shift 2", "Смещенный", "BoldИтог"});
  QString captions;
  Run(
      doc,
      [&](TPrnSetForm& form) {
        Find<QCheckBox>(form, "PageNumBox")->setChecked(true);
        EXPECT_TRUE(form.grab().save(QString::fromStdString(test::OutputPath("print_dialog.png"))));
        PrintBtn(form)->click();
        captions = PrintBtn(form)->text();
        EXPECT_EQ(Find<QProgressBar>(form, "PrnProc")->value(), 100);
        EXPECT_FALSE(Find<QPushButton>(form, "FontBtn")->isEnabled());
        PrintBtn(form)->click();
        EXPECT_EQ(form.result(), QDialog::Accepted);
      },
      {"Ведомость узлов"}, {"Конец"});
  EXPECT_EQ(captions, "Выход");
  EXPECT_TRUE(box.Calls().empty());
  // The header went in before the document, each part followed or preceded by an empty line.
  ASSERT_GE(doc.size(), 4u);
  EXPECT_EQ(std::tuple(doc[0], doc[1], doc[doc.size() - 2], doc.back()), std::tuple("Ведомость узлов", "", "", "Конец"));

  EXPECT_EQ(PdfPages(pdf), 2);
  const std::string page1 = RunCommand("pdftotext -layout -f 1 -l 1 '" + pdf + "' - ");
  const std::string page2 = RunCommand("pdftotext -layout -f 2 -l 2 '" + pdf + "' - ");
  EXPECT_NE(page1.find("Ведомость узлов"), std::string::npos);
  EXPECT_NE(page1.find("Напряжение"), std::string::npos);
  // The second page goes on with the rows, without the header row, and carries its number on top.
  EXPECT_EQ(page2.find("Напряжение"), std::string::npos);
  EXPECT_NE(page2.find("Узел90"), std::string::npos);
  EXPECT_NE(page2.find("Конец"), std::string::npos);
  EXPECT_EQ(page2.find_first_not_of(" \n"), page2.find('2'));
  // Left margin 2 cm, the indented text 2 cm further: 56.7 pt and 113.4 pt from the paper's edge.
  EXPECT_NEAR(WordLeft(pdf, 1, "Ведомость"), 56.7, 1.0);
  EXPECT_NEAR(WordLeft(pdf, 2, "Смещенный"), 113.4, 1.0);
  EXPECT_NEAR(WordLeft(pdf, 2, "Итог"), 113.4, 1.0);

  // Pictures of the pages for people to look at.
  const std::string pictures = test::OutputPath("print_long_table");
  RunCommand("pdftoppm -r 50 -png '" + pdf + "' '" + pictures + "'");
  EXPECT_TRUE(fs::exists(pictures + "-1.png") || fs::exists(pictures + "-01.png"));
}

// The district's station table is far wider than a portrait page: every column's caption reaches some
// page of the PDF, the row number column leading each band of columns.
TEST_F(PrintDialog, AWideTableGoesOnInBandsOfColumnsThatHoldEveryColumn) {
  const std::string savedMaket = MaketFileName;
  MaketFileName = (test::DataDir() / "maket.zr").string();
  TDataFile table;
  EXPECT_TRUE(ReadMaket(LayoutTransTP, table));
  CreateColumns(table, 2);
  MaketFileName = savedMaket;
  std::vector<std::string> captions;
  for (int k = 1; k <= table.NCols; ++k) {
    if (table.Visible[k] != 1) continue;
    std::string text = "7";
    for (int r = 1; r <= 2; ++r) SetCellText(table, r, k, text = "7");
    captions.push_back(table.ColTitle[k]);
  }
  table.RowCount = 2;
  std::vector<std::string> doc;
  AppendTablePrintLines(table, doc);
  FreeTable(table);
  Run(doc, [&](TPrnSetForm& form) {
    PrintBtn(form)->click();
    PrintBtn(form)->click();
  });
  EXPECT_TRUE(box.Calls().empty());
  const int pages = PdfPages(pdf);
  ASSERT_GT(pages, 1);
  // The words of every page, blanks and line breaks taken as one blank.
  std::string words;
  for (int page = 1; page <= pages; ++page) {
    const std::string text = RunCommand("pdftotext -f " + std::to_string(page) + " -l " + std::to_string(page) +
                                        " '" + pdf + "' - ");
    EXPECT_NE(text.find("№"), std::string::npos) << "page " << page;
    for (const char c : text + " ")
      if (!std::isspace(static_cast<unsigned char>(c)) || (!words.empty() && words.back() != ' '))
        words += std::isspace(static_cast<unsigned char>(c)) ? ' ' : c;
  }
  ASSERT_GT(captions.size(), 20u);
  for (std::string caption : captions) {
    std::string single;
    for (const char c : caption)
      if (!std::isspace(static_cast<unsigned char>(c)) || (!single.empty() && single.back() != ' '))
        single += std::isspace(static_cast<unsigned char>(c)) ? ' ' : c;
    while (!single.empty() && single.back() == ' ') single.pop_back();
    EXPECT_NE(words.find(single), std::string::npos) << caption;
  }
}

TEST_F(PrintDialog, WithoutPrinterTheReportGoesToAPdfFileAndAFailureLeavesTheDialogUsable) {
  if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "a printer is installed";
  ReportPrinter().setOutputFileName(QString());
  std::vector<std::string> doc{"StartTable№&0~Узел&", "Table1&0~ПС Северная&", "Table2&0~ТП 12&"};
  const std::vector<std::string> original = doc;
  std::vector<std::string> offered;
  std::string answer;
  pdfChoice = [&](QFileDialog& files) {
    offered.push_back(files.windowTitle().toStdString());
    if (answer.empty()) return int(QDialog::Rejected);
    files.findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(answer));
    static_cast<QDialog&>(files).accept();  // as "Сохранить" does
    return files.result();
  };
  const auto enabled = [](TPrnSetForm& form) {
    QStringList names;
    for (const char* name : {"BeginText", "EndText", "PrinterBtn", "FontBtn", "TopEdit", "BottomEdit", "LeftEdit",
                             "RightEdit", "PageNumBox", "TextFileBox", "CheckPrnRows"})
      if (QWidget* w = form.findChild<QWidget*>(name); w && w->isEnabled()) names << name;
    return names;
  };
  std::vector<std::string> setups;
  printerSetup = [&](QPrintDialog& setup) {
    setups.push_back(setup.windowTitle().toStdString());
    return int(QDialog::Rejected);
  };
  Run(doc, [&](TPrnSetForm& form) {
    const QStringList all = enabled(form);
    ASSERT_EQ(all.size(), 11);
    // the printer set-up still opens, where output to a PDF file is chosen; no refusal
    Find<QPushButton>(form, "PrinterBtn")->click();
    EXPECT_EQ(setups, std::vector<std::string>{"Настройка принтера"});
    EXPECT_TRUE(box.Texts().empty());
    // cancelling the file dialog prints nothing and changes nothing
    PrintBtn(form)->click();
    EXPECT_EQ(offered, std::vector<std::string>{"Печать в файл PDF"});
    EXPECT_EQ(PrintBtn(form)->text(), "Печать");
    EXPECT_EQ(enabled(form), all);

    // a file that cannot be written: the error, then every control back as it was
    answer = (dir.Path() / "нет" / "отчет.pdf").string();
    PrintBtn(form)->click();
    EXPECT_EQ(box.Texts(), std::vector<std::string>{"Ошибка печати документа"});
    EXPECT_EQ(PrintBtn(form)->text(), "Печать");
    EXPECT_EQ(enabled(form), all);
    EXPECT_FALSE(Find<QLineEdit>(form, "TextFileEdit")->isEnabled()) << "its box is not checked";
    EXPECT_EQ(doc, original) << "the header goes in once, at the printing that succeeds";

    answer = pdf;
    PrintBtn(form)->click();
    EXPECT_EQ(PrintBtn(form)->text(), "Выход");
    PrintBtn(form)->click();
  }, {"Ведомость"});
  EXPECT_EQ(offered.size(), 3u);
  EXPECT_EQ(box.Calls().size(), 1u);
  EXPECT_EQ(PdfPages(pdf), 1);
  EXPECT_NE(RunCommand("pdfinfo '" + pdf + "'").find("A4"), std::string::npos);
  EXPECT_NE(RunCommand("pdftotext -layout '" + pdf + "' - ").find("ПС Северная"), std::string::npos);
  EXPECT_TRUE(ReportPrinter().outputFileName().isEmpty()) << "the next printing asks again";
}

TEST_F(PrintDialog, AFullDiskKeepsTheLastTextFileAndPdfAndSaysWhy) {
  const std::string textFile = dir / "отчет.txt";
  test::WriteBytes(textFile, "прежний отчет");
  std::vector<std::string> doc{"Table7&0~abc&96~12&"};
  Run(doc, [&](TPrnSetForm& form) {
    Find<QCheckBox>(form, "TextFileBox")->setChecked(true);
    Find<QLineEdit>(form, "TextFileEdit")->setText(QString::fromStdString(textFile));
    {
      test::FullDisk disk(5);
      PrintBtn(form)->click();
    }
    EXPECT_EQ(box.Texts(), std::vector<std::string>{test::FullDiskMessage(textFile)});
    EXPECT_EQ(test::ReadBytes(textFile), "прежний отчет");
    EXPECT_EQ(PrintBtn(form)->text(), "Печать") << "the dialog stays for another try";
    PrintBtn(form)->click();
    EXPECT_EQ(PrintBtn(form)->text(), "Выход");
    PrintBtn(form)->click();
  });
  EXPECT_NE(test::ReadBytes(textFile).find("7\tabc\t12\r\n"), std::string::npos) << "written once there was room";

  if (!QPrinterInfo::availablePrinters().isEmpty()) return;  // the PDF file is only for a missing printer
  ReportPrinter().setOutputFileName(QString());
  test::WriteBytes(pdf, "%PDF- the last printing");
  pdfChoice = [&](QFileDialog& files) {
    files.setOption(QFileDialog::DontConfirmOverwrite);  // the person has agreed to replace it
    files.findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(pdf));
    static_cast<QDialog&>(files).accept();
    return files.result();
  };
  box.Clear();
  Run(doc, [&](TPrnSetForm& form) {
    Find<QCheckBox>(form, "TextFileBox")->setChecked(false);
    test::FullDisk disk(100);
    PrintBtn(form)->click();
    PrintBtn(form)->click();
  });
  EXPECT_EQ(box.Texts(), std::vector<std::string>{test::FullDiskMessage(pdf)});
  EXPECT_EQ(test::ReadBytes(pdf), "%PDF- the last printing");
  for (const auto& f : fs::directory_iterator(dir.Path()))
    EXPECT_NE(f.path().string().back(), '~') << "a temporary file stays: " << f.path();
}

TEST_F(PrintDialog, TextFileAndSettingsSurviveTheDialog) {
  const std::string textFile = dir / "отчет.txt";
  std::vector<std::string> doc{"StartTable№&0~Имя&0~Знач&", "Table7&0~abc&96~12&", "Shift 2", "ItalПримечание"};
  // A family this machine has, whatever fonts it was given: the font dialog keeps only those.
  const QString family = QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family();
  fontChoice = [&family](QFontDialog& fonts) {
    fonts.setCurrentFont(QFont(family, 12));
    return int(QDialog::Accepted);
  };
  Run(
      doc,
      [&](TPrnSetForm& form) {
        // Defaults of a program folder without settings.
        EXPECT_EQ(Text(form, "TopEdit"), "1.0");
        EXPECT_EQ(Text(form, "LeftEdit"), "2.0");
        EXPECT_TRUE(Find<QCheckBox>(form, "PageNumBox")->isChecked());
        EXPECT_FALSE(Find<QLineEdit>(form, "TextFileEdit")->isEnabled());
        EXPECT_EQ(Find<QLineEdit>(form, "TextFileEdit")->text().toStdString(), ProgramDir + "Noname.txt");
        Find<QCheckBox>(form, "TextFileBox")->setChecked(true);
        EXPECT_TRUE(Find<QLineEdit>(form, "TextFileEdit")->isEnabled());
        Find<QLineEdit>(form, "TextFileEdit")->setText(QString::fromStdString(textFile));
        Find<QCheckBox>(form, "PageNumBox")->setChecked(false);
        Type(form, "TopEdit", "1.5");
        Find<QPushButton>(form, "FontBtn")->click();
        EXPECT_EQ(form.DocumentFont().pointSize(), 12);
        PrintBtn(form)->click();
        PrintBtn(form)->click();
      },
      {"Схема: Юг"}, {"Всего 1"});
  EXPECT_TRUE(box.Calls().empty());
  EXPECT_FALSE(fs::exists(pdf));
  EXPECT_EQ(test::ReadBytes(textFile), Utf8ToCp1251("Схема: Юг\r\n\r\n№\tИмя\tЗнач\r\n7\tabc\t12\r\nПримечание\r\n"
                                                    "\r\nВсего 1\r\n"));

  const std::string cfg = Cp1251ToUtf8(test::ReadBytes(dir / "prnsetup.cfg"));
  for (const std::string& key : std::vector<std::string>{"[PrnSetup]", "Name=" + family.toStdString(), "Size=12", "Top=1.5", "Left=2",
                                "Orient=0", "FlagPageNum=0", "FlagOutText=1", "TextFile=" + textFile})
    EXPECT_NE(cfg.find(key), std::string::npos) << key << "\n" << cfg;

  // The next dialog starts where this one ended.
  ReportPrinter().setPageOrientation(QPageLayout::Landscape);
  Run(doc, [&](TPrnSetForm& form) {
    EXPECT_EQ(Text(form, "TopEdit"), "1.5");
    EXPECT_FALSE(Find<QCheckBox>(form, "PageNumBox")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(form, "TextFileBox")->isChecked());
    EXPECT_EQ(Find<QLineEdit>(form, "TextFileEdit")->text().toStdString(), textFile);
    EXPECT_EQ(form.DocumentFont().family(), family);
    EXPECT_EQ(ReportPrinter().pageLayout().orientation(), QPageLayout::Portrait);
  });

  // A margin that is not a number stops the reading there: the keys before it count, the rest are defaults.
  test::WriteBytes(dir / "PrnSetup.CFG", "[PrnSetup]\r\nSize=14\r\nTop=x\r\nLeft=5\r\nFlagOutText=1\r\n");
  fs::remove(dir / "prnsetup.cfg");
  Run(doc, [&](TPrnSetForm& form) {
    EXPECT_EQ(box.Texts(), std::vector<std::string>{"Ошибка чтения файла конфигурации prnsetup.cfg"});
    EXPECT_EQ(form.DocumentFont().pointSize(), 14);
    EXPECT_EQ(Text(form, "LeftEdit"), "2.0");
    EXPECT_FALSE(Find<QCheckBox>(form, "TextFileBox")->isChecked());
  });
  // The settings went back to the file of whatever letter case it had.
  EXPECT_NE(test::ReadBytes(dir / "PrnSetup.CFG").find("Top=1"), std::string::npos);
}

}  // namespace
}  // namespace ld::gui
