// The application shell: its title, its error display around event handling, and the choice of
// the Windows installation to work on.
#include <QApplication>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>
#include <fstream>
#include <stdexcept>

#include "application_title.h"
#include "harnlode_application.h"
#include "hive_builder.h"
#include "installation_chooser.h"
#include "offline/mounted_installations.h"
#include "report_text.h"
#include "sample_installation.h"
#include "silent_abort.h"
#include "startup_installation.h"
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

  // The mounted installations as the chooser lists them, from a mount table of our own: each
  // mount point once, kernel filesystems and folders without Windows left out, the mount table's
  // escapes undone, and what each installation tells of itself.
  void chooserListsTheMountedInstallations() {
    QTemporaryDir directory;
    const std::filesystem::path root = directory.path().toStdString();
    MakeInstallation(root / "first", [](const std::filesystem::path& file) {
      HiveBuilder hive(file);
      hive.SetDword("Select", "Current", 2);
      hive.SetText("ControlSet002\\Control\\ComputerName\\ComputerName", "ComputerName", "DESK-7");
      hive.Commit();
    });
    HiveBuilder software(root / "first/Windows/System32/config/SOFTWARE");
    software.SetText("Microsoft\\Windows NT\\CurrentVersion", "ProductName", "Windows 10 Pro");
    software.SetText("Microsoft\\Windows NT\\CurrentVersion", "DisplayVersion", "23H2");
    software.SetText("Microsoft\\Windows NT\\CurrentVersion", "CurrentBuildNumber", "22631");
    software.Commit();
    std::ofstream(root / "first/hiberfil.sys") << "HIBR" << std::string(4092, '\0');
    MakeSampleInstallation(root / "second disk");
    std::filesystem::create_directories(root / "empty");
    // A device node and the link by its label, as udev names it.
    std::ofstream(root / "sdb1") << "";
    std::filesystem::create_directories(root / "by-label");
    std::filesystem::create_symlink(root / "sdb1", root / "by-label/WIN\\x20SYS");

    const std::string first = (root / "first").string();
    const std::string second = root.string() + "/second\\040disk";
    const MountTable table = ParseMountTable(
        "20 1 8:1 / " + root.string() + "/empty rw - ext4 /dev/sda1 rw\n" +
        "21 1 0:5 / /proc rw - proc proc rw\n" + "22 1 8:17 / " + first + " rw,relatime - ntfs3 " +
        (root / "sdb1").string() + " rw\n" + "23 1 8:18 / " + second +
        " ro - fuseblk /dev/sdc1 ro\n" + "24 1 8:18 / " + second + " ro - fuseblk /dev/sdc1 ro\n");
    InstallationChooser chooser(MountedWindowsInstallations(table, root / "by-label"));

    QTreeWidget* list = chooser.List();
    QCOMPARE(list->topLevelItemCount(), 2);
    const auto cell = [&](int row, int column) { return list->topLevelItem(row)->text(column); };
    QCOMPARE(cell(0, InstallationChooser::kFolder), QString::fromStdString(first));
    QCOMPARE(cell(0, InstallationChooser::kDevice),
             QString::fromStdString((root / "sdb1").string()));
    QCOMPARE(cell(0, InstallationChooser::kLabel), QString("WIN SYS"));
    QVERIFY(!cell(0, InstallationChooser::kSize).isEmpty());
    QCOMPARE(cell(0, InstallationChooser::kWindows), QString("Windows 11 Pro 23H2 (build 22631)"));
    QCOMPARE(cell(0, InstallationChooser::kComputer), QString("DESK-7"));
    QCOMPARE(cell(0, InstallationChooser::kState), QString("Windows hibernated"));
    QCOMPARE(cell(1, InstallationChooser::kFolder),
             QString::fromStdString((root / "second disk").string()));
    QCOMPARE(cell(1, InstallationChooser::kWindows), QString());
    QCOMPARE(cell(1, InstallationChooser::kState), QString("read-only"));
    QCOMPARE(cell(1, InstallationChooser::kDevice), QString("/dev/sdc1"));
    QCOMPARE(chooser.ChosenFolder(), root / "first");
  }

  // Each installation's state, "w" writable, "r" read-only, "h" hibernated, "?" hibernation
  // unknown; the one selected at first.
  void chooserPreselectsOneThatCanBeTuned_data() {
    QTest::addColumn<QString>("states");
    QTest::addColumn<int>("selected");
    QTest::newRow("all writable") << "ww" << 0;
    QTest::newRow("read-only first") << "rw" << 1;
    QTest::newRow("hibernated and unknown first") << "h?w" << 2;
    QTest::newRow("none can be tuned") << "rh?" << 0;
  }
  void chooserPreselectsOneThatCanBeTuned() {
    QFETCH(QString, states);
    QFETCH(int, selected);
    std::vector<MountedInstallation> installations(states.size());
    for (qsizetype i = 0; i < states.size(); ++i) {
      installations[i].folder = "/mnt/" + std::to_string(i);
      installations[i].read_only = states[i] == 'r';
      if (states[i] == 'h') installations[i].hibernation = HibernationState::kHibernated;
      if (states[i] == '?') installations[i].hibernation = HibernationState::kUnknown;
    }
    const InstallationChooser chooser(installations);
    QCOMPARE(chooser.ChosenFolder(), installations[selected].folder);
  }

  void chooserChoices_data() {
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("browsed");
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("open the first") << true << ""
                                    << "open" << true << "/mnt/a";
    QTest::newRow("cancel") << true << ""
                            << "cancel" << false << "/mnt/a";
    QTest::newRow("browse, then open") << true << "/srv/c"
                                       << "open" << true << "/srv/c";
    QTest::newRow("browse given up") << true << "-"
                                     << "open" << true << "/mnt/a";
    QTest::newRow("none found, browse") << false << "/srv/c"
                                        << "open" << true << "/srv/c";
    QTest::newRow("none found, open") << false << ""
                                      << "open" << false << "";
  }
  void chooserChoices() {
    QFETCH(bool, found);
    QFETCH(QString, browsed);
    QFETCH(QString, button);
    QFETCH(bool, accepted);
    QFETCH(QString, chosen);
    std::vector<MountedInstallation> installations;
    if (found) {
      for (const char* folder : {"/mnt/a", "/mnt/b"}) {
        installations.emplace_back();
        installations.back().folder = folder;
      }
    }
    InstallationChooser chooser(installations);
    chooser.ask_for_folder = [&](QWidget*) { return browsed == "-" ? QString() : browsed; };
    if (!browsed.isEmpty()) QTest::mouseClick(chooser.BrowseButton(), Qt::LeftButton);
    bool done = false;
    QTimer::singleShot(0, &chooser, [&] {
      done = true;
      if (button == "open" && chooser.OpenButton()->isEnabled()) {
        QTest::mouseClick(chooser.OpenButton(), Qt::LeftButton);
      } else {
        chooser.reject();
      }
    });
    QCOMPARE(chooser.exec() == QDialog::Accepted, accepted);
    QVERIFY(done);
    QCOMPARE(QString::fromStdString(chooser.ChosenFolder().string()), chosen);
  }

  // Every box before the window keeps the closing-period rule; a chosen folder that cannot be
  // opened is told and the user asked again.
  void startupBoxesAndStatuses_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("answers");  // the chooser's, "" for Cancel
    QTest::addColumn<QString>("box_starts");
    QTest::addColumn<int>("status");
    QTest::newRow("usage") << QStringList{"/opt/x/renamed", "a", "b"} << QStringList{}
                           << "Usage: /opt/x/renamed [WINDOWS_FOLDER]\nOpens the window"
                           << kNoInstallation;
    QTest::newRow("option") << QStringList{"hl", "--frobnicate", "--help"} << QStringList{}
                            << "Usage: hl [WINDOWS_FOLDER]" << kNoInstallation;
    QTest::newRow("help, after Qt's options")
        << QStringList{"hl", "--help"} << QStringList{} << "-" << 0;
    QTest::newRow("options ended, then a wrong folder")
        << QStringList{"hl", "--", "--help"} << QStringList{} << "" << kNoInstallation;
    QTest::newRow("folder without Windows")
        << QStringList{"hl", "/nonexistent"} << QStringList{} << "" << kNoInstallation;
    QTest::newRow("chosen without Windows, then cancelled")
        << QStringList{"hl"} << QStringList{"/nonexistent", ""} << "" << kCancelled;
    QTest::newRow("cancelled") << QStringList{"hl"} << QStringList{""} << "-" << kCancelled;
  }
  void startupBoxesAndStatuses() {
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, answers);
    QFETCH(QString, box_starts);
    QFETCH(int, status);
    BoxCloser closer;
    const StartupInstallation started =
        OpenStartupInstallation(arguments, "Hl", [&]() -> std::optional<std::filesystem::path> {
          const QString answer = answers.takeFirst();
          if (answer.isEmpty()) return std::nullopt;
          return answer.toStdString();
        });
    QVERIFY(!started.system);
    QCOMPARE(started.exit_status, status);
    QVERIFY(answers.isEmpty());
    QCOMPARE(closer.Seen().seen, box_starts != "-");
    if (!closer.Seen().seen) return;
    QCOMPARE(closer.Seen().title, QString("Hl"));
    QVERIFY2(closer.Seen().text.startsWith(box_starts), qPrintable(closer.Seen().text));
    QVERIFY(closer.Seen().text.endsWith('.'));
    QCOMPARE(QString::fromStdString(WithClosingPeriod(closer.Seen().text.toStdString())),
             closer.Seen().text);
  }

  // --help and --version, answered on the terminal; anything else is left to the start-up.
  void commandLineAnswers_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("answer_starts");  // "-" for none
    QTest::newRow("help") << QStringList{"hl", "--help"} << "Usage: hl [WINDOWS_FOLDER]\n";
    QTest::newRow("version after a folder")
        << QStringList{"hl", "/mnt/w", "--version"} << "harnlode " HARNLODE_VERSION "\n";
    QTest::newRow("after --") << QStringList{"hl", "--", "--help"} << "-";
    QTest::newRow("after an unknown option") << QStringList{"hl", "-x", "--version"} << "-";
    QTest::newRow("a folder") << QStringList{"hl", "/mnt/w"} << "-";
  }
  void commandLineAnswers() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, answer_starts);
    std::vector<std::string> command_line;
    for (const QString& argument : arguments) command_line.push_back(argument.toStdString());
    const std::optional<std::string> answer = CommandLineAnswer(command_line);
    QCOMPARE(answer.has_value(), answer_starts != "-");
    if (answer) QVERIFY(QString::fromStdString(*answer).startsWith(answer_starts));
  }

  void folderOnTheCommandLineIsOpenedWithoutAsking() {
    QTemporaryDir directory;
    const std::filesystem::path folder = std::filesystem::path(directory.path().toStdString());
    MakeSampleInstallation(folder);
    const StartupInstallation started = OpenStartupInstallation({"hl", directory.path()}, "Hl", [] {
      qFatal("asked");
      return std::optional<std::filesystem::path>();
    });
    QVERIFY(started.system);
    QCOMPARE(started.folder, folder);
  }
};

}  // namespace harnlode

HARNLODE_UI_TEST_MAIN(harnlode::ShellTest)
#include "shell_test.moc"
