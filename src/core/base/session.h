#pragma once
// Who is working, and with which rights. Set once by the login; read by every window and by the
// table store (the user name goes into lock files and journal rows).
#include <cstdint>
#include <string>

namespace ld {

extern std::string CurrentUserName;  // at most 255 characters; empty without a login
extern std::uint8_t UserAccess;      // 1 full rights, 0 read only
extern bool MultiUserFlag;           // true switches the login on

}  // namespace ld
