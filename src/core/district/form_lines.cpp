// The 6–10 kV line phase: every row of the line table gives two nodes and a branch as far as its data
// allow; this phase makes most nodes of the scheme and fixes their nominal voltages.
#include <algorithm>

#include "core/base/codepage.h"
#include "core/catalogs/catalog_ln.h"
#include "core/catalogs/line_expr.h"
#include "core/district/form_context.h"

namespace ld::forming {

namespace {

constexpr char kLabel[] = "Линии 10-6 кВ";

std::uint64_t PairKey(int a, int b) {
  const auto lo = static_cast<std::uint32_t>(std::min(a, b)), hi = static_cast<std::uint32_t>(std::max(a, b));
  return (std::uint64_t{hi} << 32) | lo;
}

// A mark without each "!" and the character after it.
std::string CleanMark(const std::string& mark) {
  std::string out;
  out.reserve(mark.size());
  for (std::size_t pos = 0; pos < mark.size();) {
    if (mark[pos] == '!') {
      ++pos;
      if (pos < mark.size()) NextUtf8Char(mark, pos);
      continue;
    }
    out.push_back(mark[pos++]);
  }
  return out;
}

}  // namespace

void TSchemeForming::SetSwitches(int branch, char32_t letter, bool fixedOff) {
  char com1 = 0, com2 = 0;
  if (letter == U'Н') com1 = 'o';
  else if (letter == U'К') com2 = 'o';
  else if (letter == U'О' || letter == U'П') com1 = com2 = 'o';
  else if (letter == U'Ф' && fixedOff) com2 = 'f';
  (*b_.Com1)[branch] = com1;
  (*b_.Com2)[branch] = com2;
}

const TLineParams& TSchemeForming::LineParams(const std::string& mark, float unom) {
  const auto [it, inserted] = lineCache_.try_emplace({mark, unom});
  if (inserted) {
    TLineParams& p = it->second;
    float length = 0;
    p.Ok = ParseLineExpression(mark, p.R, p.X, unom, p.G, p.B, p.Idop, length, o_.CutMark, 0);
    if (!p.Ok) p.Error = CatalogErrorLN;
  }
  return it->second;
}

void TSchemeForming::SetLineBranch(int branch, const std::string& mark, float unom, const char* label, int row) {
  b_.Mark->SetItem(branch, mark);
  const TLineParams& p = LineParams(mark, unom);
  if (p.Ok) {
    (*b_.R)[branch] = p.R;
    (*b_.X)[branch] = p.X;
    (*b_.G)[branch] = p.G;
    (*b_.B)[branch] = p.B;
    (*b_.Idop)[branch] = p.Idop;
  } else {
    Message(label, row, p.Error);
  }
  const std::string type = "LN|" + GeneralDot(unom) + "|";
  b_.TypEqu->SetItem(branch, type);
  b_.Text->SetItem(branch, type + CleanMark(mark));
}

void TSchemeForming::FormLines(TDataFile& table) {
  TLine10Cols l;
  FillLine10Cols(table, l);
  const int n = l.RowCount;
  for (int i = 1; i <= n && !HasNormal; ++i) HasNormal = DistrictLetter(l.Normal->Get(i)) != 0;
  const std::vector<TLine10Ends> ends = ComposeLine10Ends(l);
  float lastU = 0;
  for (int i = 1; i <= n; ++i) {
    (*l.Idx)[i] = i;
    const TLine10Ends& e = ends[static_cast<std::size_t>(i)];
    if (e.NoBegin) Message(kLabel, i, "Не задано начало линии");
    if (e.NoEnd) Message(kLabel, i, "Не задан конец линии");
    if (e.Same) {
      if (!e.Name1.empty()) Message(kLabel, i, "Совпадение начала и конца ветви");
      continue;
    }
    const char32_t sign = DistrictLetter(l.Sign->Get(i));
    const char32_t commut = DistrictLetter(l.Commut->Get(i));

    // An empty voltage continues the voltage of the rows above.
    const std::string un = TrimName(l.Un->GetView(i));
    float u1 = 0, u2 = 0;
    if (const std::size_t slash = un.find('/'); slash != std::string::npos) {
      u1 = static_cast<float>(TextNumber(un.substr(0, slash)));
      u2 = static_cast<float>(TextNumber(un.substr(slash + 1)));
      lastU = u2;
    } else {
      u1 = static_cast<float>(TextNumber(un));
      if (u1 != 0) lastU = u1;
      else u1 = lastU;
      u2 = u1;
    }

    bool newBegin = false, newEnd = false;
    const int n1 = reg_.Get(e.Name1, u1, newBegin);
    if (newBegin) {
      if (u1 == 0) Message(kLabel, i, "Не задано Uн (начало)");
    } else if (u1 != 0) {
      if (reg_[n1].Um != u1) Message(kLabel, i, "Несовпадение Uн (начало)");
    } else {
      u1 = reg_[n1].Um;
    }
    if (u2 == 0) u2 = u1;
    if (sign == U'П') {
      reg_[n1].Sign = 'b';
      if (newBegin) ++SupplyCount;
    }
    const int n2 = reg_.Get(e.Name2, u2, newEnd);
    if (newEnd) {
      if (u2 == 0) Message(kLabel, i, "Не задано Uн (конец)");
    } else if (u2 != 0) {
      if (reg_[n2].Um != u2) Message(kLabel, i, "Несовпадение Uн (конец)");
    }
    if (const std::string_view text = l.Text->GetView(i); !text.empty() && reg_[n2].Prim.empty())
      reg_[n2].Prim = std::string(text);

    const std::uint8_t nl = l.Nl->Get(i);
    const std::uint64_t pair = PairKey(n1, n2);
    if (!newBegin && !newEnd && nl == 0 && joined_.count(pair) != 0) {
      Message(kLabel, i, "Дублирование ветви " + e.Name1 + " - " + e.Name2);
      continue;
    }
    joined_.insert(pair);

    const int k = NewBranch();
    (*b_.Ul)[k] = u1;
    (*b_.Nr)[k] = l.Nr->Get(i);
    (*b_.N1)[k] = n1;
    (*b_.N2)[k] = n2;
    b_.Name1->SetNew(k, e.Name1);
    b_.Name2->SetNew(k, e.Name2);
    (*b_.Kflow)[k] = l.Kflow->Get(i);
    (*b_.A)[k] = l.A->Get(i);
    (*b_.Normal)[k] = l.Normal->Get(i);
    // The normal-regime scheme switches its lines as they normally stand.
    const char32_t state = o_.SNR && HasNormal ? DistrictLetter(l.Normal->Get(i)) : commut;
    (*b_.Commut)[k] = LetterByte(state);
    SetSwitches(k, state, true);
    b_.MarkCom1->SetItem(k, l.MarkCom1->GetView(i));
    b_.MarkCom2->SetItem(k, l.MarkCom2->GetView(i));
    b_.Balans->SetItem(k, l.Balans->GetView(i));
    b_.DSName->SetItem(k, l.DSNum->GetView(i));

    const std::string mark = UpperCase(TrimName(l.KodLine->GetView(i)));
    if (IsEquipmentLineRow(l, i)) {
      if (l.TypEqu->GetView(i).empty()) l.TypEqu->SetItem(i, sign == U'Р' ? "RT||" : "T2||");
      FillEquipmentBranch(nl, l.TypEqu->GetItem(i), kLabel, i, mark);
    } else {
      if (!mark.empty() && mark != "ШСВ") {
        (*b_.Nl)[k] = nl;
        SetLineBranch(k, mark, u1, kLabel, i);
      }
      if (const float idop = l.Idop->Get(i); idop != 0) (*b_.Idop)[k] = idop;
    }
    b_.ExtFile->SetNew(k, ".RSL");
    (*b_.Idx)[k] = i;
  }
}

}  // namespace ld::forming
