// TForm1 as the user meets it: its layout, captions, keyboard and tooltips, and real clicks that
// run the check on real hive files.
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
#include "harnlode_style.h"
#include "hive_builder.h"
#include "log_text.h"
#include "navigation_pane.h"
#include "olive_theme.h"
#include "usb.h"
#include "window_test_support.h"
#include "xp_button.h"

namespace harnlode {
namespace {

const QString kInstructions = QStringLiteral(
    "                                  Harnlode, the ultimate high speed usb boot utility!\r\n"
    "\t                           Copyright (C) 2008 Quillmarsh Software\r\n"
    "\t\t                              http://www.quillmarsh.example\r\n"
    "   \r\n"
    "Now Windows Vista can boot from an usb harddrive!!!\r\n"
    "\r\n"
    "a) Install Vista to a internal harddisk.\r\n"
    "b) Run Harnlode (as admin!) to make the operating systems to boot from usb properly.\r\n"
    "c) Remove the hardisk and plug it into an external usb case.\r\n"
    "d) Configure your bios that the computer will boot from an external usb device\r\n"
    "\r\n"
    "Note: Your bios has to support booting from an usb device.\r\n"
    "\r\n"
    "For support use support@quillmarsh.example\r\n");

const QStringList kServices = {"usbccgp", "usbehci", "usbhub", "usbohci", "usbuhci", "usbstor"};

// One run's lines on the sample installation (two control sets), each as appended to the log.
QString SampleReport(bool tune, bool already_tuned) {
  QString report = tune ? "Making configuration, please wait...\n\n\r\n" : "Analysing...\n\n\r\n";
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
  if (tune || already_tuned) return report + "\n\n System is ready to boot from USB device\n\r\n";
  return report +
         "\n\n System is NOT ready to boot from USB device.\nPress \"Tune\" to proceed.\n\r\n";
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
  XpButton* Button(const char* name) const { return Part<XpButton>(name); }
  QPlainTextEdit* Log() const { return Part<QPlainTextEdit>("JvMemo1"); }
  QString LogText() const { return ExactLogText(*Log()->document()); }

  void ShowForm() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
  }

  void CheckLayout(int width, int height) {
    QCOMPARE(form_->size(), QSize(width, height));
    QCOMPARE(Part<NavigationPane>("JvNavigationPane2")->geometry(), QRect(0, 0, width, 177));
    QCOMPARE(Part<NavigationPane>("JvNavigationPane1")->geometry(),
             QRect(0, height - 264, width, 264));
    QCOMPARE(Part<NavigationPage>("JvNavPanelPage2")->geometry(), QRect(1, 1, width - 2, 140));
    QCOMPARE(Part<NavigationPage>("JvNavPanelPage1")->geometry(), QRect(1, 1, width - 2, 227));
    QCOMPARE(Log()->geometry(), QRect(0, 0, width - 2, 227));
    QCOMPARE(Button("JvXPButton1")->geometry(), QRect(24, 16, 81, 89));
    QCOMPARE(Button("JvXPButton2")->geometry(), QRect(157, 16, 89, 89));
    QCOMPARE(Button("JvXPButton6")->geometry(), QRect(448, 16, 89, 89));
  }

  static bool Within(const QWidget* widget, const QWidget* ancestor) {
    return widget && (widget == ancestor || ancestor->isAncestorOf(widget));
  }

 private slots:
  void init() {
    installation_ = std::make_unique<TargetInstallation>();
    form_ = std::make_unique<TForm1>();
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
    QCOMPARE(form_->windowTitle(), QString("Harnlode by Quillmarsh. 7.2"));
    QVERIFY(form_->windowTitle().endsWith(QStringLiteral(" " HARNLODE_VERSION)));
    QVERIFY(Button("JvXPButton1")->hasFocus());
  }

  // Where the window is shown without being activated, the caption is there all the same, from
  // the moment it is shown: the title bar never shows the program's name.
  void captionIsSetAtTheFirstShow() {
    form_->setAttribute(Qt::WA_ShowWithoutActivating);
    form_->show();
    QCOMPARE(form_->windowHandle()->title(), QString("Harnlode by Quillmarsh. 7.2"));
  }

