#pragma once
// The calculation radius of the short-circuit calculation: the part of one or more schemes between the
// sources and the nodes named in a short-circuit data set, written as branch rows with node numbers
// of its own. Schemes meet at boundary nodes: a fixed node of one scheme that is found by its name in
// another scheme joins the two radii there.
//
// Reading and modelling a scheme (TTkzScheme::Read) stays apart from marking and writing its radius
// (TTkzScheme::WriteRadius), so that many data sets can be formed over one model.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/engine/regime.h"
#include "core/tables/layout.h"

namespace ld {

// Marks of radius forming in the element flags; bits 16-21, which the engine leaves alone.
enum : std::uint32_t {
  InRadiusMark = 0x10000,   // on a path of the radius
  SourceMark = 0x20000,     // node named by a "С" row
  FaultMark = 0x40000,      // node with a fault point attached
  EmfMark = 0x80000,        // node with an EMF source attached
  JunctionMark = 0x100000,  // where this scheme's radius meets a boundary node of a scheme read earlier
  LoopPathMark = 0x200000,  // a contour's loop while it is tested
  TkzMarks = 0x3F0000,
};

// Letters of the data set's and the radius' Sign column (upper-cased Windows-1251 letters).
inline constexpr char32_t TkzSignSource = U'С';
inline constexpr char32_t TkzSignFault = U'К';
inline constexpr char32_t TkzSignEmf = U'Е';
// The letter of a Sign cell (a Windows-1251 byte) upper-cased; 0 for an empty cell.
char32_t TkzSignOf(char cell);
// A name as names are compared: cut before its first ">", trimmed and upper-cased.
std::string TkzNameKey(const std::string& name);

// The names searched for in the schemes: first the data rows' names, then the boundary nodes that
// schemes add. Indices are 0-based; entry i < DataCount is data row i + 1.
struct TTkzNameList {
  std::vector<std::string> Names;    // upper-cased
  std::vector<char> Found;
  std::vector<std::string> Schemes;  // the scheme that found (or, for a boundary node, added) the entry
  int DataCount = 0;
  std::int32_t Counter = 0;          // the last node number given in the radius

  // Entries of the data rows' names, nothing found yet.
  void Start(const TDataFile& data);
  bool Missing() const;
};

// Stage caption and progress position (0..100) of radius forming.
using TTkzStageEvent = std::function<void(const std::string& caption, int position)>;

// One scheme read for radius forming, with the engine's model of it.
class TTkzScheme {
public:
  explicit TTkzScheme(TRegime& regime) : regime_(regime) {}

  // Reads the scheme's node and branch tables (the scheme's files are not written), makes the nodes
  // named by the data set's "С" rows balancing nodes, brings an old branch table up to date and builds
  // and analyses the model. Table-store failures throw ld::Error.
  void Read(const std::string& path, const TDataFile& data, const TTkzStageEvent& stage = {});

  // Marks the radius of the entries not yet found and inserts its rows at the top of the radius
  // table. The switching-device catalogue, when loaded, gives the devices' currents.
  void WriteRadius(const TDataFile& data, TTkzNameList& list, TDataFile& radius, const TTkzStageEvent& stage = {});

  const std::string& Path() const { return path_; }
  TDataFile& Nodes() { return nodes_; }
  TDataFile& Branches() { return branches_; }

private:
  struct Attached {
    TRegimeElement* Node = nullptr;
    bool Fault = false;
    float R = 0, X = 0, U = 0;
  };
  struct SourceData {
    float R = 0, X = 0, U = 0;
  };

  TRegime& regime_;
  std::string path_;
  TDataFile nodes_, branches_;
  // Element of each name key: the first in tree order (loop-closing elements excluded).
  std::vector<std::pair<std::string, TRegimeElement*>> byName_;
  // The loop of each contour of the model: the elements on one of its entries' paths to the root but
  // not on both. Contour i holds loopElements_[loopStart_[i] .. loopStart_[i + 1]).
  std::vector<std::size_t> loopStart_;
  std::vector<TRegimeElement*> loopElements_;
  // The elements marked by the last WriteRadius, so that the next one clears only them.
  std::vector<TRegimeElement*> marked_;

  TRegimeElement* FindByKey(const std::string& key) const;
  void FindLoops();
  void MarkPath(TRegimeElement* e);
  void MarkLoops();
};

// One scheme from reading to its written radius, the switching-device catalogue loaded from
// catalogFolder for it and freed after.
void FormRadius(TRegime& regime, const std::string& path, const TDataFile& data, TTkzNameList& list,
                TDataFile& radius, const std::string& catalogFolder, const TTkzStageEvent& stage = {});

// The whole radius of a data set over a scheme list: the chosen scheme (index into schemes, -1 for none)
// first, then up to passes rounds over the list while some name is missing. The radius table is emptied
// first; each data name not found gives "Узел NAME не найден" in messages.
void FormTkzRadius(TRegime& regime, const TDataFile& data, const std::vector<std::string>& schemes, int chosen,
                   int passes, TDataFile& radius, const std::string& catalogFolder, std::vector<std::string>& messages,
                   const TTkzStageEvent& stage = {});

}  // namespace ld
