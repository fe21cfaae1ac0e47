#pragma once
// One row of each equipment catalogue as a look-up delivers it, together with the values that the
// completion formulas add. Every look-up clears the whole record first (a value-initialised record).
#include <string>

namespace ld {

// Line: the row of the line catalogue matched for one nominal voltage.
struct TRecLN {
  float Unom = 0;     // the nominal voltage asked for, kV
  std::string Mark;   // the mark as matched (normalised when normalisation found it)
  char32_t Typ = 0;   // line type letter, upper case; 0 when the row has none
  float F = 0;        // cross-section
  float R0 = 0, X0 = 0, G0 = 0, B0 = 0;  // per km
  float Id = 0;       // permitted current, A
  float Sd = 0;       // permitted power
};

// Two-winding transformer.
struct TRecT2 {
  std::string Mark;
  float Sv = 0, Uv = 0, Un = 0;          // kVA, kV, kV
  float Pk = 0, Uk = 0, Ph = 0, Ih = 0;  // kW, %, kW, %
  float R = 0, X = 0, G = 0, B = 0;      // Ω, Ω, µS, µS on the high-voltage side
  float Kt = 0, KtIm = 0;                // ratio
  std::string RPN{};                       // tap-changer description
};

// Three-winding transformer; Ss and Sn are the medium and low winding powers in % of Sv.
struct TRecT3 {
  std::string Mark;
  float Sv = 0, Ss = 0, Sn = 0;
  float Uv = 0, Us = 0, Un = 0;
  float Pv_s = 0, Pv_n = 0, Ps_n = 0;
  float Uv_s = 0, Uv_n = 0, Us_n = 0;
  float Ph = 0, Ih = 0;
  float Rv = 0, Xv = 0, Rs = 0, Xs = 0, Rn = 0, Xn = 0;
  float G = 0, B = 0;
  float Kv = 0, KvIm = 0, Ks = 0, KsIm = 0, Kn = 0, KnIm = 0;
  std::string RPN{};
};

// Transformer with a split low-voltage winding (two equal halves).
struct TRecTR {
  std::string Mark;
  float Sv = 0, Uv = 0, Un1 = 0, Un2 = 0;
  float Pk = 0, Uk = 0, Ph = 0, Ih = 0;
  float Rv = 0, Xv = 0, Rn1 = 0, Xn1 = 0, Rn2 = 0, Xn2 = 0;
  float G = 0, B = 0;
  float Kv = 0, KvIm = 0, Kn1 = 0, Kn1Im = 0, Kn2 = 0, Kn2Im = 0;
  std::string RPN{};
};

// Current-limiting reactor; a negative Xr is a reactance in percent until CheckRTParams converts it.
struct TRecRT {
  std::string Mark;
  float Unom = 0, Inom = 0, Snom = 0, dP = 0, Xr = 0;
  float R = 0;
};

// Switching device.
struct TRecKA {
  std::string Mark;
  std::string Name{};
  float Unom = 0, Inom = 0;
  float Sotk = 0, Iotk = 0, Totk = 0;
  float Ids = 0, Its = 0, Tts = 0;
  char32_t Typ = 0;
};

}  // namespace ld
