#pragma once
// The economic equivalents of the nodes: EERM, minus the change of the network's total losses per unit
// of reactive load at the node, and EEAM, plus the change per unit of active load; their test by a real
// change of load at one node; and their statement, a text document filled from a template.
#include <cstdint>
#include <functional>
#include <string>

#include "core/engine/regime.h"

namespace ld {

class TDataFile;
struct TNodeCols;

// Central differences of the total losses around the calculated regime for every node of the model's
// tree, into the EERM and EEAM columns of the node rows (rows the model does not reach keep theirs).
// Each divisor is the load change the iteration really applied. The kept sensitivities of the
// fixed-voltage nodes are reused from the base calculation on. progress gets positions 10, 20 ... 100.
void CalcNodeEquivalents(TRegime& r, TNodeCols& nodes, double dQ, bool absValues,
                         const std::function<void(int)>& progress = {});

// The test of one node: the nine computed columns (field names ending in "*") appended to the branch
// table and filled before and after a change d at the node (reactive load taken off, or with active
// set active load added), branch colours (0xFF0000 losses up, 0x0000FF down, beyond 1e-4) and the label of
// each branch in the equipment text `Text`; the load is restored and the regime iterated once more.
// False when no element carries the node: the columns then hold the regime before any change.
bool RunEquivalentTest(TRegime& r, const TNodeCols& nodes, TDataFile& branches, std::int32_t node, double d,
                       bool active);

// The label of a branch: the share of the load change passing it, in per cent, and its change of
// losses in units of 0.0001.
std::string EquivalentTestLabel(double flowChange, double lossChange, double d);

// The statement template of the program folder ("ЭЭРМ.docx", whatever the letter case).
std::string EERMStatementTemplate();
// The statement of a scheme: "ЭЭРМ NAME.docx" beside it.
std::string EERMStatementFile(const std::string& schemePath);
// Fills the first table of the template from its row 2 with number, name, nominal voltage and EERM of
// every node row (a row added per node after the first) and saves it as outFile, replacing an old one
// only once the new one is whole. Throws ld::Error "Шаблон документа <path> не найден" for a missing
// template, before anything else.
void WriteEERMStatement(const std::string& templateFile, const TNodeCols& nodes, const std::string& outFile,
                        const std::function<void(int)>& progress = {});

}  // namespace ld
