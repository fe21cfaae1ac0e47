// Writing the node and branch tables of a saved scheme as a CDU card file.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/numtext.h"
#include "core/base/settings.h"
#include "core/district/cdu_card_fields.h"
#include "core/district/cdu_cards.h"
#include "core/tables/file_io.h"
#include "core/tables/file_kinds.h"
#include "core/tables/table_file.h"

namespace ld {

namespace {

constexpr std::size_t kRealWidth = 8;    // every real of a card
constexpr std::size_t kNodeWidth = 8;    // the narrowest column that reads a node number
constexpr std::size_t kSmallWidth = 2;   // Nl, Nsh

// Appends v in fixed notation with "." and `decimals` decimals, the value first rounded to at most
// `precision` significant digits, halves away from zero (the digits beyond are zeros), without a minus
// for a value that rounds to zero. Returns false and appends nothing when the integer part has more
// than `precision` digits or v is not finite. The separator is fixed: cards are read by programs on
// any workstation.
bool AppendFixed(std::string& out, double v, int decimals, int precision) {
  if (!std::isfinite(v)) return false;
  // |v| as the 17 digits d0 d1 ... of 0.d0d1... x 10^exponent.
  std::array<char, 17> digits{};
  int count = 0, exponent = 0;
  if (v != 0) {
    std::array<char, 40> text{};
    const auto written = std::to_chars(text.data(), text.data() + text.size(), std::fabs(v),
                                       std::chars_format::scientific, 16);
    const char* p = text.data();
    for (; *p != 'e'; ++p)
      if (*p != '.') digits[static_cast<std::size_t>(count++)] = *p;
    int exp10 = 0;
    std::from_chars(p + (p[1] == '+' ? 2 : 1), written.ptr, exp10);
    exponent = exp10 + 1;
  }
  if (exponent > precision) return false;
  const int keep = std::min(precision, exponent + decimals);
  if (keep < count) {
    const bool up = keep >= 0 && digits[static_cast<std::size_t>(keep)] >= '5';
    count = std::max(keep, 0);
    if (up) {
      int i = count - 1;
      while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9') digits[static_cast<std::size_t>(i--)] = '0';
      if (i >= 0) {
        ++digits[static_cast<std::size_t>(i)];
      } else {  // 0.999 x 10^e -> 0.100 x 10^(e+1): the kept digits are all zeros now
        digits[0] = '1';
        count = std::max(count, 1);
        if (++exponent > precision) return false;
      }
    }
  }
  bool nonZero = false;
  for (int i = 0; i < count; ++i) nonZero = nonZero || digits[static_cast<std::size_t>(i)] != '0';
  const auto digitAt = [&](int i) { return i >= 0 && i < count ? digits[static_cast<std::size_t>(i)] : '0'; };
  if (v < 0 && nonZero) out.push_back('-');
  if (exponent <= 0 || !nonZero) {
    out.push_back('0');
  } else {
    for (int i = 0; i < exponent; ++i) out.push_back(digitAt(i));
  }
  if (decimals > 0) {
    out.push_back('.');
    for (int k = 0; k < decimals; ++k) out.push_back(nonZero ? digitAt(exponent + k) : '0');
  }
  return true;
}

void AppendRight(std::string& out, std::string_view text, std::size_t width) {
  if (text.size() < width) out.append(width - text.size(), ' ');
  out.append(text);
}

class TCardWriter {
public:
  explicit TCardWriter(std::string& out) : out_(out) {}

  void Text(std::string_view text) { out_.append(text); }
  void EndLine() { out_.append("\r\n"); }

  // An integer right-aligned in `width` columns; `fit`: the most characters it may take.
  void Int(std::int64_t value, std::size_t width, std::size_t fit, const TDataFile& table, const char* field, int row) {
    std::array<char, 24> text{};
    const auto written = std::to_chars(text.data(), text.data() + text.size(), value);
    const std::string_view s(text.data(), static_cast<std::size_t>(written.ptr - text.data()));
    if (s.size() > fit) DoesNotFit(std::string(s), fit, table, field, row);
    AppendRight(out_, s, width);
  }

