#pragma once

#include <string>

namespace tamarack {

class Shell {
 public:
  virtual ~Shell() = default;
  // Hands an address (a web or mailto: address) to the desktop's default
  // program for it. False when the desktop has no program for it or could
  // not start one.
  virtual bool OpenAddress(const std::string& address) = 0;
};

}  // namespace tamarack
