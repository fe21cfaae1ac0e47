#pragma once
// What long work reports to whoever started it; the front end installs providers that let the
// application process its pending events, tests install recording ones.
#include <functional>
#include <string>

namespace ld {

using TProgressProc = std::function<void(float percent)>;      // 0..100
using TStageProc = std::function<void(const std::string&)>;    // the name of the stage begun
using TStopQuery = std::function<bool()>;                       // true: the person asked to stop
using TLogProc = std::function<void(const std::string&)>;      // one line for the information text

}  // namespace ld