  // A real of a node card: at most 8 significant digits, cut to its first 8 characters when longer, so
  // a value keeps its decimals only as far as the field goes: 123456.789 is "123456.7". The cut may take
  // decimals alone: a value whose integer part with its sign needs more than 8 characters (the reader
  // takes no exponent either) stops the export, naming the node.
  void NodeReal(double value, int decimals, const TDataFile& nodes, const char* field, int row, std::int32_t node) {
    tmp_.clear();
    if (!AppendFixed(tmp_, value, decimals, 8) || tmp_.find('.') > kRealWidth)
      throw Error("Экспорт ЦДУ: значение " + FixedText(value, decimals) + " поля \"" + field + "\" узла " +
                  std::to_string(node) + " в строке " + std::to_string(row) + " таблицы \"" + nodes.Name +
                  "\" не помещается в поле карты шириной " + std::to_string(kRealWidth));
    if (tmp_.size() > kRealWidth) tmp_.resize(kRealWidth);
    AppendRight(out_, tmp_, kRealWidth);
  }

  // A real of a shunt or branch card: `decimals` decimals, fewer when the text would not fit its
  // 8 columns; a value whose integer part alone does not fit stops the export.
  void Real(double value, int decimals, const TDataFile& table, const char* field, int row) {
    for (int d = decimals; d >= 0; --d) {
      tmp_.clear();
      if (AppendFixed(tmp_, value, d, 17) && tmp_.size() <= kRealWidth) {
        AppendRight(out_, tmp_, kRealWidth);
        return;
      }
    }
    DoesNotFit(FixedText(value, decimals), kRealWidth, table, field, row);
  }

private:
  [[noreturn]] static void DoesNotFit(const std::string& value, std::size_t width, const TDataFile& table,
                                      const char* field, int row) {
    throw Error("Экспорт ЦДУ: значение " + value + " поля \"" + field + "\" в строке " + std::to_string(row) +
                " таблицы \"" + table.Name + "\" не помещается в поле карты шириной " + std::to_string(width));
  }

  std::string& out_;
  std::string tmp_;
};

char UpperLatin(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// A name card ends at its line's end: each run of line breaks in a name becomes one space.
std::string OneLine(std::string_view name) {
  std::string line;
  line.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] != '\r' && name[i] != '\n') {
      line.push_back(name[i]);
    } else if (i == 0 || (name[i - 1] != '\r' && name[i - 1] != '\n')) {
      line.push_back(' ');
    }
  }
  return line;
}

// Cards written over one of the scheme's own tables would put text in place of that table: refused.
// The name is compared without regard to letter case, and a link to such a table is the table.
void RefuseSchemeTable(const std::string& schemeStem, const std::string& fileName) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path target = fs::absolute(fileName, ec).lexically_normal();
  const fs::path stem = fs::absolute(schemeStem, ec).lexically_normal();
  const bool besideScheme = UpperCase(target.stem().string()) == UpperCase(stem.filename().string()) &&
                            (target.parent_path() == stem.parent_path() ||
                             fs::equivalent(target.parent_path(), stem.parent_path(), ec));
  if (!besideScheme && !fs::exists(target, ec)) return;
  // every file the program keeps under the scheme's stem, by the program's list
  for (const TFileKind& kind : StemFileKinds()) {
    const std::string& extension = kind.Ext;
    const bool named = besideScheme && UpperCase(target.extension().string()) == UpperCase(extension);
    if (named || fs::equivalent(target, FamilyFile(schemeStem, extension), ec))
      throw Error("Экспорт ЦДУ: файл \"" + fileio::FullFileName(fileName) + "\" - это " +
                  (kind.Layout.empty() ? "файл \"" + kind.What : "таблица \"" + kind.Layout) +
                  "\" экспортируемой схемы; карты ЦДУ записываются в файл с другим именем");
  }
}

