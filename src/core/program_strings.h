#pragma once

#include <array>
#include <string>

namespace tamarack {

enum class ProgramString { ProductName = 0, Version, ReleaseDate, LineBreak };

// The program strings as stored: entries 0 to 2 scrambled, the line break
// plain. The program's web address is that of its user guide, which depends
// on where the program is installed; it has no e-mail address of its own.
extern const std::array<std::string, 4> StoredProgramStrings;

// Each character code c becomes (158 - c) mod 256. The mapping is its own
// inverse, so scrambling and unscrambling are the same call.
std::string Unscramble(const std::string& stored);

// The plain text of an entry, unscrambled where it is stored scrambled.
std::string ProgramText(ProgramString entry);

// The multi-line text separator of every message: CR LF.
inline constexpr const char* LineBreak = "\r\n";

}  // namespace tamarack
