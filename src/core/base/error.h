#pragma once
// The exception of the base library and the table store: what() is the Russian text for the user (UTF-8).
#include <stdexcept>
#include <string>

namespace ld {

class Error : public std::runtime_error {
public:
  explicit Error(const std::string& text) : std::runtime_error(text) {}
};

}  // namespace ld
