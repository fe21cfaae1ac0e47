#include "core/catalogs/line_expr.h"

#include <array>
#include <cmath>
#include <complex>
#include <limits>
#include <string_view>

#include "core/base/codepage.h"
#include "core/base/strings.h"
#include "core/catalogs/catalog_ln.h"

namespace ld {

namespace {

// Level 0 holds only operators written before the first section; each section takes the next level,
// so an expression has at most kLevels - 1 sections.
constexpr int kLevels = 50;
// Operators pending after one section: brackets opened there and the joining "+" or "/".
constexpr std::size_t kMaxPending = 10;

const char* const kErrNesting =
    "Некорректное задание линии: выражение содержит большую вложенность ((((((((((";
const char* const kErrBracket = "Некорректное задание линии: \"(\",\")\"";
const char* const kErrDuplicate = "Некорректное задание линии: дублирование \"+\",\"/\",\"*\"";
const char* const kErrAsterisk = "Некорректное задание линии: отсутствует \"*\"";
const char* const kErrLength = "Некорректное задание длины линии: ";
const char* const kErrTooLong = "Некорректное задание линии: выражение содержит более 49 участков";
const char* const kErrGeneral = "Некорректное задание линии";

struct Level {
  float R = 0, X = 0, G = 0, B = 0, Idop = 0, L = 0;
  std::string ops;  // pending "(", "+", "/" written after this level's section

  void ClearValues() { R = X = G = B = Idop = L = 0; }
};

// A failure whose text goes to CatalogErrorLN; an empty text keeps what the catalogue look-up left.
struct Failure {
  std::string text;
};

class Evaluator {
public:
  Evaluator(float unom, bool normalise, char32_t typ) : unom_(unom), normalise_(normalise), typ_(typ) {}

  void Run(std::string_view s) {
    std::size_t pos = 0;
    char prev = 0;
    while (pos < s.size()) {
      const char c = s[pos];
      if (c == '(') {
        Push(c);
        ++pos;
      } else if (c == ')') {
        CloseBracket();
        ++pos;
      } else if (c == '+' || c == '/') {
        if (prev == '*' || prev == '+' || prev == '/') throw Failure{kErrDuplicate};
        Push(c);
        ++pos;
      } else {
        std::size_t end = s.find_first_of(")+/", pos);
        if (end == std::string_view::npos) end = s.size();
        Section(s.substr(pos, end - pos));
        pos = end;
      }
      prev = c;
    }
    Reduce(0, cur_);
  }

  const Level& Result() const { return levels_[1]; }

private:
  void Push(char c) {
    std::string& ops = levels_[cur_].ops;
    if (ops.size() >= kMaxPending) throw Failure{kErrNesting};
    ops += c;
  }

  void CloseBracket() {
    int j = cur_ - 1;
    while (j >= 0 && (levels_[j].ops.empty() || levels_[j].ops.back() != '(')) --j;
    if (j < 0) throw Failure{kErrBracket};
    levels_[j].ops.pop_back();
    Reduce(j, cur_);
    cur_ = j + 1;
  }

