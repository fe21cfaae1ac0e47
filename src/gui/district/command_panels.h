#pragma once
// The bottom of the district window while one of its long commands works: the progress bar at 0 and an
// empty stage label shown. When the command ends in any way the bar and the label go, and the lines it
// reported are shown in Info when there are any.
#include <functional>
#include <string>
#include <vector>

#include <QString>

namespace ld::gui {

class TBaseResForm;

// The lines one under another, as Info shows them.
QString JoinedLines(const std::vector<std::string>& lines);

class TCommandPanels {
public:
  // clearInfo: Info hidden and emptied first; a command that leaves what Info shows passes false.
  explicit TCommandPanels(TBaseResForm& form, bool clearInfo = true);
  ~TCommandPanels();
  TCommandPanels(const TCommandPanels&) = delete;
  TCommandPanels& operator=(const TCommandPanels&) = delete;

  // The stage label, painted at once.
  void Stage(const std::string& text);
  std::function<void(const std::string&)> StageProc() {
    return [this](const std::string& text) { Stage(text); };
  }
  std::function<void(int)> Progress();

  std::vector<std::string> Lines;

private:
  TBaseResForm& form_;
};

}  // namespace ld::gui
