#pragma once
// Loads and flows of a period from load graphs: a node's P and Q (or a branch's current) given as
// numbers or as graph numbers become a series on the graph's grid and one value chosen by a mode.
#include <cstdint>
#include <span>
#include <string>

#include "core/base/dates.h"
#include "core/base/dynarray.h"
#include "core/catalogs/graph_tables.h"

namespace ld {

// How one value is chosen from a series.
enum TLoadGraphMode : std::uint8_t {
  kLoadMean = 0,     // mean over the hours in which the element is on
  kLoadMinimum = 1,  // least magnitude while on
  kLoadMaximum = 2,  // greatest magnitude
  kLoadMoment = 3,   // the value at the calculated moment
};

// One graph read over a period: its catalogue row and its values on a dated grid. A typical day is
// repeated on every day of the period and daily values are spread by their typical day, both onto
// an hourly grid.
struct TGraphSeries {
  int Row = 0;     // catalogue row
  int Period = 0;  // seconds between the points
  DAdouble Values;
  DAdouble Dates;  // PackedDateTime of each point
};

// Reads graph Number for the period StartDate..EndDate (whole days). A missing graph gives
// "График " + KindText + "№ " + Number + " не найден", with ", основной график № " + Owner when the
// graph belongs to another one (Owner > 0); a bad period gives its own message. False with Msg then.
bool LookupGraph(const TGraphCatalogCols& Catalog, const TDataFile* Values, int Number, const std::string& KindText,
                 int Owner, TDateTime StartDate, TDateTime EndDate, TGraphSeries& Series, std::string& Msg);

// P and Q (MW, Mvar) of an element for the period StartDate..EndDate from its given pair and its
// graphs (numbers < 1: none). EnergyGiven: PGiven and QGiven are energies of the period in kWh and
// kvarh. Switching: the element's switching moments (PackedDateTime, the sign of each its state from
// then on, negative off), starting at the period start; empty when it is always on. In Mode 3 the
// series are given on TargetDates (TargetPeriod seconds apart) and P, Q are their values at Moment;
// a moment off that grid leaves them as they were. Success leaves Msg empty; on failure Msg holds the
// error and the results must not be used.
void BuildLoadGraphPQ(const TDataFile* Catalog, const TDataFile* Values, std::uint8_t Mode, TDateTime StartDate,
                      TDateTime EndDate, TDateTime Moment, int TargetPeriod, const DAdouble& TargetDates,
                      std::span<const double> Switching, bool EnergyGiven, double PGiven, double QGiven,
                      int PGraph, int QGraph, double& P, double& Q, DAdouble& PSeries, DAdouble& QSeries,
                      std::string& Msg);

// A branch current (in the units of its graph) and its tg(f) from a current graph IGraph (< 1: the
// given IGiven and TgGiven), chosen by Mode as above; there is no switching.
void BuildLoadGraphIT(const TDataFile* Catalog, const TDataFile* Values, std::uint8_t Mode, TDateTime StartDate,
                      TDateTime EndDate, TDateTime Moment, int TargetPeriod, const DAdouble& TargetDates,
                      double TgGiven, double IGiven, int IGraph, double& I, double& Tg, DAdouble& ISeries,
                      DAdouble& TgSeries, std::string& Msg);

}  // namespace ld
