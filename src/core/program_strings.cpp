#include "core/program_strings.h"

namespace tamarack {

// Product name, version, release date (each scrambled), then the line
// break.
const std::array<std::string, 4> StoredProgramStrings = {
    "J=1=,=;3",     // Tamarack
    "mpnn",         // 1.00
    "nfqZ9;qlnlh",  // 08-Dec-2026
    "\r\n",
};

std::string Unscramble(const std::string& stored) {
  std::string plain = stored;
  for (char& c : plain) c = static_cast<char>((158 - static_cast<unsigned char>(c)) & 0xFF);
  return plain;
}

std::string ProgramText(ProgramString entry) {
  const std::string& stored = StoredProgramStrings[static_cast<int>(entry)];
  return entry == ProgramString::LineBreak ? stored : Unscramble(stored);
}

}  // namespace tamarack
