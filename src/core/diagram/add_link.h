#pragma once
// A new branch from a node of the scheme: a line or a two-winding transformer to one new node, or a
// three-winding or split-winding transformer as a star of three branches through a new middle node to
// two winding nodes. Names of the new nodes are proposed from the start node's substation, the
// dispatcher number and the windings' nominal voltages.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/catalogs/catalog_records.h"
#include "core/tables/colmaps_scheme.h"

namespace ld {

// The part of a node name before its first ".", or the whole name.
std::string LinkPrefix(std::string_view startName);
// The digits of a dispatcher number read as one integer; 1 when there are none.
std::int64_t DispatcherDigits(std::string_view dsName);

// The text a node name carries for a winding voltage: the nearest nominal voltage, "04" for 0.4 and
// 0.38 kV, "27" for 27.5 and 27 kV, else its general format. nominal: the voltage the node stores.
std::string VoltageText(double u, double& nominal);

// What the dialog keeps of the branch being added. New node 0 is the end (the middle node of a star),
// 1 and 2 the windings of a star.
struct TNewLink {
  std::int32_t Number[3] = {0, 0, 0};
  std::string Name[3];
  float U[3] = {0, 0, 0};  // kV
  std::int16_t Notv = 0, Ntpr = 0;
  float R = 0, X = 0, G = 0, B = 0, Kta = 0, Ktr = 0, Ktn = 0, Idop = 0, Sdop = 0;
  std::string Mark, TypEqu, Regulation;
  std::string Kind;  // of TypEqu: "LN", "T2", "TR", "T3", ...
  TRecT3 T3;         // the star's winding data
  TRecTR TR;
  int Count = 1;  // new nodes: 1, or 3 for a star
  bool Star() const { return Count == 3; }
};

// The kind and passport name of a type text "kind|name|...".
std::pair<std::string, std::string> SplitTypEqu(std::string_view typEqu);

// Takes the type text, mark and regulation that the catalogue calculator gave (already in link) and
// proposes the new nodes: kind, count, names and voltages. Transformers are looked up in the scheme's
// passport list by passport name, or in the catalogue of folder by mark; a failed look-up leaves its
// text in error (the names are proposed all the same from what the record holds).
void ProposeLink(TNewLink& link, std::string_view prefix, std::string_view dsName, const std::string& schemeBase,
                 const std::string& folder, std::string& error);

// count smallest positive numbers that no node row uses, each one counting as used for the next.
std::vector<std::int32_t> FreeNodeNumbers(const TNodeCols& nodes, int count);

// The refusal of a new node's number and name because a node row, or another of the new nodes given
// in others, has it; empty when the node may be added.
std::string CheckNewNode(const TNodeCols& nodes, std::int32_t number, std::string_view name,
                         const std::vector<std::pair<std::int32_t, std::string>>& others = {});

// Every check of the confirmation in order; the first refusal or empty.
std::string CheckNewLink(const TNodeCols& nodes, const TNewLink& link);

// The pieces of a regulation text that begin at the winding's key ("СН", "НН") and run to the next
// ";", joined by ";".
std::string WindingRegulation(std::string_view rpn, std::string_view key);

// Appends the new node rows and the branch rows from the start node; the tables' row counts grow.
void AppendNewLink(TDataFile& nodeTable, TDataFile& branchTable, const TNewLink& link, std::int32_t startNumber,
                   std::string_view startName, std::string_view dsName);

}  // namespace ld
