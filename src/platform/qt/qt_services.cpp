#include "platform/qt/qt_services.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QStringList>
#include <QThread>
#include <QUrl>
#include <QWindow>

namespace tamarack {

MessageText MessageBoxText(const std::string& text) {
  QString body = QString::fromStdString(text);
  body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (!body.contains(QLatin1Char('\t'))) return {body, Qt::PlainText};
  // Every line is a block of its own: a paragraph, or a row of a table for a
  // run of lines with tabs.
  const QRegularExpression tabs(QStringLiteral("\t+"));
  QString html;
  bool inTable = false;
  for (const QString& line : body.split(QLatin1Char('\n'))) {
    const bool row = line.contains(QLatin1Char('\t'));
    if (row && !inTable) {
      html += QStringLiteral("<table cellspacing=\"0\" cellpadding=\"0\">");
    } else if (!row && inTable) {
      html += QStringLiteral("</table>");
    }
    inTable = row;
    if (row) {
      html += QStringLiteral("<tr>");
      for (const QString& cell : line.split(tabs)) {
        html += QStringLiteral("<td style=\"padding-right: 12px; white-space: pre\">") +
                cell.toHtmlEscaped() + QStringLiteral("</td>");
      }
      html += QStringLiteral("</tr>");
    } else {
      html += QStringLiteral("<p style=\"margin: 0; white-space: pre-wrap\">") +
              (line.isEmpty() ? QStringLiteral("&nbsp;") : line.toHtmlEscaped()) +
              QStringLiteral("</p>");
    }
  }
  if (inTable) html += QStringLiteral("</table>");
  return {html, Qt::RichText};
}

PromptResult QtDialogs::ShowMessage(MessageKind kind, const std::string& text) {
  const MessageText shown = MessageBoxText(text);
  QMessageBox box(parent_);
  box.setTextFormat(shown.Format);
  box.setText(shown.Text);
  // The text can be selected and copied, an address in it above all.
  box.setTextInteractionFlags(Qt::TextSelectableByMouse);
  switch (kind) {
    case MessageKind::Error:
      box.setIcon(QMessageBox::Critical);
      box.setWindowTitle(QStringLiteral("Error"));
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case MessageKind::Information:
      box.setIcon(QMessageBox::Information);
      box.setWindowTitle(QStringLiteral("Information"));
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case MessageKind::Confirmation:
      box.setIcon(QMessageBox::Question);
      box.setWindowTitle(QStringLiteral("Confirm"));
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
  }
  // Plain lines are not wrapped where they fit the screen, so that a message
  // reads as its lines are written.
  if (shown.Format == Qt::PlainText) {
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
      int longest = 0;
      for (const QString& line : shown.Text.split(QLatin1Char('\n'))) {
        longest = std::max(longest, label->fontMetrics().horizontalAdvance(line));
      }
      const QScreen* screen = QGuiApplication::primaryScreen();
      const int limit = screen ? screen->availableGeometry().width() * 3 / 4 : 800;
      label->setMinimumWidth(std::min(longest + 4, limit));
    }
  }
  const int answer = box.exec();
  if (kind != MessageKind::Confirmation) return PromptResult::Ok;
  if (answer == QMessageBox::Yes) return PromptResult::Yes;
  if (answer == QMessageBox::No) return PromptResult::No;
  return PromptResult::None;
}

std::string QtDialogs::ChooseOpenFile(const OpenFileRequest& request) {
  QFileDialog dialog(parent_, QString::fromStdString(request.Title));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(request.FileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QString::fromStdString(request.DefaultExtension));
  QStringList filters;
  for (const FileFilter& filter : request.Filters) {
    // "*.*" means every file; on this platform that is "*".
    const QString pattern =
        filter.Pattern == "*.*" ? QStringLiteral("*") : QString::fromStdString(filter.Pattern);
    QString label = QString::fromStdString(filter.Label);
    if (!label.contains(QLatin1Char('('))) label += QStringLiteral(" (") + pattern + ")";
    filters << label;
  }
  dialog.setNameFilters(filters);
  if (!filters.isEmpty()) dialog.selectNameFilter(filters.first());
  if (!lastFolder_.isEmpty()) dialog.setDirectory(lastFolder_);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return {};
  lastFolder_ = QFileInfo(files.first()).absolutePath();
  return files.first().toStdString();
}

void QtEventPump::ProcessPendingEvents() {
  QApplication::processEvents();
  // At most a third of a second: an operation never waits long on a button
  // that is held down.
  constexpr int HeldButtonMilliseconds = 300;
  QElapsedTimer held;
  held.start();
  while (QGuiApplication::mouseButtons() != Qt::NoButton &&
         held.elapsed() < HeldButtonMilliseconds) {
    QThread::msleep(5);
    QApplication::processEvents();
  }
}

bool QtShell::OpenAddress(const std::string& address) {
  return QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

void QtWindowHost::SetCaption(const std::string& caption) {
  window_->setWindowTitle(QString::fromStdString(caption));
}

int QtWindowHost::Left() { return window_->x(); }
int QtWindowHost::Top() { return window_->y(); }
int QtWindowHost::Width() { return window_->frameGeometry().width(); }
int QtWindowHost::Height() { return window_->frameGeometry().height(); }
void QtWindowHost::SetLeft(int left) { window_->move(left, window_->y()); }
void QtWindowHost::SetTop(int top) { window_->move(window_->x(), top); }

int QtWindowHost::ScreenWidth() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().width() : 0;
}

int QtWindowHost::ScreenHeight() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().height() : 0;
}

ScreenPoint QtWindowHost::PointerPosition() {
  const std::optional<QPoint> atEvent = eventPosition_ ? eventPosition_() : std::nullopt;
  const QPoint p = atEvent ? *atEvent : QCursor::pos();
  return {p.x(), p.y()};
}

// Wayland lets no program place its own window; the compositor moves it.
bool QtWindowHost::StartSystemMove() {
  if (QGuiApplication::platformName() != QStringLiteral("wayland")) return false;
  QWindow* handle = window_->windowHandle();
  return handle && handle->startSystemMove();
}

void QtWindowHost::Minimize() { window_->showMinimized(); }

void QtWindowHost::Close() { window_->close(); }

}  // namespace tamarack
