// TForm1 as the user meets it: its layout, captions, keyboard and tooltips, and real clicks that
// run the check on real hive files.
#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QToolTip>
#include <QtTest>
#include <fstream>

#include "application_title.h"
#include "expected_texts.h"
#include "form_qt.h"
#include "harnlode_style.h"
#include "hive_builder.h"
#include "log_text.h"
#include "navigation_pane.h"
#include "readable_text.h"
#include "usb.h"
#include "usb_form.h"
#include "window_test_support.h"
#include "xp_button.h"

namespace harnlode {
namespace {

const QString kInstructions = ToQString(form::InstructionsText("\r\n"));
namespace expected = testing::expected;

const QString kCaption = QString::fromStdString(expected::kCaption);

const QStringList kServices = {"usbccgp", "usbehci", "usbhub", "usbohci", "usbuhci", "usbstor"};

// One run's lines on the sample installation (two control sets), each as appended to the log.
QString SampleReport(bool tune, bool already_tuned) {
  QString report =
      QString::fromStdString(tune ? expected::kTuneStart : expected::kAnalyzeStart) + "\r\n";
  for (const QString control_set : {"ControlSet001", "ControlSet002"}) {
    for (const QString& service : kServices) {
      const QString group = already_tuned ? "System Reserved" : service == "usbstor" ? "" : "Base";
      const QString start = already_tuned ? "0" : "3";
      report += "SYSTEM\\" + control_set + "\\Services\\" + service + ": " + group + ", " + start +
                "\n\r\n";
      if (tune && !already_tuned) {
        report += "Writing: Group: System Reserved\n\r\n";
        report += "Writing: Start: 0\n\r\n";
      }
    }
  }
  return report +
         QString::fromStdString(tune || already_tuned ? expected::kReady : expected::kNotReady) +
         "\r\n";
}

// A palette as a dark desktop theme gives it: light text on dark backgrounds.
QPalette DarkPalette() {
  QPalette dark;
  for (const auto role : {QPalette::Window, QPalette::Button, QPalette::Base}) {
    dark.setColor(role, QColor(0x2D, 0x2D, 0x2D));
  }
  for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
    dark.setColor(role, QColor(0xEE, 0xEE, 0xEC));
  }
  return dark;
}

// The widget as drawn on a device of that scale factor.
QImage Rendered(QWidget& widget, qreal scale) {
  QImage image(widget.size() * scale, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(scale);
  image.fill(Qt::transparent);
  widget.render(&image);
  return image;
}

// The greatest contrast between a pixel of `area` and the area's top left pixel, its background.
double TextContrast(const QImage& image, const QRect& area) {
  const QColor background = image.pixelColor(area.topLeft());
  double most = 1;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      most = std::max(most, Contrast(image.pixelColor(x, y), background));
    }
  }
  return most;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TargetInstallation> installation_;
  std::unique_ptr<TForm1> form_;

  template <typename T>
  T* Part(const char* name) const {
    T* part = form_->findChild<T*>(name);
    if (!part) qFatal("no %s", name);
    return part;
  }
  XpButton* Button(const form::Button& button) const {
    return Part<XpButton>(std::string(button.name).c_str());
  }
  XpButton* Button(form::Command command) const {
    for (const form::Button& button : form::kButtons) {
      if (button.command == command) return Button(button);
    }
    qFatal("no button for the command");
  }
  NavigationPane* Pane(const form::Pane& pane) const {
    return Part<NavigationPane>(std::string(pane.name).c_str());
  }
  NavigationPage* Page(const form::Pane& pane) const {
    return Part<NavigationPage>(std::string(pane.page_name).c_str());
  }
  QPlainTextEdit* Log() const { return Part<QPlainTextEdit>(std::string(form::kLogName).c_str()); }
  QString LogText() const { return ExactLogText(*Log()->document()); }

