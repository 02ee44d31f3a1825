#include "window_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <fstream>

#include "sample_installation.h"

namespace harnlode {

TargetInstallation::TargetInstallation() {
  MakeSampleInstallation(Folder());
  Open();
}

TargetInstallation::TargetInstallation(
    const std::function<void(const std::filesystem::path&)>& make_hive) {
  std::filesystem::create_directories(SystemHive().parent_path());
  make_hive(SystemHive());
  const std::filesystem::path drivers = Folder() / "Windows/System32/drivers";
  std::filesystem::create_directories(drivers);
  std::ofstream(drivers / "usbstor.sys") << "driver";
  Open();
}

std::filesystem::path TargetInstallation::Folder() const {
  return std::filesystem::path(directory_.path().toStdString()) / "windows";
}

std::filesystem::path TargetInstallation::SystemHive() const {
  return Folder() / "Windows/System32/config/SYSTEM";
}

void TargetInstallation::Open() { system_ = std::make_unique<OfflineSystem>(Folder()); }

BoxCloser::BoxCloser(std::function<void()> while_up) : while_up_(std::move(while_up)) {
  connect(&timer_, &QTimer::timeout, this, &BoxCloser::Look);
  timer_.start(10);
}

void BoxCloser::Look() {
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  if (!box || !box->isVisible()) return;
  timer_.stop();
  seen_.seen = true;
  seen_.title = box->windowTitle();
  seen_.text = box->text();
  seen_.critical = box->icon() == QMessageBox::Critical;
  if (while_up_) while_up_();
  box->button(QMessageBox::Ok)->click();
}

}  // namespace harnlode
