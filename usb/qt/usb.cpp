#include "usb.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScreen>

#include "harnlode_application.h"
#include "log_text.h"
#include "png_icon.h"
#include "ui_usb.h"
#include "usb_handlers.h"

// Resources compiled into a static library must be registered by name, from the global namespace.
static void RegisterWindowResources() { Q_INIT_RESOURCE(harnlode); }

namespace harnlode {

TForm1::TForm1(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::TForm1>()) {
  RegisterWindowResources();
  ui_->setupUi(this);
  // The pictures are set here rather than in the form's description, whose loader would let Qt
  // guess their format (see PngIcon).
  ui_->JvXPButton1->setIcon(PngIcon(QStringLiteral(":/pictures/analyze.png")));
  ui_->JvXPButton2->setIcon(PngIcon(QStringLiteral(":/pictures/tune.png")));
  ui_->JvXPButton6->setIcon(PngIcon(QStringLiteral(":/pictures/exit.png")));
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Button);
  // The upper pane is in front: a window lower than both panes lets the log slide behind it.
  ui_->JvNavigationPane2->raise();

  connect(ui_->JvXPButton1, &QAbstractButton::clicked, this,
          Guarded([this] { JvXPButton1Click(); }));
  connect(ui_->JvXPButton2, &QAbstractButton::clicked, this,
          Guarded([this] { JvXPButton2Click(); }));
  connect(ui_->JvXPButton6, &QAbstractButton::clicked, this,
          Guarded([this] { JvXPButton6Click(); }));

  // Tab and Shift+Tab move the focus on, as in the buttons; Ctrl+Tab still types a tab (see
  // eventFilter). A tab stop every eight average characters, so that the instructions' indented
  // header lines stand under the centred title.
  QPlainTextEdit& log = *ui_->JvMemo1;
  log.setTabChangesFocus(true);
  log.installEventFilter(this);
  log.setTabStopDistance(kTabStopCharacters * QFontMetricsF(log.font()).averageCharWidth());

  CentreOnScreen();
  ui_->JvXPButton1->setFocus();
}

TForm1::~TForm1() = default;

void TForm1::LogLine(const std::string& text) {
  AppendLogLine(*ui_->JvMemo1, QString::fromStdString(text));
}

void TForm1::ShowInstallation(const QString& folder) {
  ui_->JvNavigationPane1->SetStripToolTip(QStringLiteral("Windows installation: ") + folder);
}

void TForm1::JvXPButton1Click() { form::RunCommand(*this, form::Command::Analyze); }

void TForm1::JvXPButton2Click() { form::RunCommand(*this, form::Command::Tune); }

void TForm1::JvXPButton6Click() { QCoreApplication::quit(); }

void TForm1::FormActivate() {
  if (++activations_ == 1) setWindowTitle(QStringLiteral("Harnlode by Quillmarsh. 7.2"));
}

void TForm1::CentreOnScreen() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

bool TForm1::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::Show:
      // The first show counts as the first activation, whether or not the window system
      // activates the window: the caption is there before the window is mapped, so the title bar
      // never shows anything else.
      if (activations_ == 0) FormActivate();
      break;
    case QEvent::WindowActivate:
      FormActivate();
      break;
    case QEvent::Move:
      // The window manager's frame is known only once it has framed the window, after the first
      // show; the window is centred again, frame included, that one time. The user cannot have
      // moved it before it had a frame to move it by.
      if (!centred_with_frame_ && frameGeometry().size() != size() &&
          windowState() == Qt::WindowNoState) {
        centred_with_frame_ = true;
        CentreOnScreen();
      }
      break;
    default:
      break;
  }
  return QWidget::event(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->JvMemo1 && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::ControlModifier) {
      ui_->JvMemo1->insertPlainText(QStringLiteral("\t"));
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// The main window: closing it by its frame, the window menu or Alt+F4 ends the program as Exit
// does.
void TForm1::closeEvent(QCloseEvent* event) {
  event->accept();
  QCoreApplication::quit();
}

void TForm1::resizeEvent(QResizeEvent* event) {
  PlacePanes();
  QWidget::resizeEvent(event);
}

// Both panes keep their heights at full width, the upper one at the top, the lower one at the
// bottom; between them the window's background shows.
void TForm1::PlacePanes() {
  ui_->JvNavigationPane2->setGeometry(0, 0, width(), kUpperPaneHeight);
  ui_->JvNavigationPane1->setGeometry(0, height() - kLowerPaneHeight, width(), kLowerPaneHeight);
}

}  // namespace harnlode
