// CDU card files: the cards written for a scheme column for column, the same file read back, the rules of
// the reader on files written by others, and failures that must leave nothing half done.
#include "core/district/cdu_cards.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>

#include "core/base/codepage.h"
#include "core/base/import_text.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/tables/colmaps_int16.h"
#include "core/tables/table_file.h"
#include "support/fuzz_mutations.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

constexpr char kCyrO = '\xCE';  // "О" in Windows-1251
constexpr char kCyrN = '\xCD';  // "Н"

// A scheme made in memory: node and branch rows with the columns the cards carry.
struct CardScheme {
  TDataFile nodes, branches;

  CardScheme() {
    ReadMaket(LayoutNodes, nodes);
    CreateColumns(nodes, 0);
    ReadMaket(LayoutBranches, branches);
    CreateColumns(branches, 0);
  }
  template <typename T>
  T& N(const char* field) { return *GetColumnAs<T>(field, nodes); }
  template <typename T>
  T& B(const char* field) { return *GetColumnAs<T>(field, branches); }

  int Node(std::int32_t ns, const std::string& name, char sign, float um, double pn = 0, double qn = 0) {
    const int row = ++nodes.RowCount;
    N<DALongint>("NS")[row] = ns;
    N<DAString>("Name").SetItem(row, name);
    N<DAChar>("Sign")[row] = sign;
    N<DAsingle>("Um")[row] = um;
    N<DAdouble>("Pn")[row] = pn;
    N<DAdouble>("Qn")[row] = qn;
    return row;
  }
  int Branch(std::int32_t n1, std::int32_t n2, float r, float x, float b = 0) {
    const int row = ++branches.RowCount;
    B<DALongint>("N1")[row] = n1;
    B<DALongint>("N2")[row] = n2;
    B<DAsingle>("R")[row] = r;
    B<DAsingle>("X")[row] = x;
    B<DAsingle>("B")[row] = b;
    return row;
  }
  std::string Write(const TempDir& dir, const std::string& name) {
    const std::string stem = dir / name;
    WriteTableFile(stem + ".UZL", nodes);
    WriteTableFile(stem + ".VET", branches);
    return stem;
  }
};

// The tables a card file is read into, with what the reader returned.
struct ReadBack {
  TDataFile nodes, branches;
  int nodeCount = -1, branchCount = -1, balancing = -1, fixed = -1, shunts = -1;
  std::vector<int> percents;

  ReadBack() {
    ReadMaket(LayoutNodes, nodes);
    CreateColumns(nodes, 0);
    ReadMaket(LayoutBranches, branches);
    CreateColumns(branches, 0);
  }
  // Empty tables of the same layouts again.
  void Clear() {
    FreeTable(nodes);
    CreateColumns(nodes, 0);
    FreeTable(branches);
    CreateColumns(branches, 0);
    percents.clear();
  }
  void Read(const std::string& file, bool loadCards = false) {
    ImportCardScheme(file, loadCards, nodes, branches, [this](int p) { percents.push_back(p); }, nodeCount,
                     branchCount, balancing, fixed, shunts);
  }
  std::vector<int> Counters() const { return {nodeCount, branchCount, balancing, fixed, shunts}; }

  std::int32_t NS(int row) const { return GetColumnAs<DALongint>("NS", nodes)->Get(row); }
  std::string Name(int row) const { return GetColumnAs<DAString>("Name", nodes)->GetItem(row); }
  char Sign(int row) const { return GetColumnAs<DAChar>("Sign", nodes)->Get(row); }
  float NF(const char* field, int row) const { return GetColumnAs<DAsingle>(field, nodes)->Get(row); }
  double ND(const char* field, int row) const { return GetColumnAs<DAdouble>(field, nodes)->Get(row); }
  int Nsh(int row) const { return TInt16Column(GetColumnArray("Nsh", nodes)).Get(row); }
  std::int32_t BL(const char* field, int row) const { return GetColumnAs<DALongint>(field, branches)->Get(row); }
  float BF(const char* field, int row) const { return GetColumnAs<DAsingle>(field, branches)->Get(row); }
  char BC(const char* field, int row) const { return GetColumnAs<DAChar>(field, branches)->Get(row); }
  int Nl(int row) const { return GetColumnAs<DAbyte>("Nl", branches)->Get(row); }
};

// A card line with texts right-aligned in their columns (first..last, counted from 1).
struct Card {
  std::string line;
  explicit Card(const std::string& code) : line(code) {}
  Card& At(std::size_t first, std::size_t last, const std::string& text) {
    if (line.size() < last) line.resize(last, ' ');
    const std::size_t width = last - first + 1;
    line.replace(first - 1, width, std::string(width - std::min(width, text.size()), ' ') + text.substr(0, width));
    return *this;
  }
};

std::string Lines(const std::vector<std::string>& lines, const char* end = "\r\n") {
  std::string bytes;
  for (const std::string& l : lines) bytes += l + end;
  return bytes;
}

