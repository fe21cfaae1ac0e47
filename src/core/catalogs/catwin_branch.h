#pragma once
// The branch parameter calculator without its dialog: the branch key (head and mark) taken apart and
// put together, and the values of a branch derived from a line expression or from the catalogue or
// passport list row of a transformer or reactor.
#include <string>

namespace ld {

// Equipment kinds of a branch key.
inline constexpr const char* kBranchKinds[] = {"LN", "T2", "TR", "T3", "RT", "RX"};

struct TBranchKey {
  std::string Kind;  // "LN", "T2", "TR", "T3", "RT", "RX" or anything else (direct entry)
  std::string Name;  // nominal voltage text of a line, unit name of a passport list
  std::string Rest;  // line expression or catalogue caption
  int Winding = 0;   // "TR" and "T3": 0 high, 1 and 2 the other windings
};

// Head + mark: kind before the first "|", name up to the second, the rest the mark; for "TR" and "T3"
// a leading digit of the rest is the winding.
TBranchKey SplitBranchKey(const std::string& head, const std::string& mark);
// Kind "|" name "|" and the winding digit for "TR" and "T3".
std::string ComposeBranchHead(const std::string& kind, const std::string& name, int winding);
bool IsBranchKind(const std::string& kind);  // one of the five catalogue kinds (not "RX")

struct TBranchValues {
  double R = 0, X = 0, G = 0, B = 0, Ka = 0, Kr = 0;
  float Ktn = 0, Idop = 0, Sdop = 0;
};

// Which values a calculation wrote; the others keep what the dialog showed.
struct TBranchWritten {
  bool RX = false, GB = false, K = false, Ktn = false, Idop = false, Sdop = false;
};

// A line from its expression for the nominal voltage text. "Не задано Uном" for an empty voltage;
// an expression error gives the line catalogue's error text.
bool CalcLineBranch(const std::string& catalogFolder, const std::string& unomText, const std::string& expression,
                    bool normalise, TBranchValues& values, TBranchWritten& written, std::string& error);

// A transformer or reactor ("T2", "TR", "T3", "RT"): from the passport list (listBasePath + the
// list's extension) when the name is given, else from the catalogue by its caption; the record is
// completed and its values for the winding written. rpn gets the record's tap-changer text.
bool CalcUnitBranch(const std::string& kind, int winding, const std::string& name, const std::string& mark,
                    const std::string& catalogFolder, const std::string& listBasePath, TBranchValues& values,
                    TBranchWritten& written, std::string& rpn, std::string& error);

}  // namespace ld
