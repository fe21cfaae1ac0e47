#include "core/catalogs/trans_formulas.h"

#include <cmath>
#include <string_view>

#include "core/base/codepage.h"
#include "core/catalogs/catalog_units.h"

namespace ld {

namespace {

using Real = long double;

const Real kSqrt3 = std::sqrt(3.0L);

constexpr char32_t kCyrO = U'О';   // single-phase units carry it in their mark
constexpr char32_t kCyrEs = U'С';  // twin reactors

// True when one of the first `limit` characters of the upper-cased mark is `letter`.
bool MarkHasLetter(std::string_view mark, char32_t letter, std::size_t limit) {
  std::size_t pos = 0;
  for (std::size_t n = 0; n < limit && pos < mark.size(); ++n) {
    if (UpperChar(NextUtf8Char(mark, pos)) == letter) return true;
  }
  return false;
}

// Reactance from the short-circuit impedance and the resistance; a short-circuit voltage too small
// for the resistance gives no reactance rather than a NaN.
Real Reactance(Real z, Real r) { return z > r ? std::sqrt(z * z - r * r) : 0.0L; }

float F(Real v) { return static_cast<float>(v); }

// The no-load losses (kW) and current (%) as the shunt conductance and susceptance (µS) at voltage u.
template <class Rec>
void SetShunt(Rec& rec, Real u2) {
  rec.G = F(1000 * static_cast<Real>(rec.Ph) / u2);
  rec.B = F(10 * static_cast<Real>(rec.Ih) * rec.Sv / u2);
}

}  // namespace

bool CheckT2Params(TRecT2& rec) {
  if (rec.Sv == 0 || rec.Uv == 0 || rec.Un == 0) {
    CatalogErrorT2 = "Не заданы параметры трансформатора - Sном, Uвн, Uнн";
    return false;
  }
  const Real sv = rec.Sv;
  Real u = rec.Uv;
  if (MarkHasLetter(rec.Mark, kCyrO, 2)) u /= kSqrt3;
  const Real u2 = u * u;
  const Real r = u2 * 1000 * rec.Pk / (sv * sv);
  const Real z = u2 * 10 * rec.Uk / sv;
  rec.R = F(r);
  rec.X = F(Reactance(z, r));
  SetShunt(rec, u2);
  rec.Kt = F(static_cast<Real>(rec.Uv) / rec.Un);
  rec.KtIm = 0;
  return true;
}

bool CheckT3Params(TRecT3& rec) {
  if (rec.Sv == 0 || rec.Uv == 0 || rec.Us == 0 || rec.Un == 0) {
    CatalogErrorT3 = "Не заданы параметры трансформатора - Sном, Uвн, Uсн, Uнн";
    return false;
  }
  const Real sv = rec.Sv;
  Real u = rec.Uv;
  if (MarkHasLetter(rec.Mark, kCyrO, std::string_view::npos)) u /= kSqrt3;
  const Real u2 = u * u;

  if (rec.Ss == 0) rec.Ss = 100;
  if (rec.Sn == 0) rec.Sn = 100;
  const Real ks = rec.Ss / 100.0L;
  const Real kn = rec.Sn / 100.0L;
  const Real kmin = ks < kn ? ks : kn;

  Real rv = 0, rs = 0, rn = 0;
  if (rec.Pv_s == 0 || rec.Pv_n == 0 || rec.Ps_n == 0) {
    // Only one pair measured: the high winding takes half of it, the others scale with their power.
    const Real p = rec.Pv_s != 0 ? rec.Pv_s : rec.Pv_n;
    rv = u2 * 1000 * p / (2 * sv * sv);
    rs = rv / ks;
    rn = rv / kn;
  } else {
    // Pair losses are measured at the smaller winding's power: bring them to the rated power first.
    const Real a = rec.Pv_s / (ks * ks);
    const Real b = rec.Pv_n / (kn * kn);
    const Real c = rec.Ps_n / (kmin * kmin);
    const Real k = u2 * 1000 / (sv * sv);
    rv = k * (a + b - c) / 2;
    rs = k * (a + c - b) / 2;
    rn = k * (b + c - a) / 2;
    if (rv < 0) rv = 0;
    if (rs < 0) rs = 0;
    if (rn < 0) rn = 0;
  }

  const Real ukv = (static_cast<Real>(rec.Uv_s) + rec.Uv_n - rec.Us_n) / 2;
  const Real uks = (static_cast<Real>(rec.Uv_s) + rec.Us_n - rec.Uv_n) / 2;
  const Real ukn = (static_cast<Real>(rec.Uv_n) + rec.Us_n - rec.Uv_s) / 2;
  const Real zk = u2 * 10 / sv;

  rec.Rv = F(rv);
  rec.Xv = F(Reactance(zk * ukv, rv));
  rec.Rs = F(rs);
  rec.Xs = F(Reactance(zk * uks, rs));
  rec.Rn = F(rn);
  rec.Xn = F(Reactance(zk * ukn, rn));
  SetShunt(rec, u2);
  rec.Kv = 1;
  rec.KvIm = 0;
  rec.Ks = F(static_cast<Real>(rec.Uv) / rec.Us);
  rec.KsIm = 0;
  rec.Kn = F(static_cast<Real>(rec.Uv) / rec.Un);
  rec.KnIm = 0;
  return true;
}

bool CheckTRParams(TRecTR& rec) {
  if (rec.Sv == 0 || rec.Uv == 0 || rec.Un1 == 0 || rec.Un2 == 0) {
    CatalogErrorTR = "Не заданы параметры трансформатора - Sном, Uвн, Uнн1, Uнн2";
    return false;
  }
  const Real sv = rec.Sv;
  const Real u = rec.Uv;
  const Real u2 = u * u;
  const Real rn = u2 * 1000 * rec.Pk / (sv * sv);
  const Real rv = rn / 2;
  const Real z = static_cast<float>(u2 * 10 * rec.Uk / sv);
  // The split winding's short-circuit impedance divides as 1/8 to the high side and 7/4 to each half.
  rec.Rv = F(rv);
  rec.Xv = F(Reactance(0.125L * z, rv));
  rec.Rn1 = rec.Rn2 = F(rn);
  rec.Xn1 = rec.Xn2 = F(Reactance(1.75L * z, rn));
  SetShunt(rec, u2);
  rec.Kv = 1;
  rec.KvIm = 0;
  rec.Kn1 = F(u / rec.Un1);
  rec.Kn1Im = 0;
  rec.Kn2 = F(u / rec.Un2);
  rec.Kn2Im = 0;
  return true;
}

bool CheckRTParams(TRecRT& rec) {
  if (rec.Inom == 0) {
    CatalogErrorRT = "Не задан Iном токоогр. реактора";
    return false;
  }
  const Real inom = rec.Inom;
  Real r = rec.dP * 1000.0L / (inom * inom);
  if (MarkHasLetter(rec.Mark, kCyrEs, std::string_view::npos)) r /= 2;
  rec.R = F(r);
  if (rec.Xr < 0) rec.Xr = F(-static_cast<Real>(rec.Xr) * rec.Unom * 1000 / (kSqrt3 * inom * 100));
  return true;
}

}  // namespace ld
