// TForm1, the program's only window, drawn in Qt from the form's description (usb_form.h): three
// command buttons above the log into which the boot readiness check writes its report.
#pragma once

#include <QWidget>
#include <string>

#include "investigate.h"
#include "target_system.h"
#include "usb_form.h"

class QPlainTextEdit;

namespace harnlode {

class NavigationPane;
class XpButton;

class TForm1 : public QWidget, public TLogOwner {
  Q_OBJECT
 public:
  // Builds the form from its description, centred on the screen; the caption stays empty until
  // the first activation or the first show, whichever comes first. Its buttons run the check on
  // `system`, which outlives the window.
  explicit TForm1(TargetSystem& system, QWidget* parent = nullptr);

  void LogLine(const std::string& text) override;

  // Names the installation that the window works on in the log's strip, so that it is always
  // clear which disk Tune writes to.
  void ShowInstallation(const QString& folder);

  // Analyze: reports without changing anything.
  void JvXPButton1Click();
  // Tune: reports and writes every value that is not as wanted.
  void JvXPButton2Click();
  // Exit: asks the application to terminate.
  void JvXPButton6Click();
  // Sets the caption on the window's first activation only.
  void FormActivate();

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  NavigationPane* MakePane(const form::Pane& pane);
  XpButton* MakeButton(const form::Button& button, QWidget* page);
  void PlacePanes();
  // Moves the window, its frame included as far as it is known, to the screen's centre.
  void CentreOnScreen();

  TargetSystem& system_;
  NavigationPane* lower_pane_ = nullptr;
  NavigationPane* upper_pane_ = nullptr;
  QPlainTextEdit* log_ = nullptr;
  int activations_ = 0;
  bool centred_with_frame_ = false;
};

}  // namespace harnlode