  // The pictures are read by hand, so each must be found, at the size the buttons draw it.
  void buttonsAndWindowShowTheirPictures() {
    for (const char* name : {"JvXPButton1", "JvXPButton2", "JvXPButton6"}) {
      const QIcon icon = Button(name)->icon();
      QVERIFY2(!icon.isNull(), name);
      QCOMPARE(icon.actualSize(QSize(64, 64)), QSize(64, 64));
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
    CheckLayout(605, 441);
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
    for (const char* name : {"JvXPButton1", "JvXPButton2", "JvXPButton6"}) {
      XpButton* button = Button(name);
      QCOMPARE(button->iconSize(), QSize(64, 64));
      QCOMPARE(button->CaptionRect().top() - button->PictureRect().bottom() - 1, 3);
      QVERIFY(!button->icon().isNull());
    }
    QCOMPARE(Button("JvXPButton1")->text(), QString("Analyze"));
    QCOMPARE(Button("JvXPButton2")->text(), QString("Tune"));
    QCOMPARE(Button("JvXPButton6")->text(), QString("Exit"));
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
    const QWidget* upper = Part<NavigationPane>("JvNavigationPane2");
    const QWidget* lower = Part<NavigationPane>("JvNavigationPane1");
    QVERIFY(Within(form_->childAt(300, 100), upper));
    QVERIFY(Within(form_->childAt(300, 250), lower));
  }

  void tabOrderAndEnterPressesTheFocusedButton() {
    ShowForm();
    QVERIFY(Button("JvXPButton1")->hasFocus());
    // Round the three buttons and the log, and back; the log takes no tab on the way.
    for (const char* name : {"JvXPButton2", "JvXPButton6", "JvMemo1", "JvXPButton1"}) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget()->objectName(), QString(name));
    }
    for (const char* name : {"JvMemo1", "JvXPButton6", "JvXPButton2"}) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
      QCOMPARE(QApplication::focusWidget()->objectName(), QString(name));
    }
    QCOMPARE(LogText(), kInstructions);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(LogText(), kInstructions + SampleReport(true, false));
    Button("JvXPButton1")->setFocus();
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
    QCOMPARE(Log()->tabStopDistance(), 8 * QFontMetricsF(Log()->font()).averageCharWidth());
  }

  // The focused button wears its hot frame; the others stay flat.
  void focusedButtonShowsItsFrame() {
    ShowForm();
    QTest::mouseMove(form_.get(), QPoint(300, 400));
    Button("JvXPButton2")->setFocus();
    const QColor page = Button("JvXPButton1")->grab().toImage().pixelColor(0, 0);
    QCOMPARE(Button("JvXPButton2")->grab().toImage().pixelColor(0, 0), olive::kButtonHoverBorder);
    QVERIFY(page != olive::kButtonHoverBorder);
  }

  void tooltipOnAnalyzeOnly() {
    ShowForm();
    QCOMPARE(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 500);
    QCOMPARE(Button("JvXPButton1")->toolTip(),
             QString("Step1: Choose your file  to be inspected."));

    // Resting the pointer on Analyze brings up its tip after the wake-up delay.
    XpButton* analyze = Button("JvXPButton1");
    QElapsedTimer since_rest;
    QTest::mouseMove(analyze, QPoint(40, 40));
    since_rest.start();
    QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), 3000);
    QVERIFY(since_rest.elapsed() >= 400);
    QCOMPARE(QToolTip::text(), analyze->toolTip());
    // ... and it goes away after its display time.
    QElapsedTimer since_shown;
    since_shown.start();
    QTRY_VERIFY_WITH_TIMEOUT(!QToolTip::isVisible(), 6000);
    QVERIFY(since_shown.elapsed() >= 2000);

    for (const char* name : {"JvXPButton2", "JvXPButton6"}) {
      XpButton* button = Button(name);
      QHelpEvent help(QEvent::ToolTip, QPoint(40, 40), button->mapToGlobal(QPoint(40, 40)));
      QApplication::sendEvent(button, &help);
      QTest::qWait(50);
      QVERIFY2(!QToolTip::isVisible(), name);
    }
  }

  // The lower strip names the installation; the log beneath carries no tip of its own.
  void lowerStripNamesTheInstallation() {
    ShowForm();
    form_->ShowInstallation("/media/win");
    NavigationPane* pane = Part<NavigationPane>("JvNavigationPane1");
    const auto ask_tip = [](QWidget* widget, QPoint at) {
      QHelpEvent help(QEvent::ToolTip, at, widget->mapToGlobal(at));
      QApplication::sendEvent(widget, &help);
    };
    ask_tip(Log()->viewport(), QPoint(50, 50));
    QTest::qWait(50);
    QVERIFY(!QToolTip::isVisible());
    ask_tip(pane, pane->StripRect().center());
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QString("Windows installation: /media/win"));
    QToolTip::hideText();
  }

  void analyzeClickReportsAndChangesNothing() {
    ShowForm();
    const HiveContents before = ReadHiveContents(installation_->SystemHive());
    QTest::mouseClick(Button("JvXPButton1"), Qt::LeftButton);
    QCOMPARE(LogText(), kInstructions + SampleReport(false, false));
    QVERIFY(ReadHiveContents(installation_->SystemHive()) == before);

    QTest::mouseClick(Button("JvXPButton1"), Qt::LeftButton);
    QCOMPARE(LogText(), kInstructions + SampleReport(false, false) + SampleReport(false, false));
  }

  void tuneClickWritesTheHive() {
    ShowForm();
    QTest::mouseClick(Button("JvXPButton2"), Qt::LeftButton);
    QCOMPARE(LogText(), kInstructions + SampleReport(true, false));
    const HiveContents after = ReadHiveContents(installation_->SystemHive());
    const HiveValues& usbstor = after.at("ControlSet002\\Services\\USBSTOR");
    QCOMPARE(usbstor.at("start").type, kRegDword);
    QCOMPARE(usbstor.at("start").data, (std::vector<std::uint8_t>{0, 0, 0, 0}));
    QCOMPARE(usbstor.at("group").type, kRegSz);

    QTest::mouseClick(Button("JvXPButton1"), Qt::LeftButton);
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
      post_click(Button("JvXPButton2"));
      post_click(Button("JvXPButton1"));
    });
    QTest::mouseClick(Button("JvXPButton1"), Qt::LeftButton);
    QCOMPARE(LogText(), kInstructions + SampleReport(false, false));
    const QString all = kInstructions + SampleReport(false, false) + SampleReport(true, false) +
                        SampleReport(false, true);
    QTRY_COMPARE(LogText(), all);
  }

  void registryFailureShowsTheErrorBoxAndTheWindowGoesOn() {
    form_.reset();
    installation_.reset();
    installation_ = std::make_unique<TargetInstallation>([](const std::filesystem::path& file) {
      HiveBuilder hive(file);
      hive.SetText("ControlSet001\\Services\\usbccgp", "Group", "System Reserved");
      hive.SetText("ControlSet001\\Services\\usbccgp", "Start", "0");
      hive.Commit();
    });
    form_ = std::make_unique<TForm1>();
    ShowForm();

    QString log_while_up;
    BoxCloser closer([&] {
      // The window takes no input while the box is up: a click through the window system on Tune
      // does nothing.
      const QPoint on_tune = Button("JvXPButton2")->mapTo(form_.get(), QPoint(40, 40));
      QTest::mouseClick(form_->windowHandle(), Qt::LeftButton, {}, on_tune);
      log_while_up = LogText();
    });
    QTest::mouseClick(Button("JvXPButton1"), Qt::LeftButton);
    QTRY_VERIFY(closer.Seen().seen);
    QCOMPARE(closer.Seen().title, QString("main_window_test"));
    QCOMPARE(closer.Seen().title, ApplicationTitle(QCoreApplication::applicationFilePath()));
    QCOMPARE(closer.Seen().text, QString::fromUtf8("Ungültiger Datentyp für 'Start'"));
    QVERIFY(closer.Seen().critical);
    QCOMPARE(log_while_up, kInstructions + "Analysing...\n\n\r\n");
    QCOMPARE(LogText(), kInstructions + "Analysing...\n\n\r\n");

    // Usable again afterwards.
    QTRY_VERIFY(form_->isActiveWindow());
    BoxCloser second;
    QTest::mouseClick(Button("JvXPButton1"), Qt::LeftButton);
    QTRY_VERIFY(second.Seen().seen);
    QCOMPARE(LogText(), kInstructions + "Analysing...\n\n\r\nAnalysing...\n\n\r\n");
  }

  void refusedTuningShowsTheCauseAfterTheMessage() {
    std::ofstream(installation_->Folder() / "hiberfil.sys") << "HIBR";
    ShowForm();
    BoxCloser closer;
    QTest::mouseClick(Button("JvXPButton2"), Qt::LeftButton);
    QTRY_VERIFY(closer.Seen().seen);
    const QString message = QString::fromUtf8("Fehler beim Setzen der Daten für 'Group'\n\n");
    QVERIFY2(closer.Seen().text.startsWith(message), qPrintable(closer.Seen().text));
    QVERIFY(closer.Seen().text.contains("is hibernated"));
  }

  void exitEndsTheApplicationWithCodeZero() {
    ShowForm();
    QTimer::singleShot(0, this, [&] { QTest::mouseClick(Button("JvXPButton6"), Qt::LeftButton); });
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
