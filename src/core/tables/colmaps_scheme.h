#pragma once
// Column maps: tables of a calculation scheme, the short-circuit radius, the switching journal and the users.
// Each map borrows the column arrays of one table (see colmaps.h).
#include <cstdint>

#include "core/base/dynarray.h"
#include "core/tables/colmaps_int16.h"
#include "core/tables/layout.h"

namespace ld {

// "Узлы схемы"
struct TNodeCols {
  std::int32_t RowCount = 0;
  DALongint *Nr{}, *NS{};
  TDynamicArray *NumES{}, *Idx{};
  DALongint *Color{};
  TInt16Column Nsh{};
  DAChar *Sign{}, *A{};
  DAbyte *Peak{};
  DAString *Name{};
  TDynamicArray *NameES{};
  DAString *Balans{}, *Prim{}, *Snom{};
  DAsingle *Ina{}, *Inr{}, *Iga{}, *Igr{}, *Gs{}, *Bs{}, *Um{}, *EERM{}, *EEAM{}, *Iemk{}, *Qmin{}, *Qmax{};
  DAsingle *Ush{}, *Kvi{}, *Kvu{}, *Trab{};
  DAdouble *Pn{}, *Qn{}, *Pg{}, *Qg{}, *Urez{}, *Angle{}, *Pbal{}, *Qbal{}, *WPn{}, *WQn{}, *WPg{}, *WQg{};
  DAdouble *WPpr{}, *WQpr{}, *WPbt{}, *WQbt{}, *dWPa{}, *dWQa{};
  DALongint *Ng_n{}, *Ng_g{}, *Nq_n{}, *Nq_g{}, *Ng_u{};
};
void FillNodeCols(const TDataFile& table, TNodeCols& cols);

// "Ветви схемы"
struct TBranchCols {
  std::int32_t RowCount = 0;
  DALongint *Nr{}, *N1{}, *N2{}, *Idx{};
  TDynamicArray *Color{};
  DAbyte *Nl{}, *Tz{};
  TInt16Column Notv{}, Ntpr{}, Ng_kta{}, Ng_ktr{}, RT{};
  DAChar *Commut{}, *Normal{}, *A{};
  DAString *Name1{}, *Name2{}, *DSName{}, *TypEqu{}, *Mark{}, *MarkCom1{}, *MarkCom2{}, *Balans{};
  DAString *Regulation{};
  DAsingle *Ul{}, *R{}, *X{}, *G{}, *B{}, *Kta{}, *Ktr{}, *Ktn{}, *Kflow{}, *Idop{}, *Sdop{}, *Irez{}, *Faza{};
  DAsingle *U1{}, *F1{}, *U2{}, *F2{}, *Ia{}, *Ir{}, *Iemk1{}, *Iemk2{};
  DAChar *Com1{}, *Com2{};
  DAString *Text{}, *ExtFile{};
};
void FillBranchCols(const TDataFile& table, TBranchCols& cols);

// "Стат.хар.нагрузки"
struct TLoadCharCols {
  std::int32_t RowCount = 0;
  TInt16Column Nsh{};
  TDynamicArray *Name{};
  DAsingle *A0{}, *A1{}, *A2{}, *B0{}, *B1{}, *B2{};
};
void FillLoadCharCols(const TDataFile& table, TLoadCharCols& cols);

// "Перетоки в линиях"
struct TLineFlowCols {
  std::int32_t RowCount = 0;
  DALongint *N1{}, *N2{};
  DAbyte *Nl{};
  DAString *Name1{}, *Name2{}, *Line{};
  TInt16Column Typ{}, NK{}, B{};
  DAChar *PM{};
  DALongint *Ngr{}, *Ngl{}, *Nqr{}, *Nql{}, *Ngp{};
  DAdouble *Pr{}, *Qr{}, *Pl{}, *Ql{}, *WPop{}, *WQop{}, *WPom{}, *WQom{}, *dWPa{}, *dWQa{}, *Prn{}, *Qrn{};
  DAdouble *Pln{}, *Qln{}, *Prb{}, *Qrb{}, *Plb{}, *Qlb{};
  DAsingle *Kv{};
};
void FillLineFlowCols(const TDataFile& table, TLineFlowCols& cols);

// "Районы схемы"
struct TSchemeAreaCols {
  std::int32_t RowCount = 0;
  DALongint *Nr{};
  DAString *Name{};
  DALongint *Color{};
};
void FillSchemeAreaCols(const TDataFile& table, TSchemeAreaCols& cols);

// "Данные т.к.з."
struct TTkzSourceCols {
  std::int32_t RowCount = 0;
  DAString *Name{};
  TDynamicArray *Text{};
  DAChar *Sign{};
  DAsingle *R{}, *X{}, *U{};
};
void FillTkzSourceCols(const TDataFile& table, TTkzSourceCols& cols);

// "Радиус т.к.з."
struct TTkzBranchCols {
  std::int32_t RowCount = 0;
  DAChar *Sign{};
  DALongint *N1{}, *N2{};
  DAString *Name1{}, *Name2{}, *Mark{}, *TypEqu{}, *DSName{}, *MarkCom1{}, *MarkCom2{}, *Regulation{};
  TInt16Column Notv{}, Ntpr{};
  DAsingle *R{}, *X{}, *U1{}, *U2{}, *F1{}, *F2{}, *Kta{}, *Ktr{}, *Ktn{}, *Ikz0{}, *Fkz0{}, *Ikz{}, *Fkz{};
  DAsingle *Io1{}, *It1{}, *Io2{}, *It2{}, *Idop{}, *Sdop{};
};
void FillTkzBranchCols(const TDataFile& table, TTkzBranchCols& cols);

// "Переключения"
struct TSwitchLogCols {
  std::int32_t RowCount = 0;
  DALongint *Date{}, *Hour{}, *Mins{};
  DAbyte *BA{};
  DAString *DateS{}, *Disp{}, *Prim{}, *User{}, *Time{};
  DALongint *N1{}, *N2{};
  DAbyte *Nl{};
  DAString *Name1{}, *Name2{}, *Fider1{}, *Fider2{}, *DSName{}, *TypEqu{}, *Mark{}, *Regulation{};
  TInt16Column Notv{}, Ntpr{};
  DAChar *Commut{};
  DAsingle *Ul{}, *R{}, *X{}, *G{}, *B{}, *Kta{}, *Ktr{}, *Ktn{}, *Idop{}, *Sdop{};
};
void FillSwitchLogCols(const TDataFile& table, TSwitchLogCols& cols);

// "Емкостные токи"
struct TCapCurrentCols {
  std::int32_t RowCount = 0;
  DALongint *N1{}, *N2{}, *Idx{};
  DAString *Name1{}, *Name2{};
  DAsingle *Iemk1{}, *Iemk2{};
};
void FillCapCurrentCols(const TDataFile& table, TCapCurrentCols& cols);

// "Пользователи"
struct TUserCols {
  std::int32_t RowCount = 0;
  DAString *UserName{}, *Password{}, *UserData{};
  DAbyte *Access{};
};
void FillUserCols(const TDataFile& table, TUserCols& cols);

}  // namespace ld
