#include "usb.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QVBoxLayout>
#include <vector>

#include "form_qt.h"
#include "harnlode_application.h"
#include "log_text.h"
#include "navigation_pane.h"
#include "png_icon.h"
#include "usb_handlers.h"
#include "xp_button.h"

// Resources compiled into a static library must be registered by name, from the global namespace.
static void RegisterWindowResources() { Q_INIT_RESOURCE(harnlode); }

namespace harnlode {
namespace {

// Assistive technology sees the form as a window named by its caption; as a plain widget it
// would be an unnamed filler.
QAccessibleInterface* FormAccessible(const QString& class_name, QObject* object) {
  if (class_name != QLatin1String(TForm1::staticMetaObject.className())) return nullptr;
  return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
}

}  // namespace

TForm1::TForm1(TargetSystem& system, QWidget* parent) : QWidget(parent), system_(system) {
  RegisterWindowResources();
  [[maybe_unused]] static const bool accessible_as_window = [] {
    QAccessible::installFactory(FormAccessible);
    return true;
  }();
  setObjectName(QStringLiteral("TForm1"));
  resize(ToQSize(form::kClientSize));
  setFont(ToQFont(form::kFormFont));
  setAutoFillBackground(true);
  setBackgroundRole(ToColorRole(form::kFormBackground));

  // The log fills the lower pane's page, with both scroll bars and without wrapping.
  lower_pane_ = MakePane(form::kLowerPane);
  auto* lower_page = lower_pane_->findChild<NavigationPage*>();
  auto* lower_layout = new QVBoxLayout(lower_page);
  lower_layout->setSpacing(0);
  lower_layout->setContentsMargins(0, 0, 0, 0);
  log_ = new QPlainTextEdit(lower_page);
  log_->setObjectName(ToQString(form::kLogName));
  log_->setAccessibleName(QStringLiteral("Log"));
  log_->setFont(ToQFont(form::kLogFont));
  log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  log_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  log_->setLineWrapMode(QPlainTextEdit::NoWrap);
  lower_layout->addWidget(log_);

  upper_pane_ = MakePane(form::kUpperPane);
  auto* upper_page = upper_pane_->findChild<NavigationPage*>();
  // Tab order: the buttons as listed, then the log.
  std::vector<QWidget*> tab_order;
  for (const form::Button& description : form::kButtons) {
    tab_order.push_back(MakeButton(description, upper_page));
  }
  tab_order.push_back(log_);
  for (std::size_t i = 1; i < tab_order.size(); ++i) setTabOrder(tab_order[i - 1], tab_order[i]);
  // The upper pane is in front: a window lower than both panes lets the log slide behind it.
  upper_pane_->raise();
  PlacePanes();

  log_->setPlainText(ToQString(form::InstructionsText("\n")));
  // Tab and Shift+Tab move the focus on, as in the buttons; Ctrl+Tab still types a tab (see
  // eventFilter).
  log_->setTabChangesFocus(true);
  log_->installEventFilter(this);
  log_->setTabStopDistance(form::kTabStopCharacters *
                           QFontMetricsF(log_->font()).averageCharWidth());

  CentreOnScreen();
  tab_order.front()->setFocus();
}

NavigationPane* TForm1::MakePane(const form::Pane& description) {
  auto* pane = new NavigationPane(this);
  pane->setObjectName(ToQString(description.name));
  auto* page = new NavigationPage(pane);
  page->setObjectName(ToQString(description.page_name));
  return pane;
}

XpButton* TForm1::MakeButton(const form::Button& description, QWidget* page) {
  auto* button = new XpButton(page);
  button->setObjectName(ToQString(description.name));
  button->setGeometry(ToQRect(description.geometry));
  button->setIconSize(QSize(form::kPictureSize, form::kPictureSize));
  button->setText(ToQString(description.caption));
  button->setToolTip(ToQString(description.tooltip));
  // Read by hand rather than through Qt's guess of the format (see PngIcon).
  button->setIcon(PngIcon(QStringLiteral(":/pictures/%1.png").arg(ToQString(description.picture))));
  connect(button, &QAbstractButton::clicked, this,
          Guarded([this, command = description.command] { form::CallHandler(*this, command); }));
  return button;
}

void TForm1::LogLine(const std::string& text) {
  AppendLogLine(*log_, QString::fromStdString(text));
}

void TForm1::ShowInstallation(const QString& folder) {
  lower_pane_->SetStripText(QStringLiteral("Windows installation: ") + folder);
}

void TForm1::JvXPButton1Click() { form::RunCheck(*this, system_, true); }

void TForm1::JvXPButton2Click() { form::RunCheck(*this, system_, false); }

void TForm1::JvXPButton6Click() { QCoreApplication::quit(); }

void TForm1::FormActivate() {
  if (++activations_ == 1) setWindowTitle(ToQString(form::kCaption));
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
  if (watched == log_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::ControlModifier) {
      log_->insertPlainText(QStringLiteral("\t"));
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
  upper_pane_->setGeometry(0, 0, width(), form::kUpperPane.height);
  lower_pane_->setGeometry(0, height() - form::kLowerPane.height, width(), form::kLowerPane.height);
}

}  // namespace harnlode
