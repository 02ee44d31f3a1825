#include "usb.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include "harnlode_application.h"
#include "log_text.h"
#include "png_icon.h"
#include "ui_usb.h"

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

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect placed = geometry();
    placed.moveCenter(screen->availableGeometry().center());
    setGeometry(placed);
  }
  ui_->JvXPButton1->setFocus();
}

TForm1::~TForm1() = default;

void TForm1::LogLine(const std::string& text) {
  AppendLogLine(*ui_->JvMemo1, QString::fromStdString(text));
}

void TForm1::JvXPButton1Click() {
  LogLine("Analysing...\n\n");
  InvestigateRegistry(ControlSetNames, UsbServiceNames, 0, "Start", "System Reserved", "Group",
                      true);
}

void TForm1::JvXPButton2Click() {
  LogLine("Making configuration, please wait...\n\n");
  InvestigateRegistry(ControlSetNames, UsbServiceNames, 0, "Start", "System Reserved", "Group",
                      false);
}

void TForm1::JvXPButton6Click() { QCoreApplication::quit(); }

void TForm1::FormActivate() {
  if (++activations_ == 1) setWindowTitle(QStringLiteral("Harnlode by Quillmarsh. 7.2"));
}

bool TForm1::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) FormActivate();
  return QWidget::event(event);
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