std::vector<std::string> FileLines(const std::string& path) {
  std::vector<std::string> lines;
  const std::string bytes = ReadBytes(path);
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
    if (end == std::string::npos) break;
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

class CardFiles : public ::testing::Test {
protected:
  CardFiles() { MaketFileName = (DataDir() / "maket.zr").string(); }

  // A balancing node 1 "ПС-1" at 10.5 kV feeding load node 2 through one branch.
  static CardScheme TwoNodes() {
    CardScheme s;
    s.Node(1, "ПС-1", 'b', 10.5f);
    const int load = s.Node(2, "ТП-2 Заречная", 0, 10, 0.5, 0.2);
    s.N<DAsingle>("Gs")[load] = 1.5f;
    s.N<DAsingle>("Bs")[load] = 20;
    s.Branch(1, 2, 1.2f, 0.8f, 5);
    return s;
  }

  std::string WriteCards(const std::string& name, const std::vector<std::string>& lines, const char* end = "\r\n") {
    const std::string path = dir / name;
    WriteBytes(path, Lines(lines, end));
    return path;
  }

  TempDir dir;
};

TEST_F(CardFiles, ASchemeIsWrittenColumnForColumnAndReadsBackTheSame) {
  const std::string stem = TwoNodes().Write(dir, "Схема");
  const std::string file = dir / "Схема.CDU";
  WriteBytes(file, "прежний файл");
  ExportCardScheme(stem, file);
  const std::vector<std::string> expected = {
      "0102                           1",
      "0201   0       1   10.50   0.000   0.000   0.000   0.000   10.50   0.000   0.000",
      "0201   0       2   10.00   0.500   0.200   0.000   0.000",
      "0301 0         2       0   1.500  20.000",
      "0301 0         1       2   1.200   0.800    5.00  0.0000  0.0000    0.00",
      "0290         1  ПС-1",
      "0290         2  ТП-2 Заречная",
  };
  std::string bytes;
  for (const std::string& line : expected) bytes += Utf8ToCp1251(line) + "\r\n";
  EXPECT_EQ(ReadBytes(file), bytes);
  EXPECT_EQ(FileLines(file)[2].size(), 56U) << "a load node's card ends at column 56";
  EXPECT_FALSE(std::filesystem::exists(file + ".new~"));

  ReadBack r;
  r.Read(file);
  EXPECT_EQ(r.Counters(), (std::vector<int>{2, 1, 1, 0, 1}));
  EXPECT_EQ(std::vector<std::int32_t>({r.NS(1), r.NS(2)}), (std::vector<std::int32_t>{1, 2}));
  EXPECT_EQ(r.Name(1), "ПС-1");
  EXPECT_EQ(r.Name(2), "ТП-2 Заречная");
  EXPECT_EQ(r.Sign(1), 'b');
  EXPECT_EQ(r.Sign(2), 0);
  EXPECT_EQ(r.NF("Um", 1), 10.5f);
  EXPECT_EQ(r.NF("Um", 2), 10.0f);
  EXPECT_EQ(r.NF("Ush", 1), r.NF("Um", 1));
  EXPECT_EQ(r.NF("Ush", 2), r.NF("Um", 2));
  EXPECT_DOUBLE_EQ(r.ND("Pn", 2), 0.5);
  EXPECT_DOUBLE_EQ(r.ND("Qn", 2), 0.2);
  EXPECT_EQ(r.NF("Gs", 2), 1.5f);
  EXPECT_EQ(r.NF("Bs", 2), 20.0f);
  EXPECT_EQ(r.NF("Gs", 1), 0.0f);
  EXPECT_EQ(std::vector<std::int32_t>({r.BL("N1", 1), r.BL("N2", 1)}), (std::vector<std::int32_t>{1, 2}));
  EXPECT_EQ(r.BF("R", 1), 1.2f);
  EXPECT_EQ(r.BF("X", 1), 0.8f);
  EXPECT_EQ(r.BF("B", 1), 5.0f);
  EXPECT_EQ(r.BF("Kta", 1), 0.0f);
  EXPECT_EQ(r.BC("Commut", 1), 0);
  EXPECT_EQ(r.nodes.RowCount, 0) << "the caller sets the row counts";
}

TEST_F(CardFiles, CommutationRatiosAndFixedVoltageNodesGoThroughTheCards) {
  CardScheme s;
  s.Node(10, "Ист", 'B', 115);
  const int fixed = s.Node(20, "Шины 10", 'u', 10.4f);
  s.N<DAsingle>("Qmin")[fixed] = -2.5f;
  s.N<DAsingle>("Qmax")[fixed] = 3;
  TInt16Column(GetColumnArray("Nsh", s.nodes))[fixed] = 7;
  s.Node(30, "", 0, 10, 123456.789, -0.25);
  const int open = s.Branch(10, 20, 0.5f, 12);
  s.B<DAChar>("Commut")[open] = kCyrN;
  s.B<DAsingle>("Kta")[open] = 0.1f;
  s.B<DAbyte>("Nl")[open] = 2;
  const int plain = s.Branch(20, 30, 1, 2);
  s.B<DAsingle>("G")[plain] = 0.75f;
  const int complexRatio = s.Branch(10, 30, 0, 1);
  s.B<DAsingle>("Kta")[complexRatio] = 0.6f;
  s.B<DAsingle>("Ktr")[complexRatio] = 0.8f;
  const std::string file = dir / "out.cdu";
  ExportCardScheme(s.Write(dir, "s"), file);

  const std::vector<std::string> lines = FileLines(file);
  ASSERT_EQ(lines.size(), 10U);
  EXPECT_EQ(lines[0], "0102                          10") << "an upper-case sign is a balancing node as well";
  EXPECT_EQ(lines[2], "0201   7      20   10.40   0.000   0.000   0.000   0.000   10.40  -2.500   3.000");
  // 8 significant digits, then cut to the card's 8 columns: the format keeps its columns, not the value
  EXPECT_EQ(lines[3], "0201   0      30   10.00123456.7  -0.250   0.000   0.000");
  EXPECT_EQ(lines[4], "0399 2        10      20   0.500  12.000    0.00 10.0000  0.0000    0.00");
  EXPECT_EQ(lines[5], "0301 0        20      30   1.000   2.000    0.00  0.0000  0.0000    0.75");
  // 1 / (0.6 + j0.8) = 0.6 - j0.8
  EXPECT_EQ(lines[6], "0301 0        10      30   0.000   1.000    0.00  0.6000 -0.8000    0.00");
  EXPECT_EQ(lines[9], "0290        30  ") << "an empty name keeps its two spaces";

  ReadBack r;
  r.Read(file);
  EXPECT_EQ(r.Counters(), (std::vector<int>{3, 3, 1, 1, 0}));
  EXPECT_EQ(r.Sign(1), 'b');
  EXPECT_EQ(r.NF("Um", 1), 115.0f);
  EXPECT_EQ(r.Sign(2), 'u');
  EXPECT_EQ(r.NF("Um", 2), 10.4f);
  EXPECT_EQ(r.NF("Qmin", 2), -2.5f);
  EXPECT_EQ(r.NF("Qmax", 2), 3.0f);
  EXPECT_EQ(r.Nsh(2), 7);
  EXPECT_DOUBLE_EQ(r.ND("Pn", 3), 123456.7);
  // switched off at one end, read back switched off at both
  EXPECT_EQ(r.BC("Commut", 1), kCyrO);
  EXPECT_EQ(r.BC("Com1", 1), 'o');
  EXPECT_EQ(r.BC("Com2", 1), 'o');
  EXPECT_EQ(r.Nl(1), 2);
  EXPECT_EQ(r.BF("Kta", 1), 0.1f);
  EXPECT_EQ(r.BF("Ktr", 1), 0.0f);
  EXPECT_EQ(r.BC("Commut", 2), 0);
  EXPECT_EQ(r.BC("Com1", 2), 0);
  EXPECT_EQ(r.BF("Kta", 2), 0.0f) << "no ratio stays no ratio";
  EXPECT_EQ(r.BF("Ktr", 2), 0.0f);
  EXPECT_EQ(r.BF("G", 2), 0.75f);
  EXPECT_FLOAT_EQ(r.BF("Kta", 3), 0.6f);
  EXPECT_FLOAT_EQ(r.BF("Ktr", 3), 0.8f);
  EXPECT_EQ(r.Name(3), "");
}

// The names' bytes tell their code page where they can: a DOS name, a Windows-1251 name and a UTF-8 one
// (after an editor's byte-order mark or without it) are each read as written, whatever the DOSCODE line
// says. Where they cannot (lower-case letters that read as names in both), the DOSCODE line decides, or
// the user is asked. A name is taken whole into its field or refused.
TEST_F(CardFiles, NamesAreInTheDosCodePageOnlyAfterALineThatReadsDoscode) {
  const std::string node = Card("0201").At(9, 16, "5").At(17, 24, "10.0").line;
  const std::string nameCard = Card("0290").At(5, 16, "5").line;
  // DOS "тёс" is Windows-1251 "всб": letters both
  const std::string either = nameCard + Utf8ToCp866("тёс") + "   ";
  const std::string lower = WriteCards("lower.cdu", {node, either, "doscode"});
  ScriptedMsgBox box;
  ReadBack a;
  a.Read(lower);
  EXPECT_EQ(a.Name(1), "тёс") << "the flag counts from any line, in any letter case; trailing blanks go";
  EXPECT_TRUE(box.Calls().empty());

  const std::string spaced = WriteCards("spaced.cdu", {" DOSCODE", node, either}, "\n");
  box.Answer(0);
  ReadBack b;
  b.Read(spaced);
  EXPECT_EQ(b.Name(1), "всб") << "a line with a space around the word is no flag: asked, \"Нет\" is Windows-1251";
  ASSERT_EQ(box.Calls().size(), 1u);
  EXPECT_EQ(box.Calls()[0].text,
            "Кодировка файла \"" + std::filesystem::absolute(spaced).lexically_normal().string() +
                "\" по его текстам не определяется: первое имя читается как \"тёс\" в кодировке DOS (866) или как "
                "\"всб\" в кодировке Windows-1251.\nЧитать файл в кодировке DOS (866)? (\"Да\" - DOS (866), \"Нет\" - "
                "Windows-1251, \"Отмена\" - прервать импорт)");
  EXPECT_EQ(box.Calls()[0].buttons, mbYesNoCancel);
  box.Clear();
  box.Answer(2);
  ReadBack declined;
  EXPECT_EQ(ErrorOf([&] { declined.Read(spaced); }),
            "Ошибка чтения файла \"" + std::filesystem::absolute(spaced).lexically_normal().string() +
                "\": кодировка файла не выбрана, импорт прерван");
  box.Clear();

  // names whose bytes decide, each read as written without a question: DOS capitals without the flag,
  // Windows-1251 capitals under it, UTF-8 after a byte-order mark (which hides no card: node 1 stays the
  // balancing node) and without one
  const std::string balancing = Card("0102").At(25, 32, "1").line;
  const std::string node1 = Card("0201").At(9, 16, "1").At(17, 24, "10.5").line;
  const std::string name1 = Card("0290").At(5, 16, "1").line;
  const std::pair<std::string, std::string> decided[] = {
      {Lines({node, nameCard + Utf8ToCp866("Подстанция Южная")}, "\n"), "Подстанция Южная"},
      {Lines({"DOSCODE", node, nameCard + Utf8ToCp1251("ТП-ЛЕС")}), "ТП-ЛЕС"},
      {Lines({node, nameCard + Utf8ToCp1251("  ТП №7")}), "ТП №7"},
      // lower-case Windows-1251, which DOS reads with letters of no Russian word ("Єя-42 ыхёэр")
      {Lines({node, nameCard + Utf8ToCp1251("тп-42 лесная")}), "тп-42 лесная"},
      {"\xEF\xBB\xBF" + Lines({balancing, node1, node, name1 + "ТП-2 «Лесная»", nameCard + "ёлка"}), "ёлка"},
      {Lines({node, nameCard + "ТП-2 № 5"}), "ТП-2 № 5"}};
  for (const auto& [bytes, name] : decided) {
    WriteBytes(dir / "decided.cdu", bytes);
    ReadBack d;
    d.Read(dir / "decided.cdu");
    EXPECT_EQ(d.Name(d.nodeCount), name);
    if (d.nodeCount == 2) {
      EXPECT_EQ(d.Name(1), "ТП-2 «Лесная»");
      EXPECT_EQ(d.Sign(1), 'b');
      EXPECT_EQ(d.balancing, 1);
    }
  }
  EXPECT_TRUE(box.Calls().empty());

  // A name the tables cannot hold as it is refuses the file: a character without a Windows-1251 code (a
  // DOS sign "░" that Windows-1251 reads as "°", the bytes deciding nothing), a name longer than the field
  // (two such names sharing their first 40 characters would become one).
  ReadBack d;
  const std::string sign = WriteCards("sign.cdu", {"DOSCODE", node, nameCard + std::string(30, 'x') + "\xB0"});
  EXPECT_EQ(ErrorOf([&] { d.Read(sign); }),
            "Ошибка в строке 3 файла \"" + std::filesystem::absolute(sign).lexically_normal().string() +
                "\": имя узла (колонки 17 и далее): текст \"" + std::string(30, 'x') +
                "░\" нельзя записать в таблицу: у символа \"░\" (U+2591) нет кода в кодировке Windows-1251");
  // (UTF-8 without a byte-order mark is told by its bytes, a sign that Windows-1251 lacks among them)
  const std::string squared = WriteCards("squared.cdu", {"DOSCODE", node, nameCard + "кабель 95 мм²"});
  EXPECT_EQ(ErrorOf([&] { d.Read(squared); }),
            "Ошибка в строке 3 файла \"" + std::filesystem::absolute(squared).lexically_normal().string() +
                "\": имя узла (колонки 17 и далее): текст \"кабель 95 мм²\" нельзя записать в таблицу: у символа \"²\" "
                "(U+00B2) нет кода в кодировке Windows-1251");
  const std::string longer = WriteCards("longer.cdu", {"DOSCODE", node, nameCard + std::string(50, 'x') + "\xB0"});
  EXPECT_EQ(ErrorOf([&] { d.Read(longer); }),
            "Ошибка в строке 3 файла \"" + std::filesystem::absolute(longer).lexically_normal().string() +
                "\": имя узла (колонки 17 и далее): текст \"" + std::string(40, 'x') +
                "...\" не поместится ни в одно поле таблиц: в поле не больше 40 символов");
  const std::string base = "Подстанция 110/10 кВ Южная, ввод Т1, секция ";
  const std::string twoLong = WriteCards("long.cdu", {node1, node, name1 + Utf8ToCp1251(Utf8Left(base, 40)),
                                                      nameCard + Utf8ToCp1251(base + "2")});
  EXPECT_NE(ErrorOf([&] { d.Read(twoLong); }).find("строке 4 файла"), std::string::npos);
  EXPECT_TRUE(box.Calls().empty());
}

TEST_F(CardFiles, ReaderRulesForNodesShuntsBranchesAndLoads) {
  const std::string file = WriteCards(
      "rules.cdu",
      {Card("0290").At(5, 16, "3").line + Utf8ToCp1251("Раньше узла"),  // a name before its node changes nothing
       Card("0102").At(25, 32, "1").line,
       Card("0102").At(25, 32, "2").line,
       Card("0301").At(9, 16, "3").At(17, 24, "0").At(25, 32, "1.5").At(33, 40, "20").line,
       Card("0301").At(9, 16, "3").At(17, 24, "0").At(25, 32, "0,25").At(33, 40, "-4").line,
       // balancing node with a fixed voltage and an angle: stays 'b' with both
       Card("0201").At(9, 16, "1").At(17, 24, "110").At(57, 64, "115.5").At(82, 89, "-3.5").line,
       // balancing node with its voltage in 17-24 alone keeps that voltage
       Card("0201").At(9, 16, "2").At(17, 24, "35").At(82, 89, "1.25").line,
       Card("0299").At(9, 16, "3").At(17, 24, "10").At(25, 32, "0.4").At(57, 64, "10.5").line,
       Card("0201").At(7, 8, "2").At(9, 16, "4").At(17, 24, "10").At(57, 64, "10.2").line,
       Card("5008").At(9, 16, "5").At(17, 24, "6").At(25, 32, "1").line,
       Card("0202").At(9, 16, "5").At(33, 40, "0.1").At(41, 48, "0.3").line,
       Card("0202").At(9, 16, "6").At(33, 40, "9").At(41, 48, "9").line,  // node 6 comes later
       Card("0201").At(9, 16, "6").At(17, 24, "6").At(25, 32, "2").line,
       Card("0201").At(9, 16, "5").At(17, 24, "6").At(25, 32, "7").line,  // a second row of node 5
       Card("0202").At(9, 16, "5").At(33, 40, "0.7").At(41, 48, "0.9").line,
       Card("0301").At(9, 16, "1").At(17, 24, "2").At(25, 32, "1.1").At(49, 56, "0.5").At(57, 64, "0.5").line,
       Card("0309").At(5, 6, "3").At(9, 16, "2").At(17, 24, "3").At(65, 72, "12").line,
       Card("0399").At(9, 16, "3").At(17, 24, "0").line,  // no shunt, no branch
       Card("0301").At(9, 16, "4").At(17, 24, "5").At(49, 56, "0").At(57, 64, "0.2").line,
       // lines that end before a field: the fields beyond read as empty
       Card("0201").At(9, 16, "7").At(17, 24, "10").line,
       Card("0301").At(9, 16, "7").At(17, 24, "1").At(25, 32, "2.5").line,
       Card("0290").At(5, 16, "5").line + Utf8ToCp1251("Пятый"),
       "комментарий: строка с другим кодом",
       Card("0290").At(5, 16, "3").line + Utf8ToCp1251("Третий")});
  ReadBack r;
  r.Read(file);
  EXPECT_EQ(r.Counters(), (std::vector<int>{8, 4, 2, 1, 1}));
  EXPECT_EQ(r.Sign(1), 'b');
  EXPECT_EQ(r.NF("Um", 1), 115.5f);
  EXPECT_EQ(r.NF("Ush", 1), 110.0f);
  EXPECT_DOUBLE_EQ(r.ND("Angle", 1), -3.5);
  EXPECT_EQ(r.Sign(2), 'b');
  EXPECT_EQ(r.NF("Um", 2), 35.0f) << "a zero fixed voltage keeps the voltage of columns 17-24";
  EXPECT_DOUBLE_EQ(r.ND("Angle", 2), 1.25);
  EXPECT_EQ(r.Sign(3), 0) << "0299 takes no fixed voltage";
  EXPECT_EQ(r.NF("Um", 3), 10.0f);
  EXPECT_EQ(r.NF("Gs", 3), 1.75f) << "the shunt cards of one node add up";
  EXPECT_EQ(r.NF("Bs", 3), 16.0f);
  EXPECT_EQ(r.Name(3), "Третий");
  EXPECT_EQ(r.Sign(4), 'u');
  EXPECT_EQ(r.NF("Um", 4), 10.2f);
  EXPECT_EQ(r.Nsh(4), 2);
  EXPECT_EQ(r.NS(5), 5);
  EXPECT_DOUBLE_EQ(r.ND("Pn", 5), 1) << "load cards are read only when asked for";
  EXPECT_EQ(r.Name(5), "Пятый") << "a name goes to the first row of its node";
  EXPECT_EQ(r.Name(7), "");
  EXPECT_EQ(r.NS(8), 7);
  EXPECT_EQ(r.NF("Um", 8), 10.0f);
  EXPECT_EQ(r.ND("Pn", 8), 0.0);

  // 1 / (0.5 + j0.5) = 1 - j1
  EXPECT_FLOAT_EQ(r.BF("Kta", 1), 1.0f);
  EXPECT_FLOAT_EQ(r.BF("Ktr", 1), -1.0f);
  EXPECT_EQ(r.BF("R", 1), 1.1f);
  EXPECT_EQ(r.BC("Commut", 2), kCyrO);
  EXPECT_EQ(r.BC("Com2", 2), 'o');
  EXPECT_EQ(r.Nl(2), 3);
  EXPECT_EQ(r.BF("G", 2), 12.0f);
  EXPECT_EQ(r.BF("Kta", 3), 0.0f) << "with k' = 0 the ratio is taken as written";
  EXPECT_EQ(r.BF("Ktr", 3), 0.2f);
  EXPECT_EQ(r.BL("N2", 4), 1);
  EXPECT_EQ(r.BF("R", 4), 2.5f);
  EXPECT_EQ(r.BF("X", 4), 0.0f);
  EXPECT_EQ(r.BL("N1", 5), 0) << "no row beyond the branch cards";

  ReadBack loads;
  loads.Read(file, true);
  EXPECT_DOUBLE_EQ(loads.ND("Pn", 5), static_cast<double>(0.1f)) << "a load passes through Single";
  EXPECT_DOUBLE_EQ(loads.ND("Qn", 5), static_cast<double>(0.3f));
  EXPECT_DOUBLE_EQ(loads.ND("Pn", 6), 2) << "a load card of a node not yet read changes nothing";
  EXPECT_DOUBLE_EQ(loads.ND("Pn", 7), static_cast<double>(0.7f)) << "the last row of the node so far";
  EXPECT_DOUBLE_EQ(loads.ND("Qn", 7), static_cast<double>(0.9f));
}

TEST_F(CardFiles, ProgressRisesByTenAfterTheLinesOfEachTenth) {
  std::vector<std::string> lines(5, Card("0201").At(9, 16, "1").line);
  ReadBack few;
  few.Read(WriteCards("five.cdu", lines));
  EXPECT_EQ(few.percents, (std::vector<int>{10, 20, 30, 40, 50})) << "under 10 lines: after every line";
  lines.resize(20, "");
  ReadBack more;
  more.Read(WriteCards("twenty.cdu", lines));
  EXPECT_EQ(more.percents, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90}));
  int nodes = 0, branches = 0, balancing = 0, fixed = 0, shunts = 0;
  ReadBack quiet;
  ImportCardScheme(dir / "twenty.cdu", false, quiet.nodes, quiet.branches, nullptr, nodes, branches, balancing, fixed,
                   shunts);
  EXPECT_EQ(nodes, 5) << "no progress callback is needed";
}

