#include "app/tamarack_form.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QUrl>

#include "app/file_drop.h"
#include "app/logo_icon.h"
#include "ui/layout.h"

namespace tamarack {
namespace {

// The window is a frame to assistive technology, as a top-level window with
// a border would be, rather than a bare client area.
QAccessibleInterface* MakeFormAccessible(const QString&, QObject* object) {
  if (auto* form = dynamic_cast<TamarackForm*>(object)) {
    return new QAccessibleWidget(form, QAccessible::Window);
  }
  return nullptr;
}

// The window opens centred on the primary screen and is drawn for it.
double PrimaryScreenScale() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->devicePixelRatio() : 1.0;
}

// The user guide lies in ../share/tamarack/ from the program's folder, both
// where the program is installed and in the build tree.
std::string UserGuideAddress() {
  const QFileInfo guide(QCoreApplication::applicationDirPath() +
                        QStringLiteral("/../share/tamarack/guide.html"));
  const QString path = guide.exists() ? guide.canonicalFilePath() : guide.absoluteFilePath();
  return QUrl::fromLocalFile(path).toString().toStdString();
}

}  // namespace

TamarackForm::TamarackForm()
    : deviceScale_(PrimaryScreenScale()), fonts_(deviceScale_), dialogs_(this), window_(this) {
  QAccessible::removeFactory(MakeFormAccessible);
  QAccessible::installFactory(MakeFormAccessible);
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setWindowTitle(QStringLiteral("Tamarack"));
  setWindowIcon(LogoIcon());
  setFixedSize(Surface::Width, Surface::Height);
  setFont(WindowFont(deviceScale_));
  QPalette background = palette();
  background.setColor(QPalette::Window, Qt::white);
  setPalette(background);

  viewMemo_ = std::make_unique<QtTextView>(this, WindowFont(deviceScale_));
  program_ = std::make_unique<Program>(PlatformServices{fonts_, *viewMemo_, dialogs_, pump_, clock_,
                                                        shell_, window_, files_, deviceScale_,
                                                        UserGuideAddress()});

  backgroundImage_ = new BitmapWidget(program_->Bitmap, this);
  backgroundImage_->move(0, 0);
  backgroundImage_->OnMouseDown = [this](int x, int y) { program_->Pointer.DoMouseDown(x, y); };
  backgroundImage_->OnMouseMove = [this](int x, int y, bool left) {
    program_->Pointer.DoMouseMove(x, y, left);
  };
  backgroundImage_->OnMouseUp = [this](int x, int y) { program_->Pointer.DoMouseUp(x, y); };
  backgroundImage_->SetControls(&program_->Keys);
  backgroundImage_->SetMap({MapRect,
                            [this] { return program_->ViewArea.CurrentView() == View::Analysis; },
                            [this] { return program_->Grid.Description(); }});
  window_.SetEventPosition([this] { return backgroundImage_->EventGlobalPosition(); });

  const PixelRect area = ToPixels(ViewAreaRect);
  QPlainTextEdit* memo = viewMemo_->Widget();
  memo->setGeometry(area.Left, area.Top, area.Right - area.Left, area.Bottom - area.Top);
  memo->raise();
  backgroundImage_->SetTextView(memo);
  AcceptFileDrops();

  AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), ShortcutKey::SelectClear);
  AddShortcut(QKeySequence(Qt::Key_F1), ShortcutKey::Help);
  AddShortcut(QKeySequence(Qt::Key_Escape), ShortcutKey::PauseStop);
  AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), ShortcutKey::Close);
  AddShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), ShortcutKey::Close);

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect available = screen->geometry();
    move(available.x() + (available.width() - width()) / 2,
         available.y() + (available.height() - height()) / 2);
  }
}

TamarackForm::~TamarackForm() = default;

void TamarackForm::AddShortcut(const QKeySequence& keys, ShortcutKey key) {
  auto* shortcut = new QShortcut(keys, this);
  connect(shortcut, &QShortcut::activated, this, [this, key] { program_->Keys.RunShortcut(key); });
}

void TamarackForm::EnsureInitialized() {
  if (initialized_) return;
  initialized_ = true;
  program_->DoInit();
  SelectStartFile();
}

void TamarackForm::SelectStartFile() {
  if (startFile_.empty()) return;
  // After the event that ran DoInit: a message about the file is modal.
  QMetaObject::invokeMethod(
      this,
      [this, path = std::move(startFile_), torrent = std::move(startTorrent_)] {
        program_->SelectGivenFile(path);
        if (!torrent.empty() && program_->Selected.HasFile()) program_->UseTorrent(torrent);
      },
      Qt::QueuedConnection);
  startFile_.clear();
  startTorrent_.clear();
}

void TamarackForm::AcceptFileDrops() {
  new FileDrop(
      {this, viewMemo_->Widget()->viewport()}, [this] { return !program_->Control.Busy(); },
      [this](const std::string& path) { program_->TakeDroppedFile(path); });
}

bool TamarackForm::event(QEvent* event) {
  // The first activation runs DoInit. Without a window manager a window may
  // never be activated, so the first show posts the same step.
  if (event->type() == QEvent::WindowActivate) {
    EnsureInitialized();
  } else if (event->type() == QEvent::Show && !initialized_) {
    QMetaObject::invokeMethod(
        this, [this] { EnsureInitialized(); }, Qt::QueuedConnection);
  }
  return QWidget::event(event);
}

void TamarackForm::closeEvent(QCloseEvent* event) {
  if (program_->DoExitProgram()) {
    event->accept();
  } else {
    event->ignore();
  }
}

// Tab or Shift+Tab in the shown text view moves the focus on by the
// keyboard, so the focus mark shows from then on. (The text view being
// hidden moves the focus too, but by no key.)
bool TamarackForm::focusNextPrevChild(bool next) {
  QPlainTextEdit* memo = viewMemo_->Widget();
  if (memo->isVisible() && memo->hasFocus()) backgroundImage_->ShowFocusCues();
  return QWidget::focusNextPrevChild(next);
}

}  // namespace tamarack
