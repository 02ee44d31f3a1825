#include "installation_chooser.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace harnlode {
namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

QString WriteStateText(const MountedInstallation& installation) {
  QStringList states;
  if (installation.read_only) states << QStringLiteral("read-only");
  if (installation.hibernation == HibernationState::kHibernated) {
    states << QStringLiteral("Windows hibernated");
  } else if (installation.hibernation == HibernationState::kUnknown) {
    states << QStringLiteral("hibernation unknown");
  }
  return states.isEmpty() ? QStringLiteral("writable") : states.join(QStringLiteral(", "));
}

InstallationChooser::InstallationChooser(const std::vector<MountedInstallation>& found,
                                         QWidget* parent)
    : QDialog(parent), list_(new QTreeWidget(this)) {
  setWindowTitle(QStringLiteral("Choose the Windows installation"));
  ask_for_folder = [](QWidget* dialog_parent) {
    return QFileDialog::getExistingDirectory(
        dialog_parent, QStringLiteral("The folder where Windows is mounted (its drive c:)"));
  };

  auto* explanation = new QLabel(
      found.empty() ? QStringLiteral("No mounted Windows installation was found. Mount the "
                                     "Windows volume and start again, or browse to its folder.")
                    : QStringLiteral("Choose the Windows installation to work on. Tune writes "
                                     "to its registry."),
      this);
  explanation->setWordWrap(true);

  list_->setColumnCount(kColumns);
  list_->setHeaderLabels({"Folder", "Device", "Label", "Size", "Windows", "Computer", "State"});
  list_->setRootIsDecorated(false);
  list_->setAllColumnsShowFocus(true);
  list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

  auto* buttons = new QDialogButtonBox(this);
  browse_ = buttons->addButton(QStringLiteral("&Browse..."), QDialogButtonBox::ActionRole);
  open_ = buttons->addButton(QStringLiteral("&Open"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QDialogButtonBox::Cancel);
  open_->setDefault(true);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(explanation);
  layout->addWidget(list_);
  layout->addWidget(buttons);

  connect(browse_, &QPushButton::clicked, this, &InstallationChooser::Browse);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(list_, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
  connect(list_, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current) { open_->setEnabled(current != nullptr); });

  for (const MountedInstallation& installation : found) Add(installation);
  open_->setEnabled(list_->topLevelItemCount() > 0);
  if (list_->topLevelItemCount() > 0) list_->setCurrentItem(list_->topLevelItem(0));
  // Wide enough for every column where the screen allows it.
  int columns_width = 0;
  for (int column = 0; column < kColumns; ++column) {
    list_->resizeColumnToContents(column);
    columns_width += list_->columnWidth(column);
  }
  const int wanted = columns_width + 2 * list_->frameWidth() + 40;
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int widest = screen ? screen->availableGeometry().width() * 9 / 10 : wanted;
  resize(qBound(640, wanted, qMax(640, widest)), 300);
}

std::filesystem::path InstallationChooser::ChosenFolder() const {
  const QTreeWidgetItem* item = list_->currentItem();
  if (!item) return {};
  return item->data(kFolder, Qt::UserRole).toString().toStdString();
}

void InstallationChooser::Browse() {
  const QString folder = ask_for_folder(this);
  if (folder.isEmpty()) return;
  const std::filesystem::path path = folder.toStdString();
  const std::optional<MountEntry> mount = MountHolding(path);
  Add(DescribeInstallation(path, mount ? &*mount : nullptr, "/dev/disk/by-label"));
  list_->setCurrentItem(list_->topLevelItem(list_->topLevelItemCount() - 1));
}

void InstallationChooser::Add(const MountedInstallation& installation) {
  auto* item = new QTreeWidgetItem(list_);
  const QString folder = QString::fromStdString(installation.folder.string());
  item->setText(kFolder, folder);
  item->setData(kFolder, Qt::UserRole, folder);
  item->setText(kDevice, Text(installation.device));
  item->setText(kLabel, Text(installation.label));
  if (installation.size > 0) {
    item->setText(kSize, QLocale::system().formattedDataSize(static_cast<qint64>(installation.size),
                                                             1, QLocale::DataSizeSIFormat));
  }
  item->setText(kWindows, Text(installation.windows_version));
  item->setText(kComputer, Text(installation.computer_name));
  item->setText(kState, WriteStateText(installation));
}

}  // namespace harnlode
