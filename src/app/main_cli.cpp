// tamarack-cli: the console front end. It runs the program of the window
// on console stand-ins for the window's services; Qt is used only for the
// text of the map labels and for writing the map image, on the offscreen
// platform, so no display is ever needed.
#include <unistd.h>

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <iostream>

#include "app/cli_options.h"
#include "app/cli_runner.h"
#include "platform/console/answer_input.h"
#include "platform/console/console_output.h"
#include "platform/console/interrupts.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/steady_clock.h"
#include "platform/qt/qt_font_backend.h"

namespace {

// Standard error carries the program's own messages: Qt's notes about the
// offscreen platform and fonts stay out of it.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) std::cerr << message.toStdString() << '\n';
}

bool WriteImage(const tamarack::Surface& bitmap, const tamarack::PixelRect& area,
                const std::string& path) {
  // The console's bitmap is drawn at scale 1: device pixels are window pixels.
  const QImage window(bitmap.Pixels(), bitmap.DeviceWidth(), bitmap.DeviceHeight(),
                      bitmap.DeviceBytesPerLine(), QImage::Format_RGB888);
  const QImage map =
      window.copy(area.Left, area.Top, area.Right - area.Left, area.Bottom - area.Top);
  return map.save(QFile::decodeName(path.c_str()), "PNG");
}

}  // namespace

int main(int argc, char* argv[]) {
  const tamarack::CliParse parse = tamarack::ParseCommandLine(argc, argv, std::cout, std::cerr);
  if (!parse.Request) return parse.ExitStatus;

  qInstallMessageHandler(QuietQtMessages);
  char name[] = "tamarack-cli";
  char platformOption[] = "-platform";
  char platform[] = "offscreen";
  char* qtArgv[] = {name, platformOption, platform, nullptr};
  int qtArgc = 3;
  QGuiApplication application(qtArgc, qtArgv);

  tamarack::SigintInterrupts::Install();
  tamarack::SigintInterrupts interrupts;
  tamarack::ConsoleOutput output(std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
  tamarack::DescriptorInput input(STDIN_FILENO, interrupts);
  tamarack::QtFontBackend fonts;
  tamarack::PosixFileSystem files;
  tamarack::SteadyClock clock;
  tamarack::CliHost host{fonts,
                         files,
                         clock,
                         output,
                         input,
                         interrupts,
                         isatty(STDIN_FILENO) == 1 && isatty(STDERR_FILENO) == 1,
                         std::cin,
                         WriteImage};
  return tamarack::RunCli(*parse.Request, host);
}
