// What the window and shell tests share: the test program's entry on the application object of the
// program, a sample Windows installation in use, and a hand that reads and closes error boxes.
#pragma once

#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <functional>
#include <memory>

#include "harnlode_application.h"
#include "offline/offline_system.h"
#include "target_system.h"

// The tests run on HarnlodeApplication, so that failures take the program's own road.
#define HARNLODE_UI_TEST_MAIN(TestClass)                   \
  int main(int argc, char** argv) {                        \
    harnlode::HarnlodeApplication application(argc, argv); \
    TestClass test;                                        \
    return QTest::qExec(&test, argc, argv);                \
  }

namespace harnlode {

// A Windows installation in a temporary folder, and the system that the window works on.
class TargetInstallation {
 public:
  // The sample installation.
  TargetInstallation();
  // An installation whose SYSTEM hive `make_hive` writes to the given file; the driver file is
  // present.
  explicit TargetInstallation(const std::function<void(const std::filesystem::path&)>& make_hive);

  std::filesystem::path Folder() const;
  std::filesystem::path SystemHive() const;
  TargetSystem& System() { return *system_; }

 private:
  void Open();

  QTemporaryDir directory_;
  std::unique_ptr<OfflineSystem> system_;
};

// What an error box showed.
struct SeenBox {
  bool seen = false;
  QString title;
  QString text;
  bool critical = false;
};

// Watches for the next modal message box, reads it and closes it with its OK button.
class BoxCloser : public QObject {
  Q_OBJECT
 public:
  // `while_up`, when given, runs while the box is up, before the box is closed.
  explicit BoxCloser(std::function<void()> while_up = {});
  const SeenBox& Seen() const { return seen_; }

 private:
  void Look();

  std::function<void()> while_up_;
  QTimer timer_;
  SeenBox seen_;
};

}  // namespace harnlode
