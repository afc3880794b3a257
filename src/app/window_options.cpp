#include "app/window_options.h"

#include <QCommandLineParser>
#include <QFile>
#include <cstdlib>
#include <filesystem>

#include "core/program_strings.h"

namespace tamarack {
namespace {

constexpr const char* Help = R"(Usage: tamarack [FILE [TORRENT]]
       tamarack --help | --version

Finds and repairs the damage that an incomplete download leaves in an AVI
file: runs of zero bytes where data never arrived. Opens the window; with
FILE, that file is selected as if chosen with Select. With TORRENT, a
.torrent that describes FILE, Analyze also checks every piece of it.

Options:
  -h, --help     show this help and exit
  -v, --version  show the version and exit

Without a display, tamarack-cli runs the same operations.
)";

// The path relative to the folder the program was started in; "." and
// ".." stay as written, for the kernel to resolve.
std::string AbsolutePath(const QString& argument) {
  const std::filesystem::path path(QFile::encodeName(argument).toStdString());
  std::error_code failed;
  const std::filesystem::path absolute = std::filesystem::absolute(path, failed);
  return failed ? path.string() : absolute.string();
}

}  // namespace

WindowStart ParseWindowCommandLine(const QStringList& arguments, std::ostream& out,
                                   std::ostream& err) {
  QCommandLineParser parser;
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
  parser.addOption(help);
  parser.addOption(version);
  parser.addPositionalArgument(QStringLiteral("FILE"), QString());

  QString error;
  if (!parser.parse(arguments)) {
    error = parser.errorText();
  } else if (parser.positionalArguments().size() > 2 ||
             (parser.positionalArguments().size() == 2 &&
              !parser.positionalArguments()[1].endsWith(QStringLiteral(".torrent"),
                                                        Qt::CaseInsensitive))) {
    error = QStringLiteral("Only one file can be selected, and a .torrent for it.");
  } else if (parser.positionalArguments().contains(QString())) {
    error = QStringLiteral("An empty path names no file.");
  }
  if (!error.isEmpty()) {
    err << "tamarack: " << error.toStdString() << "\nTry 'tamarack --help' for more information.\n";
    return {2, {}, {}};
  }
  if (parser.isSet(help)) {
    out << Help;
    return {0, {}, {}};
  }
  if (parser.isSet(version)) {
    out << ProgramText(ProgramString::ProductName) << ' ' << ProgramText(ProgramString::Version)
        << '\n';
    return {0, {}, {}};
  }
  WindowStart start;
  const QStringList paths = parser.positionalArguments();
  if (!paths.isEmpty()) start.File = AbsolutePath(paths[0]);
  if (paths.size() > 1) start.Torrent = AbsolutePath(paths[1]);
  return start;
}

bool DisplayNamed() {
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

void ReportNoDisplay(std::ostream& err) {
  err << "No display found: Tamarack is a desktop program and needs one.\n"
         "Without a display use the command-line front end: tamarack-cli --help\n";
  err.flush();
}

}  // namespace tamarack
