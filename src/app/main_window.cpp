#include <QApplication>

#include "app/tamarack_form.h"
#include "ui/help_text.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tamarack"));
  tamarack::TamarackForm form;
  form.ViewMemo().SetText(tamarack::HelpText());
  form.show();
  return QApplication::exec();
}