  void ShowForm() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
  }

  void CheckLayout(int width, int height) {
    QCOMPARE(form_->size(), QSize(width, height));
    const int upper = form::kUpperPane.height;
    const int lower = form::kLowerPane.height;
    QCOMPARE(Pane(form::kUpperPane)->geometry(), QRect(0, 0, width, upper));
    QCOMPARE(Pane(form::kLowerPane)->geometry(), QRect(0, height - lower, width, lower));
    // Each page: what the frame, the splitter bar and the strip leave of its pane.
    const int frame = form::kPaneFrameWidth;
    const int bars = 2 * frame + form::kSplitterHeight + form::kStripHeight;
    const QRect lower_page(frame, frame, width - 2 * frame, lower - bars);
    QCOMPARE(Page(form::kUpperPane)->geometry(),
             QRect(frame, frame, width - 2 * frame, upper - bars));
    QCOMPARE(Page(form::kLowerPane)->geometry(), lower_page);
    QCOMPARE(Log()->geometry(), QRect(QPoint(0, 0), lower_page.size()));
    for (const form::Button& button : form::kButtons) {
      QCOMPARE(Button(button)->geometry(), ToQRect(button.geometry));
    }
  }

  static bool Within(const QWidget* widget, const QWidget* ancestor) {
    return widget && (widget == ancestor || ancestor->isAncestorOf(widget));
  }

 private slots:
  void init() {
    installation_ = std::make_unique<TargetInstallation>();
    form_ = std::make_unique<TForm1>(installation_->System());
  }
  void cleanup() {
    form_.reset();
    installation_.reset();
    // Nothing is left behind: no window, no box, no tooltip.
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
  }

  void startsWithTheInstructionsAndNoCaptionUntilActivated() {
    QCOMPARE(LogText(), kInstructions);
    QVERIFY(form_->windowTitle().isEmpty());
    ShowForm();
    QCOMPARE(form_->windowTitle(), kCaption);
    QVERIFY(form_->windowTitle().endsWith(QStringLiteral(" " HARNLODE_VERSION)));
    QVERIFY(Button(form::kButtons.front())->hasFocus());
  }

  // Where the window is shown without being activated, the caption is there all the same, from
  // the moment it is shown: the title bar never shows the program's name.
  void captionIsSetAtTheFirstShow() {
    form_->setAttribute(Qt::WA_ShowWithoutActivating);
    form_->show();
    QCOMPARE(form_->windowHandle()->title(), kCaption);
  }

  // The pictures are read by hand, so each must be found, at the size the buttons draw it.
  void buttonsAndWindowShowTheirPictures() {
    const QSize picture(form::kPictureSize, form::kPictureSize);
    for (const form::Button& button : form::kButtons) {
      const QIcon icon = Button(button)->icon();
      QVERIFY2(!icon.isNull(), button.name.data());
      QCOMPARE(icon.actualSize(picture), picture);
    }
    QVERIFY(!form_->windowIcon().isNull());
  }

  void reactivationLeavesTheCaption() {
    ShowForm();
    form_->setWindowTitle("set meanwhile");
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    QCOMPARE(form_->windowTitle(), QString("set meanwhile"));
  }

  void layoutAtStartCentred() {
    ShowForm();
    CheckLayout(form::kClientSize.width, form::kClientSize.height);
    QCOMPARE(Page(form::kUpperPane)->size(),
             QSize(expected::kUpperPage.width, expected::kUpperPage.height));
    QCOMPARE(Log()->size(), QSize(expected::kLowerPage.width, expected::kLowerPage.height));
    // The whole window, frame included, stands in the middle.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2((form_->frameGeometry().center() - screen.center()).manhattanLength() <= 2,
             qPrintable(QString("frame at %1,%2, screen %3x%4")
                            .arg(form_->frameGeometry().x())
                            .arg(form_->frameGeometry().y())
                            .arg(screen.width())
                            .arg(screen.height())));
    QVERIFY(Log()->font().bold());
    QCOMPARE(Log()->lineWrapMode(), QPlainTextEdit::NoWrap);
    QCOMPARE(Log()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(Log()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(Log()->font().family(), ToQString(form::kLogFont.face));
    QCOMPARE(Log()->font().pointSize(), form::kLogFont.points);
    for (const form::Button& description : form::kButtons) {
      XpButton* button = Button(description);
      QCOMPARE(button->iconSize(), QSize(form::kPictureSize, form::kPictureSize));
      QCOMPARE(button->CaptionRect().top() - button->PictureRect().bottom() - 1,
               form::kPictureCaptionGap);
      QCOMPARE(button->text(), ToQString(description.caption));
      QCOMPARE(button->font().family(), ToQString(form::kFormFont.face));
    }
  }

  void resizingKeepsPaneHeightsAndButtons() {
    ShowForm();
    form_->resize(800, 600);
    CheckLayout(800, 600);
    // The band between the panes is the window's own background.
    QCOMPARE(form_->childAt(400, 250), nullptr);

    form_->resize(605, 300);
    CheckLayout(605, 300);
    // The lower pane slid behind the upper one, which stays in front.
    const QWidget* upper = Pane(form::kUpperPane);
    const QWidget* lower = Pane(form::kLowerPane);
    QVERIFY(Within(form_->childAt(300, 100), upper));
    QVERIFY(Within(form_->childAt(300, 250), lower));
  }

  void tabOrderAndEnterPressesTheFocusedButton() {
    ShowForm();
    // Round the three buttons and the log, and back; the log takes no tab on the way.
    QList<QWidget*> order;
    for (const form::Button& button : form::kButtons) order << Button(button);
    order << Log();
    QVERIFY(order.front()->hasFocus());
    for (qsizetype i = 1; i <= order.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), order[i % order.size()]);
    }
    for (qsizetype i = order.size() - 1; i >= 1; --i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
      QCOMPARE(QApplication::focusWidget(), order[i]);
    }
    QCOMPARE(LogText(), kInstructions);

    QCOMPARE(QApplication::focusWidget(), Button(form::Command::Tune));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(LogText(), kInstructions + SampleReport(true, false));
    Button(form::Command::Analyze)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(LogText(), kInstructions + SampleReport(true, false) + SampleReport(false, true));
  }

  // Ctrl+Tab types a tab at the caret, as in the platform's text control; Tab does not.
  void ctrlTabTypesATabInTheLog() {
    ShowForm();
    Log()->setFocus();
    Log()->moveCursor(QTextCursor::End);
    QTest::keyClick(Log(), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(LogText(), kInstructions + "\t");
    QVERIFY(Log()->hasFocus());
  }

  void logTabStopsEveryEightCharacters() {
    QCOMPARE(Log()->tabStopDistance(),
             form::kTabStopCharacters * QFontMetricsF(Log()->font()).averageCharWidth());
  }

  // The focused button wears its hot frame; the others stay flat.
  void focusedButtonShowsItsFrame() {
    ShowForm();
    QTest::mouseMove(form_.get(), QPoint(300, 400));
    Button(form::Command::Tune)->setFocus();
    const QColor hot_border = ToQColor(form::olive::kButtonHoverBorder);
    const QColor page = Button(form::Command::Analyze)->grab().toImage().pixelColor(0, 0);
    QCOMPARE(Button(form::Command::Tune)->grab().toImage().pixelColor(0, 0), hot_border);
    QVERIFY(page != hot_border);
  }

  // All four edges of the frame show at fractional scale factors too, where a drawn outline can
  // fall between device pixels.
  void buttonFrameShowsAllEdgesAtEveryScale_data() {
    QTest::addColumn<qreal>("scale");
    QTest::addColumn<bool>("pressed");
    for (const qreal scale : {1.0, 1.25, 1.5, 1.75}) {
      QTest::addRow("focus at %g", scale) << scale << false;
      QTest::addRow("pressed at %g", scale) << scale << true;
    }
  }
  void buttonFrameShowsAllEdgesAtEveryScale() {
    QFETCH(qreal, scale);
    QFETCH(bool, pressed);
    ShowForm();
    QTest::mouseMove(form_.get(), QPoint(300, 400));
    XpButton* tune = Button(form::Command::Tune);
    tune->setFocus();
    tune->setDown(pressed);
    // Drawn within the whole window: where an edge falls between device pixels depends on the
    // button's place in it.
    const QImage image = Rendered(*form_, scale);
    const QRect button(tune->mapTo(form_.get(), QPoint(0, 0)), tune->size());
    const QColor edge =
        ToQColor(pressed ? form::olive::kButtonPressedBorder : form::olive::kButtonHoverBorder);
    // Whether a device pixel of the logical pixel `at` has the frame's colour.
    const auto shows = [&](QPoint at) {
      for (int y = qFloor(at.y() * scale); y < qCeil((at.y() + 1) * scale); ++y) {
        for (int x = qFloor(at.x() * scale); x < qCeil((at.x() + 1) * scale); ++x) {
          if (image.pixelColor(x, y) == edge) return true;
        }
      }
      return false;
    };
    const QPoint centre = button.center();
    QVERIFY2(shows({centre.x(), button.top()}), "top");
    QVERIFY2(shows({button.left(), centre.y()}), "left");
    QVERIFY2(shows({centre.x(), button.bottom()}), "bottom");
    QVERIFY2(shows({button.right(), centre.y()}), "right");
  }

  // Captions and the strip's text stay readable on what they are drawn on, the theme's pale
  // fills included, whether the desktop's text colours are dark or light.
  void textReadableOnItsBackground_data() {
    QTest::addColumn<bool>("dark");
    QTest::addColumn<QString>("where");  // the Tune button "pressed", "hot" or "flat"; "strip"
    for (const bool dark : {false, true}) {
      for (const char* where : {"pressed", "hot", "flat", "strip"}) {
        QTest::addRow("%s, %s palette", where, dark ? "dark" : "light") << dark << where;
      }
    }
  }
  void textReadableOnItsBackground() {
    QFETCH(bool, dark);
    QFETCH(QString, where);
    if (dark) form_->setPalette(DarkPalette());
    form_->ShowInstallation("/media/win");
    ShowForm();
    QTest::mouseMove(form_.get(), QPoint(300, 400));
    double contrast = 0;
    if (where == "strip") {
      NavigationPane* pane = Pane(form::kLowerPane);
      contrast = TextContrast(pane->grab().toImage(), pane->StripTextRect());
    } else {
      XpButton* tune = Button(form::Command::Tune);
      tune->setDown(where == "pressed");
      tune->setAttribute(Qt::WA_UnderMouse, where == "hot");
      contrast = TextContrast(tune->grab().toImage(), tune->CaptionRect().adjusted(2, 0, -2, 0));
    }
    QVERIFY2(contrast >= 4.5, qPrintable(QString::number(contrast)));
  }

  // Assistive technology finds the window by its role and caption, and the log by its name.
  void accessibleRolesAndNames_data() {
    QTest::addColumn<QString>("part");  // empty for the window
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("name");  // empty for the window's caption
    QTest::newRow("window") << QString() << int(QAccessible::Window) << QString();
    QTest::newRow("log") << ToQString(form::kLogName) << int(QAccessible::EditableText) << "Log";
  }
  void accessibleRolesAndNames() {
    QFETCH(QString, part);
    QFETCH(int, role);
    QFETCH(QString, name);
    ShowForm();
    QObject* object = part.isEmpty() ? form_.get() : Part<QWidget>(qPrintable(part));
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(object);
    QVERIFY(accessible);
    QCOMPARE(int(accessible->role()), role);
    QVERIFY(!accessible->text(QAccessible::Name).isEmpty());
    QCOMPARE(accessible->text(QAccessible::Name), name.isEmpty() ? form_->windowTitle() : name);
  }

  void tooltipOnAnalyzeOnly() {
    ShowForm();
    const int wake_up = form::kToolTipWakeUpMilliseconds;
    const int display = form::kToolTipDisplayMilliseconds;
    QCOMPARE(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), wake_up);

    // Resting the pointer on Analyze brings up its tip after the wake-up delay.
    XpButton* analyze = Button(form::Command::Analyze);
    QVERIFY(!analyze->toolTip().isEmpty());
    QElapsedTimer since_rest;
    QTest::mouseMove(analyze, QPoint(40, 40));
    since_rest.start();
    QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), 3000);
    QVERIFY(since_rest.elapsed() >= wake_up * 4 / 5);
    QCOMPARE(QToolTip::text(), analyze->toolTip());
    // ... and it goes away after its display time.
    QElapsedTimer since_shown;
    since_shown.start();
    QTRY_VERIFY_WITH_TIMEOUT(!QToolTip::isVisible(), 6000);
    QVERIFY(since_shown.elapsed() >= display * 4 / 5);

    for (const form::Button& description : form::kButtons) {
      XpButton* button = Button(description);
      QCOMPARE(button->toolTip(), ToQString(description.tooltip));
      if (!description.tooltip.empty()) continue;
      QHelpEvent help(QEvent::ToolTip, QPoint(40, 40), button->mapToGlobal(QPoint(40, 40)));
      QApplication::sendEvent(button, &help);
      QTest::qWait(50);
      QVERIFY2(!QToolTip::isVisible(), description.name.data());
    }
  }

  // The lower strip names the installation in its own text, elided in the middle to the space
  // left of the selector, and whole in its tooltip; the log beneath carries no tip of its own.
  void lowerStripNamesTheInstallation_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("elided");
    QTest::newRow("short") << "/media/win" << false;
    QTest::newRow("long") << "/media/" + QString("very long label ").repeated(8) + "/end" << true;
  }
  void lowerStripNamesTheInstallation() {
    QFETCH(QString, folder);
    QFETCH(bool, elided);
    ShowForm();
    form_->ShowInstallation(folder);
    const QString text = "Windows installation: " + folder;
    NavigationPane* pane = Pane(form::kLowerPane);
    const QString shown = pane->ShownStripText();
    QCOMPARE(shown == text, !elided);
    QVERIFY(shown.startsWith("Windows installation: /media/") && shown.endsWith("/end") == elided);
    QVERIFY(pane->fontMetrics().horizontalAdvance(shown) <= pane->StripTextRect().width());
    QVERIFY(!pane->StripTextRect().intersects(pane->SelectorRect()));
    QVERIFY(Pane(form::kUpperPane)->ShownStripText().isEmpty());

    const auto ask_tip = [](QWidget* widget, QPoint at) {
      QHelpEvent help(QEvent::ToolTip, at, widget->mapToGlobal(at));
      QApplication::sendEvent(widget, &help);
    };
    ask_tip(Log()->viewport(), QPoint(50, 50));
    QTest::qWait(50);
    QVERIFY(!QToolTip::isVisible());
    ask_tip(pane, pane->StripRect().center());
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), text);
    QToolTip::hideText();
  }

  void analyzeClickReportsAndChangesNothing() {
    ShowForm();
    const HiveContents before = ReadHiveContents(installation_->SystemHive());
    QTest::mouseClick(Button(form::Command::Analyze), Qt::LeftButton);
    QCOMPARE(LogText(), kInstructions + SampleReport(false, false));
    QVERIFY(ReadHiveContents(installation_->SystemHive()) == before);

    QTest::mouseClick(Button(form::Command::Analyze), Qt::LeftButton);
    QCOMPARE(LogText(), kInstructions + SampleReport(false, false) + SampleReport(false, false));
  }

  void tuneClickWritesTheHive() {
    ShowForm();
    QTest::mouseClick(Button(form::Command::Tune), Qt::LeftButton);
    QCOMPARE(LogText(), kInstructions + SampleReport(true, false));
    const HiveContents after = ReadHiveContents(installation_->SystemHive());
    const HiveValues& usbstor = after.at("ControlSet002\\Services\\USBSTOR");
    QCOMPARE(usbstor.at("start").type, kRegDword);
    QCOMPARE(usbstor.at("start").data, (std::vector<std::uint8_t>{0, 0, 0, 0}));
    QCOMPARE(usbstor.at("group").type, kRegSz);

    QTest::mouseClick(Button(form::Command::Analyze), Qt::LeftButton);
    QCOMPARE(LogText(), kInstructions + SampleReport(true, false) + SampleReport(false, true));
  }

  // Clicks that arrive while a run works wait for it and are then handled in order.
  void clicksDuringARunAreHandledAfterItInOrder() {
    ShowForm();
    bool posted = false;
    const auto post_click = [&](QWidget* button) {
      const QPointF at(10, 10);
      const QPointF global = button->mapToGlobal(at);
      QCoreApplication::postEvent(
          button, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                  Qt::LeftButton, Qt::NoModifier));
      QCoreApplication::postEvent(
          button, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                  Qt::NoButton, Qt::NoModifier));
    };
    connect(Log()->document(), &QTextDocument::contentsChanged, this, [&] {
      if (posted) return;
      posted = true;
      post_click(Button(form::Command::Tune));
      post_click(Button(form::Command::Analyze));
    });
    QTest::mouseClick(Button(form::Command::Analyze), Qt::LeftButton);
    QCOMPARE(LogText(), kInstructions + SampleReport(false, false));
    const QString all = kInstructions + SampleReport(false, false) + SampleReport(true, false) +
                        SampleReport(false, true);
    QTRY_COMPARE(LogText(), all);
  }

  // The run's notes stand in the log before the box, as the console writes them before the
  // failure: here, that the hive read is the one a cut-off save left under a spare name.
  void registryFailureShowsTheErrorBoxAndTheWindowGoesOn() {
    form_.reset();
    installation_.reset();
    installation_ = std::make_unique<TargetInstallation>([](const std::filesystem::path& file) {
      HiveBuilder hive(file.parent_path() / "SYSTEM.ntfs-3g-1");
      hive.SetText("ControlSet001\\Services\\usbccgp", "Group", "System Reserved");
      hive.SetText("ControlSet001\\Services\\usbccgp", "Start", "0");
      hive.Commit();
    });
    form_ = std::make_unique<TForm1>(installation_->System());
    ShowForm();
    const QString report = kInstructions + "Analysing...\n\n\r\nThere is no registry hive \"" +
                           QString::fromStdString(installation_->SystemHive().string()) +
                           "\": a save into that folder was cut short";

    QString log_while_up;
    BoxCloser closer([&] {
      // The window takes no input while the box is up: a click through the window system on Tune
      // does nothing.
      const QPoint on_tune = Button(form::Command::Tune)->mapTo(form_.get(), QPoint(40, 40));
      QTest::mouseClick(form_->windowHandle(), Qt::LeftButton, {}, on_tune);
      log_while_up = LogText();
    });
    QTest::mouseClick(Button(form::Command::Analyze), Qt::LeftButton);
    QTRY_VERIFY(closer.Seen().seen);
    QCOMPARE(closer.Seen().title, QString("main_window_test"));
    QCOMPARE(closer.Seen().title, ApplicationTitle(QCoreApplication::applicationFilePath()));
    QCOMPARE(closer.Seen().text, QString::fromStdString(expected::InvalidDataType("Start")));
    QVERIFY(closer.Seen().critical);
    QVERIFY2(log_while_up.startsWith(report), qPrintable(log_while_up));
    QVERIFY(log_while_up.endsWith(" puts it back as SYSTEM.\n\r\n"));
    QCOMPARE(LogText(), log_while_up);

    // Usable again afterwards.
    QTRY_VERIFY(form_->isActiveWindow());
    BoxCloser second;
    QTest::mouseClick(Button(form::Command::Analyze), Qt::LeftButton);
    QTRY_VERIFY(second.Seen().seen);
    QCOMPARE(LogText(), log_while_up + log_while_up.mid(kInstructions.size()));
  }

  void refusedTuningShowsTheCauseAfterTheMessage() {
    std::ofstream(installation_->Folder() / "hiberfil.sys") << "HIBR";
    ShowForm();
    BoxCloser closer;
    QTest::mouseClick(Button(form::Command::Tune), Qt::LeftButton);
    QTRY_VERIFY(closer.Seen().seen);
    const QString message = QString::fromStdString(expected::SetDataFailed("Group") + "\n\n");
    QVERIFY2(closer.Seen().text.startsWith(message), qPrintable(closer.Seen().text));
    QVERIFY(closer.Seen().text.contains("is hibernated"));
  }

  void exitEndsTheApplicationWithCodeZero() {
    ShowForm();
    QTimer::singleShot(0, this,
                       [&] { QTest::mouseClick(Button(form::Command::Exit), Qt::LeftButton); });
    QCOMPARE(QApplication::exec(), 0);
  }

  void closingTheWindowEndsTheApplication() {
    ShowForm();
    QWidget other;
    other.show();
    QTimer::singleShot(0, this, [&] { form_->close(); });
    QCOMPARE(QApplication::exec(), 0);
  }
};

}  // namespace harnlode

HARNLODE_UI_TEST_MAIN(harnlode::MainWindowTest)
#include "main_window_test.moc"
