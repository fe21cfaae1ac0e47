#pragma once
// Every kind of file the program writes under a stem, in one list: what it is in words and the family
// it belongs to. Every command that makes, replaces, copies or removes a family takes its kinds from here,
// and its question names each file by these words.
#include <initializer_list>

#include "core/tables/table_file.h"

namespace ld {

// The whole list, in the order a copy writes its files: the district base (its tables, areas, consumers
// and load graphs), then the scheme formed from it (nodes, branches and flows, its tap table and
// transformer lists, its switching journal and switching moment, the record of the base it was formed
// from, the results and protocols of its calculations and the tables of its optimisations), the
// short-circuit data and the load variants. A kind whose layout the layout file lacks is left out: no
// file of it is known to the program.
TFileKinds StemFileKinds();

// The kinds of the scheme that forming writes anew from the base, in the list's order: the network's
// tables (nodes, branches, line flows) and the record of the base it was formed from. A file of them that
// forming does not write goes with the scheme it replaces; every other file of the scheme stays (the
// journal and switching moment, which forming reads with the base, and what was entered or calculated).
TFileKinds FormedSchemeKinds();

// The kinds of the families given, in the list's order: those of `replaced` replaced (a copy removes a
// target's file of them that its source lacks), those of `written` not (a copy writes over the files of
// them it has, and removes the others only where it writes a file of their family).
TFileKinds FamilyFileKinds(std::initializer_list<TFileFamily> replaced, std::initializer_list<TFileFamily> written = {});

}  // namespace ld
