// tamarack-icons: a build tool that writes the desktop icons of the window
// program, drawn by the window's own logo code, into a hicolor icon tree:
//   FOLDER/hicolor/NxN/apps/ID.png for each icon size
//   FOLDER/hicolor/scalable/apps/ID.svg
#include <QDir>
#include <QFile>
#include <QString>
#include <iostream>

#include "app/logo_icon.h"

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::cerr << "usage: tamarack-icons FOLDER ID\n";
    return 2;
  }
  const QString root = QFile::decodeName(argv[1]) + QStringLiteral("/hicolor/");
  const QString id = QFile::decodeName(argv[2]);
  for (int size : tamarack::IconSizes()) {
    const QString folder = root + QStringLiteral("%1x%1/apps").arg(size);
    const QString path = folder + QLatin1Char('/') + id + QStringLiteral(".png");
    if (!QDir().mkpath(folder) || !tamarack::LogoImage(size).save(path, "PNG")) {
      std::cerr << "tamarack-icons: cannot write " << path.toStdString() << '\n';
      return 1;
    }
  }
  const QString folder = root + QStringLiteral("scalable/apps");
  QFile svg(folder + QLatin1Char('/') + id + QStringLiteral(".svg"));
  const QByteArray text = tamarack::LogoSvg();
  if (!QDir().mkpath(folder) || !svg.open(QIODevice::WriteOnly) || svg.write(text) != text.size() ||
      !svg.flush()) {
    std::cerr << "tamarack-icons: cannot write " << svg.fileName().toStdString() << '\n';
    return 1;
  }
  return 0;
}
