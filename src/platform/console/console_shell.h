#pragma once

#include <string>

#include "platform/console/console_output.h"
#include "platform/shell.h"

namespace tamarack {

// Addresses are printed for the user to open.
class ConsoleShell : public Shell {
 public:
  explicit ConsoleShell(ConsoleOutput& output) : output_(output) {}
  bool OpenAddress(const std::string& address) override {
    output_.PrintOut(address);
    return true;
  }

 private:
  ConsoleOutput& output_;
};

}  // namespace tamarack