TEST_F(CardFiles, ReadFailuresStopCleanly) {
  ReadBack missing;
  missing.Read(dir / "нет.cdu");
  EXPECT_EQ(missing.Counters(), (std::vector<int>{0, 0, 0, 0, 0}));
  EXPECT_TRUE(missing.percents.empty());

  const std::string bad = WriteCards("bad.cdu", {Card("0102").At(25, 32, "1").line,
                                                 Card("0301").At(9, 16, "1").At(17, 24, "0").At(25, 32, "1").line,
                                                 Card("0201").At(9, 16, "1").line,
                                                 Card("0201").At(9, 16, "1-2").line});
  ReadBack r;
  try {
    r.Read(bad);
    ADD_FAILURE() << "a field of \"1-2\" is no number";
  } catch (const ConvertError& e) {
    const std::string text = e.what();
    EXPECT_NE(text.find("строке 4"), std::string::npos) << text;
    EXPECT_NE(text.find("\"" + std::filesystem::absolute(bad).lexically_normal().string() + "\""), std::string::npos)
        << text;
    EXPECT_NE(text.find("\"1-2\" не является целым числом"), std::string::npos) << text;
  }
  // A card cut inside a field, one naming a node that no node card gives, and a last card without its
  // line end (a copy that stopped there) refuse the file by the line, never taken as what they still hold.
  const std::string node1 = Card("0201").At(9, 16, "1").At(17, 24, "10").line;
  const std::string node2 = Card("0201").At(9, 16, "2").At(17, 24, "10").line;
  const std::pair<std::string, std::string> cut[] = {
      {Lines({node1, node2, Card("0301").At(9, 16, "1").At(17, 24, "2").line + "  0.37"}),
       "строке 3 файла \"<file>\": карта обрывается внутри колонок 25-32 (\"  0.37\"): файл обрезан или карта испорчена"},
      {Lines({node1, Card("0301").At(9, 16, "1").At(17, 24, "12").At(25, 32, "0.5").line}),
       "строке 2 файла \"<file>\": карта 0301 называет узел 12, карты которого (0201, 0299, 5008) в файле нет"},
      {Lines({node1, Card("0290").At(5, 16, "9").line + "Девятый"}),
       "строке 2 файла \"<file>\": карта 0290 называет узел 9, карты которого (0201, 0299, 5008) в файле нет"},
      {Lines({node1, Card("0102").At(25, 32, "3").line}),
       "строке 2 файла \"<file>\": карта 0102 называет узел 3, карты которого (0201, 0299, 5008) в файле нет"},
      {Lines({node1}) + node2, "\"<file>\": строка 2 оборвана: в конце файла нет перевода строки, файл обрезан"},
      // a last line cut inside its card code is no title: the name or branch it began is lost
      {Lines({node1, node2}) + "02", "\"<file>\": строка 3 оборвана: в конце файла нет перевода строки, файл обрезан"},
      // a line ending at a field's first column holds one character of a number right-aligned there
      {Lines({node1, node2, Card("0301").At(9, 16, "1").At(17, 24, "2").line + "1"}),
       "строке 3 файла \"<file>\": карта обрывается внутри колонок 25-32 (\"1\"): файл обрезан или карта испорчена"}};
  for (const auto& [bytes, text] : cut) {
    WriteBytes(dir / "cut.cdu", bytes);
    std::string expected = text;
    expected.replace(expected.find("<file>"), 6, std::filesystem::absolute(dir / "cut.cdu").lexically_normal().string());
    ReadBack c;
    const std::string error = ErrorOf([&] { c.Read(dir / "cut.cdu"); });
    EXPECT_NE(error.find(expected), std::string::npos) << error;
  }

  // COPY /A ends the file with Ctrl+Z: whole, however its last line ends
  for (const std::string& ending : {Lines({node1}) + node2 + "\x1A", Lines({node1, node2}) + "\x1A"}) {
    WriteBytes(dir / "copied.cdu", ending);
    ReadBack z;
    z.Read(dir / "copied.cdu");
    EXPECT_EQ(z.nodeCount, 2);
  }

  // the file is closed: it can be replaced at once
  std::filesystem::remove(bad);
  EXPECT_FALSE(std::filesystem::exists(bad));

  // a column missing from a layout: refused before the file is opened
  const std::string card = WriteCards("ok.cdu", {Card("0201").At(9, 16, "1-2").line});
  ReadBack noUsh;
  noUsh.nodes.FieldName[FindColumnIndex("Ush", noUsh.nodes)] = "Ush2";
  EXPECT_EQ(ErrorOf([&] { noUsh.Read(card); }), ErrorOf([&] { FindColumnIndex("Ush", noUsh.nodes); }));
  EXPECT_EQ(noUsh.Counters(), (std::vector<int>{0, 0, 0, 0, 0}));
  ReadBack noKtr;
  noKtr.branches.FieldName[FindColumnIndex("Ktr", noKtr.branches)] = "Ktr2";
  const std::string error = ErrorOf([&] { noKtr.Read(dir / "нет.cdu"); });
  EXPECT_NE(error.find("Ktr"), std::string::npos) << error;

  // a folder in place of the file
  std::filesystem::create_directory(dir / "папка.cdu");
  ReadBack folder;
  EXPECT_EQ(ErrorOf([&] { folder.Read(dir / "папка.cdu"); }),
            "Ошибка чтения файла \"" + std::filesystem::absolute(dir / "папка.cdu").lexically_normal().string() +
                "\": это папка, а не файл");

  // As a command reads a card file to make a scheme of it: a file of another kind (a note, a document, an
  // empty file) takes no node, and a missing file is refused, never read as a scheme of nothing.
  for (const char* name : {"text.txt", "document.docx", "empty.bin"}) {
    ReadBack other;
    const TImportTaken taken = ReadCardScheme((TestDataDir() / "wrong_files" / name).string(), other.nodes, other.branches);
    EXPECT_EQ(taken.Items, 0) << name;
    EXPECT_EQ(taken.FirstReason, "в файле нет карт узлов (0201, 0299, 5008)") << name;
  }
  ReadBack none;
  EXPECT_EQ(ErrorOf([&] { ReadCardScheme(dir / "нет.cdu", none.nodes, none.branches); }),
            "Ошибка чтения файла \"" + std::filesystem::absolute(dir / "нет.cdu").lexically_normal().string() +
                "\": файл не найден");
  const std::string two = WriteCards("two.cdu", {Card("0201").At(9, 16, "1").line, Card("0201").At(9, 16, "2").line,
                                                 Card("0301").At(9, 16, "1").At(17, 24, "2").At(25, 32, "1").line});
  ReadBack scheme;
  EXPECT_EQ(ReadCardScheme(two, scheme.nodes, scheme.branches).Items, 2);
  EXPECT_EQ(scheme.nodes.RowCount, 2);
  EXPECT_EQ(scheme.branches.RowCount, 1);
}

