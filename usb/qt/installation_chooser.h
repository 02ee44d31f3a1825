// The dialog in which the user chooses the Windows installation to work on: the mounted ones,
// with what tells them apart, and any folder the user browses to.
#pragma once

#include <QDialog>
#include <QString>
#include <filesystem>
#include <functional>
#include <vector>

#include "mounted_installations.h"

class QPushButton;
class QTreeWidget;

namespace harnlode {

class InstallationChooser : public QDialog {
  Q_OBJECT
 public:
  enum Column { kFolder, kDevice, kLabel, kSize, kWindows, kComputer, kState, kColumns };

  // The first installation is selected when there is one.
  explicit InstallationChooser(const std::vector<MountedInstallation>& found,
                               QWidget* parent = nullptr);

  // The selected installation's folder; empty when none is selected.
  std::filesystem::path ChosenFolder() const;

  // Asks for a folder, adds it to the list and selects it. Nothing when the user gives none.
  void Browse();
  // How Browse asks for the folder: an empty text for none. A folder dialog unless replaced.
  std::function<QString(QWidget* parent)> ask_for_folder;

  QTreeWidget* List() const { return list_; }
  QPushButton* OpenButton() const { return open_; }
  QPushButton* BrowseButton() const { return browse_; }

 private:
  void Add(const MountedInstallation& installation);

  QTreeWidget* list_;
  QPushButton* browse_;
  QPushButton* open_;
};

// The state column's text: whether a write could be refused or do harm.
QString WriteStateText(const MountedInstallation& installation);

}  // namespace harnlode