// The cards of the whole scheme, in their order: balancing nodes, nodes, shunts, branches, names.
std::string FormCards(TDataFile& nodes, TDataFile& branches) {
  const TCardNodeColumns n = FindCardNodeColumns(nodes);
  const TCardBranchColumns b = FindCardBranchColumns(branches);
  std::string out;
  out.reserve(static_cast<std::size_t>(nodes.RowCount) * 180 + static_cast<std::size_t>(branches.RowCount) * 76);
  TCardWriter w(out);

  for (int row = 1; row <= nodes.RowCount; ++row) {
    if (UpperLatin(n.Sign->Get(row)) != 'B') continue;
    w.Text("0102");
    w.Int(n.NS->Get(row), 28, kNodeWidth, nodes, "NS", row);
    w.EndLine();
  }
  for (int row = 1; row <= nodes.RowCount; ++row) {
    w.Text("0201  ");
    w.Int(n.Nsh.Get(row), 2, kSmallWidth, nodes, "Nsh", row);
    const std::int32_t ns = n.NS->Get(row);
    w.Int(ns, 8, kNodeWidth, nodes, "NS", row);
    w.NodeReal(n.Um->Get(row), 2, nodes, "Um", row, ns);
    w.NodeReal(n.Pn->Get(row), 3, nodes, "Pn", row, ns);
    w.NodeReal(n.Qn->Get(row), 3, nodes, "Qn", row, ns);
    w.NodeReal(n.Pg->Get(row), 3, nodes, "Pg", row, ns);
    w.NodeReal(n.Qg->Get(row), 3, nodes, "Qg", row, ns);
    const char sign = UpperLatin(n.Sign->Get(row));
    if (sign == 'B' || sign == 'U') {
      w.NodeReal(n.Um->Get(row), 2, nodes, "Um", row, ns);
      w.NodeReal(n.Qmin->Get(row), 3, nodes, "Qmin", row, ns);
      w.NodeReal(n.Qmax->Get(row), 3, nodes, "Qmax", row, ns);
    }
    w.EndLine();
  }
  for (int row = 1; row <= nodes.RowCount; ++row) {
    const float g = n.Gs->Get(row), s = n.Bs->Get(row);
    if (g == 0 && s == 0) continue;
    w.Text("0301 0");
    w.Int(n.NS->Get(row), 10, kNodeWidth, nodes, "NS", row);
    w.Text("       0");
    w.Real(g, 3, nodes, "Gs", row);
    w.Real(s, 3, nodes, "Bs", row);
    w.EndLine();
  }
  for (int row = 1; row <= branches.RowCount; ++row) {
    const char commut = b.Commut->Get(row);
    w.Text(commut == 0 || commut == ' ' ? "0301" : "0399");
    w.Int(b.Nl->Get(row), 2, kSmallWidth, branches, "Nl", row);
    w.Int(b.N1->Get(row), 10, kNodeWidth, branches, "N1", row);
    w.Int(b.N2->Get(row), 8, kNodeWidth, branches, "N2", row);
    w.Real(b.R->Get(row), 3, branches, "R", row);
    w.Real(b.X->Get(row), 3, branches, "X", row);
    w.Real(b.B->Get(row), 2, branches, "B", row);
    // The card holds the reciprocal of the table's ratio Kta + j Ktr.
    const double kta = b.Kta->Get(row), ktr = b.Ktr->Get(row);
    const double d = kta * kta + ktr * ktr;
    w.Real(d != 0 ? kta / d : 0.0, 4, branches, "Kta", row);
    w.Real(d != 0 ? -ktr / d : 0.0, 4, branches, "Ktr", row);
    w.Real(b.G->Get(row), 2, branches, "G", row);
    w.EndLine();
  }
  for (int row = 1; row <= nodes.RowCount; ++row) {
    w.Text("0290");
    w.Int(n.NS->Get(row), 10, kNodeWidth, nodes, "NS", row);
    w.Text("  ");
    w.Text(Utf8ToCp1251(OneLine(n.Name->GetView(row))));
    w.EndLine();
  }
  return out;
}

// The new file goes to a temporary file beside the old one and replaces it with one rename: a failed
// write leaves the old file as it was.
void ReplaceFileWith(const std::string& fileName, const std::string& bytes) {
  const std::string temp = fileName + ".new~";
  bool ok = false;
  {
    fileio::TFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    ok = fd.IsOpen() && fileio::WriteAll(fd.Get(), bytes.data(), bytes.size()) && fd.Close();
  }
  if (ok) ok = ::rename(temp.c_str(), fileName.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    throw Error("Ошибка записи файла \"" + fileio::FullFileName(fileName) + "\"");
  }
}

}  // namespace

void ExportCardScheme(const std::string& schemeStem, const std::string& fileName) {
  RefuseSchemeTable(schemeStem, fileName);
  TDataFile nodes, branches;
  ReadTableFile(schemeStem + GetMaketExtention(LayoutNodes), nodes);
  ReadTableFile(schemeStem + GetMaketExtention(LayoutBranches), branches);
  ReplaceFileWith(fileName, FormCards(nodes, branches));
}

}  // namespace ld