TEST_F(CardFiles, ValuesBeyondTheirFieldsStopTheExportAndKeepTheOldFile) {
  CardScheme s = TwoNodes();
  s.N<DAsingle>("Gs")[2] = 12345.6789f;
  s.N<DAsingle>("Bs")[2] = 1234567.5f;
  s.B<DAsingle>("X")[1] = -9999.9996f;
  s.N<DAdouble>("Pn")[2] = 12345678.4;  // a node value cut to its field loses decimals alone
  s.N<DAdouble>("Qn")[2] = -1234567.25;
  const std::string file = dir / "s.cdu";
  ExportCardScheme(s.Write(dir, "s"), file);
  const std::vector<std::string> lines = FileLines(file);
  ASSERT_EQ(lines.size(), 7U);
  EXPECT_EQ(lines[2], "0201   0       2   10.0012345678-1234567   0.000   0.000");
  EXPECT_EQ(lines[3], "0301 0         2       012345.68 1234568") << "fewer decimals where the value needs the room";
  EXPECT_EQ(lines[4], "0301 0         1       2   1.200-10000.0    5.00  0.0000  0.0000    0.00");

  const std::string old = ReadBytes(file);
  struct Case {
    const char* what;
    std::function<void(CardScheme&)> change;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"a resistance of nine integer digits", [](CardScheme& c) { c.B<DAsingle>("R")[1] = 123456792.0f; },
       "Экспорт ЦДУ: значение 123456792,000 поля \"R\" в строке 1 таблицы \"Ветви схемы\" не помещается в поле карты "
       "шириной 8"},
      {"a chain number of three digits", [](CardScheme& c) { c.B<DAbyte>("Nl")[1] = 100; },
       "Экспорт ЦДУ: значение 100 поля \"Nl\" в строке 1 таблицы \"Ветви схемы\" не помещается в поле карты шириной 2"},
      {"a node number of nine digits", [](CardScheme& c) { c.B<DALongint>("N1")[1] = 123456789; },
       "Экспорт ЦДУ: значение 123456789 поля \"N1\" в строке 1 таблицы \"Ветви схемы\" не помещается в поле карты "
       "шириной 8"},
      {"a negative node number too wide", [](CardScheme& c) { c.N<DALongint>("NS")[2] = -12345678; },
       "Экспорт ЦДУ: значение -12345678 поля \"NS\" в строке 2 таблицы \"Узлы схемы\" не помещается в поле карты "
       "шириной 8"},
      // the reader takes no exponent, and a cut integer part would be another value
      {"a node load of nine integer digits", [](CardScheme& c) { c.N<DAdouble>("Pn")[2] = 123456789; },
       "Экспорт ЦДУ: значение 123456789,000 поля \"Pn\" узла 2 в строке 2 таблицы \"Узлы схемы\" не помещается в "
       "поле карты шириной 8"},
      {"a negative node value of eight integer digits", [](CardScheme& c) { c.N<DAdouble>("Qg")[2] = -12345678.5; },
       "Экспорт ЦДУ: значение -12345678,500 поля \"Qg\" узла 2 в строке 2 таблицы \"Узлы схемы\" не помещается в "
       "поле карты шириной 8"},
      {"a balancing node's limit rounding up to nine digits", [](CardScheme& c) { c.N<DAsingle>("Qmax")[1] = 99999999.f; },
       "Экспорт ЦДУ: значение 100000000,000 поля \"Qmax\" узла 1 в строке 1 таблицы \"Узлы схемы\" не помещается в "
       "поле карты шириной 8"},
      {"a load characteristic of three digits", [](CardScheme& c) { TInt16Column(GetColumnArray("Nsh", c.nodes))[1] = 120; },
       "Экспорт ЦДУ: значение 120 поля \"Nsh\" в строке 1 таблицы \"Узлы схемы\" не помещается в поле карты шириной 2"},
  };
  FormatSettings.DecimalSeparator = ",";
  for (const Case& c : cases) {
    CardScheme changed = TwoNodes();
    c.change(changed);
    const std::string stem = changed.Write(dir, "bad");
    EXPECT_EQ(ErrorOf([&] { ExportCardScheme(stem, file); }), c.message) << c.what;
    EXPECT_EQ(ReadBytes(file), old) << c.what;
  }
  FormatSettings.DecimalSeparator = ".";
  EXPECT_FALSE(std::filesystem::exists(file + ".new~"));

  // a table that cannot be read: the old export stays
  std::filesystem::remove(dir / "s.VET");
  EXPECT_NE(ErrorOf([&] { ExportCardScheme(dir / "s", file); }).find("s.VET"), std::string::npos);
  EXPECT_EQ(ReadBytes(file), old);
  // nowhere to write: the write error names the file
  const std::string stem = TwoNodes().Write(dir, "s");
  EXPECT_EQ(ErrorOf([&] { ExportCardScheme(stem, (dir.Path() / "нет папки" / "x.cdu").string()); }),
            "Ошибка записи файла \"" + (dir.Path() / "нет папки" / "x.cdu").string() + "\"");
}

