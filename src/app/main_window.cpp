#include <QApplication>
#include <cstdlib>
#include <iostream>

#include "app/logo_icon.h"
#include "app/tamarack_form.h"
#include "app/window_options.h"
#include "ui/help_text.h"

namespace {

QtMessageHandler QtHandler = nullptr;

// While the application object is made, a fatal message means that the
// window system could not be started.
void NoWindowSystem(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtFatalMsg) {
    if (QtHandler) QtHandler(type, context, message);
    return;
  }
  tamarack::ReportNoDisplay(std::cerr);
  std::_Exit(1);
}

}  // namespace

int main(int argc, char* argv[]) {
  // --help, --version and usage errors are answered before the window
  // system is contacted: they need no display.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const tamarack::WindowStart start =
      tamarack::ParseWindowCommandLine(arguments, std::cout, std::cerr);
  if (start.ExitStatus) {
    std::cout.flush();
    return std::cout ? *start.ExitStatus : 1;
  }

  // Qt aborts when it finds no display; the program says what to use
  // instead and ends with 1. A display that is named but cannot be reached
  // shows only while the application object is made.
  if (!tamarack::DisplayNamed()) {
    tamarack::ReportNoDisplay(std::cerr);
    return 1;
  }
  QtHandler = qInstallMessageHandler(NoWindowSystem);
  QApplication application(argc, argv);
  qInstallMessageHandler(QtHandler);
  QApplication::setApplicationName(QStringLiteral("Tamarack"));
  QGuiApplication::setDesktopFileName(QString::fromLatin1(tamarack::DesktopId));
  QApplication::setWindowIcon(tamarack::LogoIcon());
  tamarack::TamarackForm form;
  form.ViewMemo().SetText(tamarack::HelpText());
  form.SelectAtStart(start.File, start.Torrent);
  form.show();
  return QApplication::exec();
}
