// TForm1, the program's only window: three command buttons above the log into which the boot
// readiness check writes its report.
#pragma once

#include <QWidget>
#include <memory>
#include <string>

#include "investigate.h"

namespace Ui {
class TForm1;
}

namespace harnlode {

class TForm1 : public QWidget, public TLogOwner {
  Q_OBJECT
 public:
  static constexpr int kUpperPaneHeight = 177;
  static constexpr int kLowerPaneHeight = 264;
  // The log's tab stops, in average character widths of its font.
  static constexpr int kTabStopCharacters = 8;

  // Loads the form from its description, centred on the screen; the caption stays empty until the
  // first activation or the first show, whichever comes first.
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  void LogLine(const std::string& text) override;

  // Names the installation that the window works on, in the tooltip of the log's strip.
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
  void PlacePanes();
  // Moves the window, its frame included as far as it is known, to the screen's centre.
  void CentreOnScreen();

  std::unique_ptr<Ui::TForm1> ui_;
  int activations_ = 0;
  bool centred_with_frame_ = false;
};

}  // namespace harnlode
