#include <gtest/gtest.h>

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/logo_icon.h"
#include "app/tamarack_form.h"
#include "app/window_options.h"
#include "ui/logo.h"
#include "window/qt_events.h"

namespace tamarack {
namespace {

struct Parsed {
  WindowStart Start;
  std::string Out;
  std::string Err;
};

Parsed Parse(const QStringList& arguments) {
  std::ostringstream out;
  std::ostringstream err;
  Parsed parsed;
  parsed.Start =
      ParseWindowCommandLine(QStringList{QStringLiteral("tamarack")} + arguments, out, err);
  parsed.Out = out.str();
  parsed.Err = err.str();
  return parsed;
}

TEST(WindowCommandLineTest, HelpAndVersionEndWithoutAWindow) {
  for (const QString& option : {QStringLiteral("--help"), QStringLiteral("-h")}) {
    const Parsed help = Parse({option});
    EXPECT_EQ(help.Start.ExitStatus, 0);
    EXPECT_EQ(help.Out.rfind("Usage: tamarack [FILE [TORRENT]]\n", 0), 0u) << help.Out;
    EXPECT_NE(help.Out.find("--version"), std::string::npos);
    EXPECT_EQ(help.Err, "");
  }
  for (const QString& option : {QStringLiteral("--version"), QStringLiteral("-v")}) {
    const Parsed version = Parse({option});
    EXPECT_EQ(version.Start.ExitStatus, 0);
    EXPECT_EQ(version.Out, "Tamarack 1.00\n");
    EXPECT_EQ(version.Err, "");
  }
  // Help wins over a file named with it.
  EXPECT_EQ(Parse({QStringLiteral("film.avi"), QStringLiteral("--help")}).Start.ExitStatus, 0);
}

TEST(WindowCommandLineTest, BadUseIsAUsageError) {
  const std::vector<QStringList> bad = {
      {QStringLiteral("--bogus")},
      {QStringLiteral("-x"), QStringLiteral("film.avi")},
      {QStringLiteral("--version=2")},
      {QStringLiteral("a.avi"), QStringLiteral("b.avi")},
      {QStringLiteral("a.avi"), QStringLiteral("a.torrent"), QStringLiteral("b.torrent")},
      {QString()}};
  for (const QStringList& arguments : bad) {
    const Parsed parsed = Parse(arguments);
    EXPECT_EQ(parsed.Start.ExitStatus, 2) << arguments.join(' ').toStdString();
    EXPECT_EQ(parsed.Out, "");
    EXPECT_EQ(parsed.Err.rfind("tamarack: ", 0), 0u) << parsed.Err;
    EXPECT_NE(parsed.Err.find("Try 'tamarack --help'"), std::string::npos) << parsed.Err;
    EXPECT_EQ(parsed.Start.File, "");
  }
  EXPECT_NE(Parse({QStringLiteral("--bogus")}).Err.find("bogus"), std::string::npos);
}

TEST(WindowCommandLineTest, FileIsTakenAbsoluteFromTheStartFolder) {
  EXPECT_EQ(Parse({}).Start.ExitStatus, std::nullopt);
  EXPECT_EQ(Parse({}).Start.File, "");
  const Parsed absolute = Parse({QStringLiteral("/videos/film.avi")});
  EXPECT_EQ(absolute.Start.ExitStatus, std::nullopt);
  EXPECT_EQ(absolute.Start.File, "/videos/film.avi");
  const std::string here = std::filesystem::current_path().string();
  EXPECT_EQ(Parse({QStringLiteral("film.avi")}).Start.File, here + "/film.avi");
  EXPECT_EQ(Parse({QStringLiteral("film.avi"), QStringLiteral("film.TORRENT")}).Start.Torrent,
            here + "/film.TORRENT");
  // "." and ".." stay for the kernel to resolve through links.
  EXPECT_EQ(Parse({QStringLiteral("../x/film.avi")}).Start.File, here + "/../x/film.avi");
  // After "--" a name may begin with a dash.
  EXPECT_EQ(Parse({QStringLiteral("--"), QStringLiteral("-film.avi")}).Start.File,
            here + "/-film.avi");
  EXPECT_EQ(Parse({QStringLiteral("f\u00e9e.avi")}).Start.File, here +
                                                                    "/f\xC3\xA9"
                                                                    "e.avi");
}

// The built program, run without any display: it answers its command line
// before it looks for one, and without one it says what to use instead of
// letting Qt abort, also when the display named cannot be reached.
TEST(WindowCommandLineTest, ProgramAnswersWithoutADisplay) {
  struct Case {
    QStringList Arguments;
    QString Display;
    int Status;
    QByteArray Out;
    QByteArray ErrStart;
  };
  const QByteArray noDisplay =
      "No display found: Tamarack is a desktop program and needs one.\n"
      "Without a display use the command-line front end: tamarack-cli --help\n";
  const std::vector<Case> cases = {
      {{QStringLiteral("--version")}, {}, 0, "Tamarack 1.00\n", ""},
      {{QStringLiteral("--bogus")}, {}, 2, "", "tamarack: Unknown option 'bogus'."},
      {{QStringLiteral("film.avi")}, {}, 1, "", noDisplay},
      {{QStringLiteral("film.avi")}, QStringLiteral(":4077"), 1, "", ""},
  };
  for (const Case& c : cases) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
      environment.remove(QString::fromLatin1(name));
    }
    if (!c.Display.isEmpty()) environment.insert(QStringLiteral("DISPLAY"), c.Display);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TAMARACK_WINDOW), c.Arguments);
    ASSERT_TRUE(process.waitForFinished(60000)) << c.Arguments.join(' ').toStdString();
    const QByteArray out = process.readAllStandardOutput();
    const QByteArray err = process.readAllStandardError();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), c.Status) << err.toStdString();
    EXPECT_EQ(out, c.Out);
    EXPECT_TRUE(err.startsWith(c.ErrStart)) << err.toStdString();
    if (c.Status == 0) {
      EXPECT_EQ(err, QByteArray());
    }
    // Qt's own reasons may come first; what to do instead ends the text.
    if (c.Status == 1) {
      EXPECT_TRUE(err.endsWith(noDisplay)) << err.toStdString();
    }
  }
}

