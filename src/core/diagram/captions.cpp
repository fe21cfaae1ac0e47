// Texts of elements that the layout measures and the drawing prints.
#include <algorithm>
#include <cmath>

#include "core/base/codepage.h"
#include "core/base/numfmt.h"
#include "core/diagram/schem_state.h"

namespace ld::diagram {

namespace {

// A font metric may be 0 (no settings read yet); widening steps by at least a pixel.
int WidenTo(int needed, int offset, int step) {
  step = std::max(step, 1);
  const long long steps = (static_cast<long long>(needed) + step - 1) / step;
  return static_cast<int>(std::min<long long>(offset + steps * step, INT32_MAX));
}

std::string Number3(float v) { return FloatToStrFixed(static_cast<double>(v), 3); }

std::string PairText(const char* prefix, const DAsingle* re, const DAsingle* im, int row) {
  const float a = re ? re->Get(row) : 0.f, b = im ? im->Get(row) : 0.f;
  if (a == 0 && b == 0) return {};
  return prefix + Number3(a) + " + j" + Number3(b);
}

}  // namespace

std::string TSchemBoxState::CaptionText(const SElem& elem) const {
  std::string s = elem.Caption ? *elem.Caption : std::string();
  if (elem.Has(efTapOff)) {
    s = s.substr(0, s.find(" <"));
    const auto bar = s.find('_');
    if (bar == std::string::npos) {
      s.clear();
    } else {
      s.erase(0, bar + 1);
      s = s.substr(0, s.find_first_not_of("0123456789"));
    }
  }
  std::string text;
  switch (FPaintNod) {
    case ncmNumber: text = IntToStr(elem.NodeNr); break;
    case ncmNumberName: text = IntToStr(elem.NodeNr) + (s.empty() ? "" : " " + s); break;
    default: text = s; break;
  }
  if (FIntegral && FPaintNod == ncmName) {
    if (FAbon && NodeCols.A) {
      const char letter = NodeCols.A->Get(elem.NodeRow);
      if (letter != 0) text += " (" + Cp1251ToUtf8(std::string(1, letter)) + ")";
    }
    if (FRayon && NodeCols.Nr) {
      const std::int32_t area = NodeCols.Nr->Get(elem.NodeRow);
      if (area != 0) text += " (" + IntToStr(area) + ")";
    }
  }
  return text;
}

void TSchemBoxState::WrapCaption(std::string& text, TCanvas& canvas, bool sectionMark, int& lines, int& width,
                                 int offset) const {
  text.erase(0, text.find_first_not_of(' ') == std::string::npos ? text.size() : text.find_first_not_of(' '));
  auto markWidth = [&] {
    if (!sectionMark) return 0;
    const int saved = canvas.Font.Height;
    canvas.Font.Height = -PixdYsc;
    const int w = canvas.TextWidth("1");
    canvas.Font.Height = saved;
    return w;
  };
  if (text.find(' ') == std::string::npos || !WrapCaptions) {
    const int w = canvas.TextWidth(text) + 2 + markWidth();
    if (w > width - offset) width = WidenTo(w, offset, PixXe);
    lines = 1;
    return;
  }
  if (text.back() != ' ') text += ' ';
  std::vector<std::string> words;
  for (std::size_t from = 0; from < text.size();) {
    const std::size_t blank = text.find(' ', from);
    words.push_back(text.substr(from, blank - from));
    from = blank + 1;
  }
  std::vector<int> widths;
  for (const std::string& word : words) widths.push_back(canvas.TextWidth(word) + 2);
  widths[0] += markWidth();
  const int widest = *std::max_element(widths.begin(), widths.end());
  int available = width - offset;
  if (widest > available) {
    width = WidenTo(widest, offset, PixXe);
    available = width - offset;
  }
  const int blank = canvas.TextWidth(" ");
  lines = 0;
  for (std::size_t i = 0; i < words.size();) {
    int w = widths[i];
    std::size_t j = i + 1;
    while (j < words.size() && w + widths[j] < available) {
      w += blank + widths[j];
      ++j;
    }
    words[j - 1] += '&';
    ++lines;
    i = j;
  }
  text.clear();
  for (const std::string& word : words) {
    if (!text.empty() && text.back() != '&') text += ' ';
    text += word;
  }
  text.pop_back();
}

std::string TSchemBoxState::ImpedanceText(int row) const { return PairText("Z = ", BranchCols.R, BranchCols.X, row); }

std::string TSchemBoxState::AdmittanceText(int row) const { return PairText("Y = ", BranchCols.G, BranchCols.B, row); }

std::string TSchemBoxState::RatioText(int row) const {
  const float kta = BranchCols.Kta ? BranchCols.Kta->Get(row) : 0.f;
  const float ktr = BranchCols.Ktr ? BranchCols.Ktr->Get(row) : 0.f;
  if (kta == 0 && ktr == 0) return {};
  return "Kтр = " + Number3(kta) + (ktr != 0 ? " + j" + Number3(ktr) : std::string());
}

int TSchemBoxState::NearestNominalVoltage(int u) const {
  // A negative class is one left out of the voltage checks: it counts by its magnitude, and 0 is no class.
  double best = 1.0e7;
  int result = ClassVoltages.empty() ? 0 : static_cast<int>(std::min(std::fabs(static_cast<double>(ClassVoltages.front())), 2147483647.0));
  for (const std::int32_t entry : ClassVoltages) {
    const double un = std::fabs(static_cast<double>(entry));
    if (un == 0) continue;
    const double deviation = std::fabs(static_cast<double>(u) - un) / un;
    if (deviation < best) {
      best = deviation;
      result = static_cast<int>(std::min(un, 2147483647.0));
    }
  }
  return result;
}

int WindingOf(std::string_view mark) {
  for (int k = 0; k < 2; ++k)
    if (const auto bar = mark.find('|'); bar != std::string_view::npos) mark.remove_prefix(bar + 1);
  if (mark.empty() || mark.size() > 9) return 0;
  int value = 0;
  std::size_t i = mark[0] == '-' || mark[0] == '+' ? 1 : 0;
  if (i == mark.size()) return 0;
  for (; i < mark.size(); ++i) {
    if (mark[i] < '0' || mark[i] > '9') return 0;
    value = value * 10 + (mark[i] - '0');
  }
  return mark[0] == '-' ? -value : value;
}

}  // namespace ld::diagram
