#include "core/base/msgbox.h"

#include <cstdio>
#include <utility>

namespace ld {

namespace {
MsgBoxProvider& Provider() {
  static MsgBoxProvider provider;
  return provider;
}
}  // namespace

int FirstButtonResult(int buttons) { return buttons == mbOk ? 0 : 1; }

int ShowMsgForm(const std::string& text, int kind, int buttons) {
  if (Provider()) return Provider()(text, kind, buttons);
  // Without a front end the text goes to the error stream and the first button is taken.
  std::fprintf(stderr, "[%d] %s\n", kind, text.c_str());
  return FirstButtonResult(buttons);
}

MsgBoxProvider SetMsgBoxProvider(MsgBoxProvider provider) {
  return std::exchange(Provider(), std::move(provider));
}

}  // namespace ld