// The cards never go over a table of the exported scheme (the scheme would be lost), whatever the letter
// case or the way the path leads there; a name with line breaks keeps to its one card.
TEST_F(CardFiles, ExportRefusesTheSchemesOwnTablesAndKeepsANameOnOneLine) {
  CardScheme s = TwoNodes();
  GetColumnAs<DAString>("Name", s.nodes)->SetItem(2, "ТП-2\r\nЗаречная\n\nул. Садовая");
  const std::string stem = s.Write(dir, "s");
  const std::string journal = stem + GetMaketExtention(LayoutSwitchLog);
  WriteBytes(journal, "журнал");
  std::filesystem::create_directory(dir / "sub");
  std::filesystem::create_symlink(stem + ".VET", dir / "link.cdu");
  // the district base the scheme is formed from, under the same stem
  const std::string baseLines = stem + GetMaketExtention(LayoutLines10);
  WriteBytes(baseLines, "линии базы");
  WriteBytes(dir / "s.rtp", "подстанции базы");
  const std::string nodes = ReadBytes(stem + ".UZL"), branches = ReadBytes(stem + ".VET");
  for (const auto& [target, table] : std::vector<std::pair<std::string, std::string>>{
           {baseLines, LayoutLines10},
           {dir / "S.rtp", LayoutTransTP},
           {stem + ".UZL", "Узлы схемы"},
           {dir / "S.uzl", "Узлы схемы"},
           {(dir.Path() / "sub" / ".." / "s.VET").string(), "Ветви схемы"},
           {dir / "link.cdu", "Ветви схемы"},
           {journal, LayoutSwitchLog}}) {
    EXPECT_EQ(ErrorOf([&] { ExportCardScheme(stem, target); }),
              "Экспорт ЦДУ: файл \"" + std::filesystem::absolute(target).lexically_normal().string() +
                  "\" - это таблица \"" + table + "\" экспортируемой схемы; карты ЦДУ записываются в файл с другим именем")
        << target;
  }
  // a file of the scheme that is no table, by what it is (the program's list of a stem's files)
  EXPECT_EQ(ErrorOf([&] { ExportCardScheme(stem, dir / "S.ini"); }),
            "Экспорт ЦДУ: файл \"" + dir / "S.ini" +
                "\" - это файл \"дата коммутации схемы\" экспортируемой схемы; карты ЦДУ записываются в файл с другим "
                "именем");
  EXPECT_EQ(ReadBytes(stem + ".UZL"), nodes);
  EXPECT_EQ(ReadBytes(stem + ".VET"), branches);
  EXPECT_EQ(ReadBytes(journal), "журнал");
  EXPECT_EQ(ReadBytes(baseLines), "линии базы");
  EXPECT_EQ(ReadBytes(dir / "s.rtp"), "подстанции базы");
  EXPECT_FALSE(std::filesystem::exists(dir / "S.uzl"));
  EXPECT_FALSE(std::filesystem::exists(dir / "S.rtp"));

  const std::string file = dir / "s.cdu";  // the scheme's stem with the card extension is no table
  ExportCardScheme(stem, file);
  const std::vector<std::string> lines = FileLines(file);
  ASSERT_EQ(lines.size(), 7U);
  EXPECT_EQ(lines[6], Utf8ToCp1251("0290         2  ТП-2 Заречная ул. Садовая"));
  ReadBack r;
  r.Read(file);
  EXPECT_EQ(r.Name(2), "ТП-2 Заречная ул. Садовая");
}

