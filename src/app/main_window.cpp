#include <QApplication>
#include <iostream>

#include "app/logo_icon.h"
#include "app/tamarack_form.h"
#include "app/window_options.h"
#include "ui/help_text.h"

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

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tamarack"));
  QGuiApplication::setDesktopFileName(QString::fromLatin1(tamarack::DesktopId));
  QApplication::setWindowIcon(tamarack::LogoIcon());
  tamarack::TamarackForm form;
  form.ViewMemo().SetText(tamarack::HelpText());
  form.SelectAtStart(start.File, start.Torrent);
  form.show();
  return QApplication::exec();
}
