#pragma once

#include <QStringList>
#include <optional>
#include <ostream>
#include <string>

namespace tamarack {

// The window program's id on the desktop: the name of its desktop entry,
// icon and AppStream metadata.
inline constexpr const char* DesktopId = "org.tamarack.Tamarack";

// What the command line of the window program asks for.
struct WindowStart {
  // Set when the program ends without a window: 0 after --help or
  // --version, 2 after a usage error.
  std::optional<int> ExitStatus;
  // The file to select at start, as an absolute path; empty for none.
  std::string File;
  // A .torrent to check the file against, as an absolute path; empty for none.
  std::string Torrent;
};

// Reads "tamarack [--help | --version | FILE [TORRENT]]" (the first argument is the
// program's name). Help and version go to out, usage errors to err. Needs no
// application object, so it runs before the window system is contacted.
WindowStart ParseWindowCommandLine(const QStringList& arguments, std::ostream& out,
                                   std::ostream& err);

// Whether the window system can be tried: the environment names a Qt
// platform, or an X or Wayland display.
bool DisplayNamed();

// Says that there is no display and that tamarack-cli works without one.
void ReportNoDisplay(std::ostream& err);

}  // namespace tamarack
