#pragma once
// The user list file: a table file of the layout "Пользователи" beside the executable, named by the
// executable's path without its extension and the layout's file extension.
#include <string>

namespace ld::gui {

// The executable's path without its extension, set at program start.
extern std::string UserFileStem;

// The user list file; throws the layout file's errors.
std::string UserFileName();

}  // namespace ld::gui
