#pragma once
// Column maps: tables of a district base.
// Each map borrows the column arrays of one table (see colmaps.h).
#include <cstdint>

#include "core/base/dynarray.h"
#include "core/tables/colmaps_int16.h"
#include "core/tables/layout.h"

namespace ld {

// "Формат РЭС 10(6) кВ"
struct TDistrict10Cols {
  std::int32_t RowCount = 0;
  DAChar *Sign{};
  DAString *Name1{}, *Name2{};
  DAChar *Commut{}, *ComBeg{}, *ComEnd{};
  DAString *KodLine{};
  TDynamicArray *Transform{};
  DAbyte *TypPQ{};
  DAsingle *P{}, *Q{};
  DAString *Text{};
};
void FillDistrict10Cols(const TDataFile& table, TDistrict10Cols& cols);

// "Формат РЭС (линии)"
struct TLine10Cols {
  std::int32_t RowCount = 0;
  DALongint *Nr{};
  DAChar *Sign{}, *Commut{}, *Normal{}, *A{};
  DAbyte *Nl{};
  DAsingle *Idop{}, *Kflow{};
  DAString *Name1{}, *Name2{}, *TypEqu{}, *KodLine{}, *Un{}, *MarkCom1{}, *MarkCom2{}, *Balans{}, *DSNum{};
  DAString *Text{};
  DALongint *Idx{};
};
void FillLine10Cols(const TDataFile& table, TLine10Cols& cols);

// "Формат РЭС (0.4 кВ)"
struct TLine04Cols {
  std::int32_t RowCount = 0;
  DAString *NameTP{}, *Ntr{}, *Fider{}, *KodLine{}, *Balans{}, *Prim{};
  DAChar *Commut{}, *A{}, *PM{};
  DAbyte *Tz{};
  TInt16Column T{};
  DAsingle *P{};
  DAdouble *Pn{}, *Qn{}, *Pg{}, *Qg{}, *WPpr{}, *WQpr{}, *WPbt{}, *WQbt{}, *dWPa{}, *dWQa{};
  DALongint *Ng_n{}, *Nq_n{}, *Ng_g{}, *Nq_g{};
  DAsingle *Kv{};
  DALongint *Idx{};
};
void FillLine04Cols(const TDataFile& table, TLine04Cols& cols);

// "Формат РЭС (ТП,РП)"
struct TTransTPCols {
  std::int32_t RowCount = 0;
  TInt16Column Notv{};
  DALongint *Nr{}, *Ng_n{}, *Nq_n{}, *Ng_g{}, *Nq_g{};
  DAString *Name1{}, *Name2{}, *NameC{}, *Ntr{}, *TypEqu{}, *Transform{}, *MarkCom1{}, *MarkCom2{}, *Balans{};
  TDynamicArray *Address{};
  DAChar *Commut{}, *CommutC{}, *A{}, *PM{};
  DAbyte *U{};
  TInt16Column T{};
  DAdouble *Pn{}, *Qn{}, *Pg{}, *Qg{}, *WPpr{}, *WQpr{}, *WPbt{}, *WQbt{}, *dWPa{}, *dWQa{};
  DALongint *Idx{};
  DAsingle *Kv{}, *Kflow{};
};
void FillTransTPCols(const TDataFile& table, TTransTPCols& cols);

// "Формат РЭС (вводы п/ст)"
struct TSubstInputCols {
  std::int32_t RowCount = 0;
  DAString *Subst{}, *NamePS{}, *LinkPS{};
  DAsingle *Uzam{};
  TInt16Column T{};
  DAChar *B{}, *ComPS{};
  DAdouble *P{}, *Q{}, *Pm{}, *Qm{}, *WPop{}, *WQop{}, *WPom{}, *WQom{}, *dWPa{}, *dWQa{};
  DALongint *Ng{}, *Nqp{}, *Npm{}, *Nqm{}, *Ngp{}, *Idx{};
};
void FillSubstInputCols(const TDataFile& table, TSubstInputCols& cols);

// "Формат РЭС (фидеры п/ст)"
struct TSubstFeederCols {
  std::int32_t RowCount = 0;
  DAString *Name1{}, *Name2{}, *Line{};
  DAbyte *Nl{};
  TInt16Column NK{}, T{};
  DAChar *B{};
  DAdouble *P{}, *Q{}, *Pm{}, *Qm{}, *WPop{}, *WQop{}, *WPom{}, *WQom{}, *dWPa{}, *dWQa{};
  DALongint *Ng{}, *Nqp{}, *Npm{}, *Nqm{}, *Ngp{};
};
void FillSubstFeederCols(const TDataFile& table, TSubstFeederCols& cols);

// "Формат РЭС (абоненты)"
struct TConsumerCols {
  std::int32_t RowCount = 0;
  DAString *NameTP{}, *Ndog{}, *NameAb{}, *Address{};
  DAbyte *Nkat{};
};
void FillConsumerCols(const TDataFile& table, TConsumerCols& cols);

// (subscriber table with energy columns (given by the caller))
struct TConsumerEnergyCols {
  std::int32_t RowCount = 0;
  DAString *NameTP{}, *Ndog{}, *NameAb{}, *Address{};
  DAbyte *Nkat{};
  DALongint *Kp{};
  DAdouble *WPs{}, *WQps{}, *WQgs{};
};
void FillConsumerEnergyCols(const TDataFile& table, TConsumerEnergyCols& cols);

// "База промышленных абонентов"
struct TMeterPointCols {
  std::int32_t RowCount = 0;
  DAString *NameTP{}, *Ntr{}, *Fider{}, *Ndog{}, *Abonent{};
  TDynamicArray *NamePoint{}, *Address{}, *WorkTime{};
  DAString *NumCounter{};
  TDynamicArray *MarkCounter{};
  DAString *Transform{}, *Line{}, *LinkTP{};
  TDynamicArray *Praz{};
  TInt16Column NumPoint{};
  DAChar *Sub{}, *Device{};
  DAbyte *FVL{}, *TypCounter{};
  DAdouble *Next{}, *Prev{}, *Ktok{}, *Kvolt{}, *Koef{}, *W{}, *Wt{}, *Wl{}, *Ws{}, *WP{}, *WQp{}, *WQg{};
  DAdouble *dWP{}, *dWQ{};
};
void FillMeterPointCols(const TDataFile& table, TMeterPointCols& cols);

// "База бытовых абонентов"
struct THouseholdCols {
  std::int32_t RowCount = 0;
  DAString *NameTP{}, *Fider{}, *LinkTP{};
  DALongint *CountAb{}, *PayAb{};
  DAdouble *W{}, *Ws{};
};
void FillHouseholdCols(const TDataFile& table, THouseholdCols& cols);

}  // namespace ld
