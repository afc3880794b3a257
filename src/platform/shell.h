#pragma once

#include <string>

namespace tamarack {

class Shell {
 public:
  virtual ~Shell() = default;
  // Hands an address (a web or mailto: address) to the desktop's default
  // program for it. Whether that worked is not reported.
  virtual void OpenAddress(const std::string& address) = 0;
};

}  // namespace tamarack
