#pragma once
// The CDU card format ("Формат ЦДУ"): the text exchange format of calculation schemes between dispatch
// offices and neighbouring programs. One card per line, fixed columns counted from 1, the card code in
// columns 1-4:
//   0102  a balancing node (number in 25-32)
//   0201  a node; 0299 and 5008 a node whose fixed voltage (57-64) is not taken as one
//   0202  the load of a node read before (only when load cards are asked for)
//   0301  a branch switched on, or with 0 in 17-24 a shunt of a node; 0399 and 0309 a branch switched off
//   0290  the name of a node
// Files are Windows-1251; a line reading "DOSCODE" (any letter case) puts the names of the whole file in
// the DOS code page 866. Files written here are Windows-1251 with CR LF and never carry that line. Files
// saved by other programs may be in either, or in UTF-8 after its byte-order mark: the names' bytes decide
// where they can, the DOSCODE line or the user where they cannot (TextCodePage).
#include <functional>
#include <string>

#include "core/tables/file_import.h"
#include "core/tables/layout.h"

namespace ld {

// The percentage of a card file read so far.
using TPercentProc = std::function<void(int percent)>;

// Reads the card file into the empty node ("Узлы схемы") and branch ("Ветви схемы") tables, rows 1 to
// nodeCount and 1 to branchCount; the row counts of the tables stay for the caller to set. The counters:
// node cards, branch cards, balancing-node cards, nodes made fixed-voltage, distinct shunt nodes.
// A missing file gives all counters 0. A column missing from either layout raises the table store's
// error before the file is read; a field that is not a number raises ConvertError naming the file and
// the line, and a name with a character that the tables cannot hold (a DOS name's box-drawing signs)
// raises ld::Error naming them, as does a name longer than the node table's name field. A card cut inside
// a field it reads and a card naming a node that no node card gives raise ConvertError naming the file and
// the line, and a last line without its line end (whatever it holds, the file not ended by Ctrl+Z) raises
// ld::Error: a file cut short is never taken as a whole scheme.
void ImportCardScheme(const std::string& fileName, bool useLoadCards, TDataFile& nodeTable, TDataFile& branchTable,
                      const TPercentProc& progress, int& nodeCount, int& branchCount, int& balancingCount,
                      int& fixedVoltageCount, int& shuntCount);

// The card file read whole into the empty node and branch tables as a command that makes a scheme of it
// reads it (ImportCardScheme without load cards), their row counts set: what it took for the one import
// path. The node cards are the items; a file without one (a protocol, a document, another program's
// file) takes nothing, with the reason "в файле нет карт узлов (0201, 0299, 5008)". A file that is not
// there is refused by name, as one that cannot be read. The nodes and branches taken are counted for the
// import's closing message.
TImportTaken ReadCardScheme(const std::string& fileName, TDataFile& nodeTable, TDataFile& branchTable);

// Writes the node and branch files of the scheme (schemeStem plus the extensions of their layouts) as
// the card file fileName. Both tables are read and every card formed before anything is written; the
// new file then replaces an existing one in one step. A value that no card field can hold (a node
// number beyond 8 characters, a chain number or a load characteristic beyond 2, a shunt or branch
// value beyond 8 characters even without decimals, a node card's value whose integer part with its
// sign needs more than 8) stops the export with a message naming the table, the row and the value
// (and the node of a node card), and the file on disk stays as it was. A fileName that is one of the
// scheme's own table files is refused before anything is read. Line breaks in a name become spaces.
void ExportCardScheme(const std::string& schemeStem, const std::string& fileName);

}  // namespace ld