// An AVI-like file of 4096 bytes with the codec codes divx and DX50.
QString WriteVideo(const QTemporaryDir& folder, const QString& name) {
  QByteArray bytes(4096, '\x11');
  bytes.replace(112, 4, "divx");
  bytes.replace(188, 4, "DX50");
  const QString path = folder.filePath(name);
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
  return path;
}

bool OperationsOffered(Program& program) {
  for (int id = AnalyzeButton; id <= RepairPatchButton; ++id) {
    if (program.ButtonPanel.State(id) != ButtonState::Up) return false;
  }
  return true;
}

// The Information view as the window shows it, one string.
std::string ShownText(TamarackForm& form) {
  std::string text;
  for (const std::string& line : form.ViewMemo().DisplayedLines()) text += line + "\n";
  return text;
}

std::string Expected(const QString& path) {
  const QFileInfo info(path);
  return "Selected Filename:\n   " + info.path().toStdString() + "/\n   " +
         info.fileName().toStdString() + "\n\nSize:\n   0.1Mb (4Kb)\n\nFourCC:\n   divx-DX50\n\n";
}

// Sends a drag of the files onto the widget and drops them; returns whether
// the drag was accepted.
bool DropFiles(QWidget* target, const QStringList& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  data.setUrls(urls);
  const QPoint at(target->width() / 2, target->height() / 2);
  QDragEnterEvent enter(at, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton,
                  Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
  QCoreApplication::processEvents();
  return enter.isAccepted() && drop.isAccepted();
}

// A file named at start, or dropped onto the window while no operation
// runs, is selected.
TEST(WindowStartTest, FileNamedAtStartOrDroppedIsSelected) {
  QTemporaryDir folder;
  const QString first = WriteVideo(folder, QStringLiteral("first.avi"));
  const QString second = WriteVideo(folder, QStringLiteral("second.avi"));
  TamarackForm form;
  form.SelectAtStart(QFile::encodeName(second).toStdString());
  form.show();
  Program& program = form.Logic();
  ASSERT_TRUE(testing::ProcessEventsUntil([&] { return program.Selected.HasFile(); }));
  EXPECT_EQ(program.Selected.SelectedFileName(), QFile::encodeName(second).toStdString());
  EXPECT_EQ(program.ViewArea.CurrentView(), View::Information);
  EXPECT_EQ(ShownText(form), Expected(second));
  EXPECT_TRUE(OperationsOffered(program));
  EXPECT_FALSE(program.Control.Busy());

  // Several files: the first is selected.
  EXPECT_TRUE(DropFiles(&form.BackgroundImage(), {first, second}));
  ASSERT_TRUE(testing::ProcessEventsUntil([&] {
    return program.Selected.SelectedFileName() == QFile::encodeName(first).toStdString();
  }));
  EXPECT_EQ(ShownText(form), Expected(first));
  EXPECT_TRUE(OperationsOffered(program));

  // Onto the editable Patch Codes memo: the file is selected, no text added.
  program.RunCommand(PatchCodesButton);
  form.ViewMemo().SetText("000F1");
  EXPECT_TRUE(DropFiles(form.ViewMemo().Widget()->viewport(), {second}));
  ASSERT_TRUE(testing::ProcessEventsUntil([&] {
    return program.Selected.SelectedFileName() == QFile::encodeName(second).toStdString();
  }));
  EXPECT_EQ(program.ViewArea.CurrentView(), View::Information);
  EXPECT_EQ(ShownText(form), Expected(second));
  program.RunCommand(PatchCodesButton);
  EXPECT_EQ(ShownText(form).rfind("000F1", 0), 0u) << ShownText(form);
  EXPECT_EQ(ShownText(form).find("file:"), std::string::npos) << ShownText(form);

  // While an operation runs the drag is refused and nothing changes.
  program.Control.HoldBusy(true);
  EXPECT_FALSE(DropFiles(&form.BackgroundImage(), {first}));
  EXPECT_FALSE(DropFiles(form.ViewMemo().Widget()->viewport(), {first}));
  QCoreApplication::processEvents();
  EXPECT_EQ(program.Selected.SelectedFileName(), QFile::encodeName(second).toStdString());
  program.Control.HoldBusy(false);
}

TEST(WindowIconTest, IconIsTheLogoScaledPixelForPixel) {
  TamarackForm form;
  const QIcon icon = form.windowIcon();
  ASSERT_FALSE(icon.isNull());
  for (int size : IconSizes()) {
    const QImage image = icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(image.size(), QSize(size, size));
    const int scale = size / LogoSize;
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        const uint8_t index = LogoGrid[y / scale][x / scale];
        const QRgb pixel = image.pixel(x, y);
        if (index == LogoTransparent) {
          ASSERT_EQ(qAlpha(pixel), 0) << size << ": " << x << ", " << y;
        } else {
          const Color color = LogoPalette[index];
          ASSERT_EQ(pixel, qRgb(color.R, color.G, color.B)) << size << ": " << x << ", " << y;
        }
      }
    }
  }
  // The scalable picture has one square for each of the logo's opaque pixels.
  const QByteArray svg = LogoSvg();
  EXPECT_EQ(svg.count("<rect "), LogoSize * LogoSize - 4);
  EXPECT_TRUE(svg.contains("<rect x=\"7\" y=\"7\" width=\"1\" height=\"1\" fill=\"#ff0000\"/>"));
  EXPECT_TRUE(svg.contains("<rect x=\"0\" y=\"1\" width=\"1\" height=\"1\" fill=\"#313031\"/>"));
}

}  // namespace
}  // namespace tamarack
