// The application shell: its title, its error display around event handling, and the choice of
// the Windows installation to work on.
#include <QApplication>
#include <QPushButton>
#include <QtTest>
#include <sstream>
#include <stdexcept>

#include "application_title.h"
#include "failure_text.h"
#include "harnlode_application.h"
#include "installation_choice.h"
#include "mounted_installations.h"
#include "sample_installation.h"
#include "silent_abort.h"
#include "window_test_support.h"

namespace harnlode {
namespace {

// An object whose handling of a user event throws straight out of its event handler, past any
// guard.
class ThrowingObject : public QObject {
 public:
  std::function<void()> on_event;

 protected:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::User) on_event();
    return QObject::event(event);
  }
};

std::string MountLine(int id, const std::string& point, const std::string& type) {
  return std::to_string(id) + " 1 8:1 / " + point + " rw,relatime shared:1 - " + type +
         " /dev/sda1 rw\n";
}

}  // namespace

class ShellTest : public QObject {
  Q_OBJECT

 private slots:
  void titleFromTheExecutableName_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::newRow("plain") << "/usr/bin/harnlode"
                           << "harnlode";
    QTest::newRow("capitals") << "/opt/HARNLODE.EXE"
                              << "Harnlode";
    QTest::newRow("cut at the first dot") << "/x/My.Tool.v2"
                                          << "My";
    QTest::newRow("first keeps its case") << "harnLODE"
                                          << "harnlode";
    QTest::newRow("starts with a dot") << "/x/.hidden"
                                       << "";
    QTest::newRow("non-ASCII") << "/x/ÜBERBLICK"
                               << "Überblick";
  }
  void titleFromTheExecutableName() {
    QFETCH(QString, path);
    QFETCH(QString, title);
    QCOMPARE(ApplicationTitle(path), title);
  }

  void periodRule_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Disk is busy"
                            << "Disk is busy.";
    QTest::newRow("digit") << "Error 5"
                           << "Error 5.";
    QTest::newRow("question mark") << "Why?"
                                   << "Why?.";
    QTest::newRow("colon") << "Reason:"
                           << "Reason:.";
    QTest::newRow("period") << "Done."
                            << "Done.";
    QTest::newRow("exclamation") << "Stop!"
                                 << "Stop!";
    QTest::newRow("parenthesis") << "(x)"
                                 << "(x)";
    QTest::newRow("quote") << "für 'Start'"
                           << "für 'Start'";
    QTest::newRow("line feed") << "x\n"
                               << "x\n";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("umlaut") << "Prüfung fehlgeschlagen für ü"
                            << "Prüfung fehlgeschlagen für ü.";
  }
  void periodRule() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(QString::fromStdString(WithClosingPeriod(message.toStdString())), shown);
  }

  void applicationUsesItsTitle() {
    auto* application = dynamic_cast<HarnlodeApplication*>(QCoreApplication::instance());
    QVERIFY(application);
    QCOMPARE(application->Title(), QString("shell_test"));
    QVERIFY(!QApplication::windowIcon().isNull());
  }

  // A guarded handler's failure is shown once the click is done; the program goes on.
  void guardedHandlerFailureIsShownWithThePeriodRule() {
    QPushButton button("Go");
    int clicks = 0;
    connect(&button, &QPushButton::clicked, Guarded([&] {
      ++clicks;
      throw std::runtime_error("Disk is busy");
    }));
    button.show();
    QVERIFY(QTest::qWaitForWindowActive(&button));
    BoxCloser closer;
    QTest::mouseClick(&button, Qt::LeftButton);
    QTRY_VERIFY(closer.Seen().seen);
    QCOMPARE(closer.Seen().title, QString("shell_test"));
    QCOMPARE(closer.Seen().text, QString("Disk is busy."));
    QVERIFY(!button.isDown());

    BoxCloser again;
    QTest::mouseClick(&button, Qt::LeftButton);
    QTRY_VERIFY(again.Seen().seen);
    QCOMPARE(clicks, 2);
  }

  // An exception that leaves an event handler itself is caught around the event's handling; the
  // mouse grab is released before the box comes up.
  void failureEscapingAnEventHandlerIsCaughtAroundIt() {
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    ThrowingObject object;
    object.on_event = [&] {
      window.grabMouse();
      throw std::logic_error("Unexpected state");
    };
    QWidget* grabber_while_up = &window;
    BoxCloser closer([&] { grabber_while_up = QWidget::mouseGrabber(); });
    QCoreApplication::postEvent(&object, new QEvent(QEvent::User));
    QTRY_VERIFY(closer.Seen().seen);
    QCOMPARE(closer.Seen().text, QString("Unexpected state."));
    QCOMPARE(grabber_while_up, nullptr);
  }

  void silentAbortShowsNothing() {
    QPushButton button("Go");
    bool ran = false;
    connect(&button, &QPushButton::clicked, Guarded([&] {
      ran = true;
      throw EAbort();
    }));
    button.show();
    QVERIFY(QTest::qWaitForWindowActive(&button));
    BoxCloser closer;
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::qWait(200);
    QVERIFY(ran);
    QVERIFY(!closer.Seen().seen);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
  }

  void mountPointsFromTheMountTable() {
    std::istringstream table(MountLine(21, "/", "ext4") + MountLine(22, "/proc", "proc") +
                             MountLine(23, "/media/my\\040disk", "ntfs3") +
                             MountLine(24, "/media/back\\134slash", "vfat") +
                             MountLine(25, "/", "ext4") + "garbage\n");
    const std::vector<std::filesystem::path> expected = {"/", "/media/my disk",
                                                         "/media/back\\slash"};
    QVERIFY(MountPoints(table) == expected);
  }

  void choosesTheFolderGivenOrTheOneMountedInstallation() {
    QTemporaryDir directory;
    const std::filesystem::path root = directory.path().toStdString();
    MakeSampleInstallation(root / "first");
    MakeSampleInstallation(root / "second");
    std::filesystem::create_directories(root / "empty");
    const std::string first = (root / "first").string();
    const std::string second = (root / "second").string();
    const std::string empty = (root / "empty").string();

    std::istringstream unused;
    QCOMPARE(ChooseInstallation({"/some/folder"}, unused).folder.string(),
             std::string("/some/folder"));

    std::istringstream one(MountLine(1, empty, "ext4") + MountLine(2, first, "ntfs3"));
    const InstallationChoice found = ChooseInstallation({}, one);
    QCOMPARE(found.folder.string(), first);
    QVERIFY(found.problem.empty());

    std::istringstream none(MountLine(1, empty, "ext4"));
    const InstallationChoice nothing = ChooseInstallation({}, none);
    QVERIFY(nothing.folder.empty());
    QVERIFY(nothing.problem.starts_with("No mounted Windows installation was found."));
    QVERIFY(nothing.problem.find("harnlode /mnt/windows") != std::string::npos);

    std::istringstream two(MountLine(1, first, "ntfs3") + MountLine(2, second, "ntfs3"));
    const InstallationChoice several = ChooseInstallation({}, two);
    QVERIFY(several.folder.empty());
    QVERIFY(several.problem.find("    " + first + "\n    " + second + "\n") != std::string::npos);
    QVERIFY(several.problem.find("harnlode " + first) != std::string::npos);

    std::istringstream unused_too;
    QVERIFY(ChooseInstallation({"a", "b"}, unused_too).problem.starts_with("Usage: harnlode"));
    QVERIFY(ChooseInstallation({"--help"}, unused_too).problem.starts_with("Usage: harnlode"));
  }
};

}  // namespace harnlode

HARNLODE_UI_TEST_MAIN(harnlode::ShellTest)
#include "shell_test.moc"
