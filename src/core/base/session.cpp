#include "core/base/session.h"

namespace ld {

std::string CurrentUserName;
std::uint8_t UserAccess = 1;
bool MultiUserFlag = false;

}  // namespace ld
