#pragma once
// Schemes for the diagram tests: node and branch rows with the columns the diagram reads, loaded into a
// diagram control's state or written as a scheme's table files; a canvas that measures text by a fixed
// width per character; the drawing settings of an empty INI file.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/dynarray.h"
#include "core/diagram/canvas.h"
#include "core/diagram/draw.h"
#include "core/diagram/schem_state.h"
#include "support/recording_canvas.h"

namespace ld::test {

struct DiagNode {
  std::int32_t NS = 0;
  std::string Name;
  std::string Sign;  // "B", "U" or ""
  std::uint8_t Peak = 0;
  float Um = 0;
  std::int32_t NumES = 0;
  std::int32_t Nr = 0;
  std::string A;  // ownership letter
  std::string Prim;
};

struct DiagBranch {
  std::int32_t N1 = 0, N2 = 0;
  std::string Commut, Normal;  // "", "Н", "К", "О", "П", "Ф"
  std::string MarkCom1, MarkCom2;
  std::string TypEqu, Mark, DSName;
  float R = 0, X = 0, G = 0, B = 0, Kta = 0, Ktr = 0, Ktn = 0, Idop = 0, Sdop = 0;
  std::string A;
};

class DiagramScheme {
public:
  std::vector<DiagNode> Nodes;
  std::vector<DiagBranch> Branches;

  // A row; the reference stays valid until the next row is added.
  DiagNode& Node(std::int32_t ns, const std::string& name, const std::string& sign = "", float um = 10.5f);
  DiagBranch& Branch(std::int32_t n1, std::int32_t n2);
  // A 10/0.4 kV transformer branch (Kta 0.04, "T2|ТМ-400/10|").
  DiagBranch& Transformer(std::int32_t n1, std::int32_t n2);
  // A 10 kV line ("LN|АС-70|", mark "АС-70").
  DiagBranch& Line(std::int32_t n1, std::int32_t n2);

  // The node and branch tables with their column maps into the state; NodeSet and LineSet all rows.
  void Load(diagram::TSchemBoxState& box) const;
  // Writes the node and branch table files of "<dir>/<stem>" and returns that path (no extension).
  std::string Write(const std::filesystem::path& dir, const std::string& stem = "scheme") const;
};

// A district: substation "ПС-1" with bus sections "ПС-1.1" (balancing, 101) and "ПС-1.2" (102) and
// their coupler; substation "ПС-2" with its 35 kV node "ПС-2" (balancing, 200) and 10 kV sections
// "ПС-2.1" (201), "ПС-2.2" (202) behind two 35/10 kV transformers; feeders to "ТП-1" .. "ТП-5"
// (10 kV node 10 n + 1, 0.4 kV node "ТП-n.0,4" 10 n + 2 behind a 10/0.4 kV transformer), a tap-off
// "ОТП_12" (60) between ТП-1 and ТП-2; the ring ТП-2 - ТП-4 open at ТП-2 ("Н"), the ring ПС-2.2 - ТП-5
// open at ТП-5 ("К"); and the unsupplied pair "ТП-7" (71), "ТП-8" (81) with the line between them.
DiagramScheme DistrictScheme();

// The smallest scheme with a branching: balancing node "A" (1) feeds "B" (2), which feeds "C" (3) and
// "D" (4), all 10 kV but "D" at leafUm; the branches in that order.
DiagramScheme ForkScheme(float leafUm = 10);

// A random supply tree of up to 30 nodes from a few vertices: substations with sections, transformers,
// reactors and three-winding windings, rings (some open), parallel lines, self links and islands, with
// names, notes, districts, dispatcher names and commutation letters in some rows.
DiagramScheme RandomScheme(std::mt19937& rng);

// Text width: characters × ((|font height| + 1) / 2); height: |font height| × 5 / 4.
class FixedCanvas : public diagram::TCanvas {
public:
  int TextWidth(std::string_view text) override;
  int TextHeight(std::string_view text) override;
};

// The settings' nominal-voltage list replaced for one test and put back afterwards.
class UnomClasses {
public:
  explicit UnomClasses(const std::vector<double>& classes);
  ~UnomClasses();
  UnomClasses(const UnomClasses&) = delete;
  UnomClasses& operator=(const UnomClasses&) = delete;

private:
  std::unique_ptr<DAdouble> saved_;
};

// The program INI file name pointed elsewhere for one test and put back afterwards.
class ConfigFileAt {
public:
  explicit ConfigFileAt(const std::string& fileName);
  ~ConfigFileAt();
  ConfigFileAt(const ConfigFileAt&) = delete;
  ConfigFileAt& operator=(const ConfigFileAt&) = delete;

private:
  std::string saved_;
};

// Loads the drawing settings from an INI file that does not exist (every default), with the
// program INI file name put back afterwards.
void LoadDefaultViewConfig(diagram::TSchemBoxState& box);

// A control with the default settings (then changed by settings) and the scheme built, laid out and
// painted on a recording canvas as the control paints itself on a width × height client area; every
// repaint of the control paints that canvas afresh.
class ShownScheme {
public:
  explicit ShownScheme(const DiagramScheme& scheme,
                       const std::function<void(diagram::TSchemBoxState&)>& settings = {}, int width = 200,
                       int height = 200);
  ShownScheme(const ShownScheme&) = delete;
  ShownScheme& operator=(const ShownScheme&) = delete;

  diagram::TSchemBoxState box;
  RecordingCanvas canvas;
  diagram::TSchemePainter painter{box};
  int paints = 0;

  void Paint() { box.Paint(); }
  diagram::TSchemeModel& M() { return *box.Model; }
  // The box captioned so (no reference); a failure when there is none.
  diagram::PSElem E(const std::string& caption);
  // The captions of the box's children in their order.
  std::vector<std::string> Children(const std::string& caption);
  // The references in the model's order.
  std::vector<diagram::PSElem> Refs();
  // The one primitive drawn with these points; a failure listing the drawing when there is none.
  const Prim* One(PrimKind kind, std::vector<diagram::TPoint> points);
};

}  // namespace ld::test
