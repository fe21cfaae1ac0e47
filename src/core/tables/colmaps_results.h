#pragma once
// Column maps: result tables of the regime, the energy losses and the energy balances.
// Each map borrows the column arrays of one table (see colmaps.h).
#include <cstdint>

#include "core/base/dynarray.h"
#include "core/tables/colmaps_int16.h"
#include "core/tables/layout.h"

namespace ld {

// "Напряжения узлов"
struct TSectionCols {
  std::int32_t RowCount = 0;
  DALongint *NS{};
  DAString *Name{};
  DAsingle *Urez{}, *Um{}, *dU{};
};
void FillSectionCols(const TDataFile& table, TSectionCols& cols);

// "Загрузка трансформаторов"
struct TTransLoadCols {
  std::int32_t RowCount = 0;
  DALongint *N1{}, *N2{};
  DAString *DSName{}, *Name1{}, *Name2{}, *Mark{}, *Balans{};
  DAsingle *Srez{}, *Sdop{}, *Sp{}, *Pn{}, *Qn{}, *Jn{}, *Pk{}, *Qk{}, *Jk{};
  DAChar *A{};
};
void FillTransLoadCols(const TDataFile& table, TTransLoadCols& cols);

// "Загрузка линий"
struct TLineLoadCols {
  std::int32_t RowCount = 0;
  DALongint *N1{}, *N2{};
  DAString *DSName{}, *Name1{}, *Name2{}, *Mark{}, *Balans{};
  DAsingle *Ul{}, *Irez{}, *Idop{}, *Ip{}, *Pn{}, *Qn{}, *Pk{}, *Qk{};
  DAChar *A{};
};
void FillLineLoadCols(const TDataFile& table, TLineLoadCols& cols);

// "Потери в трансформаторах"
struct TTransLossCols {
  std::int32_t RowCount = 0;
  DALongint *N1{}, *N2{};
  DAString *DSName{}, *Name1{}, *Name2{}, *Mark{}, *Balans{};
  DAsingle *dPy{}, *dQy{}, *dPz{}, *dQz{}, *dPt{}, *dQt{};
  DAChar *A{};
};
void FillTransLossCols(const TDataFile& table, TTransLossCols& cols);

// "Потери в линиях"
struct TLineLossCols {
  std::int32_t RowCount = 0;
  DALongint *N1{}, *N2{};
  DAString *DSName{}, *Name1{}, *Name2{}, *Mark{}, *Balans{};
  DAsingle *Ul{}, *Plin{}, *Qlin{}, *Pkor{}, *Qzar{}, *dP{}, *dQ{};
  DAChar *A{};
};
void FillLineLossCols(const TDataFile& table, TLineLossCols& cols);

// "Электропотребление в узлах"
struct TNodeEnergyCols {
  std::int32_t RowCount = 0;
  TDynamicArray *NS{};
  DALongint *Nr{};
  DAString *Name{};
  DAChar *Sign{};
  TDynamicArray *Unom{}, *Umin{}, *Umax{}, *WPn{}, *WQn{}, *WPg{}, *WQg{}, *WPs{}, *WQs{};
};
void FillNodeEnergyCols(const TDataFile& table, TNodeEnergyCols& cols);

// "Перетоки электроэнергии"
struct TBranchEnergyCols {
  std::int32_t RowCount = 0;
  DALongint *Nr{}, *N1{}, *N2{};
  DAbyte *Nl{};
  DAChar *A{}, *T{};
  DAString *Name1{}, *Name2{}, *DSName{}, *TypEqu{}, *Mark{}, *Balans{};
  DAsingle *Ul{}, *Idop{}, *Imin{}, *Imax{}, *Sdop{}, *Smin{}, *Smax{}, *R{}, *X{}, *G{}, *B{};
  DAdouble *WPnr{}, *WQnr{}, *WPnl{}, *WQnl{}, *WPkr{}, *WQkr{}, *WPkl{}, *WQkl{}, *dWPz{}, *dWQz{}, *dWPy{};
  DAdouble *dWQy{};
  TDynamicArray *dWPp{}, *dWPq{};
  DAdouble *WPp{}, *WQp{}, *WPm{}, *WQm{}, *WPn{}, *WQn{}, *WPsn{}, *WQsn{}, *WPg{}, *WQg{}, *WPpr{}, *WQpr{};
  DAdouble *WPbt{}, *WQbt{}, *dWPa{}, *dWQa{}, *dWP1{}, *dWQ1{}, *dWP2{}, *dWQ2{}, *dWP1a{}, *dWQ1a{}, *dWP2a{};
  DAdouble *dWQ2a{};
};
void FillBranchEnergyCols(const TDataFile& table, TBranchEnergyCols& cols);

// "Потребление эл.энергии"
struct TNodeVoltDevCols {
  std::int32_t RowCount = 0;
  DALongint *NS{};
  DAString *Name{};
  DAChar *Sign{};
  DAsingle *Unom{}, *Umin{}, *Umax{}, *dUmin{}, *dUmax{};
  DAdouble *WPn{}, *WQn{}, *WPg{}, *WQg{}, *WPs{}, *WQs{};
};
void FillNodeVoltDevCols(const TDataFile& table, TNodeVoltDevCols& cols);

// "Перетоки эл.энергии в тр-рах"
struct TTransEnergyCols {
  std::int32_t RowCount = 0;
  DALongint *N1{}, *N2{};
  DAString *DSName{}, *Name1{}, *Name2{}, *Mark{};
  DAsingle *Smin{}, *Smax{}, *Sdop{}, *Sp{};
  DAdouble *WPnr{}, *WQnr{}, *WPnl{}, *WQnl{}, *WPkr{}, *WQkr{}, *WPkl{}, *WQkl{};
};
void FillTransEnergyCols(const TDataFile& table, TTransEnergyCols& cols);

// "Перетоки эл.энергии в линиях"
struct TLineEnergyCols {
  std::int32_t RowCount = 0;
  DALongint *N1{}, *N2{};
  DAString *DSName{}, *Name1{}, *Name2{}, *Mark{};
  DAsingle *Ul{}, *Imin{}, *Imax{}, *Idop{}, *Ip{};
  DAdouble *WPnr{}, *WQnr{}, *WPnl{}, *WQnl{}, *WPkr{}, *WQkr{}, *WPkl{}, *WQkl{};
};
void FillLineEnergyCols(const TDataFile& table, TLineEnergyCols& cols);

// "Потери эл.энергии в тр-рах"
struct TTransELossCols {
  std::int32_t RowCount = 0;
  DALongint *N1{}, *N2{};
  DAString *DSName{}, *Name1{}, *Name2{}, *Mark{}, *Balans{};
  DAdouble *dWPy{}, *dWQy{}, *dWPz{}, *dWQz{}, *dWPt{}, *dWQt{};
  DAChar *A{};
};
void FillTransELossCols(const TDataFile& table, TTransELossCols& cols);

// "Потери эл.энергии в линиях"
struct TLineELossCols {
  std::int32_t RowCount = 0;
  DALongint *N1{}, *N2{};
  DAsingle *Ul{};
  DAdouble *dWPy{}, *dWQy{}, *dWPz{}, *dWQz{}, *dWPl{}, *dWQl{};
  DAString *DSName{}, *Name1{}, *Name2{}, *Mark{}, *Balans{};
  DAChar *A{};
};
void FillLineELossCols(const TDataFile& table, TLineELossCols& cols);

// (line balance table of the energy balances by metering points (given by the caller))
struct TLineBalanceCols {
  std::int32_t RowCount = 0;
  DALongint *N1{}, *N2{}, *IdxWLin{};
  DAChar *Commut{}, *A{}, *PM{};
  TInt16Column Nz{}, NK{};
  DAbyte *Nl{};
  DAString *Name1{}, *Name2{}, *Line{}, *DSName{}, *Mark{}, *Balans{};
  DAdouble *WPp{}, *WQp{}, *WPm{}, *WQm{}, *WPn{}, *WQn{}, *WPg{}, *WQg{}, *WPs{}, *WQs{}, *WPpr{}, *WQpr{};
  DAdouble *WPbt{}, *WQbt{}, *dWPa{}, *dWQa{}, *dWPs{}, *dWQs{}, *Dwp{}, *Dwq{}, *dWPh{}, *dWQh{}, *dWPn{};
  DAdouble *dWQn{}, *dWPt{}, *Twp{}, *dWQt{}, *Twq{}, *WPsn{}, *WQsn{}, *WPneb{}, *Pwp{}, *Rwp{}, *WQneb{};
  DAdouble *Pwq{}, *Rwq{}, *dWPm{}, *Mwp{}, *dWQm{}, *Mwq{}, *WPnr{}, *WQnr{}, *WPnl{}, *WQnl{}, *WPkr{};
  DAdouble *WQkr{}, *WPkl{}, *WQkl{};
  DAsingle *Fdop{}, *Fmin{}, *Fmax{}, *Fp{};
};
void FillLineBalanceCols(const TDataFile& table, TLineBalanceCols& cols);

}  // namespace ld