// Damaged card files: a number error that names the file and the line, or a reading; never a crash.
TEST_F(CardFiles, DamagedFilesReadOrFailWithTheFileNamed) {
  CardScheme s = TwoNodes();
  const int q = s.Node(3, "Генератор", 'u', -6.3f, 1.25, -0.75);
  s.N<DAdouble>("Pg")[q] = -4.5;
  s.N<DAdouble>("Qg")[q] = -1.5;
  s.N<DAsingle>("Qmin")[q] = -3;
  s.N<DAsingle>("Qmax")[q] = -0.5;
  const int t = s.Branch(3, 2, -0.5f, -1.5f, -2);
  s.B<DAsingle>("Kta")[t] = 0.9f;
  s.B<DAsingle>("Ktr")[t] = 0.05f;
  const std::string valid = dir / "valid.cdu";
  ExportCardScheme(s.Write(dir, "s"), valid);
  const std::string sample =
      ReadBytes(valid) + Lines({"doscode", Card("0202").At(9, 16, "2").At(33, 40, "1.5").At(41, 48, "0.5").line,
                                Card("0399").At(5, 6, "1").At(9, 16, "2").At(17, 24, "1").At(49, 56, "0.9").line,
                                Card("0201").At(9, 16, "1").At(57, 64, "10.5").At(82, 89, "-30").line,
                                Card("5008").At(9, 16, "9").line, Card("0102").At(25, 32, "9").line});
  const std::string file = dir / "damaged.cdu";
  const std::string named = "\"" + std::filesystem::absolute(file).lexically_normal().string() + "\"";
  // The sample with the DOSCODE line, without it, and saved in UTF-8 by an editor with its byte-order mark.
  std::string windows = sample;
  windows.replace(windows.find("doscode"), 7, "nodos  ");
  const std::string seeds[] = {sample, windows, "\xEF\xBB\xBF" + Cp1251ToUtf8(windows)};
  std::mt19937 random(8120);
  int failures = 0;
  ReadBack r;
  ScriptedMsgBox box;  // names the damage leaves undecided are read in the first code page offered
  for (int round = 0; round < 3000; ++round) {
    const std::string bytes = Mutate(seeds[round / 2 % 3], random);
    WriteBytes(file, bytes);
    r.Clear();
    try {
      r.Read(file, round % 2 == 0);
      ASSERT_LE(r.nodeCount + r.branchCount, static_cast<int>(bytes.size() / 4 + 1));
    } catch (const Error& e) {
      ++failures;
      ASSERT_NE(std::string(e.what()).find(named), std::string::npos) << e.what();
    }
    ASSERT_EQ(ReadBytes(file), bytes) << "the reader leaves the file as it was";
  }
  EXPECT_GT(failures, 0) << "the damage reaches the numbers now and then";
}

}  // namespace
}  // namespace ld::test