  void Section(std::string_view seg) {
    if (cur_ + 1 >= kLevels) throw Failure{kErrTooLong};
    Level& lv = levels_[++cur_];
    lv.ClearValues();
    lv.ops.clear();

    const std::size_t star = seg.find('*');
    if (star == std::string_view::npos) throw Failure{kErrAsterisk};
    const std::string_view lengthText = seg.substr(0, star);
    double length = 0;
    try {
      length = StrToFloatZ(lengthText);
    } catch (const ConvertError&) {
      throw Failure{kErrLength + std::string(lengthText)};
    }
    if (!std::isfinite(length) || std::abs(length) > std::numeric_limits<float>::max())
      throw Failure{kErrLength + std::string(lengthText)};
    lv.L = static_cast<float>(length);

    std::string_view rest = seg.substr(star + 1);
    std::size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
    long long circuits = 1;
    if (digits > 0) {
      if (digits > 9) throw Failure{kErrGeneral};  // beyond a 32-bit count
      circuits = std::stoll(std::string(rest.substr(0, digits)));
      // No circuits at all would divide the section's impedance by zero.
      if (circuits == 0) throw Failure{kErrGeneral};
    }
    std::string mark(rest.substr(digits));
    if (const std::size_t excl = mark.find("!А"); excl != std::string::npos)
      mark.erase(excl, std::string_view("!А").size());

    TRecLN rec;
    if (!FindLNByMark(mark, false, rec, unom_) && !(normalise_ && FindLNByMark(mark, true, rec, unom_)))
      throw Failure{};

    if (typ_ == 0 || typ_ == rec.Typ) {
      const double km = 0.001 * static_cast<double>(lv.L);
      const double n = static_cast<double>(circuits);
      lv.R = static_cast<float>(rec.R0 * km / n);
      lv.X = static_cast<float>(rec.X0 * km / n);
      lv.G = static_cast<float>(rec.G0 * km * n);
      lv.B = static_cast<float>(rec.B0 * km * n);
      lv.Idop = static_cast<float>(n * rec.Id);
    }
  }

  // The operators between base and top as one value in level base + 1: parallel groups first.
  void Reduce(int base, int top) {
    for (int i = top - 1; i > base; --i) {
      Level& a = levels_[i];
      if (a.ops.empty() || a.ops.front() != '/') continue;
      Level& b = levels_[i + 1];
      const std::complex<double> z = Parallel({a.R, a.X}, {b.R, b.X});
      a.R = static_cast<float>(z.real());
      a.X = static_cast<float>(z.imag());
      a.G += b.G;
      a.B += b.B;
      a.Idop += b.Idop;
      a.L = static_cast<float>((static_cast<double>(a.L) + b.L) / 2);
      b.ClearValues();
      a.ops.erase(0, 1);
    }
    if (base + 1 > top) return;
    Level& sum = levels_[base + 1];
    float idop = sum.Idop;
    for (int i = base + 2; i <= top; ++i) {
      Level& lv = levels_[i];
      sum.R += lv.R;
      sum.X += lv.X;
      sum.G += lv.G;
      sum.B += lv.B;
      sum.L += lv.L;
      // The weakest section limits the series; a section without a rating does not.
      if (lv.Idop != 0 && (idop == 0 || lv.Idop < idop)) idop = lv.Idop;
      lv.ClearValues();
      lv.ops.clear();
    }
    sum.Idop = idop;
    sum.ops.clear();
  }

  // A zero impedance has no admittance to add: such a section is left out of the group.
  static std::complex<double> Parallel(std::complex<double> a, std::complex<double> b) {
    std::complex<double> y = 0;
    if (a != 0.0) y += 1.0 / a;
    if (b != 0.0) y += 1.0 / b;
    return y != 0.0 ? 1.0 / y : 0.0;
  }

  const float unom_;
  const bool normalise_;
  const char32_t typ_;
  std::array<Level, kLevels> levels_{};
  int cur_ = 0;
};

}  // namespace

bool ParseLineExpression(const std::string& text, float& R, float& X, float unom, float& G, float& B,
                         float& Idop, float& L, bool normalise, char32_t typ) {
  R = X = G = B = Idop = L = 0;
  CatalogErrorLN.clear();
  const std::string s = UpperCase(RemoveBlanks(text));
  if (s.empty()) return true;
  Evaluator ev(unom, normalise, UpperChar(typ));
  try {
    ev.Run(s);
  } catch (const Failure& f) {
    if (!f.text.empty()) CatalogErrorLN = f.text;
    return false;
  }
  const Level& res = ev.Result();
  R = res.R;
  X = res.X;
  G = res.G;
  B = -res.B;
  Idop = res.Idop;
  L = res.L;
  return true;
}

}  // namespace ld
