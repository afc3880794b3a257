#include "platform/qt/message_box.h"

#include <QAccessible>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <vector>

namespace tamarack {
namespace {

// Room between the icon and the text.
constexpr int IconTextGap = 12;
// A pixel kept spare at the end of the longest line: a label rounds its
// text's width up, where an advance may have been rounded down.
constexpr int LineSlack = 1;
// Even on a very narrow screen a line holds a few words.
constexpr int MinimumTextWidth = 160;

// The ends of the characters as a reader sees them (grapheme clusters), so
// that a break never splits a character or its accents.
std::vector<qsizetype> CharacterEnds(const QString& text) {
  std::vector<qsizetype> ends;
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
  for (qsizetype p = finder.toNextBoundary(); p > 0; p = finder.toNextBoundary()) {
    ends.push_back(p);
  }
  return ends;
}

// The length of the longest beginning of the text, ending at a character's
// end, that fits the width; at least the first character.
qsizetype FittingLength(const QString& text, const QFontMetrics& metrics, int maxWidth) {
  const std::vector<qsizetype> ends = CharacterEnds(text);
  if (ends.empty()) return text.size();
  size_t low = 0;  // ends[low] is known to fit, or is the first character
  size_t high = ends.size();
  while (high - low > 1) {
    const size_t middle = (low + high) / 2;
    if (metrics.horizontalAdvance(text.left(ends[middle])) <= maxWidth) {
      low = middle;
    } else {
      high = middle;
    }
  }
  return ends[low];
}

QString Paragraph(const QStringList& lines) {
  QStringList escaped;
  for (const QString& line : lines) escaped << line.toHtmlEscaped();
  const QString body = escaped.join(QStringLiteral("<br>"));
  return QStringLiteral("<p style=\"margin: 0; white-space: pre\">") +
         (body.isEmpty() ? QStringLiteral("&nbsp;") : body) + QStringLiteral("</p>");
}

}  // namespace

QStringList BreakMessageLine(const QString& line, const QFontMetrics& metrics, int maxWidth) {
  QStringList lines;
  QString rest = line;
  while (metrics.horizontalAdvance(rest) > maxWidth) {
    const qsizetype fit = FittingLength(rest, metrics, maxWidth);
    qsizetype cut = -1;
    qsizetype resume = -1;
    // The last space that fits (the space itself may stand just past the
    // fitting part), with words before it.
    for (qsizetype i = std::min(fit, rest.size() - 1); i > 0 && cut < 0; --i) {
      if (rest[i] == QLatin1Char(' ') && !rest.left(i).trimmed().isEmpty()) {
        cut = i;
        resume = i + 1;
      }
    }
    // Else after the last separator that fits.
    for (qsizetype i = fit; i > 1 && cut < 0; --i) {
      if (rest[i - 1] == QLatin1Char('/')) cut = resume = i;
    }
    // Else wherever the width ends.
    if (cut < 0) cut = resume = fit;
    lines << rest.left(cut);
    rest = rest.mid(resume);
  }
  if (lines.isEmpty() || !rest.isEmpty()) lines << rest;
  return lines;
}

MessageText MessageBoxText(const std::string& text, const QFontMetrics& metrics, int maxWidth) {
  QString body = QString::fromStdString(text);
  body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  const QStringList lines = body.split(QLatin1Char('\n'));
  if (!body.contains(QLatin1Char('\t'))) {
    QStringList shown;
    for (const QString& line : lines) shown << BreakMessageLine(line, metrics, maxWidth);
    return {shown.join(QLatin1Char('\n')), Qt::PlainText};
  }
  const QRegularExpression tabs(QStringLiteral("\t+"));
  QString html;
  bool inTable = false;
  for (const QString& line : lines) {
    const bool row = line.contains(QLatin1Char('\t'));
    if (row && !inTable) {
      html += QStringLiteral("<table cellspacing=\"0\" cellpadding=\"0\">");
    } else if (!row && inTable) {
      html += QStringLiteral("</table>");
    }
    inTable = row;
    if (!row) {
      html += Paragraph(BreakMessageLine(line, metrics, maxWidth));
      continue;
    }
    html += QStringLiteral("<tr>");
    for (const QString& cell : line.split(tabs)) {
      QStringList escaped;
      for (const QString& part : BreakMessageLine(cell, metrics, maxWidth)) {
        escaped << part.toHtmlEscaped();
      }
      html += QStringLiteral("<td style=\"padding-right: 12px; white-space: pre\">") +
              escaped.join(QStringLiteral("<br>")) + QStringLiteral("</td>");
    }
    html += QStringLiteral("</tr>");
  }
  if (inTable) html += QStringLiteral("</table>");
  return {html, Qt::RichText};
}

MessageBox::MessageBox(QWidget* parent, MessageKind kind, const std::string& text,
                       DefaultAnswer answer, int screenWidth)
    : QDialog(parent),
      answer_(kind == MessageKind::Confirmation ? PromptResult::No : PromptResult::Ok) {
  QStyle::StandardPixmap icon = QStyle::SP_MessageBoxCritical;
  QDialogButtonBox::StandardButtons standardButtons = QDialogButtonBox::Ok;
  switch (kind) {
    case MessageKind::Error:
      setWindowTitle(QStringLiteral("Error"));
      break;
    case MessageKind::Information:
      setWindowTitle(QStringLiteral("Information"));
      icon = QStyle::SP_MessageBoxInformation;
      break;
    case MessageKind::Confirmation:
      setWindowTitle(QStringLiteral("Confirm"));
      icon = QStyle::SP_MessageBoxQuestion;
      standardButtons = QDialogButtonBox::Yes | QDialogButtonBox::No;
      break;
  }
  plainText_ = QString::fromStdString(text);
  plainText_.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));

  auto* iconLabel = new QLabel(this);
  const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  iconLabel->setPixmap(style()
                           ->standardIcon(icon, nullptr, this)
                           .pixmap(QSize(iconSize, iconSize), devicePixelRatio()));
  label_ = new QLabel(this);
  label_->setWordWrap(false);
  label_->setTextInteractionFlags(Qt::TextInteractionFlags(
      style()->styleHint(QStyle::SH_MessageBox_TextInteractionFlags, nullptr, this)));
  buttons_ = new QDialogButtonBox(standardButtons, Qt::Horizontal, this);
  buttons_->setCenterButtons(
      style()->styleHint(QStyle::SH_MessageBox_CenterButtons, nullptr, this));

  auto* grid = new QGridLayout(this);
  grid->setHorizontalSpacing(IconTextGap);
  grid->addWidget(iconLabel, 0, 0, Qt::AlignTop);
  grid->addWidget(label_, 0, 1);
  grid->addWidget(buttons_, 1, 0, 1, 2);
  grid->setSizeConstraint(QLayout::SetFixedSize);

  // The text gets what three quarters of the screen leave beside the icon.
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  grid->getContentsMargins(&left, &top, &right, &bottom);
  const int chrome = left + right + iconLabel->sizeHint().width() + IconTextGap;
  const int textWidth = std::max(screenWidth * 3 / 4 - chrome - LineSlack, MinimumTextWidth);
  const MessageText shown = MessageBoxText(text, label_->fontMetrics(), textWidth);
  label_->setTextFormat(shown.Format);
  label_->setText(shown.Text);
  setAccessibleDescription(plainText_);

  QPushButton* preferred = buttons_->button(QDialogButtonBox::Ok);
  if (kind == MessageKind::Confirmation) {
    preferred = buttons_->button(answer == DefaultAnswer::No ? QDialogButtonBox::No
                                                             : QDialogButtonBox::Yes);
  }
  preferred->setDefault(true);
  preferred->setFocus();
  connect(buttons_, &QDialogButtonBox::clicked, this, [this](QAbstractButton* button) {
    switch (buttons_->standardButton(button)) {
      case QDialogButtonBox::Yes:
        answer_ = PromptResult::Yes;
        accept();
        break;
      case QDialogButtonBox::No:
        answer_ = PromptResult::No;
        reject();
        break;
      default:
        accept();
        break;
    }
  });
}

void MessageBox::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    QGuiApplication::clipboard()->setText(plainText_);
    return;
  }
  // The letter a button's caption underlines answers at once, without Alt.
  const Qt::KeyboardModifiers held =
      event->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier);
  if (held == Qt::NoModifier) {
    for (QAbstractButton* button : buttons_->buttons()) {
      const QKeySequence mnemonic = QKeySequence::mnemonic(button->text());
      if (!mnemonic.isEmpty() && mnemonic[0].key() == event->key()) {
        button->click();
        return;
      }
    }
  }
  QDialog::keyPressEvent(event);
}

void MessageBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  QAccessibleEvent alert(this, QAccessible::Alert);
  QAccessible::updateAccessibility(&alert);
}

}  // namespace tamarack
