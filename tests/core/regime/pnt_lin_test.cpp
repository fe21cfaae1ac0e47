// The PNT/LIN exchange files: exact bytes of the full layout, what a read keeps and changes, and damaged files.
#include "core/regime/pnt_lin.h"

#include <random>

#include "core/base/error.h"
#include "core/base/numfmt.h"
#include "support/full_disk.h"
#include "regime_test.h"
#include "support/fuzz_mutations.h"
#include "support/scripted_msgbox.h"

namespace ld::test {
namespace {

using PntLin = RegimeTest;

struct Scheme {
  TDataFile nodes, branches;
  TNodeCols n;
  TBranchCols b;
  explicit Scheme(int nodeRows = 3, int branchRows = 3) {
    ReadMaket(LayoutNodes, nodes);
    CreateColumns(nodes, nodeRows);
    FillNodeCols(nodes, n);
    ReadMaket(LayoutBranches, branches);
    CreateColumns(branches, branchRows);
    FillBranchCols(branches, b);
  }
};

// Three nodes (balancing, load, a marked row) and three branches (a transformer with regulation, a
// line switched off by a mark, a line fixed off).
void FillSample(Scheme& s) {
  const int ns[] = {1, 20, 300};
  for (int r = 1; r <= 3; ++r) (*s.n.NS)[r] = ns[r - 1];
  (*s.n.Sign)[1] = 'b', (*s.n.Pg)[1] = 5, (*s.n.Qg)[1] = 2, (*s.n.Um)[1] = 10.5f, (*s.n.Angle)[1] = 3.5;
  (*s.n.Pn)[2] = 1.25, (*s.n.Qn)[2] = 0.5, (*s.n.Pg)[2] = 0.75, (*s.n.Angle)[2] = 7;
  (*s.n.Gs)[2] = 1.5f, (*s.n.Qmax)[2] = 2.125f;
  (*s.nodes.MarkRec)[3] = 112, (*s.n.Pn)[3] = 1234567.89;

  const int n1[] = {20, 1, 300}, n2[] = {1, 300, 20};
  for (int r = 1; r <= 3; ++r) (*s.b.N1)[r] = n1[r - 1], (*s.b.N2)[r] = n2[r - 1];
  (*s.b.R)[1] = 7.935f, (*s.b.X)[1] = 138.636f, (*s.b.Kta)[1] = 10.4545f, (*s.b.Ktn)[1] = 10.4545f;
  s.b.Notv[1] = 3, s.b.RT[1] = 2, (*s.b.Sdop)[1] = 10;
  s.b.Regulation->SetItem(1, "ВН-РПН-П-19-10-1,78");
  (*s.b.Nl)[2] = 2, (*s.b.R)[2] = 0.25f, (*s.branches.MarkRec)[2] = 112;
  (*s.b.Commut)[3] = Letter("Ф");
}

TEST_F(PntLin, WrittenBytesOfTheFullLayout) {
  Scheme s;
  FillSample(s);
  WritePntLin(dir / "a.PNT", s.nodes, s.branches, {});
  EXPECT_EQ(ReadBytes(dir.Path() / "a.PNT"),
            "      Nuz Prb               Pn               Qn               Pg               Qg           Un"
            "             Teta           Gh           Bh         Qmin         Qmax REG\r\n"
            "        1 1           0.0000           0.0000           0.0000           0.0000        10.50"
            "             3.50         0.00         0.00        0.000        0.000\r\n"
            "       20 0           1.2500           0.5000           0.7500           0.0000         0.00"
            "             0.00         1.50         0.00        0.000        2.125\r\n"
            "      300 3     1234567.8900           0.0000           0.0000           0.0000         0.00"
            "             0.00         0.00         0.00        0.000        0.000\r\n");
  EXPECT_EQ(ReadBytes(dir.Path() / "a.LIN"),
            "        Nn         Nk Pr            R            X            G            B            K"
            "           Kr    REG          Ksr   Ntek         Sdop Kod_REG\r\n"
            "        20          1 0       7.9350     138.6360        0.000        0.000     10.45450"
            "      0.00000      2     10.45450      3       10.000 " + Utf8ToCp1251("ВН-РПН-П-19-10-1.78") + "\r\n"
            "         1        300 3       0.2500       0.0000        0.000        0.000      0.00000"
            "      0.00000      0      0.00000      0        0.000 \r\n"
            "       300         20 0       0.0000       0.0000        0.000        0.000      0.00000"
            "      0.00000      0      0.00000      0        0.000 \r\n");

  EXPECT_EQ(FormatFixedWidth(-1, 6, 0.5), "   0.5");
  // a number wider than its column widens the field rather than losing digits
  EXPECT_EQ(FormatFixedWidth(2, 8, 1234567.89), "1234567.89");
  // a user whose numbers show a decimal comma still writes files that other programs read
  SetFormatSeparators(",", " ");
  const std::string written = FormatFixedWidth(2, 9, -1234.5) + FormatFixedWidth(-1, 6, 0.25);
  SetFormatSeparators(".", "\u00A0");
  EXPECT_EQ(written, " -1234.50  0.25");
}

TEST_F(PntLin, ShortLayoutAndBranchesSortedByAnExclamationMark) {
  Scheme s;
  FillSample(s);
  // A name ending in "!" sorts the branches; the balance summing keeps the balancing node's generation.
  WritePntLin(dir / "b!.PNT", s.nodes, s.branches, {.ShortLayout = true, .SumSbal = true});
  const std::string pnt = ReadBytes(dir.Path() / "b!.PNT");
  EXPECT_EQ(pnt.substr(0, pnt.find("\r\n")).substr(pnt.find("Qmax")), "Qmax");
  EXPECT_NE(pnt.find("        1 1           0.0000           0.0000           5.0000           2.0000"),
            std::string::npos);
  EXPECT_EQ(ReadBytes(dir.Path() / "b!.LIN"),
            "        Nn         Nk Pr prl            R            X            G            B            K"
            "           Kr\r\n"
            "         1        300 3   2       0.2500       0.0000        0.000        0.000      0.00000"
            "      0.00000\r\n"
            "        20          1 0   0       7.9350     138.6360        0.000        0.000     10.45450"
            "      0.00000\r\n"
            "       300         20 0   0       0.0000       0.0000        0.000        0.000      0.00000"
            "      0.00000\r\n");
}

TEST_F(PntLin, ReadBackKeepsValuesAndUntouchedColumns) {
  Scheme s;
  FillSample(s);
  WritePntLin(dir / "a.PNT", s.nodes, s.branches, {.SumSbal = true});

  // Tables the file lands on: two nodes with names (kept), four branches (one dropped).
  Scheme target(2, 4);
  target.n.Name->SetItem(1, "ПС1.А");
  target.n.Name->SetItem(2, "ПС1.Б");
  (*target.n.Sign)[2] = 'u';
  for (int r = 1; r <= 4; ++r) {
    (*target.b.Commut)[r] = Letter("Ф");
    target.b.Mark->SetItem(r, "АС-70");
    (*target.b.Sdop)[r] = 99;
    target.b.Regulation->SetItem(r, "old");
  }
  TDataFile nodes, branches;
  ReadPntLin(dir / "a.PNT", target.nodes, target.branches, nodes, branches);
  TNodeCols n;
  FillNodeCols(nodes, n);
  ASSERT_EQ(nodes.RowCount, 3);
  // code 0 leaves the type; the angle of a load node is written 0; Qmax is never read
  EXPECT_EQ(n.Name->GetItem(1) + "|" + n.Name->GetItem(3) + "|" + n.Sign->Get(1) + n.Sign->Get(2), "ПС1.А||bu");
  EXPECT_EQ((std::vector<double>{double(n.NS->Get(3)), n.Pg->Get(1), n.Pn->Get(3), n.Gs->Get(2), n.Angle->Get(2),
                                 n.Qmax->Get(2)}),
            (std::vector<double>{300, 5, 1234567.89, 1.5, 0, 0}));

  TBranchCols b;
  FillBranchCols(branches, b);
  ASSERT_EQ(branches.RowCount, 3);
  // code 0 never clears a letter; the full layout carries no count
  EXPECT_EQ((std::vector<double>{double(b.N1->Get(1)), b.X->Get(1), b.Kta->Get(1), double(b.Notv.Get(1)),
                                 double(b.RT.Get(1)), double(b.Nl->Get(2))}),
            (std::vector<double>{20, 138.636f, 10.4545f, 3, 2, 0}));
  EXPECT_EQ(b.Regulation->GetItem(1) + " " + b.Mark->GetItem(2), "ВН-РПН-П-19-10-1.78 АС-70");
  EXPECT_EQ((std::string{b.Commut->Get(1), b.Commut->Get(2)}), Utf8ToCp1251("ФО"));

  // The LIN file saved by an editor in UTF-8, with its byte-order mark or without it, and in DOS 866:
  // the regulation's text is read as written, and the mark hides no header.
  const std::string lin = ReadBytes(dir.Path() / "a.LIN");
  for (const std::string& saved : {"\xEF\xBB\xBF" + Cp1251ToUtf8(lin), Cp1251ToUtf8(lin), Utf8ToCp866(Cp1251ToUtf8(lin))}) {
    WriteBytes(dir.Path() / "a.LIN", saved);
    ScriptedMsgBox box;
    ReadPntLin(dir / "a.PNT", target.nodes, target.branches, nodes, branches);
    FillBranchCols(branches, b);
    ASSERT_EQ(branches.RowCount, 3);
    EXPECT_EQ(b.Regulation->GetItem(1), "ВН-РПН-П-19-10-1.78");
    EXPECT_TRUE(box.Calls().empty());
  }
  WriteBytes(dir.Path() / "a.LIN", lin);

  // Blank lines after the last record, as an editor leaves them, are no records.
  for (const char* file : {"a.LIN", "a.PNT"}) {
    WriteBytes(dir.Path() / file, ReadBytes(dir.Path() / file) + "\r\n  \r\n");
    EXPECT_NO_THROW(ReadPntLin(dir / "a.PNT", target.nodes, target.branches, nodes, branches)) << file;
    EXPECT_EQ(nodes.RowCount, 3) << file;
    EXPECT_EQ(branches.RowCount, 3) << file;
  }
}

TEST_F(PntLin, AFullDiskKeepsThePreviousPairAndNamesTheFile) {
  Scheme s;
  FillSample(s);
  const std::string pntFile = dir / "a.PNT", linFile = dir / "a.LIN";
  WritePntLin(pntFile, s.nodes, s.branches, {});
  const std::string pnt = ReadBytes(pntFile), lin = ReadBytes(linFile);
  (*s.n.Pn)[2] = 2.5, (*s.b.R)[2] = 0.5f;
  const auto failure = [&] {
    try {
      WritePntLin(pntFile, s.nodes, s.branches, {});
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return std::string("<no error>");
  };
  {
    FullDisk disk(pnt.size() / 2);  // the disk fills inside the PNT file
    EXPECT_EQ(failure(), FullDiskMessage(pntFile));
  }
  EXPECT_EQ(ReadBytes(pntFile), pnt);
  EXPECT_EQ(ReadBytes(linFile), lin);
  {
    FullDisk disk(pnt.size() + 10);  // the PNT file fits, the LIN file does not: the pair stays the old one
    EXPECT_EQ(failure(), FullDiskMessage(linFile));
  }
  EXPECT_EQ(ReadBytes(pntFile), pnt);
  EXPECT_EQ(ReadBytes(linFile), lin);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
}

TEST_F(PntLin, DamagedPairChangesNothing) {
  Scheme s;
  FillSample(s);
  WritePntLin(dir / "a.PNT", s.nodes, s.branches, {});
  const std::string pnt = ReadBytes(dir.Path() / "a.PNT");
  TDataFile nodes, branches;
  nodes.Title = "untouched";
  std::string bad = pnt + "      301 0 1.2x 0 0 0 0 0 0 0 0 0\r\n";
  WriteBytes(dir.Path() / "a.PNT", bad);
  try {
    ReadPntLin(dir / "a.PNT", s.nodes, s.branches, nodes, branches);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Ошибка чтения файла \"" + dir / "a.PNT" +
                  "\": PNT, строка 5: поле Pn: текст \"1.2x\" не является числом: символ \"x\" на месте 4");
  }
  EXPECT_EQ(nodes.Title, "untouched");
  EXPECT_EQ(nodes.RowCount, 0);
  // a binary line: named by its control character, not quoted up to its first zero byte
  WriteBytes(dir.Path() / "a.PNT", pnt + std::string("      301 0 1\0x 0 0 0 0 0 0 0 0 0\r\n", 35));
  try {
    ReadPntLin(dir / "a.PNT", s.nodes, s.branches, nodes, branches);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Ошибка чтения файла \"" + dir / "a.PNT" +
                                         "\": PNT, строка 5: в строке управляющий символ с кодом 0: это не текстовый файл");
  }
  EXPECT_EQ(nodes.Title, "untouched");
  // a PNT record one field short is named, never met by the library's range error
  WriteBytes(dir.Path() / "a.PNT", pnt + "      301 0 1 0 0 0 0 0 0\r\n");
  try {
    ReadPntLin(dir / "a.PNT", s.nodes, s.branches, nodes, branches);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Ошибка чтения файла \"" + dir / "a.PNT" + "\": PNT, строка 5: в записи 9 полей вместо 10");
  }
  // A LIN record short of its fields (a blank line among the records, two fields), a branch to a node the
  // PNT file does not hold, and a last line that lost its end refuse the pair by the LIN line: nothing is
  // filled with zeros or with what the branch row held before.
  WriteBytes(dir.Path() / "a.PNT", pnt);
  const std::string lin = ReadBytes(dir.Path() / "a.LIN");
  const std::size_t second = lin.find("\r\n", lin.find("\r\n") + 2) + 2;  // where record 2 begins
  const std::pair<std::string, std::string> lins[] = {
      {lin.substr(0, second) + "\r\n" + lin.substr(second), "LIN, строка 3: в записи 0 полей вместо 13"},
      {lin.substr(0, second) + "20 30\r\n" + lin.substr(second), "LIN, строка 3: в записи 2 полей вместо 13"},
      {lin.substr(0, second) + "20 30 0 0.1 0.2 0 0 0 0 0 0 0\r\n" + lin.substr(second),
       "LIN, строка 3: в записи 12 полей вместо 13"},
      {lin + "20 999 0 0.1 0.2 0 0 0 0 0 0 0 0\r\n",
       "LIN, строка 5: ветвь 20-999 соединена с узлом 999, которого нет в файле \"" + dir / "a.PNT" + "\""},
      {lin.substr(0, lin.size() - 2), "строка 4 оборвана: в конце файла нет перевода строки, файл обрезан"}};
  for (const auto& [bytes, why] : lins) {
    WriteBytes(dir.Path() / "a.LIN", bytes);
    try {
      ReadPntLin(dir / "a.PNT", s.nodes, s.branches, nodes, branches);
      ADD_FAILURE() << why;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Ошибка чтения файла \"" + dir / "a.LIN" + "\": " + why, 0), 0u) << e.what();
    }
    EXPECT_EQ(nodes.Title, "untouched");
  }
  WriteBytes(dir.Path() / "a.LIN", lin);

  // a good PNT file without its LIN partner: the nodes read are not handed out alone
  WriteBytes(dir.Path() / "c.PNT", pnt);
  EXPECT_THROW(ReadPntLin(dir / "c.PNT", s.nodes, s.branches, nodes, branches), Error);
  EXPECT_EQ(nodes.Title, "untouched");
  EXPECT_EQ(nodes.RowCount, 0);

  // Seeded damage: either a clean read or a message naming the file.
  WriteBytes(dir.Path() / "b.PNT", pnt);
  std::mt19937 random(22);
  for (int i = 0; i < 80; ++i) {
    WriteBytes(dir.Path() / "b.PNT", i % 2 ? Mutate(pnt, random) : pnt);
    WriteBytes(dir.Path() / "b.LIN", i % 2 ? lin : Mutate(lin, random));
    try {
      ReadPntLin(dir / "b.PNT", s.nodes, s.branches, nodes, branches);
    } catch (const Error& e) {
      const std::string text = e.what();
      EXPECT_TRUE(text.rfind("Ошибка чтения файла \"" + dir / "b.PNT" + "\": ", 0) == 0 ||
                  text.rfind("Ошибка чтения файла \"" + dir / "b.LIN" + "\": ", 0) == 0)
          << text;
    }
  }
}

}  // namespace
}  // namespace ld::test
